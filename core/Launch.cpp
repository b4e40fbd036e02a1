#include "core/Launch.h"

#include <shellapi.h>

#include "core/AppObjects.h"
#include "core/AppPaths.h"
#include "core/Logger.h"

CString JoinProgramFolder(const wchar_t* fileName) { return GetProgramFolder() + fileName; }
CString BuildWaiterPath() { return JoinProgramFolder(L"VxlWaitingFor.exe"); }
CString BuildExitToolPath() { return JoinProgramFolder(L"VXL_Exit.exe"); }

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
    if (result > 32) LogWrite(line);
    else LogError(line);
    return result > 32;
}
