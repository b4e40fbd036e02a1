// The main program's language as its start-up sets it: the settings object and the
// translator are built once per process, so this program holds a single first run.
#include <gtest/gtest.h>

#include "core/ClientLanguage.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/tests/SettingsTestFolders.h"

// A fresh program folder (no "Language" anywhere) with German.lng beside the program and
// German as the default input language: the settings object chooses German.lng, and the
// menus, the UI strings and the command-line help must all speak it.
TEST(ClientLanguage, FirstRunSpeaksTheLanguageOfTheKeyboard) {
    CTempSettingsFolders folders(L"vxl_client_lng");
    folders.input.layouts = {CFakeInputLanguageInfo::Layout(0x0409), CFakeInputLanguageInfo::Layout(0x0407)};
    folders.input.defaultLanguage = CFakeInputLanguageInfo::Layout(0x0407);
    const CString german = folders.programFolder + L"German.lng";
    ASSERT_TRUE(WriteUtf16File(german,
                               L"[Main]\r\nLangPrefix=De\r\nLangLocalized=Deutsch\r\n"
                               L"[Strings_Client]\r\n133=Sprache\r\n"
                               L"[CommandLineKeys]\r\nCmd_LineKey_exit=alle Instanzen beenden\r\n"));
    ASSERT_FALSE(FileExists(folders.ProgramFile()));

    GetClientMenuLng();

    EXPECT_EQ(W(german), W(GetCurrentLngFile()));
    EXPECT_EQ(L"Sprache", W(LoadUiString(IDS_LANGUAGE)));
    EXPECT_EQ(L"alle Instanzen beenden", W(GetCmdLineKeyHelp(L"exit", L"complete all instances")));
}
