// The hidden window of the resident main program: the target of every request from
// other instances and worker threads, and the owner of the message loop's life.
#pragma once

#include "core/CommandLine.h"
#include "core/TrayIds.h"
#include "platform/wtl/AtlApp.h"
#include "platform/wtl/AtlWin.h"

class CVXLTrayWnd : public wtl::CWindowImplBase, public wtl::CMessageFilter, public wtl::CIdleHandler {
public:
    CVXLTrayWnd(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine);

    // Creates the hidden, off-screen window. True when a window was made.
    bool Create(HINSTANCE instance);

    BOOL PreTranslateMessage(MSG*) override { return FALSE; }
    BOOL OnIdle() override { return FALSE; }

    BEGIN_MSG_MAP(CVXLTrayWnd)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
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

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEndSession(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInstanceRequest(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnShowTrayMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLanguageChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFloatPaneBlink(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAppExit(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenEditor(WORD, WORD, HWND, BOOL&);
    LRESULT OnCheckForUpdates(WORD, WORD, HWND, BOOL&);

    void StartLateWatchers();

    HANDLE m_exitEvent;
    bool m_noInstall;
    const CVXLCommandLine* m_commandLine;
};
