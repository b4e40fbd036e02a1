// The small controls on real windows: what the hover tracker tells the list's parent,
// which click of the split button opens its menu, and how the borderless window answers
// the hit test at its edges. The pointer is put where a user's would be; timers are
// delivered as the messages they post, so nothing waits for time to pass.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/base/FileIcons.h"
#include "core/base/Handles.h"
#include "pages/HoverCtrl.h"
#include "pages/ResizeNoBorder.h"
#include "pages/SplitButton.h"
#include "testkit/Poll.h"
#include "testkit/TestKit.h"

namespace {

const wchar_t kParentClass[] = L"VxlSmallControlsTestParent";
const int kListId = 1201;
const int kButtonId = 1202;

struct CHeard {
    UINT code;
    int item;
    bool operator==(const CHeard& other) const { return code == other.code && item == other.item; }
};
std::ostream& operator<<(std::ostream& out, const CHeard& heard) {
    return out << "{" << heard.code << ", " << heard.item << "}";
}

std::vector<CHeard> g_heard;
CSplitButton* g_splitButton = nullptr;
std::vector<bool> g_clicks;  // the arrow flag at each BN_CLICKED

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* notify = reinterpret_cast<const CHoverNotify*>(lParam);
        if (notify->header.code >= kHoverBeganCode && notify->header.code <= kHoverClickedCode &&
            notify->header.idFrom == kListId)
            g_heard.push_back({notify->header.code, notify->item});
    }
    if (message == WM_COMMAND && LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED && g_splitButton)
        g_clicks.push_back(g_splitButton->IsArrowPressed());
    return DefWindowProcW(window, message, wParam, lParam);
}

// A visible top-level window at a known place, of a class that records notifications.
CWindowHandle MakeWindow(DWORD style, const RECT& rect) {
    static const ATOM registered = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kParentClass;
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        return RegisterClassW(&windowClass);
    }();
    (void)registered;
    return CWindowHandle(CreateWindowExW(0, kParentClass, L"Controls", style | WS_VISIBLE, rect.left, rect.top,
                                         rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr,
                                         GetModuleHandleW(nullptr), nullptr));
}

void Pump() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

// True when the pointer could be put there (the test is skipped otherwise). The system
// may report the place before for a moment after the move: it is there once it has been
// seen there a few times in a row.
bool PutPointer(POINT screen) {
    SetCursorPos(screen.x, screen.y);
    int seen = 0;
    return testkit::PollUntil(testkit::kWaitMs, [&] {
        POINT now = {};
        seen = GetCursorPos(&now) && now.x == screen.x && now.y == screen.y ? seen + 1 : 0;
        return seen >= 3;
    });
}

LPARAM ClientLParam(POINT point) {
    return MAKELPARAM(static_cast<short>(point.x), static_cast<short>(point.y));
}

class HoverCtrl : public ::testing::Test {
protected:
    void SetUp() override {
        g_heard.clear();
        m_parent = MakeWindow(WS_OVERLAPPEDWINDOW, {50, 50, 450, 350});
        ASSERT_TRUE(m_parent);
        m_list =
            CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0, 380, 260, m_parent.get(),
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kListId)), nullptr, nullptr);
        ASSERT_TRUE(m_list);
        LVCOLUMNW column = {};
        column.mask = LVCF_WIDTH;
        column.cx = 300;
        SendMessageW(m_list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
        for (const wchar_t* text : {L"first", L"second", L"third"}) {
            LVITEMW item = {};
            item.mask = LVIF_TEXT;
            item.iItem = static_cast<int>(SendMessageW(m_list, LVM_GETITEMCOUNT, 0, 0));
            item.pszText = const_cast<wchar_t*>(text);
            SendMessageW(m_list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        }
        Pump();
        ASSERT_TRUE(m_hover.Attach(m_list, m_parent.get()));
    }

    POINT ItemPoint(int item) const {
        RECT rect = {};
        rect.left = LVIR_LABEL;
        SendMessageW(m_list, LVM_GETITEMRECT, item, reinterpret_cast<LPARAM>(&rect));
        return {rect.left + 10, (rect.top + rect.bottom) / 2};
    }
    POINT Below() const { return {40, 240}; }

    void MoveTo(POINT client) { SendMessageW(m_list, WM_MOUSEMOVE, 0, ClientLParam(client)); }
    // The pointer rests there until the hover timer fires.
    void RestAt(POINT client) {
        POINT screen = client;
        ClientToScreen(m_list, &screen);
        if (!PutPointer(screen)) GTEST_SKIP() << "the pointer cannot be placed on this desktop";
        SendMessageW(m_list, WM_TIMER, kHoverTimerId, 0);
    }

    CWindowHandle m_parent;
    HWND m_list = nullptr;
    CHoverCtrl m_hover;
};

