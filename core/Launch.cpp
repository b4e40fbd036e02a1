#include "core/Launch.h"

#include <shellapi.h>

#include <memory>

#include "core/AppSlots.h"
#include "core/Settings.h"
#include "core/SettingsArea.h"
#include "core/SettingsFile.h"
#include "core/SystemInfo.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"
#include "core/base/WorkerThread.h"

namespace {

// Everything the launch thread needs; the thread owns and frees it.
struct EditorLaunchContext {
    HWND replyWindow;
    UINT replyMessage;
    CHandle stopEvent;
    bool addFromClipboard;
    bool firstRun;
    CString selectedText;
};

class CSystemEditorStarter final : public IEditorStarter {
public:
    bool IsAdmin() override { return IsUserAdmin(); }

    HANDLE ShellStart(const wchar_t* verb, const wchar_t* path, const wchar_t* parameters, DWORD* error) override {
        SHELLEXECUTEINFOW info = {};
        info.cbSize = sizeof info;
        // Failures reach the tray window as a reply, and it decides what the user is told:
        // the shell must not stop this thread with boxes of its own meanwhile.
        info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_FLAG_NO_UI;
        info.lpVerb = verb;
        info.lpFile = path;
        info.lpParameters = parameters;
        info.nShow = SW_SHOWMAXIMIZED;
        BOOL started = ShellExecuteExW(&info);
        *error = GetLastError();
        if (started && info.hProcess) return info.hProcess;
        if (info.hProcess) CloseHandle(info.hProcess);
        // A start that gives no process to wait for (a document opened by a running
        // program) cannot be followed to its end.
        if (*error == ERROR_SUCCESS) *error = ERROR_INVALID_HANDLE;
        return nullptr;
    }

    HANDLE CreateProcessStart(const wchar_t* path, const wchar_t* parameters, DWORD* error) override {
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        // CreateProcessW may write into its command-line buffer.
        CString commandLine(parameters);
        BOOL started = CreateProcessW(path, commandLine.IsEmpty() ? nullptr : commandLine.GetBuffer(), nullptr, nullptr,
                                      FALSE, 0, nullptr, nullptr, &startup, &process);
        *error = GetLastError();
        if (!started) return nullptr;
        CloseHandle(process.hThread);
        return process.hProcess;
    }
};

CSystemEditorStarter g_systemStarter;
IEditorStarter* volatile g_starter = &g_systemStarter;

// The system's text of an error as one log line.
CString ErrorText(DWORD code) {
    CString text = GetErrorMessageText(code);
    text.TrimRight();
    return text;
}

// Tries the roads one after the other; the editor's process, or null when every road failed.
HANDLE StartEditorProcess(IEditorStarter& starter, const CString& path, const CString& switches) {
    DWORD error = 0;
    if (!starter.IsAdmin()) {
        LogWrite(L"Start the DezediDizava at ShellExellExecute + query admin rights");
        if (HANDLE process = starter.ShellStart(L"runas", path, switches, &error)) {
            LogWrite(L"Succcessfully start DezediDizava as admin");
            return process;
        }
        LogWrite(L"Cannot start DezediDizava as admin by ShellExecute " + ErrorText(error));
    }
    LogWrite(L"Start the DezediDizava at CreateProcess");
    if (HANDLE process = starter.CreateProcessStart(path, switches, &error)) {
        LogWrite(L"Succcessfully start DezediDizava as CreateProcess");
        return process;
    }
    LogWrite(L"Cannot start DezediDizava as CreateProcess " + ErrorText(error));
    LogWrite(L"Start the DezediDizava at ShellExellExecute + NO query admin rights");
    if (HANDLE process = starter.ShellStart(L"open", path, switches, &error)) {
        LogWrite(L"Succcessfully start DezediDizava  as NOT admin by ShellExecute");
        return process;
    }
    LogWrite(L"Cannot start DezediDizava as NOT admin by ShellExecute " + ErrorText(error));
    return nullptr;
}

DWORD PhraseEditorLaunchThread(EditorLaunchContext& context) {
    CString path = BuildPhraseEditorPath();
    CString switches = BuildPhraseEditorSwitches(context.addFromClipboard, context.firstRun, context.selectedText);
    const CVXLSettings& settings = CVXLSettings::GetInstance();
    WriteSettingsArea(settings.HotkeyVk, settings.HotkeyModifiers, settings.Hotkey_Doubled, context.selectedText);

    DWORD savedError = GetLastError();
    SetLastError(0);
    CHandle process(StartEditorProcess(*g_starter, path, switches));
    if (!process) {
        SendMessageW(context.replyWindow, context.replyMessage, kEditorNotStarted, 0);
    } else {
        SendMessageW(context.replyWindow, context.replyMessage, kEditorRunning, 0);
        HANDLE waits[2] = {context.stopEvent.get(), process.get()};
        // The program ending first (the stop event) ends the thread without a reply.
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
            SendMessageW(context.replyWindow, context.replyMessage, kEditorEnded, 0);
    }
    SetLastError(savedError);
    return 0;
}

void ReportEditorStartError(const CString& text, bool showErrors) {
    LogError(text);
    if (showErrors) MessageBoxW(CAppObjects::GetMainWnd(), text, L"Vexlora", MB_ICONEXCLAMATION);
}

}  // namespace

