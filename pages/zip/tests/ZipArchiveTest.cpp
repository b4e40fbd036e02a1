// Archives written from files and read back with minizip's reader: names, bytes and
// order, and what is left when an archive cannot be finished.
#include "pages/zip/ZipArchive.h"

#include <gtest/gtest.h>
#include <sddl.h>

#include <string>
#include <vector>

#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/TextConversions.h"
#include "pages/zip/tests/ZipReader.h"
#include "testkit/TempFolder.h"

namespace {

// Bytes that do not repeat in any short run, so that deflating cannot make them vanish.
std::string NoiseBytes(size_t size) {
    std::string bytes(size, '\0');
    unsigned state = 12345;
    for (char& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<char>(state >> 16);
    }
    return bytes;
}

class ZipArchive : public ::testing::Test {
protected:
    void SetUp() override {
        m_folder = testkit::MakeUniqueTempFolder(L"vxl_zip");
        CreateDirectoryW(m_folder + L"\\inner", nullptr);
    }
    void TearDown() override { testkit::RemoveTree(m_folder); }

    CString Put(const wchar_t* relativePath, const std::string& bytes) {
        const CString path = m_folder + L"\\" + relativePath;
        EXPECT_TRUE(testkit::WriteFileBytes(path, bytes));
        return path;
    }
    CString ZipPath() const { return m_folder + L"\\out.zip"; }

    CString m_folder;
};

TEST_F(ZipArchive, EntriesHoldTheFilesUnderTheirNamesInOrder) {
    std::string everyByte;
    for (int i = 0; i < 256 * 3; ++i) everyByte += static_cast<char>(i);
    const struct {
        const wchar_t* relativePath;
        std::string bytes;
    } sources[] = {
        {L"Vexlora_Info.txt", "Report\r\nline two\r\n"},
        {L"inner\\Settings.ini", "\xFF\xFE[\0S\0]\0"},
        {L"inner\\empty.log", ""},
        {L"every byte.bin", everyByte},
        {L"inner\\big.dat", NoiseBytes(300 * 1024)},
        {L"\x041F\x0440\x0438\x0432\x0435\x0442 \x00FC.txt", "non-ANSI name"},
    };
    std::vector<CString> paths;
    for (const auto& source : sources) paths.push_back(Put(source.relativePath, source.bytes));

    ASSERT_TRUE(CreateZipFromFiles(paths, ZipPath()));
    std::vector<ZipEntryRead> entries;
    ASSERT_TRUE(ReadZipEntries(ZipPath(), &entries));
    ASSERT_EQ(paths.size(), entries.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        SCOPED_TRACE(entries[i].name);
        EXPECT_EQ(WideToUtf8(GetFileNameOfPath(paths[i])), entries[i].name);
        EXPECT_TRUE(entries[i].bytes == sources[i].bytes);
        EXPECT_EQ(8u, entries[i].method) << "deflated";
        EXPECT_TRUE(entries[i].flag & (1 << 11)) << "the name is marked as UTF-8";
    }
}

TEST_F(ZipArchive, AnExistingArchiveIsReplaced) {
    testkit::WriteFileBytes(ZipPath(), NoiseBytes(5000));
    ASSERT_TRUE(CreateZipFromFiles({Put(L"one.txt", "one")}, ZipPath()));
    std::vector<ZipEntryRead> entries;
    ASSERT_TRUE(ReadZipEntries(ZipPath(), &entries));
    ASSERT_EQ(1u, entries.size());
    EXPECT_EQ("one.txt", entries[0].name);
    EXPECT_EQ("one", entries[0].bytes);
}

TEST_F(ZipArchive, AnArchiveThatCannotBeFinishedLeavesNoFile) {
    const CString present = Put(L"present.txt", "present");
    const CString locked = Put(L"locked.txt", "locked");
    const struct {
        const char* label;
        std::vector<CString> files;
        CString zipPath;
        bool oldArchive;
    } cases[] = {
        {"no files", {}, ZipPath(), false},
        {"a missing file after a present one", {present, m_folder + L"\\missing.txt"}, ZipPath(), false},
        {"a missing file replaces an old archive", {present, m_folder + L"\\missing.txt"}, ZipPath(), true},
        {"a file nobody may read", {present, locked}, ZipPath(), false},
        {"a target folder that does not exist", {present}, m_folder + L"\\nowhere\\out.zip", false},
        {"a target that is a folder", {present}, m_folder + L"\\inner", false},
    };
    // Open without any sharing, as a program that holds its file would.
    CHandle holder(CreateFileW(locked, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        if (c.oldArchive) testkit::WriteFileBytes(c.zipPath, "old");
        EXPECT_FALSE(CreateZipFromFiles(c.files, c.zipPath));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(ZipPath()));
    }
    EXPECT_TRUE(FolderExists(m_folder + L"\\inner"));
}

// Gives the folder a DACL from its text form; false when the system refuses it.
bool SetFolderDacl(const CString& folder, const wchar_t* dacl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(dacl, SDDL_REVISION_1, &descriptor, nullptr))
        return false;
    const BOOL set = SetFileSecurityW(folder, DACL_SECURITY_INFORMATION, descriptor);
    LocalFree(descriptor);
    return set != FALSE;
}

TEST_F(ZipArchive, ATargetInAReadOnlyFolderFailsWithoutAFile) {
    const CString readOnly = m_folder + L"\\readonly";
    ASSERT_TRUE(CreateDirectoryW(readOnly, nullptr));
    // Everyone may list and read, nobody may add a file.
    ASSERT_TRUE(SetFolderDacl(readOnly, L"D:P(A;OICI;FRFX;;;WD)"));
    const CString probe = readOnly + L"\\probe.txt";
    const bool writable = testkit::WriteFileBytes(probe, "x");
    if (!writable) {
        const CString target = readOnly + L"\\out.zip";
        EXPECT_FALSE(CreateZipFromFiles({Put(L"present.txt", "present")}, target));
        EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(target));
    }
    SetFolderDacl(readOnly, L"D:P(A;OICI;FA;;;WD)");
    if (writable) GTEST_SKIP() << "this system does not hold the process to a folder's DACL (Wine)";
}

}  // namespace
