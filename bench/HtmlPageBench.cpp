// Time to first paint of the update page with ten news items in our HTML engine: each run
// loads the page into a fresh page window and paints it once into a bitmap (as WM_PAINT would).
// Without an argument both the engine's test page and the page the update dialog builds
// (with the time to build its text) are measured.
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/base/TextConversions.h"
#include "pages/UpdatePage.h"
#include "platform/htmlayout/htmlayout.h"

namespace {

std::string ReadPage(const std::wstring& path) {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::string();
    std::string bytes(GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    return bytes;
}

// A result as a check that found a new version with ten news items delivers it.
UpdateCheckResult NewVersionResult() {
    UpdateCheckResult result;
    result.newVersionText = L"5.3.2.1";
    result.newVersion = {5, 3, 2, 1};
    result.currentVersion = {5, 3, 1, 0};
    result.statusText = L"beta";
    result.releaseDateText = L"December 1, 2026";
    result.installerUrl = L"https://www.vexlora.com/download/vexlora_setup.exe";
    result.portableUrl = L"https://www.vexlora.com/download/vexlora_portable.zip";
    result.installerSize = 3 * 1024 * 1024;
    result.portableSize = 2 * 1024 * 1024;
    for (int i = 1; i <= 10; ++i) {
        NewsItem item;
        item.title.Format(L"Vexlora news number %d: what changed in the phrase menu", i);
        item.description = L"Faster menus, a float pane that remembers its place, and fixes to the history.";
        item.link.Format(L"https://www.vexlora.com/news/%d", i);
        item.date = L"December 1, 2026, Tuesday, 10:00:00";
        item.author = L"team";
        result.news.push_back(item);
    }
    return result;
}

}  // namespace

// Median, minimum and maximum of loading the page into a fresh window and painting it once.
bench::CFigures TimeFirstPaint(const std::string& page) {
    const int runs = 100;
    std::vector<double> times;
    HWND parent = CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 900, 600, nullptr, nullptr, nullptr, nullptr);
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    CClientDC screen(nullptr);
    CBitmapHandle bitmap(CreateCompatibleBitmap(screen.get(), 900, 600));
    CSelectObject select(dc.get(), bitmap.get());
    for (int i = 0; i < runs; ++i) {
        const double start = bench::NowMs();
        HWND view = CreateWindowExW(0, HTMLayoutClassNameW(), L"", WS_CHILD | WS_VISIBLE, 0, 0, 900, 600, parent,
                                    nullptr, nullptr, nullptr);
        HTMLayoutLoadHtml(view, reinterpret_cast<const BYTE*>(page.data()), static_cast<UINT>(page.size()));
        SendMessageW(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(dc.get()), PRF_CLIENT);
        GdiFlush();
        times.push_back(bench::NowMs() - start);
        DestroyWindow(view);
    }
    DestroyWindow(parent);
    return bench::Summarise(times);
}

int wmain(int argc, wchar_t** argv) {
    // The page: the one given, else the update page of the engine's tests.
    std::wstring path = argc > 1 ? argv[1] : L"Z:" VXL_HTML_FIXTURES L"\\update_new.html";
    for (wchar_t& c : path)
        if (c == L'/') c = L'\\';
    const std::string page = ReadPage(path);
    if (page.empty()) {
        fwprintf(stderr, L"cannot read %ls\n", path.c_str());
        return 1;
    }
    bench::CFigures f = TimeFirstPaint(page);
    wprintf(L"update page, %d bytes, 100 runs: time to first paint median %.2f ms (min %.2f, max %.2f)\n",
            static_cast<int>(page.size()), f.median, f.min, f.max);
    if (argc > 1) return 0;

    const UpdateCheckResult result = NewVersionResult();
    CUpdatePageEnv env;
    env.buildDateText = L"December 11, 2026";
    std::vector<double> builds;
    std::string built;
    for (int i = 0; i < 100; ++i) {
        const double start = bench::NowMs();
        built = WideToUtf8(BuildUpdatePage(result, env).GetString());
        builds.push_back(bench::NowMs() - start);
    }
    const bench::CFigures b = bench::Summarise(builds);
    f = TimeFirstPaint(built);
    wprintf(
        L"built update page, %d bytes, 100 runs: building its text median %.2f ms (max %.2f); "
        L"time to first paint median %.2f ms (min %.2f, max %.2f)\n",
        static_cast<int>(built.size()), b.median, b.max, f.median, f.min, f.max);
    return 0;
}
