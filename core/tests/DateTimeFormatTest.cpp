#include <gtest/gtest.h>

#include "core/base/DateTimeFormat.h"

namespace {

const LCID kEnglishUs = MAKELCID(MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US), SORT_DEFAULT);
const LCID kGerman = MAKELCID(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), SORT_DEFAULT);

SYSTEMTIME MakeTime(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD second, WORD dayOfWeek = 0) {
    SYSTEMTIME time = {};
    time.wYear = year;
    time.wMonth = month;
    time.wDay = day;
    time.wHour = hour;
    time.wMinute = minute;
    time.wSecond = second;
    time.wDayOfWeek = dayOfWeek;
    return time;
}

// A Thursday morning, and a Sunday evening of another year with one-digit year ends.
// Both carry a wrong wDayOfWeek on purpose: names follow the date, not the field.
const SYSTEMTIME kThursday = MakeTime(2026, 3, 5, 9, 7, 3, 1);
const SYSTEMTIME kSunday = MakeTime(2005, 12, 25, 23, 59, 59, 3);

}  // namespace

TEST(DateTimeFormat, EveryMacroFormInEnglish) {
    struct {
        DateTimeForm form;
        const wchar_t* thursday;
        const wchar_t* sunday;
    } cases[] = {
        {DateTimeForm::Day, L"5", L"25"},
        {DateTimeForm::Day2, L"05", L"25"},
        {DateTimeForm::MonthNumber, L"3", L"12"},
        {DateTimeForm::MonthNumber2, L"03", L"12"},
        {DateTimeForm::MonthName, L"March", L"December"},
        {DateTimeForm::MonthNameAbbr, L"Mar", L"Dec"},
        {DateTimeForm::Year, L"2026", L"2005"},
        {DateTimeForm::Year2, L"26", L"05"},
        {DateTimeForm::WeekdayName, L"Thursday", L"Sunday"},
        {DateTimeForm::WeekdayNameAbbr, L"Thu", L"Sun"},
        {DateTimeForm::LongDate, L"Thursday, March 5, 2026", L"Sunday, December 25, 2005"},
        {DateTimeForm::LongDateNoDayName, L"March 5, 2026", L"December 25, 2005"},
        // 24 hours and no marker although the locale's own time format is 12-hour.
        {DateTimeForm::Time, L"09:07:03", L"23:59:59"},
        {DateTimeForm::DateTime, L"Thursday, March 5, 2026 09:07:03", L"Sunday, December 25, 2005 23:59:59"},
        {DateTimeForm::DateTimeNoDayName, L"March 5, 2026 09:07:03", L"December 25, 2005 23:59:59"},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.thursday, FormatDateTimeForm(c.form, kThursday, kEnglishUs).GetString())
            << static_cast<int>(c.form);
        EXPECT_STREQ(c.sunday, FormatDateTimeForm(c.form, kSunday, kEnglishUs).GetString()) << static_cast<int>(c.form);
    }
}

TEST(DateTimeFormat, LocaleNamesFollowTheGivenLocale) {
    EXPECT_STREQ(L"März", FormatDateTimeForm(DateTimeForm::MonthName, kThursday, kGerman).GetString());
    EXPECT_STREQ(L"Donnerstag", FormatDateTimeForm(DateTimeForm::WeekdayName, kThursday, kGerman).GetString());
    // The day name leads the German long date as well and leaves with its comma.
    CString longDate = FormatLongDate(kThursday, kGerman);
    ASSERT_EQ(0, longDate.Find(L"Donnerstag")) << longDate.GetString();
    CString withoutName = FormatLongDateNoDayName(kThursday, kGerman);
    EXPECT_EQ(-1, withoutName.Find(L"Donnerstag")) << withoutName.GetString();
    EXPECT_NE(L',', withoutName.GetAt(0)) << withoutName.GetString();
    EXPECT_NE(-1, withoutName.Find(L"März 2026")) << withoutName.GetString();
}

TEST(DateTimeFormat, InvalidDateGivesEmptyLocaleTexts) {
    // Wine's GetDateFormatW turns 29 February 2023 into 1 March; Windows refuses it.
    SYSTEMTIME invalid = MakeTime(2023, 2, 29, 10, 0, 0);
    for (DateTimeForm form : {DateTimeForm::LongDate, DateTimeForm::LongDateNoDayName, DateTimeForm::WeekdayName,
                              DateTimeForm::WeekdayNameAbbr}) {
        EXPECT_TRUE(FormatDateTimeForm(form, invalid, kEnglishUs).IsEmpty()) << static_cast<int>(form);
    }
    SYSTEMTIME month13 = MakeTime(2023, 13, 1, 10, 0, 0);
    EXPECT_TRUE(FormatDateTimeForm(DateTimeForm::MonthName, month13, kEnglishUs).IsEmpty());
}

TEST(DateTimeFormat, DayAndMonthNamesByNumber) {
    struct {
        int number;
        bool abbreviated;
        const wchar_t* day;
        const wchar_t* month;
    } cases[] = {
        {-1, false, L"", L""},     {0, false, L"Sunday", L""},
        {0, true, L"Sun", L""},    {1, false, L"Monday", L"January"},
        {6, true, L"Sat", L"Jun"}, {7, false, L"", L"July"},
        {12, true, L"", L"Dec"},   {13, false, L"", L""},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.day, GetDayOfWeekName(c.number, kEnglishUs, c.abbreviated).GetString()) << c.number;
        EXPECT_STREQ(c.month, GetMonthName(c.number, kEnglishUs, c.abbreviated).GetString()) << c.number;
    }
}

