// Named events shared with the editor and the clipboard history, and their watchers.
#pragma once

#include <windows.h>

// The options-changed event: made on the first call, the same handle afterwards (until
// it is closed; the next call then makes it anew).
HANDLE CreateOptionsChangedEvent();
// Closes the event at shutdown and forgets it, so that a late pulse finds none.
void CloseOptionsChangedEvent();
// Sets and at once resets the options-changed event on a short thread, so that the
// editor reloads its settings; with no event (never made, or closed) the thread does
// nothing. True when the thread started.
bool PulseOptionsChangedAsync();

// Watches the editor's end: each signal of the coordination event posts `message`
// to `window`; setting `stopEvent` ends the watcher. True when the thread started.
struct EditorCoopWatcherContext {
    HANDLE stopEvent;
    HWND window;
    UINT message;
};
bool StartEditorCoopWatcher(const EditorCoopWatcherContext& context);

// The start/end-of-copy events of the clipboard history.
bool CreateCopyEvents();
HANDLE GetStartCopyEvent();
HANDLE GetEndCopyEvent();
void CloseCopyEvents();
bool SignalStartCopy();
bool SignalEndCopy();
// Opens the event by name, sets it and resets it at once: only a waiter that waits
// at that moment is released.
bool PulseNamedEvent(const wchar_t* name);
