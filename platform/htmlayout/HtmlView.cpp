#include "platform/htmlayout/HtmlView.h"

#include <windowsx.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "platform/htmlayout/HtmlDocument.h"
#include "platform/htmlayout/HtmlPaint.h"

namespace hl {

namespace {

const wchar_t kClassName[] = L"VexloraHtmlPage";

class CHtmlView;

// The root of a shown tree knows its window, so that calls on elements reach it.
CHtmlView* ViewOf(const Element* e) {
    if (!e) return nullptr;
    while (e->Parent()) e = e->Parent();
    return static_cast<CHtmlView*>(e->host);
}

struct Handler {
    LPELEMENT_EVENT_PROC proc;
    LPVOID tag;
    UINT subscription;
};

class CHtmlView {
public:
    explicit CHtmlView(HWND window) : m_window(window) {}
    ~CHtmlView() { Unregister(); }

    static CHtmlView* From(HWND window) {
        if (!window || !IsWindow(window)) return nullptr;
        wchar_t name[64] = {};
        GetClassNameW(window, name, 64);
        if (lstrcmpiW(name, kClassName) != 0) return nullptr;
        return reinterpret_cast<CHtmlView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    }

    HWND Window() const { return m_window; }
    CHtmlDocument* Document() const { return m_document.get(); }

    BOOL Load(const BYTE* html, UINT size, const wchar_t* base) {
        Unregister();
        m_focused.reset();
        m_pressed.reset();
        m_scroll = 0;
        if (!html && size) return FALSE;
        m_document = std::make_unique<CHtmlDocument>(html, size, base ? base : L"");
        m_document->Root()->host = this;
        RequestResources();
        Changed();
        return TRUE;
    }

    BOOL DataReady(const wchar_t* uri, const BYTE* data, DWORD size) {
        if (!m_document || !uri) return FALSE;
        const BOOL used = m_document->Deliver(uri, data, size);
        if (used) Changed();
        return used;
    }

    void SetCallback(LPHTMLAYOUT_NOTIFY callback, LPVOID param) {
        m_callback = callback;
        m_callbackParam = param;
    }

    void Attach(LPELEMENT_EVENT_PROC proc, LPVOID tag, UINT subscription) {
        for (Handler& h : m_handlers) {
            if (h.proc == proc && h.tag == tag) {
                h.subscription = subscription;
                return;
            }
        }
        m_handlers.push_back({proc, tag, subscription});
    }

    // Styles of some element changed.
    void Changed() {
        if (m_document) m_document->Invalidate();
        InvalidateRect(m_window, nullptr, FALSE);
    }
    // Only the look of a control changed.
    void Repaint() { InvalidateRect(m_window, nullptr, FALSE); }

    const LayoutResult* EnsureLayout() {
        if (!m_document) return nullptr;
        if (m_inLayout) return &m_document->LastLayout();
        m_inLayout = true;
        RECT client;
        GetClientRect(m_window, &client);
        const LayoutResult* result = &m_document->Layout(m_measure, client.right, client.bottom);
        // Showing or hiding the scroll bar changes the width: lay out once more then.
        const bool needBar = result->height > client.bottom;
        if (needBar != m_barShown) {
            m_barShown = needBar;
            ShowScrollBar(m_window, SB_VERT, needBar);
            GetClientRect(m_window, &client);
            result = &m_document->Layout(m_measure, client.right, client.bottom);
        }
        m_contentHeight = result->height;
        SetScroll(m_scroll, client.bottom);
        m_inLayout = false;
        return result;
    }

    int ScrollPosition() const { return m_scroll; }

    bool ScrollTo(Element* e) {
        if (!EnsureLayout() || !e->box.placed) return false;
        RECT client;
        GetClientRect(m_window, &client);
        SetScroll(e->box.border.top, client.bottom);
        return true;
    }

    LRESULT OnPaint() {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_window, &ps);
        PaintTo(dc);
        EndPaint(m_window, &ps);
        return 0;
    }

