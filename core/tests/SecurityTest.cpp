#include "core/base/Security.h"

#include <gtest/gtest.h>
#include <sddl.h>
#include <shellapi.h>

#include <cstring>
#include <string>
#include "core/base/Privileges.h"

namespace {

std::wstring MakeUniqueTempFolder() {
    static LONG counter = 0;
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    std::wstring path = std::wstring(temp) + L"vxl_security_" + std::to_wstring(GetCurrentProcessId()) + L"_" +
                        std::to_wstring(GetTickCount()) + L"_" + std::to_wstring(InterlockedIncrement(&counter));
    return CreateDirectoryW(path.c_str(), nullptr) ? path : std::wstring();
}

void RemoveTree(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    WIN32_FIND_DATAW found = {};
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") RemoveTree(path + L"\\" + name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    RemoveDirectoryW(path.c_str());
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
    CFileHandle file(CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    return file && WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

// Replaces an item's DACL for the life of the object and puts the old one back, so
// that the folder can be removed again by a user who is not an administrator.
class CDaclOverride {
public:
    CDaclOverride(const std::wstring& path, const wchar_t* sddl) : m_path(path) {
        DWORD needed = 0;
        GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, nullptr, 0, &needed);
        m_saved.resize(needed);
        if (needed == 0 || !GetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, m_saved.data(), needed, &needed))
            return;
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor, nullptr)) return;
        m_applied = SetFileSecurityW(path.c_str(), DACL_SECURITY_INFORMATION, descriptor) != FALSE;
        LocalFree(descriptor);
    }
    ~CDaclOverride() {
        if (m_applied) SetFileSecurityW(m_path.c_str(), DACL_SECURITY_INFORMATION, m_saved.data());
    }
    CDaclOverride(const CDaclOverride&) = delete;
    CDaclOverride& operator=(const CDaclOverride&) = delete;
    bool applied() const { return m_applied; }

private:
    std::wstring m_path;
    std::vector<BYTE> m_saved;
    bool m_applied = false;
};

class SecurityTest : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = MakeUniqueTempFolder();
        ASSERT_FALSE(m_folder.empty());
    }
    void TearDown() override {
        m_dacl.reset();
        RemoveTree(m_folder);
    }
    std::wstring PathOf(const wchar_t* name) const { return m_folder + L"\\" + name; }
    std::wstring MakeFile(const wchar_t* name, const std::string& bytes = "text") {
        std::wstring path = PathOf(name);
        EXPECT_TRUE(WriteFileBytes(path, bytes));
        return path;
    }
    std::wstring MakeFolder(const wchar_t* name) {
        std::wstring path = PathOf(name);
        EXPECT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
        return path;
    }
    void OverrideDacl(const std::wstring& path, const wchar_t* sddl) {
        m_dacl.reset(new CDaclOverride(path, sddl));
        ASSERT_TRUE(m_dacl->applied());
    }

    std::wstring m_folder;
    std::unique_ptr<CDaclOverride> m_dacl;
};

// ---------------------------------------------------------------------------------------
// File access

// Everyone may read (and run), nobody may write; and a DACL that grants nothing.
const wchar_t kReadOnlyDacl[] = L"D:P(A;;FRFX;;;WD)";
const wchar_t kNoAccessDacl[] = L"D:P";

enum class Item {
    File,
    ReadOnlyAttributeFile,
    ReadOnlyDaclFile,
    NoAccessDaclFile,
    MissingFile,
    FileInMissingFolder,
    Folder,
    ReadOnlyAttributeFolder,
    ReadOnlyDaclFolder,
    EmptyPath,
};

struct AccessCase {
    const char* name;
    Item item;
    bool writable;
    bool readable;
};

class FileAccessTest : public SecurityTest, public ::testing::WithParamInterface<AccessCase> {
protected:
    std::wstring Prepare(Item item) {
        std::wstring path;
        switch (item) {
            case Item::File:
                return MakeFile(L"plain.txt");
            case Item::ReadOnlyAttributeFile:
                path = MakeFile(L"attribute.txt");
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
                return path;
            case Item::ReadOnlyDaclFile:
                path = MakeFile(L"dacl.txt");
                OverrideDacl(path, kReadOnlyDacl);
                return path;
            case Item::NoAccessDaclFile:
                path = MakeFile(L"closed.txt");
                OverrideDacl(path, kNoAccessDacl);
                return path;
            case Item::MissingFile:
                return PathOf(L"missing.txt");
            case Item::FileInMissingFolder:
                return PathOf(L"missing\\file.txt");
            case Item::Folder:
                return MakeFolder(L"folder");
            case Item::ReadOnlyAttributeFolder:
                path = MakeFolder(L"attribute");
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY);
                return path;
            case Item::ReadOnlyDaclFolder:
                path = MakeFolder(L"dacl");
                OverrideDacl(path, kReadOnlyDacl);
                return path;
            case Item::EmptyPath:
                return std::wstring();
        }
        return std::wstring();
    }
};

