// Shared pieces of the main program's user interface: fonts derived from the system's
// metrics and from a window's font; pens and brushes in a few fixed colours; cached
// system-colour brushes; a registry that subclasses windows with a callback; a check box
// that shows its label in bold while ticked; tool-tip titles, top-most switching, mouse-
// leave tracking, list-view paging and top-level window lookups.
//
// Fonts, pens and brushes are made once and kept for the life of the process (the process
// end releases them): callers never delete what these functions return unless the
// function says it creates a new object. All of this belongs to the UI thread; the bold
// check box keeps its state per thread.
#pragma once

#include <windows.h>

#include <utility>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// Colours (red in the low byte)

COLORREF ColorRed();     // RGB(255, 0, 0)
COLORREF ColorBlue();    // RGB(0, 0, 255)
COLORREF ColorGreen();   // RGB(0, 128, 0)
COLORREF ColorOrange();  // RGB(255, 123, 60)

// Each channel less delta, kept at 0 at the bottom; black becomes delta in each channel
// instead (capped at 255), so that darkening always shows.
COLORREF DarkenColor(COLORREF color, int delta);
COLORREF DarkenColor20(COLORREF color);
// ColorOrange when the flag is set, else ColorRed.
COLORREF PickStateColor(bool flag);

// ---------------------------------------------------------------------------------------
// Cached GDI objects

// The small-caption font of the non-client metrics, face "MS Shell Dlg", bold (700) or
// regular italic. Null when the metrics cannot be read; the next call tries again.
HFONT GetBoldDlgFont();
HFONT GetItalicDlgFont();
HFONT GetDefaultGuiFont();  // the stock DEFAULT_GUI_FONT
// The first window asked about decides: its font (or its list view's tool tip's font),
// two units larger. Null, and nothing cached, when neither has a font.
HFONT GetWindowFontCached(HWND window);

HPEN GetBluePen();  // solid, 2 pixels
HPEN GetRedPen();
HBRUSH GetGreenBrush();
HBRUSH GetRedBrush();
HBRUSH GetCustomBrush();  // RGB(24, 237, 237)
// The COLOR_HIGHLIGHT brush and the COLOR_HIGHLIGHTTEXT colour, read on first use.
std::pair<HBRUSH, COLORREF> GetHighlightColors();

// COLOR_INFOBK when info is set, else COLOR_HIGHLIGHT when selected, else COLOR_WINDOW.
HBRUSH GetItemBackBrush(bool info, bool selected);

// GetSysColorBrush / GetSysColor kept per colour index until ClearSysColorCaches, which
// the tray window calls on WM_SYSCOLORCHANGE. A null brush is not kept.
HBRUSH GetSysColorBrushCached(int index);
COLORREF GetSysColorCached(int index);
void ClearSysColorCaches();

// ---------------------------------------------------------------------------------------
// New fonts (owned by the caller)

// Edits a copy of the font's LOGFONTW; nonzero keeps the edit.
using FontChangeProc = BOOL (*)(LOGFONTW& font, void* context);
// CreateFontIndirectW of the edited LOGFONTW; null when the font cannot be read whole
// or the change refuses.
HFONT CreateDerivedFont(HFONT font, FontChangeProc change, void* context);
// Larger (grow) or smaller by the units, whichever height convention the font uses.
HFONT CreateFontResized(HFONT font, int units, bool grow);
HFONT CreateFontResized(HFONT font, int units);

// ---------------------------------------------------------------------------------------
// Drawing

// Frames the rounded rectangle (corners 4 by 4, the bottom one pixel lower) with a 2 by
// 2 pixel frame in the colour. Nonzero on success, 0 when the region or brush cannot
// be made.
BOOL FrameRoundRect(HDC dc, int left, int top, int right, int bottom, COLORREF color);

// ---------------------------------------------------------------------------------------
// Windows

// Titles longer than 97 characters are cut to 97 and "…" (never between the halves of
// a surrogate pair). Returns TTM_SETTITLEW's result.
LRESULT SetToolTipTitle(HWND toolTip, const wchar_t* title, int icon);
// The title SetToolTipTitle shows.
CString MakeToolTipTitle(const wchar_t* title);

// HWND_TOPMOST or HWND_NOTOPMOST without moving, sizing or activating; the
// WS_EX_TOPMOST bit follows only when that succeeded. Returns SetWindowPos's result.
BOOL SetWindowTopMost(HWND window, bool on);

class CTrackMouseLeave {
public:
    explicit CTrackMouseLeave(HWND* window) : m_window(window) {}
    virtual ~CTrackMouseLeave() = default;
    // _TrackMouseEvent(TME_LEAVE) for the window; the result is kept and returned.
    BOOL Track();
    BOOL IsTracking() const { return m_tracking; }

private:
    BOOL m_tracking = FALSE;
    HWND* m_window;
};

// Makes the item and the page below it visible (the item ends up first on the page
// when there are enough items below). 0 for an index outside the list or when the
// list refuses; else LVM_ENSUREVISIBLE's result for the item.
BOOL ListViewEnsureVisiblePage(HWND list, int index);

// The last ancestor by GetParent (the window itself when it has none).
HWND GetTopLevelParent(HWND window);
// The window's text; false when it is not a window or its text is empty.
bool GetTopLevelWindowText(HWND window, CString& text);

// Shows the check box's label in bold while it is ticked, also when it is ticked by
// BM_SETCHECK later. Nothing happens for a check box that already does.
void InstallCheckNotifySubclass(HWND checkBox);
// Bold GUI font when ticked, else DEFAULT_GUI_FONT (WM_SETFONT with redraw).
void UpdateCheckBoxFont(HWND checkBox);
// DEFAULT_GUI_FONT in bold, one per thread, made again when it was deleted. Null when
// it cannot be made.
HFONT GetBoldGuiFont();

// ---------------------------------------------------------------------------------------
// Subclass registry: one window procedure for every registered window, which hands each
// message to the window's callback first. One thread only.

// *passOn starts nonzero; clearing it keeps the message from the previous procedure and
// makes the callback's result the answer. WM_DESTROY always reaches the previous one.
using SubclassCallback = LRESULT (*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LONG_PTR userData,
                                     BOOL* passOn, WNDPROC previous);

struct SubclassEntry {
    SubclassEntry(HWND w, SubclassCallback c, LONG_PTR data) : window(w), callback(c), userData(data) {}
    virtual ~SubclassEntry() = default;

    HWND window;
    SubclassCallback callback;
    LONG_PTR userData;
    WNDPROC previous = nullptr;
};

// 1 when the window is now subclassed; 0 when it is not a window, already registered,
// the callback is null or the window procedure cannot be replaced.
int SubclassWindow(HWND window, SubclassCallback callback, LONG_PTR userData);
// Puts the previous procedure back and forgets the window: 1, or 0 when not registered.
int UnsubclassWindow(HWND window);
bool IsWindowSubclassed(HWND window);
SubclassEntry* FindSubclassEntry(HWND window);
// Whether the registry's map exists (it is freed with its last entry).
bool HasSubclassRegistryForTest();
