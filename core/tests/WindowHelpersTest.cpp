// The window, font and drawing helpers on windows of the test's own thread. The test
// changes a system colour, so it runs in a prefix of its own.
#include <windows.h>
#include <gtest/gtest.h>
// commctrl.h uses the types windows.h declares.
#include <commctrl.h>

#include <vector>

#include "core/WindowHelpers.h"
#include "core/base/Handles.h"

namespace {

// A window class whose procedure records what reaches it: the "previous procedure"
// that the subclass registry must call or keep messages from.
struct CRecordingClass {
    static std::vector<UINT>& Seen() {
        static std::vector<UINT> seen;
        return seen;
    }
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message >= WM_USER || message == WM_DESTROY) Seen().push_back(message);
        if (message == WM_USER + 2) return 7;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    static const wchar_t* Name() {
        static bool registered = false;
        if (!registered) {
            WNDCLASSW wc = {};
            wc.lpfnWndProc = Proc;
            wc.hInstance = GetModuleHandleW(nullptr);
            wc.lpszClassName = L"VxlWindowHelpersRecording";
            registered = RegisterClassW(&wc) != 0;
        }
        return L"VxlWindowHelpersRecording";
    }
    static bool SawMessage(UINT message) {
        for (UINT seen : Seen())
            if (seen == message) return true;
        return false;
    }
};

HWND MakeWindow(const wchar_t* title = L"", HWND parent = nullptr) {
    return CreateWindowExW(0, CRecordingClass::Name(), title, parent ? WS_CHILD : WS_OVERLAPPEDWINDOW, 0, 0, 300, 200,
                           parent, nullptr, GetModuleHandleW(nullptr), nullptr);
}

// The callback clears the pass-on flag for WM_USER+1 (and for WM_DESTROY, which must
// reach the previous procedure anyway) and counts what it saw in the user data.
LRESULT Swallow(HWND, UINT message, WPARAM, LPARAM, LONG_PTR userData, BOOL* passOn, WNDPROC previous) {
    if (message >= WM_USER || message == WM_DESTROY) ++*reinterpret_cast<int*>(userData);
    if (message == WM_USER + 1 || message == WM_DESTROY) {
        *passOn = FALSE;
        return previous ? 42 : -1;
    }
    return 0;
}

// Removes its own window from the registry in the middle of a message.
LRESULT UnsubclassSelf(HWND window, UINT, WPARAM, LPARAM, LONG_PTR, BOOL*, WNDPROC) {
    UnsubclassWindow(window);
    return 0;
}

LONG FontHeight(HFONT font) {
    LOGFONTW logFont = {};
    GetObjectW(font, sizeof logFont, &logFont);
    return logFont.lfHeight;
}

HFONT MakeFont(LONG height) {
    LOGFONTW logFont = {};
    logFont.lfHeight = height;
    wcscpy_s(logFont.lfFaceName, L"Tahoma");
    return CreateFontIndirectW(&logFont);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Subclass registry

TEST(SubclassRegistry, CallbackSeesMessagesFirstAndMayKeepThemFromThePreviousProcedure) {
    HWND window = MakeWindow();
    ASSERT_NE(nullptr, window);
    WNDPROC original = reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC));
    int counted = 0;
    ASSERT_EQ(1, SubclassWindow(window, Swallow, reinterpret_cast<LONG_PTR>(&counted)));
    EXPECT_TRUE(IsWindowSubclassed(window));
    ASSERT_NE(nullptr, FindSubclassEntry(window));
    EXPECT_EQ(original, FindSubclassEntry(window)->previous);

    // A second registration changes nothing, not even the user data.
    int other = 0;
    EXPECT_EQ(0, SubclassWindow(window, Swallow, reinterpret_cast<LONG_PTR>(&other)));
    EXPECT_EQ(reinterpret_cast<LONG_PTR>(&counted), FindSubclassEntry(window)->userData);

    CRecordingClass::Seen().clear();
    EXPECT_EQ(42, SendMessageW(window, WM_USER + 1, 0, 0));  // swallowed: the callback answers
    EXPECT_EQ(7, SendMessageW(window, WM_USER + 2, 0, 0));   // passed on: the previous one answers
    EXPECT_FALSE(CRecordingClass::SawMessage(WM_USER + 1));
    EXPECT_TRUE(CRecordingClass::SawMessage(WM_USER + 2));
    EXPECT_EQ(2, counted);

    EXPECT_EQ(1, UnsubclassWindow(window));
    EXPECT_EQ(original, reinterpret_cast<WNDPROC>(GetWindowLongPtrW(window, GWLP_WNDPROC)));
    EXPECT_EQ(0, UnsubclassWindow(window));
    EXPECT_FALSE(HasSubclassRegistryForTest());
    DestroyWindow(window);
}