// Under Wine the answer comes from the Unix permission bits, which follow both the
// DACLs set here and the READONLY attribute of a file; on Windows the DACL answers and
// the READONLY rule of IsFileAccessible refuses writes to such a file. Either way the
// answer is the one a real write would meet. A READONLY folder stays writable: the
// attribute does not stop anyone from creating files in it.
TEST_P(FileAccessTest, AnswersWhatTheProcessMayDo) {
    const AccessCase& c = GetParam();
    std::wstring path = Prepare(c.item);
    EXPECT_EQ(c.writable, IsFileWritable(path.c_str())) << c.name;
    EXPECT_EQ(c.readable, IsFileReadable(path.c_str())) << c.name;
    EXPECT_EQ(c.readable && c.writable, IsFileAccessible(path.c_str(), GENERIC_READ | GENERIC_WRITE)) << c.name;
}

const AccessCase kAccessCases[] = {
    {"File", Item::File, true, true},
    {"ReadOnlyAttributeFile", Item::ReadOnlyAttributeFile, false, true},
    {"ReadOnlyDaclFile", Item::ReadOnlyDaclFile, false, true},
    {"NoAccessDaclFile", Item::NoAccessDaclFile, false, false},
    {"MissingFile", Item::MissingFile, false, false},
    {"FileInMissingFolder", Item::FileInMissingFolder, false, false},
    {"Folder", Item::Folder, true, true},
    {"ReadOnlyAttributeFolder", Item::ReadOnlyAttributeFolder, true, true},
    {"ReadOnlyDaclFolder", Item::ReadOnlyDaclFolder, false, true},
    {"EmptyPath", Item::EmptyPath, false, false},
};

INSTANTIATE_TEST_SUITE_P(Items, FileAccessTest, ::testing::ValuesIn(kAccessCases),
                         [](const ::testing::TestParamInfo<AccessCase>& info) { return info.param.name; });

TEST(FileAccess, NullPathIsNeitherReadableNorWritable) {
    EXPECT_FALSE(IsFileWritable(nullptr));
    EXPECT_FALSE(IsFileReadable(nullptr));
}

// ---------------------------------------------------------------------------------------
// Whole-file reads

TEST_F(SecurityTest, ReadWholeFileReturnsEveryByteAndATrailingZero) {
    const std::string bytes("first line\r\n\0second\xff", 20);
    std::wstring path = MakeFile(L"data.bin", bytes);
    DWORD size = 12345;
    std::unique_ptr<char[]> data = ReadWholeFile(path.c_str(), &size);
    ASSERT_TRUE(data);
    ASSERT_EQ(bytes.size(), size);
    EXPECT_EQ(0, std::memcmp(bytes.data(), data.get(), bytes.size()));
    EXPECT_EQ('\0', data[bytes.size()]);
    EXPECT_TRUE(ReadWholeFile(path.c_str())) << "the size is optional";
}

TEST_F(SecurityTest, ReadWholeFileGivesNullForWhatHasNoContent) {
    struct {
        const char* name;
        std::wstring path;
    } const cases[] = {
        {"empty file", MakeFile(L"empty.txt", "")},
        {"missing file", PathOf(L"missing.txt")},
        {"folder", MakeFolder(L"folder")},
        {"empty path", L""},
    };
    for (const auto& c : cases) {
        DWORD size = 12345;
        EXPECT_FALSE(ReadWholeFile(c.path.c_str(), &size)) << c.name;
        EXPECT_EQ(0u, size) << c.name;
    }
    EXPECT_FALSE(ReadWholeFile(nullptr));
}

