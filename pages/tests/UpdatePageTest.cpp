// The update page as text and as our engine's parser reads it, and the dialog's settings
// form logic run against the parsed page.
#include <gtest/gtest.h>

#include <string>

#include "core/Settings.h"
#include "core/tests/SettingsTestFolders.h"
#include "pages/HtmlHost.h"
#include "pages/NewsFeed.h"
#include "pages/UpdateDlg.h"
#include "pages/UpdatePage.h"
#include "platform/htmlayout/HtmlDom.h"
#include "platform/htmlayout/HtmlParser.h"

namespace {

// The settings form as the dialog sees it, over the parsed tree instead of a window.
class CParsedPage : public IHtmlHost {
public:
    explicit CParsedPage(const CString& html) : m_root(hl::ParseHtml(std::wstring(html.GetString()))) {}

    hl::Element* Id(LPCWSTR id) const { return hl::FindByAttribute(m_root.get(), L"id", id); }
    std::wstring Style(LPCWSTR id, const wchar_t* name) const {
        for (const hl::Attribute& a : Id(id)->RuntimeStyle())
            if (a.name == name) return a.value;
        return std::wstring();
    }

    BOOL LoadHtml(const BYTE*, UINT, LPCWSTR) override { return FALSE; }
    bool HasElement(LPCWSTR id) override { return Id(id) != nullptr; }
    bool GetElementState(LPCWSTR id, UINT& state) override {
        hl::Element* e = Id(id);
        if (e) state = e->State();
        return e != nullptr;
    }
    bool SetElementState(LPCWSTR id, UINT set, UINT clear) override {
        hl::Element* e = Id(id);
        if (e) e->SetState(set, clear);
        return e != nullptr;
    }
    bool SetElementStyle(LPCWSTR id, LPCSTR name, LPCWSTR value) override {
        hl::Element* e = Id(id);
        if (!e) return false;
        if (!name) {
            e->ClearRuntimeStyle();
            return true;
        }
        const std::wstring wide(name, name + strlen(name));
        if (value)
            e->SetRuntimeStyle(wide, value);
        else
            e->RemoveRuntimeStyle(wide);
        return true;
    }
    bool GetElementInt(LPCWSTR id, int& value) override {
        hl::Element* e = Id(id);
        if (!e) return false;
        value = std::stoi(e->AttributeOr(L"value", L"0"));
        return true;
    }

private:
    hl::CElementRef m_root;
};

UpdateCheckResult NewVersionResult() {
    UpdateCheckResult result;
    result.newVersionText = L"5.3.2.1";
    result.statusText = L"beta";
    result.releaseDateText = L"1 March 2026";
    result.currentVersion = {5, 2, 0, 7};
    result.newVersion = {5, 3, 2, 1};
    result.installerUrl = L"https://www.vexlora.com/get/setup.exe";
    result.portableUrl = L"https://www.vexlora.com/get/portable.zip";
    result.installerSize = 2048;
    result.portableSize = 1024;
    return result;
}

UpdateCheckResult NoNewVersionResult() {
    UpdateCheckResult result;
    result.currentVersion = {5, 3, 2, 1};
    result.newVersion = {5, 3, 2, 1};
    result.releaseDateText = L"1 March 2026";
    return result;
}

CUpdatePageEnv Env(bool autoCheck = true, DWORD days = 7) {
    CUpdatePageEnv env;
    env.autoCheck = autoCheck;
    env.days = days;
    env.buildDateText = L"2 March 2026";
    return env;
}

bool Has(const CString& html, const wchar_t* part) {
    return html.Find(part) >= 0;
}

}  // namespace

