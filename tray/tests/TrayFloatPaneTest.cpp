// The float pane as the tray drives it: the show modes, the texts of its items, and the
// tray's side of its tool-bar menu.
#include "tray/TrayFloatPane.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/ClipboardAccess.h"
#include "core/TrayIds.h"
#include "core/base/Handles.h"
#include "history/ClipboardHandler.h"
#include "history/tests/HistoryTestData.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"
#include "tray/TrayMenu.h"
#include "tray/TrayWnd.h"
#include "tray/tests/TrayFakes.h"

namespace {

using namespace historytest;

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}

class TrayFloatPane : public ::testing::Test {
protected:
    void SetUp() override {
        m_exit.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        m_tray = std::make_unique<CVXLTrayWnd>(m_exit.get(), true, nullptr);
        ASSERT_TRUE(m_tray->Create(GetModuleHandleW(nullptr)));
        m_folder = testkit::MakeUniqueTempFolder(L"traypane") + L"\\ClipboardHistory";
        m_history = std::make_unique<CVXLWndClipboardHandler>(m_clipboard, m_clock, m_spy, m_folder);
        m_history->SetSettingsSource(&ListenerHistorySettings);
        ASSERT_TRUE(m_history->Create(m_tray->m_hWnd, static_cast<UINT>(kHistoryControlId), false));
        m_pane = std::make_unique<CTrayFloatPane>(*m_tray, *m_history, m_hook);
    }
    void TearDown() override {
        m_pane.reset();
        m_history.reset();
        if (m_tray && IsWindow(m_tray->m_hWnd)) DestroyWindow(m_tray->m_hWnd);
        Pump();
        testkit::RemoveTree(m_folder.Left(m_folder.ReverseFind(L'\\')));
    }
    void Copy(std::vector<std::pair<UINT, std::vector<BYTE>>> formats) {
        ++m_clock.localTime.wSecond;
        ASSERT_TRUE(m_clipboard.Open(nullptr, 0));
        ASSERT_TRUE(m_clipboard.Empty());
        for (const auto& format : formats)
            ASSERT_TRUE(m_clipboard.Write(format.first, format.second.data(), format.second.size()));
        m_clipboard.Close();
        m_history->OnClipboardChanged(nullptr, 0);
    }
    void Focus(int row) {
        ListView_SetItemState(PaneList(), -1, 0, LVIS_SELECTED | LVIS_FOCUSED);
        ListView_SetItemState(PaneList(), row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    }
    HWND PaneList() { return GetDlgItem(m_pane->Window(), static_cast<int>(kPaneListId)); }

    CHandle m_exit;
    std::unique_ptr<CVXLTrayWnd> m_tray;
    CFakeClipboard m_clipboard;
    CFakeClock m_clock;
    CSilentNotices m_notices;
    CClipboardSpy m_spy{m_clipboard, m_notices};
    CString m_folder;
    std::unique_ptr<CVXLWndClipboardHandler> m_history;
    CFakeHookService m_hook;
    std::unique_ptr<CTrayFloatPane> m_pane;
};

// Toggling makes the window and takes it away again; the other modes make it when it is
// missing and keep the one that exists; showing and fitting leaves it open.
TEST_F(TrayFloatPane, TheShowModesMakeKeepAndTakeAwayTheWindow) {
    EXPECT_EQ(nullptr, m_pane->Window());
    m_pane->Show(kPaneShowToggle);
    HWND first = m_pane->Window();
    ASSERT_NE(nullptr, first);
    m_pane->Show(kPaneShowToggle);
    EXPECT_EQ(nullptr, m_pane->Window());

    for (int mode : {kPaneShowAtStart, kPaneShowWithoutFit, kPaneShowAndFit}) {
        SCOPED_TRACE(mode);
        m_pane->Show(mode);
        ASSERT_NE(nullptr, m_pane->Window());
        HWND window = m_pane->Window();
        m_pane->Show(kPaneShowWithoutFit);
        EXPECT_EQ(window, m_pane->Window());
        Pump();
        EXPECT_TRUE(IsWindowVisible(window));
        m_pane->Show(kPaneShowToggle);
        EXPECT_EQ(nullptr, m_pane->Window());
    }

    m_pane->Show(kPaneShowAndFit);
    Pump();
    RECT rect = {};
    GetWindowRect(m_pane->Window(), &rect);
    EXPECT_EQ(170, rect.bottom - rect.top) << "fitted, not collapsed";
}

// The focused item as plain text, as HTML and as its page's address; the selected items'
// texts joined by line breaks.
TEST_F(TrayFloatPane, TheItemsTextsComeInTheAskedForm) {
    Copy({{GetCF_HTML(), Ansi("Version:0.9\r\nSourceURL:https://example.org/p\r\n<b>bold</b>")},
          {CF_UNICODETEXT, Utf16(L"bold")},
          {CF_TEXT, Ansi("bold")}});
    Copy({{CF_UNICODETEXT, Utf16(L"plain")}});
    m_pane->Show(kPaneShowWithoutFit);
    ASSERT_EQ(2, ListView_GetItemCount(PaneList()));

    CString text;
    Focus(1);
    EXPECT_TRUE(m_pane->GetFocusedItemText(0, text));
    EXPECT_STREQ(L"bold", text);
    EXPECT_TRUE(m_pane->GetFocusedItemText(1, text));
    EXPECT_NE(-1, text.Find(L"<b>bold</b>"));
    Focus(0);
    EXPECT_TRUE(m_pane->GetFocusedItemText(0, text));
    EXPECT_STREQ(L"plain", text);
    EXPECT_FALSE(m_pane->GetFocusedItemText(1, text)) << "no HTML form";

    ListView_SetItemState(PaneList(), 1, LVIS_SELECTED, LVIS_SELECTED);
    EXPECT_TRUE(m_pane->GetSelectedText(text));
    EXPECT_STREQ(L"plain\r\nbold", text);

    m_pane->Show(kPaneShowToggle);
    EXPECT_FALSE(m_pane->GetFocusedItemText(0, text)) << "no pane, no item";
}

// The tool bar's menu takes its captions from the tray menu and sends to the tray window.
TEST_F(TrayFloatPane, TheMenuHostAnswersFromTheTray) {
    EXPECT_EQ(m_tray->m_hWnd, m_pane->GetMainWindow());
    const CTrayMenu menu = m_tray->PrepareTrayMenu();
    ASSERT_NE(nullptr, menu.popup);
    wchar_t expected[260] = {};
    ASSERT_GT(GetMenuStringW(menu.popup, ID_APP_EXIT, expected, 260, MF_BYCOMMAND), 0);
    EXPECT_STREQ(expected, m_pane->GetCommandCaption(ID_APP_EXIT));
    EXPECT_TRUE(m_pane->GetCommandCaption(1).IsEmpty());
    EXPECT_EQ(m_tray->IsPhraseHotKeyRegistered(), !m_pane->GetPhraseHotKeyText().IsEmpty());
}

}  // namespace
