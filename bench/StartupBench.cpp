// How long a start takes: the resident instance until it waits in its message loop,
// and a second start until it has forwarded its request and ended, each beside the
// start of a minimal Win32 program. Prints figures; passes or fails nothing.
// Usage: startup_bench [runs]  (Vexlora.exe and VxlWaitingFor.exe are taken from
// ..\Vexlora beside this program's folder and run from a temporary copy).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/base/Handles.h"

using namespace bench;

namespace {

// Milliseconds from CreateProcess until the program waits for input; -1 on failure.
double TimeToIdle(const std::wstring& exe, CHandle& process, DWORD& processId) {
    const double before = NowMs();
    process = Start(exe, L"", &processId);
    if (!process || WaitForInputIdle(process.get(), 60000) != 0) return -1;
    return NowMs() - before;
}

double TimeToExit(const std::wstring& exe, const std::wstring& arguments) {
    const double before = NowMs();
    CHandle process = Start(exe, arguments);
    if (!process || WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return -1;
    return NowMs() - before;
}

void PrintRatio(const char* what, const CFigures& figures, const CFigures& floor) {
    if (floor.median <= 0) return;
    std::printf("%-40s ratio of medians %.2f (min %.2f, max %.2f)\n", what, figures.median / floor.median,
                floor.min > 0 ? figures.min / floor.min : 0.0, floor.max > 0 ? figures.max / floor.max : 0.0);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    int runs = argc > 1 ? _wtoi(argv[1]) : 10;
    std::wstring programs = OwnFolder() + L"..\\Vexlora\\";
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring folder = std::wstring(temp) + L"vxl_startup_bench_" + std::to_wstring(GetCurrentProcessId()) + L"\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    for (const wchar_t* name : {L"Vexlora.exe", L"VxlWaitingFor.exe"}) {
        if (!CopyFileW((programs + name).c_str(), (folder + name).c_str(), FALSE)) {
            std::printf("cannot copy %ls from %ls\n", name, programs.c_str());
            return 1;
        }
    }
    std::wstring vexlora = folder + L"Vexlora.exe";
    std::wstring minimal = OwnFolder() + L"minimal_win32.exe";

    std::vector<double> minimalStarts, residentStarts, forwardedStarts;
    CProcessFigures floorFigures, residentFigures;
    for (int i = 0; i < runs; ++i) {
        CHandle floor;
        DWORD floorId = 0;
        minimalStarts.push_back(TimeToIdle(minimal, floor, floorId));

        CHandle resident;
        DWORD residentId = 0;
        residentStarts.push_back(TimeToIdle(vexlora, resident, residentId));
        if (i == 0) {
            // Both resident side by side, once each is idle.
            Sleep(4000);
            WaitUntilIdle(floor.get());
            WaitUntilIdle(resident.get());
            floorFigures = Measure(floor.get(), floorId, minimal);
            residentFigures = Measure(resident.get(), residentId, vexlora);
        }
        TerminateProcess(floor.get(), 0);
        WaitForSingleObject(floor.get(), 10000);
        forwardedStarts.push_back(TimeToExit(vexlora, L""));
        TimeToExit(vexlora, L"/exit");
        WaitForSingleObject(resident.get(), 30000);
    }
    const CFigures floorMs = Summarise(minimalStarts);
    const CFigures residentMs = Summarise(residentStarts);
    const CFigures forwardedMs = Summarise(forwardedStarts);
    std::printf("runs: %d\n", runs);
    PrintFigures("minimal Win32 program to its loop", floorMs, "ms");
    PrintFigures("Vexlora.exe to its loop (resident)", residentMs, "ms");
    PrintRatio("  resident / minimal", residentMs, floorMs);
    PrintFigures("second start forwarded and ended", forwardedMs, "ms");
    PrintRatio("  forwarded / minimal", forwardedMs, floorMs);
    std::printf("resident and idle:\n");
    PrintProcess("  minimal Win32 program", floorFigures);
    PrintProcess("  Vexlora.exe", residentFigures);
    for (const wchar_t* name : {L"Vexlora.exe", L"VxlWaitingFor.exe", L"Settings.ini", L"LogReport.txt"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
