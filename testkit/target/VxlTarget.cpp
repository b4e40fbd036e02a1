// VxlTarget.exe: the program end-to-end tests type into. One window with the four
// kinds of edit field users type in: a single-line EDIT, a multi-line EDIT, a
// RichEdit and the edit part of a drop-down ComboBox; and a "copier", a window of its
// own class that no reader knows, which answers WM_COPY and Ctrl+C by putting its
// window text on the clipboard.
//
// Tests read its state from outside, as a user would see it: WM_GETTEXT, EM_GETSEL
// and CB_GETEDITSEL are system messages, so Windows and Wine both copy their
// buffers between processes (RichEdit answers WM_GETTEXT too). EM_GETTEXTEX and
// EM_EXGETSEL are WM_USER messages whose pointers nobody marshals, so the target
// needs no private protocol as long as tests stick to the system messages.
//
//   VxlTarget.exe [/focus:edit|memo|rich|combo|copier] [/count:<message name>]
// With /count: the target registers the named window message and counts how often its
// window procedures receive it (its controls are subclassed for that).
// Private requests (TargetIds.h): WM_COPYDATA kTargetDumpRichRtf writes the RichEdit's
// RTF to a file; WM_COPYDATA kTargetCountMessages answers with the count.
// Exit code: 0 after WM_CLOSE, 2 for an unknown argument, 3 when the window or a
// control cannot be created.
#include <windows.h>
#include <commctrl.h>
#include <richedit.h>
#include <shellapi.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "testkit/TargetIds.h"

namespace {

constexpr int kExitBadArguments = 2;
constexpr int kExitNoWindow = 3;

struct CTargetOptions {
    int focusId = IDC_TARGET_EDIT;
    CString countedMessage;  // empty: nothing is counted
};

class CTargetWindow {
public:
    explicit CTargetWindow(const CTargetOptions& options)
        : m_focusId(options.focusId),
          m_countedMessage(options.countedMessage.IsEmpty() ? 0 : RegisterWindowMessageW(options.countedMessage)) {}
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
    static LRESULT CALLBACK CopierProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK CountingSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                 DWORD_PTR self);
    static BOOL CALLBACK SubclassForCounting(HWND child, LPARAM self);
    LRESULT OnCreate(WPARAM wParam, LPARAM lParam);
    LRESULT OnActivate(WPARAM wParam, LPARAM lParam);
    LRESULT OnSetFocus(WPARAM wParam, LPARAM lParam);
    LRESULT OnDestroy(WPARAM wParam, LPARAM lParam);
    LRESULT OnCopyData(WPARAM wParam, LPARAM lParam);

    HWND CreateChild(const wchar_t* className, DWORD style, int id, int x, int y, int width, int height);
    void SubclassControlsForCounting();
    void Count(UINT message) {
        if (m_countedMessage && message == m_countedMessage) ++m_count;
    }

    HWND m_hwnd = nullptr;
    int m_focusId;
    // The control that had the focus when the window was last deactivated; the
    // focus goes back there on activation, as in a dialog, instead of staying on
    // the frame where DefWindowProc would leave it.
    HWND m_lastFocus = nullptr;
    CLibraryHandle m_richEditLibrary;
    UINT m_countedMessage;
    LRESULT m_count = 0;
};

const CTargetWindow::MessageEntry CTargetWindow::kMessageMap[] = {
    {WM_CREATE, &CTargetWindow::OnCreate},     {WM_ACTIVATE, &CTargetWindow::OnActivate},
    {WM_SETFOCUS, &CTargetWindow::OnSetFocus}, {WM_DESTROY, &CTargetWindow::OnDestroy},
    {WM_COPYDATA, &CTargetWindow::OnCopyData},
};

