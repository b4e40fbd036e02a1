// Display texts and icons shared by the tray window, its menus and the pages: the hot
// key, numbers, on/off states, first and second lines of UI strings, the program's
// icons and title, the About item's version, and a few small texts for reports.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"

// ---------------------------------------------------------------------------------------
// Texts

// "Ctrl+", "Shift+", "Alt+" (the keyboard's own names), "WIN+", then the key's name;
// empty when key and modifiers are both 0.
CString HotKeyToText(UINT key, UINT modifiers);
// The same text from accelerator flags (FSHIFT, FCONTROL, FALT); FVIRTKEY is ignored.
CString AccelKeyToText(WORD key, BYTE flags);
// The settings' hot key as text, upper-cased, with " [x2]" when it is pressed twice.
CString GetHotKeyText();

// Blanks between groups of three digits from the right: 1234567 -> "1 234 567".
CString FormatGroupedNumber(long long number);
// "Chars: " and the grouped number.
CString GetCharCountText(long long count);

// "on"/"off" (short) or "Turn on"/"Turn off"; the off texts upper-cased under the first
// keyboard layout's language.
CString GetOnOffText(bool on, bool shortForm);
// The same, the whole text upper-cased in the invariant locale when asked.
CString GetOnOffStateText(bool on, bool shortForm, bool upper);
// text + ": " (when the text is not empty) + "Turn on" or "TURN OFF".
CString GetTextWithState(const wchar_t* text, bool state);
CString GetToggleItemText(UINT stringId, bool state);

// "and %d more" with the count. A translation is used only when it has "%d" after its
// first character and no "%s"; the number is put in as text, never through a format.
CString GetAndMoreText(int count);

// The UI string before / after its first "\n" (searched from the second character on);
// the whole string without one; empty when the id has no text.
CString GetLangStringHead(UINT id);
CString GetLangStringTail(UINT id);
inline CString GetUIStringFirstLine(UINT id) {
    return GetLangStringHead(id);
}
inline CString GetUIStringSecondLine(UINT id) {
    return GetLangStringTail(id);
}

// The current UI language file's prefix; "En" when it has none.
CString GetLanguagePrefix();
// While one lives on a thread, GetLanguagePrefix answers from it instead of reading the
// language file: for loops that name thousands of records.
class CLanguagePrefixScope {
public:
    CLanguagePrefixScope();
    ~CLanguagePrefixScope();
    CLanguagePrefixScope(const CLanguagePrefixScope&) = delete;
    CLanguagePrefixScope& operator=(const CLanguagePrefixScope&) = delete;

private:
    CString m_prefix;
    const CString* m_outer;
};

// A phrase or folder record's name in the current UI language, else its own name.
// Record: GetLocalizedName(prefix) and GetName().
template <class Record>
CString GetLocalizedItemName(const Record& record) {
    CString prefix = GetLanguagePrefix();
    prefix.MakeLower();
    CString localized = record.GetLocalizedName(prefix);
    return localized.IsEmpty() ? CString(record.GetName()) : localized;
}

// "%DEFAULT_FOLDER%" for the default phrases folder, else the folder.
CString GetPhrasesFolderText();

// "Vexlora", "^" when asked and elevated, then a blank and UI string 313 when it has one.
CString GetAppWindowTitle(bool markAdmin);
// MessageBoxW titled "Vexlora", always on top.
int AppMessageBox(HWND owner, const wchar_t* text, UINT style);

// Puts the program's version (with build) in place of "Vexlora" in the text of menu
// item 57664 (About). False, item unchanged, when the item has no text, the word does
// not follow its first character or the version is unknown.
bool AppendVersionToAboutItem(HMENU menu);

// ---------------------------------------------------------------------------------------
// Icons and menus of the program's resources

// Shared icons of the executable, never destroyed: at 16 pixels for 234, 211 and when
// no sizes are given, else the first of the sizes that loads; else LoadIconW.
HICON LoadProgramIcon(UINT id, const int* sizes = nullptr, int sizeCount = 0);
// 201 without state; with it 249 when elevated, else 251.
HICON LoadAppIcon(bool withState);
// Icon 131 of the editor's file, 32 or 16 pixels; owned by the caller.
CIconHandle LoadEditorIcon(bool large);
// Menu resource 128, translated; *popup gets its first submenu.
CMenuHandle LoadTrayMenuTemplate(HMENU* popup);

// ---------------------------------------------------------------------------------------
// Small texts and time

bool UtcToLocalTime(const SYSTEMTIME& utc, SYSTEMTIME& local);
CString GetWindowTextString(HWND window);
CString IntToStr(int value);
// "#RRGGBB".
CString ColorToHtmlHex(COLORREF color);
// The path of the loaded "Mfc42.DLL", else "Not found".
CString GetMfcLibraryPath();
