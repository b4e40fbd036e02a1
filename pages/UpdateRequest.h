// The address of the update check: the update endpoint with a query that tells the
// server about this installation.
#pragma once

#include <utility>
#include <vector>

#include "core/VersionInfo.h"
#include "core/base/CString.h"

// A base address and name/value pairs in the order they were added (names may repeat).
class CUrlQueryParams {
public:
    explicit CUrlQueryParams(const wchar_t* baseUrl) : m_base(baseUrl) {}

    // Blanks of the value become "_"; bracketed wraps it as "[value]".
    void Add(const wchar_t* name, const wchar_t* value, bool bracketed = false);
    void Add(const wchar_t* name, int value);
    // Empty without pairs; else base + "?" + "name=value" joined with "&", every blank
    // and "+" of a value made "_". Nothing else is escaped: the server reads the
    // brackets, dots and letters as they are.
    CString Render() const;

private:
    CString m_base;
    std::vector<std::pair<CString, CString>> m_pairs;
};

// The facts the request reports, gathered apart so that the query can be built from
// any set of them.
struct CUpdateProfile {
    CString programVersion;  // empty: the pair is left out
    CString osText;
    bool soundsOn = false;
    bool fromInstaller = false;
    CString hotKeyText;  // upper case
    bool hotKeyDoubled = false;
    bool autoCheck = false;
    DWORD checkDays = 0;
    CString languageFile;                    // file name with extension
    std::vector<CString> keyboardLanguages;  // ISO 639 names
    CString country;
    CString domain;
    CString memoryText;  // as StrFormatByteSizeW writes it
    int screenWidth = 0;
    int screenHeight = 0;
    CString mfcPath;
    CVersionArray skippedVersion;  // empty: no pair
};

// The facts of this installation now (settings, registry, system).
CUpdateProfile CollectUpdateProfile();
CString BuildUpdateRequestUrl(const wchar_t* endpoint, const CUpdateProfile& profile);

// The update endpoint on our server.
extern const wchar_t kUpdateEndpointUrl[];
// The request of this installation to our server.
CString BuildUpdateRequestUrl();
