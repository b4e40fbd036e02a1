// The float pane's shortcut table: which key finds which command, the shortcut texts in
// its menus, and the WM_COMMAND a key press sends.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AppSlots.h"
#include "core/TrayIds.h"
#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "tray/AccelTable.h"

namespace {

std::wstring W(const CString& text) {
    return text.GetString();
}

// The running system's name of a key, as the menus spell it.
std::wstring KeyName(UINT key) {
    wchar_t name[100] = {};
    GetKeyNameTextW(static_cast<LONG>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC)) << 16, name, 99);
    return name;
}

CVXLAccelTable DefaultTable() {
    CVXLAccelTable table;
    EXPECT_TRUE(table.LoadDefaults());
    return table;
}

TEST(AccelTable, KeysFindTheirCommandsFirstByExactFlagsThenWithVirtualKey) {
    const BYTE ctrl = FCONTROL, alt = FALT, shift = FSHIFT;
    struct Case {
        WORD key;
        BYTE modifiers;
        WORD command;
    } cases[] = {
        {'C', ctrl, ID_PANE_COPY},
        {VK_INSERT, ctrl, ID_PANE_COPY},
        {VK_F1, ctrl | alt, ID_APP_ABOUT},
        {VK_F1, ctrl, 0},
        {VK_F1, ctrl | alt | shift, 0},
        {VK_F4, 0, ID_PANE_EDIT},
        {VK_F4, shift, 0},
        // Two entries share Escape: the first one wins.
        {VK_ESCAPE, 0, ID_PANE_COLLAPSE},
        {'A', ctrl, ID_PANE_SELECT_ALL},
        {'A', ctrl | alt, ID_PANE_SHOW_ALL_ITEMS},
        {'A', ctrl | shift, 0},
        {'A', 0, 0},
        // Delete's entry has no flags at all: found by the exact search, and by no other.
        {VK_DELETE, 0, ID_PANE_DELETE},
        {VK_DELETE, shift, 0},
        {VK_DELETE, ctrl, 0},
        {'T', ctrl, ID_PANE_PIN},
        {'T', 0, 0},
        {'C', 0, 0},
        {VK_RETURN, 0, 0},
    };
    const CVXLAccelTable table = DefaultTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "key " << c.key << " modifiers " << int(c.modifiers));
        EXPECT_EQ(c.command, table.FindCommand(c.key, c.modifiers));
    }
    CVXLAccelTable empty;
    EXPECT_FALSE(empty.HasEntries());
    EXPECT_EQ(0, empty.FindCommand('C', FCONTROL));
}

TEST(AccelTable, ShortcutTextsNameModifiersInOrderThenTheKey) {
    const std::wstring ctrl = KeyName(VK_CONTROL) + L"+", alt = KeyName(VK_MENU) + L"+";
    ASSERT_FALSE(KeyName(VK_CONTROL).empty());
    struct Case {
        WORD command;
        std::wstring text;
    } cases[] = {
        // The first entry of a command gives its text: Ctrl+C, not Ctrl+Insert.
        {ID_PANE_COPY, ctrl + KeyName('C')},
        {ID_APP_ABOUT, ctrl + alt + KeyName(VK_F1)},
        {ID_PANE_EDIT, KeyName(VK_F4)},
        {ID_PANE_COLLAPSE, KeyName(VK_ESCAPE)},
        // Never found by a key press, yet shown with its key.
        {ID_PANE_MINIMIZE_TO_CAPTION, KeyName(VK_ESCAPE)},
        {ID_PANE_SELECT_ALL, ctrl + KeyName('A')},
        {ID_PANE_SHOW_ALL_ITEMS, ctrl + alt + KeyName('A')},
        {ID_PANE_DELETE, KeyName(VK_DELETE)},
        {ID_PANE_PIN, ctrl + KeyName('T')},
        {ID_APP_EXIT, L""},
        {0, L""},
    };
    const CVXLAccelTable table = DefaultTable();
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "command " << c.command);
        EXPECT_EQ(c.text, W(table.GetShortcutText(c.command)));
    }
    EXPECT_TRUE(CVXLAccelTable().GetShortcutText(ID_PANE_COPY).IsEmpty());
}

TEST(AccelTable, ShortcutReplacesWhatFollowsTheFirstTab) {
    const CVXLAccelTable table = DefaultTable();
    const std::wstring copy = W(table.GetShortcutText(ID_PANE_COPY));
    struct Case {
        WORD command;
        const wchar_t* text;
        bool changed;
        std::wstring expected;
    } cases[] = {
        {ID_PANE_COPY, L"Copy", true, L"Copy\t" + copy},
        {ID_PANE_COPY, L"Copy\tCtrl+Old", true, L"Copy\t" + copy},
        {ID_PANE_COPY, L"Copy\tOld\tOlder", true, L"Copy\t" + copy},
        // A TAB in front is part of the text, not the start of a shortcut.
        {ID_PANE_COPY, L"\tCopy", true, L"\tCopy\t" + copy},
        {ID_PANE_COPY, L"", true, L"\t" + copy},
        {ID_APP_EXIT, L"Exit\tOld", false, L"Exit\tOld"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "text " << testing::PrintToString(std::wstring(c.text)));
        CString text = c.text;
        EXPECT_EQ(c.changed, table.AppendShortcutToText(c.command, text));
        EXPECT_EQ(c.expected, W(text));
    }
}

