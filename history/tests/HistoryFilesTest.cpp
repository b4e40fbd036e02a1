#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "core/base/AppPaths.h"
#include "core/base/BitmapFile.h"
#include "core/base/IniFile.h"
#include "core/base/TextConversions.h"
#include "history/HistoryFiles.h"
#include "history/HistoryQueue.h"
#include "testkit/Bitmaps.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClock.h"

namespace {

using testkit::Utf16Bytes;

void WriteBytes(const CString& path, const std::string& bytes) {
    ASSERT_TRUE(testkit::WriteFileBytes(path, bytes));
}

CString ReadKey(const CString& info, const wchar_t* key) {
    CString value;
    IniReadString(info, L"Files", key, value);
    return value;
}

// A bitmap at the given depth with a pattern that uses many colours.
HBITMAP MakePatternBitmap(int width, int height, WORD bits) {
    RGBQUAD colors[256];
    for (int i = 0; i < 256; ++i) colors[i] = {BYTE(i), BYTE(255 - i), BYTE(i * 7), 0};
    BYTE* pixels = nullptr;
    CBitmapHandle bitmap = testkit::MakeDibSection(width, height, bits, colors, bits == 8 ? 256 : 0, &pixels);
    int stride = ((width * bits + 31) / 32) * 4;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width * bits / 8; ++x) pixels[y * stride + x] = BYTE(x * 31 + y * 17);
    }
    GdiFlush();
    return bitmap.release();
}

// Pixels at 32 bits per pixel, to compare bitmaps of any depth.
std::vector<BYTE> Pixels(HBITMAP bitmap, BITMAP& shape) {
    GetObjectW(bitmap, sizeof shape, &shape);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = shape.bmWidth;
    info.bmiHeader.biHeight = shape.bmHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    std::vector<BYTE> pixels(static_cast<size_t>(shape.bmWidth) * shape.bmHeight * 4);
    HDC dc = GetDC(nullptr);
    GetDIBits(dc, bitmap, 0, shape.bmHeight, pixels.data(), &info, DIB_RGB_COLORS);
    ReleaseDC(nullptr, dc);
    return pixels;
}

class HistoryFilesTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_root = testkit::MakeUniqueTempFolder(L"vxl_hfiles");
        m_folder = m_root + L"\\ClipboardHistory\\";
        CreateDirectoryW(m_folder, nullptr);
    }
    void TearDown() override { testkit::RemoveTree(m_root); }

    std::unique_ptr<CCHItem> Item(int kind, const void* data, DWORD size) {
        auto item = CCHItem::Create(kind, nullptr, m_clock);
        item->SetData(data, size);
        return item;
    }
    std::unique_ptr<CCHItem> Ansi(const char* text) {
        return Item(CClipboardItemData::kText, text, static_cast<DWORD>(strlen(text) + 1));
    }
    std::unique_ptr<CCHItem> Unicode(const wchar_t* text) {
        return Item(CClipboardItemData::kUnicodeText, text, static_cast<DWORD>((wcslen(text) + 1) * 2));
    }
    std::unique_ptr<CCHQueue> Load() {
        auto queue = std::make_unique<CCHQueue>(m_folder, m_clock);
        LoadHistoryFolder(m_folder, *queue);
        return queue;
    }
    std::vector<CString> FolderFiles() {
        std::vector<CString> names;
        WIN32_FIND_DATAW data;
        HANDLE find = FindFirstFileW(m_folder + L"*", &data);
        if (find == INVALID_HANDLE_VALUE) return names;
        do {
            if (!(data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(data.cFileName);
        } while (FindNextFileW(find, &data));
        FindClose(find);
        std::sort(names.begin(), names.end(), [](const CString& a, const CString& b) { return a.Compare(b) < 0; });
        return names;
    }

    CFakeClock m_clock;
    CString m_root;
    CString m_folder;
};

TEST_F(HistoryFilesTest, UnicodeTextIsStoredByteForByteAfterAMark) {
    auto item = Unicode(L"ab");
    ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*item));
    EXPECT_EQ(m_folder + L"Unicode_clipboard_history1.txt", item->DataPath());
    EXPECT_EQ(std::string("\xFF\xFE"
                          "a\0b\0\0\0",
                          8),
              testkit::ReadFileBytes(item->DataPath()));
    EXPECT_EQ(kSaveStateWritten, item->SaveState());

    auto loaded = LoadDataFile(item->DataPath(), false, nullptr);
    ASSERT_NE(nullptr, loaded);
    ASSERT_EQ(6u, loaded->Size());  // the mark is dropped
    EXPECT_EQ(0, memcmp(item->Data(), loaded->Data(), 8));
}

