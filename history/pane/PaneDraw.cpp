#include "history/pane/PaneDraw.h"

#include <algorithm>

#include "core/ClipboardItemFiles.h"
#include "core/IconIds.h"
#include "core/WindowHelpers.h"
#include "history/HistoryItem.h"
#include "history/pane/PaneIcons.h"

namespace {

// Text colour, background mode, font and the selected pen and brush come back as the
// control left them: it goes on drawing with the same context.
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : m_dc(dc), m_state(SaveDC(dc)) {}
    ~CSavedDC() {
        if (m_state) RestoreDC(m_dc, m_state);
    }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;

private:
    HDC m_dc;
    int m_state;
};

int Height(const RECT& rect) {
    return rect.bottom - rect.top;
}

void FillColor(HDC dc, const RECT& rect, COLORREF color) {
    CBrushHandle brush(CreateSolidBrush(color));
    if (brush) FillRect(dc, &rect, brush.get());
}

// The top-left part of the bitmap that fits, unscaled; only that part is read, however
// large the bitmap is.
void CopyBitmapInto(HDC dc, HBITMAP bitmap, const RECT& rect) {
    BITMAP info = {};
    if (!GetObjectW(bitmap, sizeof info, &info)) return;
    CMemoryDC source(CreateCompatibleDC(dc));
    if (!source) return;
    const HGDIOBJ old = SelectObject(source.get(), bitmap);
    // A bitmap selected into another context cannot be selected here: the cell stays empty.
    if (!old || old == HGDI_ERROR) return;
    const int width = std::min<LONG>(info.bmWidth, rect.right - rect.left);
    const int height = std::min<LONG>(info.bmHeight, Height(rect));
    if (width > 0 && height > 0) BitBlt(dc, rect.left, rect.top, width, height, source.get(), 0, 0, SRCCOPY);
    SelectObject(source.get(), old);
}

CFontHandle DeriveFont(const LOGFONTW& base, LONG weight, int growth, bool italic) {
    LOGFONTW font = base;
    font.lfWeight = weight;
    if (italic) font.lfItalic = TRUE;
    // Negative heights are character heights, positive ones cell heights: both grow away from 0.
    if (font.lfHeight < 0)
        font.lfHeight -= growth;
    else if (font.lfHeight > 0)
        font.lfHeight += growth;
    return CFontHandle(CreateFontIndirectW(&font));
}

}  // namespace

COLORREF PaneStripeColor(COLORREF listBackground) {
    return DarkenColor20(listBackground);
}

int PaneBadgeColorIndex(bool selectedOrCollapsed, bool elevated) {
    if (selectedOrCollapsed) return COLOR_INFOBK;
    return elevated ? COLOR_HIGHLIGHT : COLOR_WINDOW;
}

CString PaneCountText(int count, int selected, bool collapsed, bool elevated) {
    CString text;
    if (!collapsed && selected > 0)
        text.Format(L"%d/%d", selected, count);
    else
        text.Format(L"%d", count);
    if (elevated) text += L"^";
    return text;
}

int PaneCountBadgeWidth(int textWidth, bool elevated) {
    return (textWidth > 0 ? textWidth * 3 / 2 : 20) + 4 + (elevated ? 8 : 0);
}

COLORREF PaneCaptionColor(bool elevated, bool historyOn) {
    if (!elevated) return ColorRed();
    return historyOn ? ColorBlue() : ColorOrange();
}

CPaneFonts::CPaneFonts() {
    NONCLIENTMETRICSW metrics = {};
    metrics.cbSize = sizeof metrics;
    if (!SystemParametersInfoW(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0)) return;
    m_menu.reset(CreateFontIndirectW(&metrics.lfMenuFont));
    m_heavy = DeriveFont(metrics.lfMenuFont, 900, 4, false);
    m_lightItalic = DeriveFont(metrics.lfMenuFont, 300, -1, true);
}

void CPaneIcons::Load(HMODULE module) {
    html.reset(LoadIconSized(module, IDI_WEB, 10));
    protect.reset(LoadIcon16(module, IDI_PROTECT));
    app.reset(LoadIconSized(module, IDI_APP, 14));
}

CPaneRowState PaneRowStateOf(const CCHItem& item, int row) {
    CPaneRowState state;
    state.row = row;
    state.kind = item.Kind();
    state.isProtected = item.IsProtected();
    state.hasHtml = item.HasHtml(true);
    if (item.Kind() == CClipboardItemData::kBitmap) state.thumbnail = item.Bitmap();
    return state;
}

