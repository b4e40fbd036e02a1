// Posts 10,000 log lines from 4 threads and prints what the callers paid, next to a
// plain synchronous append of the same lines. Prints figures; passes or fails nothing.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/Logger.h"

namespace {

const int kThreads = 4;
const int kLinesPerThread = 2500;

double Microseconds(LONGLONG ticks, LONGLONG frequency) {
    return ticks * 1e6 / static_cast<double>(frequency);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
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

}  // namespace

int wmain() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring posted = std::wstring(temp) + L"vxl_bench_posted_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
    std::wstring direct = std::wstring(temp) + L"vxl_bench_direct_" + std::to_wstring(GetCurrentProcessId()) + L".txt";

    if (!LogInit(posted.c_str())) {
        std::printf("cannot open the log\n");
        return 1;
    }
    std::vector<std::vector<double>> costs(kThreads);
    LARGE_INTEGER wallStart, wallEnd;
    QueryPerformanceCounter(&wallStart);
    std::vector<std::thread> workers;
    for (int t = 0; t < kThreads; ++t) {
        workers.emplace_back([t, &costs, &frequency] {
            for (int i = 0; i < kLinesPerThread; ++i) {
                LARGE_INTEGER a, b;
                QueryPerformanceCounter(&a);
                LogWrite((L"bench thread " + std::to_wstring(t) + L" line " + std::to_wstring(i)).c_str());
                QueryPerformanceCounter(&b);
                costs[t].push_back(Microseconds(b.QuadPart - a.QuadPart, frequency.QuadPart));
            }
        });
    }
    for (std::thread& worker : workers) worker.join();
    bool settled = LogWaitPending(600000);
    QueryPerformanceCounter(&wallEnd);
    LogShutdown();
    std::vector<double> all;
    for (const auto& perThread : costs) all.insert(all.end(), perThread.begin(), perThread.end());

    // The same lines appended synchronously, file opened and closed per line as the
    // logger does, one caller at a time.
    std::vector<double> directCosts;
    for (int t = 0; t < kThreads; ++t) {
        for (int i = 0; i < kLinesPerThread; ++i) {
            LARGE_INTEGER a, b;
            QueryPerformanceCounter(&a);
            CFileHandle file(
                CreateFileW(direct.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
            std::wstring line = Line(t, i) + L"\r\n";
            SetFilePointer(file.get(), 0, nullptr, FILE_END);
            DWORD written = 0;
            WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size() * 2), &written, nullptr);
            file.reset();
            QueryPerformanceCounter(&b);
            directCosts.push_back(Microseconds(b.QuadPart - a.QuadPart, frequency.QuadPart));
        }
    }

    int landed = CountLines(posted);
    double postedMedian = Median(all);
    double directMedian = Median(directCosts);
    std::printf("lines posted: %d, landed: %d%s\n", kThreads * kLinesPerThread, landed,
                settled ? "" : " (not all line threads finished)");
    std::printf("caller's median cost per posted line: %.1f us\n", postedMedian);
    std::printf("median cost of a synchronous append:  %.1f us\n", directMedian);
    std::printf("posted / synchronous: %.2f\n", directMedian > 0 ? postedMedian / directMedian : 0.0);
    std::printf("all posted lines written after: %.0f ms\n",
                Microseconds(wallEnd.QuadPart - wallStart.QuadPart, frequency.QuadPart) / 1000);
    DeleteFileW(posted.c_str());
    DeleteFileW(direct.c_str());
    return landed == kThreads * kLinesPerThread ? 0 : 1;
}
