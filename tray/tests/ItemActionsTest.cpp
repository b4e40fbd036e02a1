// The right-click menu's commands run on phrases and clips: what goes on the clipboard,
// what is opened or looked up, and what the user is told when nothing can be done.
#include "tray/ItemActions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/ClipboardAccess.h"
#include "core/base/TextHelpers.h"
#include "phrases/CommandTree.h"
#include "testkit/fakes/RecordingActionServices.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenuHandler.h"
#include "tray/tests/MenuFakes.h"

namespace {

using testkit::CFakeHistory;
using testkit::CRecordingServices;

std::wstring W(const CString& text) {
    return std::wstring(text.GetString());
}

class CRecordingItemShell : public IItemActionShell {
public:
    std::vector<std::wstring> calls;
    bool works = true;
    void Beep() override { calls.push_back(L"beep"); }
    void PlayPaperSound() override { calls.push_back(L"paper"); }
    bool PutBitmap(HBITMAP) override {
        calls.push_back(L"bitmap");
        return works;
    }
    bool OpenUrl(const CString& text) override {
        calls.push_back(L"url " + W(text));
        return works;
    }
    bool OpenItem(const CClipboardItemData& item, bool openDirectly) override {
        calls.push_back((openDirectly ? L"open kind " : L"open with kind ") + std::to_wstring(item.kind));
        return works;
    }
    bool WebSearch(const CString& text, int serviceId) override {
        calls.push_back(L"search " + std::to_wstring(serviceId) + L" " + W(text));
        return works;
    }
    void ClosePhraseMenu() override { calls.push_back(L"close menu"); }
    void ShowNotAClipError() override { calls.push_back(L"nIndex < 0"); }
};

class CNoTrack : public IMenuTrack {
public:
    UINT Track(HMENU, int, int, HWND) override { return 0; }
    UINT TrackNested(HMENU, int, int, HWND) override { return 0; }
};

CVXLCommand Phrase(UINT id, const wchar_t* command, int dataType = VXL_DATA_TEXT) {
    CVXLCommand record;
    record.SetID(id);
    record.SetName(L"name");
    record.SetCommand(command);
    record.SetDataType(dataType);
    return record;
}

const UINT kPromptPhrase = 1;
const UINT kRtfPhrase = 2;
const UINT kEmptyPhrase = 3;
const UINT kFolder = 4;
const UINT kAddressPhrase = 5;

class ItemActions : public ::testing::Test {
protected:
    void SetUp() override {
        CVXLCommandVector& records = m_tree.GetRecords();
        records.push_back(Phrase(kPromptPhrase, L"Dear %PROMPT_TEXT={Name}%, see %SELECTED_TEXT%"));
        records.push_back(Phrase(kRtfPhrase, L"{\\rtf1 bold}", VXL_DATA_RTF));
        records.push_back(Phrase(kEmptyPhrase, L""));
        CVXLCommand folder;
        folder.SetID(kFolder);
        folder.SetName(L"folder");
        folder.MakeFolder();
        records.push_back(std::move(folder));
        records.push_back(Phrase(kAddressPhrase, L"example.org/page"));

        CFakeHistory::Item text;
        text.text = L"a/b:c?d";
        m_history.items.push_back(text);
        CFakeHistory::Item rtf;
        rtf.kind = kHistoryKindFormattedText;
        rtf.bytes = "{\\rtf1 clip}";
        m_history.items.push_back(rtf);
        CFakeHistory::Item ansi;
        ansi.kind = kHistoryKindAnsiText;
        ansi.bytes = "plain ansi";
        m_history.items.push_back(ansi);
        CFakeHistory::Item picture;
        picture.kind = kHistoryKindBitmap;
        picture.bitmap = CreateBitmap(4, 4, 1, 32, nullptr);
        m_history.items.push_back(picture);
        CFakeHistory::Item empty;
        empty.text = L"";
        m_history.items.push_back(empty);

        m_services.promptAnswer = L"Alice";
    }
    void TearDown() override { DeleteObject(m_history.items[3].bitmap); }

    bool Run(int code, UINT id) {
        m_handler.SetClipboardText(L"CLIP");
        CItemActionRunner runner(m_tree, &m_history, m_handler, m_services, m_shell, &m_snapshot);
        return runner.Run(code, id);
    }