    // The client area, through a bitmap so that nothing flickers.
    void PaintTo(HDC dc) {
        const LayoutResult* layout = EnsureLayout();
        RECT client;
        GetClientRect(m_window, &client);
        const int width = std::max<LONG>(1, client.right), height = std::max<LONG>(1, client.bottom);
        CMemoryDC memory(CreateCompatibleDC(dc));
        CBitmapHandle bitmap(CreateCompatibleBitmap(dc, width, height));
        if (!memory || !bitmap) return;
        CSelectObject select(memory.get(), bitmap.get());
        if (layout) {
            SetViewportOrgEx(memory.get(), 0, -m_scroll, nullptr);
            const RECT visible = {0, m_scroll, width, m_scroll + height};
            PaintState state;
            state.focused = m_focused.get();
            PaintDocument(memory.get(), m_document->Root(), *layout, m_measure, visible, state);
            SetViewportOrgEx(memory.get(), 0, 0, nullptr);
        } else {
            SetBkColor(memory.get(), GetSysColor(COLOR_WINDOW));
            ExtTextOutW(memory.get(), 0, 0, ETO_OPAQUE, &client, nullptr, 0, nullptr);
        }
        BitBlt(dc, 0, 0, width, height, memory.get(), 0, 0, SRCCOPY);
    }

    LRESULT OnVScroll(WPARAM wParam) {
        RECT client;
        GetClientRect(m_window, &client);
        const int page = client.bottom;
        int pos = m_scroll;
        switch (LOWORD(wParam)) {
            case SB_LINEUP:
                pos -= 20;
                break;
            case SB_LINEDOWN:
                pos += 20;
                break;
            case SB_PAGEUP:
                pos -= page;
                break;
            case SB_PAGEDOWN:
                pos += page;
                break;
            case SB_TOP:
                pos = 0;
                break;
            case SB_BOTTOM:
                pos = m_contentHeight;
                break;
            case SB_THUMBTRACK:
            case SB_THUMBPOSITION: {
                SCROLLINFO si = {};
                si.cbSize = sizeof si;
                si.fMask = SIF_TRACKPOS;
                GetScrollInfo(m_window, SB_VERT, &si);
                pos = si.nTrackPos;
                break;
            }
            default:
                return 0;
        }
        SetScroll(pos, page);
        return 0;
    }

    LRESULT OnMouseWheel(WPARAM wParam) {
        RECT client;
        GetClientRect(m_window, &client);
        SetScroll(m_scroll - GET_WHEEL_DELTA_WPARAM(wParam) * 60 / WHEEL_DELTA, client.bottom);
        return 0;
    }

    LRESULT OnMouse(UINT message, WPARAM wParam, LPARAM lParam) {
        const LayoutResult* layout = EnsureLayout();
        if (!layout) return 0;
        const POINT client = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
        const POINT doc = {client.x, client.y + m_scroll};
        Element* target = HitTest(m_document->Root(), *layout, doc);
        MOUSE_PARAMS params = {};
        params.target = target;
        params.pos_document = doc;
        params.pos = target ? POINT{doc.x - target->box.border.left, doc.y - target->box.border.top} : doc;
        params.button_state = (wParam & MK_LBUTTON ? MAIN_MOUSE_BUTTON : 0) |
                              (wParam & MK_RBUTTON ? PROP_MOUSE_BUTTON : 0) |
                              (wParam & MK_MBUTTON ? MIDDLE_MOUSE_BUTTON : 0);
        params.alt_state = static_cast<UINT>(wParam & (MK_CONTROL | MK_SHIFT));
        Element* control = ControlOf(target);
        switch (message) {
            case WM_LBUTTONDOWN: {
                params.cmd = MOUSE_DOWN;
                params.button_state = MAIN_MOUSE_BUTTON;
                SetFocus(m_window);
                // The element may go away inside a handler (a page reloaded): hold it.
                CElementRef hold(Hold(control));
                if (Dispatch(HANDLE_MOUSE, &params)) return 0;
                if (!IsWindow(m_window) || !m_document) return 0;
                SetCapture(m_window);
                m_pressed = CElementRef(Hold(control));
                if (control && IsNumberInput(control))
                    NumberPressed(control, doc);
                else
                    Unfocus();
                return 0;
            }
            case WM_LBUTTONUP: {
                params.cmd = MOUSE_UP;
                params.button_state = MAIN_MOUSE_BUTTON;
                if (GetCapture() == m_window) ReleaseCapture();
                CElementRef pressed(std::move(m_pressed));
                CElementRef hold(Hold(control));
                if (Dispatch(HANDLE_MOUSE, &params)) return 0;
                if (control && control == pressed.get()) Click(control);
                return 0;
            }
            case WM_LBUTTONDBLCLK:
                params.cmd = MOUSE_DCLICK;
                Dispatch(HANDLE_MOUSE, &params);
                return 0;
            default:
                params.cmd = MOUSE_MOVE;
                Dispatch(HANDLE_MOUSE, &params);
                return 0;
        }
    }

