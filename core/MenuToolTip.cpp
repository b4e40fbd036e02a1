#include "core/MenuToolTip.h"

#include <commctrl.h>

#include <atomic>
#include <cstddef>
#include <cwchar>

#include "core/IconIds.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/WindowHelpers.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/PopupMenu.h"
#include "core/base/SehGuard.h"
#include "core/base/TextHelpers.h"
#include "core/base/WorkerThread.h"

namespace {

const wchar_t kTipClass[] = L"MenuToolTip";
const wchar_t kTipObjectProp[] = L"Vexlora.MenuToolTip";
const int kMaxBodyChars = 3500;
const int kMaxDefaultTextChars = 259;
const int kSeparatorDashes = 20;

// Ids of the phrase menu's commands that have tips of their own.
const UINT kIdFileNameReplacements = 32864;
const UINT kIdCopyCommand = 32797;
const UINT kIdWebCommand = 32806;
const UINT kIdWebCommand2 = 32848;
const UINT kFirstSearchId = 32834;
const UINT kLastSearchId = 32837;
// UI strings of the phrase menu's tips.
const UINT kStringReplacementsTitle = 302;
const UINT kStringReplacementsText = 303;
const UINT kStringRightClickHint = 293;

std::atomic<long> g_runningDelays{0};
WNDPROC g_tooltipsProc = nullptr;

// ---------------------------------------------------------------------------------------
// The window class

// A tip under the mouse pointer would cover the item the user points at: it goes away.
LRESULT CALLBACK MenuTipClassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    const LRESULT result = CallWindowProcW(g_tooltipsProc, window, message, wParam, lParam);
    if (message == WM_NCHITTEST && result == HTCLIENT) PostMessageW(window, TTM_POP, 0, 0);
    return result;
}

const wchar_t* TipClassName() {
    static const bool registered = [] {
        WNDCLASSEXW windowClass = {};
        windowClass.cbSize = sizeof windowClass;
        if (!GetClassInfoExW(nullptr, TOOLTIPS_CLASSW, &windowClass)) return false;
        g_tooltipsProc = windowClass.lpfnWndProc;
        windowClass.lpfnWndProc = &MenuTipClassProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = kTipClass;
        return RegisterClassExW(&windowClass) != 0;
    }();
    return registered ? kTipClass : TOOLTIPS_CLASSW;
}

TTTOOLINFOW ToolOf(HWND owner) {
    TTTOOLINFOW tool = {};
    tool.cbSize = TTTOOLINFOW_V2_SIZE;
    tool.hwnd = owner;
    tool.uId = reinterpret_cast<UINT_PTR>(owner);
    return tool;
}

CString MenuItemText(HMENU menu, UINT id, int maxChars) {
    if (!menu) return CString();
    wchar_t text[1025] = {};
    GetMenuStringW(menu, id, text, maxChars < 1025 ? maxChars : 1025, MF_BYCOMMAND);
    return CString(text);
}

CString Ellipsised(const CString& text, int maxChars) {
    if (text.GetLength() <= maxChars) return text;
    int keep = maxChars - 2;
    if (IS_HIGH_SURROGATE(text.GetAt(keep - 1))) --keep;
    return text.Left(keep) + L"\u2026";
}

// ---------------------------------------------------------------------------------------
// The delay

struct DelayWait {
    HWND target;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD delayMs;
    CHandle cancel;
};

DWORD RunDelayWait(DelayWait& wait) {
    if (WaitForSingleObject(wait.cancel.get(), wait.delayMs) == WAIT_TIMEOUT)
        PostMessageW(wait.target, wait.message, wait.wParam, wait.lParam);
    --g_runningDelays;
    return 0;
}

// ---------------------------------------------------------------------------------------
// The per-thread hook

struct ThreadTipHook {
    HWND owner = nullptr;
    HWND tip = nullptr;
    HHOOK hook = nullptr;
};
thread_local ThreadTipHook t_tipHook;

bool ForwardsToOwner(const CWPSTRUCT& message) {
    if (message.message != WM_MENUSELECT && (message.message != WM_ENTERIDLE || message.wParam != MSGF_MENU))
        return false;
    const HWND owner = t_tipHook.owner;
    return owner && message.hwnd != owner && IsChild(owner, message.hwnd);
}

