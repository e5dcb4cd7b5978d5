// Identifiers shared by the resource script and the code: resources, commands,
// dialog controls and strings.
#pragma once

// Icons, menus and dialog templates
#define IDD_ABOUTBOX 100
#define IDD_ZAPWICK_DIALOG 102
#define IDR_MAINFRAME 128
#define IDI_TRAY 130
#define IDR_TRAY_MENU 132

// Status dialog buttons
#define IDC_HIDE 1003
#define IDC_EXIT 1008

// Commands of the tray window (some have no menu item)
#define ID_TRAY_EXIT 32771
#define ID_TRAY_WEBSITE 32772
#define ID_TRAY_ABOUT 32774
#define ID_TRAY_VIEW_LOG 32776
#define ID_TRAY_CLEAR_LOG 32777
#define ID_TRAY_TOGGLE_BLOCKING 32778
#define ID_TRAY_HELP 32779

// Command of the application object
#define ID_APP_ABOUT 0xE140

// Strings
#define IDS_APP_TITLE 0xE000