TEST(SubclassRegistry, RefusesWhatItCannotSubclass) {
    HWND window = MakeWindow();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(0, SubclassWindow(window, nullptr, 0));
    EXPECT_EQ(0, SubclassWindow(nullptr, Swallow, 0));
    DestroyWindow(window);
    EXPECT_EQ(0, SubclassWindow(window, Swallow, 0));  // no longer a window
    EXPECT_FALSE(IsWindowSubclassed(window));
    EXPECT_FALSE(IsWindowSubclassed(nullptr));
    EXPECT_FALSE(HasSubclassRegistryForTest());
}

TEST(SubclassRegistry, DestroyedWindowsLeaveAndTheLastOneFreesTheRegistry) {
    HWND first = MakeWindow();
    HWND second = MakeWindow();
    ASSERT_TRUE(first && second);
    int firstCount = 0, secondCount = 0;
    ASSERT_EQ(1, SubclassWindow(first, Swallow, reinterpret_cast<LONG_PTR>(&firstCount)));
    ASSERT_EQ(1, SubclassWindow(second, Swallow, reinterpret_cast<LONG_PTR>(&secondCount)));

    CRecordingClass::Seen().clear();
    DestroyWindow(first);
    // WM_DESTROY reaches the previous procedure although the callback cleared the flag.
    EXPECT_EQ(1, firstCount);
    EXPECT_TRUE(CRecordingClass::SawMessage(WM_DESTROY));
    EXPECT_EQ(nullptr, FindSubclassEntry(first));
    EXPECT_TRUE(HasSubclassRegistryForTest());
    EXPECT_TRUE(IsWindowSubclassed(second));

    DestroyWindow(second);
    EXPECT_FALSE(HasSubclassRegistryForTest());
    EXPECT_EQ(nullptr, FindSubclassEntry(second));
}

TEST(SubclassRegistry, CallbackMayUnsubclassItsOwnWindow) {
    // The entry is gone when the callback returns: the message must still reach the
    // previous procedure, read before the callback ran.
    HWND window = MakeWindow();
    ASSERT_NE(nullptr, window);
    ASSERT_EQ(1, SubclassWindow(window, UnsubclassSelf, 0));
    CRecordingClass::Seen().clear();
    EXPECT_EQ(7, SendMessageW(window, WM_USER + 2, 0, 0));
    EXPECT_TRUE(CRecordingClass::SawMessage(WM_USER + 2));
    EXPECT_FALSE(IsWindowSubclassed(window));
    EXPECT_FALSE(HasSubclassRegistryForTest());
    DestroyWindow(window);
}

// ---------------------------------------------------------------------------------------
// Colours, pens and brushes

TEST(DrawingHelpers, DarkeningKeepsChannelsAtZeroAndLightensBlack) {
    struct {
        COLORREF color;
        int delta;
        COLORREF expected;
    } cases[] = {
        {RGB(0, 0, 0), 20, RGB(20, 20, 20)},
        {RGB(255, 10, 40), 20, RGB(235, 0, 20)},  // 10 stays at 0 instead of wrapping to 246
        {RGB(100, 150, 200), 20, RGB(80, 130, 180)},
        {RGB(1, 0, 0), 20, RGB(0, 0, 0)},
        {RGB(255, 255, 255), 255, RGB(0, 0, 0)},
        {RGB(0, 0, 0), 300, RGB(255, 255, 255)},
        {RGB(250, 0, 0), -10, RGB(255, 10, 10)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, DarkenColor(c.color, c.delta)) << std::hex << c.color << " - " << std::dec << c.delta;
    }
    EXPECT_EQ(RGB(235, 0, 20), DarkenColor20(RGB(255, 10, 40)));
    EXPECT_EQ(RGB(255, 123, 60), PickStateColor(true));
    EXPECT_EQ(RGB(255, 0, 0), PickStateColor(false));
}

