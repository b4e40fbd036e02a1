// The road from the hot key to the pasted phrase, as the tray window drives it: the
// press (with the double-press rule), the menu asked for the target, the chosen command
// resolved to a phrase or a clip and run in the target, the clipboard put back when the
// menu was cancelled.
#pragma once

#include <windows.h>

#include <memory>

#include "core/ClipboardAccess.h"
#include "core/base/CString.h"
#include "core/base/Clock.h"
#include "tray/TrayServices.h"

class CVXLCommandTree;
class CWPQueryData;
class IActionServices;
class IDataNeededHander_MenuSelf;
class IMenuHistorySource;
class IItemActionShell;

// What the roads ask of the tray window and the rest of the program.
class IPhraseRoadsHost {
public:
    virtual ~IPhraseRoadsHost() = default;
    virtual HWND Window() = 0;
    virtual void ShowBalloon(const CString& text, UINT timeoutMs) = 0;
    // The phrase editor, with a text for a new phrase (empty: just the editor).
    virtual void StartEditor(const CString& newPhraseText, HWND owner) = 0;
    // Keeps the clipboard history from recording the restore that follows.
    virtual void BlockClipboardHistory() = 0;
    virtual void SwitchLayout(HKL layout, HWND target) = 0;
    // The hot-key text for the balloon ("CTRL+ALT+ENTER").
    virtual CString HotKeyText() = 0;
};

// How ResolveCommand answers.
enum ResolveResult {
    kResolvedNothing = 0,
    kResolvedClip = 1,
    kResolvedPhrase = 2,
};

class CPhraseRoads : public ITrayRoads {
public:
    CPhraseRoads(IPhraseRoadsHost& host, CVXLCommandTree& tree, ITrayHookService& hook,
                 IDataNeededHander_MenuSelf& handler, IActionServices& services, IItemActionShell& itemShell,
                 IMenuHistorySource* history, IClock& clock = SystemClock());
    ~CPhraseRoads() override;

    void OnPhraseHotKey() override;
    void OnQuery(WPARAM query, LPARAM answer) override;
    void OnCommandFromSelf(int commandId, HWND target) override;
    void OnCommandReply(int commandId, HWND target) override;
    void OnItemAction(WPARAM code, LPARAM itemId) override;
    void ShowPhraseMenuFromCommand() override;
    bool IsPhraseMenuShown() override;
    void ForgetFonts() override;

    // The menu for the target: from the hot key (true) or from a command.
    void ShowMenuOfPhrases(bool fromHotKey);
    // A query the hook library sent about its target: the menu is built and tracked now.
    void OnQueryData(const CWPQueryData& query);
    void OnCommandFromMenu(int commandId, HWND target);
    // 2 a phrase ran, 1 a clip was pasted, 3 nothing could be run, 0 a special command.
    int ExecuteCommand(int commandId, HWND target);
    int ResolveCommand(int commandId, CString& text, int& dataType);
    bool OnSpecialMenuCommand(int commandId, HWND target);
    void RestoreClipboardAfterMenu();
    CClipboardSnapshotHolder& Snapshot() { return m_snapshot; }

private:
    void CountUsage(UINT phraseId);

    IPhraseRoadsHost& m_host;
    CVXLCommandTree& m_tree;
    ITrayHookService& m_hook;
    IDataNeededHander_MenuSelf& m_handler;
    IActionServices& m_services;
    IItemActionShell& m_itemShell;
    IMenuHistorySource* m_history;
    IClock& m_clock;
    ULONGLONG m_armTick = 0;
    CClipboardSnapshotHolder m_snapshot;
};

// The double press: true when this press shows the menu. A press more than 500 ms after
// the armed one arms again; one within it shows the menu and disarms.
bool DoublePressShowsMenu(ULONGLONG now, ULONGLONG& armTick);
