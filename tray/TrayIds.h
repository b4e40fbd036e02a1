// Commands and private messages of the tray window. Several message numbers equal
// command ids: a message is never dispatched by a command's number or the reverse.
#pragma once

#include <windows.h>

// WM_COMMAND ids.
const WORD ID_APP_EXIT = 57665;
const WORD ID_OPEN_EDITOR = 32772;
const WORD ID_CHECK_FOR_UPDATES = 32791;

// Window messages sent or posted by watcher threads.
const UINT WM_VXL_SHOW_TRAY_MENU = 32788;
const UINT WM_VXL_LANGUAGE_CHANGED = 32790;
const UINT WM_VXL_FLOAT_PANE_BLINK = 32792;

// Timer that starts the watchers which may wait until the desktop has settled.
const UINT_PTR kTimerStartLateWatchers = 1;
