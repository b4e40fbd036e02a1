// The message box with a count-down and check boxes, shown for real: the box runs on the
// test's main thread while a driver thread reads what a user would see (caption, check
// boxes, fonts, places) and answers it. Waits are for things to happen, never timings.
#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/TextConversions.h"
#include "pages/TimeoutMsgBox.h"
#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"
#include "testkit/TestKit.h"

using namespace testkit;

namespace {

const wchar_t kCaption[] = L"Vexlora";

std::wstring W(const CString& text) {
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

std::atomic<int> g_beeps{0};
void CountBeep() {
    ++g_beeps;
}

class CBeepCounter {
public:
    CBeepCounter() {
        g_beeps = 0;
        SetMsgBoxBeepForTest(&CountBeep);
    }
    ~CBeepCounter() { SetMsgBoxBeepForTest(nullptr); }
};

CString WindowText(HWND window) {
    wchar_t text[512] = {};
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, kWaitMs, nullptr);
    return text;
}

std::vector<HWND> Children(HWND parent, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, className) == 0) found.push_back(child);
    }
    return found;
}

// The box has passed its activation (its thread answers messages again).
void Settle(HWND box) {
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(box, WM_NULL, 0, 0, SMTO_NORMAL, kWaitMs, &ignored);
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

void Click(HWND box, int id) {
    SendMessageTimeoutW(GetDlgItem(box, id), BM_CLICK, 0, 0, SMTO_NORMAL, kWaitMs, nullptr);
}

BOOL CALLBACK CountVisibleDialog(HWND window, LPARAM count) {
    wchar_t name[8] = {};
    GetClassNameW(window, name, 8);
    if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

int CountVisibleDialogs(DWORD thread) {
    int count = 0;
    EnumThreadWindows(thread, &CountVisibleDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

// Shows a box on this thread; the script answers it from another. Whatever the script
// does, the box is answered in the end, so that the call always returns.
int RunBox(const std::function<int()>& show, const std::function<void(HWND)>& script, bool* found = nullptr) {
    const DWORD thread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND box = nullptr;
        if (!PollUntil(kWaitMs, [&] { return (box = FindVisibleDialogOf(thread)) != nullptr; })) return;
        if (found) *found = true;
        script(box);
        if (PollUntil(kWaitMs, [&] { return !IsWindow(box); })) return;
        const std::vector<HWND> buttons = Children(box, L"Button");
        if (!buttons.empty()) PostMessageW(box, WM_COMMAND, GetDlgCtrlID(buttons.back()), 0);
    });
    const int result = show();
    driver.join();
    return result;
}

TEST(TimeoutMsgBox, CaptionsCountDown) {
    struct Case {
        int seconds;
        bool stopped;
        const wchar_t* caption;
    } cases[] = {
        {5, false, L"[5] - Vexlora"},
        {4, true, L"Stopped [4] - Vexlora"},
        {0, false, L"[0] - Vexlora"},
        {12, false, L"[12] - Vexlora"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(W(c.caption), W(CTimeoutMsgBox::MakeCountDownCaption(c.seconds, c.stopped, kCaption)));
}

// Left alone, the box counts its seconds down in the caption and then answers with the
// default button by itself.
TEST(TimeoutMsgBox, UntouchedBoxCountsDownAndAnswersWithItsDefault) {
    CBeepCounter beeps;
    std::vector<CString> captions;
    bool found = false;
    const int result = RunBox(
        [] {
            return TimeoutMessageBox(nullptr, kCaption, L"Delete the item?", MB_YESNO, {3000, IDNO, false});
        },
        [&](HWND box) {
            PollUntil(10000, [&] {
                const CString caption = WindowText(box);
                if (!caption.IsEmpty() && (captions.empty() || captions.back() != caption)) captions.push_back(caption);
                return !IsWindow(box);
            });
        },
        &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(IDNO, result);
    EXPECT_EQ(0, g_beeps.load());
    // Every caption seen is one of the count-down's, each lower than the one before.
    ASSERT_GE(captions.size(), 2u) << "the caption changed while the box was shown";
    int last = 4;
    for (const CString& caption : captions) {
        int seconds = -1;
        for (int s = 0; s <= 3; ++s)
            if (caption == CTimeoutMsgBox::MakeCountDownCaption(s, false, kCaption)) seconds = s;
        ASSERT_NE(-1, seconds) << W(caption);
        EXPECT_LT(seconds, last) << W(caption);
        last = seconds;
    }
}

// Moving the mouse over the box or its frame, or a key pressed in it, stops the
// count-down once, with one beep; the box then waits for its answer.
TEST(TimeoutMsgBox, ATouchStopsTheCountDownWithOneBeep) {
    struct Case {
        const char* touch;
        std::function<void(HWND)> touchBox;
    } cases[] = {
        {"mouse over the box", [](HWND box) { PostMessageW(box, WM_MOUSEMOVE, 0, MAKELPARAM(4, 4)); }},
        {"mouse over the frame",
         [](HWND box) {
             const RECT rect = WindowRect(box);
             PostMessageW(box, WM_NCMOUSEMOVE, HTCAPTION, MAKELPARAM(rect.left + 8, rect.top + 4));
         }},
        // A key goes to the focused button, not to the box: the dialog loop's filter sees it.
        {"a key", [](HWND box) { PostMessageW(GetDlgItem(box, IDYES), WM_KEYDOWN, VK_SHIFT, 0); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.touch);
        CBeepCounter beeps;
        CString stoppedCaption;
        CString captionAfterTicks;
        bool stillShown = false;
        bool found = false;
        const int result = RunBox(
            [] {
                return TimeoutMessageBox(nullptr, kCaption, L"Delete the item?", MB_YESNO, {60000, IDNO, false});
            },
            [&](HWND box) {
                if (!PollUntil(kWaitMs, [&] { return WindowText(box).Left(1) == L"["; })) return;
                c.touchBox(box);
                PollUntil(kWaitMs, [&] { return WindowText(box).Left(8) == L"Stopped "; });
                stoppedCaption = WindowText(box);
                // Later touches and the count-down's own ticks change nothing any more.
                c.touchBox(box);
                PostMessageW(box, WM_MOUSEMOVE, 0, MAKELPARAM(6, 6));
                for (int i = 0; i < 70; ++i)
                    SendMessageTimeoutW(box, WM_TIMER, kCountDownTimerId, 0, SMTO_NORMAL, kWaitMs, nullptr);
                SendMessageTimeoutW(box, WM_TIMER, 0, 0, SMTO_NORMAL, kWaitMs, nullptr);
                captionAfterTicks = WindowText(box);
                stillShown = IsWindow(box) != FALSE;
                Click(box, IDYES);
            },
            &found);
        ASSERT_TRUE(found);
        EXPECT_EQ(IDYES, result);
        EXPECT_EQ(1, g_beeps.load());
        EXPECT_EQ(0, stoppedCaption.Find(L"Stopped [")) << W(stoppedCaption);
        EXPECT_EQ(stoppedCaption.GetLength() - 11, stoppedCaption.Find(L"] - Vexlora")) << W(stoppedCaption);
        EXPECT_EQ(W(stoppedCaption), W(captionAfterTicks));
        EXPECT_TRUE(stillShown);
    }
}

// The check box opens in the state the caller gives and the caller gets the state the
// box had when it was answered; a disabled one cannot be changed. It sits between the
// text and the buttons.
TEST(TimeoutMsgBox, CheckBoxStateGoesInAndComesBack) {
    struct Case {
        BOOL checkedIn;
        bool disabled;
        bool click;
        int answer;
        BOOL checkedOut;
    } cases[] = {
        {TRUE, false, true, IDOK, FALSE},
        {FALSE, false, true, IDCANCEL, TRUE},
        {TRUE, false, false, IDOK, TRUE},
        {TRUE, true, false, IDOK, TRUE},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "in " << c.checkedIn << " click " << c.click << " disabled " << c.disabled);
        BOOL checked = c.checkedIn;
        LRESULT stateAtOpening = -1;
        bool enabled = false;
        RECT check = {};
        RECT text = {};
        RECT ok = {};
        bool found = false;
        const int result = RunBox(
            [&] {
                return CTimeoutMsgBox::Show_With_Buttons(nullptr, MB_OKCANCEL | MB_ICONQUESTION,
                                                         L"Delete the selected items?", kCaption,
                                                         L"Delete protected items too", &checked, c.disabled);
            },
            [&](HWND box) {
                HWND checkBox = nullptr;
                if (!PollUntil(kWaitMs, [&] { return (checkBox = GetDlgItem(box, kFirstExtraControlId)) != nullptr; }))
                    return;
                Settle(box);
                stateAtOpening = SendMessageW(checkBox, BM_GETCHECK, 0, 0);
                enabled = IsWindowEnabled(checkBox) != FALSE;
                check = WindowRect(checkBox);
                const std::vector<HWND> statics = Children(box, L"Static");
                if (statics.size() > 1) text = WindowRect(statics[1]);
                ok = WindowRect(GetDlgItem(box, IDOK));
                if (c.click) Click(box, kFirstExtraControlId);
                Click(box, c.answer);
            },
            &found);
        ASSERT_TRUE(found);
        EXPECT_EQ(c.answer, result);
        EXPECT_EQ(c.checkedIn ? BST_CHECKED : BST_UNCHECKED, stateAtOpening);
        EXPECT_EQ(!c.disabled, enabled);
        EXPECT_EQ(c.checkedOut, checked);
        EXPECT_GE(check.top, text.bottom);
        EXPECT_GE(ok.top, check.bottom);
        EXPECT_GT(check.right - check.left, 0);
    }
}

// While a box is shown, the same thread gets no second one (and the first keeps its
// count-down and its default); another thread may show its own.
HWND g_nestingHelper = nullptr;
WNDPROC g_helperProc = nullptr;
std::atomic<int> g_nestedResults[2];

LRESULT CALLBACK NestingHelperProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_APP) return CallWindowProcW(g_helperProc, window, message, wParam, lParam);
    g_nestedResults[0] = TimeoutMessageBox(nullptr, kCaption, L"Nested", MB_OK, {1000, IDOK, false});
    BOOL checked = TRUE;
    g_nestedResults[1] =
        CTimeoutMsgBox::Show_With_Buttons(nullptr, MB_OK, L"Nested", kCaption, L"Check", &checked, false);
    return checked;
}

TEST(TimeoutMsgBox, ASecondBoxOnTheSameThreadIsRefused) {
    CBeepCounter beeps;
    testkit::CMessageWindow helper;
    g_nestingHelper = helper.get();
    g_helperProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(helper.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&NestingHelperProc)));
    g_nestedResults[0] = g_nestedResults[1] = -1;
    LRESULT nestedChecked = -1;
    int dialogs = 0;
    bool found = false;
    const DWORD thread = GetCurrentThreadId();
    const int result = RunBox(
        [] {
            return TimeoutMessageBox(nullptr, kCaption, L"Outer", MB_YESNO, {2000, IDNO, false});
        },
        [&](HWND box) {
            SendMessageTimeoutW(g_nestingHelper, WM_APP, 0, 0, SMTO_NORMAL, kWaitMs,
                                reinterpret_cast<DWORD_PTR*>(&nestedChecked));
            dialogs = CountVisibleDialogs(thread);
            PollUntil(10000, [&] { return !IsWindow(box); });
        },
        &found);
    SetWindowLongPtrW(helper.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_helperProc));
    ASSERT_TRUE(found);
    EXPECT_EQ(0, g_nestedResults[0].load());
    EXPECT_EQ(0, g_nestedResults[1].load());
    EXPECT_EQ(TRUE, nestedChecked) << "a refused box leaves the caller's check state alone";
    EXPECT_EQ(1, dialogs) << "the first box is the only one";
    EXPECT_EQ(IDNO, result) << "the first box kept its own default and count-down";
}

