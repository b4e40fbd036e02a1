#include "pages/UpdateDlg.h"

#include "core/AppSlots.h"
#include "core/AppTexts.h"
#include "core/IconIds.h"
#include "core/Settings.h"
#include "core/ShellServices.h"
#include "core/SoundPlayer.h"
#include "core/SystemInfo.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/WebDestinations.h"
#include "core/base/Logger.h"
#include "core/base/TextConversions.h"
#include "pages/UpdatePage.h"

namespace {

const WPARAM kMoveByBody = SC_MOVE | HTCAPTION;  // 0xF012: drag as by the caption

bool StartsWithNoCase(const CString& text, const wchar_t* prefix) {
    const int length = static_cast<int>(wcslen(prefix));
    return text.GetLength() > length && _wcsnicmp(text, prefix, length) == 0;
}

}  // namespace

PageLinkAction ClassifyPageLink(const CString& href) {
    if (href.IsEmpty() || href.GetAt(0) == L'#') return PageLinkAction::kLeaveToPage;
    for (const wchar_t* scheme : {L"http://", L"https://", L"mailto:"}) {
        if (StartsWithNoCase(href, scheme)) return PageLinkAction::kOpen;
    }
    return PageLinkAction::kRefuse;
}

void ApplySettingsColours(IHtmlHost& page) {
    UINT state = 0;
    const bool ticked = page.GetElementState(kAutoCheckId, state) && (state & STATE_CHECKED);
    page.SetElementStyle(kAutoCheckId, nullptr, nullptr);
    page.SetElementStyle(kAutoCheckId, "color", ticked ? L"green" : L"red");
    if (ticked) {
        page.SetElementState(kDaysNumberId, 0, STATE_DISABLED);
        page.SetElementStyle(kDaysTextId, nullptr, nullptr);
    } else {
        page.SetElementState(kDaysNumberId, STATE_DISABLED, 0);
        page.SetElementStyle(kDaysTextId, "color", L"gray");
        page.SetElementStyle(kDaysTextId, "text-decoration", L"line-through");
    }
}

bool StoreCheckSettings(IHtmlHost& page, bool pageLoaded, CVXLSettings& settings) {
    // An empty page says nothing about what the user wants: unticked would be a guess.
    if (!pageLoaded) return false;
    UINT state = 0;
    if (page.GetElementState(kAutoCheckId, state)) settings.AutoCheckForUpdates = (state & STATE_CHECKED) != 0;
    int days = 0;
    if (!page.GetElementInt(kDaysNumberId, days)) return false;
    settings.SetDaysCheckForUpdates(days > 0 ? static_cast<DWORD>(days) : 0);
    if (!settings.Save()) {
        LogError(L"StoreCheckSettings: the settings could not be saved");
        return false;
    }
    return true;
}

void CUpdateDlg::ShowResult(const UpdateCheckResult& result, HINSTANCE resources) {
    if (HWND open = CAppObjects::GetUpdateDlgHwnd()) {
        if (::IsIconic(open)) ::ShowWindow(open, SW_RESTORE);
        ::ShowWindow(open, SW_SHOW);
        ::SetForegroundWindow(open);
        ::SetActiveWindow(open);
        ::SetFocus(open);
        return;
    }
    CUpdateDlg dialog(result);
    if (dialog.DoModal(nullptr, 0, resources ? resources : GetModuleHandleW(nullptr)) == -1)
        LogError(L"CUpdateDlg::ShowResult: the dialog could not be shown");
}

CUpdateDlg::CUpdateDlg(const UpdateCheckResult& result) : CDialogImplBase(IDD_UPDATE), m_result(result), m_page(this) {}

LRESULT CUpdateDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    CAppObjects::SetUpdateDlgHwnd(m_hWnd);
    const bool hasNew = !m_result.newVersionText.IsEmpty();
    SetIcons(hasNew);
    CentreOnDesktop();

    const CString title = LoadUiString(IDS_CHECK_FOR_UPDATES_TITLE) + L" : " + GetProgramVersionText(true) + L" " +
                          LoadUiString(hasNew ? IDS_HAS_NEW_VERSION : IDS_UPDATES_NOT_FOUND);
    ::SetWindowTextW(m_hWnd, title);
    SetDlgItemTextW(m_hWnd, IDCANCEL, LoadUiString(IDS_CLOSE));
    SetDlgItemTextW(m_hWnd, IDC_UPDATE_VISIT, LoadUiString(IDS_VISIT_TO_US));
    SetDlgItemTextW(m_hWnd, IDC_UPDATE_SKIP, LoadUiString(IDS_CMD_SKIP_VERSION));
    ::EnableWindow(GetDlgItem(IDC_UPDATE_SKIP), FALSE);

    CreatePage();
    ::ShowWindow(m_page.m_hWnd, SW_SHOW);
    PlaySoundVersion(hasNew);

    ::PostMessageW(m_hWnd, WM_VXL_UPDATE_TO_FRONT, 0, 0);
    ::ShowWindow(m_hWnd, SW_SHOW);
    SetActiveWindow(m_hWnd);
    SetForegroundWindow(m_hWnd);
    SetFocus(m_hWnd);
    return FALSE;
}

