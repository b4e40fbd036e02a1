// Ids of the system report dialog's template (pages/AboutDlg.rc) and of its menus. Plain
// #defines, so that the resource compiler reads this header too.
#pragma once

#define IDD_ABOUT 100
#define IDC_ABOUT_TEXT 1000
#define IDC_ABOUT_LIST 1001
#define IDC_ABOUT_COPY 1002
#define IDC_ABOUT_HOME_LINK 1003
#define IDC_ABOUT_CHECK_UPDATES 1004
#define IDC_ABOUT_BUG_LINK 1005
#define IDC_ABOUT_ENGINE_LINK 1014

// Items of the copy button's menu besides the copy itself (IDC_ABOUT_COPY).
#define IDM_ABOUT_SAVE_ARCHIVE 259
#define IDM_ABOUT_SYSTEM_INFO 331
#define IDM_ABOUT_OPEN_SETTINGS 32830
// The list's menu: one item per section, this plus the section row's index.
#define IDM_ABOUT_FIRST_SECTION 36000
