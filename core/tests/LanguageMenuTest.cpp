// The menu of language files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/LanguageMenu.h"
#include "core/Settings.h"
#include "core/TrayIds.h"
#include "core/tests/AppTestHelpers.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

using namespace apptest;

TEST(LanguageMenu, ListsTheLanguageFilesAfterTheFirstItemAndMarksTheCurrentOne) {
    CTempSettingsFolders folders(L"vxl_langmenu");
    ASSERT_TRUE(
        WriteUtf16File(folders.programFolder + L"German.lng", L"[Main]\r\nLangPrefix=De\r\nLangLocalized=Deutsch\r\n"));
    ASSERT_TRUE(WriteUtf16File(folders.programFolder + L"Abc.lng", L"[Main]\r\nLangPrefix=Ab\r\n"));
    CVXLSettings::GetInstance().SetLanguage(L"German.lng");

    CMenuHandle menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, 32776, L"How To Localize");
    for (int round = 0; round < 2; ++round) {
        std::vector<CString> names;
        ASSERT_EQ(3, CAppObjects::FillLanguageMenu(menu.get(), names));
        ASSERT_EQ(5, GetMenuItemCount(menu.get())) << "filled again, not added to";
        EXPECT_EQ(32776u, GetMenuItemID(menu.get(), 0));
        EXPECT_EQ(0u, GetMenuItemID(menu.get(), 1)) << "a separator";
        const std::vector<std::wstring> expectedNames = {L"", L"Abc.lng", L"German.lng"};
        ASSERT_EQ(expectedNames.size(), names.size());
        for (size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(expectedNames[i], W(names[i]));
            EXPECT_EQ(kFirstLanguageCommandId + i, GetMenuItemID(menu.get(), static_cast<int>(i) + 2));
        }
        wchar_t caption[100] = {};
        GetMenuStringW(menu.get(), kFirstLanguageCommandId + 2, caption, 100, MF_BYCOMMAND);
        EXPECT_EQ(std::wstring(L"Deutsch"), caption);
        EXPECT_TRUE(GetMenuState(menu.get(), kFirstLanguageCommandId + 2, MF_BYCOMMAND) & MF_CHECKED);
        EXPECT_FALSE(GetMenuState(menu.get(), kFirstLanguageCommandId, MF_BYCOMMAND) & MF_CHECKED);
    }
    CVXLSettings::GetInstance().SetLanguage(L"");
}

}  // namespace
