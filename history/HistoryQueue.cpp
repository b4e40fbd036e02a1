#include "history/HistoryQueue.h"

#include <algorithm>
#include <tuple>

#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "history/HistoryFiles.h"

namespace {

auto TimeKey(const SYSTEMTIME& t) {
    return std::make_tuple(t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds);
}

bool IsSelected(const std::vector<int>& selection, int index) {
    return std::find(selection.begin(), selection.end(), index) != selection.end();
}

// A copy that is written anew once it comes back.
std::unique_ptr<CCHItem> UnsavedCopy(const CCHItem& item) {
    std::unique_ptr<CCHItem> copy = item.Copy();
    if (copy) copy->ResetSaveState();
    return copy;
}

}  // namespace

CCHQueue::CCHQueue(const wchar_t* folder, IClock& clock) : m_folder(WithTrailingBackslash(folder)), m_clock(clock) {}

CCHQueue::~CCHQueue() = default;

CCHItem* CCHQueue::ItemFromNewest(int index) const {
    if (index < 0 || index >= Count()) return nullptr;
    return m_items[m_items.size() - 1 - index].get();
}

bool CCHQueue::Add(std::unique_ptr<CCHItem> item, int limit) {
    if (m_frozen || !item) return false;
    auto old = std::find_if(m_items.begin(), m_items.end(),
                            [&item](const std::unique_ptr<CCHItem>& held) { return item->IsDuplicateOf(*held); });
    if (old == m_items.end()) {
        m_items.push_back(std::move(item));
        ApplyLimit(limit);
        return true;
    }
    item->SetProtected((*old)->IsProtected());
    item->SetSerial((*old)->Serial());
    // The newer item is written (or was read) with files of its own: the older ones would
    // be left to nobody.
    if ((*old)->InfoPath() != item->InfoPath()) (*old)->DeleteFiles();
    m_items.erase(old);
    m_items.push_back(std::move(item));
    return true;
}

void CCHQueue::ApplyLimit(int limit) {
    if (limit < 0 || Count() <= limit) return;
    CCHItemList kept;
    int stay = 0;
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it) {
        if (stay < limit || (*it)->IsProtected()) {
            if (stay < limit) ++stay;
            kept.push_back(std::move(*it));
        } else {
            (*it)->DeleteFiles();
        }
    }
    std::reverse(kept.begin(), kept.end());
    m_items = std::move(kept);
}

void CCHQueue::Sort() {
    std::stable_sort(m_items.begin(), m_items.end(),
                     [](const std::unique_ptr<CCHItem>& a, const std::unique_ptr<CCHItem>& b) {
                         return TimeKey(a->Get_Time()) < TimeKey(b->Get_Time());
                     });
}

CCHItem* CCHQueue::FindById(const wchar_t* identifier) const {
    for (const auto& item : m_items) {
        if (item->Identifier() == identifier) return item.get();
    }
    return nullptr;
}

int CCHQueue::FindIndexBySerial(LONG serial) const {
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i]->Serial() == serial) return static_cast<int>(i);
    }
    return -1;
}

std::unique_ptr<UNDO_ITEM> CCHQueue::NewUndoRecord(const wchar_t* description, int action) {
    auto record = std::make_unique<UNDO_ITEM>();
    record->time = m_clock.LocalTime();
    record->description = description;
    record->tick = m_clock.Ticks();
    record->action = action;
    return record;
}

int CCHQueue::Remove(const std::vector<int>& selection, bool recordUndo, bool force, const wchar_t* description) {
    if (selection.empty() || m_items.empty()) return 0;
    // Indexes from the newest.
    std::vector<bool> goes(m_items.size());
    for (int index = 0; index < Count(); ++index) {
        goes[index] = IsSelected(selection, index) && (force || !ItemFromNewest(index)->IsProtected());
    }
    if (recordUndo) {
        // Only what really goes: an undo must not bring back a second copy of a kept item.
        auto record = NewUndoRecord(description, UA_ADD_TO_CUR);
        for (int index = 0; index < Count(); ++index) {
            if (!goes[index]) continue;
            std::unique_ptr<CCHItem> copy = UnsavedCopy(*ItemFromNewest(index));
            if (!copy) return 0;
            record->items.insert(record->items.begin(), std::move(copy));
        }
        if (!record->items.empty()) m_undo.push_back(std::move(record));
    }
    std::vector<CString> files;
    CCHItemList kept;
    bool removed = false;
    int index = 0;
    for (auto it = m_items.rbegin(); it != m_items.rend(); ++it, ++index) {
        if (goes[index]) {
            size_t count = (*it)->GetAll_FileNames(files);
            LogWriteFormat(L"pData->GetAll_FileNames fnamesForDel.size=%u", static_cast<unsigned>(count));
            removed = true;
        } else {
            kept.push_back(std::move(*it));
        }
    }
    std::reverse(kept.begin(), kept.end());
    m_items = std::move(kept);
    DeleteFileList(files);
    return removed || m_items.empty() ? 1 : 0;
}

