// Starting the sibling programs from the program folder: the phrase editor (on a
// launch thread that reports to the tray window, or at once without waiting), the
// waiter and the welcome program.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"

// The program folder followed by the file name.
CString JoinProgramFolder(const wchar_t* fileName);
CString BuildPhraseEditorPath();  // "VexloraEditor.exe"
CString BuildWaiterPath();        // "VxlWaitingFor.exe"
CString BuildWelcomePath();       // "Vexlora_Welcome.exe"
CString BuildExitToolPath();      // "VXL_Exit.exe"

// " /logfile\"<log path>\"" when a log path is given, then " /pid<id>".
CString BuildWaiterCommandLine(DWORD processId, const wchar_t* logPath, bool addExit = false);
// Starts the waiter for this process (with the log path while logging is on).
bool StartWaiterProgram();

// The editor's parameters: " /addfromcb", " /firstrun" and " /addseltext" (when the
// selected text is not empty), in this order. Empty, or beginning with a blank.
CString BuildPhraseEditorSwitches(bool addFromClipboard, bool firstRun, const wchar_t* selectedText);

// wParam of the launch thread's reply message (lParam 0).
const WPARAM kEditorNotStarted = 0;
const WPARAM kEditorRunning = 1;
const WPARAM kEditorEnded = 2;

// Starts the editor on a thread of its own: it writes the hot key and the selected text
// into the shared settings area, starts the editor (asking for elevation first when
// this program is not elevated) and sends `replyMessage` to `replyWindow` with
// kEditorNotStarted, or kEditorRunning and later kEditorEnded; when the stop event is
// set while the editor runs, nothing more is sent. The thread owns the stop event (it
// is closed here too when the thread cannot be started). True when the thread
// started; `thread`, when given, receives its handle.
bool StartPhraseEditorThread(CHandle stopEvent, HWND replyWindow, UINT replyMessage, bool addFromClipboard,
                             bool firstRun, const CString& selectedText, CHandle* thread = nullptr);

// Starts the editor with the shell's "open" verb without waiting for it. A missing
// editor or a failed start is logged and, with showErrors, shown to the user.
bool StartPhraseEditorNow(bool showErrors, bool addFromClipboard, bool firstRun, const CString& selectedText);

// Starts the welcome program ("/auto" with the automatic flag, which first writes the
// UI language into the settings file for it). True when it was started.
bool StartWelcomeProgram(HWND owner, bool automatic);

// How the launch thread asks for elevation and starts the editor. Wine has no elevation
// prompt and counts every token as an administrator's, so tests put their own in place
// to walk the roads of a program that is not elevated and a prompt that is refused.
class IEditorStarter {
public:
    virtual ~IEditorStarter() = default;
    // Whether this program already runs as an administrator.
    virtual bool IsAdmin() = 0;
    // ShellExecuteExW with the verb; the editor's process, or null with *error set.
    virtual HANDLE ShellStart(const wchar_t* verb, const wchar_t* path, const wchar_t* parameters, DWORD* error) = 0;
    // CreateProcessW with the parameters as the command line; the process, or null.
    virtual HANDLE CreateProcessStart(const wchar_t* path, const wchar_t* parameters, DWORD* error) = 0;
};
// The system's starter.
IEditorStarter& GetSystemEditorStarter();
// Null puts the system's starter back. Only while no launch thread runs.
void SetEditorStarterForTest(IEditorStarter* starter);
