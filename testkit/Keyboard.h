// Keyboard input as a user makes it, through SendInput: it goes to whatever window
// has the focus in the foreground, so call FocusControl first. Each call hands all
// its key events to SendInput at once, so no other input is interleaved.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "testkit/Outcome.h"

namespace testkit {

enum KeyModifiers : unsigned {
    kNoModifiers = 0,
    kShift = 1,
    kCtrl = 2,
    kAlt = 4,
};

// Every UTF-16 unit as a KEYEVENTF_UNICODE press and release (a surrogate pair is
// two presses), independent of the keyboard layout.
CCheck TypeText(const CString& text);

// The virtual key, `times` times, with the modifiers held down around it.
CCheck PressKey(WORD virtualKey, unsigned modifiers = kNoModifiers, int times = 1);

// The mouse moved to the screen point and its left button pressed and released there.
bool ClickAt(POINT screenPoint);

}  // namespace testkit
