// The web destinations in both page languages, the addresses derived from them, and the
// small shell utilities beside them.
#include <gtest/gtest.h>

#include <string>

#include "core/ShellServices.h"
#include "core/WebDestinations.h"
#include "core/base/TextConversions.h"
#include "core/tests/AppTestHelpers.h"
#include "testkit/fakes/RecordingShell.h"

namespace {

using namespace apptest;

// Puts the pages' language back as the other tests expect it.
class CPagesLanguage {
public:
    explicit CPagesLanguage(bool russian) : m_before(CVXLUrl::IsUsingRuUrls()) { CVXLUrl::_Set_Use_RU_Urls(russian); }
    ~CPagesLanguage() { CVXLUrl::_Set_Use_RU_Urls(m_before); }

private:
    bool m_before;
};

TEST(WebDestinations, EachGetterGivesItsPageInBothLanguages) {
    const std::wstring site = L"https://www.vexlora.com";
    struct Case {
        const char* getter;
        CString (*address)();
        std::wstring english;
        std::wstring russian;  // empty: the same as the English one
    } cases[] = {
        {"home", &CVXLUrl::Get_Home_Url, site + L"/home_vxl.php", L""},
        {"site root", &CVXLUrl::Get_Site_Root_Url, site, L""},
        {"support", &CVXLUrl::Get_Support_Url, site + L"/home_support.php", L""},
        {"history", &CVXLUrl::Get_History_Url, site + L"/history_vxl.php", L""},
        {"forum", &CVXLUrl::Get_Forum_Url, site + L"/home_forum.php", L""},
        {"news", &CVXLUrl::Get_News_Xml_Url, site + L"/news_en.xml", site + L"/Rus/news_ru.xml"},
        {"video", &CVXLUrl::Get_Video_Url, site + L"/vxl_video.shtml", L""},
        {"report a problem", &CVXLUrl::Get_Report_Problem_Url, site + L"/vexlora_faq.shtml#bug_report",
         site + L"/Rus/vexlora_faq.htm#report"},
        {"quick start", &CVXLUrl::Get_Quick_Start_Url_Plain, site + L"/home_vxl_qs.php", L""},
        {"faq", &CVXLUrl::Get_Faq_Url, site + L"/home_vxl_faq.php", L""},
        {"portable faq", &CVXLUrl::Get_Portable_Faq_Url, site + L"/vexlora_faq.shtml#portable",
         site + L"/Rus/vexlora_faq.htm#portable"},
        {"subscribe", &CVXLUrl::Get_Subscribe_Url, site + L"/subscribe.shtml", site + L"/Rus/subscribe.htm"},
        {"translate", &CVXLUrl::Get_Translate_Howto_Url, site + L"/vexlora_faq_translate.shtml",
         site + L"/vexlora_faq_translate.shtml#howto_loc_ru"},
    };
    for (bool russian : {false, true}) {
        CPagesLanguage language(russian);
        for (const Case& c : cases) {
            SCOPED_TRACE(c.getter);
            const std::wstring& expected = russian && !c.russian.empty() ? c.russian : c.english;
            EXPECT_EQ(expected, W(c.address())) << (russian ? "Russian" : "English");
        }
        // The pages off the web site are addresses of their own in both languages.
        for (CString (*address)() : {&CVXLUrl::Get_Blog_Url, &CVXLUrl::Get_Facebook_Url, &CVXLUrl::Get_Telegram_Url,
                                     &CVXLUrl::Get_VK_Url, &CVXLUrl::Get_Music_Url})
            EXPECT_TRUE(IsUrlText(address())) << W(address());
    }
    CPagesLanguage english(false);
    const CString englishMusic = CVXLUrl::Get_Music_Url();
    CVXLUrl::_Set_Use_RU_Urls(true);
    EXPECT_NE(W(englishMusic), W(CVXLUrl::Get_Music_Url())) << "the music link has a Russian page";
}

TEST(WebDestinations, SiteRootIsSchemeAndHost) {
    struct Case {
        const wchar_t* address;
        const wchar_t* root;
    } cases[] = {
        {L"https://www.example.com/a/b.php?x=1", L"https://www.example.com"},
        {L"http://example.com", L"http://example.com"},
        {L"www.example.com/a", L"www.example.com/a"},
        {L"", L""},
    };
    for (const Case& c : cases) EXPECT_EQ(std::wstring(c.root), W(GetSiteRootOfUrl(c.address))) << W(c.address);
}

TEST(WebDestinations, QuickStartQueryCarriesTheVersionWithoutBlanks) {
    EXPECT_EQ(W(L"?ver=1.2.3_build_45&from_app=Vexlora"), W(BuildQuickStartQuery(L"  1.2.3 build 45 ")));
    EXPECT_EQ(W(L"?ver=&from_app=Vexlora"), W(BuildQuickStartQuery(L"")));
    const CString full = CVXLUrl::Get_Quick_Start_Url_Full();
    EXPECT_EQ(0, full.Find(CVXLUrl::Get_Quick_Start_Url_Plain() + L"?ver=")) << W(full);
    EXPECT_EQ(-1, full.Find(L' ')) << W(full);
    EXPECT_EQ(W(L"&from_app=Vexlora"), W(full.Right(17)));
}

TEST(WebDestinations, OpenersGoThroughTheShellMaximised) {
    CRecordingShell shell;
    EXPECT_EQ(42, reinterpret_cast<INT_PTR>(OpenUrl(nullptr, L"https://example.com/")));
    EXPECT_EQ(42, reinterpret_cast<INT_PTR>(OpenSupportMail(nullptr)));
    ASSERT_EQ(2u, shell.files.size());
    EXPECT_EQ(L"https://example.com/", shell.files[0]);
    EXPECT_EQ(L"mailto:support@vexlora.com?subject=Vexlora", shell.files[1]);
    for (const std::wstring& verb : shell.verbs) EXPECT_EQ(L"open", verb);
}

TEST(ShellUtilities, AddressTextsNeedASchemeAndSomethingAfterIt) {
    struct Case {
        const wchar_t* text;
        bool url;
    } cases[] = {
        {L"https://a", true}, {L"HTTP://x.org", true}, {L"mailto:a@b", true}, {L"lt:x", true},       {L"dvn:", false},
        {L"lt:", false},      {L"http://", false},     {L"ftp:/x", false},    {L"c:\\x.exe", false}, {L"", false},
        {L"news://g", true},  {L"prospero://p", true}, {L" http://a", false},
    };
    for (const Case& c : cases) EXPECT_EQ(c.url, IsUrlText(c.text)) << W(c.text);
    EXPECT_EQ(W(L"Vexlora_Updater"), W(GetUpdaterName()));
}

TEST(ShellUtilities, TheExistingFilePrefixIsTheLongestStartNamingAFile) {
    CTempSettingsFolders folders(L"vxl prefix");
    const CString program = folders.programFolder + L"tool x.exe";
    ASSERT_TRUE(WriteBytes(program, "MZ"));
    const int length = program.GetLength();
    struct Case {
        CString command;
        int prefix;
    } cases[] = {
        {program + L" -a", length},
        {program + L"  two blanks", length},
        {program, -1},  // the whole text is not a start of itself
        {folders.programFolder + L" arg", -1},
        {L"no such program --x", -1},
        {L"", -1},
    };
    for (const Case& c : cases) EXPECT_EQ(c.prefix, FindExistingFilePrefix(c.command)) << W(c.command);
}

}  // namespace
