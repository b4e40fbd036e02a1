// Typing, pasting and layout switching as the event sequences they hand to the input
// queue, read from a recording sender; pauses and system answers come from a fake.
#include <windows.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/KeyboardInput.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "testkit/LogFile.h"
#include "testkit/fakes/FakeInputLanguage.h"
#include "testkit/fakes/FakeInputSender.h"
#include "testkit/fakes/FakeKeyboardSystem.h"

namespace {

using Mark = CFakeKeyboardSystem::Mark;

struct Event {
    WORD key;
    WORD scan;
    DWORD flags;
    DWORD time;
};

std::string Describe(const Event& e) {
    char text[96];
    snprintf(text, sizeof text, "{vk 0x%02X, scan 0x%04X, flags 0x%X, time %lu}", e.key, e.scan,
             static_cast<unsigned>(e.flags), static_cast<unsigned long>(e.time));
    return text;
}

std::string Describe(const INPUT& input) {
    if (input.type != INPUT_KEYBOARD) return "<not a keyboard event>";
    std::string text = Describe(Event{input.ki.wVk, input.ki.wScan, input.ki.dwFlags, input.ki.time});
    if (input.ki.dwExtraInfo != 0) text += " with extra info";
    return text;
}

// Equal when every field matches and the record is a keyboard event without extra info.
::testing::AssertionResult SameEvents(const std::vector<Event>& expected, const std::vector<INPUT>& actual) {
    if (expected.size() != actual.size())
        return ::testing::AssertionFailure() << "expected " << expected.size() << " events, got " << actual.size();
    for (size_t i = 0; i < expected.size(); ++i) {
        const INPUT& a = actual[i];
        const Event& e = expected[i];
        if (a.type != INPUT_KEYBOARD || a.ki.wVk != e.key || a.ki.wScan != e.scan || a.ki.dwFlags != e.flags ||
            a.ki.time != e.time || a.ki.dwExtraInfo != 0)
            return ::testing::AssertionFailure()
                   << "event " << i << ": expected " << Describe(e) << ", got " << Describe(a);
    }
    return ::testing::AssertionSuccess();
}

// The test texts of the hot key are ASCII.
std::string Narrow(const wchar_t* text) {
    std::string narrow;
    for (; *text; ++text) narrow += static_cast<char>(*text);
    return narrow;
}

WORD ScanOf(WORD key) {
    return static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
}

std::vector<Event> Unit(wchar_t unit) {
    return {{0, unit, KEYEVENTF_UNICODE, 0}, {0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP, 0}};
}
std::vector<Event> Typed(WORD key) {
    return {{key, ScanOf(key), 0, 400}, {key, ScanOf(key), KEYEVENTF_KEYUP, 400}};
}
std::vector<Event> Tab() {
    return Typed(VK_TAB);
}
std::vector<Event> Enter() {
    return Typed(VK_RETURN);
}
std::vector<Event> Lefts(int count) {
    std::vector<Event> events{{VK_SHIFT, 0, KEYEVENTF_KEYUP, 0}};
    for (int i = 0; i < count; ++i) {
        events.push_back({VK_LEFT, 0, 0, 0});
        events.push_back({VK_LEFT, 0, KEYEVENTF_KEYUP, 0});
    }
    return events;
}
std::vector<Event> Join(std::initializer_list<std::vector<Event>> parts) {
    std::vector<Event> all;
    for (const auto& part : parts) all.insert(all.end(), part.begin(), part.end());
    return all;
}

const std::vector<Event> kCtrlRelease{{VK_CONTROL, 0, KEYEVENTF_KEYUP, 0}};

HKL Hkl(ULONG_PTR value) {
    return reinterpret_cast<HKL>(value);
}

TEST(KeyboardInput, TheTypedKeysHaveRealScanCodes) {
    // Guards the tables below: with a zero scan code they would not tell a mapped key
    // from an unmapped one.
    EXPECT_NE(0, ScanOf(VK_TAB));
    EXPECT_NE(0, ScanOf(VK_RETURN));
    EXPECT_NE(0, ScanOf(VK_SHIFT));
    EXPECT_NE(0, ScanOf(VK_OEM_3));
}

TEST(KeyboardInput, TypeTextReleasesCtrlThenSendsTheWholeTextInOneSend) {
    const struct Case {
        const wchar_t* name;
        CString text;
        int left;
        std::vector<Event> expected;
    } cases[] = {
        {L"letters around a tab", L"a\tb", 0, Join({Unit(L'a'), Tab(), Unit(L'b')})},
        {L"CR", L"\r", 0, Enter()},
        {L"bare LF", L"\n", 0, Enter()},
        {L"CR LF", L"\r\n", 0, Enter()},
        {L"LF CR LF", L"\n\r\n", 0, Join({Enter(), Enter()})},
        {L"CR CR LF LF", L"\r\r\n\n", 0, Join({Enter(), Enter(), Enter()})},
        {L"only line ends and tabs", L"\t\r\n\t\n\n\t", 0, Join({Tab(), Enter(), Tab(), Enter(), Enter(), Tab()})},
        {L"Unix lines", L"x\ny\n", 0, Join({Unit(L'x'), Enter(), Unit(L'y'), Enter()})},
        {L"emoji", L"\U0001F600", 0, Join({Unit(0xD83D), Unit(0xDE00)})},
        {L"emoji after LF", L"\n\U0001F600!", 0, Join({Enter(), Unit(0xD83D), Unit(0xDE00), Unit(L'!')})},
        {L"non-ASCII", L"\u00E9\u4E2D", 0, Join({Unit(0x00E9), Unit(0x4E2D)})},
        {L"three Left", L"ab", 3, Join({Unit(L'a'), Unit(L'b'), Lefts(3)})},
        {L"one Left after a line end", L"\r\n", 1, Join({Enter(), Lefts(1)})},
        {L"negative Left count", L"a", -2, Unit(L'a')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.name);
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        CKeyboardInput input(sender, system);
        EXPECT_EQ(1, input.TypeText(c.text, c.left));
        ASSERT_EQ(2u, sender.sent.size());
        EXPECT_TRUE(SameEvents(kCtrlRelease, sender.sent[0]));
        EXPECT_TRUE(SameEvents(c.expected, sender.sent[1]));
        EXPECT_TRUE(system.pauses.empty());
    }
}

TEST(KeyboardInput, AnEmptyTextSendsNothing) {
    for (int left : {0, 3}) {
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        CKeyboardInput input(sender, system);
        EXPECT_EQ(0, input.TypeText(L"", left));
        EXPECT_TRUE(sender.sent.empty()) << "Left count " << left;
    }
}

TEST(KeyboardInput, AMegabyteTextGoesInOneSend) {
    const int repeats = 1 << 18;
    const CString pattern = L"ab\r\n";
    std::wstring text;
    text.reserve(pattern.GetLength() * repeats);
    for (int i = 0; i < repeats; ++i) text += pattern.GetString();
    ASSERT_EQ(1u << 20, text.size());

    CFakeInputSender sender;
    CFakeKeyboardSystem system(sender);
    CKeyboardInput input(sender, system);
    EXPECT_EQ(1, input.TypeText(CString(text.c_str()), 5));
    ASSERT_EQ(2u, sender.sent.size());
    // Each "ab\r\n" is two letters and one Enter: six events.
    const size_t textEvents = static_cast<size_t>(repeats) * 6;
    ASSERT_EQ(textEvents + 1 + 5 * 2, sender.sent[1].size());
    const std::vector<INPUT> lastLine(sender.sent[1].begin() + (textEvents - 6), sender.sent[1].end());
    EXPECT_TRUE(SameEvents(Join({Unit(L'a'), Unit(L'b'), Enter(), Lefts(5)}), lastLine));
}

TEST(KeyboardInput, SendCtrlVReleasesOnlyTheHeldModifiersThenPressesCtrlV) {
    const int modifiers[] = {VK_SHIFT, VK_CONTROL, VK_MENU};
    const std::vector<Event> ctrlV{
        {VK_CONTROL, 0, 0, 0}, {'V', 0, 0, 0}, {'V', 0, KEYEVENTF_KEYUP, 0}, {VK_CONTROL, 0, KEYEVENTF_KEYUP, 0}};
    for (int held = 0; held < 8; ++held) {
        SCOPED_TRACE(testing::Message() << "held Shift " << (held & 1) << ", Ctrl " << ((held >> 1) & 1) << ", Alt "
                                        << ((held >> 2) & 1));
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        std::vector<Event> expected;
        for (int i = 0; i < 3; ++i) {
            if (held & (1 << i)) {
                system.heldKeys.insert(modifiers[i]);
                expected.push_back({static_cast<WORD>(modifiers[i]), 0, KEYEVENTF_KEYUP, 0});
            }
        }
        expected.insert(expected.end(), ctrlV.begin(), ctrlV.end());
        // A key held that is not a modifier stays down.
        system.heldKeys.insert('A');

        CKeyboardInput(sender, system).SendCtrlV();
        std::vector<INPUT> all;
        for (const auto& send : sender.sent) {
            EXPECT_EQ(1u, send.size()) << "each event goes alone, as keybd_event sends it";
            all.insert(all.end(), send.begin(), send.end());
        }
        EXPECT_TRUE(SameEvents(expected, all));
        EXPECT_TRUE(system.pauses.empty());
    }
}

TEST(KeyboardInput, PasteByCtrlVPausesAfterCtrlVAndEveryFewLeftPresses) {
    // The presses after which Sleep(1) falls: first, first + step, ... (count of them).
    const struct Case {
        int left;
        int first;
        int step;
        int count;
    } cases[] = {
        {0, 0, 0, 0},  {1, 0, 0, 0},    {3, 2, 1, 2},     {4, 3, 2, 1},     {10, 3, 2, 4},
        {11, 5, 4, 2}, {100, 5, 4, 24}, {101, 2, 1, 100}, {250, 3, 2, 124}, {399, 4, 3, 132},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.left << " Left presses");
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        CKeyboardInput(sender, system).PasteByCtrlV(c.left);

        const size_t ctrlVSends = 4;
        ASSERT_EQ(ctrlVSends + 2 * static_cast<size_t>(c.left), sender.sent.size());
        for (size_t i = ctrlVSends; i < sender.sent.size(); ++i) {
            const bool release = (i - ctrlVSends) % 2 == 1;
            ASSERT_TRUE(
                SameEvents({{VK_LEFT, 0, release ? static_cast<DWORD>(KEYEVENTF_KEYUP) : 0u, 0}}, sender.sent[i]))
                << "send " << i;
        }
        std::vector<Mark> expected{{ctrlVSends, 100}};
        for (int i = 0; i < c.count; ++i) {
            const size_t press = static_cast<size_t>(c.first + i * c.step);
            expected.push_back({ctrlVSends + 2 * press, 1});
        }
        ASSERT_EQ(expected.size(), system.pauses.size());
        for (size_t i = 0; i < expected.size(); ++i) {
            EXPECT_EQ(expected[i].value, system.pauses[i].value) << "pause " << i;
            EXPECT_EQ(expected[i].sendsBefore, system.pauses[i].sendsBefore) << "pause " << i;
        }
    }
}

