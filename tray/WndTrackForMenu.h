// The phrase menu's owner while it is tracked: a hidden message-only window made for each
// menu and destroyed after it. It sizes and paints the items through its host, keeps the
// tool tip inside the screen, tells the float pane when its entry is highlighted, and opens
// the small right-click menu of an item, whose chosen command goes back through the host.
#pragma once

#include <windows.h>

#include <memory>

#include "core/base/CString.h"

struct M_INFO;
class IMenuTrack;

// What the tracker window asks of the handler that made it.
class IMenuTrackerHost {
public:
    virtual ~IMenuTrackerHost() = default;
    virtual void OnMenuMEASUREITEM(MEASUREITEMSTRUCT& item) = 0;
    virtual void OnMenuDRAWITEMSTRUCT(const DRAWITEMSTRUCT& item) = 0;
    // A command of the right-click menu (its action code) for the item with the id.
    virtual LRESULT OnRightMenuCommand(UINT itemId, int actionCode) = 0;
};

// The tool tip that follows the menu's selection; the tracker makes it current while the
// menu is open when tips are on.
class IMenuToolTip {
public:
    virtual ~IMenuToolTip() = default;
    // Its tip window; null when none could be made.
    virtual HWND GetTipWindow() const = 0;
    virtual void OnMenuSelect(WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnEnterIdle(WPARAM wParam, LPARAM lParam) = 0;
};
// Makes the tool tip object, with its tip window, for the tracker window `owner`; without
// a factory the tip window stays empty.
using MenuToolTipFactory = std::unique_ptr<IMenuToolTip> (*)(HWND owner);
void SetMenuToolTipFactory(MenuToolTipFactory factory);
// The phrase menu's tip, the factory the tracker starts with: the item's caption as title
// and its tip text as body.
std::unique_ptr<IMenuToolTip> MakePhraseMenuToolTip(HWND owner);

class CWndTrackForMenu {
public:
    // The track seam shows the right-click menu (nested in the phrase menu's loop).
    CWndTrackForMenu(IMenuTrackerHost& host, IMenuTrack& track);
    virtual ~CWndTrackForMenu();
    CWndTrackForMenu(const CWndTrackForMenu&) = delete;
    CWndTrackForMenu& operator=(const CWndTrackForMenu&) = delete;

    // Registers the window class when needed and makes the window; false when it failed.
    bool Create();
    HWND GetHwnd() const { return m_hWnd; }
    HWND GetToolTipHwnd() const { return m_toolTip; }
    // The tray balloon was up when the menu opened: the first submenu to open hides it.
    void SetBalloonShown(bool shown) { m_balloonShown = shown; }
    bool IsSpecialItemHighlighted() const { return m_specialHighlighted; }

    // The right button went up over the item at the position of the menu.
    void OnMenuRButtonUp(HMENU menu, UINT position);
    // A right-click menu is open in this process (no second one opens from inside it).
    static bool IsContextMenuOpen();

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void CreateToolTip();
    void CreateEmptyToolTip();
    void DismissToolTip();
    void KeepShownTipInsideScreen();
    UINT DoTrackRecMenu(HMENU menu, POINT point);

    IMenuTrackerHost& m_host;
    IMenuTrack& m_track;
    HWND m_hWnd = nullptr;
    HWND m_toolTip = nullptr;
    HFONT m_toolTipFont = nullptr;
    std::unique_ptr<IMenuToolTip> m_currentToolTip;
    bool m_balloonShown = false;
    bool m_specialHighlighted = false;
};

// The tip rectangle held inside a screen of the size: a right edge beyond it is cut back,
// a bottom edge beyond it moves the whole tip up.
RECT KeepTipInsideScreen(const RECT& tip, int screenWidth, int screenHeight);

// The right-click menu of an item with its texts (the web searches name the item's preview)
// and greying; the caller destroys it.
HMENU CreateItemContextMenu(bool historyItem, bool disabled, bool folder, const CString& preview);
// The one-line preview the search commands show for an item.
CString ItemContextPreview(const M_INFO& info);
