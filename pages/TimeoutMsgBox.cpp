#include "pages/TimeoutMsgBox.h"

#include <algorithm>
#include <atomic>
#include <memory>

#include "core/SystemInfo.h"
#include "core/WindowHelpers.h"
#include "core/base/PlatformFunctions.h"
#include "core/base/WorkerThread.h"

namespace {

const int kCaptionLimit = 2609;
// The white panel of the box on Windows Vista and later, which the check boxes would
// sit on only partly.
const int kVistaPanelId = 51966;
const WPARAM kMoveByDragging = 0xF012;  // SC_MOVE | HTCAPTION

void SystemBeep() {
    MessageBeep(0xFFFFFFFF);
}

std::atomic<CMsgBoxBeep> g_beep{&SystemBeep};

bool HasClass(HWND window, const wchar_t* className) {
    wchar_t name[16] = {};
    return GetClassNameW(window, name, 16) && _wcsicmp(name, className) == 0;
}

std::vector<HWND> ChildrenOfClass(HWND parent, const wchar_t* className) {
    std::vector<HWND> found;
    for (HWND child = GetWindow(parent, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (HasClass(child, className)) found.push_back(child);
    return found;
}

RECT RectInParent(HWND window, HWND parent) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int TextWidth(HDC dc, const CString& text, UINT format) {
    RECT rect = {0, 0, 0, 0};
    DrawTextW(dc, text, text.GetLength(), &rect, format | DT_CALCRECT);
    return rect.right - rect.left;
}

BOOL MakeBold(LOGFONTW& font, void*) {
    font.lfWeight = FW_BOLD;
    return TRUE;
}

// Hides and shows the box's icon (else its first button, else its first static; with none
// of them its caption) three times. The box may close meanwhile: every step asks first.
struct CBlinkContext {
    HWND box;
};

HWND BlinkTarget(HWND box) {
    for (HWND child : ChildrenOfClass(box, L"Static"))
        if ((GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON) return child;
    std::vector<HWND> buttons = ChildrenOfClass(box, L"Button");
    if (!buttons.empty()) return buttons.front();
    std::vector<HWND> statics = ChildrenOfClass(box, L"Static");
    return statics.empty() ? nullptr : statics.front();
}

DWORD BlinkThread(CBlinkContext& context) {
    const HWND target = BlinkTarget(context.box);
    wchar_t caption[kCaptionLimit + 32] = {};
    if (!target) GetWindowTextW(context.box, caption, kCaptionLimit + 32);
    for (int i = 0; i < 3; ++i) {
        if (!IsWindow(context.box)) return 0;
        if (target)
            ShowWindow(target, SW_HIDE);
        else
            SetWindowTextW(context.box, L"");
        Sleep(350);
        if (!IsWindow(context.box)) return 0;
        if (target)
            ShowWindow(target, SW_SHOW);
        else
            SetWindowTextW(context.box, caption);
        Sleep(250);
    }
    return 0;
}

}  // namespace

// What the thread knows while it shows a box: the hooks and the box, and the time-out of
// a count-down box (both set, or neither).
struct CMsgBoxHooks {
    HHOOK messageFilter = nullptr;
    HHOOK cbt = nullptr;
    CTimeoutMsgBox* box = nullptr;
    bool busy = false;
    int defaultResult = 0;
    DWORD timeoutMs = 0;

    static LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK MessageFilterProc(int code, WPARAM wParam, LPARAM lParam) noexcept;
    static LRESULT CALLBACK BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;

    void RemoveMessageFilter() {
        if (messageFilter) UnhookWindowsHookEx(messageFilter);
        messageFilter = nullptr;
    }
};

namespace {

thread_local CMsgBoxHooks t_hooks;

}  // namespace

LRESULT CALLBACK CMsgBoxHooks::CbtProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    CMsgBoxHooks& hooks = t_hooks;
    const HWND window = reinterpret_cast<HWND>(wParam);
    if (code >= 0 && HasClass(window, L"#32770")) {
        try {
            CTimeoutMsgBox* box = hooks.box;
            switch (code) {
                case HCBT_CREATEWND:
                    if (box && !box->m_box) box->Attach(window);
                    break;
                case HCBT_ACTIVATE:
                    if (box && box->m_box == window && box->m_extraControls.empty()) {
                        // The system lays the box out while it initialises it; an
                        // activation before that waits for it.
                        if (box->m_initialised)
                            box->OnActivate();
                        else
                            box->m_activatedEarly = true;
                    }
                    break;
                case HCBT_DESTROYWND:
                    hooks.RemoveMessageFilter();
                    if (box && box->m_box == window) box->Detach();
                    break;
                default:
                    break;
            }
        } catch (...) {
            // The box stays as the system made it.
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CMsgBoxHooks::MessageFilterProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    CTimeoutMsgBox* box = t_hooks.box;
    if (code == MSGF_DIALOGBOX && message && message->message == WM_KEYDOWN && box && box->m_box && !box->m_stopped &&
        GetWindowThreadProcessId(GetForegroundWindow(), nullptr) == GetCurrentThreadId()) {
        try {
            box->StopCountDown();
        } catch (...) {
            // The count-down is stopped; only the caption may be behind.
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CMsgBoxHooks::BoxProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    CTimeoutMsgBox* box = t_hooks.box;
    if (!box || box->m_box != window) return DefWindowProcW(window, message, wParam, lParam);
    try {
        return box->OnMessage(message, wParam, lParam);
    } catch (...) {
        return CallWindowProcW(box->m_previous, window, message, wParam, lParam);
    }
}

// ---------------------------------------------------------------------------------------

int MessageBoxTimeout_Default(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, DWORD timeoutMs,
                              int defaultResult) {
    const int result = MessageBoxTimeoutW_Dyn(owner, text, caption, type, 0, timeoutMs);
    return result == kMessageBoxTimedOut ? defaultResult : result;
}

int TimeoutMessageBox(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type,
                      const CTimeoutMsgBoxOptions& options) {
    CMsgBoxHooks& hooks = t_hooks;
    // Checked before the thread's time-out is set: a refused box must leave the shown
    // one's alone.
    if (hooks.busy) return 0;
    if (options.defaultResult != 0 && options.timeoutMs != 0) {
        hooks.defaultResult = options.defaultResult;
        hooks.timeoutMs = options.timeoutMs;
    }
    CTimeoutMsgBox box;
    box.SetStopOnActivity(options.stopOnActivity);
    std::set<int> checked;
    const int result = box.Show(owner, type, text, caption, nullptr, checked, {}, -1, -1, nullptr, 0);
    hooks.defaultResult = 0;
    hooks.timeoutMs = 0;
    return result;
}

int TimeoutMessageBox_AutoClose(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type, DWORD timeoutMs,
                                int defaultResult) {
    CTimeoutMsgBoxOptions options;
    options.timeoutMs = timeoutMs;
    options.defaultResult = defaultResult;
    options.stopOnActivity = true;
    return TimeoutMessageBox(owner, caption, text, type, options);
}

void SetMsgBoxBeepForTest(CMsgBoxBeep beep) {
    g_beep = beep ? beep : &SystemBeep;
}

// ---------------------------------------------------------------------------------------

CTimeoutMsgBox::~CTimeoutMsgBox() {
    if (m_boldFont) DeleteObject(m_boldFont);
}

int CTimeoutMsgBox::Show_With_Buttons(HWND owner, UINT type, const wchar_t* text, const wchar_t* caption,
                                      const wchar_t* checkText, BOOL* checked, bool disabled, int x, int y,
                                      CMsgBoxIconProvider iconProvider, DWORD providerArgument,
                                      const CMsgBoxButtonRenames* renames) {
    std::set<int> checkedSet;
    if (checked && *checked) checkedSet.insert(0);
    std::set<int> disabledSet;
    if (disabled) disabledSet.insert(0);
    CTimeoutMsgBox box;
    const int result = box.Show(owner, type, text, caption, checkText ? checkText : L"", checkedSet, disabledSet, x, y,
                                iconProvider, providerArgument, renames);
    if (checked && result != 0) *checked = checkedSet.count(0) ? TRUE : FALSE;
    return result;
}

int CTimeoutMsgBox::Show(HWND owner, UINT type, const wchar_t* text, const wchar_t* caption, const wchar_t* extraTexts,
                         std::set<int>& checked, const std::set<int>& disabled, int x, int y,
                         CMsgBoxIconProvider iconProvider, DWORD providerArgument,
                         const CMsgBoxButtonRenames* renames) {
    CMsgBoxHooks& hooks = t_hooks;
    if (hooks.busy) return 0;
    m_type = type;
    m_checked = checked;
    m_disabled = disabled;
    m_texts.clear();
    if (extraTexts) {
        const CString all(extraTexts);
        int start = 0;
        while (start <= all.GetLength() && !all.IsEmpty()) {
            const int end = all.Find(L'\n', start);
            m_texts.push_back(end < 0 ? all.Mid(start) : all.Mid(start, end - start));
            if (end < 0) break;
            start = end + 1;
        }
    }
    if (!hooks.cbt) hooks.cbt = SetWindowsHookExW(WH_CBT, &CMsgBoxHooks::CbtProc, nullptr, GetCurrentThreadId());
    m_x = x;
    m_y = y;
    m_iconProvider = iconProvider;
    m_providerArgument = providerArgument;
    if (renames) m_renames = *renames;

    hooks.box = this;
    hooks.busy = true;
    const int result = IsTimed()
                           ? MessageBoxTimeout_Default(owner, text, caption, type, hooks.timeoutMs, hooks.defaultResult)
                           : MessageBoxW(owner, text, caption, type);
    hooks.busy = false;
    hooks.box = nullptr;
    if (hooks.cbt) UnhookWindowsHookEx(hooks.cbt);
    hooks.cbt = nullptr;
    // Normally gone with the box; not when the box was never made.
    hooks.RemoveMessageFilter();
    if (m_box) Detach();
    checked = m_checked;
    return result;
}

CString CTimeoutMsgBox::MakeCountDownCaption(int seconds, bool stopped, const CString& caption) {
    CString text;
    text.Format(L"%s[%d] - ", stopped ? L"Stopped " : L"", seconds);
    return text + caption;
}

bool CTimeoutMsgBox::IsTimed() const {
    return t_hooks.defaultResult != 0;
}

bool CTimeoutMsgBox::IsExtraControl(HWND window) const {
    return std::find(m_extraControls.begin(), m_extraControls.end(), window) != m_extraControls.end();
}

void CTimeoutMsgBox::Attach(HWND box) {
    m_box = box;
    m_previous = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CMsgBoxHooks::BoxProc)));
    if (!m_previous) m_box = nullptr;
}

void CTimeoutMsgBox::Detach() {
    if (!m_box) return;
    if (m_previous) SetWindowLongPtrW(m_box, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_previous));
    if (!m_extraControls.empty()) {
        m_checked.clear();
        for (size_t i = 0; i < m_extraControls.size(); ++i)
            if (m_extraControls[i] && SendMessageW(m_extraControls[i], BM_GETCHECK, 0, 0) == BST_CHECKED)
                m_checked.insert(static_cast<int>(i));
    }
    m_box = nullptr;
}

LRESULT CTimeoutMsgBox::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND box = m_box;
    CMsgBoxHooks& hooks = t_hooks;
    switch (message) {
        case WM_MOUSEMOVE:
        case WM_NCMOUSEMOVE:
        case WM_KEYDOWN:
            if (IsTimed() && !m_stopped &&
                (m_stopOnActivity || (hooks.defaultResult > 0 && static_cast<int>(hooks.timeoutMs) > 0)))
                StopCountDown();
            break;
        case WM_LBUTTONDOWN:
            // Clicks on the text reach the box too (statics are transparent to the mouse).
            ReleaseCapture();
            SendMessageW(box, WM_SYSCOMMAND, kMoveByDragging, 0);
            return 0;
        case WM_CTLCOLORMSGBOX:
        case WM_CTLCOLORBTN:
        case WM_CTLCOLORDLG:
        case WM_CTLCOLORSTATIC:
            return DefWindowProcW(box, message, wParam, lParam);
        case WM_TIMER:
            if (wParam == kCountDownTimerId) {
                // A tick already queued when the count-down stopped changes nothing.
                if (m_stopped) return 0;
                --m_seconds;
                UpdateCaption();
                // MessageBoxTimeoutW's own time-out is not to be relied on (Wine has none).
                if (m_seconds <= 0) EndDialog(box, kMessageBoxTimedOut);
                return 0;
            }
            if (IsTimed() && m_stopped) return 0;
            break;
        case WM_INITDIALOG: {
            const LRESULT result = CallWindowProcW(m_previous, box, message, wParam, lParam);
            m_initialised = true;
            if (m_activatedEarly) OnActivate();
            if (IsTimed()) {
                m_seconds = static_cast<int>(hooks.timeoutMs / 1000);
                wchar_t caption[kCaptionLimit + 1] = {};
                GetWindowTextW(box, caption, kCaptionLimit + 1);
                m_caption = caption;
                SetTimer(box, kCountDownTimerId, 1000, nullptr);
                UpdateCaption();
                if (!hooks.messageFilter)
                    hooks.messageFilter = SetWindowsHookExW(WH_MSGFILTER, &CMsgBoxHooks::MessageFilterProc, nullptr,
                                                            GetCurrentThreadId());
            }
            return result;
        }
        default:
            break;
    }
    return CallWindowProcW(m_previous, box, message, wParam, lParam);
}

void CTimeoutMsgBox::UpdateCaption() {
    SetWindowTextW(m_box, MakeCountDownCaption(m_seconds, m_stopped, m_caption));
}

void CTimeoutMsgBox::StopCountDown() {
    if (m_stopped) return;
    m_stopped = true;
    KillTimer(m_box, kCountDownTimerId);
    // MessageBoxTimeoutW's own timer.
    KillTimer(m_box, 0);
    UpdateCaption();
    StartWorker(std::make_unique<CBlinkContext>(CBlinkContext{m_box}), &BlinkThread);
    g_beep.load()();
}

void CTimeoutMsgBox::OnActivate() {
    LayOut();
    if (Platform::IsAppThemed())
        for (HWND control : m_extraControls) Platform::SetWindowTheme(control, L"Exporer", L"Button");
    CentreButtons();
}

HWND CTimeoutMsgBox::LastStandardButton() const {
    int id = IDOK;
    if ((m_type & MB_TYPEMASK) == MB_YESNO)
        id = IDNO;
    else if (m_type & MB_OKCANCEL)
        id = IDCANCEL;
    else if ((m_type & MB_TYPEMASK) == MB_ABORTRETRYIGNORE)
        id = IDIGNORE;
    if (HWND button = GetDlgItem(m_box, id)) return button;
    HWND last = nullptr;
    for (HWND button : ChildrenOfClass(m_box, L"Button"))
        if (!IsExtraControl(button)) last = button;
    return last;
}

void CTimeoutMsgBox::LayOut() {
    const HWND box = m_box;
    const bool vistaOrLater = IsVistaOrLater();
    if (vistaOrLater)
        if (HWND panel = GetDlgItem(box, kVistaPanelId)) DestroyWindow(panel);

    const HFONT boxFont = reinterpret_cast<HFONT>(SendMessageW(box, WM_GETFONT, 0, 0));
    HDC dc = GetDC(box);
    if (!dc) return;
    HGDIOBJ oldFont = SelectObject(dc, boxFont ? boxFont : GetStockObject(DEFAULT_GUI_FONT));
    int extraWidth = 0;
    for (const CString& text : m_texts)
        extraWidth = (std::max)(extraWidth, TextWidth(dc, text, DT_SINGLELINE | DT_VCENTER));
    if (!m_texts.empty()) extraWidth += 2 * GetSystemMetrics(SM_CXMENUCHECK);

    RECT client = {};
    GetClientRect(box, &client);
    int clientWidth = client.right;
    int clientHeight = client.bottom;
    RECT screen = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &screen, 0);
    RECT window = {};
    GetWindowRect(box, &window);
    const int frameWidth = (window.right - window.left) - clientWidth;

