// The tip of the tray window's own menus: the tray menu with its submenus and the float
// pane's menus. The texts are built by CMenuTipTexts from the program's live state; the
// icons are loaded on first use and kept until the tip goes.
#pragma once

#include <windows.h>

#include <map>
#include <memory>
#include <vector>

#include "core/MenuToolTip.h"
#include "core/base/Handles.h"
#include "tray/MenuTipTexts.h"

class CVXLCommandTree;
class IMenuHistorySource;

// Loads the icon a source names; the loader keeps what it loads.
class ITipIconLoader {
public:
    virtual ~ITipIconLoader() = default;
    virtual HICON Load(const TipIconSource& source) = 0;
};

// The first icon of the plan that loads; the info icon when none does.
MenuTipIcon ChooseTipIcon(UINT id, ITipIconLoader& loader);

// The program's state as the tips read it.
class CTrayTipFacts final : public ITipFacts {
public:
    CTrayTipFacts(CVXLCommandTree* tree, const std::vector<CString>* languageFiles, IMenuHistorySource* history,
                  const std::vector<CString>* collectedErrors);

    // The main window that answers the requests for the pane's item and the hot key.
    void SetMainWindow(HWND window) { m_main = window; }
    void SetOpenMenu(HMENU menu) { m_menu = menu; }

    CString UiString(UINT id) override;
    CString OpenMenuText(UINT id) override;
    CString TranslatedMenuText(UINT menuResource, UINT id) override;
    CTipSettings Settings() override;
    CString HotKeyText() override;
    bool HotKeyRegistered() override;
    void PhraseCounts(int& included, int& total) override;
    bool AutostartSet() override;
    CString WebAddress(UINT id) override;
    CString LanguageItemTip(UINT id) override;
    CString PhrasesFolder() override;
    CString PhrasesFolderText() override;
    CString HistoryFolder() override;
    CString SettingsFilePath() override;
    CString LogReportPath() override;
    CString StatisticsFilePath() override;
    CString MsInfoPath() override;
    CString SystemFolder() override;
    bool FolderAccess(const CString& folder, bool write) override;
    CString NotepadPath() override;
    CString BinaryTypeName(const CString& path) override;
    CString FocusedItemShortText() override;
    CString FocusedItemText(int form) override;
    CString FocusedItemOpener() override;
    CString ClipboardUnicodeText() override;
    void ClipboardFormats(bool& rtf, bool& text, bool& html) override;
    int TrackingMethod() override;
    DWORD ClipboardSequenceNumber() override;
    bool HistoryItem(int index, CTipHistoryItem& item) override;
    bool LatestUndo(CTipUndoRecord& record) override;
    CString ElapsedText(DWORD ms) override;
    CString LastUpdateCheckText() override;
    CString NextUpdateCheckText(DWORD days) override;
    CString LatestFoundVersion() override;
    CString VersionWithBuild() override;
    CString ProductVersionText() override;
    CString BuildDateText() override;
    std::vector<CString> SiblingFileLines() override;
    CString DateText(const SYSTEMTIME& day) override;
    int CollectedErrorCount() override;
    CString CommandLineKeysText() override;
    CString FileNameReplacementsText() override;
    CString PrivilegesText() override;

private:
    CVXLCommandTree* m_tree;
    const std::vector<CString>* m_languageFiles;
    IMenuHistorySource* m_history;
    const std::vector<CString>* m_errors;
    HWND m_main = nullptr;
    HMENU m_menu = nullptr;
};

// "• name" and, when the file has a version, " 1.2.3 build 4".
CString GetFileVersionLine(const CString& path);
// The system folder with a trailing "\".
CString GetSystemFolderPath();

class CMenuToolTipVXLClient : public CMenuToolTipClient, private ITipIconLoader {
public:
    CMenuToolTipVXLClient(CVXLCommandTree* tree, const std::vector<CString>* languageFiles, IMenuHistorySource* history,
                          const std::vector<CString>* collectedErrors);
    ~CMenuToolTipVXLClient() override;

    HWND Create(HWND owner, const wchar_t* defaultText, HINSTANCE instance, DWORD style, const wchar_t* title) override;
    MenuTipIcon GetTipIcon(UINT id) override;
    void GetText(CString& text, UINT id, HMENU menu, CString& title) override;
    int DefaultTipWidth() const override { return 400; }

    void SetConnectionState(int state, const CString& errorText) { m_texts.SetConnectionState(state, errorText); }
    void GetMenuTipText(CString& text, UINT id, HMENU menu, CString& title);
    void GetClipboardTrackingTip(CString& text) { m_texts.GetClipboardTrackingTip(text); }
    void BuildClipboardHistoryStateTip(CString& text, bool historyOn) {
        m_texts.BuildClipboardHistoryStateTip(text, historyOn);
    }

private:
    HICON Load(const TipIconSource& source) override;
    HICON LoadUncached(const TipIconSource& source, bool& owned);

    CTrayTipFacts m_facts;
    CMenuTipTexts m_texts;
    // By source; the opener's icon is replaced at each request.
    std::map<std::wstring, CIconHandle> m_ownedIcons;
    std::map<std::wstring, HICON> m_icons;
    CIconHandle m_openerIcon;
};
