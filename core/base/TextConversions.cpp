// Conversions between 8-bit code pages and UTF-16. No flags and no default character
// are passed, so malformed input comes out the way the system repairs it rather than
// as a failure. Each result is converted straight into the returned string once its
// length is known, so no buffer in between is needed.
#include <climits>
#include <cstring>
#include <cwchar>
#include <new>

#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"

namespace {

std::wstring ToWide(const char* text, UINT codePage) {
    if (!text || !*text) return std::wstring();
    size_t sourceLength = strlen(text);
    if (sourceLength > INT_MAX) return std::wstring();
    int source = static_cast<int>(sourceLength);
    int length = MultiByteToWideChar(codePage, 0, text, source, nullptr, 0);
    if (length <= 0) return std::wstring();
    try {
        std::wstring result(static_cast<size_t>(length), L'\0');
        if (MultiByteToWideChar(codePage, 0, text, source, &result[0], length) != length) return std::wstring();
        return result;
    } catch (const std::bad_alloc&) {
        return std::wstring();
    }
}

std::string ToMultiByte(const wchar_t* text, UINT codePage) {
    if (!text || !*text) return std::string();
    size_t sourceLength = wcslen(text);
    if (sourceLength > INT_MAX) return std::string();
    int source = static_cast<int>(sourceLength);
    int length = WideCharToMultiByte(codePage, 0, text, source, nullptr, 0, nullptr, nullptr);
    if (length <= 0) return std::string();
    try {
        std::string result(static_cast<size_t>(length), '\0');
        if (WideCharToMultiByte(codePage, 0, text, source, &result[0], length, nullptr, nullptr) != length)
            return std::string();
        return result;
    } catch (const std::bad_alloc&) {
        return std::string();
    }
}

}  // namespace

std::wstring AnsiToWide(const char* text) {
    return ToWide(text, CP_ACP);
}
std::wstring Utf8ToWide(const char* text) {
    return ToWide(text, CP_UTF8);
}
std::wstring MultiByteToWideCP(const char* text, UINT codePage) {
    return ToWide(text, codePage);
}
std::string WideToThreadAcp(const wchar_t* text) {
    return ToMultiByte(text, CP_THREAD_ACP);
}
std::string WideToUtf8(const wchar_t* text) {
    return ToMultiByte(text, CP_UTF8);
}