    LRESULT OnSetCursor(WPARAM wParam, LPARAM lParam) {
        if (LOWORD(lParam) != HTCLIENT || reinterpret_cast<HWND>(wParam) != m_window) return FALSE;
        const LayoutResult* layout = EnsureLayout();
        POINT pt;
        GetCursorPos(&pt);
        ScreenToClient(m_window, &pt);
        pt.y += m_scroll;
        Element* control = layout ? ControlOf(HitTest(m_document->Root(), *layout, pt)) : nullptr;
        const UINT type = ControlType(control);
        LPCWSTR cursor = type == CTL_HYPERLINK ? IDC_HAND : type == CTL_NUMERIC ? IDC_IBEAM : IDC_ARROW;
        SetCursor(LoadCursorW(nullptr, cursor));
        return TRUE;
    }

    LRESULT OnKeyDown(WPARAM key) {
        Element* focused = m_focused.get();
        if (focused && !(focused->State() & STATE_DISABLED)) {
            if (key == VK_UP || key == VK_DOWN) {
                Step(focused, key == VK_UP ? 1 : -1);
                return 0;
            }
            if (key == VK_RETURN || key == VK_ESCAPE) {
                Unfocus();
                return 0;
            }
        }
        RECT client;
        GetClientRect(m_window, &client);
        switch (key) {
            case VK_UP:
                SetScroll(m_scroll - 20, client.bottom);
                break;
            case VK_DOWN:
                SetScroll(m_scroll + 20, client.bottom);
                break;
            case VK_PRIOR:
                SetScroll(m_scroll - client.bottom, client.bottom);
                break;
            case VK_NEXT:
                SetScroll(m_scroll + client.bottom, client.bottom);
                break;
            case VK_HOME:
                SetScroll(0, client.bottom);
                break;
            case VK_END:
                SetScroll(m_contentHeight, client.bottom);
                break;
            default:
                break;
        }
        return 0;
    }

    LRESULT OnChar(WPARAM ch) {
        Element* e = m_focused.get();
        if (!e || (e->State() & STATE_DISABLED)) return 0;
        if (ch == VK_BACK) {
            if (!e->editText.empty()) e->editText.pop_back();
        } else if ((ch >= L'0' && ch <= L'9') || (ch == L'-' && e->editText.empty())) {
            if (e->editText.size() < 9) e->editText += static_cast<wchar_t>(ch);
        } else {
            return 0;
        }
        Repaint();
        return 0;
    }

    void Unfocus() {
        Element* e = m_focused.get();
        if (!e) return;
        if (e->editing) {
            const int value = NumberValue(e);
            e->editing = false;
            e->editText.clear();
            e->SetAttribute(L"value", std::to_wstring(value));
        }
        e->SetState(0, STATE_FOCUS);
        m_focused.reset();
        Repaint();
    }

    // True when the view can go now; else it goes when the message in hand returns.
    bool Destroyed() {
        Unregister();
        m_document.reset();
        m_focused.reset();
        m_pressed.reset();
        m_dead = true;
        return m_depth == 0;
    }
    void Enter() { ++m_depth; }
    bool Leave() { return --m_depth == 0 && m_dead; }

private:
    static Element* Hold(Element* e) {
        if (e) e->AddRef();
        return e;
    }

    void Unregister() {
        if (m_document) m_document->Root()->host = nullptr;
    }

    void SetScroll(int pos, int page) {
        const int limit = std::max(0, m_contentHeight - page);
        pos = std::max(0, std::min(pos, limit));
        const int delta = m_scroll - pos;
        m_scroll = pos;
        SCROLLINFO si = {sizeof si,
                         SIF_RANGE | SIF_PAGE | SIF_POS,
                         0,
                         std::max(0, m_contentHeight - 1),
                         static_cast<UINT>(std::max(0, page)),
                         pos,
                         0};
        SetScrollInfo(m_window, SB_VERT, &si, TRUE);
        if (delta) InvalidateRect(m_window, nullptr, FALSE);
    }