TEST(KeyboardInput, TheLayoutSwitchMethodFollowsTheToggleHotkeyValue) {
    const struct Case {
        HotkeyRead read;
        const wchar_t* text;
        LayoutSwitchMethod expected;
    } cases[] = {
        {HotkeyRead::kMissing, L"", kLayoutSwitchAltShift},    {HotkeyRead::kUnreadable, L"", kLayoutSwitchUnknown},
        {HotkeyRead::kUnreadable, L"2", kLayoutSwitchUnknown}, {HotkeyRead::kPresent, L"1", kLayoutSwitchAltShift},
        {HotkeyRead::kPresent, L"2", kLayoutSwitchCtrlShift},  {HotkeyRead::kPresent, L"3", kLayoutSwitchAltShiftToo},
        {HotkeyRead::kPresent, L"4", kLayoutSwitchGrave},      {HotkeyRead::kPresent, L"5", kLayoutSwitchUnknown},
        {HotkeyRead::kPresent, L"0", kLayoutSwitchUnknown},    {HotkeyRead::kPresent, L"", kLayoutSwitchUnknown},
        {HotkeyRead::kPresent, L"21", kLayoutSwitchCtrlShift}, {HotkeyRead::kPresent, L" 2", kLayoutSwitchUnknown},
    };
    for (const Case& c : cases) {
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        system.hotkeyRead = c.read;
        system.hotkeyText = c.text;
        EXPECT_EQ(c.expected, CKeyboardInput(sender, system).GetLayoutSwitchMethod())
            << "read " << static_cast<int>(c.read) << ", text \"" << Narrow(c.text) << "\"";
    }
}

