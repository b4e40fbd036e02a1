#include "core/base/Logger.h"

#include <gtest/gtest.h>

#include <cwctype>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "core/base/Handles.h"
#include "testkit/TempFolder.h"

namespace {

std::wstring UniqueTempPath(const wchar_t* name) {
    wchar_t folder[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    wchar_t unique[64];
    swprintf(unique, 64, L"vxl_log_%lu_%lu_", GetCurrentProcessId(), GetTickCount());
    static int counter = 0;
    return std::wstring(folder) + unique + std::to_wstring(++counter) + name;
}

std::string ReadBytes(const std::wstring& path) {
    return testkit::ReadFileBytes(path.c_str());
}

// The file's entries after the byte-order mark, split at CR LF.
std::vector<std::wstring> ReadEntries(const std::wstring& path) {
    std::string bytes = ReadBytes(path);
    std::vector<std::wstring> entries;
    if (bytes.size() < 2) return entries;
    std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        entries.push_back(text.substr(start, end - start));
    if (start < text.size()) entries.push_back(text.substr(start) + L"<no line break>");
    return entries;
}

// "[MM/DD/YY HH:MM:SS] " at the given position.
bool HasStampAt(const std::wstring& line, size_t at) {
    const wchar_t* shape = L"[99/99/99 99:99:99] ";
    for (size_t i = 0; shape[i]; ++i) {
        if (at + i >= line.size()) return false;
        wchar_t c = line[at + i];
        if (shape[i] == L'9' ? !iswdigit(c) : c != shape[i]) return false;
    }
    return true;
}

class Logger : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = UniqueTempPath(L"LogReport.txt");
        ASSERT_EQ(1, LogInit(path_.c_str()));
    }
    void TearDown() override {
        LogWaitPending(20000);
        LogShutdown();
        LogResetTag();
        DeleteFileW(path_.c_str());
    }
    // Lines from different threads land in the order their threads get their turn,
    // so a test that checks order waits for each line.
    void Settle() { ASSERT_TRUE(LogWaitPending(20000)); }

    std::wstring path_;
};

}  // namespace

TEST_F(Logger, FirstLineCreatesTheFileWithAByteOrderMarkAndLaterLinesAppend) {
    LogWrite(L"first");
    Settle();
    std::string bytes = ReadBytes(path_);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ('\xFF', bytes[0]);
    EXPECT_EQ('\xFE', bytes[1]);
    LogWrite(L"second");
    Settle();
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(2u, entries.size());
    EXPECT_NE(std::wstring::npos, entries[1].find(L"second"));
    EXPECT_EQ(std::string::npos, ReadBytes(path_).find("\xFF\xFE", 2)) << "one byte-order mark only";
}

TEST_F(Logger, LineShapes) {
    struct Case {
        const char* name;
        void (*write)();
        const wchar_t* prefix;  // what precedes the stamp
        const wchar_t* rest;    // what follows it
    } cases[] = {
        {"information", [] { LogWrite(L"hello \x0416"); }, L"EXE_Agent: ", L"hello \x0416"},
        {"tag",
         [] {
             LogSetTag(L"CVXLTrayWnd::OnCreate");
             LogWrite(L"x");
             LogResetTag();
         },
         L"CVXLTrayWnd::OnCreate: ", L"x"},
        {"prefix", [] { LogWriteWithPrefix(L"text", L"pre"); }, L"EXE_Agent: ", L"pre: text"},
        {"format", [] { LogWriteFormat(L"n=%d s=%s", 42, L"v"); }, L"EXE_Agent: ", L"n=42 s=v"},
        {"write-or-error 1", [] { LogErrorOrWrite(L"w", 1); }, L"EXE_Agent: ", L"w"},
    };
    for (const Case& c : cases) {
        c.write();
        Settle();
    }
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(std::size(cases), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        const Case& c = cases[i];
        const std::wstring& line = entries[i];
        size_t prefixLength = wcslen(c.prefix);
        EXPECT_EQ(c.prefix, line.substr(0, prefixLength)) << c.name;
        EXPECT_TRUE(HasStampAt(line, prefixLength)) << c.name;
        EXPECT_EQ(c.rest, line.substr(prefixLength + 20)) << c.name;
    }
}