// Short texts are bold; long ones keep the box's font, and even a text of 100,000
// characters leaves the box on the screen and answerable.
TEST(TimeoutMsgBox, ShortTextsAreBoldAndLongOnesKeepTheBoxOnScreen) {
    auto text = [](int length) {
        CString made;
        for (int i = 0; i < length; ++i) made += (i % 10 == 9) ? L' ' : static_cast<wchar_t>(L'a' + i % 9);
        return made;
    };
    struct Case {
        int length;
        bool bold;
    } cases[] = {{10, true}, {60, true}, {61, false}, {100000, false}};
    RECT screen = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const CString message = text(c.length);
        LONG weight = 0;
        RECT rect = {};
        bool found = false;
        BOOL checked = FALSE;
        const int result = RunBox(
            [&] {
                return CTimeoutMsgBox::Show_With_Buttons(nullptr, MB_OK, message, kCaption, nullptr, &checked, false);
            },
            [&](HWND box) {
                Settle(box);
                const std::vector<HWND> statics = Children(box, L"Static");
                if (statics.size() > 1) {
                    LOGFONTW font = {};
                    HFONT handle = reinterpret_cast<HFONT>(SendMessageW(statics[1], WM_GETFONT, 0, 0));
                    if (handle && GetObjectW(handle, sizeof font, &font)) weight = font.lfWeight;
                }
                rect = WindowRect(box);
                Click(box, IDOK);
            },
            &found);
        ASSERT_TRUE(found);
        EXPECT_EQ(IDOK, result);
        if (c.bold)
            EXPECT_EQ(FW_BOLD, weight);
        else
            EXPECT_LT(weight, FW_BOLD);
        EXPECT_LE(rect.right - rect.left, screen.right - screen.left);
    }
}

