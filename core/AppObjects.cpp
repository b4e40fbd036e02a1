#include "core/AppObjects.h"

#include <rpc.h>
#include <shellapi.h>
#include <shlobj.h>
#include <shlwapi.h>

#include <mutex>

#include "core/AppPaths.h"
#include "core/BitmapFile.h"
#include "core/LanguageFiles.h"
#include "core/Logger.h"
#include "core/NamedObjects.h"
#include "core/PlatformBinding.h"
#include "core/Security.h"
#include "core/Settings.h"
#include "core/ShellServices.h"
#include "core/SystemInfo.h"
#include "core/TextHelpers.h"
#include "core/WorkerThread.h"

namespace {

// A handle-sized slot written on one thread and read on others.
template <class T>
class CSlot {
public:
    void Set(T value) { InterlockedExchangePointer(&m_value, reinterpret_cast<void*>(value)); }
    T Get() const { return reinterpret_cast<T>(InterlockedCompareExchangePointer(&m_value, nullptr, nullptr)); }

private:
    mutable void* volatile m_value = nullptr;
};

CSlot<HANDLE> g_exitEvent;
CSlot<HWND> g_mainWindow;
CSlot<HWND> g_floatPaneWindow;
CSlot<HWND> g_aboutDialog;
CSlot<HWND> g_updateDialog;

const wchar_t kRunKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\Run";
const wchar_t kAutostartValue[] = L"Vexlora";
const DWORD kAutostartDelayMs = 1000;
const DWORD kFloatPaneNotifyDelayMs = 700;

LRESULT SendToMainWnd(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
    HWND main = CAppObjects::GetMainWnd();
    if (!main || !IsWindow(main)) return 0;
    return SendMessageW(main, message, wParam, lParam);
}

CString PrivilegeDisplayName(const wchar_t* privilege) {
    wchar_t name[256] = {};
    DWORD size = 256;
    DWORD language = 0;
    return LookupPrivilegeDisplayNameW(nullptr, privilege, name, &size, &language) ? CString(name) : CString();
}

// The thread's own handle to the application exit event.
CHandle DuplicateExitEvent() {
    return DuplicateForWorker(CAppObjects::GetAppExitEvent());
}

DWORD AutostartWriterProc(CHandle& exitEvent) {
    // A copy run from a stick or a share must not start with Windows from there.
    if (IsDriveRemovableOrRemote(GetOwnExecutablePath())) return 2;
    if (WaitForSingleObject(exitEvent.get(), kAutostartDelayMs) != WAIT_TIMEOUT) return 1;
    CAppObjects::SetAutostart(true);
    return 0;
}

struct CTempFileList {
    std::mutex lock;
    std::vector<CString> paths;
};

CTempFileList& TempFiles() {
    static CTempFileList list;
    return list;
}

bool StartsWithNoCase(const CString& text, const wchar_t* start) {
    int length = static_cast<int>(wcslen(start));
    return text.GetLength() >= length && text.Left(length).CompareNoCase(start) == 0;
}

struct WebSearchService {
    int id;
    const wchar_t* prefix;
};
const WebSearchService kWebSearchServices[] = {
    {5, L"http://www.google.com/search?q="},
    {6, L"http://yandex.com/search/?text="},
    {7, L"http://social.msdn.microsoft.com/Search/en-US?query="},
    {8, L"https://en.wikipedia.org/w/index.php?search="},
};

CString QueryClassesRootValue(const wchar_t* subKey) {
    wchar_t value[261] = {};
    LONG size = sizeof value - sizeof(wchar_t);
    if (RegQueryValueW(HKEY_CLASSES_ROOT, subKey, value, &size) != ERROR_SUCCESS) return CString();
    return CString(value);
}

bool IsExistingFile(const CString& path) { return FileExists(path) && !FolderExists(path); }

CString WindowClassName(HWND window) {
    wchar_t name[256] = {};
    GetClassNameW(window, name, 256);
    return CString(name);
}

// Ever stronger means until the window is gone; each means that made it go is logged.
void CloseWithEscalation(HWND window) {
    struct Step {
        void (*apply)(HWND);
        const wchar_t* logLine;
    };
    static const Step steps[] = {
        {[](HWND w) { SendMessageW(w, WM_CLOSE, 0, 0); }, L"\tClose by WM_CLOSE"},
        {[](HWND w) { SendMessageW(w, WM_SYSCOMMAND, SC_CLOSE, 0); }, L"\tClose by WM_SYSCOMMAND + SC_CLOSE"},
        {[](HWND w) { SendMessageW(w, WM_COMMAND, IDCANCEL, 0); }, L"\tClose by WM_COMMAND + IDCANCEL"},
        {[](HWND w) { EndDialog(w, IDCANCEL); }, L"\tClose by EndDialog + IDCANCEL"},
        {[](HWND w) { EndDialog(w, IDOK); }, L"\tClose by EndDialog + IDOK"},
    };
    for (const Step& step : steps) {
        step.apply(window);
        if (!IsWindow(window)) {
            LogWrite(step.logLine);
            return;
        }
    }
    CloseWindow(window);
    DestroyWindow(window);
}

struct DialogSearch {
    HWND mainWindow;
    DWORD threadId;
    int count;
};

BOOL CALLBACK CloseDlgProc(HWND window, LPARAM parameter) {
    DialogSearch& search = *reinterpret_cast<DialogSearch*>(parameter);
    if (GetWindowThreadProcessId(window, nullptr) != search.threadId || GetParent(window) != search.mainWindow)
        return TRUE;
    CString className = WindowClassName(window);
    LogWrite(L"CloseDlgProc Class name: " + className);
    if (className != L"#32770") return TRUE;
    ++search.count;
    wchar_t text[2600] = {};
    GetWindowTextW(window, text, 2600);
    LogWrite(CString(L"Dialog detected: ") + text);
    CloseWithEscalation(window);
    return TRUE;
}

void CloseIfOpen(HWND dialog) {
    if (dialog && IsWindow(dialog)) CloseWithEscalation(dialog);
}

using BroadcastSystemMessageWFn = long(WINAPI*)(DWORD, LPDWORD, UINT, WPARAM, LPARAM);

}  // namespace

