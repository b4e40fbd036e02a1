#include "history/pane/PaneIcons.h"

#include <algorithm>

#include "core/DefaultPrograms.h"
#include "core/IconIds.h"
#include "core/base/FileIcons.h"
#include "core/base/ProcessInfo.h"
#include "history/HistoryItem.h"

namespace {

// The bitmaps GetIconInfo hands out, deleted with the holder.
struct CIconBitmaps {
    ICONINFO info = {};
    bool valid = false;
    explicit CIconBitmaps(HICON icon) { valid = icon && GetIconInfo(icon, &info); }
    ~CIconBitmaps() {
        if (info.hbmColor) DeleteObject(info.hbmColor);
        if (info.hbmMask) DeleteObject(info.hbmMask);
    }
    CIconBitmaps(const CIconBitmaps&) = delete;
    CIconBitmaps& operator=(const CIconBitmaps&) = delete;
};

BITMAPINFOHEADER TopDown32(int width, int height) {
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = -height;
    header.biPlanes = 1;
    header.biBitCount = 32;
    header.biCompression = BI_RGB;
    return header;
}

bool BitmapSize(HBITMAP bitmap, int& width, int& height) {
    BITMAP info = {};
    if (!bitmap || !GetObjectW(bitmap, sizeof info, &info) || info.bmWidth <= 0 || info.bmHeight <= 0) return false;
    width = info.bmWidth;
    height = info.bmHeight;
    return true;
}

// Every pixel of the bitmap as 32-bit values, rows top-down; 1-bit masks come out black
// and white. Empty on failure.
std::vector<DWORD> ReadPixels(HDC dc, HBITMAP bitmap, int width, int height) {
    std::vector<DWORD> pixels(static_cast<size_t>(width) * height);
    BITMAPINFOHEADER header = TopDown32(width, height);
    if (GetDIBits(dc, bitmap, 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS) !=
        height)
        pixels.clear();
    return pixels;
}

// A 32-bit DIB section, which keeps alpha where a screen-compatible bitmap might not.
CBitmapHandle MakeColorBitmap(HDC dc, const std::vector<DWORD>& pixels, int width, int height) {
    BITMAPINFOHEADER header = TopDown32(width, height);
    void* bits = nullptr;
    CBitmapHandle bitmap(
        CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&header), DIB_RGB_COLORS, &bits, nullptr, 0));
    if (bitmap && bits) std::copy(pixels.begin(), pixels.end(), static_cast<DWORD*>(bits));
    return bitmap;
}

CBitmapHandle MakeMaskBitmap(HDC dc, const std::vector<DWORD>& pixels, int width, int height) {
    CBitmapHandle bitmap(CreateBitmap(width, height, 1, 1, nullptr));
    BITMAPINFOHEADER header = TopDown32(width, height);
    if (bitmap && SetDIBits(dc, bitmap.get(), 0, height, pixels.data(), reinterpret_cast<BITMAPINFO*>(&header),
                            DIB_RGB_COLORS) != height)
        bitmap.reset();
    return bitmap;
}

HICON IconFrom(HBITMAP color, HBITMAP mask) {
    ICONINFO info = {};
    info.fIcon = TRUE;
    info.hbmColor = color;
    info.hbmMask = mask;
    return CreateIconIndirect(&info);
}

// A fully transparent icon that holds the place of a fixed entry whose icon is missing.
CIconHandle MakeBlankIcon(HDC dc, int size) {
    const std::vector<DWORD> clear(static_cast<size_t>(size) * size, 0);
    const std::vector<DWORD> white(clear.size(), 0x00FFFFFF);
    CBitmapHandle color = MakeColorBitmap(dc, clear, size, size);
    CBitmapHandle mask = MakeMaskBitmap(dc, white, size, size);
    if (!color || !mask) return CIconHandle();
    return CIconHandle(IconFrom(color.get(), mask.get()));
}

}  // namespace

HICON LoadIconSized(HMODULE module, UINT resourceId, int size) {
    return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, size, size, 0));
}

HICON LoadIcon16(HMODULE module, UINT resourceId) {
    return LoadIconSized(module, resourceId, 16);
}

std::vector<DWORD> RotatePixels(const std::vector<DWORD>& pixels, int width, int height) {
    std::vector<DWORD> turned(pixels.size());
    if (width <= 0 || height <= 0 || pixels.size() != static_cast<size_t>(width) * height) return {};
    // The turned picture is height pixels wide.
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            turned[static_cast<size_t>(width - 1 - x) * height + y] = pixels[static_cast<size_t>(y) * width + x];
    return turned;
}

