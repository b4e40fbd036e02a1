#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ClientLanguage.h"
#include "core/LanguageFiles.h"
#include "core/tests/LangTestFolder.h"
#include "core/tests/LangTestIds.h"
#include "testkit/Poll.h"

namespace {

const wchar_t kMenuSection[] = L"Menu_Client";

std::wstring MenuText(HMENU menu, UINT id) {
    wchar_t buffer[300] = {};
    GetMenuStringW(menu, id, buffer, 300, MF_BYCOMMAND);
    return buffer;
}

HMENU LoadTestMenu() {
    return LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDM_LANG_TEST));
}

// Owner of an unnamed manual-reset event standing in for the application exit event.
struct CExitEvent {
    HANDLE handle = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    ~CExitEvent() {
        SetEvent(handle);
        WaitUnlocalizedWriterEndedForTest(5000);
        CloseHandle(handle);
    }
};

// A disk that is full.
BOOL WINAPI RefuseWrite(HANDLE, LPCVOID, DWORD, LPDWORD written, LPOVERLAPPED) {
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Menu keys

TEST(MenuItemKey, OpenFolderWithShortcut) {
    CMenuItemKey parts = SplitMenuItemText(L"&Open Folder\u2026\tCtrl+O");
    EXPECT_EQ(L"Open_Folder", W(parts.key));
    EXPECT_EQ(L"Open Folder\u2026", W(parts.label));
    EXPECT_TRUE(parts.hasShortcut);
    EXPECT_EQ(L"Ctrl+O", W(parts.shortcut));
}

TEST(MenuItemKey, TrailingDotsAndEllipsesAreCutAndEveryAmpersandGoes) {
    EXPECT_EQ(L"Save_As", W(SplitMenuItemText(L"Save &As...").key));
    EXPECT_EQ(L"Fish__Chips", W(SplitMenuItemText(L"Fish && Chips").key));  // two blanks once the marks are gone
    EXPECT_EQ(L"A_B", W(SplitMenuItemText(L"A\u2026 B\u2026.").key));
    CMenuItemKey plain = SplitMenuItemText(L"Exit");
    EXPECT_FALSE(plain.hasShortcut);
    EXPECT_EQ(L"Exit", W(plain.key));
}

TEST(MenuItemKey, StoredCharacterSet) {
    EXPECT_TRUE(IsKeyInStoredCharSet(L"Open_Folder"));
    EXPECT_TRUE(IsKeyInStoredCharSet(L"<>,./?\";:']}[{!@#$%^&*()-_=+\\|09azAZ"));
    EXPECT_FALSE(IsKeyInStoredCharSet(L"\u0412\u044b\u0445\u043e\u0434"));  // "Выход"
    EXPECT_FALSE(IsKeyInStoredCharSet(L"Caf\u00e9"));
    EXPECT_FALSE(IsKeyInStoredCharSet(L"Tab\there"));
    EXPECT_FALSE(IsKeyInStoredCharSet(L"~"));
}

// ---------------------------------------------------------------------------------------
// Menu translation

TEST_F(LangTest, TranslatedItemKeepsItsShortcutText) {
    CString lng = WriteLng(L"German.lng",
                           L"[Main]\r\nLangPrefix=De\r\n[Menu_Client]\r\nOpen_Folder=Ordner \u00f6ffnen\u2026\r\n"
                           L"File=&Datei\r\nItem_One=Eintrag &eins\r\n");
    CLngMenu translator(lng, true, L"_Client");
    EXPECT_EQ(L"Menu_Client", W(translator.GetSection()));
    EXPECT_EQ(W(lng), W(GetCurrentLngFile()));

    HMENU menu = LoadTestMenu();
    ASSERT_NE(nullptr, menu);
    translator.TranslateMenu(menu);
    EXPECT_EQ(L"Ordner \u00f6ffnen\u2026\tCtrl+O", MenuText(menu, IDM_LT_OPEN_FOLDER));
    EXPECT_EQ(L"Eintrag &eins", MenuText(menu, IDM_LT_ITEM_ONE));  // inside a submenu
    wchar_t popup[100] = {};
    GetMenuStringW(menu, 0, popup, 100, MF_BYPOSITION);
    EXPECT_EQ(std::wstring(L"&Datei"), popup);                  // a submenu item's own text
    EXPECT_EQ(L"Save &As...", MenuText(menu, IDM_LT_SAVE_AS));  // no translation: unchanged
    DestroyMenu(menu);

    // The missing keys went into the language file with their labels.
    EXPECT_EQ(L"Save As...", Read(lng, kMenuSection, L"Save_As"));
    EXPECT_EQ(L"Fish  Chips", Read(lng, kMenuSection, L"Fish__Chips"));
}

TEST_F(LangTest, MissingKeyIsCollectedIntoLocalizeExampleWithBuiltInEnglish) {
    CString example = BuildLngFilePath(L"");
    EXPECT_EQ(W(Path(L"LocalizeExample.lng")), W(example));
    CLngMenu translator(example, true, L"_Client");

    // Created on first use: the byte-order mark and the template keys of "Main".
    std::string bytes = ReadFileBytes(example);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));
    EXPECT_EQ(L"En", Read(example, L"Main", L"LangPrefix"));
    EXPECT_EQ(L"Type Your name and email (optional)", Read(example, L"Main", L"Author"));
    EXPECT_EQ(L"English (Type localized name of language here)", Read(example, L"Main", L"LangLocalized"));

    HMENU menu = LoadTestMenu();
    translator.TranslateMenu(menu);
    EXPECT_EQ(L"&Open Folder\u2026\tCtrl+O", MenuText(menu, IDM_LT_OPEN_FOLDER));
    DestroyMenu(menu);
    EXPECT_EQ(L"Open Folder\u2026", Read(example, kMenuSection, L"Open_Folder"));
    EXPECT_EQ(L"Item One", Read(example, kMenuSection, L"Item_One"));
    EXPECT_EQ(L"Recent", Read(example, kMenuSection, L"Recent"));
    // The file stays UTF-16: the ellipsis came back as written.
    EXPECT_NE(std::wstring::npos, ReadUtf16File(example).find(L"Open_Folder=Open Folder\u2026"));
}

