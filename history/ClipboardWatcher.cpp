#include "history/ClipboardWatcher.h"

#include <vector>

#include "core/base/CString.h"
#include "core/base/Logger.h"

namespace {

const wchar_t kSpyClassName[] = L"ClipboardSpyWndHidden";

using AddListenerFunction = BOOL(WINAPI*)(HWND);

// Looked up at run time: the program also runs on systems older than Vista, where the
// format listener does not exist and an import would keep it from starting.
AddListenerFunction User32Function(const char* name) {
    HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) user32 = LoadLibraryW(L"user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<AddListenerFunction>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

class CSystemClipboardNotices final : public IClipboardNotices {
public:
    bool HasFormatListener() override { return User32Function("AddClipboardFormatListener") != nullptr; }

    bool AddFormatListener(HWND window) override {
        const AddListenerFunction add = User32Function("AddClipboardFormatListener");
        return add && add(window);
    }

    bool RemoveFormatListener(HWND window) override {
        const AddListenerFunction remove = User32Function("RemoveClipboardFormatListener");
        if (!remove) return false;
        remove(window);
        return true;
    }

    bool JoinViewerChain(HWND window, HWND& next) override {
        // A null result is also the answer of an empty chain; only the error code tells a
        // refusal apart. The caller's own error code is kept.
        const DWORD callerError = GetLastError();
        SetLastError(0);
        next = SetClipboardViewer(window);
        const bool joined = next || GetLastError() == 0;
        SetLastError(callerError);
        return joined;
    }

    void LeaveViewerChain(HWND window, HWND next) override { ChangeClipboardChain(window, next); }
};

ATOM RegisterSpyClass(HINSTANCE instance) {
    static ATOM atom = 0;
    WNDCLASSEXW windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    if (atom && GetClassInfoExW(instance, kSpyClassName, &windowClass)) return atom;
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = &wincore::StartWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(nullptr, IDI_APPLICATION);
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    windowClass.lpszClassName = kSpyClassName;
    atom = RegisterClassExW(&windowClass);
    if (!atom && GetLastError() == ERROR_CLASS_ALREADY_EXISTS) {
        atom = static_cast<ATOM>(GetClassInfoExW(instance, kSpyClassName, &windowClass));
    }
    return atom;
}

void LogBufferedNumber(const wchar_t* format, int value) {
    CString line;
    line.Format(format, value);
    LogBuffered(line);
}

CClipboardSpy* g_programSpy = nullptr;

}  // namespace

IClipboardNotices& SystemClipboardNotices() {
    static CSystemClipboardNotices notices;
    return notices;
}

int ResolveClipboardSpyMethod(int setting, IClipboardNotices& notices) {
    if (setting == CSMO_SETCLIPBOARDVIEWER || setting == CSMO_ADDCLIPBOARDLISTENER) return setting;
    return notices.HasFormatListener() ? CSMO_ADDCLIPBOARDLISTENER : CSMO_SETCLIPBOARDVIEWER;
}

CClipboardSpy& CClipboardSpy::GetInstance() {
    static CClipboardSpy spy(SystemClipboard(), SystemClipboardNotices());
    g_programSpy = &spy;
    return spy;
}

const CClipboardSpy::ObserverMap& CClipboardSpy::GetClipboardObservers() {
    static const ObserverMap none;
    return g_programSpy ? g_programSpy->GetObservers() : none;
}

UINT CClipboardSpy::SpyMessage() {
    static const UINT message = RegisterWindowMessageW(L"{CC278AD4-3207-4aeb-B6BC-0342A5E6815D}");
    return message;
}

CClipboardSpy::CClipboardSpy(IClipboard& clipboard, IClipboardNotices& notices)
    : m_clipboard(clipboard), m_notices(notices), m_lastSequence(clipboard.SequenceNumber()) {}

CClipboardSpy::~CClipboardSpy() {
    // The window must not outlive the object its messages are dispatched to.
    if (m_window) DestroyWindow(m_window);
    if (g_programSpy == this) g_programSpy = nullptr;
}

bool CClipboardSpy::Install(int newMethodAllowed, HINSTANCE instance, HWND parent) {
    if (IsInstalled()) return false;
    // A window left from a re-installation that failed would keep this object as its own.
    if (m_window) DestroyWindow(m_window);
    m_newMethodAllowed = newMethodAllowed == 1;
    if (!RegisterSpyClass(instance)) {
        LogError(L"CClipboardSpy::Install: the window class could not be registered");
        return false;
    }
    wincore::CCreationHook hook(this);
    CreateWindowExW(0, kSpyClassName, L"", WS_CHILD, -100, -100, 10, 10, parent, nullptr, instance, nullptr);
    return IsInstalled();
}

bool CClipboardSpy::Uninstall() {
    if (m_window) DestroyWindow(m_window);
    return !IsInstalled();
}

void CClipboardSpy::SetObserver(IClipboardSpyObserver* observer, DWORD cookie) {
    m_observers[observer] = cookie;
}

void CClipboardSpy::RemoveObserver(IClipboardSpyObserver* observer) {
    m_observers.erase(observer);
}

void CClipboardSpy::ClearObservers() {
    m_observers.clear();
}

BOOL CClipboardSpy::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
    if (message == SpyMessage()) {
        NotifyObservers(wParam, lParam);
        result = 0;
        return TRUE;
    }
    switch (message) {
        case WM_CREATE:
            result = OnCreate();
            return TRUE;
        case WM_DESTROY:
            OnDestroy();
            return FALSE;
        case WM_TIMER:
            return wParam == kTimerId ? (result = OnTimer(wParam), TRUE) : FALSE;
        case WM_DRAWCLIPBOARD:
            result = OnDrawClipboard(wParam, lParam);
            return TRUE;
        case WM_CHANGECBCHAIN:
            result = OnChangeClipboardChain(reinterpret_cast<HWND>(wParam), reinterpret_cast<HWND>(lParam));
            return TRUE;
        case WM_CLIPBOARDUPDATE:
            result = OnClipboardUpdate();
            return TRUE;
        default:
            return FALSE;
    }
}

