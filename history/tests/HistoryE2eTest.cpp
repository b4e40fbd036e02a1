// The clipboard history in the real Vexlora.exe: copies of other programs (the test target
// and this test process) become items with their files in ClipboardHistory\, the
// program's own paste adds none, the history comes back after a new start, a kill in the
// middle of a stream of saves leaves nothing half written, and bad clipboard owners or a
// vanished folder do not stop it. What the program holds is read from outside: its files
// and its log.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "core/TrayIds.h"
#include "core/base/TextConversions.h"
#include "phrases/Command.h"
#include "phrases/CommandSave.h"
#include "phrases/CommandTree.h"
#include "testkit/LogFile.h"
#include "testkit/Poll.h"
#include "testkit/Resident.h"
#include "testkit/TempFolder.h"
#include "testkit/TestKit.h"

namespace {

using namespace testkit;

const wchar_t kHistorySettings[] =
    L"WriteLog=1\r\nClipboardHistory=1\r\nSaveClipboardHistory_v198=1\r\nClipboardFormats2=1\r\n"
    L"ShowTrayBallonOnHotkey=0\r\nAddLastUsedMenuToBegin=0\r\nSorting=1\r\n";

// One item as its info file describes it.
struct CStoredItem {
    CString infoName;
    std::vector<CString> files;  // File0, File1, ...
    bool complete = true;        // every named file exists and is not empty
    bool isProtected = false;
    CString time;
    CString text;  // File0's contents; UTF-16 without its mark for "Unicode_" files
};

std::string Utf8(const CString& text) {
    return WideToUtf8(text);
}

CString InfoValue(const CString& info, const wchar_t* key) {
    wchar_t buffer[1024] = {};
    GetPrivateProfileStringW(L"Files", key, L"", buffer, 1024, info);
    return buffer;
}

std::vector<CString> FolderFileNames(const CString& folder) {
    std::vector<CString> names;
    WIN32_FIND_DATAW found = {};
    HANDLE find = FindFirstFileW(folder + L"*", &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found))
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    std::sort(names.begin(), names.end(), [](const CString& a, const CString& b) { return a.Compare(b) < 0; });
    return names;
}

bool EndsWith(const CString& text, const wchar_t* end) {
    const int length = lstrlenW(end);
    return text.GetLength() >= length && text.Right(length).CompareNoCase(end) == 0;
}

CString ReadItemText(const CString& path) {
    const std::string bytes = ReadFileBytes(path);
    const CString name = path.Mid(path.ReverseFind(L'\\') + 1);
    if (name.Left(8) == L"Unicode_") {
        const size_t skip = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE' ? 2 : 0;
        std::wstring wide(reinterpret_cast<const wchar_t*>(bytes.data() + skip), (bytes.size() - skip) / 2);
        return CString(wide.c_str());
    }
    return CString(std::wstring(bytes.begin(), bytes.end()).c_str());
}

// Every ".info" of the folder, oldest first by its time key.
std::vector<CStoredItem> ReadStoredItems(const CString& folder) {
    std::vector<CStoredItem> items;
    for (const CString& name : FolderFileNames(folder)) {
        if (!EndsWith(name, L".info")) continue;
        CStoredItem item;
        item.infoName = name;
        const CString info = folder + name;
        for (int i = 0;; ++i) {
            CString key;
            key.Format(L"File%d", i);
            const CString file = InfoValue(info, key);
            if (file.IsEmpty()) break;
            item.files.push_back(file);
            WIN32_FILE_ATTRIBUTE_DATA data = {};
            if (!GetFileAttributesExW(folder + file, GetFileExInfoStandard, &data) ||
                (data.nFileSizeLow == 0 && data.nFileSizeHigh == 0))
                item.complete = false;
        }
        if (item.files.empty()) item.complete = false;
        item.isProtected = InfoValue(info, L"Protected") == L"1";
        item.time = InfoValue(info, L"Time");
        if (item.complete) item.text = ReadItemText(folder + item.files[0]);
        items.push_back(item);
    }
    std::stable_sort(items.begin(), items.end(),
                     [](const CStoredItem& a, const CStoredItem& b) { return a.time.Compare(b.time) < 0; });
    return items;
}

