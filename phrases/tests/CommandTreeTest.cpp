// The phrase tree on disk: the walk, ids, folders and their own files, sorting, lookups,
// file names, unique paths and saves through the tree.
#include "phrases/CommandTree.h"

#include <gtest/gtest.h>
#include <winioctl.h>

#include <algorithm>
#include <map>
#include <set>

#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "phrases/CommandSave.h"
#include "phrases/tests/PhraseTestFolders.h"

namespace {

void WritePhrase(const CString& path, const char* name, UINT sortId = 0, const char* attributes = "") {
    char root[200];
    snprintf(root, sizeof root, "SortID=\"%d\" %s", static_cast<int>(sortId), attributes);
    ASSERT_TRUE(WriteBytes(
        path, PhraseXml(root, std::string("<MenuName>") + name + "</MenuName><Cmd>" + name + " text</Cmd>")));
}

struct WalkStep {
    UINT id;
    std::wstring name;
    UINT parentId;
};

std::vector<WalkStep> WalkAll(CVXLCommandTree& tree) {
    std::vector<WalkStep> steps;
    tree.Walk(
        [](CVXLCommand& record, void* data, CVXLCommand* parent) {
            static_cast<std::vector<WalkStep>*>(data)->push_back(
                {record.GetID(), W(record.GetName()), parent ? parent->GetID() : 0});
            return true;
        },
        &steps);
    return steps;
}

// root: A/ (a1, B/ (b1, b2)), C/ (FOLDER_SELF only), p1, p2
class PhraseTree : public ::testing::Test {
protected:
    void SetUp() override {
        folder.MakeFolder(L"A");
        folder.MakeFolder(L"A\\B");
        folder.MakeFolder(L"C");
        WritePhrase(folder.Path(L"A\\a1.vexlora"), "a1");
        WritePhrase(folder.Path(L"A\\B\\b1.vexlora"), "b1");
        WritePhrase(folder.Path(L"A\\B\\b2.vexlora"), "b2");
        ASSERT_TRUE(WriteBytes(folder.Path(L"C\\FOLDER_SELF.vexlora"),
                               PhraseXml("SortID=\"7\" Excluded=\"1\"",
                                         "<MenuName>Not the folder's name</MenuName>"
                                         "<MenuName Lang=\"de\">Gemeinsam</MenuName>")));
        WritePhrase(folder.Path(L"p1.vexlora"), "p1");
        WritePhrase(folder.Path(L"p2.vexlora"), "p2");
    }

    CTempPhraseFolder folder;
    CVXLCommandTree tree;
};

TEST_F(PhraseTree, IdsCountFromOneInWalkOrder) {
    ASSERT_TRUE(tree.Load(folder.root, kSortKeyNone));
    std::vector<WalkStep> steps = WalkAll(tree);
    ASSERT_EQ(8u, steps.size());
    std::map<std::wstring, WalkStep> byName;
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(i + 1, steps[i].id) << "ids follow the order of the walk";
        byName[steps[i].name] = steps[i];
    }
    EXPECT_EQ(byName[L"A"].id, byName[L"a1"].parentId);
    EXPECT_EQ(byName[L"B"].id, byName[L"b2"].parentId);
    EXPECT_EQ(byName[L"A"].id, byName[L"B"].parentId);
    EXPECT_EQ(0u, byName[L"p1"].parentId);
    // Each level lists its folders before its phrases.
    EXPECT_LT(byName[L"C"].id, byName[L"p1"].id);
    EXPECT_LT(byName[L"B"].id, byName[L"a1"].id);
    EXPECT_EQ(3, tree.GetFolderCount());
    EXPECT_EQ(9u, tree.GetNextFreeID());

    // A reload numbers everything anew from 1, whatever was added.
    WritePhrase(folder.Path(L"A\\B\\b0.vexlora"), "b0");
    ASSERT_TRUE(tree.Load(L"", kSortKeyNone));
    steps = WalkAll(tree);
    ASSERT_EQ(9u, steps.size());
    for (size_t i = 0; i < steps.size(); ++i) EXPECT_EQ(i + 1, steps[i].id);
}

