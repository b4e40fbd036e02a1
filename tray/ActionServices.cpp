#include "tray/ActionServices.h"

#include <shellapi.h>

#include "core/ClipboardAccess.h"
#include "core/KeyboardInput.h"
#include "core/Settings.h"
#include "core/SoundPlayer.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/Security.h"
#include "pages/PromptDlg.h"
#include "pages/richedit/RichEditStream.h"

int CSystemActionServices::PasteMethod() {
    return CVXLSettings::GetInstance().TextPasteMethod;
}

int CSystemActionServices::PrintLTChars() {
    return static_cast<int>(CVXLSettings::GetInstance().PrintLTChars);
}

bool CSystemActionServices::ReadRtfAsPlain(const CString& rtf, CString& plain) {
    plain = RtfToPlainText_All(rtf);
    return true;
}

int CSystemActionServices::TypeText(const CString& text, int leftCount) {
    return CKeyboardInput(SystemInputSender()).TypeText(text, leftCount);
}

bool CSystemActionServices::PutUnicodeText(const CString& text) {
    return SetClipboardUnicodeText(text);
}

bool CSystemActionServices::PutFormatted(const CString& rtf, const CString& plain, LANGID language) {
    // Receivers read "Rich Text Format" as 8-bit RTF; ours is kept as UTF-16 text.
    const std::string rtfBytes = RtfForClipboard(rtf);
    CClipboardFormatList formats;
    formats.Set(GetCF_RTF(), rtfBytes.data(), rtfBytes.size());
    if (!plain.IsEmpty()) formats.Set(CF_UNICODETEXT, plain.GetString(), (plain.GetLength() + 1) * sizeof(wchar_t));
    const DWORD locale = language;
    if (language) formats.Set(CF_LOCALE, &locale, sizeof locale);
    return SetClipboardFormats(formats);
}

void CSystemActionServices::PasteByCtrlV(int leftCount) {
    CKeyboardInput(SystemInputSender()).PasteByCtrlV(leftCount);
}

void CSystemActionServices::Sleep(DWORD milliseconds) {
    ::Sleep(milliseconds);
}

namespace {

// Three messages a typed character (key down, character, key up): enough for a text of
// well over a line.
constexpr int kInputRoundTrips = 384;
constexpr DWORD kInputRoundTripsMs = 2000;

// Keys typed before the prompt wait in the system's input queue until the target reads
// them, and go to whatever has the focus then: the prompt would take the last of them.
// The target's program is idle once it has read every key meant for it.
void WaitUntilTargetReadItsInput(HWND target) {
    DWORD processId = 0;
    if (!target || !GetWindowThreadProcessId(target, &processId) || processId == GetCurrentProcessId()) return;
    CHandle process(OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId));
    if (!process) return;
    const DWORD result = WaitForInputIdle(process.get(), 2000);
    if (result != 0) LogWriteFormat(L"AskPrompt: the target did not come to rest (%lu)", result);
    // Once a program has been idle, WaitForInputIdle answers at once (under Wine always), while
    // the keys of the last text still wait in its queue. A sent message is handled when the
    // target next asks for a message, which then takes at most one key or character: every
    // round trip moves the target on by at least one of what is queued.
    const DWORD start = GetTickCount();
    for (int trip = 0; trip < kInputRoundTrips; ++trip) {
        const DWORD spent = GetTickCount() - start;
        if (spent >= kInputRoundTripsMs) break;
        DWORD_PTR ignored = 0;
        if (!SendMessageTimeoutW(target, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, kInputRoundTripsMs - spent, &ignored)) break;
    }
}

}  // namespace

INT_PTR CSystemActionServices::AskPrompt(const CString& question, HWND target, CString& answer) {
    WaitUntilTargetReadItsInput(target);
    CPromptDlg prompt(question, target, false);
    const INT_PTR result = prompt.DoModal();
    answer = result == IDOK ? prompt.Get_Text() : CString();
    return result;
}

void CSystemActionServices::GiveFocusBack(HWND target) {
    const DWORD thread = target ? GetWindowThreadProcessId(target, nullptr) : 0;
    if (!thread) return;
    const DWORD own = GetCurrentThreadId();
    if (thread != own && !AttachThreadInput(own, thread, TRUE)) return;
    // The prompt was the active window: the target's window must be in front again, or
    // the rest of the phrase is typed into whatever the system activated instead.
    HWND top = GetAncestor(target, GA_ROOT);
    SetForegroundWindow(top);
    SetFocus(target);
    if (thread != own) AttachThreadInput(own, thread, FALSE);
    for (int waited = 0; waited < 500 && GetForegroundWindow() != top; waited += 10) ::Sleep(10);
}

bool CSystemActionServices::ShellOpen(const CString& program, const CString& parameters, DWORD& error) {
    SHELLEXECUTEINFOW info = {};
    info.cbSize = sizeof info;
    info.fMask = SEE_MASK_DOENVSUBST;
    info.lpVerb = L"open";
    info.lpFile = program;
    info.lpParameters = parameters.IsEmpty() ? nullptr : static_cast<const wchar_t*>(parameters);
    info.nShow = SW_SHOW;
    const BOOL executed = ShellExecuteExW(&info);
    const bool started = executed && reinterpret_cast<INT_PTR>(info.hInstApp) > 32;
    error = started ? 0 : GetLastError();
    return started;
}

CString CSystemActionServices::SystemErrorText(DWORD error) {
    return GetErrorMessageText(error);
}

void CSystemActionServices::ShowCommandError(HWND owner, const CString& text) {
    MessageBeep(static_cast<UINT>(-1));
    MessageBoxW(owner, text, L"Vexlora", MB_ICONEXCLAMATION);
}

void CSystemActionServices::PlayLaunchSound() {
    PlaySoundLaunch();
}

IActionServices& SystemActionServices() {
    static CSystemActionServices services;
    return services;
}