size_t CompleteCount(const CString& folder) {
    size_t count = 0;
    for (const CStoredItem& item : ReadStoredItems(folder)) count += item.complete ? 1 : 0;
    return count;
}

// Files of the folder that no info file names (a ".tmp" info file being written counts).
std::vector<CString> Orphans(const CString& folder, const std::vector<CStoredItem>& items) {
    std::set<std::wstring> named;
    for (const CStoredItem& item : items)
        for (CString file : item.files) named.insert(std::wstring(file.MakeLower().GetString()));
    std::vector<CString> orphans;
    for (CString name : FolderFileNames(folder)) {
        if (EndsWith(name, L".info")) continue;
        if (!named.count(std::wstring(name.MakeLower().GetString()))) orphans.push_back(name);
    }
    return orphans;
}

std::string Describe(const std::vector<CStoredItem>& items) {
    std::string out;
    for (const CStoredItem& item : items) {
        out += Utf8(item.infoName) + (item.isProtected ? " (protected)" : "") + ":";
        for (const CString& file : item.files) out += " " + Utf8(file);
        out += item.complete ? "\n" : " [incomplete]\n";
    }
    return out;
}

// The clipboard opened by this process, retried while another holds it.
bool OpenClipboardRetrying(DWORD timeoutMs = kClipboardWaitMs) {
    return PollUntil(timeoutMs, [] { return OpenClipboard(nullptr) != FALSE; });
}

struct CFormatBlock {
    UINT format;
    std::string bytes;
};

// Puts the blocks on the clipboard as one copy of "another program".
bool PutOnClipboard(const std::vector<CFormatBlock>& blocks) {
    if (!OpenClipboardRetrying()) return false;
    bool ok = EmptyClipboard() != FALSE;
    for (const CFormatBlock& block : blocks) {
        HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, block.bytes.size());
        if (!memory) {
            ok = false;
            continue;
        }
        memcpy(GlobalLock(memory), block.bytes.data(), block.bytes.size());
        GlobalUnlock(memory);
        if (!SetClipboardData(block.format, memory)) {
            GlobalFree(memory);
            ok = false;
        }
    }
    return CloseClipboard() && ok;
}

std::string UnicodeBytes(const CString& text) {
    return std::string(reinterpret_cast<const char*>(text.GetString()), (text.GetLength() + 1) * sizeof(wchar_t));
}

// A CF_HTML block around the fragment, its offsets filled in.
std::string HtmlBlock(const std::string& fragment) {
    const char header[] =
        "Version:0.9\r\nStartHTML:%010u\r\nEndHTML:%010u\r\nStartFragment:%010u\r\nEndFragment:%010u\r\n";
    const std::string start = "<html><body><!--StartFragment-->";
    const std::string end = "<!--EndFragment--></body></html>";
    char probe[256];
    const int headerLength = std::snprintf(probe, sizeof probe, header, 0u, 0u, 0u, 0u);
    const unsigned startHtml = static_cast<unsigned>(headerLength);
    const unsigned startFragment = startHtml + static_cast<unsigned>(start.size());
    const unsigned endFragment = startFragment + static_cast<unsigned>(fragment.size());
    const unsigned endHtml = endFragment + static_cast<unsigned>(end.size());
    char filled[256];
    std::snprintf(filled, sizeof filled, header, startHtml, endHtml, startFragment, endFragment);
    return std::string(filled) + start + fragment + end + std::string(1, '\0');
}

// A packed 4x4 32-bit DIB of one colour.
std::string DibBlock(DWORD color) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = 4;
    header.biHeight = 4;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    std::string bytes(reinterpret_cast<const char*>(&header), sizeof header);
    for (int i = 0; i < 16; ++i) bytes.append(reinterpret_cast<const char*>(&color), sizeof color);
    return bytes;
}

bool EmptyTheClipboard() {
    if (!OpenClipboardRetrying()) return false;
    EmptyClipboard();
    return CloseClipboard() != FALSE;
}

