#include "core/base/DateTimeFormat.h"

namespace {

// The locale functions' own limit for one name.
constexpr int kNameBufferChars = 261;
constexpr int kNameLimitChars = 260;

CString GetLocaleText(LCID locale, LCTYPE type) {
    wchar_t buffer[kNameBufferChars] = {};
    if (GetLocaleInfoW(locale, type, buffer, kNameLimitChars) <= 0) return CString();
    return CString(buffer);
}

bool IsLeapYear(int year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(int year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// The day of week of the date itself, not the caller's wDayOfWeek: the system's date
// texts compute it too, and a name that disagreed with them would be wrong.
int WeekdayOf(const SYSTEMTIME& time) {
    return DayOfWeekFromDate(time.wYear, time.wMonth, time.wDay);
}

const wchar_t kListSeparator[] = L", ";

}  // namespace

CString GetDayOfWeekName(int day, LCID locale, bool abbreviated) {
    if (day < 0 || day > 6) return CString();
    // The locale numbers its days from Monday (1) to Sunday (7).
    int index = day == 0 ? 6 : day - 1;
    LCTYPE type = (abbreviated ? LOCALE_SABBREVDAYNAME1 : LOCALE_SDAYNAME1) + index;
    return GetLocaleText(locale, type);
}

CString GetMonthName(int month, LCID locale, bool abbreviated) {
    if (month < 1 || month > 12) return CString();
    LCTYPE type = (abbreviated ? LOCALE_SABBREVMONTHNAME1 : LOCALE_SMONTHNAME1) + (month - 1);
    return GetLocaleText(locale, type);
}

int DayOfWeekFromDate(int year, int month, int day) {
    if (month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month)) return -1;
    // Sakamoto's method: January and February count as months of the previous year.
    static const int kOffsets[12] = {0, 3, 2, 5, 0, 3, 5, 1, 4, 6, 2, 4};
    if (month < 3) year -= 1;
    int weekday = (year + year / 4 - year / 100 + year / 400 + kOffsets[month - 1] + day) % 7;
    return weekday < 0 ? weekday + 7 : weekday;
}

CString FormatLongDate(const SYSTEMTIME& time, LCID locale) {
    // Windows refuses a date that does not exist; Wine rolls it over into the next month.
    // Checked here so that no platform shows a date other than the one given.
    if (WeekdayOf(time) < 0) return CString();
    int needed = GetDateFormatW(locale, DATE_LONGDATE, &time, nullptr, nullptr, 0);
    if (needed <= 0) return CString();
    CString text;
    int written = GetDateFormatW(locale, DATE_LONGDATE, &time, nullptr, text.GetBufferSetLength(needed), needed);
    text.ReleaseBuffer(written > 0 ? written - 1 : 0);
    return text;
}

CString FormatLongDateNoDayName(const SYSTEMTIME& time, LCID locale) {
    CString text = FormatLongDate(time, locale);
    if (text.IsEmpty()) return text;
    // Every full day name, not only the date's own: a long date never names another
    // day, and this way a customised long-date picture loses its name as well.
    for (int day = 0; day < 7; ++day) {
        CString name = GetDayOfWeekName(day, locale, false);
        if (!name.IsEmpty()) text.Replace(name, L"");
    }
    text.Trim(L" ,");
    return text;
}

CString FormatTime24(const SYSTEMTIME& time, LCID locale) {
    // The picture fixes 24 hours and no marker whatever the locale's own time format.
    const wchar_t kPicture[] = L"HH:mm:ss";
    int needed = GetTimeFormatW(locale, 0, &time, kPicture, nullptr, 0);
    if (needed <= 0) return CString();
    CString text;
    int written = GetTimeFormatW(locale, 0, &time, kPicture, text.GetBufferSetLength(needed), needed);
    text.ReleaseBuffer(written > 0 ? written - 1 : 0);
    return text;
}

CString FormatDateTimeForm(DateTimeForm form, const SYSTEMTIME& time, LCID locale) {
    CString text;
    switch (form) {
        case DateTimeForm::Day:
            text.Format(L"%u", time.wDay);
            break;
        case DateTimeForm::Day2:
            text.Format(L"%02u", time.wDay);
            break;
        case DateTimeForm::MonthNumber:
            text.Format(L"%u", time.wMonth);
            break;
        case DateTimeForm::MonthNumber2:
            text.Format(L"%02u", time.wMonth);
            break;
        case DateTimeForm::MonthName:
            text = GetMonthName(time.wMonth, locale, false);
            break;
        case DateTimeForm::MonthNameAbbr:
            text = GetMonthName(time.wMonth, locale, true);
            break;
        case DateTimeForm::Year:
            text.Format(L"%u", time.wYear);
            break;
        case DateTimeForm::Year2:
            text.Format(L"%02u", time.wYear % 100u);
            break;
        case DateTimeForm::WeekdayName:
            text = GetDayOfWeekName(WeekdayOf(time), locale, false);
            break;
        case DateTimeForm::WeekdayNameAbbr:
            text = GetDayOfWeekName(WeekdayOf(time), locale, true);
            break;
        case DateTimeForm::LongDate:
            text = FormatLongDate(time, locale);
            break;
        case DateTimeForm::LongDateNoDayName:
            text = FormatLongDateNoDayName(time, locale);
            break;
        case DateTimeForm::Time:
            text = FormatTime24(time, locale);
            break;
        case DateTimeForm::DateTime:
            text = FormatLongDate(time, locale) + L" " + FormatTime24(time, locale);
            break;
        case DateTimeForm::DateTimeNoDayName:
            text = FormatLongDateNoDayName(time, locale) + L" " + FormatTime24(time, locale);
            break;
    }
    return text;
}

void AppendDateTimePart(CString& text, const wchar_t* separator, const CString& part) {
    if (part.IsEmpty()) return;
    CString sep(separator);
    bool endsWithSeparator =
        !sep.IsEmpty() && text.GetLength() >= sep.GetLength() && text.Right(sep.GetLength()) == sep;
    if (!text.IsEmpty() && !endsWithSeparator) text += sep;
    text += part;
}

CString FormatDateText(const SYSTEMTIME& time, bool withDayName, LCID locale) {
    CString text = FormatLongDateNoDayName(time, locale);
    if (withDayName) AppendDateTimePart(text, kListSeparator, GetDayOfWeekName(WeekdayOf(time), locale, false));
    return text;
}

CString FormatDateTimeText(const SYSTEMTIME& time, bool withDayName, LCID locale) {
    CString text = FormatDateText(time, withDayName, locale);
    AppendDateTimePart(text, kListSeparator, FormatTime24(time, locale));
    return text;
}

CString FormatDateTimeLocal(const SYSTEMTIME& time, LCID locale) {
    return FormatDateTimeText(time, true, locale);
}

CString FormatTimeFirst(const SYSTEMTIME& time, const wchar_t* separator, LCID locale) {
    CString text = FormatTime24(time, locale);
    AppendDateTimePart(text, separator, FormatDateText(time, true, locale));
    return text;
}

CString FormatStampedText(const SYSTEMTIME& time, const wchar_t* text, const SYSTEMTIME& now, LCID locale) {
    if (!text || !*text) return FormatTimeFirst(time, L" ", locale);

    CString date = FormatLongDate(time, locale);
    if (time.wYear == now.wYear) {
        CString year;
        year.Format(L"%u", time.wYear);
        int at = date.Find(year);
        if (at >= 0) {
            // Blanks and commas both: the day name follows with its own ", ".
            date = date.Left(at);
            date.TrimRight(L" ,");
        }
    }
    CString result = FormatTime24(time, locale);
    AppendDateTimePart(result, L",\t", date);
    AppendDateTimePart(result, kListSeparator, GetDayOfWeekName(WeekdayOf(time), locale, false));
    AppendDateTimePart(result, L" \u2014 ", CString(text));
    return result;
}
