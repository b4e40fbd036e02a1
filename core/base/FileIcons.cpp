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
