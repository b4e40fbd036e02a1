// The main program's record of user options, kept in section "Settings" of
// "Settings.ini" (SettingsFile.h decides which of the two files). The phrase editor
// reads and writes the same keys, so key names, types and encodings are a file format.
//
// One process-wide instance, built and loaded on the first GetInstance call; the tray
// window loads it again when the editor may have changed the file, and the code that
// changes an option saves the whole record. A reload starts from the values in memory:
// a key that vanished from the file keeps its value wherever its load default is the
// current value.
//
// Threads: loads and changes happen on the UI thread; worker threads read the scalar
// fields directly and the strings only through the getters, which copy them under a
// lock so that a reload never hands out a half-replaced string.
#pragma once

#include <windows.h>

#include <mutex>

#include "core/base/CString.h"

// Every field; their defaults are in core/SettingsKeys.h, and the settings class adds the operations.
class CVXLSettingsBase {
public:
    CVXLSettingsBase();
    virtual ~CVXLSettingsBase();
    CVXLSettingsBase(const CVXLSettingsBase&) = delete;
    CVXLSettingsBase& operator=(const CVXLSettingsBase&) = delete;

    bool Pinned_FloatPane_On_Start;
    DWORD DaysCheckForUpdates;
    int ClipboardSpyMethod;
    bool WriteLog;
    // False only when a settings file carries the current version mark.
    bool VersionChanged;
    bool InsertEncodeCommandIntoMenu;
    DWORD AddLastUsedMenuToBegin_Count;
    bool ExtMenuCommand[4];
    bool ShowIconInAltTab_ForFP;
    DWORD MenuPerCol_Value;
    bool MenuPerCol_Enabled;
    bool ShowHistoryPaneOnStart;
    // Plain text, formatted text, bitmaps, Dorvane data, HTML.
    bool ClipboardFormats[5];
    // "Hotkey" holds the modifiers in its high 16 bits and the key in its low 16 bits.
    WORD HotkeyVk;
    WORD HotkeyModifiers;
    int ExtHotkey;
    bool Hotkey_Doubled;
    bool ClipboardHistory;
    int ClipboardHistoryMax;
    bool InsertCHIntoMenu;
    bool AutoCheckForUpdates;
    bool SoundOnEventsV094;
    DWORD DelayAutoLoadSeconds;
    bool MenuToolTips;
    bool AddLastUsedMenuToBegin;
    bool AppendCHAsSubMenu;
    int Sorting;
    int TextPasteMethod;
    DWORD PrintLTChars;
    bool ShowTrayBallonOnHotkey;
    LOGFONTW FontForMenu;
    bool SaveClipboardHistory;
    int MaxHistoryItemsInMenu;

protected:
    // The strings and the language's resolved mark: only under m_stringLock.
    mutable std::mutex m_stringLock;
    bool LanguageResolved;
    CString PhrasesDirectory;  // empty, relative to the program folder, or absolute; ends in "\"
    CString Language;          // file name of the UI language file; empty = built-in English
};

class CVXLSettings : public CVXLSettingsBase {
public:
    // Defaults, the version check and the first UI language; no load.
    CVXLSettings();
    ~CVXLSettings() override;

    // The process's one instance, loaded once on the first call.
    static CVXLSettings& GetInstance();

    virtual bool IsVersionChanged() const;

    // Always true: a missing file or key gives the defaults.
    bool Load();
    // Writes every key to the settings file; false when any write failed.
    bool Save();

    // Getters that apply rules.
    DWORD GetMenuPerColValue() const;         // 1..100
    DWORD GetDaysCheckForUpdates() const;     // 1..30
    void SetDaysCheckForUpdates(DWORD days);  // stored clamped to 1..30
    DWORD GetAddLastUsedMenuToBeginCount();   // 1..15; anything else becomes 5, also in the field
    int GetMaxHistoryItemsInMenu() const;     // -1 (no limit) when the value is 0
    bool HasMaxHistoryItemsInMenu() const;
    // -1 (automatic) resolved: 1 when user32 has AddClipboardFormatListener, else 0.
    int GetClipboardSpyMethod() const;
    int GetClipboardSpyMethodOption() const;
    bool GetExtMenuCommand(int index) const;  // false outside 0..3

