// Facts about the system and the user that logs and reports show: the Windows version
// as a family member with a display name and a short code, its build and service pack,
// the install date, memory figures, the user and the program's own version.
//
// Each answers a fixed "not known" value (-1, false, "Cannot detect" or an empty text)
// instead of failing, and any thread may call them.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// The Windows version

// The members of the Windows family the program tells apart. Other values count as
// kOsUnknown.
enum OsId : int {
    kOsUnknown = -1,
    kOsWin95 = 0,
    kOsWin98 = 1,
    kOsWinMe = 2,
    kOsWinNT351 = 3,
    kOsWinNT40 = 4,
    kOsWin2000 = 5,
    kOsWinVista = 6,
    kOsWinServer2008 = 7,
    kOsWin31 = 8,  // named, never detected
    kOsWinXP = 9,
    kOsServer2003 = 10,
    kOsWin7 = 11,
    kOsWinServer2008R2 = 12,
    kOsWin8 = 13,
    kOsWinServer2012 = 14,
    kOsWin81 = 15,
    kOsWinServer2012R2 = 16,
    kOsWin10 = 17,
    kOsWinServer2016 = 18,
    kOsWinServer2019 = 19,
    kOsWin11 = 20,
    kOsWinServer2022 = 21,
};

// The version the kernel reports (RtlGetVersion, which does not lie to programs
// without a compatibility manifest), else GetVersionExW's; false when neither answers.
bool ReadOsVersion(OSVERSIONINFOEXW* info);
// The family member of a version: by major, minor, product type and build.
OsId ClassifyOs(const OSVERSIONINFOEXW& info);

// This system's member, detected once; a failed detection is not kept, so the next
// call tries again.
OsId DetectOsId();
// "Windows 10", "Unknown Windows" ...; "Win10", "UnknowOs" ...
CString GetOsName(int id);
CString GetOsCode(int id);
CString GetOsNameOfThisOs();
CString GetOsCodeOfThisOs();

// Name, " 64x" under WOW64 (else " 32x"), " build " and the build number, a blank, and
// the service-pack text ("Windows 10 32x build 19045 ").
CString GetOSVersionText();

// Whether the real version is at least major.minor.
bool IsWindowsVersionOrLater(DWORD major, DWORD minor);
bool IsVistaOrLater();
bool IsWin7OrLater();

// KEY_QUERY_VALUE, with KEY_WOW64_64KEY under WOW64 so that a 32-bit program reads the
// system's own view of HKEY_LOCAL_MACHINE.
REGSAM GetRegistryAccessForWow64();
// The registry's "InstallDate" of Windows as a UTC time; false when it cannot be read.
bool GetWindowsInstallDate(SYSTEMTIME* installed);
// Seconds since 1 January 1970 UTC as a UTC time.
bool UnixSecondsToSystemTime(DWORD seconds, SYSTEMTIME* time);

// ---------------------------------------------------------------------------------------
// Memory, each "Cannot detect" when the system does not tell

CString GetMemoryPhysicalAvailableText();  // "%.2f GB"
CString GetMemoryInstalledText();          // "%.2f GB"
CString GetMemoryUsageText();              // "%d%%" of the memory load
// Megabytes as gigabytes with two decimals and " GB", whatever the user's locale.
CString FormatMegabytesAsGigabytes(DWORD megabytes);

// ---------------------------------------------------------------------------------------
// The user and the program

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
