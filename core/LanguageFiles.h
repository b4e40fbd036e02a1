// Language files: INI-format UTF-16LE ".lng" files in the program folder that hold
// the translations of the user interface. Built-in English needs no file.
//
// Sections: "Main" ("LangPrefix", "LangLocalized", "Author"), "Menu" + suffix (menu keys),
// "Strings" + suffix (UI string ids, core/UiStrings.h), "Dialog..." (control ids,
// core/DialogBase.h) and "CommandLineKeys". The main program's suffix is "_Client".
//
// The program extends the files itself: every English text it shows that a file lacks
// is written into it, into "LocalizeExample.lng" (the file translators copy) and, by the
// background writer, into the other language files of the program folder.
#pragma once

#include <windows.h>

#include <set>
#include <vector>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// Names and paths

const wchar_t* GetLocalizeExampleFileName();  // "LocalizeExample.lng"
const wchar_t* GetEmbeddedLanguageName();     // "English (Embedded)"
const wchar_t* GetClientSectionSuffix();      // "_Client": the main program's suffix
// The maker's web address, shown as the author of the built-in language.
const wchar_t* GetMakerWebAddress();

// The folder of the path, "\" and "LocalizeExample.lng"; empty when the path has no folder.
CString GetLocalizeExamplePath(const wchar_t* path);
// True when the path is the "LocalizeExample.lng" of its own folder (ignoring case).
bool IsLocalizeExampleFile(const wchar_t* path);

// The language file of a "Language" setting: the program folder (its parent when the
// program folder is named "Debug" or "Release", the build folders of a developer), "\" and
// the name; "LocalizeExample.lng" there when the name is empty.
CString BuildLngFilePath(const wchar_t* languageName);

// ---------------------------------------------------------------------------------------
// The current language file of the process (never empty in the main program)

void SetCurrentLngFile(const wchar_t* path);
CString GetCurrentLngFile();

// ---------------------------------------------------------------------------------------
// Escapes of values: CR, LF and TAB as "\r", "\n" and "\t".

void EscapeLngText(CString& text);
void UnescapeLngText(CString& text);

// ---------------------------------------------------------------------------------------
// Reading and writing

// Creates a missing language file (byte-order mark FF FE) and writes the template keys of
// "Main"; a file whose mark could not be written is not kept. An existing file is left
// alone. True when the file exists on return.
bool WriteLngTemplate(const wchar_t* path);
// Writes one value into a language file, creating the file with its template first when
// it is missing (the profile functions would create it as ANSI text). Empty path, or a
// file that cannot be made with its mark: false, and nothing is written.
bool WriteLngValue(const wchar_t* path, const wchar_t* section, const wchar_t* key, const wchar_t* value);
// WriteLngValue only when the file does not hold exactly this value already: the texts
// that are written on every use (the example file's English texts) cost a read, not a write.
bool UpdateLngValue(const wchar_t* path, const wchar_t* section, const wchar_t* key, const wchar_t* value);

// "LangPrefix" of section "Main" (at most 9 characters, trailing blanks removed);
// empty when the file or the key is missing.
CString ReadLngPrefix(const wchar_t* path);
// "English (Embedded)" for a path that ends in "\", else "LangLocalized" of the file
// (at most 100 characters).
CString GetLngLocalizedName(const wchar_t* path);

struct CLngFileInfo {
    CString localizedName;
    CString author;
    CString prefix;
};
// Empty path: the built-in language ("English (Embedded)", "En", the maker's address).
// A missing file: false. Otherwise "LangLocalized", "Author" and the prefix.
bool ReadLngFileInfo(const wchar_t* path, CLngFileInfo& info);

// The prefix is one of "ru", "uk", "be", "kz", "lv", "lt", "et" (ignoring case); logged.
bool IsLngFileRuPrefix(const wchar_t* path);
// "RU" for a prefix of that list other than "RU" itself (ignoring case), else empty.
CString GetUrlLangSuffix(const wchar_t* prefix);

// ---------------------------------------------------------------------------------------
// The list of languages

// Fills the list with an empty name first (built-in English), then the file names of
// the "*.lng" files of the program folder, sorted ignoring case; leaveOut (ignoring
// case, may be null) is not listed. True when at least one ".lng" file was found.
bool EnumLanguageFiles(std::vector<CString>& names, const wchar_t* leaveOut);

