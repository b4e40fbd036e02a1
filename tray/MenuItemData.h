// The record every item of the phrase menu carries as its item data (MIIM_DATA), and what
// the drawing code and the menu tool tips read from it: the item's icon, its number.
//
// Command ids of the phrase menu. One menu holds phrases, clips and fixed commands, and a
// chosen id must say which without doubt, so each has a range of its own, all below the
// tray's fixed commands (32769 and up) and inside the 16 bits that WM_COMMAND carries:
//   1 .. 23999       phrases: their id in the phrase tree (a phrase with a larger id is
//                    left out of the menu and logged);
//   24000 .. 31999   clips: 24000 + the clip's place in the history, newest 0 (clips past
//                    the 8000th are left out);
//   32772, 32784, 32792, 32826, 32829   the extra commands (core/TrayIds.h).
// The number drawn beside a clip is its place + 1, however its id is made.
#pragma once

#include <windows.h>

#include "core/TrayIds.h"
#include "core/base/CString.h"

const UINT kFirstPhraseMenuId = 1;
const UINT kLastPhraseMenuId = 23999;
const UINT kFirstClipMenuId = 24000;
const UINT kLastClipMenuId = 31999;
const int kMaxClipsInMenu = static_cast<int>(kLastClipMenuId - kFirstClipMenuId + 1);

static_assert(kLastPhraseMenuId < kFirstClipMenuId, "phrase and clip ids must not meet");
static_assert(kLastClipMenuId < ID_OPEN_EDITOR && kLastClipMenuId < ID_SUPPORT && kLastClipMenuId < ID_FLOAT_PANE &&
                  kLastClipMenuId < ID_ADD_SELECTION_AS_PHRASE && kLastClipMenuId < ID_RUN_AS_ADMIN,
              "clip ids must stay below the fixed commands");

inline bool IsPhraseMenuId(UINT id) {
    return id >= kFirstPhraseMenuId && id <= kLastPhraseMenuId;
}
inline bool IsClipMenuId(UINT id) {
    return id >= kFirstClipMenuId && id <= kLastClipMenuId;
}
// The clip's place in the history (newest 0), or -1 for any other id.
inline int ClipIndexFromMenuId(UINT id) {
    return IsClipMenuId(id) ? static_cast<int>(id - kFirstClipMenuId) : -1;
}
// 0 when the place has no id.
inline UINT ClipMenuIdFromIndex(int index) {
    return index >= 0 && index < kMaxClipsInMenu ? kFirstClipMenuId + static_cast<UINT>(index) : 0;
}

// Kind flags of an item.
const DWORD kMenuItemOpensSubmenu = 16;
const DWORD kMenuItemSeparator = 2048;
// Marks of an item.
const DWORD kMenuMarkDefault = 0x1;  // red text and frame: the last chosen phrase
const DWORD kMenuMarkSection = 0x2;  // last-used items, latest groups and their separators

const int kMenuInfoTextChars = 256;  // the fixed texts, terminator included
const int kMaxMenuTipChars = 4000;

// One per item, separators included. Created with the item, freed by CleanupMenu.
struct M_INFO {
    M_INFO();
    ~M_INFO();
    M_INFO(const M_INFO&) = delete;
    M_INFO& operator=(const M_INFO&) = delete;

    void SetTip(const CString& text);  // cut to kMaxMenuTipChars
    void SetCaption(const CString& text);
    void SetRightText(const CString& text);
    void SetCommandText(const CString& text);

    CString tipText;
    wchar_t caption[kMenuInfoTextChars];
    // Read by the tool tips and the tracker's right-button handler; empty in the phrase menu.
    CString note;
    // The layout mark of a phrase; the label of a separator.
    wchar_t rightText[kMenuInfoTextChars];
    // The phrase's command text (its start): chooses the icon.
    wchar_t commandText[kMenuInfoTextChars];
    DWORD isHistoryItem;
    DWORD isPictureItem;       // clip of kind 4
    DWORD isSisterFormatItem;  // clip of kind 3 (Dorvane data)
    // 0 text, 1 formatted text, 2 command to run.
    DWORD dataType;
    // Phrases: running number within their menu level (drives the row shading); popups:
    // their position; clips: their place in the history.
    DWORD index;
    DWORD kindFlags;
    // The menu id; 0 for separators, popups and the extra commands.
    DWORD commandId;
    // Where in the caption the caret mark stands; -1 for none.
    int caretPos;
    // Last-used items: their place in that block from 0; else -1.
    int number;
    DWORD marks;
};

// How many records exist in the process: a menu freed by CleanupMenu leaves none behind.
long GetLiveMenuInfoCount();

// The item data of the item (by position or command id); null when it has none.
M_INFO* GetMenuItemInfoRecord(HMENU menu, UINT item, bool byPosition);

// Icon kinds.
enum MenuIconKind {
    kMenuIconText = 0,       // shell icon of ".txt"
    kMenuIconRtf = 1,        // resource 223
    kMenuIconProgram = 2,    // resource 204
    kMenuIconSister = 3,     // shell icon of ".dvn"
    kMenuIconSearch = 4,     // resource 230
    kMenuIconTranslate = 5,  // resource 250
    kMenuIconSearch2 = 6,    // resource 231
    kMenuIconWeb = 7,        // resource 234
};
int GetMenuIconKind(const M_INFO& info);
// The icon resource of a kind; 0 for the kinds drawn with a shell icon.
UINT GetMenuIconResource(int kind);
// The extension whose shell icon a kind takes; null for the resource kinds.
const wchar_t* GetMenuIconExtension(int kind);

// The number drawn in front of the caption: clips count 1, 2, 3 ... from the newest,
// last-used items their place + 1; -1 when none is drawn (submenus and the rest).
int GetMenuItemDrawnNumber(const M_INFO& info);
