#include "pages/VersionInfoFile.h"

#include <tinyxml.h>

#include "core/base/AppPaths.h"
#include "core/base/DateTimeFormat.h"
#include "core/base/Security.h"
#include "core/base/TextConversions.h"
#include "pages/WebDownload.h"

const wchar_t kUpdateErrorCannotLoad[] = L"ERROR: Cannot load information from official web-site";
const wchar_t kUpdateErrorCannotParse[] = L"ERROR: Cannot parse information file";

namespace {

// The user agent of the questions about the downloads' size and date.
const wchar_t kUpdateInfoAgent[] = L"Vexlora_Update";

CString FromUtf8(const char* text) {
    return text ? CString(Utf8ToWide(text).c_str()) : CString();
}

CString ElementText(const TiXmlElement* element) {
    return element ? FromUtf8(element->GetText()) : CString();
}

CString AttributeText(const TiXmlElement* element, const char* name) {
    return FromUtf8(element->Attribute(name));
}

void ReadInstallerFacts(UpdateCheckResult& result, const CVersionInfoReadOptions& options) {
    CUrlInfo info(result.installerUrl);
    if (!info.Query(kUpdateInfoAgent, options.timeoutMs)) return;
    result.installerSize = info.GetContentLength();
    SYSTEMTIME date = {};
    bool dated = info.GetLastModified(date) || ReadWebDate(info.GetLastModifiedText(), date);
    if (!dated || !SystemTimeToLocal(date)) return;
    result.releaseDate = date;
    result.releaseDateText = FormatDateTimeLocal(date);
}

}  // namespace

CString DownloadTextFile(const wchar_t* url, const wchar_t* extension, DWORD timeoutMs) {
    const CString path = DownloadToTempFile(url, extension, timeoutMs);
    if (path.IsEmpty()) return CString();
    CString text;
    DWORD size = 0;
    std::unique_ptr<char[]> bytes = ReadWholeFile(path, &size);
    if (bytes) text = FromUtf8(bytes.get());
    CTempFile(path).Delete();
    return text;
}

int ReadVersionOffers(TiXmlElement* root, UpdateCheckResult& result, const CVersionInfoReadOptions& options) {
    TiXmlElement* offers = root ? root->FirstChildElement("Offers") : nullptr;
    if (!offers) return 0;
    int stored = 0;
    for (TiXmlElement* offer = offers->FirstChildElement("Offer"); offer; offer = offer->NextSiblingElement("Offer")) {
        UpdateOffer read;
        read.pageUrl = AttributeText(offer, "URL");
        if (read.pageUrl.IsEmpty()) read.pageUrl = options.homeUrl;
        CString textUrl = AttributeText(offer, "Offer_URL");
        if (!textUrl.IsEmpty()) read.text = DownloadTextFile(textUrl, L".shtml", options.timeoutMs);
        if (read.text.IsEmpty()) read.text = ElementText(offer);
        if (read.text.IsEmpty()) continue;
        CString language = AttributeText(offer, "Lang");
        if (language.IsEmpty()) language = L"EN";
        CharUpperW(language.GetBuffer());
        language.ReleaseBuffer();
        result.offers[language] = read;
        ++stored;
    }
    return stored;
}

int ParseVersionInfoXml(TiXmlDocument& document, UpdateCheckResult& result, const CVersionInfoReadOptions& options) {
    TiXmlElement* root = document.RootElement();
    if (!root || std::string(root->Value()) != "VexloraVersionInfo") return kNotVersionInfo;
    ReadVersionOffers(root, result, options);
    TiXmlElement* version = root->FirstChildElement(options.testVersion ? "Version_Test" : "Version");
    if (!version) return kNotVersionInfo;
    if (TiXmlElement* status = root->FirstChildElement("Status")) result.statusText = ElementText(status);
    CString versionText = ElementText(version);
    if (versionText.IsEmpty()) return kNotVersionInfo;

    result.installerUrl = ElementText(root->FirstChildElement("DownloadURL"));
    if (!result.installerUrl.IsEmpty()) ReadInstallerFacts(result, options);
    result.portableUrl = ElementText(root->FirstChildElement("DownloadURL_PE"));
    if (!result.portableUrl.IsEmpty()) {
        CUrlInfo info(result.portableUrl);
        if (info.Query(kUpdateInfoAgent, options.timeoutMs)) result.portableSize = info.GetContentLength();
    }
    result.whatsNewUrl = ElementText(root->FirstChildElement("WhatNewsURL"));

    result.newVersion = ParseVersionText(versionText);
    if (IsNewerVersion(result.newVersion, result.currentVersion)) {
        result.newVersionText = versionText;
        return kNewerVersionOffered;
    }
    result.newVersionText.Empty();
    return kNoNewerVersion;
}
