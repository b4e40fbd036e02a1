#include "tray/ItemContextMenu.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

std::set<UINT> Grayed(const std::vector<CItemContextEntry>& entries) {
    std::set<UINT> grayed;
    for (const CItemContextEntry& entry : entries)
        if (entry.grayed) grayed.insert(entry.id);
    return grayed;
}

TEST(ItemContextMenu, TheEnablingFollowsTheKindAndStateOfTheItem) {
    const std::set<UINT> searches = {ID_ITEM_SEARCH_GOOGLE, ID_ITEM_SEARCH_YANDEX, ID_ITEM_SEARCH_WIKIPEDIA,
                                     ID_ITEM_SEARCH_MSDN};
    auto with = [](std::set<UINT> a, const std::set<UINT>& b) {
        a.insert(b.begin(), b.end());
        return a;
    };
    const struct {
        const char* name;
        bool history, disabled, folder;
        std::set<UINT> grayed;
    } kCases[] = {
        {"a phrase", false, false, false, {ID_ITEM_EDIT, ID_ITEM_OPEN_WITH}},
        {"a folder", false, false, true, {ID_ITEM_EDIT, ID_ITEM_OPEN_WITH, ID_ITEM_OPEN_AS_URL}},
        {"a disabled phrase", false, true, false,
         with({ID_ITEM_EDIT, ID_ITEM_OPEN_WITH, ID_ITEM_OPEN_AS_URL}, searches)},
        {"a clip", true, false, false, {}},
        {"a clip folder", true, false, true, {ID_ITEM_COPY_EXCLUDE_SYMBOLS, ID_ITEM_OPEN_AS_URL}},
        {"a disabled clip", true, true, false, with({ID_ITEM_COPY_EXCLUDE_SYMBOLS, ID_ITEM_OPEN_AS_URL}, searches)},
    };
    for (const auto& c : kCases) {
        const std::vector<CItemContextEntry> entries = BuildItemContextEntries(c.history, c.disabled, c.folder);
        ASSERT_EQ(11u, entries.size()) << c.name;
        EXPECT_EQ(0u, entries[3].id) << c.name << ": separator after the copy commands";
        EXPECT_EQ(0u, entries[6].id) << c.name << ": separator before the searches";
        EXPECT_EQ(c.grayed, Grayed(entries)) << c.name;
        EXPECT_FALSE(entries[0].grayed) << c.name << ": Copy is always there";
    }
}

TEST(ItemContextMenu, EachCommandHandsItsActionCodeAndOnlySearchesCloseTheMenu) {
    const struct {
        UINT id;
        int code;
        bool closes;
    } kCases[] = {
        {ID_ITEM_COPY, 0, false},
        {ID_ITEM_COPY_EXCLUDE_SYMBOLS, 1, false},
        {ID_ITEM_OPEN_AS_URL, 2, false},
        {ID_ITEM_EDIT, 3, false},
        {ID_ITEM_OPEN_WITH, 4, false},
        {ID_ITEM_SEARCH_GOOGLE, 5, true},
        {ID_ITEM_SEARCH_YANDEX, 6, true},
        {ID_ITEM_SEARCH_MSDN, 7, true},
        {ID_ITEM_SEARCH_WIKIPEDIA, 8, true},
        {12345, -1, false},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.code, ItemContextActionCode(c.id)) << c.id;
        EXPECT_EQ(c.closes, ItemContextCommandClosesMenu(c.id)) << c.id;
    }
}

}  // namespace
