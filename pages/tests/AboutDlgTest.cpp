// The About dialog shown for real over a parent window of the test, on a thread of its
// own as the tray's modal loop would run it: the report fills after the dialog shows,
// its rows are read back from the list, the copy button fills the clipboard, a click
// selects no row, the archive is saved through the dialog's seam and read back, the
// update button asks the parent, and a second opening only raises the first.
#include "pages/AboutDlg.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "core/AppSlots.h"
#include "core/SettingsFile.h"
#include "core/TrayIds.h"
#include "core/base/AppPaths.h"
#include "pages/zip/tests/ZipReader.h"
#include "testkit/Clipboard.h"
#include "testkit/Controls.h"
#include "testkit/Keyboard.h"
#include "testkit/Poll.h"
#include "testkit/Screenshot.h"
#include "testkit/TempFolder.h"

namespace {

const wchar_t kParentClass[] = L"VxlAboutDlgTestParent";
const std::string kLogBytes = "\xFF\xFEL\0o\0g\0";
std::vector<WPARAM> g_parentCommands;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) g_parentCommands.push_back(wParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeParent() {
    static const ATOM registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kParentClass;
        return RegisterClassW(&windowClass);
    }();
    if (!registered) return nullptr;
    return CreateWindowExW(0, kParentClass, L"Tray stand-in", WS_OVERLAPPED, 0, 0, 200, 100, nullptr, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

CString ItemText(HWND list, int item, int column) {
    wchar_t buffer[512] = {};
    LVITEMW lvItem = {};
    lvItem.iSubItem = column;
    lvItem.pszText = buffer;
    lvItem.cchTextMax = 512;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem));
    return buffer;
}

int ItemCount(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
}

BOOL CALLBACK CountDialog(HWND window, LPARAM counter) {
    wchar_t name[32] = {};
    GetClassNameW(window, name, 32);
    if (wcscmp(name, L"#32770") == 0 && IsWindowVisible(window)) ++*reinterpret_cast<int*>(counter);
    return TRUE;
}

