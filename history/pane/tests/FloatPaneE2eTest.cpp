// The float pane of the real Vexlora.exe, looked at from outside: the tray command opens it
// collapsed at the right edge, expanded it draws a history of mixed items as the user sees
// them (checked by the pixels of a screenshot, which is kept beside the test for people to
// look at), the place the user moves it to is where the next start opens it, and a double
// clicked item is pasted into the program the user came from.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/SettingsFile.h"
#include "core/TrayIds.h"
#include "core/base/TextConversions.h"
#include "history/HistoryFiles.h"
#include "history/HistoryItem.h"
#include "history/HistoryMenu.h"
#include "history/HistoryQueue.h"
#include "history/pane/FloatPane.h"
#include "history/pane/PaneDraw.h"
#include "history/pane/PaneGeometry.h"
#include "testkit/Bitmaps.h"
#include "testkit/Controls.h"
#include "testkit/LogFile.h"
#include "testkit/Poll.h"
#include "testkit/Resident.h"
#include "testkit/Screenshot.h"
#include "testkit/TestKit.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using namespace testkit;

const wchar_t kPaneSettings[] =
    L"WriteLog=1\r\nClipboardHistory=1\r\nSaveClipboardHistory_v198=1\r\nClipboardFormats2=1\r\n"
    L"ShowTrayBallonOnHotkey=0\r\nShowHistoryPaneOnStart=0\r\nPinned_FloatPane_On_Start=0\r\n";

// The picture of the bitmap item: a colour no theme uses, so that finding it on the screen
// finds the thumbnail.
const COLORREF kThumbnailColor = RGB(0, 161, 83);

const int kItemCount = 10;
const int kBitmapRow = 2;
const int kProtectedRows[] = {1, 4};
const int kStripeRow = 3;

CString RowText(int row) {
    CString text;
    text.Format(L"pane row %d", row);
    return text;
}

RECT WindowRect(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    return rect;
}

HWND PaneOf(DWORD processId) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"VexloraFloatPane", nullptr); window;
         window = FindWindowExW(nullptr, window, L"VexloraFloatPane", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == processId && IsWindowVisible(window)) return window;
    }
    return nullptr;
}

