#include <memory>
#include <mutex>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"

namespace {

struct CopyEvents {
    std::mutex lock;
    CHandle start;
    CHandle end;
};

CopyEvents& TheCopyEvents() {
    static CopyEvents events;
    return events;
}

struct OptionsChangedEvent {
    std::mutex lock;
    CHandle event;
};

OptionsChangedEvent& TheOptionsChangedEvent() {
    static OptionsChangedEvent* event = new OptionsChangedEvent;  // never destroyed: a pulse may outlive main
    return *event;
}

struct NoContext {};

DWORD PulseOptionsChangedProc(NoContext&) {
    Sleep(1);
    // Under the lock, so that shutdown cannot close the handle between the test and the
    // set; after shutdown there is none and the pulse does nothing.
    OptionsChangedEvent& options = TheOptionsChangedEvent();
    std::lock_guard<std::mutex> guard(options.lock);
    if (!options.event) return 0;
    SetEvent(options.event.get());
    ResetEvent(options.event.get());
    return 0;
}

struct CoopWatcher {
    CHandle stop;
    HWND window;
    UINT message;
};

DWORD EditorCoopWatcherProc(CoopWatcher& context) {
    CHandle coop(CreateSharedEvent(GetEditorCoopEventName(), false, false));
    if (!coop) return 1;
    // The stop event comes first: when both are signalled the watcher must end.
    HANDLE waits[2] = {context.stop.get(), coop.get()};
    for (;;) {
        DWORD result = WaitForMultipleObjects(2, waits, FALSE, INFINITE);
        if (result != WAIT_OBJECT_0 + 1) return 0;
        PostMessageW(context.window, context.message, 0, 0);
    }
}

}  // namespace

HANDLE CreateOptionsChangedEvent() {
    OptionsChangedEvent& options = TheOptionsChangedEvent();
    std::lock_guard<std::mutex> guard(options.lock);
    if (!options.event) options.event.reset(CreateSharedEvent(kOptionsChangedEventName, false, false));
    return options.event.get();
}

void CloseOptionsChangedEvent() {
    OptionsChangedEvent& options = TheOptionsChangedEvent();
    std::lock_guard<std::mutex> guard(options.lock);
    options.event.reset();
}

bool PulseOptionsChangedAsync() {
    return StartWorker(std::make_unique<NoContext>(), &PulseOptionsChangedProc);
}

bool StartEditorCoopWatcher(const EditorCoopWatcherContext& context) {
    CHandle stop = DuplicateForWorker(context.stopEvent);
    if (!stop) return false;
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    return StartWorker(std::unique_ptr<CoopWatcher>(new CoopWatcher{std::move(stop), context.window, context.message}),
                       &EditorCoopWatcherProc, options);
}

bool CreateCopyEvents() {
    CopyEvents& events = TheCopyEvents();
    std::lock_guard<std::mutex> guard(events.lock);
    if (!events.start) events.start.reset(CreateSharedEvent(kStartCopyEventName, false, false));
    if (!events.end) events.end.reset(CreateSharedEvent(kEndCopyEventName, false, false));
    return events.start && events.end;
}

HANDLE GetStartCopyEvent() {
    CopyEvents& events = TheCopyEvents();
    std::lock_guard<std::mutex> guard(events.lock);
    return events.start.get();
}

HANDLE GetEndCopyEvent() {
    CopyEvents& events = TheCopyEvents();
    std::lock_guard<std::mutex> guard(events.lock);
    return events.end.get();
}

void CloseCopyEvents() {
    CopyEvents& events = TheCopyEvents();
    std::lock_guard<std::mutex> guard(events.lock);
    events.start.reset();
    events.end.reset();
}

bool PulseNamedEvent(const wchar_t* name) {
    CHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    if (!event) return false;
    SetEvent(event.get());
    ResetEvent(event.get());
    return true;
}

bool SignalStartCopy() {
    return PulseNamedEvent(kStartCopyEventName);
}
bool SignalEndCopy() {
    return PulseNamedEvent(kEndCopyEventName);
}
