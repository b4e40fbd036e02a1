// Clipboard-history items written as files and opened from there.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// What the file writers need of a clipboard-history item.
struct CClipboardItemData {
    enum Kind { kText = 0, kUnicodeText = 1, kRtf = 2, kDorvane = 3, kBitmap = 4, kHtml = 5 };
    int kind = kText;
    const void* data = nullptr;  // the bitmap handle for kBitmap; texts end with their terminator
    DWORD size = 0;              // bytes of data
    bool isProtected = false;    // the file is made read-only
};

// Options of WriteClipboardItemToFile.
const UINT kItemFileTemporary = 1;     // FILE_ATTRIBUTE_TEMPORARY and NOT_CONTENT_INDEXED
const UINT kItemFileOpenSecurity = 2;  // the open security descriptor of the named objects
const UINT kItemFileRtfAsUtf16 = 4;    // formatted text converted and written as UTF-16 text
const UINT kItemFileDeleteAtExit = 8;  // registered for deletion at exit

namespace CAppObjects {

// Writes the item into a new file: 8-bit texts without their terminator, UTF-16 text
// after a byte-order mark, bitmaps as ".bmp" files, other kinds as their raw data.
// False when the file cannot be made or not everything was written.
bool WriteClipboardItemToFile(const CClipboardItemData& item, const wchar_t* path, UINT options);
// Writes the item into a new temporary file (".txt", ".rtf", ".bmp"; other kinds into
// `path` as given), deleted at exit, and opens it: with the program of its type when
// openDirectly, else with the "Open with" dialog. HTML items are not opened (true).
// `path` gets the file written.
bool OpenClipboardItem(HWND owner, const CClipboardItemData& item, CString& path, bool openDirectly);

}  // namespace CAppObjects
