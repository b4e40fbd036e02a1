#include "core/Instance.h"

#include <memory>
#include <mutex>
#include <vector>

#include "core/AppGuards.h"
#include "core/AppSlots.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"

namespace {

enum class Delivery { SendToMainWindow, SendToWindow, PostToWindow, Call };

// When a manual-reset event is reset around its delivery. An auto-reset event is reset by
// the wait itself: a reset after the delivery would throw away a signal that came while
// the window handled the one before, so it gets none.
enum class ResetRule { BeforeDelivery, AfterDelivery, ByTheWait };

struct WatcherContext {
    CHandle stop;
    CHandle watched;
    Delivery delivery = Delivery::SendToWindow;
    HWND window = nullptr;
    UINT message = 0;
    WPARAM wParam = 0;
    ResetRule reset = ResetRule::AfterDelivery;
    void (*call)(WPARAM) = nullptr;
};

void Deliver(WatcherContext& context) {
    // Manual-reset events: signals that came before the reset count as one.
    if (context.reset == ResetRule::BeforeDelivery) ResetEvent(context.watched.get());
    switch (context.delivery) {
        case Delivery::SendToMainWindow: {
            // A request can come while the program is still starting: it waits for the
            // window rather than being lost.
            HWND main = nullptr;
            while (!(main = CAppObjects::GetMainWnd()))
                if (WaitForSingleObject(context.stop.get(), 50) != WAIT_TIMEOUT) return;
            SendMessageW(main, context.message, context.wParam, 0);
            break;
        }
        case Delivery::SendToWindow:
            SendMessageW(context.window, context.message, context.wParam, 0);
            break;
        case Delivery::PostToWindow:
            PostMessageW(context.window, context.message, context.wParam, 0);
            break;
        case Delivery::Call:
            context.call(context.wParam);
            break;
    }
    if (context.reset == ResetRule::AfterDelivery) ResetEvent(context.watched.get());
}

// Every watcher of a named event waits on one shared thread rather than a thread of its
// own: a thread costs about a megabyte of resident memory under Wine however little it
// does, and the resident program watches nine events all day. A watcher leaves when its
// stop event is set; the thread ends when none is left and starts again with the next.
class CWatcherThread {
public:
    // Takes the watcher over; false when it cannot be watched.
    bool Add(std::unique_ptr<WatcherContext>&& watcher) {
        std::lock_guard<std::mutex> guard(m_lock);
        if (!m_wake) m_wake.reset(CreateEventW(nullptr, FALSE, FALSE, nullptr));
        if (!m_wake || m_count + 1 > kMaxWatchers) return false;
        m_pending.push_back(std::move(watcher));
        ++m_count;
        if (m_running) {
            SetEvent(m_wake.get());
            return true;
        }
        WorkerOptions options;
        options.stack = kWaitingThreadStack;
        if (!StartWorker(std::make_unique<CWatcherThread*>(this), &Run, options)) {
            m_pending.pop_back();
            --m_count;
            return false;
        }
        m_running = true;
        return true;
    }

private:
    // The wake event and a stop and a watched event per watcher in one wait.
    static const size_t kMaxWatchers = (MAXIMUM_WAIT_OBJECTS - 1) / 2;

    static DWORD Run(CWatcherThread*& self) { return self->Loop(); }

    DWORD Loop() {
        std::vector<std::unique_ptr<WatcherContext>> watchers;
        for (;;) {
            {
                std::lock_guard<std::mutex> guard(m_lock);
                for (auto& pending : m_pending) watchers.push_back(std::move(pending));
                m_pending.clear();
                if (watchers.empty()) {
                    m_running = false;
                    return 0;
                }
            }
            std::vector<HANDLE> waits{m_wake.get()};
            for (const auto& watcher : watchers) {
                waits.push_back(watcher->stop.get());
                waits.push_back(watcher->watched.get());
            }
            const DWORD result =
                WaitForMultipleObjects(static_cast<DWORD>(waits.size()), waits.data(), FALSE, INFINITE);
            if (result == WAIT_OBJECT_0) continue;
            const size_t index = result - WAIT_OBJECT_0 - 1;
            const bool failed = result == WAIT_FAILED || index >= waits.size() - 1;
            if (!failed && index % 2 == 1) {
                Deliver(*watchers[index / 2]);
                continue;
            }
            // A stop (or a wait that cannot go on) ends the watchers it concerns.
            std::lock_guard<std::mutex> guard(m_lock);
            if (failed) {
                LogError(L"CWatcherThread: the wait failed; the watchers end");
                m_count -= watchers.size();
                watchers.clear();
            } else {
                watchers.erase(watchers.begin() + static_cast<std::ptrdiff_t>(index / 2));
                --m_count;
            }
        }
    }

