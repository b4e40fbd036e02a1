// What the core needs of the shell and the web: starting a document or address through
// the shell (one seam, so that tests record what would be opened instead of starting a
// browser), splitting a command into program and parameters, opening the settings file,
// and the name the downloads give themselves.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// Shell starts

class IShellRunner {
public:
    virtual ~IShellRunner() = default;
    // ShellExecuteW: a result above 32 means started.
    virtual HINSTANCE Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                              const wchar_t* folder, int show) = 0;
};
// Null puts the system's ShellExecuteW back. Only while no other thread starts anything.
void SetShellRunnerForTest(IShellRunner* runner);
// ShellExecuteW through the seam.
HINSTANCE ShellRun(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                   const wchar_t* folder, int show);

// Longer than 3 characters and than one of the address schemes it begins with ("https://",
// "http://", "mailto:", "file://", "ftp://", "telnet://", "news://", "gopher://",
// "nntp://", "prospero://", "wais://", "lt:", "dvn:"; case ignored).
bool IsUrlText(const wchar_t* text);
// The length of the longest start of the command (shorter than the whole, not ending in
// a blank) that names an existing item that is not a folder; -1 when none does.
int FindExistingFilePrefix(const wchar_t* command);
// The program is the whole text, and the parameters are empty, when the text names an
// existing item that is not a folder or is an address ("https://", "mailto:" ...).
// Otherwise the longest start of the text that names such an item is the program and
// the rest (its separating blank included) the parameters; the whole text when none does.
void SplitCommandAndParams(const wchar_t* command, CString& program, CString& parameters);

// The system's MessageBoxW, or a test's stand-in that records what would be shown.
using MessageBoxFn = int(WINAPI*)(HWND owner, const wchar_t* text, const wchar_t* caption, UINT style);

// Splits the command and starts it with the shell's "open" (maximised on request). When
// the start fails for a reason the system names (its last error is not 0) and showErrors
// is set, the system's text with the command and its length is logged and shown. True
// when the command started.
bool RunCommandWithErrorBox(const wchar_t* command, bool showErrors, HWND owner, bool maximized,
                            MessageBoxFn messageBox = MessageBoxW);

// The settings file in use opened with the shell; on failure an error box with the
// system's text. True when started.
bool OpenSettingsFile(HWND owner);

// ---------------------------------------------------------------------------------------
// "Vexlora_Updater": the user agent of the version-file, offer-page and news downloads.
extern const wchar_t kUpdaterUserAgent[];
CString GetUpdaterName();
