// The clipboard history's folder: 1,000 items of mixed kinds (50 of them bitmaps) written,
// then loaded back, against a bare read of the same files; and the memory the loaded
// history holds.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>

#include "bench/BenchCommon.h"
#include "core/base/CString.h"
#include "core/base/Clock.h"
#include "history/HistoryFiles.h"
#include "history/HistoryQueue.h"

using namespace bench;

namespace {

const int kItems = 1000;
const int kBitmapEvery = 20;  // 50 bitmaps

std::unique_ptr<CCHItem> TextItem(int kind, const std::string& text, IClock& clock) {
    auto item = CCHItem::Create(kind, nullptr, clock);
    item->SetData(text.c_str(), static_cast<DWORD>(text.size() + 1));
    return item;
}

std::unique_ptr<CCHItem> UnicodeItem(const std::wstring& text, IClock& clock) {
    auto item = CCHItem::Create(CClipboardItemData::kUnicodeText, nullptr, clock);
    item->SetData(text.c_str(), static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    return item;
}

// A 320 x 200 picture at 24 bits, different for each n.
std::unique_ptr<CCHItem> BitmapItem(int n, IClock& clock) {
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = 320;
    info.bmiHeader.biHeight = 200;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    BYTE* pixels = static_cast<BYTE*>(bits);
    for (int i = 0; i < 320 * 3 * 200; ++i) pixels[i] = static_cast<BYTE>(i * 7 + n * 13);
    GdiFlush();
    auto item = CCHItem::Create(CClipboardItemData::kBitmap, nullptr, clock);
    item->SetBitmap(bitmap);
    return item;
}

std::unique_ptr<CCHItem> MixedItem(int n, IClock& clock) {
    std::string text = "Item " + std::to_string(n) + ": " + std::string(40 + n % 400, 'a' + n % 26);
    switch (n % 5) {
        case 0:
            return TextItem(CClipboardItemData::kText, text, clock);
        case 1: {
            auto item = UnicodeItem(std::wstring(text.begin(), text.end()) + L" \x041F\x0440\x0438", clock);
            item->SetWindowTitle(L"\x0420\x0435\x0434\x0430\x043A\x0442\x043E\x0440");
            item->Set_URL(L"https://example.org/page");
            return item;
        }
        case 2: {
            auto item = TextItem(CClipboardItemData::kRtf, "{\\rtf1\\ansi " + text + "}", clock);
            item->AddCompanion(std::shared_ptr<CCHItem>(TextItem(CClipboardItemData::kText, text, clock)));
            item->AddCompanion(std::shared_ptr<CCHItem>(UnicodeItem(std::wstring(text.begin(), text.end()), clock)));
            return item;
        }
        case 3:
            return TextItem(CClipboardItemData::kHtml, "Version:0.9\r\n<b>" + text + "</b>", clock);
        default: {
            auto item = TextItem(CClipboardItemData::kDorvane, text, clock);
            item->SetMetaText("<DvnClip><Title>" + std::to_string(n) + "</Title></DvnClip>");
            return item;
        }
    }
}

// Under Wine the counters of GetProcessMemoryInfo stay 0: then the Unix process's resident set.
SIZE_T WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    if (counters.WorkingSetSize) return counters.WorkingSetSize;
    return StatusKb(ReadSmallFile(L"Z:\\proc\\self\\status"), "VmRSS") * 1024;
}

// Every file of the folder read into memory and dropped: the floor of any load.
double BareRead(const CString& folder, ULONGLONG& bytes) {
    double start = NowMs();
    bytes = 0;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(folder + L"*", &data);
    std::vector<char> buffer;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        HANDLE file =
            CreateFileW(folder + data.cFileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE) continue;
        buffer.resize(data.nFileSizeLow);
        DWORD read = 0;
        ReadFile(file, buffer.data(), data.nFileSizeLow, &read, nullptr);
        bytes += read;
        CloseHandle(file);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return NowMs() - start;
}

ULONGLONG HeldBytes(const CCHItem& item) {
    if (item.Kind() != CClipboardItemData::kBitmap) return item.Size() + 2;
    DIBSECTION section = {};
    if (GetObjectW(item.Bitmap(), sizeof section, &section) == sizeof section) return section.dsBmih.biSizeImage;
    return 0;
}

void RemoveFolder(const CString& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(folder + L"*", &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW(folder + data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder);
}

}  // namespace

int wmain() {
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    CString folder;
    folder.Format(L"%shistory_bench_%lu\\", temp, GetCurrentProcessId());
    CreateDirectoryW(folder, nullptr);
    IClock& clock = SystemClock();

    double start = NowMs();
    CCHFileWriter writer(folder);
    int written = 0;
    for (int n = 0; n < kItems; ++n) {
        auto item = n % kBitmapEvery == kBitmapEvery - 1 ? BitmapItem(n, clock) : MixedItem(n, clock);
        if (writer.WriteItem(*item)) ++written;
    }
    std::printf("written: %d items in %.0f ms\n", written, NowMs() - start);

    ULONGLONG fileBytes = 0;
    BareRead(folder, fileBytes);  // warms the file cache for both
    std::vector<double> loads, bares;
    ULONGLONG held = 0;
    SIZE_T before = 0, after = 0;
    int loaded = 0;
    for (int run = 0; run < 5; ++run) {
        before = WorkingSet();
        auto queue = std::make_unique<CCHQueue>(folder, clock);
        double loadStart = NowMs();
        LoadHistoryFolder(folder, *queue);
        loads.push_back(NowMs() - loadStart);
        after = WorkingSet();
        loaded = queue->Count();
        held = 0;
        for (const auto& item : queue->Items()) {
            held += HeldBytes(*item);
            for (const auto& companion : item->Companions()) held += HeldBytes(*companion);
        }
        queue.reset();
        bares.push_back(BareRead(folder, fileBytes));
    }
    CFigures load = Summarise(loads), bare = Summarise(bares);
    std::printf("files: %.1f MB\n", fileBytes / 1048576.0);
    PrintFigures("load of the history", load, "ms");
    PrintFigures("bare read of the files", bare, "ms");
    std::printf("load / bare read (medians): %.1f\n", bare.median > 0 ? load.median / bare.median : 0.0);
    std::printf("loaded items: %d; data held: %.1f MB; working set grew by %.1f MB over the last load\n", loaded,
                held / 1048576.0, (static_cast<double>(after) - static_cast<double>(before)) / 1048576.0);
    RemoveFolder(folder);
    return loaded == written ? 0 : 1;
}
