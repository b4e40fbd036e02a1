#include <gtest/gtest.h>

#include "core/base/SehGuard.h"
#include "core/base/TextHelpers.h"

namespace {

// The mark that ShortenMiddleWithMark puts between the halves, written out here on
// purpose: it is what the tool tips show.
const wchar_t kMark[] = L" \u2026\n\t\t\u2026 \u2026 \u2026\n\t\t\u2026 \u2026 \u2026\n\u2026 ";

const wchar_t kEmoji[] = L"\U0001F600";  // one character, two UTF-16 units

volatile int* g_nowhere = nullptr;

// One row of a table for the in-place operations that take a length limit.
struct InPlaceCase {
    const wchar_t* input;
    unsigned limit;
    const wchar_t* expected;
    bool result;
};

template <class Operation>
void CheckInPlace(const char* name, Operation operation, const InPlaceCase* cases, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        const InPlaceCase& c = cases[i];
        CString text(c.input);
        bool result = operation(text, c.limit);
        EXPECT_STREQ(c.expected, text.GetString()) << name << " case " << i;
        EXPECT_EQ(c.result, result) << name << " case " << i;
    }
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Shortening and normalising

TEST(ShortenMiddleWithMark, CutsTextsOfTheLimitOrMoreAndLeavesShorterOnes) {
    CString exact(L"abcdefghij");
    ShortenMiddleWithMark(exact, 10);
    EXPECT_STREQ((CString(L"abcde") + kMark + L"fghij").GetString(), exact.GetString());

    CString shorter(L"abcdefghi");
    ShortenMiddleWithMark(shorter, 10);
    EXPECT_STREQ(L"abcdefghi", shorter.GetString());

    CString empty;
    ShortenMiddleWithMark(empty, 0);
    EXPECT_TRUE(empty.IsEmpty());
}

TEST(ShortenMiddleWithMark, ClearsBreaksNextToTheMarkInItsOrder) {
    // Head "ab \n": the LF run goes, then the blank run. Head "ab\n ": only the blanks go,
    // the LF step has already run. Tails are cleared from their start in the same order.
    struct {
        const wchar_t* input;
        const wchar_t* head;
        const wchar_t* tail;
    } cases[] = {
        {L"ab \n\t cd", L"ab", L"cd"},
        {L"ab\n  \tcd", L"ab\n", L"\tcd"},
        {L"a\n\r\r\r\n\tb", L"a", L"b"},
    };
    for (const auto& c : cases) {
        CString text(c.input);
        ShortenMiddleWithMark(text, 8);
        EXPECT_STREQ((CString(c.head) + kMark + c.tail).GetString(), text.GetString()) << c.input;
    }
}

TEST(ShortenMiddleWithMark, NeverSplitsASurrogatePair) {
    // Pairs inside the halves stay.
    CString text = CString(L"a") + kEmoji + L"bc" + kEmoji + L"d";
    ShortenMiddleWithMark(text, 8);
    EXPECT_STREQ((CString(L"a") + kEmoji + L"b" + kMark + L"c" + kEmoji + L"d").GetString(), text.GetString());

    // Halves of 3 units would end after a high surrogate and start at a low one.
    CString cut = CString(L"ab") + kEmoji + kEmoji + L"cd";
    ShortenMiddleWithMark(cut, 6);
    EXPECT_STREQ((CString(L"ab") + kMark + L"cd").GetString(), cut.GetString());
}

TEST(TextPair, ShortFormIsDerivedOnceAndKept) {
    TextPair pair;
    EXPECT_TRUE(GetShortDisplayText(pair).IsEmpty());

    pair.fullText = CString(L'x', 60) + CString(L'y', 60);
    CString first = GetShortDisplayText(pair);
    EXPECT_STREQ((CString(L'x', 50) + kMark + CString(L'y', 50)).GetString(), first.GetString());

    pair.fullText = L"changed";
    EXPECT_STREQ(first.GetString(), GetShortDisplayText(pair).GetString());

    TextPair shortPair{L"short text", CString()};
    EXPECT_STREQ(L"short text", GetShortDisplayText(shortPair).GetString());
}

TEST(NormalizeWhitespace, LightModeTrimsOnlyBlanksOfLongTexts) {
    const InPlaceCase cases[] = {
        {L"  ab  ", 10, L"  ab  ", false},
        {L"  ab  ", 3, L"ab", true},
        {L"\tab\t", 1, L"\tab\t", false},
        {L"", 0, L"", false},
    };
    CheckInPlace(
        "light", [](CString& s, unsigned n) { return NormalizeWhitespace(s, true, n); }, cases, ARRAYSIZE(cases));
}

TEST(NormalizeWhitespace, FullModeFlattensBreaksAndBlankRunsOnePassEach) {
    const InPlaceCase cases[] = {
        {L"\v\b a\r\nb\rc\nd \t", 0, L"a b c d", true},
        {L"a\r\n\r\nb", 0, L"a b", true},
        {L"a    b", 0, L"a b", true},    // three blanks, then two
        {L"a     b", 0, L"a  b", true},  // five: one pass each leaves two
        {L"a b", 0, L"a b", false},
    };
    CheckInPlace(
        "full", [](CString& s, unsigned n) { return NormalizeWhitespace(s, false, n); }, cases, ARRAYSIZE(cases));
}

TEST(ShortenTextForDisplay, NormalisesThenCutsInTheMiddle) {
    const CString thirty = L"abcdefghijklmnopqrstuvwxyz0123";
    const InPlaceCase cases[] = {
        {L"a\r\nb   c", 10, L"a b c", true},
        {thirty, 10, L"abcde\u2026   \u2026z0123", true},
        {L"fits", 10, L"fits", false},
        {L"", 10, L"", false},
    };
    CheckInPlace("display", ShortenTextForDisplay, cases, ARRAYSIZE(cases));

    // Halves of 4 units: the head would end after a high surrogate, the tail start at a low one.
    CString emoji = CString(L"abc") + kEmoji + L"d" + kEmoji + L"xyz";
    EXPECT_TRUE(ShortenTextForDisplay(emoji, 8));
    EXPECT_STREQ(L"abc\u2026   \u2026xyz", emoji.GetString());
}

TEST(ShortenPathMiddle, KeepsSchemeHostAndLastPart) {
    const InPlaceCase cases[] = {
        // Fits: nothing to do.
        {L"http://a.b/c", 50, L"http://a.b/c", true},
        // Not a URL: left to ShortenTextMiddle.
        {L"www.example.com/a/b/c/d", 10, L"www.example.com/a/b/c/d", false},
        {L"http://", 3, L"http://", false},
        // Scheme in capitals still counts; head up to the host's "/", tail fills the rest.
        {L"HTTPS://host.com/dir/sub/page.html", 20, L"HTTPS://host.com/ \u2026 tml", true},
        {L"ftp://h.org/a/file.zip", 20, L"ftp://h.org/ \u2026 file.zip", true},
        // Host longer than the width: half the width of it, the tail at most the other half.
        {L"http://averyveryverylonghostname.example.com/x", 20, L"http://ave \u2026 x", true},
        // No "/" after the host: the head takes what the tail leaves.
        {L"http://host.example.com?q=1&r=2", 15, L"http://host. \u2026 r=2", true},
        // Tail longer than the width: a head of 20, cut to half the width.
        {L"http://h?aaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", 10, L"http: \u2026 aaaaa", true},
    };
    CheckInPlace("path", ShortenPathMiddle, cases, ARRAYSIZE(cases));
}

TEST(ShortenTextMiddle, CleansAndCutsAtBreaks) {
    const InPlaceCase cases[] = {
        {L"alpha beta gamma delta epsilon", 16, L"alpha\u2026epsilon", true},
        {L"line one\r\nline two\r\nline three", 12, L"line\u2026three", true},
        {L"abcdefghijklmnopqrst", 10, L"abcde\u2026pqrst", true},
        // Short texts are only cleaned.
        {L"Paragraph \u00B6", 40, L"Paragraph", true},
        {L"clean", 40, L"clean", false},
        // Longer than the width only by its blanks: cleaned, and then it fits.
        {L"ab    cd", 6, L"ab cd", true},
    };
    CheckInPlace("text", ShortenTextMiddle, cases, ARRAYSIZE(cases));
}

TEST(FindCaptionCutPoints, ReportsNothingForTextsThatFit) {
    int head = -1;
    int tail = -1;
    EXPECT_FALSE(FindCaptionCutPoints(L"abc", 3, head, tail));
    EXPECT_EQ(0, head);
    EXPECT_EQ(0, tail);

    // A break at position 0 of the head does not count; the tail starts after the blank.
    EXPECT_TRUE(FindCaptionCutPoints(L"(abcdefghijkl mn", 10, head, tail));
    EXPECT_EQ(5, head);
    EXPECT_EQ(14, tail);
}

TEST(FindLastOfAny, PositionZeroNeverCounts) {
    struct {
        const wchar_t* text;
        const wchar_t* set;
        bool first;
        int expected;
    } cases[] = {
        {L"a/b/c", L"/", false, 3},    {L"a/b/c", L"/", true, 1},    {L"a?b/c&d", L"/&?", false, 5},
        {L"a?b/c&d", L"/&?", true, 1}, {L"/abc", L"/", false, -1},   {L"/a/b", L"/", true, -1},
        {L"abc", L"", false, -1},      {L"abc", nullptr, false, -1},
    };
    for (const auto& c : cases) EXPECT_EQ(c.expected, FindLastOfAny(c.text, c.set, c.first)) << c.text;
    EXPECT_EQ(18, FindLastUrlSeparator(L"http://h.com/a?b=1&c"));
}

TEST(GetUrlPrefix, NeedsMoreThanThePrefix) {
    struct {
        const wchar_t* text;
        const wchar_t* expected;
    } cases[] = {
        {L"http://", L""},       {L"http://x", L"http://"}, {L"HTTPS://x", L"HTTPS://"},
        {L"ftp://x", L"ftp://"}, {L"file://x", L""},        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.expected, GetUrlPrefix(c.text).GetString()) << c.text;
}

TEST(CutTextAtWord, CutsAfterTheLastBoundaryBeforeTheLimit) {
    const InPlaceCase cases[] = {
        {L"aaaaa bbbbb ccccc", 12, L"aaaaa bbbbb\u2026", true},
        {L"Hello, world! Again", 14, L"Hello, world!\u2026", true},
        {L"abcdefghijkl", 10, L"abcdefghij\u2026", true},
        // Exactly the limit and no boundary: all characters stay and "…" is added.
        {L"abcdefghij", 10, L"abcdefghij\u2026", true},
        // A boundary at position 0 does not count.
        {L"(abcdefgh", 5, L"(abcd\u2026", true},
        {L"ab cd", 10, L"ab cd", false},
        {L"\tab\tcd \n", 10, L"ab cd", true},
        // Same length after flattening counts as unchanged.
        {L"ab\tcd", 10, L"ab cd", false},
        {L"", 10, L"", false},
    };
    CheckInPlace("cut", CutTextAtWord, cases, ARRAYSIZE(cases));

    CString emoji = CString(L"abcd") + kEmoji + L"efgh";
    EXPECT_TRUE(CutTextAtWord(emoji, 5));
    EXPECT_STREQ(L"abcd\u2026", emoji.GetString());
}

TEST(ReplaceLineBreaksBy, TakesCrLfAsOneBreak) {
    struct {
        const wchar_t* input;
        const wchar_t* expected;
        bool replaced;
    } cases[] = {
        {L"a\r\nb\nc\rd", L"a|b|c|d", true},
        {L"\n\r", L"||", true},
        {L"abc", L"abc", false},
    };
    for (const auto& c : cases) {
        CString text(c.input);
        EXPECT_EQ(c.replaced, ReplaceLineBreaksBy(text, L"|"));
        EXPECT_STREQ(c.expected, text.GetString());
    }
}

// ---------------------------------------------------------------------------------------
// File names and paths

TEST(MakeFileNameFromText, KeepsTheFirstLineWithUnsafeCharactersReplaced) {
    struct {
        const wchar_t* input;
        bool replaceBlanks;
        unsigned maxLen;
        const wchar_t* expected;
    } cases[] = {
        {L"  a/b: c?\nsecond line", false, 0, L"a_b_ c"},
        // A CR ends the first line too: it must not end up in the name.
        {L"  a/b: c?\r\nsecond line", false, 0, L"a_b_ c"},
        {L"old\rmac", false, 0, L"old"},
        {L"my  file name.txt", true, 0, L"my_file_name.txt"},
        {L"a{b}c'd%e|f<g>h*i\"j\\k\tl", false, 0, L"a_b_c_d_e_f_g_h_i_j_k_l"},
        {L"a???b and c????d", false, 0, L"a_b and c_d"},
        {L"?leading and trailing?", false, 0, L"leading and trailing"},
        {L"abcdefgh", false, 4, L"abcd"},
        {L"ab\U0001F600", false, 3, L"ab"},
        {L"", true, 10, L""},
    };
    for (const auto& c : cases)
        EXPECT_STREQ(c.expected, MakeFileNameFromText(c.input, c.replaceBlanks, c.maxLen).GetString()) << c.input;

    EXPECT_STREQ(L"a-b-c", MakeFileNameFromText(L"a: b:c", true, 0, L"-").GetString());
}

TEST(SanitizeFileName, ReplacesEveryMappedCharacterAndCounts) {
    struct {
        const wchar_t* input;
        const wchar_t* expected;
        int count;
    } cases[] = {
        {L"a<b>|c", L"a[b]_c", 3},
        {L"\u00ABx\u00BB", L"[x\u00BB", 1},
        {L"what? \"yes\": a*b/c\\d", L"what  'yes'- a\u2022b_c_d", 7},
        {L"plain.txt", L"plain.txt", 0},
        {L"", L"", 0},
    };
    for (const auto& c : cases) {
        CString text(c.input);
        EXPECT_EQ(c.count, SanitizeFileName(text)) << c.input;
        EXPECT_STREQ(c.expected, text.GetString());
        EXPECT_EQ(c.count > 0, IsFileNameCharReplaced(c.input)) << c.input;
    }
}

TEST(ReplaceCharInString, WritesOnlyItsOwnCopy) {
    const CString original(L"a\tb\tc");
    CString same(original);
    EXPECT_EQ(0, ReplaceCharInString(same, L'\t', L'\t'));
    EXPECT_EQ(0, ReplaceCharInString(same, L'x', L'y'));
    EXPECT_EQ(original.GetString(), same.GetString()) << "an untouched text stays shared";

    CString changed(original);
    EXPECT_EQ(2, ReplaceCharInString(changed, L'\t', L' '));
    EXPECT_STREQ(L"a b c", changed.GetString());
    EXPECT_STREQ(L"a\tb\tc", original.GetString());
}

TEST(FileNameReplacements, ListTextShowsEachEntryInKeyOrder) {
    const wchar_t* expected =
        L"   (\")  \u203A\u203A  (')\r\n"
        L"   (*)  \u203A\u203A  (\u2022)\r\n"
        L"   (/)  \u203A\u203A  (_)\r\n"
        L"   (:)  \u203A\u203A  (-)\r\n"
        L"   (<)  \u203A\u203A  ([)\r\n"
        L"   (>)  \u203A\u203A  (])\r\n"
        L"   (?)  \u203A\u203A  (Space bar)\r\n"
        L"   (\\)  \u203A\u203A  (_)\r\n"
        L"   (|)  \u203A\u203A  (_)\r\n"
        L"   (\u00AB)  \u203A\u203A  ([)";
    EXPECT_STREQ(expected, GetFileNameReplacementsText(L"Space bar", L"   ", L"\r\n").GetString());

    CString list = GetFileNameReplacementsText(L"Space bar", L"\u2022 ", L", ");
    EXPECT_EQ(0, list.Find(L"\u2022 (\")  \u203A\u203A  ('), \u2022 (*)"));

    // The real key name: whatever the keyboard calls it, it stands for the blank.
    CString keyName = GetSpaceKeyName();
    ASSERT_FALSE(keyName.IsEmpty());
    CString real = GetFileNameReplacementsText();
    EXPECT_GE(real.Find(L"(?)  \u203A\u203A  (" + keyName + L")\r\n"), 0) << static_cast<const wchar_t*>(real);
}

TEST(ExpandPathVars, ExpandsEachPercentPair) {
    ASSERT_TRUE(SetEnvironmentVariableW(L"VXL_TEXT_DIR", L"C:\\Data"));
    const CString longValue(L'L', 1500);
    ASSERT_TRUE(SetEnvironmentVariableW(L"VXL_TEXT_LONG", longValue));
    SetEnvironmentVariableW(L"VXL_TEXT_UNDEFINED", nullptr);

    struct {
        const wchar_t* input;
        CString expected;
    } cases[] = {
        {L"%VXL_TEXT_DIR%\\a\\%VXL_TEXT_UNDEFINED%\\%VXL_TEXT_DIR%", L"C:\\Data\\a\\%VXL_TEXT_UNDEFINED%\\C:\\Data"},
        // Pairs are taken in order: "% off %" is the first, and the name after it has no partner.
        {L"50% off %VXL_TEXT_DIR%", L"50% off %VXL_TEXT_DIR%"},
        {L"%VXL_TEXT_DIR", L"%VXL_TEXT_DIR"},
        {L"%VXL_TEXT_LONG%\\x", longValue + L"\\x"},
        {L"no variables", L"no variables"},
        {L"", L""},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.expected.GetString(), ExpandPathVars(c.input).GetString()) << c.input;

    SetEnvironmentVariableW(L"VXL_TEXT_DIR", nullptr);
    SetEnvironmentVariableW(L"VXL_TEXT_LONG", nullptr);
}

TEST(AddTrailingBackslash, AddsOneToNonEmptyPaths) {
    struct {
        const wchar_t* input;
        const wchar_t* expected;
    } cases[] = {{L"", L""}, {L"C:", L"C:\\"}, {L"C:\\", L"C:\\"}, {L"C:\\dir/", L"C:\\dir/\\"}};
    for (const auto& c : cases) {
        CString path(c.input);
        AddTrailingBackslash(path);
        EXPECT_STREQ(c.expected, path.GetString());
    }
}

// ---------------------------------------------------------------------------------------
// Comparing, finding, case

TEST(IsEqualStrInvariant, IsCaseSensitive) {
    const wchar_t* text = L"abc";
    wchar_t copy[] = L"abc";
    EXPECT_TRUE(IsEqualStrInvariant(text, text));
    EXPECT_TRUE(IsEqualStrInvariant(text, copy));
    EXPECT_FALSE(IsEqualStrInvariant(L"abc", L"ABC"));
    EXPECT_FALSE(IsEqualStrInvariant(L"abc", L"abd"));
    EXPECT_TRUE(IsEqualStrInvariant(nullptr, L""));
    EXPECT_FALSE(IsEqualStrInvariant(nullptr, L"a"));
}

TEST(CompareStr, ReturnsTheDifferenceOfTheFirstDifferingPair) {
    struct {
        const wchar_t* a;
        const wchar_t* b;
        bool caseSensitive;
        int expected;
    } cases[] = {
        {L"abc", L"abd", true, 'c' - 'd'},
        {L"abc", L"ABC", true, 'a' - 'A'},
        {L"abc", L"ABC", false, 0},
        {L"ab", L"abc", false, -'C'},
        {L"\u00E9t\u00E9", L"\u00C9T\u00C9", false, 0},
        {L"\u0436", L"\u0416", false, 0},
        {L"a[", L"A{", false, '[' - '{'},
        {nullptr, L"", false, 0},
        {nullptr, L"a", false, -'A'},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.expected, CompareStr(c.a, c.b, c.caseSensitive)) << (c.a ? c.a : L"(null)") << " " << c.b;
}

TEST(FindNoCase, BothSearchesIgnoreCase) {
    struct {
        const wchar_t* haystack;
        const wchar_t* needle;
        int start;
        int expected;
    } cases[] = {
        {L"hello world", L"WORLD", 0, 6},
        {L"hello world", L"world", 7, -1},
        {L"Hello hello", L"HELLO", 1, 6},
        {L"xx\u00E4b", L"\u00C4B", 0, 2},
        {L"abc", L"", 0, -1},
        {L"", L"a", 0, -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, FindStrNoCase(c.needle, c.haystack, 0, c.start)) << c.haystack;
        EXPECT_EQ(c.expected, FindNoCaseUpper(c.haystack, c.needle, c.start)) << c.haystack;
    }
}

TEST(InvariantCase, MapsWithoutLocaleRules) {
    // Invariant: "i" is "I" (no Turkish dotted I), and "ß" keeps its one unit.
    CString upper(L"stra\u00DFe i \u0451\u0436 \u00E9");
    CString shared(upper);
    EXPECT_TRUE(MakeUpperInvariant(upper));
    EXPECT_STREQ(L"STRA\u00DFE I \u0401\u0416 \u00C9", upper.GetString());
    EXPECT_STREQ(L"stra\u00DFe i \u0451\u0436 \u00E9", shared.GetString());

    CString lower(L"\u00C0B \u0416");
    EXPECT_TRUE(MakeLowerInvariant(lower));
    EXPECT_STREQ(L"\u00E0b \u0436", lower.GetString());

    CString empty;
    EXPECT_TRUE(MakeUpperInvariant(empty));
    EXPECT_TRUE(MakeLowerInvariant(empty));
    EXPECT_TRUE(MapCaseInvariant(nullptr, true));

    EXPECT_EQ(L'\u00C9', CharToUpperInvariant(L'\u00E9'));
    EXPECT_EQ(L'1', CharToUpperInvariant(L'1'));
    EXPECT_STREQ(L"ABC\u00C9", MapToUpperCopy(L"abc\u00E9").GetString());
}

TEST(InvariantCase, UpperCaseSurvivesAFaultingMapping) {
    if (!kGuardCatchesFaults) GTEST_SKIP() << "no exception guard in this build";
    // Maps two characters, then faults the way a bad buffer would.
    auto faulting = [](wchar_t* buffer, bool) {
        buffer[0] = L'A';
        buffer[1] = L'B';
        *g_nowhere = 0;
        return true;
    };
    CString text(L"abcdef");
    EXPECT_FALSE(MakeUpperInvariant(text, faulting));
    EXPECT_STREQ(L"ABcdef", text.GetString());
    EXPECT_EQ(6, text.GetLength());

    CString refused(L"abc");
    EXPECT_FALSE(MakeUpperInvariant(refused, [](wchar_t*, bool) { return false; }));
}

// ---------------------------------------------------------------------------------------
// Decorated report texts

TEST(DecoratedTexts, BuildTheirCharactersAndCounts) {
    struct {
        CString produced;
        const wchar_t* expected;
    } cases[] = {
        {MakeCharRun(L'x', 3), L"xxx"},
        {MakeCharRun(L'x', 0), L""},
        {MakeCharRun(L'x', -2), L""},
        {MakeSpaces(2) + MakeSpace(), L"   "},
        {MakeEmDashes(2) + MakeEmDash(), L"\u2014\u2014\u2014"},
        {MakeBullets(2) + MakeBullet(), L"\u2022\u2022\u2022"},
        {MakeRaquoRun(2) + MakeRaquo(), L"\u00BB\u00BB\u00BB"},
        {MakeEllipsisN(2) + MakeEllipsis(), L"\u2026\u2026\u2026"},
        {MakeCopyrightSign(), L"\u00A9"},
        {MakeBulletItem(L"x"), L"\u2022 x"},
        {PrefixCharRun(L"x", L'#', 3), L"### x"},
        {PrefixCharRun(L"x", L'#', 0), L"# x"},
        {PrefixRaquo(L"x"), L"\u00BB x"},
        {WrapText(L"x", L"<", L">"), L"<x>"},
        {WrapSquareBrackets(L"x") + WrapParentheses(L"y") + WrapBraces(L"z"), L"[x](y){z}"},
        {WrapGuillemets(L"x"), L"\u00ABx\u00BB"},
        {AppendBracketed(L"a", L"1"), L"a [1]"},
        {AppendBracketed(L"a", L"1", L": ", BracketRound), L"a: (1)"},
        {AppendBracketed(L"a", L"1", L" ", BracketCurly), L"a {1}"},
        {AppendBracketed(L"a", L"1", L" ", 7), L"a "},
        {MakeTitleLine(10, L"T", 3), L"\u2014\u2014\u2014 T \u2014\u2014\u2014\u2014\u2014\u2014\u2014"},
        {MakeTitleLine(3, L"T", 0), L" T \u2014\u2014\u2014"},
        {MakeTitleLine(2, L"T", 4), L"\u2014\u2014\u2014\u2014 T \u2014\u2014"},
        {MakeTitleLine(3, L"T", 3), L"\u2014\u2014\u2014 T "},
    };
    for (size_t i = 0; i < ARRAYSIZE(cases); ++i)
        EXPECT_STREQ(cases[i].expected, cases[i].produced.GetString()) << "case " << i;
}

TEST(DecoratedTexts, AppendedLinesStartANewLineOnlyAfterText) {
    CString indent;
    AppendIndent(indent, false);
    EXPECT_STREQ(CString(L' ', 30).GetString(), indent.GetString());

    CString report(L"x");
    AppendIndent(report, true);
    AppendSeparatorLine(report, 3, false);
    EXPECT_STREQ((L"x\n" + CString(L' ', 30) + L"\n\n\u2014\u2014\u2014").GetString(), report.GetString());

    CString repeated;
    AppendRepeatedText(repeated, L"ab", 2, true);
    EXPECT_STREQ(L"abab\n", repeated.GetString());
}
