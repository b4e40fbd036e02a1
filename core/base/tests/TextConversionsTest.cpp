#include <gtest/gtest.h>

#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"

// What the system makes of malformed input is checked here on purpose: callers store
// and show these results, and Windows repairs rather than fails (no flags are passed).

TEST(TextConversions, Utf8RoundTripsEveryPlane) {
    struct {
        const char* utf8;
        const wchar_t* utf16;
    } cases[] = {
        {"plain", L"plain"},
        {"\xC3\xA9t\xC3\xA9 \xD0\x96", L"\u00E9t\u00E9 \u0416"},
        {"\xE2\x80\xA6\xE2\x82\xAC", L"\u2026\u20AC"},
        {"a\xF0\x9F\x98\x80z", L"a\xD83D\xDE00z"},  // emoji: one surrogate pair
    };
    for (const auto& c : cases) {
        EXPECT_EQ(std::wstring(c.utf16), Utf8ToWide(c.utf8)) << c.utf8;
        EXPECT_EQ(std::string(c.utf8), WideToUtf8(c.utf16)) << c.utf8;
    }
}

TEST(TextConversions, MalformedInputBecomesReplacementCharacters) {
    struct {
        const char* utf8;
        const wchar_t* expected;
    } invalid[] = {
        {"a\xFF"
         "b",
         L"a\uFFFD"
         L"b"},  // a byte that never starts a sequence
        {"a\x80"
         "b",
         L"a\uFFFD"
         L"b"},                   // a lone continuation byte
        {"ab\xC3", L"ab\uFFFD"},  // a sequence cut off at the end
        {"\xE2\x82"
         "x",
         L"\uFFFD"
         L"x"},  // cut off in the middle
    };
    for (const auto& c : invalid) EXPECT_EQ(std::wstring(c.expected), Utf8ToWide(c.utf8)) << c.utf8;

    // A lone surrogate has no UTF-8 form: it comes out as U+FFFD (EF BF BD).
    EXPECT_EQ(std::string("a\xEF\xBF\xBD"
                          "b"),
              WideToUtf8(L"a\xD800"
                         L"b"));
    EXPECT_EQ(std::string("a\xEF\xBF\xBD"), WideToUtf8(L"a\xDC00"));
}

TEST(TextConversions, CodePagesChosenByTheCaller) {
    EXPECT_EQ(std::wstring(L"\u0410\u0411"), MultiByteToWideCP("\xC0\xC1", 1251));
    EXPECT_EQ(std::wstring(L"\u20AC\u00E9"), MultiByteToWideCP("\x80\xE9", 1252));
    EXPECT_EQ(std::wstring(L"\u0416"), MultiByteToWideCP("\xF6", 20866));  // KOI8-R
    EXPECT_EQ(std::wstring(L"a\xD83D\xDE00"), MultiByteToWideCP("a\xF0\x9F\x98\x80", CP_UTF8));
    // A code page the system does not have converts nothing.
    EXPECT_TRUE(MultiByteToWideCP("abc", 12345).empty());
}

TEST(TextConversions, EmptyAndNullGiveEmpty) {
    EXPECT_TRUE(AnsiToWide(nullptr).empty());
    EXPECT_TRUE(AnsiToWide("").empty());
    EXPECT_TRUE(Utf8ToWide(nullptr).empty());
    EXPECT_TRUE(MultiByteToWideCP(nullptr, 1252).empty());
    EXPECT_TRUE(WideToUtf8(nullptr).empty());
    EXPECT_TRUE(WideToUtf8(L"").empty());
    EXPECT_TRUE(WideToThreadAcp(nullptr).empty());
}

TEST(TextConversions, AnsiRoadsAgreeWithTheSystemCodePage) {
    // ASCII is the same in every ANSI code page; beyond it the result depends on the machine.
    EXPECT_EQ(std::wstring(L"C:\\Path 1"), AnsiToWide("C:\\Path 1"));
    EXPECT_EQ(std::string("C:\\Path 1"), WideToThreadAcp(L"C:\\Path 1"));
}

TEST(TextConversions, LongTextsConvertWhole) {
    // Around and beyond 2000 units, with pairs so that a split would show.
    for (int pairs : {999, 1000, 1001, 5000}) {
        std::wstring wide;
        std::string utf8;
        for (int i = 0; i < pairs; ++i) {
            wide += L"\xD83D\xDE00";
            utf8 += "\xF0\x9F\x98\x80";
        }
        wide += L"e";
        utf8 += "e";
        EXPECT_EQ(wide, Utf8ToWide(utf8.c_str())) << pairs;
        EXPECT_EQ(utf8, WideToUtf8(wide.c_str())) << pairs;
    }
    std::string ascii(4000, 'x');
    EXPECT_EQ(ascii, WideToThreadAcp(AnsiToWide(ascii.c_str()).c_str()));
}
