#include "testkit/Controls.h"

#include "testkit/Poll.h"

#include <cwchar>

namespace testkit {

namespace {

// A control's thread that does not answer within this time is hung, not slow.
constexpr UINT kMessageTimeoutMs = 5000;

CString ClassOf(HWND window) {
    wchar_t name[256] = L"";
    GetClassNameW(window, name, 256);
    return name;
}

CString TitleOf(HWND window) {
    wchar_t title[512] = L"";
    DWORD_PTR unused = 0;
    SendMessageTimeoutW(window, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(title), SMTO_ABORTIFHUNG, kMessageTimeoutMs,
                        &unused);
    return title;
}

bool IsComboBox(HWND control) {
    return ClassOf(control).CompareNoCase(L"ComboBox") == 0;
}

// Shows control characters and non-ASCII as \xXXXX, so that a message names
// exactly which UTF-16 units a control holds.
CString Escaped(const CString& text) {
    CString out(L"\"");
    for (int i = 0; i < text.GetLength(); ++i) {
        const wchar_t ch = text.GetAt(i);
        if (ch >= 0x20 && ch < 0x7F) {
            out += ch;
        } else {
            out.AppendFormat(L"\\x%04X", static_cast<unsigned>(ch));
        }
    }
    return out + L"\"";
}

struct EnumSearch {
    const CWindowQuery* query;
    HWND found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<EnumSearch*>(context);
    const CWindowQuery& query = *search->query;
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (query.processId && processId != query.processId) return TRUE;
    if (!IsWindowVisible(window)) return TRUE;
    if (!query.className.IsEmpty() && ClassOf(window) != query.className) return TRUE;
    if (!query.title.IsEmpty() && TitleOf(window) != query.title) return TRUE;
    search->found = window;
    return FALSE;
}

bool HasFocusIn(HWND control, HWND focus) {
    return focus && (focus == control || IsChild(control, focus));
}

}  // namespace

CString DescribeWindow(HWND window) {
    if (!IsWindow(window)) {
        CString text;
        text.Format(L"0x%08X (no window)", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)));
        return text;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    CString text;
    text.Format(L"0x%08X %s #%d in process %u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(window)),
                ClassOf(window).GetString(), GetDlgCtrlID(window), processId);
    return text;
}

CResult<HWND> WaitForTopLevelWindow(const CWindowQuery& query, DWORD timeoutMs, HANDLE process) {
    HWND found = nullptr;
    bool ended = false;
    PollUntil(timeoutMs, [&] {
        EnumSearch search = {&query, nullptr};
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        found = search.found;
        ended = !found && process && WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
        return found || ended;
    });
    if (found) return found;
    CString what;
    what.Format(L"a visible top-level window titled %s of class %s in process %u", Escaped(query.title).GetString(),
                Escaped(query.className).GetString(), query.processId);
    if (ended) {
        DWORD exitCode = 0;
        GetExitCodeProcess(process, &exitCode);
        return CCheck::FailedF(L"while waiting for %s, the process ended with exit code %u", what.GetString(),
                               exitCode);
    }
    return CCheck::FailedF(L"waited %u ms for %s; none appeared", timeoutMs, what.GetString());
}

CCheck FocusControl(HWND control, DWORD timeoutMs) {
    HWND top = GetAncestor(control, GA_ROOT);
    const DWORD targetThread = GetWindowThreadProcessId(control, nullptr);
    const DWORD ownThread = GetCurrentThreadId();
    GUITHREADINFO info = {};
    HWND foreground = nullptr;
    const bool done = PollUntil(timeoutMs, [&] {
        info = {};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(targetThread, &info);
        foreground = GetForegroundWindow();
        if (foreground == top && HasFocusIn(control, info.hwndFocus)) return true;
        // SetFocus works only on windows of the caller's input queue, so the kit
        // shares the target's queue for the moment it takes.
        const bool attached = AttachThreadInput(ownThread, targetThread, TRUE) != FALSE;
        SetForegroundWindow(top);
        SetFocus(control);
        if (attached) AttachThreadInput(ownThread, targetThread, FALSE);
        return false;
    });
    if (done) return CCheck::Ok();
    return CCheck::FailedF(
        L"waited %u ms for %s to be the foreground window with the focus on %s; the foreground "
        L"window is %s, the target thread's focus %s",
        timeoutMs, DescribeWindow(top).GetString(), DescribeWindow(control).GetString(),
        DescribeWindow(foreground).GetString(), DescribeWindow(info.hwndFocus).GetString());
}

