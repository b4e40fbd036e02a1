#include "testkit/Clipboard.h"

#include <cstring>

#include "core/base/Handles.h"
#include "testkit/Controls.h"

namespace testkit {

CCheck SetClipboardText(const CString& text, DWORD timeoutMs) {
    // EmptyClipboard makes the opening window the owner, and with no window it
    // leaves SetClipboardData without an owner, which Windows documents to fail.
    CWindowHandle owner(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    if (!owner) return CCheck::FailedF(L"could not create a clipboard owner window, error %u", GetLastError());
    const SIZE_T bytes = (text.GetLength() + 1) * sizeof(wchar_t);
    CGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, bytes));
    if (!memory) return CCheck::FailedF(L"GlobalAlloc(%u bytes) failed", static_cast<unsigned>(bytes));
    {
        CGlobalLock<wchar_t> lock(memory.get());
        if (!lock.get()) return CCheck::Failed(L"GlobalLock on the clipboard text failed");
        memcpy(lock.get(), text.GetString(), bytes);
    }
    CClipboardOpen clipboard(owner.get(), timeoutMs);
    if (!clipboard) {
        return CCheck::FailedF(L"waited %u ms to open the clipboard; it is held by %s", timeoutMs,
                               DescribeWindow(GetOpenClipboardWindow()).GetString());
    }
    if (!EmptyClipboard()) return CCheck::FailedF(L"EmptyClipboard failed, error %u", GetLastError());
    if (!SetClipboardData(CF_UNICODETEXT, memory.get())) {
        return CCheck::FailedF(L"SetClipboardData(CF_UNICODETEXT) failed, error %u", GetLastError());
    }
    // The clipboard owns the memory now.
    memory.release();
    return CCheck::Ok();
}

CResult<CString> ReadClipboardText(DWORD timeoutMs) {
    CClipboardOpen clipboard(nullptr, timeoutMs);
    if (!clipboard) {
        return CCheck::FailedF(L"waited %u ms to open the clipboard; it is held by %s", timeoutMs,
                               DescribeWindow(GetOpenClipboardWindow()).GetString());
    }
    HANDLE data = GetClipboardData(CF_UNICODETEXT);
    if (!data) return CCheck::FailedF(L"the clipboard holds no CF_UNICODETEXT, error %u", GetLastError());
    CGlobalLock<const wchar_t> lock(data);
    if (!lock.get()) return CCheck::Failed(L"GlobalLock on the clipboard's CF_UNICODETEXT failed");
    // The text ends at its terminator or at the end of the block, whichever comes first.
    const int units = static_cast<int>(lock.size() / sizeof(wchar_t));
    int length = 0;
    while (length < units && lock.get()[length]) ++length;
    return CString(lock.get(), length);
}

}  // namespace testkit
