// The main side of the query exchange: the query read from the mapping, the selection
// completed by a copy, the wait loop's error count, the whole exchange from the hook
// library's writer to the tray window's message, and the copy from a real target program.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "core/base/WorkerThread.h"
#include "hooklib/Exchange.h"
#include "testkit/Poll.h"
#include "testkit/TargetIds.h"
#include "testkit/TargetProgram.h"
#include "tray/QueryWait.h"
#include "tray/tests/QueryRecorder.h"

namespace {

const CWaitObjectNames kNames = {L"Local\\VxlTestWaitArea", L"Local\\VxlTestWaitNeeded",
                                 L"Local\\VxlTestWaitCompleted"};

std::string QueryText(const std::string& inside) {
    return "<?xml version=\"1.0\" ?>\r\n<WPQuery POINT_X=\"5\" POINT_Y=\"6\" HWND_Focus=\"77\">" + inside +
           "</WPQuery>";
}

const std::string kFullQuery = QueryText(
    "<AppPath>C:\\Apps\\\xD0\xB8.exe</AppPath><WindowClassName>Edit</WindowClassName><HWND>4660</HWND>"
    "<HKLLoword>1033</HKLLoword><HKLHoword>61442</HKLHoword><SelText StateSelText=\"2\">two  words</SelText>");

bool WriteQuery(const std::string& text) {
    return CMMFFile(kNames.mappingName).WriteMMF_StringA(text.c_str(), true);
}

class QueryWait : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(m_objects.CreateWaitObjects()); }

    CVXL_Wait_Objs m_objects{kNames};
};

TEST_F(QueryWait, TheQueryIsReadFromTheMappingWithItsDefaults) {
    CWPQueryData query;
    query.m_selectedText = L"kept";
    query.m_selTextState = 9;
    const struct {
        const char* name;
        std::string text;
        bool read;
        DWORD layout;
        const wchar_t* selected;
        int state;
    } kCases[] = {
        {"full", kFullQuery, true, 0xF0020409u, L"two  words", 2},
        {"no SelText", QueryText("<HKLLoword>1033</HKLLoword><HWND>4660</HWND>"), true, 0, L"kept", 9},
        {"no root", "<?xml version=\"1.0\" ?>\r\n<WPAnswer><HWND>4660</HWND></WPAnswer>", false, 0, L"kept", 9},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        CWPQueryData read = query;
        ASSERT_TRUE(WriteQuery(c.text));
        ASSERT_EQ(c.read, ReadQueryFromMapping(kNames.mappingName, read));
        if (!c.read) continue;
        EXPECT_EQ(c.layout, HandleToUlong(read.m_keyboardLayout));
        EXPECT_STREQ(c.selected, read.m_selectedText);
        EXPECT_EQ(c.state, read.m_selTextState);
        EXPECT_EQ(reinterpret_cast<HWND>(4660), read.m_targetWindow);
    }
    CWPQueryData full;
    ASSERT_TRUE(WriteQuery(kFullQuery));
    ASSERT_TRUE(ReadQueryFromMapping(kNames.mappingName, full));
    EXPECT_STREQ(L"C:\\Apps\\\x0438.exe", full.m_appPath);
    EXPECT_STREQ(L"Edit", full.m_windowClassName);
    EXPECT_EQ(5, full.m_pointX);
    EXPECT_EQ(reinterpret_cast<HWND>(77), full.m_guiThreadInfo.hwndFocus);

    CWPQueryData none;
    EXPECT_FALSE(ReadQueryFromMapping(L"Local\\VxlTestNoSuchArea", none));
}

