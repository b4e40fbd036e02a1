#include "core/KeyboardInput.h"

#include "core/base/Handles.h"
#include "core/base/InputLanguage.h"
#include "core/base/Logger.h"

namespace {

// The time stamp typed tabs and line ends have always carried; the other events leave
// it to the system (0).
const DWORD kTypedKeyTime = 400;

INPUT KeyEvent(WORD virtualKey, WORD scanCode, DWORD flags, DWORD time = 0) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = scanCode;
    input.ki.dwFlags = flags;
    input.ki.time = time;
    return input;
}

void AppendTypedKey(std::vector<INPUT>& events, WORD virtualKey) {
    const WORD scan = static_cast<WORD>(MapVirtualKeyW(virtualKey, MAPVK_VK_TO_VSC));
    events.push_back(KeyEvent(virtualKey, scan, 0, kTypedKeyTime));
    events.push_back(KeyEvent(virtualKey, scan, KEYEVENTF_KEYUP, kTypedKeyTime));
}

class CSystemKeyboardSystem final : public IKeyboardSystem {
public:
    void Sleep(DWORD milliseconds) override { ::Sleep(milliseconds); }
    bool IsKeyHeld(int virtualKey) override { return (GetAsyncKeyState(virtualKey) & 0x8000) != 0; }
    HKL GetThreadLayout(DWORD threadId) override { return GetKeyboardLayout(threadId); }
    bool IsWindowOfOtherProcess(HWND window) override {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        return process != GetCurrentProcessId();
    }
    void PostNullMessage(HWND window) override { PostMessageW(window, WM_NULL, 0, 0); }
    HotkeyRead ReadLayoutToggleHotkey(CString& text) override {
        text.Empty();
        HKEY opened = nullptr;
        if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Keyboard Layout\\Toggle", 0, KEY_QUERY_VALUE, &opened) !=
            ERROR_SUCCESS) {
            LogWrite(L"CKeyboardInput::GetLayoutSwitchMethod: cannot open Keyboard Layout\\Toggle");
            return HotkeyRead::kUnreadable;
        }
        CUniqueHandle<handle_traits::RegKey> key(opened);
        wchar_t buffer[16] = {};
        DWORD size = sizeof buffer - sizeof(wchar_t);
        DWORD type = 0;
        const LONG result =
            RegQueryValueExW(key.get(), L"Hotkey", nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
        if (result == ERROR_FILE_NOT_FOUND) return HotkeyRead::kMissing;
        if (result != ERROR_SUCCESS || type != REG_SZ) {
            LogWrite(L"CKeyboardInput::GetLayoutSwitchMethod: cannot read Hotkey");
            return HotkeyRead::kUnreadable;
        }
        text = buffer;
        return HotkeyRead::kPresent;
    }
};

}  // namespace

IKeyboardSystem& SystemKeyboardSystem() {
    static CSystemKeyboardSystem system;
    return system;
}

namespace keyboard_input {

std::vector<INPUT> BuildTypingEvents(const CString& text, int leftCount) {
    const int length = text.GetLength();
    std::vector<INPUT> events;
    events.reserve(static_cast<size_t>(length) * 2 + (leftCount > 0 ? 1 + static_cast<size_t>(leftCount) * 2 : 0));
    for (int i = 0; i < length; ++i) {
        const wchar_t unit = text.GetAt(i);
        if (unit == L'\t' || unit == L'\r') {
            AppendTypedKey(events, unit == L'\t' ? VK_TAB : VK_RETURN);
        } else if (unit == L'\n') {
            // A bare LF is a line end of its own; after a CR it belongs to the CR's Enter.
            if (i == 0 || text.GetAt(i - 1) != L'\r') AppendTypedKey(events, VK_RETURN);
        } else {
            events.push_back(KeyEvent(0, unit, KEYEVENTF_UNICODE));
            events.push_back(KeyEvent(0, unit, KEYEVENTF_UNICODE | KEYEVENTF_KEYUP));
        }
    }
    if (leftCount > 0) {
        // A Shift still down would turn the Left presses into a selection.
        events.push_back(KeyEvent(VK_SHIFT, 0, KEYEVENTF_KEYUP));
        for (int i = 0; i < leftCount; ++i) {
            events.push_back(KeyEvent(VK_LEFT, 0, 0));
            events.push_back(KeyEvent(VK_LEFT, 0, KEYEVENTF_KEYUP));
        }
    }
    return events;
}

LayoutSwitchMethod LayoutSwitchMethodFromHotkey(HotkeyRead read, const CString& text) {
    if (read == HotkeyRead::kMissing) return kLayoutSwitchAltShift;
    if (read != HotkeyRead::kPresent || text.IsEmpty()) return kLayoutSwitchUnknown;
    switch (text.GetAt(0)) {
        case L'1':
            return kLayoutSwitchAltShift;
        case L'2':
            return kLayoutSwitchCtrlShift;
        case L'3':
            return kLayoutSwitchAltShiftToo;
        case L'4':
            return kLayoutSwitchGrave;
        default:
            return kLayoutSwitchUnknown;
    }
}

std::vector<INPUT> BuildLayoutSwitchEvents(LayoutSwitchMethod method) {
    WORD modifier = VK_LMENU;
    WORD key = VK_SHIFT;
    if (method == kLayoutSwitchCtrlShift) {
        modifier = VK_LCONTROL;
    } else if (method == kLayoutSwitchGrave) {
        // The grave-accent toggle is a key alone: the modifier events carry no key.
        modifier = 0;
        key = VK_OEM_3;
    }
    const WORD scan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    return {KeyEvent(modifier, 0, 0), KeyEvent(key, scan, 0), KeyEvent(key, scan, KEYEVENTF_KEYUP),
            KeyEvent(modifier, 0, KEYEVENTF_KEYUP)};
}

int LeftPressesPerPause(int leftCount) {
    if (leftCount <= 3) return 1;
    if (leftCount <= 10) return 2;
    if (leftCount <= 100) return 4;
    return leftCount / 100;
}

}  // namespace keyboard_input

