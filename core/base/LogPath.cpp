#include <shlobj.h>

#include "core/base/AppPaths.h"
#include "core/base/LogPath.h"
#include "core/base/NamedObjects.h"
#include "core/base/Security.h"

CString BuildLogReportPath() {
    CString folder = GetProgramFolder();
    CString candidate = folder + L"LogReport.txt";
    if (IsDriveRemovableOrRemote(folder)) return candidate;
    bool usable = FileExists(candidate) ? IsFileWritable(candidate) : IsFileWritable(GetProgramFolderNoSlash());
    if (usable) return candidate;
    wchar_t appData[MAX_PATH + 1] = {};
    SHGetSpecialFolderPathW(nullptr, appData, CSIDL_APPDATA, FALSE);
    return WithTrailingBackslash(CString(appData)) + L"LogReport_Vexlora.txt";
}
