#include "core/AppGuards.h"

#include <cstdio>

#include "core/base/Logger.h"

CAutoForegroundWindow::CAutoForegroundWindow(HWND target)
    : m_previous(GetForegroundWindow()),
      m_ownThread(GetCurrentThreadId()),
      m_foregroundThread(m_previous ? GetWindowThreadProcessId(m_previous, nullptr) : 0),
      m_attached(false) {
    LogWindowInfo(L"CAutoForegroundWindow: foreground window", m_previous);
    LogWindowInfo(L"CAutoForegroundWindow: target window", target);
    // Only a thread that shares the foreground thread's input may take the foreground.
    if (m_foregroundThread && m_foregroundThread != m_ownThread)
        m_attached = AttachThreadInput(m_ownThread, m_foregroundThread, TRUE) != FALSE;
    if (target) SetForegroundWindow(target);
}

CAutoForegroundWindow::~CAutoForegroundWindow() {
    if (m_previous && IsWindow(m_previous)) SetForegroundWindow(m_previous);
    if (m_attached) AttachThreadInput(m_ownThread, m_foregroundThread, FALSE);
}

CLastErrorInfo::CLastErrorInfo() : m_code(GetLastError()), m_message(), m_number() {
    SetLastError(0);
}

const wchar_t* CLastErrorInfo::FormatMessageText() {
    m_message[0] = 0;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_code, 0, m_message, 1023,
                   nullptr);
    return m_message;
}

const wchar_t* CLastErrorInfo::FormatErrorCode() {
    _snwprintf(m_number, 99, L"%d", static_cast<int>(m_code));
    return m_number;
}
