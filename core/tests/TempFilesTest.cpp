// Temporary files deleted at exit and the names they get.
#include <gtest/gtest.h>

#include <string>

#include "core/TempFiles.h"
#include "core/base/AppPaths.h"
#include "core/base/Security.h"
#include "core/tests/AppTestHelpers.h"
#include "testkit/CaseLog.h"

namespace {

using namespace apptest;

TEST(TempFiles, RegisteredFilesAreDeletedAtExitReadOnlyOnesToo) {
    CCaseLog log;
    CString folder = GetTempFolder();
    CString plain = BuildTempFileName(folder, L"txt");
    ASSERT_TRUE(WriteBytes(plain, "a"));
    CString readOnly = BuildTempFileName(folder, L".rtf");
    ASSERT_TRUE(WriteBytes(readOnly, "b"));
    ASSERT_TRUE(SetFileAttributesW(readOnly, FILE_ATTRIBUTE_READONLY));
    CString missing = folder + L"vxl_never_written.tmp";

    size_t mark = log.Mark();
    CAppObjects::AddTempFileForDeletion(plain);
    CAppObjects::AddTempFileForDeletion(readOnly);
    CAppObjects::AddTempFileForDeletion(missing);
    CAppObjects::DeleteTempFilesOnExit();
    EXPECT_FALSE(FileExists(plain));
    EXPECT_FALSE(FileExists(readOnly));
    std::wstring text = log.Since(mark);
    EXPECT_TRUE(Contains(text, W(L"Delete temp file on exit [" + plain + L"]").c_str())) << text;
    EXPECT_TRUE(Contains(text, W(L"Delete temp file on exit [" + readOnly + L"]").c_str())) << text;
    EXPECT_TRUE(Contains(text, W(L"FAIL on delete temp file on exit [" + missing + L"]").c_str())) << text;
    EXPECT_TRUE(Contains(text, L"Delete temp files on exit. Deleted 2 from 3")) << text;

    mark = log.Mark();
    CAppObjects::DeleteTempFilesOnExit();
    text = log.Since(mark);
    EXPECT_TRUE(Contains(text, L"No files for deletion on exit")) << text;
    EXPECT_FALSE(Contains(text, L"Delete temp files on exit. Deleted")) << text;
}

TEST(TempFiles, NamesNeverRepeatAndNoFileIsMadeForThem) {
    CString folder = GetTempFolder();
    std::vector<CString> names;
    for (int i = 0; i < 300; ++i) names.push_back(BuildTempFileName(folder, i % 2 ? L"txt" : L".txt"));
    for (size_t i = 0; i < names.size(); ++i) {
        const CString& name = names[i];
        ASSERT_EQ(0, name.Find(folder + L"abc")) << W(name);
        // Windows writes ".TMP", Wine ".tmp".
        EXPECT_EQ(0, name.Right(8).CompareNoCase(L".TMP.txt")) << W(name);
        EXPECT_FALSE(FileExists(name));
        for (size_t j = 0; j < i; ++j) ASSERT_NE(W(names[j]), W(name)) << "made within the same millisecond";
    }
    // A name whose file exists is not given out again.
    CString first = BuildTempFileName(nullptr, L"xml");
    ASSERT_TRUE(WriteBytes(first, "x"));
    for (int i = 0; i < 100; ++i) EXPECT_NE(W(first), W(BuildTempFileName(nullptr, L"xml")));
    DeleteFileW(first);
}

}  // namespace
