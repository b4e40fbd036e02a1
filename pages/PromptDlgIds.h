// Ids of the input prompt's dialog template (pages/PromptDlg.rc). Plain #defines, so that
// the resource compiler reads this header too.
#pragma once

#define IDD_PROMPT 220
#define IDC_PROMPT_EDIT 1013
