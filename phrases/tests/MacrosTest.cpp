#include <gtest/gtest.h>

#include <algorithm>

#include "core/base/AppPaths.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "phrases/Command.h"
#include "phrases/Macros.h"
#include "testkit/fakes/FakeInputLanguage.h"
#include "testkit/fakes/FakeMacroEnvironment.h"

namespace {

const LCID kEnglishUs = MAKELCID(0x0409, SORT_DEFAULT);
const LCID kRussian = MAKELCID(0x0419, SORT_DEFAULT);

std::string Utf8(const CString& text) {
    return WideToUtf8(text);
}

CString Expand(const CString& text, const CString& selected = CString(), const CString& clipboard = CString(),
               int* count = nullptr, LCID locale = kEnglishUs) {
    CString result(text);
    const int replaced = ExpandMacros(result, selected, clipboard, nullptr, nullptr, locale);
    if (count) *count = replaced;
    return result;
}

class MacrosTest : public ::testing::Test {
protected:
    MacrosTest() : m_scope(m_environment) {
        m_environment.versions[GetOwnExecutablePath()] = L"2.7.1.300";
        m_environment.versions[GetProgramFolder() + L"VexloraEditor.exe"] = L"2.7.0.12";
        m_environment.versions[GetProgramFolder() + L"Vexlora.dll"] = L"2.6.9.1";
    }
    CFakeMacroEnvironment m_environment;
    CMacroEnvironmentScope m_scope;
};

// Every name of the table with a fixed clock (Thursday, 5 March 2026, 14:07:09) in
// English and in Russian.
TEST_F(MacrosTest, EveryMacroHasItsValue) {
    static const struct {
        const wchar_t* name;
        LCID locale;
        const wchar_t* value;
    } kCases[] = {
        {L"%SELECTED_TEXT%", kEnglishUs, L"Selected 12 текст"},
        {L"%CLIPBOARD_TEXT%", kEnglishUs, L"Clip 3\r\nline"},
        {L"%UPPER_SELTEXT%", kEnglishUs, L"SELECTED 12 ТЕКСТ"},
        {L"%LOWER_SELTEXT%", kEnglishUs, L"selected 12 текст"},
        {L"%NUMBERCHARS_SELTEXT%", kEnglishUs, L"Selected двенадцать текст"},
        {L"%NUMBERCHARS_CLIPBOARD%", kEnglishUs, L"Clip три\r\nline"},
        {L"%COPYRIGHT%", kEnglishUs, L"©"},
        {L"%EMDASH%", kEnglishUs, L"\x2014"},
        {L"%WINDOWS_VERSION%", kEnglishUs, L"Windows 10 64x build 19045 "},
        {L"%MOUSEPOS_ASLARAM%", kEnglishUs, L"13107300"},  // 200 << 16 | 100
        {L"%WINSYSDIR%", kEnglishUs, L"C:\\windows\\system32"},
        {L"%TRIM_LEFT_ALLPROTS_FROM_SELTEXT%", kEnglishUs, L""},
        {L"%CURSOR_POS%", kEnglishUs, L""},
        {L"%DAY%", kEnglishUs, L"5"},
        {L"%DAY2%", kEnglishUs, L"05"},
        {L"%MONTHNUMBER%", kEnglishUs, L"3"},
        {L"%MONTHNUMBER2%", kEnglishUs, L"03"},
        {L"%MONTHNAME%", kEnglishUs, L"March"},
        {L"%MONTHNAME_ABBR%", kEnglishUs, L"Mar"},
        {L"%YEAR%", kEnglishUs, L"2026"},
        {L"%YEAR2%", kEnglishUs, L"26"},
        {L"%WEEKDAYNAME%", kEnglishUs, L"Thursday"},
        {L"%WEEKDAYNAME_ABBR%", kEnglishUs, L"Thu"},
        {L"%WEEKDAYNAME%", kRussian, L"четверг"},
        {L"%DATE%", kEnglishUs, L"Thursday, March 5, 2026"},
        {L"%DATE_EX_WD%", kEnglishUs, L"March 5, 2026"},
        {L"%TIME%", kEnglishUs, L"14:07:09"},
        {L"%DATETIME%", kEnglishUs, L"Thursday, March 5, 2026 14:07:09"},
        {L"%DATETIME_EX_WD%", kEnglishUs, L"March 5, 2026 14:07:09"},
        {L"%VXL_VERSION%", kEnglishUs, L"2.7.1.300"},
        {L"%VXL_VERSION_EDITOR%", kEnglishUs, L"2.7.0.12"},
        {L"%VXL_VERSION_DLL%", kEnglishUs, L"2.6.9.1"},
        {L"%WINDOWS_USERNAME%", kEnglishUs, L"Тестер"},
        {L"%KEYPRESS_ENTER%", kEnglishUs, L"\r"},
        {L"%KEYPRESS_TAB%", kEnglishUs, L"\t"},
        {L"%URL_FROM_SELECTED_TEXT%", kEnglishUs, L""},
        {L"%TEXT_AFTER_URL%", kEnglishUs, L"Selected 12 текст"},
        {L"%URL_FROM_CLIPBOARD%", kEnglishUs, L""},
        {L"%PROMPT_TEXT={}%", kEnglishUs, L""},
        {L"%NO_SUCH_MACRO%", kEnglishUs, L""},
    };
    const CString selected = L"Selected 12 текст";
    const CString clipboard = L"Clip 3\r\nline";
    const std::vector<CString>& names = GetMacroNames();
    for (const auto& c : kCases) {
        SCOPED_TRACE(Utf8(c.name));
        EXPECT_STREQ(c.value, GetMacroValue(c.name, selected, clipboard, c.locale).GetString());
        // The same through a whole expansion, between other text.
        if (std::find(names.begin(), names.end(), c.name) != names.end()) {
            CString text = CString(L"<") + c.name + L">";
            ExpandMacros(text, selected, clipboard, nullptr, nullptr, c.locale);
            EXPECT_STREQ((CString(L"<") + c.value + L">").GetString(), text.GetString());
        }
    }
}

TEST_F(MacrosTest, UnreadableFactsGiveTheirErrorTextsOrNothing) {
    m_environment.cursorReadable = false;
    m_environment.systemFolderReadable = false;
    m_environment.versions.clear();
    m_environment.userName.Empty();
    EXPECT_STREQ(L"ERROR on GetCursorPos", Expand(L"%MOUSEPOS_ASLARAM%").GetString());
    EXPECT_STREQ(L"ERROR on GetSystemDirectory", Expand(L"%WINSYSDIR%").GetString());
    EXPECT_STREQ(L"[][][][]",
                 Expand(L"[%VXL_VERSION%][%VXL_VERSION_EDITOR%][%VXL_VERSION_DLL%][%WINDOWS_USERNAME%]").GetString());
    // The program itself, and the editor and the library beside it.
    std::vector<CString> asked = m_environment.versionPathsAsked;
    std::sort(asked.begin(), asked.end());
    std::vector<CString> expected = {GetOwnExecutablePath(), GetProgramFolder() + L"VexloraEditor.exe",
                                     GetProgramFolder() + L"Vexlora.dll"};
    std::sort(expected.begin(), expected.end());
    EXPECT_TRUE(asked == expected);
}

TEST_F(MacrosTest, UrlMacrosSplitTheTextAtTheEndOfItsUrl) {
    const CString selected = L"https://example.com/a?b=1 the title";
    const CString clipboard = L"  \r\n\tftp://files.example.org\tnext";
    EXPECT_STREQ(L"https://example.com/a?b=1",
                 GetMacroValue(L"%URL_FROM_SELECTED_TEXT%", selected, clipboard, kEnglishUs).GetString());
    EXPECT_STREQ(L" the title", GetMacroValue(L"%TEXT_AFTER_URL%", selected, clipboard, kEnglishUs).GetString());
    EXPECT_STREQ(L"ftp://files.example.org",
                 GetMacroValue(L"%URL_FROM_CLIPBOARD%", selected, clipboard, kEnglishUs).GetString());
    // The other selection values of an expansion see the selection without its scheme;
    // the URL values must still find the address in it.
    EXPECT_STREQ(L"[ftp://files.example.org][https://example.com/a?b=1][ the title][example.com/a?b=1 the title]",
                 Expand(L"[%URL_FROM_CLIPBOARD%][%URL_FROM_SELECTED_TEXT%][%TEXT_AFTER_URL%][%SELECTED_TEXT%]",
                        selected, clipboard)
                     .GetString());
}

// The address is looked for in the selection as the user selected it, blanks before it
// aside, wherever in the selection it stands.
TEST_F(MacrosTest, UrlOfTheSelectionIsFoundWhereverItStands) {
    static const struct {
        const wchar_t* selected;
        const wchar_t* url;
        const wchar_t* after;
    } kCases[] = {
        {L"see https://example.org/x rest", L"https://example.org/x", L" rest"},
        {L"   https://example.org/x rest", L"https://example.org/x", L" rest"},
        {L"HTTP://http://a.b/c", L"HTTP://http://a.b/c", L""},
        {L"two ftp://one.example\tand http://two.example", L"ftp://one.example", L"\tand http://two.example"},
        {L"file://c/d e", L"", L"file://c/d e"},
        {L"no address here", L"", L"no address here"},
        {L"ends with http://", L"", L"ends with http://"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Utf8(c.selected));
        EXPECT_STREQ(c.url, Expand(L"%URL_FROM_SELECTED_TEXT%", c.selected).GetString());
        EXPECT_STREQ(c.after, Expand(L"%TEXT_AFTER_URL%", c.selected).GetString());
        EXPECT_STREQ(c.url, GetMacroValue(L"%URL_FROM_SELECTED_TEXT%", c.selected, CString(), kEnglishUs).GetString());
        EXPECT_STREQ(c.after, GetMacroValue(L"%TEXT_AFTER_URL%", c.selected, CString(), kEnglishUs).GetString());
    }
}

TEST(SplitUrl, UrlAndTheTextAfterIt) {
    static const struct {
        const wchar_t* text;
        const wchar_t* url;
        const wchar_t* after;
    } kCases[] = {
        {L"", L"", L""},
        {L"http://a.b", L"http://a.b", L""},
        {L"HTTPS://a.b/c more words", L"HTTPS://a.b/c", L" more words"},
        {L" \t\r\nftp://host\r\nline 2", L"ftp://host", L"\r\nline 2"},
        {L"http://", L"", L"http://"},  // nothing after the scheme: no URL
        {L"file://c/d e", L"", L"file://c/d e"},
        {L"  words http://a.b", L"", L"words http://a.b"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Utf8(c.text));
        EXPECT_STREQ(c.url, SplitUrl(c.text, true).GetString());
        EXPECT_STREQ(c.after, SplitUrl(c.text, false).GetString());
    }
}

// The selection loses its leading blanks and every leading URL scheme (the schemes are
// tried in the order http, https, file, ftp, each as often as it is there).
TEST_F(MacrosTest, SelectionLosesLeadingBlanksSchemesAndTheTrimMacro) {
    static const struct {
        const wchar_t* selected;
        const wchar_t* expected;
    } kCases[] = {
        {L" https://abc", L"abc"},
        {L"HTTP://http://Https://x", L"x"},
        {L"file://ftp://y", L"y"},
        {L"ftp://file://z", L"file://z"},
        {L"a%TRIM_LEFT_ALLPROTS_FROM_SELTEXT%b", L"ab"},
        {L"\tkeeps a tab", L"\tkeeps a tab"},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Utf8(c.selected));
        EXPECT_STREQ(c.expected, Expand(L"%SELECTED_TEXT%", c.selected).GetString());
        EXPECT_STREQ(CString(c.expected).MakeUpper().GetString(), Expand(L"%UPPER_SELTEXT%", c.selected).GetString());
    }
}

