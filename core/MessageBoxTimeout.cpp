#include "core/MessageBoxTimeout.h"

#include <algorithm>
#include <vector>

#include "core/base/PlatformBinding.h"

namespace {

using MessageBoxTimeoutWFn = int(WINAPI*)(HWND, LPCWSTR, LPCWSTR, UINT, WORD, DWORD);

MessageBoxTimeoutWFn GetMessageBoxTimeoutW() {
    static const MessageBoxTimeoutWFn function =
        BindProc<MessageBoxTimeoutWFn>(GetPlatformBinder().FindLoaded(L"user32.dll"), "MessageBoxTimeoutW");
    return function;
}

// The dialogs the thread had before the box: the box is the new one that takes input
// (its owner, when it is a dialog of the same thread, is disabled while it is shown).
thread_local std::vector<HWND> t_dialogsBefore;

bool IsDialog(HWND window) {
    wchar_t className[8] = {};
    return GetClassNameW(window, className, 8) && wcscmp(className, L"#32770") == 0;
}

BOOL CALLBACK NoteDialog(HWND window, LPARAM) {
    if (IsDialog(window)) t_dialogsBefore.push_back(window);
    return TRUE;
}

BOOL CALLBACK EndTimedOutBox(HWND window, LPARAM) {
    if (IsDialog(window) && IsWindowEnabled(window) &&
        std::find(t_dialogsBefore.begin(), t_dialogsBefore.end(), window) == t_dialogsBefore.end())
        EndDialog(window, kMessageBoxTimedOut);
    return TRUE;
}

void CALLBACK OnBoxTimeout(HWND, UINT, UINT_PTR timer, DWORD) {
    KillTimer(nullptr, timer);
    EnumThreadWindows(GetCurrentThreadId(), &EndTimedOutBox, 0);
}

}  // namespace

int MessageBoxTimeoutW_Dyn(HWND owner, const wchar_t* text, const wchar_t* caption, UINT type, WORD languageId,
                           DWORD timeoutMs) {
    MessageBoxTimeoutWFn messageBoxTimeout = GetMessageBoxTimeoutW();
    return messageBoxTimeout ? messageBoxTimeout(owner, text, caption, type, languageId, timeoutMs) : 0;
}

int MessageBoxTimeout(HWND owner, const wchar_t* caption, const wchar_t* text, UINT type, DWORD timeoutMs) {
    if (!GetMessageBoxTimeoutW()) return 0;
    t_dialogsBefore.clear();
    EnumThreadWindows(GetCurrentThreadId(), &NoteDialog, 0);
    const UINT_PTR timer = SetTimer(nullptr, 0, timeoutMs, &OnBoxTimeout);
    const int result = MessageBoxTimeoutW_Dyn(owner, text, caption, type, 0, timeoutMs);
    if (timer) KillTimer(nullptr, timer);
    return result;
}
