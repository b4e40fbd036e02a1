#include "pages/UpdatePage.h"

#include "core/AppTexts.h"
#include "core/DateTimeTexts.h"
#include "core/DefaultPrograms.h"
#include "core/Settings.h"
#include "core/ShellHelpers.h"
#include "core/TestSwitches.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/WebDestinations.h"
#include "pages/NewsFeed.h"

const wchar_t kAutoCheckId[] = L"CFUAutoCheck";
const wchar_t kDaysNumberId[] = L"CFUDaysNumber";
const wchar_t kDaysTextId[] = L"cfu_days_text";

namespace {

const wchar_t kNewsAnchor[] = L"latest_news";
const wchar_t kProduct[] = L"Vexlora";
const int kMarginValue = 5;

// Our pictures, on our own site.
CString SitePicture(const wchar_t* name) {
    return CVXLUrl::Get_Site_Root_Url() + L"/images/update/" + name;
}

CString Ui(UINT id) {
    return LoadUiString(id);
}

CString Red(const CString& text) {
    return L"<FONT COLOR=red SIZE=+1>" + text + L"</FONT>";
}

CString Strong(const CString& text) {
    return L"<STRONG>" + text + L"</STRONG>";
}

CString GreenIf(bool green, const CString& text) {
    return green ? L"<FONT COLOR=green>" + text + L"</FONT>" : text;
}

// An opening tag with ID="id" put before its ">", the content and the closing tag.
CString Tagged(const CString& openTag, const wchar_t* id, const CString& content) {
    const int close = openTag.Find(L'>');
    CString name = openTag.Mid(1, close - 1);
    const int blank = name.Find(L' ');
    if (blank >= 0) name = name.Left(blank);
    return openTag.Left(close) + L" ID=" + QuoteHtmlValue(id) + L">" + content + L"</" + name + L">";
}

// "[1.23 MB]" after a blank; nothing for a size the server did not give.
CString SizeText(LONG size) {
    if (size < 0) return CString();
    return L" [" + FormatByteSizeText(static_cast<DWORD>(size)) + L"]";
}

// Equal numbers as far as both go, then the longer list is the newer one. An empty
// server version (the check found none) is never older.
bool IsRunningNewer(const CVersionArray& running, const CVersionArray& server) {
    if (server.empty()) return false;
    const size_t common = running.size() < server.size() ? running.size() : server.size();
    for (size_t i = 0; i < common; ++i) {
        if (running[i] != server[i]) return running[i] > server[i];
    }
    return running.size() > server.size();
}

CString BodyStart(COLORREF window) {
    CString colour;
    colour.Format(L"#%.2X%.2X%.2X", GetRValue(window), GetGValue(window), GetBValue(window));
    CString body =
        L"<BODY BGCOLOR=%BGCOLOR% LEFTMARGIN=%MARGINVALUE% RIGHTMARGIN=%MARGINVALUE% TOPMARGIN=%MARGINVALUE% "
        L"BOTTOMMARGIN=%MARGINVALUE%><tabLE width=100% bgCOLOR=%BGCOLOR%  Cellpadding=5 BORDER=0 HEIGHT=100%><tr><td "
        L"VALIGN=TOP COLSPAN=4>";
    body.Replace(L"%BGCOLOR%", colour);
    body.Replace(L"%MARGINVALUE%", IntToStr(kMarginValue));
    return body;
}

CString SmallPicture(const wchar_t* name, int size) {
    CHtmlImg img;
    img.source = SitePicture(name);
    img.alt = L" ";
    img.width = size;
    img.height = size;
    img.border = 0;
    img.hspace = 2;
    img.style = L"vertical-align: middle";
    return img.Render();
}

CString LinksTable() {
    const bool ru = CVXLUrl::IsUsingRuUrls();
    const CString telegram = ru ? CString(L"Группа в Telegram") : Ui(IDS_CMD_TELEGRAM_GROUP);
    const CString vkontakte = ru ? CString(L"Группа ВКонтакте") : Ui(IDS_CMD_VKONTAKTE_GROUP);
    CString html = L"<TABLE ALIGN=CENTER WIDTH=100% CELLSPACING=2><TR HEIGHT=10><TD COLSPAN=3 HEIGHT=10></TD></TR><TR>";
    html += L"<TD WIDTH=25%>" + SmallPicture(L"forum.png", 20) +
            BuildAnchor(CVXLUrl::Get_Forum_Url(), Ui(IDS_OFFICIAL_FORUM), Ui(IDS_CMD_VISIT_FORUM)) + L"</TD>";
    html += L"<TD WIDTH=50% ALIGN=CENTER>";
    html +=
        SmallPicture(L"facebook.png", 20) + BuildAnchor(CVXLUrl::Get_Facebook_Url(), Ui(IDS_CMD_FACEBOOK_GROUP)) + L" ";
    html += SmallPicture(L"telegram.png", 20) + BuildAnchor(CVXLUrl::Get_Telegram_Url(), telegram) + L" ";
    html += SmallPicture(L"vkontakte.png", 20) + BuildAnchor(CVXLUrl::Get_VK_Url(), vkontakte) + L"</TD>";
    html += L"<TD WIDTH=25% ALIGN=RIGHT>" +
            BuildAnchor(CVXLUrl::Get_Home_Url(), Ui(IDS_OFFICIAL_WEB_SITE), Ui(IDS_CMD_VISIT_WEB_SITE)) +
            L"</TD></TR></TABLE>";
    return html;
}

// The hint's sentences one to a line, as a tool tip.
CString AutoCheckTitle() {
    CString title = Ui(IDS_AUTO_CHECK_HINT);
    title.Replace(L'"', L'\'');
    title.Replace(L".", L".\n");
    title.TrimRight();
    return title;
}

CString SettingsForm(const CUpdatePageEnv& env) {
    const CString daysText = Ui(IDS_CHECK_EVERY_DAYS);
    CString html = L"<TABLE BORDER=0 WIDTH=100%><TR><TD ID=settings><TABLE BORDER=0 CELLPADDING=5><TR><TD ALIGN=RIGHT>";
    html += L"<H2 ALIGN=RIGHT>" + Ui(IDS_CMD_SETTINGS) + L"</H2><TD ALIGN=LEFT>";
    html += L"<widget type=checkbox";
    if (env.autoCheck) html += L" checked=true";
    html += CString(L" ID=") + QuoteHtmlValue(kAutoCheckId) + L" TITLE=" + QuoteHtmlValue(AutoCheckTitle()) + L">";
    html += Strong(Ui(IDS_AUTO_UPDATE_CHECK)) + L"</widget>";
    html += L"<DIV ID=div_hor>" + Tagged(L"<SPAN>", kDaysTextId, daysText);
    html += CString(L"<INPUT type=number ID=") + QuoteHtmlValue(kDaysNumberId) + L" Title=" + QuoteHtmlValue(daysText) +
            L" NoValue=" + QuoteHtmlValue(daysText) + L" step=1 maxvalue=30 minvalue=1 size=3 Value=" +
            IntToStr(static_cast<int>(env.days)) + L"></INPUT></DIV>";
    html += L"</TD></TR><TR><TD COLSPAN=2>" + Ui(IDS_AUTO_CHECK_HINT) + L"</TD></TD></TABLE></TABLE>";
    return html;
}

CString FramedBlock(const wchar_t* background, const CString& content) {
    return CString(L"<DIV STYLE=\"padding: 10px; border: 1px solid gainsboro; border-radius: 4px; background-color: ") +
           background + L"\">" + content + L"</DIV>";
}

CString NewsLink(const UpdateCheckResult& result) {
    if (result.news.empty()) return CString();
    return BuildAnchor(CString(L"#") + kNewsAnchor, Ui(IDS_LATEST_NEWS));
}

CString PortableHelpLink() {
    return L"<BR>" + BuildAnchor(CVXLUrl::Get_Portable_Faq_Url(), Ui(IDS_PORTABLE_HINT));
}

CString NewVersionBody(const UpdateCheckResult& result, const CUpdatePageEnv& env) {
    const CString headline = Ui(IDS_HAS_NEW_VERSION) + L": " + kProduct + L" " +
                             UpdatePage::FormatVersionText(result.newVersion, result.statusText);
    CString html = BuildAnchor(CVXLUrl::Get_Home_Url(), Ui(IDS_CMD_VISIT_WEB_SITE));
    html += L"<IMG SRC=" + SitePicture(L"update_yes.png") + L" " + L"BORDER=0 ALT='' HSPACE=5 HEIGHT=24 WIDTH=24>";

    CString block = Strong(L"<FONT COLOR=green SIZE=+1>" + headline + L"</FONT>") + L"<BR>";
    if (env.updateVersionTest) block += Red(L"Has [UpdateVersion_Test.UpdateVersion_Test]") + L"<BR>";
    block += Ui(IDS_VERSION_RELEASED) + L": " + Strong(result.releaseDateText) + L"<BR>";
    block += BuildAnchor(result.installerUrl, Ui(IDS_DOWNLOAD_INSTALLER)) + SizeText(result.installerSize);
    block += L"&nbsp;&bull;&nbsp;";
    block += BuildAnchor(result.portableUrl, Ui(IDS_DOWNLOAD_PORTABLE)) + SizeText(result.portableSize);
    if (!result.whatsNewUrl.IsEmpty()) block += L"<BR>" + BuildAnchor(result.whatsNewUrl, CString());
    const CString news = NewsLink(result);
    if (!news.IsEmpty()) block += L"<BR>" + news;
    block += PortableHelpLink();
    html += FramedBlock(L"lemonchiffon", block);

    html += LinksTable() + L"<SPAN ID=hint>" + SettingsForm(env) + L"</SPAN>" + BuildNewsBlock(result.news);
    return html;
}

CString NoNewVersionBody(const UpdateCheckResult& result, const CUpdatePageEnv& env) {
    const CString running = UpdatePage::FormatVersionText(result.currentVersion);
    const CString server = UpdatePage::FormatVersionText(result.newVersion, result.statusText);
    const bool hasNew = !result.newVersionText.IsEmpty();
    const CString headline = Ui(IDS_LATEST_VERSION_USED) + L" " + running + L". " + Ui(IDS_UPDATES_NOT_FOUND);

    CString html = BuildAnchor(CVXLUrl::Get_Home_Url(), Ui(IDS_CMD_VISIT_WEB_SITE));
    html += L"<IMG SRC=" + SitePicture(L"update_no.png") + L" " + L"BORDER=0 ALT='' HSPACE=5 HEIGHT=24 WIDTH=24>";

    CString block = Strong(L"<FONT COLOR=green SIZE=+1>" + headline + L"</FONT>") + L"<BR>";
    if (IsRunningNewer(result.currentVersion, result.newVersion)) {
        block += Red(Ui(IDS_NEWER_THAN_SITE) + L" (" + running + L" / " + server + L")") + L"<BR>";
        block +=
            L"<DIV STYLE=\"padding: 10px; background-color: Cornsilk; color: ForestGreen; font-weight: bold; "
            L"font-size: 120%; margin-left: 20px; margin-right: 20px; border: 1px solid gainsboro; "
            L"border-radius: 6px\">";
        block += L"«" + Ui(IDS_NEWER_THAN_SITE_QUOTE) + L"…» &copy; " + BuildAnchor(CVXLUrl::Get_Blog_Url(), kProduct);
        block += L"</DIV>";
    }
    block += GreenIf(!hasNew, Ui(IDS_YOUR_VERSION) + L": " + Strong(running) + L" (" + env.buildDateText + L")");
    block += L"<BR>";
    block += GreenIf(hasNew, Ui(IDS_SITE_VERSION) + L": " + Strong(server) + L" " +
                                 BuildAnchor(CVXLUrl::Get_Home_Url(), Ui(IDS_CMD_VISIT_WEB_SITE)) + L" " +
                                 Ui(IDS_VERSION_RELEASED) + L": " + Strong(result.releaseDateText));
    const CString news = NewsLink(result);
    if (!news.IsEmpty()) block += L"<BR>" + news;
    html += FramedBlock(L"#F1F4F0", block);

    html += PortableHelpLink() + LinksTable() + L"<SPAN ID=hint>" + SettingsForm(env) + L"</SPAN>" +
            BuildNewsBlock(result.news);
    return html;
}

// The offer of the UI language, else the English one; empty without either.
CString OffersBlock(const UpdateCheckResult& result, const CUpdatePageEnv& env) {
    const CString code = env.languageCode.IsEmpty() ? CString(L"EN") : env.languageCode;
    auto offer = result.offers.find(code);
    if (offer == result.offers.end()) offer = result.offers.find(L"EN");
    if (offer == result.offers.end()) return CString();
    return L"<DIV ID=offers>" + offer->second.text + L"<BR>" + BuildAnchor(offer->second.pageUrl, CString()) +
           L"</DIV>";
}

struct ProductFamily {
    const wchar_t* icon;
    const wchar_t* names[3];
};

const ProductFamily kProducts[] = {
    {L"vexlora.png", {L"Vexlora", nullptr, nullptr}},
    {L"dezedidizava.png", {L"DezediDizava", L"Phrase Editor", nullptr}},
    {L"floatpane.png", {L"Float Pane", L"Clipboard History", nullptr}},
    {L"welcome.png", {L"Quick Start", L"Welcome", nullptr}},
};

bool ContainsNoCase(const CString& text, const wchar_t* name) {
    CString upperText = text;
    CString upperName = name;
    upperText.MakeUpper();
    upperName.MakeUpper();
    return upperText.Find(upperName) >= 0;
}

}  // namespace

