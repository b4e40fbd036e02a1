// Ids of the update dialog's template (pages/UpdateDlg.rc) and its private message. Plain
// #defines, so that the resource compiler reads this header too.
#pragma once

#define IDD_UPDATE 219
#define IDC_UPDATE_VISIT 3
#define IDC_UPDATE_SKIP 5
#define IDC_UPDATE_PAGE 1012

// Posted to itself once shown: come to the front.
#define WM_VXL_UPDATE_TO_FRONT (WM_APP + 1)
