#include "core/Settings.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "core/SettingsFile.h"
#include "core/base/IniFile.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

using Field = std::function<long long(CVXLSettings&)>;

// Every value the record loads and saves, by name, so that two records can be compared.
std::vector<std::pair<std::string, long long>> Snapshot(CVXLSettings& s) {
    std::vector<std::pair<std::string, long long>> v = {
        {"MenuPerCol_Enabled", s.MenuPerCol_Enabled},
        {"MenuPerCol_Value", s.MenuPerCol_Value},
        {"ShowIconInAltTab_ForFP", s.ShowIconInAltTab_ForFP},
        {"Pinned_FloatPane_On_Start", s.Pinned_FloatPane_On_Start},
        {"ShowHistoryPaneOnStart", s.ShowHistoryPaneOnStart},
        {"HotkeyVk", s.HotkeyVk},
        {"HotkeyModifiers", s.HotkeyModifiers},
        {"ExtHotkey", s.ExtHotkey},
        {"Hotkey_Doubled", s.Hotkey_Doubled},
        {"Sorting", s.Sorting},
        {"ClipboardHistory", s.ClipboardHistory},
        {"ClipboardHistoryMax", s.ClipboardHistoryMax},
        {"InsertCHIntoMenu", s.InsertCHIntoMenu},
        {"AutoCheckForUpdates", s.AutoCheckForUpdates},
        {"DaysCheckForUpdates", s.DaysCheckForUpdates},
        {"SoundOnEventsV094", s.SoundOnEventsV094},
        {"MenuToolTips", s.MenuToolTips},
        {"DelayAutoLoadSeconds", s.DelayAutoLoadSeconds},
        {"WriteLog", s.WriteLog},
        {"SaveClipboardHistory", s.SaveClipboardHistory},
        {"MaxHistoryItemsInMenu", s.MaxHistoryItemsInMenu},
        {"AppendCHAsSubMenu", s.AppendCHAsSubMenu},
        {"TextPasteMethod", s.TextPasteMethod},
        {"ClipboardSpyMethod", s.ClipboardSpyMethod},
        {"InsertEncodeCommandIntoMenu", s.InsertEncodeCommandIntoMenu},
        {"AddLastUsedMenuToBegin", s.AddLastUsedMenuToBegin},
        {"AddLastUsedMenuToBegin_Count", s.AddLastUsedMenuToBegin_Count},
        {"ShowTrayBallonOnHotkey", s.ShowTrayBallonOnHotkey},
        {"PrintLTChars", s.PrintLTChars},
        {"FontForMenu.lfHeight", s.FontForMenu.lfHeight},
        {"FontForMenu.lfWeight", s.FontForMenu.lfWeight},
        {"FontForMenu.lfItalic", s.FontForMenu.lfItalic},
    };
    for (int i = 0; i < 5; ++i) v.emplace_back("ClipboardFormats" + std::to_string(i), s.ClipboardFormats[i]);
    for (int i = 0; i < 4; ++i) v.emplace_back("ExtMenuCommand" + std::to_string(i), s.ExtMenuCommand[i]);
    return v;
}

// Section headers as "[name]" and key names, in file order.
std::vector<std::wstring> SectionsAndKeys(const std::wstring& text) {
    std::vector<std::wstring> items;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find(L"\r\n", start);
        if (end == std::wstring::npos) end = text.size();
        std::wstring line = text.substr(start, end - start);
        if (!line.empty() && line[0] == L'[') {
            items.push_back(line);
        } else if (!line.empty()) {
            items.push_back(line.substr(0, line.find(L'=')));
        }
        start = end + 2;
    }
    return items;
}

std::wstring ValueOf(const std::wstring& text, const std::wstring& key) {
    size_t at = text.find(L"\r\n" + key + L"=");
    if (at == std::wstring::npos) return L"<missing>";
    at += key.size() + 3;
    return text.substr(at, text.find(L"\r\n", at) - at);
}

struct ReaderContext {
    CVXLSettings* settings = nullptr;
    CString a;
    CString b;
    volatile LONG stop = 0;
    volatile LONG reads = 0;
    volatile LONG torn = 0;
};

DWORD WINAPI ReadPhrasesFolderUntilStopped(void* parameter) {
    ReaderContext& c = *static_cast<ReaderContext*>(parameter);
    while (!c.stop) {
        CString folder = c.settings->GetPhrasesDirectoryNoSlash();
        if (folder != c.a && folder != c.b) InterlockedIncrement(&c.torn);
        InterlockedIncrement(&c.reads);
    }
    return 0;
}

void SetKey(const CString& file, const wchar_t* key, const wchar_t* value) {
    ASSERT_TRUE(WritePrivateProfileStringW(L"Settings", key, value, file));
}

}  // namespace