TEST_F(PhraseTree, FolderRecordsAndTheirOwnFiles) {
    // A folder's own file in other letter case is still its own file, not a phrase.
    folder.MakeFolder(L"D");
    ASSERT_TRUE(WriteBytes(folder.Path(L"D\\folder_self.VEXLORA"), PhraseXml("SortID=\"3\"", "<Cmd>x</Cmd>")));
    ASSERT_TRUE(tree.Load(folder.root + L"\\", 1));
    EXPECT_EQ(W(folder.root), W(tree.GetRootPath())) << "the root is kept without its trailing backslash";

    const CVXLCommand* c = nullptr;
    const CVXLCommand* a = nullptr;
    const CVXLCommand* d = nullptr;
    for (const CVXLCommand& record : tree.GetRecords()) {
        if (record.GetName() == L"C") c = &record;
        if (record.GetName() == L"A") a = &record;
        if (record.GetName() == L"D") d = &record;
    }
    ASSERT_NE(nullptr, c);
    ASSERT_NE(nullptr, a);
    ASSERT_NE(nullptr, d);
    EXPECT_TRUE(c->IsFolder());
    EXPECT_TRUE(c->GetChildren()->empty());
    EXPECT_TRUE(d->GetChildren()->empty()) << "the folder's own file, in any case, is no phrase";
    EXPECT_EQ(3u, d->GetSortID());
    EXPECT_EQ(7u, c->GetSortID());
    EXPECT_FALSE(c->GetIncludedFlag());
    EXPECT_EQ(L"Gemeinsam", W(c->GetLocalizedName(L"de")));
    EXPECT_EQ(W(folder.Path(L"C")), W(c->GetFilePath()));
    EXPECT_EQ(W(folder.Path(L"C\\FOLDER_SELF.vexlora")), W(c->GetSaveTarget()));

    EXPECT_EQ(0u, a->GetSortID());
    EXPECT_TRUE(a->GetIncludedFlag());
    EXPECT_TRUE(a->GetLocalizedNames().empty());
    EXPECT_TRUE(a->IsIncluded());
    EXPECT_FALSE(c->IsIncluded()) << "an empty folder shows nothing";
}

TEST_F(PhraseTree, OnlyPhraseFilesOfAnyCaseAreLoaded) {
    WritePhrase(folder.Path(L"Upper.VEXLORA"), "upper");
    WritePhrase(folder.Path(L"Mixed.VexLora"), "mixed");
    WritePhrase(folder.Path(L"notes.txt"), "txt");
    WritePhrase(folder.Path(L"p1.vexlora.bak"), "backup");
    WritePhrase(folder.Path(L"vexlora"), "bare");
    folder.MakeFolder(L"dir.vexlora");
    ASSERT_TRUE(tree.Load(folder.root, 1));
    std::set<std::wstring> names;
    for (const WalkStep& step : WalkAll(tree)) names.insert(step.name);
    EXPECT_EQ((std::set<std::wstring>{L"A", L"B", L"C", L"a1", L"b1", L"b2", L"p1", L"p2", L"upper", L"mixed",
                                      L"dir.vexlora"}),
              names);
}

TEST_F(PhraseTree, MissingRootLeavesTheTreeEmptyAndTheRootAsItWas) {
    ASSERT_TRUE(tree.Load(folder.root, 1));
    EXPECT_FALSE(tree.Load(folder.Path(L"nowhere"), 1));
    EXPECT_TRUE(tree.IsEmpty());
    EXPECT_EQ(1u, tree.GetNextFreeID());
    EXPECT_EQ(W(folder.root), W(tree.GetRootPath()));
    EXPECT_TRUE(tree.Load(L"", 1)) << "an empty root reloads the one loaded last";
    EXPECT_EQ(8u, WalkAll(tree).size());

    CVXLCommandTree fresh;
    EXPECT_FALSE(fresh.Load(L"", 1)) << "nothing was loaded before";
}

TEST_F(PhraseTree, LoadFilterLeavesRecordsOutWithoutGapsInTheIds) {
    ASSERT_TRUE(tree.Load(folder.root, kSortKeyNone, [](const CVXLCommand& record) {
        return record.GetName() != L"b1" && record.GetName() != L"p1";
    }));
    std::vector<WalkStep> steps = WalkAll(tree);
    ASSERT_EQ(6u, steps.size());
    for (size_t i = 0; i < steps.size(); ++i) {
        EXPECT_EQ(i + 1, steps[i].id);
        EXPECT_NE(L"b1", steps[i].name);
        EXPECT_NE(L"p1", steps[i].name);
    }
}