int CountDialogsOfThread(DWORD threadId) {
    int count = 0;
    EnumThreadWindows(threadId, &CountDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

int ItemKind(HWND list, int row) {
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = row;
    SendMessageW(list, LVM_GETITEMW, 0, reinterpret_cast<LPARAM>(&item));
    return static_cast<int>(item.lParam);
}

// Waits for a popup menu of this process and chooses its item at that place among the
// items a user can reach with the arrow keys (separators are skipped).
bool ChooseMenuItem(int place) {
    HWND menu = nullptr;
    if (!testkit::PumpMessagesUntil(testkit::kWaitMs,
                                    [&] { return (menu = testkit::FindVisibleMenuWindow()) != nullptr; }))
        return false;
    for (int i = 0; i < place; ++i) testkit::PostKeyTo(menu, VK_DOWN);
    testkit::PostKeyTo(menu, VK_RETURN);
    return true;
}

std::wstring W(const CString& text) {
    return std::wstring(static_cast<const wchar_t*>(text));
}

class AboutDlg : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testkit::MakeUniqueTempFolder(L"vxl_about_dlg");
        const CString program = m_folder + L"\\";
        SetProgramFolderForTest(program);
        SetProfileFolderForTest(m_folder);
        ASSERT_TRUE(testkit::WriteFileBytes(program + L"LogReport.txt", kLogBytes));
        ASSERT_TRUE(testkit::WriteFileBytes(program + L"Settings.ini", testkit::Utf16Bytes(L"\xFEFF[Settings]\r\n")));
        ASSERT_TRUE(testkit::WriteFileBytes(program + L"vxl_stat_info.ini", testkit::Utf16Bytes(L"\xFEFF; stat")));
        m_zipPath = m_folder + L"\\Report.zip";
        m_parent = MakeParent();
        ASSERT_NE(nullptr, m_parent);
        g_parentCommands.clear();

        m_inputs.phrasesFolder = m_folder;
        m_inputs.defaultFolder = true;
        m_inputs.statistics.all = 4;
        m_inputs.collectedErrors = {L"ERROR: [the hook] an error", L"the last message"};
        m_inputs.clipboardHistoryState = L"On";
        m_inputs.hookLibraryPath = program + L"VxlHook.dll";
        m_inputs.hookServiceImplName = L"Use x32 implementation XP like";
        const CString zip = m_zipPath;
        m_inputs.askArchivePath = [zip](HWND) { return zip; };
        m_inputs.selectArchiveInExplorer = false;
    }

    void TearDown() override {
        if (HWND open = CAppObjects::GetAboutDlgHwnd()) PostMessageW(open, WM_COMMAND, IDCANCEL, 0);
        WaitForDialogThread();
        if (m_parent) DestroyWindow(m_parent);
        SetProfileFolderForTest(L"");
        SetProgramFolderForTest(L"");
        testkit::RemoveTree(m_folder);
    }

    // The dialog gives its owner back when it ends (sent messages to this thread): this
    // thread answers them while it waits.
    bool WaitForDialogThread() {
        if (!m_thread.joinable()) return true;
        const bool ended = testkit::PumpMessagesUntil(testkit::kWaitMs, [this] { return m_ended.load(); });
        if (ended)
            m_thread.join();
        else
            m_thread.detach();
        return ended;
    }

    // Opens the dialog on its own thread and waits until the report is in its list (the
    // last row is the last collected error).
    HWND OpenAndWaitForReport() {
        m_thread = std::thread([this] {
            m_threadId = GetCurrentThreadId();
            m_result = CAboutDlg::Show(m_parent, m_inputs);
            m_ended = true;
        });
        HWND dialog = nullptr;
        EXPECT_TRUE(testkit::PumpMessagesUntil(testkit::kWaitMs, [&] {
            dialog = CAppObjects::GetAboutDlgHwnd();
            return dialog != nullptr;
        })) << "no About dialog";
        if (!dialog) return nullptr;
        const HWND list = GetDlgItem(dialog, IDC_ABOUT_LIST);
        EXPECT_TRUE(testkit::PumpMessagesUntil(60000,
                                               [&] {
                                                   const int count = ItemCount(list);
                                                   return count > 0 && ItemText(list, count - 1, 0) == L"Message #2:";
                                               }))
            << "the report did not fill; rows: " << ItemCount(list);
        return dialog;
    }

    CString m_folder;
    CString m_zipPath;
    HWND m_parent = nullptr;
    AboutReportInputs m_inputs;
    std::thread m_thread;
    std::atomic<DWORD> m_threadId{0};
    std::atomic<INT_PTR> m_result{-5};
    std::atomic<bool> m_ended{false};
};

