#include "history/pane/PaneIcons.h"

#include <gtest/gtest.h>

#include <memory>

#include "core/ClipboardItemFiles.h"
#include "core/IconIds.h"
#include "history/HistoryItem.h"
#include "history/pane/tests/PaneTestPictures.h"

namespace {

using panetest::IconPixels;
using panetest::MakeIcon;
using panetest::MakeSolidIcon;

// Every pixel different, alpha included, so that a misplaced pixel shows.
std::vector<DWORD> NumberedPixels(int width, int height) {
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = 0x80000000u | static_cast<DWORD>(i * 7919 + 1);
    return pixels;
}

TEST(IconRotation, EveryPixelGoesToItsTurnedPlace) {
    const int width = 16, height = 32;
    const std::vector<DWORD> source = NumberedPixels(width, height);
    const std::vector<DWORD> turned = RotatePixels(source, width, height);
    ASSERT_EQ(source.size(), turned.size());
    // Turned picture: 32 wide, 16 high.
    auto at = [&](int x, int y) { return turned[static_cast<size_t>(y) * height + x]; };
    EXPECT_EQ(source[0], at(0, 15)) << "(0, 0) goes to (0, 15)";
    EXPECT_EQ(source[31 * width + 15], at(31, 0)) << "(15, 31) goes to (31, 0)";
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) ASSERT_EQ(source[y * width + x], at(y, width - 1 - x)) << x << "," << y;

    EXPECT_TRUE(RotatePixels(source, width, height + 1).empty()) << "a size that does not match the pixels";
}

TEST(IconRotation, TheTurnedIconIsTallerThanWideAndKeepsItsPixelsAndAlpha) {
    const int width = 16, height = 32;
    const std::vector<DWORD> source = NumberedPixels(width, height);
    CIconHandle icon = MakeIcon(width, height, source);
    ASSERT_TRUE(icon);
    CIconHandle turned(CreateRotatedIcon(icon.get()));
    ASSERT_TRUE(turned);
    EXPECT_EQ((static_cast<ULONGLONG>(16) << 32) | 32, GetIconSize(turned.get()));
    int turnedWidth = 0, turnedHeight = 0;
    const std::vector<DWORD> pixels = IconPixels(turned.get(), turnedWidth, turnedHeight);
    ASSERT_EQ(32, turnedWidth);
    ASSERT_EQ(16, turnedHeight);
    EXPECT_EQ(source[0], pixels[15 * 32 + 0]);
    EXPECT_EQ(source[31 * width + 15], pixels[0 * 32 + 31]);

    EXPECT_EQ(nullptr, CreateRotatedIcon(nullptr));
}

TEST(IconGrayscale, PixelsBecomeTheirMeanNeverPureWhiteWithAlphaKept) {
    const struct {
        DWORD pixel, expected;
    } kCases[] = {
        {0x80FFFFFF, 0x80FEFEFE},  // white: level 254, alpha kept
        {0x00FFFFFF, 0x00FEFEFE},  // transparent white is still turned
        {0x00000000, 0x00000000},  // transparent black stays
        {0xFF000000, 0xFF000000},  // opaque black
        {0x401E3C5A, 0x403C3C3C},  // (30 + 60 + 90) / 3 = 60
        {0xFF010000, 0xFF000000},  // 1 / 3 = 0
        {0x00010203, 0x00020202},  // a nearly black transparent pixel is turned
    };
    for (const auto& c : kCases) EXPECT_EQ(c.expected, GrayscalePixel(c.pixel)) << std::hex << c.pixel;
}

TEST(IconGrayscale, TheGreyIconHasTheSameSizeGreyPixelsAndTheAlphaOfTheSource) {
    const std::vector<DWORD> source = {0xFFFF0000, 0x80FFFFFF, 0x00000000, 0x2000FF00};
    CIconHandle icon = MakeIcon(2, 2, source);
    ASSERT_TRUE(icon);
    CIconHandle grey(CreateGrayscaleIcon(icon.get()));
    ASSERT_TRUE(grey);
    int width = 0, height = 0;
    const std::vector<DWORD> pixels = IconPixels(grey.get(), width, height);
    ASSERT_EQ(4u, pixels.size());
    for (size_t i = 0; i < source.size(); ++i) {
        EXPECT_EQ(source[i] & 0xFF000000u, pixels[i] & 0xFF000000u) << "alpha of " << i;
        EXPECT_EQ(GrayscalePixel(source[i]), pixels[i]) << i;
    }
    EXPECT_EQ(nullptr, CreateGrayscaleIcon(nullptr));
}

