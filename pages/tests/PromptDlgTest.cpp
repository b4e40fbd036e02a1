// The input prompt against a real target program: where it opens, what it shows, and
// what OK and Cancel give back. The dialog runs modally on the test's main thread while a
// driver thread answers it as a user would, with keys sent through SendInput.
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <thread>

#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "pages/PromptDlg.h"
#include "pages/PromptDlgIds.h"
#include "testkit/Poll.h"
#include "testkit/TargetIds.h"
#include "testkit/TestKit.h"

using namespace testkit;

namespace {

// What the driver saw of the open dialog.
struct CSeen {
    bool found = false;
    RECT rect = {};
    CString caption;
    bool topmost = false;
    CString editText;
    CSelection selection;
    CCheck steps = CCheck::Ok();
};

// Shows the dialog on this thread; the script answers it from another one. Whatever the
// script does, the dialog is closed in the end, so that DoModal always returns.
template <class Script>
INT_PTR RunPrompt(CPromptDlg& prompt, CSeen& seen, Script script) {
    const DWORD thread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!PollUntil(kWaitMs, [&] { return (dialog = FindVisibleDialogOf(thread)) != nullptr; })) return;
        seen.found = true;
        GetWindowRect(dialog, &seen.rect);
        wchar_t caption[256] = {};
        GetWindowTextW(dialog, caption, 256);
        seen.caption = caption;
        seen.topmost = (GetWindowLongW(dialog, GWL_EXSTYLE) & WS_EX_TOPMOST) != 0;
        HWND edit = GetDlgItem(dialog, IDC_PROMPT_EDIT);
        const CResult<CString> text = ReadControlText(edit);
        if (text.ok()) seen.editText = text.value();
        const CResult<CSelection> selection = ReadSelection(edit);
        if (selection.ok()) seen.selection = selection.value();
        seen.steps = script(dialog, edit);
        if (!PollUntil(kWaitMs, [&] { return !IsWindow(dialog); })) PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    const INT_PTR result = prompt.DoModal();
    driver.join();
    return result;
}

// The script's steps, in order, stopping at the first that fails.
CCheck Steps(std::initializer_list<std::function<CCheck()>> steps) {
    for (const auto& step : steps) {
        const CCheck check = step();
        if (!check.ok()) return check;
    }
    return CCheck::Ok();
}

CCheck WaitForForeground(HWND window) {
    if (PollUntil(kWaitMs, [&] { return GetForegroundWindow() == window; })) return CCheck::Ok();
    return CCheck::FailedF(L"%s never became the foreground window", DescribeWindow(window).GetString());
}

class PromptDlg : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_target.Start(L"/focus:edit"));
        m_edit = m_target.Control(IDC_TARGET_EDIT);
        ASSERT_TRUE(FocusControl(m_edit));
    }
    CTargetProgram m_target;
    HWND m_edit = nullptr;
};

// The dialog's top-left corner sits at the bottom-left of the target's caret, it comes to
// the foreground by itself with the initial text selected, and OK gives what was typed.
TEST_F(PromptDlg, OpensAtTheCaretAndOkGivesTheTypedText) {
    ASSERT_TRUE(TypeText(L"hello world"));
    ASSERT_TRUE(WaitForControlText(m_edit, L"hello world"));
    ASSERT_TRUE(PressKey(VK_LEFT, kNoModifiers, 5));
    ASSERT_TRUE(WaitForSelection(m_edit, {6, 6}));

    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    ASSERT_TRUE(GetGUIThreadInfo(GetWindowThreadProcessId(m_edit, nullptr), &info));
    ASSERT_EQ(m_edit, info.hwndCaret);
    POINT corner = {info.rcCaret.left, info.rcCaret.bottom};
    MapWindowPoints(info.hwndCaret, nullptr, &corner, 1);
    RECT editRect = {};
    GetWindowRect(m_edit, &editRect);
    // The caret stands inside the edit field, after "hello ".
    EXPECT_GT(corner.x, editRect.left);
    EXPECT_LT(corner.x, editRect.right);

    CPromptDlg prompt(L"Name", m_target.window(), false);
    CSeen seen;
    const INT_PTR result = RunPrompt(prompt, seen, [](HWND dialog, HWND edit) {
        return Steps({[&] { return WaitForForeground(dialog); }, [&] { return WaitForFocus(edit); },
                      [&] { return TypeText(L"Иван 😀"); }, [&] { return WaitForControlText(edit, L"Иван 😀"); },
                      [&] { return PressKey(VK_RETURN); }});
    });
    ASSERT_TRUE(seen.found);
    EXPECT_TRUE(seen.steps);
    EXPECT_EQ(IDOK, result);
    EXPECT_STREQ(L"Иван 😀", prompt.Get_Text().GetString());
    EXPECT_EQ(corner.x, seen.rect.left);
    EXPECT_EQ(corner.y, seen.rect.top);
    EXPECT_STREQ(L"Vexlora - [Vexlora Test Target]", seen.caption.GetString());
    EXPECT_TRUE(seen.topmost);
    EXPECT_STREQ(L"Name", seen.editText.GetString());
    EXPECT_EQ((CSelection{0, 4}), seen.selection);
    // The typing went to the dialog, not to the target.
    EXPECT_TRUE(WaitForControlText(m_edit, L"hello world", 200));
}

