#include "tray/PhraseMenu.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

#include "core/UiStrings.h"
#include "tray/tests/MenuFakes.h"

namespace {

using testkit::CFakeHistory;

std::wstring W(const CString& text) {
    return std::wstring(text.GetString());
}

CVXLCommand Phrase(UINT id, const wchar_t* name, const wchar_t* command, int dataType = VXL_DATA_TEXT) {
    CVXLCommand record;
    record.SetID(id);
    record.SetName(name);
    record.SetCommand(command);
    record.SetDataType(dataType);
    return record;
}

CVXLCommand Folder(UINT id, const wchar_t* name, std::vector<CVXLCommand> children) {
    CVXLCommand record;
    record.SetID(id);
    record.SetName(name);
    CVXLCommandVector& vector = record.MakeFolder();
    for (CVXLCommand& child : children) vector.push_back(std::move(child));
    return record;
}

// One item of a walked menu.
struct CItem {
    UINT id = 0;
    UINT type = 0;
    UINT state = 0;
    HMENU submenu = nullptr;
    M_INFO* info = nullptr;
};

std::vector<CItem> Items(HMENU menu) {
    std::vector<CItem> items;
    for (int pos = 0; pos < GetMenuItemCount(menu); ++pos) {
        MENUITEMINFOW mii = {};
        mii.cbSize = sizeof(mii);
        mii.fMask = MIIM_FTYPE | MIIM_ID | MIIM_DATA | MIIM_SUBMENU | MIIM_STATE;
        EXPECT_TRUE(GetMenuItemInfoW(menu, static_cast<UINT>(pos), TRUE, &mii));
        items.push_back({mii.wID, mii.fType, mii.fState, mii.hSubMenu, reinterpret_cast<M_INFO*>(mii.dwItemData)});
    }
    return items;
}

// Every item at every depth, submenu items after their popup.
void WalkAll(HMENU menu, std::vector<CItem>& all) {
    for (const CItem& item : Items(menu)) {
        all.push_back(item);
        if (item.submenu) WalkAll(item.submenu, all);
    }
}

std::vector<UINT> Ids(const std::vector<CItem>& items) {
    std::vector<UINT> ids;
    for (const CItem& item : items) ids.push_back(item.submenu ? static_cast<UINT>(-1) : item.id);
    return ids;
}

CPhraseMenuOptions NoExtras() {
    CPhraseMenuOptions options;
    options.addLastUsed = false;
    options.editSettingsCommand = options.selectionToPhraseCommand = false;
    options.supportCommand = options.floatPaneCommand = false;
    options.isAdmin = true;
    return options;
}

// Builds a menu and frees it at the end, checking that every record went with it.
class PhraseMenuTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetUILanguageForTest();
        m_liveBefore = GetLiveMenuInfoCount();
    }
    void TearDown() override {
        Free();
        EXPECT_EQ(m_liveBefore, GetLiveMenuInfoCount());
    }
    HMENU Build(const CPhraseMenuOptions& options) {
        Free();
        context.tree = &tree;
        CPhraseMenuBuilder builder(context, options);
        m_menu = builder.MakeMenu();
        return m_menu;
    }
    void Free() {
        if (!m_menu) return;
        CleanupMenu(m_menu);
        DestroyMenu(m_menu);
        m_menu = nullptr;
    }
    void AddPhrases(CVXLCommandVector& records, UINT firstId, int count) {
        for (int i = 0; i < count; ++i) {
            CString name;
            name.Format(L"phrase %d", i);
            records.push_back(Phrase(firstId + static_cast<UINT>(i), name, L"text"));
        }
    }

    CVXLCommandTree tree;
    CPhraseMenuContext context;
    long m_liveBefore = 0;
    HMENU m_menu = nullptr;
};

