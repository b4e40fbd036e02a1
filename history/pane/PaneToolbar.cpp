#include "history/pane/PaneToolbar.h"

#include "core/IconIds.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/base/Handles.h"
#include "platform/wtl/AtlApp.h"

namespace {

const WORD kIdKeepHistoryCommand = 32786;
const WORD kIdClearHistory = 32789;
const WORD kIdHistoryRekeep = 32819;
const WORD kIdWelcome = 32832;
const WORD kIdTips = 32833;
const WORD kIdSounds = 32817;
const WORD kIdMuteMode = 32867;
const WORD kIdCommandLineKeys = 32865;
const WORD kIdHowToLocalize = 32776;
const WORD kIdExpandPane = 32858;
const UINT kLastLanguageCommandId = 33049;

// Icon resources of the bar besides those the program shares.
const UINT kIconEdit = 213;
const UINT kIconExpand = 217;
const UINT kToolbarIcons[] = {IDI_DELETE, IDI_TO_CAPTION, kIconEdit, IDI_COPY, kIconExpand, IDI_PIN};
const int kImageToCaption = 1;
const int kImageExpanded = 4;

const int kButtonCount = 8;

bool IsMainWindowCommand(UINT id) {
    switch (id) {
        case kIdCommandLineKeys:
        case kIdMuteMode:
        case ID_APP_ABOUT:
        case kIdHowToLocalize:
        case kIdSounds:
        case kIdWelcome:
        case kIdTips:
            return true;
        default:
            return false;
    }
}

}  // namespace

const UINT kToolbarMenuIds[20] = {ID_SHOW_PHRASES_MENU,
                                  ID_PANE_SHOW_ALL_ITEMS,
                                  0,
                                  ID_PANE_PIN,
                                  0,
                                  kIdClearHistory,
                                  kIdHistoryRekeep,
                                  0,
                                  kIdTips,
                                  kIdWelcome,
                                  kIdSounds,
                                  kIdMuteMode,
                                  ID_OPEN_EDITOR,
                                  0,
                                  ID_RUN_AS_ADMIN,
                                  ID_CHECK_FOR_UPDATES,
                                  kIdCommandLineKeys,
                                  ID_APP_ABOUT,
                                  0,
                                  ID_APP_EXIT};

CVXLToolbarWnd::CVXLToolbarWnd(UINT queryMessage, IToolbarMenuHost& menuHost)
    : m_queryMessage(queryMessage), m_menuHost(menuHost), m_mouseLeave(&m_hWnd) {}

CVXLToolbarWnd::~CVXLToolbarWnd() {
    if (m_imageList) ImageList_Destroy(m_imageList);
}

HWND CVXLToolbarWnd::Create(HWND pane, const RECT& rect, DWORD style, UINT id) {
    if (!CreateControl(TOOLBARCLASSNAMEW, pane, rect, style, 0, id)) return nullptr;
    SetUpButtons();
    StretchLeadingSeparator();
    return m_hWnd;
}

