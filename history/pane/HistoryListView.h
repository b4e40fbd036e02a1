// The float pane's list: a subclassed owner-data "SysListView32" that the pane fills (it
// only sets the item count) and draws itself. The list adds what a plain list view lacks
// for a small caption-less pane: a press on its empty part drags the whole pane, the
// empty part below the last item explains the pane with a framed help text, the tool tip
// opens beside the hovered item on the side away from the screen edge, and the pane's
// mouse filter sees the mouse messages of the UI thread before they are dispatched.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "platform/wtl/AtlApp.h"
#include "platform/wtl/AtlWin.h"

// The third help line names the makers' channel; the pane takes both texts from the tray.
struct CHistoryListHelp {
    CString channelCaption;
    CString channelAddress;
};

// The help lines of the empty list: UI strings 224 and 288, then the channel's caption, a
// bullet and its address. Each text longer than kHelpLineSplitLength is broken in two at
// the first blank after its middle.
const int kHelpLineSplitLength = 40;
std::vector<CString> BuildListHelpLines(const CString& doubleClickHint, const CString& quickCopyHint,
                                        const CHistoryListHelp& help);
CString SplitLongHelpLine(const CString& text);

// Where the tool tip of an item goes: beside the item on the side of the wider half of
// the virtual screen, level with its top (upper half) or its bottom (lower half), never
// at negative coordinates. False for an all-zero item rectangle: the tip stays put.
bool PlaceTipBesideItem(const RECT& item, const RECT& tip, int screenWidth, int screenHeight, RECT& placed);

class CHistoryListView : public wtl::CWindowImplBase, public wtl::CMessageFilter {
public:
    // Nonzero keeps the tool tip where the list view put it.
    using TipVetoProc = BOOL (*)(LPARAM argument);
    // Nonzero consumes the mouse message before it is dispatched.
    using MouseFilterProc = BOOL (*)(MSG* message, LPARAM argument);

    explicit CHistoryListView(const CHistoryListHelp& help);
    ~CHistoryListView() override;

    // The list as a child of the pane, registered as a filter of this thread's message loop
    // when it has one. LVS_OWNERDATA is added to the style. Null on failure.
    HWND Create(HWND parent, const RECT& rect, DWORD style, DWORD exStyle, UINT id);

    BEGIN_MSG_MAP(CHistoryListView)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_PAINT, OnPaint)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    NOTIFY_CODE_HANDLER(TTN_SHOW, OnTipShow)
    END_MSG_MAP()

    BOOL PreTranslateMessage(MSG* message) override;

    HWND GetToolTips() const;
    // The title (cut like every tool-tip title) and icon of the tip; the list owns the icon
    // from now on. Without a title only the tip's item changes.
    void SetTipItem(int index, const wchar_t* title, HICON icon);
    int GetTipItem() const { return m_tipItem; }
    // True when the tip's auto-pop delay is now the value.
    bool SetTipAutoPopDelay(int milliseconds);
    BOOL SetInfoTip(int index, const wchar_t* text);
    // The list's font, or a cached variant 8 units larger: bold, italic or both.
    HFONT GetItemFont(bool bold, bool italic);
    void RedrawVisible();
    // Makes the tool tip ask for its text again.
    void RefreshTip();
    // A negative deleteIndex deletes nothing.
    void SetCount(int count, int deleteIndex);
    // The item count.
    int DeselectAll();
    // The selected indexes in order; their count.
    int GetSelected(std::vector<int>& selected) const;
    bool HasMultiSelection() const;
    // The group index + 1; 0 on failure.
    int AddLoadedGroup();

    RECT GetEmptyRect() const;
    bool IsPointInEmpty(POINT clientPoint) const;
    bool IsScreenPointInEmpty(POINT screenPoint) const;
    void ClearHelpLines();
    const std::vector<CString>& GetHelpLines() const { return m_helpLines; }

    void SetTipVeto(TipVetoProc veto, LPARAM argument);
    void SetMouseFilter(MouseFilterProc filter, LPARAM argument);

protected:
    const wchar_t* GetWndClassName() const override { return WC_LISTVIEWW; }

private:
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnPaint(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnTipShow(int id, NMHDR* header, BOOL& handled);

    void DrawHelp(const RECT& empty);
    void LeaveMessageLoop();

    CHistoryListHelp m_help;
    CRegionHandle m_helpRegion;
    std::vector<CString> m_helpLines;
    int m_tipAutoPopDelay = -1;
    int m_tipItem = -1;
    CIconHandle m_tipIcon;
    CFontHandle m_boldFont;
    CFontHandle m_italicFont;
    CFontHandle m_boldItalicFont;
    TipVetoProc m_tipVeto = nullptr;
    LPARAM m_tipVetoArgument = 0;
    MouseFilterProc m_mouseFilter = nullptr;
    LPARAM m_mouseFilterArgument = 0;
    wtl::CMessageLoop* m_loop = nullptr;
};
