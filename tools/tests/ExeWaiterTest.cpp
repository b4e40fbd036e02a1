#include "tools/ExeWaiter.h"

#include <gtest/gtest.h>

#include <string>

#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "testkit/LogFile.h"

namespace {

// Stand-ins for the watched process: anything a wait can be given.
enum class Waitable { Null, Signalled, NotSignalled, AbandonedMutex, Invalid };

DWORD WINAPI TakeMutexAndEnd(void* mutex) {
    WaitForSingleObject(static_cast<HANDLE>(mutex), INFINITE);
    return 0;  // ends owning it: the next wait on it is abandoned
}

CHandle Make(Waitable kind) {
    switch (kind) {
        case Waitable::Signalled:
            return CHandle(CreateEventW(nullptr, TRUE, TRUE, nullptr));
        case Waitable::NotSignalled:
            return CHandle(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        case Waitable::AbandonedMutex: {
            CHandle mutex(CreateMutexW(nullptr, FALSE, nullptr));
            CHandle thread(CreateThread(nullptr, 0, &TakeMutexAndEnd, mutex.get(), 0, nullptr));
            WaitForSingleObject(thread.get(), INFINITE);
            return mutex;
        }
        default:
            return CHandle();
    }
}

// Handle values are small multiples of 4; this one names nothing in a test process.
HANDLE const kInvalidHandle = reinterpret_cast<HANDLE>(static_cast<ULONG_PTR>(0x00FFFFF0));

struct WaitCase {
    const char* name;
    Waitable process;
    Waitable exitEvent;
    int expected;
    const wchar_t* logLine;    // the outcome line, without tag and time; null: none
    const wchar_t* errorLine;  // null: none
};

const WaitCase kWaitCases[] = {
    {"process ended", Waitable::Signalled, Waitable::NotSignalled, WTR_EXE_CLOSED_SUCCESS,
     L"CExe_Waiter::Wait_Next waitresult=H_PRC enumresult=WTR_EXE_CLOSED_SUCCESS", nullptr},
    {"exit event set", Waitable::NotSignalled, Waitable::Signalled, WTR_EVENT_EXIT_SIGNALED,
     L"CExe_Waiter::Wait_Next waitresult=H_EVENT_EXIT enumresult=WTR_EVENT_EXIT_SIGNALED", nullptr},
    {"both at once: the process counts", Waitable::Signalled, Waitable::Signalled, WTR_EXE_CLOSED_SUCCESS,
     L"CExe_Waiter::Wait_Next waitresult=H_PRC enumresult=WTR_EXE_CLOSED_SUCCESS", nullptr},
    {"no exit event: the process alone", Waitable::Signalled, Waitable::Null, WTR_EXE_CLOSED_SUCCESS,
     L"CExe_Waiter::Wait_Next waitresult=H_PRC enumresult=WTR_EXE_CLOSED_SUCCESS",
     L"ERROR: [Event for the command /exit NOT specified]"},
    {"abandoned", Waitable::AbandonedMutex, Waitable::NotSignalled, WTR_EXE_CLOSED_ABONDED,
     L"CExe_Waiter::Wait_Next waitresult=WAIT_ABANDONED enumresult=WTR_EXE_CLOSED_ABONDED", nullptr},
    {"wait failed", Waitable::Invalid, Waitable::NotSignalled, WTR_ERROR,
     L"CExe_Waiter::Wait_Next waitresult=4294967295 enumresult=WTR_ERROR", nullptr},
    {"no process", Waitable::Null, Waitable::Signalled, WTR_ERROR, nullptr, nullptr},
};

class WaitingForTheProcess : public ::testing::TestWithParam<WaitCase> {
protected:
    void SetUp() override {
        wchar_t folder[MAX_PATH];
        GetTempPathW(MAX_PATH, folder);
        path_ = std::wstring(folder) + L"vxl_waiter_" + std::to_wstring(GetCurrentProcessId()) + L".txt";
        DeleteFileW(path_.c_str());
        LogSetDefaultTag(L"EXE_VxlWaitingFor");
        ASSERT_EQ(1, LogInit(path_.c_str()));
    }
    void TearDown() override {
        LogWaitPending(20000);
        LogShutdown();
        DeleteFileW(path_.c_str());
    }
    std::wstring path_;
};

TEST_P(WaitingForTheProcess, EndsWithItsResultAndLogsHowItEnded) {
    const WaitCase& c = GetParam();
    CHandle process = Make(c.process);
    CHandle exitEvent = Make(c.exitEvent);
    const HANDLE processHandle = c.process == Waitable::Invalid ? kInvalidHandle : process.get();

    EXPECT_EQ(c.expected, CExe_Waiter(processHandle, exitEvent.get()).Wait_Next());

    ASSERT_TRUE(LogWaitPending(20000));
    const LogFileContent log = ReadLogFile(path_);
    size_t expectedLines = 0;
    if (c.logLine) {
        ++expectedLines;
        EXPECT_TRUE(log.Contains(std::wstring(L"EXE_VxlWaitingFor: ") + c.logLine)) << log.Joined();
    }
    if (c.errorLine) {
        ++expectedLines;
        EXPECT_TRUE(log.Contains(c.errorLine)) << log.Joined();
    }
    EXPECT_EQ(expectedLines, log.entries.size()) << log.Joined();
}

INSTANTIATE_TEST_SUITE_P(Cases, WaitingForTheProcess, ::testing::ValuesIn(kWaitCases),
                         [](const ::testing::TestParamInfo<WaitCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

}  // namespace
