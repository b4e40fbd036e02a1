// The waiter's command line, as the main program writes it:
//   [/logfile"<log path>"] /pid<process id> [/exit]
// Switches are found anywhere in the text, so the program's own path in front of
// them (when the system includes it) does no harm.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

class CVXL_WF_CommandLineInfo {
public:
    enum Flags : DWORD {
        kFlagExit = 1,  // "/exit": stop the running waiter
    };

    void Parse(const wchar_t* commandLine);

    // Empty when logging is off.
    const CString& GetLogPath() const noexcept { return m_logPath; }
    // 0 when not given (or not a usable number).
    DWORD GetParentPid() const noexcept { return m_parentPid; }
    DWORD GetFlags() const noexcept { return m_flags; }
    bool HasExit() const noexcept { return (m_flags & kFlagExit) != 0; }

    // The watched program's executable, looked up once on first use; empty when the
    // process cannot be found.
    const CString& GetParentPath();

    // One log line with the parsed values.
    void Trace();

private:
    CString m_logPath;
    DWORD m_parentPid = 0;
    CString m_parentPath;
    bool m_parentPathLooked = false;
    DWORD m_flags = 0;
};
