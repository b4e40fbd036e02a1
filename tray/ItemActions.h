// What the tray window does with a command of the phrase menu's right-click menu: copy an
// item's text, open it as an address, edit it or open it with a program, or look it up on
// the web. Everything that leaves the program goes through IItemActionShell and the
// action services, so tests run the actions without a browser or a shell.
#pragma once

#include <windows.h>

#include "core/ClipboardItemFiles.h"
#include "core/base/CString.h"

class CVXLCommandTree;
class IMenuHistorySource;
class IDataNeededHander;
class IActionServices;
class CClipboardSnapshotHolder;

// Action codes of the right-click menu.
enum ItemActionCode {
    kItemActionCopy = 0,
    kItemActionCopyExcludeSymbols = 1,
    kItemActionOpenAsUrl = 2,
    kItemActionEdit = 3,
    kItemActionOpenWith = 4,
    kItemActionSearchFirst = 5,  // 5 Google, 6 Yandex, 7 MSDN, 8 Wikipedia
    kItemActionSearchLast = 8,
};

// A clip's text as the history keeps it: Unicode text as it is, 8-bit and formatted text
// converted with the ANSI code page; the size is trusted over the stored terminator.
CString ClipItemText(const CClipboardItemData& data);

class IItemActionShell {
public:
    virtual ~IItemActionShell() = default;
    virtual void Beep() = 0;
    virtual void PlayPaperSound() = 0;
    virtual bool PutBitmap(HBITMAP bitmap) = 0;
    virtual bool OpenUrl(const CString& text) = 0;
    // The item written to a temporary file and opened with its program, or with the
    // "Open with" dialog.
    virtual bool OpenItem(const CClipboardItemData& item, bool openDirectly) = 0;
    virtual bool WebSearch(const CString& text, int serviceId) = 0;
    // Closes the phrase menu, which is still open around the right-click menu.
    virtual void ClosePhraseMenu() = 0;
    // An action that needs a clip was asked for a phrase.
    virtual void ShowNotAClipError() = 0;
};
// The real shell: beeps, sounds, the clipboard, the browser and message boxes owned by the
// window.
IItemActionShell& SystemItemActionShell(HWND owner);

class CItemActionRunner {
public:
    // The handler gives the facts of the menu (target, selected text, clipboard text,
    // layout) and keeps the last-used list; history and snapshot may be null.
    CItemActionRunner(const CVXLCommandTree& tree, IMenuHistorySource* history, IDataNeededHander& handler,
                      IActionServices& services, IItemActionShell& shell, CClipboardSnapshotHolder* snapshot);

    // Runs the action on the phrase or clip with the menu id; true when it was done.
    bool Run(int code, UINT itemId);

    // The phrase's text as it would be pasted: its actions built and their texts joined.
    // With askPrompts each prompt is asked first and its answer stands in its place (a
    // cancelled prompt gives nothing). False when there is no such phrase.
    bool GetPhraseText(UINT id, bool askPrompts, CString& text, int& dataType);
    // A clip's text: ANSI converted, Unicode as it is, formatted text as plain text when
    // asked, else as it is. False for the other kinds and a clip that is gone.
    bool GetClipText(int index, bool formattedAsPlain, CString& text, int& kind);

private:
    bool Copy(UINT id, bool excludeSymbols);
    bool OpenAsUrl(UINT id);
    bool OpenClip(UINT id, bool openDirectly);
    bool Search(UINT id, int serviceId);
    bool PutText(const CString& text, bool formatted, LANGID language);

    const CVXLCommandTree& m_tree;
    IMenuHistorySource* m_history;
    IDataNeededHander& m_handler;
    IActionServices& m_services;
    IItemActionShell& m_shell;
    CClipboardSnapshotHolder* m_snapshot;
};
