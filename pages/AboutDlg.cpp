#include "pages/AboutDlg.h"

#include <commctrl.h>

#include <algorithm>

#include "core/AppSlots.h"
#include "core/AppTexts.h"
#include "core/ClipboardAccess.h"
#include "core/DateTimeTexts.h"
#include "core/IconIds.h"
#include "core/ShellServices.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/WebDestinations.h"
#include "core/WindowHelpers.h"
#include "core/base/Handles.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "pages/ReportArchive.h"

namespace {

const wchar_t kRightsNotice[] = L"Copyright \u00A9 the Vexlora authors. All rights reserved.";

CString NoExpansion(const CString& text) {
    return text;
}

CString ListItemText(HWND list, int item, int column) {
    wchar_t buffer[kAboutCopyCellChars + 1] = {};
    LVITEMW lvItem = {};
    lvItem.iSubItem = column;
    lvItem.pszText = buffer;
    lvItem.cchTextMax = kAboutCopyCellChars + 1;
    SendMessageW(list, LVM_GETITEMTEXTW, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&lvItem));
    return buffer;
}

// The system information tool's name from its version resource, else its file name.
CString SystemInfoToolText() {
    wchar_t folder[MAX_PATH] = {};
    const UINT length = GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) return L"msinfo32.exe";
    IAboutProbes& probes = GetSystemAboutProbes();
    const CString description = probes.FileDescription(CString(folder) + L"\\msinfo32.exe");
    return description.IsEmpty() ? CString(L"msinfo32.exe") : description;
}

// Centres the window over its parent, or over the work area without one, kept on the
// parent's monitor.
void CenterOnParent(HWND window, HWND parent) {
    RECT own = {};
    if (!GetWindowRect(window, &own)) return;
    RECT area = {};
    MONITORINFO monitor = {};
    monitor.cbSize = sizeof(monitor);
    const HMONITOR screen = MonitorFromWindow(parent ? parent : window, MONITOR_DEFAULTTONEAREST);
    if (!GetMonitorInfoW(screen, &monitor)) return;
    RECT over = monitor.rcWork;
    if (parent && IsWindowVisible(parent) && !IsIconic(parent)) GetWindowRect(parent, &over);
    area = monitor.rcWork;
    const int width = own.right - own.left;
    const int height = own.bottom - own.top;
    int x = (over.left + over.right - width) / 2;
    int y = (over.top + over.bottom - height) / 2;
    x = std::max(static_cast<int>(area.left), std::min(x, static_cast<int>(area.right) - width));
    y = std::max(static_cast<int>(area.top), std::min(y, static_cast<int>(area.bottom) - height));
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace

LRESULT CAboutListCtrl::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    if (message == WM_HSCROLL) InvalidateRect(GetCtrl(), nullptr, TRUE);
    return result;
}

// ---------------------------------------------------------------------------------------
// Opening

INT_PTR CAboutDlg::Show(HWND tray, const AboutReportInputs& inputs, HINSTANCE resources) {
    if (HWND open = CAppObjects::GetAboutDlgHwnd()) {
        if (IsIconic(open)) ::ShowWindow(open, SW_RESTORE);
        SetForegroundWindow(open);
        return 0;
    }
    CAboutDlg dialog(tray, inputs);
    const INT_PTR result = dialog.DoModal(tray, 0, resources ? resources : GetModuleHandleW(nullptr));
    if (result == -1) LogError(L"CAboutDlg::Show: the dialog could not be shown");
    return result;
}

CAboutDlg::CAboutDlg(HWND parent, const AboutReportInputs& inputs)
    : wtl::CDialogImplBase(IDD_ABOUT),
      m_parent(parent),
      m_inputs(inputs),
      m_probes(inputs.probes ? *inputs.probes : GetSystemAboutProbes()),
      m_handCursor(LoadCursorW(nullptr, IDC_HAND)) {}

CAboutDlg::~CAboutDlg() = default;

