// The page window of the HTML engine, seen from C++: what tests and the benchmark read
// back beyond the C calls of htmlayout.h.
#pragma once

#include <windows.h>

#include "platform/htmlayout/htmlayout.h"

namespace hl {

// The element's border box in the client coordinates of its page window, after bringing
// the layout up to date; false for an element that is not shown or has no window.
bool GetElementClientRect(HELEMENT he, RECT* rect);

// The vertical scroll position of a page window, in pixels.
int GetScrollPosition(HWND page);

}  // namespace hl