void CVXLToolbarWnd::SetUpButtons() {
    m_imageList = ImageList_Create(14, 14, ILC_COLOR32 | ILC_MASK, kButtonCount, 1);
    HINSTANCE instance = wtl::Module().GetResourceInstance();
    if (!instance) instance = GetModuleHandleW(nullptr);
    for (UINT iconId : kToolbarIcons) {
        CIconHandle icon(static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 16, 16, 0)));
        if (icon && m_imageList) ImageList_AddIcon(m_imageList, icon.get());
    }
    SendMessage(TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON));
    SendMessage(TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_DRAWDDARROWS);
    SendMessage(TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(m_imageList));
    const TBBUTTON buttons[kButtonCount] = {
        {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
        {kImageToCaption, ID_PANE_MINIMIZE_TO_CAPTION, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
        {5, ID_PANE_PIN, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {3, ID_PANE_COPY, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
        {2, ID_OPEN_EDITOR, TBSTATE_ENABLED, BTNS_DROPDOWN | BTNS_WHOLEDROPDOWN, {}, 0, 0},
        {0, 0, TBSTATE_ENABLED, BTNS_SEP, {}, 0, 0},
        {0, ID_APP_EXIT, TBSTATE_ENABLED, BTNS_BUTTON, {}, 0, 0},
    };
    SendMessage(TB_ADDBUTTONSW, kButtonCount, reinterpret_cast<LPARAM>(buttons));

    HWND tip = reinterpret_cast<HWND>(SendMessage(TB_GETTOOLTIPS));
    if (tip) {
        SetWindowLongPtrW(tip, GWL_STYLE, GetWindowLongPtrW(tip, GWL_STYLE) | TTS_ALWAYSTIP);
        ::PostMessageW(tip, WM_SETFONT, reinterpret_cast<WPARAM>(GetDefaultGuiFont()), 0);
    }
}

void CVXLToolbarWnd::SetCollapsedLook(bool collapsed) {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_IMAGE | TBIF_STATE;
    if (SendMessage(TB_GETBUTTONINFOW, ID_PANE_MINIMIZE_TO_CAPTION, reinterpret_cast<LPARAM>(&info)) < 0) return;
    info.iImage = collapsed ? kImageExpanded : kImageToCaption;
    info.fsState = static_cast<BYTE>(collapsed ? (info.fsState | TBSTATE_CHECKED) : (info.fsState & ~TBSTATE_CHECKED));
    SendMessage(TB_SETBUTTONINFOW, ID_PANE_MINIMIZE_TO_CAPTION, reinterpret_cast<LPARAM>(&info));
}

void CVXLToolbarWnd::PressPinButton(bool pressed) {
    SendMessage(TB_PRESSBUTTON, ID_PANE_PIN, MAKELPARAM(pressed ? TRUE : FALSE, 0));
}

bool CVXLToolbarWnd::IsButtonChecked(int commandOrIndex, bool byIndex) const {
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_STATE | (byIndex ? TBIF_BYINDEX : 0);
    if (SendMessage(TB_GETBUTTONINFOW, static_cast<WPARAM>(commandOrIndex), reinterpret_cast<LPARAM>(&info)) < 0)
        return false;
    return (info.fsState & TBSTATE_CHECKED) != 0;
}

bool CVXLToolbarWnd::GetButtonScreenRect(int index, RECT& rect) const {
    if (!SendMessage(TB_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&rect))) return false;
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&rect), 2);
    return true;
}

void CVXLToolbarWnd::SetBackgroundColorIndex(int index) {
    if (index == m_backgroundColorIndex) return;
    m_backgroundColorIndex = index;
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CVXLToolbarWnd::SetBlinkHighlight(bool on) {
    if (on == m_blinkHighlight) return;
    m_blinkHighlight = on;
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CVXLToolbarWnd::OnHistoryStateChanged(bool on) {
    // The history's on/off state has no button here (command 32786 lives in the drop-down
    // menu of the settings button): the bar shows it by its background alone.
    (void)kIdKeepHistoryCommand;
    SetBackgroundColorIndex(on ? kToolbarBackgroundHistoryOn : kToolbarBackgroundHistoryOff);
}

BOOL CVXLToolbarWnd::PostToParent(UINT message, WPARAM wParam, LPARAM lParam) const {
    return ::PostMessageW(GetParent(m_hWnd), message, wParam, lParam);
}

bool CVXLToolbarWnd::IsOverButton(POINT clientPoint) const {
    const LRESULT index = SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&clientPoint));
    if (index < 0) return false;
    // Some tool bars report separators as hits too; the stretching one is the empty part.
    TBBUTTON button = {};
    return SendMessage(TB_GETBUTTON, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&button)) &&
           !(button.fsStyle & BTNS_SEP);
}

void CVXLToolbarWnd::StartHoverTimer() {
    if (m_hoverTimer) return;
    m_hoverTimer = SetTimer(m_hWnd, kToolbarHoverTimer, kToolbarHoverMs, nullptr);
    m_mouseLeave.Track();
}

