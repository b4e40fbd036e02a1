// The built hook library loaded as the main program loads it: its exports by name and
// ordinal, installation and removal from this process and from a second one, and the
// target it follows in another real program.
#include <windows.h>
#include <richedit.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "core/base/SehGuard.h"
#include "hooklib/HookRecords.h"
#include "hooklib/MenuDriver.h"
#include "hooklib/QueryCodec.h"
#include "testkit/Controls.h"
#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"
#include "testkit/Process.h"
#include "testkit/ProgramFolder.h"
#include "testkit/TargetIds.h"
#include "testkit/TargetProgram.h"

namespace {

const wchar_t kNeeded[] = L"Local\\VxlTestNeeded";
const wchar_t kCompleted[] = L"Local\\VxlTestCompleted";
const wchar_t kArea[] = L"Local\\VxlTestArea";

class HookLibrary : public ::testing::Test {
protected:
    void SetUp() override {
        m_path = testkit::BuiltProgramPath(L"Vexlora.dll");
        m_library.reset(LoadLibraryW(m_path));
        ASSERT_TRUE(m_library) << "cannot load " << std::wstring(m_path.GetString());
        m_install = Bind<WPInstallProc>("WP_Install", 3);
        m_install2 = Bind<WPInstall2Proc>("WP_Install2", 4);
        m_uninstall = Bind<WPUninstallProc>("WP_Uninstall", 5);
        m_uninstall2 = Bind<WPUninstall2Proc>("WP_Uninstall2", 6);
        m_target = Bind<WPWindowProc>("WP_GetTargetWindow", 1);
        m_other = Bind<WPWindowProc>("WP_GetTargetWindowOther", 2);
        ASSERT_TRUE(m_install && m_install2 && m_uninstall && m_uninstall2 && m_target && m_other);
    }
    void TearDown() override {
        if (m_uninstall) m_uninstall();
    }

    // Bound by name; the ordinal must lead to the same function.
    template <class Proc>
    Proc Bind(const char* name, WORD ordinal) {
        FARPROC byName = GetProcAddress(m_library.get(), name);
        FARPROC byOrdinal = GetProcAddress(m_library.get(), MAKEINTRESOURCEA(ordinal));
        EXPECT_EQ(byName, byOrdinal) << name;
        return reinterpret_cast<Proc>(reinterpret_cast<void*>(byName));
    }

    WP_INSTALL_INFO2 Record(const wchar_t* needed = kNeeded, const wchar_t* completed = kCompleted,
                            const wchar_t* area = kArea) {
        WP_INSTALL_INFO2 info = {};
        info.v1.mainWindow = m_main.get();
        info.v1.monitoredMessage = RegisterWindowMessageW(L"VxlTestMonitored");
        info.v1.dataNeededName = needed;
        info.v1.dataCompletedName = completed;
        info.v1.mappingName = area;
        return info;
    }

    // The test target with that control focused, its window brought to the foreground.
    void StartTarget(testkit::CTestProcess& target, const wchar_t* focus, int controlId, HWND& control) {
        ASSERT_TRUE(target.Start(testkit::TestProgramPath(kTargetExe), CString(L"/focus:") + focus));
        testkit::CResult<HWND> window = target.WaitForWindow(testkit::CWindowQuery{kTargetTitle, L"", target.id()});
        ASSERT_TRUE(window);
        control = GetDlgItem(window.value(), controlId);
        SetForegroundWindow(window.value());
    }

