#include "tray/HookService.h"

#include "core/ShellHelpers.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/PlatformFunctions.h"
#include "core/base/ProcessInfo.h"
#include "hooklib/HookRecords.h"
#include "tray/QueryWait.h"

namespace {

template <class Proc>
Proc As(FARPROC proc) {
    return reinterpret_cast<Proc>(reinterpret_cast<void*>(proc));
}

HWND CallWindowExport(HMODULE library, const char* name) {
    if (!library) return nullptr;
    const auto proc = As<WPWindowProc>(GetProcAddress(library, name));
    return proc ? proc() : nullptr;
}

void LogTargetDescription(HWND window) {
    wchar_t className[256] = L"";
    if (window) GetClassNameW(window, className, 256);
    DWORD processId = 0;
    if (window) GetWindowThreadProcessId(window, &processId);
    const CString exe = processId ? _GetProcessPath_BY_PID(processId) : CString();
    DWORD type = 0;
    const BOOL typed = exe.IsEmpty() ? FALSE : GetBinaryTypeW(exe, &type);
    const bool is64 = typed && (type & SCS_64BIT_BINARY) == SCS_64BIT_BINARY;
    CString line = L"SendMessageToTargetWindow: ";
    line.AppendFormat(L"HWND =%d IsWindow(hwnd)=%d", static_cast<int>(ValueOf(window)), IsWindow(window) ? 1 : 0);
    line.AppendFormat(L" classname=[%s]", className);
    line.AppendFormat(L" PID=%d", static_cast<int>(processId));
    line.AppendFormat(L" exe=[%s]", exe.GetString());
    line.AppendFormat(L" GetBinaryType=[%d], dwType", static_cast<int>(type));
    line.AppendFormat(L" b64=[%d], b32=[%d]", is64 ? 1 : 0, is64 ? 0 : 1);
    LogWrite(line);
}

}  // namespace

CString BuildDllServiceErrorText(int code) {
    CString text = HookInstallErrorName(code);
    text.AppendFormat(L", Error code: %d", code);
    return text;
}

CVXLDLLService::CVXLDLLService(UINT monitoredMessage, const CString& libraryPath, bool wow64Road,
                               SelectionCopier copier)
    : m_libraryPath(libraryPath),
      m_wow64Road(wow64Road),
      m_copier(copier ? copier : &GetSelectedTextByCopy),
      m_monitoredMessage(monitoredMessage) {}

CVXLDLLService::CVXLDLLService(UINT monitoredMessage)
    : CVXLDLLService(monitoredMessage, GetHookDllPath(), Platform::IsWow64()) {}

CVXLDLLService::~CVXLDLLService() {
    if (m_subscribed) CWinEventHookManager::GetInstance().Unsubscribe(this);
}

FARPROC CVXLDLLService::Export(const char* name) const {
    return m_library ? GetProcAddress(m_library.get(), name) : nullptr;
}

void CVXLDLLService::AddNote(const CString& note) {
    if (!m_note.IsEmpty()) m_note += L" ";
    m_note += note;
}

int CVXLDLLService::Install(HWND mainWindow, UINT monitoredMessage, const wchar_t* dataNeededName,
                            const wchar_t* dataCompletedName, const wchar_t* mappingName, bool logFlag, int& error,
                            bool waitFlag) {
    return InstallDLLService(mainWindow, monitoredMessage, dataNeededName, dataCompletedName, mappingName, logFlag,
                             error, waitFlag);
}