CUpdatePageEnv ReadUpdatePageEnv() {
    CUpdatePageEnv env;
    env.newVersionMarker = CAppObjects::IsNewVersionMarkerPresent();
    env.updateVersionTest = IsUpdateVersionTest();
    env.windowColor = GetSysColor(COLOR_WINDOW);
    CVXLSettings& settings = CVXLSettings::GetInstance();
    env.autoCheck = settings.AutoCheckForUpdates;
    env.days = settings.GetDaysCheckForUpdates();
    env.languageCode = GetLanguagePrefix();
    env.languageCode.MakeUpper();
    env.buildDateText = GetBuildDateText();
    return env;
}

namespace UpdatePage {
CString FormatVersionText(const CVersionArray& version, const wchar_t* suffix) {
    if (version.empty()) return Ui(IDS_UNAVAILABLE);
    return ::FormatVersionText(version, suffix && *suffix ? suffix : nullptr);
}
}  // namespace UpdatePage

CString QuoteHtmlValue(const CString& value) {
    if (value == L" ") return L"\"\"";
    if (value.Find(L'"') < 0) return L"\"" + value + L"\"";
    CString inner = value;
    inner.Replace(L"'", L"&#39;");
    return L"'" + inner + L"'";
}

void CHtmlImg::SetVAlign(int index) {
    static const wchar_t* const kNames[] = {L"TOP", L"MIDDLE", L"BOTTOM"};
    valign = index >= 0 && index < 3 ? kNames[index] : L"";
}

