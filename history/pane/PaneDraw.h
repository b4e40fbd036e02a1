// How the float pane draws its list rows and the caption strip of its tool bar. The
// pane's NM_CUSTOMDRAW handlers hand the notification over with what they know of the row
// or the pane; the drawing itself works on any device context and rectangles, so that it
// can be checked on a memory bitmap.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"

class CCHItem;

// Tool bar buttons drawn apart.
const int kPaneCloseButton = 57665;
const int kPaneHighlightButton = 32798;

// ---------------------------------------------------------------------------------------
// Decisions (no drawing)

// The list's background with each channel 20 darker (black turns 20 lighter).
COLORREF PaneStripeColor(COLORREF listBackground);
// The number badge's fill: COLOR_INFOBK for a selected row or a collapsed pane, else
// COLOR_HIGHLIGHT while elevated, else COLOR_WINDOW (a system colour index).
int PaneBadgeColorIndex(bool selectedOrCollapsed, bool elevated);
// The item count, "selected/count" on an expanded pane with a selection, "^" appended
// while elevated.
CString PaneCountText(int count, int selected, bool collapsed, bool elevated);
// One and a half times the text width (20 for an empty text) plus 4, 8 more while elevated.
int PaneCountBadgeWidth(int textWidth, bool elevated);
// Red when not elevated; else blue while the history is on and orange while it is off.
COLORREF PaneCaptionColor(bool elevated, bool historyOn);

// ---------------------------------------------------------------------------------------
// What the drawing needs

// The menu font of the non-client metrics, a heavy one (weight 900, 4 units larger) and a
// light italic one (weight 300, 1 unit smaller). Null fonts when the metrics cannot be read.
class CPaneFonts {
public:
    CPaneFonts();
    HFONT Menu() const { return m_menu.get(); }
    HFONT Heavy() const { return m_heavy.get(); }
    HFONT LightItalic() const { return m_lightItalic.get(); }

private:
    CFontHandle m_menu, m_heavy, m_lightItalic;
};

// The small icons drawn over rows and on the collapsed strip, loaded from the program's
// resources; an icon that cannot be loaded stays null and is left out of the drawing.
struct CPaneIcons {
    CIconHandle html;     // 10 x 10, an item with an HTML form besides its own
    CIconHandle protect;  // 16 x 16, protected items
    CIconHandle app;      // 14 x 14, the collapsed strip
    void Load(HMODULE module);
};

// One row of the list. Row 0 is the newest item.
struct CPaneRowState {
    int row = 0;
    int kind = 0;
    bool isProtected = false;
    bool hasHtml = false;  // an HTML form beside another kind
    bool hovered = false;
    bool selected = false;
    HBITMAP thumbnail = nullptr;  // drawn instead of the text when set
    CString text;
};

// The row state an item gives (text and hover and selection are the list's to add).
CPaneRowState PaneRowStateOf(const CCHItem& item, int row);

struct CPaneRowRects {
    RECT icon = {};    // LVIR_ICON
    RECT label = {};   // LVIR_LABEL
    RECT bounds = {};  // LVIR_BOUNDS
};
// ListView_GetItemRect for the three parts; false when the list has no such row.
bool GetPaneRowRects(HWND list, int row, CPaneRowRects& rects);

// The list's look and the state of the process that shows in it.
struct CPaneListLook {
    COLORREF background = RGB(255, 255, 255);
    COLORREF text = RGB(0, 0, 0);
    HFONT newestFont = nullptr;  // the list object's font of the newest row
    HFONT hoverFont = nullptr;   // ... of hovered and formatted-text rows
    HICON htmlIcon = nullptr;
    HICON protectIcon = nullptr;
    bool elevated = false;
};

// ---------------------------------------------------------------------------------------
// List rows

// What item pre-paint decides for a row: a text background (CLR_DEFAULT when the list's
// stays), a font (null when the list's stays) and the answer.
struct CPaneRowPrepaint {
    COLORREF textBackground = CLR_DEFAULT;
    HFONT font = nullptr;
    LRESULT result = CDRF_NOTIFYPOSTPAINT;
};
CPaneRowPrepaint PaneRowPrepaint(const CPaneRowState& row, const CPaneListLook& look);
// The overlay icons, the label with its number badge and text or thumbnail, the newest
// row's red frame.
void DrawPaneRow(HDC dc, const CPaneRowRects& rects, const CPaneRowState& row, const CPaneListLook& look);

// Gives the list's custom draw the rows it asks for; the pane answers from its queue and
// its list view.
class IPaneRowSource {
public:
    virtual ~IPaneRowSource() = default;
    // The text only when asked: the row's first stage draws none, and a long item's text
    // takes time to make.
    virtual bool GetRowState(int row, CPaneRowState& state, bool withText) = 0;
    virtual bool GetRowRects(int row, CPaneRowRects& rects) = 0;
};
// The answer to the list's NM_CUSTOMDRAW.
LRESULT OnPaneListCustomDraw(NMLVCUSTOMDRAW& draw, IPaneRowSource& rows, const CPaneListLook& look);

// ---------------------------------------------------------------------------------------
// Tool bar

struct CPaneToolbarState {
    int count = 0;
    int selected = 0;
    bool collapsed = false;
    bool elevated = false;
    bool historyOn = true;
    // The strip filled red with yellow text.
    bool alarm = false;
    RECT strip = {};  // where the caption strip goes, in tool bar coordinates
    CString caption;  // UI string 185
    HFONT menuFont = nullptr;
    HFONT captionFont = nullptr;  // the light italic font
    HICON appIcon = nullptr;
};

// The count badge, the caption (expanded) or the application icon (collapsed).
void DrawPaneCaptionStrip(HDC dc, const CPaneToolbarState& state);
// The close glyph, 14 x 14 centred in the button.
void DrawPaneCloseGlyph(HDC dc, const RECT& button, bool pressed, bool hot);
// The answer to the tool bar's NM_CUSTOMDRAW.
LRESULT OnPaneToolbarCustomDraw(NMTBCUSTOMDRAW& draw, const CPaneToolbarState& state);
