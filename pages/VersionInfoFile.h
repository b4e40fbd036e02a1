// Reading the server's version-information answer into an update result.
#pragma once

#include "core/base/CString.h"
#include "pages/UpdateResult.h"

class TiXmlDocument;
class TiXmlElement;

// Outcomes of a read.
enum VersionInfoOutcome {
    kNewerVersionOffered = 0,
    kNoNewerVersion = 1,
    kNotVersionInfo = 2,
};

// What the reader needs besides the document.
struct CVersionInfoReadOptions {
    // "Version_Test" instead of "Version" (the update test switch).
    bool testVersion = false;
    // The page of an offer that names none.
    CString homeUrl;
    DWORD timeoutMs = 60000;
};

// Fills the result from the document and compares the offered version with the
// result's current version. The sizes and date of the downloads are asked of the server
// (a failed question leaves them unset); an offer's text may be downloaded too.
int ParseVersionInfoXml(TiXmlDocument& document, UpdateCheckResult& result, const CVersionInfoReadOptions& options);
// The offers under the root's "Offers", one per upper-case language, a later one
// replacing an earlier; the number stored.
int ReadVersionOffers(TiXmlElement* root, UpdateCheckResult& result, const CVersionInfoReadOptions& options);

// UTF-8 text of a downloaded page, converted; empty when the download fails.
CString DownloadTextFile(const wchar_t* url, const wchar_t* extension, DWORD timeoutMs);