TEST_F(HoverCtrl, ParentHearsOfRestingLeavingAndClicking) {
    const int a = 0;
    const int b = 1;
    // From A to B within the delay: only B is ever reported.
    MoveTo(ItemPoint(a));
    MoveTo(ItemPoint(b));
    RestAt(ItemPoint(b));
    if (IsSkipped()) return;
    EXPECT_EQ(b, m_hover.GetHoveredItem());
    // Off the items: the hover ends.
    MoveTo(Below());
    // The timer for a pending item finds the pointer on another one: nothing.
    MoveTo(ItemPoint(a));
    RestAt(ItemPoint(b));
    // Resting on A; the right button ends it.
    MoveTo(ItemPoint(a));
    RestAt(ItemPoint(a));
    SendMessageW(m_list, WM_RBUTTONUP, 0, ClientLParam(ItemPoint(a)));
    // Resting on B; a click on it; then the pointer leaves the list.
    MoveTo(ItemPoint(b));
    RestAt(ItemPoint(b));
    // The list view follows a press until the button comes up again.
    PostMessageW(m_list, WM_LBUTTONUP, 0, ClientLParam(ItemPoint(b)));
    SendMessageW(m_list, WM_LBUTTONDOWN, MK_LBUTTON, ClientLParam(ItemPoint(b)));
    SendMessageW(m_list, WM_MOUSELEAVE, 0, 0);

    const std::vector<CHeard> expected = {
        {kHoverBeganCode, b}, {kHoverEndedCode, b},   {kHoverBeganCode, a}, {kHoverEndedCode, a},
        {kHoverBeganCode, b}, {kHoverClickedCode, b}, {kHoverEndedCode, b},
    };
    EXPECT_EQ(expected, g_heard);
}

TEST_F(HoverCtrl, StoppingAndDetachingEndTheHover) {
    MoveTo(ItemPoint(2));
    RestAt(ItemPoint(2));
    if (IsSkipped()) return;
    m_hover.Stop_Hover_Timer();
    EXPECT_EQ(-1, m_hover.GetHoveredItem());
    const WNDPROC subclassed = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_list, GWLP_WNDPROC));
    m_hover.Detach();
    EXPECT_NE(subclassed, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(m_list, GWLP_WNDPROC)));
    // A detached list tells nothing.
    MoveTo(ItemPoint(1));
    RestAt(ItemPoint(1));
    const std::vector<CHeard> expected = {{kHoverBeganCode, 2}, {kHoverEndedCode, 2}};
    EXPECT_EQ(expected, g_heard);
    // It can be attached again, and only once.
    EXPECT_TRUE(m_hover.Attach(m_list, m_parent.get()));
    CHoverCtrl second;
    EXPECT_FALSE(second.Attach(m_list, m_parent.get()));
}

// A press that starts and ends on the arrow part opens the menu (the flag is set while
// the owner hears of the click, and cleared after); a press on the text is the plain
// action.
TEST(SplitButton, OnlyAClickOnTheArrowPartOpensTheMenu) {
    CWindowHandle parent = MakeWindow(WS_OVERLAPPEDWINDOW, {60, 60, 360, 260});
    ASSERT_TRUE(parent);
    HWND button =
        CreateWindowExW(0, L"BUTTON", L"Save", WS_CHILD | WS_VISIBLE | BS_PUSHBUTTON, 20, 20, 140, 30, parent.get(),
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), nullptr, nullptr);
    ASSERT_TRUE(button);
    CSplitButton split;
    ASSERT_TRUE(split.Attach(button));
    g_splitButton = &split;
    g_clicks.clear();
    RECT client = {};
    GetClientRect(button, &client);
    const RECT arrow = CSplitButton::GetArrowRect(client, false);
    struct Case {
        const char* where;
        POINT point;
        bool arrowPressed;
    } cases[] = {
        {"arrow", {(arrow.left + arrow.right) / 2, (arrow.top + arrow.bottom) / 2}, true},
        {"text", {10, (client.top + client.bottom) / 2}, false},
        {"divider", {arrow.left - 2, (client.top + client.bottom) / 2}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.where);
        g_clicks.clear();
        SendMessageW(button, WM_MOUSEMOVE, 0, ClientLParam(c.point));
        SendMessageW(button, WM_LBUTTONDOWN, MK_LBUTTON, ClientLParam(c.point));
        SendMessageW(button, WM_LBUTTONUP, 0, ClientLParam(c.point));
        Pump();
        ASSERT_EQ(1u, g_clicks.size());
        EXPECT_EQ(c.arrowPressed, g_clicks[0]);
        EXPECT_FALSE(split.IsArrowPressed()) << "cleared once the click is over";
    }
    g_splitButton = nullptr;
}

const RECT kBorderless = {100, 100, 400, 300};

LRESULT HitTest(HWND window, int dx, int dy) {
    return SendMessageW(
        window, WM_NCHITTEST, 0,
        MAKELPARAM(static_cast<short>(kBorderless.left + dx), static_cast<short>(kBorderless.top + dy)));
}

