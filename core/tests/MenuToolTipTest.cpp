// The menu tool tip on real menus and tip windows of the test's own thread. The delay is
// either a hand-driven one (the test posts its message when it likes) or the real threads
// with a delay of 0 or of a minute, so no case depends on how fast the machine is.
#include <windows.h>
#include <gtest/gtest.h>
// commctrl.h uses the types windows.h declares.
#include <commctrl.h>

#include <memory>
#include <string>
#include <vector>

#include "core/MenuToolTip.h"
#include "core/base/Handles.h"
#include "testkit/Poll.h"
#include "testkit/fakes/ManualMenuTipDelay.h"

namespace {

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// Writes down the ids it was asked for; the text names the id.
class CRecordingTip final : public CMenuToolTipEx {
public:
    explicit CRecordingTip(std::vector<UINT>& asked) : CMenuToolTipEx(false), m_asked(asked) {}
    void GetText(CString& text, UINT id, HMENU, CString& title) override {
        m_asked.push_back(id);
        text.Format(L"text of %u", id);
        title.Empty();
    }
    // Wine's tip control does not give its title back (TTM_GETTITLE).
    void SetTitle(const CString& text, UINT id, MenuTipIcon icon) override {
        lastTitle = text.GetString();
        CMenuToolTipEx::SetTitle(text, id, icon);
    }
    std::wstring lastTitle;

private:
    std::vector<UINT>& m_asked;
};

// The owner: it counts the menu selections that reach it.
struct COwnerWindow {
    static int& Selections() {
        static int selections = 0;
        return selections;
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_MENUSELECT) ++Selections();
        return DefWindowProcW(window, message, wParam, lParam);
    }
    COwnerWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlMenuTipOwner";
        RegisterClassW(&windowClass);
        window.reset(CreateWindowW(windowClass.lpszClassName, L"owner", WS_OVERLAPPEDWINDOW, 10, 10, 300, 200, nullptr,
                                   nullptr, windowClass.hInstance, nullptr));
        Selections() = 0;
    }
    CWindowHandle window;
};

std::wstring TipText(HWND tip, HWND owner) {
    wchar_t buffer[4096] = {};
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(owner);
    tool.lpszText = buffer;
    SendMessageW(tip, TTM_GETTEXTW, 4096, reinterpret_cast<LPARAM>(&tool));
    return buffer;
}

class MenuToolTipWindow : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(owner.window);
        menu.reset(CreatePopupMenu());
        AppendMenuW(menu.get(), MF_STRING, 1, L"&One\tCtrl+1");
        AppendMenuW(menu.get(), MF_STRING, 2, L"Two");
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu.get(), MF_STRING, 3, L"Th&ree\tCtrl+Shift+3");
    }
    std::unique_ptr<CRecordingTip> MakeTip(std::unique_ptr<IMenuTipDelay> delay) {
        auto tip = std::make_unique<CRecordingTip>(asked);
        tip->SetDelay(std::move(delay));
        EXPECT_NE(nullptr, tip->Create(owner.window.get(), L"default", GetModuleHandleW(nullptr), 0, nullptr));
        return tip;
    }
    void Select(CMenuToolTip& tip, UINT id) { tip.OnMenuSelect(id, MF_HILITE, menu.get()); }

    COwnerWindow owner;
    CMenuHandle menu;
    std::vector<UINT> asked;
    std::vector<CManualDelay::Wait> waits;
};

TEST_F(MenuToolTipWindow, QuickSelectionsShowOnlyTheItemThatStaysSelected) {
    auto tip = MakeTip(std::make_unique<CManualDelay>(waits));
    wchar_t className[32] = {};
    GetClassNameW(tip->GetTipWindow(), className, 32);
    EXPECT_EQ(std::wstring(L"MenuToolTip"), className);

    Select(*tip, 1);
    Select(*tip, 2);
    Select(*tip, 3);
    ASSERT_EQ(3u, waits.size());
    EXPECT_TRUE(asked.empty()) << "nothing is read before the delay has run out";
    RunOutAllDelays(waits);

    EXPECT_EQ(std::vector<UINT>{3}, asked);
    EXPECT_EQ(3u, tip->GetShownId());
    EXPECT_EQ(L"text of 3", TipText(tip->GetTipWindow(), owner.window.get()));
    EXPECT_EQ(L"Three\t[Ctrl+Shift+3]", tip->lastTitle);
    EXPECT_TRUE(IsWindowVisible(tip->GetTipWindow()));

    // A separator takes the tip away, and the delay still running for item 3 stays quiet.
    waits.clear();
    Select(*tip, 3);
    tip->OnMenuSelect(0, MF_SEPARATOR | MF_HILITE, menu.get());
    RunOutAllDelays(waits);
    EXPECT_EQ(0u, tip->GetShownId());
    EXPECT_EQ(std::vector<UINT>{3}, asked);
}