    CString m_path;
    CLibraryHandle m_library;
    testkit::CMessageWindow m_main;
    WPInstallProc m_install = nullptr;
    WPInstall2Proc m_install2 = nullptr;
    WPUninstallProc m_uninstall = nullptr;
    WPUninstall2Proc m_uninstall2 = nullptr;
    WPWindowProc m_target = nullptr;
    WPWindowProc m_other = nullptr;
};

TEST_F(HookLibrary, NamesAreCheckedBeforeAnythingIsInstalled) {
    const std::wstring longest(128, L'n');
    const std::wstring tooLong(129, L'n');
    const struct {
        const wchar_t* needed;
        const wchar_t* completed;
        const wchar_t* area;
        int result;
        DWORD error;
    } kCases[] = {
        {kNeeded, kCompleted, kArea, 1, WPE_NONE},
        {longest.c_str(), kCompleted, kArea, 1, WPE_NONE},
        {tooLong.c_str(), kCompleted, kArea, 0, WPE_INVALID_NAMES},
        {kNeeded, L"", kArea, 0, WPE_INVALID_NAMES},
        {kNeeded, kCompleted, nullptr, 0, WPE_INVALID_NAMES},
        // Unreadable: only where the guard catches faults (the 32-bit build).
        {kGuardCatchesFaults ? reinterpret_cast<const wchar_t*>(16) : L"", kCompleted, kArea, 0, WPE_INVALID_NAMES},
    };
    for (const auto& c : kCases) {
        WP_INSTALL_INFO2 info = Record(c.needed, c.completed, c.area);
        EXPECT_EQ(c.result, m_install2(&info)) << (c.needed == longest.c_str() ? "128" : "case");
        EXPECT_EQ(c.error, info.v1.error);
        const WP_UNINSTALL_INFO record = {sizeof record, 0, 0};
        EXPECT_EQ(c.result, m_uninstall2(&record)) << "only an installation can be removed";
    }
    EXPECT_EQ(0, m_install2(nullptr));
    EXPECT_EQ(0, m_install(nullptr));
}

TEST_F(HookLibrary, ASecondInstallationFailsWithTwoAndTheFirstRecordGetsItsResultsBack) {
    WP_INSTALL_INFO2 first = Record();
    ASSERT_EQ(1, m_install2(&first));

    // The version 1 record: 42 bytes in the 32-bit layout, followed here by bytes that
    // the library must leave alone.
    struct {
        WP_INSTALL_INFO record;
        BYTE guard[32];
    } v1 = {};
    memset(v1.guard, 0xA5, sizeof v1.guard);
    v1.record = Record().v1;
    EXPECT_EQ(0, m_install(&v1.record));
    EXPECT_EQ(WPE_ALREADY_INSTALLED, v1.record.error);
    for (BYTE b : v1.guard) ASSERT_EQ(0xA5, b) << "nothing is written past the version 1 record";

    // A second program is refused too.
    const CString installer = testkit::TestProgramPath(L"VxlHookInstaller.exe");
    testkit::CResult<DWORD> code = testkit::RunToExit(installer, L"\"" + m_path + L"\"");
    ASSERT_TRUE(code);
    EXPECT_EQ(100u + WPE_ALREADY_INSTALLED, code.value());

    const WP_UNINSTALL_INFO record = {sizeof record, 0, 0};
    EXPECT_EQ(1, m_uninstall2(&record));
    EXPECT_EQ(0, m_uninstall2(&record)) << "nothing left to remove";
    EXPECT_EQ(0, m_uninstall2(nullptr));
}

// A main program that dies cannot remove its hook; the next one installs all the same.
TEST_F(HookLibrary, AnInstallationLeftByAKilledProgramDoesNotBlockTheNext) {
    testkit::CTestProcess installer;
    ASSERT_TRUE(installer.Start(testkit::TestProgramPath(L"VxlHookInstaller.exe"), L"\"" + m_path + L"\""));
    // Trying to install while the other program installs would race it: wait until it has.
    ASSERT_TRUE(testkit::PollUntil(10000, [&] {
        return FindWindowW(L"Static", L"VxlHookInstaller: installed") != nullptr;
    })) << "the second program installed";
    WP_INSTALL_INFO2 info = Record();
    EXPECT_EQ(0, m_install2(&info));
    EXPECT_EQ(WPE_ALREADY_INSTALLED, info.v1.error);
    ASSERT_TRUE(installer.Kill(1));
    info = Record();
    EXPECT_EQ(1, m_install2(&info));
    EXPECT_EQ(WPE_NONE, info.v1.error);
}

// The focused control of another program is the target. Under Wine the other program's
// focus events do not reach an out-of-context WinEvent hook (seen: the recorded window
// stayed unset), so the target comes from the foreground thread here; the procedure that
// records the events is fed them directly in hook_core_tests.
TEST_F(HookLibrary, TheFocusedControlOfAnotherProgramIsTheTarget) {
    WP_INSTALL_INFO2 info = Record();
    ASSERT_EQ(1, m_install2(&info));
    testkit::CTestProcess target;
    HWND memo = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartTarget(target, L"memo", IDC_TARGET_MEMO, memo));
    EXPECT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return m_target() == memo; }))
        << "target " << m_target() << " memo " << memo;
}

