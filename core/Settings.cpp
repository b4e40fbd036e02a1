#include "core/Settings.h"

#include "core/LanguageFiles.h"
#include "core/SettingsFile.h"
#include "core/SettingsKeys.h"
#include "core/base/AppPaths.h"
#include "core/base/IniFile.h"
#include "core/base/InputLanguage.h"
#include "core/base/Logger.h"
#include "core/base/TextHelpers.h"

namespace {

const wchar_t kVersionKey[] = L"VXLVersion";
const wchar_t kVersionMark[] = L"VXL_150";
const wchar_t kLastCheckKey[] = L"LastCheckForUpdates_V2";
const wchar_t kLatestFoundKey[] = L"LatestFound_CFU_Ver";
const wchar_t kDelayInsertKey[] = L"DelayInsertMilliseconds_v141";
// The menu font of NONCLIENTMETRICSW without iPaddedBorderWidth, which Windows XP rejects.
const UINT kNonClientMetricsSizeXP = 500;

const wchar_t* Section() {
    return GetSettingsSectionName();
}

CString DefaultPhrasesFolder() {
    return GetProgramFolder() + L"UserPhrases\\";
}

// A stored folder is relative unless it names a drive or a share.
bool IsRelativeFolder(const CString& folder) {
    return folder.Find(L':') < 0 && !(folder.GetLength() >= 2 && folder[0] == L'\\' && folder[1] == L'\\');
}

// The form kept in memory: empty for the default folder, else ending in "\".
CString NormalizePhrasesFolder(const CString& value) {
    if (value.IsEmpty()) return value;
    CString folder = WithTrailingBackslash(value);
    if (folder.CompareNoCase(DefaultPhrasesFolder()) == 0) return CString();
    return folder;
}

bool StartsWithNoCase(const CString& text, const CString& start) {
    return text.GetLength() >= start.GetLength() && text.Left(start.GetLength()).CompareNoCase(start) == 0;
}

CString FileNameOf(const CString& path) {
    return path.Mid(path.ReverseFind(L'\\') + 1);
}

// Date and time of the save in the user's own format, for people reading the file.
CString LocalDateTimeText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t date[100] = {};
    wchar_t time[100] = {};
    GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, &now, nullptr, date, 100);
    GetTimeFormatW(LOCALE_USER_DEFAULT, 0, &now, nullptr, time, 100);
    return CString(date) + L' ' + time;
}

// The two files settings are read from, each read once: the program folder's, which
// holds, and the profile's for keys it lacks.
struct CSettingsSources {
    CString programPath;
    CString profilePath;
    CIniSection program;
    CIniSection profile;

    static CSettingsSources Read() {
        CSettingsSources sources;
        sources.programPath = GetProgramFolderSettingsPath();
        sources.profilePath = GetProfileSettingsPath(false);
        sources.program = CIniSection::Read(sources.programPath, Section());
        sources.profile = CIniSection::Read(sources.profilePath, Section());
        return sources;
    }

    // The section of `file`, which is one of the two, or read now when it is not.
    CIniSection Of(const CString& file) const {
        if (file.CompareNoCase(programPath) == 0) return program;
        if (file.CompareNoCase(profilePath) == 0) return profile;
        return CIniSection::Read(file, Section());
    }

    int ReadInt(const wchar_t* key, int defaultValue) const {
        if (program.HasKey(key)) return program.ReadInt(key, defaultValue);
        return profile.ReadInt(key, defaultValue);
    }

    CString ReadString(const wchar_t* key, const wchar_t* defaultValue) const {
        CString value;
        if (program.ReadString(key, value) || profile.ReadString(key, value)) return value;
        return CString(defaultValue);
    }
};

// A number of the table read from either file, its default and range applied.
int LoadNumber(const CSettingKey& row, const CVXLSettingsBase& settings, const CSettingsSources& sources) {
    const int current = row.get(settings);
    int value = sources.ReadInt(row.key, row.loadDefault == kSettingCurrent ? current : row.loadDefault);
    if (row.clamped) {
        const long long compared = row.kind == CSettingKind::Dword ? static_cast<long long>(static_cast<DWORD>(value))
                                                                   : static_cast<long long>(value);
        if (compared < row.lowest || compared > row.highest)
            value = row.fallback == kSettingCurrent ? current : row.fallback;
    }
    return value;
}