    bool Dispatch(UINT group, LPVOID params) {
        if (!m_document) return false;
        CElementRef root(Hold(m_document->Root()));
        // A handler may detach itself or others while it runs.
        const std::vector<Handler> handlers = m_handlers;
        for (const Handler& h : handlers)
            if ((h.subscription & group) && h.proc(h.tag, root.get(), group, params)) return true;
        return false;
    }

    bool Behavior(UINT cmd, Element* target) {
        BEHAVIOR_EVENT_PARAMS params = {};
        params.cmd = cmd | SINKING;
        params.heTarget = target;
        params.he = target;
        if (Dispatch(HANDLE_BEHAVIOR_EVENT, &params)) return true;
        params.cmd = cmd;
        return Dispatch(HANDLE_BEHAVIOR_EVENT, &params);
    }

    void Click(Element* control) {
        const UINT type = ControlType(control);
        if (control->State() & STATE_DISABLED) return;
        if (type == CTL_CHECKBOX) {
            const bool checked = (control->State() & STATE_CHECKED) != 0;
            control->SetState(checked ? 0 : STATE_CHECKED, checked ? STATE_CHECKED : 0);
            Repaint();
            Behavior(BUTTON_STATE_CHANGED, control);
        } else if (type == CTL_HYPERLINK) {
            if (Behavior(HYPERLINK_CLICK, control)) return;
            const std::wstring href = control->AttributeOr(L"href");
            if (href.size() > 1 && href[0] == L'#' && m_document) {
                Element* anchor = FindAnchor(m_document->Root(), href.substr(1));
                if (anchor) ScrollTo(anchor);
            }
        }
    }

    void NumberPressed(Element* e, POINT doc) {
        if (e->State() & STATE_DISABLED) return;
        if (m_focused.get() != e) {
            Unfocus();
            m_focused = CElementRef(Hold(e));
            e->SetState(STATE_FOCUS, 0);
            e->editText = std::to_wstring(NumberValue(e));
            e->editing = true;
        }
        const RECT& r = e->box.border;
        if (doc.x >= r.right - kSpinWidth) Step(e, doc.y < (r.top + r.bottom) / 2 ? 1 : -1);
        Repaint();
    }

    void Step(Element* e, int direction) {
        if (e->State() & STATE_DISABLED) return;
        const int step = std::max(1, _wtoi(e->AttributeOr(L"step", L"1").c_str()));
        int low, high;
        NumberBounds(e, low, high);
        const long long next = static_cast<long long>(NumberValue(e)) + static_cast<long long>(direction) * step;
        const int value = static_cast<int>(std::min<long long>(high, std::max<long long>(low, next)));
        e->SetAttribute(L"value", std::to_wstring(value));
        if (e->editing) e->editText = std::to_wstring(value);
        Repaint();
    }

    LRESULT Notify(NMHL_LOAD_DATA& nm) {
        nm.hdr.hwndFrom = m_window;
        nm.hdr.idFrom = static_cast<UINT_PTR>(GetDlgCtrlID(m_window));
        nm.hdr.code = HLN_LOAD_DATA;
        if (m_callback) return m_callback(WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm), m_callbackParam);
        HWND parent = GetParent(m_window);
        if (!parent) return LOAD_OK;
        return SendMessageW(parent, WM_NOTIFY, nm.hdr.idFrom, reinterpret_cast<LPARAM>(&nm));
    }

