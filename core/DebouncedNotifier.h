// A notifier that tells a window the newest of a burst of values once the burst has
// settled, and its use for the float pane.
#pragma once

#include <windows.h>

#include <memory>

namespace CAppObjects {

// Tells the float pane, 700 ms after the request that woke the notifier, whether its
// entry of the phrase menu is highlighted (WM_VXL_PANE_ITEM_HIGHLIGHT with the newest
// value). 0 is only stored. Nothing happens without a float pane window.
bool NotifyFloatPaneHighlight(LONG value);

}  // namespace CAppObjects

// The notifier behind NotifyFloatPaneHighlight, for any target and stop event.
class CDebouncedNotifier {
public:
    using TargetProc = HWND (*)();
    // The notifier does not own the stop event; it must outlive the notifier's worker.
    CDebouncedNotifier(HANDLE stopEvent, TargetProc target, UINT message, DWORD delayMs);
    ~CDebouncedNotifier();
    CDebouncedNotifier(const CDebouncedNotifier&) = delete;
    CDebouncedNotifier& operator=(const CDebouncedNotifier&) = delete;

    // False when the worker cannot be started or has ended with the stop event.
    bool Notify(LONG value);
    // Delays the worker has finished (each ends in a post or in nothing), for tests.
    LONG GetCompletedDelaysForTest() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};
