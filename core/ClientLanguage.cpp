#include "core/ClientLanguage.h"

#include "core/Settings.h"
#include "core/UiStrings.h"

CLngMenu& GetClientMenuLng() {
    static CLngMenu* menu = [] {
        // The settings object's language, not only the file's key: on a first run the
        // choice made from the keyboard language and the files present is in no file yet.
        const CString languagePath = CVXLSettings::GetInstance().GetLanguageFilePath();
        CString path = BuildLngFilePath(languagePath.Mid(languagePath.ReverseFind(L'\\') + 1));
        CLngMenu* built = new CLngMenu(path, true, GetClientSectionSuffix());
        SetUILanguage(path, GetClientSectionSuffix());
        return built;
    }();
    return *menu;
}
