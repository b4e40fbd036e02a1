#include "core/Instance.h"

#include <memory>

#include "core/AppGuards.h"
#include "core/AppSlots.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"

namespace {

enum class Delivery { SendToMainWindow, SendToWindow, PostToWindow };

struct WatcherContext {
    CHandle stop;
    CHandle watched;
    Delivery delivery = Delivery::SendToWindow;
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    bool resetBeforeDelivery = false;
};

DWORD WatcherThread(WatcherContext& context) {
    HANDLE waits[2] = {context.stop.get(), context.watched.get()};
    for (;;) {
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) return 0;
        // Manual-reset events: signals that came before the reset count as one.
        if (context.resetBeforeDelivery) ResetEvent(context.watched.get());
        switch (context.delivery) {
            case Delivery::SendToMainWindow:
                SendMessageW(CAppObjects::GetMainWnd(), context.message, context.wParam, 0);
                break;
            case Delivery::SendToWindow:
                SendMessageW(context.window, context.message, context.wParam, 0);
                break;
            case Delivery::PostToWindow:
                PostMessageW(context.window, context.message, context.wParam, 0);
                break;
        }
        if (!context.resetBeforeDelivery) ResetEvent(context.watched.get());
    }
}

// Starts a watcher on `watched` (taken over); false when the thread cannot run.
bool StartWatcher(HANDLE stopEvent, HANDLE watched, Delivery delivery, HWND window, UINT message, WPARAM wParam,
                  bool resetBeforeDelivery) {
    auto context = std::make_unique<WatcherContext>();
    context->watched.reset(watched);
    if (!watched) return false;
    context->stop = DuplicateForWorker(stopEvent);
    if (!context->stop) return false;
    context->delivery = delivery;
    context->window = window;
    context->message = message;
    context->wParam = wParam == static_cast<WPARAM>(-1) ? 1 : wParam;
    context->resetBeforeDelivery = resetBeforeDelivery;
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    return StartWorker(std::move(context), &WatcherThread, options);
}

bool SetNamedEvent(const wchar_t* name) {
    CHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, name));
    if (!event) return false;
    SetEvent(event.get());
    return true;
}

bool WatchInstanceEvent(HANDLE stopEvent, const wchar_t* name, WPARAM wParam) {
    HANDLE event = CreateSharedEvent(name, true, false);
    if (!event) {
        LogError(CString(L"Cannot create event ") + name);
        return false;
    }
    return StartWatcher(stopEvent, event, Delivery::SendToMainWindow, nullptr, GetInstanceWatcherMessage(), wParam,
                        true);
}

HANDLE g_handOverEvent = nullptr;

}  // namespace

bool SignalExitEvents() {
    bool local = SetNamedEvent(kExitEventName);
    bool global = SetNamedEvent(kExitAllEventName);
    return local || global;
}

bool SignalAlreadyWork() {
    return SetNamedEvent(kAlreadyWorkEventName);
}
bool SignalShowInstanceEvent() {
    return SetNamedEvent(kShowMenuEventName);
}
bool SignalEditRequest() {
    return SetNamedEvent(kEditEventName);
}
bool SignalCheckForUpdates() {
    return PulseNamedEvent(kCheckForUpdatesEventName);
}
bool SignalAutomodeEvent() {
    return SetNamedEvent(kAutoloadDelayEventName);
}

bool IsInstanceRunning() {
    CHandle event(OpenEventW(SYNCHRONIZE, FALSE, kInstanceEventName));
    return event.valid();
}

HANDLE CreateInstanceEvent_Vexlora_EXE(bool* alreadyExists) {
    HANDLE event = CreateEventW(GetOpenSecurityAttributes(), TRUE, FALSE, kInstanceEventName);
    if (alreadyExists) *alreadyExists = event && GetLastError() == ERROR_ALREADY_EXISTS;
    return event;
}

bool CreateInstanceWatchers(HANDLE stopEvent) {
    bool local = WatchInstanceEvent(stopEvent, kExitEventName, 1);
    if (local) WatchInstanceEvent(stopEvent, kExitAllEventName, 1);
    bool alreadyWork = WatchInstanceEvent(stopEvent, kAlreadyWorkEventName, 0);
    return local || alreadyWork;
}

bool CreateEditRequestWatcher(HANDLE stopEvent, HWND window, UINT commandId) {
    HANDLE event = CreateSharedEvent(kEditEventName, true, false);
    return StartWatcher(stopEvent, event, Delivery::SendToWindow, window, WM_COMMAND, commandId, true);
}

bool StartShowInstanceWatcher(HANDLE stopEvent, HWND window, UINT message) {
    HANDLE event = CreateSharedEvent(kShowMenuEventName, false, false);
    return StartWatcher(stopEvent, event, Delivery::PostToWindow, window, message, 0, false);
}

bool StartNamedEventWatcher(HANDLE stopEvent, const wchar_t* eventName, HWND window, UINT message, WPARAM wParam) {
    return StartWatcher(stopEvent, CreateSharedEvent(eventName, false, false), Delivery::SendToWindow, window, message,
                        wParam, false);
}

bool StartTimerStartedWatchers(HANDLE stopEvent, HWND window, UINT langMessage, UINT updatesCommandId,
                               UINT blinkMessage) {
    bool lang = StartNamedEventWatcher(stopEvent, kLangChangedEventName, window, langMessage, 0);
    // The check-for-updates request arrives as the tray menu's command.
    bool updates = StartNamedEventWatcher(stopEvent, kCheckForUpdatesEventName, window, WM_COMMAND, updatesCommandId);
    StartNamedEventWatcher(stopEvent, kFloatPaneBlinkEventName, window, blinkMessage, 1);
    return lang && updates;
}

bool StartCommandCheckForUpdatesWatcher(HANDLE stopEvent, HWND window, UINT commandId) {
    HANDLE event = CreateEventW(nullptr, TRUE, FALSE, kCommandCheckForUpdatesEventName);
    return StartWatcher(stopEvent, event, Delivery::SendToWindow, window, WM_COMMAND, commandId, false);
}

bool CreateHandOverEvent() {
    if (!g_handOverEvent) g_handOverEvent = CreateEventW(nullptr, TRUE, FALSE, kAdminHandOverEventName);
    return g_handOverEvent != nullptr;
}

void SignalHandOverEvent() {
    if (!g_handOverEvent) return;
    SetEvent(g_handOverEvent);
    CloseHandle(g_handOverEvent);
    g_handOverEvent = nullptr;
}

bool WaitForHandOverEvent(DWORD timeoutMs, DWORD* error) {
    CKeepLastError keep;
    CHandle event(OpenEventW(SYNCHRONIZE, FALSE, kAdminHandOverEventName));
    if (!event) {
        if (error) *error = GetLastError();
        return false;
    }
    if (error) *error = 0;
    return WaitForSingleObject(event.get(), timeoutMs) == WAIT_OBJECT_0;
}
