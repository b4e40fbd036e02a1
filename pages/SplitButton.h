// A push button with a drop-down arrow part at its right end. A click that is pressed on
// the arrow part leaves IsArrowPressed set while the owner's BN_CLICKED handler runs, so
// the owner opens its menu there instead of doing the button's plain action.
#pragma once

#include <windows.h>

#include "pages/CtrlSubclass.h"

class CSplitButton : public CCtrlSubclassBase {
public:
    static constexpr const wchar_t* kSubclassProperty = L"VXL_SPLIT_BUTTON";

    CSplitButton() : CCtrlSubclassBase(kSubclassProperty, &KindProc<CSplitButton>) {}
    ~CSplitButton() override { Detach(); }

    // False when the button cannot be taken over.
    bool Attach(HWND button);
    void Detach() { UnsubclassCtrl(); }

    bool IsArrowPressed() const { return m_arrowPressed; }

    // The arrow part of a button with this client rectangle; one pixel to the right
    // while the button is pushed.
    static RECT GetArrowRect(const RECT& client, bool pushed);
    // The button's private message that clears the arrow flag after the click.
    static UINT GetClearArrowMessage();

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

private:
    RECT ArrowRectOnScreen(bool forHitTest) const;
    // The pointer-outside flag for a client point of a mouse message; the button is
    // repainted when it changes.
    void FollowPointer(LPARAM clientPoint);
    void Paint();
    void InvalidateArrow();

    bool m_arrowPressed = false;
    bool m_pointerOutside = true;
};