TEST_F(HistoryFilesTest, InfoFileNamesTheDataFilesInCompanionOrder) {
    const char rtf[] = "{\\rtf1 bold}";
    auto item = Item(CClipboardItemData::kRtf, rtf, sizeof rtf);
    item->AddCompanion(std::shared_ptr<CCHItem>(Ansi("bold")));
    item->AddCompanion(std::shared_ptr<CCHItem>(Unicode(L"bold")));
    item->SetProtected(true);
    ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*item));

    const CString info = item->InfoPath();
    EXPECT_EQ(m_folder + L"vexlora_cb1.info", info);
    EXPECT_EQ(CString(L"clipboard_history1.rtf"), ReadKey(info, L"File0"));
    EXPECT_EQ(CString(L"clipboard_history1.txt"), ReadKey(info, L"File1"));
    EXPECT_EQ(CString(L"Unicode_clipboard_history1.txt"), ReadKey(info, L"File2"));
    EXPECT_FALSE(IniKeyExists(info, L"Files", L"File3"));
    EXPECT_EQ(2, IniReadInt(info, L"Files", L"DataType", -1));
    EXPECT_EQ(1, IniReadInt(info, L"Files", L"Protected", -1));
    EXPECT_TRUE(IniKeyExists(info, L"Files", L"WndName"));
    EXPECT_TRUE(IniKeyExists(info, L"Files", L"ExeName"));
    EXPECT_FALSE(IniKeyExists(info, L"Files", L"URL"));
    EXPECT_EQ(m_folder + L"clipboard_history1.txt", item->Companions()[0]->DataPath());
    // The info file starts with a UTF-16 mark.
    EXPECT_EQ(std::string("\xFF\xFE"), testkit::ReadFileBytes(info).substr(0, 2));
}

TEST_F(HistoryFilesTest, UniqueNamesNeverOverwriteAFile) {
    WriteBytes(m_folder + L"clipboard_history1.txt", "keep me");
    WriteBytes(m_folder + L"clipboard_history3.txt", "keep me too");
    WriteBytes(m_folder + L"vexlora_cb1.info", "not ours");
    CCHFileWriter writer(m_folder);
    auto first = Ansi("first");
    auto second = Ansi("second");
    ASSERT_TRUE(writer.WriteItem(*first));
    ASSERT_TRUE(writer.WriteItem(*second));

    EXPECT_EQ(m_folder + L"clipboard_history2.txt", first->DataPath());
    EXPECT_EQ(m_folder + L"clipboard_history4.txt", second->DataPath());
    EXPECT_EQ(m_folder + L"vexlora_cb2.info", first->InfoPath());
    EXPECT_EQ(m_folder + L"vexlora_cb3.info", second->InfoPath());
    EXPECT_EQ("keep me", testkit::ReadFileBytes(m_folder + L"clipboard_history1.txt"));
    EXPECT_EQ("keep me too", testkit::ReadFileBytes(m_folder + L"clipboard_history3.txt"));
    EXPECT_EQ("not ours", testkit::ReadFileBytes(m_folder + L"vexlora_cb1.info"));
    EXPECT_EQ(std::string("second\0", 7), testkit::ReadFileBytes(second->DataPath()));
    EXPECT_FALSE(writer.WriteDataFile(first->DataPath(), *second, FILETIME{}));
    EXPECT_EQ(std::string("first\0", 6), testkit::ReadFileBytes(first->DataPath()));
}