// A new installation starts from an empty file: the load defaults, which differ from
// the constructor's in two places, must be what the program runs with.
TEST(Settings, EmptyFileGivesTheLoadDefaults) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    ASSERT_TRUE(FileExists(folders.ProgramFile())) << "the constructor builds the program-folder file";
    EXPECT_EQ(2u, s.PrintLTChars);
    EXPECT_FALSE(s.SaveClipboardHistory);
    EXPECT_TRUE(s.Load());

    struct {
        const char* name;
        long long actual;
        long long expected;
    } const rows[] = {
        {"VersionChanged", s.IsVersionChanged(), 1},
        {"PrintLTChars", s.PrintLTChars, 100},
        {"SaveClipboardHistory", s.SaveClipboardHistory, 1},
        {"HotkeyVk", s.HotkeyVk, VK_RETURN},
        {"HotkeyModifiers", s.HotkeyModifiers, MOD_ALT | MOD_CONTROL},
        {"MenuPerCol_Value", s.GetMenuPerColValue(), 15},
        {"DaysCheckForUpdates", s.GetDaysCheckForUpdates(), 7},
        {"AddLastUsedMenuToBegin_Count", s.GetAddLastUsedMenuToBeginCount(), 5},
        {"DelayAutoLoadSeconds", s.DelayAutoLoadSeconds, 30},
        {"MaxHistoryItemsInMenu", s.GetMaxHistoryItemsInMenu(), 15},
        {"ClipboardSpyMethod", s.GetClipboardSpyMethodOption(), -1},
        {"ClipboardHistoryMax", s.ClipboardHistoryMax, 30},
        {"Sorting", s.Sorting, 1},
        {"TextPasteMethod", s.TextPasteMethod, 0},
        {"ShowHistoryPaneOnStart", s.ShowHistoryPaneOnStart, 1},
        {"Pinned_FloatPane_On_Start", s.Pinned_FloatPane_On_Start, 0},
        {"WriteLog", s.WriteLog, 0},
        {"InsertEncodeCommandIntoMenu (one layout)", s.InsertEncodeCommandIntoMenu, 0},
        {"ClipboardFormats2 (bitmaps)", s.ClipboardFormats[2], 0},
        {"ClipboardFormats4 (HTML)", s.ClipboardFormats[4], 1},
        {"ExtMenuCommand3", s.GetExtMenuCommand(3), 1},
        {"ExtMenuCommand4 (no such index)", s.GetExtMenuCommand(4), 0},
        {"IsPhrasesDirectoryDefault", s.IsPhrasesDirectoryDefault(), 1},
    };
    for (const auto& row : rows) EXPECT_EQ(row.expected, row.actual) << row.name;
    EXPECT_EQ(W(folders.programFolder + L"UserPhrases\\"), W(s.GetPhrasesDirectory()));
    EXPECT_EQ(std::wstring(), W(s.GetLanguage()));
}

// A reload after the editor ended starts from memory: keys whose load default is the
// current value keep it when the file lost them, the others fall back to fixed values.
TEST(Settings, ReloadKeepsCurrentValuesOnlyWhereTheDefaultIsCurrent) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    s.Load();
    s.HotkeyVk = VK_F7;
    s.HotkeyModifiers = MOD_SHIFT;
    s.Sorting = 4;
    s.ClipboardHistoryMax = 77;
    s.Hotkey_Doubled = true;
    s.ClipboardFormats[0] = false;
    s.ExtMenuCommand[1] = false;
    s.PrintLTChars = 640;
    s.SaveClipboardHistory = false;
    s.MenuPerCol_Value = 40;
    s.ExtHotkey = 9;
    s.ClipboardSpyMethod = 0;
    s.MaxHistoryItemsInMenu = 3;
    s.WriteLog = true;
    s.Load();

    struct {
        const char* name;
        long long actual;
        long long expected;
    } const rows[] = {
        {"HotkeyVk kept", s.HotkeyVk, VK_F7},
        {"HotkeyModifiers kept", s.HotkeyModifiers, MOD_SHIFT},
        {"Sorting kept", s.Sorting, 4},
        {"ClipboardHistoryMax kept", s.ClipboardHistoryMax, 77},
        {"Hotkey_Doubled kept", s.Hotkey_Doubled, 1},
        {"ClipboardFormats0 kept", s.ClipboardFormats[0], 0},
        {"ExtMenuCommand1 kept", s.ExtMenuCommand[1], 0},
        {"PrintLTChars reset", s.PrintLTChars, 100},
        {"SaveClipboardHistory reset", s.SaveClipboardHistory, 1},
        {"MenuPerCol_Value reset", s.MenuPerCol_Value, 15},
        {"ExtHotkey reset", s.ExtHotkey, 0},
        {"ClipboardSpyMethod reset", s.ClipboardSpyMethod, -1},
        {"MaxHistoryItemsInMenu reset", s.MaxHistoryItemsInMenu, 15},
        {"WriteLog reset", s.WriteLog, 0},
    };
    for (const auto& row : rows) EXPECT_EQ(row.expected, row.actual) << row.name;
}

