#include "history/ClipboardWatcher.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "testkit/Clipboard.h"
#include "testkit/LogFile.h"
#include "testkit/Poll.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeClipboard.h"

namespace {

constexpr DWORD kNoticeWaitMs = 5000;

void PumpPending() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
}

struct ObserverCall {
    bool changed;
    HWND source;
    DWORD cookie;
};

class CRecordingObserver final : public IClipboardSpyObserver {
public:
    std::vector<ObserverCall> calls;
    std::function<void()> onCall;

    void OnClipboardChanged(HWND source, DWORD cookie) override { Record({true, source, cookie}); }
    void OnClipboardSpyStateChanged(DWORD cookie) override { Record({false, nullptr, cookie}); }

    int Changes() const { return Count(true); }
    int StateChanges() const { return Count(false); }

private:
    void Record(const ObserverCall& call) {
        calls.push_back(call);
        if (onCall) onCall();
    }
    int Count(bool changed) const {
        int count = 0;
        for (const ObserverCall& call : calls) count += call.changed == changed ? 1 : 0;
        return count;
    }
};

// A well-behaved member of the viewer chain, as other programs write one: it keeps its
// next viewer and passes both chain messages on.
class CChainWindow {
public:
    int drawClipboard = 0;
    std::vector<std::pair<HWND, HWND>> chainChanges;
    HWND next = nullptr;

    CChainWindow() {
        static const ATOM atom = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = &Procedure;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"VxlTestChainWindow";
            return RegisterClassW(&windowClass);
        }();
        m_window.reset(CreateWindowExW(0, reinterpret_cast<LPCWSTR>(static_cast<ULONG_PTR>(atom)), L"", WS_POPUP, 0, 0,
                                       10, 10, nullptr, nullptr, GetModuleHandleW(nullptr), this));
    }
    ~CChainWindow() { Leave(); }
    HWND get() const { return m_window.get(); }

    bool Join() {
        SetLastError(0);
        next = SetClipboardViewer(get());
        m_joined = next || GetLastError() == 0;
        return m_joined;
    }
    void Leave() {
        if (m_joined) ChangeClipboardChain(get(), next);
        m_joined = false;
    }

private:
    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_NCCREATE) {
            auto* create = reinterpret_cast<CREATESTRUCTW*>(lParam);
            SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
        }
        auto* self = reinterpret_cast<CChainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
        if (!self) return DefWindowProcW(window, message, wParam, lParam);
        if (message == WM_DRAWCLIPBOARD) {
            ++self->drawClipboard;
            if (self->next) SendMessageW(self->next, message, wParam, lParam);
            return 0;
        }
        if (message == WM_CHANGECBCHAIN) {
            const HWND removed = reinterpret_cast<HWND>(wParam);
            self->chainChanges.emplace_back(removed, reinterpret_cast<HWND>(lParam));
            if (removed == self->next)
                self->next = reinterpret_cast<HWND>(lParam);
            else if (self->next)
                SendMessageW(self->next, message, wParam, lParam);
            return 0;
        }
        return DefWindowProcW(window, message, wParam, lParam);
    }

    CWindowHandle m_window;
    bool m_joined = false;
};

// The system's answers as the tests want them. Joining the chain sends WM_DRAWCLIPBOARD
// to the new viewer at once, as the system does.
class CFakeNotices final : public IClipboardNotices {
public:
    bool hasListener = true;
    bool listenerWorks = true;
    bool chainWorks = true;
    int adds = 0, removes = 0, joins = 0, leaves = 0;

    bool HasFormatListener() override { return hasListener; }
    bool AddFormatListener(HWND) override {
        ++adds;
        return hasListener && listenerWorks;
    }
    bool RemoveFormatListener(HWND) override {
        ++removes;
        return hasListener;
    }
    bool JoinViewerChain(HWND window, HWND& next) override {
        ++joins;
        if (!chainWorks) return false;
        SendMessageW(window, WM_DRAWCLIPBOARD, 0, 0);
        next = nullptr;
        return true;
    }
    void LeaveViewerChain(HWND, HWND) override { ++leaves; }
};

