#include "tray/TrayFloatPane.h"

#include "core/AppSlots.h"
#include "core/AppTexts.h"
#include "core/ShellServices.h"
#include "core/SoundPlayer.h"
#include "core/SystemInfo.h"
#include "core/base/Logger.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryMenu.h"
#include "pages/TimeoutMsgBox.h"
#include "tray/TrayMenu.h"
#include "tray/TrayWnd.h"

namespace {

// The item's text in the asked form: 0 plain text (of the item or its first text
// companion: HTML alone gives no plain text), 1 its HTML form, 2 the address of the page
// it came from.
CString ItemTextInForm(const CCHItem& item, int form) {
    switch (form) {
        case 0:
            for (int kind : {CClipboardItemData::kUnicodeText, CClipboardItemData::kText, CClipboardItemData::kRtf})
                if (const CCHItem* text = item.GetCompanion(kind)) return GetItemText(*text);
            return CString();
        case 1: {
            const CCHItem* html = item.GetHtmlItem();
            return html ? GetItemText(*html) : CString();
        }
        case 2:
            return item.Get_URL();
        default:
            return CString();
    }
}

// The answer of the box's default button.
int DefaultAnswerOf(UINT style) {
    static const int kButtons[][3] = {
        {IDOK, IDOK, IDOK},      {IDOK, IDCANCEL, IDCANCEL}, {IDABORT, IDRETRY, IDIGNORE},
        {IDYES, IDNO, IDCANCEL}, {IDYES, IDNO, IDNO},        {IDRETRY, IDCANCEL, IDCANCEL},
    };
    const UINT type = style & MB_TYPEMASK;
    const UINT button = (style & MB_DEFMASK) >> 8;
    if (type >= sizeof kButtons / sizeof kButtons[0] || button > 2) return IDCANCEL;
    return kButtons[type][button];
}

// The pane's questions count down and end with their default button when left alone.
int AskWithCountDown(HWND owner, const CString& text, UINT style, DWORD timeoutMs) {
    if (!timeoutMs) return MessageBoxW(owner, text, L"Vexlora", style);
    return TimeoutMessageBox_AutoClose(owner, L"Vexlora", text, style, timeoutMs, DefaultAnswerOf(style));
}

}  // namespace

CTrayFloatPane::CDesktop::CDesktop(ITrayHookService& hook) : m_hook(hook) {
    CWinEventHookManager& events = CWinEventHookManager::GetInstance();
    events.Subscribe(this, 0, EVENT_SYSTEM_FOREGROUND);
    events.Subscribe(this, 0, EVENT_OBJECT_FOCUS);
}

CTrayFloatPane::CDesktop::~CDesktop() {
    CWinEventHookManager::GetInstance().Unsubscribe(this);
}

HWND CTrayFloatPane::CDesktop::GetTargetWindowOther() {
    if (m_hook.IsInstalled())
        if (HWND other = m_hook.GetTargetWindowOther()) return other;
    return m_lastOther && IsWindow(m_lastOther) ? m_lastOther : nullptr;
}

// Some systems (Wine) report another program's events without their window: the event's
// thread tells it then.
LRESULT CTrayFloatPane::CDesktop::OnWinEvent(const WinEventRecord& record, DWORD) {
    HWND window = record.window;
    if (!window) {
        GUITHREADINFO info = {};
        info.cbSize = sizeof info;
        if (GetGUIThreadInfo(record.threadId, &info)) window = info.hwndFocus ? info.hwndFocus : info.hwndActive;
    }
    DWORD process = 0;
    if (window) GetWindowThreadProcessId(window, &process);
    if (process && process != GetCurrentProcessId()) m_lastOther = window;
    return 0;
}

CTrayFloatPane::CTrayFloatPane(CVXLTrayWnd& tray, CVXLWndClipboardHandler& history, ITrayHookService& hook)
    : m_desktop(hook), m_tray(tray), m_history(history) {}

CTrayFloatPane::~CTrayFloatPane() = default;

CVXLFloatPane& CTrayFloatPane::Pane() {
    if (!m_pane) {
        const CHistoryListHelp help = {GetCommandCaption(ID_TELEGRAM_GROUP), GetTrayWebAddress(ID_TELEGRAM_GROUP)};
        m_pane = std::make_unique<CVXLFloatPane>(m_tray.GetMenuToolTip(), *this, help, m_desktop);
        m_pane->SetCommandAsk(&AskWithCountDown);
    }
    return *m_pane;
}

