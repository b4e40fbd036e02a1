#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "history/HistoryFiles.h"
#include "history/HistoryQueue.h"
#include "testkit/Bitmaps.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClock.h"

namespace {

class HistoryQueueTest : public ::testing::Test {
protected:
    void SetUp() override { m_folder = testkit::MakeUniqueTempFolder(L"vxl_queue"); }
    void TearDown() override { testkit::RemoveTree(m_folder); }

    // Each item a millisecond after the one before.
    std::unique_ptr<CCHItem> Text(const std::string& text, bool isProtected = false) {
        m_clock.localTime.wMilliseconds = static_cast<WORD>((m_clock.localTime.wMilliseconds + 1) % 1000);
        m_clock.localTime.wSecond = static_cast<WORD>(m_clock.localTime.wSecond + 1);
        auto item = CCHItem::Create(CClipboardItemData::kText, nullptr, m_clock);
        item->SetData(text.c_str(), static_cast<DWORD>(text.size() + 1));
        item->SetProtected(isProtected);
        return item;
    }
    // Items "0", "1", ... oldest first.
    void Fill(CCHQueue& queue, int count, const std::vector<int>& protectedOnes = {}) {
        for (int i = 0; i < count; ++i) {
            bool isProtected = std::find(protectedOnes.begin(), protectedOnes.end(), i) != protectedOnes.end();
            ASSERT_TRUE(queue.Add(Text(std::to_string(i), isProtected), -1));
        }
    }
    static std::string TextOf(const CCHItem& item) { return reinterpret_cast<const char*>(item.Data()); }
    static std::vector<std::string> Texts(const CCHQueue& queue) {
        std::vector<std::string> texts;
        for (const auto& item : queue.Items()) texts.push_back(TextOf(*item));
        return texts;
    }

    CFakeClock m_clock;
    CString m_folder;
};

TEST_F(HistoryQueueTest, DuplicateOfTheThirdNewestBecomesTheNewestWithItsFlagAndSerial) {
    CCHQueue queue(m_folder, m_clock);
    Fill(queue, 5, {2});
    const CCHItem* third = queue.ItemFromNewest(2);
    ASSERT_EQ("2", TextOf(*third));
    LONG serial = third->Serial();

    auto again = Text("2");
    const CCHItem* added = again.get();
    ASSERT_TRUE(queue.Add(std::move(again), 30));

    EXPECT_EQ((std::vector<std::string>{"0", "1", "3", "4", "2"}), Texts(queue));
    EXPECT_EQ(added, queue.ItemFromNewest(0));
    EXPECT_TRUE(added->IsProtected());
    EXPECT_EQ(serial, added->Serial());
}

TEST_F(HistoryQueueTest, LimitKeepsTheNewestAndEveryProtectedItem) {
    struct Case {
        int count;
        int limit;
        std::vector<int> protectedOnes;
        std::vector<int> expected;  // oldest first
    } cases[] = {
        // 33 items, 3 protected among the 5 oldest; the 34th pushes out the 4 oldest but the protected.
        {34, 30, {0, 2, 4}, {}},      {6, 3, {}, {3, 4, 5}}, {6, 0, {1, 4}, {1, 4}}, {4, 2, {0, 1, 2, 3}, {0, 1, 2, 3}},
        {5, -1, {}, {0, 1, 2, 3, 4}}, {3, 5, {}, {0, 1, 2}},
    };
    cases[0].expected = {0, 2};
    for (int i = 4; i < 34; ++i) cases[0].expected.push_back(i);

    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "count=" << c.count << " limit=" << c.limit);
        CCHQueue queue(m_folder, m_clock);
        Fill(queue, c.count - 1, c.protectedOnes);
        bool lastProtected =
            std::find(c.protectedOnes.begin(), c.protectedOnes.end(), c.count - 1) != c.protectedOnes.end();
        ASSERT_TRUE(queue.Add(Text(std::to_string(c.count - 1), lastProtected), c.limit));
        std::vector<std::string> expected;
        for (int n : c.expected) expected.push_back(std::to_string(n));
        EXPECT_EQ(expected, Texts(queue));
    }
}

