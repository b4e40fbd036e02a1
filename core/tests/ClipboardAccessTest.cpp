// The clipboard functions on the real clipboard of the test's own Wine prefix and desktop.
// What they wrote is read back with plain Win32 calls; the other side of the clipboard
// (a program holding it open, a viewer watching it change) is played by a thread or a
// window of the test.
#include <windows.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/MyCopyGuard.h"
#include "core/base/Handles.h"
#include "testkit/CaseLog.h"
#include "testkit/Clipboard.h"
#include "testkit/ClipboardViewer.h"
#include "testkit/MessageWindow.h"

namespace {

using Bytes = std::vector<BYTE>;

const DWORD kWaitMs = 5000;

Bytes ToBytes(const void* data, size_t size) {
    const BYTE* first = static_cast<const BYTE*>(data);
    return Bytes(first, first + size);
}

Bytes TextBytes(const CString& text) {
    return ToBytes(text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t));
}

// Opens the clipboard for a scope with an owner window, as another program would.
class COpenedClipboard {
public:
    COpenedClipboard() : m_open(m_owner.get(), kWaitMs) {}
    bool ok() const { return static_cast<bool>(m_open); }

private:
    testkit::CMessageWindow m_owner;
    CClipboardOpen m_open;
};

testing::AssertionResult PutOnClipboard(UINT format, const void* bytes, size_t size) {
    CGlobalMemory memory(GlobalAlloc(GMEM_MOVEABLE, size));
    if (!memory) return testing::AssertionFailure() << "GlobalAlloc failed";
    {
        CGlobalLock<BYTE> lock(memory.get());
        memcpy(lock.get(), bytes, size);
    }
    if (!SetClipboardData(format, memory.get())) {
        return testing::AssertionFailure() << "SetClipboardData(" << format << ") failed, error " << GetLastError();
    }
    memory.release();
    return testing::AssertionSuccess();
}

testing::AssertionResult EmptyTheClipboard() {
    COpenedClipboard open;
    if (!open.ok()) return testing::AssertionFailure() << "the clipboard stayed shut";
    if (!EmptyClipboard()) return testing::AssertionFailure() << "EmptyClipboard failed";
    return testing::AssertionSuccess();
}

std::vector<UINT> FormatsOnClipboard() {
    std::vector<UINT> formats;
    COpenedClipboard open;
    EXPECT_TRUE(open.ok());
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format))
        formats.push_back(format);
    return formats;
}

// Needs the clipboard open; empty when the format is missing or not global memory.
Bytes ReadOpened(UINT format) {
    CGlobalLock<const BYTE> lock(GetClipboardData(format));
    return lock.get() ? Bytes(lock.get(), lock.get() + lock.size()) : Bytes();
}

Bytes ReadFormat(UINT format) {
    COpenedClipboard open;
    EXPECT_TRUE(open.ok());
    return ReadOpened(format);
}

CString FormatName(UINT format) {
    wchar_t name[256] = {};
    int length = GetClipboardFormatNameW(format, name, 256);
    return length > 0 ? CString(name, length) : CString();
}

bool IsGdiFormat(UINT format) {
    return format == CF_BITMAP || format == CF_PALETTE || format == CF_METAFILEPICT || format == CF_ENHMETAFILE;
}

// Every format held in global memory, registered ones under their name.
std::map<std::wstring, Bytes> MemoryFormatsByName() {
    std::map<std::wstring, Bytes> formats;
    COpenedClipboard open;
    EXPECT_TRUE(open.ok());
    for (UINT format = EnumClipboardFormats(0); format; format = EnumClipboardFormats(format)) {
        if (IsGdiFormat(format)) continue;
        CString name = format >= 0xC000 ? FormatName(format) : CString();
        if (name.IsEmpty()) name.Format(L"#%u", format);
        formats[name.GetString()] = ReadOpened(format);
    }
    return formats;
}

