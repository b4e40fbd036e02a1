#include "history/ClipFormats.h"

#include <shlwapi.h>
#include <stdlib.h>
#include <tinyxml.h>

#include <algorithm>
#include <cstring>

#include "core/ClipboardAccess.h"
#include "core/ShellHelpers.h"
#include "core/UiStrings.h"
#include "core/base/TextConversions.h"
#include "core/base/XmlParseSettings.h"

namespace {

// The meta XML is three levels deep; anything far deeper is not Dorvane's.
const int kMaxMetaDepth = 32;

CString ToCString(const std::wstring& text) {
    return CString(text.c_str(), static_cast<int>(text.size()));
}

CString FromUtf8(const char* text) {
    return text ? ToCString(Utf8ToWide(text)) : CString();
}

// Counts only when every character is a decimal digit and the value fits: a sign, a
// blank or a letter gives the default, as it does in Dorvane.
unsigned long long DigitsAttribute(const TiXmlElement* element, const char* name, unsigned long long max,
                                   unsigned long long fallback) {
    const char* p = element->Attribute(name);
    if (!p || !*p) return fallback;
    unsigned long long value = 0;
    for (; *p; ++p) {
        if (*p < '0' || *p > '9') return fallback;
        value = value * 10 + static_cast<unsigned>(*p - '0');
        if (value > max) return fallback;
    }
    return value;
}

LONG LongAttribute(const TiXmlElement* element, const char* name, LONG fallback) {
    return static_cast<LONG>(DigitsAttribute(element, name, 0x7FFFFFFF, static_cast<unsigned long long>(fallback)));
}

WORD WordAttribute(const TiXmlElement* element, const char* name) {
    return static_cast<WORD>(DigitsAttribute(element, name, 0xFFFF, 0xFFFF));
}

// Six blanks and a bullet: the tip lists the lines as points.
const wchar_t kIndent[] = L"      \x2022 ";

CString Bracketed(const CString& text) {
    return L"[" + text + L"]";
}

CString OneLineText(const CDvnClipInfo& record) {
    CString text = Bracketed(record.GetFileName());
    const CString node = record.GetNode(0);
    if (!node.IsEmpty()) text += L" " + Bracketed(node);
    return text;
}

bool IsBlankOrLineEnd(wchar_t ch) {
    return ch == L' ' || ch == L'\n' || ch == L'\r' || ch == L'\t';
}

// The text up to the first character of `stops` (all of it without one).
CString TextUpTo(const CString& text, const wchar_t* stops) {
    const int end = text.FindOneOf(stops);
    return end < 0 ? text : text.Left(end);
}

bool HasDriveAndFolder(const CString& path) {
    // Buffers as long as the path: a component can never overflow them.
    const size_t size = static_cast<size_t>(path.GetLength()) + 1;
    std::vector<wchar_t> drive(size), folder(size), name(size), extension(size);
    if (_wsplitpath_s(path.GetString(), drive.data(), size, folder.data(), size, name.data(), size, extension.data(),
                      size) != 0)
        return false;
    return drive[0] && folder[0];
}

CString HtmlSourceUrlFromBlock(const std::vector<BYTE>& block) {
    // The block need not end in a zero: the text stops at the block's end.
    const char* first = reinterpret_cast<const char*>(block.data());
    const size_t length = strnlen(first, block.size());
    const std::string bytes(first, length);
    const CString html = ToCString(Utf8ToWide(bytes.c_str()));
    const wchar_t kKey[] = L"SourceURL:";
    const int key = html.Find(kKey);
    if (key < 0) return CString();
    const int start = key + static_cast<int>(wcslen(kKey));
    const CString rest = html.Mid(start);
    const int end = rest.FindOneOf(L"\r\n");
    return end < 0 ? CString() : rest.Left(end);
}

// The header GetDIBits gives for the bitmap, with room for the largest colour table or
// the three masks of BI_BITFIELDS.
struct CDibFormat {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

bool ReadDibFormat(HDC dc, HBITMAP bitmap, CDibFormat& format) {
    format = {};
    format.header.biSize = sizeof format.header;
    return GetDIBits(dc, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&format), DIB_RGB_COLORS) != 0 &&
           format.header.biBitCount != 0;
}

DWORD DibImageSize(const BITMAPINFOHEADER& header) {
    const DWORD rowBytes =
        ((static_cast<DWORD>(header.biBitCount) * static_cast<DWORD>(header.biWidth) + 31) & ~31u) / 8;
    return rowBytes * static_cast<DWORD>(header.biHeight < 0 ? -header.biHeight : header.biHeight);
}

bool ReadDibBits(HDC dc, HBITMAP bitmap, CDibFormat& format, std::vector<BYTE>& bits) {
    bits.assign(DibImageSize(format.header), 0);
    if (bits.empty()) return true;
    const UINT rows = static_cast<UINT>(format.header.biHeight < 0 ? -format.header.biHeight : format.header.biHeight);
    return GetDIBits(dc, bitmap, 0, rows, bits.data(), reinterpret_cast<BITMAPINFO*>(&format), DIB_RGB_COLORS) ==
           static_cast<int>(rows);
}

}  // namespace

