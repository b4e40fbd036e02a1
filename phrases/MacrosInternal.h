// What the plain and the RTF expansion share; not for other callers.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

class IMacroEnvironment;

namespace macros_internal {

// No expansion makes a text longer than this (in UTF-16 units, 128 MB): a clipboard text
// full of "%SELECTED_TEXT%" and a large selection would otherwise multiply without end.
// A name whose replacement would pass it is left as it stands, and an error is logged.
constexpr int kMaxExpandedChars = 64 * 1024 * 1024;

// The moment of one expansion, read at the first date or time value: every date and
// time value of it shows the same second.
class CExpansionClock {
public:
    explicit CExpansionClock(IMacroEnvironment& environment) : m_environment(environment) {}
    const SYSTEMTIME& Now();

private:
    IMacroEnvironment& m_environment;
    SYSTEMTIME m_time = {};
    bool m_read = false;
};

// Exact (case-sensitive) position of the name from `from` on, or -1.
int FindName(const CString& text, const wchar_t* name, int from);
// Replaces every occurrence in one pass; the number replaced (0 when the limit stops it).
int ReplaceAllBounded(CString& text, const wchar_t* name, const CString& value);
CString ValueOf(const CString& name, const CString& selected, const CString& clipboard, LCID locale,
                CExpansionClock& clock);
// A name of the table outside the constant-value set is in the plain text.
bool HoldsChangingMacro(const CString& plainText);

}  // namespace macros_internal
