#include "history/pane/PaneTips.h"

#include "core/ClipboardItemFiles.h"
#include "core/DateTimeTexts.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/base/DateTimeFormat.h"
#include "core/base/TextHelpers.h"
#include "history/HistoryItem.h"
#include "history/HistoryMenu.h"

namespace {

using Kind = CClipboardItemData::Kind;

CString KindName(const CCHItem& item) {
    switch (item.Kind()) {
        case Kind::kText:
            return L"Text (ANSI)";
        case Kind::kUnicodeText:
            return L"Text (Unicode)";
        case Kind::kRtf:
            return LoadUiString(IDS_FORMATTED_TEXT_RTF);
        case Kind::kDorvane:
            return L"Dorvane";
        case Kind::kBitmap:
            return L"Bitmap";
        case Kind::kHtml:
            return L"HTML";
        default:
            return L"Ooops! Unknown Clipboard Format";
    }
}

CString SizeText(const CCHItem& item) {
    CString text;
    if (item.Kind() == Kind::kBitmap) {
        BITMAP bitmap = {};
        if (item.Bitmap() && GetObjectW(item.Bitmap(), sizeof bitmap, &bitmap))
            text.Format(L"%d x %d", static_cast<int>(bitmap.bmWidth), static_cast<int>(bitmap.bmHeight));
        return text;
    }
    if (item.Kind() == Kind::kDorvane) {
        text.Format(L"%u bytes", static_cast<unsigned>(item.Size()));
        return text;
    }
    const CString body = GetItemText(item);
    int lines = body.IsEmpty() ? 0 : 1;
    for (int i = 0; i < body.GetLength(); ++i)
        if (body[i] == L'\n') ++lines;
    text.Format(L"%s: %d, %s: %d", LoadUiString(IDS_CHARS).GetString(), body.GetLength(),
                LoadUiString(IDS_LINES).GetString(), lines);
    return text;
}

// Days since 1601 of a local time; -1 when it is none.
LONGLONG DayNumber(const SYSTEMTIME& time) {
    FILETIME file = {};
    if (!SystemTimeToFileTime(&time, &file)) return -1;
    const ULONGLONG ticks = (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return static_cast<LONGLONG>(ticks / (10000000ULL * 60 * 60 * 24));
}

ULONGLONG Milliseconds(const SYSTEMTIME& time) {
    FILETIME file = {};
    if (!SystemTimeToFileTime(&time, &file)) return 0;
    return ((static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime) / 10000;
}

}  // namespace

CString PaneTipDayWord(const SYSTEMTIME& copied, const SYSTEMTIME& now) {
    const LONGLONG copiedDay = DayNumber(copied);
    const LONGLONG today = DayNumber(now);
    if (copiedDay < 0 || today < 0) return CString();
    const LONGLONG days = today - copiedDay;
    if (days < 0 || days > 2) return CString();
    CString word = LoadUiString(days == 0 ? IDS_TODAY : days == 1 ? IDS_YESTERDAY : IDS_TWO_DAYS_AGO);
    word.MakeLower();
    return word;
}

CString MakePaneItemTip(const CCHItem& item, const std::vector<int>& selectedRows, const SYSTEMTIME& now) {
    CString text;
    text.Format(L"Sel: %d {", static_cast<int>(selectedRows.size()));
    for (size_t i = 0; i < selectedRows.size(); ++i) {
        CString row;
        row.Format(i ? L", %d" : L"%d", selectedRows[i]);
        text += row;
    }
    text += L"}\n";

    CString kinds = KindName(item);
    for (const auto& companion : item.Companions()) kinds += L", " + KindName(*companion);
    text += kinds + L"\n" + SizeText(item) + L"\n";

    const SYSTEMTIME& copied = item.Get_Time();
    const CString day = PaneTipDayWord(copied, now);
    text += day.IsEmpty() ? FormatDateText(copied, false) + L" " : day + L".   ";
    text += FormatTime24(copied, LOCALE_USER_DEFAULT);
    const ULONGLONG copiedMs = Milliseconds(copied), nowMs = Milliseconds(now);
    if (copiedMs && nowMs >= copiedMs) {
        const ULONGLONG age = nowMs - copiedMs;
        const CString ago =
            FormatElapsedTime(static_cast<unsigned>(age > 0xFFFFFFFFULL ? 0xFFFFFFFFULL : age), LOCALE_USER_DEFAULT);
        if (!ago.IsEmpty()) text += L"\n" + ago + L" " + LoadUiString(IDS_AGO);
    }
    if (!item.ProgramName().IsEmpty()) text += L"\n" + LoadUiString(IDS_COPIED_FROM) + L": " + item.ProgramName();
    if (!item.DataPath().IsEmpty()) {
        const UINT where = item.SaveState() == kSaveStateLoaded ? IDS_LOADED_FROM : IDS_SAVED_TO;
        text += L"\n" + LoadUiString(where) + L": " + item.DataPath();
    }
    if (item.Has_URL()) text += L"\nURL: " + item.Get_URL();
    return text;
}

CString MakePaneCaptionTip(const CPaneCaptionTipFacts& facts) {
    const CString dashes = MakeEmDashes(35);
    const CString quoted = L"\x00AB" + facts.runAsAdminCaption + L"\x00BB";
    CString text = LoadUiString(IDS_CLIPBOARD_HISTORY) + L" - " + facts.version;
    if (!facts.hotKey.IsEmpty()) text += L" [" + facts.hotKey + L"]";
    if (!facts.elevated) {
        CString warning = LoadUiString(IDS_NO_ADMIN_RIGHTS);
        warning.MakeUpper();
        text += L"\n!!! " + warning + L" !!!\n" + LoadUiString(IDS_GET_ADMIN_RIGHTS_HINT) + L" " + quoted;
    }
    text += L"\n" + dashes + L"\n";
    for (UINT id : {IDS_RIGHT_CLICK_FOR_MENU, IDS_PANE_HINT_DOUBLE_CLICK, IDS_PANE_HINT_MIDDLE_CLICK,
                    IDS_PANE_HINT_MOVE, IDS_PANE_HINT_PIN})
        text += L"\n\x2022 " + LoadUiString(id);
    if (!facts.elevated) {
        text += L"\n\n" + dashes.Left(10) + L" " + LoadUiString(IDS_TIP) + L" " + dashes.Left(10);
        text += L"\n" + quoted;
        for (UINT id : {IDS_ADMIN_TARGETS_HINT, IDS_ADMIN_RECOMMENDED, IDS_ADMIN_MACROS_HINT})
            text += L"\n\x2022 " + LoadUiString(id);
    }
    return text;
}

CString PaneListText(const CCHItem& item, int maxChars) {
    if (item.Kind() == Kind::kBitmap) return LoadUiString(IDS_PICTURE).Left(maxChars);
    if (item.Kind() == Kind::kDorvane && !item.Has_MetaInfo()) return CString(L"{== Dorvane Data ==}").Left(maxChars);
    CString text = GetPreviewText(item, maxChars);
    text.Replace(L"\r\n", L" ");
    text.Replace(L'\n', L' ');
    text.Replace(L'\r', L' ');
    while (text.Replace(L"  ", L" ") > 0) {
    }
    return text.Left(maxChars);
}
