// Bitmaps for tests: a device-independent bitmap of a given size and depth, its pixels
// and colour table left for the test to fill.
#pragma once

#include <windows.h>

#include "core/base/Handles.h"

namespace testkit {

struct CDibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// A bottom-up BI_RGB DIB section; `colors` (256 entries) gives the colour table of a
// depth of 8 bits or less, and `bits` receives the pixels' address. Null when it fails.
inline CBitmapHandle MakeDibSection(int width, int height, WORD bitCount, const RGBQUAD* colors = nullptr,
                                    void** bits = nullptr) {
    CDibInfo info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = height;
    info.header.biPlanes = 1;
    info.header.biBitCount = bitCount;
    info.header.biCompression = BI_RGB;
    if (colors) {
        for (int i = 0; i < 256; ++i) info.colors[i] = colors[i];
    }
    void* pixels = nullptr;
    CBitmapHandle bitmap(
        CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0));
    if (bits) *bits = bitmap ? pixels : nullptr;
    return bitmap;
}

}  // namespace testkit
