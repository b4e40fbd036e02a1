#include "pages/PromptDlg.h"

#include "core/UiStrings.h"
#include "pages/PromptDlgIds.h"

namespace {

const UINT kIdsCancel = 230;
const int kMaxTitleChars = 100;
const WPARAM kMoveByBody = SC_MOVE | HTCAPTION;  // 0xF012: drag as by the caption

BOOL CALLBACK TakeFirstName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR context) {
    *reinterpret_cast<LPWSTR*>(context) = name;
    return FALSE;
}

// The program's icon: the first icon group of the executable. Shared icons, never freed.
HICON LoadProgramIcon(int size) {
    HMODULE module = GetModuleHandleW(nullptr);
    LPWSTR name = nullptr;
    EnumResourceNamesW(module, RT_GROUP_ICON, TakeFirstName, reinterpret_cast<LONG_PTR>(&name));
    if (!name) return nullptr;
    return static_cast<HICON>(LoadImageW(module, name, IMAGE_ICON, size, size, LR_SHARED));
}

}  // namespace

CPromptDlg::CPromptDlg(const CString& text, HWND target, bool splitAnswer)
    : CDialogImplBase(IDD_PROMPT), m_target(target), m_splitAnswer(splitAnswer), m_text(text) {}

INT_PTR CPromptDlg::DoModal(HINSTANCE resources) {
    if (!resources) resources = GetModuleHandleW(nullptr);
    return CDialogImplBase::DoModal(GetDesktopWindow(), 0, resources);
}

CString CPromptDlg::MakeCaption(HWND target) {
    CString caption = L"Vexlora";
    if (!target) return caption;
    // One character more than is shown tells whether the title goes on. GetWindowTextW
    // reads another program's title without asking it, so a hung target cannot hold us.
    wchar_t title[kMaxTitleChars + 2] = {};
    const int read = GetWindowTextW(target, title, kMaxTitleChars + 2);
    if (read <= 0) return caption;
    int keep = read < kMaxTitleChars ? read : kMaxTitleChars;
    // A cut between the two halves of a character would leave half of it.
    if (keep < read && IS_HIGH_SURROGATE(title[keep - 1])) --keep;
    return caption + L" - [" + CString(title, keep) + L"]";
}

LRESULT CPromptDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    ::SetWindowTextW(m_hWnd, MakeCaption(m_target));
    if (HICON big = LoadProgramIcon(GetSystemMetrics(SM_CXICON)))
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HICON small = LoadProgramIcon(GetSystemMetrics(SM_CXSMICON)))
        ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    HWND edit = ::GetDlgItem(m_hWnd, IDC_PROMPT_EDIT);
    ::SendMessageW(edit, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);

    bool focusSet = false;
    if (!m_text.IsEmpty()) {
        ::SetWindowTextW(edit, m_text);
        ::SendMessageW(edit, EM_SETSEL, 0, -1);
        SetFocus(edit);
        focusSet = true;
    }
    CString cancel = LoadUiString(kIdsCancel);
    if (cancel.IsEmpty()) cancel = L"Cancel";
    SetDlgItemTextW(m_hWnd, IDCANCEL, cancel);

    PlaceAtCaret();
    ComeForward();
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    // FALSE keeps the focus given to the edit above; TRUE lets the dialog manager choose.
    return focusSet ? FALSE : TRUE;
}

void CPromptDlg::PlaceAtCaret() {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    const DWORD thread = m_target ? GetWindowThreadProcessId(m_target, nullptr) : 0;
    // A thread without a caret answers too, with no caret window: its rectangle means
    // nothing then, and the dialog is centred as for a thread that does not answer.
    if (thread && GetGUIThreadInfo(thread, &info) && info.hwndCaret) {
        POINT corner = {info.rcCaret.left, info.rcCaret.bottom};
        MapWindowPoints(info.hwndCaret, nullptr, &corner, 1);
        SetWindowPos(m_hWnd, nullptr, corner.x, corner.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        return;
    }
    RECT over = {};
    if (!m_target || !GetWindowRect(m_target, &over)) {
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &over, 0);
    }
    RECT dialog = {};
    GetWindowRect(m_hWnd, &dialog);
    const int x = over.left + ((over.right - over.left) - (dialog.right - dialog.left)) / 2;
    const int y = over.top + ((over.bottom - over.top) - (dialog.bottom - dialog.top)) / 2;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The target's program is in the foreground, and Windows lets only the foreground
// thread's input queue hand the activation on: joined to it for a moment, this thread
// may take the foreground.
void CPromptDlg::ComeForward() {
    const DWORD thread = m_target ? GetWindowThreadProcessId(m_target, nullptr) : 0;
    const DWORD own = GetCurrentThreadId();
    if (!thread || thread == own || !AttachThreadInput(own, thread, TRUE)) return;
    SetActiveWindow(m_hWnd);
    SetForegroundWindow(m_hWnd);
    HWND edit = ::GetDlgItem(m_hWnd, IDC_PROMPT_EDIT);
    SetFocus(edit ? edit : m_hWnd);
    AttachThreadInput(own, thread, FALSE);
}

LRESULT CPromptDlg::OnOk(WORD, WORD, HWND, BOOL&) {
    HWND edit = GetDlgItem(IDC_PROMPT_EDIT);
    const int length = GetWindowTextLengthW(edit);
    CString entered;
    if (length > 0) {
        const int read = GetWindowTextW(edit, entered.GetBuffer(length + 1), length + 1);
        entered.ReleaseBuffer(read > 0 ? read : 0);
    }
    // An emptied field is an empty answer, not the initial text again.
    m_text = entered;
    EndDialog(IDOK);
    return TRUE;
}

LRESULT CPromptDlg::OnCancel(WORD, WORD, HWND, BOOL&) {
    EndDialog(IDCANCEL);
    return TRUE;
}

LRESULT CPromptDlg::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&) {
    ReleaseCapture();
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, kMoveByBody, 0);
    return TRUE;
}
