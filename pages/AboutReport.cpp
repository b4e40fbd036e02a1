#include "pages/AboutReport.h"

#include <utility>

#include "core/AppTexts.h"
#include "core/UiStringIds.h"
#include "core/base/AppPaths.h"

namespace {

const wchar_t kYes[] = L"Yes";
const wchar_t kNo[] = L"No";
const wchar_t kSuccessfully[] = L"Successfully";
const wchar_t kFail[] = L"FAIL";
const wchar_t kSoundUtilityLibrary[] = L"RIZedarOred.dll";

CString WithoutTrailingBackslash(CString path) {
    while (path.GetLength() > 3 && path.Right(1) == L"\\") path = path.Left(path.GetLength() - 1);
    return path;
}

CString NumberText(long long number) {
    CString text;
    text.Format(L"%lld", number);
    return text;
}

// The report's one builder: every step adds its rows and goes on whatever a probe says.
class CReportBuilder {
public:
    CReportBuilder(CAboutReport& report, const AboutReportInputs& inputs, IAboutProbes& probes)
        : m_report(report), m_inputs(inputs), m_probes(probes), m_folder(probes.ProgramFolder()) {}

    void Build() {
        // Asked once, first: the components need the executable's path from it.
        m_environment = m_probes.Environment();
        m_report.AddRow(L"Version", m_probes.VersionTextWithName(), kAboutRowPlain);
        m_report.AddRow(L"Released", m_probes.CompileDateTime(), kAboutRowPlain);
        AddComponents();
        AddAboutFileBlock(m_report, m_probes, L"Settings File", m_probes.SettingsFilePath());
        AddAboutFileBlock(m_report, m_probes, L"Phrases Folder", WithoutTrailingBackslash(m_inputs.phrasesFolder));
        AddPrivileges();
        m_report.AddSection(m_probes.UiText(IDS_STATISTIC));
        AddAboutStatisticsRows(m_report, m_inputs, m_probes);
        AddCommandLineKeys();
        AddEnvironment();
        AddSettings();
        AddAccessTests();
        AddTestFlags();
        AddLanguageFiles();
        AddProcesses();
        AddLog();
    }

private:
    CString OnOffText(bool on) { return m_probes.UiText(on ? IDS_TURN_ON : IDS_TURN_OFF); }
    void AddOnOffRow(const CString& label, bool on) { m_report.AddStateRow(label, OnOffText(on), on); }
    void AddYesNoRow(const CString& label, bool yes) { m_report.AddStateRow(label, yes ? kYes : kNo, yes); }
    void AddSuccessRow(const CString& label, bool ok, const CString& suffix = CString()) {
        m_report.AddStateRow(label, CString(ok ? kSuccessfully : kFail) + suffix, ok);
    }

    void AddComponents() {
        m_report.AddSection(L"Components");
        AddAboutComponentRow(m_report, m_probes, m_environment.executablePath, L"Vexlora");
        AddAboutComponentRow(m_report, m_probes, m_folder + L"VexloraEditor.exe", m_probes.UiText(IDS_EDITOR_NAME));
        CString welcomeName = m_probes.MenuText(32832);
        if (welcomeName.IsEmpty()) welcomeName = L"Welcome Module";
        AddAboutComponentRow(m_report, m_probes, m_folder + L"Vexlora_Welcome.exe", welcomeName);
        AddAboutComponentRow(m_report, m_probes, m_folder + L"VxlWaitingFor.exe", L"Vexlora Waiter");
        AddAboutComponentRow(m_report, m_probes, m_folder + L"VXL_Exit.exe", m_probes.UiText(IDS_EXIT_TOOL_NAME));
        const CString& hook = m_inputs.hookLibraryPath;
        AddAboutComponentRow(m_report, m_probes, hook, L"Core DLL");
        m_report.AddRow(L"DLL Full Path", hook, kAboutRowPlain);
        const CString hookName = GetFileNameOfPath(hook);
        const std::pair<const char*, const wchar_t*> exportNames[] = {{"WP_Install2", L"WP_Install2"},
                                                                      {"WP_Uninstall2", L"WP_Uninstall2"}};
        for (const auto& exportName : exportNames) {
            const bool found = !hook.IsEmpty() && m_probes.HasExport(hook, exportName.first);
            m_report.AddStateRow(hookName + L", [" + exportName.second + L"]",
                                 found ? L"Function found" : L"Function Nout found", found);
        }
        const CString firstDll = m_probes.FirstDllIn(m_folder);
        if (!firstDll.IsEmpty()) {
            if (firstDll.CompareNoCase(hookName) == 0)
                AddAboutComponentRow(m_report, m_probes, m_folder + firstDll, L"");
            AddAboutComponentRow(m_report, m_probes, m_folder + kSoundUtilityLibrary, L"Sound Utilities");
        }
        const CString mfc = m_probes.Mfc42Path();
        if (mfc.IsEmpty())
            m_report.AddFailRow(L"Mfc42.DLL", L"Not found");
        else
            AddAboutComponentRow(m_report, m_probes, mfc, mfc);
    }