TEST(AccelTable, DeleteIsShownWithoutTheKeypadWord) {
    const CVXLAccelTable table = DefaultTable();
    CString text = L"Delete";
    ASSERT_TRUE(table.AppendShortcutToText(ID_PANE_DELETE, text));
    const std::wstring shown = W(text).substr(7);
    EXPECT_EQ(L"Delete\t", W(text).substr(0, 7));
    EXPECT_FALSE(shown.empty());
    EXPECT_EQ(std::wstring::npos, shown.find(L"Num")) << shown;
    EXPECT_NE(L' ', shown.front()) << shown;
    EXPECT_NE(L' ', shown.back()) << shown;
}

std::wstring ItemText(HMENU menu, UINT item, UINT flag) {
    const int length = GetMenuStringW(menu, item, nullptr, 0, flag);
    std::wstring text(length > 0 ? length + 1 : 1, L'\0');
    GetMenuStringW(menu, item, &text[0], static_cast<int>(text.size()), flag);
    text.resize(length > 0 ? length : 0);
    return text;
}

TEST(AccelTable, MenuItemsOfCommandsGetTheirShortcuts) {
    const CVXLAccelTable table = DefaultTable();
    // Longer than the 400 characters a menu text is commonly read with.
    const std::wstring longAbout(450, L'a');
    CMenuHandle menu(CreatePopupMenu());
    HMENU submenu = CreatePopupMenu();
    AppendMenuW(submenu, MF_STRING, ID_PANE_EDIT, L"Edit");
    AppendMenuW(menu.get(), MF_STRING, ID_PANE_COPY, L"Copy\tOld");
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), L"More");
    AppendMenuW(menu.get(), MF_STRING, ID_APP_EXIT, L"Exit");
    AppendMenuW(menu.get(), MF_STRING, ID_PANE_DELETE, L"Delete");
    AppendMenuW(menu.get(), MF_STRING, ID_APP_ABOUT, longAbout.c_str());

    EXPECT_EQ(3, table.AppendShortcutsToMenu(menu.get()));
    EXPECT_EQ(L"Copy\t" + W(table.GetShortcutText(ID_PANE_COPY)), ItemText(menu.get(), 0, MF_BYPOSITION));
    EXPECT_EQ(L"More", ItemText(menu.get(), 2, MF_BYPOSITION));
    EXPECT_EQ(L"Edit", ItemText(submenu, ID_PANE_EDIT, MF_BYCOMMAND)) << "submenus are left alone";
    EXPECT_EQ(L"Exit", ItemText(menu.get(), 3, MF_BYPOSITION));
    EXPECT_EQ(L"Delete\t", ItemText(menu.get(), 4, MF_BYPOSITION).substr(0, 7));
    EXPECT_EQ(longAbout + L"\t" + W(table.GetShortcutText(ID_APP_ABOUT)), ItemText(menu.get(), 5, MF_BYPOSITION));
    EXPECT_EQ(MF_SEPARATOR, GetMenuState(menu.get(), 1, MF_BYPOSITION) & MF_SEPARATOR);

    // Again: the old shortcut is replaced, not doubled.
    EXPECT_EQ(3, table.AppendShortcutsToMenu(menu.get()));
    EXPECT_EQ(L"Copy\t" + W(table.GetShortcutText(ID_PANE_COPY)), ItemText(menu.get(), 0, MF_BYPOSITION));
}

TEST(AccelTable, OneItemByCommand) {
    const CVXLAccelTable table = DefaultTable();
    CMenuHandle menu(CreatePopupMenu());
    AppendMenuW(menu.get(), MF_STRING, ID_PANE_PIN, L"Pin Pane");
    AppendMenuW(menu.get(), MF_STRING, ID_APP_EXIT, L"Exit");
    EXPECT_TRUE(table.AppendShortcutToItem(menu.get(), ID_PANE_PIN));
    EXPECT_EQ(L"Pin Pane\t" + W(table.GetShortcutText(ID_PANE_PIN)), ItemText(menu.get(), ID_PANE_PIN, MF_BYCOMMAND));
    EXPECT_FALSE(table.AppendShortcutToItem(menu.get(), ID_APP_EXIT));
    EXPECT_EQ(L"Exit", ItemText(menu.get(), ID_APP_EXIT, MF_BYCOMMAND));
    EXPECT_FALSE(table.AppendShortcutToItem(menu.get(), ID_PANE_COPY)) << "no such item";
}

// Windows that record the WM_COMMAND they get and answer with their user data.
struct ReceivedCommand {
    HWND window;
    WPARAM wParam;
    LPARAM lParam;
};
std::vector<ReceivedCommand> g_received;

