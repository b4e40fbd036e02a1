// A menu tip delay that runs out only when a test says so.
#pragma once

#include <windows.h>

#include <vector>

#include "core/MenuToolTip.h"

class CManualDelay final : public IMenuTipDelay {
public:
    struct Wait {
        HWND target;
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    explicit CManualDelay(std::vector<Wait>& waits) : m_waits(waits) {}
    bool Start(HWND target, UINT message, WPARAM wParam, LPARAM lParam) override {
        m_waits.push_back({target, message, wParam, lParam});
        return true;
    }
    void CancelAll() override {}

private:
    std::vector<Wait>& m_waits;
};

// Runs out every wait, also those the tip has moved past: the tip must tell them apart.
inline void RunOutAllDelays(const std::vector<CManualDelay::Wait>& waits) {
    for (const auto& wait : waits) PostMessageW(wait.target, wait.message, wait.wParam, wait.lParam);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}