    void AddPrivileges() {
        const std::vector<AboutPrivilege> privileges = m_probes.Privileges(GetReportPrivilegeNames());
        int enabled = 0;
        for (const AboutPrivilege& privilege : privileges) enabled += privilege.enabled ? 1 : 0;
        CString title;
        title.Format(L"%s %d/%d", static_cast<const wchar_t*>(m_probes.UiText(IDS_PRIVILEGES)), enabled,
                     static_cast<int>(privileges.size()));
        m_report.AddSection(title);
        for (const AboutPrivilege& privilege : privileges) {
            const CString state = OnOffText(privilege.enabled);
            const int row = m_report.AddStateRow(privilege.name, state, privilege.enabled);
            m_report.SetTip(row, privilege.name + L"\n   " + privilege.displayName + L"\n" + state);
        }
    }

    void AddCommandLineKeys() {
        m_report.AddSection(m_probes.UiText(IDS_COMMAND_LINE_KEYS));
        for (const auto& key : m_probes.CommandLineKeys()) m_report.AddRow(key.first, key.second, kAboutRowPlain);
    }

    void AddEnvironment() {
        const AboutEnvironment& e = m_environment;
        m_report.AddSection(L"Environment");
        m_report.AddRow(L"OS", e.osText, kAboutRowPlain);
        m_report.AddRow(L"OS enum", e.osCode, kAboutRowPlain);
        m_report.AddRow(L"Bitness", e.wow64 ? L"64x" : L"32x", kAboutRowPlain);
        AddKnownOrFail(L"Windows installed", e.installDate, L"Failure");
        AddKnownOrFail(L"Memory", e.memory, L"Cannot detect");
        AddKnownOrFail(L"Memory Physical Available", e.memoryPhysicalAvailable, L"Cannot detect");
        AddKnownOrFail(L"Memory Installed", e.memoryInstalled, L"Cannot detect");
        AddKnownOrFail(L"Memory Usage", e.memoryUsage, L"Cannot detect");
        if (e.cpuCount > 0)
            m_report.AddNumberRow(L"CPU Number", e.cpuCount);
        else
            m_report.AddFailRow(L"CPU Number", L"Cannot detect");
        m_report.AddStateRow(L"DLL Service IMPL", m_inputs.hookServiceImplName, !e.wow64);
        if (e.admin < 0)
            m_report.AddFailRow(L"Admin authority", L"Not detected");
        else
            m_report.AddStateRow(L"Admin authority", e.admin ? kYes : kNo, e.admin == 1);
        AddKnownOrFail(L"IE Version", e.ieVersion, L"Cannot detect");
        if (!e.browserFound)
            m_report.AddFailRow(L"Default Web Browser", L"Not detected");
        else
            AddKnownOrFail(L"Default Web Browser", e.browserText, L"Cannot detect");
        if (e.online == 0)
            m_report.AddOkRow(L"Has Internet Connection", kYes);
        else
            m_report.AddFailRow(L"Has Internet Connection", e.online == 1 ? kNo : L"ERROR");
        AddKnownOrFail(L"Computer Domain Name", e.domain, L"not found");
        AddKnownOrFail(L"Country", e.country, L"Cannot detect");
        AddKnownOrFail(L"Active Code Page", e.codePage, L"Cannot detect");
        CString screen;
        screen.Format(L"%d x %d", e.screenWidth, e.screenHeight);
        m_report.AddRow(L"Screen", screen, kAboutRowPlain);
        AddOnOffRow(L"Aero enabled", e.aero);
        m_report.AddRow(L"Path", e.executablePath, kAboutRowPlain);
        AddYesNoRow(L"Version Is Installed", e.installed);
    }

