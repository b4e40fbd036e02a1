// The news feed: items, dates and short titles, and its download from a loopback server.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/AppPaths.h"
#include "core/base/DateTimeFormat.h"
#include "core/base/Handles.h"
#include "pages/NewsFeed.h"
#include "pages/WebDownload.h"
#include "testkit/LoopbackHttpServer.h"

namespace {

std::string Feed(int items, const std::string& itemBody = "") {
    std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?><rss version=\"2.0\"><channel><title>News</title>";
    for (int i = 1; i <= items; ++i) {
        xml += "<item><title>Title " + std::to_string(i) + "</title>";
        xml += itemBody.empty() ? "<description>Text " + std::to_string(i) + "</description>" : itemBody;
        xml += "<link>http://site/" + std::to_string(i) + "</link><author>Ann</author></item>";
    }
    return xml + "</channel></rss>";
}

class NewsFile {
public:
    explicit NewsFile(const std::string& bytes) : m_path(BuildTempFileName(nullptr, L".xml")) {
        CFileHandle file(CreateFileW(m_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
        DWORD written = 0;
        WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    }
    ~NewsFile() { DeleteFileW(m_path); }
    const CString& path() const { return m_path; }

private:
    CString m_path;
};

// Deeper than the parser's stack would take.
std::string Nested(int levels) {
    std::string xml = "<rss><channel><item>";
    for (int i = 0; i < levels; ++i) xml += "<a>";
    return xml;
}

TEST(NewsFeed, ItemsOfFeeds) {
    const struct {
        std::string bytes;
        bool read;
        size_t count;
    } cases[] = {
        {Feed(25), true, 10},
        {Feed(3), true, 3},
        {Feed(0), false, 0},
        {"<rss><channel/></rss>", false, 0},
        {"<feed><channel><item/></channel></feed>", false, 0},
        {"not XML at all", false, 0},
        {"", false, 0},
        {Nested(100000), false, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes.substr(0, 60));
        NewsFile file(c.bytes);
        std::vector<NewsItem> news(2);
        EXPECT_EQ(c.read, ParseRssFile(file.path(), news, 10));
        EXPECT_EQ(c.count, news.size());
    }
    std::vector<NewsItem> news;
    EXPECT_FALSE(ParseRssFile(L"Z:\\no\\such\\feed.xml", news, 10));
}

TEST(NewsFeed, FieldsOfAnItem) {
    NewsFile file(
        "<rss><channel><item><title>&lt;b&gt;Bold&lt;/b&gt; \xD0\x96 news</title>"
        "<description><![CDATA[<p>Some <i>HTML</i></p>]]></description>"
        "<pubDate>not a date</pubDate></item><item/></channel></rss>");
    std::vector<NewsItem> news;
    ASSERT_TRUE(ParseRssFile(file.path(), news, 10));
    ASSERT_EQ(2u, news.size());
    EXPECT_STREQ(L"<b>Bold</b> \x0416 news", news[0].title) << "the title's mark-up stays text";
    EXPECT_STREQ(L"<p>Some <i>HTML</i></p>", news[0].description);
    EXPECT_STREQ(L"not a date", news[0].date);
    EXPECT_STREQ(L"", news[0].link);
    EXPECT_STREQ(L"", news[0].author);
    EXPECT_STREQ(L"", news[1].title);
}

TEST(NewsFeed, ALargeFeedGivesItsFirstItems) {
    std::string description = "<description>" + std::string(5000, 'x') + "</description>";
    std::string bytes = Feed(1000, description);
    ASSERT_GT(bytes.size(), 5u * 1000 * 1000);
    NewsFile file(bytes);
    std::vector<NewsItem> news;
    ASSERT_TRUE(ParseRssFile(file.path(), news, 10));
    ASSERT_EQ(10u, news.size());
    EXPECT_STREQ(L"Title 10", news[9].title);
}

bool YesToAll(const wchar_t*, SYSTEMTIME& time) {
    GetSystemTime(&time);
    return true;
}

bool NoToAll(const wchar_t*, SYSTEMTIME&) {
    return false;
}

TEST(NewsFeed, TheDateChain) {
    SYSTEMTIME asWritten = {2026, 3, 4, 5, 9, 7, 3, 0};
    SYSTEMTIME fromUtc = asWritten;
    ASSERT_TRUE(SystemTimeToLocal(fromUtc));
    const CString written = FormatDateTimeLocal(asWritten);
    const CString local = FormatDateTimeLocal(fromUtc);
    const struct {
        const wchar_t* pubDate;
        WebTimeReader reader;
        CString shown;
    } cases[] = {
        // The first reading: as written, no zone change.
        {L"Thu, 05 Mar 2026 09:07:03 GMT", YesToAll, written},
        {L"Thu, 05 Mar 2026 09:07:03 GMT", nullptr, written},
        {L"  Thu, 05 Mar 2026 09:07:03 GMT  ", YesToAll, written},
        // The system refuses: our own reading, turned into local time.
        {L"05 Mar 2026 09:07:03 GMT", NoToAll, local},
        {L"Thu, 05 Mar 2026 09:07:03 GMT", NoToAll, CString(L"Thu, 05 Mar 2026 09:07:03 GMT")},
        // A reader that says yes to anything is not believed.
        {L"last Tuesday", YesToAll, CString(L"last Tuesday")},
        {L"2026-03-05T09:07:03Z", YesToAll, CString(L"2026-03-05T09:07:03Z")},
        {L"", YesToAll, CString()},
    };
    for (const auto& c : cases) {
        EXPECT_STREQ(c.shown, NewsDateText(c.pubDate, c.reader)) << c.pubDate;
    }
}

TEST(NewsFeed, ShortTitles) {
    const CString seventy = L"Vexlora now keeps the clipboard history across restarts and shows it fast";
    ASSERT_EQ(73, seventy.GetLength());
    const struct {
        CString title;
        CString shortened;
    } cases[] = {
        {L"A short title", L"A short title"},
        {CString(L'x', 50), CString(L'x', 50)},
        {seventy, L"Vexlora now keeps the \x2026 and shows it fast"},
        {L"What's new: (beta) [release] - notes for the next version --- (!!) and more news here",
         L"What's new: (beta \x2026 and more news here"},
        {CString(L'y', 60), CString(L'y', 25) + L" \x2026 " + CString(L'y', 25)},
    };
    for (const auto& c : cases) {
        CString shortened = ShortenNewsTitle(c.title);
        EXPECT_STREQ(c.shortened, shortened) << c.title.GetString();
        EXPECT_LE(shortened.GetLength(), 53);
    }
}

TEST(NewsFeed, FetchedFromTheServer) {
    testkit::CLoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    testkit::HttpAnswer feed;
    feed.body = Feed(12);
    testkit::HttpAnswer notXml;
    notXml.body = "<html><body>maintenance</body></html>";
    server.Route("/news_en.xml", feed);
    server.Route("/broken.xml", notXml);

    std::vector<NewsItem> news;
    ASSERT_TRUE(FetchNews(server.Url("/news_en.xml"), news, 10));
    EXPECT_EQ(10u, news.size());
    EXPECT_STREQ(L"http://site/1", news[0].link);
    Sleep(20);
    ASSERT_TRUE(FetchNews(server.Url("/news_en.xml"), news, 10));
    std::vector<testkit::HttpRequestSeen> requests = server.RequestsFor("/news_en.xml");
    std::vector<std::string> queries;
    for (const auto& request : requests) {
        if (request.userAgent != "Vexlora_Updater") continue;
        EXPECT_EQ(0u, request.target.find("/news_en.xml?utm=")) << request.target;
        queries.push_back(request.target);
    }
    ASSERT_EQ(2u, queries.size());
    EXPECT_NE(queries[0], queries[1]) << "no cache may answer the second";

    EXPECT_FALSE(FetchNews(server.Url("/broken.xml"), news, 10));
    EXPECT_TRUE(news.empty());
    EXPECT_FALSE(FetchNews(server.Url("/missing.xml"), news, 10));
    EXPECT_TRUE(news.empty());
    server.Stop();
}

}  // namespace
