#include "tray/MenuDraw.h"

#include <gtest/gtest.h>

#include <set>

#include "core/TrayIds.h"
#include "core/WindowHelpers.h"
#include "core/base/Handles.h"

namespace {

TEST(MenuFonts, EachStyleHasItsOwnFontMadeOnceAndTheIndexFollowsTheFlags) {
    CMenuFontCache fonts;
    std::set<HFONT> made;
    std::set<int> indexes;
    for (int bits = 0; bits < 8; ++bits) {
        const bool bold = bits & 1, italic = bits & 2, underline = bits & 4;
        HFONT font = fonts.Get(bold, italic, underline);
        ASSERT_NE(nullptr, font);
        EXPECT_EQ(font, fonts.Get(bold, italic, underline)) << "made once";
        LOGFONTW logFont = {};
        ASSERT_TRUE(GetObjectW(font, sizeof logFont, &logFont));
        EXPECT_EQ(bold ? FW_BOLD : FW_NORMAL, logFont.lfWeight);
        EXPECT_EQ(italic, logFont.lfItalic != 0);
        EXPECT_EQ(underline, logFont.lfUnderline != 0);
        made.insert(font);
        indexes.insert(CMenuFontCache::IndexOf(bold, italic, underline));
    }
    EXPECT_EQ(8u, made.size());
    EXPECT_EQ((std::set<int>{0, 1, 2, 3, 4, 5, 6, 7}), indexes);
    EXPECT_EQ(5, CMenuFontCache::IndexOf(true, false, true));
}

TEST(MenuFonts, ExtraCommandsAreBoldAndDataTypesChooseTheStyle) {
    M_INFO info;
    const struct {
        UINT id;
        DWORD dataType;
        bool bold, italic, underline;
    } kCases[] = {
        {ID_OPEN_EDITOR, 2, true, false, false},
        {5, 0, false, false, false},
        {5, 1, false, true, false},
        {5, 2, false, false, true},
    };
    for (const auto& c : kCases) {
        info.dataType = c.dataType;
        const CMenuItemFont font = MenuItemFontOf(c.id, info);
        EXPECT_EQ(c.bold, font.bold) << c.id << "/" << c.dataType;
        EXPECT_EQ(c.italic, font.italic) << c.id << "/" << c.dataType;
        EXPECT_EQ(c.underline, font.underline) << c.id << "/" << c.dataType;
    }
}

TEST(MenuMeasure, SizesFollowTheTextAndTheKindOfItem) {
    CMenuFontCache fonts;
    const int menuHeight = 19;
    auto measure = [&](M_INFO& info) {
        MEASUREITEMSTRUCT item = {};
        item.itemData = reinterpret_cast<ULONG_PTR>(&info);
        EXPECT_TRUE(MeasureMenuItem(item, menuHeight, fonts));
        return item;
    };
    M_INFO empty;
    MEASUREITEMSTRUCT item = measure(empty);
    EXPECT_EQ(129u, item.itemWidth) << "an empty caption measures 100 + 29";
    EXPECT_EQ(23u, item.itemHeight);

    M_INFO shortText, longText;
    shortText.SetCaption(L"ab");
    longText.SetCaption(L"ab");
    longText.SetRightText(L"+EN");
    EXPECT_LT(measure(shortText).itemWidth, measure(longText).itemWidth) << "the right text counts";

    M_INFO submenu;
    submenu.SetCaption(L"Folder");
    submenu.kindFlags = kMenuItemOpensSubmenu;
    EXPECT_EQ(27u, measure(submenu).itemHeight);

    M_INFO separator;
    separator.kindFlags = kMenuItemSeparator;
    EXPECT_EQ(12u, measure(separator).itemHeight) << "two thirds of the menu height";
    M_INFO labelled;
    labelled.kindFlags = kMenuItemSeparator;
    labelled.SetRightText(L"Clips");
    EXPECT_EQ(23u, measure(labelled).itemHeight);

    MEASUREITEMSTRUCT none = {};
    none.itemHeight = 7;
    EXPECT_FALSE(MeasureMenuItem(none, menuHeight, fonts));
    EXPECT_EQ(7u, none.itemHeight) << "an item without a record keeps its size";
    none.itemData = 0x10;
    EXPECT_FALSE(MeasureMenuItem(none, menuHeight, fonts)) << "nothing of this program lies there";
}

}  // namespace