namespace CAppObjects {

void SetAppExitEvent(HANDLE event) { g_exitEvent.Set(event); }
HANDLE GetAppExitEvent() { return g_exitEvent.Get(); }
void SetMainWnd(HWND window) { g_mainWindow.Set(window); }
HWND GetMainWnd() { return g_mainWindow.Get(); }
void SetFloatPaneWnd(HWND window) { g_floatPaneWindow.Set(window); }
HWND GetFloatPaneWnd() { return g_floatPaneWindow.Get(); }
void SetAboutDlgHwnd(HWND window) { g_aboutDialog.Set(window); }
HWND GetAboutDlgHwnd() { return g_aboutDialog.Get(); }
void SetUpdateDlgHwnd(HWND window) { g_updateDialog.Set(window); }
HWND GetUpdateDlgHwnd() { return g_updateDialog.Get(); }

bool IsAllowWaitAnswer() { return SendToMainWnd(WM_VXL_ALLOW_WAIT_ANSWER) != 0; }
void* GetClipboardHistoryHandler() { return reinterpret_cast<void*>(SendToMainWnd(WM_VXL_GET_HISTORY_HANDLER)); }
void HideMenuToolTip() { SendToMainWnd(WM_VXL_HIDE_MENU_TOOLTIP); }

bool GetFloatPaneSelectedText(CString& text) {
    text.Empty();
    return SendToMainWnd(WM_VXL_GET_PANE_SELECTED_TEXT, 0, reinterpret_cast<LPARAM>(&text)) == 1;
}

void* GetClipboardHistoryQueue() { return reinterpret_cast<void*>(SendToMainWnd(WM_VXL_GET_HISTORY_QUEUE)); }
void HideTrayBalloon() { SendToMainWnd(WM_VXL_HIDE_TRAY_BALLOON); }

void ShowFloatPane() {
    HWND main = GetMainWnd();
    if (main && IsWindow(main)) PostMessageW(main, WM_VXL_SHOW_FLOAT_PANE, GetCurrentThreadId(), 0);
}

int FillLanguageMenuByMainWnd(HMENU menu) {
    HWND main = GetMainWnd();
    if (!main || !IsWindow(main)) return 0;
    SendMessageW(main, WM_VXL_FILL_LANGUAGE_MENU, reinterpret_cast<WPARAM>(menu), 0);
    return GetMenuItemCount(menu);
}

bool IsHotKeyRegistered() { return SendToMainWnd(WM_VXL_IS_HOTKEY_REGISTERED) != 0; }

BOOL SendNotifyToWindow(HWND window, UINT message, WPARAM wParam) {
    if (!IsWindow(window)) window = GetMainWnd();
    if (!window) return FALSE;
    return ::SendNotifyMessageW(window, message, wParam, 0);
}

bool SetAutostart(bool on) {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return false;
    CRegKeyHandle key(raw);
    if (!on) return RegDeleteValueW(key.get(), kAutostartValue) == ERROR_SUCCESS;
    CString data = GetOwnExecutablePath() + L" /autoload";
    return RegSetValueExW(key.get(), kAutostartValue, 0, REG_SZ, reinterpret_cast<const BYTE*>(data.GetString()),
                          static_cast<DWORD>(data.GetLength()) * sizeof(wchar_t)) == ERROR_SUCCESS;
}

bool IsAutostartSet() {
    HKEY raw = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, kRunKey, 0, KEY_QUERY_VALUE, &raw) != ERROR_SUCCESS) return false;
    CRegKeyHandle key(raw);
    wchar_t data[261] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    DWORD type = 0;
    if (RegQueryValueExW(key.get(), kAutostartValue, nullptr, &type, reinterpret_cast<BYTE*>(data), &size) !=
            ERROR_SUCCESS ||
        (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    CString path(data);
    int slash = path.Find(L'/');
    if (slash >= 0) path = path.Left(slash);
    path.TrimRight(L' ');
    // The whole path must match: an empty or cut value does not start this program.
    return !path.IsEmpty() && path.CompareNoCase(GetOwnExecutablePath()) == 0;
}

bool StartAutostartWriterThread(CHandle* thread) {
    CHandle exitEvent = DuplicateExitEvent();
    if (!exitEvent) return false;
    return StartWorker(std::make_unique<CHandle>(std::move(exitEvent)), &AutostartWriterProc, {}, thread);
}

bool Set_App_Privelegies() {
    CHandle token = OpenOwnProcessToken(TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY);
    if (!token) {
        LogError(L"CAppObjects::Set_App_Privelegies: CANNOT OpenProcessToken  ");
        return false;
    }
    LogWrite(L"CAppObjects::Set_App_Privelegies: succesfully OpenProcessToken  ");
    bool any = false;
    for (const wchar_t* privilege : {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege"}) {
        bool enabled = SecurityUtil2::SetPrivilege(token.get(), privilege, true);
        CString line;
        line.Format(L"SecurityUtil2::SetPrivilege: %s %s %d", privilege, PrivilegeDisplayName(privilege).GetString(),
                    enabled ? 1 : 0);
        if (enabled) LogWrite(line);
        else LogError(line);
        any = any || enabled;
    }
    return any;
}

CString Get_App_Privelegies_ToolTip() {
    const wchar_t* const names[] = {L"SeTakeOwnershipPrivilege", L"SeDebugPrivilege", L"SeTcbPrivilege",
                                    L"SeSecurityPrivilege", L"SeImpersonatePrivilege"};
    const int count = static_cast<int>(sizeof names / sizeof names[0]);
    CPrivilegeRecord records[count];
    InitPrivilegeNames(records, count, names);
    QueryProcessPrivileges(records, count);
    CString text;
    for (const CPrivilegeRecord& record : records) {
        if (!text.IsEmpty()) text += L"\n";
        text += record.name + (record.enabled ? L": enabled" : L": disabled");
    }
    return text;
}

void AddTempFileForDeletion(const wchar_t* path) {
    if (!path || !*path) return;
    CTempFileList& list = TempFiles();
    std::lock_guard<std::mutex> lock(list.lock);
    list.paths.push_back(path);
}

void DeleteTempFilesOnExit() {
    CTempFileList& list = TempFiles();
    std::lock_guard<std::mutex> lock(list.lock);
    if (list.paths.empty()) {
        LogWrite(L"No files for deletion on exit");
        return;
    }
    int deleted = 0;
    for (const CString& path : list.paths) {
        CTempFile file(path);
        if (file.Delete()) {
            ++deleted;
            LogWrite(L"Delete temp file on exit [" + path + L"]");
        } else {
            LogError(L"FAIL on delete temp file on exit [" + path + L"]");
        }
    }
    int total = static_cast<int>(list.paths.size());
    list.paths.clear();
    LogWriteFormat(L"Delete temp files on exit. Deleted %d from %d", deleted, total);
}

CString NormalizeUrlText(const wchar_t* text, bool chooseProgram) {
    CString url(text);
    if (!chooseProgram) url.Trim(L' ');
    for (const wchar_t* run : {L"\r\n", L"\r", L"\n", L"\t", L"   ", L"  "}) url.Replace(run, L" ");
    for (const wchar_t* scheme : {L"http://", L"https://", L"ftp://", L"mailto:", L"file:///", L"file://"})
        if (StartsWithNoCase(url, scheme)) return url;
    return L"http://" + url;
}

bool OpenUrl(HWND owner, const wchar_t* text, bool chooseProgram) {
    CString url = NormalizeUrlText(text, chooseProgram);
    if (chooseProgram) return OpenWithDialog(owner, url);
    return reinterpret_cast<UINT_PTR>(ShellRun(owner, L"open", url, nullptr, nullptr, SW_SHOW)) > 32;
}

CString UrlEncodeQuery(const wchar_t* text) {
    std::string utf8 = WideToUtf8(text);
    CString encoded;
    for (unsigned char byte : utf8) {
        bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') || (byte >= '0' && byte <= '9') ||
                          byte == '-' || byte == '_' || byte == '.' || byte == '~';
        if (unreserved) encoded += static_cast<wchar_t>(byte);
        else encoded.AppendFormat(L"%%%02X", static_cast<unsigned>(byte));
    }
    return encoded;
}

CString BuildWebSearchUrl(const wchar_t* query, int serviceId) {
    for (const WebSearchService& service : kWebSearchServices) {
        if (service.id != serviceId) continue;
        CString flat(query);
        for (const wchar_t* lineBreak : {L"\r\n", L"\n", L"\r"}) flat.Replace(lineBreak, L" ");
        // Encoded, so that "&", "#", "?" or "+" in the text are searched for, not read as
        // parts of the address.
        return CString(service.prefix) + UrlEncodeQuery(flat);
    }
    return CString();
}

bool WebSearch(const wchar_t* query, int serviceId) {
    CString url = BuildWebSearchUrl(query, serviceId);
    if (url.IsEmpty()) return false;
    return reinterpret_cast<UINT_PTR>(RunCommandWithErrorBox(url, true, GetMainWnd(), false)) > 32;
}

bool OpenWith(HWND owner, const wchar_t* path) { return OpenWithDialog(owner, path); }

bool WriteClipboardItemToFile(const CClipboardItemData& item, const wchar_t* path, UINT options) {
    std::string bytes;
    const char* data = static_cast<const char*>(item.data);
    auto writeUtf16 = [&bytes](const wchar_t* text, size_t length) {
        const wchar_t mark = 0xFEFF;
        bytes.assign(reinterpret_cast<const char*>(&mark), sizeof mark);
        bytes.append(reinterpret_cast<const char*>(text), length * sizeof(wchar_t));
    };
    bool bitmap = false;
    switch (item.kind) {
    case CClipboardItemData::kText:
    case CClipboardItemData::kRtf: {
        // Up to the terminator, never past the data's size.
        size_t length = data ? strnlen(data, item.size) : 0;
        if (item.kind == CClipboardItemData::kRtf && (options & kItemFileRtfAsUtf16)) {
            std::wstring wide = AnsiToWide(std::string(data ? data : "", length).c_str());
            writeUtf16(wide.data(), wide.size());
        } else {
            bytes.assign(data ? data : "", length);
        }
        break;
    }
    case CClipboardItemData::kUnicodeText: {
        const wchar_t* text = static_cast<const wchar_t*>(item.data);
        writeUtf16(text ? text : L"", text ? wcsnlen(text, item.size / sizeof(wchar_t)) : 0);
        break;
    }
    case CClipboardItemData::kBitmap: bitmap = true; break;
    default: bytes.assign(data ? data : "", data ? item.size : 0); break;
    }

    const DWORD attributes = (options & kItemFileTemporary)
                                 ? FILE_ATTRIBUTE_TEMPORARY | FILE_ATTRIBUTE_NOT_CONTENT_INDEXED
                                 : FILE_ATTRIBUTE_NORMAL;
    bool written = false;
    if (bitmap) {
        HBITMAP handle = static_cast<HBITMAP>(const_cast<void*>(item.data));
        written = SaveBitmapToFile(path, handle);
        if (written && (options & kItemFileTemporary)) SetFileAttributesW(path, attributes);
    } else {
        SECURITY_ATTRIBUTES* security = (options & kItemFileOpenSecurity) ? GetOpenSecurityAttributes() : nullptr;
        CFileHandle file(CreateFileW(path, GENERIC_WRITE, 0, security, CREATE_ALWAYS, attributes, nullptr));
        if (!file) {
            LogError(CString(L"Cannot create file pathName=[") + path + L"]");
            return false;
        }
        DWORD done = 0;
        written = WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) &&
                  done == bytes.size();
    }
    if (written && item.isProtected) {
        DWORD current = GetFileAttributesW(path);
        if (current != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, current | FILE_ATTRIBUTE_READONLY);
    }
    if (written && (options & kItemFileDeleteAtExit)) AddTempFileForDeletion(path);
    return written;
}

bool OpenClipboardItem(HWND owner, const CClipboardItemData& item, CString& path, bool openDirectly) {
    const wchar_t* extension = nullptr;
    switch (item.kind) {
    case CClipboardItemData::kText:
    case CClipboardItemData::kUnicodeText: extension = L".txt"; break;
    case CClipboardItemData::kRtf: extension = L".rtf"; break;
    case CClipboardItemData::kBitmap: extension = L".bmp"; break;
    case CClipboardItemData::kHtml: return true;
    default: break;
    }
    if (extension) path = BuildTempFileName(nullptr, extension);
    if (path.IsEmpty() || !WriteClipboardItemToFile(item, path, kItemFileTemporary | kItemFileOpenSecurity |
                                                                     kItemFileRtfAsUtf16 | kItemFileDeleteAtExit)) {
        LogError(L"Cannot write clipboard data into " + path);
        return false;
    }
    if (!openDirectly) return OpenWithDialog(owner, path);
    return reinterpret_cast<UINT_PTR>(
               ShellRun(owner, L"open", path, nullptr, GetFolderOfPath(path), SW_SHOWMAXIMIZED)) > 32;
}

CString GetOpenProgramOfExtension(const wchar_t* extension) {
    CString dotted = MakeDotExtension(extension);
    if (dotted.IsEmpty()) return CString();
    CString fileType = QueryClassesRootValue(dotted);
    if (fileType.IsEmpty()) return CString();
    CString command = QueryClassesRootValue(fileType + L"\\shell\\open\\command");
    if (command.IsEmpty()) return CString();
    command.Remove(L'"');
    while (!command.IsEmpty() && !IsExistingFile(command)) command = command.Left(command.GetLength() - 1);
    command.Trim();
    return command;
}

CString GetDefaultBrowserCommand() { return QueryClassesRootValue(L"http\\shell\\open\\command"); }

CString GetHttpOpenExecutable() {
    wchar_t path[MAX_PATH + 1] = {};
    DWORD size = MAX_PATH;
    if (FAILED(AssocQueryStringW(ASSOCF_NONE, ASSOCSTR_EXECUTABLE, L"http", L"open", path, &size))) return CString();
    return CString(path);
}

CString GetNotepadPath() {
    wchar_t folder[MAX_PATH + 1] = {};
    if (GetWindowsDirectoryW(folder, MAX_PATH)) {
        CString path = WithTrailingBackslash(CString(folder)) + L"Notepad.exe";
        if (FileExists(path)) return path;
    }
    if (!GetSystemDirectoryW(folder, MAX_PATH)) return CString();
    return WithTrailingBackslash(CString(folder)) + L"Notepad.exe";
}

CIconHandle GetVideoFilesIcon() {
    SHFILEINFOW info = {};
    wchar_t folder[MAX_PATH + 1] = {};
    if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_MYVIDEO, nullptr, SHGFP_TYPE_CURRENT, folder)) &&
        SHGetFileInfoW(folder, 0, &info, sizeof info, SHGFI_ICON | SHGFI_SMALLICON) && info.hIcon)
        return CIconHandle(info.hIcon);
    info = {};
    if (SHGetFileInfoW(L".avi", FILE_ATTRIBUTE_NORMAL, &info, sizeof info,
                       SHGFI_ICON | SHGFI_SMALLICON | SHGFI_USEFILEATTRIBUTES))
        return CIconHandle(info.hIcon);
    return CIconHandle();
}

