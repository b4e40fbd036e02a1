// The menu the library builds from an answer's command tree, and the reply record it
// sends back to the main window.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/base/Handles.h"
#include "hooklib/MenuDriver.h"

namespace {

void AddCommand(CPhraseNodeList& list, LONG cmdId, const wchar_t* name, DWORD flags = 0) {
    CPhraseNode item;
    item.m_cmdId = cmdId;
    item.m_flags = flags;
    item.SetName(name);
    AppendPhraseNode(list, item);
}

struct CMenuItem {
    UINT id;
    UINT type;
    ULONG_PTR data;
    bool subMenu;
};

CMenuItem ItemAt(HMENU menu, int position) {
    MENUITEMINFOW info = {};
    info.cbSize = sizeof(info);
    info.fMask = MIIM_ID | MIIM_FTYPE | MIIM_DATA | MIIM_SUBMENU;
    EXPECT_TRUE(GetMenuItemInfoW(menu, position, TRUE, &info)) << position;
    return {info.wID, info.fType, info.dwItemData, info.hSubMenu != nullptr};
}

TEST(MenuDriverBuild, CommandsFillColumnsWhileSeparatorsAndSubMenusDoNotCount) {
    CPhraseNodeList items;
    AddCommand(items, 1, L"one");
    AddCommand(items, 0, L"");
    AddCommand(items, 2, L"two", CPhraseNode::kFlagDefault);
    CPhraseNodeList* sub = NewSubMenu(items, L"sub", false);
    AddCommand(*sub, 10, L"ten");
    AddCommand(items, 3, L"three");
    AddCommand(items, 4, L"four", CPhraseNode::kFlagDisabled);
    AddCommand(items, 5, L"five");
    AddCommand(items, 6, L"six");
    NewSubMenu(items, L"empty", true);
    AddCommand(items, -3, L"reserved", CPhraseNode::kFlagDisabled);

    CMenuHandle menu(CreatePopupMenu());
    BuildMenu(menu.get(), items, 3);

    const struct {
        UINT id;
        bool newColumn;
        ULONG_PTR data;
        bool subMenu;
    } kExpected[] = {
        {0xF001, false, 0, false}, {0, false, 0, false},      {0xF002, false, 0, false},
        {0, false, 0, true},       {0xF003, false, 0, false}, {0xF004, true, 1, false},
        {0xF005, false, 0, false}, {0xF006, false, 0, false}, {0xF000 - 3, true, 0, false},
    };
    ASSERT_EQ(static_cast<int>(sizeof(kExpected) / sizeof(kExpected[0])), GetMenuItemCount(menu.get()));
    for (int i = 0; i < GetMenuItemCount(menu.get()); ++i) {
        const CMenuItem item = ItemAt(menu.get(), i);
        EXPECT_EQ(kExpected[i].subMenu, item.subMenu) << i;
        if (!item.subMenu) {
            EXPECT_EQ(kExpected[i].id, item.id) << i;
        }
        EXPECT_EQ(kExpected[i].newColumn, (item.type & MFT_MENUBARBREAK) != 0) << i;
        EXPECT_EQ(kExpected[i].data, item.data) << i;
    }
    EXPECT_EQ(0xF002u, GetMenuDefaultItem(menu.get(), FALSE, 0));
    HMENU subMenu = GetSubMenu(menu.get(), 3);
    ASSERT_NE(nullptr, subMenu);
    EXPECT_EQ(0xF00Au, GetMenuItemID(subMenu, 0));
}

TEST(MenuDriverBuild, SevenCommandsMakeColumnsOfThreeThreeAndOne) {
    CPhraseNodeList items;
    for (LONG id = 1; id <= 7; ++id) AddCommand(items, id, L"command");
    const struct {
        int perColumn;
        int breaksAt[2];  // positions that start a column, -1 for none
    } kCases[] = {
        {3, {3, 6}},
        {-1, {-1, -1}},
    };
    for (const auto& c : kCases) {
        CMenuHandle menu(CreatePopupMenu());
        BuildMenu(menu.get(), items, c.perColumn);
        ASSERT_EQ(7, GetMenuItemCount(menu.get()));
        for (int i = 0; i < 7; ++i) {
            const bool expected = i == c.breaksAt[0] || i == c.breaksAt[1];
            EXPECT_EQ(expected, (ItemAt(menu.get(), i).type & MFT_MENUBARBREAK) != 0) << c.perColumn << " " << i;
        }
    }
}

TEST(MenuDriverBuild, ADefaultSubMenuIsTheDefaultItemByPosition) {
    CPhraseNodeList items;
    AddCommand(items, 1, L"one");
    CPhraseNodeList* sub = NewSubMenu(items, L"sub", true);
    AddCommand(*sub, 2, L"two");
    CMenuHandle menu(CreatePopupMenu());
    BuildMenu(menu.get(), items, -1);
    EXPECT_EQ(1u, GetMenuDefaultItem(menu.get(), TRUE, GMDI_USEDISABLED));
}

LRESULT CALLBACK ReplyWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COPYDATA) {
        auto* received = reinterpret_cast<std::string*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
        if (received && reinterpret_cast<HWND>(wParam) == window && data->dwData == 0x5A17)
            received->assign(static_cast<const char*>(data->lpData), data->cbData);
        return TRUE;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST(MenuDriverReply, TheRecordCarriesTheItemAndACutClassName) {
    const std::wstring longClass = L"VxlReplyTestClass_" + std::wstring(52, L'x');  // 70 characters
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = ReplyWindowProc;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = longClass.c_str();
    ASSERT_TRUE(RegisterClassW(&windowClass));
    CWindowHandle target(
        CreateWindowExW(0, longClass.c_str(), L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr));
    ASSERT_TRUE(target);

    CPhraseNode item;
    item.m_cmdId = 42;
    item.m_flags = 0x9;
    const WP_CMD_RESULT reply = MakeCommandReply(item, target.get());
    EXPECT_EQ(42, reply.cmdId);
    EXPECT_EQ(longClass.substr(0, kReplyClassNameChars), std::wstring(reply.className));
    EXPECT_EQ(ValueOf(target.get()), reply.window);
    EXPECT_EQ(0x9u, reply.flags);

    const WP_CMD_RESULT cancel = MakeCancelReply();
    EXPECT_EQ(-1, cancel.cmdId);
    EXPECT_EQ(L'\0', cancel.className[0]);
    EXPECT_EQ(0u, cancel.window);
    EXPECT_EQ(0u, cancel.flags);

    // The main window gets the 142 bytes as they are, tagged and with its own handle.
    std::string received;
    CWindowHandle mainWindow(
        CreateWindowExW(0, longClass.c_str(), L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr, nullptr, nullptr));
    SetWindowLongPtrW(mainWindow.get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(&received));
    ASSERT_TRUE(SendCommandReply(mainWindow.get(), 0x5A17, reply));
    ASSERT_EQ(142u, received.size());
    EXPECT_EQ(0, memcmp(received.data(), &reply, sizeof(reply)));

    HWND gone = mainWindow.get();
    mainWindow.reset();
    EXPECT_FALSE(SendCommandReply(gone, 0x5A17, reply));
}

TEST(MenuDriverProgram, ChromeIsKnownByItsFileNameInAnyCase) {
    const struct {
        const wchar_t* path;
        bool chrome;
    } kCases[] = {
        {L"C:\\Program Files\\Google\\Chrome\\Application\\chrome.exe", true},
        {L"C:\\x\\CHROME.EXE", true},
        {L"chrome.exe", true},
        {L"C:\\chrome.exe\\notepad.exe", false},
        {L"C:\\x\\chrome.exe.bak", false},
        {L"C:\\x\\mychrome.exe", false},
        {nullptr, false},
    };
    for (const auto& c : kCases) EXPECT_EQ(c.chrome, IsChromeProgram(c.path)) << (c.path ? c.path : L"null");
}

}  // namespace
