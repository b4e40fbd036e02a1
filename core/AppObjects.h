// Application-wide services of the main program that belong to no one window: the
// main-window and exit-event slots and the requests other code sends the tray window,
// the autostart value, privileges, temporary files deleted at exit, opening addresses
// and web searches, the shell's default programs, closing dialogs left open at exit,
// the debounced notifier of the float pane and a few small guards.
//
// All are plain functions; the state they keep is process-wide.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/CString.h"
#include "core/Handles.h"
#include "core/TrayIds.h"

namespace CAppObjects {

// ---------------------------------------------------------------------------------------
// Slots, written once on the UI thread before any reader runs

// The application exit event: set once when the program ends; every worker waits on it.
void SetAppExitEvent(HANDLE event);
HANDLE GetAppExitEvent();

// The tray window, for code that must reach it from other threads.
void SetMainWnd(HWND window);
HWND GetMainWnd();

// The float pane's window while it exists (the debounced notifier's target).
void SetFloatPaneWnd(HWND window);
HWND GetFloatPaneWnd();

// The About and the update dialog register themselves while they are open, so that
// the exit can close them first.
void SetAboutDlgHwnd(HWND window);
HWND GetAboutDlgHwnd();
void SetUpdateDlgHwnd(HWND window);
HWND GetUpdateDlgHwnd();

// ---------------------------------------------------------------------------------------
// Requests to the tray window: each answers 0 (false, null) when there is no main window.

bool IsAllowWaitAnswer();
void* GetClipboardHistoryHandler();
void HideMenuToolTip();
// The float pane's selected text; true when it is not empty.
bool GetFloatPaneSelectedText(CString& text);
void* GetClipboardHistoryQueue();
void HideTrayBalloon();
void ShowFloatPane();
// Has the tray window fill the menu with the language files; the menu's item count.
int FillLanguageMenuByMainWnd(HMENU menu);
bool IsHotKeyRegistered();
// SendNotifyMessageW to the window, or to the main window when it is not a window.
BOOL SendNotifyToWindow(HWND window, UINT message, WPARAM wParam);

// ---------------------------------------------------------------------------------------
// Autostart: the value "Vexlora" under HKCU "Software\Microsoft\Windows\CurrentVersion\Run"

// On: the executable's path, a blank and "/autoload". Off deletes the value. True when done.
bool SetAutostart(bool on);
// True when the value names this executable.
bool IsAutostartSet();
// Writes the value after 1000 ms unless the program ends first (thread result 1) or it
// runs from a removable or network drive (2); 0 when it wrote. True when the thread
// started; `thread`, when given, receives its handle.
bool StartAutostartWriterThread(CHandle* thread = nullptr);

// ---------------------------------------------------------------------------------------
// Privileges

// Enables the privileges the program uses; true when at least one was enabled.
bool Set_App_Privelegies();
// One line per privilege the program cares about and whether the token has it enabled.
CString Get_App_Privelegies_ToolTip();

// ---------------------------------------------------------------------------------------
// Temporary files deleted at exit

void AddTempFileForDeletion(const wchar_t* path);
// Deletes every registered file (read-only ones too), logs each and empties the list.
void DeleteTempFilesOnExit();

// ---------------------------------------------------------------------------------------
// Opening addresses and files (through the shell seam of core/ShellServices.h)

// Trims (unless choosing the program), flattens line breaks, tabs and blank runs and
// puts "http://" in front of a text without a known scheme; then opens it, or with
// chooseProgram shows the "Open with" dialog for it. True when started.
bool OpenUrl(HWND owner, const wchar_t* text, bool chooseProgram);
// The text OpenUrl opens.
CString NormalizeUrlText(const wchar_t* text, bool chooseProgram);
// Web search services 5 to 8; other ids do nothing (false). The query's line breaks
// become blanks and it is URL-encoded. True when the browser was started.
bool WebSearch(const wchar_t* query, int serviceId);
// The address WebSearch opens; empty for an unknown service.
CString BuildWebSearchUrl(const wchar_t* query, int serviceId);
// UTF-8, every byte but the unreserved characters (letters, digits, "-", "_", ".", "~")
// written as "%XX".
CString UrlEncodeQuery(const wchar_t* text);
// The shell's "Open with" dialog for the file.
bool OpenWith(HWND owner, const wchar_t* path);

}  // namespace CAppObjects

// ---------------------------------------------------------------------------------------
// Clipboard-history items as files

// What the file writers need of a clipboard-history item.
struct CClipboardItemData {
    enum Kind { kText = 0, kUnicodeText = 1, kRtf = 2, kDorvane = 3, kBitmap = 4, kHtml = 5 };
    int kind = kText;
    const void* data = nullptr;  // the bitmap handle for kBitmap; texts end with their terminator
    DWORD size = 0;              // bytes of data
    bool isProtected = false;    // the file is made read-only
};

// Options of WriteClipboardItemToFile.
const UINT kItemFileTemporary = 1;     // FILE_ATTRIBUTE_TEMPORARY and NOT_CONTENT_INDEXED
const UINT kItemFileOpenSecurity = 2;  // the open security descriptor of the named objects
const UINT kItemFileRtfAsUtf16 = 4;    // formatted text converted and written as UTF-16 text
const UINT kItemFileDeleteAtExit = 8;  // registered for deletion at exit

