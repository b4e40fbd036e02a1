#include "platform/wtl/AtlDlg.h"

#include "platform/wtl/AtlApp.h"

namespace wtl {

namespace {

HINSTANCE TemplateModule(HINSTANCE module) {
    if (!module) module = Module().GetResourceInstance();
    if (!module) module = GetModuleHandleW(nullptr);
    return module;
}

}  // namespace

CDialogImplBase::~CDialogImplBase() {
    if (!m_hWnd || !::IsWindow(m_hWnd)) return;
    HWND window = m_hWnd;
    wincore::DetachObject(window);
    m_hWnd = nullptr;
    if (!m_modal) ::DestroyWindow(window);
}

INT_PTR CDialogImplBase::DoModal(HWND parent, LPARAM initParam, HINSTANCE module) {
    if (m_hWnd) return -1;
    m_initParam = initParam;
    m_modal = true;
    wincore::CDialogStart start = {this, initParam};
    return DialogBoxParamW(TemplateModule(module), MAKEINTRESOURCEW(m_templateId), parent, &wincore::DialogProc,
                           reinterpret_cast<LPARAM>(&start));
}

HWND CDialogImplBase::Create(HWND parent, LPARAM initParam, HINSTANCE module) {
    if (m_hWnd) return nullptr;
    m_initParam = initParam;
    m_modal = false;
    // WM_INITDIALOG comes before CreateDialogParam returns, while `start` still lives.
    wincore::CDialogStart start = {this, initParam};
    return CreateDialogParamW(TemplateModule(module), MAKEINTRESOURCEW(m_templateId), parent, &wincore::DialogProc,
                              reinterpret_cast<LPARAM>(&start));
}

BOOL CDialogImplBase::EndDialog(INT_PTR result) {
    if (!m_hWnd) return FALSE;
    return m_modal ? ::EndDialog(m_hWnd, result) : ::DestroyWindow(m_hWnd);
}

void CDialogImplBase::OnAttached(HWND window) noexcept {
    m_hWnd = window;
}

void CDialogImplBase::OnDetached(HWND window) noexcept {
    m_hWnd = nullptr;
    OnFinalMessage(window);
}

}  // namespace wtl
