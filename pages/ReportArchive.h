// The system report as one zip archive for support requests: the report text beside
// the program's settings, log and statistics files.
#pragma once

#include <windows.h>

#include <vector>

#include "core/ShellServices.h"
#include "core/base/CString.h"

// The report text's file name, in the archive and (for as long as the archive is
// written) in the temporary folder.
extern const wchar_t kReportInfoFileName[];

// The phrase engine's macro expansion of a text; the caller hands it in, so that the
// pages do not depend on the phrase engine.
using MacroExpander = CString (*)(const CString& text);

// The log's file name without extension, " Vexlora version" + "%VXL_VERSION%" and
// "%DAY%_%MONTHNAME_ABBR%_%YEAR%_" expanded, trimmed, with every blank and colon made
// "_", then ".zip".
CString GetSuggestedArchiveName(const wchar_t* logPath, MacroExpander expand);

// "Vexlora : " + the title without a trailing "..."; empty for no title (the dialog's
// own title).
CString GetArchiveDialogTitle(const wchar_t* title);

// The save dialog for an archive, offering the suggested name; the chosen path, or an
// empty text when the user cancelled.
CString AskArchivePath(HWND owner, const wchar_t* title, const wchar_t* suggestedName);

// The files an archive is made of.
struct ReportArchiveFiles {
    CString infoFolder;  // where the report text is written for the archive, with "\"
    CString settingsPath;
    CString logPath;
    CString statPath;
};

// The program's own: the temporary folder, the settings file in use, the given log and
// the statistics file.
ReportArchiveFiles GetReportArchiveFiles(const wchar_t* logPath);

// Writes the report text as UTF-8 and archives it with the other files, in that order;
// a file that does not exist is left out. On failure, with showErrors, a box lists the
// files it tried to add. With selectInExplorer, the explorer opens with the new archive
// selected. The report text's file is gone afterwards. True when the archive was made.
bool SaveReportArchive(const wchar_t* logPath, const wchar_t* zipPath, bool showErrors, HWND owner,
                       const wchar_t* reportText, bool selectInExplorer);
bool SaveReportArchive(const ReportArchiveFiles& files, const wchar_t* zipPath, bool showErrors, HWND owner,
                       const wchar_t* reportText, bool selectInExplorer, MessageBoxFn messageBox = MessageBoxW);
