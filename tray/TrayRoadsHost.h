// The tray window as the hot-key road sees it.
#pragma once

#include "core/base/Handles.h"
#include "tray/PhraseRoads.h"

class CVXLTrayWnd;

class CTrayRoadsHost final : public IPhraseRoadsHost {
public:
    explicit CTrayRoadsHost(CVXLTrayWnd& tray) : m_tray(tray) {}
    HWND Window() override;
    void ShowBalloon(const CString& text, UINT timeoutMs) override;
    void StartEditor(const CString& newPhraseText, HWND owner) override;
    void BlockClipboardHistory() override;
    void SwitchLayout(HKL layout, HWND target) override;
    CString HotKeyText() override;

private:
    CVXLTrayWnd& m_tray;
    // Receives the end of a block: the tray window's own WM_APP+2 is the icon's callback.
    CWindowHandle m_blockWindow;
};
