// The program's entry in the Alt-Tab switcher: when a switch counts as reaching it, what
// it tells its owner, and that the user cannot close it.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/TrayIds.h"
#include "history/pane/AltTabWindow.h"

namespace {

TEST(AltTabSwitch, OnlyAFocusSoonAfterTheEndOfASwitchCounts) {
    struct Case {
        const char* name;
        bool start;
        bool end;
        DWORD focusAfterEnd;
        bool counts;
    } cases[] = {
        {"focus 400 ms after the end", true, true, 400, true},  {"focus 500 ms after the end", true, true, 500, true},
        {"focus 600 ms after the end", true, true, 600, false}, {"an end without a start", false, true, 10, false},
        {"a start without an end", true, false, 10, false},     {"no switch at all", false, false, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAltTabSwitchState state;
        if (c.start) state.OnSwitchStart();
        if (c.end) state.OnSwitchEnd(10000);
        EXPECT_EQ(c.counts, state.OnFocus(10000 + c.focusAfterEnd));
        EXPECT_FALSE(state.OnFocus(10000 + c.focusAfterEnd)) << "a second focus is no new switch";
    }
}

std::vector<WPARAM> g_reported;

LRESULT CALLBACK OwnerProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_VXL_ALT_TAB) {
        g_reported.push_back(wParam);
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class AltTabWindow : public ::testing::Test {
protected:
    void SetUp() override {
        g_reported.clear();
        static ATOM atom = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &OwnerProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"VxlAltTabTestOwner";
            return RegisterClassW(&windowClass);
        }();
        ASSERT_NE(0, atom);
        m_owner = CreateWindowExW(0, L"VxlAltTabTestOwner", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleW(nullptr), nullptr);
        ASSERT_NE(nullptr, m_owner);
        ASSERT_TRUE(m_holder.Create(m_owner, WM_VXL_ALT_TAB));
    }
    void TearDown() override {
        m_holder.Destroy();
        DestroyWindow(m_owner);
    }
    HWND Window() const { return m_holder.Icon()->Window(); }

    HWND m_owner = nullptr;
    CWndAltTabIconHolder m_holder;
};

// The entry is a visible, captioned window off the screen, owned by the tray window, so
// the switcher lists it; a second create keeps the same window.
TEST_F(AltTabWindow, TheEntryIsAnOwnedCaptionedWindowOffTheScreen) {
    HWND window = Window();
    ASSERT_TRUE(IsWindow(window));
    EXPECT_TRUE(IsWindowVisible(window));
    EXPECT_EQ(m_owner, GetWindow(window, GW_OWNER));
    EXPECT_TRUE(GetWindowLongW(window, GWL_STYLE) & WS_CAPTION);
    RECT rect = {};
    GetWindowRect(window, &rect);
    EXPECT_EQ(-400, rect.left);
    EXPECT_EQ(-400, rect.top);
    EXPECT_EQ(300, rect.right - rect.left);
    wchar_t title[100] = {};
    GetWindowTextW(window, title, 100);
    EXPECT_NE(nullptr, wcsstr(title, L"Press enter to activate")) << title;
    EXPECT_EQ(0, wcsncmp(title, L"Vexlora", 7));
    EXPECT_TRUE(m_holder.Create(m_owner, WM_VXL_ALT_TAB));
    EXPECT_EQ(window, Window());
}

// Enter in the window and a switch that ends on it reach the owner; closing is refused.
TEST_F(AltTabWindow, EnterAndASwitchToItReachTheOwnerAndItCannotBeClosed) {
    HWND window = Window();
    SendMessageW(window, WM_KEYDOWN, VK_RETURN, 0);
    m_holder.Icon()->OnWinEvent(EVENT_SYSTEM_SWITCHSTART, nullptr);
    m_holder.Icon()->OnWinEvent(EVENT_SYSTEM_SWITCHEND, nullptr);
    m_holder.Icon()->OnWinEvent(EVENT_OBJECT_FOCUS, m_owner);  // the focus went elsewhere
    m_holder.Icon()->OnWinEvent(EVENT_SYSTEM_SWITCHSTART, nullptr);
    m_holder.Icon()->OnWinEvent(EVENT_SYSTEM_SWITCHEND, nullptr);
    m_holder.Icon()->OnWinEvent(EVENT_OBJECT_FOCUS, window);
    EXPECT_EQ((std::vector<WPARAM>{kAltTabEnter, kAltTabFromSwitcher}), g_reported);

    SendMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(window)) << "the user cannot close the entry";
    EXPECT_TRUE(m_holder.Destroy());
    EXPECT_FALSE(IsWindow(window));
    EXPECT_FALSE(m_holder.Destroy()) << "nothing left to destroy";
}

// The thumbnail is drawn at the size the switcher asks for, in the highlight colour.
TEST_F(AltTabWindow, ThePictureHasTheAskedSizeAndTheHighlightColour) {
    CBitmapHandle picture(m_holder.Icon()->DrawPicture(200, 120));
    ASSERT_TRUE(picture);
    BITMAP bitmap = {};
    ASSERT_TRUE(GetObjectW(picture.get(), sizeof bitmap, &bitmap));
    EXPECT_EQ(200, bitmap.bmWidth);
    EXPECT_EQ(120, bitmap.bmHeight);
    ASSERT_NE(nullptr, bitmap.bmBits);
    // Bottom-up: the first pixel is the bottom-left corner, away from the icon and title.
    const DWORD corner = *static_cast<const DWORD*>(bitmap.bmBits);
    const COLORREF highlight = GetSysColor(COLOR_HIGHLIGHT);
    EXPECT_EQ(RGB(GetBValue(corner), GetGValue(corner), GetRValue(corner)), highlight);
    EXPECT_EQ(nullptr, m_holder.Icon()->DrawPicture(0, 120));
}

}  // namespace
