// The tray menu as the tray window shows it: loaded from its resource, translated, its
// language and history items filled in and every item set to the program's state. The
// window gathers the state and tracks the menu; what is here knows no window.
#pragma once

#include <windows.h>

#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"

class CLngMenu;
class IMenuHistorySource;

const UINT kLastLanguageCommandId = 33049;
const UINT kFirstTrayHistoryCommandId = 34000;
const UINT kLastTrayHistoryCommandId = 34099;

// The tray menu's commands without a constant elsewhere.
const WORD ID_ENABLE_PHRASE_MENU = 32770;
const WORD ID_START_WITH_WINDOWS = 32774;
const WORD ID_REREAD_PHRASES = 32775;
const WORD ID_HOW_TO_LOCALIZE = 32776;
const WORD ID_VISIT_WEB_SITE = 32781;
const WORD ID_VISIT_FORUM = 32782;
const WORD ID_EMAIL_TO_US = 32783;
const WORD ID_SAVE_PHRASE_FROM_CLIPBOARD = 32785;
const WORD ID_HISTORY_KEEP = 32786;
const WORD ID_HISTORY_CLEAR = 32789;
const WORD ID_RSS_FEED = 32790;
const WORD ID_HISTORY_SAVE_ON_EXIT = 32809;
const WORD ID_WRITE_LOG = 32815;
const WORD ID_SOUNDS = 32817;
const WORD ID_VIDEO = 32818;
const WORD ID_HISTORY_REKEEP = 32819;
const WORD ID_VISIT_QUICK_START = 32823;
const WORD ID_VISIT_FAQ = 32825;
const WORD ID_FLOAT_PANE_ON_START = 32827;
const WORD ID_OPEN_SETTINGS_FILE = 32830;
const WORD ID_FACEBOOK_GROUP = 32831;
const WORD ID_WELCOME = 32832;
const WORD ID_VKONTAKTE_GROUP = 32855;
const WORD ID_PINNED_ON_START = 32862;
const WORD ID_NEWSLETTER = 32863;
const WORD ID_COMMAND_LINE_KEYS = 32865;
const WORD ID_TELEGRAM_GROUP = 32866;
const WORD ID_MUTE_MODE = 32867;
const WORD ID_OPEN_PHRASES_FOLDER = 32868;
const WORD ID_VISIT_BLOG = 32869;

// What the items show, gathered when the menu opens.
struct CTrayMenuFacts {
    bool elevated = false;
    bool hotKeyRegistered = false;
    CString hotKeyText;  // empty: the hot-key items keep their texts
    bool autoCheckForUpdates = false;
    DWORD autoLoadDelaySeconds = 0;
    bool autostart = false;
    bool soundsOn = false;
    bool muted = false;
    bool logging = false;
    bool paneOnStart = false;
    bool pinnedOnStart = false;
    bool clipboardHasText = false;
    bool historyHandlerExists = false;
    bool historyOn = false;
    int historyCount = 0;
    int historyMax = 0;
    bool saveHistoryOnExit = false;
    bool paneExists = false;
    int phrasesIncluded = 0;
    int phrasesTotal = 0;
    CString languagePrefix;  // shown on the Language popup
    CString languageFile;    // the file name of the UI language; empty for built-in English
};

// The loaded resource and its first popup, which is the menu; destroyed together.
struct CTrayMenu {
    CMenuHandle resource;
    HMENU popup = nullptr;
    // The language files by id from kFirstLanguageCommandId.
    std::vector<CString> languageFiles;
};

// The menu as it opens: loaded from `module`, translated (when a translator is given),
// the language popup filled from the program folder, the items arranged for the
// elevation and the hot key, and every popup set as OnInitMenuPopup sets it. A resource
// that cannot be loaded gives an empty menu (null popup).
CTrayMenu PrepareTrayMenu(HINSTANCE module, const CTrayMenuFacts& facts, CLngMenu* translator,
                          IMenuHistorySource* history);
// Checks, greys and captions of one popup of the menu as it opens; may run again on the
// same popup without adding anything twice.
void ApplyTrayMenuPopupStates(HMENU popup, const CTrayMenuFacts& facts, IMenuHistorySource* history);
// Fills the Language popup (its first item stays) with the files of the program folder,
// at most the ids up to kLastLanguageCommandId; the current file is marked.
void FillTrayLanguagePopup(HMENU languagePopup, const CString& currentFile, std::vector<CString>& names);

// "Reread Phrases [12/15]": the text cut before "[" with the counts appended.
CString BuildRereadPhrasesText(const CString& text, int included, int total);
// The popup's caption cut before "[", blanks and TABs trimmed on the right, then a TAB
// and the language prefix in square brackets.
CString BuildLanguagePopupText(const CString& text, const CString& prefix);
// The history popup's caption with " [count/max]".
CString BuildHistoryPopupText(const CString& text, int count, int maximum);
// The Start With Windows text with " (+<seconds>sec)" when there is a delay.
CString BuildAutostartText(const CString& text, DWORD delaySeconds);

// The web address a Help command opens, in the pages' language; empty for other ids.
CString GetTrayWebAddress(UINT commandId);
