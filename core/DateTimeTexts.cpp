#include "core/DateTimeTexts.h"

#include <oleauto.h>

#include <cmath>
#include <cwchar>

#include "core/VersionInfo.h"

namespace {

constexpr double kDayPerMillisecond = 1.1574074074e-8;
constexpr double kHalfSecondInDays = 5.787037037e-6;

bool IsAsciiDigit(wchar_t ch) {
    return ch >= L'0' && ch <= L'9';
}
bool IsAsciiLetter(wchar_t ch) {
    return (ch >= L'a' && ch <= L'z') || (ch >= L'A' && ch <= L'Z');
}
bool IsBlank(wchar_t ch) {
    return ch == L' ' || ch == L'\t' || ch == L'\r' || ch == L'\n';
}

// A left-to-right reader that never looks past the terminator.
class CFieldReader {
public:
    explicit CFieldReader(const wchar_t* text) : m_at(text) {}

    // Skips blanks; true when there was at least one.
    bool SkipBlanks() {
        const wchar_t* start = m_at;
        while (IsBlank(*m_at)) ++m_at;
        return m_at != start;
    }
    // 1 to maxDigits decimal digits, no sign.
    bool Number(int maxDigits, int& value) {
        int digits = 0;
        value = 0;
        for (; IsAsciiDigit(*m_at); ++m_at, ++digits) {
            if (digits < maxDigits) value = value * 10 + (*m_at - L'0');
        }
        return digits >= 1 && digits <= maxDigits;
    }
    // 1 to maxLetters ASCII letters.
    bool Word(int maxLetters, CString& word) {
        const wchar_t* start = m_at;
        while (IsAsciiLetter(*m_at)) ++m_at;
        int length = static_cast<int>(m_at - start);
        if (length < 1 || length > maxLetters) return false;
        word = CString(start, length);
        return true;
    }
    bool Char(wchar_t ch) {
        if (*m_at != ch) return false;
        ++m_at;
        return true;
    }
    bool AtEnd() const { return *m_at == L'\0'; }

private:
    const wchar_t* m_at;
};

bool IsValidDateTime(int year, int month, int day, int hour, int minute, int second) {
    // FILETIME and the OLE date both reach 1601..9999.
    return year >= 1601 && year <= 9999 && DayOfWeekFromDate(year, month, day) >= 0 && hour >= 0 && hour <= 23 &&
           minute >= 0 && minute <= 59 && second >= 0 && second <= 59;
}

SYSTEMTIME MakeSystemTime(int year, int month, int day, int hour, int minute, int second) {
    SYSTEMTIME time = {};
    time.wYear = static_cast<WORD>(year);
    time.wMonth = static_cast<WORD>(month);
    time.wDay = static_cast<WORD>(day);
    time.wDayOfWeek = static_cast<WORD>(DayOfWeekFromDate(year, month, day));
    time.wHour = static_cast<WORD>(hour);
    time.wMinute = static_cast<WORD>(minute);
    time.wSecond = static_cast<WORD>(second);
    return time;
}

}  // namespace

bool MakeValidSystemTime(int year, int month, int day, int hour, int minute, int second, SYSTEMTIME* out) {
    if (!IsValidDateTime(year, month, day, hour, minute, second)) return false;
    *out = MakeSystemTime(year, month, day, hour, minute, second);
    return true;
}

// ---------------------------------------------------------------------------------------
// OLE dates

INT SystemTimeToVariantTimeWithMs(const SYSTEMTIME& time, double* out) {
    SYSTEMTIME copy = time;
    WORD milliseconds = copy.wMilliseconds;
    copy.wMilliseconds = 0;
    double value = 0;
    INT result = SystemTimeToVariantTime(&copy, &value);
    if (out) *out = value + milliseconds * kDayPerMillisecond;
    return result;
}

INT VariantTimeToSystemTimeWithMs(double value, SYSTEMTIME* out) {
    // The system rounds to the nearest second; half a second earlier makes that a cut.
    SYSTEMTIME time = {};
    if (!VariantTimeToSystemTime(value - kHalfSecondInDays, &time)) return 0;

    double whole = 0;
    double fraction = std::fabs(std::modf(value, &whole));
    fraction = std::modf(fraction * 24, &whole);
    fraction = std::modf(fraction * 60, &whole);
    fraction = std::modf(fraction * 60, &whole);
    // Whole milliseconds after rounding decide: 998.7 and 999.0 are 999, not the next
    // second, while 999.5 and more round up to it.
    int milliseconds = static_cast<int>(fraction * 1000 + 0.5);
    if (milliseconds >= 1 && milliseconds <= 999) {
        time.wMilliseconds = static_cast<WORD>(milliseconds);
        if (out) *out = time;
        return 1;
    }
    // Within half a millisecond of a whole second: that second, rounded by the system.
    INT result = VariantTimeToSystemTime(value, &time);
    if (result && out) *out = time;
    return result;
}

