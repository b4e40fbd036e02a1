#include "history/pane/FloatPane.h"

#include <objbase.h>

#include <algorithm>
#include <mutex>

#include "core/AppSlots.h"
#include "core/ClientLanguage.h"
#include "core/IconIds.h"
#include "core/KeyboardInput.h"
#include "core/LanguageFiles.h"
#include "core/MenuResourceIds.h"
#include "core/MenuToolTip.h"
#include "core/Settings.h"
#include "core/SoundPlayer.h"
#include "core/SystemInfo.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/VersionInfo.h"
#include "core/base/CodePageDetect.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/SharedEvents.h"
#include "core/base/WorkerThread.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryMenu.h"
#include "history/pane/PaneGeometry.h"
#include "history/pane/PaneMenus.h"
#include "history/pane/PaneTips.h"

namespace {

const BYTE kInactiveOpacityPercent = 80;
// lParam of the collapse posted at creation.
const LPARAM kCollapseAtStart = 1;

RECT WorkArea() {
    RECT area = {};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &area, 0);
    return area;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

RECT VirtualScreen() {
    const int left = GetSystemMetrics(SM_XVIRTUALSCREEN);
    const int top = GetSystemMetrics(SM_YVIRTUALSCREEN);
    return RECT{left, top, left + GetSystemMetrics(SM_CXVIRTUALSCREEN), top + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
}

// Waits for the handles, answering the messages other threads send to this one meanwhile:
// a worker moving the pane waits in SetWindowPos for this thread.
bool WaitAnsweringSentMessages(const std::vector<HANDLE>& handles, DWORD timeoutMs) {
    const DWORD start = GetTickCount();
    for (HANDLE handle : handles) {
        for (;;) {
            const DWORD spent = GetTickCount() - start;
            if (spent > timeoutMs) return false;
            const DWORD result = MsgWaitForMultipleObjects(1, &handle, FALSE, timeoutMs - spent, QS_SENDMESSAGE);
            if (result == WAIT_OBJECT_0) break;
            if (result != WAIT_OBJECT_0 + 1) return false;
            MSG message;
            PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
    }
    return true;
}

struct CCollapseAnimationContext {
    HWND window;
    int minimumWidth;
    bool fine;
    CHandle animationEvent;
    CHandle cancel;
    CHandle stop;
};

DWORD RunCollapseAnimation(CCollapseAnimationContext& context) {
    const HANDLE ends[] = {context.stop.get(), context.cancel.get()};
    const int increment = CollapseStepIncrement(context.fine);
    const DWORD pause = CollapsePauseMs(context.fine);
    for (int step = kCollapseFirstStep;; step += increment) {
        if (WaitForMultipleObjects(2, ends, FALSE, 0) != WAIT_TIMEOUT) break;
        RECT window = {};
        if (!GetWindowRect(context.window, &window)) break;
        const CCollapseFrame frame = NextCollapseFrame(window, VirtualScreen().right, context.minimumWidth, step);
        // Never activating: the pane collapses because another window became active.
        SetWindowPos(context.window, nullptr, frame.rect.left, frame.rect.top, frame.rect.right - frame.rect.left,
                     frame.rect.bottom - frame.rect.top, SWP_NOZORDER | SWP_NOACTIVATE);
        if (frame.last) break;
        if (WaitForMultipleObjects(2, ends, FALSE, pause) != WAIT_TIMEOUT) break;
    }
    ResetEvent(context.animationEvent.get());
    return 0;
}

struct CBlinkContext {
    HWND window;
    CHandle stop;
};

DWORD RunBlink(CBlinkContext& context) {
    PlaySoundWherePane();
    for (const CBlinkStep& step : kBlinkSteps) {
        if (step.on && !IsWindow(context.window)) break;
        PostMessageW(context.window, WM_VXL_PANE_BLINK_STEP, step.on ? 1 : 0, step.topmost ? 1 : 0);
        if (WaitForSingleObject(context.stop.get(), step.waitMs) != WAIT_TIMEOUT) break;
        if (step.on && !IsWindow(context.window)) break;
    }
    return 0;
}

// The detection asks MLang, a COM object; the pane's thread may not have COM yet.
UINT DetectWithCom(const char* bytes, int length) {
    CComInit com;
    return DetectCodePageByMLang(bytes, length);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The desktop

POINT CSystemPaneDesktop::CursorPos() {
    POINT point = {};
    GetCursorPos(&point);
    return point;
}

bool CSystemPaneDesktop::IsLeftButtonDown() {
    return GetAsyncKeyState(VK_LBUTTON) != 0;
}

bool CSystemPaneDesktop::ActivateWindow(HWND window) {
    const DWORD thread = GetWindowThreadProcessId(window, nullptr);
    if (!thread) return false;
    // Joined to the window's input, this thread may hand it the activation and the focus.
    const DWORD own = GetCurrentThreadId();
    const bool attached = thread != own && AttachThreadInput(own, thread, TRUE);
    // Activation is a top-level window's; the focus goes back to the very control.
    const HWND root = GetAncestor(window, GA_ROOT);
    SetActiveWindow(root);
    SetForegroundWindow(root);
    SetFocus(window);
    if (attached) AttachThreadInput(own, thread, FALSE);
    return GetForegroundWindow() == root;
}

HWND CSystemPaneDesktop::ForegroundWindow() {
    return GetForegroundWindow();
}

void CSystemPaneDesktop::SendCtrlV() {
    CKeyboardInput(SystemInputSender()).SendCtrlV();
}

void CSystemPaneDesktop::PlayPasteSound() {
    PlaySoundKbd();
}

bool StartPaneBlinkThread(HWND window, HANDLE stopEvent, CHandle& thread) {
    auto context = std::make_unique<CBlinkContext>(CBlinkContext{window, DuplicateForWorker(stopEvent)});
    if (!context->stop) return false;
    return StartWorker(std::move(context), &RunBlink, {}, &thread);
}

// ---------------------------------------------------------------------------------------

CVXLFloatPane::CVXLFloatPane(CMenuToolTip* menuTip, IToolbarMenuHost& menuHost, const CHistoryListHelp& help,
                             IPaneDesktop& desktop)
    : m_menuTip(menuTip),
      m_desktop(desktop),
      m_menuHost(menuHost),
      m_list(help),
      m_toolbar(WM_VXL_PANE_ITEM_COUNT, menuHost),
      m_animationEvent(CreateEventW(nullptr, TRUE, FALSE, nullptr)),
      m_animationCancel(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {}

CVXLFloatPane::~CVXLFloatPane() {
    if (IsWindow()) DestroyWindow();
    if (!WaitForThreads(5000)) LogError(L"CVXLFloatPane::~CVXLFloatPane: a worker thread of the pane still runs");
}

HWND CVXLFloatPane::GetFloatPaneWindow() {
    const HWND window = CAppObjects::GetFloatPaneWnd();
    return window && ::IsWindow(window) ? window : nullptr;
}

bool CVXLFloatPane::Create(CVXLWndClipboardHandler& history, bool focusOnCreate, bool blinkAfterCreate) {
    if (IsWindow()) return true;
    m_history = &history;
    m_focusOnCreate = focusOnCreate;
    m_applyStartPin = true;
    m_collapsed = false;
    m_collapseAtStart = false;
    m_restore = {};

    const RECT defaultRect = DefaultFloatPaneRect(GetSystemMetrics(SM_CXVIRTUALSCREEN));
    POINT topLeft = {defaultRect.left, defaultRect.top};
    CVXLSettings::ReadWindowPos(topLeft, kFloatPanePositionKey);
    const RECT rect = KeepPaneReachable(FloatPaneRectAt(topLeft), MonitorWorkAreas());

    if (!wtl::CWindowImplBase::Create(nullptr, rect, L"Vexlora : Clipboard History", WS_POPUP | WS_CLIPCHILDREN,
                                      WS_EX_TOOLWINDOW)) {
        LogWriteFormat(L"CVXLFloatPane::Create: the window was not created, error %d",
                       static_cast<int>(GetLastError()));
        m_history = nullptr;
        return false;
    }
    // Only a collapsed pane blinks: after the collapse that the new window has posted.
    if (blinkAfterCreate) PostMessage(WM_VXL_PANE_BLINK);
    return true;
}

// ---------------------------------------------------------------------------------------
// Creation and destruction

LRESULT CVXLFloatPane::OnCreate(UINT, WPARAM, LPARAM, BOOL&) {
    const HINSTANCE module = GetModuleHandleW(nullptr);
    m_elevated = IsUserAdmin();
    m_drawIcons.Load(module);
    const UINT iconId = m_elevated ? IDI_APP_READY_ADMIN : IDI_APP_READY;
    m_smallIcon.reset(LoadIconSized(module, iconId, 16));
    m_bigIcon.reset(static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(iconId), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE)));
    if (m_smallIcon) SendMessage(WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(m_smallIcon.get()));
    if (m_bigIcon) SendMessage(WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(m_bigIcon.get()));

    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const RECT barRect = {0, 0, client.right, kPaneToolbarHeight};
    int listTop = 0;
    if (m_toolbar.Create(m_hWnd, barRect, WS_CHILD | TBSTYLE_FLAT | TBSTYLE_TOOLTIPS | CCS_TOP, kPaneToolbarId)) {
        m_toolbar.ShowWindow(SW_SHOW);
        // The object outlives its windows: a new bar shows the pin the pane keeps.
        m_toolbar.PressPinButton(m_pinned);
        RECT bar = {};
        ::GetWindowRect(m_toolbar, &bar);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
        listTop = bar.bottom;
    } else {
        LogWrite(L"CVXLFloatPane::OnCreate: the tool bar was not created");
    }
    if (!CreateList(listTop)) return -1;

    ListView_SetCallbackMask(m_list, ListView_GetCallbackMask(m_list) & ~LVIS_SELECTED);
    SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW | SWP_NOACTIVATE);
    if (m_focusOnCreate) ::SetFocus(m_list);

    SetWindowLongPtrW(m_hWnd, GWL_STYLE, GetWindowLongPtrW(m_hWnd, GWL_STYLE) & ~static_cast<LONG_PTR>(WS_CAPTION));
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                 SWP_FRAMECHANGED | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    PostMessage(WM_NCACTIVATE, TRUE);
    ShowWindow(m_focusOnCreate ? SW_SHOW : SW_SHOWNA);
    CreateCaptionTip();
    m_stopEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    // A pane shown and fitted before this arrives stays open.
    m_collapseAtStart = true;
    PostMessage(WM_VXL_PANE_SET_COLLAPSED, TRUE, kCollapseAtStart);

    m_loop = wtl::Module().GetMessageLoop();
    if (m_loop) m_loop->AddMessageFilter(this);
    CListenerRegistry1::GetInstance().Register(this);
    CListenerRegistry2::GetInstance().Register(this);
    if (m_history) m_toolbar.OnHistoryStateChanged(m_history->IsSpyInstalled());
    // The menu tracker and the highlight notifier find the pane in the program's slot.
    CAppObjects::SetFloatPaneWnd(m_hWnd);
    PostMessage(WM_VXL_PANE_APPLY_START_PIN);
    return 0;
}

bool CVXLFloatPane::CreateList(int top) {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    const CPaneLayout layout = LayoutPane(client, top);
    const DWORD style = WS_CHILD | WS_TABSTOP | LVS_REPORT | LVS_SHOWSELALWAYS | LVS_SHAREIMAGELISTS | LVS_OWNERDATA |
                        LVS_NOCOLUMNHEADER;
    if (!m_list.Create(m_hWnd, layout.list, style, WS_EX_CLIENTEDGE, kPaneListId)) {
        LogWriteFormat(L"CVXLFloatPane::CreateList: the list was not created, error %d",
                       static_cast<int>(GetLastError()));
        return false;
    }
    m_list.SendMessage(WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)), FALSE);
    const COLORREF background = GetSysColor(COLOR_MENU);
    ListView_SetBkColor(m_list, background);
    ListView_SetTextBkColor(m_list, background);
    ListView_SetTextColor(m_list, GetSysColor(COLOR_MENUTEXT));
    if (m_images.CreateForPane(GetModuleHandleW(nullptr), background, false)) {
        ListView_SetImageList(m_list, m_images.Handle(), LVSIL_SMALL);
        StartTypeIconsLoader();
    }
    ListView_SetExtendedListViewStyleEx(m_list, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_GRIDLINES,
                                        LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP | LVS_EX_GRIDLINES);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    wchar_t title[] = L"Data";
    column.pszText = title;
    column.cx = layout.list.right - layout.list.left;
    ListView_InsertColumn(m_list, 0, &column);
    ListView_SetCallbackMask(m_list, ListView_GetCallbackMask(m_list) | LVIS_OVERLAYMASK);
    Refresh_List();
    FitColumnWidths();
    if (!PostMessage(WM_VXL_PANE_SHOW_LIST)) m_list.ShowWindow(SW_SHOWNA);
    return true;
}

