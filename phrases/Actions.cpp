#include "phrases/Actions.h"

#include "core/ShellServices.h"
#include "core/base/Logger.h"
#include "core/base/WorkerThread.h"
#include "phrases/Macros.h"

namespace {

// The clipboard road waits this long before Ctrl+V, so the target has seen the clipboard
// change and the user's hands are off the hot key.
const DWORD kPasteDelayMs = 400;

LCID LocaleOf(LANGID language) {
    return MAKELCID(language, SORT_DEFAULT);
}

struct CPasteJob {
    IActionServices* services;
    int cursorBack;
};

DWORD PasteThread(CPasteJob& job) {
    job.services->Sleep(kPasteDelayMs);
    job.services->PasteByCtrlV(job.cursorBack);
    return 0;
}

HWND TopLevelOf(HWND window) {
    HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
    return root ? root : window;
}

}  // namespace

// ---------------------------------------------------------------------------------------
// Actions

int CVXLAction_Exec::Run(HWND target, IActionServices& services) {
    return RunCommand(TopLevelOf(target), m_text, services) ? 1 : 0;
}

int CVXLAction_TextCommon::MutiCopy_Impl(CopyMode mode, const CString& text, int cursorBack, LANGID language,
                                         bool pasteNow, IActionServices& services) {
    LogWrite(L"CVXLAction_TextCommon::MutiCopy_Impl: " + text);
    if (mode == kText) {
        if (!services.PutUnicodeText(text)) {
            LogWrite(L"CVXLAction_TextCommon::MutiCopy_Impl::Cannot set to clipboard");
            return 0;
        }
    } else {
        CString plain;
        services.ReadRtfAsPlain(text, plain);
        if (!services.PutFormatted(text, plain, language)) {
            LogWrite(L"Cannot set data to clipboard as MULTI formats");
            return 0;
        }
    }
    if (!pasteNow) return 1;
    // The UI thread waits for the paste, so the actions of one phrase never overlap.
    CHandle thread;
    WorkerOptions options;
    options.suspended = true;
    options.stack = kWaitingThreadStack;
    if (!StartWorker(std::make_unique<CPasteJob>(CPasteJob{&services, cursorBack}), &PasteThread, options, &thread))
        return 0;
    ResumeThread(thread.get());
    WaitForSingleObject(thread.get(), INFINITE);
    return 1;
}

bool CVXLAction_Text::IsDirectPrint(IActionServices& services) const {
    switch (services.PasteMethod()) {
        case 1:
            return false;
        case 2:
            return m_text.GetLength() < services.PrintLTChars();
        default:
            // Values the settings would not hold mean typing, as the settings read them.
            return true;
    }
}

int CVXLAction_Text::DoPrint(HWND, IActionServices& services) {
    LogWrite(L"DoPrint: " + m_text);
    return services.TypeText(m_text, m_cursorBack);
}

int CVXLAction_Text::Run(HWND target, IActionServices& services) {
    if (IsDirectPrint(services)) return DoPrint(target, services);
    return MutiCopy_Impl(kText, m_text, m_cursorBack, m_language, true, services);
}

bool CVXLAction_Prompt::Ask(HWND target, IActionServices& services) {
    CString answer;
    const INT_PTR result = services.AskPrompt(m_text, target, answer);
    services.GiveFocusBack(target);
    m_text = result == IDOK ? answer : CString();
    return result == IDOK;
}

int CVXLAction_Prompt::Run(HWND target, IActionServices& services) {
    Ask(target, services);
    if (m_text.IsEmpty()) return 1;
    return CVXLAction_Text::Run(target, services);
}

int CVXLAction_RTF::Run(HWND, IActionServices& services) {
    return MutiCopy_Impl(kFormatted, m_text, m_cursorBack, m_language, true, services);
}

// ---------------------------------------------------------------------------------------
// Building and running

CString ExpandMacrosForWindow(const CString& text, HWND window, const CString& selectedText,
                              const CString& clipboardText) {
    CString selection = selectedText;
    selection.Replace(L"\r\n", L" ");
    const DWORD thread = window ? GetWindowThreadProcessId(window, nullptr) : 0;
    const LANGID language = LOWORD(reinterpret_cast<UINT_PTR>(GetKeyboardLayout(thread)));
    CString expanded = text;
    ExpandMacros(expanded, selection, clipboardText, nullptr, nullptr, LocaleOf(language));
    return expanded;
}

int BuildActions(const CVXLActionContext& context, const CString& commandText, CVXLActionList& actions) {
    if (context.dataType != 0 && context.dataType != 1 && context.dataType != 2) return 0;
    std::vector<CPhrasePart> parts;
    SplitAtPrompts(commandText, parts);
    for (const CPhrasePart& part : parts) {
        if (part.isPrompt) {
            actions.push_back(std::make_unique<CVXLAction_Prompt>(part.label, 0, context.language));
            continue;
        }
        CString text = part.text;
        int caret = 0;
        switch (context.dataType) {
            case 0:
                ExpandMacros(text, context.selectedText, context.clipboardText, &caret, nullptr,
                             LocaleOf(context.language));
                actions.push_back(std::make_unique<CVXLAction_Text>(text, caret, context.language));
                break;
            case 1:
                ExpandMacrosRtf(text, context.selectedText, context.clipboardText, &caret, nullptr,
                                LocaleOf(context.language));
                actions.push_back(std::make_unique<CVXLAction_RTF>(text, caret, context.language));
                break;
            default:
                text = ExpandMacrosForWindow(text, context.target, context.selectedText, context.clipboardText);
                actions.push_back(std::make_unique<CVXLAction_Exec>(text));
                break;
        }
    }
    return 1;
}

int RunActions(const CVXLActionContext& context, CVXLActionList& actions, IActionServices& services) {
    if (actions.empty()) return 0;
    // A target that has gone away gets nothing addressed to it; typing then reaches
    // whatever window has the focus, as key events are not addressed to a window.
    for (auto& action : actions) action->Run(IsWindow(context.target) ? context.target : nullptr, services);
    return 1;
}

CString JoinActionTexts(const CVXLActionList& actions) {
    CString joined;
    for (const auto& action : actions) joined += action->GetText();
    return joined;
}

// ---------------------------------------------------------------------------------------
// The command road

CString BuildRunCommandErrorText(const CString& errorText, const CString& commandLine, const CString& program,
                                 const CString& parameters) {
    CString line;
    for (int i = 0; i < 30; ++i) line += L'\x2014';
    return errorText + L"\n\nCommand: " + commandLine + L"\n\nSource Command: " + commandLine + L"\n\n" +
           L"Processed Command:" + L"\n" + line + L"\n" + L"Path: [" + program + L"]" + L"\n" + L"Command Line: [" +
           parameters + L"]";
}

bool RunCommand(HWND owner, const CString& commandLine, IActionServices& services) {
    const DWORD lastError = GetLastError();
    CString program;
    CString parameters;
    SplitCommandAndParams(commandLine, program, parameters);
    DWORD error = 0;
    const bool started = services.ShellOpen(program, parameters, error);
    if (started) {
        services.PlayLaunchSound();
    } else {
        const CString errorText = services.SystemErrorText(error);
        if (!errorText.IsEmpty())
            services.ShowCommandError(owner, BuildRunCommandErrorText(errorText, commandLine, program, parameters));
    }
    SetLastError(lastError);
    return started;
}
