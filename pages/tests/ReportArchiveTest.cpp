// The report archive read back with minizip: the report text and the program's files in
// order, files that are missing left out, the box and the explorer after the archive,
// and the suggested name and dialog title.
#include "pages/ReportArchive.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/AppPaths.h"
#include "core/base/TextConversions.h"
#include "pages/zip/tests/ZipReader.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/RecordingMessageBox.h"
#include "testkit/fakes/RecordingShell.h"

namespace {

std::vector<testkit::ShownBox>& g_boxes = testkit::RecordedBoxes();
const MessageBoxFn RecordBox = &testkit::RecordMessageBox;

const wchar_t kReport[] = L"Vexlora 1.2 build 3\r\nOS: Windows 10 32x build 19045 \r\n\x0420\x0443\x0441 \x00FC \x20AC";
const char kSettings[] = "\xFF\xFE[\0S\0]\0";
const char kLog[] = "\xFF\xFEL\0o\0g\0";
const char kStat[] = "\xFF\xFE;\0 \0S\0";

class ReportArchive : public ::testing::Test {
protected:
    void SetUp() override {
        g_boxes.clear();
        m_folder = testkit::MakeUniqueTempFolder(L"vxl_report");
        CreateDirectoryW(m_folder + L"\\temp", nullptr);
        m_files.infoFolder = m_folder + L"\\temp\\";
        m_files.settingsPath = m_folder + L"\\Settings.ini";
        m_files.logPath = m_folder + L"\\LogReport.txt";
        m_files.statPath = m_folder + L"\\vxl_stat_info.ini";
    }
    void TearDown() override { testkit::RemoveTree(m_folder); }

    void PutFiles(bool settings, bool log, bool stat) {
        const struct {
            bool wanted;
            const CString& path;
            const char* bytes;
        } files[] = {
            {settings, m_files.settingsPath, kSettings}, {log, m_files.logPath, kLog}, {stat, m_files.statPath, kStat}};
        for (const auto& file : files) {
            if (file.wanted) {
                ASSERT_TRUE(testkit::WriteFileBytes(file.path, std::string(file.bytes, 8)));
            }
        }
    }
    CString ZipPath() const { return m_folder + L"\\Report 1.zip"; }
    CString InfoPath() const { return m_files.infoFolder + L"Vexlora_Info.txt"; }

    CString m_folder;
    ReportArchiveFiles m_files;
};

TEST_F(ReportArchive, HoldsTheReportAndTheFilesThatExistInOrder) {
    const std::string report = WideToUtf8(kReport);
    const struct {
        const char* label;
        bool settings, log, stat;
        std::vector<std::pair<std::string, std::string>> entries;
    } cases[] = {
        {"all files",
         true,
         true,
         true,
         {{"Vexlora_Info.txt", report},
          {"Settings.ini", std::string(kSettings, 8)},
          {"LogReport.txt", std::string(kLog, 8)},
          {"vxl_stat_info.ini", std::string(kStat, 8)}}},
        {"no statistics yet",
         true,
         true,
         false,
         {{"Vexlora_Info.txt", report},
          {"Settings.ini", std::string(kSettings, 8)},
          {"LogReport.txt", std::string(kLog, 8)}}},
        {"neither log nor settings",
         false,
         false,
         true,
         {{"Vexlora_Info.txt", report}, {"vxl_stat_info.ini", std::string(kStat, 8)}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        for (const CString& path : {m_files.settingsPath, m_files.logPath, m_files.statPath}) DeleteFileW(path);
        PutFiles(c.settings, c.log, c.stat);
        CRecordingShell shell;
        ASSERT_TRUE(SaveReportArchive(m_files, ZipPath(), true, nullptr, kReport, false, RecordBox));
        std::vector<ZipEntryRead> entries;
        ASSERT_TRUE(ReadZipEntries(ZipPath(), &entries));
        ASSERT_EQ(c.entries.size(), entries.size());
        for (size_t i = 0; i < entries.size(); ++i) {
            EXPECT_EQ(c.entries[i].first, entries[i].name);
            EXPECT_TRUE(c.entries[i].second == entries[i].bytes) << entries[i].name;
        }
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InfoPath())) << "the report text's file is removed";
        EXPECT_TRUE(g_boxes.empty());
        EXPECT_TRUE(shell.files.empty()) << "no explorer unless asked";
    }
}

TEST_F(ReportArchive, TheExplorerOpensWithTheNewArchiveSelected) {
    PutFiles(true, true, true);
    CRecordingShell shell;
    const HWND owner = GetDesktopWindow();
    ASSERT_TRUE(SaveReportArchive(m_files, ZipPath(), true, owner, kReport, true, RecordBox));
    ASSERT_EQ(1u, shell.files.size());
    EXPECT_EQ(L"open", shell.verbs[0]);
    EXPECT_EQ(L"explorer.exe", shell.files[0]);
    EXPECT_EQ(std::wstring(L"/select, \"") + ZipPath().GetString() + L"\"", shell.parameters[0]);
    EXPECT_EQ(SW_SHOWNORMAL, shell.shows[0]);
}

TEST_F(ReportArchive, WithoutAPlaceForTheReportTextTheOtherFilesAreArchived) {
    PutFiles(true, true, false);
    m_files.infoFolder = m_folder + L"\\no such folder\\";
    ASSERT_TRUE(SaveReportArchive(m_files, ZipPath(), true, nullptr, kReport, false, RecordBox));
    std::vector<ZipEntryRead> entries;
    ASSERT_TRUE(ReadZipEntries(ZipPath(), &entries));
    ASSERT_EQ(2u, entries.size());
    EXPECT_EQ("Settings.ini", entries[0].name);
    EXPECT_EQ("LogReport.txt", entries[1].name);
}

TEST_F(ReportArchive, AFailureLeavesNoArchiveAndListsTheFilesInABox) {
    PutFiles(true, true, true);
    const CString target = m_folder + L"\\no such folder\\report.zip";
    for (bool showErrors : {true, false}) {
        SCOPED_TRACE(showErrors ? "errors shown" : "errors not shown");
        g_boxes.clear();
        CRecordingShell shell;
        const HWND owner = GetDesktopWindow();
        EXPECT_FALSE(SaveReportArchive(m_files, target, showErrors, owner, kReport, true, RecordBox));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(target));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(InfoPath()));
        EXPECT_TRUE(shell.files.empty()) << "no explorer for an archive that is not there";
        if (!showErrors) {
            EXPECT_TRUE(g_boxes.empty());
            continue;
        }
        ASSERT_EQ(1u, g_boxes.size());
        const std::wstring expected = L"Cannot create ZIP-archive " + std::wstring(target.GetString()) +
                                      L"\n\nFollows Files:\n" + InfoPath().GetString() + L"\n" +
                                      m_files.settingsPath.GetString() + L"\n" + m_files.logPath.GetString() + L"\n" +
                                      m_files.statPath.GetString() + L"\n";
        EXPECT_EQ(expected, g_boxes[0].text);
        EXPECT_EQ(L"Vexlora", g_boxes[0].caption);
        EXPECT_EQ(owner, g_boxes[0].owner);
        EXPECT_EQ(static_cast<UINT>(MB_ICONEXCLAMATION), g_boxes[0].style);
    }
}

