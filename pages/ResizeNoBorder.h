// Lets a window without a sizing border be resized at its edges. Mode 1 only answers the
// hit test with the sizing codes near the edges; mode 0 gives the window a sizing frame
// while the pointer is within 2 pixels of an edge and takes it away when the pointer
// has left the frame (a watcher thread follows the pointer meanwhile).
#pragma once

#include <windows.h>

#include "pages/CtrlSubclass.h"

class CResizeNoBorder : public CCtrlSubclassBase {
public:
    static constexpr const wchar_t* kSubclassProperty = L"RESIZE_NO_BORDER_THICKFRAME_SUBCLASSER";

    CResizeNoBorder() : CCtrlSubclassBase(kSubclassProperty, &KindProc<CResizeNoBorder>) {}
    ~CResizeNoBorder() override { Uninstall(); }

    // False when this or another object already serves the window, for a mode other than
    // 0 and 1, or when the window cannot be taken over.
    bool Install(HWND window, int mode);
    // The window's procedure and frame as they were before Install.
    void Uninstall();

    // The sizing code (HTLEFT ... HTBOTTOMRIGHT) of a screen point within the edge sizes
    // of the window's sides; HTCLIENT inside them and outside the window.
    static LRESULT SizingCodeAt(const RECT& window, POINT point, int edgeX, int edgeY);

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    LRESULT OnHitTestOnly(WPARAM wParam, LPARAM lParam);
    LRESULT OnHitTestSwitching(WPARAM wParam, LPARAM lParam);

    int m_mode = 0;
    DWORD m_savedFrame = 0;  // WS_THICKFRAME when the window had it before Install
};
