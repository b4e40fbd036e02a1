#include "core/base/XmlChecks.h"

#include <climits>
#include <cstring>

bool XmlNestingWithin(const char* p, int limit) {
    int depth = 0;
    while (*p) {
        if (*p != '<') {
            ++p;
            continue;
        }
        if (strncmp(p, "<!--", 4) == 0) {
            const char* end = strstr(p + 4, "-->");
            if (!end) return true;
            p = end + 3;
        } else if (strncmp(p, "<![CDATA[", 9) == 0) {
            const char* end = strstr(p + 9, "]]>");
            if (!end) return true;
            p = end + 3;
        } else if (p[1] == '?' || p[1] == '!') {
            const char* end = strchr(p, '>');
            if (!end) return true;
            p = end + 1;
        } else if (p[1] == '/') {
            if (depth > 0) --depth;
            const char* end = strchr(p, '>');
            if (!end) return true;
            p = end + 1;
        } else {
            char quote = 0;
            const char* q = p + 1;
            for (; *q && (quote || *q != '>'); ++q) {
                if (quote) {
                    if (*q == quote) quote = 0;
                } else if (*q == '"' || *q == '\'') {
                    quote = *q;
                }
            }
            if (!*q) return true;
            if (q[-1] != '/' && ++depth > limit) return false;
            p = q + 1;
        }
    }
    return true;
}

bool IsValidUtf8(const char* text, DWORD length) {
    if (length == 0) return true;
    if (length > static_cast<DWORD>(INT_MAX)) return false;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text, static_cast<int>(length), nullptr, 0) > 0;
}

std::mutex& XmlParseSettingsLock() {
    static std::mutex* lock = new std::mutex;  // never destroyed: save workers may outlive main
    return *lock;
}
