#include <gtest/gtest.h>

#include "core/TestSwitches.h"
#include "core/tests/LangTestFolder.h"

namespace {

class TestSwitches : public LangTest {
protected:
    void SetUp() override {
        LangTest::SetUp();
        ResetTestFlagsForTest();
    }
    void TearDown() override {
        ResetTestFlagsForTest();
        LangTest::TearDown();
    }
};

void Touch(const wchar_t* path) {
    ASSERT_TRUE(WriteUtf16File(path, L""));
}

}  // namespace

TEST_F(TestSwitches, AbsentSwitchStaysAbsentForTheRun) {
    EXPECT_FALSE(IsUpdateVersionTest());
    Touch(Path(kUpdateVersionTestSwitch));
    EXPECT_FALSE(IsUpdateVersionTest());
    EXPECT_FALSE(IsTestFlagPresent(L"UpdateVersion_Test.UpdateVersion_Test"));
    // The next run (here: a table that forgot) sees it.
    ResetTestFlagsForTest();
    EXPECT_TRUE(IsUpdateVersionTest());
    DeleteFileW(Path(kUpdateVersionTestSwitch));
    EXPECT_TRUE(IsUpdateVersionTest());
}

TEST_F(TestSwitches, FolderWithTheMarkersNameDoesNotCount) {
    ASSERT_TRUE(CreateDirectoryW(Path(kUpdateVersionTestSwitch), nullptr));
    EXPECT_FALSE(IsUpdateVersionTest());
}

TEST_F(TestSwitches, NameWithBackslashIsAPath) {
    CString path = folders.root + L"\\elsewhere.flag";
    Touch(path);
    EXPECT_TRUE(IsTestFlagPresent(path));
    EXPECT_FALSE(IsTestFlagPresent(L"elsewhere.flag"));  // looked for in the program folder
    EXPECT_FALSE(IsTestFlagPresent(L""));
}

TEST_F(TestSwitches, FillNamesLeavesExactlyTheKnownName) {
    std::vector<CString> names{L"old", L"older"};
    EXPECT_EQ(1, FillTestFlagNames(names));
    ASSERT_EQ(1u, names.size());
    EXPECT_EQ(L"UpdateVersion_Test.UpdateVersion_Test", W(names[0]));
}