// ---------------------------------------------------------------------------------------
// CDvnClipInfo

CDvnClipInfo::CDvnClipInfo() {
    GetLocalTime(&m_time);
}

CString CDvnClipInfo::GetFileName() const {
    const int slash = m_pathTitle.ReverseFind(L'\\');
    return slash < 0 ? m_pathTitle : m_pathTitle.Mid(slash + 1);
}

CString CDvnClipInfo::GetNode(int index) const {
    return index >= 0 && index < GetNodeCount() ? m_nodes[static_cast<size_t>(index)] : CString();
}

bool ParseDvnClipInfo(CDvnClipInfo& record, const char* text) {
    if (!text || !*text) return false;
    if (!XmlNestingWithin(text, kMaxMetaDepth)) return false;
    // Bytes that are not UTF-8 would make the parser read past the ends of tags; such a
    // text is parsed byte by byte and its texts still converted as UTF-8.
    const bool validUtf8 = IsValidUtf8(text, static_cast<DWORD>(strlen(text)));
    TiXmlDocument document;
    {
        CXmlParseSettings keepBlanks(false);
        document.Parse(text, nullptr, validUtf8 ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY);
    }
    if (document.Error()) return false;
    const TiXmlElement* root = document.RootElement();
    if (!root || strcmp(root->Value(), "DV_DATA") != 0) return false;

    CDvnClipInfo parsed;
    parsed.m_PID = LongAttribute(root, "PID", 0);
    parsed.m_DOC_ID = LongAttribute(root, "DOC_ID", 65535);
    parsed.m_time = {};
    parsed.m_time.wYear = WordAttribute(root, "Y");
    parsed.m_time.wMonth = WordAttribute(root, "M");
    parsed.m_time.wDay = WordAttribute(root, "D");
    parsed.m_time.wHour = WordAttribute(root, "H");
    parsed.m_time.wMinute = WordAttribute(root, "Min");
    parsed.m_time.wSecond = WordAttribute(root, "S");
    parsed.m_pathTitle = FromUtf8(root->Attribute("DV_Doc_Path_Title"));
    parsed.m_Size = LongAttribute(root, "Size", 0);
    if (const TiXmlElement* nodes = root->FirstChildElement("Nodes")) {
        for (const TiXmlElement* node = nodes->FirstChildElement("Node"); node;
             node = node->NextSiblingElement("Node")) {
            const char* nodeText = node->GetText();
            if (nodeText && *nodeText) parsed.m_nodes.push_back(FromUtf8(nodeText));
        }
    }
    record = parsed;
    return true;
}

CString DvnClipInfoToText(const CDvnClipInfo& record, int style) {
    switch (style) {
        case kDvnTextMenu:
            return DvnClipInfoToText_Style0(record);
        case kDvnTextTip:
            return DvnClipInfoToText_Style1(record);
        case kDvnTextPane:
            return DvnClipInfoToText_Style2(record);
        default:
            return CString();
    }
}

CString DvnClipInfoToText_Style0(const CDvnClipInfo& record) {
    return OneLineText(record);
}

CString DvnClipInfoToText_Style1(const CDvnClipInfo& record) {
    CString count;
    count.Format(L"%d", record.GetNodeCount());
    CString text = kIndent + LoadUiString(IDS_COPIED_FROM) + L": " + Bracketed(record.GetPathTitle()) + L", " + count +
                   L"   \x2014 " + FormatByteSizeText(static_cast<DWORD>(record.GetSize()));
    const CString node = record.GetNode(0);
    if (!node.IsEmpty()) text += L"\n" + CString(kIndent) + Bracketed(node);
    return text;
}

CString DvnClipInfoToText_Style2(const CDvnClipInfo& record) {
    return OneLineText(record);
}

UINT RegisterDvnMetaInfoFormat() {
    static const UINT format = RegisterClipboardFormatW(L"Dorvane Clipboard Meta Info");
    return format;
}

bool IsDvnMetaInfoAvailable() {
    const UINT format = RegisterDvnMetaInfoFormat();
    return format != 0 && IsClipboardFormatAvailable(format);
}

