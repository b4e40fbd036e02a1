// The user's phrases as a folder tree on disk: every sub-folder of the phrases folder is
// a phrase folder, every file with the extension ".vexlora" one phrase, and a folder's
// "FOLDER_SELF.vexlora" holds the folder's own attributes and localised names.
//
// The tree is rebuilt whole on each load and numbers its records anew from 1 in the
// order of the walk. Loading, sorting and lookups run on the UI thread; saves go through
// CVXLCommand::SaveAsync. Pointers to records stay valid until the next load, sort or
// change of the vector that holds them.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <set>
#include <vector>

#include "core/base/CString.h"
#include "phrases/Command.h"

// The "Sorting" value that keeps every level in the order of the folder listing.
const int kSortKeyNone = -1;

// Figures for the system report, made in one walk.
struct CVXLTreeStatistics {
    LONGLONG totalUsage = 0;  // usage counts of the phrases
    int maxUsage = 0;         // the largest usage count (0 when nothing was used)
    UINT maxUsageID = 0;      // the record that has it (the first of equals), 0 when none
    CString maxUsageName;     // its name
    int records = 0;          // folders and phrases
    int included = 0;         // records whose included state (derived for folders) is true
    int folders = 0;
    int textPhrases = 0;
    int rtfPhrases = 0;
    int execPhrases = 0;
    LONGLONG charsSaved = 0;  // per phrase used: the length of its display text times its uses
};

// The text a phrase prints, as the statistics count it.
using CVXLDisplayTextProc = CString (*)(const CVXLCommand& record, void* context);
// The statistics' own measure: an RTF phrase made plain text, then its macros expanded
// with no selection and no clipboard text. Uses the process's hidden rich-edit control,
// so it belongs to the UI thread.
CString GetPhraseDisplayText(const CVXLCommand& record, void* context);

// Sorts one vector and every vector below it. Every key but kSortKeyNone sorts the same
// way, so that the menu and the editor show one order: folders first, then by SortID as
// unsigned numbers, equal keys in the order they had (stable). Descending reverses the
// SortID order; folders stay first.
void SortCommandVector(CVXLCommandVector& records, int key, bool descending);

// displayText null: GetPhraseDisplayText.
CVXLTreeStatistics GetTreeStatistics(const CVXLCommandVector& records, CVXLDisplayTextProc displayText = nullptr,
                                     void* context = nullptr);

// Which folder a path leads to, through whatever links lie on the way: its volume's
// serial number and its file index. Two paths with one identity are one folder.
struct CVXLFolderIdentity {
    DWORD volume = 0;
    ULONGLONG index = 0;
    bool operator<(const CVXLFolderIdentity& other) const {
        return volume != other.volume ? volume < other.volume : index < other.index;
    }
};
// False when the identity cannot be read (or the file system gives none).
using CVXLFolderIdentityProc = std::function<bool(const CString& folder, CVXLFolderIdentity& identity)>;
bool ReadFolderIdentity(const CString& folder, CVXLFolderIdentity& identity);

class CVXLCommandTree {
public:
    // Return false to leave a record out of the tree.
    using LoadFilter = std::function<bool(const CVXLCommand& record)>;
    // The record, the caller's data and the record's parent (null at the top). False stops
    // the walk of the vector that holds the record; the walks around it go on.
    using WalkProc = bool (*)(CVXLCommand& record, void* data, CVXLCommand* parent);
    using ConstWalkProc = bool (*)(const CVXLCommand& record, void* data, const CVXLCommand* parent);

    // Empties the tree and walks the root: an empty root means the one loaded last.
    // A root that is not an existing folder leaves the tree empty and the remembered root
    // as it was, and gives false. The tree is sorted once at the end, unless the key is
    // kSortKeyNone. Each folder is loaded once, however many links lead to it, and links
    // are followed only after every folder of the tree itself; the load makes nothing on
    // disk.
    bool Load(const CString& rootPath, int sortKey, const LoadFilter& filter = nullptr);
    void Clear();