TEST_F(PhraseTree, LookupsCountsAndWalkStops) {
    ASSERT_TRUE(tree.Load(folder.root, 1));
    std::map<std::wstring, UINT> ids;
    for (const WalkStep& step : WalkAll(tree)) ids[step.name] = step.id;

    CVXLCommand* parent = nullptr;
    CVXLCommand* b2 = tree.FindByID(ids[L"b2"], &parent);
    ASSERT_NE(nullptr, b2);
    EXPECT_EQ(L"b2", W(b2->GetName()));
    ASSERT_NE(nullptr, parent);
    EXPECT_EQ(L"B", W(parent->GetName()));
    EXPECT_EQ(nullptr, tree.GetParentOf(ids[L"A"]));
    EXPECT_EQ(nullptr, tree.FindByID(999));
    EXPECT_TRUE(tree.FindByID(ids[L"A"])->ContainsID(ids[L"b2"]));
    EXPECT_FALSE(tree.FindByID(ids[L"B"])->ContainsID(ids[L"a1"]));

    int total = 0, included = 0;
    tree.CountItems(total, included);
    EXPECT_EQ(8, total);
    EXPECT_EQ(7, included) << "the empty folder C is not included";
    tree.FindByID(ids[L"p2"])->SetIncluded(false);
    tree.CountItems(total, included);
    EXPECT_EQ(6, included);

    // Stopping at folder B (in A) skips B's children and what follows B in A; the walk of
    // the top level goes on.
    std::vector<std::wstring> seen;
    int visited = tree.Walk(
        [](CVXLCommand& record, void* data, CVXLCommand*) {
            static_cast<std::vector<std::wstring>*>(data)->push_back(W(record.GetName()));
            return record.GetName() != L"B";
        },
        &seen);
    EXPECT_EQ(static_cast<int>(seen.size()), visited);
    auto at = std::find(seen.begin(), seen.end(), L"B");
    ASSERT_NE(seen.end(), at);
    EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), L"b1")) << "B's children are not walked";
    EXPECT_EQ(seen.end(), std::find(seen.begin(), seen.end(), L"a1")) << "nor B's siblings after it";
    EXPECT_NE(seen.end(), std::find(seen.begin(), seen.end(), L"p1")) << "the walk of the top level goes on";
}

TEST(PhraseTreeSort, FoldersFirstThenUnsignedSortIdStable) {
    CTempPhraseFolder folder;
    struct Entry {
        const char* name;
        UINT sortId;
        bool isFolder;
    } entries[] = {{"big", 0xFFFFFFFFu, false}, {"five", 5, false}, {"zero", 0, false}, {"five2", 5, false},
                   {"two", 2, false},           {"F9", 9, true},    {"F1", 1, true},    {"F1b", 1, true}};
    for (const Entry& e : entries) {
        CString wide(Utf8ToWide(e.name).c_str());
        if (e.isFolder) {
            folder.MakeFolder(wide);
            char attributes[40];
            snprintf(attributes, sizeof attributes, "SortID=\"%u\"", e.sortId);
            ASSERT_TRUE(WriteBytes(folder.Path(wide) + L"\\FOLDER_SELF.vexlora", PhraseXml(attributes, "")));
        } else {
            WritePhrase(folder.Path(wide) + L".vexlora", e.name, e.sortId);
        }
    }
    CVXLCommandTree tree;
    ASSERT_TRUE(tree.Load(folder.root, kSortKeyNone));
    // The listing order, which decides among equal keys.
    std::vector<std::wstring> listed;
    for (const CVXLCommand& record : tree.GetRecords()) listed.push_back(W(record.GetName()));
    auto before = [&listed](const wchar_t* a, const wchar_t* b) {
        return std::find(listed.begin(), listed.end(), a) < std::find(listed.begin(), listed.end(), b);
    };

    std::vector<std::wstring> expected = {L"F1", L"F1b", L"F9", L"zero", L"two", L"five", L"five2", L"big"};
    if (!before(L"F1", L"F1b")) std::swap(expected[0], expected[1]);
    if (!before(L"five", L"five2")) std::swap(expected[5], expected[6]);
    ASSERT_TRUE(tree.Load(folder.root, 1));
    std::vector<std::wstring> sorted;
    for (const CVXLCommand& record : tree.GetRecords()) sorted.push_back(W(record.GetName()));
    EXPECT_EQ(expected, sorted);

    ASSERT_TRUE(tree.Load(folder.root, 0));
    sorted.clear();
    for (const CVXLCommand& record : tree.GetRecords()) sorted.push_back(W(record.GetName()));
    EXPECT_EQ(expected, sorted) << "every key but -1 sorts the same way";

    tree.SortByKey(1, true);
    sorted.clear();
    for (const CVXLCommand& record : tree.GetRecords()) sorted.push_back(W(record.GetName()));
    ASSERT_EQ(8u, sorted.size());
    EXPECT_EQ(L"F9", sorted[0]) << "descending keeps folders first";
    EXPECT_EQ(L"big", sorted[3]);
    EXPECT_EQ(L"zero", sorted[7]);
}

struct FileNameCase {
    const wchar_t* name;
    UINT number;
    bool extension;
    bool blanks;
    const wchar_t* fileName;
};

