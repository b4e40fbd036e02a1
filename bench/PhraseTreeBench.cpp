// Loads a generated phrases folder of 10,000 phrase files in 500 folders and prints what
// the load costs next to a bare loop that only opens, reads and closes the same files,
// and the memory the loaded tree holds. Prints figures; passes or fails nothing.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench/BenchCommon.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "phrases/Command.h"
#include "phrases/CommandTree.h"

namespace {

const int kFolders = 500;
const int kPhrasesPerFolder = 20;
const int kRounds = 5;

double Milliseconds(LONGLONG ticks, LONGLONG frequency) {
    return ticks * 1e3 / static_cast<double>(frequency);
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

LONGLONG Now() {
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

SIZE_T PrivateBytes() {
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    return counters.PrivateUsage;
}

// Committed private memory, summed over the address space: Wine does not keep the
// private-bytes counter above up to date.
SIZE_T CommittedPrivateBytes() {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION info;
    for (const char* address = nullptr; VirtualQuery(address, &info, sizeof info) == sizeof info;) {
        if (info.State == MEM_COMMIT && info.Type == MEM_PRIVATE) total += info.RegionSize;
        const char* next = static_cast<const char*>(info.BaseAddress) + info.RegionSize;
        if (next <= address) break;
        address = next;
    }
    return total;
}

// Bytes in use on every heap of the process (the C runtime's malloc has its own),
// walked block by block.
SIZE_T HeapBytesInUse() {
    HANDLE heaps[64];
    DWORD count = GetProcessHeaps(64, heaps);
    if (count > 64) count = 64;
    SIZE_T used = 0;
    for (DWORD i = 0; i < count; ++i) {
        if (!HeapLock(heaps[i])) continue;
        PROCESS_HEAP_ENTRY entry = {};
        while (HeapWalk(heaps[i], &entry))
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY) used += entry.cbData;
        HeapUnlock(heaps[i]);
    }
    return used;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = data.cFileName;
            if (name == L"." || name == L"..") continue;
            std::wstring path = folder + L"\\" + name;
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder.c_str());
}

// A phrase as users keep them: a name, a few lines of text with a macro, sometimes a
// localised name, a usage count and date.
CVXLCommand MakePhrase(int folder, int index) {
    CVXLCommand record;
    wchar_t name[64];
    swprintf(name, 64, L"Phrase %d of folder %d", index, folder);
    record.SetName(name);
    CString text;
    text.Format(
        L"Dear customer,\r\n\r\nthank you for your message of %%DATE%%. Reference %d-%d.\r\n"
        L"We will answer within two working days.\r\n\r\nKind regards,\r\n%%CLIPBOARD_TEXT%%",
        folder, index);
    record.SetCommand(text);
    record.SetDataType(index % 10 == 0 ? VXL_DATA_EXEC : VXL_DATA_TEXT);
    record.SetUsageCount(index * 3);
    record.SetSortID(static_cast<UINT>(kPhrasesPerFolder - index));
    if (index % 4 == 0) record.SetLocalizedName(L"de", CString(L"Satz ") + name);
    SYSTEMTIME date = {2024, 3, 0, 12, 10, 20, 30, 0};
    record.SetDateUsage(date);
    return record;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    CFileHandle file(
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Opens, reads and closes each file: the floor under any loader.
LONGLONG BareReadLoop(const std::vector<std::wstring>& paths) {
    std::vector<char> buffer(64 * 1024);
    LONGLONG bytes = 0;
    for (const std::wstring& path : paths) {
        CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        if (!file) continue;
        DWORD read = 0;
        while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr) && read > 0)
            bytes += read;
    }
    return bytes;
}

// Private memory of this process: Windows' counter, or under Wine (where it does not move)
// the resident anonymous memory of the Unix process behind it.
// The child is found by the argument only it has on its command line.
SIZE_T OwnPrivateMemory() {
    WIN32_FIND_DATAW entry;
    HANDLE find = FindFirstFileW(L"Z:\\proc\\*", &entry);
    SIZE_T unixBytes = 0;
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (entry.cFileName[0] < L'0' || entry.cFileName[0] > L'9') continue;
            const std::wstring base = std::wstring(L"Z:\\proc\\") + entry.cFileName + L"\\";
            std::string commandLine = bench::ReadSmallFile(base + L"cmdline");
            std::replace(commandLine.begin(), commandLine.end(), '\0', ' ');
            if (commandLine.find("/child-load") == std::string::npos ||
                commandLine.find("phrase_tree_bench") == std::string::npos)
                continue;
            unixBytes = bench::StatusKb(bench::ReadSmallFile(base + L"status"), "RssAnon") * 1024;
        } while (!unixBytes && FindNextFileW(find, &entry));
        FindClose(find);
    }
    return unixBytes ? unixBytes : PrivateBytes();
}