void CVXLToolbarWnd::KillHoverTimer() {
    if (m_hoverTimer) KillTimer(m_hWnd, kToolbarHoverTimer);
    m_hoverTimer = 0;
}

LRESULT CVXLToolbarWnd::NotifyPane(int code, bool post) {
    HWND pane = GetParent(m_hWnd);
    NMHDR header = {m_hWnd, static_cast<UINT_PTR>(GetDlgCtrlID(m_hWnd)), static_cast<UINT>(code)};
    if (!post) return ::SendMessageW(pane, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&header));
    // A posted header is read after this call has returned.
    m_notifyHeader = header;
    return ::PostMessageW(pane, WM_NOTIFY, header.idFrom, reinterpret_cast<LPARAM>(&m_notifyHeader));
}

LRESULT CVXLToolbarWnd::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if (wParam != kToolbarHoverTimer) {
        handled = FALSE;
        return 0;
    }
    // A tick queued before the timer was killed must not count as a second rest.
    if (!m_hoverTimer || m_menuShowing) return 0;
    KillHoverTimer();
    const DWORD position = GetMessagePos();
    const POINT cursor = wtl::PointFromLParam(static_cast<LPARAM>(position));
    RECT window = {};
    GetWindowRect(m_hWnd, &window);
    if (PtInRect(&window, cursor)) NotifyPane(kToolbarNotifyMouseRested, false);
    return 0;
}

LRESULT CVXLToolbarWnd::OnLButtonDown(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    const POINT point = wtl::PointFromLParam(lParam);
    if (wParam & MK_CONTROL) {
        ShowContextMenu(point);
        return 0;
    }
    if (IsOverButton(point)) {
        handled = FALSE;
        return 0;
    }
    KillHoverTimer();
    PostToParent(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return 0;
}

LRESULT CVXLToolbarWnd::OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    ReleaseCapture();
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    POINT point = wtl::PointFromLParam(lParam);
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    if (!IsOverButton(point) && PtInRect(&client, point)) StartHoverTimer();
    return result;
}

LRESULT CVXLToolbarWnd::OnRButtonUp(UINT, WPARAM, LPARAM lParam, BOOL&) {
    ShowContextMenu(wtl::PointFromLParam(lParam));
    return 0;
}

LRESULT CVXLToolbarWnd::OnMenuRequest(int, NMHDR* header, BOOL&) {
    // The sender's point follows its header.
    const auto* request = reinterpret_cast<const NMMOUSE*>(header);
    ShowContextMenu(request->pt);
    return 0;
}

LRESULT CVXLToolbarWnd::OnMButtonDown(UINT, WPARAM, LPARAM, BOOL&) {
    ReleaseCapture();
    NotifyPane(kToolbarNotifyPhraseMenu, true);
    return 0;
}

LRESULT CVXLToolbarWnd::OnRButtonDblClk(UINT, WPARAM, LPARAM, BOOL&) {
    ReleaseCapture();
    EndMenu();
    NotifyPane(kToolbarNotifyPhraseMenu, false);
    return 0;
}

LRESULT CVXLToolbarWnd::OnLButtonDblClk(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    if (IsOverButton(wtl::PointFromLParam(lParam))) {
        handled = FALSE;
        return 0;
    }
    ReleaseCapture();
    RECT pane = {};
    GetWindowRect(GetParent(m_hWnd), &pane);
    const int x = (pane.left + pane.right) / 2;
    const int y = pane.top + GetSystemMetrics(SM_CYSMCAPTION) / 2;
    PostToParent(WM_NCLBUTTONDBLCLK, HTCAPTION, MAKELPARAM(x, y));
    return 0;
}

LRESULT CVXLToolbarWnd::OnSize(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    StretchLeadingSeparator();
    return result;
}

