// The update dialog and the About dialog of the real Vexlora.exe, looked at from outside.
// The program asks a web server of the test's own on this machine (the site's addresses
// point there through the environment): the check-for-updates event opens the dialog with
// its page, a click on the page's check box unticks it and greys the days, and closing the
// dialog stores the settings. Where a check box lies is learnt by laying out the same page
// in this process with the same engine at the same size; the click itself and what it
// changed are the real program's, read back from the screen. Pictures of the dialogs are
// kept beside the test for people to look at.
#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/Instance.h"
#include "core/SettingsFile.h"
#include "core/TrayIds.h"
#include "core/base/TextConversions.h"
#include "pages/AboutDlgIds.h"
#include "pages/SplitButton.h"
#include "pages/UpdateCheck.h"
#include "pages/UpdatePage.h"
#include "pages/tests/UpdateResultWindow.h"
#include "pages/zip/tests/ZipReader.h"
#include "platform/htmlayout/tests/PageWindow.h"
#include "testkit/Clipboard.h"
#include "testkit/Controls.h"
#include "testkit/Keyboard.h"
#include "testkit/LogFile.h"
#include "testkit/LoopbackHttpServer.h"
#include "testkit/Poll.h"
#include "testkit/Resident.h"
#include "testkit/Screenshot.h"
#include "testkit/TestKit.h"

namespace {

using namespace testkit;

const wchar_t kSettings[] =
    L"WriteLog=1\r\nClipboardHistory=0\r\nShowTrayBallonOnHotkey=0\r\nShowHistoryPaneOnStart=0\r\n"
    L"AutoCheckForUpdates=1\r\nDaysCheckForUpdates=7\r\n";

std::string VersionXml(const char* version, const std::string& downloads) {
    return std::string("<?xml version=\"1.0\"?><VexloraVersionInfo><Version>") + version +
           "</Version><Status>Beta</Status>" + downloads + "</VexloraVersionInfo>";
}

const char kFeed[] =
    "<rss><channel><item><title>Vexlora 9.1 is out</title><description>Faster menus.</description>"
    "<link>http://127.0.0.1/news/1</link><pubDate>Tue, 01 Dec 2026 10:00:00 GMT</pubDate>"
    "<author>team</author></item></channel></rss>";

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

CString WindowText(HWND window) {
    wchar_t text[512] = {};
    GetWindowTextW(window, text, 512);
    return text;
}

struct DialogSearch {
    DWORD processId;
    CString prefix;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectDialog(HWND window, LPARAM parameter) {
    auto& search = *reinterpret_cast<DialogSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    wchar_t className[64] = {};
    GetClassNameW(window, className, 64);
    if (process == search.processId && IsWindowVisible(window) && CString(className) == L"#32770" &&
        (search.prefix.IsEmpty() || WindowText(window).Find(search.prefix) == 0))
        search.found.push_back(window);
    return TRUE;
}

// The visible dialogs of the process whose title starts with the prefix.
std::vector<HWND> DialogsOf(DWORD processId, const CString& titlePrefix) {
    DialogSearch search = {processId, titlePrefix, {}};
    EnumWindows(CollectDialog, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// The program's own road to the server, without writing this process's settings.
class CCheckEnvironment : public CSystemUpdateCheckEnvironment {
public:
    int OnlineState() override { return 0; }
    void StoreLatestFound(const wchar_t*) override {}
};

class DialogsE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.Create());
        m_log = m_folder.PathOf(L"LogReport.txt");
        ASSERT_TRUE(m_folder.WriteSettings(kSettings));
        ASSERT_TRUE(m_server.Start());
        CString site = m_server.Url("");
        site.TrimRight(L'/');
        // The program started below, and this process's own check, ask this server.
        ASSERT_TRUE(SetEnvironmentVariableW(L"VXL_LOCAL_SITE", site));
        HttpAnswer feed;
        feed.body = kFeed;
        feed.contentType = "text/xml";
        m_server.Route("/news_en.xml", feed);
        HttpAnswer installer;
        installer.body = std::string(3 * 1024 * 1024, 'i');
        m_server.Route("/setup.exe", installer);
        HttpAnswer portable;
        portable.body = std::string(2 * 1024 * 1024, 'p');
        m_server.Route("/portable.zip", portable);
    }
    void TearDown() override {
        if (HasFailure())
            std::printf("%s\n", WideToUtf8(ReadLogFile(std::wstring(m_log.GetString())).Joined().c_str()).c_str());
        if (m_resident && m_resident->IsRunning()) Exit();
        m_server.Stop();
    }

