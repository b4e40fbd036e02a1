// History items in popup menus, their previews, put back on a clipboard in memory and
// edited, through the handler as the menus and the float pane use it.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/MyCopyGuard.h"
#include "core/TrayIds.h"
#include "core/base/TextConversions.h"
#include "history/CaptureRules.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryMenu.h"
#include "history/tests/HistoryTestData.h"
#include "pages/richedit/RichEditStream.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using namespace historytest;
using Kind = CClipboardItemData::Kind;

const char kRtf[] = "{\\rtf1\\ansi Hello \\b World\\b0}";
const UINT kFirstId = 5000;

// The clipboard in memory, noting whether each write happened under the my-copy lock.
class CLockWatchingClipboard final : public IClipboard {
public:
    explicit CLockWatchingClipboard(CFakeClipboard& inner) : m_inner(inner) {}
    int writes = 0;
    int writesWithoutLock = 0;

    bool Open(HWND owner, DWORD timeoutMs) override { return m_inner.Open(owner, timeoutMs); }
    void Close() override { m_inner.Close(); }
    std::vector<UINT> Formats() override { return m_inner.Formats(); }
    bool Read(UINT format, std::vector<BYTE>& bytes) override { return m_inner.Read(format, bytes); }
    bool Empty() override { return m_inner.Empty(); }
    bool Write(UINT format, const void* bytes, size_t size) override {
        ++writes;
        if (!IsMyCopyActive()) ++writesWithoutLock;
        return m_inner.Write(format, bytes, size);
    }
    DWORD SequenceNumber() override { return m_inner.SequenceNumber(); }

private:
    CFakeClipboard& m_inner;
};

CHistoryHandlerSettings g_settings;
CHistoryHandlerSettings TestSettings() {
    return g_settings;
}

std::wstring MenuText(HMENU menu, UINT item, UINT byFlag = MF_BYCOMMAND) {
    wchar_t buffer[512] = {};
    GetMenuStringW(menu, item, buffer, 512, byFlag);
    return buffer;
}

std::vector<UINT> IdsOf(HMENU menu) {
    std::vector<UINT> ids;
    for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
    return ids;
}