TEST_F(PhraseMenuTest, NothingToShowGivesNoMenu) {
    CFakeHistory emptyHistory;
    CPhraseMenuOptions allExtras;  // every extra command on, not an administrator
    struct Case {
        const char* name;
        bool excludedPhrase;
        bool emptyFolder;
        IMenuHistorySource* history;
    } cases[] = {
        {"empty tree", false, false, nullptr},
        {"empty history", false, false, &emptyHistory},
        {"excluded phrase", true, false, nullptr},
        {"empty folder", false, true, &emptyHistory},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        tree.Clear();
        if (c.excludedPhrase) {
            tree.GetRecords().push_back(Phrase(1, L"off", L"x"));
            tree.GetRecords().back().SetIncluded(false);
        }
        if (c.emptyFolder) tree.GetRecords().push_back(Folder(2, L"empty", {}));
        context.history = c.history;
        context.lastUsed = {1, 2};
        EXPECT_EQ(nullptr, Build(allExtras));
        EXPECT_EQ(m_liveBefore, GetLiveMenuInfoCount());
    }
}

TEST_F(PhraseMenuTest, ColumnBreaksPerLevel) {
    AddPhrases(tree.GetRecords(), 1, 20);
    CVXLCommand folder = Folder(100, L"group", {});
    AddPhrases(*folder.GetChildren(), 200, 20);
    tree.GetRecords().push_back(std::move(folder));

    struct Case {
        bool columns;
        int perColumn;
        std::vector<int> rootBreaks;  // positions with MFT_MENUBREAK
        std::vector<int> subBreaks;
    } cases[] = {
        {false, 5, {}, {}},
        // Root: phrases 0..19, a separator at 20, the group at 21, counted as the 21st item.
        {true, 5, {5, 10, 15, 21}, {5, 10, 15}},
        {true, 15, {15}, {15}},
        {true, 100, {}, {}},
        {true, 0, {1, 2, 3}, {1, 2, 3}},  // a count below 1 counts as 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.perColumn);
        CPhraseMenuOptions options = NoExtras();
        options.columns = c.columns;
        options.perColumn = c.perColumn;
        HMENU menu = Build(options);
        ASSERT_NE(nullptr, menu);
        auto breaks = [](HMENU level) {
            std::vector<int> found;
            std::vector<CItem> items = Items(level);
            for (size_t i = 0; i < items.size(); ++i)
                if (items[i].type & MFT_MENUBREAK) found.push_back(static_cast<int>(i));
            return found;
        };
        std::vector<CItem> root = Items(menu);
        ASSERT_EQ(22u, root.size());
        EXPECT_TRUE(root[20].type & MFT_SEPARATOR);
        ASSERT_NE(nullptr, root[21].submenu);
        std::vector<int> rootBreaks = breaks(menu);
        std::vector<int> subBreaks = breaks(root[21].submenu);
        if (c.perColumn == 0) {
            rootBreaks.resize(std::min<size_t>(3, rootBreaks.size()));
            subBreaks.resize(std::min<size_t>(3, subBreaks.size()));
        }
        EXPECT_EQ(c.rootBreaks, rootBreaks);
        EXPECT_EQ(c.subBreaks, subBreaks);
    }
}

