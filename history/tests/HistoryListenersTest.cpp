#include "history/HistoryListeners.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

#include "testkit/MessageWindow.h"

namespace {

// Every call of every listener, in the order made.
struct CallLog {
    std::vector<std::pair<int, std::pair<DWORD, DWORD>>> calls;
    std::vector<int> Who() const {
        std::vector<int> who;
        for (const auto& call : calls) who.push_back(call.first);
        return who;
    }
};

class CListener final : public IHistoryListener1, public IHistoryListener2 {
public:
    CallLog* log = nullptr;
    int id = 0;
    std::function<void()> onCall;

    void OnHistoryEvent(DWORD a, DWORD b) override { Record(a, b); }
    void OnHistoryStateEvent(DWORD a, DWORD b) override { Record(a, b); }

private:
    void Record(DWORD a, DWORD b) {
        log->calls.push_back({id, {a, b}});
        if (onCall) onCall();
    }
};

// Registry order is address order: an array gives it.
struct Listeners {
    CallLog log;
    CListener at[4];
    Listeners() {
        for (int i = 0; i < 4; ++i) {
            at[i].log = &log;
            at[i].id = i;
        }
    }
};

TEST(ListenerRegistry2, RegistersEachListenerOnce) {
    CListenerRegistry2 registry;
    Listeners l;
    EXPECT_TRUE(registry.Register(&l.at[0]));
    EXPECT_FALSE(registry.Register(&l.at[0]));
    EXPECT_TRUE(registry.Contains(&l.at[0]));
    EXPECT_FALSE(registry.Contains(&l.at[1]));
    EXPECT_FALSE(registry.Unregister(&l.at[1]));
    EXPECT_TRUE(registry.Unregister(&l.at[0]));
    EXPECT_FALSE(registry.Unregister(&l.at[0]));
    EXPECT_EQ(0, registry.Notify(nullptr, 0, 0));
    EXPECT_TRUE(l.log.calls.empty());
}

// Both registries share the rules of a notice; registry 2 also counts its calls.
TEST(ListenerRegistries, NoticeSkipsTheSenderAndFollowsChangesMadeDuringIt) {
    CListenerRegistry1 registry1;
    CListenerRegistry2 registry2;
    struct Registry {
        const char* name;
        std::function<void(IHistoryListener1*, IHistoryListener2*)> add;
        std::function<void(CListener*)> remove;
        std::function<int(CListener*, DWORD, DWORD)> notify;
    } registries[] = {
        {"registry 1", [&](IHistoryListener1* l, IHistoryListener2*) { registry1.Register(l); },
         [&](CListener* l) { registry1.Unregister(l); },
         [&](CListener* sender, DWORD a, DWORD b) {
             registry1.Notify(sender, a, b);
             return -1;
         }},
        {"registry 2", [&](IHistoryListener1*, IHistoryListener2* l) { registry2.Register(l); },
         [&](CListener* l) { registry2.Unregister(l); },
         [&](CListener* sender, DWORD a, DWORD b) { return registry2.Notify(sender, a, b); }},
    };
    for (const Registry& r : registries) {
        SCOPED_TRACE(r.name);
        Listeners l;
        for (int i = 2; i >= 0; --i) r.add(&l.at[i], &l.at[i]);

        const int called = r.notify(&l.at[1], 4, 5);
        EXPECT_EQ((std::vector<int>{0, 2}), l.log.Who());
        EXPECT_EQ(std::make_pair(DWORD(4), DWORD(5)), l.log.calls[0].second);
        if (called >= 0) {
            EXPECT_EQ(2, called);
        }

        // The first removes itself and the next, and adds one that waits for the next notice.
        l.log.calls.clear();
        l.at[0].onCall = [&] {
            r.remove(&l.at[0]);
            r.remove(&l.at[1]);
            r.add(&l.at[3], &l.at[3]);
        };
        r.notify(nullptr, 0, 1);
        EXPECT_EQ((std::vector<int>{0, 2}), l.log.Who());
        l.log.calls.clear();
        r.notify(nullptr, 0, 1);
        EXPECT_EQ((std::vector<int>{2, 3}), l.log.Who());
        r.remove(&l.at[2]);
        r.remove(&l.at[3]);
    }
}

LRESULT CALLBACK CountRefreshes(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR count) {
    if (message == WM_APP + 2) ++*reinterpret_cast<int*>(count);
    return DefSubclassProc(window, message, wParam, lParam);
}

TEST(ListenerRegistry1, TheRefreshWindowHearsOfTextChangesOnly) {
    testkit::CMessageWindow window;
    int refreshes = 0;
    SetWindowSubclass(window.get(), &CountRefreshes, 1, reinterpret_cast<DWORD_PTR>(&refreshes));
    CListenerRegistry1& registry = CListenerRegistry1::GetInstance();
    Listeners l;
    registry.Register(&l.at[0]);
    registry.SetRefreshWindow(window.get());

    NotifyListeners1(nullptr, 1, 0);
    EXPECT_EQ(0, refreshes);
    NotifyListeners1(nullptr, 0, 0);
    EXPECT_EQ(1, refreshes);
    EXPECT_EQ((std::vector<int>{0, 0}), l.log.Who());

    registry.SetRefreshWindow(nullptr);
    registry.Unregister(&l.at[0]);
    NotifyListeners1(nullptr, 0, 0);
    EXPECT_EQ(1, refreshes);
    EXPECT_EQ(2u, l.log.calls.size());
}

}  // namespace