// A private program folder with the history saved, and the resident started and ended in it.
class HistoryE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_folder.Create());
        m_history = m_folder.PathOf(L"ClipboardHistory\\");
        m_log = m_folder.PathOf(L"LogReport.txt");
        ASSERT_TRUE(EmptyTheClipboard());
    }
    void TearDown() override {
        if (HasFailure()) {
            std::printf("%s\n", Utf8(ReadLogFile(std::wstring(m_log.GetString())).Joined().c_str()).c_str());
            std::printf("history folder:\n%s", Describe(ReadStoredItems(m_history)).c_str());
        }
        if (m_resident && m_resident->IsRunning()) Exit();
    }

    // Starts the resident with a fresh log and waits until it has loaded the history.
    void Start(const CString& extraSettings, int expectLoaded = -1) {
        ASSERT_TRUE(m_folder.WriteSettings(CString(kHistorySettings) + extraSettings));
        // The waiter of a killed program may still hold the log for a moment: a line of the
        // old log must not pass for the new start's.
        ASSERT_TRUE(PollUntil(10000, [&] {
            DeleteFileW(m_log);
            return GetFileAttributesW(m_log) == INVALID_FILE_ATTRIBUTES;
        })) << "the old log stays";
        m_resident = std::make_unique<CTestProcess>();
        CCheck started = m_resident->Start(m_folder.PathOf(L"Vexlora.exe"), L"");
        if (!started.ok()) {
            // Seen under Wine with a busy machine, right after a kill: CreateProcessW fails
            // with ERROR_INTERNAL_ERROR once and works a moment later.
            Sleep(500);
            m_resident = std::make_unique<CTestProcess>();
            started = m_resident->Start(m_folder.PathOf(L"Vexlora.exe"), L"");
        }
        ASSERT_TRUE(started);
        ASSERT_TRUE(WaitForFileText(m_log, L"history items loaded", 30000)) << "the history was not loaded";
        if (expectLoaded >= 0) {
            CString line;
            line.Format(L" %d history items loaded", expectLoaded);
            EXPECT_TRUE(WaitForFileText(m_log, line, 1000)) << "expected" << Utf8(line);
        }
    }
    void Exit() {
        RunToExit(m_folder.PathOf(L"Vexlora.exe"), L"/exit", 30000);
        const CResult<DWORD> code = m_resident->WaitForExit(30000);
        EXPECT_TRUE(code) << "the resident did not end after /exit";
        if (!code.ok()) {
            std::printf("the tray window %s\n", Answers() ? "answers" : "does not answer");
            std::printf("%s\n", Utf8(ReadLogFile(std::wstring(m_log.GetString())).Joined().c_str()).c_str());
        }
    }
    // Answers a WM_NULL sent to its tray window within the time.
    bool Answers(DWORD timeoutMs = 2000) const {
        HWND tray = TrayWindowOf(m_resident->id());
        DWORD_PTR result = 0;
        return tray && SendMessageTimeoutW(tray, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, timeoutMs, &result);
    }
    bool WaitForItems(size_t count, DWORD timeoutMs = 15000) const {
        return PollUntil(timeoutMs, [&] { return CompleteCount(m_history) == count; });
    }

    CPrivateProgramFolder m_folder;
    std::unique_ptr<CTestProcess> m_resident;
    CString m_history;
    CString m_log;
};

// Puts the text into the control, selects it and copies it with Ctrl+C.
void CopyInControl(HWND control, const wchar_t* text) {
    SendMessageW(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text));
    SendMessageW(control, EM_SETSEL, 0, -1);
    ASSERT_TRUE(FocusControl(control));
    ASSERT_TRUE(PressKey('C', kCtrl));
}

