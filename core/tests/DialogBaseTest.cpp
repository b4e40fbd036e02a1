#include <gtest/gtest.h>

#include <string>

#include "core/DialogBase.h"
#include "core/tests/LangTestFolder.h"
#include "core/tests/LangTestIds.h"

namespace {

const wchar_t kSection[] = L"Dialog_Client_9001";

// A plain dialog procedure that translates its dialog in WM_INITDIALOG, as every dialog
// of the system does through its CDialogBase.
INT_PTR CALLBACK TestDialogProc(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* base = reinterpret_cast<CDialogBase*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        SetDlgItemTextW(dialog, IDC_LT_EDIT, L"user text");
        base->TranslateDialog(dialog);
        return TRUE;
    }
    return FALSE;
}

std::wstring Text(HWND dialog, int id) {
    wchar_t buffer[512] = {};
    GetDlgItemTextW(dialog, id, buffer, 512);
    return buffer;
}

class CTestDialog {
public:
    explicit CTestDialog(CDialogBase& base)
        : window(CreateDialogParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_LANG_TEST), nullptr, TestDialogProc,
                                    reinterpret_cast<LPARAM>(&base))) {}
    ~CTestDialog() {
        if (window) DestroyWindow(window);
    }
    HWND window;
};

// Counts this thread's top-level windows with the test dialog's caption: the hidden
// reference copy must be gone once the translation is done.
BOOL CALLBACK CountDialog(HWND window, LPARAM counter) {
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    if (std::wstring(caption) == L"Language test") ++*reinterpret_cast<int*>(counter);
    return TRUE;
}
int TestDialogCount() {
    int count = 0;
    EnumThreadWindows(GetCurrentThreadId(), CountDialog, reinterpret_cast<LPARAM>(&count));
    return count;
}

}  // namespace

TEST(DialogSection, Names) {
    EXPECT_EQ(L"Dialog_Client_9001", W(BuildDialogSectionName(L"_Client", 9001)));
    EXPECT_EQ(L"Dialog_Editor_7", W(BuildDialogSectionName(L"Editor", 7)));
    EXPECT_EQ(L"Dialog_12", W(BuildDialogSectionName(L"", 12)));
    EXPECT_EQ(L"Dialog_12", W(BuildDialogSectionName(nullptr, 12)));
    CDialogBase base(9001, L"_Client");
    EXPECT_EQ(L"Dialog_Client_9001", W(base.GetSectionName()));
}

TEST_F(LangTest, DialogIsTranslatedFromItsTemplate) {
    CString lng = WriteLng(L"German.lng",
                           L"[Main]\r\nLangPrefix=De\r\n[Dialog_Client_9001]\r\n"
                           L"9101=\u2022Hallo \u2022Welt\r\n"
                           L"9102=\u00dcbersprungen\r\n"
                           L"9104=Nicht f\u00fcr Eingabefelder\r\n"
                           L"9105=Nicht f\u00fcr Kombinationsfelder\r\n"
                           L"9107=Schlie\u00dfen\\njetzt\r\n");
    SetUILanguage(lng, L"_Client");
    CDialogBase base(IDD_LANG_TEST, L"_Client");
    base.AddSkippedId(IDC_LT_SKIPPED);
    CTestDialog dialog(base);
    ASSERT_NE(nullptr, dialog.window);
    EXPECT_EQ(1, TestDialogCount());  // the reference copy is destroyed

    EXPECT_EQ(L"Hallo Welt", Text(dialog.window, IDC_LT_TRANSLATED));  // bullets removed
    EXPECT_EQ(L"Keep me", Text(dialog.window, IDC_LT_SKIPPED));
    EXPECT_EQ(L"user text", Text(dialog.window, IDC_LT_EDIT));
    EXPECT_EQ(L"Schlie\u00dfen\njetzt", Text(dialog.window, IDC_LT_BUTTON));
    EXPECT_EQ(L"Only English", Text(dialog.window, IDC_LT_UNTRANSLATED));

    // The untranslated static is collected into the language file and the example file.
    EXPECT_EQ(L"Only English", Read(lng, kSection, L"9103"));
    CString example = Path(L"LocalizeExample.lng");
    EXPECT_EQ(L"Only English", Read(example, kSection, L"9103"));
    EXPECT_EQ(L"Hello World", Read(example, kSection, L"9101"));
    EXPECT_EQ(L"Close", Read(example, kSection, L"9107"));
    // Skipped ids, edits, combo boxes and empty texts are not collected.
    EXPECT_FALSE(Has(example, kSection, L"9102"));
    EXPECT_FALSE(Has(example, kSection, L"9104"));
    EXPECT_FALSE(Has(example, kSection, L"9105"));
    EXPECT_FALSE(Has(example, kSection, L"9106"));
    EXPECT_FALSE(Has(lng, kSection, L"9106"));
}

TEST_F(LangTest, UntranslatedControlGetsTheEnglishTextOfTheReferenceCopy) {
    CString lng = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    SetUILanguage(lng, L"_Client");
    CDialogBase base(IDD_LANG_TEST, L"_Client");
    CTestDialog dialog(base);
    ASSERT_NE(nullptr, dialog.window);
    SetDlgItemTextW(dialog.window, IDC_LT_UNTRANSLATED, L"changed at run time");
    ASSERT_TRUE(base.Create_Dialog());
    EXPECT_EQ(L"Only English", Text(dialog.window, IDC_LT_UNTRANSLATED));
}

TEST_F(LangTest, DialogWithBuiltInEnglishCollectsIntoTheExampleFile) {
    CString example = BuildLngFilePath(L"");
    SetUILanguage(example, L"_Client");
    CDialogBase base(IDD_LANG_TEST, L"_Client");
    CTestDialog dialog(base);
    ASSERT_NE(nullptr, dialog.window);
    EXPECT_EQ(L"Hello World", Text(dialog.window, IDC_LT_TRANSLATED));
    EXPECT_EQ(L"Hello World", Read(example, kSection, L"9101"));
}

TEST_F(LangTest, DialogWithoutTemplateOrLanguageFileKeepsItsTexts) {
    CDialogBase missing(IDD_LANG_TEST_MISSING, L"_Client");
    CDialogBase base(IDD_LANG_TEST, L"_Client");
    CTestDialog dialog(base);  // no language file: nothing is read or written
    ASSERT_NE(nullptr, dialog.window);
    EXPECT_EQ(L"Hello World", Text(dialog.window, IDC_LT_TRANSLATED));
    EXPECT_EQ(L"user text", Text(dialog.window, IDC_LT_EDIT));
    EXPECT_FALSE(FileExists(Path(L"LocalizeExample.lng")));

    CString lng = WriteLng(L"German.lng", L"[Dialog_Client_9003]\r\n9101=Hallo\r\n");
    SetUILanguage(lng, L"_Client");
    // Another resource id: its section is read, and without a template there is no reference.
    EXPECT_TRUE(missing.TranslateDialog(dialog.window));
    EXPECT_EQ(L"Hallo", Text(dialog.window, IDC_LT_TRANSLATED));
    EXPECT_FALSE(missing.TranslateDialog(nullptr));
}
