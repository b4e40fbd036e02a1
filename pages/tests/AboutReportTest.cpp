// The system report without a window: the rules of its rows, the copied text, the
// clipboard watcher's text, the statistics rows, and the whole report built against
// made-up answers of the machine. The system's own answers are asked only where they
// leave something on disk.
#include "pages/AboutReport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/SettingsFile.h"
#include "core/UiStringIds.h"
#include "core/base/AppPaths.h"
#include "testkit/TempFolder.h"

namespace {

std::wstring W(const CString& text) {
    return std::wstring(static_cast<const wchar_t*>(text));
}

// Answers chosen by each test; every question is also counted, so a test can tell the
// report asked what it shows.
class CFakeProbes : public IAboutProbes {
public:
    std::map<UINT, CString> uiTexts = {{IDS_TURN_ON, L"Turn on"},
                                       {IDS_TURN_OFF, L"Turn off"},
                                       {IDS_ON, L"on"},
                                       {IDS_OFF, L"off"},
                                       {IDS_FOLDER, L"Folder"},
                                       {IDS_STATISTIC, L"Statistic"},
                                       {IDS_BOOK_PAGES, L"This is a book contains pages"},
                                       {IDS_PRINTED_CHARACTERS, L"Printed characters"},
                                       {IDS_PRIVILEGES, L"Privilegies"},
                                       {IDS_COMMAND_LINE_KEYS, L"Command Line Keys"},
                                       {IDS_CMD_SETTINGS, L"Settings"},
                                       {IDS_EDITOR_NAME, L"Phrase Editor"},
                                       {IDS_EXIT_TOOL_NAME, L"Exit Tool"}};
    std::map<UINT, CString> menuTexts = {{32770, L"Enable Menu Of Phrases"}, {32817, L"Sounds"}};
    std::vector<CString> files;    // paths that exist as files
    std::vector<CString> folders;  // paths that exist as folders
    std::map<CString, CString> versions;
    std::map<CString, CString> descriptions;
    std::vector<std::string> exports;
    CString firstDll;
    CString mfc;
    std::vector<AboutPrivilege> privileges;
    AboutEnvironment environment;
    bool readable = true;
    bool writable = true;
    bool folderTests = true;

    CString UiText(UINT id) override { return Find(uiTexts, id); }
    CString MenuText(UINT id) override { return Find(menuTexts, id); }
    CString ProgramFolder() override { return L"C:\\Vexlora\\"; }
    CString VersionTextWithName() override { return L"Vexlora 2.61 build 7"; }
    CString CompileDateTime() override { return L"Dec 11 2026 10:00:00"; }
    CString SettingsFilePath() override { return L"C:\\Vexlora\\Settings.ini"; }
    CString StatFilePath() override { return L"C:\\Vexlora\\vxl_stat_info.ini"; }
    bool FileExists(const CString& path) override { return Has(files, path); }
    bool FolderExists(const CString& path) override { return Has(folders, path); }
    bool CanRead(const CString&) override { return readable; }
    bool CanWrite(const CString&) override { return writable; }
    CString FileVersion(const CString& path) override { return Find(versions, path); }
    CString FileDescription(const CString& path) override { return Find(descriptions, path); }
    bool HasExport(const CString&, const char* name) override {
        return std::find(exports.begin(), exports.end(), name) != exports.end();
    }
    CString FirstDllIn(const CString&) override { return firstDll; }
    CString Mfc42Path() override { return mfc; }
    std::vector<AboutPrivilege> Privileges(const std::vector<CString>&) override { return privileges; }
    std::vector<std::pair<CString, CString>> CommandLineKeys() override { return {{L"/help", L"Shows the keys"}}; }
    std::vector<std::pair<CString, bool>> TestFlags() override {
        return {{L"UpdateVersion_Test.UpdateVersion_Test", false}};
    }
    std::vector<AboutLanguageFile> LanguageFiles() override {
        return {{L"German.lng", L"Deutsch"}, {L"Plain.lng", L""}};
    }
    std::vector<CString> ProcessNames() override { return {L"C:\\windows\\explorer.exe"}; }
    AboutEnvironment Environment() override { return environment; }
    bool TestCreateFile(const CString&) override { return folderTests; }
    bool TestCreateFolder(const CString&) override { return folderTests; }
    bool TestOpenFolder(const CString&, bool) override { return folderTests; }

private:
    template <class Key>
    static CString Find(const std::map<Key, CString>& map, const Key& key) {
        const auto found = map.find(key);
        return found == map.end() ? CString() : found->second;
    }
    static bool Has(const std::vector<CString>& list, const CString& path) {
        return std::any_of(list.begin(), list.end(),
                           [&](const CString& item) { return item.CompareNoCase(path) == 0; });
    }
};

// The rows whose label is exactly this; the report has no duplicate labels where the
// tests look.
const AboutRow* FindRow(const CAboutReport& report, const wchar_t* label) {
    for (const AboutRow& row : report.Rows())
        if (row.label == label) return &row;
    return nullptr;
}

bool HasLabelStarting(const CAboutReport& report, const wchar_t* start) {
    const CString prefix(start);
    for (const AboutRow& row : report.Rows())
        if (row.label.Left(prefix.GetLength()) == prefix) return true;
    return false;
}

TEST(AboutReportRows, LabelsGetOneColonOutsideSectionsAndSectionsAreFramedAndMapped) {
    const struct {
        const wchar_t* label;
        int kind;
        const wchar_t* shown;
        bool mapped;
    } cases[] = {
        {L"Version", kAboutRowPlain, L"Version:", false},
        {L"Released:", kAboutRowOk, L"Released:", false},
        {L" ", kAboutRowFail, L" ", false},
        {L"DirectlyPrintText: ", kAboutRowOk, L"DirectlyPrintText: :", false},
        {L"", kAboutRowPlain, L"", false},
        {L"Components", kAboutRowSection, L" Components ", true},
        {L"Log:", kAboutRowSection, L" Log: ", true},
        {L"", kAboutRowSection, L"", false},
    };
    CAboutReport report;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "label '" << std::wstring(c.label).size() << ":" << c.kind << "'");
        const int row = report.AddRow(c.label, L"value", c.kind);
        ASSERT_EQ(static_cast<int>(report.Rows().size()) - 1, row);
        EXPECT_EQ(std::wstring(c.shown), W(report.Rows()[row].label));
        EXPECT_EQ(c.kind, report.Rows()[row].kind);
        const auto mapped = report.Sections().find(row);
        EXPECT_EQ(c.mapped, mapped != report.Sections().end());
        if (c.mapped) {
            EXPECT_EQ(std::wstring(c.shown), W(mapped->second));
        }
    }
}

