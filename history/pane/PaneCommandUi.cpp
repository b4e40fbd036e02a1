#include <windows.h>
#include <commdlg.h>
#include <shellapi.h>

#include <vector>

#include "core/ClipboardAccess.h"
#include "core/ClipboardItemFiles.h"
#include "core/DefaultPrograms.h"
#include "core/IconIds.h"
#include "core/Settings.h"
#include "core/ShellServices.h"
#include "core/SoundPlayer.h"
#include "core/TempFiles.h"
#include "core/WebOpen.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/PlatformFunctions.h"
#include "history/HistoryItem.h"
#include "history/pane/PaneCommands.h"
#include "history/pane/PaneIcons.h"

namespace {

const wchar_t kSaveFolderKey[] = L"DirectoryForSave";
const DWORD kSaveFileBufferChars = 2600;

int PlainMessageBox(HWND owner, const CString& text, UINT style, DWORD) {
    return MessageBoxW(owner, text, L"Vexlora", style);
}

// Gives the dialog a task-bar button, as the pane has none.
UINT_PTR CALLBACK SaveDialogHook(HWND dialog, UINT message, WPARAM, LPARAM) {
    if (message != WM_INITDIALOG) return 0;
    HWND frame = GetParent(dialog);
    SetWindowLongPtrW(frame, GWL_EXSTYLE, GetWindowLongPtrW(frame, GWL_EXSTYLE) | WS_EX_APPWINDOW);
    const HINSTANCE module = GetModuleHandleW(nullptr);
    if (HICON big = LoadIconW(module, MAKEINTRESOURCEW(IDI_APP_READY)))
        SendMessageW(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
    if (HICON small = LoadIconSized(module, IDI_APP_READY, 16))
        SendMessageW(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
    return 0;
}

}  // namespace

CSystemPaneCommandUi::CSystemPaneCommandUi(HWND pane, std::function<HWND()> mainWindow)
    : m_pane(pane), m_mainWindow(std::move(mainWindow)), m_ask(&PlainMessageBox) {}

void CSystemPaneCommandUi::Beep() {
    MessageBeep(0xFFFFFFFF);
}

void CSystemPaneCommandUi::PlayCopySound() {
    PlaySoundPaper();
}

bool CSystemPaneCommandUi::ConfirmDelete(const CString& text) {
    return m_ask(m_pane, text, MB_OKCANCEL | MB_ICONQUESTION | MB_DEFBUTTON2 | MB_TOPMOST, 7000) == IDOK;
}

bool CSystemPaneCommandUi::ConfirmDeleteProtected(const CString& text, bool& alsoProtected) {
    // Yes: the protected items go too; No: they stay.
    const int answer = m_ask(m_pane, text, MB_YESNOCANCEL | MB_ICONWARNING | MB_DEFBUTTON2 | MB_TOPMOST, 0);
    alsoProtected = answer == IDYES;
    return answer == IDYES || answer == IDNO;
}

void CSystemPaneCommandUi::ShowTimedMessage(const CString& text, UINT icon, DWORD timeoutMs) {
    m_ask(m_pane, text, MB_OK | icon | MB_TOPMOST, timeoutMs);
}

void CSystemPaneCommandUi::ShowError(const CString& text) {
    m_ask(m_pane, text, MB_OK | MB_ICONERROR | MB_TOPMOST, 0);
}

bool CSystemPaneCommandUi::AskSavePath(const CString& title, const CPaneSaveOffer& offer, const CString& folder,
                                       CString& path, int& filterIndex) {
    std::vector<wchar_t> filter(offer.filter.GetString(), offer.filter.GetString() + offer.filter.GetLength() + 1);
    for (wchar_t& ch : filter)
        if (ch == L'|') ch = L'\0';
    std::vector<wchar_t> file(kSaveFileBufferChars, L'\0');
    wcsncpy(file.data(), offer.suggestedName, kSaveFileBufferChars - 1);

    OPENFILENAMEW request = {};
    request.lStructSize = sizeof request;
    request.hwndOwner = m_pane;
    request.lpstrFilter = filter.data();
    request.nFilterIndex = 1;
    request.lpstrFile = file.data();
    request.nMaxFile = kSaveFileBufferChars;
    request.lpstrInitialDir = folder.IsEmpty() ? nullptr : folder.GetString();
    request.lpstrTitle = title;
    request.lpstrDefExt = offer.defaultExtension.IsEmpty() ? nullptr : offer.defaultExtension.GetString();
    request.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_ENABLEHOOK | OFN_EXPLORER | OFN_ENABLESIZING;
    request.lpfnHook = &SaveDialogHook;
    // The dialog sets the thread's last error even when it succeeds.
    const DWORD lastError = GetLastError();
    const BOOL chosen = GetSaveFileNameW(&request);
    if (!chosen && CommDlgExtendedError() != 0)
        LogWriteFormat(L"CSystemPaneCommandUi::AskSavePath: dialog error %u",
                       static_cast<unsigned>(CommDlgExtendedError()));
    SetLastError(lastError);
    if (!chosen) return false;
    path = file.data();
    filterIndex = static_cast<int>(request.nFilterIndex);
    return true;
}

CString CSystemPaneCommandUi::SaveFolder() {
    return CVXLSettings::ReadString(kSaveFolderKey, L"");
}

void CSystemPaneCommandUi::SetSaveFolder(const CString& folder) {
    CVXLSettings::WriteString(folder, kSaveFolderKey);
}

bool CSystemPaneCommandUi::EmptyClipboard() {
    CClipboardOpen clipboard(m_pane, kClipboardOpenTimeoutMs);
    return clipboard && ::EmptyClipboard();
}

bool CSystemPaneCommandUi::OpenUrl(const CString& text) {
    return CAppObjects::OpenUrl(m_pane, text, false);
}

bool CSystemPaneCommandUi::RunCommand(const CString& text) {
    return RunCommandWithErrorBox(text, true, m_pane, false);
}

bool CSystemPaneCommandUi::WebSearch(const CString& text, int search) {
    return CAppObjects::WebSearch(text, search);
}

bool CSystemPaneCommandUi::ShellOpen(const CString& url) {
    return reinterpret_cast<INT_PTR>(ShellExecuteW(m_pane, L"open", url, nullptr, nullptr, SW_SHOW)) > 32;
}

bool CSystemPaneCommandUi::OpenItem(const CCHItem& item, int how) {
    const CClipboardItemData data = item.ItemData();
    if (how != 1) {
        CString path;
        return CAppObjects::OpenClipboardItem(m_pane, data, path, how == 0);
    }
    const CString path = BuildTempFileName(nullptr, L".txt");
    if (!CAppObjects::WriteClipboardItemToFile(data, path,
                                               kItemFileTemporary | kItemFileRtfAsUtf16 | kItemFileDeleteAtExit))
        return false;
    const CString parameters = L"\"" + path + L"\"";
    return reinterpret_cast<INT_PTR>(
               ShellExecuteW(m_pane, L"open", CAppObjects::GetNotepadPath(), parameters, nullptr, SW_SHOWNORMAL)) > 32;
}

void CSystemPaneCommandUi::ReportError(const CString& text) {
    LogError(text);
    HWND main = m_mainWindow ? m_mainWindow() : nullptr;
    if (main) SendMessageW(main, GetReportErrorMessage(), 0, reinterpret_cast<LPARAM>(text.GetString()));
}