class FloatPaneE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.Create());
        m_log = m_folder.PathOf(L"LogReport.txt");
        ASSERT_TRUE(m_folder.WriteSettings(kPaneSettings));
    }
    void TearDown() override {
        if (HasFailure())
            std::printf("%s\n", WideToUtf8(ReadLogFile(std::wstring(m_log.GetString())).Joined().c_str()).c_str());
        if (m_resident && m_resident->IsRunning()) Exit();
    }

    // Ten items as an earlier run saved them, newest last: row 0 is the newest.
    void SaveHistory() {
        const CString folder = m_folder.PathOf(L"ClipboardHistory\\");
        ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
        CCHFileWriter writer(folder);
        for (int row = kItemCount - 1; row >= 0; --row) {
            SYSTEMTIME time = {2026, 12, 5, 10, 9, 0, 0, 0};
            time.wSecond = static_cast<WORD>(kItemCount - row);
            std::unique_ptr<CCHItem> item;
            if (row == kBitmapRow) {
                item = std::make_unique<CCHItem>(CClipboardItemData::kBitmap, time);
                BYTE* pixels = nullptr;
                CBitmapHandle bitmap = MakeDibSection(64, 64, 32, nullptr, 0, &pixels);
                ASSERT_TRUE(bitmap && pixels);
                for (int i = 0; i < 64 * 64; ++i) {
                    pixels[i * 4 + 0] = GetBValue(kThumbnailColor);
                    pixels[i * 4 + 1] = GetGValue(kThumbnailColor);
                    pixels[i * 4 + 2] = GetRValue(kThumbnailColor);
                }
                item->SetBitmap(bitmap.release());
            } else {
                const int kind = row == 7 ? CClipboardItemData::kText : CClipboardItemData::kUnicodeText;
                item = std::make_unique<CCHItem>(kind, time);
                const CString text = RowText(row);
                if (kind == CClipboardItemData::kText) {
                    const std::string ansi = WideToUtf8(text.GetString());
                    ASSERT_TRUE(item->SetData(ansi.c_str(), static_cast<DWORD>(ansi.size() + 1)));
                } else {
                    ASSERT_TRUE(item->SetData(text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t)));
                }
            }
            for (int protectedRow : kProtectedRows)
                if (row == protectedRow) item->SetProtected(true);
            ASSERT_TRUE(writer.WriteItem(*item)) << row;
        }
    }

    void Start(int expectLoaded) {
        DeleteFileW(m_log);
        m_resident = std::make_unique<CTestProcess>();
        ASSERT_TRUE(m_resident->Start(m_folder.PathOf(L"Vexlora.exe"), L""));
        CString loaded;
        loaded.Format(L" %d history items loaded", expectLoaded);
        ASSERT_TRUE(WaitForFileText(m_log, loaded, 30000)) << "expected" << WideToUtf8(loaded.GetString());
        ASSERT_TRUE(PollUntil(10000, [&] { return TrayWindowOf(m_resident->id()) != nullptr; }));
    }
    void Exit() {
        RunToExit(m_folder.PathOf(L"Vexlora.exe"), L"/exit", 30000);
        EXPECT_TRUE(m_resident->WaitForExit(30000)) << "the resident did not end after /exit";
    }

    // The tray menu's float-pane command; the pane window once it is shown collapsed.
    HWND OpenPaneByTrayCommand() {
        PostMessageW(TrayWindowOf(m_resident->id()), WM_COMMAND, ID_FLOAT_PANE, 0);
        HWND pane = nullptr;
        EXPECT_TRUE(PollUntil(15000, [&] {
            pane = PaneOf(m_resident->id());
            return pane && WindowRect(pane).bottom - WindowRect(pane).top == kPaneToolbarHeight;
        })) << "no collapsed pane appeared";
        return pane;
    }
    // The tool bar's expand button, and the pane open at its full height.
    void Expand(HWND pane) {
        PostMessageW(pane, WM_COMMAND, ID_PANE_MINIMIZE_TO_CAPTION, 0);
        ASSERT_TRUE(PollUntil(5000, [&] { return WindowRect(pane).bottom - WindowRect(pane).top == 170; }));
    }
    CString SettingsValue(const wchar_t* key) {
        wchar_t value[64] = {};
        GetPrivateProfileStringW(GetSettingsAgentSectionName(), key, L"", value, 64, m_folder.PathOf(L"Settings.ini"));
        return value;
    }

    CPrivateProgramFolder m_folder;
    CString m_log;
    std::unique_ptr<CTestProcess> m_resident;
};

