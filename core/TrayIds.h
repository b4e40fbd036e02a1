// Commands and private messages of the tray window. Several message numbers equal
// command ids: a message is never dispatched by a command's number or the reverse.
#pragma once

#include <windows.h>

// ---------------------------------------------------------------------------------------
// WM_COMMAND ids

const WORD ID_APP_ABOUT = 57664;
const WORD ID_APP_EXIT = 57665;
const WORD ID_OPEN_EDITOR = 32772;
const WORD ID_CHECK_FOR_UPDATES = 32791;
const WORD ID_FLOAT_PANE = 32792;       // toggles the float pane
const WORD ID_SHOW_FLOAT_PANE = 32800;  // the float pane, made when needed and shown
const WORD ID_SHOW_PHRASES_MENU = 32844;
// Commands at the end of the phrase menu (beside ID_OPEN_EDITOR and ID_FLOAT_PANE).
const WORD ID_SUPPORT = 32784;
const WORD ID_ADD_SELECTION_AS_PHRASE = 32826;
const WORD ID_RUN_AS_ADMIN = 32829;

// Commands of the float pane, its menus and its keyboard shortcuts.
const WORD ID_PANE_COPY = 32793;
const WORD ID_PANE_DELETE = 32796;
const WORD ID_PANE_MINIMIZE_TO_CAPTION = 32798;
const WORD ID_PANE_PIN = 32820;
const WORD ID_PANE_EDIT = 32828;
const WORD ID_PANE_SHOW_ALL_ITEMS = 32856;
const WORD ID_PANE_COLLAPSE = 32859;
const WORD ID_PANE_SELECT_ALL = 32861;

// First command id of the language menu's files.
const UINT kFirstLanguageCommandId = 33000;

// ---------------------------------------------------------------------------------------
// Private messages

// The tray window's own messages, by number.
const UINT WM_VXL_INSTALL_TRAY_ICON = WM_APP + 1;           // from the tray-icon installer; answer: on the tray
const UINT WM_VXL_TRAY_ICON_NOTIFY = WM_APP + 2;            // the shell's tray-icon callback
const UINT WM_VXL_QUERY = WM_APP + 3;                       // from the query thread: wParam query, lParam answer
const UINT WM_VXL_EDITOR_LAUNCH = WM_APP + 4;               // wParam 0 start failed, 1 started, 2 ended
const UINT WM_VXL_UPDATE_RESULT = WM_APP + 5;               // the update check's result
const UINT WM_VXL_EDITOR_ENDED = WM_APP + 6;                // the editor's coordination event
const UINT WM_VXL_GET_PANE_CAPTION = WM_APP + 7;            // lParam: CString* to fill; answer: its length
const UINT WM_VXL_ALT_TAB = WM_APP + 8;                     // wParam 0 from the hook, 1 activation
const UINT WM_VXL_INSTALL_CLIPBOARD_HISTORY = WM_APP + 10;  // wParam: first install; answer: installed
const UINT WM_VXL_ALLOW_WAIT_ANSWER = WM_APP + 11;          // answer: may the hook's answer be waited for
const UINT WM_VXL_COMMAND_FROM_SELF = WM_APP + 12;          // wParam: command id or -1; lParam: target
const UINT WM_VXL_IS_MENU_FREE = WM_APP + 13;               // answer 1 when the phrase menu is not shown
const UINT WM_VXL_REFRESH_AND_CHECK = WM_APP + 14;          // refresh the icon, check for updates when online
const UINT WM_VXL_GET_HISTORY_HANDLER = WM_APP + 15;        // answer: the clipboard-history handler
const UINT WM_VXL_HIDE_BALLOON = WM_APP + 16;
const UINT WM_VXL_HIDE_MENU_TOOLTIP = WM_APP + 17;
const UINT WM_VXL_QUERY_ERROR = WM_APP + 18;             // the query thread's wait failed
const UINT WM_VXL_SHOW_TRAY_MENU = WM_APP + 20;          // the tray menu at the cursor
const UINT WM_VXL_ITEM_ACTION = WM_APP + 21;             // wParam: action code; lParam: item id
const UINT WM_VXL_LANGUAGE_CHANGED = WM_APP + 22;        // the language-changed watcher
const UINT WM_VXL_FLOAT_PANE_BLINK = WM_APP + 24;        // wParam passed on to the pane
const UINT WM_VXL_GET_PANE_SELECTED_TEXT = WM_APP + 25;  // lParam: CString* to fill; answer 1 when not empty
const UINT WM_VXL_EDIT_TEXT = WM_APP + 26;               // lParam: const wchar_t* for the editor
const UINT WM_VXL_GET_PANE_ITEM_TEXT = WM_APP + 27;      // wParam: form; lParam: CString* to fill
const UINT WM_VXL_GET_PANE_ITEM_RECORD = WM_APP + 28;    // answer: the pane's focused item record
const UINT WM_VXL_GET_HISTORY_QUEUE = WM_APP + 29;       // answer: the clipboard-history queue
const UINT WM_VXL_LANGUAGE_CHOSEN = WM_APP + 30;         // wParam: command id; lParam: const std::vector<CString>*
const UINT WM_VXL_HIDE_TRAY_BALLOON = WM_APP + 31;
const UINT WM_VXL_SHOW_FLOAT_PANE = WM_APP + 32;     // posted; wParam: the asking thread's id
const UINT WM_VXL_FILL_LANGUAGE_MENU = WM_APP + 33;  // wParam: the menu to fill
const UINT WM_VXL_IS_HOTKEY_REGISTERED = WM_APP + 34;

// Timers of the tray window.
const UINT_PTR kTimerFloatPaneItem = 1244;      // the float pane's menu item stayed selected
const UINT_PTR kTimerBalloon = 1245;            // the balloon's time is up
const UINT_PTR kTimerShowPhraseMenu = 1247;     // Show Phrases Menu, after the tray menu has gone
const UINT_PTR kTimerStartLateWatchers = 1248;  // the watchers that wait until the desktop settled

// To the float pane: wParam 1 while its entry of the phrase menu is highlighted.
const UINT WM_VXL_PANE_ITEM_HIGHLIGHT = WM_APP + 22;

// ---------------------------------------------------------------------------------------
// Private messages of the clipboard-history handler window

const UINT WM_VXL_HISTORY_SAVE_NOW = WM_APP + 1;
// Posted by the asynchronous copy block when its time is up: ends the block.
const UINT WM_DELAY_UNLOCK = WM_APP + 2;

// WM_NOTIFY from the clipboard-history handler's window.
const UINT_PTR kHistoryControlId = 1333;
const UINT kHistoryNotifyChanged = 2816;       // the history changed
const UINT kHistoryNotifyCountChanged = 2817;  // refresh the tip and the pane's list

// What 2816 carries after its header.
enum HistoryChangeReason : DWORD {
    kHistoryCaptured = 0,      // a clipboard change of another program was captured
    kHistoryItemsRemoved = 1,  // items removed or the history cleared
    kHistoryFirstCapture = 2,  // the first capture when the handler was made
};
struct CHistoryChangedNotify {
    NMHDR header;
    DWORD reason;
};