TEST_F(Logger, EntriesWithoutTagOrDate) {
    HWND desktop = GetDesktopWindow();
    wchar_t className[256] = {};
    GetClassNameW(desktop, className, 256);
    LogError(L"disk full");
    Settle();
    LogErrorOrWrite(L"via flag", 0);
    Settle();
    LogWrite(L"ends with a break\r\n");
    Settle();
    LogWindowInfo(L"target", desktop);
    Settle();
    LogWindowInfo(L"", nullptr);
    Settle();
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(5u, entries.size());
    EXPECT_EQ(L"ERROR: [disk full]", entries[0]);
    EXPECT_EQ(L"ERROR: [via flag]", entries[1]);
    EXPECT_NE(std::wstring::npos, entries[2].find(L"] ends with a break")) << "no second line break";
    wchar_t expected[512];
    swprintf(expected, 512, L"target: IsWindow HWND=%d ? 1; CLASSNAME: [%ls]",
             static_cast<int>(reinterpret_cast<INT_PTR>(desktop)), className);
    EXPECT_EQ(expected, entries[3]);
    EXPECT_EQ(L"IsWindow HWND=0 ? 0; CLASSNAME: []", entries[4]);
}

TEST_F(Logger, WindowStateShowsTheNameAsTagAndPrefix) {
    LogWindowState(nullptr, L"Pane");
    Settle();
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(2u, entries.size());
    std::set<std::wstring> rests;
    for (const std::wstring& line : entries) {
        ASSERT_EQ(L"Pane: ", line.substr(0, 6));
        rests.insert(line.substr(26));
    }
    EXPECT_EQ((std::set<std::wstring>{L"Pane: IsWindow=0", L"Pane: classname=[]"}), rests);
    LogWrite(L"after");
    Settle();
    EXPECT_EQ(L"EXE_Agent: ", ReadEntries(path_).back().substr(0, 11)) << "tag cleared again";
}

TEST_F(Logger, OverLongTextIsPostedBare) {
    std::wstring longText(102390, L'x');
    longText[0] = L'A';
    EXPECT_EQ(1, LogWrite(longText.c_str()));
    Settle();
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ(longText, entries[0]);

    std::wstring fits(102300, L'y');
    LogWrite(fits.c_str());
    Settle();
    EXPECT_EQ(L"EXE_Agent: ", ReadEntries(path_).back().substr(0, 11));
}

// The line buffer holds 102,400 characters; tag, text, date (8), time (8) and the 11
// characters around them must stay below 102,399. With the default tag "EXE_Agent" the
// longest text that keeps its prefix is 102,362 characters.
TEST_F(Logger, TextAtTheEdgeOfTheLineBuffer) {
    const struct {
        size_t length;
        bool prefixed;
    } rows[] = {
        {102362, true},
        {102363, false},
    };
    for (const auto& row : rows) {
        std::wstring text(row.length, L'z');
        text[0] = L'B';
        EXPECT_EQ(1, LogWrite(text.c_str())) << row.length;
        Settle();
        std::wstring entry = ReadEntries(path_).back();
        if (row.prefixed) {
            EXPECT_EQ(L"EXE_Agent: ", entry.substr(0, 11)) << row.length;
            EXPECT_TRUE(HasStampAt(entry, 11)) << row.length;
            EXPECT_EQ(text, entry.substr(31)) << row.length;
        } else {
            EXPECT_EQ(text, entry) << row.length;
        }
    }
}

// A formatted line carries whatever it is given (a whole expanded phrase, the clipboard
// text): it is cut to 10,000 characters before it reaches the log.
TEST_F(Logger, FormattedTextIsCutToTenThousandCharacters) {
    const size_t rows[] = {9999, 10000, 10001, 250000};
    for (size_t length : rows) {
        std::wstring argument(length - 7, L'c');  // "clip=[" and "]" make up the rest
        EXPECT_EQ(1, LogWriteFormat(L"clip=[%s]", argument.c_str())) << length;
        Settle();
        std::wstring entry = ReadEntries(path_).back();
        ASSERT_EQ(L"EXE_Agent: ", entry.substr(0, 11)) << length;
        std::wstring expected = (L"clip=[" + argument + L"]").substr(0, 10000);
        EXPECT_EQ(expected.size(), entry.size() - 31) << length;
        EXPECT_EQ(expected, entry.substr(31)) << length;
    }

    // The cut never leaves half of a character that takes two code units.
    const std::wstring before(9999, L'c');
    EXPECT_EQ(1, LogWriteFormat(L"%s\U0001F600 tail", before.c_str()));
    Settle();
    EXPECT_EQ(before, ReadEntries(path_).back().substr(31));
}