    // Every resource is asked for once; what the page does not answer is read from a local
    // file if it is one. Nothing waits: a sheet or picture that comes later is taken then.
    void RequestResources() {
        std::vector<std::pair<std::wstring, UINT>> asked;
        CHtmlDocument* document = m_document.get();
        for (size_t i = 0; i < document->Requests().size(); ++i) {
            const ResourceRequest request = document->Requests()[i];
            if (request.arrived) continue;
            const bool repeated = std::any_of(asked.begin(), asked.end(), [&](const auto& a) {
                return a.second == request.type && EqualsNoCase(a.first, request.uri);
            });
            if (repeated) continue;
            asked.push_back({request.uri, request.type});
            NMHL_LOAD_DATA nm = {};
            nm.uri = request.uri.c_str();
            nm.dataType = request.type;
            nm.principal = document->Root();
            nm.initiator = request.initiator;
            const LRESULT answer = Notify(nm);
            // The page may have loaded another document from inside the notification.
            if (m_document.get() != document) return;
            if (answer == LOAD_DISCARD) continue;
            if (document->Requests()[i].arrived) continue;
            if (nm.outData && nm.outDataSize) {
                document->Deliver(request.uri, static_cast<const BYTE*>(nm.outData), nm.outDataSize);
                continue;
            }
            std::vector<BYTE> bytes;
            if (ReadLocalFile(request.uri, bytes)) document->Deliver(request.uri, bytes.data(), bytes.size());
        }
    }

    HWND m_window;
    std::unique_ptr<CHtmlDocument> m_document;
    CGdiMeasure m_measure;
    std::vector<Handler> m_handlers;
    LPHTMLAYOUT_NOTIFY m_callback = nullptr;
    LPVOID m_callbackParam = nullptr;
    CElementRef m_focused;
    CElementRef m_pressed;
    int m_scroll = 0;
    int m_contentHeight = 0;
    bool m_barShown = false;
    bool m_inLayout = false;
    int m_depth = 0;  // messages being handled
    bool m_dead = false;
};

LRESULT HandleMessage(CHtmlView* view, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT:
            return view->OnPaint();
        case WM_PRINTCLIENT:
            view->PaintTo(reinterpret_cast<HDC>(wParam));
            return 0;
        case WM_ERASEBKGND:
            return 1;
        case WM_SIZE:
            view->Repaint();
            return 0;
        case WM_VSCROLL:
            return view->OnVScroll(wParam);
        case WM_MOUSEWHEEL:
            return view->OnMouseWheel(wParam);
        case WM_LBUTTONDOWN:
        case WM_LBUTTONUP:
        case WM_LBUTTONDBLCLK:
        case WM_MOUSEMOVE:
            return view->OnMouse(message, wParam, lParam);
        case WM_SETCURSOR:
            if (view->OnSetCursor(wParam, lParam)) return TRUE;
            break;
        case WM_KEYDOWN:
            return view->OnKeyDown(wParam);
        case WM_CHAR:
            return view->OnChar(wParam);
        case WM_KILLFOCUS:
            view->Unfocus();
            return 0;
        case WM_GETDLGCODE:
            return DLGC_WANTARROWS | DLGC_WANTCHARS;
        default:
            break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK PageProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(new CHtmlView(window)));
        return DefWindowProcW(window, message, wParam, lParam);
    }
    CHtmlView* view = reinterpret_cast<CHtmlView*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        // A page's handler may destroy the window from inside an event: the view then
        // goes when that message returns.
        if (view && view->Destroyed()) delete view;
        return DefWindowProcW(window, message, wParam, lParam);
    }
    if (!view) return DefWindowProcW(window, message, wParam, lParam);
    LRESULT result = 0;
    view->Enter();
    // No exception may cross into the system's message dispatch.
    try {
        result = HandleMessage(view, window, message, wParam, lParam);
    } catch (...) {
        LogWriteFormat(L"HTMLayout: message 0x%04X failed", message);
    }
    if (view->Leave()) delete view;
    return result;
}

Element* E(HELEMENT he) {
    return static_cast<Element*>(he);
}

std::wstring Wide(LPCSTR name) {
    std::wstring out;
    for (; name && *name; ++name) out += static_cast<wchar_t>(static_cast<unsigned char>(*name));
    return ToLower(out);
}

void ElementChanged(Element* e) {
    if (CHtmlView* view = ViewOf(e)) view->Changed();
}

}  // namespace

bool GetElementClientRect(HELEMENT he, RECT* rect) {
    Element* e = E(he);
    CHtmlView* view = ViewOf(e);
    if (!view || !rect || !view->EnsureLayout() || !e->box.placed) return false;
    *rect = e->box.border;
    OffsetRect(rect, 0, -view->ScrollPosition());
    return true;
}

