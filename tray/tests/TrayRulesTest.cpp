#include <windows.h>
#include <wtsapi32.h>

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tray/TrayRules.h"
#include "tray/tests/TrayFakes.h"

namespace {

TEST(SessionRule, EachReasonCountsTowardsAwayOrBack) {
    const struct {
        WPARAM reason;
        int direction;
    } kCases[] = {
        {WTS_CONSOLE_CONNECT, 1},
        {WTS_SESSION_LOGON, 1},
        {WTS_SESSION_UNLOCK, 1},
        {WTS_CONSOLE_DISCONNECT, -1},
        {WTS_SESSION_LOGOFF, -1},
        {WTS_SESSION_LOCK, -1},
        {WTS_REMOTE_CONNECT, 0},
        {WTS_REMOTE_DISCONNECT, 0},
        {9, 0},
        {0, 0},
        {0xFFFF, 0},
    };
    for (const auto& c : kCases) EXPECT_EQ(c.direction, SessionChangeDirection(c.reason)) << c.reason;
}

// Sequences of session changes, with the user's own switch between them: the spy leaves
// with the session only when it was there, and comes back only when the session took it.
TEST(SessionRule, TheSpyComesBackOnlyWhenTheSessionTookIt) {
    const WPARAM lock = WTS_SESSION_LOCK;
    const WPARAM unlock = WTS_SESSION_UNLOCK;
    const WPARAM away = WTS_CONSOLE_DISCONNECT;
    const WPARAM remote = WTS_REMOTE_CONNECT;
    const struct {
        const char* name;
        bool installedAtStart;
        std::vector<WPARAM> reasons;
        bool installedAtEnd;
        int installs;
        int removals;
    } kCases[] = {
        {"lock and unlock with the spy", true, {lock, unlock}, true, 1, 1},
        {"lock and unlock without it", false, {lock, unlock}, false, 0, 0},
        {"two ways away, one back", true, {away, lock, unlock}, true, 1, 1},
        {"unlock without a lock", false, {unlock}, false, 0, 0},
        {"other reasons change nothing", true, {remote, 9, 0}, true, 0, 0},
        {"two rounds", true, {lock, unlock, lock, unlock}, true, 2, 2},
    };
    for (const auto& c : kCases) {
        SCOPED_TRACE(c.name);
        CFakeHistory history;
        history.installed = c.installedAtStart;
        CSessionRule rule;
        for (WPARAM reason : c.reasons) rule.OnSessionChange(reason, 1, history);
        EXPECT_EQ(c.installedAtEnd, history.installed);
        EXPECT_EQ(c.installs, history.installs);
        EXPECT_EQ(c.removals, history.removals);
        EXPECT_EQ(c.reasons, history.told) << "the listeners hear of every change";
    }
}

// The user switched the history off after a lock-and-unlock: the next unlock must not
// bring the spy back.
TEST(SessionRule, ASpySwitchedOffMeanwhileStaysOff) {
    CFakeHistory history;
    history.installed = true;
    CSessionRule rule;
    rule.OnSessionChange(WTS_SESSION_LOCK, 1, history);
    rule.OnSessionChange(WTS_SESSION_UNLOCK, 1, history);
    history.RemoveSpy();
    rule.OnSessionChange(WTS_SESSION_LOCK, 1, history);
    rule.OnSessionChange(WTS_SESSION_UNLOCK, 1, history);
    EXPECT_FALSE(history.installed);
    EXPECT_EQ(1, history.installs);
}

std::vector<BYTE> ReplyRecord(INT32 commandId, const wchar_t* className, INT32 target, DWORD flags) {
    std::vector<BYTE> record(kCommandReplySize, 0);
    memcpy(record.data(), &commandId, 4);
    memcpy(record.data() + 4, className, std::min<size_t>(wcslen(className), 65) * sizeof(wchar_t));
    memcpy(record.data() + 134, &target, 4);
    memcpy(record.data() + 138, &flags, 4);
    return record;
}

TEST(CommandReply, OnlyTheHookLibrarysExactRecordIsTaken) {
    std::vector<BYTE> record = ReplyRecord(61440 + 7, L"Edit", 0x00010042, 3);
    COPYDATASTRUCT data = {kHookReplyTag, kCommandReplySize, record.data()};
    CCommandReply reply;
    ASSERT_TRUE(ReadCommandReply(&data, reply));
    EXPECT_EQ(61447, reply.commandId);
    EXPECT_STREQ(L"Edit", reply.className);
    EXPECT_EQ(reinterpret_cast<HWND>(static_cast<ULONG_PTR>(0x00010042)), reply.target);
    EXPECT_EQ(3u, reply.flags);

    std::vector<BYTE> longer(kCommandReplySize + 1, 0);
    const struct {
        const char* name;
        COPYDATASTRUCT data;
    } kRefused[] = {
        {"another tag", {kHookReplyTag + 1, kCommandReplySize, record.data()}},
        {"one byte short", {kHookReplyTag, kCommandReplySize - 1, record.data()}},
        {"one byte more", {kHookReplyTag, kCommandReplySize + 1, longer.data()}},
        {"no bytes", {kHookReplyTag, 0, nullptr}},
        {"a size without data", {kHookReplyTag, kCommandReplySize, nullptr}},
    };
    for (const auto& c : kRefused) {
        CCommandReply untouched;
        EXPECT_FALSE(ReadCommandReply(&c.data, untouched)) << c.name;
        EXPECT_EQ(-1, untouched.commandId) << c.name;
    }
    EXPECT_FALSE(ReadCommandReply(nullptr, reply));
}

TEST(CommandReply, AClassNameWithoutTerminatorIsCutAtItsField) {
    std::vector<BYTE> record = ReplyRecord(-1, L"", -1, 0);
    for (int i = 0; i < 65; ++i) memcpy(record.data() + 4 + i * 2, L"X", 2);
    COPYDATASTRUCT data = {kHookReplyTag, kCommandReplySize, record.data()};
    CCommandReply reply;
    ASSERT_TRUE(ReadCommandReply(&data, reply));
    EXPECT_EQ(64, reply.className.GetLength());
    EXPECT_EQ(-1, reply.commandId);
    EXPECT_EQ(static_cast<HWND>(LongToHandle(-1)), reply.target) << "a handle is sign-extended";
}

}  // namespace

namespace {

TEST(HookInstallError, EachCodeHasItsTextAndTheReportNamesTheLibrary) {
    const struct {
        int code;
        const wchar_t* name;
    } kCodes[] = {
        {0, L"Success"},
        {1, L"Invalid names of sync objects"},
        {2, L"DLL service is already installed"},
        {3, L"Cant install hook"},
        {4, L"Cant load DLL"},
        {5, L"Cant GetProcAddress to install function of DLL"},
        {6, L"Unknow error"},
        {7, L"Cant create service event"},
        {-1, L"Unknow error"},
    };
    for (const auto& c : kCodes) EXPECT_STREQ(c.name, HookInstallErrorName(c.code)) << c.code;
    EXPECT_STREQ(L"ERROR: Cannot DLL install\nCore DLL not found: C:\\V\\Vexlora.dll\nCant load DLL, Error code: 4",
                 BuildHookInstallErrorText(4, L"C:\\V\\Vexlora.dll", false));
    EXPECT_STREQ(L"ERROR: Cannot DLL install\nCore DLL path: C:\\V\\Vexlora.dll\nCant install hook, Error code: 3",
                 BuildHookInstallErrorText(3, L"C:\\V\\Vexlora.dll", true));
}

}  // namespace
