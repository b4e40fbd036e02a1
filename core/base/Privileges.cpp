#include "core/base/Security.h"

#include <algorithm>
#include "core/base/Privileges.h"

namespace {

bool LookupPrivilege(const wchar_t* privilegeName, LUID& luid) {
    if (!privilegeName || !*privilegeName) {
        SetLastError(ERROR_NO_SUCH_PRIVILEGE);
        return false;
    }
    return LookupPrivilegeValueW(nullptr, privilegeName, &luid) != FALSE;
}

}  // namespace

namespace SecurityUtil2 {

bool SetPrivilege(HANDLE token, const wchar_t* privilegeName, bool enable) {
    LUID luid = {};
    if (!LookupPrivilege(privilegeName, luid)) return false;
    TOKEN_PRIVILEGES change = {};
    change.PrivilegeCount = 1;
    change.Privileges[0].Luid = luid;
    change.Privileges[0].Attributes = enable ? SE_PRIVILEGE_ENABLED : 0;
    if (!AdjustTokenPrivileges(token, FALSE, &change, sizeof change, nullptr, nullptr)) return false;
    // The call succeeds for a privilege the token does not hold; only this tells.
    return GetLastError() != ERROR_NOT_ALL_ASSIGNED;
}

}  // namespace SecurityUtil2

bool IsPrivilegeEnabled(HANDLE token, const wchar_t* privilegeName) {
    PRIVILEGE_SET set = {};
    set.PrivilegeCount = 1;
    set.Control = 0;
    if (!LookupPrivilege(privilegeName, set.Privilege[0].Luid)) return false;
    BOOL enabled = FALSE;
    if (!PrivilegeCheck(token, &set, &enabled)) return false;
    SetLastError(ERROR_SUCCESS);
    return enabled != FALSE;
}

CHandle OpenOwnProcessToken(DWORD access) {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), access, &token)) return CHandle();
    return CHandle(token);
}

bool CheckAdminMembership(bool& isAdmin) {
    isAdmin = false;
    bool asked = false;
    if (CHandle token = OpenOwnProcessToken(TOKEN_QUERY)) {
        TOKEN_ELEVATION elevation = {};
        DWORD size = 0;
        if (GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof elevation, &size)) {
            asked = true;
            isAdmin = elevation.TokenIsElevated != 0;
        }
    }
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                 &administrators)) {
        BOOL member = FALSE;
        if (CheckTokenMembership(nullptr, administrators, &member)) {
            asked = true;
            isAdmin = isAdmin || member != FALSE;
        }
        FreeSid(administrators);
    }
    return asked;
}

bool InitPrivilegeNames(CPrivilegeRecord* records, int count, const wchar_t* const* names) {
    if (count <= 0) return true;
    if (!records || !names) return false;
    for (int i = 0; i < count; ++i) {
        records[i].name = names[i];
        records[i].displayName.Empty();
        records[i].enabled = FALSE;
    }
    return true;
}

int QueryProcessPrivileges(CPrivilegeRecord* records, int count) {
    if (!records || count <= 0) return 0;
    CHandle token = OpenOwnProcessToken(TOKEN_QUERY);
    if (!token) return 0;
    for (int i = 0; i < count; ++i) {
        CPrivilegeRecord& record = records[i];
        wchar_t displayName[1300] = {};
        DWORD length = 1299;
        DWORD language = 0;
        if (LookupPrivilegeDisplayNameW(nullptr, record.name, displayName, &length, &language))
            record.displayName = displayName;
        record.enabled = IsPrivilegeEnabled(token.get(), record.name);
    }
    return count;
}

int BuildPrivilegeList(const CPrivilegeRecord* records, int count, CPrivilegeList& list, bool sort) {
    list.clear();
    if (!records || count <= 0) return 0;
    list.assign(records, records + count);
    if (sort) {
        std::stable_sort(list.begin(), list.end(), [](const CPrivilegeRecord& a, const CPrivilegeRecord& b) {
            bool aOn = a.enabled != FALSE;
            bool bOn = b.enabled != FALSE;
            if (aOn != bOn) return aOn;
            return a.name.CompareNoCase(b.name) < 0;
        });
    }
    return static_cast<int>(list.size());
}

int CountEnabledPrivileges(const CPrivilegeList& list) {
    return static_cast<int>(
        std::count_if(list.begin(), list.end(), [](const CPrivilegeRecord& r) { return r.enabled != FALSE; }));
}
