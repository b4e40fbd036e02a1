// Helpers shared by the tests of the application objects: a window that records the tray
// window's requests.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/TrayIds.h"
#include "core/base/AppPaths.h"
#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/TextHelpers.h"
#include "core/tests/SettingsTestFolders.h"
#include "testkit/Poll.h"

namespace apptest {

inline bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

inline bool WriteBytes(const CString& path, const char* bytes) {
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    DWORD size = static_cast<DWORD>(strlen(bytes));
    return file && WriteFile(file.get(), bytes, size, &written, nullptr) && written == size;
}

inline bool PumpUntil(const std::function<bool()>& done, DWORD timeoutMs = 20000) {
    return testkit::PumpMessagesUntil(timeoutMs, done);
}

// A window that records the messages it gets and answers the tray window's requests.
class CRecordingWindow {
public:
    struct Received {
        UINT message;
        WPARAM wParam;
    };

    explicit CRecordingWindow(HWND parent = nullptr, DWORD style = WS_OVERLAPPEDWINDOW) {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = Proc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlAppObjectsRecorder";
        RegisterClassW(&windowClass);
        m_window = CreateWindowW(windowClass.lpszClassName, L"recorder", style, 10, 10, 200, 100, parent, nullptr,
                                 windowClass.hInstance, nullptr);
        SetWindowLongPtrW(m_window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~CRecordingWindow() {
        if (IsWindow(m_window)) DestroyWindow(m_window);
    }
    CRecordingWindow(const CRecordingWindow&) = delete;
    CRecordingWindow& operator=(const CRecordingWindow&) = delete;

    HWND window() const { return m_window; }
    std::vector<Received> received;

private:
    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* self = reinterpret_cast<CRecordingWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self || message < WM_APP || message > 0xBFFF) return DefWindowProcW(window, message, wParam, lParam);
        self->received.push_back({message, wParam});
        switch (message) {
            case WM_VXL_GET_PANE_SELECTED_TEXT:
                *reinterpret_cast<CString*>(lParam) = L"pane text";
                return 1;
            case WM_VXL_FILL_LANGUAGE_MENU:
                AppendMenuW(reinterpret_cast<HMENU>(wParam), MF_STRING, 33000, L"English");
                return 0;
            case WM_VXL_IS_HOTKEY_REGISTERED:
                return 1;
            case WM_VXL_GET_HISTORY_QUEUE:
                return 0x1234;
            default:
                return 0;
        }
    }

    HWND m_window = nullptr;
};

}  // namespace apptest
