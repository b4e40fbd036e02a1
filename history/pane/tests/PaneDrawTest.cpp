#include "history/pane/PaneDraw.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <utility>

#include "core/ClipboardItemFiles.h"
#include "core/WindowHelpers.h"
#include "history/pane/tests/PaneTestPictures.h"
#include "testkit/Bitmaps.h"

namespace {

using panetest::CCanvas;
using panetest::MakeSolidIcon;

const COLORREF kPaper = RGB(10, 200, 30);  // none of the colours drawn

// A row as a report view with one column lays it out: the icon at the left, the label after it.
CPaneRowRects RowRects(int top) {
    CPaneRowRects rects;
    rects.icon = {0, top, 24, top + 24};
    rects.label = {24, top, 200, top + 24};
    rects.bounds = {0, top, 200, top + 24};
    return rects;
}

CPaneListLook Look() {
    CPaneListLook look;
    look.background = RGB(255, 255, 255);
    look.text = RGB(0, 0, 128);
    return look;
}

CPaneRowState RowAt(int index) {
    CPaneRowState row;
    row.row = index;
    return row;
}

// Draws the row 8 pixels down the canvas; returns where its parts are.
CPaneRowRects DrawRow(CCanvas& canvas, const CPaneRowState& row, const CPaneListLook& look) {
    const CPaneRowRects rects = RowRects(8);
    DrawPaneRow(canvas.dc(), rects, row, look);
    return rects;
}

// The part of the label right of the number badge, past any text.
POINT LabelEnd(const CPaneRowRects& rects) {
    return {rects.label.right - 3, (rects.label.top + rects.label.bottom) / 2};
}

TEST(PaneColours, StripeBadgeAndCaptionColours) {
    const struct {
        COLORREF background, stripe;
    } kStripes[] = {
        {RGB(255, 255, 255), RGB(235, 235, 235)},
        {RGB(0, 0, 0), RGB(20, 20, 20)},
        {RGB(10, 100, 200), RGB(0, 80, 180)},
    };
    for (const auto& c : kStripes) EXPECT_EQ(c.stripe, PaneStripeColor(c.background)) << std::hex << c.background;

    EXPECT_EQ(COLOR_INFOBK, PaneBadgeColorIndex(true, true));
    EXPECT_EQ(COLOR_INFOBK, PaneBadgeColorIndex(true, false));
    EXPECT_EQ(COLOR_HIGHLIGHT, PaneBadgeColorIndex(false, true));
    EXPECT_EQ(COLOR_WINDOW, PaneBadgeColorIndex(false, false));

    EXPECT_EQ(RGB(255, 0, 0), PaneCaptionColor(false, true));
    EXPECT_EQ(RGB(255, 0, 0), PaneCaptionColor(false, false));
    EXPECT_EQ(RGB(0, 0, 255), PaneCaptionColor(true, true));
    EXPECT_EQ(RGB(255, 123, 60), PaneCaptionColor(true, false));
}

TEST(PaneFontsTest, HeavyAndLightItalicFontsGrowAwayFromTheMenuFont) {
    CPaneFonts fonts;
    if (!fonts.Menu()) GTEST_SKIP() << "no non-client metrics";
    LOGFONTW menu = {}, heavy = {}, light = {};
    ASSERT_TRUE(GetObjectW(fonts.Menu(), sizeof menu, &menu));
    ASSERT_TRUE(GetObjectW(fonts.Heavy(), sizeof heavy, &heavy));
    ASSERT_TRUE(GetObjectW(fonts.LightItalic(), sizeof light, &light));
    EXPECT_EQ(900, heavy.lfWeight);
    EXPECT_EQ(300, light.lfWeight);
    EXPECT_TRUE(light.lfItalic);
    EXPECT_FALSE(heavy.lfItalic);
    if (menu.lfHeight != 0) {
        EXPECT_EQ(std::abs(menu.lfHeight) + 4, std::abs(heavy.lfHeight));
        EXPECT_EQ(std::abs(menu.lfHeight) - 1, std::abs(light.lfHeight));
    }
}

TEST(PaneRows, PrepaintSetsTheInfoBackgroundTheStripeAndTheRowsFont) {
    CPaneListLook look = Look();
    CFontHandle newest(CreateFontW(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    CFontHandle hover(CreateFontW(-12, 0, 0, 0, FW_NORMAL, 1, 0, 0, 0, 0, 0, 0, 0, L"Tahoma"));
    look.newestFont = newest.get();
    look.hoverFont = hover.get();
    const COLORREF info = GetSysColor(COLOR_INFOBK), stripe = PaneStripeColor(look.background);
    const struct {
        const char* name;
        int row, kind;
        bool isProtected, hovered;
        COLORREF background;
        HFONT font;
    } kCases[] = {
        {"newest", 0, 1, false, false, CLR_DEFAULT, newest.get()},
        {"odd", 1, 1, false, false, stripe, nullptr},
        {"even", 2, 1, false, false, CLR_DEFAULT, nullptr},
        {"protected", 2, 1, true, false, info, nullptr},
        {"protected odd", 3, 1, true, false, info, nullptr},
        {"protected under the mouse", 3, 1, true, true, stripe, hover.get()},
        {"under the mouse", 2, 1, false, true, CLR_DEFAULT, hover.get()},
        {"formatted text", 4, CClipboardItemData::kRtf, false, false, CLR_DEFAULT, hover.get()},
    };
    for (const auto& c : kCases) {
        CPaneRowState row;
        row.row = c.row;
        row.kind = c.kind;
        row.isProtected = c.isProtected;
        row.hovered = c.hovered;
        const CPaneRowPrepaint answer = PaneRowPrepaint(row, look);
        EXPECT_EQ(c.background, answer.textBackground) << c.name;
        EXPECT_EQ(c.font, answer.font) << c.name;
        const bool changed = c.background != CLR_DEFAULT || c.font;
        EXPECT_EQ(changed ? CDRF_NOTIFYPOSTPAINT | CDRF_NEWFONT : CDRF_NOTIFYPOSTPAINT, answer.result) << c.name;
    }
}

TEST(PaneRows, LabelFillStripeSelectionAndTheNewestRowsRedFrame) {
    const CPaneListLook look = Look();
    const struct {
        int row;
        bool selected;
        COLORREF label;
        bool framed;
    } kCases[] = {
        {0, false, GetSysColor(COLOR_MENU), true},     {1, false, PaneStripeColor(look.background), false},
        {2, false, GetSysColor(COLOR_MENU), false},    {3, true, GetSysColor(COLOR_HIGHLIGHT), false},
        {0, true, GetSysColor(COLOR_HIGHLIGHT), true},
    };
    for (const auto& c : kCases) {
        CCanvas canvas(220, 40, kPaper);
        ASSERT_TRUE(canvas.ok());
        CPaneRowState row = RowAt(c.row);
        row.selected = c.selected;
        const CPaneRowRects rects = DrawRow(canvas, row, look);
        const POINT end = LabelEnd(rects);
        EXPECT_EQ(c.label, canvas.At(end.x, end.y)) << "row " << c.row;
        const COLORREF red = RGB(255, 0, 0);
        // The bottom edge stays clear of the row's last line, where the list draws its grid.
        EXPECT_EQ(c.framed, canvas.At(0, 8) == red && canvas.At(199, 30) == red && canvas.At(100, 8) == red &&
                                canvas.At(100, 30) == red && canvas.At(100, 31) != red)
            << "row " << c.row;
        EXPECT_EQ(kPaper, canvas.At(205, 20)) << "nothing outside the row";
    }
}

TEST(PaneRows, BadgesCarryTheRowNumberInTheirColours) {
    // Selected rows: the number in COLOR_INFOTEXT on COLOR_INFOBK.
    const CPaneListLook look = Look();
    std::map<int, std::vector<COLORREF>> badges;
    for (int number : {1, 10}) {
        CCanvas canvas(220, 40, kPaper);
        CPaneRowState row = RowAt(number - 1);
        row.selected = true;
        const CPaneRowRects rects = DrawRow(canvas, row, look);
        const RECT badge = {rects.label.left + 2 + 1, 8 + 1, rects.label.left + 2 + 24 - 1, 8 + 24 - 1};
        EXPECT_GT(canvas.Count(badge, GetSysColor(COLOR_INFOBK)), 100) << number;
        EXPECT_GT(canvas.Count(badge, GetSysColor(COLOR_INFOTEXT)), 3) << number;
        badges[number] = canvas.Pixels(badge);
    }
    EXPECT_NE(badges[1], badges[10]);

    // The badge is inset 1 pixel on a selected row and 3 on others: 2 pixels in from the
    // badge square's left edge lies inside one and beside the other.
    for (bool selected : {true, false}) {
        CCanvas canvas(220, 40, kPaper);
        CPaneRowState row = RowAt(2);
        row.selected = selected;
        const CPaneRowRects rects = DrawRow(canvas, row, look);
        const COLORREF inside = GetSysColor(selected ? COLOR_INFOBK : COLOR_MENU);
        EXPECT_EQ(inside, canvas.At(rects.label.left + 2 + 2, 8 + 12)) << selected;
    }
}

TEST(PaneRows, TextColourFollowsHoverAndSelection) {
    const CPaneListLook look = Look();
    const struct {
        const char* name;
        bool hovered, selected;
        COLORREF color;
    } kCases[] = {
        {"plain", false, false, look.text},
        {"under the mouse", true, false, RGB(255, 0, 0)},
        {"selected", false, true, GetSysColor(COLOR_HIGHLIGHTTEXT)},
    };
    for (const auto& c : kCases) {
        CCanvas canvas(220, 40, kPaper);
        CPaneRowState row = RowAt(2);
        row.hovered = c.hovered;
        row.selected = c.selected;
        row.text = L"WWWWWWWW";
        const CPaneRowRects rects = DrawRow(canvas, row, look);
        const RECT text = {rects.label.left + 28, 8, rects.label.right, 32};
        EXPECT_GT(canvas.Count(text, c.color), 10) << c.name;
    }
}

TEST(PaneRows, ProtectedAndHtmlMarksSitAtTheIconsLowerRight) {
    CPaneListLook look = Look();
    CIconHandle protect = MakeSolidIcon(16, RGB(0, 255, 0));
    CIconHandle html = MakeSolidIcon(10, RGB(255, 0, 255));
    look.protectIcon = protect.get();
    look.htmlIcon = html.get();
    const struct {
        const char* name;
        bool isProtected, hovered, hasHtml;
        int kind;
        bool protectShown, htmlShown;
    } kCases[] = {
        {"protected", true, false, false, 1, true, false},
        {"protected under the mouse", true, true, false, 1, false, false},
        {"with html", false, false, true, 1, false, true},
        {"an html item", false, false, true, CClipboardItemData::kHtml, false, false},
        {"plain", false, false, false, 1, false, false},
    };
    for (const auto& c : kCases) {
        CCanvas canvas(220, 40, kPaper);
        CPaneRowState row = RowAt(2);
        row.kind = c.kind;
        row.isProtected = c.isProtected;
        row.hovered = c.hovered;
        row.hasHtml = c.hasHtml;
        DrawRow(canvas, row, look);
        // 18 in from the right and bottom of the icon rectangle (24 x 24 at y 8).
        EXPECT_EQ(c.protectShown ? 16 * 16 : 0, canvas.Count({6, 14, 22, 30}, RGB(0, 255, 0))) << c.name;
        EXPECT_EQ(c.htmlShown ? 10 * 10 : 0, canvas.Count({10, 18, 20, 28}, RGB(255, 0, 255))) << c.name;
    }
}

TEST(PaneRows, AnIconThatCannotBeDrawnLeavesTheRestOfTheRow) {
    CPaneListLook look = Look();
    HICON gone = CopyIcon(MakeSolidIcon(16, RGB(0, 255, 0)).get());
    DestroyIcon(gone);
    look.protectIcon = gone;
    look.htmlIcon = gone;
    CPaneIcons missing;
    missing.Load(GetModuleHandleW(L"kernel32.dll"));
    EXPECT_FALSE(missing.protect);
    EXPECT_FALSE(missing.html);
    EXPECT_FALSE(missing.app);

    CCanvas canvas(220, 40, kPaper);
    CPaneRowState row = RowAt(0);
    row.isProtected = true;
    row.hasHtml = true;
    const CPaneRowRects rects = DrawRow(canvas, row, look);
    const POINT end = LabelEnd(rects);
    EXPECT_EQ(GetSysColor(COLOR_MENU), canvas.At(end.x, end.y));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(100, 8)) << "the frame is drawn";
}

TEST(PaneRows, ABitmapIsCopiedUnscaledFromItsCornerAndClippedToTheCell) {
    const CPaneListLook look = Look();
    // Small: 8 x 8 blue; huge: 10000 x 10000 at one bit per pixel, all black.
    const RGBQUAD blackWhite[2] = {{0, 0, 0, 0}, {255, 255, 255, 0}};
    BYTE* bits = nullptr;
    CBitmapHandle small = testkit::MakeDibSection(8, 8, 32, nullptr, 0, &bits);
    ASSERT_TRUE(small);
    for (int i = 0; i < 64; ++i) reinterpret_cast<DWORD*>(bits)[i] = 0x000000FF;
    CBitmapHandle huge = testkit::MakeDibSection(10000, 10000, 1, blackWhite, 2);
    ASSERT_TRUE(huge) << "10000 x 10000 at 1 bit is 12.5 MB";

    // Badge square 24 wide from label.left + 2, text 2 after it, then 1 pixel in.
    const RECT cell = {24 + 2 + 24 + 2 + 1, 8 + 1, 200 - 1, 32 - 1};
    {
        CCanvas canvas(220, 40, kPaper);
        CPaneRowState row = RowAt(2);
        row.thumbnail = small.get();
        row.text = L"not drawn";
        DrawRow(canvas, row, look);
        EXPECT_EQ(64, canvas.Count({cell.left, cell.top, cell.left + 8, cell.top + 8}, RGB(0, 0, 255)));
        EXPECT_EQ(64, canvas.Count(cell, RGB(0, 0, 255))) << "unscaled";
        EXPECT_EQ(look.background, canvas.At(cell.left + 20, cell.top + 4)) << "the rest of the cell";
    }
    {
        CCanvas canvas(220, 40, kPaper);
        CPaneRowState row = RowAt(2);
        row.thumbnail = huge.get();
        DrawRow(canvas, row, look);
        const int area = (cell.right - cell.left) * (cell.bottom - cell.top);
        EXPECT_EQ(area, canvas.Count(cell, RGB(0, 0, 0))) << "the cell is full";
        EXPECT_EQ(kPaper, canvas.At(205, 20)) << "and nothing beyond the row";
        EXPECT_NE(RGB(0, 0, 0), canvas.At(cell.right, cell.top + 4));
    }
}

// Rows from a table, as the pane would give them from its queue and list.
class CFakeRows : public IPaneRowSource {
public:
    std::map<int, CPaneRowState> states;
    bool GetRowState(int row, CPaneRowState& state, bool) override {
        auto found = states.find(row);
        if (found == states.end()) return false;
        state = found->second;
        return true;
    }
    bool GetRowRects(int row, CPaneRowRects& rects) override {
        rects = RowRects(row * 24);
        return states.count(row) != 0;
    }
};

TEST(PaneListCustomDraw, AnswersEachStageAndDrawsAfterTheItem) {
    CFakeRows rows;
    CPaneRowState newest, kept;
    kept.row = 1;
    kept.isProtected = true;
    rows.states[0] = newest;
    rows.states[1] = kept;
    const CPaneListLook look = Look();
    CCanvas canvas(220, 60, kPaper);

    NMLVCUSTOMDRAW draw = {};
    draw.nmcd.hdc = canvas.dc();
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW, OnPaneListCustomDraw(draw, rows, look));

    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = 1;
    draw.clrTextBk = RGB(1, 1, 1);
    EXPECT_EQ(CDRF_NOTIFYPOSTPAINT | CDRF_NEWFONT, OnPaneListCustomDraw(draw, rows, look));
    EXPECT_EQ(GetSysColor(COLOR_INFOBK), draw.clrTextBk);
    draw.nmcd.dwItemSpec = 7;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneListCustomDraw(draw, rows, look)) << "no such row";