TEST_F(AboutDlg, ShowsTheReportCopiesSavesAndClosesAsTheUserAsks) {
    const HWND dialog = OpenAndWaitForReport();
    ASSERT_NE(nullptr, dialog);
    const HWND list = GetDlgItem(dialog, IDC_ABOUT_LIST);

    // The rows as the list shows them.
    EXPECT_EQ(L"Version:", W(ItemText(list, 0, 0)));
    EXPECT_EQ(0, ItemText(list, 0, 1).Find(L"Vexlora"));
    bool environment = false;
    bool processes = false;
    for (int row = 0; row < ItemCount(list); ++row) {
        environment = environment || ItemText(list, row, 0) == L" Environment ";
        processes = processes || ItemText(list, row, 0) == L" Processes ";
    }
    EXPECT_TRUE(environment);
    EXPECT_TRUE(processes);

    // The language section counts the files it lists after the built-in language, and
    // every file row names its file.
    int languageRow = -1;
    for (int row = 0; row < ItemCount(list) && languageRow < 0; ++row)
        if (ItemText(list, row, 0).Left(16) == L" Language Files ") languageRow = row;
    ASSERT_GE(languageRow, 0);
    EXPECT_EQ(L"Embedded:", W(ItemText(list, languageRow + 1, 0)));
    int files = 0;
    for (int row = languageRow + 2; row < ItemCount(list) && ItemKind(list, row) != kAboutRowSection; ++row) {
        ++files;
        EXPECT_NE(L"", W(ItemText(list, row, 1))) << W(ItemText(list, row, 0));
    }
    CString title;
    title.Format(L" Language Files [%d] ", files);
    EXPECT_EQ(W(title), W(ItemText(list, languageRow, 0)));

    // A row's own drawing: passed tests in green, failures in red, on the list itself.
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
    testkit::PumpMessagesUntil(300, [] { return false; });
    RECT dialogRect = {};
    GetWindowRect(dialog, &dialogRect);
    const testkit::CScreenshot shot = testkit::CScreenshot::Take(dialogRect);
    ASSERT_FALSE(shot.IsEmpty());
    RECT listRect = {};
    GetWindowRect(list, &listRect);
    OffsetRect(&listRect, -dialogRect.left, -dialogRect.top);
    EXPECT_TRUE(shot.Contains(listRect, RGB(0, 128, 0))) << "no green row drawn";
    EXPECT_TRUE(shot.Contains(listRect, RGB(255, 0, 0))) << "no red row drawn";
    wchar_t shotPath[MAX_PATH] = {};
    if (GetEnvironmentVariableW(L"VXL_ABOUT_SHOT", shotPath, MAX_PATH)) {
        EXPECT_TRUE(shot.SaveBmp(shotPath));
    }

    // A click on a row selects nothing, and neither does the list's own selection.
    RECT rowRect = {};
    rowRect.left = LVIR_BOUNDS;
    ASSERT_TRUE(SendMessageW(list, LVM_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&rowRect)));
    POINT rowPoint = {(rowRect.left + rowRect.right) / 2, (rowRect.top + rowRect.bottom) / 2};
    ClientToScreen(list, &rowPoint);
    ASSERT_TRUE(testkit::ClickAt(rowPoint));
    LVITEMW select = {};
    select.stateMask = LVIS_SELECTED;
    select.state = LVIS_SELECTED;
    SendMessageW(list, LVM_SETITEMSTATE, 2, reinterpret_cast<LPARAM>(&select));
    testkit::PumpMessagesUntil(300, [] { return false; });
    EXPECT_EQ(0, static_cast<int>(SendMessageW(list, LVM_GETSELECTEDCOUNT, 0, 0)));

    // Copy puts the report on the clipboard.
    ASSERT_TRUE(testkit::SetClipboardText(L"before"));
    PostMessageW(GetDlgItem(dialog, IDC_ABOUT_COPY), BM_CLICK, 0, 0);
    CString copied;
    EXPECT_TRUE(testkit::PumpMessagesUntil(testkit::kWaitMs,
                                           [&] {
                                               const testkit::CResult<CString> text = testkit::ReadClipboardText();
                                               copied = text.ok() ? text.value() : CString();
                                               return copied.Left(8) == L"Version:";
                                           }))
        << "clipboard: " << W(copied.Left(40));
    EXPECT_GE(copied.Find(L"\r\n\r\n Processes "), 0);
    EXPECT_GE(copied.Find(L"Message #2: the last message"), 0);

    // The archive: the button's arrow opens its menu, whose second item saves through the
    // seam; read back.
    RECT buttonClient = {};
    const HWND copyButton = GetDlgItem(dialog, IDC_ABOUT_COPY);
    GetClientRect(copyButton, &buttonClient);
    const RECT arrow = CSplitButton::GetArrowRect(buttonClient, false);
    // The press and release go to the button itself: under a loaded machine a real click
    // could meet the pointer still on its way. (The real program's test clicks for real.)
    const LPARAM arrowPoint = MAKELPARAM((arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2);
    PostMessageW(copyButton, WM_LBUTTONDOWN, MK_LBUTTON, arrowPoint);
    PostMessageW(copyButton, WM_LBUTTONUP, 0, arrowPoint);
    ASSERT_TRUE(ChooseMenuItem(2)) << "no copy menu";
    std::vector<ZipEntryRead> entries;
    EXPECT_TRUE(testkit::PumpMessagesUntil(testkit::kWaitMs, [&] {
        entries.clear();
        return FileExists(m_zipPath) && ReadZipEntries(m_zipPath, &entries);
    })) << "no archive";
    std::vector<std::string> names;
    for (const ZipEntryRead& entry : entries) names.push_back(entry.name);
    ASSERT_GE(entries.size(), 3u);
    EXPECT_EQ("Vexlora_Info.txt", entries[0].name);
    EXPECT_EQ("Version:", entries[0].bytes.substr(0, 8));
    EXPECT_NE(std::string::npos, entries[0].bytes.find("Message #2: the last message"));
    const std::vector<std::string> tail(names.end() - 2, names.end());
    EXPECT_EQ((std::vector<std::string>{"LogReport.txt", "vxl_stat_info.ini"}), tail);
    EXPECT_EQ(kLogBytes, entries[entries.size() - 2].bytes);

    // The list's menu scrolls to a section: the last one, the log.
    const int logRow = ItemCount(list) - 3;
    ASSERT_EQ(L" Log (2) ", W(ItemText(list, logRow, 0)));
    int sections = 0;
    for (int row = 0; row < ItemCount(list); ++row) sections += ItemKind(list, row) == kAboutRowSection ? 1 : 0;
    SendMessageW(list, LVM_ENSUREVISIBLE, 0, FALSE);
    ASSERT_EQ(0, static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0)));
    POINT listPoint = {20, 20};
    ClientToScreen(list, &listPoint);
    PostMessageW(dialog, CAboutDlg::kListMenuMessage, 0, MAKELPARAM(listPoint.x, listPoint.y));
    ASSERT_TRUE(ChooseMenuItem(1 + sections)) << "no list menu";
    EXPECT_TRUE(testkit::PumpMessagesUntil(testkit::kWaitMs,
                                           [&] {
                                               const int top =
                                                   static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
                                               const int page =
                                                   static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
                                               return top > 0 && top <= logRow && logRow < top + page;
                                           }))
        << "top row " << SendMessageW(list, LVM_GETTOPINDEX, 0, 0);
    if (GetEnvironmentVariableW(L"VXL_ABOUT_SHOT_END", shotPath, MAX_PATH)) {
        RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ERASE);
        testkit::PumpMessagesUntil(300, [] { return false; });
        EXPECT_TRUE(testkit::CScreenshot::Take(dialogRect).SaveBmp(shotPath));
    }

    // The update button asks the tray window.
    PostMessageW(GetDlgItem(dialog, IDC_ABOUT_CHECK_UPDATES), BM_CLICK, 0, 0);
    EXPECT_TRUE(testkit::PumpMessagesUntil(testkit::kWaitMs, [] {
        for (WPARAM command : g_parentCommands)
            if (LOWORD(command) == ID_CHECK_FOR_UPDATES) return true;
        return false;
    }));

    // A second opening raises the first and shows nothing new.
    EXPECT_EQ(0, CAboutDlg::Show(m_parent, m_inputs));
    EXPECT_EQ(1, CountDialogsOfThread(m_threadId));

    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    EXPECT_TRUE(WaitForDialogThread());
    EXPECT_EQ(IDOK, m_result.load());
    EXPECT_EQ(nullptr, CAppObjects::GetAboutDlgHwnd());
}

