// What the tray window drives of the pieces that are built apart from it: the hook
// service and the query exchange (the hook road), the data-needed handler (the phrase
// menu). The tray window owns none of them; the program gives it the real ones and tests
// give it fakes. A missing piece leaves its part of the services off.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

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
