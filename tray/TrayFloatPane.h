// The float pane as the tray window drives it, and the tray's side of the pane's tool-bar
// menu. The pane object is made when it is first shown, so that the tray window and its
// menu tip exist by then; its window comes and goes with the show modes.
#pragma once

#include <windows.h>

#include <memory>

#include "core/base/CString.h"
#include "history/pane/FloatPane.h"
#include "tray/AccelTable.h"
#include "tray/TrayServices.h"
#include "tray/WinEventHooks.h"

class CVXLTrayWnd;
class CVXLWndClipboardHandler;

// Show modes of ITrayFloatPane::Show.
enum EFloatPaneShowMode {
    kPaneShowToggle = 0,
    kPaneShowAndFit = 1,
    kPaneShowWithoutFit = 2,
    kPaneShowAtStart = 3,
    kPaneShowAllItems = 4,
};

class CTrayFloatPane final : public ITrayFloatPane, public IToolbarMenuHost {
public:
    // All must outlive this object; the hook service tells the pane where to paste.
    CTrayFloatPane(CVXLTrayWnd& tray, CVXLWndClipboardHandler& history, ITrayHookService& hook);
    ~CTrayFloatPane() override;
    CTrayFloatPane(const CTrayFloatPane&) = delete;
    CTrayFloatPane& operator=(const CTrayFloatPane&) = delete;

    HWND Window() override;
    void Blink(WPARAM how) override;
    void ReloadList() override;
    void Show(int mode) override;
    void BringForward() override;
    bool GetSelectedText(CString& text) override;
    bool GetFocusedItemText(int form, CString& text) override;
    LRESULT GetFocusedItemRecord() override;

    HWND GetMainWindow() override;
    CString GetCommandCaption(UINT id) override;
    CString GetPhraseHotKeyText() override;
    CToolbarMenuFacts GetMenuFacts() override;
    bool FillLanguageMenu(HMENU popup) override;
    UINT TrackMenu(HMENU menu, POINT screenPoint, HWND owner) override;
    bool TranslatePaneKey(const MSG& message, HWND pane) override;
    void AppendPaneShortcuts(HMENU menu) override;

private:
    // The system's desktop, with the hook service's previous window; where the hook knows
    // none, the last window of another program that came forward or took the focus.
    class CDesktop final : public CSystemPaneDesktop, public IWinEventSubscriber {
    public:
        explicit CDesktop(ITrayHookService& hook);
        ~CDesktop() override;
        CDesktop(const CDesktop&) = delete;
        CDesktop& operator=(const CDesktop&) = delete;
        HWND GetTargetWindowOther() override;
        LRESULT OnWinEvent(const WinEventRecord& record, DWORD userValue) override;

    private:
        ITrayHookService& m_hook;
        HWND m_lastOther = nullptr;
    };

    CVXLFloatPane& Pane();

    CDesktop m_desktop;
    CVXLTrayWnd& m_tray;
    CVXLWndClipboardHandler& m_history;
    std::unique_ptr<CVXLFloatPane> m_pane;
    CVXLAccelTable m_accelerators;
};
