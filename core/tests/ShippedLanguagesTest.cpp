// The language files that the build copies into the program folder: complete for every
// UI string of the main program's table and every command-line key, and readable by
// the code that reads them.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/LanguageFiles.h"
#include "core/SettingsFile.h"
#include "core/UiStrings.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

// The ids of the main program's string table: the test's own strings start at 60000.
const UINT kTestStringsFrom = 60000;

BOOL CALLBACK CollectBlock(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR blocks) {
    if (IS_INTRESOURCE(name))
        reinterpret_cast<std::vector<UINT>*>(blocks)->push_back(static_cast<UINT>(reinterpret_cast<ULONG_PTR>(name)));
    return TRUE;
}

std::set<UINT> MainStringIds() {
    std::vector<UINT> blocks;
    HMODULE module = GetModuleHandleW(nullptr);
    EnumResourceNamesW(module, MAKEINTRESOURCEW(6) /* RT_STRING */, CollectBlock, reinterpret_cast<LONG_PTR>(&blocks));
    std::set<UINT> ids;
    for (UINT block : blocks) {
        for (UINT id = (block - 1) * 16; id < block * 16; ++id) {
            const wchar_t* text = nullptr;
            if (id < kTestStringsFrom && LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0) > 0)
                ids.insert(id);
        }
    }
    return ids;
}

CString ProgramFolderFile(const wchar_t* name) {
    wchar_t folder[MAX_PATH] = {};
    if (!GetEnvironmentVariableW(L"VXL_PROGRAM_DIR", folder, MAX_PATH)) return CString();
    return WithTrailingBackslash(folder) + name;
}

std::wstring Read(const wchar_t* file, const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[4096] = {};
    GetPrivateProfileStringW(section, key, L"", buffer, 4096, file);
    return buffer;
}

// The keys of a section in file order.
std::vector<std::wstring> Keys(const wchar_t* file, const wchar_t* section) {
    std::vector<wchar_t> buffer(65536);
    DWORD length = GetPrivateProfileSectionW(section, buffer.data(), static_cast<DWORD>(buffer.size()), file);
    std::vector<std::wstring> keys;
    for (const wchar_t* entry = buffer.data(); entry < buffer.data() + length && *entry; entry += wcslen(entry) + 1) {
        std::wstring line(entry);
        keys.push_back(line.substr(0, line.find(L'=')));
    }
    return keys;
}

int Count(const std::wstring& text, const wchar_t* part) {
    int count = 0;
    for (size_t at = text.find(part); at != std::wstring::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

}  // namespace

TEST(ShippedLanguages, MainStringTableIsLinked) {
    std::set<UINT> ids = MainStringIds();
    EXPECT_GT(ids.size(), 100u);
    EXPECT_EQ(1u, ids.count(IDS_COMMAND_LINE_KEYS));
    EXPECT_EQ(1u, ids.count(IDS_PRESS_CTRL_C));
}

TEST(ShippedLanguages, GermanIsCompleteForTheMainProgram) {
    const CString german = ProgramFolderFile(L"German.lng");
    ASSERT_FALSE(german.IsEmpty()) << "VXL_PROGRAM_DIR is not set";
    ASSERT_TRUE(FileExists(german)) << W(german);
    std::string bytes = ReadFileBytes(german);
    ASSERT_GE(bytes.size(), 2u);
    EXPECT_EQ("\xFF\xFE", bytes.substr(0, 2));

    CLngFileInfo info;
    ASSERT_TRUE(ReadLngFileInfo(german, info));
    EXPECT_EQ(L"De", W(info.prefix));
    EXPECT_EQ(L"Deutsch", W(info.localizedName));
    EXPECT_FALSE(info.author.IsEmpty());
    EXPECT_FALSE(IsLngFileRuPrefix(german));

    const HMODULE module = GetModuleHandleW(nullptr);
    const std::set<UINT> ids = MainStringIds();
    for (UINT id : ids) {
        const std::wstring key = std::to_wstring(id);
        const std::wstring translated = Read(german, L"Strings_Client", key.c_str());
        EXPECT_FALSE(translated.empty()) << "German.lng lacks string " << id;
        const wchar_t* english = nullptr;
        int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&english), 0);
        CString escaped(english, length);
        EscapeLngText(escaped);
        // Same lines and the same format fields as the English text.
        EXPECT_EQ(Count(W(escaped), L"\\n"), Count(translated, L"\\n")) << "string " << id;
        EXPECT_EQ(Count(W(escaped), L"%"), Count(translated, L"%")) << "string " << id;
    }
    // No key without an English string behind it.
    for (const std::wstring& key : Keys(german, L"Strings_Client"))
        EXPECT_EQ(1u, ids.count(static_cast<UINT>(std::stoul(key)))) << "German.lng has a stale string " << key;

    for (const wchar_t* key :
         {L"exit", L"autoload", L"ua", L"noinstall", L"?", L"edit", L"asadmin", L"showmenu", L"cfu"})
        EXPECT_FALSE(Read(german, L"CommandLineKeys", GetCmdLineKeyName(key)).empty())
            << "German.lng lacks key " << key;
    EXPECT_EQ(9u, Keys(german, L"CommandLineKeys").size());
}

TEST(ShippedLanguages, GermanTextsReachTheUserInterface) {
    CTempSettingsFolders folders(L"vxl_lang_shipped");
    const CString shipped = ProgramFolderFile(L"German.lng");
    const CString german = folders.programFolder + L"German.lng";
    ASSERT_TRUE(CopyFileW(shipped, german, FALSE));
    ResetUILanguageForTest();
    SetUILanguage(german, L"_Client");
    EXPECT_EQ(L"Befehlszeilenparameter", W(LoadUiString(IDS_COMMAND_LINE_KEYS)));
    EXPECT_GT(LoadUiString(IDS_CMD_RUN_AS_ADMIN).Find(L"\nAls Administrator ausf\u00fchren"), 0);
    EXPECT_EQ(L"nach Updates suchen", W(GetCmdLineKeyHelp(L"cfu", L"check for updates")));
    EXPECT_EQ(L"\u201eMit Windows starten\u201c beim ersten Start nicht einschalten",
              W(GetCmdLineKeyHelp(L"ua", L"no set \"Start with Windows\" on first running")));
    CLangStr more;
    ASSERT_TRUE(more.Load(IDS_AND_MORE));
    more.Format(CString(more), 4);
    EXPECT_EQ(L"und 4 weitere", W(more));
    ResetUILanguageForTest();
}
