// Small date and time services: SYSTEMTIME through the OLE date form with its
// milliseconds, whole days added, a duration as a locale time text, the program's build
// date, and the parser of news-feed dates ("05 Mar 2026 09:07:03 GMT").
//
// The day and month names and the composed date texts are in core/DateTimeFormat.h.
// Nothing keeps state: any thread.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/DateTimeFormat.h"

// ---------------------------------------------------------------------------------------
// OLE dates with milliseconds

// SystemTimeToVariantTime of the time without its milliseconds, plus the milliseconds as
// a fraction of a day. *out is written even on failure (then it holds only that
// fraction): callers look at the result, which is the system call's.
INT SystemTimeToVariantTimeWithMs(const SYSTEMTIME& time, double* out);
// Back, milliseconds included; a value within half a millisecond of a whole second comes
// back as that second. Nonzero on success; *out is written only then.
INT VariantTimeToSystemTimeWithMs(double value, SYSTEMTIME* out);
// Adds whole days (negative: earlier), keeping the time of day and milliseconds. False,
// with *time unchanged, when the date cannot be converted.
bool AddDaysToSystemTime(SYSTEMTIME* time, int days);

// The time of those fields, its weekday filled in; false, with *out untouched, unless
// they make a real date (years 1601..9999) and time of day.
bool MakeValidSystemTime(int year, int month, int day, int hour, int minute, int second, SYSTEMTIME* out);

// ---------------------------------------------------------------------------------------
// Texts

// The duration as the locale's 24-hour time without marker ("1:00:00"); the remaining
// milliseconds are dropped. Locale 0: the language of the program's own resources.
// Empty for 24 hours or more, which a time of day cannot show.
CString FormatElapsedTime(unsigned milliseconds, LCID locale);

// 1..12 for "Jan".."Dec" (whole text, any case), else the default.
int MonthFromAbbrev(const wchar_t* text, int defaultValue);

// ---------------------------------------------------------------------------------------
// Build date

// The build tools' date and time: "Mmm dd yyyy hh:mm:ss", the day padded with a blank.
CString GetBuildStamp();
// Reads a stamp of that form; false, with *out untouched, unless every field is there
// and makes a real date and time. A month name that is no abbreviation counts as January.
bool ParseBuildDate(const wchar_t* stamp, SYSTEMTIME* out);
bool ParseBuildDate(SYSTEMTIME* out);  // of GetBuildStamp()
// FormatDateTimeLocal of the build date; the raw stamp when it cannot be read.
CString GetBuildDateText();

// ---------------------------------------------------------------------------------------
// News-feed dates

// Longest text ParseGmtDateTime looks at; a longer one is refused unread.
constexpr int kMaxGmtDateTextChars = 100;

// "day month-abbreviation year hh:mm:ss" with any "GMT" removed and blanks around and
// between the fields. The whole text must be that date: a missing or extra field, a
// sign, an over-long number or text, an unknown month or an impossible date or time
// fails, and *out is written only on success (milliseconds 0, day of week computed).
bool ParseGmtDateTime(const wchar_t* text, SYSTEMTIME* out);
