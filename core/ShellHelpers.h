// Small shell and file helpers of the tray program: byte sizes as the shell writes them,
// shell starts, the hook library's and the editor's files, the phrases folder in the
// explorer, shared folders, and a DC's text colour for a scope.
#pragma once

#include <windows.h>

#include "core/base/CString.h"
#include "core/base/Handles.h"

// "1.00 KB" and the like (StrFormatByteSizeW of shlwapi, bound at run time); empty when
// the library is missing.
CString FormatByteSizeText(DWORD bytes);

// The shell's "open" of the path, environment references in it expanded; the
// instance value the shell gives back (above 32 means started).
HINSTANCE ShellExecuteOpen(const wchar_t* path, const wchar_t* parameters);

// The hook library in the program folder. Under a debugger a copy in the current folder
// comes first, so that a freshly built library is loaded without copying it over.
CString GetHookDllPath();

// folder + "\" (unless it already ends in one) + name; the name alone for no folder.
CString JoinPath(const CString& folder, const CString& name);

// The phrase editor's program as a data file, for its icons.
CLibraryHandle LoadEditorAsData();
// Icon 160, 163 or 164 of the module for index 0, 1 or 2; null for any other index.
HICON LoadEditorIcon(int index, HMODULE module);

// `/select, "<folder>"` for the explorer, the folder without trailing "\".
CString BuildExplorerSelectParameters(const CString& folder);
// The explorer showing the phrases folder selected in its parent (with the wait cursor).
HINSTANCE OpenPhrasesFolder(HWND owner);

// CreateDirectoryW with the open security descriptor, so that an elevated and a normal
// instance of the same user can both write there; default security when it cannot be built.
bool CreateDirectoryShared(const wchar_t* path);

// Puts a DC's text colour back at the end of a scope, when SetColor changed it.
class CTextColorGuard {
public:
    explicit CTextColorGuard(HDC dc) noexcept : m_dc(dc) {}
    ~CTextColorGuard() {
        if (m_changed) SetTextColor(m_dc, m_saved);
    }
    CTextColorGuard(const CTextColorGuard&) = delete;
    CTextColorGuard& operator=(const CTextColorGuard&) = delete;

    // The colour before the first change is the one restored.
    void SetColor(COLORREF color) noexcept {
        COLORREF old = SetTextColor(m_dc, color);
        if (m_changed || old == CLR_INVALID) return;
        m_saved = old;
        m_changed = true;
    }

private:
    HDC m_dc;
    COLORREF m_saved = 0;
    bool m_changed = false;
};
