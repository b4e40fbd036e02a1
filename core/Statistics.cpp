#include "core/Statistics.h"

#include <utility>

#include "core/AppSlots.h"
#include "core/base/AppPaths.h"
#include "core/base/IniFile.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/WorkerThread.h"

namespace {

const wchar_t kCmdCountKey[] = L"Cmd_Count";
const wchar_t kClipboardCountKey[] = L"Clipboard_Count";

// The commands of the history menu and the float pane that use a history item.
const UINT kClipboardHistoryCommands[] = {
    32793,  // Copy
    32797,  // Copy As Plain Text
    32828,  // Edit
    32845,  // Edit With Notepad
    32849,  // Copy As RTF
    32851,  // Copy As HTML
    32860,  // Copy As HTML Code
    32789,  // Clear History
    32873,  // Remove All Line Breaks
    32812,  // Trim Spaces/Tabs/New Line
    32805,  // Lowercase
    32799,  // UPPERCASE
    32821,  // Run
    32848,  // Open Source URL
    32847,  // Copy Source URL
    32840,  // Search In Google
    32841,  // Search In Yandex
    32843,  // Search In MSDN
    32842,  // Search In Wikipedia
};

CString StatFileHeader(const SYSTEMTIME& today) {
    CString header;
    header += L"; This is the Vexlora Stat file\n";
    header += L"; Format of Sections Data:  \"[STAT_Day:%DayNum%/%MonthNum%/%YearNum%]\"\n";
    header += L"; Example: [" + GetStatSectionName(today) + L"]\n";
    header += L"; [Cmd_Count]: ini-key phrases usage count\n";
    header += L"; [Clipboard_Count]: ini-key clipboard history (float pane) usage count\n";
    header += L"\n";
    return header;
}

bool AddToKey(const wchar_t* path, const CString& section, const wchar_t* key, int32_t amount) {
    if (amount == 0) return true;
    const int old = IniReadInt(path, section, key, 0);
    // Unsigned, so that a count that has run for decades wraps instead of overflowing.
    const int32_t sum = static_cast<int32_t>(static_cast<uint32_t>(old) + static_cast<uint32_t>(amount));
    if (IniWriteInt(path, section, key, sum)) return true;
    // The profile functions may keep the refused value cached and answer it to the next
    // read as if it were in the file.
    WritePrivateProfileStringW(nullptr, nullptr, nullptr, path);
    LogError(L"CStat_Info: cannot write " + CString(key) + L" to " + CString(path));
    return false;
}

}  // namespace

CString GetStatFilePath() {
    return GetProgramFolder() + L"vxl_stat_info.ini";
}

CString GetStatSectionName(const SYSTEMTIME& day) {
    CString section;
    section.Format(L"STAT_Day:%u/%u/%u", day.wDay, day.wMonth, day.wYear);
    return section;
}