TEST(QuerySelection, OnlyAnUnreadableEmptySelectionIsCopied) {
    const struct {
        int state;
        const wchar_t* text;
        const wchar_t* copied;
        bool asked;
        int stateAfter;
        const wchar_t* textAfter;
    } kCases[] = {
        {1, L"", L"from copy", true, 2, L"from copy"}, {1, L"", L"", true, 1, L""},
        {0, L"", L"from copy", false, 0, L""},         {2, L"read", L"from copy", false, 2, L"read"},
        {1, L"read", L"from copy", false, 1, L"read"},
    };
    for (const auto& c : kCases) {
        CWPQueryData query;
        query.m_targetWindow = reinterpret_cast<HWND>(0x42);
        query.m_selTextState = c.state;
        query.m_selectedText = c.text;
        HWND askedFor = nullptr;
        const bool asked = CompleteQuerySelection(query, [&](HWND target) {
            askedFor = target;
            return CString(c.copied);
        });
        SCOPED_TRACE(testing::Message() << "state " << c.state << " text " << std::wstring(c.text));
        EXPECT_EQ(c.asked, asked);
        EXPECT_EQ(c.asked ? reinterpret_cast<HWND>(0x42) : nullptr, askedFor);
        EXPECT_EQ(c.stateAfter, query.m_selTextState);
        EXPECT_STREQ(c.textAfter, query.m_selectedText);
    }
}