bool IsNewVersionMarkerPresent() { return FileExists(GetProgramFolder() + L"hasnew.hasnew"); }

CString NewGuidText() {
    UUID uuid = {};
    if (UuidCreate(&uuid) != RPC_S_OK) return CString();
    RPC_WSTR text = nullptr;
    if (UuidToStringW(&uuid, &text) != RPC_S_OK || !text) return CString();
    CString result(reinterpret_cast<const wchar_t*>(text));
    RpcStringFreeW(&text);
    return result;
}

long Broadcast(DWORD flags, DWORD* recipients, UINT message, WPARAM wParam, LPARAM lParam) {
    auto broadcast = BindProc<BroadcastSystemMessageWFn>(GetPlatformBinder().FindLoaded(L"user32.dll"),
                                                         "BroadcastSystemMessageW");
    return broadcast ? broadcast(flags, recipients, message, wParam, lParam) : 0;
}

int CloseOpenDialogsOf(HWND mainWindow) {
    CloseIfOpen(GetAboutDlgHwnd());
    CloseIfOpen(GetUpdateDlgHwnd());
    DialogSearch search = {mainWindow, GetWindowThreadProcessId(mainWindow, nullptr), 0};
    if (mainWindow && search.threadId) EnumWindows(CloseDlgProc, reinterpret_cast<LPARAM>(&search));
    LogWriteFormat(L"EnumWindows: DlgCount%d", search.count);
    return search.count;
}