// Names are replaced in sorted order, and a value is inserted as it is: a name inside a
// value is expanded only when it sorts after the name whose value brought it.
TEST_F(MacrosTest, ValuesAreExpandedOnlyByNamesThatComeLater) {
    static const struct {
        const char* what;
        const wchar_t* text;
        const wchar_t* selected;
        const wchar_t* clipboard;
        const wchar_t* expected;
        int count;
    } kCases[] = {
        {"clipboard holds a date", L"%CLIPBOARD_TEXT%", L"", L"on %DATE%", L"on Thursday, March 5, 2026", 2},
        {"clipboard holds the selection", L"%CLIPBOARD_TEXT%!", L"sel", L"<%SELECTED_TEXT%>", L"<sel>!", 2},
        {"selection holds the clipboard", L"%SELECTED_TEXT%", L"<%CLIPBOARD_TEXT%>", L"clip", L"<%CLIPBOARD_TEXT%>", 1},
        {"selection holds itself", L"%SELECTED_TEXT% %SELECTED_TEXT%", L"%SELECTED_TEXT%", L"",
         L"%SELECTED_TEXT% %SELECTED_TEXT%", 2},
        {"value with a name of its own kind", L"%DAY2%", L"", L"", L"05", 1},
        {"nothing to do", L"100% pure %text", L"", L"", L"100% pure %text", 0},
        {"adjacent names", L"%DAY%%MONTHNUMBER%%YEAR2%", L"", L"", L"5326", 3},
        {"a name split by another", L"%DA%DAY%Y%", L"", L"", L"%DA5Y%", 1},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        int count = -1;
        EXPECT_STREQ(c.expected, Expand(c.text, c.selected, c.clipboard, &count).GetString());
        EXPECT_EQ(c.count, count);
    }
}