void CHtmlImg::SetHAlign(int index) {
    static const wchar_t* const kNames[] = {L"LEFT", L"CENTER", L"RIGHT"};
    halign = index >= 0 && index < 3 ? kNames[index] : L"";
}

CString CHtmlImg::Render() const {
    CString html = L"<IMG";
    auto text = [&html](const wchar_t* name, const CString& value) {
        if (!value.IsEmpty()) html += CString(L" ") + name + L"=" + QuoteHtmlValue(value);
    };
    auto number = [&html](const wchar_t* name, int value) {
        if (value != -1) html += CString(L" ") + name + L"=" + IntToStr(value);
    };
    text(L"SRC", source);
    text(L"ALT", alt);
    number(L"BORDER", border);
    number(L"WIDTH", width);
    number(L"HEIGHT", height);
    number(L"VSPACE", vspace);
    number(L"HSPACE", hspace);
    text(L"ID", id);
    text(L"STYLE", style);
    return html + L">";
}

CString BuildAnchor(const CString& url, const CString& text, const CString& title, const CString& id) {
    CString html = L"<A HREF=" + QuoteHtmlValue(url);
    if (!title.IsEmpty()) {
        CString plain = title;
        plain.Replace(L'"', L'\'');
        html += L" TITLE=" + QuoteHtmlValue(plain);
    }
    if (!id.IsEmpty()) html += L" ID=" + QuoteHtmlValue(id);
    return html + L">" + (text.IsEmpty() ? url : text) + L"</A>";
}

