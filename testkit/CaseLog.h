// The log of one test case: turned on in a file of its own, and read back as text once
// every line posted has been written. The logger is process-wide: one at a time.
#pragma once

#include <windows.h>
#include <gtest/gtest.h>

#include <string>

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
        m_on = m_started = LogInit(m_path) == 1;
        EXPECT_TRUE(m_on) << "the logger was already on";
    }
    ~CCaseLog() {
        Close();
        DeleteFileW(m_path);
    }
    CCaseLog(const CCaseLog&) = delete;
    CCaseLog& operator=(const CCaseLog&) = delete;

    // Whether this log turned the logger on.
    bool Started() const { return m_started; }

    // The length of what was written so far, once every line posted has been written.
    size_t Mark() {
        EXPECT_TRUE(LogWaitPending(20000));
        return std::wstring(testkit::ReadUtf16File(m_path).GetString()).size();
    }
    // What was written after a mark, once every line posted has been written; the log stays on.
    std::wstring Since(size_t mark) {
        EXPECT_TRUE(LogWaitPending(20000));
        std::wstring text = testkit::ReadUtf16File(m_path).GetString();
        return text.size() > mark ? text.substr(mark) : std::wstring();
    }

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
    bool m_started = false;
};