bool CreateStatFile(const wchar_t* path, const SYSTEMTIME& today) {
    CHandle file(CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, GetOpenSecurityAttributes(), CREATE_NEW,
                             FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const CString header = StatFileHeader(today);
    const wchar_t bom = 0xFEFF;
    const DWORD headerBytes = static_cast<DWORD>(header.GetLength() * sizeof(wchar_t));
    DWORD written = 0;
    bool ok = WriteFile(file.get(), &bom, sizeof bom, &written, nullptr) && written == sizeof bom;
    ok = ok && WriteFile(file.get(), header.GetString(), headerBytes, &written, nullptr) && written == headerBytes;
    if (ok) return true;
    // A header cut short would make the profile functions take the file for another
    // encoding; without the file they start a clean one.
    file.reset();
    DeleteFileW(path);
    return false;
}

S_INFO AddToStatFile(const wchar_t* path, const SYSTEMTIME& day, const S_INFO& amounts) {
    const CString section = GetStatSectionName(day);
    S_INFO unwritten;
    if (!AddToKey(path, section, kClipboardCountKey, amounts.Clipboard_Count))
        unwritten.Clipboard_Count = amounts.Clipboard_Count;
    if (!AddToKey(path, section, kCmdCountKey, amounts.Cmd_Count)) unwritten.Cmd_Count = amounts.Cmd_Count;
    return unwritten;
}

bool IsClipboardHistoryCommand(UINT commandId) {
    for (UINT id : kClipboardHistoryCommands)
        if (id == commandId) return true;
    return false;
}

// ---------------------------------------------------------------------------------------

CStatPending::CStatPending() {
    InitializeCriticalSection(&m_lock);
}

CStatPending::~CStatPending() {
    DeleteCriticalSection(&m_lock);
}

void CStatPending::Add(int32_t cmdAdd, int32_t clipAdd) {
    EnterCriticalSection(&m_lock);
    m_pending.Cmd_Count += cmdAdd;
    m_pending.Clipboard_Count += clipAdd;
    LeaveCriticalSection(&m_lock);
}

S_INFO CStatPending::Take() {
    EnterCriticalSection(&m_lock);
    S_INFO taken = std::exchange(m_pending, S_INFO());
    LeaveCriticalSection(&m_lock);
    return taken;
}

// ---------------------------------------------------------------------------------------

struct CStat_Info::Shared {
    Shared(const wchar_t* filePath, IClock& clock) : path(filePath), clock(clock) {}
    const CString path;
    IClock& clock;
    CStatPending pending;
};

struct CStat_Info::WriterContext {
    std::shared_ptr<Shared> shared;
    CHandle wake;
    CHandle exit;
};

CStat_Info::CStat_Info(HANDLE exitEvent, const wchar_t* filePath, IClock& clock)
    : m_shared(std::make_shared<Shared>(filePath, clock)), m_exitEvent(exitEvent) {}

CStat_Info::~CStat_Info() = default;

CStat_Info* CStat_Info::GetInstance() {
    static CStat_Info* volatile instance = nullptr;
    if (instance) return instance;
    HANDLE exitEvent = CAppObjects::GetAppExitEvent();
    DWORD flags = 0;
    if (!exitEvent || !GetHandleInformation(exitEvent, &flags)) return nullptr;
    auto made = new CStat_Info(exitEvent, GetStatFilePath(), SystemClock());
    // The counter lives for the process: its writer may still be running at the end.
    if (InterlockedCompareExchangePointer(reinterpret_cast<void* volatile*>(&instance), made, nullptr)) delete made;
    return instance;
}

int CStat_Info::Inc_Cmd_Count() {
    CStat_Info* counter = GetInstance();
    return counter && counter->Write(1, 0) ? 1 : 0;
}

int CStat_Info::Inc_Clipboard_Count() {
    CStat_Info* counter = GetInstance();
    return counter && counter->Write(0, 1) ? 1 : 0;
}

bool CStat_Info::Count_Menu_Command(UINT commandId) {
    return IsClipboardHistoryCommand(commandId) && Inc_Clipboard_Count() != 0;
}

bool CStat_Info::Write(int32_t cmdAdd, int32_t clipAdd) {
    if (cmdAdd == 0 && clipAdd == 0) return false;
    if (!StartWriter()) return false;
    if (cmdAdd <= 0 && clipAdd <= 0) {
        LogError(L"STAT: 0 all values");
        LogError(L"STAT: Write_S_Info_Exchange");
        return false;
    }
    m_shared->pending.Add(cmdAdd, clipAdd);
    const BOOL woken = SetEvent(m_wakeEvent.get());
    LogWriteFormat(L"STAT: SetEvent %d", woken);
    return true;
}

bool CStat_Info::StartWriter() {
    std::lock_guard<std::mutex> lock(m_startLock);
    if (m_writer && WaitForSingleObject(m_writer.get(), 0) == WAIT_TIMEOUT) {
        LogWrite(L"Stat Writing already runngins");
        return true;
    }
    CHandle wake(CreateEventW(nullptr, FALSE, FALSE, nullptr));
    if (!wake) {
        LogError(L"Stat: Cannot create syns event");
        return false;
    }
    auto context = std::make_unique<WriterContext>();
    context->shared = m_shared;
    context->wake = DuplicateForWorker(wake.get());
    context->exit = DuplicateForWorker(m_exitEvent);
    if (!context->wake || !context->exit) {
        LogError(L"STAT: Cannot alloc THREAD_PARAM");
        return false;
    }
    WorkerOptions options;
    options.stack = kWaitingThreadStack;
    options.priority = THREAD_PRIORITY_BELOW_NORMAL;
    CHandle writer;
    if (!StartWorker(std::move(context), &CStat_Info::WriteProc, options, &writer)) {
        LogError(L"STAT: Cannot CreateThread");
        return false;
    }
    m_wakeEvent = std::move(wake);
    m_writer = std::move(writer);
    return true;
}

bool CStat_Info::WaitWriterEnded(DWORD timeoutMs) {
    std::lock_guard<std::mutex> lock(m_startLock);
    return !m_writer || WaitForSingleObject(m_writer.get(), timeoutMs) == WAIT_OBJECT_0;
}

DWORD CStat_Info::WriteProc(WriterContext& context) {
    Shared& shared = *context.shared;
    LogWrite(L"CStat_Info: Enter2_WriteProc");
    LogWrite(L"CStat_Info: " + shared.path);
    bool fileChecked = false;
    const HANDLE events[] = {context.wake.get(), context.exit.get()};
    for (;;) {
        const DWORD index = WaitForMultipleObjects(2, events, FALSE, INFINITE) - WAIT_OBJECT_0;
        LogWriteFormat(L"CStat_Info wait res: dwIndex=%d", static_cast<int>(index));
        if (index == 0) {
            const SYSTEMTIME today = shared.clock.LocalTime();
            // Only the first wake looks for the file: the writer is its only author.
            if (!fileChecked) {
                fileChecked = true;
                if (GetFileAttributesW(shared.path) == INVALID_FILE_ATTRIBUTES) CreateStatFile(shared.path, today);
            }
            const S_INFO amounts = shared.pending.Take();
            if (amounts.Cmd_Count == 0 && amounts.Clipboard_Count == 0) {
                LogError(L"STAT: S_INFO sSync NO has value");
            } else {
                // What the file refused (read-only, say) waits for the next wake instead
                // of being lost.
                const S_INFO unwritten = AddToStatFile(shared.path, today, amounts);
                shared.pending.Add(unwritten.Cmd_Count, unwritten.Clipboard_Count);
            }
            LogWrite(L"CStat_Info: H_RUN ");
        } else if (index == 1) {
            LogWrite(L"CStat_Info: H_CLOSE");
            return 1;
        } else {
            LogError(L"CStat_Info: default");
            return 2;
        }
    }
}
