// Pictures for the pane's tests: a canvas whose pixels can be read back, and icons of
// known pixels.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/Handles.h"
#include "testkit/Bitmaps.h"

namespace panetest {

// A 32-bit top-down DIB section selected into a memory context.
class CCanvas {
public:
    CCanvas(int width, int height, COLORREF fill) : m_width(width), m_dc(CreateCompatibleDC(nullptr)) {
        // A negative height makes the rows top-down.
        BYTE* bits = nullptr;
        m_bitmap = testkit::MakeDibSection(width, -height, 32, nullptr, 0, &bits);
        m_bits = reinterpret_cast<DWORD*>(bits);
        m_old = SelectObject(m_dc.get(), m_bitmap.get());
        RECT all = {0, 0, width, height};
        CBrushHandle brush(CreateSolidBrush(fill));
        FillRect(m_dc.get(), &all, brush.get());
    }
    ~CCanvas() { SelectObject(m_dc.get(), m_old); }
    CCanvas(const CCanvas&) = delete;
    CCanvas& operator=(const CCanvas&) = delete;

    HDC dc() const { return m_dc.get(); }
    bool ok() const { return m_bits != nullptr; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const DWORD pixel = m_bits[y * m_width + x];
        return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
    }
    // How many pixels of the rectangle have the colour.
    int Count(const RECT& rect, COLORREF color) const {
        int count = 0;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) count += At(x, y) == color;
        return count;
    }
    std::vector<COLORREF> Pixels(const RECT& rect) const {
        std::vector<COLORREF> pixels;
        for (int y = rect.top; y < rect.bottom; ++y)
            for (int x = rect.left; x < rect.right; ++x) pixels.push_back(At(x, y));
        return pixels;
    }

private:
    int m_width;
    CMemoryDC m_dc;
    CBitmapHandle m_bitmap;
    DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

// An icon of width x height with the given 0xAARRGGBB pixels (rows top-down) and a mask
// that lets every pixel show.
inline CIconHandle MakeIcon(int width, int height, const std::vector<DWORD>& pixels) {
    BYTE* bits = nullptr;
    CBitmapHandle color = testkit::MakeDibSection(width, -height, 32, nullptr, 0, &bits);
    if (!color || !bits) return CIconHandle();
    for (size_t i = 0; i < pixels.size(); ++i) reinterpret_cast<DWORD*>(bits)[i] = pixels[i];
    CBitmapHandle mask(CreateBitmap(width, height, 1, 1, nullptr));
    if (!mask) return CIconHandle();
    // An empty mask: 0 bits show the colour pixel.
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, mask.get());
    PatBlt(dc, 0, 0, width, height, BLACKNESS);
    SelectObject(dc, old);
    DeleteDC(dc);
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmColor = color.get();
    info.hbmMask = mask.get();
    return CIconHandle(CreateIconIndirect(&info));
}

inline CIconHandle MakeSolidIcon(int size, COLORREF color) {
    const DWORD pixel = 0xFF000000u | (GetRValue(color) << 16) | (GetGValue(color) << 8) | GetBValue(color);
    return MakeIcon(size, size, std::vector<DWORD>(static_cast<size_t>(size) * size, pixel));
}

// The icon's colour pixels as 0xAARRGGBB, rows top-down; width and height set.
inline std::vector<DWORD> IconPixels(HICON icon, int& width, int& height) {
    ICONINFO info = {};
    if (!GetIconInfo(icon, &info)) return {};
    CBitmapHandle color(info.hbmColor), mask(info.hbmMask);
    BITMAP bitmap = {};
    if (!color || !GetObjectW(color.get(), sizeof bitmap, &bitmap)) return {};
    width = bitmap.bmWidth;
    height = bitmap.bmHeight;
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFO header = {};
    header.bmiHeader.biSize = sizeof header.bmiHeader;
    header.bmiHeader.biWidth = width;
    header.bmiHeader.biHeight = -height;
    header.bmiHeader.biPlanes = 1;
    header.bmiHeader.biBitCount = 32;
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, color.get(), 0, height, pixels.data(), &header, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (lines != height) return {};
    return pixels;
}

}  // namespace panetest
