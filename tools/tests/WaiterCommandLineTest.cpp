#include "tools/WaiterCommandLine.h"

#include <gtest/gtest.h>

#include "core/base/AppPaths.h"
#include "core/base/ProcessInfo.h"

namespace {

struct ParseCase {
    const char* name;
    const wchar_t* commandLine;
    const wchar_t* logPath;
    DWORD processId;
    bool exit;
};

const ParseCase kParseCases[] = {
    // As the main program writes it, with and without logging, and as the system
    // hands it over when the program's own path stands in front.
    {"logging", L" /logfile\"C:\\Users\\u\\AppData\\LogReport.txt\" /pid1234", L"C:\\Users\\u\\AppData\\LogReport.txt",
     1234, false},
    {"no logging", L" /pid1234", L"", 1234, false},
    {"own path in front", L"\"Z:\\Vexlora\\VxlWaitingFor.exe\" /pid77", L"", 77, false},
    {"stop request", L" /logfile\"C:\\l.txt\" /pid5 /exit", L"C:\\l.txt", 5, true},
    {"stop request alone", L" /exit", L"", 0, true},
    {"path outside the ANSI code page", L" /logfile\"C:\\Пользователи\\日本\\log.txt\" /pid8",
     L"C:\\Пользователи\\日本\\log.txt", 8, false},
    // The process id.
    {"zero", L" /pid0", L"", 0, false},
    {"letters", L" /pidabc", L"", 0, false},
    {"nothing after it", L" /pid", L"", 0, false},
    {"blank before the digits", L" /pid 12", L"", 0, false},
    {"digits up to the first non-digit", L" /pid12ab3", L"", 12, false},
    {"largest 32-bit number", L" /pid4294967295", L"", 4294967295u, false},
    {"too big for 32 bits", L" /pid4294967296", L"", 0, false},
    {"far too big", L" /pid99999999999999999999999", L"", 0, false},
    // The log path.
    {"unquoted path takes the rest, the id is still read from it", L" /logfileC:\\log.txt /pid42",
     L"C:\\log.txt /pid42", 42, false},
    {"quoted path ends at the quote", L" /logfile\"C:\\log.txt\"/pid42", L"C:\\log.txt", 42, false},
    {"switches inside the quoted path are path", L" /logfile\"C:/pid9/exit/log.txt\" /pid42", L"C:/pid9/exit/log.txt",
     42, false},
    {"id before the path", L" /pid3 /logfile\"C:\\log.txt\"", L"C:\\log.txt", 3, false},
    {"unclosed quote", L" /pid3 /logfile\"C:\\log", L"C:\\log", 3, false},
    {"empty quoted path", L" /logfile\"\" /pid3", L"", 3, false},
    {"empty", L"", L"", 0, false},
    {"null", nullptr, L"", 0, false},
};

class ParsingTheCommandLine : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParsingTheCommandLine, GivesLogPathProcessIdAndStopRequest) {
    const ParseCase& c = GetParam();
    CVXL_WF_CommandLineInfo info;
    info.Parse(c.commandLine);
    EXPECT_STREQ(c.logPath, info.GetLogPath().GetString());
    EXPECT_EQ(c.processId, info.GetParentPid());
    EXPECT_EQ(c.exit, info.HasExit());
    EXPECT_EQ(c.exit ? static_cast<DWORD>(CVXL_WF_CommandLineInfo::kFlagExit) : 0u, info.GetFlags());
}

INSTANTIATE_TEST_SUITE_P(Cases, ParsingTheCommandLine, ::testing::ValuesIn(kParseCases),
                         [](const ::testing::TestParamInfo<ParseCase>& info) {
                             std::string name;
                             for (const char* p = info.param.name; *p; ++p)
                                 name += isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             return name;
                         });

CString FileNameOf(const CString& path) {
    return path.Mid(path.ReverseFind(L'\\') + 1);
}

// The watched program's path, found for a running process (this one) and not for a
// process id that names none.
TEST(ParentPath, IsTheExecutableOfTheWatchedProcess) {
    CString command;
    command.Format(L" /pid%u", GetCurrentProcessId());
    CVXL_WF_CommandLineInfo info;
    info.Parse(command);
    EXPECT_EQ(0, info.GetParentPath().CompareNoCase(GetOwnExecutablePath())) << info.GetParentPath().GetString();
}

TEST(ParentPath, SnapshotGivesTheFileName) {
    EXPECT_EQ(0, GetProcessExeNameByPid(GetCurrentProcessId()).CompareNoCase(FileNameOf(GetOwnExecutablePath())));
}

TEST(ParentPath, IsEmptyForNoProcess) {
    // Process ids are multiples of 4 and never this large.
    const DWORD noProcess = 0xFFFFFFF0u;
    EXPECT_STREQ(L"", GetProcessImagePath(noProcess).GetString());
    CVXL_WF_CommandLineInfo info;
    info.Parse(L" /exit");
    EXPECT_STREQ(L"", info.GetParentPath().GetString());
}

}  // namespace
