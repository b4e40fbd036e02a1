// Downloads, URL information and web dates against a server on the loopback address.
#include <windows.h>
#include <gtest/gtest.h>
#include <wininet.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/base/AppPaths.h"
#include "pages/WebDownload.h"
#include "testkit/LoopbackHttpServer.h"
#include "testkit/TempFolder.h"

namespace {

using testkit::CLoopbackHttpServer;
using testkit::HttpAnswer;

std::string Pattern(size_t bytes) {
    std::string body(bytes, ' ');
    for (size_t i = 0; i < bytes; ++i) body[i] = static_cast<char>('a' + i % 26);
    return body;
}

struct Progress {
    std::vector<std::pair<DWORD, LONG>> calls;
    size_t stopAt = SIZE_MAX;  // answer false on this call (0-based)
};

bool RecordProgress(DWORD done, LONG total, void* argument) {
    Progress* progress = static_cast<Progress*>(argument);
    progress->calls.emplace_back(done, total);
    return progress->calls.size() - 1 != progress->stopAt;
}

class WebDownload : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(m_server.Start());
        m_target = BuildTempFileName(nullptr, L".bin");
    }
    void TearDown() override {
        m_server.Stop();
        DeleteFileW(m_target);
    }

    CLoopbackHttpServer m_server;
    CString m_target;
};

