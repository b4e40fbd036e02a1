#include "tools/WaiterCommandLine.h"

#include "core/base/Logger.h"
#include "core/base/ProcessInfo.h"

namespace {

const wchar_t kPidSwitch[] = L"/pid";
const wchar_t kLogFileSwitch[] = L"/logfile";
const wchar_t kExitSwitch[] = L"/exit";

// Where the quoted log path lies in the command line: [first, last) of its characters.
struct Span {
    int first = -1;
    int last = -1;
    bool Contains(int index) const noexcept { return index >= first && index < last; }
};

// The first occurrence of the switch that is not part of the quoted log path: a
// path such as "C:/pidgin/log.txt" must not be read as a process id.
int FindSwitch(const CString& text, const wchar_t* name, const Span& quotedPath) {
    for (int at = text.Find(name); at >= 0; at = text.Find(name, at + 1)) {
        if (!quotedPath.Contains(at)) return at;
    }
    return -1;
}

// Decimal digits up to the first non-digit. A number too big for a process id is no
// process id at all: cut to 32 bits it could name some unrelated process.
DWORD ReadDecimal(const CString& text, int at) {
    ULONGLONG value = 0;
    for (; at < text.GetLength() && text[at] >= L'0' && text[at] <= L'9'; ++at) {
        value = value * 10 + static_cast<ULONGLONG>(text[at] - L'0');
        if (value > MAXDWORD) return 0;
    }
    return static_cast<DWORD>(value);
}

}  // namespace

void CVXL_WF_CommandLineInfo::Parse(const wchar_t* commandLine) {
    *this = CVXL_WF_CommandLineInfo();
    const CString text(commandLine);

    Span quotedPath;
    const int logSwitch = text.Find(kLogFileSwitch);
    if (logSwitch >= 0) {
        const int valueAt = logSwitch + static_cast<int>(wcslen(kLogFileSwitch));
        if (valueAt < text.GetLength() && text[valueAt] == L'"') {
            quotedPath.first = valueAt + 1;
            const int closing = text.Find(L'"', quotedPath.first);
            quotedPath.last = closing >= 0 ? closing : text.GetLength();
            m_logPath = text.Mid(quotedPath.first, quotedPath.last - quotedPath.first);
        } else {
            m_logPath = text.Mid(valueAt);
        }
    }

    const int pidSwitch = FindSwitch(text, kPidSwitch, quotedPath);
    if (pidSwitch >= 0) m_parentPid = ReadDecimal(text, pidSwitch + static_cast<int>(wcslen(kPidSwitch)));

    if (FindSwitch(text, kExitSwitch, quotedPath) >= 0) m_flags |= kFlagExit;
}

const CString& CVXL_WF_CommandLineInfo::GetParentPath() {
    if (!m_parentPathLooked) {
        m_parentPathLooked = true;
        if (m_parentPid) m_parentPath = GetProcessImagePath(m_parentPid);
    }
    return m_parentPath;
}

void CVXL_WF_CommandLineInfo::Trace() {
    const CString& parentPath = GetParentPath();
    LogWriteFormat(L"CVXL_WF_CommandLineInfo::Trace: Log Enabled=%d, LogFile: %s, Parent PID\t=%u, Path2Parent=%s",
                   m_logPath.IsEmpty() ? 0 : 1, m_logPath.GetString(), m_parentPid, parentPath.GetString());
}