class HistoryMenu : public ::testing::Test {
protected:
    void SetUp() override {
        g_settings = CHistoryHandlerSettings();
        g_settings.historyMax = 100;
        g_settings.spyMethod = CSMO_ADDCLIPBOARDLISTENER;
        m_folder = testkit::MakeUniqueTempFolder(L"historymenu");
        m_parent = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
        ASSERT_NE(nullptr, m_parent);
        m_handler = std::make_unique<CVXLWndClipboardHandler>(m_watching, m_clock, m_spy, m_folder);
        m_handler->SetSettingsSource(&TestSettings);
        ASSERT_TRUE(m_handler->Create(m_parent, static_cast<UINT>(kHistoryControlId), false));
        m_menu = CreatePopupMenu();
    }
    void TearDown() override {
        DestroyMenu(m_menu);
        m_handler.reset();
        DestroyWindow(m_parent);
        testkit::RemoveTree(m_folder);
    }
    // A new newest item of the kind with the data; for the others too.
    CCHItem& Add(int kind, const std::vector<BYTE>& data) {
        std::unique_ptr<CCHItem> item = MakeItem(kind, data);
        CCHItem& added = *item;
        EXPECT_TRUE(m_handler->Queue().Add(std::move(item), -1));
        return added;
    }
    std::unique_ptr<CCHItem> MakeItem(int kind, const std::vector<BYTE>& data) {
        ++m_clock.localTime.wSecond;
        std::unique_ptr<CCHItem> item = CCHItem::Create(kind, nullptr, m_clock);
        if (kind == Kind::kBitmap) {
            const DWORD pixels[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
            item->SetBitmap(CreateBitmap(2, 2, 1, 32, pixels));
        } else {
            item->SetData(data.data(), static_cast<DWORD>(data.size()));
        }
        return item;
    }
    void AddTexts(int count) {
        for (int i = 0; i < count; ++i) Add(Kind::kUnicodeText, Utf16((L"text " + std::to_wstring(i)).c_str()));
    }
    // What another program put on the clipboard.
    void OfferText(const wchar_t* text) {
        ASSERT_TRUE(m_clipboard.Open(nullptr, 0));
        m_clipboard.Empty();
        m_clipboard.Write(CF_UNICODETEXT, Utf16(text).data(), Utf16(text).size());
        m_clipboard.Close();
    }
    std::vector<BYTE> OnClipboard(UINT format) {
        std::vector<BYTE> bytes;
        EXPECT_TRUE(m_clipboard.Open(nullptr, 0));
        m_clipboard.Read(format, bytes);
        m_clipboard.Close();
        return bytes;
    }
    std::wstring UnicodeOnClipboard() {
        const std::vector<BYTE> bytes = OnClipboard(CF_UNICODETEXT);
        return bytes.size() < 2 ? L"(none)" : reinterpret_cast<const wchar_t*>(bytes.data());
    }
    bool SaveTimerArmed() { return KillTimer(m_handler->Window(), CVXLWndClipboardHandler::kSaveTimerId) != FALSE; }

    CFakeClipboard m_clipboard;
    CLockWatchingClipboard m_watching{m_clipboard};
    CFakeClock m_clock;
    CSilentNotices m_notices;
    CClipboardSpy m_spy{m_clipboard, m_notices};
    CString m_folder;
    HWND m_parent = nullptr;
    HMENU m_menu = nullptr;
    std::unique_ptr<CVXLWndClipboardHandler> m_handler;
};

// How many entries a menu gets for the history's size and the limit asked, the entry of the
// float pane with the number of items left as the default (an old one removed), and the
// clipboard's text checked.
TEST_F(HistoryMenu, EntriesFollowTheLimitAndTheRestGoesToTheFloatPane) {
    struct Case {
        int items;
        int maxCount;
        int entries;
        const wchar_t* paneCaption;  // null: no entry for the pane
    };
    const Case cases[] = {
        {40, 40, 25, L"15 [Float Pane]"},
        {30, 40, 25, L"5 [Float Pane]"},
        {25, 40, 25, nullptr},
        {40, 15, 15, nullptr},
        {40, -1, 40, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.items) + " items, at most " + std::to_string(c.maxCount));
        m_handler->Queue().Clear(L"test");
        AddTexts(c.items);
        OfferText(L"text 0");  // the oldest item is what the clipboard holds
        HMENU menu = CreatePopupMenu();
        AppendMenuW(menu, MF_STRING, ID_SHOW_FLOAT_PANE, L"an old entry of the pane");
        AppendMenuW(menu, MF_STRING, 100, L"phrase");

        EXPECT_EQ(c.entries, m_handler->AddHistoryToMenu(menu, kFirstId, c.maxCount));
        std::vector<UINT> expected;
        if (c.maxCount <= kHistoryMenuMaxEntries) expected.push_back(ID_SHOW_FLOAT_PANE);
        expected.insert(expected.end(), {100, 0});
        for (int i = 0; i < c.entries; ++i) expected.push_back(kFirstId + static_cast<UINT>(i));
        if (c.paneCaption) expected.insert(expected.end(), {0, ID_SHOW_FLOAT_PANE});
        EXPECT_EQ(expected, IdsOf(menu));
        EXPECT_EQ(L" text " + std::to_wstring(c.items - 1), MenuText(menu, kFirstId));

        const UINT oldest = kFirstId + static_cast<UINT>(c.items - 1);
        const bool oldestShown = c.entries == c.items;
        if (oldestShown) {
            EXPECT_NE(0u, GetMenuState(menu, oldest, MF_BYCOMMAND) & MF_CHECKED);
        }
        EXPECT_EQ(0u, GetMenuState(menu, kFirstId + 1, MF_BYCOMMAND) & MF_CHECKED);
        if (c.paneCaption) {
            EXPECT_EQ(c.paneCaption, MenuText(menu, ID_SHOW_FLOAT_PANE));
            EXPECT_EQ(ID_SHOW_FLOAT_PANE, GetMenuDefaultItem(menu, FALSE, 0));
        } else if (oldestShown) {
            EXPECT_EQ(oldest, GetMenuDefaultItem(menu, FALSE, 0));
        }
        DestroyMenu(menu);
    }
}