TEST(AboutReportRows, TipsComeFromTheRowsOwnTextOrItsCellsAndSectionsHaveNone) {
    CAboutReport report;
    const int section = report.AddSection(L"Environment");
    const int plain = report.AddRow(L"OS", L"Windows 10", kAboutRowPlain);
    const int own = report.AddOkRow(L"SeDebugPrivilege", L"Turn on");
    report.SetTip(own, L"SeDebugPrivilege\n   Debug programs\nTurn on");
    report.SetTip(section, L"never shown");
    EXPECT_EQ(L"", W(report.GetTip(section)));
    EXPECT_EQ(L"OS: Windows 10", W(report.GetTip(plain)));
    EXPECT_EQ(L"SeDebugPrivilege\n   Debug programs\nTurn on", W(report.GetTip(own)));
    EXPECT_EQ(L"", W(report.GetTip(99)));
    EXPECT_EQ(L"", W(report.GetTip(-1)));
}

TEST(AboutReportCopyText, SectionsFollowABlankLineUnlabelledRowsAreRulesAndTheEndsAreTrimmed) {
    CAboutReport report;
    report.AddSection(L"Components");  // first: its blank line is trimmed away
    report.AddRow(L"Vexlora.EXE", L"2.6.1.7, Vexlora", kAboutRowPlain);
    report.AddRow(L"", L"ignored", kAboutRowPlain);
    report.AddSection(L"Log (1)");
    report.AddFailRow(L"Message #1", L"an error  ");
    const CString text = BuildAboutCopyText(report.Rows());
    // A section's empty value still follows its blank; the whole text loses the blanks
    // and line breaks at its ends.
    EXPECT_EQ(
        L"Components  \r\n"
        L"Vexlora.EXE: 2.6.1.7, Vexlora\r\n"
        L"======================\r\n"
        L"\r\n Log (1)  \r\n"
        L"Message #1: an error",
        W(text));
    EXPECT_EQ(22, CString(L"======================").GetLength());
}

TEST(AboutReportCopyText, EachCellIsCutToTwoHundredCharacters) {
    CString longText;
    for (int i = 0; i < 250; ++i) longText += static_cast<wchar_t>(L'a' + i % 26);
    AboutRow row;
    row.label = longText;
    row.value = longText;
    const CString text = BuildAboutCopyText({row});
    EXPECT_EQ(W(longText.Left(200) + L" " + longText.Left(200)), W(text));
}

