// The tray icon against Wine's own notification area, inside a virtual desktop whose
// taskbar comes up beside the test: the installer waits for it, and the shell keeps
// one icon for the window however often the icon is added.
#include <gtest/gtest.h>

#include <windows.h>

#include "core/tests/SettingsTestFolders.h"
#include "testkit/Poll.h"
#include "testkit/ProgramFolder.h"
#include "tray/TrayIcon.h"

namespace {

class CStatus final : public ITrayStatusSource {
public:
    CTrayStatusFacts GetTrayStatusFacts() override {
        CTrayStatusFacts facts;
        facts.versionText = L"Vexlora 1.0.0.0";
        facts.hookInstalled = true;
        facts.hotKeyText = L"CTRL+ALT+ENTER";
        facts.phrasesFolder = L"C:\\Phrases";
        facts.includedCount = 3;
        facts.totalCount = 4;
        return facts;
    }
};

CTrayIcon* g_icon = nullptr;
HANDLE g_exitEvent = nullptr;

// A hidden top-level window, as the tray window is, forwarding what the tray window would.
LRESULT CALLBACK TrayProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (g_icon && message == WM_VXL_INSTALL_TRAY_ICON) return g_icon->InstallTrayIcon();
    if (g_icon && message == CTrayIcon::GetTaskbarCreatedMessage()) {
        g_icon->OnTaskbarCreated(g_exitEvent, {100, 50, 5000});
        return 0;
    }
    if (g_icon && message == WM_TIMER && g_icon->OnTimer(wParam)) return 0;
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(TrayIconE2e, IconIsAddedOnceAndRemovedInTheNotificationArea) {
    // The settings (the sounds flag of every record) come from a folder of the test's own.
    CTempSettingsFolders folders(L"vxl_tray_icon_e2e");
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = &TrayProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = L"VxlTrayIconE2eWindow";
    ASSERT_TRUE(RegisterClassW(&windowClass));
    CWindowHandle window(CreateWindowExW(0, windowClass.lpszClassName, L"Vexlora", WS_POPUP, -100, -100, 5, 5, nullptr,
                                         nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(window);
    CHandle exitEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    g_exitEvent = exitEvent.get();

    const CString programPath = testkit::BuiltProgramPath(L"Vexlora.exe");
    ASSERT_FALSE(programPath.IsEmpty()) << "run the test through the test harness";
    CLibraryHandle program(LoadLibraryExW(programPath, nullptr, LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(program);

    CStatus status;
    {
        CTrayIcon icon(window.get(), status, GetSystemTrayShell(), program.get());
        g_icon = &icon;
        ASSERT_TRUE(icon.GetCurrentPicture());

        // The taskbar of the desktop may still be starting: the installer waits for it.
        CHandle installer;
        ASSERT_TRUE(StartTrayIconInstaller(window.get(), WM_VXL_INSTALL_TRAY_ICON, exitEvent.get(), {200, 100, 5000},
                                           &installer));
        ASSERT_TRUE(testkit::PumpMessagesUntil(
            30000, [&] { return WaitForSingleObject(installer.get(), 0) == WAIT_OBJECT_0; }));
        ASSERT_TRUE(icon.IsOnTray()) << "the notification area never answered";

        EXPECT_TRUE(icon.UpdateTrayIcon(kTrayIconModify));
        EXPECT_TRUE(icon.UpdateTrayIcon(kTrayIconModifyWithBalloon, L"Already works", true));
        EXPECT_TRUE(icon.ShowTrayBalloon(L"Check For Updates", 30000));
        EXPECT_TRUE(icon.ShowTrayBalloon(nullptr));

        // The shell refuses a second add of the same icon ...
        NOTIFYICONDATAW again = {};
        again.hWnd = window.get();
        again.uID = kTrayIconId;
        again.uFlags = NIF_TIP;
        EXPECT_FALSE(Shell_Notify(GetSystemTrayShell(), NIM_ADD, again));
        // ... and an announcement of the taskbar that did not lose the icon leaves one.
        SendMessageW(window.get(), CTrayIcon::GetTaskbarCreatedMessage(), 0, 0);
        ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return icon.IsOnTray(); }));
        testkit::PumpMessagesUntil(300, [] { return false; });

        EXPECT_TRUE(icon.RemoveTrayIcon());
        EXPECT_FALSE(icon.RemoveTrayIcon()) << "a second icon of the window was left on the tray";
        EXPECT_TRUE(icon.InstallTrayIcon());
        g_icon = nullptr;
    }
    // The owner took its icon with it.
    NOTIFYICONDATAW gone = {};
    gone.hWnd = window.get();
    gone.uID = kTrayIconId;
    EXPECT_FALSE(Shell_Notify(GetSystemTrayShell(), NIM_DELETE, gone));
    SetEvent(exitEvent.get());
}

}  // namespace
