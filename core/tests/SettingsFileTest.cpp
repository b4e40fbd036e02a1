#include "core/SettingsFile.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LanguageFiles.h"
#include "core/Settings.h"
#include "core/base/Handles.h"
#include "core/base/IniFile.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

std::vector<std::wstring> Names(const std::vector<CString>& list) {
    std::vector<std::wstring> names;
    for (const CString& name : list) names.push_back(W(name));
    return names;
}

// The settings file of the read-only cases. Wine turns the READONLY attribute into
// missing Unix write bits, so its access check says no even for root; Windows keeps
// the attribute apart from the ACL, and the settings code looks at both.
void MakeReadOnlyProgramFile(const CTempSettingsFolders& folders, const wchar_t* content) {
    ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(), content));
    ASSERT_TRUE(SetFileAttributesW(folders.ProgramFile(), FILE_ATTRIBUTE_READONLY));
}

}  // namespace

TEST(SettingsFile, NewFileHoldsOnlyTheByteOrderMarkAndAnOldOneIsLeftAlone) {
    CTempSettingsFolders folders;
    CString fresh = folders.programFolder + L"fresh.ini";
    ASSERT_TRUE(CreateSettingsFileIfMissing(fresh));
    EXPECT_EQ("\xFF\xFE", ReadFileBytes(fresh));

    CString old = folders.programFolder + L"old.ini";
    ASSERT_TRUE(WriteUtf16File(old, L"[Settings]\r\nSorting=3\r\n"));
    std::string before = ReadFileBytes(old);
    EXPECT_TRUE(CreateSettingsFileIfMissing(old));
    EXPECT_EQ(before, ReadFileBytes(old));

    EXPECT_FALSE(CreateSettingsFileIfMissing(folders.root + L"\\missing\\Settings.ini"));
}

// Wine as root may create files in any folder, so "a program folder the user may not
// write" is stood in for by one that does not exist: creating the file fails and the
// access check of the folder answers no, which is the road Windows takes.
TEST(SettingsFile, SettingsFileIsBesideTheProgramUnlessItCannotBeWritten) {
    enum Place { Program, Profile };
    const struct {
        const char* name;
        bool readOnlyFile;
        bool missingFolder;
        int removable;
        Place expected;
    } rows[] = {
        {"writable program folder", false, false, 0, Program},
        {"read-only Settings.ini", true, false, 0, Profile},
        {"program folder that cannot be written", false, true, 0, Profile},
        {"removable drive, read-only Settings.ini", true, false, 1, Program},
        {"removable drive that cannot be written", false, true, 1, Program},
    };
    for (const auto& row : rows) {
        CTempSettingsFolders folders;
        if (row.readOnlyFile) MakeReadOnlyProgramFile(folders, L"[Settings]\r\n");
        if (row.missingFolder) {
            folders.programFolder = folders.root + L"\\missing\\";
            SetProgramFolderForTest(folders.programFolder);
        }
        SetDriveRemovableForTest(row.removable);

        CString path = GetSettingsFilePath();
        CString expected = row.expected == Program ? folders.ProgramFile() : folders.ProfileFile();
        EXPECT_EQ(W(expected), W(path)) << row.name;
        EXPECT_EQ(row.expected == Profile, FolderExists(folders.DataFolder()))
            << row.name << ": the per-user folder exists only when the profile file is used";
        if (row.expected == Profile) {
            EXPECT_EQ("\xFF\xFE", ReadFileBytes(folders.ProfileFile())) << row.name << ": created as UTF-16";
        }
    }
}