TEST_F(HistoryFilesTest, EveryKindSurvivesARoundTrip) {
    CCHFileWriter writer(m_folder);
    std::vector<std::unique_ptr<CCHItem>> written;
    auto add = [&](std::unique_ptr<CCHItem> item) {
        m_clock.localTime.wMinute = static_cast<WORD>(m_clock.localTime.wMinute + 1);
        item->SetTime(m_clock.localTime);
        ASSERT_TRUE(writer.WriteItem(*item));
        written.push_back(std::move(item));
    };
    add(Ansi("plain 8-bit text"));

    auto unicode = Unicode(L"\x041F\x0440\x0438\x0432\x0435\x0442 \x4F60\x597D \xD83D\xDE00");
    unicode->SetWindowTitle(L"\x0420\x0435\x0434\x0430\x043A\x0442\x043E\x0440 \x2014 \x6587\x66F8");
    unicode->SetProgramName(L"\x0440\x0435\x0434.exe");
    unicode->Set_URL(L"https://\x043F\x0440\x0438\x043C\x0435\x0440.\x0440\x0444/\x8DEF\x5F84?q=1");
    unicode->SetProtected(true);
    add(std::move(unicode));

    const char rtf[] = "{\\rtf1\\ansi {\\b bold} text}";
    auto rich = Item(CClipboardItemData::kRtf, rtf, sizeof rtf);
    rich->AddCompanion(std::shared_ptr<CCHItem>(Unicode(L"bold text")));
    const char html[] = "Version:0.9\r\n<b>bold</b> text";
    rich->AddCompanion(std::shared_ptr<CCHItem>(Item(CClipboardItemData::kHtml, html, sizeof html)));
    add(std::move(rich));

    const char dvn[] = "\x01\x02\x00\x03 dorvane";
    auto dorvane = Item(CClipboardItemData::kDorvane, dvn, sizeof dvn);
    dorvane->SetMetaText("<DvnClip><Title>t</Title></DvnClip>");
    add(std::move(dorvane));

    for (WORD bits : {24, 8}) {
        auto bitmap = CCHItem::Create(CClipboardItemData::kBitmap, nullptr, m_clock);
        bitmap->SetBitmap(MakePatternBitmap(17, 5, bits));
        add(std::move(bitmap));
    }

    auto queue = Load();
    ASSERT_EQ(written.size(), queue->Items().size());
    for (size_t i = 0; i < written.size(); ++i) {
        const CCHItem& before = *written[i];
        const CCHItem& after = *queue->Items()[i];
        SCOPED_TRACE(testing::Message() << "item " << i << " kind " << before.Kind());
        ASSERT_EQ(before.Kind(), after.Kind());
        EXPECT_EQ(kSaveStateLoaded, after.SaveState());
        EXPECT_EQ(before.InfoPath(), after.InfoPath());
        EXPECT_EQ(before.DataPath(), after.DataPath());
        EXPECT_EQ(before.WindowTitle(), after.WindowTitle());
        EXPECT_EQ(before.ProgramName(), after.ProgramName());
        EXPECT_EQ(before.Get_URL(), after.Get_URL());
        EXPECT_EQ(before.MetaText(), after.MetaText());
        EXPECT_EQ(before.IsProtected(), after.IsProtected());
        EXPECT_EQ(0, memcmp(&before.Get_Time(), &after.Get_Time(), sizeof(SYSTEMTIME)));
        if (before.Kind() == CClipboardItemData::kBitmap) {
            BITMAP shapeBefore = {}, shapeAfter = {};
            std::vector<BYTE> pixelsBefore = Pixels(before.Bitmap(), shapeBefore);
            EXPECT_EQ(pixelsBefore, Pixels(after.Bitmap(), shapeAfter));
            EXPECT_EQ(17, shapeAfter.bmWidth);
            EXPECT_EQ(5, shapeAfter.bmHeight);
        } else {
            ASSERT_EQ(before.Size(), after.Size());
            EXPECT_EQ(0, memcmp(before.Data(), after.Data(), before.Size() + 2));
        }
        ASSERT_EQ(before.Companions().size(), after.Companions().size());
        for (size_t c = 0; c < before.Companions().size(); ++c) {
            const CCHItem& a = *before.Companions()[c];
            const CCHItem& b = *after.Companions()[c];
            EXPECT_EQ(a.Kind(), b.Kind());
            ASSERT_EQ(a.Size(), b.Size());
            EXPECT_EQ(0, memcmp(a.Data(), b.Data(), a.Size()));
        }
    }
}

