#include <gtest/gtest.h>

#include <string>

#include "core/DateTimeTexts.h"

namespace {

const LCID kEnglishUs = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
const LCID kGerman = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);
const double kMillisecond = 1.1574074074e-8;

SYSTEMTIME MakeTime(int year, int month, int day, int hour, int minute, int second, int ms = 0) {
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    time.wMilliseconds = static_cast<WORD>(ms);
    return time;
}

std::string Describe(const SYSTEMTIME& t) {
    char text[64];
    snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u (day %u)", t.wYear, t.wMonth, t.wDay, t.wHour,
             t.wMinute, t.wSecond, t.wMilliseconds, t.wDayOfWeek);
    return text;
}

// Every field but the day of week, which the system fills on the way back.
bool SameMoment(const SYSTEMTIME& a, const SYSTEMTIME& b) {
    return a.wYear == b.wYear && a.wMonth == b.wMonth && a.wDay == b.wDay && a.wHour == b.wHour &&
           a.wMinute == b.wMinute && a.wSecond == b.wSecond && a.wMilliseconds == b.wMilliseconds;
}

const SYSTEMTIME kUntouched = MakeTime(1999, 9, 9, 9, 9, 9, 9);

}  // namespace

// ---------------------------------------------------------------------------------------
// OLE dates

TEST(OleDateWithMs, RoundTripKeepsEveryMillisecond) {
    const SYSTEMTIME moments[] = {
        MakeTime(2026, 3, 5, 9, 7, 3, 0),   MakeTime(2026, 3, 5, 9, 7, 3, 1),
        MakeTime(2026, 3, 5, 9, 7, 3, 250), MakeTime(2026, 3, 5, 9, 7, 3, 500),
        MakeTime(2026, 3, 5, 9, 7, 3, 999), MakeTime(2024, 2, 29, 23, 59, 59, 999),
        MakeTime(1900, 1, 1, 0, 0, 0, 1),   MakeTime(9999, 12, 31, 12, 0, 0, 998),
    };
    for (const SYSTEMTIME& moment : moments) {
        double value = 0;
        ASSERT_NE(0, SystemTimeToVariantTimeWithMs(moment, &value)) << Describe(moment);
        SYSTEMTIME back = kUntouched;
        ASSERT_NE(0, VariantTimeToSystemTimeWithMs(value, &back)) << Describe(moment);
        EXPECT_TRUE(SameMoment(moment, back)) << Describe(moment) << " came back as " << Describe(back);
    }
}

TEST(OleDateWithMs, FractionsNearAWholeSecondRoundToIt) {
    double second = 0;
    ASSERT_NE(0, SystemTimeToVariantTimeWithMs(MakeTime(2026, 3, 5, 9, 7, 3), &second));
    struct {
        double milliseconds;
        SYSTEMTIME expected;
    } cases[] = {
        {999.6, MakeTime(2026, 3, 5, 9, 7, 4, 0)},    // rounds up to the next second
        {999.0, MakeTime(2026, 3, 5, 9, 7, 3, 999)},  // a whole 999 stays in its second
        {0.3, MakeTime(2026, 3, 5, 9, 7, 3, 0)},     {1.2, MakeTime(2026, 3, 5, 9, 7, 3, 1)},
        {998.7, MakeTime(2026, 3, 5, 9, 7, 3, 999)},
    };
    for (const auto& c : cases) {
        SYSTEMTIME back = kUntouched;
        ASSERT_NE(0, VariantTimeToSystemTimeWithMs(second + c.milliseconds * kMillisecond, &back));
        EXPECT_TRUE(SameMoment(c.expected, back)) << c.milliseconds << " ms gave " << Describe(back);
    }
}

TEST(OleDateWithMs, FailuresReportTheSystemsResult) {
    // The output still gets the millisecond fraction: callers look at the result.
    double value = -1;
    EXPECT_EQ(0, SystemTimeToVariantTimeWithMs(MakeTime(2026, 13, 1, 0, 0, 0, 500), &value));
    EXPECT_NEAR(500 * kMillisecond, value, 1e-12);

    SYSTEMTIME back = kUntouched;
    EXPECT_EQ(0, VariantTimeToSystemTimeWithMs(1e9, &back));
    EXPECT_TRUE(SameMoment(kUntouched, back));
}

