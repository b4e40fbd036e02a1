// Temporary folders and files for tests: folders unique under the system's temporary
// folder and removed with everything in them (read-only files too), and raw file reads
// and writes.
#pragma once

#include <windows.h>

#include <cwchar>
#include <string>

#include "core/base/CString.h"

namespace testkit {

inline void RemoveTree(const CString& folder) {
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(folder + L"\\*", &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            CString name(data.cFileName);
            if (name == L"." || name == L"..") continue;
            CString path = folder + L"\\" + name;
            SetFileAttributesW(path, FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
                RemoveTree(path);
            } else {
                DeleteFileW(path);
            }
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(folder);
}

// "<temp>\<hint>_<process>_<tick>_<n>", created; no trailing "\".
inline CString MakeUniqueTempFolder(const wchar_t* hint) {
    static volatile LONG counter = 0;
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    CString folder;
    folder.Format(L"%s%s_%lu_%lu_%ld", temp, hint, GetCurrentProcessId(), GetTickCount(),
                  InterlockedIncrement(&counter));
    CreateDirectoryW(folder, nullptr);
    return folder;
}

// The raw bytes of a file, read while others may write it; empty when it cannot be read.
inline std::string ReadFileBytes(const wchar_t* path) {
    std::string bytes;
    // A test that reads a running program's files must never keep it from deleting them.
    HANDLE file = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    char buffer[4096];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof buffer, &read, nullptr) && read > 0) bytes.append(buffer, read);
    CloseHandle(file);
    return bytes;
}

// The bytes of a UTF-16LE text as a file holds them, without byte-order mark.
inline std::string Utf16Bytes(const wchar_t* text) {
    return std::string(reinterpret_cast<const char*>(text), wcslen(text) * sizeof(wchar_t));
}

// Replaces the file with exactly these bytes; false when it cannot be written whole.
inline bool WriteFileBytes(const wchar_t* path, const std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return ok && written == bytes.size();
}

}  // namespace testkit
