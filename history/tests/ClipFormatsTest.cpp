// The clipboard formats of the history: Dorvane's meta information and its texts, the
// source address of copied HTML, addresses and paths in copied text, and bitmaps.
// Readers go through the fake clipboard; the bitmap on the clipboard through the real one
// of the test's own prefix and desktop.
#include <windows.h>
#include <gtest/gtest.h>

#include <shlwapi.h>

#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/MyCopyGuard.h"
#include "core/ShellHelpers.h"
#include "core/UiStrings.h"
#include "history/ClipFormats.h"
#include "testkit/Bitmaps.h"
#include "testkit/ClipboardViewer.h"
#include "testkit/fakes/FakeClipboard.h"

namespace {

std::wstring W(const CString& text) {
    return std::wstring(text.GetString(), static_cast<size_t>(text.GetLength()));
}

// What another program put on the clipboard: the bytes of one format.
void PutOnFake(CFakeClipboard& clipboard, UINT format, const std::string& bytes) {
    clipboard.SetByOther(format, std::vector<BYTE>(bytes.begin(), bytes.end()));
}

// ---------------------------------------------------------------------------------------
// Meta information

const char kFullMeta[] =
    u8"<DV_DATA PID=\"4242\" DOC_ID=\"17\" Y=\"2024\" M=\"3\" D=\"9\" H=\"14\" Min=\"5\" S=\"59\""
    u8" DV_Doc_Path_Title=\"C:\\Документы\\Отчёт.dvn\" Size=\"2048\">"
    u8"<Nodes><Node>first part</Node><Node></Node><Node>второй</Node></Nodes></DV_DATA>";

TEST(DvnClipInfo, ParsesEveryFieldOfTheMetaXml) {
    CDvnClipInfo info;
    ASSERT_TRUE(ParseDvnClipInfo(info, kFullMeta));
    EXPECT_EQ(4242, info.GetPid());
    EXPECT_EQ(17, info.GetDocId());
    EXPECT_EQ(2048, info.GetSize());
    const SYSTEMTIME& time = info.GetTime();
    EXPECT_EQ(2024, time.wYear);
    EXPECT_EQ(3, time.wMonth);
    EXPECT_EQ(9, time.wDay);
    EXPECT_EQ(14, time.wHour);
    EXPECT_EQ(5, time.wMinute);
    EXPECT_EQ(59, time.wSecond);
    EXPECT_EQ(0, time.wMilliseconds);
    EXPECT_EQ(0, time.wDayOfWeek);
    EXPECT_EQ(L"C:\\\x0414\x043E\x043A\x0443\x043C\x0435\x043D\x0442\x044B\\\x041E\x0442\x0447\x0451\x0442.dvn",
              W(info.GetPathTitle()));
    EXPECT_EQ(L"\x041E\x0442\x0447\x0451\x0442.dvn", W(info.GetFileName()));
    // The empty node is skipped.
    ASSERT_EQ(2, info.GetNodeCount());
    EXPECT_EQ(L"first part", W(info.GetNode(0)));
    EXPECT_EQ(L"\x0432\x0442\x043E\x0440\x043E\x0439", W(info.GetNode(1)));
    EXPECT_EQ(L"", W(info.GetNode(2)));
    EXPECT_EQ(L"", W(info.GetNode(-1)));
}

TEST(DvnClipInfo, IntegersCountOnlyWhenAllDigits) {
    struct Case {
        const char* xml;
        LONG pid;
        LONG docId;
        WORD year;
        WORD minute;
        LONG size;
    } cases[] = {
        {"<DV_DATA/>", 0, 65535, 0xFFFF, 0xFFFF, 0},
        {"<DV_DATA DOC_ID=\"-1\"/>", 0, 65535, 0xFFFF, 0xFFFF, 0},
        {"<DV_DATA PID=\"+5\" DOC_ID=\" 7\" Y=\"2024 \" Min=\"x1\" Size=\"12kB\"/>", 0, 65535, 0xFFFF, 0xFFFF, 0},
        {"<DV_DATA PID=\"\" DOC_ID=\"0\" Y=\"0\" Min=\"59\" Size=\"0\"/>", 0, 0, 0, 59, 0},
        {"<DV_DATA PID=\"2147483647\" DOC_ID=\"007\" Y=\"65535\" Min=\"65536\" Size=\"2147483648\"/>", 2147483647, 7,
         0xFFFF, 0xFFFF, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.xml);
        CDvnClipInfo info;
        ASSERT_TRUE(ParseDvnClipInfo(info, c.xml));
        EXPECT_EQ(c.pid, info.GetPid());
        EXPECT_EQ(c.docId, info.GetDocId());
        EXPECT_EQ(c.year, info.GetTime().wYear);
        EXPECT_EQ(c.minute, info.GetTime().wMinute);
        EXPECT_EQ(c.size, info.GetSize());
        EXPECT_EQ(0, info.GetNodeCount());
        EXPECT_TRUE(info.GetPathTitle().IsEmpty());
    }
}

TEST(DvnClipInfo, TextsThatAreNotMetaInfoLeaveTheRecordAlone) {
    const char* texts[] = {
        nullptr,
        "",
        "not xml at all",
        "<DV_DATA PID=\"1\"",
        "<OTHER PID=\"1\"/>",
        "<!-- only a comment -->",
        "<DV_DATA PID=\"1\"><Nodes></DV_DATA>",
    };
    for (const char* text : texts) {
        SCOPED_TRACE(text ? text : "(null)");
        CDvnClipInfo info;
        ASSERT_TRUE(ParseDvnClipInfo(info, kFullMeta));
        EXPECT_FALSE(ParseDvnClipInfo(info, text));
        EXPECT_EQ(4242, info.GetPid());
        EXPECT_EQ(2, info.GetNodeCount());
    }
}

TEST(DvnClipInfo, TheRecordOfNothingAndItsFileName) {
    CDvnClipInfo fresh;
    EXPECT_EQ(0, fresh.GetPid());
    EXPECT_EQ(-1, fresh.GetDocId());
    EXPECT_EQ(0, fresh.GetSize());
    EXPECT_NE(0, fresh.GetTime().wYear) << "local time at creation";

    struct Case {
        const char* title;
        const wchar_t* fileName;
    } cases[] = {
        {"", L""},
        {"Untitled 3", L"Untitled 3"},
        {"C:\\a\\b.txt", L"b.txt"},
        {"C:\\folder\\", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        CDvnClipInfo info;
        const std::string xml = std::string("<DV_DATA DV_Doc_Path_Title=\"") + c.title + "\"/>";
        ASSERT_TRUE(ParseDvnClipInfo(info, xml.c_str()));
        EXPECT_EQ(std::wstring(c.fileName), W(info.GetFileName()));
    }
}

TEST(DvnClipInfo, TextStyles) {
    const CString indent = L"      \x2022 ";
    const CString caption = LoadUiString(IDS_COPIED_FROM);
    ASSERT_EQ(L"Copied From", W(caption));
    const CString size = FormatByteSizeText(2048);
    ASSERT_FALSE(size.IsEmpty());

    CDvnClipInfo withNodes;
    ASSERT_TRUE(ParseDvnClipInfo(withNodes,
                                 "<DV_DATA DV_Doc_Path_Title=\"C:\\docs\\plan.dvn\" Size=\"2048\">"
                                 "<Nodes><Node>Chapter 1</Node><Node>Chapter 2</Node></Nodes></DV_DATA>"));
    CDvnClipInfo withoutNodes;
    ASSERT_TRUE(ParseDvnClipInfo(withoutNodes, "<DV_DATA DV_Doc_Path_Title=\"C:\\docs\\plan.dvn\" Size=\"2048\"/>"));

    struct Case {
        const CDvnClipInfo* record;
        int style;
        CString expected;
    } cases[] = {
        {&withNodes, kDvnTextMenu, L"[plan.dvn] [Chapter 1]"},
        {&withNodes, kDvnTextPane, L"[plan.dvn] [Chapter 1]"},
        {&withNodes, kDvnTextTip,
         indent + caption + L": [C:\\docs\\plan.dvn], 2   \x2014 " + size + L"\n" + indent + L"[Chapter 1]"},
        {&withoutNodes, kDvnTextMenu, L"[plan.dvn]"},
        {&withoutNodes, kDvnTextPane, L"[plan.dvn]"},
        {&withoutNodes, kDvnTextTip, indent + caption + L": [C:\\docs\\plan.dvn], 0   \x2014 " + size},
        {&withNodes, 3, L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        EXPECT_EQ(W(c.expected), W(DvnClipInfoToText(*c.record, c.style)));
    }
    EXPECT_EQ(W(DvnClipInfoToText(withNodes, 0)), W(DvnClipInfoToText_Style0(withNodes)));
    EXPECT_EQ(W(DvnClipInfoToText(withNodes, 1)), W(DvnClipInfoToText_Style1(withNodes)));
    EXPECT_EQ(W(DvnClipInfoToText(withNodes, 2)), W(DvnClipInfoToText_Style2(withNodes)));
}

TEST(DvnMetaInfo, IsReadUpToTheZeroOrTheEndOfTheBlock) {
    const UINT format = RegisterDvnMetaInfoFormat();
    ASSERT_NE(0u, format);
    EXPECT_EQ(RegisterClipboardFormatW(L"Dorvane Clipboard Meta Info"), format);

    struct Case {
        const char* name;
        std::string block;
        bool read;
        std::string text;
    } cases[] = {
        {"terminated", std::string("<DV_DATA/>\0junk", 15), true, "<DV_DATA/>"},
        {"unterminated", "<DV_DATA/>", true, "<DV_DATA/>"},
        {"empty", "", false, "unchanged"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeClipboard clipboard;
        PutOnFake(clipboard, format, c.block);
        std::string text = "unchanged";
        EXPECT_EQ(c.read, ReadDvnMetaInfo(clipboard, true, text));
        EXPECT_EQ(c.text, text);
        EXPECT_FALSE(clipboard.IsOpen()) << "opened by the reader, closed by it";
    }
}

TEST(DvnMetaInfo, OpensTheClipboardOnlyWhenAsked) {
    const UINT format = RegisterDvnMetaInfoFormat();
    CFakeClipboard clipboard;
    PutOnFake(clipboard, format, "<DV_DATA/>");
    std::string text;
    EXPECT_FALSE(ReadDvnMetaInfo(clipboard, false, text)) << "the clipboard was not open";

    ASSERT_TRUE(clipboard.Open(nullptr, 0));
    EXPECT_TRUE(ReadDvnMetaInfo(clipboard, false, text));
    EXPECT_EQ("<DV_DATA/>", text);
    EXPECT_TRUE(clipboard.IsOpen()) << "the caller's opening is left alone";
    clipboard.Close();

    CFakeClipboard other;
    PutOnFake(other, CF_TEXT, "<DV_DATA/>");
    EXPECT_FALSE(ReadDvnMetaInfo(other, true, text)) << "no meta format";
    CFakeClipboard held;
    PutOnFake(held, format, "<DV_DATA/>");
    held.heldByOther = true;
    EXPECT_FALSE(ReadDvnMetaInfo(held, true, text));
}

TEST(DvnMetaInfo, IsFoundAndReadOnTheSystemClipboard) {
    const char meta[] = "<DV_DATA PID=\"7\"/>";
    ASSERT_TRUE(SetClipboardDataRaw(RegisterDvnMetaInfoFormat(), meta, sizeof meta));
    EXPECT_TRUE(IsDvnMetaInfoAvailable());
    std::string text;
    ASSERT_TRUE(ReadDvnMetaInfo(SystemClipboard(), true, text));
    EXPECT_EQ(meta, text);

    ASSERT_TRUE(SetClipboardUnicodeText(L"plain"));
    EXPECT_FALSE(IsDvnMetaInfoAvailable());
    EXPECT_FALSE(ReadDvnMetaInfo(SystemClipboard(), true, text));
}

// ---------------------------------------------------------------------------------------
// Addresses

TEST(HtmlSourceUrl, IsTheLineAfterTheKeyWithinTheBlock) {
    const std::string head = "Version:0.9\r\nStartHTML:0000000105\r\n";
    struct Case {
        const char* name;
        std::string block;
        std::wstring url;
    } cases[] = {
        {"carriage return", head + "SourceURL:https://example.com/a?b=1\r\n<html>\0", L"https://example.com/a?b=1"},
        {"line feed", head + "SourceURL:http://example.com/\n<html>", L"http://example.com/"},
        {"utf-8", head + u8"SourceURL:https://пример.рф/\r\n",
         L"https://\x043F\x0440\x0438\x043C\x0435\x0440.\x0440\x0444/"},
        {"no line end", head + "SourceURL:https://example.com/", L""},
        {"no key", head + "<html>https://example.com/\r\n</html>", L""},
        // The line end lies past the zero: the text ends there.
        {"line end after the zero", head + std::string("SourceURL:https://x.org/\0\r\n", 27), L""},
        {"empty block", "", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeClipboard clipboard;
        PutOnFake(clipboard, GetCF_HTML(), c.block);
        ASSERT_TRUE(clipboard.Open(nullptr, 0));
        EXPECT_EQ(c.url, W(GetHtmlSourceUrl(clipboard)));
    }

    CFakeClipboard noHtml;
    PutOnFake(noHtml, CF_TEXT, "SourceURL:https://example.com/\r\n");
    ASSERT_TRUE(noHtml.Open(nullptr, 0));
    EXPECT_EQ(L"", W(GetHtmlSourceUrl(noHtml)));
}

TEST(FindUrl, FindsAnAddressOrAPathAtTheStart) {
    const std::wstring longFolder(400, L'a');
    const std::wstring longPath = L"C:\\" + longFolder + L"\\file.txt and words";
    struct Case {
        std::wstring text;
        std::wstring expected;
    } cases[] = {
        {L"", L""},
        {L"  \t\r\n https://example.com/page more words", L"https://example.com/page"},
        {L"http://example.com\nsecond line", L"http://example.com"},
        {L"https://", L""},
        {L"HTTPS://example.com", L""},
        {L"see https://example.com", L""},
        {L"C:\\Program Files\\Vexlora\\readme.txt is here\nnext line",
         L"C:\\Program Files\\Vexlora\\readme.txt is here"},
        {L"C:\\x.txt", L"C:\\x.txt"},
        {longPath, longPath},
        {L"notes.txt and more", L""},
        {L"  C:\\a\\b.c", L"C:\\a\\b.c"},
        {L"  C:\\a", L""},
        {L" \r\n abc", L""},
        {L"abcdef", L""},
        {L"\\\\server\\share\\file.txt", L""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(c.expected, W(FindUrlInText(c.text.c_str())));
    }
    EXPECT_EQ(L"", W(FindUrlInText(nullptr)));
}

TEST(FindUrl, AnsiTextIsConvertedFirst) {
    EXPECT_EQ(L"https://example.com/x", W(FindUrlInAnsiText("\r\n https://example.com/x y")));
    EXPECT_EQ(L"D:\\data\\list.csv", W(FindUrlInAnsiText("D:\\data\\list.csv")));
    // A letter of the ANSI code page comes back as the same Unicode letter.
    const std::string ansiPath = std::string("C:\\") + static_cast<char>(0xE9) + "t\\x";
    wchar_t expected[16] = {};
    ASSERT_NE(0, MultiByteToWideChar(CP_ACP, 0, ansiPath.c_str(), -1, expected, 16));
    EXPECT_EQ(std::wstring(expected), W(FindUrlInAnsiText(ansiPath.c_str())));
    EXPECT_EQ(L"", W(FindUrlInAnsiText(nullptr)));
    EXPECT_EQ(L"", W(FindUrlInAnsiText("short")));
}

// ---------------------------------------------------------------------------------------
// Bitmaps

// A DIB section of the size and depth; its pixels (and the colour table of an 8-bit one)
// are a pattern, with `changed` added to the first byte of the last row.
CBitmapHandle MakePattern(int width, int height, WORD bitCount, BYTE changed = 0, BYTE colorShift = 0) {
    RGBQUAD colors[256] = {};
    for (int i = 0; i < 256; ++i) {
        colors[i].rgbRed = static_cast<BYTE>(i + colorShift);
        colors[i].rgbGreen = static_cast<BYTE>(255 - i);
    }
    BYTE* bytes = nullptr;
    CBitmapHandle bitmap =
        testkit::MakeDibSection(width, height, bitCount, colors, bitCount <= 8 ? 1 << bitCount : 0, &bytes);
    if (!bitmap) return bitmap;
    const int rowBytes = ((bitCount * width + 31) & ~31) / 8;
    for (int i = 0; i < rowBytes * height; ++i) bytes[i] = static_cast<BYTE>(i * 7 + 3);
    // Row 0 of a bottom-up DIB is the last row of the picture.
    bytes[0] = static_cast<BYTE>(bytes[0] + changed);
    GdiFlush();
    return bitmap;
}

// The picture as 32-bit pixels, whatever the bitmap's own format.
std::vector<DWORD> Pixels32(HBITMAP bitmap) {
    BITMAP info = {};
    if (GetObjectW(bitmap, sizeof info, &info) != sizeof info) return {};
    BITMAPINFO format = {};
    format.bmiHeader.biSize = sizeof format.bmiHeader;
    format.bmiHeader.biWidth = info.bmWidth;
    format.bmiHeader.biHeight = info.bmHeight;
    format.bmiHeader.biPlanes = 1;
    format.bmiHeader.biBitCount = 32;
    format.bmiHeader.biCompression = BI_RGB;
    std::vector<DWORD> pixels(static_cast<size_t>(info.bmWidth) * info.bmHeight);
    HDC screen = GetDC(nullptr);
    const int rows = GetDIBits(screen, bitmap, 0, info.bmHeight, pixels.data(), &format, DIB_RGB_COLORS);
    ReleaseDC(nullptr, screen);
    if (rows != info.bmHeight) return {};
    return pixels;
}

TEST(Bitmaps, AreEqualByFormatAndPixels) {
    CBitmapHandle a = MakePattern(5, 3, 24);
    CBitmapHandle same = MakePattern(5, 3, 24);
    CBitmapHandle onePixel = MakePattern(5, 3, 24, 1);
    CBitmapHandle wider = MakePattern(6, 3, 24);
    CBitmapHandle deeper = MakePattern(5, 3, 32);
    CBitmapHandle indexed = MakePattern(5, 3, 8);
    CBitmapHandle sameIndexed = MakePattern(5, 3, 8);
    CBitmapHandle otherPalette = MakePattern(5, 3, 8, 0, 1);
    for (HBITMAP bitmap : {a.get(), same.get(), onePixel.get(), wider.get(), deeper.get(), indexed.get(),
                           sameIndexed.get(), otherPalette.get()})
        ASSERT_NE(nullptr, bitmap);

    struct Case {
        const char* name;
        HBITMAP first;
        HBITMAP second;
        bool equal;
    } cases[] = {
        {"same handle", a.get(), a.get(), true},
        {"equal pixels in two handles", a.get(), same.get(), true},
        {"equal 8-bit pictures", indexed.get(), sameIndexed.get(), true},
        {"one pixel different", a.get(), onePixel.get(), false},
        {"another width", a.get(), wider.get(), false},
        {"another depth", a.get(), deeper.get(), false},
        {"another palette", indexed.get(), otherPalette.get(), false},
        {"null first", nullptr, a.get(), false},
        {"null second", a.get(), nullptr, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.equal, BitmapsEqual(c.first, c.second));
        EXPECT_EQ(c.equal, BitmapsEqual(c.second, c.first));
    }
}

TEST(Bitmaps, ACopyIsABitmapOfItsOwn) {
    CBitmapHandle original = MakePattern(4, 4, 24);
    ASSERT_TRUE(original.valid());
    CBitmapHandle copy = CopyBitmap(original.get());
    ASSERT_TRUE(copy.valid());
    EXPECT_NE(original.get(), copy.get());
    const std::vector<DWORD> pixels = Pixels32(original.get());
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(pixels, Pixels32(copy.get()));
    copy.reset();
    BITMAP info = {};
    EXPECT_EQ(static_cast<int>(sizeof info), GetObjectW(original.get(), sizeof info, &info))
        << "deleting the copy left the original alone";
    EXPECT_FALSE(CopyBitmap(nullptr).valid());
}

TEST(Bitmaps, GoOnTheClipboardWithTheSamePixelsUnderTheMyCopyGuard) {
    CBitmapHandle bitmap = MakePattern(7, 5, 24);
    ASSERT_TRUE(bitmap.valid());
    ASSERT_TRUE(SetClipboardUnicodeText(L"before"));
    testkit::CClipboardViewer viewer;
    // A viewer is told of the current contents when it joins the chain.
    viewer.changes = viewer.changesUnderLock = 0;

    ASSERT_TRUE(CopyBitmapToClipboard(bitmap.get()));
    EXPECT_GT(viewer.changes, 0) << "the viewer was never told of the change";
    EXPECT_EQ(viewer.changes, viewer.changesUnderLock);
    EXPECT_EQ(0, GetMyCopyLockCount());

    CClipboardOpen open(nullptr, 5000);
    ASSERT_TRUE(open);
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "emptied first";
    HBITMAP onClipboard = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    ASSERT_NE(nullptr, onClipboard);
    EXPECT_NE(bitmap.get(), onClipboard) << "the clipboard holds a copy";
    const std::vector<DWORD> pixels = Pixels32(bitmap.get());
    ASSERT_FALSE(pixels.empty());
    EXPECT_EQ(pixels, Pixels32(onClipboard));
}

TEST(Bitmaps, WhatIsNotABitmapStaysOffTheClipboard) {
    ASSERT_TRUE(SetClipboardUnicodeText(L"before"));
    CBrushHandle brush(CreateSolidBrush(RGB(1, 2, 3)));
    EXPECT_FALSE(CopyBitmapToClipboard(nullptr));
    EXPECT_FALSE(CopyBitmapToClipboard(reinterpret_cast<HBITMAP>(brush.get())));
    CClipboardOpen open(nullptr, 5000);
    ASSERT_TRUE(open);
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_UNICODETEXT)) << "the clipboard was left alone";
}

}  // namespace