// The main program's window as the menu driver sees it: it keeps the last command reply.
LRESULT CALLBACK ReplyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* reply = reinterpret_cast<WP_CMD_RESULT*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (reply && reinterpret_cast<HWND>(wParam) == window && data->dwData == 0x7E57 &&
            data->cbData == sizeof(WP_CMD_RESULT))
            memcpy(reply, data->lpData, sizeof(WP_CMD_RESULT));
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

// The whole road with the wait flag: the monitored message reaches the target's edit
// field, the library there sends its query, waits for this test's answer, shows the menu
// and reports the chosen command to the main window.
TEST_F(HookLibrary, WaitingForTheAnswerShowsTheMenuInTheTargetAndRepliesWithTheChoice) {
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReplyWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VxlHookTestMainWindow";
    RegisterClassW(&windowClass);
    CWindowHandle mainWindow(
        CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr));
    ASSERT_TRUE(mainWindow);
    WP_CMD_RESULT reply = {};
    reply.cmdId = -100;
    SetWindowLongPtrW(mainWindow.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&reply));

    CHandle area(CMMFFile::CreateMMF_File(kArea, kInterchangeAreaSize, true));
    CHandle needed(CreateSharedEvent(kNeeded, true, false));
    CHandle completed(CreateSharedEvent(kCompleted, true, false));
    ASSERT_TRUE(area && needed && completed);

    WP_INSTALL_INFO2 info = Record();
    info.v1.mainWindow = mainWindow.get();
    info.v1.replyTag = 0x7E57;
    info.v1.flags = WPF_WAIT_ANSWER;
    ASSERT_EQ(1, m_install2(&info));

    testkit::CTestProcess target;
    HWND edit = nullptr;
    ASSERT_NO_FATAL_FAILURE(StartTarget(target, L"edit", IDC_TARGET_EDIT, edit));
    ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return m_target() == edit; }));

    // The main program's query thread.
    CWPQueryData query;
    bool answered = false;
    std::thread mainSide([&] {
        if (WaitForSingleObject(needed.get(), 20000) != WAIT_OBJECT_0) return;
        CMappedView view(MapViewOfFile(area.get(), FILE_MAP_ALL_ACCESS, 0, 0, 0));
        if (!view || !ParseWPQuery(static_cast<const char*>(view.get()), query)) return;
        CWPAnswerData answer;
        CPhraseNode five;
        five.m_cmdId = 5;
        five.m_flags = 0x20;
        five.SetName(L"Five");
        AppendPhraseNode(answer.m_commands, five);
        CPhraseNode six;
        six.m_cmdId = 6;
        six.SetName(L"Six");
        AppendPhraseNode(answer.m_commands, six);
        const std::string text = PrintWPAnswer(answer);
        memcpy(view.get(), text.c_str(), text.size() + 1);
        answered = true;
        SetEvent(completed.get());
    });
    // The data-needed event is only pulsed: the query thread must be in its wait before
    // the target gets the message.
    Sleep(200);
    PostMessageW(edit, info.v1.monitoredMessage, 0, 0);
    HWND menu = nullptr;
    const bool shown =
        testkit::PumpMessagesUntil(20000, [&] { return (menu = testkit::FindVisibleMenuWindowOf(target.id())); });
    mainSide.join();
    ASSERT_TRUE(answered) << "no query came";
    EXPECT_STREQ(L"Edit", query.m_windowClassName);
    EXPECT_EQ(edit, query.m_targetWindow);
    ASSERT_TRUE(shown) << "no menu in the target";

    testkit::PostKeyTo(menu, VK_DOWN);
    testkit::PostKeyTo(menu, VK_RETURN);
    ASSERT_TRUE(testkit::PumpMessagesUntil(20000, [&] { return reply.cmdId != -100; })) << "no reply";
    EXPECT_EQ(5, reply.cmdId);
    EXPECT_STREQ(L"Edit", reply.className);
    EXPECT_EQ(ValueOf(edit), reply.window);
    EXPECT_EQ(0x20u, reply.flags);
}

