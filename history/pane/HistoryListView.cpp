#include "history/pane/HistoryListView.h"

#include <algorithm>

#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/WindowHelpers.h"

namespace {

const int kFontGrowth = 8;

struct CFontVariant {
    bool bold;
    bool italic;
};

BOOL ChangeToVariant(LOGFONTW& font, void* context) {
    const auto* variant = static_cast<const CFontVariant*>(context);
    font.lfHeight += font.lfHeight < 0 ? -kFontGrowth : kFontGrowth;
    font.lfWeight = variant->bold ? FW_BOLD : FW_NORMAL;
    if (variant->italic) font.lfItalic = font.lfItalic ? FALSE : TRUE;
    return TRUE;
}

// The list's own client DC, given back however the painting ends.
class CWindowDC {
public:
    explicit CWindowDC(HWND window) : m_window(window), m_dc(GetDC(window)) {}
    ~CWindowDC() {
        if (m_dc) ReleaseDC(m_window, m_dc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC get() const { return m_dc; }

private:
    HWND m_window;
    HDC m_dc;
};

}  // namespace

CString SplitLongHelpLine(const CString& text) {
    if (text.GetLength() <= kHelpLineSplitLength) return text;
    const int blank = text.Find(L' ', text.GetLength() / 2);
    if (blank < 0) return text;
    return text.Left(blank) + L"\n" + text.Mid(blank + 1);
}

std::vector<CString> BuildListHelpLines(const CString& doubleClickHint, const CString& quickCopyHint,
                                        const CHistoryListHelp& help) {
    std::vector<CString> lines;
    for (const CString* hint : {&doubleClickHint, &quickCopyHint})
        if (!hint->IsEmpty()) lines.push_back(SplitLongHelpLine(*hint));
    CString channel = help.channelCaption.Left(128);
    if (!help.channelAddress.IsEmpty()) {
        if (!channel.IsEmpty()) channel += L" \x2022 ";
        channel += help.channelAddress;
    }
    if (!channel.IsEmpty()) lines.push_back(channel);
    return lines;
}

bool PlaceTipBesideItem(const RECT& item, const RECT& tip, int screenWidth, int screenHeight, RECT& placed) {
    if (item.left == 0 && item.top == 0 && item.right == 0 && item.bottom == 0) return false;
    const int width = tip.right - tip.left;
    const int height = tip.bottom - tip.top;
    int left = item.right < screenWidth / 2 ? item.right : item.left - width;
    int top = item.top > screenHeight / 2 ? item.bottom - height : item.top;
    left = std::max(left, 0);
    top = std::max(top, 0);
    placed = {left, top, left + width, top + height};
    return true;
}

CHistoryListView::CHistoryListView(const CHistoryListHelp& help) : m_help(help) {}

CHistoryListView::~CHistoryListView() {
    LeaveMessageLoop();
}

HWND CHistoryListView::Create(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT id) {
    HWND window = CreateControl(WC_LISTVIEWW, parent, rect, style | LVS_OWNERDATA, exStyle, id);
    if (!window) return nullptr;
    m_loop = wtl::Module().GetMessageLoop();
    if (m_loop) m_loop->AddMessageFilter(this);
    return window;
}

void CHistoryListView::LeaveMessageLoop() {
    if (m_loop) m_loop->RemoveMessageFilter(this);
    m_loop = nullptr;
}

BOOL CHistoryListView::PreTranslateMessage(MSG* message) {
    if (!m_mouseFilter || message->message < WM_MOUSEMOVE || message->message > WM_MOUSEHWHEEL) return FALSE;
    return m_mouseFilter(message, m_mouseFilterArgument) ? TRUE : FALSE;
}

HWND CHistoryListView::GetToolTips() const {
    return reinterpret_cast<HWND>(::SendMessageW(m_hWnd, LVM_GETTOOLTIPS, 0, 0));
}

void CHistoryListView::SetTipItem(int index, const wchar_t* title, HICON icon) {
    m_tipItem = index;
    if (!title) return;
    HWND tip = GetToolTips();
    ::SendMessageW(tip, TTM_SETTIPTEXTCOLOR, GetSysColor(COLOR_INFOTEXT), 0);
    const CString shown = MakeToolTipTitle(title);
    ::SendMessageW(tip, TTM_SETTITLEW, reinterpret_cast<WPARAM>(icon), reinterpret_cast<LPARAM>(shown.GetString()));
    m_tipIcon.reset(icon);
}

bool CHistoryListView::SetTipAutoPopDelay(int milliseconds) {
    if (milliseconds == m_tipAutoPopDelay) return true;
    HWND tip = GetToolTips();
    ::SendMessageW(tip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(milliseconds, 0));
    if (static_cast<int>(::SendMessageW(tip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0)) != milliseconds) return false;
    m_tipAutoPopDelay = milliseconds;
    return true;
}

BOOL CHistoryListView::SetInfoTip(int index, const wchar_t* text) {
    LVSETINFOTIP info = {};
    info.cbSize = sizeof info;
    info.pszText = const_cast<wchar_t*>(text);
    info.iItem = index;
    info.iSubItem = 0;
    return static_cast<BOOL>(::SendMessageW(m_hWnd, LVM_SETINFOTIP, 0, reinterpret_cast<LPARAM>(&info)));
}

HFONT CHistoryListView::GetItemFont(bool bold, bool italic) {
    HFONT font = reinterpret_cast<HFONT>(::SendMessageW(m_hWnd, WM_GETFONT, 0, 0));
    if (!bold && !italic) return font;
    CFontHandle& cached = bold ? (italic ? m_boldItalicFont : m_boldFont) : m_italicFont;
    if (!cached) {
        CFontVariant variant = {bold, italic};
        if (!font) font = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        cached.reset(CreateDerivedFont(font, &ChangeToVariant, &variant));
    }
    return cached.get();
}

void CHistoryListView::RedrawVisible() {
    const LRESULT top = ::SendMessageW(m_hWnd, LVM_GETTOPINDEX, 0, 0);
    const LRESULT perPage = ::SendMessageW(m_hWnd, LVM_GETCOUNTPERPAGE, 0, 0);
    ::SendMessageW(m_hWnd, LVM_REDRAWITEMS, top, top + perPage);
}

void CHistoryListView::RefreshTip() {
    HWND tip = GetToolTips();
    ::SendMessageW(tip, TTM_POP, 0, 0);
    const int hot = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETHOTITEM, 0, 0));
    if (hot < 0) return;
    // The tip asks for its text only when the hot item changes under a moving mouse.
    ::SendMessageW(m_hWnd, LVM_SETHOTITEM, hot > 0 ? hot - 1 : 1, 0);
    ::SendMessageW(m_hWnd, LVM_SETHOTITEM, hot, 0);
    RECT bounds = {};
    bounds.left = LVIR_BOUNDS;
    if (!::SendMessageW(m_hWnd, LVM_GETITEMRECT, hot, reinterpret_cast<LPARAM>(&bounds))) return;
    const LPARAM centre = MAKELPARAM((bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2);
    ::PostMessageW(m_hWnd, WM_MOUSEMOVE, 0, centre);
    MSG relayed = {m_hWnd, WM_MOUSEMOVE, 0, centre, static_cast<DWORD>(GetMessageTime()), {}};
    relayed.pt = {(bounds.left + bounds.right) / 2, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(m_hWnd, &relayed.pt);
    ::SendMessageW(tip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

void CHistoryListView::SetCount(int count, int deleteIndex) {
    ::SendMessageW(GetToolTips(), TTM_POP, 0, 0);
    if (deleteIndex >= 0 && ::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0) > 0)
        ::SendMessageW(m_hWnd, LVM_DELETEITEM, deleteIndex, 0);
    ::SendMessageW(m_hWnd, LVM_SETITEMCOUNT, count, 0);
    RedrawVisible();
    RefreshTip();
}

int CHistoryListView::DeselectAll() {
    LVITEMW item = {};
    item.stateMask = LVIS_SELECTED;
    item.state = 0;
    ::SendMessageW(m_hWnd, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
    return static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
}

int CHistoryListView::GetSelected(std::vector<int>& selected) const {
    selected.clear();
    selected.reserve(static_cast<size_t>(::SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0)));
    int index = -1;
    while ((index = static_cast<int>(
                ::SendMessageW(m_hWnd, LVM_GETNEXTITEM, static_cast<WPARAM>(index), LVNI_SELECTED))) >= 0)
        selected.push_back(index);
    return static_cast<int>(selected.size());
}

bool CHistoryListView::HasMultiSelection() const {
    return ::SendMessageW(m_hWnd, LVM_GETSELECTEDCOUNT, 0, 0) >= 2;
}

int CHistoryListView::AddLoadedGroup() {
    CString loaded = LoadUiString(IDS_LOADED);
    LVGROUP group = {};
    group.cbSize = sizeof group;
    group.mask = LVGF_HEADER | LVGF_FOOTER | LVGF_ALIGN | LVGF_GROUPID;
    group.pszHeader = loaded.GetBuffer();
    group.pszFooter = loaded.GetBuffer();
    group.uAlign = LVGA_HEADER_RIGHT | LVGA_FOOTER_RIGHT;
    group.iGroupId = 1;
    const LRESULT index =
        ::SendMessageW(m_hWnd, LVM_INSERTGROUP, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&group));
    loaded.ReleaseBuffer();
    if (index < 0) return 0;
    ::SendMessageW(m_hWnd, LVM_ENABLEGROUPVIEW, TRUE, 0);
    return static_cast<int>(index) + 1;
}

RECT CHistoryListView::GetEmptyRect() const {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const int count = static_cast<int>(::SendMessageW(m_hWnd, LVM_GETITEMCOUNT, 0, 0));
    if (count <= 0) return client;
    RECT last = {};
    last.left = LVIR_BOUNDS;
    if (!::SendMessageW(m_hWnd, LVM_GETITEMRECT, count - 1, reinterpret_cast<LPARAM>(&last))) return RECT{};
    if (last.bottom >= client.bottom) return RECT{};
    client.top = std::max(client.top, static_cast<LONG>(last.bottom));
    return client;
}

bool CHistoryListView::IsPointInEmpty(POINT clientPoint) const {
    const RECT empty = GetEmptyRect();
    return PtInRect(&empty, clientPoint) != FALSE;
}

bool CHistoryListView::IsScreenPointInEmpty(POINT screenPoint) const {
    if (!ScreenToClient(m_hWnd, &screenPoint)) return false;
    return IsPointInEmpty(screenPoint);
}

void CHistoryListView::ClearHelpLines() {
    m_helpLines.clear();
    InvalidateRect(m_hWnd, nullptr, TRUE);
}

void CHistoryListView::SetTipVeto(TipVetoProc veto, LPARAM argument) {
    m_tipVeto = veto;
    m_tipVetoArgument = argument;
}

void CHistoryListView::SetMouseFilter(MouseFilterProc filter, LPARAM argument) {
    m_mouseFilter = filter;
    m_mouseFilterArgument = argument;
}

LRESULT CHistoryListView::OnLButtonDown(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    LVHITTESTINFO hit = {};
    hit.pt = wtl::PointFromLParam(lParam);
    if (::SendMessageW(m_hWnd, LVM_HITTEST, 0, reinterpret_cast<LPARAM>(&hit)) >= 0) {
        handled = FALSE;
        return 0;
    }
    SetCursor(LoadCursorW(nullptr, IDC_SIZEALL));
    ReleaseCapture();
    // The pane has no caption to drag by: its move loop starts as if the caption were held.
    ::SendMessageW(GetParent(m_hWnd), WM_SYSCOMMAND, SC_MOVE | HTCAPTION, 0);
    return 0;
}

LRESULT CHistoryListView::OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    const RECT empty = GetEmptyRect();
    if (!IsRectEmpty(&empty)) DrawHelp(empty);
    return result;
}

void CHistoryListView::DrawHelp(const RECT& empty) {
    CWindowDC dc(m_hWnd);
    if (!dc.get()) return;
    ExcludeClipRect(dc.get(), empty.left, 0, empty.right, empty.top);
    HFONT font = GetItalicDlgFont();
    CSelectObject selectFont(dc.get(), font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT));