bool HasSeveralKeyboardLayouts() {
    return GetInputLanguageInfo().GetKeyboardLayouts(64).size() > 1;
}

bool DetectVersionChanged() {
    CString programFile = GetProgramFolderSettingsPath();
    CString profileFile = GetProfileSettingsPath(false);
    if (!FileExists(programFile) && !FileExists(profileFile)) return true;
    wchar_t mark[100] = {};
    GetPrivateProfileStringW(Section(), kVersionKey, L"", mark, 100, programFile);
    if (!mark[0]) GetPrivateProfileStringW(Section(), kVersionKey, L"", mark, 100, profileFile);
    return CString(mark).CompareNoCase(kVersionMark) != 0;
}

struct LatestFoundCache {
    std::mutex lock;
    CString version;
};

LatestFoundCache& TheLatestFoundCache() {
    static LatestFoundCache cache;
    return cache;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Construction

CVXLSettingsBase::CVXLSettingsBase() : VersionChanged(true), FontForMenu{}, LanguageResolved(false) {
    for (const CSettingKey& row : kSettingKeys)
        if (row.set) row.set(*this, row.constructorDefault);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = kNonClientMetricsSizeXP;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, kNonClientMetricsSizeXP, &metrics, 0))
        FontForMenu = metrics.lfMenuFont;
    VersionChanged = DetectVersionChanged();
    InsertEncodeCommandIntoMenu = HasSeveralKeyboardLayouts();
}

CVXLSettingsBase::~CVXLSettingsBase() = default;

CVXLSettings::CVXLSettings() {
    ChooseDefaultLanguage();
}

CVXLSettings::~CVXLSettings() = default;

CVXLSettings& CVXLSettings::GetInstance() {
    static CVXLSettings* instance = [] {
        static CVXLSettings settings;
        settings.Load();
        return &settings;
    }();
    return *instance;
}

bool CVXLSettings::IsVersionChanged() const {
    return VersionChanged;
}

// ---------------------------------------------------------------------------------------
// Load and save

bool CVXLSettings::Load() {
    CString settingsFile = GetSettingsFilePath();
    const CSettingsSources sources = CSettingsSources::Read();
    const CIniSection settings = sources.Of(settingsFile);
    for (int index : kSettingsLoadOrder) {
        const CSettingKey& row = kSettingKeys[index];
        switch (row.kind) {
            case CSettingKind::Bool:
            case CSettingKind::Int:
            case CSettingKind::Dword:
                row.set(*this, LoadNumber(row, *this, sources));
                break;
            case CSettingKind::WriteLog:
                row.set(*this, ReadWriteLogSetting(row.loadDefault != 0, settings) ? 1 : 0);
                break;
            case CSettingKind::PhrasesFolder: {
                CString phrases = NormalizePhrasesFolder(sources.ReadString(row.key, L""));
                std::lock_guard<std::mutex> lock(m_stringLock);
                PhrasesDirectory = phrases;
                break;
            }
            case CSettingKind::Language: {
                CString language = ReadLanguageSetting(settings, GetLanguage());
                if (language.IsEmpty()) language = ReadLanguageSetting(sources.program, L"");
                if (language.IsEmpty()) language = ReadLanguageSetting(sources.profile, L"");
                std::lock_guard<std::mutex> lock(m_stringLock);
                Language = language;
                break;
            }
            case CSettingKind::Font: {
                LOGFONTW font = {};
                if (settings.ReadStruct(row.key, &font, sizeof font)) {
                    font.lfFaceName[LF_FACESIZE - 1] = 0;
                    FontForMenu = font;
                }
                break;
            }
            case CSettingKind::VersionMark:
                break;
        }
    }
    return true;
}

