// Application objects seen from outside: the autostart value in the registry of the
// test's own Wine prefix, removed by "Vexlora.exe /ua", and a temporary file the
// resident instance registered, gone after "/exit". The programs run from a private
// copy of the program folder with logging on.
#include <windows.h>
#include <gtest/gtest.h>

#include "core/Autostart.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "testkit/TestKit.h"

using namespace testkit;

namespace {

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool ReadRunValue(CString& data) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Vexlora", RRF_RT_REG_SZ, nullptr, buffer, &size) != ERROR_SUCCESS)
        return false;
    data = buffer;
    return true;
}

class AppObjectsE2e : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(folder_.Create());
        // Not a first run of this version: a first run writes the autostart value a second
        // after the start, which would race with the removal these tests look for.
        ASSERT_TRUE(folder_.WriteSettings(L"WriteLog=1\r\nVXLVersion=VXL_150\r\n"));
        log_ = folder_.PathOf(L"LogReport.txt");
    }

    DWORD RunToEnd(const wchar_t* arguments) {
        CResult<DWORD> code = RunToExit(folder_.PathOf(L"Vexlora.exe"), arguments, 30000);
        EXPECT_TRUE(code);
        return code.ok() ? code.value() : 999;
    }

    CPrivateProgramFolder folder_;
    CString log_;
};

TEST_F(AppObjectsE2e, TheAutostartValueIsWrittenReadBackAndRemovedByUa) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    for (bool instanceRunning : {false, true}) {
        SCOPED_TRACE(instanceRunning ? "an instance runs" : "no instance runs");
        ASSERT_TRUE(CAppObjects::SetAutostart(true));
        CString data;
        ASSERT_TRUE(ReadRunValue(data));
        EXPECT_TRUE(data == GetOwnExecutablePath() + L" /autoload") << data.GetString();
        EXPECT_TRUE(CAppObjects::IsAutostartSet());

        CTestProcess resident;
        if (instanceRunning) {
            ASSERT_TRUE(resident.Start(folder_.PathOf(L"Vexlora.exe"), L""));
            ASSERT_TRUE(WaitForFileText(log_, L"VxlWaitingFor is stated succesfully", 30000));
        }
        EXPECT_EQ(1u, RunToEnd(L"/ua"));
        EXPECT_FALSE(ReadRunValue(data)) << "the value is gone from the registry";
        EXPECT_FALSE(CAppObjects::IsAutostartSet());
        if (instanceRunning) {
            CResult<DWORD> code = resident.WaitForExit(30000);
            ASSERT_TRUE(code) << "/ua also ends the running instance";
            EXPECT_EQ(0u, code.value());
        }
    }
}

TEST_F(AppObjectsE2e, ATemporaryFileRegisteredForDeletionIsGoneAfterExit) {
    CString temp = folder_.PathOf(L"registered.tmp.txt");
    CFileHandle file(CreateFileW(temp, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    ASSERT_TRUE(file.valid());
    file.reset();
    ASSERT_TRUE(SetFileAttributesW(temp, FILE_ATTRIBUTE_READONLY));

    ASSERT_TRUE(CopyFileW(TestProgramPath(L"vxl_startup_probe.exe"), folder_.PathOf(L"vxl_startup_probe.exe"), FALSE));
    ASSERT_TRUE(SetEnvironmentVariableW(L"VXL_PROBE_TEMP_FILE", temp));
    CTestProcess resident;
    ASSERT_TRUE(resident.Start(folder_.PathOf(L"vxl_startup_probe.exe"), L""));
    SetEnvironmentVariableW(L"VXL_PROBE_TEMP_FILE", nullptr);
    ASSERT_TRUE(WaitForFileText(log_, L"VxlWaitingFor is stated succesfully", 30000));
    EXPECT_TRUE(FileExists(temp)) << "kept while the program runs";

    EXPECT_EQ(1u, RunToEnd(L"/exit"));
    CResult<DWORD> code = resident.WaitForExit(30000);
    ASSERT_TRUE(code);
    EXPECT_EQ(0u, code.value());
    EXPECT_FALSE(FileExists(temp));
    CString text = ReadUtf16File(log_);
    EXPECT_GE(text.Find(L"Delete temp file on exit [" + temp + L"]"), 0) << text.Right(800).GetString();
    EXPECT_GE(text.Find(L"Delete temp files on exit. Deleted 1 from 1"), 0) << text.Right(800).GetString();
}

}  // namespace