TEST(OleDateWithMs, AddingDaysKeepsTheTimeOfDay) {
    struct {
        SYSTEMTIME start;
        int days;
        SYSTEMTIME expected;
    } cases[] = {
        {MakeTime(2024, 3, 1, 10, 20, 30, 456), -1, MakeTime(2024, 2, 29, 10, 20, 30, 456)},
        {MakeTime(2023, 3, 1, 10, 20, 30, 456), -1, MakeTime(2023, 2, 28, 10, 20, 30, 456)},
        {MakeTime(2025, 12, 31, 23, 59, 59, 999), 1, MakeTime(2026, 1, 1, 23, 59, 59, 999)},
        {MakeTime(2024, 1, 15, 0, 0, 0, 0), 366, MakeTime(2025, 1, 15, 0, 0, 0, 0)},
        {MakeTime(2026, 3, 5, 9, 7, 3, 250), 0, MakeTime(2026, 3, 5, 9, 7, 3, 250)},
    };
    for (const auto& c : cases) {
        SYSTEMTIME time = c.start;
        ASSERT_TRUE(AddDaysToSystemTime(&time, c.days)) << Describe(c.start);
        EXPECT_TRUE(SameMoment(c.expected, time)) << Describe(c.start) << " + " << c.days << " = " << Describe(time);
    }
    SYSTEMTIME invalid = MakeTime(2026, 13, 1, 0, 0, 0);
    SYSTEMTIME before = invalid;
    EXPECT_FALSE(AddDaysToSystemTime(&invalid, 1));
    EXPECT_TRUE(SameMoment(before, invalid));
    EXPECT_FALSE(AddDaysToSystemTime(nullptr, 1));
}

// ---------------------------------------------------------------------------------------
// Texts

TEST(DateTimeTexts, ElapsedTimeIsATwentyFourHourTimeOfDay) {
    struct {
        unsigned milliseconds;
        LCID locale;
        const wchar_t* expected;
    } cases[] = {
        {3600000, kEnglishUs, L"1:00:00"},
        {59999, kEnglishUs, L"0:00:59"},
        {0, kEnglishUs, L"0:00:00"},
        {13 * 3600000 + 5 * 60000 + 7000, kEnglishUs, L"13:05:07"},  // no AM/PM
        {23 * 3600000 + 59 * 60000 + 59999, kGerman, L"23:59:59"},
        {3600000, kGerman, L"01:00:00"},
        {24 * 3600000u, kEnglishUs, L""},  // a day or more is no time of day
        {0xFFFFFFFFu, kEnglishUs, L""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.expected, FormatElapsedTime(c.milliseconds, c.locale).GetString()) << c.milliseconds;
    }
}