TEST(IconFacts, ValidityAndSizeOfColourMonochromeAndBrokenIcons) {
    CIconHandle color = MakeSolidIcon(16, RGB(1, 2, 3));
    CIconHandle wide = MakeIcon(16, 32, NumberedPixels(16, 32));
    std::vector<BYTE> andBits(32 * 32 / 8, 0xFF), xorBits(32 * 32 / 8, 0);
    CIconHandle mono(CreateIcon(GetModuleHandleW(nullptr), 32, 32, 1, 1, andBits.data(), xorBits.data()));
    HICON destroyed = CopyIcon(color.get());
    DestroyIcon(destroyed);
    const struct {
        const char* name;
        HICON icon;
        bool valid;
        ULONGLONG size;
    } kCases[] = {
        {"colour", color.get(), true, (16ull << 32) | 16},
        {"16 by 32", wide.get(), true, (32ull << 32) | 16},
        {"monochrome", mono.get(), true, (32ull << 32) | 32},
        {"null", nullptr, false, 0},
        {"destroyed", destroyed, false, 0},
    };
    for (const auto& c : kCases) {
        EXPECT_EQ(c.valid, IsValidIcon(c.icon)) << c.name;
        EXPECT_EQ(c.size, GetIconSize(c.icon)) << c.name;
    }
    CIconHandle turnedMono(CreateRotatedIcon(mono.get()));
    EXPECT_TRUE(IsValidIcon(turnedMono.get())) << "a monochrome icon turns too";
}

TEST(IconResources, LoadAtTheAskedSizeAndNullForAMissingResource) {
    const HMODULE self = GetModuleHandleW(nullptr);
    CIconHandle formatted(LoadIconSized(self, IDI_FORMATTED_TEXT, 24));
    CIconHandle web(LoadIcon16(self, IDI_WEB));
    CIconHandle missing(LoadIcon16(self, 9999));
    EXPECT_EQ((24ull << 32) | 24, GetIconSize(formatted.get()));
    EXPECT_EQ((16ull << 32) | 16, GetIconSize(web.get()));
    EXPECT_FALSE(missing);
}

TEST(PaneImageList, HasTheFixedEntriesAndOneEntryPerKeyUntilDestroyed) {
    CIconImageList images;
    EXPECT_EQ(-1, images.Add(nullptr, L"C:\\a.exe")) << "no image list yet";
    ASSERT_TRUE(images.CreateForPane(GetModuleHandleW(nullptr), RGB(255, 255, 255)));
    ASSERT_EQ(kPaneFirstProgramImage, images.ImageCount());
    int width = 0, height = 0;
    ASSERT_TRUE(ImageList_GetIconSize(images.Handle(), &width, &height));
    EXPECT_EQ(24, width);
    EXPECT_EQ(24, height);

    CIconHandle red = MakeSolidIcon(16, RGB(255, 0, 0)), blue = MakeSolidIcon(32, RGB(0, 0, 255));
    EXPECT_EQ(-1, images.Find(L"C:\\a.exe"));
    EXPECT_EQ(-1, images.Find(nullptr));
    EXPECT_EQ(6, images.Add(red.get(), L"C:\\a.exe"));
    EXPECT_EQ(6, images.Add(blue.get(), L"C:\\a.exe")) << "the same key again";
    EXPECT_EQ(7, images.ImageCount()) << "the list did not grow";
    EXPECT_EQ(7, images.Add(blue.get(), L"C:\\b.exe"));
    EXPECT_EQ(6, images.Find(L"C:\\a.exe"));
    EXPECT_EQ(-1, images.Add(red.get(), nullptr));
    EXPECT_EQ(-1, images.Add(nullptr, L"C:\\c.exe")) << "no icon to append";
    EXPECT_EQ(-1, images.Find(L"C:\\c.exe"));

    EXPECT_TRUE(images.Destroy());
    EXPECT_EQ(nullptr, images.Handle());
    EXPECT_EQ(-1, images.Find(L"C:\\a.exe")) << "the keys went with the list";
    EXPECT_FALSE(images.Destroy());

    ASSERT_TRUE(images.CreateForPane(GetModuleHandleW(nullptr), RGB(0, 0, 0)));
    EXPECT_EQ(6, images.Add(blue.get(), L"C:\\b.exe")) << "a new list starts over";
}

TEST(PaneImageList, FixedEntriesKeepTheirPlacesWhenTheirIconsAreMissing) {
    // The module has none of the program's icon resources.
    CIconImageList images;
    ASSERT_TRUE(images.CreateForPane(GetModuleHandleW(L"kernel32.dll"), RGB(255, 255, 255)));
    EXPECT_EQ(kPaneFirstProgramImage, images.ImageCount());
    CIconHandle red = MakeSolidIcon(16, RGB(255, 0, 0));
    EXPECT_EQ(kPaneFirstProgramImage, images.Add(red.get(), L"x"));
}

