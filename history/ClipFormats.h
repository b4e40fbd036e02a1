// The clipboard formats the history understands beyond their bytes: the meta information
// Dorvane puts beside what it copies (an XML text describing the document), the source
// address in "HTML Format", addresses and paths inside copied text, and bitmaps
// (compared by their pixels, put back on the clipboard).
//
// Readers of the clipboard take an IClipboard& and expect what the system expects of the
// caller (the clipboard open unless they are asked to open it). Every reader gives an
// empty text or false on anything it cannot read; nothing is logged here.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/base/CString.h"
#include "core/base/Clipboard.h"
#include "core/base/Handles.h"

// ---------------------------------------------------------------------------------------
// Dorvane's meta information

class CDvnClipInfo {
public:
    CDvnClipInfo();

    const CString& GetPathTitle() const { return m_pathTitle; }
    // The part after the last backslash of the path (all of it without one).
    CString GetFileName() const;
    int GetNodeCount() const { return static_cast<int>(m_nodes.size()); }
    // Empty for an index out of range.
    CString GetNode(int index) const;
    LONG GetSize() const { return m_Size; }
    LONG GetDocId() const { return m_DOC_ID; }
    LONG GetPid() const { return m_PID; }
    const SYSTEMTIME& GetTime() const { return m_time; }

private:
    friend bool ParseDvnClipInfo(CDvnClipInfo& record, const char* text);

    LONG m_PID = 0;
    LONG m_DOC_ID = -1;
    CString m_pathTitle;
    LONG m_Size = 0;
    SYSTEMTIME m_time = {};
    std::vector<CString> m_nodes;
};

// Fills the record from the UTF-8 XML text whose root is "DV_DATA". False, and the record
// left as it was, for a null or empty text, one that does not parse or has another root.
bool ParseDvnClipInfo(CDvnClipInfo& record, const char* text);

// The styles of the record's display text: one line for menus and the pane, two lines
// for tool tips.
const int kDvnTextMenu = 0;
const int kDvnTextTip = 1;
const int kDvnTextPane = 2;

// Empty for a style it does not know.
CString DvnClipInfoToText(const CDvnClipInfo& record, int style);
CString DvnClipInfoToText_Style0(const CDvnClipInfo& record);
CString DvnClipInfoToText_Style1(const CDvnClipInfo& record);
CString DvnClipInfoToText_Style2(const CDvnClipInfo& record);

// "Dorvane Clipboard Meta Info", registered on first use.
UINT RegisterDvnMetaInfoFormat();
// Asks the system; needs no open clipboard.
bool IsDvnMetaInfoAvailable();
// The meta text on the clipboard, up to its first zero byte or the end of the block.
// With `openClipboard` the clipboard is opened (one try) and closed again; otherwise the
// caller has it open. True when a block of some bytes was read.
bool ReadDvnMetaInfo(IClipboard& clipboard, bool openClipboard, std::string& metaText);

// ---------------------------------------------------------------------------------------
// Addresses

// The "SourceURL:" value of the "HTML Format" on the open clipboard: the text after it up
// to the line end. Empty when there is no such format, no such line or no line end
// within the block.
CString GetHtmlSourceUrl(IClipboard& clipboard);

// An address ("http://" or "https://" up to the first blank) or a path with a drive and
// a folder (the first line, else the text up to the first blank) at the start of the
// text, leading blanks and line ends skipped. Empty when there is none.
CString FindUrlInText(const wchar_t* text);
// The same for an 8-bit text of the ANSI code page.
CString FindUrlInAnsiText(const char* text);

// ---------------------------------------------------------------------------------------
// Bitmaps

// Empties the clipboard and puts a copy of the bitmap on it as CF_BITMAP, under the
// my-copy guard so that the history does not record it. The caller keeps its bitmap.
bool CopyBitmapToClipboard(HBITMAP bitmap);
// The same handle, or the same DIB format and the same pixels (and colour table).
// A null handle equals nothing but itself.
bool BitmapsEqual(HBITMAP a, HBITMAP b);
// A bitmap of its own with the same pixels; null when the copy fails.
CBitmapHandle CopyBitmap(HBITMAP bitmap);
// The bitmap as CF_DIB carries it: the header, its colour table or masks, the pixels.
// False when the bitmap cannot be read.
bool BitmapToPackedDib(HBITMAP bitmap, std::vector<BYTE>& dib);
