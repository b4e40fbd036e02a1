// The update check: its schedule, its offline wait, and whole checks against a server
// on the loopback address delivering to a window.
#include <gtest/gtest.h>

#include <deque>
#include <mutex>
#include <string>
#include <vector>

#include "core/DateTimeTexts.h"
#include "core/Instance.h"
#include "core/base/NamedObjects.h"
#include "core/base/TextConversions.h"
#include "core/base/WorkerThread.h"
#include "pages/UpdateCheck.h"
#include "pages/UpdateRequest.h"
#include "pages/UpdateResult.h"
#include "pages/tests/UpdateResultWindow.h"
#include "testkit/LoopbackHttpServer.h"
#include "testkit/Poll.h"

namespace {

using pagestest::CUpdateResultWindow;
using pagestest::kResultMessage;

using testkit::HttpAnswer;

const DWORD kDay = 24 * 60 * 60 * 1000;

SYSTEMTIME Utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    SYSTEMTIME time = {};
    EXPECT_TRUE(MakeValidSystemTime(year, month, day, hour, minute, second, &time));
    return time;
}

TEST(UpdateSchedule, DelayOfTheNextAutomaticCheck) {
    const struct {
        const char* name;
        SYSTEMTIME last;
        DWORD days;
        SYSTEMTIME now;
        DWORD delayMs;
    } cases[] = {
        {"3 of 7 days gone", Utc(2026, 3, 1, 12), 7, Utc(2026, 3, 4, 12), 4 * kDay},
        {"to the second", Utc(2026, 3, 1, 12), 1, Utc(2026, 3, 2, 11, 59, 30), 30 * 1000},
        {"due this moment", Utc(2026, 3, 1, 12), 1, Utc(2026, 3, 2, 12), 0},
        {"overdue", Utc(2026, 3, 1, 12), 7, Utc(2026, 3, 11, 12), 600 * 1000},
        {"never checked", Utc(2013, 1, 1), 30, Utc(2026, 3, 11), 600 * 1000},
        {"30 days fit", Utc(2026, 3, 1), 30, Utc(2026, 3, 1), 30 * kDay},
        {"a last check in the future", Utc(2030, 1, 1), 7, Utc(2026, 3, 1), 7 * kDay},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.delayMs, ComputeUpdateCheckDelay(c.last, c.days, c.now)) << c.name;
    }
    CString line;
    ComputeUpdateCheckDelay(Utc(2026, 3, 1, 12, 30, 15), 7, Utc(2026, 3, 4, 12, 30, 15), &line);
    EXPECT_STREQ(
        L"Next update date: 08-03-2026 12:30:15, wait for checkupdates ms=345600000 sec=345600 "
        L"minutes=5760 hour=96 days=4",
        line);
}

// Where the checks ask: the loopback server; the waits are recorded and, unless asked,
// not waited.
class CTestEnvironment : public CSystemUpdateCheckEnvironment {
public:
    int OnlineState() override {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (onlineScript.empty()) return alwaysOffline ? 2 : 0;
        int state = onlineScript.front();
        onlineScript.pop_front();
        return state;
    }
    bool WaitForStop(HANDLE stopEvent, DWORD ms) override {
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            waits.push_back(ms);
        }
        return WaitForSingleObject(stopEvent, realWaits ? ms : 0) != WAIT_TIMEOUT;
    }
    CString RequestUrl() override { return requestUrl; }
    CString NewsUrl() override { return newsUrl; }
    CString HomeUrl() override { return L"http://site/home"; }
    bool UseTestVersion() override { return false; }
    CVersionArray RunningVersion() override { return {2, 6, 0, 1}; }
    void StoreLatestFound(const wchar_t* versionText) override {
        std::lock_guard<std::mutex> lock(m_mutex);
        stored.push_back(versionText);
    }
    DWORD NetworkTimeoutMs() override { return 3000; }
    size_t WaitCount() {
        std::lock_guard<std::mutex> lock(m_mutex);
        return waits.size();
    }

    std::deque<int> onlineScript;
    bool alwaysOffline = false;
    bool realWaits = false;
    CString requestUrl;
    CString newsUrl;
    std::vector<DWORD> waits;
    std::vector<CString> stored;

private:
    std::mutex m_mutex;
};