bool CVXLSettings::Save() {
    const CString file = GetSettingsFilePath();
    const wchar_t* bookkeeping = GetBookkeepingSectionName();
    bool ok = true;
    auto writeString = [&](const wchar_t* section, const wchar_t* key, const wchar_t* value) {
        ok = IniWriteString(file, section, key, value) && ok;
    };
    auto writeInt = [&](const wchar_t* key, int value) { ok = IniWriteInt(file, Section(), key, value) && ok; };
    auto storedPhrasesFolder = [this] {
        CString phrases;
        {
            std::lock_guard<std::mutex> lock(m_stringLock);
            phrases = PhrasesDirectory;
        }
        // An environment reference stays as the user wrote it: expanded, it would tie the
        // file to one profile; any other folder is stored relative to the program folder
        // when it lies inside it, so that a copy on a stick survives a new drive letter.
        if (phrases.Find(L'%') < 0) {
            phrases = GetPhrasesDirectory();
            if (phrases.CompareNoCase(DefaultPhrasesFolder()) == 0) {
                phrases.Empty();
            } else if (StartsWithNoCase(phrases, GetProgramFolder())) {
                phrases = phrases.Mid(GetProgramFolder().GetLength());
            }
        }
        phrases.TrimRight(L'\\');
        return phrases;
    };

    writeString(bookkeeping, L"WRITED_TO", file);
    writeString(bookkeeping, L"WRITED_WHO", FileNameOf(GetOwnExecutablePath()));
    writeString(bookkeeping, L"WRITED_WHEN", LocalDateTimeText());

    for (const CSettingKey& row : kSettingKeys) {
        switch (row.kind) {
            case CSettingKind::Bool:
            case CSettingKind::Int:
            case CSettingKind::Dword:
            case CSettingKind::WriteLog:
                writeInt(row.key, row.get(*this));
                break;
            case CSettingKind::VersionMark:
                writeString(Section(), row.key, kVersionMark);
                break;
            case CSettingKind::PhrasesFolder:
                writeString(Section(), row.key, storedPhrasesFolder());
                break;
            case CSettingKind::Font: {
                LOGFONTW font = FontForMenu;
                ok = WritePrivateProfileStructW(Section(), row.key, &font, sizeof font, file) && ok;
                break;
            }
            case CSettingKind::Language:
                break;
        }
    }

    if (!ok) LogError(L"CVXLSettings::Save: cannot write " + file);
    return ok;
}

// ---------------------------------------------------------------------------------------
// Getters with rules

DWORD CVXLSettings::GetMenuPerColValue() const {
    if (MenuPerCol_Value == 0) return 1;
    return MenuPerCol_Value > 100 ? 100 : MenuPerCol_Value;
}

DWORD CVXLSettings::GetDaysCheckForUpdates() const {
    if (DaysCheckForUpdates == 0) return 1;
    return DaysCheckForUpdates > 30 ? 30 : DaysCheckForUpdates;
}

void CVXLSettings::SetDaysCheckForUpdates(DWORD days) {
    DaysCheckForUpdates = days == 0 ? 1 : (days > 30 ? 30 : days);
}

DWORD CVXLSettings::GetAddLastUsedMenuToBeginCount() {
    if (AddLastUsedMenuToBegin_Count < 1 || AddLastUsedMenuToBegin_Count > 15) AddLastUsedMenuToBegin_Count = 5;
    return AddLastUsedMenuToBegin_Count;
}

int CVXLSettings::GetMaxHistoryItemsInMenu() const {
    return MaxHistoryItemsInMenu == 0 ? -1 : MaxHistoryItemsInMenu;
}

bool CVXLSettings::HasMaxHistoryItemsInMenu() const {
    return MaxHistoryItemsInMenu != 0;
}

int CVXLSettings::GetClipboardSpyMethod() const {
    if (ClipboardSpyMethod != -1) return ClipboardSpyMethod;
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    return user32 && GetProcAddress(user32, "AddClipboardFormatListener") ? 1 : 0;
}

int CVXLSettings::GetClipboardSpyMethodOption() const {
    return ClipboardSpyMethod;
}

bool CVXLSettings::GetExtMenuCommand(int index) const {
    return index >= 0 && index < 4 && ExtMenuCommand[index];
}

// ---------------------------------------------------------------------------------------
// Phrases folder and language

CString CVXLSettings::GetPhrasesDirectory() const {
    CString stored;
    {
        std::lock_guard<std::mutex> lock(m_stringLock);
        stored = PhrasesDirectory;
    }
    if (stored.IsEmpty()) return DefaultPhrasesFolder();
    // Expanded before the relative test: "%USERPROFILE%\Phrases" names no drive until then.
    CString folder = ExpandPathVars(stored);
    if (IsRelativeFolder(folder)) folder = GetProgramFolder() + folder.TrimLeft(L'\\');
    return WithTrailingBackslash(folder);
}

CString CVXLSettings::GetPhrasesDirectoryNoSlash() const {
    return GetPhrasesDirectory().TrimRight(L'\\');
}

