// Privileges of this process's token: turned on and off, and listed for the reports.
// Every function answers false or 0 on failure and shows nothing.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"

struct CPrivilegeRecord {
    CString name;         // programmatic name, such as "SeDebugPrivilege"
    CString displayName;  // filled by QueryProcessPrivileges
    BOOL enabled = FALSE;
};
using CPrivilegeList = std::vector<CPrivilegeRecord>;

namespace SecurityUtil2 {
// Enables or disables one privilege in the token (opened with TOKEN_ADJUST_PRIVILEGES);
// false when the name is unknown, the adjustment fails, or the token does not hold
// the privilege at all.
bool SetPrivilege(HANDLE token, const wchar_t* privilegeName, bool enable);
}  // namespace SecurityUtil2

// Whether the privilege is enabled in the token (opened with TOKEN_QUERY). On success
// the thread's last error is 0; on failure it is the system's error and the answer false.
bool IsPrivilegeEnabled(HANDLE token, const wchar_t* privilegeName);

// This process's token with the given access (TOKEN_ADJUST_PRIVILEGES, TOKEN_QUERY...);
// empty when it cannot be opened.
CHandle OpenOwnProcessToken(DWORD access);

// Runs the administrator test of this process: isAdmin tells whether its token is
// elevated or a member of the Administrators group. False, and isAdmin false, when
// neither could be asked (before Vista only the membership can).
bool CheckAdminMembership(bool& isAdmin);

// Gives each record its name from names[i], an empty display name and the state 0.
// False only for a null array with a positive count.
bool InitPrivilegeNames(CPrivilegeRecord* records, int count, const wchar_t* const* names);

// Fills display names (kept as they were when the system has none) and enabled states
// from this process's token; returns count, or 0 when the token cannot be opened.
int QueryProcessPrivileges(CPrivilegeRecord* records, int count);

// Replaces the list's contents by copies of the records, in their order or, with sort,
// enabled ones first and then by name without regard to case. Returns the list's size.
int BuildPrivilegeList(const CPrivilegeRecord* records, int count, CPrivilegeList& list, bool sort);

int CountEnabledPrivileges(const CPrivilegeList& list);
