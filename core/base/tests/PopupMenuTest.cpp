#include "core/base/PopupMenu.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

MENUITEMINFOW MakeInfo(UINT mask) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = mask;
    return info;
}

std::wstring W(const CString& text) {
    return std::wstring(text.GetString());
}

// Owns a menu tree for one test.
struct CMenuTree {
    HMENU root = CreatePopupMenu();
    ~CMenuTree() { DestroyMenu(root); }
    HMENU AddPopup(HMENU parent, const wchar_t* text) {
        HMENU sub = CreatePopupMenu();
        AppendMenuW(parent, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(sub), text);
        return sub;
    }
};

// Root: "&File" (10), separator, "Edit…\tCtrl+E" (11), popup "&Tools" { 20, popup "M&ore" { 30,
// "Fish && Chips" 31 } }, popup "Third" { 40 }, "Last" 12.
struct CSampleMenu : CMenuTree {
    HMENU tools = nullptr;
    HMENU more = nullptr;
    HMENU third = nullptr;
    CSampleMenu() {
        AppendMenuW(root, MF_STRING, 10, L"&File");
        AppendMenuW(root, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(root, MF_STRING, 11, L"Edit\u2026\tCtrl+E");
        tools = AddPopup(root, L"&Tools");
        AppendMenuW(tools, MF_STRING, 20, L"Options.");
        more = AddPopup(tools, L"M&ore");
        AppendMenuW(more, MF_STRING, 30, L"Deep\u2026");
        AppendMenuW(more, MF_STRING, 31, L"Fish && Chips");
        third = AddPopup(root, L"Third");
        AppendMenuW(third, MF_STRING, 40, L"In third");
        AppendMenuW(root, MF_STRING, 12, L"Last");
    }
};

TEST(PopupMenuTest, EmptyMenuFindsNothing) {
    CMenuTree tree;
    EXPECT_EQ(-1, MenuGetItemPosByID(tree.root, 1));
    EXPECT_EQ(-1, MenuGetItemPosByIDFromEnd(1, tree.root));
    EXPECT_EQ(-1, MenuFindItemPosByID(tree.root, 1));
    EXPECT_EQ(-1, MenuFindItemPosByIDRange(tree.root, 1, 100));
    EXPECT_FALSE(MenuHasItemID(tree.root, 1));
    EXPECT_FALSE(MenuFindItemByID(tree.root, 1, nullptr, nullptr, true));
    EXPECT_EQ(L"", W(MenuGetItemTextByPos(tree.root, 0)));
    EXPECT_EQ(L"", W(MenuGetItemPathText(tree.root, 1, 100)));
    // Not a menu at all.
    EXPECT_EQ(-1, MenuGetItemPosByIDFromEnd(1, reinterpret_cast<HMENU>(0x1234)));
}

TEST(PopupMenuTest, PositionsById) {
    CSampleMenu menu;
    struct Case {
        UINT id;
        int direct;      // MenuGetItemPosByID
        int containing;  // MenuFindItemPosByID
        bool has;        // MenuHasItemID
    } cases[] = {
        {10, 0, 0, true},
        {11, 2, 2, true},
        {12, 5, 5, true},
        {20, -1, 3, true},
        {30, -1, 3, true},
        {31, -1, 3, true},
        {40, -1, 4, true},
        {99, -1, -1, false},
        // A separator's 0 and a submenu's -1 are no command ids.
        {0, -1, -1, false},
        {static_cast<UINT>(-1), -1, -1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(c.direct, MenuGetItemPosByID(menu.root, c.id));
        EXPECT_EQ(c.direct, MenuGetItemPosByIDFromEnd(c.id, menu.root));
        EXPECT_EQ(c.containing, MenuFindItemPosByID(menu.root, c.id));
        EXPECT_EQ(c.has, MenuHasItemID(menu.root, c.id));
    }
    EXPECT_EQ(4, MenuFindItemPosByIDRange(menu.root, 35, 45));
    EXPECT_EQ(3, MenuFindItemPosByIDRange(menu.root, 13, 35));
    EXPECT_EQ(-1, MenuFindItemPosByIDRange(menu.root, 41, 99));
}

TEST(PopupMenuTest, FromEndFindsTheLastOfTwins) {
    CMenuTree tree;
    AppendMenuW(tree.root, MF_STRING, 7, L"a");
    AppendMenuW(tree.root, MF_STRING, 8, L"b");
    AppendMenuW(tree.root, MF_STRING, 7, L"c");
    EXPECT_EQ(0, MenuGetItemPosByID(tree.root, 7));
    EXPECT_EQ(2, MenuGetItemPosByIDFromEnd(7, tree.root));
}

struct CVisits {
    std::vector<HMENU> menus;
    bool answer = true;
};

bool RecordVisit(HMENU menu, UINT, void* context) {
    auto* visits = static_cast<CVisits*>(context);
    visits->menus.push_back(menu);
    return visits->answer;
}

TEST(PopupMenuTest, FindCallsBackAndStops) {
    CMenuTree tree;
    AppendMenuW(tree.root, MF_STRING, 5, L"a");
    AppendMenuW(tree.root, MF_STRING, 5, L"b");
    HMENU sub = tree.AddPopup(tree.root, L"sub");
    AppendMenuW(sub, MF_STRING, 5, L"c");
    AppendMenuW(tree.root, MF_STRING, 5, L"d");

    CVisits all;
    EXPECT_TRUE(MenuFindItemByID(tree.root, 5, RecordVisit, &all, false));
    EXPECT_EQ((std::vector<HMENU>{tree.root, tree.root, tree.root}), all.menus);

    // Into submenus, a hit there ends the walk: "d" is not visited.
    CVisits deep;
    EXPECT_TRUE(MenuFindItemByID(tree.root, 5, RecordVisit, &deep, true));
    EXPECT_EQ((std::vector<HMENU>{tree.root, tree.root, sub}), deep.menus);

    CVisits first;
    first.answer = false;
    EXPECT_TRUE(MenuFindItemByID(tree.root, 5, RecordVisit, &first, true));
    EXPECT_EQ(1u, first.menus.size());

    EXPECT_FALSE(MenuFindItemByID(tree.root, 6, RecordVisit, &first, true));
}

TEST(PopupMenuTest, TextsAndCaptions) {
    CSampleMenu menu;
    EXPECT_EQ(L"File", W(MenuGetItemTextByPos(menu.root, 0)));
    EXPECT_EQ(L"Tools", W(MenuGetItemTextByPos(menu.root, 3)));
    EXPECT_EQ(L"", W(MenuGetItemTextByPos(menu.root, 1)));   // separator
    EXPECT_EQ(L"", W(MenuGetItemTextByPos(menu.root, 99)));  // past the end
    EXPECT_EQ(L"", W(MenuGetItemTextByPos(menu.root, -1)));

    struct Case {
        UINT id;
        const wchar_t* text;
        const wchar_t* caption;
    } cases[] = {
        {10, L"File", L"File"}, {11, L"Edit\u2026\tCtrl+E", L"Edit"},   {20, L"Options.", L"Options"},
        {30, L"Deep", L"Deep"}, {31, L"Fish & Chips", L"Fish & Chips"}, {99, L"", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(c.text, W(MenuGetItemTextByID(menu.root, c.id)));
        EXPECT_EQ(c.caption, W(MenuGetItemCaptionByID(menu.root, c.id)));
    }

    // A tab in front is no shortcut column: the text stays whole.
    CMenuTree tree;
    AppendMenuW(tree.root, MF_STRING, 1, L"\tIndented");
    EXPECT_EQ(L"\tIndented", W(MenuGetItemCaptionByID(tree.root, 1)));
}

TEST(PopupMenuTest, PathText) {
    CSampleMenu menu;
    EXPECT_EQ(L"Tools\\More\\Fish & Chips", W(MenuGetItemPathText(menu.root, 31, 31)));
    EXPECT_EQ(L"Tools\\Options.", W(MenuGetItemPathText(menu.root, 20, 39)));
    EXPECT_EQ(L"Third\\In third", W(MenuGetItemPathText(menu.root, 40, 40)));
    EXPECT_EQ(L"File", W(MenuGetItemPathText(menu.root, 10, 10)));
    EXPECT_EQ(L"", W(MenuGetItemPathText(menu.root, 50, 60)));
}

TEST(PopupMenuTest, InsertAndSetText) {
    CMenuTree tree;
    ASSERT_TRUE(MenuInsertItemOrSeparator(tree.root, L"one", 1, 0));
    ASSERT_TRUE(MenuInsertItemOrSeparator(tree.root, nullptr, 0, 0));
    ASSERT_TRUE(MenuInsertItemOrSeparator(tree.root, L"", 2, 99));  // past the end: appended
    ASSERT_EQ(3, GetMenuItemCount(tree.root));
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(tree.root, 0, MF_BYPOSITION) & MF_SEPARATOR);
    EXPECT_EQ(1u, GetMenuItemID(tree.root, 1));
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(tree.root, 2, MF_BYPOSITION) & MF_SEPARATOR);

    EXPECT_TRUE(MenuSetItemText(tree.root, L"&Uno", 1, false));
    EXPECT_EQ(L"Uno", W(MenuGetItemTextByID(tree.root, 1)));
    EXPECT_TRUE(MenuSetItemText(tree.root, L"Eins", 1, true));
    EXPECT_EQ(L"Eins", W(MenuGetItemTextByPos(tree.root, 1)));
    EXPECT_FALSE(MenuSetItemText(tree.root, L"x", 77, false));

    EXPECT_TRUE(MenuSetItemTextType(L"Typed", 1, tree.root));
    EXPECT_EQ(L"Typed", W(MenuGetItemTextByID(tree.root, 1)));
    EXPECT_FALSE(MenuSetItemTextType(L"x", 77, tree.root));
}

TEST(PopupMenuTest, RadioCheckKeepsOtherTypeBits) {
    CMenuTree tree;
    AppendMenuW(tree.root, MF_STRING, 1, L"one");
    AppendMenuW(tree.root, MF_STRING | MF_MENUBREAK, 2, L"two");
    for (UINT id : {1u, 2u}) {
        SCOPED_TRACE(id);
        MENUITEMINFOW info = MakeInfo(MIIM_FTYPE | MIIM_STATE);
        ASSERT_TRUE(MenuSetItemRadioCheck(true, id, tree.root));
        ASSERT_TRUE(GetMenuItemInfoW(tree.root, id, FALSE, &info));
        EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
        EXPECT_TRUE(info.fState & MFS_CHECKED);
        EXPECT_EQ(id == 2, (info.fType & MFT_MENUBREAK) != 0);

        ASSERT_TRUE(MenuSetItemRadioCheck(false, id, tree.root));
        ASSERT_TRUE(GetMenuItemInfoW(tree.root, id, FALSE, &info));
        EXPECT_FALSE(info.fType & MFT_RADIOCHECK);
        EXPECT_FALSE(info.fState & MFS_CHECKED);
        EXPECT_EQ(id == 2, (info.fType & MFT_MENUBREAK) != 0);
    }
    EXPECT_FALSE(MenuSetItemRadioCheck(true, 3, tree.root));
}

TEST(PopupMenuTest, Bitmaps) {
    CMenuTree tree;
    AppendMenuW(tree.root, MF_STRING, 1, L"one");
    AppendMenuW(tree.root, MF_STRING, 2, L"two");
    struct Case {
        bool (*set)(HMENU, UINT, bool);
        HBITMAP expected;
    } cases[] = {{MenuSetItemBitmapPopupMaximize, HBMMENU_POPUP_MAXIMIZE},
                 {MenuSetItemBitmapMbarClose, HBMMENU_MBAR_CLOSE}};
    for (const Case& c : cases) {
        MENUITEMINFOW info = MakeInfo(MIIM_BITMAP);
        ASSERT_TRUE(c.set(tree.root, 2, false));
        ASSERT_TRUE(GetMenuItemInfoW(tree.root, 2, FALSE, &info));
        EXPECT_EQ(c.expected, info.hbmpItem);
        ASSERT_TRUE(c.set(tree.root, 0, true));
        ASSERT_TRUE(GetMenuItemInfoW(tree.root, 1, FALSE, &info));
        EXPECT_EQ(c.expected, info.hbmpItem);
    }
    EXPECT_FALSE(MenuSetItemBitmap(tree.root, 9, HBMMENU_MBAR_CLOSE));
}

TEST(PopupMenuTest, SysCommandIds) {
    for (UINT id : {SC_SIZE, SC_MOVE, SC_MINIMIZE, SC_MAXIMIZE, SC_CLOSE, SC_RESTORE})
        EXPECT_TRUE(IsSysCommandID(id)) << id;
    for (UINT id : {0u, 1u, static_cast<UINT>(SC_KEYMENU), static_cast<UINT>(SC_SCREENSAVE), 32772u})
        EXPECT_FALSE(IsSysCommandID(id)) << id;
}

}  // namespace