// Each kind of copy is one item whose info file names its data file and companions; a
// phrase pasted by the program adds none; after a new start the stored items come back
// in their order, the protected one kept beyond the limit.
TEST_F(HistoryE2e, CopiesBecomeItemsThatComeBackAfterANewStart) {
    const CString phrases = m_folder.PathOf(L"Phrases");
    ASSERT_TRUE(CreateDirectoryW(phrases, nullptr));
    {
        CVXLCommandTree tree;
        tree.Load(phrases, 1);
        CVXLCommand record;
        record.SetName(L"rich");
        record.SetCommand(L"{\\rtf1\\ansi Pasted {\\b phrase}}");
        record.SetDataType(VXL_DATA_RTF);
        tree.GetRecords().push_back(std::move(record));
        ASSERT_EQ(1, tree.SaveRecord(tree.GetRecords().back()));
        ASSERT_TRUE(WaitForPendingSaves(10000));
    }
    ASSERT_TRUE(PollUntil(20000, [] { return !IsDefaultHotKeyTaken(); })) << "the hot key is taken by another program";
    ASSERT_NO_FATAL_FAILURE(Start(L"PhrasesDirectory=" + phrases + L"\r\n", 0));
    CTargetProgram target;
    ASSERT_TRUE(target.Start(L"/focus:edit"));

    const std::string html = HtmlBlock("<b>html copied</b>");
    const struct {
        const char* name;
        std::vector<CString> extensions;  // File0, then the companions
        const wchar_t* text;              // File0's contents; null: not compared
    } kCases[] = {
        {"text from an edit field", {L"Unicode_*.txt", L".txt"}, L"text copied in the target"},
        {"RTF from the RichEdit", {L".rtf", L".txt"}, nullptr},
        {"HTML of this process", {L".html", L".txt"}, nullptr},
        {"a bitmap of this process", {L".bmp"}, nullptr},
    };
    for (size_t i = 0; i < std::size(kCases); ++i) {
        const auto& c = kCases[i];
        SCOPED_TRACE(c.name);
        switch (i) {
            case 0:
                ASSERT_NO_FATAL_FAILURE(CopyInControl(target.Control(IDC_TARGET_EDIT), c.text));
                break;
            case 1:
                ASSERT_NO_FATAL_FAILURE(CopyInControl(target.Control(IDC_TARGET_RICH), L"rich copied text"));
                break;
            case 2:
                ASSERT_TRUE(PutOnClipboard({{RegisterClipboardFormatW(L"HTML Format"), html},
                                            {CF_UNICODETEXT, UnicodeBytes(L"html copied")}}));
                break;
            default:
                ASSERT_TRUE(PutOnClipboard({{CF_DIB, DibBlock(0x00336699)}}));
                break;
        }
        ASSERT_TRUE(WaitForItems(i + 1)) << Describe(ReadStoredItems(m_history));
        const std::vector<CStoredItem> items = ReadStoredItems(m_history);
        const CStoredItem& item = items.back();
        ASSERT_EQ(c.extensions.size(), item.files.size()) << Describe(items);
        for (size_t f = 0; f < item.files.size(); ++f) {
            const CString& expected = c.extensions[f];
            const bool unicode = expected.Left(8) == L"Unicode_";
            const CString extension = unicode ? expected.Mid(9) : expected;
            EXPECT_TRUE(EndsWith(item.files[f], extension)) << Utf8(item.files[f]);
            EXPECT_EQ(unicode, item.files[f].Left(8) == L"Unicode_") << Utf8(item.files[f]);
        }
        if (c.text) {
            EXPECT_STREQ(c.text, item.text.GetString());
        }
    }
    ASSERT_TRUE(WaitForFileText(m_log, L"history items saved"));

    // The phrase goes to the RichEdit through the clipboard under the my-copy guard.
    const std::vector<CStoredItem> beforePaste = ReadStoredItems(m_history);
    HWND rich = target.Control(IDC_TARGET_RICH);
    SendMessageW(rich, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_TRUE(FocusControl(rich));
    ASSERT_TRUE(PressKey(VK_RETURN, kCtrl | kAlt));
    HWND menu = nullptr;
    ASSERT_TRUE(PollUntil(15000, [&] { return (menu = FindVisibleMenuWindowOf(m_resident->id())) != nullptr; }))
        << "no menu after the hot key";
    PostKeyTo(menu, VK_DOWN);
    PostKeyTo(menu, VK_RETURN);
    ASSERT_TRUE(WaitForControlText(rich, L"Pasted phrase"));
    ASSERT_TRUE(WaitForFileText(m_log, L"My copy process detected")) << "the paste's clipboard change was not seen";
    // A capture of the paste would be written within the save's second.
    EXPECT_FALSE(PollUntil(2000, [&] {
        return FolderFileNames(m_history).size() != 0 && ReadStoredItems(m_history).size() != beforePaste.size();
    })) << Describe(ReadStoredItems(m_history));
    ASSERT_NO_FATAL_FAILURE(Exit());

    // The oldest item, protected from outside; with room for three, the next copy drops
    // the oldest unprotected one, which only the stored order names.
    std::vector<CStoredItem> stored = ReadStoredItems(m_history);
    ASSERT_EQ(4u, stored.size()) << Describe(stored);
    ASSERT_TRUE(WritePrivateProfileStringW(L"Files", L"Protected", L"1", m_history + stored[0].infoName));
    ASSERT_TRUE(EmptyTheClipboard());
    ASSERT_NO_FATAL_FAILURE(Start(L"ClipboardHistoryMax=3\r\n", 4));
    ASSERT_TRUE(SetClipboardText(L"copied after the new start"));
    ASSERT_TRUE(PollUntil(15000, [&] {
        const std::vector<CStoredItem> now = ReadStoredItems(m_history);
        return !now.empty() && now.back().text == L"copied after the new start";
    })) << Describe(ReadStoredItems(m_history));

    // The hot-key menu offers the clips (this start has no phrases): the first, the
    // newest, pastes its text.
    HWND edit = target.Control(IDC_TARGET_EDIT);
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L""));
    ASSERT_TRUE(FocusControl(edit));
    ASSERT_TRUE(PressKey(VK_RETURN, kCtrl | kAlt));
    ASSERT_TRUE(PollUntil(15000, [&] { return (menu = FindVisibleMenuWindowOf(m_resident->id())) != nullptr; }))
        << "no menu after the hot key";
    PostKeyTo(menu, VK_DOWN);
    PostKeyTo(menu, VK_RETURN);
    EXPECT_TRUE(WaitForControlText(edit, L"copied after the new start"));
    ASSERT_NO_FATAL_FAILURE(Exit());

    const std::vector<CStoredItem> after = ReadStoredItems(m_history);
    ASSERT_EQ(4u, after.size()) << Describe(after);
    EXPECT_EQ(stored[0].infoName, after[0].infoName) << "the protected oldest item stays";
    EXPECT_TRUE(after[0].isProtected);
    EXPECT_EQ(stored[2].infoName, after[1].infoName) << "the RTF item, oldest unprotected, went";
    EXPECT_EQ(stored[3].infoName, after[2].infoName);
    // Its names may be taken again by the newest item; its RTF file is gone for good.
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(m_history + stored[1].files[0]));
    EXPECT_TRUE(Orphans(m_history, after).empty());
    target.process().Kill(0);
}

