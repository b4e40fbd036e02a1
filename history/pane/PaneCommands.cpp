#include "history/pane/PaneCommands.h"

#include <algorithm>
#include <functional>
#include <string>

#include "core/ClipboardAccess.h"
#include "core/TrayIds.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/base/BitmapFile.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryMenu.h"

namespace {

using Kind = CClipboardItemData::Kind;

// Command ids of the pane that no other part of the program sends.
enum : UINT {
    kCmdKeep = 32786,
    kCmdClearHistory = 32789,
    kCmdProtect = 32794,
    kCmdSave = 32795,
    kCmdCopyAsPlainText = 32797,
    kCmdUpperCase = 32799,
    kCmdLowerCase = 32805,
    kCmdOpenAsUrl = 32806,
    kCmdTrim = 32812,
    kCmdEmptyClipboard = 32813,
    kCmdRun = 32821,
    kCmdUndo = 32838,
    kCmdSearchGoogle = 32840,
    kCmdSearchYandex = 32841,
    kCmdSearchWikipedia = 32842,
    kCmdSearchMsdn = 32843,
    kCmdEditWithNotepad = 32845,
    kCmdOpenWith = 32846,
    kCmdCopySourceUrl = 32847,
    kCmdOpenSourceUrl = 32848,
    kCmdCopyAsRtf = 32849,
    kCmdCopyAsHtml = 32851,
    kCmdClearUndoPool = 32854,
    kCmdSaveAsPhrase = 32857,
    kCmdCopyHtmlCode = 32860,
    kCmdCopyExcludeSymbols = 32864,
    kCmdMultiCopy = 32872,
    kCmdRemoveLineBreaks = 32873,
};

const DWORD kCountMessageMs = 3000;
const int kListTextMaxChars = 999;
const int kSuggestedNameSourceChars = 50;
const int kSuggestedNameMaxChars = 40;
const wchar_t kEllipsis[] = L"\x2026";

bool IsTextKind(int kind) {
    return kind == Kind::kText || kind == Kind::kUnicodeText || kind == Kind::kRtf;
}

// The text a row stands for: its own, else that of a text companion (a picture copied
// from a web page has one).
CString ListTextOf(const CCHItem& item) {
    for (int kind : {Kind::kUnicodeText, Kind::kText, Kind::kRtf}) {
        if (const CCHItem* source = item.GetCompanion(kind)) return GetItemText(*source).Left(kListTextMaxChars);
    }
    return CString();
}

// The offset CF_HTML's description gives for the markup; 0 when it has none.
size_t HtmlStartOffset(const std::string& html) {
    const size_t key = html.find("StartHTML:");
    if (key == std::string::npos) return 0;
    const long offset = strtol(html.c_str() + key + 10, nullptr, 10);
    return offset > 0 && static_cast<size_t>(offset) < html.size() ? static_cast<size_t>(offset) : 0;
}

std::string HtmlBytesOf(const CCHItem& html) {
    std::string bytes(reinterpret_cast<const char*>(html.Data()), html.Size());
    bytes.erase(std::find(bytes.begin(), bytes.end(), '\0'), bytes.end());
    return bytes;
}

// The position of the "<html" tag (any case) that opens the markup; npos when none.
size_t FindHtmlTag(const std::wstring& text) {
    std::wstring lower = text;
    std::transform(lower.begin(), lower.end(), lower.begin(), [](wchar_t ch) { return towlower(ch); });
    for (size_t at = lower.find(L"<html"); at != std::wstring::npos; at = lower.find(L"<html", at + 1)) {
        const wchar_t next = at + 5 < lower.size() ? lower[at + 5] : L'\0';
        if (next == L'>' || iswspace(next)) return at;
    }
    return std::wstring::npos;
}

// The bytes of a text item without the zeros it was stored with.
std::string TextBytesOf(const CCHItem& item) {
    std::string bytes(reinterpret_cast<const char*>(item.Data()), item.Size());
    const size_t unit = item.Kind() == Kind::kUnicodeText ? 2 : 1;
    bytes.resize(bytes.size() - bytes.size() % unit);
    while (bytes.size() >= unit && std::all_of(bytes.end() - static_cast<std::ptrdiff_t>(unit), bytes.end(),
                                               [](char ch) { return ch == '\0'; }))
        bytes.resize(bytes.size() - unit);
    return bytes;
}

bool WriteWholeFile(const wchar_t* path, const std::string& bytes, DWORD* error) {
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        if (error) *error = GetLastError();
        return false;
    }
    DWORD written = 0;
    const bool ok =
        bytes.empty() || (WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
                          written == bytes.size());
    if (!ok && error) *error = GetLastError();
    return ok;
}

