// Posts 10,000 log lines, from one caller and from four at once, and prints what the
// callers paid next to the same callers appending the same lines synchronously, with the
// peak number of live threads and the process's peak memory. Prints figures; passes or fails nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"

using namespace bench;

namespace {

const int kThreads = 4;
const int kLinesPerThread = 2500;

double Microseconds(LONGLONG ticks, LONGLONG frequency) {
    return ticks * 1e6 / static_cast<double>(frequency);
}

int CountLines(const std::wstring& path) {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr));
    if (!file) return 0;
    std::wstring text(GetFileSize(file.get(), nullptr) / 2, L'\0');
    DWORD read = 0;
    ReadFile(file.get(), &text[0], static_cast<DWORD>(text.size() * 2), &read, nullptr);
    return static_cast<int>(std::count(text.begin(), text.end(), L'\n'));
}

std::wstring Line(int thread, int i) {
    return L"EXE_Agent: [12/10/26 12:00:00] bench thread " + std::to_wstring(thread) + L" line " + std::to_wstring(i);
}

struct CRun {
    std::vector<double> costs;  // microseconds per call, every caller's
    double wallMs = 0;          // until every line was on disk
    int landed = 0;
    DWORD peakThreads = 0;
    bool settled = true;
};

// Counts the process's live threads every few milliseconds until told to stop.
class CThreadSampler {
public:
    CThreadSampler()
        : m_thread([this] {
              while (!m_stop) {
                  const DWORD now = CountThreads(GetCurrentProcessId());
                  if (now > m_peak) m_peak = now;
                  Sleep(2);
              }
          }) {}
    DWORD Stop() {
        m_stop = true;
        m_thread.join();
        return m_peak;
    }

private:
    volatile bool m_stop = false;
    volatile DWORD m_peak = 0;
    std::thread m_thread;
};

// `callers` threads write `lines` lines each, at once: posted to the logger, or appended
// to the file directly, opened and closed per line as the logger does.
CRun RunCallers(int callers, int lines, bool posted, const std::wstring& path, LONGLONG frequency) {
    CRun run;
    if (posted && !LogInit(path.c_str())) return run;
    std::vector<std::vector<double>> costs(callers);
    CThreadSampler sampler;
    const double start = NowMs();
    std::vector<std::thread> workers;
    for (int t = 0; t < callers; ++t) {
        workers.emplace_back([t, lines, posted, &path, &costs, frequency] {
            for (int i = 0; i < lines; ++i) {
                LARGE_INTEGER a, b;
                QueryPerformanceCounter(&a);
                if (posted) {
                    LogWrite((L"bench thread " + std::to_wstring(t) + L" line " + std::to_wstring(i)).c_str());
                } else {
                    CFileHandle file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_ALWAYS, 0, nullptr));
                    const std::wstring line = Line(t, i) + L"\r\n";
                    DWORD written = 0;
                    WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size() * 2), &written, nullptr);
                }
                QueryPerformanceCounter(&b);
                costs[t].push_back(Microseconds(b.QuadPart - a.QuadPart, frequency));
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    if (posted) run.settled = LogWaitPending(600000);
    run.wallMs = NowMs() - start;
    run.peakThreads = sampler.Stop();
    if (posted) LogShutdown();
    for (const auto& perCaller : costs) run.costs.insert(run.costs.end(), perCaller.begin(), perCaller.end());
    run.landed = CountLines(path);
    DeleteFileW(path.c_str());
    return run;
}

// The process's peak memory: Windows' peak counters, or under Wine (where they stay 0)
// the peaks of the Unix process behind it.
void PrintPeakMemory() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    SIZE_T peakWorkingSet = counters.PeakWorkingSetSize;
    SIZE_T peakCommit = counters.PeakPagefileUsage;
    if (!peakWorkingSet || !peakCommit) {
        const std::string status = ReadSmallFile(L"Z:\\proc\\self\\status");
        peakWorkingSet = StatusKb(status, "VmHWM") * 1024;
        peakCommit = StatusKb(status, "VmPeak") * 1024;
    }
    std::printf("process peaks (after the posted runs): working set %.1f MB, commit %.1f MB\n", Mb(peakWorkingSet),
                Mb(peakCommit));
}

}  // namespace

int wmain() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path = std::wstring(temp) + L"vxl_bench_log_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    const int total = kThreads * kLinesPerThread;
    bool allLanded = true;
    for (int callers : {1, kThreads}) {
        const int lines = total / callers;
        const CRun posted = RunCallers(callers, lines, true, path, frequency.QuadPart);
        if (callers == kThreads) PrintPeakMemory();
        const CRun direct = RunCallers(callers, lines, false, path, frequency.QuadPart);
        std::printf("%d caller(s), %d lines each:\n", callers, lines);
        std::printf("  posted: landed %d of %d%s, all on disk after %.0f ms, peak live threads %lu\n", posted.landed,
                    total, posted.settled ? "" : " (not all line threads finished)", posted.wallMs, posted.peakThreads);
        std::printf("  direct: landed %d of %d, all on disk after %.0f ms, peak live threads %lu\n", direct.landed,
                    total, direct.wallMs, direct.peakThreads);
        const CFigures postedCost = Summarise(posted.costs);
        const CFigures directCost = Summarise(direct.costs);
        PrintFigures("  caller's cost per posted line", postedCost, "us");
        PrintFigures("  caller's cost per direct append", directCost, "us");
        std::printf("  posted / direct (medians): %.2f\n",
                    directCost.median > 0 ? postedCost.median / directCost.median : 0.0);
        allLanded = allLanded && posted.landed == total;
    }
    return allLanded ? 0 : 1;
}