void CVXLToolbarWnd::StretchLeadingSeparator() {
    RECT first = {};
    RECT last = {};
    if (!SendMessage(TB_GETITEMRECT, 1, reinterpret_cast<LPARAM>(&first)) ||
        !SendMessage(TB_GETITEMRECT, kButtonCount - 1, reinterpret_cast<LPARAM>(&last)))
        return;
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const int width = (client.right - client.left) - (last.right - first.left) - GetSystemMetrics(SM_CXVSCROLL);
    TBBUTTONINFOW info = {};
    info.cbSize = sizeof info;
    info.dwMask = TBIF_BYINDEX | TBIF_SIZE;
    info.cx = static_cast<WORD>(width > 0 ? width : 0);
    SendMessage(TB_SETBUTTONINFOW, 0, reinterpret_cast<LPARAM>(&info));
}

LRESULT CVXLToolbarWnd::OnSetCursor(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    POINT point = {};
    GetCursorPos(&point);
    ScreenToClient(m_hWnd, &point);
    if (LOWORD(lParam) != HTCLIENT || IsOverButton(point)) {
        handled = FALSE;
        return 0;
    }
    SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
    return TRUE;
}

LRESULT CVXLToolbarWnd::OnEraseBkgnd(UINT, WPARAM wParam, LPARAM, BOOL&) {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrushCached(m_backgroundColorIndex));
    return TRUE;
}

LRESULT CVXLToolbarWnd::OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    StartHoverTimer();
    return result;
}

LRESULT CVXLToolbarWnd::OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    KillHoverTimer();
    return result;
}

CString CVXLToolbarWnd::CaptionOf(UINT id) {
    CString caption = m_menuHost.GetCommandCaption(id);
    if (!caption.IsEmpty()) return caption;
    caption = LoadUiString(id);
    const int lineEnd = caption.Find(L'\n');
    return lineEnd >= 0 ? caption.Mid(lineEnd + 1) : caption;
}

void CVXLToolbarWnd::ShowContextMenu(POINT clientPoint) {
    const int button = static_cast<int>(SendMessage(TB_HITTEST, 0, reinterpret_cast<LPARAM>(&clientPoint)));
    POINT screenPoint = clientPoint;
    RECT buttonRect = {};
    if (IsOverButton(clientPoint) && GetButtonScreenRect(button, buttonRect)) {
        screenPoint = {buttonRect.left, buttonRect.bottom};
    } else {
        ClientToScreen(m_hWnd, &screenPoint);
    }
    UINT chosen = 0;
    do {
        chosen = TrackContextMenu(screenPoint);
        DispatchMenuCommand(chosen);
    } while (chosen >= kFirstLanguageCommandId && chosen <= kLastLanguageCommandId);
}

