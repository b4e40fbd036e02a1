// One out-of-context WinEvent hook shared by every part of the main program that
// listens to system events (foreground and focus changes): each subscriber names the
// events it wants and is called for those only.
//
// Out-of-context events arrive through the message loop of the thread that set the
// hook, so the manager is used from the UI thread only and takes no lock.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/Handles.h"

// What the system reported, in the order of the hook procedure's arguments.
struct WinEventRecord {
    DWORD event;
    HWND window;
    DWORD threadId;
    LONG objectId;
    LONG childId;
    DWORD eventTime;
};

class IWinEventSubscriber {
public:
    virtual LRESULT OnWinEvent(const WinEventRecord& record, DWORD userValue) = 0;
    virtual ~IWinEventSubscriber() = default;
};

class CWinEventHookManager {
public:
    // Created on first use and kept for the life of the process.
    static CWinEventHookManager& GetInstance();

    CWinEventHookManager(const CWinEventHookManager&) = delete;
    CWinEventHookManager& operator=(const CWinEventHookManager&) = delete;

    // 1 when the event was added to the subscriber's set (the user value is the one of
    // its first subscription); 0 when it was there already, or when the hook could not
    // be set for a new subscriber, which is then not kept.
    int Subscribe(IWinEventSubscriber* subscriber, DWORD userValue, DWORD eventId);
    // 1 when it was subscribed, else 0. The last one out removes the hook. A subscriber
    // may leave from inside its own OnWinEvent.
    int Unsubscribe(IWinEventSubscriber* subscriber);
    // The events the hook covers, from the smaller to the larger of the two. A hook that
    // is set moves to the new range; false, with the old range kept, when it cannot.
    bool SetRange(DWORD firstEvent, DWORD secondEvent);
    bool IsHooked() const { return m_hook.valid(); }

private:
    struct Entry {
        IWinEventSubscriber* subscriber;
        DWORD userValue;
        std::vector<DWORD> events;
    };

    CWinEventHookManager() = default;

    CWinEventHookHandle SetHook() const;
    Entry* FindEntry(IWinEventSubscriber* subscriber);
    bool Wants(IWinEventSubscriber* subscriber, DWORD event);
    LRESULT Dispatch(HWINEVENTHOOK hook, const WinEventRecord& record);
    static void CALLBACK HookProc(HWINEVENTHOOK hook, DWORD event, HWND window, LONG objectId, LONG childId,
                                  DWORD threadId, DWORD eventTime);

    std::vector<Entry> m_entries;
    CWinEventHookHandle m_hook;
    DWORD m_firstEvent = EVENT_MIN;
    DWORD m_secondEvent = EVENT_MAX;
};
