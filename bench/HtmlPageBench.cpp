// Time to first paint of the update page with ten news items in our HTML engine: each run
// loads the page into a fresh page window and paints it once into a bitmap (as WM_PAINT would).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
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

}  // namespace

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
    const bench::CFigures f = bench::Summarise(times);
    wprintf(L"update page, %d bytes, %d runs: time to first paint median %.2f ms (min %.2f, max %.2f)\n",
            static_cast<int>(page.size()), runs, f.median, f.min, f.max);
    return 0;
}
