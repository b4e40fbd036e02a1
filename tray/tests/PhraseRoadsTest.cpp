// The road from the hot key to the pasted phrase, on fakes of the hook service and the
// action services: the double press, the menu asked for the target, the chosen command
// resolved and run, the clipboard put back after a cancel.
#include "tray/PhraseRoads.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "core/AppSlots.h"
#include "core/Settings.h"
#include "hooklib/QueryCodec.h"
#include "phrases/CommandTree.h"
#include "testkit/Clipboard.h"
#include "testkit/MessageWindow.h"
#include "testkit/fakes/FakeClock.h"
#include "testkit/fakes/RecordingActionServices.h"
#include "tray/ItemActions.h"
#include "tray/MenuItemData.h"
#include "tray/PhraseMenuHandler.h"
#include "tray/tests/MenuFakes.h"
#include "tray/tests/TrayFakes.h"

namespace {

using testkit::CFakeHistory;
using testkit::CRecordingServices;

std::wstring W(const CString& text) {
    return std::wstring(text.GetString());
}

TEST(DoublePress, ASecondPressWithinHalfASecondShowsTheMenu) {
    ULONGLONG arm = 0;
    const struct {
        ULONGLONG at;
        bool shows;
    } kPresses[] = {
        {10000, false},  // the first press arms
        {10400, true},   // 400 ms later: shown
        {10800, false},  // a third press arms again
        {11400, false},  // 600 ms later: only re-arms
        {11900, true},   // exactly 500 ms: shown
    };
    for (const auto& press : kPresses) EXPECT_EQ(press.shows, DoublePressShowsMenu(press.at, arm)) << press.at;
}

class CRecordingHost : public IPhraseRoadsHost {
public:
    HWND window = nullptr;
    std::vector<std::wstring> calls;
    HWND Window() override { return window; }
    void ShowBalloon(const CString& text, UINT timeoutMs) override {
        calls.push_back(L"balloon " + W(text) + L" " + std::to_wstring(timeoutMs));
    }
    void StartEditor(const CString& text, HWND) override { calls.push_back(L"editor [" + W(text) + L"]"); }
    void BlockClipboardHistory() override { calls.push_back(L"block"); }
    void SwitchLayout(HKL layout, HWND) override {
        calls.push_back(L"layout " + std::to_wstring(LOWORD(reinterpret_cast<UINT_PTR>(layout))));
    }
    CString HotKeyText() override { return L"CTRL+ALT+ENTER"; }
};

class CChoosingTrack : public IMenuTrack {
public:
    UINT answer = 0;
    int tracks = 0;
    UINT Track(HMENU, int, int, HWND) override {
        ++tracks;
        return answer;
    }
    UINT TrackNested(HMENU, int, int, HWND) override { return 0; }
};

class CNoItemShell : public IItemActionShell {
public:
    void Beep() override {}
    void PlayPaperSound() override {}
    bool PutBitmap(HBITMAP) override { return false; }
    bool OpenUrl(const CString&) override { return false; }
    bool OpenItem(const CClipboardItemData&, bool) override { return false; }
    bool WebSearch(const CString&, int) override { return false; }
    void ClosePhraseMenu() override {}
    void ShowNotAClipError() override {}
};

CVXLCommand Phrase(UINT id, const wchar_t* command, int dataType = VXL_DATA_TEXT) {
    CVXLCommand record;
    record.SetID(id);
    record.SetName(L"phrase");
    record.SetCommand(command);
    record.SetDataType(dataType);
    return record;
}

const UINT kPostMessage = WM_APP + 12;

class PhraseRoads : public ::testing::Test {
protected:
    void SetUp() override {
        m_tree.GetRecords().push_back(Phrase(1, L"Dear %SELECTED_TEXT%, %CLIPBOARD_TEXT%"));
        m_tree.GetRecords().push_back(Phrase(2, L"layout %ACTIVATE_KL_EN%same"));
        CFakeHistory::Item clip;
        clip.text = L"from the history";
        m_history.items.push_back(clip);
        m_host.window = m_main.get();
        m_hook.installed = true;
        CAppObjects::SetMainWnd(m_main.get());
    }
    void TearDown() override { CAppObjects::SetMainWnd(nullptr); }

