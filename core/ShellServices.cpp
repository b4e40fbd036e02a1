#include "core/ShellServices.h"

#include <shellapi.h>

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

bool IsAddress(const CString& text) {
    for (const wchar_t* scheme : kAddressSchemes) {
        int length = static_cast<int>(wcslen(scheme));
        if (text.GetLength() > 3 && text.GetLength() > length && text.Left(length).CompareNoCase(scheme) == 0)
            return true;
    }
    return false;
}

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

volatile LONG g_useRuUrls = 0;

}  // namespace

void SetShellRunnerForTest(IShellRunner* runner) {
    g_shell = runner ? runner : &g_systemShell;
}

HINSTANCE ShellRun(HWND owner, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                   const wchar_t* folder, int show) {
    return g_shell->Execute(owner, verb, file, parameters, folder, show);
}

void SplitCommandAndParams(const wchar_t* command, CString& program, CString& parameters) {
    CString text(command);
    program = text;
    parameters.Empty();
    if (NamesExistingItem(text) || IsAddress(text)) return;
    for (int length = text.GetLength() - 1; length > 0; --length) {
        // The system ignores a trailing blank in a name: the program would keep the blank
        // that separates it from its parameters.
        if (text[length - 1] == L' ') continue;
        CString start = text.Left(length);
        if (NamesExistingItem(start)) {
            program = start;
            parameters = text.Mid(length);
            return;
        }
    }
}

HINSTANCE RunCommandWithErrorBox(const wchar_t* command, bool showErrors, HWND owner, bool maximized) {
    CString program;
    CString parameters;
    SplitCommandAndParams(command, program, parameters);
    HINSTANCE result = ShellRun(owner, L"open", program, parameters.IsEmpty() ? nullptr : parameters.GetString(),
                                nullptr, maximized ? SW_SHOWMAXIMIZED : SW_SHOW);
    UINT_PTR code = reinterpret_cast<UINT_PTR>(result);
    if (code < 33 && showErrors) {
        CString text = GetErrorMessageText(static_cast<DWORD>(code));
        CString commandText(command);
        text.AppendFormat(L"\nCommand: [%s]\nCommand Lenght: %d", commandText.GetString(), commandText.GetLength());
        MessageBoxW(owner, text, L"Vexlora", MB_ICONEXCLAMATION | MB_TOPMOST);
    }
    return result;
}

void CVXLUrl::_Set_Use_RU_Urls(bool useRu) {
    InterlockedExchange(&g_useRuUrls, useRu ? 1 : 0);
    LogWrite(useRu ? L"CVXLUrl::_Set_Use_RU_Urls: Russian web pages"
                   : L"CVXLUrl::_Set_Use_RU_Urls: international web pages");
}

bool CVXLUrl::IsUsingRuUrls() {
    return InterlockedCompareExchange(&g_useRuUrls, 0, 0) != 0;
}
