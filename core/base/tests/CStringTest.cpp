#include "core/base/CString.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

TEST(CString, CopiesShareOneBufferUntilOneIsWritten) {
    CString a(L"phrase");
    CString b(a);
    EXPECT_EQ(a.GetString(), b.GetString());
    EXPECT_EQ(2, a.RefCountForTest());

    b.SetAt(0, L'P');
    EXPECT_NE(a.GetString(), b.GetString());
    EXPECT_STREQ(L"phrase", a.GetString());
    EXPECT_STREQ(L"Phrase", b.GetString());
    EXPECT_EQ(1, a.RefCountForTest());
    EXPECT_EQ(1, b.RefCountForTest());
}

TEST(CString, EveryWriteOnASharedBufferLeavesTheOtherCopyAlone) {
    const CString original(L"a-b-c");
    struct Case {
        const char* name;
        void (*write)(CString&);
    } cases[] = {
        {"Replace", [](CString& s) { s.Replace(L'-', L'+'); }},
        {"ReplaceText", [](CString& s) { s.Replace(L"-", L"--"); }},
        {"Remove", [](CString& s) { s.Remove(L'-'); }},
        {"Insert", [](CString& s) { s.Insert(1, L"x"); }},
        {"Delete", [](CString& s) { s.Delete(0, 2); }},
        {"Append", [](CString& s) { s += L"d"; }},
        {"MakeUpper", [](CString& s) { s.MakeUpper(); }},
        {"MakeReverse", [](CString& s) { s.MakeReverse(); }},
        {"GetBuffer",
         [](CString& s) {
             s.GetBuffer()[0] = L'z';
             s.ReleaseBuffer();
         }},
        {"Trim", [](CString& s) { s.Trim(L'a'); }},
    };
    for (const Case& c : cases) {
        CString copy(original);
        c.write(copy);
        EXPECT_STREQ(L"a-b-c", original.GetString()) << c.name;
        EXPECT_STRNE(L"a-b-c", copy.GetString()) << c.name;
    }
}

TEST(CString, AllEmptyStringsShareOneBlock) {
    CString a;
    CString b(L"");
    CString c(nullptr);
    CString d(L"x");
    d.Empty();
    EXPECT_EQ(a.GetString(), b.GetString());
    EXPECT_EQ(a.GetString(), c.GetString());
    EXPECT_EQ(a.GetString(), d.GetString());
    EXPECT_EQ(0, a.RefCountForTest());
    EXPECT_STREQ(L"", a.GetString());
    EXPECT_TRUE(CString(L"abc").Mid(3).IsEmpty());
}

TEST(CString, CountsNeverFail) {
    const CString s(L"abcdef");
    struct Case {
        const char* name;
        CString result;
        const wchar_t* expected;
    } cases[] = {
        {"Left(3)", s.Left(3), L"abc"},      {"Left(-1)", s.Left(-1), L""},     {"Left(99)", s.Left(99), L"abcdef"},
        {"Right(2)", s.Right(2), L"ef"},     {"Right(-5)", s.Right(-5), L""},   {"Right(99)", s.Right(99), L"abcdef"},
        {"Mid(2)", s.Mid(2), L"cdef"},       {"Mid(-3)", s.Mid(-3), L"abcdef"}, {"Mid(6)", s.Mid(6), L""},
        {"Mid(50)", s.Mid(50), L""},         {"Mid(1,2)", s.Mid(1, 2), L"bc"},  {"Mid(4,99)", s.Mid(4, 99), L"ef"},
        {"Mid(-2,3)", s.Mid(-2, 3), L"abc"}, {"Mid(2,-1)", s.Mid(2, -1), L""},  {"Mid(9,2)", s.Mid(9, 2), L""},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.expected, c.result.GetString()) << c.name;
    EXPECT_EQ(0, s.GetAt(-1));
    EXPECT_EQ(0, s.GetAt(6));
}

