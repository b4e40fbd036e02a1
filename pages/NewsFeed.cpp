#include "pages/NewsFeed.h"

#include <tinyxml.h>

#include <string>

#include "core/DateTimeTexts.h"
#include "core/base/AppPaths.h"
#include "core/base/DateTimeFormat.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/XmlChecks.h"
#include "pages/WebDownload.h"

namespace {

// A feed nests a handful of levels; a deeper text is not a feed and could exhaust the
// parser's stack.
constexpr int kMaxFeedNesting = 64;
constexpr int kShortTitleChars = 50;
constexpr int kTitlePartChars = 25;
const wchar_t kTitleTrimChars[] = L" :!?;@#*()[]-";

CString ChildText(const TiXmlElement* item, const char* name) {
    const TiXmlElement* child = item->FirstChildElement(name);
    const char* text = child ? child->GetText() : nullptr;
    return text ? CString(Utf8ToWide(text).c_str()) : CString();
}

}  // namespace

bool ParseRssFile(const wchar_t* path, std::vector<NewsItem>& news, int maxCount) {
    news.clear();
    std::unique_ptr<char[]> bytes = ReadWholeFile(path);
    if (!bytes || !XmlNestingWithin(bytes.get(), kMaxFeedNesting)) return false;
    TiXmlDocument document;
    document.Parse(bytes.get(), nullptr, TIXML_ENCODING_UTF8);
    bytes.reset();
    if (document.Error()) return false;
    TiXmlElement* rss = document.FirstChildElement("rss");
    TiXmlElement* channel = rss ? rss->FirstChildElement("channel") : nullptr;
    TiXmlElement* item = channel ? channel->FirstChildElement("item") : nullptr;
    if (!item) return false;
    for (; item && static_cast<int>(news.size()) < maxCount; item = item->NextSiblingElement("item")) {
        NewsItem read;
        read.title = ChildText(item, "title");
        read.description = ChildText(item, "description");
        read.link = ChildText(item, "link");
        read.date = NewsDateText(ChildText(item, "pubDate"));
        read.author = ChildText(item, "author");
        news.push_back(read);
    }
    return true;
}

bool FetchNews(const wchar_t* feedUrl, std::vector<NewsItem>& news, int maxCount, DWORD timeoutMs) {
    news.clear();
    CString url(feedUrl);
    LogWrite(L"Download RSS: " + url);
    // A fresh query each time, so that no cache on the way returns an old feed.
    url.AppendFormat(L"?utm=%lu", GetTickCount());
    const CString path = DownloadToTempFile(url, L".xml", timeoutMs);
    if (path.IsEmpty()) return false;
    LogWrite(L"Downloaded RSS: " + path);
    bool read = ParseRssFile(path, news, maxCount);
    CTempFile(path).Delete();
    return read;
}

CString NewsDateText(const CString& pubDate, WebTimeReader reader) {
    SYSTEMTIME time = {};
    if (ReadWebDate(pubDate, time, reader)) return FormatDateTimeLocal(time);
    CString bare = pubDate;
    bare.Replace(L" GMT", L"");
    bare.Trim(L' ');
    if (ReadWebDate(bare, time, reader)) return FormatDateTimeLocal(time);
    if (ParseGmtDateTime(pubDate, &time) && SystemTimeToLocal(time)) return FormatDateTimeLocal(time);
    return pubDate;
}

CString ShortenNewsTitle(const CString& title) {
    const int length = title.GetLength();
    if (length <= kShortTitleChars) return title;
    CString head;
    for (int i = kTitlePartChars; i > 0; --i) {
        if (title[i] == L' ') {
            head = title.Left(i);
            break;
        }
    }
    head.TrimRight(kTitleTrimChars);
    if (head.IsEmpty() || head.GetLength() > kTitlePartChars) head = title.Left(kTitlePartChars);
    CString tail;
    for (int i = length - kTitlePartChars - 1; i < length; ++i) {
        if (title[i] == L' ') {
            tail = title.Mid(i + 1);
            break;
        }
    }
    tail.TrimLeft(kTitleTrimChars);
    if (tail.IsEmpty() || tail.GetLength() > kTitlePartChars) tail = title.Right(kTitlePartChars);
    return head + L" \x2026 " + tail;
}