    // The id the handler posted after its menu, or 0.
    int TakePosted(HWND& target) {
        MSG message = {};
        if (!PeekMessageW(&message, m_post.get(), kPostMessage, kPostMessage, PM_REMOVE)) return 0;
        target = reinterpret_cast<HWND>(message.lParam);
        return static_cast<int>(message.wParam);
    }

    testkit::CMessageWindow m_main;
    testkit::CMessageWindow m_post;
    testkit::CMessageWindow m_target;
    CVXLCommandTree m_tree;
    CFakeHistory m_history;
    CChoosingTrack m_track;
    IDataNeededHander_MenuSelf m_handler{m_post.get(), kPostMessage, m_tree, nullptr, &m_history, m_track};
    CRecordingHost m_host;
    CFakeHookService m_hook;
    CRecordingServices m_services;
    CNoItemShell m_itemShell;
    CFakeClock m_clock;
    CPhraseRoads m_roads{m_host, m_tree, m_hook, m_handler, m_services, m_itemShell, &m_history, m_clock};
};

// The query filled on the spot: the menu runs at once with the target's selection and
// the clipboard text of menu time, and the chosen phrase is typed with them.
TEST_F(PhraseRoads, AChosenPhraseIsRunWithTheSelectionAndTheClipboardOfMenuTime) {
    ASSERT_TRUE(testkit::SetClipboardText(L"clipped"));
    m_hook.sendResult = 2;
    m_hook.fillQuery = [this](CWPQueryData& query) {
        query.m_targetWindow = m_target.get();
        query.m_selectedText = L"Alice";
        query.m_selTextState = WPSEL_READ;
    };
    m_track.answer = 1;
    m_roads.OnPhraseHotKey();
    EXPECT_EQ(1, m_track.tracks);
    HWND target = nullptr;
    const int id = TakePosted(target);
    ASSERT_EQ(1, id);
    EXPECT_EQ(m_target.get(), target);

    m_roads.OnCommandFromSelf(id, target);
    ASSERT_FALSE(m_services.calls.empty());
    EXPECT_EQ(L"type Dear Alice, clipped left 0", m_services.calls[0]);
    EXPECT_EQ(1, m_tree.FindByID(1)->GetUsageCount());
    EXPECT_TRUE(m_tree.FindByID(1)->HasDateUsage());
    EXPECT_EQ(1, m_handler.GetLastID());
}

TEST_F(PhraseRoads, NoHookServiceOrNoTargetShowsNoMenuAndLeavesTheClipboard) {
    m_hook.installed = false;
    m_roads.OnPhraseHotKey();
    EXPECT_EQ(0, m_hook.sends) << "without the hook service nothing is asked";

    m_hook.installed = true;
    m_hook.sendResult = 1;
    ASSERT_TRUE(testkit::SetClipboardText(L"kept"));
    m_roads.OnPhraseHotKey();
    EXPECT_EQ(1, m_hook.sends);
    EXPECT_EQ(0, m_track.tracks);
    testkit::CResult<CString> text = testkit::ReadClipboardText();
    ASSERT_TRUE(text);
    EXPECT_EQ(L"kept", W(text.value()));
}

// A cancelled menu puts back what the clipboard held when the menu opened; so does an id
// that resolves to nothing.
TEST_F(PhraseRoads, ACancelOrAnUnknownIdPutsTheClipboardBack) {
    for (int id : {-1, 31000}) {
        ASSERT_TRUE(testkit::SetClipboardText(L"before the menu"));
        m_hook.sendResult = 1;
        m_roads.ShowMenuOfPhrases(true);
        ASSERT_TRUE(testkit::SetClipboardText(L"changed while it was open"));
        m_roads.OnCommandFromMenu(id, m_target.get());
        testkit::CResult<CString> text = testkit::ReadClipboardText();
        ASSERT_TRUE(text);
        EXPECT_EQ(L"before the menu", W(text.value())) << id;
        EXPECT_EQ(L"block", m_host.calls.back()) << "the history ignores the restore";
    }
}

TEST_F(PhraseRoads, AClipIsPastedAndStaysOnTheClipboard) {
    const int clip = static_cast<int>(kFirstClipMenuId);
    CString text;
    int dataType = -1;
    EXPECT_EQ(kResolvedClip, m_roads.ResolveCommand(clip, text, dataType));
    EXPECT_EQ(L"from the history", W(text));
    EXPECT_EQ(kResolvedNothing, m_roads.ResolveCommand(clip + 1, text, dataType));
    EXPECT_EQ(kResolvedNothing, m_roads.ResolveCommand(999, text, dataType));

    EXPECT_EQ(1, m_roads.ExecuteCommand(clip, m_target.get()));
    ASSERT_GE(m_services.calls.size(), 2u);
    EXPECT_EQ(L"type from the history left 0", m_services.calls.front());
    EXPECT_EQ(L"clipboard text from the history", m_services.calls.back());
}

TEST_F(PhraseRoads, SpecialCommandsStartTheEditorOrReachTheTrayWindow) {
    CMenuQuery query;
    query.hasSelection = true;
    query.selectedText = L"new phrase text";
    m_track.answer = 0;
    m_handler.OnDataNeeded(query);  // the handler keeps the selection of its last menu
    EXPECT_EQ(0, m_roads.ExecuteCommand(kSpecialEditPhrases, m_target.get()));
    EXPECT_EQ(L"editor []", m_host.calls.back());
    EXPECT_EQ(0, m_roads.ExecuteCommand(kSpecialAddSelection, m_target.get()));
    EXPECT_EQ(L"editor [new phrase text]", m_host.calls.back());
    EXPECT_EQ(0, m_roads.ExecuteCommand(kSpecialSupport, m_target.get()));
    MSG message = {};
    EXPECT_TRUE(PeekMessageW(&message, m_main.get(), WM_COMMAND, WM_COMMAND, PM_REMOVE));
    EXPECT_EQ(ID_SUPPORT, LOWORD(message.wParam));
}

// A layout macro naming the language the target already types in switches nothing, and
// the macro itself is never typed.
TEST_F(PhraseRoads, ALayoutMacroOfTheTargetsLanguageSwitchesNothing) {
    CMenuQuery query;
    query.layout = reinterpret_cast<HKL>(static_cast<UINT_PTR>(0x04090409));
    m_track.answer = 0;
    m_handler.OnDataNeeded(query);
    EXPECT_EQ(2, m_roads.ExecuteCommand(2, m_target.get()));
    for (const std::wstring& call : m_host.calls) EXPECT_NE(0u, call.find(L"layout")) << call;
    ASSERT_FALSE(m_services.calls.empty());
    EXPECT_EQ(L"type layout same left 0", m_services.calls[0]);
}

TEST_F(PhraseRoads, APressWhileTheMenuIsOpenIsIgnored) {
    m_hook.sendResult = 2;
    int sendsDuring = -1;
    m_hook.fillQuery = [&](CWPQueryData&) {};
    struct CReentering : IMenuTrack {
        std::function<void()> during;
        UINT Track(HMENU, int, int, HWND) override {
            during();
            return 0;
        }
        UINT TrackNested(HMENU, int, int, HWND) override { return 0; }
    } track;
    IDataNeededHander_MenuSelf handler(m_post.get(), kPostMessage, m_tree, nullptr, &m_history, track);
    CPhraseRoads roads(m_host, m_tree, m_hook, handler, m_services, m_itemShell, &m_history, m_clock);
    track.during = [&] {
        roads.OnPhraseHotKey();
        sendsDuring = m_hook.sends;
    };
    roads.OnPhraseHotKey();
    EXPECT_EQ(1, sendsDuring) << "no second request while the menu is open";
}

}  // namespace
