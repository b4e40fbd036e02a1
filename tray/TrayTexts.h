// What the tray icon shows: which picture, the status text of its balloon, its tip and
// the balloon's title, and what a click on it asks for. No window is touched here.
#pragma once

#include <windows.h>

#include "core/base/CString.h"

// What the texts are made of; the tray window gathers them (GatherTrayStatusFacts).
struct CTrayStatusFacts {
    // The program's short version text: "Vexlora 1.0.0.0".
    CString versionText;
    bool isAdmin = false;
    // Whether the hook service is installed, i.e. the phrase menu answers the hot key.
    bool hookInstalled = false;
    CString hotKeyText;
    CString phrasesFolder;
    int includedCount = 0;
    int totalCount = 0;
};

// The running program's version, rights and hot key with the given state and phrases.
CTrayStatusFacts GatherTrayStatusFacts(bool hookInstalled, const CString& phrasesFolder, int includedCount,
                                       int totalCount);

// The icon resource of the tray picture: IDI_APP while the phrase menu is not ready,
// else IDI_APP_READY_ADMIN with administrator rights and IDI_APP_READY without.
UINT GetTrayPictureId(bool hookInstalled, bool isAdmin);

// "Hot key: <key>" (with "   -   NO ADMIN ..." without administrator rights),
// "Folder: <folder> [<included>/<total>]" and the click hint, one per line ("\r\n").
CString BuildTrayStatusText(const CTrayStatusFacts& facts);
// "<version>[^] - <on|OFF>", "\r\n" and the status text: the whole tip, before cutting.
CString BuildTrayTip(const CTrayStatusFacts& facts, const CString& statusText);
// The tip as the 128-character field takes it: a tip longer than 126 characters that
// has a line break keeps only its first line; then at most 127 characters.
CString FitTrayTip(const CString& tip);
// The balloon's title: the tip's first line, then ", " and the balloon text when there
// is one; at most 63 characters.
CString BuildTrayInfoTitle(const CString& tip, const wchar_t* balloonText);

// The text cut to at most maxChars characters, never between the two halves of a
// surrogate pair (the high half is dropped with the cut instead).
CString CutToField(const CString& text, int maxChars);
// Copies the text into a fixed field with its terminating zero (CutToField of N - 1).
template <size_t N>
void CopyToField(wchar_t (&field)[N], const CString& text) {
    const CString cut = CutToField(text, static_cast<int>(N) - 1);
    const int length = cut.GetLength();
    for (int i = 0; i < length; ++i) field[i] = cut.GetAt(i);
    field[length] = L'\0';
}

// What the tray window does with the icon's callback message (lParam).
enum class TrayIconClick {
    kNone,            // not handled
    kReleaseAndPost,  // left button up: release the capture, post the show-menu request
    kMenuAtCursor,    // right button up: remember the cursor and show the menu there
    kPost,            // the balloon was clicked: post the show-menu request
};
TrayIconClick GetTrayIconClick(LPARAM lParam);
