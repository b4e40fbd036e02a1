#include "core/AppPrivileges.h"

#include "core/base/Logger.h"
#include "core/base/Privileges.h"
#include "core/base/Security.h"

namespace {

CString PrivilegeDisplayName(const wchar_t* privilege) {
    wchar_t name[256] = {};
    DWORD size = 256;
    DWORD language = 0;
    return LookupPrivilegeDisplayNameW(nullptr, privilege, name, &size, &language) ? CString(name) : CString();
}

}  // namespace

namespace CAppObjects {

bool Set_App_Privelegies() {
    CHandle token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    if (!token) {
        LogError(L"CAppObjects::Set_App_Privelegies: CANNOT OpenProcessToken  ");
        return false;
    }
    LogWrite(L"CAppObjects::Set_App_Privelegies: succesfully OpenProcessToken  ");
    bool any = false;
    for (const wchar_t* privilege : {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege"}) {
        bool enabled = SecurityUtil2::SetPrivilege(token.get(), privilege, true);
        CString line;
        line.Format(L"SecurityUtil2::SetPrivilege: %s %s %d", privilege, PrivilegeDisplayName(privilege).GetString(),
                    enabled ? 1 : 0);
        if (enabled)
            LogWrite(line);
        else
            LogError(line);
        any = any || enabled;
    }
    return any;
}

CString Get_App_Privelegies_ToolTip() {
    const wchar_t* const names[] = {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege", L"SeTcbPrivilege",
                                    L"SeSecurityPrivilege", L"SeImpersonatePrivilege"};
    const int count = static_cast<int>(sizeof names / sizeof names[0]);
    CPrivilegeRecord records[count];
    InitPrivilegeNames(records, count, names);
    QueryProcessPrivileges(records, count);
    CString text;
    for (const CPrivilegeRecord& record : records) {
        if (!text.IsEmpty()) text += L"\n";
        text += record.name + (record.enabled ? L": enabled" : L": disabled");
    }
    return text;
}

}  // namespace CAppObjects