TEST(Settings, StoredValuesAreClampedOnLoadOrByTheirGetter) {
    struct Row {
        const wchar_t* key;
        const wchar_t* stored;
        const char* what;
        Field value;
        long long expected;
    };
    const Field count = [](CVXLSettings& s) { return s.AddLastUsedMenuToBegin_Count; };
    const Field delay = [](CVXLSettings& s) { return s.DelayAutoLoadSeconds; };
    const Field paste = [](CVXLSettings& s) { return s.TextPasteMethod; };
    const Field chars = [](CVXLSettings& s) { return s.PrintLTChars; };
    const Field maxItems = [](CVXLSettings& s) { return s.MaxHistoryItemsInMenu; };
    const Field maxItemsGetter = [](CVXLSettings& s) { return s.GetMaxHistoryItemsInMenu(); };
    const Field perCol = [](CVXLSettings& s) { return s.GetMenuPerColValue(); };
    const Field days = [](CVXLSettings& s) { return s.GetDaysCheckForUpdates(); };
    const Field daysField = [](CVXLSettings& s) { return s.DaysCheckForUpdates; };
    const Row rows[] = {
        {L"AddLastUsedMenuToBegin_Count", L"0", "field", count, 5},
        {L"AddLastUsedMenuToBegin_Count", L"16", "field", count, 5},
        {L"AddLastUsedMenuToBegin_Count", L"-1", "field", count, 5},
        {L"AddLastUsedMenuToBegin_Count", L"15", "field", count, 15},
        {L"DelayAutoLoadSeconds_NextRelease", L"-5", "field", delay, 600},
        {L"DelayAutoLoadSeconds_NextRelease", L"601", "field", delay, 600},
        {L"DelayAutoLoadSeconds_NextRelease", L"600", "field", delay, 600},
        {L"DelayAutoLoadSeconds_NextRelease", L"0", "field", delay, 0},
        {L"TextPasteMethod_v150", L"3", "field", paste, 0},
        {L"TextPasteMethod_v150", L"-1", "field", paste, 0},
        {L"TextPasteMethod_v150", L"2", "field", paste, 2},
        {L"PrintLTChars", L"1001", "field", chars, 100},
        {L"PrintLTChars", L"1000", "field", chars, 1000},
        {L"PrintLTChars", L"0", "field", chars, 100},
        {L"PrintLTChars", L"-3", "field", chars, 100},
        {L"MaxHistoryItemsInMenu", L"-1", "field keeps the previous value", maxItems, 15},
        {L"MaxHistoryItemsInMenu", L"0", "field", maxItems, 0},
        {L"MaxHistoryItemsInMenu", L"0", "getter: no limit", maxItemsGetter, -1},
        {L"MaxHistoryItemsInMenu", L"40", "getter", maxItemsGetter, 40},
        {L"MenuPerCol_Value", L"0", "getter", perCol, 1},
        {L"MenuPerCol_Value", L"101", "getter", perCol, 100},
        {L"MenuPerCol_Value", L"-1", "getter (unsigned)", perCol, 100},
        {L"MenuPerCol_Value", L"100", "getter", perCol, 100},
        {L"DaysCheckForUpdates", L"0", "getter", days, 1},
        {L"DaysCheckForUpdates", L"45", "getter", days, 30},
        {L"DaysCheckForUpdates", L"45", "field is not clamped on load", daysField, 45},
    };
    for (const Row& row : rows) {
        CTempSettingsFolders folders;
        ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(),
                                   (std::wstring(L"[Settings]\r\n") + row.key + L"=" + row.stored + L"\r\n").c_str()));
        CVXLSettings s;
        s.Load();
        EXPECT_EQ(row.expected, row.value(s))
            << "key " << std::wstring(row.key) << "=" << std::wstring(row.stored) << ", " << row.what;
    }
}

TEST(Settings, SetDaysCheckForUpdatesStoresTheClampedValue) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    const struct {
        DWORD given;
        DWORD stored;
    } rows[] = {{45, 30}, {0, 1}, {30, 30}, {1, 1}, {12, 12}};
    for (const auto& row : rows) {
        s.SetDaysCheckForUpdates(row.given);
        EXPECT_EQ(row.stored, s.DaysCheckForUpdates) << row.given;
    }
}

TEST(Settings, HotkeyIsSplitIntoKeyAndModifiersAndJoinedAgainOnSave) {
    const struct {
        const wchar_t* stored;
        WORD vk;
        WORD modifiers;
    } rows[] = {
        {L"196621", VK_RETURN, MOD_ALT | MOD_CONTROL},
        {L"786497", L'A', MOD_SHIFT | MOD_WIN},
        {L"123", VK_F12, 0},
    };
    for (const auto& row : rows) {
        CTempSettingsFolders folders;
        ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(),
                                   (std::wstring(L"[Settings]\r\nHotkey=") + row.stored + L"\r\n").c_str()));
        CVXLSettings s;
        s.Load();
        EXPECT_EQ(row.vk, s.HotkeyVk) << std::wstring(row.stored);
        EXPECT_EQ(row.modifiers, s.HotkeyModifiers) << std::wstring(row.stored);
        ASSERT_TRUE(s.Save());
        EXPECT_EQ(std::wstring(row.stored), ValueOf(ReadUtf16File(folders.ProgramFile()), L"Hotkey"));
    }
}

