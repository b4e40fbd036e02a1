// The history's window over a clipboard in memory: what a copy becomes, what is refused,
// what the parent is told, and the history on disk across a restart.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/MyCopyGuard.h"
#include "core/TrayIds.h"
#include "core/base/TextConversions.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryFiles.h"
#include "history/tests/HistoryTestData.h"
#include "testkit/Poll.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using namespace historytest;
using Kind = CClipboardItemData::Kind;

// The tray window's side: records what the handler reports.
struct CNotice {
    UINT code;
    DWORD reason;
};
std::vector<CNotice> g_notices;

LRESULT CALLBACK ParentProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NOTIFY) {
        const auto* header = reinterpret_cast<const NMHDR*>(lParam);
        if (header->idFrom == kHistoryControlId) {
            const DWORD reason = header->code == kHistoryNotifyChanged
                                     ? reinterpret_cast<const CHistoryChangedNotify*>(header)->reason
                                     : 0;
            g_notices.push_back({header->code, reason});
        }
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

HWND MakeParent() {
    static ATOM atom = [] {
        WNDCLASSW windowClass = {};
        windowClass.lpfnWndProc = &ParentProc;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.lpszClassName = L"VxlHistoryTestParent";
        return RegisterClassW(&windowClass);
    }();
    if (!atom) return nullptr;
    return CreateWindowExW(0, L"VxlHistoryTestParent", L"", 0, 0, 0, 10, 10, HWND_MESSAGE, nullptr,
                           GetModuleHandleW(nullptr), nullptr);
}

CHistoryHandlerSettings g_settings;
CHistoryHandlerSettings TestSettings() {
    return g_settings;
}

class HistoryHandler : public ::testing::Test {
protected:
    void SetUp() override {
        g_notices.clear();
        g_settings = CHistoryHandlerSettings();
        g_settings.spyMethod = CSMO_ADDCLIPBOARDLISTENER;
        m_folder = testkit::MakeUniqueTempFolder(L"history") + L"\\ClipboardHistory";
        m_parent = MakeParent();
        ASSERT_NE(nullptr, m_parent);
    }
    void TearDown() override {
        m_handler.reset();
        DestroyWindow(m_parent);
        testkit::RemoveTree(m_folder.Left(m_folder.ReverseFind(L'\\')));
    }
    CVXLWndClipboardHandler& MakeHandler(bool loadAtCreate = false) {
        m_handler = std::make_unique<CVXLWndClipboardHandler>(m_clipboard, m_clock, m_spy, m_folder);
        m_handler->SetSettingsSource(&TestSettings);
        EXPECT_TRUE(m_handler->Create(m_parent, static_cast<UINT>(kHistoryControlId), loadAtCreate));
        return *m_handler;
    }
    // What another program puts on the clipboard.
    void Offer(std::vector<std::pair<UINT, std::vector<BYTE>>> formats) {
        ASSERT_TRUE(m_clipboard.Open(nullptr, 0));
        ASSERT_TRUE(m_clipboard.Empty());
        for (const auto& format : formats)
            ASSERT_TRUE(m_clipboard.Write(format.first, format.second.data(), format.second.size()));
        m_clipboard.Close();
    }
    // Each copy a second after the one before, as the history orders them by time.
    void Copy(std::vector<std::pair<UINT, std::vector<BYTE>>> formats) {
        ++m_clock.localTime.wSecond;
        Offer(std::move(formats));
        m_handler->OnClipboardChanged(nullptr, 0);
    }
    void WaitForDisk() {
        ASSERT_TRUE(testkit::PumpMessagesUntil(20000, [&] { return !m_handler->IsDiskBusy(); }));
    }
    std::wstring ItemText(int index) {
        CCHItem* item = m_handler->Get_Item(index);
        if (!item || item->Kind() != Kind::kUnicodeText) return L"(none)";
        return reinterpret_cast<const wchar_t*>(item->Data());
    }

    CFakeClipboard m_clipboard;
    CFakeClock m_clock;
    CSilentNotices m_notices;
    CClipboardSpy m_spy{m_clipboard, m_notices};
    CString m_folder;
    HWND m_parent = nullptr;
    std::unique_ptr<CVXLWndClipboardHandler> m_handler;
};

// Each copy becomes one item of the kind the fixed order gives, with the companions the
// switches keep.
TEST_F(HistoryHandler, ACopyBecomesOneItemOfTheFirstOfferedKindWithItsCompanions) {
    const UINT html = GetCF_HTML();
    const UINT rtf = GetCF_RTF();
    struct Case {
        const char* name;
        bool bitmaps;
        std::vector<std::pair<UINT, std::vector<BYTE>>> formats;
        int kind;  // -1: nothing kept
        std::vector<int> companions;
    };
    const Case cases[] = {
        {"unicode text", false, {{CF_UNICODETEXT, Utf16(L"Привет")}}, Kind::kUnicodeText, {}},
        {"html with texts",
         false,
         {{html, Ansi("Version:0.9\r\n<b>x</b>")}, {CF_UNICODETEXT, Utf16(L"x")}, {CF_TEXT, Ansi("x")}},
         Kind::kHtml,
         {Kind::kText}},
        {"rtf with text", false, {{rtf, Ansi("{\\rtf1 a}")}, {CF_TEXT, Ansi("a")}}, Kind::kRtf, {Kind::kText}},
        {"bitmaps off", false, {{CF_BITMAP, {}}, {CF_DIB, SmallDib()}, {CF_UNICODETEXT, Utf16(L"x")}}, -1, {}},
        {"bitmap with text",
         true,
         {{CF_BITMAP, {}}, {CF_DIB, SmallDib()}, {CF_UNICODETEXT, Utf16(L"x")}, {CF_TEXT, Ansi("x")}},
         Kind::kBitmap,
         {Kind::kText}},
        {"a bitmap that cannot be read", true, {{CF_BITMAP, {}}, {CF_DIB, {1, 2, 3}}}, -1, {}},
        {"empty text", false, {{CF_UNICODETEXT, Utf16(L"")}}, -1, {}},
        {"private format only", false, {{RegisterClipboardFormatW(L"Vexlora test: private"), {1, 2}}}, -1, {}},
    };
    CVXLWndClipboardHandler& handler = MakeHandler();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        g_settings.switches.on[2] = c.bitmaps;
        handler.Clear();
        Copy(c.formats);
        if (c.kind < 0) {
            EXPECT_EQ(0, handler.Get_Items_Count());
            continue;
        }
        ASSERT_EQ(1, handler.Get_Items_Count());
        const CCHItem* item = handler.Get_Item(0);
        EXPECT_EQ(c.kind, item->Kind());
        std::vector<int> companions;
        for (const auto& companion : item->Companions()) companions.push_back(companion->Kind());
        EXPECT_EQ(c.companions, companions);
    }
}

