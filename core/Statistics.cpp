#include "core/Statistics.h"

#include <cwchar>

#include "core/base/AppPaths.h"

namespace {

CString DaySection(const SYSTEMTIME& day) {
    CString section;
    section.Format(L"%04u-%02u-%02u", day.wYear, day.wMonth, day.wDay);
    return section;
}

int Increment(const wchar_t* key, const wchar_t* file, const SYSTEMTIME* today) {
    const CString path = file ? CString(file) : GetStatFilePath();
    SYSTEMTIME now = {};
    if (today)
        now = *today;
    else
        GetLocalTime(&now);
    const int count = CStat_Info::GetCount(key, path, now) + 1;
    wchar_t value[16];
    swprintf(value, 16, L"%d", count);
    return WritePrivateProfileStringW(DaySection(now), key, value, path) ? 1 : 0;
}

}  // namespace

CString GetStatFilePath() {
    return GetProgramFolder() + L"vxl_stat_info.ini";
}

int CStat_Info::Inc_Cmd_Count(const wchar_t* file, const SYSTEMTIME* today) {
    return Increment(L"Commands", file, today);
}

int CStat_Info::Inc_Clipboard_Count(const wchar_t* file, const SYSTEMTIME* today) {
    return Increment(L"Clipboard", file, today);
}

int CStat_Info::GetCount(const wchar_t* key, const wchar_t* file, const SYSTEMTIME& day) {
    const int count = static_cast<int>(GetPrivateProfileIntW(DaySection(day), key, 0, file));
    return count < 0 ? 0 : count;
}