CCheck WaitForFocus(HWND control, DWORD timeoutMs) {
    const DWORD targetThread = GetWindowThreadProcessId(control, nullptr);
    GUITHREADINFO info = {};
    if (PollUntil(timeoutMs, [&] {
            info = {};
            info.cbSize = sizeof info;
            return GetGUIThreadInfo(targetThread, &info) && HasFocusIn(control, info.hwndFocus);
        })) {
        return CCheck::Ok();
    }
    return CCheck::FailedF(L"waited %u ms for %s to have the focus; its thread's focus is %s", timeoutMs,
                           DescribeWindow(control).GetString(), DescribeWindow(info.hwndFocus).GetString());
}

CResult<CString> ReadControlText(HWND control) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(control, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kMessageTimeoutMs, &length)) {
        return CCheck::FailedF(L"WM_GETTEXTLENGTH to %s failed or timed out after %u ms, error %u",
                               DescribeWindow(control).GetString(), kMessageTimeoutMs, GetLastError());
    }
    CString text;
    DWORD_PTR copied = 0;
    const int capacity = static_cast<int>(length) + 1;
    if (!SendMessageTimeoutW(control, WM_GETTEXT, capacity, reinterpret_cast<LPARAM>(text.GetBuffer(capacity)),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &copied)) {
        text.ReleaseBuffer(0);
        return CCheck::FailedF(L"WM_GETTEXT to %s failed or timed out after %u ms, error %u",
                               DescribeWindow(control).GetString(), kMessageTimeoutMs, GetLastError());
    }
    text.ReleaseBuffer(static_cast<int>(copied));
    return text;
}

CResult<CSelection> ReadSelection(HWND control) {
    const UINT message = IsComboBox(control) ? CB_GETEDITSEL : EM_GETSEL;
    DWORD start = 0;
    DWORD end = 0;
    DWORD_PTR unused = 0;
    if (!SendMessageTimeoutW(control, message, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end),
                             SMTO_ABORTIFHUNG, kMessageTimeoutMs, &unused)) {
        return CCheck::FailedF(L"%s to %s failed or timed out after %u ms, error %u",
                               message == EM_GETSEL ? L"EM_GETSEL" : L"CB_GETEDITSEL",
                               DescribeWindow(control).GetString(), kMessageTimeoutMs, GetLastError());
    }
    return CSelection{start, end};
}

CCheck WaitForControlText(HWND control, const CString& expected, DWORD timeoutMs) {
    CResult<CString> seen = CString();
    if (PollUntil(timeoutMs, [&] {
            seen = ReadControlText(control);
            return seen.ok() && seen.value() == expected;
        })) {
        return CCheck::Ok();
    }
    return CCheck::FailedF(L"waited %u ms for %s to hold %s; last read: %s", timeoutMs,
                           DescribeWindow(control).GetString(), Escaped(expected).GetString(),
                           seen.ok() ? Escaped(seen.value()).GetString() : seen.message().GetString());
}

CCheck WaitForSelection(HWND control, CSelection expected, DWORD timeoutMs) {
    CResult<CSelection> seen = CSelection();
    if (PollUntil(timeoutMs, [&] {
            seen = ReadSelection(control);
            return seen.ok() && seen.value() == expected;
        })) {
        return CCheck::Ok();
    }
    CString last;
    if (seen.ok()) {
        last.Format(L"%u-%u", seen.value().start, seen.value().end);
    } else {
        last = seen.message();
    }
    return CCheck::FailedF(L"waited %u ms for the selection of %s to be %u-%u; last read: %s", timeoutMs,
                           DescribeWindow(control).GetString(), expected.start, expected.end, last.GetString());
}

namespace {

BOOL CALLBACK TakeVisibleDialog(HWND window, LPARAM context) {
    wchar_t name[16] = {};
    GetClassNameW(window, name, 16);
    if (wcscmp(name, L"#32770") != 0 || !IsWindowVisible(window)) return TRUE;
    *reinterpret_cast<HWND*>(context) = window;
    return FALSE;
}

}  // namespace

HWND FindVisibleDialogOf(DWORD threadId) {
    HWND found = nullptr;
    EnumThreadWindows(threadId, TakeVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

HWND FindVisibleMenuWindow(HWND except) {
    return FindVisibleMenuWindowOf(GetCurrentProcessId(), except);
}

HWND FindVisibleMenuWindowOf(DWORD processId, HWND except) {
    for (HWND window = FindWindowExW(nullptr, nullptr, L"#32768", nullptr); window;
         window = FindWindowExW(nullptr, window, L"#32768", nullptr)) {
        DWORD process = 0;
        GetWindowThreadProcessId(window, &process);
        if (process == processId && IsWindowVisible(window) && window != except) return window;
    }
    return nullptr;
}

void PostKeyTo(HWND window, WPARAM key) {
    PostMessageW(window, WM_KEYDOWN, key, 0);
    PostMessageW(window, WM_KEYUP, key, 0xC0000000);
}

}  // namespace testkit
