#include "history/HistoryMenu.h"

#include <algorithm>

#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/MyCopyGuard.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/base/Logger.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "history/CaptureRules.h"
#include "history/ClipFormats.h"
#include "pages/richedit/RichEditStream.h"

namespace {

using Kind = CClipboardItemData::Kind;

const wchar_t kEllipsis[] = L"\u2026";
const wchar_t kTrimmedChars[] = L" \t\r\n";
const int kDefaultPreviewChars = 200;
const DWORD kLongAnsiPreviewBytes = 20000;

bool IsTextBlock(const CCHItem& item) {
    return item.Kind() != Kind::kBitmap && item.Data() != nullptr;
}

// The 8-bit text of the block up to its terminator (the block always ends in zeros).
std::string AnsiOf(const CCHItem& item) {
    if (!IsTextBlock(item)) return std::string();
    const char* text = reinterpret_cast<const char*>(item.Data());
    return std::string(text, strnlen(text, item.Size()));
}

// At most maxChars characters of the text (all of it for a negative maxChars): a preview
// of a long text must not copy the whole of it.
CString WideOf(const CCHItem& item, int maxChars = -1) {
    if (!IsTextBlock(item)) return CString();
    const wchar_t* text = reinterpret_cast<const wchar_t*>(item.Data());
    size_t limit = item.Size() / sizeof(wchar_t);
    if (maxChars >= 0) limit = std::min(limit, static_cast<size_t>(maxChars));
    const size_t length = wcsnlen(text, limit);
    return length ? CString(text, static_cast<int>(length)) : CString();
}

UINT AnsiCodePageOf(const CCHItem& item) {
    return item.CodePage() ? item.CodePage() : CP_ACP;
}

CString AnsiItemToWide(const CCHItem& item) {
    return MultiByteToWideCP(AnsiOf(item).c_str(), AnsiCodePageOf(item)).c_str();
}

// The first characters of an 8-bit text, at least maxChars of them when the text has
// them: no character takes more than four bytes in any code page.
CString AnsiHeadToWide(const CCHItem& item, int maxChars) {
    if (!IsTextBlock(item)) return CString();
    const char* text = reinterpret_cast<const char*>(item.Data());
    const size_t limit = std::min<size_t>(item.Size(), static_cast<size_t>(maxChars) * 4 + 4);
    const std::string head(text, strnlen(text, limit));
    return MultiByteToWideCP(head.c_str(), AnsiCodePageOf(item)).c_str();
}

std::string WideToCodePage(const CString& text, UINT codePage) {
    if (text.IsEmpty()) return std::string();
    const int bytes = WideCharToMultiByte(codePage, 0, text, text.GetLength(), nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return std::string();
    std::string result(static_cast<size_t>(bytes), '\0');
    WideCharToMultiByte(codePage, 0, text, text.GetLength(), &result[0], bytes, nullptr, nullptr);
    return result;
}

bool SetAnsiText(CCHItem& item, const std::string& text) {
    return item.SetData(text.c_str(), static_cast<DWORD>(text.size() + 1), item.CodePage());
}

bool SetWideText(CCHItem& item, const CString& text) {
    return item.SetData(text.GetString(), static_cast<DWORD>((text.GetLength() + 1) * sizeof(wchar_t)),
                        item.CodePage());
}

// What must happen to an item whose data changed and is to be saved again: the file of
// the old data is neither trusted nor kept read-only.
void MarkChangedForSave(CCHItem& item) {
    item.ClearReadOnlyOfData();
    item.MarkEdited();
    item.SetDataPath(L"");
}

CString CutPreview(const CString& text, int maxChars) {
    if (text.GetLength() <= maxChars) return text;
    return KeepHead(text, maxChars) + kEllipsis;
}

// The item's data in its clipboard format: CF_DIB for a bitmap, texts up to their
// terminator with one terminator.
bool AddItemFormat(const CCHItem& item, CClipboardFormatList& list) {
    switch (item.Kind()) {
        case Kind::kText: {
            const std::string text = AnsiOf(item);
            list.Set(CF_TEXT, text.c_str(), text.size() + 1);
            return true;
        }
        case Kind::kUnicodeText: {
            const CString text = WideOf(item);
            list.Set(CF_UNICODETEXT, text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t));
            return true;
        }
        case Kind::kRtf:
        case Kind::kHtml: {
            const std::string text = AnsiOf(item);
            list.Set(item.Kind() == Kind::kRtf ? GetCF_RTF() : GetCF_HTML(), text.c_str(), text.size() + 1);
            return true;
        }
        case Kind::kDorvane:
            if (!item.Data()) return false;
            list.Set(GetCF_Dorvane(), item.Data(), item.Size());
            return true;
        case Kind::kBitmap: {
            std::vector<BYTE> dib;
            if (!BitmapToPackedDib(item.Bitmap(), dib)) return false;
            list.Set(CF_DIB, dib.data(), dib.size());
            return true;
        }
        default:
            return false;
    }
}

bool WriteFormats(IClipboard& clipboard, HWND owner, const CClipboardFormatList& list, const wchar_t* caller) {
    if (list.IsEmpty()) return false;
    CMyCopyLock myCopy;
    if (!clipboard.Open(owner, kClipboardOpenTimeoutMs)) {
        LogError(CString(caller) + L": the clipboard stays shut");
        return false;
    }
    bool written = clipboard.Empty();
    for (const auto& entry : list.Entries())
        written = clipboard.Write(entry.first, entry.second.bytes.data(), entry.second.bytes.size()) && written;
    // The system converts 8-bit text with the code page of this locale.
    const LCID locale = GetThreadLocale();
    clipboard.Write(CF_LOCALE, &locale, sizeof locale);
    clipboard.Close();
    if (!written) LogError(CString(caller) + L": the clipboard did not take the item");
    return written;
}

// The text edits work on UTF-16; 8-bit and formatted text go there and back.
template <typename Edit>
bool EditAsWide(CCHItem& item, Edit edit) {
    if (item.Kind() == Kind::kText) {
        CString text = AnsiItemToWide(item);
        if (!edit(text)) return false;
        return SetAnsiText(item, WideToCodePage(text, AnsiCodePageOf(item)));
    }
    if (item.Kind() == Kind::kUnicodeText) {
        CString text = WideOf(item);
        if (!edit(text)) return false;
        return SetWideText(item, text);
    }
    return false;
}

bool TrimText(CString& text) {
    const int before = text.GetLength();
    text.Trim(kTrimmedChars);
    return text.GetLength() != before;
}

bool JoinText(CString& text) {
    const CString before = text;
    // The pairs first, so that each line break gives one blank; lone ones are line breaks
    // of other systems.
    for (const wchar_t* lineBreak : {L"\r\n", L"\n\r", L"\n", L"\r"}) text.Replace(lineBreak, L" ");
    TrimText(text);
    return text != before;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Texts

CString GetItemText(const CCHItem& item) {
    switch (item.Kind()) {
        case Kind::kText:
            return AnsiItemToWide(item);
        case Kind::kUnicodeText:
            return WideOf(item);
        case Kind::kRtf:
            return RtfBytesToPlainText(AnsiOf(item).c_str());
        case Kind::kHtml:
            return Utf8ToWide(AnsiOf(item).c_str()).c_str();
        default:
            return CString();
    }
}

CString GetPreviewText(const CCHItem& item, int maxChars) {
    if (maxChars <= 0) maxChars = kDefaultPreviewChars;
    const CCHItem* source = item.GetCompanion(Kind::kUnicodeText);
    if (!source) source = item.GetCompanion(Kind::kText);
    if (!source) source = &item;
    CString text;
    switch (source->Kind()) {
        case Kind::kText:
            // Only what is shown is converted, and one more so that a longer text gets its "…".
            text = AnsiHeadToWide(*source, maxChars + 1);
            if (source->Size() >= kLongAnsiPreviewBytes)
                LogWriteFormat(L"BAD_LEN RTF prev=%d new len=%d", static_cast<int>(source->Size()), text.GetLength());
            break;
        case Kind::kUnicodeText:
            text = WideOf(*source, maxChars + 1);
            break;
        case Kind::kRtf:
            text = RtfBytesToPlainText(AnsiOf(*source).c_str());
            break;
        case Kind::kDorvane: {
            CDvnClipInfo record;
            if (ParseDvnClipInfo(record, source->MetaText().c_str())) text = DvnClipInfoToText(record, kDvnTextMenu);
            if (text.IsEmpty()) text = L"Dorvane Document Data";
            break;
        }
        case Kind::kBitmap:
            text = L"Bitmap";
            break;
        default:
            text = L"O-o-ops! Naxer!";
            break;
    }
    return CutPreview(text, maxChars);
}

CString GetMenuText(const CCHItem& item) {
    CString text = GetPreviewText(item, 1000);
    CutTextAtWord(text, 100);
    return text;
}

CString GetTipText(const CCHItem& item) {
    return GetPreviewText(item, 150);
}

// ---------------------------------------------------------------------------------------
// Menu entries

CString MakeHistoryEntryCaption(const CCHItem& item) {
    CString text = GetMenuText(item);
    // The cut counts the item's own characters, so that a text of exactly the width is
    // shown whole after the blank in front.
    if (text.GetLength() > kHistoryCaptionMaxChars) {
        text = KeepHead(text, kHistoryCaptionMaxChars);
        text.TrimRight(L' ');
        text += kEllipsis;
    }
    if (text.IsEmpty() || text[0] != L' ') text = L" " + text;
    return text;
}

bool AppendHistoryItem(const CCHItem& item, UINT id, HMENU menu, bool isCurrent) {
    if (!AppendMenuW(menu, isCurrent ? MF_STRING | MF_CHECKED : MF_STRING, id, MakeHistoryEntryCaption(item)))
        return false;
    if (isCurrent) SetMenuDefaultItem(menu, id, FALSE);
    return true;
}

int AddHistoryToMenu(HMENU menu, UINT firstId, int maxCount, const CCHQueue& queue, const CString& clipboardText) {
    const int total = queue.Count();
    if (total == 0) return 0;
    const int items = GetMenuItemCount(menu);
    if (items <= 0 || static_cast<int>(GetMenuItemID(menu, items - 1)) > 0) AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
    const bool toPane = maxCount > kHistoryMenuMaxEntries;
    int limit = maxCount < 0 ? total : maxCount;
    if (toPane) {
        while (DeleteMenu(menu, ID_SHOW_FLOAT_PANE, MF_BYCOMMAND)) {
        }
        limit = kHistoryMenuMaxEntries;
    }
    int appended = 0;
    for (int i = 0; i < total && i < limit; ++i) {
        const CCHItem* item = queue.ItemFromNewest(i);
        const int kind = item->Kind();
        const bool isCurrent = !clipboardText.IsEmpty() && (kind == Kind::kUnicodeText || kind == Kind::kText) &&
                               GetItemText(*item) == clipboardText;
        if (AppendHistoryItem(*item, firstId + static_cast<UINT>(i), menu, isCurrent)) ++appended;
    }
    const int left = total - limit;
    if (toPane && left > 0) {
        CString caption;
        caption.Format(L"%d [%s]", left, LoadUiString(IDS_FLOAT_PANE).GetString());
        AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        AppendMenuW(menu, MF_STRING, ID_SHOW_FLOAT_PANE, caption);
        SetMenuDefaultItem(menu, ID_SHOW_FLOAT_PANE, FALSE);
    }
    return appended;
}

void RemoveHistoryFromMenu(HMENU menu, UINT firstId, UINT lastId) {
    for (UINT id = firstId; id >= firstId && id <= lastId; ++id) DeleteMenu(menu, id, MF_BYCOMMAND);
    const int items = GetMenuItemCount(menu);
    if (items < 5) return;
    for (int position = items - 1; position >= 0; --position) {
        if (GetMenuItemID(menu, position) == 0) DeleteMenu(menu, static_cast<UINT>(position), MF_BYPOSITION);
    }
}

// ---------------------------------------------------------------------------------------
// Back on the clipboard

bool PutBack(IClipboard& clipboard, HWND owner, const CCHItem& item) {
    const int kind = item.Kind();
    if (kind != Kind::kText && kind != Kind::kUnicodeText && kind != Kind::kRtf && kind != Kind::kDorvane) {
        LogWriteFormat(L"PutBack: an item of kind %d is not put back alone", kind);
        return false;
    }
    CClipboardFormatList list;
    return AddItemFormat(item, list) && WriteFormats(clipboard, owner, list, L"PutBack");
}

bool PutBackWithCompanions(IClipboard& clipboard, HWND owner, const CCHItem& item) {
    CClipboardFormatList list;
    if (!AddItemFormat(item, list)) {
        LogError(L"PutBackWithCompanions: the item cannot be read");
        return false;
    }
    for (const auto& companion : item.Companions()) {
        // An entry of the item's own format stays the item's.
        if (companion->Kind() != item.Kind()) AddItemFormat(*companion, list);
    }
    return WriteFormats(clipboard, owner, list, L"PutBackWithCompanions");
}

bool PutForm(IClipboard& clipboard, HWND owner, const CCHItem& item, int kind) {
    const CCHItem* form = item.GetCompanion(kind);
    CClipboardFormatList list;
    return form && AddItemFormat(*form, list) && WriteFormats(clipboard, owner, list, L"PutForm");
}

bool PutUnicodeText(IClipboard& clipboard, HWND owner, const CString& text) {
    CClipboardFormatList list;
    list.Set(CF_UNICODETEXT, text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t));
    return WriteFormats(clipboard, owner, list, L"PutUnicodeText");
}

bool PutAsText(IClipboard& clipboard, HWND owner, const CCHItem& item) {
    std::vector<const CCHItem*> sources;
    // The markup of a web page is no text a user wants: its companions say the same plainly.
    if (item.Kind() != Kind::kHtml) sources.push_back(&item);
    for (int kind : {Kind::kUnicodeText, Kind::kText})
        for (const auto& companion : item.Companions())
            if (companion->Kind() == kind) sources.push_back(companion.get());
    for (const auto& companion : item.Companions()) sources.push_back(companion.get());
    if (item.Kind() == Kind::kHtml) sources.push_back(&item);
    for (const CCHItem* source : sources) {
        const CString text = GetItemText(*source);
        if (text.IsEmpty()) continue;
        CClipboardFormatList list;
        list.Set(CF_UNICODETEXT, text.GetString(), (text.GetLength() + 1) * sizeof(wchar_t));
        return WriteFormats(clipboard, owner, list, L"PutAsText");
    }
    LogWrite(L"PutAsText: the item has no text");
    return false;
}

// ---------------------------------------------------------------------------------------
// Edits

bool ChangeCase(CCHItem& item, bool upper) {
    bool changed = false;
    switch (item.Kind()) {
        case Kind::kRtf: {
            const std::string rtf = RtfBytesChangeCase(AnsiOf(item).c_str(), upper);
            changed = !rtf.empty() && SetAnsiText(item, rtf);
            break;
        }
        case Kind::kText: {
            std::string text = AnsiOf(item);
            if (!text.empty()) {
                const DWORD length = static_cast<DWORD>(text.size());
                upper ? CharUpperBuffA(&text[0], length) : CharLowerBuffA(&text[0], length);
            }
            changed = SetAnsiText(item, text);
            break;
        }
        case Kind::kUnicodeText: {
            CString text = WideOf(item);
            std::wstring buffer(text.GetString(), static_cast<size_t>(text.GetLength()));
            if (!buffer.empty()) {
                const DWORD length = static_cast<DWORD>(buffer.size());
                upper ? CharUpperBuffW(&buffer[0], length) : CharLowerBuffW(&buffer[0], length);
            }
            if (!SetWideText(item, buffer.c_str())) return false;
            item.ClearMenuTexts();
            MarkChangedForSave(item);
            return true;
        }
        default:
            return false;
    }
    if (changed) item.ClearMenuTexts();
    return false;
}

bool Trim(CCHItem& item) {
    if (item.Kind() == Kind::kRtf) {
        const std::string rtf = AnsiOf(item);
        // The control writes the trimmed text with RTF of its own, which may be longer.
        std::vector<char> buffer(rtf.size() * 2 + 4096, '\0');
        memcpy(buffer.data(), rtf.data(), rtf.size());
        if (RtfBytesTrimChars(buffer.data(), static_cast<int>(buffer.size()), kTrimmedChars) > 0 &&
            SetAnsiText(item, buffer.data()))
            item.ClearMenuTexts();
        return false;
    }
    if (!EditAsWide(item, &TrimText)) return false;
    item.ClearMenuTexts();
    if (item.Kind() != Kind::kUnicodeText) return false;
    MarkChangedForSave(item);
    return true;
}

bool JoinLines(CCHItem& item) {
    bool changed = false;
    if (item.Kind() == Kind::kRtf) {
        CString text = RtfBytesToPlainText(AnsiOf(item).c_str());
        JoinText(text);
        changed = item.ChangeTextKind(Kind::kUnicodeText, text.GetString(),
                                      static_cast<DWORD>((text.GetLength() + 1) * sizeof(wchar_t)));
    } else {
        changed = EditAsWide(item, &JoinText);
    }
    if (!changed) return false;
    item.ClearMenuTexts();
    MarkChangedForSave(item);
    return true;
}
