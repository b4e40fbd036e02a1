// Bitmaps as ".bmp" files: the file header, the DIB header with its colour table, the bits.
#pragma once

#include <windows.h>

#include <memory>

struct CLocalFree {
    void operator()(void* block) const noexcept { LocalFree(block); }
};
using CDibHeader = std::unique_ptr<BITMAPINFOHEADER, CLocalFree>;

// The DIB header of the bitmap followed by room for its colour table: bits per pixel
// rounded up to 1, 4, 8, 16, 24 or 32, BI_RGB, 2^bits colours used below 24 bits. Null
// when the bitmap cannot be read.
CDibHeader MakeDibHeader(HBITMAP bitmap);
// The number of colour-table entries the header announces.
DWORD DibColorsUsed(const BITMAPINFOHEADER& header);
// Writes the file header, the header with its colour table and the bits (GetDIBits
// through the device context). True when everything was written.
bool WriteDibFile(const wchar_t* path, BITMAPINFOHEADER* header, HBITMAP bitmap, HDC dc);
// MakeDibHeader and WriteDibFile with a memory device context of the screen. The bitmap
// must not be selected into a device context.
bool SaveBitmapToFile(const wchar_t* path, HBITMAP bitmap);
