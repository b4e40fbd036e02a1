#include "core/DialogCloser.h"

#include "core/AppSlots.h"
#include "core/base/Logger.h"

namespace {

CString WindowClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return CString(name);
}

// Ever stronger means until the window is gone; each means that made it go is logged.
void CloseWithEscalation(HWND window) {
    struct Step {
        void (*apply)(HWND);
        const wchar_t* logLine;
    };
    static const Step steps[] = {
        {[](HWND w) { SendMessageW(w, WM_CLOSE, 0, 0); }, L"\tClose by WM_CLOSE"},
        {[](HWND w) { SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }, L"\tClose by WM_SYSCOMMAND + SC_CLOSE"},
        {[](HWND w) { SendMessageW(w, WM_COMMAND, IDCANCEL, 0); }, L"\tClose by WM_COMMAND + IDCANCEL"},
        {[](HWND w) { EndDialog(w, IDCANCEL); }, L"\tClose by EndDialog + IDCANCEL"},
        {[](HWND w) { EndDialog(w, IDOK); }, L"\tClose by EndDialog + IDOK"},
    };
    for (const Step& step : steps) {
        step.apply(window);
        if (!IsWindow(window)) {
            LogWrite(step.logLine);
            return;
        }
    }
    CloseWindow(window);
    DestroyWindow(window);
}

struct DialogSearch {
    HWND mainWindow;
    DWORD threadId;
    int count;
};

BOOL CALLBACK CloseDlgProc(HWND window, LPARAM parameter) {
    DialogSearch& search = *reinterpret_cast<DialogSearch*>(parameter);
    if (GetWindowThreadProcessId(window, nullptr) != search.threadId || GetParent(window) != search.mainWindow)
        return TRUE;
    CString className = WindowClassName(window);
    LogWrite(L"CloseDlgProc Class name: " + className);
    if (className != L"#32770") return TRUE;
    ++search.count;
    wchar_t text[2600] = {};
    GetWindowTextW(window, text, 2600);
    LogWrite(CString(L"Dialog detected: ") + text);
    CloseWithEscalation(window);
    return TRUE;
}

void CloseIfOpen(HWND dialog) {
    if (dialog && IsWindow(dialog)) CloseWithEscalation(dialog);
}

}  // namespace

namespace CAppObjects {

int CloseOpenDialogsOf(HWND mainWindow) {
    CloseIfOpen(GetAboutDlgHwnd());
    CloseIfOpen(GetUpdateDlgHwnd());
    DialogSearch search = {mainWindow, GetWindowThreadProcessId(mainWindow, nullptr), 0};
    if (mainWindow && search.threadId) EnumWindows(CloseDlgProc, reinterpret_cast<LPARAM>(&search));
    LogWriteFormat(L"EnumWindows: DlgCount%d", search.count);
    return search.count;
}

int CloseOpenDialogs() {
    return CloseOpenDialogsOf(GetMainWnd());
}

}  // namespace CAppObjects
