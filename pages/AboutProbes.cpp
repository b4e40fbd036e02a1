// The report's questions to this machine and this program. Each answers "not known"
// (an empty text, false, -1) instead of failing; the report turns that into a red row.
#include <windows.h>
#include <shellapi.h>

#include "core/AppTexts.h"
#include "core/ClientLanguage.h"
#include "core/CommandLine.h"
#include "core/DateTimeTexts.h"
#include "core/DefaultPrograms.h"
#include "core/LanguageFiles.h"
#include "core/MenuResourceIds.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "core/Statistics.h"
#include "core/SystemInfo.h"
#include "core/TestSwitches.h"
#include "core/UiStrings.h"
#include "core/VersionInfo.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/PlatformFunctions.h"
#include "core/base/Privileges.h"
#include "core/base/ProcessInfo.h"
#include "core/base/Security.h"
#include "pages/AboutReport.h"
#include "pages/WebDownload.h"

namespace {

CString JoinNonEmpty(std::initializer_list<CString> parts) {
    CString text;
    for (const CString& part : parts) {
        if (part.IsEmpty()) continue;
        if (!text.IsEmpty()) text += L", ";
        text += part;
    }
    return text;
}

CString ReadFileVersion(const CString& path) {
    CFileVersionInfo info(path);
    if (!info.Read()) return CString();
    CString version = info.GetText(CFileVersionInfo::kFileVersion);
    version.Replace(L",", L".");
    version.Replace(L" ", L"");
    return version;
}

// The default browser's file: the registered "http" program when it exists, else what
// the shell opens a fresh ".htm" file with. The probe file is deleted again.
CString FindDefaultBrowser() {
    CString browser = CAppObjects::GetHttpOpenExecutable();
    if (!browser.IsEmpty() && FileExists(browser)) return browser;
    const CString probe = BuildTempFileName(GetTempFolder(), L".test_vxl.htm");
    if (probe.IsEmpty()) return CString();
    CFileHandle file(CreateFileW(probe, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
    if (!file) {
        LogWriteFormat(L"CAboutProbes::FindDefaultBrowser: cannot create %s (%lu)", static_cast<const wchar_t*>(probe),
                       GetLastError());
        return CString();
    }
    file.reset();
    wchar_t found[MAX_PATH] = {};
    const auto result = reinterpret_cast<INT_PTR>(FindExecutableW(probe, nullptr, found));
    DeleteFileW(probe);
    return result > 32 ? CString(found) : CString();
}

CString DescribeBrowser(const CString& path) {
    CFileVersionInfo info(path);
    CString text;
    if (info.Read()) {
        text = info.GetFileDescription();
        const CString version = ReadFileVersion(path);
        if (!version.IsEmpty()) text += L" " + version;
    }
    return JoinNonEmpty({text, GetFileNameOfPath(path)});
}

CString CodePageText() {
    CString text;
    const UINT codePage = GetACP();
    text.Format(L"%u", codePage);
    CPINFOEXW info = {};
    if (GetCPInfoExW(codePage, 0, &info)) text += CString(L", ") + info.CodePageName;
    return text;
}

CString InstallDateText() {
    SYSTEMTIME utc = {};
    SYSTEMTIME local = {};
    if (!GetWindowsInstallDate(&utc) || !UtcToLocalTime(utc, local)) return CString();
    return FormatDateTimeLocal(local);
}

CString CommitLimitText() {
    MEMORYSTATUSEX status = {};
    status.dwLength = sizeof(status);
    if (!GlobalMemoryStatusEx(&status)) return CString();
    return Platform::FormatByteSize(status.ullTotalPageFile);
}

class CSystemAboutProbes final : public IAboutProbes {
public:
    CString UiText(UINT id) override { return LoadUiString(id); }
    CString MenuText(UINT commandId) override {
        return GetClientMenuLng().GetMenuItemTextByID(IDR_TRAY_MENU, commandId, GetModuleHandleW(nullptr));
    }

    CString ProgramFolder() override { return GetProgramFolder(); }
    CString VersionTextWithName() override {
        const CString text = GetProgramVersionText(true);
        return text.IsEmpty() ? CString(L"Vexlora") : text;
    }
    CString CompileDateTime() override { return GetBuildStamp(); }
    CString SettingsFilePath() override { return GetSettingsFilePath(); }
    CString StatFilePath() override { return GetStatFilePath(); }

    bool FileExists(const CString& path) override { return ::FileExists(path); }
    bool FolderExists(const CString& path) override { return ::FolderExists(path); }
    bool CanRead(const CString& path) override { return IsFileReadable(path); }
    bool CanWrite(const CString& path) override { return IsFileWritable(path); }
    CString FileVersion(const CString& path) override { return ReadFileVersion(path); }
    CString FileDescription(const CString& path) override {
        CFileVersionInfo info(path);
        return info.Read() ? info.GetFileDescription() : CString();
    }

    bool HasExport(const CString& libraryPath, const char* name) override {
        if (HMODULE loaded = GetModuleHandleW(libraryPath)) return GetProcAddress(loaded, name) != nullptr;
        // Only the export table is wanted: the library's own start-up code is not run.
        CLibraryHandle library(LoadLibraryExW(libraryPath, nullptr, DONT_RESOLVE_DLL_REFERENCES));
        if (!library) return false;
        return GetProcAddress(library.get(), name) != nullptr;
    }

    CString FirstDllIn(const CString& folder) override {
        WIN32_FIND_DATAW found = {};
        CFindHandle find(FindFirstFileW(folder + L"*.dll", &found));
        return find ? CString(found.cFileName) : CString();
    }

    CString Mfc42Path() override {
        const CString path = GetMfcLibraryPath();
        return path == L"Not found" ? CString() : path;
    }

    std::vector<AboutPrivilege> Privileges(const std::vector<CString>& names) override {
        std::vector<const wchar_t*> pointers;
        for (const CString& name : names) pointers.push_back(name);
        std::vector<CPrivilegeRecord> records(names.size());
        const int count = static_cast<int>(records.size());
        InitPrivilegeNames(records.data(), count, pointers.data());
        QueryProcessPrivileges(records.data(), count);
        CPrivilegeList list;
        BuildPrivilegeList(records.data(), count, list, true);
        std::vector<AboutPrivilege> privileges;
        for (const CPrivilegeRecord& record : list)
            privileges.push_back({record.name, record.displayName, record.enabled != FALSE});
        return privileges;
    }

    std::vector<std::pair<CString, CString>> CommandLineKeys() override {
        std::vector<std::pair<CString, CString>> keys;
        for (const auto& entry : GetCommandLineArgsMap())
            keys.emplace_back(L"/" + entry.second.key, GetCommandLineKeyDescription(entry.first));
        return keys;
    }

    std::vector<std::pair<CString, bool>> TestFlags() override {
        std::vector<CString> names;
        FillTestFlagNames(names);
        std::vector<std::pair<CString, bool>> flags;
        for (const CString& name : names) flags.emplace_back(name, IsTestFlagPresent(name));
        return flags;
    }

    std::vector<AboutLanguageFile> LanguageFiles() override {
        std::vector<CString> names;
        EnumLanguageFiles(names, nullptr);
        std::vector<AboutLanguageFile> files;
        // The list starts with the built-in language's empty name, which the report shows
        // in a row of its own.
        for (const CString& name : names)
            if (!name.IsEmpty()) files.push_back({name, GetLngLocalizedName(GetProgramFolder() + name)});
        return files;
    }

    std::vector<CString> ProcessNames() override {
        std::vector<CString> names;
        GetRunningProcessNames(names, true);
        return names;
    }

    AboutEnvironment Environment() override {
        AboutEnvironment e;
        e.osText = GetOSVersionText();
        e.osCode = GetOsCodeOfThisOs();
        e.wow64 = Platform::IsWow64();
        e.installDate = InstallDateText();
        e.memory = CommitLimitText();
        e.memoryPhysicalAvailable = KnownOrEmpty(GetMemoryPhysicalAvailableText());
        e.memoryInstalled = KnownOrEmpty(GetMemoryInstalledText());
        e.memoryUsage = KnownOrEmpty(GetMemoryUsageText());
        SYSTEM_INFO system = {};
        GetSystemInfo(&system);
        e.cpuCount = static_cast<int>(system.dwNumberOfProcessors);
        bool admin = false;
        e.admin = CheckAdminMembership(admin) ? (admin ? 1 : 0) : -1;
        e.ieVersion = GetIEVersion();
        const CString browser = FindDefaultBrowser();
        e.browserFound = browser.IsEmpty() ? 0 : 1;
        if (e.browserFound) e.browserText = DescribeBrowser(browser);
        e.online = IsOnline();
        e.domain = Platform::GetComputerDomainName();
        e.country = JoinNonEmpty(
            {Platform::GetGeoFriendlyName(), Platform::GetGeoOfficialName(), Platform::GetGeoIsoName(false)});
        e.codePage = CodePageText();
        e.screenWidth = GetSystemMetrics(SM_CXVIRTUALSCREEN);
        e.screenHeight = GetSystemMetrics(SM_CYVIRTUALSCREEN);
        e.aero = Platform::DwmIsCompositionEnabled();
        e.executablePath = GetOwnExecutablePath();
        e.installed = IsFromInstaller();

        CVXLSettings& settings = CVXLSettings::GetInstance();
        e.hotKeyText = GetHotKeyText();
        e.clipboardTrackingName = ClipboardSpyMethodOptionsToStr(settings.GetClipboardSpyMethodOption());
        e.writeUnlockEventName = GetWriteUnlockEventName();
        e.watchMethod0Name = ClipboardSpyMethodOptionsToStr(0);
        e.watchMethod1Name = ClipboardSpyMethodOptionsToStr(1);
        e.watchMethod1Available = Platform::IsAddClipboardFormatListenerAvailable();
        e.delayInsertMs = GetDelayInsertMilliseconds();
        e.directlyPrintText = settings.TextPasteMethod != 1;  // 1: through the clipboard
        e.autoCheckForUpdates = settings.AutoCheckForUpdates;
        e.checkForUpdatesDays = static_cast<int>(settings.GetDaysCheckForUpdates());
        e.sounds = settings.SoundOnEventsV094;
        e.logging = IsLogEnabled();
        e.logPath = GetLogReportPath();
        e.languageFile = settings.GetLanguage();
        if (!e.languageFile.IsEmpty()) e.languageLocalized = GetLngLocalizedName(settings.GetLanguageFilePath());
        return e;
    }

    bool TestCreateFile(const CString& folder) override {
        const CString path = BuildTempFileName(folder, L".vexlora");
        if (path.IsEmpty()) return false;
        CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY, nullptr));
        if (!file) return false;
        const char bytes[12] = {'V', 'e', 'x', 'l', 'o', 'r', 'a', ' ', 't', 'e', 's', 't'};
        DWORD written = 0;
        const bool ok = WriteFile(file.get(), bytes, sizeof(bytes), &written, nullptr) && written == sizeof(bytes);
        file.reset();
        if (!DeleteFileW(path))
            LogWriteFormat(L"CAboutProbes::TestCreateFile: cannot delete %s", static_cast<const wchar_t*>(path));
        return ok;
    }

    bool TestCreateFolder(const CString& folder) override {
        const CString path = BuildTempFileName(folder, L"");
        if (path.IsEmpty() || !CreateDirectoryW(path, nullptr)) return false;
        RemoveDirectoryW(path);
        return true;
    }

    bool TestOpenFolder(const CString& folder, bool write) override {
        CFileHandle handle(CreateFileW(folder, write ? GENERIC_WRITE : GENERIC_READ, FILE_SHARE_READ, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        return static_cast<bool>(handle);
    }

private:
    static CString KnownOrEmpty(const CString& text) { return text == L"Cannot detect" ? CString() : text; }
};

}  // namespace

IAboutProbes& GetSystemAboutProbes() {
    static CSystemAboutProbes probes;
    return probes;
}