CString ExpandForTest(const CString& text) {
    if (text == L"%VXL_VERSION%") return L" 2.61 build 7 ";
    if (text == L"%DAY%_%MONTHNAME_ABBR%_%YEAR%_") return L"11_Dec_2026_";
    return L"?";
}

CString ExpandWithColonsAndBlanks(const CString& text) {
    if (text == L"%VXL_VERSION%") return L"2.61: beta";
    return L" 11_Dec_2026_ 10:15 ";
}

TEST(ReportArchiveName, TheSuggestedNameHasNoBlankAndNoColon) {
    const struct {
        const wchar_t* logPath;
        MacroExpander expand;
        const wchar_t* expected;
    } cases[] = {
        {L"C:\\Program Files\\Vexlora\\LogReport.txt", &ExpandForTest,
         L"LogReport_Vexlora_version_2.61_build_7_11_Dec_2026_.zip"},
        {L"C:\\Users\\A B\\AppData\\LogReport_Vexlora.txt", &ExpandForTest,
         L"LogReport_Vexlora_Vexlora_version_2.61_build_7_11_Dec_2026_.zip"},
        {L"D:\\my logs\\day one.log", &ExpandWithColonsAndBlanks,
         L"day_one_Vexlora_version2.61__beta_11_Dec_2026__10_15.zip"},
        {L"", &ExpandForTest, L"Vexlora_version_2.61_build_7_11_Dec_2026_.zip"},
    };
    for (const auto& c : cases) {
        const CString name = GetSuggestedArchiveName(c.logPath, c.expand);
        EXPECT_EQ(CString(c.expected), name) << c.logPath;
        EXPECT_EQ(-1, name.Find(L' '));
        EXPECT_EQ(-1, name.Find(L':'));
    }
}

TEST(ReportArchiveName, TheDialogTitleNamesTheProgramWithoutTrailingDots) {
    const struct {
        const wchar_t* title;
        const wchar_t* expected;
    } cases[] = {
        {L"Save report as ZIP...", L"Vexlora : Save report as ZIP"},
        {L"Save report", L"Vexlora : Save report"},
        {L"...", L"Vexlora : "},
        {L"Wait.. ", L"Vexlora : Wait.. "},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_EQ(CString(c.expected), GetArchiveDialogTitle(c.title)) << c.title;
}

}  // namespace