TEST(DrawingHelpers, CachedPensAndBrushesHaveTheirColoursAndStay) {
    struct {
        HPEN (*get)();
        COLORREF color;
    } pens[] = {{GetBluePen, RGB(0, 0, 255)}, {GetRedPen, RGB(255, 0, 0)}};
    for (const auto& p : pens) {
        LOGPEN pen = {};
        ASSERT_EQ(static_cast<int>(sizeof pen), GetObjectW(p.get(), sizeof pen, &pen));
        EXPECT_EQ(PS_SOLID, static_cast<int>(pen.lopnStyle));
        EXPECT_EQ(2, pen.lopnWidth.x);
        EXPECT_EQ(p.color, pen.lopnColor);
        EXPECT_EQ(p.get(), p.get());
    }
    struct {
        HBRUSH (*get)();
        COLORREF color;
    } brushes[] = {{GetGreenBrush, RGB(0, 128, 0)}, {GetRedBrush, RGB(255, 0, 0)}, {GetCustomBrush, RGB(24, 237, 237)}};
    for (const auto& b : brushes) {
        LOGBRUSH brush = {};
        ASSERT_EQ(static_cast<int>(sizeof brush), GetObjectW(b.get(), sizeof brush, &brush));
        EXPECT_EQ(static_cast<UINT>(BS_SOLID), brush.lbStyle);
        EXPECT_EQ(b.color, brush.lbColor);
        EXPECT_EQ(b.get(), b.get());
    }
    struct {
        bool info, selected;
        int index;
    } backs[] = {{true, true, COLOR_INFOBK},
                 {true, false, COLOR_INFOBK},
                 {false, true, COLOR_HIGHLIGHT},
                 {false, false, COLOR_WINDOW}};
    for (const auto& b : backs) EXPECT_EQ(GetSysColorBrush(b.index), GetItemBackBrush(b.info, b.selected)) << b.index;
}

TEST(DrawingHelpers, SystemColourCacheKeepsOldColoursUntilCleared) {
    const int index = COLOR_INFOBK;
    COLORREF original = GetSysColor(index);
    ASSERT_EQ(original, GetSysColorCached(index));
    EXPECT_EQ(GetSysColorBrush(index), GetSysColorBrushCached(index));

    COLORREF changed = original ^ RGB(0x55, 0x22, 0x11);
    INT indexes[] = {index};
    COLORREF colors[] = {changed};
    ASSERT_TRUE(SetSysColors(1, indexes, colors));
    EXPECT_EQ(changed, GetSysColor(index));
    EXPECT_EQ(original, GetSysColorCached(index)) << "cached until the colour change is announced";
    ClearSysColorCaches();
    EXPECT_EQ(changed, GetSysColorCached(index));

    colors[0] = original;
    SetSysColors(1, indexes, colors);
    ClearSysColorCaches();
}

TEST(DrawingHelpers, FrameRoundRectDrawsOnlyTheEdge) {
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 20;
    info.bmiHeader.biHeight = 20;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(dc && bitmap);
    CSelectObject select(dc.get(), bitmap.get());
    RECT all = {0, 0, 20, 20};
    FillRect(dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));

    EXPECT_TRUE(FrameRoundRect(dc.get(), 2, 2, 18, 17, RGB(255, 0, 0)));
    GdiFlush();
    // The rounded region leaves out its right and bottom edges; the bottom is given one
    // more row, so the frame's lower rows are those just above the bottom passed in.
    struct {
        int x, y;
        COLORREF color;
    } pixels[] = {
        {2, 10, RGB(255, 0, 0)},      {3, 10, RGB(255, 0, 0)},   // left edge, two pixels wide
        {10, 2, RGB(255, 0, 0)},      {10, 3, RGB(255, 0, 0)},   // top edge
        {10, 16, RGB(255, 0, 0)},     {10, 15, RGB(255, 0, 0)},  // bottom edge
        {10, 10, RGB(255, 255, 255)}, {1, 10, RGB(255, 255, 255)},
        {10, 17, RGB(255, 255, 255)}, {2, 2, RGB(255, 255, 255)},  // the rounded corner is left out
    };
    for (const auto& p : pixels) EXPECT_EQ(p.color, GetPixel(dc.get(), p.x, p.y)) << p.x << "," << p.y;
}

// ---------------------------------------------------------------------------------------
// Fonts

