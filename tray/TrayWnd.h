// The hidden window of the resident main program: the target of every request from
// other instances and worker threads, and the owner of the message loop's life.
#pragma once

#include <memory>
#include <vector>

#include "core/CommandLine.h"
#include "core/DesktopWatch.h"
#include "core/TrayIds.h"
#include "history/pane/AltTabWindow.h"
#include "pages/AboutReport.h"
#include "phrases/CommandTree.h"
#include "platform/wtl/AtlApp.h"
#include "platform/wtl/AtlWin.h"
#include "tray/MenuToolTipVXLClient.h"
#include "tray/TrayIcon.h"
#include "tray/TrayMenu.h"
#include "tray/TrayRules.h"
#include "tray/TrayServices.h"

class CVXLTrayWnd : public wtl::CWindowImplBase,
                    public wtl::CMessageFilter,
                    public wtl::CIdleHandler,
                    public ITrayStatusSource {
public:
    CVXLTrayWnd(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine);

    // Creates the hidden, off-screen window. True when a window was made.
    bool Create(HINSTANCE instance);

    // The pieces built apart from the window, given before Create; a null piece leaves
    // its part of the services off.
    void SetClipboardHistory(ITrayClipboardHistory* history) { m_history = history; }
    void SetHookService(ITrayHookService* hook) { m_hook = hook; }
    void SetQueryExchange(ITrayQueryExchange* query) { m_query = query; }
    void SetFloatPane(ITrayFloatPane* pane) { m_pane = pane; }
    void SetRoads(ITrayRoads* roads) { m_roads = roads; }
    // The history items of the tray menu's Clipboard History submenu.
    void SetMenuHistory(IMenuHistorySource* history) { m_menuHistory = history; }
    // Replaces the pulse of the options-changed event that the editor listens to.
    void SetOptionsChangedPulse(bool (*pulse)()) { m_pulseOptionsChanged = pulse; }

    // The tray menu as it would open now, untracked.
    CTrayMenu PrepareTrayMenu();
    CTrayMenuFacts GatherTrayMenuFacts();
    // Tracks the tray menu at the point and sends the chosen command to this window; the
    // chosen id, or 0.
    UINT DisplayTrayMenuWithPoint(int x, int y);
    // The tray menu at the cursor for a request from outside (a second start, the float
    // pane): this window borrows the foreground and gives it back afterwards.
    void ShowTrayMenuFromOutside();

    // A box titled "Vexlora" owned by this hidden window. With `flash` the window shows
    // itself on the taskbar and flashes, so that a box from the tray is seen at all.
    int ShowMessageBox(const CString& text, UINT flags, bool flash);

    // Starts the hook service and everything that hangs on it; non-zero when the query
    // thread runs. Failures are logged and collected, never shown.
    int StartServices();
    void StopServices();

    // The phrase hot key: 0 without doing anything while it is registered; else the result
    // of RegisterHotKey, and on failure "Cannot register hotkey. Error: <code>" after a line
    // feed in *errorText (when given) and in the collected errors.
    BOOL RegisterPhraseHotKey(CString* errorText = nullptr);
    void UnregisterPhraseHotKey();
    bool IsPhraseHotKeyRegistered() const { return m_hotKeyRegistered != FALSE; }

    CVXLCommandTree& GetPhraseTree() { return m_phraseTree; }
    // The tip of this window's menus; null before creation.
    CMenuToolTipVXLClient* GetMenuToolTip() { return m_menuTip.get(); }
    // What makes the menu tip wait; only before Create.
    void SetMenuTipDelay(std::unique_ptr<IMenuTipDelay> delay) { m_menuTipDelay = std::move(delay); }
    // The icon in the notification area; null before creation and after destruction.
    CTrayIcon* GetTrayIcon() { return m_trayIcon.get(); }
    // A shell stand-in for tests; the system's by default. Only before Create.
    void SetTrayShell(ITrayShell* shell) { m_trayShell = shell; }

    CTrayStatusFacts GetTrayStatusFacts() override;

    // Start-up failures, kept for the about and system report.
    void AddCollectedError(const CString& text);
    const std::vector<CString>& GetCollectedErrors() const { return m_collectedErrors; }

    BOOL PreTranslateMessage(MSG*) override { return FALSE; }
    BOOL OnIdle() override { return FALSE; }

    BEGIN_MSG_MAP(CVXLTrayWnd)
    MESSAGE_HANDLER(WM_CREATE, OnCreate)
    MESSAGE_HANDLER(WM_DESTROY, OnDestroy)
    MESSAGE_HANDLER(WM_TIMER, OnTimer)
    MESSAGE_HANDLER(WM_ENDSESSION, OnEndSession)
    MESSAGE_HANDLER(WM_COPYDATA, OnCopyData)
    MESSAGE_HANDLER(WM_WTSSESSION_CHANGE, OnSessionChange)
    MESSAGE_HANDLER(WM_NOTIFY, OnNotify)
    MESSAGE_HANDLER(GetReportErrorMessageId(), OnReportError)
    MESSAGE_HANDLER(WM_VXL_INSTALL_CLIPBOARD_HISTORY, OnInstallClipboardHistory)
    MESSAGE_HANDLER(WM_VXL_QUERY_ERROR, OnQueryError)
    MESSAGE_HANDLER(WM_VXL_IS_HOTKEY_REGISTERED, OnIsHotKeyRegistered)
    MESSAGE_HANDLER(GetInstanceWatcherMessageId(), OnInstanceRequest)
    MESSAGE_HANDLER(WM_VXL_SHOW_TRAY_MENU, OnShowTrayMenu)
    MESSAGE_HANDLER(WM_VXL_LANGUAGE_CHANGED, OnLanguageChanged)
    MESSAGE_HANDLER(WM_VXL_FLOAT_PANE_BLINK, OnFloatPaneBlink)
    MESSAGE_HANDLER(WM_VXL_INSTALL_TRAY_ICON, OnInstallTrayIcon)
    MESSAGE_HANDLER(WM_VXL_TRAY_ICON_NOTIFY, OnTrayIconNotify)
    MESSAGE_HANDLER(CTrayIcon::GetTaskbarCreatedMessage(), OnTaskbarCreated)
    MESSAGE_HANDLER(WM_VXL_HIDE_BALLOON, OnHideBalloon)
    MESSAGE_HANDLER(WM_VXL_HIDE_TRAY_BALLOON, OnHideBalloon)
    MESSAGE_HANDLER(WM_VXL_UPDATE_RESULT, OnUpdateResult)
    MESSAGE_HANDLER(WM_VXL_REFRESH_AND_CHECK, OnRefreshAndCheck)
    MESSAGE_HANDLER(WM_HOTKEY, OnHotKey)
    MESSAGE_HANDLER(WM_MENUSELECT, OnMenuSelect)
    MESSAGE_HANDLER(WM_ENTERIDLE, OnEnterIdle)
    MESSAGE_HANDLER(WM_VXL_HIDE_MENU_TOOLTIP, OnHideMenuToolTip)
    MESSAGE_HANDLER(WM_SYSCOLORCHANGE, OnSysColorChange)
    MESSAGE_HANDLER(WM_VXL_QUERY, OnQuery)
    MESSAGE_HANDLER(WM_VXL_EDITOR_LAUNCH, OnEditorLaunch)
    MESSAGE_HANDLER(WM_VXL_EDITOR_ENDED, OnEditorEnded)
    MESSAGE_HANDLER(WM_VXL_GET_PANE_CAPTION, OnGetPaneCaption)
    MESSAGE_HANDLER(WM_VXL_ALT_TAB, OnAltTab)
    MESSAGE_HANDLER(WM_VXL_ALLOW_WAIT_ANSWER, OnAllowWaitAnswer)
    MESSAGE_HANDLER(WM_VXL_COMMAND_FROM_SELF, OnCommandFromSelf)
    MESSAGE_HANDLER(WM_VXL_IS_MENU_FREE, OnIsMenuFree)
    MESSAGE_HANDLER(WM_VXL_GET_HISTORY_HANDLER, OnGetHistoryHandler)
    MESSAGE_HANDLER(WM_VXL_ITEM_ACTION, OnItemAction)
    MESSAGE_HANDLER(WM_VXL_GET_PANE_SELECTED_TEXT, OnGetPaneSelectedText)
    MESSAGE_HANDLER(WM_VXL_EDIT_TEXT, OnEditText)
    MESSAGE_HANDLER(WM_VXL_GET_PANE_ITEM_TEXT, OnGetPaneItemText)
    MESSAGE_HANDLER(WM_VXL_GET_PANE_ITEM_RECORD, OnGetPaneItemRecord)
    MESSAGE_HANDLER(WM_VXL_SHOW_FLOAT_PANE, OnShowFloatPane)
    MESSAGE_HANDLER(WM_VXL_FILL_LANGUAGE_MENU, OnFillLanguageMenu)
    MESSAGE_HANDLER(WM_INITMENUPOPUP, OnInitMenuPopup)
    MESSAGE_HANDLER(WM_VXL_LANGUAGE_CHOSEN, OnLanguageChosen)
    COMMAND_ID_HANDLER(ID_APP_EXIT, OnAppExit)
    COMMAND_ID_HANDLER(ID_OPEN_EDITOR, OnOpenEditor)
    COMMAND_ID_HANDLER(ID_CHECK_FOR_UPDATES, OnCheckForUpdates)
    COMMAND_ID_HANDLER(ID_APP_ABOUT, OnTrayCommand)
    COMMAND_RANGE_HANDLER(kFirstLanguageCommandId, kLastLanguageCommandId, OnLanguageCommand)
    COMMAND_RANGE_HANDLER(kFirstTrayHistoryCommandId, kLastTrayHistoryCommandId, OnHistoryItemCommand)
    COMMAND_RANGE_HANDLER(ID_ENABLE_PHRASE_MENU, ID_VISIT_BLOG, OnTrayCommand)
    END_MSG_MAP()

protected:
    const wchar_t* GetWndClassName() const override { return L"VexloraTrayWindow"; }

private:
    static UINT GetInstanceWatcherMessageId();
    static UINT GetReportErrorMessageId();

    LRESULT OnCreate(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnDestroy(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTimer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEndSession(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCopyData(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSessionChange(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnNotify(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnReportError(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInstallClipboardHistory(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnQueryError(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnIsHotKeyRegistered(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInstanceRequest(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnShowTrayMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLanguageChanged(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFloatPaneBlink(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnInstallTrayIcon(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTrayIconNotify(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTaskbarCreated(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHideBalloon(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnUpdateResult(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnRefreshAndCheck(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHotKey(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnMenuSelect(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEnterIdle(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnHideMenuToolTip(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnSysColorChange(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnQuery(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEditorLaunch(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEditorEnded(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetPaneCaption(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAltTab(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAllowWaitAnswer(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnCommandFromSelf(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnIsMenuFree(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetHistoryHandler(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnItemAction(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetPaneSelectedText(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnEditText(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetPaneItemText(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnGetPaneItemRecord(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnShowFloatPane(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnFillLanguageMenu(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnAppExit(WORD, WORD, HWND, BOOL&);
    LRESULT OnOpenEditor(WORD, WORD, HWND, BOOL&);
    LRESULT OnCheckForUpdates(WORD, WORD, HWND, BOOL&);
    // The first automatic check when they are on, and the editor's requests.
    void StartUpdateChecks();
    LRESULT OnInitMenuPopup(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnLanguageChosen(UINT, WPARAM, LPARAM, BOOL&);
    LRESULT OnTrayCommand(WORD, WORD, HWND, BOOL&);
    LRESULT OnLanguageCommand(WORD, WORD, HWND, BOOL&);
    LRESULT OnHistoryItemCommand(WORD, WORD, HWND, BOOL&);

    // The tray menu's commands, one per row of the command table.
    void ShowPhrasesMenuCommand(WORD id);
    void RunAsAdminCommand(WORD id);
    void AboutCommand(WORD id);
    // What the system report needs of this window and its services.
    AboutReportInputs GatherAboutInputs() const;
    void CommandLineKeysCommand(WORD id);
    void WebPageCommand(WORD id);
    void EmailCommand(WORD id);
    void WelcomeCommand(WORD id);
    void SaveFromClipboardCommand(WORD id);
    void StartEditor(bool addFromClipboard);
    void ApplyAltTabSetting();
    void AutostartCommand(WORD id);
    void KeepHistoryCommand(WORD id);
    void ReKeepHistoryCommand(WORD id);
    void SaveHistoryOnExitCommand(WORD id);
    void ClearHistoryCommand(WORD id);
    void SoundsCommand(WORD id);
    void MuteCommand(WORD id);
    void WriteLogCommand(WORD id);
    void PaneOnStartCommand(WORD id);
    void PinnedOnStartCommand(WORD id);
    void RereadPhrasesCommand(WORD id);
    void OpenPhrasesFolderCommand(WORD id);
    void OpenSettingsFileCommand(WORD id);
    void FloatPaneCommand(WORD id);
    void ShowFloatPaneCommand(WORD id);
    void EnablePhraseMenuCommand(WORD id);
    // Switches a setting of the menu and writes its key; with `pulse` the editor is told.
    void SwitchSetting(bool& value, const wchar_t* key, bool pulse);
    void PulseOptionsChanged();
    // The shell's "open"; a failure is logged with the shell's error.
    bool OpenWithShell(const CString& file, const wchar_t* parameters);
    // The float pane back on the screen when the menu finds it partly outside.
    void CorrectFloatPanePlacement();
    void ChooseLanguage(const CString& file, bool fromTrayMenu);

    void CreateMenuToolTip();
    void StartLateWatchers();
    // The settings were changed by the editor: everything that depends on them follows.
    void ReloadAfterEditorEnded();
    void ReloadAfterEditorEvent();
    void ReloadLanguage();
    HWND PaneWindow() const { return m_pane ? m_pane->Window() : nullptr; }
    // The tip (mode 2) or the whole icon again (mode 0 is an add; a refresh is a modify).
    void RefreshTrayTip();
    void ReloadPaneList();
    bool StartQueryThread();
    // The clipboard history comes on with the services when its setting is on and its
    // window is missing; when it cannot, a thread asks again every two seconds.
    void InstallClipboardHistoryIfMissing();
    void StartDelayedClipboardInstaller();
    // Failed steps of StartServices give everything back that the earlier steps took.
    int FailServices(const CString& errorText, bool unregisterHotKey);

    HANDLE m_exitEvent;
    bool m_noInstall;
    const CVXLCommandLine* m_commandLine;
    CWTSNotify m_sessionNotify;
    CSessionRule m_sessionRule;
    ITrayClipboardHistory* m_history = nullptr;
    ITrayHookService* m_hook = nullptr;
    ITrayQueryExchange* m_query = nullptr;
    ITrayFloatPane* m_pane = nullptr;
    ITrayRoads* m_roads = nullptr;
    IMenuHistorySource* m_menuHistory = nullptr;
    bool (*m_pulseOptionsChanged)() = nullptr;
    // The language files of the open tray menu, by id from kFirstLanguageCommandId.
    std::vector<CString> m_trayMenuLanguages;
    // The program's entry in the Alt-Tab switcher, while the settings ask for it.
    CWndAltTabIconHolder m_altTab;
    CVXLCommandTree m_phraseTree;
    std::unique_ptr<CTrayIcon> m_trayIcon;
    ITrayShell* m_trayShell = nullptr;
    CIconHandle m_bigIcon;
    CIconHandle m_smallIcon;
    POINT m_lastTrayMenuPoint = {0, 0};
    UINT m_lastMenuItem = 0;          // the last item WM_MENUSELECT reported
    CString m_languageAtEditorStart;  // to know after the editor whether the icon must change
    BOOL m_hotKeyRegistered = FALSE;
    // Exit commands put off while dialogs were being closed; bounded, so that a dialog that
    // cannot be closed never keeps the program from ending.
    static constexpr int kMaxExitDeferrals = 3;
    int m_exitDeferrals = 0;
    DWORD m_lastClipboardSequence = 0;
    std::vector<CString> m_collectedErrors;
    std::unique_ptr<IMenuTipDelay> m_menuTipDelay;
    std::unique_ptr<CMenuToolTipVXLClient> m_menuTip;
};