bool AddDaysToSystemTime(SYSTEMTIME* time, int days) {
    if (!time) return false;
    double value = 0;
    if (!SystemTimeToVariantTimeWithMs(*time, &value)) return false;
    return VariantTimeToSystemTimeWithMs(value + days, time) != 0;
}

// ---------------------------------------------------------------------------------------
// Texts

CString FormatElapsedTime(unsigned milliseconds, LCID locale) {
    unsigned hours = milliseconds / 3600000u;
    unsigned rest = milliseconds % 3600000u;
    unsigned minutes = rest / 60000u;
    rest %= 60000u;
    unsigned seconds = rest / 1000u;
    if (hours > 23) return CString();

    SYSTEMTIME time = {};
    GetSystemTime(&time);
    time.wHour = static_cast<WORD>(hours);
    time.wMinute = static_cast<WORD>(minutes);
    time.wSecond = static_cast<WORD>(seconds);
    time.wMilliseconds = 0;

    if (locale == 0) {
        LANGID language = GetResourceLanguage(nullptr);
        locale = language ? MAKELCID(language, SORT_DEFAULT) : LOCALE_USER_DEFAULT;
    }
    wchar_t buffer[101] = {};
    if (GetTimeFormatW(locale, TIME_FORCE24HOURFORMAT | TIME_NOTIMEMARKER, &time, nullptr, buffer, 100) <= 0)
        return CString();
    CString text(buffer);
    for (bool abbreviated : {false, true}) {
        CString name = GetDayOfWeekName(time.wDayOfWeek, locale, abbreviated);
        if (!name.IsEmpty()) text.Replace(name, L"");
    }
    text.Trim(L" ,");
    return text;
}

int MonthFromAbbrev(const wchar_t* text, int defaultValue) {
    static const wchar_t* const kMonths[12] = {L"Jan", L"Feb", L"Mar", L"Apr", L"May", L"Jun",
                                               L"Jul", L"Aug", L"Sep", L"Oct", L"Nov", L"Dec"};
    if (!text) return defaultValue;
    for (int i = 0; i < 12; ++i) {
        if (CString(text).CompareNoCase(kMonths[i]) == 0) return i + 1;
    }
    return defaultValue;
}

// ---------------------------------------------------------------------------------------
// Build date

CString GetBuildStamp() {
    return CString(L"" __DATE__ " " __TIME__);
}

bool ParseBuildDate(const wchar_t* stamp, SYSTEMTIME* out) {
    if (!stamp || !*stamp || !out) return false;
    // "Mmm dd yyyy hh:mm:ss"; the compiler pads a one-digit day with a blank.
    CFieldReader reader(stamp);
    CString month;
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    if (!reader.Word(3, month) || !reader.SkipBlanks() || !reader.Number(2, day) || !reader.SkipBlanks() ||
        !reader.Number(4, year) || !reader.SkipBlanks() || !reader.Number(2, hour) || !reader.Char(L':') ||
        !reader.Number(2, minute) || !reader.Char(L':') || !reader.Number(2, second) || !reader.AtEnd())
        return false;
    int monthNumber = MonthFromAbbrev(month, 1);
    return MakeValidSystemTime(year, monthNumber, day, hour, minute, second, out);
}

bool ParseBuildDate(SYSTEMTIME* out) {
    return ParseBuildDate(GetBuildStamp(), out);
}

CString GetBuildDateText() {
    SYSTEMTIME built = {};
    if (!ParseBuildDate(&built)) return GetBuildStamp();
    return FormatDateTimeLocal(built);
}

// ---------------------------------------------------------------------------------------
// News-feed dates

bool ParseGmtDateTime(const wchar_t* text, SYSTEMTIME* out) {
    if (!text || !out) return false;
    // Looked at only up to one character past the limit: a longer text is refused unread.
    size_t length = wcsnlen(text, kMaxGmtDateTextChars + 1);
    if (length == 0 || length > kMaxGmtDateTextChars) return false;
    CString copy(text, static_cast<int>(length));
    copy.Replace(L"GMT", L"");
    copy.Trim(L" \t\r\n");
    if (copy.IsEmpty()) return false;

    CFieldReader reader(copy);
    CString month;
    int day = 0, year = 0, hour = 0, minute = 0, second = 0;
    reader.SkipBlanks();
    if (!reader.Number(2, day) || !reader.SkipBlanks() || !reader.Word(3, month) || !reader.SkipBlanks() ||
        !reader.Number(4, year) || !reader.SkipBlanks() || !reader.Number(2, hour) || !reader.Char(L':') ||
        !reader.Number(2, minute) || !reader.Char(L':') || !reader.Number(2, second) || !reader.AtEnd())
        return false;
    int monthNumber = MonthFromAbbrev(month, 65535);
    if (monthNumber == 65535) return false;
    return MakeValidSystemTime(year, monthNumber, day, hour, minute, second, out);
}
