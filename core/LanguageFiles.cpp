#include "core/LanguageFiles.h"

#include <windows.h>

#include <algorithm>

#include "core/AppPaths.h"
#include "core/Handles.h"

namespace {

// FindFirstFileW also matches short 8.3 names, so "*.lng" can bring "x.lngx" along.
bool HasLngExtension(const wchar_t* name) {
    CString text(name);
    return text.GetLength() > 4 && text.Right(4).CompareNoCase(L".lng") == 0;
}

}  // namespace

bool EnumLanguageFiles(std::vector<CString>& names, const wchar_t* leaveOut) {
    names.clear();
    names.emplace_back();
    bool found = false;
    WIN32_FIND_DATAW data = {};
    CFindHandle find(FindFirstFileW(GetProgramFolder() + L"*.lng", &data));
    if (!find) return false;
    do {
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        if (!HasLngExtension(data.cFileName)) continue;
        found = true;
        if (leaveOut && CString(data.cFileName).CompareNoCase(leaveOut) == 0) continue;
        names.emplace_back(data.cFileName);
    } while (FindNextFileW(find.get(), &data));
    std::sort(names.begin() + 1, names.end(),
              [](const CString& a, const CString& b) { return a.CompareNoCase(b) < 0; });
    return found;
}

CString ReadLngPrefix(const wchar_t* path) {
    if (!path || !*path) return CString();
    wchar_t buffer[10] = {};
    GetPrivateProfileStringW(L"Main", L"LangPrefix", L"", buffer, 10, path);
    CString prefix(buffer);
    prefix.TrimRight(L' ');
    return prefix;
}