TEST(UpdatePage, VersionTexts) {
    struct Case {
        CVersionArray version;
        const wchar_t* suffix;
        const wchar_t* expected;
    } cases[] = {
        {{5, 3, 2, 1}, L"beta", L"5.32 beta build 1"},
        {{5, 3, 2, 1}, nullptr, L"5.32 build 1"},
        {{5, 3, 2, 1}, L"", L"5.32 build 1"},
        {{5, 3}, L"beta", L"5.3"},
        {{1, 2, 3}, nullptr, L"1.2.3"},
        {{}, L"beta", L"Unavailable"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(c.expected, W(UpdatePage::FormatVersionText(c.version, c.suffix))) << c.expected;
}

TEST(UpdatePage, ImageTagsQuoteTheirValues) {
    CHtmlImg none;
    EXPECT_EQ(L"<IMG>", W(none.Render()));

    CHtmlImg all;
    all.source = L"https://www.vexlora.com/a b.png";
    all.alt = L"say \"hi\" it's";
    all.width = 24;
    all.height = 20;
    all.border = 0;
    all.hspace = 5;
    all.vspace = 1;
    all.id = L" ";
    all.style = L"color: red";
    all.SetVAlign(1);
    all.SetHAlign(2);
    EXPECT_EQ(
        L"<IMG SRC=\"https://www.vexlora.com/a b.png\" ALT='say \"hi\" it&#39;s' BORDER=0 WIDTH=24 HEIGHT=20 "
        L"VSPACE=1 HSPACE=5 ID=\"\" STYLE=\"color: red\">",
        W(all.Render()));
    EXPECT_EQ(L"MIDDLE", W(all.valign));
    EXPECT_EQ(L"RIGHT", W(all.halign));
    all.SetVAlign(3);
    EXPECT_TRUE(all.valign.IsEmpty());

    // The engine reads the tag back as written.
    hl::CElementRef root(hl::ParseHtml(L"<body>" + std::wstring(all.Render().GetString()) + L"</body>"));
    hl::Element* img = hl::FindByTag(root.get(), L"img");
    ASSERT_NE(nullptr, img);
    EXPECT_EQ(L"say \"hi\" it's", img->AttributeOr(L"alt"));
    EXPECT_EQ(L"https://www.vexlora.com/a b.png", img->AttributeOr(L"src"));
}

TEST(UpdatePage, Anchors) {
    struct Case {
        const wchar_t* url;
        const wchar_t* text;
        const wchar_t* title;
        const wchar_t* id;
        const wchar_t* expected;
    } cases[] = {
        {L"https://a.example/", L"Home", L"", L"", L"<A HREF=\"https://a.example/\">Home</A>"},
        {L"https://a.example/", L"", L"", L"", L"<A HREF=\"https://a.example/\">https://a.example/</A>"},
        {L"#latest_news", L"News", L"the \"latest\" ones", L"n1",
         L"<A HREF=\"#latest_news\" TITLE=\"the 'latest' ones\" ID=\"n1\">News</A>"},
        {L"", L"Download", L"", L"", L"<A HREF=\"\">Download</A>"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.expected, W(BuildAnchor(c.url, c.text, c.title, c.id))) << c.expected;
}

TEST(UpdatePage, ProductIconsGoBeforeTheirNames) {
    const CString marked = AddProductIcon(L"The new VEXLORA is out", 0);
    EXPECT_EQ(0, marked.Find(L"<IMG SRC=\""));
    EXPECT_TRUE(Has(marked, L"vexlora.png\" width=32 height=32 border=0 hspace=4 >The new VEXLORA is out"));
    EXPECT_TRUE(Has(AddProductIcon(L"Float pane tips", 16), L"floatpane.png\" width=16 height=16"));
    EXPECT_EQ(L"Nothing of ours", W(AddProductIcon(L"Nothing of ours", 32)));
}

TEST(UpdatePage, BothVariantsCarryTheSettingsForm) {
    struct Case {
        const char* name;
        UpdateCheckResult result;
        const wchar_t* mark;  // a text only that variant has
    } cases[] = {
        {"new", NewVersionResult(), L"Download version with installer"},
        {"no new", NoNewVersionResult(), L"Your version of Vexlora"},
    };
    for (const Case& c : cases) {
        const CString html = BuildUpdatePage(c.result, Env(true, 12));
        EXPECT_TRUE(Has(html, c.mark)) << c.name;
        EXPECT_EQ(0, html.Find(L"<html><head><style>")) << c.name;
        CParsedPage page(html);
        ASSERT_TRUE(page.HasElement(kAutoCheckId)) << c.name;
        ASSERT_TRUE(page.HasElement(kDaysNumberId)) << c.name;
        ASSERT_TRUE(page.HasElement(kDaysTextId)) << c.name;
        EXPECT_EQ(L"widget", page.Id(kAutoCheckId)->Tag()) << c.name;
        EXPECT_EQ(L"input", page.Id(kDaysNumberId)->Tag()) << c.name;
        UINT state = 0;
        ASSERT_TRUE(page.GetElementState(kAutoCheckId, state));
        EXPECT_EQ(static_cast<UINT>(STATE_CHECKED), state & STATE_CHECKED) << c.name;
        int days = 0;
        ASSERT_TRUE(page.GetElementInt(kDaysNumberId, days));
        EXPECT_EQ(12, days) << c.name;
        EXPECT_EQ(L"30", page.Id(kDaysNumberId)->AttributeOr(L"maxvalue")) << c.name;
        // The page's links within itself reach the news anchor only when there is news.
        EXPECT_FALSE(Has(html, L"#latest_news")) << c.name;
    }
}

TEST(UpdatePage, AutoCheckOffLeavesTheBoxUntickedAndShowsTheStoredDays) {
    const CString html = BuildUpdatePage(NoNewVersionResult(), Env(false, 21));
    CParsedPage page(html);
    hl::Element* box = page.Id(kAutoCheckId);
    ASSERT_NE(nullptr, box);
    EXPECT_FALSE(box->HasAttribute(L"checked"));
    EXPECT_EQ(0u, box->State() & STATE_CHECKED);
    EXPECT_EQ(L"21", page.Id(kDaysNumberId)->AttributeOr(L"value"));
}

TEST(UpdatePage, NewVersionWithoutDownloadAddressesStillShowsItsBlock) {
    UpdateCheckResult result = NewVersionResult();
    result.installerUrl.Empty();
    result.portableUrl.Empty();
    result.portableSize = -1;
    const CString html = BuildUpdatePage(result, Env());
    EXPECT_TRUE(Has(html, L"Has new version on official web site: Vexlora 5.32 beta build 1"));
    EXPECT_TRUE(Has(html, L"<A HREF=\"\">Download version with installer</A> ["));
    EXPECT_TRUE(Has(html, L"<A HREF=\"\">Download portable version</A><BR>"))
        << "an unknown size is left out, not written as a huge number";
}

TEST(UpdatePage, VariantFollowsTheMarkerFileOrTheNewVersion) {
    CUpdatePageEnv marked = Env();
    marked.newVersionMarker = true;
    EXPECT_TRUE(Has(BuildUpdatePage(NoNewVersionResult(), marked), L"update_yes.png"));
    EXPECT_TRUE(Has(BuildUpdatePage(NoNewVersionResult(), Env()), L"update_no.png"));
    EXPECT_TRUE(Has(BuildUpdatePage(NewVersionResult(), Env()), L"update_yes.png"));
}

TEST(UpdatePage, BodyTakesTheWindowColour) {
    CUpdatePageEnv env = Env();
    env.windowColor = RGB(0x12, 0xAB, 0x05);
    EXPECT_TRUE(Has(BuildUpdatePage(NoNewVersionResult(), env), L"<BODY BGCOLOR=#12AB05 LEFTMARGIN=5 "));
}

TEST(UpdatePage, RunningNewerThanTheSiteIsSaidOnlyWhenTheSiteGaveAVersion) {
    const wchar_t kNewer[] = L"This Vexlora is newer than the version on the website";
    struct Case {
        CVersionArray running;
        CVersionArray server;
        bool newer;
    } cases[] = {
        {{5, 3, 2, 1}, {5, 3, 2, 0}, true},   {{5, 3, 2, 1}, {5, 3, 2}, true}, {{5, 3, 2, 1}, {5, 3, 2, 1}, false},
        {{5, 3, 2, 1}, {5, 3, 10, 0}, false}, {{5, 3, 2, 1}, {}, false},
    };
    for (const Case& c : cases) {
        UpdateCheckResult result = NoNewVersionResult();
        result.currentVersion = c.running;
        result.newVersion = c.server;
        EXPECT_EQ(c.newer, Has(BuildUpdatePage(result, Env()), kNewer)) << JoinVersionNumbers(c.server).GetString();
    }
}

TEST(UpdatePage, OfferOfTheLanguageElseEnglishGoesRightAfterTheBody) {
    struct Case {
        const wchar_t* language;
        bool withGerman;
        bool withEnglish;
        const wchar_t* expected;  // the offer text shown, null: none
    } cases[] = {
        {L"DE", true, true, L"Angebot"}, {L"DE", false, true, L"Offer"}, {L"", true, true, L"Offer"},
        {L"DE", false, false, nullptr},  {L"FR", true, false, nullptr},
    };
    for (const Case& c : cases) {
        UpdateCheckResult result = NoNewVersionResult();
        if (c.withGerman) result.offers[L"DE"] = {L"https://www.vexlora.com/de", L"Angebot"};
        if (c.withEnglish) result.offers[L"EN"] = {L"https://www.vexlora.com/en", L"Offer"};
        CUpdatePageEnv env = Env();
        env.languageCode = c.language;
        const CString html = BuildUpdatePage(result, env);
        const int body = html.Find(L"<BODY ");
        const int afterBody = html.Find(L'>', body) + 1;
        if (!c.expected) {
            EXPECT_FALSE(Has(html, L"ID=offers")) << c.language;
            continue;
        }
        EXPECT_EQ(afterBody, html.Find(L"<DIV ID=offers>")) << c.language;
        EXPECT_EQ(afterBody + 15, html.Find(c.expected)) << c.language;
    }
}

TEST(UpdatePage, NewsBlockWithContentsAndItems) {
    EXPECT_TRUE(BuildNewsBlock({}).IsEmpty());
    std::vector<NewsItem> news(2);
    news[0].title = L"Vexlora 5.3 is out";
    news[0].link = L"https://www.vexlora.com/news/1";
    news[0].description = L"Many \"fixes\"";
    news[0].date = L"1 March 2026";
    news[0].author = L"Team";
    news[1].title = L"A very long title that goes on and on and on and on until it is cut";
    UpdateCheckResult result = NewVersionResult();
    result.news = news;
    const CString html = BuildUpdatePage(result, Env());
    EXPECT_TRUE(Has(html, L"<A NAME=\"latest_news\"></A><H1>Latest News [2]</H1>"));
    EXPECT_TRUE(Has(html, L"<A HREF=\"#latest_news\">Latest News</A>"));

    CParsedPage page(html);
    hl::Element* title = page.Id(L"id_item_title");
    ASSERT_NE(nullptr, title);
    hl::Element* link = hl::FindByTag(title, L"a");
    ASSERT_NE(nullptr, link);
    EXPECT_EQ(L"https://www.vexlora.com/news/1", link->AttributeOr(L"href"));
    EXPECT_NE(nullptr, hl::FindByTag(link, L"img")) << "our product's icon before its title";
    EXPECT_NE(nullptr, page.Id(L"id_item_date"));
    EXPECT_NE(nullptr, page.Id(L"id_item_author"));
    EXPECT_NE(nullptr, hl::FindByAttribute(page.Id(L"id_item_desc"), L"name", L"item1"));
    hl::Element* second = hl::FindByAttribute(page.Id(L"id_item_desc")->Parent(), L"href", L"#item2");
    ASSERT_NE(nullptr, second);
    EXPECT_EQ(W(ShortenNewsTitle(news[1].title)), hl::InnerText(second));
    EXPECT_LT(hl::InnerText(second).size(), 60u);
    EXPECT_EQ(L"id_item_date", W(GetNewsElementId(3)));
    EXPECT_TRUE(GetNewsElementId(4).IsEmpty());
}

TEST(UpdateDlgLogic, LinksThatMayBeOpened) {
    struct Case {
        const wchar_t* href;
        PageLinkAction action;
    } cases[] = {
        {L"https://www.vexlora.com/", PageLinkAction::kOpen},
        {L"HTTP://www.vexlora.com/", PageLinkAction::kOpen},
        {L"mailto:team@vexlora.com", PageLinkAction::kOpen},
        {L"#latest_news", PageLinkAction::kLeaveToPage},
        {L"", PageLinkAction::kLeaveToPage},
        {L"file:///C:/Windows/notepad.exe", PageLinkAction::kRefuse},
        {L"\\\\server\\share\\run.exe", PageLinkAction::kRefuse},
        {L"C:\\Windows\\notepad.exe", PageLinkAction::kRefuse},
        {L"http:", PageLinkAction::kRefuse},
        {L"javascript:alert(1)", PageLinkAction::kRefuse},
    };
    for (const Case& c : cases) EXPECT_EQ(c.action, ClassifyPageLink(c.href)) << W(c.href);
}

TEST(UpdateDlgLogic, SettingsColoursFollowTheCheckBox) {
    CParsedPage page(BuildUpdatePage(NoNewVersionResult(), Env(false, 7)));
    ApplySettingsColours(page);
    EXPECT_EQ(L"red", page.Style(kAutoCheckId, L"color"));
    EXPECT_EQ(static_cast<UINT>(STATE_DISABLED), page.Id(kDaysNumberId)->State() & STATE_DISABLED);
    EXPECT_EQ(L"gray", page.Style(kDaysTextId, L"color"));
    EXPECT_EQ(L"line-through", page.Style(kDaysTextId, L"text-decoration"));

    page.SetElementState(kAutoCheckId, STATE_CHECKED, 0);
    ApplySettingsColours(page);
    EXPECT_EQ(L"green", page.Style(kAutoCheckId, L"color"));
    EXPECT_EQ(0u, page.Id(kDaysNumberId)->State() & STATE_DISABLED);
    EXPECT_TRUE(page.Id(kDaysTextId)->RuntimeStyle().empty());
}

TEST(UpdateDlgLogic, FormValuesAreStoredOnlyFromALoadedPage) {
    CTempSettingsFolders folders(L"vxl_update_page");
    struct Case {
        bool loaded;
        bool ticked;
        const wchar_t* days;
        bool saved;
        int storedAuto;  // -1: not written
        int storedDays;
    } cases[] = {
        {true, false, L"12", true, 0, 12},
        {true, true, L"45", true, 1, 30},
        {true, true, L"0", true, 1, 1},
        {false, false, L"12", false, -1, -1},
    };
    for (const Case& c : cases) {
        DeleteFileW(folders.ProgramFile());
        DeleteFileW(folders.ProfileFile());
        IniFlushCache();
        CParsedPage page(BuildUpdatePage(NoNewVersionResult(), Env(true, 7)));
        page.SetElementState(kAutoCheckId, c.ticked ? STATE_CHECKED : 0, c.ticked ? 0 : STATE_CHECKED);
        page.Id(kDaysNumberId)->SetAttribute(L"value", c.days);
        CVXLSettings settings;
        EXPECT_EQ(c.saved, StoreCheckSettings(page, c.loaded, settings)) << W(c.days);
        IniFlushCache();
        EXPECT_EQ(c.storedAuto, CVXLSettings::ReadInt(L"AutoCheckForUpdates", -1)) << W(c.days);
        EXPECT_EQ(c.storedDays, CVXLSettings::ReadInt(L"DaysCheckForUpdates", -1)) << W(c.days);
    }
}
