// The maker's news feed (RSS 2.0): its download, its items and their dates, and the
// short form of a title for a table of contents.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "pages/UpdateResult.h"
#include "pages/WebDownload.h"

// Downloads the feed (with a query that no cache can answer) into a temporary file,
// reads at most maxCount items into the list and deletes the file. True when a feed was
// downloaded and read.
bool FetchNews(const wchar_t* feedUrl, std::vector<NewsItem>& news, int maxCount, DWORD timeoutMs = 60000);
// The items of "rss" / "channel" / "item" in document order, at most maxCount. False
// when the file is not XML or lacks the channel or a first item; the list is emptied
// first.
bool ParseRssFile(const wchar_t* path, std::vector<NewsItem>& news, int maxCount);
// A "pubDate" as the user reads it: the system's reading of a real web date (as written,
// no zone change), then the same without " GMT", then our own reading of
// "day Mon year hh:mm:ss GMT" turned into local time; the text itself when none reads it.
CString NewsDateText(const CString& pubDate, WebTimeReader reader = nullptr);
// A title of at most 50 characters whole; a longer one as about 25 characters of its
// start, " … " and about 25 of its end, cut at blanks.
CString ShortenNewsTitle(const CString& title);
