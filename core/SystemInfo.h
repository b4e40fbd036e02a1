// Facts about the system and the user that logs and reports show.
#pragma once

#include "core/base/CString.h"

// The operating system as one text: name, bitness, build ("Windows 10 64-bit build 19045").
CString GetOSVersionText();
// Whether the process token is elevated or an active member of the Administrators group;
// false when that cannot be asked (CheckAdminMembership).
bool IsUserAdmin();
// The user name of the session (at most 260 characters).
CString GetSessionUserName();
// The file version of the executable as its version resource writes it ("1, 0, 0, 0"
// reads "1.0.0.0"); empty without a version resource.
CString GetProgramFileVersion();
// "Vexlora " and the file version of the executable; with the build, " build " and its
// build number. Empty when the executable has no version resource.
CString GetProgramVersionText(bool withBuild = false);