CString AddProductIcon(const CString& text, int size) {
    for (const ProductFamily& family : kProducts) {
        for (const wchar_t* name : family.names) {
            if (!name || !ContainsNoCase(text, name)) continue;
            CString sizes;
            const int side = size > 0 ? size : 32;
            sizes.Format(L"width=%d height=%d", side, side);
            return L"<IMG SRC=" + QuoteHtmlValue(SitePicture(family.icon)) + L" " + sizes + L" border=0 hspace=4 " +
                   L">" + text;
        }
    }
    return text;
}

CString BuildUpdatePageStyles() {
    return L"<style>"
           L"body { font-family: 'Trebuchet MS'; font-size: 11px; margin: 5px; }"
           L"#div_hor { flow: horizontal; text-align: left; }"
           L"h1 { color: green; }"
           L"#settings { background-color: whitesmoke; color: darkblue; padding: 4px; border: 1px solid darkgray; "
           L"border-radius: 10px; }"
           L"#hint { color: darkgray; }"
           L"#offers { background-color: lemonchiffon; width: 90%; border: 1px solid black; border-radius: 10px; "
           L"font-size: 11pt; padding: 6px; }"
           L"#id_item_title { color: green; font-size: 12pt; font-family: Verdana; background-color: lemonchiffon; "
           L"border: 1px solid darkgray; border-radius: 15px; padding: 2px 6px; }"
           L"#id_item_date { color: darkgray; font-size: 8pt; font-weight: normal; }"
           L"#id_item_author { color: green; font-size: 8pt; font-style: italic; display: block; margin-left: 30px; "
           L"margin-top: 5px; }"
           L"#id_item_desc { padding: 4px; border: 1px solid whitesmoke; border-top: 1px solid darkgray; "
           L"border-radius: 4px; }"
           L"</style>";
}