namespace {

// A 200 x 24 item painted into a memory bitmap, read back by pixel.
class CPaintedItem {
public:
    CPaintedItem() : m_dc(CreateCompatibleDC(nullptr)) {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_bitmap.reset(CreateDIBSection(m_dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
        m_old = SelectObject(m_dc.get(), m_bitmap.get());
    }
    ~CPaintedItem() { SelectObject(m_dc.get(), m_old); }

    void Paint(const M_INFO& info, UINT id, UINT state = 0) {
        RECT all = {0, 0, kWidth, kHeight};
        FillRect(m_dc.get(), &all, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
        DRAWITEMSTRUCT draw = {};
        draw.CtlType = ODT_MENU;
        draw.itemID = id;
        draw.itemState = state;
        draw.hDC = m_dc.get();
        draw.rcItem = all;
        draw.itemData = reinterpret_cast<ULONG_PTR>(&info);
        DrawMenuItem(draw, m_fonts);
    }
    COLORREF At(int x, int y) const { return GetPixel(m_dc.get(), x, y); }

    static const int kWidth = 200;
    static const int kHeight = 24;

private:
    CMemoryDC m_dc;
    CGdiHandle<HBITMAP> m_bitmap;
    HGDIOBJ m_old = nullptr;
    CMenuFontCache m_fonts;
};

TEST(MenuDraw, OddRowsAreShadedButNotTheLastUsedOnes) {
    CPaintedItem item;
    const COLORREF menu = GetSysColor(COLOR_MENU);
    const struct {
        DWORD index;
        DWORD marks;
        DWORD history;
        COLORREF expected;
    } kCases[] = {
        {0, 0, 0, menu},
        {1, 0, 0, DarkenColor(menu, 12)},
        {2, 0, 0, menu},
        {3, kMenuMarkSection, 0, GetSysColor(COLOR_WINDOW)},
        {0, 0, 1, GetSysColor(COLOR_INFOBK)},
    };
    for (const auto& c : kCases) {
        M_INFO info;
        info.SetCaption(L"x");
        info.index = c.index;
        info.marks = c.marks;
        info.isHistoryItem = c.history;
        item.Paint(info, 7);
        EXPECT_EQ(c.expected, item.At(150, 12)) << "row " << c.index << " marks " << c.marks;
    }
}

TEST(MenuDraw, TheLastChosenPhraseHasARedFrameAndSeparatorsALine) {
    CPaintedItem item;
    const COLORREF red = RGB(255, 0, 0);
    M_INFO chosen;
    chosen.SetCaption(L"chosen");
    chosen.marks = kMenuMarkDefault;
    item.Paint(chosen, 7);
    EXPECT_EQ(red, item.At(120, 0));
    EXPECT_EQ(red, item.At(CPaintedItem::kWidth - 1, 12));
    EXPECT_EQ(red, item.At(120, CPaintedItem::kHeight - 1));

    M_INFO plain;
    plain.SetCaption(L"plain");
    item.Paint(plain, 8);
    EXPECT_NE(red, item.At(120, 0)) << "no frame without the mark";

    M_INFO separator;
    separator.kindFlags = kMenuItemSeparator;
    item.Paint(separator, 0);
    EXPECT_EQ(RGB(0, 0, 0), item.At(100, CPaintedItem::kHeight / 2));
    EXPECT_EQ(GetSysColor(COLOR_MENU), item.At(100, 3));
    EXPECT_NE(RGB(0, 0, 0), item.At(5, CPaintedItem::kHeight / 2)) << "the line starts 11 pixels in";
}

}  // namespace
