#include "tray/TrayRules.h"

#include <wtsapi32.h>

#include <cstring>

#include "core/DesktopWatch.h"
#include "core/base/Logger.h"

int SessionChangeDirection(WPARAM reason) {
    switch (reason) {
        case WTS_CONSOLE_CONNECT:
        case WTS_SESSION_LOGON:
        case WTS_SESSION_UNLOCK:
            return 1;
        case WTS_CONSOLE_DISCONNECT:
        case WTS_SESSION_LOGOFF:
        case WTS_SESSION_LOCK:
            return -1;
        default:
            return 0;
    }
}

void CSessionRule::OnSessionChange(WPARAM reason, DWORD sessionId, ITrayClipboardHistory& history) {
    LogWrite(L"CVXLTrayWnd::OnWmWTSSessionChange");
    LogWriteFormat(L"OnWmWTSSessionChange reason=%s sessionId=%d", WTSSessionChangeReason_2_Str(reason).GetString(),
                   static_cast<int>(sessionId));
    const int direction = SessionChangeDirection(reason);
    LogWriteFormat(L"OnWmWTSSessionChange WTS_reason=%d", direction);
    if (direction < 0 && history.IsSpyInstalled()) {
        m_spyRemovedBySession = true;
        LogWriteFormat(L"OnWmWTSSessionChange: Clipboard Spy is uninstalled=%d", history.RemoveSpy() ? 1 : 0);
    } else if (direction > 0 && m_spyRemovedBySession) {
        // Forgotten once used: a later return must not bring back a spy that the user
        // switched off meanwhile.
        m_spyRemovedBySession = false;
        LogWriteFormat(L"OnWmWTSSessionChange: Clipboard Spy is installed=%d", history.InstallSpy(false) ? 1 : 0);
    }
    history.NotifySessionChange(reason);
}

bool ReadCommandReply(const COPYDATASTRUCT* data, CCommandReply& reply) {
    if (!data || data->dwData != kHookReplyTag || data->cbData != kCommandReplySize || !data->lpData) return false;
    const auto* bytes = static_cast<const BYTE*>(data->lpData);
    INT32 commandId = 0;
    memcpy(&commandId, bytes, 4);
    wchar_t className[65] = {};
    memcpy(className, bytes + 4, 130);
    // The record's own terminator cannot be trusted.
    className[64] = L'\0';
    INT32 target = 0;
    memcpy(&target, bytes + 134, 4);
    DWORD flags = 0;
    memcpy(&flags, bytes + 138, 4);
    reply.commandId = commandId;
    reply.className = className;
    // Window handles are 32-bit values, sign-extended where pointers are wider.
    reply.target = static_cast<HWND>(LongToHandle(target));
    reply.flags = flags;
    return true;
}
