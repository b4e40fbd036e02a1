// Which program owns a window, checked on real helper processes (VxlTarget.exe) and on
// windows of the test itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>

#include "core/base/Logger.h"
#include "core/base/PlatformBinding.h"
#include "core/base/ProcessInfo.h"
#include "core/base/TextConversions.h"
#include "core/base/TextHelpers.h"
#include "testkit/TargetIds.h"
#include "testkit/TestKit.h"

using namespace testkit;

namespace {

// The system's binder with some functions taken away, as on a system that lacks them.
class CHidingBinder final : public IPlatformBinder {
public:
    explicit CHidingBinder(std::initializer_list<const char*> hidden) : m_hidden(hidden) {
        m_system = SetPlatformBinderForTest(this);
    }
    ~CHidingBinder() override { SetPlatformBinderForTest(m_system); }
    CHidingBinder(const CHidingBinder&) = delete;
    CHidingBinder& operator=(const CHidingBinder&) = delete;

    HMODULE FindLoaded(const wchar_t* name) override { return m_system->FindLoaded(name); }
    HMODULE Load(const wchar_t* name) override { return m_system->Load(name); }
    void Release(HMODULE module) override { m_system->Release(module); }
    FARPROC FindProc(HMODULE module, const char* name) override {
        for (const char* hidden : m_hidden)
            if (strcmp(hidden, name) == 0) return nullptr;
        return m_system->FindProc(module, name);
    }

private:
    std::vector<const char*> m_hidden;
    IPlatformBinder* m_system = nullptr;
};

// A top-level window of this thread with a child, both destroyed at the end.
class COwnWindows {
public:
    COwnWindows() {
        WNDCLASSW wc = {};
        wc.lpfnWndProc = DefWindowProcW;
        wc.hInstance = GetModuleHandleW(nullptr);
        wc.lpszClassName = L"VxlProcessInfoTestPlain";
        RegisterClassW(&wc);
        wc.lpszClassName = L"VxlProcessInfoTestWithIcon";
        wc.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
        RegisterClassW(&wc);
        top = CreateWindowExW(0, L"VxlProcessInfoTestPlain", L"Chain top", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, nullptr,
                              nullptr, wc.hInstance, nullptr);
        child = CreateWindowExW(0, L"VxlProcessInfoTestPlain", L"", WS_CHILD, 0, 0, 10, 10, top, nullptr, wc.hInstance,
                                nullptr);
        withClassIcon = CreateWindowExW(0, L"VxlProcessInfoTestWithIcon", L"", WS_OVERLAPPEDWINDOW, 0, 0, 10, 10,
                                        nullptr, nullptr, wc.hInstance, nullptr);
    }
    ~COwnWindows() {
        DestroyWindow(withClassIcon);
        DestroyWindow(top);
    }
    COwnWindows(const COwnWindows&) = delete;
    COwnWindows& operator=(const COwnWindows&) = delete;

