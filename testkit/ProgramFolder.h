// A private copy of the program folder for one test: the programs write their
// Settings.ini and log beside themselves, and tests running side by side must not
// share them.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "testkit/Outcome.h"

namespace testkit {

class CPrivateProgramFolder {
public:
    CPrivateProgramFolder() = default;
    ~CPrivateProgramFolder();
    CPrivateProgramFolder(const CPrivateProgramFolder&) = delete;
    CPrivateProgramFolder& operator=(const CPrivateProgramFolder&) = delete;

    // Copies every file of the built program folder (VXL_PROGRAM_DIR) into a new
    // temporary folder.
    CCheck Create();
    // "<folder>\<fileName>".
    CString PathOf(const wchar_t* fileName) const;
    const CString& Folder() const { return m_folder; }
    // Writes Settings.ini (UTF-16 with byte-order mark, as the program writes it) with
    // these lines of section "Settings", e.g. L"WriteLog=1\r\n".
    CCheck WriteSettings(const wchar_t* settingsLines) const;

private:
    CString m_folder;
};

// The whole text of a UTF-16LE file without its byte-order mark; empty when missing.
CString ReadUtf16File(const wchar_t* path);
// "<built program folder (VXL_PROGRAM_DIR)>\<fileName>", or empty when the harness did not name the folder.
CString BuiltProgramPath(const wchar_t* fileName);
// Waits until the file's text contains `what`.
CCheck WaitForFileText(const wchar_t* path, const wchar_t* what, DWORD timeoutMs = kWaitMs);

}  // namespace testkit
