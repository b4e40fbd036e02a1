// The tool bar at the top of the float pane: a subclassed "ToolbarWindow32" with its
// buttons pushed to the right by a stretching separator. Its empty part behaves like the
// caption the pane lacks (drag, double click, middle click), a resting mouse tells the
// pane after a second, and its context menu lends the pane's system menu the tray's main
// commands for as long as it is open.
//
// To the pane (the parent) it sends WM_COMMAND for its buttons and WM_NOTIFY with the
// codes below; the tray commands of the menu go to the main window as WM_COMMAND.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "core/WindowHelpers.h"
#include "core/base/CString.h"
#include "platform/wtl/AtlWin.h"

// WM_NOTIFY codes to the pane.
const int kToolbarNotifyPhraseMenu = -696;     // show the phrase menu (posted or sent)
const int kToolbarQueryCollapsed = -697;       // answer nonzero while the pane is collapsed
const int kToolbarNotifyShowAll = -698;        // "Show All Items" was chosen
const int kToolbarQueryShowAllUnavail = -699;  // answer 0 while "Show All Items" is available
const int kToolbarNotifyMouseRested = -700;    // the mouse rested over the bar

const UINT_PTR kToolbarHoverTimer = 1212;
const UINT kToolbarHoverMs = 1000;

// The background colour indexes the pane hands over: history kept, and not.
const int kToolbarBackgroundHistoryOn = 5;
const int kToolbarBackgroundHistoryOff = 17;

// What the context menu needs from the program beyond the pane.
struct CToolbarMenuFacts {
    bool elevated = false;   // the process runs elevated
    bool admin = false;      // the user is an administrator
    bool soundsOn = false;   // SoundOnEventsV094
    bool muted = false;      // the program's sounds are muted
    CString languagePrefix;  // empty when no language file is in use
};

class IToolbarMenuHost {
public:
    virtual ~IToolbarMenuHost() = default;
    // Receives the tray commands of the menu.
    virtual HWND GetMainWindow() = 0;
    // The command's caption of the tray's main menu in the current language, else its
    // translated menu text; empty when neither has it (the UI string is used then).
    virtual CString GetCommandCaption(UINT id) = 0;
    // The phrase menu's hot key as text; empty while it is not registered.
    virtual CString GetPhraseHotKeyText() = 0;
    virtual CToolbarMenuFacts GetMenuFacts() = 0;
    // Fills the popup with the language files (ids from 33000); false when it stays empty.
    virtual bool FillLanguageMenu(HMENU popup) = 0;
    // TrackPopupMenuEx with TPM_RETURNCMD: the chosen id, 0 when cancelled.
    virtual UINT TrackMenu(HMENU menu, POINT screenPoint, HWND owner) = 0;
    // A key pressed in the pane as the pane's keyboard shortcut, sent to the pane as an
    // accelerator's WM_COMMAND; false when the key is none of them.
    virtual bool TranslatePaneKey(const MSG&, HWND) { return false; }
    // Each command item of the menu gets its shortcut's text behind a TAB.
    virtual void AppendPaneShortcuts(HMENU) {}
};

// The commands appended to the menu, in order (0: a separator).
extern const UINT kToolbarMenuIds[20];

class CVXLToolbarWnd : public wtl::CWindowImplBase {
public:
    // queryMessage: the pane answers it nonzero while the history has items.
    CVXLToolbarWnd(UINT queryMessage, IToolbarMenuHost& menuHost);
    ~CVXLToolbarWnd() override;

    // The bar as a child of the pane, with its buttons and images. Null on failure.
    HWND Create(HWND pane, const RECT& rect, DWORD style, UINT id);

    BEGIN_MSG_MAP(CVXLToolbarWnd)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONUP, OnLButtonUp)
    MESSAGE_HANDLER(WM_RBUTTONUP, OnRButtonUp)
    MESSAGE_HANDLER(WM_MBUTTONDOWN, OnMButtonDown)
    MESSAGE_HANDLER(WM_LBUTTONDBLCLK, OnLButtonDblClk)
    MESSAGE_HANDLER(WM_SIZE, OnSize)
    MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    MESSAGE_HANDLER(WM_ERASEBKGND, OnEraseBkgnd)
    MESSAGE_HANDLER(WM_MOUSEMOVE, OnMouseMove)
    MESSAGE_HANDLER(WM_MOUSELEAVE, OnMouseLeave)
    MESSAGE_HANDLER(WM_RBUTTONDBLCLK, OnRButtonDblClk)
    NOTIFY_HANDLER(0, 1, OnMenuRequest)
    END_MSG_MAP()

    // The collapsed look of button 32798: checked with the expand image.
    void SetCollapsedLook(bool collapsed);
    void PressPinButton(bool pressed);
    bool IsButtonChecked(int commandOrIndex, bool byIndex) const;
    bool GetButtonScreenRect(int index, RECT& rect) const;
    bool Is_Tracking() const { return m_menuShowing; }
    void SetBackgroundColorIndex(int index);
    int GetBackgroundColorIndex() const { return m_backgroundColorIndex; }
    void SetBlinkHighlight(bool on);
    bool GetBlinkHighlight() const { return m_blinkHighlight; }
    // The clipboard history went on or off.
    void OnHistoryStateChanged(bool on);
    BOOL PostToParent(UINT message, WPARAM wParam, LPARAM lParam) const;
    bool IsHoverTimerRunning() const { return m_hoverTimer != 0; }

    // Opens the context menu at the client point and carries out the choice.
    void ShowContextMenu(POINT clientPoint);

protected:
    const wchar_t* GetWndClassName() const override { return TOOLBARCLASSNAMEW; }

private:
    LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnLButtonUp(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnRButtonUp(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnLButtonDblClk(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnSize(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnEraseBkgnd(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMouseMove(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMouseLeave(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnRButtonDblClk(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnMenuRequest(int id, NMHDR* header, BOOL& handled);

    void SetUpButtons();
    // The buttons keep to the right edge whatever the width.
    void StretchLeadingSeparator();
    bool IsOverButton(POINT clientPoint) const;
    void StartHoverTimer();
    void KillHoverTimer();
    LRESULT NotifyPane(int code, bool post);
    CString CaptionOf(UINT id);
    // Returns the command chosen; the menu and pane are left as they were found.
    UINT TrackContextMenu(POINT screenPoint);
    void DispatchMenuCommand(UINT id);

    int m_backgroundColorIndex = kToolbarBackgroundHistoryOff;
    bool m_blinkHighlight = false;
    UINT m_queryMessage;
    IToolbarMenuHost& m_menuHost;
    CTrackMouseLeave m_mouseLeave;
    UINT_PTR m_hoverTimer = 0;
    bool m_menuShowing = false;
    HIMAGELIST m_imageList = nullptr;
    NMHDR m_notifyHeader = {};
};