TEST_F(HistoryFilesTest, ReadOnlyDataFileLoadsAsProtected) {
    auto item = Ansi("locked");
    ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*item));
    ASSERT_FALSE(item->IsProtected());
    SetFileAttributesW(item->DataPath(), FILE_ATTRIBUTE_READONLY);
    for (int load = 0; load < 2; ++load) {
        auto queue = Load();
        ASSERT_EQ(1, queue->Count());
        EXPECT_TRUE(queue->Items()[0]->IsProtected());
    }
    EXPECT_TRUE(GetFileAttributesW(item->DataPath()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(HistoryFilesTest, SetProtectedRewritesTheKeyOfASavedItem) {
    auto item = Ansi("x");
    EXPECT_EQ(2, item->SetProtected(true));  // not on disk yet
    EXPECT_EQ(0, item->SetProtected(true));
    ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*item));
    SetFileAttributesW(item->InfoPath(), FILE_ATTRIBUTE_READONLY);
    EXPECT_EQ(1, item->SetProtected(false));
    EXPECT_EQ(0, IniReadInt(item->InfoPath(), L"Files", L"Protected", -1));
    EXPECT_TRUE(GetFileAttributesW(item->InfoPath()) & FILE_ATTRIBUTE_READONLY);
}

TEST_F(HistoryFilesTest, WritingAnItemAgainReplacesItsFileKeysAndFiles) {
    auto item = Ansi("edited");
    item->AddCompanion(std::shared_ptr<CCHItem>(Unicode(L"edited")));
    item->Set_URL(L"https://example.org/");
    CCHFileWriter writer(m_folder);
    ASSERT_TRUE(writer.WriteItem(*item));
    CString info = item->InfoPath();

    auto edited = Ansi("edited again");
    edited->SetInfoPath(info);
    ASSERT_TRUE(writer.WriteItem(*edited));
    EXPECT_EQ(info, edited->InfoPath());
    EXPECT_EQ(CString(L"clipboard_history2.txt"), ReadKey(info, L"File0"));
    EXPECT_FALSE(IniKeyExists(info, L"Files", L"File1"));
    EXPECT_FALSE(IniKeyExists(info, L"Files", L"URL"));
    EXPECT_EQ((std::vector<CString>{L"clipboard_history2.txt", L"vexlora_cb1.info"}), FolderFiles());
}

TEST_F(HistoryFilesTest, DuplicateReplacingALoadedItemLeavesNoFilesBehind) {
    auto item = Ansi("same");
    ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*item));
    auto queue = Load();
    ASSERT_EQ(1, queue->Count());
    ASSERT_TRUE(queue->Add(Ansi("same"), 10));
    EXPECT_EQ(1, queue->Count());
    EXPECT_TRUE(FolderFiles().empty());
}