TEST(FontHelpers, ResizingFollowsTheHeightConvention) {
    struct {
        LONG height;
        int units;
        bool grow;
        LONG expected;
    } cases[] = {
        {-12, 2, true, -14}, {-12, 2, false, -10}, {12, 2, true, 14},
        {12, 2, false, 10},  {0, 2, true, 0},  // default size: nothing to change
        {1, 2, false, 1},                      // never crosses into the other convention
        {-1, 2, false, -1},
    };
    for (const auto& c : cases) {
        CFontHandle base(MakeFont(c.height));
        CFontHandle resized(CreateFontResized(base.get(), c.units, c.grow));
        ASSERT_TRUE(resized) << c.height;
        EXPECT_EQ(c.expected, FontHeight(resized.get())) << c.height << (c.grow ? " grow " : " shrink ") << c.units;
    }
    CFontHandle base(MakeFont(-11));
    CFontHandle grown(CreateFontResized(base.get(), 3));
    EXPECT_EQ(-14, FontHeight(grown.get()));

    // A change that refuses, and an object that is no font, give nothing.
    EXPECT_EQ(nullptr, CreateDerivedFont(
                           base.get(), [](LOGFONTW&, void*) -> BOOL { return FALSE; }, nullptr));
    EXPECT_EQ(nullptr, CreateFontResized(reinterpret_cast<HFONT>(GetStockObject(WHITE_BRUSH)), 2, true));
}

TEST(FontHelpers, DialogFontsAndTheFirstWindowsFontAreKept) {
    HFONT bold = GetBoldDlgFont();
    ASSERT_NE(nullptr, bold);
    EXPECT_EQ(bold, GetBoldDlgFont());
    LOGFONTW boldFont = {}, italicFont = {};
    GetObjectW(bold, sizeof boldFont, &boldFont);
    GetObjectW(GetItalicDlgFont(), sizeof italicFont, &italicFont);
    EXPECT_EQ(FW_BOLD, boldFont.lfWeight);
    EXPECT_FALSE(boldFont.lfItalic);
    EXPECT_EQ(FW_NORMAL, italicFont.lfWeight);
    EXPECT_TRUE(italicFont.lfItalic);
    EXPECT_STREQ(L"MS Shell Dlg", boldFont.lfFaceName);

    // A window without a font decides nothing; the first one with a font does, for good.
    HWND fontless = MakeWindow();
    EXPECT_EQ(nullptr, GetWindowFontCached(fontless));
    HWND window = MakeWindow();
    CFontHandle font(MakeFont(-12));
    HWND edit = CreateWindowExW(0, L"EDIT", L"", WS_CHILD, 0, 0, 10, 10, window, nullptr, nullptr, nullptr);
    // The recording class keeps no font: answer WM_GETFONT through an edit control.
    SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(font.get()), FALSE);
    HFONT cached = GetWindowFontCached(edit);
    ASSERT_NE(nullptr, cached);
    EXPECT_EQ(-14, FontHeight(cached));
    EXPECT_EQ(cached, GetWindowFontCached(fontless));
    DestroyWindow(window);
    DestroyWindow(fontless);
}

// ---------------------------------------------------------------------------------------
// Windows

TEST(WindowHelpers, ToolTipTitlesAreCutAfter97Characters) {
    CString of97(L'a', 97), of98(L'b', 98);
    CString pairAtTheCut = CString(L'c', 96) + L"\U0001F600" + L"tail";  // the pair is characters 97 and 98
    struct {
        CString title;
        CString expected;
    } cases[] = {
        {of97, of97},
        {of98, CString(L'b', 97) + L"\u2026"},
        {pairAtTheCut, CString(L'c', 96) + L"\u2026"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.expected.GetString(), MakeToolTipTitle(c.title).GetString());
    EXPECT_TRUE(MakeToolTipTitle(nullptr).IsEmpty());

    HWND toolTip =
        CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, WS_POPUP, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, toolTip);
    // Reading the title back (TTM_GETTITLE) needs common controls 6, which this test
    // program does not ask for: the control's acceptance is what can be seen here.
    EXPECT_NE(0, SetToolTipTitle(toolTip, of98, TTI_INFO));
    DestroyWindow(toolTip);
}

