// Ids of the main program's icon resources (programs/Vexlora/Vexlora.rc). Plain
// #defines, so that the resource compiler reads this header too.
#pragma once

// The program; the tray while the phrase menu is not ready.
#define IDI_APP 201
// The tray's blink frame.
#define IDI_BLINK 202
#define IDI_RUN 204
#define IDI_PROTECT 206
#define IDI_DELETE 211
#define IDI_TO_CAPTION 212
#define IDI_COPY 215
#define IDI_FORMATTED_TEXT 223
#define IDI_SHOW_ALL 225
#define IDI_WEB_SEARCH 230
#define IDI_WEB_SEARCH_2 231
#define IDI_WEB 234
#define IDI_ENCYCLOPEDIA 239
#define IDI_DEV_DOCS 240
#define IDI_PIN 241
#define IDI_HTML_CODE 246
#define IDI_HTML 247
// The tray when the phrase menu is ready, with administrator rights.
#define IDI_APP_READY_ADMIN 249
#define IDI_TRANSLATE 250
// The tray when the phrase menu is ready.
#define IDI_APP_READY 251