TEST_F(HistoryFilesTest, LimitRemoveAndClearDeleteTheFilesOfWhatGoes) {
    CCHFileWriter writer(m_folder);
    CCHQueue queue(m_folder, m_clock);
    const char* texts[] = {"a", "b", "c", "d"};
    for (const char* text : texts) {
        auto item = Ansi(text);
        item->SetProtected(text[0] == 'b');
        if (text[0] == 'd') item->SetMetaText("<x/>");
        ASSERT_TRUE(writer.WriteItem(*item));
        queue.Add(std::move(item), -1);
    }
    WriteBytes(m_folder + L"stray.tmp", "stray");
    ASSERT_EQ(10u, FolderFiles().size());  // 4 infos, 4 data files, 1 meta file, the stray

    ASSERT_TRUE(queue.Add(Ansi("e"), 3));  // "a" goes with its two files
    EXPECT_EQ(8u, FolderFiles().size());
    ASSERT_EQ(1, queue.Remove({1}, true, false, nullptr));  // "d" with its meta file
    EXPECT_EQ(5u, FolderFiles().size());

    ASSERT_TRUE(queue.Clear(nullptr));  // only the protected "b" and its files stay
    ASSERT_EQ(1, queue.Count());
    std::vector<CString> kept;
    queue.Items()[0]->GetAll_FileNames(kept);
    EXPECT_EQ(2u, kept.size());
    for (const CString& file : kept) EXPECT_TRUE(FileExists(file)) << file;
    EXPECT_EQ(2u, FolderFiles().size());
}

// Bad input: each case is put beside one sound item; the sound one always loads.
TEST_F(HistoryFilesTest, BadInputIsSkippedAndTheRestLoads) {
    CString outside = m_root + L"\\outside.txt";
    struct Case {
        const char* name;
        std::string info;  // bytes of vexlora_cb50.info; empty: none
        const wchar_t* dataName;
        std::string data;
        int expectedItems;
        const wchar_t* expectedTitle;  // of the bad one when it loads
    };
    std::string longValue(10000, 'x');
    std::string header = "\xFF\xFE";
    auto utf16Info = [&](const std::wstring& body) { return header + Utf16Bytes(body.c_str()); };
    // A bitmap file whose header promises 4000 x 4000 pixels in 70 bytes.
    std::string lyingBmp(70, '\0');
    {
        BITMAPFILEHEADER file = {0x4D42, 70, 0, 0, 54};
        BITMAPINFOHEADER info = {};
        info.biSize = sizeof info;
        info.biWidth = 4000;
        info.biHeight = 4000;
        info.biPlanes = 1;
        info.biBitCount = 24;
        memcpy(&lyingBmp[0], &file, sizeof file);
        memcpy(&lyingBmp[14], &info, sizeof info);
    }
    const Case cases[] = {
        {"no File0", "[Files]\r\nDataType=0\r\nFile1=bad.txt\r\n", L"bad.txt", "text", 1, nullptr},
        {"missing data file", "[Files]\r\nFile0=nothing_here.txt\r\n", nullptr, "", 1, nullptr},
        {"empty data file", "[Files]\r\nFile0=bad.txt\r\n", L"bad.txt", "", 1, nullptr},
        {"10,000-character title", "[Files]\r\nFile0=bad.txt\r\nWndName=" + longValue + "\r\n", L"bad.txt",
         std::string("text\0", 5), 2, L""},
        {"10,000-character file name", "[Files]\r\nFile0=" + longValue + "\r\n", nullptr, "", 1, nullptr},
        {"UTF-8 without mark", "[Files]\r\nFile0=bad.txt\r\nWndName=\xD0\x9F\xD1\x80\xD0\xB8\r\n", L"bad.txt",
         std::string("text\0", 5), 2, nullptr},
        {"lying bitmap header", "[Files]\r\nFile0=bad.bmp\r\n", L"bad.bmp", lyingBmp, 1, nullptr},
        {"meta that is not XML", "[Files]\r\nFile0=bad.dvn\r\nDvnMetaInfo=bad_meta.xml\r\n", L"bad.dvn", "dorvane", 2,
         L""},
        {"parent folder", "[Files]\r\nFile0=..\\outside.txt\r\n", nullptr, "", 1, nullptr},
        {"absolute path", utf16Info(L"[Files]\r\nFile0=" + std::wstring(outside.GetString()) + L"\r\n"), nullptr, "", 1,
         nullptr},
        {"companion outside", utf16Info(L"[Files]\r\nFile0=bad.txt\r\nFile1=..\\outside.txt\r\nWndName=w\r\n"),
         L"bad.txt", std::string("text\0", 5), 2, L"w"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testkit::RemoveTree(m_folder.Left(m_folder.GetLength() - 1));
        CreateDirectoryW(m_folder, nullptr);
        WriteBytes(outside, "outside");
        auto sound = Ansi("sound");
        ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*sound));
        if (!c.info.empty()) WriteBytes(m_folder + L"vexlora_cb50.info", c.info);
        if (c.dataName) WriteBytes(m_folder + c.dataName, c.data);
        WriteBytes(m_folder + L"bad_meta.xml", "<<<not &xml");

        auto queue = Load();
        ASSERT_EQ(c.expectedItems, queue->Count());
        bool soundFound = false;
        for (const auto& item : queue->Items()) {
            if (item->InfoPath() == sound->InfoPath()) {
                soundFound = item->Size() == 6 && !memcmp(item->Data(), "sound", 6);
            } else {
                EXPECT_EQ(m_folder + L"vexlora_cb50.info", item->InfoPath());
                if (c.expectedTitle) {
                    EXPECT_EQ(CString(c.expectedTitle), item->WindowTitle());
                }
                EXPECT_TRUE(item->Companions().empty());
                if (item->Kind() == CClipboardItemData::kDorvane) {
                    EXPECT_EQ("<<<not &xml", item->MetaText());
                }
            }
        }
        EXPECT_TRUE(soundFound);
        queue->Clear(nullptr);
        EXPECT_EQ("outside", testkit::ReadFileBytes(outside));
    }
}

