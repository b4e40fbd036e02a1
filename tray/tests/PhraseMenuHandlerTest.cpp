// The phrase menu's road from a query to the posted command id: the menu built from the
// tree, tracked through a seam that answers with a chosen id (and once for real, driven by
// keys), the special commands mapped, the last-used list kept.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

#include "core/AppSlots.h"
#include "core/Settings.h"
#include "core/TrayIds.h"
#include "phrases/CommandTree.h"
#include "testkit/Controls.h"
#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenuHandler.h"
#include "tray/tests/TrayFakes.h"

namespace {

const UINT kPostMessage = WM_APP + 12;

CVXLCommand Phrase(UINT id, const wchar_t* name) {
    CVXLCommand record;
    record.SetID(id);
    record.SetName(name);
    record.SetCommand(name);
    record.SetDataType(VXL_DATA_TEXT);
    return record;
}

// Answers the menu with a chosen id, and remembers what it was shown.
class CChoosingTrack : public IMenuTrack {
public:
    UINT answer = 0;
    int tracks = 0;
    std::vector<UINT> ids;  // the top level's command ids
    std::function<void()> whileOpen;
    UINT Track(HMENU menu, int, int, HWND owner) override {
        ++tracks;
        ownerParent = owner ? GetAncestor(owner, GA_PARENT) : nullptr;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) ids.push_back(GetMenuItemID(menu, i));
        if (whileOpen) whileOpen();
        return answer;
    }
    // The right-click menu: what it was shown, and the answer.
    UINT nestedAnswer = 0;
    std::vector<std::wstring> nestedTexts;
    UINT TrackNested(HMENU menu, int, int, HWND) override {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[256] = {};
            GetMenuStringW(menu, i, text, 256, MF_BYPOSITION);
            nestedTexts.push_back(text);
        }
        return nestedAnswer;
    }
    HWND ownerParent = nullptr;
};

class PhraseMenuHandler : public ::testing::Test {
protected:
    void SetUp() override {
        for (UINT id = 1; id <= 3; ++id) m_tree.GetRecords().push_back(Phrase(id, L"phrase"));
        CAppObjects::SetMainWnd(m_main.get());
    }
    void TearDown() override { CAppObjects::SetMainWnd(nullptr); }

    // The posted result: (id, target); false when nothing was posted.
    bool TakePosted(int& id, HWND& target) {
        MSG message = {};
        if (!PeekMessageW(&message, m_post.get(), kPostMessage, kPostMessage, PM_REMOVE)) return false;
        id = static_cast<int>(message.wParam);
        target = reinterpret_cast<HWND>(message.lParam);
        return true;
    }

    testkit::CMessageWindow m_post;
    testkit::CMessageWindow m_main;
    CVXLCommandTree m_tree;
    CFakeHistory m_history;
};

TEST_F(PhraseMenuHandler, TheChosenIdIsPostedWithTheTargetAndSpecialCommandsAreMapped) {
    const struct {
        UINT chosen;
        int posted;
    } kCases[] = {
        {0, -1},                                             // cancelled
        {2, 2},                                              // a phrase
        {ID_OPEN_EDITOR, kSpecialEditPhrases},               // -2
        {ID_ADD_SELECTION_AS_PHRASE, kSpecialAddSelection},  // -4
        {ID_SUPPORT, kSpecialSupport},                       // -6
        {ID_RUN_AS_ADMIN, -1},                               // sent to the main window instead
        {ID_FLOAT_PANE, -1},                                 // the pane is asked for instead
    };
    for (const auto& c : kCases) {
        CChoosingTrack track;
        track.answer = c.chosen;
        IDataNeededHander_MenuSelf handler(m_post.get(), kPostMessage, m_tree, &m_history, nullptr, track);
        CMenuQuery query;
        query.target = m_post.get();
        query.point = {100, 100};
        handler.OnDataNeeded(query);
        int id = 0;
        HWND target = nullptr;
        ASSERT_TRUE(TakePosted(id, target)) << c.chosen;
        EXPECT_EQ(c.posted, id) << c.chosen;
        EXPECT_EQ(m_post.get(), target);
        EXPECT_FALSE(handler.IsMenuShown());
        EXPECT_EQ(GetAncestor(m_post.get(), GA_PARENT), track.ownerParent) << "a message-only owner";
    }
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, m_main.get(), WM_VXL_SHOW_FLOAT_PANE, WM_VXL_SHOW_FLOAT_PANE, PM_REMOVE))
        << "the float pane command asks the main window for the pane";
    EXPECT_EQ(GetCurrentThreadId(), static_cast<DWORD>(message.wParam));
    EXPECT_EQ((std::vector<bool>{true, false}), std::vector<bool>(m_history.freezes.end() - 2, m_history.freezes.end()))
        << "the history is frozen while the menu is up";
}

