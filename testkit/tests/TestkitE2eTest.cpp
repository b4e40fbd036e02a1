// Proves the test kit on a real program: VxlTarget.exe is started, typed and pasted
// into, read back and ended, all through the kit.
#include <windows.h>
// tlhelp32.h uses the types windows.h declares.
#include <tlhelp32.h>

#include "testkit/Poll.h"
#include "testkit/TargetIds.h"
#include "testkit/TestKit.h"

using namespace testkit;

namespace {

bool Mentions(const CCheck& check, const wchar_t* part) {
    return check.message().Find(part) >= 0;
}

bool IsListedProcess(DWORD processId) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry)) {
        if (entry.th32ProcessID == processId) return true;
    }
    return false;
}

class TypingInto : public ::testing::TestWithParam<CTargetControl> {};

// Unicode text, including Cyrillic and a surrogate pair, then navigation keys and a
// modifier: the focused control shows exactly that and the others stay empty.
TEST_P(TypingInto, FocusedControlShowsTypedTextAndCaret) {
    const CTargetControl& param = GetParam();
    CTargetProgram target;
    ASSERT_TRUE(target.Start(CString(L"/focus:") + param.name));
    HWND control = target.Control(param.id);
    ASSERT_TRUE(WaitForFocus(control));
    ASSERT_TRUE(FocusControl(control));

    ASSERT_TRUE(TypeText(L"Текст 😀 end"));
    ASSERT_TRUE(PressKey(VK_LEFT, kNoModifiers, 3));
    ASSERT_TRUE(TypeText(L"the "));
    const CString expected = L"Текст 😀 the end";
    ASSERT_TRUE(WaitForControlText(control, expected));
    // Positions count UTF-16 units: the emoji takes two.
    EXPECT_TRUE(WaitForSelection(control, {13, 13}));

    ASSERT_TRUE(PressKey(VK_HOME, kShift));
    EXPECT_TRUE(WaitForSelection(control, {0, 13}));

    for (const CTargetControl& other : kTargetControls) {
        if (other.id == param.id) continue;
        const CResult<CString> text = ReadControlText(target.Control(other.id));
        ASSERT_TRUE(text) << other.name;
        EXPECT_STREQ(L"", text.value().GetString()) << other.name;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryControlKind, TypingInto, ::testing::ValuesIn(kTargetControls),
                         [](const ::testing::TestParamInfo<CTargetControl>& info) {
                             return std::string(info.param.name, info.param.name + wcslen(info.param.name));
                         });

// One target, the focus moved from control to control, a different clipboard text
// pasted into each: every paste lands where the focus was put, and nowhere else.
// The clipboard is read back first, so a wrong paste is not blamed on the clipboard.
TEST(Pasting, CtrlVPastesTheClipboardIntoTheFocusedControl) {
    static const struct {
        int id;
        const wchar_t* clipboard;
        const wchar_t* expected;
    } kCases[] = {
        {IDC_TARGET_MEMO, L"Строка 1\r\nline 2 📋", L"Строка 1\r\nline 2 📋"},
        // A single-line EDIT keeps the clipboard's first line only.
        {IDC_TARGET_EDIT, L"однострочный ✂\r\nвторая", L"однострочный ✂"},
        {IDC_TARGET_RICH, L"Rich 𝄞 текст", L"Rich 𝄞 текст"},
        {IDC_TARGET_COMBO, L"combo 🙂", L"combo 🙂"},
    };
    CTargetProgram target;
    ASSERT_TRUE(target.Start(L"/focus:edit"));
    for (const auto& c : kCases) {
        SCOPED_TRACE(DescribeWindow(target.Control(c.id)).GetString());
        HWND control = target.Control(c.id);
        ASSERT_TRUE(SetClipboardText(c.clipboard));
        const CResult<CString> onClipboard = ReadClipboardText();
        ASSERT_TRUE(onClipboard);
        EXPECT_STREQ(c.clipboard, onClipboard.value().GetString());

        ASSERT_TRUE(FocusControl(control));
        ASSERT_TRUE(PressKey('V', kCtrl));
        ASSERT_TRUE(WaitForControlText(control, c.expected));
    }
    for (const auto& c : kCases) {
        const CResult<CString> text = ReadControlText(target.Control(c.id));
        ASSERT_TRUE(text);
        EXPECT_STREQ(c.expected, text.value().GetString()) << DescribeWindow(target.Control(c.id)).GetString();
    }
}

// The copier puts its text on the clipboard when asked to copy, by message or by
// Ctrl+C; the count covers the frame, a control and the copier, and nothing else.
TEST(TargetRequests, CopierCopiesAndTheCountedMessageIsCountedWhereverItGoes) {
    CTargetProgram target;
    ASSERT_TRUE(target.Start(L"/focus:copier /count:VxlTargetTestCounted"));
    HWND copier = target.Control(IDC_TARGET_COPIER);
    ASSERT_TRUE(copier);

    ASSERT_TRUE(SetClipboardText(L"before"));
    DWORD_PTR answer = 0;
    ASSERT_TRUE(SendMessageTimeoutW(copier, WM_COPY, 0, 0, SMTO_ABORTIFHUNG, kWaitMs, &answer));
    CResult<CString> copied = ReadClipboardText();
    ASSERT_TRUE(copied);
    EXPECT_STREQ(kTargetCopierText, copied.value().GetString());

    ASSERT_TRUE(SetClipboardText(L"before"));
    ASSERT_TRUE(FocusControl(copier));
    ASSERT_TRUE(PressKey('C', kCtrl));
    EXPECT_TRUE(PollUntil(kWaitMs, [] {
        const CResult<CString> text = ReadClipboardText();
        return text.ok() && text.value() == kTargetCopierText;
    }));

    const UINT counted = RegisterWindowMessageW(L"VxlTargetTestCounted");
    const UINT other = RegisterWindowMessageW(L"VxlTargetTestNotCounted");
    for (HWND window : {target.window(), target.Control(IDC_TARGET_EDIT), copier}) {
        ASSERT_TRUE(SendMessageTimeoutW(window, counted, 0, 0, SMTO_ABORTIFHUNG, kWaitMs, &answer));
        ASSERT_TRUE(SendMessageTimeoutW(window, other, 0, 0, SMTO_ABORTIFHUNG, kWaitMs, &answer));
    }
    ASSERT_TRUE(PostMessageW(target.Control(IDC_TARGET_MEMO), counted, 0, 0));
    EXPECT_TRUE(PollUntil(kWaitMs, [&] { return target.CountOfMessages().value() == 4; }))
        << target.CountOfMessages().value();
}

// However the target ends, its exit code comes back and nothing of it is left.
TEST(Ending, ExitCodeComesBackAndNothingIsLeftRunning) {
    static const struct {
        const char* name;
        CCheck (*end)(CTargetProgram&);
        DWORD exitCode;
    } kCases[] = {
        {"WM_CLOSE",
         [](CTargetProgram& t) {
             return PostMessageW(t.window(), WM_CLOSE, 0, 0) ? CCheck::Ok() : CCheck::Failed(L"PostMessageW failed");
         },
         0},
        {"Kill", [](CTargetProgram& t) { return t.process().Kill(0x2A); }, 0x2A},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        CTargetProgram target;
        ASSERT_TRUE(target.Start(L""));
        const DWORD id = target.process().id();
        ASSERT_TRUE(IsListedProcess(id));

        ASSERT_TRUE(c.end(target));
        const CResult<DWORD> exitCode = target.process().WaitForExit();
        ASSERT_TRUE(exitCode);
        EXPECT_EQ(c.exitCode, exitCode.value());
        EXPECT_FALSE(target.process().IsRunning());
        EXPECT_FALSE(IsWindow(target.window()));
        EXPECT_FALSE(IsListedProcess(id));
    }
}

// A wait that cannot succeed says what it waited for, and gives up in time.
TEST(Failures, WaitsReportWhatTheyWaitedForAndWhatTheySaw) {
    CTargetProgram target;
    ASSERT_TRUE(target.Start(L""));
    HWND edit = target.Control(IDC_TARGET_EDIT);

    const CResult<HWND> window = target.process().WaitForWindow({L"No Such Title", L""}, 200);
    EXPECT_FALSE(window.ok());
    EXPECT_TRUE(Mentions(window, L"200 ms") && Mentions(window, L"No Such Title")) << window.message().GetString();

    const CResult<DWORD> exit = target.process().WaitForExit(200);
    EXPECT_FALSE(exit.ok());
    EXPECT_TRUE(Mentions(exit, L"still running")) << exit.message().GetString();

    const CCheck text = WaitForControlText(edit, L"never typed", 200);
    EXPECT_FALSE(text.ok());
    EXPECT_TRUE(Mentions(text, L"\"never typed\"") && Mentions(text, L"last read: \"\"")) << text.message().GetString();

    const CCheck selection = WaitForSelection(edit, {1, 2}, 200);
    EXPECT_FALSE(selection.ok());
    EXPECT_TRUE(Mentions(selection, L"1-2") && Mentions(selection, L"last read: 0-0"))
        << selection.message().GetString();
}

TEST(Failures, AProgramThatEndsEarlyOrIsMissingIsReportedAtOnce) {
    CTargetProgram badArguments;
    const CCheck started = badArguments.Start(L"/focus:nowhere");
    EXPECT_FALSE(started.ok());
    EXPECT_TRUE(Mentions(started, L"exit code 2")) << started.message().GetString();

    CTestProcess missing;
    const CCheck check = missing.Start(TestProgramPath(L"NoSuchProgram.exe"), L"");
    EXPECT_FALSE(check.ok());
    EXPECT_TRUE(Mentions(check, L"NoSuchProgram.exe") && Mentions(check, L"error 2")) << check.message().GetString();
}

}  // namespace