TEST(DateTimeFormat, DayOfWeekMatchesTheSystemCalendarOverACentury) {
    // Walk day by day through the system's own calendar and compare.
    SYSTEMTIME start = MakeTime(1999, 1, 1, 12, 0, 0);
    FILETIME file = {};
    ASSERT_TRUE(SystemTimeToFileTime(&start, &file));
    ULARGE_INTEGER ticks;
    ticks.LowPart = file.dwLowDateTime;
    ticks.HighPart = file.dwHighDateTime;
    const ULONGLONG kDay = 864000000000ull;
    int mismatches = 0;
    for (int i = 0; i < 366 * 102; ++i, ticks.QuadPart += kDay) {
        file.dwLowDateTime = ticks.LowPart;
        file.dwHighDateTime = ticks.HighPart;
        SYSTEMTIME day = {};
        ASSERT_TRUE(FileTimeToSystemTime(&file, &day));
        if (DayOfWeekFromDate(day.wYear, day.wMonth, day.wDay) != day.wDayOfWeek && ++mismatches < 5) {
            ADD_FAILURE() << day.wYear << "-" << day.wMonth << "-" << day.wDay;
        }
    }
    EXPECT_EQ(0, mismatches);
}

TEST(DateTimeFormat, DayOfWeekRefusesDatesThatDoNotExist) {
    struct {
        int year, month, day, expected;
    } cases[] = {
        {1899, 12, 30, 6},                     // day 0 of the OLE date
        {1900, 2, 28, 3},  {1900, 2, 29, -1},  // not a leap year
        {2000, 2, 29, 2},  {2023, 2, 29, -1}, {2024, 4, 31, -1}, {2024, 0, 1, -1}, {2024, 13, 1, -1}, {2024, 1, 0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, DayOfWeekFromDate(c.year, c.month, c.day)) << c.year << "-" << c.month << "-" << c.day;
    }
}

TEST(DateTimeFormat, ComposedTextsInEnglish) {
    SYSTEMTIME sameYear = MakeTime(2026, 11, 30, 0, 0, 0);
    SYSTEMTIME nextYear = MakeTime(2027, 1, 2, 0, 0, 0);
    struct {
        CString actual;
        const wchar_t* expected;
    } cases[] = {
        {FormatDateText(kThursday, false, kEnglishUs), L"March 5, 2026"},
        {FormatDateText(kThursday, true, kEnglishUs), L"March 5, 2026, Thursday"},
        {FormatDateTimeText(kThursday, false, kEnglishUs), L"March 5, 2026, 09:07:03"},
        {FormatDateTimeText(kThursday, true, kEnglishUs), L"March 5, 2026, Thursday, 09:07:03"},
        {FormatDateTimeLocal(kSunday, kEnglishUs), L"December 25, 2005, Sunday, 23:59:59"},
        {FormatTimeFirst(kThursday, L" | ", kEnglishUs), L"09:07:03 | March 5, 2026, Thursday"},
        {FormatStampedText(kThursday, nullptr, sameYear, kEnglishUs), L"09:07:03 March 5, 2026, Thursday"},
        {FormatStampedText(kThursday, L"", sameYear, kEnglishUs), L"09:07:03 March 5, 2026, Thursday"},
        // This year's date loses its year; another year's keeps it.
        {FormatStampedText(kThursday, L"Note", sameYear, kEnglishUs),
         L"09:07:03,\tThursday, March 5, Thursday \u2014 Note"},
        {FormatStampedText(kThursday, L"Note", nextYear, kEnglishUs),
         L"09:07:03,\tThursday, March 5, 2026, Thursday \u2014 Note"},
    };
    int row = 0;
    for (const auto& c : cases) {
        EXPECT_STREQ(c.expected, c.actual.GetString()) << "row " << row;
        ++row;
    }
}

TEST(DateTimeFormat, PartsAreJoinedWithoutEmptyOrDoubledSeparators) {
    struct {
        const wchar_t* text;
        const wchar_t* part;
        const wchar_t* expected;
    } cases[] = {
        {L"a", L"b", L"a, b"},   {L"a", L"", L"a"},  // an empty part adds nothing, not even the separator
        {L"a, ", L"b", L"a, b"},                     // already ends with the separator
        {L"a,", L"b", L"a,, b"},                     // only the whole separator counts
        {L"", L"b", L"b"},                           // nothing to separate from
    };
    for (const auto& c : cases) {
        CString text(c.text);
        AppendDateTimePart(text, L", ", c.part);
        EXPECT_STREQ(c.expected, text.GetString()) << c.text << " + " << c.part;
    }
}

TEST(DateTimeFormat, InvalidDateKeepsTheTimeWithoutStraySeparators) {
    SYSTEMTIME invalid = MakeTime(2023, 2, 29, 10, 11, 12);
    EXPECT_STREQ(L"10:11:12", FormatDateTimeLocal(invalid, kEnglishUs).GetString());
    EXPECT_STREQ(L"10:11:12", FormatTimeFirst(invalid, L" ", kEnglishUs).GetString());
}