HICON ProvideIcon(DWORD argument) {
    static std::atomic<DWORD> asked{0};
    asked = argument;
    return argument == 77 ? LoadIconW(nullptr, IDI_WARNING) : nullptr;
}

// A place asked for is taken, kept on the screen; the buttons take their new texts and
// the icon comes from the caller.
TEST(TimeoutMsgBox, PlaceButtonTextsAndIconComeFromTheCaller) {
    struct Case {
        int x;
        int y;
    } cases[] = {{10, 20}, {100000, 100000}};
    const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const CMsgBoxButtonRenames renames = {{IDOK, L"Delete"}, {IDCANCEL, L"Keep"}, {IDRETRY, L"none"}};
    for (const Case& c : cases) {
        RECT rect = {};
        CString okText;
        CString cancelText;
        HICON icon = nullptr;
        bool found = false;
        BOOL checked = FALSE;
        const int result = RunBox(
            [&] {
                return CTimeoutMsgBox::Show_With_Buttons(nullptr, MB_OKCANCEL | MB_ICONINFORMATION, L"Go on?", kCaption,
                                                         L"Remember", &checked, false, c.x, c.y, &ProvideIcon, 77,
                                                         &renames);
            },
            [&](HWND box) {
                PollUntil(kWaitMs, [&] { return GetDlgItem(box, kFirstExtraControlId) != nullptr; });
                Settle(box);
                rect = WindowRect(box);
                okText = WindowText(GetDlgItem(box, IDOK));
                cancelText = WindowText(GetDlgItem(box, IDCANCEL));
                const std::vector<HWND> statics = Children(box, L"Static");
                if (!statics.empty()) icon = reinterpret_cast<HICON>(SendMessageW(statics[0], STM_GETICON, 0, 0));
                Click(box, IDCANCEL);
            },
            &found);
        ASSERT_TRUE(found);
        EXPECT_EQ(IDCANCEL, result);
        EXPECT_EQ(W(L"Delete"), W(okText));
        EXPECT_EQ(W(L"Keep"), W(cancelText));
        EXPECT_EQ(LoadIconW(nullptr, IDI_WARNING), icon);
        if (c.x < screenWidth) {
            EXPECT_EQ(c.x, rect.left);
            EXPECT_EQ(c.y, rect.top);
        } else {
            EXPECT_LE(rect.right, screenWidth);
            EXPECT_LE(rect.bottom, screenHeight);
            EXPECT_GE(rect.left, 0);
        }
    }
}

