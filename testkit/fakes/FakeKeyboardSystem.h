// Answers the keyboard roads' questions from fields a test sets, and writes down each
// pause and WM_NULL with how many Send calls the sender had seen by then, so a test
// reads where they fall in the event sequence.
#pragma once

#include <windows.h>

#include <set>
#include <vector>

#include "core/KeyboardInput.h"
#include "testkit/fakes/FakeInputSender.h"

class CFakeKeyboardSystem final : public IKeyboardSystem {
public:
    struct Mark {
        size_t sendsBefore;
        DWORD value;  // the pause in milliseconds; 0 for a WM_NULL
        bool operator==(const Mark& other) const { return sendsBefore == other.sendsBefore && value == other.value; }
    };

    explicit CFakeKeyboardSystem(const CFakeInputSender& sender) : m_sender(sender) {}

    std::set<int> heldKeys;
    bool otherProcess = false;
    HotkeyRead hotkeyRead = HotkeyRead::kMissing;
    CString hotkeyText;
    // The layout the target thread has after each toggle sent; the last one stays.
    std::vector<HKL> layoutAfterToggle;
    HKL initialLayout = nullptr;

    std::vector<Mark> pauses;
    std::vector<Mark> nullMessages;
    std::vector<HWND> nullTargets;
    std::vector<DWORD> layoutQueries;  // thread ids asked for

    void Sleep(DWORD milliseconds) override { pauses.push_back({m_sender.sent.size(), milliseconds}); }
    bool IsKeyHeld(int virtualKey) override { return heldKeys.count(virtualKey) != 0; }
    HKL GetThreadLayout(DWORD threadId) override {
        layoutQueries.push_back(threadId);
        const size_t toggles = m_sender.sent.size();
        if (toggles == 0 || layoutAfterToggle.empty()) return initialLayout;
        return layoutAfterToggle[toggles <= layoutAfterToggle.size() ? toggles - 1 : layoutAfterToggle.size() - 1];
    }
    bool IsWindowOfOtherProcess(HWND) override { return otherProcess; }
    void PostNullMessage(HWND window) override {
        nullMessages.push_back({m_sender.sent.size(), 0});
        nullTargets.push_back(window);
    }
    HotkeyRead ReadLayoutToggleHotkey(CString& text) override {
        text = hotkeyText;
        return hotkeyRead;
    }

private:
    const CFakeInputSender& m_sender;
};