TEST_F(PromptDlg, CancelAndEscapeKeepTheInitialText) {
    static const struct {
        const char* what;
        WORD key;  // 0: click Cancel
    } kCases[] = {{"Esc", VK_ESCAPE}, {"Cancel button", 0}};
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        CPromptDlg prompt(L"Town", m_target.window(), false);
        CSeen seen;
        const WORD key = c.key;
        const INT_PTR result = RunPrompt(prompt, seen, [key](HWND dialog, HWND edit) {
            return Steps({[&] { return WaitForForeground(dialog); }, [&] { return WaitForFocus(edit); },
                          [&] { return TypeText(L"Berlin"); }, [&] { return WaitForControlText(edit, L"Berlin"); },
                          [&] {
                              if (key) return PressKey(key);
                              HWND cancel = GetDlgItem(dialog, IDCANCEL);
                              SendMessageW(cancel, BM_CLICK, 0, 0);
                              return CCheck::Ok();
                          }});
        });
        ASSERT_TRUE(seen.found);
        EXPECT_TRUE(seen.steps);
        EXPECT_EQ(IDCANCEL, result);
        EXPECT_STREQ(L"Town", prompt.Get_Text().GetString());
    }
}

// OK on an empty field answers with an empty text: with no initial text, and when the
// user has deleted the initial text (which is then not given back as if typed).
TEST_F(PromptDlg, OkOnAnEmptyFieldGivesAnEmptyText) {
    for (const wchar_t* initial : {L"", L"Name"}) {
        SCOPED_TRACE(WideToUtf8(initial));
        CPromptDlg prompt(initial, m_target.window(), true);
        CSeen seen;
        const INT_PTR result = RunPrompt(prompt, seen, [](HWND dialog, HWND edit) {
            return Steps({[&] { return WaitForForeground(dialog); }, [&] { return WaitForFocus(edit); },
                          [&] { return PressKey('A', kCtrl); }, [&] { return PressKey(VK_DELETE); },
                          [&] { return WaitForControlText(edit, L""); }, [&] { return PressKey(VK_RETURN); }});
        });
        ASSERT_TRUE(seen.found);
        EXPECT_TRUE(seen.steps);
        EXPECT_EQ(IDOK, result);
        EXPECT_STREQ(L"", prompt.Get_Text().GetString());
        EXPECT_TRUE(prompt.GetSplitAnswer());
    }
}

// A long title is cut to its first 100 characters in the caption.
TEST_F(PromptDlg, LongTargetTitleIsCutInTheCaption) {
    CString title;
    for (int i = 0; i < 15; ++i) title.AppendFormat(L"Заголовок%d", i % 10);  // 150 characters
    ASSERT_EQ(150, title.GetLength());
    ASSERT_TRUE(SetWindowTextW(m_target.window(), title));

    CPromptDlg prompt(L"", m_target.window(), false);
    CSeen seen;
    RunPrompt(prompt, seen, [](HWND dialog, HWND) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return CCheck::Ok();
    });
    ASSERT_TRUE(seen.found);
    EXPECT_STREQ((L"Vexlora - [" + title.Left(100) + L"]").GetString(), seen.caption.GetString());
}

// A target without a caret (a window of a thread that shows none) gets the dialog centred
// over it.
TEST(PromptDlgPlacement, CentredOverATargetWithoutCaret) {
    HWND target = nullptr;
    DWORD ownerThread = 0;
    HANDLE ready = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread owner([&] {
        ownerThread = GetCurrentThreadId();
        target = CreateWindowExW(0, L"STATIC", L"No caret here", WS_POPUP | WS_VISIBLE | WS_CAPTION, 100, 120, 600, 400,
                                 nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
        SetEvent(ready);
        MSG msg;
        while (target && GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
    });
    WaitForSingleObject(ready, kWaitMs);
    CloseHandle(ready);
    ASSERT_NE(nullptr, target);

    CPromptDlg prompt(L"", target, false);
    CSeen seen;
    RunPrompt(prompt, seen, [](HWND dialog, HWND) {
        PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        return CCheck::Ok();
    });
    RECT over = {};
    GetWindowRect(target, &over);
    PostThreadMessageW(ownerThread, WM_QUIT, 0, 0);
    owner.join();

    ASSERT_TRUE(seen.found);
    EXPECT_STREQ(L"Vexlora - [No caret here]", seen.caption.GetString());
    const int dx = (seen.rect.left + seen.rect.right) - (over.left + over.right);
    const int dy = (seen.rect.top + seen.rect.bottom) - (over.top + over.bottom);
    EXPECT_LE(std::abs(dx), 1);
    EXPECT_LE(std::abs(dy), 1);
}

TEST(PromptDlgCaption, TitlesAreCutWithoutSplittingACharacter) {
    const CString hundredAndOne(L'a', 101);
    const CString pairAtTheCut = CString(L'b', 99) + L"😀" + L"tail";  // the pair is characters 100 and 101
    const struct {
        const wchar_t* what;
        CString title;
        CString shown;
    } kCases[] = {
        {L"empty", L"", L""},
        {L"short", L"Блокнот", L" - [Блокнот]"},
        {L"101", hundredAndOne, L" - [" + hundredAndOne.Left(100) + L"]"},
        {L"pair at the cut", pairAtTheCut, L" - [" + pairAtTheCut.Left(99) + L"]"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(WideToUtf8(c.what));
        HWND window = CreateWindowExW(0, L"STATIC", c.title, WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, window);
        EXPECT_STREQ((L"Vexlora" + c.shown).GetString(), CPromptDlg::MakeCaption(window).GetString());
        DestroyWindow(window);
    }
    EXPECT_STREQ(L"Vexlora", CPromptDlg::MakeCaption(nullptr).GetString());
}

}  // namespace
