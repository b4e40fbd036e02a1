// Icon functions the main program's windows share (an icon resource at a size, turned and
// grey copies, validity and size) and the float pane's image list: fixed entries for the
// kinds of history items, then one program icon per program, found again by its key.
#pragma once

#include <windows.h>
#include <commctrl.h>

#include <map>
#include <set>
#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"

class CCHItem;

// LoadImageW of the icon resource at size x size; null on failure.
HICON LoadIconSized(HMODULE module, UINT resourceId, int size);
HICON LoadIcon16(HMODULE module, UINT resourceId);
// The icon turned by 90 degrees: pixel (x, y) goes to (y, width - 1 - x). The caller frees
// the result; null when a bitmap cannot be had.
HICON CreateRotatedIcon(HICON icon);
// A grey copy, alpha kept (see GrayscalePixel). The caller frees the result; null for a
// null icon or on failure.
HICON CreateGrayscaleIcon(HICON icon);
// The icon of text items: the system text editor's, else the shell's small icon of ".txt"
// files; null when neither is had.
CIconHandle GetTextFileIcon();
bool IsValidIcon(HICON icon);
// Width in the low half, height in the high half: of the colour bitmap, else of the mask
// (a mask of a monochrome icon holds two images, so half its height). 0 for an invalid icon.
ULONGLONG GetIconSize(HICON icon);

// Pixel work of the above, rows top-down, one 0xAARRGGBB value per pixel.
std::vector<DWORD> RotatePixels(const std::vector<DWORD>& pixels, int width, int height);
// The mean of red, green and blue (integer division) in each channel, never pure white
// (white becomes 254); a fully transparent black pixel stays as it is; alpha is kept.
DWORD GrayscalePixel(DWORD pixel);

// Fixed entries of the pane's image list.
enum EPaneImage {
    kPaneImageRtf = 0,
    kPaneImageText = 1,
    kPaneImageDorvane = 2,
    kPaneImageBitmap = 3,
    kPaneImageHtml = 4,
    kPaneImageHover = 5,
    kPaneFirstProgramImage = 6,
};

// The fixed entry that stands for an item kind (0-5 as in CClipboardItemData).
int PaneImageOfKind(int kind);

// The pane's icons of file types, which only the shell gives.
struct CPaneTypeIcons {
    CIconHandle text;
    CIconHandle dorvane;
    CIconHandle bitmap;
};
// Asks the shell; any thread may call it.
CPaneTypeIcons LoadPaneTypeIcons();

class CIconImageList {
public:
    CIconImageList() = default;
    ~CIconImageList();
    CIconImageList(const CIconImageList&) = delete;
    CIconImageList& operator=(const CIconImageList&) = delete;

    // The pane's list: 24 x 24, 32-bit with mask, on the list's text background, with the
    // fixed entries. An icon that cannot be had leaves a blank entry, so that every fixed
    // entry keeps its index. False when the image list cannot be made.
    // Without typeIcons the entries of the file-type icons stay blank until
    // SetTypeIcons: the shell can take long to give them the first time.
    bool CreateForPane(HMODULE module, COLORREF background, bool typeIcons = true);
    // The file-type entries (text, Dorvane data, bitmap) from the icons; a null icon
    // leaves its entry as it is. False without an image list.
    bool SetTypeIcons(const struct CPaneTypeIcons& icons);
    HIMAGELIST Handle() const { return m_imageList; }
    int ImageCount() const;

    // The index stored for the key; -1 for a null or unknown key.
    int Find(const wchar_t* key) const;
    // The index of the key when it is known; else the icon is appended (the image list keeps
    // its own copy) and its index kept under the key. -1 for a null key or a failed append.
    int Add(HICON icon, const wchar_t* key);
    // A key whose program gave no icon: asked again on every paint, the shell would
    // search for it each time.
    void RememberMissing(const wchar_t* key);
    bool IsMissing(const wchar_t* key) const;
    // Destroys the image list and forgets every key; returns whether ImageList_Destroy succeeded.
    bool Destroy();

private:
    HIMAGELIST m_imageList = nullptr;
    std::map<CString, int> m_indexes;
    std::set<CString> m_missing;
};

// The image of a history item: the icon of the program it came from, added once per
// program (the item's copy of the source window's icon, else the program file's icon),
// else the fixed entry of its kind.
int GetItemImageIndex(CIconImageList& images, const CCHItem& item);