namespace CAppObjects {

// Writes the item into a new file: 8-bit texts without their terminator, UTF-16 text
// after a byte-order mark, bitmaps as ".bmp" files, other kinds as their raw data.
// False when the file cannot be made or not everything was written.
bool WriteClipboardItemToFile(const CClipboardItemData& item, const wchar_t* path, UINT options);
// Writes the item into a new temporary file (".txt", ".rtf", ".bmp"; other kinds into
// `path` as given), deleted at exit, and opens it: with the program of its type when
// openDirectly, else with the "Open with" dialog. HTML items are not opened (true).
// `path` gets the file written.
bool OpenClipboardItem(HWND owner, const CClipboardItemData& item, CString& path, bool openDirectly);

// ---------------------------------------------------------------------------------------
// Default programs and system files

// The program of the shell's "open" verb for an extension (with or without "."):
// without quotes and arguments; empty when the association cannot be read.
CString GetOpenProgramOfExtension(const wchar_t* extension);
// The command of "http\shell\open\command", as registered.
CString GetDefaultBrowserCommand();
// The executable associated with "http" and "open" (AssocQueryStringW).
CString GetHttpOpenExecutable();
// "Notepad.exe" in the Windows folder, else in the system folder.
CString GetNotepadPath();
// The icon of video files: the video folder's, else that of ".avi"; owned by the caller.
CIconHandle GetVideoFilesIcon();

// True when "hasnew.hasnew" lies in the program folder: a newer version was found.
bool IsNewVersionMarkerPresent();
// A new GUID as the system prints it, without braces; empty on failure.
CString NewGuidText();
// BroadcastSystemMessageW, bound at run time; 0 when it is missing.
long Broadcast(DWORD flags, DWORD* recipients, UINT message, WPARAM wParam, LPARAM lParam);

// ---------------------------------------------------------------------------------------
// Exit

// Closes the About and the update dialog, then every dialog ("#32770") owned by the main
// window on its thread, each by ever stronger means, logging how each one went.
// Returns the number of owned dialogs found.
int CloseOpenDialogs();
// The same for another main window (tests).
int CloseOpenDialogsOf(HWND mainWindow);

// ---------------------------------------------------------------------------------------
// Language

// Starts the writer of missing language keys with the application exit event.
bool StartLngWriterThread();
// Chooses the Russian web pages when the UI language file has a Russian prefix.
void SetUseRuUrls();
// Fills the popup with the language files from kFirstLanguageCommandId on (after its
// first item and a separator); `names` gets the files in id order. The number of
// language items.
int FillLanguageMenu(HMENU popup, std::vector<CString>& names);
// Fills the popup, tracks it at the point with the window (the main window when null)
// in the foreground and sends a chosen language to the main window
// (WM_VXL_LANGUAGE_CHOSEN). The chosen id, or 0.
UINT TrackLanguageMenu(HMENU popup, POINT point, HWND window);

// ---------------------------------------------------------------------------------------
// Update check

// Downloads the version information into a new temporary ".xml" file: WinInet first, the
// system's URL download second. The file's path, or empty (no partial file is left).
CString DownloadVersionInfoFile(const wchar_t* address);

// ---------------------------------------------------------------------------------------
// Debounced notifier of the float pane

// Tells the float pane, 700 ms after the request that woke the notifier, whether its
// entry of the phrase menu is highlighted (WM_VXL_PANE_ITEM_HIGHLIGHT with the newest
// value). 0 is only stored. Nothing happens without a float pane window.
bool NotifyFloatPaneHighlight(LONG value);

}  // namespace CAppObjects

// The notifier behind NotifyFloatPaneHighlight, for any target and stop event.
class CDebouncedNotifier {
public:
    using TargetProc = HWND (*)();
    // The notifier does not own the stop event; it must outlive the notifier's worker.
    CDebouncedNotifier(HANDLE stopEvent, TargetProc target, UINT message, DWORD delayMs);
    ~CDebouncedNotifier();
    CDebouncedNotifier(const CDebouncedNotifier&) = delete;
    CDebouncedNotifier& operator=(const CDebouncedNotifier&) = delete;

    // False when the worker cannot be started or has ended with the stop event.
    bool Notify(LONG value);
    // Delays the worker has finished (each ends in a post or in nothing), for tests.
    LONG GetCompletedDelaysForTest() const;

    struct State;

private:
    std::shared_ptr<State> m_state;
};

// Brings a window to the foreground for a scope (attaching this thread's input to the
// foreground window's thread) and gives the foreground back to the window that had it.
class CAutoForegroundWindow {
public:
    explicit CAutoForegroundWindow(HWND target);
    ~CAutoForegroundWindow();
    CAutoForegroundWindow(const CAutoForegroundWindow&) = delete;
    CAutoForegroundWindow& operator=(const CAutoForegroundWindow&) = delete;

    HWND GetPreviousForeground() const { return m_previous; }

private:
    HWND m_previous;
    DWORD m_ownThread;
    DWORD m_foregroundThread;
    bool m_attached;
};

// Closes the clipboard at the end of a scope unless told to keep it open.
class CClipboardCloser {
public:
    CClipboardCloser() = default;
    ~CClipboardCloser() {
        if (!m_keepOpen) CloseClipboard();
    }
    CClipboardCloser(const CClipboardCloser&) = delete;
    CClipboardCloser& operator=(const CClipboardCloser&) = delete;
    void KeepOpen(bool keep = true) { m_keepOpen = keep; }

private:
    bool m_keepOpen = false;
};

// Takes the thread's last error at construction and clears it.
class CLastErrorInfo {
public:
    CLastErrorInfo();
    DWORD GetCode() const { return m_code; }
    // The system's text of the stored code (at most 1023 characters).
    const wchar_t* FormatMessageText();
    // The stored code in decimal.
    const wchar_t* FormatErrorCode();

private:
    DWORD m_code;
    wchar_t m_message[1024];
    wchar_t m_number[100];
};
