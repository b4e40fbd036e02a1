#include <gtest/gtest.h>

#include <string>
#include <type_traits>

#include "core/UiStrings.h"
#include "core/tests/LangTestFolder.h"
#include "core/tests/LangTestIds.h"

namespace {

const wchar_t kStrings[] = L"Strings_Client";
const wchar_t kCmdKeys[] = L"CommandLineKeys";

}  // namespace

// ---------------------------------------------------------------------------------------
// CLangStr from the resources alone

TEST_F(LangTest, WithoutLanguageFileTheResourceTextIsTheResult) {
    CLangStr text;
    EXPECT_TRUE(text.Load(IDS_COMMAND_LINE_KEYS));
    EXPECT_EQ(L"Command Line Keys", W(text));
    EXPECT_TRUE(text.Load(IDS_PRESS_CTRL_C));
    EXPECT_EQ(L"Press Ctrl+C to copy into clipboard", W(text.GetText()));
    EXPECT_EQ(L"Run second instance of Vexlora as Administrator\nRun As Administrator",
              W(LoadUiString(IDS_CMD_RUN_AS_ADMIN)));
    EXPECT_FALSE(text.Load(4711));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(HasUILanguage());
}

TEST_F(LangTest, ResourceTextsLongerThan255CharactersComeWhole) {
    CString text = LoadUiString(IDS_LT_LONG);
    EXPECT_EQ(284, text.GetLength());
    EXPECT_EQ(L" end", W(text.Right(4)));
    EXPECT_EQ(L"\u041f\u0440\u0438\u0432\u0435\u0442", W(LoadUiString(IDS_LT_CYRILLIC)));  // UTF-8 source
}

TEST_F(LangTest, LangStrReadsLikeACString) {
    CLangStr title(IDS_COMMAND_LINE_KEYS);
    CString caption = CString(L"Vexlora 1.0") + L" : " + title;
    EXPECT_EQ(L"Vexlora 1.0 : Command Line Keys", W(caption));
    CString copy = title;
    CString direct(title);
    const wchar_t* raw = title;
    EXPECT_EQ(W(copy), W(direct));
    EXPECT_STREQ(L"Command Line Keys", raw);
    EXPECT_TRUE(title == L"Command Line Keys");
    CLangStr other = title;  // copied by value
    other.Load(IDS_LINES);
    EXPECT_EQ(L"Command Line Keys", W(title));
    EXPECT_EQ(L"Lines", W(other));
    static_assert(std::has_virtual_destructor<CLangStrBase>::value, "the base has a virtual destructor");
}

TEST_F(LangTest, FormatWritesIntoTheText) {
    CLangStr text;
    ASSERT_TRUE(text.Load(IDS_LT_FORMAT));
    CString format = text;
    text.Format(format, 3, L"five");
    EXPECT_EQ(L"3 items of five", W(text));
}

// ---------------------------------------------------------------------------------------
// With a language file

TEST_F(LangTest, BuiltInEnglishFillsTheExampleFile) {
    CString example = BuildLngFilePath(L"");
    SetUILanguage(example, L"_Client");
    CLangStr text;
    ASSERT_TRUE(text.Load(IDS_COMMAND_LINE_KEYS));
    EXPECT_EQ(L"Command Line Keys", W(text));
    EXPECT_EQ(L"Command Line Keys", Read(example, kStrings, L"269"));
    ASSERT_TRUE(text.Load(IDS_LT_TWO_LINES));
    EXPECT_EQ(L"First line\nSecond line\tand a tab", W(text));
    EXPECT_EQ(L"First line\\nSecond line\\tand a tab", Read(example, kStrings, L"60001"));
    // The example file was created with the byte-order mark and its template keys.
    EXPECT_EQ("\xFF\xFE", ReadFileBytes(example).substr(0, 2));
    EXPECT_EQ(L"En", Read(example, L"Main", L"LangPrefix"));
}

TEST_F(LangTest, TranslationWithEscapesIsShownOnTwoLines) {
    CString lng = WriteLng(L"German.lng",
                           L"[Main]\r\nLangPrefix=De\r\n[Strings_Client]\r\n"
                           L"269=Befehlszeilen\\nparameter\r\n277=Zeilen\r\n");
    SetUILanguage(lng, L"_Client");
    CLangStr text;
    ASSERT_TRUE(text.Load(IDS_COMMAND_LINE_KEYS));
    EXPECT_EQ(L"Befehlszeilen\nparameter", W(text));
    EXPECT_EQ(L"Zeilen: 12", W(FormatLinesCount(12)));
    // The example file beside it receives the English text of every key asked for.
    CString example = Path(L"LocalizeExample.lng");
    EXPECT_EQ(L"Command Line Keys", Read(example, kStrings, L"269"));
    EXPECT_EQ(L"Lines", Read(example, kStrings, L"277"));
}

TEST_F(LangTest, MissingKeyFallsBackToTheResourceAndIsCollected) {
    CString lng = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    SetUILanguage(lng, L"_Client");
    CLangStr text;
    ASSERT_TRUE(text.Load(IDS_LT_TWO_LINES));
    EXPECT_EQ(L"First line\nSecond line\tand a tab", W(text));
    EXPECT_EQ(L"First line\\nSecond line\\tand a tab", Read(lng, kStrings, L"60001"));
    // An id without a resource string gives nothing and writes nothing.
    EXPECT_FALSE(text.Load(4711));
    EXPECT_TRUE(text.IsEmpty());
    EXPECT_FALSE(Has(lng, kStrings, L"4711"));
    EXPECT_FALSE(Has(Path(L"LocalizeExample.lng"), kStrings, L"4711"));
}

