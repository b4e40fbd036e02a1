#include "tray/PhraseMenuHandler.h"

#include "core/AppGuards.h"
#include "core/AppSlots.h"
#include "core/DialogCloser.h"
#include "core/Settings.h"
#include "core/SystemInfo.h"
#include "core/TrayIds.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/SehGuard.h"

#include <utility>
#include "tray/PhraseMenu.h"

namespace {

struct CSpecialCommand {
    int specialId;
    UINT commandId;
};

const CSpecialCommand kSpecialCommands[] = {
    {kSpecialEditPhrases, ID_OPEN_EDITOR}, {kSpecialAddSelection, ID_ADD_SELECTION_AS_PHRASE},
    {kSpecialSupport, ID_SUPPORT},         {kSpecialFloatPane, ID_FLOAT_PANE},
    {kSpecialRunAsAdmin, ID_RUN_AS_ADMIN},
};

class CSystemMenuTrack final : public IMenuTrack {
public:
    UINT Track(HMENU menu, int x, int y, HWND owner) override {
        return static_cast<UINT>(TrackPopupMenuEx(menu, TPM_RETURNCMD, x, y, owner, nullptr));
    }
    UINT TrackNested(HMENU menu, int x, int y, HWND owner) override {
        return static_cast<UINT>(TrackPopupMenu(menu, TPM_RECURSE | TPM_RETURNCMD, x, y, 0, owner, nullptr));
    }
};

void LogWindowLine(const wchar_t* label, HWND window) {
    wchar_t className[128] = {};
    if (window) GetClassNameW(window, className, 128);
    LogWriteFormat(L"%s: HWND=%p IsWindow=%d class=[%s]", label, window, window && IsWindow(window) ? 1 : 0, className);
}

}  // namespace

IMenuTrack& SystemMenuTrack() {
    static CSystemMenuTrack track;
    return track;
}

int SpecialIdOfCommand(UINT commandId) {
    for (const CSpecialCommand& special : kSpecialCommands)
        if (special.commandId == commandId) return special.specialId;
    return 0;
}

UINT CommandOfSpecialId(int specialId) {
    for (const CSpecialCommand& special : kSpecialCommands)
        if (special.specialId == specialId) return special.commandId;
    return 0;
}

bool IsSpecialMenuID(UINT commandId) {
    return SpecialIdOfCommand(commandId) != 0;
}

void IDataNeededHander::SetLastID(int id) {
    if (m_filter && !m_filter(id)) return;
    m_lastId = id;
    const size_t wanted = CVXLSettings::GetInstance().GetAddLastUsedMenuToBeginCount();
    std::vector<int> list{id};
    // The count is checked after each old id is taken, so a count of 1 still keeps the
    // one used before.
    for (int old : m_lastIds) {
        if (old != id) list.push_back(old);
        if (list.size() >= wanted) break;
    }
    m_lastIds.swap(list);
}

// ---------------------------------------------------------------------------------------
// The handler

IDataNeededHander_MenuSelf::IDataNeededHander_MenuSelf(HWND postWindow, UINT postMessage, const CVXLCommandTree& tree,
                                                       ITrayClipboardHistory* history,
                                                       IMenuHistorySource* historySource, IMenuTrack& track)
    : m_postWindow(postWindow),
      m_postMessage(postMessage),
      m_tree(tree),
      m_history(history),
      m_historySource(historySource),
      m_track(track) {}

IDataNeededHander_MenuSelf::~IDataNeededHander_MenuSelf() {
    if (m_menu) {
        CleanupMenu(m_menu);
        DestroyMenu(m_menu);
    }
}

void IDataNeededHander_MenuSelf::OnDataNeeded(const CMenuQuery& query) {
    if (m_menu) {
        LogWrite(L"IDataNeededHander_MenuSelf::OnDataNeeded: the menu is open; the request is ignored");
        return;
    }
    if (m_history) m_history->SetFrozen(true);
    LogWriteFormat(L"IDataNeededHander_MenuSelf::OnDataNeeded lcid=%d",
                   static_cast<int>(LOWORD(reinterpret_cast<UINT_PTR>(query.layout))));
    LogWindowLine(L"Caret", query.caret);
    LogWindowLine(L"Focus", query.focus);
    LogWindowLine(L"Active", query.active);
    LogWindowLine(L"Menu", query.menuOwner);
    LogWindowLine(L"Capture", query.capture);
    LogWindowLine(L"hwndForMenu", query.target);
    const int id = TrackMenu(query);
    PostCommand(id ? id : -1, m_target);
    if (m_history) m_history->SetFrozen(false);
}

