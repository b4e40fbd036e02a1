// The question a phrase's prompt macro asks before pasting: a small modal dialog that
// opens at the caret of the window the user types in, takes one line of text and is
// answered with OK or Cancel. Its template (pages/PromptDlg.rc) must be linked into the
// executable that shows it.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "platform/wtl/AtlDlg.h"

class CPromptDlg : public wtl::CDialogImplBase {
public:
    // text: the initial text of the edit field; target: the window that will receive the
    // paste; splitAnswer is the caller's own flag, kept for it and not used here.
    CPromptDlg(const CString& text, HWND target, bool splitAnswer);
    CPromptDlg(const CPromptDlg&) = delete;
    CPromptDlg& operator=(const CPromptDlg&) = delete;

    // Shows the dialog modally, owned by the desktop window. IDOK (1) or IDCANCEL (2);
    // -1 when it cannot be shown. resources: the module that holds the template (null:
    // the executable).
    INT_PTR DoModal(HINSTANCE resources = nullptr);

    // After OK the text of the edit field; otherwise the initial text.
    const CString& Get_Text() const noexcept { return m_text; }
    const CString& Get_Text2() const noexcept { return m_text2; }
    bool GetSplitAnswer() const noexcept { return m_splitAnswer; }
    HWND GetTarget() const noexcept { return m_target; }

    // "Vexlora", and " - [" + at most the first 100 characters of the title + "]" when the
    // target has one.
    static CString MakeCaption(HWND target);

    BEGIN_MSG_MAP(CPromptDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnOk)
    COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnOk(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnCancel(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

    void PlaceAtCaret();
    void ComeForward();

    HWND m_target;
    bool m_splitAnswer;
    CString m_text;
    CString m_text2;
};