TEST(UpdateSchedule, TheOfflineWait) {
    const struct {
        const char* name;
        DWORD delay;
        std::deque<int> online;
        std::vector<DWORD> waits;
    } cases[] = {
        {"online at once", 30000, {}, {30000}},
        {"a manual check online", 0, {}, {0}},
        {"offline three polls", 100000, {1, 2, 1}, {5000, 10000, 20000, 30000}},
        {"offline longer than the delay", 12000, {1, 1, 1}, {5000, 10000, 20000, 0}},
        {"offline again after the delay", 8000, {2, 0, 2, 2}, {5000, 0, 5000, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        CTestEnvironment environment;
        environment.onlineScript = c.online;
        CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        EXPECT_TRUE(WaitUntilOnline(environment, stop.get(), c.delay));
        EXPECT_EQ(c.waits, environment.waits);
    }
}

TEST(UpdateSchedule, TheOfflinePollGrowsToAnHourAndStaysThere) {
    CTestEnvironment environment;
    environment.onlineScript.assign(40, 1);
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_TRUE(WaitUntilOnline(environment, stop.get(), 0));
    ASSERT_EQ(41u, environment.waits.size());
    EXPECT_EQ(5000u, environment.waits[0]);
    EXPECT_EQ(40000u, environment.waits[3]);
    for (size_t i = 10; i < 40; ++i) EXPECT_EQ(kLongestOnlinePollMs, environment.waits[i]) << i;
}

struct Completions {
    std::mutex mutex;
    std::vector<int> arguments;
};
Completions g_completions;

void RecordCompletion(const UpdateCheckTaskInfo& task, int argument) {
    EXPECT_EQ(kResultMessage, task.resultMessage);
    std::lock_guard<std::mutex> lock(g_completions.mutex);
    g_completions.arguments.push_back(argument);
}

std::string VersionXml(const char* version, const std::string& extra = "") {
    return std::string("<?xml version=\"1.0\"?><VexloraVersionInfo><Version>") + version +
           "</Version><Status>Beta</Status>" + extra + "</VexloraVersionInfo>";
}

std::string Feed(int items) {
    std::string xml = "<rss><channel>";
    for (int i = 1; i <= items; ++i) xml += "<item><title>News " + std::to_string(i) + "</title></item>";
    return xml + "</channel></rss>";
}

class UpdateCheck : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start());
        HttpAnswer feed;
        feed.body = Feed(14);
        m_server.Route("/news_en.xml", feed);
        m_environment = std::make_shared<CTestEnvironment>();
        CUpdateProfile profile;
        profile.programVersion = L"2.6.0.1";
        profile.osText = L"Test OS";
        profile.languageFile = L"English.lng";
        m_environment->requestUrl = BuildUpdateRequestUrl(m_server.Url("/Source/update_vxl.php"), profile);
        m_environment->newsUrl = m_server.Url("/news_en.xml");
        m_stop.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        std::lock_guard<std::mutex> lock(g_completions.mutex);
        g_completions.arguments.clear();
    }
    void TearDown() override { m_server.Stop(); }

    void Serve(const std::string& xml) {
        HttpAnswer answer;
        answer.body = xml;
        m_server.Route("/Source/update_vxl.php", answer);
    }

    std::unique_ptr<UpdateCheckTask> Task(bool automatic) {
        auto task = std::make_unique<UpdateCheckTask>();
        task->window = m_window.get();
        task->resultMessage = kResultMessage;
        task->stopEvent = DuplicateForWorker(m_stop.get());
        task->scheduled = automatic ? 1 : 0;
        task->argument = automatic ? 1 : 0;
        task->completion = RecordCompletion;
        task->environment = m_environment;
        return task;
    }

    std::vector<int> CompletionArguments() {
        std::lock_guard<std::mutex> lock(g_completions.mutex);
        return g_completions.arguments;
    }

    testkit::CLoopbackHttpServer m_server;
    std::shared_ptr<CTestEnvironment> m_environment;
    CHandle m_stop;
    CUpdateResultWindow m_window;
};

TEST_F(UpdateCheck, AManualCheckDeliversTheWholeResult) {
    HttpAnswer installer;
    installer.body = std::string(3000, 'i');
    installer.headers = {"Last-Modified: Tue, 03 Mar 2026 10:20:30 GMT"};
    m_server.Route("/setup.exe", installer);
    std::string url = WideToUtf8(m_server.Url("/setup.exe"));
    Serve(VersionXml("3.0.0.0", "<DownloadURL>" + url +
                                    "</DownloadURL><WhatNewsURL>http://site/new</WhatNewsURL>"
                                    "<Offers><Offer Lang=\"de\">Angebot</Offer></Offers>"));

    auto task = Task(false);
    EXPECT_TRUE(RunUpdateCheckTask(*task));
    ASSERT_EQ(1u, m_window.results.size());
    const UpdateCheckResult& result = m_window.results[0];
    EXPECT_STREQ(L"3.0.0.0", result.newVersionText);
    EXPECT_EQ((CVersionArray{3, 0, 0, 0}), result.newVersion);
    EXPECT_EQ((CVersionArray{2, 6, 0, 1}), result.currentVersion);
    EXPECT_STREQ(L"Beta", result.statusText);
    EXPECT_STREQ(L"", result.errorText);
    EXPECT_EQ(0, result.scheduled);
    EXPECT_EQ(3000, result.installerSize);
    EXPECT_FALSE(result.releaseDateText.IsEmpty());
    EXPECT_STREQ(L"http://site/new", result.whatsNewUrl);
    EXPECT_STREQ(L"Angebot", result.offers.at(L"DE").text);
    ASSERT_EQ(10u, result.news.size());
    EXPECT_STREQ(L"News 1", result.news[0].title);
    EXPECT_EQ((std::vector<CString>{L"3.00 build 0"}), m_environment->stored);
    EXPECT_EQ((std::vector<int>{0}), CompletionArguments());

    std::vector<testkit::HttpRequestSeen> asked = m_server.RequestsFor("/Source/update_vxl.php");
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(0u, asked[0].target.find("/Source/update_vxl.php?vxl_version=2.6.0.1&winver=Test_OS&"))
        << asked[0].target;
    EXPECT_NE(std::string::npos, asked[0].target.find("&LangFile=[English.lng]&")) << asked[0].target;
    EXPECT_EQ("Vexlora_Updater", asked[0].userAgent);
}

