#include "pages/richedit/RichEditStream.h"

#include <objbase.h>
#include <richedit.h>

#include <algorithm>
#include <vector>

#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"

const wchar_t kUnicodeRtfSignature[] = L"{\\urtf";

namespace {

const UINT kUnicodeRtfFormat = SF_RTF | SF_USECODEPAGE | (CP_UTF8 << 16);
// The control's own default cuts a text at 64K characters; phrases and history items
// may be far longer.
const LPARAM kHiddenTextLimit = 0x7FFFFFFE;

// ---------------------------------------------------------------------------------------
// Stream callbacks

struct CStreamInSource {
    const BYTE* base;
    LONG total;
    LONG position;
    LONG limit;  // 0 = none
    LONG delivered;
};

DWORD CALLBACK StreamInCallback(DWORD_PTR cookie, LPBYTE buffer, LONG requested, LONG* written) {
    auto* source = reinterpret_cast<CStreamInSource*>(cookie);
    *written = 0;
    if (source->limit > 0 && source->delivered >= source->limit) return 0;
    const LONG count = std::min(requested, source->total - source->position);
    if (count <= 0) return 0;
    memcpy(buffer, source->base + source->position, static_cast<size_t>(count));
    source->position += count;
    source->delivered += count;
    *written = count;
    return 0;
}

DWORD CALLBACK StreamOutCallback(DWORD_PTR cookie, LPBYTE buffer, LONG count, LONG* written) {
    auto* sink = reinterpret_cast<std::string*>(cookie);
    try {
        sink->append(reinterpret_cast<const char*>(buffer), static_cast<size_t>(count));
    } catch (...) {
        *written = 0;
        return 1;  // the control ends the stream
    }
    *written = count;
    return 0;
}

bool StreamInRaw(HWND window, const void* data, LONG byteLength, UINT format, LONG byteLimit) {
    if (!window || !data || byteLength <= 0) return false;
    CStreamInSource source = {static_cast<const BYTE*>(data), byteLength, 0, byteLimit, 0};
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&source);
    stream.pfnCallback = StreamInCallback;
    const LRESULT read = SendMessageW(window, EM_STREAMIN, format, reinterpret_cast<LPARAM>(&stream));
    return read > 0;
}

std::string StreamOutRaw(HWND window, UINT format, size_t reserve) {
    std::string bytes;
    if (!window) return bytes;
    try {
        bytes.reserve(reserve);
    } catch (...) {
        // Growing as the control writes is slower but works.
    }
    EDITSTREAM stream = {};
    stream.dwCookie = reinterpret_cast<DWORD_PTR>(&bytes);
    stream.pfnCallback = StreamOutCallback;
    SendMessageW(window, EM_STREAMOUT, format, reinterpret_cast<LPARAM>(&stream));
    return bytes;
}

CString WideFromBytes(const std::string& bytes) {
    return CString(reinterpret_cast<const wchar_t*>(bytes.data()), static_cast<int>(bytes.size() / sizeof(wchar_t)));
}

CString Utf8BytesToText(const std::string& bytes) {
    const std::wstring wide = Utf8ToWide(bytes.c_str());
    return CString(wide.c_str(), static_cast<int>(wide.size()));
}

// ---------------------------------------------------------------------------------------
// Positions inside the control: paragraphs end in one CR there, unlike in the plain
// text that streams out with CR LF.

int StoryLength(HWND window) {
    GETTEXTLENGTHEX query = {GTL_NUMCHARS | GTL_PRECISE, 1200};
    const LRESULT length = SendMessageW(window, EM_GETTEXTLENGTHEX, reinterpret_cast<WPARAM>(&query), 0);
    return length > 0 ? static_cast<int>(length) : 0;
}

CString StoryText(HWND window) {
    const int length = StoryLength(window);
    if (length == 0) return CString();
    CString text;
    wchar_t* buffer = text.GetBuffer(length + 1);
    GETTEXTEX query = {};
    query.cb = static_cast<DWORD>((length + 1) * sizeof(wchar_t));
    query.flags = GT_DEFAULT;
    query.codepage = 1200;
    const LRESULT copied =
        SendMessageW(window, EM_GETTEXTEX, reinterpret_cast<WPARAM>(&query), reinterpret_cast<LPARAM>(buffer));
    text.ReleaseBuffer(copied > 0 ? std::min(static_cast<int>(copied), length) : 0);
    return text;
}

