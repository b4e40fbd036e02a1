#include "core/base/FileIcons.h"

#include <shellapi.h>
#include <string.h>

#include <vector>

namespace {

HICON ShellFileIcon(const wchar_t* path, UINT flags) {
    if (!path || !*path) return nullptr;
    SHFILEINFOW info = {};
    if (!SHGetFileInfoW(path, 0, &info, sizeof info, SHGFI_ICON | flags)) return nullptr;
    return info.hIcon;
}

}  // namespace

HICON GetFileIcon(const wchar_t* path, int flag) {
    if (flag != 0) return nullptr;
    return ShellFileIcon(path, 0);
}

HICON GetFileIconSmallOrLarge(const wchar_t* path, bool large) {
    return ShellFileIcon(path, large ? SHGFI_LARGEICON : SHGFI_SMALLICON);
}

HICON GetIconByExtension(const wchar_t* extension, bool large) {
    if (!extension || !*extension) return nullptr;
    SHFILEINFOW info = {};
    const UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (large ? 0 : SHGFI_SMALLICON);
    if (!SHGetFileInfoW(extension, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags)) return nullptr;
    return info.hIcon;
}

HICON GetFolderIcon() {
    SHFILEINFOW info = {};
    // A made-up name: with SHGFI_USEFILEATTRIBUTES the shell answers from the attribute
    // alone, so no real folder is touched.
    if (!SHGetFileInfoW(L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info,
                        SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        return nullptr;
    return info.hIcon;
}

namespace {

// The bitmap as top-down 32-bit pixels; false when it cannot be read.
BITMAPINFO TopDownInfo(int size) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    return info;
}

bool ReadPixels(HBITMAP bitmap, int size, std::vector<DWORD>& pixels) {
    BITMAPINFO info = TopDownInfo(size);
    pixels.assign(static_cast<size_t>(size) * size, 0);
    HDC screen = GetDC(nullptr);
    const int lines = GetDIBits(screen, bitmap, 0, size, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    return lines == size;
}

HBITMAP MakeBitmap(int size, const std::vector<DWORD>& pixels) {
    BITMAPINFO info = TopDownInfo(size);
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (bitmap && bits) memcpy(bits, pixels.data(), pixels.size() * sizeof(DWORD));
    return bitmap;
}

std::vector<DWORD> Rotate(const std::vector<DWORD>& pixels, int size, int turns) {
    std::vector<DWORD> out(pixels);
    for (int turn = 0; turn < turns; ++turn) {
        std::vector<DWORD> next(out.size());
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                next[static_cast<size_t>(x) * size + (size - 1 - y)] = out[static_cast<size_t>(y) * size + x];
        out.swap(next);
    }
    return out;
}

}  // namespace

HICON CreateRotatedIcon(HICON icon, int quarterTurns) {
    ICONINFO parts = {};
    if (!icon || quarterTurns < 1 || quarterTurns > 3 || !GetIconInfo(icon, &parts)) return nullptr;
    BITMAP shape = {};
    GetObjectW(parts.hbmColor ? parts.hbmColor : parts.hbmMask, sizeof shape, &shape);
    const int size = shape.bmWidth;
    HICON rotated = nullptr;
    std::vector<DWORD> color, mask;
    // Only square colour icons turn without changing their size.
    if (parts.hbmColor && size > 0 && shape.bmHeight == size && ReadPixels(parts.hbmColor, size, color) &&
        ReadPixels(parts.hbmMask, size, mask)) {
        ICONINFO turned = {};
        turned.fIcon = TRUE;
        turned.hbmColor = MakeBitmap(size, Rotate(color, size, quarterTurns));
        turned.hbmMask = MakeBitmap(size, Rotate(mask, size, quarterTurns));
        if (turned.hbmColor && turned.hbmMask) rotated = CreateIconIndirect(&turned);
        if (turned.hbmColor) DeleteObject(turned.hbmColor);
        if (turned.hbmMask) DeleteObject(turned.hbmMask);
    }
    if (parts.hbmColor) DeleteObject(parts.hbmColor);
    if (parts.hbmMask) DeleteObject(parts.hbmMask);
    return rotated;
}
