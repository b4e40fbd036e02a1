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

#include "bench/BenchCommon.h"
#include "core/base/Handles.h"

using namespace bench;

namespace {

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
