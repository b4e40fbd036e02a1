// The daily usage counts: the file's bytes, the writer that adds what requests left
// pending, the day change, and files the writer finds damaged, locked or from the future.
#include "core/Statistics.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/Handles.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using testkit::Utf16Bytes;

const SYSTEMTIME kNinthOfDecember = {2026, 12, 3, 9, 10, 30, 0, 0};
const SYSTEMTIME kTenthOfDecember = {2026, 12, 4, 10, 0, 0, 1, 0};

const wchar_t kHeaderOfTheNinth[] =
    L"; This is the Vexlora Stat file\n"
    L"; Format of Sections Data:  \"[STAT_Day:%DayNum%/%MonthNum%/%YearNum%]\"\n"
    L"; Example: [STAT_Day:9/12/2026]\n"
    L"; [Cmd_Count]: ini-key phrases usage count\n"
    L"; [Clipboard_Count]: ini-key clipboard history (float pane) usage count\n"
    L"\n";

// A key as the profile functions read it back; "-" when it is missing.
CString ReadKey(const CString& file, const wchar_t* section, const wchar_t* key) {
    wchar_t value[64] = {};
    GetPrivateProfileStringW(section, key, L"-", value, 64, file);
    return value;
}

class StatisticsFile : public ::testing::Test {
protected:
    void SetUp() override { m_folder = testkit::MakeUniqueTempFolder(L"vxl_stat"); }
    void TearDown() override { testkit::RemoveTree(m_folder); }

    CString FilePath() const { return m_folder + L"\\vxl_stat_info.ini"; }

    // Each request, then the exit: the writer has taken everything when it ends.
    void Count(std::initializer_list<S_INFO> requests) {
        CHandle exitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        CStat_Info counter(exitEvent.get(), FilePath(), m_clock);
        for (const S_INFO& request : requests) EXPECT_TRUE(counter.Write(request.Cmd_Count, request.Clipboard_Count));
        SetEvent(exitEvent.get());
        ASSERT_TRUE(counter.WaitWriterEnded(30000));
    }

    CString m_folder;
    CFakeClock m_clock;
};

TEST(Statistics, SectionNamesCarryTheLocalDateWithoutLeadingZeros) {
    const struct {
        SYSTEMTIME day;
        const wchar_t* section;
    } cases[] = {
        {kNinthOfDecember, L"STAT_Day:9/12/2026"},
        {{2027, 1, 5, 1, 0, 0, 0, 0}, L"STAT_Day:1/1/2027"},
        {{2026, 10, 6, 31, 23, 59, 59, 999}, L"STAT_Day:31/10/2026"},
    };
    for (const auto& c : cases) EXPECT_EQ(CString(c.section), GetStatSectionName(c.day));
}

TEST(Statistics, OnlyTheClipboardHistoryCommandsCountAsHistoryUse) {
    const UINT history[] = {32793, 32797, 32828, 32845, 32849, 32851, 32860, 32789, 32873, 32812,
                            32805, 32799, 32821, 32848, 32847, 32840, 32841, 32843, 32842};
    for (UINT id : history) EXPECT_TRUE(IsClipboardHistoryCommand(id)) << id;
    // Neighbours of the table's ids and other float-pane commands.
    const UINT others[] = {0, 32788, 32790, 32794, 32798, 32800, 32844, 32846, 32850, 32874, 65535};
    for (UINT id : others) EXPECT_FALSE(IsClipboardHistoryCommand(id)) << id;
}

TEST(Statistics, PendingAmountsAddUpUntilTheWriterTakesThem) {
    CStatPending pending;
    pending.Add(1, 0);
    pending.Add(1, 0);
    pending.Add(0, 3);
    pending.Add(-1, 0);
    S_INFO taken = pending.Take();
    EXPECT_EQ(1, taken.Cmd_Count);
    EXPECT_EQ(3, taken.Clipboard_Count);
    taken = pending.Take();
    EXPECT_EQ(0, taken.Cmd_Count);
    EXPECT_EQ(0, taken.Clipboard_Count);
}

TEST(Statistics, WithoutTheApplicationExitEventNothingIsCounted) {
    // This test program never sets the application exit event.
    EXPECT_EQ(nullptr, CStat_Info::GetInstance());
    EXPECT_EQ(0, CStat_Info::Inc_Cmd_Count());
    EXPECT_EQ(0, CStat_Info::Inc_Clipboard_Count());
    EXPECT_FALSE(CStat_Info::Count_Menu_Command(32793));
}

TEST_F(StatisticsFile, ANewFileHoldsTheByteOrderMarkAndTheHeader) {
    ASSERT_TRUE(CreateStatFile(FilePath(), kNinthOfDecember));
    const std::string expected = "\xFF\xFE" + Utf16Bytes(kHeaderOfTheNinth);
    EXPECT_EQ(expected, testkit::ReadFileBytes(FilePath()));
    // An existing file is never made again.
    EXPECT_FALSE(CreateStatFile(FilePath(), kTenthOfDecember));
    EXPECT_EQ(expected, testkit::ReadFileBytes(FilePath()));
}

