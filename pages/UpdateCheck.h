// The update check: a worker thread per check that waits for its time and for the
// machine to be online, asks our server for the version information and the news, and
// hands the result to the tray window with one SendMessage; automatic checks that find
// nothing new stay silent.
#pragma once

#include <windows.h>

#include <memory>

#include "core/VersionInfo.h"
#include "core/base/CString.h"
#include "core/base/Handles.h"

// What the completion callback learns of its task.
struct UpdateCheckTaskInfo {
    HANDLE stopEvent;
    HWND window;
    UINT resultMessage;
};
// Called on the worker thread once the result was delivered (or nothing was to be
// delivered); never after a stop.
using UpdateCheckCompletion = void (*)(const UpdateCheckTaskInfo& task, int argument);

// Where a check asks and what it needs of the machine; tests put their own in place.
class IUpdateCheckEnvironment {
public:
    virtual ~IUpdateCheckEnvironment() = default;
    // As IsOnline: 0 connected.
    virtual int OnlineState() = 0;
    // Waits up to ms for the stop event; true when it was signalled (or the wait failed).
    virtual bool WaitForStop(HANDLE stopEvent, DWORD ms) = 0;
    virtual CString RequestUrl() = 0;
    virtual CString NewsUrl() = 0;
    virtual CString HomeUrl() = 0;
    virtual bool UseTestVersion() = 0;
    virtual CVersionArray RunningVersion() = 0;
    virtual void StoreLatestFound(const wchar_t* versionText) = 0;
    // Bound of each network wait.
    virtual DWORD NetworkTimeoutMs() = 0;
};

// The program's own: IsOnline, our server, the settings.
class CSystemUpdateCheckEnvironment : public IUpdateCheckEnvironment {
public:
    int OnlineState() override;
    bool WaitForStop(HANDLE stopEvent, DWORD ms) override;
    CString RequestUrl() override;
    CString NewsUrl() override;
    CString HomeUrl() override;
    bool UseTestVersion() override;
    CVersionArray RunningVersion() override;
    void StoreLatestFound(const wchar_t* versionText) override;
    DWORD NetworkTimeoutMs() override;
};

// One check; owned by its worker thread from the start.
struct UpdateCheckTask {
    HWND window = nullptr;
    UINT resultMessage = 0;
    DWORD delayMs = 0;
    CHandle stopEvent;  // the worker's own duplicate
    int scheduled = 0;
    UpdateCheckCompletion completion = nullptr;
    int argument = 0;
    std::shared_ptr<IUpdateCheckEnvironment> environment;
};

// A manual check: no delay. 1 when the worker started, else 0.
int CheckForUpdates_Start(HWND window, UINT resultMessage, HANDLE stopEvent, UpdateCheckCompletion completion,
                          int argument);
// An automatic check, due `days` after the last one (UTC).
int CheckForUpdates_Schedule(HWND window, UINT resultMessage, HANDLE stopEvent, const SYSTEMTIME& lastCheckUtc,
                             UpdateCheckCompletion completion, DWORD days, int argument);
// Starts the task on a thread of its own (an empty environment takes the system's);
// `thread`, when given, receives the thread's handle. The task is freed either way.
bool StartUpdateCheckTask(std::unique_ptr<UpdateCheckTask> task, CHandle* thread = nullptr);
// The task's whole life on the calling thread: the wait, the check, the delivery and
// the completion. False when the stop event ended it.
bool RunUpdateCheckTask(UpdateCheckTask& task);

// The wait before an automatic check: until `days` after the last check, at most that
// many days, and 600 s when that moment has passed. The log line, when asked for.
DWORD ComputeUpdateCheckDelay(const SYSTEMTIME& lastCheckUtc, DWORD days, const SYSTEMTIME& nowUtc,
                              CString* logLine = nullptr);
// Waits `delayMs`, and as long after as the machine is offline, polling it at 5 s, 10 s,
// 20 s ... (at most an hour apart). False when the stop event ended the wait.
bool WaitUntilOnline(IUpdateCheckEnvironment& environment, HANDLE stopEvent, DWORD delayMs);

// Poll steps of the offline wait.
const DWORD kFirstOnlinePollMs = 5000;
const DWORD kLongestOnlinePollMs = 60 * 60 * 1000;
// The wait of an overdue automatic check.
const DWORD kOverdueCheckDelayMs = 600 * 1000;
// Items of the news feed kept in a result.
const int kMaxNewsItems = 10;