HICON CreateRotatedIcon(HICON icon) {
    CIconBitmaps source(icon);
    if (!source.valid) return nullptr;
    CClientDC screen(nullptr);
    if (!screen.get()) return nullptr;
    int maskWidth = 0, maskHeight = 0;
    if (!BitmapSize(source.info.hbmMask, maskWidth, maskHeight)) return nullptr;
    std::vector<DWORD> mask = ReadPixels(screen.get(), source.info.hbmMask, maskWidth, maskHeight);
    if (mask.empty()) return nullptr;

    if (!source.info.hbmColor) {
        // A monochrome icon keeps its two images (AND above XOR) in one mask: each is
        // turned on its own and the two stacked again.
        const int half = maskHeight / 2;
        const size_t halfPixels = static_cast<size_t>(maskWidth) * half;
        if (half <= 0) return nullptr;
        std::vector<DWORD> top = RotatePixels({mask.begin(), mask.begin() + halfPixels}, maskWidth, half);
        std::vector<DWORD> bottom =
            RotatePixels({mask.begin() + halfPixels, mask.begin() + 2 * halfPixels}, maskWidth, half);
        top.insert(top.end(), bottom.begin(), bottom.end());
        CBitmapHandle turned = MakeMaskBitmap(screen.get(), top, half, 2 * maskWidth);
        return turned ? IconFrom(nullptr, turned.get()) : nullptr;
    }

    int width = 0, height = 0;
    if (!BitmapSize(source.info.hbmColor, width, height)) return nullptr;
    std::vector<DWORD> color = ReadPixels(screen.get(), source.info.hbmColor, width, height);
    if (color.empty()) return nullptr;
    CBitmapHandle turnedColor = MakeColorBitmap(screen.get(), RotatePixels(color, width, height), height, width);
    CBitmapHandle turnedMask =
        MakeMaskBitmap(screen.get(), RotatePixels(mask, maskWidth, maskHeight), maskHeight, maskWidth);
    if (!turnedColor || !turnedMask) return nullptr;
    return IconFrom(turnedColor.get(), turnedMask.get());
}

DWORD GrayscalePixel(DWORD pixel) {
    const DWORD alpha = pixel & 0xFF000000u;
    const int grey = (static_cast<int>((pixel >> 16) & 0xFF) + static_cast<int>((pixel >> 8) & 0xFF) +
                      static_cast<int>(pixel & 0xFF)) /
                     3;
    const int index = 255 - grey;
    if (alpha == 0 && index == 255) return pixel;
    const DWORD level = 255 - static_cast<DWORD>(std::max(index, 1));
    return alpha | (level << 16) | (level << 8) | level;
}

HICON CreateGrayscaleIcon(HICON icon) {
    CIconBitmaps source(icon);
    if (!source.valid) return nullptr;
    // A monochrome icon has no colours to take away.
    if (!source.info.hbmColor) return CopyIcon(icon);
    CClientDC screen(nullptr);
    int width = 0, height = 0;
    if (!screen.get() || !BitmapSize(source.info.hbmColor, width, height)) return nullptr;
    std::vector<DWORD> pixels = ReadPixels(screen.get(), source.info.hbmColor, width, height);
    if (pixels.empty()) return nullptr;
    std::transform(pixels.begin(), pixels.end(), pixels.begin(), GrayscalePixel);
    CBitmapHandle grey = MakeColorBitmap(screen.get(), pixels, width, height);
    if (!grey) return nullptr;
    return IconFrom(grey.get(), source.info.hbmMask);
}

CIconHandle GetTextFileIcon() {
    const CString notepad = CAppObjects::GetNotepadPath();
    if (HICON icon = notepad.IsEmpty() ? nullptr : GetFileIcon(notepad, 0)) return CIconHandle(icon);
    return CIconHandle(GetIconByExtension(L".txt", false));
}

bool IsValidIcon(HICON icon) {
    return CIconBitmaps(icon).valid;
}

ULONGLONG GetIconSize(HICON icon) {
    CIconBitmaps bitmaps(icon);
    if (!bitmaps.valid) return 0;
    int width = 0, height = 0;
    if (bitmaps.info.hbmColor) {
        if (!BitmapSize(bitmaps.info.hbmColor, width, height)) return 0;
    } else {
        if (!BitmapSize(bitmaps.info.hbmMask, width, height)) return 0;
        height /= 2;
    }
    return (static_cast<ULONGLONG>(height) << 32) | static_cast<DWORD>(width);
}

