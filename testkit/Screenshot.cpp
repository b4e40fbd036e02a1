#include "testkit/Screenshot.h"

#include <algorithm>

#include "core/base/Handles.h"

namespace testkit {

CScreenshot CScreenshot::Take(const RECT& screenRect) {
    CScreenshot shot;
    const int width = screenRect.right - screenRect.left;
    const int height = screenRect.bottom - screenRect.top;
    if (width <= 0 || height <= 0) return shot;
    HDC screen = GetDC(nullptr);
    if (!screen) return shot;
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;  // top row first
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    HDC memory = CreateCompatibleDC(screen);
    if (bitmap && memory) {
        HGDIOBJ old = SelectObject(memory, bitmap.get());
        if (BitBlt(memory, 0, 0, width, height, screen, screenRect.left, screenRect.top, SRCCOPY)) {
            GdiFlush();
            const DWORD* source = static_cast<const DWORD*>(bits);
            shot.m_pixels.assign(source, source + static_cast<size_t>(width) * height);
            for (DWORD& pixel : shot.m_pixels) pixel &= 0x00FFFFFF;
            shot.m_width = width;
            shot.m_height = height;
        }
        SelectObject(memory, old);
    }
    if (memory) DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return shot;
}

COLORREF CScreenshot::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= m_width || y >= m_height) return CLR_INVALID;
    const DWORD pixel = m_pixels[static_cast<size_t>(y) * m_width + x];
    return RGB((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

bool CScreenshot::Contains(const RECT& area, COLORREF color) const {
    for (int y = std::max(0L, area.top); y < std::min<LONG>(m_height, area.bottom); ++y)
        for (int x = std::max(0L, area.left); x < std::min<LONG>(m_width, area.right); ++x)
            if (At(x, y) == color) return true;
    return false;
}

bool CScreenshot::SaveBmp(const wchar_t* path) const {
    if (IsEmpty()) return false;
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = m_width;
    header.biHeight = -m_height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    const DWORD pixelBytes = static_cast<DWORD>(m_pixels.size() * sizeof(DWORD));
    BITMAPFILEHEADER file = {};
    file.bfType = 0x4D42;  // "BM"
    file.bfOffBits = sizeof file + sizeof header;
    file.bfSize = file.bfOffBits + pixelBytes;
    CFileHandle out(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!out) return false;
    DWORD written = 0;
    return WriteFile(out.get(), &file, sizeof file, &written, nullptr) &&
           WriteFile(out.get(), &header, sizeof header, &written, nullptr) &&
           WriteFile(out.get(), m_pixels.data(), pixelBytes, &written, nullptr) && written == pixelBytes;
}

}  // namespace testkit