// In a fresh process nothing of the bench's own rounds is on the heaps yet: the child
// loads the tree once and writes what the load added to `resultPath`.
int ChildLoad(const wchar_t* root, const wchar_t* resultPath) {
    const SIZE_T before = OwnPrivateMemory();
    const SIZE_T heapBefore = HeapBytesInUse();
    CVXLCommandTree tree;
    tree.Load(root, 1);
    const SIZE_T after = OwnPrivateMemory();
    const SIZE_T heapAfter = HeapBytesInUse();
    int records = 0, included = 0;
    tree.CountItems(records, included);
    char line[200];
    snprintf(line, sizeof line, "private memory +%.1f KB, heap in use +%.1f KB, %d records",
             (static_cast<double>(after) - static_cast<double>(before)) / 1024,
             (static_cast<double>(heapAfter) - static_cast<double>(heapBefore)) / 1024, records);
    CFileHandle file(CreateFileW(resultPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    WriteFile(file.get(), line, static_cast<DWORD>(strlen(line)), &written, nullptr);
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc == 4 && wcscmp(argv[1], L"/child-load") == 0) return ChildLoad(argv[2], argv[3]);
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    std::wstring root = std::wstring(temp) + L"vxl_phrase_bench_" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(root.c_str(), nullptr);

    std::vector<std::wstring> paths;
    paths.reserve(kFolders * (kPhrasesPerFolder + 1));
    LONGLONG fileBytes = 0;
    for (int folder = 0; folder < kFolders; ++folder) {
        std::wstring directory = root + L"\\Folder " + std::to_wstring(folder);
        CreateDirectoryW(directory.c_str(), nullptr);
        CVXLCommand self;
        self.MakeFolder();
        self.SetSortID(static_cast<UINT>(folder % 7));
        std::string selfXml = CommandToXml(self);
        std::wstring selfPath = directory + L"\\FOLDER_SELF.vexlora";
        WriteFileBytes(selfPath, selfXml);
        paths.push_back(selfPath);
        fileBytes += static_cast<LONGLONG>(selfXml.size());
        for (int index = 0; index < kPhrasesPerFolder; ++index) {
            std::string xml = CommandToXml(MakePhrase(folder, index));
            std::wstring path = directory + L"\\Phrase_" + std::to_wstring(index) + L".vexlora";
            if (!WriteFileBytes(path, xml)) {
                wprintf(L"cannot write %ls\n", path.c_str());
                RemoveTree(root);
                return 1;
            }
            paths.push_back(path);
            fileBytes += static_cast<LONGLONG>(xml.size());
        }
    }
    wprintf(L"phrase tree benchmark: %d folders, %d phrase files, %d files read, %lld bytes\n", kFolders,
            kFolders * kPhrasesPerFolder, static_cast<int>(paths.size()), fileBytes);

    // One round of each first, so that both find the files in the system's cache.
    BareReadLoop(paths);
    {
        CVXLCommandTree warm;
        warm.Load(root.c_str(), 1);
    }

    // The parse alone, from the same bytes in memory: what the loader adds to the reads.
    std::vector<std::string> contents;
    contents.reserve(paths.size());
    for (const std::wstring& path : paths) {
        CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        std::string bytes(GetFileSize(file.get(), nullptr), '\0');
        DWORD read = 0;
        ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
        contents.push_back(bytes);
    }
    std::vector<double> parse;
    for (int round = 0; round < kRounds; ++round) {
        LONGLONG start = Now();
        for (const std::string& bytes : contents) {
            CVXLCommand record;
            ParseCommandXml(record, bytes.c_str(), static_cast<DWORD>(bytes.size()), L"bench");
        }
        parse.push_back(Milliseconds(Now() - start, frequency.QuadPart));
    }

    std::vector<double> bare, load;
    int records = 0;
    SIZE_T privateBefore = 0, privateAfter = 0, heapBefore = 0, heapAfter = 0, committedBefore = 0, committedAfter = 0;
    for (int round = 0; round < kRounds; ++round) {
        LONGLONG start = Now();
        BareReadLoop(paths);
        bare.push_back(Milliseconds(Now() - start, frequency.QuadPart));

        CVXLCommandTree tree;
        SIZE_T privateStart = PrivateBytes();
        SIZE_T committedStart = CommittedPrivateBytes();
        SIZE_T heapStart = HeapBytesInUse();
        start = Now();
        tree.Load(root.c_str(), 1);
        load.push_back(Milliseconds(Now() - start, frequency.QuadPart));
        if (round == kRounds - 1) {
            privateBefore = privateStart;
            committedBefore = committedStart;
            heapBefore = heapStart;
            privateAfter = PrivateBytes();
            committedAfter = CommittedPrivateBytes();
            heapAfter = HeapBytesInUse();
            int included = 0;
            tree.CountItems(records, included);
        }
    }

    double bareMs = Median(bare);
    double loadMs = Median(load);
    wprintf(L"bare read loop (open, read, close): median %.1f ms, best %.1f ms\n", bareMs,
            *std::min_element(bare.begin(), bare.end()));
    wprintf(L"CVXLCommandTree::Load (sort key 1): median %.1f ms, best %.1f ms, %d records\n", loadMs,
            *std::min_element(load.begin(), load.end()), records);
    double bareBest = *std::min_element(bare.begin(), bare.end());
    double loadBest = *std::min_element(load.begin(), load.end());
    wprintf(L"load / bare loop: %.2f (medians), %.2f (best rounds)\n", bareMs > 0 ? loadMs / bareMs : 0.0,
            bareBest > 0 ? loadBest / bareBest : 0.0);
    wprintf(L"parsing the same bytes from memory: median %.1f ms\n", Median(parse));
    wprintf(L"per phrase: load %.1f us, bare read %.1f us\n", loadMs * 1000 / paths.size(),
            bareMs * 1000 / paths.size());
    wprintf(
        L"memory held by the loaded tree: private bytes +%.1f KB, committed private memory +%.1f KB, "
        L"heap in use +%.1f KB (%.0f bytes per record)\n",
        (static_cast<double>(privateAfter) - static_cast<double>(privateBefore)) / 1024,
        (static_cast<double>(committedAfter) - static_cast<double>(committedBefore)) / 1024,
        (static_cast<double>(heapAfter) - static_cast<double>(heapBefore)) / 1024,
        records ? (static_cast<double>(heapAfter) - static_cast<double>(heapBefore)) / records : 0.0);
    wprintf(L"size of one record: %u bytes\n", static_cast<unsigned>(sizeof(CVXLCommand)));

    // The same loads with logging on: every record logs a line.
    const std::wstring logPath = root + L"_log.txt";
    std::vector<double> logged;
    if (LogInit(logPath.c_str())) {
        for (int round = 0; round < kRounds; ++round) {
            CVXLCommandTree tree;
            const LONGLONG start = Now();
            tree.Load(root.c_str(), 1);
            logged.push_back(Milliseconds(Now() - start, frequency.QuadPart));
        }
        LogWaitPending(600000);
        LogShutdown();
        DeleteFileW(logPath.c_str());
        const bench::CFigures off = bench::Summarise(load);
        const bench::CFigures on = bench::Summarise(logged);
        wprintf(L"load with logging off: min %.1f, median %.1f, max %.1f ms\n", off.min, off.median, off.max);
        wprintf(L"load with logging on:  min %.1f, median %.1f, max %.1f ms (on / off medians %.2f)\n", on.min,
                on.median, on.max, off.median > 0 ? on.median / off.median : 0.0);
    } else {
        wprintf(L"cannot open a log: no load with logging on\n");
    }

    // The tree's memory, measured in a fresh process.
    const std::wstring result = root + L"_child.txt";
    wchar_t self[MAX_PATH];
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    CHandle child = bench::Start(self, L"/child-load \"" + root + L"\" \"" + result + L"\"");
    if (child && WaitForSingleObject(child.get(), 600000) == WAIT_OBJECT_0)
        wprintf(L"the loaded tree in a fresh process: %hs\n", bench::ReadSmallFile(result).c_str());
    else
        wprintf(L"the fresh process did not run\n");
    DeleteFileW(result.c_str());

    RemoveTree(root);
    return 0;
}