// The pixels of a packed DIB as 0x00RRGGBB, top row first, drawn by GDI itself so that
// any bit depth and row order the system chose reads the same.
std::vector<DWORD> PixelsOfPackedDib(const Bytes& dib, int* width, int* height) {
    std::vector<DWORD> pixels;
    if (dib.size() < sizeof(BITMAPINFOHEADER)) return pixels;
    const auto* header = reinterpret_cast<const BITMAPINFOHEADER*>(dib.data());
    *width = header->biWidth;
    *height = header->biHeight < 0 ? -header->biHeight : header->biHeight;
    size_t colors = header->biClrUsed;
    if (!colors && header->biBitCount <= 8) colors = size_t(1) << header->biBitCount;
    size_t offset = header->biSize + colors * sizeof(RGBQUAD);
    if (header->biCompression == BI_BITFIELDS && header->biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * 4;
    if (offset >= dib.size()) return pixels;

    BITMAPINFO target = {};
    target.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    target.bmiHeader.biWidth = *width;
    target.bmiHeader.biHeight = -*height;
    target.bmiHeader.biPlanes = 1;
    target.bmiHeader.biBitCount = 32;
    target.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    CBitmapHandle section(CreateDIBSection(nullptr, &target, DIB_RGB_COLORS, &bits, nullptr, 0));
    CMemoryDC dc(CreateCompatibleDC(nullptr));
    if (!section || !dc) return pixels;
    {
        CSelectObject select(dc.get(), section.get());
        SetDIBitsToDevice(dc.get(), 0, 0, *width, *height, 0, 0, 0, *height, dib.data() + offset,
                          reinterpret_cast<const BITMAPINFO*>(header), DIB_RGB_COLORS);
        GdiFlush();
    }
    const DWORD* first = static_cast<const DWORD*>(bits);
    for (int i = 0; i < *width * *height; ++i) pixels.push_back(first[i] & 0x00FFFFFF);
    return pixels;
}

// Another program holding the clipboard open until told to close it. It opens it with a
// window of its own, as programs do: an opener with the same window (none) as ours would
// be let in again.
class CClipboardHolder {
public:
    CClipboardHolder()
        : m_opened(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_close(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
        m_thread.reset(CreateThread(nullptr, 0, &CClipboardHolder::Run, this, 0, nullptr));
    }
    ~CClipboardHolder() { Release(); }
    bool WaitOpened() { return WaitForSingleObject(m_opened.get(), kWaitMs) == WAIT_OBJECT_0 && m_held; }
    void Release() {
        if (!m_thread) return;
        SetEvent(m_close.get());
        WaitForSingleObject(m_thread.get(), kWaitMs);
        m_thread.reset();
    }

private:
    static DWORD WINAPI Run(void* context) {
        auto* self = static_cast<CClipboardHolder*>(context);
        testkit::CMessageWindow window;
        CClipboardOpen open(window.get(), kWaitMs);
        self->m_held = open.opened();
        SetEvent(self->m_opened.get());
        WaitForSingleObject(self->m_close.get(), INFINITE);
        return 0;
    }

    CHandle m_opened;
    CHandle m_close;
    CHandle m_thread;
    volatile bool m_held = false;
};

ULONGLONG MillisecondsOf(ULONGLONG start) {
    return GetTickCount64() - start;
}

// ---------------------------------------------------------------------------------------
// Registered formats and text

TEST(ClipboardFormats, AreRegisteredOnceUnderTheirNames) {
    EXPECT_NE(0u, GetCF_HTML());
    EXPECT_NE(0u, GetCF_RTF());
    EXPECT_NE(GetCF_HTML(), GetCF_RTF());
    EXPECT_EQ(RegisterClipboardFormatW(L"HTML Format"), GetCF_HTML());
    EXPECT_EQ(RegisterClipboardFormatW(L"Rich Text Format"), GetCF_RTF());
    EXPECT_EQ(CString(L"HTML Format"), FormatName(GetCF_HTML()));
}

struct TextCase {
    const char* name;
    CString text;
};

CString MegabyteText() {
    CString text;
    wchar_t* buffer = text.GetBuffer(512 * 1024);
    for (int i = 0; i < 512 * 1024; ++i) buffer[i] = static_cast<wchar_t>(L'a' + i % 26);
    buffer[512 * 1024 - 1] = L'\x0436';  // the end must survive too
    text.ReleaseBuffer(512 * 1024);
    return text;
}

std::vector<TextCase> TextCases() {
    return {
        {"Ascii", L"plain text"},
        {"Emoji", L"smile \xD83D\xDE00 end"},
        {"Megabyte", MegabyteText()},
    };
}

void PrintTo(const TextCase& item, std::ostream* out) {
    *out << item.name;
}

class ClipboardText : public testing::TestWithParam<TextCase> {};

TEST_P(ClipboardText, ComesBackFromTheCopy) {
    const CString& text = GetParam().text;
    ASSERT_TRUE(testkit::SetClipboardText(text));
    EXPECT_TRUE(IsClipboardTextAvailable());
    std::unique_ptr<wchar_t, void (*)(wchar_t*)> copy(GetClipboardUnicodeTextCopy(), &FreeClipboardTextCopy);
    ASSERT_NE(nullptr, copy.get());
    EXPECT_EQ(text.GetLength(), static_cast<int>(wcslen(copy.get())));
    EXPECT_TRUE(CString(copy.get()) == text);
}

TEST_P(ClipboardText, IsWrittenWithItsTerminator) {
    const CString& text = GetParam().text;
    ASSERT_TRUE(EmptyTheClipboard());
    ASSERT_TRUE(SetClipboardUnicodeText(text));
    EXPECT_EQ(TextBytes(text), ReadFormat(CF_UNICODETEXT));
    EXPECT_EQ(0, GetMyCopyLockCount());
}

INSTANTIATE_TEST_SUITE_P(Texts, ClipboardText, testing::ValuesIn(TextCases()),
                         [](const testing::TestParamInfo<TextCase>& info) { return std::string(info.param.name); });

TEST(ClipboardTextCopy, NoTextMeansNoCopy) {
    const BYTE bytes[] = {1, 2, 3};
    CClipboardFormatList list;
    list.Set(RegisterClipboardFormatW(L"Vexlora test: no text"), bytes, sizeof bytes);
    ASSERT_TRUE(SetClipboardFormats(list));
    EXPECT_FALSE(IsClipboardTextAvailable());
    EXPECT_EQ(nullptr, GetClipboardUnicodeTextCopy());
}

// The system converts CF_UNICODETEXT to 8-bit text with the code page of CF_LOCALE, so
// it must be the writer's locale, not the user's default.
TEST(ClipboardTextWrite, CarriesTheThreadLocale) {
    const LCID original = GetThreadLocale();
    for (LCID locale : {MAKELCID(0x0419, SORT_DEFAULT), MAKELCID(0x0409, SORT_DEFAULT)}) {
        ASSERT_TRUE(SetThreadLocale(locale));
        ASSERT_EQ(locale, GetThreadLocale());
        ASSERT_TRUE(SetClipboardUnicodeText(L"\x0442\x0435\x043A\x0441\x0442"));
        Bytes stored = ReadFormat(CF_LOCALE);
        ASSERT_EQ(sizeof(LCID), stored.size());
        LCID onClipboard = 0;
        memcpy(&onClipboard, stored.data(), sizeof onClipboard);
        EXPECT_EQ(locale, onClipboard);
    }
    SetThreadLocale(original);
}

// ---------------------------------------------------------------------------------------
// Several formats

TEST(ClipboardFormatList, SetsExactlyTheListedFormats) {
    ASSERT_TRUE(testkit::SetClipboardText(L"to be replaced"));
    const UINT first = RegisterClipboardFormatW(L"Vexlora test: first");
    const UINT second = RegisterClipboardFormatW(L"Vexlora test: second");
    const BYTE firstBytes[] = {0, 1, 2, 0, 255};
    const std::string rtf = RtfForClipboard(L"{\\rtf1 \x0444}");
    CClipboardFormatList list;
    list.Set(first, firstBytes, sizeof firstBytes);
    list.Set(second, "replaced", 8);
    list.Set(second, "second", 6);
    list.Set(GetCF_RTF(), rtf);
    EXPECT_EQ(3u, list.Count());

    ASSERT_TRUE(SetClipboardFormats(list));
    std::vector<UINT> formats = FormatsOnClipboard();
    std::sort(formats.begin(), formats.end());
    std::vector<UINT> expected = {first, second, GetCF_RTF()};
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(expected, formats);
    EXPECT_EQ(ToBytes(firstBytes, sizeof firstBytes), ReadFormat(first));
    EXPECT_EQ(ToBytes("second", 6), ReadFormat(second));
    EXPECT_EQ(ToBytes(rtf.data(), rtf.size()), ReadFormat(GetCF_RTF()));
    EXPECT_EQ(0, GetMyCopyLockCount());
}

TEST(ClipboardFormatList, EmptyListLeavesTheClipboardAlone) {
    ASSERT_TRUE(testkit::SetClipboardText(L"stays"));
    const DWORD sequence = GetClipboardSequenceNumber();
    EXPECT_FALSE(SetClipboardFormats(CClipboardFormatList()));
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
    auto text = testkit::ReadClipboardText();
    ASSERT_TRUE(text);
    EXPECT_EQ(CString(L"stays"), text.value());
}

// ---------------------------------------------------------------------------------------
// Snapshot

// A clipboard as a program leaves it after a copy: text, its locale, a format of the
// program's own and a picture as a bitmap handle.
const DWORD kPixels[] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00123456,  //
                         0x00FFFFFF, 0x00000000, 0x00808080, 0x00ABCDEF,  //
                         0x00010203, 0x00F0E0D0, 0x0055AA55, 0x00AA55AA};
const int kPictureWidth = 4;
const int kPictureHeight = 3;
const wchar_t kPrivateFormatName[] = L"Vexlora test: snapshot private";

testing::AssertionResult FillRichClipboard() {
    COpenedClipboard open;
    if (!open.ok()) return testing::AssertionFailure() << "the clipboard stayed shut";
    EmptyClipboard();
    const CString text = L"snapshot \x0442\x0435\x043A\x0441\x0442 \xD83D\xDE00";
    const LCID locale = MAKELCID(0x0419, SORT_DEFAULT);
    const BYTE privateBytes[] = {'V', 0, 'x', 0xFF, 0, 0, 7};
    testing::AssertionResult put = PutOnClipboard(CF_UNICODETEXT, text.GetString(), (text.GetLength() + 1) * 2);
    if (put) put = PutOnClipboard(CF_LOCALE, &locale, sizeof locale);
    if (put) put = PutOnClipboard(RegisterClipboardFormatW(kPrivateFormatName), privateBytes, sizeof privateBytes);
    if (!put) return put;
    HBITMAP bitmap = CreateBitmap(kPictureWidth, kPictureHeight, 1, 32, kPixels);
    if (!bitmap) return testing::AssertionFailure() << "CreateBitmap failed";
    if (!SetClipboardData(CF_BITMAP, bitmap)) {
        DeleteObject(bitmap);
        return testing::AssertionFailure() << "SetClipboardData(CF_BITMAP) failed";
    }
    return testing::AssertionSuccess();
}

TEST(ClipboardSnapshot, RestoresEveryMemoryFormatAndThePicture) {
    ASSERT_TRUE(FillRichClipboard());
    const std::map<std::wstring, Bytes> before = MemoryFormatsByName();
    ASSERT_TRUE(before.count(kPrivateFormatName));
    ASSERT_TRUE(before.count(L"#" + std::to_wstring(CF_DIB))) << "the system makes CF_DIB from the bitmap";

    CClipboardSnapshot snapshot;
    ASSERT_EQ(1, snapshot.Take());
    ASSERT_FALSE(snapshot.IsEmpty());
    EXPECT_EQ(before.size(), snapshot.Count());
    bool namedEntry = false;
    for (const CClipboardSnapshotEntry& entry : snapshot.Entries()) {
        EXPECT_FALSE(IsGdiFormat(entry.format)) << entry.format;
        if (entry.name == kPrivateFormatName) namedEntry = true;
        if (entry.format < 0xC000) {
            EXPECT_TRUE(entry.name.IsEmpty()) << entry.format;
        }
    }
    EXPECT_TRUE(namedEntry);

    ASSERT_TRUE(EmptyTheClipboard());
    ASSERT_TRUE(FormatsOnClipboard().empty());
    ASSERT_EQ(1, snapshot.Restore());

    EXPECT_EQ(before, MemoryFormatsByName());
    int width = 0;
    int height = 0;
    std::vector<DWORD> pixels = PixelsOfPackedDib(ReadFormat(CF_DIB), &width, &height);
    EXPECT_EQ(kPictureWidth, width);
    EXPECT_EQ(kPictureHeight, height);
    EXPECT_EQ(std::vector<DWORD>(std::begin(kPixels), std::end(kPixels)), pixels);
    EXPECT_EQ(0, GetMyCopyLockCount());
}

TEST(ClipboardSnapshot, OfAnEmptyClipboardLeavesTheClipboardAlone) {
    ASSERT_TRUE(EmptyTheClipboard());
    CClipboardSnapshot snapshot;
    ASSERT_EQ(1, snapshot.Take());
    EXPECT_TRUE(snapshot.IsEmpty());
    ASSERT_TRUE(testkit::SetClipboardText(L"written later"));
    const DWORD sequence = GetClipboardSequenceNumber();
    EXPECT_EQ(0, snapshot.Restore());
    EXPECT_EQ(sequence, GetClipboardSequenceNumber());
    auto text = testkit::ReadClipboardText();
    ASSERT_TRUE(text);
    EXPECT_EQ(CString(L"written later"), text.value());
}

TEST(ClipboardSnapshot, ANewTakeReplacesTheOldEntries) {
    ASSERT_TRUE(FillRichClipboard());
    CClipboardSnapshot snapshot;
    ASSERT_EQ(1, snapshot.Take());
    const size_t rich = snapshot.Count();
    ASSERT_TRUE(EmptyTheClipboard());
    ASSERT_EQ(1, snapshot.Take());
    EXPECT_TRUE(snapshot.IsEmpty()) << "was " << rich;
}

std::wstring ClipboardTextOrError() {
    auto text = testkit::ReadClipboardText();
    return text.ok() ? std::wstring(text.value().GetString()) : std::wstring(L"<error> ") + text.message().GetString();
}

TEST(ClipboardSnapshotHolder, RestoresOnlyWhileArmed) {
    ASSERT_TRUE(testkit::SetClipboardText(L"first"));
    CClipboardSnapshotHolder holder;
    EXPECT_TRUE(holder.IsArmed());
    EXPECT_TRUE(holder.IsEmpty());
    const size_t count = holder.TakeAndArm();
    EXPECT_NE(0u, count);
    EXPECT_EQ(holder.Count(), count);

    ASSERT_TRUE(testkit::SetClipboardText(L"second"));
    holder.Disarm();
    EXPECT_FALSE(holder.IsArmed());
    EXPECT_EQ(0, holder.RestoreIfArmed());
    EXPECT_EQ(L"second", ClipboardTextOrError());

    EXPECT_EQ(1, holder.Take());  // any take arms again
    EXPECT_TRUE(holder.IsArmed());
    ASSERT_TRUE(testkit::SetClipboardText(L"third"));
    EXPECT_EQ(1, holder.RestoreIfArmed());
    EXPECT_EQ(L"second", ClipboardTextOrError());

    ASSERT_TRUE(testkit::SetClipboardText(L"fourth"));
    EXPECT_EQ(1, holder.RestoreIfArmed()) << "a restore does not disarm";
    EXPECT_EQ(L"second", ClipboardTextOrError());

    holder.Disarm();
    holder.TakeAndArm();
    EXPECT_TRUE(holder.IsArmed());
}

TEST(ClipboardSnapshotHolder, TakesAtConstructionOnRequest) {
    ASSERT_TRUE(testkit::SetClipboardText(L"at construction"));
    CClipboardSnapshotHolder holder(true);
    EXPECT_TRUE(holder.IsArmed());
    ASSERT_FALSE(holder.IsEmpty());
    ASSERT_TRUE(testkit::SetClipboardText(L"later"));
    EXPECT_EQ(1, holder.RestoreIfArmed());
    EXPECT_EQ(L"at construction", ClipboardTextOrError());

    CClipboardSnapshotHolder lazy;
    EXPECT_TRUE(lazy.IsEmpty());
}

// ---------------------------------------------------------------------------------------
// Our writes never become history items

struct WriteCase {
    const char* name;
    bool ours;
    bool (*write)();
    void (*prepare)();
};

bool WriteOtherwise() {
    return testkit::SetClipboardText(L"written by someone else").ok();
}
bool WriteText() {
    return SetClipboardUnicodeText(L"ours");
}
bool WriteFormats() {
    const Bytes text = TextBytes(L"ours too");
    CClipboardFormatList list;
    list.Set(CF_UNICODETEXT, text.data(), text.size());
    return SetClipboardFormats(list);
}
bool WriteRaw() {
    return SetClipboardDataRaw(GetCF_HTML(), "<b>x</b>", 9);
}
CClipboardSnapshot& RestoredSnapshot() {
    static CClipboardSnapshot snapshot;
    return snapshot;
}
void TakeSnapshot() {
    EXPECT_TRUE(testkit::SetClipboardText(L"snapshot"));
    EXPECT_EQ(1, RestoredSnapshot().Take());
}
bool WriteRestore() {
    return RestoredSnapshot().Restore() == 1;
}

void PrintTo(const WriteCase& item, std::ostream* out) {
    *out << item.name;
}

class MyCopyLock : public testing::TestWithParam<WriteCase> {};

TEST_P(MyCopyLock, IsHeldWhileTheClipboardChanges) {
    if (GetParam().prepare) GetParam().prepare();
    testkit::CClipboardViewer viewer;
    // A viewer is told of the current contents when it joins the chain.
    viewer.changes = viewer.changesUnderLock = 0;
    ASSERT_TRUE(GetParam().write());
    const int expectedUnderLock = GetParam().ours ? viewer.changes : 0;
    EXPECT_GT(viewer.changes, 0) << "the viewer was never told of the change";
    EXPECT_EQ(expectedUnderLock, viewer.changesUnderLock);
    EXPECT_EQ(0, GetMyCopyLockCount());
}

INSTANTIATE_TEST_SUITE_P(Writers, MyCopyLock,
                         testing::Values(WriteCase{"SomeoneElse", false, &WriteOtherwise, nullptr},
                                         WriteCase{"UnicodeText", true, &WriteText, nullptr},
                                         WriteCase{"Formats", true, &WriteFormats, nullptr},
                                         WriteCase{"Raw", true, &WriteRaw, nullptr},
                                         WriteCase{"Restore", true, &WriteRestore, &TakeSnapshot}),
                         [](const testing::TestParamInfo<WriteCase>& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// A clipboard held open elsewhere

TEST(ClipboardHeldOpen, EveryCallGivesUpInTimeAndWorksOnceItIsFree) {
    ASSERT_TRUE(testkit::SetClipboardText(L"before"));
    CClipboardSnapshot snapshot;
    ASSERT_EQ(1, snapshot.Take());
    const size_t taken = snapshot.Count();
    CCaseLog log;
    const size_t mark = log.Mark();

    CClipboardHolder holder;
    ASSERT_TRUE(holder.WaitOpened());
    CClipboardFormatList list;
    list.Set(GetCF_HTML(), "x", 1);
    const ULONGLONG start = GetTickCount64();
    EXPECT_FALSE(SetClipboardUnicodeText(L"blocked"));
    EXPECT_FALSE(SetClipboardFormats(list));
    EXPECT_EQ(nullptr, GetClipboardUnicodeTextCopy());
    EXPECT_EQ(0, snapshot.Take());
    EXPECT_EQ(0, snapshot.Restore());
    const ULONGLONG elapsed = MillisecondsOf(start);
    // Five calls, each waiting about kClipboardOpenTimeoutMs.
    EXPECT_GE(elapsed, 4 * kClipboardOpenTimeoutMs);
    EXPECT_LT(elapsed, 5 * kClipboardOpenTimeoutMs + 3000);
    EXPECT_EQ(taken, snapshot.Count()) << "a failed take keeps the old snapshot";
    EXPECT_EQ(0, GetMyCopyLockCount());
    EXPECT_NE(std::wstring::npos, log.Since(mark).find(L"cannot open the clipboard"));
    holder.Release();

    EXPECT_EQ(L"before", ClipboardTextOrError());
    EXPECT_TRUE(SetClipboardUnicodeText(L"after"));
    EXPECT_EQ(L"after", ClipboardTextOrError());
    EXPECT_EQ(1, snapshot.Restore());
    EXPECT_EQ(L"before", ClipboardTextOrError());
}

// ---------------------------------------------------------------------------------------
// RTF for other programs

struct RtfCase {
    const char* name;
    CString rtf;
    std::string expected;  // without the terminating zero
};

void PrintTo(const RtfCase& item, std::ostream* out) {
    *out << item.name;
}

class RtfForClipboardTest : public testing::TestWithParam<RtfCase> {};

TEST_P(RtfForClipboardTest, EscapesEverythingOutsideAscii) {
    std::string bytes = RtfForClipboard(GetParam().rtf);
    ASSERT_FALSE(bytes.empty());
    EXPECT_EQ('\0', bytes.back());
    EXPECT_EQ(GetParam().expected, bytes.substr(0, bytes.size() - 1));
    EXPECT_EQ(std::string::npos, bytes.substr(0, bytes.size() - 1).find('\0')) << "one terminator only";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, RtfForClipboardTest,
    testing::Values(RtfCase{"Empty", L"", ""},
                    RtfCase{"Ascii", L"{\\rtf1\\ansi {\\b bold} \\par\r\n}", "{\\rtf1\\ansi {\\b bold} \\par\r\n}"},
                    RtfCase{"Cyrillic", L"{\\rtf1 \x041F\x0440\x0438}", "{\\rtf1 \\u1055?\\u1088?\\u1080?}"},
                    RtfCase{"Latin1", L"caf\x00E9", "caf\\u233?"},
                    RtfCase{"AboveSigned16", L"\x8000\xFFFD", "\\u-32768?\\u-3?"},
                    RtfCase{"Utf8Streamed", L"{\\urtf1\\ansi \x0416}", "{\\rtf1\\ansi \\u1046?}"},
                    RtfCase{"SurrogatePair", L"a\xD83D\xDE00z", "a\\u-10179?\\u-8704?z"}),
    [](const testing::TestParamInfo<RtfCase>& info) { return std::string(info.param.name); });

}  // namespace
