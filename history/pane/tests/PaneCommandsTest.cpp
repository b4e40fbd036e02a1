// The pane's commands over a history in a clipboard in memory: the selection is the
// test's, and every question and dialog is answered by it.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/TrayIds.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryFiles.h"
#include "history/pane/PaneCommands.h"
#include "history/pane/PaneMenus.h"
#include "history/pane/PaneTips.h"
#include "history/tests/HistoryTestData.h"
#include "testkit/Poll.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using namespace historytest;
using Kind = CClipboardItemData::Kind;
using Formats = std::vector<std::pair<UINT, std::vector<BYTE>>>;

const UINT kProtect = 32794;
const UINT kUpperCase = 32799;
const UINT kLowerCase = 32805;
const UINT kOpenAsUrl = 32806;
const UINT kTrim = 32812;
const UINT kSaveAsPhrase = 32857;
const UINT kCopyHtmlCode = 32860;
const UINT kMultiCopy = 32872;
const UINT kRemoveLineBreaks = 32873;
const UINT kCopyAsRtf = 32849;
const UINT kSearchGoogle = 32840;
const UINT kSave = 32795;
const UINT kCopyExcludeSymbols = 32864;

struct CFakeHost final : IPaneCommandHost {
    int focused = -1;
    std::vector<int> selected;
    bool pinned = false;
    bool collapsed = false;
    std::vector<bool> pinnedHistory;
    int refreshes = 0;
    int selectedLater = -2;
    std::vector<CString> phrases;
    int FocusedItem() override { return focused; }
    std::vector<int> SelectedItems() override { return selected; }
    bool SelectAll() override { return false; }
    void RefreshList() override { ++refreshes; }
    void SelectRowLater(int row) override { selectedLater = row; }
    void SetBusy(bool) override {}
    bool IsPinned() override { return pinned; }
    void SetPinned(bool pin) override {
        pinned = pin;
        pinnedHistory.push_back(pin);
    }
    bool IsCollapsed() override { return collapsed; }
    void SetCollapsed(bool collapse, bool) override { collapsed = collapse; }
    void PasteToPreviousWindow() override {}
    void ShowAllItems() override {}
    void ShowPhrasesMenu() override {}
    void ClosePane() override {}
    void PostToMainWindow(UINT) override {}
    bool SendPhraseToMainWindow(const CString& text) override {
        phrases.push_back(text);
        return true;
    }
};

struct CMessage {
    CString text;
    UINT icon;
    DWORD timeoutMs;
};

struct CFakeUi final : IPaneCommandUi {
    int beeps = 0;
    std::vector<CString> deleteQuestions;
    std::vector<CString> protectedQuestions;
    std::function<bool()> confirmDelete = [] { return true; };
    // -1 cancel, 0 keep the protected items, 1 delete them too.
    int protectedAnswer = 0;
    std::vector<CMessage> messages;
    std::vector<CString> errors;
    // The paths the save dialog answers, one per dialog; an empty one cancels.
    std::vector<CString> savePaths;
    int saveFilter = 2;
    std::vector<CPaneSaveOffer> offers;
    CString saveFolder;
    std::vector<CString> opened;

