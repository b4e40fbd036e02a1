// The shell's default programs and the system's GUIDs.
#include <gtest/gtest.h>

#include <string>

#include "core/DefaultPrograms.h"
#include "core/tests/AppTestHelpers.h"

namespace {

using namespace apptest;

TEST(DefaultPrograms, TheOpenCommandLosesItsQuotesAndArguments) {
    CTempSettingsFolders folders(L"vxl_assoc");
    CString program = folders.programFolder + L"My Viewer.exe";
    ASSERT_TRUE(WriteBytes(program, "MZ"));
    struct Case {
        const wchar_t* extension;
        CString command;
        CString expected;
    } cases[] = {
        {L".vxla", L"\"" + program + L"\" \"%1\"", program},
        {L".vxlb", L"\"" + program + L"\" %1", program},
        {L".vxlc", program + L" /open \"%1\"", program},
        {L".vxld", L"C:\\no\\such\\viewer.exe %1", L""},
    };
    // Written where the shell reads it; the test's prefix is its own.
    HKEY classes = HKEY_CLASSES_ROOT;
    for (const Case& c : cases) {
        CString type = CString(L"VxlTest") + (c.extension + 1);
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(classes, c.extension, REG_SZ, type, 0));
        ASSERT_EQ(ERROR_SUCCESS, RegSetValueW(classes, type + L"\\shell\\open\\command", REG_SZ, c.command, 0));
    }
    for (const Case& c : cases) {
        EXPECT_EQ(W(c.expected), W(CAppObjects::GetOpenProgramOfExtension(c.extension))) << W(c.extension);
        EXPECT_EQ(W(c.expected), W(CAppObjects::GetOpenProgramOfExtension(c.extension + 1))) << "without the dot";
    }
    EXPECT_EQ(W(L""), W(CAppObjects::GetOpenProgramOfExtension(L".vxl-not-registered")));
    for (const Case& c : cases) {
        RegDeleteTreeW(classes, c.extension);
        RegDeleteTreeW(classes, CString(L"VxlTest") + (c.extension + 1));
    }
}

TEST(Guid, IsNewEachTimeAndPrintedWithoutBraces) {
    CString first = CAppObjects::NewGuidText();
    CString second = CAppObjects::NewGuidText();
    ASSERT_EQ(36, first.GetLength()) << W(first);
    for (int dash : {8, 13, 18, 23}) EXPECT_EQ(L'-', first[dash]);
    EXPECT_LT(first.FindOneOf(L"{}"), 0);
    EXPECT_NE(W(first), W(second));
}

}  // namespace