LRESULT CAboutDlg::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
    CAppObjects::SetAboutDlgHwnd(m_hWnd);
    const LONG_PTR exStyle = GetWindowLongPtrW(m_hWnd, GWL_EXSTYLE);
    if (!(exStyle & WS_EX_APPWINDOW)) SetWindowLongPtrW(m_hWnd, GWL_EXSTYLE, exStyle | WS_EX_APPWINDOW);
    CenterOnParent(m_hWnd, m_parent);

    if (!m_copyButton.Attach(GetDlgItem(IDC_ABOUT_COPY))) LogError(L"CAboutDlg::OnInitDialog: no split button");

    CString title = m_probes.MenuText(ID_APP_ABOUT);
    if (!title.IsEmpty()) {
        const int tab = title.Find(L'\t');
        if (tab >= 0) title = title.Left(tab);
        if (title.Right(1) == L"\u2026") title = title.Left(title.GetLength() - 1);
        SetWindowText(title);
    }
    HINSTANCE module = GetModuleHandleW(nullptr);
    const auto big =
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, GetSystemMetrics(SM_CXICON),
                                      GetSystemMetrics(SM_CYICON), LR_SHARED));
    const auto small = static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(IDI_APP), IMAGE_ICON, 16, 16, LR_SHARED));
    if (big) SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (small) SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));

    SetUpTexts();
    SetUpList();
    if (!SetTimer(m_hWnd, kFillTimerId, kFillDelayMs, nullptr)) {
        LogError(L"CAboutDlg::OnInitDialog: no timer, the report is built now");
        FillReport();
    }
    return TRUE;
}

void CAboutDlg::SetUpTexts() {
    const HWND text = GetDlgItem(IDC_ABOUT_TEXT);
    if (HFONT bold = GetBoldDlgFont()) ::SendMessageW(text, WM_SETFONT, reinterpret_cast<WPARAM>(bold), FALSE);
    ::SetWindowTextW(text, m_probes.VersionTextWithName() + L"\n" + m_probes.UiText(IDS_VERSION_RELEASED) + L" " +
                               GetBuildDateText() + L"\n\n" + kRightsNotice);

    const HWND home = GetDlgItem(IDC_ABOUT_HOME_LINK);
    const auto font = reinterpret_cast<HFONT>(::SendMessageW(home, WM_GETFONT, 0, 0));
    m_linkFont.reset(CreateDerivedFont(
        font,
        [](LOGFONTW& logFont, void*) -> BOOL {
            logFont.lfWeight = FW_BOLD;
            return TRUE;
        },
        nullptr));
    if (m_linkFont) ::SendMessageW(home, WM_SETFONT, reinterpret_cast<WPARAM>(m_linkFont.get()), FALSE);
    ::SetWindowTextW(home, m_probes.UiText(IDS_OFFICIAL_WEB_SITE));
    ::SetWindowTextW(GetDlgItem(IDC_ABOUT_BUG_LINK), m_probes.UiText(IDS_HOW_TO_BUG_REPORT));
    ::SetWindowTextW(GetDlgItem(IDC_ABOUT_ENGINE_LINK), L"Vexlora " + m_probes.UiText(IDS_USES) +
                                                            L" HTMLayout Component \u00A9 Terra Informatica Software");

    ::SetWindowTextW(GetDlgItem(IDC_ABOUT_COPY), m_probes.UiText(IDS_COPY));
    const CString check = m_probes.MenuText(ID_CHECK_FOR_UPDATES);
    if (!check.IsEmpty()) ::SetWindowTextW(GetDlgItem(IDC_ABOUT_CHECK_UPDATES), check);
}

void CAboutDlg::SetUpList() {
    const HWND list = GetList();
    if (!m_list.Attach(list)) LogError(L"CAboutDlg::SetUpList: the list cannot be followed");
    LVCOLUMNW column = {};
    column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT;
    column.pszText = const_cast<wchar_t*>(L"");
    column.cx = 100;
    column.fmt = LVCFMT_RIGHT;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    column.fmt = LVCFMT_LEFT;
    ::SendMessageW(list, LVM_INSERTCOLUMNW, 1, reinterpret_cast<LPARAM>(&column));
    // The first column cannot be created right-aligned: it is made so afterwards.
    column.mask = LVCF_FMT;
    column.fmt = LVCFMT_RIGHT;
    ::SendMessageW(list, LVM_SETCOLUMNW, 0, reinterpret_cast<LPARAM>(&column));
    ::SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_INFOTIP, LVS_EX_INFOTIP);
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    ::SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(face));
    ::SendMessageW(list, LVM_SETTEXTBKCOLOR, 0, static_cast<LPARAM>(face));
    ::SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(GetSysColor(COLOR_BTNTEXT)));
}

// ---------------------------------------------------------------------------------------
// The report

LRESULT CAboutDlg::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if (wParam != kFillTimerId) {
        handled = FALSE;
        return 0;
    }
    KillTimer(m_hWnd, kFillTimerId);
    FillReport();
    return 0;
}

