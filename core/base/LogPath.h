// Where the log file goes.
#pragma once

#include "core/base/CString.h"

// The log file: "LogReport.txt" in the program folder when the program may write
// there (or runs from a removable or network drive), else "LogReport_Vexlora.txt"
// in the user's application-data folder. Decided anew on every call.
CString BuildLogReportPath();
inline CString GetLogReportPath() {
    return BuildLogReportPath();
}
