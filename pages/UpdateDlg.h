// The update dialog: the outcome of an update check shown as an HTML page, with the
// download links, the news and the automatic-check settings, which it writes back when it
// closes. One at a time; its template (pages/UpdateDlg.rc) must be linked into the
// executable that shows it.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "pages/HtmlHost.h"
#include "pages/UpdateDlgIds.h"
#include "pages/UpdateResult.h"
#include "platform/wtl/AtlDlg.h"

class CVXLSettings;

// What a click on a link of the page may start: only web and mail addresses go to the
// shell; "#name" jumps stay in the page; anything else (a program, a UNC path, a file
// address) is refused.
enum class PageLinkAction { kLeaveToPage, kOpen, kRefuse };
PageLinkAction ClassifyPageLink(const CString& href);

// The settings form's look follows its check box: the box green when ticked, red when
// not; the number box disabled and its label grey and struck through while unticked.
void ApplySettingsColours(IHtmlHost& page);
// Takes the form's values into the settings and saves them: the check box into
// "AutoCheckForUpdates", the number box (clamped) into "DaysCheckForUpdates". A page that
// did not load changes nothing. True when the settings were saved.
bool StoreCheckSettings(IHtmlHost& page, bool pageLoaded, CVXLSettings& settings);

class CUpdateDlg : public wtl::CDialogImplBase, private IHtmlHostEvents {
public:
    // The tray's entry: brings an open update dialog to the front and drops the result,
    // or shows the dialog for it modally (no owner) until it is closed. resources: the
    // module with the template (null: the executable).
    static void ShowResult(const UpdateCheckResult& result, HINSTANCE resources = nullptr);

    explicit CUpdateDlg(const UpdateCheckResult& result);
    CUpdateDlg(const CUpdateDlg&) = delete;
    CUpdateDlg& operator=(const CUpdateDlg&) = delete;

    BEGIN_MSG_MAP(CUpdateDlg)
    MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
    MESSAGE_HANDLER(WM_VXL_UPDATE_TO_FRONT, OnToFront)
    MESSAGE_HANDLER(WM_LBUTTONDOWN, OnLButtonDown)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    COMMAND_ID_HANDLER(IDCANCEL, OnClose)
    COMMAND_ID_HANDLER(IDC_UPDATE_VISIT, OnVisit)
    COMMAND_ID_HANDLER(IDC_UPDATE_SKIP, OnSkip)
    END_MSG_MAP()

private:
    LRESULT OnInitDialog(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnToFront(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnLButtonDown(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnDestroy(UINT message, WPARAM wParam, LPARAM lParam, BOOL& handled);
    LRESULT OnClose(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnVisit(WORD notifyCode, WORD id, HWND control, BOOL& handled);
    LRESULT OnSkip(WORD notifyCode, WORD id, HWND control, BOOL& handled);

    bool OnPageMouseDown(bool onControl) override;
    void OnPageMouseMove(UINT controlType, const CString& href) override;
    bool OnHyperlinkClick(const CString& href) override;
    void OnButtonStateChanged() override;
    bool OnLoadData(const CString& uri, UINT dataType, std::vector<BYTE>& data) override;

    void SetIcons(bool hasNew);
    void CentreOnDesktop();
    void CreatePage();
    void MoveByBody();

    const UpdateCheckResult& m_result;
    HTMLayoutHost m_page;
    bool m_pageLoaded = false;
};