TEST_F(MacrosTest, CaretOffsetCountsTheCharactersAfterTheFirstCursorMacro) {
    static const struct {
        const char* what;
        const wchar_t* text;
        const wchar_t* expected;
        int offset;
    } kCases[] = {
        {"plain", L"abc%CURSOR_POS%de", L"abcde", 2},
        {"CR LF is one step", L"abc%CURSOR_POS%d\r\ne", L"abcd\r\ne", 3},
        {"at the end", L"abc%CURSOR_POS%", L"abc", 0},
        {"at the start", L"%CURSOR_POS%abc", L"abc", 3},
        {"none", L"abc", L"abc", 0},
        {"later ones go and are not counted", L"a%CURSOR_POS%b%CURSOR_POS%c", L"abc", 2},
        {"values after it count as pasted", L"%CURSOR_POS%%DAY2%.%KEYPRESS_ENTER%", L"05.\r", 4},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        CString text(c.text);
        int offset = -1;
        ExpandMacros(text, CString(), CString(), &offset, nullptr, kEnglishUs);
        EXPECT_STREQ(c.expected, text.GetString());
        EXPECT_EQ(c.offset, offset);
    }
}

TEST(MacroNames, FixedNamesSortedByCharacterCode) {
    const std::vector<CString>& names = GetMacroNames();
    EXPECT_TRUE(std::is_sorted(names.begin(), names.end(),
                               [](const CString& a, const CString& b) { return a.Compare(b) < 0; }));
    int fixed = 0;
    for (const CString& name : names) {
        if (name.Find(kLayoutMacroPrefix) == 0) continue;
        ++fixed;
    }
    EXPECT_EQ(38, fixed);
    // The two orderings the expansion relies on.
    auto at = [&names](const wchar_t* name) { return std::find(names.begin(), names.end(), name) - names.begin(); };
    EXPECT_LT(at(L"%CLIPBOARD_TEXT%"), at(L"%DATE%"));
    EXPECT_LT(at(L"%CLIPBOARD_TEXT%"), at(L"%SELECTED_TEXT%"));
    EXPECT_LT(at(L"%DATE%"), at(L"%DATE_EX_WD%"));
}

