#include "tray/WndTrackForMenu.h"

#include <commctrl.h>

#include "core/AppSlots.h"
#include "core/ClientLanguage.h"
#include "core/DebouncedNotifier.h"
#include "core/LanguageFiles.h"
#include "core/MenuToolTip.h"
#include "core/Settings.h"
#include "core/UiStrings.h"
#include "core/base/Logger.h"
#include "core/base/SehGuard.h"
#include "phrases/Command.h"
#include "tray/ItemContextMenu.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenuHandler.h"

namespace {

const wchar_t kTrackerClass[] = L"Vexlora_Menu_Tracker";

MenuToolTipFactory g_toolTipFactory = &MakePhraseMenuToolTip;
// Only the UI thread opens menus; the flag keeps a right-click menu from opening inside
// another.
bool g_contextMenuOpen = false;

bool RegisterTrackerClass(WNDPROC procedure) {
    static const ATOM atom = [procedure] {
        WNDCLASSW windowClass = {};
        windowClass.style = CS_HREDRAW | CS_VREDRAW;
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        windowClass.lpszClassName = kTrackerClass;
        return RegisterClassW(&windowClass);
    }();
    return atom != 0;
}

CString SearchText(UINT stringId, const CString& preview) {
    return LoadUiString(stringId) + L" [" + preview + L"]";
}

CString ItemMenuText(UINT id) {
    return GetClientMenuLng().GetMenuItemTextByID(IDR_ITEM_MENU, id);
}

CString ContextCommandText(UINT id, const CString& preview) {
    switch (id) {
        case ID_ITEM_COPY:
            return LoadUiString(IDS_COPY);
        case ID_ITEM_COPY_EXCLUDE_SYMBOLS:
            return LoadUiString(IDS_COPY_EXCLUDE_SYMBOLS);
        case ID_ITEM_OPEN_AS_URL:
        case ID_ITEM_OPEN_WITH:
            return ItemMenuText(id);
        case ID_ITEM_EDIT:
            return LoadUiString(IDS_EDIT);
        default:
            return SearchText(id, preview);
    }
}

CString TipUiString(UINT id) {
    return LoadUiString(id);
}

// Runs on the menu's thread while the item is selected, so its record is alive.
bool ReadPhraseMenuItem(HMENU menu, UINT id, MenuItemTipInfo& tip) {
    const M_INFO* info = menu ? GetMenuItemInfoRecord(menu, id, false) : nullptr;
    if (!info) return false;
    tip.caption = info->caption;
    tip.note = info->note;
    tip.tipText = info->tipText;
    tip.plainItem = !(info->kindFlags & kMenuItemOpensSubmenu) && !IsSpecialMenuID(id);
    return true;
}

class CPhraseMenuToolTip final : public IMenuToolTip {
public:
    explicit CPhraseMenuToolTip(HWND owner) : m_tip(&TipUiString, &ReadPhraseMenuItem) {
        m_tip.Create(owner, L"Ooops! Tip text not found", GetModuleHandleW(nullptr), TTS_NOPREFIX | TTS_ALWAYSTIP,
                     nullptr);
    }
    HWND GetTipWindow() const override { return m_tip.GetTipWindow(); }
    void OnMenuSelect(WPARAM wParam, LPARAM lParam) override {
        m_tip.OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
    }
    void OnEnterIdle(WPARAM wParam, LPARAM lParam) override {
        m_tip.OnEnterIdle(static_cast<UINT>(wParam), reinterpret_cast<HWND>(lParam));
    }

private:
    CMenuToolTip_Insert m_tip;
};

}  // namespace

void SetMenuToolTipFactory(MenuToolTipFactory factory) {
    g_toolTipFactory = factory;
}

std::unique_ptr<IMenuToolTip> MakePhraseMenuToolTip(HWND owner) {
    return std::make_unique<CPhraseMenuToolTip>(owner);
}

RECT KeepTipInsideScreen(const RECT& tip, int screenWidth, int screenHeight) {
    RECT kept = tip;
    if (kept.right > screenWidth) kept.right = screenWidth;
    if (kept.bottom > screenHeight) {
        const LONG overflow = kept.bottom - screenHeight;
        kept.top -= overflow;
        kept.bottom -= overflow;
    }
    return kept;
}

CString ItemContextPreview(const M_INFO& info) {
    return GetItemPreviewText(CString(info.commandText[0] ? info.commandText : info.caption));
}

HMENU CreateItemContextMenu(bool historyItem, bool disabled, bool folder, const CString& preview) {
    HMENU menu = CreatePopupMenu();
    if (!menu) return nullptr;
    for (const CItemContextEntry& entry : BuildItemContextEntries(historyItem, disabled, folder)) {
        if (entry.id == 0) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        const CString text = ContextCommandText(entry.id, preview);
        AppendMenuW(menu, MF_STRING | (entry.grayed ? MF_GRAYED : 0), entry.id, text);
    }
    return menu;
}