CString SystemErrorText(DWORD error) {
    CString text = GetErrorMessageText(error);
    text.TrimRight();
    if (text.IsEmpty()) text.Format(L"error %u", static_cast<unsigned>(error));
    return text;
}

// A list of item texts for a question, at most kPaneListedItems of them.
CString ListItems(const std::vector<const CCHItem*>& items) {
    CString list;
    const int count = static_cast<int>(items.size());
    for (int i = 0; i < count && i < kPaneListedItems; ++i) list += L"\n\x2022 " + GetMenuText(*items[i]);
    if (count > kPaneListedItems) {
        CString more;
        more.Format(L"\n%s +%d", kEllipsis, count - kPaneListedItems);
        list += more;
    }
    return list;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Pure helpers

CString GetPaneItemText(const CCHItem& item) {
    return IsTextKind(item.Kind()) ? GetItemText(item) : CString();
}

CPaneSaveOffer MakePaneSaveOffer(const CCHItem& item) {
    CPaneSaveOffer offer;
    switch (item.Kind()) {
        case Kind::kRtf:
            offer.filter = L"Formatted Text Files (*.rtf)|*.rtf|All Files (*.*)|*.*||";
            offer.defaultExtension = L"rtf";
            break;
        case Kind::kDorvane:
            offer.filter = L"Dorvane Documents (*.dvn)|*.dvn|All Files (*.*)|*.*||";
            offer.defaultExtension = L"dvn";
            offer.suggestedName = L"Dorvane_Document.dvn";
            break;
        case Kind::kBitmap:
            offer.filter = L"Bitmap Files (*.bmp)|*.bmp|All Files (*.*)|*.*||";
            offer.defaultExtension = L"bmp";
            break;
        case Kind::kHtml:
            // Its own filter is the HTML one below.
            break;
        default:
            offer.filter = L"Text Files (*.txt)|*.txt|All Files (*.*)|*.*||";
            offer.defaultExtension = L"txt";
            break;
    }
    offer.hasHtml = item.GetHtmlItem() != nullptr;
    if (offer.hasHtml) {
        offer.filter = offer.filter.IsEmpty() ? CString(L"HTML files (*.htm,*.html)|*.htm|All Files (*.*)|*.*||")
                                              : L"HTML files (*.htm,*.html)|*.htm|" + offer.filter;
        offer.defaultExtension = L"htm";
    }
    const CString text = GetPaneItemText(item);
    if (!text.IsEmpty()) {
        CString name = MakeFileNameFromText(text.Left(kSuggestedNameSourceChars), false, kSuggestedNameMaxChars);
        offer.suggestedName = name.Left(kSuggestedNameMaxChars);
    }
    return offer;
}

CPaneSaveTarget ResolvePaneSaveTarget(const CCHItem& item, const CString& chosenPath, int filterIndex) {
    CPaneSaveTarget target;
    target.path = chosenPath;
    const bool htmlChosen = filterIndex == 1 && item.GetHtmlItem() != nullptr;
    if (item.Kind() == Kind::kBitmap) {
        if (htmlChosen) {
            const int dot = chosenPath.ReverseFind(L'.');
            const int slash = chosenPath.ReverseFind(L'\\');
            target.path = (dot > slash ? chosenPath.Left(dot) : chosenPath) + L".bmp";
        }
        return target;
    }
    target.asHtml = htmlChosen || item.Kind() == Kind::kHtml;
    return target;
}

bool ExportPaneItem(const CCHItem& item, bool asHtml, const wchar_t* path, DWORD* error) {
    if (error) *error = 0;
    if (item.Kind() == Kind::kBitmap) {
        if (SaveBitmapToFile(path, item.Bitmap())) return true;
        if (error) *error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        return false;
    }
    const CCHItem* source = asHtml ? item.GetHtmlItem() : &item;
    if (!source || !source->Data()) {
        if (error) *error = ERROR_INVALID_DATA;
        return false;
    }
    std::string bytes;
    if (source->Kind() == Kind::kHtml) {
        const std::string html = HtmlBytesOf(*source);
        bytes = html.substr(HtmlStartOffset(html));
    } else if (source->Kind() == Kind::kDorvane) {
        bytes.assign(reinterpret_cast<const char*>(source->Data()), source->Size());
    } else {
        bytes = TextBytesOf(*source);
        // Without the mark, editors take UTF-16 for 8-bit text.
        if (source->Kind() == Kind::kUnicodeText) bytes.insert(0, "\xFF\xFE", 2);
    }
    return WriteWholeFile(path, bytes, error);
}

CString GetHtmlCode(const CCHItem& item, PaneCodePageDetect detect) {
    const CCHItem* html = item.GetHtmlItem();
    if (!html || !html->Data()) return CString();
    const std::string bytes = HtmlBytesOf(*html);
    UINT codePage = html->CodePage();
    if (!codePage && detect) codePage = detect(bytes.c_str(), static_cast<int>(bytes.size()));
    if (!codePage) codePage = CP_UTF8;
    std::wstring text = MultiByteToWideCP(bytes.c_str(), codePage);
    const size_t tag = FindHtmlTag(text);
    if (tag != std::wstring::npos) text.erase(0, tag);
    return text.c_str();
}

CString MakeDeleteQuestion(const CString& caption, const std::vector<const CCHItem*>& selected) {
    CString text;
    text.Format(L"%s\n%s: %d\n", caption.GetString(), LoadUiString(IDS_CMD_DELETE_ITEMS).GetString(),
                static_cast<int>(selected.size()));
    return text + ListItems(selected);
}

CString MakeProtectedQuestion(const std::vector<const CCHItem*>& selected) {
    std::vector<const CCHItem*> protectedItems;
    for (const CCHItem* item : selected)
        if (item->IsProtected()) protectedItems.push_back(item);
    CString text;
    text.Format(L"%s: %d\n", LoadUiString(IDS_SELECTED_ITEMS).GetString(), static_cast<int>(selected.size()));
    text += ListItems(protectedItems);
    CString count;
    count.Format(L"\n\n%s: %d", LoadUiString(IDS_PROTECTED_AMONG_THEM).GetString(),
                 static_cast<int>(protectedItems.size()));
    return text + count;
}

// ---------------------------------------------------------------------------------------
// Commands

CPaneCommands::CPaneCommands(CVXLWndClipboardHandler& history, IPaneCommandHost& host, IPaneCommandUi& ui)
    : m_history(history), m_host(host), m_ui(ui), m_deleteCaption(L"Delete") {}

CPaneCommands::~CPaneCommands() = default;

CCHItem* CPaneCommands::Focused() const {
    const int row = m_host.FocusedItem();
    return row >= 0 ? m_history.Get_Item(row) : nullptr;
}

std::vector<const CCHItem*> CPaneCommands::SelectedItems() const {
    std::vector<const CCHItem*> items;
    for (int row : m_host.SelectedItems())
        if (const CCHItem* item = m_history.Get_Item(row)) items.push_back(item);
    return items;
}

bool CPaneCommands::Run(UINT id, PaneCommandSource source) {
    switch (id) {
        case ID_OPEN_EDITOR:
            m_host.PostToMainWindow(id);
            m_host.SetCollapsed(true, true);
            return true;
        case kCmdKeep:
        case ID_CHECK_FOR_UPDATES:
        case ID_RUN_AS_ADMIN:
            m_host.PostToMainWindow(id);
            return true;
        case kCmdClearHistory:
            ClearHistory();
            return true;
        case ID_PANE_COPY:
            if (source == PaneCommandSource::kToolbar)
                m_host.PasteToPreviousWindow();
            else if (!CopyItem(m_host.FocusedItem(), false))
                m_ui.Beep();
            return true;
        case kCmdProtect:
            Protect();
            return true;
        case kCmdSave:
            Save();
            return true;
        case ID_PANE_DELETE:
            Delete(source);
            return true;
        case kCmdCopyAsPlainText: {
            const int row = m_host.FocusedItem();
            if (row < 0 || !m_history.PutAsText(row)) m_ui.Beep();
            return true;
        }
        case ID_PANE_MINIMIZE_TO_CAPTION:
            m_host.SetCollapsed(!m_host.IsCollapsed(), true);
            return true;
        case ID_PANE_COLLAPSE:
            m_host.SetCollapsed(true, true);
            return true;
        case kCmdUpperCase:
        case kCmdLowerCase:
            ChangeCase(id == kCmdUpperCase);
            return true;
        case kCmdOpenAsUrl:
            WithListText([this](const CString& text) { return m_ui.OpenUrl(text); });
            return true;
        case kCmdRun:
            WithListText([this](const CString& text) { return m_ui.RunCommand(text); });
            return true;
        case kCmdTrim:
            Trim();
            return true;
        case kCmdRemoveLineBreaks:
            JoinLines();
            return true;
        case kCmdEmptyClipboard:
            if (!m_ui.EmptyClipboard()) m_ui.Beep();
            return true;
        case ID_PANE_PIN:
            m_host.SetPinned(!m_host.IsPinned());
            return true;
        case ID_PANE_EDIT:
        case kCmdEditWithNotepad:
        case kCmdOpenWith: {
            const CCHItem* item = Focused();
            const int how = id == ID_PANE_EDIT ? 0 : id == kCmdEditWithNotepad ? 1 : 2;
            if (!item || !m_ui.OpenItem(*item, how)) m_ui.Beep();
            return true;
        }
        case kCmdUndo:
            Undo();
            return true;
        case kCmdSearchGoogle:
            WithListText([this](const CString& text) { return m_ui.WebSearch(text, 5); });
            return true;
        case kCmdSearchYandex:
            WithListText([this](const CString& text) { return m_ui.WebSearch(text, 6); });
            return true;
        case kCmdSearchWikipedia:
            WithListText([this](const CString& text) { return m_ui.WebSearch(text, 8); });
            return true;
        case kCmdSearchMsdn:
            WithListText([this](const CString& text) { return m_ui.WebSearch(text, 7); });
            return true;
        case ID_SHOW_PHRASES_MENU:
            m_host.ShowPhrasesMenu();
            return true;
        case kCmdCopySourceUrl: {
            const CCHItem* item = Focused();
            if (!item || !item->Has_URL() || !PutText(item->Get_URL())) m_ui.Beep();
            return true;
        }
        case kCmdOpenSourceUrl: {
            const CCHItem* item = Focused();
            if (!item || !item->Has_URL() || !m_ui.ShellOpen(item->Get_URL())) m_ui.Beep();
            return true;
        }
        case kCmdCopyAsRtf:
            if (!CopyItemForm(Kind::kRtf)) m_ui.Beep();
            return true;
        case kCmdCopyAsHtml:
            if (!CopyItemForm(Kind::kHtml)) m_ui.Beep();
            return true;
        case kCmdClearUndoPool:
            m_history.Queue().ClearUndo();
            return true;
        case ID_PANE_SHOW_ALL_ITEMS:
            m_host.ShowAllItems();
            return true;
        case kCmdSaveAsPhrase:
            SaveAsPhrase();
            return true;
        case kCmdCopyHtmlCode:
            if (!CopyHtmlCode()) m_ui.Beep();
            return true;
        case ID_PANE_SELECT_ALL:
            if (!m_host.SelectAll()) m_ui.Beep();
            return true;
        case kCmdMultiCopy:
            MultiCopy();
            return true;
        case kCmdCopyExcludeSymbols: {
            const CCHItem* item = Focused();
            CString text = item ? GetPaneItemText(*item) : CString();
            SanitizeFileName(text);
            if (!PutText(text)) m_ui.Beep();
            return true;
        }
        case ID_APP_EXIT:
            m_host.ClosePane();
            return true;
        default:
            return false;
    }
}

bool CPaneCommands::CopyItem(int row, bool withSound) {
    if (!m_history.Get_Item(row)) return false;
    // A web page goes with its text companion, so that it pastes where markup is not taken.
    if (!m_history.PutBackItem(row)) {
        m_ui.ReportError(L"Cannot copy data to clipboard from float pane");
        return false;
    }
    if (withSound) m_ui.PlayCopySound();
    return true;
}

bool CPaneCommands::PutText(const CString& text) {
    return !text.IsEmpty() && m_history.PutText(text);
}

bool CPaneCommands::CopyItemForm(int kind) {
    const int row = m_host.FocusedItem();
    const CCHItem* item = m_history.Get_Item(row);
    return item && item->GetCompanion(kind) && m_history.PutItemForm(row, kind);
}

bool CPaneCommands::WithListText(const std::function<bool(const CString&)>& action) {
    const CCHItem* item = Focused();
    const CString text = item ? ListTextOf(*item) : CString();
    if (text.IsEmpty() || !action(text)) {
        m_ui.Beep();
        return false;
    }
    return true;
}

void CPaneCommands::ClearHistory() {
    if (m_history.Clear()) m_history.SaveNow();
    m_host.RefreshList();
}

bool CPaneCommands::Undo() {
    const bool done = m_history.Queue().DoUndo() == 1;
    if (done) {
        m_history.Queue().Sort();
        m_history.SaveNow();
    }
    m_host.RefreshList();
    return done;
}

bool CPaneCommands::Delete(PaneCommandSource source) {
    if (m_history.IsEmpty()) return false;
    const std::vector<const CCHItem*> selected = SelectedItems();
    if (selected.empty()) return false;
    struct CBusy {
        IPaneCommandHost& host;
        explicit CBusy(IPaneCommandHost& h) : host(h) { host.SetBusy(true); }
        ~CBusy() { host.SetBusy(false); }
    } busy(m_host);

    if (source == PaneCommandSource::kAccelerator && !m_ui.ConfirmDelete(MakeDeleteQuestion(m_deleteCaption, selected)))
        return false;
    // The history may take a copy while a question is open, which moves every row: the
    // items are found again by their identifiers.
    std::vector<CString> ids;
    for (const CCHItem* item : selected) ids.push_back(item->Identifier());
    const int firstRow = m_host.SelectedItems().empty() ? 0 : m_host.SelectedItems().front();

    bool force = false;
    const bool anyProtected =
        std::any_of(selected.begin(), selected.end(), [](const CCHItem* item) { return item->IsProtected(); });
    if (anyProtected && !m_ui.ConfirmDeleteProtected(MakeProtectedQuestion(selected), force)) return false;

    LogWrite(CString(L"From command: \"Delete\", ") +
             (source == PaneCommandSource::kAccelerator ? L" (by accelerator" : L"by menu"));
    std::vector<int> rows;
    const int count = m_history.Get_Items_Count();
    for (const CString& id : ids) {
        const CCHItem* item = m_history.Queue().FindById(id);
        for (int row = 0; item && row < count; ++row) {
            if (m_history.Get_Item(row) == item) {
                rows.push_back(row);
                break;
            }
        }
    }
    if (rows.empty() || !m_history.Remove(rows, true, force, L"Command: \"Delete\"")) {
        m_ui.Beep();
        return false;
    }
    m_host.RefreshList();
    m_host.SelectRowLater(std::max(0, std::min(firstRow - 1, m_history.Get_Items_Count() - 1)));
    m_history.SaveNow();
    return true;
}

void CPaneCommands::Protect() {
    const CCHItem* focused = Focused();
    if (!focused) return;
    const bool flag = !focused->IsProtected();
    bool saveAll = false;
    for (int row : m_host.SelectedItems()) {
        CCHItem* item = m_history.Get_Item(row);
        if (item && item->SetProtected(flag) == 2) saveAll = true;
    }
    m_host.RefreshList();
    if (saveAll) m_history.SaveNow();
}

int CPaneCommands::ChangeCase(bool upper) {
    int changed = 0;
    for (int row : m_host.SelectedItems()) {
        const CCHItem* item = m_history.Get_Item(row);
        if (!item || !IsTextKind(item->Kind())) continue;
        const CString before = GetItemText(*item);
        m_history.ChangeCase(row, upper);
        if (GetItemText(*item) != before) ++changed;
    }
    if (changed) m_host.RefreshList();
    return changed;
}

int CPaneCommands::EditSelected(int (CPaneCommands::*edit)(), UINT messageId) {
    const bool pinned = m_host.IsPinned();
    m_host.SetPinned(true);
    const int changed = (this->*edit)();
    if (changed) m_host.RefreshList();
    CString text;
    text.Format(L"%s: %d", LoadUiString(messageId).GetString(), changed);
    m_ui.ShowTimedMessage(text, changed > 0 ? MB_ICONINFORMATION : MB_ICONWARNING, kCountMessageMs);
    m_host.SetPinned(pinned);
    return changed;
}

int CPaneCommands::TrimSelected() {
    int changed = 0;
    for (int row : m_host.SelectedItems()) {
        const CCHItem* item = m_history.Get_Item(row);
        if (!item || !IsTextKind(item->Kind())) continue;
        const CString before = GetItemText(*item);
        m_history.Trim(row);
        if (GetItemText(*item) != before) ++changed;
    }
    return changed;
}

int CPaneCommands::JoinFocused() {
    const int row = m_host.FocusedItem();
    const CCHItem* item = m_history.Get_Item(row);
    if (!item || !IsTextKind(item->Kind())) return 0;
    const CString before = GetItemText(*item);
    m_history.JoinLines(row, false);
    item = m_history.Get_Item(row);
    if (!item || GetItemText(*item) == before) return 0;
    m_history.SaveNow();
    return 1;
}

int CPaneCommands::Trim() {
    return EditSelected(&CPaneCommands::TrimSelected, IDS_TRIMMED_ITEMS);
}

int CPaneCommands::JoinLines() {
    return EditSelected(&CPaneCommands::JoinFocused, IDS_LINE_BREAKS_REMOVED);
}

bool CPaneCommands::MultiCopy() {
    const std::vector<int> rows = m_host.SelectedItems();
    CString joined;
    bool any = false;
    if (rows.size() >= 2) {
        for (int row : rows) {
            const CCHItem* item = m_history.Get_Item(row);
            if (!item || item->Kind() != Kind::kUnicodeText) continue;
            if (any) joined += L"\n";
            joined += GetItemText(*item);
            any = true;
        }
    }
    if (any && m_history.PutText(joined)) return true;
    m_ui.Beep();
    return false;
}

bool CPaneCommands::CopyHtmlCode() {
    const CCHItem* item = Focused();
    return item && PutText(GetHtmlCode(*item, m_detect));
}

bool CPaneCommands::SaveAsPhrase() {
    const CCHItem* item = Focused();
    const CString text = item ? GetPaneItemText(*item) : CString();
    if (!text.IsEmpty() && m_host.SendPhraseToMainWindow(text)) return true;
    m_ui.Beep();
    return false;
}

int CPaneCommands::Save() {
    int saved = 0;
    for (const CCHItem* item : SelectedItems()) {
        if (!SaveOne(*item)) break;
        ++saved;
    }
    return saved;
}

bool CPaneCommands::SaveOne(const CCHItem& item) {
    const CPaneSaveOffer offer = MakePaneSaveOffer(item);
    CString folder = m_ui.SaveFolder();
    if (!folder.IsEmpty()) AddTrailingBackslash(folder);
    CString path;
    int filterIndex = 1;
    if (!m_ui.AskSavePath(L"Vexlora : " + LoadUiString(IDS_CMD_SAVE_ITEM), offer, folder, path, filterIndex))
        return false;
    const int slash = path.ReverseFind(L'\\');
    if (slash > 0) m_ui.SetSaveFolder(path.Left(slash + 1));
    const CPaneSaveTarget target = ResolvePaneSaveTarget(item, path, filterIndex);
    DWORD error = 0;
    if (ExportPaneItem(item, target.asHtml, target.path, &error)) return true;
    LogWriteFormat(L"CPaneCommands::SaveOne: \"%s\" not written, error %u", target.path.GetString(),
                   static_cast<unsigned>(error));
    m_ui.ShowError(L"\"" + target.path + L"\"\n" + SystemErrorText(error));
    return false;
}
