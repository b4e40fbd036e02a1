// A window that receives what an update check delivers, for tests that run checks.
#pragma once

#include <windows.h>

#include <vector>

#include "pages/UpdateResult.h"

namespace pagestest {

// The message the tests' checks deliver their result with.
const UINT kResultMessage = WM_APP + 5;

// A window that keeps a copy of every result and counts the commands it gets.
class CUpdateResultWindow {
public:
    CUpdateResultWindow() {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlUpdateResultWindow";
        RegisterClassW(&windowClass);
        m_window = CreateWindowExW(0, windowClass.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                   windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CUpdateResultWindow() { DestroyWindow(m_window); }
    CUpdateResultWindow(const CUpdateResultWindow&) = delete;
    CUpdateResultWindow& operator=(const CUpdateResultWindow&) = delete;
    HWND get() const { return m_window; }

    std::vector<UpdateCheckResult> results;
    std::vector<WPARAM> commands;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CUpdateResultWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (self && message == kResultMessage) {
            self->results.push_back(*reinterpret_cast<const UpdateCheckResult*>(lParam));
            return 0;
        }
        if (self && message == WM_COMMAND) {
            self->commands.push_back(wParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    HWND m_window = nullptr;
};

}  // namespace pagestest