// The text comes back byte for byte with one terminator, whatever the block held after it;
// 8-bit text alone is kept as Unicode text with the code page; an address in it is found.
TEST_F(HistoryHandler, TextsAreKeptExactlyAndAnsiTextBecomesUnicode) {
    CVXLWndClipboardHandler& handler = MakeHandler();
    std::vector<BYTE> padded = Utf16(L"see https://example.org/a b");
    padded.insert(padded.end(), {'J', 0, 'U', 0, 'N', 0, 'K', 0});
    Copy({{CF_UNICODETEXT, padded}});
    ASSERT_EQ(1, handler.Get_Items_Count());
    EXPECT_EQ(std::wstring(L"see https://example.org/a b"), ItemText(0));
    EXPECT_EQ(static_cast<DWORD>((wcslen(L"see https://example.org/a b") + 1) * sizeof(wchar_t)),
              handler.Get_Item(0)->Size());

    Copy({{CF_TEXT, Ansi("https://example.org/page rest")}});
    ASSERT_EQ(2, handler.Get_Items_Count());
    EXPECT_EQ(std::wstring(L"https://example.org/page rest"), ItemText(0));
    EXPECT_EQ(GetACP(), handler.Get_Item(0)->CodePage());
    EXPECT_EQ(std::wstring(L"https://example.org/page"), handler.Get_Item(0)->Get_URL().GetString());
}

// Our own writes, copies their owner marks as private, and copies too large to keep are
// not recorded; the same text copied again is one item, now the newest.
TEST_F(HistoryHandler, RefusedCopiesAndDuplicates) {
    CVXLWndClipboardHandler& handler = MakeHandler();
    Copy({{CF_UNICODETEXT, Utf16(L"first")}});
    Copy({{CF_UNICODETEXT, Utf16(L"second")}});
    {
        CMyCopyLock ours;
        Copy({{CF_UNICODETEXT, Utf16(L"pasted by us")}});
    }
    Copy({{CF_UNICODETEXT, Utf16(L"password")},
          {RegisterClipboardFormatW(L"ExcludeClipboardContentFromMonitorProcessing"), {}}});
    Copy({{CF_UNICODETEXT, Utf16(L"hidden")},
          {RegisterClipboardFormatW(L"CanIncludeInClipboardHistory"), {0, 0, 0, 0}}});
    std::vector<BYTE> huge((kMaxCapturedFormatBytes / 2 + 1) * sizeof(wchar_t), 'a');
    huge.push_back(0);
    huge.push_back(0);
    Copy({{CF_UNICODETEXT, huge}});
    EXPECT_EQ(2, handler.Get_Items_Count());
    EXPECT_EQ(std::wstring(L"second"), ItemText(0));

    Copy({{CF_UNICODETEXT, Utf16(L"first")}});
    EXPECT_EQ(2, handler.Get_Items_Count());
    EXPECT_EQ(std::wstring(L"first"), ItemText(0));
    EXPECT_EQ(std::wstring(L"second"), ItemText(1));
}

