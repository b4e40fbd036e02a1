// The system's message box, reshaped from the outside while it is shown: it may count
// down in its caption and then answer with a default button, stops counting (with a
// beep and a blinking icon) as soon as the user touches it, and may carry check boxes
// below its text. Two hooks of the calling thread (WH_CBT, WH_MSGFILTER) find the box
// and a subclass of the box window does the rest. One box at a time per thread: a box
// asked for while one is shown on the thread answers 0 without showing anything.
#pragma once

#include <windows.h>

#include <map>
#include <set>
#include <vector>

#include "core/MessageBoxTimeout.h"
#include "core/base/CString.h"

const UINT_PTR kCountDownTimerId = 8696;
// Control id of the first check box below the text; the next ones follow in order.
const int kFirstExtraControlId = 0x5F00;
// Texts shorter than this are shown in bold.
const int kBoldTextLimit = 61;

// The icon shown in place of the system's, asked for with the caller's argument.
using CMsgBoxIconProvider = HICON (*)(DWORD argument);
// New button texts by control id (IDOK, IDCANCEL ...).
using CMsgBoxButtonRenames = std::map<int, CString>;

struct CTimeoutMsgBoxOptions {
    DWORD timeoutMs = 0;
    // The answer when the count-down ends untouched; 0: no count-down.
    int defaultResult = 0;
    bool stopOnActivity = false;
};

// MessageBoxTimeoutW_Dyn with language 0, its time-out answer replaced by the default.
int MessageBoxTimeout_Default(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, DWORD timeoutMs,
                              int defaultResult);

// A count-down box without extra controls: the pressed button, or the default result
// when the count-down ended.
int TimeoutMessageBox(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type,
                      const CTimeoutMsgBoxOptions& options);
// The same, counting down until touched.
int TimeoutMessageBox_AutoClose(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type, DWORD timeoutMs,
                                int defaultResult);

// The beep of a stopped count-down (MessageBeep(-1)); null puts the system's back.
using CMsgBoxBeep = void (*)();
void SetMsgBoxBeepForTest(CMsgBoxBeep beep);

class CTimeoutMsgBox {
public:
    CTimeoutMsgBox() = default;
    ~CTimeoutMsgBox();
    CTimeoutMsgBox(const CTimeoutMsgBox&) = delete;
    CTimeoutMsgBox& operator=(const CTimeoutMsgBox&) = delete;

    // One check box: checked at the start when *checked is set, disabled when asked; on
    // return *checked tells whether it was checked when the box closed. x, y: the box's
    // top-left corner (kept on the screen), -1 and -1 for the system's place.
    static int Show_With_Buttons(HWND owner, UINT type, const wchar_t* text, const wchar_t* caption,
                                 const wchar_t* checkText, BOOL* checked, bool disabled, int x = -1, int y = -1,
                                 CMsgBoxIconProvider iconProvider = nullptr, DWORD providerArgument = 0,
                                 const CMsgBoxButtonRenames* renames = nullptr);

    // The general form: one check box per line of extraTexts ("\n" between them). checked
    // holds the indexes checked at the start and, on return, those checked at the end.
    int Show(HWND owner, UINT type, const wchar_t* text, const wchar_t* caption, const wchar_t* extraTexts,
             std::set<int>& checked, const std::set<int>& disabled, int x, int y, CMsgBoxIconProvider iconProvider,
             DWORD providerArgument, const CMsgBoxButtonRenames* renames = nullptr);

    void SetStopOnActivity(bool stop) { m_stopOnActivity = stop; }

    // "[" seconds "]", "Stopped " before it once stopped, then " - " and the caption.
    static CString MakeCountDownCaption(int seconds, bool stopped, const CString& caption);

private:
    friend struct CMsgBoxHooks;

    void Attach(HWND box);
    void Detach();
    LRESULT OnMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void OnActivate();
    void LayOut();
    void CentreButtons();
    void StopCountDown();
    void UpdateCaption();
    bool IsTimed() const;
    bool IsExtraControl(HWND window) const;
    HWND LastStandardButton() const;

    UINT m_type = 0;
    int m_seconds = 0;
    CString m_caption;
    bool m_stopped = false;
    bool m_initialised = false;
    bool m_activatedEarly = false;
    bool m_stopOnActivity = false;
    WNDPROC m_previous = nullptr;
    HFONT m_boldFont = nullptr;
    HWND m_box = nullptr;
    std::vector<CString> m_texts;
    std::vector<HWND> m_extraControls;
    std::set<int> m_checked;
    std::set<int> m_disabled;
    int m_x = -1;
    int m_y = -1;
    CMsgBoxIconProvider m_iconProvider = nullptr;
    DWORD m_providerArgument = 0;
    CMsgBoxButtonRenames m_renames;
};
