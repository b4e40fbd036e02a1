#include "phrases/CommandTree.h"

#include <algorithm>
#include <vector>

#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/TextHelpers.h"
#include "pages/richedit/RichEditStream.h"
#include "phrases/Macros.h"

namespace {

// Room for the entries of one folder, taken once per folder.
const size_t kListingReserve = 1000;

struct FolderEntry {
    CString path;
    bool directory;
    bool link;  // a junction or a symbolic link: it may lead back into the tree
};

const wchar_t kExactPathPrefix[] = L"\\\\?\\";

// Win32 path parsing drops the trailing dots and blanks of a name, so a folder "Notes."
// (which other tools can make) would be reached as "Notes", a folder that is not there.
bool NeedsExactPath(const wchar_t* name) {
    const size_t length = wcslen(name);
    return length > 0 && (name[length - 1] == L'.' || name[length - 1] == L' ');
}

// The folder prefix (with its trailing "\") in the form that reaches every name below it
// exactly as written; empty when the full path cannot be had.
CString ExactPrefix(const CString& prefix) {
    if (prefix.Left(4) == kExactPathPrefix) return prefix;
    wchar_t buffer[MAX_PATH + 1];
    DWORD length = GetFullPathNameW(prefix, MAX_PATH + 1, buffer, nullptr);
    CString full;
    if (length > MAX_PATH) {
        std::vector<wchar_t> large(length + 1);
        length = GetFullPathNameW(prefix, length + 1, large.data(), nullptr);
        if (length == 0 || length > large.size()) return CString();
        full = CString(large.data(), static_cast<int>(length));
    } else if (length > 0) {
        full = CString(buffer, static_cast<int>(length));
    } else {
        return CString();
    }
    if (full.Left(2) == L"\\\\") return CString(kExactPathPrefix) + L"UNC\\" + full.Mid(2);
    return CString(kExactPathPrefix) + full;
}

bool HasPhraseExtension(const wchar_t* name) {
    const wchar_t* dot = wcsrchr(name, L'.');
    return dot && lstrcmpiW(dot, kPhraseFileExtension) == 0;
}

// The folder's entries in the order the file system gives them: every sub-folder, and
// every phrase file but the folder's own file.
std::vector<FolderEntry> ListFolder(const CString& prefix) {
    std::vector<FolderEntry> entries;
    entries.reserve(kListingReserve);
    WIN32_FIND_DATAW data;
    CFindHandle find(FindFirstFileW(prefix + L"*.*", &data));
    if (!find) return entries;
    do {
        const wchar_t* name = data.cFileName;
        if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            const bool link = (data.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
            if (!NeedsExactPath(name)) {
                entries.push_back({prefix + name, true, link});
                continue;
            }
            CString exact = ExactPrefix(prefix);
            if (exact.IsEmpty()) {
                LogWriteFormat(L"CVXLCommandTree::WalkFolder: [%s%s] cannot be reached by its name; skipped",
                               prefix.GetString(), name);
                continue;
            }
            entries.push_back({exact + name, true, link});
        } else if (HasPhraseExtension(name) && lstrcmpiW(name, kFolderSelfFileName) != 0) {
            entries.push_back({prefix + name, false, false});
        }
    } while (FindNextFileW(find.get(), &data));
    return entries;
}

CString LastPathPart(const CString& path) {
    int slash = path.ReverseFind(L'\\');
    return slash < 0 ? path : path.Mid(slash + 1);
}

// Without trailing "\", except where that would change the meaning ("C:\" is the root,
// "C:" the current folder of drive C).
CString NormalizeFolder(const CString& path) {
    CString folder(path);
    while (folder.GetLength() > 1 && folder[folder.GetLength() - 1] == L'\\') {
        if (folder.GetLength() == 3 && folder[1] == L':') break;
        folder = folder.Left(folder.GetLength() - 1);
    }
    return folder;
}

template <class Vector, class Record, class Proc>
bool WalkVector(Vector& records, Proc proc, void* data, Record* parent, int& count) {
    for (Record& record : records) {
        ++count;
        if (!proc(record, data, parent)) break;
        if (auto* children = record.GetChildren()) WalkVector(*children, proc, data, &record, count);
    }
    return true;
}

template <class Vector, class Record>
Record* FindInVector(Vector& records, UINT id, Record* parent, Record** parentOut) {
    for (Record& record : records) {
        if (record.GetID() == id) {
            if (parentOut) *parentOut = parent;
            return &record;
        }
        if (auto* children = record.GetChildren()) {
            if (Record* found = FindInVector(*children, id, &record, parentOut)) return found;
        }
    }
    return nullptr;
}

// The folder record that holds this very record, or null when it lies at the top (or
// nowhere); found by address, since a record being saved may not have an id yet.
CVXLCommand* FindHolder(CVXLCommandVector& records, const CVXLCommand* target, CVXLCommand* parent, bool& found) {
    for (CVXLCommand& record : records) {
        if (&record == target) {
            found = true;
            return parent;
        }
        if (CVXLCommandVector* children = record.GetChildren()) {
            CVXLCommand* holder = FindHolder(*children, target, &record, found);
            if (found) return holder;
        }
    }
    return nullptr;
}

void AddStatistics(const CVXLCommandVector& records, CVXLTreeStatistics& stats, CVXLDisplayTextProc displayText,
                   void* context) {
    for (const CVXLCommand& record : records) {
        ++stats.records;
        if (record.IsIncluded()) ++stats.included;
        if (const CVXLCommandVector* children = record.GetChildren()) {
            ++stats.folders;
            AddStatistics(*children, stats, displayText, context);
            continue;
        }
        int usage = record.GetUsageCount();
        stats.totalUsage += usage;
        if (usage > stats.maxUsage) {
            stats.maxUsage = usage;
            stats.maxUsageID = record.GetID();
            stats.maxUsageName = record.GetName();
        }
        switch (record.GetDataType()) {
            case VXL_DATA_TEXT:
                ++stats.textPhrases;
                break;
            case VXL_DATA_RTF:
                ++stats.rtfPhrases;
                break;
            case VXL_DATA_EXEC:
                ++stats.execPhrases;
                break;
            default:
                break;
        }
        if (usage > 0) {
            CString printed = displayText(record, context);
            stats.charsSaved += static_cast<LONGLONG>(printed.GetLength()) * usage;
        }
    }
}

bool IsDeviceName(const CString& name) {
    static const wchar_t* const kDevices[] = {L"CON", L"PRN", L"AUX", L"NUL"};
    for (const wchar_t* device : kDevices)
        if (name.CompareNoCase(device) == 0) return true;
    if (name.GetLength() == 4 && name[3] >= L'1' && name[3] <= L'9') {
        CString stem = name.Left(3);
        return stem.CompareNoCase(L"COM") == 0 || stem.CompareNoCase(L"LPT") == 0;
    }
    return false;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Sorting and statistics

void SortCommandVector(CVXLCommandVector& records, int key, bool descending) {
    if (key == kSortKeyNone) return;
    std::stable_sort(records.begin(), records.end(), [descending](const CVXLCommand& a, const CVXLCommand& b) {
        if (a.IsFolder() != b.IsFolder()) return a.IsFolder();
        return descending ? a.GetSortID() > b.GetSortID() : a.GetSortID() < b.GetSortID();
    });
    for (CVXLCommand& record : records)
        if (CVXLCommandVector* children = record.GetChildren()) SortCommandVector(*children, key, descending);
}

CString GetPhraseDisplayText(const CVXLCommand& record, void*) {
    const CString& command = record.GetCommand();
    // The programs store RTF phrases as "{\urtf"; older files may hold plain "{\rtf".
    bool rtf = record.GetDataType() == VXL_DATA_RTF &&
               (command.Left(6).Compare(L"{\\urtf") == 0 || command.Left(5).Compare(L"{\\rtf") == 0);
    return ExpandMacrosSimple(rtf ? RtfToPlainText_All(command) : command);
}

CVXLTreeStatistics GetTreeStatistics(const CVXLCommandVector& records, CVXLDisplayTextProc displayText, void* context) {
    CVXLTreeStatistics stats;
    if (!displayText) displayText = GetPhraseDisplayText;
    AddStatistics(records, stats, displayText, context);
    return stats;
}

// ---------------------------------------------------------------------------------------
// Tree

void CVXLCommandTree::Clear() {
    m_records.clear();
    m_folderCount = 0;
    m_nextId = 1;
}

bool CVXLCommandTree::Load(const CString& rootPath, int sortKey, const LoadFilter& filter) {
    Clear();
    CString root = rootPath.IsEmpty() ? m_rootPath : NormalizeFolder(rootPath);
    if (root.IsEmpty() || !FolderExists(root)) {
        CString text;
        text.Format(L"CVXLCommandTree::Load: the phrases folder [%s] does not exist", root.GetString());
        LogError(text);
        return false;
    }
    m_entered.clear();
    m_pendingLinks.clear();
    EnterFolder(root, false);
    WalkFolder(root, m_records, filter);
    WalkLinks(root, m_records, filter);
    m_entered.clear();
    m_pendingLinks.clear();
    m_folderCount = 0;
    Walk(
        [](const CVXLCommand& record, void* data, const CVXLCommand*) {
            if (record.IsFolder()) ++*static_cast<int*>(data);
            return true;
        },
        &m_folderCount);
    SortByKey(sortKey, false);
    m_rootPath = root;
    LogWriteFormat(L"CVXLCommandTree::Load: [%s] %d records, %d folders", root.GetString(),
                   static_cast<int>(m_nextId - 1), m_folderCount);
    return true;
}

bool CVXLCommandTree::WalkFolder(const CString& folder, CVXLCommandVector& records, const LoadFilter& filter) {
    if (!FolderExists(folder)) return false;
    std::vector<FolderEntry> entries = ListFolder(WithTrailingBackslash(folder));
    for (const FolderEntry& entry : entries) {
        if (!entry.directory) continue;
        // Links wait until every folder of the tree is entered: one that leads back into
        // the tree then finds its folder entered, and that folder keeps its own place.
        if (entry.link) {
            m_pendingLinks[folder].push_back(entry.path);
            continue;
        }
        if (!EnterFolder(entry.path, false)) continue;
        // The folder's children are gathered before it joins its vector: appending to
        // that vector moves the records it holds.
        CVXLCommand record = MakeFolderRecord(entry.path);
        WalkFolder(entry.path, *record.GetChildren(), filter);
        records.push_back(std::move(record));
    }
    for (const FolderEntry& entry : entries) {
        if (entry.directory) continue;
        CVXLCommand record;
        if (!ReadCommandFile(record, entry.path)) continue;
        record.SetID(m_nextId);
        record.m_filePath = entry.path;
        if (filter && !filter(record)) continue;
        record.ClearWorkStrings();
        ++m_nextId;
        records.push_back(std::move(record));
    }
    return true;
}

void CVXLCommandTree::WalkLinks(const CString& folder, CVXLCommandVector& records, const LoadFilter& filter) {
    const size_t walked = records.size();
    for (size_t i = 0; i < walked; ++i) {
        CVXLCommand& record = records[i];
        if (CVXLCommandVector* children = record.GetChildren()) WalkLinks(record.m_filePath, *children, filter);
    }
    auto pending = m_pendingLinks.find(folder);
    if (pending == m_pendingLinks.end()) return;
    std::vector<CString> links = std::move(pending->second);
    m_pendingLinks.erase(pending);
    // Among the folders of the level, before its phrases, as the walk lists them.
    size_t at = 0;
    while (at < records.size() && records[at].IsFolder()) ++at;
    for (const CString& link : links) {
        if (!EnterFolder(link, true)) continue;
        CVXLCommand record = MakeFolderRecord(link);
        WalkFolder(link, *record.GetChildren(), filter);
        WalkLinks(link, *record.GetChildren(), filter);
        records.insert(records.begin() + static_cast<std::ptrdiff_t>(at++), std::move(record));
    }
}

// Each folder is entered once in a load, however many links lead to it: links back
// into the tree would otherwise make the walk go round without end. A listed folder
// that is gone is passed by; the load never makes one in its place.
bool CVXLCommandTree::EnterFolder(const CString& path, bool isLink) {
    if (!FolderExists(path)) {
        LogWriteFormat(L"CVXLCommandTree::WalkFolder: [%s] cannot be reached; skipped", path.GetString());
        return false;
    }
    CVXLFolderIdentity identity;
    const bool known = m_identityProc ? m_identityProc(path, identity) : ReadFolderIdentity(path, identity);
    if (!known) {
        if (!isLink) return true;  // a folder itself cannot lead back into the tree
        LogWriteFormat(L"CVXLCommandTree::WalkFolder: [%s] links to a folder of no known identity; skipped",
                       path.GetString());
        return false;
    }
    if (!m_entered.insert(identity).second) {
        LogWriteFormat(L"CVXLCommandTree::WalkFolder: [%s] leads to a folder loaded already; skipped",
                       path.GetString());
        return false;
    }
    return true;
}

CVXLCommand CVXLCommandTree::MakeFolderRecord(const CString& folderPath) {
    CVXLCommand record;
    record.MakeFolder();
    CString selfFile = WithTrailingBackslash(folderPath) + kFolderSelfFileName;
    if (FileExists(selfFile)) ReadCommandFile(record, selfFile);
    record.SetNameKeepingState(LastPathPart(folderPath));
    record.SetID(m_nextId++);
    record.m_filePath = folderPath;
    return record;
}

bool ReadFolderIdentity(const CString& folder, CVXLFolderIdentity& identity) {
    // Opened without FILE_FLAG_OPEN_REPARSE_POINT: a link gives the identity of its target.
    CFileHandle handle(CreateFileW(folder, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!handle) return false;
    BY_HANDLE_FILE_INFORMATION info = {};
    if (!GetFileInformationByHandle(handle.get(), &info)) return false;
    identity.volume = info.dwVolumeSerialNumber;
    identity.index = (static_cast<ULONGLONG>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
    // Some network file systems give every file the index 0: that tells nothing apart.
    return identity.index != 0;
}

int CVXLCommandTree::Walk(WalkProc proc, void* data) {
    int count = 0;
    if (proc) WalkVector<CVXLCommandVector, CVXLCommand>(m_records, proc, data, nullptr, count);
    return count;
}

int CVXLCommandTree::Walk(ConstWalkProc proc, void* data) const {
    int count = 0;
    if (proc) WalkVector<const CVXLCommandVector, const CVXLCommand>(m_records, proc, data, nullptr, count);
    return count;
}

CVXLCommand* CVXLCommandTree::FindByID(UINT id, CVXLCommand** parent) {
    if (parent) *parent = nullptr;
    return FindInVector<CVXLCommandVector, CVXLCommand>(m_records, id, nullptr, parent);
}

const CVXLCommand* CVXLCommandTree::FindByID(UINT id, const CVXLCommand** parent) const {
    if (parent) *parent = nullptr;
    return FindInVector<const CVXLCommandVector, const CVXLCommand>(m_records, id, nullptr, parent);
}

CVXLCommand* CVXLCommandTree::GetParentOf(UINT id) {
    CVXLCommand* parent = nullptr;
    FindByID(id, &parent);
    return parent;
}

UINT CVXLCommandTree::GetNextFreeID() const {
    UINT largest = 0;
    Walk(
        [](const CVXLCommand& record, void* data, const CVXLCommand*) {
            UINT& value = *static_cast<UINT*>(data);
            if (record.GetID() > value) value = record.GetID();
            return true;
        },
        &largest);
    return largest + 1;
}

void CVXLCommandTree::CountItems(int& total, int& included) const {
    struct Counts {
        int total = 0;
        int included = 0;
    } counts;
    Walk(
        [](const CVXLCommand& record, void* data, const CVXLCommand*) {
            Counts& c = *static_cast<Counts*>(data);
            ++c.total;
            if (record.IsIncluded()) ++c.included;
            return true;
        },
        &counts);
    total = counts.total;
    included = counts.included;
}

void CVXLCommandTree::SortByKey(int key, bool descending) {
    SortCommandVector(m_records, key, descending);
}

int CVXLCommandTree::SaveRecord(CVXLCommand& record, CVXLWriteErrorProc onError, void* data) {
    if (record.GetFilePath().IsEmpty()) {
        bool found = false;
        CVXLCommand* parent = FindHolder(m_records, &record, nullptr, found);
        CString folder = parent ? parent->GetFilePath() : m_rootPath;
        if (folder.IsEmpty()) {
            LogError(L"CVXLCommandTree::SaveRecord: the record has no folder to be saved in");
            return 0;
        }
        const CVXLCommandVector& siblings = parent ? *parent->GetChildren() : m_records;
        // A sibling saved a moment ago may not be on disk yet: its path counts as taken.
        auto taken = [&siblings, &record](const CString& path) {
            for (const CVXLCommand& sibling : siblings)
                if (&sibling != &record && sibling.GetFilePath().CompareNoCase(path) == 0) return true;
            return false;
        };
        CString path = MakeUniquePath(folder, record.GetName(), record.IsFolder(), taken);
        if (path.IsEmpty()) {
            LogError(L"CVXLCommandTree::SaveRecord: no free file name is left for the record");
            return 0;
        }
        if (record.IsFolder() && !CreateDirectoryW(path, GetOpenSecurityAttributes())) {
            CString text;
            text.Format(L"CVXLCommandTree::SaveRecord: cannot create [%s], code %lu", path.GetString(), GetLastError());
            LogError(text);
            return 0;
        }
        record.m_filePath = path;
    }
    return record.SaveAsync(onError, data);
}

void CVXLCommandTree::RefreshLocalisedNames() {
    // The whole tree: a folder's records keep texts of the old language as well.
    Walk(
        [](CVXLCommand& record, void*, CVXLCommand*) {
            record.ClearWorkStrings();
            return true;
        },
        nullptr);
}

CVXLTreeStatistics CVXLCommandTree::GetTreeStatistics(CVXLDisplayTextProc displayText, void* context) const {
    return ::GetTreeStatistics(m_records, displayText, context);
}

// ---------------------------------------------------------------------------------------
// File names

CString MakeFileNameFromName(const CString& name, UINT number, bool addExtension, bool blanksToo) {
    static const wchar_t kReplaced[] = L"?:\\\"!/<>.\t\n*|{}=()'";
    CString text(name);
    text.Trim(L" \t");
    // A CR ends the line as well as an LF: left in, it would make a name that no file
    // system takes.
    int lineEnd = text.FindOneOf(L"\r\n");
    if (lineEnd >= 0) {
        text = text.Left(lineEnd);
        text.TrimRight(L" \t");
    }
    for (int i = 0; i < text.GetLength(); ++i) {
        wchar_t ch = text[i];
        if (ch < 32 || wcschr(kReplaced, ch) || (blanksToo && ch == L' ')) text.SetAt(i, L'_');
    }
    text.Replace(L"___", L"_");
    text.Replace(L"__", L"_");
    text.Trim(L'_');
    if (IsDeviceName(text)) text += L'_';
    if (number > 1) text.AppendFormat(L"%u", number);
    if (addExtension) text += kPhraseFileExtension;
    return text;
}

CString MakeUniquePath(const CString& folder, const CString& name, bool forFolder, const CVXLPathTakenProc& taken) {
    CString prefix = WithTrailingBackslash(folder);
    for (UINT number = 1; number != 0; ++number) {
        CString candidate = prefix + MakeFileNameFromName(name, number, !forFolder, !forFolder);
        // Any item of that name blocks it: a file cannot be created over a folder either.
        if (FileExists(candidate)) continue;
        if (taken && taken(candidate)) continue;
        return candidate;
    }
    return CString();
}

CString GetFolderDisplayText(const CString& path, unsigned limit) {
    CString text(path);
    text.Trim(L" \t\r\n\v\b");
    if (static_cast<unsigned>(text.GetLength()) > limit && !ShortenPathMiddle(text, limit))
        ShortenTextMiddle(text, limit);
    return text;
}
