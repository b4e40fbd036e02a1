// What every step of the test kit returns: success, or a message that says what was
// attempted or awaited, for how long and what was seen instead. It converts to
// testing::AssertionResult, so ASSERT_TRUE(step) prints the message on failure.
#pragma once

#include <gtest/gtest.h>

#include <utility>

#include "core/base/CString.h"

namespace testkit {

// The time-out of the kit's waits: long enough for a Wine program to start and show a
// window on a loaded machine; a wait returns as soon as what it waits for is there.
constexpr DWORD kWaitMs = 15000;

class CCheck {
public:
    static CCheck Ok() { return CCheck(true, CString()); }
    static CCheck Failed(const CString& message) { return CCheck(false, message); }
    static CCheck FailedF(const wchar_t* format, ...);

    bool ok() const noexcept { return m_ok; }
    const CString& message() const noexcept { return m_message; }

    operator ::testing::AssertionResult() const {
        if (m_ok) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << m_message.GetString();
    }

protected:
    CCheck(bool ok, const CString& message) : m_ok(ok), m_message(message) {}

private:
    bool m_ok;
    CString m_message;
};

// A check that also carries a value; value() is meaningful only when ok().
template <class T>
class CResult : public CCheck {
public:
    CResult(T value) : CCheck(CCheck::Ok()), m_value(std::move(value)) {}
    CResult(const CCheck& failure) : CCheck(failure), m_value() {}  // from a failed check

    const T& value() const noexcept { return m_value; }

private:
    T m_value;
};

}  // namespace testkit
