// Rules of the tray window that need no window: what a session change does to the
// clipboard spy, and which WM_COPYDATA replies are taken. The tray window feeds them the
// messages; tests feed them tables.
#pragma once

#include <windows.h>

#include "core/TrayHistory.h"
#include "core/base/CString.h"

// +1 for console connect, logon and unlock; -1 for console disconnect, logoff and lock;
// 0 for every other reason.
int SessionChangeDirection(WPARAM reason);

// The spy stops while the session is away from the user and comes back with them, but only
// when it was the session that stopped it.
class CSessionRule {
public:
    void OnSessionChange(WPARAM reason, DWORD sessionId, ITrayClipboardHistory& history);
    bool SpyRemovedBySession() const { return m_spyRemovedBySession; }

private:
    bool m_spyRemovedBySession = false;
};

// The hook library's command reply: the value in COPYDATASTRUCT::dwData and the exact size
// of the record in cbData.
const ULONG_PTR kHookReplyTag = 0;
const DWORD kCommandReplySize = 142;

struct CCommandReply {
    int commandId = -1;  // -1: nothing was chosen
    CString className;   // of the target window
    HWND target = nullptr;
    DWORD flags = 0;
};

// The reply, when the message carries exactly the hook library's record; anything else is
// refused (the message is let in from processes of lower integrity).
bool ReadCommandReply(const COPYDATASTRUCT* data, CCommandReply& reply);