TEST_F(SecurityTest, ReadWholeFileGivesNullWhileAnotherHandleWritesTheFile) {
    std::wstring path = MakeFile(L"locked.txt", "being written");
    {
        CFileHandle writer(CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                       OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(writer);
        EXPECT_FALSE(ReadWholeFile(path.c_str()));
    }
    std::unique_ptr<char[]> data = ReadWholeFile(path.c_str());
    ASSERT_TRUE(data) << "readable again once the writer is gone";
    EXPECT_STREQ("being written", data.get());
}

// ---------------------------------------------------------------------------------------
// Deleting files the program made

TEST_F(SecurityTest, TempFileDeleteRemovesAReadOnlyFileAndForgetsIt) {
    std::wstring path = MakeFile(L"readonly.tmp");
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    CTempFile temp(path.c_str());
    EXPECT_TRUE(temp.Delete());
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
    EXPECT_TRUE(temp.GetPath().IsEmpty());
    EXPECT_FALSE(temp.Delete()) << "nothing left to delete";
}

TEST_F(SecurityTest, TempFileDeleteKeepsThePathWhenTheFileIsBusy) {
    std::wstring path = MakeFile(L"busy.tmp");
    CTempFile temp(path.c_str());
    {
        CFileHandle holder(
            CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
        ASSERT_TRUE(holder);
        EXPECT_FALSE(temp.Delete());
        EXPECT_STREQ(path.c_str(), temp.GetPath());
    }
    EXPECT_TRUE(temp.Delete()) << "a later call tries again";
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(path.c_str()));
}

TEST_F(SecurityTest, TempFileDeleteLeavesFoldersAndMissingFilesAlone) {
    std::wstring folder = MakeFolder(L"folder.tmp");
    const std::wstring paths[] = {folder, PathOf(L"missing.tmp"), L""};
    for (const std::wstring& path : paths) {
        CTempFile temp(path.c_str());
        EXPECT_FALSE(temp.Delete()) << std::string(path.begin(), path.end());
        EXPECT_STREQ(path.c_str(), temp.GetPath());
    }
    EXPECT_NE(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(folder.c_str()));
}

// ---------------------------------------------------------------------------------------
// Error texts and the shell

TEST(ErrorText, SystemTextForKnownCodesAndEmptyForUnknownOnes) {
    EXPECT_FALSE(GetErrorMessageText(ERROR_FILE_NOT_FOUND).IsEmpty());
    EXPECT_FALSE(GetErrorMessageText(ERROR_ACCESS_DENIED).IsEmpty());
    EXPECT_STRNE(GetErrorMessageText(ERROR_FILE_NOT_FOUND), GetErrorMessageText(ERROR_ACCESS_DENIED));
    EXPECT_TRUE(GetErrorMessageText(0x2FFF1234).IsEmpty());
}

// SEE_MASK_FLAG_NO_UI: without it the shell shows its own error box and the test waits.
TEST_F(SecurityTest, ShellExecuteWithErrorExplainsAFailure) {
    std::wstring missing = PathOf(L"no such document.txt");
    CString error = L"unchanged";
    HINSTANCE result = ShellExecuteExWithError(nullptr, L"open", missing.c_str(), nullptr, nullptr, SW_SHOW,
                                               SEE_MASK_FLAG_NO_UI, &error);
    UINT_PTR code = reinterpret_cast<UINT_PTR>(result);
    EXPECT_GE(32u, code);
    EXPECT_NE(0u, code);
    EXPECT_FALSE(error.IsEmpty());
    EXPECT_STREQ(GetErrorMessageText(static_cast<DWORD>(code)), error);
    // Without an output the failure is still reported.
    EXPECT_GE(32u, reinterpret_cast<UINT_PTR>(ShellExecuteExWithError(nullptr, L"open", missing.c_str(), nullptr,
                                                                      nullptr, SW_SHOW, SEE_MASK_FLAG_NO_UI, nullptr)));
}

TEST(ShellStart, SuccessLeavesTheErrorTextAlone) {
    CString error = L"unchanged";
    HINSTANCE result = ShellExecuteExWithError(nullptr, L"open", L"cmd.exe", L"/c exit 0", nullptr, SW_HIDE,
                                               SEE_MASK_FLAG_NO_UI | SEE_MASK_NOCLOSEPROCESS, &error);
    EXPECT_LT(32u, reinterpret_cast<UINT_PTR>(result));
    EXPECT_STREQ(L"unchanged", error);
}

// ---------------------------------------------------------------------------------------
// Privileges

// Held, and off by default, for ordinary users and administrators alike.
const wchar_t kHeldPrivilege[] = L"SeShutdownPrivilege";
// Held by no account but the system's own.
const wchar_t kNotHeldPrivilege[] = L"SeCreateTokenPrivilege";

TEST(Privileges, SetPrivilegeSwitchesAHeldPrivilegeOnAndOff) {
    CHandle token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    ASSERT_TRUE(token);
    bool initially = IsPrivilegeEnabled(token.get(), kHeldPrivilege);

    EXPECT_TRUE(SecurityUtil2::SetPrivilege(token.get(), kHeldPrivilege, true));
    EXPECT_TRUE(IsPrivilegeEnabled(token.get(), kHeldPrivilege));
    EXPECT_TRUE(SecurityUtil2::SetPrivilege(token.get(), kHeldPrivilege, false));
    EXPECT_FALSE(IsPrivilegeEnabled(token.get(), kHeldPrivilege));

    SecurityUtil2::SetPrivilege(token.get(), kHeldPrivilege, initially);
}

TEST(Privileges, SetPrivilegeFailsForWhatCannotBeEnabled) {
    CHandle token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    ASSERT_TRUE(token);
    EXPECT_FALSE(SecurityUtil2::SetPrivilege(token.get(), kNotHeldPrivilege, true));
    EXPECT_EQ(static_cast<DWORD>(ERROR_NOT_ALL_ASSIGNED), GetLastError());
    EXPECT_FALSE(IsPrivilegeEnabled(token.get(), kNotHeldPrivilege));

    EXPECT_FALSE(SecurityUtil2::SetPrivilege(token.get(), L"SeNoSuchPrivilege", true));
    EXPECT_FALSE(SecurityUtil2::SetPrivilege(token.get(), L"", true));
    EXPECT_FALSE(SecurityUtil2::SetPrivilege(token.get(), nullptr, true));

    CHandle queryOnly = OpenOwnProcessToken(TOKEN_QUERY);
    ASSERT_TRUE(queryOnly);
    EXPECT_FALSE(SecurityUtil2::SetPrivilege(queryOnly.get(), kHeldPrivilege, true)) << "token lacks the right";
}

TEST(Privileges, IsPrivilegeEnabledClearsTheLastErrorOnlyWhenItAnswered) {
    CHandle token = OpenOwnProcessToken(TOKEN_QUERY);
    ASSERT_TRUE(token);
    SetLastError(ERROR_INVALID_DATA);
    IsPrivilegeEnabled(token.get(), kHeldPrivilege);
    EXPECT_EQ(0u, GetLastError());

    SetLastError(ERROR_INVALID_DATA);
    EXPECT_FALSE(IsPrivilegeEnabled(token.get(), L"SeNoSuchPrivilege"));
    EXPECT_NE(0u, GetLastError());
    EXPECT_NE(static_cast<DWORD>(ERROR_INVALID_DATA), GetLastError());
}

TEST(Privileges, QueryProcessPrivilegesReportsTheTokensStates) {
    CHandle token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    ASSERT_TRUE(token);
    bool initially = IsPrivilegeEnabled(token.get(), kHeldPrivilege);
    ASSERT_TRUE(SecurityUtil2::SetPrivilege(token.get(), kHeldPrivilege, true));

    const wchar_t* names[] = {kHeldPrivilege, kNotHeldPrivilege, L"SeNoSuchPrivilege"};
    CPrivilegeRecord records[3];
    records[1].enabled = TRUE;
    records[1].displayName = L"stale";
    ASSERT_TRUE(InitPrivilegeNames(records, 3, names));
    EXPECT_STREQ(kNotHeldPrivilege, records[1].name);
    EXPECT_FALSE(records[1].enabled);
    EXPECT_TRUE(records[1].displayName.IsEmpty());

    records[2].displayName = L"kept";
    EXPECT_EQ(3, QueryProcessPrivileges(records, 3));
    EXPECT_TRUE(records[0].enabled);
    EXPECT_FALSE(records[1].enabled);
    EXPECT_FALSE(records[2].enabled);
    EXPECT_STREQ(L"kept", records[2].displayName) << "no display name for an unknown privilege";

    SecurityUtil2::SetPrivilege(token.get(), kHeldPrivilege, initially);
}

TEST(Privileges, BuildPrivilegeListSortsEnabledFirstThenByNameIgnoringCase) {
    CPrivilegeRecord records[5];
    const struct {
        const wchar_t* name;
        BOOL enabled;
    } given[] = {{L"b", FALSE}, {L"C", TRUE}, {L"a", 2}, {L"B", TRUE}, {L"A", FALSE}};
    for (int i = 0; i < 5; ++i) {
        records[i].name = given[i].name;
        records[i].enabled = given[i].enabled;
    }

    CPrivilegeList list(7);
    ASSERT_EQ(5, BuildPrivilegeList(records, 5, list, false));
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(records[i].name, list[i].name) << "caller's order kept";
    EXPECT_EQ(3, CountEnabledPrivileges(list));

    ASSERT_EQ(5, BuildPrivilegeList(records, 5, list, true));
    const wchar_t* sorted[] = {L"a", L"B", L"C", L"A", L"b"};
    for (int i = 0; i < 5; ++i) EXPECT_STREQ(sorted[i], list[i].name) << i;
    EXPECT_EQ(3, CountEnabledPrivileges(list));

    EXPECT_EQ(0, BuildPrivilegeList(records, 0, list, true));
    EXPECT_TRUE(list.empty());
}

}  // namespace