// Copies of a stream, the program killed at a random moment; after a new start nothing
// that was saved before the kill is lost, doubled or half there.
TEST_F(HistoryE2e, AKillWhileSavingLeavesEveryItemWholeOrAbsent) {
    const int kRounds = 20;
    const int kStream = 200;
    std::mt19937 random(20240611u);
    int lostTotal = 0, doubledTotal = 0, halfTotal = 0, orphanTotal = 0, loadFailures = 0;
    std::printf("round  killed-at  saved-before  after-restart  lost  doubled  orphans  half\n");
    for (int round = 0; round < kRounds; ++round) {
        SCOPED_TRACE(round);
        RemoveTree(m_folder.PathOf(L"ClipboardHistory"));
        ASSERT_NO_FATAL_FAILURE(Start(L"ClipboardHistoryMax=1000\r\n", 0));
        const int killAt = std::uniform_int_distribution<int>(10, kStream - 1)(random);
        std::map<std::wstring, int> savedBefore;  // text -> info files holding it
        for (int i = 0; i < kStream; ++i) {
            CString text;
            text.Format(L"round %d stream text %d", round, i);
            ASSERT_TRUE(SetClipboardText(text));
            Sleep(3);
            if (i != killAt) continue;
            for (const CStoredItem& item : ReadStoredItems(m_history))
                if (item.complete) ++savedBefore[std::wstring(item.text.GetString())];
            ASSERT_TRUE(m_resident->Kill(1));
            break;
        }
        const size_t infoBefore = ReadStoredItems(m_history).size();

        ASSERT_TRUE(EmptyTheClipboard());
        ASSERT_NO_FATAL_FAILURE(Start(L"ClipboardHistoryMax=1000\r\n"));
        CString loaded;
        loaded.Format(L" %d history items loaded", static_cast<int>(infoBefore));
        const bool loadedAll = WaitForFileText(m_log, loaded, 1000).ok();
        ASSERT_NO_FATAL_FAILURE(Exit());

        const std::vector<CStoredItem> after = ReadStoredItems(m_history);
        std::map<std::wstring, int> seen;
        int half = 0;
        for (const CStoredItem& item : after) {
            if (!item.complete) ++half;
            ++seen[std::wstring(item.text.GetString())];
        }
        int lost = 0, doubled = 0;
        for (const auto& entry : savedBefore) lost += seen.count(entry.first) ? 0 : 1;
        for (const auto& entry : seen) doubled += entry.second > 1 ? entry.second - 1 : 0;
        const int orphans = static_cast<int>(Orphans(m_history, after).size());
        std::printf("%5d  %9d  %12d  %13d  %4d  %7d  %7d  %4d\n", round, killAt, static_cast<int>(savedBefore.size()),
                    static_cast<int>(after.size()), lost, doubled, orphans, half);
        lostTotal += lost;
        doubledTotal += doubled;
        halfTotal += half;
        orphanTotal += orphans;
        loadFailures += loadedAll ? 0 : 1;
        EXPECT_TRUE(loadedAll) << "the load did not take the " << infoBefore << " info files left by the kill";
    }
    std::printf("kills %d: lost %d, doubled %d, half-written %d, orphans %d, loads short %d\n", kRounds, lostTotal,
                doubledTotal, halfTotal, orphanTotal, loadFailures);
    EXPECT_EQ(0, lostTotal);
    EXPECT_EQ(0, doubledTotal);
    EXPECT_EQ(0, halfTotal);
}

