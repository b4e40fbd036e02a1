// What one update check found, as the tray window and the update dialog receive it.
#pragma once

#include <windows.h>

#include <map>
#include <vector>

#include "core/VersionInfo.h"
#include "core/base/CString.h"

struct NewsItem {
    CString title;
    CString description;
    CString link;
    CString date;  // local date and time text, or the feed's own text when unreadable
    CString author;
};

struct UpdateOffer {
    CString pageUrl;
    CString text;
};

// Built on the checking thread and lent to the tray window for the time of one
// SendMessage: nothing of it may be kept after the call.
struct UpdateCheckResult {
    CString newVersionText;  // the offered version when it is newer, else empty
    CString releaseDateText;
    CString statusText;
    CString errorText;
    int scheduled = 0;
    CVersionArray currentVersion;
    CVersionArray newVersion;
    CString whatsNewUrl;
    CString portableUrl;
    CString installerUrl;
    LONG portableSize = -1;
    LONG installerSize = 0;
    std::vector<NewsItem> news;
    std::map<CString, UpdateOffer> offers;  // by upper-case language code
    SYSTEMTIME releaseDate = {};
};

// The result texts of a failed check.
extern const wchar_t kUpdateErrorCannotLoad[];   // "ERROR: Cannot load information from official web-site"
extern const wchar_t kUpdateErrorCannotParse[];  // "ERROR: Cannot parse information file"
