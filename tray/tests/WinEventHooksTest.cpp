// The shared WinEvent hook, through events this thread raises with NotifyWinEvent.
// Out-of-context events come back through the message loop, so every wait pumps
// messages. The events are from the range the system leaves to applications, so that
// no real event of the desktop mixes in; a last event that the subscribers want marks
// the point by which all earlier ones must have come.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "testkit/MessageWindow.h"
#include "testkit/Poll.h"
#include "tray/WinEventHooks.h"

namespace {

const DWORD kEvent1 = EVENT_OEM_DEFINED_START + 1;
const DWORD kEvent2 = EVENT_OEM_DEFINED_START + 2;
const DWORD kEvent3 = EVENT_OEM_DEFINED_START + 3;
const DWORD kEvent4 = EVENT_OEM_DEFINED_START + 4;
const DWORD kMarker = EVENT_OEM_DEFINED_START + 5;
const DWORD kWaitMs = 5000;

struct Call {
    std::wstring subscriber;
    DWORD event;
    DWORD userValue;
    bool operator==(const Call& other) const {
        return subscriber == other.subscriber && event == other.event && userValue == other.userValue;
    }
};

void PrintTo(const Call& call, std::ostream* out) {
    *out << std::string(call.subscriber.begin(), call.subscriber.end()) << ":" << call.event << "/" << call.userValue;
}

// Every call of every recorder, in the order they came.
std::vector<Call> g_calls;

class CRecorder : public IWinEventSubscriber {
public:
    explicit CRecorder(const wchar_t* name) : m_name(name) {}

    LRESULT OnWinEvent(const WinEventRecord& record, DWORD userValue) override {
        g_calls.push_back({m_name, record.event, userValue});
        m_records.push_back(record);
        if (m_onCall) m_onCall();
        return 0;
    }

    bool Got(DWORD event) const {
        for (const WinEventRecord& record : m_records) {
            if (record.event == event) return true;
        }
        return false;
    }

    std::wstring m_name;
    std::vector<WinEventRecord> m_records;
    std::function<void()> m_onCall;
};

class WinEventHooks : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_window.get());
        ASSERT_FALSE(Manager().IsHooked()) << "an earlier case left a subscriber";
        g_calls.clear();
    }
    void TearDown() override {
        for (CRecorder* recorder : {&m_a, &m_b, &m_c}) Manager().Unsubscribe(recorder);
        for (auto& extra : m_extras) Manager().Unsubscribe(extra.get());
        EXPECT_TRUE(Manager().SetRange(EVENT_MIN, EVENT_MAX));
        EXPECT_FALSE(Manager().IsHooked());
    }

    static CWinEventHookManager& Manager() { return CWinEventHookManager::GetInstance(); }

    void Fire(std::initializer_list<DWORD> events) {
        for (DWORD event : events) NotifyWinEvent(event, m_window.get(), OBJID_CLIENT, static_cast<LONG>(event));
    }
    static bool WaitFor(const CRecorder& recorder, DWORD event) {
        return testkit::PumpMessagesUntil(kWaitMs, [&] { return recorder.Got(event); });
    }

    testkit::CMessageWindow m_window;
    CRecorder m_a{L"A"}, m_b{L"B"}, m_c{L"C"};
    std::vector<std::unique_ptr<CRecorder>> m_extras;
};

TEST_F(WinEventHooks, EachSubscriberGetsOnlyItsOwnEventsInListOrder) {
    for (DWORD event : {kEvent1, kEvent2, kMarker}) EXPECT_EQ(1, Manager().Subscribe(&m_a, 11, event));
    for (DWORD event : {kEvent2, kEvent3, kMarker}) EXPECT_EQ(1, Manager().Subscribe(&m_b, 22, event));
    EXPECT_TRUE(Manager().IsHooked());

    Fire({kEvent1, kEvent2, kEvent3, kEvent4, kMarker});
    ASSERT_TRUE(WaitFor(m_b, kMarker));
    const std::vector<Call> expected = {
        {L"A", kEvent1, 11}, {L"A", kEvent2, 11}, {L"B", kEvent2, 22},
        {L"B", kEvent3, 22}, {L"A", kMarker, 11}, {L"B", kMarker, 22},
    };
    EXPECT_EQ(expected, g_calls);

    ASSERT_FALSE(m_b.m_records.empty());
    const WinEventRecord& record = m_b.m_records.front();
    EXPECT_EQ(m_window.get(), record.window);
    EXPECT_EQ(OBJID_CLIENT, record.objectId);
    EXPECT_EQ(static_cast<LONG>(kEvent2), record.childId);
    EXPECT_EQ(GetCurrentThreadId(), record.threadId);
}