int CloseOpenDialogs() { return CloseOpenDialogsOf(GetMainWnd()); }

bool StartLngWriterThread() { return StartUnlocalizedWriter(GetAppExitEvent()); }

void SetUseRuUrls() {
    CString file = GetCurrentLngFile();
    bool ru = IsLngFileRuPrefix(file);
    LogWriteFormat(L"CAppObjects::SetUseRuUrls, lng=[%s], bRu=%d", file.GetString(), ru ? 1 : 0);
    CVXLUrl::_Set_Use_RU_Urls(ru);
}

int FillLanguageMenu(HMENU popup, std::vector<CString>& names) {
    while (GetMenuItemCount(popup) > 1) DeleteMenu(popup, 1, MF_BYPOSITION);
    AppendMenuW(popup, MF_SEPARATOR, 0, nullptr);
    EnumLanguageFiles(names, nullptr);
    FillLanguageMenuItems(popup, kFirstLanguageCommandId, names, CVXLSettings::GetInstance().GetLanguage());
    return static_cast<int>(names.size());
}

UINT TrackLanguageMenu(HMENU popup, POINT point, HWND window) {
    std::vector<CString> names;
    FillLanguageMenu(popup, names);
    HWND owner = window ? window : GetMainWnd();
    // A menu tracked by a window that is not in the foreground does not close when
    // the user clicks elsewhere.
    SetForegroundWindow(owner);
    UINT id = static_cast<UINT>(
        TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RETURNCMD, point.x, point.y, 0, owner, nullptr));
    if (id != 0) SendToMainWnd(WM_VXL_LANGUAGE_CHOSEN, id, reinterpret_cast<LPARAM>(&names));
    return id;
}

