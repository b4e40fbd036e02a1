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
extern const wchar_t kInstanceEventName[];       // exists while an instance runs; set = application exit
extern const wchar_t kAutoloadDelayEventName[];  // ends an autostart's delay
extern const wchar_t kExitEventName[];           // "Local\Vexlora_Exit"
extern const wchar_t kExitAllEventName[];        // "Global\Vexlora_Exit_ALL"
extern const wchar_t kAlreadyWorkEventName[];    // a plain second start
extern const wchar_t kShowMenuEventName[];       // a start with showmenu
extern const wchar_t kEditEventName[];           // a start with edit
extern const wchar_t kAdminHandOverEventName[];  // an elevated restart goes on
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
CString GetWriteUnlockEventName();  // "Local\Vexlora_WriteUnlockSync_" + product word made name-safe
CString GetEditorCoopEventName();   // "Local\Vexlora_Event_PhraseEditorAgentCoop_Ended"

// Registered window messages, registered once per process.
UINT GetInstanceWatcherMessage();  // wParam 1: exit requested; 0: second start
UINT GetReportErrorMessage();      // lParam: an error text for the tray window's list
UINT GetTargetQueryMessage();      // posted to the target; the hook library answers it
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
