#include "tray/Startup.h"

#include <commctrl.h>
#include <objbase.h>
#include <ole2.h>

#include "core/AppPrivileges.h"
#include "core/AppSlots.h"
#include "core/Autostart.h"
#include "core/ClientLanguage.h"
#include "core/Instance.h"
#include "core/LanguageFiles.h"
#include "core/Launch.h"
#include "core/Settings.h"
#include "core/SystemInfo.h"
#include "core/TempFiles.h"
#include "core/base/Clipboard.h"
#include "core/base/Clock.h"
#include "core/base/Handles.h"
#include "core/base/LogPath.h"
#include "core/base/Logger.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"
#include "core/base/SharedEvents.h"
#include "history/ClipboardHandler.h"
#include "history/HistoryFiles.h"
#include "platform/wtl/AtlApp.h"
#include "tray/ActionServices.h"
#include "tray/HistoryMenuSource.h"
#include "tray/HookService.h"
#include "tray/ItemActions.h"
#include "tray/PhraseMenuHandler.h"
#include "tray/PhraseRoads.h"
#include "tray/QueryWait.h"
#include "tray/TrayFloatPane.h"
#include "tray/TrayRoadsHost.h"
#include "tray/TrayWnd.h"

namespace {

const DWORD kMaxAutoloadDelaySeconds = 600;
const DWORD kHandOverWaitMs = 10000;

void LogStartFacts(const CString& commandLine) {
    CString line;
    line.Format(L"Start Vexlora %s  on %s", GetProgramFileVersion().GetString(), GetOSVersionText().GetString());
    LogWrite(line);
    LogWrite(L"Command Line: " + commandLine);
    LogWrite(L"Windows Session Username " + GetSessionUserName());
    LogWrite(CString(L"Has Admin priveliegies: ") + (IsUserAdmin() ? L"YES" : L"no"));
}

// The delayed start with Windows; a plain start meanwhile ends the delay at once.
void WaitInAutomode(DWORD delaySeconds) {
    if (delaySeconds > kMaxAutoloadDelaySeconds) delaySeconds = kMaxAutoloadDelaySeconds;
    CHandle automode(CreateEventW(GetOpenSecurityAttributes(), FALSE, FALSE, kAutoloadDelayEventName));
    if (!automode) return;
    LogWrite(L"Starting waiting for automode...");
    DWORD result = WaitForSingleObject(automode.get(), delaySeconds * 1000);
    automode.reset();
    if (result == WAIT_OBJECT_0) {
        LogWrite(L"INFO: automode disabled WAIT_OBJECT_0");
    } else if (result == WAIT_TIMEOUT) {
        LogWrite(L"INFO: automode expired WAIT_TIMEOUT");
    } else {
        CString line;
        line.Format(L"INFO: automode default %d", static_cast<int>(result));
        LogWrite(line);
    }
}

void WaitForEndingInstance() {
    SignalExitEvents();
    DWORD error = 0;
    if (WaitForHandOverEvent(kHandOverWaitMs, &error)) return;
    CString line;
    line.Format(L"Cannot wait event from first instance\n\nError Code: %u\n%s", static_cast<unsigned>(error),
                GetErrorMessageText(error).GetString());
    LogError(line);
}

// Hands the request to the running instance: the first that applies.
void ForwardToRunningInstance(const CVXLCommandLine& commandLine) {
    if (commandLine.IsShowMenu())
        SignalShowInstanceEvent();
    else if (commandLine.IsExit())
        SignalExitEvents();
    else if (commandLine.IsCfu())
        SignalCheckForUpdates();
    else
        SignalAlreadyWork();
}

void WriteStartBanner() {
    if (!IsLogEnabled()) return;
    LogSetTag(L"TEMP PREFIX TEXT");
    CString banner;
    banner.Format(L"\n\n=============================\n===Start Vexlora %s on %s=== %s",
                  GetProgramFileVersion().GetString(), GetOSVersionText().GetString(), LogStampText().GetString());
    LogWrite(banner);
    LogResetTag();
}

void InitUiLibraries(HINSTANCE instance) {
    CoInitialize(nullptr);
    DefWindowProcW(nullptr, 0, 0, 0);
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_LISTVIEW_CLASSES | ICC_BAR_CLASSES};
    InitCommonControlsEx(&controls);
    CreateOptionsChangedEvent();
    wtl::Module().Init(instance);
    OleInitialize(nullptr);
}

int Shutdown(CHandle& exitEvent, int exitCode) {
    CloseOptionsChangedEvent();
    SetEvent(exitEvent.get());
    SetHandleInformation(exitEvent.get(), HANDLE_FLAG_PROTECT_FROM_CLOSE, 0);
    exitEvent.reset();
    CAppObjects::SetAppExitEvent(nullptr);
    // Only now, with this instance's event gone, may an elevated successor go on.
    SignalHandOverEvent();
    CAppObjects::DeleteTempFilesOnExit();
    // Each log line has a writer thread of its own: the end banner must wait for the
    // lines before it to stay the last one.
    LogWaitPending(5000);
    LogWrite(L"===End Vexlora=== " + LogStampText());
    wtl::Module().Term();
    OleUninitialize();
    CoUninitialize();
    // Line threads would die with the process: let the last lines reach the file.
    LogWaitPending(5000);
    return exitCode;
}

}  // namespace