    draw.nmcd.dwDrawStage = CDDS_ITEMPOSTPAINT;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneListCustomDraw(draw, rows, look));
    EXPECT_EQ(kPaper, canvas.At(100, 0)) << "nothing drawn for a missing row";
    draw.nmcd.dwItemSpec = 0;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneListCustomDraw(draw, rows, look));
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(100, 0)) << "the newest row's frame";

    draw.nmcd.dwDrawStage = CDDS_POSTPAINT;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneListCustomDraw(draw, rows, look));
}

TEST(PaneToolbar, CountTextAndBadgeWidth) {
    const struct {
        int count, selected;
        bool collapsed, elevated;
        const wchar_t* text;
    } kTexts[] = {
        {10, 3, false, false, L"3/10"}, {10, 3, true, false, L"10"}, {10, 0, false, false, L"10"},
        {10, 3, false, true, L"3/10^"}, {10, 3, true, true, L"10^"}, {0, 0, false, false, L"0"},
    };
    for (const auto& c : kTexts)
        EXPECT_STREQ(c.text, PaneCountText(c.count, c.selected, c.collapsed, c.elevated).GetString()) << c.text;

    const struct {
        int textWidth;
        bool elevated;
        int width;
    } kWidths[] = {{0, false, 24}, {0, true, 32}, {10, false, 19}, {11, false, 20}, {11, true, 28}};
    for (const auto& c : kWidths) EXPECT_EQ(c.width, PaneCountBadgeWidth(c.textWidth, c.elevated)) << c.textWidth;
}

