// A program folder and a user profile of their own for each settings test, under the
// temporary folder, so that tests never see the real Settings.ini, the other Wine road
// or another test running beside them. The keyboard facts default to what Wine gives
// (one US layout, no default input language) unless a test sets them.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/SettingsFile.h"
#include "core/base/AppPaths.h"
#include "core/base/CString.h"
#include "core/base/IniFile.h"
#include "core/base/InputLanguage.h"
#include "testkit/TempFolder.h"
#include "testkit/fakes/FakeInputLanguage.h"

class CTempSettingsFolders {
public:
    // nameHint goes into the folder name, so a test can put characters outside the
    // code page into every path.
    explicit CTempSettingsFolders(const wchar_t* nameHint = L"vxl_settings") {
        root = testkit::MakeUniqueTempFolder(nameHint);
        programFolder = root + L"\\program\\";
        profileFolder = root + L"\\profile";
        CreateDirectoryW(programFolder, nullptr);
        CreateDirectoryW(profileFolder, nullptr);
        SetProgramFolderForTest(programFolder);
        SetProfileFolderForTest(profileFolder);
        SetDriveRemovableForTest(0);
        SetInputLanguageInfoForTest(&input);
    }

    ~CTempSettingsFolders() {
        SetInputLanguageInfoForTest(nullptr);
        SetDriveRemovableForTest(-1);
        SetProfileFolderForTest(L"");
        SetProgramFolderForTest(L"");
        IniFlushCache();
        testkit::RemoveTree(root);
    }

    CTempSettingsFolders(const CTempSettingsFolders&) = delete;
    CTempSettingsFolders& operator=(const CTempSettingsFolders&) = delete;

    CString ProgramFile() const { return programFolder + L"Settings.ini"; }
    CString DataFolder() const { return profileFolder + L"\\Vexlora"; }
    CString ProfileFile() const { return DataFolder() + L"\\Settings.ini"; }

    CString root;
    CString programFolder;  // ends in "\"
    CString profileFolder;  // stands in for the user's profile, no trailing "\"
    CFakeInputLanguageInfo input;

private:
};

// Writes the text as UTF-16LE with the byte-order mark, as the programs create the file.
inline bool WriteUtf16File(const wchar_t* path, const wchar_t* text) {
    HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    std::wstring content = L"\xFEFF";
    content += text;
    DWORD bytes = static_cast<DWORD>(content.size() * sizeof(wchar_t));
    DWORD written = 0;
    bool ok = WriteFile(file, content.data(), bytes, &written, nullptr) && written == bytes;
    CloseHandle(file);
    return ok;
}

// The raw bytes of a file; empty when it cannot be read.
inline std::string ReadFileBytes(const wchar_t* path) {
    return testkit::ReadFileBytes(path);
}

// The text of a UTF-16LE file after its byte-order mark; empty when the mark is missing.
inline std::wstring ReadUtf16File(const wchar_t* path) {
    std::string bytes = ReadFileBytes(path);
    if (bytes.size() < 2 || static_cast<unsigned char>(bytes[0]) != 0xFF ||
        static_cast<unsigned char>(bytes[1]) != 0xFE)
        return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (bytes.size() - 2) / sizeof(wchar_t));
}

// CString compared through std::wstring, which GoogleTest prints readably.
inline std::wstring W(const CString& text) {
    return std::wstring(text.GetString(), text.GetLength());
}