LRESULT CALLBACK RecordingProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND) {
        g_received.push_back({window, wParam, lParam});
        return GetWindowLongPtrW(window, GWLP_USERDATA);
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

class AccelTableKeys : public testing::Test {
protected:
    void SetUp() override {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = &RecordingProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VxlAccelTableTestWindow";
        RegisterClassW(&wc);
        for (CWindowHandle& window : m_windows) {
            window.reset(CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50, nullptr,
                                         nullptr, wc.hInstance, nullptr));
            ASSERT_TRUE(window);
        }
        m_oldMain = CAppObjects::GetMainWnd();
        GetKeyboardState(m_oldKeys);
        g_received.clear();
        m_table.LoadDefaults();
    }
    void TearDown() override {
        SetKeyboardState(m_oldKeys);
        CAppObjects::SetMainWnd(m_oldMain);
    }

    HWND Window(int index) const { return m_windows[index].get(); }
    static void Answer(HWND window, LRESULT answer) { SetWindowLongPtrW(window, GWLP_USERDATA, answer); }
    static void HoldKeys(const std::vector<int>& keys) {
        BYTE state[256] = {};
        for (int key : keys) state[key] = 0x80;
        SetKeyboardState(state);
    }
    static MSG KeyMessage(UINT message, WPARAM key) {
        MSG msg = {};
        msg.message = message;
        msg.wParam = key;
        return msg;
    }

    CVXLAccelTable m_table;
    CWindowHandle m_windows[3];
    HWND m_oldMain = nullptr;
    BYTE m_oldKeys[256] = {};
};

TEST_F(AccelTableKeys, CtrlInsertSendsCopyAsAnAcceleratorCommand) {
    Answer(Window(0), 1);
    HoldKeys({VK_CONTROL});
    ASSERT_NE(0, GetKeyState(VK_CONTROL) & 0x8000) << "the key state could not be set";
    EXPECT_TRUE(m_table.TranslateKeyDown(KeyMessage(WM_KEYDOWN, VK_INSERT), Window(0)));
    ASSERT_EQ(1u, g_received.size());
    EXPECT_EQ(Window(0), g_received[0].window);
    EXPECT_EQ(ID_PANE_COPY, LOWORD(g_received[0].wParam));
    EXPECT_EQ(1, HIWORD(g_received[0].wParam));
    EXPECT_EQ(0, g_received[0].lParam);
}

TEST_F(AccelTableKeys, KeysWithoutACommandOrOtherMessagesSendNothing) {
    Answer(Window(0), 1);
    struct Case {
        UINT message;
        WPARAM key;
        std::vector<int> held;
    } cases[] = {
        {WM_KEYDOWN, VK_DELETE, {VK_SHIFT}},
        {WM_KEYDOWN, 'C', {}},
        {WM_KEYDOWN, VK_F1, {VK_CONTROL, VK_SHIFT}},
        {WM_KEYUP, VK_F4, {}},
        {WM_CHAR, VK_ESCAPE, {}},
        {WM_SYSKEYDOWN, 'A', {VK_CONTROL, VK_MENU}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "message " << c.message << " key " << c.key);
        HoldKeys(c.held);
        EXPECT_FALSE(m_table.TranslateKeyDown(KeyMessage(c.message, c.key), Window(0)));
    }
    EXPECT_TRUE(g_received.empty());
    HoldKeys({});
    EXPECT_FALSE(CVXLAccelTable().TranslateKeyDown(KeyMessage(WM_KEYDOWN, VK_F4), Window(0)));
    EXPECT_TRUE(g_received.empty());
}

TEST_F(AccelTableKeys, UnansweredCommandGoesToTheFocusThenTheMainWindowEachOnce) {
    struct Case {
        int focus;  // index of the focus window
        int main;   // index of the main window
        LRESULT answers[3];
        bool handled;
        std::vector<int> asked;
    } cases[] = {
        {1, 2, {0, 0, 1}, true, {0, 1, 2}},
        {1, 2, {0, 1, 1}, true, {0, 1}},
        {1, 2, {0, 0, 0}, false, {0, 1, 2}},
        // The window with the focus is the given one: it is not asked twice.
        {0, 2, {0, 0, 0}, false, {0, 2}},
        {0, 0, {0, 0, 0}, false, {0}},
        {1, 1, {0, 0, 0}, false, {0, 1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "focus " << c.focus << " main " << c.main);
        for (int i = 0; i < 3; ++i) Answer(Window(i), c.answers[i]);
        SetFocus(Window(c.focus));
        ASSERT_EQ(Window(c.focus), GetFocus());
        CAppObjects::SetMainWnd(Window(c.main));
        g_received.clear();
        HoldKeys({});
        EXPECT_EQ(c.handled, m_table.TranslateKeyDown(KeyMessage(WM_KEYDOWN, VK_F4), Window(0)));
        std::vector<int> asked;
        for (const ReceivedCommand& r : g_received) {
            for (int i = 0; i < 3; ++i) {
                if (r.window == Window(i)) asked.push_back(i);
            }
            EXPECT_EQ(MAKEWPARAM(ID_PANE_EDIT, 1), r.wParam);
        }
        EXPECT_EQ(c.asked, asked);
    }
}

}  // namespace