// What the loader hands over: the pane takes the icons if it is still there, else they
// go with the last owner.
struct CPaneTypeIconsDelivery {
    std::mutex lock;
    CPaneTypeIcons icons;
    bool ready = false;
};

namespace {

struct CTypeIconsLoad {
    HWND pane;
    std::shared_ptr<CPaneTypeIconsDelivery> delivery;
};

DWORD LoadTypeIcons(CTypeIconsLoad& load) {
    CPaneTypeIcons icons;
    {
        CComInit com;
        icons = LoadPaneTypeIcons();
    }
    {
        std::lock_guard<std::mutex> hold(load.delivery->lock);
        load.delivery->icons = std::move(icons);
        load.delivery->ready = true;
    }
    ::PostMessageW(load.pane, WM_VXL_PANE_TYPE_ICONS, 0, 0);
    return 0;
}

}  // namespace

void CVXLFloatPane::StartTypeIconsLoader() {
    m_typeIcons = std::make_shared<CPaneTypeIconsDelivery>();
    auto load = std::make_unique<CTypeIconsLoad>(CTypeIconsLoad{m_hWnd, m_typeIcons});
    if (StartWorker(std::move(load), &LoadTypeIcons)) return;
    LogWrite(L"CVXLFloatPane: no thread for the type icons; they are loaded here");
    m_images.SetTypeIcons(LoadPaneTypeIcons());
    m_typeIcons.reset();
}

LRESULT CVXLFloatPane::OnTypeIcons(UINT, WPARAM, LPARAM, BOOL&) {
    if (!m_typeIcons) return 0;
    {
        std::lock_guard<std::mutex> hold(m_typeIcons->lock);
        if (!m_typeIcons->ready) return 0;
        m_images.SetTypeIcons(m_typeIcons->icons);
    }
    m_typeIcons.reset();
    if (::IsWindow(m_list)) m_list.RedrawVisible();
    return 0;
}

