// What the resident program costs while it waits, beside a minimal Win32 program with one
// window and a message loop, started side by side in one run: private memory, threads,
// handles, start time to the message loop, idle CPU, and growth over forwarded requests.
// Prints figures and the ratios of the goals; passes or fails nothing.
// Usage: footprint_bench [starts]  (Vexlora.exe and VxlWaitingFor.exe are taken from
// ..\Vexlora beside this program's folder and run from a temporary copy).
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/base/Handles.h"

namespace {

std::wstring OwnFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring path(self);
    return path.substr(0, path.rfind(L'\\') + 1);
}

CHandle Start(const std::wstring& exe, const std::wstring& arguments, DWORD* id = nullptr) {
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

double NowMs() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return now.QuadPart * 1000.0 / frequency.QuadPart;
}

struct CFigures {
    double min = 0, median = 0, max = 0;
};

CFigures Summarise(std::vector<double> values) {
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

DWORD CountThreads(DWORD processId) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    DWORD count = 0;
    for (BOOL more = Thread32First(snapshot.get(), &entry); more; more = Thread32Next(snapshot.get(), &entry))
        if (entry.th32OwnerProcessID == processId) ++count;
    return count;
}

ULONGLONG CpuTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (static_cast<ULONGLONG>(kernel.dwHighDateTime) << 32 | kernel.dwLowDateTime) +
           (static_cast<ULONGLONG>(user.dwHighDateTime) << 32 | user.dwLowDateTime);
}

std::string ReadSmallFile(const std::wstring& path) {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr));
    std::string bytes;
    if (!file) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file.get(), buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    return bytes;
}

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(tolower(static_cast<unsigned char>(c)));
    return text;
}

// Kilobytes of one "Name:   123 kB" line of /proc/<pid>/status; 0 when missing.
SIZE_T StatusKb(const std::string& status, const char* name) {
    const size_t at = status.find(std::string("\n") + name + ":");
    return at == std::string::npos ? 0
                                   : static_cast<SIZE_T>(strtoul(status.c_str() + at + strlen(name) + 2, nullptr, 10));
}