TEST(ResizeNoBorder, EdgesAnswerTheSizingCodes) {
    CWindowHandle window = MakeWindow(WS_POPUP, kBorderless);
    ASSERT_TRUE(window);
    CResizeNoBorder resize;
    ASSERT_TRUE(resize.Install(window.get(), 1));
    const int edgeX = 2 * GetSystemMetrics(SM_CXBORDER);
    const int w = kBorderless.right - kBorderless.left;
    const int h = kBorderless.bottom - kBorderless.top;
    struct Case {
        int dx;
        int dy;
        LRESULT code;
    } cases[] = {
        {0, 0, HTTOPLEFT},
        {1, h / 2, HTLEFT},
        {0, h - 1, HTBOTTOMLEFT},
        {w / 2, 0, HTTOP},
        {w / 2, h / 2, HTCLIENT},
        {w / 2, h - 1, HTBOTTOM},
        {w - 1, 0, HTTOPRIGHT},
        {w - 1, h / 2, HTRIGHT},
        {w - 1, h - 1, HTBOTTOMRIGHT},
        {edgeX, h / 2, HTCLIENT},
        {w - 1 - edgeX, edgeX, HTCLIENT},
        {-1, h / 2, HTNOWHERE},
    };
    for (const Case& c : cases) EXPECT_EQ(c.code, HitTest(window.get(), c.dx, c.dy)) << c.dx << "," << c.dy;
}

TEST(ResizeNoBorder, OneSubclassPerWindowAndUninstallRestores) {
    CWindowHandle window = MakeWindow(WS_POPUP, kBorderless);
    ASSERT_TRUE(window);
    const LONG_PTR ownProcedure = GetWindowLongPtrW(window.get(), GWLP_WNDPROC);
    CResizeNoBorder first;
    CResizeNoBorder second;
    EXPECT_FALSE(first.Install(window.get(), 2));
    ASSERT_TRUE(first.Install(window.get(), 1));
    EXPECT_FALSE(first.Install(window.get(), 1));
    EXPECT_FALSE(second.Install(window.get(), 0));
    EXPECT_NE(nullptr, GetPropW(window.get(), CResizeNoBorder::kSubclassProperty));
    first.Uninstall();
    EXPECT_EQ(ownProcedure, GetWindowLongPtrW(window.get(), GWLP_WNDPROC));
    EXPECT_EQ(nullptr, GetPropW(window.get(), CResizeNoBorder::kSubclassProperty));
    EXPECT_EQ(HTCLIENT, HitTest(window.get(), 0, 0)) << "no sizing edges after Uninstall";
    EXPECT_TRUE(second.Install(window.get(), 0));
}

// Style switching: the frame comes when the pointer reaches an edge and goes when it is
// back inside, and the window then answers the system's own sizing codes.
TEST(ResizeNoBorder, StyleSwitchingAddsTheFrameAtTheEdgeOnly) {
    CWindowHandle window = MakeWindow(WS_POPUP, kBorderless);
    ASSERT_TRUE(window);
    CResizeNoBorder resize;
    ASSERT_TRUE(resize.Install(window.get(), 0));
    auto hasFrame = [&] { return (GetWindowLongW(window.get(), GWL_STYLE) & WS_THICKFRAME) != 0; };
    const int h = kBorderless.bottom - kBorderless.top;

    if (!PutPointer({kBorderless.left + 150, kBorderless.top + h / 2}))
        GTEST_SKIP() << "the pointer cannot be placed on this desktop";
    EXPECT_EQ(HTCLIENT, HitTest(window.get(), 150, h / 2));
    EXPECT_FALSE(hasFrame());

    ASSERT_TRUE(PutPointer({kBorderless.left + 1, kBorderless.top + h / 2}));
    EXPECT_EQ(HTLEFT, HitTest(window.get(), 1, h / 2));
    EXPECT_TRUE(hasFrame());
    EXPECT_EQ(HTTOPLEFT, HitTest(window.get(), 0, 0));

    ASSERT_TRUE(PutPointer({kBorderless.left + 150, kBorderless.top + h / 2}));
    EXPECT_EQ(HTCLIENT, HitTest(window.get(), 150, h / 2));
    EXPECT_FALSE(hasFrame());
    resize.Uninstall();
    EXPECT_FALSE(hasFrame());
}

// The shell's icons come in the size asked for; the caller owns each.
TEST(ShellIcons, FolderAndFileTypeIconsComeLargeOrSmall) {
    auto width = [](HICON icon) {
        ICONINFO info = {};
        if (!icon || !GetIconInfo(icon, &info)) return 0;
        BITMAP bitmap = {};
        GetObjectW(info.hbmColor ? info.hbmColor : info.hbmMask, sizeof bitmap, &bitmap);
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
        return static_cast<int>(bitmap.bmWidth);
    };
    const int large = GetSystemMetrics(SM_CXICON);
    const int small = GetSystemMetrics(SM_CXSMICON);
    struct Case {
        const char* what;
        HICON icon;
        int width;
    } cases[] = {
        {"closed folder, small", GetFolderIcon(false, false), small},
        {"closed folder, large", GetFolderIcon(false, true), large},
        {"open folder, small", GetFolderIcon(true, false), small},
        {"open folder, large", GetFolderIcon(true, true), large},
        {".txt, small", GetIconByExtension(L".txt", false), small},
        {".txt, large", GetIconByExtension(L".txt", true), large},
    };
    for (const Case& c : cases) {
        CIconHandle owned(c.icon);
        EXPECT_EQ(c.width, width(c.icon)) << c.what;
    }
}

}  // namespace