// A read-only Settings.ini moves the writes to the profile file, while the keys it holds
// keep being read from it: a change saved to the profile does not show over them.
TEST(SettingsFile, ReadOnlyProgramFileSendsSavesToTheProfileButStillAnswersItsKeys) {
    CTempSettingsFolders folders;
    MakeReadOnlyProgramFile(folders, L"[Settings]\r\nSorting=5\r\nWriteLog=1\r\nLanguage=Dutch.lng\r\n");
    CVXLSettings s;
    s.Load();
    EXPECT_EQ(5, s.Sorting);
    EXPECT_FALSE(s.WriteLog) << "the log switch is read from the settings file alone";
    EXPECT_EQ(L"Dutch.lng", W(s.GetLanguage())) << "the language falls back to the program-folder file";

    s.Sorting = 7;
    s.ClipboardHistoryMax = 99;
    s.WriteLog = true;
    s.SetPhrasesDirectory(L"D:\\\x0424\x0440\x0430\x0437\x044B");
    ASSERT_TRUE(s.Save());
    std::wstring profile = ReadUtf16File(folders.ProfileFile());
    EXPECT_NE(std::wstring::npos, profile.find(L"\r\nWRITED_TO=" + W(folders.ProfileFile()) + L"\r\n"));
    EXPECT_NE(std::wstring::npos, profile.find(L"\r\nSorting=7\r\n"));

    CVXLSettings loaded;
    loaded.Load();
    EXPECT_EQ(5, loaded.Sorting) << "the read-only file still has the key";
    EXPECT_EQ(99, loaded.ClipboardHistoryMax) << "a key the read-only file lacks comes from the profile";
    EXPECT_TRUE(loaded.WriteLog);
    EXPECT_EQ(L"D:\\\x0424\x0440\x0430\x0437\x044B\\", W(loaded.GetPhrasesDirectory()));
    EXPECT_TRUE(ReadWriteLog());
}

TEST(SettingsFile, OwnKeysAreReadFromTheSettingsFileWithTheirDefaults) {
    CTempSettingsFolders folders;
    CString file = GetSettingsFilePath();
    EXPECT_EQ(L"fallback", W(ReadLanguageSetting(file, L"fallback")));
    EXPECT_FALSE(ReadWriteLog());
    EXPECT_FALSE(IsWelcomeAlreadyStarted());

    ASSERT_TRUE(WritePrivateProfileStringW(L"Settings", L"Language", L"", file));
    EXPECT_EQ(L"fallback", W(ReadLanguageFromSettingsFile(L"fallback"))) << "an empty value counts as absent";
    ASSERT_TRUE(WriteLanguageSetting(L"Polish.lng", file));
    EXPECT_EQ(L"Polish.lng", W(ReadLanguageFromSettingsFile(L"fallback")));

    ASSERT_TRUE(WriteWriteLogSetting(true));
    EXPECT_TRUE(ReadWriteLog());
    EXPECT_TRUE(ReadWriteLogSetting(true, folders.root + L"\\missing.ini"));

    ASSERT_TRUE(WritePrivateProfileStringW(L"Settings", L"Welcome_Already_Started_V2_60", L"2", file));
    EXPECT_TRUE(IsWelcomeAlreadyStarted());
}

TEST(SettingsFile, KeyTestIsExactCaseAndIgnoresValues) {
    CTempSettingsFolders folders;
    ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(), L"[Settings]\r\nEmpty=\r\nsorting=1\r\nA=b=c\r\n"));
    EXPECT_TRUE(IniKeyExists(folders.ProgramFile(), L"Settings", L"Empty"));
    EXPECT_TRUE(IniKeyExists(folders.ProgramFile(), L"Settings", L"A"));
    EXPECT_FALSE(IniKeyExists(folders.ProgramFile(), L"Settings", L"Sorting"));
    EXPECT_FALSE(IniKeyExists(folders.ProgramFile(), L"Settings", L"b"));
    EXPECT_FALSE(IniKeyExists(folders.ProgramFile(), L"Other", L"Empty"));
}