LRESULT CALLBACK MenuTipHookProc(int code, WPARAM wParam, LPARAM lParam) noexcept {
    const HHOOK hook = t_tipHook.hook;
    if (code != HC_ACTION) return CallNextHookEx(hook, code, wParam, lParam);
    const CWPSTRUCT message = *reinterpret_cast<const CWPSTRUCT*>(lParam);
    switch (message.message) {
        case WM_INITDIALOG:
        case WM_MENURBUTTONUP:
        case WM_UNINITMENUPOPUP:
        case WM_EXITMENULOOP:
            if (IsWindow(t_tipHook.tip)) {
                SendMessageW(t_tipHook.tip, TTM_POP, 0, 0);
                ShowWindow(t_tipHook.tip, SW_HIDE);
            }
            break;
        default:
            break;
    }
    const bool forward = ForwardsToOwner(message);
    const LRESULT result = CallNextHookEx(hook, code, wParam, lParam);
    if (forward) SendMessageW(t_tipHook.owner, message.message, message.wParam, message.lParam);
    return result;
}

bool InstallThreadTipHook(HWND owner, HWND tip) {
    if (t_tipHook.hook) return false;
    HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, &MenuTipHookProc, nullptr, GetCurrentThreadId());
    if (!hook) return false;
    t_tipHook = {owner, tip, hook};
    return true;
}

void RemoveThreadTipHook() {
    if (t_tipHook.hook) UnhookWindowsHookEx(t_tipHook.hook);
    t_tipHook = {};
}

bool IsProcessElevated() {
    HANDLE token = nullptr;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token)) return false;
    CHandle owned(token);
    TOKEN_ELEVATION elevation = {};
    DWORD size = 0;
    return GetTokenInformation(token, TokenElevation, &elevation, sizeof elevation, &size) &&
           elevation.TokenIsElevated != 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The delay

long GetRunningMenuTipDelays() {
    return g_runningDelays.load();
}

CMenuTipDelayThreads::CMenuTipDelayThreads(DWORD delayMs)
    : m_delayMs(delayMs), m_cancel(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CMenuTipDelayThreads::~CMenuTipDelayThreads() {
    CancelAll();
}

bool CMenuTipDelayThreads::Start(HWND target, UINT message, WPARAM wParam, LPARAM lParam) {
    CHandle cancel = DuplicateForWorker(m_cancel.get());
    if (!cancel) return false;
    ++g_runningDelays;
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    if (StartWorker(
            std::make_unique<DelayWait>(DelayWait{target, message, wParam, lParam, m_delayMs, std::move(cancel)}),
            &RunDelayWait, options))
        return true;
    --g_runningDelays;
    LogError(L"CMenuTipDelayThreads::Start: the delay thread cannot be started");
    return false;
}

void CMenuTipDelayThreads::CancelAll() {
    if (m_cancel) SetEvent(m_cancel.get());
    // The waits started so far keep their copies of the signalled event; later ones get a
    // fresh one.
    m_cancel.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
}

// ---------------------------------------------------------------------------------------
// Texts and placement

CString MakeMenuTipTitle(const CString& itemText) {
    CString title = itemText;
    title.Remove(L'&');
    const int tab = title.Find(L'\t');
    if (tab <= 0) return title;
    CString bracketed;
    bracketed.Format(L"%s\t[%s]", title.Left(tab).GetString(), title.Mid(tab + 1).GetString());
    return bracketed;
}

CString MakeMenuTipBody(const CString& text, const CString& defaultText) {
    return Ellipsised(text.IsEmpty() ? defaultText : text, kMaxBodyChars);
}

POINT PlaceMenuTip(const RECT& item, SIZE tip, SIZE defaultTip, const MenuTipScreen& screen, bool balloon) {
    const LONG width = tip.cx > 0 ? tip.cx : defaultTip.cx;
    const LONG height = tip.cy > 0 ? tip.cy : defaultTip.cy;
    POINT point;
    point.x = screen.width >= item.right + width ? item.right : item.left - width;
    point.y = screen.height >= item.top + defaultTip.cy ? item.top : item.bottom - height;
    if (balloon)
        point.y += (item.bottom - item.top) / 2;
    else if (point.y + height > screen.height)
        point.y = item.bottom - height - screen.borderHeight;
    return point;
}

// ---------------------------------------------------------------------------------------
// CMenuToolTip

CMenuToolTip::CMenuToolTip() : m_delay(std::make_unique<CMenuTipDelayThreads>()) {}

CMenuToolTip::~CMenuToolTip() {
    m_delay->CancelAll();
    if (!m_tip) return;
    RemovePropW(m_tip, kTipObjectProp);
    SetWindowLongPtrW(m_tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(m_tipProc));
    DestroyWindow(m_tip);
}

void CMenuToolTip::SetDelay(std::unique_ptr<IMenuTipDelay> delay) {
    if (delay) m_delay = std::move(delay);
}

bool CMenuToolTip::IsIgnoredId(UINT id) const {
    return IsSysCommandID(id);
}

MenuTipIcon CMenuToolTip::GetTipIcon(UINT) {
    return kMenuTipInfoIcon;
}

void CMenuToolTip::SetTitle(const CString& text, UINT, MenuTipIcon icon) {
    if (!m_tip) return;
    const CString title = MakeToolTipTitle(text);
    SendMessageW(m_tip, TTM_SETTITLEW, icon, reinterpret_cast<LPARAM>(title.GetString()));
}

void CMenuToolTip::Activate(bool on) {
    m_active = on;
    if (!on) m_shownId = 0;
    if (!m_tip) return;
    TTTOOLINFOW tool = ToolOf(m_owner);
    SendMessageW(m_tip, TTM_TRACKACTIVATE, on ? TRUE : FALSE, reinterpret_cast<LPARAM>(&tool));
}

void CMenuToolTip::AdjustPoint(POINT&, HMENU, UINT) {}

bool CMenuToolTip::ShowAtOnce(UINT) {
    return false;
}

HWND CMenuToolTip::Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style,
                          const wchar_t* title) {
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    if (!InitCommonControlsEx(&controls)) {
        LogError(L"CMenuToolTip::Create: InitCommonControlsEx failed");
        return nullptr;
    }
    HWND tip = CreateWindowExW(0, TipClassName(), L"", style | WS_POPUP, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                               CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (!tip) {
        LogError(L"CMenuToolTip::Create: the tip window cannot be made");
        return nullptr;
    }
    m_tip = tip;
    m_owner = owner;
    m_defaultText =
        CString(defaultText && *defaultText ? defaultText : L"No Text associated").Left(kMaxDefaultTextChars);

    TTTOOLINFOW tool = ToolOf(owner);
    tool.uFlags = TTF_IDISHWND | TTF_TRACK | TTF_ABSOLUTE | TTF_TRANSPARENT;
    tool.hinst = instance;
    tool.lpszText = const_cast<wchar_t*>(m_defaultText.GetString());
    SendMessageW(tip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, 300);
    if (title && *title) SetTitle(CString(title), 0, kMenuTipInfoIcon);

    SetPropW(tip, kTipObjectProp, this);
    m_tipProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrW(tip, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&CMenuToolTip::TipProc)));
    return tip;
}

