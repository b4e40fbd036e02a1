// The tracker window that owns the phrase menu: the right-click menu of an item with its
// texts and greying, the command it hands back, the right clicks that only beep, the
// float pane's highlight flag and the tip kept on the screen.
#include "tray/WndTrackForMenu.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AppSlots.h"
#include "core/MenuToolTip.h"
#include "core/TrayIds.h"
#include "phrases/CommandTree.h"
#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"
#include "tray/ItemContextMenu.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenu.h"
#include "tray/PhraseMenuHandler.h"

namespace {

std::vector<std::wstring> MenuTexts(HMENU menu) {
    std::vector<std::wstring> texts;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[256] = {};
        GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
        const UINT state = GetMenuState(menu, i, MF_BYPOSITION);
        const bool grayed = !(state & MF_SEPARATOR) && (state & MF_GRAYED);
        texts.push_back(std::wstring(grayed ? L"(grey) " : L"") + text);
    }
    return texts;
}

TEST(ItemContextMenuTexts, APhraseGetsItsCommandsWithThePreviewInTheSearches) {
    HMENU menu = CreateItemContextMenu(false, false, false, L"Kind regards");
    EXPECT_EQ((std::vector<std::wstring>{L"Copy", L"Copy Exclude Symbols", L"Open As URL", L"", L"(grey) Edit",
                                         L"(grey) Open With", L"", L"Search In Google [Kind regards]",
                                         L"Search in Yandex [Kind regards]", L"Search in Wikipedia [Kind regards]",
                                         L"Search in MSDN [Kind regards]"}),
              MenuTexts(menu));
    DestroyMenu(menu);

    menu = CreateItemContextMenu(true, true, false, L"x");
    const std::vector<std::wstring> texts = MenuTexts(menu);
    EXPECT_EQ(L"(grey) Open As URL", texts[2]) << "a disabled clip has nothing to open";
    EXPECT_EQ(L"Edit", texts[4]) << "clips are edited";
    EXPECT_EQ(L"(grey) Search In Google [x]", texts[7]);
    DestroyMenu(menu);
}

TEST(ItemContextMenuTexts, ThePreviewIsOneShortLineOfTheCommandTextOrTheCaption) {
    M_INFO info;
    info.SetCaption(L"caption");
    EXPECT_EQ(L"caption", std::wstring(ItemContextPreview(info).GetString()));
    info.SetCommandText(L"  first\r\nsecond\tline ");
    EXPECT_EQ(L"first second\tline", std::wstring(ItemContextPreview(info).GetString()));
}

TEST(TrackerTip, ATipIsKeptInsideTheScreen) {
    const struct {
        RECT tip;
        RECT kept;
    } kCases[] = {
        {{10, 10, 110, 60}, {10, 10, 110, 60}},          // inside
        {{950, 10, 1100, 60}, {950, 10, 1024, 60}},      // right edge cut back
        {{10, 740, 110, 800}, {10, 708, 110, 768}},      // moved up by the overflow
        {{950, 740, 1100, 800}, {950, 708, 1024, 768}},  // both
    };
    for (const auto& c : kCases) {
        const RECT kept = KeepTipInsideScreen(c.tip, 1024, 768);
        EXPECT_TRUE(EqualRect(&c.kept, &kept))
            << kept.left << "," << kept.top << "," << kept.right << "," << kept.bottom;
    }
}

// Records the item actions the tray window is sent.
struct CActionRecord {
    WPARAM code;
    LPARAM id;
};
std::vector<CActionRecord> g_actions;

LRESULT CALLBACK RecordingMainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_VXL_ITEM_ACTION) {
        g_actions.push_back({wParam, lParam});
        return 1;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class CRecordingMainWindow {
public:
    CRecordingMainWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = RecordingMainProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlTrackerTestMain";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, L"VxlTrackerTestMain", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   GetModuleHandleW(nullptr), nullptr);
        CAppObjects::SetMainWnd(m_window);
    }
    ~CRecordingMainWindow() {
        CAppObjects::SetMainWnd(nullptr);
        DestroyWindow(m_window);
    }

private:
    HWND m_window;
};

// Right-clicks items of the shown menu from inside its loop, as Windows sends the message,
// and answers the right-click menu.
class CRightClickingTrack : public IMenuTrack {
public:
    UINT nestedAnswer = 0;
    int nestedTracks = 0;
    std::vector<std::wstring> nestedTexts;
    std::vector<int> positions;  // right-clicked in this order
    std::vector<UINT> clickedIds;

