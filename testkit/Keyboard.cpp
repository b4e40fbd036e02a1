#include "testkit/Keyboard.h"

#include <vector>

#include "testkit/Poll.h"

namespace testkit {

namespace {

INPUT UnicodeEvent(wchar_t unit, bool release) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wScan = unit;
    input.ki.dwFlags = KEYEVENTF_UNICODE | (release ? KEYEVENTF_KEYUP : 0);
    return input;
}

// Keys of the navigation block are told apart from the numeric pad's by the
// extended flag; without it Left arrow arrives as numeric-pad 4.
bool IsExtendedKey(WORD key) {
    switch (key) {
        case VK_LEFT:
        case VK_RIGHT:
        case VK_UP:
        case VK_DOWN:
        case VK_HOME:
        case VK_END:
        case VK_PRIOR:
        case VK_NEXT:
        case VK_INSERT:
        case VK_DELETE:
        case VK_RCONTROL:
        case VK_RMENU:
            return true;
        default:
            return false;
    }
}

INPUT KeyEvent(WORD key, bool release) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = (release ? KEYEVENTF_KEYUP : 0) | (IsExtendedKey(key) ? KEYEVENTF_EXTENDEDKEY : 0);
    return input;
}

CCheck Send(std::vector<INPUT>& inputs, const wchar_t* what) {
    const UINT sent = SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
    if (sent == inputs.size()) return CCheck::Ok();
    return CCheck::FailedF(L"SendInput took %u of the %u events for %s, error %u", sent,
                           static_cast<unsigned>(inputs.size()), what, GetLastError());
}

}  // namespace

CCheck TypeText(const CString& text) {
    std::vector<INPUT> inputs;
    for (int i = 0; i < text.GetLength(); ++i) {
        inputs.push_back(UnicodeEvent(text.GetAt(i), false));
        inputs.push_back(UnicodeEvent(text.GetAt(i), true));
    }
    if (inputs.empty()) return CCheck::Ok();
    return Send(inputs, CString(L"typing \"") + text + L"\"");
}

CCheck PressKey(WORD virtualKey, unsigned modifiers, int times) {
    static const struct {
        unsigned flag;
        WORD key;
    } kModifierKeys[] = {{kCtrl, VK_CONTROL}, {kAlt, VK_MENU}, {kShift, VK_SHIFT}};
    std::vector<INPUT> inputs;
    for (const auto& modifier : kModifierKeys) {
        if (modifiers & modifier.flag) inputs.push_back(KeyEvent(modifier.key, false));
    }
    for (int i = 0; i < times; ++i) {
        inputs.push_back(KeyEvent(virtualKey, false));
        inputs.push_back(KeyEvent(virtualKey, true));
    }
    for (auto it = std::rbegin(kModifierKeys); it != std::rend(kModifierKeys); ++it) {
        if (modifiers & it->flag) inputs.push_back(KeyEvent(it->key, true));
    }
    CString what;
    what.Format(L"virtual key 0x%02X with modifiers %u", virtualKey, modifiers);
    return Send(inputs, what);
}

bool ClickAt(POINT screenPoint) {
    if (!SetCursorPos(screenPoint.x, screenPoint.y)) return false;
    // The system may report the pointer's old place for a moment after the move: the click
    // waits until it is seen at the new one a few times in a row.
    int seen = 0;
    PollUntil(kWaitMs, [&] {
        POINT now = {};
        seen = GetCursorPos(&now) && now.x == screenPoint.x && now.y == screenPoint.y ? seen + 1 : 0;
        return seen >= 3;
    });
    INPUT clicks[2] = {};
    clicks[0].type = clicks[1].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    return SendInput(2, clicks, sizeof(INPUT)) == 2;
}

}  // namespace testkit