TEST_F(PhraseMenuTest, HistorySection) {
    tree.GetRecords().push_back(Phrase(1, L"one", L"text"));
    auto clipIds = [](int first, int last) {
        std::vector<UINT> ids;
        for (int i = first; i <= last; ++i) ids.push_back(ClipMenuIdFromIndex(i));
        return ids;
    };
    struct Case {
        const char* name;
        int count;
        int max;
        bool submenu;
        const wchar_t* label;       // of the separator before the section
        const wchar_t* popup;       // caption of the popup holding clips, or null
        std::vector<UINT> direct;   // clip ids in the main menu
        std::vector<UINT> inPopup;  // clip ids in the popup
        const wchar_t* floatItem;   // the float-pane item after the clips, or null
    } cases[] = {
        {"40 clips", 40, -1, false, L"Clipboard [40/40]", L"More Clips [16 - 40]", clipIds(0, 14), clipIds(15, 39),
         nullptr},
        {"15 clips", 15, -1, false, L"Clipboard [15/15]", nullptr, clipIds(0, 14), {}, nullptr},
        {"limit 5 of 12",
         12,
         5,
         false,
         L"Clipboard [5/12]",
         nullptr,
         clipIds(0, 4),
         {},
         L"and 7 more clips on Float Pane"},
        {"limit 12 of 12", 12, 12, false, L"Clipboard [12/12]", nullptr, clipIds(0, 11), {}, nullptr},
        {"submenu", 20, -1, true, L"Clipboard [20/20]", L"Clipboard History [20]", {}, clipIds(0, 19), nullptr},
        {"submenu limit 5 of 12",
         12,
         5,
         true,
         L"Clipboard [5/12]",
         L"Clipboard History [5\\12]",
         {},
         clipIds(0, 4),
         L"and 7 more clips on Float Pane"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CFakeHistory history(c.count);
        context.history = &history;
        CPhraseMenuOptions options = NoExtras();
        options.floatPaneCommand = true;
        options.maxHistoryItems = c.max;
        options.historyAsSubmenu = c.submenu;
        HMENU menu = Build(options);
        ASSERT_NE(nullptr, menu);
        std::vector<CItem> root = Items(menu);
        ASSERT_GE(root.size(), 3u);
        EXPECT_EQ(1u, root[0].id);
        ASSERT_TRUE(root[1].type & MFT_SEPARATOR);
        EXPECT_EQ(std::wstring(c.label), root[1].info->rightText);

        std::vector<UINT> direct, inPopup;
        HMENU popup = nullptr;
        for (const CItem& item : root)
            if (IsClipMenuId(item.id) && !item.submenu) direct.push_back(item.id);
        for (const CItem& item : root)
            if (item.submenu && item.info->isHistoryItem) {
                EXPECT_EQ(nullptr, popup) << "one popup of clips";
                popup = item.submenu;
                EXPECT_EQ(std::wstring(c.popup ? c.popup : L""), item.info->caption);
                EXPECT_EQ(kMenuItemOpensSubmenu, item.info->kindFlags);
            }
        EXPECT_EQ(c.popup != nullptr, popup != nullptr);
        if (popup)
            for (const CItem& item : Items(popup))
                if (IsClipMenuId(item.id)) inPopup.push_back(item.id);
        EXPECT_EQ(c.direct, direct);
        EXPECT_EQ(c.inPopup, inPopup);

        // The clips count 1, 2, 3 ... in order, wherever they sit.
        std::vector<CItem> all;
        WalkAll(menu, all);
        int expectedNumber = 1;
        int floatItems = 0;
        for (const CItem& item : all) {
            if (IsClipMenuId(item.id)) {
                EXPECT_EQ(expectedNumber++, GetMenuItemDrawnNumber(*item.info));
                EXPECT_TRUE(item.info->isHistoryItem);
                EXPECT_EQ(item.id, item.info->commandId);
            }
            if (item.id == ID_FLOAT_PANE) {
                ++floatItems;
                if (c.floatItem) {
                    EXPECT_EQ(std::wstring(c.floatItem), item.info->caption);
                }
            }
        }
        EXPECT_EQ(std::min(c.count, c.max < 0 ? c.count : c.max) + 1, expectedNumber);
        // The history's own float-pane item replaces the extra command.
        EXPECT_EQ(1, floatItems);
        if (c.floatItem) {
            HMENU holder = popup ? popup : menu;
            std::vector<CItem> items = Items(holder);
            size_t lastClip = 0;
            for (size_t i = 0; i < items.size(); ++i)
                if (IsClipMenuId(items[i].id)) lastClip = i;
            ASSERT_LT(lastClip + 1, items.size());
            EXPECT_EQ(ID_FLOAT_PANE, items[lastClip + 1].id);
        }
    }
}

TEST_F(PhraseMenuTest, HistoryAloneHasNoLeadingSeparator) {
    CFakeHistory history(3);
    context.history = &history;
    HMENU menu = Build(NoExtras());
    ASSERT_NE(nullptr, menu);
    EXPECT_EQ((std::vector<UINT>{ClipMenuIdFromIndex(0), ClipMenuIdFromIndex(1), ClipMenuIdFromIndex(2)}),
              Ids(Items(menu)));
}

TEST_F(PhraseMenuTest, HistoryItemsKindsAndTips) {
    tree.GetRecords().push_back(Phrase(1, L"one", L"text"));
    CFakeHistory history(4);
    history.items[0].kind = kHistoryKindFormattedText;
    history.items[0].text = L"rich";
    history.items[1].kind = kHistoryKindSisterData;
    history.items[1].sister = true;
    history.items[2].kind = kHistoryKindBitmap;
    history.items[2].text = L"";
    history.items[3].text = L"a\nb";
    history.items[3].url = L"http://example.org";
    history.items[3].caption = CString(L' ', 3) + CString(L'x', 100);
    context.history = &history;
    HMENU menu = Build(NoExtras());
    ASSERT_NE(nullptr, menu);

    std::vector<CItem> items = Items(menu);
    ASSERT_EQ(6u, items.size());
    struct Expect {
        DWORD dataType, picture, sister;
        int iconKind;
    } expected[] = {
        {1, 0, 0, kMenuIconRtf}, {0, 0, 1, kMenuIconSister}, {0, 1, 0, kMenuIconText}, {0, 0, 0, kMenuIconText}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const M_INFO& info = *items[2 + i].info;
        EXPECT_EQ(expected[i].dataType, info.dataType);
        EXPECT_EQ(expected[i].picture, info.isPictureItem);
        EXPECT_EQ(expected[i].sister, info.isSisterFormatItem);
        EXPECT_EQ(expected[i].iconKind, GetMenuIconKind(info));
        EXPECT_EQ(static_cast<DWORD>(i), info.index);
    }
    EXPECT_EQ(L"Insert formatted text: Data from clipboard history\n\tChars: 4, Lines: 1\n\nrich",
              W(items[2].info->tipText));
    EXPECT_EQ(0, W(items[3].info->tipText).find(L"Put the selected item into Clipboard: Data from"));
    EXPECT_EQ(
        L"\tURL: http://example.org\n\nInsert plain text: Data from clipboard history\n\tChars: 3, Lines: 2"
        L"\n\na\nb",
        W(items[5].info->tipText));
    // The caption is trimmed and shortened to 60.
    std::wstring caption = items[5].info->caption;
    EXPECT_LE(caption.size(), 61u);
    EXPECT_NE(std::wstring::npos, caption.find(L'\u2026'));
    EXPECT_EQ(L'x', caption[0]);

    // A hint is made once and kept by the history.
    EXPECT_EQ(4, history.stores);
    Build(NoExtras());
    EXPECT_EQ(4, history.stores);
}

TEST_F(PhraseMenuTest, CaptionsAndCaret) {
    context.clipboardText = L"World";
    const CString longClip = L"The quick brown fox jumps over the lazy dog and keeps running far away";
    struct Case {
        const char* name;
        const wchar_t* command;
        int dataType;
        const wchar_t* selection;
        const wchar_t* clipboard;
        const wchar_t* caption;
        int caret;
    } cases[] = {
        {"clipboard, command", L"http://x.org/?q=%CLIPBOARD_TEXT%", VXL_DATA_EXEC, L"", L"World", L"Name [World]", -1},
        {"text expands", L"Hello %CLIPBOARD_TEXT%!", VXL_DATA_TEXT, L"", L"World", L"Hello World!", -1},
        {"caret after a macro", L"ab %SELECTED_TEXT%%CURSOR_POS%cd", VXL_DATA_TEXT, L"XY", L"", L"ab XY cd", 5},
        {"caret, no other macro", L"Hello %CURSOR_POS%world", VXL_DATA_TEXT, L"", L"", L"Name", -1},
        {"caret after a line break", L"a\r\nb %SELECTED_TEXT%%CURSOR_POS%", VXL_DATA_TEXT, L"S", L"", L"a\u00b6b S ",
         5},
        {"tab and caret", L"\t%SELECTED_TEXT%%CURSOR_POS%x", VXL_DATA_TEXT, L"S", L"", L"S x", 1},
        {"only blanks", L"%SELECTED_TEXT%", VXL_DATA_TEXT, L"   ", L"", L"Name", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        context.selectedText = c.selection;
        context.clipboardText = c.clipboard;
        CPhraseCaption caption = MakePhraseCaption(Phrase(1, L"Name", c.command, c.dataType), context);
        EXPECT_EQ(std::wstring(c.caption), W(caption.text));
        EXPECT_EQ(c.caret, caption.caretPos);
    }

    // The clipboard in the caption is shortened to 40 in its middle.
    context.clipboardText = longClip;
    CPhraseCaption shortened = MakePhraseCaption(Phrase(1, L"N", L"x %CLIPBOARD_TEXT%", VXL_DATA_EXEC), context);
    std::wstring text = W(shortened.text);
    EXPECT_EQ(0u, text.find(L"N [The quick"));
    EXPECT_NE(std::wstring::npos, text.find(L'\u2026'));
    EXPECT_LE(text.size(), std::wstring(L"N [").size() + 41 + 1);

    // A caret cut away with the middle of a long caption is not marked.
    context.selectedText = CString(L'a', 30) + L" " + CString(L'b', 30);
    CPhraseCaption cut = MakePhraseCaption(Phrase(1, L"N", L"%SELECTED_TEXT%%CURSOR_POS% tail text", 0), context);
    EXPECT_EQ(-1, cut.caretPos);
    CPhraseCaption head = MakePhraseCaption(Phrase(1, L"N", L"x%CURSOR_POS% %SELECTED_TEXT% tail", 0), context);
    EXPECT_EQ(1, head.caretPos);
    EXPECT_EQ(L' ', head.text.GetAt(1));
}

TEST_F(PhraseMenuTest, RtfCaptionAndCaret) {
    context.selectedText = L"SEL";
    CPhraseCaption caption = MakePhraseCaption(
        Phrase(1, L"Rich", L"{\\rtf1\\ansi {\\b Bold} %SELECTED_TEXT%%CURSOR_POS%end}", VXL_DATA_RTF), context);
    EXPECT_EQ(L"Bold SEL end", W(caption.text));
    EXPECT_EQ(8, caption.caretPos);
}

TEST_F(PhraseMenuTest, PhraseItemsDisabledTipsAndMarks) {
    tree.GetRecords().push_back(Phrase(1, L"plain", L"text"));
    tree.GetRecords().push_back(Phrase(2, L"needs selection", L"[%SELECTED_TEXT%]"));
    tree.GetRecords().back().SetDisabledWithoutSelection(true);
    tree.GetRecords().push_back(Phrase(3, L"search", L"http://www.google.com/search?q=%SELECTED_TEXT%", 2));
    context.lastChosenId = 3;
    struct Case {
        const wchar_t* selection;
        bool greyed;
    } cases[] = {{L"", true}, {L"picked", false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(W(c.selection));
        context.selectedText = c.selection;
        context.hasSelection = !context.selectedText.IsEmpty();
        HMENU menu = Build(NoExtras());
        ASSERT_NE(nullptr, menu);
        std::vector<CItem> items = Items(menu);
        ASSERT_EQ(3u, items.size());
        EXPECT_FALSE(items[0].state & MFS_GRAYED);
        EXPECT_EQ(c.greyed, (items[1].state & MFS_GRAYED) != 0);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_TRUE(items[i].type & MFT_OWNERDRAW);
            EXPECT_EQ(i, items[i].info->index);
            EXPECT_EQ(items[i].id, items[i].info->commandId);
        }
        EXPECT_EQ(0u, items[0].info->marks);
        EXPECT_EQ(kMenuMarkDefault, items[2].info->marks);
        EXPECT_EQ(kMenuIconSearch, GetMenuIconKind(*items[2].info));
        EXPECT_EQ(L"Insert plain text \u00bb plain\nChars: 4\r\n\r\ntext", W(items[0].info->tipText));
        std::wstring tip = W(items[2].info->tipText);
        EXPECT_EQ(0u, tip.find(L"Execute application \u00bb search"));
        EXPECT_EQ(std::wstring::npos, tip.find(L"Chars"));
        EXPECT_NE(std::wstring::npos, tip.find(L"\r\n\r\nhttp://www.google.com/search?q=" + W(c.selection)));
    }
}

TEST_F(PhraseMenuTest, SeparatorsAroundPhrasesAndGroups) {
    tree.GetRecords().push_back(Phrase(1, L"a", L"a"));
    tree.GetRecords().push_back(Phrase(2, L"b", L"b"));
    tree.GetRecords().back().SetMenuFlags(kMenuFlagSeparatorBefore | kMenuFlagSeparatorAfter);
    tree.GetRecords().push_back(Phrase(3, L"c", L"c"));
    tree.GetRecords().back().SetMenuFlags(kMenuFlagSeparatorBefore);
    tree.GetRecords().push_back(Folder(4, L"g", {Phrase(5, L"d", L"d")}));
    HMENU menu = Build(NoExtras());
    ASSERT_NE(nullptr, menu);
    std::vector<CItem> items = Items(menu);
    EXPECT_EQ((std::vector<UINT>{1, 0, 2, 0, 3, 0, static_cast<UINT>(-1)}), Ids(items));
    for (const CItem& item : items)
        if (item.type & MFT_SEPARATOR) {
            EXPECT_TRUE(item.type & MFT_OWNERDRAW);
            EXPECT_EQ(kMenuItemSeparator, item.info->kindFlags);
        }
    EXPECT_EQ(L"g", std::wstring(items[6].info->caption));
    EXPECT_EQ(6u, items[6].info->index);
}

TEST_F(PhraseMenuTest, LastUsedSection) {
    tree.GetRecords().push_back(Folder(10, L"A", {Phrase(1, L"one", L"1"), Phrase(2, L"two", L"2")}));
    tree.GetRecords().push_back(Folder(11, L"B", {Phrase(3, L"three", L"3")}));
    tree.GetRecords().push_back(Phrase(4, L"four", L"4"));
    tree.GetRecords().push_back(Phrase(5, L"five", L"5"));
    context.lastUsed = {3, 1, 99, -1, ID_OPEN_EDITOR, 2, 4};
    context.lastChosenId = 3;
    CPhraseMenuOptions options = NoExtras();
    options.addLastUsed = true;
    HMENU menu = Build(options);
    ASSERT_NE(nullptr, menu);

    std::vector<CItem> items = Items(menu);
    const UINT popup = static_cast<UINT>(-1);
    // Last used 3, 1, 2, 4; the latest groups B and A; "Other commands"; the tree, where 4 is
    // already on this level.
    ASSERT_EQ((std::vector<UINT>{3, 1, 2, 4, 0, popup, popup, 0, 5, 0, popup, popup}), Ids(items));
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(i, items[i].info->number);
        EXPECT_EQ(i + 1, GetMenuItemDrawnNumber(*items[i].info));
        EXPECT_EQ(kMenuMarkSection | (i == 0 ? kMenuMarkDefault : 0), items[i].info->marks);
    }
    EXPECT_EQ(L"Latest Groups", std::wstring(items[4].info->rightText));
    EXPECT_EQ(kMenuMarkSection, items[4].info->marks);
    EXPECT_EQ(L"   \u00bb B", std::wstring(items[5].info->caption));
    EXPECT_EQ(kMenuMarkSection | kMenuMarkDefault, items[5].info->marks);
    EXPECT_EQ(L"   \u00bb A", std::wstring(items[6].info->caption));
    EXPECT_EQ(kMenuMarkSection, items[6].info->marks);
    EXPECT_EQ((std::vector<UINT>{1, 2}), Ids(Items(items[6].submenu)));
    EXPECT_EQ(L"Other commands", std::wstring(items[7].info->rightText));
    EXPECT_EQ(-1, items[8].info->number);
    // The tree's group B holds the last chosen phrase: marked.
    EXPECT_EQ(L"B", std::wstring(items[11].info->caption));
    EXPECT_EQ(kMenuMarkDefault, items[11].info->marks);
    EXPECT_EQ(0u, items[10].info->marks);
}

TEST_F(PhraseMenuTest, ExtraCommands) {
    tree.GetRecords().push_back(Phrase(1, L"one", L"text"));
    context.selectedText = L"chosen words";
    context.hasSelection = true;
    context.targetProgram = L"notepad.exe";
    CPhraseMenuOptions options;
    options.addLastUsed = false;
    HMENU menu = Build(options);
    ASSERT_NE(nullptr, menu);
    std::vector<CItem> items = Items(menu);
    ASSERT_EQ((std::vector<UINT>{1, 0, ID_OPEN_EDITOR, ID_ADD_SELECTION_AS_PHRASE, ID_FLOAT_PANE, 0, ID_SUPPORT,
                                 ID_RUN_AS_ADMIN}),
              Ids(items));
    EXPECT_EQ(L"Vexlora", std::wstring(items[1].info->rightText));
    EXPECT_EQ(L"Vexlora", std::wstring(items[5].info->rightText));
    EXPECT_EQ(L"Selection into Phrase [chosen words]", std::wstring(items[3].info->caption));
    EXPECT_FALSE(items[3].state & MFS_GRAYED);
    EXPECT_NE(std::wstring::npos, W(items[3].info->tipText).find(L"Copied From \u00abnotepad.exe\u00bb"));
    EXPECT_EQ(L"Run As Administrator", std::wstring(items[7].info->caption));
    for (size_t i = 2; i < items.size(); ++i) EXPECT_EQ(0u, items[i].info->commandId);

    // Without a selection the command is greyed; an administrator gets no second instance;
    // with every extra off the trailing separator goes.
    context.selectedText = L"";
    context.hasSelection = false;
    options.isAdmin = true;
    options.supportCommand = false;
    items = Items(Build(options));
    EXPECT_EQ((std::vector<UINT>{1, 0, ID_OPEN_EDITOR, ID_ADD_SELECTION_AS_PHRASE, ID_FLOAT_PANE}), Ids(items));
    EXPECT_TRUE(items[3].state & MFS_GRAYED);
    EXPECT_EQ(L"Selection into Phrase", std::wstring(items[3].info->caption));
    EXPECT_EQ((std::vector<UINT>{1}), Ids(Items(Build(NoExtras()))));
}

TEST_F(PhraseMenuTest, IdsOfThousandsOfPhrasesAndClipsNeverMeet) {
    UINT nextId = 1;
    for (int f = 0; f < 30; ++f) {
        CVXLCommand folder = Folder(nextId++, L"folder", {});
        AddPhrases(*folder.GetChildren(), nextId, 100);
        nextId += 100;
        tree.GetRecords().push_back(std::move(folder));
    }
    // A tree id the menu has no room for is left out rather than given a clip's id.
    tree.GetRecords().push_back(Phrase(kFirstClipMenuId + 5, L"far", L"x"));
    CFakeHistory history(40);
    context.history = &history;
    CPhraseMenuOptions options;
    options.columns = true;
    HMENU menu = Build(options);
    ASSERT_NE(nullptr, menu);

    std::vector<CItem> all;
    WalkAll(menu, all);
    const std::set<UINT> fixed = {ID_OPEN_EDITOR,
                                  ID_SUPPORT,
                                  ID_FLOAT_PANE,
                                  ID_ADD_SELECTION_AS_PHRASE,
                                  ID_RUN_AS_ADMIN,
                                  ID_APP_ABOUT,
                                  ID_APP_EXIT,
                                  ID_SHOW_PHRASES_MENU,
                                  SC_CLOSE,
                                  SC_MOVE,
                                  kFirstLanguageCommandId};
    std::set<UINT> seen;
    int phrases = 0;
    std::vector<int> clipNumbers;
    for (const CItem& item : all) {
        ASSERT_NE(nullptr, item.info);
        if (item.submenu || (item.type & MFT_SEPARATOR)) continue;
        EXPECT_TRUE(seen.insert(item.id).second) << "id twice: " << item.id;
        if (IsPhraseMenuId(item.id)) {
            ++phrases;
            EXPECT_FALSE(item.info->isHistoryItem);
        } else if (IsClipMenuId(item.id)) {
            clipNumbers.push_back(GetMenuItemDrawnNumber(*item.info));
            EXPECT_EQ(static_cast<DWORD>(ClipIndexFromMenuId(item.id)), item.info->index);
        } else {
            EXPECT_TRUE(fixed.count(item.id)) << item.id;
            EXPECT_LT(kLastClipMenuId, item.id);
        }
    }
    EXPECT_EQ(3000, phrases);
    std::vector<int> expected(40);
    for (int i = 0; i < 40; ++i) expected[i] = i + 1;
    EXPECT_EQ(expected, clipNumbers);
    EXPECT_FALSE(seen.count(kFirstClipMenuId + 5) && !IsClipMenuId(kFirstClipMenuId + 5));
    EXPECT_EQ(-1, ClipIndexFromMenuId(kLastPhraseMenuId));
    EXPECT_EQ(0u, ClipMenuIdFromIndex(kMaxClipsInMenu));
    // Every item carries its record: as many live as there are items.
    EXPECT_EQ(static_cast<long>(all.size()), GetLiveMenuInfoCount() - m_liveBefore);
}

TEST_F(PhraseMenuTest, LongNamesWithAmpersandTabAndRtl) {
    CString mixed;
    for (int i = 0; i < 100; ++i) mixed += L"A&b\t\u05e9\u05dc\u0645\u0631\u05d0\u05d1";  // 10 characters
    ASSERT_EQ(1000, mixed.GetLength());
    CString emoji;
    for (int i = 0; i < 300; ++i) emoji += L"\U0001F600";
    tree.GetRecords().push_back(Phrase(1, mixed, mixed, VXL_DATA_EXEC));
    tree.GetRecords().push_back(Phrase(2, L"smiles", emoji, VXL_DATA_EXEC));
    tree.GetRecords().push_back(Folder(3, mixed, {Phrase(4, mixed, mixed)}));
    context.selectedText = mixed;
    HMENU menu = Build(NoExtras());
    ASSERT_NE(nullptr, menu);
    std::vector<CItem> all;
    WalkAll(menu, all);
    int checked = 0;
    for (const CItem& item : all) {
        if (item.type & MFT_SEPARATOR) continue;
        ++checked;
        std::wstring caption = item.info->caption;
        EXPECT_LT(caption.size(), static_cast<size_t>(kMenuInfoTextChars));
        EXPECT_EQ(std::wstring::npos, caption.find(L'\t'));
        if (item.id != 2) {
            EXPECT_NE(std::wstring::npos, caption.find(L'&')) << item.id;
        }
        if (!item.submenu) {
            EXPECT_LE(caption.size(), 41u);
        }
        std::wstring command = item.info->commandText;
        EXPECT_LT(command.size(), static_cast<size_t>(kMenuInfoTextChars));
        if (!command.empty()) {
            EXPECT_FALSE(IS_HIGH_SURROGATE(command.back())) << item.id;
        }
        EXPECT_LE(item.info->tipText.GetLength(), kMaxMenuTipChars);
    }
    EXPECT_EQ(4, checked);
    const M_INFO& smiles = *GetMenuItemInfoRecord(menu, 2, false);
    EXPECT_EQ(254u, std::wstring(smiles.commandText).size());
}

TEST_F(PhraseMenuTest, CleanupFreesEveryRecordOnce) {
    AddPhrases(tree.GetRecords(), 1, 5);
    tree.GetRecords().push_back(Folder(50, L"g", {Folder(51, L"inner", {Phrase(52, L"deep", L"x")})}));
    CFakeHistory history(20);
    context.history = &history;
    HMENU menu = Build(CPhraseMenuOptions());
    ASSERT_NE(nullptr, menu);
    std::vector<CItem> all;
    WalkAll(menu, all);
    EXPECT_EQ(static_cast<long>(all.size()), GetLiveMenuInfoCount() - m_liveBefore);

    CleanupMenu(menu);
    EXPECT_EQ(m_liveBefore, GetLiveMenuInfoCount());
    // A second cleanup finds no records left to free.
    CleanupMenu(menu);
    EXPECT_EQ(m_liveBefore, GetLiveMenuInfoCount());
    std::vector<CItem> after;
    WalkAll(menu, after);
    for (const CItem& item : after) EXPECT_EQ(nullptr, item.info);

    // Deleting an item frees its record and those below it.
    Build(CPhraseMenuOptions());
    long before = GetLiveMenuInfoCount();
    std::vector<CItem> root = Items(m_menu);
    int popupPos = -1;
    for (size_t i = 0; i < root.size(); ++i)
        if (root[i].submenu && !root[i].info->isHistoryItem) popupPos = static_cast<int>(i);
    ASSERT_GE(popupPos, 0);
    ASSERT_TRUE(DeleteMenuItemWithInfo(m_menu, popupPos));
    EXPECT_EQ(before - 3, GetLiveMenuInfoCount());  // g, inner, deep
}

}  // namespace
