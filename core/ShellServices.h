// What the core needs of the shell and the web: starting a document or address through
// the shell (one seam, so that tests record what would be opened instead of starting a
// browser), splitting a command into program and parameters, and the choice of the web
// pages' language.
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

// The program is the whole text, and the parameters are empty, when the text names an
// existing item that is not a folder or is an address ("https://", "mailto:" ...).
// Otherwise the longest start of the text that names such an item is the program and
// the rest (its separating blank included) the parameters; the whole text when none does.
void SplitCommandAndParams(const wchar_t* command, CString& program, CString& parameters);

// Splits the command and starts it with the shell's "open" (maximised on request); a
// failure is shown with the system's text when showErrors is set. ShellExecuteW's result.
HINSTANCE RunCommandWithErrorBox(const wchar_t* command, bool showErrors, HWND owner, bool maximized);

// ---------------------------------------------------------------------------------------
// Web destinations

class CVXLUrl {
public:
    // Chooses the Russian or the international web pages, and logs the choice.
    static void _Set_Use_RU_Urls(bool useRu);
    static bool IsUsingRuUrls();
};