TEST_F(LangTest, CyrillicKeyIsNeverWritten) {
    CString lng = Path(L"LocalizeExample.lng");
    CLngMenu translator(lng, true, L"_Client");
    HMENU menu = LoadTestMenu();
    translator.TranslateMenu(menu);
    DestroyMenu(menu);
    std::wstring content = ReadUtf16File(lng);
    EXPECT_EQ(std::wstring::npos, content.find(L"\u0412\u044b\u0445\u043e\u0434")) << content;
    EXPECT_NE(std::wstring::npos, content.find(L"Save_As=")) << content;
}

// A label of nothing but dots and ellipses leaves no key: such an item is never collected,
// while an ordinary item beside it still is.
TEST_F(LangTest, ItemWithAnEmptyKeyIsNeverCollected) {
    CString lng = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    CLngMenu translator(lng, true, L"_Client");
    const wchar_t* const emptyKeys[] = {L"\u2026", L".", L"...", L"&\u2026\tCtrl+E", L"\u2026.\u2026"};
    HMENU menu = CreatePopupMenu();
    UINT id = 100;
    for (const wchar_t* text : emptyKeys) {
        ASSERT_EQ(L"", W(SplitMenuItemText(text).key)) << text;
        AppendMenuW(menu, MF_STRING, id++, text);
    }
    AppendMenuW(menu, MF_STRING, id, L"Keep");
    translator.TranslateMenu(menu);
    DestroyMenu(menu);

    EXPECT_EQ(L"Keep", Read(lng, kMenuSection, L"Keep"));
    EXPECT_FALSE(Has(lng, kMenuSection, L""));
    std::wstring content = ReadUtf16File(lng);
    EXPECT_EQ(std::wstring::npos, content.find(L"\n=")) << content;
}

TEST_F(LangTest, NothingIsCollectedWithoutTheCollectFlagAndSkippedIdsStayUntouched) {
    CString lng = WriteLng(L"German.lng", L"[Menu_Client]\r\nSkipped_Item=\u00dcbersprungen\r\n");
    CLngMenu translator(lng, false, L"_Client");
    translator.AddSkippedID(IDM_LT_SKIPPED);
    EXPECT_TRUE(translator.IsSkippedID(IDM_LT_SKIPPED));
    EXPECT_FALSE(translator.IsSkippedID(0));
    HMENU menu = LoadTestMenu();
    translator.TranslateMenu(menu);
    EXPECT_EQ(L"Skipped Item", MenuText(menu, IDM_LT_SKIPPED));
    DestroyMenu(menu);
    EXPECT_FALSE(Has(lng, kMenuSection, L"Save_As"));
}

TEST_F(LangTest, TranslationEqualToTheDefaultCountsAsMissing) {
    CString lng = WriteLng(L"German.lng", L"[Menu_Client]\r\nSave_As={87d306bd-dd3a-42fa-b7f2-9b39c5d6f374}\r\n");
    CLngMenu translator(lng, true, L"_Client");
    HMENU menu = LoadTestMenu();
    translator.TranslateMenu(menu);
    EXPECT_EQ(L"Save &As...", MenuText(menu, IDM_LT_SAVE_AS));
    DestroyMenu(menu);
}

