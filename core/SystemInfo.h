// Facts about the system and the user that logs and reports show.
#pragma once

#include "core/CString.h"

// The operating system as one text: name, bitness, build ("Windows 10 64-bit build 19045").
CString GetOSVersionText();
// Whether the process token is an active member of the Administrators group.
bool IsUserAdmin();
// The user name of the session (at most 260 characters).
CString GetSessionUserName();
// "Vexlora " and the file version of the executable; with the build, " build " and its
// build number. Empty when the executable has no version resource.
CString GetProgramVersionText(bool withBuild = false);