int GetScrollPosition(HWND page) {
    CHtmlView* view = CHtmlView::From(page);
    return view ? view->ScrollPosition() : 0;
}

}  // namespace hl

using hl::CHtmlView;
using hl::E;
using hl::Element;

LPCWSTR WINAPI HTMLayoutClassNameW(void) {
    static const bool registered = [] {
        WNDCLASSEXW wc = {};
        wc.cbSize = sizeof wc;
        wc.style = CS_DBLCLKS | CS_GLOBALCLASS;
        wc.lpfnWndProc = hl::PageProc;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        wc.lpszClassName = hl::kClassName;
        return RegisterClassExW(&wc) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
    }();
    (void)registered;
    return hl::kClassName;
}

BOOL WINAPI HTMLayoutLoadHtml(HWND hWnd, LPCBYTE html, UINT htmlSize) {
    return HTMLayoutLoadHtmlEx(hWnd, html, htmlSize, nullptr);
}

BOOL WINAPI HTMLayoutLoadHtmlEx(HWND hWnd, LPCBYTE html, UINT htmlSize, LPCWSTR baseUrl) {
    CHtmlView* view = CHtmlView::From(hWnd);
    return view ? view->Load(html, htmlSize, baseUrl) : FALSE;
}

BOOL WINAPI HTMLayoutDataReady(HWND hWnd, LPCWSTR uri, LPCBYTE data, DWORD dataSize) {
    CHtmlView* view = CHtmlView::From(hWnd);
    return view ? view->DataReady(uri, data, dataSize) : FALSE;
}

void WINAPI HTMLayoutSetCallback(HWND hWnd, LPHTMLAYOUT_NOTIFY callback, LPVOID callbackParam) {
    if (CHtmlView* view = CHtmlView::From(hWnd)) view->SetCallback(callback, callbackParam);
}

HLDOM_RESULT WINAPI HTMLayoutWindowAttachEventHandler(HWND hWnd, LPELEMENT_EVENT_PROC proc, LPVOID tag,
                                                      UINT subscription) {
    CHtmlView* view = CHtmlView::From(hWnd);
    if (!view) return HLDOM_INVALID_HWND;
    if (!proc) return HLDOM_INVALID_PARAMETER;
    view->Attach(proc, tag, subscription);
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutGetRootElement(HWND hWnd, HELEMENT* phe) {
    CHtmlView* view = CHtmlView::From(hWnd);
    if (!view) return HLDOM_INVALID_HWND;
    if (!phe) return HLDOM_INVALID_PARAMETER;
    *phe = view->Document() ? view->Document()->Root() : nullptr;
    return *phe ? HLDOM_OK : HLDOM_OPERATION_FAILED;
}

HLDOM_RESULT WINAPI HTMLayoutGetParentElement(HELEMENT he, HELEMENT* parent) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!parent) return HLDOM_INVALID_PARAMETER;
    *parent = E(he)->Parent();
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayout_UseElement(HELEMENT he) {
    if (!he) return HLDOM_INVALID_HANDLE;
    E(he)->AddRef();
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayout_UnuseElement(HELEMENT he) {
    if (!he) return HLDOM_INVALID_HANDLE;
    E(he)->Release();
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutVisitElements(HELEMENT he, LPCSTR tagName, LPCSTR attributeName, LPCWSTR attributeValue,
                                           HTMLayoutElementCallback callback, LPVOID param, DWORD depth) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!callback) return HLDOM_INVALID_PARAMETER;
    const std::wstring tag = tagName ? hl::Wide(tagName) : std::wstring();
    const std::wstring attribute = attributeName ? hl::Wide(attributeName) : std::wstring();
    // The callback may release what it visits: the walk holds the start.
    hl::CElementRef hold((E(he)->AddRef(), E(he)));
    std::vector<std::pair<Element*, DWORD>> pending;
    for (auto it = E(he)->Children().rbegin(); it != E(he)->Children().rend(); ++it) pending.push_back({*it, 1});
    while (!pending.empty()) {
        Element* e = pending.back().first;
        const DWORD level = pending.back().second;
        pending.pop_back();
        if (e->IsText()) continue;
        bool match = tag.empty() || tag == L"*" || e->Tag() == tag;
        if (match && !attribute.empty()) {
            const std::wstring* value = e->FindAttribute(attribute);
            match = value && (!attributeValue || *value == attributeValue);
        }
        if (match && callback(e, param)) break;
        if (depth == 0 || level < depth)
            for (auto it = e->Children().rbegin(); it != e->Children().rend(); ++it)
                pending.push_back({*it, level + 1});
    }
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutGetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR* value) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!name || !value) return HLDOM_INVALID_PARAMETER;
    const std::wstring* found = E(he)->FindAttribute(hl::Wide(name));
    *value = found ? found->c_str() : nullptr;
    return found ? HLDOM_OK : HLDOM_OK_NOT_HANDLED;
}