// Ints: the program-folder file answers when it has the key, spelled in the same case;
// strings: when it has a non-empty value. Otherwise the profile file answers.
TEST(Settings, ProgramFolderFileTakesPrecedenceKeyByKey) {
    const struct {
        const wchar_t* programFile;
        const wchar_t* profileFile;
        int expectedSorting;
        const wchar_t* expectedPhrases;
    } rows[] = {
        {L"[Settings]\r\nSorting=5\r\nPhrasesDirectory=D:\\A\r\n",
         L"[Settings]\r\nSorting=7\r\nPhrasesDirectory=D:\\B\r\n", 5, L"D:\\A\\"},
        {L"[Settings]\r\nsorting=5\r\nPhrasesDirectory=\r\n", L"[Settings]\r\nSorting=7\r\nPhrasesDirectory=D:\\B\r\n",
         7, L"D:\\B\\"},
        {L"[Settings]\r\nSorting=0\r\n", L"[Settings]\r\nSorting=7\r\n", 0, nullptr},
        {L"[Settings]\r\n", L"[Settings]\r\nSorting=7\r\nPhrasesDirectory=D:\\B\r\n", 7, L"D:\\B\\"},
    };
    for (const auto& row : rows) {
        CTempSettingsFolders folders;
        ASSERT_TRUE(CreateDirectoryW(folders.DataFolder(), nullptr));
        ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(), row.programFile));
        ASSERT_TRUE(WriteUtf16File(folders.ProfileFile(), row.profileFile));
        CVXLSettings s;
        s.Load();
        EXPECT_EQ(row.expectedSorting, s.Sorting) << std::wstring(row.programFile);
        CString expectedPhrases =
            row.expectedPhrases ? CString(row.expectedPhrases) : folders.programFolder + L"UserPhrases\\";
        EXPECT_EQ(W(expectedPhrases), W(s.GetPhrasesDirectory())) << std::wstring(row.programFile);
    }
}

TEST(Settings, StringsAreCutTo259CharactersAndAnEmptyOneIsMissing) {
    CTempSettingsFolders folders;
    std::wstring longValue(300, L'x');
    ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(),
                               (L"[Settings]\r\nDirectoryForSave=" + longValue + L"\r\nEmptyKey=\r\n").c_str()));
    EXPECT_EQ(longValue.substr(0, 259), W(CVXLSettings::ReadString(L"DirectoryForSave", L"default")));
    EXPECT_EQ(L"default", W(CVXLSettings::ReadString(L"EmptyKey", L"default")));
    EXPECT_EQ(L"default", W(CVXLSettings::ReadString(L"NoSuchKey", L"default")));
}

// The file is written as UTF-16 from its first byte: as ANSI, every character outside
// the code page in the folder, the path of the file or the language would become "?".
TEST(Settings, TextsOutsideTheCodePageSurviveSaveAndLoad) {
    CTempSettingsFolders folders(L"vxl_\x043D\x0430\x0441\x0442\x0440\x043E\x0439\x043A\x0438");
    const wchar_t* phrases = L"D:\\\x0424\x0440\x0430\x0437\x044B\\\x041C\x043E\x0438 \x0444\x0440\x0430\x0437\x044B";
    const wchar_t* language = L"\x0420\x0443\x0441\x0441\x043A\x0438\x0439.lng";
    {
        CVXLSettings s;
        s.SetPhrasesDirectory(phrases);
        ASSERT_TRUE(s.SetLanguage(language));
        ASSERT_TRUE(s.Save());
    }
    std::string bytes = ReadFileBytes(folders.ProgramFile());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));

    CVXLSettings loaded;
    loaded.Load();
    EXPECT_EQ(std::wstring(phrases) + L"\\", W(loaded.GetPhrasesDirectory()));
    EXPECT_EQ(std::wstring(language), W(loaded.GetLanguage()));
    EXPECT_EQ(W(folders.programFolder + language), W(loaded.GetLanguageFilePath()));
    EXPECT_EQ(W(folders.ProgramFile()), ValueOf(ReadUtf16File(folders.ProgramFile()), L"WRITED_TO"));
}