// The Unix view of the one process whose command line starts with the program's path
// (its file name and the folder it runs from); false outside Wine or when none matches.
bool MeasureUnixProcess(const std::wstring& exePath, CProcessFigures& figures) {
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

CProcessFigures Measure(HANDLE process, DWORD processId, const std::wstring& exePath) {
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
void WaitUntilIdle(HANDLE process) {
    ULONGLONG last = CpuTime(process);
    for (int i = 0; i < 20; ++i) {
        Sleep(1000);
        const ULONGLONG now = CpuTime(process);
        if (now == last) return;
        last = now;
    }
}

// The waiter the resident program started: a child process named VxlWaitingFor.exe.
DWORD FindChild(DWORD parentId, const wchar_t* name) {
    CHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
    if (!snapshot || snapshot.get() == INVALID_HANDLE_VALUE) return 0;
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
        if (entry.th32ParentProcessID == parentId && _wcsicmp(entry.szExeFile, name) == 0) return entry.th32ProcessID;
    return 0;
}

double Mb(SIZE_T bytes) {
    return bytes / (1024.0 * 1024.0);
}

void PrintProcess(const char* name, const CProcessFigures& figures) {
    std::printf("%-22s private %7.2f MB  working set %7.2f MB  threads %3lu  handles %4lu\n", name,
                Mb(figures.privateBytes), Mb(figures.workingSet), figures.threads, figures.handles);
}

void PrintRatio(const char* what, double ratio, double goal) {
    std::printf("%-44s %6.2f  (goal <= %.1f: %s)\n", what, ratio, goal, ratio <= goal ? "met" : "missed");
}

// Milliseconds from CreateProcess until the program waits for input; -1 on failure.
double TimeToLoop(const std::wstring& exe, CHandle& process, DWORD& processId) {
    const double before = NowMs();
    process = Start(exe, L"", &processId);
    if (!process || WaitForInputIdle(process.get(), 60000) != 0) return -1;
    return NowMs() - before;
}

void EndVexlora(const std::wstring& vexlora, CHandle& resident) {
    CHandle exit = Start(vexlora, L"/exit");
    if (exit) WaitForSingleObject(exit.get(), 30000);
    if (WaitForSingleObject(resident.get(), 30000) != WAIT_OBJECT_0) TerminateProcess(resident.get(), 1);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int requests = argc > 1 ? _wtoi(argv[1]) : 100;
    const int startRuns = 5;
    const std::wstring programs = OwnFolder() + L"..\\Vexlora\\";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring folder =
        std::wstring(temp) + L"vxl_footprint_bench_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"Vexlora.exe", L"VxlWaitingFor.exe", L"RIZedarOred.dll"}) {
        if (!CopyFileW((programs + name).c_str(), (folder + name).c_str(), FALSE)) {
            std::printf("cannot copy %ls from %ls\n", name, programs.c_str());
            return 1;
        }
    }
    const std::wstring vexlora = folder + L"Vexlora.exe";
    const std::wstring minimal = OwnFolder() + L"minimal_win32.exe";

    // Start times, side by side: the minimal program, then the resident program.
    std::vector<double> minimalStarts, residentStarts;
    for (int i = 0; i < startRuns; ++i) {
        CHandle floor;
        DWORD floorId = 0;
        minimalStarts.push_back(TimeToLoop(minimal, floor, floorId));
        TerminateProcess(floor.get(), 0);
        WaitForSingleObject(floor.get(), 10000);
        CHandle resident;
        DWORD residentId = 0;
        residentStarts.push_back(TimeToLoop(vexlora, resident, residentId));
        EndVexlora(vexlora, resident);
    }

    // Both resident at once, measured when idle.
    CHandle floor;
    DWORD floorId = 0;
    TimeToLoop(minimal, floor, floorId);
    CHandle resident;
    DWORD residentId = 0;
    TimeToLoop(vexlora, resident, residentId);
    // The resident program starts its late watchers 3 s after its window.
    Sleep(5000);
    WaitUntilIdle(floor.get());
    WaitUntilIdle(resident.get());
    const bool waiterBeside = FindChild(residentId, L"VxlWaitingFor.exe") != 0;

    const CProcessFigures floorFigures = Measure(floor.get(), floorId, minimal);
    const CProcessFigures before = Measure(resident.get(), residentId, vexlora);
    const ULONGLONG floorCpu = CpuTime(floor.get());
    Sleep(5000);
    const CProcessFigures idle = Measure(resident.get(), residentId, vexlora);
    const ULONGLONG floorIdleCpu = CpuTime(floor.get()) - floorCpu;

    // Two rounds: what the first leaves behind may be done once (the first sound played,
    // say); what the second adds grows with every request.
    CProcessFigures rounds[2];
    for (CProcessFigures& round : rounds) {
        for (int i = 0; i < requests; ++i) {
            for (const wchar_t* arguments : {L"", L"/showmenu"}) {
                CHandle forwarded = Start(vexlora, arguments);
                if (forwarded) WaitForSingleObject(forwarded.get(), 30000);
            }
        }
        WaitUntilIdle(resident.get());
        round = Measure(resident.get(), residentId, vexlora);
    }
    const CProcessFigures& after = rounds[1];

    // The waiter, on its own: it watches the minimal program, with its path on its command
    // line so that its Unix process can be found (the resident program starts its own
    // without one, and only one waiter runs at a time).
    EndVexlora(vexlora, resident);
    Sleep(2000);  // its own waiter ends with it
    DWORD waiterId = 0;
    CHandle waiter = Start(folder + L"VxlWaitingFor.exe", L"/pid" + std::to_wstring(floorId), &waiterId);
    CProcessFigures waiterFigures;
    if (waiter) {
        Sleep(2000);
        WaitUntilIdle(waiter.get());
        DWORD code = 0;
        if (GetExitCodeProcess(waiter.get(), &code) && code != STILL_ACTIVE) {
            std::printf("the waiter ended at once with %lu\n", code);
            waiter.reset();
        } else {
            waiterFigures = Measure(waiter.get(), waiterId, folder + L"VxlWaitingFor.exe");
        }
    }

    const CFigures floorStart = Summarise(minimalStarts);
    const CFigures residentStart = Summarise(residentStarts);
    std::printf("start to the message loop, %d runs (min / median / max ms):\n", startRuns);
    std::printf("  minimal Win32 program %8.1f %8.1f %8.1f\n", floorStart.min, floorStart.median, floorStart.max);
    std::printf("  Vexlora.exe           %8.1f %8.1f %8.1f\n", residentStart.min, residentStart.median,
                residentStart.max);
    std::printf("resident and idle:\n");
    PrintProcess("  minimal Win32 program", floorFigures);
    PrintProcess("  Vexlora.exe", before);
    if (waiter)
        PrintProcess("  VxlWaitingFor.exe", waiterFigures);
    else
        std::printf("  VxlWaitingFor.exe      not running\n");
    const double floorPrivate = static_cast<double>(floorFigures.privateBytes);
    if (floorPrivate > 0) {
        PrintRatio("private memory, Vexlora.exe / minimal", before.privateBytes / floorPrivate, 2.0);
        if (waiter) PrintRatio("private memory, waiter / minimal", waiterFigures.privateBytes / floorPrivate, 1.3);
    }
    if (floorStart.median > 0)
        PrintRatio("start to the loop (medians), Vexlora / minimal", residentStart.median / floorStart.median, 2.0);
    std::printf("%-44s %6.2f ms over 5 s, minimal program %.2f ms  (goal 0: %s)\n", "idle CPU of Vexlora.exe",
                (idle.cpu100ns - before.cpu100ns) / 10000.0, floorIdleCpu / 10000.0,
                idle.cpu100ns == before.cpu100ns ? "met" : "missed");
    std::printf("%s\n", waiterBeside ? "the resident program's waiter was running beside it"
                                     : "the resident program's waiter was NOT running beside it");
    std::printf("forwarded starts and /showmenu requests, %d of each per round:\n", requests);
    std::printf("  threads  %4lu -> %4lu -> %4lu\n", before.threads, rounds[0].threads, rounds[1].threads);
    std::printf("  handles  %4lu -> %4lu -> %4lu%s\n", before.handles, rounds[0].handles, rounds[1].handles,
                before.handles ? "" : "  (not reported here)");
    std::printf("  private  %.2f -> %.2f -> %.2f MB\n", Mb(before.privateBytes), Mb(rounds[0].privateBytes),
                Mb(rounds[1].privateBytes));
    std::printf(
        "  growth over the second round: threads %ld, handles %ld, private %.2f MB  (goal: none: %s)\n",
        static_cast<long>(after.threads) - static_cast<long>(rounds[0].threads),
        static_cast<long>(after.handles) - static_cast<long>(rounds[0].handles),
        (static_cast<double>(after.privateBytes) - static_cast<double>(rounds[0].privateBytes)) / (1024.0 * 1024.0),
        after.threads <= rounds[0].threads && after.handles <= rounds[0].handles &&
                after.privateBytes <= rounds[0].privateBytes + 64 * 1024
            ? "met"
            : "missed");

    if (waiter) TerminateProcess(waiter.get(), 0);
    TerminateProcess(floor.get(), 0);
    for (const wchar_t* name :
         {L"Vexlora.exe", L"VxlWaitingFor.exe", L"RIZedarOred.dll", L"Settings.ini", L"LocalizeExample.lng"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
