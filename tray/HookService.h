// The main program's handle on the hook library Vexlora.dll: installs and removes its
// hooks, asks it for the target window and gets the target's query started. The library
// is loaded at run time by its path and every export is bound by name where it is used,
// so a library of an older version (or a missing one) is found out there and reported.
//
// On 64-bit Windows the 32-bit library cannot reach 64-bit programs, so the query is
// built here instead of being asked of the library. Everything runs on the tray window's
// thread.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "hooklib/QueryCodec.h"
#include "tray/TrayServices.h"
#include "tray/WinEventHooks.h"

// Installation error codes of the service itself, beside the library's WPE_ codes.
const int kHookErrorCannotLoad = 4;
const int kHookErrorNoInstallExport = 5;
const int kHookErrorNoServiceEvent = 7;

// Results of SendMessageToTargetWindow.
const int kTargetMessagePosted = 0;
const int kTargetMessageFailed = 1;
const int kTargetQueryFilledHere = 2;

// The row text of an installation error code, ", Error code: " and the code.
CString BuildDllServiceErrorText(int code);

// How the query of the 64-bit road reads the target's selection; the real one copies.
using SelectionCopier = CString (*)(HWND target);

class CVXLDLLService : public ITrayHookService, public IWinEventSubscriber {
public:
    // `libraryPath`: the library to load (the program folder's one in the program).
    // `wow64Road`: true builds the query here instead of posting to the target, as on
    // 64-bit Windows.
    CVXLDLLService(UINT monitoredMessage, const CString& libraryPath, bool wow64Road, SelectionCopier copier = nullptr);
    // The program's service: the library beside the program, the road of this Windows.
    explicit CVXLDLLService(UINT monitoredMessage);
    ~CVXLDLLService() override;
    CVXLDLLService(const CVXLDLLService&) = delete;
    CVXLDLLService& operator=(const CVXLDLLService&) = delete;

    // Non-zero when installed; else `error` holds the code. The notes of every step are
    // logged and kept for LastInstallNote.
    int InstallDLLService(HWND mainWindow, UINT monitoredMessage, const wchar_t* dataNeededName,
                          const wchar_t* dataCompletedName, const wchar_t* mappingName, bool logFlag, int& error,
                          bool waitFlag);
    // Removes hooks a former run of the library left behind; the library's result.
    int Un_Install_No_Control_Errors();
    // 1 when the hooks were removed and the library unloaded.
    int UninstallDLLService();
    int WE_IsIntalled() const;

    HWND GetTargetWindow();
    HWND GetTargetWindowOther();
    // kTargetMessagePosted, kTargetMessageFailed, or kTargetQueryFilledHere (64-bit road).
    int SendMessageToTargetWindow(WPARAM wParam, CWPQueryData& query);
    CString GetDllServiceImplName() const override;
    const CString& LastInstallNote() const { return m_note; }

    // ITrayHookService
    bool IsInstalled() override { return m_installed != 0; }
    int Install(HWND mainWindow, UINT monitoredMessage, const wchar_t* dataNeededName, const wchar_t* dataCompletedName,
                const wchar_t* mappingName, bool logFlag, int& error, bool waitFlag) override;
    int Uninstall() override { return UninstallDLLService(); }

    // Foreground and focus events keep the window to fall back on when the library
    // knows no target.
    LRESULT OnWinEvent(const WinEventRecord& record, DWORD userValue) override;

private:
    FARPROC Export(const char* name) const;
    void AddNote(const CString& note);
    void FillQueryHere(HWND target, CWPQueryData& query) const;

    CString m_libraryPath;
    bool m_wow64Road;
    SelectionCopier m_copier;
    int m_subscribed = 0;
    HWND m_fallbackTarget = nullptr;
    UINT m_monitoredMessage;
    CLibraryHandle m_library;
    CHandle m_serviceEvent;
    int m_installed = 0;
    CString m_note;
};