TEST(CString, FindAndEdit) {
    CString s(L"one two one");
    EXPECT_EQ(8, s.Find(L"one", 1));
    EXPECT_EQ(-1, s.Find(L"one", 9));
    EXPECT_EQ(-1, s.Find(L"", 0));
    EXPECT_EQ(-1, s.Find(L"x", 100));
    EXPECT_EQ(4, s.Find(L't'));
    EXPECT_EQ(10, s.ReverseFind(L'e'));
    EXPECT_EQ(3, s.FindOneOf(L" w"));

    EXPECT_EQ(2, s.Replace(L"one", L"three"));
    EXPECT_STREQ(L"three two three", s.GetString());
    EXPECT_EQ(0, s.Replace(L"", L"x"));
    EXPECT_EQ(2, s.Replace(L"three", nullptr));
    EXPECT_STREQ(L" two ", s.GetString());
    EXPECT_EQ(2, s.Remove(L' '));
    EXPECT_EQ(4, s.Insert(-4, L"<"));
    EXPECT_EQ(5, s.Insert(100, L'>'));
    EXPECT_STREQ(L"<two>", s.GetString());
    EXPECT_EQ(2, s.Delete(1, 3));
    EXPECT_EQ(2, s.Delete(5, 2));
    EXPECT_EQ(1, s.Delete(0, 1));
    EXPECT_STREQ(L">", s.GetString());
}

TEST(CString, EditingWithPiecesOfItself) {
    CString s(L"abc");
    s += s;
    EXPECT_STREQ(L"abcabc", s.GetString());
    s.Append(s.GetString() + 4, 2);
    EXPECT_STREQ(L"abcabcbc", s.GetString());
    s = s.GetString() + 3;
    EXPECT_STREQ(L"abcbc", s.GetString());
    s.Insert(0, s.GetString() + 3);
    EXPECT_STREQ(L"bcabcbc", s.GetString());
    s.AppendFormat(L"[%s]", s.GetString());
    EXPECT_STREQ(L"bcabcbc[bcabcbc]", s.GetString());
}

TEST(CString, Tokenize) {
    CString s(L";;a;bb;;c;");
    std::vector<CString> tokens;
    int pos = 0;
    for (CString t = s.Tokenize(L";", pos); pos >= 0; t = s.Tokenize(L";", pos)) tokens.push_back(t);
    ASSERT_EQ(3u, tokens.size());
    EXPECT_STREQ(L"a", tokens[0].GetString());
    EXPECT_STREQ(L"bb", tokens[1].GetString());
    EXPECT_STREQ(L"c", tokens[2].GetString());
}

TEST(CString, Trimming) {
    struct Case {
        const wchar_t* input;
        const wchar_t* both;
        const wchar_t* left;
        const wchar_t* right;
    } cases[] = {
        {L"  a b \t\r\n", L"a b", L"a b \t\r\n", L"  a b"},
        {L"\x3000x\x00A0", L"x", L"x\x00A0", L"\x3000x"},
        {L" \t ", L"", L"", L""},
        {L"", L"", L"", L""},
    };
    for (const Case& c : cases) {
        EXPECT_STREQ(c.both, CString(c.input).Trim().GetString());
        EXPECT_STREQ(c.left, CString(c.input).TrimLeft().GetString());
        EXPECT_STREQ(c.right, CString(c.input).TrimRight().GetString());
    }
    EXPECT_STREQ(L"b", CString(L"xxbxx").Trim(L'x').GetString());
    EXPECT_STREQ(L"b", CString(L"_-b-_").Trim(L"-_").GetString());
}

TEST(CString, CaseAndComparison) {
    CString s(
        L"Stra\x00DF"
        L"e \x0436");
    EXPECT_STREQ(
        L"STRA\x00DF"
        L"E \x0416",
        CString(s).MakeUpper().GetString());
    EXPECT_STREQ(
        L"stra\x00DF"
        L"e \x0436",
        CString(s).MakeLower().GetString());
    EXPECT_EQ(0, CString(L"\x0416"
                         L"abc")
                     .CompareNoCase(L"\x0436"
                                    L"ABC"));
    EXPECT_LT(CString(L"abc").Compare(L"abd"), 0);
    EXPECT_GT(CString(L"abc").Compare(L"ab"), 0);
    EXPECT_GT(CString(L"b").CompareNoCase(L"A"), 0);
    EXPECT_EQ(0, CString().Compare(nullptr));
    EXPECT_TRUE(CString(L"x") == L"x");
    EXPECT_TRUE(CString(L"x") != CString(L"y"));
    EXPECT_TRUE(CString(L"a") < CString(L"b"));
    EXPECT_STREQ(L"cba", CString(L"abc").MakeReverse().GetString());
}