CString GetNewsElementId(int index) {
    static const wchar_t* const kIds[] = {L"id_item_title", L"id_item_desc", L"id_item_author", L"id_item_date"};
    return index >= 0 && index < 4 ? kIds[index] : L"";
}

CString BuildNewsBlock(const std::vector<NewsItem>& news) {
    if (news.empty()) return CString();
    const CString titleId = GetNewsElementId(0), itemId = GetNewsElementId(1), authorId = GetNewsElementId(2),
                  dateId = GetNewsElementId(3);
    CString items;
    CString contents;
    int number = 0;
    for (const NewsItem& item : news) {
        ++number;
        const CString anchorName = L"item" + IntToStr(number);
        CString title = AddProductIcon(item.title, 32);
        if (!item.link.IsEmpty()) title = BuildAnchor(item.link, title, item.title);
        CString body = L"<A NAME=" + QuoteHtmlValue(anchorName) + L"></A>";
        body += Tagged(L"<H3>", titleId, title + L"<BR>" + Tagged(L"<SPAN>", dateId, item.date));
        body += L"\n" + item.description + L"\n<BR>\n" + Tagged(L"<SPAN>", authorId, item.author);
        if (!items.IsEmpty()) items += L"\n<BR>\n";
        items += Tagged(L"<DIV>", itemId, body);

        if (!contents.IsEmpty()) contents += L" \x2022 ";
        contents += BuildAnchor(L"#" + anchorName, ShortenNewsTitle(item.title), item.title + L"\n" + item.description);
    }
    CString html = L"<A NAME=" + QuoteHtmlValue(kNewsAnchor) + L"></A><H1>" + Ui(IDS_LATEST_NEWS) + L" [" +
                   IntToStr(number) + L"]</H1>";
    html += L"<DIV STYLE=\"margin-top: 10px; margin-bottom: 10px; \">" + contents + L"</DIV>";
    return html + items;
}

CString BuildUpdatePage(const UpdateCheckResult& result, const CUpdatePageEnv& env) {
    const bool newVersion = env.newVersionMarker || !result.newVersionText.IsEmpty();
    CString body = BodyStart(env.windowColor);
    body += newVersion ? NewVersionBody(result, env) : NoNewVersionBody(result, env);
    body += L"</table></BODY>";

    const CString offers = OffersBlock(result, env);
    if (!offers.IsEmpty()) {
        const int bodyTag = body.Find(L"<BODY ");
        const int end = body.Find(L'>', bodyTag);
        body = body.Left(end + 1) + offers + body.Mid(end + 1);
    }
    return L"<html><head>" + BuildUpdatePageStyles() +
           L"<BASE TARGET=_blank><meta http-equiv=\"Content-Type\" content=\"text/html; charset=utf-8\"></head>" +
           body + L"</html>";
}
