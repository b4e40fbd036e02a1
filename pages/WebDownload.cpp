#include "pages/WebDownload.h"

#include <wininet.h>

#include <chrono>
#include <condition_variable>
#include <cwctype>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "core/AppGuards.h"
#include "core/AppTexts.h"
#include "core/DateTimeTexts.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/PlatformBinding.h"
#include "core/base/Security.h"

namespace {

class CInternetHandle {
public:
    explicit CInternetHandle(HINTERNET handle = nullptr) noexcept : m_handle(handle) {}
    ~CInternetHandle() {
        if (m_handle) InternetCloseHandle(m_handle);
    }
    CInternetHandle(const CInternetHandle&) = delete;
    CInternetHandle& operator=(const CInternetHandle&) = delete;
    HINTERNET get() const noexcept { return m_handle; }
    explicit operator bool() const noexcept { return m_handle != nullptr; }
    void reset(HINTERNET handle) noexcept {
        if (m_handle) InternetCloseHandle(m_handle);
        m_handle = handle;
    }

private:
    HINTERNET m_handle;
};

void SetTimeouts(HINTERNET handle, DWORD timeoutMs) {
    if (!timeoutMs) return;
    for (DWORD option :
         {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_RECEIVE_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT})
        InternetSetOptionW(handle, option, &timeoutMs, sizeof timeoutMs);
}

// A sent GET request and the connection it runs on.
struct CHttpGet {
    CInternetHandle connection;
    CInternetHandle request;
};

// Opens and sends a GET of the address on the session. The time-outs are set on the
// connection: Wine takes them from there for the request, and not from the session or
// through InternetOpenUrlW, so that a server that never answers would hold the call for
// good. False for an address that is not http or https.
bool SendHttpGet(HINTERNET session, const CString& url, DWORD flags, DWORD timeoutMs, CHttpGet& get) {
    CString scheme;
    CString host;
    CString path;
    if (!CUrlInfo::SplitUrl(url, scheme, host, path) || host.IsEmpty()) return false;
    const bool secure = scheme.CompareNoCase(L"https://") == 0;
    if (!secure && scheme.CompareNoCase(L"http://") != 0) return false;
    INTERNET_PORT port = secure ? INTERNET_DEFAULT_HTTPS_PORT : INTERNET_DEFAULT_HTTP_PORT;
    // The host may carry its own port.
    int colon = host.ReverseFind(L':');
    if (colon > 0) {
        port = static_cast<INTERNET_PORT>(_wtoi(host.Mid(colon + 1)));
        host = host.Left(colon);
    }
    if (secure) flags |= INTERNET_FLAG_SECURE;
    get.connection.reset(InternetConnectW(session, host, port, nullptr, nullptr, INTERNET_SERVICE_HTTP, 0, 0));
    if (!get.connection) return false;
    SetTimeouts(get.connection.get(), timeoutMs);
    static const wchar_t* const kAcceptAll[] = {L"*/*", nullptr};
    get.request.reset(HttpOpenRequestW(get.connection.get(), L"GET", path.IsEmpty() ? L"/" : path.GetString(), nullptr,
                                       nullptr, const_cast<LPCWSTR*>(kAcceptAll), flags, 0));
    return get.request && HttpSendRequestW(get.request.get(), nullptr, 0, nullptr, 0);
}

// The reads of a download land here; on any failure the caller's file is left as it is.
constexpr DWORD kLargeReadBytes = 12288;
constexpr DWORD kSmallReadBytes = 200;

// The session flags of the downloads: reload, no cache write, pragma no-cache and 0x2.
constexpr DWORD kDownloadSessionFlags = 0x84000102;

}  // namespace