// Appends one item per name with consecutive ids from firstId: the file's "LangLocalized"
// (at most 100 characters), "English (Embedded)" for the empty name, the file name
// without extension when the caption is empty. The item of the current name (ignoring
// case) becomes the default item with the radio check mark. The tray uses ids from 33000.
void FillLanguageMenuItems(HMENU menu, UINT firstId, const std::vector<CString>& names, const wchar_t* currentName);

// ---------------------------------------------------------------------------------------
// Menu translation

// The parts of a menu item text: "&Open Folder…\tCtrl+O" has the label "Open Folder…",
// the shortcut "Ctrl+O" and the key "Open_Folder".
struct CMenuItemKey {
    CString key;
    CString label;
    CString shortcut;  // the text after the first tab
    bool hasShortcut = false;
};
CMenuItemKey SplitMenuItemText(const wchar_t* text);

// True when every character of the key is a Latin letter, a digit or one of
// < > , . / ? " ; : ' ] } [ { ! @ # $ % ^ & * ( ) - _ = + \ |  (only such keys are collected).
bool IsKeyInStoredCharSet(const wchar_t* key);

// A menu translator of one program: section "Menu" + suffix of the current language file.
class CLngMenu {
public:
    // Stores the path as the current language file, creates the file with its template
    // when it does not exist, and sets the section to "Menu" + suffix.
    CLngMenu(const wchar_t* lngFilePath, bool collect, const wchar_t* menuSuffix);
    virtual ~CLngMenu();

    CLngMenu(const CLngMenu&) = delete;
    CLngMenu& operator=(const CLngMenu&) = delete;

    // Translates every item of the menu and its submenus in place.
    void TranslateMenu(HMENU menu);
    // The translation of the item with the command id in the menu resource (submenus
    // searched), else its label with single "&" removed ("&&" gives "&") and trailing "…"
    // removed, else (no such item) an empty text. Null module: the one holding this code.
    CString GetMenuItemTextByID(UINT menuResourceId, UINT commandId, HINSTANCE module = nullptr);

    // True when the id is not 0 and is in the skip set.
    bool IsSkippedID(UINT id) const;
    void AddSkippedID(UINT id);

    bool IsCollecting() const { return m_collect; }
    const CString& GetSection() const { return m_section; }
    // The language file in use: the current language file of the process.
    CString GetLngFile() const;

private:
    void TranslateItem(HMENU menu, int position);

    bool m_collect;
    CString m_section;
    std::set<UINT> m_skipped;
};

// ---------------------------------------------------------------------------------------
// Collecting missing keys

// Writes key = value into the language file when its section lacks the key (exact case),
// and hands the four texts to the writer in any case.
void AddUnlocalizedString(const wchar_t* section, const wchar_t* key, const wchar_t* value, const wchar_t* lngFile);

// Starts the writer of missing keys: it waits for posts and for the application exit
// event, and copies each posted key into the other language files of the program folder
// that lack it (not "LocalizeExample.lng", not the file of the "Language" setting).
// False when its event or thread cannot be made; posts are then ignored.
bool StartUnlocalizedWriter(HANDLE appExitEvent);
// Tests: waits until a writer thread that was told to stop has ended (true) or the time
// is up. The writer ends when its application exit event is set.
bool WaitUnlocalizedWriterEndedForTest(DWORD timeoutMs);

class CLngWriter {
public:
    // Replaces the pending item with the four texts and wakes the writer: 1; 0 when no
    // writer runs or the file is null. One item, not a queue.
    static int Post(const wchar_t* lngFile, const wchar_t* section, const wchar_t* key, const wchar_t* value);
};

// ---------------------------------------------------------------------------------------
// First UI language (the keyboard facts come from core/InputLanguage.h)

// True when one of the first 20 installed layouts is Russian (language 0x0419).
bool HasRussianKeyboardLayout();
// "Russian.lng" on the first run of this version (versionChanged) with a Russian layout
// and the file in the program folder; else empty.
CString GetRussianLngIfAvailable(bool versionChanged);
// The first language file of the program folder whose "LangPrefix" is the two-letter
// name of the default input language (ignoring case); empty when there is none.
CString FindLanguageFileForInputLanguage();
