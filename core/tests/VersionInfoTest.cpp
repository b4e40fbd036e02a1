#include <gtest/gtest.h>
#include <tinyxml.h>

#include "core/VersionInfo.h"
#include "core/base/InputLanguage.h"
#include "core/tests/SettingsTestFolders.h"

namespace {

// Probe DLLs are built beside the test executable.
CString TestBinaryPath(const wchar_t* fileName) {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    CString folder(path);
    return folder.Left(folder.ReverseFind(L'\\') + 1) + fileName;
}

// The harness names the program folder; the product programs live there.
CString ProgramFolderPath(const wchar_t* fileName) {
    wchar_t folder[MAX_PATH + 1] = {};
    DWORD length = GetEnvironmentVariableW(L"VXL_PROGRAM_DIR", folder, MAX_PATH);
    if (length == 0 || length > MAX_PATH) return CString();
    return CString(folder) + L"\\" + fileName;
}

// Loaded for its resources only; freed at the end of the scope.
class CDataModule {
public:
    explicit CDataModule(const CString& path) : m_module(LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~CDataModule() {
        if (m_module) FreeLibrary(m_module);
    }
    CDataModule(const CDataModule&) = delete;
    CDataModule& operator=(const CDataModule&) = delete;
    HMODULE get() const { return m_module; }

private:
    HMODULE m_module;
};

class CTempFilePath {
public:
    explicit CTempFilePath(const wchar_t* name) {
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        m_path.Format(L"%s%s_%lu", temp, name, GetCurrentProcessId());
        DeleteFileW(m_path);
    }
    ~CTempFilePath() { DeleteFileW(m_path); }
    const CString& get() const { return m_path; }
    bool Write(const char* bytes) const {
        HANDLE file = CreateFileW(m_path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return false;
        DWORD size = static_cast<DWORD>(strlen(bytes));
        DWORD written = 0;
        bool ok = WriteFile(file, bytes, size, &written, nullptr) && written == size;
        CloseHandle(file);
        return ok;
    }

private:
    CString m_path;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Version resource

TEST(FileVersionInfo, ReadsEveryTextOfTheTranslationsBlock) {
    CFileVersionInfo info(TestBinaryPath(L"vxl_version_probe.dll"));
    ASSERT_TRUE(info.Read()) << info.GetPath().GetString();

    // The strings come from the German/1252 block the translation names, not the
    // English block that comes first.
    EXPECT_EQ(0x04E40407u, info.GetTranslation());
    struct {
        int index;
        const wchar_t* text;
    } cases[] = {
        {0, L""},
        {1, L""},
        {CFileVersionInfo::kCompanyName, L"Probe Company"},
        {CFileVersionInfo::kLegalCopyright, L"\u00A9 Probe Makers"},
        {CFileVersionInfo::kFileDescription, L"Version probe"},
        {CFileVersionInfo::kFileVersion, L"1, 2, 3, 4 (probe)"},
        {CFileVersionInfo::kFileVersionMajor, L"1"},
        {CFileVersionInfo::kFileVersionMinor, L"2"},
        {CFileVersionInfo::kInternalName, L"probe_internal"},
        {CFileVersionInfo::kOriginalFileName, L"vxl_version_probe.dll"},
        {CFileVersionInfo::kProductName, L"Probe Product"},
        {CFileVersionInfo::kProductVersion, L"1, 2, 3, 4"},
        {CFileVersionInfo::kFixedFileVersion, L"1.2.3.4"},
        {CFileVersionInfo::kOperatingSystem, L"Win32 API on Windows NT"},
        {CFileVersionInfo::kFileType, L"Sound driver"},
        {15, L""},
        {16, L""},
        {CFileVersionInfo::kSpecialBuild, L"special build"},
        {18, L""},
    };
    for (const auto& c : cases) EXPECT_STREQ(c.text, info.GetText(c.index).GetString()) << "index " << c.index;

    EXPECT_STREQ(L"1.2.3.4", info.GetProductVersion().GetString());
    EXPECT_STREQ(L"1.2.3", info.GetProductVersionHead().GetString());
    EXPECT_STREQ(L"4", info.GetProductVersionTail().GetString());
    EXPECT_STREQ(L"Version probe", info.GetFileDescription().GetString());

    const VS_FIXEDFILEINFO& fixed = info.GetFixedInfo();
    EXPECT_EQ(VS_FFI_SIGNATURE, fixed.dwSignature);
    EXPECT_EQ(0x00050006u, fixed.dwProductVersionMS);
    EXPECT_EQ(0x00070008u, fixed.dwProductVersionLS);
}

TEST(FileVersionInfo, ModuleHandleNamesItsFile) {
    HMODULE probe = LoadLibraryW(TestBinaryPath(L"vxl_version_probe.dll"));
    ASSERT_NE(nullptr, probe);
    CFileVersionInfo info(probe);
    EXPECT_EQ(0, info.GetPath().CompareNoCase(TestBinaryPath(L"vxl_version_probe.dll"))) << info.GetPath().GetString();
    EXPECT_TRUE(info.Read());
    EXPECT_STREQ(L"Probe Product", info.GetText(CFileVersionInfo::kProductName).GetString());
    FreeLibrary(probe);

    CFileVersionInfo self(static_cast<HMODULE>(nullptr));
    EXPECT_EQ(0, self.GetPath().CompareNoCase(TestBinaryPath(L"core_info_tests.exe"))) << self.GetPath().GetString();
}

TEST(FileVersionInfo, ModuleWithoutVersionResourceGivesFalseAndEmptyTexts) {
    for (const CString& path : {TestBinaryPath(L"vxl_neutral_probe.dll"), TestBinaryPath(L"no_such_module.dll")}) {
        CFileVersionInfo info(path);
        EXPECT_FALSE(info.Read()) << path.GetString();
        for (int index = 1; index <= 17; ++index) EXPECT_TRUE(info.GetText(index).IsEmpty()) << index;
        EXPECT_TRUE(info.GetProductVersion().IsEmpty());
        EXPECT_TRUE(info.GetProductVersionHead().IsEmpty());
        EXPECT_TRUE(info.GetProductVersionTail().IsEmpty());
        EXPECT_EQ(0u, info.GetTranslation());
        EXPECT_EQ(0u, info.GetFixedInfo().dwSignature);
    }
}

TEST(FileVersionInfo, ProgramCarriesTheProjectVersionInEnglish) {
    CString program = ProgramFolderPath(L"Vexlora.exe");
    ASSERT_FALSE(program.IsEmpty()) << "VXL_PROGRAM_DIR is not set";
    CFileVersionInfo info(program);
    ASSERT_TRUE(info.Read()) << program.GetString();
    EXPECT_STREQ(VXL_TEST_PROJECT_VERSION4, info.GetProductVersion().GetString());
    EXPECT_STREQ(VXL_TEST_PROJECT_VERSION4, info.GetText(CFileVersionInfo::kFixedFileVersion).GetString());
    EXPECT_STREQ(L"Vexlora", info.GetFileDescription().GetString());
    EXPECT_STREQ(L"Vexlora", info.GetText(CFileVersionInfo::kProductName).GetString());
    EXPECT_STREQ(L"Vexlora.exe", info.GetText(CFileVersionInfo::kOriginalFileName).GetString());
    EXPECT_STREQ(L"Halvered", info.GetText(CFileVersionInfo::kCompanyName).GetString());
    EXPECT_STREQ(L"Copyright \u00A9 Halvered", info.GetText(CFileVersionInfo::kLegalCopyright).GetString());
    EXPECT_STREQ(L"Application", info.GetText(CFileVersionInfo::kFileType).GetString());
    EXPECT_EQ(MAKELONG(0x0409, 1200), static_cast<LONG>(info.GetTranslation()));

    // The LANGUAGE statement of its version block (and of its string table) is US English.
    CDataModule module(program);
    ASSERT_NE(nullptr, module.get());
    CString english;
    EXPECT_EQ(0x0409, GetResourceLanguage(module.get(), &english, nullptr));
    EXPECT_STREQ(L"English", english.Left(7).GetString());
}

TEST(FileVersionInfo, TypeAndOperatingSystemTexts) {
    struct {
        DWORD type, subtype;
        const wchar_t* text;
    } types[] = {
        {VFT_UNKNOWN, 5, L"Unknown type"},
        {VFT_APP, 0, L"Application"},
        {VFT_DLL, 7, L"Dynamic link library"},
        {VFT_DRV, 0, L"Unknown driver"},
        {VFT_DRV, 5, L"Mouse driver"},
        {VFT_DRV, 9, L"Sound driver"},
        {VFT_DRV, 10, L""},
        {VFT_FONT, 3, L"Truetype font"},
        {VFT_FONT, 4, L""},
        {VFT_VXD, 1, L"Virtual device"},
        {6, 0, L""},
        {VFT_STATIC_LIB, 0, L"Static link library"},
        {8, 0, L""},
    };
    for (const auto& c : types) {
        EXPECT_STREQ(c.text, GetFileTypeText(c.type, c.subtype).GetString()) << c.type << "/" << c.subtype;
    }
    struct {
        DWORD os;
        const wchar_t* text;
    } systems[] = {
        {0, L"Unknown OS"},
        {0x10000, L"MS-DOS"},
        {0x10001, L"16-bit windows running on MS-DOS"},
        {0x10004, L"Win32 API running on MS-DOS"},
        {0x20000, L"16-bit OS/2"},
        {0x20002, L"16-bit Presentation manager running on 16-bit OS/2"},
        {0x30000, L"32-bit OS/2"},
        {0x40000, L"Windows NT"},
        {0x40004, L"Win32 API on Windows NT"},
        {0x40001, L""},
        {0x30003, L""},
    };
    for (const auto& c : systems) EXPECT_STREQ(c.text, GetFileOsText(c.os).GetString()) << std::hex << c.os;
}

// ---------------------------------------------------------------------------------------
// Languages and layouts

TEST(ResourceLanguage, FirstNonNeutralOfStringsThenDialogsThenVersion) {
    // The probe's string table is neutral, so its German dialog decides.
    CDataModule probe(TestBinaryPath(L"vxl_version_probe.dll"));
    ASSERT_NE(nullptr, probe.get());
    CString english;
    EXPECT_EQ(MAKELANGID(LANG_GERMAN, SUBLANG_GERMAN), GetResourceLanguage(probe.get(), &english, nullptr));
    EXPECT_STREQ(L"German", english.Left(6).GetString());

    CDataModule neutral(TestBinaryPath(L"vxl_neutral_probe.dll"));
    ASSERT_NE(nullptr, neutral.get());
    CString neutralEnglish, neutralLocal;
    EXPECT_EQ(0, GetResourceLanguage(neutral.get(), &neutralEnglish, &neutralLocal));
    EXPECT_STREQ(L"Neutral", neutralEnglish.GetString());
    EXPECT_STREQ(L"Neutral", neutralLocal.GetString());
}

TEST(KeyboardLayoutByAbbrev, MatchesTheAbbreviationCutToTheTextsLength) {
    // Wine has a single US layout; the seam stands in for a machine with four.
    CFakeInputLanguageInfo input;
    input.layouts = {CFakeInputLanguageInfo::Layout(0x0409), CFakeInputLanguageInfo::Layout(0x0407),
                     CFakeInputLanguageInfo::Layout(0x0809), CFakeInputLanguageInfo::Layout(0x0419)};
    SetInputLanguageInfoForTest(&input);
    struct {
        const wchar_t* text;
        LANGID expected;
    } cases[] = {
        {L"EN", 0x0409},  // "ENU" and "ENG" both begin so: the first layout wins
        {L"eng", 0x0809}, {L"ENU", 0x0409}, {L"de", 0x0407},
        {L"RUS", 0x0419}, {L"RUSX", 0},  // a text longer than the name is not cut
        {L"FR", 0},       {L"", 0},         {nullptr, 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.expected, FindKeyboardLayoutByLangAbbrev(c.text)) << (c.text ? c.text : L"(null)");
    }
    input.layouts.clear();
    EXPECT_EQ(0, FindKeyboardLayoutByLangAbbrev(L"EN"));
    SetInputLanguageInfoForTest(nullptr);
}

// ---------------------------------------------------------------------------------------
// Version numbers of the update check

TEST(VersionArray, AssignReplacesTheTargetAndSelfAssignKeepsIt) {
    CVersionArray target = {7, 8};
    const CVersionArray source = {3, 1, 4, -1};
    EXPECT_EQ(&target, &VersionArray_Assign(target, source));
    EXPECT_EQ(source, target);

    CVersionArray self = {2, 60, 1};
    VersionArray_Assign(self, self);
    EXPECT_EQ((CVersionArray{2, 60, 1}), self);
}

TEST(VersionInfoFile, UnreadableFileNeverReachesTheReader) {
    CTempFilePath missing(L"vxl_vi_missing.xml");
    CTempFilePath empty(L"vxl_vi_empty.xml");
    ASSERT_TRUE(empty.Write(""));
    // Nested deeper than any version file: the parser would run out of stack.
    CTempFilePath deep(L"vxl_vi_deep.xml");
    std::string nested;
    for (int i = 0; i < 100000; ++i) nested += "<a>";
    ASSERT_TRUE(deep.Write(nested.c_str()));
    for (const CTempFilePath* file : {&missing, &empty, &deep}) {
        int calls = 0;
        EXPECT_EQ(2, LoadVersionInfoFile(file->get(), [&](TiXmlDocument&) { return ++calls, 0; }));
        EXPECT_EQ(0, calls) << file->get().GetString();
    }
}

TEST(VersionInfoFile, ReaderGetsTheParsedDocumentAndDecidesTheResult) {
    CTempFilePath file(L"vxl_vi.xml");
    ASSERT_TRUE(
        file.Write("\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                   "<VexloraVersionInfo><Version>2.61.0</Version></VexloraVersionInfo>"));
    std::string root, version;
    int result = LoadVersionInfoFile(file.get(), [&](TiXmlDocument& document) {
        TiXmlElement* element = document.RootElement();
        if (!element) return 2;
        root = element->Value();
        TiXmlElement* child = element->FirstChildElement("Version");
        if (child && child->GetText()) version = child->GetText();
        return 1;
    });
    EXPECT_EQ(1, result);
    EXPECT_EQ("VexloraVersionInfo", root);
    EXPECT_EQ("2.61.0", version);
}