TEST_F(Logger, NothingIsPostedForEmptyTextsOrWhileOff) {
    EXPECT_EQ(0, LogWrite(L""));
    EXPECT_EQ(0, LogWrite(nullptr));
    EXPECT_EQ(0, LogError(nullptr));
    EXPECT_EQ(0, LogPostLine(L""));
    Settle();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path_.c_str())) << "no file for nothing";

    EXPECT_EQ(1, LogShutdown());
    EXPECT_EQ(0, LogShutdown());
    EXPECT_FALSE(IsLogEnabled());
    EXPECT_EQ(0, LogWrite(L"while off"));
    EXPECT_EQ(0, LogGetAtom());
    Settle();
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path_.c_str()));
    ASSERT_EQ(1, LogInit(path_.c_str()));
}

TEST_F(Logger, OpenStateAndPathAtom) {
    EXPECT_EQ(0, LogInit(path_.c_str())) << "already on";
    EXPECT_TRUE(IsLogEnabled());
    EXPECT_EQ(path_.c_str(), GetLogPath());
    wchar_t small[5];
    EXPECT_EQ(4, GetLogPath(small, 5));
    EXPECT_EQ(path_.substr(0, 4), small);
    wchar_t atomName[300] = {};
    ASSERT_NE(0, LogGetAtom());
    GlobalGetAtomNameW(LogGetAtom(), atomName, 300);
    EXPECT_EQ(path_, atomName);
}

TEST_F(Logger, BufferedLinesGoOutAsOneEntryOnce) {
    LogBuffered(L"one");
    LogBuffered(L"two");
    EXPECT_EQ(1, LogFlushBuffered());
    EXPECT_EQ(0, LogFlushBuffered()) << "the same block must not be written twice";
    Settle();
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(1u, entries.size());
    size_t newline = entries[0].find(L'\n');
    ASSERT_NE(std::wstring::npos, newline);
    std::wstring first = entries[0].substr(0, newline);
    std::wstring second = entries[0].substr(newline + 1);
    EXPECT_EQ(L"EXE_Agent ", first.substr(0, 10));
    EXPECT_TRUE(HasStampAt(first, 10));
    EXPECT_EQ(L"one", first.substr(30));
    EXPECT_EQ(L"two", second.substr(30));
}

TEST_F(Logger, AStuckWriterCostsOneLineAndTheNextGoesThrough) {
    // Another program took the turn and never gives it back.
    CHandle turn(OpenEventW(SYNCHRONIZE | EVENT_MODIFY_STATE, FALSE, kLoggerSyncEventName));
    ASSERT_TRUE(turn.valid());
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(turn.get(), 5000));
    LogWrite(L"dropped");
    Settle();  // about five seconds
    LogWrite(L"goes through");
    Settle();
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(1u, entries.size());
    EXPECT_NE(std::wstring::npos, entries[0].find(L"goes through"));
}

TEST_F(Logger, TwoProcessesWritingAtOnceLeaveWholeLines) {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring helper(self);
    helper = helper.substr(0, helper.rfind(L'\\') + 1) + L"vxl_log_writer.exe";
    std::vector<PROCESS_INFORMATION> processes;
    for (const wchar_t* tag : {L"ALPHA", L"BRAVO"}) {
        std::wstring command = L"\"" + helper + L"\" \"" + path_ + L"\" " + tag + L" 500";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        ASSERT_TRUE(CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
            << "cannot start " << std::string(helper.begin(), helper.end());
        CloseHandle(info.hThread);
        processes.push_back(info);
    }
    for (PROCESS_INFORMATION& info : processes) {
        CHandle process(info.hProcess);
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(process.get(), 120000)) << "writer did not end";
        DWORD code = 99;
        GetExitCodeProcess(process.get(), &code);
        EXPECT_EQ(0u, code);
    }
    std::vector<std::wstring> entries = ReadEntries(path_);
    ASSERT_EQ(1000u, entries.size());
    std::set<std::wstring> seen;
    for (const std::wstring& line : entries) {
        ASSERT_TRUE(line.compare(0, 7, L"ALPHA: ") == 0 || line.compare(0, 7, L"BRAVO: ") == 0)
            << "torn: " << line.size();
        ASSERT_TRUE(HasStampAt(line, 7));
        std::wstring rest = line.substr(27);
        ASSERT_EQ(0u, rest.find(L"line ")) << "torn line";
        ASSERT_EQ(line.substr(0, 5), rest.substr(rest.size() - 5)) << "torn line";
        seen.insert(rest);
    }
    EXPECT_EQ(1000u, seen.size()) << "every line exactly once";
}