bool GetPaneRowRects(HWND list, int row, CPaneRowRects& rects) {
    return ListView_GetItemRect(list, row, &rects.icon, LVIR_ICON) &&
           ListView_GetItemRect(list, row, &rects.label, LVIR_LABEL) &&
           ListView_GetItemRect(list, row, &rects.bounds, LVIR_BOUNDS);
}

CPaneRowPrepaint PaneRowPrepaint(const CPaneRowState& row, const CPaneListLook& look) {
    CPaneRowPrepaint answer;
    if (row.isProtected && !row.hovered)
        answer.textBackground = GetSysColor(COLOR_INFOBK);
    else if (row.row % 2 == 1)
        answer.textBackground = PaneStripeColor(look.background);
    if (row.hovered || row.kind == CClipboardItemData::kRtf)
        answer.font = look.hoverFont;
    else if (row.row == 0)
        answer.font = look.newestFont;
    if (answer.textBackground != CLR_DEFAULT || answer.font) answer.result |= CDRF_NEWFONT;
    return answer;
}

void DrawPaneRow(HDC dc, const CPaneRowRects& rects, const CPaneRowState& row, const CPaneListLook& look) {
    CSavedDC saved(dc);
    const RECT& icon = rects.icon;
    if (row.hasHtml && row.kind != CClipboardItemData::kHtml && look.htmlIcon)
        DrawIconEx(dc, icon.right - 14, icon.bottom - 14, look.htmlIcon, 10, 10, 0, nullptr, DI_NORMAL);
    if (row.isProtected && !row.hovered && look.protectIcon)
        DrawIconEx(dc, icon.right - 18, icon.bottom - 18, look.protectIcon, 16, 16, 0, nullptr, DI_NORMAL);

    const RECT& label = rects.label;
    const bool odd = row.row % 2 == 1;
    if (row.selected)
        FillRect(dc, &label, GetSysColorBrush(COLOR_HIGHLIGHT));
    else if (odd)
        FillColor(dc, label, PaneStripeColor(look.background));
    else
        FillRect(dc, &label, GetSysColorBrush(COLOR_MENU));

    SetBkMode(dc, TRANSPARENT);
    const int side = Height(label);
    const RECT square = {label.left + 2, label.top, label.left + 2 + side, label.bottom};
    RECT badge = square;
    const int inset = row.selected ? 1 : 3;
    InflateRect(&badge, -inset, -inset);
    {
        CSelectObject brush(dc, GetSysColorBrush(PaneBadgeColorIndex(row.selected, look.elevated)));
        RoundRect(dc, badge.left, badge.top, badge.right, badge.bottom, 8, 8);
    }
    CString number;
    number.Format(L"%d", row.row + 1);
    SetTextColor(dc, GetSysColor(row.selected ? COLOR_INFOTEXT : COLOR_HIGHLIGHTTEXT));
    DrawTextW(dc, number, -1, &badge, DT_CENTER | DT_VCENTER | DT_SINGLELINE);

    RECT textRect = {square.right + 2, label.top, label.right, label.bottom};
    if (row.thumbnail) {
        InflateRect(&textRect, -1, -1);
        FillColor(dc, textRect, look.background);
        CopyBitmapInto(dc, row.thumbnail, textRect);
    } else {
        const COLORREF color = row.hovered ? ColorRed() : row.selected ? GetSysColor(COLOR_HIGHLIGHTTEXT) : look.text;
        SetTextColor(dc, color);
        const CString text = row.text.GetLength() > 999 ? row.text.Left(999) : row.text;
        DrawTextW(dc, text, -1, &textRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
    }

    if (row.row == 0) {
        // The list draws its grid lines after the rows, over each row's last pixel line:
        // the frame's bottom edge goes one line higher to stay in sight.
        RECT frame = rects.bounds;
        if (frame.bottom - frame.top > 2) --frame.bottom;
        FrameRect(dc, &frame, GetRedBrush());
    }
}

LRESULT OnPaneListCustomDraw(NMLVCUSTOMDRAW& draw, IPaneRowSource& rows, const CPaneListLook& look) {
    const int row = static_cast<int>(draw.nmcd.dwItemSpec);
    CPaneRowState state;
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW;
        case CDDS_ITEMPREPAINT: {
            if (!rows.GetRowState(row, state, false)) return CDRF_DODEFAULT;
            const CPaneRowPrepaint answer = PaneRowPrepaint(state, look);
            if (answer.textBackground != CLR_DEFAULT) draw.clrTextBk = answer.textBackground;
            if (answer.font) SelectObject(draw.nmcd.hdc, answer.font);
            return answer.result;
        }
        case CDDS_ITEMPOSTPAINT: {
            CPaneRowRects rects;
            if (rows.GetRowState(row, state, true) && rows.GetRowRects(row, rects))
                DrawPaneRow(draw.nmcd.hdc, rects, state, look);
            return CDRF_DODEFAULT;
        }
        default:
            return CDRF_DODEFAULT;
    }
}

