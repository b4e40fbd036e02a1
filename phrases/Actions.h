// A chosen phrase as a list of actions, each of which puts one piece of it into the
// target window: typed as key events, pasted through the clipboard with Ctrl+V, run as a
// command, or first asked from the user. Everything an action does to the world goes
// through IActionServices, so building and running are tested without a desktop; the
// main program passes the real services of tray/ActionServices.h.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "core/base/CString.h"

class IActionServices {
public:
    virtual ~IActionServices() = default;

    // Settings read when an action runs.
    virtual int PasteMethod() = 0;   // 0 typing, 1 clipboard, 2 typing for short texts
    virtual int PrintLTChars() = 0;  // the length limit of method 2
    virtual bool ReadRtfAsPlain(const CString& rtf, CString& plain) = 0;

    // Typing road: 1 when events were sent, 0 for an empty text.
    virtual int TypeText(const CString& text, int leftCount) = 0;
    // Clipboard road. The text with the thread's locale; the formatted text as
    // "Rich Text Format" with its plain text and, when not 0, the language as CF_LOCALE.
    virtual bool PutUnicodeText(const CString& text) = 0;
    virtual bool PutFormatted(const CString& rtf, const CString& plain, LANGID language) = 0;
    // Ctrl+V, then the Left presses; runs on the paste thread.
    virtual void PasteByCtrlV(int leftCount) = 0;
    virtual void Sleep(DWORD milliseconds) = 0;

    // The prompt: IDOK with the answer, or anything else; the focus then goes back to the
    // target.
    virtual INT_PTR AskPrompt(const CString& question, HWND target, CString& answer) = 0;
    virtual void GiveFocusBack(HWND target) = 0;

    // ShellExecuteExW "open" with SEE_MASK_DOENVSUBST and SW_SHOW: true when the instance
    // value is above 32; else false with GetLastError's code.
    virtual bool ShellOpen(const CString& program, const CString& parameters, DWORD& error) = 0;
    virtual CString SystemErrorText(DWORD error) = 0;
    // MessageBeep(-1) and a box titled "Vexlora" with MB_ICONEXCLAMATION.
    virtual void ShowCommandError(HWND owner, const CString& text) = 0;
    virtual void PlayLaunchSound() = 0;
};

// What the builders take, in this order: the target window, the clipboard text at menu
// time, the selected text, the data type (0 TEXT, 1 RTF, 2 EXEC) and the language of the
// target's keyboard layout.
struct CVXLActionContext {
    HWND target = nullptr;
    CString clipboardText;
    CString selectedText;
    int dataType = 0;
    LANGID language = 0;
};

class CVXLAction {
public:
    explicit CVXLAction(const CString& text) : m_text(text) {}
    virtual ~CVXLAction() = default;
    CVXLAction(const CVXLAction&) = delete;
    CVXLAction& operator=(const CVXLAction&) = delete;

    virtual int Run(HWND target, IActionServices& services) = 0;
    const CString& GetText() const { return m_text; }

protected:
    CString m_text;
};

class CVXLAction_Exec : public CVXLAction {
public:
    using CVXLAction::CVXLAction;
    // Runs the text as a command, owned by the target's top-level window.
    int Run(HWND target, IActionServices& services) override;
};

class CVXLAction_TextCommon : public CVXLAction {
public:
    CVXLAction_TextCommon(const CString& text, int cursorBack, LANGID language)
        : CVXLAction(text), m_cursorBack(cursorBack), m_language(language) {}
    int GetCursorBack() const { return m_cursorBack; }
    LANGID GetLanguage() const { return m_language; }

    enum CopyMode { kFormatted = 0, kText = 1 };
    // Puts the text on the clipboard (as text or formatted) and, with pasteNow, pastes it
    // from a paste thread that the caller waits for. 1 on success; 0 when the clipboard
    // write failed or the paste thread could not start.
    static int MutiCopy_Impl(CopyMode mode, const CString& text, int cursorBack, LANGID language, bool pasteNow,
                             IActionServices& services);

protected:
    int m_cursorBack;
    LANGID m_language;
};

class CVXLAction_Text : public CVXLAction_TextCommon {
public:
    using CVXLAction_TextCommon::CVXLAction_TextCommon;
    // Typed or pasted through the clipboard, as the paste method says.
    int Run(HWND target, IActionServices& services) override;
    bool IsDirectPrint(IActionServices& services) const;
    int DoPrint(HWND target, IActionServices& services);
};

class CVXLAction_Prompt : public CVXLAction_Text {
public:
    using CVXLAction_Text::CVXLAction_Text;
    // Asks for its text (its own text is the question), then runs as a text action; an
    // empty answer pastes nothing.
    int Run(HWND target, IActionServices& services) override;
    // Asks the question and takes the answer as its text (empty when cancelled); the focus
    // goes back to the target. True when answered.
    bool Ask(HWND target, IActionServices& services);
};

class CVXLAction_RTF : public CVXLAction_TextCommon {
public:
    using CVXLAction_TextCommon::CVXLAction_TextCommon;
    int Run(HWND target, IActionServices& services) override;
};

using CVXLActionList = std::vector<std::unique_ptr<CVXLAction>>;

// Splits the command text at its prompts and builds one action per part; 0 for an
// unknown data type.
int BuildActions(const CVXLActionContext& context, const CString& commandText, CVXLActionList& actions);
// Runs every action in order, with the target when it is still a window; 0 for an empty
// list, else 1.
int RunActions(const CVXLActionContext& context, CVXLActionList& actions, IActionServices& services);
// The texts of all actions joined, for a phrase's expanded text without pasting.
CString JoinActionTexts(const CVXLActionList& actions);

// The EXEC expansion: the selected text with every CR LF turned into a blank, no caret,
// and the locale of the keyboard layout of the window's thread.
CString ExpandMacrosForWindow(const CString& text, HWND window, const CString& selectedText,
                              const CString& clipboardText);

// The command road: splits the command line, starts it, and on failure shows the
// system's text for the error with what was tried (nothing when the system has no text).
// The thread's last error is kept.
bool RunCommand(HWND owner, const CString& commandLine, IActionServices& services);
CString BuildRunCommandErrorText(const CString& errorText, const CString& commandLine, const CString& program,
                                 const CString& parameters);