void CAboutDlg::FillReport() {
    CScopedCursor wait(IDC_APPSTARTING, true);
    BuildAboutReport(m_report, m_inputs, m_probes);
    const HWND list = GetList();
    ::SendMessageW(list, WM_SETREDRAW, FALSE, 0);
    for (const AboutRow& row : m_report.Rows()) AppendListRow(row);
    FitColumns();
    ::SendMessageW(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

void CAboutDlg::AppendListRow(const AboutRow& row) {
    const HWND list = GetList();
    LVITEMW item = {};
    item.mask = LVIF_PARAM;
    item.iItem = static_cast<int>(::SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.lParam = row.kind;
    if (!row.label.IsEmpty()) {
        item.mask |= LVIF_TEXT;
        item.pszText = const_cast<wchar_t*>(static_cast<const wchar_t*>(row.label));
    }
    const int index = static_cast<int>(::SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (index < 0) {
        LogError(L"CAboutDlg::AppendListRow: the row cannot be inserted");
        return;
    }
    LVITEMW value = {};
    value.iSubItem = 1;
    value.pszText = const_cast<wchar_t*>(static_cast<const wchar_t*>(row.value));
    ::SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&value));
}

void CAboutDlg::FitColumns() {
    const HWND list = GetList();
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 0, LVSCW_AUTOSIZE);
    ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, LVSCW_AUTOSIZE);
    RECT client = {};
    ::GetClientRect(list, &client);
    const int first = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0));
    const int second = static_cast<int>(::SendMessageW(list, LVM_GETCOLUMNWIDTH, 1, 0));
    if (first + second < client.right) ::SendMessageW(list, LVM_SETCOLUMNWIDTH, 1, client.right - first);
}

CString CAboutDlg::BuildReportText() const {
    // The list shows exactly the report's rows.
    return BuildAboutCopyText(m_report.Rows());
}

// ---------------------------------------------------------------------------------------
// Commands

LRESULT CAboutDlg::OnClose(WORD, WORD id, HWND, BOOL&) {
    EndDialog(id);
    return 0;
}

LRESULT CAboutDlg::OnCopy(WORD, WORD, HWND, BOOL&) {
    if (m_copyButton.IsArrowPressed())
        ShowCopyMenu();
    else
        CopyReport();
    return 0;
}

void CAboutDlg::CopyReport() {
    if (!SetClipboardUnicodeText(BuildReportText())) LogError(L"CAboutDlg::CopyReport: the clipboard refused the text");
}

void CAboutDlg::ShowCopyMenu() {
    CMenuHandle menu(CreatePopupMenu());
    if (!menu) return;
    AppendMenuW(menu.get(), MF_STRING, IDC_ABOUT_COPY, GetWindowTextString(GetDlgItem(IDC_ABOUT_COPY)));
    AppendMenuW(menu.get(), MF_STRING, IDM_ABOUT_SAVE_ARCHIVE, m_probes.UiText(IDS_ZIP_LOG_AND_SETTINGS));
    AppendMenuW(menu.get(), MF_STRING, IDM_ABOUT_OPEN_SETTINGS, m_probes.MenuText(IDM_ABOUT_OPEN_SETTINGS));
    AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
    AppendMenuW(menu.get(), MF_STRING, IDM_ABOUT_SYSTEM_INFO, SystemInfoToolText());
    SetMenuDefaultItem(menu.get(), IDC_ABOUT_COPY, FALSE);
    RECT button = {};
    ::GetWindowRect(GetDlgItem(IDC_ABOUT_COPY), &button);
    const UINT choice = static_cast<UINT>(TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD,
                                                         button.right, button.top, 0, m_hWnd, nullptr));
    if (choice) RunMenuChoice(choice);
}

void CAboutDlg::RunMenuChoice(UINT choice) {
    switch (choice) {
        case IDC_ABOUT_COPY:
            CopyReport();
            break;
        case IDM_ABOUT_SAVE_ARCHIVE:
            SaveArchive();
            break;
        case IDM_ABOUT_OPEN_SETTINGS:
            OpenSettingsFile(m_hWnd);
            break;
        case IDM_ABOUT_SYSTEM_INFO:
            RunCommandWithErrorBox(L"msinfo32.exe", true, m_hWnd, true);
            break;
        default:
            break;
    }
}

