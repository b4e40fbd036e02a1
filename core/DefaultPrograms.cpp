#include "core/DefaultPrograms.h"

#include <rpc.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "core/base/AppPaths.h"
#include "core/base/PlatformBinding.h"

namespace {

CString QueryClassesRootValue(const wchar_t* subKey) {
    wchar_t value[261] = {};
    LONG size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueW(HKEY_CLASSES_ROOT, subKey, value, &size) != ERROR_SUCCESS) return CString();
    return CString(value);
}

bool IsExistingFile(const CString& path) {
    return FileExists(path) && !FolderExists(path);
}

using BroadcastSystemMessageWFn = long(WINAPI*)(DWORD, LPDWORD, UINT, WPARAM, LPARAM);

}  // namespace

namespace CAppObjects {

CString GetOpenProgramOfExtension(const wchar_t* extension) {
    CString dotted = MakeDotExtension(extension);
    if (dotted.IsEmpty()) return CString();
    CString fileType = QueryClassesRootValue(dotted);
    if (fileType.IsEmpty()) return CString();
    CString command = QueryClassesRootValue(fileType + L"\\shell\\open\\command");
    if (command.IsEmpty()) return CString();
    command.Remove(L'"');
    while (!command.IsEmpty() && !IsExistingFile(command)) command = command.Left(command.GetLength() - 1);
    command.Trim();
    return command;
}

CString GetDefaultBrowserCommand() {
    return QueryClassesRootValue(L"http\\shell\\open\\command");
}

CString GetHttpOpenExecutable() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (FAILED(AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, L"http", L"open", path, &size))) return CString();
    return CString(path);
}

CString GetNotepadPath() {
    wchar_t folder[MAX_PATH + 1] = {};
    if (GetWindowsDirectoryW(folder, MAX_PATH)) {
        CString path = WithTrailingBackslash(CString(folder)) + L"Notepad.exe";
        if (FileExists(path)) return path;
    }
    if (!GetSystemDirectoryW(folder, MAX_PATH)) return CString();
    return WithTrailingBackslash(CString(folder)) + L"Notepad.exe";
}

CIconHandle GetVideoFilesIcon() {
    SHFILEINFOW info = {};
    wchar_t folder[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_MYVIDEO, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
        SHGetFileInfoW(folder, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON) && info.hIcon)
        return CIconHandle(info.hIcon);
    info = {};
    if (SHGetFileInfoW(L".avi", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        return CIconHandle(info.hIcon);
    return CIconHandle();
}

bool IsNewVersionMarkerPresent() {
    return FileExists(GetProgramFolder() + L"hasnew.hasnew");
}

CString NewGuidText() {
    UUID uuid = {};
    if (UuidCreate(&uuid) != RPC_S_OK) return CString();
    RPC_WSTR text = nullptr;
    if (UuidToStringW(&uuid, &text) != RPC_S_OK || !text) return CString();
    CString result(reinterpret_cast<const wchar_t*>(text));
    RpcStringFreeW(&text);
    return result;
}

long Broadcast(DWORD flags, DWORD* recipients, UINT message, WPARAM wParam, LPARAM lParam) {
    auto broadcast =
        BindProc<BroadcastSystemMessageWFn>(GetPlatformBinder().FindLoaded(L"user32.dll"), "BroadcastSystemMessageW");
    return broadcast ? broadcast(flags, recipients, message, wParam, lParam) : 0;
}

}  // namespace CAppObjects
