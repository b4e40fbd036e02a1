// The process privileges the program enables and shows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "core/AppPrivileges.h"
#include "core/tests/AppTestHelpers.h"

namespace {

using namespace apptest;

TEST(Privileges, TheToolTipListsEachPrivilegeWithItsState) {
    bool enabled = CAppObjects::Set_App_Privelegies();
    CString tip = CAppObjects::Get_App_Privelegies_ToolTip();
    for (const wchar_t* name : {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege", L"SeTcbPrivilege",
                                L"SeSecurityPrivilege", L"SeImpersonatePrivilege"})
        EXPECT_GE(tip.Find(name), 0) << W(name);
    std::wstring lines = W(tip);
    EXPECT_EQ(4, std::count(lines.begin(), lines.end(), L'\n')) << lines;
    if (enabled) {
        bool anyEnabled =
            tip.Find(L"SeTakeOwnershipPrivilege: enabled") >= 0 || tip.Find(L"SeDebugPrivilege: enabled") >= 0;
        EXPECT_TRUE(anyEnabled) << W(tip);
    }
}

}  // namespace
