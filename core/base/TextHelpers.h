// Free functions that make texts fit a place: shortening with an ellipsis, flattening
// line breaks and blank runs, safe file names, path variables, decorated report lines,
// 8-bit <-> UTF-16 conversions, invariant case mapping and code-page guessing.
//
// Nothing here keeps state besides constant strings and tables, so every function may
// be called from any thread. A null text counts as an empty one.
//
// Cuts made to shorten a text never split a surrogate pair: where a count would end
// between the two halves of one character, that character is left out whole.
#pragma once

#include <windows.h>

#include <array>
#include <map>
#include <string>
#include <vector>

#include "core/base/CString.h"

// ---------------------------------------------------------------------------------------
// Shortening and normalising (in place unless a result is returned)

// The line breaks ReplaceLineBreaksBy looks for, CR LF first so that a Windows line break
// counts as one. Constants: usable before and after the program's own start-up and exit.
using LineBreakStrings = std::array<const wchar_t*, 3>;
const LineBreakStrings& InitLineBreakStrings();

// A full text and its short display form, derived once on first request.
struct TextPair {
    CString fullText;
    CString shortText;
};
CString GetShortDisplayText(TextPair& pair);

// Texts of maxChars or more characters become head + a multi-line "…" mark + tail,
// maxChars/2 characters each, the ends next to the mark cleared of line breaks and blanks.
void ShortenMiddleWithMark(CString& text, int maxChars);
// Removes one run of CR, then LF, then TAB, then blanks from the end (or the start).
void TrimCharsAtEnd(CString& text, bool atStart);
void TrimRightChar(CString& text, wchar_t ch);
void TrimLeftChar(CString& text, wchar_t ch);

// Light: only a text longer than maxLen loses its outer blanks. Full (maxLen unused):
// outer blank/TAB/CR/LF/VT/BS go, each line break and run of 2 or 3 blanks becomes one blank.
// Returns whether the text changed.
bool NormalizeWhitespace(CString& text, bool light, unsigned maxLen);
// Full normalisation, then a cut in the middle ("…   …") when still longer than maxLen.
bool ShortenTextForDisplay(CString& text, unsigned maxLen);

// Menu captions. ShortenPathMiddle keeps the scheme and host of a URL and its last part;
// false means "not a URL it can shorten", and then ShortenTextMiddle is the one to use.
bool ShortenPathMiddle(CString& text, unsigned width);
bool ShortenTextMiddle(CString& text, unsigned width);
// The cut points of ShortenTextMiddle: keep [0, headEnd) and [tailStart, end).
bool FindCaptionCutPoints(const CString& text, unsigned width, int& headEnd, int& tailStart);

// The first count characters, or one fewer where the cut would split a surrogate pair.
CString KeepHead(const CString& text, int count);

// Cuts the flattened text after its last word boundary before maxLen and adds "…".
// Returns whether the length changed.
bool CutTextAtWord(CString& text, unsigned maxLen);
// The largest of the first positions (from `from` on) of the word-boundary characters
// that lies below limit, or -1.
int FindWordBoundaryBefore(const CString& text, int from, int limit);

// Largest last (or, with first, smallest first) position of any character of set;
// positions 0 do not count. -1 when none.
int FindLastOfAny(const CString& text, const wchar_t* set, bool first);
int FindLastUrlSeparator(const CString& text);
// "http://", "https://" or "ftp://" as the text spells it (any case), when the text has
// more than that; else empty.
CString GetUrlPrefix(const CString& text);
bool ReplaceLineBreaksBy(CString& text, const wchar_t* replacement);
void CollapseBlankRuns(CString& text);
void TrimPilcrowAndBlanks(CString& text);

// ---------------------------------------------------------------------------------------
// File names and paths

// Characters that may not stand in a file name and what SanitizeFileName puts instead,
// in ascending character order.
using FileNameReplacementMap = std::map<wchar_t, wchar_t>;
FileNameReplacementMap MakeFileNameReplacementMap();

// Returns the number of characters replaced.
int SanitizeFileName(CString& text);
int ReplaceCharInString(CString& text, wchar_t oldCh, wchar_t newCh);
bool IsFileNameCharReplaced(const CString& text);

