#include "core/TestSwitches.h"

#include <windows.h>

#include <map>

#include "core/base/AppPaths.h"

const wchar_t kUpdateVersionTestSwitch[] = L"UpdateVersion_Test.UpdateVersion_Test";

namespace {

enum SwitchState { kPresent = 0, kAbsent = 1, kNotTested = 2 };

std::map<CString, int>& SwitchTable() {
    static std::map<CString, int> table;
    return table;
}

CString SwitchPath(const wchar_t* name) {
    CString text(name);
    if (text.Find(L'\\') >= 0) return text;
    return GetProgramFolder() + text;
}

bool IsFile(const wchar_t* path) {
    DWORD attributes = GetFileAttributesW(path);
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

}  // namespace

bool IsTestFlagPresent(const wchar_t* name) {
    if (!name || !*name) return false;
    const CString path = SwitchPath(name);
    auto& table = SwitchTable();
    auto entry = table.emplace(path, kNotTested).first;
    if (entry->second == kNotTested) {
        UINT oldMode = SetErrorMode(SEM_FAILCRITICALERRORS);
        entry->second = IsFile(path) ? kPresent : kAbsent;
        SetErrorMode(oldMode);
    }
    return entry->second == kPresent;
}

bool IsUpdateVersionTest() {
    return IsTestFlagPresent(kUpdateVersionTestSwitch);
}

int FillTestFlagNames(std::vector<CString>& names) {
    names.clear();
    names.emplace_back(kUpdateVersionTestSwitch);
    return static_cast<int>(names.size());
}

void ResetTestFlagsForTest() {
    SwitchTable().clear();
}
