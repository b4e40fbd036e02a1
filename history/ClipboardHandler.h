// The clipboard history's hidden window, a child of the tray window. It turns every
// clipboard change of another program into a history item with its companions, keeps the
// items in the queue under the size limit, saves new items on a worker thread, loads the
// stored history on another at start, and tells its parent by WM_NOTIFY when the history
// changed. The queue is touched only on the window's thread: the workers write copies or
// fill a queue of their own and hand the results back by a sent message.
#pragma once

#include <windows.h>

#include <atomic>
#include <memory>
#include <vector>

#include "core/TrayHistory.h"
#include "core/base/Clipboard.h"
#include "core/base/Clock.h"
#include "history/CaptureRules.h"
#include "history/ClipboardWatcher.h"
#include "history/HistoryListeners.h"
#include "history/HistoryMenu.h"
#include "history/HistoryQueue.h"
#include "platform/wincore/WindowCore.h"

// What the handler reads of the settings at each use; tests set their own.
struct CHistoryHandlerSettings {
    int historyMax = 30;        // ClipboardHistoryMax
    bool saveHistory = false;   // SaveClipboardHistory_v198
    int spyMethod = -1;         // ClipboardSpyMethod_v2_22
    CCaptureSwitches switches;  // ClipboardFormats0..4
    static CHistoryHandlerSettings FromProgramSettings();
};

