#include "core/base/BitmapFile.h"

#include "core/base/Handles.h"

namespace {

WORD NormalizedBitCount(int bits) {
    for (WORD allowed : {1, 4, 8, 16, 24}) {
        if (bits <= allowed) return allowed;
    }
    return 32;
}

DWORD ColorTableEntries(WORD bitCount) {
    switch (bitCount) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        case 16:
            return 65536;
        case 32:
            return 1;  // room the system may use for the colour masks
        default:
            return 0;
    }
}

bool WriteAll(HANDLE file, const void* data, DWORD size) {
    DWORD written = 0;
    return WriteFile(file, data, size, &written, nullptr) && written == size;
}

}  // namespace

CDibHeader MakeDibHeader(HBITMAP bitmap) {
    BITMAP info = {};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != sizeof info) return CDibHeader();
    WORD bitCount = NormalizedBitCount(info.bmPlanes * info.bmBitsPixel);
    DWORD tableBytes = ColorTableEntries(bitCount) * sizeof(RGBQUAD);
    CDibHeader header(static_cast<BITMAPINFOHEADER*>(LocalAlloc(LMEM_ZEROINIT, sizeof(BITMAPINFOHEADER) + tableBytes)));
    if (!header) return header;
    header->biSize = sizeof(BITMAPINFOHEADER);
    header->biWidth = info.bmWidth;
    header->biHeight = info.bmHeight;
    header->biPlanes = 1;
    header->biBitCount = bitCount;
    header->biCompression = BI_RGB;
    header->biClrUsed = bitCount < 24 ? 1u << bitCount : 0;
    header->biSizeImage = ((static_cast<DWORD>(bitCount) * info.bmWidth + 31) & ~31u) / 8 * info.bmHeight;
    return header;
}

DWORD DibColorsUsed(const BITMAPINFOHEADER& header) {
    return header.biBitCount < 24 ? header.biClrUsed : 0;
}

bool WriteDibFile(const wchar_t* path, BITMAPINFOHEADER* header, HBITMAP bitmap, HDC dc) {
    if (!header || !dc) return false;
    const DWORD imageSize = header->biSizeImage;
    const DWORD colorsUsed = DibColorsUsed(*header);
    CGlobalMemory bits(GlobalAlloc(GMEM_FIXED, imageSize ? imageSize : 1));
    if (!bits) return false;
    if (!GetDIBits(dc, bitmap, 0, static_cast<UINT>(header->biHeight), bits.get(),
                   reinterpret_cast<BITMAPINFO*>(header), DIB_RGB_COLORS))
        return false;
    // GetDIBits may rewrite the size; the block holds the size computed before.
    header->biSizeImage = imageSize;
    header->biClrUsed = colorsUsed;

    const DWORD headerBytes = sizeof(BITMAPINFOHEADER) + colorsUsed * sizeof(RGBQUAD);
    BITMAPFILEHEADER fileHeader = {};
    fileHeader.bfType = 0x4D42;
    fileHeader.bfOffBits = sizeof(BITMAPFILEHEADER) + headerBytes;
    fileHeader.bfSize = fileHeader.bfOffBits + imageSize;

    CFileHandle file(
        CreateFileW(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    bool written = WriteAll(file.get(), &fileHeader, sizeof fileHeader) && WriteAll(file.get(), header, headerBytes) &&
                   WriteAll(file.get(), bits.get(), imageSize);
    return CloseHandle(file.release()) && written;
}

bool SaveBitmapToFile(const wchar_t* path, HBITMAP bitmap) {
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    CMemoryDC memory(CreateCompatibleDC(screen));
    ReleaseDC(nullptr, screen);
    if (!memory) return false;
    CDibHeader header = MakeDibHeader(bitmap);
    return header && WriteDibFile(path, header.get(), bitmap, memory.get());
}
