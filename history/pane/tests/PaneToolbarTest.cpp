#include "history/pane/PaneToolbar.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "history/pane/tests/PaneTestWindow.h"
#include "testkit/Poll.h"

namespace {

struct CMenuEntry {
    int id;  // -1 for a submenu
    std::wstring text;
    bool operator==(const CMenuEntry& other) const { return id == other.id && text == other.text; }
};

std::vector<CMenuEntry> ReadMenu(HMENU menu) {
    std::vector<CMenuEntry> entries;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) {
        wchar_t text[128] = {};
        GetMenuStringW(menu, static_cast<UINT>(i), text, 128, MF_BYPOSITION);
        entries.push_back({static_cast<int>(GetMenuItemID(menu, i)), text});
    }
    return entries;
}

std::vector<int> IdsOf(const std::vector<CMenuEntry>& entries) {
    std::vector<int> ids;
    for (const CMenuEntry& e : entries) ids.push_back(e.id);
    return ids;
}

class CFakeMenuHost : public IToolbarMenuHost {
public:
    HWND GetMainWindow() override { return mainWindow; }
    CString GetCommandCaption(UINT id) override {
        CString caption;
        caption.Format(L"cmd %u", id);
        return caption;
    }
    CString GetPhraseHotKeyText() override { return L"Ctrl+Q"; }
    CToolbarMenuFacts GetMenuFacts() override { return facts; }
    bool FillLanguageMenu(HMENU popup) override {
        if (!languages) return false;
        AppendMenuW(popup, MF_STRING, 33000, L"English");
        return true;
    }
    UINT TrackMenu(HMENU menu, POINT, HWND) override {
        shown.push_back(ReadMenu(menu));
        defaultItem = GetMenuDefaultItem(menu, FALSE, 0);
        if (whileOpen) whileOpen();
        if (choices.empty()) return 0;
        const UINT choice = choices.front();
        choices.erase(choices.begin());
        return choice;
    }

    HWND mainWindow = nullptr;
    CToolbarMenuFacts facts;
    bool languages = false;
    std::vector<std::vector<CMenuEntry>> shown;
    UINT defaultItem = 0;
    std::vector<UINT> choices;
    std::function<void()> whileOpen;
};

class CRecordingMain : public wtl::CWindowImplBase {
public:
    BEGIN_MSG_MAP(CRecordingMain)
    MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    END_MSG_MAP()
    std::vector<WPARAM> commands;

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraPaneControlsTestMain"; }

private:
    LRESULT OnCommand(UINT, WPARAM wParam, LPARAM, BOOL&) {
        commands.push_back(wParam);
        return 0;
    }
};

class PaneToolbar : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(pane.Create(nullptr, {100, 100, 520, 460}, L"pane", WS_OVERLAPPEDWINDOW | WS_VISIBLE));
        ASSERT_TRUE(main.Create(HWND_MESSAGE, {0, 0, 10, 10}, L"main", 0));
        host.mainWindow = main;
        ASSERT_TRUE(bar.Create(pane, {0, 0, 400, 24}, WS_CHILD | WS_VISIBLE | TBSTYLE_FLAT | CCS_NORESIZE, 1204));
        PumpMessages();
    }
    void TearDown() override {
        if (pane.IsWindow()) pane.DestroyWindow();
        if (main.IsWindow()) main.DestroyWindow();
    }
    POINT EmptyPoint() const { return {20, 10}; }
    void OpenMenu(std::vector<UINT> choices) {
        host.choices = std::move(choices);
        SendMessageW(bar, WM_RBUTTONUP, 0, MAKELPARAM(EmptyPoint().x, EmptyPoint().y));
        PumpMessages();
    }

    CRecordingPane pane;
    CRecordingMain main;
    CFakeMenuHost host;
    CVXLToolbarWnd bar{CRecordingPane::kQueryMessage, host};
};

