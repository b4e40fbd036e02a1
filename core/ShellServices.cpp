#include "core/ShellServices.h"

#include <shellapi.h>

#include "core/SettingsFile.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"

namespace {

class CSystemShellRunner final : public IShellRunner {
public:
    HINSTANCE Execute(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                      const wchar_t* folder, int show) override {
        return ShellExecuteW(owner, verb, file, parameters, folder, show);
    }
};

CSystemShellRunner g_systemShell;
IShellRunner* volatile g_shell = &g_systemShell;

const wchar_t* const kAddressSchemes[] = {L"https://",  L"http://", L"mailto:",   L"file://", L"ftp://",
                                          L"telnet://", L"news://", L"gopher://", L"nntp://", L"prospero://",
                                          L"wais://",   L"lt:",     L"dvn:"};

// An existing item that is not a folder; one the system refuses to describe counts too.
bool NamesExistingItem(const CString& text) {
    if (text.IsEmpty()) return false;
    UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    DWORD attributes = GetFileAttributesW(text);
    DWORD error = GetLastError();
    SetErrorMode(oldMode);
    if (attributes != INVALID_FILE_ATTRIBUTES) return !(attributes & FILE_ATTRIBUTE_DIRECTORY);
    return error == ERROR_ACCESS_DENIED;
}

}  // namespace

void SetShellRunnerForTest(IShellRunner* runner) {
    g_shell = runner ? runner : &g_systemShell;
}

HINSTANCE ShellRun(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                   const wchar_t* folder, int show) {
    return g_shell->Execute(owner, verb, file, parameters, folder, show);
}

bool IsUrlText(const wchar_t* text) {
    const CString address(text);
    for (const wchar_t* scheme : kAddressSchemes) {
        int length = static_cast<int>(wcslen(scheme));
        if (address.GetLength() > 3 && address.GetLength() > length && address.Left(length).CompareNoCase(scheme) == 0)
            return true;
    }
    return false;
}

int FindExistingFilePrefix(const wchar_t* command) {
    const CString text(command);
    for (int length = text.GetLength() - 1; length > 0; --length) {
        // The system ignores a trailing blank in a name: the program would keep the blank
        // that separates it from its parameters.
        if (text[length - 1] == L' ') continue;
        if (NamesExistingItem(text.Left(length))) return length;
    }
    return -1;
}

void SplitCommandAndParams(const wchar_t* command, CString& program, CString& parameters) {
    CString text(command);
    program = text;
    parameters.Empty();
    if (NamesExistingItem(text) || IsUrlText(text)) return;
    const int length = FindExistingFilePrefix(text);
    if (length < 1) return;
    program = text.Left(length);
    parameters = text.Mid(length);
}

bool RunCommandWithErrorBox(const wchar_t* command, bool showErrors, HWND owner, bool maximized,
                            MessageBoxFn messageBox) {
    CString program;
    CString parameters;
    SplitCommandAndParams(command, program, parameters);
    // A failure the shell reports without a reason (the user cancelled a prompt of its
    // own) shows nothing; an error left over from earlier calls must not pass for one.
    SetLastError(0);
    HINSTANCE result = ShellRun(owner, L"open", program, parameters.IsEmpty() ? nullptr : parameters.GetString(),
                                nullptr, maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    const DWORD lastError = GetLastError();
    const UINT_PTR code = reinterpret_cast<UINT_PTR>(result);
    if (code <= 32 && showErrors && lastError != 0) {
        CString text = GetErrorMessageText(static_cast<DWORD>(code));
        CString commandText(command);
        text.AppendFormat(L"\nCommand: [%s]\nCommand Lenght: %d", commandText.GetString(), commandText.GetLength());
        LogWrite(L"Processed Command: [" + commandText + L"]");
        LogError(text);
        messageBox(owner, text, L"Vexlora", MB_ICONEXCLAMATION | MB_TOPMOST);
    }
    return code > 32;
}

bool OpenSettingsFile(HWND owner) {
    const INT_PTR result =
        reinterpret_cast<INT_PTR>(ShellRun(owner, L"open", GetSettingsFilePath(), nullptr, nullptr, SW_SHOW));
    if (result > 32) return true;
    DWORD error = GetLastError();
    // The shell's small error numbers are the system's error codes of the same value.
    if (error == ERROR_SUCCESS) error = static_cast<DWORD>(result);
    MessageBoxW(owner, GetErrorMessageText(error), L"Vexlora", MB_ICONERROR);
    return false;
}

const wchar_t kUpdaterUserAgent[] = L"Vexlora_Updater";

CString GetUpdaterName() {
    return kUpdaterUserAgent;
}