CKeyboardInput::CKeyboardInput(IInputSender& sender, IKeyboardSystem& system) : m_sender(sender), m_system(system) {}

void CKeyboardInput::SendKey(WORD virtualKey, DWORD flags) {
    m_sender.Send({KeyEvent(virtualKey, 0, flags)});
}

int CKeyboardInput::TypeText(const CString& text, int leftCount) {
    if (text.IsEmpty()) return 0;
    // A Ctrl still down from the hot key would turn typed letters into commands.
    SendKey(VK_CONTROL, KEYEVENTF_KEYUP);
    // One Send, so that no other input lands inside the text.
    m_sender.Send(keyboard_input::BuildTypingEvents(text, leftCount));
    return 1;
}

void CKeyboardInput::SendCtrlV() {
    for (WORD modifier : {VK_SHIFT, VK_CONTROL, VK_MENU}) {
        if (m_system.IsKeyHeld(modifier)) SendKey(modifier, KEYEVENTF_KEYUP);
    }
    SendKey(VK_CONTROL, 0);
    SendKey('V', 0);
    SendKey('V', KEYEVENTF_KEYUP);
    SendKey(VK_CONTROL, KEYEVENTF_KEYUP);
}

void CKeyboardInput::PasteByCtrlV(int leftCount) {
    SendCtrlV();
    // The target reads the clipboard on Ctrl+V; the caret must not move before it has.
    m_system.Sleep(100);
    // Targets that redraw on every key lose Left presses that come too fast.
    const int perPause = keyboard_input::LeftPressesPerPause(leftCount);
    int counter = 0;
    for (int i = 0; i < leftCount; ++i) {
        SendKey(VK_LEFT, 0);
        SendKey(VK_LEFT, KEYEVENTF_KEYUP);
        if (counter == perPause) {
            m_system.Sleep(1);
            counter = 0;
        }
        ++counter;
    }
}

LayoutSwitchMethod CKeyboardInput::GetLayoutSwitchMethod() {
    CString text;
    const HotkeyRead read = m_system.ReadLayoutToggleHotkey(text);
    return keyboard_input::LayoutSwitchMethodFromHotkey(read, text);
}

void CKeyboardInput::SwitchKeyboardLayout(HKL wanted, DWORD targetThreadId, HWND targetWindow) {
    const int layoutCount = GetInputLanguageInfo().CountKeyboardLayouts();
    const LayoutSwitchMethod method = GetLayoutSwitchMethod();
    if (method == kLayoutSwitchGrave) LogWrite(L"Warning: keyboard layout switch [VK_TILDA_YOU detected]");
    if (method == kLayoutSwitchUnknown || method == kLayoutSwitchAltShiftToo)
        LogWrite(L"ERROR: Cannot detect keyboard layout switch method, Use: Alt+SHIFT");
    const std::vector<INPUT> toggle = keyboard_input::BuildLayoutSwitchEvents(method);
    // With two layouts one toggle always reaches the other one.
    if (layoutCount < 3) {
        m_sender.Send(toggle);
        return;
    }
    const bool otherProcess = m_system.IsWindowOfOtherProcess(targetWindow);
    for (int attempt = 0; attempt < layoutCount; ++attempt) {
        m_sender.Send(toggle);
        if (otherProcess) {
            // The switch reaches another process's thread only when it takes input:
            // give it time and a message to wake it.
            m_system.Sleep(200);
            m_system.PostNullMessage(targetWindow);
        }
        const HKL current = m_system.GetThreadLayout(targetThreadId);
        if (current == wanted ||
            LOWORD(reinterpret_cast<ULONG_PTR>(current)) == LOWORD(reinterpret_cast<ULONG_PTR>(wanted)))
            break;
    }
}
