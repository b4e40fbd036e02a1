// A window for tests that needs no display: message-only windows exist under Wine
// without X.
#pragma once

#include <windows.h>

#include "core/base/Handles.h"

namespace testkit {

class CMessageWindow {
public:
    CMessageWindow()
        : m_window(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 120, 80, HWND_MESSAGE, nullptr, nullptr, nullptr)) {}
    HWND get() const { return m_window.get(); }

private:
    CWindowHandle m_window;
};

}  // namespace testkit