TEST_F(HistoryQueueTest, ClearKeepsProtectedItemsAndUndoBringsBackEverything) {
    CCHQueue queue(m_folder, m_clock);
    Fill(queue, 5, {1, 3});
    m_clock.localTime.wHour = 18;

    EXPECT_TRUE(queue.Clear(nullptr));
    EXPECT_EQ((std::vector<std::string>{"1", "3"}), Texts(queue));

    CString description;
    int action = -1;
    SYSTEMTIME time = {};
    ASSERT_TRUE(queue.Get_Latest_Undo_Info(description, action, &time));
    EXPECT_EQ(CString(L"Command: \"Clear\""), description);
    EXPECT_EQ(UA_RELPLACE_ALL, action);
    EXPECT_EQ(18, time.wHour);

    ASSERT_EQ(1, queue.DoUndo());
    queue.Sort();
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "3", "4"}), Texts(queue));
    EXPECT_EQ(0, queue.UndoCount());
    EXPECT_EQ(0, queue.DoUndo());
    EXPECT_FALSE(CCHQueue(m_folder, m_clock).Clear(L"empty"));
}

TEST_F(HistoryQueueTest, RemoveSparesProtectedItemsWithoutForceAndUndoAddsOnlyWhatWent) {
    CCHQueue queue(m_folder, m_clock);
    Fill(queue, 5, {2});

    // Newest-first indexes: 0 is "4", 2 is the protected "2".
    EXPECT_EQ(1, queue.Remove({0, 2, 3}, true, false, L"Remove two"));
    EXPECT_EQ((std::vector<std::string>{"0", "2", "3"}), Texts(queue));
    EXPECT_EQ(0, queue.Remove({1}, true, false, nullptr));  // "2" again: protected, kept
    EXPECT_EQ(1, queue.UndoCount());

    const UNDO_ITEM* record = queue.Get_Undo_Item_By_Index(0);
    ASSERT_NE(nullptr, record);
    EXPECT_EQ(UA_ADD_TO_CUR, record->action);
    EXPECT_EQ(CString(L"Remove two"), record->description);
    EXPECT_EQ(nullptr, queue.Get_Undo_Item_By_Index(1));

    ASSERT_EQ(1, queue.DoUndo());
    queue.Sort();
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "3", "4"}), Texts(queue));
    for (const auto& item : queue.Items()) EXPECT_EQ(kSaveStateNew, item->SaveState());

    EXPECT_EQ(1, queue.Remove({1}, false, true, nullptr));
    EXPECT_EQ((std::vector<std::string>{"0", "1", "2", "4"}), Texts(queue));
    EXPECT_EQ(0, queue.UndoCount());
    EXPECT_EQ(1, queue.Remove({1}, false, true, nullptr));  // the protected "2" goes with force
    EXPECT_EQ((std::vector<std::string>{"0", "1", "4"}), Texts(queue));
}

TEST_F(HistoryQueueTest, FrozenQueueTakesNothing) {
    CCHQueue queue(m_folder, m_clock);
    queue.SetFrozen(true);
    EXPECT_FALSE(queue.Add(Text("a"), 10));
    queue.SetFrozen(false);
    EXPECT_TRUE(queue.Add(Text("a"), 10));
    EXPECT_EQ(1, queue.Count());
}

TEST_F(HistoryQueueTest, SortComparesTheWholeTimeButNotTheWeekday) {
    CCHQueue queue(m_folder, m_clock);
    const SYSTEMTIME times[] = {
        {2026, 3, 4, 5, 14, 7, 9, 251},
        {2026, 3, 0, 5, 14, 7, 9, 250},
        {2025, 12, 1, 31, 23, 59, 59, 999},
        {2026, 3, 4, 5, 14, 8, 0, 0},
    };
    int n = 0;
    for (const SYSTEMTIME& time : times) {
        auto item = Text(std::to_string(n++));
        item->SetTime(time);
        queue.Add(std::move(item), -1);
    }
    queue.Sort();
    EXPECT_EQ((std::vector<std::string>{"2", "1", "0", "3"}), Texts(queue));
}

