#include "hooklib/PhraseNode.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

void AddCommand(CPhraseNodeList& list, const wchar_t* name, LONG cmdId) {
    CPhraseNode item;
    item.SetName(name);
    item.m_cmdId = cmdId;
    AppendPhraseNode(list, item);
}

// A, Sub1 { B, Sub2 { C } }, separator, D
CPhraseNodeList MakeTree() {
    CPhraseNodeList list;
    AddCommand(list, L"A", 1);
    CPhraseNodeList* sub1 = NewSubMenu(list, L"Sub1", false);
    AddCommand(*sub1, L"B", 2);
    CPhraseNodeList* sub2 = NewSubMenu(*sub1, L"Sub2", false);
    AddCommand(*sub2, L"C", 3);
    AddCommand(list, L"", 0);
    AddCommand(list, L"D", 4);
    return list;
}

struct CWalkRecord {
    std::wstring stopAt;
    std::vector<std::wstring> visited;
};

int RecordProc(CPhraseNodeList&, CPhraseNode& item, void* context) {
    auto* record = static_cast<CWalkRecord*>(context);
    record->visited.push_back(item.IsSeparator() ? L"-" : item.m_name);
    return record->stopAt == item.m_name ? 0 : 1;
}

struct WalkCase {
    const wchar_t* stopAt;
    std::vector<std::wstring> expected;
};

TEST(PhraseNodeTest, WalkVisitsSubMenusInPlaceAndAStopEndsOnlyItsOwnList) {
    const WalkCase cases[] = {
        {L"(nothing)", {L"A", L"Sub1", L"B", L"Sub2", L"C", L"-", L"D"}},
        // Stopping inside Sub1 skips the rest of Sub1 (Sub2 and C), not the outer list.
        {L"B", {L"A", L"Sub1", L"B", L"-", L"D"}},
        // Stopping at a sub-menu item ends its list before the sub-menu is entered.
        {L"Sub1", {L"A", L"Sub1"}},
        {L"A", {L"A"}},
    };
    for (const WalkCase& c : cases) {
        CPhraseNodeList tree = MakeTree();
        CWalkRecord record{c.stopAt, {}};
        int calls = WalkPhraseNodes(tree, RecordProc, &record);
        EXPECT_EQ(record.visited, c.expected) << "stop at " << std::wstring(c.stopAt);
        EXPECT_EQ(calls, static_cast<int>(c.expected.size())) << "stop at " << std::wstring(c.stopAt);
    }
}

TEST(PhraseNodeTest, EmptyListIsWalkedWithoutCalls) {
    CPhraseNodeList list;
    CWalkRecord record;
    EXPECT_EQ(WalkPhraseNodes(list, RecordProc, &record), 0);
    EXPECT_TRUE(record.visited.empty());
}

TEST(PhraseNodeTest, FindPassesOverSeparatorsAndSubMenus) {
    CPhraseNodeList tree = MakeTree();
    // The separator has CMDID 0 and a sub-menu may carry an id: neither is a command.
    tree[1].m_cmdId = 3;
    EXPECT_EQ(FindPhraseNodeByCmdId(tree, 0), nullptr);
    CPhraseNode* found = FindPhraseNodeByCmdId(tree, 3);
    ASSERT_NE(found, nullptr);
    EXPECT_STREQ(found->m_name, L"C");
    ASSERT_NE(FindPhraseNodeByCmdId(tree, 4), nullptr);
    EXPECT_STREQ(FindPhraseNodeByCmdId(tree, 4)->m_name, L"D");
    EXPECT_EQ(FindPhraseNodeByCmdId(tree, 99), nullptr);

    // A duplicate id: the first in menu order wins, also when it sits in a sub-menu.
    AddCommand(tree, L"C again", 3);
    EXPECT_STREQ(FindPhraseNodeByCmdId(tree, 3)->m_name, L"C");
}

