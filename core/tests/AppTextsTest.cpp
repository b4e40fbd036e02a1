// Display texts shared by the tray window, its menus and the pages, with the English
// string table linked in and translations from a language file of a temporary
// program folder.
#include <gtest/gtest.h>

#include "core/AppTexts.h"
#include "core/DefaultPrograms.h"
#include "core/LanguageFiles.h"
#include "core/LanguageMenu.h"
#include "core/SystemInfo.h"
#include "core/UiStrings.h"
#include "core/WebDestinations.h"
#include "core/base/IniFile.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

class AppTexts : public ::testing::Test {
protected:
    void SetUp() override { ResetUILanguageForTest(); }
    void TearDown() override {
        ResetUILanguageForTest();
        SetCurrentLngFile(L"");
        IniFlushCache();
    }

    // Makes a language file with these lines the UI language.
    void UseLanguage(const wchar_t* lines) {
        CString path = folders.programFolder + L"Test.lng";
        ASSERT_TRUE(WriteUtf16File(path, lines));
        IniFlushCache();
        SetUILanguage(path, L"_Client");
    }

    CTempSettingsFolders folders{L"vxl_texts"};
};

TEST_F(AppTexts, NumbersAreGroupedByThousandsWithBlanks) {
    struct Case {
        long long number;
        const wchar_t* text;
    } cases[] = {
        {0, L"0"}, {999, L"999"}, {1000, L"1 000"}, {100000, L"100 000"}, {1234567, L"1 234 567"}, {-1234, L"-1 234"},
    };
    for (const Case& c : cases) EXPECT_EQ(std::wstring(c.text), W(FormatGroupedNumber(c.number)));
    EXPECT_EQ(std::wstring(L"Chars: 12 345"), W(GetCharCountText(12345)));
}

TEST_F(AppTexts, OffTextsAreUpperCasedAndOnTextsAreNot) {
    EXPECT_EQ(std::wstring(L"Turn on"), W(GetOnOffText(true, false)));
    EXPECT_EQ(std::wstring(L"TURN OFF"), W(GetOnOffText(false, false)));
    EXPECT_EQ(std::wstring(L"on"), W(GetOnOffText(true, true)));
    EXPECT_EQ(std::wstring(L"OFF"), W(GetOnOffText(false, true)));
    EXPECT_EQ(std::wstring(L"ON"), W(GetOnOffStateText(true, true, true)));
    EXPECT_EQ(std::wstring(L"Turn on"), W(GetOnOffStateText(true, false, false)));
    EXPECT_EQ(std::wstring(L"Sounds: Turn on"), W(GetTextWithState(L"Sounds", true)));
    EXPECT_EQ(std::wstring(L"TURN OFF"), W(GetTextWithState(L"", false)));
    EXPECT_EQ(std::wstring(L"Chars: TURN OFF"), W(GetToggleItemText(IDS_CHARS, false)));

    // No keyboard layout: the user's own case mapping, on a translated text too.
    folders.input.layouts.clear();
    UseLanguage(L"[Strings_Client]\r\n131=\x0432\x044B\x043A\x043B\x044E\x0447\x0438\x0442\x044C\r\n");
    EXPECT_EQ(std::wstring(L"\x0412\x042B\x041A\x041B\x042E\x0427\x0418\x0422\x042C"), W(GetOnOffText(false, false)));
}

TEST_F(AppTexts, AndMoreUsesOnlyATranslationThatIsSafeToFill) {
    struct Case {
        const wchar_t* translation;
        const wchar_t* expected;
    } cases[] = {
        {L"und %d weitere", L"und 7 weitere"},   {L"%d more", L"and 7 more"},
        {L"%s and %d", L"and 7 more"},           {L"nothing to count", L"and 7 more"},
        {L"noch %d, %x%n%%", L"noch 7, %x%n%%"},
    };
    for (const Case& c : cases) {
        UseLanguage(CString(L"[Strings_Client]\r\n300=") + c.translation + L"\r\n");
        EXPECT_EQ(std::wstring(c.expected), W(GetAndMoreText(7))) << W(c.translation);
    }
}

TEST_F(AppTexts, FirstAndSecondLinesSplitAtTheFirstLineBreakAfterTheFirstCharacter) {
    struct Case {
        const wchar_t* value;  // as written in the file: "\n" is the escape
        const wchar_t* head;
        const wchar_t* tail;
    } cases[] = {
        {L"Restart as administrator\\nRun again with all rights", L"Restart as administrator",
         L"Run again with all rights"},
        {L"\\nstarts with a break", L"\nstarts with a break", L"\nstarts with a break"},
        {L"one line", L"one line", L"one line"},
        {L"a\\nb\\nc", L"a", L"b\nc"},
    };
    for (const Case& c : cases) {
        UseLanguage(CString(L"[Strings_Client]\r\n32829=") + c.value + L"\r\n");
        EXPECT_EQ(std::wstring(c.head), W(GetUIStringFirstLine(32829))) << W(c.value);
        EXPECT_EQ(std::wstring(c.tail), W(GetUIStringSecondLine(32829))) << W(c.value);
    }
    EXPECT_TRUE(GetLangStringHead(64999).IsEmpty());
    EXPECT_TRUE(GetLangStringTail(64999).IsEmpty());
}