    CVXLCommandVector& GetRecords() { return m_records; }
    const CVXLCommandVector& GetRecords() const { return m_records; }
    // As loaded, without a trailing "\" (but "C:\" for a drive's root).
    const CString& GetRootPath() const { return m_rootPath; }
    int GetFolderCount() const { return m_folderCount; }
    bool IsEmpty() const { return m_records.empty(); }

    // Depth first, in vector order, each folder's children right after it. Returns the
    // number of records the callback was called for.
    int Walk(WalkProc proc, void* data);
    int Walk(ConstWalkProc proc, void* data) const;

    // The record with the id and, in *parent (when given), its folder or null at the top.
    CVXLCommand* FindByID(UINT id, CVXLCommand** parent = nullptr);
    const CVXLCommand* FindByID(UINT id, const CVXLCommand** parent = nullptr) const;
    CVXLCommand* GetParentOf(UINT id);
    // 1 + the largest id in the tree; 1 when it is empty.
    UINT GetNextFreeID() const;
    // Every record counts in total, folders too.
    void CountItems(int& total, int& included) const;
    void SortByKey(int key, bool descending);

    // The usage save: a record without a file yet first gets a unique path in its
    // folder (or the root) made from its name; then CVXLCommand::SaveAsync. Returns what
    // SaveAsync returns, 0 when no path could be made.
    int SaveRecord(CVXLCommand& record, CVXLWriteErrorProc onError = nullptr, void* data = nullptr);

    // Forgets what the menu kept in the records' work strings (after a language change).
    void RefreshLocalisedNames();

    CVXLTreeStatistics GetTreeStatistics(CVXLDisplayTextProc displayText = nullptr, void* context = nullptr) const;

    // How a load tells folders apart; null (the default) is ReadFolderIdentity. Tests
    // stand in for links that the file system under them cannot make.
    void SetFolderIdentityProc(CVXLFolderIdentityProc proc) { m_identityProc = std::move(proc); }

private:
    bool WalkFolder(const CString& folder, CVXLCommandVector& records, const LoadFilter& filter);
    void WalkLinks(const CString& folder, CVXLCommandVector& records, const LoadFilter& filter);
    bool EnterFolder(const CString& path, bool isLink);
    CVXLCommand MakeFolderRecord(const CString& folderPath);

    CVXLCommandVector m_records;
    CString m_rootPath;
    int m_folderCount = 0;
    UINT m_nextId = 1;
    // The folders the load in progress has entered.
    std::set<CVXLFolderIdentity> m_entered;
    // Folder path -> the links listed in it, walked once every folder itself is entered.
    std::map<CString, std::vector<CString>> m_pendingLinks;
    CVXLFolderIdentityProc m_identityProc;
};

// ---------------------------------------------------------------------------------------
// File names

// A phrase's name made a file name: blanks and tabs trimmed, cut before its first line
// break, each of ? : \ " ! / < > . TAB LF * | { } = ( ) ' (and, with blanksToo, each
// blank) made "_", runs of "_" shrunk, outer "_" removed; then the number when above 1,
// then ".vexlora" when asked. Beyond that, for names no Windows file can have: other
// control characters become "_" as well, and a device name ("CON", "LPT1" ...) gets "_"
// appended.
CString MakeFileNameFromName(const CString& name, UINT number, bool addExtension, bool blanksToo);

// Told whether a candidate path is taken beyond what is on disk (a record whose file is
// still being written, for instance).
using CVXLPathTakenProc = std::function<bool(const CString& path)>;

// folder + MakeFileNameFromName(name, n, ...) for n = 1, 2, 3, ... until no file or folder
// of that path exists and the predicate (when given) does not claim it. A phrase gets the
// extension and blanks made "_"; a folder neither. Empty when the numbers ran out.
CString MakeUniquePath(const CString& folder, const CString& name, bool forFolder,
                       const CVXLPathTakenProc& taken = nullptr);

// A folder path for display: " \t\r\n\v\b" trimmed at both ends and, when longer than the
// limit, shortened in the middle (as a path first, else as plain text).
CString GetFolderDisplayText(const CString& path, unsigned limit);
