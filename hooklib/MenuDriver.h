// The menu the hook library shows inside the target program when it waits for the main
// program's answer, and the WM_COPYDATA record that reports the choice back. Runs on the
// target's UI thread inside the message hook.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "hooklib/HookRecords.h"
#include "hooklib/PhraseNode.h"

// Menu item identifiers are the command ids moved up by this much.
const UINT kMenuCommandBase = 0xF000;
// Characters of the target's class name a reply carries.
const int kReplyClassNameChars = 64;

#pragma pack(push, 1)
struct WP_CMD_RESULT {
    int32_t cmdId;  // -1: nothing chosen
    wchar_t className[kReplyClassNameChars + 1];
    uint32_t window;
    uint32_t flags;
};
#pragma pack(pop)
static_assert(sizeof(WP_CMD_RESULT) == 142, "command reply");
static_assert(offsetof(WP_CMD_RESULT, className) == 4, "command reply");
static_assert(offsetof(WP_CMD_RESULT, window) == 134, "command reply");
static_assert(offsetof(WP_CMD_RESULT, flags) == 138, "command reply");

// Binds the shared data the driver takes the exchange names and the main window from.
void AttachMenuDriver(const CWPSharedData* shared);
// The monitored message's handler (see SetMonitoredMessageProc).
void MenuDriverProc(WPARAM wParam, DWORD flags);
// 1 when a menu was shown, else 0.
int RunMenuDriver(WPARAM wParam, DWORD flags);

// Appends the items to the menu: separators, sub-menus (an empty one is left out) and
// commands as kMenuCommandBase + CMDID; a new column every `perColumn` commands of the
// same list (-1: one column).
void BuildMenu(HMENU menu, const CPhraseNodeList& items, int perColumn);
// The chosen identifier, or 0. `cursorBeforeWait` is shown again while the menu is open.
UINT TrackMenu(HMENU menu, POINT point, HWND target, bool sound, bool atMouse, HCURSOR cursorBeforeWait = nullptr);

// The reply for the chosen item and the target window; the class name is cut to
// kReplyClassNameChars characters.
WP_CMD_RESULT MakeCommandReply(const CPhraseNode& item, HWND target);
// Nothing chosen: command id -1, empty class, window 0, flags 0.
WP_CMD_RESULT MakeCancelReply();
// Sends the record by WM_COPYDATA to the main window; false when that window is gone or
// did not take it.
bool SendCommandReply(HWND mainWindow, DWORD replyTag, const WP_CMD_RESULT& reply);

// Activates the first installed keyboard layout of the language; true when one was.
bool ActivateLayoutOfLanguage(WORD languageId);
// True when the executable path names "chrome.exe", in any case.
bool IsChromeProgram(const wchar_t* executablePath);
// Where the menu opens: the mouse pointer, or 15 pixels below the caret of the calling
// thread in the target window (the pointer when there is no caret).
POINT GetMenuPoint(HWND target, bool atMouse);
