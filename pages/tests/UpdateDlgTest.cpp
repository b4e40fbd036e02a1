// The update dialog shown for real: the test's thread runs it modally as the tray does,
// a second thread drives it (clicks posted to the page window, buttons pressed) and has
// the engine's calls run on the dialog's thread, then the settings are read back.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <thread>

#include "core/AppSlots.h"
#include "core/Settings.h"
#include "core/WebDestinations.h"
#include "core/base/Logger.h"
#include "core/tests/SettingsTestFolders.h"
#include "pages/UpdateDlg.h"
#include "pages/UpdateDlgIds.h"
#include "pages/UpdatePage.h"
#include "platform/htmlayout/HtmlDom.h"
#include "platform/htmlayout/HtmlView.h"
#include "platform/htmlayout/tests/PageWindow.h"
#include "testkit/LogFile.h"
#include "testkit/Poll.h"
#include "testkit/Screenshot.h"
#include "testkit/fakes/RecordingShell.h"

namespace {

const UINT kRunOnUi = WM_APP + 50;
const DWORD kWaitMs = 10000;

// Runs a function on the thread that made it, from any other thread, while that thread
// sits in the dialog's message loop.
class CUiCaller {
public:
    CUiCaller() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VxlUpdateDlgTestCaller";
        RegisterClassW(&wc);
        m_window =
            CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    }
    ~CUiCaller() { DestroyWindow(m_window); }
    CUiCaller(const CUiCaller&) = delete;
    CUiCaller& operator=(const CUiCaller&) = delete;

    void Run(const std::function<void()>& work) const {
        SendMessageW(m_window, kRunOnUi, 0, reinterpret_cast<LPARAM>(&work));
    }

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message != kRunOnUi) return DefWindowProcW(window, message, wParam, lParam);
        (*reinterpret_cast<const std::function<void()>*>(lParam))();
        return 0;
    }

    HWND m_window = nullptr;
};

HELEMENT ById(HWND page, const wchar_t* id) {
    HELEMENT root = nullptr;
    HTMLayoutGetRootElement(page, &root);
    return htmltest::FindFirst(root, nullptr, "id", id);
}

std::wstring RuntimeStyle(HELEMENT he, const wchar_t* name) {
    for (const hl::Attribute& a : static_cast<hl::Element*>(he)->RuntimeStyle())
        if (a.name == name) return a.value;
    return std::wstring();
}

UINT State(HELEMENT he) {
    UINT state = 0;
    HTMLayoutGetElementState(he, &state);
    return state;
}

BOOL CALLBACK CountVisibleDialogs(HWND window, LPARAM count) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) ++*reinterpret_cast<int*>(count);
    return TRUE;
}

UpdateCheckResult Result(bool hasNew) {
    UpdateCheckResult result;
    result.currentVersion = {5, 3, 2, 1};
    result.releaseDateText = L"1 March 2026";
    if (hasNew) {
        result.newVersionText = L"5.4.0.3";
        result.newVersion = {5, 4, 0, 3};
        result.statusText = L"beta";
        result.installerUrl = L"https://www.vexlora.com/get/setup.exe";
        result.portableUrl = L"https://www.vexlora.com/get/portable.zip";
        result.installerSize = 3 * 1024 * 1024;
        result.portableSize = 2 * 1024 * 1024;
        NewsItem item;
        item.title = L"Vexlora 5.4 beta";
        item.link = L"https://www.vexlora.com/news/54";
        item.description = L"The float pane remembers its place.";
        item.date = L"1 March 2026";
        item.author = L"The Vexlora team";
        result.news.push_back(item);
    } else {
        result.newVersion = {5, 3, 2, 1};
    }
    return result;
}

class UpdateDlgTest : public testing::Test {
protected:
    void SetUp() override {
        m_logPath = m_folders.root + L"\\update.log";
        ASSERT_EQ(1, LogInit(m_logPath));
        CVXLSettings& settings = CVXLSettings::GetInstance();
        settings.AutoCheckForUpdates = true;
        settings.SetDaysCheckForUpdates(9);
    }
    void TearDown() override { LogShutdown(); }