    if (m_helpLines.empty())
        m_helpLines =
            BuildListHelpLines(LoadUiString(IDS_DOUBLE_CLICK_HINT), LoadUiString(IDS_QUICK_COPY_HINT), m_help);
    CString text;
    for (const CString& line : m_helpLines) {
        if (!text.IsEmpty()) text += L"\n\n";
        text += line;
    }

    RECT frame = {empty.left + 4, empty.top + 6, empty.right - 4, empty.bottom - 4};
    RECT measured = {frame.left + 24, 0, frame.right - 8, 0};
    DrawTextW(dc.get(), text, -1, &measured, DT_CALCRECT | DT_NOPREFIX);
    const int textHeight = measured.bottom - measured.top;
    if (textHeight + 24 < frame.bottom - frame.top) frame.top = frame.bottom - textHeight - 24;

    m_helpRegion.reset(CreateRectRgnIndirect(&frame));
    HBRUSH frameBrush = GetGreenBrush();
    if (!frameBrush) frameBrush = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    if (m_helpRegion) {
        FillRgn(dc.get(), m_helpRegion.get(), GetSysColorBrush(COLOR_INFOBK));
        FrameRgn(dc.get(), m_helpRegion.get(), frameBrush, 1, 1);
    } else {
        FillRect(dc.get(), &frame, GetSysColorBrush(COLOR_WINDOW));
        FrameRect(dc.get(), &frame, frameBrush);
    }