TEST(SettingsFile, FirstUiLanguageFollowsKeyboardAndLanguageFiles) {
    const WORD kRussian = 0x0419;
    const WORD kGerman = 0x0407;
    const WORD kUs = 0x0409;
    const struct {
        const char* name;
        std::vector<WORD> layouts;
        WORD defaultLanguage;     // 0: none, as Wine reports
        const wchar_t* settings;  // program-folder Settings.ini before the start; null: none
        std::vector<std::pair<const wchar_t*, const wchar_t*>> files;  // name, LangPrefix
        const wchar_t* expected;
    } rows[] = {
        {"Russian layout and Russian.lng win over the input language",
         {kUs, kRussian},
         kGerman,
         nullptr,
         {{L"Russian.lng", L"ru"}, {L"Deutsch.lng", L"DE"}},
         L"Russian.lng"},
        {"no Russian.lng: the prefix of the input language",
         {kRussian},
         kGerman,
         nullptr,
         {{L"Alpha.lng", L"fr"}, {L"Deutsch.lng", L"DE"}},
         L"Deutsch.lng"},
        {"Russian.lng without a Russian layout and no input language",
         {kUs},
         0,
         nullptr,
         {{L"Russian.lng", L"ru"}},
         L""},
        {"the file already names a language, even an empty one",
         {kRussian},
         kGerman,
         L"[Settings]\r\nLanguage=\r\n",
         {{L"Russian.lng", L"ru"}, {L"Deutsch.lng", L"de"}},
         L""},
        {"same version: no Russian choice",
         {kRussian},
         kGerman,
         L"[Settings]\r\nVXLVersion=vxl_150\r\n",
         {{L"Russian.lng", L"ru"}, {L"Deutsch.lng", L"de"}},
         L"Deutsch.lng"},
        {"key in another case is not the key",
         {kUs},
         kGerman,
         L"[Settings]\r\nlanguage=Other.lng\r\n",
         {{L"Deutsch.lng", L"de"}},
         L"Deutsch.lng"},
        {"first matching file in sorted order, trailing blanks ignored",
         {kUs},
         kGerman,
         nullptr,
         {{L"b_de.lng", L"de"}, {L"A_de.lng", L"De  "}},
         L"A_de.lng"},
        {"no matching prefix", {kUs}, kGerman, nullptr, {{L"French.lng", L"fr"}}, L""},
    };
    for (const auto& row : rows) {
        CTempSettingsFolders folders;
        folders.input.layouts.clear();
        for (WORD layout : row.layouts) folders.input.layouts.push_back(CFakeInputLanguageInfo::Layout(layout));
        folders.input.defaultLanguage =
            row.defaultLanguage ? CFakeInputLanguageInfo::Layout(row.defaultLanguage) : nullptr;
        if (row.settings) {
            ASSERT_TRUE(WriteUtf16File(folders.ProgramFile(), row.settings));
        }
        for (const auto& file : row.files) {
            std::wstring content = std::wstring(L"[Main]\r\nLangPrefix=") + file.second + L"\r\n";
            ASSERT_TRUE(WriteUtf16File(folders.programFolder + file.first, content.c_str()));
        }
        CVXLSettings s;
        EXPECT_EQ(std::wstring(row.expected), W(s.GetLanguage())) << row.name;
    }
}

TEST(SettingsFile, LanguageChoiceKeepsTheLastErrorAndLayoutCountSetsTheEncodeCommand) {
    CTempSettingsFolders folders;
    folders.input.layouts = {CFakeInputLanguageInfo::Layout(0x0409), CFakeInputLanguageInfo::Layout(0x0407)};
    folders.input.defaultLanguage = CFakeInputLanguageInfo::Layout(0x0407);
    CVXLSettings s;
    EXPECT_TRUE(s.InsertEncodeCommandIntoMenu) << "two layouts installed";
    SetLastError(4242);
    s.ChooseDefaultLanguage();
    EXPECT_EQ(4242u, GetLastError());
}