TEST_F(MenuToolTipWindow, ClosingTheMenuWhileADelayRunsShowsNothing) {
    auto tip = MakeTip(std::make_unique<CManualDelay>(waits));
    Select(*tip, 2);
    tip->OnMenuSelect(0, 0xFFFF, nullptr);
    RunOutAllDelays(waits);
    EXPECT_TRUE(asked.empty());
    EXPECT_FALSE(IsWindowVisible(tip->GetTipWindow()));

    // The menu and the tip object gone before the delay ran out: its message finds no one.
    waits.clear();
    Select(*tip, 2);
    const HWND tipWindow = tip->GetTipWindow();
    tip.reset();
    EXPECT_FALSE(IsWindow(tipWindow));
    RunOutAllDelays(waits);
    EXPECT_TRUE(asked.empty());
}

TEST_F(MenuToolTipWindow, DelayThreadsEndWithTheMenuAndShowOnlyTheLastItem) {
    // A minute's delay cut short by the end of the menu: no thread outlives the tip.
    {
        auto tip = MakeTip(std::make_unique<CMenuTipDelayThreads>(60000));
        Select(*tip, 1);
        Select(*tip, 2);
        EXPECT_LE(1, GetRunningMenuTipDelays());
    }
    EXPECT_TRUE(testkit::PollUntil(10000, [] { return GetRunningMenuTipDelays() == 0; }));
    PumpPending();
    EXPECT_TRUE(asked.empty());

    // No delay at all: whichever earlier thread posts before it is cancelled, only the last
    // item shows.
    auto tip = MakeTip(std::make_unique<CMenuTipDelayThreads>(0));
    Select(*tip, 1);
    Select(*tip, 2);
    Select(*tip, 3);
    ASSERT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return tip->GetShownId() != 0; }));
    EXPECT_TRUE(testkit::PollUntil(10000, [] { return GetRunningMenuTipDelays() == 0; }));
    PumpPending();
    EXPECT_EQ(std::vector<UINT>{3}, asked);
    EXPECT_EQ(3u, tip->GetShownId());
}

TEST_F(MenuToolTipWindow, OneHookPerThreadHidesTheTipAndPassesChildSelectionsOn) {
    CMenuToolTipClient first(nullptr);
    ASSERT_NE(nullptr, first.Create(owner.window.get(), nullptr, GetModuleHandleW(nullptr), 0, nullptr));
    ASSERT_TRUE(first.HasHook());
    {
        CMenuToolTipClient second(nullptr);
        ASSERT_NE(nullptr, second.Create(owner.window.get(), nullptr, GetModuleHandleW(nullptr), 0, nullptr));
        EXPECT_FALSE(second.HasHook());
    }

    // The first hook is still in place after the second object has gone.
    ShowWindow(first.GetTipWindow(), SW_SHOWNA);
    ASSERT_TRUE(IsWindowVisible(first.GetTipWindow()));
    SendMessageW(owner.window.get(), WM_EXITMENULOOP, 0, 0);
    EXPECT_FALSE(IsWindowVisible(first.GetTipWindow()));

    CWindowHandle child(CreateWindowW(L"STATIC", L"", WS_CHILD, 0, 0, 10, 10, owner.window.get(), nullptr,
                                      GetModuleHandleW(nullptr), nullptr));
    SendMessageW(child.get(), WM_MENUSELECT, MAKEWPARAM(2, MF_HILITE), reinterpret_cast<LPARAM>(menu.get()));
    EXPECT_EQ(1, COwnerWindow::Selections()) << "a child's menu selection reaches the owner";
    SendMessageW(owner.window.get(), WM_MENUSELECT, MAKEWPARAM(2, MF_HILITE), reinterpret_cast<LPARAM>(menu.get()));
    EXPECT_EQ(2, COwnerWindow::Selections()) << "the owner's own selections are not doubled";
}

