// The clipboard-history handler as the tray window and the rest of the main program reach
// it: the handler itself lives with the clipboard history; this is what others may ask.
#pragma once

#include <windows.h>

class ITrayClipboardHistory {
public:
    virtual ~ITrayClipboardHistory() = default;
    // The handler's window, which exists only while the clipboard history is on.
    virtual bool IsInstalled() = 0;
    // Makes the handler's window as a child of the parent and starts watching (the stored
    // history is loaded on the first install); true when it exists afterwards.
    virtual bool Install(HWND parent, bool firstInstall) = 0;
    // Destroys the handler's window; true when it is gone afterwards.
    virtual bool Uninstall() = 0;
    // The watcher of the clipboard that the handler listens to.
    virtual bool IsSpyInstalled() = 0;
    virtual int ItemCount() = 0;
    // True when the spy watches the clipboard afterwards.
    virtual bool InstallSpy(bool firstInstall) = 0;
    // True when the spy is gone afterwards.
    virtual bool RemoveSpy() = 0;
    // The listeners of the history are told of every session change.
    virtual void NotifySessionChange(WPARAM reason) = 0;
    // While frozen, clipboard changes are not captured: the phrase menu shows the history
    // as it was when the menu opened.
    virtual void SetFrozen(bool frozen) = 0;
    // Every item that is not protected goes, with its files; true when it worked.
    virtual bool ClearHistory() = 0;
    // Writes the unsaved items now (when saving is on).
    virtual void SaveNow() = 0;
    // Puts the item (0 = newest) back on the clipboard as it was copied, without it
    // becoming a new item; false when there is no such item or the clipboard refused it.
    virtual bool PutBackItem(int index) = 0;
};
