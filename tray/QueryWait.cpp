#include "tray/QueryWait.h"

#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/MyCopyGuard.h"
#include "core/base/Clipboard.h"
#include "core/base/InputSender.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/WorkerThread.h"

namespace {

// A copy command may need this long to reach the clipboard after WM_COPY came back: the
// simulated Ctrl+C travels through the target's input queue.
const DWORD kCopySettleMs = 400;
const UINT kCopyMessageMs = 1000;
const DWORD kClipboardOpenMs = 1000;

CString ErrorCodeText(DWORD code) {
    CString text;
    text.Format(L" Error code: %d, desc: ", static_cast<int>(code));
    return text + GetErrorMessageText(code);
}

void LogCannotCreate(const wchar_t* what, const wchar_t* name, DWORD code) {
    LogError(CString(L"Cannot create ") + what + L" objname: [" + name + L"]" + ErrorCodeText(code));
}

void CloseLogged(CHandle& handle, const wchar_t* name) {
    if (!handle) return;
    SetHandleInformation(handle.get(), HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
    if (!CloseHandle(handle.release()))
        LogError(CString(L"Cannot close ") + L" objname: [" + name + L"]" + ErrorCodeText(GetLastError()));
}

const wchar_t* SelTextStateText(int state) {
    switch (state) {
        case WPSEL_NONE:
            return L"No has selected text";
        case WPSEL_UNREADABLE:
            return L"O-ooops! Cannot get selected text from target application";
        case WPSEL_READ:
            return L"Wax! Text extracted by agent";
        default:
            return L"";
    }
}

SIZE_T ViewSize(const void* view) {
    MEMORY_BASIC_INFORMATION info = {};
    return VirtualQuery(view, &info, sizeof info) ? info.RegionSize : 0;
}

bool ReadQueryText(const wchar_t* mappingName, std::string& text) {
    CHandle mapping(OpenFileMappingW(FILE_MAP_READ, FALSE, mappingName));
    if (!mapping) {
        LogError(L"cannot open file");
        return false;
    }
    CMappedView view(MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0));
    if (!view) {
        LogError(L"cannot MapViewOfFile");
        return false;
    }
    SIZE_T readable = ViewSize(view.get());
    if (readable > static_cast<SIZE_T>(kQueryTextMaxBytes)) readable = kQueryTextMaxBytes;
    const char* start = static_cast<const char*>(view.get());
    const void* zero = memchr(start, 0, readable);
    const int length = zero ? static_cast<int>(static_cast<const char*>(zero) - start) : static_cast<int>(readable);
    LogWriteFormat(L"Read A from buffer, filelen=%d max_len=%d", length, kQueryTextMaxBytes);
    // A text without its zero is one the library never finished writing.
    if (!zero || length == 0) return false;
    text.assign(start, static_cast<size_t>(length));
    return true;
}

// Sent messages are answered while the copy settles: a program that copies waits for
// the clipboard's owner to answer WM_DESTROYCLIPBOARD, and the owner is this thread's
// window. Posted messages wait, so nothing of the caller's runs in between.
void AnswerSentMessagesFor(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    for (;;) {
        MSG message;
        PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        const ULONGLONG now = GetTickCount64();
        if (now >= end) return;
        MsgWaitForMultipleObjectsEx(0, nullptr, static_cast<DWORD>(end - now), QS_SENDMESSAGE, 0);
    }
}

void PressCtrlC() {
    std::vector<INPUT> inputs(4);
    const WORD keys[4] = {VK_CONTROL, 0x43, 0x43, VK_CONTROL};
    for (int i = 0; i < 4; ++i) {
        inputs[i].type = INPUT_KEYBOARD;
        inputs[i].ki.wVk = keys[i];
        inputs[i].ki.dwFlags = i < 2 ? 0 : KEYEVENTF_KEYUP;
    }
    SystemInputSender().Send(inputs);
}

CString ReadClipboardText(HWND owner) {
    IClipboard& clipboard = SystemClipboard();
    if (!clipboard.Open(owner, kClipboardOpenMs)) return CString();
    CString text;
    if (!ReadClipboardUnicodeText(clipboard, text) || text.IsEmpty()) {
        std::vector<BYTE> bytes;
        text.Empty();
        if (clipboard.Read(CF_TEXT, bytes) && !bytes.empty()) {
            bytes.push_back(0);
            text = AnsiToWide(reinterpret_cast<const char*>(bytes.data())).c_str();
        }
    }
    clipboard.Close();
    return text;
}

void HandleOneQuery(CWaitQueryContext& context) {
    CQueryHandOver* handOver = CQueryHandOver::Create();
    const bool read = ReadQueryFromMapping(context.mappingName, handOver->query);
    ResetEvent(context.dataNeeded.get());
    if (!read) {
        LogError(L"Cannot read query from MMF");
        // A library that waits for an answer stops waiting.
        SetEvent(context.dataCompleted.get());
        handOver->Release();
        return;
    }
    CompleteQuerySelection(handOver->query,
                           context.copySelection ? context.copySelection : SelectionCopyProc(&GetSelectedTextByCopy));
    LogWrite(DescribeReceivedQuery(handOver->query));

    // The window's reference: it lets go when its handler is done, even when this
    // thread has given up waiting for it long before.
    handOver->AddRef();
    DWORD_PTR result = 0;
    const LRESULT sent =
        SendMessageTimeoutW(context.trayWindow, context.queryMessage, reinterpret_cast<WPARAM>(handOver), 0,
                            SMTO_BLOCK | SMTO_ABORTIFHUNG, kQueryHandOverMs, &result);
    // A window that is gone never receives it.
    if (!sent && GetLastError() == ERROR_INVALID_WINDOW_HANDLE) handOver->Release();
    if (sent && result == 1) {
        ResetEvent(context.dataCompleted.get());
        if (WriteAnswerToMapping(handOver->answer, context.mappingName)) SetEvent(context.dataCompleted.get());
    }
    handOver->Release();
}

}  // namespace