bool CVXLSettings::IsPhrasesDirectoryDefault() const {
    std::lock_guard<std::mutex> lock(m_stringLock);
    return PhrasesDirectory.IsEmpty();
}

void CVXLSettings::SetPhrasesDirectory(const wchar_t* folder) {
    CString value = NormalizePhrasesFolder(CString(folder));
    std::lock_guard<std::mutex> lock(m_stringLock);
    PhrasesDirectory = value;
}

CString CVXLSettings::GetLanguage() const {
    std::lock_guard<std::mutex> lock(m_stringLock);
    return Language;
}

CString CVXLSettings::GetLanguageFilePath() {
    CString name;
    bool resolved;
    {
        std::lock_guard<std::mutex> lock(m_stringLock);
        name = Language;
        resolved = LanguageResolved;
    }
    if (!resolved) {
        name = ReadLanguageFromSettingsFile(name);
        std::lock_guard<std::mutex> lock(m_stringLock);
        Language = name;
        LanguageResolved = true;
    }
    return name.IsEmpty() ? CString() : GetProgramFolder() + name;
}

bool CVXLSettings::SetLanguage(const wchar_t* nameOrPath) {
    CString name(nameOrPath);
    if (name.Find(L'\\', 1) >= 0) name = FileNameOf(name);
    {
        std::lock_guard<std::mutex> lock(m_stringLock);
        Language = name;
        LanguageResolved = false;
    }
    bool ok = WriteLanguageSetting(name, GetSettingsFilePath());
    IniFlushCache();
    return ok;
}

void CVXLSettings::ChooseDefaultLanguage() {
    DWORD lastError = GetLastError();
    CString file = GetSettingsFilePath();
    if (!FileExists(file) || !IniKeyExists(file, Section(), L"Language")) {
        CString choice = GetRussianLngIfAvailable(VersionChanged);
        if (choice.IsEmpty()) choice = FindLanguageFileForInputLanguage();
        if (!choice.IsEmpty()) {
            std::lock_guard<std::mutex> lock(m_stringLock);
            Language = choice;
        }
    }
    SetLastError(lastError);
}

// ---------------------------------------------------------------------------------------
// Single keys

int CVXLSettings::ReadInt(const wchar_t* key, int defaultValue) {
    return CSettingsSources::Read().ReadInt(key, defaultValue);
}

CString CVXLSettings::ReadString(const wchar_t* key, const wchar_t* defaultValue) {
    return CSettingsSources::Read().ReadString(key, defaultValue);
}

bool CVXLSettings::WriteInt(int value, const wchar_t* key) {
    return WriteIntToSettingsFile(value, key, Section());
}

bool CVXLSettings::WriteString(const wchar_t* value, const wchar_t* key) {
    return WriteStringToSettingsFile(value, key, Section());
}

bool WriteStringToSettingsFile(const wchar_t* value, const wchar_t* key, const wchar_t* section) {
    return IniWriteString(GetSettingsFilePath(), section, key, value);
}

bool WriteIntToSettingsFile(int value, const wchar_t* key, const wchar_t* section) {
    return IniWriteInt(GetSettingsFilePath(), section, key, value);
}

// ---------------------------------------------------------------------------------------
// Times and positions

bool CVXLSettings::ReadSystemTimeKey(const wchar_t* key, SYSTEMTIME& time) {
    // A default that is no time (all bits set) lets the caller tell "never stored" apart.
    FILETIME defaults = {0xFFFFFFFFu, 0xFFFFFFFFu};
    FILETIME given;
    if (SystemTimeToFileTime(&time, &given)) defaults = given;
    CString name(key);
    FILETIME value;
    value.dwLowDateTime = static_cast<DWORD>(ReadInt(name + L"Low", static_cast<int>(defaults.dwLowDateTime)));
    value.dwHighDateTime = static_cast<DWORD>(ReadInt(name + L"Hi", static_cast<int>(defaults.dwHighDateTime)));
    SYSTEMTIME result;
    if (!FileTimeToSystemTime(&value, &result)) return false;
    time = result;
    return true;
}

bool CVXLSettings::WriteSystemTimeKey(const SYSTEMTIME& time, const wchar_t* key) {
    FILETIME value;
    if (!SystemTimeToFileTime(&time, &value)) return false;
    CString name(key);
    if (!WriteInt(static_cast<int>(value.dwLowDateTime), name + L"Low")) return false;
    return WriteInt(static_cast<int>(value.dwHighDateTime), name + L"Hi");
}

