// The capture order over what a copy offers, the companions kept with the main item,
// the per-kind switches and the marks of copies that must not be recorded.
#include <windows.h>

#include <gtest/gtest.h>

#include <vector>

#include "core/ClipboardAccess.h"
#include "core/ClipboardItemFiles.h"
#include "history/CaptureRules.h"
#include "testkit/fakes/FakeClipboard.h"

namespace {

using Kind = CClipboardItemData::Kind;

std::vector<UINT> Formats(std::initializer_list<const wchar_t*> names) {
    std::vector<UINT> formats;
    for (const wchar_t* name : names) {
        if (wcscmp(name, L"text") == 0)
            formats.push_back(CF_TEXT);
        else if (wcscmp(name, L"unicode") == 0)
            formats.push_back(CF_UNICODETEXT);
        else if (wcscmp(name, L"bitmap") == 0)
            formats.push_back(CF_BITMAP);
        else
            formats.push_back(RegisterClipboardFormatW(name));
    }
    return formats;
}

TEST(CaptureRules, TheFirstOfferedFormatInTheFixedOrderIsTriedFirst) {
    using S = CaptureSource;
    struct Case {
        std::vector<UINT> formats;
        std::vector<S> expected;
    };
    const Case cases[] = {
        {Formats({L"unicode", L"text", L"Rich Text Format", L"HTML Format"}),
         {S::kHtml, S::kRtf, S::kUnicodeText, S::kAnsiText}},
        {Formats({L"text", L"Dorvane Format", L"unicode"}), {S::kDorvane, S::kUnicodeText, S::kAnsiText}},
        {Formats({L"unicode", L"bitmap", L"Rich Text Format"}), {S::kBitmap}},
        {Formats({L"HTML Format", L"bitmap"}), {S::kHtml, S::kBitmap}},
        {Formats({L"text"}), {S::kAnsiText}},
        {Formats({L"Vexlora test: private"}), {}},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, MainCaptureCandidates(ReadCaptureOffer(c.formats)));
    EXPECT_EQ(Kind::kUnicodeText, KindOfSource(S::kAnsiText)) << "8-bit text is kept as Unicode text";
    EXPECT_EQ(static_cast<UINT>(CF_TEXT), FormatOfSource(S::kAnsiText));
    EXPECT_EQ(GetCF_RTF(), FormatOfSource(S::kRtf));
}

TEST(CaptureRules, CompanionsFollowTheMainKindAndTheSwitches) {
    const CCaptureOffer everything = ReadCaptureOffer(
        Formats({L"HTML Format", L"Rich Text Format", L"bitmap", L"text", L"unicode", L"Dorvane Format"}));
    CCaptureSwitches defaults;  // bitmaps off
    CCaptureSwitches all;
    all.on[2] = true;
    CCaptureSwitches noText = all;
    noText.on[0] = false;
    noText.on[4] = false;
    struct Case {
        int mainKind;
        CCaptureSwitches switches;
        std::vector<int> expected;
    };
    const Case cases[] = {
        {Kind::kHtml, defaults, {Kind::kRtf, Kind::kText}},
        {Kind::kHtml, all, {Kind::kRtf, Kind::kBitmap, Kind::kText}},
        {Kind::kRtf, all, {Kind::kBitmap, Kind::kHtml, Kind::kText}},
        {Kind::kBitmap, all, {Kind::kRtf, Kind::kHtml, Kind::kText}},
        {Kind::kBitmap, noText, {Kind::kRtf}},
        {Kind::kText, all, {Kind::kRtf, Kind::kBitmap, Kind::kHtml}},
        {Kind::kUnicodeText, defaults, {Kind::kRtf, Kind::kHtml, Kind::kText}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mainKind);
        EXPECT_EQ(c.expected, CompanionKinds(c.mainKind, everything, c.switches));
    }
    EXPECT_TRUE(CompanionKinds(Kind::kUnicodeText, ReadCaptureOffer(Formats({L"unicode"})), all).empty());
}

TEST(CaptureRules, EachKindHasItsSwitch) {
    const struct {
        int kind;
        int switchIndex;
    } cases[] = {{Kind::kText, 0},   {Kind::kUnicodeText, 0}, {Kind::kRtf, 1},
                 {Kind::kBitmap, 2}, {Kind::kDorvane, 3},     {Kind::kHtml, 4}};
    for (const auto& c : cases) {
        CCaptureSwitches switches;
        for (bool& on : switches.on) on = true;
        EXPECT_TRUE(IsKindCaptured(c.kind, switches));
        switches.on[c.switchIndex] = false;
        EXPECT_FALSE(IsKindCaptured(c.kind, switches)) << c.kind;
    }
    CCaptureSwitches none;
    for (bool& on : none.on) on = false;
    EXPECT_TRUE(IsKindCaptured(17, none)) << "a kind without a switch";
    EXPECT_FALSE(IsKindCaptured(Kind::kBitmap, CCaptureSwitches())) << "bitmaps are off by default";
}

TEST(CaptureRules, CopiesMarkedByTheirOwnerArePrivate) {
    struct Case {
        const wchar_t* marker;
        std::vector<BYTE> value;
        bool isPrivate;
    };
    const Case cases[] = {
        {nullptr, {}, false},
        {L"ExcludeClipboardContentFromMonitorProcessing", {}, true},
        {L"Clipboard Viewer Ignore", {1}, true},
        {L"CanIncludeInClipboardHistory", {0, 0, 0, 0}, true},
        {L"CanIncludeInClipboardHistory", {1, 0, 0, 0}, false},
        {L"CanIncludeInClipboardHistory", {0}, false},  // too short to hold a DWORD: not a mark
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.marker ? c.marker : L"(none)");
        CFakeClipboard clipboard;
        ASSERT_TRUE(clipboard.Open(nullptr, 0));
        ASSERT_TRUE(clipboard.Empty());
        const wchar_t text[] = L"secret";
        ASSERT_TRUE(clipboard.Write(CF_UNICODETEXT, text, sizeof text));
        if (c.marker) {
            ASSERT_TRUE(clipboard.Write(RegisterClipboardFormatW(c.marker), c.value.data(), c.value.size()));
        }
        EXPECT_EQ(c.isPrivate, IsCopyMarkedPrivate(clipboard, clipboard.Formats()));
        clipboard.Close();
    }
}

}  // namespace