TEST_F(WebDownload, AnswersOfTheServer) {
    const std::string body = Pattern(30000);
    HttpAnswer withLength;
    withLength.body = body;
    HttpAnswer withoutLength = withLength;
    withoutLength.sendContentLength = false;
    HttpAnswer slow = withLength;
    slow.chunkBytes = 7000;
    slow.pauseMs = 30;
    HttpAnswer redirect;
    redirect.status = 302;
    redirect.body = "moved";
    redirect.headers = {"Location: /with-length"};
    HttpAnswer broken;
    broken.status = 500;
    broken.body = "<html>server error</html>";
    HttpAnswer dropped = withLength;
    dropped.dropAfter = 12000;
    HttpAnswer shortAnnounced = withLength;
    shortAnnounced.announcedLength = 1000;
    HttpAnswer empty;
    m_server.Route("/with-length", withLength);
    m_server.Route("/without-length", withoutLength);
    m_server.Route("/slow", slow);
    m_server.Route("/redirect", redirect);
    m_server.Route("/broken", broken);
    m_server.Route("/dropped", dropped);
    m_server.Route("/short", shortAnnounced);
    m_server.Route("/empty", empty);

    const struct Case {
        const char* path;
        bool ok;
        std::string content;  // when ok
        LONG total;           // as the progress sees it
    } cases[] = {
        {"/with-length", true, body, 30000}, {"/without-length", true, body, -1},
        {"/slow", true, body, 30000},        {"/redirect", true, body, -1},
        {"/broken", false, "", 0},           {"/missing", false, "", 0},
        {"/dropped", false, "", 0},          {"/empty", true, "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Progress progress;
        bool ok = DownloadUrlToFile_WinInet(m_server.Url(c.path), m_target, RecordProgress, &progress, L"Probe");
        ASSERT_EQ(c.ok, ok);
        if (!c.ok) continue;
        std::string got = testkit::ReadFileBytes(m_target);
        EXPECT_EQ(c.content.size(), got.size());
        EXPECT_TRUE(c.content == got);
        if (c.content.empty()) {
            EXPECT_TRUE(progress.calls.empty());
            continue;
        }
        ASSERT_FALSE(progress.calls.empty());
        EXPECT_EQ(c.content.size(), progress.calls.back().first);
        // The redirect's size question goes to the redirect itself, which has a length of its own.
        if (std::string(c.path) != "/redirect") {
            for (const auto& call : progress.calls) EXPECT_EQ(c.total, call.second);
        }
        for (size_t i = 1; i < progress.calls.size(); ++i)
            EXPECT_LT(progress.calls[i - 1].first, progress.calls[i].first);
    }
}

TEST_F(WebDownload, MoreThanAnnouncedNeverPassesForTheFile) {
    HttpAnswer answer;
    answer.body = Pattern(30000);
    answer.announcedLength = 1000;
    m_server.Route("/short", answer);
    // Wine's WinInet stops at the announced length, and at times fails the read of the
    // rest: either is a clear answer, as long as no byte past the announced ones is kept.
    for (int attempt = 0; attempt < 3; ++attempt) {
        DeleteFileW(m_target);
        const bool ok = DownloadUrlToFile_WinInet(m_server.Url("/short"), m_target, nullptr, nullptr, L"Probe");
        std::string got = testkit::ReadFileBytes(m_target);
        EXPECT_LE(got.size(), 1000u);
        EXPECT_TRUE(answer.body.substr(0, got.size()) == got);
        if (ok) {
            EXPECT_EQ(1000u, got.size());
        }
    }
}

TEST_F(WebDownload, AStopAtTheFirstBlockKeepsThatBlock) {
    HttpAnswer answer;
    answer.body = Pattern(50000);
    m_server.Route("/file", answer);
    for (bool cancelMeansFailure : {true, false}) {
        SCOPED_TRACE(cancelMeansFailure);
        Progress progress;
        progress.stopAt = 0;
        CDownloadOptions options;
        options.progress = RecordProgress;
        options.argument = &progress;
        options.cancelMeansFailure = cancelMeansFailure;
        EXPECT_EQ(!cancelMeansFailure, DownloadUrlToFile(m_server.Url("/file"), m_target, options));
        ASSERT_EQ(1u, progress.calls.size());
        std::string kept = testkit::ReadFileBytes(m_target);
        EXPECT_EQ(progress.calls[0].first, kept.size());
        EXPECT_EQ(answer.body.substr(0, kept.size()), kept);
        EXPECT_LT(kept.size(), answer.body.size());
    }
}

TEST_F(WebDownload, TheServerSeesTheCallersAgentAndTheSizeQuestion) {
    HttpAnswer answer;
    answer.body = "<x/>";
    m_server.Route("/agents", answer);
    ASSERT_TRUE(DownloadUrlToFile_WinInet(m_server.Url("/agents"), m_target, nullptr, nullptr, kUpdaterUserAgent));
    auto agentsSince = [&](size_t first) {
        std::vector<std::string> agents;
        std::vector<testkit::HttpRequestSeen> requests = m_server.RequestsFor("/agents");
        for (size_t i = first; i < requests.size(); ++i) agents.push_back(requests[i].userAgent);
        std::sort(agents.begin(), agents.end());
        return agents;
    };
    EXPECT_EQ((std::vector<std::string>{"Internet Explorer", "Vexlora_Updater"}), agentsSince(0));

    ASSERT_TRUE(DownloadUrlToFile(m_server.Url("/agents"), m_target, CDownloadOptions()));
    EXPECT_EQ((std::vector<std::string>{"Internet Explorer", "MyAgent"}), agentsSince(2)) << "the default agent";
}

TEST_F(WebDownload, FailuresWithoutAnAnswer) {
    HttpAnswer silent;
    silent.neverAnswer = true;
    m_server.Route("/silent", silent);
    CDownloadOptions options;
    options.timeoutMs = 1500;
    EXPECT_FALSE(DownloadUrlToFile(m_server.Url("/silent"), m_target, options)) << "a server that never answers";

    // A port nobody listens on: the one the stopped server had.
    CLoopbackHttpServer closed;
    ASSERT_TRUE(closed.Start());
    CString url = closed.Url("/file");
    closed.Stop();
    EXPECT_FALSE(DownloadUrlToFile(url, m_target, options));
    EXPECT_FALSE(DownloadUrlToFile(L"not an address", m_target, options));

    HttpAnswer answer;
    answer.body = "x";
    m_server.Route("/file", answer);
    EXPECT_FALSE(DownloadUrlToFile(m_server.Url("/file"), L"Z:\\no\\such\\folder\\file.bin", options));
}

// ---------------------------------------------------------------------------------------
// URL information

TEST(UrlInfo, SplitsAddresses) {
    const struct {
        const wchar_t* url;
        bool ok;
        const wchar_t* scheme;
        const wchar_t* host;
        const wchar_t* path;
    } cases[] = {
        {L"http://host.example/a/b.xml?x=1", true, L"http://", L"host.example", L"/a/b.xml?x=1"},
        {L"HTTPS://host.example/", true, L"HTTPS://", L"host.example", L"/"},
        {L"http://host.example", true, L"http://", L"host.example", L""},
        {L"http://127.0.0.1:8080/x", true, L"http://", L"127.0.0.1:8080", L"/x"},
        {L"host.example/a", false, L"", L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.url);
        CString scheme = L"old";
        CString host = L"old";
        CString path = L"old";
        EXPECT_EQ(c.ok, CUrlInfo::SplitUrl(c.url, scheme, host, path));
        EXPECT_STREQ(c.scheme, scheme);
        EXPECT_STREQ(c.host, host);
        EXPECT_STREQ(c.path, path);
    }
}

TEST(UrlInfo, CharsetOfContentType) {
    const struct {
        const wchar_t* type;
        const wchar_t* charset;
    } cases[] = {
        {L"text/html; charset=utf-8", L"utf-8"},
        {L"text/html; charset=\"windows-1251\"", L"windows-1251"},
        {L"text/html; charset='koi8-r'", L"koi8-r"},
        {L"text/html; charset=utf-8 ; q=1", L"utf-8"},
        {L"text/html", L""},
        {L"text/html; charset=", L""},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.charset, CUrlInfo::CharsetOf(c.type)) << c.type;
}

TEST(UrlInfo, FactsOfTheServersAnswer) {
    CLoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    HttpAnswer dated;
    dated.body = Pattern(4321);
    dated.contentType = "application/octet-stream; charset=\"windows-1251\"";
    dated.headers = {"Last-Modified: Sun, 06 Nov 2022 08:49:37 GMT"};
    HttpAnswer bare;
    bare.body = "abc";
    bare.sendContentLength = false;
    bare.contentType = "text/plain";
    server.Route("/dated", dated);
    server.Route("/bare", bare);

    CUrlInfo info(server.Url("/dated"));
    ASSERT_TRUE(info.Query(L"Vexlora_Update"));
    EXPECT_EQ(4321, info.GetContentLength());
    EXPECT_STREQ(L"Sun, 06 Nov 2022 08:49:37 GMT", info.GetLastModifiedText());
    EXPECT_STREQ(L"windows-1251", info.GetCharset());
    SYSTEMTIME modified = {};
    ASSERT_TRUE(info.GetLastModified(modified));
    EXPECT_EQ(2022, modified.wYear);
    EXPECT_EQ(11, modified.wMonth);
    EXPECT_EQ(6, modified.wDay);
    EXPECT_EQ(8, modified.wHour);
    EXPECT_EQ(49, modified.wMinute);
    EXPECT_EQ("Vexlora_Update", server.RequestsFor("/dated").back().userAgent);
    EXPECT_EQ("GET", server.RequestsFor("/dated").back().method);

    CUrlInfo bareInfo(server.Url("/bare"));
    bareInfo.Query();
    EXPECT_EQ(-1, bareInfo.GetContentLength());
    EXPECT_FALSE(bareInfo.GetLastModified(modified));
    EXPECT_FALSE(bareInfo.GetLastModifiedLocal(modified));
    EXPECT_EQ("Internet Explorer", server.RequestsFor("/bare").back().userAgent);

    CUrlInfo noHost(L"no address");
    EXPECT_FALSE(noHost.Query());
}

// ---------------------------------------------------------------------------------------
// Online state and dates

TEST(OnlineState, FromTheConnectionState) {
    const struct {
        BOOL connected;
        DWORD flags;
        int state;
    } cases[] = {
        {TRUE, 0, 0},
        {TRUE, INTERNET_CONNECTION_OFFLINE, 0},
        {FALSE, INTERNET_CONNECTION_OFFLINE, 1},
        {FALSE, INTERNET_RAS_INSTALLED, 1},
        {FALSE, INTERNET_CONNECTION_LAN, 2},
        {FALSE, 0, 2},
    };
    for (const auto& c : cases) EXPECT_EQ(c.state, OnlineStateFrom(c.connected, c.flags)) << c.flags;
    const int state = IsOnline();
    EXPECT_TRUE(state == 0 || state == 1 || state == 2);
}

TEST(WebDates, StrictReadingOfTheHttpForms) {
    const struct {
        const wchar_t* text;
        bool ok;
        WORD year, month, day, hour, minute, second;
    } cases[] = {
        {L"Sun, 06 Nov 1994 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37},
        {L"06 Nov 1994 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37},
        {L"Sun, 06 Nov 1994 08:49:37", true, 1994, 11, 6, 8, 49, 37},
        {L"Tue, 3 Mar 2026 21:05 +0300", true, 2026, 3, 3, 21, 5, 0},
        {L"Sunday, 06-Nov-94 08:49:37 GMT", true, 1994, 11, 6, 8, 49, 37},
        {L"Sun Nov  6 08:49:37 1994", true, 1994, 11, 6, 8, 49, 37},
        {L"Mon, 29 Feb 2021 10:00:00 GMT", false, 0, 0, 0, 0, 0, 0},
        {L"Sun, 06 Nov 1994 25:49:37 GMT", false, 0, 0, 0, 0, 0, 0},
        {L"Sun, 06 Foo 1994 08:49:37 GMT", false, 0, 0, 0, 0, 0, 0},
        {L"Sun, 06 Nov 1994 08:49:37 GMT extra", false, 0, 0, 0, 0, 0, 0},
        {L"yesterday", false, 0, 0, 0, 0, 0, 0},
        {L"", false, 0, 0, 0, 0, 0, 0},
        {L"2026-03-05T09:07:03Z", false, 0, 0, 0, 0, 0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.text);
        SYSTEMTIME time = {};
        ASSERT_EQ(c.ok, ParseHttpDateStrict(c.text, time));
        if (!c.ok) continue;
        EXPECT_EQ(c.year, time.wYear);
        EXPECT_EQ(c.month, time.wMonth);
        EXPECT_EQ(c.day, time.wDay);
        EXPECT_EQ(c.hour, time.wHour);
        EXPECT_EQ(c.minute, time.wMinute);
        EXPECT_EQ(c.second, time.wSecond);
    }
}

TEST(WebDates, TheSystemsReadingCountsOnlyForARealDate) {
    // The system's reader answers yes to anything and gives the current time.
    auto yesToAll = [](const wchar_t*, SYSTEMTIME& time) {
        GetSystemTime(&time);
        return true;
    };
    auto noToAll = [](const wchar_t*, SYSTEMTIME&) { return false; };
    SYSTEMTIME time = {};
    EXPECT_FALSE(ReadWebDate(L"not a date", time, yesToAll));
    ASSERT_TRUE(ReadWebDate(L"Sun, 06 Nov 1994 08:49:37 GMT", time, yesToAll));
    EXPECT_EQ(1994, time.wYear);
    EXPECT_FALSE(ReadWebDate(L"Sun, 06 Nov 1994 08:49:37 GMT", time, noToAll));
    ASSERT_TRUE(ReadWebDate(L"Sun, 06 Nov 1994 08:49:37 GMT", time)) << "the system's own reader";
    EXPECT_EQ(6, time.wDay);
}

}  // namespace
