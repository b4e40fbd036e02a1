#include <gtest/gtest.h>
#include <richedit.h>

#include "core/base/Handles.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "pages/richedit/RichEditStream.h"
#include "phrases/Macros.h"
#include "testkit/fakes/FakeMacroEnvironment.h"

namespace {

const LCID kEnglishUs = MAKELCID(0x0409, SORT_DEFAULT);
const COLORREF kRed = RGB(200, 0, 0);
const COLORREF kAutoColor = 0xFF000000;  // the window text colour, not a colour of the text

// A RichEdit of the test's own to read the result back, apart from the hidden converter
// that the expansion uses.
class CReader {
public:
    explicit CReader(const CString& rtf) {
        m_library.reset(LoadLibraryW(L"riched20.dll"));
        m_window = CreateWindowExW(0, L"RICHEDIT20W", nullptr, WS_CHILD | ES_MULTILINE, 0, 0, 200, 100, HWND_MESSAGE,
                                   nullptr, GetModuleHandleW(nullptr), nullptr);
        // Regular by default as in the hidden converter (Wine's default is the bold
        // System font), so that what the RTF leaves regular reads as regular.
        CHARFORMAT2W regular = {};
        regular.cbSize = sizeof regular;
        regular.dwMask = CFM_BOLD;
        if (m_window) SendMessageW(m_window, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&regular));
        loaded = m_window && RichEdit_SetRtf(m_window, rtf);
    }
    ~CReader() {
        if (m_window) DestroyWindow(m_window);
    }
    CReader(const CReader&) = delete;
    CReader& operator=(const CReader&) = delete;

    CString Text() const { return RichEdit_GetPlainText(m_window); }
    CHARFORMAT2W FormatAt(int first, int last) const {
        CHARRANGE range = {first, last};
        SendMessageW(m_window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
        CHARFORMAT2W format = {};
        format.cbSize = sizeof format;
        SendMessageW(m_window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
        return format;
    }
    bool IsBold(int first, int last) const {
        const CHARFORMAT2W format = FormatAt(first, last);
        return (format.dwMask & CFM_BOLD) && (format.dwEffects & CFE_BOLD);
    }
    COLORREF Color(int first, int last) const {
        const CHARFORMAT2W format = FormatAt(first, last);
        if (!(format.dwMask & CFM_COLOR)) return CLR_INVALID;
        return (format.dwEffects & CFE_AUTOCOLOR) ? kAutoColor : format.crTextColor;
    }

    bool loaded = false;

private:
    CLibraryHandle m_library;
    HWND m_window = nullptr;
};

const wchar_t kColorTable[] = L"{\\colortbl;\\red200\\green0\\blue0;\\red0\\green150\\blue0;}";

class MacrosRtf : public ::testing::Test {
protected:
    MacrosRtf() : m_scope(m_environment) {}
    CFakeMacroEnvironment m_environment;
    CMacroEnvironmentScope m_scope;
};

// The names sit in red text; the date name itself is green (as the editor colours macro
// names) and the selection name is bold. The values keep the bold and take the red of the
// text before them; the text around is untouched.
TEST_F(MacrosRtf, ValuesKeepTheFormatOfTheirPlace) {
    CString rtf = CString(L"{\\urtf1\\ansi") + kColorTable +
                  L"\\cf1 Дата: \\cf2 %DATE%\\cf1  от {\\b %SELECTED_TEXT%} 😀 %EMDASH%}";
    int caret = -1;
    LANGID layout = 0xFFFF;
    EXPECT_EQ(3, ExpandMacrosRtf(rtf, L"Выделено", L"", &caret, &layout, kEnglishUs));
    EXPECT_TRUE(IsUnicodeRtf(rtf)) << WideToUtf8(rtf.Left(60));
    EXPECT_EQ(0, caret);
    EXPECT_EQ(0, layout);

    CReader result(rtf);
    ASSERT_TRUE(result.loaded);
    const CString text = result.Text();
    EXPECT_STREQ(L"Дата: Thursday, March 5, 2026 от Выделено 😀 \x2014", text.Left(text.GetLength()).GetString());
    const int date = text.Find(L"Thursday");
    const int selection = text.Find(L"Выделено");
    EXPECT_EQ(kRed, result.Color(date, date + 23));
    EXPECT_FALSE(result.IsBold(date, date + 23));
    EXPECT_TRUE(result.IsBold(selection, selection + 8));
    EXPECT_EQ(kRed, result.Color(selection, selection + 8));
    EXPECT_EQ(kRed, result.Color(0, 5));
    EXPECT_FALSE(result.IsBold(selection + 8, selection + 9));
}

TEST_F(MacrosRtf, CaretLayoutAndOrder) {
    static const struct {
        const char* what;
        const wchar_t* body;
        const wchar_t* selected;
        const wchar_t* clipboard;
        const wchar_t* text;
        int count;
        int caret;
        LANGID layout;
    } kCases[] = {
        {"caret before a paragraph mark", L"ab%CURSOR_POS%cd\\par ef", L"", L"", L"abcd\r\nef", 0, 5, 0},
        {"later cursor names go too", L"a%CURSOR_POS%b%CURSOR_POS%c", L"", L"", L"abc", 0, 2, 0},
        {"layout macro", L"%ACTIVATE_KL_EN%Hello", L"", L"", L"Hello", 1, 0, 0x0409},
        {"clipboard holds a date", L"%CLIPBOARD_TEXT%", L"", L"on %DAY2%", L"on 05", 2, 0, 0},
        {"selection holds itself", L"%SELECTED_TEXT%!", L"x%SELECTED_TEXT%", L"", L"x%SELECTED_TEXT%!", 1, 0, 0},
        {"a value with a line break", L"%CLIPBOARD_TEXT%%CURSOR_POS%z", L"", L"1\r\n2", L"1\r\n2z", 1, 1, 0},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.what);
        CString rtf = CString(L"{\\urtf1 ") + c.body + L"}";
        int caret = -1;
        LANGID layout = 0xFFFF;
        EXPECT_EQ(c.count, ExpandMacrosRtf(rtf, c.selected, c.clipboard, &caret, &layout, kEnglishUs));
        EXPECT_EQ(c.caret, caret);
        EXPECT_EQ(c.layout, layout);
        CReader result(rtf);
        ASSERT_TRUE(result.loaded);
        EXPECT_STREQ(c.text, result.Text().GetString());
    }
}

TEST_F(MacrosRtf, TextWithoutMacrosComesBackUnchanged) {
    const CString original = L"{\\urtf1 no macros here, 100% plain}";
    CString rtf = original;
    EXPECT_EQ(0, ExpandMacrosRtf(rtf, L"sel", L"clip", nullptr, nullptr, kEnglishUs));
    EXPECT_TRUE(rtf == original);
}

TEST(MacrosRtfSearch, LayoutAndChangingMacrosAreFoundInTheText) {
    EXPECT_EQ(0x0409, FindLayoutMacroRtf(L"{\\urtf1 {\\b %ACTIVATE_KL_EN%}Hello}"));
    EXPECT_EQ(0, FindLayoutMacroRtf(L"{\\urtf1 Hello}"));
    EXPECT_EQ(1, HasMacrosInText(L"{\\urtf1 on {\\i %DATE%}}", true));
    EXPECT_EQ(0, HasMacrosInText(L"{\\urtf1 %CURSOR_POS%%ACTIVATE_KL_EN%}", true));
    // A name cut in two by formatting is one name in the text.
    EXPECT_EQ(1, HasMacrosInText(L"{\\urtf1 %DA{\\b TE}%}", true));
}

}  // namespace