    void AddSettings() {
        const AboutEnvironment& e = m_environment;
        m_report.AddSection(m_probes.UiText(IDS_CMD_SETTINGS));
        m_report.AddRow(L"Hot Key", e.hotKeyText, kAboutRowPlain);
        m_report.AddRow(L"Clipboard History", m_inputs.clipboardHistoryState, kAboutRowPlain);
        m_report.AddRow(L"Clipboard Tracking [Settings]", e.clipboardTrackingName, kAboutRowPlain);
        m_report.AddRow(L"Event_ForWrite_Unlocalized", e.writeUnlockEventName, kAboutRowPlain);
        m_report.AddOkRow(e.watchMethod0Name, L"Available");
        m_report.AddStateRow(e.watchMethod1Name, e.watchMethod1Available ? L"Available" : L"Not available",
                             e.watchMethod1Available);
        const AboutClipboardReinstall& reinstall = m_inputs.clipboardReinstall;
        m_report.AddStateRow(L"Clipboard Spy Reinstall",
                             FormatClipboardReinstallText(reinstall.on, reinstall.intervalMs, m_probes.UiText(IDS_ON),
                                                          m_probes.UiText(IDS_OFF)),
                             reinstall.on);
        m_report.AddNumberRow(L"DelayInsertMS", e.delayInsertMs);
        AddOnOffRow(L"DirectlyPrintText: ", e.directlyPrintText);
        AddOnOffRow(L"IsAllow_WaitAnswerFromExeAgent", m_inputs.waitAnswerFromExeAgent);
        m_report.AddStateRow(L"Logging", OnOffText(e.logging) + L", " + e.logPath, e.logging);
        AddOnOffRow(m_probes.MenuText(32770), m_inputs.hotKeyMenuActive);
        AddOnOffRow(L"Auto Check For Updates", e.autoCheckForUpdates);
        m_report.AddNumberRow(L"Check For Updates Every Days", e.checkForUpdatesDays);
        AddOnOffRow(m_probes.MenuText(32817), e.sounds);
        m_report.AddRow(L"Language File",
                        e.languageFile.IsEmpty() ? CString(L"English (Embedded)")
                                                 : e.languageFile + L", [" + e.languageLocalized + L"]",
                        kAboutRowPlain);
    }

    void AddAccessTests() {
        const CString phrases = WithTrailingBackslash(m_inputs.phrasesFolder);
        AddSuccessRow(L"Test for phrase-file", m_probes.TestCreateFile(phrases));
        AddSuccessRow(L"Test for phrase-group", m_probes.TestCreateFolder(phrases));
        AddFolderOpenRows(L"Clipboard Folder", m_folder + L"ClipboardHistory", true);
        AddFolderOpenRows(L"Phrases Folder", WithoutTrailingBackslash(m_inputs.phrasesFolder), false);
    }

    void AddFolderOpenRows(const CString& label, const CString& folder, bool withPath) {
        const CString suffix = withPath ? L", [" + folder + L"]" : CString();
        AddSuccessRow(label + L" [read]", m_probes.TestOpenFolder(folder, false), suffix);
        AddSuccessRow(L"Read Rights", m_probes.CanRead(folder));
        AddSuccessRow(label + L" [write]", m_probes.TestOpenFolder(folder, true), suffix);
        AddSuccessRow(L"Write Rights", m_probes.CanWrite(folder));
    }

    void AddTestFlags() {
        const std::vector<std::pair<CString, bool>> flags = m_probes.TestFlags();
        m_report.AddSection(L"Files [" + NumberText(static_cast<long long>(flags.size())) + L"]");
        for (const auto& flag : flags) AddYesNoRow(flag.first, flag.second);
    }

    void AddLanguageFiles() {
        const std::vector<AboutLanguageFile> files = m_probes.LanguageFiles();
        m_report.AddSection(L"Language Files [" + NumberText(static_cast<long long>(files.size())) + L"]");
        m_report.AddOkRow(L"Embedded", L"English");
        for (const AboutLanguageFile& file : files)
            m_report.AddOkRow(file.localizedName.IsEmpty() ? file.fileName : file.localizedName, file.fileName);
    }