    void ServeVersion(const char* version) {
        HttpAnswer answer;
        answer.contentType = "text/xml";
        answer.body =
            VersionXml(version, "<DownloadURL>" + WideToUtf8(m_server.Url("/setup.exe").GetString()) +
                                    "</DownloadURL><DownloadURL_PE>" +
                                    WideToUtf8(m_server.Url("/portable.zip").GetString()) + "</DownloadURL_PE>");
        m_server.Route("/Source/update_vxl.php", answer);
    }

    void Start() {
        DeleteFileW(m_log);
        m_resident = std::make_unique<CTestProcess>();
        ASSERT_TRUE(m_resident->Start(m_folder.PathOf(L"Vexlora.exe"), L""));
        ASSERT_TRUE(PollUntil(30000, [&] { return TrayWindowOf(m_resident->id()) != nullptr; }));
        ASSERT_TRUE(WaitForFileText(m_log, L"update and blink requests are watched", 10000));
    }
    void Exit() {
        RunToExit(m_folder.PathOf(L"Vexlora.exe"), L"/exit", 30000);
        EXPECT_TRUE(m_resident->WaitForExit(30000)) << "the resident did not end after /exit";
    }

    // The check-for-updates event, as the editor sets it; the dialog once it shows.
    HWND CheckForUpdates() {
        EXPECT_TRUE(SignalCheckForUpdates());
        HWND dialog = nullptr;
        EXPECT_TRUE(PollUntil(30000, [&] {
            std::vector<HWND> found = DialogsOf(m_resident->id(), L"Check For Updates");
            dialog = found.empty() ? nullptr : found.front();
            return dialog != nullptr;
        })) << "no update dialog appeared";
        return dialog;
    }

    // The page the program shows for the server's answer, laid out here by the same engine
    // in a window of the page window's size.
    std::unique_ptr<htmltest::CPageWindow> SamePageHere(HWND remotePage) {
        pagestest::CUpdateResultWindow results;
        UpdateCheckTask task;
        task.window = results.get();
        task.resultMessage = pagestest::kResultMessage;
        task.stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        task.environment = std::make_shared<CCheckEnvironment>();
        EXPECT_TRUE(RunUpdateCheckTask(task));
        if (results.results.size() != 1) {
            ADD_FAILURE() << "the check here gave " << results.results.size() << " results";
            return nullptr;
        }
        CUpdatePageEnv env = ReadUpdatePageEnv();
        env.autoCheck = true;
        env.days = 7;
        RECT client = {};
        GetClientRect(remotePage, &client);
        auto page = std::make_unique<htmltest::CPageWindow>(client.right, client.bottom);
        EXPECT_TRUE(page->Load(WideToUtf8(BuildUpdatePage(results.results[0], env).GetString())));
        return page;
    }

    int CountInLog(const wchar_t* text) {
        const CString log = ReadUtf16File(m_log);
        int count = 0;
        for (int at = log.Find(text); at >= 0; at = log.Find(text, at + 1)) ++count;
        return count;
    }
    CString SettingsValue(const wchar_t* key) {
        wchar_t value[64] = {};
        GetPrivateProfileStringW(GetSettingsSectionName(), key, L"", value, 64, m_folder.PathOf(L"Settings.ini"));
        return value;
    }

    CPrivateProgramFolder m_folder;
    CString m_log;
    CLoopbackHttpServer m_server;
    std::unique_ptr<CTestProcess> m_resident;
};

// Counts the pixels of exactly that colour in a rectangle of the shot.
int CountColour(const CScreenshot& shot, const RECT& area, COLORREF colour) {
    int count = 0;
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) count += shot.At(x, y) == colour ? 1 : 0;
    return count;
}