bool ReadDvnMetaInfo(IClipboard& clipboard, bool openClipboard, std::string& metaText) {
    const UINT format = RegisterDvnMetaInfoFormat();
    if (!format) return false;
    if (openClipboard && !clipboard.Open(nullptr, 0)) return false;
    std::vector<BYTE> block;
    const bool read = clipboard.Read(format, block) && !block.empty();
    if (openClipboard) clipboard.Close();
    if (!read) return false;
    // The block need not end in a zero: the text stops at the block's end.
    const char* first = reinterpret_cast<const char*>(block.data());
    metaText.assign(first, strnlen(first, block.size()));
    return true;
}

// ---------------------------------------------------------------------------------------
// Addresses

CString GetHtmlSourceUrl(IClipboard& clipboard) {
    std::vector<BYTE> block;
    if (!GetCF_HTML() || !clipboard.Read(GetCF_HTML(), block) || block.empty()) return CString();
    return HtmlSourceUrlFromBlock(block);
}

CString FindUrlInText(const wchar_t* text) {
    if (!text) return CString();
    while (IsBlankOrLineEnd(*text)) ++text;
    const CString rest(text);
    if (rest.GetLength() < 7) return CString();

    for (const wchar_t* prefix : {L"http://", L"https://"}) {
        const int prefixLength = static_cast<int>(wcslen(prefix));
        if (rest.GetLength() <= prefixLength || wcsncmp(rest.GetString(), prefix, prefixLength) != 0) continue;
        const CString candidate = TextUpTo(rest, L" \n\r\t");
        if (PathIsURLW(candidate)) return candidate;
    }
    const CString line = TextUpTo(rest, L"\n\r");
    if (HasDriveAndFolder(line)) return line;
    const CString word = TextUpTo(rest, L" \n\t\r");
    if (!word.IsEmpty() && HasDriveAndFolder(word)) return word;
    return CString();
}

CString FindUrlInAnsiText(const char* text) {
    if (!text || !*text) return CString();
    return FindUrlInText(AnsiToWide(text).c_str());
}

// ---------------------------------------------------------------------------------------
// Bitmaps

bool CopyBitmapToClipboard(HBITMAP bitmap) {
    BITMAP info = {};
    if (!bitmap || GetObjectW(bitmap, sizeof info, &info) != sizeof info) return false;
    return SetClipboardBitmap(bitmap);
}

bool BitmapsEqual(HBITMAP a, HBITMAP b) {
    if (a == b) return true;
    if (!a || !b) return false;
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    CDibFormat formatA, formatB;
    std::vector<BYTE> bitsA, bitsB;
    const bool read = ReadDibFormat(screen, a, formatA) && ReadDibFormat(screen, b, formatB) &&
                      memcmp(&formatA.header, &formatB.header, sizeof formatA.header) == 0 &&
                      ReadDibBits(screen, a, formatA, bitsA) && ReadDibBits(screen, b, formatB, bitsB);
    ReleaseDC(nullptr, screen);
    // The colour tables too: the same indices in other palettes are another picture.
    return read && bitsA == bitsB && memcmp(formatA.colors, formatB.colors, sizeof formatA.colors) == 0;
}

CBitmapHandle CopyBitmap(HBITMAP bitmap) {
    // No LR_COPYRETURNORG: it would hand back the original, and the caller would delete
    // a bitmap it does not own.
    return CBitmapHandle(bitmap ? static_cast<HBITMAP>(CopyImage(bitmap, IMAGE_BITMAP, 0, 0, 0)) : nullptr);
}

bool BitmapToPackedDib(HBITMAP bitmap, std::vector<BYTE>& dib) {
    if (!bitmap) return false;
    HDC screen = GetDC(nullptr);
    if (!screen) return false;
    CDibFormat format;
    std::vector<BYTE> bits;
    const bool read = ReadDibFormat(screen, bitmap, format) && ReadDibBits(screen, bitmap, format, bits);
    ReleaseDC(nullptr, screen);
    if (!read) return false;
    BITMAPINFOHEADER& header = format.header;
    size_t tableBytes = 0;
    if (header.biCompression == BI_BITFIELDS) {
        tableBytes = 3 * sizeof(DWORD);
    } else if (header.biBitCount <= 8) {
        DWORD colors = header.biClrUsed ? header.biClrUsed : 1u << header.biBitCount;
        tableBytes = std::min<DWORD>(colors, 256) * sizeof(RGBQUAD);
    }
    header.biSizeImage = static_cast<DWORD>(bits.size());
    dib.resize(sizeof header + tableBytes + bits.size());
    memcpy(dib.data(), &header, sizeof header);
    memcpy(dib.data() + sizeof header, format.colors, tableBytes);
    if (!bits.empty()) memcpy(dib.data() + sizeof header + tableBytes, bits.data(), bits.size());
    return true;
}