// Wine has one keyboard layout, US English: the English layout macro is there.
TEST(LayoutMacros, EnglishLayoutOfTheSystem) {
    const LayoutMacroMap layouts = BuildLayoutMacroMap();
    ASSERT_EQ(1u, layouts.count(L"%ACTIVATE_KL_EN%"));
    EXPECT_EQ(0x0409, layouts.at(L"%ACTIVATE_KL_EN%"));

    CString text = L"%ACTIVATE_KL_EN%Hello";
    LANGID layout = 0;
    EXPECT_EQ(0, ExpandMacros(text, CString(), CString(), nullptr, &layout, kEnglishUs));
    EXPECT_STREQ(L"Hello", text.GetString());
    EXPECT_EQ(0x0409, layout);
    EXPECT_STREQ(L"EN", GetLayoutMacroAbbrev(L"%ACTIVATE_KL_EN%Hello").GetString());
}

TEST(LayoutMacros, OneKeyPerLanguageAndTheLastKeyWins) {
    // British English, Russian, German and US English: both English layouts share "EN",
    // and the later one in the list (US) is the one the key switches to.
    CFakeInputLanguageInfo layouts({0x08090809, 0x04190419, 0x04070407, 0x04090409});
    CInputLanguageScope scope(layouts);
    const LayoutMacroMap map = BuildLayoutMacroMap();
    ASSERT_EQ(3u, map.size());
    EXPECT_EQ(0x0409, map.at(L"%ACTIVATE_KL_EN%"));
    EXPECT_EQ(0x0419, map.at(L"%ACTIVATE_KL_RU%"));
    EXPECT_EQ(0x0407, map.at(L"%ACTIVATE_KL_DE%"));

    static const struct {
        const wchar_t* text;
        const wchar_t* stripped;
        LANGID language;
        const wchar_t* abbrev;
    } kCases[] = {
        {L"%ACTIVATE_KL_RU%Привет", L"Привет", 0x0419, L"RU"},
        // Of several, the last in key order (DE, EN, RU), wherever it stands in the text.
        {L"%ACTIVATE_KL_RU%a%ACTIVATE_KL_DE%b%ACTIVATE_KL_RU%", L"ab", 0x0419, L"RU"},
        {L"%ACTIVATE_KL_DE%x%ACTIVATE_KL_EN%", L"x", 0x0409, L"EN"},
        {L"%ACTIVATE_KL_FR%x", L"%ACTIVATE_KL_FR%x", 0, L""},  // no French layout
        {L"%activate_kl_en%", L"%activate_kl_en%", 0, L""},
        {L"plain", L"plain", 0, L""},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(Utf8(c.text));
        CString text(c.text);
        EXPECT_EQ(c.language, StripLayoutMacros(text));
        EXPECT_STREQ(c.stripped, text.GetString());
        EXPECT_STREQ(c.abbrev, GetLayoutMacroAbbrev(c.text).GetString());
    }
}