    void Beep() override { ++beeps; }
    void PlayCopySound() override {}
    bool ConfirmDelete(const CString& text) override {
        deleteQuestions.push_back(text);
        return confirmDelete();
    }
    bool ConfirmDeleteProtected(const CString& text, bool& alsoProtected) override {
        protectedQuestions.push_back(text);
        alsoProtected = protectedAnswer == 1;
        return protectedAnswer >= 0;
    }
    void ShowTimedMessage(const CString& text, UINT icon, DWORD timeoutMs) override {
        messages.push_back({text, icon, timeoutMs});
    }
    void ShowError(const CString& text) override { errors.push_back(text); }
    bool AskSavePath(const CString&, const CPaneSaveOffer& offer, const CString&, CString& path,
                     int& filterIndex) override {
        offers.push_back(offer);
        if (offers.size() > savePaths.size() || savePaths[offers.size() - 1].IsEmpty()) return false;
        path = savePaths[offers.size() - 1];
        filterIndex = saveFilter;
        return true;
    }
    CString SaveFolder() override { return saveFolder; }
    void SetSaveFolder(const CString& folder) override { saveFolder = folder; }
    bool EmptyClipboard() override { return true; }
    bool OpenUrl(const CString& text) override {
        opened.push_back(text);
        return true;
    }
    bool RunCommand(const CString& text) override { return OpenUrl(text); }
    bool WebSearch(const CString& text, int) override { return OpenUrl(text); }
    bool ShellOpen(const CString& url) override { return OpenUrl(url); }
    bool OpenItem(const CCHItem&, int) override { return true; }
    void ReportError(const CString& text) override { errors.push_back(text); }
};

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return message == WM_NOTIFY ? 0 : DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeParent() {
    static ATOM atom = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlPaneCommandsTestParent";
        return RegisterClassW(&windowClass);
    }();
    if (!atom) return nullptr;
    return CreateWindowExW(0, L"VxlPaneCommandsTestParent", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

CHistoryHandlerSettings g_settings;
CHistoryHandlerSettings TestSettings() {
    return g_settings;
}

std::string ReadFileBytes(const CString& path) {
    std::string bytes;
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return "(missing)";
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

std::string Utf16Bytes(const wchar_t* text) {
    return std::string(reinterpret_cast<const char*>(text), wcslen(text) * sizeof(wchar_t));
}

class PaneCommands : public ::testing::Test {
protected:
    void SetUp() override {
        g_settings = ListenerHistorySettings();
        g_settings.historyMax = 2000;
        m_root = testkit::MakeUniqueTempFolder(L"panecmd");
        m_folder = m_root + L"\\ClipboardHistory";
        m_parent = MakeParent();
        ASSERT_NE(nullptr, m_parent);
        m_handler = std::make_unique<CVXLWndClipboardHandler>(m_clipboard, m_clock, m_spy, m_folder);
        m_handler->SetSettingsSource(&TestSettings);
        ASSERT_TRUE(m_handler->Create(m_parent, static_cast<UINT>(kHistoryControlId), false));
        m_commands = std::make_unique<CPaneCommands>(*m_handler, m_host, m_ui);
    }
    void TearDown() override {
        m_commands.reset();
        m_handler.reset();
        DestroyWindow(m_parent);
        testkit::RemoveTree(m_root);
    }
    void Copy(const Formats& formats) {
        ++m_clock.localTime.wSecond;
        if (m_clock.localTime.wSecond >= 60) {
            m_clock.localTime.wSecond = 0;
            ++m_clock.localTime.wMinute;
        }
        ASSERT_TRUE(m_clipboard.Open(nullptr, 0));
        ASSERT_TRUE(m_clipboard.Empty());
        for (const auto& format : formats)
            ASSERT_TRUE(m_clipboard.Write(format.first, format.second.data(), format.second.size()));
        m_clipboard.Close();
        m_handler->OnClipboardChanged(nullptr, 0);
    }
    void CopyText(const wchar_t* text) { Copy({{CF_UNICODETEXT, Utf16(text)}}); }
    // Rows from the newest, the first of them focused.
    void Select(std::vector<int> rows) {
        m_host.selected = rows;
        m_host.focused = rows.empty() ? -1 : rows.front();
    }
    std::wstring Text(int row) {
        const CCHItem* item = m_handler->Get_Item(row);
        return item ? GetPaneItemText(*item).GetString() : L"(none)";
    }
    std::vector<std::wstring> Texts() {
        std::vector<std::wstring> texts;
        for (int row = 0; row < m_handler->Get_Items_Count(); ++row) texts.push_back(Text(row));
        return texts;
    }
    std::wstring ClipboardText() {
        CString text;
        if (!m_clipboard.Open(nullptr, 0)) return L"(shut)";
        const bool read = ReadClipboardUnicodeText(m_clipboard, text);
        m_clipboard.Close();
        return read ? text.GetString() : L"(no text)";
    }
    void WaitForDisk() {
        ASSERT_TRUE(testkit::PumpMessagesUntil(20000, [&] { return !m_handler->IsDiskBusy(); }));
    }

    CFakeClipboard m_clipboard;
    CFakeClock m_clock;
    CSilentNotices m_notices;
    CClipboardSpy m_spy{m_clipboard, m_notices};
    CString m_root;
    CString m_folder;
    HWND m_parent = nullptr;
    std::unique_ptr<CVXLWndClipboardHandler> m_handler;
    CFakeHost m_host;
    CFakeUi m_ui;
    std::unique_ptr<CPaneCommands> m_commands;
};

// Delete: the keyboard asks, the menu does not; protected items are asked about and stay
// unless the answer says they go too; a cancelled question changes nothing.
TEST_F(PaneCommands, DeleteAsksFromTheKeyboardAndAboutProtectedItems) {
    struct Case {
        const char* name;
        PaneCommandSource source;
        bool confirm;
        int protectedAnswer;
        std::vector<int> rows;  // of d c b a, newest first; "c" is protected
        std::vector<std::wstring> left;
        size_t deleteQuestions;
        size_t protectedQuestions;
    };
    const Case cases[] = {
        {"menu", PaneCommandSource::kMenu, true, 0, {0, 2}, {L"c", L"a"}, 0, 0},
        {"key, OK", PaneCommandSource::kAccelerator, true, 0, {0}, {L"c", L"b", L"a"}, 1, 0},
        {"key, Cancel", PaneCommandSource::kAccelerator, false, 0, {0, 2}, {L"d", L"c", L"b", L"a"}, 1, 0},
        {"protected kept", PaneCommandSource::kMenu, true, 0, {1, 2}, {L"d", L"c", L"a"}, 0, 1},
        {"protected too", PaneCommandSource::kMenu, true, 1, {1, 2}, {L"d", L"a"}, 0, 1},
        {"protected, Cancel", PaneCommandSource::kMenu, true, -1, {1, 2}, {L"d", L"c", L"b", L"a"}, 0, 1},
        {"nothing selected", PaneCommandSource::kAccelerator, true, 0, {}, {L"d", L"c", L"b", L"a"}, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_handler->Queue().SetFrozen(false);
        while (m_handler->Get_Items_Count() > 0) {
            for (int row = 0; row < m_handler->Get_Items_Count(); ++row)
                m_handler->Get_Item(row)->SetProtectedFlag(false);
            m_handler->Clear();
        }
        for (const wchar_t* text : {L"a", L"b", L"c", L"d"}) CopyText(text);
        m_handler->Get_Item(1)->SetProtectedFlag(true);
        m_ui = CFakeUi();
        m_ui.confirmDelete = [&] { return c.confirm; };
        m_ui.protectedAnswer = c.protectedAnswer;
        Select(c.rows);
        m_commands->Run(ID_PANE_DELETE, c.source);
        EXPECT_EQ(c.left, Texts());
        EXPECT_EQ(c.deleteQuestions, m_ui.deleteQuestions.size());
        EXPECT_EQ(c.protectedQuestions, m_ui.protectedQuestions.size());
    }
}

// A copy taken while the question is open moves every row: the items asked about go, not
// the rows that were theirs.
TEST_F(PaneCommands, DeleteRemovesTheItemsAskedAboutWhenACopyArrivesMeanwhile) {
    for (const wchar_t* text : {L"a", L"b", L"c"}) CopyText(text);
    Select({0, 1});  // c, b
    m_ui.confirmDelete = [&] {
        CopyText(L"new");
        return true;
    };
    EXPECT_TRUE(m_commands->Delete(PaneCommandSource::kAccelerator));
    EXPECT_EQ((std::vector<std::wstring>{L"new", L"a"}), Texts());
}

// A thousand selected items: the question names ten of them and counts the rest, and
// every one of them goes.
TEST_F(PaneCommands, DeleteOfAThousandItemsListsTenInItsQuestion) {
    std::vector<int> rows;
    for (int i = 0; i < 1000; ++i) {
        CopyText(std::to_wstring(i).c_str());
        rows.push_back(i);
    }
    ASSERT_EQ(1000, m_handler->Get_Items_Count());
    Select(rows);
    EXPECT_TRUE(m_commands->Delete(PaneCommandSource::kAccelerator));
    ASSERT_EQ(1u, m_ui.deleteQuestions.size());
    const std::wstring question = m_ui.deleteQuestions[0].GetString();
    EXPECT_NE(std::wstring::npos, question.find(L": 1000"));
    EXPECT_NE(std::wstring::npos, question.find(L"+990"));
    EXPECT_EQ(std::wstring::npos, question.find(L"\x2022 989"));
    EXPECT_EQ(0, m_handler->Get_Items_Count());
}

// Protect follows the focused item's flag for the whole selection, and an item on disk
// has it written into its info file, so that it survives a new start.
TEST_F(PaneCommands, ProtectTogglesTheSelectionAndRewritesTheInfoFile) {
    g_settings.saveHistory = true;
    for (const wchar_t* text : {L"a", L"b", L"c"}) CopyText(text);
    m_handler->SaveNow();
    WaitForDisk();
    ASSERT_FALSE(m_handler->Get_Item(0)->InfoPath().IsEmpty());

    for (bool expected : {true, false, true}) {
        SCOPED_TRACE(expected);
        Select({0, 2});
        m_commands->Run(kProtect, PaneCommandSource::kMenu);
        for (int row : {0, 2}) {
            const CCHItem* item = m_handler->Get_Item(row);
            EXPECT_EQ(expected, item->IsProtected());
            CCHInfoRecord record;
            ASSERT_TRUE(ReadInfoFile(item->InfoPath(), record));
            EXPECT_EQ(expected, record.isProtected);
        }
        EXPECT_FALSE(m_handler->Get_Item(1)->IsProtected());
    }
    WaitForDisk();
    CFakeClock clock;
    CCHQueue loaded(m_folder, clock);
    ASSERT_EQ(3, LoadHistoryFolder(m_folder, loaded));
    int protectedCount = 0;
    for (const auto& item : loaded.Items()) protectedCount += item->IsProtected() ? 1 : 0;
    EXPECT_EQ(2, protectedCount);
}

// Multi copy joins the selected Unicode texts in list order; other kinds are left out, and
// fewer than two rows copy nothing.
TEST_F(PaneCommands, MultiCopyJoinsTheSelectedTextsInListOrder) {
    g_settings.switches.on[2] = true;
    CopyText(L"first");
    Copy({{CF_BITMAP, {}}, {CF_DIB, SmallDib()}});
    CopyText(L"second");
    CopyText(L"third");
    ASSERT_EQ(4, m_handler->Get_Items_Count());
    struct Case {
        std::vector<int> rows;
        std::wstring clipboard;
        int beeps;
    };
    const Case cases[] = {
        {{0, 1, 2, 3}, L"third\nsecond\nfirst", 0},
        {{3, 0}, L"third\nfirst", 0},
        {{0}, L"(unchanged)", 1},
        {{2, 2}, L"(unchanged)", 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.rows));
        CString unchanged = L"(unchanged)";
        ASSERT_TRUE(m_handler->PutText(unchanged));
        m_ui.beeps = 0;
        m_host.selected = c.rows;
        std::sort(m_host.selected.begin(), m_host.selected.end());
        m_commands->Run(kMultiCopy, PaneCommandSource::kMenu);
        EXPECT_EQ(c.clipboard, ClipboardText());
        EXPECT_EQ(c.beeps, m_ui.beeps);
    }
}

UINT DetectNothing(const char*, int) {
    return 0;
}
UINT DetectCyrillic(const char*, int) {
    return 1251;
}

// The markup of a web page from its start tag on, in the code page it was written in.
TEST_F(PaneCommands, CopyAsHtmlCodeGivesTheMarkupFromItsStartTag) {
    const UINT html = GetCF_HTML();
    struct Case {
        const char* name;
        std::string data;
        PaneCodePageDetect detect;
        std::wstring clipboard;
    };
    const Case cases[] = {
        {"header cut", "Version:0.9\r\nStartHTML:0000000035\r\n<html><b>x</b></html>", &DetectNothing,
         L"<html><b>x</b></html>"},
        {"tag with attributes in capitals", "Version:0.9\r\n<HTML lang=\"en\"><p>y</p></HTML>", &DetectNothing,
         L"<HTML lang=\"en\"><p>y</p></HTML>"},
        {"utf-8 when nothing is detected", "<html>\xD0\xAF</html>", &DetectNothing, L"<html>\x042F</html>"},
        {"detected code page", "<html>\xDF</html>", &DetectCyrillic, L"<html>\x042F</html>"},
        {"no tag: all of it", "<b>z</b>", &DetectNothing, L"<b>z</b>"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Copy({{html, std::vector<BYTE>(c.data.begin(), c.data.end() + 1)}, {CF_UNICODETEXT, Utf16(L"x")}});
        ASSERT_EQ(Kind::kHtml, m_handler->Get_Item(0)->Kind());
        m_commands->SetCodePageDetect(c.detect);
        Select({0});
        m_ui.beeps = 0;
        m_commands->Run(kCopyHtmlCode, PaneCommandSource::kMenu);
        EXPECT_EQ(c.clipboard, ClipboardText());
        EXPECT_EQ(0, m_ui.beeps);
    }
    CopyText(L"plain");
    ASSERT_TRUE(m_handler->PutText(L"before"));
    Select({0});
    m_commands->Run(kCopyHtmlCode, PaneCommandSource::kMenu);
    EXPECT_EQ(L"before", ClipboardText());
    EXPECT_EQ(1, m_ui.beeps);
}

// What the dialog offers for each kind, and the file it writes: exactly the item's bytes,
// never a terminator, a picture as a picture whatever filter was chosen.
TEST_F(PaneCommands, SaveOffersAndWritesEachKind) {
    g_settings.switches.on[2] = true;
    const UINT html = GetCF_HTML();
    const UINT rtf = GetCF_RTF();
    struct Case {
        const char* name;
        Formats formats;
        int filter;
        std::wstring filterStart;
        std::wstring extension;
        std::wstring suggested;
        std::wstring written;  // the extension of the file written
        std::string bytes;     // empty: only the file's first bytes "BM" are checked
    };
    const std::string page = "Version:0.9\r\nStartHTML:0000000035\r\n<html>x</html>";
    const Case cases[] = {
        {"unicode text",
         {{CF_UNICODETEXT, Utf16(L"Hello: a/b")}},
         1,
         L"Text Files",
         L"txt",
         L"Hello_ a_b",
         L".txt",
         "\xFF\xFE" + Utf16Bytes(L"Hello: a/b")},
        {"formatted text",
         {{rtf, Ansi("{\\rtf1 Bold}")}},
         1,
         L"Formatted Text Files",
         L"rtf",
         L"Bold",
         L".rtf",
         "{\\rtf1 Bold}"},
        {"web page as its page",
         {{html, Ansi(page.c_str())}, {CF_UNICODETEXT, Utf16(L"x")}},
         1,
         L"HTML files",
         L"htm",
         L"",
         L".htm",
         "<html>x</html>"},
        {"picture", {{CF_BITMAP, {}}, {CF_DIB, SmallDib()}}, 1, L"Bitmap Files", L"bmp", L"", L".bmp", ""},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Copy(c.formats);
        m_ui = CFakeUi();
        const CString path = m_root + L"\\saved" + std::to_wstring(++n).c_str() + c.written.c_str();
        m_ui.savePaths = {path};
        m_ui.saveFilter = c.filter;
        Select({0});
        EXPECT_EQ(1, m_commands->Save());
        ASSERT_EQ(1u, m_ui.offers.size());
        EXPECT_EQ(0, m_ui.offers[0].filter.Find(c.filterStart.c_str()));
        EXPECT_EQ(c.extension, m_ui.offers[0].defaultExtension.GetString());
        EXPECT_EQ(c.suggested, m_ui.offers[0].suggestedName.GetString());
        const std::string written = ReadFileBytes(path);
        if (c.bytes.empty())
            EXPECT_EQ("BM", written.substr(0, 2));
        else
            EXPECT_EQ(c.bytes, written);
        EXPECT_EQ(m_root + L"\\", m_ui.saveFolder);
    }
}

// The HTML filter counts only for an item with an HTML form: a picture from a web page
// chosen under it is still written as a picture, with ".bmp".
TEST_F(PaneCommands, SaveTargetFollowsTheChosenFilter) {
    const SYSTEMTIME time = {};
    CCHItem picture(Kind::kBitmap, time);
    picture.SetBitmap(CreateBitmap(2, 2, 1, 32, nullptr));
    auto pageForm = std::make_shared<CCHItem>(Kind::kHtml, time);
    ASSERT_TRUE(pageForm->SetData("<html><img></html>", 18));
    picture.AddCompanion(pageForm);
    CCHItem pageItem(Kind::kHtml, time);
    ASSERT_TRUE(pageItem.SetData("<html>t</html>", 14));
    CCHItem textItem(Kind::kUnicodeText, time);
    ASSERT_TRUE(textItem.SetData(L"plain", 10));
    const CCHItem* page = &pageItem;
    const CCHItem* text = &textItem;
    struct Case {
        const char* name;
        const CCHItem* item;
        int filter;
        const wchar_t* path;
        const wchar_t* expectedPath;
        bool asHtml;
    };
    const Case cases[] = {
        {"picture under HTML", &picture, 1, L"C:\\x\\pic.htm", L"C:\\x\\pic.bmp", false},
        {"picture under its own", &picture, 2, L"C:\\x\\pic.bmp", L"C:\\x\\pic.bmp", false},
        {"picture, no extension", &picture, 1, L"C:\\x.y\\pic", L"C:\\x.y\\pic.bmp", false},
        {"page", page, 1, L"C:\\p.htm", L"C:\\p.htm", true},
        {"text under its own filter", text, 1, L"C:\\t.txt", L"C:\\t.txt", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CPaneSaveTarget target = ResolvePaneSaveTarget(*c.item, c.path, c.filter);
        EXPECT_EQ(CString(c.expectedPath), target.path);
        EXPECT_EQ(c.asHtml, target.asHtml);
    }
}

// An existing file is replaced; a file that cannot be written gives a message naming it
// and ends the series; a cancelled dialog ends it silently.
TEST_F(PaneCommands, SaveReplacesFilesAndReportsTheOnesItCannotWrite) {
    for (const wchar_t* text : {L"a", L"b", L"c"}) CopyText(text);
    const CString existing = m_root + L"\\existing.txt";
    const CString folder = m_root + L"\\folder.txt";
    ASSERT_TRUE(CreateDirectoryW(folder, nullptr));
    for (const CString& path : {existing}) {
        HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, file);
        DWORD written = 0;
        WriteFile(file, "old contents", 12, &written, nullptr);
        CloseHandle(file);
    }
    struct Case {
        const char* name;
        std::vector<CString> paths;
        int saved;
        size_t dialogs;
        size_t errors;
    };
    const Case cases[] = {
        {"replaces", {existing, m_root + L"\\two.txt", m_root + L"\\three.txt"}, 3, 3, 0},
        {"cancelled second", {m_root + L"\\one.txt", L""}, 1, 2, 0},
        {"a folder of that name", {folder, m_root + L"\\never.txt"}, 0, 1, 1},
        {"reserved characters", {m_root + L"\\a?b*.txt"}, 0, 1, 1},
        {"missing folder", {m_root + L"\\no\\such\\folder.txt"}, 0, 1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui = CFakeUi();
        m_ui.savePaths = c.paths;
        Select({0, 1, 2});
        EXPECT_EQ(c.saved, m_commands->Save());
        EXPECT_EQ(c.dialogs, m_ui.offers.size());
        ASSERT_EQ(c.errors, m_ui.errors.size());
        if (c.errors) {
            EXPECT_NE(-1, m_ui.errors[0].Find(c.paths[0]));
        }
    }
    EXPECT_EQ(Utf16Bytes(L"c").insert(0, "\xFF\xFE"), ReadFileBytes(existing));
    EXPECT_EQ("(missing)", ReadFileBytes(m_root + L"\\never.txt"));
}

// Trim counts the items it changed in a message that closes by itself, with a warning when
// there were none; the pane stays open meanwhile and is unpinned again afterwards.
TEST_F(PaneCommands, TrimAndJoinLinesReportTheirCounts) {
    CopyText(L"  padded\t");
    CopyText(L"tidy");
    CopyText(L"two\r\nlines");
    struct Case {
        const char* name;
        UINT command;
        std::vector<int> rows;
        std::wstring text;  // "count" of the message
        UINT icon;
        std::vector<std::wstring> texts;
    };
    const Case cases[] = {
        {"nothing to trim", kTrim, {1}, L": 0", MB_ICONWARNING, {L"two\r\nlines", L"tidy", L"  padded\t"}},
        {"trim", kTrim, {1, 2}, L": 1", MB_ICONINFORMATION, {L"two\r\nlines", L"tidy", L"padded"}},
        {"join the focused one",
         kRemoveLineBreaks,
         {0, 1},
         L": 1",
         MB_ICONINFORMATION,
         {L"two lines", L"tidy", L"padded"}},
        {"nothing to join", kRemoveLineBreaks, {1}, L": 0", MB_ICONWARNING, {L"two lines", L"tidy", L"padded"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_ui = CFakeUi();
        m_host.pinnedHistory.clear();
        Select(c.rows);
        m_commands->Run(c.command, PaneCommandSource::kMenu);
        ASSERT_EQ(1u, m_ui.messages.size());
        EXPECT_NE(-1, m_ui.messages[0].text.Find(c.text.c_str()));
        EXPECT_EQ(c.icon, m_ui.messages[0].icon);
        EXPECT_EQ(3000u, m_ui.messages[0].timeoutMs);
        EXPECT_EQ((std::vector<bool>{true, false}), m_host.pinnedHistory);
        EXPECT_EQ(c.texts, Texts());
    }
}

// Commands without a selection, or on a picture where only a text makes sense, change
// nothing and put nothing on the clipboard.
TEST_F(PaneCommands, TextCommandsLeaveEmptySelectionsAndPicturesAlone) {
    g_settings.switches.on[2] = true;
    CopyText(L"word");
    Copy({{CF_BITMAP, {}}, {CF_DIB, SmallDib()}});
    const UINT commands[] = {kUpperCase, kLowerCase, kOpenAsUrl,    kTrim, kSaveAsPhrase,    kCopyHtmlCode,
                             kMultiCopy, kCopyAsRtf, kSearchGoogle, kSave, kRemoveLineBreaks};
    for (const std::vector<int>& rows : {std::vector<int>{}, std::vector<int>{0}}) {
        for (UINT command : commands) {
            SCOPED_TRACE(testing::Message() << command << " on " << rows.size() << " rows");
            ASSERT_TRUE(m_handler->PutText(L"kept"));
            m_ui = CFakeUi();
            Select(rows);
            EXPECT_TRUE(m_commands->Run(command, PaneCommandSource::kMenu));
            EXPECT_EQ(L"kept", ClipboardText());
            EXPECT_EQ((std::vector<std::wstring>{L"", L"word"}), Texts());
            EXPECT_TRUE(m_ui.opened.empty());
            EXPECT_TRUE(m_host.phrases.empty());
        }
    }
    Select({});
    m_commands->Run(ID_PANE_DELETE, PaneCommandSource::kAccelerator);
    m_commands->Run(ID_PANE_COPY, PaneCommandSource::kMenu);
    EXPECT_EQ(2, m_handler->Get_Items_Count());
    EXPECT_TRUE(m_ui.deleteQuestions.empty());
    EXPECT_EQ(L"kept", ClipboardText());
}

// Case changes touch only the selected texts, and a text item becomes a phrase as its
// plain text.
TEST_F(PaneCommands, CaseChangesAndSaveAsPhraseWorkOnTheSelectedTexts) {
    const UINT rtf = GetCF_RTF();
    CopyText(L"Mixed Case");
    Copy({{rtf, Ansi("{\\rtf1 Rich}")}});
    CopyText(L"Other");
    Select({0, 1});
    EXPECT_EQ(2, m_commands->ChangeCase(true));
    EXPECT_EQ(L"OTHER", Text(0));
    EXPECT_EQ(L"RICH", Text(1));
    EXPECT_EQ(L"Mixed Case", Text(2));
    EXPECT_EQ(0, m_commands->ChangeCase(true));
    Select({2});
    EXPECT_EQ(1, m_commands->ChangeCase(false));
    EXPECT_EQ(L"mixed case", Text(2));
    Select({1});
    EXPECT_TRUE(m_commands->SaveAsPhrase());
    ASSERT_EQ(1u, m_host.phrases.size());
    EXPECT_EQ(CString(L"RICH"), m_host.phrases[0]);
}

// The context menu greys what cannot be done for the selection: Clear History when every
// item is protected, the forms the focused item lacks, Undo without undo records.
TEST_F(PaneCommands, ContextMenuEnablesWhatTheSelectionAllows) {
    const UINT html = GetCF_HTML();
    CopyText(L"protected text");
    Copy({{html, Ansi("<html>p</html>")}, {CF_UNICODETEXT, Utf16(L"p")}, {CF_TEXT, Ansi("p")}});
    m_handler->Get_Item(0)->SetProtectedFlag(true);
    m_handler->Get_Item(1)->SetProtectedFlag(true);
    struct Case {
        const char* name;
        int focused;
        std::vector<int> selected;
        std::vector<UINT> enabled;
        std::vector<UINT> greyed;
        UINT defaultItem;
    };
    const Case cases[] = {
        {"page focused",
         0,
         {0},
         {ID_PANE_COPY, 32851, 32860, 32797, 32845},
         {32849, 32872, 32789, 32838, 32799},
         ID_PANE_COPY},
        {"text focused, both selected", 1, {0, 1}, {32799, 32812, 32872, ID_PANE_DELETE}, {32851, 32860, 32789}, 32872},
        {"nothing focused",
         -1,
         {},
         {ID_PANE_SHOW_ALL_ITEMS},
         {ID_PANE_COPY, ID_PANE_DELETE, 32794, 32795, 32799},
         ID_PANE_SHOW_ALL_ITEMS},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CPaneMenuFacts facts = CollectPaneMenuFacts(*m_handler, c.focused, c.selected);
        std::vector<UINT> enabled, greyed;
        for (const CPaneMenuItemState& state : PaneMenuStates(facts))
            (state.enabled ? enabled : greyed).push_back(state.id);
        for (UINT id : c.enabled) EXPECT_NE(enabled.end(), std::find(enabled.begin(), enabled.end(), id)) << id;
        for (UINT id : c.greyed) EXPECT_NE(greyed.end(), std::find(greyed.begin(), greyed.end(), id)) << id;
        EXPECT_EQ(c.defaultItem, PaneMenuDefaultItem(facts, true));
    }
    // One unprotected item and an undo record bring Clear History and Undo back.
    CopyText(L"free");
    Select({0});
    ASSERT_TRUE(m_commands->Delete(PaneCommandSource::kMenu));
    CopyText(L"free again");
    const CPaneMenuFacts facts = CollectPaneMenuFacts(*m_handler, 0, {0});
    for (const CPaneMenuItemState& state : PaneMenuStates(facts)) {
        if (state.id == 32789 || state.id == 32838) {
            EXPECT_TRUE(state.enabled) << state.id;
        }
    }
}

// The day word of a row's tip counts calendar days, not hours.
TEST(PaneItemTip, DayWordsCountCalendarDays) {
    const SYSTEMTIME now = {2026, 3, 0, 1, 0, 30, 0, 0};  // just after midnight on 1 March
    struct Case {
        SYSTEMTIME copied;
        const wchar_t* word;
    };
    const Case cases[] = {
        {{2026, 3, 0, 1, 0, 0, 5, 0}, L"today"},
        {{2026, 2, 0, 28, 23, 59, 0, 0}, L"yesterday"},
        {{2026, 2, 0, 27, 0, 0, 0, 0}, L"two days ago"},
        {{2026, 2, 0, 26, 23, 0, 0, 0}, L""},
        {{2026, 3, 0, 2, 9, 0, 0, 0}, L""},  // a clock set back
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.word);
        EXPECT_EQ(CString(c.word), PaneTipDayWord(c.copied, now));
    }
}

// The tip names the selected rows, the item's forms, its size and where it came from.
TEST_F(PaneCommands, ItemTipDescribesTheRowAndTheSelection) {
    const UINT html = GetCF_HTML();
    Copy({{html, Ansi("<html>two\nlines</html>")}, {CF_UNICODETEXT, Utf16(L"two\nlines")}, {CF_TEXT, Ansi("x")}});
    CCHItem* item = m_handler->Get_Item(0);
    item->SetProgramName(L"browser.exe");
    item->Set_URL(L"https://example.org/a");
    const SYSTEMTIME now = item->Get_Time();
    const std::wstring tip = MakePaneItemTip(*item, {0, 3}, now).GetString();
    for (const wchar_t* part :
         {L"Sel: 2 {0, 3}\n", L"HTML, Text (ANSI)", L"today.   ", L"browser.exe", L"\nURL: https://example.org/a"}) {
        EXPECT_NE(std::wstring::npos, tip.find(part)) << part << " in " << tip;
    }
    CopyText(L"a\nb\nc");
    const std::wstring text = MakePaneItemTip(*m_handler->Get_Item(0), {}, now).GetString();
    EXPECT_NE(std::wstring::npos, text.find(L"Sel: 0 {}\n")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L": 5, ")) << text;
    EXPECT_NE(std::wstring::npos, text.find(L": 3\n")) << text;
}

// A button's tip is its UI string; a second line becomes the tip's title.
TEST(PaneButtonTip, TextsAndTitlesComeFromTheUiStrings) {
    struct Case {
        UINT id;
        const wchar_t* text;
        const wchar_t* title;
    };
    const Case cases[] = {
        {ID_OPEN_EDITOR, L"Edit phrases and settings", L""},
        {ID_RUN_AS_ADMIN, L"Run second instance of Vexlora as Administrator", L"Run As Administrator"},
        {ID_APP_EXIT, L"Exit from Vexlora", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        const CPaneButtonTip tip = MakePaneButtonTip(c.id);
        EXPECT_EQ(CString(c.text), tip.text);
        EXPECT_EQ(CString(c.title), tip.title);
    }
}

// Delete's caption counts the selection and its protected items, and warns with "…" when
// only protected items are selected; Undo's counts the records it can undo.
TEST(PaneMenuCaptions, DeleteAndUndoCaptionsCountWhatTheyWorkOn) {
    struct Case {
        int selected;
        int protectedCount;
        const wchar_t* expected;
    };
    const Case cases[] = {
        {1, 0, L"Delete (1)"},
        {3, 1, L"Delete (3/1)"},
        {2, 2, L"Delete (2/2)\x2026"},
        {0, 0, L"Delete (0)"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CString(c.expected), PaneDeleteCaption(L"Delete", c.selected, c.protectedCount));
    EXPECT_EQ(CString(L"Undo"), PaneUndoCaption(L"Undo", 0));
    EXPECT_EQ(CString(L"Undo 4"), PaneUndoCaption(L"Undo", 4));
}

// The strip's tip tells how to get elevation only to a process that lacks it.
TEST(PaneCaptionTip, ElevationHintsOnlyWithoutElevation) {
    CPaneCaptionTipFacts facts;
    facts.version = L"1.2.3";
    facts.hotKey = L"Ctrl+Shift+Q";
    facts.runAsAdminCaption = L"Run As Administrator";
    const std::wstring plain = MakePaneCaptionTip(facts).GetString();
    EXPECT_EQ(0u, plain.find(L"Clipboard History - 1.2.3 [Ctrl+Shift+Q]\n!!! ")) << plain;
    EXPECT_NE(std::wstring::npos, plain.find(L"\x00ABRun As Administrator\x00BB"));
    facts.elevated = true;
    facts.hotKey.Empty();
    const std::wstring elevated = MakePaneCaptionTip(facts).GetString();
    EXPECT_EQ(0u, elevated.find(L"Clipboard History - 1.2.3\n\x2014")) << elevated;
    EXPECT_EQ(std::wstring::npos, elevated.find(L"!!!"));
    EXPECT_EQ(std::wstring::npos, elevated.find(L"\x00AB"));
    EXPECT_EQ(5, std::count(elevated.begin(), elevated.end(), L'\x2022'));
}

// Copy Exclude Symbols takes out what may not stand in a file name, and is offered only for
// a text that has such characters.
TEST_F(PaneCommands, CopyExcludeSymbolsTakesOutFileNameSymbols) {
    CopyText(L"plain words");
    CopyText(L"a:b?c");
    Select({0});
    m_commands->Run(kCopyExcludeSymbols, PaneCommandSource::kMenu);
    const std::wstring copied = ClipboardText();
    EXPECT_EQ(std::wstring::npos, copied.find_first_of(L":?")) << copied;
    EXPECT_EQ(L'a', copied.front());
    EXPECT_EQ(L'c', copied.back());
    struct Case {
        int row;
        bool enabled;
    };
    for (const Case& c : {Case{0, true}, Case{1, false}}) {
        bool enabled = false;
        for (const CPaneMenuItemState& state : PaneMenuStates(CollectPaneMenuFacts(*m_handler, c.row, {c.row})))
            if (state.id == kCopyExcludeSymbols) enabled = state.enabled;
        EXPECT_EQ(c.enabled, enabled) << c.row;
    }
}

// A row's text is one line whatever the item holds.
TEST_F(PaneCommands, ListTextIsOneLineForEveryKind) {
    g_settings.switches.on[2] = true;
    struct Case {
        const char* name;
        Formats formats;
        std::wstring text;
    };
    const Case cases[] = {
        {"lines and blanks", {{CF_UNICODETEXT, Utf16(L"one\r\ntwo\nthree    four")}}, L"one two three four"},
        {"picture", {{CF_BITMAP, {}}, {CF_DIB, SmallDib()}}, L"Picture"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Copy(c.formats);
        EXPECT_EQ(c.text, PaneListText(*m_handler->Get_Item(0), 259).GetString());
    }
    const SYSTEMTIME time = {};
    CCHItem dorvane(Kind::kDorvane, time);
    ASSERT_TRUE(dorvane.SetData("\x01\x02", 2));
    EXPECT_EQ(CString(L"{== Dorvane Data ==}"), PaneListText(dorvane, 259));
    EXPECT_EQ(CString(L"{== Dor"), PaneListText(dorvane, 7));
}

// The preview in the menu's captions is one short line.
TEST(PaneMenuCaptions, PreviewIsOneShortLine) {
    struct Case {
        const wchar_t* text;
        const wchar_t* preview;
    };
    const Case cases[] = {
        {L"short", L"short"},
        {L"two\r\nlines\tand a tab", L"two lines and a tab"},
        {L"a sentence that is far longer than the menu allows", L"a sentence that is far\x2026"},
    };
    for (const Case& c : cases) EXPECT_EQ(CString(c.preview), PaneMenuPreview(c.text)) << c.text;
}

}  // namespace
