// The main program's language: the one place that ties the menu translator of the
// language files (core/LanguageFiles.h) and the UI strings (core/UiStrings.h) to the
// language the settings object holds.
#pragma once

#include "core/LanguageFiles.h"

// The main program's translator, built on first use from the language the settings object
// holds (the stored "Language" or, on a first run, its own choice) with the collect flag
// on and the suffix "_Client"; it also sets the UI-string language to the same file.
// Later calls return the same object.
CLngMenu& GetClientMenuLng();
// Makes the language the settings object holds current again (after the editor or the
// welcome program changed it): the language file, the UI strings and the web pages'
// language follow it. True when the language file changed.
bool MakeSettingsLanguageCurrent();
