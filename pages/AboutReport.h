// The system report that the About dialog shows: a list of labelled rows (versions of
// the components, access tests, privileges, phrase statistics, settings, the
// environment, the running processes and the errors collected during the run), its
// text for the clipboard, and the building of the whole report from what the tray
// window knows and what the machine answers.
//
// Nothing here touches a window. Every fact that depends on the machine comes through
// IAboutProbes, so the rules can be run against made-up answers; a probe that fails
// becomes a red row value and the report always goes on to its end.
#pragma once

#include <windows.h>

#include <functional>
#include <map>
#include <utility>
#include <vector>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// Rows

enum AboutRowKind : int {
    kAboutRowPlain = 0,
    kAboutRowSection = 1,  // a title drawn over a rule; no value
    kAboutRowFail = 2,     // failed, missing or switched off: red and bold
    kAboutRowOk = 3,       // passed, present or switched on: green and bold
};

struct AboutRow {
    CString label;
    CString value;
    int kind = kAboutRowPlain;
};

// The rows in order, with the tips of the rows that have their own and the titles of
// the section rows, both by row index.
class CAboutReport {
public:
    // Appends a row. Outside sections a label that is neither empty, a single blank, nor
    // ends with ":" gets ":" appended. A non-empty section title is framed by blanks and
    // kept in the section map. Returns the row's index.
    int AddRow(const CString& label, const CString& value, int kind);
    int AddSection(const CString& title) { return AddRow(title, CString(), kAboutRowSection); }
    int AddOkRow(const CString& label, const CString& value) { return AddRow(label, value, kAboutRowOk); }
    int AddFailRow(const CString& label, const CString& value) { return AddRow(label, value, kAboutRowFail); }
    int AddStateRow(const CString& label, const CString& value, bool ok) {
        return AddRow(label, value, ok ? kAboutRowOk : kAboutRowFail);
    }
    // "%d".
    int AddNumberRow(const CString& label, long long number);
    void SetTip(int row, const CString& tip) { m_tips[row] = tip; }

    const std::vector<AboutRow>& Rows() const { return m_rows; }
    const std::map<int, CString>& Tips() const { return m_tips; }
    const std::map<int, CString>& Sections() const { return m_sections; }
    // The row's own tip; else its label, a blank and its value. Section rows have none.
    CString GetTip(int row) const;

private:
    std::vector<AboutRow> m_rows;
    std::map<int, CString> m_tips;
    std::map<int, CString> m_sections;
};

// The longest label or value the copied text takes of a row.
constexpr int kAboutCopyCellChars = 200;

// The report as text: per row the label and the value (each cut to 200 characters)
// joined by a blank, or 22 "=" for a row without label; an empty line before every
// section row; lines joined by "\r\n"; blanks and line breaks trimmed at both ends.
CString BuildAboutCopyText(const std::vector<AboutRow>& rows);

// The clipboard watcher's re-install record as the report shows it: the switch's text,
// a blank, "[" + interval in ms + "]"; for 0 or at least a second, a blank and the
// whole seconds + " sec"; above a minute, ", " and the whole minutes + " min".
CString FormatClipboardReinstallText(bool on, DWORD intervalMs, const CString& onText, const CString& offText);

// ---------------------------------------------------------------------------------------
// What the tray window passes

struct AboutPhraseStatistics {
    int all = 0;  // phrases and folders
    int included = 0;
    int folders = 0;
    int formatted = 0;
    int plain = 0;
    int exec = 0;
    long long usageSum = 0;
    int maxUsage = 0;
    CString maxUsageName;  // the phrase that has the largest usage count
    long long printedChars = 0;
};

struct AboutClipboardReinstall {
    bool on = false;
    DWORD intervalMs = 0;
};

class IAboutProbes;

struct AboutReportInputs {
    CString phrasesFolder;  // without trailing backslash
    bool defaultFolder = false;
    AboutPhraseStatistics statistics;
    std::vector<CString> collectedErrors;  // in arrival order
    bool hotKeyMenuActive = false;
    CString clipboardHistoryState;  // one line
    CString hookLibraryPath;
    CString hookServiceImplName;
    AboutClipboardReinstall clipboardReinstall;
    bool waitAnswerFromExeAgent = false;
    // The phrase engine's macro expansion, for the archive's suggested name; null leaves
    // the macros unexpanded.
    CString (*expandMacros)(const CString& text) = nullptr;

    // Seams, left empty by the program. askArchivePath stands in for the save dialog
    // (empty text: cancelled); probes for the machine's answers.
    std::function<CString(HWND owner)> askArchivePath;
    bool selectArchiveInExplorer = true;
    IAboutProbes* probes = nullptr;
};

