#include "core/WebOpen.h"

#include "core/AppSlots.h"
#include "core/ShellServices.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"

namespace {

bool StartsWithNoCase(const CString& text, const wchar_t* start) {
    int length = static_cast<int>(wcslen(start));
    return text.GetLength() >= length && text.Left(length).CompareNoCase(start) == 0;
}

struct WebSearchService {
    int id;
    const wchar_t* prefix;
};
const WebSearchService kWebSearchServices[] = {
    {5, L"http://www.google.com/search?q="},
    {6, L"http://yandex.com/search/?text="},
    {7, L"http://social.msdn.microsoft.com/Search/en-US?query="},
    {8, L"https://en.wikipedia.org/w/index.php?search="},
};

}  // namespace

namespace CAppObjects {

CString NormalizeUrlText(const wchar_t* text, bool chooseProgram) {
    CString url(text);
    if (!chooseProgram) url.Trim(L' ');
    for (const wchar_t* run : {L"\r\n", L"\r", L"\n", L"\t", L"   ", L"  "}) url.Replace(run, L" ");
    for (const wchar_t* scheme : {L"http://", L"https://", L"ftp://", L"mailto:", L"file:///", L"file://"})
        if (StartsWithNoCase(url, scheme)) return url;
    return L"http://" + url;
}

bool OpenUrl(HWND owner, const wchar_t* text, bool chooseProgram) {
    CString url = NormalizeUrlText(text, chooseProgram);
    if (chooseProgram) return OpenWithDialog(owner, url);
    return reinterpret_cast<UINT_PTR>(ShellRun(owner, L"open", url, nullptr, nullptr, SW_SHOW)) > 32;
}

CString UrlEncodeQuery(const wchar_t* text) {
    std::string utf8 = WideToUtf8(text);
    CString encoded;
    for (unsigned char byte : utf8) {
        bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                          (byte >= '0' && byte <= '9') || byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (unreserved)
            encoded += static_cast<wchar_t>(byte);
        else
            encoded.AppendFormat(L"%%%02X", static_cast<unsigned>(byte));
    }
    return encoded;
}

CString BuildWebSearchUrl(const wchar_t* query, int serviceId) {
    for (const WebSearchService& service : kWebSearchServices) {
        if (service.id != serviceId) continue;
        CString flat(query);
        for (const wchar_t* lineBreak : {L"\r\n", L"\n", L"\r"}) flat.Replace(lineBreak, L" ");
        // Encoded, so that "&", "#", "?" or "+" in the text are searched for, not read as
        // parts of the address.
        return CString(service.prefix) + UrlEncodeQuery(flat);
    }
    return CString();
}

bool WebSearch(const wchar_t* query, int serviceId) {
    CString url = BuildWebSearchUrl(query, serviceId);
    if (url.IsEmpty()) return false;
    return RunCommandWithErrorBox(url, true, GetMainWnd(), false);
}

bool OpenWith(HWND owner, const wchar_t* path) {
    return OpenWithDialog(owner, path);
}

}  // namespace CAppObjects