void CClipboardSpy::OnAttached(HWND window) noexcept {
    m_window = window;
}

void CClipboardSpy::OnDetached(HWND) noexcept {
    m_window = nullptr;
}

LRESULT CClipboardSpy::OnCreate() {
    return InstallNotices() ? 0 : -1;
}

void CClipboardSpy::OnDestroy() {
    RemoveNotices();
}

LRESULT CClipboardSpy::OnTimer(WPARAM) {
    CheckSequence();
    return 0;
}

LRESULT CClipboardSpy::OnDrawClipboard(WPARAM wParam, LPARAM lParam) {
    // Joining the chain again sends this message at once; it reports no change, and the
    // rest of the chain has had it already.
    if (m_reinstalling) return 0;
    PostChange();
    if (m_nextViewer == m_window) {
        m_nextViewer = nullptr;
    } else if (m_nextViewer) {
        SendMessageW(m_nextViewer, WM_DRAWCLIPBOARD, wParam, lParam);
    }
    return 0;
}

LRESULT CClipboardSpy::OnChangeClipboardChain(HWND removed, HWND next) {
    // A null `removed` names no window: taking it as our null next viewer would link us
    // to `next` and could close the chain into a ring.
    if (removed && removed == m_nextViewer) {
        m_nextViewer = next == m_window ? nullptr : next;
    } else if (m_nextViewer == m_window) {
        m_nextViewer = nullptr;
    } else if (m_nextViewer) {
        SendMessageW(m_nextViewer, WM_CHANGECBCHAIN, reinterpret_cast<WPARAM>(removed), reinterpret_cast<LPARAM>(next));
    }
    return 0;
}

LRESULT CClipboardSpy::OnClipboardUpdate() {
    PostChange();
    return 0;
}

