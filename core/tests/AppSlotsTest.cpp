// The requests other code sends the tray window.
#include <gtest/gtest.h>

#include "core/AppSlots.h"
#include "core/tests/AppTestHelpers.h"

namespace {

using namespace apptest;

TEST(MainWindowRequests, ReachTheMainWindowAndAnswerNothingWithoutOne) {
    CRecordingWindow main;
    CAppObjects::SetMainWnd(main.window());
    CString paneText;
    EXPECT_TRUE(CAppObjects::GetFloatPaneSelectedText(paneText));
    EXPECT_EQ(W(L"pane text"), W(paneText));
    EXPECT_TRUE(CAppObjects::IsHotKeyRegistered());
    EXPECT_FALSE(CAppObjects::IsAllowWaitAnswer());
    EXPECT_EQ(reinterpret_cast<CCHQueue*>(0x1234), CAppObjects::GetClipboardHistoryQueue());
    CMenuHandle menu(CreatePopupMenu());
    EXPECT_EQ(1, CAppObjects::FillLanguageMenuByMainWnd(menu.get()));
    CAppObjects::HideMenuToolTip();
    CAppObjects::HideTrayBalloon();
    CAppObjects::GetClipboardHistoryHandler();
    CAppObjects::ShowFloatPane();
    PumpUntil([&] { return main.received.size() >= 9; });
    const UINT expected[] = {WM_VXL_GET_PANE_SELECTED_TEXT, WM_VXL_IS_HOTKEY_REGISTERED, WM_VXL_ALLOW_WAIT_ANSWER,
                             WM_VXL_GET_HISTORY_QUEUE,      WM_VXL_FILL_LANGUAGE_MENU,   WM_VXL_HIDE_MENU_TOOLTIP,
                             WM_VXL_HIDE_TRAY_BALLOON,      WM_VXL_GET_HISTORY_HANDLER,  WM_VXL_SHOW_FLOAT_PANE};
    ASSERT_EQ(std::size(expected), main.received.size());
    for (size_t i = 0; i < std::size(expected); ++i) EXPECT_EQ(expected[i], main.received[i].message) << i;
    EXPECT_EQ(GetCurrentThreadId(), main.received.back().wParam) << "the pane learns who asked";

    CAppObjects::SetMainWnd(nullptr);
    main.received.clear();
    EXPECT_FALSE(CAppObjects::GetFloatPaneSelectedText(paneText));
    EXPECT_TRUE(paneText.IsEmpty());
    EXPECT_FALSE(CAppObjects::IsHotKeyRegistered());
    EXPECT_EQ(nullptr, CAppObjects::GetClipboardHistoryQueue());
    EXPECT_EQ(0, CAppObjects::FillLanguageMenuByMainWnd(menu.get()));
    PumpUntil([] { return true; });
    EXPECT_TRUE(main.received.empty());
}

// A dialog that went without clearing its slot is not taken for an open one, or every later
// About or update result would only try to raise a window that is gone.
TEST(DialogSlots, AnswerOnlyWhileTheDialogIsAWindow) {
    using Setter = void (*)(HWND);
    using Getter = HWND (*)();
    const struct {
        const char* name;
        Setter set;
        Getter get;
    } slots[] = {
        {"about", CAppObjects::SetAboutDlgHwnd, CAppObjects::GetAboutDlgHwnd},
        {"update", CAppObjects::SetUpdateDlgHwnd, CAppObjects::GetUpdateDlgHwnd},
    };
    for (const auto& slot : slots) {
        SCOPED_TRACE(slot.name);
        HWND dialog = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(dialog);
        slot.set(dialog);
        EXPECT_EQ(dialog, slot.get());
        DestroyWindow(dialog);
        EXPECT_EQ(nullptr, slot.get());
        slot.set(nullptr);
    }
}

}  // namespace