TEST_F(HistoryQueueTest, CopyDuplicatesTheDataAndSharesTheCompanions) {
    auto item = Text("abc");
    auto companion = std::make_shared<CCHItem>(CClipboardItemData::kRtf, m_clock.localTime);
    companion->SetData("{\\rtf1}", 8);
    item->AddCompanion(companion);
    item->Set_URL(L"https://example.org/");
    item->SetInfoPath(L"C:\\x\\vexlora_cb1.info");

    std::unique_ptr<CCHItem> copy = item->Copy();
    ASSERT_NE(nullptr, copy);
    EXPECT_EQ(3, companion.use_count());
    EXPECT_NE(item->Data(), copy->Data());
    EXPECT_EQ(0, memcmp("abc\0\0\0", copy->Data(), 6));  // size + 2 zero bytes
    EXPECT_EQ(item->Identifier(), copy->Identifier());
    EXPECT_EQ(item->Serial(), copy->Serial());
    EXPECT_EQ(item->InfoPath(), copy->InfoPath());
    EXPECT_EQ(item->Get_URL(), copy->Get_URL());
    EXPECT_EQ(CString(L".txt, .rtf"), copy->GetExtensions(L", ").Mid(2));
    copy.reset();
    item.reset();
    EXPECT_EQ(1, companion.use_count());
}

// A 2x2 bitmap at the given depth, black but for the second pixel.
HBITMAP MakeBitmap(WORD bits, COLORREF second) {
    const RGBQUAD colors[2] = {{0, 0, 0, 0}, {GetBValue(second), GetGValue(second), GetRValue(second), 0}};
    BYTE* row = nullptr;
    CBitmapHandle bitmap = testkit::MakeDibSection(2, 2, bits, colors, bits == 8 ? 2 : 0, &row);
    if (bits == 8) {
        row[1] = 1;
    } else {
        BYTE* pixel = row + bits / 8;
        pixel[0] = GetBValue(second);
        pixel[1] = GetGValue(second);
        pixel[2] = GetRValue(second);
    }
    GdiFlush();
    return bitmap.release();
}

TEST_F(HistoryQueueTest, DuplicatesAreSameKindAndSameContent) {
    auto make = [this](int kind, const void* data, DWORD size) {
        auto item = std::make_unique<CCHItem>(kind, m_clock.localTime);
        item->SetData(data, size);
        return item;
    };
    auto bitmap = [this](WORD bits, COLORREF color) {
        auto item = std::make_unique<CCHItem>(CClipboardItemData::kBitmap, m_clock.localTime);
        item->SetBitmap(MakeBitmap(bits, color));
        return item;
    };
    // A linguistic comparison takes the soft hyphen for nothing; the bytes differ.
    const wchar_t wide[] = L"ab";
    const wchar_t softHyphen[] = L"a\x00ADb";
    struct Case {
        const char* name;
        std::unique_ptr<CCHItem> a, b;
        bool equal;
    } cases[] = {
        {"same text", make(0, "abc", 4), make(0, "abc", 4), true},
        {"soft hyphen", make(1, wide, sizeof wide), make(1, softHyphen, sizeof softHyphen), false},
        {"same Unicode text", make(1, wide, sizeof wide), make(1, L"ab", sizeof wide), true},
        {"same bytes, other kind", make(0, "abc", 4), make(2, "abc", 4), false},
        {"one byte longer", make(5, "abc", 4), make(5, "abc\0", 5), false},
        {"Dorvane data never", make(3, "abc", 4), make(3, "abc", 4), false},
        {"bitmaps, same pixels, other depths", bitmap(24, RGB(200, 10, 30)), bitmap(8, RGB(200, 10, 30)), true},
        {"bitmaps, one pixel differs", bitmap(32, RGB(200, 10, 30)), bitmap(32, RGB(200, 10, 31)), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.equal, c.a->IsDuplicateOf(*c.b));
    }
}

}  // namespace
