// Putting text into another program by pretending to be the keyboard. Every event goes
// to the system's input queue through an IInputSender, none is addressed to a window;
// pauses, the modifier state, the layout of a thread and the layout toggle setting come
// through IKeyboardSystem, so tests read the whole sequence without a desktop or waiting.
// TypeText and SwitchKeyboardLayout run on the UI thread; PasteByCtrlV on a short paste
// thread while the UI thread waits, or on the UI thread.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "core/base/InputSender.h"

// The key combination that switches to the next keyboard layout, from the user's
// "Keyboard Layout\Toggle" setting. Unknown and AltShiftToo are switched as Alt+Shift.
enum LayoutSwitchMethod : int {
    kLayoutSwitchUnknown = 0,
    kLayoutSwitchAltShift = 1,
    kLayoutSwitchCtrlShift = 2,
    kLayoutSwitchAltShiftToo = 3,
    kLayoutSwitchGrave = 4,
};

// What reading the "Hotkey" value gave.
enum class HotkeyRead {
    kPresent,     // a REG_SZ value, its text alongside
    kMissing,     // the key is there, the value is not
    kUnreadable,  // the key cannot be opened, or the value cannot be read as text
};

class IKeyboardSystem {
public:
    virtual ~IKeyboardSystem() = default;
    virtual void Sleep(DWORD milliseconds) = 0;
    // GetAsyncKeyState: the paste thread has no keyboard state of its own, so
    // GetKeyState would never see a key the user holds.
    virtual bool IsKeyHeld(int virtualKey) = 0;
    // GetKeyboardLayout of a thread.
    virtual HKL GetThreadLayout(DWORD threadId) = 0;
    virtual bool IsWindowOfOtherProcess(HWND window) = 0;
    virtual void PostNullMessage(HWND window) = 0;
    // The text of HKCU "Keyboard Layout\Toggle" value "Hotkey"; its first character counts.
    virtual HotkeyRead ReadLayoutToggleHotkey(CString& text) = 0;
};

IKeyboardSystem& SystemKeyboardSystem();

// The pure parts, for the roads below and their tests.
namespace keyboard_input {

// The events of TypeText's single main Send: the text, then when leftCount > 0 a Shift
// release and leftCount Left presses.
std::vector<INPUT> BuildTypingEvents(const CString& text, int leftCount);
LayoutSwitchMethod LayoutSwitchMethodFromHotkey(HotkeyRead read, const CString& text);
// Modifier down, key down, key up, modifier up.
std::vector<INPUT> BuildLayoutSwitchEvents(LayoutSwitchMethod method);
// The value PasteByCtrlV's press counter is compared with: when it is reached, the
// target gets a 1 ms pause and the counter starts again.
int LeftPressesPerPause(int leftCount);

}  // namespace keyboard_input

class CKeyboardInput {
public:
    explicit CKeyboardInput(IInputSender& sender, IKeyboardSystem& system = SystemKeyboardSystem());

    // Types the text, then moves the caret leftCount characters back; 1 when events were
    // sent, 0 for an empty text.
    int TypeText(const CString& text, int leftCount);
    // Releases the held Shift, Ctrl and Alt, then presses Ctrl+V.
    void SendCtrlV();
    // Ctrl+V, then leftCount Left presses paced for slow targets.
    void PasteByCtrlV(int leftCount);
    LayoutSwitchMethod GetLayoutSwitchMethod();
    // Presses the layout toggle until the target thread has the wanted layout (or its
    // language), at most once per installed layout. A window of another process gets
    // time and a WM_NULL after each press, so that its thread takes the switch.
    void SwitchKeyboardLayout(HKL wanted, DWORD targetThreadId, HWND targetWindow);

private:
    // One event per call, as keybd_event sends it.
    void SendKey(WORD virtualKey, DWORD flags);

    IInputSender& m_sender;
    IKeyboardSystem& m_system;
};
