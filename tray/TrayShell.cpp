#include "tray/TrayShell.h"

#include "core/Settings.h"
#include "core/base/Logger.h"
#include "core/base/SehGuard.h"

namespace {

class CSystemTrayShell final : public ITrayShell {
public:
    BOOL Notify(DWORD message, NOTIFYICONDATAW* record) override { return Shell_NotifyIconW(message, record); }
};

template <size_t N>
void EndText(wchar_t (&field)[N]) {
    field[N - 1] = L'\0';
}

}  // namespace

ITrayShell& GetSystemTrayShell() {
    static CSystemTrayShell shell;
    return shell;
}

BOOL Shell_Notify(ITrayShell& shell, DWORD message, NOTIFYICONDATAW& record) {
    record.cbSize = kNotifyIconDataSize;
    EndText(record.szTip);
    EndText(record.szInfo);
    EndText(record.szInfoTitle);
    if (!CVXLSettings::GetInstance().SoundOnEventsV094) record.dwInfoFlags |= NIIF_NOSOUND;
    BOOL result = FALSE;
    DWORD code = 0;
    // The shell runs code of other vendors inside the call (shell extensions, hooks);
    // a fault there must not end the resident program.
    if (!RunGuarded([&] { result = shell.Notify(message, &record); }, &code)) {
        LogError(FormatExceptionReport(L"Exception in Shell_Notify", code));
        return FALSE;
    }
    return result;
}