TEST_F(DialogsE2e, ANewVersionOpensTheDialogWhoseFormChangesTheAutomaticCheck) {
    ServeVersion("99.1.0.0");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND dialog = CheckForUpdates();
    ASSERT_TRUE(dialog);
    EXPECT_NE(-1, WindowText(dialog).Find(L"Has new version on official web site")) << WideToUtf8(WindowText(dialog));
    HWND page = FindWindowExW(dialog, nullptr, HTMLayoutClassNameW(), nullptr);
    ASSERT_TRUE(page) << "the dialog has no page window";

    // A second result while the dialog is open only brings it forward.
    ASSERT_TRUE(SignalCheckForUpdates());
    EXPECT_TRUE(PollUntil(10000, [&] { return CountInLog(L"offered [99.1.0.0]") >= 2; }))
        << "the second result did not arrive";
    EXPECT_EQ(1u, DialogsOf(m_resident->id(), L"Check For Updates").size());

    std::unique_ptr<htmltest::CPageWindow> here = SamePageHere(page);
    ASSERT_TRUE(here);
    HELEMENT box = here->Id(kAutoCheckId);
    HELEMENT days = here->Id(kDaysTextId);
    HELEMENT version = htmltest::FindFirst(here->Root(), "strong", nullptr, nullptr);
    ASSERT_TRUE(box && days && version);
    const RECT boxRect = here->Rect(box);
    const RECT daysRect = here->Rect(days);
    RECT client = {};
    GetClientRect(page, &client);
    ASSERT_LT(boxRect.bottom, client.bottom) << "the check box lies below the page's view";

    // Where the page window's client area starts in a shot of the dialog.
    POINT origin = {0, 0};
    ClientToScreen(page, &origin);
    const RECT dialogRect = WindowRect(dialog);
    auto InShot = [&](RECT r) {
        OffsetRect(&r, origin.x - dialogRect.left, origin.y - dialogRect.top);
        return r;
    };
    const COLORREF green = RGB(0, 128, 0), red = RGB(255, 0, 0), grey = RGB(128, 128, 128);
    Sleep(500);
    const CScreenshot before = CScreenshot::Take(dialogRect);
    ASSERT_FALSE(before.IsEmpty());
    before.SaveBmp(L"update_dialog_new_version.bmp");
    const RECT boxInShot = InShot(boxRect);
    EXPECT_GT(CountColour(before, boxInShot, green), 20)
        << "the ticked box's label is green; box at " << boxInShot.left << "," << boxInShot.top << " to "
        << boxInShot.right << "," << boxInShot.bottom << ", colour there 0x" << std::hex
        << before.At(boxInShot.left + 20, (boxInShot.top + boxInShot.bottom) / 2);
    EXPECT_EQ(0, CountColour(before, InShot(boxRect), red));
    EXPECT_EQ(0, CountColour(before, InShot(daysRect), grey));

    // A real click on the box, as the user does it, once the dialog is in front.
    EXPECT_TRUE(PollUntil(5000, [&] { return GetForegroundWindow() == dialog; }));
    POINT at = {boxRect.left + 4, (boxRect.top + boxRect.bottom) / 2};
    ClientToScreen(page, &at);
    ASSERT_TRUE(ClickAt(at));
    CScreenshot after;
    EXPECT_TRUE(PollUntil(5000, [&] {
        after = CScreenshot::Take(dialogRect);
        return CountColour(after, InShot(boxRect), red) > 20;
    })) << "the unticked box's label did not turn red";
    EXPECT_EQ(0, CountColour(after, InShot(boxRect), green));
    EXPECT_GT(CountColour(after, InShot(daysRect), grey), 20) << "the days label is grey";
    after.SaveBmp(L"update_dialog_unticked.bmp");

    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PollUntil(10000, [&] { return !IsWindow(dialog); }));
    EXPECT_EQ(L"0", std::wstring(SettingsValue(L"AutoCheckForUpdates").GetString()));
    EXPECT_EQ(L"7", std::wstring(SettingsValue(L"DaysCheckForUpdates").GetString()));
}

TEST_F(DialogsE2e, TheRunningVersionOnTheServerGivesTheLatestVersionPage) {
    ServeVersion("0.0.0.1");
    ASSERT_NO_FATAL_FAILURE(Start());
    HWND dialog = CheckForUpdates();
    ASSERT_TRUE(dialog);
    EXPECT_NE(-1, WindowText(dialog).Find(L"Updates not found")) << WideToUtf8(WindowText(dialog));
    Sleep(500);
    const CScreenshot shot = CScreenshot::Take(WindowRect(dialog));
    ASSERT_FALSE(shot.IsEmpty());
    shot.SaveBmp(L"update_dialog_latest_version.bmp");
    // The exit closes the open dialog first, and the checking thread it held is let go.
    Exit();
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_TRUE(WaitForFileText(m_log, L"===End Vexlora===", 1000));
}

// The About dialog of the process: the visible dialog that holds the report's list.
HWND AboutDialogOf(DWORD processId) {
    for (HWND dialog : DialogsOf(processId, L""))
        if (GetDlgItem(dialog, IDC_ABOUT_LIST)) return dialog;
    return nullptr;
}

// The file name field of a save dialog: the edit of its extended combo box (cmb13), else
// the plain edit (edt1) of older dialogs.
HWND FileNameFieldOf(HWND saveDialog) {
    if (HWND combo = GetDlgItem(saveDialog, 0x47C))
        if (HWND edit = reinterpret_cast<HWND>(SendMessageW(combo, CBEM_GETEDITCONTROL, 0, 0))) return edit;
    return GetDlgItem(saveDialog, 0x480);
}

