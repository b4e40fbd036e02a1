#include "tray/ItemContextMenu.h"

namespace {

struct CAction {
    UINT id;
    int code;
};

const CAction kActions[] = {
    {ID_ITEM_COPY, 0},
    {ID_ITEM_COPY_EXCLUDE_SYMBOLS, 1},
    {ID_ITEM_OPEN_AS_URL, 2},
    {ID_ITEM_EDIT, 3},
    {ID_ITEM_OPEN_WITH, 4},
    {ID_ITEM_SEARCH_GOOGLE, 5},
    {ID_ITEM_SEARCH_YANDEX, 6},
    {ID_ITEM_SEARCH_MSDN, 7},
    {ID_ITEM_SEARCH_WIKIPEDIA, 8},
};

bool IsSearch(UINT id) {
    return id == ID_ITEM_SEARCH_GOOGLE || id == ID_ITEM_SEARCH_YANDEX || id == ID_ITEM_SEARCH_WIKIPEDIA ||
           id == ID_ITEM_SEARCH_MSDN;
}

}  // namespace

std::vector<CItemContextEntry> BuildItemContextEntries(bool historyItem, bool disabled, bool folder) {
    const UINT order[] = {ID_ITEM_COPY,
                          ID_ITEM_COPY_EXCLUDE_SYMBOLS,
                          ID_ITEM_OPEN_AS_URL,
                          0,
                          ID_ITEM_EDIT,
                          ID_ITEM_OPEN_WITH,
                          0,
                          ID_ITEM_SEARCH_GOOGLE,
                          ID_ITEM_SEARCH_YANDEX,
                          ID_ITEM_SEARCH_WIKIPEDIA,
                          ID_ITEM_SEARCH_MSDN};
    std::vector<CItemContextEntry> entries;
    for (UINT id : order) {
        CItemContextEntry entry;
        entry.id = id;
        // A disabled item has nothing to open or look up.
        if (disabled && (id == ID_ITEM_OPEN_AS_URL || IsSearch(id))) entry.grayed = true;
        if (!historyItem) {
            // Only clips are edited or opened with a program.
            if (id == ID_ITEM_EDIT || id == ID_ITEM_OPEN_WITH) entry.grayed = true;
            if (id == ID_ITEM_OPEN_AS_URL && (disabled || folder)) entry.grayed = true;
        } else if (disabled || folder) {
            if (id == ID_ITEM_COPY_EXCLUDE_SYMBOLS || id == ID_ITEM_OPEN_AS_URL) entry.grayed = true;
        }
        entries.push_back(entry);
    }
    return entries;
}

int ItemContextActionCode(UINT id) {
    for (const CAction& action : kActions)
        if (action.id == id) return action.code;
    return -1;
}

bool ItemContextCommandClosesMenu(UINT id) {
    return IsSearch(id);
}
