// The hidden window of the resident main program: the target of every request from
// other instances and worker threads, and the owner of the message loop's life.
#pragma once

#include <vector>

#include "core/CommandLine.h"
#include "core/DesktopWatch.h"
#include "core/TrayIds.h"
#include "phrases/CommandTree.h"
#include "platform/wtl/AtlApp.h"
#include "platform/wtl/AtlWin.h"
#include "tray/TrayRules.h"
#include "tray/TrayServices.h"

class CVXLTrayWnd : public wtl::CWindowImplBase, public wtl::CMessageFilter, public wtl::CIdleHandler {
public:
    CVXLTrayWnd(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine);

    // Creates the hidden, off-screen window. True when a window was made.
    bool Create(HINSTANCE instance);

    // The pieces built apart from the window, given before Create; a null piece leaves
    // its part of the services off.
    void SetClipboardHistory(ITrayClipboardHistory* history) { m_history = history; }
    void SetHookService(ITrayHookService* hook) { m_hook = hook; }
    void SetQueryExchange(ITrayQueryExchange* query) { m_query = query; }

    // Starts the hook service and everything that hangs on it; non-zero when the query
    // thread runs. Failures are logged and collected, never shown.
    int StartServices();
    void StopServices();

    // The phrase hot key: 0 without doing anything while it is registered; else the result
    // of RegisterHotKey, and on failure "Cannot register hotkey. Error: <code>" after a line
    // feed in *errorText (when given) and in the collected errors.
    BOOL RegisterPhraseHotKey(CString* errorText = nullptr);
    void UnregisterPhraseHotKey();
    bool IsPhraseHotKeyRegistered() const { return m_hotKeyRegistered != FALSE; }

    CVXLCommandTree& GetPhraseTree() { return m_phraseTree; }

    // Start-up failures, kept for the about and system report.
    void AddCollectedError(const CString& text);
    const std::vector<CString>& GetCollectedErrors() const { return m_collectedErrors; }

    BOOL PreTranslateMessage(MSG*) override { return FALSE; }
    BOOL OnIdle() override { return FALSE; }

    BEGIN_MSG_MAP(CVXLTrayWnd)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
    MESSAGE_HANDLER(WM_COPYDATA, OnCopyData)
    MESSAGE_HANDLER(WM_WTSSESSION_CHANGE, OnSessionChange)
    MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
    MESSAGE_HANDLER(GetReportErrorMessageId(), OnReportError)
    MESSAGE_HANDLER(WM_VXL_INSTALL_CLIPBOARD_HISTORY, OnInstallClipboardHistory)
    MESSAGE_HANDLER(WM_VXL_QUERY_ERROR, OnQueryError)
    MESSAGE_HANDLER(WM_VXL_IS_HOTKEY_REGISTERED, OnIsHotKeyRegistered)
    MESSAGE_HANDLER(GetInstanceWatcherMessageId(), OnInstanceRequest)
    MESSAGE_HANDLER(WM_VXL_SHOW_TRAY_MENU, OnShowTrayMenu)
    MESSAGE_HANDLER(WM_VXL_LANGUAGE_CHANGED, OnLanguageChanged)
    MESSAGE_HANDLER(WM_VXL_FLOAT_PANE_BLINK, OnFloatPaneBlink)
    COMMAND_ID_HANDLER(ID_APP_EXIT, OnAppExit)
    COMMAND_ID_HANDLER(ID_OPEN_EDITOR, OnOpenEditor)
    COMMAND_ID_HANDLER(ID_CHECK_FOR_UPDATES, OnCheckForUpdates)
    END_MSG_MAP()

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraTrayWindow"; }

private:
    static UINT GetInstanceWatcherMessageId();
    static UINT GetReportErrorMessageId();

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEndSession(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCopyData(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSessionChange(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNotify(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnReportError(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInstallClipboardHistory(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnQueryError(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnIsHotKeyRegistered(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInstanceRequest(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnShowTrayMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLanguageChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFloatPaneBlink(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAppExit(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenEditor(WORD, WORD, HWND, BOOL&);
    LRESULT OnCheckForUpdates(WORD, WORD, HWND, BOOL&);

    void StartLateWatchers();
    bool StartQueryThread();
    // The clipboard history comes on with the services when its setting is on and its
    // window is missing; when it cannot, a thread asks again every two seconds.
    void InstallClipboardHistoryIfMissing();
    void StartDelayedClipboardInstaller();
    // Failed steps of StartServices give everything back that the earlier steps took.
    int FailServices(const CString& errorText, bool unregisterHotKey);

    HANDLE m_exitEvent;
    bool m_noInstall;
    const CVXLCommandLine* m_commandLine;
    CWTSNotify m_sessionNotify;
    CSessionRule m_sessionRule;
    ITrayClipboardHistory* m_history = nullptr;
    ITrayHookService* m_hook = nullptr;
    ITrayQueryExchange* m_query = nullptr;
    CVXLCommandTree m_phraseTree;
    BOOL m_hotKeyRegistered = FALSE;
    DWORD m_lastClipboardSequence = 0;
    std::vector<CString> m_collectedErrors;
};
