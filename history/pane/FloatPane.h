// The floating clipboard-history pane: a small top-most caption-less popup with the pane's
// tool bar on top and the history list below it. It lives on the UI thread; its owner
// creates the window to show the pane and destroys it to hide it, the items always coming
// from the history handler, so nothing is lost in between.
//
// The pane collapses to its tool-bar strip when it loses the focus, unless it is pinned,
// and turns partly transparent while inactive. Only its top-left point is remembered.
// A collapsing pane narrows to the strip on a worker thread, a blink draws the eye to the
// strip from another, and resting the mouse on the strip opens the pane until the mouse
// has left it. An item can be pasted into the window the user came from.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <memory>
#include <vector>

#include "core/TrayIds.h"
#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "core/base/PlatformFunctions.h"
#include "history/HistoryListeners.h"
#include "history/pane/HistoryListView.h"
#include "history/pane/PaneCommands.h"
#include "history/pane/PaneDraw.h"
#include "history/pane/PaneIcons.h"
#include "history/pane/PaneMotion.h"
#include "history/pane/PaneToolbar.h"
#include "platform/wtl/AtlApp.h"
#include "platform/wtl/AtlWin.h"

class CMenuToolTip;
class CVXLWndClipboardHandler;

// The pane's own messages.
const UINT WM_VXL_PANE_BLINK_STEP = WM_APP + 1;
const UINT WM_VXL_PANE_ITEM_COUNT = WM_APP + 2;
const UINT WM_VXL_PANE_SELECT_ITEM = WM_APP + 3;
const UINT WM_VXL_PANE_APPLY_START_PIN = WM_APP + 4;
const UINT WM_VXL_PANE_REBUILD_CAPTION_TIP = WM_APP + 5;
const UINT WM_VXL_PANE_SHOW_LIST = WM_APP + 6;
const UINT WM_VXL_PANE_FOCUS_LIST = WM_APP + 7;
const UINT WM_VXL_PANE_TYPE_ICONS = WM_APP + 8;
const UINT WM_VXL_PANE_SET_COLLAPSED = WM_APP + 0x15;
// The tray's blink request and the menu's "Float Pane" highlight are one message.
const UINT WM_VXL_PANE_BLINK = WM_VXL_PANE_ITEM_HIGHLIGHT;

const UINT kPaneListId = 1203;
const UINT kPaneToolbarId = 1204;

// The pane's timers.
const UINT_PTR kPanePasteTimer = 2334;         // paste the selected item into the previous window
const UINT_PTR kPaneCtrlVTimer = 2335;         // the previous window is active: press Ctrl+V there
const UINT_PTR kPaneAutoCollapseTimer = 2336;  // a pane opened by the mouse closes once it left
const UINT_PTR kPaneReselectTimer = 2337;      // select the copied item where the history moved it
const UINT kPanePasteDelayMs = 100;
const UINT kPaneAutoCollapseMs = 3000;
const UINT kPaneReselectDelayMs = 700;

// What the pane asks of the desktop beyond its own windows; tests give their own.
class IPaneDesktop {
public:
    virtual ~IPaneDesktop() = default;
    virtual POINT CursorPos() = 0;
    virtual bool IsLeftButtonDown() = 0;
    // The last window of another program the user worked in, or null.
    virtual HWND GetTargetWindowOther() = 0;
    // The window active, in the foreground and focused; false when it did not come forward.
    virtual bool ActivateWindow(HWND window) = 0;
    virtual HWND ForegroundWindow() = 0;
    // Ctrl+V to the foreground window, with the held modifiers released first.
    virtual void SendCtrlV() = 0;
    virtual void PlayPasteSound() = 0;
};

// The system's mouse, keyboard, sounds and activation; the previous window is the hook
// service's to tell, which the subclass asks.
class CSystemPaneDesktop : public IPaneDesktop {
public:
    POINT CursorPos() override;
    bool IsLeftButtonDown() override;
    bool ActivateWindow(HWND window) override;
    HWND ForegroundWindow() override;
    void SendCtrlV() override;
    void PlayPasteSound() override;
};

// A blink of the collapsed pane on a thread of its own: the sound, then the steps of
// kBlinkSteps posted to `window` as WM_VXL_PANE_BLINK_STEP (wParam on, lParam top-most),
// until the last step or until `stopEvent` is set or the window is gone. `thread`
// receives the thread's handle; false when no thread started.
bool StartPaneBlinkThread(HWND window, HANDLE stopEvent, CHandle& thread);