TEST_F(LangTest, SentinelValueCountsAsMissing) {
    CString lng = WriteLng(L"German.lng", L"[Strings_Client]\r\n269={25D447B2-EA72-4999-BE79-DB8DF18BDE0B}\r\n");
    SetUILanguage(lng, L"_Client");
    EXPECT_EQ(L"Command Line Keys", W(LoadUiString(IDS_COMMAND_LINE_KEYS)));
    // With the collect flag the English text replaces the sentinel.
    EXPECT_EQ(L"Command Line Keys", Read(lng, kStrings, L"269"));
}

TEST_F(LangTest, SuffixIsAppendedOnce) {
    EXPECT_EQ(L"Strings", W(GetStringsSectionName()));
    SetUILanguage(Path(L"German.lng"), L"_Client");
    SetUILanguage(Path(L"German.lng"), L"_Client");
    EXPECT_EQ(L"Strings_Client", W(GetStringsSectionName()));
    CString path;
    bool collect = false;
    GetUILanguage(path, collect);
    EXPECT_EQ(W(Path(L"German.lng")), W(path));
    EXPECT_TRUE(collect);
    EXPECT_TRUE(IsCollectingStrings());
    EXPECT_TRUE(HasUILanguage());
}

// ---------------------------------------------------------------------------------------
// Command-line key help

TEST_F(LangTest, CommandLineKeyWithoutTranslationIsEmptyAndCollected) {
    CString lng = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    SetUILanguage(lng, L"_Client");
    EXPECT_EQ(L"Cmd_LineKey_exit", W(GetCmdLineKeyName(L"exit")));
    EXPECT_EQ(L"", W(GetCmdLineKeyHelp(L"exit", L"complete all previous running instances of Vexlora")));
    EXPECT_EQ(L"complete all previous running instances of Vexlora", Read(lng, kCmdKeys, L"Cmd_LineKey_exit"));
    EXPECT_EQ(L"complete all previous running instances of Vexlora",
              Read(Path(L"LocalizeExample.lng"), kCmdKeys, L"Cmd_LineKey_exit"));
    // Asked again, the collected English text is the file's value.
    EXPECT_EQ(L"complete all previous running instances of Vexlora", W(GetCmdLineKeyHelp(L"exit", L"other")));
}

TEST_F(LangTest, CommandLineKeyTranslation) {
    CString lng = WriteLng(L"German.lng", L"[CommandLineKeys]\r\nCmd_LineKey_?=Hilfe\\nanzeigen\r\n");
    SetUILanguage(lng, L"_Client");
    EXPECT_EQ(L"Hilfe\nanzeigen", W(GetCmdLineKeyHelp(L"?", L"print arguments of command line description and exit")));
    EXPECT_EQ(L"print arguments of command line description and exit",
              Read(Path(L"LocalizeExample.lng"), kCmdKeys, L"Cmd_LineKey_?"));
}

TEST_F(LangTest, CommandLineKeyWithBuiltInEnglish) {
    CString example = BuildLngFilePath(L"");
    SetUILanguage(example, L"_Client");
    EXPECT_EQ(L"", W(GetCmdLineKeyHelp(L"cfu", L"check for updates")));
    EXPECT_EQ(L"check for updates", Read(example, kCmdKeys, L"Cmd_LineKey_cfu"));
}

// ---------------------------------------------------------------------------------------
// Text utilities

TEST(UiTextUtilities, CountLines) {
    EXPECT_EQ(0, CountLinesW(L"a", 1));
    EXPECT_EQ(0, CountLinesW(nullptr, 5));
    EXPECT_EQ(1, CountLinesW(L"ab", 2));
    EXPECT_EQ(3, CountLinesW(L"a\nb\nc", 5));
    EXPECT_EQ(2, CountLinesA("a\r\n", 3));
    EXPECT_EQ(2, CountLinesA("a\nb\nc", 3));  // only the first `length` characters count
}

TEST(UiTextUtilities, FindLines) {
    CString text = L"one\ntwo\nthree\nfour";
    EXPECT_EQ(4, FindLineEnd(text, 1));
    EXPECT_EQ(14, FindLineEnd(text, 3));
    EXPECT_EQ(-1, FindLineEnd(text, 4));
    EXPECT_EQ(13, FindLineStartFromEnd(text, 1));
    EXPECT_EQ(3, FindLineStartFromEnd(text, 3));
    EXPECT_EQ(-1, FindLineStartFromEnd(text, 4));
    EXPECT_EQ(-1, FindLineEnd(text, 0));
}

TEST(UiTextUtilities, CutMiddleLinesNeverRepeatsALine) {
    const CString five = L"1\n2\n3\n4\n5";
    EXPECT_EQ(W(five), W(CutMiddleLines(five, 5)));
    const CString six = L"1\n2\n3\n4\n5\n6";
    EXPECT_EQ(W(six), W(CutMiddleLines(six, 6)));  // both parts hold it whole
    const CString seven = L"1\n2\n3\n4\n5\n6\n7";
    EXPECT_EQ(L"1\n2\n3\n\t\u2026\u2026\u2026\n5\n6\n7", W(CutMiddleLines(seven, 7)));
    const CString many = L"1\r\n2\r\n3\r\n4\r\n5\r\n6\r\n7\r\n8";
    EXPECT_EQ(L"1\r\n2\r\n3\r\n\t\u2026\u2026\u2026\r\n6\r\n7\r\n8", W(CutMiddleLines(many, 8)));
    // A count that does not fit the text cuts nothing.
    EXPECT_EQ(W(six), W(CutMiddleLines(six, 9)));
    EXPECT_EQ(L"short", W(CutMiddleLines(L"short", 1)));
}

TEST_F(LangTest, FormatLinesCountInEnglish) {
    EXPECT_EQ(L"Lines: 3", W(FormatLinesCount(3)));
}
