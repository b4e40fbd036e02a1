// What VxlTarget.exe and the tests that drive it agree on: its window's title and
// class, its controls' ids, the names its /focus: option takes and its private requests.
#pragma once

constexpr wchar_t kTargetTitle[] = L"Vexlora Test Target";
constexpr wchar_t kTargetClass[] = L"VexloraTestTarget";
constexpr wchar_t kTargetExe[] = L"VxlTarget.exe";

constexpr int IDC_TARGET_EDIT = 1001;   // single-line EDIT
constexpr int IDC_TARGET_MEMO = 1002;   // multi-line EDIT
constexpr int IDC_TARGET_RICH = 1003;   // RichEdit20W
constexpr int IDC_TARGET_COMBO = 1004;  // ComboBox, CBS_DROPDOWN
// A window of the target's own class kTargetCopierClass: it answers WM_COPY (and Ctrl+C,
// as an edit field does) by putting its window text, kTargetCopierText, on the clipboard
// as CF_UNICODETEXT. No system reader knows its class, so its selection can only be
// had through a copy.
constexpr int IDC_TARGET_COPIER = 1005;

constexpr wchar_t kTargetCopierClass[] = L"VexloraTestCopier";
constexpr wchar_t kTargetCopierText[] = L"Copied by the target \x0442\x0435\x043A\x0441\x0442 \x6587\x5B57";

struct CTargetControl {
    const wchar_t* name;  // as in "/focus:<name>"
    int id;
};

constexpr CTargetControl kTargetControls[] = {
    {L"edit", IDC_TARGET_EDIT},
    {L"memo", IDC_TARGET_MEMO},
    {L"rich", IDC_TARGET_RICH},
    {L"combo", IDC_TARGET_COMBO},
};
// Not among the edit fields above: nothing can be typed into it.
constexpr CTargetControl kTargetCopier = {L"copier", IDC_TARGET_COPIER};

// WM_COPYDATA with this dwData and a zero-terminated UTF-16 file path: the target writes
// its RichEdit's contents there as 8-bit RTF (as the control streams it out with SF_RTF),
// so a test can see formatting, which no system message carries across processes.
// The reply is 1 when the file was written.
constexpr ULONG_PTR kTargetDumpRichRtf = 0x56585201;

// "/count:<message name>": the target registers that window message and counts how often
// its window procedures receive it: its own windows' and, through subclassing, its
// controls'. A message taken out of the queue before it is dispatched is not counted.
constexpr wchar_t kTargetCountOption[] = L"/count:";
// WM_COPYDATA with this dwData (no data needed): the reply is that count, 0 without the
// option.
constexpr ULONG_PTR kTargetCountMessages = 0x56585202;
