// Reads the shared log file back for the tests: UTF-16LE after a byte-order mark,
// one entry per CR LF.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/base/Handles.h"

struct LogFileContent {
    bool hasByteOrderMark = false;
    std::vector<std::wstring> entries;

    bool Contains(const std::wstring& entry) const {
        for (const std::wstring& e : entries)
            if (e == entry) return true;
        return false;
    }
    size_t Count(const std::wstring& entry) const {
        size_t count = 0;
        for (const std::wstring& e : entries) count += e == entry ? 1 : 0;
        return count;
    }
    std::wstring Joined() const {
        std::wstring all;
        for (const std::wstring& e : entries) all += e + L"\n";
        return all;
    }
};

// Information lines "<tag>: [MM/DD/YY HH:MM:SS] <text>" become "<tag>: <text>", so
// that tests compare them without the time; error lines stay as they are.
inline std::wstring WithoutStamp(const std::wstring& entry) {
    const size_t open = entry.find(L": [");
    if (open == std::wstring::npos || entry.compare(0, 7, L"ERROR: ") == 0) return entry;
    const size_t close = entry.find(L"] ", open);
    const size_t stampLength = 17;  // "MM/DD/YY HH:MM:SS"
    if (close != open + 3 + stampLength) return entry;
    return entry.substr(0, open + 2) + entry.substr(close + 2);
}

inline LogFileContent ReadLogFile(const std::wstring& path) {
    LogFileContent content;
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 0, nullptr));
    if (!file) return content;
    std::string bytes(GetFileSize(file.get(), nullptr), '\0');
    DWORD read = 0;
    if (!bytes.empty()) ReadFile(file.get(), &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    bytes.resize(read);
    content.hasByteOrderMark = bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE';
    if (!content.hasByteOrderMark) return content;
    const std::wstring text(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / 2);
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        content.entries.push_back(WithoutStamp(text.substr(start, end - start)));
    if (start < text.size()) content.entries.push_back(text.substr(start) + L"<no line break>");
    return content;
}