// An empty history adds nothing, not even the separator; a menu ending in a separator
// gets no second one.
TEST_F(HistoryMenu, SeparatorOnlyWhereNeeded) {
    EXPECT_EQ(0, m_handler->AddHistoryToMenu(m_menu, kFirstId, 10));
    EXPECT_EQ(0, GetMenuItemCount(m_menu));
    AddTexts(2);
    AppendMenuW(m_menu, MF_SEPARATOR, 0, nullptr);
    EXPECT_EQ(2, m_handler->AddHistoryToMenu(m_menu, kFirstId, 10));
    EXPECT_EQ((std::vector<UINT>{0, kFirstId, kFirstId + 1}), IdsOf(m_menu));
}

// Texts up to 30 characters are shown whole after a blank; longer ones are cut to 30,
// lose the blanks at the cut and end in "…".
TEST_F(HistoryMenu, CaptionsAreCutAfterThirtyCharacters) {
    const std::wstring thirty(30, L'x');
    const std::wstring blankAt30 = std::wstring(29, L'a') + L" bcd";
    struct Case {
        std::wstring text;
        std::wstring caption;
    } cases[] = {
        {L"short", L" short"},
        {thirty, L" " + thirty},
        {thirty + L"y", L" " + thirty + L"\u2026"},
        {blankAt30, L" " + std::wstring(29, L'a') + L"\u2026"},
        {L"two\r\nlines", L" two lines"},
    };
    UINT id = kFirstId;
    for (const Case& c : cases) {
        std::unique_ptr<CCHItem> item = MakeItem(Kind::kUnicodeText, Utf16(c.text.c_str()));
        ASSERT_TRUE(CVXLWndClipboardHandler::AppendHistoryItem(*item, id, m_menu, false));
        EXPECT_EQ(c.caption, MenuText(m_menu, id)) << c.text.size();
        ++id;
    }
}

// The ids asked for go; a menu left with 5 items or more loses its separators too, a
// smaller one keeps them.
TEST_F(HistoryMenu, RemovingEntriesAndSeparators) {
    for (UINT id : {1u, 2u, 0u, 10u, 11u, 12u, 0u, 3u, 4u})
        AppendMenuW(m_menu, id ? MF_STRING : MF_SEPARATOR, id, L"x");
    CVXLWndClipboardHandler::RemoveHistoryFromMenu(m_menu, 10, 12);
    EXPECT_EQ((std::vector<UINT>{1, 2, 3, 4}), IdsOf(m_menu));

    HMENU small = CreatePopupMenu();
    for (UINT id : {1u, 0u, 10u, 11u, 0u, 2u}) AppendMenuW(small, id ? MF_STRING : MF_SEPARATOR, id, L"x");
    CVXLWndClipboardHandler::RemoveHistoryFromMenu(small, 10, 11);
    EXPECT_EQ((std::vector<UINT>{1, 0, 0, 2}), IdsOf(small));
    DestroyMenu(small);
}

