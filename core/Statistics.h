// The program's daily usage counts: phrases pasted and clipboard-history items used,
// kept in "vxl_stat_info.ini" in the program folder, one section per local day
// ("STAT_Day:9/12/2026") with the keys "Cmd_Count" and "Clipboard_Count".
//
// Counting must never make the UI thread wait for the disk: a request only adds its
// amounts to what is pending and wakes a writer thread, which takes everything pending
// and adds it to the file. The writer lives from the first request until the
// application exit event is set.
#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <mutex>

#include "core/base/CString.h"
#include "core/base/Clock.h"
#include "core/base/Handles.h"

// "<program folder>vxl_stat_info.ini".
CString GetStatFilePath();

// The amounts one update adds to a day's counts.
struct S_INFO {
    int32_t Cmd_Count = 0;
    int32_t Clipboard_Count = 0;
};

// ---------------------------------------------------------------------------------------
// The file

// "STAT_Day:%d/%d/%d" of the local day, month and year, without leading zeros.
CString GetStatSectionName(const SYSTEMTIME& day);

// Creates a file that does not exist yet with its byte-order mark and its header (which
// names `today`'s section as the example); false when it exists or cannot be made.
bool CreateStatFile(const wchar_t* path, const SYSTEMTIME& today);

// Adds the non-zero amounts to the day's keys (a missing key counts 0). Returns the
// amounts of the keys that could not be written (zero when all were).
S_INFO AddToStatFile(const wchar_t* path, const SYSTEMTIME& day, const S_INFO& amounts);

// ---------------------------------------------------------------------------------------
// Requests and the writer

// One of the clipboard-history commands that count as a use of the history.
bool IsClipboardHistoryCommand(UINT commandId);

// Amounts that requests have added and the writer has not taken yet.
class CStatPending {
public:
    CStatPending();
    ~CStatPending();
    CStatPending(const CStatPending&) = delete;
    CStatPending& operator=(const CStatPending&) = delete;

    void Add(int32_t cmdAdd, int32_t clipAdd);
    // Everything pending, which is then zero.
    S_INFO Take();

private:
    CRITICAL_SECTION m_lock;
    S_INFO m_pending;
};

class CStat_Info {
public:
    // The writer ends when `exitEvent` is set; it adds to `filePath`, into the sections of
    // `clock`'s local day. The clock must outlive the writer.
    CStat_Info(HANDLE exitEvent, const wchar_t* filePath, IClock& clock);
    ~CStat_Info();
    CStat_Info(const CStat_Info&) = delete;
    CStat_Info& operator=(const CStat_Info&) = delete;

    // The program's counter, made on first use; null (nothing is counted) while there is
    // no application exit event.
    static CStat_Info* GetInstance();

    // Add 1 to today's count through the program's counter: non-zero when the writer was
    // asked to add it.
    static int Inc_Cmd_Count();
    static int Inc_Clipboard_Count();
    // Counts one clipboard-history use when the command is one of the history commands;
    // true when it counted.
    static bool Count_Menu_Command(UINT commandId);

    // Adds the amounts to what is pending and wakes the writer, started when none runs.
    // False when both are zero or negative, or the writer cannot be started.
    bool Write(int32_t cmdAdd, int32_t clipAdd);

    // Waits until the writer has ended (after the exit event): true when it has, or none
    // was started.
    bool WaitWriterEnded(DWORD timeoutMs);

private:
    struct Shared;
    struct WriterContext;
    static DWORD WriteProc(WriterContext& context);
    bool StartWriter();

    // Shared with the writer, which may outlive this object until the exit event.
    std::shared_ptr<Shared> m_shared;
    HANDLE m_exitEvent;
    std::mutex m_startLock;
    CHandle m_wakeEvent;
    CHandle m_writer;
};