int CVXLDLLService::InstallDLLService(HWND mainWindow, UINT monitoredMessage, const wchar_t* dataNeededName,
                                      const wchar_t* dataCompletedName, const wchar_t* mappingName, bool logFlag,
                                      int& error, bool waitFlag) {
    m_note.Empty();
    error = 0;
    // Checked before the clean-up below, which would otherwise tear down this very
    // installation's hooks while the service still counts itself installed.
    if (m_installed) {
        error = WPE_ALREADY_INSTALLED;
        LogError(L"InstallDLLService_IML_32::DLL service already installed");
        AddNote(L"InstallDLLService_IML_32 -> IsInstalledDLLService");
        return 0;
    }
    if (Un_Install_No_Control_Errors()) {
        AddNote(L"InstallDLLService_IML_32 -> Un_Install_No_Control_Errors()");
        m_subscribed = 0;
    }
    if (m_subscribed) {
        error = WPE_ALREADY_INSTALLED;
        AddNote(L"InstallDLLService_IML_32 -> WE_Installed");
        return 0;
    }
    m_library.reset(LoadLibraryW(m_libraryPath));
    if (!m_library) {
        error = kHookErrorCannotLoad;
        const CString text = L"Cannot load DLL by " + m_libraryPath;
        LogError(text);
        AddNote(L"NULL == hDLL" + text);
        return 0;
    }
    const auto install = As<WPInstallProc>(Export("WP_Install"));
    if (!install) {
        error = kHookErrorNoInstallExport;
        LogError(L"WP_Install not found");
        AddNote(L"NULL == check_pfnWP_Install not found");
        m_library.reset();
        return 0;
    }
    m_serviceEvent.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (!m_serviceEvent) {
        error = kHookErrorNoServiceEvent;
        LogError(L"Cannot create service event");
        AddNote(L"NULL == m_hServiceEvent" + CString(L"Cannot create service event"));
        m_library.reset();
        return 0;
    }

    // The path must outlive the call: the library copies it.
    const CString logPath = logFlag ? BuildLogReportPath() : CString();
    WP_INSTALL_INFO2 record = {};
    record.v1.mainWindow = mainWindow;
    record.v1.monitoredMessage = monitoredMessage;
    record.v1.dataNeededName = dataNeededName;
    record.v1.dataCompletedName = dataCompletedName;
    record.v1.mappingName = mappingName;
    record.v1.logPath = logFlag ? logPath.GetString() : nullptr;
    record.v1.logAtom = IsLogEnabled() ? LogGetAtom() : 0;
    record.v1.flags = waitFlag ? WPF_WAIT_ANSWER : 0;

    const auto install2 = As<WPInstall2Proc>(Export("WP_Install2"));
    int result = 0;
    if (install2) {
        LogWrite(L"Use v.2 WP_Install2 ");
        AddNote(L"pfn_V2 not NULL. Use v.2 WP_Install2 ");
        result = install2(&record);
    } else {
        LogWrite(L"Use v.1 WP_Install");
        AddNote(L"NULL == pfn_V2. Use v.1 WP_Install");
        // The version 1 record is the head of the version 2 one.
        result = install(&record.v1);
    }
    error = static_cast<int>(record.v1.error);
    m_installed = result;
    CString exitNote;
    exitNote.Format(L"EXIT InstallDLLService_Impl32: bSuccess= %d", result);
    AddNote(exitNote);
    AddNote(install2 ? L"pfn_V2 not a NULL. Result address: 1" : L"pfn_V2 not a NULL. Result address: 0");
    if (!result) {
        m_serviceEvent.reset();
        m_library.reset();
        LogError(m_note);
    } else {
        LogWrite(m_note);
    }
    return result;
}

int CVXLDLLService::Un_Install_No_Control_Errors() {
    HMODULE module = GetModuleHandleW(m_libraryPath);
    CLibraryHandle loadedHere;
    if (module) {
        LogWrite(L"DLL " + m_libraryPath + L" found by GetModuleHandle");
    } else {
        LogWrite(L"DLL load LoadLibrary: " + m_libraryPath);
        loadedHere.reset(LoadLibraryW(m_libraryPath));
        module = loadedHere.get();
    }
    if (!module) return 0;
    if (const auto uninstall2 = As<WPUninstall2Proc>(GetProcAddress(module, "WP_Uninstall2"))) {
        const WP_UNINSTALL_INFO forced = {sizeof(WP_UNINSTALL_INFO), 1, 0};
        const int result = uninstall2(&forced);
        CString line;
        line.Format(L"DLL Function: WP_Uninstall2, result=%d", result);
        LogWrite(line);
        return result;
    }
    LogError(L"Pointer to func not found: WP_Uninstall2");
    const auto uninstall = As<WPUninstallProc>(GetProcAddress(module, "WP_Uninstall"));
    if (!uninstall) {
        LogError(L"Pointer to func not found: WP_Uninstall");
        return 0;
    }
    LogWrite(L"Call func1: WP_Uninstall");
    const int result = uninstall();
    CString line;
    line.Format(L"Result of WP_Uninstall: %d", result);
    LogErrorOrWrite(line, result ? 1 : 0);
    return result;
}