bool CCHQueue::Clear(const wchar_t* description) {
    if (m_items.empty()) {
        Clear_Directory_Exclude({});
        return false;
    }
    auto record = NewUndoRecord(description && *description ? description : L"Command: \"Clear\"", UA_RELPLACE_ALL);
    for (const auto& item : m_items) {
        std::unique_ptr<CCHItem> copy = UnsavedCopy(*item);
        if (!copy) return false;
        record->items.push_back(std::move(copy));
    }
    m_undo.push_back(std::move(record));

    CCHItemList kept;
    std::vector<CString> keep;
    for (auto& item : m_items) {
        if (!item->IsProtected()) continue;
        item->GetAll_FileNames(keep);
        kept.push_back(std::move(item));
    }
    m_items = std::move(kept);
    Clear_Directory_Exclude(keep);
    return true;
}

int CCHQueue::Clear_Directory_Exclude(const std::vector<CString>& keep) {
    LogWrite(L"CCHQueue::Clear_Directory_Exclude");
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW(m_folder + L"*.*", &data));
    if (!find) {
        LogError(L"INVALID_HANDLE_VALUE  in CCHQueue::Clear_Directory_Exclude");
        return 0;
    }
    std::vector<CString> doomed;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        CString path = m_folder + data.cFileName;
        bool kept = std::any_of(keep.begin(), keep.end(),
                                [&path](const CString& name) { return name.CompareNoCase(path) == 0; });
        if (!kept) doomed.push_back(path);
    } while (FindNextFileW(find.get(), &data));
    int deleted = 0;
    for (const CString& path : doomed) {
        if (DeleteFileForce(path)) {
            ++deleted;
        } else {
            LogError(L"Cannot delete the: " + path);
        }
    }
    return deleted;
}

CCHItemList CCHQueue::CopyAll() const {
    CCHItemList copies;
    for (const auto& item : m_items) {
        std::unique_ptr<CCHItem> copy = item->Copy();
        if (copy) copies.push_back(std::move(copy));
    }
    return copies;
}

CCHItemList CCHQueue::CopyUnsaved() const {
    CCHItemList copies;
    for (const auto& item : m_items) {
        if (item->SaveState() != kSaveStateNew) continue;
        std::unique_ptr<CCHItem> copy = item->Copy();
        if (copy) copies.push_back(std::move(copy));
    }
    return copies;
}

int CCHQueue::DoUndo() {
    if (m_undo.empty()) return 0;
    UNDO_ITEM& record = *m_undo.back();
    if (record.action == UA_RELPLACE_ALL) {
        LogWrite(L"DoUndo: UA_RELPLACE_ALL");
        // The record's copies are written anew; the files of what they replace would be
        // left to nobody.
        for (auto& item : m_items) item->DeleteFiles();
        m_items.clear();
    } else if (record.action == UA_ADD_TO_CUR) {
        LogWrite(L"DoUndo: UA_ADD_TO_CUR");
    } else {
        LogError(L"DoUndo: unknown action");
        return 0;
    }
    for (auto& item : record.items) m_items.push_back(std::move(item));
    m_undo.pop_back();
    return 1;
}

const UNDO_ITEM* CCHQueue::Get_Undo_Item_By_Index(int index) const {
    if (index < 0 || index >= UndoCount()) return nullptr;
    return m_undo[m_undo.size() - 1 - index].get();
}

bool CCHQueue::Get_Latest_Undo_Info(CString& description, int& action, SYSTEMTIME* time) const {
    const UNDO_ITEM* record = Get_Undo_Item_By_Index(0);
    if (!record) return false;
    description = record->description;
    action = record->action;
    if (time) *time = record->time;
    return true;
}

bool CCHQueue::DeleteFileForce(const wchar_t* path) {
    return ::DeleteFileForce(path);
}

void CCHQueue::DeleteFileList(const std::vector<CString>& files) {
    for (const CString& file : files) {
        if (FileExists(file) && !DeleteFileForce(file)) LogError(L"Cannot delete the: " + file);
    }
}

CCHItemList CCHQueue::TakeAll() {
    CCHItemList items;
    items.swap(m_items);
    return items;
}