// The road the main program takes (no wait flag): the monitored message posted to a
// control of the target is taken out of the queue by the library, which describes the
// control, its layout and its selection in a query and returns at once. The query is
// the codec's own print of what it says, byte for byte.
TEST_F(HookLibrary, TheQueryDescribesTheTargetAndItsWindowNeverSeesTheMessage) {
    CHandle area(CMMFFile::CreateMMF_File(kArea, kInterchangeAreaSize, true));
    CHandle needed(CreateSharedEvent(kNeeded, true, false));
    ASSERT_TRUE(area && needed);
    WP_INSTALL_INFO2 info = Record();
    ASSERT_EQ(1, m_install2(&info));
    // 300,000 characters of two UTF-8 bytes each in lines of 100: half again as much as a
    // query may hold. (Wine's edit control did not take even these 300,000 characters on
    // one line within 20 seconds; the readers' tests read five megabytes in one process.)
    std::wstring big;
    for (int line = 0; line < 3000; ++line) big += std::wstring(98, L'\x0436') + L"\r\n";
    const struct {
        const wchar_t* focus;
        int control;
        std::wstring text;
        int start;
        int end;
        int state;
        std::wstring selected;  // for a cut selection: its start
        const wchar_t* className;
    } kCases[] = {
        {L"edit", IDC_TARGET_EDIT, L"hello <w&rld>", 6, 13, WPSEL_READ, L"<w&rld>", L"Edit"},
        {L"edit", IDC_TARGET_EDIT, L"caret only", 3, 3, WPSEL_NONE, L"", L"Edit"},
        {L"memo", IDC_TARGET_MEMO, big, 0, -1, WPSEL_READ, big.substr(0, 1000), L"Edit"},
        {L"rich", IDC_TARGET_RICH, L"\x041F\x0440\x0438\x0432\x0435\x0442 \x4E16\x754C", 7, 9, WPSEL_READ,
         L"\x4E16\x754C", RICHEDIT_CLASSW},
        // Any other window is read by a simulated copy, which the copier answers.
        {L"copier", IDC_TARGET_COPIER, L"", 0, 0, WPSEL_READ, kTargetCopierText, kTargetCopierClass},
    };
    for (const auto& c : kCases) {
        // The target is the focused control of the program the user works in.
        testkit::CTargetProgram target;
        ASSERT_TRUE(target.Start(CString(L"/focus:") + c.focus + L" /count:VxlTestMonitored"));
        SetForegroundWindow(target.window());
        HWND control = target.Control(c.control);
        ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return m_target() == control; }));
        DWORD_PTR done = 0;
        if (!c.text.empty()) {
            ASSERT_TRUE(SendMessageTimeoutW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.text.c_str()),
                                            SMTO_ABORTIFHUNG, 20000, &done));
            SendMessageTimeoutW(control, EM_SETSEL, c.start, c.end, SMTO_ABORTIFHUNG, 5000, &done);
        }
        std::string raw;
        std::thread mainSide([&] {
            if (WaitForSingleObject(needed.get(), 20000) != WAIT_OBJECT_0) return;
            CMappedView view(MapViewOfFile(area.get(), FILE_MAP_READ, 0, 0, 0));
            if (view) raw = static_cast<const char*>(view.get());
        });
        Sleep(200);  // the query thread waits before the pulse, as the main program's does
        PostMessageW(control, info.v1.monitoredMessage, 0, 0);
        mainSide.join();
        ASSERT_FALSE(raw.empty()) << "no query from control " << c.control;
        EXPECT_LT(raw.size(), 409600u);
        CWPQueryData query;
        ASSERT_TRUE(ParseWPQuery(raw.c_str(), query));
        EXPECT_EQ(raw, PrintWPQuery(query)) << "the codec's own form";
        EXPECT_STREQ(c.className, query.m_windowClassName);
        EXPECT_EQ(control, query.m_targetWindow);
        EXPECT_EQ(GetKeyboardLayout(GetWindowThreadProcessId(control, nullptr)), query.m_keyboardLayout);
        EXPECT_NE(-1, query.m_appPath.Find(kTargetExe)) << std::wstring(query.m_appPath.GetString());
        EXPECT_EQ(c.state, query.m_selTextState);
        const std::wstring selected(query.m_selectedText.GetString());
        if (c.text.size() < 1000) {
            EXPECT_EQ(c.selected, selected);
        } else {
            EXPECT_GT(selected.size(), 1000u) << "the cut keeps what fits";
            EXPECT_LT(selected.size(), c.text.size());
            EXPECT_EQ(0u, c.text.compare(0, selected.size(), selected));
        }
        testkit::CResult<LRESULT> count = target.CountOfMessages();
        ASSERT_TRUE(count) << "the target still answers";
        EXPECT_EQ(0, count.value()) << "the target's windows never saw the monitored message";
    }
}

}  // namespace