int CVXLDLLService::UninstallDLLService() {
    if (m_subscribed) {
        CWinEventHookManager::GetInstance().Unsubscribe(this);
        m_subscribed = 0;
    }
    if (!m_installed) return 0;
    const auto uninstall = As<WPUninstallProc>(Export("WP_Uninstall"));
    if (!uninstall || !uninstall()) return 0;
    // Every program wakes up once, so its hook chain lets go of the library now rather
    // than at its next input.
    DWORD recipients = BSM_ALLCOMPONENTS;
    BroadcastSystemMessageW(BSF_POSTMESSAGE | BSF_ALLOWSFW, &recipients, WM_NULL, 0, 0);
    m_installed = 0;
    if (m_serviceEvent) SetEvent(m_serviceEvent.get());
    m_serviceEvent.reset();
    m_library.reset();
    return 1;
}

int CVXLDLLService::WE_IsIntalled() const {
    CString line;
    line.Format(L"CVXLDLLService::WE_IsIntalled result: %d", m_subscribed);
    LogWrite(line);
    return m_subscribed;
}

HWND CVXLDLLService::GetTargetWindow() {
    return m_installed ? CallWindowExport(m_library.get(), "WP_GetTargetWindow") : nullptr;
}

HWND CVXLDLLService::GetTargetWindowOther() {
    return m_installed ? CallWindowExport(m_library.get(), "WP_GetTargetWindowOther") : nullptr;
}

int CVXLDLLService::SendMessageToTargetWindow(WPARAM wParam, CWPQueryData& query) {
    LogTargetDescription(m_fallbackTarget);
    HWND target = GetTargetWindow();
    if (!target) target = m_fallbackTarget;
    if (!target) {
        if (IsLogEnabled()) LogError(L"Cannot sendmessage to target window CVXLDLLService::SendMessageToTargetWindow");
        return kTargetMessageFailed;
    }
    if (m_wow64Road) {
        FillQueryHere(target, query);
        return kTargetQueryFilledHere;
    }
    const BOOL posted = PostMessageW(target, m_monitoredMessage, wParam, 0);
    if (IsLogEnabled()) {
        CString line;
        line.Format(L"Sending message by PostMessage bRet=%d", posted ? 1 : 0);
        LogWrite(line);
    }
    return posted ? kTargetMessagePosted : kTargetMessageFailed;
}

void CVXLDLLService::FillQueryHere(HWND target, CWPQueryData& query) const {
    query.m_targetWindow = target;
    query.m_selTextState = WPSEL_UNREADABLE;
    const CString text = m_copier(target);
    if (!text.IsEmpty()) {
        query.m_selectedText = text;
        query.m_selTextState = WPSEL_READ;
    }
    query.m_appPath = _GetProcessName_BY_HWND(target);
    query.m_keyboardLayout = GetKeyboardLayout(GetWindowThreadProcessId(target, nullptr));
    wchar_t className[1024] = L"";
    GetClassNameW(target, className, 1024);
    query.m_windowClassName = className;
}

CString CVXLDLLService::GetDllServiceImplName() const {
    return m_wow64Road ? L"Use x64 implementation Win7 like" : L"Use x32 implementation XP like";
}

LRESULT CVXLDLLService::OnWinEvent(const WinEventRecord& record, DWORD) {
    if (record.event == EVENT_SYSTEM_FOREGROUND || record.event == EVENT_OBJECT_FOCUS) m_fallbackTarget = record.window;
    return 0;
}
