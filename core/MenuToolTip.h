// The tool tip that follows the selection of an open popup menu: after the item has stayed
// selected for half a second, a tracking tip beside it shows a title with an icon and a
// longer text. The main program's menus and the editor's use the same classes, so they
// need nothing beyond Win32 and core/base.
//
// Everything that reads the menu or its items runs on the menu's own thread: the delay only
// posts a message to the tip window when it has run out, and the tip checks that nothing
// was selected since before it asks for any text. The delay carries values, never a
// pointer to the tip object, so a tip destroyed while a delay runs leaves nothing that could
// touch it.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "core/base/CString.h"
#include "core/base/Handles.h"

// Posted by a delay to the tip window: wParam the item id, lParam the selection's ticket.
const UINT WM_VXL_MENU_TIP_DUE = WM_APP + 0x3F0;

// Half a second on the same item before its tip shows.
const DWORD kMenuTipDelayMs = 500;

// What makes the tip wait before it shows.
class IMenuTipDelay {
public:
    virtual ~IMenuTipDelay() = default;
    // Posts message(wParam, lParam) to the target when the delay has run out, unless
    // CancelAll comes first; false when the wait cannot start.
    virtual bool Start(HWND target, UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // No wait started before this posts anything.
    virtual void CancelAll() = 0;
};

// One short thread per wait; a cancelled thread ends at once without posting.
class CMenuTipDelayThreads final : public IMenuTipDelay {
public:
    explicit CMenuTipDelayThreads(DWORD delayMs = kMenuTipDelayMs);
    ~CMenuTipDelayThreads() override;
    CMenuTipDelayThreads(const CMenuTipDelayThreads&) = delete;
    CMenuTipDelayThreads& operator=(const CMenuTipDelayThreads&) = delete;

    bool Start(HWND target, UINT message, WPARAM wParam, LPARAM lParam) override;
    void CancelAll() override;

private:
    DWORD m_delayMs;
    // Manual-reset; replaced by a fresh one at each CancelAll, the threads keep copies.
    CHandle m_cancel;
};

// Delay threads still alive in the process.
long GetRunningMenuTipDelays();

// The request sent with the registered message (GetMenuToolTipMessage) to the answering
// window; a non-zero result means it filled the record.
struct MenuToolTipRequest {
    UINT id = 0;
    CString title;
    CString text;
    HICON icon = nullptr;
    DWORD user = 0;
};

// The icon of a tip title: TTI_INFO or an icon handle, as TTM_SETTITLE takes it.
using MenuTipIcon = WPARAM;
const MenuTipIcon kMenuTipInfoIcon = 1;

// The title of an item's text: without "&" marks; a shortcut after a tab goes in square
// brackets after the tab.
CString MakeMenuTipTitle(const CString& itemText);
// The body as the control gets it: the default text for an empty one, at most 3500
// characters with "…" at the end of a longer one.
CString MakeMenuTipBody(const CString& text, const CString& defaultText);

// Where the tip goes beside an item (screen coordinates): to the right of the item, or to
// its left when it would pass the right edge; level with the item's top, or ending level
// with its bottom when there is no room below. An unknown tip size counts as defaultTip,
// whose height also decides whether there is room below.
struct MenuTipScreen {
    int width;
    int height;
    int borderHeight;  // SM_CYBORDER
};
POINT PlaceMenuTip(const RECT& item, SIZE tip, SIZE defaultTip, const MenuTipScreen& screen, bool balloon);

class CMenuToolTip {
public:
    CMenuToolTip();
    virtual ~CMenuToolTip();
    CMenuToolTip(const CMenuToolTip&) = delete;
    CMenuToolTip& operator=(const CMenuToolTip&) = delete;

    virtual bool IsIgnoredId(UINT id) const;
    virtual MenuTipIcon GetTipIcon(UINT id);
    virtual void SetTitle(const CString& text, UINT id, MenuTipIcon icon);
    virtual void Activate(bool on);
    virtual bool IsSuppressed() const { return m_suppressed; }
    virtual bool SubclassTipWindow() const { return true; }
    virtual void AdjustPoint(POINT& point, HMENU menu, UINT id);
    virtual bool ShowAtOnce(UINT id);
    virtual bool CanShow() { return true; }
    virtual void GetText(CString& text, UINT id, HMENU menu, CString& title) = 0;

    // Makes the tip window for the owner (the window that receives the menu's messages);
    // null when it cannot be made.
    virtual HWND Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style, const wchar_t* title);

