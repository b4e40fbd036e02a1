// Stands in for the ATL/WTL dialog template (CDialogImpl of atlwin.h), which is not
// available to this build. Covers modal and modeless dialogs from a template resource
// whose messages go to the derived class's message map (the words of AtlWin.h), with the
// caller's parameter handed to WM_INITDIALOG. What the map leaves, or a handler that
// throws (logged), answers FALSE to the dialog manager.
#pragma once

#include <windows.h>

#include "platform/wtl/AtlWin.h"

namespace wtl {

class CDialogImplBase : public CWindow, public CMessageMap {
public:
    explicit CDialogImplBase(UINT templateId) : m_templateId(templateId) {}
    CDialogImplBase(const CDialogImplBase&) = delete;
    CDialogImplBase& operator=(const CDialogImplBase&) = delete;
    ~CDialogImplBase() override;

    // module: the module that holds the template; null: the application module's
    // resources, or the executable when the module object is not set up.
    INT_PTR DoModal(HWND parent = GetActiveWindow(), LPARAM initParam = 0, HINSTANCE module = nullptr);
    HWND Create(HWND parent, LPARAM initParam = 0, HINSTANCE module = nullptr);
    BOOL EndDialog(INT_PTR result);
    LPARAM GetInitParam() const { return m_initParam; }
    UINT GetTemplateId() const { return m_templateId; }

protected:
    virtual void OnFinalMessage(HWND) {}

private:
    void OnAttached(HWND window) noexcept override;
    void OnDetached(HWND window) noexcept override;

    UINT m_templateId;
    LPARAM m_initParam = 0;
    bool m_modal = false;
};

}  // namespace wtl