CString DownloadVersionInfoFile(const wchar_t* address) {
    CString path = BuildTempFileName(nullptr, L".xml");
    if (path.IsEmpty()) return CString();
    IUrlDownloads& downloads = GetUrlDownloads();
    bool loaded = downloads.DownloadWinInet(address, path, L"Vexlora");
    if (!loaded) {
        LogWrite(L"Cannot download info version file by Download2");
        loaded = downloads.DownloadUrlMon(address, path);
        LogWrite(loaded ? L"Well download info version file sucessfully by URLDownloadToFile_API_Wrapper"
                        : L"Ooops, cannot download info version file by URLDownloadToFile_API_Wrapper");
    }
    if (!loaded) {
        CTempFile(path).Delete();
        return CString();
    }
    DWORD attributes = GetFileAttributesW(path);
    if (attributes != INVALID_FILE_ATTRIBUTES) SetFileAttributesW(path, attributes | FILE_ATTRIBUTE_TEMPORARY);
    return path;
}

bool NotifyFloatPaneHighlight(LONG value) {
    // Made on first use and never destroyed: its worker may outlive static destruction.
    static CDebouncedNotifier* notifier =
        new CDebouncedNotifier(GetAppExitEvent(), &GetFloatPaneWnd, WM_VXL_PANE_ITEM_HIGHLIGHT, kFloatPaneNotifyDelayMs);
    return notifier->Notify(value);
}

}  // namespace CAppObjects

