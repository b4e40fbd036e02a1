#include "core/SettingsFile.h"

#include <shlobj.h>

#include <atomic>
#include <mutex>

#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/IniFile.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"

namespace {

const wchar_t kLanguageKey[] = L"Language";
const wchar_t kWelcomeKey[] = L"Welcome_Already_Started_V2_60";
const wchar_t kDataFolderName[] = L"Vexlora";

std::mutex g_profileLock;
CString g_profileOverride;

std::atomic<FileWriteFn> g_byteOrderMarkWriter{nullptr};

CString GetProfileFolder() {
    {
        std::lock_guard<std::mutex> lock(g_profileLock);
        if (!g_profileOverride.IsEmpty()) return g_profileOverride;
    }
    wchar_t folder[MAX_PATH + 1] = {};
    if (!SHGetSpecialFolderPathW(nullptr, folder, CSIDL_PROFILE, FALSE)) return CString();
    return CString(folder).TrimRight(L'\\');
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Names

const wchar_t* GetSettingsFileName() {
    return L"Settings.ini";
}
const wchar_t* GetSettingsSectionName() {
    return L"Settings";
}
const wchar_t* GetSettingsAgentSectionName() {
    return L"Settings_Agent";
}
const wchar_t* GetBookkeepingSectionName() {
    return L"A_SETTINGS";
}
const wchar_t* GetWriteLogKeyName() {
    return L"WriteLog";
}

// ---------------------------------------------------------------------------------------
// The files

bool IsProgramDriveRemovable() {
    return IsDriveRemovableOrRemote(GetProgramFolder());
}

bool CreateUtf16File(const wchar_t* path, DWORD shareMode, DWORD attributes, SECURITY_ATTRIBUTES* security) {
    if (!path || !*path) return false;
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, shareMode, security, CREATE_NEW, attributes, nullptr));
    if (!file) return false;
    static const BYTE kByteOrderMark[] = {0xFF, 0xFE};
    FileWriteFn write = g_byteOrderMarkWriter;
    DWORD written = 0;
    bool ok = (write ? write : &WriteFile)(file.get(), kByteOrderMark, sizeof kByteOrderMark, &written, nullptr) &&
              written == sizeof kByteOrderMark;
    file.reset();
    // An empty file would be stored as ANSI by the profile functions: better none at all.
    if (!ok) DeleteFileW(path);
    return ok;
}

void SetByteOrderMarkWriterForTest(FileWriteFn write) {
    g_byteOrderMarkWriter = write;
}

bool CreateSettingsFileIfMissing(const wchar_t* path) {
    if (!path || !*path) return false;
    if (FileExists(path)) return true;
    if (CreateUtf16File(path, FILE_SHARE_READ | FILE_SHARE_WRITE, FILE_ATTRIBUTE_SYSTEM, GetOpenSecurityAttributes()))
        return true;
    return FileExists(path);  // another process may have created it meanwhile
}

CString GetProgramFolderSettingsPath() {
    CString path = GetProgramFolder() + GetSettingsFileName();
    CreateSettingsFileIfMissing(path);
    return path;
}

CString GetPerUserDataFolder() {
    CString profile = GetProfileFolder();
    if (profile.IsEmpty()) return CString();
    return profile + L'\\' + kDataFolderName;
}

CString GetProfileSettingsPath(bool create) {
    CString folder = GetPerUserDataFolder();
    if (create && !IsProgramDriveRemovable() && !folder.IsEmpty() && !FolderExists(folder))
        CreateDirectoryW(folder, GetOpenSecurityAttributes());
    return folder + L'\\' + GetSettingsFileName();
}

CString GetSettingsFilePath() {
    CString programFile = GetProgramFolderSettingsPath();
    if (IsProgramDriveRemovable()) return programFile;
    if (FileExists(programFile)) {
        if (IsFileWritable(programFile)) return programFile;
    } else if (IsFileWritable(GetProgramFolderNoSlash())) {
        return programFile;
    }
    CString profileFile = GetProfileSettingsPath(true);
    // Without this the first profile write would create the file as ANSI.
    CreateSettingsFileIfMissing(profileFile);
    return profileFile;
}

void SetProfileFolderForTest(const wchar_t* folder) {
    std::lock_guard<std::mutex> lock(g_profileLock);
    g_profileOverride = folder;
    g_profileOverride.TrimRight(L'\\');
}

// ---------------------------------------------------------------------------------------
// Keys kept outside the settings object

CString ReadLanguageSetting(const wchar_t* file, const wchar_t* defaultValue) {
    return ReadLanguageSetting(CIniSection::Read(file, GetSettingsSectionName()), defaultValue);
}

CString ReadLanguageSetting(const CIniSection& settings, const wchar_t* defaultValue) {
    CString value;
    if (settings.ReadString(kLanguageKey, value)) return value;
    return CString(defaultValue);
}

bool WriteLanguageSetting(const wchar_t* name, const wchar_t* file) {
    bool ok = IniWriteString(file, GetSettingsSectionName(), kLanguageKey, name);
    IniFlushCache();
    return ok;
}

CString ReadLanguageFromSettingsFile(const wchar_t* defaultValue) {
    return ReadLanguageSetting(GetSettingsFilePath(), defaultValue);
}

bool ReadWriteLogSetting(bool defaultValue, const wchar_t* file) {
    return ReadWriteLogSetting(defaultValue, CIniSection::Read(file, GetSettingsSectionName()));
}

bool ReadWriteLogSetting(bool defaultValue, const CIniSection& settings) {
    return settings.ReadInt(GetWriteLogKeyName(), defaultValue ? 1 : 0) != 0;
}

bool ReadWriteLog() {
    return ReadWriteLogSetting(false, GetSettingsFilePath());
}

bool WriteWriteLogSetting(bool value) {
    return IniWriteInt(GetSettingsFilePath(), GetSettingsSectionName(), GetWriteLogKeyName(), value ? 1 : 0);
}

bool IsWelcomeAlreadyStarted() {
    return IniReadInt(GetSettingsFilePath(), GetSettingsSectionName(), kWelcomeKey, 0) != 0;
}

bool IsFromInstaller() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Software\\Halvered\\Vexlora", 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS)
        return false;
    CRegKeyHandle key(raw);
    BYTE buffer[100] = {};
    DWORD size = 99;
    LONG result = RegQueryValueExW(key.get(), L"FromInstaller", nullptr, nullptr, buffer, &size);
    // A value too long for the buffer is present and not empty all the same.
    if (result == ERROR_MORE_DATA) return true;
    return result == ERROR_SUCCESS && size >= sizeof(wchar_t) && reinterpret_cast<const wchar_t*>(buffer)[0] != 0;
}