TEST_F(HistoryFilesTest, HugeDataFileIsRefused) {
    auto sound = Ansi("sound");
    ASSERT_TRUE(CCHFileWriter(m_folder).WriteItem(*sound));
    WriteBytes(m_folder + L"vexlora_cb9.info", "[Files]\r\nFile0=huge.txt\r\n");
    HANDLE file = CreateFileW(m_folder + L"huge.txt", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, file);
    LARGE_INTEGER size;
    size.QuadPart = 200LL * 1024 * 1024;
    SetFilePointerEx(file, size, nullptr, FILE_BEGIN);
    SetEndOfFile(file);
    CloseHandle(file);

    auto queue = Load();
    ASSERT_EQ(1, queue->Count());
    EXPECT_EQ(sound->InfoPath(), queue->Items()[0]->InfoPath());
}

TEST(HistoryNamesTest, KindsExtensionsAndStems) {
    EXPECT_EQ(4, KindFromExtension(L".BMP"));
    EXPECT_EQ(3, KindFromExtension(L"dvn"));
    EXPECT_EQ(2, KindFromExtension(L".Rtf"));
    EXPECT_EQ(5, KindFromExtension(L"html"));
    EXPECT_EQ(1, KindFromExtension(L".txt"));
    EXPECT_EQ(1, KindFromExtension(L".png"));
    EXPECT_EQ(CString(L".html"), ExtensionOfKind(5));
    EXPECT_EQ(CString(), ExtensionOfKind(6));
    EXPECT_EQ(CString(L"Unicode_clipboard_history"), StemOfKind(1));
    EXPECT_TRUE(IsAnsiTextFile(L"C:\\h\\clipboard_history2.TXT"));
    EXPECT_FALSE(IsAnsiTextFile(L"C:\\h\\unicode_clipboard_history2.txt"));
    EXPECT_FALSE(IsAnsiTextFile(L"C:\\h\\clipboard_history2.rtf"));
    EXPECT_TRUE(IsPlainFileName(L"clipboard_history2.txt"));
    for (const wchar_t* bad : {L"..\\x.txt", L"C:\\x.txt", L"C:x.txt", L"a/b.txt", L"..", L""}) {
        EXPECT_FALSE(IsPlainFileName(bad)) << CString(bad).GetString();
    }
}

}  // namespace
