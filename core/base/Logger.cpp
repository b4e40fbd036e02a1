#include "core/base/Logger.h"

#include <list>
#include <mutex>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"

const wchar_t kLoggerSyncEventName[] = L"Local\\VexloraLogger_SyncEven";

namespace {

const DWORD kTurnWaitMs = 5000;
const int kLineBufferChars = 102400;
const int kFormatBufferChars = 10000;
const int kMaxTagChars = 199;
const int kMaxPathChars = 260;
const SIZE_T kLineThreadStack = 64 * 1024;

// The shared event is auto-reset and created signalled: a successful wait takes the
// turn and resets it in one step, so that two writers can never append at once.
// Every program creates it the same way; whoever comes first decides its kind.
HANDLE CreateSyncEvent() {
    return CreateSharedEvent(kLoggerSyncEventName, false, true);
}

struct LoggerState {
    std::mutex lock;
    CString path;
    ATOM atom = 0;
    CHandle syncEvent;
    CString tag;
    CString defaultTag{L"EXE_Agent"};
    std::list<CString> buffered;
    volatile LONG pending = 0;
};

LoggerState& State() {
    static LoggerState* state = new LoggerState;  // never destroyed: line threads may outlive main
    return *state;
}

bool IsReadable(const wchar_t* text) {
    return text && !IsBadStringPtrW(text, static_cast<UINT_PTR>(-1));
}

}  // namespace

CString LogStampText() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    CString text;
    text.Format(L"%02u/%02u/%02u %02u:%02u:%02u", now.wMonth, now.wDay, now.wYear % 100, now.wHour, now.wMinute,
                now.wSecond);
    return text;
}

namespace {

bool EndsWithLineBreak(const CString& text) {
    int length = text.GetLength();
    return length >= 2 && text[length - 2] == L'\r' && text[length - 1] == L'\n';
}

bool AppendToFile(const CString& path, const wchar_t* text, int length) {
    // OPEN_ALWAYS rather than create-after-failed-open: a file that could not be opened
    // for a moment (a reader without write sharing) must never be truncated.
    // Append-only access: every write lands at the end, whatever the file position.
    CFileHandle file(CreateFileW(path, FILE_APPEND_DATA | FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ,
                                 GetOpenSecurityAttributes(), OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    LARGE_INTEGER size = {};
    if (!GetFileSizeEx(file.get(), &size)) return false;
    CString entry;
    if (size.QuadPart == 0) entry += static_cast<wchar_t>(0xFEFF);
    entry.Append(text, length);
    if (!EndsWithLineBreak(entry)) entry += L"\r\n";
    DWORD bytes = static_cast<DWORD>(entry.GetLength()) * sizeof(wchar_t);
    DWORD written = 0;
    return WriteFile(file.get(), entry.GetString(), bytes, &written, nullptr) && written == bytes;
}

void LineFinished() {
    InterlockedDecrement(&State().pending);
}

// Writes one posted line when its turn comes. 0 written, 1 abandoned wait, 2 dropped
// after waiting too long, 3 no logger or no event.
DWORD WriteLineInTurn(const wchar_t* text) {
    LoggerState& state = State();
    CString path;
    CHandle event;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        path = state.path;
        HANDLE own = nullptr;
        if (state.syncEvent && DuplicateHandle(GetCurrentProcess(), state.syncEvent.get(), GetCurrentProcess(), &own, 0,
                                               FALSE, DUPLICATE_SAME_ACCESS))
            event.reset(own);
    }
    if (path.IsEmpty() || !event) return 3;  // switched off after posting
    DWORD result = 0;
    switch (WaitForSingleObject(event.get(), kTurnWaitMs)) {
        case WAIT_OBJECT_0:
            AppendToFile(path, text, static_cast<int>(wcslen(text)));
            break;
        case WAIT_TIMEOUT:
            result = 2;  // a writer that never gave its turn back: drop this line, free the turn
            break;
        case WAIT_ABANDONED:
            result = 1;
            break;
        default:
            result = 3;
            break;
    }
    SetEvent(event.get());
    return result;
}

DWORD WriteAndFreeLine(void* param) {
    wchar_t* block = static_cast<wchar_t*>(param);
    DWORD result = WriteLineInTurn(block);
    VirtualFree(block, 0, MEM_RELEASE);
    LineFinished();
    return result;
}

// The thread holds a reference to the module its code lives in and lets it go as it
// ends: the hook library can be unloaded from a program while one of its lines is still
// being written.
DWORD WINAPI LineThread(void* param) {
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&LineThread), &self);
    const DWORD result = WriteAndFreeLine(param);
    if (self) FreeLibraryAndExitThread(self, result);
    return result;
}