HLDOM_RESULT WINAPI HTMLayoutSetAttributeByName(HELEMENT he, LPCSTR name, LPCWSTR value) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!name || !*name) return HLDOM_INVALID_PARAMETER;
    const std::wstring key = hl::Wide(name);
    if (value)
        E(he)->SetAttribute(key, value);
    else
        E(he)->RemoveAttribute(key);
    if (key == L"checked") E(he)->SetState(value ? STATE_CHECKED : 0, value ? 0 : STATE_CHECKED);
    if (key == L"disabled") E(he)->SetState(value ? STATE_DISABLED : 0, value ? 0 : STATE_DISABLED);
    hl::ElementChanged(E(he));
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutSetStyleAttribute(HELEMENT he, LPCSTR name, LPCWSTR value) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!name || !*name) {
        E(he)->ClearRuntimeStyle();
    } else if (!value) {
        E(he)->RemoveRuntimeStyle(hl::Wide(name));
    } else {
        E(he)->SetRuntimeStyle(hl::Wide(name), value);
    }
    hl::ElementChanged(E(he));
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutGetElementState(HELEMENT he, UINT* state) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!state) return HLDOM_INVALID_PARAMETER;
    *state = E(he)->State();
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutSetElementState(HELEMENT he, UINT bitsToSet, UINT bitsToClear, BOOL update) {
    if (!he) return HLDOM_INVALID_HANDLE;
    E(he)->SetState(bitsToSet, bitsToClear);
    CHtmlView* view = hl::ViewOf(E(he));
    if (view && (bitsToSet & STATE_DISABLED) && view->Document()) view->Unfocus();
    if (view && update) view->Repaint();
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutControlGetType(HELEMENT he, UINT* type) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!type) return HLDOM_INVALID_PARAMETER;
    *type = hl::ControlType(E(he));
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutControlGetValue(HELEMENT he, VALUE* value) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!value) return HLDOM_INVALID_PARAMETER;
    ValueClear(value);
    switch (hl::ControlType(E(he))) {
        case CTL_NUMERIC:
            ValueIntDataSet(value, hl::NumberValue(E(he)), T_INT, 0);
            break;
        case CTL_CHECKBOX:
            ValueIntDataSet(value, (E(he)->State() & STATE_CHECKED) ? 1 : 0, T_BOOL, 0);
            break;
        default: {
            const std::wstring text = hl::InnerText(E(he));
            ValueStringDataSet(value, text.c_str(), static_cast<UINT>(text.size()), 0);
            break;
        }
    }
    return HLDOM_OK;
}

HLDOM_RESULT WINAPI HTMLayoutControlSetValue(HELEMENT he, const VALUE* value) {
    if (!he) return HLDOM_INVALID_HANDLE;
    if (!value) return HLDOM_INVALID_PARAMETER;
    INT number = 0;
    switch (hl::ControlType(E(he))) {
        case CTL_NUMERIC:
            if (ValueIntData(value, &number) != HV_OK) return HLDOM_INVALID_PARAMETER;
            E(he)->SetAttribute(L"value", std::to_wstring(number));
            E(he)->editing = false;
            break;
        case CTL_CHECKBOX:
            if (ValueIntData(value, &number) != HV_OK) return HLDOM_INVALID_PARAMETER;
            E(he)->SetState(number ? STATE_CHECKED : 0, number ? 0 : STATE_CHECKED);
            break;
        default:
            return HLDOM_OPERATION_FAILED;
    }
    hl::ElementChanged(E(he));
    return HLDOM_OK;
}