HWND CTrayFloatPane::Window() {
    return m_pane && m_pane->IsWindow() ? m_pane->m_hWnd : nullptr;
}

void CTrayFloatPane::Blink(WPARAM how) {
    if (HWND pane = Window()) ::PostMessageW(pane, WM_VXL_PANE_BLINK, how, 0);
}

void CTrayFloatPane::ReloadList() {
    if (Window()) m_pane->Refresh_List();
}

void CTrayFloatPane::Show(int mode) {
    const bool existed = Window() != nullptr;
    if (mode == kPaneShowToggle && existed) {
        m_pane->DestroyWindow();
        return;
    }
    if (!existed && !Pane().Create(m_history, mode != kPaneShowAtStart, false)) {
        LogWriteFormat(L"CTrayFloatPane::Show: the pane was not created (mode %d)", mode);
        return;
    }
    if (mode == kPaneShowAtStart) return;
    if (!existed) PlaySoundWherePane();
    SetForegroundWindow(*m_pane);
    SetActiveWindow(*m_pane);
    switch (mode) {
        case kPaneShowAndFit:
            m_pane->Fit_And_Show();
            break;
        case kPaneShowAllItems:
            m_pane->ShowWindow(SW_SHOW);
            m_pane->PostMessage(WM_COMMAND, ID_PANE_SHOW_ALL_ITEMS);
            break;
        default:
            m_pane->ShowWindow(SW_SHOW);
            ::SetFocus(m_pane->GetListWindow());
            break;
    }
}

void CTrayFloatPane::BringForward() {
    if (!Window()) return;
    SetForegroundWindow(*m_pane);
    SetActiveWindow(*m_pane);
    m_pane->Fit_And_Show();
}

bool CTrayFloatPane::GetSelectedText(CString& text) {
    text.Empty();
    if (!Window()) return false;
    for (int index : m_pane->GetSelectedItems()) {
        const CCHItem* item = m_history.Get_Item(index);
        if (!item) continue;
        if (!text.IsEmpty()) text += L"\r\n";
        text += ItemTextInForm(*item, 0);
    }
    return true;
}

bool CTrayFloatPane::GetFocusedItemText(int form, CString& text) {
    text.Empty();
    if (!Window()) return false;
    const CCHItem* item = m_history.Get_Item(m_pane->GetFocusedItem());
    if (!item) return false;
    text = ItemTextInForm(*item, form);
    return !text.IsEmpty();
}

LRESULT CTrayFloatPane::GetFocusedItemRecord() {
    // The pane keeps no item records yet.
    return 0;
}

// ---------------------------------------------------------------------------------------
// The tool bar's menu

HWND CTrayFloatPane::GetMainWindow() {
    return m_tray.m_hWnd;
}

CString CTrayFloatPane::GetCommandCaption(UINT id) {
    CTrayMenu menu = m_tray.PrepareTrayMenu();
    if (!menu.popup) return CString();
    wchar_t caption[260] = {};
    if (GetMenuStringW(menu.popup, id, caption, 260, MF_BYCOMMAND) <= 0) return CString();
    return caption;
}

CString CTrayFloatPane::GetPhraseHotKeyText() {
    return m_tray.IsPhraseHotKeyRegistered() ? GetHotKeyText() : CString();
}

CToolbarMenuFacts CTrayFloatPane::GetMenuFacts() {
    const CTrayMenuFacts tray = m_tray.GatherTrayMenuFacts();
    CToolbarMenuFacts facts;
    facts.elevated = tray.elevated;
    facts.admin = IsUserAdmin();
    facts.soundsOn = tray.soundsOn;
    facts.muted = tray.muted;
    facts.languagePrefix = tray.languagePrefix;
    return facts;
}

bool CTrayFloatPane::FillLanguageMenu(HMENU popup) {
    return CAppObjects::FillLanguageMenuByMainWnd(popup) > 0;
}

UINT CTrayFloatPane::TrackMenu(HMENU menu, POINT screenPoint, HWND owner) {
    return static_cast<UINT>(
        TrackPopupMenuEx(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, screenPoint.x, screenPoint.y, owner, nullptr));
}

bool CTrayFloatPane::TranslatePaneKey(const MSG& message, HWND pane) {
    if (!m_accelerators.HasEntries()) m_accelerators.LoadDefaults();
    return m_accelerators.TranslateKeyDown(message, pane);
}

void CTrayFloatPane::AppendPaneShortcuts(HMENU menu) {
    if (!m_accelerators.HasEntries()) m_accelerators.LoadDefaults();
    m_accelerators.AppendShortcutsToMenu(menu);
}
