#include "tray/HistoryMenuSource.h"

#include "core/base/TextHelpers.h"
#include "history/ClipFormats.h"
#include "history/HistoryMenu.h"

namespace {

// Formatted text shows its beginning only: a tip has no room for more.
const int kPlainTextOfRtfChars = 200;

}  // namespace

int CHistoryMenuSource::GetKind(int index) {
    const CCHItem* item = m_handler.Get_Item(index);
    return item ? item->Kind() : -1;
}

CString CHistoryMenuSource::GetMenuCaption(int index) {
    CCHItem* item = m_handler.Get_Item(index);
    if (!item) return CString();
    if (item->MenuCaption().IsEmpty()) item->Set_Menu_Caption(GetMenuText(*item));
    return item->MenuCaption();
}

bool CHistoryMenuSource::GetMenuHint(int index, CString& hint) {
    const CCHItem* item = m_handler.Get_Item(index);
    if (!item || item->MenuHint().IsEmpty()) return false;
    hint = item->MenuHint();
    return true;
}

void CHistoryMenuSource::StoreMenuHint(int index, const CString& hint) {
    if (CCHItem* item = m_handler.Get_Item(index)) item->Set_Menu_Hint(hint);
}

bool CHistoryMenuSource::HasSisterMetaInfo(int index) {
    const CCHItem* item = m_handler.Get_Item(index);
    return item && item->Kind() == kHistoryKindSisterData && item->Has_MetaInfo();
}

CString CHistoryMenuSource::GetPlainText(int index) {
    const CCHItem* item = m_handler.Get_Item(index);
    if (!item) return CString();
    switch (item->Kind()) {
        case kHistoryKindAnsiText:
        case kHistoryKindUnicodeText:
            return GetItemText(*item);
        case kHistoryKindFormattedText:
            return KeepHead(GetItemText(*item), kPlainTextOfRtfChars);
        case kHistoryKindSisterData: {
            CDvnClipInfo record;
            if (!ParseDvnClipInfo(record, item->MetaText().c_str())) return CString();
            return DvnClipInfoToText(record, kDvnTextTip);
        }
        default:
            return CString();
    }
}

CString CHistoryMenuSource::GetSourceUrl(int index) {
    const CCHItem* item = m_handler.Get_Item(index);
    return item ? item->Get_URL() : CString();
}

bool CHistoryMenuSource::GetItemData(int index, CClipboardItemData& data) {
    const CCHItem* item = m_handler.Get_Item(index);
    if (!item) return false;
    data = item->ItemData();
    return data.data != nullptr;
}

bool CHistoryMenuSource::GetItemOrigin(int index, CString& windowTitle, CString& program, SYSTEMTIME& time) {
    const CCHItem* item = m_handler.Get_Item(index);
    if (!item) return false;
    windowTitle = item->WindowTitle();
    program = item->ProgramName();
    time = item->Get_Time();
    return true;
}

bool CHistoryMenuSource::GetLatestUndo(CString& description, ULONGLONG& tick, SYSTEMTIME& time) {
    const UNDO_ITEM* record = m_handler.Queue().Get_Undo_Item_By_Index(0);
    if (!record) return false;
    description = record->description;
    tick = record->tick;
    time = record->time;
    return true;
}