struct CFakeRecord {
    CString name;
    CString language;
    CString localized;
    CString GetLocalizedName(const CString& prefix) const { return prefix == language ? localized : CString(); }
    const CString& GetName() const { return name; }
};

TEST_F(AppTexts, ItemNamesAreLocalisedUnderTheLanguagePrefixInLowerCase) {
    UseLanguage(L"[Main]\r\nLangPrefix=De\r\n");
    EXPECT_EQ(std::wstring(L"De"), W(GetLanguagePrefix()));
    EXPECT_EQ(std::wstring(L"Gruss"), W(GetLocalizedItemName(CFakeRecord{L"Greeting", L"de", L"Gruss"})));
    EXPECT_EQ(std::wstring(L"Greeting"), W(GetLocalizedItemName(CFakeRecord{L"Greeting", L"fr", L"Salut"})));
    EXPECT_EQ(std::wstring(L"Greeting"), W(GetLocalizedItemName(CFakeRecord{L"Greeting", L"de", L""})));

    UseLanguage(L"[Main]\r\nAuthor=x\r\n");
    EXPECT_EQ(std::wstring(L"En"), W(GetLanguagePrefix()));
}

TEST_F(AppTexts, RussianWebPagesFollowTheLanguageFilesPrefix) {
    struct Case {
        const wchar_t* prefix;
        bool russianPages;
    } cases[] = {{L"ru", true}, {L"UK", true}, {L"Kz", true}, {L"De", false}, {L"", false}};
    for (const Case& c : cases) {
        UseLanguage(CString(L"[Main]\r\nLangPrefix=") + c.prefix + L"\r\n");
        CAppObjects::SetUseRuUrls();
        EXPECT_EQ(c.russianPages, CVXLUrl::IsUsingRuUrls()) << W(c.prefix);
    }
}

TEST_F(AppTexts, TheNewVersionMarkerIsAFileOfTheProgramFolder) {
    EXPECT_FALSE(CAppObjects::IsNewVersionMarkerPresent());
    ASSERT_TRUE(WriteUtf16File(folders.programFolder + L"hasnew.hasnew", L""));
    EXPECT_TRUE(CAppObjects::IsNewVersionMarkerPresent());
}

TEST_F(AppTexts, TheAboutItemGetsTheVersionInPlaceOfTheProductWord) {
    const CString version = GetProgramVersionText(true);
    ASSERT_FALSE(version.IsEmpty()) << "the test program carries a version resource";
    struct Case {
        const wchar_t* text;
        bool changed;
        CString expected;
    } cases[] = {
        {L"&About Vexlora\x2026", true, CString(L"&About  ") + version + L"\x2026"},
        {L"About Vexlora and Vexlora", true, CString(L"About  ") + version + L" and Vexlora"},
        {L"Vexlora", false, L"Vexlora"},
        {L"About", false, L"About"},
    };
    for (const Case& c : cases) {
        CMenuHandle menu(CreatePopupMenu());
        AppendMenuW(menu.get(), MF_STRING, 57664, c.text);
        EXPECT_EQ(c.changed, AppendVersionToAboutItem(menu.get())) << W(c.text);
        wchar_t text[300] = {};
        GetMenuStringW(menu.get(), 57664, text, 300, MF_BYCOMMAND);
        EXPECT_EQ(W(c.expected), std::wstring(text));
    }
    CMenuHandle empty(CreatePopupMenu());
    EXPECT_FALSE(AppendVersionToAboutItem(empty.get())) << "no such item";
}

TEST_F(AppTexts, HotKeysReadModifiersInTheirFixedOrderBeforeTheKey) {
    auto keyName = [](UINT key) {
        wchar_t name[100] = {};
        GetKeyNameTextW(static_cast<LONG>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16, name, 99);
        return CString(name);
    };
    EXPECT_TRUE(HotKeyToText(0, 0).IsEmpty());
    EXPECT_EQ(W(keyName(VK_CONTROL) + L"+" + keyName(VK_MENU) + L"+Pause"),
              W(HotKeyToText(VK_PAUSE, MOD_ALT | MOD_CONTROL)));
    EXPECT_EQ(W(keyName(VK_SHIFT) + L"+WIN+Left"), W(HotKeyToText(VK_LEFT, MOD_WIN | MOD_SHIFT)));
    EXPECT_EQ(std::wstring(L"Right"), W(HotKeyToText(VK_RIGHT, 0)));
}

TEST_F(AppTexts, SmallTexts) {
    EXPECT_EQ(std::wstring(L"#01ABFF"), W(ColorToHtmlHex(RGB(0x01, 0xAB, 0xFF))));
    EXPECT_EQ(std::wstring(L"-42"), W(IntToStr(-42)));
    EXPECT_EQ(std::wstring(L"Not found"), W(GetMfcLibraryPath()));
    EXPECT_EQ(std::wstring(L"Vexlora Press enter to activate"), W(GetAppWindowTitle(false)));
}

}  // namespace