TEST(WindowHelpers, TopMostSwitchMovesTheExtendedStyleAlong) {
    HWND window = MakeWindow(L"top-most");
    ASSERT_NE(nullptr, window);
    EXPECT_TRUE(SetWindowTopMost(window, true));
    EXPECT_TRUE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_TRUE(SetWindowTopMost(window, false));
    EXPECT_FALSE(GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(window);
    EXPECT_FALSE(SetWindowTopMost(window, true));
}

TEST(WindowHelpers, TopLevelParentAndItsText) {
    HWND top = MakeWindow(L"Top title");
    HWND child = MakeWindow(L"", top);
    HWND grandChild = MakeWindow(L"inner", child);
    HWND untitled = MakeWindow(L"");
    ASSERT_TRUE(top && child && grandChild && untitled);
    EXPECT_EQ(top, GetTopLevelParent(grandChild));
    EXPECT_EQ(top, GetTopLevelParent(top));

    CString text(L"unchanged");
    EXPECT_TRUE(GetTopLevelWindowText(grandChild, text));
    EXPECT_STREQ(L"Top title", text.GetString());
    text = L"unchanged";
    EXPECT_FALSE(GetTopLevelWindowText(untitled, text));
    EXPECT_STREQ(L"unchanged", text.GetString());
    DestroyWindow(untitled);
    DestroyWindow(top);
    EXPECT_FALSE(GetTopLevelWindowText(top, text));
}

TEST(WindowHelpers, ListViewPageShowsTheItemAndThePageBelowIt) {
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&init);
    HWND list = CreateWindowExW(0, WC_LISTVIEWW, L"", WS_POPUP | WS_VISIBLE | LVS_REPORT | LVS_NOCOLUMNHEADER, 0, 0,
                                200, 150, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(nullptr, list);
    LVCOLUMNW column = {};
    column.mask = LVCF_WIDTH;
    column.cx = 150;
    SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    const int count = 60;
    for (int i = 0; i < count; ++i) {
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = i;
        CString text;
        text.Format(L"item %d", i);
        item.pszText = const_cast<wchar_t*>(text.GetString());
        SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
    }
    const int perPage = static_cast<int>(SendMessageW(list, LVM_GETCOUNTPERPAGE, 0, 0));
    ASSERT_GE(perPage, 2);
    ASSERT_LT(perPage, count / 2);

    struct {
        int index;
        BOOL result;
        int top;  // expected top index afterwards, -1: unchanged
    } cases[] = {
        {10, TRUE, 10},                      // the item heads the page
        {count - 1, TRUE, count - perPage},  // the last item ends the page
        {count, FALSE, -1},
        {-1, FALSE, -1},
        {0, TRUE, 0},
    };
    for (const auto& c : cases) {
        int before = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        EXPECT_EQ(c.result, ListViewEnsureVisiblePage(list, c.index)) << c.index;
        int after = static_cast<int>(SendMessageW(list, LVM_GETTOPINDEX, 0, 0));
        EXPECT_EQ(c.top < 0 ? before : c.top, after) << c.index;
    }
    DestroyWindow(list);
}

TEST(WindowHelpers, CheckBoxLabelIsBoldWhileTicked) {
    HWND parent = MakeWindow(L"boxes");
    HWND box = CreateWindowExW(0, L"BUTTON", L"Option", WS_CHILD | BS_AUTOCHECKBOX, 0, 0, 100, 20, parent, nullptr,
                               nullptr, nullptr);
    HWND ticked = CreateWindowExW(0, L"BUTTON", L"Other", WS_CHILD | BS_AUTOCHECKBOX, 0, 30, 100, 20, parent, nullptr,
                                  nullptr, nullptr);
    ASSERT_TRUE(box && ticked);
    SendMessageW(ticked, BM_SETCHECK, BST_CHECKED, 0);
    auto font = [](HWND w) { return reinterpret_cast<HFONT>(SendMessageW(w, WM_GETFONT, 0, 0)); };

    InstallCheckNotifySubclass(box);
    InstallCheckNotifySubclass(ticked);
    HFONT bold = GetBoldGuiFont();
    ASSERT_NE(nullptr, bold);
    LOGFONTW boldFont = {};
    GetObjectW(bold, sizeof boldFont, &boldFont);
    EXPECT_EQ(FW_BOLD, boldFont.lfWeight);
    EXPECT_EQ(GetDefaultGuiFont(), font(box));
    EXPECT_EQ(bold, font(ticked));  // ticked before the install: bold at once

    SendMessageW(box, BM_SETCHECK, BST_CHECKED, 0);
    EXPECT_EQ(bold, font(box));
    EXPECT_EQ(BST_CHECKED, SendMessageW(box, BM_GETCHECK, 0, 0));
    SendMessageW(box, BM_SETCHECK, BST_UNCHECKED, 0);
    EXPECT_EQ(GetDefaultGuiFont(), font(box));

    // A second install leaves the procedure alone, and a deleted bold font is made again.
    LONG_PTR procedure = GetWindowLongPtrW(box, GWLP_WNDPROC);
    InstallCheckNotifySubclass(box);
    EXPECT_EQ(procedure, GetWindowLongPtrW(box, GWLP_WNDPROC));
    SendMessageW(ticked, WM_SETFONT, 0, FALSE);
    DeleteObject(bold);
    HFONT remade = GetBoldGuiFont();
    EXPECT_EQ(static_cast<DWORD>(OBJ_FONT), GetObjectType(remade));
    DestroyWindow(parent);
}