bool DownloadUrlToFile(const wchar_t* url, const wchar_t* path, const CDownloadOptions& options) {
    if (!url || !path) return false;
    CInternetHandle session(
        InternetOpenW(options.userAgent, INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, kDownloadSessionFlags));
    if (!session) return false;
    CHttpGet get;
    if (!SendHttpGet(session.get(), url,
                     INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_PRAGMA_NOCACHE,
                     options.timeoutMs, get))
        return false;
    const CInternetHandle& request = get.request;
    // An error page is an answer too, but not the file asked for.
    DWORD status = 0;
    DWORD size = sizeof status;
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_STATUS_CODE | HTTP_QUERY_FLAG_NUMBER, &status, &size, nullptr) &&
        status >= 400)
        return false;
    // A connection that ends early reads like the end of the file, and a server may send
    // more than it said: the length this answer announced tells a whole file from both.
    DWORD announced = 0;
    size = sizeof announced;
    const bool hasLength = HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &announced,
                                          &size, nullptr) != FALSE;

    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;

    CUrlInfo info(url);
    LONG total = -1;
    std::unique_ptr<char[]> large;
    char small[kSmallReadBytes];
    char* buffer = small;
    DWORD bufferBytes = kSmallReadBytes;
    if (info.Query(L"Internet Explorer", options.timeoutMs)) {
        total = info.GetContentLength();
        large.reset(new (std::nothrow) char[kLargeReadBytes]);
        if (large) {
            buffer = large.get();
            bufferBytes = kLargeReadBytes;
        } else {
            total = -1;
        }
    }

    DWORD done = 0;
    for (;;) {
        DWORD got = 0;
        if (!InternetReadFile(request.get(), buffer, bufferBytes, &got)) return false;
        if (got == 0) return (!hasLength || done == announced) && FlushFileBuffers(file.get());
        // Bytes past the announced length are not the file's, however the connection
        // delivers them.
        const bool beyond = hasLength && got > announced - done;
        if (beyond) got = announced - done;
        DWORD written = 0;
        if (!WriteFile(file.get(), buffer, got, &written, nullptr) || written != got) {
            // A half-written file would pass for the whole download: nobody may find it.
            file.reset();
            DeleteFileW(path);
            return false;
        }
        done += got;
        if (options.progress && !options.progress(done, total, options.argument)) return !options.cancelMeansFailure;
        if (beyond) return FlushFileBuffers(file.get()) != FALSE;
    }
}

CString DownloadToTempFile(const wchar_t* url, const wchar_t* extension, DWORD timeoutMs) {
    CString path = BuildTempFileName(nullptr, extension);
    if (path.IsEmpty()) return CString();
    CDownloadOptions options;
    options.userAgent = kUpdaterUserAgent;
    options.timeoutMs = timeoutMs;
    if (DownloadUrlToFile(url, path, options)) return path;
    CTempFile(path).Delete();
    return CString();
}

bool DownloadUrlToFile_WinInet(const wchar_t* url, const wchar_t* path, DownloadProgressProc progress, void* argument,
                               const wchar_t* userAgent) {
    CDownloadOptions options;
    if (userAgent && *userAgent) options.userAgent = userAgent;
    options.progress = progress;
    options.argument = argument;
    options.cancelMeansFailure = true;
    return DownloadUrlToFile(url, path, options);
}

namespace {

// Shared by the caller and the thread that runs the system's download, which may outlive
// the caller's wait.
struct CSystemDownload {
    CString url;
    CString path;
    std::mutex mutex;
    std::condition_variable finished;
    bool done = false;
    bool abandoned = false;
    HRESULT result = E_FAIL;
};

}  // namespace

