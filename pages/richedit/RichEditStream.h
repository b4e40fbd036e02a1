// Text in and out of RichEdit 2.0 windows, and the one hidden RichEdit per process that
// converts between RTF and plain text. The program never parses RTF itself: the control
// reads it and writes it.
//
// Unicode RTF travels as UTF-8 bytes (SF_RTF | SF_USECODEPAGE with CP_UTF8), which starts
// with "{\urtf" on Windows and on Wine, and is turned into or out of our UTF-16 texts right
// at the stream. Wine's RichEdit writes 8-bit RTF when asked for SF_UNICODE and cannot read
// UTF-16 RTF, so the UTF-16 form would lose every character outside the code page there.
//
// "8-bit RTF" (the "Rich Text Format" of the clipboard) is streamed as the control writes
// it with plain SF_RTF.
//
// Not thread-safe: the hidden control belongs to the thread that first asked for it, and
// every caller is on the program's UI thread.
#pragma once

#include <windows.h>

#include <string>

#include "core/base/CString.h"

// The signature of Unicode RTF.
extern const wchar_t kUnicodeRtfSignature[];  // "{\urtf"
// True when the text is longer than the signature and begins with it.
bool IsUnicodeRtf(const CString& text);

// ---------------------------------------------------------------------------------------
// Into a RichEdit window: true when the control reports more than 0 characters read.

// data/byteLength as they are; rtf picks SF_RTF over SF_TEXT, selection replaces the
// selection instead of the whole text. unicode: the data are UTF-16 (with rtf they are
// converted to UTF-8 on the way in). byteLimit (0 = none) counts the caller's bytes: once
// the bytes handed over reach it the stream ends, at the end of the chunk that reached it.
bool RichEdit_StreamIn(HWND window, const void* data, int byteLength, bool unicode, bool rtf, bool selection,
                       int byteLimit);
// Zero-terminated 8-bit RTF.
bool RichEdit_StreamInRtfBytes(HWND window, const char* rtf);
// Unicode RTF when the text carries the signature, else plain text.
bool RichEdit_SetRtfOrText(HWND window, const CString& text);
// Unicode RTF; charLimit (0 = none) stops the read after about that many characters of it.
bool RichEdit_SetRtf(HWND window, const CString& text, int charLimit = 0);

// ---------------------------------------------------------------------------------------
// Out of a RichEdit window: empty when the text (or the selection) is empty.

CString RichEdit_GetRtf(HWND window);           // Unicode RTF of the whole text
CString RichEdit_GetPlainText(HWND window);     // paragraphs end in CR LF
CString RichEdit_GetSelPlainText(HWND window);  // the selection only
std::string RichEdit_GetRtfBytes(HWND window, bool selection);
// GetWindowTextLengthW, or for the selection the distance between its ends.
int RichEdit_GetTextLength(HWND window, bool selection);
// The number of character positions, a paragraph mark counting as one (the plain text
// has CR LF there): the measure of selections and of caret steps.
int RichEdit_GetCharCount(HWND window);
// The whole text as the control counts positions: character i of it is at position i.
CString RichEdit_GetCharText(HWND window);

// ---------------------------------------------------------------------------------------
// The hidden converter

// The main window gives the control its parent once it exists; before that (and in
// programs without a main window) the control lives under the message-only parent.
void SetHiddenRichEditParent(HWND parent);
// Created on the first call (and again when it was destroyed with its parent); null when
// it cannot be created, and the next call tries again.
HWND GetHiddenRichEdit();

// A text without the signature comes back unchanged.
CString RtfToPlainText(const CString& text);
CString RtfBytesToPlainText(const char* rtf);
// At most the first n characters of the Unicode RTF's text; only the beginning of the RTF is
// read. n = 0: all of it.
CString RtfToPlainText_Limited(const CString& rtf, int n);
CString RtfToPlainText_All(const CString& rtf);
// Loads the text (RTF or plain as RichEdit_SetRtfOrText when textIsRtf, else as plain
// window text), appends `appended` at the end and returns Unicode RTF or plain text.
CString RtfAppendText(const CString& text, bool textIsRtf, const CString& appended, bool wantRtf);
// Removes the characters of the set from both ends of the formatted text, until neither end
// holds one. When something was removed and the new RTF (with its terminator) fits, the
// buffer is zeroed and receives it, and the result is the number of characters removed;
// otherwise 0 and the buffer is left as it was.
int RtfBytesTrimChars(char* buffer, int bufferSize, const wchar_t* characters);
// The RTF with every character in upper (or lower) case and its formatting kept; empty
// when the RTF cannot be loaded.
std::string RtfBytesChangeCase(const char* rtf, bool upper);