TEST_F(AboutDlg, ListTipsAreTheRowsTextAndSectionsHaveNone) {
    const HWND dialog = OpenAndWaitForReport();
    ASSERT_NE(nullptr, dialog);
    const HWND list = GetDlgItem(dialog, IDC_ABOUT_LIST);
    // A row without a tip of its own: its two cells.
    wchar_t first[1024] = L"stale";
    NMLVGETINFOTIPW firstTip = {};
    firstTip.hdr.hwndFrom = list;
    firstTip.hdr.idFrom = IDC_ABOUT_LIST;
    firstTip.hdr.code = LVN_GETINFOTIPW;
    firstTip.pszText = first;
    firstTip.cchTextMax = 1024;
    firstTip.iItem = 0;
    SendMessageW(dialog, WM_NOTIFY, IDC_ABOUT_LIST, reinterpret_cast<LPARAM>(&firstTip));
    EXPECT_EQ(W(ItemText(list, 0, 0) + L" " + ItemText(list, 0, 1)), std::wstring(first));
    // Every section row answers no tip.
    int sections = 0;
    for (int row = 0; row < ItemCount(list); ++row) {
        if (ItemKind(list, row) != kAboutRowSection) continue;
        ++sections;
        wchar_t buffer[64] = L"stale";
        NMLVGETINFOTIPW tip = {};
        tip.hdr.hwndFrom = list;
        tip.hdr.idFrom = IDC_ABOUT_LIST;
        tip.hdr.code = LVN_GETINFOTIPW;
        tip.pszText = buffer;
        tip.cchTextMax = 64;
        tip.iItem = row;
        SendMessageW(dialog, WM_NOTIFY, IDC_ABOUT_LIST, reinterpret_cast<LPARAM>(&tip));
        EXPECT_EQ(L"", std::wstring(buffer)) << W(ItemText(list, row, 0));
    }
    EXPECT_GT(sections, 5);
}

}  // namespace