int IDataNeededHander_MenuSelf::TrackMenu(const CMenuQuery& query) {
    // Everything the menu and the paste need is copied now: the query may be gone later.
    m_selectedText = query.hasSelection ? query.selectedText : CString();
    m_hasSelection = query.hasSelection;
    m_layout = query.layout;
    m_target = query.target;
    CAppObjects::CloseOpenDialogs();

    CPhraseMenuContext context;
    context.tree = &m_tree;
    context.history = m_historySource;
    context.lastUsed = m_lastIds;
    context.lastChosenId = m_lastId;
    context.selectedText = m_selectedText;
    context.clipboardText = m_clipboardText;
    context.hasSelection = m_hasSelection;
    context.layout = m_layout;
    CPhraseMenuBuilder builder(context, CPhraseMenuOptions::FromSettings(CVXLSettings::GetInstance(), IsUserAdmin()));
    m_menu = builder.MakeMenu();
    if (!m_menu) return 0;

    POINT point = query.point;
    if (point.x == -1 && point.y == -1) GetCursorPos(&point);
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0);
    m_menuHeight = metrics.iMenuHeight;
    m_faultReported = false;
    CWndTrackForMenu tracker(*this, m_track);
    if (!tracker.Create()) LogError(L"IDataNeededHander_MenuSelf: the tracker window cannot be made");
    tracker.SetBalloonShown(m_balloonShown);
    m_balloonShown = false;
    SetMenuBannerTarget(m_menu, tracker.GetHwnd());
    UINT chosen = 0;
    {
        ResetMenuBannerDrawn();
        CAutoForegroundWindow foreground(CAppObjects::GetMainWnd());
        SetCursorPos(point.x, point.y);
        chosen = m_track.Track(m_menu, point.x, point.y, tracker.GetHwnd());
        ResetMenuBannerDrawn();
        CAppObjects::HideMenuToolTip();
    }
    SetMenuBannerTarget(nullptr, nullptr);
    CleanupMenu(m_menu);
    DestroyMenu(m_menu);
    m_menu = nullptr;

    int result = static_cast<int>(chosen);
    switch (SpecialIdOfCommand(chosen)) {
        case kSpecialRunAsAdmin:
            SendMessageW(CAppObjects::GetMainWnd(), WM_COMMAND, ID_RUN_AS_ADMIN, 0);
            result = 0;
            break;
        case kSpecialFloatPane:
            CAppObjects::ShowFloatPane();
            result = 0;
            break;
        case 0:
            break;
        default:
            result = SpecialIdOfCommand(chosen);
            break;
    }
    // The target gets its focus back before anything is pasted into it.
    if (chosen) Sleep(100);
    return result;
}

// A fault while sizing or painting one item is logged once per showing; the menu goes on
// with the item as the system left it.
template <class Body>
static void RunItemGuarded(bool& faultReported, const wchar_t* what, Body&& body) {
    DWORD code = 0;
    if (RunGuarded(std::forward<Body>(body), &code) || faultReported) return;
    faultReported = true;
    LogError(FormatExceptionReport(what, code));
}

void IDataNeededHander_MenuSelf::OnMenuMEASUREITEM(MEASUREITEMSTRUCT& item) {
    RunItemGuarded(m_faultReported, L"ERROR: Exception in IDataNeededHander_MenuSelf::OnMenuMEASUREITEM",
                   [&] { MeasureMenuItem(item, m_menuHeight, m_fonts); });
}

void IDataNeededHander_MenuSelf::OnMenuDRAWITEMSTRUCT(const DRAWITEMSTRUCT& item) {
    RunItemGuarded(m_faultReported, L"ERROR: Exception in IDataNeededHander_MenuSelf::OnMenuDRAWITEMSTRUCT",
                   [&] { DrawMenuItem(item, m_fonts); });
}

void IDataNeededHander_MenuSelf::ClearFonts_Internal() {
    LogWrite(L"WOW!!! ClearFonts_Internal in IDataNeededHander_MenuSelf");
    m_fonts.Clear();
}

void IDataNeededHander_MenuSelf::PostCommand(int id, HWND target) {
    PostMessageW(m_postWindow, m_postMessage, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(target));
}

LRESULT IDataNeededHander_MenuSelf::OnRightMenuCommand(UINT itemId, int actionCode) {
    LogWrite(L"IDataNeededHander_MenuSelf::OnRightMenuCommand");
    return SendMessageW(CAppObjects::GetMainWnd(), WM_VXL_ITEM_ACTION, static_cast<WPARAM>(actionCode),
                        static_cast<LPARAM>(itemId));
}