class CVXLWndClipboardHandler final : public wincore::CMessageTarget,
                                      public IClipboardSpyObserver,
                                      public IHistoryListener1,
                                      public ITrayClipboardHistory {
public:
    static constexpr UINT kSaveTimerId = 2343;
    static constexpr DWORD kSaveDelayMs = 1000;

    // folder: the history folder with its trailing backslash or without.
    CVXLWndClipboardHandler(IClipboard& clipboard, IClock& clock, CClipboardSpy& spy, const wchar_t* folder);
    ~CVXLWndClipboardHandler() override;
    CVXLWndClipboardHandler(const CVXLWndClipboardHandler&) = delete;
    CVXLWndClipboardHandler& operator=(const CVXLWndClipboardHandler&) = delete;

    // Settings read at every capture, save and merge; the program's own by default.
    void SetSettingsSource(CHistoryHandlerSettings (*source)()) { m_settingsSource = source; }

    // Creates the window as a child of the parent; true when it exists afterwards.
    bool Create(HWND parent, UINT controlId, bool loadAtCreate);
    // Destroys the window; a save under way is waited for a bounded time.
    void Destroy();
    HWND Window() const { return m_window; }
    DWORD LastError() const { return m_lastError; }

    int Get_Items_Count() const { return m_queue.Count(); }
    bool IsEmpty() const { return m_queue.Count() == 0; }
    // 0 is the newest; null out of range.
    CCHItem* Get_Item(int index) const { return m_queue.ItemFromNewest(index); }
    CCHQueue& Queue() { return m_queue; }

    // Menu entries and texts of items.
    int AddHistoryToMenu(HMENU menu, UINT firstId, int maxCount);
    static bool AppendHistoryItem(const CCHItem& item, UINT id, HMENU menu, bool isCurrent) {
        return ::AppendHistoryItem(item, id, menu, isCurrent);
    }
    static void RemoveHistoryFromMenu(HMENU menu, UINT firstId, UINT lastId) {
        ::RemoveHistoryFromMenu(menu, firstId, lastId);
    }
    static CString GetPreviewText(const CCHItem& item, int maxChars) { return ::GetPreviewText(item, maxChars); }
    static CString GetMenuText(const CCHItem& item) { return ::GetMenuText(item); }
    static CString GetTipText(const CCHItem& item) { return ::GetTipText(item); }

    // An item back on the clipboard, which does not become a new item. False when the
    // index is out of range or the clipboard did not take it.
    bool PutBack(int index);
    bool PutAsText(int index);
    // One form of the item alone (PutForm); a text of the pane's own as Unicode text.
    bool PutItemForm(int index, int kind);
    bool PutText(const CString& text);
    // Edits of an item's text; 0 when there is no such item, else 1. Edits to be saved
    // arm the save timer (JoinLines only when asked).
    int ChangeCase(int index, bool upper);
    int Trim(int index);
    int JoinLines(int index, bool armTimer);

    bool Clear();
    bool Remove(const std::vector<int>& selection, bool recordUndo, bool force, const wchar_t* description);
    // The history is saved a second after the last of a run of edits.
    void ArmSaveTimer();
    // Reads the clipboard into a new item and adds it (WM_CREATE, the watcher's notices).
    void Capture(DWORD reason, HWND source);
    // True while a save or load thread runs.
    bool IsDiskBusy() const { return m_diskJobs.load() != 0 || m_saveRunning || m_saveAgain; }

    // The watcher's observer.
    void OnClipboardChanged(HWND source, DWORD cookie) override;
    void OnClipboardSpyStateChanged(DWORD cookie) override;
    // Registry 1: a = 0 asks for new menu texts.
    void OnHistoryEvent(DWORD a, DWORD b) override;

    // What the tray window asks.
    bool IsInstalled() override { return m_window != nullptr; }
    bool Install(HWND parent, bool firstInstall) override;
    bool Uninstall() override;
    bool IsSpyInstalled() override { return m_spy.IsInstalled(); }
    int ItemCount() override { return Get_Items_Count(); }
    bool InstallSpy(bool firstInstall) override;
    bool RemoveSpy() override;
    void NotifySessionChange(WPARAM reason) override;
    void SetFrozen(bool frozen) override { m_queue.SetFrozen(frozen); }
    bool ClearHistory() override { return Clear(); }
    void SaveNow() override;
    // Texts and Dorvane data in their own format, pictures and web pages with their companions.
    bool PutBackItem(int index) override;

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;
    void OnAttached(HWND window) noexcept override { m_window = window; }
    void OnDetached(HWND) noexcept override { m_window = nullptr; }

private:
    LRESULT OnCreate();
    void OnDestroy();
    void OnLoadedQueue(CCHQueue* loaded);
    // False when the item is no longer held: its files are the writer's to delete.
    bool OnItemSaved(const CCHItem* copy);
    void OnItemUpdate(const CCHItem* copy);
    void OnTimer(WPARAM id);
    void OnSaveNow(bool saveEnded);

    bool InstallWatcher();
    std::unique_ptr<CCHItem> ReadMainItem(const CCaptureOffer& offer, HWND source);
    std::unique_ptr<CCHItem> ReadFormat(CaptureSource source, HWND sourceWindow);
    std::unique_ptr<CCHItem> AnsiAsUnicode(const CCHItem& ansi, HWND source);
    void NotifyParent(UINT code, DWORD reason);
    // Remembers a write of ours: its notice arrives after the write's my-copy lock is gone.
    bool OwnPut(bool written);
    bool StartLoad();
    void WaitForDiskJobs(DWORD timeoutMs);
    CHistoryHandlerSettings Settings() const { return m_settingsSource(); }

    IClipboard& m_clipboard;
    IClock& m_clock;
    CClipboardSpy& m_spy;
    CString m_folder;
    CCHQueue m_queue;
    CHistoryHandlerSettings (*m_settingsSource)() = &CHistoryHandlerSettings::FromProgramSettings;
    HWND m_window = nullptr;
    UINT m_controlId = 0;
    CHandle m_stopEvent;
    DWORD m_lastError = 0;
    int m_watcherMode = 0;  // 2 format listener, 3 viewer chain
    bool m_loadAtCreate = false;
    ULONGLONG m_lastChangeTick = 0;
    std::atomic<int> m_diskJobs{0};
    bool m_saveRunning = false;
    bool m_saveAgain = false;
    // The clipboard's sequence number right after our last put; 0 for none.
    DWORD m_ownPutSequence = 0;
};

// The registered messages of the handler window.
UINT HistoryAddItemMessage();
UINT HistoryItemUpdateMessage();
UINT HistoryItemSavedMessage();
UINT HistoryLoadedQueueMessage();