CString CurrentTag() {
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.tag.IsEmpty() ? state.defaultTag : state.tag;
}

CString ClassNameOf(HWND window) {
    wchar_t name[1025] = {};
    GetClassNameW(window, name, 1024);
    return CString(name);
}

}  // namespace

int LogInit(const wchar_t* path) {
    if (!IsReadable(path) || !*path) return 0;
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.path.IsEmpty()) return 0;
    ATOM atom = GlobalAddAtomW(path);
    if (!atom) return 0;
    HANDLE event = CreateSyncEvent();
    if (!event) {
        GlobalDeleteAtom(atom);
        return 0;
    }
    state.syncEvent.reset(event);
    state.atom = atom;
    state.path = CString(path).Left(kMaxPathChars);
    return 1;
}

int LogShutdown() {
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.path.IsEmpty()) return 0;
    GlobalDeleteAtom(state.atom);
    state.atom = 0;
    state.syncEvent.reset();
    state.path.Empty();
    return 1;
}

bool IsLogEnabled() {
    return !GetLogPath().IsEmpty();
}

CString GetLogPath() {
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.path;
}

int GetLogPath(wchar_t* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    CString path = GetLogPath().Left(size - 1);
    wmemcpy(buffer, path.GetString(), static_cast<size_t>(path.GetLength()) + 1);
    return path.GetLength();
}

ATOM LogGetAtom() {
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    return state.atom;
}

int LogPostLine(const wchar_t* text) {
    if (!IsReadable(text) || !*text || !IsLogEnabled()) return 0;
    size_t chars = wcslen(text) + 1;
    // Committed pages are zero-filled and belong to no heap, so the line thread can
    // free them whatever state the process's heaps are in.
    auto* block = static_cast<wchar_t*>(
        VirtualAlloc(nullptr, chars * sizeof(wchar_t), MEM_COMMIT, PAGE_READWRITE | PAGE_NOCACHE));
    if (!block) return 0;
    wmemcpy(block, text, chars);
    InterlockedIncrement(&State().pending);
    // Line threads wait for their turn, so a burst of lines means as many threads at
    // once; a small stack keeps a burst from exhausting the 32-bit address space.
    // The reference the line thread gives back as it ends is taken here, before the
    // thread exists, so that the module cannot go between the two.
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, reinterpret_cast<LPCWSTR>(&LineThread), &self);
    HANDLE thread =
        self ? CreateThread(nullptr, kLineThreadStack, &LineThread, block, STACK_SIZE_PARAM_IS_A_RESERVATION, nullptr)
             : nullptr;
    if (!thread) {
        if (self) FreeLibrary(self);
        // No thread to be had: write it here rather than lose it.
        WriteAndFreeLine(block);
        return 1;
    }
    CloseHandle(thread);
    return 1;
}

