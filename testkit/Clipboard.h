// The clipboard as Unicode text. Another program may hold the clipboard open for a
// moment (a clipboard viewer, the program just pasted into), so opening it is retried
// until the time-out.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "testkit/Outcome.h"

namespace testkit {

constexpr DWORD kClipboardWaitMs = 5000;

// Empties the clipboard and puts the text on it as CF_UNICODETEXT.
CCheck SetClipboardText(const CString& text, DWORD timeoutMs = kClipboardWaitMs);
// The CF_UNICODETEXT on the clipboard; fails when there is none.
CResult<CString> ReadClipboardText(DWORD timeoutMs = kClipboardWaitMs);

}  // namespace testkit
