// Every web address the programs open or download from: one table of getters, some with
// a Russian and an international page chosen by one process-wide switch, and the two
// openers. Host names are ours to choose; the paths are the web site's.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

class CVXLUrl {
public:
    // Chooses the Russian or the international web pages, and logs the choice.
    static void _Set_Use_RU_Urls(bool useRu);
    static bool IsUsingRuUrls();

    // Scheme and host of our web site, every other address of the table starts with it.
    static CString Get_Site();
    // True when the tests' own server on this machine stands in for the web site.
    static bool IsLocalSite();
    static CString Get_Home_Url();
    // The home page cut to scheme and host: everything before the first "/" after "://";
    // the whole address when either is missing.
    static CString Get_Site_Root_Url();
    static CString Get_Support_Mail();
    static CString Get_Support_Url();
    static CString Get_History_Url();
    static CString Get_Blog_Url();
    static CString Get_Forum_Url();
    static CString Get_News_Xml_Url();
    static CString Get_Video_Url();
    static CString Get_Report_Problem_Url();
    // With the query, "?ver=" + the program's version + "&from_app=Vexlora".
    static CString Get_Quick_Start_Url(bool withQuery);
    static CString Get_Quick_Start_Url_Full() { return Get_Quick_Start_Url(true); }
    static CString Get_Quick_Start_Url_Plain() { return Get_Quick_Start_Url(false); }
    static CString Get_Faq_Url();
    static CString Get_Portable_Faq_Url();
    static CString Get_Facebook_Url();
    static CString Get_Subscribe_Url();
    static CString Get_Telegram_Url();
    static CString Get_VK_Url();
    static CString Get_Translate_Howto_Url();
    static CString Get_Music_Url();
    // The maker of the HTML engine the pages are written for (not our site).
    static CString Get_Html_Engine_Url();
};

// The site root of any address, by the rule of Get_Site_Root_Url.
CString GetSiteRootOfUrl(const CString& address);
// "?ver=" + the version text (blanks at both ends trimmed, the others made "_") +
// "&from_app=Vexlora".
CString BuildQuickStartQuery(const CString& versionText);

// ShellExecuteW "open", maximised; the shell's result (above 32: started).
HINSTANCE OpenUrl(HWND owner, const wchar_t* address);
// The mail program with "mailto:" + the support mailbox + "?subject=Vexlora".
HINSTANCE OpenSupportMail(HWND owner);