// The parent hears of the first capture, of each copy and of a clear; a clear keeps the
// protected items.
TEST_F(HistoryHandler, TheParentIsToldWhatChanged) {
    Offer({{CF_UNICODETEXT, Utf16(L"on the clipboard at start")}});
    CVXLWndClipboardHandler& handler = MakeHandler();
    Copy({{CF_UNICODETEXT, Utf16(L"copied")}});
    handler.Get_Item(1)->SetProtected(true);
    EXPECT_TRUE(handler.Clear());
    ASSERT_EQ(1, handler.Get_Items_Count());
    EXPECT_EQ(std::wstring(L"on the clipboard at start"), ItemText(0));
    ASSERT_EQ(3u, g_notices.size());
    const DWORD reasons[] = {kHistoryFirstCapture, kHistoryCaptured, kHistoryItemsRemoved};
    for (size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(kHistoryNotifyChanged, g_notices[i].code);
        EXPECT_EQ(reasons[i], g_notices[i].reason) << i;
    }
}

// What was kept survives a restart in its order with its protected flag; the copy still
// on the clipboard at the new start is not added twice, and no file is left over.
TEST_F(HistoryHandler, TheHistoryComesBackAfterARestart) {
    g_settings.saveHistory = true;
    CString newestInfo;
    {
        CVXLWndClipboardHandler& handler = MakeHandler();
        for (const wchar_t* text : {L"one", L"two", L"три", L"four"}) Copy({{CF_UNICODETEXT, Utf16(text)}});
        WaitForDisk();
        handler.Get_Item(2)->SetProtected(true);
        handler.SaveNow();
        testkit::PumpMessagesUntil(200, [] { return false; });
        WaitForDisk();
        newestInfo = handler.Get_Item(0)->InfoPath();
        m_handler.reset();
    }
    // The clipboard still holds "four" when the program starts again.
    CVXLWndClipboardHandler& handler = MakeHandler(true);
    ASSERT_TRUE(testkit::PumpMessagesUntil(20000, [&] {
        for (const CNotice& notice : g_notices)
            if (notice.code == kHistoryNotifyCountChanged) return true;
        return false;
    })) << "the loaded history was not merged";
    ASSERT_EQ(4, handler.Get_Items_Count());
    const wchar_t* expected[] = {L"four", L"три", L"two", L"one"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(std::wstring(expected[i]), ItemText(i)) << i;
    EXPECT_TRUE(handler.Get_Item(2)->IsProtected());
    WaitForDisk();
    std::vector<CString> infoFiles;
    EXPECT_EQ(4u, EnumInfoFiles(m_folder, infoFiles));
    // Whether the load or the capture at the start comes first is a matter of timing: the
    // stored item keeps its files, or the capture replaces it with files of its own.
    const CString newest = handler.Get_Item(0)->InfoPath();
    EXPECT_TRUE(std::any_of(infoFiles.begin(), infoFiles.end(),
                            [&](const CString& file) { return newest.Right(file.GetLength()) == file; }))
        << "the newest item has no info file of its own: " << WideToUtf8(newest.GetString());
    if (newest != newestInfo) {
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(newestInfo)) << "left over";
    }
}

// A save that wrote an item's older text does not mark the edited item saved.
TEST_F(HistoryHandler, AnEditDuringASaveStaysToBeSaved) {
    CVXLWndClipboardHandler& handler = MakeHandler();
    Copy({{CF_UNICODETEXT, Utf16(L"text")}});
    CCHItem* item = handler.Get_Item(0);
    std::unique_ptr<CCHItem> written = item->Copy();
    written->SetSaveState(kSaveStateWritten);
    written->SetDataPath(L"C:\\somewhere\\clipboard_history1.txt");
    item->MarkEdited();
    SendMessageW(handler.Window(), HistoryItemSavedMessage(), 0, reinterpret_cast<LPARAM>(written.get()));
    EXPECT_EQ(kSaveStateNew, item->SaveState());

    std::unique_ptr<CCHItem> current = item->Copy();
    SendMessageW(handler.Window(), HistoryItemSavedMessage(), 0, reinterpret_cast<LPARAM>(current.get()));
    EXPECT_EQ(kSaveStateWritten, item->SaveState());
}

}  // namespace