CString JoinProgramFolder(const wchar_t* fileName) {
    return GetProgramFolder() + fileName;
}
CString BuildPhraseEditorPath() {
    return JoinProgramFolder(L"VexloraEditor.exe");
}
CString BuildWaiterPath() {
    return JoinProgramFolder(L"VxlWaitingFor.exe");
}
CString BuildWelcomePath() {
    return JoinProgramFolder(L"Vexlora_Welcome.exe");
}
CString BuildExitToolPath() {
    return JoinProgramFolder(L"VXL_Exit.exe");
}

CString BuildWaiterCommandLine(DWORD processId, const wchar_t* logPath, bool addExit) {
    CString line;
    if (logPath && *logPath) line.Format(L" /logfile\"%s\"", logPath);
    line.AppendFormat(L" /pid%u", static_cast<unsigned>(processId));
    if (addExit) line += L" /exit";
    return line;
}

bool StartWaiterProgram() {
    CString path = BuildWaiterPath();
    if (!FileExists(path)) LogError(L"VxlWaiter Not Found: " + path);
    CString commandLine = BuildWaiterCommandLine(GetCurrentProcessId(), GetLogPath());
    CString folder = GetProgramFolderNoSlash();
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // CreateProcessW may write into its command-line buffer.
    CString buffer(commandLine);
    bool started = CreateProcessW(path, buffer.GetBuffer(), nullptr, nullptr, FALSE, 0, nullptr, folder, &startup,
                                  &process) != FALSE;
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    CString flatCommandLine(commandLine);
    flatCommandLine.Replace(L'\r', L' ');
    flatCommandLine.Replace(L'\n', L' ');
    CString line;
    line.Format(L"Start by CreateProcess: VxlWaitingFor.exe Result= %d CmdLine: %s", started ? 1 : 0,
                flatCommandLine.GetString());
    if (started) {
        LogWrite(line);
        return true;
    }
    LogError(line);
    INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(CAppObjects::GetMainWnd(), L"open", path, commandLine, nullptr, SW_HIDE));
    line.Format(L"Start by ShellExecute: VxlWaitingFor.exe Result= %d CmdLine: %s", static_cast<int>(result),
                flatCommandLine.GetString());
    if (result > 32)
        LogWrite(line);
    else
        LogError(line);
    return result > 32;
}

CString BuildPhraseEditorSwitches(bool addFromClipboard, bool firstRun, const wchar_t* selectedText) {
    CString switches;
    if (addFromClipboard) switches += L" /addfromcb";
    if (firstRun) switches += L" /firstrun";
    if (selectedText && *selectedText) switches += L" /addseltext";
    return switches;
}

bool StartPhraseEditorThread(CHandle stopEvent, HWND replyWindow, UINT replyMessage, bool addFromClipboard,
                             bool firstRun, const CString& selectedText, CHandle* thread) {
    std::unique_ptr<EditorLaunchContext> context(new EditorLaunchContext{
        replyWindow, replyMessage, std::move(stopEvent), addFromClipboard, firstRun, selectedText});
    return StartWorker(std::move(context), &PhraseEditorLaunchThread, {}, thread);
}

bool StartPhraseEditorNow(bool showErrors, bool addFromClipboard, bool firstRun, const CString& selectedText) {
    CScopedCursor cursor(IDC_APPSTARTING);
    DWORD savedError = GetLastError();
    CString path = BuildPhraseEditorPath();
    if (!FileExists(path)) {
        ReportEditorStartError(L"Cannot find file\n" + path, showErrors);
        SetLastError(savedError);
        return false;
    }
    CString switches = BuildPhraseEditorSwitches(addFromClipboard, firstRun, selectedText);
    INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(CAppObjects::GetMainWnd(), L"open", path, switches, nullptr, SW_SHOWMAXIMIZED));
    if (result < 32) {
        ReportEditorStartError(L"Cannot start the file\n" + path + L"Params: " + switches + L" " +
                                   GetErrorMessageText(static_cast<DWORD>(result)),
                               showErrors);
    }
    SetLastError(savedError);
    return result > 32;
}

bool StartWelcomeProgram(HWND owner, bool automatic) {
    if (automatic) {
        // The welcome program reads the UI language from the settings file.
        CString language = CVXLSettings::GetInstance().GetLanguage();
        if (!language.IsEmpty()) WriteLanguageSetting(language, GetSettingsFilePath());
    }
    INT_PTR result = reinterpret_cast<INT_PTR>(
        ShellExecuteW(owner, L"open", BuildWelcomePath(), automatic ? L"/auto" : nullptr, nullptr, SW_SHOW));
    // 32 is the shell's "DLL not found", a failure like every value below it.
    return result > 32;
}

IEditorStarter& GetSystemEditorStarter() {
    return g_systemStarter;
}

void SetEditorStarterForTest(IEditorStarter* starter) {
    g_starter = starter ? starter : &g_systemStarter;
}
