// Small scope guards of the main program: the foreground window, the open clipboard and
// the thread's last error.
#pragma once

#include <windows.h>

// Brings a window to the foreground for a scope (attaching this thread's input to the
// foreground window's thread) and gives the foreground back to the window that had it.
class CAutoForegroundWindow {
public:
    explicit CAutoForegroundWindow(HWND target);
    ~CAutoForegroundWindow();
    CAutoForegroundWindow(const CAutoForegroundWindow&) = delete;
    CAutoForegroundWindow& operator=(const CAutoForegroundWindow&) = delete;

    HWND GetPreviousForeground() const { return m_previous; }

private:
    HWND m_previous;
    DWORD m_ownThread;
    DWORD m_foregroundThread;
    bool m_attached;
};

// Closes the clipboard at the end of a scope unless told to keep it open.
class CClipboardCloser {
public:
    CClipboardCloser() = default;
    ~CClipboardCloser() {
        if (!m_keepOpen) CloseClipboard();
    }
    CClipboardCloser(const CClipboardCloser&) = delete;
    CClipboardCloser& operator=(const CClipboardCloser&) = delete;
    void KeepOpen(bool keep = true) { m_keepOpen = keep; }

private:
    bool m_keepOpen = false;
};

// Takes the thread's last error at construction and clears it.
class CLastErrorInfo {
public:
    CLastErrorInfo();
    DWORD GetCode() const { return m_code; }
    // The system's text of the stored code (at most 1023 characters).
    const wchar_t* FormatMessageText();
    // The stored code in decimal.
    const wchar_t* FormatErrorCode();

private:
    DWORD m_code;
    wchar_t m_message[1024];
    wchar_t m_number[100];
};

// Gives the thread its last error back at the end of a scope.
class CKeepLastError {
public:
    CKeepLastError() : m_error(GetLastError()) {}
    ~CKeepLastError() { SetLastError(m_error); }
    CKeepLastError(const CKeepLastError&) = delete;
    CKeepLastError& operator=(const CKeepLastError&) = delete;

private:
    DWORD m_error;
};