bool URLDownloadToFile_API_Wrapper(const wchar_t* url, const wchar_t* path, DWORD timeoutMs) {
    CKeepLastError keep;
    auto job = std::make_shared<CSystemDownload>();
    job->url = url;
    job->path = path;
    // URLDownloadToFileW has no time limit of its own, and a binding that never completes
    // would hold the update check for good; so it runs apart and is waited for a bounded time.
    std::thread worker([job] {
        using URLDownloadToFileWFn = HRESULT(WINAPI*)(void*, LPCWSTR, LPCWSTR, DWORD, void*);
        // Loaded once and never freed: urlmon leaves threads and windows of its own behind a
        // download, which fault in unloaded code when the library goes right after the call
        // (or while the program ends with an abandoned download still running).
        static const HMODULE urlmon = LoadLibraryW(L"urlmon.dll");
        auto download = BindProc<URLDownloadToFileWFn>(urlmon, "URLDownloadToFileW");
        HRESULT result = download ? download(nullptr, job->url, job->path, 0, nullptr) : E_NOINTERFACE;
        std::lock_guard<std::mutex> lock(job->mutex);
        job->result = result;
        job->done = true;
        // The caller gave up and removed its file; what arrived late must not reappear there.
        if (job->abandoned) DeleteFileW(job->path);
        job->finished.notify_all();
    });
    std::unique_lock<std::mutex> lock(job->mutex);
    if (!job->finished.wait_for(lock, std::chrono::milliseconds(timeoutMs), [&] { return job->done; })) {
        job->abandoned = true;
        lock.unlock();
        worker.detach();
        LogWriteFormat(L"URLDownloadToFile_API_Wrapper: no answer within %lu ms from %s",
                       static_cast<unsigned long>(timeoutMs), url);
        return false;
    }
    lock.unlock();
    worker.join();
    return job->result == S_OK;
}

// ---------------------------------------------------------------------------------------
// CUrlInfo

bool CUrlInfo::SplitUrl(const CString& url, CString& scheme, CString& host, CString& path) {
    int separator = url.Find(L"://");
    if (separator < 0) {
        scheme.Empty();
        host.Empty();
        path.Empty();
        return false;
    }
    scheme = url.Left(separator + 3);
    CString rest = url.Mid(separator + 3);
    int slash = rest.Find(L'/');
    host = slash < 0 ? rest : rest.Left(slash);
    path = slash < 0 ? CString() : rest.Mid(slash);
    return true;
}

CString CUrlInfo::CharsetOf(const CString& contentType) {
    int at = contentType.Find(L"charset=");
    if (at < 0) return CString();
    CString charset = contentType.Mid(at + 8);
    int end = charset.FindOneOf(L"\" ");
    // A value that opens with its quote ends at the next one.
    if (end == 0) {
        end = charset.Mid(1).FindOneOf(L"\" ");
        end = end < 0 ? -1 : end + 1;
    }
    if (end >= 0) charset = charset.Left(end);
    charset.Trim(L" \"'");
    return charset;
}

bool CUrlInfo::Query(const wchar_t* userAgent, DWORD timeoutMs) {
    DWORD requestFlags = INTERNET_FLAG_RELOAD | INTERNET_FLAG_NO_CACHE_WRITE | INTERNET_FLAG_KEEP_CONNECTION |
                         INTERNET_FLAG_PRAGMA_NOCACHE;
    CInternetHandle session(InternetOpenW(userAgent, INTERNET_OPEN_TYPE_PRECONFIG, nullptr, nullptr, 0));
    if (!session) return false;
    CHttpGet get;
    if (!SendHttpGet(session.get(), m_url, requestFlags, timeoutMs, get)) return false;
    const CInternetHandle& request = get.request;
    CKeepLastError keep;

    bool any = false;
    DWORD length = 0;
    DWORD size = sizeof length;
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_LENGTH | HTTP_QUERY_FLAG_NUMBER, &length, &size, nullptr)) {
        m_contentLength = static_cast<LONG>(length);
        any = true;
    }
    wchar_t text[999] = {};
    size = sizeof text - sizeof(wchar_t);
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_LAST_MODIFIED, text, &size, nullptr)) {
        m_lastModifiedText = text;
        any = true;
    }
    SYSTEMTIME modified = {};
    size = sizeof modified;
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_LAST_MODIFIED | HTTP_QUERY_FLAG_SYSTEMTIME, &modified, &size,
                       nullptr)) {
        m_lastModified = modified;
        any = true;
    }
    wchar_t type[50] = {};
    size = sizeof type - sizeof(wchar_t);
    if (HttpQueryInfoW(request.get(), HTTP_QUERY_CONTENT_TYPE, type, &size, nullptr)) {
        m_charset = CharsetOf(type);
        if (!m_charset.IsEmpty()) any = true;
    }
    return any;
}

