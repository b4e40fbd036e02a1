#include <gtest/gtest.h>

#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "phrases/NumberToWords.h"

namespace {

// Group endings follow the last two digits of each group: одна тысяча / две тысячи /
// пять тысяч, один миллион / два миллиона / пять миллионов, with 11..19 always taking
// the third form and the thousands taking the feminine одна and две.
TEST(NumberToWords, WordsAndGroupEndings) {
    static const struct {
        uint32_t number;
        const wchar_t* words;
    } kCases[] = {
        {0, L"ноль"},
        {1, L"один"},
        {2, L"два"},
        {10, L"десять"},
        {11, L"одиннадцать"},
        {12, L"двенадцать"},
        {14, L"четырнадцать"},
        {19, L"девятнадцать"},
        {40, L"сорок"},
        {50, L"пятьдесят"},
        {80, L"восемьдесят"},
        {90, L"девяносто"},
        {100, L"сто"},
        {200, L"двести"},
        {500, L"пятьсот"},
        {700, L"семьсот"},
        {999, L"девятьсот девяносто девять"},
        {1000, L"одна тысяча"},
        {1001, L"одна тысяча один"},
        {2000, L"две тысячи"},
        {4000, L"четыре тысячи"},
        {5000, L"пять тысяч"},
        {11000, L"одиннадцать тысяч"},
        {12000, L"двенадцать тысяч"},
        {21000, L"двадцать одна тысяча"},
        {22000, L"двадцать две тысячи"},
        {100000, L"сто тысяч"},
        {101000, L"сто одна тысяча"},
        {111000, L"сто одиннадцать тысяч"},
        {1000000, L"один миллион"},
        {2000000, L"два миллиона"},
        {5000000, L"пять миллионов"},
        {11000000, L"одиннадцать миллионов"},
        {21000000, L"двадцать один миллион"},
        {1000000000, L"один миллиард"},
        {2000000000, L"два миллиарда"},
        {1002003, L"один миллион две тысячи три"},
        {4294967295u,
         L"четыре миллиарда двести девяносто четыре миллиона девятьсот шестьдесят семь тысяч двести "
         L"девяносто пять"},
    };
    for (const auto& c : kCases) {
        EXPECT_STREQ(c.words, NumberToWords(c.number).GetString()) << c.number;
    }
}

TEST(NumberCharsText, DigitRunsBecomeWordsAndTheRestStays) {
    static const struct {
        const wchar_t* text;
        const wchar_t* expected;
    } kCases[] = {
        {L"в 2021 году", L"в две тысячи двадцать один году"},
        {L"007", L"семь"},
        {L"0", L"ноль"},
        {L"", L""},
        {L"no digits here, only words.", L"no digits here, only words."},
        {L"a1b22c", L"aодинbдвадцать дваc"},
        {L"1 2", L"один два"},
        {L"4294967295",
         L"четыре миллиарда двести девяносто четыре миллиона девятьсот шестьдесят семь тысяч двести "
         L"девяносто пять"},
        // Runs that are no unsigned 32-bit number stay as written (phone and account
        // numbers): more than ten digits, or ten whose value is too large.
        {L"tel. 4294967296", L"tel. 4294967296"},
        {L"+7 9161234567", L"+семь 9161234567"},
        {L"acct 12345678901234", L"acct 12345678901234"},
        {L"00000000007", L"00000000007"},
        // Digits of other scripts count by their value.
        {L"\x0663\x0665", L"тридцать пять"},  // Arabic-Indic 3 5
        {L"\xFF11\xFF12", L"двенадцать"},     // full-width 1 2
        {L"x😀5", L"x😀пять"},
    };
    for (const auto& c : kCases) {
        EXPECT_STREQ(c.expected, NumberCharsText(c.text).GetString()) << WideToUtf8(c.text);
    }
}

}  // namespace
