// The page of the update dialog: one HTML text built from an update check's result, in a
// "new version" and a "no new version" form, with the version lines, the download and
// web links, the automatic-check settings form and the news block. Pure text building:
// what the page reads of the machine comes in a CUpdatePageEnv, so tests give their own.
#pragma once

#include <windows.h>

#include <vector>

#include "core/VersionInfo.h"
#include "core/base/CString.h"
#include "pages/UpdateResult.h"

// Element ids of the settings form, shared with the dialog that reads them back.
extern const wchar_t kAutoCheckId[];   // "CFUAutoCheck", the check box
extern const wchar_t kDaysNumberId[];  // "CFUDaysNumber", the number box
extern const wchar_t kDaysTextId[];    // "cfu_days_text", the number box's label

// What the page takes from outside the result.
struct CUpdatePageEnv {
    bool newVersionMarker = false;   // "hasnew.hasnew" lies in the program folder
    bool updateVersionTest = false;  // the test switch file is present
    COLORREF windowColor = RGB(255, 255, 255);
    bool autoCheck = true;         // "AutoCheckForUpdates"
    DWORD days = 7;                // "DaysCheckForUpdates"
    CString languageCode = L"EN";  // upper-case code of the UI language, for the offers
    CString buildDateText;         // the running program's build date
};

// The environment of the running program: marker and test files, COLOR_WINDOW, the
// settings and the UI language.
CUpdatePageEnv ReadUpdatePageEnv();

// The whole page as UTF-16 text.
CString BuildUpdatePage(const UpdateCheckResult& result, const CUpdatePageEnv& env);
inline CString BuildUpdatePage(const UpdateCheckResult& result) {
    return BuildUpdatePage(result, ReadUpdatePageEnv());
}

namespace UpdatePage {
// How the page writes a version: the numbers as FormatVersionText of core/VersionInfo.h
// writes them, and UI text 159 ("Unavailable") for an empty list.
CString FormatVersionText(const CVersionArray& version, const wchar_t* suffix = nullptr);
}  // namespace UpdatePage

// One IMG tag. Numbers of -1 and empty texts are left out.
struct CHtmlImg {
    CString source;
    CString alt;
    int width = -1;
    int height = -1;
    int border = -1;
    int hspace = -1;
    int vspace = -1;
    CString style;
    CString valign;  // "TOP", "MIDDLE" or "BOTTOM"; kept, not written
    CString halign;  // "LEFT", "CENTER" or "RIGHT"; kept, not written
    CString id;

    // Index 0, 1, 2 as above; any other index empties the field.
    void SetVAlign(int index);
    void SetHAlign(int index);
    CString Render() const;
};

// A quoted attribute value: in double quotes, or in apostrophes when the value holds a
// double quote (an apostrophe in such a value written as "&#39;"); a value of exactly one
// blank becomes an empty quoted value.
CString QuoteHtmlValue(const CString& value);

// An A element: HREF the address; TITLE (double quotes made apostrophes) and ID only when
// given; the text, or the address when the text is empty.
CString BuildAnchor(const CString& url, const CString& text, const CString& title = CString(),
                    const CString& id = CString());

// The text with the 32 x 32 icon (size <= 0: 32) of the first of our products that it
// names put in front; unchanged when it names none.
CString AddProductIcon(const CString& text, int size);

// The page's style sheet with the news rules, "<style>" ... "</style>".
CString BuildUpdatePageStyles();

// The "Latest News" block: heading with the "latest_news" anchor, table of contents and
// items; empty for an empty list.
CString BuildNewsBlock(const std::vector<NewsItem>& news);
// The id of a part of a news item by index (0 title, 1 item, 2 author, 3 date); empty
// for any other index.
CString GetNewsElementId(int index);