    void AddProcesses() {
        m_report.AddSection(L"Processes");
        for (const CString& path : m_probes.ProcessNames())
            m_report.AddRow(GetFileNameOfPath(path), L" ", kAboutRowPlain);
    }

    void AddLog() {
        const std::vector<CString>& errors = m_inputs.collectedErrors;
        if (errors.empty()) return;
        m_report.AddSection(L"Log (" + NumberText(static_cast<long long>(errors.size())) + L")");
        int number = 1;
        for (const CString& error : errors) {
            CString label;
            label.Format(L"Message #%d", number++);
            m_report.AddRow(label, error, error.Find(L"error") >= 0 ? kAboutRowFail : kAboutRowPlain);
        }
    }

    void AddKnownOrFail(const CString& label, const CString& value, const wchar_t* failure) {
        if (value.IsEmpty())
            m_report.AddFailRow(label, failure);
        else
            m_report.AddRow(label, value, kAboutRowPlain);
    }

    CAboutReport& m_report;
    const AboutReportInputs& m_inputs;
    IAboutProbes& m_probes;
    const CString m_folder;
    AboutEnvironment m_environment;
};

}  // namespace

// ---------------------------------------------------------------------------------------
// Rows

int CAboutReport::AddRow(const CString& label, const CString& value, int kind) {
    AboutRow row;
    row.value = value;
    row.kind = kind;
    row.label = label;
    const int index = static_cast<int>(m_rows.size());
    if (kind == kAboutRowSection) {
        if (!label.IsEmpty()) {
            row.label = L" " + label + L" ";
            m_sections[index] = row.label;
        }
    } else if (!label.IsEmpty() && label != L" " && label.Right(1) != L":") {
        row.label += L":";
    }
    m_rows.push_back(std::move(row));
    return index;
}

int CAboutReport::AddNumberRow(const CString& label, long long number) {
    return AddRow(label, NumberText(number), kAboutRowPlain);
}

CString CAboutReport::GetTip(int row) const {
    if (row < 0 || row >= static_cast<int>(m_rows.size()) || m_rows[row].kind == kAboutRowSection) return CString();
    const auto own = m_tips.find(row);
    if (own != m_tips.end()) return own->second;
    return m_rows[row].label + L" " + m_rows[row].value;
}

CString BuildAboutCopyText(const std::vector<AboutRow>& rows) {
    CString text;
    bool first = true;
    for (const AboutRow& row : rows) {
        if (!first) text += L"\r\n";
        first = false;
        if (row.kind == kAboutRowSection) text += L"\r\n";
        if (row.label.IsEmpty())
            text += L"======================";
        else
            text += row.label.Left(kAboutCopyCellChars) + L" " + row.value.Left(kAboutCopyCellChars);
    }
    text.Trim();
    return text;
}

CString FormatClipboardReinstallText(bool on, DWORD intervalMs, const CString& onText, const CString& offText) {
    CString text;
    text.Format(L"%s [%lu]", static_cast<const wchar_t*>(on ? onText : offText),
                static_cast<unsigned long>(intervalMs));
    if (intervalMs == 0 || intervalMs >= 1000)
        text.AppendFormat(L" %lu sec", static_cast<unsigned long>(intervalMs / 1000));
    if (intervalMs > 60000) text.AppendFormat(L", %lu min", static_cast<unsigned long>(intervalMs / 60000));
    return text;
}

// ---------------------------------------------------------------------------------------
// Report parts

const std::vector<CString>& GetReportPrivilegeNames() {
    static const std::vector<CString> names = {
        L"SeCreateTokenPrivilege",
        L"SeAssignPrimaryTokenPrivilege",
        L"SeLockMemoryPrivilege",
        L"SeIncreaseQuotaPrivilege",
        L"SeUnsolicitedInputPrivilege",
        L"SeMachineAccountPrivilege",
        L"SeTcbPrivilege",
        L"SeSecurityPrivilege",
        L"SeTakeOwnershipPrivilege",
        L"SeLoadDriverPrivilege",
        L"SeSystemProfilePrivilege",
        L"SeSystemtimePrivilege",
        L"SeProfileSingleProcessPrivilege",
        L"SeIncreaseBasePriorityPrivilege",
        L"SeCreatePagefilePrivilege",
        L"SeCreatePermanentPrivilege",
        L"SeBackupPrivilege",
        L"SeRestorePrivilege",
        L"SeShutdownPrivilege",
        L"SeDebugPrivilege",
        L"SeAuditPrivilege",
        L"SeSystemEnvironmentPrivilege",
        L"SeChangeNotifyPrivilege",
        L"SeRemoteShutdownPrivilege",
        L"SeUndockPrivilege",
        L"SeSyncAgentPrivilege",
        L"SeEnableDelegationPrivilege",
        L"SeManageVolumePrivilege",
        L"SeImpersonatePrivilege",
        L"SeCreateGlobalPrivilege",
    };
    return names;
}