// Each kind's preview, the text companions first; long texts cut with "…".
TEST_F(HistoryMenu, PreviewsByKind) {
    std::unique_ptr<CCHItem> html = MakeItem(Kind::kHtml, Ansi("Version:0.9\r\n<b>markup</b>"));
    html->AddCompanion(MakeItem(Kind::kText, Ansi("plain words")));
    std::unique_ptr<CCHItem> bitmap = MakeItem(Kind::kBitmap, {});
    std::unique_ptr<CCHItem> rtf = MakeItem(Kind::kRtf, Ansi(kRtf));
    std::unique_ptr<CCHItem> dorvane = MakeItem(Kind::kDorvane, {1, 2, 3});
    std::unique_ptr<CCHItem> ansi = MakeItem(Kind::kText, Ansi("caf\xE9"));
    std::unique_ptr<CCHItem> longText = MakeItem(Kind::kUnicodeText, Utf16(std::wstring(300, L'w').c_str()));
    std::unique_ptr<CCHItem> unknown = MakeItem(7, Ansi("?"));
    // Long 8-bit texts are converted only as far as they are shown, even where a
    // character takes more than one byte.
    std::string accents;
    for (int i = 0; i < 300; ++i) accents += "\xC3\xA9";
    std::unique_ptr<CCHItem> utf8 = MakeItem(Kind::kText, {});
    ASSERT_TRUE(utf8->SetData(accents.c_str(), static_cast<DWORD>(accents.size() + 1), CP_UTF8));
    std::unique_ptr<CCHItem> hugeAnsi = MakeItem(Kind::kText, Ansi(std::string(1 << 20, 'a').c_str()));
    struct Case {
        const CCHItem* item;
        int maxChars;
        std::wstring preview;
    } cases[] = {
        {html.get(), 0, L"plain words"},
        {bitmap.get(), 0, L"Bitmap"},
        {rtf.get(), 0, L"Hello World"},
        {dorvane.get(), 0, L"Dorvane Document Data"},
        {ansi.get(), 0, MultiByteToWideCP("caf\xE9", CP_ACP)},
        {longText.get(), 10, std::wstring(10, L'w') + L"\u2026"},
        {longText.get(), 0, std::wstring(200, L'w') + L"\u2026"},
        {longText.get(), 300, std::wstring(300, L'w')},
        {unknown.get(), 0, L"O-o-ops! Naxer!"},
        {utf8.get(), 10, std::wstring(10, L'\u00E9') + L"\u2026"},
        {utf8.get(), 300, std::wstring(300, L'\u00E9')},
        {hugeAnsi.get(), 0, std::wstring(200, L'a') + L"\u2026"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.item->Kind());
        EXPECT_EQ(c.preview, CVXLWndClipboardHandler::GetPreviewText(*c.item, c.maxChars).GetString());
    }
    EXPECT_EQ(std::wstring(150, L'w') + L"\u2026", CVXLWndClipboardHandler::GetTipText(*longText).GetString());
}

// Texts and Dorvane data go back in their own format, exactly, under the my-copy lock;
// pictures and web pages are left to the put-back with companions. The notice of our
// own write, which comes after the lock is gone, adds no item and moves none.
TEST_F(HistoryMenu, PutBackByKind) {
    const std::vector<BYTE> dorvaneData = {9, 8, 7, 0, 6};
    Add(Kind::kHtml, Ansi("Version:0.9\r\n<b>x</b>"));
    Add(Kind::kBitmap, {});
    Add(Kind::kDorvane, dorvaneData);
    Add(Kind::kRtf, Ansi(kRtf));
    Add(Kind::kText, Ansi("ansi"));
    Add(Kind::kUnicodeText, Utf16(L"unicode \u0436"));
    struct Case {
        int index;
        UINT format;
        std::vector<BYTE> bytes;  // empty: not put back
    } cases[] = {
        {0, CF_UNICODETEXT, Utf16(L"unicode \u0436")},
        {1, CF_TEXT, Ansi("ansi")},
        {2, GetCF_RTF(), Ansi(kRtf)},
        {3, GetCF_Dorvane(), dorvaneData},
        {4, 0, {}},
        {5, 0, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.index);
        OfferText(L"before");
        m_watching.writes = 0;
        EXPECT_EQ(!c.bytes.empty(), m_handler->PutBack(c.index));
        if (c.bytes.empty()) {
            EXPECT_EQ(0, m_watching.writes);
            EXPECT_EQ(L"before", UnicodeOnClipboard());
            continue;
        }
        EXPECT_EQ(c.bytes, OnClipboard(c.format));
        EXPECT_GT(m_watching.writes, 0);
        EXPECT_EQ(0, m_watching.writesWithoutLock);
        m_handler->OnClipboardChanged(nullptr, 0);
        ASSERT_EQ(6, m_handler->Get_Items_Count());
        EXPECT_EQ(Kind::kUnicodeText, m_handler->Get_Item(0)->Kind());
    }
    EXPECT_FALSE(m_handler->PutBack(6));

    // The next copy of another program is recorded again.
    OfferText(L"someone else's");
    m_handler->OnClipboardChanged(nullptr, 0);
    EXPECT_EQ(7, m_handler->Get_Items_Count());
}