TEST(Settings, SaveWritesEveryKeyInItsOrderAfterTheBookkeepingSection) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    ASSERT_TRUE(s.Save());
    std::wstring text = ReadUtf16File(folders.ProgramFile());
    ASSERT_FALSE(text.empty()) << "the file must be UTF-16 with its byte-order mark";

    const std::vector<std::wstring> expected = {
        L"[A_SETTINGS]",
        L"WRITED_TO",
        L"WRITED_WHO",
        L"WRITED_WHEN",
        L"[Settings]",
        L"MenuPerCol_Enabled",
        L"MenuPerCol_Value",
        L"ShowIconInAltTab_ForFP",
        L"VXLVersion",
        L"PhrasesDirectory",
        L"Pinned_FloatPane_On_Start",
        L"ShowHistoryPaneOnStart",
        L"Hotkey",
        L"ExtHotkey",
        L"Hotkey_Doubled",
        L"Sorting",
        L"ClipboardHistory",
        L"ClipboardHistoryMax",
        L"InsertCHIntoMenu",
        L"AutoCheckForUpdates",
        L"DaysCheckForUpdates",
        L"SoundOnEventsV094",
        L"MenuToolTips_V0_94_A22",
        L"DelayAutoLoadSeconds_NextRelease",
        L"WriteLog",
        L"SaveClipboardHistory_v198",
        L"MaxHistoryItemsInMenu",
        L"AppendCHAsSubMenu_ForV140",
        L"TextPasteMethod_v150",
        L"ClipboardSpyMethod_v2_22",
        L"InsertEncodeCommandIntoMenu",
        L"AddLastUsedMenuToBegin",
        L"AddLastUsedMenuToBegin_Count",
        L"ShowTrayBallonOnHotkey",
        L"PrintLTChars",
        L"ClipboardFormats0",
        L"ClipboardFormats1",
        L"ClipboardFormats2",
        L"ClipboardFormats3",
        L"ClipboardFormats4",
        L"FontForMenu",
        L"ExtMenuCommand__EditSetting",
        L"ExtMenuCommand__SaveSelAsPhrase",
        L"ExtMenuCommand__SUPPORT",
        L"ExtMenuCommand__ShowFloatPane",
    };
    EXPECT_EQ(expected, SectionsAndKeys(text));

    wchar_t exe[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, exe, MAX_PATH);
    std::wstring exeName(exe);
    exeName = exeName.substr(exeName.rfind(L'\\') + 1);
    EXPECT_EQ(W(folders.ProgramFile()), ValueOf(text, L"WRITED_TO"));
    EXPECT_EQ(exeName, ValueOf(text, L"WRITED_WHO"));
    EXPECT_FALSE(ValueOf(text, L"WRITED_WHEN").empty());
    EXPECT_EQ(L"VXL_150", ValueOf(text, L"VXLVersion"));
    EXPECT_EQ(L"", ValueOf(text, L"PhrasesDirectory"));
    EXPECT_EQ(L"196621", ValueOf(text, L"Hotkey"));
    // Written as held: the constructor's 2, not the 100 a load would give.
    EXPECT_EQ(L"2", ValueOf(text, L"PrintLTChars"));
    // 92 bytes as hexadecimal digits and a checksum byte.
    EXPECT_EQ(186u, ValueOf(text, L"FontForMenu").size());
}

// A fresh record is saved with the constructor's values and, after a load from an empty
// file, with the load defaults: each key's two defaults as a new installation writes them.
TEST(Settings, SaveWritesTheConstructorAndTheLoadDefaultOfEveryKey) {
    struct Row {
        const wchar_t* key;
        const wchar_t* constructed;
        const wchar_t* loaded;
    };
    const Row rows[] = {
        {L"MenuPerCol_Enabled", L"0", L"0"},
        {L"MenuPerCol_Value", L"15", L"15"},
        {L"ShowIconInAltTab_ForFP", L"1", L"1"},
        {L"VXLVersion", L"VXL_150", L"VXL_150"},
        {L"PhrasesDirectory", L"", L""},
        {L"Pinned_FloatPane_On_Start", L"0", L"0"},
        {L"ShowHistoryPaneOnStart", L"1", L"1"},
        {L"Hotkey", L"196621", L"196621"},
        {L"ExtHotkey", L"0", L"0"},
        {L"Hotkey_Doubled", L"0", L"0"},
        {L"Sorting", L"1", L"1"},
        {L"ClipboardHistory", L"1", L"1"},
        {L"ClipboardHistoryMax", L"30", L"30"},
        {L"InsertCHIntoMenu", L"1", L"1"},
        {L"AutoCheckForUpdates", L"1", L"1"},
        {L"DaysCheckForUpdates", L"7", L"7"},
        {L"SoundOnEventsV094", L"1", L"1"},
        {L"MenuToolTips_V0_94_A22", L"1", L"1"},
        {L"DelayAutoLoadSeconds_NextRelease", L"30", L"30"},
        {L"WriteLog", L"0", L"0"},
        {L"SaveClipboardHistory_v198", L"0", L"1"},
        {L"MaxHistoryItemsInMenu", L"15", L"15"},
        {L"AppendCHAsSubMenu_ForV140", L"0", L"0"},
        {L"TextPasteMethod_v150", L"0", L"0"},
        {L"ClipboardSpyMethod_v2_22", L"-1", L"-1"},
        {L"InsertEncodeCommandIntoMenu", L"0", L"0"},  // one keyboard layout
        {L"AddLastUsedMenuToBegin", L"1", L"1"},
        {L"AddLastUsedMenuToBegin_Count", L"5", L"5"},
        {L"ShowTrayBallonOnHotkey", L"1", L"1"},
        {L"PrintLTChars", L"2", L"100"},
        {L"ClipboardFormats0", L"1", L"1"},
        {L"ClipboardFormats1", L"1", L"1"},
        {L"ClipboardFormats2", L"0", L"0"},
        {L"ClipboardFormats3", L"1", L"1"},
        {L"ClipboardFormats4", L"1", L"1"},
        {L"ExtMenuCommand__EditSetting", L"1", L"1"},
        {L"ExtMenuCommand__SaveSelAsPhrase", L"1", L"1"},
        {L"ExtMenuCommand__SUPPORT", L"1", L"1"},
        {L"ExtMenuCommand__ShowFloatPane", L"1", L"1"},
    };
    for (bool load : {false, true}) {
        CTempSettingsFolders folders;
        CVXLSettings s;
        if (load) s.Load();
        ASSERT_TRUE(s.Save());
        const std::wstring text = ReadUtf16File(folders.ProgramFile());
        for (const Row& row : rows)
            EXPECT_EQ(std::wstring(load ? row.loaded : row.constructed), ValueOf(text, row.key))
                << std::wstring(row.key) << (load ? " after a load" : " as constructed");
    }
}