TEST_F(WinEventHooks, SubscribingTwiceToOneEventChangesNothing) {
    EXPECT_EQ(1, Manager().Subscribe(&m_a, 5, kEvent1));
    EXPECT_EQ(0, Manager().Subscribe(&m_a, 5, kEvent1));
    EXPECT_EQ(0, Manager().Subscribe(&m_a, 9, kEvent1));
    // A further event joins the subscriber's set under its first user value.
    EXPECT_EQ(1, Manager().Subscribe(&m_a, 9, kEvent2));

    Fire({kEvent1, kEvent2});
    ASSERT_TRUE(WaitFor(m_a, kEvent2));
    const std::vector<Call> expected = {{L"A", kEvent1, 5}, {L"A", kEvent2, 5}};
    EXPECT_EQ(expected, g_calls);
}

TEST_F(WinEventHooks, TheLastToLeaveRemovesTheHookAndANewSubscriptionSetsItAgain) {
    EXPECT_EQ(0, Manager().Unsubscribe(&m_a)) << "never subscribed";
    Manager().Subscribe(&m_a, 1, kEvent1);
    Manager().Subscribe(&m_b, 2, kEvent1);
    EXPECT_EQ(1, Manager().Unsubscribe(&m_a));
    EXPECT_TRUE(Manager().IsHooked()) << "B is still subscribed";
    EXPECT_EQ(0, Manager().Unsubscribe(&m_a));
    EXPECT_EQ(1, Manager().Unsubscribe(&m_b));
    EXPECT_FALSE(Manager().IsHooked());

    EXPECT_EQ(1, Manager().Subscribe(&m_b, 3, kEvent1));
    EXPECT_TRUE(Manager().IsHooked());
    Fire({kEvent1});
    ASSERT_TRUE(WaitFor(m_b, kEvent1));
    const std::vector<Call> expected = {{L"B", kEvent1, 3}};
    EXPECT_EQ(expected, g_calls);
}

TEST_F(WinEventHooks, TheRangeLimitsTheHookAndMovesOneThatIsSet) {
    for (DWORD event : {kEvent1, kEvent2, kEvent3}) Manager().Subscribe(&m_a, 1, event);
    // Given in either order.
    EXPECT_TRUE(Manager().SetRange(kEvent2, kEvent1));
    EXPECT_TRUE(Manager().IsHooked());
    EXPECT_TRUE(Manager().SetRange(kEvent2, kEvent1));
    Fire({kEvent3, kEvent1, kEvent2});
    ASSERT_TRUE(WaitFor(m_a, kEvent2));
    EXPECT_EQ((std::vector<Call>{{L"A", kEvent1, 1}, {L"A", kEvent2, 1}}), g_calls);

    g_calls.clear();
    EXPECT_TRUE(Manager().SetRange(EVENT_MIN, EVENT_MAX));
    Fire({kEvent3});
    ASSERT_TRUE(WaitFor(m_a, kEvent3));
    EXPECT_EQ((std::vector<Call>{{L"A", kEvent3, 1}}), g_calls);
}

TEST_F(WinEventHooks, ARangeSetBeforeTheFirstSubscriberIsTheHooksRange) {
    EXPECT_TRUE(Manager().SetRange(kEvent1, kEvent1));
    EXPECT_FALSE(Manager().IsHooked());
    Manager().Subscribe(&m_a, 1, kEvent2);
    Manager().Subscribe(&m_a, 1, kEvent1);
    Fire({kEvent2, kEvent1});
    ASSERT_TRUE(WaitFor(m_a, kEvent1));
    EXPECT_EQ((std::vector<Call>{{L"A", kEvent1, 1}}), g_calls);
}

TEST_F(WinEventHooks, SubscribersMayLeaveAndJoinWhileTheyAreCalled) {
    Manager().Subscribe(&m_a, 1, kEvent1);
    Manager().Subscribe(&m_b, 2, kEvent1);
    m_a.m_onCall = [this] {
        Manager().Unsubscribe(&m_a);
        Manager().Unsubscribe(&m_b);
        Manager().Subscribe(&m_c, 3, kEvent1);
        Manager().Subscribe(&m_c, 3, kMarker);
        // Enough newcomers to make the list grow while it is being walked.
        for (int i = 0; i < 32; ++i) {
            m_extras.push_back(std::make_unique<CRecorder>(L"X"));
            Manager().Subscribe(m_extras.back().get(), 4, kEvent4);
        }
    };

    Fire({kEvent1});
    ASSERT_TRUE(WaitFor(m_a, kEvent1));
    Fire({kEvent1, kMarker});
    ASSERT_TRUE(WaitFor(m_c, kMarker));
    // B left before its turn and C joined after the walk began: neither had the first.
    const std::vector<Call> expected = {{L"A", kEvent1, 1}, {L"C", kEvent1, 3}, {L"C", kMarker, 3}};
    EXPECT_EQ(expected, g_calls);
}

}  // namespace