// The loop run on the test's own thread with a scripted wait: each failure sets the last
// error, a query wakes it through the data-needed slot, and the end of the script sets
// the exit event's slot.
TEST_F(QueryWait, TheSeventhFailedWaitEndsTheLoopWithTheErrorMessageAndAnUnreadableQueryIsLetGo) {
    const DWORD F = WAIT_FAILED;
    const DWORD Q = WAIT_OBJECT_0;
    const std::string notAQuery = "<?xml version=\"1.0\" ?>\r\n<NotAQuery/>";
    const struct {
        const char* name;
        const std::string& text;
        std::vector<DWORD> script;
        DWORD result;
        size_t waits;
        size_t queries;
        bool completed;  // a library waiting for an answer is let go
    } kCases[] = {
        {"seven in a row", kFullQuery, {F, F, F, F, F, F, F, F}, 1, 7, 0, false},
        {"queries between", kFullQuery, {F, F, F, Q, F, F, F, Q, F, Q}, 1, 9, 2, false},
        {"six, then exit", kFullQuery, {F, F, F, F, F, F}, 0, 7, 0, false},
        {"no query", notAQuery, {Q}, 0, 2, 0, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteQuery(c.text));
        ResetEvent(m_objects.DataCompleted());
        CQueryRecorder recorder;
        CHandle exit(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        CWaitQueryContext context;
        context.trayWindow = recorder.get();
        context.exitEvent = DuplicateForWorker(exit.get());
        context.dataNeeded = DuplicateForWorker(m_objects.DataNeeded());
        context.dataCompleted = DuplicateForWorker(m_objects.DataCompleted());
        context.mappingName = kNames.mappingName;
        size_t waits = 0;
        context.wait = [&](DWORD count, const HANDLE* handles) {
            EXPECT_EQ(2u, count);
            EXPECT_EQ(context.exitEvent.get(), handles[1]);
            if (waits >= c.script.size()) {
                ++waits;
                return WAIT_OBJECT_0 + 1;
            }
            const DWORD result = c.script[waits++];
            if (result == WAIT_FAILED) SetLastError(ERROR_INVALID_HANDLE);
            return result;
        };
        EXPECT_EQ(c.result, CWaitQuery::ThreadProc_WaitQuery(context));
        EXPECT_EQ(c.waits, waits);
        EXPECT_EQ(c.queries, recorder.queries.size());
        EXPECT_EQ(c.completed, WaitForSingleObject(m_objects.DataCompleted(), 0) == WAIT_OBJECT_0);
        MSG message;
        const bool posted = PeekMessageW(&message, recorder.get(), kTestErrorMessage, kTestErrorMessage, PM_REMOVE);
        EXPECT_EQ(c.result == 1, posted);
        if (posted) {
            EXPECT_EQ(static_cast<WPARAM>(ERROR_INVALID_HANDLE), message.wParam);
        }
    }
}

// The library's own writer puts the query in and sets the event; the worker thread reads
// it, completes the selection and hands it to the window, then writes the window's
// answer back.
TEST_F(QueryWait, AQueryFromTheLibrarysWriterReachesTheWindowAndItsAnswerComesBack) {
    CQueryRecorder recorder;
    recorder.answerCommands = {41, 42};
    HWND copiedFrom = nullptr;
    m_objects.SetSelectionCopy([&](HWND target) {
        copiedFrom = target;
        return CString(L"by copy");
    });
    CHandle exit(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(m_objects.StartQueryThread(recorder.get(), exit.get(), kTestQueryMessage, kTestErrorMessage));

    CWPQueryData query;
    query.m_targetWindow = reinterpret_cast<HWND>(0x1234);
    query.m_windowClassName = L"Edit";
    query.m_appPath = L"C:\\Target.exe";
    query.m_keyboardLayout = reinterpret_cast<HKL>(static_cast<UINT_PTR>(0x04190419));
    query.m_selTextState = WPSEL_UNREADABLE;
    CWPAnswerData unused;
    const CExchangeNames names = {kNames.mappingName, kNames.dataNeededName, kNames.dataCompletedName};
    // The library's pulse reaches a worker that already waits; one still starting
    // misses it, so the library asks again as a target would on the next menu.
    bool received = false;
    for (int attempt = 0; attempt < 50 && !received; ++attempt) {
        ASSERT_EQ(WPX_NO_ANSWER, ExchangeWPQuery(names, query, unused, kAnswerNoWait));
        received = testkit::PumpMessagesUntil(200, [&] { return !recorder.queries.empty(); });
    }
    ASSERT_TRUE(received);
    const CWPQueryData& got = recorder.queries[0];
    EXPECT_EQ(query.m_targetWindow, got.m_targetWindow);
    EXPECT_STREQ(L"Edit", got.m_windowClassName);
    EXPECT_STREQ(L"C:\\Target.exe", got.m_appPath);
    EXPECT_EQ(query.m_keyboardLayout, got.m_keyboardLayout);
    EXPECT_EQ(query.m_targetWindow, copiedFrom);
    EXPECT_STREQ(L"by copy", got.m_selectedText);
    EXPECT_EQ(WPSEL_READ, got.m_selTextState);

    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(m_objects.DataCompleted(), 10000)) << "the answer was written";
    std::string text;
    ASSERT_TRUE(ReadExchangeText(kNames.mappingName, text));
    CWPAnswerData answer;
    ASSERT_EQ(WPX_ANSWER_READ, ParseWPAnswer(text.c_str(), answer));
    // The reader takes the group's "MenuPerColumn" for an empty sub-menu after the commands.
    ASSERT_LE(2u, answer.m_commands.size()) << text;
    EXPECT_EQ(41, answer.m_commands[0].m_cmdId);
    EXPECT_EQ(42, answer.m_commands[1].m_cmdId);

    SetEvent(exit.get());
}

// The copy is asked several times in a row of the same program. The emptied clipboard is
// this process's, so a target that copies on the simulated keys, after WM_COPY came back,
// waits for this process to answer WM_DESTROYCLIPBOARD before it can put its text there.
TEST(SelectedTextByCopy, ATargetsSelectionIsCopiedEveryTime) {
    const struct {
        const wchar_t* focus;
        int controlId;
        bool select;
        bool askTopLevel;  // WM_COPY goes where nobody answers it: only the keys copy
    } kCases[] = {
        {L"copier", IDC_TARGET_COPIER, false, false},
        {L"edit", IDC_TARGET_EDIT, true, false},
        {L"copier", IDC_TARGET_COPIER, false, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(testing::Message() << std::wstring(c.focus) << (c.askTopLevel ? " by keys" : ""));
        testkit::CTargetProgram target;
        ASSERT_TRUE(target.Start(CString(L"/focus:") + c.focus).ok());
        SetForegroundWindow(target.window());
        HWND control = target.Control(c.controlId);
        ASSERT_TRUE(control);
        for (int round = 1; round <= 3; ++round) {
            CString text;
            text.Format(L"round %d \x0442\x0435\x043A\x0441\x0442", round);
            ASSERT_TRUE(SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.GetString())));
            if (c.select) SendMessageW(control, EM_SETSEL, 0, -1);
            EXPECT_STREQ(text, GetSelectedTextByCopy(c.askTopLevel ? target.window() : control)) << "round " << round;
        }
    }
}

}  // namespace