bool CUrlInfo::GetLastModified(SYSTEMTIME& time) const {
    if (m_lastModified.wYear == 0) return false;
    time = m_lastModified;
    return true;
}

bool CUrlInfo::GetLastModifiedLocal(SYSTEMTIME& time) const {
    SYSTEMTIME local;
    if (!GetLastModified(local) || !UtcToLocalTime(m_lastModified, local)) return false;
    time = local;
    return true;
}

// ---------------------------------------------------------------------------------------
// Online state and times

int OnlineStateFrom(BOOL connected, DWORD flags) {
    if (connected) return 0;
    return (flags & (INTERNET_CONNECTION_OFFLINE | INTERNET_RAS_INSTALLED)) ? 1 : 2;
}

int IsOnline() {
    using InternetGetConnectedStateFn = BOOL(WINAPI*)(LPDWORD, DWORD);
    CBoundModule wininet(L"WinInet.DLL");
    auto connectedState = BindProc<InternetGetConnectedStateFn>(wininet.get(), "InternetGetConnectedState");
    if (!connectedState) return 2;
    CKeepLastError keep;
    DWORD flags = 0;
    BOOL connected = connectedState(&flags, 0);
    return OnlineStateFrom(connected, flags);
}

bool InternetTimeToSystemTime(const wchar_t* text, SYSTEMTIME& time) {
    using InternetTimeToSystemTimeWFn = BOOL(WINAPI*)(LPCWSTR, SYSTEMTIME*, DWORD);
    if (!text) return false;
    CBoundModule wininet(L"WinInet.DLL");
    auto convert = BindProc<InternetTimeToSystemTimeWFn>(wininet.get(), "InternetTimeToSystemTimeW");
    SYSTEMTIME converted = {};
    if (!convert || !convert(text, &converted, 0)) return false;
    time = converted;
    return true;
}

namespace {

// The text cut at blanks, commas and the hyphens of the RFC 850 date.
std::vector<CString> DateTokens(const CString& text) {
    std::vector<CString> tokens;
    CString token;
    for (int i = 0; i <= text.GetLength(); ++i) {
        wchar_t c = i < text.GetLength() ? text[i] : L' ';
        if (c == L' ' || c == L',' || c == L'\t') {
            if (!token.IsEmpty()) tokens.push_back(token);
            token.Empty();
        } else {
            token += c;
        }
    }
    return tokens;
}

bool ReadNumber(const CString& text, int minDigits, int maxDigits, int& value) {
    if (text.GetLength() < minDigits || text.GetLength() > maxDigits) return false;
    value = 0;
    for (int i = 0; i < text.GetLength(); ++i) {
        if (text[i] < L'0' || text[i] > L'9') return false;
        value = value * 10 + (text[i] - L'0');
    }
    return true;
}

bool IsWeekday(const CString& text) {
    static const wchar_t* const kDays[] = {L"Sun", L"Mon", L"Tue", L"Wed", L"Thu", L"Fri", L"Sat"};
    static const wchar_t* const kLong[] = {L"Sunday",   L"Monday", L"Tuesday", L"Wednesday",
                                           L"Thursday", L"Friday", L"Saturday"};
    for (int i = 0; i < 7; ++i)
        if (text.CompareNoCase(kDays[i]) == 0 || text.CompareNoCase(kLong[i]) == 0) return true;
    return false;
}

bool ReadClock(const CString& text, int& hour, int& minute, int& second) {
    int first = text.Find(L':');
    if (first < 0) return false;
    int last = text.Find(L':', first + 1);
    second = 0;
    if (!ReadNumber(text.Left(first), 1, 2, hour)) return false;
    if (last < 0) return ReadNumber(text.Mid(first + 1), 2, 2, minute);
    return ReadNumber(text.Mid(first + 1, last - first - 1), 2, 2, minute) &&
           ReadNumber(text.Mid(last + 1), 2, 2, second);
}

bool IsZone(const CString& text) {
    for (const wchar_t* name : {L"GMT", L"UT", L"UTC", L"Z"})
        if (text.CompareNoCase(name) == 0) return true;
    int offset = 0;
    return text.GetLength() == 5 && (text[0] == L'+' || text[0] == L'-') && ReadNumber(text.Mid(1), 4, 4, offset);
}

}  // namespace