LRESULT CALLBACK CMenuToolTip::TipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    auto* self = static_cast<CMenuToolTip*>(GetPropW(window, kTipObjectProp));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    DWORD code = 0;
    if (RunGuarded([&] { result = self->OnTipMessage(window, message, wParam, lParam); }, &code)) return result;
    LogError(FormatExceptionReport(L"ERROR: Exception in CMenuToolTip::TipProc", code));
    return 0;
}

LRESULT CMenuToolTip::OnTipMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_VXL_MENU_TIP_DUE) {
        OnDelayDue(static_cast<UINT>(wParam), lParam);
        return 0;
    }
    const WNDPROC original = m_tipProc;
    if (message == WM_NCDESTROY) {
        // Someone else destroyed the tip: the object goes on without it.
        RemovePropW(window, kTipObjectProp);
        SetWindowLongPtrW(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        m_delay->CancelAll();
        m_tip = nullptr;
        m_active = false;
        m_shownId = 0;
    }
    const LRESULT result = CallWindowProcW(original, window, message, wParam, lParam);
    if (m_tip && SubclassTipWindow() && (message == WM_MOUSEMOVE || message == WM_LBUTTONDOWN)) Hide();
    return result;
}

void CMenuToolTip::Hide() {
    if (!m_tip) return;
    SendMessageW(m_tip, TTM_POP, 0, 0);
    ShowWindow(m_tip, SW_HIDE);
}

void CMenuToolTip::ForgetSelection() {
    m_currentId = 0;
    ++m_ticket;
    m_delay->CancelAll();
    Activate(false);
}

void CMenuToolTip::OnMenuSelect(UINT id, UINT flags, HMENU menu) {
    if (id == 0) {
        ForgetSelection();
        return;
    }
    if (IsSuppressed()) return;
    const bool popup = (flags & MF_POPUP) != 0;
    if (!popup && menu) SetTitle(MakeMenuTipTitle(MenuItemText(menu, id, 1024)), id, GetTipIcon(id));
    const bool menuClosed = flags == 0xFFFF && !menu;
    if ((flags & MF_SEPARATOR) || popup || menuClosed || IsIgnoredId(id)) {
        ForgetSelection();
        return;
    }
    m_selectedMenu = menu;
    if (ShowAtOnce(id)) {
        m_currentId = id;
        Show(menu, id);
        return;
    }
    Activate(false);
    m_currentId = id;
    ++m_ticket;
    m_delay->CancelAll();
    if (m_tip) m_delay->Start(m_tip, WM_VXL_MENU_TIP_DUE, id, m_ticket);
}

