#include "hooklib/Exchange.h"

#include <cstring>

#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "core/base/TextConversions.h"
#include "hooklib/HookLog.h"

namespace {

// What of the view at `view` may be touched: VirtualQuery reports the mapped region, which
// is the view rounded up to whole pages.
SIZE_T ViewSize(const void* view) {
    MEMORY_BASIC_INFORMATION info = {};
    if (!VirtualQuery(view, &info, sizeof(info))) return 0;
    return info.RegionSize;
}

// The UTF-8 text cut to at most `bytes`, backing off over continuation bytes so that no
// character is split.
std::string CutUtf8(const std::string& text, size_t bytes) {
    if (text.size() <= bytes) return text;
    while (bytes > 0 && (static_cast<unsigned char>(text[bytes]) & 0xC0) == 0x80) --bytes;
    return text.substr(0, bytes);
}

void LogLine(const wchar_t* format, int a, int b) {
    wchar_t line[160];
    swprintf(line, sizeof(line) / sizeof(line[0]), format, a, b);
    HookLogWrite(line);
}

}  // namespace

bool WriteExchangeText(const wchar_t* mappingName, const std::string& text) {
    if (!mappingName || text.empty() || text.size() >= static_cast<size_t>(kExchangeTextMaxBytes)) return false;
    const DWORD size = static_cast<DWORD>(text.size() + 1);
    // An existing mapping keeps its own size whatever is asked for here; the view is
    // therefore measured before anything is copied into it.
    CHandle mapping(CMMFFile::CreateMMF_File(mappingName, size, true));
    if (!mapping) return false;
    CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_WRITE, 0, 0, 0));
    if (!view) return false;
    if (ViewSize(view.get()) < size) {
        LogLine(L"WriteExchangeText: mapping of %d bytes too small for %d", static_cast<int>(ViewSize(view.get())),
                static_cast<int>(size));
        return false;
    }
    memcpy(view.get(), text.c_str(), size);
    FlushViewOfFile(view.get(), size);
    return true;
}

bool ReadExchangeText(const wchar_t* mappingName, std::string& text) {
    if (!mappingName) return false;
    CHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, mappingName));
    if (!mapping) {
        HookLogError(L"cannot open file");
        return false;
    }
    CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) {
        HookLogError(L"cannot MapViewOfFile");
        return false;
    }
    SIZE_T readable = ViewSize(view.get());
    if (readable > static_cast<SIZE_T>(kExchangeTextMaxBytes)) readable = kExchangeTextMaxBytes;
    const char* start = static_cast<const char*>(view.get());
    const void* zero = memchr(start, 0, readable);
    const int length = zero ? static_cast<int>(static_cast<const char*>(zero) - start) : static_cast<int>(readable);
    LogLine(L"Read A from buffer, filelen=%d max_len=%d", length, kExchangeTextMaxBytes);
    if (!zero) {
        HookLogError(L"cannot read A from MMF");
        return false;
    }
    text.assign(start, static_cast<size_t>(length));
    return true;
}

std::string PrintCappedWPQuery(CWPQueryData& query) {
    std::string printed = PrintWPQuery(query);
    const size_t limit = kExchangeTextMaxBytes - 1;
    if (printed.size() <= limit) return printed;
    const int originalLength = query.m_selectedText.GetLength();
    // Escaping makes the printed selection longer than its UTF-8, so the longest prefix
    // that fits is searched for: a cut at `fits` fits, one at `tooLong` does not.
    const std::string selection = WideToUtf8(query.m_selectedText);
    size_t fits = 0;
    size_t tooLong = selection.size();
    while (tooLong - fits > 1) {
        const size_t middle = fits + (tooLong - fits) / 2;
        query.m_selectedText = CString(Utf8ToWide(CutUtf8(selection, middle).c_str()).c_str());
        if (PrintWPQuery(query).size() <= limit)
            fits = middle;
        else
            tooLong = middle;
    }
    query.m_selectedText = CString(Utf8ToWide(CutUtf8(selection, fits).c_str()).c_str());
    printed = PrintWPQuery(query);
    LogLine(L"Selected text of %d characters cut to %d", originalLength, query.m_selectedText.GetLength());
    return printed;
}

bool WaitForAnswerEvent(HANDLE event, int messageLimit, DWORD timeLimitMs) {
    const ULONGLONG deadline = GetTickCount64() + timeLimitMs;
    int count = 0;
    bool quit = false;
    WPARAM quitCode = 0;
    bool signalled = false;
    while (!quit) {
        const DWORD state = WaitForSingleObject(event, 0);
        if (state == WAIT_OBJECT_0) {
            signalled = true;
            break;
        }
        if (state != WAIT_TIMEOUT || count > messageLimit) break;
        MSG message;
        if (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                quitCode = message.wParam;
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
            ++count;
            continue;
        }
        const ULONGLONG now = GetTickCount64();
        if (now >= deadline) break;
        const DWORD wait = MsgWaitForMultipleObjects(1, &event, FALSE, static_cast<DWORD>(deadline - now), QS_ALLINPUT);
        if (wait != WAIT_OBJECT_0 && wait != WAIT_OBJECT_0 + 1 && wait != WAIT_TIMEOUT) break;
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return signalled;
}

int ExchangeWPQuery(const CExchangeNames& names, CWPQueryData& query, CWPAnswerData& answer, int waitLimit,
                    DWORD timeLimitMs) {
    if (!WriteExchangeText(names.mappingName, PrintCappedWPQuery(query))) return WPX_QUERY_NOT_WRITTEN;
    AllowSetForegroundWindow(ASFW_ANY);
    {
        CHandle needed(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, names.dataNeededName));
        if (!needed || !SetEvent(needed.get())) return WPX_NEEDED_EVENT_FAILED;
        // A pulse: the main program's query thread is already waiting on it.
        ResetEvent(needed.get());
    }
    if (waitLimit == kAnswerNoWait) {
        HookLogWrite(L"DO_NOT_WAIT_ANSWER: does not wait answer");
        return WPX_NO_ANSWER;
    }
    CHandle completed(OpenEventW(EVENT_MODIFY_STATE | SYNCHRONIZE, FALSE, names.dataCompletedName));
    if (!completed) return WPX_NO_ANSWER;
    ResetEvent(completed.get());
    SetLastError(0);
    const bool answered = WaitForAnswerEvent(completed.get(), waitLimit, timeLimitMs);
    ResetEvent(completed.get());
    if (!answered) return WPX_NO_ANSWER;
    std::string text;
    if (!ReadExchangeText(names.mappingName, text)) return WPX_ANSWER_UNREADABLE;
    return ParseWPAnswer(text.c_str(), answer);
}
