// What this process may do with files and with its own token: file access answers,
// whole-file reads, system error texts, shell starts
// that report why they failed, and files the program made and deletes again.
//
// Every function answers false, 0, null or an empty text on failure and shows nothing;
// tokens and descriptors are local to a call, so all of them may run on any thread.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "core/base/CString.h"
#include "core/base/Handles.h"

// ---------------------------------------------------------------------------------------
// File access

// AccessCheck of the file's or folder's security descriptor against this process's
// token, generic rights mapped the way files map them. Write rights are also refused
// for a file (not a folder) that carries the READONLY attribute: its DACL alone would
// say yes on Windows, yet every write to it fails.
bool IsFileAccessible(const wchar_t* path, DWORD desired);
bool IsFileWritable(const wchar_t* path);  // GENERIC_WRITE
bool IsFileReadable(const wchar_t* path);  // GENERIC_READ

// The whole file followed by one zero byte, so that an 8-bit text reads as a
// zero-terminated string; *size (when given) gets the file's size without that byte.
// Null when the file cannot be opened (another handle holding it open for writing
// counts: it is shared for reading only), is empty, does not fit in memory, or the
// read returns less than the whole file.
std::unique_ptr<char[]> ReadWholeFile(const wchar_t* path, DWORD* size = nullptr);

// ---------------------------------------------------------------------------------------
// System texts and the shell

// The system's text for a Win32 error code, as FormatMessageW gives it (usually ending
// in CR LF); empty when the system has none.
CString GetErrorMessageText(DWORD code);
inline CString GetSystemErrorText2(DWORD code) {
    return GetErrorMessageText(code);
}

// ShellExecuteExW with the given fields (all others 0); returns hInstApp. A result of
// 32 or less is a failure, and then *errorText (when given) gets the system's text for
// it; on success *errorText is left as it was. A process handle asked for with
// SEE_MASK_NOCLOSEPROCESS is closed here, since this function cannot hand it back.
HINSTANCE ShellExecuteExWithError(HWND window, const wchar_t* verb, const wchar_t* file, const wchar_t* parameters,
                                  const wchar_t* directory, int show, ULONG mask, CString* errorText);

// The shell's "Open with" dialog for the file; true when it was started.
bool OpenWithDialog(HWND window, const wchar_t* file);

// ---------------------------------------------------------------------------------------
// Files the program created

class CTempFile {
public:
    CTempFile() = default;
    explicit CTempFile(const CString& path) : m_path(path) {}

    const CString& GetPath() const noexcept { return m_path; }
    void SetPath(const CString& path) { m_path = path; }

    // Deletes the held file, clearing its READONLY attribute first, and empties the
    // path on success. 0 when the path is empty or names no file (a folder does not
    // count); when the delete fails the path is kept, so a later call can try again.
    BOOL Delete();

private:
    CString m_path;
};