int PaneImageOfKind(int kind) {
    switch (kind) {
        case CClipboardItemData::kRtf:
            return kPaneImageRtf;
        case CClipboardItemData::kDorvane:
            return kPaneImageDorvane;
        case CClipboardItemData::kBitmap:
            return kPaneImageBitmap;
        case CClipboardItemData::kHtml:
            return kPaneImageHtml;
        default:
            return kPaneImageText;
    }
}

CIconImageList::~CIconImageList() {
    Destroy();
}

CPaneTypeIcons LoadPaneTypeIcons() {
    CPaneTypeIcons icons;
    icons.text.reset(GetIconByExtension(L".txt", false));
    icons.dorvane.reset(GetIconByExtension(L".dvn", true));
    icons.bitmap.reset(GetIconByExtension(L".bmp", true));
    return icons;
}

bool CIconImageList::CreateForPane(HMODULE module, COLORREF background, bool typeIcons) {
    Destroy();
    const int size = 24;
    m_imageList = ImageList_Create(size, size, ILC_COLOR32 | ILC_MASK, 10, 1);
    if (!m_imageList) return false;
    ImageList_SetBkColor(m_imageList, background);
    const HICON fixed[] = {
        LoadIconSized(module, IDI_FORMATTED_TEXT, size),
        nullptr,
        nullptr,
        nullptr,
        LoadIconSized(module, IDI_WEB, 16),
        LoadIconSized(module, IDI_COPY, GetSystemMetrics(SM_CXICON)),
    };
    CClientDC screen(nullptr);
    CIconHandle blank = MakeBlankIcon(screen.get(), size);
    for (HICON icon : fixed) {
        CIconHandle owned(icon);
        if (ImageList_ReplaceIcon(m_imageList, -1, icon) < 0) ImageList_ReplaceIcon(m_imageList, -1, blank.get());
    }
    if (typeIcons) SetTypeIcons(LoadPaneTypeIcons());
    return true;
}

bool CIconImageList::SetTypeIcons(const CPaneTypeIcons& icons) {
    if (!m_imageList) return false;
    const struct {
        int index;
        HICON icon;
    } entries[] = {{kPaneImageText, icons.text.get()},
                   {kPaneImageDorvane, icons.dorvane.get()},
                   {kPaneImageBitmap, icons.bitmap.get()}};
    for (const auto& entry : entries)
        if (entry.icon) ImageList_ReplaceIcon(m_imageList, entry.index, entry.icon);
    return true;
}

int CIconImageList::ImageCount() const {
    return m_imageList ? ImageList_GetImageCount(m_imageList) : 0;
}

int CIconImageList::Find(const wchar_t* key) const {
    if (!key) return -1;
    auto found = m_indexes.find(CString(key));
    return found == m_indexes.end() ? -1 : found->second;
}

int CIconImageList::Add(HICON icon, const wchar_t* key) {
    if (!key) return -1;
    const int known = Find(key);
    if (known >= 0) return known;
    if (!m_imageList || !icon) return -1;
    const int index = ImageList_ReplaceIcon(m_imageList, -1, icon);
    if (index < 0) return -1;
    m_indexes[CString(key)] = index;
    return index;
}

void CIconImageList::RememberMissing(const wchar_t* key) {
    if (key) m_missing.insert(CString(key));
}

bool CIconImageList::IsMissing(const wchar_t* key) const {
    return key && m_missing.count(CString(key)) != 0;
}

bool CIconImageList::Destroy() {
    m_indexes.clear();
    m_missing.clear();
    if (!m_imageList) return false;
    const bool destroyed = ImageList_Destroy(m_imageList) != FALSE;
    m_imageList = nullptr;
    return destroyed;
}

int GetItemImageIndex(CIconImageList& images, const CCHItem& item) {
    const CString& key = item.ProgramName();
    if (!key.IsEmpty()) {
        const int known = images.Find(key);
        if (known >= 0) return known;
        CIconHandle icon(item.GetIconCopy());
        // The shell is asked once per program; an item with its own icon still brings it.
        if (!icon && !images.IsMissing(key)) {
            icon = GetExeFileIcon(key);
            if (!icon) images.RememberMissing(key);
        }
        const int added = icon ? images.Add(icon.get(), key) : -1;
        if (added >= 0) return added;
    }
    return PaneImageOfKind(item.Kind());
}