// The copier's answer to a copy: its text as the clipboard's only content.
void CopyWindowText(HWND window) {
    const int length = GetWindowTextLengthW(window);
    CGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, (length + 1) * sizeof(wchar_t)));
    if (!memory) return;
    {
        CGlobalLock<wchar_t> lock(memory.get());
        if (!lock.get()) return;
        GetWindowTextW(window, lock.get(), length + 1);
    }
    CClipboardOpen clipboard(window, 1000);
    if (!clipboard || !EmptyClipboard() || !SetClipboardData(CF_UNICODETEXT, memory.get())) return;
    memory.release();
}

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
    wc.lpfnWndProc = CopierProc;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kTargetCopierClass;
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
        self->Count(message);
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

LRESULT CALLBACK CTargetWindow::CopierProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
    }
    if (auto* owner = reinterpret_cast<CTargetWindow*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA))) owner->Count(message);
    // Ctrl+C arrives as the character 3 after TranslateMessage, as an edit field sees it.
    const bool copy = message == WM_COPY || (message == WM_CHAR && wParam == 3);
    if (copy) {
        CopyWindowText(hwnd);
        return 0;
    }
    if (message == WM_LBUTTONDOWN) SetFocus(hwnd);
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

LRESULT CALLBACK CTargetWindow::CountingSubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR id,
                                                     DWORD_PTR self) {
    reinterpret_cast<CTargetWindow*>(self)->Count(message);
    if (message == WM_NCDESTROY) RemoveWindowSubclass(hwnd, CountingSubclassProc, id);
    return DefSubclassProc(hwnd, message, wParam, lParam);
}

BOOL CALLBACK CTargetWindow::SubclassForCounting(HWND child, LPARAM self) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (wcscmp(name, kTargetCopierClass) != 0) SetWindowSubclass(child, CountingSubclassProc, 1, self);
    return TRUE;
}

// Every control and the parts it is made of (a combo box's edit field and list), except
// the copier, which counts in its own procedure.
void CTargetWindow::SubclassControlsForCounting() {
    EnumChildWindows(m_hwnd, SubclassForCounting, reinterpret_cast<LPARAM>(this));
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
        CreateChild(L"COMBOBOX", CBS_DROPDOWN | CBS_AUTOHSCROLL | WS_VSCROLL, IDC_TARGET_COMBO, 10, 244, 480, 120) &&
        CreateWindowExW(WS_EX_CLIENTEDGE, kTargetCopierClass, kTargetCopierText, WS_CHILD | WS_VISIBLE | WS_TABSTOP, 10,
                        278, 480, 24, m_hwnd, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_TARGET_COPIER)),
                        GetModuleHandleW(nullptr), this);
    if (!created) return -1;
    if (m_countedMessage) SubclassControlsForCounting();
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
    if (data && data->dwData == kTargetCountMessages) return m_count;
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

// The options of the command line; false for an unknown argument or control name.
bool ParseOptions(CTargetOptions& options) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (!argv) return false;
    const CString focusPrefix(L"/focus:");
    const CString countPrefix(kTargetCountOption);
    bool known = true;
    for (int i = 1; i < argc && known; ++i) {
        const CString argument(argv[i]);
        if (argument.Left(countPrefix.GetLength()).CompareNoCase(countPrefix) == 0) {
            options.countedMessage = argument.Mid(countPrefix.GetLength());
            known = !options.countedMessage.IsEmpty();
            continue;
        }
        int found = 0;
        if (argument.Left(focusPrefix.GetLength()).CompareNoCase(focusPrefix) == 0) {
            const CString name = argument.Mid(focusPrefix.GetLength());
            for (const CTargetControl& control : kTargetControls) {
                if (name.CompareNoCase(control.name) == 0) found = control.id;
            }
            if (name.CompareNoCase(kTargetCopier.name) == 0) found = kTargetCopier.id;
        }
        options.focusId = found;
        known = found != 0;
    }
    LocalFree(argv);
    return known;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int showCommand) {
    CTargetOptions options;
    if (!ParseOptions(options)) return kExitBadArguments;
    const int focusId = options.focusId;
    CTargetWindow window(options);
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
