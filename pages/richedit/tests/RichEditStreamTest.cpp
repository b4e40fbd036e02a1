#include <gtest/gtest.h>
#include <richedit.h>

#include <string>

#include "core/base/Handles.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "pages/richedit/RichEditStream.h"

namespace {

// A RichEdit of the test's own, so that what it loads is not the hidden converter's.
class CRichEditWindow {
public:
    CRichEditWindow() {
        m_library.reset(LoadLibraryW(L"riched20.dll"));
        m_window = CreateWindowExW(0, L"RICHEDIT20W", nullptr, WS_CHILD | ES_MULTILINE, 0, 0, 200, 100, HWND_MESSAGE,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        if (!m_window) return;
        SendMessageW(m_window, EM_EXLIMITTEXT, 0, 0x7FFFFFFE);
        // Regular by default as in the hidden converter (Wine's default is the bold
        // System font), so that what RTF leaves regular reads as regular.
        CHARFORMAT2W regular = {};
        regular.cbSize = sizeof regular;
        regular.dwMask = CFM_BOLD;
        SendMessageW(m_window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&regular));
    }
    ~CRichEditWindow() {
        if (m_window) DestroyWindow(m_window);
    }
    CRichEditWindow(const CRichEditWindow&) = delete;
    CRichEditWindow& operator=(const CRichEditWindow&) = delete;
    HWND get() const { return m_window; }

private:
    CLibraryHandle m_library;
    HWND m_window = nullptr;
};

void Select(HWND window, int first, int last) {
    CHARRANGE range = {first, last};
    SendMessageW(window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

CHARFORMAT2W FormatOf(HWND window, int first, int last) {
    Select(window, first, last);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format;
}

void ApplyFormat(HWND window, int first, int last, bool bold, COLORREF color) {
    Select(window, first, last);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD | CFM_COLOR;
    format.dwEffects = bold ? CFE_BOLD : 0;
    format.crTextColor = color;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

void SetBold(HWND window, int first, int last) {
    Select(window, first, last);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_BOLD;
    format.dwEffects = CFE_BOLD;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

void SetColor(HWND window, int first, int last, COLORREF color) {
    Select(window, first, last);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    format.dwMask = CFM_COLOR;
    format.crTextColor = color;
    SendMessageW(window, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
}

bool IsBold(HWND window, int first, int last) {
    const CHARFORMAT2W format = FormatOf(window, first, last);
    return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
}

COLORREF ColorOf(HWND window, int first, int last) {
    const CHARFORMAT2W format = FormatOf(window, first, last);
    return (format.dwMask & CFM_COLOR) && !(format.dwEffects & CFE_AUTOCOLOR) ? format.crTextColor : CLR_INVALID;
}

int Find(const CString& text, const wchar_t* part) {
    return text.Find(part);
}

const COLORREF kRed = RGB(200, 0, 0);
const COLORREF kBlue = RGB(0, 0, 190);

// Cyrillic, CJK and an emoji (a surrogate pair) in bold and in colour go out as Unicode
// RTF and come back in another control with every character and format in place.
TEST(RichEditStream, UnicodeRtfRoundTripKeepsEveryCharacterBoldAndColour) {
    const CString text = L"Привет 你好世界 😀 end";
    const int cyrillic = Find(text, L"Привет");
    const int cjk = Find(text, L"你好世界");
    const int emoji = Find(text, L"😀");
    CRichEditWindow source;
    ASSERT_NE(nullptr, source.get());
    SetWindowTextW(source.get(), text);
    ApplyFormat(source.get(), cyrillic, cyrillic + 6, true, kRed);
    ApplyFormat(source.get(), cjk, cjk + 4, false, kBlue);
    ApplyFormat(source.get(), emoji, emoji + 2, true, kBlue);

    const CString rtf = RichEdit_GetRtf(source.get());
    ASSERT_TRUE(IsUnicodeRtf(rtf)) << WideToUtf8(rtf.Left(60));
    // The characters travel as themselves, not as "?" of a code page.
    EXPECT_GE(Find(rtf, L"你好世界"), 0);

    CRichEditWindow target;
    ASSERT_TRUE(RichEdit_SetRtf(target.get(), rtf));
    EXPECT_STREQ(text.GetString(), RichEdit_GetPlainText(target.get()).GetString());
    EXPECT_TRUE(IsBold(target.get(), cyrillic, cyrillic + 6));
    EXPECT_EQ(kRed, ColorOf(target.get(), cyrillic, cyrillic + 6));
    EXPECT_FALSE(IsBold(target.get(), cjk, cjk + 4));
    EXPECT_EQ(kBlue, ColorOf(target.get(), cjk, cjk + 4));
    // Wine's own formatting next to a surrogate pair is not exact, so the emoji's format is
    // checked as the source control holds it: the round trip keeps every position's.
    for (int i = 0; i < text.GetLength(); ++i) {
        EXPECT_EQ(IsBold(source.get(), i, i + 1), IsBold(target.get(), i, i + 1)) << i;
        EXPECT_EQ(ColorOf(source.get(), i, i + 1), ColorOf(target.get(), i, i + 1)) << i;
    }
    EXPECT_EQ(kBlue, ColorOf(target.get(), emoji, emoji + 2));

    // The round trip is stable: what comes out again loads to the same text.
    EXPECT_STREQ(text.GetString(), RtfToPlainText(RichEdit_GetRtf(target.get())).GetString());
}

// A Unicode RTF of the text with one bold word (the first) and one red word (the second).
CString MakeRtf(const CString& text) {
    CRichEditWindow source;
    SetWindowTextW(source.get(), text);
    const int space = text.Find(L' ');
    const int second = text.Find(L' ', space + 1);
    SetBold(source.get(), 0, space);
    SetColor(source.get(), space + 1, second < 0 ? text.GetLength() : second, kRed);
    return RichEdit_GetRtf(source.get());
}

TEST(RichEditStream, EmptyControlGivesEmptyTexts) {
    CRichEditWindow empty;
    EXPECT_STREQ(L"", RichEdit_GetRtf(empty.get()).GetString());
    EXPECT_STREQ(L"", RichEdit_GetPlainText(empty.get()).GetString());
    EXPECT_STREQ(L"", RichEdit_GetSelPlainText(empty.get()).GetString());
    EXPECT_EQ("", RichEdit_GetRtfBytes(empty.get(), false));
    EXPECT_EQ("", RichEdit_GetRtfBytes(empty.get(), true));
    EXPECT_FALSE(RichEdit_SetRtf(empty.get(), L""));
}

// Plain text goes in as text, signature or not in the middle of it, and RTF as RTF.
TEST(RichEditStream, SetRtfOrTextTellsTheTwoApart) {
    CRichEditWindow window;
    ASSERT_TRUE(RichEdit_SetRtfOrText(window.get(), L"plain Привет 😀 {\\urtf1 x}\r\nline"));
    EXPECT_STREQ(L"plain Привет 😀 {\\urtf1 x}\r\nline", RichEdit_GetPlainText(window.get()).GetString());
    ASSERT_TRUE(RichEdit_SetRtfOrText(window.get(), L"{\\urtf1 {\\b Жирный} текст}"));
    EXPECT_STREQ(L"Жирный текст", RichEdit_GetPlainText(window.get()).GetString());
    EXPECT_TRUE(IsBold(window.get(), 0, 6));
    EXPECT_FALSE(IsBold(window.get(), 7, 12));
    EXPECT_EQ(12, RichEdit_GetCharCount(window.get()));
}

TEST(HiddenConverter, RtfAndPlainText) {
    ASSERT_NE(nullptr, GetHiddenRichEdit());
    EXPECT_EQ(GetHiddenRichEdit(), GetHiddenRichEdit());

    // Text without the signature is no Unicode RTF: it comes back as it is.
    for (const wchar_t* text : {L"", L"plain\ntext", L"{\\rtf1 8-bit header}", L"{\\urtf"}) {
        EXPECT_STREQ(text, RtfToPlainText(text).GetString());
    }
    EXPECT_STREQ(L"Привет 😀\r\nвторая", RtfToPlainText(L"{\\urtf1 Привет 😀\\par вторая}").GetString());
    EXPECT_STREQ(L"Привет 😀\r\nвторая", RtfToPlainText_All(L"{\\urtf1 Привет 😀\\par вторая}").GetString());
    EXPECT_STREQ(L"При", RtfBytesToPlainText("{\\rtf1\\ansi\\ansicpg1251 \\'cf\\'f0\\'e8}").GetString());
    EXPECT_STREQ(L"", RtfBytesToPlainText(nullptr).GetString());
}

TEST(HiddenConverter, LimitedReadGivesTheFirstCharacters) {
    CString words;
    for (int i = 0; i < 3000; ++i) words.AppendFormat(L"слово%d ", i);
    const CString rtf = CString(L"{\\urtf1 ") + words + L"}";
    EXPECT_STREQ(L"слово", RtfToPlainText_Limited(rtf, 5).GetString());
    EXPECT_STREQ(words.GetString(), RtfToPlainText_Limited(rtf, 0).GetString());
}

// The control's own default would cut the text at 64K characters.
TEST(HiddenConverter, TextsBeyond64KStayWhole) {
    CString text;
    while (text.GetLength() < 100000) text += L"Длинный текст фразы. ";
    const CString rtf = RtfAppendText(text, false, L"конец", true);
    ASSERT_TRUE(IsUnicodeRtf(rtf));
    EXPECT_TRUE(RtfToPlainText(rtf) == text + L"конец");
}

TEST(HiddenConverter, AppendKeepsTheFormatOfTheText) {
    EXPECT_STREQ(L"plain + more", RtfAppendText(L"plain", false, L" + more", false).GetString());
    const CString rtf = RtfAppendText(MakeRtf(L"Bold Red rest"), true, L" + 😀", true);
    ASSERT_TRUE(IsUnicodeRtf(rtf));
    CRichEditWindow result;
    ASSERT_TRUE(RichEdit_SetRtf(result.get(), rtf));
    EXPECT_STREQ(L"Bold Red rest + 😀", RichEdit_GetPlainText(result.get()).GetString());
    EXPECT_TRUE(IsBold(result.get(), 0, 4));
    EXPECT_EQ(kRed, ColorOf(result.get(), 5, 8));
}

TEST(HiddenConverter, TrimRemovesTheSetFromBothEndsUntilNeitherHasOne) {
    static const struct {
        const char* what;
        const char* rtf;
        const wchar_t* set;
        int removed;
        const wchar_t* text;  // after the trim; null when the buffer stays as it was
    } kCases[] = {
        {"blanks", "{\\rtf1   {\\b a}  }", L" ", 4, L"a"},  // the first blank ends "\\rtf1"
        // One end bares the other's character: a single pass would stop at "abXba".
        {"repeats until stable", "{\\rtf1 babXbab}", L"ab", 6, L"X"},
        {"nothing to remove", "{\\rtf1 abc}", L" ", 0, nullptr},
        {"empty set", "{\\rtf1  abc }", L"", 0, nullptr},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        std::string buffer(c.rtf);
        buffer.resize(4096, '\0');
        EXPECT_EQ(c.removed, RtfBytesTrimChars(&buffer[0], static_cast<int>(buffer.size()), c.set));
        if (!c.text) {
            EXPECT_STREQ(c.rtf, buffer.c_str());
            continue;
        }
        EXPECT_STREQ(c.text, RtfBytesToPlainText(buffer.c_str()).GetString());
        EXPECT_EQ(std::string(buffer.size() - strlen(buffer.c_str()), '\0'), buffer.substr(strlen(buffer.c_str())));
    }
}

// The last paragraph mark of a text cannot be deleted: the trim ends all the same. How
// many marks count as characters is the control's own business.
TEST(HiddenConverter, TrimEndsAtTheFinalParagraphMark) {
    std::string buffer("{\\rtf1   x \\par\\par\\par}");
    buffer.resize(4096, '\0');
    EXPECT_GE(RtfBytesTrimChars(&buffer[0], static_cast<int>(buffer.size()), L" \r\n"), 4);
    EXPECT_STREQ(L"x", RtfBytesToPlainText(buffer.c_str()).GetString());
}

TEST(HiddenConverter, TrimLeavesABufferTooSmallForTheResult) {
    // The trimmed RTF as the control writes it is far longer than this input.
    char buffer[] = "{\\rtf1   a  }";
    EXPECT_EQ(0, RtfBytesTrimChars(buffer, sizeof buffer, L" "));
    EXPECT_STREQ("{\\rtf1   a  }", buffer);
}

// The characters change their case; each keeps its bold and colour.
TEST(HiddenConverter, CaseChangeKeepsTheFormatOfEveryCharacter) {
    CRichEditWindow source;
    const CString text = L"Hello Мир straße Ǆ";
    SetWindowTextW(source.get(), text);
    SetBold(source.get(), 0, 5);
    SetColor(source.get(), 2, 9, kRed);  // crosses "llo" (bold) and "Ми" (regular)
    const std::string rtf = RichEdit_GetRtfBytes(source.get(), false);

    for (bool upper : {true, false}) {
        SCOPED_TRACE(upper ? "upper" : "lower");
        const std::string changed = RtfBytesChangeCase(rtf.c_str(), upper);
        CRichEditWindow result;
        ASSERT_TRUE(RichEdit_StreamInRtfBytes(result.get(), changed.c_str()));
        CString expected = text;
        if (upper) {
            expected.MakeUpper();
        } else {
            expected.MakeLower();
        }
        EXPECT_STREQ(expected.GetString(), RichEdit_GetPlainText(result.get()).GetString());
        for (int i = 0; i < text.GetLength(); ++i) {
            EXPECT_EQ(IsBold(source.get(), i, i + 1), IsBold(result.get(), i, i + 1)) << i;
            EXPECT_EQ(ColorOf(source.get(), i, i + 1), ColorOf(result.get(), i, i + 1)) << i;
        }
    }
    EXPECT_EQ("", RtfBytesChangeCase("", true));
}

}  // namespace
