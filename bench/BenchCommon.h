// What the benchmarks share: starting programs, timing, and the figures of a process
// (private memory, working set, threads, handles, CPU time) as Windows or, under Wine,
// the Unix process behind it reports them.
#pragma once

#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/base/Handles.h"

namespace bench {

inline std::wstring OwnFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1);
}

inline CHandle Start(const std::wstring& exe, const std::wstring& arguments, DWORD* id = nullptr) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return CHandle();
    CloseHandle(info.hThread);
    if (id) *id = info.dwProcessId;
    return CHandle(info.hProcess);
}

inline double NowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

struct CFigures {
    double min = 0, median = 0, max = 0;
};

inline CFigures Summarise(std::vector<double> values) {
    CFigures figures;
    if (values.empty()) return figures;
    std::sort(values.begin(), values.end());
    figures.min = values.front();
    figures.median = values[values.size() / 2];
    figures.max = values.back();
    return figures;
}

// One process as the system reports it: on Windows its committed private bytes, its
// threads and handles. Wine reports neither the private bytes nor the handles of another
// process (both read 0), so there the figures come from the Unix process behind it, found
// by its command line under Z:\proc: the resident anonymous memory (RssAnon) is what it
// holds privately, and the working set is VmRSS.
struct CProcessFigures {
    SIZE_T privateBytes = 0;
    SIZE_T workingSet = 0;
    DWORD threads = 0;
    DWORD handles = 0;
    ULONGLONG cpu100ns = 0;
};

inline DWORD CountThreads(DWORD processId) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == processId) ++count;
    return count;
}

inline ULONGLONG CpuTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
           (static_cast<ULONGLONG>(user.dwHighDateTime) << 32 | user.dwLowDateTime);
}

inline std::string ReadSmallFile(const std::wstring& path) {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

inline std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// Kilobytes of one "Name:   123 kB" line of /proc/<pid>/status; 0 when missing.
inline SIZE_T StatusKb(const std::string& status, const char* name) {
    const size_t at = status.find(std::string("\n") + name + ":");
    return at == std::string::npos ? 0
                                   : static_cast<SIZE_T>(strtoul(status.c_str() + at + strlen(name) + 2, nullptr, 10));
}

// The Unix view of the one process whose command line starts with the program's path
// (its file name and the folder it runs from); false outside Wine or when none matches.
inline bool MeasureUnixProcess(const std::wstring& exePath, CProcessFigures& figures) {
    std::string wanted;
    for (wchar_t c : exePath) wanted += static_cast<char>(c < 128 ? tolower(c) : '?');
    const std::string tail = wanted.substr(wanted.rfind('\\') == std::string::npos ? 0 : wanted.rfind('\\'));
    const std::string folder = wanted.substr(0, wanted.size() - tail.size());
    const std::string folderName = folder.substr(folder.rfind('\\', folder.size() - 1) + 1);
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    if (find == INVALID_HANDLE_VALUE) return false;
    bool found = false;
    do {
        if (entry.cFileName[0] < L'0' || entry.cFileName[0] > L'9') continue;
        const std::wstring base = std::wstring(L"Z:\\proc\\") + entry.cFileName + L"\\";
        const std::string commandLine = Lower(ReadSmallFile(base + L"cmdline"));
        const std::string first = commandLine.substr(0, commandLine.find('\0'));
        if (first.size() < tail.size() || first.compare(first.size() - tail.size(), tail.size(), tail) != 0 ||
            first.find(folderName) == std::string::npos)
            continue;
        const std::string status = ReadSmallFile(base + L"status");
        figures.privateBytes = StatusKb(status, "RssAnon") * 1024;
        figures.workingSet = StatusKb(status, "VmRSS") * 1024;
        found = true;
    } while (!found && FindNextFileW(find, &entry));
    FindClose(find);
    return found;
}

inline CProcessFigures Measure(HANDLE process, DWORD processId, const std::wstring& exePath) {
    CProcessFigures figures;
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    if (GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory)) {
        figures.privateBytes = memory.PrivateUsage;
        figures.workingSet = memory.WorkingSetSize;
    }
    if (figures.privateBytes == 0) MeasureUnixProcess(exePath, figures);
    figures.threads = CountThreads(processId);
    GetProcessHandleCount(process, &figures.handles);
    figures.cpu100ns = CpuTime(process);
    return figures;
}

// Until the process has used no CPU for one whole second (at most 20 s).
inline void WaitUntilIdle(HANDLE process) {
    ULONGLONG last = CpuTime(process);
    for (int i = 0; i < 20; ++i) {
        Sleep(1000);
        const ULONGLONG now = CpuTime(process);
        if (now == last) return;
        last = now;
    }
}

// The waiter the resident program started: a child process named VxlWaitingFor.exe.
inline DWORD FindChild(DWORD parentId, const wchar_t* name) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == parentId && _wcsicmp(entry.szExeFile, name) == 0) return entry.th32ProcessID;
    return 0;
}

inline double Mb(SIZE_T bytes) {
    return bytes / (1024.0 * 1024.0);
}

inline void PrintProcess(const char* name, const CProcessFigures& figures) {
    std::printf("%-22s private %7.2f MB  working set %7.2f MB  threads %3lu  handles %4lu\n", name,
                Mb(figures.privateBytes), Mb(figures.workingSet), figures.threads, figures.handles);
}

inline void PrintFigures(const char* name, const CFigures& figures, const char* unit) {
    std::printf("%-40s min %8.1f  median %8.1f  max %8.1f %s\n", name, figures.min, figures.median, figures.max, unit);
}

}  // namespace bench