    HWND top = nullptr;
    HWND child = nullptr;
    HWND withClassIcon = nullptr;
};

CString OwnExePath() {
    wchar_t path[MAX_PATH + 1] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    return CString(path);
}

std::wstring ReadLog(const CString& path) {
    CFileHandle file(
        CreateFileW(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) return std::wstring();
    DWORD size = GetFileSize(file.get(), nullptr);
    std::string bytes(size, '\0');
    DWORD read = 0;
    ReadFile(file.get(), &bytes[0], size, &read, nullptr);
    if (read < 2) return std::wstring();
    return std::wstring(reinterpret_cast<const wchar_t*>(bytes.data() + 2), (read - 2) / 2);
}

}  // namespace

TEST(ProcessInfo, EveryMethodNamesTheProgramOfAHelpersWindow) {
    CTargetProgram target;
    ASSERT_TRUE(target.Start());
    const CString expected = TestProgramPath(kTargetExe);
    struct {
        const char* method;
        CString path;
    } cases[] = {
        {"by window", _GetProcessName_BY_HWND(target.window())},
        {"QueryFullProcessImageName", _GetProcessName_BY_QueryFullProcessImageName(target.id())},
        {"GetModuleFileNameEx", _GetProcessName_BY_GetModuleFileNameEx(target.id())},
        {"by process id", _GetProcessPath_BY_PID(target.id())},
        {"module snapshot", GetProcessModulePath(L"vxltarget.EXE", target.id())},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(0, c.path.CompareNoCase(expected)) << c.method << ": " << WideToUtf8(c.path).c_str();
    }
    EXPECT_STREQ(kTargetExe, GetProcessExeNameByPid(target.id()).GetString());
    // The name must stand after the path's first character.
    EXPECT_TRUE(GetProcessModulePath(L"Z:", target.id()).IsEmpty());
}

TEST(ProcessInfo, MissingPlatformFunctionsFallBackAndAreLogged) {
    CTargetProgram target;
    ASSERT_TRUE(target.Start());
    wchar_t temp[MAX_PATH + 1] = {};
    GetTempPathW(MAX_PATH, temp);
    CString logPath;
    logPath.Format(L"%svxl_process_info_%lu.log", temp, GetCurrentProcessId());
    DeleteFileW(logPath);
    ASSERT_EQ(1, LogInit(logPath));

    CString withoutQuery, withNothing;
    {
        // Before Vista: no QueryFullProcessImageNameW; psapi still gives the full path.
        CHidingBinder binder({"QueryFullProcessImageNameW"});
        withoutQuery = _GetProcessName_BY_HWND(target.window());
    }
    {
        // Nothing bound at all: only the snapshot's file name is left.
        CHidingBinder binder({"QueryFullProcessImageNameW", "GetModuleFileNameExW"});
        withNothing = _GetProcessName_BY_HWND(target.window());
        EXPECT_TRUE(_GetProcessName_BY_GetModuleFileNameEx(target.id()).IsEmpty());
    }
    EXPECT_TRUE(_GetProcessName_BY_HWND(nullptr).IsEmpty());
    ASSERT_TRUE(LogWaitPending(20000));
    LogShutdown();
    std::wstring log = ReadLog(logPath);
    DeleteFileW(logPath);

    EXPECT_EQ(0, withoutQuery.CompareNoCase(TestProgramPath(kTargetExe))) << WideToUtf8(withoutQuery).c_str();
    EXPECT_STREQ(kTargetExe, withNothing.GetString());
    const std::wstring expectedLines[] = {
        L"ERROR: [_GetProcessName_BY_QueryFullProcessImageName is NULL]",
        L"_GetProcessName_BY_QueryFullProcessImageName=\r\n",
        std::wstring(L"_GetProcessPath_BY_PID=") + TestProgramPath(kTargetExe).GetString(),
        std::wstring(L"_GetProcessPath_BY_PID=") + kTargetExe,
        L"ERROR: [PFUNC_GetModuleFileNameEx is NULL]",
        L"ERROR: [_GetProcessName_BY_HWND dwPID == 0]",
    };
    for (const std::wstring& line : expectedLines) {
        EXPECT_NE(std::wstring::npos, log.find(line)) << WideToUtf8(line.c_str()).c_str();
    }
}

TEST(ProcessInfo, ChainRunsFromTheWindowUpAndLookupsStartAtItsEnd) {
    COwnWindows own;
    ASSERT_NE(nullptr, own.child);
    CWindowChain chain;
    EXPECT_EQ(3, CollectWindowChain(own.child, chain));
    ASSERT_EQ(3u, chain.size());
    EXPECT_EQ(own.child, chain[0]);
    EXPECT_EQ(own.top, chain[1]);
    EXPECT_EQ(GetForegroundWindow(), chain[2]);

    // Text: the untitled window at the end is passed over, the title above it is taken.
    EXPECT_STREQ(L"Chain top", GetFirstWindowTextInChain({own.child, own.top, own.withClassIcon}).GetString());
    EXPECT_TRUE(GetFirstWindowTextInChain({own.child, nullptr}).IsEmpty());

    // Path: the window nearest the end that has one.
    CTargetProgram target;
    ASSERT_TRUE(target.Start());
    EXPECT_EQ(0, GetFirstProcessPathInChain({target.window(), own.top, nullptr}).CompareNoCase(OwnExePath()));
    EXPECT_EQ(0, GetFirstProcessPathInChain({own.top, target.window()}).CompareNoCase(TestProgramPath(kTargetExe)));
    EXPECT_TRUE(GetFirstProcessPathInChain({}).IsEmpty());
}

TEST(ProcessInfo, WindowIconsComeFromTheWindowThenItsClass) {
    COwnWindows own;
    HICON big = LoadIconW(nullptr, IDI_INFORMATION);
    SendMessageW(own.top, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    EXPECT_EQ(big, GetWindowIconByMessage(own.top, false));

    HICON classIcon = LoadIconW(nullptr, IDI_APPLICATION);
    EXPECT_EQ(nullptr, GetWindowIconByMessage(own.withClassIcon, false));
    EXPECT_EQ(classIcon, GetWindowIconByMessage(own.withClassIcon, true));
    EXPECT_EQ(nullptr, GetWindowIconByMessage(own.child, true));

    // From a chain: the icon of the window nearest the end, handed over as a copy that
    // the caller may destroy without touching the window's own.
    CWindowChain chain = {own.top, own.child};
    CIconHandle copy = GetWindowIconFromChain(&chain, nullptr);
    ASSERT_TRUE(copy);
    EXPECT_NE(big, copy.get());
    copy.reset();
    EXPECT_EQ(big, GetWindowIconByMessage(own.top, false));

    CWindowChain iconless = {own.child, own.withClassIcon};
    EXPECT_FALSE(GetWindowIconFromChain(&iconless, L""));
    EXPECT_FALSE(GetWindowIconFromChain(nullptr, L""));
    EXPECT_TRUE(GetWindowIconFromChain(nullptr, OwnExePath()));
}

TEST(ProcessInfo, RunningProgramsListMergesCopiesOfOneProgram) {
    CTargetProgram first, second;
    ASSERT_TRUE(first.Start());
    ASSERT_TRUE(second.Start());
    const CString target = TestProgramPath(kTargetExe);
    auto countTarget = [&](const std::vector<CString>& list) {
        return std::count_if(list.begin(), list.end(), [&](const CString& p) { return p.CompareNoCase(target) == 0; });
    };

    std::vector<CString> list = {L"left over"};
    GetRunningProcessNames(list, false);
    EXPECT_EQ(2, countTarget(list));
    EXPECT_EQ(0, std::count(list.begin(), list.end(), CString(L"left over")));

    GetRunningProcessNames(list, true);
    EXPECT_EQ(1, countTarget(list));
    EXPECT_EQ(1, std::count_if(list.begin(), list.end(),
                               [](const CString& p) { return p.CompareNoCase(OwnExePath()) == 0; }));
    for (size_t i = 1; i < list.size(); ++i) {
        EXPECT_LT(list[i - 1].CompareNoCase(list[i]), 0) << "sorted and unique at " << i;
    }
}