TEST(AboutReportClipboardReinstall, IntervalShowsSecondsFromOneSecondAndMinutesAboveOne) {
    const struct {
        bool on;
        DWORD interval;
        const wchar_t* text;
    } cases[] = {
        {true, 0, L"on [0] 0 sec"},
        {false, 500, L"off [500]"},
        {false, 999, L"off [999]"},
        {true, 1000, L"on [1000] 1 sec"},
        {true, 1999, L"on [1999] 1 sec"},
        {true, 60000, L"on [60000] 60 sec"},
        {true, 60001, L"on [60001] 60 sec, 1 min"},
        {false, 300000, L"off [300000] 300 sec, 5 min"},
        {true, 4294967295u, L"on [4294967295] 4294967 sec, 71582 min"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.interval);
        EXPECT_EQ(std::wstring(c.text), W(FormatClipboardReinstallText(c.on, c.interval, L"on", L"off")));
    }
}

TEST(AboutReportStatistics, RowsFromTheNumbersWithTheirKinds) {
    CFakeProbes probes;
    const struct {
        bool defaultFolder;
        bool statFileThere;
    } cases[] = {{true, true}, {false, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.defaultFolder);
        probes.files.clear();
        if (c.statFileThere) probes.files.push_back(probes.StatFilePath());
        AboutReportInputs inputs;
        inputs.phrasesFolder = L"C:\\Vexlora\\UserPhrases";
        inputs.defaultFolder = c.defaultFolder;
        inputs.statistics = {12, 10, 3, 2, 6, 1, 1234567, 99, L"Greeting", 3601};
        CAboutReport report;
        AddAboutStatisticsRows(report, inputs, probes);
        const std::vector<std::pair<std::wstring, std::wstring>> expected = {
            {L"Folder:", L"C:\\Vexlora\\UserPhrases"},
            {L"Default Folder:", c.defaultFolder ? L"Yes, %DEFAULT_FOLDER%" : L"No"},
            {L"All Phrases:", L"12"},
            {L"Included Phrases:", L"10"},
            {L"Folders:", L"3"},
            {L"Formatted Text:", L"2"},
            {L"Plain Text:", L"6"},
            {L"Exec Apps:", L"1"},
            {L"All Usage:", L"1234567 times"},
            {L"Max Usage:", L"99 times, Greeting"},
            {L"Statistic:", L"C:\\Vexlora\\vxl_stat_info.ini"},
            {L"Printed characters:", L"3 601, This is a book contains pages: 2"},
        };
        ASSERT_EQ(expected.size(), report.Rows().size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i].first, W(report.Rows()[i].label));
            EXPECT_EQ(expected[i].second, W(report.Rows()[i].value));
        }
        EXPECT_EQ(c.defaultFolder ? kAboutRowOk : kAboutRowFail, report.Rows()[1].kind);
        EXPECT_EQ(c.statFileThere ? kAboutRowOk : kAboutRowFail, report.Rows()[10].kind);
        EXPECT_EQ(kAboutRowOk, report.Rows()[11].kind);
    }
}

TEST(AboutReportParts, ComponentRowTellsVersionAndNameOrThatTheFileIsMissing) {
    CFakeProbes probes;
    probes.files = {L"C:\\Vexlora\\Vexlora.exe", L"C:\\Vexlora\\Bare.dll"};
    probes.versions = {{L"C:\\Vexlora\\Vexlora.exe", L"2.6.1.7"}};
    probes.descriptions = {{L"C:\\Vexlora\\Bare.dll", L"Bare library"}};
    const struct {
        const wchar_t* path;
        const wchar_t* name;
        const wchar_t* label;
        const wchar_t* value;
        int kind;
    } cases[] = {
        {L"C:\\Vexlora\\Vexlora.exe", L"Vexlora", L"Vexlora.EXE:", L"2.6.1.7, Vexlora", kAboutRowPlain},
        {L"C:\\Vexlora\\Bare.dll", L"", L"Bare.DLL:", L"Bare library", kAboutRowPlain},
        {L"C:\\Vexlora\\VXL_Exit.exe", L"Exit Tool", L"VXL_Exit.EXE:", L"File Not Found, Exit Tool", kAboutRowFail},
        {L"C:\\Vexlora\\NoExtension", L"", L"NoExtension:", L"File Not Found", kAboutRowFail},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.path));
        CAboutReport report;
        AddAboutComponentRow(report, probes, c.path, c.name);
        ASSERT_EQ(1u, report.Rows().size());
        EXPECT_EQ(std::wstring(c.label), W(report.Rows()[0].label));
        EXPECT_EQ(std::wstring(c.value), W(report.Rows()[0].value));
        EXPECT_EQ(c.kind, report.Rows()[0].kind);
    }
}

