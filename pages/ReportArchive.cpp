#include "pages/ReportArchive.h"

#include <commdlg.h>

#include <string>

#include "core/SettingsFile.h"
#include "core/ShellHelpers.h"
#include "core/Statistics.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/Logger.h"
#include "core/base/TextConversions.h"
#include "pages/zip/ZipArchive.h"

const wchar_t kReportInfoFileName[] = L"Vexlora_Info.txt";

namespace {

const int kArchivePathChars = 519;

// True only when every byte reached the file.
bool WriteUtf8File(const CString& path, const wchar_t* text) {
    CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const std::string bytes = WideToUtf8(text ? text : L"");
    DWORD written = 0;
    return WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

}  // namespace

CString GetSuggestedArchiveName(const wchar_t* logPath, MacroExpander expand) {
    CString name;
    SplitPath(logPath, nullptr, nullptr, &name, nullptr);
    name += L" Vexlora";
    name += L" version" + expand(L"%VXL_VERSION%");
    name += expand(L"%DAY%_%MONTHNAME_ABBR%_%YEAR%_");
    name.Trim();
    name.Replace(L' ', L'_');
    name.Replace(L':', L'_');
    return name + L".zip";
}

CString GetArchiveDialogTitle(const wchar_t* title) {
    CString text(title);
    if (text.IsEmpty()) return text;
    if (text.Right(3) == L"...") text = text.Left(text.GetLength() - 3);
    return L"Vexlora : " + text;
}

CString AskArchivePath(HWND owner, const wchar_t* title, const wchar_t* suggestedName) {
    wchar_t path[kArchivePathChars + 1] = {};
    wcsncpy(path, suggestedName ? suggestedName : L"", kArchivePathChars);
    const CString dialogTitle = GetArchiveDialogTitle(title);
    OPENFILENAMEW dialog = {};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = owner;
    dialog.hInstance = GetModuleHandleW(nullptr);
    dialog.lpstrFilter = L"Zip archives (*.zip)\0*.zip\0";
    dialog.lpstrFile = path;
    dialog.nMaxFile = kArchivePathChars;
    dialog.lpstrDefExt = L"zip";
    dialog.lpstrTitle = dialogTitle.IsEmpty() ? nullptr : dialogTitle.GetString();
    // Not OFN_FILEMUSTEXIST: a new archive is exactly a file that does not exist yet.
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER | OFN_ENABLESIZING;
    if (!GetSaveFileNameW(&dialog)) return CString();
    return path;
}

ReportArchiveFiles GetReportArchiveFiles(const wchar_t* logPath) {
    ReportArchiveFiles files;
    files.infoFolder = GetTempFolder();
    files.settingsPath = GetSettingsFilePath();
    files.logPath = logPath;
    files.statPath = GetStatFilePath();
    return files;
}

bool SaveReportArchive(const wchar_t* logPath, const wchar_t* zipPath, bool showErrors, HWND owner,
                       const wchar_t* reportText, bool selectInExplorer) {
    return SaveReportArchive(GetReportArchiveFiles(logPath), zipPath, showErrors, owner, reportText, selectInExplorer);
}

bool SaveReportArchive(const ReportArchiveFiles& files, const wchar_t* zipPath, bool showErrors, HWND owner,
                       const wchar_t* reportText, bool selectInExplorer, MessageBoxFn messageBox) {
    const CString infoPath = WithTrailingBackslash(files.infoFolder) + kReportInfoFileName;
    std::vector<CString> entries;
    if (WriteUtf8File(infoPath, reportText))
        entries.push_back(infoPath);
    else
        LogError(L"SaveReportArchive: the report cannot be written to " + infoPath + L"; the archive goes without it");
    // A program that has not logged or saved anything yet still gets its report sent.
    for (const CString& path : {files.settingsPath, files.logPath, files.statPath})
        if (!path.IsEmpty() && FileExists(path)) entries.push_back(path);

    const bool made = CreateZipFromFiles(entries, zipPath);
    if (!made && showErrors) {
        CString message = L"Cannot create ZIP-archive " + CString(zipPath) + L"\n\nFollows Files:\n";
        for (const CString& path : entries) message += path + L"\n";
        MessageBeep(static_cast<UINT>(-1));
        messageBox(owner, message, L"Vexlora", MB_ICONEXCLAMATION);
    }
    if (FileExists(infoPath)) DeleteFileW(infoPath);
    if (made && selectInExplorer)
        ShellRun(owner, L"open", L"explorer.exe", BuildExplorerSelectParameters(zipPath), nullptr, SW_SHOWNORMAL);
    return made;
}