int RunApplication(HANDLE exitEvent, bool noInstall, const CVXLCommandLine* commandLine) {
    wtl::CMessageLoop loop;
    wtl::Module().AddMessageLoop(&loop);
    int exitCode = 0;
    {
        // Made before the window and gone after it: the window uses them up to its end.
        CVXLDLLService hookService(GetTargetQueryMessage());
        CVXL_Wait_Objs waitObjects;
        CVXLWndClipboardHandler history(SystemClipboard(), SystemClock(), CClipboardSpy::GetInstance(),
                                        GetClipboardHistoryFolder());
        CHistoryMenuSource historySource(history);
        CVXLTrayWnd trayWindow(exitEvent, noInstall, commandLine);
        trayWindow.SetMenuHistory(&historySource);
        trayWindow.SetHookService(&hookService);
        trayWindow.SetClipboardHistory(&history);
        trayWindow.SetQueryExchange(&waitObjects);
        // Its window is destroyed before the tray window and the history it lists.
        CTrayFloatPane floatPane(trayWindow, history, hookService);
        trayWindow.SetFloatPane(&floatPane);
        if (trayWindow.Create(wtl::Module().GetModuleInstance())) {
            // The menu and the roads post to the window, so they are made once it exists.
            IDataNeededHander_MenuSelf menuHandler(trayWindow.m_hWnd, WM_VXL_COMMAND_FROM_SELF,
                                                   trayWindow.GetPhraseTree(), &history, &historySource);
            CTrayRoadsHost roadsHost(trayWindow);
            CPhraseRoads roads(roadsHost, trayWindow.GetPhraseTree(), hookService, menuHandler, SystemActionServices(),
                               SystemItemActionShell(trayWindow.m_hWnd), &historySource);
            trayWindow.SetRoads(&roads);
            exitCode = loop.Run();
            trayWindow.SetRoads(nullptr);
        }
        trayWindow.SetFloatPane(nullptr);
    }
    wtl::Module().RemoveMessageLoop();
    return exitCode;
}

int VexloraWinMain(HINSTANCE instance, const wchar_t* commandLineText) {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    if (settings.WriteLog) LogInit(BuildLogReportPath());
    CVXLCommandLine commandLine(commandLineText);
    commandLine.Parse();
    LogStartFacts(commandLine.GetCommandLine());

    if (commandLine.IsUa()) CAppObjects::SetAutostart(false);
    CAppObjects::Set_App_Privelegies();

    if (!commandLine.IsAutoload()) {
        if (SignalAutomodeEvent()) {
            LogWrite(L"Signal for automode. Exit");
            LogWaitPending(5000);
            return 12;
        }
        LogWrite(L"Automode not found. Continue");
    } else if (settings.DelayAutoLoadSeconds != 0) {
        WaitInAutomode(settings.DelayAutoLoadSeconds);
    }

    GetClientMenuLng();

    bool oneShotDone = false;
    if (commandLine.IsEdit()) oneShotDone = SignalEditRequest();
    if (commandLine.IsHelp()) {
        ShowCommandLineKeysBox(GetDesktopWindow(), GetProgramVersionText());
        oneShotDone = true;
    }
    if (oneShotDone) {
        LogWaitPending(5000);
        return 0;
    }

    if (commandLine.IsAsAdmin()) WaitForEndingInstance();
    if (commandLine.IsUa()) CAppObjects::SetAutostart(false);
    if (IsInstanceRunning()) {
        ForwardToRunningInstance(commandLine);
        LogWaitPending(5000);
        return 1;
    }
    if (commandLine.IsExit()) {
        LogWaitPending(5000);
        return 1;
    }

    bool madeByAnother = false;
    CHandle exitEvent(CreateInstanceEvent_Vexlora_EXE(&madeByAnother));
    // Two starts at the same moment both pass the test above; the one whose event was
    // already there forwards its request like any later start.
    if (madeByAnother) {
        exitEvent.reset();
        ForwardToRunningInstance(commandLine);
        LogWaitPending(5000);
        return 1;
    }
    if (!exitEvent) {
        LogError(L"Cannot create event: CAppObjects::CreateInstanceEvent_Vexlora_EXE");
        LogWaitPending(5000);
        return 2;
    }
    // Lent to everyone below: none of them may close it, only Shutdown does.
    SetHandleInformation(exitEvent.get(), HANDLE_FLAG_PROTECT_FROM_CLOSE, HANDLE_FLAG_PROTECT_FROM_CLOSE);
    CAppObjects::SetAppExitEvent(exitEvent.get());
    CreateInstanceWatchers(exitEvent.get());
    StartUnlocalizedWriter(exitEvent.get());
    WriteStartBanner();

    InitUiLibraries(instance);
    if (StartWaiterProgram())
        LogWrite(L"VxlWaitingFor is stated succesfully");
    else
        LogError(L"CANNOT start VxlWaitingFor");

    int exitCode = RunApplication(exitEvent.get(), commandLine.IsNoInstall(), &commandLine);
    return Shutdown(exitEvent, exitCode);
}