TEST_F(PaneToolbar, TheMenuAppendsTheTrayCommandsToTheSystemMenuInOrder) {
    struct Case {
        const char* name;
        bool admin;
        bool collapsed;
        bool languages;
    } cases[] = {
        {"administrator, expanded", true, false, false},
        {"user, collapsed, with languages", false, true, true},
    };
    const std::vector<int> system = IdsOf(ReadMenu(GetSystemMenu(pane, FALSE)));
    for (const Case& c : cases) {
        host.facts.admin = c.admin;
        host.languages = c.languages;
        host.shown.clear();
        pane.collapsedAnswer = c.collapsed;
        OpenMenu({});
        ASSERT_EQ(1u, host.shown.size()) << c.name;

        std::vector<int> expected;
        if (!c.admin) expected = {32829, 0};
        expected.insert(expected.end(), system.begin(), system.end());
        const std::vector<int> added = {
            0, 32844, 32856, 0, c.collapsed ? 32858 : 32859, 32820, 0, 32789, 32819, 0, 32833, 32832, 32817, 32867};
        expected.insert(expected.end(), added.begin(), added.end());
        if (c.languages) expected.push_back(-1);
        expected.insert(expected.end(), {32772, 0});
        if (c.admin) expected.push_back(32829);
        expected.insert(expected.end(), {32791, 32865, 57664, 0, 57665});
        EXPECT_EQ(expected, IdsOf(host.shown[0])) << c.name;
        EXPECT_EQ(c.admin ? 32844u : 32829u, host.defaultItem) << c.name;

        for (const CMenuEntry& e : host.shown[0]) {
            if (e.id == 32844) {
                EXPECT_EQ(L"cmd 32844\tCtrl+Q", e.text) << c.name;
            }
            if (e.id == 32858) {
                EXPECT_EQ(std::wstring(LoadUiString(IDS_EXPAND_PANE)), e.text) << c.name;
            }
        }
    }
}

TEST_F(PaneToolbar, TheSystemMenuIsLeftAsItWasFound) {
    HMENU system = GetSystemMenu(pane, FALSE);
    ASSERT_TRUE(system);
    const std::vector<CMenuEntry> before = ReadMenu(system);
    const UINT defaultBefore = GetMenuDefaultItem(system, FALSE, 0);
    host.languages = true;
    for (bool admin : {true, false}) {
        host.facts.admin = admin;
        OpenMenu({});
        OpenMenu({});
        EXPECT_EQ(before, ReadMenu(system)) << "admin " << admin;
        EXPECT_EQ(defaultBefore, GetMenuDefaultItem(system, FALSE, 0)) << "admin " << admin;
    }
}

TEST_F(PaneToolbar, AChosenCommandGoesWhereItBelongs) {
    struct Case {
        UINT chosen;
        UINT paneMessage;  // 0: none
        WPARAM paneWParam;
        int paneCode;
        WPARAM mainCommand;  // 0: none
    } cases[] = {
        {32858, WM_COMMAND, 32798, 0, 0},
        {32859, WM_COMMAND, 32798, 0, 0},
        {32844, WM_NOTIFY, 1204, -696, 0},
        {32856, WM_NOTIFY, 1204, -698, 0},
        {32817, 0, 0, 0, 32817},
        {57664, 0, 0, 0, 57664},
        {32789, WM_SYSCOMMAND, 32789, 0, 0},
        {SC_CLOSE, WM_SYSCOMMAND, SC_CLOSE, 0, 0},
    };
    for (const Case& c : cases) {
        pane.events.clear();
        main.commands.clear();
        OpenMenu({c.chosen});
        bool paneGotIt = false;
        for (const CPaneEvent& e : pane.events)
            paneGotIt |= e.message == c.paneMessage && e.wParam == c.paneWParam && e.code == c.paneCode &&
                         (c.paneMessage != WM_NOTIFY || (e.code != -697 && e.code != -699));
        EXPECT_EQ(c.paneMessage != 0, paneGotIt) << c.chosen;
        EXPECT_EQ(c.mainCommand ? std::vector<WPARAM>{c.mainCommand} : std::vector<WPARAM>{}, main.commands)
            << c.chosen;
    }
}

