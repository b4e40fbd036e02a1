// VxlTarget.exe: the program end-to-end tests type into. One window with the four
// kinds of edit field users type in: a single-line EDIT, a multi-line EDIT, a
// RichEdit and the edit part of a drop-down ComboBox.
//
// Tests read its state from outside, as a user would see it: WM_GETTEXT, EM_GETSEL
// and CB_GETEDITSEL are system messages, so Windows and Wine both copy their
// buffers between processes (RichEdit answers WM_GETTEXT too). EM_GETTEXTEX and
// EM_EXGETSEL are WM_USER messages whose pointers nobody marshals, so the target
// needs no private protocol as long as tests stick to the system messages.
//
//   VxlTarget.exe [/focus:edit|memo|rich|combo]
// The one private request, WM_COPYDATA kTargetDumpRichRtf, writes the RichEdit's RTF to a
// file (TargetIds.h).
// Exit code: 0 after WM_CLOSE, 2 for an unknown argument, 3 when the window or a
// control cannot be created.
#include <windows.h>
#include <richedit.h>
#include <shellapi.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "testkit/TargetIds.h"

namespace {

constexpr int kExitBadArguments = 2;
constexpr int kExitNoWindow = 3;

class CTargetWindow {
public:
    explicit CTargetWindow(int focusId) : m_focusId(focusId) {}
    CTargetWindow(const CTargetWindow&) = delete;
    CTargetWindow& operator=(const CTargetWindow&) = delete;

    bool Create(HINSTANCE instance);
    HWND hwnd() const { return m_hwnd; }

private:
    struct MessageEntry {
        UINT message;
        LRESULT (CTargetWindow::*handler)(WPARAM, LPARAM);
    };
    static const MessageEntry kMessageMap[];

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);

    HWND CreateChild(const wchar_t* className, DWORD style, int id, int x, int y, int width, int height);

    HWND m_hwnd = nullptr;
    int m_focusId;
    // The control that had the focus when the window was last deactivated; the
    // focus goes back there on activation, as in a dialog, instead of staying on
    // the frame where DefWindowProc would leave it.
    HWND m_lastFocus = nullptr;
    CLibraryHandle m_richEditLibrary;
};

const CTargetWindow::MessageEntry CTargetWindow::kMessageMap[] = {
    {WM_CREATE, &CTargetWindow::OnCreate},     {WM_ACTIVATE, &CTargetWindow::OnActivate},
    {WM_SETFOCUS, &CTargetWindow::OnSetFocus}, {WM_DESTROY, &CTargetWindow::OnDestroy},
    {WM_COPYDATA, &CTargetWindow::OnCopyData},
};

DWORD CALLBACK WriteStreamOut(DWORD_PTR cookie, LPBYTE buffer, LONG size, LONG* written) {
    DWORD done = 0;
    if (!WriteFile(reinterpret_cast<HANDLE>(cookie), buffer, static_cast<DWORD>(size), &done, nullptr)) return 1;
    *written = static_cast<LONG>(done);
    return 0;
}

bool CTargetWindow::Create(HINSTANCE instance) {
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kTargetClass;
    if (!RegisterClassExW(&wc)) return false;
    CreateWindowExW(0, kTargetClass, kTargetTitle, WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 40, 40, 520, 360, nullptr,
                    nullptr, instance, this);
    return m_hwnd != nullptr;
}

