// The phrase record in memory: value semantics, included state, paths, and what the
// menu derives from a record (item kind, one-line preview).
#include "phrases/Command.h"

#include <gtest/gtest.h>

#include <climits>

#include "phrases/CommandSave.h"
#include "phrases/tests/PhraseTestFolders.h"

namespace {

class CCountedAttachment : public CVXLCommandAttachment {
public:
    explicit CCountedAttachment(int* freed) : m_freed(freed) {}
    ~CCountedAttachment() override { ++*m_freed; }

private:
    int* m_freed;
};

CVXLCommand MakePhrase(const wchar_t* name, UINT id, bool included = true) {
    CVXLCommand record;
    record.SetName(name);
    record.SetID(id);
    record.SetIncluded(included);
    return record;
}

TEST(CommandRecord, NewRecordHasTheDefaults) {
    CVXLCommand record;
    EXPECT_TRUE(record.GetName().IsEmpty());
    EXPECT_TRUE(record.GetCommand().IsEmpty());
    EXPECT_EQ(VXL_DATA_TEXT, record.GetDataType());
    EXPECT_EQ(0u, record.GetID());
    EXPECT_EQ(0u, record.GetSortID());
    EXPECT_EQ(0, record.GetUsageCount());
    EXPECT_EQ(0u, record.GetMenuFlags());
    EXPECT_TRUE(record.GetIncludedFlag());
    EXPECT_FALSE(record.IsFolder());
    EXPECT_FALSE(record.HasDateUsage());
    EXPECT_EQ(nullptr, record.GetAttachment());
}

TEST(CommandRecord, CopyDuplicatesTheSubtreeAndMoveTransfersIt) {
    int freed = 0;
    CVXLCommand folder;
    folder.SetName(L"Folder");
    folder.MakeFolder().push_back(MakePhrase(L"inner", 2));
    folder.SetAttachment(std::make_unique<CCountedAttachment>(&freed));

    CVXLCommand copy(folder);
    ASSERT_TRUE(copy.IsFolder());
    ASSERT_EQ(1u, copy.GetChildren()->size());
    EXPECT_NE(folder.GetChildren(), copy.GetChildren());
    EXPECT_EQ(L"inner", W((*copy.GetChildren())[0].GetName()));
    // The menu's object belongs to the one record it was hung on.
    EXPECT_EQ(nullptr, copy.GetAttachment());
    EXPECT_NE(nullptr, folder.GetAttachment());

    CVXLCommand moved(std::move(folder));
    EXPECT_FALSE(folder.IsFolder());
    EXPECT_EQ(nullptr, folder.GetAttachment());
    ASSERT_TRUE(moved.IsFolder());
    EXPECT_NE(nullptr, moved.GetAttachment());
    EXPECT_EQ(0, freed);

    moved = CVXLCommand();
    EXPECT_EQ(1, freed) << "the attachment is freed with the record that holds it";
}

TEST(CommandRecord, AssigningAChildToItsOwnFolderIsSafe) {
    CVXLCommand folder;
    CVXLCommandVector& children = folder.MakeFolder();
    CVXLCommand sub;
    sub.SetName(L"sub");
    sub.MakeFolder().push_back(MakePhrase(L"leaf", 3));
    children.push_back(std::move(sub));

    folder = std::move((*folder.GetChildren())[0]);
    EXPECT_EQ(L"sub", W(folder.GetName()));
    ASSERT_EQ(1u, folder.GetChildren()->size());
    EXPECT_EQ(L"leaf", W((*folder.GetChildren())[0].GetName()));

    CVXLCommand copyTarget;
    copyTarget.MakeFolder().push_back(folder);
    copyTarget = (*copyTarget.GetChildren())[0];
    EXPECT_EQ(L"sub", W(copyTarget.GetName()));
    ASSERT_TRUE(copyTarget.IsFolder());
    EXPECT_EQ(L"leaf", W((*copyTarget.GetChildren())[0].GetName()));
}

TEST(CommandRecord, LimitsAndCounts) {
    CVXLCommand record;
    // 119 letters and then a character outside the basic plane: the cut at 120 would
    // split the pair, so the whole character goes.
    CString name(L'n', 119);
    name += L"\U0001F600tail";
    record.SetName(name);
    EXPECT_EQ(119, record.GetName().GetLength());

    record.SetHint(CString(L'h', 2000));
    EXPECT_EQ(kMaxCommandHintChars, record.GetHint().GetLength());

    record.SetUsageCount(-3);
    EXPECT_EQ(0, record.GetUsageCount());
    record.SetUsageCount(INT_MAX);
    record.IncrementUsageCount();
    EXPECT_EQ(INT_MAX, record.GetUsageCount()) << "a count never wraps to a negative number";

    record.SetLocalizedName(L"RU", L"Имя");
    EXPECT_EQ(L"Имя", W(record.GetLocalizedName(L"ru")));
    EXPECT_EQ(1u, record.GetLocalizedNames().count(L"ru"));
    record.SetLocalizedName(L"ru", L"");
    EXPECT_TRUE(record.GetLocalizedNames().empty());
}

TEST(CommandRecord, FolderTakesNoUsageDate) {
    SYSTEMTIME date = {2024, 5, 0, 17, 10, 20, 30, 0};
    CVXLCommand phrase;
    EXPECT_TRUE(phrase.SetDateUsage(date));
    SYSTEMTIME read = {};
    ASSERT_TRUE(phrase.GetDateUsage(read));
    EXPECT_EQ(17, read.wDay);

    CVXLCommand folder;
    folder.MakeFolder();
    EXPECT_FALSE(folder.SetDateUsage(date));
    EXPECT_FALSE(folder.HasDateUsage());

    SYSTEMTIME yearZero = {0, 5, 0, 17, 0, 0, 0, 0};
    phrase.SetDateUsage(yearZero);
    EXPECT_FALSE(phrase.HasDateUsage()) << "a date whose year is 0 is no date";
}

TEST(CommandRecord, FolderIncludedStateIsDerivedFromItsPhrases) {
    CVXLCommand top;
    top.SetName(L"top");
    CVXLCommandVector& children = top.MakeFolder();
    CVXLCommand emptyFolder;
    emptyFolder.MakeFolder();
    children.push_back(std::move(emptyFolder));
    EXPECT_FALSE(top.IsIncluded()) << "a folder holding only an empty folder shows nothing";

    CVXLCommand sub;
    sub.MakeFolder().push_back(MakePhrase(L"deep", 7, false));
    children.push_back(std::move(sub));
    EXPECT_FALSE(top.IsIncluded());
    (*(*top.GetChildren())[1].GetChildren())[0].SetIncluded(true);
    EXPECT_TRUE(top.IsIncluded());

    EXPECT_TRUE(top.ContainsID(7));
    EXPECT_FALSE(top.ContainsID(8));
    EXPECT_FALSE(MakePhrase(L"p", 7).ContainsID(7)) << "a phrase holds nothing";
}

TEST(CommandRecord, SettingIncludedOnAFolderSavesEachChangedPhrase) {
    CTempPhraseFolder folder;
    CVXLCommand top;
    top.SetFilePath(folder.root);
    CVXLCommandVector& children = top.MakeFolder();
    const wchar_t* names[] = {L"one", L"two", L"three"};
    for (int i = 0; i < 3; ++i) {
        CVXLCommand phrase = MakePhrase(names[i], i + 1, i != 1);
        phrase.SetFilePath(folder.Path(names[i]) + kPhraseFileExtension);
        children.push_back(std::move(phrase));
    }

    EXPECT_TRUE(top.SetIncluded(false));
    ASSERT_TRUE(WaitForPendingSaves(10000));
    EXPECT_TRUE(PathExists(folder.Path(L"one.vexlora")));
    EXPECT_FALSE(PathExists(folder.Path(L"two.vexlora"))) << "an unchanged phrase is not written";
    EXPECT_TRUE(PathExists(folder.Path(L"three.vexlora")));
    CVXLCommand reread;
    ASSERT_TRUE(ReadCommandFile(reread, folder.Path(L"three.vexlora")));
    EXPECT_FALSE(reread.GetIncludedFlag());
    EXPECT_FALSE(top.IsIncluded());
    EXPECT_FALSE(top.SetIncluded(false)) << "nothing changes the second time";
}

TEST(CommandRecord, MovingAFolderPathMovesTheDirectoryAndThePathsBelow) {
    CTempPhraseFolder folder;
    CString oldPath = folder.MakeFolder(L"Old");
    CVXLCommand record;
    record.SetFilePath(oldPath);
    CVXLCommand phrase = MakePhrase(L"p", 2);
    phrase.SetFilePath(oldPath + L"\\p.vexlora");
    CVXLCommand sub;
    sub.SetFilePath(oldPath + L"\\Sub");
    sub.MakeFolder();
    record.MakeFolder().push_back(std::move(phrase));
    record.GetChildren()->push_back(std::move(sub));

    CString newPath = folder.Path(L"New");
    ASSERT_TRUE(record.SetFilePath(newPath));
    EXPECT_TRUE(PathExists(newPath));
    EXPECT_FALSE(PathExists(oldPath));
    EXPECT_EQ(W(newPath + L"\\p.vexlora"), W((*record.GetChildren())[0].GetFilePath()));
    EXPECT_EQ(W(newPath + L"\\Sub"), W((*record.GetChildren())[1].GetFilePath()));
    EXPECT_EQ(W(newPath + L"\\FOLDER_SELF.vexlora"), W(record.GetSaveTarget()));

    // A move that the file system refuses keeps the record where it was.
    CString unreachable = folder.Path(L"missing\\deeper\\New");
    EXPECT_FALSE(record.SetFilePath(unreachable));
    EXPECT_EQ(W(newPath), W(record.GetFilePath()));
    EXPECT_TRUE(PathExists(newPath));
}

struct KindCase {
    bool folder;
    int dataType;
    const wchar_t* command;
    int kind;
};

TEST(CommandRecord, ItemKindTable) {
    const KindCase cases[] = {
        {true, VXL_DATA_EXEC, L"https://x", VXL_KIND_FOLDER},
        {false, VXL_DATA_TEXT, L"https://x", VXL_KIND_TEXT},
        {false, VXL_DATA_RTF, L"{\\rtf1 google}", VXL_KIND_RTF},
        {false, VXL_DATA_EXEC, L"https://translate.google.com/?text=%SELECTED_TEXT%", VXL_KIND_TRANSLATE},
        {false, VXL_DATA_EXEC, L"open translate and google", VXL_KIND_TRANSLATE},
        {false, VXL_DATA_EXEC, L"http://www.google.com/search?q=1", VXL_KIND_WEB_SEARCH},
        {false, VXL_DATA_EXEC, L"https://yandex.ru/search/?text=1", VXL_KIND_WEB_SEARCH2},
        {false, VXL_DATA_EXEC, L"hTTpS://example.org", VXL_KIND_WEB_ADDRESS},
        {false, VXL_DATA_EXEC, L"www.example.org", VXL_KIND_WEB_ADDRESS},
        {false, VXL_DATA_EXEC, L"see https://example.org", VXL_KIND_PROGRAM},
        {false, VXL_DATA_EXEC, L"notepad.exe C:\\a.txt", VXL_KIND_PROGRAM},
        {false, 7, L"https://x", VXL_KIND_TEXT},
    };
    for (const KindCase& c : cases) EXPECT_EQ(c.kind, GetItemKind(c.folder, c.dataType, c.command)) << c.command;
}

struct PreviewCase {
    const wchar_t* text;
    const wchar_t* preview;
};

TEST(CommandRecord, PreviewTable) {
    const PreviewCase cases[] = {
        {L"\r\n\t  Hello  \r\n", L"Hello"},
        {L"one\r\ntwo\rthree\nfour", L"one two three four"},
        {L"a\n\nb", L"a b"},
        {L"a\r\n\r\nb", L"a  b"},
        {L"", L""},
        {L"0123456789012345678901234567890123456789012345678901234567890123456789",
         L"0123456789012345678901234567890123456789012345678901234567890123456789"},
        {L"01234567890123456789012345678901234567890123456789012345678901234567890",
         L"0123456789012345678901234567890123456789012345678901234567890123456789\u2026"},
        // The 70th unit is the first half of a pair: the whole character waits for the mark.
        {L"012345678901234567890123456789012345678901234567890123456789012345678\U0001F600x",
         L"012345678901234567890123456789012345678901234567890123456789012345678\u2026"},
    };
    for (const PreviewCase& c : cases) EXPECT_EQ(std::wstring(c.preview), W(GetItemPreviewText(c.text))) << c.text;
}

TEST(CommandRecord, DataTypeNames) {
    struct {
        const char* text;
        int type;
    } reads[] = {{"TEXT", 0}, {"RTF", 1}, {"EXEC", 2}, {"exec", 2}, {"Rtf", 1}, {"Exe", 0}, {"", 0}, {nullptr, 0}};
    for (const auto& r : reads) EXPECT_EQ(r.type, DataTypeFromXml(r.text)) << (r.text ? r.text : "(null)");
    EXPECT_STREQ("TEXT", DataTypeToText(0));
    EXPECT_STREQ("RTF", DataTypeToText(1));
    EXPECT_STREQ("EXEC", DataTypeToText(2));
    EXPECT_STREQ("TEXT", DataTypeToText(-1));
}

struct DateCase {
    const wchar_t* text;
    bool ok;
    WORD year, month, day, hour, minute, second;
};

TEST(CommandRecord, UsageDateTexts) {
    const DateCase cases[] = {
        {L"2024|2|29|23|59|58", true, 2024, 2, 29, 23, 59, 58},
        {L"2024|2|29", true, 2024, 2, 29, 0, 0, 0},
        {L"0|5|5|1|1|1", false, 0, 5, 5, 1, 1, 1},
        {L"2024-02-29", true, 2024, 0, 0, 0, 0, 0},
        {L"not a date", false, 0, 0, 0, 0, 0, 0},
        {L"99999|1|1|0|0|0", false, 0, 0, 0, 0, 0, 0},
        {L"", false, 0, 0, 0, 0, 0, 0},
    };
    for (const DateCase& c : cases) {
        SYSTEMTIME date = {1, 1, 1, 1, 1, 1, 1, 1};
        EXPECT_EQ(c.ok, ParseDateUsage(c.text, date)) << c.text;
        EXPECT_EQ(c.year, date.wYear) << c.text;
        EXPECT_EQ(c.month, date.wMonth) << c.text;
        EXPECT_EQ(c.day, date.wDay) << c.text;
        EXPECT_EQ(c.hour, date.wHour) << c.text;
        EXPECT_EQ(c.minute, date.wMinute) << c.text;
        EXPECT_EQ(c.second, date.wSecond) << c.text;
        EXPECT_EQ(0, date.wMilliseconds) << "the parse clears the whole date first";
    }
    SYSTEMTIME date = {2023, 7, 5, 14, 9, 5, 0, 999};
    EXPECT_EQ(L"2023|7|14|9|5|0", W(FormatDateUsage(date)));
}

}  // namespace