// Every key the save writes must come back under the same name on the next load.
TEST(Settings, EveryValueSurvivesSaveAndLoad) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    s.Load();
    s.MenuPerCol_Enabled = true;
    s.MenuPerCol_Value = 42;
    s.ShowIconInAltTab_ForFP = false;
    s.Pinned_FloatPane_On_Start = true;
    s.ShowHistoryPaneOnStart = false;
    s.HotkeyVk = L'K';
    s.HotkeyModifiers = MOD_SHIFT | MOD_WIN;
    s.ExtHotkey = 77;
    s.Hotkey_Doubled = true;
    s.Sorting = 3;
    s.ClipboardHistory = false;
    s.ClipboardHistoryMax = 55;
    s.InsertCHIntoMenu = false;
    s.AutoCheckForUpdates = false;
    s.DaysCheckForUpdates = 12;
    s.SoundOnEventsV094 = false;
    s.MenuToolTips = false;
    s.DelayAutoLoadSeconds = 120;
    s.WriteLog = true;
    s.SaveClipboardHistory = false;
    s.MaxHistoryItemsInMenu = 9;
    s.AppendCHAsSubMenu = true;
    s.TextPasteMethod = 2;
    s.ClipboardSpyMethod = 0;
    s.InsertEncodeCommandIntoMenu = !s.InsertEncodeCommandIntoMenu;
    s.AddLastUsedMenuToBegin = false;
    s.AddLastUsedMenuToBegin_Count = 11;
    s.ShowTrayBallonOnHotkey = false;
    s.PrintLTChars = 500;
    for (bool& on : s.ClipboardFormats) on = !on;
    for (bool& on : s.ExtMenuCommand) on = !on;
    s.FontForMenu = LOGFONTW{};
    s.FontForMenu.lfHeight = -13;
    s.FontForMenu.lfWeight = FW_BOLD;
    s.FontForMenu.lfItalic = TRUE;
    wcscpy(s.FontForMenu.lfFaceName, L"Tahoma");
    s.SetPhrasesDirectory(folders.programFolder + L"Mine\\Phrases");
    ASSERT_TRUE(s.Save());

    CVXLSettings loaded;
    loaded.Load();
    EXPECT_EQ(Snapshot(s), Snapshot(loaded));
    EXPECT_EQ(0, std::memcmp(&s.FontForMenu, &loaded.FontForMenu, sizeof(LOGFONTW)));
    EXPECT_EQ(W(folders.programFolder + L"Mine\\Phrases\\"), W(loaded.GetPhrasesDirectory()));
    EXPECT_FALSE(loaded.IsVersionChanged()) << "a saved file carries the version mark";
}

TEST(Settings, DamagedFontKeepsTheFontInMemory) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    LOGFONTW before = s.FontForMenu;
    SetKey(folders.ProgramFile(), L"FontForMenu", L"0102030405");
    s.Load();
    EXPECT_EQ(0, std::memcmp(&before, &s.FontForMenu, sizeof(LOGFONTW)));
}