TEST_F(LangTest, MenuItemTextById) {
    CString lng = WriteLng(L"German.lng", L"[Menu_Client]\r\nItem_One=Eintrag eins\r\n");
    CLngMenu translator(lng, true, L"_Client");
    HINSTANCE module = GetModuleHandleW(nullptr);
    EXPECT_EQ(L"Eintrag eins", W(translator.GetMenuItemTextByID(IDM_LANG_TEST, IDM_LT_ITEM_ONE, module)));
    EXPECT_EQ(L"Open Folder", W(translator.GetMenuItemTextByID(IDM_LANG_TEST, IDM_LT_OPEN_FOLDER, module)));
    EXPECT_EQ(L"Fish & Chips", W(translator.GetMenuItemTextByID(IDM_LANG_TEST, IDM_LT_AMPERSANDS, module)));
    EXPECT_EQ(L"", W(translator.GetMenuItemTextByID(IDM_LANG_TEST, 4711, module)));
    EXPECT_EQ(L"", W(translator.GetMenuItemTextByID(4711, IDM_LT_ITEM_ONE, module)));
}

// ---------------------------------------------------------------------------------------
// Language list and menu

TEST_F(LangTest, LanguageListAndMenu) {
    WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\nLangLocalized=Deutsch\r\n");
    WriteLng(L"bare.lng", L"[Main]\r\nLangPrefix=Xx\r\n");
    WriteLng(L"LocalizeExample.lng", L"[Main]\r\nLangPrefix=En\r\nLangLocalized=English (example)\r\n");
    ASSERT_TRUE(CreateDirectoryW(Path(L"folder.lng"), nullptr));

    std::vector<CString> names;
    ASSERT_TRUE(EnumLanguageFiles(names, L"localizeexample.LNG"));
    ASSERT_EQ(3u, names.size());
    EXPECT_EQ(L"", W(names[0]));
    EXPECT_EQ(L"bare.lng", W(names[1]));
    EXPECT_EQ(L"German.lng", W(names[2]));

    HMENU menu = CreatePopupMenu();
    FillLanguageMenuItems(menu, 33000, names, L"GERMAN.lng");
    ASSERT_EQ(3, GetMenuItemCount(menu));
    EXPECT_EQ(L"English (Embedded)", MenuText(menu, 33000));
    EXPECT_EQ(L"bare", MenuText(menu, 33001));  // no "LangLocalized": the name without ".lng"
    EXPECT_EQ(L"Deutsch", MenuText(menu, 33002));
    EXPECT_EQ(33002u, GetMenuDefaultItem(menu, FALSE, 0));
    MENUITEMINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_STATE;
    ASSERT_TRUE(GetMenuItemInfoW(menu, 33002, FALSE, &info));
    EXPECT_TRUE(info.fType & MFT_RADIOCHECK);
    EXPECT_TRUE(info.fState & MFS_CHECKED);
    ASSERT_TRUE(GetMenuItemInfoW(menu, 33001, FALSE, &info));
    EXPECT_FALSE(info.fState & MFS_CHECKED);
    DestroyMenu(menu);

    // Built-in English is the current language when the name is empty.
    menu = CreatePopupMenu();
    FillLanguageMenuItems(menu, 33000, names, L"");
    EXPECT_EQ(33000u, GetMenuDefaultItem(menu, FALSE, 0));
    DestroyMenu(menu);
}

TEST_F(LangTest, EmptyFolderListsOnlyBuiltInEnglish) {
    std::vector<CString> names{L"stale"};
    EXPECT_FALSE(EnumLanguageFiles(names, nullptr));
    ASSERT_EQ(1u, names.size());
    EXPECT_TRUE(names[0].IsEmpty());
}

TEST_F(LangTest, FileInformation) {
    CString lng =
        WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De   \r\nLangLocalized=Deutsch\r\nAuthor=Jana M\u00fcller\r\n");
    CLngFileInfo info;
    ASSERT_TRUE(ReadLngFileInfo(lng, info));
    EXPECT_EQ(L"Deutsch", W(info.localizedName));
    EXPECT_EQ(L"Jana M\u00fcller", W(info.author));
    EXPECT_EQ(L"De", W(info.prefix));

    ASSERT_TRUE(ReadLngFileInfo(L"", info));
    EXPECT_EQ(L"English (Embedded)", W(info.localizedName));
    EXPECT_EQ(L"En", W(info.prefix));
    EXPECT_EQ(W(GetMakerWebAddress()), W(info.author));

    EXPECT_FALSE(ReadLngFileInfo(Path(L"Missing.lng"), info));

    EXPECT_EQ(L"English (Embedded)", W(GetLngLocalizedName(folders.programFolder)));
    EXPECT_EQ(L"Deutsch", W(GetLngLocalizedName(lng)));
}

