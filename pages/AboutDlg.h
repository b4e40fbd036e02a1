// The About dialog of the tray menu, which is also the system report: the version, three
// links and a two-column list of everything a support request needs (pages/AboutReport.h).
// The report is built once per opening, just after the dialog shows. It can be copied as
// text, saved with the program's files as a zip archive, and the list scrolls to its
// sections from a context menu. Its template (pages/AboutDlg.rc) must be linked into the
// executable that shows it.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"
#include "pages/AboutDlgIds.h"
#include "pages/AboutReport.h"
#include "pages/CtrlSubclass.h"
#include "pages/SplitButton.h"
#include "platform/wtl/AtlDlg.h"

// The report's list view: the section rules are drawn over whole rows, so a horizontal
// scroll repaints the whole list instead of the uncovered strip only.
class CAboutListCtrl : public CCtrlSubclassBase {
public:
    static constexpr const wchar_t* kSubclassProperty = L"VXL_ABOUT_LIST";
    CAboutListCtrl() : CCtrlSubclassBase(kSubclassProperty, &KindProc<CAboutListCtrl>) {}
    ~CAboutListCtrl() override { UnsubclassCtrl(); }
    bool Attach(HWND list) { return SubclassCtrl(list); }

protected:
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
};

class CAboutDlg : public wtl::CDialogImplBase {
public:
    // The dialog's private message that opens the list's context menu at a screen point.
    static constexpr UINT kListMenuMessage = WM_APP + 1;
    static constexpr UINT_PTR kFillTimerId = 1000;
    static constexpr UINT kFillDelayMs = 300;

    // The tray's one way in: brings an open About dialog forward (0), or shows a new one
    // modally over the tray window and returns how it was closed (IDOK, IDCANCEL; -1
    // when it could not be shown). resources: the module with the template (null: the
    // executable).
    static INT_PTR Show(HWND tray, const AboutReportInputs& inputs, HINSTANCE resources = nullptr);

    CAboutDlg(HWND parent, const AboutReportInputs& inputs);
    ~CAboutDlg() override;
    CAboutDlg(const CAboutDlg&) = delete;
    CAboutDlg& operator=(const CAboutDlg&) = delete;

    // The report text of the list's rows as they stand.
    CString BuildReportText() const;

    BEGIN_MSG_MAP(CAboutDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    COMMAND_ID_HANDLER(IDOK, OnClose)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    COMMAND_ID_HANDLER(IDC_ABOUT_COPY, OnCopy)
    COMMAND_ID_HANDLER(IDC_ABOUT_CHECK_UPDATES, OnCheckForUpdates)
    COMMAND_RANGE_HANDLER(IDC_ABOUT_HOME_LINK, IDC_ABOUT_ENGINE_LINK, OnLink)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    NOTIFY_HANDLER(IDC_ABOUT_LIST, NM_CUSTOMDRAW, OnListCustomDraw)
    NOTIFY_HANDLER(IDC_ABOUT_LIST, LVN_ITEMCHANGING, OnListItemChanging)
    NOTIFY_HANDLER(IDC_ABOUT_LIST, LVN_GETINFOTIPW, OnListInfoTip)
    NOTIFY_HANDLER(IDC_ABOUT_LIST, LVN_BEGINDRAG, OnListBeginDrag)
    NOTIFY_HANDLER(IDC_ABOUT_LIST, NM_RCLICK, OnListRightClick)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(kListMenuMessage, OnListMenu)
    MESSAGE_HANDLER(WM_CTLCOLORSTATIC, OnCtlColorStatic)
    MESSAGE_HANDLER(WM_SETCURSOR, OnSetCursor)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnClose(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnCopy(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnCheckForUpdates(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnLink(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnListCustomDraw(int id, NMHDR* header, BOOL& handled);
    LRESULT OnListItemChanging(int id, NMHDR* header, BOOL& handled);
    LRESULT OnListInfoTip(int id, NMHDR* header, BOOL& handled);
    LRESULT OnListBeginDrag(int id, NMHDR* header, BOOL& handled);
    LRESULT OnListRightClick(int id, NMHDR* header, BOOL& handled);
    LRESULT OnTimer(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnListMenu(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnCtlColorStatic(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnSetCursor(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);

    void SetUpTexts();
    void SetUpList();
    void FillReport();
    void AppendListRow(const AboutRow& row);
    void FitColumns();
    void DrawSectionRow(const NMLVCUSTOMDRAW& draw) const;
    void ShowCopyMenu();
    void RunMenuChoice(UINT choice);
    void CopyReport();
    void SaveArchive();
    CString GetLinkUrl(WORD id) const;
    HWND GetList() const { return GetDlgItem(IDC_ABOUT_LIST); }

    HWND m_parent;
    AboutReportInputs m_inputs;
    IAboutProbes& m_probes;
    CAboutReport m_report;
    CAboutListCtrl m_list;
    CSplitButton m_copyButton;
    CFontHandle m_linkFont;
    HCURSOR m_handCursor;
};
