// The harness runs every test on the prefix it names; the hook library's two roads
// depend on telling a 32-bit system from WoW64, so that difference must be real.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>

TEST(WineHarness, PrefixIsTheRoadTheHarnessNamed) {
    const char* arch = std::getenv("VXL_WINE_ARCH");
    if (!arch) GTEST_SKIP() << "not started by the test harness";
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(std::strcmp(arch, "wow64") == 0, wow64 != FALSE) << "VXL_WINE_ARCH=" << arch;
}
