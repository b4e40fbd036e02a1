// Date and time texts of one moment: the pieces the phrase macros offer (day, month,
// year, names, long date, time) and the composed texts that menus, tool tips, pages and
// the log show.
//
// The moment is always an argument, never read here, so a caller decides which clock
// (GetLocalTime for the macros) and a test passes a fixed value. Locale-dependent parts
// come from the system's locale data of the given LCID; a part the system cannot give
// (an invalid date, an unknown locale) is an empty text. Nothing keeps state: any thread.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// Names and calendar

// Day 0 is Sunday .. 6 Saturday (LOCALE_SDAYNAME7 / LOCALE_SABBREVDAYNAME7 for Sunday,
// ...1..6 for Monday..Saturday); empty outside 0..6 or when the locale has no name.
CString GetDayOfWeekName(int day, LCID locale, bool abbreviated);
// Month 1..12 (LOCALE_SMONTHNAME1.. / LOCALE_SABBREVMONTHNAME1..); empty outside.
CString GetMonthName(int month, LCID locale, bool abbreviated);

// Day of the week of a Gregorian date, 0 = Sunday; -1 when the month is outside 1..12
// or the day outside the month.
int DayOfWeekFromDate(int year, int month, int day);

// ---------------------------------------------------------------------------------------
// Single forms (the values of the date and time macros)

enum class DateTimeForm {
    Day,                // day of the month, no leading zero ("5")
    Day2,               // day padded to two digits ("05")
    MonthNumber,        // 1..12
    MonthNumber2,       // "01".."12"
    MonthName,          // full month name of the locale
    MonthNameAbbr,      // abbreviated month name
    Year,               // the year, decimal
    Year2,              // its last two digits ("26", "05")
    WeekdayName,        // full day name of the date's day of week
    WeekdayNameAbbr,    // abbreviated day name
    LongDate,           // the locale's long date (DATE_LONGDATE)
    LongDateNoDayName,  // the long date, day names removed, blanks and commas trimmed
    Time,               // "HH:mm:ss", 24-hour, no time marker
    DateTime,           // LongDate + " " + Time
    DateTimeNoDayName,  // LongDateNoDayName + " " + Time
};

CString FormatDateTimeForm(DateTimeForm form, const SYSTEMTIME& time, LCID locale);

// The three locale texts the other forms are built of.
CString FormatLongDate(const SYSTEMTIME& time, LCID locale);
CString FormatLongDateNoDayName(const SYSTEMTIME& time, LCID locale);
CString FormatTime24(const SYSTEMTIME& time, LCID locale);

// ---------------------------------------------------------------------------------------
// Composed texts. "date" is the long date without day names, "time" is "HH:mm:ss" and
// "day name" is the full name; the locale defaults to the user's.
//
// Each part goes after its separator only when the part is not empty; the separator
// itself is left out when the text so far is empty or already ends with it.

void AppendDateTimePart(CString& text, const wchar_t* separator, const CString& part);

// date, then ", " + day name when asked.
CString FormatDateText(const SYSTEMTIME& time, bool withDayName, LCID locale = LOCALE_USER_DEFAULT);
// date, ", " + day name when asked, ", " + time.
CString FormatDateTimeText(const SYSTEMTIME& time, bool withDayName, LCID locale = LOCALE_USER_DEFAULT);
// date + ", " + day name + ", " + time.
CString FormatDateTimeLocal(const SYSTEMTIME& time, LCID locale = LOCALE_USER_DEFAULT);
// time + separator + date + ", " + day name.
CString FormatTimeFirst(const SYSTEMTIME& time, const wchar_t* separator, LCID locale = LOCALE_USER_DEFAULT);
// Without a text (null or empty): FormatTimeFirst with " ". With one: time, ",\t", the
// long date with day names (cut before the year when it is the year of `now`), ", " +
// day name, " — " + text.
CString FormatStampedText(const SYSTEMTIME& time, const wchar_t* text, const SYSTEMTIME& now,
                          LCID locale = LOCALE_USER_DEFAULT);
