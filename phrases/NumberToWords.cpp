#include "phrases/NumberToWords.h"

#include <windows.h>

#include <cwctype>

namespace {

// Each word carries its leading blank; the stems of 11..19, 50..80 and 500..900 are
// completed by the suffixes below.
const wchar_t* const kUnits[20] = {
    L"",        L" один", L" два", L" три", L" четыре", L" пять", L" шесть", L" семь", L" восемь", L" девять",
    L" десять", L" один", L" две", L" три", L" четыр",  L" пят",  L" шест",  L" сем",  L" восем",  L" девят",
};
const wchar_t* const kFeminineUnits[3] = {L"", L" одна", L" две"};
const wchar_t* const kTens[10] = {
    L"", L"", L" двадцать", L" тридцать", L" сорок", L" пят", L" шест", L" сем", L" восем", L" девяносто",
};
const wchar_t* const kHundreds[10] = {
    L"", L"сто", L"двести", L"триста", L"четыреста", L"пят", L"шест", L"сем", L"восем", L"девят",
};
const wchar_t* const kGroups[4] = {L"", L" тысяч", L" миллион", L" миллиард"};
const wchar_t* const kThousandEndings[3] = {L"а", L"и", L""};
const wchar_t* const kOtherEndings[3] = {L"", L"а", L"ов"};

const wchar_t kTeenSuffix[] = L"надцать";
const wchar_t kTensSuffix[] = L"ьдесят";
const wchar_t kHundredsSuffix[] = L"ьсот";

// Which of the three noun forms follows a number below 1000: 0 "одна тысяча",
// 1 "две тысячи", 2 "пять тысяч".
int PluralForm(unsigned n) {
    const unsigned lastTwo = n % 100;
    if (lastTwo >= 5 && lastTwo <= 19) return 2;
    const unsigned last = n % 10;
    if (last == 1) return 0;
    if (last >= 2 && last <= 4) return 1;
    return 2;
}

void AppendGroupWords(CString& words, uint32_t n, int group) {
    if (n / 1000 != 0) AppendGroupWords(words, n / 1000, group + 1);
    const unsigned r = n % 1000;
    if (r == 0) return;
    const unsigned h = r / 100;
    if (h != 0) {
        words += L' ';
        words += kHundreds[h];
        if (h >= 5) words += kHundredsSuffix;
    }
    unsigned t = r % 100;
    if (t / 10 >= 2) {
        words += kTens[t / 10];
        if (t / 10 >= 5 && t / 10 <= 8) words += kTensSuffix;
        t %= 10;
    }
    const int form = PluralForm(t);
    if (group == 1 && (t == 1 || t == 2)) {
        words += kFeminineUnits[t];
    } else {
        words += kUnits[t];
        if (t > 10) words += kTeenSuffix;
    }
    if (group >= 1) {
        words += kGroups[group];
        if (group == 1) {
            words += kThousandEndings[form];
        } else if (form != 0) {
            words += kOtherEndings[form];
        }
    }
}

const int kMaxDigits = 10;

// The value of a run of digits, or false when it is not an unsigned 32-bit number.
bool ReadDigitRun(const wchar_t* run, int length, uint32_t& value) {
    if (length > kMaxDigits) return false;
    // Digits of other scripts (Arabic-Indic, full-width, ...) become 0..9 first.
    wchar_t folded[kMaxDigits + 1] = {};
    if (FoldStringW(MAP_FOLDDIGITS, run, length, folded, kMaxDigits) != length) return false;
    uint64_t number = 0;
    for (int i = 0; i < length; ++i) {
        if (folded[i] < L'0' || folded[i] > L'9') return false;
        number = number * 10 + static_cast<unsigned>(folded[i] - L'0');
    }
    if (number > UINT32_MAX) return false;
    value = static_cast<uint32_t>(number);
    return true;
}

bool IsDigit(wchar_t ch) {
    return iswdigit(ch) != 0;
}

}  // namespace

CString NumberToWords(uint32_t number) {
    if (number == 0) return L"ноль";
    CString words;
    AppendGroupWords(words, number, 0);
    return words.Trim(L' ');
}

CString NumberCharsText(const CString& text) {
    CString result;
    const wchar_t* chars = text.GetString();
    const int length = text.GetLength();
    result.Preallocate(length);
    for (int i = 0; i < length;) {
        int end = i + 1;
        const bool digits = IsDigit(chars[i]);
        while (end < length && IsDigit(chars[end]) == digits) ++end;
        uint32_t value = 0;
        if (digits && ReadDigitRun(chars + i, end - i, value)) {
            result += NumberToWords(value);
        } else {
            result.Append(chars + i, end - i);
        }
        i = end;
    }
    return result;
}
