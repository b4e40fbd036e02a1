// The data-needed handler: a query about the target window becomes the phrase menu,
// shown through the tracker window, and the chosen item becomes a command id posted to
// the tray window. Building the menu and tracking it are apart, and tracking goes through
// IMenuTrack, so tests answer the menu with a chosen id.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "core/TrayHistory.h"
#include "core/base/CString.h"
#include "tray/MenuDraw.h"
#include "tray/MenuHistorySource.h"
#include "tray/WndTrackForMenu.h"

class CVXLCommandTree;

// What the handler takes of a query about the target window. The handler copies it: the
// query's record may be gone before the menu closes.
struct CMenuQuery {
    HWND target = nullptr;
    HKL layout = nullptr;
    bool hasSelection = false;
    CString selectedText;
    POINT point = {-1, -1};  // (-1, -1): at the mouse pointer
    // The target thread's GUI state, for the log.
    HWND caret = nullptr;
    HWND focus = nullptr;
    HWND active = nullptr;
    HWND menuOwner = nullptr;
    HWND capture = nullptr;
};

// TrackPopupMenuEx with TPM_RETURNCMD: the chosen command id, 0 when cancelled. The
// nested road shows a menu from inside another one's loop (TPM_RECURSE).
class IMenuTrack {
public:
    virtual ~IMenuTrack() = default;
    virtual UINT Track(HMENU menu, int x, int y, HWND owner) = 0;
    virtual UINT TrackNested(HMENU menu, int x, int y, HWND owner) = 0;
};
IMenuTrack& SystemMenuTrack();

// The extra commands' special ids and the tray commands they stand for.
const int kSpecialEditPhrases = -2;
const int kSpecialAddSelection = -4;
const int kSpecialSupport = -6;
const int kSpecialFloatPane = -8;
const int kSpecialRunAsAdmin = -9;
// The special id of a command id; 0 when it is none.
int SpecialIdOfCommand(UINT commandId);
UINT CommandOfSpecialId(int specialId);
bool IsSpecialMenuID(UINT commandId);

class IDataNeededHander {
public:
    virtual ~IDataNeededHander() = default;
    virtual void ClearFonts_Internal() = 0;
    // Whether the command road may take a phrase's keyboard-layout macro.
    virtual bool IsLayoutMacroAllowed() { return true; }
    virtual bool IsMenuShown() const = 0;
    virtual void OnDataNeeded(const CMenuQuery& query) = 0;
    virtual int IsAllow_WaitAnswerFromExeAgent() { return 0; }

    // The last-used phrases, newest first. A filter that answers false keeps an id out.
    void SetLastID(int id);
    int GetLastID() const { return m_lastId; }
    const std::vector<int>& GetLastIDs() const { return m_lastIds; }
    void SetLastIDFilter(std::function<bool(int id)> filter) { m_filter = std::move(filter); }

    const CString& GetSelectedText() const { return m_selectedText; }
    const CString& GetClipboardText() const { return m_clipboardText; }
    void SetClipboardText(const CString& text) { m_clipboardText = text; }
    HKL GetTargetLayout() const { return m_layout; }
    HWND GetTargetWindow() const { return m_target; }

protected:
    std::vector<int> m_lastIds;
    int m_lastId = -1;
    CString m_selectedText;
    HKL m_layout = nullptr;
    HWND m_target = nullptr;
    std::function<bool(int id)> m_filter;
    CString m_clipboardText;
};

// The one handler: the menu built from the phrase tree and the history, tracked by a
// message-only owner window, the chosen id posted to the tray window.
class IDataNeededHander_MenuSelf : public IDataNeededHander, public IMenuTrackerHost {
public:
    // postWindow and postMessage receive the result (wParam: the id, lParam: the target).
    // history and historySource may be null (no clipboard history).
    IDataNeededHander_MenuSelf(HWND postWindow, UINT postMessage, const CVXLCommandTree& tree,
                               ITrayClipboardHistory* history, IMenuHistorySource* historySource,
                               IMenuTrack& track = SystemMenuTrack());
    ~IDataNeededHander_MenuSelf() override;

    void ClearFonts_Internal() override;
    bool IsMenuShown() const override { return m_menu != nullptr; }
    // Builds and tracks the menu and posts the chosen id, or -1. A request that comes
    // while the menu is open is logged and ignored: there is one menu at a time.
    void OnDataNeeded(const CMenuQuery& query) override;
    // The command id to post: the chosen phrase or clip, a special id for the editor, the
    // new phrase and support commands; 0 when nothing is to be posted.
    int TrackMenu(const CMenuQuery& query);
    void PostCommand(int id, HWND target);
    // A command of the tracker's right-button menu for an item: the tray window runs it.
    LRESULT OnRightMenuCommand(UINT itemId, int actionCode) override;
    // Size and paint an item; a fault is logged once per showing and the menu goes on.
    void OnMenuMEASUREITEM(MEASUREITEMSTRUCT& item) override;
    void OnMenuDRAWITEMSTRUCT(const DRAWITEMSTRUCT& item) override;
    // The tray balloon is up: the menu hides it when its first submenu opens.
    void SetBalloonShown(bool shown) { m_balloonShown = shown; }

private:
    HWND m_postWindow;
    UINT m_postMessage;
    const CVXLCommandTree& m_tree;
    ITrayClipboardHistory* m_history;
    IMenuHistorySource* m_historySource;
    IMenuTrack& m_track;
    HMENU m_menu = nullptr;
    bool m_hasSelection = false;
    CMenuFontCache m_fonts;
    int m_menuHeight = 0;
    bool m_faultReported = false;
    bool m_balloonShown = false;
};