void CClipboardSpy::PostChange() {
    // Posted, not called: observers read the clipboard, which the program that just wrote
    // it may still hold open while the notice is sent.
    PostMessageW(m_window, SpyMessage(), 0, reinterpret_cast<LPARAM>(GetClipboardOwner()));
}

bool CClipboardSpy::InstallNotices() {
    m_method = kClipboardSpyNotInstalled;
    if (m_newMethodAllowed && m_notices.AddFormatListener(m_window)) m_method = CSMO_ADDCLIPBOARDLISTENER;
    if (m_method == kClipboardSpyNotInstalled) {
        HWND next = nullptr;
        if (m_notices.JoinViewerChain(m_window, next)) {
            m_nextViewer = next == m_window ? nullptr : next;
            m_method = CSMO_SETCLIPBOARDVIEWER;
        }
    }
    if (!IsInstalled()) {
        LogError(L"CClipboardSpy::Install: neither the format listener nor the viewer chain could be installed");
        return false;
    }
    LogWrite(L"ReInstall entity for HWNDClipboardSpy IS IMPLEMENTED");
    if (m_method == CSMO_SETCLIPBOARDVIEWER) {
        LogWrite(L"Well, start ReInstall entity for HWNDClipboardSpy");
        m_timer.interval = kViewerChainIntervalMs;
    } else {
        LogWrite(L"N-o-o-o-, ReInstall entity IS NOT NEED, use newest method CSPM_VISTA");
        m_timer.interval = kFormatListenerIntervalMs;
    }
    m_timer.id = SetTimer(m_window, kTimerId, m_timer.interval, nullptr);
    return true;
}

void CClipboardSpy::RemoveNotices() {
    if (m_method == CSMO_SETCLIPBOARDVIEWER) {
        m_notices.LeaveViewerChain(m_window, m_nextViewer);
        m_nextViewer = nullptr;
    } else if (m_method == CSMO_ADDCLIPBOARDLISTENER) {
        m_notices.RemoveFormatListener(m_window);
    }
    m_method = kClipboardSpyNotInstalled;
    if (m_timer.id) KillTimer(m_window, kTimerId);
    m_timer = TimerRecord();
}

void CClipboardSpy::CheckSequence() {
    const DWORD sequence = m_clipboard.SequenceNumber();
    if (sequence == m_lastSequence) return;
    m_lastSequence = sequence;
    if (!IsInstalled()) {
        LogBufferedNumber(L"ERRROR: REINSTALL: IsInstalled=%d", 0);
    } else {
        m_reinstalling = true;
        RemoveNotices();
        if (!InstallNotices()) {
            LogBufferedNumber(L"REINSTALL: InstalledNew=%d", 0);
            PostMessageW(m_window, SpyMessage(), 1, 0);
        }
        m_reinstalling = false;
    }
    LogFlushBuffered();
}

void CClipboardSpy::NotifyObservers(WPARAM what, LPARAM lParam) {
    // Taken before the empty check: a notice nobody hears must not look like a silent
    // change at the next check.
    if (what == 0) m_lastSequence = m_clipboard.SequenceNumber();
    if (m_observers.empty()) {
        LogError(L"Clipboard Observers is empty");
        return;
    }
    HWND source = reinterpret_cast<HWND>(lParam);
    if (what == 0 && !source) source = GetForegroundWindow();
    // Observers may come and go from inside their calls: those added now wait for the next
    // notice, those removed now are not called.
    std::vector<IClipboardSpyObserver*> observers;
    for (const auto& entry : m_observers) observers.push_back(entry.first);
    for (IClipboardSpyObserver* observer : observers) {
        const auto entry = m_observers.find(observer);
        if (entry == m_observers.end()) continue;
        if (what == 0) {
            observer->OnClipboardChanged(source, entry->second);
        } else if (what == 1) {
            observer->OnClipboardSpyStateChanged(entry->second);
        }
    }
}
