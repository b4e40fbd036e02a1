#include "history/pane/PaneGeometry.h"

#include <climits>

#include "core/UiStringIds.h"
#include "core/UiStrings.h"

const wchar_t kFloatPanePositionKey[] = L"FloatPaneRect_TOPLEFT";

RECT DefaultFloatPaneRect(int virtualScreenWidth) {
    return RECT{virtualScreenWidth - kFloatPaneWidth, 40, virtualScreenWidth, 40 + kFloatPaneHeight};
}

RECT FloatPaneRectAt(POINT topLeft) {
    return RECT{topLeft.x, topLeft.y, topLeft.x + kFloatPaneWidth, topLeft.y + kFloatPaneHeight};
}

namespace {

bool Intersects(const RECT& a, const RECT& b) {
    RECT both;
    return IntersectRect(&both, &a, &b) != FALSE;
}

long long DistanceSquared(const RECT& pane, const RECT& area) {
    const long long cx = (pane.left + pane.right) / 2;
    const long long cy = (pane.top + pane.bottom) / 2;
    const long long dx = cx < area.left ? area.left - cx : (cx > area.right ? cx - area.right : 0);
    const long long dy = cy < area.top ? area.top - cy : (cy > area.bottom ? cy - area.bottom : 0);
    return dx * dx + dy * dy;
}

// The pane moved as little as it can to lie inside the area (its top-left corner wins
// when the area is smaller than the pane).
RECT MoveInto(const RECT& pane, const RECT& area) {
    const int width = pane.right - pane.left;
    const int height = pane.bottom - pane.top;
    int left = pane.left;
    int top = pane.top;
    if (left + width > area.right) left = area.right - width;
    if (top + height > area.bottom) top = area.bottom - height;
    if (left < area.left) left = area.left;
    if (top < area.top) top = area.top;
    return RECT{left, top, left + width, top + height};
}

}  // namespace

RECT KeepPaneReachable(const RECT& pane, const std::vector<RECT>& monitors) {
    if (monitors.empty()) return pane;
    // The caption strip is what the user drags: it must be on a monitor.
    RECT strip = pane;
    strip.bottom = strip.top + kPaneToolbarHeight;
    for (const RECT& area : monitors)
        if (Intersects(strip, area)) return pane;
    const RECT* nearest = &monitors.front();
    long long best = LLONG_MAX;
    for (const RECT& area : monitors) {
        const long long distance = DistanceSquared(pane, area);
        if (distance < best) {
            best = distance;
            nearest = &area;
        }
    }
    return MoveInto(pane, *nearest);
}

namespace {

BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM data) {
    auto* areas = reinterpret_cast<std::vector<RECT>*>(data);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (!GetMonitorInfoW(monitor, &info)) return TRUE;
    if (info.dwFlags & MONITORINFOF_PRIMARY)
        areas->insert(areas->begin(), info.rcWork);
    else
        areas->push_back(info.rcWork);
    return TRUE;
}

}  // namespace

std::vector<RECT> MonitorWorkAreas() {
    std::vector<RECT> areas;
    EnumDisplayMonitors(nullptr, nullptr, &AddMonitor, reinterpret_cast<LPARAM>(&areas));
    if (areas.empty()) {
        RECT work = {};
        if (SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0)) areas.push_back(work);
    }
    return areas;
}

bool ShouldRememberPanePosition(bool iconic, bool visible, const RECT& window, const RECT& workArea) {
    return !iconic && visible && EqualRect(&window, &workArea) == FALSE;
}

CPaneLayout LayoutPane(const RECT& client, int toolbarBottom) {
    const int width = client.right - client.left;
    const int height = client.bottom - client.top;
    CPaneLayout layout;
    layout.toolbar = RECT{0, 0, width, kPaneToolbarHeight};
    const int listHeight = height - toolbarBottom - 2;
    layout.list =
        RECT{2, toolbarBottom, 2 + (width > 4 ? width - 4 : 0), toolbarBottom + (listHeight > 0 ? listHeight : 0)};
    return layout;
}

std::vector<int> FitColumns(int clientWidth, const std::vector<int>& ownWidths) {
    std::vector<int> widths(ownWidths.size(), 0);
    if (widths.empty()) return widths;
    int rest = clientWidth;
    for (size_t i = 0; i + 1 < widths.size(); ++i) {
        widths[i] = ownWidths[i];
        rest -= ownWidths[i];
    }
    widths.back() = rest > 0 ? rest : 0;
    return widths;
}

CString FloatPaneTitle(int itemCount) {
    CString title;
    title.Format(L"%s[%d] : Vexlora", LoadUiString(IDS_HISTORY_PANE_TITLE).GetString(), itemCount);
    return title;
}
