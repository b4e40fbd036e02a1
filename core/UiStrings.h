// UI strings by numeric id in the current UI language, with the English texts of the
// resource string table (core/UiStrings.rc) as the fallback; the help texts of the
// command-line keys; small line utilities.
//
// Every missing key is collected: the example file "LocalizeExample.lng" and (with the
// collect flag) the current language file receive the English text, and the language
// writer (core/LanguageFiles.h) spreads it to the other language files.
#pragma once

#include <windows.h>

#include "core/UiStringIds.h"
#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// One UI string

// The base holds the text (it is a CString: a CLangStr reads, compares, concatenates
// and converts to `const wchar_t*` like one) and gives the family a virtual destructor.
class CLangStrBase : public CString {
public:
    CLangStrBase() = default;
    CLangStrBase(const CLangStrBase&) = default;
    CLangStrBase& operator=(const CLangStrBase&) = default;
    virtual ~CLangStrBase();

    const CString& GetText() const noexcept { return *this; }
};

class CLangStr : public CLangStrBase {
public:
    CLangStr() = default;
    // Loads the string at once; test the result with IsEmpty when it matters.
    explicit CLangStr(UINT id, HINSTANCE module = nullptr) { Load(id, module); }

    // Fills the text with the UI string of the id in the current UI language, else the
    // English text of the module's string table (null: the executable's, then the
    // module that holds this code). False, with an empty text, when no text exists.
    bool Load(UINT id, HINSTANCE module = nullptr);
    // printf-style formatting into the text (the rules of CString::Format).
    void Format(const wchar_t* format, ...);

private:
    bool LoadUncached(UINT id, HINSTANCE module);
};

// The UI string of the id as a plain CString (empty when there is none).
CString LoadUiString(UINT id, HINSTANCE module = nullptr);

// ---------------------------------------------------------------------------------------
// The UI language of the process

// Sets the current language file (the language files' current file as well), turns the collect
// flag on and appends the suffix to the strings section name ("Strings") unless the
// name already ends with it. The main program passes its language file and "_Client".
void SetUILanguage(const wchar_t* lngFilePath, const wchar_t* sectionSuffix);
// True when a language file path is set.
bool HasUILanguage();
// The collect flag: missing keys are written into the current language file.
bool IsCollectingStrings();
// Copies the current language file path and the collect flag out.
void GetUILanguage(CString& lngFilePath, bool& collect);
// "Strings" followed by the suffix given to SetUILanguage ("Strings_Client").
CString GetStringsSectionName();
// Tests start from a clean slate: no language file, collect on, section "Strings".
void ResetUILanguageForTest();

// ---------------------------------------------------------------------------------------
// Command-line key help

// The translated help text of a command-line key (section "CommandLineKeys", key
// "Cmd_LineKey_" + key), or an empty text: the caller then shows the English text. A
// missing key is written with the escaped English help into the current language file
// and into "LocalizeExample.lng" of the program folder.
CString GetCmdLineKeyHelp(const wchar_t* key, const wchar_t* englishHelp);
// "Cmd_LineKey_" + key.
CString GetCmdLineKeyName(const wchar_t* key);

// ---------------------------------------------------------------------------------------
// Text utilities of the previews

// 0 for a length below 2, else 1 plus the number of LF characters in the first
// `length` characters.
int CountLinesA(const char* text, int length);
int CountLinesW(const wchar_t* text, int length);
// UI string 277 ("Lines"), ": " and the count.
CString FormatLinesCount(int count);
// Index just after the n-th LF (n >= 1), or -1 when the text has fewer.
int FindLineEnd(const CString& text, int n);
// Index of the n-th LF counted from the end (n >= 1), or -1.
int FindLineStartFromEnd(const CString& text, int n);
// Texts of more than 6 lines: the first three lines, a line of TAB and three "…" and the
// last three lines. Shorter texts come back unchanged (no line is shown twice).
// lineCount is the text's line count as CountLinesW gives it.
CString CutMiddleLines(const CString& text, int lineCount);