// The system's reading of the value, on this prefix's registry; the key is put back
// as it was.
class ToggleKeyScope {
public:
    ToggleKeyScope() {
        HKEY key = nullptr;
        m_existed = RegOpenKeyExW(HKEY_CURRENT_USER, kPath, 0, KEY_READ, &key) == ERROR_SUCCESS;
        if (m_existed) {
            DWORD size = sizeof m_saved;
            m_hadValue = RegQueryValueExW(key, L"Hotkey", nullptr, &m_savedType, m_saved, &size) == ERROR_SUCCESS;
            m_savedSize = size;
            RegCloseKey(key);
        }
    }
    ~ToggleKeyScope() {
        if (!m_existed) {
            RegDeleteKeyW(HKEY_CURRENT_USER, kPath);
            return;
        }
        HKEY key = nullptr;
        if (RegCreateKeyExW(HKEY_CURRENT_USER, kPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
            ERROR_SUCCESS)
            return;
        if (m_hadValue)
            RegSetValueExW(key, L"Hotkey", 0, m_savedType, m_saved, m_savedSize);
        else
            RegDeleteValueW(key, L"Hotkey");
        RegCloseKey(key);
    }
    ToggleKeyScope(const ToggleKeyScope&) = delete;
    ToggleKeyScope& operator=(const ToggleKeyScope&) = delete;

    static constexpr const wchar_t* kPath = L"Keyboard Layout\\Toggle";

private:
    bool m_existed = false;
    bool m_hadValue = false;
    DWORD m_savedType = 0;
    DWORD m_savedSize = 0;
    BYTE m_saved[64] = {};
};

TEST(KeyboardInput, TheSystemReadsTheToggleHotkeyFromTheUsersRegistry) {
    ToggleKeyScope scope;
    CString text;
    RegDeleteKeyW(HKEY_CURRENT_USER, ToggleKeyScope::kPath);
    EXPECT_EQ(HotkeyRead::kUnreadable, SystemKeyboardSystem().ReadLayoutToggleHotkey(text)) << "no key";

    HKEY raw = nullptr;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(HKEY_CURRENT_USER, ToggleKeyScope::kPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &raw, nullptr));
    CUniqueHandle<handle_traits::RegKey> key(raw);
    EXPECT_EQ(HotkeyRead::kMissing, SystemKeyboardSystem().ReadLayoutToggleHotkey(text)) << "no value";