class CVXLFloatPane : public wtl::CWindowImplBase,
                      public IHistoryListener1,
                      public IHistoryListener2,
                      private IPaneRowSource,
                      private IPaneCommandHost,
                      private wtl::CMessageFilter {
public:
    // menuTip (may be null) sees the pane's menus; menuHost serves the tool bar's menu.
    // desktop: the previous window for pastes, the mouse and the keyboard; it must outlive
    // the pane.
    CVXLFloatPane(CMenuToolTip* menuTip, IToolbarMenuHost& menuHost, const CHistoryListHelp& help,
                  IPaneDesktop& desktop);
    ~CVXLFloatPane() override;

    // Creates the window over the handler, which must outlive it. True when the window
    // exists; it starts collapsed at its remembered place.
    bool Create(CVXLWndClipboardHandler& history, bool focusOnCreate, bool blinkAfterCreate);

    // The item count from the handler, the newest item in view, the title.
    void Refresh_List();
    // Expanded, grown (never shrunk) to the height its items need, the list focused; a pane
    // that had to grow is pinned, so that it stays open.
    void Fit_And_Show();
    // Collapses to the tool-bar strip, which then narrows in fine (animate) or coarse steps,
    // or expands to the kept rectangle brought onto the screen. False when the pane already
    // was so.
    bool Set_Collapsed(bool collapse, bool animate);
    bool Is_Collapsed() const { return m_collapsed; }
    // True while the collapsed strip narrows.
    bool Is_Animating() const;
    // Blinks the collapsed pane; false when the pane is expanded or has no window.
    bool Start_Blink();
    // The selected item pasted a moment later (the tool bar's Copy, a double click).
    void PasteSoon();
    // Once the history has moved a copied item to the top, it is selected there.
    void ReselectItemLater(LONG serial);
    // Waits until the pane's worker threads have ended, answering their calls meanwhile;
    // false when one still runs after the time.
    bool WaitForThreads(DWORD timeoutMs);
    bool Is_Pinned() const { return m_pinned; }
    void Set_Pinned(bool pinned);

    HWND GetListWindow() const { return m_list.m_hWnd; }
    CVXLToolbarWnd& Toolbar() { return m_toolbar; }
    const CPaneRestoreRect& RestoreRect() const { return m_restore; }
    // The list's focused item (-1 for none) and its selected items in order.
    int GetFocusedItem() const;
    std::vector<int> GetSelectedItems() const;
    CVXLWndClipboardHandler* History() const { return m_history; }

    // The focused item on the clipboard, then the pane collapses so that the window the
    // user came from takes the paste.
    // Puts the list's selected item on the clipboard, brings the window the user came
    // from forward and presses Ctrl+V there shortly after. Nothing is pasted when the item
    // did not reach the clipboard or that window is gone or does not come forward.
    void PasteToPreviousWindow() override;
    // The questions of the commands: a box that closes by itself when given.
    void SetCommandAsk(CSystemPaneCommandUi::Ask ask);

    // The pane's window while it exists, else null.
    static HWND GetFloatPaneWindow();

    // The clipboard watcher's state and the history's events.
    void OnHistoryEvent(DWORD a, DWORD b) override;
    void OnHistoryStateEvent(DWORD a, DWORD b) override;

    BEGIN_MSG_MAP(CVXLFloatPane)
    MESSAGE_HANDLER(WM_VXL_PANE_FOCUS_LIST, OnFocusList)
    MESSAGE_HANDLER(WM_VXL_PANE_TYPE_ICONS, OnTypeIcons)
    MESSAGE_HANDLER(WM_VXL_PANE_SHOW_LIST, OnShowList)
    MESSAGE_HANDLER(WM_VXL_PANE_REBUILD_CAPTION_TIP, OnRebuildCaptionTip)
    MESSAGE_HANDLER(WM_VXL_PANE_APPLY_START_PIN, OnApplyStartPin)
    MESSAGE_HANDLER(WM_VXL_PANE_SELECT_ITEM, OnSelectItem)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_KEYUP, OnKeyUp)
    MESSAGE_HANDLER(WM_ACTIVATE, OnActivate)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_WINDOWPOSCHANGING, OnWindowPosChanging)
    MESSAGE_HANDLER(WM_WINDOWPOSCHANGED, OnWindowPosChanged)
    MESSAGE_HANDLER(WM_NCLBUTTONDBLCLK, OnNcLButtonDblClk)
    MESSAGE_HANDLER(WM_ENTERIDLE, OnMenuTipMessage)
    MESSAGE_HANDLER(WM_MENUSELECT, OnMenuTipMessage)
    MESSAGE_HANDLER(WM_EXITMENULOOP, OnMenuTipMessage)
    MESSAGE_HANDLER(WM_MOUSELEAVE, OnSwallowMouse)
    MESSAGE_HANDLER(WM_MOUSEHOVER, OnSwallowMouse)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnSwallowMouse)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_NCHITTEST, OnNcHitTest)
    MESSAGE_HANDLER(WM_VXL_PANE_SET_COLLAPSED, OnSetCollapsed)
    MESSAGE_HANDLER(WM_VXL_PANE_BLINK, OnBlink)
    MESSAGE_HANDLER(WM_VXL_PANE_BLINK_STEP, OnBlinkStep)
    MESSAGE_HANDLER(WM_VXL_PANE_ITEM_COUNT, OnItemCount)
    COMMAND_ID_HANDLER(ID_PANE_MINIMIZE_TO_CAPTION, OnMinimizeToCaption)
    COMMAND_ID_HANDLER(ID_PANE_COLLAPSE, OnCollapseCommand)
    COMMAND_ID_HANDLER(ID_PANE_PIN, OnPin)
    MESSAGE_HANDLER(WM_COMMAND, OnCommand)
    MESSAGE_HANDLER(WM_SYSCOMMAND, OnSysCommand)
    NOTIFY_HANDLER(kPaneListId, NM_RCLICK, OnListRClick)
    NOTIFY_HANDLER(kPaneListId, LVN_BEGINDRAG, OnListBeginDrag)
    NOTIFY_HANDLER(kPaneListId, LVN_ITEMCHANGED, OnListItemChanged)
    NOTIFY_HANDLER(kPaneListId, LVN_GETINFOTIPW, OnListGetInfoTip)
    NOTIFY_HANDLER(kPaneListId, LVN_KEYDOWN, OnListKeyDown)
    NOTIFY_HANDLER(kPaneListId, NM_DBLCLK, OnListDblClk)
    NOTIFY_HANDLER(kPaneListId, LVN_GETDISPINFOW, OnListGetDispInfo)
    NOTIFY_HANDLER(kPaneListId, NM_CUSTOMDRAW, OnListCustomDraw)
    NOTIFY_HANDLER(kPaneToolbarId, NM_CUSTOMDRAW, OnToolbarCustomDraw)
    NOTIFY_HANDLER(kPaneToolbarId, kToolbarQueryCollapsed, OnQueryCollapsed)
    NOTIFY_HANDLER(kPaneToolbarId, kToolbarNotifyMouseRested, OnToolbarMouseRested)
    NOTIFY_HANDLER(kPaneToolbarId, kToolbarNotifyPhraseMenu, OnToolbarPhraseMenu)
    NOTIFY_HANDLER(kPaneToolbarId, kToolbarNotifyShowAll, OnToolbarShowAll)
    NOTIFY_HANDLER(kPaneToolbarId, kToolbarQueryShowAllUnavail, OnToolbarQueryShowAll)
    NOTIFY_HANDLER(kPaneToolbarId, TBN_GETINFOTIPW, OnToolbarGetInfoTip)
    NOTIFY_HANDLER(kPaneToolbarId, TBN_DROPDOWN, OnToolbarDropDown)
    MESSAGE_HANDLER(WM_MENURBUTTONUP, OnMenuRButtonUp)
    MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
    END_MSG_MAP()

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraFloatPane"; }

