#include "core/ClientLanguage.h"

#include "core/LanguageMenu.h"
#include "core/Settings.h"
#include "core/UiStrings.h"

namespace {

// The settings object's language, not only the file's key: on a first run the choice made
// from the keyboard language and the files present is in no file yet.
CString SettingsLanguageFile() {
    const CString languagePath = CVXLSettings::GetInstance().GetLanguageFilePath();
    return BuildLngFilePath(languagePath.Mid(languagePath.ReverseFind(L'\\') + 1));
}

}  // namespace

CLngMenu& GetClientMenuLng() {
    static CLngMenu* menu = [] {
        CString path = SettingsLanguageFile();
        CLngMenu* built = new CLngMenu(path, true, GetClientSectionSuffix());
        SetUILanguage(path, GetClientSectionSuffix());
        return built;
    }();
    return *menu;
}

bool MakeSettingsLanguageCurrent() {
    CLngMenu& menu = GetClientMenuLng();
    const CString path = SettingsLanguageFile();
    const bool changed = path.CompareNoCase(menu.GetLngFile()) != 0;
    SetCurrentLngFile(path);
    SetUILanguage(path, GetClientSectionSuffix());
    CAppObjects::SetUseRuUrls();
    return changed;
}