// ---------------------------------------------------------------------------------------
// CDebouncedNotifier

struct CDebouncedNotifier::State {
    CHandle stopEvent;
    TargetProc target;
    UINT message;
    DWORD delayMs;
    volatile LONG value = 0;
    volatile LONG completedDelays = 0;
    std::mutex lock;
    CHandle request;  // made with the worker; closed by the worker when it ends
    bool ended = false;
};

namespace {

DWORD NotifierWorker(std::shared_ptr<CDebouncedNotifier::State>& owner) {
    CDebouncedNotifier::State& state = *owner;
    HANDLE request = state.request.get();
    for (;;) {
        HANDLE waits[2] = {state.stopEvent.get(), request};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0 + 1) break;
        ResetEvent(request);
        if (WaitForSingleObject(state.stopEvent.get(), state.delayMs) != WAIT_TIMEOUT) break;
        LONG value = InterlockedCompareExchange(&state.value, 0, 0);
        HWND target = state.target();
        if (value != 0 && target && IsWindow(target)) PostMessageW(target, state.message, value, 0);
        InterlockedIncrement(&state.completedDelays);
    }
    std::lock_guard<std::mutex> lock(state.lock);
    state.ended = true;
    state.request.reset();
    return 0;
}

}  // namespace

CDebouncedNotifier::CDebouncedNotifier(HANDLE stopEvent, TargetProc target, UINT message, DWORD delayMs)
    : m_state(std::make_shared<State>()) {
    m_state->stopEvent = DuplicateForWorker(stopEvent);
    m_state->target = target;
    m_state->message = message;
    m_state->delayMs = delayMs;
}