    std::mutex m_lock;
    CHandle m_wake;
    std::vector<std::unique_ptr<WatcherContext>> m_pending;
    size_t m_count = 0;
    bool m_running = false;
};

CWatcherThread& Watchers() {
    static CWatcherThread* watchers = new CWatcherThread();  // lives as long as its thread may
    return *watchers;
}

// Starts a watcher on `watched` (taken over); false when the thread cannot run.
bool StartWatcher(HANDLE stopEvent, HANDLE watched, Delivery delivery, HWND window, UINT message, WPARAM wParam,
                  ResetRule reset) {
    auto context = std::make_unique<WatcherContext>();
    context->watched.reset(watched);
    if (!watched) return false;
    context->stop = DuplicateForWorker(stopEvent);
    if (!context->stop) return false;
    context->delivery = delivery;
    context->window = window;
    context->message = message;
    context->wParam = wParam == static_cast<WPARAM>(-1) ? 1 : wParam;
    context->reset = reset;
    return Watchers().Add(std::move(context));
}

}  // namespace

bool StartEventCallWatcher(HANDLE stopEvent, HANDLE event, void (*call)(WPARAM), WPARAM value) {
    auto context = std::make_unique<WatcherContext>();
    context->watched = DuplicateForWorker(event);
    context->stop = DuplicateForWorker(stopEvent);
    if (!context->watched || !context->stop || !call) return false;
    context->delivery = Delivery::Call;
    context->call = call;
    context->wParam = value;
    return Watchers().Add(std::move(context));
}

namespace {

const DWORD kExitEventsWaitMs = 10000;

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
                        ResetRule::BeforeDelivery);
}

HANDLE g_handOverEvent = nullptr;

}  // namespace

bool SignalExitEvents() {
    // A program that has only just started makes its exit events a moment after the
    // event that says it runs: the request waits for them.
    const ULONGLONG deadline = GetTickCount64() + kExitEventsWaitMs;
    for (;;) {
        const bool local = SetNamedEvent(kExitEventName);
        const bool global = SetNamedEvent(kExitAllEventName);
        if (local || global) return true;
        if (!IsInstanceRunning() || GetTickCount64() >= deadline) return false;
        Sleep(50);
    }
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
    return StartWatcher(stopEvent, event, Delivery::SendToWindow, window, WM_COMMAND, commandId,
                        ResetRule::BeforeDelivery);
}

bool StartShowInstanceWatcher(HANDLE stopEvent, HWND window, UINT message) {
    HANDLE event = CreateSharedEvent(kShowMenuEventName, false, false);
    return StartWatcher(stopEvent, event, Delivery::PostToWindow, window, message, 0, ResetRule::ByTheWait);
}

bool StartNamedEventWatcher(HANDLE stopEvent, const wchar_t* eventName, HWND window, UINT message, WPARAM wParam) {
    return StartWatcher(stopEvent, CreateSharedEvent(eventName, false, false), Delivery::SendToWindow, window, message,
                        wParam, ResetRule::ByTheWait);
}

bool StartTimerStartedWatchers(HANDLE stopEvent, HWND window, UINT langMessage, UINT updatesCommandId,
                               UINT blinkMessage) {
    bool lang = StartNamedEventWatcher(stopEvent, kLangChangedEventName, window, langMessage, 0);
    // The check-for-updates request arrives as the tray menu's command.
    bool updates = StartNamedEventWatcher(stopEvent, kCheckForUpdatesEventName, window, WM_COMMAND, updatesCommandId);
    StartNamedEventWatcher(stopEvent, kFloatPaneBlinkEventName, window, blinkMessage, 1);
    return lang && updates;
}

bool StartCommandCheckForUpdatesThread(HANDLE stopEvent, HWND window, UINT commandId) {
    // Open security: the editor that sets it may run with other rights than this program.
    HANDLE event = CreateSharedEvent(kCommandCheckForUpdatesEventName, true, false);
    // Reset before the command is sent: a request made while the last one is handled
    // then starts one more check instead of being wiped out.
    return StartWatcher(stopEvent, event, Delivery::SendToWindow, window, WM_COMMAND, commandId,
                        ResetRule::BeforeDelivery);
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