// The shell's file-type icons can come later: their entries wait blank in their places and
// take the icons when they arrive, each one only its own.
TEST(PaneImageList, TypeIconsArriveLaterInTheirOwnEntries) {
    CIconImageList images;
    EXPECT_FALSE(images.SetTypeIcons(CPaneTypeIcons())) << "no image list yet";
    ASSERT_TRUE(images.CreateForPane(GetModuleHandleW(nullptr), RGB(255, 255, 255), false));
    ASSERT_EQ(kPaneFirstProgramImage, images.ImageCount());
    auto centre = [&](int index) {
        panetest::CCanvas canvas(24, 24, RGB(255, 255, 255));
        ImageList_Draw(images.Handle(), index, canvas.dc(), 0, 0, ILD_NORMAL);
        return canvas.At(12, 12);
    };
    const COLORREF white = RGB(255, 255, 255);
    for (int index : {kPaneImageText, kPaneImageDorvane, kPaneImageBitmap}) EXPECT_EQ(white, centre(index));

    CPaneTypeIcons icons;
    icons.text = MakeSolidIcon(24, RGB(255, 0, 0));
    icons.bitmap = MakeSolidIcon(24, RGB(0, 0, 255));  // none for Dorvane data
    ASSERT_TRUE(images.SetTypeIcons(icons));
    EXPECT_EQ(RGB(255, 0, 0), centre(kPaneImageText));
    EXPECT_EQ(white, centre(kPaneImageDorvane));
    EXPECT_EQ(RGB(0, 0, 255), centre(kPaneImageBitmap));
    EXPECT_NE(RGB(255, 0, 0), centre(kPaneImageRtf)) << "the entry before is untouched";
    EXPECT_EQ(kPaneFirstProgramImage, images.ImageCount()) << "replaced, not appended";
}

std::unique_ptr<CCHItem> MakeItem(int kind, const wchar_t* program, CIconHandle icon) {
    auto item = std::make_unique<CCHItem>(kind, SYSTEMTIME{});
    CCHSourceFacts facts;
    facts.programName = program;
    facts.icon = std::move(icon);
    item->SetSource(std::move(facts));
    return item;
}

TEST(PaneImageList, AnItemShowsItsProgramsIconOnceElseTheEntryOfItsKind) {
    CIconImageList images;
    ASSERT_TRUE(images.CreateForPane(GetModuleHandleW(nullptr), RGB(255, 255, 255)));
    const struct {
        int kind, image;
    } kKinds[] = {
        {CClipboardItemData::kText, kPaneImageText},     {CClipboardItemData::kUnicodeText, kPaneImageText},
        {CClipboardItemData::kRtf, kPaneImageRtf},       {CClipboardItemData::kDorvane, kPaneImageDorvane},
        {CClipboardItemData::kBitmap, kPaneImageBitmap}, {CClipboardItemData::kHtml, kPaneImageHtml},
    };
    for (const auto& c : kKinds)
        EXPECT_EQ(c.image, GetItemImageIndex(images, *MakeItem(c.kind, L"", CIconHandle()))) << c.kind;

    auto first = MakeItem(CClipboardItemData::kText, L"writer.exe", MakeSolidIcon(16, RGB(0, 255, 0)));
    auto second = MakeItem(CClipboardItemData::kHtml, L"writer.exe", MakeSolidIcon(16, RGB(0, 0, 255)));
    EXPECT_EQ(6, GetItemImageIndex(images, *first));
    EXPECT_EQ(6, GetItemImageIndex(images, *second)) << "one entry per program";
    EXPECT_EQ(7, images.ImageCount());
    EXPECT_TRUE(first->HasIcon()) << "the item keeps its own icon";

    auto iconless = MakeItem(CClipboardItemData::kRtf, L"Z:\\no\\such\\program.exe", CIconHandle());
    EXPECT_EQ(kPaneImageRtf, GetItemImageIndex(images, *iconless)) << "no icon to be had";
    EXPECT_TRUE(images.IsMissing(L"Z:\\no\\such\\program.exe")) << "the shell is not asked again";
    auto later = MakeItem(CClipboardItemData::kText, L"Z:\\no\\such\\program.exe", MakeSolidIcon(16, RGB(9, 9, 9)));
    EXPECT_EQ(7, GetItemImageIndex(images, *later)) << "an item that brings its icon still shows it";
}

}  // namespace
