// The Windows version as a family member, its texts, the install date and the memory
// texts, on versions made up by hand and on a system that lacks the functions.
#include "core/SystemInfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <cwctype>
#include <string>

#include "core/base/PlatformFunctions.h"
#include "testkit/fakes/FakeBinder.h"

namespace {

using testkit::CFakeBinder;
using testkit::CScopedBinder;

const BYTE kWorkstation = VER_NT_WORKSTATION;
const BYTE kServer = VER_NT_SERVER;
const BYTE kDomainController = VER_NT_DOMAIN_CONTROLLER;

TEST(SystemInfo, VersionsAreClassifiedByMajorMinorProductTypeAndBuild) {
    const struct {
        DWORD major, minor, platform;
        BYTE productType;
        DWORD build;
        OsId expected;
    } cases[] = {
        {3, 51, VER_PLATFORM_WIN32_NT, 0, 1057, kOsWinNT351},
        {4, 0, VER_PLATFORM_WIN32_WINDOWS, 0, 950, kOsWin95},
        {4, 0, VER_PLATFORM_WIN32_NT, 0, 1381, kOsWinNT40},
        {4, 0, VER_PLATFORM_WIN32s, 0, 0, kOsUnknown},
        {4, 10, VER_PLATFORM_WIN32_WINDOWS, 0, 2222, kOsWin98},
        {4, 90, VER_PLATFORM_WIN32_WINDOWS, 0, 3000, kOsWinMe},
        {4, 20, VER_PLATFORM_WIN32_WINDOWS, 0, 0, kOsUnknown},
        {5, 0, VER_PLATFORM_WIN32_NT, kWorkstation, 2195, kOsWin2000},
        {5, 1, VER_PLATFORM_WIN32_NT, kWorkstation, 2600, kOsWinXP},
        {5, 2, VER_PLATFORM_WIN32_NT, kServer, 3790, kOsServer2003},
        {5, 3, VER_PLATFORM_WIN32_NT, kServer, 0, kOsUnknown},
        {6, 0, VER_PLATFORM_WIN32_NT, kWorkstation, 6002, kOsWinVista},
        {6, 0, VER_PLATFORM_WIN32_NT, kServer, 6002, kOsWinServer2008},
        {6, 0, VER_PLATFORM_WIN32_NT, kDomainController, 6002, kOsWinServer2008},
        {6, 1, VER_PLATFORM_WIN32_NT, kWorkstation, 7601, kOsWin7},
        {6, 1, VER_PLATFORM_WIN32_NT, kServer, 7601, kOsWinServer2008R2},
        {6, 2, VER_PLATFORM_WIN32_NT, kWorkstation, 9200, kOsWin8},
        {6, 2, VER_PLATFORM_WIN32_NT, kServer, 9200, kOsWinServer2012},
        {6, 3, VER_PLATFORM_WIN32_NT, kWorkstation, 9600, kOsWin81},
        {6, 3, VER_PLATFORM_WIN32_NT, kDomainController, 9600, kOsWinServer2012R2},
        {6, 4, VER_PLATFORM_WIN32_NT, kWorkstation, 9841, kOsUnknown},
        {10, 0, VER_PLATFORM_WIN32_NT, kWorkstation, 19045, kOsWin10},
        {10, 0, VER_PLATFORM_WIN32_NT, kWorkstation, 21999, kOsWin10},
        {10, 0, VER_PLATFORM_WIN32_NT, kWorkstation, 22000, kOsWin11},
        {10, 0, VER_PLATFORM_WIN32_NT, kServer, 14393, kOsWinServer2016},
        {10, 0, VER_PLATFORM_WIN32_NT, kServer, 17662, kOsWinServer2016},
        {10, 0, VER_PLATFORM_WIN32_NT, kServer, 17663, kOsWinServer2019},
        {10, 0, VER_PLATFORM_WIN32_NT, kDomainController, 17763, kOsWinServer2019},
        {10, 0, VER_PLATFORM_WIN32_NT, kServer, 17764, kOsWinServer2022},
        {10, 0, VER_PLATFORM_WIN32_NT, kServer, 26100, kOsWinServer2022},
        {2, 0, VER_PLATFORM_WIN32_NT, 0, 0, kOsUnknown},
        {11, 0, VER_PLATFORM_WIN32_NT, kWorkstation, 30000, kOsUnknown},
    };
    for (const auto& c : cases) {
        OSVERSIONINFOEXW info = {};
        info.dwMajorVersion = c.major;
        info.dwMinorVersion = c.minor;
        info.dwPlatformId = c.platform;
        info.wProductType = c.productType;
        info.dwBuildNumber = c.build;
        EXPECT_EQ(c.expected, ClassifyOs(info))
            << c.major << "." << c.minor << " type " << int(c.productType) << " build " << c.build;
    }
}

TEST(SystemInfo, EveryMemberHasItsNameAndCodeAndOtherValuesAreUnknown) {
    const struct {
        int id;
        const wchar_t* name;
        const wchar_t* code;
    } cases[] = {
        {-1, L"Unknown Windows", L"UnknowOs"},
        {0, L"Windows 95", L"Win95"},
        {2, L"Windows ME", L"WinMe"},
        {3, L"Windows NT 3.51", L"WinNT351"},
        {7, L"Windows Server 2008", L"WinServer2008"},
        {8, L"Windows 3.11", L"Win31"},
        {9, L"Windows XP", L"WinXP"},
        {10, L"Windows Server 2003", L"Server2003"},
        {12, L"Windows Server 2008 R2", L"WinServer2008R2"},
        {15, L"Windows 8.1", L"Win81"},
        {16, L"Windows Server 2012 R2", L"WinServer2012R2"},
        {17, L"Windows 10", L"Win10"},
        {19, L"Windows Server 2019", L"WinServer2019"},
        {20, L"Windows 11", L"Win11"},
        {21, L"Windows Server 2022", L"WinServer2022"},
        {22, L"Unknown Windows", L"UnknowOs"},
        {-2, L"Unknown Windows", L"UnknowOs"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CString(c.name), GetOsName(c.id)) << c.id;
        EXPECT_EQ(CString(c.code), GetOsCode(c.id)) << c.id;
    }
    // Each member's name and code are its own.
    for (int a = -1; a <= 21; ++a)
        for (int b = a + 1; b <= 21; ++b) {
            EXPECT_NE(GetOsName(a), GetOsName(b)) << a << " " << b;
            EXPECT_NE(GetOsCode(a), GetOsCode(b)) << a << " " << b;
        }
}

TEST(SystemInfo, TheVersionTextNamesThisSystemItsBitnessBuildAndServicePack) {
    OSVERSIONINFOEXW info = {};
    ASSERT_TRUE(ReadOsVersion(&info));
    EXPECT_EQ(ClassifyOs(info), DetectOsId());
    CString expected = GetOsNameOfThisOs() + (Platform::IsWow64() ? L" 64x" : L" 32x");
    expected.AppendFormat(L" build %d ", static_cast<int>(info.dwBuildNumber));
    expected += info.szCSDVersion;
    EXPECT_EQ(expected, GetOSVersionText());
    EXPECT_EQ(GetOsCode(DetectOsId()), GetOsCodeOfThisOs());
}

TEST(SystemInfo, VersionComparisonsFollowMajorFirstThenMinor) {
    OSVERSIONINFOEXW info = {};
    ASSERT_TRUE(ReadOsVersion(&info));
    const DWORD major = info.dwMajorVersion;
    const DWORD minor = info.dwMinorVersion;
    const struct {
        DWORD major, minor;
        bool expected;
    } cases[] = {
        {major, minor, true},  {major, minor + 1, false}, {major, 0, true},
        {major - 1, 99, true}, {major + 1, 0, false},     {0, 0, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, IsWindowsVersionOrLater(c.major, c.minor)) << c.major << "." << c.minor;
    EXPECT_EQ(major > 6 || (major == 6 && minor >= 1), IsWin7OrLater());
    EXPECT_EQ(major >= 6, IsVistaOrLater());
}

TEST(SystemInfo, InstallDateSecondsAreCountedFrom1970InUtc) {
    const struct {
        DWORD seconds;
        SYSTEMTIME expected;
    } cases[] = {
        {0, {1970, 1, 4, 1, 0, 0, 0, 0}},
        {1700000000, {2023, 11, 2, 14, 22, 13, 20, 0}},
        {4294967295u, {2106, 2, 0, 7, 6, 28, 15, 0}},
    };
    for (const auto& c : cases) {
        SYSTEMTIME got = {};
        ASSERT_TRUE(UnixSecondsToSystemTime(c.seconds, &got));
        EXPECT_EQ(0, memcmp(&c.expected, &got, sizeof got))
            << c.seconds << " gave " << got.wYear << "-" << got.wMonth << "-" << got.wDay << " " << got.wHour << ":"
            << got.wMinute << ":" << got.wSecond;
    }
}

TEST(SystemInfo, GigabytesHaveTwoDecimalsAndAPoint) {
    const struct {
        DWORD megabytes;
        const wchar_t* text;
    } cases[] = {
        {0, L"0.00 GB"}, {512, L"0.50 GB"}, {1024, L"1.00 GB"}, {16303, L"15.92 GB"}, {4194303, L"4096.00 GB"},
    };
    for (const auto& c : cases) EXPECT_EQ(CString(c.text), FormatMegabytesAsGigabytes(c.megabytes)) << c.megabytes;
}

bool IsGigabyteText(const CString& text) {
    int at = 0;
    while (at < text.GetLength() && iswdigit(text[at])) ++at;
    return at > 0 && text.Mid(at, 1) == L"." && iswdigit(text[at + 1]) && iswdigit(text[at + 2]) &&
           text.Mid(at + 3) == L" GB";
}

TEST(SystemInfo, MemoryTextsAreFiguresOrCannotDetectWithoutTheFunctions) {
    const CString installed = GetMemoryInstalledText();
    const CString available = GetMemoryPhysicalAvailableText();
    const CString usage = GetMemoryUsageText();
    EXPECT_TRUE(IsGigabyteText(installed)) << std::wstring(installed.GetString());
    EXPECT_TRUE(IsGigabyteText(available)) << std::wstring(available.GetString());
    EXPECT_TRUE(usage.GetLength() >= 2 && usage.Right(1) == L"%" && iswdigit(usage[0]))
        << std::wstring(usage.GetString());

    CFakeBinder nothing;
    nothing.loadedModules = false;
    nothing.loadableModules = false;
    CScopedBinder scope(&nothing);
    EXPECT_EQ(CString(L"Cannot detect"), GetMemoryInstalledText());
    EXPECT_EQ(CString(L"Cannot detect"), GetMemoryPhysicalAvailableText());
    EXPECT_EQ(CString(L"Cannot detect"), GetMemoryUsageText());
    OSVERSIONINFOEXW info = {};
    EXPECT_FALSE(ReadOsVersion(&info));
    EXPECT_FALSE(IsWindowsVersionOrLater(0, 0));
}

}  // namespace