void DrawPaneCaptionStrip(HDC dc, const CPaneToolbarState& state) {
    CSavedDC saved(dc);
    const RECT& strip = state.strip;
    if (state.alarm) FillRect(dc, &strip, GetRedBrush());
    SetBkMode(dc, TRANSPARENT);
    if (state.menuFont) SelectObject(dc, state.menuFont);

    const CString count = PaneCountText(state.count, state.selected, state.collapsed, state.elevated);
    SIZE extent = {};
    GetTextExtentPoint32W(dc, count, count.GetLength(), &extent);
    const RECT badge = {strip.left, strip.top, strip.left + PaneCountBadgeWidth(extent.cx, state.elevated),
                        strip.bottom};
    {
        CPenHandle pen(CreatePen(PS_SOLID, 1, GetSysColor(state.collapsed ? COLOR_INFOTEXT : COLOR_WINDOWTEXT)));
        CSelectObject selectPen(dc, pen.get());
        CSelectObject selectBrush(dc, GetSysColorBrush(PaneBadgeColorIndex(state.collapsed, state.elevated)));
        RoundRect(dc, badge.left, badge.top, badge.right, badge.bottom, 4, 4);
    }
    COLORREF countColor = ColorRed();
    if (state.alarm)
        countColor = RGB(255, 255, 0);
    else if (state.elevated)
        countColor = GetSysColor(state.collapsed ? COLOR_INFOTEXT : COLOR_HIGHLIGHTTEXT);
    SetTextColor(dc, countColor);
    RECT countRect = {badge.left + 4, badge.top, badge.right, badge.bottom};
    DrawTextW(dc, count, -1, &countRect, DT_SINGLELINE | DT_VCENTER | DT_NOPREFIX);

    if (state.collapsed) {
        if (state.appIcon)
            DrawIconEx(dc, strip.right - 19, strip.top + (Height(strip) - 14) / 2, state.appIcon, 14, 14, 0, nullptr,
                       DI_NORMAL);
        return;
    }
    CString caption = state.caption;
    if (state.elevated) caption += L"^";
    if (state.captionFont) SelectObject(dc, state.captionFont);
    SetTextColor(dc, state.alarm ? RGB(255, 255, 0) : PaneCaptionColor(state.elevated, state.historyOn));
    RECT captionRect = {badge.right + 4, strip.top + 3, strip.right, strip.bottom - 3};
    DrawTextW(dc, caption, -1, &captionRect, DT_SINGLELINE | DT_VCENTER | DT_END_ELLIPSIS | DT_NOPREFIX);
}

void DrawPaneCloseGlyph(HDC dc, const RECT& button, bool pressed, bool hot) {
    const int left = button.left + (button.right - button.left - 14) / 2;
    const int top = button.top + (Height(button) - 14) / 2;
    RECT glyph = {left, top, left + 14, top + 14};
    DrawFrameControl(dc, &glyph, DFC_CAPTION, DFCS_CAPTIONCLOSE | (pressed ? DFCS_PUSHED : 0) | (hot ? DFCS_HOT : 0));
}

LRESULT OnPaneToolbarCustomDraw(NMTBCUSTOMDRAW& draw, const CPaneToolbarState& state) {
    switch (draw.nmcd.dwDrawStage) {
        case CDDS_PREPAINT:
            return CDRF_NOTIFYITEMDRAW | CDRF_NOTIFYPOSTPAINT;
        case CDDS_ITEMPREPAINT:
            if (draw.nmcd.dwItemSpec == kPaneCloseButton) {
                DrawPaneCloseGlyph(draw.nmcd.hdc, draw.nmcd.rc, (draw.nmcd.uItemState & CDIS_SELECTED) != 0,
                                   (draw.nmcd.uItemState & CDIS_HOT) != 0);
                return CDRF_SKIPDEFAULT;
            }
            if (draw.nmcd.dwItemSpec == kPaneHighlightButton && !state.collapsed)
                FillRect(draw.nmcd.hdc, &draw.nmcd.rc, GetCustomBrush());
            return CDRF_DODEFAULT;
        case CDDS_POSTPAINT:
            DrawPaneCaptionStrip(draw.nmcd.hdc, state);
            return CDRF_DODEFAULT;
        default:
            return CDRF_DODEFAULT;
    }
}
