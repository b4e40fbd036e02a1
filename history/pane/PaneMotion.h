// How the float pane moves: the narrowing of a collapsing pane, where an expanding pane
// lands, the blink's rhythm and the double Enter that pastes. Pure rules over rectangles,
// numbers and tick counts, so that they test without a window or a clock.
#pragma once

#include <windows.h>

#include <vector>

// The pane's rectangle while it is collapsed or sized to the work area: width and height
// 0 mean that none is kept.
struct CPaneRestoreRect {
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    bool IsKept() const { return width != 0 || height != 0; }
};

// ---------------------------------------------------------------------------------------
// Narrowing a collapsing pane

// The first step of the narrowing; each later one is larger by the increment.
const int kCollapseFirstStep = 2;
// Without a button to measure by, the strip keeps this width.
const int kCollapseFallbackWidth = 22;

// Fine steps grow by 2 pixels every 10 ms, coarse ones by 6 every 40 ms.
int CollapseStepIncrement(bool fine);
DWORD CollapsePauseMs(bool fine);

// The strip's width: from the right edge of the settings button to the pane's right edge,
// and 5 pixels more, so that the buttons of the narrowed bar stay in view.
int CollapsedMinimumWidth(int paneRight, int settingsButtonRight);

struct CCollapseFrame {
    RECT rect;
    bool last;  // the minimum width is reached: the animation ends with this frame
};
// The next frame from where the window is now: a window that juts out beyond the virtual
// screen's right edge is pulled back first; then its left edge moves right by `step`, or,
// when that leaves no more than the minimum width, the minimum width with the right edge
// kept. Top and height never change.
CCollapseFrame NextCollapseFrame(const RECT& window, int screenRight, int minimumWidth, int step);
// Every frame of a whole narrowing from `start`, as the window takes each of them.
std::vector<RECT> CollapseFrames(const RECT& start, int screenRight, int minimumWidth, bool fine);

// ---------------------------------------------------------------------------------------
// Collapsed and expanded places

// The rectangle moved into the screen: past the right or bottom edge it moves left or up,
// before the left or top edge right or down. In a direction where it is larger than the
// screen it stays where it is.
RECT FitIntoScreen(const RECT& rect, const RECT& screen);
// A collapsed strip that the user moved takes its expanded rectangle along: the strip
// narrowed towards the right edge, so that edge and the top are what they share.
CPaneRestoreRect FollowStrip(const CPaneRestoreRect& restore, const RECT& strip);
// The top-left to remember: that of the pane as it opens again, expanded, not of the strip.
POINT PanePlaceToRemember(bool collapsed, const CPaneRestoreRect& restore, const RECT& window);

// ---------------------------------------------------------------------------------------
// The blink

// One step of the blink: the highlight on or off, whether the pane is put top-most, and how
// long the step lasts unless the blink is stopped.
struct CBlinkStep {
    bool on;
    bool topmost;
    DWORD waitMs;
};
// Three times on for 400 ms and off for 150 ms; the last cycle leaves the pane top-most.
extern const CBlinkStep kBlinkSteps[6];

// ---------------------------------------------------------------------------------------
// Enter twice on the list

const DWORD kDoubleEnterMs = 500;

struct CDoubleEnter {
    int index = -1;
    DWORD tick = 0;
};
// True when this Enter on the list item `index` at tick `now` is the second on the same
// item within kDoubleEnterMs: the item is pasted and the count starts again. Any other
// Enter starts a new count with itself.
bool IsSecondEnter(CDoubleEnter& record, int index, DWORD now);
