#include "history/HistoryListeners.h"

#include <vector>

namespace {

const UINT kRefreshMessage = WM_APP + 2;

// Calls `call` for every listener but the sender that is still registered when its turn
// comes; the number called.
template <class Listener, class Call>
int NotifyEach(const std::set<Listener*>& listeners, const Listener* sender, Call&& call) {
    const std::vector<Listener*> snapshot(listeners.begin(), listeners.end());
    int called = 0;
    for (Listener* listener : snapshot) {
        if (listener == sender || !listeners.count(listener)) continue;
        call(listener);
        ++called;
    }
    return called;
}

}  // namespace

CListenerRegistry1& CListenerRegistry1::GetInstance() {
    static CListenerRegistry1 registry;
    return registry;
}

void CListenerRegistry1::Register(IHistoryListener1* listener) {
    if (listener) m_listeners.insert(listener);
}

void CListenerRegistry1::Unregister(IHistoryListener1* listener) {
    m_listeners.erase(listener);
}

void CListenerRegistry1::Notify(const IHistoryListener1* sender, DWORD a, DWORD b) {
    NotifyEach(m_listeners, sender, [&](IHistoryListener1* listener) { listener->OnHistoryEvent(a, b); });
}

CListenerRegistry2& CListenerRegistry2::GetInstance() {
    static CListenerRegistry2 registry;
    return registry;
}

bool CListenerRegistry2::Register(IHistoryListener2* listener) {
    return listener && m_listeners.insert(listener).second;
}

bool CListenerRegistry2::Unregister(IHistoryListener2* listener) {
    return m_listeners.erase(listener) != 0;
}

bool CListenerRegistry2::Contains(IHistoryListener2* listener) const {
    return m_listeners.count(listener) != 0;
}

int CListenerRegistry2::Notify(const IHistoryListener2* sender, DWORD a, DWORD b) {
    return NotifyEach(m_listeners, sender, [&](IHistoryListener2* listener) { listener->OnHistoryStateEvent(a, b); });
}

void NotifyListeners1(const IHistoryListener1* sender, DWORD a, DWORD b) {
    CListenerRegistry1& registry = CListenerRegistry1::GetInstance();
    registry.Notify(sender, a, b);
    const HWND refresh = registry.GetRefreshWindow();
    if (a == 0 && refresh && IsWindow(refresh)) SendMessageW(refresh, kRefreshMessage, 0, 0);
}

int NotifyListeners2(const IHistoryListener2* sender, DWORD a, DWORD b) {
    return CListenerRegistry2::GetInstance().Notify(sender, a, b);
}