CWaitObjectNames GetDefaultWaitObjectNames() {
    return {kInterchangeAreaName, kDataNeededEventName, kDataCompletedEventName};
}

HANDLE WPInterProcess::CreateEmptyFileMapping(const wchar_t* name) {
    const DWORD callerError = GetLastError();
    HANDLE mapping = CMMFFile::CreateMMF_File(name, kInterchangeAreaSize, true);
    const DWORD code = GetLastError();
    if (mapping && code != ERROR_SUCCESS) {
        CString line;
        line.Format(L"WPInterProcess::CreateEmptyFileMapping, error code: %d error desc: ", static_cast<int>(code));
        LogError(line + GetErrorMessageText(code));
        if (code == ERROR_ALREADY_EXISTS)
            LogError(
                L"GetLastError ERROR_ALREADY_EXISTS in the CreateEmptyFileMapping, "
                L"CVXL_Wait_Objs::CreateWaitObjects");
    }
    if (mapping) SetLastError(callerError);
    return mapping;
}

// ---------------------------------------------------------------------------------------

CVXL_Wait_Objs::CVXL_Wait_Objs(const CWaitObjectNames& names) : m_names(names) {}

CVXL_Wait_Objs::~CVXL_Wait_Objs() {
    CloseWaitObjects();
}

bool CVXL_Wait_Objs::CreateWaitObjects() {
    if (CMMFFile::OpenMMF_File_Test(m_names.mappingName)) {
        const DWORD code = GetLastError();
        LogError(
            CString(L"Cannot create CMMFFile::OpenMMF_File_Test IS true in the [CVXL_Wait_Objs::CreateWaitObjects]") +
            L" objname: [" + m_names.mappingName + L"]" + ErrorCodeText(code));
    }
    m_mapping.reset(WPInterProcess::CreateEmptyFileMapping(m_names.mappingName));
    if (!m_mapping) {
        LogCannotCreate(L"FileMapping", m_names.mappingName, GetLastError());
        CloseWaitObjects();
        return false;
    }
    m_dataNeeded.reset(CreateSharedEvent(m_names.dataNeededName, true, false));
    if (!m_dataNeeded) {
        LogCannotCreate(L"Event for data needed", m_names.dataNeededName, GetLastError());
        CloseWaitObjects();
        return false;
    }
    m_dataCompleted.reset(CreateSharedEvent(m_names.dataCompletedName, true, false));
    if (!m_dataCompleted) {
        LogCannotCreate(L"Event for data complete", m_names.dataCompletedName, GetLastError());
        CloseWaitObjects();
        return false;
    }
    LogWrite(L"All wait objects successfully created");
    return true;
}

void CVXL_Wait_Objs::CloseWaitObjects() {
    StopWorker();
    CloseLogged(m_dataCompleted, m_names.dataCompletedName);
    CloseLogged(m_dataNeeded, m_names.dataNeededName);
    CloseLogged(m_mapping, m_names.mappingName);
}

void CVXL_Wait_Objs::StopWorker() {
    if (m_workerStop) SetEvent(m_workerStop.get());
    m_workerStop.reset();
}

bool CVXL_Wait_Objs::StartQueryThread(HWND window, HANDLE exitEvent, UINT queryMessage, UINT errorMessage) {
    // Two workers on one event would both answer every query.
    StopWorker();
    auto context = std::make_unique<CWaitQueryContext>();
    context->trayWindow = window;
    context->exitEvent = DuplicateForWorker(exitEvent);
    context->dataNeeded = DuplicateForWorker(m_dataNeeded.get());
    context->dataCompleted = DuplicateForWorker(m_dataCompleted.get());
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    context->stopEvent = DuplicateForWorker(stop.get());
    context->mappingName = m_names.mappingName;
    context->queryMessage = queryMessage;
    context->errorMessage = errorMessage;
    context->wait = m_wait;
    context->copySelection = m_copy;
    if (!context->exitEvent || !context->dataNeeded || !context->dataCompleted || !context->stopEvent) {
        LogError(L"Cannot start thread for waiting of query CWaitQuery::StartWaitThread");
        return false;
    }
    if (!CWaitQuery::StartWaitThread(std::move(context))) return false;
    m_workerStop = std::move(stop);
    return true;
}

