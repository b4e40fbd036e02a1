#include "core/AppPaths.h"

#include <windows.h>

#include <mutex>

namespace {

std::mutex g_folderLock;
CString g_folderOverride;
volatile LONG g_forcedDriveRemovable = -1;

// Critical-error boxes ("There is no disk in the drive") must never appear for a probe.
class CQuietErrorMode {
public:
    CQuietErrorMode() : m_old(SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX)) {}
    ~CQuietErrorMode() { SetErrorMode(m_old); }

private:
    UINT m_old;
};

DWORD QuietAttributes(const wchar_t* path) {
    if (!path || !*path) return INVALID_FILE_ATTRIBUTES;
    CQuietErrorMode quiet;
    return GetFileAttributesW(path);
}

}  // namespace

CString GetOwnExecutablePath() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    return CString(path, static_cast<int>(length));
}

CString GetProgramFolder() {
    {
        std::lock_guard<std::mutex> lock(g_folderLock);
        if (!g_folderOverride.IsEmpty()) return g_folderOverride;
    }
    CString path = GetOwnExecutablePath();
    return path.Left(path.ReverseFind(L'\\') + 1);
}

CString GetProgramFolderNoSlash() { return GetProgramFolder().TrimRight(L'\\'); }

void SetProgramFolderForTest(const wchar_t* folder) {
    std::lock_guard<std::mutex> lock(g_folderLock);
    CString value(folder);
    value.TrimRight(L'\\');
    g_folderOverride = value.IsEmpty() ? CString() : value + L'\\';
}

bool IsDriveRemovableOrRemote(const wchar_t* path) {
    if (!path || !path[0]) return false;
    int forced = g_forcedDriveRemovable;
    if (forced >= 0) return forced != 0;
    if (path[0] == L'\\' && path[1] == L'\\') return true;  // a share: remote
    wchar_t root[4] = {path[0], path[1], L'\\', 0};
    UINT type = GetDriveTypeW(root);
    return type == DRIVE_UNKNOWN || type == DRIVE_NO_ROOT_DIR || type == DRIVE_REMOVABLE || type == DRIVE_REMOTE;
}

void SetDriveRemovableForTest(int removable) { InterlockedExchange(&g_forcedDriveRemovable, removable); }

bool FileExists(const wchar_t* path) { return QuietAttributes(path) != INVALID_FILE_ATTRIBUTES; }

bool FolderExists(const wchar_t* path) {
    DWORD attributes = QuietAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString WithTrailingBackslash(const CString& path) {
    if (path.IsEmpty() || path[path.GetLength() - 1] == L'\\') return path;
    return path + L'\\';
}