// ---------------------------------------------------------------------------------------
// The window

CWndTrackForMenu::CWndTrackForMenu(IMenuTrackerHost& host, IMenuTrack& track) : m_host(host), m_track(track) {}

CWndTrackForMenu::~CWndTrackForMenu() {
    m_currentToolTip.reset();
    if (m_hWnd && IsWindow(m_hWnd)) DestroyWindow(m_hWnd);
    m_hWnd = nullptr;
    if (m_toolTipFont) DeleteObject(m_toolTipFont);
}

bool CWndTrackForMenu::Create() {
    if (!RegisterTrackerClass(&CWndTrackForMenu::WindowProc)) return false;
    CreateWindowExW(0, kTrackerClass, L"", WS_CHILD, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr),
                    this);
    return m_hWnd != nullptr;
}

bool CWndTrackForMenu::IsContextMenuOpen() {
    return g_contextMenuOpen;
}

LRESULT CALLBACK CWndTrackForMenu::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self = static_cast<CWndTrackForMenu*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->m_hWnd = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        return TRUE;
    }
    auto* self = reinterpret_cast<CWndTrackForMenu*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (!self) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    DWORD code = 0;
    if (RunGuarded([&] { result = self->OnMessage(message, wParam, lParam); }, &code)) return result;
    LogError(FormatExceptionReport(L"ERROR: Exception in CWndTrackForMenu::WindowProc", code));
    return 0;
}

LRESULT CWndTrackForMenu::OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE:
            if (CVXLSettings::GetInstance().MenuToolTips) CreateToolTip();
            return 0;
        case WM_MEASUREITEM: {
            auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_MENU) break;
            m_host.OnMenuMEASUREITEM(*item);
            return TRUE;
        }
        case WM_DRAWITEM: {
            const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(lParam);
            if (item->CtlType != ODT_MENU) break;
            m_host.OnMenuDRAWITEMSTRUCT(*item);
            return TRUE;
        }
        case WM_INITMENUPOPUP:
            if (m_balloonShown) {
                CAppObjects::HideTrayBalloon();
                m_balloonShown = false;
            }
            return 0;
        case WM_MENUSELECT: {
            const LRESULT result = DefWindowProcW(m_hWnd, message, wParam, lParam);
            if (m_currentToolTip) m_currentToolTip->OnMenuSelect(wParam, lParam);
            const UINT flags = HIWORD(wParam);
            m_specialHighlighted =
                (flags & MF_HILITE) && !(flags & MF_POPUP) && LOWORD(wParam) == CommandOfSpecialId(kSpecialFloatPane);
            CAppObjects::NotifyFloatPaneHighlight(m_specialHighlighted ? 1 : 0);
            return result;
        }
        case WM_ENTERIDLE: {
            const LRESULT result = DefWindowProcW(m_hWnd, message, wParam, lParam);
            if (m_currentToolTip) {
                SendMessageW(m_toolTip, TTM_SETMAXTIPWIDTH, 0, 300);
                m_currentToolTip->OnEnterIdle(wParam, lParam);
            }
            return result;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->code == TTN_SHOW && header->hwndFrom == m_toolTip) {
                KeepShownTipInsideScreen();
                return 0;
            }
            break;
        }
        case WM_EXITMENULOOP:
            DismissToolTip();
            return 0;
        case WM_DESTROY:
            DismissToolTip();
            break;
        case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE)
                CAppObjects::SendNotifyToWindow(CAppObjects::GetFloatPaneWnd(), message, wParam);
            break;
        case WM_KILLFOCUS:
            if (HWND pane = CAppObjects::GetFloatPaneWnd()) SendNotifyMessageW(pane, message, wParam, lParam);
            break;
        case WM_MENURBUTTONUP:
            LogWrite(L"WM_MENURBUTTONUP");
            OnMenuRButtonUp(reinterpret_cast<HMENU>(lParam), static_cast<UINT>(wParam));
            LogWrite(L"WM_MENURBUTTONUP ret");
            return 0;
        default:
            break;
    }
    return DefWindowProcW(m_hWnd, message, wParam, lParam);
}

void CWndTrackForMenu::CreateToolTip() {
    if (g_toolTipFactory) m_currentToolTip = g_toolTipFactory(m_hWnd);
    m_toolTip = m_currentToolTip ? m_currentToolTip->GetTipWindow() : nullptr;
    if (!m_toolTip) {
        m_currentToolTip.reset();
        CreateEmptyToolTip();
    }
    if (!m_toolTip) {
        LogError(L"CWndTrackForMenu: the tip window cannot be made");
        return;
    }
    SendMessageW(m_toolTip, TTM_SETMAXTIPWIDTH, 0, GetSystemMetrics(SM_CXSCREEN) / 2);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) {
        m_toolTipFont = CreateFontIndirectW(&metrics.lfMenuFont);
        if (m_toolTipFont) SendMessageW(m_toolTip, WM_SETFONT, reinterpret_cast<WPARAM>(m_toolTipFont), FALSE);
    }
}