TEST_F(FloatPaneE2e, TheTrayCommandOpensAPaneThatDrawsItsItemsAndOpensWhereItWasMoved) {
    ASSERT_NO_FATAL_FAILURE(SaveHistory());
    ASSERT_NO_FATAL_FAILURE(Start(kItemCount));
    SetCursorPos(0, 0);  // no row under the mouse: hovered rows draw otherwise

    HWND pane = OpenPaneByTrayCommand();
    ASSERT_TRUE(pane);
    RECT rect = WindowRect(pane);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN), rect.right) << "narrowed towards the right edge";
    EXPECT_EQ(40, rect.top);

    ASSERT_NO_FATAL_FAILURE(Expand(pane));
    rect = WindowRect(pane);
    EXPECT_EQ(GetSystemMetrics(SM_CXVIRTUALSCREEN) - 300, rect.left);
    HWND list = FindWindowExW(pane, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_TRUE(list);
    Sleep(500);  // the paint after the resize
    RedrawWindow(pane, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Sleep(300);

    rect = WindowRect(pane);
    const CScreenshot shot = CScreenshot::Take(rect);
    ASSERT_FALSE(shot.IsEmpty());
    shot.SaveBmp(L"float_pane_expanded.bmp");
    // The list's client area (no border, no scroll bar) in the screenshot's coordinates.
    RECT listRect = {};
    GetClientRect(list, &listRect);
    MapWindowPoints(list, nullptr, reinterpret_cast<POINT*>(&listRect), 2);
    OffsetRect(&listRect, -rect.left, -rect.top);

    // The newest row's red frame: its top edge is the first pure red line of the list, as
    // wide as the row, with the bottom edge one row height below.
    const COLORREF red = RGB(255, 0, 0);
    const int middle = (listRect.left + listRect.right) / 2;
    int frameTop = -1, frameBottom = -1;
    for (int y = listRect.top; y < listRect.bottom && frameBottom < 0; ++y) {
        if (shot.At(middle, y) != red) continue;
        if (frameTop < 0)
            frameTop = y;
        else if (y > frameTop + 4)
            frameBottom = y;
    }
    ASSERT_GE(frameTop, 0) << "no red frame in the list";
    ASSERT_GT(frameBottom, frameTop) << "the red frame has no bottom edge";
    int redRun = 0;
    for (int x = listRect.left; x < listRect.right; ++x) redRun += shot.At(x, frameTop) == red ? 1 : 0;
    // The row is selected as the pane opens: its highlight covers part of the frame.
    EXPECT_GT(redRun, (listRect.right - listRect.left) / 2) << "the frame's top edge is not a line";
    const int rowHeight = frameBottom - frameTop + 1;

    auto rowArea = [&](int row) {
        const int top = frameTop + row * rowHeight;
        return RECT{listRect.left, top + 2, listRect.right - 2, top + rowHeight - 2};
    };
    // Beyond the text, an odd row that is neither protected nor selected lies on the
    // stripe colour, an even one on the list's.
    auto backgroundOf = [&](int row) {
        const RECT area = rowArea(row);
        return shot.At(area.right - 6, (area.top + area.bottom) / 2);
    };
    EXPECT_EQ(PaneStripeColor(GetSysColor(COLOR_MENU)), backgroundOf(kStripeRow)) << "row " << kStripeRow;
    EXPECT_EQ(GetSysColor(COLOR_HIGHLIGHT), backgroundOf(0)) << "the newest row, selected as the pane opens";
    // The bitmap row shows its picture, and only that row.
    EXPECT_TRUE(shot.Contains(rowArea(kBitmapRow), kThumbnailColor)) << "no thumbnail";
    EXPECT_FALSE(shot.Contains(rowArea(kBitmapRow + 1), kThumbnailColor));

    // Moved by the user, the pane keeps its top-left for the next start.
    SetWindowPos(pane, nullptr, 200, 150, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(PollUntil(5000, [&] { return SettingsValue(L"FloatPaneRect_TOPLEFT_x") == L"200"; }));
    EXPECT_EQ(CString(L"150"), SettingsValue(L"FloatPaneRect_TOPLEFT_y"));
    ASSERT_NO_FATAL_FAILURE(Exit());

    ASSERT_NO_FATAL_FAILURE(Start(kItemCount));
    pane = OpenPaneByTrayCommand();
    ASSERT_TRUE(pane);
    rect = WindowRect(pane);
    EXPECT_EQ(500, rect.right) << "the strip of a pane at 200 narrowed towards its right edge";
    EXPECT_EQ(150, rect.top);
    ASSERT_NO_FATAL_FAILURE(Expand(pane));
    rect = WindowRect(pane);
    EXPECT_EQ(200, rect.left);
    EXPECT_EQ(150, rect.top);
}

// With the test target in front, the pane opened by the tray command and an item double
// clicked, the item's text arrives in the target's field and the pane collapses.
TEST_F(FloatPaneE2e, ADoubleClickedItemArrivesInThePreviousProgram) {
    ASSERT_NO_FATAL_FAILURE(SaveHistory());
    ASSERT_NO_FATAL_FAILURE(Start(kItemCount));
    CTargetProgram target;
    ASSERT_TRUE(target.Start(L"/focus:edit"));
    HWND edit = target.Control(IDC_TARGET_EDIT);
    // The user brings the target forward: the resident learns it as the program it left.
    SetForegroundWindow(target.window());
    ASSERT_TRUE(FocusControl(edit));

    HWND pane = OpenPaneByTrayCommand();
    ASSERT_TRUE(pane);
    ASSERT_NO_FATAL_FAILURE(Expand(pane));
    HWND list = FindWindowExW(pane, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_TRUE(list);
    // The middle of the newest row, the first of the list.
    PostMessageW(list, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(40, 6));
    EXPECT_TRUE(WaitForControlText(edit, RowText(0)));
    EXPECT_TRUE(PollUntil(10000, [&] { return WindowRect(pane).bottom - WindowRect(pane).top == kPaneToolbarHeight; }))
        << "the pane did not collapse";
}

// The user's commands on the real pane: an item saved as a file is exactly its bytes, the
// Delete key asks first while the menu's Delete does not, and a protected item is still
// protected after a new start.
TEST_F(FloatPaneE2e, CommandsSaveDeleteAndProtectItems) {
    ASSERT_NO_FATAL_FAILURE(SaveHistory());
    ASSERT_NO_FATAL_FAILURE(Start(kItemCount));
    HWND pane = OpenPaneByTrayCommand();
    ASSERT_TRUE(pane);
    HWND list = FindWindowExW(pane, nullptr, WC_LISTVIEWW, nullptr);
    ASSERT_TRUE(list);
    const DWORD paneThread = GetWindowThreadProcessId(pane, nullptr);
    auto itemCount = [&] { return static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0)); };
    auto select = [&](int row) { SendMessageW(pane, WM_VXL_PANE_SELECT_ITEM, static_cast<WPARAM>(row), 0); };
    auto waitForDialog = [&] {
        HWND dialog = nullptr;
        EXPECT_TRUE(PollUntil(15000, [&] { return (dialog = FindVisibleDialogOf(paneThread)) != nullptr; }));
        return dialog;
    };

    // Protect the newest row.
    select(0);
    SendMessageW(pane, WM_COMMAND, 32794, 0);

    // Save the 8-bit text row as a file.
    const int ansiRow = 7;
    const CString savedPath = m_folder.PathOf(L"saved item.txt");
    select(ansiRow);
    PostMessageW(pane, WM_COMMAND, 32795, 0);
    HWND dialog = waitForDialog();
    ASSERT_TRUE(dialog) << "no save dialog";
    HWND name = GetDlgItem(dialog, 0x47C);  // the explorer dialog's file name combo box
    if (name && FindWindowExW(name, nullptr, L"Edit", nullptr)) name = FindWindowExW(name, nullptr, L"Edit", nullptr);
    if (!name) name = GetDlgItem(dialog, 0x480);
    ASSERT_TRUE(name) << "no file name field in " << WideToUtf8(DescribeWindow(dialog).GetString());
    SendMessageW(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(savedPath.GetString()));
    PostMessageW(dialog, WM_COMMAND, IDOK, 0);
    const std::string expected = WideToUtf8(RowText(ansiRow).GetString());
    std::string saved;
    EXPECT_TRUE(PollUntil(15000,
                          [&] {
                              saved.clear();
                              HANDLE file = CreateFileW(savedPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                        nullptr, OPEN_EXISTING, 0, nullptr);
                              if (file == INVALID_HANDLE_VALUE) return false;
                              char buffer[256];
                              DWORD read = 0;
                              while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read)
                                  saved.append(buffer, read);
                              CloseHandle(file);
                              return saved == expected;
                          }))
        << "the file holds \"" << saved << "\"";

    // The Delete key asks; Cancel keeps the item.
    select(5);
    PostMessageW(list, WM_KEYDOWN, VK_DELETE, 1);
    dialog = waitForDialog();
    ASSERT_TRUE(dialog) << "the Delete key did not ask";
    PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(PollUntil(10000, [&] { return FindVisibleDialogOf(paneThread) == nullptr; }));
    EXPECT_EQ(kItemCount, itemCount());
    // The menu's Delete does not: the item is gone with no question on the screen.
    PostMessageW(pane, WM_COMMAND, ID_PANE_DELETE, 0);
    ASSERT_TRUE(PollUntil(10000, [&] { return itemCount() == kItemCount - 1; }));
    EXPECT_EQ(nullptr, FindVisibleDialogOf(paneThread));

    ASSERT_NO_FATAL_FAILURE(Exit());
    ASSERT_NO_FATAL_FAILURE(Start(kItemCount - 1));
    ASSERT_NO_FATAL_FAILURE(Exit());
    CFakeClock clock;
    const CString folder = m_folder.PathOf(L"ClipboardHistory");
    CCHQueue loaded(folder, clock);
    ASSERT_EQ(kItemCount - 1, LoadHistoryFolder(folder, loaded));
    std::vector<std::wstring> protectedTexts;
    for (const auto& item : loaded.Items())
        if (item->IsProtected()) protectedTexts.push_back(GetItemText(*item).GetString());
    std::sort(protectedTexts.begin(), protectedTexts.end());
    EXPECT_EQ((std::vector<std::wstring>{L"pane row 0", L"pane row 1", L"pane row 4"}), protectedTexts);
    for (const auto& item : loaded.Items()) EXPECT_NE(RowText(5), GetItemText(*item));
}

}  // namespace