TEST_F(PaneToolbar, ALanguageIsSentToTheMainWindowAndTheMenuOpensAgain) {
    host.languages = true;
    OpenMenu({33000, 0});
    EXPECT_EQ(2u, host.shown.size());
    EXPECT_EQ(std::vector<WPARAM>{33000}, main.commands);
}

TEST_F(PaneToolbar, CtrlClickOpensTheMenuAndAPlainClickDragsThePane) {
    const LPARAM point = MAKELPARAM(EmptyPoint().x, EmptyPoint().y);
    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, point);
    PumpMessages();
    EXPECT_EQ(1u, host.shown.size());
    EXPECT_EQ(0, pane.Count(WM_SYSCOMMAND, SC_MOVE | HTCAPTION));

    SendMessageW(bar, WM_LBUTTONDOWN, MK_LBUTTON, point);
    PumpMessages();
    EXPECT_EQ(1u, host.shown.size());
    EXPECT_EQ(1, pane.Count(WM_SYSCOMMAND, SC_MOVE | HTCAPTION));
}

class PaneToolbarHover : public PaneToolbar {
protected:
    // The tick as the timer would deliver it, with the cursor where the test put it.
    void Tick() {
        PostMessageW(bar, WM_TIMER, kToolbarHoverTimer, 0);
        PumpMessages();
    }
    void PlaceCursor(POINT screenPoint) {
        SetCursorPos(screenPoint.x, screenPoint.y);
        // Wine hands the move to the X server, which a busy machine answers late; a tick
        // posted before it would carry the old place.
        EXPECT_TRUE(testkit::PollUntil(2000, [&] {
            POINT now = {};
            return GetCursorPos(&now) && now.x == screenPoint.x && now.y == screenPoint.y;
        }));
        PumpMessages();
    }
    POINT Inside() const {
        POINT point = EmptyPoint();
        ClientToScreen(bar, &point);
        return point;
    }
    void Move() { SendMessageW(bar, WM_MOUSEMOVE, 0, MAKELPARAM(EmptyPoint().x, EmptyPoint().y)); }
};

TEST_F(PaneToolbarHover, ARestingMouseIsToldToThePaneOnce) {
    PlaceCursor(Inside());
    Move();
    EXPECT_TRUE(bar.IsHoverTimerRunning());
    Tick();
    Tick();
    EXPECT_EQ(1, pane.CountNotify(kToolbarNotifyMouseRested));
    EXPECT_FALSE(bar.IsHoverTimerRunning());
}

TEST_F(PaneToolbarHover, NothingIsToldWhenTheMouseLeftOrStandsElsewhere) {
    PlaceCursor(Inside());
    Move();
    SendMessageW(bar, WM_MOUSELEAVE, 0, 0);
    Tick();
    PlaceCursor({Inside().x, Inside().y + 200});
    Move();
    Tick();
    EXPECT_EQ(0, pane.CountNotify(kToolbarNotifyMouseRested));
}

TEST_F(PaneToolbarHover, NothingIsToldWhileTheMenuIsOpen) {
    PlaceCursor(Inside());
    Move();
    host.whileOpen = [this] {
        EXPECT_TRUE(bar.Is_Tracking());
        Tick();
    };
    OpenMenu({});
    EXPECT_EQ(0, pane.CountNotify(kToolbarNotifyMouseRested));
    EXPECT_FALSE(bar.Is_Tracking());
    // The rest is told once the menu has gone.
    Tick();
    EXPECT_EQ(1, pane.CountNotify(kToolbarNotifyMouseRested));
}

TEST_F(PaneToolbar, TheCollapsedLookChecksTheCaptionButton) {
    bar.SetCollapsedLook(true);
    EXPECT_TRUE(bar.IsButtonChecked(32798, false));
    EXPECT_TRUE(bar.IsButtonChecked(1, true));
    bar.SetCollapsedLook(false);
    EXPECT_FALSE(bar.IsButtonChecked(32798, false));
}

}  // namespace
