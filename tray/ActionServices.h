// The real world of the phrase actions: the settings, the keyboard, the clipboard under
// the my-copy guard, the prompt dialog, the shell and the launch sound.
#pragma once

#include "phrases/Actions.h"

class CSystemActionServices : public IActionServices {
public:
    int PasteMethod() override;
    int PrintLTChars() override;
    bool ReadRtfAsPlain(const CString& rtf, CString& plain) override;
    int TypeText(const CString& text, int leftCount) override;
    bool PutUnicodeText(const CString& text) override;
    bool PutFormatted(const CString& rtf, const CString& plain, LANGID language) override;
    void PasteByCtrlV(int leftCount) override;
    void Sleep(DWORD milliseconds) override;
    INT_PTR AskPrompt(const CString& question, HWND target, CString& answer) override;
    void GiveFocusBack(HWND target) override;
    bool ShellOpen(const CString& program, const CString& parameters, DWORD& error) override;
    CString SystemErrorText(DWORD error) override;
    void ShowCommandError(HWND owner, const CString& text) override;
    void PlayLaunchSound() override;
};

IActionServices& SystemActionServices();
