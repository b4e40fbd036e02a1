#include "core/base/FileIcons.h"

#include <shellapi.h>

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

HICON GetIconByExtension(const wchar_t* extension, bool small) {
    if (!extension || !*extension) return nullptr;
    SHFILEINFOW info = {};
    const UINT flags = SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (small ? SHGFI_SMALLICON : 0);
    if (!SHGetFileInfoW(extension, FILE_ATTRIBUTE_NORMAL, &info, sizeof info, flags)) return nullptr;
    return info.hIcon;
}
