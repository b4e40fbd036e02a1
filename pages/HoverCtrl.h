// Tells a list view's parent when the pointer comes to rest on an item (half a second on
// it), when it leaves it, and when the hovered item is clicked: WM_NOTIFY with a
// CHoverNotify record. Moving from one item to the next within the half second never
// reports the first.
#pragma once

#include <windows.h>

#include "pages/CtrlSubclass.h"

const UINT kHoverBeganCode = 3015;
const UINT kHoverEndedCode = 3016;
const UINT kHoverClickedCode = 3017;
const UINT_PTR kHoverTimerId = 9520;
const UINT kHoverDelayMs = 500;

struct CHoverNotify {
    NMHDR header;  // from the list view, with its control id
    int item;
};

class CHoverCtrl : public CCtrlSubclassBase {
public:
    static constexpr const wchar_t* kSubclassProperty = L"VXL_HOVER_CTRL";

    CHoverCtrl() : CCtrlSubclassBase(kSubclassProperty, &KindProc<CHoverCtrl>) {}
    ~CHoverCtrl() override { Detach(); }

    // Follows the list for the parent (after letting go of an earlier list); false when
    // the list cannot be taken over.
    bool Attach(HWND list, HWND parent);
    // Lets the list go: no timer, no hovered or pending item.
    void Detach();
    // Ends the hover now (the parent hears of it) and stops the timer.
    void Stop_Hover_Timer();

    int GetHoveredItem() const { return m_hovered; }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnUnsubclass() override;

private:
    int ItemAt(POINT client) const;
    void EndHover();
    void StartTimerFor(int item);
    void OnTimer();
    void Notify(UINT code, int item);

    HWND m_parent = nullptr;
    int m_id = 0;
    int m_hovered = -1;
    int m_pending = -1;
};
