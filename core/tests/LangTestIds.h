// Ids of core/tests/LangTestResources.rc. Strings sit in blocks (id / 16) of their own,
// apart from the main program's table.
#pragma once

#define IDD_LANG_TEST 9001
#define IDC_LT_TRANSLATED 9101
#define IDC_LT_SKIPPED 9102
#define IDC_LT_UNTRANSLATED 9103
#define IDC_LT_EDIT 9104
#define IDC_LT_COMBO 9105
#define IDC_LT_EMPTY 9106
#define IDC_LT_BUTTON 9107

#define IDM_LANG_TEST 9002
#define IDM_LT_OPEN_FOLDER 9201
#define IDM_LT_SAVE_AS 9202
#define IDM_LT_CYRILLIC 9203
#define IDM_LT_ITEM_ONE 9204
#define IDM_LT_AMPERSANDS 9205
#define IDM_LT_SKIPPED 9206

#define IDS_LT_TWO_LINES 60001
#define IDS_LT_LONG 60002
#define IDS_LT_FORMAT 60003
#define IDS_LT_CYRILLIC 60004
#define IDD_LANG_TEST_MISSING 9003
