#include "history/pane/PaneMotion.h"

int CollapseStepIncrement(bool fine) {
    return fine ? 2 : 6;
}

DWORD CollapsePauseMs(bool fine) {
    return fine ? 10 : 40;
}

int CollapsedMinimumWidth(int paneRight, int settingsButtonRight) {
    const int width = paneRight - settingsButtonRight + 5;
    return width < 1 ? kCollapseFallbackWidth : width;
}

CCollapseFrame NextCollapseFrame(const RECT& window, int screenRight, int minimumWidth, int step) {
    RECT rect = window;
    if (rect.right > screenRight) OffsetRect(&rect, screenRight - rect.right, 0);
    if (rect.right - rect.left - step <= minimumWidth) {
        rect.left = rect.right - minimumWidth;
        return {rect, true};
    }
    rect.left += step;
    return {rect, false};
}

std::vector<RECT> CollapseFrames(const RECT& start, int screenRight, int minimumWidth, bool fine) {
    std::vector<RECT> frames;
    RECT window = start;
    for (int step = kCollapseFirstStep;; step += CollapseStepIncrement(fine)) {
        const CCollapseFrame frame = NextCollapseFrame(window, screenRight, minimumWidth, step);
        frames.push_back(frame.rect);
        if (frame.last) return frames;
        window = frame.rect;
    }
}

namespace {

// The start of a span of `length` moved into [low, high) where it fits.
LONG FitSpan(LONG start, LONG length, LONG low, LONG high) {
    if (length > high - low) return start;
    if (start + length > high) return high - length;
    if (start < low) return low;
    return start;
}

}  // namespace

RECT FitIntoScreen(const RECT& rect, const RECT& screen) {
    const LONG width = rect.right - rect.left;
    const LONG height = rect.bottom - rect.top;
    const LONG left = FitSpan(rect.left, width, screen.left, screen.right);
    const LONG top = FitSpan(rect.top, height, screen.top, screen.bottom);
    return RECT{left, top, left + width, top + height};
}

CPaneRestoreRect FollowStrip(const CPaneRestoreRect& restore, const RECT& strip) {
    CPaneRestoreRect moved = restore;
    moved.left = strip.right - restore.width;
    moved.top = strip.top;
    return moved;
}

POINT PanePlaceToRemember(bool collapsed, const CPaneRestoreRect& restore, const RECT& window) {
    if (collapsed && restore.IsKept()) return POINT{restore.left, restore.top};
    return POINT{window.left, window.top};
}

const CBlinkStep kBlinkSteps[6] = {
    {true, false, 400},  {false, false, 150}, {true, false, 400},
    {false, false, 150}, {true, true, 400},   {false, true, 150},
};

bool IsSecondEnter(CDoubleEnter& record, int index, DWORD now) {
    // Unsigned: a tick count that wrapped around in between still gives the time between.
    if (index >= 0 && record.index == index && now - record.tick < kDoubleEnterMs) {
        record = CDoubleEnter();
        return true;
    }
    record.index = index;
    record.tick = now;
    return false;
}