class ClipboardWatcherTest : public ::testing::Test {
protected:
    ClipboardWatcherTest()
        : m_parent(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 50, 50, nullptr, nullptr, nullptr, nullptr)) {}

    HWND Parent() const { return m_parent.get(); }
    static HINSTANCE Instance() { return GetModuleHandleW(nullptr); }

private:
    CWindowHandle m_parent;
};

// ---------------------------------------------------------------------------------------
// The real clipboard

class RealClipboardTest : public ClipboardWatcherTest, public ::testing::WithParamInterface<int> {};

TEST_P(RealClipboardTest, EachWriteGivesEachObserverOneNotice) {
    const int method = GetParam();
    if (method == CSMO_ADDCLIPBOARDLISTENER && !SystemClipboardNotices().HasFormatListener())
        GTEST_SKIP() << "this system has no clipboard format listener";
    CClipboardSpy spy(SystemClipboard(), SystemClipboardNotices());
    CRecordingObserver first, second;
    spy.SetObserver(&first, 7);
    spy.SetObserver(&second, 8);

    ASSERT_TRUE(spy.Install(method == CSMO_ADDCLIPBOARDLISTENER ? 1 : 0, Instance(), Parent()));
    EXPECT_EQ(method, spy.GetMethod());
    EXPECT_EQ(method == CSMO_SETCLIPBOARDVIEWER ? CClipboardSpy::kViewerChainIntervalMs
                                                : CClipboardSpy::kFormatListenerIntervalMs,
              spy.GetTimerInterval());
    EXPECT_EQ(Parent(), GetParent(spy.GetWindow()));
    // Joining the viewer chain reports the clipboard as it is; that notice is not a write.
    PumpPending();
    first.calls.clear();
    second.calls.clear();

    const wchar_t* texts[] = {L"one", L"two", L"three"};
    int written = 0;
    for (const wchar_t* text : texts) {
        SCOPED_TRACE(::testing::Message() << "write " << written + 1);
        ASSERT_TRUE(testkit::SetClipboardText(text));
        ++written;
        ASSERT_TRUE(testkit::PumpMessagesUntil(
            kNoticeWaitMs, [&] { return first.Changes() >= written && second.Changes() >= written; }));
        PumpPending();
        EXPECT_EQ(written, first.Changes());
        EXPECT_EQ(written, second.Changes());
    }
    for (const ObserverCall& call : first.calls) EXPECT_EQ(7u, call.cookie);
    for (const ObserverCall& call : second.calls) EXPECT_EQ(8u, call.cookie);
    EXPECT_EQ(0, first.StateChanges());

    EXPECT_TRUE(spy.Uninstall());
    EXPECT_EQ(nullptr, spy.GetWindow());
    EXPECT_EQ(0u, spy.GetTimerInterval());
    ASSERT_TRUE(testkit::SetClipboardText(L"after"));
    PumpPending();
    EXPECT_EQ(written, first.Changes());
}

INSTANTIATE_TEST_SUITE_P(BothMethods, RealClipboardTest,
                         ::testing::Values(CSMO_SETCLIPBOARDVIEWER, CSMO_ADDCLIPBOARDLISTENER));

