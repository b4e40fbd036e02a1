// Macros of the phrase texts: names between percent signs that are replaced when a
// phrase is pasted (date and time, the selection and clipboard text of the moment the
// menu opened, versions, key presses, the caret position...), the layout macros that
// switch the target's input language, and the prompts that ask the user for text.
//
// Expansion replaces the names one after another in the sorted order of the macro
// table, and a value is inserted as it is: a name inside a value is replaced too when
// it comes later in that order (a clipboard text holding "%DATE%" is pasted with the
// date, because "%CLIPBOARD_TEXT%" sorts first), never when it comes earlier, so the
// expansion always ends.
//
// The machine's facts come through IMacroEnvironment (phrases/MacroEnvironment.h) and
// the keyboard layouts through core's input-language seam. RTF phrases are expanded in
// the hidden RichEdit of pages/richedit/RichEditStream.h; like it, the RTF functions belong to
// the UI thread. The plain-text functions keep no state but the macro table, which is
// built once, and may run on any thread.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "core/base/CString.h"

class CVXLCommand;

extern const wchar_t kMacroCursorPos[];         // "%CURSOR_POS%"
extern const wchar_t kMacroTrimProtocols[];     // "%TRIM_LEFT_ALLPROTS_FROM_SELTEXT%"
extern const wchar_t kMacroUrlFromClipboard[];  // "%URL_FROM_CLIPBOARD%"
extern const wchar_t kPromptOpener[];           // "%PROMPT_TEXT={"
extern const wchar_t kPromptCloser[];           // "}%"
extern const wchar_t kLayoutMacroPrefix[];      // "%ACTIVATE_KL_"

// The fixed names and one layout macro per language of the installed keyboard layouts,
// sorted by ordinal character order. Built on first use and kept for the process.
const std::vector<CString>& GetMacroNames();

// "%ACTIVATE_KL_" + the layout language's ISO 639 name in upper case + "%" -> the
// language identifier. Built anew on each call: layouts come and go while the program
// runs. Two layouts of one language share a key; the later one in the list wins.
using LayoutMacroMap = std::map<CString, LANGID>;
LayoutMacroMap BuildLayoutMacroMap();

// The value of one name; empty for names without a value of their own (prompts, layout
// macros, the caret) and for unknown names.
CString GetMacroValue(const CString& name, const CString& selectedText, const CString& clipboardText, LCID locale);

// Expands the text in place and returns the number of replacements. caretOffset (when
// given) receives how many characters, a CR LF counting as one, follow the place of the
// first "%CURSOR_POS%" once every "%CURSOR_POS%" is gone: the number of Left presses that
// bring the caret there after pasting; 0 without one. layout (when given) receives the
// language of the layout macro found, or 0. The selection is first cleared of leading
// blanks and of the URL schemes "http://", "https://", "file://" and "ftp://"; the URL
// values of the selection lose only its leading blanks, and take its first URL.
int ExpandMacros(CString& text, const CString& selectedText, const CString& clipboardText, int* caretOffset,
                 LANGID* layout, LCID locale);
// The same for a Unicode RTF text; each value takes the format of the place of its name
// and the text colour of the character before it. 0, with the text unchanged, when the
// RTF cannot be loaded.
int ExpandMacrosRtf(CString& rtf, const CString& selectedText, const CString& clipboardText, int* caretOffset,
                    LANGID* layout, LCID locale);
// No selection, no clipboard text, the user's default locale.
CString ExpandMacrosSimple(const CString& text);

// Removes every layout macro; returns the language of the last one (in key order) that
// was there, else 0.
LANGID StripLayoutMacros(CString& text);
// The two-letter upper-case abbreviation of that language (LOCALE_SABBREVLANGNAME cut to
// two characters), for the menu; empty without a layout macro.
CString GetLayoutMacroAbbrev(const CString& text);
LANGID FindLayoutMacroRtf(const CString& rtf);

// One piece of a phrase split at its prompts: text to paste, or a question whose label
// is the text between "={" and "}%".
struct CPhrasePart {
    bool isPrompt = false;
    CString text;   // the piece as it stands in the phrase
    CString label;  // prompts only
};
// Splits the text at its prompts, keeping order; joining the parts' texts gives the text
// back. Returns 1.
int SplitAtPrompts(const CString& text, std::vector<CPhrasePart>& parts);

// 1 when the text (RTF when rtf) holds a macro whose value changes: any name of the table
// but the caret, the user name, the versions and the layout macros; else 0.
int HasMacrosInText(const CString& text, bool rtf);
int HasMacros(const CVXLCommand& phrase);

// A text that begins (after blanks, tabs and line breaks) with "http://", "https://" or
// "ftp://" and more: with wantUrl the URL up to the first blank, tab or line break, else
// the text from there on. Without such a beginning: empty with wantUrl, else the text
// without its leading blanks.
CString SplitUrl(const CString& text, bool wantUrl);
// The same for the first URL anywhere in the text ("see http://a.b c" gives "http://a.b"
// and " c"): the text before it is no part of either result. Without a URL: empty with
// wantUrl, else the text without its leading blanks.
CString SplitAtFirstUrl(const CString& text, bool wantUrl);