    // Shows the dialog on this thread as the tray does while drive runs on a second
    // thread; closes it with its Close button when drive leaves it open.
    void ShowWhile(const UpdateCheckResult& result, const std::function<void(HWND dialog, HWND page)>& drive) {
        std::thread driver([&] {
            HWND dialog = nullptr;
            const bool shown = testkit::PollUntil(kWaitMs, [&] {
                dialog = CAppObjects::GetUpdateDlgHwnd();
                return dialog && IsWindowVisible(dialog);
            });
            if (!shown) {
                ADD_FAILURE() << "the update dialog did not show";
                return;
            }
            drive(dialog, GetDlgItem(dialog, IDC_UPDATE_PAGE));
            if (IsWindow(dialog)) PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        });
        CUpdateDlg::ShowResult(result);
        driver.join();
        EXPECT_EQ(nullptr, CAppObjects::GetUpdateDlgHwnd());
    }

    // Posts a click at the element's left edge, where a check box has its box.
    void ClickElement(HWND page, HELEMENT he) {
        RECT r = {};
        m_ui.Run([&] { hl::GetElementClientRect(he, &r); });
        RECT client = {};
        GetClientRect(page, &client);
        ASSERT_TRUE(r.top >= 0 && r.bottom <= client.bottom) << "the element is outside the page's view";
        const LPARAM at = MAKELPARAM(r.left + 4, (r.top + r.bottom) / 2);
        PostMessageW(page, WM_LBUTTONDOWN, MK_LBUTTON, at);
        PostMessageW(page, WM_LBUTTONUP, 0, at);
    }

    // Waits until the dialog's thread has handled what was posted before.
    void Settle() {
        m_ui.Run([] {
            MSG msg;
            while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        });
    }

    void SaveShot(HWND dialog, const wchar_t* name) {
        m_ui.Run([&] { RedrawWindow(dialog, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN); });
        Settle();
        RECT r = {};
        GetWindowRect(dialog, &r);
        const testkit::CScreenshot shot = testkit::CScreenshot::Take(r);
        ASSERT_FALSE(shot.IsEmpty());
        wchar_t folder[MAX_PATH] = {};
        const CString target = GetEnvironmentVariableW(L"VXL_SHOT_DIR", folder, MAX_PATH)
                                   ? CString(folder) + L"\\" + name
                                   : m_folders.root + L"\\" + name;
        EXPECT_TRUE(shot.SaveBmp(target)) << W(target);
    }

    CTempSettingsFolders m_folders{L"vxl_update_dlg"};
    CString m_logPath;
    CUiCaller m_ui;
};

}  // namespace

TEST_F(UpdateDlgTest, UntickingGreysTheFormAndClosingStoresIt) {
    ShowWhile(Result(false), [&](HWND dialog, HWND page) {
        wchar_t title[512] = {};
        GetWindowTextW(dialog, title, 512);
        EXPECT_EQ(0, wcsncmp(title, L"Check For Updates : ", 20)) << title;
        EXPECT_NE(nullptr, wcsstr(title, L"Updates not found")) << title;
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(dialog, IDC_UPDATE_SKIP)));
        EXPECT_TRUE(IsWindowEnabled(GetDlgItem(dialog, IDCANCEL)));
        ASSERT_NE(nullptr, page);
        EXPECT_TRUE(GetWindowLongPtrW(page, GWL_EXSTYLE) & WS_EX_CLIENTEDGE);

        HELEMENT box = nullptr, number = nullptr, label = nullptr;
        m_ui.Run([&] {
            box = ById(page, kAutoCheckId);
            number = ById(page, kDaysNumberId);
            label = ById(page, kDaysTextId);
        });
        ASSERT_TRUE(box && number && label);
        m_ui.Run([&] {
            EXPECT_TRUE(State(box) & STATE_CHECKED);
            EXPECT_EQ(L"green", RuntimeStyle(box, L"color"));
            EXPECT_FALSE(State(number) & STATE_DISABLED);
        });
        SaveShot(dialog, L"update_dlg_no_new.bmp");

        ClickElement(page, box);
        Settle();
        m_ui.Run([&] {
            EXPECT_FALSE(State(box) & STATE_CHECKED) << "the click did not untick the box";
            EXPECT_EQ(L"red", RuntimeStyle(box, L"color"));
            EXPECT_TRUE(State(number) & STATE_DISABLED);
            EXPECT_EQ(L"gray", RuntimeStyle(label, L"color"));
            EXPECT_EQ(L"line-through", RuntimeStyle(label, L"text-decoration"));
        });
        SaveShot(dialog, L"update_dlg_unticked.bmp");
        ClickElement(page, box);
        Settle();
        m_ui.Run([&] {
            EXPECT_TRUE(State(box) & STATE_CHECKED);
            EXPECT_FALSE(State(number) & STATE_DISABLED);
            EXPECT_TRUE(RuntimeStyle(label, L"color").empty());
        });
        ClickElement(page, box);
        Settle();
        SendMessageW(GetDlgItem(dialog, IDCANCEL), BM_CLICK, 0, 0);
        EXPECT_TRUE(testkit::PollUntil(kWaitMs, [&] { return !IsWindow(dialog); }));
    });
    IniFlushCache();
    EXPECT_EQ(0, CVXLSettings::ReadInt(L"AutoCheckForUpdates", -1));
    EXPECT_EQ(9, CVXLSettings::ReadInt(L"DaysCheckForUpdates", -1));
    EXPECT_FALSE(CVXLSettings::GetInstance().AutoCheckForUpdates);
}