TEST(DateTimeTexts, MonthAbbreviationsMatchWholeAndIgnoreCase) {
    struct {
        const wchar_t* text;
        int expected;
    } cases[] = {
        {L"Jan", 1},    {L"feb", 2}, {L"MAR", 3}, {L"Apr", 4},   {L"May", 5},   {L"Jun", 6},
        {L"Jul", 7},    {L"Aug", 8}, {L"Sep", 9}, {L"oCt", 10},  {L"Nov", 11},  {L"Dec", 12},
        {L"March", -1}, {L"Ma", -1}, {L"", -1},   {nullptr, -1}, {L"Sept", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, MonthFromAbbrev(c.text, -1)) << (c.text ? c.text : L"(null)");
}

// ---------------------------------------------------------------------------------------
// Build date

TEST(BuildDate, StampsOfTheCompilersFormParse) {
    struct {
        const wchar_t* stamp;
        bool ok;
        SYSTEMTIME expected;
    } cases[] = {
        {L"Mar  5 2026 09:07:03", true, MakeTime(2026, 3, 5, 9, 7, 3)},
        {L"Dec 25 2005 23:59:59", true, MakeTime(2005, 12, 25, 23, 59, 59)},
        {L"Feb 29 2024 00:00:00", true, MakeTime(2024, 2, 29, 0, 0, 0)},
        {L"Xyz  5 2026 09:07:03", true, MakeTime(2026, 1, 5, 9, 7, 3)},  // unknown month: January
        {L"Feb 29 2023 00:00:00", false, {}},
        {L"Mar  5 2026", false, {}},
        {L"Mar  5 2026 09:07", false, {}},
        {L"Mar  5 2026 24:00:00", false, {}},
        {L"Mar  5 2026 09:07:03 extra", false, {}},
        {L"Mar 5x 2026 09:07:03", false, {}},
        {L"", false, {}},
        {nullptr, false, {}},
    };
    for (const auto& c : cases) {
        SYSTEMTIME parsed = kUntouched;
        const char* name = c.stamp ? "stamp" : "(null)";
        EXPECT_EQ(c.ok, ParseBuildDate(c.stamp, &parsed)) << name << " " << (c.stamp ? Describe(parsed) : "");
        const SYSTEMTIME& expected = c.ok ? c.expected : kUntouched;
        EXPECT_TRUE(SameMoment(expected, parsed)) << Describe(parsed);
        if (c.ok) {
            EXPECT_EQ(DayOfWeekFromDate(expected.wYear, expected.wMonth, expected.wDay), parsed.wDayOfWeek);
        }
    }
}

TEST(BuildDate, OwnStampReadsAndShowsAsTheLocalDateText) {
    CString stamp = GetBuildStamp();
    EXPECT_EQ(20, stamp.GetLength()) << stamp.GetString();
    SYSTEMTIME built = {};
    ASSERT_TRUE(ParseBuildDate(&built)) << stamp.GetString();
    EXPECT_GE(built.wYear, 2024);
    EXPECT_STREQ(FormatDateTimeLocal(built).GetString(), GetBuildDateText().GetString());
}

// ---------------------------------------------------------------------------------------
// News-feed dates

TEST(GmtDateTime, ReadsWholeDatesInAnyCaseAndSpacing) {
    struct {
        const wchar_t* text;
        SYSTEMTIME expected;
    } cases[] = {
        {L"05 Mar 2026 09:07:03 GMT", MakeTime(2026, 3, 5, 9, 7, 3)},
        {L"5 mar 2026 9:7:3", MakeTime(2026, 3, 5, 9, 7, 3)},
        {L"  05 MAR 2026   09:07:03  GMT  ", MakeTime(2026, 3, 5, 9, 7, 3)},
        {L"\t29 Feb 2024 23:59:59\r\n", MakeTime(2024, 2, 29, 23, 59, 59)},
        {L"GMT 31 dec 1999 00:00:00", MakeTime(1999, 12, 31, 0, 0, 0)},
    };
    for (const auto& c : cases) {
        SYSTEMTIME parsed = kUntouched;
        ASSERT_TRUE(ParseGmtDateTime(c.text, &parsed)) << c.text;
        EXPECT_TRUE(SameMoment(c.expected, parsed)) << Describe(parsed);
        EXPECT_EQ(DayOfWeekFromDate(c.expected.wYear, c.expected.wMonth, c.expected.wDay), parsed.wDayOfWeek);
    }
}

TEST(GmtDateTime, RefusesWhatItCannotReadWholly) {
    const std::wstring digits(1000, L'9');
    const wchar_t* cases[] = {
        L"05 March 2026 09:07:03 GMT",     // not an abbreviation
        L"05 Mrz 2026 09:07:03",           // no English month
        L"Thu, 05 Mar 2026 09:07:03 GMT",  // the day name is not part of the form
        L"05 Mar 2026",                    // no time
        L"05 Mar 2026 09:07",              // no seconds
        L"05 Mar 2026 09:07:03 +0000",     // text after the date
        L"05 Mar 2026 09:07:03 gmt",       // only "GMT" is removed
        L"-5 Mar 2026 09:07:03",           // signs
        L"+05 Mar 2026 09:07:03",
        L"005 Mar 2026 09:07:03",  // over-long numbers
        L"05 Mar 02026 09:07:03",
        L"05 Mar 2026 009:07:03",
        L"05Mar 2026 09:07:03",  // fields run together
        L"05 Mar 202609:07:03",
        L"32 Mar 2026 09:07:03",  // impossible dates and times
        L"29 Feb 2023 09:07:03",
        L"05 Mar 1600 09:07:03",
        L"05 Mar 2026 24:00:00",
        L"05 Mar 2026 09:60:00",
        L"05 Mar 2026 09:07:60",
        L"05 Mar 2026 09:07:03\u0663",  // a digit of another script
        L"GMT",
        L"   ",
        L"",
        digits.c_str(),
        nullptr,
    };
    for (const wchar_t* text : cases) {
        SYSTEMTIME parsed = kUntouched;
        EXPECT_FALSE(ParseGmtDateTime(text, &parsed)) << (text ? text : L"(null)");
        EXPECT_TRUE(SameMoment(kUntouched, parsed)) << (text ? text : L"(null)");
    }
}

TEST(GmtDateTime, TextsLongerThanTheLimitAreRefusedEvenWhenValid) {
    std::wstring date = L"05 Mar 2026 09:07:03";
    std::wstring atLimit = date + std::wstring(kMaxGmtDateTextChars - date.size(), L' ');
    std::wstring overLimit = atLimit + L" ";
    SYSTEMTIME parsed = kUntouched;
    EXPECT_TRUE(ParseGmtDateTime(atLimit.c_str(), &parsed));
    parsed = kUntouched;
    EXPECT_FALSE(ParseGmtDateTime(overLimit.c_str(), &parsed));
    EXPECT_TRUE(SameMoment(kUntouched, parsed));
}
