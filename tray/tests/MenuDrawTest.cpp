#include "tray/MenuDraw.h"

#include <gtest/gtest.h>

#include <set>

#include "core/TrayIds.h"

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
