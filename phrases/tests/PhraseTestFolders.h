// A phrases folder of its own for each test, under the temporary folder and removed
// with everything in it, and small file helpers for phrase files.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/base/CString.h"
#include "testkit/TempFolder.h"

class CTempPhraseFolder {
public:
    explicit CTempPhraseFolder(const wchar_t* nameHint = L"vxl_phrases")
        : root(testkit::MakeUniqueTempFolder(nameHint)) {}
    ~CTempPhraseFolder() { testkit::RemoveTree(root); }
    CTempPhraseFolder(const CTempPhraseFolder&) = delete;
    CTempPhraseFolder& operator=(const CTempPhraseFolder&) = delete;

    // root + "\" + relative path
    CString Path(const wchar_t* relative) const { return root + L"\\" + relative; }
    CString MakeFolder(const wchar_t* relative) const {
        CString path = Path(relative);
        CreateDirectoryW(path, nullptr);
        return path;
    }

    CString root;  // no trailing "\"

    static void RemoveTree(const CString& folder) { testkit::RemoveTree(folder); }
};

inline bool WriteBytes(const wchar_t* path, const std::string& bytes) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok =
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    CloseHandle(file);
    return ok;
}

inline std::string ReadBytes(const wchar_t* path) {
    return testkit::ReadFileBytes(path);
}

inline bool PathExists(const wchar_t* path) {
    return GetFileAttributesW(path) != INVALID_FILE_ATTRIBUTES;
}

// The names (not paths) of the entries of a folder that match the pattern.
inline std::vector<std::wstring> ListNames(const CString& folder, const wchar_t* pattern = L"*") {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW(folder + L"\\" + pattern, &data);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return names;
}

// A phrase file as a hand-made one would look: the root with the given attributes
// (already written as name="value" pairs) and the given child elements.
inline std::string PhraseXml(const std::string& attributes, const std::string& children) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"yes\" ?>\n<VXLCommand " + attributes + ">" +
           children + "</VXLCommand>\n";
}

// CString compared through std::wstring, which GoogleTest prints readably.
inline std::wstring W(const CString& text) {
    return std::wstring(text.GetString(), text.GetLength());
}