// The plain self-closing box of the system ends after its time even where the system
// does not close it, and gives a pressed button when answered.
TEST(MessageBoxTimeout, EndsAfterItsTimeOrWithThePressedButton) {
    bool found = false;
    int result = RunBox([] { return MessageBoxTimeout(nullptr, kCaption, L"Error on sending to pane", MB_OK, 1000); },
                        [](HWND box) { PollUntil(kWaitMs, [&] { return !IsWindow(box); }); }, &found);
    ASSERT_TRUE(found);
    EXPECT_EQ(kMessageBoxTimedOut, result);

    result = RunBox([] { return MessageBoxTimeout(nullptr, kCaption, L"Answer me", MB_YESNO, 60000); },
                    [](HWND box) { Click(box, IDYES); });
    EXPECT_EQ(IDYES, result);
}

// Another dialog the thread already shows is left alone when the box's time is over.
TEST(MessageBoxTimeout, EndsOnlyItsOwnBox) {
    CWindowHandle other(CreateWindowExW(0, L"#32770", L"Other", WS_POPUP | WS_VISIBLE | WS_CAPTION, 10, 10, 200, 100,
                                        nullptr, nullptr, nullptr, nullptr));
    ASSERT_TRUE(other);
    EXPECT_EQ(kMessageBoxTimedOut, MessageBoxTimeout(nullptr, kCaption, L"Error on sending to app", MB_OK, 1000));
    EXPECT_TRUE(IsWindowVisible(other.get()));
}

}  // namespace
