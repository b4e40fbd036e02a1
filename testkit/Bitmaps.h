// Bitmaps for tests: DIB sections of any depth whose pixels the test writes itself.
#pragma once

#include <windows.h>

#include "core/base/Handles.h"

namespace testkit {

// width x height, bottom-up, BI_RGB; below 16 bits with the given colour table (all black
// without one). pixels, when asked, gets the bits, rows padded to 4 bytes.
inline CBitmapHandle MakeDibSection(int width, int height, WORD bitCount, const RGBQUAD* colors = nullptr,
                                    int colorCount = 0, BYTE** pixels = nullptr) {
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bitCount;
    info.header.biCompression = BI_RGB;
    if (colors && colorCount > 0 && colorCount <= 256) {
        info.header.biClrUsed = colorCount;
        for (int i = 0; i < colorCount; ++i) info.colors[i] = colors[i];
    }
    void* bits = nullptr;
    CBitmapHandle bitmap(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (pixels) *pixels = static_cast<BYTE*>(bits);
    return bitmap;
}

}  // namespace testkit