// About from the tray command: the report fills, Copy leaves it on the clipboard, and the
// archive chosen in the copy menu is saved where the user says in the save dialog.
TEST_F(DialogsE2e, AboutShowsTheReportThatIsCopiedAndArchived) {
    ASSERT_NO_FATAL_FAILURE(Start());
    PostMessageW(TrayWindowOf(m_resident->id()), WM_COMMAND, ID_APP_ABOUT, 0);
    HWND about = nullptr;
    ASSERT_TRUE(PollUntil(15000, [&] { return (about = AboutDialogOf(m_resident->id())) != nullptr; }))
        << "no About dialog appeared";
    HWND list = GetDlgItem(about, IDC_ABOUT_LIST);
    ASSERT_TRUE(PollUntil(15000, [&] { return SendMessageW(list, LVM_GETITEMCOUNT, 0, 0) > 50; }))
        << "the report did not fill";
    // A second About only brings the open one forward: there is still one About.
    PostMessageW(TrayWindowOf(m_resident->id()), WM_COMMAND, ID_APP_ABOUT, 0);
    Sleep(1000);
    int abouts = 0;
    for (HWND dialog : DialogsOf(m_resident->id(), L"")) abouts += GetDlgItem(dialog, IDC_ABOUT_LIST) ? 1 : 0;
    EXPECT_EQ(1, abouts);
    const CScreenshot shot = CScreenshot::Take(WindowRect(about));
    ASSERT_FALSE(shot.IsEmpty());
    shot.SaveBmp(L"about_dialog.bmp");

    ASSERT_TRUE(SetClipboardText(L"before"));
    HWND copy = GetDlgItem(about, IDC_ABOUT_COPY);
    RECT button = {};
    GetClientRect(copy, &button);
    POINT copyPoint = {button.left + 8, (button.top + button.bottom) / 2};
    ClientToScreen(copy, &copyPoint);
    ASSERT_TRUE(ClickAt(copyPoint));
    CString copied;
    EXPECT_TRUE(PollUntil(5000,
                          [&] {
                              const CResult<CString> text = ReadClipboardText();
                              copied = text.ok() ? text.value() : CString();
                              return copied.Find(L"Version") == 0;
                          }))
        << "the clipboard holds: " << WideToUtf8(copied.Left(80).GetString());
    EXPECT_NE(-1, copied.Find(L"Settings File")) << "the whole report is copied";

    // The arrow's menu, its second item, and the save dialog answered as a user does.
    const RECT arrow = CSplitButton::GetArrowRect(button, false);
    POINT arrowPoint = {(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2};
    ClientToScreen(copy, &arrowPoint);
    ASSERT_TRUE(ClickAt(arrowPoint));
    HWND menu = nullptr;
    ASSERT_TRUE(PollUntil(5000, [&] { return (menu = FindVisibleMenuWindowOf(m_resident->id())) != nullptr; }))
        << "no copy menu";
    PostKeyTo(menu, VK_DOWN);
    PostKeyTo(menu, VK_DOWN);
    PostKeyTo(menu, VK_RETURN);
    HWND save = nullptr;
    ASSERT_TRUE(PollUntil(10000, [&] {
        for (HWND dialog : DialogsOf(m_resident->id(), L""))
            if (dialog != about && FileNameFieldOf(dialog)) save = dialog;
        return save != nullptr;
    })) << "no save dialog";
    const CString zipPath = m_folder.PathOf(L"support.zip");
    SendMessageW(FileNameFieldOf(save), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(zipPath.GetString()));
    PostMessageW(save, WM_COMMAND, IDOK, 0);
    std::vector<ZipEntryRead> entries;
    ASSERT_TRUE(PollUntil(15000,
                          [&] {
                              entries.clear();
                              return GetFileAttributesW(zipPath) != INVALID_FILE_ATTRIBUTES &&
                                     ReadZipEntries(zipPath, &entries);
                          }))
        << "no archive at " << WideToUtf8(zipPath.GetString());
    ASSERT_FALSE(entries.empty());
    EXPECT_EQ("Vexlora_Info.txt", entries[0].name);
    EXPECT_EQ(0u, entries[0].bytes.find("Version")) << entries[0].bytes.substr(0, 80);
    bool hasSettings = false;
    for (const ZipEntryRead& entry : entries) hasSettings = hasSettings || entry.name == "Settings.ini";
    EXPECT_TRUE(hasSettings);

    PostMessageW(about, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(PollUntil(5000, [&] { return !IsWindow(about); }));
}

}  // namespace
