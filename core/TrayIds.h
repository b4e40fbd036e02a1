// Commands and private messages of the tray window. Several message numbers equal
// command ids: a message is never dispatched by a command's number or the reverse.
#pragma once

#include <windows.h>

// ---------------------------------------------------------------------------------------
// WM_COMMAND ids

const WORD ID_APP_EXIT = 57665;
const WORD ID_OPEN_EDITOR = 32772;
const WORD ID_CHECK_FOR_UPDATES = 32791;

// First command id of the language menu's files.
const UINT kFirstLanguageCommandId = 33000;

// ---------------------------------------------------------------------------------------
// Private messages

// Sent or posted by watcher threads.
const UINT WM_VXL_SHOW_TRAY_MENU = 32788;
const UINT WM_VXL_LANGUAGE_CHANGED = 32790;
const UINT WM_VXL_FLOAT_PANE_BLINK = 32792;

// The tray icon: the installer thread's request to add it (answer non-zero when the icon
// is on the tray) and the shell's callback (lParam: the mouse message).
const UINT WM_VXL_INSTALL_TRAY_ICON = WM_APP + 1;
const UINT WM_VXL_TRAY_ICON_NOTIFY = WM_APP + 2;

// Requests to the tray window (sent unless said otherwise).
const UINT WM_VXL_ALLOW_WAIT_ANSWER = WM_APP + 11;    // answer: may the hook's answer be waited for
const UINT WM_VXL_GET_HISTORY_HANDLER = WM_APP + 15;  // answer: the clipboard-history handler
const UINT WM_VXL_HIDE_MENU_TOOLTIP = WM_APP + 17;
const UINT WM_VXL_GET_PANE_SELECTED_TEXT = WM_APP + 25;  // lParam: CString* to fill; answer 1 when not empty
const UINT WM_VXL_GET_HISTORY_QUEUE = WM_APP + 29;       // answer: the clipboard-history queue
const UINT WM_VXL_LANGUAGE_CHOSEN = WM_APP + 30;         // wParam: command id; lParam: const std::vector<CString>*
const UINT WM_VXL_HIDE_TRAY_BALLOON = WM_APP + 31;
const UINT WM_VXL_SHOW_FLOAT_PANE = WM_APP + 32;     // posted; wParam: the asking thread's id
const UINT WM_VXL_FILL_LANGUAGE_MENU = WM_APP + 33;  // wParam: the menu to fill
const UINT WM_VXL_IS_HOTKEY_REGISTERED = WM_APP + 34;

// To the float pane: wParam 1 while its entry of the phrase menu is highlighted.
const UINT WM_VXL_PANE_ITEM_HIGHLIGHT = WM_APP + 22;

// ---------------------------------------------------------------------------------------
// Private messages of the clipboard-history handler window

const UINT WM_VXL_HISTORY_SAVE_NOW = WM_APP + 1;
// Posted by the asynchronous copy block when its time is up: ends the block.
const UINT WM_DELAY_UNLOCK = WM_APP + 2;