TEST_F(LangTest, RussianWebPages) {
    CString uk = WriteLng(L"Ukrainian.lng", L"[Main]\r\nLangPrefix=Uk\r\n");
    CString de = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    EXPECT_TRUE(IsLngFileRuPrefix(uk));
    EXPECT_FALSE(IsLngFileRuPrefix(de));
    EXPECT_FALSE(IsLngFileRuPrefix(Path(L"Missing.lng")));
    EXPECT_EQ(L"RU", W(GetUrlLangSuffix(L"uk")));
    EXPECT_EQ(L"RU", W(GetUrlLangSuffix(L"ET")));
    EXPECT_EQ(L"", W(GetUrlLangSuffix(L"ru")));
    EXPECT_EQ(L"", W(GetUrlLangSuffix(L"De")));
    EXPECT_EQ(L"", W(GetUrlLangSuffix(L"")));
}

TEST_F(LangTest, ExamplePathAndLanguagePath) {
    EXPECT_EQ(L"C:\\x\\LocalizeExample.lng", W(GetLocalizeExamplePath(L"C:\\x\\German.lng")));
    EXPECT_EQ(L"", W(GetLocalizeExamplePath(L"German.lng")));
    EXPECT_TRUE(IsLocalizeExampleFile(L"C:\\x\\localizeexample.LNG"));
    EXPECT_FALSE(IsLocalizeExampleFile(L"C:\\x\\German.lng"));
    EXPECT_FALSE(IsLocalizeExampleFile(L""));

    EXPECT_EQ(W(Path(L"German.lng")), W(BuildLngFilePath(L"German.lng")));
    EXPECT_EQ(W(Path(L"LocalizeExample.lng")), W(BuildLngFilePath(L"")));

    // A developer's build folder named "Debug" or "Release": the files lie one folder up.
    for (const wchar_t* build : {L"Debug", L"release"}) {
        CString folder = folders.programFolder + build + L"\\";
        SetProgramFolderForTest(folder);
        EXPECT_EQ(W(Path(L"German.lng")), W(BuildLngFilePath(L"German.lng"))) << build;
    }
    SetProgramFolderForTest(folders.programFolder);
}

TEST_F(LangTest, TemplateLeavesAnExistingFileAlone) {
    CString lng = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    std::string before = ReadFileBytes(lng);
    EXPECT_TRUE(WriteLngTemplate(lng));
    EXPECT_EQ(before, ReadFileBytes(lng));
    EXPECT_FALSE(WriteLngTemplate(folders.root + L"\\missing\\x.lng"));
}

// A disk that takes the new file but not its byte-order mark. The profile functions keep
// a file without the mark as ANSI, so such a file must not stay behind for later writes.
TEST_F(LangTest, FileWhoseByteOrderMarkCannotBeWrittenIsNotKept) {
    struct CRefusedMark {
        CRefusedMark() { SetByteOrderMarkWriterForTest(&RefuseWrite); }
        ~CRefusedMark() { SetByteOrderMarkWriterForTest(nullptr); }
    } refused;

    const struct {
        const char* name;
        bool (*create)(const wchar_t* path);
        const wchar_t* file;
    } rows[] = {
        {"language template", [](const wchar_t* path) { return WriteLngTemplate(path); }, L"German.lng"},
        {"language value",
         [](const wchar_t* path) { return WriteLngValue(path, L"Menu_Client", L"Save_As", L"Save As\u2026"); },
         L"French.lng"},
        {"settings file", [](const wchar_t* path) { return CreateSettingsFileIfMissing(path); }, L"Settings.ini"},
    };
    for (const auto& row : rows) {
        CString path = Path(row.file);
        EXPECT_FALSE(row.create(path)) << row.name;
        EXPECT_FALSE(FileExists(path)) << row.name;
    }

    // The translator of a missing language file makes it on first use: not without its mark.
    CString polish = Path(L"Polish.lng");
    CLngMenu translator(polish, true, L"_Client");
    HMENU menu = LoadTestMenu();
    translator.TranslateMenu(menu);
    DestroyMenu(menu);
    EXPECT_FALSE(FileExists(polish));
}