TEST_F(PhraseMenuHandler, AnEmptyTreeShowsNoMenuAndPostsMinusOne) {
    CVXLCommandTree empty;
    CChoosingTrack track;
    IDataNeededHander_MenuSelf handler(m_post.get(), kPostMessage, empty, nullptr, nullptr, track);
    CVXLSettings& settings = CVXLSettings::GetInstance();
    // Extra commands would make a menu of their own.
    const bool saved[] = {settings.ExtMenuCommand[0], settings.ExtMenuCommand[1], settings.ExtMenuCommand[2],
                          settings.ExtMenuCommand[3]};
    for (bool& on : settings.ExtMenuCommand) on = false;
    handler.OnDataNeeded(CMenuQuery());
    for (int i = 0; i < 4; ++i) settings.ExtMenuCommand[i] = saved[i];
    EXPECT_EQ(0, track.tracks) << "nothing was shown";
    int id = 0;
    HWND target = nullptr;
    ASSERT_TRUE(TakePosted(id, target));
    EXPECT_EQ(-1, id);
}

// A second request while the menu is open is ignored: one menu, one posted id.
TEST_F(PhraseMenuHandler, ARequestWhileTheMenuIsOpenIsIgnored) {
    CChoosingTrack track;
    track.answer = 1;
    IDataNeededHander_MenuSelf handler(m_post.get(), kPostMessage, m_tree, nullptr, nullptr, track);
    bool shownDuring = false;
    track.whileOpen = [&] {
        shownDuring = handler.IsMenuShown();
        handler.OnDataNeeded(CMenuQuery());
    };
    handler.OnDataNeeded(CMenuQuery());
    EXPECT_TRUE(shownDuring);
    EXPECT_EQ(1, track.tracks);
    int id = 0;
    HWND target = nullptr;
    ASSERT_TRUE(TakePosted(id, target));
    EXPECT_EQ(1, id);
    EXPECT_FALSE(TakePosted(id, target)) << "only one id was posted";
    EXPECT_EQ(0, GetLiveMenuInfoCount()) << "every item record was freed";
}

TEST_F(PhraseMenuHandler, TheLastUsedListKeepsTheNewestFirstUpToItsCount) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    const DWORD saved = settings.AddLastUsedMenuToBegin_Count;
    CChoosingTrack track;
    IDataNeededHander_MenuSelf handler(m_post.get(), kPostMessage, m_tree, nullptr, nullptr, track);

    settings.AddLastUsedMenuToBegin_Count = 3;
    for (int id : {4, 9, 7}) handler.SetLastID(id);
    EXPECT_EQ((std::vector<int>{7, 9, 4}), handler.GetLastIDs());
    handler.SetLastID(9);
    EXPECT_EQ((std::vector<int>{9, 7, 4}), handler.GetLastIDs());
    handler.SetLastID(5);
    EXPECT_EQ((std::vector<int>{5, 9, 7}), handler.GetLastIDs());
    EXPECT_EQ(5, handler.GetLastID());

    // 0 and 16 or more count as 5; 1 keeps the one used before too.
    for (DWORD count : {0u, 16u}) {
        settings.AddLastUsedMenuToBegin_Count = count;
        for (int id = 10; id < 20; ++id) handler.SetLastID(id);
        EXPECT_EQ((std::vector<int>{19, 18, 17, 16, 15}), handler.GetLastIDs()) << count;
    }
    settings.AddLastUsedMenuToBegin_Count = 1;
    handler.SetLastID(30);
    EXPECT_EQ((std::vector<int>{30, 19}), handler.GetLastIDs());

    handler.SetLastIDFilter([](int id) { return id != 42; });
    handler.SetLastID(42);
    EXPECT_EQ(30, handler.GetLastID()) << "the filter kept 42 out";
    settings.AddLastUsedMenuToBegin_Count = saved;
}

TEST(SpecialMenuIds, EachSpecialIdMapsToItsCommandAndBack) {
    for (int special :
         {kSpecialEditPhrases, kSpecialAddSelection, kSpecialSupport, kSpecialFloatPane, kSpecialRunAsAdmin}) {
        const UINT command = CommandOfSpecialId(special);
        EXPECT_NE(0u, command) << special;
        EXPECT_EQ(special, SpecialIdOfCommand(command));
        EXPECT_TRUE(IsSpecialMenuID(command));
    }
    EXPECT_FALSE(IsSpecialMenuID(1));
    EXPECT_EQ(0u, CommandOfSpecialId(-3));
}

// The system's own menu, shown and worked by keys posted to its window: Escape posts -1,
// Enter on the first item posts that item's id.
TEST_F(PhraseMenuHandler, TheRealMenuIsDismissedByEscapeAndChosenByKeys) {
    IDataNeededHander_MenuSelf handler(m_post.get(), kPostMessage, m_tree, nullptr, nullptr);
    const struct {
        std::vector<WPARAM> keys;
        int posted;
    } kCases[] = {
        {{VK_ESCAPE}, -1},
        {{VK_DOWN, VK_RETURN}, 1},
    };
    for (const auto& c : kCases) {
        std::atomic<bool> seen{false};
        std::thread driver([&] {
            HWND menu = nullptr;
            seen = testkit::PollUntil(10000, [&] { return (menu = testkit::FindVisibleMenuWindow()) != nullptr; });
            if (!seen) return;
            for (WPARAM key : c.keys) testkit::PostKeyTo(menu, key);
        });
        CMenuQuery query;
        query.point = {200, 200};
        handler.OnDataNeeded(query);
        driver.join();
        ASSERT_TRUE(seen) << "the menu never showed";
        int id = 0;
        HWND target = nullptr;
        ASSERT_TRUE(TakePosted(id, target));
        EXPECT_EQ(c.posted, id);
    }
}

}  // namespace
