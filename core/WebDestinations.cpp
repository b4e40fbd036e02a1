#include "core/WebDestinations.h"

#include "core/ShellServices.h"
#include "core/SystemInfo.h"
#include "core/base/Logger.h"

namespace {

const wchar_t kSite[] = L"https://www.vexlora.com";
const wchar_t kSiteVariable[] = L"VXL_LOCAL_SITE";
const wchar_t kProductWord[] = L"Vexlora";

volatile LONG g_useRuUrls = 0;

CString OnSite(const wchar_t* path) {
    return CVXLUrl::Get_Site() + path;
}

// The international page, or the Russian one while the switch is on.
CString OnSite(const wchar_t* path, const wchar_t* russianPath) {
    return OnSite(CVXLUrl::IsUsingRuUrls() ? russianPath : path);
}

CString Underscored(CString text) {
    text.Trim(L' ');
    text.Replace(L" ", L"_");
    return text;
}

}  // namespace

void CVXLUrl::_Set_Use_RU_Urls(bool useRu) {
    InterlockedExchange(&g_useRuUrls, useRu ? 1 : 0);
    LogWriteFormat(L"CVXLUrl::_Set_Use_RU_Urls =%d", useRu ? 1 : 0);
}

bool CVXLUrl::IsUsingRuUrls() {
    return InterlockedCompareExchange(&g_useRuUrls, 0, 0) != 0;
}

CString CVXLUrl::Get_Site() {
    // Read once: the end-to-end tests start the program with their own server on this
    // machine. Only a loopback address is taken, so no setting of the environment can send
    // the update check or the links anywhere else.
    static const CString site = [] {
        wchar_t value[128] = {};
        DWORD length = GetEnvironmentVariableW(kSiteVariable, value, 128);
        CString local(length > 0 && length < 128 ? value : L"");
        if (local.Find(L"http://127.0.0.1:") == 0 && local.Find(L'/', 7) < 0 && local.Find(L'@') < 0) {
            LogWriteFormat(L"CVXLUrl: the web site is %s", local.GetString());
            return local;
        }
        return CString(kSite);
    }();
    return site;
}

bool CVXLUrl::IsLocalSite() {
    return Get_Site() != kSite;
}

CString CVXLUrl::Get_Home_Url() {
    return OnSite(L"/home_vxl.php");
}

CString CVXLUrl::Get_Site_Root_Url() {
    return GetSiteRootOfUrl(Get_Home_Url());
}

CString CVXLUrl::Get_Support_Mail() {
    return L"support@vexlora.com";
}

CString CVXLUrl::Get_Support_Url() {
    return OnSite(L"/home_support.php");
}

CString CVXLUrl::Get_History_Url() {
    return OnSite(L"/history_vxl.php");
}

CString CVXLUrl::Get_Blog_Url() {
    return L"https://vexlora.blogspot.com/";
}

CString CVXLUrl::Get_Forum_Url() {
    return OnSite(L"/home_forum.php");
}

CString CVXLUrl::Get_News_Xml_Url() {
    return OnSite(L"/news_en.xml", L"/Rus/news_ru.xml");
}

CString CVXLUrl::Get_Video_Url() {
    return OnSite(L"/vxl_video.shtml");
}

CString CVXLUrl::Get_Report_Problem_Url() {
    return OnSite(L"/vexlora_faq.shtml#bug_report", L"/Rus/vexlora_faq.htm#report");
}

CString CVXLUrl::Get_Quick_Start_Url(bool withQuery) {
    CString address = OnSite(L"/home_vxl_qs.php");
    if (!withQuery) return address;
    CString version = GetProgramVersionText(true);
    if (version.Left(static_cast<int>(wcslen(kProductWord))) == kProductWord)
        version = version.Mid(static_cast<int>(wcslen(kProductWord)));
    return address + BuildQuickStartQuery(version);
}

CString CVXLUrl::Get_Faq_Url() {
    return OnSite(L"/home_vxl_faq.php");
}

CString CVXLUrl::Get_Portable_Faq_Url() {
    return OnSite(L"/vexlora_faq.shtml#portable", L"/Rus/vexlora_faq.htm#portable");
}

CString CVXLUrl::Get_Facebook_Url() {
    return L"https://www.facebook.com/vexlora";
}

CString CVXLUrl::Get_Subscribe_Url() {
    return OnSite(L"/subscribe.shtml", L"/Rus/subscribe.htm");
}

CString CVXLUrl::Get_Telegram_Url() {
    return L"https://t.me/vexlora";
}

CString CVXLUrl::Get_VK_Url() {
    return L"https://vk.com/vexlora";
}

CString CVXLUrl::Get_Translate_Howto_Url() {
    return OnSite(L"/vexlora_faq_translate.shtml", L"/vexlora_faq_translate.shtml#howto_loc_ru");
}

CString CVXLUrl::Get_Music_Url() {
    return IsUsingRuUrls() ? L"https://music.yandex.ru/album/vexlora" : L"https://www.youtube.com/watch?v=vexlora";
}

CString GetSiteRootOfUrl(const CString& address) {
    const int scheme = address.Find(L"://");
    if (scheme < 0) return address;
    const int slash = address.Find(L'/', scheme + 3);
    return slash < 0 ? address : address.Left(slash);
}

CString BuildQuickStartQuery(const CString& versionText) {
    return L"?ver=" + Underscored(versionText) + L"&from_app=" + Underscored(kProductWord);
}

HINSTANCE OpenUrl(HWND owner, const wchar_t* address) {
    return ShellRun(owner, L"open", address, nullptr, nullptr, SW_SHOWMAXIMIZED);
}

HINSTANCE OpenSupportMail(HWND owner) {
    CString subject(kProductWord);
    subject.Replace(L" ", L"_");
    return OpenUrl(owner, L"mailto:" + CVXLUrl::Get_Support_Mail() + L"?subject=" + subject);
}

CString CVXLUrl::Get_Html_Engine_Url() {
    return L"https://terrainformatica.com/";
}
