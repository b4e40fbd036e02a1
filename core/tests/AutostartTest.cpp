// The autostart value and its delayed writer.
#include <gtest/gtest.h>

#include <string>

#include "core/AppSlots.h"
#include "core/Autostart.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/tests/AppTestHelpers.h"

namespace {

using namespace apptest;

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";

bool ReadRunValue(std::wstring& data) {
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    if (RegGetValueW(HKEY_CURRENT_USER, kRunKey, L"Vexlora", RRF_RT_REG_SZ, &type, buffer, &size) != ERROR_SUCCESS)
        return false;
    data = buffer;
    return true;
}

void WriteRunValue(const CString& data) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegSetValueExW(key, L"Vexlora", 0, REG_SZ, reinterpret_cast<const BYTE*>(data.GetString()),
                   static_cast<DWORD>(data.GetLength() + 1) * sizeof(wchar_t));
    RegCloseKey(key);
}

TEST(Autostart, TheValueNamesThisProgramWithAutoloadAndIsDeletedWhenSwitchedOff) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              RegCreateKeyExW(HKEY_CURRENT_USER, kRunKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr));
    RegCloseKey(key);
    ASSERT_TRUE(CAppObjects::SetAutostart(true));
    std::wstring data;
    ASSERT_TRUE(ReadRunValue(data));
    EXPECT_EQ(W(GetOwnExecutablePath() + L" /autoload"), data);
    EXPECT_TRUE(CAppObjects::IsAutostartSet());

    ASSERT_TRUE(CAppObjects::SetAutostart(false));
    EXPECT_FALSE(ReadRunValue(data));
    EXPECT_FALSE(CAppObjects::IsAutostartSet());
    EXPECT_FALSE(CAppObjects::SetAutostart(false)) << "nothing left to delete";
}

TEST(Autostart, CountsAsSetOnlyWhenTheValueNamesThisProgram) {
    const CString own = GetOwnExecutablePath();
    CString upper = own;
    upper.MakeUpper();
    struct Case {
        CString data;
        bool set;
    } cases[] = {
        {own + L" /autoload", true},
        {upper + L" /autoload", true},
        {own + L"   /autoload", true},
        {own, true},
        {L"", false},
        {L" /autoload", false},
        {own.Left(own.GetLength() - 4) + L" /autoload", false},
        {L"C:\\Other\\Vexlora.exe /autoload", false},
        {L"\"" + own + L"\" /autoload", false},
    };
    for (const Case& c : cases) {
        WriteRunValue(c.data);
        EXPECT_EQ(c.set, CAppObjects::IsAutostartSet()) << W(c.data);
    }
    CAppObjects::SetAutostart(false);
}

TEST(Autostart, TheWriterWaitsASecondAndNeverWritesForARemovableCopyOrAnEndingProgram) {
    CTempSettingsFolders folders(L"vxl_autostart");
    struct Case {
        const char* name;
        int removable;
        bool ending;
        DWORD result;
        bool written;
    } cases[] = {
        {"fixed drive, program running", 0, false, 0, true},
        {"removable drive", 1, false, 2, false},
        {"program ending within the second", 0, true, 1, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CAppObjects::SetAutostart(false);
        SetDriveRemovableForTest(c.removable);
        CHandle exitEvent(CreateEventW(nullptr, TRUE, c.ending, nullptr));
        CAppObjects::SetAppExitEvent(exitEvent.get());
        CHandle thread;
        ASSERT_TRUE(CAppObjects::StartAutostartWriterThread(&thread));
        ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(thread.get(), 20000));
        DWORD result = 99;
        GetExitCodeThread(thread.get(), &result);
        EXPECT_EQ(c.result, result);
        EXPECT_EQ(c.written, CAppObjects::IsAutostartSet());
        CAppObjects::SetAppExitEvent(nullptr);
    }
    CAppObjects::SetAutostart(false);
    EXPECT_FALSE(CAppObjects::StartAutostartWriterThread()) << "no exit event: nothing to stop it";
}

}  // namespace