CString MakeComponentLabel(const CString& path) {
    const CString name = GetFileNameOfPath(path);
    const int dot = name.ReverseFind(L'.');
    if (dot < 0) return name;
    CString extension = name.Mid(dot);
    return name.Left(dot) + extension.MakeUpper();
}

void AddAboutComponentRow(CAboutReport& report, IAboutProbes& probes, const CString& path, const CString& name) {
    const bool exists = !path.IsEmpty() && probes.FileExists(path);
    CString value = exists ? probes.FileVersion(path) : CString();
    if (value.IsEmpty() && !exists) value = L"File Not Found";
    const CString description = name.IsEmpty() && exists ? probes.FileDescription(path) : name;
    if (!description.IsEmpty()) value += value.IsEmpty() ? description : L", " + description;
    report.AddRow(MakeComponentLabel(path), value, exists ? kAboutRowPlain : kAboutRowFail);
}

void AddAboutFileBlock(CAboutReport& report, IAboutProbes& probes, const CString& label, const CString& path) {
    const bool folder = probes.FolderExists(path);
    const CString title = label.IsEmpty() ? CString(folder ? L"Folder" : L"File") : label;
    const CString name = GetFileNameOfPath(path);
    report.AddSection(title + L" " + L" [" + name + L"]");
    report.AddRow(L"Full Path", path, kAboutRowPlain);
    const bool exists = folder || probes.FileExists(path);
    report.AddStateRow(name, exists ? L"exist" : L"not exists", exists);
    if (!exists) return;
    const bool readable = probes.CanRead(path);
    report.AddStateRow(L"Read Access", readable ? L"OK" : L"Denied", readable);
    const bool writable = probes.CanWrite(path);
    report.AddStateRow(L"Write Access", writable ? L"OK" : L"Denied", writable);
}

void AddAboutStatisticsRows(CAboutReport& report, const AboutReportInputs& inputs, IAboutProbes& probes) {
    const AboutPhraseStatistics& s = inputs.statistics;
    report.AddRow(probes.UiText(IDS_FOLDER), inputs.phrasesFolder, kAboutRowPlain);
    if (inputs.defaultFolder)
        report.AddOkRow(L"Default Folder", L"Yes, %DEFAULT_FOLDER%");
    else
        report.AddFailRow(L"Default Folder", kNo);
    report.AddNumberRow(L"All Phrases", s.all);
    report.AddNumberRow(L"Included Phrases", s.included);
    report.AddNumberRow(L"Folders", s.folders);
    report.AddNumberRow(L"Formatted Text", s.formatted);
    report.AddNumberRow(L"Plain Text", s.plain);
    report.AddNumberRow(L"Exec Apps", s.exec);
    CString usage;
    usage.Format(L"%lld times", s.usageSum);
    report.AddRow(L"All Usage", usage, kAboutRowPlain);
    usage.Format(L"%d times, %s", s.maxUsage, static_cast<const wchar_t*>(s.maxUsageName));
    report.AddRow(L"Max Usage", usage, kAboutRowPlain);
    const CString statPath = probes.StatFilePath();
    report.AddStateRow(probes.UiText(IDS_STATISTIC), statPath, probes.FileExists(statPath));
    report.AddOkRow(probes.UiText(IDS_PRINTED_CHARACTERS), FormatGroupedNumber(s.printedChars) + L", " +
                                                               probes.UiText(IDS_BOOK_PAGES) + L": " +
                                                               NumberText(s.printedChars / 1800));
}

void BuildAboutReport(CAboutReport& report, const AboutReportInputs& inputs, IAboutProbes& probes) {
    CReportBuilder(report, inputs, probes).Build();
}
