// Malformed macro texts (names opened and never closed, prompts without their closer,
// names inside names, thousands of repeats, cut RTF) from the checked-in corpus and a
// 1 MB phrase: every expansion ends with a text, and none loses text it should keep.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "pages/richedit/RichEditStream.h"
#include "phrases/Macros.h"
#include "phrases/NumberToWords.h"
#include "testkit/fakes/FakeMacroEnvironment.h"

namespace {

const LCID kEnglishUs = MAKELCID(0x0409, SORT_DEFAULT);

struct CFixture {
    CString name;
    CString text;
};

std::vector<CFixture> LoadFixtures() {
    std::vector<CFixture> fixtures;
    const CString folder = CString(VXL_MACRO_FIXTURES) + L"\\";
    WIN32_FIND_DATAW found = {};
    CFindHandle find(FindFirstFileW(folder + L"*.txt", &found));
    if (!find) return fixtures;
    do {
        CFileHandle file(
            CreateFileW(folder + found.cFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) continue;
        std::string bytes(GetFileSize(file.get(), nullptr), '\0');
        DWORD read = 0;
        if (!bytes.empty()) ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        bytes.resize(read);
        const std::wstring text = Utf8ToWide(bytes.c_str());
        fixtures.push_back({found.cFileName, CString(text.c_str(), static_cast<int>(text.size()))});
    } while (FindNextFileW(find.get(), &found));
    return fixtures;
}

// A name of the table still standing in the text, or empty.
CString RemainingName(const CString& text) {
    for (const CString& name : GetMacroNames()) {
        if (text.Find(name) >= 0) return name;
    }
    return CString();
}

class MalformedMacros : public ::testing::Test {
protected:
    MalformedMacros() : m_scope(m_environment) {}
    CFakeMacroEnvironment m_environment;
    CMacroEnvironmentScope m_scope;
};

TEST_F(MalformedMacros, EveryTextOfTheCorpusExpandsAndSplitsWithoutLoss) {
    const std::vector<CFixture> fixtures = LoadFixtures();
    ASSERT_GE(fixtures.size(), 10u) << "corpus not found in " << WideToUtf8(VXL_MACRO_FIXTURES);
    for (const CFixture& fixture : fixtures) {
        SCOPED_TRACE(WideToUtf8(fixture.name));

        // Every complete name goes, whatever broken pieces stand around it.
        CString text = fixture.text;
        int caret = -1;
        LANGID layout = 0xFFFF;
        EXPECT_GE(ExpandMacros(text, CString(), CString(), &caret, &layout, kEnglishUs), 0);
        EXPECT_STREQ(L"", RemainingName(text).GetString()) << WideToUtf8(text);
        EXPECT_GE(caret, 0);
        EXPECT_LE(caret, text.GetLength());

        // The broken text as selection and clipboard as well: values that hold names.
        CString again = fixture.text;
        ExpandMacros(again, fixture.text, fixture.text, &caret, &layout, kEnglishUs);

        std::vector<CPhrasePart> parts;
        SplitAtPrompts(fixture.text, parts);
        CString joined;
        for (const CPhrasePart& part : parts) {
            joined += part.text;
            EXPECT_FALSE(part.text.IsEmpty());
            if (part.isPrompt) {
                EXPECT_LT(part.label.Find(kPromptCloser), 0) << WideToUtf8(part.text);
            }
        }
        EXPECT_STREQ(fixture.text.GetString(), joined.GetString());

        NumberCharsText(fixture.text);
        SplitUrl(fixture.text, true);

        // As RTF: loaded as it is, and wrapped as Unicode RTF. The selection is short here:
        // Wine's RichEdit lays out the whole paragraph again after every replacement, so
        // the corpus text as selection (a paragraph of half a megabyte with thousands of
        // names) would take minutes there; the plain expansion above covers that case.
        for (const CString& rtfText : {fixture.text, CString(L"{\\urtf1 ") + fixture.text + L"}"}) {
            CString rtf = rtfText;
            const int count =
                ExpandMacrosRtf(rtf, L"sel %SELECTED_TEXT% %DAY%", L"%DATE%", &caret, &layout, kEnglishUs);
            if (count == 0 && rtf != rtfText) {
                EXPECT_TRUE(IsUnicodeRtf(rtf)) << WideToUtf8(rtf.Left(80));
            }
            HasMacrosInText(rtfText, true);
            FindLayoutMacroRtf(rtfText);
        }
    }
}

// A 1 MB phrase of macros mixed with broken pieces: expanded whole, every name gone, the
// caret counted from the first cursor macro.
TEST_F(MalformedMacros, OneMegabytePhrase) {
    const CString piece = L"%DATE% %% %PROMPT_TEXT={ %DAY2%%SELECTED_TEXT% 100% %ACTIVATE_KL_%TIME%\r\n";
    CString text;
    text.Preallocate(1024 * 1024 + piece.GetLength());
    while (text.GetLength() < 1024 * 1024) text += piece;
    const int pieces = text.GetLength() / piece.GetLength();
    text.Insert(text.GetLength() - piece.GetLength(), kMacroCursorPos);

    CString expanded = text;
    int caret = -1;
    const int count = ExpandMacros(expanded, L"sel", CString(), &caret, nullptr, kEnglishUs);
    EXPECT_EQ(pieces * 4, count);
    EXPECT_STREQ(L"", RemainingName(expanded).GetString());
    // The last piece follows the caret; its CR LF is one step.
    CString lastPiece = piece;
    ExpandMacros(lastPiece, L"sel", CString(), nullptr, nullptr, kEnglishUs);
    EXPECT_EQ(lastPiece.GetLength() - 1, caret);

    std::vector<CPhrasePart> parts;
    SplitAtPrompts(text, parts);
    CString joined;
    joined.Preallocate(text.GetLength());
    for (const CPhrasePart& part : parts) joined += part.text;
    EXPECT_TRUE(joined == text);
}

// A clipboard full of "%SELECTED_TEXT%" and a large selection would multiply to gigabytes:
// the name is left standing instead, and the expansion still returns.
TEST_F(MalformedMacros, GrowthPastTheLimitIsRefused) {
    CString clipboard;
    for (int i = 0; i < 20000; ++i) clipboard += L"%SELECTED_TEXT%";
    const CString selected(L'x', 1024 * 1024);
    CString text = L"%CLIPBOARD_TEXT%";
    EXPECT_EQ(1, ExpandMacros(text, selected, clipboard, nullptr, nullptr, kEnglishUs));
    EXPECT_TRUE(text == clipboard);
}

}  // namespace
