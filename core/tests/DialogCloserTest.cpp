// Closing the dialogs still open at exit.
#include <gtest/gtest.h>

#include <string>

#include "core/AppSlots.h"
#include "core/DialogCloser.h"
#include "core/tests/AppTestHelpers.h"
#include "testkit/CaseLog.h"

namespace {

using namespace apptest;

enum class DialogBehaviour { HonoursClose, HonoursSysClose, HonoursCancel, IgnoresAll };

INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        return TRUE;
    }
    auto behaviour = static_cast<DialogBehaviour>(GetWindowLongPtrW(dialog, DWLP_USER));
    bool close = false;
    switch (message) {
        case WM_CLOSE:
            close = behaviour == DialogBehaviour::HonoursClose;
            break;
        case WM_SYSCOMMAND:
            if ((wParam & 0xFFF0) != SC_CLOSE) return FALSE;
            close = behaviour == DialogBehaviour::HonoursSysClose;
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) != IDCANCEL) return FALSE;
            close = behaviour == DialogBehaviour::HonoursCancel;
            break;
        default:
            return FALSE;
    }
    if (close) DestroyWindow(dialog);
    return TRUE;  // handled: the default handling would close the others too
}

HWND CreateTestDialog(HWND owner, const wchar_t* caption, DialogBehaviour behaviour) {
    struct {
        DLGTEMPLATE header;
        WORD menu, windowClass;
        wchar_t title[64];
    } dialogTemplate = {};
    dialogTemplate.header.style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    dialogTemplate.header.cx = 100;
    dialogTemplate.header.cy = 50;
    lstrcpynW(dialogTemplate.title, caption, 64);
    return CreateDialogIndirectParamW(GetModuleHandleW(nullptr), &dialogTemplate.header, owner, TestDialogProc,
                                      static_cast<LPARAM>(behaviour));
}

TEST(CloseDialogs, EachOwnedDialogIsClosedByTheFirstMeansItHonours) {
    CCaseLog log;
    struct Case {
        DialogBehaviour behaviour;
        const wchar_t* logLine;
    } cases[] = {
        {DialogBehaviour::HonoursClose, L"\tClose by WM_CLOSE"},
        {DialogBehaviour::HonoursSysClose, L"\tClose by WM_SYSCOMMAND + SC_CLOSE"},
        {DialogBehaviour::HonoursCancel, L"\tClose by WM_COMMAND + IDCANCEL"},
        {DialogBehaviour::IgnoresAll, nullptr},
    };
    for (const Case& c : cases) {
        CRecordingWindow main;
        HWND dialog = CreateTestDialog(main.window(), L"Leftover dialog", c.behaviour);
        ASSERT_TRUE(IsWindow(dialog));
        size_t mark = log.Mark();
        EXPECT_EQ(1, CAppObjects::CloseOpenDialogsOf(main.window()));
        EXPECT_FALSE(IsWindow(dialog)) << "the last means destroys it";
        std::wstring text = log.Since(mark);
        EXPECT_TRUE(Contains(text, L"CloseDlgProc Class name: #32770")) << text;
        EXPECT_TRUE(Contains(text, L"Dialog detected: Leftover dialog")) << text;
        EXPECT_TRUE(Contains(text, L"EnumWindows: DlgCount1")) << text;
        for (const Case& other : cases)
            if (other.logLine) {
                EXPECT_EQ(other.logLine == c.logLine, Contains(text, other.logLine)) << W(other.logLine);
            }
    }
}

TEST(CloseDialogs, OnlyDialogsOwnedByTheMainWindowAndTheRegisteredOnesAreClosed) {
    CRecordingWindow main;
    CRecordingWindow other;
    HWND owned = CreateTestDialog(main.window(), L"owned", DialogBehaviour::HonoursClose);
    HWND ownedByOther = CreateTestDialog(other.window(), L"not ours", DialogBehaviour::HonoursClose);
    HWND about = CreateTestDialog(nullptr, L"About", DialogBehaviour::HonoursCancel);
    HWND update = CreateTestDialog(nullptr, L"Update", DialogBehaviour::HonoursSysClose);
    CRecordingWindow ownedPopup(main.window(), WS_POPUP);
    CAppObjects::SetAboutDlgHwnd(about);
    CAppObjects::SetUpdateDlgHwnd(update);

    EXPECT_EQ(1, CAppObjects::CloseOpenDialogsOf(main.window()));
    EXPECT_FALSE(IsWindow(owned));
    EXPECT_FALSE(IsWindow(about));
    EXPECT_FALSE(IsWindow(update));
    EXPECT_TRUE(IsWindow(ownedByOther));
    EXPECT_TRUE(IsWindow(ownedPopup.window())) << "not a dialog";
    CAppObjects::SetAboutDlgHwnd(nullptr);
    CAppObjects::SetUpdateDlgHwnd(nullptr);
    DestroyWindow(ownedByOther);
}

}  // namespace
