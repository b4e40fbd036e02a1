// Where the float pane stands and how its children fill it: pure rules over rectangles,
// so that they test without a window.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"

// The pane's size when it opens; only its top-left point is remembered.
const int kFloatPaneWidth = 300;
const int kFloatPaneHeight = 170;
// The tool bar's strip at the top of the pane.
const int kPaneToolbarHeight = 24;
// The settings key of the remembered top-left point.
extern const wchar_t kFloatPanePositionKey[];

// The right edge of the virtual screen, 40 pixels from the top.
RECT DefaultFloatPaneRect(int virtualScreenWidth);
// The pane's rectangle at a remembered top-left point.
RECT FloatPaneRectAt(POINT topLeft);
// A rectangle that no monitor shows (a monitor unplugged since, a lost resolution) is
// moved into the work area of the monitor nearest to it, so the user can reach the pane.
// `monitors` are the monitors' work areas; the first is the primary one.
RECT KeepPaneReachable(const RECT& pane, const std::vector<RECT>& monitors);
// The work areas of the monitors of this desktop, the primary first.
std::vector<RECT> MonitorWorkAreas();

// The position is remembered while the pane is shown as the user placed it: not iconic,
// visible, and not sized to the work area.
bool ShouldRememberPanePosition(bool iconic, bool visible, const RECT& window, const RECT& workArea);

// The children in the pane's client area: the tool bar on top, the list below it with a
// margin of 2 pixels on the left, right and bottom.
struct CPaneLayout {
    RECT toolbar;
    RECT list;
};
CPaneLayout LayoutPane(const RECT& client, int toolbarBottom);
// Column widths of the list: one column fills the width; with several, all but the last
// keep their own width and the last fills the rest (at least 0).
std::vector<int> FitColumns(int clientWidth, const std::vector<int>& ownWidths);

// "<Clipboard History>[<count>] : Vexlora".
CString FloatPaneTitle(int itemCount);