// Clipboard owners and a folder that misbehave: the program goes on answering and keeps
// what it can.
TEST_F(HistoryE2e, BadOwnersAndAVanishedFolderDoNotStopTheHistory) {
    ASSERT_NO_FATAL_FAILURE(Start(L"ClipboardHistoryMax=20\r\n", 0));

    // A copy whose owner opens the clipboard again at once and keeps it for 3 s.
    ASSERT_TRUE(SetClipboardText(L"held by its owner"));
    ASSERT_TRUE(OpenClipboardRetrying());
    const ULONGLONG heldUntil = GetTickCount64() + 3000;
    bool answeredWhileHeld = true;
    while (GetTickCount64() < heldUntil) answeredWhileHeld = Answers() && answeredWhileHeld;
    CloseClipboard();
    EXPECT_TRUE(answeredWhileHeld) << "the program hung on the held clipboard";
    EXPECT_TRUE(PollUntil(15000, [&] {
        const std::wstring log = ReadLogFile(std::wstring(m_log.GetString())).Joined();
        return log.find(L"the clipboard stays shut") != std::wstring::npos || CompleteCount(m_history) == 1;
    })) << "the held copy was neither kept nor logged";

    // The folder deleted while the program runs: the next copy makes it again.
    ASSERT_TRUE(SetClipboardText(L"before the folder went"));
    ASSERT_TRUE(PollUntil(15000, [&] {
        const std::vector<CStoredItem> items = ReadStoredItems(m_history);
        return !items.empty() && items.back().text == L"before the folder went";
    }));
    RemoveTree(m_folder.PathOf(L"ClipboardHistory"));
    ASSERT_TRUE(SetClipboardText(L"after the folder went"));
    EXPECT_TRUE(PollUntil(15000, [&] {
        const std::vector<CStoredItem> items = ReadStoredItems(m_history);
        return items.size() == 1 && items[0].text == L"after the folder went";
    })) << Describe(ReadStoredItems(m_history));

    // A flood of copies: the program lives and the history ends at its limit.
    for (int i = 0; i < 1000; ++i) {
        CString text;
        text.Format(L"flood %d", i);
        ASSERT_TRUE(SetClipboardText(text));
    }
    EXPECT_TRUE(Answers(10000)) << "the program stopped answering after the flood";
    ASSERT_NO_FATAL_FAILURE(Exit());
    const std::vector<CStoredItem> items = ReadStoredItems(m_history);
    EXPECT_EQ(20u, items.size()) << Describe(items);
    for (const CStoredItem& item : items) EXPECT_TRUE(item.complete) << Utf8(item.infoName);
    EXPECT_TRUE(Orphans(m_history, items).empty());
}

}  // namespace