    const wchar_t two[] = L"2";
    ASSERT_EQ(ERROR_SUCCESS,
              RegSetValueExW(key.get(), L"Hotkey", 0, REG_SZ, reinterpret_cast<const BYTE*>(two), sizeof two));
    EXPECT_EQ(HotkeyRead::kPresent, SystemKeyboardSystem().ReadLayoutToggleHotkey(text));
    EXPECT_EQ(CString(L"2"), text);

    const DWORD number = 2;
    ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.get(), L"Hotkey", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number),
                                            sizeof number));
    EXPECT_EQ(HotkeyRead::kUnreadable, SystemKeyboardSystem().ReadLayoutToggleHotkey(text)) << "not text";
}

TEST(KeyboardInput, EachMethodTogglesWithItsOwnKeys) {
    const struct Case {
        LayoutSwitchMethod method;
        WORD modifier;
        WORD key;
    } cases[] = {
        {kLayoutSwitchUnknown, VK_LMENU, VK_SHIFT},
        {kLayoutSwitchAltShift, VK_LMENU, VK_SHIFT},
        {kLayoutSwitchCtrlShift, VK_LCONTROL, VK_SHIFT},
        {kLayoutSwitchAltShiftToo, VK_LMENU, VK_SHIFT},
        {kLayoutSwitchGrave, 0, VK_OEM_3},
    };
    for (const Case& c : cases) {
        const std::vector<Event> expected{{c.modifier, 0, 0, 0},
                                          {c.key, ScanOf(c.key), 0, 0},
                                          {c.key, ScanOf(c.key), KEYEVENTF_KEYUP, 0},
                                          {c.modifier, 0, KEYEVENTF_KEYUP, 0}};
        EXPECT_TRUE(SameEvents(expected, keyboard_input::BuildLayoutSwitchEvents(c.method))) << "method " << c.method;
    }
}

HWND const kTargetWindow = reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x1234));
const DWORD kTargetThread = 77;