// A relative folder lives under the program folder; the default folder is kept as an
// empty value; environment references are expanded for use and kept for the file.
TEST(Settings, PhrasesFolderIsResolvedAndStoredRelativeWherePossible) {
    SetEnvironmentVariableW(L"VXL_TEST_PHRASES_ROOT", L"E:\\Data");
    const struct {
        const wchar_t* given;   // "<pf>" stands for the program folder
        const wchar_t* folder;  // GetPhrasesDirectory
        const wchar_t* stored;  // "PhrasesDirectory" after a save
        bool isDefault;
    } rows[] = {
        {L"", L"<pf>UserPhrases\\", L"", true},
        {L"<pf>userphrases", L"<pf>UserPhrases\\", L"", true},
        {L"Phrases", L"<pf>Phrases\\", L"Phrases", false},
        {L"<pf>Sub\\Dir\\", L"<pf>Sub\\Dir\\", L"Sub\\Dir", false},
        {L"D:\\Other", L"D:\\Other\\", L"D:\\Other", false},
        {L"\\\\server\\share\\p", L"\\\\server\\share\\p\\", L"\\\\server\\share\\p", false},
        {L"%VXL_TEST_PHRASES_ROOT%\\x", L"E:\\Data\\x\\", L"%VXL_TEST_PHRASES_ROOT%\\x", false},
    };
    for (const auto& row : rows) {
        CTempSettingsFolders folders;
        auto expand = [&](const wchar_t* text) {
            CString value(text);
            value.Replace(L"<pf>", folders.programFolder);
            return value;
        };
        CVXLSettings s;
        s.SetPhrasesDirectory(expand(row.given));
        EXPECT_EQ(W(expand(row.folder)), W(s.GetPhrasesDirectory())) << std::wstring(row.given);
        EXPECT_EQ(row.isDefault, s.IsPhrasesDirectoryDefault()) << std::wstring(row.given);
        ASSERT_TRUE(s.Save());
        EXPECT_EQ(W(expand(row.stored)), ValueOf(ReadUtf16File(folders.ProgramFile()), L"PhrasesDirectory"))
            << std::wstring(row.given);
        CVXLSettings loaded;
        loaded.Load();
        EXPECT_EQ(W(expand(row.folder)), W(loaded.GetPhrasesDirectory())) << std::wstring(row.given);
    }
    SetEnvironmentVariableW(L"VXL_TEST_PHRASES_ROOT", nullptr);
}

TEST(Settings, SetLanguageKeepsTheFileNameAndWritesItAtOnce) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    s.Load();
    EXPECT_EQ(L"", W(s.GetLanguageFilePath())) << "built-in English has no file";
    ASSERT_TRUE(s.SetLanguage(L"C:\\Somewhere\\Else\\German.lng"));
    EXPECT_EQ(L"German.lng", W(s.GetLanguage()));
    EXPECT_EQ(L"German.lng", ValueOf(ReadUtf16File(folders.ProgramFile()), L"Language"));
    EXPECT_EQ(W(folders.programFolder + L"German.lng"), W(s.GetLanguageFilePath()));

    // Another program changes the file: the next resolve after SetLanguage sees it.
    SetKey(folders.ProgramFile(), L"Language", L"French.lng");
    EXPECT_EQ(W(folders.programFolder + L"German.lng"), W(s.GetLanguageFilePath())) << "resolved once";
    s.SetLanguage(L"Spanish.lng");
    SetKey(folders.ProgramFile(), L"Language", L"French.lng");
    EXPECT_EQ(W(folders.programFolder + L"French.lng"), W(s.GetLanguageFilePath()));
}

TEST(Settings, LanguageIsLoadedFromTheProfileFileWhenTheProgramFolderFileHasNone) {
    CTempSettingsFolders folders;
    ASSERT_TRUE(CreateDirectoryW(folders.DataFolder(), nullptr));
    ASSERT_TRUE(WriteUtf16File(folders.ProfileFile(), L"[Settings]\r\nLanguage=Italian.lng\r\n"));
    CVXLSettings s;
    s.Load();
    EXPECT_EQ(L"Italian.lng", W(s.GetLanguage()));
}

// A write that fails must not be reported as a successful save. A program on a
// removable drive keeps its file beside itself; a drive that cannot be written is
// stood in for by a program folder that does not exist.
TEST(Settings, SaveReportsFailedWrites) {
    CTempSettingsFolders folders;
    SetProgramFolderForTest(folders.root + L"\\missing\\");
    SetDriveRemovableForTest(1);
    CVXLSettings s;
    EXPECT_FALSE(s.Save());
    EXPECT_FALSE(CVXLSettings::WriteInt(1, L"Sorting"));
    EXPECT_FALSE(CVXLSettings::WriteString(L"x", L"DirectoryForSave"));
    EXPECT_FALSE(FolderExists(folders.DataFolder())) << "a removable drive keeps nothing in the profile";
}

TEST(Settings, LastCheckForUpdatesDefaultsTo2013AndRoundTripsBothHalves) {
    CTempSettingsFolders folders;
    SYSTEMTIME first = {};
    ASSERT_TRUE(CVXLSettings::GetLastCheckForUpdates(first));
    EXPECT_EQ(2013, first.wYear);
    EXPECT_EQ(1, first.wMonth);
    EXPECT_EQ(1, first.wDay);
    EXPECT_EQ(2, first.wDayOfWeek);
    EXPECT_EQ(0, first.wHour);
    EXPECT_TRUE(IniKeyExists(folders.ProgramFile(), L"Settings", L"LastCheckForUpdates_V2Low"))
        << "the default is written back";

    // A low half of 2^31 or more is written as a negative number and must come back whole.
    FILETIME asFileTime = {0x9ABCDEF0u, 0x01DA6B00u};
    SYSTEMTIME when;
    ASSERT_TRUE(FileTimeToSystemTime(&asFileTime, &when));
    ASSERT_TRUE(SystemTimeToFileTime(&when, &asFileTime));
    ASSERT_TRUE(asFileTime.dwLowDateTime >= 0x80000000u) << "pick a time whose low half is negative";
    ASSERT_TRUE(CVXLSettings::WriteLastCheckForUpdates(when));
    wchar_t low[40] = {};
    GetPrivateProfileStringW(L"Settings", L"LastCheckForUpdates_V2Low", L"", low, 40, folders.ProgramFile());
    EXPECT_EQ(L'-', low[0]);
    SYSTEMTIME back = {};
    ASSERT_TRUE(CVXLSettings::GetLastCheckForUpdates(back));
    EXPECT_EQ(0, std::memcmp(&when, &back, sizeof when));
}