TEST(PhraseFileNames, FileNameTable) {
    const FileNameCase cases[] = {
        {L"What? Yes: now.", 1, true, true, L"What_Yes_now.vexlora"},
        {L"What? Yes: now.", 2, true, true, L"What_Yes_now2.vexlora"},
        {L"What? Yes: now.", 1, false, false, L"What_ Yes_ now"},
        {L"a/b", 1, true, false, L"a_b.vexlora"},
        {L"a:b", 2, true, false, L"a_b2.vexlora"},
        {L"  \tHello world\t ", 1, false, true, L"Hello_world"},
        {L"first line\nsecond", 1, false, false, L"first line"},
        {L"first line \r\nsecond", 1, false, false, L"first line"},
        {L"!\"'(){}=|*<>\\/.:?", 1, false, false, L""},
        {L"x=(1)+{2}", 1, false, false, L"x_1_+_2"},
        {L"a_____b", 1, false, false, L"a__b"},
        {L"bell\x07tab\tend", 1, false, false, L"bell_tab_end"},
        {L"con", 1, true, false, L"con_.vexlora"},
        {L"LPT1", 3, false, false, L"LPT1_3"},
        {L"console", 1, false, false, L"console"},
        {L"Привет мир", 1, true, true, L"Привет_мир.vexlora"},
    };
    for (const FileNameCase& c : cases)
        EXPECT_EQ(std::wstring(c.fileName), W(MakeFileNameFromName(c.name, c.number, c.extension, c.blanks)))
            << c.name << " #" << c.number;
}

TEST(PhraseFileNames, UniquePathsSkipWhatExists) {
    CTempPhraseFolder folder;
    WritePhrase(folder.Path(L"Hello.vexlora"), "Hello");
    folder.MakeFolder(L"Hello2.vexlora");
    EXPECT_EQ(W(folder.Path(L"Hello3.vexlora")), W(MakeUniquePath(folder.root, L"Hello", false)))
        << "a folder of that name blocks a phrase file as well";
    folder.MakeFolder(L"My Folder");
    EXPECT_EQ(W(folder.Path(L"My Folder2")), W(MakeUniquePath(folder.root + L"\\", L"My Folder", true)))
        << "a folder keeps its blanks and takes no extension";
    EXPECT_EQ(
        W(folder.Path(L"Hello4.vexlora")),
        W(MakeUniquePath(folder.root, L"Hello", false, [](const CString& path) { return path.Find(L"Hello3") >= 0; })));
}

TEST_F(PhraseTree, NewRecordsSavedAtOnceGetDistinctFiles) {
    ASSERT_TRUE(tree.Load(folder.root, 1));
    CVXLCommand* a = nullptr;
    for (CVXLCommand& record : tree.GetRecords())
        if (record.GetName() == L"A") a = &record;
    ASSERT_NE(nullptr, a);
    const size_t first = a->GetChildren()->size();
    const wchar_t* names[] = {L"a/b", L"a:b"};
    for (const wchar_t* name : names) {
        CVXLCommand record;
        record.SetName(name);
        record.SetCommand(CString(L"text of ") + name);
        record.SetID(tree.GetNextFreeID());
        a->GetChildren()->push_back(std::move(record));
    }
    // Both saved before either worker may have written: the second must not take the
    // first one's name.
    EXPECT_EQ(1, tree.SaveRecord(a->GetChildren()->at(first)));
    EXPECT_EQ(1, tree.SaveRecord(a->GetChildren()->at(first + 1)));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    EXPECT_EQ(W(folder.Path(L"A\\a_b.vexlora")), W(a->GetChildren()->at(first).GetFilePath()));
    EXPECT_EQ(W(folder.Path(L"A\\a_b2.vexlora")), W(a->GetChildren()->at(first + 1).GetFilePath()));
    CVXLCommand read;
    ASSERT_TRUE(ReadCommandFile(read, folder.Path(L"A\\a_b.vexlora")));
    EXPECT_EQ(L"text of a/b", W(read.GetCommand()));
    ASSERT_TRUE(ReadCommandFile(read, folder.Path(L"A\\a_b2.vexlora")));
    EXPECT_EQ(L"text of a:b", W(read.GetCommand()));

    // A new folder at the top gets a directory of its own, beside the one of that name.
    CVXLCommand newFolder;
    newFolder.MakeFolder();
    newFolder.SetName(L"A");
    newFolder.SetLocalizedName(L"de", L"Neu");
    tree.GetRecords().push_back(std::move(newFolder));
    EXPECT_EQ(1, tree.SaveRecord(tree.GetRecords().back()));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    EXPECT_TRUE(PathExists(folder.Path(L"A2\\FOLDER_SELF.vexlora")));
}