LRESULT CALLBACK CTargetWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CTargetWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hwnd = hwnd;
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<CTargetWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self) {
        for (const MessageEntry& entry : kMessageMap) {
            if (entry.message == message) {
                try {
                    return (self->*entry.handler)(wParam, lParam);
                } catch (...) {
                    return message == WM_CREATE ? -1 : 0;
                }
            }
        }
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

HWND CTargetWindow::CreateChild(const wchar_t* className, DWORD style, int id, int x, int y, int width, int height) {
    return CreateWindowExW(WS_EX_CLIENTEDGE, className, L"", WS_CHILD | WS_VISIBLE | WS_TABSTOP | style, x, y, width,
                           height, m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleW(nullptr),
                           nullptr);
}

LRESULT CTargetWindow::OnCreate(WPARAM, LPARAM) {
    // The RichEdit class exists only while riched20.dll is loaded.
    m_richEditLibrary.reset(LoadLibraryW(L"riched20.dll"));
    if (!m_richEditLibrary) return -1;
    const bool created =
        CreateChild(L"EDIT", ES_AUTOHSCROLL, IDC_TARGET_EDIT, 10, 10, 480, 24) &&
        CreateChild(L"EDIT", ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, IDC_TARGET_MEMO, 10, 44, 480,
                    90) &&
        CreateChild(RICHEDIT_CLASSW, ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL, IDC_TARGET_RICH, 10,
                    144, 480, 90) &&
        CreateChild(L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, IDC_TARGET_COMBO, 10, 244, 480, 120);
    if (!created) return -1;
    // Wine takes the RichEdit's default weight from the System font, which is bold, so
    // pasted RTF that does not say "regular" would all turn bold; Windows' default is
    // regular, and formatting tests must see what a Windows target shows.
    CHARFORMAT2W regular = {};
    regular.cbSize = sizeof regular;
    regular.dwMask = CFM_BOLD;
    SendMessageW(GetDlgItem(m_hwnd, IDC_TARGET_RICH), EM_SETCHARFORMAT, SCF_ALL, reinterpret_cast<LPARAM>(&regular));
    m_lastFocus = GetDlgItem(m_hwnd, m_focusId);
    return 0;
}

LRESULT CTargetWindow::OnActivate(WPARAM wParam, LPARAM lParam) {
    if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && IsChild(m_hwnd, focus)) m_lastFocus = focus;
    }
    return DefWindowProcW(m_hwnd, WM_ACTIVATE, wParam, lParam);
}

LRESULT CTargetWindow::OnSetFocus(WPARAM, LPARAM) {
    if (m_lastFocus) SetFocus(m_lastFocus);
    return 0;
}

LRESULT CTargetWindow::OnDestroy(WPARAM, LPARAM) {
    PostQuitMessage(0);
    return 0;
}

LRESULT CTargetWindow::OnCopyData(WPARAM, LPARAM lParam) {
    const auto* data = reinterpret_cast<const COPYDATASTRUCT*>(lParam);
    if (!data || data->dwData != kTargetDumpRichRtf || data->cbData < sizeof(wchar_t)) return 0;
    const CString path(static_cast<const wchar_t*>(data->lpData), static_cast<int>(data->cbData / sizeof(wchar_t)) - 1);
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file) return 0;
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(file.get());
    stream.pfnCallback = WriteStreamOut;
    SendMessageW(GetDlgItem(m_hwnd, IDC_TARGET_RICH), EM_STREAMOUT, SF_RTF, reinterpret_cast<LPARAM>(&stream));
    return stream.dwError == 0 ? 1 : 0;
}

// The control id named by "/focus:<name>"; IDC_TARGET_EDIT without the option,
// 0 for an unknown argument.
int ParseFocusId() {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return 0;
    int focusId = IDC_TARGET_EDIT;
    const CString prefix(L"/focus:");
    for (int i = 1; i < argc && focusId; ++i) {
        const CString argument(argv[i]);
        int found = 0;
        if (argument.Left(prefix.GetLength()).CompareNoCase(prefix) == 0) {
            const CString name = argument.Mid(prefix.GetLength());
            for (const CTargetControl& control : kTargetControls) {
                if (name.CompareNoCase(control.name) == 0) found = control.id;
            }
        }
        focusId = found;
    }
    LocalFree(argv);
    return focusId;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    const int focusId = ParseFocusId();
    if (!focusId) return kExitBadArguments;
    CTargetWindow window(focusId);
    if (!window.Create(instance)) return kExitNoWindow;
    ShowWindow(window.hwnd(), showCommand);
    UpdateWindow(window.hwnd());
    SetFocus(GetDlgItem(window.hwnd(), focusId));

    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return static_cast<int>(msg.wParam);
}