TEST(KeyboardInput, WithFewerThanThreeLayoutsTheToggleIsSentOnceUncompared) {
    const struct Case {
        std::initializer_list<UINT_PTR> layouts;
        bool otherProcess;
    } cases[] = {
        {{0x04090409, 0x04190419}, false},
        {{0x04090409, 0x04190419}, true},
        {{0x04090409}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.layouts.size() << " layouts, other process " << c.otherProcess);
        CFakeInputLanguageInfo languages(c.layouts);
        CInputLanguageScope languageScope(languages);
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        system.otherProcess = c.otherProcess;
        system.hotkeyRead = HotkeyRead::kPresent;
        system.hotkeyText = L"2";
        CKeyboardInput(sender, system).SwitchKeyboardLayout(Hkl(0x04190419), kTargetThread, kTargetWindow);
        ASSERT_EQ(1u, sender.sent.size());
        EXPECT_TRUE(SameEvents({{VK_LCONTROL, 0, 0, 0},
                                {VK_SHIFT, ScanOf(VK_SHIFT), 0, 0},
                                {VK_SHIFT, ScanOf(VK_SHIFT), KEYEVENTF_KEYUP, 0},
                                {VK_LCONTROL, 0, KEYEVENTF_KEYUP, 0}},
                               sender.sent[0]));
        EXPECT_TRUE(system.layoutQueries.empty());
        EXPECT_TRUE(system.pauses.empty());
        EXPECT_TRUE(system.nullMessages.empty());
    }
}