    // The parts of WM_MENUSELECT: LOWORD(wParam), HIWORD(wParam), lParam.
    void OnMenuSelect(UINT id, UINT flags, HMENU menu);
    // WM_ENTERIDLE: the menu's window, and the shown tip placed again at its item.
    void OnEnterIdle(UINT reason, HWND menuWindow);
    void Hide();

    void SetSuppressed(bool suppressed) { m_suppressed = suppressed; }
    void SetAnsweringWindow(HWND window) { m_answering = window; }
    // Before Create; the tip waits on threads of its own otherwise.
    void SetDelay(std::unique_ptr<IMenuTipDelay> delay);

    HWND GetTipWindow() const { return m_tip; }
    HWND GetOwnerWindow() const { return m_owner; }
    // The id whose tip is on show; 0 for none.
    UINT GetShownId() const { return m_shownId; }

protected:
    void Show(HMENU menu, UINT id);
    HWND GetMenuWindow() const { return m_menuWindow; }

private:
    static LRESULT CALLBACK TipProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) noexcept;
    LRESULT OnTipMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    void OnDelayDue(UINT id, LPARAM ticket);
    void ForgetSelection();
    void PlaceAtItem(HMENU menu, UINT id);
    bool Ask(UINT id, MenuToolTipRequest& request);

    HWND m_answering = nullptr;
    bool m_active = false;
    UINT m_currentId = 0;
    // Counts selections: a delay that ran out for an older one shows nothing.
    LPARAM m_ticket = 0;
    HMENU m_selectedMenu = nullptr;
    HMENU m_shownMenu = nullptr;
    UINT m_shownId = 0;
    HWND m_menuWindow = nullptr;
    HWND m_tip = nullptr;
    HWND m_owner = nullptr;
    WNDPROC m_tipProc = nullptr;
    bool m_suppressed = false;
    CString m_defaultText;
    std::unique_ptr<IMenuTipDelay> m_delay;
};

// Placement beside the item, and a per-thread hook that hides the tip when the menu ends
// and passes the selections of menus tracked by child windows on to the owner.
class CMenuToolTipEx : public CMenuToolTip {
public:
    explicit CMenuToolTipEx(bool installHook = true);
    ~CMenuToolTipEx() override;

    HWND Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style, const wchar_t* title) override;
    void AdjustPoint(POINT& point, HMENU menu, UINT id) override;
    virtual int DefaultTipHeight() const { return 150; }
    virtual int DefaultTipWidth() const { return 200; }

    // This object's hook runs on its thread (one thread has at most one).
    bool HasHook() const { return m_hasHook; }

protected:
    int m_screenWidth;
    int m_screenHeight;

private:
    bool m_installHook;
    bool m_hasHook = false;
};

// The menus of the main program's windows: the text of an id is the first line of its UI
// string.
class CMenuToolTipClient : public CMenuToolTipEx {
public:
    using StringLookup = CString (*)(UINT id);
    explicit CMenuToolTipClient(StringLookup strings);

    MenuTipIcon GetTipIcon(UINT id) override;
    void GetText(CString& text, UINT id, HMENU menu, CString& title) override;

private:
    StringLookup m_strings;
};

// What the phrase menu's tip reads of an item; the menu code fills it from the item's data.
struct MenuItemTipInfo {
    CString caption;
    CString note;
    CString tipText;
    // Neither a submenu nor a special command: its tip ends with the right-click hint.
    bool plainItem = false;
};

// The tip of the phrase menu: the item's caption as title and its tip text as body.
class CMenuToolTip_Insert : public CMenuToolTipEx {
public:
    using StringLookup = CString (*)(UINT id);
    // False when the item has no data.
    using ItemReader = bool (*)(HMENU menu, UINT id, MenuItemTipInfo& info);
    CMenuToolTip_Insert(StringLookup strings, ItemReader reader);

    HWND Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style, const wchar_t* title) override;
    MenuTipIcon GetTipIcon(UINT id) override;
    void GetText(CString& text, UINT id, HMENU menu, CString& title) override;

    // The icon the owner-draw code drew for the id; the cache does not own it.
    void SetIcon(UINT id, HICON icon) { m_icons[id] = icon; }
    void ClearIcons() { m_icons.clear(); }

private:
    HICON LoadFixedIcon(UINT resource);

    StringLookup m_strings;
    ItemReader m_reader;
    std::map<UINT, HICON> m_icons;
    std::map<UINT, CIconHandle> m_fixedIcons;
};