    // The phrases folder as an absolute path with environment references expanded.
    CString GetPhrasesDirectory() const;
    CString GetPhrasesDirectoryNoSlash() const;
    bool IsPhrasesDirectoryDefault() const;
    // Empty or the default folder means the default; relative means under the program folder.
    void SetPhrasesDirectory(const wchar_t* folder);

    CString GetLanguage() const;
    // Program folder + the language file name, or empty for built-in English. The first
    // call after construction or SetLanguage reads "Language" from the settings file.
    CString GetLanguageFilePath();
    // Keeps only the file name, writes it to the settings file at once; false when
    // that write failed.
    bool SetLanguage(const wchar_t* nameOrPath);
    // Run by the constructor: a settings file that names a language keeps it; else
    // Russian on a first run with a Russian layout, else the file whose prefix is the
    // default input language, else built-in English.
    void ChooseDefaultLanguage();

    bool GetSaveClipboardHistory() const { return SaveClipboardHistory; }
    void SetSaveClipboardHistory(bool value) { SaveClipboardHistory = value; }
    bool GetPinnedFloatPaneOnStart() const { return Pinned_FloatPane_On_Start; }
    void SetPinnedFloatPaneOnStart(bool value) { Pinned_FloatPane_On_Start = value; }
    void SetWriteLog(bool value) { WriteLog = value; }
    bool GetShowIconInAltTabForFP() const { return ShowIconInAltTab_ForFP; }
    bool GetMenuPerColEnabled() const { return MenuPerCol_Enabled; }

    // Single keys of section "Settings". Reads take the program-folder file when it has
    // the key (exact case; for strings: a non-empty value), else the profile file.
    // Strings are cut to 259 characters; an empty one counts as missing.
    static int ReadInt(const wchar_t* key, int defaultValue);
    static CString ReadString(const wchar_t* key, const wchar_t* defaultValue);
    // Writes go to the settings file; true when the platform call succeeded.
    static bool WriteInt(int value, const wchar_t* key);
    static bool WriteString(const wchar_t* value, const wchar_t* key);

    // The last update check (UTC). A time never stored becomes 1 January 2013, which
    // is written back.
    static bool GetLastCheckForUpdates(SYSTEMTIME& time);
    static bool GetLastCheckForUpdatesLocal(SYSTEMTIME& time);
    static bool WriteLastCheckForUpdates(const SYSTEMTIME& time);
    // A time as the two signed halves of its FILETIME, keys key + "Low" and key + "Hi".
    // The read uses the given time as default; false when the result is no valid time.
    static bool ReadSystemTimeKey(const wchar_t* key, SYSTEMTIME& time);
    // Writes the high half only after the low half; true when both were written.
    static bool WriteSystemTimeKey(const SYSTEMTIME& time, const wchar_t* key);

    // Window positions in section "Settings_Agent" (name + "_x", name + "_y").
    static bool ReadWindowPos(POINT& point, const wchar_t* name);
    static bool WriteWindowPos(int x, int y, const wchar_t* name);
};

// Writers of any section of the settings file; true when the platform call succeeded.
bool WriteStringToSettingsFile(const wchar_t* value, const wchar_t* key, const wchar_t* section);
bool WriteIntToSettingsFile(int value, const wchar_t* key, const wchar_t* section);

// The delay before the simulated Ctrl+V; a missing value is written as the default.
int GetDelayInsertMilliseconds();
int GetDefaultDelayInsertMilliseconds();  // 400
int GetDefaultMaxHistoryItemsInMenu();    // 15

// The newest version an update check found, kept in the program-folder file and
// cached for the process; "I unknow…" when none is known.
CString GetLatestFoundCFUVersion();
// Null or empty forgets the cached text.
void SetLatestFoundCFUVersion(const wchar_t* version);

// Program folder + "ClipboardHistory", no trailing "\".
CString GetClipboardHistoryDirectory();

// The log text of a clipboard watch method (-1, 0, 1).
CString ClipboardSpyMethodOptionsToStr(int method);