TEST(PhraseNodeTest, CopyMovesTheSubListAndCopiesTheRest) {
    CPhraseNodeList list;
    CPhraseNodeList* subList = NewSubMenu(list, L"Group", true);
    AddCommand(*subList, L"inner", 7);
    CPhraseNode& source = list[0];
    source.SetToolTip(L"tip");
    source.m_dataType = 2;
    source.m_lcid = 1049;
    source.m_names[L"de"] = L"Gruppe";

    CPhraseNode target;
    target.CopyFrom(source);
    EXPECT_FALSE(source.IsSubMenu());
    EXPECT_TRUE(target.IsSubMenu());
    EXPECT_EQ(target.GetSubList(), subList);  // the same list, not a copy of it
    EXPECT_STREQ(target.m_name, L"Group");
    EXPECT_STREQ(target.m_toolTip, L"tip");
    EXPECT_EQ(target.m_flags, CPhraseNode::kFlagDefault);
    EXPECT_EQ(target.m_dataType, 2);
    EXPECT_EQ(target.m_lcid, 1049u);
    EXPECT_EQ(target.GetLocalizedName(L"de"), CString(L"Gruppe"));
    EXPECT_EQ(source.GetLocalizedName(L"de"), CString(L"Gruppe"));

    // Destroying the source no longer reaches the moved list.
    source.Destroy();
    ASSERT_EQ(target.GetSubList()->size(), 1u);
    EXPECT_STREQ((*target.GetSubList())[0].m_name, L"inner");

    target.CopyFrom(target);
    EXPECT_EQ(target.GetSubList(), subList);
}

TEST(PhraseNodeTest, SubMenuListsStayPutWhileTheOuterListGrows) {
    CPhraseNodeList list;
    CPhraseNodeList* empty = NewSubMenu(list, L"Empty", false);
    CPhraseNodeList* second = NewSubMenu(list, L"Second", false);
    for (int i = 0; i < 100; ++i) AddCommand(list, L"x", 100 + i);
    AddCommand(*second, L"late", 5);
    EXPECT_EQ(list[0].GetSubList(), empty);
    EXPECT_TRUE(list[0].IsSubMenu());
    EXPECT_FALSE(list[0].IsSeparator());
    EXPECT_EQ(list[0].m_flags, 0u);
    EXPECT_STREQ(FindPhraseNodeByCmdId(list, 5)->m_name, L"late");
}

TEST(PhraseNodeTest, TextsAreCutToTheirFieldsWithoutSplittingAPair) {
    CPhraseNode item;
    item.SetName(std::wstring(300, L'n').c_str());
    EXPECT_EQ(wcslen(item.m_name), 120u);
    item.SetToolTip(std::wstring(5000, L't').c_str());
    EXPECT_EQ(wcslen(item.m_toolTip), 1024u);

    // U+1F600 as units 120 and 121: the whole character goes.
    std::wstring name(119, L'a');
    name += L"\xD83D\xDE00";
    item.SetName(name.c_str());
    EXPECT_EQ(std::wstring(item.m_name), std::wstring(119, L'a'));
    // Ending exactly at the limit, the pair stays.
    name = std::wstring(118, L'a') + L"\xD83D\xDE00";
    item.SetName(name.c_str());
    EXPECT_EQ(std::wstring(item.m_name), name);

    item.SetName(nullptr);
    EXPECT_STREQ(item.m_name, L"");
}

TEST(PhraseNodeTest, MainProgramLookups) {
    CPhraseNode command;
    command.m_cmdId = 9;
    command.m_names[L"fr"] = L"Bonjour";
    EXPECT_EQ(command.GetLocalizedName(L"FR"), CString(L"Bonjour"));
    EXPECT_EQ(command.GetLocalizedName(L"it"), CString());
    EXPECT_FALSE(command.IsSubMenu());
    EXPECT_FALSE(command.IsSeparator());

    CPhraseNode other;
    EXPECT_TRUE(other.IsSeparator());
    EXPECT_TRUE(command.GetSubListOrEmpty().empty());
    EXPECT_EQ(&command.GetSubListOrEmpty(), &other.GetSubListOrEmpty());

    CPhraseNodeList list;
    NewSubMenu(list, L"S", false);
    list[0].DestroySubList();
    EXPECT_FALSE(list[0].IsSubMenu());
}

}  // namespace
