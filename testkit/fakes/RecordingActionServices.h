// Action services that record what the actions did to the world, one line per call, in
// order, and answer as the test sets them.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "phrases/Actions.h"

namespace testkit {

class CRecordingServices : public IActionServices {
public:
    int method = 0;
    int limit = 100;
    bool clipboardWorks = true;
    INT_PTR promptResult = IDOK;
    CString promptAnswer = L"answer";
    bool shellWorks = true;
    DWORD shellError = ERROR_FILE_NOT_FOUND;
    CString errorText = L"The system cannot find the file specified.";
    std::vector<std::wstring> calls;
    CString boxText;
    DWORD pasteThread = 0;

    int PasteMethod() override { return method; }
    int PrintLTChars() override { return limit; }
    bool ReadRtfAsPlain(const CString& rtf, CString& plain) override {
        plain = rtf.IsEmpty() ? CString() : CString(L"plain of ") + rtf;
        return true;
    }
    int TypeText(const CString& text, int leftCount) override {
        Note(L"type " + Text(text) + L" left " + std::to_wstring(leftCount));
        return text.IsEmpty() ? 0 : 1;
    }
    bool PutUnicodeText(const CString& text) override {
        Note(L"clipboard text " + Text(text));
        return clipboardWorks;
    }
    bool PutFormatted(const CString& rtf, const CString& plain, LANGID language) override {
        Note(L"clipboard rtf " + Text(rtf) + L" plain " + Text(plain) + L" language " + std::to_wstring(language));
        return clipboardWorks;
    }
    void PasteByCtrlV(int leftCount) override {
        pasteThread = GetCurrentThreadId();
        Note(L"ctrl+v left " + std::to_wstring(leftCount));
    }
    void Sleep(DWORD milliseconds) override { Note(L"sleep " + std::to_wstring(milliseconds)); }
    INT_PTR AskPrompt(const CString& question, HWND, CString& answer) override {
        Note(L"ask " + Text(question));
        answer = promptAnswer;
        return promptResult;
    }
    void GiveFocusBack(HWND) override { Note(L"focus back"); }
    bool ShellOpen(const CString& program, const CString& parameters, DWORD& error) override {
        Note(L"open [" + Text(program) + L"] [" + Text(parameters) + L"]");
        error = shellWorks ? 0 : shellError;
        return shellWorks;
    }
    CString SystemErrorText(DWORD) override { return errorText; }
    void ShowCommandError(HWND, const CString& text) override {
        Note(L"error box");
        boxText = text;
    }
    void PlayLaunchSound() override { Note(L"launch sound"); }

private:
    static std::wstring Text(const CString& text) { return std::wstring(text.GetString()); }
    void Note(const std::wstring& line) { calls.push_back(line); }
};

}  // namespace testkit