// The tray's put-back gives pictures and web pages with their companions.
TEST_F(HistoryMenu, PutBackWithCompanionsForPicturesAndPages) {
    CCHItem& page = Add(Kind::kHtml, Ansi("Version:0.9\r\n<b>x</b>"));
    page.AddCompanion(MakeItem(Kind::kUnicodeText, Utf16(L"x")));
    CCHItem& picture = Add(Kind::kBitmap, {});
    picture.AddCompanion(MakeItem(Kind::kText, Ansi("caption")));

    ASSERT_TRUE(m_handler->PutBackItem(0));
    const std::vector<BYTE> dib = OnClipboard(CF_DIB);
    ASSERT_GE(dib.size(), sizeof(BITMAPINFOHEADER));
    BITMAPINFOHEADER header;
    memcpy(&header, dib.data(), sizeof header);
    EXPECT_EQ(2, header.biWidth);
    EXPECT_EQ(2, std::abs(header.biHeight));
    EXPECT_EQ(Ansi("caption"), OnClipboard(CF_TEXT));

    ASSERT_TRUE(m_handler->PutBackItem(1));
    EXPECT_EQ(Ansi("Version:0.9\r\n<b>x</b>"), OnClipboard(GetCF_HTML()));
    EXPECT_EQ(L"x", UnicodeOnClipboard());
    EXPECT_EQ(0, m_watching.writesWithoutLock);
    m_handler->OnClipboardChanged(nullptr, 0);
    EXPECT_EQ(2, m_handler->Get_Items_Count());
    EXPECT_FALSE(m_handler->PutBackItem(2));
}