wchar_t StoryCharAt(HWND window, int position) {
    wchar_t buffer[3] = {};
    TEXTRANGEW range = {{position, position + 1}, buffer};
    const LRESULT copied = SendMessageW(window, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
    return copied > 0 ? buffer[0] : 0;
}

void SelectRange(HWND window, int first, int last) {
    CHARRANGE range = {first, last};
    SendMessageW(window, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
}

void ReplaceRange(HWND window, int first, int last, const wchar_t* text) {
    SelectRange(window, first, last);
    SendMessageW(window, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text));
}

// The formatting the control reports as the same over the whole selection.
DWORD UniformFormatMask(HWND window, int first, int last) {
    SelectRange(window, first, last);
    CHARFORMAT2W format = {};
    format.cbSize = sizeof format;
    SendMessageW(window, EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    return format.dwMask;
}

// Writes mapped[first, last) over the same characters. A replacement takes the format of
// the selection's first character, so a range whose format varies is split until each
// piece is uniform (a single character always is).
void ReplaceKeepingFormat(HWND window, const CString& mapped, int first, int last) {
    const int count = last - first;
    if (count <= 0) return;
    if (count == 1 || UniformFormatMask(window, first, last) == UniformFormatMask(window, first, first + 1)) {
        ReplaceRange(window, first, last, CString(mapped.GetString() + first, count));
        return;
    }
    const int middle = first + count / 2;
    ReplaceKeepingFormat(window, mapped, first, middle);
    ReplaceKeepingFormat(window, mapped, middle, last);
}

HWND g_hiddenParent = nullptr;
HWND g_hiddenRichEdit = nullptr;

}  // namespace

bool IsUnicodeRtf(const CString& text) {
    const int signatureLength = static_cast<int>(wcslen(kUnicodeRtfSignature));
    return text.GetLength() > signatureLength && wcsncmp(text.GetString(), kUnicodeRtfSignature, signatureLength) == 0;
}

// ---------------------------------------------------------------------------------------
// Into a RichEdit window

bool RichEdit_StreamIn(HWND window, const void* data, int byteLength, bool unicode, bool rtf, bool selection,
                       int byteLimit) {
    if (!data || byteLength <= 0) return false;
    const UINT selectionFlag = selection ? SFF_SELECTION : 0;
    if (!(unicode && rtf)) {
        UINT format = (rtf ? SF_RTF : SF_TEXT) | (unicode ? SF_UNICODE : 0) | selectionFlag;
        return StreamInRaw(window, data, byteLength, format, byteLimit > 0 ? byteLimit : 0);
    }
    const int characters = byteLength / static_cast<int>(sizeof(wchar_t));
    const CString text(static_cast<const wchar_t*>(data), characters);
    const std::string utf8 = WideToUtf8(text);
    LONG utf8Limit = 0;
    if (byteLimit > 0 && byteLimit / static_cast<int>(sizeof(wchar_t)) < characters) {
        const CString head = text.Left(std::max(1, byteLimit / static_cast<int>(sizeof(wchar_t))));
        utf8Limit = static_cast<LONG>(WideToUtf8(head).size());
    }
    return StreamInRaw(window, utf8.data(), static_cast<LONG>(utf8.size()), kUnicodeRtfFormat | selectionFlag,
                       utf8Limit);
}

bool RichEdit_StreamInRtfBytes(HWND window, const char* rtf) {
    if (!rtf) return false;
    return StreamInRaw(window, rtf, static_cast<LONG>(strlen(rtf)), SF_RTF, 0);
}

bool RichEdit_SetRtfOrText(HWND window, const CString& text) {
    const int bytes = text.GetLength() * static_cast<int>(sizeof(wchar_t));
    return RichEdit_StreamIn(window, text.GetString(), bytes, true, IsUnicodeRtf(text), false, 0);
}

bool RichEdit_SetRtf(HWND window, const CString& text, int charLimit) {
    const int bytes = text.GetLength() * static_cast<int>(sizeof(wchar_t));
    const int byteLimit = charLimit > 0 ? charLimit * static_cast<int>(sizeof(wchar_t)) : 0;
    return RichEdit_StreamIn(window, text.GetString(), bytes, true, true, false, byteLimit);
}

// ---------------------------------------------------------------------------------------
// Out of a RichEdit window

int RichEdit_GetTextLength(HWND window, bool selection) {
    if (!window) return 0;
    if (!selection) return GetWindowTextLengthW(window);
    CHARRANGE range = {};
    SendMessageW(window, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
    return std::abs(range.cpMax - range.cpMin);
}

int RichEdit_GetCharCount(HWND window) {
    return window ? StoryLength(window) : 0;
}

CString RichEdit_GetCharText(HWND window) {
    return window ? StoryText(window) : CString();
}

CString RichEdit_GetRtf(HWND window) {
    const int length = RichEdit_GetTextLength(window, false);
    if (length == 0) return CString();
    return Utf8BytesToText(StreamOutRaw(window, kUnicodeRtfFormat, static_cast<size_t>(length) * 4 + 1024));
}

CString RichEdit_GetPlainText(HWND window) {
    const int length = RichEdit_GetTextLength(window, false);
    if (length == 0) return CString();
    return WideFromBytes(StreamOutRaw(window, SF_TEXT | SF_UNICODE, (static_cast<size_t>(length) + 10) * 2));
}

CString RichEdit_GetSelPlainText(HWND window) {
    const int length = RichEdit_GetTextLength(window, true);
    if (length == 0) return CString();
    return WideFromBytes(
        StreamOutRaw(window, SF_TEXT | SF_UNICODE | SFF_SELECTION, (static_cast<size_t>(length) + 10) * 2));
}

std::string RichEdit_GetRtfBytes(HWND window, bool selection) {
    const int length = RichEdit_GetTextLength(window, selection);
    if (length == 0) return std::string();
    return StreamOutRaw(window, SF_RTF | (selection ? SFF_SELECTION : 0), static_cast<size_t>(length) * 4 + 1024);
}

// ---------------------------------------------------------------------------------------
// The hidden converter

void SetHiddenRichEditParent(HWND parent) {
    g_hiddenParent = parent;
    if (g_hiddenRichEdit && IsWindow(g_hiddenRichEdit)) SetParent(g_hiddenRichEdit, parent ? parent : HWND_MESSAGE);
}

HWND GetHiddenRichEdit() {
    if (g_hiddenRichEdit && IsWindow(g_hiddenRichEdit)) return g_hiddenRichEdit;
    g_hiddenRichEdit = nullptr;
    static bool comReady = false;
    if (!comReady) {
        // The control's text object model wants COM on its thread.
        const HRESULT hr = CoInitialize(nullptr);
        comReady = SUCCEEDED(hr) || hr == RPC_E_CHANGED_MODE;
    }
    // Kept loaded for the life of the process: the window class lives in it.
    static HMODULE library = LoadLibraryW(L"RichEd20.DLL");
    if (!library) return nullptr;
    HWND parent = g_hiddenParent && IsWindow(g_hiddenParent) ? g_hiddenParent : HWND_MESSAGE;
    g_hiddenRichEdit = CreateWindowExW(0, L"RICHEDIT20W", nullptr, WS_CHILD | ES_WANTRETURN | ES_MULTILINE, 1, 1, 10,
                                       10, parent, nullptr, GetModuleHandleW(nullptr), nullptr);
    if (g_hiddenRichEdit) {
        SendMessageW(g_hiddenRichEdit, EM_EXLIMITTEXT, 0, kHiddenTextLimit);
        // Nobody sees the text: wrapping it at the 10-pixel width costs Wine seconds for a
        // line of a few thousand letters (one line per character).
        SendMessageW(g_hiddenRichEdit, EM_SETTARGETDEVICE, 0, 1);
        // Wine takes the default format's weight from the System font, which is bold, so
        // every character that RTF does not make regular would turn bold; Windows' default
        // format is regular already.
        CHARFORMAT2W regular = {};
        regular.cbSize = sizeof regular;
        regular.dwMask = CFM_BOLD;
        SendMessageW(g_hiddenRichEdit, EM_SETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&regular));
    }
    return g_hiddenRichEdit;
}

CString RtfToPlainText(const CString& text) {
    if (!IsUnicodeRtf(text)) return text;
    HWND control = GetHiddenRichEdit();
    if (!control) return CString();
    if (!RichEdit_SetRtfOrText(control, text)) SetWindowTextW(control, L"");
    return RichEdit_GetPlainText(control);
}

CString RtfBytesToPlainText(const char* rtf) {
    HWND control = GetHiddenRichEdit();
    if (!control) return CString();
    if (!RichEdit_StreamInRtfBytes(control, rtf)) SetWindowTextW(control, L"");
    return RichEdit_GetPlainText(control);
}

CString RtfToPlainText_Limited(const CString& rtf, int n) {
    HWND control = GetHiddenRichEdit();
    if (!control) return CString();
    if (n < 0) n = 0;
    if (!RichEdit_SetRtf(control, rtf, n * 10)) SetWindowTextW(control, L"");
    if (n > 0) {
        SelectRange(control, 0, n);
        CString head = RichEdit_GetSelPlainText(control);
        if (!head.IsEmpty()) return head;
    }
    return RichEdit_GetPlainText(control);
}

CString RtfToPlainText_All(const CString& rtf) {
    return RtfToPlainText_Limited(rtf, 0);
}

CString RtfAppendText(const CString& text, bool textIsRtf, const CString& appended, bool wantRtf) {
    HWND control = GetHiddenRichEdit();
    if (!control) return CString();
    if (!textIsRtf || !RichEdit_SetRtfOrText(control, text))
        SetWindowTextW(control, textIsRtf ? L"" : text.GetString());
    SelectRange(control, -1, -1);
    SendMessageW(control, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(appended.GetString()));
    return wantRtf ? RichEdit_GetRtf(control) : RichEdit_GetPlainText(control);
}

int RtfBytesTrimChars(char* buffer, int bufferSize, const wchar_t* characters) {
    if (!buffer || bufferSize <= 0 || !characters || !*characters) return 0;
    HWND control = GetHiddenRichEdit();
    if (!control) return 0;
    // The buffer need not hold a terminator when it is full.
    const std::string rtf(buffer, strnlen(buffer, static_cast<size_t>(bufferSize)));
    if (!RichEdit_StreamInRtfBytes(control, rtf.c_str())) return 0;

    int removed = 0;
    // Deleting a character from one end can bare another of the set at the other end
    // ("a b" trimmed of 'a' then 'b' ...), so passes repeat until one removes nothing.
    // The final paragraph mark cannot be deleted: a deletion that does not shorten the
    // text ends that end's work instead of looping for ever.
    for (bool again = true; again;) {
        again = false;
        for (const wchar_t* c = characters; *c; ++c) {
            for (int length = StoryLength(control); length > 0 && StoryCharAt(control, length - 1) == *c;) {
                ReplaceRange(control, length - 1, length, L"");
                const int shorter = StoryLength(control);
                if (shorter >= length) break;
                length = shorter;
                ++removed;
                again = true;
            }
            for (int length = StoryLength(control); length > 0 && StoryCharAt(control, 0) == *c;) {
                ReplaceRange(control, 0, 1, L"");
                const int shorter = StoryLength(control);
                if (shorter >= length) break;
                length = shorter;
                ++removed;
                again = true;
            }
        }
    }
    if (removed == 0) return 0;
    const std::string trimmed = RichEdit_GetRtfBytes(control, false);
    if (trimmed.empty() || trimmed.size() >= static_cast<size_t>(bufferSize)) return 0;
    memset(buffer, 0, static_cast<size_t>(bufferSize));
    memcpy(buffer, trimmed.data(), trimmed.size());
    return removed;
}

std::string RtfBytesChangeCase(const char* rtf, bool upper) {
    HWND control = GetHiddenRichEdit();
    if (!control || !RichEdit_StreamInRtfBytes(control, rtf)) return std::string();
    // The control's SES_UPPERCASE/SES_LOWERCASE styles and the caps effects only change
    // how the text looks (and Wine ignores the styles): the characters themselves are
    // mapped here, each run replaced in place so that it keeps its own format.
    const CString text = StoryText(control);
    CString mapped = text;
    if (upper) {
        mapped.MakeUpper();
    } else {
        mapped.MakeLower();
    }
    for (int i = 0; i < text.GetLength();) {
        if (text.GetAt(i) == mapped.GetAt(i)) {
            ++i;
            continue;
        }
        int end = i + 1;
        while (end < text.GetLength() && text.GetAt(end) != mapped.GetAt(end)) ++end;
        ReplaceKeepingFormat(control, mapped, i, end);
        i = end;
    }
    return RichEdit_GetRtfBytes(control, false);
}
