// How long a start takes: the resident instance until it waits in its message loop,
// and a second start until it has forwarded its request and ended, each beside the
// start of a minimal Win32 program. Prints figures; passes or fails nothing.
// Usage: startup_bench [runs]  (Vexlora.exe and VxlWaitingFor.exe are taken from
// ..\Vexlora beside this program's folder and run from a temporary copy).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "core/base/Handles.h"

namespace {

std::wstring FolderOf(const std::wstring& path) {
    return path.substr(0, path.rfind(L'\\') + 1);
}

std::wstring OwnFolder() {
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    return FolderOf(self);
}

double Milliseconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return (to.QuadPart - from.QuadPart) * 1000.0 / frequency.QuadPart;
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

CHandle Start(const std::wstring& exe, const std::wstring& arguments) {
    std::wstring command = L"\"" + exe + L"\" " + arguments;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessW(exe.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return CHandle();
    CloseHandle(info.hThread);
    return CHandle(info.hProcess);
}

// Milliseconds from CreateProcess until the program waits for input; -1 on failure.
double TimeToIdle(const std::wstring& exe, CHandle& process) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    process = Start(exe, L"");
    if (!process || WaitForInputIdle(process.get(), 60000) != 0) return -1;
    QueryPerformanceCounter(&after);
    return Milliseconds(before, after);
}

double TimeToExit(const std::wstring& exe, const std::wstring& arguments) {
    LARGE_INTEGER before, after;
    QueryPerformanceCounter(&before);
    CHandle process = Start(exe, arguments);
    if (!process || WaitForSingleObject(process.get(), 60000) != WAIT_OBJECT_0) return -1;
    QueryPerformanceCounter(&after);
    return Milliseconds(before, after);
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
    for (int i = 0; i < runs; ++i) {
        CHandle floor;
        minimalStarts.push_back(TimeToIdle(minimal, floor));
        TerminateProcess(floor.get(), 0);
        WaitForSingleObject(floor.get(), 10000);

        CHandle resident;
        residentStarts.push_back(TimeToIdle(vexlora, resident));
        forwardedStarts.push_back(TimeToExit(vexlora, L""));
        TimeToExit(vexlora, L"/exit");
        WaitForSingleObject(resident.get(), 30000);
    }
    double floorMs = Median(minimalStarts);
    double residentMs = Median(residentStarts);
    double forwardedMs = Median(forwardedStarts);
    std::printf("runs: %d (medians)\n", runs);
    std::printf("minimal Win32 program to its message loop: %.1f ms\n", floorMs);
    std::printf("Vexlora.exe to its message loop (resident): %.1f ms, ratio %.2f\n", residentMs,
                floorMs > 0 ? residentMs / floorMs : 0.0);
    std::printf("second start forwarded and ended: %.1f ms, ratio %.2f\n", forwardedMs,
                floorMs > 0 ? forwardedMs / floorMs : 0.0);
    for (const wchar_t* name : {L"Vexlora.exe", L"VxlWaitingFor.exe", L"Settings.ini", L"LogReport.txt"})
        DeleteFileW((folder + name).c_str());
    RemoveDirectoryW(folder.c_str());
    return 0;
}
