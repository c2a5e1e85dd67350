// Resource, control and command ids of the main program, shared by the resource script and the
// code. Plain #defines, so that the resource compiler reads it too.
#pragma once

// Main frame: menu, accelerators, tool bar, icon and template string
#define IDR_MAINFRAME 127

// Dialog templates
#define IDD_ABOUTBOX 100
#define IDD_FNBAR 130
#define IDD_CWBAR 132
#define IDD_FNEDIT 134

// Fn bar: function-key buttons F1..F12
#define IDC_FN_FIRST 1000
#define IDC_FN_LAST 1011
// CW bar
#define IDC_WPM_FIELD 1044
#define IDC_SEND_TEXT 1046
#define IDC_OPTIONS_BUTTON 1059
#define IDC_WPM_SPIN 1060
#define IDC_SEND_BUTTON 1061
// Memory editing dialog
#define IDC_FNEDIT_TEXT 1053
// About box
#define IDC_ABOUT_VERSION 1101
#define IDC_ABOUT_NOTICE 1102

// Menu commands and the speed pane
#define ID_VIEW_FNBAR 32771
#define ID_INDICATOR_WPM 32772
#define ID_VIEW_TOPMOST 32773
#define ID_VIEW_FN8 32774
#define ID_VIEW_FN12 32775
#define ID_TOOLS_OPTIONS 32776
#define ID_EDIT_KANA 32777
#define ID_VIEW_BANK 32778
#define ID_HELP_MANUAL 32779
#define ID_VIEW_CWBAR 32780
// The logger-link pane; its string is also the pane's text while no logger is followed
#define ID_INDICATOR_LINK 32781

// Strings of the program's own
#define IDS_FNBAR_CAPTION 33000
#define IDS_CWBAR_CAPTION 33001
#define IDS_MEMORY_ERROR 33002
#define IDS_PATH_TOO_LONG 33003
#define IDS_SETTINGS_NOT_SAVED 33004
#define IDS_FNEDIT_TITLE 33005
#define IDS_SETTINGS_UNREADABLE 33010
#define IDS_TOOLBAR_CAPTION 33011
#define IDS_KEYPORT_UNUSABLE 33012
// The logger-link pane's other texts, and the box that names the build to start instead
#define IDS_LINK_LINKED 33013
#define IDS_LINK_OTHER_BITNESS 33014
#define IDS_LINK_MODE_NOT_CW 33015
#define IDS_OTHER_BITNESS_BOX 33016

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
