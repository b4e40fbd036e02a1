// What the tray window drives of the pieces that are built apart from it: the hook
// service and the query exchange (the hook road), the data-needed handler (the phrase
// menu). The tray window owns none of them; the program gives it the real ones and tests
// give it fakes. A missing piece leaves its part of the services off.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

class CWPQueryData;

class ITrayHookService {
public:
    virtual ~ITrayHookService() = default;
    virtual bool IsInstalled() = 0;
    // Non-zero when installed; else `error` holds the installation error code.
    virtual int Install(HWND mainWindow, UINT monitoredMessage, const wchar_t* dataNeededName,
                        const wchar_t* dataCompletedName, const wchar_t* mappingName, bool logFlag, int& error,
                        bool waitFlag) = 0;
    // 1 when the hooks were removed.
    virtual int Uninstall() = 0;
    // Asks the target for its menu: 0 the request was posted to the target (its answer
    // comes through the query exchange), 1 no target or the post failed, 2 the query was
    // filled here.
    virtual int SendMessageToTargetWindow(WPARAM wParam, CWPQueryData& query) = 0;
    // The last window of another program the user worked in, or null.
    virtual HWND GetTargetWindowOther() = 0;
    // The name of the road the hooks take on this system, for the system report.
    virtual CString GetDllServiceImplName() const = 0;
};

// The events and the mapping through which the hook library's queries come, and the
// thread that waits for them.
class ITrayQueryExchange {
public:
    virtual ~ITrayQueryExchange() = default;
    virtual bool CreateWaitObjects() = 0;
    virtual void CloseWaitObjects() = 0;
    // The thread posts `queryMessage` for each query and `errorMessage` when a wait failed;
    // true when it runs.
    virtual bool StartQueryThread(HWND window, HANDLE exitEvent, UINT queryMessage, UINT errorMessage) = 0;
};

// "Success", "Cant load DLL" and so on for an installation error code.
const wchar_t* HookInstallErrorName(int code);
// The text logged and collected when the hook library cannot be installed: the library's
// path (or that it is missing), then the code's name and number.
CString BuildHookInstallErrorText(int code, const CString& libraryPath, bool libraryExists);

// The float pane as the tray window reaches it; its window may or may not exist.
class ITrayFloatPane {
public:
    virtual ~ITrayFloatPane() = default;
    // Null while the pane's window does not exist.
    virtual HWND Window() = 0;
    virtual void Blink(WPARAM how) = 0;
    virtual void ReloadList() = 0;
    // Show modes: 1 from the Alt-Tab icon, 3 at start-up.
    virtual void Show(int mode) = 0;
    // Active and in the foreground, fitted, shown, its list focused.
    virtual void BringForward() = 0;
    virtual bool GetSelectedText(CString& text) = 0;
    // The focused item as plain text (0), HTML (1) or its source address (2).
    virtual bool GetFocusedItemText(int form, CString& text) = 0;
    // The pane's record of its focused item, or 0.
    virtual LRESULT GetFocusedItemRecord() = 0;
};

// The roads that start at the tray window and are built apart: the phrase menu and its
// commands.
class ITrayRoads {
public:
    virtual ~ITrayRoads() = default;
    virtual void OnPhraseHotKey() = 0;
    virtual void OnQuery(WPARAM query, LPARAM answer) = 0;
    virtual void OnCommandFromSelf(int commandId, HWND target) = 0;
    virtual void OnCommandReply(int commandId, HWND target) = 0;
    virtual void OnItemAction(WPARAM code, LPARAM itemId) = 0;
    virtual void ShowPhraseMenuFromCommand() = 0;
    virtual bool IsPhraseMenuShown() = 0;
    // Forgets the fonts of the phrase menu after a settings change.
    virtual void ForgetFonts() = 0;
};