TEST(MenuToolTipTexts, TitlesShowTheShortcutInBrackets) {
    const struct {
        const wchar_t* item;
        const wchar_t* title;
    } kCases[] = {
        {L"&Open\tCtrl+O", L"Open\t[Ctrl+O]"}, {L"Plain", L"Plain"}, {L"Ends with a tab\t", L"Ends with a tab\t[]"},
        {L"\tTab first", L"\tTab first"},      {L"", L""},
    };
    for (const auto& c : kCases) EXPECT_STREQ(c.title, MakeMenuTipTitle(c.item).GetString()) << c.item;
}

TEST(MenuToolTipTexts, BodiesFallBackToTheDefaultAndAreCut) {
    EXPECT_STREQ(L"default", MakeMenuTipBody(L"", L"default").GetString());
    CString exact;
    for (int i = 0; i < 3500; ++i) exact += L'x';
    EXPECT_EQ(3500, MakeMenuTipBody(exact, L"").GetLength());
    const CString cut = MakeMenuTipBody(exact + L"y", L"");
    EXPECT_EQ(3499, cut.GetLength());
    EXPECT_EQ(L'\u2026', cut.GetAt(3498));
}

TEST(MenuToolTipPlacement, FlipsAtTheRightEdgeAndEndsLevelWithTheItemAtTheBottom) {
    const MenuTipScreen screen = {1024, 768, 1};
    const SIZE defaults = {200, 150};
    const struct {
        const char* what;
        RECT item;
        SIZE tip;
        bool balloon;
        POINT expected;
    } kCases[] = {
        {"room right and below", {100, 100, 300, 120}, {250, 80}, false, {300, 100}},
        {"just fits on the right", {574, 100, 774, 120}, {250, 80}, false, {774, 100}},
        {"right edge: to the left", {800, 100, 1000, 120}, {250, 80}, false, {550, 100}},
        {"bottom: ends level with the item", {100, 700, 300, 720}, {250, 80}, false, {300, 640}},
        {"bottom right corner", {800, 700, 1000, 720}, {250, 80}, false, {550, 640}},
        {"unknown size counts as the default", {900, 100, 1000, 120}, {0, 0}, false, {700, 100}},
        {"tall tip would pass the bottom", {100, 500, 300, 520}, {250, 300}, false, {300, 219}},
        {"balloon points at the item's middle", {100, 100, 300, 120}, {250, 80}, true, {300, 110}},
    };
    for (const auto& c : kCases) {
        const POINT placed = PlaceMenuTip(c.item, c.tip, defaults, screen, c.balloon);
        EXPECT_EQ(c.expected.x, placed.x) << c.what;
        EXPECT_EQ(c.expected.y, placed.y) << c.what;
    }
}

// The phrase menu's tip: texts from the item's record and the UI strings.
CString NumberedString(UINT id) {
    CString text;
    text.Format(L"S%u", id);
    return text;
}

bool ReadItem(HMENU, UINT id, MenuItemTipInfo& info) {
    if (id == 5) return false;
    info.caption = L"Caption";
    info.note = L"note";
    info.tipText = L"Body";
    info.plainItem = id == 7;
    return true;
}

TEST(MenuToolTipInsert, TextsComeFromTheItemRecord) {
    COwnerWindow owner;
    CMenuToolTip_Insert tip(&NumberedString, &ReadItem);
    ASSERT_NE(nullptr, tip.Create(owner.window.get(), L"default", GetModuleHandleW(nullptr), 0, nullptr));
    EXPECT_FALSE(tip.HasHook()) << "the phrase menu's tracker passes the messages itself";
    const std::wstring dashes(20, L'\u2014');
    const struct {
        UINT id;
        const wchar_t* title;
        std::wstring text;
    } kCases[] = {
        {7, L"Caption", L"Body\n" + dashes + L"\n\u00BB S293"},
        {8, L"Caption", L"Body"},
        {5, L"S5", L""},
        {32834, L"S32834 [note]", L""},
    };
    for (const auto& c : kCases) {
        CString text, title;
        tip.GetText(text, c.id, nullptr, title);
        EXPECT_STREQ(c.title, title.GetString()) << c.id;
        EXPECT_EQ(c.text, std::wstring(text.GetString())) << c.id;
    }
}

}  // namespace
