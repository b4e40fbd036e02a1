#include "core/ShellHelpers.h"

#include "core/Launch.h"
#include "core/Settings.h"
#include "core/ShellServices.h"
#include "core/base/AppPaths.h"
#include "core/base/Handles.h"
#include "core/base/NamedObjects.h"
#include "core/base/PlatformFunctions.h"
#include "core/base/Security.h"

namespace {

const wchar_t kHookDllName[] = L"Vexlora.dll";

}  // namespace

CString FormatByteSizeText(DWORD bytes) {
    return Platform::FormatByteSize(bytes);
}

HINSTANCE ShellExecuteOpen(const wchar_t* path, const wchar_t* parameters) {
    return ShellExecuteExWithError(nullptr, L"open", path, parameters, nullptr, SW_SHOW, SEE_MASK_DOENVSUBST, nullptr);
}

CString GetHookDllPath() {
    if (IsDebuggerPresent()) {
        wchar_t current[MAX_PATH + 1] = {};
        DWORD length = GetCurrentDirectoryW(MAX_PATH + 1, current);
        if (length > 0 && length <= MAX_PATH) {
            CString path = JoinPath(current, kHookDllName);
            if (FileExists(path)) return path;
        }
    }
    return JoinProgramFolder(kHookDllName);
}

CString JoinPath(const CString& folder, const CString& name) {
    if (folder.IsEmpty()) return name;
    return WithTrailingBackslash(folder) + name;
}

CLibraryHandle LoadEditorAsData() {
    return CLibraryHandle(LoadLibraryExW(BuildPhraseEditorPath(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
}

HICON LoadEditorIcon(int index, HMODULE module) {
    static const WORD kIconIds[] = {160, 163, 164};
    if (index < 0 || index >= static_cast<int>(sizeof kIconIds / sizeof kIconIds[0])) return nullptr;
    return LoadIconW(module, MAKEINTRESOURCEW(kIconIds[index]));
}

CString BuildExplorerSelectParameters(const CString& folder) {
    CString bare(folder);
    bare.TrimRight(L'\\');
    return L"/select, \"" + bare + L"\"";
}

HINSTANCE OpenPhrasesFolder(HWND owner) {
    CScopedCursor wait(IDC_WAIT);
    CString parameters = BuildExplorerSelectParameters(CVXLSettings::GetInstance().GetPhrasesDirectoryNoSlash());
    return ShellRun(owner, L"open", L"explorer.exe", parameters, nullptr, SW_SHOWNORMAL);
}

bool CreateDirectoryShared(const wchar_t* path) {
    return CreateDirectoryW(path, GetOpenSecurityAttributes()) != FALSE;
}
