// The process-wide clipboard watcher. A hidden child window hears of clipboard changes,
// as a clipboard format listener where the system has one, else as a member of the
// clipboard-viewer chain, and hands each change to the observers. Both mechanisms can
// stop delivering without a word (a viewer further up the chain that breaks it, a
// listener registration lost when the session's clipboard is reset), so a timer compares
// the clipboard's sequence number with the last one seen and installs the watcher again
// when the number moved without a notice.
#pragma once

#include <windows.h>

#include <map>

#include "core/base/Clipboard.h"
#include "platform/wincore/WindowCore.h"

// The values of the ClipboardSpyMethod setting besides -1 (automatic), and the method
// the watcher uses once installed.
enum {
    CSMO_SETCLIPBOARDVIEWER = 0,
    CSMO_ADDCLIPBOARDLISTENER = 1,
};
const int kClipboardSpyNotInstalled = -1;

// How the watcher asks the system for clipboard notices; tests pass a fake.
class IClipboardNotices {
public:
    virtual ~IClipboardNotices() = default;
    // Whether the system has AddClipboardFormatListener at all (Vista and later).
    virtual bool HasFormatListener() = 0;
    // WM_CLIPBOARDUPDATE to the window from now on; false when missing or refused.
    virtual bool AddFormatListener(HWND window) = 0;
    // False when the system lacks RemoveClipboardFormatListener.
    virtual bool RemoveFormatListener(HWND window) = 0;
    // Puts the window first in the viewer chain; `next` is the window that was first
    // (null when the chain was empty). False when the system refused.
    virtual bool JoinViewerChain(HWND window, HWND& next) = 0;
    virtual void LeaveViewerChain(HWND window, HWND next) = 0;
};

IClipboardNotices& SystemClipboardNotices();

// The method the clipboard handler installs for a ClipboardSpyMethod setting: -1 picks the
// format listener where the system has it.
int ResolveClipboardSpyMethod(int setting, IClipboardNotices& notices);

class IClipboardSpyObserver {
public:
    virtual ~IClipboardSpyObserver() = default;
    // `source` is the clipboard's owner at the notice, or the foreground window when the
    // clipboard has no owner.
    virtual void OnClipboardChanged(HWND source, DWORD cookie) = 0;
    // Installing the watcher again failed: no more notices come.
    virtual void OnClipboardSpyStateChanged(DWORD cookie) = 0;
};

class CClipboardSpy final : public wincore::CMessageTarget {
public:
    using ObserverMap = std::map<IClipboardSpyObserver*, DWORD>;

    static constexpr UINT kTimerId = 101;
    static constexpr UINT kViewerChainIntervalMs = 5000;
    static constexpr UINT kFormatListenerIntervalMs = 300000;

    // The program's watcher on the system's clipboard, built on first use.
    static CClipboardSpy& GetInstance();
    // The program watcher's observers; an empty map while there is no watcher.
    static const ObserverMap& GetClipboardObservers();

    CClipboardSpy(IClipboard& clipboard, IClipboardNotices& notices);
    ~CClipboardSpy() override;
    CClipboardSpy(const CClipboardSpy&) = delete;
    CClipboardSpy& operator=(const CClipboardSpy&) = delete;

    // Creates the hidden window as a child of `parent`; the format listener is tried first
    // when newMethodAllowed is 1. False when already installed or when neither method could
    // be installed.
    bool Install(int newMethodAllowed, HINSTANCE instance, HWND parent);
    // True when the watcher is no longer installed afterwards.
    bool Uninstall();
    bool IsInstalled() const { return m_method != kClipboardSpyNotInstalled; }
    int GetMethod() const { return m_method; }
    HWND GetWindow() const { return m_window; }
    // The running check's interval, 0 while not installed.
    UINT GetTimerInterval() const { return m_timer.interval; }

    // Adds the observer or replaces its cookie.
    void SetObserver(IClipboardSpyObserver* observer, DWORD cookie);
    // An observer that goes away before the watcher must leave, also from inside a call.
    void RemoveObserver(IClipboardSpyObserver* observer);
    void ClearObservers();
    const ObserverMap& GetObservers() const { return m_observers; }

    // The message the watcher posts to its own window: wParam 0 clipboard changed (lParam
    // the owner), 1 state changed.
    static UINT SpyMessage();

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnAttached(HWND window) noexcept override;
    void OnDetached(HWND window) noexcept override;

private:
    struct TimerRecord {
        UINT_PTR id = 0;
        UINT interval = 0;
    };

    LRESULT OnCreate();
    void OnDestroy();
    LRESULT OnTimer(WPARAM id);
    LRESULT OnDrawClipboard(WPARAM wParam, LPARAM lParam);
    LRESULT OnChangeClipboardChain(HWND removed, HWND next);
    LRESULT OnClipboardUpdate();

    bool InstallNotices();
    void RemoveNotices();
    void CheckSequence();
    void NotifyObservers(WPARAM what, LPARAM lParam);
    void PostChange();

    IClipboard& m_clipboard;
    IClipboardNotices& m_notices;
    DWORD m_lastSequence;
    bool m_reinstalling = false;
    TimerRecord m_timer;
    HWND m_nextViewer = nullptr;
    bool m_newMethodAllowed = false;
    HWND m_window = nullptr;
    ObserverMap m_observers;
    int m_method = kClipboardSpyNotInstalled;
};
