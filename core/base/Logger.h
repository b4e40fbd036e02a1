// The diagnostic log that every program of the system appends to: one UTF-16LE file
// with a byte-order mark. Each line is written by a short-lived thread of its own,
// so that a caller never waits for the disk; the writers of all processes take turns
// through one named event.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// Opens the logger on the given file: 1, or 0 when it was already on or the path atom
// or the shared event could not be made.
int LogInit(const wchar_t* path);
// 1 when the logger was on and is now off, else 0.
int LogShutdown();
bool IsLogEnabled();
// Copies the path (empty when off) into the buffer, cut to fit; returns its length.
int GetLogPath(wchar_t* buffer, int size);
CString GetLogPath();
// The global atom whose name is the log path, for the hook library.
ATOM LogGetAtom();

// Information line: tag, ": ", "[date time] ", text.
int LogWrite(const wchar_t* text);
// Error line: "ERROR: [" + text + "]", without tag and date.
int LogError(const wchar_t* text);
// printf-style (see CString::Format), cut to 10,000 characters and written with LogWrite.
int LogWriteFormat(const wchar_t* format, ...);
int LogWriteWithPrefix(const wchar_t* text, const wchar_t* prefix);
int LogWindowInfo(const wchar_t* text, HWND window);
int LogWindowState(HWND window, const wchar_t* name);
int LogErrorOrWrite(const wchar_t* text, int flag);

// The tag of the information lines ("Class::Method" around a group of lines).
void LogSetTag(const wchar_t* tag);
void LogResetTag();
// The tag used when none is set: each program sets its own once at start.
void LogSetDefaultTag(const wchar_t* tag);

// Lines kept in memory and written later as one entry.
void LogBuffered(const wchar_t* text);
int LogFlushBuffered();

// The common end of all writers: hands the text to a line thread. 1 when posted.
int LogPostLine(const wchar_t* text);

// Waits until every line posted so far has been written or dropped; true when they
// all finished in time. Programs call it before they end, so that their last lines
// (the end banner) are not lost with the process.
bool LogWaitPending(DWORD timeoutMs);

// The local date and time as the log writes them: "MM/DD/YY HH:MM:SS".
CString LogStampText();

// Name of the event that serialises writers across processes.
extern const wchar_t kLoggerSyncEventName[];
