// What the macros read from the machine: the clock, the mouse pointer, the user, the
// system folder, the operating system and the version resources of the program files.
// Tests put in their own answers, so that no value depends on the desktop or the time
// of day. The keyboard layouts come through core's input-language seam
// (GetInputLanguageInfo in core/InputLanguage.h) like every other layout question.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

class IMacroEnvironment {
public:
    virtual ~IMacroEnvironment() = default;
    virtual SYSTEMTIME GetLocalTime() = 0;
    // False when the position cannot be read.
    virtual bool GetCursorPos(POINT& point) = 0;
    // Empty when it cannot be read.
    virtual CString GetUserName() = 0;
    // False when the system does not answer.
    virtual bool GetSystemDirectory(CString& folder) = 0;
    virtual CString GetOSVersionText() = 0;
    // The product version of the file ("," made "." and blanks removed); empty when the
    // file has no version information.
    virtual CString GetProductVersion(const CString& path) = 0;
};

// The system's answers, unless a test has put its own in.
IMacroEnvironment& GetMacroEnvironment();
// Null restores the system's answers. The object must outlive its use.
void SetMacroEnvironmentForTest(IMacroEnvironment* environment);
