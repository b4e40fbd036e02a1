#include "core/SettingsFile.h"

#include <shlobj.h>

#include <atomic>
#include <memory>
#include <mutex>

#include "core/AppPaths.h"
#include "core/Handles.h"
#include "core/LanguageFiles.h"
#include "core/NamedObjects.h"
#include "core/Security.h"

namespace {

const wchar_t kLanguageKey[] = L"Language";
const wchar_t kWelcomeKey[] = L"Welcome_Already_Started_V2_60";
const wchar_t kDataFolderName[] = L"Vexlora";
const int kSectionBufferChars = 102400;
const int kValueBufferChars = 260;

std::mutex g_profileLock;
CString g_profileOverride;

class CSystemInputLanguageInfo final : public IInputLanguageInfo {
public:
    std::vector<HKL> GetKeyboardLayouts(int maxCount) override {
        std::vector<HKL> layouts(maxCount > 0 ? maxCount : 0);
        if (layouts.empty()) return layouts;
        int count = GetKeyboardLayoutList(maxCount, layouts.data());
        layouts.resize(count > 0 ? count : 0);
        return layouts;
    }
    HKL GetDefaultInputLanguage() override {
        HKL language = nullptr;
        if (!SystemParametersInfoW(SPI_GETDEFAULTINPUTLANG, 0, &language, 0)) return nullptr;
        return language;
    }
};

std::atomic<IInputLanguageInfo*> g_inputLanguageOverride{nullptr};
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

const wchar_t* GetSettingsFileName() { return L"Settings.ini"; }
const wchar_t* GetSettingsSectionName() { return L"Settings"; }
const wchar_t* GetSettingsAgentSectionName() { return L"Settings_Agent"; }
const wchar_t* GetBookkeepingSectionName() { return L"A_SETTINGS"; }
const wchar_t* GetWriteLogKeyName() { return L"WriteLog"; }

// ---------------------------------------------------------------------------------------
// Profile wrappers

bool IniWriteString(const wchar_t* file, const wchar_t* section, const wchar_t* key, const wchar_t* value) {
    // A null value would delete the key; the stored format keeps it with an empty value.
    return WritePrivateProfileStringW(section, key, value ? value : L"", file) != FALSE;
}

bool IniWriteInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int value) {
    CString text;
    text.Format(L"%d", value);
    return IniWriteString(file, section, key, text);
}

bool IniReadString(const wchar_t* file, const wchar_t* section, const wchar_t* key, CString& value) {
    wchar_t buffer[kValueBufferChars] = {};
    DWORD length = GetPrivateProfileStringW(section, key, L"", buffer, kValueBufferChars, file);
    if (length == 0) return false;
    value = CString(buffer, static_cast<int>(length));
    return true;
}

int IniReadInt(const wchar_t* file, const wchar_t* section, const wchar_t* key, int defaultValue) {
    return static_cast<int>(GetPrivateProfileIntW(section, key, defaultValue, file));
}

bool IniKeyExists(const wchar_t* file, const wchar_t* section, const wchar_t* key) {
    if (!file || !section || !key) return false;
    std::unique_ptr<wchar_t[]> buffer(new wchar_t[kSectionBufferChars]);
    DWORD length = GetPrivateProfileSectionW(section, buffer.get(), kSectionBufferChars, file);
    const wchar_t* entry = buffer.get();
    const wchar_t* end = entry + length;
    while (entry < end && *entry) {
        CString line(entry);
        int equals = line.Find(L'=');
        if ((equals < 0 ? line : line.Left(equals)).Compare(key) == 0) return true;
        entry += line.GetLength() + 1;
    }
    return false;
}

void IniFlushCache() { WritePrivateProfileStringW(nullptr, nullptr, nullptr, nullptr); }

// ---------------------------------------------------------------------------------------
// The files

bool IsProgramDriveRemovable() { return IsDriveRemovableOrRemote(GetProgramFolder()); }

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

void SetByteOrderMarkWriterForTest(FileWriteFn write) { g_byteOrderMarkWriter = write; }

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
    CString value;
    if (IniReadString(file, GetSettingsSectionName(), kLanguageKey, value)) return value;
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
    return IniReadInt(file, GetSettingsSectionName(), GetWriteLogKeyName(), defaultValue ? 1 : 0) != 0;
}

bool ReadWriteLog() { return ReadWriteLogSetting(false, GetSettingsFilePath()); }

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

// ---------------------------------------------------------------------------------------
// First UI language

void SetInputLanguageInfoForTest(IInputLanguageInfo* info) { g_inputLanguageOverride = info; }

IInputLanguageInfo& GetInputLanguageInfo() {
    static CSystemInputLanguageInfo system;
    IInputLanguageInfo* forced = g_inputLanguageOverride;
    return forced ? *forced : system;
}

bool HasRussianKeyboardLayout() {
    for (HKL layout : GetInputLanguageInfo().GetKeyboardLayouts(20)) {
        if (LOWORD(reinterpret_cast<ULONG_PTR>(layout)) == 0x0419) return true;
    }
    return false;
}

CString GetRussianLngIfAvailable(bool versionChanged) {
    const wchar_t kRussian[] = L"Russian.lng";
    if (versionChanged && HasRussianKeyboardLayout() && FileExists(GetProgramFolder() + kRussian))
        return CString(kRussian);
    return CString();
}

CString FindLanguageFileForInputLanguage() {
    HKL language = GetInputLanguageInfo().GetDefaultInputLanguage();
    if (!language) return CString();
    LANGID id = LOWORD(reinterpret_cast<ULONG_PTR>(language));
    wchar_t name[100] = {};
    if (!GetLocaleInfoW(MAKELCID(id, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, 99)) return CString();
    CString twoLetters = CString(name).Left(2);
    if (twoLetters.IsEmpty()) return CString();
    std::vector<CString> files;
    EnumLanguageFiles(files, nullptr);
    CString folder = GetProgramFolder();
    for (const CString& file : files) {
        if (!file.IsEmpty() && ReadLngPrefix(folder + file).CompareNoCase(twoLetters) == 0) return file;
    }
    return CString();
}