    const std::vector<HWND> statics = ChildrenOfClass(box, L"Static");
    if (!statics.empty() && m_iconProvider && (GetWindowLongW(statics[0], GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
        if (HICON icon = m_iconProvider(m_providerArgument))
            SendMessageW(statics[0], STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (statics.size() > 1) {
        const HWND textStatic = statics[1];
        const int length = GetWindowTextLengthW(textStatic);
        CString text;
        GetWindowTextW(textStatic, text.GetBuffer(length + 1), length + 1);
        text.ReleaseBuffer();
        if (length < kBoldTextLimit && boxFont) {
            if (!m_boldFont) m_boldFont = CreateDerivedFont(boxFont, &MakeBold, nullptr);
            if (m_boldFont) SendMessageW(textStatic, WM_SETFONT, reinterpret_cast<WPARAM>(m_boldFont), TRUE);
        }
        const HFONT textFont = reinterpret_cast<HFONT>(SendMessageW(textStatic, WM_GETFONT, 0, 0));
        if (textFont) SelectObject(dc, textFont);
        const int wanted = TextWidth(dc, text, DT_NOPREFIX);
        const RECT rect = RectInParent(textStatic, box);
        // Never wider than the screen: a long line would otherwise push the buttons and
        // the edges of the box out of reach.
        const int room = (screen.right - screen.left) - (clientWidth + frameWidth);
        const int grow = (std::min)(wanted - static_cast<int>(rect.right - rect.left), (std::max)(room, 0));
        if (grow > 0) {
            SetWindowPos(textStatic, nullptr, 0, 0, rect.right - rect.left + grow, rect.bottom - rect.top,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            clientWidth += grow;
        }
    }
    SelectObject(dc, oldFont);
    ReleaseDC(box, dc);

    int left = 0;
    int bottom = 0;
    for (size_t i = 0; i < statics.size() && i < 2; ++i) {
        const RECT rect = RectInParent(statics[i], box);
        left = i == 0 ? rect.left : (std::min)(left, static_cast<int>(rect.left));
        bottom = (std::max)(bottom, static_cast<int>(rect.bottom));
    }
    if (vistaOrLater) left = GetSystemMetrics(SM_CXMENUCHECK);
    const int rowHeight = GetSystemMetrics(SM_CYMENUCHECK);
    const int gap = rowHeight / 2;
    int top = bottom + gap;
    if (IsWin7OrLater()) top += rowHeight + gap;

    HWND after = LastStandardButton();
    for (size_t i = 0; i < m_texts.size(); ++i) {
        HWND control = CreateWindowExW(
            WS_EX_NOPARENTNOTIFY, L"BUTTON", m_texts[i], WS_CHILD | WS_VISIBLE | WS_TABSTOP | BS_LEFT | BS_AUTOCHECKBOX,
            left, top, extraWidth, rowHeight, box,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstExtraControlId + i)), nullptr, nullptr);
        // A row is kept even without its control, so that the indexes stay the caller's.
        m_extraControls.push_back(control);
        top += rowHeight + gap;
        if (!control) continue;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(boxFont), FALSE);
        if (m_checked.count(static_cast<int>(i))) SendMessageW(control, BM_SETCHECK, BST_CHECKED, 0);
        if (m_disabled.count(static_cast<int>(i))) EnableWindow(control, FALSE);
        InstallCheckNotifySubclass(control);
        if (after) SetWindowPos(control, after, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        after = control;
    }

    std::vector<HWND> buttons;
    int buttonsTop = clientHeight;
    for (HWND button : ChildrenOfClass(box, L"Button")) {
        if (IsExtraControl(button)) continue;
        buttons.push_back(button);
        buttonsTop = (std::min)(buttonsTop, static_cast<int>(RectInParent(button, box).top));
    }
    int extraHeight = (gap + rowHeight) * static_cast<int>(m_texts.size());
    // The rows start further down on Windows 7 and later, where the buttons stand in a
    // panel of their own below the text; where they stand closer, they move further.
    if (extraHeight > 0) extraHeight = (std::max)(extraHeight, top - buttonsTop);
    if (extraHeight > 0) {
        for (HWND button : buttons) {
            const RECT rect = RectInParent(button, box);
            SetWindowPos(button, nullptr, rect.left, rect.top + extraHeight, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
        clientWidth = (std::max)(clientWidth, extraWidth + 2 * left);
        clientHeight += extraHeight;
    }

    RECT size = {0, 0, clientWidth, clientHeight};
    AdjustWindowRectEx(&size, static_cast<DWORD>(GetWindowLongW(box, GWL_STYLE)), GetMenu(box) != nullptr,
                       static_cast<DWORD>(GetWindowLongW(box, GWL_EXSTYLE)));
    const int width = size.right - size.left;
    const int height = size.bottom - size.top;
    UINT flags = SWP_NOZORDER | SWP_NOACTIVATE;
    int x = 0;
    int y = 0;
    if (m_x == -1 && m_y == -1) {
        flags |= SWP_NOMOVE;
    } else {
        x = (std::max)(0, (std::min)(m_x, GetSystemMetrics(SM_CXSCREEN) - width));
        y = (std::max)(0, (std::min)(m_y, GetSystemMetrics(SM_CYSCREEN) - height));
    }
    SetWindowPos(box, nullptr, x, y, width, height, flags);
    for (const auto& rename : m_renames)
        if (HWND button = GetDlgItem(box, rename.first)) SetWindowTextW(button, rename.second);
}

void CTimeoutMsgBox::CentreButtons() {
    std::vector<HWND> buttons;
    for (HWND button : ChildrenOfClass(m_box, L"Button"))
        if (!IsExtraControl(button)) buttons.push_back(button);
    if (buttons.empty()) return;
    RECT client = {};
    GetClientRect(m_box, &client);
    const RECT first = RectInParent(buttons[0], m_box);
    const int step = (first.right - first.left) + 5;
    const int count = static_cast<int>(buttons.size());
    for (int i = 0; i < count; ++i) {
        const RECT rect = RectInParent(buttons[i], m_box);
        SetWindowPos(buttons[i], nullptr, i * step + (client.right - step * count + 5) / 2, rect.top, 0, 0,
                     SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}
