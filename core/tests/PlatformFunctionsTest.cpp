#include "core/base/PlatformFunctions.h"

#include <dwmapi.h>
#include <gtest/gtest.h>
#include <shlwapi.h>

#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "core/base/Handles.h"
#include "testkit/MessageWindow.h"
#include "testkit/fakes/FakeBinder.h"

namespace {

using testkit::CFakeBinder;
using testkit::CMessageWindow;
using testkit::CScopedBinder;

// What the fake system functions were called with, and what they answer.
struct FakeCalls {
    int calls = 0;
    HRESULT result = S_OK;
    BOOL flag = FALSE;
    int part = 0;
    int state = 0;
    int themesOpened = 0;
    int themesClosed = 0;
    BYTE alpha = 0;
    COLORREF colorKey = 0;
    DWORD flags = 0;
    LONGLONG bytes = 0;
    std::wstring name;
};
FakeCalls g_fake;

HTHEME const kFakeTheme = reinterpret_cast<HTHEME>(0x5150);

BOOL WINAPI FakeIsAppThemed() {
    return g_fake.flag;
}
HTHEME WINAPI FakeOpenThemeData(HWND, LPCWSTR classList) {
    ++g_fake.themesOpened;
    g_fake.name = classList;
    return kFakeTheme;
}
HRESULT WINAPI FakeCloseThemeData(HTHEME theme) {
    if (theme == kFakeTheme) ++g_fake.themesClosed;
    return S_OK;
}
HRESULT WINAPI FakeDrawThemeBackground(HTHEME, HDC, int part, int state, const RECT*, const RECT*) {
    ++g_fake.calls;
    g_fake.part = part;
    g_fake.state = state;
    return g_fake.result;
}
HRESULT WINAPI FakeDwmIsCompositionEnabled(BOOL* enabled) {
    *enabled = g_fake.flag;
    return g_fake.result;
}
BOOL WINAPI FakeSetLayeredWindowAttributes(HWND, COLORREF key, BYTE alpha, DWORD flags) {
    ++g_fake.calls;
    g_fake.colorKey = key;
    g_fake.alpha = alpha;
    g_fake.flags = flags;
    return TRUE;
}
LPWSTR WINAPI FakeStrFormatByteSizeW(LONGLONG bytes, LPWSTR buffer, UINT size) {
    g_fake.bytes = bytes;
    lstrcpynW(buffer, L"formatted", static_cast<int>(size));
    return buffer;
}
// Follows the system's protocol: too small a buffer gets the size needed, terminator included.
BOOL WINAPI FakeGetComputerNameExW(int, LPWSTR buffer, LPDWORD size) {
    ++g_fake.calls;
    DWORD needed = static_cast<DWORD>(g_fake.name.size()) + 1;
    if (!buffer || *size < needed) {
        *size = needed;
        SetLastError(ERROR_MORE_DATA);
        return FALSE;
    }
    std::memcpy(buffer, g_fake.name.c_str(), needed * sizeof(wchar_t));
    *size = needed - 1;
    return TRUE;
}
GEOID WINAPI FakeGetUserGeoIdNotAvailable(GEOCLASS) {
    return GEOID_NOT_AVAILABLE;
}
int WINAPI FakeGetGeoInfoW(GEOID, GEOTYPE, LPWSTR buffer, int size, LANGID) {
    ++g_fake.calls;
    lstrcpynW(buffer, L"Somewhere", size);
    return 10;
}

class PlatformFakeTest : public ::testing::Test {
protected:
    void SetUp() override { g_fake = FakeCalls(); }
    CFakeBinder m_binder;
    CScopedBinder m_scope{&m_binder};
};

// ---------------------------------------------------------------------------------------
// Every wrapper answers its "not available" value, both where the library is missing
// and where the library lacks the function.

struct MissingCase {
    const char* name;
    std::function<bool()> answersNotAvailable;
};

const MissingCase kMissingCases[] = {
    {"DwmSetWindowAttribute",
     [] {
         BOOL on = TRUE;
         return Platform::DwmSetWindowAttribute(nullptr, 7, &on, sizeof on) == E_NOTIMPL;
     }},
    {"DwmSetForceIconicRepresentation",
     [] { return Platform::DwmSetForceIconicRepresentation(nullptr, true) == E_NOTIMPL; }},
    {"DwmSetHasIconicBitmap", [] { return Platform::DwmSetHasIconicBitmap(nullptr, true) == E_NOTIMPL; }},
    {"DwmSetIconicThumbnail", [] { return Platform::DwmSetIconicThumbnail(nullptr, nullptr, 0) == E_NOTIMPL; }},
    {"DwmSetIconicLivePreviewBitmap",
     [] { return Platform::DwmSetIconicLivePreviewBitmap(nullptr, nullptr) == E_NOTIMPL; }},
    {"DwmExtendFrameIntoClientArea", [] { return Platform::DwmExtendFrameIntoClientArea(nullptr) == E_NOTIMPL; }},
    {"DwmIsCompositionEnabled", [] { return !Platform::DwmIsCompositionEnabled(); }},
    {"IsAppThemed", [] { return !Platform::IsAppThemed(); }},
    {"OpenThemeData", [] { return Platform::OpenThemeData(nullptr, L"WINDOW") == nullptr; }},
    {"CloseThemeData", [] { return !Platform::CloseThemeData(kFakeTheme); }},
    {"SetWindowTheme", [] { return Platform::SetWindowTheme(nullptr, L"Explorer", nullptr) == E_FAIL; }},
    {"DrawThemedCloseButton",
     [] {
         return !Platform::DrawThemedCloseButton(nullptr, nullptr, RECT{0, 0, 16, 16}, false, false);
     }},
    {"SetLayeredWindowAttributes",
     [] { return Platform::CLayeredWindowHelper().SetLayeredWindowAttributes(nullptr, 0, 128, LWA_ALPHA) == FALSE; }},
    {"SetOpacityPercent", [] { return Platform::CLayeredWindowHelper().SetOpacityPercent(nullptr, 50) == FALSE; }},
    {"ChangeWindowMessageFilter", [] { return Platform::ChangeWindowMessageFilter(WM_COPYDATA, MSGFLT_ADD) == FALSE; }},
    {"GetComputerDomainName", [] { return Platform::GetComputerDomainName().IsEmpty(); }},
    {"GetGeoFriendlyName", [] { return Platform::GetGeoFriendlyName().IsEmpty(); }},
    {"GetGeoOfficialName", [] { return Platform::GetGeoOfficialName().IsEmpty(); }},
    {"GetGeoIsoName",
     [] { return Platform::GetGeoIsoName(true).IsEmpty() && Platform::GetGeoIsoName(false).IsEmpty(); }},
    {"FormatByteSize", [] { return Platform::FormatByteSize(1024).IsEmpty(); }},
    {"IsWow64", [] { return !Platform::IsWow64(); }},
    {"IsAddClipboardFormatListenerAvailable", [] { return !Platform::IsAddClipboardFormatListenerAvailable(); }},
};

enum class Missing { Library, Function };

class MissingPlatformTest : public ::testing::TestWithParam<std::tuple<Missing, MissingCase>> {};

TEST_P(MissingPlatformTest, AnswersNotAvailable) {
    CFakeBinder binder;
    if (std::get<0>(GetParam()) == Missing::Library) binder.loadedModules = binder.loadableModules = false;
    const MissingCase& c = std::get<1>(GetParam());
    {
        CScopedBinder scope(&binder);
        EXPECT_TRUE(c.answersNotAvailable()) << c.name;
    }
    // Modules kept for the process are given back when the binder is replaced.
    EXPECT_EQ(binder.loads, binder.frees) << c.name << " keeps a module it loaded";
}

INSTANTIATE_TEST_SUITE_P(Wrappers, MissingPlatformTest,
                         ::testing::Combine(::testing::Values(Missing::Library, Missing::Function),
                                            ::testing::ValuesIn(kMissingCases)),
                         [](const ::testing::TestParamInfo<std::tuple<Missing, MissingCase>>& info) {
                             return std::string(std::get<0>(info.param) == Missing::Library ? "NoLibrary_"
                                                                                            : "NoFunction_") +
                                    std::get<1>(info.param).name;
                         });

// ---------------------------------------------------------------------------------------
// The wrappers' own logic, against fake system functions.

TEST_F(PlatformFakeTest, CompositionIsOnOnlyWhenTheSystemSucceedsAndSaysSo) {
    m_binder.Export("DwmIsCompositionEnabled", &FakeDwmIsCompositionEnabled);
    const struct {
        HRESULT result;
        BOOL enabled;
        bool expected;
    } cases[] = {{S_OK, TRUE, true}, {S_OK, FALSE, false}, {E_FAIL, TRUE, false}, {S_FALSE, TRUE, false}};
    for (const auto& c : cases) {
        g_fake.result = c.result;
        g_fake.flag = c.enabled;
        EXPECT_EQ(c.expected, Platform::DwmIsCompositionEnabled()) << std::hex << c.result << " " << c.enabled;
    }
}

TEST_F(PlatformFakeTest, ThemedCloseButtonPicksPartAndStateAndClosesTheTheme) {
    m_binder.Export("IsAppThemed", &FakeIsAppThemed);
    m_binder.Export("OpenThemeData", &FakeOpenThemeData);
    m_binder.Export("CloseThemeData", &FakeCloseThemeData);
    m_binder.Export("DrawThemeBackground", &FakeDrawThemeBackground);
    g_fake.flag = TRUE;
    const struct {
        bool pushed, hot, large, disabled;
        int part, state;
    } cases[] = {
        {false, false, false, false, 19, 1}, {false, true, false, false, 19, 2}, {true, false, false, false, 19, 3},
        {true, true, false, false, 19, 3},   {true, true, true, false, 18, 3},   {true, true, false, true, 19, 4},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(Platform::DrawThemedCloseButton(nullptr, nullptr, RECT{0, 0, 16, 16}, c.pushed, c.hot, c.large,
                                                    c.disabled));
        EXPECT_EQ(c.part, g_fake.part) << c.pushed << c.hot << c.large << c.disabled;
        EXPECT_EQ(c.state, g_fake.state) << c.pushed << c.hot << c.large << c.disabled;
    }
    EXPECT_EQ(L"WINDOW", g_fake.name);
    EXPECT_EQ(g_fake.themesOpened, g_fake.themesClosed);
}

TEST_F(PlatformFakeTest, ThemedCloseButtonReportsAFailedDrawSoTheCallerDrawsItsOwn) {
    m_binder.Export("IsAppThemed", &FakeIsAppThemed);
    m_binder.Export("OpenThemeData", &FakeOpenThemeData);
    m_binder.Export("CloseThemeData", &FakeCloseThemeData);
    m_binder.Export("DrawThemeBackground", &FakeDrawThemeBackground);
    g_fake.flag = TRUE;
    g_fake.result = E_FAIL;
    EXPECT_FALSE(Platform::DrawThemedCloseButton(nullptr, nullptr, RECT{0, 0, 16, 16}, false, false));
    EXPECT_EQ(1, g_fake.themesClosed);

    g_fake.flag = FALSE;  // visual styles switched off
    g_fake.result = S_OK;
    g_fake.calls = 0;
    EXPECT_FALSE(Platform::DrawThemedCloseButton(nullptr, nullptr, RECT{0, 0, 16, 16}, false, false));
    EXPECT_EQ(0, g_fake.calls);
    EXPECT_EQ(1, g_fake.themesOpened);
}

TEST_F(PlatformFakeTest, OpacityPercentBecomesAlphaCappedAtFullyOpaque) {
    m_binder.Export("SetLayeredWindowAttributes", &FakeSetLayeredWindowAttributes);
    const struct {
        unsigned percent;
        BYTE alpha;
    } cases[] = {{0, 0}, {50, 127}, {100, 255}, {150, 255}, {255, 255}};
    {
        Platform::CLayeredWindowHelper helper;
        for (const auto& c : cases) {
            EXPECT_TRUE(helper.SetOpacityPercent(nullptr, c.percent));
            EXPECT_EQ(c.alpha, g_fake.alpha) << c.percent;
            EXPECT_EQ(static_cast<DWORD>(LWA_ALPHA), g_fake.flags);
            EXPECT_EQ(0u, g_fake.colorKey);
        }
        EXPECT_EQ(1, m_binder.loads);
        EXPECT_EQ(0, m_binder.frees) << "held while the helper lives";
    }
    EXPECT_EQ(1, m_binder.frees);
}

TEST_F(PlatformFakeTest, ByteSizeTakesTheCountAsUnsignedAndGivesTheLibraryBack) {
    m_binder.Export("StrFormatByteSizeW", &FakeStrFormatByteSizeW);
    EXPECT_STREQ(L"formatted", Platform::FormatByteSize(0xFFFFFFFFu));
    EXPECT_EQ(4294967295LL, g_fake.bytes);
    EXPECT_EQ(1, m_binder.loads);
    EXPECT_EQ(1, m_binder.frees);
}

TEST_F(PlatformFakeTest, ComputerDomainNameComesBackWhole) {
    m_binder.Export("GetComputerNameExW", &FakeGetComputerNameExW);
    const std::wstring names[] = {L"", L"corp", L"research.department.example-company.org", std::wstring(300, L'd')};
    for (const std::wstring& name : names) {
        g_fake.name = name;
        EXPECT_STREQ(name.c_str(), Platform::GetComputerDomainName()) << name.size() << " characters";
    }
}

TEST_F(PlatformFakeTest, NoCountryGivesEmptyTextsWithoutAskingForNames) {
    m_binder.Export("GetUserGeoID", &FakeGetUserGeoIdNotAvailable);
    m_binder.Export("GetGeoInfoW", &FakeGetGeoInfoW);
    EXPECT_TRUE(Platform::GetGeoFriendlyName().IsEmpty());
    EXPECT_TRUE(Platform::GetGeoIsoName(false).IsEmpty());
    EXPECT_EQ(0, g_fake.calls);
}

TEST_F(PlatformFakeTest, ClipboardListenerCheckLoadsUser32OnlyWhenNotLoadedAndGivesItBack) {
    m_binder.Export("AddClipboardFormatListener", &FakeIsAppThemed);
    EXPECT_TRUE(Platform::IsAddClipboardFormatListenerAvailable());
    EXPECT_EQ(0, m_binder.loads);

    m_binder.loadedModules = false;
    EXPECT_TRUE(Platform::IsAddClipboardFormatListenerAvailable());
    EXPECT_EQ(1, m_binder.loads);
    EXPECT_EQ(1, m_binder.frees);
}

// ---------------------------------------------------------------------------------------
// The real system under Wine (or Windows): each wrapper reaches the function it names.

TEST(PlatformFunctions, IsWow64FollowsTheProcessRoad) {
    BOOL wow64 = FALSE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_EQ(wow64 != FALSE, Platform::IsWow64());
    if (const char* arch = std::getenv("VXL_WINE_ARCH")) {
        EXPECT_EQ(std::strcmp(arch, "wow64") == 0, Platform::IsWow64()) << "VXL_WINE_ARCH=" << arch;
    }
}

// Every system since Vista, and Wine, has these two.
TEST(PlatformFunctions, ClipboardListenerAndMessageFilterAreAvailable) {
    EXPECT_TRUE(Platform::IsAddClipboardFormatListenerAvailable());
    EXPECT_TRUE(Platform::ChangeWindowMessageFilter(WM_COPYDATA, MSGFLT_ADD));
}

TEST(PlatformFunctions, FormatByteSizeIsTheSystemsText) {
    const DWORD counts[] = {0, 1023, 123456789, 0xFFFFFFFFu};
    for (DWORD count : counts) {
        wchar_t expected[261] = {};
        StrFormatByteSizeW(static_cast<LONGLONG>(count), expected, 260);
        EXPECT_STREQ(expected, Platform::FormatByteSize(count)) << count;
    }
}

TEST(PlatformFunctions, CountryTextsAreTheSystemsOnes) {
    GEOID geo = GetUserGeoID(GEOCLASS_NATION);
    if (geo == GEOID_NOT_AVAILABLE) GTEST_SKIP() << "the user has no country set";
    const struct {
        GEOTYPE type;
        std::function<CString()> text;
    } cases[] = {
        {GEO_FRIENDLYNAME, [] { return Platform::GetGeoFriendlyName(); }},
        {GEO_OFFICIALNAME, [] { return Platform::GetGeoOfficialName(); }},
        {GEO_ISO3, [] { return Platform::GetGeoIsoName(true); }},
        {GEO_ISO2, [] { return Platform::GetGeoIsoName(false); }},
    };
    for (const auto& c : cases) {
        wchar_t expected[1000] = {};
        if (GetGeoInfoW(geo, c.type, expected, 999, GetUserDefaultLangID()) <= 0) expected[0] = 0;
        EXPECT_STREQ(expected, c.text()) << "type " << c.type;
    }
    EXPECT_FALSE(Platform::GetGeoIsoName(false).IsEmpty());
}

TEST(PlatformFunctions, ComputerDomainNameIsTheSystemsOne) {
    wchar_t expected[512] = {};
    DWORD size = 511;
    if (!GetComputerNameExW(ComputerNameDnsDomain, expected, &size)) expected[0] = 0;
    EXPECT_STREQ(expected, Platform::GetComputerDomainName());
}

TEST(PlatformFunctions, CompositionWrappersReachDwmapiOnceItIsLoaded) {
    BOOL enabled = FALSE;
    bool expected = ::DwmIsCompositionEnabled(&enabled) == S_OK && enabled;
    EXPECT_EQ(expected, Platform::DwmIsCompositionEnabled());

    CBoundModule dwmapi = Platform::LoadDwmapi();
    ASSERT_TRUE(dwmapi);
    CMessageWindow window;
    ASSERT_TRUE(window.get());
    EXPECT_NE(E_NOTIMPL, Platform::DwmSetForceIconicRepresentation(window.get(), false));
    EXPECT_NE(E_NOTIMPL, Platform::DwmSetHasIconicBitmap(window.get(), false));
}

TEST(PlatformFunctions, ThemedCloseButtonDrawsWithTheActiveVisualStyle) {
    if (!::IsAppThemed()) GTEST_SKIP() << "no visual style is active on this desktop";
    CMessageWindow window;
    ASSERT_TRUE(window.get());
    HTHEME theme = Platform::OpenThemeData(window.get(), L"WINDOW");
    ASSERT_NE(nullptr, theme);
    EXPECT_TRUE(Platform::CloseThemeData(theme));
    EXPECT_FALSE(Platform::CloseThemeData(nullptr)) << "the system refuses a null theme";

    const COLORREF background = RGB(255, 0, 255);
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 24;
    info.bmiHeader.biHeight = -24;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    void* bits = nullptr;
    CBitmapHandle bitmap(CreateDIBSection(dc.get(), &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    ASSERT_TRUE(bitmap);
    CSelectObject select(dc.get(), bitmap.get());
    RECT all = {0, 0, 24, 24};
    CBrushHandle brush(CreateSolidBrush(background));
    FillRect(dc.get(), &all, brush.get());

    EXPECT_TRUE(Platform::DrawThemedCloseButton(window.get(), dc.get(), RECT{2, 2, 22, 22}, false, true));
    int changed = 0;
    for (int y = 0; y < 24; ++y)
        for (int x = 0; x < 24; ++x) changed += GetPixel(dc.get(), x, y) != background;
    EXPECT_GT(changed, 0) << "nothing was drawn";
}

TEST(PlatformFunctions, LayeredStyleComesAndGoesAndOpacityReachesTheSystem) {
    CMessageWindow window;
    ASSERT_TRUE(window.get());
    LONG before = GetWindowLongW(window.get(), GWL_EXSTYLE);
    ASSERT_FALSE(before & WS_EX_LAYERED);
    EXPECT_FALSE(Platform::CLayeredWindowHelper::RemoveLayeredStyle(window.get()));
    EXPECT_EQ(before, GetWindowLongW(window.get(), GWL_EXSTYLE));

    Platform::CLayeredWindowHelper helper;
    Platform::CLayeredWindowHelper::AddLayeredStyle(window.get());
    EXPECT_TRUE(GetWindowLongW(window.get(), GWL_EXSTYLE) & WS_EX_LAYERED);
    EXPECT_TRUE(helper.SetOpacityPercent(window.get(), 50));

    EXPECT_TRUE(Platform::CLayeredWindowHelper::RemoveLayeredStyle(window.get()));
    EXPECT_EQ(before, GetWindowLongW(window.get(), GWL_EXSTYLE));
}

}  // namespace
