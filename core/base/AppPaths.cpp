#include "core/base/AppPaths.h"

#include <windows.h>

#include <algorithm>
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

CString GetProgramFolderNoSlash() {
    return GetProgramFolder().TrimRight(L'\\');
}

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

void SetDriveRemovableForTest(int removable) {
    InterlockedExchange(&g_forcedDriveRemovable, removable);
}

bool FileExists(const wchar_t* path) {
    return QuietAttributes(path) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const wchar_t* path) {
    DWORD attributes = QuietAttributes(path);
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

CString WithTrailingBackslash(const CString& path) {
    if (path.IsEmpty() || path[path.GetLength() - 1] == L'\\') return path;
    return path + L'\\';
}

CString GetFolderOfPath(const wchar_t* path, bool withTrailingBackslash) {
    CString drive;
    CString folder;
    SplitPath(path, &drive, &folder, nullptr, nullptr);
    CString result = drive + folder;
    if (result.IsEmpty()) return result;
    if (withTrailingBackslash) return WithTrailingBackslash(result);
    result.TrimRight(L'\\');
    // "C:" alone would mean the drive's current folder, not its root.
    if (result.GetLength() == 2 && result[1] == L':') result += L'\\';
    return result;
}

CString GetFileNameOfPath(const wchar_t* path) {
    CString text(path);
    int cut = std::max({text.ReverseFind(L'\\'), text.ReverseFind(L'/'), text.ReverseFind(L':')});
    return text.Mid(cut + 1);
}

void SplitPath(const wchar_t* path, CString* drive, CString* folder, CString* name, CString* extension) {
    CString text(path);
    int start = 0;
    if (text.GetLength() >= 2 && text[1] == L':') start = 2;
    int lastSeparator = std::max(text.ReverseFind(L'\\'), text.ReverseFind(L'/'));
    int folderEnd = lastSeparator >= start ? lastSeparator + 1 : start;
    CString base = text.Mid(folderEnd);
    int dot = base.ReverseFind(L'.');
    if (drive) *drive = text.Left(start);
    if (folder) *folder = text.Mid(start, folderEnd - start).Left(255);
    if (name) *name = (dot >= 0 ? base.Left(dot) : base).Left(255);
    if (extension) *extension = (dot >= 0 ? base.Mid(dot) : CString()).Left(255);
}

CString MakeDotExtension(const wchar_t* extension) {
    CString text(extension);
    if (text.IsEmpty() || text[0] == L'.') return text;
    return L'.' + text;
}

CString GetTempFolder() {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetTempPathW(MAX_PATH, folder);
    if (length == 0 || length > MAX_PATH) return CString();
    return WithTrailingBackslash(CString(folder, static_cast<int>(length)));
}

CString BuildTempFileName(const wchar_t* folder, const wchar_t* extension) {
    static volatile LONG counter = 0;
    CString base = (folder && *folder) ? WithTrailingBackslash(CString(folder)) : GetTempFolder();
    CString dotExtension = MakeDotExtension(extension);
    const UINT seed = GetTickCount();
    // The system only forms names of 16-bit numbers; each call takes the next number of
    // the process, so two names asked for in the same millisecond still differ.
    for (int attempt = 0; attempt < 0xFFFF; ++attempt) {
        UINT unique = (seed + static_cast<UINT>(InterlockedIncrement(&counter))) & 0xFFFF;
        if (unique == 0) continue;  // 0 would make the system create the file itself
        wchar_t formed[MAX_PATH + 1] = {};
        if (!GetTempFileNameW(base, L"abcd", unique, formed)) return CString();
        CString name = CString(formed) + dotExtension;
        if (!FileExists(formed) && !FileExists(name)) return name;
    }
    return CString();
}
