// VxlTarget.exe as the tests drive it: started, its window found, its controls named by
// id, its RichEdit's formatting and its count of a message read back through its private
// requests.
#pragma once

#include <windows.h>

#include <string>

#include "testkit/Process.h"
#include "testkit/TargetIds.h"
#include "testkit/TempFolder.h"

namespace testkit {

class CTargetProgram {
public:
    // Starts VxlTarget.exe with the arguments and waits for its window.
    CCheck Start(const CString& arguments = CString()) {
        const CCheck started = m_process.Start(TestProgramPath(kTargetExe), arguments);
        if (!started.ok()) return started;
        const CResult<HWND> window = m_process.WaitForWindow({kTargetTitle, kTargetClass});
        m_window = window.ok() ? window.value() : nullptr;
        return window;
    }
    HWND window() const { return m_window; }
    HWND Control(int id) const { return GetDlgItem(m_window, id); }
    DWORD id() const { return m_process.id(); }
    CTestProcess& process() { return m_process; }

    // The RichEdit's contents as 8-bit RTF, written by the target to `path` and read back.
    CResult<std::string> ReadRichRtf(const CString& path) const {
        COPYDATASTRUCT data = {};
        data.dwData = kTargetDumpRichRtf;
        data.cbData = static_cast<DWORD>((path.GetLength() + 1) * sizeof(wchar_t));
        data.lpData = const_cast<wchar_t*>(path.GetString());
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(m_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kWaitMs,
                                 &answer) ||
            answer != 1)
            return CCheck::Failed(L"the target did not write its RichEdit's RTF");
        const std::string rtf = testkit::ReadFileBytes(path);
        if (rtf.empty()) return CCheck::Failed(L"the RTF file of the target cannot be read");
        return rtf;
    }

    // How often the target's window procedures received the message named by its
    // "/count:" option.
    CResult<LRESULT> CountOfMessages() const {
        COPYDATASTRUCT data = {};
        data.dwData = kTargetCountMessages;
        DWORD_PTR answer = 0;
        if (!SendMessageTimeoutW(m_window, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&data), SMTO_ABORTIFHUNG, kWaitMs,
                                 &answer))
            return CCheck::Failed(L"the target did not answer the count request");
        return static_cast<LRESULT>(answer);
    }

private:
    CTestProcess m_process;
    HWND m_window = nullptr;
};

}  // namespace testkit
