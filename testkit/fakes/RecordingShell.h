// A shell that records what would have been opened instead of starting a browser or
// another program: installed for as long as it lives.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/ShellServices.h"

class CRecordingShell final : public IShellRunner {
public:
    CRecordingShell() { SetShellRunnerForTest(this); }
    ~CRecordingShell() override { SetShellRunnerForTest(nullptr); }

    HINSTANCE Execute(HWND, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters, const wchar_t*,
                      int show) override {
        verbs.push_back(verb ? verb : L"");
        files.push_back(file ? file : L"");
        this->parameters.push_back(parameters ? parameters : L"");
        shows.push_back(show);
        SetLastError(lastError);
        return reinterpret_cast<HINSTANCE>(result);
    }

    // What every start answers: above 32 started, else the shell's error code with the
    // thread's last error set to `lastError`.
    INT_PTR result = 42;
    DWORD lastError = 0;

    std::vector<std::wstring> verbs;
    std::vector<std::wstring> files;
    std::vector<std::wstring> parameters;
    std::vector<int> shows;
};