TEST_F(UpdateCheck, WhatEachKindOfCheckDelivers) {
    const struct {
        const char* name;
        bool automatic;
        const char* answer;  // null: the server is down
        size_t delivered;
        const wchar_t* error;
        size_t news;
        size_t stored;
    } cases[] = {
        {"manual, newer", false, "3.0", 1, L"", 10, 1},
        {"manual, nothing new", false, "2.6.0.1", 1, L"", 10, 1},
        {"automatic, newer", true, "2.7", 1, L"", 10, 1},
        {"automatic, nothing new", true, "2.6", 0, L"", 0, 1},
        {"manual, not XML", false, "<html>", 1, kUpdateErrorCannotParse, 10, 0},
        {"automatic, not XML", true, "<html>", 0, L"", 0, 0},
        {"manual, server down", false, nullptr, 1, kUpdateErrorCannotLoad, 0, 0},
        {"automatic, server down", true, nullptr, 0, L"", 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        m_window.results.clear();
        m_environment->stored.clear();
        {
            std::lock_guard<std::mutex> lock(g_completions.mutex);
            g_completions.arguments.clear();
        }
        if (c.answer)
            Serve(std::string(c.answer) == "<html>" ? "<html><body>error</body></html>" : VersionXml(c.answer));
        else
            m_environment->requestUrl = L"http://127.0.0.1:1/Source/update_vxl.php";
        auto task = Task(c.automatic);
        EXPECT_TRUE(RunUpdateCheckTask(*task));
        ASSERT_EQ(c.delivered, m_window.results.size());
        EXPECT_EQ(c.stored, m_environment->stored.size());
        EXPECT_EQ((std::vector<int>{c.automatic ? 1 : 0}), CompletionArguments()) << "completed in every case";
        if (!c.delivered) continue;
        EXPECT_STREQ(c.error, m_window.results[0].errorText);
        EXPECT_EQ(c.news, m_window.results[0].news.size());
        EXPECT_EQ(c.automatic ? 1 : 0, m_window.results[0].scheduled);
        EXPECT_EQ((CVersionArray{2, 6, 0, 1}), m_window.results[0].currentVersion);
    }
}

TEST_F(UpdateCheck, AWorkerThreadDeliversToTheWindowsThread) {
    Serve(VersionXml("3.1"));
    auto task = Task(false);
    CHandle thread;
    ASSERT_TRUE(StartUpdateCheckTask(std::move(task), &thread));
    EXPECT_TRUE(testkit::PumpMessagesUntil(30000, [&] { return !m_window.results.empty(); }));
    EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 30000));
    ASSERT_EQ(1u, m_window.results.size());
    EXPECT_STREQ(L"3.1", m_window.results[0].newVersionText);
    EXPECT_EQ((std::vector<int>{0}), CompletionArguments());
}

TEST_F(UpdateCheck, TheStopEventEndsAWaitingTaskWithoutAWord) {
    Serve(VersionXml("3.1"));
    const struct {
        const char* name;
        bool offline;
        DWORD delay;
    } cases[] = {
        {"offline", true, 0},
        {"waiting for its time", false, 7 * kDay},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ResetEvent(m_stop.get());
        m_environment->alwaysOffline = c.offline;
        m_environment->realWaits = true;
        auto task = Task(true);
        task->delayMs = c.delay;
        CHandle thread;
        ASSERT_TRUE(StartUpdateCheckTask(std::move(task), &thread));
        // The worker is inside its wait once it has asked for it.
        ASSERT_TRUE(testkit::PollUntil(10000, [&] { return m_environment->WaitCount() > 0; }));
        SetEvent(m_stop.get());
        EXPECT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 10000));
        EXPECT_TRUE(m_window.results.empty());
        EXPECT_TRUE(CompletionArguments().empty());
        EXPECT_TRUE(m_server.RequestsFor("/Source/update_vxl.php").empty());
        m_environment->waits.clear();
    }
}

TEST(UpdateCommandWatcher, EachSignalGivesOneCommand) {
    CUpdateResultWindow window;
    CHandle stop(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    ASSERT_TRUE(StartCommandCheckForUpdatesThread(stop.get(), window.get(), 32791));
    CHandle event(OpenEventW(EVENT_MODIFY_STATE, FALSE, kCommandCheckForUpdatesEventName));
    ASSERT_TRUE(event);
    for (size_t signal = 1; signal <= 2; ++signal) {
        SetEvent(event.get());
        EXPECT_TRUE(testkit::PumpMessagesUntil(10000, [&] { return window.commands.size() >= signal; }));
    }
    EXPECT_EQ((std::vector<WPARAM>{32791, 32791}), window.commands);
    SetEvent(stop.get());
}

}  // namespace