CPaneToolbarState Strip(bool collapsed, bool elevated) {
    CPaneToolbarState state;
    state.count = 10;
    state.selected = 3;
    state.collapsed = collapsed;
    state.elevated = elevated;
    state.strip = {0, 0, 300, 24};
    state.caption = L"WWWW clipboard history";
    state.menuFont = GetDefaultGuiFont();
    return state;
}

TEST(PaneToolbar, TheStripShowsTheCountTheCaptionOrTheAppIcon) {
    CIconHandle app = MakeSolidIcon(14, RGB(0, 255, 0));
    const RECT rightEnd = {300 - 19, 5, 300 - 5, 19};
    const RECT caption = {80, 3, 280, 21};
    struct Case {
        const char* name;
        CPaneToolbarState state;
        COLORREF countColor, captionColor;
        bool iconShown;
    };
    Case cases[] = {
        {"expanded", Strip(false, false), RGB(255, 0, 0), RGB(255, 0, 0), false},
        {"expanded elevated", Strip(false, true), GetSysColor(COLOR_HIGHLIGHTTEXT), RGB(0, 0, 255), false},
        {"collapsed", Strip(true, false), RGB(255, 0, 0), kPaper, true},
    };
    for (auto& c : cases) {
        c.state.appIcon = app.get();
        CCanvas canvas(300, 24, kPaper);
        DrawPaneCaptionStrip(canvas.dc(), c.state);
        SIZE extent = {};
        {
            HGDIOBJ old = SelectObject(canvas.dc(), c.state.menuFont);
            const CString count = PaneCountText(10, 3, c.state.collapsed, c.state.elevated);
            GetTextExtentPoint32W(canvas.dc(), count, count.GetLength(), &extent);
            SelectObject(canvas.dc(), old);
        }
        const int badgeRight = PaneCountBadgeWidth(extent.cx, c.state.elevated);
        const int badgeFill = PaneBadgeColorIndex(c.state.collapsed, c.state.elevated);
        EXPECT_GT(canvas.Count({0, 0, badgeRight, 24}, GetSysColor(badgeFill)), 50) << c.name;
        EXPECT_GT(canvas.Count({4, 0, badgeRight, 24}, c.countColor), 5) << c.name;
        EXPECT_EQ(kPaper, canvas.At(badgeRight + 1, 1)) << c.name << ": transparent";
        if (c.captionColor != kPaper)
            EXPECT_GT(canvas.Count({badgeRight + 4, 3, 280, 21}, c.captionColor), 5) << c.name;
        else
            EXPECT_EQ(caption.right - badgeRight - 4, canvas.Count({badgeRight + 4, 3, 280, 4}, kPaper))
                << c.name << ": no caption";
        EXPECT_EQ(c.iconShown ? 14 * 14 : 0, canvas.Count(rightEnd, RGB(0, 255, 0))) << c.name;
    }
}

