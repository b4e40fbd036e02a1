#include "core/base/FileIcons.h"

#include <shellapi.h>
#include <string.h>

#include <vector>

#include "core/base/CString.h"
#include "core/base/PlatformBinding.h"

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

HICON GetFolderIcon(bool open, bool large) {
    // SHGetStockIconInfo came with Vista: finding it is the version test.
    using GetStockIconFn = HRESULT(WINAPI*)(SHSTOCKICONID, UINT, SHSTOCKICONINFO*);
    const auto getStockIcon = BindProc<GetStockIconFn>(GetModuleHandleW(L"shell32.dll"), "SHGetStockIconInfo");
    const wchar_t* folder = nullptr;
    CString windowsFolder;
    if (getStockIcon) {
        SHSTOCKICONINFO stock = {};
        stock.cbSize = sizeof stock;
        if (getStockIcon(open ? SIID_FOLDEROPEN : SIID_FOLDER, SHGSI_ICON | (large ? 0 : SHGSI_SMALLICON), &stock) ==
                S_OK &&
            stock.hIcon)
            return stock.hIcon;
        wchar_t path[MAX_PATH] = {};
        if (GetWindowsDirectoryW(path, MAX_PATH)) windowsFolder = path;
        folder = windowsFolder;
    }
    // Without a path (a made-up name) the shell answers from the attribute alone, with
    // SHGFI_USEFILEATTRIBUTES, so no real folder is touched.
    SHFILEINFOW info = {};
    const UINT flags =
        SHGFI_ICON | SHGFI_USEFILEATTRIBUTES | (open ? SHGFI_OPENICON : 0) | (large ? 0 : SHGFI_SMALLICON);
    if (!SHGetFileInfoW(folder && *folder ? folder : L"folder", FILE_ATTRIBUTE_DIRECTORY, &info, sizeof info, flags))
        return nullptr;
    return info.hIcon;
}
