#include "hooklib/SelectedText.h"

#include <mshtml.h>
#include <richedit.h>

#include <cstring>
#include <new>
#include <vector>

#include "core/base/Clipboard.h"
#include "core/base/Handles.h"
#include "core/base/InputSender.h"
#include "core/base/PlatformBinding.h"
#include "core/base/SharedEvents.h"
#include "core/base/TextConversions.h"
#include "core/base/WorkerThread.h"

namespace {

// A selection [start, end) of `text` copied with its zero into the buffer, or nothing
// when it reaches past the text or does not fit: the text may have changed since the
// size query, and the caller's buffer was sized for the old one.
int CopySelection(const wchar_t* text, size_t textLength, size_t start, size_t end, wchar_t* buffer, int bufferLength,
                  int& state) {
    if (start > end || end > textLength || bufferLength <= 0 || end - start >= static_cast<size_t>(bufferLength)) {
        state = kSelectionUnreadable;
        return 0;
    }
    const size_t count = end - start;
    if (count) memcpy(buffer, text + start, count * sizeof(wchar_t));
    buffer[count] = L'\0';
    state = kSelectionRead;
    return static_cast<int>(count);
}

// Size query or read of the selection [start, end) of an edit field's own text.
int ReadEditField(HWND textWindow, DWORD start, DWORD end, wchar_t* buffer, int bufferLength, int& state) {
    if (start >= end) {
        state = kSelectionNone;
        return 0;
    }
    if (end - start >= static_cast<DWORD>(INT_MAX)) {
        state = kSelectionUnreadable;
        return 0;
    }
    if (!buffer) {
        state = kSelectionRead;
        return static_cast<int>(end - start) + 1;
    }
    const int length = GetWindowTextLengthW(textWindow);
    if (length < 0 || static_cast<DWORD>(length) < end) {
        state = kSelectionUnreadable;
        return 0;
    }
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    const int got = GetWindowTextW(textWindow, text.data(), length + 1);
    return CopySelection(text.data(), static_cast<size_t>(got > 0 ? got : 0), start, end, buffer, bufferLength, state);
}

class CBstr {
public:
    CBstr() = default;
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;
    ~CBstr() { SysFreeString(m_text); }
    BSTR* out() { return &m_text; }
    const wchar_t* get() const { return m_text ? m_text : L""; }
    size_t length() const { return SysStringLen(m_text); }

private:
    BSTR m_text = nullptr;
};

BOOL CALLBACK FindDocumentChild(HWND child, LPARAM found) {
    wchar_t name[64] = {};
    GetClassNameW(child, name, 64);
    if (wcscmp(name, L"Internet Explorer_Server") != 0) return TRUE;
    *reinterpret_cast<HWND*>(found) = child;
    return FALSE;
}

HWND FindDocumentWindow(HWND window) {
    HWND found = nullptr;
    EnumChildWindows(window, FindDocumentChild, reinterpret_cast<LPARAM>(&found));
    return found ? found : window;
}

// The copy thread's part: it runs beside the pumping thread so that the keys it
// presses and the messages it posts reach the program while it is in our pump.
struct CopyThreadContext {
    bool byCommand;
    IInputSender* input;
};

constexpr WPARAM kEditCopyCommand = 0xE122;
constexpr DWORD kKeyHoldMs = 50;
constexpr DWORD kAfterPostMs = 10;
constexpr DWORD kThreadEndMs = 200;

INPUT KeyInput(WORD key, bool up) {
    INPUT input = {};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = key;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyW(key, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    return input;
}

DWORD RunCopyThread(CopyThreadContext& context) {
    HWND foreground = GetForegroundWindow();
    HWND topLevel = foreground ? GetAncestor(foreground, GA_ROOT) : nullptr;
    if (context.byCommand) {
        if (topLevel) PostMessageW(topLevel, WM_COMMAND, kEditCopyCommand, reinterpret_cast<LPARAM>(topLevel));
    } else {
        context.input->Send({KeyInput(VK_CONTROL, false), KeyInput('C', false)});
        Sleep(kKeyHoldMs);
        context.input->Send({KeyInput(VK_CONTROL, true), KeyInput('C', true)});
        if (foreground) PostMessageW(foreground, WM_COPY, 0, 0);
    }
    Sleep(kAfterPostMs);
    return 0;
}

UINT ClipboardCodePage(IClipboard& clipboard) {
    std::vector<BYTE> bytes;
    if (!clipboard.Read(CF_LOCALE, bytes) || bytes.size() < sizeof(LCID)) return CP_ACP;
    LCID locale = 0;
    memcpy(&locale, bytes.data(), sizeof locale);
    DWORD codePage = 0;
    if (!GetLocaleInfoW(locale, LOCALE_IDEFAULTANSICODEPAGE | LOCALE_RETURN_NUMBER, reinterpret_cast<LPWSTR>(&codePage),
                        sizeof codePage / sizeof(wchar_t)) ||
        codePage == 0)
        return CP_ACP;
    return codePage;
}

}  // namespace

int CEditSelectionReader::Read(wchar_t* buffer, int bufferLength, int& state) {
    state = kSelectionUnreadable;
    if (!IsWindow(m_window)) return 0;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(m_window, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return ReadEditField(m_window, start, end, buffer, bufferLength, state);
}

int CComboSelectionReader::Read(wchar_t* buffer, int bufferLength, int& state) {
    state = kSelectionUnreadable;
    if (!IsWindow(m_window)) return 0;
    COMBOBOXINFO info = {};
    info.cbSize = sizeof info;
    if (!SendMessageW(m_window, CB_GETCOMBOBOXINFO, 0, reinterpret_cast<LPARAM>(&info)) || !IsWindow(info.hwndItem))
        return 0;
    DWORD start = 0;
    DWORD end = 0;
    SendMessageW(m_window, CB_GETEDITSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    return ReadEditField(info.hwndItem, start, end, buffer, bufferLength, state);
}

int CRichEditSelectionReader::Read(wchar_t* buffer, int bufferLength, int& state) {
    state = kSelectionUnreadable;
    if (!IsWindow(m_window)) return 0;
    CHARRANGE range = {};
    SendMessageW(m_window, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    if (range.cpMin == range.cpMax) {
        state = kSelectionNone;
        return 0;
    }
    if (range.cpMin < 0 || range.cpMax < range.cpMin) return 0;
    const size_t start = static_cast<size_t>(range.cpMin);
    const size_t end = static_cast<size_t>(range.cpMax);
    if (!buffer) {
        if (end - start >= static_cast<size_t>(INT_MAX)) return 0;
        state = kSelectionRead;
        return static_cast<int>(end - start) + 1;
    }
    const int length = GetWindowTextLengthW(m_window);
    if (length < 0 || length >= INT_MAX / 2 - 1) return 0;
    // The control counts a paragraph break as one character in its positions; the
    // window-text length counts it as two, so this buffer is never too small.
    std::vector<wchar_t> text(static_cast<size_t>(length) + 1);
    GETTEXTEX request = {};
    request.cb = static_cast<DWORD>(text.size() * sizeof(wchar_t));
    request.flags = GT_DEFAULT;
    request.codepage = 1200;
    const LRESULT got =
        SendMessageW(m_window, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&request), reinterpret_cast<LPARAM>(text.data()));
    if (got < 0 || static_cast<size_t>(got) >= text.size()) return 0;
    return CopySelection(text.data(), static_cast<size_t>(got), start, end, buffer, bufferLength, state);
}

int CDocumentSelectionReader::Read(wchar_t* buffer, int bufferLength, int& state) {
    state = kSelectionUnreadable;
    if (!IsWindow(m_window)) return 0;
    CComInit com;
    // Bound at run time: the library is loaded into every program, most of which never
    // show a document.
    CBoundModule oleacc(L"OLEACC.DLL");
    using ObjectFromLresultProc = HRESULT(WINAPI*)(LRESULT, REFIID, WPARAM, void**);
    auto objectFromLresult = BindProc<ObjectFromLresultProc>(oleacc.get(), "ObjectFromLresult");
    if (!objectFromLresult) return 0;

    const UINT getObject = RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
    DWORD_PTR answer = 0;
    if (!getObject ||
        !SendMessageTimeoutW(FindDocumentWindow(m_window), getObject, 0, 0, SMTO_ABORTIFHUNG, 1000, &answer) || !answer)
        return 0;
    CComPtr<IHTMLDocument> document;
    if (FAILED(objectFromLresult(static_cast<LRESULT>(answer), __uuidof(IHTMLDocument), 0, document.outVoid())) ||
        !document)
        return 0;
    CComPtr<IHTMLDocument2> document2;
    if (FAILED(document->QueryInterface(__uuidof(IHTMLDocument2), document2.outVoid())) || !document2) return 0;
    CComPtr<IHTMLSelectionObject> selection;
    if (FAILED(document2->get_selection(selection.out())) || !selection) return 0;
    CBstr type;
    if (FAILED(selection->get_type(type.out()))) return 0;
    if (_wcsicmp(type.get(), L"none") == 0) {
        state = kSelectionNone;
        return 0;
    }
    CComPtr<IDispatch> rangeObject;
    if (FAILED(selection->createRange(rangeObject.out())) || !rangeObject) return 0;
    CComPtr<IHTMLTxtRange> range;
    if (FAILED(rangeObject->QueryInterface(__uuidof(IHTMLTxtRange), range.outVoid())) || !range) return 0;
    CBstr text;
    if (FAILED(range->get_text(text.out()))) return 0;
    const size_t length = text.length();
    if (length == 0) {
        state = kSelectionNone;
        return 0;
    }
    if (length >= static_cast<size_t>(INT_MAX)) return 0;
    if (!buffer) {
        state = kSelectionRead;
        return static_cast<int>(length) + 1;
    }
    return CopySelection(text.get(), length, 0, length, buffer, bufferLength, state);
}

CClipboardSelectionReader::CClipboardSelectionReader(HWND window, bool copyByCommand)
    : CClipboardSelectionReader(window, copyByCommand, m_systemClipboard, SystemInputSender()) {}

int CClipboardSelectionReader::Read(wchar_t* buffer, int bufferLength, int& state) {
    state = kSelectionUnreadable;
    if (!buffer || !m_haveCopied) {
        m_haveCopied = Copy(m_copied);
        if (!m_haveCopied) return 0;
    }
    const int length = m_copied.GetLength();
    if (length == 0) {
        state = kSelectionNone;
        return 0;
    }
    if (!buffer) {
        state = kSelectionRead;
        return length + 1;
    }
    return CopySelection(m_copied.GetString(), static_cast<size_t>(length), 0, static_cast<size_t>(length), buffer,
                         bufferLength, state);
}

bool CClipboardSelectionReader::Copy(CString& text) {
    CScopedCursor cursor(IDC_APPSTARTING);
    if (m_clipboard.Open(m_window, kClipboardOpenMs)) {
        m_clipboard.Empty();
        m_clipboard.Close();
    }
    CHandle thread;
    WorkerOptions options;
    options.suspended = true;
    options.stack = kWaitingThreadStack;
    bool taken = false;
    if (StartWorker(std::make_unique<CopyThreadContext>(CopyThreadContext{m_copyByCommand, &m_input}), RunCopyThread,
                    options, &thread)) {
        SignalStartCopy();
        ResumeThread(thread.get());
        PumpWhileCopying(thread.get());
        taken = TakeClipboardText(text);
        SignalEndCopy();
    }
    return taken;
}

// Keeps this thread's messages flowing while the program copies: the posted WM_COPY and
// the keys are handled here. A WM_QUIT is the program's own and is posted again for its
// loop; the copy is then not waited for any longer.
void CClipboardSelectionReader::PumpWhileCopying(HANDLE copyThread) {
    const ULONGLONG deadline = GetTickCount64() + kPumpMs;
    bool quit = false;
    int exitCode = 0;
    for (ULONGLONG now = GetTickCount64(); now < deadline && !quit; now = GetTickCount64()) {
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(deadline - now), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
        MSG message;
        while (!quit && GetTickCount64() < deadline && PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                quit = true;
                exitCode = static_cast<int>(message.wParam);
                break;
            }
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    // The thread lives some tens of milliseconds; it is given a little longer to let go
    // of the input sender before the reader may go away.
    WaitForSingleObject(copyThread, kThreadEndMs);
    if (quit) PostQuitMessage(exitCode);
}

bool CClipboardSelectionReader::TakeClipboardText(CString& text) {
    if (!m_clipboard.Open(m_window, kClipboardOpenMs)) return false;
    bool taken = ReadClipboardUnicodeText(m_clipboard, text);
    if (!taken) {
        std::vector<BYTE> bytes;
        if (m_clipboard.Read(CF_TEXT, bytes)) {
            bytes.push_back(0);
            const std::wstring wide =
                MultiByteToWideCP(reinterpret_cast<const char*>(bytes.data()), ClipboardCodePage(m_clipboard));
            text = CString(wide.c_str(), static_cast<int>(wide.size()));
            taken = true;
        }
    }
    m_clipboard.Close();
    return taken;
}

std::unique_ptr<CSelectedTextReader> CreateSelectedTextReader(HWND window) {
    if (!IsWindow(window)) return nullptr;
    wchar_t name[101] = {};
    GetClassNameW(window, name, 101);
    if (wcscmp(name, L"Edit") == 0) return std::make_unique<CEditSelectionReader>(window);
    if (wcscmp(name, L"ComboBox") == 0) return std::make_unique<CComboSelectionReader>(window);
    for (const wchar_t* richEdit : {L"RICHEDIT", L"RICHEDIT20A", L"RICHEDIT20W", L"RICHEDIT50W", L"RICHEDIT60W"}) {
        if (_wcsicmp(name, richEdit) == 0) return std::make_unique<CRichEditSelectionReader>(window);
    }
    if (wcscmp(name, L"Internet Explorer_Server") == 0) return std::make_unique<CDocumentSelectionReader>(window);
    // Asking a program for its Copy command is a per-program choice that no program
    // of ours makes.
    return std::make_unique<CClipboardSelectionReader>(window, false);
}

bool GetSelectedText(HWND window, CString& text, int& state) {
    text.Empty();
    state = kSelectionUnreadable;
    try {
        std::unique_ptr<CSelectedTextReader> reader = CreateSelectedTextReader(window);
        if (!reader) return false;
        const int needed = reader->Read(nullptr, 0, state);
        if (needed <= 0) return false;
        if (needed >= INT_MAX - 1) {
            state = kSelectionUnreadable;
            return false;
        }
        wchar_t* buffer = text.GetBuffer(needed + 1);
        const int got = reader->Read(buffer, needed + 1, state);
        if (got <= 0 || state != kSelectionRead) {
            text.ReleaseBuffer(0);
            text.Empty();
            if (state == kSelectionRead) state = kSelectionUnreadable;
            return false;
        }
        text.ReleaseBuffer(got);
        return true;
    } catch (const std::bad_alloc&) {
        text.Empty();
        state = kSelectionUnreadable;
        return false;
    }
}