    UINT Track(HMENU menu, int, int, HWND owner) override {
        m_menu = menu;
        for (int position : positions) {
            clickedIds.push_back(GetMenuItemID(menu, position));
            SendMessageW(owner, WM_MENURBUTTONUP, static_cast<WPARAM>(position), reinterpret_cast<LPARAM>(menu));
        }
        return 0;
    }
    UINT TrackNested(HMENU menu, int, int, HWND owner) override {
        ++nestedTracks;
        nestedTexts = MenuTexts(menu);
        // A second right click inside the right-click menu opens nothing.
        m_owner = owner;
        if (reentered) SendMessageW(owner, WM_MENURBUTTONUP, 0, reinterpret_cast<LPARAM>(m_menu));
        return nestedAnswer;
    }
    bool reentered = false;
    HMENU m_menu = nullptr;
    HWND m_owner = nullptr;
};

class TrackerRightClick : public ::testing::Test {
protected:
    void SetUp() override {
        g_actions.clear();
        CVXLCommand phrase;
        phrase.SetID(7);
        phrase.SetName(L"Kind regards");
        phrase.SetCommand(L"Kind regards,\r\nAlice");
        m_tree.GetRecords().push_back(std::move(phrase));
        CVXLCommand folder;
        folder.SetID(8);
        folder.SetName(L"Letters");
        CVXLCommand inner;
        inner.SetID(9);
        inner.SetName(L"inner");
        folder.MakeFolder().push_back(std::move(inner));
        m_tree.GetRecords().push_back(std::move(folder));
    }

    // Shows the menu through the handler; the track right-clicks its positions.
    void Show(CRightClickingTrack& track) {
        testkit::CMessageWindow post;
        IDataNeededHander_MenuSelf handler(post.get(), WM_APP + 12, m_tree, nullptr, nullptr, track);
        CMenuQuery query;
        query.point = {100, 100};
        handler.OnDataNeeded(query);
    }

    CRecordingMainWindow m_main;
    CVXLCommandTree m_tree;
};

TEST_F(TrackerRightClick, AChosenCommandReachesTheTrayWindowWithTheItemAndItsCode) {
    const struct {
        UINT answer;
        WPARAM code;
    } kCases[] = {{ID_ITEM_COPY, 0}, {ID_ITEM_OPEN_AS_URL, 2}, {ID_ITEM_SEARCH_WIKIPEDIA, 8}};
    for (const auto& c : kCases) {
        g_actions.clear();
        CRightClickingTrack track;
        track.positions = {0};
        track.nestedAnswer = c.answer;
        Show(track);
        ASSERT_EQ(7u, track.clickedIds.at(0)) << "the phrase is the first item";
        EXPECT_EQ(1, track.nestedTracks);
        EXPECT_EQ(L"Search In Google [Kind regards, Alice]", track.nestedTexts.at(7));
        ASSERT_EQ(1u, g_actions.size()) << c.answer;
        EXPECT_EQ(c.code, g_actions[0].code);
        EXPECT_EQ(7, g_actions[0].id);
    }
    g_actions.clear();
    CRightClickingTrack cancelled;
    cancelled.positions = {0};
    Show(cancelled);
    EXPECT_TRUE(g_actions.empty()) << "a dismissed right-click menu runs nothing";
    EXPECT_FALSE(CWndTrackForMenu::IsContextMenuOpen());
}

TEST_F(TrackerRightClick, AFolderOrASecondRightClickInsideTheMenuOpensNothing) {
    CRightClickingTrack track;
    track.positions = {1};  // the folder
    track.nestedAnswer = ID_ITEM_COPY;
    Show(track);
    EXPECT_EQ(0, track.nestedTracks);
    EXPECT_TRUE(g_actions.empty());

    CRightClickingTrack nested;
    nested.positions = {0};
    nested.reentered = true;
    Show(nested);
    EXPECT_EQ(1, nested.nestedTracks) << "no right-click menu opens inside another";
}

class CNullHost : public IMenuTrackerHost {
public:
    void OnMenuMEASUREITEM(MEASUREITEMSTRUCT&) override {}
    void OnMenuDRAWITEMSTRUCT(const DRAWITEMSTRUCT&) override {}
    LRESULT OnRightMenuCommand(UINT, int) override { return 0; }
};