TEST_F(PhraseTree, UsageSavedThroughTheTreeSurvivesAReload) {
    CString p1Path = folder.Path(L"p1.vexlora");
    ASSERT_TRUE(SetFileAttributesW(p1Path, FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(tree.Load(folder.root, 1));
    CVXLCommand* p1 = nullptr;
    for (CVXLCommand& record : tree.GetRecords())
        if (record.GetName() == L"p1") p1 = &record;
    ASSERT_NE(nullptr, p1);
    SYSTEMTIME now = {2025, 1, 3, 2, 3, 4, 5, 0};
    p1->IncrementUsageCount();
    p1->IncrementUsageCount();
    p1->SetDateUsage(now);
    EXPECT_EQ(1, tree.SaveRecord(*p1));
    ASSERT_TRUE(WaitForPendingSaves(10000));

    ASSERT_TRUE(tree.Load(L"", 1));
    p1 = nullptr;
    for (CVXLCommand& record : tree.GetRecords())
        if (record.GetName() == L"p1") p1 = &record;
    ASSERT_NE(nullptr, p1);
    EXPECT_EQ(2, p1->GetUsageCount()) << "the read-only file was replaced";
    SYSTEMTIME read = {};
    ASSERT_TRUE(p1->GetDateUsage(read));
    EXPECT_EQ(2025, read.wYear);
    EXPECT_EQ(4, read.wMinute);
}

TEST_F(PhraseTree, ExcludingAFolderPersists) {
    ASSERT_TRUE(tree.Load(folder.root, 1));
    CVXLCommand* a = nullptr;
    for (CVXLCommand& record : tree.GetRecords())
        if (record.GetName() == L"A") a = &record;
    ASSERT_NE(nullptr, a);
    EXPECT_TRUE(a->SetIncluded(false));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    ASSERT_TRUE(tree.Load(L"", 1));
    for (CVXLCommand& record : tree.GetRecords())
        if (record.GetName() == L"A") a = &record;
    EXPECT_FALSE(a->IsIncluded());
    int total = 0, included = 0;
    tree.CountItems(total, included);
    EXPECT_EQ(8, total);
    EXPECT_EQ(2, included) << "only p1 and p2 are left";
}

// Every record as its names from the top joined by "/", sorted; a record loaded twice
// shows twice.
void AddShape(const CVXLCommandVector& records, const std::wstring& above, std::vector<std::wstring>& shape) {
    for (const CVXLCommand& record : records) {
        std::wstring path = above + W(record.GetName());
        shape.push_back(path);
        if (const CVXLCommandVector* children = record.GetChildren()) AddShape(*children, path + L"/", shape);
    }
}

std::vector<std::wstring> TreeShape(const CVXLCommandTree& tree) {
    std::vector<std::wstring> shape;
    AddShape(tree.GetRecords(), L"", shape);
    std::sort(shape.begin(), shape.end());
    return shape;
}

// Win32 path parsing cuts a trailing dot or blank from a name, so such folders are made,
// filled and removed here through the exact ("\\?\") form of their paths.
class CExactNamedFolders {
public:
    explicit CExactNamedFolders(const CString& root) : m_root(CString(L"\\\\?\\") + root) {}
    ~CExactNamedFolders() {
        for (const CString& file : m_files) DeleteFileW(file);
        for (auto at = m_folders.rbegin(); at != m_folders.rend(); ++at) RemoveDirectoryW(*at);
    }
    CExactNamedFolders(const CExactNamedFolders&) = delete;
    CExactNamedFolders& operator=(const CExactNamedFolders&) = delete;

    CString Path(const wchar_t* relative) const { return m_root + L"\\" + relative; }
    bool MakeFolder(const wchar_t* relative) {
        if (!CreateDirectoryW(Path(relative), nullptr)) return false;
        m_folders.push_back(Path(relative));
        return true;
    }
    void Track(const CString& file) { m_files.push_back(file); }

private:
    CString m_root;
    std::vector<CString> m_folders;
    std::vector<CString> m_files;
};

TEST(PhraseTreeOddNames, FoldersNamedWithATrailingDotOrBlankLoadAsTheyAre) {
    CTempPhraseFolder folder;
    CExactNamedFolders exact(folder.root);
    static const struct {
        const wchar_t* folder;
        const char* phrase;
    } kCases[] = {{L"Notes.", "in notes"}, {L"Trail ", "in trail"}, {L"dots..", "in dots"}};
    for (const auto& c : kCases) {
        ASSERT_TRUE(exact.MakeFolder(c.folder)) << "code " << GetLastError();
        CString file = exact.Path(c.folder) + L"\\inside.vexlora";
        exact.Track(file);
        WritePhrase(file, c.phrase);
    }
    WritePhrase(folder.Path(L"top.vexlora"), "top");
    std::vector<std::wstring> before = ListNames(folder.root);
    std::sort(before.begin(), before.end());

    CVXLCommandTree tree;
    ASSERT_TRUE(tree.Load(folder.root, 1));
    EXPECT_EQ((std::vector<std::wstring>{L"Notes.", L"Notes./in notes", L"Trail ", L"Trail /in trail", L"dots..",
                                         L"dots../in dots", L"top"}),
              TreeShape(tree));
    std::vector<std::wstring> after = ListNames(folder.root);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after) << "the load made nothing in the phrases folder";

    // A usage save reaches the phrase in its own folder, not one of a cut name.
    CVXLCommand* notes = nullptr;
    for (CVXLCommand& record : tree.GetRecords())
        if (record.GetName() == L"Notes.") notes = &record;
    ASSERT_NE(nullptr, notes);
    ASSERT_EQ(1u, notes->GetChildren()->size());
    CVXLCommand& inside = notes->GetChildren()->front();
    inside.IncrementUsageCount();
    EXPECT_EQ(1, tree.SaveRecord(inside));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    CVXLCommand read;
    ASSERT_TRUE(ReadCommandFile(read, exact.Path(L"Notes.\\inside.vexlora")));
    EXPECT_EQ(1, read.GetUsageCount());
    after = ListNames(folder.root);
    std::sort(after.begin(), after.end());
    EXPECT_EQ(before, after);
    EXPECT_EQ(std::vector<std::wstring>{L"inside.vexlora"}, ListNames(exact.Path(L"Notes.")));
}

// Stands in for folder links: paths are told apart by their text, and the paths named
// here lead to the folder given beside them.
class CFakeFolderIdentities {
public:
    void LeadsTo(const CString& path, const CString& target) { m_links[Key(path)] = Key(target); }
    bool Read(const CString& path, CVXLFolderIdentity& identity) {
        ++reads;
        if (unreadable) return false;
        CString key = Key(path);
        auto link = m_links.find(key);
        if (link != m_links.end()) key = link->second;
        auto known = m_indexes.find(key);
        if (known == m_indexes.end()) known = m_indexes.emplace(key, m_indexes.size() + 1).first;
        identity.volume = 0x1234;
        identity.index = known->second;
        return true;
    }
    int reads = 0;
    bool unreadable = false;

private:
    static CString Key(const CString& path) { return MapToUpperCopy(path); }
    std::map<CString, CString> m_links;
    std::map<CString, ULONGLONG> m_indexes;
};

// root: A/ (a1, B/ (b1)), C/ (c1), p
TEST(PhraseTreeFolderIdentity, AFolderThatLeadsBackIntoTheTreeIsEnteredOnce) {
    CTempPhraseFolder folder;
    folder.MakeFolder(L"A");
    folder.MakeFolder(L"A\\B");
    folder.MakeFolder(L"C");
    WritePhrase(folder.Path(L"A\\a1.vexlora"), "a1");
    WritePhrase(folder.Path(L"A\\B\\b1.vexlora"), "b1");
    WritePhrase(folder.Path(L"C\\c1.vexlora"), "c1");
    WritePhrase(folder.Path(L"p.vexlora"), "p");
    const std::vector<std::wstring> whole = {L"A", L"A/B", L"A/B/b1", L"A/a1", L"C", L"C/c1", L"p"};
    const std::vector<std::wstring> withoutB = {L"A", L"A/a1", L"C", L"C/c1", L"p"};

    static const struct {
        const char* label;
        const wchar_t* target;  // where A\B leads; null: nowhere else
        bool unreadable;
        bool expectB;
    } kCases[] = {
        {"B leads to the root", L"", false, false},
        {"B leads to its own parent", L"A", false, false},
        {"B is a folder of its own", nullptr, false, true},
        {"identities cannot be read: plain folders still load", nullptr, true, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        CFakeFolderIdentities identities;
        identities.unreadable = c.unreadable;
        if (c.target) identities.LeadsTo(folder.Path(L"A\\B"), *c.target ? folder.Path(c.target) : folder.root);
        CVXLCommandTree tree;
        tree.SetFolderIdentityProc([&identities](const CString& path, CVXLFolderIdentity& identity) {
            return identities.Read(path, identity);
        });
        ASSERT_TRUE(tree.Load(folder.root, 1));
        EXPECT_EQ(c.expectB ? whole : withoutB, TreeShape(tree));
        EXPECT_GE(identities.reads, 3) << "the root and the folders are told apart";
    }
}

TEST(PhraseTreeFolderIdentity, TheSystemTellsFoldersApart) {
    CTempPhraseFolder folder;
    CString a = folder.MakeFolder(L"A");
    CString b = folder.MakeFolder(L"B");
    CVXLFolderIdentity first, again, other;
    ASSERT_TRUE(ReadFolderIdentity(a, first));
    ASSERT_TRUE(ReadFolderIdentity(a + L"\\", again));
    ASSERT_TRUE(ReadFolderIdentity(b, other));
    EXPECT_FALSE(first < again || again < first) << "one folder, one identity";
    EXPECT_TRUE(first < other || other < first) << "two folders, two identities";
    EXPECT_FALSE(ReadFolderIdentity(folder.Path(L"nowhere"), other));
}

// Real links: a directory symbolic link where the system makes one, else a junction.
class PhraseTreeLinks : public ::testing::Test {
protected:
    void SetUp() override {
        root = testkit::MakeUniqueTempFolder(L"vxl_links");
        outside = testkit::MakeUniqueTempFolder(L"vxl_outside");
        CreateDirectoryW(root + L"\\A", nullptr);
        CreateDirectoryW(root + L"\\C", nullptr);
        WritePhrase(root + L"\\A\\a1.vexlora", "a1");
        WritePhrase(root + L"\\C\\c1.vexlora", "c1");
        WritePhrase(root + L"\\p.vexlora", "p");
        WritePhrase(outside + L"\\o1.vexlora", "o1");
    }
    void TearDown() override {
        // The links go first: removing the tree through a link back into it would not end.
        bool linksGone = RemoveLinks();
        if (linksGone) testkit::RemoveTree(root);
        testkit::RemoveTree(outside);
    }

    // False, keeping the links that stayed, when any could not be removed.
    bool RemoveLinks() {
        std::vector<CString> stayed;
        for (const CString& link : m_links) {
            if (!RemoveDirectoryW(link)) DeleteFileW(link);
            if (GetFileAttributesW(link) != INVALID_FILE_ATTRIBUTES) stayed.push_back(link);
        }
        m_links = stayed;
        return stayed.empty();
    }

    // The link at root + "\" + relative to target; false when the system here makes none.
    bool MakeLink(const wchar_t* relative, const CString& target) {
        CString link = root + L"\\" + relative;
        for (DWORD flags : {DWORD(SYMBOLIC_LINK_FLAG_DIRECTORY | 2), DWORD(SYMBOLIC_LINK_FLAG_DIRECTORY)}) {
            if (CreateSymbolicLinkW(link, target, flags)) {
                m_links.push_back(link);
                if (LeadsTo(link, target)) return true;
                RemoveLinks();
            }
        }
        if (MakeJunction(link, target)) {
            m_links.push_back(link);
            if (LeadsTo(link, target)) return true;
            RemoveLinks();
        }
        return false;
    }

    static bool LeadsTo(const CString& link, const CString& target) {
        CVXLFolderIdentity linked, real;
        return (GetFileAttributesW(link) & FILE_ATTRIBUTE_REPARSE_POINT) != 0 &&
               GetFileAttributesW(link) != INVALID_FILE_ATTRIBUTES && ReadFolderIdentity(link, linked) &&
               ReadFolderIdentity(target, real) && !(linked < real) && !(real < linked);
    }

    static bool MakeJunction(const CString& link, const CString& target) {
        if (!CreateDirectoryW(link, nullptr)) return false;
        struct {
            DWORD tag;
            WORD dataLength;
            WORD reserved;
            WORD substituteOffset, substituteLength, printOffset, printLength;
            wchar_t names[2 * MAX_PATH + 8];
        } buffer = {};
        CString substitute = CString(L"\\??\\") + target;
        if (substitute.GetLength() + target.GetLength() + 2 > 2 * MAX_PATH + 8) return false;
        buffer.tag = IO_REPARSE_TAG_MOUNT_POINT;
        buffer.substituteLength = static_cast<WORD>(substitute.GetLength() * sizeof(wchar_t));
        buffer.printOffset = static_cast<WORD>(buffer.substituteLength + sizeof(wchar_t));
        buffer.printLength = static_cast<WORD>(target.GetLength() * sizeof(wchar_t));
        memcpy(buffer.names, substitute.GetString(), buffer.substituteLength);
        memcpy(reinterpret_cast<char*>(buffer.names) + buffer.printOffset, target.GetString(), buffer.printLength);
        buffer.dataLength = static_cast<WORD>(8 + buffer.printOffset + buffer.printLength + sizeof(wchar_t));
        HANDLE handle = CreateFileW(link, GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        bool made = false;
        if (handle != INVALID_HANDLE_VALUE) {
            DWORD returned = 0;
            made = DeviceIoControl(handle, FSCTL_SET_REPARSE_POINT, &buffer, buffer.dataLength + 8u, nullptr, 0,
                                   &returned, nullptr) != FALSE;
            CloseHandle(handle);
        }
        if (!made) RemoveDirectoryW(link);
        return made;
    }

    struct LoadJob {
        CVXLCommandTree tree;
        CString root;
        bool loaded = false;
    };

    static DWORD WINAPI LoadThread(void* data) {
        LoadJob& job = *static_cast<LoadJob*>(data);
        job.loaded = job.tree.Load(job.root, 1);
        return 0;
    }

    // The load on a thread of its own. A load that goes round without end is stopped by
    // taking the links away, so that the test can report it.
    bool LoadEnds(LoadJob& job) {
        job.root = root;
        HANDLE thread = CreateThread(nullptr, 0, LoadThread, &job, 0, nullptr);
        if (!thread) return false;
        bool ended = WaitForSingleObject(thread, 120000) == WAIT_OBJECT_0;
        if (!ended) {
            RemoveLinks();
            WaitForSingleObject(thread, INFINITE);
        }
        CloseHandle(thread);
        return ended;
    }

    CString root;
    CString outside;
    std::vector<CString> m_links;
};

TEST_F(PhraseTreeLinks, EveryShapeLoadsEachFolderOnce) {
    const std::vector<std::wstring> own = {L"A", L"A/a1", L"C", L"C/c1", L"p"};
    static const struct {
        const char* label;
        std::vector<std::pair<const wchar_t*, const wchar_t*>> links;  // link -> target, both below root
        bool toOutside;  // one more link, A\out, to a folder outside the tree
    } kCases[] = {
        {"one link back to its parent", {{L"A\\back", L"A"}}, false},
        {"two links back to their parent", {{L"A\\back1", L"A"}, {L"A\\back2", L"A"}}, false},
        {"a link back to the root", {{L"A\\up", L""}}, false},
        {"a link to a folder of the tree listed later", {{L"A\\toC", L"C"}}, false},
        {"a link out of the tree", {}, true},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.label);
        for (const auto& link : c.links) {
            CString target = *link.second ? root + L"\\" + link.second : root;
            if (!MakeLink(link.first, target))
                GTEST_SKIP() << "this system makes no directory link (symbolic link or junction) that lists as "
                                "one; the rule is tested through the folder identity seam (PhraseTreeFolderIdentity)";
        }
        if (c.toOutside && !MakeLink(L"A\\out", outside)) GTEST_SKIP() << "no directory links here";

        LoadJob job;
        ASSERT_TRUE(LoadEnds(job)) << "the load did not end";
        EXPECT_TRUE(job.loaded);
        std::vector<std::wstring> expected = own;
        if (c.toOutside) {
            expected.push_back(L"A/out");
            expected.push_back(L"A/out/o1");
            std::sort(expected.begin(), expected.end());
        }
        EXPECT_EQ(expected, TreeShape(job.tree));
        ASSERT_TRUE(RemoveLinks());
    }
}

CString DoubledText(const CVXLCommand& record, void* context) {
    ++*static_cast<int*>(context);
    return record.GetCommand() + record.GetCommand();
}

TEST(PhraseTreeStatistics, OneWalkGivesTheFigures) {
    CVXLCommandVector records;
    auto phrase = [](const wchar_t* name, int type, int usage, const wchar_t* text, bool included = true) {
        CVXLCommand record;
        record.SetName(name);
        record.SetDataType(type);
        record.SetUsageCount(usage);
        record.SetCommand(text);
        record.SetIncluded(included);
        return record;
    };
    const wchar_t* rtf = L"{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}\\f0\\b Hi\\b0}";
    CVXLCommand folder;
    folder.SetID(1);
    folder.MakeFolder().push_back(phrase(L"rtf", VXL_DATA_RTF, 7, rtf));
    folder.GetChildren()->back().SetID(2);
    folder.GetChildren()->push_back(phrase(L"exec", VXL_DATA_EXEC, 0, L"notepad", false));
    records.push_back(std::move(folder));
    records.push_back(phrase(L"text", VXL_DATA_TEXT, 7, L"abc"));
    records.push_back(phrase(L"odd type", 9, 1, L"z"));

    int calls = 0;
    CVXLTreeStatistics stats = GetTreeStatistics(records, DoubledText, &calls);
    EXPECT_EQ(5, stats.records);
    EXPECT_EQ(1, stats.folders);
    EXPECT_EQ(4, stats.included);
    EXPECT_EQ(1, stats.textPhrases);
    EXPECT_EQ(1, stats.rtfPhrases);
    EXPECT_EQ(1, stats.execPhrases);
    EXPECT_EQ(15, stats.totalUsage);
    EXPECT_EQ(7, stats.maxUsage);
    EXPECT_EQ(2u, stats.maxUsageID) << "the first of equal counts";
    EXPECT_EQ(L"rtf", W(stats.maxUsageName));
    EXPECT_EQ(3, calls) << "only phrases used at least once are measured";
    const LONGLONG rtfLength = CString(rtf).GetLength();
    EXPECT_EQ(2 * (rtfLength * 7 + 3 * 7 + 1 * 1), stats.charsSaved);

    // Without a measure of the caller's: a plain text counts as it stands, an RTF phrase
    // by its plain text, not by its mark-up, in the form the programs store and in the
    // older one.
    for (const wchar_t* form : {L"{\\urtf1", L"{\\rtf1"}) {
        CString text(rtf);
        text.Replace(L"{\\rtf1", form);
        (*records[0].GetChildren())[0].SetCommand(text);
        stats = GetTreeStatistics(records);
        LONGLONG rtfPart = stats.charsSaved - (3 * 7 + 1 * 1);
        EXPECT_GE(rtfPart, 2 * 7) << W(text);
        EXPECT_LE(rtfPart, 4 * 7) << "\"Hi\" and at most a line end, not the RTF's " << rtfLength << " characters";
    }
}

}  // namespace
