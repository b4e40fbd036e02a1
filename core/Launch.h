// Starting the sibling programs from the program folder.
#pragma once

#include <windows.h>

#include "core/CString.h"

CString JoinProgramFolder(const wchar_t* fileName);
CString BuildWaiterPath();
CString BuildExitToolPath();
// " /logfile\"<log path>\"" when a log path is given, then " /pid<id>".
CString BuildWaiterCommandLine(DWORD processId, const wchar_t* logPath, bool addExit = false);
// Starts the waiter for this process (with the log path while logging is on).
bool StartWaiterProgram();
