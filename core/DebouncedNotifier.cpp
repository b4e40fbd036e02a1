#include "core/DebouncedNotifier.h"

#include <mutex>

#include "core/AppSlots.h"
#include "core/TrayIds.h"
#include "core/base/Handles.h"
#include "core/base/WorkerThread.h"

namespace {

const DWORD kFloatPaneNotifyDelayMs = 700;

}  // namespace

namespace CAppObjects {

bool NotifyFloatPaneHighlight(LONG value) {
    // Made on first use and never destroyed: its worker may outlive static destruction.
    static CDebouncedNotifier* notifier = new CDebouncedNotifier(GetAppExitEvent(), &GetFloatPaneWnd,
                                                                 WM_VXL_PANE_ITEM_HIGHLIGHT, kFloatPaneNotifyDelayMs);
    return notifier->Notify(value);
}

}  // namespace CAppObjects

// ---------------------------------------------------------------------------------------
// CDebouncedNotifier

struct CDebouncedNotifier::State {
    CHandle stopEvent;
    TargetProc target;
    UINT message;
    DWORD delayMs;
    volatile LONG value = 0;
    volatile LONG completedDelays = 0;
    std::mutex lock;
    CHandle request;  // made with the worker; closed by the worker when it ends
    bool ended = false;
};

namespace {

DWORD NotifierWorker(std::shared_ptr<CDebouncedNotifier::State>& owner) {
    CDebouncedNotifier::State& state = *owner;
    HANDLE request = state.request.get();
    for (;;) {
        HANDLE waits[2] = {state.stopEvent.get(), request};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        ResetEvent(request);
        if (WaitForSingleObject(state.stopEvent.get(), state.delayMs) != WAIT_TIMEOUT) break;
        LONG value = InterlockedCompareExchange(&state.value, 0, 0);
        HWND target = state.target();
        if (value != 0 && target && IsWindow(target)) PostMessageW(target, state.message, value, 0);
        InterlockedIncrement(&state.completedDelays);
    }
    std::lock_guard<std::mutex> lock(state.lock);
    state.ended = true;
    state.request.reset();
    return 0;
}

}  // namespace

CDebouncedNotifier::CDebouncedNotifier(HANDLE stopEvent, TargetProc target, UINT message, DWORD delayMs)
    : m_state(std::make_shared<State>()) {
    m_state->stopEvent = DuplicateForWorker(stopEvent);
    m_state->target = target;
    m_state->message = message;
    m_state->delayMs = delayMs;
}

CDebouncedNotifier::~CDebouncedNotifier() = default;

bool CDebouncedNotifier::Notify(LONG value) {
    State& state = *m_state;
    HWND target = state.target();
    if (!target || !IsWindow(target)) return false;
    if (InterlockedExchange(&state.value, value) == value) return true;
    if (value == 0) return true;
    std::lock_guard<std::mutex> lock(state.lock);
    if (state.ended || !state.stopEvent) return false;
    if (!state.request) {
        state.request.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!state.request) return false;
        if (!StartWorker(std::make_unique<std::shared_ptr<State>>(m_state), &NotifierWorker)) {
            state.request.reset();
            return false;
        }
    }
    return SetEvent(state.request.get()) != FALSE;
}

LONG CDebouncedNotifier::GetCompletedDelaysForTest() const {
    return InterlockedCompareExchange(&m_state->completedDelays, 0, 0);
}