UINT CVXLToolbarWnd::TrackContextMenu(POINT screenPoint) {
    HWND pane = GetParent(m_hWnd);
    CMenuHandle created;
    HMENU menu = GetSystemMenu(pane, FALSE);
    if (!menu) {
        created.reset(CreatePopupMenu());
        menu = created.get();
    }
    if (!menu) return 0;
    const int originalCount = GetMenuItemCount(menu);
    const UINT originalDefault = GetMenuDefaultItem(menu, FALSE, 0);
    const CToolbarMenuFacts facts = m_menuHost.GetMenuFacts();

    if (originalCount > 0) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    for (UINT id : kToolbarMenuIds) {
        if (!id) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        CString caption = CaptionOf(id);
        if (id == ID_SHOW_PHRASES_MENU) {
            const CString hotKey = m_menuHost.GetPhraseHotKeyText();
            if (!hotKey.IsEmpty()) caption += L"\t" + hotKey;
        }
        AppendMenuW(menu, MF_STRING, id, caption);
    }

    const auto enable = [menu](UINT id, bool on) {
        EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
    };
    enable(ID_RUN_AS_ADMIN, !facts.elevated);
    CheckMenuItem(menu, kIdSounds, MF_BYCOMMAND | (facts.soundsOn ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, kIdMuteMode, MF_BYCOMMAND | (facts.muted ? MF_CHECKED : MF_UNCHECKED));
    enable(kIdMuteMode, !facts.soundsOn);
    enable(kIdClearHistory, ::SendMessageW(pane, m_queryMessage, 0, 0) != 0);
    enable(ID_PANE_SHOW_ALL_ITEMS, NotifyPane(kToolbarQueryShowAllUnavail, false) == 0);
    const bool collapsed = NotifyPane(kToolbarQueryCollapsed, false) != 0;
    const UINT sizeId = collapsed ? kIdExpandPane : ID_PANE_COLLAPSE;
    InsertMenuW(menu, ID_PANE_PIN, MF_BYCOMMAND | MF_STRING, sizeId,
                LoadUiString(collapsed ? IDS_EXPAND_PANE : IDS_COLLAPSE_PANE));

    HMENU languages = CreatePopupMenu();
    if (languages && m_menuHost.FillLanguageMenu(languages)) {
        AppendMenuW(languages, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(languages, MF_STRING, kIdHowToLocalize, CaptionOf(kIdHowToLocalize));
        const CString prefix = facts.languagePrefix.IsEmpty() ? CString(L"en") : facts.languagePrefix;
        const CString caption = LoadUiString(IDS_LANGUAGE) + L"\t[" + prefix + L"]";
        InsertMenuW(menu, ID_OPEN_EDITOR, MF_BYCOMMAND | MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(languages),
                    caption);
    } else if (languages) {
        DestroyMenu(languages);
    }

    bool movedToTop = false;
    if (!facts.admin) {
        const UINT state = GetMenuState(menu, ID_RUN_AS_ADMIN, MF_BYCOMMAND);
        if (RemoveMenu(menu, ID_RUN_AS_ADMIN, MF_BYCOMMAND)) {
            InsertMenuW(menu, 0, MF_BYPOSITION | MF_STRING | (state & MF_GRAYED), ID_RUN_AS_ADMIN,
                        CaptionOf(ID_RUN_AS_ADMIN));
            InsertMenuW(menu, 1, MF_BYPOSITION | MF_SEPARATOR, 0, nullptr);
            movedToTop = true;
        }
    }
    SetMenuDefaultItem(menu, facts.admin ? ID_SHOW_PHRASES_MENU : ID_RUN_AS_ADMIN, FALSE);

    m_menuShowing = true;
    SetForegroundWindow(pane);
    const UINT chosen = m_menuHost.TrackMenu(menu, screenPoint, pane);
    m_menuShowing = false;

    if (menu != created.get()) {
        // The system menu is the pane's for good: it gets back exactly what it had.
        if (movedToTop) {
            DeleteMenu(menu, 1, MF_BYPOSITION);
            DeleteMenu(menu, 0, MF_BYPOSITION);
        }
        while (GetMenuItemCount(menu) > originalCount) DeleteMenu(menu, originalCount, MF_BYPOSITION);
        SetMenuDefaultItem(menu, originalDefault, FALSE);
    }
    return chosen;
}

void CVXLToolbarWnd::DispatchMenuCommand(UINT id) {
    HWND pane = GetParent(m_hWnd);
    if (!id) return;
    if (id >= kFirstLanguageCommandId && id <= kLastLanguageCommandId) {
        // Sent, so that the menu that opens again is in the new language.
        ::SendMessageW(m_menuHost.GetMainWindow(), WM_COMMAND, id, 0);
    } else if (id == kIdExpandPane || id == ID_PANE_COLLAPSE) {
        ::PostMessageW(pane, WM_COMMAND, ID_PANE_MINIMIZE_TO_CAPTION, 0);
    } else if (id == ID_SHOW_PHRASES_MENU) {
        NotifyPane(kToolbarNotifyPhraseMenu, true);
    } else if (id == ID_PANE_SHOW_ALL_ITEMS) {
        NotifyPane(kToolbarNotifyShowAll, false);
    } else if (IsMainWindowCommand(id)) {
        ::PostMessageW(m_menuHost.GetMainWindow(), WM_COMMAND, id, 0);
    } else {
        ::PostMessageW(pane, WM_SYSCOMMAND, id, 0);
    }
}
