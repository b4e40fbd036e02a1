// The request address, the version numbers and the version-information file.
#include <gtest/gtest.h>
#include <tinyxml.h>

#include <string>

#include "core/VersionInfo.h"
#include "core/base/TextConversions.h"
#include "pages/UpdateRequest.h"
#include "pages/VersionInfoFile.h"
#include "testkit/LoopbackHttpServer.h"

namespace {

using testkit::HttpAnswer;

TEST(UrlQueryParams, RendersPairsInOrder) {
    CUrlQueryParams empty(L"http://h/x.php");
    EXPECT_STREQ(L"", empty.Render()) << "no pairs, no address";

    CUrlQueryParams query(L"http://h/x.php");
    query.Add(L"a", L"two words");
    query.Add(L"b", L"a+b");
    query.Add(L"LangFile", L"English.lng", true);
    query.Add(L"n", -7);
    query.Add(L"a", L"again, [kept]: \x0436");
    query.Add(L"e", L"");
    EXPECT_STREQ(L"http://h/x.php?a=two_words&b=a_b&LangFile=[English.lng]&n=-7&a=again,_[kept]:_\x0436&e=",
                 query.Render());

    CUrlQueryParams withQuery(L"http://h/x.php?");
    withQuery.Add(L"k", L"v");
    EXPECT_STREQ(L"http://h/x.php??k=v", withQuery.Render()) << "the base is taken as it is";
}

TEST(UpdateRequest, TheQueryCarriesTheProfile) {
    CUpdateProfile profile;
    profile.programVersion = L"2.6.0.1";
    profile.osText = L"Windows 10 Pro";
    profile.soundsOn = true;
    profile.fromInstaller = false;
    profile.hotKeyText = L"CTRL+ALT+ENTER";
    profile.hotKeyDoubled = true;
    profile.autoCheck = true;
    profile.checkDays = 7;
    profile.languageFile = L"Deutsch.lng";
    profile.keyboardLanguages = {L"en", L"de", L"ru"};
    profile.country = L"United Kingdom";
    profile.domain = L"";
    profile.memoryText = L"7.95GB";
    profile.screenWidth = 1024;
    profile.screenHeight = 768;
    profile.mfcPath = L"Not found";
    profile.skippedVersion = {2, 7, 0, 3};
    EXPECT_STREQ(
        L"http://u/Source/update_vxl.php?vxl_version=2.6.0.1&winver=Windows_10_Pro&sounds=1"
        L"&version_installed=0&hotkey=CTRL_ALT_ENTERx2&au=7&LangFile=[Deutsch.lng]&languages=en_de_ru"
        L"&country=[United_Kingdom]&domain=[]&RAM=7.95GB&screen=[1024x768]&MFC=Not_found"
        L"&SkippedVersion=[2.7.0.3]",
        BuildUpdateRequestUrl(L"http://u/Source/update_vxl.php", profile));

    profile.programVersion.Empty();
    profile.autoCheck = false;
    profile.hotKeyDoubled = false;
    profile.skippedVersion.clear();
    CString url = BuildUpdateRequestUrl(L"http://u/p", profile);
    EXPECT_EQ(0, url.Find(L"http://u/p?winver=")) << url.GetString();
    EXPECT_NE(-1, url.Find(L"&au=disabled&")) << url.GetString();
    EXPECT_NE(-1, url.Find(L"&hotkey=CTRL_ALT_ENTER&")) << url.GetString();
    EXPECT_EQ(-1, url.Find(L"SkippedVersion")) << url.GetString();
}

TEST(UpdateRequest, ThisInstallationsProfile) {
    CUpdateProfile profile = CollectUpdateProfile();
    EXPECT_FALSE(profile.osText.IsEmpty());
    EXPECT_GT(profile.screenWidth, 0);
    EXPECT_FALSE(profile.keyboardLanguages.empty());
    EXPECT_EQ(-1, profile.memoryText.Find(L' '));
    CString url = BuildUpdateRequestUrl();
    EXPECT_EQ(0, url.Find(kUpdateEndpointUrl)) << url.GetString();
    EXPECT_EQ(-1, url.Find(L' ')) << url.GetString();
}

// ---------------------------------------------------------------------------------------
// Version numbers

TEST(VersionNumbers, ParseCompareAndFormat) {
    EXPECT_EQ((CVersionArray{2, 6, 0, 1}), ParseVersionText(L"2.6.0.1"));
    EXPECT_EQ((CVersionArray{1, 3}), ParseVersionText(L"1..3."));
    EXPECT_EQ((CVersionArray{1, 0, 0}), ParseVersionText(L"1.2b.x"));
    EXPECT_EQ((CVersionArray{0}), ParseVersionText(L"99999999999")) << "no 32-bit number";
    EXPECT_EQ(CVersionArray(), ParseVersionText(L""));
    EXPECT_EQ(CVersionArray(), ParseVersionText(nullptr));
    std::wstring forty;
    for (int i = 1; i <= 40; ++i) forty += std::to_wstring(i) + (i < 40 ? L"." : L"");
    CVersionArray many = ParseVersionText(forty.c_str());
    ASSERT_EQ(40u, many.size());
    EXPECT_EQ(40, many.back());

    const struct {
        const wchar_t* offered;
        const wchar_t* running;
        bool newer;
    } cases[] = {
        {L"5.3.10.0", L"5.3.2.1", true},  // numbers, not texts
        {L"5.3.2.1", L"5.3.2.1", false},
        {L"5.3.2.0", L"5.3.2.1", false},
        {L"6", L"5.9.9.9", true},
        {L"5.3.2.1.1", L"5.3.2.1", true},
        {L"5.3.2.1.0", L"5.3.2.1", false},  // a missing number counts as 0
        {L"5.3", L"5.3.0.0", false},
        {L"5.3", L"5.3.0.1", false},
        {L"", L"", false},
        {L"1", L"", true},
        {L"", L"1", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.newer, IsNewerVersion(ParseVersionText(c.offered), ParseVersionText(c.running)))
            << c.offered << " against " << c.running;
    }

    EXPECT_STREQ(L"2.60 build 1", FormatVersionText({2, 6, 0, 1}));
    EXPECT_STREQ(L"2.612 Beta build 7", FormatVersionText({2, 6, 12, 7}, L"Beta"));
    EXPECT_STREQ(L"1.2.3", FormatVersionText({1, 2, 3}, L"Beta"));
    EXPECT_STREQ(L"", FormatVersionText({}));
    EXPECT_STREQ(L"2.6.0.1", JoinVersionNumbers({2, 6, 0, 1}));
}

// ---------------------------------------------------------------------------------------
// Version-information file

int Parse(const char* xml, UpdateCheckResult& result, const CVersionInfoReadOptions& options = {}) {
    TiXmlDocument document;
    document.Parse(xml, nullptr, TIXML_ENCODING_UTF8);
    return ParseVersionInfoXml(document, result, options);
}

TEST(VersionInfoFile, OutcomesOfDocuments) {
    const struct {
        const char* xml;
        int outcome;
        const wchar_t* newVersionText;
        const wchar_t* status;
    } cases[] = {
        {"<VexloraVersionInfo><Version>2.7.0.0</Version><Status>Beta</Status></VexloraVersionInfo>",
         kNewerVersionOffered, L"2.7.0.0", L"Beta"},
        {"<VexloraVersionInfo><Version>2.6.0.1</Version></VexloraVersionInfo>", kNoNewerVersion, L"", L""},
        {"<VexloraVersionInfo><Version>2.6</Version></VexloraVersionInfo>", kNoNewerVersion, L"", L""},
        {"<VexloraVersionInfo><Version>2.5.99.99</Version></VexloraVersionInfo>", kNoNewerVersion, L"", L""},
        {"<VexloraVersionInfo><Version>abc</Version></VexloraVersionInfo>", kNoNewerVersion, L"", L""},
        {"<VexloraVersionInfo><Version></Version><Status>s</Status></VexloraVersionInfo>", kNotVersionInfo, L"", L"s"},
        {"<VexloraVersionInfo><Status>s</Status></VexloraVersionInfo>", kNotVersionInfo, L"", L""},
        {"<OtherInfo><Version>9.9</Version></OtherInfo>", kNotVersionInfo, L"", L""},
        {"this is not XML", kNotVersionInfo, L"", L""},
        {"", kNotVersionInfo, L"", L""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.xml);
        UpdateCheckResult result;
        result.currentVersion = {2, 6, 0, 1};
        EXPECT_EQ(c.outcome, Parse(c.xml, result));
        EXPECT_STREQ(c.newVersionText, result.newVersionText);
        EXPECT_STREQ(c.status, result.statusText);
    }

    UpdateCheckResult test;
    test.currentVersion = {1};
    CVersionInfoReadOptions options;
    options.testVersion = true;
    const char* both = "<VexloraVersionInfo><Version>1</Version><Version_Test>3.0</Version_Test></VexloraVersionInfo>";
    EXPECT_EQ(kNewerVersionOffered, Parse(both, test, options));
    EXPECT_EQ((CVersionArray{3, 0}), test.newVersion);
    EXPECT_EQ(kNotVersionInfo, Parse("<VexloraVersionInfo><Version>3</Version></VexloraVersionInfo>", test, options));
}

TEST(VersionInfoFile, DownloadsSizesDatesAndOffers) {
    testkit::CLoopbackHttpServer server;
    ASSERT_TRUE(server.Start());
    HttpAnswer installer;
    installer.body = std::string(5000, 'i');
    installer.headers = {"Last-Modified: Tue, 03 Mar 2026 10:20:30 GMT"};
    HttpAnswer portable;
    portable.body = std::string(700, 'p');
    portable.sendContentLength = false;
    HttpAnswer offerText;
    offerText.body = "Offer from the server \xD0\x96";
    HttpAnswer missing;
    missing.status = 404;
    server.Route("/setup.exe", installer);
    server.Route("/portable.zip", portable);
    server.Route("/offer_de.shtml", offerText);
    server.Route("/offer_missing.shtml", missing);

    std::string xml = "<VexloraVersionInfo><Version>3.0.0.0</Version>";
    xml += "<DownloadURL>" + WideToUtf8(server.Url("/setup.exe")) + "</DownloadURL>";
    xml += "<DownloadURL_PE>" + WideToUtf8(server.Url("/portable.zip")) + "</DownloadURL_PE>";
    xml += "<WhatNewsURL>http://site/whatsnew</WhatNewsURL><Offers>";
    xml += "<Offer Lang=\"ru\" URL=\"http://site/ru1\">first \xD0\xBF</Offer>";
    xml += "<Offer Lang=\"RU\" URL=\"http://site/ru2\">second</Offer>";
    xml += "<Offer>without language and page</Offer>";
    xml += "<Offer Lang=\"de\" Offer_URL=\"" + WideToUtf8(server.Url("/offer_de.shtml")) + "\">own</Offer>";
    xml += "<Offer Lang=\"fr\" Offer_URL=\"" + WideToUtf8(server.Url("/offer_missing.shtml")) + "\">fallback</Offer>";
    xml += "<Offer Lang=\"it\" URL=\"http://site/it\"/>";
    xml += "</Offers></VexloraVersionInfo>";

    UpdateCheckResult result;
    result.currentVersion = {2, 6, 0, 1};
    CVersionInfoReadOptions options;
    options.homeUrl = L"http://site/home";
    ASSERT_EQ(kNewerVersionOffered, Parse(xml.c_str(), result, options));
    EXPECT_EQ(5000, result.installerSize);
    EXPECT_EQ(-1, result.portableSize);
    EXPECT_STREQ(L"http://site/whatsnew", result.whatsNewUrl);
    EXPECT_EQ(2026, result.releaseDate.wYear);
    EXPECT_EQ(3, result.releaseDate.wMonth);
    EXPECT_FALSE(result.releaseDateText.IsEmpty());
    EXPECT_EQ("Vexlora_Update", server.RequestsFor("/setup.exe").front().userAgent);

    ASSERT_EQ(4u, result.offers.size());
    EXPECT_STREQ(L"http://site/ru2", result.offers[L"RU"].pageUrl);
    EXPECT_STREQ(L"second", result.offers[L"RU"].text);
    EXPECT_STREQ(L"http://site/home", result.offers[L"EN"].pageUrl);
    EXPECT_STREQ(L"without language and page", result.offers[L"EN"].text);
    EXPECT_STREQ(L"Offer from the server \x0416", result.offers[L"DE"].text);
    EXPECT_STREQ(L"fallback", result.offers[L"FR"].text);
    EXPECT_EQ(0u, result.offers.count(L"IT")) << "an offer without text is left out";
    EXPECT_EQ("Vexlora_Updater", server.RequestsFor("/offer_de.shtml").front().userAgent);

    // Questions that get no answer leave sizes and dates unset and change nothing else.
    server.Stop();
    UpdateCheckResult unanswered;
    unanswered.currentVersion = {2, 6, 0, 1};
    options.timeoutMs = 2000;
    ASSERT_EQ(kNewerVersionOffered, Parse(xml.c_str(), unanswered, options));
    EXPECT_EQ(0, unanswered.installerSize);
    EXPECT_EQ(-1, unanswered.portableSize);
    EXPECT_TRUE(unanswered.releaseDateText.IsEmpty());
    EXPECT_EQ(0, unanswered.releaseDate.wYear);
}

}  // namespace
