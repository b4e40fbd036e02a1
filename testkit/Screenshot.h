// What the screen shows, for end-to-end tests that check another program's drawing by
// its pixels and keep a picture of it for people to look at.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

namespace testkit {

// A copy of a screen rectangle, 32 bits per pixel, top row first.
class CScreenshot {
public:
    // Copies the rectangle from the screen; empty when the screen cannot be read.
    static CScreenshot Take(const RECT& screenRect);

    bool IsEmpty() const { return m_pixels.empty(); }
    int Width() const { return m_width; }
    int Height() const { return m_height; }
    // The colour at a point relative to the rectangle's top-left; CLR_INVALID outside.
    COLORREF At(int x, int y) const;
    // True when any pixel of the rectangle (relative, clipped) has the colour.
    bool Contains(const RECT& area, COLORREF color) const;
    // As a 32-bit .bmp file.
    bool SaveBmp(const wchar_t* path) const;

private:
    int m_width = 0;
    int m_height = 0;
    std::vector<DWORD> m_pixels;  // 0x00RRGGBB
};

}  // namespace testkit
