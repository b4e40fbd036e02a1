// What the float pane does with its commands: they work on the list's selection (rows
// counted from the newest item, as the history handler counts) through the handler.
// Everything that asks the user or leaves the program goes through IPaneCommandUi, and
// everything that belongs to the pane's window through IPaneCommandHost, so the commands
// run in tests without a desktop, a dialog or a shell.
#pragma once

#include <windows.h>

#include <functional>
#include <vector>

#include "core/base/CString.h"

class CCHItem;
class CVXLWndClipboardHandler;

// Where a command came from: a keyboard shortcut asks before it deletes, the tool bar's
// Copy pastes into the window the user came from.
enum class PaneCommandSource { kMenu, kAccelerator, kToolbar };

// What the save dialog offers for one item. The filter's entries are separated by "|",
// as written; the dialog turns them into NUL characters.
struct CPaneSaveOffer {
    CString filter;
    CString defaultExtension;  // without the dot
    CString suggestedName;
    bool hasHtml = false;  // the first filter is the item's HTML form
};
CPaneSaveOffer MakePaneSaveOffer(const CCHItem& item);

// The file an item is written to after the dialog: a picture chosen under the HTML filter
// still is a picture and gets ".bmp".
struct CPaneSaveTarget {
    CString path;
    bool asHtml = false;
};
CPaneSaveTarget ResolvePaneSaveTarget(const CCHItem& item, const CString& chosenPath, int filterIndex);

// Writes the item (or its HTML form) as a file of its own, replacing one that is there:
// texts without their terminating zeros, UTF-16 text after a byte-order mark, formatted
// text as it is, HTML from its start tag on, Dorvane data as stored, pictures as ".bmp".
// False, with the system's error code in *error, when the file could not be written whole.
bool ExportPaneItem(const CCHItem& item, bool asHtml, const wchar_t* path, DWORD* error);

// The markup of the item's HTML form as UTF-16 from its "<html" tag on. The code page is
// the item's own, else the detected one (detect may be null), else UTF-8. Empty when the
// item has no HTML form.
using PaneCodePageDetect = UINT (*)(const char* bytes, int length);
CString GetHtmlCode(const CCHItem& item, PaneCodePageDetect detect);

// The questions before a delete. Texts list at most kPaneListedItems items.
const int kPaneListedItems = 10;
CString MakeDeleteQuestion(const CString& caption, const std::vector<const CCHItem*>& selected);
CString MakeProtectedQuestion(const std::vector<const CCHItem*>& selected);

// The texts a command leaves the pane with: the item's text (formatted text made plain) for
// kinds 0, 1 and 2, empty for the others.
CString GetPaneItemText(const CCHItem& item);

class IPaneCommandUi {
public:
    virtual ~IPaneCommandUi() = default;
    virtual void Beep() = 0;
    virtual void PlayCopySound() = 0;
    // The question before a delete from the keyboard; true for OK.
    virtual bool ConfirmDelete(const CString& text) = 0;
    // The question about protected items among the selection; false for Cancel, else
    // alsoProtected says whether they go too.
    virtual bool ConfirmDeleteProtected(const CString& text, bool& alsoProtected) = 0;
    // A message that closes by itself after the time.
    virtual void ShowTimedMessage(const CString& text, UINT icon, DWORD timeoutMs) = 0;
    virtual void ShowError(const CString& text) = 0;
    // The save dialog; false when it was cancelled or failed. filterIndex counts from 1.
    virtual bool AskSavePath(const CString& title, const CPaneSaveOffer& offer, const CString& folder, CString& path,
                             int& filterIndex) = 0;
    virtual CString SaveFolder() = 0;
    virtual void SetSaveFolder(const CString& folder) = 0;
    virtual bool EmptyClipboard() = 0;
    virtual bool OpenUrl(const CString& text) = 0;
    virtual bool RunCommand(const CString& text) = 0;
    virtual bool WebSearch(const CString& text, int search) = 0;
    virtual bool ShellOpen(const CString& url) = 0;
    // The item written to a temporary file and opened: 0 with its program, 1 with the
    // system's text editor, 2 with the "Open with" dialog.
    virtual bool OpenItem(const CCHItem& item, int how) = 0;
    // The error list of the main window.
    virtual void ReportError(const CString& text) = 0;
};