// ---------------------------------------------------------------------------------------
// What the machine answers

struct AboutPrivilege {
    CString name;
    CString displayName;
    bool enabled = false;
};

struct AboutLanguageFile {
    CString fileName;
    CString localizedName;  // empty when the file names none
};

// The environment and settings facts; texts are empty and numbers -1 when unknown.
struct AboutEnvironment {
    CString osText;
    CString osCode;
    bool wow64 = false;
    CString installDate;  // local date and time text
    CString memory;       // the commit limit as a byte size
    CString memoryPhysicalAvailable;
    CString memoryInstalled;
    CString memoryUsage;
    int cpuCount = -1;
    int admin = -1;  // 1 administrator, 0 not, -1 cannot tell
    CString ieVersion;
    int browserFound = 0;  // 1 a default browser was found
    CString browserText;
    int online = 2;  // 0 connected, 1 not connected, 2 cannot tell
    CString domain;
    CString country;
    CString codePage;
    int screenWidth = 0;
    int screenHeight = 0;
    bool aero = false;
    CString executablePath;
    bool installed = false;

    CString hotKeyText;
    CString clipboardTrackingName;
    CString writeUnlockEventName;
    CString watchMethod0Name;
    CString watchMethod1Name;
    bool watchMethod1Available = false;
    int delayInsertMs = 0;
    bool directlyPrintText = false;
    bool autoCheckForUpdates = false;
    int checkForUpdatesDays = 0;
    bool sounds = false;
    bool logging = false;
    CString logPath;
    CString languageFile;  // file name; empty for the built-in language
    CString languageLocalized;
};

class IAboutProbes {
public:
    virtual ~IAboutProbes() = default;

    virtual CString UiText(UINT id) = 0;
    // The translated tray-menu text of a command; empty when the menu has none.
    virtual CString MenuText(UINT commandId) = 0;

    virtual CString ProgramFolder() = 0;  // with trailing backslash
    virtual CString VersionTextWithName() = 0;
    virtual CString CompileDateTime() = 0;
    virtual CString SettingsFilePath() = 0;
    virtual CString StatFilePath() = 0;

    virtual bool FileExists(const CString& path) = 0;
    virtual bool FolderExists(const CString& path) = 0;
    virtual bool CanRead(const CString& path) = 0;
    virtual bool CanWrite(const CString& path) = 0;
    // The version resource's file version as four dotted numbers; empty without one.
    virtual CString FileVersion(const CString& path) = 0;
    virtual CString FileDescription(const CString& path) = 0;
    virtual bool HasExport(const CString& libraryPath, const char* name) = 0;
    // The name of the first "*.dll" of the folder; empty when it holds none.
    virtual CString FirstDllIn(const CString& folder) = 0;
    // The full path of Mfc42.DLL when it loads; empty otherwise.
    virtual CString Mfc42Path() = 0;

    virtual std::vector<AboutPrivilege> Privileges(const std::vector<CString>& names) = 0;
    virtual std::vector<std::pair<CString, CString>> CommandLineKeys() = 0;
    virtual std::vector<std::pair<CString, bool>> TestFlags() = 0;
    // The ".lng" files of the program folder, without the built-in language.
    virtual std::vector<AboutLanguageFile> LanguageFiles() = 0;
    virtual std::vector<CString> ProcessNames() = 0;  // sorted paths
    virtual AboutEnvironment Environment() = 0;

    // A new file in the folder, 12 bytes written, closed and deleted: true when every
    // byte was written.
    virtual bool TestCreateFile(const CString& folder) = 0;
    // A new subfolder made and removed: true when it could be made.
    virtual bool TestCreateFolder(const CString& folder) = 0;
    // The folder itself opened for reading or for writing.
    virtual bool TestOpenFolder(const CString& folder, bool write) = 0;
};

// The answers of this machine and this program.
IAboutProbes& GetSystemAboutProbes();

// The privilege names the report asks the token about, in asking order.
const std::vector<CString>& GetReportPrivilegeNames();

// The file name with its extension upper-cased ("Vexlora.EXE").
CString MakeComponentLabel(const CString& path);

// Appends the whole report.
void BuildAboutReport(CAboutReport& report, const AboutReportInputs& inputs, IAboutProbes& probes);
// Parts of it, for the tests and for readers of the order.
void AddAboutStatisticsRows(CAboutReport& report, const AboutReportInputs& inputs, IAboutProbes& probes);
void AddAboutFileBlock(CAboutReport& report, IAboutProbes& probes, const CString& label, const CString& path);
void AddAboutComponentRow(CAboutReport& report, IAboutProbes& probes, const CString& path, const CString& name);
