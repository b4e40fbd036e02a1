#include "pages/HtmlHost.h"

namespace {

CString HrefOf(HELEMENT he) {
    LPCWSTR href = nullptr;
    if (!he || HTMLayoutGetAttributeByName(he, "href", &href) != HLDOM_OK || !href) return CString();
    return CString(href);
}

BOOL CALLBACK TakeFirst(HELEMENT he, LPVOID param) {
    *static_cast<HELEMENT*>(param) = he;
    return TRUE;
}

// The control that an element is or lies in (the bold label inside a check box), with its
// type; CTL_NO and null when there is none.
UINT ControlAt(HELEMENT he, HELEMENT* control) {
    for (; he; HTMLayoutGetParentElement(he, &he)) {
        UINT type = CTL_NO;
        if (HTMLayoutControlGetType(he, &type) == HLDOM_OK && type != CTL_NO) {
            *control = he;
            return type;
        }
    }
    *control = nullptr;
    return CTL_NO;
}

}  // namespace

HWND HTMLayoutHost::Create(HWND parent, const RECT* rect, LPCWSTR windowName, DWORD style, DWORD exStyle,
                           HMENU idOrMenu, LPVOID createParam) {
    const RECT r = rect ? *rect : RECT{0, 0, 0, 0};
    m_hWnd = CreateWindowExW(exStyle, HTMLayoutClassNameW(), windowName, style, r.left, r.top, r.right - r.left,
                             r.bottom - r.top, parent, idOrMenu, GetModuleHandleW(nullptr), createParam);
    if (m_hWnd && m_events) {
        HTMLayoutWindowAttachEventHandler(m_hWnd, OnEvent, this, HANDLE_ALL);
        HTMLayoutSetCallback(m_hWnd, OnNotify, this);
    }
    return m_hWnd;
}

BOOL HTMLayoutHost::LoadHtml(const BYTE* html, UINT length, LPCWSTR baseUrl) {
    if (baseUrl) return HTMLayoutLoadHtmlEx(m_hWnd, html, length, baseUrl);
    return HTMLayoutLoadHtml(m_hWnd, html, length);
}

HELEMENT HTMLayoutHost::FindById(LPCWSTR id) const {
    HELEMENT root = nullptr;
    if (!id || HTMLayoutGetRootElement(m_hWnd, &root) != HLDOM_OK) return nullptr;
    HELEMENT found = nullptr;
    HTMLayoutVisitElements(root, nullptr, "id", id, TakeFirst, &found, 0);
    return found;
}

bool HTMLayoutHost::HasElement(LPCWSTR id) {
    return FindById(id) != nullptr;
}

bool HTMLayoutHost::GetElementState(LPCWSTR id, UINT& state) {
    HELEMENT he = FindById(id);
    return he && HTMLayoutGetElementState(he, &state) == HLDOM_OK;
}

bool HTMLayoutHost::SetElementState(LPCWSTR id, UINT bitsToSet, UINT bitsToClear) {
    HELEMENT he = FindById(id);
    return he && HTMLayoutSetElementState(he, bitsToSet, bitsToClear, TRUE) == HLDOM_OK;
}

bool HTMLayoutHost::SetElementStyle(LPCWSTR id, LPCSTR name, LPCWSTR value) {
    HELEMENT he = FindById(id);
    return he && HTMLayoutSetStyleAttribute(he, name, value) == HLDOM_OK;
}

bool HTMLayoutHost::GetElementInt(LPCWSTR id, int& value) {
    HELEMENT he = FindById(id);
    if (!he) return false;
    VALUE v;
    ValueInit(&v);
    INT number = 0;
    const bool ok = HTMLayoutControlGetValue(he, &v) == HLDOM_OK && ValueIntData(&v, &number) == HV_OK;
    ValueClear(&v);
    if (ok) value = number;
    return ok;
}

BOOL CALLBACK HTMLayoutHost::OnEvent(LPVOID tag, HELEMENT, UINT group, LPVOID params) {
    IHtmlHostEvents* events = static_cast<HTMLayoutHost*>(tag)->m_events;
    if (group == HANDLE_MOUSE) {
        const MOUSE_PARAMS* mouse = static_cast<const MOUSE_PARAMS*>(params);
        HELEMENT control = nullptr;
        const UINT type = ControlAt(mouse->target, &control);
        if (mouse->cmd == MOUSE_DOWN && (mouse->button_state & MAIN_MOUSE_BUTTON))
            return events->OnPageMouseDown(type != CTL_NO);
        if (mouse->cmd == MOUSE_MOVE)
            events->OnPageMouseMove(type, type == CTL_HYPERLINK ? HrefOf(control) : CString());
        return FALSE;
    }
    if (group == HANDLE_BEHAVIOR_EVENT) {
        const BEHAVIOR_EVENT_PARAMS* behavior = static_cast<const BEHAVIOR_EVENT_PARAMS*>(params);
        if (behavior->cmd == (HYPERLINK_CLICK | SINKING)) return events->OnHyperlinkClick(HrefOf(behavior->heTarget));
        if (behavior->cmd == BUTTON_STATE_CHANGED) events->OnButtonStateChanged();
    }
    return FALSE;
}

LRESULT CALLBACK HTMLayoutHost::OnNotify(UINT message, WPARAM, LPARAM lParam, LPVOID param) {
    HTMLayoutHost* host = static_cast<HTMLayoutHost*>(param);
    NMHL_LOAD_DATA* nm = reinterpret_cast<NMHL_LOAD_DATA*>(lParam);
    if (message != WM_NOTIFY || !nm || nm->hdr.code != HLN_LOAD_DATA) return LOAD_OK;
    host->m_answer.clear();
    if (host->m_events->OnLoadData(CString(nm->uri), nm->dataType, host->m_answer) && !host->m_answer.empty()) {
        nm->outData = host->m_answer.data();
        nm->outDataSize = static_cast<DWORD>(host->m_answer.size());
    }
    return LOAD_OK;
}