void CMenuToolTip::OnDelayDue(UINT id, LPARAM ticket) {
    // Anything selected since, or the menu's end, made this delay stale.
    if (ticket != m_ticket || id != m_currentId) return;
    if (IsMenu(m_selectedMenu)) {
        Show(m_selectedMenu, id);
        return;
    }
    Hide();
    Activate(false);
}

void CMenuToolTip::OnEnterIdle(UINT reason, HWND menuWindow) {
    if (reason != MSGF_MENU || !menuWindow) return;
    m_menuWindow = menuWindow;
    if (m_active && m_shownId) PlaceAtItem(m_shownMenu, m_shownId);
}

bool CMenuToolTip::Ask(UINT id, MenuToolTipRequest& request) {
    if (!m_answering) return false;
    request.id = id;
    return SendMessageW(m_answering, GetMenuToolTipMessage(), 0, reinterpret_cast<LPARAM>(&request)) != 0;
}

void CMenuToolTip::Show(HMENU menu, UINT id) {
    if (!m_tip || !CanShow()) return;
    MenuToolTipRequest request;
    MenuTipIcon icon = 0;
    if (Ask(id, request)) {
        icon = request.icon ? reinterpret_cast<MenuTipIcon>(request.icon) : GetTipIcon(id);
    } else {
        GetText(request.text, id, menu, request.title);
        icon = GetTipIcon(id);
    }
    if (!m_tip) return;
    if (!request.text.IsEmpty() || icon) {
        // The item's own text as title reads as at the selection: no "&" marks, the
        // shortcut in brackets.
        SetTitle(request.title.IsEmpty() ? MakeMenuTipTitle(MenuItemText(menu, id, 399)) : request.title, id, icon);
    }
    const CString body = MakeMenuTipBody(request.text, m_defaultText);
    TTTOOLINFOW tool = ToolOf(m_owner);
    tool.lpszText = const_cast<wchar_t*>(body.GetString());
    SendMessageW(m_tip, TTM_UPDATETIPTEXTW, 0, reinterpret_cast<LPARAM>(&tool));
    if (!IsMenu(menu)) return;
    m_shownMenu = menu;
    PlaceAtItem(menu, id);
    Activate(true);
    m_shownId = id;
}

void CMenuToolTip::PlaceAtItem(HMENU menu, UINT id) {
    if (!m_tip) return;
    POINT point = {};
    GetCursorPos(&point);
    AdjustPoint(point, menu, id);
    SendMessageW(m_tip, TTM_TRACKPOSITION, 0, MAKELPARAM(point.x, point.y));
    SetWindowPos(m_tip, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
}

// ---------------------------------------------------------------------------------------
// CMenuToolTipEx

CMenuToolTipEx::CMenuToolTipEx(bool installHook)
    : m_screenWidth(GetSystemMetrics(SM_CXSCREEN)),
      m_screenHeight(GetSystemMetrics(SM_CYSCREEN)),
      m_installHook(installHook) {}

CMenuToolTipEx::~CMenuToolTipEx() {
    if (m_hasHook) RemoveThreadTipHook();
}

HWND CMenuToolTipEx::Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style,
                            const wchar_t* title) {
    HWND tip = CMenuToolTip::Create(owner, defaultText, instance, style, title);
    if (tip && m_installHook) {
        m_hasHook = InstallThreadTipHook(owner, tip);
        if (!m_hasHook) LogError(L"CMenuToolTipEx::Create: this thread has a menu tip hook already");
    }
    return tip;
}

void CMenuToolTipEx::AdjustPoint(POINT& point, HMENU menu, UINT id) {
    const int count = GetMenuItemCount(menu);
    int position = count - 1;
    while (position >= 0 && GetMenuItemID(menu, position) != id) --position;
    RECT item = {};
    if (position < 0 || !GetMenuItemRect(GetMenuWindow(), menu, static_cast<UINT>(position), &item)) return;
    RECT tip = {};
    GetWindowRect(GetTipWindow(), &tip);
    const SIZE tipSize = {tip.right - tip.left, tip.bottom - tip.top};
    const SIZE defaultSize = {DefaultTipWidth(), DefaultTipHeight()};
    const bool balloon = (GetWindowLongW(GetTipWindow(), GWL_STYLE) & TTS_BALLOON) != 0;
    point = PlaceMenuTip(item, tipSize, defaultSize,
                         MenuTipScreen{m_screenWidth, m_screenHeight, GetSystemMetrics(SM_CYBORDER)}, balloon);
}