// Put as text: the item's own text, else its Unicode, its ANSI, then any companion's; a web
// page gives its companion's text before its markup; nothing when no text is found.
TEST_F(HistoryMenu, PutAsTextFallsBackToTheCompanions) {
    struct Case {
        const char* name;
        int kind;
        std::vector<BYTE> data;
        std::vector<std::pair<int, std::vector<BYTE>>> companions;
        const wchar_t* text;  // null: nothing put
    };
    const Case cases[] = {
        {"unicode", Kind::kUnicodeText, Utf16(L"own"), {}, L"own"},
        {"ansi", Kind::kText, Ansi("eight bit"), {}, L"eight bit"},
        {"rtf", Kind::kRtf, Ansi(kRtf), {{Kind::kText, Ansi("companion")}}, L"Hello World"},
        {"bitmap, ansi then unicode companion",
         Kind::kBitmap,
         {},
         {{Kind::kText, Ansi("ansi one")}, {Kind::kUnicodeText, Utf16(L"unicode one")}},
         L"unicode one"},
        {"bitmap with rtf", Kind::kBitmap, {}, {{Kind::kRtf, Ansi(kRtf)}}, L"Hello World"},
        {"page", Kind::kHtml, Ansi("Version:0.9 <b>x</b>"), {{Kind::kText, Ansi("x")}}, L"x"},
        {"page alone", Kind::kHtml, Ansi("<b>\xD0\xB6</b>"), {}, L"<b>\u0436</b>"},
        {"bitmap alone", Kind::kBitmap, {}, {}, nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        m_handler->Queue().Clear(L"test");
        CCHItem& item = Add(c.kind, c.data);
        for (const auto& companion : c.companions) item.AddCompanion(MakeItem(companion.first, companion.second));
        OfferText(L"before");
        EXPECT_EQ(c.text != nullptr, m_handler->PutAsText(0));
        EXPECT_EQ(c.text ? c.text : L"before", UnicodeOnClipboard());
        EXPECT_EQ(0, m_watching.writesWithoutLock);
    }
}

// Unicode text edits are saved a second later; 8-bit and formatted text change in memory
// only; every change makes the menu texts again.
TEST_F(HistoryMenu, CaseAndTrimOfEachKind) {
    CCHItem& rtf = Add(Kind::kRtf, Ansi(kRtf));
    CCHItem& ansi = Add(Kind::kText, Ansi("  Mixed Case \r\n"));
    CCHItem& unicode = Add(Kind::kUnicodeText, Utf16(L"  \u0436 Mixed\t\r\n"));
    for (CCHItem* item : {&rtf, &ansi, &unicode}) {
        item->SetSaveState(kSaveStateLoaded);
        item->Set_Menu_Caption(L"old caption");
    }
    auto wide = [](const CCHItem& item) { return std::wstring(reinterpret_cast<const wchar_t*>(item.Data())); };
    auto bytes = [](const CCHItem& item) { return std::string(reinterpret_cast<const char*>(item.Data())); };

    const unsigned generation = unicode.EditGeneration();
    EXPECT_EQ(1, m_handler->ChangeCase(0, true));
    EXPECT_EQ(L"  \u0416 MIXED\t\r\n", wide(unicode));
    EXPECT_EQ(kSaveStateNew, unicode.SaveState());
    EXPECT_NE(generation, unicode.EditGeneration());
    EXPECT_TRUE(unicode.MenuCaption().IsEmpty());
    EXPECT_TRUE(SaveTimerArmed());

    unicode.SetSaveState(kSaveStateLoaded);
    EXPECT_EQ(1, m_handler->Trim(0));
    EXPECT_EQ(L"\u0416 MIXED", wide(unicode));
    EXPECT_EQ(kSaveStateNew, unicode.SaveState());
    EXPECT_TRUE(SaveTimerArmed());
    EXPECT_EQ(1, m_handler->Trim(0));
    EXPECT_FALSE(SaveTimerArmed()) << "nothing left to trim";

    EXPECT_EQ(1, m_handler->ChangeCase(1, false));
    EXPECT_EQ("  mixed case \r\n", bytes(ansi));
    EXPECT_EQ(1, m_handler->Trim(1));
    EXPECT_EQ("mixed case", bytes(ansi));
    EXPECT_EQ(static_cast<DWORD>(strlen("mixed case") + 1), ansi.Size());

    EXPECT_EQ(1, m_handler->ChangeCase(2, true));
    EXPECT_EQ(L"HELLO WORLD", std::wstring(RtfBytesToPlainText(bytes(rtf).c_str()).GetString()));
    EXPECT_EQ(Kind::kRtf, rtf.Kind());

    for (const CCHItem* item : {&rtf, &ansi}) {
        EXPECT_EQ(kSaveStateLoaded, item->SaveState());
        EXPECT_TRUE(item->MenuCaption().IsEmpty());
    }
    EXPECT_FALSE(SaveTimerArmed());
    EXPECT_EQ(0, m_handler->ChangeCase(3, true));
    EXPECT_EQ(0, m_handler->Trim(3));
    EXPECT_EQ(0, m_handler->JoinLines(3, true));
}

// Joined lines: each line break one blank, the ends trimmed; formatted text becomes
// Unicode text; the change is marked for saving and armed only when asked.
TEST_F(HistoryMenu, JoinLines) {
    CCHItem& rtf = Add(Kind::kRtf, Ansi("{\\rtf1\\ansi one\\par two\\par}"));
    CCHItem& ansi = Add(Kind::kText, Ansi("a\r\nb\n\rc\nd"));
    CCHItem& unicode = Add(Kind::kUnicodeText, Utf16(L" first\r\nsecond\r\n"));
    for (CCHItem* item : {&rtf, &ansi, &unicode}) {
        item->SetSaveState(kSaveStateLoaded);
        item->SetDataPath(L"C:\\history\\item.txt");
    }
    EXPECT_EQ(1, m_handler->JoinLines(0, true));
    EXPECT_EQ(std::wstring(L"first second"), reinterpret_cast<const wchar_t*>(unicode.Data()));
    EXPECT_TRUE(SaveTimerArmed());

    EXPECT_EQ(1, m_handler->JoinLines(1, false));
    EXPECT_EQ(std::string("a b c d"), reinterpret_cast<const char*>(ansi.Data()));
    EXPECT_FALSE(SaveTimerArmed());

    EXPECT_EQ(1, m_handler->JoinLines(2, true));
    ASSERT_EQ(Kind::kUnicodeText, rtf.Kind());
    EXPECT_EQ(std::wstring(L"one two"), reinterpret_cast<const wchar_t*>(rtf.Data()));
    EXPECT_TRUE(SaveTimerArmed());
    for (const CCHItem* item : {&rtf, &ansi, &unicode}) {
        EXPECT_EQ(kSaveStateNew, item->SaveState());
        EXPECT_TRUE(item->DataPath().IsEmpty());
    }

    unicode.SetSaveState(kSaveStateLoaded);
    EXPECT_EQ(1, m_handler->JoinLines(0, true));
    EXPECT_EQ(kSaveStateLoaded, unicode.SaveState()) << "nothing to join";
    EXPECT_FALSE(SaveTimerArmed());
}

}  // namespace
