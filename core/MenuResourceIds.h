// Ids of the menu resources of the main program and of the items other code borrows
// texts from. Resource scripts include this file, so it holds defines only.
#pragma once

// The clipboard item's menu: its captions also name the item commands of the phrase
// menu's right-click menu.
#define IDR_ITEM_MENU 205
#define IDM_ITEM_OPEN_AS_URL 32806
#define IDM_ITEM_OPEN_WITH 32846

// The tray menu: its first popup is the menu; the item ids are the tray window's command
// ids (core/TrayIds.h), written as numbers in the resource script.
#define IDR_TRAY_MENU 128