    RECT textRect = frame;
    if (textRect.right - textRect.left > 24) textRect.left += 24;
    textRect.right -= 8;
    textRect.bottom -= m_helpRegion ? 12 : 8;
    textRect.top = frame.top + 8;
    SetBkMode(dc.get(), TRANSPARENT);
    SetTextColor(dc.get(), ColorBlue());
    DrawTextW(dc.get(), text, -1, &textRect, DT_RIGHT | DT_VCENTER | DT_NOPREFIX | DT_END_ELLIPSIS);
}

LRESULT CHistoryListView::OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    LeaveMessageLoop();
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    m_helpRegion.reset();
    return result;
}

LRESULT CHistoryListView::OnTipShow(int, NMHDR* header, BOOL& handled) {
    if (m_tipVeto && m_tipVeto(m_tipVetoArgument)) {
        handled = FALSE;
        return 0;
    }
    RECT item = {};
    item.left = LVIR_BOUNDS;
    if (m_tipItem < 0 || !::SendMessageW(m_hWnd, LVM_GETITEMRECT, m_tipItem, reinterpret_cast<LPARAM>(&item))) {
        handled = FALSE;
        return 0;
    }
    MapWindowPoints(m_hWnd, nullptr, reinterpret_cast<POINT*>(&item), 2);
    RECT tip = {};
    GetWindowRect(header->hwndFrom, &tip);
    RECT placed = {};
    if (!PlaceTipBesideItem(item, tip, GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN),
                            placed)) {
        handled = FALSE;
        return 0;
    }
    SetWindowPos(header->hwndFrom, nullptr, placed.left, placed.top, placed.right - placed.left,
                 placed.bottom - placed.top, SWP_NOACTIVATE | SWP_NOZORDER);
    return 1;
}
