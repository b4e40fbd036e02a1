// The language tests' fixture: a temporary program folder and profile (from
// SettingsTestFolders.h), no UI language and no remembered profile files at start and end.
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "core/LanguageFiles.h"
#include "core/SettingsFile.h"
#include "core/UiStrings.h"
#include "core/base/IniFile.h"
#include "core/tests/SettingsTestFolders.h"

class LangTest : public ::testing::Test {
protected:
    void SetUp() override { ResetUILanguageForTest(); }
    void TearDown() override {
        ResetUILanguageForTest();
        IniFlushCache();
    }

    // A file of the program folder.
    CString Path(const wchar_t* name) const { return folders.programFolder + name; }
    // Writes a language file (UTF-16LE with the byte-order mark) into the program folder.
    CString WriteLng(const wchar_t* name, const wchar_t* content) const {
        CString path = Path(name);
        EXPECT_TRUE(WriteUtf16File(path, content));
        return path;
    }
    static std::wstring Read(const wchar_t* file, const wchar_t* section, const wchar_t* key) {
        wchar_t buffer[4096] = {};
        GetPrivateProfileStringW(section, key, L"<missing>", buffer, 4096, file);
        return buffer;
    }
    static bool Has(const wchar_t* file, const wchar_t* section, const wchar_t* key) {
        return IniKeyExists(file, section, key);
    }

    CTempSettingsFolders folders{L"vxl_lang"};
};
