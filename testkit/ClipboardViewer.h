// A clipboard viewer on the calling thread. The system tells it of a change while the
// writer closes the clipboard, so what it sees of the my-copy guard is the writer's state:
// the tests of our clipboard writes use it to show that the history would skip them.
#pragma once

#include <windows.h>

#include "core/MyCopyGuard.h"
#include "testkit/MessageWindow.h"

namespace testkit {

class CClipboardViewer {
public:
    CClipboardViewer() {
        SetWindowLongPtrW(m_window.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        m_previousProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(m_window.get(), GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CClipboardViewer::Proc)));
        m_next = SetClipboardViewer(m_window.get());
    }
    ~CClipboardViewer() { ChangeClipboardChain(m_window.get(), m_next); }
    CClipboardViewer(const CClipboardViewer&) = delete;
    CClipboardViewer& operator=(const CClipboardViewer&) = delete;

    int changes = 0;
    int changesUnderLock = 0;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CClipboardViewer*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (message == WM_DRAWCLIPBOARD) {
            ++self->changes;
            if (IsMyCopyActive() && GetMyCopyLockCount() > 0) ++self->changesUnderLock;
            if (self->m_next) SendMessageW(self->m_next, message, wParam, lParam);
            return 0;
        }
        if (message == WM_CHANGECBCHAIN) {
            if (reinterpret_cast<HWND>(wParam) == self->m_next)
                self->m_next = reinterpret_cast<HWND>(lParam);
            else if (self->m_next)
                SendMessageW(self->m_next, message, wParam, lParam);
            return 0;
        }
        return CallWindowProcW(self->m_previousProc, window, message, wParam, lParam);
    }

    CMessageWindow m_window;
    WNDPROC m_previousProc = nullptr;
    HWND m_next = nullptr;
};

}  // namespace testkit