void CAboutDlg::SaveArchive() {
    const CString logPath = GetLogReportPath();
    CString zipPath;
    if (m_inputs.askArchivePath) {
        zipPath = m_inputs.askArchivePath(m_hWnd);
    } else {
        const CString suggested =
            GetSuggestedArchiveName(logPath, m_inputs.expandMacros ? m_inputs.expandMacros : &NoExpansion);
        zipPath = AskArchivePath(m_hWnd, m_probes.UiText(IDS_ZIP_LOG_AND_SETTINGS), suggested);
    }
    if (zipPath.IsEmpty()) return;
    const HWND owner = m_parent ? m_parent : m_hWnd;
    if (!SaveReportArchive(logPath, zipPath, true, owner, BuildReportText(), m_inputs.selectArchiveInExplorer)) {
        LogError(L"CAboutDlg::SaveArchive: the archive was not made");
        MessageBeep(static_cast<UINT>(-1));
    }
}

LRESULT CAboutDlg::OnCheckForUpdates(WORD, WORD, HWND, BOOL&) {
    CScopedCursor starting(IDC_APPSTARTING);
    if (!::PostMessageW(m_parent, WM_COMMAND, ID_CHECK_FOR_UPDATES, 0))
        LogError(L"CAboutDlg::OnCheckForUpdates: the tray window did not take the request");
    return 0;
}

CString CAboutDlg::GetLinkUrl(WORD id) const {
    switch (id) {
        case IDC_ABOUT_HOME_LINK:
            return CVXLUrl::Get_Home_Url();
        case IDC_ABOUT_BUG_LINK:
            return CVXLUrl::Get_Report_Problem_Url();
        case IDC_ABOUT_ENGINE_LINK:
            return CVXLUrl::Get_Html_Engine_Url();
        default:
            return CString();
    }
}

LRESULT CAboutDlg::OnLink(WORD notifyCode, WORD id, HWND, BOOL& handled) {
    const CString url = GetLinkUrl(id);
    if (notifyCode != STN_CLICKED || url.IsEmpty()) {
        handled = FALSE;
        return 0;
    }
    OpenUrl(m_hWnd, url);
    return 0;
}

LRESULT CAboutDlg::OnCtlColorStatic(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
    if (GetLinkUrl(static_cast<WORD>(id)).IsEmpty()) {
        handled = FALSE;
        return 0;
    }
    const auto dc = reinterpret_cast<HDC>(wParam);
    SetTextColor(dc, ColorBlue());
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
}

LRESULT CAboutDlg::OnSetCursor(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    const int id = GetDlgCtrlID(reinterpret_cast<HWND>(wParam));
    if (!m_handCursor || GetLinkUrl(static_cast<WORD>(id)).IsEmpty()) {
        handled = FALSE;
        return 0;
    }
    SetCursor(m_handCursor);
    return TRUE;
}

// ---------------------------------------------------------------------------------------
// Moving

LRESULT CAboutDlg::OnLButtonDown(UINT, WPARAM, LPARAM, BOOL&) {
    SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
    ReleaseCapture();
    SendMessage(WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return 0;
}

LRESULT CAboutDlg::OnListBeginDrag(int, NMHDR* header, BOOL&) {
    const auto* view = reinterpret_cast<const NMLISTVIEW*>(header);
    POINT point = view->ptAction;
    MapWindowPoints(GetList(), m_hWnd, &point, 1);
    SetCapture(m_hWnd);
    SendMessage(WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(point.x, point.y));
    return 0;
}

LRESULT CAboutDlg::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    if (CAppObjects::GetAboutDlgHwnd() == m_hWnd) CAppObjects::SetAboutDlgHwnd(nullptr);
    handled = FALSE;
    return 0;
}

// ---------------------------------------------------------------------------------------
// The list

LRESULT CAboutDlg::OnListItemChanging(int, NMHDR* header, BOOL&) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    const bool selects = (change->uChanged & LVIF_STATE) && (change->uNewState & LVIS_SELECTED);
    return selects ? TRUE : FALSE;
}

LRESULT CAboutDlg::OnListInfoTip(int, NMHDR* header, BOOL&) {
    auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
    if (!tip->pszText || tip->cchTextMax <= 0) return 0;
    const CString text = m_report.GetTip(tip->iItem);
    if (text.IsEmpty()) {
        tip->pszText[0] = L'\0';
        return 0;
    }
    lstrcpynW(tip->pszText, text, tip->cchTextMax);
    return 0;
}