// What the keyboard calls the Space key, shown for a blank in the replacement list.
CString GetSpaceKeyName();
// One line per map entry: "   (key)  ››  (value)", joined by CR LF.
CString GetFileNameReplacementsText();
// The same with another text before each entry and between entries ("• " and ", ").
CString GetFileNameReplacementsText(const CString& spaceName, const wchar_t* entryLead, const wchar_t* join);

// The first line of text made safe for a file name: unsafe characters become "_",
// runs of "_" shrink and outer "_" go.
CString MakeFileNameFromText(const CString& text, bool replaceBlanks, unsigned maxLen);
CString MakeFileNameFromText(const CString& text, bool replaceBlanks, unsigned maxLen, const wchar_t* replacement);

// Expands each %NAME% of the environment; undefined names stay as written.
CString ExpandPathVars(const CString& path);
void AddTrailingBackslash(CString& path);

// ---------------------------------------------------------------------------------------
// Comparing, finding, case

// Linguistic equality in the invariant locale, case-sensitive.
bool IsEqualStrInvariant(const wchar_t* a, const wchar_t* b);
// Difference of the first differing UTF-16 units (after invariant upper-casing of that
// pair when not case-sensitive); 0 when equal.
int CompareStr(const wchar_t* a, const wchar_t* b, bool caseSensitive);
wchar_t CharToUpperInvariant(wchar_t ch);
CString MapToUpperCopy(const CString& text);

// Position of needle in haystack from start, ignoring case; -1 when not found or either
// text is empty. No flag is defined: callers pass 0.
int FindStrNoCase(const CString& needle, const CString& haystack, int flags, int start);
// The same, upper-casing with the user's locale (CharUpperW).
int FindNoCaseUpper(const CString& haystack, const CString& needle, int start);

// Maps a zero-terminated buffer in place to invariant upper or lower case.
bool MapCaseInvariant(wchar_t* buffer, bool upper);
bool MakeLowerInvariant(CString& text);
// Returns false when the mapping faulted; the text keeps what was mapped by then.
bool MakeUpperInvariant(CString& text);
using CaseMapProc = bool (*)(wchar_t* buffer, bool upper);
bool MakeUpperInvariant(CString& text, CaseMapProc map);

// ---------------------------------------------------------------------------------------
// Decorated report texts

CString MakeCharRun(wchar_t ch, int count);  // empty when count < 1
CString MakeSpaces(int count);
CString MakeSpace();
CString MakeEmDashes(int count);
CString MakeEmDash();
CString MakeBullets(int count);
CString MakeBullet();
CString MakeRaquoRun(int count);
CString MakeRaquo();
CString MakeEllipsisN(int count);
CString MakeEllipsis();
CString MakeCopyrightSign();

CString MakeBulletItem(const CString& text);
// count copies of ch (one when count is 0), a blank, the text.
CString PrefixCharRun(const CString& text, wchar_t ch, int count);
CString PrefixRaquo(const CString& text);
CString WrapText(const CString& text, const wchar_t* open, const wchar_t* close);
CString WrapSquareBrackets(const CString& text);
CString WrapParentheses(const CString& text);
CString WrapBraces(const CString& text);
CString WrapGuillemets(const CString& text);

enum BracketKind { BracketSquare = 0, BracketRound = 1, BracketCurly = 2 };
// text + " [value]"; the general form takes the separator and the kind of brackets
// (any other kind leaves the bracket part out).
CString AppendBracketed(const CString& text, const CString& value);
CString AppendBracketed(const CString& text, const CString& value, const wchar_t* separator, int kind);

// lead "—", the title between blanks, then width - lead "—" (width when that is negative).
CString MakeTitleLine(int width, const CString& title, int lead);

int GetReportIndentWidth();
// Each starts a new line when the text is not empty and ends one when asked.
void AppendIndent(CString& text, bool newline);
void AppendSeparatorLine(CString& text, int count, bool newline);
void AppendRepeatedText(CString& text, const wchar_t* piece, int count, bool newline);