bool ParseHttpDateStrict(const wchar_t* text, SYSTEMTIME& time) {
    if (!text) return false;
    CString whole(text);
    if (whole.GetLength() > 100) return false;
    std::vector<CString> tokens = DateTokens(whole);
    size_t at = 0;
    if (at < tokens.size() && IsWeekday(tokens[at])) ++at;
    int day = 0;
    int month = 0;
    int year = 0;
    int hour = 0;
    int minute = 0;
    int second = 0;
    if (at < tokens.size() && tokens[at].Find(L'-') > 0) {
        // RFC 850: "06-Nov-94" or "06-Nov-1994".
        CString date = tokens[at++];
        int first = date.Find(L'-');
        int last = date.Find(L'-', first + 1);
        if (last < 0 || !ReadNumber(date.Left(first), 1, 2, day)) return false;
        month = MonthFromAbbrev(date.Mid(first + 1, last - first - 1), 0);
        if (!ReadNumber(date.Mid(last + 1), 2, 4, year) || date.GetLength() - last - 1 == 3) return false;
        if (year < 100) year += year < 70 ? 2000 : 1900;
    } else if (at + 2 < tokens.size() && MonthFromAbbrev(tokens[at], 0) != 0) {
        // asctime: "Nov  6 08:49:37 1994".
        month = MonthFromAbbrev(tokens[at++], 0);
        if (!ReadNumber(tokens[at++], 1, 2, day)) return false;
        if (!ReadClock(tokens[at++], hour, minute, second)) return false;
        if (at >= tokens.size() || !ReadNumber(tokens[at++], 4, 4, year)) return false;
        return at == tokens.size() && MakeValidSystemTime(year, month, day, hour, minute, second, &time);
    } else {
        // RFC 1123 and RFC 822: "06 Nov 1994".
        if (at + 2 >= tokens.size() || !ReadNumber(tokens[at++], 1, 2, day)) return false;
        month = MonthFromAbbrev(tokens[at++], 0);
        if (!ReadNumber(tokens[at++], 4, 4, year)) return false;
    }
    if (at >= tokens.size() || !ReadClock(tokens[at++], hour, minute, second)) return false;
    if (at < tokens.size() && IsZone(tokens[at])) ++at;
    return at == tokens.size() && MakeValidSystemTime(year, month, day, hour, minute, second, &time);
}

bool ReadWebDate(const wchar_t* text, SYSTEMTIME& time, WebTimeReader reader) {
    if (!reader) reader = InternetTimeToSystemTime;
    SYSTEMTIME system = {};
    SYSTEMTIME strict = {};
    // The system's reader also "reads" any text as the current time.
    if (!text || !reader(text, system) || !ParseHttpDateStrict(text, strict)) return false;
    time = strict;
    return true;
}

bool SystemTimeToLocal(SYSTEMTIME& time) {
    SYSTEMTIME local;
    if (SystemTimeToTzSpecificLocalTime(nullptr, &time, &local)) {
        time = local;
        return true;
    }
    if (!UtcToLocalTime(time, local)) return false;
    time = local;
    return true;
}