LRESULT CAboutDlg::OnListCustomDraw(int, NMHDR* header, BOOL&) {
    auto* draw = reinterpret_cast<NMLVCUSTOMDRAW*>(header);
    switch (draw->nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            const auto kind = static_cast<int>(draw->nmcd.lItemlParam);
            if (kind == kAboutRowFail || kind == kAboutRowOk) {
                draw->clrText = kind == kAboutRowFail ? ColorRed() : ColorGreen();
                if (HFONT bold = GetBoldDlgFont()) SelectObject(draw->nmcd.hdc, bold);
                return CDRF_NEWFONT | CDRF_NOTIFYPOSTPAINT;
            }
            return CDRF_NOTIFYPOSTPAINT;
        }
        case CDDS_ITEMPOSTPAINT:
            if (static_cast<int>(draw->nmcd.lItemlParam) == kAboutRowSection) DrawSectionRow(*draw);
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}

void CAboutDlg::DrawSectionRow(const NMLVCUSTOMDRAW& draw) const {
    const HWND list = GetList();
    const HDC dc = draw.nmcd.hdc;
    const int item = static_cast<int>(draw.nmcd.dwItemSpec);
    RECT row = {};
    row.left = LVIR_BOUNDS;
    if (!::SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(item), reinterpret_cast<LPARAM>(&row))) return;
    RECT client = {};
    ::GetClientRect(list, &client);
    row.left = client.left + 3;
    row.right = client.right - 3;

    const auto background = static_cast<COLORREF>(::SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
    CBrushHandle fill(CreateSolidBrush(background));
    if (fill) FillRect(dc, &row, fill.get());

    const int middle = (row.top + row.bottom) / 2;
    CPenHandle gray(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT)));
    CPenHandle black(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    if (gray && black) {
        const HGDIOBJ previousPen = SelectObject(dc, gray.get());
        MoveToEx(dc, row.left + 4, middle, nullptr);
        LineTo(dc, row.right - 4, middle);
        SelectObject(dc, black.get());
        MoveToEx(dc, row.left + 4, middle + 1, nullptr);
        LineTo(dc, row.right - 4, middle + 1);
        SelectObject(dc, previousPen);
    }

    const CString label = ListItemText(list, item, 0);
    RECT textRect = row;
    textRect.left += 30;
    const HGDIOBJ previousFont = GetBoldDlgFont() ? SelectObject(dc, GetBoldDlgFont()) : nullptr;
    const COLORREF previousText = SetTextColor(dc, static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)));
    const COLORREF previousBack = SetBkColor(dc, static_cast<COLORREF>(::SendMessageW(list, LVM_GETTEXTBKCOLOR, 0, 0)));
    const int previousMode = SetBkMode(dc, OPAQUE);
    DrawTextW(dc, label, label.GetLength(), &textRect,
              DT_LEFT | DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
    SetBkMode(dc, previousMode);
    SetBkColor(dc, previousBack);
    SetTextColor(dc, previousText);
    if (previousFont) SelectObject(dc, previousFont);
}

LRESULT CAboutDlg::OnListRightClick(int, NMHDR*, BOOL&) {
    PostMessage(kListMenuMessage, 0, static_cast<LPARAM>(GetMessagePos()));
    return 0;
}

LRESULT CAboutDlg::OnListMenu(UINT, WPARAM, LPARAM lParam, BOOL&) {
    CMenuHandle menu(CreatePopupMenu());
    if (!menu) return 0;
    AppendMenuW(menu.get(), MF_STRING, IDC_ABOUT_COPY, GetWindowTextString(GetDlgItem(IDC_ABOUT_COPY)));
    const std::map<int, CString>& sections = m_report.Sections();
    if (!sections.empty()) {
        AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
        for (const auto& section : sections)
            AppendMenuW(menu.get(), MF_STRING, IDM_ABOUT_FIRST_SECTION + section.first, section.second);
    }
    const int x = static_cast<short>(LOWORD(lParam));
    const int y = static_cast<short>(HIWORD(lParam));
    const UINT choice = static_cast<UINT>(
        TrackPopupMenu(menu.get(), TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RETURNCMD, x, y, 0, m_hWnd, nullptr));
    if (choice == IDC_ABOUT_COPY) {
        PostMessage(WM_COMMAND, IDC_ABOUT_COPY, 0);
    } else if (choice >= IDM_ABOUT_FIRST_SECTION) {
        if (!ListViewEnsureVisiblePage(GetList(), static_cast<int>(choice - IDM_ABOUT_FIRST_SECTION)))
            MessageBeep(static_cast<UINT>(-1));
    }
    return 0;
}