// ---------------------------------------------------------------------------------------

bool CWaitQuery::StartWaitThread(std::unique_ptr<CWaitQueryContext> context) {
    if (StartWorker(std::move(context), &CWaitQuery::ThreadProc_WaitQuery)) return true;
    LogError(L"Cannot start thread for waiting of query CWaitQuery::StartWaitThread");
    return false;
}

DWORD CWaitQuery::ThreadProc_WaitQuery(CWaitQueryContext& context) {
    const HANDLE handles[3] = {context.dataNeeded.get(), context.exitEvent.get(), context.stopEvent.get()};
    const DWORD count = context.stopEvent ? 3 : 2;
    int errors = 0;
    bool failed = false;
    DWORD code = 0;
    for (;;) {
        const DWORD woken =
            context.wait ? context.wait(count, handles) : WaitForMultipleObjects(count, handles, FALSE, INFINITE);
        if (woken == WAIT_OBJECT_0) {
            HandleOneQuery(context);
            continue;
        }
        if (woken > WAIT_OBJECT_0 && woken < WAIT_OBJECT_0 + count) break;
        failed = true;
        code = GetLastError();
        CString line;
        line.Format(L"Default on CWaitQuery::ThreadProc_WaitQuery error_code=%d, the error_count? =%d",
                    static_cast<int>(code), errors);
        LogError(line + L"error: " + GetErrorMessageText(code));
        if (errors >= kQueryWaitErrorsTolerated) break;
        ++errors;
        // Re-tested before waiting again, so a broken event cannot make the loop spin.
        ResetEvent(context.dataNeeded.get());
        if (WaitForSingleObject(context.dataNeeded.get(), 1) != WAIT_TIMEOUT) break;
        LogError(L"CWaitQuery::ThreadProc_WaitQuery: the data-needed event was revived after a failed wait");
        failed = false;
        code = 0;
    }
    CString line;
    line.Format(L"Exit from ThreadProc_WaitQuery [ret_value=%d, error_code=%d]", failed ? 1 : 0,
                static_cast<int>(code));
    LogErrorOrWrite(line + L"error: " + GetErrorMessageText(code), failed ? 0 : 1);
    if (failed) PostMessageW(context.trayWindow, context.errorMessage, code, 0);
    return failed ? 1 : 0;
}

// ---------------------------------------------------------------------------------------

bool ReadQueryFromMapping(const wchar_t* mappingName, CWPQueryData& query) {
    std::string text;
    return mappingName && ReadQueryText(mappingName, text) && ParseWPQuery(text.c_str(), query);
}

bool WriteAnswerToMapping(const CWPAnswerData& answer, const wchar_t* mappingName) {
    const std::string text = PrintWPAnswer(answer);
    if (text.empty()) return false;
    if (CMMFFile(mappingName).WriteMMF_StringA(text.c_str(), true)) return true;
    LogError(L"Cannot write answer to MMF\n");
    return false;
}

bool CompleteQuerySelection(CWPQueryData& query, const SelectionCopyProc& copy) {
    if (query.m_selTextState != WPSEL_UNREADABLE || !query.m_selectedText.IsEmpty()) return false;
    const CString text = copy(query.m_targetWindow);
    if (!text.IsEmpty()) {
        query.m_selectedText = text;
        query.m_selTextState = WPSEL_READ;
    }
    return true;
}

CString DescribeReceivedQuery(const CWPQueryData& query) {
    CString text = L"Received query:\r\n\tExe: " + query.m_appPath + L"\r\n\tClassName: " + query.m_windowClassName;
    text.AppendFormat(L"\r\n\tHKL: %u", static_cast<unsigned>(reinterpret_cast<UINT_PTR>(query.m_keyboardLayout)));
    text += L"\r\n\tSelText: [" + query.m_selectedText + L"]";
    text += CString(L"\r\n\tSelText State: [") + SelTextStateText(query.m_selTextState) + L"]";
    return text;
}

CString GetSelectedTextByCopy(HWND target) {
    // The history must not keep what this copy puts on the clipboard.
    CMyCopyLock notForHistory;
    // This thread's own window owns the emptied clipboard, so the target's copy asks it,
    // and it answers while waiting below.
    CWindowHandle owner(CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr));
    {
        CClipboardOpen clipboard(owner.get(), kClipboardOpenMs);
        if (clipboard) EmptyClipboard();
    }
    PressCtrlC();
    DWORD_PTR ignored = 0;
    SendMessageTimeoutW(target, WM_COPY, 0, 0, SMTO_ABORTIFHUNG, kCopyMessageMs, &ignored);
    AnswerSentMessagesFor(kCopySettleMs);
    return ReadClipboardText(owner.get());
}