CDebouncedNotifier::~CDebouncedNotifier() = default;

bool CDebouncedNotifier::Notify(LONG value) {
    State& state = *m_state;
    HWND target = state.target();
    if (!target || !IsWindow(target)) return false;
    if (InterlockedExchange(&state.value, value) == value) return true;
    if (value == 0) return true;
    std::lock_guard<std::mutex> lock(state.lock);
    if (state.ended || !state.stopEvent) return false;
    if (!state.request) {
        state.request.reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
        if (!state.request) return false;
        if (!StartWorker(std::make_unique<std::shared_ptr<State>>(m_state), &NotifierWorker)) {
            state.request.reset();
            return false;
        }
    }
    return SetEvent(state.request.get()) != FALSE;
}

LONG CDebouncedNotifier::GetCompletedDelaysForTest() const {
    return InterlockedCompareExchange(&m_state->completedDelays, 0, 0);
}

// ---------------------------------------------------------------------------------------
// Guards

CAutoForegroundWindow::CAutoForegroundWindow(HWND target)
    : m_previous(GetForegroundWindow()),
      m_ownThread(GetCurrentThreadId()),
      m_foregroundThread(m_previous ? GetWindowThreadProcessId(m_previous, nullptr) : 0),
      m_attached(false) {
    LogWindowInfo(L"CAutoForegroundWindow: foreground window", m_previous);
    LogWindowInfo(L"CAutoForegroundWindow: target window", target);
    // Only a thread that shares the foreground thread's input may take the foreground.
    if (m_foregroundThread && m_foregroundThread != m_ownThread)
        m_attached = AttachThreadInput(m_ownThread, m_foregroundThread, TRUE) != FALSE;
    if (target) SetForegroundWindow(target);
}

CAutoForegroundWindow::~CAutoForegroundWindow() {
    if (m_previous && IsWindow(m_previous)) SetForegroundWindow(m_previous);
    if (m_attached) AttachThreadInput(m_ownThread, m_foregroundThread, FALSE);
}

CLastErrorInfo::CLastErrorInfo() : m_code(GetLastError()), m_message(), m_number() { SetLastError(0); }

const wchar_t* CLastErrorInfo::FormatMessageText() {
    m_message[0] = 0;
    FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, m_code, 0, m_message, 1023,
                   nullptr);
    return m_message;
}

const wchar_t* CLastErrorInfo::FormatErrorCode() {
    _snwprintf(m_number, 99, L"%d", static_cast<int>(m_code));
    return m_number;
}