TEST(SplitAtPrompts, PartsInOrderWithNothingLost) {
    static const struct {
        const char* what;
        const wchar_t* text;
        std::vector<CPhrasePart> parts;
    } kCases[] = {
        {"three texts and two prompts",
         L"Dear %PROMPT_TEXT={Name}%, welcome to %PROMPT_TEXT={Town}%!",
         {{false, L"Dear ", L""},
          {true, L"%PROMPT_TEXT={Name}%", L"Name"},
          {false, L", welcome to ", L""},
          {true, L"%PROMPT_TEXT={Town}%", L"Town"},
          {false, L"!", L""}}},
        {"any case, empty label, back to back",
         L"%prompt_text={}%%Prompt_Text={Город}%",
         {{true, L"%prompt_text={}%", L""}, {true, L"%Prompt_Text={Город}%", L"Город"}}},
        {"an opener without a closer keeps the rest as text",
         L"a %PROMPT_TEXT={x}% b %PROMPT_TEXT={y",
         {{false, L"a ", L""},
          {true, L"%PROMPT_TEXT={x}%", L"x"},
          {false, L" b ", L""},
          {false, L"%PROMPT_TEXT={y", L""}}},
        {"no prompt", L"just text %DATE%", {{false, L"just text %DATE%", L""}}},
        {"empty", L"", {}},
        {"the label ends at the first closer",
         L"%PROMPT_TEXT={a}b}%c}%",
         {{true, L"%PROMPT_TEXT={a}b}%", L"a}b"}, {false, L"c}%", L""}}},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::vector<CPhrasePart> parts = {{false, L"stale", L""}};
        EXPECT_EQ(1, SplitAtPrompts(c.text, parts));
        ASSERT_EQ(c.parts.size(), parts.size());
        CString joined;
        for (size_t i = 0; i < parts.size(); ++i) {
            EXPECT_EQ(c.parts[i].isPrompt, parts[i].isPrompt) << i;
            EXPECT_STREQ(c.parts[i].text, parts[i].text) << i;
            EXPECT_STREQ(c.parts[i].label, parts[i].label) << i;
            joined += parts[i].text;
        }
        EXPECT_STREQ(c.text, joined.GetString());
    }
}

TEST(HasMacros, OnlyNamesWhoseValueChangesCount) {
    static const struct {
        const wchar_t* text;
        int expected;
    } kCases[] = {
        {L"", 0},
        {L"plain 100%", 0},
        {L"on %DATE%", 1},
        {L"%SELECTED_TEXT%", 1},
        {L"%PROMPT_TEXT={}%", 1},
        {L"%CURSOR_POS% %WINDOWS_USERNAME% %VXL_VERSION% %VXL_VERSION_EDITOR% %VXL_VERSION_DLL%", 0},
        {L"%ACTIVATE_KL_EN%Hello", 0},
        {L"%date%", 0},
    };
    for (const auto& c : kCases) EXPECT_EQ(c.expected, HasMacrosInText(c.text, false)) << Utf8(c.text);
}

TEST(HasMacros, PhraseRecordIsReadByItsDataType) {
    CVXLCommand phrase;
    phrase.SetCommand(L"on %DATE%");
    EXPECT_EQ(1, HasMacros(phrase));
    // Formatting splits the name in the RTF source, not in the text.
    phrase.SetCommand(L"{\\urtf1 %DA{\\b TE}%}");
    phrase.SetDataType(VXL_DATA_RTF);
    EXPECT_EQ(1, HasMacros(phrase));
    phrase.SetDataType(VXL_DATA_TEXT);
    EXPECT_EQ(0, HasMacros(phrase));
}

TEST_F(MacrosTest, SimpleExpansionHasNoSelectionNorClipboard) {
    EXPECT_STREQ(L"[][]05", ExpandMacrosSimple(L"[%SELECTED_TEXT%][%CLIPBOARD_TEXT%]%DAY2%").GetString());
}

}  // namespace
