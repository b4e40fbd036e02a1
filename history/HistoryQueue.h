// The clipboard history in time order: duplicates move to the newest place, a size limit
// that spares protected items, removal and clearing together with the items' files, and an
// undo list for both.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/base/CString.h"
#include "core/base/Clock.h"
#include "history/HistoryItem.h"

using CCHItemList = std::vector<std::unique_ptr<CCHItem>>;

enum { UA_RELPLACE_ALL = 0, UA_ADD_TO_CUR = 1 };

struct UNDO_ITEM {
    SYSTEMTIME time = {};
    CString description;
    ULONGLONG tick = 0;
    CCHItemList items;
    int action = UA_RELPLACE_ALL;
};

class CCHQueue {
public:
    // folder: the history folder (Clear empties it); the clock stamps undo records.
    CCHQueue(const wchar_t* folder, IClock& clock);
    virtual ~CCHQueue();
    CCHQueue(const CCHQueue&) = delete;
    CCHQueue& operator=(const CCHQueue&) = delete;

    // Oldest first.
    const CCHItemList& Items() const { return m_items; }
    int Count() const { return static_cast<int>(m_items.size()); }
    // Index 0 is the newest; null when out of range.
    CCHItem* ItemFromNewest(int index) const;

    // A duplicate of an item already held takes its place as the newest (with its protected
    // flag and serial number); else the item is appended and the limit applied (-1: none).
    // False, the item dropped, while frozen.
    bool Add(std::unique_ptr<CCHItem> item, int limit);
    void SetFrozen(bool frozen) { m_frozen = frozen; }
    bool IsFrozen() const { return m_frozen; }
    void Sort();
    CCHItem* FindById(const wchar_t* identifier) const;
    int FindIndexBySerial(LONG serial) const;

    // selection: indexes counted from the newest. Protected items go only with force.
    // 1 when an item went or none is left, else 0.
    int Remove(const std::vector<int>& selection, bool recordUndo, bool force, const wchar_t* description);
    // Every unprotected item and every file of the folder but those of the kept items.
    // True when the queue had items.
    bool Clear(const wchar_t* description);
    // Deletes every file of the folder whose full path is not in the list; the number deleted.
    int Clear_Directory_Exclude(const std::vector<CString>& keep);

    // Copies of all items, of the unsaved ones.
    CCHItemList CopyAll() const;
    // Every item, oldest first, out of the queue (the files stay).
    CCHItemList TakeAll();
    CCHItemList CopyUnsaved() const;

    // Undoes the newest record; 1 when done. The caller sorts and saves.
    int DoUndo();
    // Index 0 is the newest record; null when out of range.
    const UNDO_ITEM* Get_Undo_Item_By_Index(int index) const;
    // Description, action and (when asked) time of the newest record; false when none.
    bool Get_Latest_Undo_Info(CString& description, int& action, SYSTEMTIME* time) const;
    int UndoCount() const { return static_cast<int>(m_undo.size()); }
    void ClearUndo() { m_undo.clear(); }

    // False for a folder; a read-only attribute is lifted first.
    static bool DeleteFileForce(const wchar_t* path);

private:
    void ApplyLimit(int limit);
    std::unique_ptr<UNDO_ITEM> NewUndoRecord(const wchar_t* description, int action);
    static void DeleteFileList(const std::vector<CString>& files);

    CString m_folder;
    IClock& m_clock;
    CCHItemList m_items;
    bool m_frozen = false;
    std::vector<std::unique_ptr<UNDO_ITEM>> m_undo;
};