void CWndTrackForMenu::CreateEmptyToolTip() {
    m_toolTip = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_NOPREFIX | TTS_ALWAYSTIP,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr,
                                GetModuleHandleW(nullptr), nullptr);
    if (!m_toolTip) return;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_TRACK | TTF_ABSOLUTE | TTF_IDISHWND;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_hWnd);
    wchar_t text[] = L"Ooops! Tip text not found";
    tool.lpszText = text;
    SendMessageW(m_toolTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
}

void CWndTrackForMenu::DismissToolTip() {
    if (m_currentToolTip) {
        // The tip object cancels its delay and takes its window with it.
        m_currentToolTip.reset();
        m_toolTip = nullptr;
        return;
    }
    if (!m_toolTip) return;
    RECT rect = {};
    GetClientRect(m_toolTip, &rect);
    const LPARAM centre = MAKELPARAM((rect.right - rect.left) / 2, (rect.bottom - rect.top) / 2);
    // A click dismisses the tip the way the user would, whatever state its timers are in.
    SendMessageW(m_toolTip, WM_LBUTTONDOWN, MK_LBUTTON, centre);
    SendMessageW(m_toolTip, WM_LBUTTONUP, 0, centre);
    SendMessageW(m_toolTip, TTM_POP, 0, 0);
    ShowWindow(m_toolTip, SW_HIDE);
    DestroyWindow(m_toolTip);
    m_toolTip = nullptr;
}

void CWndTrackForMenu::KeepShownTipInsideScreen() {
    RECT tip = {};
    if (!GetWindowRect(m_toolTip, &tip)) return;
    const RECT kept =
        KeepTipInsideScreen(tip, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
    if (EqualRect(&kept, &tip)) return;
    SetWindowPos(m_toolTip, nullptr, kept.left, kept.top, kept.right - kept.left, kept.bottom - kept.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

UINT CWndTrackForMenu::DoTrackRecMenu(HMENU menu, POINT point) {
    UINT chosen = 0;
    DWORD code = 0;
    if (!RunGuarded([&] { chosen = m_track.TrackNested(menu, point.x, point.y, m_hWnd); }, &code)) {
        LogError(L"DoTrackRecMenu EXCEPTION_EXECUTE_HANDLER");
        return 0;
    }
    return chosen;
}

void CWndTrackForMenu::OnMenuRButtonUp(HMENU menu, UINT position) {
    LogWrite(L"CWndTrackForMenu::OnMenuRButtonUp ENTER");
    const UINT itemId = GetMenuItemID(menu, static_cast<int>(position));
    if (g_contextMenuOpen || itemId == 0 || itemId == static_cast<UINT>(-1) ||
        GetSubMenu(menu, static_cast<int>(position)) || IsSpecialMenuID(itemId)) {
        MessageBeep(static_cast<UINT>(-1));
        return;
    }
    MENUITEMINFOW data = {};
    data.cbSize = sizeof data;
    data.fMask = MIIM_DATA | MIIM_STATE;
    GetMenuItemInfoW(menu, position, TRUE, &data);
    LogWrite(L"CWndTrackForMenu::OnMenuRButtonUp pM");
    const auto* info = reinterpret_cast<const M_INFO*>(data.dwItemData);
    if (!info) {
        LogError(L"pM is NULL");
        return;
    }
    LogWrite(L"pM is Valid");

    const bool disabled = (data.fState & MFS_DISABLED) != 0;
    const bool folder = (info->kindFlags & kMenuItemOpensSubmenu) != 0;
    HMENU context = CreateItemContextMenu(info->isHistoryItem != 0, disabled, folder, ItemContextPreview(*info));
    if (!context) {
        MessageBeep(static_cast<UINT>(-1));
        return;
    }
    g_contextMenuOpen = true;
    LogWrite(L"PreTrack Recursive menu");
    POINT cursor = {};
    GetCursorPos(&cursor);
    const UINT chosen = DoTrackRecMenu(context, cursor);
    LogWrite(L"After track recursive menu");
    const int actionCode = ItemContextActionCode(chosen);
    if (actionCode >= 0) {
        if (ItemContextCommandClosesMenu(chosen)) EndMenu();
        m_host.OnRightMenuCommand(itemId, actionCode);
    }
    g_contextMenuOpen = false;
    DestroyMenu(context);
}
