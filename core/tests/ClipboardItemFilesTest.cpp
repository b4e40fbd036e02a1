// Clipboard-history items written as files and opened from there.
#include <gtest/gtest.h>

#include <string>

#include "core/ClipboardItemFiles.h"
#include "core/TempFiles.h"
#include "core/base/AppPaths.h"
#include "core/base/BitmapFile.h"
#include "core/base/Security.h"
#include "core/tests/AppTestHelpers.h"
#include "testkit/Bitmaps.h"
#include "testkit/CaseLog.h"
#include "testkit/fakes/RecordingShell.h"

namespace {

using namespace apptest;

TEST(ClipboardItemFiles, EachKindIsWrittenAsItsFileFormat) {
    const std::string bom = "\xFF\xFE";
    const wchar_t unicode[] = L"\x041F\x0440\x0438 \xD83D\xDE00";
    const std::string unicodeBytes(reinterpret_cast<const char*>(unicode), (std::size(unicode) - 1) * sizeof(wchar_t));
    const char dorvane[] = {'D', 0, 'V', 0, 'N'};
    struct Case {
        const char* name;
        CClipboardItemData item;
        UINT options;
        std::string bytes;
    } cases[] = {
        {"8-bit text without its terminator", {CClipboardItemData::kText, "plain text", 11}, 0, "plain text"},
        {"8-bit text never read past its size", {CClipboardItemData::kText, "abcdef", 3}, 0, "abc"},
        {"formatted text as it is", {CClipboardItemData::kRtf, "{\\rtf1 x}", 10}, 0, "{\\rtf1 x}"},
        {"formatted text as UTF-16",
         {CClipboardItemData::kRtf, "{\\rtf1 x}", 10},
         kItemFileRtfAsUtf16,
         bom + std::string("{\0\\\0r\0t\0f\0"
                           "1\0 \0x\0}\0",
                           18)},
        {"UTF-16 text after a byte-order mark",
         {CClipboardItemData::kUnicodeText, unicode, sizeof unicode},
         0,
         bom + unicodeBytes},
        {"other kinds as their raw data",
         {CClipboardItemData::kDorvane, dorvane, sizeof dorvane},
         0,
         std::string(dorvane, sizeof dorvane)},
    };
    CString folder = GetTempFolder();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CString path = BuildTempFileName(folder, L"item");
        ASSERT_TRUE(CAppObjects::WriteClipboardItemToFile(c.item, path, c.options));
        EXPECT_EQ(c.bytes, ReadFileBytes(path));
        DeleteFileW(path);
    }
}

TEST(ClipboardItemFiles, ProtectedItemsAreReadOnlyAndRegisteredOnesGoAtExit) {
    CClipboardItemData item{CClipboardItemData::kText, "keep", 5, true};
    CString path = BuildTempFileName(nullptr, L"txt");
    ASSERT_TRUE(CAppObjects::WriteClipboardItemToFile(item, path, kItemFileTemporary | kItemFileDeleteAtExit));
    EXPECT_TRUE(GetFileAttributesW(path) & FILE_ATTRIBUTE_READONLY);
    CAppObjects::DeleteTempFilesOnExit();
    EXPECT_FALSE(FileExists(path));

    CCaseLog log;
    size_t mark = log.Mark();
    CString unreachable = GetTempFolder() + L"vxl_no_such_folder\\item.txt";
    EXPECT_FALSE(CAppObjects::WriteClipboardItemToFile(item, unreachable, 0));
    EXPECT_TRUE(Contains(log.Since(mark), W(L"ERROR: [Cannot create file pathName=[" + unreachable + L"]]").c_str()));
}

TEST(ClipboardItemFiles, BitmapsAreWrittenAsBmpFiles) {
    struct Case {
        int width;
        int height;
        WORD bitCount;
        DWORD offset;
        DWORD rowBytes;
    } cases[] = {
        {3, 2, 24, 54, 12},
        {5, 3, 8, 54 + 1024, 8},
        {2, 2, 32, 54, 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bitCount);
        CBitmapHandle bitmap = testkit::MakeDibSection(c.width, c.height, c.bitCount);
        ASSERT_TRUE(bitmap.valid());
        CString path = BuildTempFileName(nullptr, L"bmp");
        CClipboardItemData item{CClipboardItemData::kBitmap, bitmap.get(), 4};
        ASSERT_TRUE(CAppObjects::WriteClipboardItemToFile(item, path, 0));
        std::string bytes = ReadFileBytes(path);
        ASSERT_GE(bytes.size(), 54u);
        const auto* fileHeader = reinterpret_cast<const BITMAPFILEHEADER*>(bytes.data());
        const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(bytes.data() + sizeof(BITMAPFILEHEADER));
        EXPECT_EQ(0x4D42, fileHeader->bfType);
        EXPECT_EQ(c.offset, fileHeader->bfOffBits);
        EXPECT_EQ(c.offset + c.rowBytes * c.height, fileHeader->bfSize);
        EXPECT_EQ(fileHeader->bfSize, bytes.size());
        EXPECT_EQ(c.width, header->biWidth);
        EXPECT_EQ(c.height, header->biHeight);
        EXPECT_EQ(c.bitCount, header->biBitCount);
        DeleteFileW(path);
    }
}

TEST(ClipboardItemFiles, OpeningWritesATemporaryFileOfTheKindsType) {
    CRecordingShell shell;
    struct Case {
        CClipboardItemData item;
        const wchar_t* extension;
    } cases[] = {
        {{CClipboardItemData::kText, "text", 5}, L".txt"},
        {{CClipboardItemData::kUnicodeText, L"text", 10}, L".txt"},
        {{CClipboardItemData::kRtf, "{\\rtf1 x}", 10}, L".rtf"},
    };
    for (const Case& c : cases) {
        shell.files.clear();
        CString path;
        ASSERT_TRUE(CAppObjects::OpenClipboardItem(nullptr, c.item, path, true));
        EXPECT_EQ(W(c.extension), W(path.Right(4)));
        ASSERT_EQ(1u, shell.files.size());
        EXPECT_EQ(W(path), shell.files[0]);
        EXPECT_TRUE(FileExists(path));
        if (c.item.kind == CClipboardItemData::kRtf) {
            EXPECT_EQ(0, ReadFileBytes(path).compare(0, 2, "\xFF\xFE")) << "opened as UTF-16 text";
        }
    }
    shell.files.clear();
    CString path;
    EXPECT_TRUE(CAppObjects::OpenClipboardItem(nullptr, {CClipboardItemData::kHtml, "<b>x</b>", 9}, path, true));
    EXPECT_TRUE(shell.files.empty()) << "HTML items are not opened";
    CAppObjects::DeleteTempFilesOnExit();
}

}  // namespace