TEST(AboutReportParts, FileBlockChecksAccessOnlyOfWhatExists) {
    const struct {
        bool file;
        bool folder;
        bool readable;
        bool writable;
        std::vector<std::pair<std::wstring, std::wstring>> rows;
    } cases[] = {
        {false,
         false,
         true,
         true,
         {{L" Settings File  [Settings.ini] ", L""},
          {L"Full Path:", L"C:\\x\\Settings.ini"},
          {L"Settings.ini:", L"not exists"}}},
        {true,
         false,
         true,
         false,
         {{L" Settings File  [Settings.ini] ", L""},
          {L"Full Path:", L"C:\\x\\Settings.ini"},
          {L"Settings.ini:", L"exist"},
          {L"Read Access:", L"OK"},
          {L"Write Access:", L"Denied"}}},
        {false,
         true,
         false,
         true,
         {{L" Settings File  [Settings.ini] ", L""},
          {L"Full Path:", L"C:\\x\\Settings.ini"},
          {L"Settings.ini:", L"exist"},
          {L"Read Access:", L"Denied"},
          {L"Write Access:", L"OK"}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.file << c.folder << c.readable << c.writable);
        CFakeProbes probes;
        if (c.file) probes.files.push_back(L"C:\\x\\Settings.ini");
        if (c.folder) probes.folders.push_back(L"C:\\x\\Settings.ini");
        probes.readable = c.readable;
        probes.writable = c.writable;
        CAboutReport report;
        AddAboutFileBlock(report, probes, L"Settings File", L"C:\\x\\Settings.ini");
        ASSERT_EQ(c.rows.size(), report.Rows().size());
        for (size_t i = 0; i < c.rows.size(); ++i) {
            EXPECT_EQ(c.rows[i].first, W(report.Rows()[i].label));
            EXPECT_EQ(c.rows[i].second, W(report.Rows()[i].value));
        }
        EXPECT_EQ(kAboutRowSection, report.Rows()[0].kind);
        EXPECT_EQ((c.file || c.folder) ? kAboutRowOk : kAboutRowFail, report.Rows()[2].kind);
    }
}

class AboutReportBuild : public ::testing::Test {
protected:
    AboutReportBuild() {
        m_inputs.phrasesFolder = L"C:\\Vexlora\\UserPhrases";
        m_inputs.hookLibraryPath = L"C:\\Vexlora\\VxlHook.dll";
        m_inputs.hookServiceImplName = L"Use x32 implementation XP like";
        m_inputs.clipboardHistoryState = L"On, 15 items";
        m_probes.environment.executablePath = L"C:\\Vexlora\\Vexlora.exe";
        m_probes.environment.watchMethod0Name = L"CSMO_SETCLIPBOARDVIEWER";
        m_probes.environment.watchMethod1Name = L"CSMO_ADDCLIPBOARDLISTENER";
    }
    CAboutReport Build() {
        CAboutReport report;
        BuildAboutReport(report, m_inputs, m_probes);
        return report;
    }

    AboutReportInputs m_inputs;
    CFakeProbes m_probes;
};

TEST_F(AboutReportBuild, StartsWithTheVersionAndHasTheLogOnlyWhenErrorsWereCollected) {
    CAboutReport quiet = Build();
    ASSERT_FALSE(quiet.Rows().empty());
    EXPECT_EQ(L"Version:", W(quiet.Rows()[0].label));
    EXPECT_EQ(L"Vexlora 2.61 build 7", W(quiet.Rows()[0].value));
    EXPECT_FALSE(HasLabelStarting(quiet, L" Log ("));
    EXPECT_EQ(L" Processes ", W(quiet.Rows()[quiet.Rows().size() - 2].label));

    m_inputs.collectedErrors = {L"ERROR: [cannot open] an error", L"a warning"};
    CAboutReport noisy = Build();
    const std::vector<AboutRow>& rows = noisy.Rows();
    ASSERT_GE(rows.size(), 3u);
    const AboutRow& section = rows[rows.size() - 3];
    EXPECT_EQ(L" Log (2) ", W(section.label));
    EXPECT_EQ(kAboutRowSection, section.kind);
    EXPECT_EQ(L"Message #1:", W(rows[rows.size() - 2].label));
    EXPECT_EQ(kAboutRowFail, rows[rows.size() - 2].kind);
    EXPECT_EQ(L"Message #2:", W(rows.back().label));
    EXPECT_EQ(L"a warning", W(rows.back().value));
    EXPECT_EQ(kAboutRowPlain, rows.back().kind);
}

TEST_F(AboutReportBuild, LibraryRowsOfTheProgramFolderFollowItsFirstDll) {
    const struct {
        const wchar_t* firstDll;
        bool hookRow;
        bool soundRow;
    } cases[] = {
        {L"", false, false},
        {L"VXLHOOK.dll", true, true},
        {L"Other.dll", false, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::wstring(c.firstDll));
        m_probes.firstDll = c.firstDll;
        const CAboutReport report = Build();
        int hookRows = 0;
        for (const AboutRow& row : report.Rows())
            if (row.label == L"VxlHook.DLL:" || row.label == L"VXLHOOK.DLL:") ++hookRows;
        // The hook library's own row with the name "Core DLL" is always there.
        EXPECT_EQ(c.hookRow ? 2 : 1, hookRows);
        const AboutRow* sound = FindRow(report, L"RIZedarOred.DLL:");
        EXPECT_EQ(c.soundRow, sound != nullptr);
        if (sound) {
            EXPECT_EQ(L"File Not Found, Sound Utilities", W(sound->value));
        }
    }
}

TEST_F(AboutReportBuild, FailedProbesBecomeRedRowsAndTheReportGoesOn) {
    m_probes.folderTests = false;
    m_probes.readable = false;
    m_probes.environment.online = 2;
    m_probes.environment.admin = -1;
    const CAboutReport report = Build();
    const struct {
        const wchar_t* label;
        const wchar_t* value;
    } failures[] = {
        {L"Mfc42.DLL:", L"Not found"},
        {L"VxlHook.dll, [WP_Install2]:", L"Function Nout found"},
        {L"Windows installed:", L"Failure"},
        {L"Memory:", L"Cannot detect"},
        {L"CPU Number:", L"Cannot detect"},
        {L"Admin authority:", L"Not detected"},
        {L"IE Version:", L"Cannot detect"},
        {L"Default Web Browser:", L"Not detected"},
        {L"Has Internet Connection:", L"ERROR"},
        {L"Computer Domain Name:", L"not found"},
        {L"Test for phrase-file:", L"FAIL"},
        {L"Test for phrase-group:", L"FAIL"},
        {L"Clipboard Folder [read]:", L"FAIL, [C:\\Vexlora\\ClipboardHistory]"},
        {L"Phrases Folder [write]:", L"FAIL"},
        {L"Clipboard Spy Reinstall:", L"off [0] 0 sec"},
    };
    for (const auto& f : failures) {
        SCOPED_TRACE(std::wstring(f.label));
        const AboutRow* row = FindRow(report, f.label);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(std::wstring(f.value), W(row->value));
        EXPECT_EQ(kAboutRowFail, row->kind);
    }
    EXPECT_EQ(L" Processes ", W(report.Rows()[report.Rows().size() - 2].label));
}

TEST_F(AboutReportBuild, PassedProbesAndSwitchesBecomeGreenRows) {
    m_probes.exports = {"WP_Install2", "WP_Uninstall2"};
    m_probes.environment.online = 0;
    m_probes.environment.admin = 1;
    m_probes.environment.browserFound = 1;
    m_probes.environment.browserText = L"Wine Internet Explorer 11.0, iexplore.exe";
    m_probes.environment.directlyPrintText = true;
    m_probes.environment.watchMethod1Available = true;
    m_inputs.hotKeyMenuActive = true;
    m_inputs.clipboardReinstall = {true, 120000};
    m_probes.privileges = {{L"SeChangeNotifyPrivilege", L"Bypass traverse checking", true},
                           {L"SeDebugPrivilege", L"Debug programs", false}};
    const CAboutReport report = Build();
    const struct {
        const wchar_t* label;
        const wchar_t* value;
        int kind;
    } rows[] = {
        {L"VxlHook.dll, [WP_Uninstall2]:", L"Function found", kAboutRowOk},
        {L"Has Internet Connection:", L"Yes", kAboutRowOk},
        {L"Admin authority:", L"Yes", kAboutRowOk},
        {L"Default Web Browser:", L"Wine Internet Explorer 11.0, iexplore.exe", kAboutRowPlain},
        {L"DirectlyPrintText: :", L"Turn on", kAboutRowOk},
        {L"CSMO_ADDCLIPBOARDLISTENER:", L"Available", kAboutRowOk},
        {L"Enable Menu Of Phrases:", L"Turn on", kAboutRowOk},
        {L"Sounds:", L"Turn off", kAboutRowFail},
        {L"Clipboard Spy Reinstall:", L"on [120000] 120 sec, 2 min", kAboutRowOk},
        {L"Clipboard History:", L"On, 15 items", kAboutRowPlain},
        {L"Language File:", L"English (Embedded)", kAboutRowPlain},
        {L"Deutsch:", L"German.lng", kAboutRowOk},
        {L"Plain.lng:", L"Plain.lng", kAboutRowOk},
        {L"SeChangeNotifyPrivilege:", L"Turn on", kAboutRowOk},
        {L"SeDebugPrivilege:", L"Turn off", kAboutRowFail},
        {L" Privilegies 1/2 ", L"", kAboutRowSection},
        {L" Language Files [2] ", L"", kAboutRowSection},
        {L"explorer.exe:", L" ", kAboutRowPlain},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(std::wstring(r.label));
        const AboutRow* row = FindRow(report, r.label);
        ASSERT_NE(nullptr, row);
        EXPECT_EQ(std::wstring(r.value), W(row->value));
        EXPECT_EQ(r.kind, row->kind);
    }
    for (int index = 0; index < static_cast<int>(report.Rows().size()); ++index) {
        if (report.Rows()[index].label != L"SeDebugPrivilege:") continue;
        EXPECT_EQ(L"SeDebugPrivilege\n   Debug programs\nTurn off", W(report.GetTip(index)));
    }
    // Every section row is in the section map under its own index.
    for (int index = 0; index < static_cast<int>(report.Rows().size()); ++index) {
        const bool section = report.Rows()[index].kind == kAboutRowSection;
        EXPECT_EQ(section, report.Sections().count(index) == 1u) << index;
    }
}

TEST(AboutReportNames, ThirtyPrivilegesAndUpperCaseExtensions) {
    EXPECT_EQ(30u, GetReportPrivilegeNames().size());
    EXPECT_EQ(L"SeCreateTokenPrivilege", W(GetReportPrivilegeNames().front()));
    EXPECT_EQ(L"SeCreateGlobalPrivilege", W(GetReportPrivilegeNames().back()));
    EXPECT_EQ(L"Vexlora.EXE", W(MakeComponentLabel(L"C:\\a.b\\Vexlora.exe")));
    EXPECT_EQ(L"archive.tar.GZ", W(MakeComponentLabel(L"archive.tar.gz")));
    EXPECT_EQ(L"", W(MakeComponentLabel(L"")));
}

// The machine's own access tests and the browser probe clean up after themselves.
TEST(AboutSystemProbes, AccessTestsAndTheBrowserProbeLeaveNothingBehind) {
    const CString folder = testkit::MakeUniqueTempFolder(L"vxl_about");
    const CString slash = folder + L"\\";
    IAboutProbes& probes = GetSystemAboutProbes();
    EXPECT_TRUE(probes.TestCreateFile(slash));
    EXPECT_TRUE(probes.TestCreateFolder(slash));
    EXPECT_TRUE(probes.TestOpenFolder(folder, false));
    EXPECT_FALSE(probes.TestOpenFolder(slash + L"missing", false));
    EXPECT_FALSE(probes.TestCreateFile(slash + L"missing\\"));
    WIN32_FIND_DATAW found = {};
    HANDLE find = FindFirstFileW(slash + L"*", &found);
    int entries = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0) ++entries;
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    EXPECT_EQ(0, entries);

    // The settings the environment reads are written where missing: into the test's folder.
    SetProgramFolderForTest(folder);
    SetProfileFolderForTest(folder);
    const AboutEnvironment environment = probes.Environment();
    SetProfileFolderForTest(L"");
    SetProgramFolderForTest(L"");
    testkit::RemoveTree(folder);
    EXPECT_FALSE(environment.executablePath.IsEmpty());
    find = FindFirstFileW(GetTempFolder() + L"*test_vxl.htm", &found);
    EXPECT_EQ(INVALID_HANDLE_VALUE, find) << "left behind: " << (find != INVALID_HANDLE_VALUE ? "a probe file" : "");
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

}  // namespace