TEST(PaneToolbar, AlarmFillsTheStripRedWithYellowText) {
    CPaneToolbarState state = Strip(false, false);
    state.alarm = true;
    CCanvas canvas(300, 24, kPaper);
    DrawPaneCaptionStrip(canvas.dc(), state);
    EXPECT_EQ(RGB(255, 0, 0), canvas.At(295, 1));
    EXPECT_GT(canvas.Count({0, 0, 300, 24}, RGB(255, 255, 0)), 10);
}

TEST(PaneToolbar, CustomDrawAnswersAndDrawsTheCloseGlyphAndTheHighlightedButton) {
    CCanvas canvas(300, 60, kPaper);
    CPaneToolbarState state = Strip(false, false);
    NMTBCUSTOMDRAW draw = {};
    draw.nmcd.hdc = canvas.dc();
    draw.nmcd.dwDrawStage = CDDS_PREPAINT;
    EXPECT_EQ(CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT, OnPaneToolbarCustomDraw(draw, state));

    draw.nmcd.dwDrawStage = CDDS_ITEMPREPAINT;
    draw.nmcd.dwItemSpec = kPaneCloseButton;
    draw.nmcd.rc = {100, 30, 124, 54};
    EXPECT_EQ(CDRF_SKIPDEFAULT, OnPaneToolbarCustomDraw(draw, state));
    EXPECT_EQ(0, canvas.Count({105, 35, 119, 49}, kPaper)) << "the 14 x 14 glyph, centred";
    EXPECT_EQ(kPaper, canvas.At(104, 34));
    EXPECT_EQ(kPaper, canvas.At(119, 49));

    const RECT button = {200, 30, 224, 54};
    draw.nmcd.dwItemSpec = kPaneHighlightButton;
    draw.nmcd.rc = button;
    state.collapsed = true;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneToolbarCustomDraw(draw, state));
    EXPECT_EQ(24 * 24, canvas.Count(button, kPaper)) << "collapsed: drawn as usual";
    state.collapsed = false;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneToolbarCustomDraw(draw, state));
    EXPECT_EQ(24 * 24, canvas.Count(button, RGB(24, 237, 237)));

    draw.nmcd.dwDrawStage = CDDS_POSTPAINT;
    EXPECT_EQ(CDRF_DODEFAULT, OnPaneToolbarCustomDraw(draw, state));
    EXPECT_GT(canvas.Count(state.strip, RGB(255, 0, 0)), 10) << "the strip";
}

}  // namespace
