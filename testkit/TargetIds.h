// What VxlTarget.exe and the tests that drive it agree on: its window's title and
// class, its controls' ids and the names its /focus: option takes.
#pragma once

constexpr wchar_t kTargetTitle[] = L"Vexlora Test Target";
constexpr wchar_t kTargetClass[] = L"VexloraTestTarget";
constexpr wchar_t kTargetExe[] = L"VxlTarget.exe";

constexpr int IDC_TARGET_EDIT = 1001;   // single-line EDIT
constexpr int IDC_TARGET_MEMO = 1002;   // multi-line EDIT
constexpr int IDC_TARGET_RICH = 1003;   // RichEdit20W
constexpr int IDC_TARGET_COMBO = 1004;  // ComboBox, CBS_DROPDOWN

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

// WM_COPYDATA with this dwData and a zero-terminated UTF-16 file path: the target writes
// its RichEdit's contents there as 8-bit RTF (as the control streams it out with SF_RTF),
// so a test can see formatting, which no system message carries across processes.
// The reply is 1 when the file was written.
constexpr ULONG_PTR kTargetDumpRichRtf = 0x56585201;
