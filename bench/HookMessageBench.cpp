// The cost the hook library adds to every message a program takes from its queue: this
// program posts and pumps 1,000,000 messages with the library's hooks installed (the
// message hook then runs on every message it takes, as in any program of the session) and,
// in the same run, without them.
#include <windows.h>

#include <cstdio>
#include <vector>

#include "bench/BenchCommon.h"
#include "hooklib/HookRecords.h"

namespace {

int g_messages = 1000000;
const int kRounds = 1;
// Posted in batches well below the queue's limit of 10,000 messages.
const int kBatch = 5000;

double PumpMessages(HWND window) {
    const double start = bench::NowMs();
    for (int sent = 0; sent < g_messages; sent += kBatch) {
        for (int i = 0; i < kBatch; ++i) PostMessageW(window, WM_USER + 1, static_cast<WPARAM>(i), 0);
        MSG message;
        for (int i = 0; i < kBatch; ++i) {
            if (GetMessageW(&message, nullptr, 0, 0) <= 0) return -1;
            DispatchMessageW(&message);
        }
    }
    return bench::NowMs() - start;
}

template <class Proc>
Proc Bind(HMODULE library, const char* name) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(library, name)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    // "/count <n>": that many messages instead of a million.
    if (argc > 2 && wcscmp(argv[1], L"/count") == 0) {
        g_messages = _wtoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    // The library beside this program's folder: "<build>\Vexlora\Vexlora.dll", or the path given.
    const wchar_t* path = argc > 1 ? argv[1] : L"..\\Vexlora\\Vexlora.dll";
    wchar_t full[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, full, MAX_PATH);
    std::wstring libraryPath = path;
    if (argc <= 1) {
        std::wstring folder(full);
        folder = folder.substr(0, folder.find_last_of(L'\\') + 1);
        libraryPath = folder + path;
    }
    HMODULE library = LoadLibraryW(libraryPath.c_str());
    if (!library) {
        std::printf("cannot load the hook library\n");
        return 1;
    }
    auto install = Bind<int (*)(WP_INSTALL_INFO2*)>(library, "WP_Install2");
    auto uninstall = Bind<int (*)(const WP_UNINSTALL_INFO*)>(library, "WP_Uninstall2");
    HWND window = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);

    std::vector<double> hooked, bare;
    for (int round = 0; round < kRounds; ++round) {
        bare.push_back(PumpMessages(window));
        WP_INSTALL_INFO2 info = {};
        info.v1.mainWindow = window;
        info.v1.monitoredMessage = RegisterWindowMessageW(L"VxlHookBenchMonitored");
        info.v1.dataNeededName = L"Local\\VxlHookBenchNeeded";
        info.v1.dataCompletedName = L"Local\\VxlHookBenchCompleted";
        info.v1.mappingName = L"Local\\VxlHookBenchArea";
        if (!install(&info)) {
            std::printf("the hooks could not be installed (error %lu)\n", info.v1.error);
            return 1;
        }
        hooked.push_back(PumpMessages(window));
        const WP_UNINSTALL_INFO record = {sizeof record, 1, 0};
        uninstall(&record);
    }
    const bench::CFigures withHook = bench::Summarise(hooked);
    const bench::CFigures without = bench::Summarise(bare);
    std::printf("hook message benchmark: %d posted messages per round, %d rounds\n", g_messages, kRounds);
    bench::PrintFigures("with the hooks installed", withHook, "ms");
    bench::PrintFigures("without them", without, "ms");
    std::printf("per message: %.1f ns with, %.1f ns without (medians); ratio %.2f\n",
                withHook.median * 1e6 / g_messages, without.median * 1e6 / g_messages,
                without.median > 0 ? withHook.median / without.median : 0.0);
    return 0;
}
