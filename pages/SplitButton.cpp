#include "pages/SplitButton.h"

#include <algorithm>

#include "core/base/Handles.h"

namespace {

bool IsPushed(HWND button) {
    return (SendMessageW(button, BM_GETSTATE, 0, 0) & BST_PUSHED) != 0;
}

void Line(HDC dc, int x1, int y1, int x2, int y2) {
    MoveToEx(dc, x1, y1, nullptr);
    LineTo(dc, x2, y2);
}

}  // namespace

UINT CSplitButton::GetClearArrowMessage() {
    static const UINT message = RegisterWindowMessageW(L"{F64B4579-F447-4598-993D-8DBB97BEF4A9}");
    return message;
}

bool CSplitButton::Attach(HWND button) {
    GetClearArrowMessage();
    m_arrowPressed = false;
    m_pointerOutside = true;
    return SubclassCtrl(button);
}

RECT CSplitButton::GetArrowRect(const RECT& client, bool pushed) {
    RECT arrow = client;
    arrow.top += 2;
    arrow.bottom -= 2;
    arrow.right -= pushed ? 1 : 2;
    arrow.left = arrow.right - 16;
    return arrow;
}

RECT CSplitButton::ArrowRectOnScreen(bool forHitTest) const {
    RECT client = {};
    GetClientRect(GetCtrl(), &client);
    RECT arrow = GetArrowRect(client, IsPushed(GetCtrl()));
    // The divider left of the arrow belongs to it.
    if (forHitTest) arrow.left -= 4;
    MapWindowPoints(GetCtrl(), nullptr, reinterpret_cast<POINT*>(&arrow), 2);
    return arrow;
}

void CSplitButton::FollowPointer(LPARAM clientPoint) {
    POINT point = {static_cast<short>(LOWORD(clientPoint)), static_cast<short>(HIWORD(clientPoint))};
    ClientToScreen(GetCtrl(), &point);
    const RECT arrow = ArrowRectOnScreen(true);
    const bool outside = PtInRect(&arrow, point) == FALSE;
    if (outside == m_pointerOutside) return;
    m_pointerOutside = outside;
    InvalidateRect(GetCtrl(), nullptr, FALSE);
}

void CSplitButton::InvalidateArrow() {
    RECT client = {};
    GetClientRect(GetCtrl(), &client);
    const RECT arrow = GetArrowRect(client, IsPushed(GetCtrl()));
    InvalidateRect(GetCtrl(), &arrow, FALSE);
}

void CSplitButton::Paint() {
    const HWND button = GetCtrl();
    HDC dc = GetDC(button);
    if (!dc) return;
    RECT client = {};
    GetClientRect(button, &client);
    const RECT arrow = GetArrowRect(client, IsPushed(button));

    CPenHandle grayPen(CreatePen(PS_SOLID, 1, GetSysColor(COLOR_GRAYTEXT)));
    CPenHandle whitePen(CreatePen(PS_SOLID, 1, RGB(255, 255, 255)));
    CPenHandle blackPen(CreatePen(PS_SOLID, 1, RGB(0, 0, 0)));
    HGDIOBJ oldPen = SelectObject(dc, grayPen.get());
    const int divider = arrow.left - 4;
    Line(dc, divider, client.top + 3, divider, client.bottom - 3);
    SelectObject(dc, whitePen.get());
    Line(dc, divider + 2, client.top + 3, divider + 2, client.bottom - 3);

    const int top = arrow.top + 1;  // the part shrunk to top + 3 and bottom - 4
    const int bottom = arrow.bottom - 2;
    const int height = (std::min)(bottom - top, 14);
    const int middle = (top + bottom) / 2;
    POINT triangle[3] = {{arrow.left + 1, middle - height / 2},
                         {arrow.right - 4, middle},
                         {arrow.left + 1, middle - height / 2 + height}};
    HGDIOBJ oldBrush = SelectObject(dc, GetSysColorBrush(m_pointerOutside ? COLOR_BTNFACE : COLOR_BTNSHADOW));
    SelectObject(dc, GetStockObject(NULL_PEN));
    Polygon(dc, triangle, 3);
    SelectObject(dc, blackPen.get());
    Line(dc, triangle[0].x, triangle[0].y, triangle[2].x, triangle[2].y);
    Line(dc, triangle[0].x, triangle[0].y, triangle[1].x, triangle[1].y);
    SelectObject(dc, whitePen.get());
    Line(dc, triangle[2].x, triangle[2].y, triangle[1].x, triangle[1].y);
    SelectObject(dc, oldBrush);
    SelectObject(dc, oldPen);
    ReleaseDC(button, dc);
}

LRESULT CSplitButton::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const HWND button = GetCtrl();
    if (message == GetClearArrowMessage()) {
        m_arrowPressed = false;
        return 0;
    }
    switch (message) {
        case WM_PAINT: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            Paint();
            return result;
        }
        case BM_SETSTATE: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            InvalidateArrow();
            if (wParam) {
                m_arrowPressed = !m_pointerOutside;
            } else if (m_arrowPressed) {
                // Runs after the owner's BN_CLICKED, which the button sends after this.
                PostMessageW(button, GetClearArrowMessage(), 0, 0);
            }
            return result;
        }
        case WM_SETTEXT: {
            const LRESULT result = DefWindowProc(message, wParam, lParam);
            InvalidateArrow();
            return result;
        }
        case WM_MOUSEMOVE:
            TrackMouseLeaveOnce();
            FollowPointer(lParam);
            break;
        case WM_LBUTTONDOWN:
            // The press pushes the button: the part it is on decides, wherever the last
            // move was reported.
            FollowPointer(lParam);
            break;
        case WM_MOUSELEAVE:
            MouseLeaveArrived();
            if (!m_pointerOutside) {
                m_pointerOutside = true;
                InvalidateRect(button, nullptr, FALSE);
            }
            break;
        default:
            break;
    }
    return DefWindowProc(message, wParam, lParam);
}