class IPaneCommandHost {
public:
    virtual ~IPaneCommandHost() = default;
    // The list's focused row, -1 for none, and its selected rows in list order.
    virtual int FocusedItem() = 0;
    virtual std::vector<int> SelectedItems() = 0;
    virtual bool SelectAll() = 0;
    // The item count from the handler, then every row drawn again.
    virtual void RefreshList() = 0;
    // The row selected once the messages before have run.
    virtual void SelectRowLater(int row) = 0;
    // While busy or pinned the pane does not collapse when it loses the focus.
    virtual void SetBusy(bool busy) = 0;
    virtual bool IsPinned() = 0;
    virtual void SetPinned(bool pinned) = 0;
    virtual bool IsCollapsed() = 0;
    virtual void SetCollapsed(bool collapse, bool animate) = 0;
    virtual void PasteToPreviousWindow() = 0;
    virtual void ShowAllItems() = 0;
    virtual void ShowPhrasesMenu() = 0;
    virtual void ClosePane() = 0;
    virtual void PostToMainWindow(UINT command) = 0;
    // The text becomes a new phrase; false when the main window did not take it.
    virtual bool SendPhraseToMainWindow(const CString& text) = 0;
};

class CPaneCommands {
public:
    CPaneCommands(CVXLWndClipboardHandler& history, IPaneCommandHost& host, IPaneCommandUi& ui);
    ~CPaneCommands();
    CPaneCommands(const CPaneCommands&) = delete;
    CPaneCommands& operator=(const CPaneCommands&) = delete;

    // False for an id that is not the pane's.
    bool Run(UINT id, PaneCommandSource source);

    // Copies the row's item; the copy sound plays when asked and the copy was made.
    bool CopyItem(int row, bool withSound);
    bool Delete(PaneCommandSource source);
    void Protect();
    // Either case for every selected text; the number changed.
    int ChangeCase(bool upper);
    int Trim();
    int JoinLines();
    bool MultiCopy();
    bool CopyHtmlCode();
    // Saves the selected items one after the other; the number written.
    int Save();
    bool SaveAsPhrase();
    bool Undo();

    // Texts the delete question is built from; the caption of the Delete command.
    void SetDeleteCaption(const CString& caption) { m_deleteCaption = caption; }
    void SetCodePageDetect(PaneCodePageDetect detect) { m_detect = detect; }

private:
    CCHItem* Focused() const;
    std::vector<const CCHItem*> SelectedItems() const;
    bool CopyItemForm(int kind);
    bool PutText(const CString& text);
    bool WithListText(const std::function<bool(const CString&)>& action);
    bool SaveOne(const CCHItem& item);
    void ClearHistory();
    // Runs the edit under a pin, which keeps the pane open while its message shows.
    int EditSelected(int (CPaneCommands::*edit)(), UINT messageId);
    int TrimSelected();
    int JoinFocused();

    CVXLWndClipboardHandler& m_history;
    IPaneCommandHost& m_host;
    IPaneCommandUi& m_ui;
    CString m_deleteCaption;
    PaneCodePageDetect m_detect = nullptr;
};

// The pane's own shell: message boxes owned by the pane, the common save dialog, the
// settings store, the sounds, the browser and the main window's error list. The questions
// are plain message boxes until a box that closes by itself is given (SetAsk).
class CSystemPaneCommandUi final : public IPaneCommandUi {
public:
    // An answer to a question: the text, the owner and the box's style give IDOK, IDYES...
    using Ask = std::function<int(HWND owner, const CString& text, UINT style, DWORD timeoutMs)>;

    CSystemPaneCommandUi(HWND pane, std::function<HWND()> mainWindow);
    void SetAsk(Ask ask) { m_ask = std::move(ask); }

    void Beep() override;
    void PlayCopySound() override;
    bool ConfirmDelete(const CString& text) override;
    bool ConfirmDeleteProtected(const CString& text, bool& alsoProtected) override;
    void ShowTimedMessage(const CString& text, UINT icon, DWORD timeoutMs) override;
    void ShowError(const CString& text) override;
    bool AskSavePath(const CString& title, const CPaneSaveOffer& offer, const CString& folder, CString& path,
                     int& filterIndex) override;
    CString SaveFolder() override;
    void SetSaveFolder(const CString& folder) override;
    bool EmptyClipboard() override;
    bool OpenUrl(const CString& text) override;
    bool RunCommand(const CString& text) override;
    bool WebSearch(const CString& text, int search) override;
    bool ShellOpen(const CString& url) override;
    bool OpenItem(const CCHItem& item, int how) override;
    void ReportError(const CString& text) override;

private:
    HWND m_pane;
    std::function<HWND()> m_mainWindow;
    Ask m_ask;
};