class CNoTrack : public IMenuTrack {
public:
    UINT Track(HMENU, int, int, HWND) override { return 0; }
    UINT TrackNested(HMENU, int, int, HWND) override { return 0; }
};

// The float pane's entry of the menu raises the flag only while it is highlighted.
TEST(TrackerWindow, TheFloatPaneEntryRaisesTheHighlightFlag) {
    CNullHost host;
    CNoTrack track;
    CWndTrackForMenu tracker(host, track);
    ASSERT_TRUE(tracker.Create());
    const struct {
        WPARAM wParam;
        bool highlighted;
    } kCases[] = {
        {MAKEWPARAM(ID_FLOAT_PANE, MF_HILITE), true},
        {MAKEWPARAM(ID_FLOAT_PANE, 0), false},
        {MAKEWPARAM(7, MF_HILITE), false},
        {MAKEWPARAM(ID_FLOAT_PANE, MF_HILITE | MF_POPUP), false},
    };
    for (const auto& c : kCases) {
        SendMessageW(tracker.GetHwnd(), WM_MENUSELECT, c.wParam, 0);
        EXPECT_EQ(c.highlighted, tracker.IsSpecialItemHighlighted()) << LOWORD(c.wParam) << " " << HIWORD(c.wParam);
    }
    wchar_t className[64] = {};
    GetClassNameW(tracker.GetHwnd(), className, 64);
    EXPECT_EQ(std::wstring(L"Vexlora_Menu_Tracker"), className);
    ASSERT_NE(nullptr, tracker.GetToolTipHwnd()) << "tips are on by default";
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN) / 2, SendMessageW(tracker.GetToolTipHwnd(), TTM_GETMAXTIPWIDTH, 0, 0));
    SendMessageW(tracker.GetHwnd(), WM_EXITMENULOOP, 0, 0);
    EXPECT_EQ(nullptr, tracker.GetToolTipHwnd()) << "the tip goes with the menu";
}

std::wstring TrackerTipText(const CWndTrackForMenu& tracker) {
    wchar_t buffer[1024] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = tracker.GetHwnd();
    tool.uId = reinterpret_cast<UINT_PTR>(tracker.GetHwnd());
    tool.lpszText = buffer;
    SendMessageW(tracker.GetToolTipHwnd(), TTM_GETTEXTW, 1024, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

// The phrase menu's tip reads the selected item's record once the delay has run out, and
// goes with the menu, also while a delay still runs.
TEST(TrackerWindow, TheTipShowsTheItemsTipTextAndGoesWithTheMenu) {
    CNullHost host;
    CNoTrack track;
    CMenuHandle menu(CreatePopupMenu());
    M_INFO info;
    info.SetCaption(L"Greeting");
    info.SetTip(L"Kind regards");
    info.commandId = 7;
    AppendMenuW(menu.get(), MF_STRING, 7, L"Greeting");
    MENUITEMINFOW data = {};
    data.cbSize = sizeof data;
    data.fMask = MIIM_DATA;
    data.dwItemData = reinterpret_cast<ULONG_PTR>(&info);
    SetMenuItemInfoW(menu.get(), 7, FALSE, &data);
    const std::wstring expected =
        L"Kind regards\n" + std::wstring(20, L'\u2014') + L"\n\u00BB Right click here for menu";

    CWndTrackForMenu tracker(host, track);
    ASSERT_TRUE(tracker.Create());
    ASSERT_NE(nullptr, tracker.GetToolTipHwnd());
    SendMessageW(tracker.GetHwnd(), WM_MENUSELECT, MAKEWPARAM(7, MF_HILITE), reinterpret_cast<LPARAM>(menu.get()));
    EXPECT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return TrackerTipText(tracker) == expected; }))
        << TrackerTipText(tracker).c_str();
    SendMessageW(tracker.GetHwnd(), WM_EXITMENULOOP, 0, 0);

    CWndTrackForMenu second(host, track);
    ASSERT_TRUE(second.Create());
    const HWND tip = second.GetToolTipHwnd();
    SendMessageW(second.GetHwnd(), WM_MENUSELECT, MAKEWPARAM(7, MF_HILITE), reinterpret_cast<LPARAM>(menu.get()));
    SendMessageW(second.GetHwnd(), WM_EXITMENULOOP, 0, 0);
    EXPECT_FALSE(IsWindow(tip));
    EXPECT_TRUE(testkit::PumpMessagesUntil(10000, [] { return GetRunningMenuTipDelays() == 0; }));
}

}  // namespace