TEST_F(LangTest, ClientMenuTranslatorFollowsTheLanguageSetting) {
    WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    ASSERT_TRUE(WriteLanguageSetting(L"German.lng", GetSettingsFilePath()));
    CLngMenu& client = GetClientMenuLng();
    EXPECT_EQ(&client, &GetClientMenuLng());
    EXPECT_EQ(L"Menu_Client", W(client.GetSection()));
    EXPECT_TRUE(client.IsCollecting());
    EXPECT_EQ(W(Path(L"German.lng")), W(GetCurrentLngFile()));
    EXPECT_EQ(L"Strings_Client", W(GetStringsSectionName()));
    EXPECT_TRUE(HasUILanguage());
}

// ---------------------------------------------------------------------------------------
// The writer of missing keys

TEST_F(LangTest, WriterSpreadsAMissingKeyToTheOtherLanguageFiles) {
    CString german = WriteLng(L"German.lng", L"[Main]\r\nLangPrefix=De\r\n");
    CString french = WriteLng(L"French.lng", L"[Main]\r\nLangPrefix=Fr\r\n[Strings_Client]\r\n900=d\u00e9j\u00e0\r\n");
    CString polish = WriteLng(L"Polish.lng", L"[Main]\r\nLangPrefix=Pl\r\n");
    CString example = WriteLng(L"LocalizeExample.lng", L"[Main]\r\nLangPrefix=En\r\n");
    CString chosen = WriteLng(L"Chosen.lng", L"[Main]\r\nLangPrefix=Ch\r\n");
    ASSERT_TRUE(WriteLanguageSetting(L"chosen.LNG", GetSettingsFilePath()));

    EXPECT_EQ(0, CLngWriter::Post(german, L"Strings_Client", L"900", L"x"));  // no writer yet
    CExitEvent exitEvent;
    ASSERT_TRUE(StartUnlocalizedWriter(exitEvent.handle));
    EXPECT_FALSE(StartUnlocalizedWriter(exitEvent.handle));  // one writer per process

    AddUnlocalizedString(L"Strings_Client", L"900", L"Already\\nthere", german);
    EXPECT_EQ(L"Already\\nthere", Read(german, L"Strings_Client", L"900"));  // at once, by the caller
    ASSERT_TRUE(testkit::PollUntil(10000, [&] { return Has(polish, L"Strings_Client", L"900"); }));
    EXPECT_EQ(L"Already\\nthere", Read(polish, L"Strings_Client", L"900"));
    EXPECT_EQ(L"d\u00e9j\u00e0", Read(french, L"Strings_Client", L"900"));  // had it: untouched
    EXPECT_FALSE(Has(example, L"Strings_Client", L"900"));
    EXPECT_FALSE(Has(chosen, L"Strings_Client", L"900"));

    // A value with control characters is written escaped.
    EXPECT_EQ(1, CLngWriter::Post(german, L"Strings_Client", L"901", L"two\r\nlines"));
    ASSERT_TRUE(testkit::PollUntil(10000, [&] { return Has(polish, L"Strings_Client", L"901"); }));
    EXPECT_EQ(L"two\\r\\nlines", Read(polish, L"Strings_Client", L"901"));
    EXPECT_EQ(L"two\\r\\nlines", Read(french, L"Strings_Client", L"901"));

    // Two posts in quick succession: the second one surely arrives.
    CLngWriter::Post(german, L"Menu_Client", L"First", L"first");
    CLngWriter::Post(german, L"Menu_Client", L"Second", L"second");
    ASSERT_TRUE(testkit::PollUntil(10000, [&] { return Has(polish, L"Menu_Client", L"Second"); }));

    SetEvent(exitEvent.handle);
    ASSERT_TRUE(WaitUnlocalizedWriterEndedForTest(5000));
    EXPECT_EQ(0, CLngWriter::Post(german, L"Strings_Client", L"902", L"x"));
}

// ---------------------------------------------------------------------------------------
// Escapes

TEST(LngEscapes, RoundTrip) {
    CString text = L"a\r\nb\tc\\d";
    EscapeLngText(text);
    EXPECT_EQ(L"a\\r\\nb\\tc\\d", W(text));
    UnescapeLngText(text);
    EXPECT_EQ(L"a\r\nb\tc\\d", W(text));

    CString odd = L"C:\\x\\y\\";  // no escapes, a trailing backslash
    UnescapeLngText(odd);
    EXPECT_EQ(L"C:\\x\\y\\", W(odd));
    CString empty;
    EscapeLngText(empty);
    UnescapeLngText(empty);
    EXPECT_TRUE(empty.IsEmpty());
}
