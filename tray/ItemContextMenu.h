// The small menu that a right click on an item of the phrase menu opens: which commands
// it holds for which item, which of them are greyed, and the action code each one hands to
// the tray window. No window here; the tracker window shows it.
#pragma once

#include <windows.h>

#include <vector>

#include "core/MenuResourceIds.h"

const UINT ID_ITEM_COPY = 32797;
const UINT ID_ITEM_COPY_EXCLUDE_SYMBOLS = 32864;
const UINT ID_ITEM_OPEN_AS_URL = IDM_ITEM_OPEN_AS_URL;
const UINT ID_ITEM_EDIT = 32828;
const UINT ID_ITEM_OPEN_WITH = IDM_ITEM_OPEN_WITH;
const UINT ID_ITEM_SEARCH_GOOGLE = 32834;
const UINT ID_ITEM_SEARCH_YANDEX = 32835;
const UINT ID_ITEM_SEARCH_WIKIPEDIA = 32837;
const UINT ID_ITEM_SEARCH_MSDN = 32836;

struct CItemContextEntry {
    UINT id = 0;  // 0: a separator
    bool grayed = false;
};

// The entries in menu order for an item: a clip or a phrase, disabled or not, a folder
// or not.
std::vector<CItemContextEntry> BuildItemContextEntries(bool historyItem, bool disabled, bool folder);
// The action code of a command (0 Copy ... 8 Wikipedia); -1 for any other id.
int ItemContextActionCode(UINT id);
// The web searches also close the phrase menu: the browser takes over.
bool ItemContextCommandClosesMenu(UINT id);