bool CVXLSettings::GetLastCheckForUpdates(SYSTEMTIME& time) {
    SYSTEMTIME stored = {};
    if (ReadSystemTimeKey(kLastCheckKey, stored)) {
        time = stored;
        return true;
    }
    SYSTEMTIME first = {};
    first.wYear = 2013;
    first.wMonth = 1;
    first.wDay = 1;
    first.wDayOfWeek = 2;
    WriteLastCheckForUpdates(first);
    time = first;
    return true;
}

bool CVXLSettings::GetLastCheckForUpdatesLocal(SYSTEMTIME& time) {
    SYSTEMTIME utc;
    GetLastCheckForUpdates(utc);
    FILETIME utcFile;
    FILETIME localFile;
    SYSTEMTIME local;
    if (SystemTimeToFileTime(&utc, &utcFile) && FileTimeToLocalFileTime(&utcFile, &localFile) &&
        FileTimeToSystemTime(&localFile, &local)) {
        time = local;
    } else {
        time = utc;
    }
    return true;
}

bool CVXLSettings::WriteLastCheckForUpdates(const SYSTEMTIME& time) {
    return WriteSystemTimeKey(time, kLastCheckKey);
}

bool CVXLSettings::ReadWindowPos(POINT& point, const wchar_t* name) {
    CString file = GetSettingsFilePath();
    CString prefix(name);
    point.x = IniReadInt(file, GetSettingsAgentSectionName(), prefix + L"_x", point.x);
    point.y = IniReadInt(file, GetSettingsAgentSectionName(), prefix + L"_y", point.y);
    return true;
}

bool CVXLSettings::WriteWindowPos(int x, int y, const wchar_t* name) {
    CString file = GetSettingsFilePath();
    CString prefix(name);
    IniWriteInt(file, GetSettingsAgentSectionName(), prefix + L"_x", x);
    IniWriteInt(file, GetSettingsAgentSectionName(), prefix + L"_y", y);
    return true;
}

// ---------------------------------------------------------------------------------------
// Free settings

int GetDefaultDelayInsertMilliseconds() {
    return 400;
}

int GetDefaultMaxHistoryItemsInMenu() {
    return kSettingKeys[SettingKeyRow(L"MaxHistoryItemsInMenu")].loadDefault;
}

int GetDelayInsertMilliseconds() {
    CString file = GetSettingsFilePath();
    int delay = IniReadInt(file, GetSettingsSectionName(), kDelayInsertKey, -1);
    if (delay != -1) return delay;
    delay = GetDefaultDelayInsertMilliseconds();
    IniWriteInt(file, GetSettingsSectionName(), kDelayInsertKey, delay);
    return delay;
}

CString GetLatestFoundCFUVersion() {
    LatestFoundCache& cache = TheLatestFoundCache();
    std::lock_guard<std::mutex> lock(cache.lock);
    if (cache.version.IsEmpty()) {
        CString programFile = GetProgramFolderSettingsPath();
        CString stored;
        if (IniKeyExists(programFile, GetBookkeepingSectionName(), kLatestFoundKey) &&
            IniReadString(programFile, GetBookkeepingSectionName(), kLatestFoundKey, stored))
            cache.version = stored;
        if (cache.version.IsEmpty()) cache.version = L"I unknow\x2026";
    }
    return cache.version;
}

void SetLatestFoundCFUVersion(const wchar_t* version) {
    LatestFoundCache& cache = TheLatestFoundCache();
    std::lock_guard<std::mutex> lock(cache.lock);
    cache.version = version;
    IniWriteString(GetProgramFolderSettingsPath(), GetBookkeepingSectionName(), kLatestFoundKey, version);
}

CString GetClipboardHistoryDirectory() {
    return GetProgramFolder() + L"ClipboardHistory";
}

CString ClipboardSpyMethodOptionsToStr(int method) {
    switch (method) {
        case -1:
            return L"Auto (CSMO_ADDCLIPBOARDLISTENER is available, or CSMO_SETCLIPBOARDVIEWER in other)";
        case 0:
            return L"CSMO_SETCLIPBOARDVIEWER";
        case 1:
            return L"CSMO_ADDCLIPBOARDLISTENER";
        default:
            return L"Cannot get ClipboardSpyMethodOptionsToStr";
    }
}