TEST(CString, BufferAccess) {
    CString s;
    wchar_t* buffer = s.GetBuffer(10);
    ASSERT_GE(s.GetAllocLength(), 10);
    wcscpy(buffer, L"hello");
    s.ReleaseBuffer();
    EXPECT_EQ(5, s.GetLength());
    s.GetBuffer(10);
    s.ReleaseBuffer(2);
    EXPECT_STREQ(L"he", s.GetString());
    s.GetBufferSetLength(4)[3] = L'!';
    EXPECT_EQ(4, s.GetLength());
    EXPECT_EQ(L'!', s[3]);
}

TEST(CString, FormatTable) {
    struct Case {
        CString result;
        const wchar_t* expected;
    };
    auto f = [](const wchar_t* format, ...) {
        va_list args;
        va_start(args, format);
        CString s;
        s.FormatV(format, args);
        va_end(args);
        return s;
    };
    Case cases[] = {
        {f(L"%d|%i|%u", -42, 7, 4000000000u), L"-42|7|4000000000"},
        {f(L"%5d|%-5d|%05d|%+d|% d", 42, 42, -42, 5, 5), L"   42|42   |-0042|+5| 5"},
        {f(L"%x|%X|%#x|%08X|%o", 255, 255, 255, 0xBEEF, 8), L"ff|FF|0xff|0000BEEF|10"},
        {f(L"%I64d|%lld|%I64u", -5000000000LL, 123456789012LL, 18446744073709551615ULL),
         L"-5000000000|123456789012|18446744073709551615"},
        {f(L"%ld|%lu|%hd", -1L, 7UL, 70000), L"-1|7|4464"},
        {f(L"%s|%ls|%.2s|%5s|%-4s|", L"wide", L"also", L"cut", L"r", L"l"), L"wide|also|cu|    r|l   |"},
        {f(L"%S|%hs", "narrow", "n2"), L"narrow|n2"},
        {f(L"%c%c%C", L'\x0416', L'!', 'A'), L"\x0416!A"},
        {f(L"%*d|%-*d|%.*s", 4, 1, 3, 2, 2, L"abc"), L"   1|2  |ab"},
        {f(L"%s", static_cast<const wchar_t*>(nullptr)), L"(null)"},
        {f(L"100%%"), L"100%"},
        {f(L"%.3d|%.0d", 5, 0), L"005|"},
        {f(L"a%fb%dc", 1.5, 9), L"a%fb9c"},
        // A pointer fills the width of a pointer: 8 digits in the shipped 32-bit build.
        {f(L"%p", reinterpret_cast<void*>(0x1234)), sizeof(void*) == 4 ? L"00001234" : L"0000000000001234"},
        {f(L"%y|%"), L"%y|%"},
    };
    for (const Case& c : cases) EXPECT_STREQ(c.expected, c.result.GetString());
}

TEST(CString, FormatOfLongTexts) {
    CString big(L'x', 100000);
    CString s;
    s.Format(L"<%s>", big.GetString());
    EXPECT_EQ(100002, s.GetLength());
    EXPECT_EQ(L'>', s[100001]);
}

TEST(CString, CopiesOnManyThreadsKeepTheCountRight) {
    // Copies made and dropped on several threads at once must leave the shared
    // buffer with exactly its one owner.
    const CString shared(L"shared text");
    std::vector<std::thread> workers;
    std::atomic<int> wrongLengths{0};
    for (int t = 0; t < 4; ++t) {
        workers.emplace_back([&] {
            for (int i = 0; i < 100000; ++i) {
                CString copy(shared);
                CString another = copy;
                if (another.GetLength() != 11) ++wrongLengths;
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    EXPECT_EQ(0, wrongLengths.load());
    EXPECT_EQ(1, shared.RefCountForTest());
}