TEST_F(ClipboardWatcherTest, ViewerChainPassesMessagesOnAndFollowsRemovals) {
    CChainWindow before;
    ASSERT_TRUE(before.Join());
    CClipboardSpy spy(SystemClipboard(), SystemClipboardNotices());
    CRecordingObserver observer;
    spy.SetObserver(&observer, 1);
    ASSERT_TRUE(spy.Install(0, Instance(), Parent()));
    ASSERT_EQ(CSMO_SETCLIPBOARDVIEWER, spy.GetMethod());
    PumpPending();
    // The window that was first before us must not be linked back to us: the chain
    // would become a ring and WM_DRAWCLIPBOARD would circle in it for ever.
    EXPECT_EQ(nullptr, before.next);
    const int seenBefore = before.drawClipboard;
    observer.calls.clear();

    ASSERT_TRUE(testkit::SetClipboardText(L"chain"));
    ASSERT_TRUE(testkit::PumpMessagesUntil(kNoticeWaitMs, [&] { return observer.Changes() >= 1; }));
    PumpPending();
    EXPECT_EQ(1, observer.Changes());
    EXPECT_EQ(seenBefore + 1, before.drawClipboard) << "the write is passed on to the next viewer";

    // A removal further down the chain is passed on.
    const HWND spyWindow = spy.GetWindow();
    CChainWindow elsewhere, replacement;
    SendMessageW(spyWindow, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(elsewhere.get()),
                 reinterpret_cast<LPARAM>(replacement.get()));
    ASSERT_EQ(1u, before.chainChanges.size());
    EXPECT_EQ(elsewhere.get(), before.chainChanges[0].first);
    EXPECT_EQ(replacement.get(), before.chainChanges[0].second);

    // The removal of our next viewer replaces it and goes no further.
    SendMessageW(spyWindow, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(before.get()),
                 reinterpret_cast<LPARAM>(replacement.get()));
    EXPECT_EQ(1u, before.chainChanges.size());
    SendMessageW(spyWindow, WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(1, replacement.drawClipboard);
    EXPECT_EQ(seenBefore + 1, before.drawClipboard);

    // A null removed window names nobody, even while we have no next viewer.
    SendMessageW(spyWindow, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(replacement.get()), 0);
    SendMessageW(spyWindow, WM_CHANGECBCHAIN, 0, reinterpret_cast<LPARAM>(elsewhere.get()));
    SendMessageW(spyWindow, WM_DRAWCLIPBOARD, 0, 0);
    EXPECT_EQ(0, elsewhere.drawClipboard);
    EXPECT_EQ(1, replacement.drawClipboard);
    PumpPending();
}

// ---------------------------------------------------------------------------------------
// Through the seam: a silent change cannot be made on a real clipboard.

struct SilentChangeCase {
    const char* name;
    int newMethodAllowed;
    int method;
};

class SilentChangeTest : public ClipboardWatcherTest, public ::testing::WithParamInterface<SilentChangeCase> {
protected:
    void TickCheck(CClipboardSpy& spy) { SendMessageW(spy.GetWindow(), WM_TIMER, CClipboardSpy::kTimerId, 0); }

    CFakeClipboard clipboard;
    CFakeNotices notices;
    CRecordingObserver observer;
};

TEST_P(SilentChangeTest, MovedSequenceInstallsAgainAndAFailureIsReported) {
    const SilentChangeCase& c = GetParam();
    CClipboardSpy spy(clipboard, notices);
    spy.SetObserver(&observer, 3);
    ASSERT_TRUE(spy.Install(c.newMethodAllowed, Instance(), Parent()));
    ASSERT_EQ(c.method, spy.GetMethod());
    PumpPending();
    observer.calls.clear();
    const int joins = notices.joins, adds = notices.adds;

    // Nothing moved: nothing happens.
    TickCheck(spy);
    EXPECT_EQ(joins, notices.joins);
    EXPECT_EQ(adds, notices.adds);

    // Moved without a notice: removed and installed again by the same method; the
    // WM_DRAWCLIPBOARD of joining the chain again is not reported.
    clipboard.SetByOther(CF_UNICODETEXT, {0, 0});
    TickCheck(spy);
    PumpPending();
    EXPECT_EQ(c.method, spy.GetMethod());
    if (c.method == CSMO_SETCLIPBOARDVIEWER) {
        EXPECT_EQ(1, notices.leaves);
        EXPECT_EQ(joins + 1, notices.joins);
    } else {
        EXPECT_EQ(1, notices.removes);
        EXPECT_EQ(adds + 1, notices.adds);
    }
    EXPECT_TRUE(observer.calls.empty());

    // The next silent change finds neither method: the observers hear of it.
    notices.listenerWorks = false;
    notices.chainWorks = false;
    clipboard.SetByOther(CF_UNICODETEXT, {0, 0});
    TickCheck(spy);
    PumpPending();
    EXPECT_FALSE(spy.IsInstalled());
    EXPECT_EQ(0u, spy.GetTimerInterval());
    ASSERT_EQ(1u, observer.calls.size());
    EXPECT_FALSE(observer.calls[0].changed);
    EXPECT_EQ(3u, observer.calls[0].cookie);

    // The leftover window goes with Uninstall, and a new Install starts afresh.
    EXPECT_TRUE(spy.Uninstall());
    EXPECT_EQ(nullptr, spy.GetWindow());
    notices.listenerWorks = true;
    notices.chainWorks = true;
    EXPECT_TRUE(spy.Install(c.newMethodAllowed, Instance(), Parent()));
    EXPECT_FALSE(spy.Install(c.newMethodAllowed, Instance(), Parent())) << "already installed";
}

INSTANTIATE_TEST_SUITE_P(Methods, SilentChangeTest,
                         ::testing::Values(SilentChangeCase{"ViewerChain", 0, CSMO_SETCLIPBOARDVIEWER},
                                           SilentChangeCase{"FormatListener", 1, CSMO_ADDCLIPBOARDLISTENER}),
                         [](const ::testing::TestParamInfo<SilentChangeCase>& info) { return info.param.name; });

TEST_F(ClipboardWatcherTest, InstallFallsBackToTheChainAndFailsWhenNothingWorks) {
    CFakeClipboard clipboard;
    CFakeNotices notices;
    notices.listenerWorks = false;
    CClipboardSpy spy(clipboard, notices);
    ASSERT_TRUE(spy.Install(1, Instance(), Parent()));
    EXPECT_EQ(CSMO_SETCLIPBOARDVIEWER, spy.GetMethod());
    EXPECT_EQ(1, notices.adds);
    EXPECT_TRUE(spy.Uninstall());
    EXPECT_EQ(1, notices.leaves);

    notices.chainWorks = false;
    EXPECT_FALSE(spy.Install(1, Instance(), Parent()));
    EXPECT_FALSE(spy.IsInstalled());
    EXPECT_EQ(nullptr, spy.GetWindow());
    PumpPending();
}

TEST_F(ClipboardWatcherTest, ObserversChangingDuringANoticeTakeEffectAtOnce) {
    CFakeClipboard clipboard;
    CFakeNotices notices;
    CClipboardSpy spy(clipboard, notices);
    ASSERT_TRUE(spy.Install(1, Instance(), Parent()));
    // Map order is address order: an array gives the order of the calls.
    CRecordingObserver observers[3];
    spy.SetObserver(&observers[0], 10);
    spy.SetObserver(&observers[1], 11);
    spy.SetObserver(&observers[0], 12);
    observers[0].onCall = [&] {
        spy.RemoveObserver(&observers[0]);
        spy.RemoveObserver(&observers[1]);
        spy.SetObserver(&observers[2], 13);
    };
    const HWND owner = Parent();

    SendMessageW(spy.GetWindow(), CClipboardSpy::SpyMessage(), 0, reinterpret_cast<LPARAM>(owner));
    ASSERT_EQ(1u, observers[0].calls.size());
    EXPECT_EQ(owner, observers[0].calls[0].source);
    EXPECT_EQ(12u, observers[0].calls[0].cookie);
    EXPECT_TRUE(observers[1].calls.empty()) << "removed before its turn";
    EXPECT_TRUE(observers[2].calls.empty()) << "added during the notice";

    SendMessageW(spy.GetWindow(), CClipboardSpy::SpyMessage(), 1, 0);
    EXPECT_EQ(1u, observers[0].calls.size());
    ASSERT_EQ(1u, observers[2].calls.size());
    EXPECT_FALSE(observers[2].calls[0].changed);
    EXPECT_EQ(13u, observers[2].calls[0].cookie);

    spy.ClearObservers();
    EXPECT_TRUE(spy.GetObservers().empty());
}

TEST_F(ClipboardWatcherTest, AnUnheardNoticeStillCountsAsSeen) {
    CFakeClipboard clipboard;
    CFakeNotices notices;
    CClipboardSpy spy(clipboard, notices);
    ASSERT_TRUE(spy.Install(1, Instance(), Parent()));
    clipboard.SetByOther(CF_UNICODETEXT, {0, 0});
    SendMessageW(spy.GetWindow(), CClipboardSpy::SpyMessage(), 0, 0);
    SendMessageW(spy.GetWindow(), WM_TIMER, CClipboardSpy::kTimerId, 0);
    EXPECT_EQ(1, notices.adds) << "a change that was reported is no silent change";
    EXPECT_EQ(0, notices.removes);
}

TEST_F(ClipboardWatcherTest, UnheardNoticesAndFailedReinstallationsAreLogged) {
    const CString folder = testkit::MakeUniqueTempFolder(L"watcher_log");
    const CString path = folder + L"\\watcher.log";
    ASSERT_EQ(1, LogInit(path));
    CFakeClipboard clipboard;
    CFakeNotices notices;
    CClipboardSpy spy(clipboard, notices);
    ASSERT_TRUE(spy.Install(1, Instance(), Parent()));
    SendMessageW(spy.GetWindow(), CClipboardSpy::SpyMessage(), 0, 0);
    notices.listenerWorks = false;
    notices.chainWorks = false;
    clipboard.SetByOther(CF_UNICODETEXT, {0, 0});
    SendMessageW(spy.GetWindow(), WM_TIMER, CClipboardSpy::kTimerId, 0);
    PumpPending();
    EXPECT_TRUE(LogWaitPending(kNoticeWaitMs));
    LogShutdown();

    const std::wstring log = ReadLogFile(path.GetString()).Joined();
    testkit::RemoveTree(folder);
    EXPECT_NE(std::wstring::npos, log.find(L"ERROR: [Clipboard Observers is empty]")) << log;
    EXPECT_NE(std::wstring::npos, log.find(L"REINSTALL: InstalledNew=0")) << log;
}

TEST(ClipboardSpyMethod, AutomaticPicksTheFormatListenerWhereThereIsOne) {
    struct Case {
        int setting;
        bool hasListener;
        int expected;
    } cases[] = {
        {-1, true, CSMO_ADDCLIPBOARDLISTENER},
        {-1, false, CSMO_SETCLIPBOARDVIEWER},
        {0, true, CSMO_SETCLIPBOARDVIEWER},
        {1, false, CSMO_ADDCLIPBOARDLISTENER},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.setting << " " << c.hasListener);
        CFakeNotices notices;
        notices.hasListener = c.hasListener;
        EXPECT_EQ(c.expected, ResolveClipboardSpyMethod(c.setting, notices));
    }
}

TEST(ClipboardSpyInstance, TheProgramWatcherIsOneAndItsObserversAreShown) {
    CClipboardSpy& spy = CClipboardSpy::GetInstance();
    EXPECT_EQ(&spy, &CClipboardSpy::GetInstance());
    CRecordingObserver observer;
    spy.SetObserver(&observer, 5);
    ASSERT_EQ(1u, CClipboardSpy::GetClipboardObservers().size());
    EXPECT_EQ(5u, CClipboardSpy::GetClipboardObservers().at(&observer));
    spy.ClearObservers();
}

}  // namespace