int LogWrite(const wchar_t* text) {
    if (!IsReadable(text)) return 0;
    if (!*text || !IsLogEnabled()) return 0;
    CString tag = CurrentTag();
    CString stamp = LogStampText();
    int length = static_cast<int>(wcslen(text));
    // A text too long for the line buffer goes out bare rather than cut. The bound counts
    // the date and the time, not the blank between them.
    int dateTimeChars = stamp.GetLength() - 1;
    if (tag.GetLength() + length + dateTimeChars + 11 >= kLineBufferChars - 1) return LogPostLine(text);
    CString line;
    line.Preallocate(tag.GetLength() + length + stamp.GetLength() + 8);
    if (!tag.IsEmpty()) line += tag + L": ";
    line += L"[";
    line += stamp;
    line += L"] ";
    line += text;
    return LogPostLine(line);
}

int LogError(const wchar_t* text) {
    if (!IsReadable(text)) return 0;
    return LogPostLine(CString(L"ERROR: [") + text + L"]");
}

int LogWriteFormat(const wchar_t* format, ...) {
    if (!IsReadable(format)) return 0;
    va_list args;
    va_start(args, format);
    CString text;
    text.FormatV(format, args);
    va_end(args);
    // Callers hand in whole phrases and clipboard texts: only their beginning is logged.
    if (text.GetLength() > kFormatBufferChars) {
        const bool splitsPair = IS_HIGH_SURROGATE(text[kFormatBufferChars - 1]);
        text = text.Left(splitsPair ? kFormatBufferChars - 1 : kFormatBufferChars);
    }
    return LogWrite(text);
}

int LogWriteWithPrefix(const wchar_t* text, const wchar_t* prefix) {
    if (!IsReadable(text) || !IsReadable(prefix)) return 0;
    return LogWrite(CString(prefix) + L": " + text);
}

int LogWindowInfo(const wchar_t* text, HWND window) {
    CString line;
    if (IsReadable(text) && *text) line = CString(text) + L": ";
    line.AppendFormat(L"IsWindow HWND=%d ? %d; ", static_cast<int>(reinterpret_cast<INT_PTR>(window)),
                      IsWindow(window) ? 1 : 0);
    line += L"CLASSNAME: [" + ClassNameOf(window) + L"]";
    return LogPostLine(line);
}

int LogWindowState(HWND window, const wchar_t* name) {
    if (!IsReadable(name)) return 0;
    LogSetTag(name);
    CString text;
    text.Format(L"IsWindow=%d", IsWindow(window) ? 1 : 0);
    int result = LogWriteWithPrefix(text, name);
    text.Format(L"classname=[%s]", ClassNameOf(window).GetString());
    result &= LogWriteWithPrefix(text, name);
    LogResetTag();
    return result;
}

int LogErrorOrWrite(const wchar_t* text, int flag) {
    return flag == 0 ? LogError(text) : LogWrite(text);
}

void LogSetTag(const wchar_t* tag) {
    CString value = IsReadable(tag) ? CString(tag).Left(kMaxTagChars) : CString();
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.tag = value;
}

void LogResetTag() {
    LogSetTag(nullptr);
}

void LogSetDefaultTag(const wchar_t* tag) {
    CString value = IsReadable(tag) ? CString(tag).Left(kMaxTagChars) : CString();
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.defaultTag = value;
}

void LogBuffered(const wchar_t* text) {
    if (!IsReadable(text)) return;
    LoggerState& state = State();
    std::lock_guard<std::mutex> guard(state.lock);
    state.buffered.push_back(state.defaultTag + L" [" + LogStampText() + L"] " + text);
}

int LogFlushBuffered() {
    CString block;
    {
        LoggerState& state = State();
        std::lock_guard<std::mutex> guard(state.lock);
        if (state.buffered.empty()) return 0;
        for (const CString& line : state.buffered) {
            if (!block.IsEmpty()) block += L"\n";
            block += line;
        }
        // Emptied once written: a second flush must not write the same block again.
        state.buffered.clear();
    }
    return LogPostLine(block);
}

bool LogWaitPending(DWORD timeoutMs) {
    DWORD start = GetTickCount();
    while (InterlockedCompareExchange(&State().pending, 0, 0) != 0) {
        if (GetTickCount() - start >= timeoutMs) return false;
        Sleep(5);
    }
    return true;
}
