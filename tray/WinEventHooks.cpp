#include "tray/WinEventHooks.h"

#include <algorithm>
#include <utility>

#include "core/base/CString.h"
#include "core/base/Logger.h"

namespace {

void LogHookError(const wchar_t* method, const wchar_t* call) {
    CString text;
    text.Format(L"CWinEventHookManager::%s %s failed, error %lu", method, call, GetLastError());
    LogError(text);
}

}  // namespace

CWinEventHookManager& CWinEventHookManager::GetInstance() {
    static CWinEventHookManager manager;
    return manager;
}

int CWinEventHookManager::Subscribe(IWinEventSubscriber* subscriber, DWORD userValue, DWORD eventId) {
    if (Entry* entry = FindEntry(subscriber)) {
        if (std::find(entry->events.begin(), entry->events.end(), eventId) != entry->events.end()) return 0;
        entry->events.push_back(eventId);
        return 1;
    }
    if (!IsHooked()) {
        // A subscriber kept without a hook would wait for events that never come.
        CWinEventHookHandle hook = SetHook();
        if (!hook) {
            LogHookError(L"Subscribe", L"SetWinEventHook");
            return 0;
        }
        m_hook = std::move(hook);
    }
    m_entries.push_back(Entry{subscriber, userValue, {eventId}});
    return 1;
}

int CWinEventHookManager::Unsubscribe(IWinEventSubscriber* subscriber) {
    auto found = std::find_if(m_entries.begin(), m_entries.end(),
                              [subscriber](const Entry& entry) { return entry.subscriber == subscriber; });
    if (found == m_entries.end()) return 0;
    m_entries.erase(found);
    if (m_entries.empty() && IsHooked()) {
        if (UnhookWinEvent(m_hook.get())) {
            m_hook.release();
        } else {
            LogHookError(L"Unsubscribe", L"UnhookWinEvent");
        }
    }
    return 1;
}

bool CWinEventHookManager::SetRange(DWORD firstEvent, DWORD secondEvent) {
    if (firstEvent == m_firstEvent && secondEvent == m_secondEvent) return true;
    const std::pair<DWORD, DWORD> old(m_firstEvent, m_secondEvent);
    m_firstEvent = firstEvent;
    m_secondEvent = secondEvent;
    if (!IsHooked()) return true;
    // The new hook is set before the old one goes, so that a failure leaves the
    // subscribers with the hook they had.
    CWinEventHookHandle hook = SetHook();
    if (!hook) {
        LogHookError(L"SetRange", L"SetWinEventHook");
        m_firstEvent = old.first;
        m_secondEvent = old.second;
        return false;
    }
    m_hook = std::move(hook);
    return true;
}

CWinEventHookHandle CWinEventHookManager::SetHook() const {
    return CWinEventHookHandle(SetWinEventHook((std::min)(m_firstEvent, m_secondEvent),
                                               (std::max)(m_firstEvent, m_secondEvent), nullptr, &HookProc, 0, 0,
                                               WINEVENT_OUTOFCONTEXT));
}

CWinEventHookManager::Entry* CWinEventHookManager::FindEntry(IWinEventSubscriber* subscriber) {
    for (Entry& entry : m_entries) {
        if (entry.subscriber == subscriber) return &entry;
    }
    return nullptr;
}

bool CWinEventHookManager::Wants(IWinEventSubscriber* subscriber, DWORD event) {
    const Entry* entry = FindEntry(subscriber);
    return entry && std::find(entry->events.begin(), entry->events.end(), event) != entry->events.end();
}

LRESULT CWinEventHookManager::Dispatch(HWINEVENTHOOK hook, const WinEventRecord& record) {
    // Events still queued for a hook that was replaced or removed are not passed on.
    if (hook != m_hook.get()) return 0;
    std::vector<std::pair<IWinEventSubscriber*, DWORD>> receivers;
    for (const Entry& entry : m_entries) {
        if (std::find(entry.events.begin(), entry.events.end(), record.event) != entry.events.end()) {
            receivers.emplace_back(entry.subscriber, entry.userValue);
        }
    }
    // A subscriber may subscribe or leave while it is called: the list is walked from a
    // copy, and one that has left since is not called.
    LRESULT result = 0;
    for (const auto& receiver : receivers) {
        if (Wants(receiver.first, record.event)) result = receiver.first->OnWinEvent(record, receiver.second);
    }
    return result;
}

void CALLBACK CWinEventHookManager::HookProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                             DWORD threadId, DWORD eventTime) {
    try {
        GetInstance().Dispatch(hook, WinEventRecord{event, window, threadId, objectId, childId, eventTime});
    } catch (...) {
        LogError(L"CWinEventHookManager::HookProc exception");
    }
}