TEST(KeyboardInput, WithThreeOrMoreLayoutsTheToggleRepeatsUntilTheWantedLayoutIsReached) {
    const struct Case {
        const char* name;
        int layoutCount;
        bool otherProcess;
        std::vector<ULONG_PTR> layoutAfterToggle;
        ULONG_PTR wanted;
        size_t expectedToggles;
    } cases[] = {
        {"reached on the second toggle", 3, false, {0x04070407, 0x04190419, 0x04090409}, 0x04190419, 2},
        {"reached on the first toggle", 5, false, {0x04190419}, 0x04190419, 1},
        {"never reached: one try per layout", 3, false, {0x04070407, 0x04090409}, 0x04190419, 3},
        {"never reached with four layouts", 4, false, {0x04070407}, 0x04190419, 4},
        {"the language id is enough", 4, false, {0x04070407, 0xF0020419}, 0x04190419, 2},
        {"only the high word alike is not", 3, false, {0x04190409, 0x04090409}, 0x04190419, 3},
        {"a wanted layout with its own device id", 3, false, {0x04070407, 0x04190419}, 0xF0020419, 2},
        {"another process's window", 3, true, {0x04070407, 0x04190419}, 0x04190419, 2},
        {"another process's window, never reached", 4, true, {0x04070407}, 0x04190419, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeInputLanguageInfo languages;
        languages.layouts.clear();
        for (int i = 0; i < c.layoutCount; ++i) languages.layouts.push_back(Hkl(0x04000400 + i));
        CInputLanguageScope languageScope(languages);
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        system.otherProcess = c.otherProcess;
        system.initialLayout = Hkl(0x04090409);
        for (ULONG_PTR layout : c.layoutAfterToggle) system.layoutAfterToggle.push_back(Hkl(layout));

        CKeyboardInput(sender, system).SwitchKeyboardLayout(Hkl(c.wanted), kTargetThread, kTargetWindow);

        ASSERT_EQ(c.expectedToggles, sender.sent.size());
        for (const auto& send : sender.sent)
            EXPECT_TRUE(SameEvents({{VK_LMENU, 0, 0, 0},
                                    {VK_SHIFT, ScanOf(VK_SHIFT), 0, 0},
                                    {VK_SHIFT, ScanOf(VK_SHIFT), KEYEVENTF_KEYUP, 0},
                                    {VK_LMENU, 0, KEYEVENTF_KEYUP, 0}},
                                   send));
        EXPECT_EQ(std::vector<DWORD>(c.expectedToggles, kTargetThread), system.layoutQueries)
            << "one look at the target thread after each toggle";
        std::vector<Mark> expectedPauses;
        std::vector<Mark> expectedNulls;
        for (size_t i = 1; c.otherProcess && i <= c.expectedToggles; ++i) {
            expectedPauses.push_back({i, 200});
            expectedNulls.push_back({i, 0});
        }
        EXPECT_EQ(expectedPauses, system.pauses);
        EXPECT_EQ(expectedNulls, system.nullMessages);
        EXPECT_EQ(std::vector<HWND>(expectedNulls.size(), kTargetWindow), system.nullTargets);
    }
}

TEST(KeyboardInput, AnUnusualToggleIsLoggedBeforeSwitching) {
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    CString path;
    path.Format(L"%svxl_keyboard_input_%lu.log", temp, GetCurrentProcessId());
    DeleteFileW(path);
    ASSERT_EQ(1, LogInit(path));
    const std::wstring warning = L"Warning: keyboard layout switch [VK_TILDA_YOU detected]";
    const std::wstring error = L"ERROR: Cannot detect keyboard layout switch method, Use: Alt+SHIFT";
    const struct Case {
        HotkeyRead read;
        const wchar_t* text;
        size_t warnings;
        size_t errors;
    } cases[] = {
        {HotkeyRead::kPresent, L"1", 0, 0}, {HotkeyRead::kPresent, L"2", 0, 0}, {HotkeyRead::kPresent, L"3", 0, 1},
        {HotkeyRead::kPresent, L"4", 1, 0}, {HotkeyRead::kPresent, L"9", 0, 1}, {HotkeyRead::kUnreadable, L"", 0, 1},
        {HotkeyRead::kMissing, L"", 0, 0},
    };
    CFakeInputLanguageInfo languages({0x04090409, 0x04190419});
    CInputLanguageScope languageScope(languages);
    size_t warnings = 0;
    size_t errors = 0;
    for (const Case& c : cases) {
        CFakeInputSender sender;
        CFakeKeyboardSystem system(sender);
        system.hotkeyRead = c.read;
        system.hotkeyText = c.text;
        CKeyboardInput(sender, system).SwitchKeyboardLayout(Hkl(0x04190419), kTargetThread, kTargetWindow);
        warnings += c.warnings;
        errors += c.errors;
        ASSERT_TRUE(LogWaitPending(20000));
        const LogFileContent log = ReadLogFile(path.GetString());
        size_t seenWarnings = 0;
        size_t seenErrors = 0;
        for (const std::wstring& entry : log.entries) {
            const auto endsWith = [&entry](const std::wstring& text) {
                return entry.size() >= text.size() && entry.compare(entry.size() - text.size(), text.size(), text) == 0;
            };
            seenWarnings += endsWith(warning) ? 1 : 0;
            seenErrors += endsWith(error) ? 1 : 0;
        }
        EXPECT_EQ(warnings, seenWarnings) << "after text \"" << Narrow(c.text) << "\"";
        EXPECT_EQ(errors, seenErrors) << "after text \"" << Narrow(c.text) << "\", read " << static_cast<int>(c.read);
    }
    LogShutdown();
    DeleteFileW(path);
}

}  // namespace

namespace {

// The events through the real input queue into a multiline Edit control of this thread:
// a bare LF must arrive as a line break, and the Left press must move the caret.
TEST(KeyboardInput, TypedTextArrivesInAnEditControlOfThisProcess) {
    CUniqueHandle<handle_traits::Window> edit(CreateWindowExW(
        0, L"EDIT", L"", WS_OVERLAPPEDWINDOW | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN, 10, 10, 300,
        200, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr));
    ASSERT_TRUE(edit);
    SetForegroundWindow(edit.get());
    SetFocus(edit.get());
    const auto pump = [] {
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    };
    pump();
    if (GetForegroundWindow() != edit.get() || GetFocus() != edit.get())
        GTEST_SKIP() << "the test window could not take the foreground and focus on this desktop";

    CKeyboardInput input(SystemInputSender());
    ASSERT_EQ(1, input.TypeText(L"ab\tc\r\nd\n\u00E9f", 1));
    ASSERT_EQ(1, input.TypeText(L"X", 0));
    const std::wstring expected = L"ab\tc\r\nd\r\n\u00E9Xf";
    std::wstring text;
    for (int waited = 0; waited < 5000 && text != expected; waited += 20) {
        pump();
        wchar_t buffer[64] = {};
        GetWindowTextW(edit.get(), buffer, 64);
        text = buffer;
        if (text != expected) Sleep(20);
    }
    EXPECT_EQ(expected, text);
}

}  // namespace