TEST_F(UpdateDlgTest, ASecondResultBringsTheOpenDialogBack) {
    ShowWhile(Result(true), [&](HWND dialog, HWND) {
        wchar_t title[512] = {};
        GetWindowTextW(dialog, title, 512);
        EXPECT_NE(nullptr, wcsstr(title, L"Has new version on official web site")) << title;
        SaveShot(dialog, L"update_dlg_new.bmp");

        ShowWindow(dialog, SW_MINIMIZE);
        ASSERT_TRUE(testkit::PollUntil(kWaitMs, [&] { return IsIconic(dialog) != FALSE; }));
        // The tray hands the next result over on its own thread, inside the open dialog.
        const UpdateCheckResult second = Result(false);
        m_ui.Run([&] { CUpdateDlg::ShowResult(second); });
        EXPECT_FALSE(IsIconic(dialog));
        EXPECT_EQ(dialog, CAppObjects::GetUpdateDlgHwnd());
        int dialogs = 0;
        EnumThreadWindows(GetWindowThreadProcessId(dialog, nullptr), CountVisibleDialogs,
                          reinterpret_cast<LPARAM>(&dialogs));
        EXPECT_EQ(1, dialogs);
    });
}

TEST_F(UpdateDlgTest, OnlyWebAndMailAddressesReachTheShell) {
    CRecordingShell shell;
    const wchar_t* refused[] = {L"file:///C:/windows/notepad.exe", L"\\\\server\\share\\run.exe"};
    ShowWhile(Result(false), [&](HWND dialog, HWND page) {
        // The first link of the page is the home page's; it is pointed elsewhere and clicked.
        HELEMENT link = nullptr;
        m_ui.Run([&] {
            HELEMENT root = nullptr;
            HTMLayoutGetRootElement(page, &root);
            link = htmltest::FindFirst(root, "a", "href", nullptr);
        });
        ASSERT_NE(nullptr, link);
        for (const wchar_t* href : refused) {
            m_ui.Run([&] { HTMLayoutSetAttributeByName(link, "href", href); });
            ClickElement(page, link);
            Settle();
        }
        EXPECT_TRUE(shell.files.empty());
        m_ui.Run([&] { HTMLayoutSetAttributeByName(link, "href", L"https://www.vexlora.com/x"); });
        ClickElement(page, link);
        Settle();
        ASSERT_EQ(1u, shell.files.size());
        EXPECT_EQ(L"https://www.vexlora.com/x", shell.files[0]);
        EXPECT_EQ(L"open", shell.verbs[0]);

        SendMessageW(GetDlgItem(dialog, IDC_UPDATE_VISIT), BM_CLICK, 0, 0);
        ASSERT_EQ(2u, shell.files.size());
        EXPECT_EQ(W(CVXLUrl::Get_Home_Url()), shell.files[1]);
    });
    LogWaitPending(kWaitMs);
    const LogFileContent log = ReadLogFile(m_logPath.GetString());
    for (const wchar_t* href : refused)
        EXPECT_NE(std::wstring::npos,
                  log.Joined().find(std::wstring(L"CUpdateDlg::OnHyperlinkClick: refused to open ") + href + L"]"))
            << log.Joined();
}

TEST_F(UpdateDlgTest, AHandleLeftByAVanishedDialogDoesNotKeepTheNextOneAway) {
    HWND gone = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, gone);
    DestroyWindow(gone);
    CAppObjects::SetUpdateDlgHwnd(gone);
    bool shown = false;
    ShowWhile(Result(true), [&](HWND dialog, HWND page) { shown = dialog != gone && page != nullptr; });
    EXPECT_TRUE(shown);
}