TEST_F(StatisticsFile, TheWriterCreatesTheFileAndAddsTheDaysCounts) {
    m_clock.localTime = kNinthOfDecember;
    Count({{1, 0}, {1, 0}, {0, 1}, {1, 0}});
    const std::string bytes = testkit::ReadFileBytes(FilePath());
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
    // The profile functions rewrite the file with their own line ends and may drop the
    // empty line; the header's lines stay ahead of the day.
    for (size_t at; (at = text.find(L'\r')) != std::wstring::npos;) text.erase(at, 1);
    const std::wstring headerLines(kHeaderOfTheNinth, wcslen(kHeaderOfTheNinth) - 1);
    EXPECT_EQ(0u, text.find(headerLines));
    EXPECT_NE(std::wstring::npos, text.find(L"[STAT_Day:9/12/2026]"));
    EXPECT_EQ(CString(L"3"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Cmd_Count"));
    EXPECT_EQ(CString(L"1"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Clipboard_Count"));
}

TEST_F(StatisticsFile, ANewDayStartsItsOwnSectionAndLeavesTheDayBefore) {
    m_clock.localTime = kNinthOfDecember;
    Count({{2, 0}, {0, 1}});
    m_clock.localTime = kTenthOfDecember;
    Count({{1, 0}});
    EXPECT_EQ(CString(L"2"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Cmd_Count"));
    EXPECT_EQ(CString(L"1"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Clipboard_Count"));
    EXPECT_EQ(CString(L"1"), ReadKey(FilePath(), L"STAT_Day:10/12/2026", L"Cmd_Count"));
    // A key whose amount was zero is not written.
    EXPECT_EQ(CString(L"-"), ReadKey(FilePath(), L"STAT_Day:10/12/2026", L"Clipboard_Count"));
}

TEST_F(StatisticsFile, RequestsWithoutAPositiveAmountAreRefused) {
    CHandle exitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CStat_Info counter(exitEvent.get(), FilePath(), m_clock);
    EXPECT_FALSE(counter.Write(0, 0));
    EXPECT_FALSE(counter.Write(-1, 0));
    EXPECT_FALSE(counter.Write(0, -2));
    SetEvent(exitEvent.get());
    ASSERT_TRUE(counter.WaitWriterEnded(30000));
    EXPECT_EQ(CString(L"-"), ReadKey(FilePath(), GetStatSectionName(m_clock.localTime), L"Cmd_Count"));
}

TEST_F(StatisticsFile, AFileThatIsNoIniFileStillTakesTheDaysCounts) {
    ASSERT_TRUE(testkit::WriteFileBytes(FilePath(), std::string("\x00\x01\x02garbage ]]] [[[ ==\xFF\x80\n", 24)));
    m_clock.localTime = kNinthOfDecember;
    Count({{1, 0}, {0, 2}});
    EXPECT_EQ(CString(L"1"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Cmd_Count"));
    EXPECT_EQ(CString(L"2"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Clipboard_Count"));
}

TEST_F(StatisticsFile, ASectionForAFutureDayIsLeftAlone) {
    ASSERT_TRUE(CreateStatFile(FilePath(), kNinthOfDecember));
    ASSERT_TRUE(WritePrivateProfileStringW(L"STAT_Day:1/1/2099", L"Cmd_Count", L"7", FilePath()));
    m_clock.localTime = kNinthOfDecember;
    Count({{1, 0}});
    EXPECT_EQ(CString(L"1"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Cmd_Count"));
    EXPECT_EQ(CString(L"7"), ReadKey(FilePath(), L"STAT_Day:1/1/2099", L"Cmd_Count"));
}

TEST_F(StatisticsFile, AFileThatCannotBeWrittenStaysAsItWasAndTheCountWaitsForTheNextWrite) {
    ASSERT_TRUE(CreateStatFile(FilePath(), kNinthOfDecember));
    ASSERT_TRUE(WritePrivateProfileStringW(L"STAT_Day:9/12/2026", L"Cmd_Count", L"5", FilePath()));
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, FilePath());
    const std::string before = testkit::ReadFileBytes(FilePath());
    m_clock.localTime = kNinthOfDecember;

    // The attribute refuses writes on Windows; Wine run as root ignores it, but not a
    // handle that shares the file for reading only.
    ASSERT_TRUE(SetFileAttributesW(FilePath(), FILE_ATTRIBUTE_READONLY));
    CHandle readersOnly(CreateFileW(FilePath(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(readersOnly);
    CHandle exitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    CStat_Info counter(exitEvent.get(), FilePath(), m_clock);
    EXPECT_TRUE(counter.Write(1, 0));
    SetEvent(exitEvent.get());
    ASSERT_TRUE(counter.WaitWriterEnded(30000));
    readersOnly.reset();
    EXPECT_EQ(before, testkit::ReadFileBytes(FilePath()));

    // Once the file can be written again, the refused count arrives with the next one.
    ASSERT_TRUE(SetFileAttributesW(FilePath(), FILE_ATTRIBUTE_NORMAL));
    ResetEvent(exitEvent.get());
    EXPECT_TRUE(counter.Write(0, 1));
    SetEvent(exitEvent.get());
    ASSERT_TRUE(counter.WaitWriterEnded(30000));
    EXPECT_EQ(CString(L"6"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Cmd_Count"));
    EXPECT_EQ(CString(L"1"), ReadKey(FilePath(), L"STAT_Day:9/12/2026", L"Clipboard_Count"));
}

}  // namespace