void CUpdateDlg::SetIcons(bool hasNew) {
    static const int kBig[] = {32};
    HICON big = nullptr;
    HICON small = nullptr;
    if (hasNew) {
        big = LoadProgramIcon(IDI_BLINK, kBig, 1);
        small = LoadProgramIcon(IDI_BLINK);
    } else if (HWND tray = CAppObjects::GetMainWnd()) {
        // The tray window carries the icons of the program's current state.
        big = reinterpret_cast<HICON>(::SendMessageW(tray, WM_GETICON, ICON_BIG, 0));
        small = reinterpret_cast<HICON>(::SendMessageW(tray, WM_GETICON, ICON_SMALL, 0));
    }
    if (!big) big = LoadProgramIcon(IDI_APP, kBig, 1);
    if (!small) small = LoadProgramIcon(IDI_APP);
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    ::SendMessageW(m_hWnd, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
}

void CUpdateDlg::CentreOnDesktop() {
    RECT desktop = {};
    RECT dialog = {};
    ::GetWindowRect(GetDesktopWindow(), &desktop);
    ::GetWindowRect(m_hWnd, &dialog);
    const int x = desktop.left + ((desktop.right - desktop.left) - (dialog.right - dialog.left)) / 2;
    const int y = desktop.top + ((desktop.bottom - desktop.top) - (dialog.bottom - dialog.top)) / 2;
    SetWindowPos(m_hWnd, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// The page takes the place of the placeholder static.
void CUpdateDlg::CreatePage() {
    RECT place = {};
    HWND placeholder = GetDlgItem(IDC_UPDATE_PAGE);
    ::GetWindowRect(placeholder, &place);
    MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&place), 2);
    ::DestroyWindow(placeholder);
    if (!m_page.Create(m_hWnd, &place, L"", WS_CHILD | WS_TABSTOP, WS_EX_CLIENTEDGE,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_UPDATE_PAGE)), nullptr)) {
        LogError(L"CUpdateDlg::CreatePage: the page window could not be created");
        return;
    }
    const std::string html = WideToUtf8(BuildUpdatePage(m_result));
    m_pageLoaded =
        m_page.LoadHtml(reinterpret_cast<const BYTE*>(html.data()), static_cast<UINT>(html.size()), nullptr) != FALSE;
    if (m_pageLoaded)
        ApplySettingsColours(m_page);
    else
        LogError(L"CUpdateDlg::CreatePage: the page could not be loaded");
}

// Windows lets only the foreground thread hand the activation on: joined to its input for
// a moment, this thread may take the foreground.
LRESULT CUpdateDlg::OnToFront(UINT, WPARAM, LPARAM, BOOL&) {
    const DWORD own = GetCurrentThreadId();
    HWND foreground = GetForegroundWindow();
    const DWORD other = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    const bool attached = other && other != own && AttachThreadInput(own, other, TRUE);
    if (attached) LogWrite(L"Well, well! Attached Thread Input");
    SetForegroundWindow(m_hWnd);
    SetActiveWindow(m_hWnd);
    SetFocus(m_hWnd);
    if (attached) AttachThreadInput(own, other, FALSE);
    return 0;
}

void CUpdateDlg::MoveByBody() {
    ReleaseCapture();
    ::SendMessageW(m_hWnd, WM_SYSCOMMAND, kMoveByBody, 0);
}

LRESULT CUpdateDlg::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&) {
    MoveByBody();
    return 0;
}

LRESULT CUpdateDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    StoreCheckSettings(m_page, m_pageLoaded, CVXLSettings::GetInstance());
    CAppObjects::SetUpdateDlgHwnd(nullptr);
    handled = FALSE;
    return 0;
}

LRESULT CUpdateDlg::OnClose(WORD, WORD, HWND, BOOL&) {
    EndDialog(0);
    return 0;
}

LRESULT CUpdateDlg::OnVisit(WORD, WORD, HWND, BOOL&) {
    OpenUrl(m_hWnd, CVXLUrl::Get_Home_Url());
    return 0;
}

// The button stays disabled: skipping a version has no action yet.
LRESULT CUpdateDlg::OnSkip(WORD, WORD, HWND, BOOL&) {
    return 0;
}

bool CUpdateDlg::OnPageMouseDown(bool onControl) {
    if (onControl) return false;
    MoveByBody();
    return true;
}

void CUpdateDlg::OnPageMouseMove(UINT, const CString&) {}

bool CUpdateDlg::OnHyperlinkClick(const CString& href) {
    switch (ClassifyPageLink(href)) {
        case PageLinkAction::kLeaveToPage:
            return false;
        case PageLinkAction::kOpen:
            ShellRun(m_hWnd, L"open", href, nullptr, nullptr, SW_SHOW);
            return true;
        case PageLinkAction::kRefuse:
            LogError(L"CUpdateDlg::OnHyperlinkClick: refused to open " + href);
            return true;
    }
    return true;
}

void CUpdateDlg::OnButtonStateChanged() {
    ApplySettingsColours(m_page);
}

// Our pictures live on our web site; the engine shows the ALT box of one nobody hands over.
bool CUpdateDlg::OnLoadData(const CString&, UINT, std::vector<BYTE>&) {
    return false;
}
