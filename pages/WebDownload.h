// Small HTTP fetches of the web services: a download into a file with progress and
// cancel, the system's URL download as a second road, the facts a server tells about a
// resource (size, date, charset), whether the machine is online, and the two time
// conversions of web dates.
//
// Nothing here keeps state or shows anything: every call opens and closes its own
// handles, so any thread may use them. Failures are results (false, 0, or 2 for the
// online test).
#pragma once

#include <windows.h>

#include "core/ShellServices.h"
#include "core/base/CString.h"

// Asked after each block written: bytes so far, the announced total (-1 when the server
// sent none) and the caller's argument. False stops the download.
using DownloadProgressProc = bool (*)(DWORD bytesDone, LONG totalBytes, void* argument);

// Receive and connect time-out of the downloads unless the caller sets one: a server
// that accepts and never answers must not hold an update check for good.
const DWORD kDefaultDownloadTimeoutMs = 60000;

struct CDownloadOptions {
    CString userAgent = L"MyAgent";
    // A stop asked for by the progress callback counts as a failed download.
    bool cancelMeansFailure = true;
    DownloadProgressProc progress = nullptr;
    void* argument = nullptr;
    DWORD timeoutMs = kDefaultDownloadTimeoutMs;
};

// WinInet's download of an http or https address into the file (created or
// truncated). False when the address cannot be opened, the server answers with a status
// of 400 or more, a read fails, the body is shorter or longer than its announced length,
// or the callback stops it (see cancelMeansFailure). A failed write also fails, and then
// the file is deleted; otherwise the caller deletes what a failure left.
bool DownloadUrlToFile(const wchar_t* url, const wchar_t* path, const CDownloadOptions& options);
// Downloads as the updater into a new temporary file with that extension: its path, or
// empty (and no file left) when the download failed.
CString DownloadToTempFile(const wchar_t* url, const wchar_t* extension, DWORD timeoutMs);
// The common entry: a stop by the callback is a failure.
bool DownloadUrlToFile_WinInet(const wchar_t* url, const wchar_t* path, DownloadProgressProc progress, void* argument,
                               const wchar_t* userAgent);

// URLDownloadToFileW of urlmon (bound at run time); true on S_OK. Keeps the thread's
// last error. A download that has not ended within the time-out is a failure, and the file
// it may still write later is removed when it ends.
constexpr DWORD kSystemDownloadTimeoutMs = 60000;
bool URLDownloadToFile_API_Wrapper(const wchar_t* url, const wchar_t* path, DWORD timeoutMs = kSystemDownloadTimeoutMs);

// The user agent of the version-file, offer-page and news downloads.

// What a server tells of a resource in the headers of its answer to a GET.
class CUrlInfo {
public:
    explicit CUrlInfo(const wchar_t* url) : m_url(url) {}

    // True when at least one fact was obtained (Content-Type only with a charset).
    bool Query(const wchar_t* userAgent = L"Internet Explorer", DWORD timeoutMs = kDefaultDownloadTimeoutMs);

    const CString& GetUrl() const noexcept { return m_url; }
    // -1 when the server sent none.
    LONG GetContentLength() const noexcept { return m_contentLength; }
    const CString& GetLastModifiedText() const noexcept { return m_lastModifiedText; }
    const CString& GetCharset() const noexcept { return m_charset; }
    // UTC; false when the server gave no date it could read.
    bool GetLastModified(SYSTEMTIME& time) const;
    bool GetLastModifiedLocal(SYSTEMTIME& time) const;

    // "scheme://", host and path (from the first "/" after the host; empty when none).
    // False without "://".
    static bool SplitUrl(const CString& url, CString& scheme, CString& host, CString& path);
    // The charset parameter of a Content-Type value; empty when it has none.
    static CString CharsetOf(const CString& contentType);

private:
    CString m_url;
    SYSTEMTIME m_lastModified = {};
    LONG m_contentLength = -1;
    CString m_lastModifiedText;
    CString m_charset;
};

// 0 connected; 1 not connected and the system says offline or has dial-up; 2 not
// connected otherwise, or WinInet cannot tell.
int IsOnline();
// The online state a connection-state answer means: the result of
// InternetGetConnectedState and its flags.
int OnlineStateFrom(BOOL connected, DWORD flags);

// InternetTimeToSystemTimeW (bound at run time); false when it is missing or refuses.
// It also "succeeds" on text it cannot read (and fills in the current time): callers
// that must know use ParseHttpDateStrict.
bool InternetTimeToSystemTime(const wchar_t* text, SYSTEMTIME& time);
// Reads only the forms of RFC 1123 ("Sun, 06 Nov 1994 08:49:37 GMT"), RFC 850
// ("Sunday, 06-Nov-94 08:49:37 GMT") and asctime ("Sun Nov  6 08:49:37 1994"), each
// whole and with a real date; the weekday, when given, is not checked against the date.
bool ParseHttpDateStrict(const wchar_t* text, SYSTEMTIME& time);
// The system's reader of web dates, or a stand-in.
using WebTimeReader = bool (*)(const wchar_t* text, SYSTEMTIME& time);
// The reader's date (InternetTimeToSystemTime when none is given), taken only when the
// text also passes ParseHttpDateStrict, which then gives the fields.
bool ReadWebDate(const wchar_t* text, SYSTEMTIME& time, WebTimeReader reader = nullptr);
// UTC to local time in the current zone; false when it cannot be converted (then the
// time is left as it was).
bool SystemTimeToLocal(SYSTEMTIME& time);