TEST(Settings, WindowPositionsUseTheirOwnSectionAndKeepTheGivenPointWhenMissing) {
    CTempSettingsFolders folders;
    POINT point = {11, 22};
    ASSERT_TRUE(CVXLSettings::ReadWindowPos(point, L"FloatPaneRect_TOPLEFT"));
    EXPECT_EQ(11, point.x);
    EXPECT_EQ(22, point.y);
    ASSERT_TRUE(CVXLSettings::WriteWindowPos(-40, 300, L"FloatPaneRect_TOPLEFT"));
    EXPECT_EQ(-40, static_cast<int>(
                       GetPrivateProfileIntW(L"Settings_Agent", L"FloatPaneRect_TOPLEFT_x", 0, folders.ProgramFile())));
    POINT back = {0, 0};
    CVXLSettings::ReadWindowPos(back, L"FloatPaneRect_TOPLEFT");
    EXPECT_EQ(-40, back.x);
    EXPECT_EQ(300, back.y);
}

TEST(Settings, DelayInsertMillisecondsWritesItsDefaultOnce) {
    CTempSettingsFolders folders;
    EXPECT_EQ(400, GetDelayInsertMilliseconds());
    EXPECT_EQ(400u, GetPrivateProfileIntW(L"Settings", L"DelayInsertMilliseconds_v141", 0, folders.ProgramFile()));
    SetKey(folders.ProgramFile(), L"DelayInsertMilliseconds_v141", L"250");
    EXPECT_EQ(250, GetDelayInsertMilliseconds());
}

TEST(Settings, LatestFoundVersionIsCachedAndReadFromTheProgramFolderFile) {
    CTempSettingsFolders folders;
    SetLatestFoundCFUVersion(L"2.70");
    EXPECT_EQ(L"2.70", W(GetLatestFoundCFUVersion()));
    wchar_t stored[40] = {};
    GetPrivateProfileStringW(L"A_SETTINGS", L"LatestFound_CFU_Ver", L"", stored, 40, folders.ProgramFile());
    EXPECT_EQ(std::wstring(L"2.70"), stored);

    SetLatestFoundCFUVersion(nullptr);
    EXPECT_EQ(L"I unknow\x2026", W(GetLatestFoundCFUVersion()));
    SetLatestFoundCFUVersion(nullptr);
    ASSERT_TRUE(WritePrivateProfileStringW(L"A_SETTINGS", L"LatestFound_CFU_Ver", L"2.71", folders.ProgramFile()));
    EXPECT_EQ(L"2.71", W(GetLatestFoundCFUVersion()));
    SetLatestFoundCFUVersion(nullptr);
}

// The instance is loaded on its first use only: later calls must not read the file,
// whoever made the first call.
TEST(Settings, GetInstanceLoadsOnceAndReturnsTheSameObject) {
    CTempSettingsFolders folders;
    CVXLSettings& first = CVXLSettings::GetInstance();
    const WORD vk = first.HotkeyVk;
    const WORD changed = vk == VK_F9 ? VK_F10 : VK_F9;
    SetKey(folders.ProgramFile(), L"Hotkey", std::to_wstring(MAKELONG(changed, first.HotkeyModifiers)).c_str());
    CVXLSettings& second = CVXLSettings::GetInstance();
    EXPECT_EQ(&first, &second);
    EXPECT_EQ(vk, second.HotkeyVk);
    second.Load();
    EXPECT_EQ(changed, second.HotkeyVk) << "an explicit load reads the file";
    second.HotkeyVk = vk;
}

// Worker threads copy the strings while the UI thread reloads them.
TEST(Settings, StringsCanBeReadWhileTheyAreReplaced) {
    CTempSettingsFolders folders;
    CVXLSettings s;
    ReaderContext context;
    context.settings = &s;
    context.a = L"D:\\" + CString(L'a', 200);
    context.b = L"E:\\" + CString(L'b', 3);
    s.SetPhrasesDirectory(context.a);
    HANDLE thread = CreateThread(nullptr, 0, ReadPhrasesFolderUntilStopped, &context, 0, nullptr);
    ASSERT_NE(nullptr, thread);
    // On a busy machine the reader may not have run yet when the writer's rounds are done:
    // go on until it has read a few times (bounded), so that the check below means something.
    for (int i = 0; i < 20000 || (context.reads < 100 && i < 20000000); ++i)
        s.SetPhrasesDirectory(i % 2 ? context.a : context.b);
    InterlockedExchange(&context.stop, 1);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_GT(context.reads, 0);
    EXPECT_EQ(0, context.torn);
}
