#include "tray/TrayRoadsHost.h"

#include "core/AppSlots.h"
#include "core/AppTexts.h"
#include "core/KeyboardInput.h"
#include "core/Launch.h"
#include "core/MyCopyGuard.h"
#include "core/TrayIds.h"
#include "core/base/InputSender.h"
#include "tray/TrayWnd.h"

HWND CTrayRoadsHost::Window() {
    return m_tray.m_hWnd;
}

void CTrayRoadsHost::ShowBalloon(const CString& text, UINT timeoutMs) {
    if (CTrayIcon* icon = m_tray.GetTrayIcon()) icon->ShowTrayBalloon(text, timeoutMs);
}

void CTrayRoadsHost::StartEditor(const CString& newPhraseText, HWND) {
    StartPhraseEditorNow(true, false, false, newPhraseText);
}

namespace {

LRESULT CALLBACK BlockWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DELAY_UNLOCK) {
        OnDelayUnlock();
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace

void CTrayRoadsHost::BlockClipboardHistory() {
    if (!m_blockWindow) {
        static const ATOM atom = [] {
            WNDCLASSW windowClass = {};
            windowClass.lpfnWndProc = BlockWindowProc;
            windowClass.hInstance = GetModuleHandleW(nullptr);
            windowClass.lpszClassName = L"Vexlora_Copy_Block";
            return RegisterClassW(&windowClass);
        }();
        if (atom)
            m_blockWindow.reset(CreateWindowExW(0, L"Vexlora_Copy_Block", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                                GetModuleHandleW(nullptr), nullptr));
    }
    if (m_blockWindow) Start_AsynBlockClipboardHandler(m_blockWindow.get(), CAppObjects::GetAppExitEvent());
}

void CTrayRoadsHost::SwitchLayout(HKL layout, HWND target) {
    CKeyboardInput(SystemInputSender()).SwitchKeyboardLayout(layout, GetWindowThreadProcessId(target, nullptr), target);
}

CString CTrayRoadsHost::HotKeyText() {
    return GetHotKeyText();
}