// ---------------------------------------------------------------------------------------
// CMenuToolTipClient

CMenuToolTipClient::CMenuToolTipClient(StringLookup strings) : m_strings(strings) {}

MenuTipIcon CMenuToolTipClient::GetTipIcon(UINT) {
    return kMenuTipInfoIcon;
}

void CMenuToolTipClient::GetText(CString& text, UINT id, HMENU, CString& title) {
    title.Empty();
    text = m_strings ? m_strings(id) : CString();
    const int lineEnd = text.Find(L'\n');
    if (lineEnd > 0) text = text.Left(lineEnd);
}

// ---------------------------------------------------------------------------------------
// CMenuToolTip_Insert

CMenuToolTip_Insert::CMenuToolTip_Insert(StringLookup strings, ItemReader reader)
    : CMenuToolTipEx(false), m_strings(strings), m_reader(reader) {}

HWND CMenuToolTip_Insert::Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style,
                                 const wchar_t* title) {
    return CMenuToolTipEx::Create(owner, defaultText, instance, style | TTS_CLOSE, title);
}

HICON CMenuToolTip_Insert::LoadFixedIcon(UINT resource) {
    auto found = m_fixedIcons.find(resource);
    if (found != m_fixedIcons.end()) return found->second.get();
    HICON icon = static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(resource), IMAGE_ICON, 16, 16, LR_DEFAULTCOLOR));
    return m_fixedIcons.emplace(resource, CIconHandle(icon)).first->second.get();
}

MenuTipIcon CMenuToolTip_Insert::GetTipIcon(UINT id) {
    UINT resource = 0;
    switch (id) {
        case kIdFileNameReplacements:
        case kIdCopyCommand:
            resource = IDI_COPY;
            break;
        case ID_SUPPORT:
        case kIdWebCommand:
        case kIdWebCommand2:
            resource = IDI_WEB;
            break;
        case IDS_CMD_SEARCH_GOOGLE:
            resource = IDI_WEB_SEARCH;
            break;
        case IDS_CMD_SEARCH_YANDEX:
            resource = IDI_WEB_SEARCH_2;
            break;
        case IDS_CMD_SEARCH_MSDN:
            resource = IDI_DEV_DOCS;
            break;
        case IDS_CMD_SEARCH_WIKIPEDIA:
            resource = IDI_ENCYCLOPEDIA;
            break;
        default:
            break;
    }
    if (resource) {
        if (HICON icon = LoadFixedIcon(resource)) return reinterpret_cast<MenuTipIcon>(icon);
    } else {
        auto cached = m_icons.find(id);
        if (cached != m_icons.end() && cached->second) return reinterpret_cast<MenuTipIcon>(cached->second);
    }
    static const bool elevated = IsProcessElevated();
    if (HICON program = LoadFixedIcon(elevated ? IDI_APP_READY_ADMIN : IDI_APP_READY))
        return reinterpret_cast<MenuTipIcon>(program);
    LogWrite(L"CMenuToolTip_Insert::GetTipIcon: no icon");
    return kMenuTipInfoIcon;
}

void CMenuToolTip_Insert::GetText(CString& text, UINT id, HMENU menu, CString& title) {
    text.Empty();
    title.Empty();
    if (id == 0) {
        Hide();
        return;
    }
    HWND tip = GetTipWindow();
    if (SendMessageW(tip, TTM_GETMAXTIPWIDTH, 0, 0) == -1)
        SendMessageW(tip, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
    auto uiString = [this](UINT stringId) { return m_strings ? m_strings(stringId) : CString(); };
    if (id == kIdFileNameReplacements) {
        title = uiString(kStringReplacementsTitle);
        text = L"\n\t" + uiString(kStringReplacementsText) + L"\u2026";
        AppendSeparatorLine(text, kSeparatorDashes, true);
        text += GetFileNameReplacementsText();
        return;
    }
    title = uiString(id);
    MenuItemTipInfo info;
    if (!m_reader || !m_reader(menu, id, info)) return;
    if (id >= kFirstSearchId && id <= kLastSearchId) {
        title = uiString(id) + L" [" + info.note + L"]";
    } else {
        title = info.caption;
        text = info.tipText;
    }
    if (info.plainItem) {
        AppendSeparatorLine(text, kSeparatorDashes, true);
        text += L"\u00BB ";
        text += uiString(kStringRightClickHint);
    }
}
