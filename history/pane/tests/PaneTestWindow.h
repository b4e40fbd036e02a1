// A top-level stand-in for the float pane: it records what its controls send and post,
// answers their queries and never starts a move loop; and a menu host without menus.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "history/pane/PaneToolbar.h"
#include "platform/wtl/AtlWin.h"

struct CPaneEvent {
    UINT message;
    WPARAM wParam;
    int code;  // the notification code of WM_NOTIFY
};

class CRecordingPane : public wtl::CWindowImplBase {
public:
    static const UINT kQueryMessage = WM_APP + 40;

    BEGIN_MSG_MAP(CRecordingPane)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnRecord)
    MESSAGE_HANDLER(WM_COMMAND, OnRecord)
    MESSAGE_HANDLER(WM_NCLBUTTONDBLCLK, OnRecord)
    MESSAGE_HANDLER(kQueryMessage, OnRecord)
    MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
    END_MSG_MAP()

    std::vector<CPaneEvent> events;
    LRESULT historyAnswer = 1;
    LRESULT collapsedAnswer = 0;
    LRESULT showAllUnavailableAnswer = 0;

    int Count(UINT message, WPARAM wParam) const {
        int n = 0;
        for (const CPaneEvent& e : events) n += e.message == message && e.wParam == wParam;
        return n;
    }
    int CountNotify(int code) const {
        int n = 0;
        for (const CPaneEvent& e : events) n += e.message == WM_NOTIFY && e.code == code;
        return n;
    }

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraPaneControlsTestPane"; }

private:
    LRESULT OnRecord(UINT message, WPARAM wParam, LPARAM, BOOL&) {
        events.push_back({message, wParam, 0});
        return message == kQueryMessage ? historyAnswer : 0;
    }
    LRESULT OnNotify(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
        const int code = static_cast<int>(reinterpret_cast<NMHDR*>(lParam)->code);
        events.push_back({WM_NOTIFY, wParam, code});
        if (code == -697) return collapsedAnswer;
        if (code == -699) return showAllUnavailableAnswer;
        return 0;
    }
};

// A tool bar's menu host that has no menus to give.
class CNoMenuHost : public IToolbarMenuHost {
public:
    HWND GetMainWindow() override { return nullptr; }
    CString GetCommandCaption(UINT) override { return CString(); }
    CString GetPhraseHotKeyText() override { return CString(); }
    CToolbarMenuFacts GetMenuFacts() override { return CToolbarMenuFacts(); }
    bool FillLanguageMenu(HMENU) override { return false; }
    UINT TrackMenu(HMENU, POINT, HWND) override { return 0; }
};

inline void PumpMessages() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
