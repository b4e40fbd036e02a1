#include "tray/TrayTexts.h"

#include <shellapi.h>

#include "core/AppTexts.h"
#include "core/IconIds.h"
#include "core/SystemInfo.h"
#include "core/UiStringIds.h"
#include "core/UiStrings.h"
#include "core/base/TextHelpers.h"

namespace {

// Where a tip may keep more than its first line: the field holds 127 characters, and
// the shell may append its own mark.
const int kTipCutLength = 126;

int FindLineBreak(const CString& text) {
    return text.FindOneOf(L"\r\n");
}

}  // namespace

CTrayStatusFacts GatherTrayStatusFacts(bool hookInstalled, const CString& phrasesFolder, int includedCount,
                                       int totalCount) {
    CTrayStatusFacts facts;
    facts.versionText = GetProgramVersionText();
    facts.isAdmin = IsUserAdmin();
    facts.hookInstalled = hookInstalled;
    facts.hotKeyText = GetHotKeyText();
    facts.phrasesFolder = phrasesFolder;
    facts.includedCount = includedCount;
    facts.totalCount = totalCount;
    return facts;
}

UINT GetTrayPictureId(bool hookInstalled, bool isAdmin) {
    if (!hookInstalled) return IDI_APP;
    return isAdmin ? IDI_APP_READY_ADMIN : IDI_APP_READY;
}

CString BuildTrayStatusText(const CTrayStatusFacts& facts) {
    CString text = LoadUiString(IDS_HOT_KEY);
    text += L": ";
    text += facts.hotKeyText;
    if (!facts.isAdmin) {
        CString noAdmin = LoadUiString(IDS_NO_ADMIN_RIGHTS);
        MakeUpperInvariant(noAdmin);
        text += L"   -   ";
        text += noAdmin;
    }
    text += L"\r\n";
    text += LoadUiString(IDS_FOLDER);
    text += L": ";
    CString folder = facts.phrasesFolder;
    if (!folder.IsEmpty() && folder.GetAt(folder.GetLength() - 1) == L'\\')
        folder = folder.Left(folder.GetLength() - 1);
    // The folder is the user's text: it is appended, never used as a format.
    text += folder;
    CString counts;
    counts.Format(L" [%d/%d]", facts.includedCount, facts.totalCount);
    text += counts;
    text += L"\r\n";
    text += LoadUiString(IDS_LEFT_CLICK_HINT);
    return text;
}

CString BuildTrayTip(const CTrayStatusFacts& facts, const CString& statusText) {
    CString tip = facts.versionText;
    if (facts.isAdmin && tip.Find(L'^') < 0) tip += L'^';
    tip += L" - ";
    tip += GetOnOffStateText(facts.hookInstalled, true, !facts.hookInstalled);
    tip += L"\r\n";
    tip += statusText;
    return tip;
}

CString FitTrayTip(const CString& tip) {
    CString fitted = tip;
    const int lineBreak = FindLineBreak(fitted);
    if (fitted.GetLength() > kTipCutLength && lineBreak >= 0) fitted = fitted.Left(lineBreak);
    return CutToField(fitted, 127);
}

CString BuildTrayInfoTitle(const CString& tip, const wchar_t* balloonText) {
    const int lineBreak = FindLineBreak(tip);
    CString title = lineBreak >= 0 ? tip.Left(lineBreak) : tip;
    if (balloonText && *balloonText) {
        title += L", ";
        title += balloonText;
    }
    return CutToField(title, 63);
}

CString CutToField(const CString& text, int maxChars) {
    if (maxChars <= 0) return CString();
    if (text.GetLength() <= maxChars) return text;
    int length = maxChars;
    if (IS_HIGH_SURROGATE(text.GetAt(length - 1))) --length;
    return text.Left(length);
}

TrayIconClick GetTrayIconClick(LPARAM lParam) {
    // Before NOTIFYICON_VERSION_4 the whole lParam is the mouse message; from it on,
    // its low word. The low word reads both.
    switch (LOWORD(lParam)) {
        case WM_LBUTTONUP:
            return TrayIconClick::kReleaseAndPost;
        case WM_RBUTTONUP:
            return TrayIconClick::kMenuAtCursor;
        case NIN_BALLOONUSERCLICK:
            return TrayIconClick::kPost;
        default:
            return TrayIconClick::kNone;
    }
}
