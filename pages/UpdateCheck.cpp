#include "pages/UpdateCheck.h"

#include <oleauto.h>

#include <cmath>

#include "core/Settings.h"
#include "core/ShellServices.h"
#include "core/TestSwitches.h"
#include "core/WebDestinations.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"
#include "core/base/WorkerThread.h"
#include "pages/NewsFeed.h"
#include "pages/UpdateRequest.h"
#include "pages/UpdateResult.h"
#include "pages/VersionDownload.h"
#include "pages/VersionInfoFile.h"
#include "pages/WebDownload.h"

namespace {

constexpr double kSecondsPerDay = 86400.0;

void DeliverResult(const UpdateCheckTask& task, UpdateCheckResult& result) {
    SendMessageW(task.window, task.resultMessage, 0, reinterpret_cast<LPARAM>(&result));
}

// The check proper, after the wait: false when the stop event ended it.
bool CheckNow(UpdateCheckTask& task) {
    IUpdateCheckEnvironment& environment = *task.environment;
    const bool manual = task.scheduled == 0;
    UpdateCheckResult result;
    result.scheduled = task.argument;
    result.currentVersion = environment.RunningVersion();

    CString path = DownloadVersionInfoFile(environment.RequestUrl());
    if (environment.WaitForStop(task.stopEvent.get(), 0)) {
        CTempFile(path).Delete();
        return false;
    }
    if (path.IsEmpty()) {
        if (manual) {
            result.errorText = kUpdateErrorCannotLoad;
            DeliverResult(task, result);
        }
        return true;
    }
    CTempFile file(path);
    CVersionInfoReadOptions options;
    options.testVersion = environment.UseTestVersion();
    options.homeUrl = environment.HomeUrl();
    options.timeoutMs = environment.NetworkTimeoutMs();
    int outcome = LoadVersionInfoFile(
        path, [&](TiXmlDocument& document) { return ParseVersionInfoXml(document, result, options); });
    if (outcome != kNotVersionInfo) environment.StoreLatestFound(FormatVersionText(result.newVersion));
    // The news goes only into a result that is shown: a quiet automatic check does not fetch it.
    const bool deliver = outcome == kNewerVersionOffered || manual;
    if (deliver) FetchNews(environment.NewsUrl(), result.news, kMaxNewsItems, environment.NetworkTimeoutMs());
    if (environment.WaitForStop(task.stopEvent.get(), 0)) {
        file.Delete();
        return false;
    }
    if (outcome == kNotVersionInfo) result.errorText = kUpdateErrorCannotParse;
    if (deliver) DeliverResult(task, result);
    file.Delete();
    return true;
}

DWORD RunTask(UpdateCheckTask& task) {
    RunUpdateCheckTask(task);
    return 0;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// The system's environment

int CSystemUpdateCheckEnvironment::OnlineState() {
    return IsOnline();
}

bool CSystemUpdateCheckEnvironment::WaitForStop(HANDLE stopEvent, DWORD ms) {
    return WaitForSingleObject(stopEvent, ms) != WAIT_TIMEOUT;
}

CString CSystemUpdateCheckEnvironment::RequestUrl() {
    return BuildUpdateRequestUrl();
}

CString CSystemUpdateCheckEnvironment::NewsUrl() {
    return CVXLUrl::Get_News_Xml_Url();
}

CString CSystemUpdateCheckEnvironment::HomeUrl() {
    return CVXLUrl::Get_Home_Url();
}

bool CSystemUpdateCheckEnvironment::UseTestVersion() {
    return IsUpdateVersionTest();
}

CVersionArray CSystemUpdateCheckEnvironment::RunningVersion() {
    return GetRunningVersion();
}

void CSystemUpdateCheckEnvironment::StoreLatestFound(const wchar_t* versionText) {
    SetLatestFoundCFUVersion(versionText);
}

DWORD CSystemUpdateCheckEnvironment::NetworkTimeoutMs() {
    return kDefaultDownloadTimeoutMs;
}

// ---------------------------------------------------------------------------------------
// Waits

DWORD ComputeUpdateCheckDelay(const SYSTEMTIME& lastCheckUtc, DWORD days, const SYSTEMTIME& nowUtc, CString* logLine) {
    double last = 0;
    double now = 0;
    SYSTEMTIME nextTime = {};
    bool converted = SystemTimeToVariantTime(const_cast<SYSTEMTIME*>(&lastCheckUtc), &last) &&
                     SystemTimeToVariantTime(const_cast<SYSTEMTIME*>(&nowUtc), &now);
    const double next = last + static_cast<double>(days);
    bool nextConverted = converted && VariantTimeToSystemTime(next, &nextTime);
    DWORD seconds = kOverdueCheckDelayMs / 1000;
    if (converted && now <= next) {
        // Whole milliseconds first: the dates are fractions of days, and 30 s would
        // otherwise come out as 29.99999 and be cut to 29.
        double wait = std::floor((next - now) * kSecondsPerDay * 1000.0 + 0.5) / 1000.0;
        // A last check stamped in the future (a clock set back) waits no longer than
        // the period itself.
        double longest = static_cast<double>(days) * kSecondsPerDay;
        seconds = static_cast<DWORD>(wait < longest ? wait : longest);
    }
    const DWORD ms = seconds * 1000;
    if (logLine) {
        CString when;
        if (nextConverted)
            when.Format(L"%.2d-%.2d-%.4d %.2d:%.2d:%.2d", nextTime.wDay, nextTime.wMonth, nextTime.wYear,
                        nextTime.wHour, nextTime.wMinute, nextTime.wSecond);
        else
            when = L"Cannot convert variant_time to system_time";
        logLine->Format(L"Next update date: %s, wait for checkupdates ms=%u sec=%u minutes=%u hour=%u days=%u",
                        when.GetString(), ms, seconds, seconds / 60, seconds / 3600, seconds / 86400);
    }
    return ms;
}

bool WaitUntilOnline(IUpdateCheckEnvironment& environment, HANDLE stopEvent, DWORD delayMs) {
    DWORD remaining = delayMs;
    for (;;) {
        DWORD step = kFirstOnlinePollMs;
        while (environment.OnlineState() != 0) {
            if (environment.WaitForStop(stopEvent, step)) return false;
            // Doubling without a cap would wrap to 0 after 29 rounds: a busy loop offline.
            step = step < kLongestOnlinePollMs / 2 ? step * 2 : kLongestOnlinePollMs;
            remaining = step < remaining ? remaining - step : 0;
        }
        if (environment.WaitForStop(stopEvent, remaining)) return false;
        remaining = 0;
        if (environment.OnlineState() == 0) return true;
    }
}

// ---------------------------------------------------------------------------------------
// Tasks

bool RunUpdateCheckTask(UpdateCheckTask& task) {
    if (!task.environment) task.environment = std::make_shared<CSystemUpdateCheckEnvironment>();
    if (!WaitUntilOnline(*task.environment, task.stopEvent.get(), task.delayMs)) return false;
    if (!CheckNow(task)) return false;
    if (task.completion) task.completion({task.stopEvent.get(), task.window, task.resultMessage}, task.argument);
    return true;
}

bool StartUpdateCheckTask(std::unique_ptr<UpdateCheckTask> task, CHandle* thread) {
    if (!task) return false;
    return StartWorker(std::move(task), &RunTask, WorkerOptions(), thread);
}

namespace {

int StartTask(HWND window, UINT resultMessage, HANDLE stopEvent, DWORD delayMs, int scheduled,
              UpdateCheckCompletion completion, int argument) {
    auto task = std::make_unique<UpdateCheckTask>();
    task->window = window;
    task->resultMessage = resultMessage;
    task->delayMs = delayMs;
    task->stopEvent = DuplicateForWorker(stopEvent);
    task->scheduled = scheduled;
    task->completion = completion;
    task->argument = argument;
    return StartUpdateCheckTask(std::move(task)) ? 1 : 0;
}

}  // namespace

int CheckForUpdates_Start(HWND window, UINT resultMessage, HANDLE stopEvent, UpdateCheckCompletion completion,
                          int argument) {
    return StartTask(window, resultMessage, stopEvent, 0, 0, completion, argument);
}

int CheckForUpdates_Schedule(HWND window, UINT resultMessage, HANDLE stopEvent, const SYSTEMTIME& lastCheckUtc,
                             UpdateCheckCompletion completion, DWORD days, int argument) {
    SYSTEMTIME now;
    GetSystemTime(&now);
    CString line;
    DWORD delay = ComputeUpdateCheckDelay(lastCheckUtc, days, now, &line);
    LogWrite(line);
    return StartTask(window, resultMessage, stopEvent, delay, 1, completion, argument);
}