void CVXLFloatPane::CreateCaptionTip() {
    m_captionTip = CreateWindowExW(0, TOOLTIPS_CLASSW, nullptr, TTS_ALWAYSTIP, CW_USEDEFAULT, CW_USEDEFAULT,
                                   CW_USEDEFAULT, CW_USEDEFAULT, m_hWnd, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (!m_captionTip) return;
    ::SendMessageW(m_captionTip, TTM_ACTIVATE, TRUE, 0);
    ::SendMessageW(m_captionTip, TTM_SETMAXTIPWIDTH, 0, 500);
    const LRESULT autoPop = ::SendMessageW(m_captionTip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0);
    ::SendMessageW(m_captionTip, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(static_cast<WORD>(autoPop * 4), 0));
    ::SendMessageW(m_captionTip, TTM_SETDELAYTIME, TTDT_INITIAL, MAKELPARAM(2000, 0));
    SendMessage(WM_VXL_PANE_REBUILD_CAPTION_TIP);
}

LRESULT CVXLFloatPane::OnDestroy(UINT, WPARAM, LPARAM, BOOL& handled) {
    if (CAppObjects::GetFloatPaneWnd() == m_hWnd) CAppObjects::SetFloatPaneWnd(nullptr);
    if (m_loop) m_loop->RemoveMessageFilter(this);
    m_loop = nullptr;
    CListenerRegistry1::GetInstance().Unregister(this);
    CListenerRegistry2::GetInstance().Unregister(this);
    for (UINT_PTR timer : {kPanePasteTimer, kPaneCtrlVTimer, kPaneAutoCollapseTimer, kPaneReselectTimer})
        KillTimer(m_hWnd, timer);
    // The blink and the narrowing end with the window.
    if (m_stopEvent) SetEvent(m_stopEvent.get());
    m_stopEvent.reset();
    m_pasteTarget = nullptr;
    m_reselectSerial = -1;
    m_doubleEnter = CDoubleEnter();
    m_captionTip = nullptr;  // owned by the pane: destroyed with it
    m_commands.reset();
    m_commandUi.reset();
    m_history = nullptr;
    m_typeIcons.reset();
    handled = FALSE;
    return 0;
}

// ---------------------------------------------------------------------------------------
// The list

void CVXLFloatPane::Refresh_List() {
    if (!::IsWindow(m_list)) return;
    const int count = m_history ? m_history->Get_Items_Count() : 0;
    m_list.SetCount(count, -1);
    if (count > 0) ListView_EnsureVisible(m_list, 0, FALSE);
    ::InvalidateRect(m_list, nullptr, TRUE);
    if (::IsWindow(m_toolbar)) ::InvalidateRect(m_toolbar, nullptr, TRUE);

    const CString title = FloatPaneTitle(count);
    wchar_t current[101] = {};
    ::GetWindowTextW(m_hWnd, current, 101);
    if (wcsncmp(current, title, 100) != 0) SetWindowText(title);
}

int CVXLFloatPane::GetFocusedItem() const {
    if (!::IsWindow(m_list)) return -1;
    return ListView_GetNextItem(m_list, -1, LVNI_FOCUSED);
}

std::vector<int> CVXLFloatPane::GetSelectedItems() const {
    std::vector<int> selected;
    if (::IsWindow(m_list)) m_list.GetSelected(selected);
    return selected;
}

void CVXLFloatPane::FitColumnWidths() {
    HWND header = ListView_GetHeader(m_list);
    const int columns = header ? Header_GetItemCount(header) : 1;
    std::vector<int> own;
    for (int i = 0; i < columns; ++i) own.push_back(ListView_GetColumnWidth(m_list, i));
    RECT client = {};
    ::GetClientRect(m_list, &client);
    const std::vector<int> widths = FitColumns(client.right, own);
    for (size_t i = 0; i < widths.size(); ++i) ListView_SetColumnWidth(m_list, static_cast<int>(i), widths[i]);
}

LRESULT CVXLFloatPane::OnFocusList(UINT, WPARAM, LPARAM, BOOL&) {
    ::SetFocus(m_list);
    return 0;
}

LRESULT CVXLFloatPane::OnShowList(UINT, WPARAM, LPARAM, BOOL&) {
    m_list.ShowWindow(SW_SHOWNA);
    return 0;
}

LRESULT CVXLFloatPane::OnSelectItem(UINT, WPARAM wParam, LPARAM, BOOL&) {
    m_list.DeselectAll();
    const int index = static_cast<int>(wParam);
    if (index >= 0) {
        ListView_SetSelectionMark(m_list, index);
        ListView_EnsureVisible(m_list, index, FALSE);
        ListView_SetItemState(m_list, index, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    }
    m_list.RedrawVisible();
    return 0;
}

LRESULT CVXLFloatPane::OnItemCount(UINT, WPARAM, LPARAM, BOOL&) {
    return ::IsWindow(m_list) ? ListView_GetItemCount(m_list) : 0;
}

LRESULT CVXLFloatPane::OnRebuildCaptionTip(UINT, WPARAM, LPARAM, BOOL&) {
    if (!m_captionTip || !::IsWindow(m_toolbar)) return 0;
    TOOLINFOW tool = {};
    tool.cbSize = sizeof tool;
    tool.hwnd = m_hWnd;
    tool.uId = reinterpret_cast<UINT_PTR>(m_toolbar.m_hWnd);
    ::SendMessageW(m_captionTip, TTM_DELTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    CPaneCaptionTipFacts facts;
    CFileVersionInfo version(static_cast<HMODULE>(nullptr));
    if (version.Read()) facts.version = version.GetProductVersionHead();
    facts.hotKey = m_menuHost.GetPhraseHotKeyText();
    facts.elevated = m_elevated;
    facts.runAsAdminCaption = m_menuHost.GetCommandCaption(ID_RUN_AS_ADMIN);
    const CString text = MakePaneCaptionTip(facts);
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.lpszText = const_cast<wchar_t*>(text.GetString());
    ::SendMessageW(m_captionTip, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
    return 0;
}

// The list holds no data of its own: each row is the history item of the same index from
// the newest, its menu text and the picture of its kind or program.
LRESULT CVXLFloatPane::OnListGetDispInfo(int, NMHDR* header, BOOL&) {
    auto* info = reinterpret_cast<NMLVDISPINFOW*>(header);
    const CCHItem* item = m_history ? m_history->Get_Item(info->item.iItem) : nullptr;
    if (!item) return 0;
    if ((info->item.mask & LVIF_TEXT) && info->item.pszText && info->item.cchTextMax > 0) {
        const CString text = PaneListText(*item, info->item.cchTextMax - 1);
        wcsncpy(info->item.pszText, text, static_cast<size_t>(info->item.cchTextMax) - 1);
        info->item.pszText[info->item.cchTextMax - 1] = L'\0';
    }
    if (info->item.mask & LVIF_IMAGE) info->item.iImage = GetItemImageIndex(m_images, *item);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Drawing

bool CVXLFloatPane::GetRowState(int row, CPaneRowState& state, bool withText) {
    const CCHItem* item = m_history ? m_history->Get_Item(row) : nullptr;
    if (!item) return false;
    state = PaneRowStateOf(*item, row);
    if (withText) state.text = GetMenuText(*item);
    state.hovered = ListView_GetHotItem(m_list) == row;
    state.selected = (ListView_GetItemState(m_list, row, LVIS_SELECTED) & LVIS_SELECTED) != 0;
    return true;
}

bool CVXLFloatPane::GetRowRects(int row, CPaneRowRects& rects) {
    return GetPaneRowRects(m_list, row, rects);
}

CPaneListLook CVXLFloatPane::ListLook() {
    CPaneListLook look;
    look.background = ListView_GetBkColor(m_list);
    look.text = ListView_GetTextColor(m_list);
    look.newestFont = m_list.GetItemFont(true, false);
    look.hoverFont = m_list.GetItemFont(false, true);
    look.htmlIcon = m_drawIcons.html.get();
    look.protectIcon = m_drawIcons.protect.get();
    look.elevated = m_elevated;
    return look;
}

CPaneToolbarState CVXLFloatPane::ToolbarState() {
    CPaneToolbarState state;
    state.count = m_history ? m_history->Get_Items_Count() : 0;
    state.selected = ::IsWindow(m_list) ? ListView_GetSelectedCount(m_list) : 0;
    state.collapsed = m_collapsed;
    state.elevated = m_elevated;
    state.historyOn = m_history && m_history->IsSpyInstalled();
    state.alarm = m_toolbar.GetBlinkHighlight();
    // The strip is the stretching separator before the buttons.
    ::SendMessageW(m_toolbar, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&state.strip));
    state.caption = LoadUiString(IDS_FLOAT_PANE_CAPTION);
    state.menuFont = m_fonts.Menu();
    state.captionFont = m_fonts.LightItalic();
    state.appIcon = m_drawIcons.app.get();
    return state;
}

LRESULT CVXLFloatPane::OnListCustomDraw(int, NMHDR* header, BOOL&) {
    CPaneListLook look = ListLook();
    return OnPaneListCustomDraw(*reinterpret_cast<NMLVCUSTOMDRAW*>(header), *this, look);
}

LRESULT CVXLFloatPane::OnToolbarCustomDraw(int, NMHDR* header, BOOL&) {
    return OnPaneToolbarCustomDraw(*reinterpret_cast<NMTBCUSTOMDRAW*>(header), ToolbarState());
}

LRESULT CVXLFloatPane::OnListKeyDown(int, NMHDR* header, BOOL& handled) {
    const auto* key = reinterpret_cast<const NMLVKEYDOWN*>(header);
    if (key->wVKey == VK_ESCAPE) {
        CollapseOnEscape();
    } else if (key->wVKey == VK_RETURN) {
        const int index = ListView_GetSelectionMark(m_list);
        if (IsSecondEnter(m_doubleEnter, index, GetTickCount())) PasteToPreviousWindow();
    } else {
        handled = FALSE;
    }
    return 0;
}

LRESULT CVXLFloatPane::OnKeyUp(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (wParam == VK_ESCAPE) CollapseOnEscape();
    return 0;
}

LRESULT CVXLFloatPane::OnCollapseCommand(WORD, WORD, HWND, BOOL&) {
    CollapseOnEscape();
    return 0;
}

void CVXLFloatPane::CollapseOnEscape() {
    const HWND focus = GetFocus();
    if (m_collapsed || !focus || (focus != m_hWnd && !IsChild(m_hWnd, focus))) return;
    Set_Collapsed(true, true);
}

// ---------------------------------------------------------------------------------------
// Layout, position and size

void CVXLFloatPane::Layout() {
    RECT client = {};
    GetClientRect(m_hWnd, &client);
    int toolbarBottom = 0;
    if (::IsWindow(m_toolbar)) {
        ::MoveWindow(m_toolbar, 0, 0, client.right, kPaneToolbarHeight, TRUE);
        RECT bar = {};
        ::GetWindowRect(m_toolbar, &bar);
        MapWindowPoints(nullptr, m_hWnd, reinterpret_cast<POINT*>(&bar), 2);
        toolbarBottom = bar.bottom;
    }
    if (!::IsWindow(m_list)) return;
    const CPaneLayout layout = LayoutPane(client, toolbarBottom);
    ::MoveWindow(m_list, layout.list.left, layout.list.top, layout.list.right - layout.list.left,
                 layout.list.bottom - layout.list.top, TRUE);
    FitColumnWidths();
}

// The height the pane lays its tool bar out with: the bar's own window may be taller for a
// moment while it sizes itself, and the strip must not take that for a stretch.
int CVXLFloatPane::CollapsedHeight() const {
    int height = kPaneToolbarHeight;
    if (GetWindowLongPtrW(m_hWnd, GWL_STYLE) & WS_THICKFRAME) height += 5 * GetSystemMetrics(SM_CYBORDER);
    return height;
}

LRESULT CVXLFloatPane::OnSize(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (wParam == SIZE_MINIMIZED) return 0;
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    if (m_collapsed && HIWORD(lParam) > 0 && window.bottom - window.top > CollapsedHeight()) {
        m_collapsed = false;
        ShowCollapsedLook();
    }
    Layout();
    return 0;
}

LRESULT CVXLFloatPane::OnWindowPosChanging(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
    if (pos->flags & SWP_NOSIZE) return result;
    const int collapsedHeight = CollapsedHeight();
    if (m_collapsed && pos->cy > collapsedHeight) {
        m_collapsed = false;
        ShowCollapsedLook();
    }
    if (m_collapsed) pos->cy = collapsedHeight;
    return result;
}

LRESULT CVXLFloatPane::OnWindowPosChanged(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    if (m_collapsed && m_restore.IsKept() && !Is_Animating()) m_restore = FollowStrip(m_restore, window);
    if (ShouldRememberPanePosition(IsIconic(m_hWnd) != FALSE, IsWindowVisible(m_hWnd) != FALSE, window, WorkArea())) {
        // Every animation step and every pixel of a drag comes here: only a new place is written.
        const POINT place = PanePlaceToRemember(m_collapsed, m_restore, window);
        if (!m_placeWritten || place.x != m_writtenPlace.x || place.y != m_writtenPlace.y) {
            CVXLSettings::WriteWindowPos(place.x, place.y, kFloatPanePositionKey);
            m_writtenPlace = place;
            m_placeWritten = true;
        }
    }
    return result;
}

bool CVXLFloatPane::IsSizedToWorkArea() const {
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    return SameRect(window, WorkArea());
}

void CVXLFloatPane::KeepRestoreRect() {
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    m_restore = {window.right - window.left, window.bottom - window.top, window.left, window.top};
}

bool CVXLFloatPane::ReturnToRestoreRect(int height) {
    if (!m_restore.IsKept()) return false;
    const CPaneRestoreRect restore = m_restore;
    m_restore = {};
    SetWindowPos(m_hWnd, nullptr, restore.left, restore.top, restore.width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

void CVXLFloatPane::SizeToWorkArea() {
    KeepRestoreRect();
    const RECT area = WorkArea();
    SetWindowPos(m_hWnd, nullptr, area.left, area.top, area.right - area.left, area.bottom - area.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

int CVXLFloatPane::HeightForItems() const {
    RECT window = {}, list = {}, listClient = {}, item = {};
    ::GetWindowRect(m_hWnd, &window);
    ::GetWindowRect(m_list, &list);
    ::GetClientRect(m_list, &listClient);
    const int count = ListView_GetItemCount(m_list);
    if (count <= 0 || !ListView_GetItemRect(m_list, 0, &item, LVIR_BOUNDS)) return window.bottom - window.top;
    const int listFrame = (list.bottom - list.top) - listClient.bottom;
    const int otherHeight = (window.bottom - window.top) - (list.bottom - list.top);
    return otherHeight + listFrame + count * (item.bottom - item.top);
}

void CVXLFloatPane::GrowToItems() {
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    const RECT area = WorkArea();
    const int wanted = std::min(HeightForItems(), static_cast<int>(area.bottom - window.top));
    if (wanted <= window.bottom - window.top) return;
    SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, wanted, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    Set_Pinned(true);
}

void CVXLFloatPane::Fit_And_Show() {
    m_collapseAtStart = false;
    Set_Collapsed(false, false);
    GrowToItems();
    ShowWindow(SW_SHOW);
    ::SetFocus(m_list);
}

// ---------------------------------------------------------------------------------------
// Collapsing, pinning, blinking

bool CVXLFloatPane::Set_Collapsed(bool collapse, bool animate) {
    return CollapseOrExpand(collapse, animate, false);
}

void CVXLFloatPane::SelectFirstItemWhenNoneIs() {
    if (!::IsWindow(m_list) || ListView_GetItemCount(m_list) <= 0 || ListView_GetSelectedCount(m_list) > 0) return;
    ListView_SetSelectionMark(m_list, 0);
    ListView_EnsureVisible(m_list, 0, FALSE);
    ListView_SetItemState(m_list, 0, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
}

bool CVXLFloatPane::CollapseOrExpand(bool collapse, bool animate, bool focus) {
    if (!IsWindow()) return false;
    if (!collapse) SelectFirstItemWhenNoneIs();
    if (collapse == m_collapsed) {
        if (!collapse && focus) ::SetFocus(m_list);
        return false;
    }
    if (!collapse && m_captionTip) ::SendMessageW(m_captionTip, TTM_POP, 0, 0);
    m_collapsed = collapse;
    const LONG_PTR style = GetWindowLongPtrW(m_hWnd, GWL_STYLE);
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    if (collapse) {
        KeepRestoreRect();
        // Sized before the border comes: a frame change of the tall pane would report its
        // old height, which reads as the user stretching the strip.
        SetWindowPos(m_hWnd, nullptr, 0, 0, window.right - window.left, CollapsedHeight(),
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        SetWindowLongPtrW(m_hWnd, GWL_STYLE, style | WS_BORDER);
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
        StartCollapseAnimation(animate);
    } else {
        StopCollapseAnimation();
        SetWindowLongPtrW(m_hWnd, GWL_STYLE, style & ~static_cast<LONG_PTR>(WS_BORDER));
        RECT target = {window.left, window.top, window.left + kFloatPaneWidth, window.top + kFloatPaneHeight};
        if (m_restore.IsKept())
            target = {m_restore.left, m_restore.top, m_restore.left + m_restore.width,
                      m_restore.top + m_restore.height};
        target = FitIntoScreen(target, VirtualScreen());
        m_restore = {};
        SetWindowPos(m_hWnd, nullptr, target.left, target.top, target.right - target.left, target.bottom - target.top,
                     SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    }
    ShowCollapsedLook();
    if (!collapse && focus) ::SetFocus(m_list);
    return true;
}

bool CVXLFloatPane::Is_Animating() const {
    return m_animationEvent && WaitForSingleObject(m_animationEvent.get(), 0) == WAIT_OBJECT_0;
}

void CVXLFloatPane::StartCollapseAnimation(bool fine) {
    if (!IsWindow() || !IsWindowVisible(m_hWnd)) {
        LogError(L"NO start animated mininize. Float pane is invisible");
        return;
    }
    if (Is_Animating()) {
        LogError(L"NO start animated mininize. Already minimize");
        return;
    }
    RECT window = {}, button = {};
    ::GetWindowRect(m_hWnd, &window);
    const int index =
        ::IsWindow(m_toolbar) ? static_cast<int>(m_toolbar.SendMessage(TB_COMMANDTOINDEX, ID_OPEN_EDITOR)) : -1;
    const bool measured = index >= 0 && m_toolbar.GetButtonScreenRect(index, button);
    const int minimumWidth = measured ? CollapsedMinimumWidth(window.right, button.right) : kCollapseFallbackWidth;

    SetEvent(m_animationEvent.get());
    ResetEvent(m_animationCancel.get());
    auto context = std::make_unique<CCollapseAnimationContext>(
        CCollapseAnimationContext{m_hWnd, minimumWidth, fine, DuplicateForWorker(m_animationEvent.get()),
                                  DuplicateForWorker(m_animationCancel.get()), DuplicateForWorker(m_stopEvent.get())});
    CHandle thread;
    if (!context->animationEvent || !context->cancel || !context->stop ||
        !StartWorker(std::move(context), &RunCollapseAnimation, {}, &thread)) {
        LogError(L"NO start animated mininize. Cannot create  CreateThread()");
        ResetEvent(m_animationEvent.get());
        return;
    }
    m_animationThread = std::move(thread);
    LogWriteFormat(L"Well. Started animated minimize: with cxMin=%d", minimumWidth);
}

void CVXLFloatPane::StopCollapseAnimation() {
    if (!m_animationThread) return;
    SetEvent(m_animationCancel.get());
    if (!WaitAnsweringSentMessages({m_animationThread.get()}, 5000))
        LogError(L"CVXLFloatPane::StopCollapseAnimation: the narrowing did not end");
    m_animationThread.reset();
}

bool CVXLFloatPane::WaitForThreads(DWORD timeoutMs) {
    std::vector<HANDLE> threads;
    if (m_animationThread) threads.push_back(m_animationThread.get());
    if (m_blinkThread) threads.push_back(m_blinkThread.get());
    if (!WaitAnsweringSentMessages(threads, timeoutMs)) return false;
    m_animationThread.reset();
    m_blinkThread.reset();
    return true;
}

void CVXLFloatPane::ShowCollapsedLook() {
    if (::IsWindow(m_toolbar)) {
        m_toolbar.SetCollapsedLook(m_collapsed);
        ::InvalidateRect(m_toolbar, nullptr, TRUE);
    }
}

void CVXLFloatPane::Set_Pinned(bool pinned) {
    m_pinned = pinned;
    if (::IsWindow(m_toolbar)) m_toolbar.PressPinButton(pinned);
}

LRESULT CVXLFloatPane::OnMinimizeToCaption(WORD, WORD, HWND, BOOL&) {
    Set_Collapsed(!m_collapsed, true);
    return 0;
}

LRESULT CVXLFloatPane::OnPin(WORD, WORD, HWND, BOOL&) {
    Set_Pinned(!m_pinned);
    return 0;
}

LRESULT CVXLFloatPane::OnSetCollapsed(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (lParam == kCollapseAtStart) {
        if (!m_collapseAtStart) return 0;
        m_collapseAtStart = false;
        // The start's collapse, as the tool bar's button would do it.
        Set_Collapsed(true, true);
        return 1;
    }
    // Answered, whatever the state was: the sender only learns that the pane heard it.
    Set_Collapsed(wParam != 0, false);
    return 1;
}

LRESULT CVXLFloatPane::OnQueryCollapsed(int, NMHDR*, BOOL&) {
    return m_collapsed ? 1 : 0;
}

LRESULT CVXLFloatPane::OnApplyStartPin(UINT, WPARAM, LPARAM, BOOL&) {
    if (!m_applyStartPin) return 0;
    m_applyStartPin = false;
    if (CVXLSettings::GetInstance().Pinned_FloatPane_On_Start && !m_pinned) PostMessage(WM_COMMAND, ID_PANE_PIN);
    return 0;
}

bool CVXLFloatPane::Start_Blink() {
    if (!IsWindow() || !m_collapsed || !m_stopEvent || WaitForSingleObject(m_stopEvent.get(), 0) == WAIT_OBJECT_0)
        return false;
    // One blink at a time: a second one would cut the first one's steps short.
    if (m_blinkThread && WaitForSingleObject(m_blinkThread.get(), 0) == WAIT_TIMEOUT) return false;
    CHandle thread;
    if (!StartPaneBlinkThread(m_hWnd, m_stopEvent.get(), thread)) {
        LogError(L"CVXLFloatPane::Start_Blink: the blink thread did not start");
        return false;
    }
    m_blinkThread = std::move(thread);
    return true;
}

LRESULT CVXLFloatPane::OnBlink(UINT, WPARAM, LPARAM, BOOL&) {
    return Start_Blink() ? 1 : 0;
}

LRESULT CVXLFloatPane::OnBlinkStep(UINT, WPARAM wParam, LPARAM lParam, BOOL&) {
    if (::IsWindow(m_toolbar)) m_toolbar.SetBlinkHighlight(wParam != 0);
    if (wParam || lParam)
        SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    else
        SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0,
                     SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER | SWP_FRAMECHANGED);
    return 0;
}

// ---------------------------------------------------------------------------------------
// Timers, the mouse and pasting

LRESULT CVXLFloatPane::OnTimer(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    switch (wParam) {
        case kPanePasteTimer:
            KillTimer(m_hWnd, kPanePasteTimer);
            if (::IsWindow(m_list) && ListView_GetSelectionMark(m_list) >= 0) PasteToPreviousWindow();
            break;
        case kPaneCtrlVTimer:
            KillTimer(m_hWnd, kPaneCtrlVTimer);
            OnCtrlVTimer();
            break;
        case kPaneAutoCollapseTimer:
            OnAutoCollapseTimer();
            break;
        case kPaneReselectTimer:
            KillTimer(m_hWnd, kPaneReselectTimer);
            OnReselectTimer();
            break;
        default:
            handled = FALSE;
            break;
    }
    return 0;
}

LRESULT CVXLFloatPane::OnToolbarMouseRested(int, NMHDR*, BOOL&) {
    if (Is_Animating() || m_desktop.IsLeftButtonDown() || !m_collapsed) return 0;
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    if (!PtInRect(&window, m_desktop.CursorPos())) return 0;
    Set_Collapsed(false, false);
    HideTips();
    SetTimer(m_hWnd, kPaneAutoCollapseTimer, kPaneAutoCollapseMs, nullptr);
    return 0;
}

void CVXLFloatPane::HideTips() {
    const HWND tips[] = {
        ::IsWindow(m_list) ? ListView_GetToolTips(m_list) : nullptr,
        ::IsWindow(m_toolbar) ? reinterpret_cast<HWND>(m_toolbar.SendMessage(TB_GETTOOLTIPS)) : nullptr};
    for (HWND tip : tips) {
        if (!tip) continue;
        ::SendMessageW(tip, TTM_POP, 0, 0);
        ::ShowWindow(tip, SW_HIDE);
    }
}

// Pinned, the pane stays open and the timer goes on: released, it closes at the next tick
// that finds the mouse away. A pane that is collapsed by then needs the timer no longer.
void CVXLFloatPane::OnAutoCollapseTimer() {
    if (m_pinned) return;
    RECT window = {};
    ::GetWindowRect(m_hWnd, &window);
    if (PtInRect(&window, m_desktop.CursorPos())) return;
    Set_Collapsed(true, false);
    KillTimer(m_hWnd, kPaneAutoCollapseTimer);
}

void CVXLFloatPane::PasteSoon() {
    if (IsWindow()) SetTimer(m_hWnd, kPanePasteTimer, kPanePasteDelayMs, nullptr);
}

void CVXLFloatPane::PasteToPreviousWindow() {
    if (!IsWindow() || !m_history || !::IsWindow(m_list)) return;
    const int index = ListView_GetSelectionMark(m_list);
    const CCHItem* item = m_history->Get_Item(index);
    CPaneCommands* commands = Commands();
    if (!item || !commands) return;
    const LONG serial = item->Serial();
    SignalStartCopy();
    // The paste starts only once the item is on the clipboard: else it would paste
    // whatever was there before.
    if (!commands->CopyItem(index, true)) {
        LogError(L"Cannot copy data to clipboard from float pane");
        MessageBeep(0xFFFFFFFF);
    } else {
        ReselectItemLater(serial);
        HWND target = m_desktop.GetTargetWindowOther();
        LogWriteFormat(L"CVXLFloatPane::PasteToPreviousWindow: item %d to the window 0x%08X", index,
                       static_cast<unsigned>(reinterpret_cast<UINT_PTR>(target)));
        if (target && m_desktop.ActivateWindow(target)) {
            m_pasteTarget = target;
            SetTimer(m_hWnd, kPaneCtrlVTimer, kPanePasteDelayMs, nullptr);
        } else {
            LogError(L"Cannot activate other window from float pane");
        }
    }
    SignalEndCopy();
}

// Ctrl+V goes to whatever window has the keyboard: only the one the item was meant for
// gets it.
void CVXLFloatPane::OnCtrlVTimer() {
    const HWND target = m_pasteTarget;
    m_pasteTarget = nullptr;
    if (!target) return;
    const HWND foreground = m_desktop.ForegroundWindow();
    if (::IsWindow(target) && foreground && foreground == GetAncestor(target, GA_ROOT)) {
        m_desktop.SendCtrlV();
        m_desktop.PlayPasteSound();
    } else {
        LogError(L"CVXLFloatPane::OnCtrlVTimer: the previous window is gone or not in front, nothing pasted");
    }
    if (!m_pinned) Set_Collapsed(true, false);
}

void CVXLFloatPane::ReselectItemLater(LONG serial) {
    if (!IsWindow()) return;
    m_reselectSerial = serial;
    SetTimer(m_hWnd, kPaneReselectTimer, kPaneReselectDelayMs, nullptr);
}

void CVXLFloatPane::OnReselectTimer() {
    const LONG serial = m_reselectSerial;
    m_reselectSerial = -1;
    if (!m_history || !::IsWindow(m_list)) return;
    const int held = m_history->Queue().FindIndexBySerial(serial);
    if (held < 0) return;
    const int row = m_history->Get_Items_Count() - 1 - held;
    ::SendMessageW(m_list, WM_SETREDRAW, FALSE, 0);
    m_list.DeselectAll();
    ListView_SetSelectionMark(m_list, row);
    ListView_EnsureVisible(m_list, row, FALSE);
    ListView_SetItemState(m_list, row, LVIS_FOCUSED | LVIS_SELECTED, LVIS_FOCUSED | LVIS_SELECTED);
    ::SendMessageW(m_list, WM_SETREDRAW, TRUE, 0);
    m_list.RedrawVisible();
}

LRESULT CVXLFloatPane::OnListDblClk(int, NMHDR* header, BOOL&) {
    const auto* activate = reinterpret_cast<const NMITEMACTIVATE*>(header);
    if (activate->iItem >= 0) {
        ListView_SetSelectionMark(m_list, activate->iItem);
        PasteSoon();
    } else {
        // A double click on the empty list closes even a pinned pane.
        ReleaseCapture();
        Set_Collapsed(true, false);
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Activation, caption, hit test, menus

LRESULT CVXLFloatPane::OnActivate(UINT, WPARAM wParam, LPARAM, BOOL&) {
    if (LOWORD(wParam) != WA_INACTIVE) {
        Platform::CLayeredWindowHelper::RemoveLayeredStyle(m_hWnd);
        ::SetFocus(m_list);
        return 0;
    }
    Platform::CLayeredWindowHelper::AddLayeredStyle(m_hWnd);
    m_layered.SetOpacityPercent(m_hWnd, kInactiveOpacityPercent);
    if (IsSizedToWorkArea()) ReturnToRestoreRect(m_restore.height);
    if (!m_pinned && !m_busy && !m_collapsed) Set_Collapsed(true, false);
    return 0;
}

LRESULT CVXLFloatPane::OnNcLButtonDblClk(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    if (wParam != HTCAPTION) {
        handled = FALSE;
        return 0;
    }
    if (m_collapsed) {
        Set_Collapsed(false, false);
        GrowToItems();
    } else if (IsSizedToWorkArea()) {
        ReturnToRestoreRect(m_restore.height);
    } else {
        SizeToWorkArea();
    }
    return 0;
}

LRESULT CVXLFloatPane::OnNcHitTest(UINT, WPARAM, LPARAM lParam, BOOL& handled) {
    if (::IsWindow(m_toolbar)) {
        const int index = static_cast<int>(m_toolbar.SendMessage(TB_COMMANDTOINDEX, ID_APP_EXIT));
        RECT button = {};
        if (index >= 0 && m_toolbar.GetButtonScreenRect(index, button) &&
            PtInRect(&button, wtl::PointFromLParam(lParam)))
            return HTCLOSE;
    }
    handled = FALSE;
    return 0;
}

LRESULT CVXLFloatPane::OnMenuTipMessage(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    handled = FALSE;
    if (!m_menuTip) return 0;
    switch (message) {
        case WM_MENUSELECT:
            m_menuTip->OnMenuSelect(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HMENU>(lParam));
            break;
        case WM_ENTERIDLE:
            m_menuTip->OnEnterIdle(static_cast<UINT>(wParam), reinterpret_cast<HWND>(lParam));
            break;
        default:
            m_menuTip->Hide();
            break;
    }
    return 0;
}

// ---------------------------------------------------------------------------------------
// Listeners

void CVXLFloatPane::OnHistoryStateEvent(DWORD a, DWORD) {
    if (a != 0 || !::IsWindow(m_toolbar) || !m_history) return;
    const bool on = m_history->IsSpyInstalled();
    m_toolbar.OnHistoryStateChanged(on);
    ::InvalidateRect(m_toolbar, nullptr, TRUE);
}

void CVXLFloatPane::OnHistoryEvent(DWORD a, DWORD b) {
    if (!IsWindow()) return;
    if (a == 0) {
        m_list.RedrawVisible();
        SendMessage(WM_VXL_PANE_REBUILD_CAPTION_TIP);
    } else if (a == 1 && (b == 1 || b == 5 || b == 8)) {
        SetWindowPos(m_hWnd, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOACTIVATE);
    }
}

// ---------------------------------------------------------------------------------------
// Commands

CPaneCommands* CVXLFloatPane::Commands() {
    if (!m_history || !IsWindow()) return nullptr;
    if (!m_commands) {
        IToolbarMenuHost* menuHost = &m_menuHost;
        m_commandUi = std::make_unique<CSystemPaneCommandUi>(m_hWnd, [menuHost] { return menuHost->GetMainWindow(); });
        if (m_commandAsk) m_commandUi->SetAsk(m_commandAsk);
        IPaneCommandHost& host = *this;
        m_commands = std::make_unique<CPaneCommands>(*m_history, host, *m_commandUi);
        const CString caption = GetClientMenuLng().GetMenuItemTextByID(IDR_ITEM_MENU, ID_PANE_DELETE);
        if (!caption.IsEmpty()) m_commands->SetDeleteCaption(caption);
        m_commands->SetCodePageDetect(&DetectWithCom);
    }
    return m_commands.get();
}

void CVXLFloatPane::SetCommandAsk(CSystemPaneCommandUi::Ask ask) {
    m_commandAsk = std::move(ask);
    if (m_commandUi) m_commandUi->SetAsk(m_commandAsk);
}

LRESULT CVXLFloatPane::OnCommand(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    PaneCommandSource source = PaneCommandSource::kMenu;
    if (HIWORD(wParam) == 1)
        source = PaneCommandSource::kAccelerator;
    else if (lParam && reinterpret_cast<HWND>(lParam) == m_toolbar.m_hWnd)
        source = PaneCommandSource::kToolbar;
    CPaneCommands* commands = Commands();
    if (!commands || !commands->Run(LOWORD(wParam), source)) {
        handled = FALSE;
        return 0;
    }
    // Nonzero tells a shortcut's sender that the command ran here.
    return 1;
}

BOOL CVXLFloatPane::PreTranslateMessage(MSG* message) {
    if (message->message != WM_KEYDOWN || !IsWindow() || (message->hwnd != m_hWnd && !::IsChild(m_hWnd, message->hwnd)))
        return FALSE;
    return m_menuHost.TranslatePaneKey(*message, m_hWnd) ? TRUE : FALSE;
}

LRESULT CVXLFloatPane::OnSysCommand(UINT, WPARAM wParam, LPARAM, BOOL& handled) {
    // The pane's own items of the system menu carry command ids, all below the SC_ range,
    // whose low four bits the system uses for itself.
    const UINT command = wParam >= 0xF000 ? static_cast<UINT>(wParam & 0xFFF0) : static_cast<UINT>(wParam);
    switch (command) {
        case ID_OPEN_EDITOR:
        case ID_CHECK_FOR_UPDATES:
        case ID_RUN_AS_ADMIN:
        case ID_APP_EXIT:
            PostToMainWindow(command);
            return 0;
        case SC_KEYMENU:
            if (::GetFocus() != m_list.m_hWnd) break;
            ShowContextMenu(POINT{}, true);
            return 0;
        case ID_PANE_MINIMIZE_TO_CAPTION:
        case ID_PANE_PIN:
        case 32789:  // Clear History
            if (CPaneCommands* commands = Commands()) commands->Run(command, PaneCommandSource::kMenu);
            return 0;
        default:
            break;
    }
    handled = FALSE;
    return 0;
}

bool CVXLFloatPane::SelectAll() {
    if (!::IsWindow(m_list) || ListView_GetItemCount(m_list) <= 0) return false;
    LVITEMW state = {};
    state.stateMask = LVIS_SELECTED;
    state.state = LVIS_SELECTED;
    return m_list.SendMessage(LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&state)) != FALSE;
}

void CVXLFloatPane::RefreshList() {
    Refresh_List();
    if (::IsWindow(m_list)) m_list.RedrawVisible();
}

void CVXLFloatPane::SelectRowLater(int row) {
    PostMessage(WM_VXL_PANE_SELECT_ITEM, static_cast<WPARAM>(row));
}

void CVXLFloatPane::ShowAllItems() {
    if (m_collapsed) Set_Collapsed(false, true);
    GrowToItems();
}

void CVXLFloatPane::ShowPhrasesMenu() {
    Set_Collapsed(true, false);
    ShowWindow(SW_HIDE);
    // The main window's command handlers answer 0 whether or not they ran: only a missing
    // window is an error.
    HWND main = m_menuHost.GetMainWindow();
    if (main)
        ::SendMessageW(main, WM_COMMAND, ID_SHOW_PHRASES_MENU, reinterpret_cast<LPARAM>(m_hWnd));
    else
        LogError(L"Error on sending to app");
    SetWindowPos(m_hWnd, nullptr, 0, 0, 0, 0, SWP_SHOWWINDOW | SWP_NOACTIVATE | SWP_NOZORDER | SWP_NOMOVE | SWP_NOSIZE);
}

void CVXLFloatPane::ClosePane() {
    PostMessage(WM_SYSCOMMAND, SC_CLOSE);
}

void CVXLFloatPane::PostToMainWindow(UINT command) {
    if (HWND main = m_menuHost.GetMainWindow()) ::PostMessageW(main, WM_COMMAND, command, 0);
}

bool CVXLFloatPane::SendPhraseToMainWindow(const CString& text) {
    // The editor starts with the text whatever the handler answers.
    HWND main = m_menuHost.GetMainWindow();
    if (!main) return false;
    ::SendMessageW(main, WM_VXL_EDIT_TEXT, 0, reinterpret_cast<LPARAM>(text.GetString()));
    return true;
}

LRESULT CVXLFloatPane::OnListRClick(int, NMHDR* header, BOOL&) {
    const auto* click = reinterpret_cast<const NMITEMACTIVATE*>(header);
    if (click->iItem >= 0) ListView_SetSelectionMark(m_list, click->iItem);
    const DWORD position = GetMessagePos();
    ShowContextMenu(POINT{static_cast<short>(LOWORD(position)), static_cast<short>(HIWORD(position))}, false);
    return 0;
}

void CVXLFloatPane::ShowContextMenu(POINT point, bool keyboard) {
    if (!m_history) return;
    CMenuHandle resource(LoadMenuW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDR_ITEM_MENU)));
    HMENU popup = resource ? GetSubMenu(resource.get(), 0) : nullptr;
    if (!popup) {
        LogWrite(L"CVXLFloatPane::ShowContextMenu: the item menu is missing");
        return;
    }
    GetClientMenuLng().TranslateMenu(popup);
    const int focused = GetFocusedItem();
    RECT item = {};
    if (keyboard && focused >= 0 && ListView_GetItemRect(m_list, focused, &item, LVIR_BOUNDS)) {
        MapWindowPoints(m_list, nullptr, reinterpret_cast<POINT*>(&item), 2);
        point = {item.left, item.bottom};
    }
    const std::vector<int> selected = GetSelectedItems();
    CPaneMenuFacts facts = CollectPaneMenuFacts(*m_history, focused, selected);
    facts.collapsed = m_collapsed;
    facts.pinned = m_pinned;
    auto setCaption = [popup](UINT id, const CString& caption) {
        ModifyMenuW(popup, id, MF_BYCOMMAND | MF_STRING, id, caption);
    };
    wchar_t text[256] = {};
    const CCHItem* focusedItem = m_history->Get_Item(focused);
    const CString preview = focusedItem ? PaneMenuPreview(GetPreviewText(*focusedItem, 100)) : CString();
    if (!preview.IsEmpty()) {
        for (UINT id : PaneCommandsWithPreview()) {
            if (GetMenuStringW(popup, id, text, 256, MF_BYCOMMAND) > 0) setCaption(id, CString(text) + L": " + preview);
        }
    }
    if (GetMenuStringW(popup, ID_PANE_DELETE, text, 256, MF_BYCOMMAND) > 0)
        setCaption(ID_PANE_DELETE, PaneDeleteCaption(text, facts.selectedCount, CountProtected(*m_history, selected)));
    if (GetMenuStringW(popup, 32838, text, 256, MF_BYCOMMAND) > 0)
        setCaption(32838, PaneUndoCaption(text, facts.undoCount));
    POINT listPoint = point;
    ::ScreenToClient(m_list, &listPoint);
    RECT listClient = {};
    ::GetClientRect(m_list, &listClient);
    const bool onList = PtInRect(&listClient, listPoint) != FALSE;
    ApplyPaneMenuStates(popup, facts, onList);
    m_menuHost.AppendPaneShortcuts(popup);
    TrackPopupMenu(popup, TPM_RIGHTBUTTON, point.x, point.y, 0, m_hWnd, nullptr);
}

// Dragging an item moves the pane, which has no caption to drag.
LRESULT CVXLFloatPane::OnListBeginDrag(int, NMHDR*, BOOL&) {
    SendMessage(WM_SYSCOMMAND, SC_MOVE | HTCAPTION);
    return 0;
}

LRESULT CVXLFloatPane::OnListItemChanged(int, NMHDR* header, BOOL&) {
    const auto* change = reinterpret_cast<const NMLISTVIEW*>(header);
    if (!m_collapsed && ((change->uNewState ^ change->uOldState) & LVIS_SELECTED) && ::IsWindow(m_toolbar))
        ::InvalidateRect(m_toolbar, nullptr, TRUE);
    return 0;
}

LRESULT CVXLFloatPane::OnListGetInfoTip(int, NMHDR* header, BOOL&) {
    auto* tip = reinterpret_cast<NMLVGETINFOTIPW*>(header);
    const CCHItem* item = m_history ? m_history->Get_Item(tip->iItem) : nullptr;
    if (!item || !tip->pszText || tip->cchTextMax <= 0) return 0;
    // A tip this long needs more than the default time to be read.
    if (HWND tips = ListView_GetToolTips(m_list))
        ::SendMessageW(tips, TTM_SETDELAYTIME, TTDT_AUTOPOP, MAKELPARAM(20000, 0));
    SYSTEMTIME now = {};
    GetLocalTime(&now);
    const CString text = MakePaneItemTip(*item, GetSelectedItems(), now);
    wcsncpy(tip->pszText, text, static_cast<size_t>(tip->cchTextMax) - 1);
    tip->pszText[tip->cchTextMax - 1] = L'\0';
    return 0;
}

LRESULT CVXLFloatPane::OnToolbarPhraseMenu(int, NMHDR*, BOOL&) {
    ShowPhrasesMenu();
    return 0;
}

LRESULT CVXLFloatPane::OnToolbarShowAll(int, NMHDR*, BOOL&) {
    ShowAllItems();
    Set_Pinned(true);
    return 0;
}

LRESULT CVXLFloatPane::OnToolbarQueryShowAll(int, NMHDR*, BOOL&) {
    return m_history && m_history->Get_Items_Count() > 0 ? 0 : 1;
}

LRESULT CVXLFloatPane::OnToolbarGetInfoTip(int, NMHDR* header, BOOL&) {
    auto* info = reinterpret_cast<NMTBGETINFOTIPW*>(header);
    if (!info->pszText || info->cchTextMax <= 0) return 0;
    const CPaneButtonTip tip = MakePaneButtonTip(static_cast<UINT>(info->iItem));
    if (HWND tips = reinterpret_cast<HWND>(m_toolbar.SendMessage(TB_GETTOOLTIPS)))
        ::SendMessageW(tips, TTM_SETTITLEW, tip.title.IsEmpty() ? TTI_NONE : TTI_INFO,
                       reinterpret_cast<LPARAM>(tip.title.GetString()));
    wcsncpy(info->pszText, tip.text, static_cast<size_t>(info->cchTextMax) - 1);
    info->pszText[info->cchTextMax - 1] = L'\0';
    if (m_captionTip) ::SendMessageW(m_captionTip, TTM_POP, 0, 0);
    return 0;
}

LRESULT CVXLFloatPane::OnToolbarDropDown(int, NMHDR* header, BOOL&) {
    const auto* drop = reinterpret_cast<const NMTOOLBARW*>(header);
    if (drop->iItem != ID_OPEN_EDITOR) return TBDDRET_NODEFAULT;
    CMenuHandle menu(CreatePopupMenu());
    if (!menu) return TBDDRET_NODEFAULT;
    for (UINT id : PaneDropDownIds()) {
        if (!id) {
            AppendMenuW(menu.get(), MF_SEPARATOR, 0, nullptr);
            continue;
        }
        CString caption = m_menuHost.GetCommandCaption(id);
        if (id == ID_PANE_PIN) {
            // The pin's caption is the second line of its UI string.
            const CString text = LoadUiString(id);
            const int lineBreak = text.Find(L'\n');
            caption = lineBreak >= 0 ? text.Mid(lineBreak + 1) : text;
        }
        if (caption.IsEmpty()) caption = LoadUiString(id);
        AppendMenuW(menu.get(), MF_STRING, id, caption);
    }
    HWND main = m_menuHost.GetMainWindow();
    if (main) ::SendMessageW(main, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu.get()), 0);
    CheckMenuItem(menu.get(), 32786, MF_BYCOMMAND | (m_history && m_history->Window() ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu.get(), ID_PANE_PIN, MF_BYCOMMAND | (m_pinned ? MF_CHECKED : MF_UNCHECKED));
    SetMenuDefaultItem(menu.get(), ID_OPEN_EDITOR, FALSE);
    RECT button = {};
    m_toolbar.SendMessage(TB_GETRECT, ID_OPEN_EDITOR, reinterpret_cast<LPARAM>(&button));
    MapWindowPoints(m_toolbar, nullptr, reinterpret_cast<POINT*>(&button), 2);
    m_toolbar.SendMessage(TB_PRESSBUTTON, ID_OPEN_EDITOR, TRUE);
    SetForegroundWindow(m_hWnd);
    const UINT chosen = m_menuHost.TrackMenu(menu.get(), POINT{button.left, button.bottom}, m_hWnd);
    if (::IsWindow(m_toolbar)) m_toolbar.SendMessage(TB_PRESSBUTTON, ID_OPEN_EDITOR, FALSE);
    if (chosen == ID_PANE_PIN)
        Set_Pinned(!m_pinned);
    else if (chosen)
        PostToMainWindow(chosen);
    return TBDDRET_DEFAULT;
}

// A right click on Undo offers to clear the undo pool.
LRESULT CVXLFloatPane::OnMenuRButtonUp(UINT, WPARAM wParam, LPARAM lParam, BOOL& handled) {
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    const UINT undo = 32838;
    if (!m_history || GetMenuItemID(menu, static_cast<int>(wParam)) != undo ||
        (GetMenuState(menu, undo, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED))) {
        handled = FALSE;
        return 0;
    }
    CMenuHandle pool(CreatePopupMenu());
    if (!pool) return 0;
    const int records = m_history->Queue().UndoCount();
    CString caption = GetClientMenuLng().GetMenuItemTextByID(IDR_ITEM_MENU, 32854);
    if (caption.IsEmpty()) caption = L"Clear Undo Pool";
    AppendMenuW(pool.get(), MF_STRING | (records ? 0 : MF_GRAYED), 32854, UndoPoolCaption(caption, records));
    POINT cursor = {};
    GetCursorPos(&cursor);
    const UINT chosen = static_cast<UINT>(
        TrackPopupMenu(pool.get(), TPM_RETURNCMD | TPM_RIGHTBUTTON, cursor.x, cursor.y, 0, m_hWnd, nullptr));
    if (chosen == 32854) {
        m_history->Queue().ClearUndo();
        EnableMenuItem(menu, undo, MF_BYCOMMAND | MF_GRAYED);
    }
    return 0;
}

LRESULT CVXLFloatPane::OnInitMenuPopup(UINT message, WPARAM wParam, LPARAM lParam, BOOL&) {
    const LRESULT result = DefWindowProc(message, wParam, lParam);
    HMENU menu = reinterpret_cast<HMENU>(wParam);
    if (HIWORD(lParam)) {
        LogWrite(L"CVXLFloatPane::OnInitMenuPopup\n");
        if (GetMenuState(menu, ID_PANE_MINIMIZE_TO_CAPTION, MF_BYCOMMAND) == static_cast<UINT>(-1)) {
            CString caption = GetClientMenuLng().GetMenuItemTextByID(IDR_ITEM_MENU, ID_PANE_MINIMIZE_TO_CAPTION);
            if (caption.IsEmpty()) caption = L"Minimize To Caption";
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            AppendMenuW(menu, MF_STRING, ID_PANE_MINIMIZE_TO_CAPTION, caption);
        }
    }
    CheckMenuItem(menu, ID_PANE_MINIMIZE_TO_CAPTION, MF_BYCOMMAND | (m_collapsed ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuItem(menu, ID_PANE_PIN, MF_BYCOMMAND | (m_pinned ? MF_CHECKED : MF_UNCHECKED));
    m_menuHost.AppendPaneShortcuts(menu);
    return result;
}
