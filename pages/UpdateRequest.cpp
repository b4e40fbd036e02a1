#include "pages/UpdateRequest.h"

#include "core/AppTexts.h"
#include "core/Settings.h"
#include "core/SettingsFile.h"
#include "core/SystemInfo.h"
#include "core/WebDestinations.h"
#include "core/base/InputLanguage.h"
#include "core/base/PlatformFunctions.h"

const wchar_t kUpdateEndpointUrl[] = L"http://www.vexlora.com/Source/update_vxl.php";

namespace {

// More layouts than anyone installs; the query stays short.
constexpr int kMaxLayouts = 50;

CString Iso639Name(HKL layout) {
    LANGID language = LOWORD(reinterpret_cast<ULONG_PTR>(layout));
    wchar_t name[10] = {};
    if (GetLocaleInfoW(MAKELCID(language, SORT_DEFAULT), LOCALE_SISO639LANGNAME, name, 9) <= 0) return CString();
    return name;
}

}  // namespace

void CUrlQueryParams::Add(const wchar_t* name, const wchar_t* value, bool bracketed) {
    CString text(value);
    text.Replace(L' ', L'_');
    if (bracketed) text = L"[" + text + L"]";
    m_pairs.emplace_back(CString(name), text);
}

void CUrlQueryParams::Add(const wchar_t* name, int value) {
    CString text;
    text.Format(L"%d", value);
    Add(name, text);
}

CString CUrlQueryParams::Render() const {
    if (m_pairs.empty()) return CString();
    CString url = m_base + L"?";
    for (const auto& pair : m_pairs) {
        wchar_t last = url.IsEmpty() ? L'\0' : url[url.GetLength() - 1];
        if (last != L'?' && last != L'&') url += L'&';
        CString value = pair.second;
        value.Replace(L' ', L'_');
        value.Replace(L'+', L'_');
        url += pair.first + L"=" + value;
    }
    return url;
}

CUpdateProfile CollectUpdateProfile() {
    CVXLSettings& settings = CVXLSettings::GetInstance();
    CUpdateProfile profile;
    profile.programVersion = GetProgramFileVersion();
    profile.osText = GetOSVersionText();
    profile.soundsOn = settings.SoundOnEventsV094;
    profile.fromInstaller = IsFromInstaller();
    profile.hotKeyText = HotKeyToText(settings.HotkeyVk, settings.HotkeyModifiers);
    profile.hotKeyText.MakeUpper();
    profile.hotKeyDoubled = settings.Hotkey_Doubled;
    profile.autoCheck = settings.AutoCheckForUpdates;
    profile.checkDays = settings.GetDaysCheckForUpdates();
    profile.languageFile = settings.GetLanguage();
    for (HKL layout : GetInputLanguageInfo().GetKeyboardLayouts(kMaxLayouts))
        profile.keyboardLanguages.push_back(Iso639Name(layout));
    profile.country = Platform::GetGeoFriendlyName();
    profile.domain = Platform::GetComputerDomainName();
    MEMORYSTATUSEX memory = {};
    memory.dwLength = sizeof memory;
    if (GlobalMemoryStatusEx(&memory)) profile.memoryText = Platform::FormatByteSize(memory.ullTotalPhys);
    profile.memoryText.Remove(L' ');
    profile.screenWidth = GetSystemMetrics(SM_CXSCREEN);
    profile.screenHeight = GetSystemMetrics(SM_CYSCREEN);
    profile.mfcPath = GetMfcLibraryPath();
    return profile;
}

CString BuildUpdateRequestUrl(const wchar_t* endpoint, const CUpdateProfile& profile) {
    CUrlQueryParams query(endpoint);
    if (!profile.programVersion.IsEmpty()) query.Add(L"vxl_version", profile.programVersion);
    query.Add(L"winver", profile.osText);
    query.Add(L"sounds", profile.soundsOn ? L"1" : L"0");
    query.Add(L"version_installed", profile.fromInstaller ? L"1" : L"0");
    query.Add(L"hotkey", profile.hotKeyText + (profile.hotKeyDoubled ? L"x2" : L""));
    if (profile.autoCheck)
        query.Add(L"au", static_cast<int>(profile.checkDays));
    else
        query.Add(L"au", L"disabled");
    query.Add(L"LangFile", profile.languageFile, true);
    CString languages;
    for (const CString& language : profile.keyboardLanguages) {
        if (!languages.IsEmpty()) languages += L"+";
        languages += language;
    }
    query.Add(L"languages", languages);
    query.Add(L"country", profile.country, true);
    query.Add(L"domain", profile.domain, true);
    query.Add(L"RAM", profile.memoryText);
    CString screen;
    screen.Format(L"%dx%d", profile.screenWidth, profile.screenHeight);
    query.Add(L"screen", screen, true);
    query.Add(L"MFC", profile.mfcPath);
    if (!profile.skippedVersion.empty()) query.Add(L"SkippedVersion", JoinVersionNumbers(profile.skippedVersion), true);
    return query.Render();
}

CString BuildUpdateRequestUrl() {
    const CString endpoint =
        CVXLUrl::IsLocalSite() ? CVXLUrl::Get_Site() + L"/Source/update_vxl.php" : CString(kUpdateEndpointUrl);
    return BuildUpdateRequestUrl(endpoint, CollectUpdateProfile());
}