private:
    LRESULT OnFocusList(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTypeIcons(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnShowList(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnRebuildCaptionTip(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnApplyStartPin(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSelectItem(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSize(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnKeyUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnActivate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnWindowPosChanging(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnWindowPosChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNcLButtonDblClk(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMenuTipMessage(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSwallowMouse(UINT, WPARAM, LPARAM, BOOL&) { return 1; }
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNcHitTest(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSetCollapsed(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnBlink(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnBlinkStep(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnItemCount(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMinimizeToCaption(WORD, WORD, HWND, BOOL&);
    LRESULT OnCollapseCommand(WORD, WORD, HWND, BOOL&);
    LRESULT OnPin(WORD, WORD, HWND, BOOL&);
    LRESULT OnCommand(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSysCommand(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnListKeyDown(int, NMHDR*, BOOL&);
    LRESULT OnListRClick(int, NMHDR*, BOOL&);
    LRESULT OnListDblClk(int, NMHDR*, BOOL&);
    LRESULT OnListBeginDrag(int, NMHDR*, BOOL&);
    LRESULT OnListItemChanged(int, NMHDR*, BOOL&);
    // The context menu at the screen point; keyboard: below the focused item instead.
    void ShowContextMenu(POINT point, bool keyboard);
    LRESULT OnListGetInfoTip(int, NMHDR*, BOOL&);
    LRESULT OnToolbarPhraseMenu(int, NMHDR*, BOOL&);
    LRESULT OnToolbarShowAll(int, NMHDR*, BOOL&);
    LRESULT OnToolbarQueryShowAll(int, NMHDR*, BOOL&);
    LRESULT OnToolbarGetInfoTip(int, NMHDR*, BOOL&);
    LRESULT OnToolbarDropDown(int, NMHDR*, BOOL&);
    LRESULT OnMenuRButtonUp(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnToolbarMouseRested(int, NMHDR*, BOOL&);
    LRESULT OnListGetDispInfo(int, NMHDR*, BOOL&);
    LRESULT OnQueryCollapsed(int, NMHDR*, BOOL&);
    LRESULT OnListCustomDraw(int, NMHDR*, BOOL&);
    LRESULT OnToolbarCustomDraw(int, NMHDR*, BOOL&);

    // The pane's keyboard shortcuts, for keys pressed in any of its windows.
    BOOL PreTranslateMessage(MSG* message) override;

    bool GetRowState(int row, CPaneRowState& state, bool withText) override;
    bool GetRowRects(int row, CPaneRowRects& rects) override;
    // What the commands ask of the window.
    int FocusedItem() override { return GetFocusedItem(); }
    std::vector<int> SelectedItems() override { return GetSelectedItems(); }
    bool SelectAll() override;
    void RefreshList() override;
    void SelectRowLater(int row) override;
    void SetBusy(bool busy) override { m_busy = busy; }
    bool IsPinned() override { return m_pinned; }
    void SetPinned(bool pinned) override { Set_Pinned(pinned); }
    bool IsCollapsed() override { return m_collapsed; }
    void SetCollapsed(bool collapse, bool animate) override { Set_Collapsed(collapse, animate); }
    void ShowAllItems() override;
    void ShowPhrasesMenu() override;
    void ClosePane() override;
    void PostToMainWindow(UINT command) override;
    bool SendPhraseToMainWindow(const CString& text) override;
    CPaneCommands* Commands();

    CPaneListLook ListLook();
    CPaneToolbarState ToolbarState();

    bool CreateList(int top);
    void CreateCaptionTip();
    // The shell's file-type icons on a worker: the first ask can hold the thread for
    // seconds, and this thread also takes the clipboard's changes.
    void StartTypeIconsLoader();
    void FitColumnWidths();
    void Layout();
    int CollapsedHeight() const;
    bool IsSizedToWorkArea() const;
    void SizeToWorkArea();
    // Back to the kept rectangle, which is then forgotten; false when none is kept.
    bool ReturnToRestoreRect(int height);
    void KeepRestoreRect();
    // The height the list needs for all its items, with the tool bar and margins.
    int HeightForItems() const;
    void GrowToItems();
    void ShowCollapsedLook();

    bool CollapseOrExpand(bool collapse, bool animate, bool focus);
    void SelectFirstItemWhenNoneIs();
    void StartCollapseAnimation(bool fine);
    // Ends a narrowing under way before the pane is sized otherwise.
    void StopCollapseAnimation();
    // Escape and its accelerator: an open pane that has the focus collapses.
    void CollapseOnEscape();
    void HideTips();
    void OnAutoCollapseTimer();
    void OnCtrlVTimer();
    void OnReselectTimer();

    CMenuToolTip* m_menuTip;
    IPaneDesktop& m_desktop;
    IToolbarMenuHost& m_menuHost;
    std::unique_ptr<CSystemPaneCommandUi> m_commandUi;
    std::unique_ptr<CPaneCommands> m_commands;
    CSystemPaneCommandUi::Ask m_commandAsk;
    bool m_busy = false;
    wtl::CMessageLoop* m_loop = nullptr;
    CVXLWndClipboardHandler* m_history = nullptr;
    CHistoryListView m_list;
    CVXLToolbarWnd m_toolbar;
    CIconImageList m_images;
    std::shared_ptr<struct CPaneTypeIconsDelivery> m_typeIcons;
    CPaneFonts m_fonts;
    CPaneIcons m_drawIcons;
    CIconHandle m_smallIcon;
    CIconHandle m_bigIcon;
    Platform::CLayeredWindowHelper m_layered;
    HWND m_captionTip = nullptr;
    CPaneRestoreRect m_restore;
    // The place last written to the settings file.
    POINT m_writtenPlace = {0, 0};
    bool m_placeWritten = false;
    bool m_applyStartPin = true;
    bool m_focusOnCreate = true;
    bool m_pinned = false;
    bool m_elevated = false;
    bool m_collapsed = false;
    bool m_collapseAtStart = false;
    // Set while the collapsed strip narrows; lives as long as the pane object.
    CHandle m_animationEvent;
    // Set to end a narrowing early: the pane is expanded meanwhile.
    CHandle m_animationCancel;
    CHandle m_animationThread;
    // Set when the window goes, which ends the pane's worker threads; lives with the window.
    CHandle m_stopEvent;
    CHandle m_blinkThread;
    HWND m_pasteTarget = nullptr;
    LONG m_reselectSerial = -1;
    CDoubleEnter m_doubleEnter;
};
