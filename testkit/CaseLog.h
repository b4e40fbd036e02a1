// The log of one test case: turned on in a file of its own, and read back as text once
// every line posted has been written. The logger is process-wide: one at a time.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include "core/base/CString.h"
#include "core/base/Logger.h"
#include "testkit/ProgramFolder.h"

class CCaseLog {
public:
    CCaseLog() {
        static LONG counter = 0;
        wchar_t temp[MAX_PATH + 1] = {};
        GetTempPathW(MAX_PATH, temp);
        m_path.Format(L"%svxl_case_log_%lu_%ld.txt", temp, GetCurrentProcessId(), InterlockedIncrement(&counter));
        DeleteFileW(m_path);
        m_on = LogInit(m_path) == 1;
        EXPECT_TRUE(m_on) << "the logger was already on";
    }
    ~CCaseLog() {
        Close();
        DeleteFileW(m_path);
    }
    CCaseLog(const CCaseLog&) = delete;
    CCaseLog& operator=(const CCaseLog&) = delete;

    // Ends the log and returns everything written to it.
    CString Text() {
        Close();
        return testkit::ReadUtf16File(m_path);
    }

private:
    void Close() {
        if (!m_on) return;
        EXPECT_TRUE(LogWaitPending(20000));
        LogShutdown();
        m_on = false;
    }

    CString m_path;
    bool m_on = false;
};