TEST(LanguageFiles, ListStartsWithBuiltInEnglishAndIsSortedIgnoringCase) {
    CTempSettingsFolders folders;
    std::vector<CString> list;
    EXPECT_FALSE(EnumLanguageFiles(list, nullptr));
    EXPECT_EQ(std::vector<std::wstring>{L""}, Names(list));

    for (const wchar_t* name : {L"b.lng", L"A.lng", L"c.LNG", L"notes.lngx"})
        ASSERT_TRUE(WriteUtf16File(folders.programFolder + name, L"[Main]\r\n"));
    ASSERT_TRUE(CreateDirectoryW(folders.programFolder + L"folder.lng", nullptr));
    EXPECT_TRUE(EnumLanguageFiles(list, nullptr));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"A.lng", L"b.lng", L"c.LNG"}), Names(list));
    EXPECT_TRUE(EnumLanguageFiles(list, L"B.LNG"));
    EXPECT_EQ((std::vector<std::wstring>{L"", L"A.lng", L"c.LNG"}), Names(list));
}

TEST(LanguageFiles, PrefixIsCutToNineCharactersWithoutTrailingBlanks) {
    CTempSettingsFolders folders;
    const struct {
        const wchar_t* content;
        const wchar_t* expected;
    } rows[] = {
        {L"[Main]\r\nLangPrefix=De   \r\n", L"De"},
        {L"[Main]\r\nLangPrefix=Deutsch12345\r\n", L"Deutsch12"},
        {L"[Main]\r\nAuthor=x\r\n", L""},
    };
    int index = 0;
    for (const auto& row : rows) {
        CString path;
        path.Format(L"%sprefix%d.lng", folders.programFolder.GetString(), index++);
        ASSERT_TRUE(WriteUtf16File(path, row.content));
        EXPECT_EQ(std::wstring(row.expected), W(ReadLngPrefix(path))) << std::wstring(row.content);
    }
    EXPECT_EQ(L"", W(ReadLngPrefix(folders.programFolder + L"missing.lng")));
}

// HKEY_CURRENT_USER is redirected to a key of this test for the process, so that the
// real installer mark of the prefix is neither read nor changed.
class CRedirectedCurrentUser {
public:
    CRedirectedCurrentUser() {
        m_name.Format(L"Software\\VexloraTest_%lu_%lu", GetCurrentProcessId(), GetTickCount());
        if (RegCreateKeyExW(HKEY_CURRENT_USER, m_name, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &m_root, nullptr) ==
            ERROR_SUCCESS)
            m_redirected = RegOverridePredefKey(HKEY_CURRENT_USER, m_root) == ERROR_SUCCESS;
    }
    ~CRedirectedCurrentUser() {
        if (m_redirected) RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        if (m_root) {
            RegCloseKey(m_root);
            RegDeleteTreeW(HKEY_CURRENT_USER, m_name);
        }
    }
    bool redirected() const { return m_redirected; }

private:
    CString m_name;
    HKEY m_root = nullptr;
    bool m_redirected = false;
};

TEST(SettingsFile, FromInstallerNeedsANonEmptyValue) {
    CRedirectedCurrentUser user;
    ASSERT_TRUE(user.redirected());
    EXPECT_FALSE(IsFromInstaller()) << "no key";
    HKEY product = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Halvered\\Vexlora", 0, nullptr, 0,
                                             KEY_ALL_ACCESS, nullptr, &product, nullptr));
    CRegKeyHandle productKey(product);
    EXPECT_FALSE(IsFromInstaller()) << "no value";
    const std::wstring longValue(200, L'x');
    const struct {
        const wchar_t* value;
        bool expected;
    } rows[] = {{L"", false}, {L"1", true}, {longValue.c_str(), true}};
    for (const auto& row : rows) {
        DWORD bytes = static_cast<DWORD>((wcslen(row.value) + 1) * sizeof(wchar_t));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(product, L"FromInstaller", 0, REG_SZ,
                                                reinterpret_cast<const BYTE*>(row.value), bytes));
        EXPECT_EQ(row.expected, IsFromInstaller()) << wcslen(row.value) << " characters";
    }
}