    CVXLCommandTree m_tree;
    CFakeHistory m_history;
    CNoTrack m_track;
    IDataNeededHander_MenuSelf m_handler{nullptr, 0, m_tree, nullptr, nullptr, m_track};
    CRecordingServices m_services;
    CRecordingItemShell m_shell;
    CClipboardSnapshotHolder m_snapshot;
};

// "Copy" on a phrase with a prompt asks it and copies the joined text; the snapshot of the
// clipboard is disarmed so that closing the phrase menu keeps the new text there.
TEST_F(ItemActions, CopyOnAPhraseWithAPromptAsksItAndCopiesTheJoinedText) {
    ASSERT_TRUE(m_snapshot.IsArmed());
    EXPECT_TRUE(Run(kItemActionCopy, kPromptPhrase));
    EXPECT_EQ((std::vector<std::wstring>{L"ask Name", L"focus back", L"clipboard text Dear Alice, see "}),
              m_services.calls);
    EXPECT_FALSE(m_snapshot.IsArmed());
    EXPECT_EQ((std::vector<std::wstring>{L"paper"}), m_shell.calls);
    EXPECT_EQ(static_cast<int>(kPromptPhrase), m_handler.GetLastID());
}

TEST_F(ItemActions, CopyPutsEachKindOfItemOnTheClipboardInItsForm) {
    const UINT clip = kFirstClipMenuId;
    const struct {
        int code;
        UINT id;
        std::wstring services;  // the clipboard call, or "" for none
        std::wstring shell;     // the shell's calls joined
    } kCases[] = {
        {kItemActionCopy, kRtfPhrase, L"clipboard rtf {\\rtf1 bold} plain plain of {\\rtf1 bold} language 0", L"paper"},
        // The formatted text's markup is made of symbols: the plain text loses them.
        {kItemActionCopyExcludeSymbols, kRtfPhrase, L"", L"paper"},
        {kItemActionCopy, clip, L"clipboard text a/b:c?d", L"paper"},
        {kItemActionCopy, clip + 1, L"clipboard rtf {\\rtf1 clip} plain plain of {\\rtf1 clip} language 0", L"paper"},
        {kItemActionCopy, clip + 2, L"clipboard text plain ansi", L"paper"},
        {kItemActionCopy, clip + 3, L"", L"bitmap paper"},
        {kItemActionCopy, clip + 4, L"", L"beep"},
        {kItemActionCopy, kEmptyPhrase, L"", L"beep"},
        {kItemActionCopy, kFolder, L"", L"beep"},
        {kItemActionCopy, clip + 40, L"", L"beep"},
    };
    for (const auto& c : kCases) {
        m_services.calls.clear();
        m_shell.calls.clear();
        m_snapshot.TakeAndArm();
        const bool done = Run(c.code, c.id);
        std::wstring clipboard;
        for (const std::wstring& call : m_services.calls)
            if (call.compare(0, 9, L"clipboard") == 0) clipboard = call;
        std::wstring shell;
        for (const std::wstring& call : m_shell.calls) shell += (shell.empty() ? L"" : L" ") + call;
        if (!c.services.empty()) {
            EXPECT_EQ(c.services, clipboard) << c.id;
        }
        EXPECT_EQ(c.shell, shell) << c.id;
        EXPECT_EQ(c.shell != L"beep", done) << c.id;
        EXPECT_EQ(c.shell == L"beep", m_snapshot.IsArmed()) << c.id << ": a failed copy keeps the old clipboard";
    }
}

TEST_F(ItemActions, CopyExcludeSymbolsLeavesNoCharacterAFileNameCannotHold) {
    EXPECT_TRUE(Run(kItemActionCopyExcludeSymbols, kFirstClipMenuId));
    ASSERT_EQ(1u, m_services.calls.size());
    CString expected = L"a/b:c?d";
    EXPECT_EQ(3, SanitizeFileName(expected));
    EXPECT_EQ(L"clipboard text " + W(expected), m_services.calls[0]);
    EXPECT_FALSE(IsFileNameCharReplaced(CString(m_services.calls[0].c_str() + 15)));

    m_services.calls.clear();
    EXPECT_TRUE(Run(kItemActionCopyExcludeSymbols, kRtfPhrase));
    ASSERT_EQ(1u, m_services.calls.size());
    EXPECT_EQ(std::wstring::npos, m_services.calls[0].find(L'\\')) << m_services.calls[0];
    EXPECT_EQ(0u, m_services.calls[0].find(L"clipboard text plain of "));
}

TEST_F(ItemActions, OpeningAndSearchingReachTheShellOrTellWhyNot) {
    const UINT clip = kFirstClipMenuId;
    const struct {
        int code;
        UINT id;
        std::wstring shell;
    } kCases[] = {
        {kItemActionOpenAsUrl, kAddressPhrase, L"url example.org/page"},
        {kItemActionOpenAsUrl, clip, L"url a/b:c?d"},
        {kItemActionOpenAsUrl, clip + 1, L"url plain of {\\rtf1 clip}"},
        {kItemActionOpenAsUrl, kEmptyPhrase, L"nIndex < 0"},
        {kItemActionOpenAsUrl, kFolder, L"nIndex < 0"},
        {kItemActionOpenAsUrl, clip + 3, L"beep"},
        {kItemActionEdit, clip + 1, L"open kind 2 close menu"},
        {kItemActionOpenWith, clip, L"open with kind 1 close menu"},
        {kItemActionEdit, kPromptPhrase, L"nIndex < 0"},
        {kItemActionOpenWith, kAddressPhrase, L"nIndex < 0"},
        {kItemActionEdit, clip + 40, L"beep"},
        // Searching a phrase looks up its text without asking its prompts.
        {kItemActionSearchFirst, kPromptPhrase, L"search 5 Dear Name, see "},
        {6, clip + 1, L"search 6 plain of {\\rtf1 clip}"},
        {7, clip + 2, L"search 7 plain ansi"},
        {8, kRtfPhrase, L"search 8 plain of {\\rtf1 bold}"},
        {8, clip + 3, L"beep"},
        {5, kEmptyPhrase, L"beep"},
    };
    for (const auto& c : kCases) {
        m_shell.calls.clear();
        m_services.calls.clear();
        Run(c.code, c.id);
        std::wstring shell;
        for (const std::wstring& call : m_shell.calls) shell += (shell.empty() ? L"" : L" ") + call;
        EXPECT_EQ(c.shell, shell) << c.code << " on " << c.id;
        for (const std::wstring& call : m_services.calls) EXPECT_NE(0u, call.find(L"ask")) << "no prompt asked";
    }
    // An item that could not be opened leaves the phrase menu open.
    m_shell.works = false;
    m_shell.calls.clear();
    EXPECT_FALSE(Run(kItemActionEdit, kFirstClipMenuId));
    EXPECT_EQ((std::vector<std::wstring>{L"open kind 1"}), m_shell.calls);
}

// Every action puts a phrase at the front of the last-used list; clips stay out of it.
TEST_F(ItemActions, PhrasesGoToTheLastUsedListAndClipsDoNot) {
    Run(kItemActionSearchFirst, kAddressPhrase);
    EXPECT_EQ(static_cast<int>(kAddressPhrase), m_handler.GetLastID());
    Run(kItemActionCopy, kFirstClipMenuId);
    EXPECT_EQ(static_cast<int>(kAddressPhrase), m_handler.GetLastID());
    EXPECT_EQ((std::vector<int>{static_cast<int>(kAddressPhrase)}), m_handler.GetLastIDs());
}

// The bitmap really reaches the system clipboard as CF_BITMAP, as a copy of its own.
TEST(ItemActionsClipboard, ABitmapIsCopiedOntoTheClipboard) {
    HBITMAP bitmap = CreateBitmap(8, 6, 1, 32, nullptr);
    ASSERT_TRUE(SetClipboardBitmap(bitmap));
    ASSERT_TRUE(OpenClipboard(nullptr));
    HBITMAP held = static_cast<HBITMAP>(GetClipboardData(CF_BITMAP));
    BITMAP info = {};
    const bool read = held && GetObjectW(held, sizeof info, &info) != 0;
    CloseClipboard();
    ASSERT_TRUE(read);
    EXPECT_NE(bitmap, held);
    EXPECT_EQ(8, info.bmWidth);
    EXPECT_EQ(6, info.bmHeight);
    DeleteObject(bitmap);
}

}  // namespace
