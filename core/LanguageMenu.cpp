#include "core/LanguageMenu.h"

#include "core/AppSlots.h"
#include "core/LanguageFiles.h"
#include "core/Settings.h"
#include "core/TrayIds.h"
#include "core/WebDestinations.h"
#include "core/base/Logger.h"

namespace CAppObjects {

bool StartLngWriterThread() {
    return StartUnlocalizedWriter(GetAppExitEvent());
}

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
    UINT id =
        static_cast<UINT>(TrackPopupMenu(popup, TPM_RIGHTALIGN | TPM_RETURNCMD, point.x, point.y, 0, owner, nullptr));
    HWND main = GetMainWnd();
    if (id != 0 && main && IsWindow(main))
        SendMessageW(main, WM_VXL_LANGUAGE_CHOSEN, id, reinterpret_cast<LPARAM>(&names));
    return id;
}

}  // namespace CAppObjects
