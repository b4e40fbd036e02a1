// The named kernel objects through which the programs of the system coordinate,
// and the open security descriptor that lets an elevated and a normal process of
// the same user open the same object.
#pragma once

#include <windows.h>

#include <string>

#include "core/base/CString.h"

// Fills the record with a descriptor whose DACL grants Everyone all access to
// events, mappings and files. False when it cannot be built: the caller then
// creates the object with default security. The descriptor lives as long as the process.
bool InitSecurityAttributes_Everyone(SECURITY_ATTRIBUTES* attributes);

// The record above, or null when it cannot be built: pass it straight to a Create... call.
SECURITY_ATTRIBUTES* GetOpenSecurityAttributes();

// Creates or opens a named event with the open descriptor, and with default security
// when that cannot be had. The caller owns the handle.
HANDLE CreateSharedEvent(const wchar_t* name, bool manualReset, bool initialState);

// Names of the events and mappings shared by the programs.
extern const wchar_t kInstanceEventName[];         // exists while an instance runs; set = application exit
extern const wchar_t kAutoloadDelayEventName[];    // ends an autostart's delay
extern const wchar_t kExitEventName[];             // "Local\Vexlora_Exit"
extern const wchar_t kExitAllEventName[];          // "Global\Vexlora_Exit_ALL"
extern const wchar_t kAlreadyWorkEventName[];      // a plain second start
extern const wchar_t kShowMenuEventName[];         // a start with showmenu
extern const wchar_t kEditEventName[];             // a start with edit
extern const wchar_t kAdminHandOverEventName[];    // an elevated restart goes on
extern const wchar_t kLangChangedEventName[];
extern const wchar_t kCheckForUpdatesEventName[];
extern const wchar_t kFloatPaneBlinkEventName[];
extern const wchar_t kOptionsChangedEventName[];
extern const wchar_t kStartCopyEventName[];
extern const wchar_t kEndCopyEventName[];
extern const wchar_t kSettingsAreaName[];
extern const wchar_t kCommandCheckForUpdatesEventName[];
extern const wchar_t kInterchangeAreaName[];
extern const wchar_t kDataNeededEventName[];
extern const wchar_t kDataCompletedEventName[];
extern const wchar_t kSaveLoadHistoryEventName[];

const DWORD kSettingsAreaSize = 1024;
const DWORD kInterchangeAreaSize = 2252800;

// Name builders for the names that are put together.
CString GetInstanceEventName();
CString GetSettingsAreaName();
CString GetLangChangedEventName();
CString GetCheckForUpdatesEventName();
CString GetFloatPaneBlinkEventName();
CString GetWriteUnlockEventName();   // "Local\Vexlora_WriteUnlockSync_" + product word made name-safe
CString GetEditorCoopEventName();    // "Local\Vexlora_Event_PhraseEditorAgentCoop_Ended"

// Registered window messages, registered once per process.
UINT GetInstanceWatcherMessage();    // wParam 1: exit requested; 0: second start
UINT GetReportErrorMessage();        // lParam: an error text for the tray window's list
UINT GetTargetQueryMessage();        // posted to the target; the hook library answers it
UINT GetMenuToolTipMessage();

// Paging-file mappings.
class CMMFFile {
public:
    explicit CMMFFile(const wchar_t* name) : m_name(name) {}
    // True when a mapping of that name exists.
    static bool OpenMMF_File_Test(const wchar_t* name);
    // Creates or opens a read-write mapping; the caller owns the handle (null on failure).
    static HANDLE CreateMMF_File(const wchar_t* name, DWORD size, bool useOpenSecurity);
    // Writes a zero-terminated 8-bit text into a mapping of its size. The mapping
    // lives on only while some other handle holds it.
    bool WriteMMF_StringA(const char* text, bool useOpenSecurity);

private:
    CString m_name;
};

// The XML text of the shared settings area (UTF-8, CR LF line breaks).
std::string BuildSettingsAreaXml(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const wchar_t* selectedText);
// Writes the hot key and the selected text for the editor and the welcome program.
// A selected text too long for the area is cut at a character boundary so that it
// fits (and an error line is logged): a stale text must never stand there instead.
// The mapping stays open for the life of the process.
bool WriteSettingsArea(UINT hotkeyVk, UINT hotkeyModifiers, bool doublePress, const wchar_t* selectedText);

// The options-changed event: made on the first call, the same handle afterwards (until
// it is closed; the next call then makes it anew).
HANDLE CreateOptionsChangedEvent();
// Closes the event at shutdown and forgets it, so that a late pulse finds none.
void CloseOptionsChangedEvent();
// Sets and at once resets the options-changed event on a short thread, so that the
// editor reloads its settings; with no event (never made, or closed) the thread does
// nothing. True when the thread started.
bool PulseOptionsChangedAsync();

// Watches the editor's end: each signal of the coordination event posts `message`
// to `window`; setting `stopEvent` ends the watcher. True when the thread started.
struct EditorCoopWatcherContext {
    HANDLE stopEvent;
    HWND window;
    UINT message;
};
bool StartEditorCoopWatcher(const EditorCoopWatcherContext& context);

// The start/end-of-copy events of the clipboard history.
bool CreateCopyEvents();
HANDLE GetStartCopyEvent();
HANDLE GetEndCopyEvent();
void CloseCopyEvents();
bool SignalStartCopy();
bool SignalEndCopy();
// Opens the event by name, sets it and resets it at once: only a waiter that waits
// at that moment is released.
bool PulseNamedEvent(const wchar_t* name);

// The log file: "LogReport.txt" in the program folder when the program may write
// there (or runs from a removable or network drive), else "LogReport_Vexlora.txt"
// in the user's application-data folder. Decided anew on every call.
CString BuildLogReportPath();
inline CString GetLogReportPath() { return BuildLogReportPath(); }
