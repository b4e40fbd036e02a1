// The fakes keep the rules of what they stand in for: each contract runs on the system's
// implementation and on the fake alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>

#include "core/base/Clipboard.h"
#include "core/base/Handles.h"
#include "testkit/fakes/FakeClipboard.h"

namespace {

struct ClipboardKind {
    const char* name;
    std::function<std::unique_ptr<IClipboard>()> make;
};

void PrintTo(const ClipboardKind& kind, std::ostream* out) {
    *out << kind.name;
}

class ClipboardContract : public ::testing::TestWithParam<ClipboardKind> {
protected:
    // EmptyClipboard makes the opener the owner; without a window SetClipboardData fails.
    CWindowHandle m_owner{CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr)};
    std::unique_ptr<IClipboard> m_clipboard = GetParam().make();
};

TEST_P(ClipboardContract, NothingIsReadOrWrittenWhileShut) {
    IClipboard& clipboard = *m_clipboard;
    std::vector<BYTE> bytes;
    EXPECT_FALSE(clipboard.Read(CF_UNICODETEXT, bytes));
    EXPECT_TRUE(clipboard.Formats().empty());
    EXPECT_FALSE(clipboard.Empty());
}

TEST_P(ClipboardContract, WhatIsWrittenReadsBackAndMovesTheSequenceNumber) {
    IClipboard& clipboard = *m_clipboard;
    const UINT privateFormat = RegisterClipboardFormatW(L"VexloraTestBytes");
    ASSERT_NE(0u, privateFormat);
    const BYTE raw[] = {0, 1, 2, 0xFF, 0x80};
    const CString text(L"Zwölf \U0001F600 Äpfel");

    // Held open throughout, so no other program's change comes between.
    ASSERT_TRUE(clipboard.Open(m_owner.get(), 5000));
    const DWORD before = clipboard.SequenceNumber();
    ASSERT_TRUE(clipboard.Empty());
    ASSERT_TRUE(WriteClipboardUnicodeText(clipboard, text));
    ASSERT_TRUE(clipboard.Write(privateFormat, raw, sizeof raw));
    EXPECT_NE(before, clipboard.SequenceNumber());

    CString readText;
    ASSERT_TRUE(ReadClipboardUnicodeText(clipboard, readText));
    EXPECT_STREQ(text.GetString(), readText.GetString());
    std::vector<BYTE> bytes;
    ASSERT_TRUE(clipboard.Read(privateFormat, bytes));
    ASSERT_GE(bytes.size(), sizeof raw);
    EXPECT_TRUE(std::equal(raw, raw + sizeof raw, bytes.begin()));
    std::vector<UINT> formats = clipboard.Formats();
    EXPECT_NE(formats.end(), std::find(formats.begin(), formats.end(), UINT(CF_UNICODETEXT)));
    EXPECT_NE(formats.end(), std::find(formats.begin(), formats.end(), privateFormat));
    clipboard.Close();
}

INSTANTIATE_TEST_SUITE_P(
    SystemAndFake, ClipboardContract,
    ::testing::Values(ClipboardKind{"system", [] { return std::unique_ptr<IClipboard>(new CSystemClipboard); }},
                      ClipboardKind{"fake", [] { return std::unique_ptr<IClipboard>(new CFakeClipboard); }}),
    [](const ::testing::TestParamInfo<ClipboardKind>& info) { return info.param.name; });

TEST(FakeClipboard, AnotherHolderKeepsItShutAndAnotherWriterMovesTheSequence) {
    CFakeClipboard clipboard;
    clipboard.heldByOther = true;
    EXPECT_FALSE(clipboard.Open(nullptr, 100));
    clipboard.heldByOther = false;
    const DWORD before = clipboard.SequenceNumber();
    clipboard.SetByOther(CF_UNICODETEXT, {'a', 0, 0, 0});
    EXPECT_NE(before, clipboard.SequenceNumber());
    ASSERT_TRUE(clipboard.Open(nullptr, 100));
    CString text;
    ASSERT_TRUE(ReadClipboardUnicodeText(clipboard, text));
    EXPECT_STREQ(L"a", text.GetString());
}

}  // namespace
