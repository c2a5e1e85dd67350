// Ids of the Options sheet (its caption, its three pages and their controls) and of the speed
// dialog. Plain #defines, so that the resource compiler reads it too.
#pragma once

// Sheet caption and page templates
#define IDS_OPTIONS_CAPTION 102
#define IDD_OPTIONS_PAGE1 135
#define IDD_OPTIONS_PAGE2 136
#define IDD_OPTIONS_PAGE3 137

// Page 1: message memories and the values the macros insert
#define IDC_OPT_MEMORY_FIRST 1012  // edits of F1..F12 of the bank shown
#define IDC_OPT_MEMORY_LAST 1023
#define IDC_OPT_BANK_A 1024        // radio "応答"
#define IDC_OPT_BANK_B 1025        // radio "呼出"
#define IDC_OPT_MYCALL 1026
#define IDC_OPT_SUBST1 1027
#define IDC_OPT_SUBST9 1028
#define IDC_OPT_CQ_INTERVAL 1029
#define IDC_OPT_SUBST0 1030
#define IDC_OPT_NUMBER 1049

// Page 2: keyer
#define IDC_OPT_PTT_BEFORE 1031
#define IDC_OPT_PTT_AFTER 1032
#define IDC_OPT_WEIGHT_DOT 1033
#define IDC_OPT_WEIGHT_DASH 1034
#define IDC_OPT_PTT 1037
#define IDC_OPT_PADDLE_RVS 1038
#define IDC_OPT_SIDETONE 1039
#define IDC_OPT_TONE_LIST 1040
#define IDC_OPT_PADDLE_KBD 1041
#define IDC_OPT_PTT_CQ_MACHINE 1042
#define IDC_OPT_WPM 1044

// Page 3: other behaviour
#define IDC_OPT_LOG_TIME 1041
#define IDC_OPT_TOPMOST 1042
#define IDC_OPT_FN8 1043
#define IDC_OPT_FN12 1045
#define IDC_OPT_TAB_F2 1048
#define IDC_OPT_CLOSE_ANYWAY 1050
#define IDC_OPT_CW_ALWAYS 1051
#define IDC_OPT_HOOK_ANYWAY 1052
#define IDC_OPT_END_GM 1054
#define IDC_OPT_END_GA 1055
#define IDC_OPT_END_GE 1057
#define IDC_OPT_LOGGER_LINK 1058
#define IDC_OPT_FOLLOW_LOGGER 1070

// Speed dialog
#define IDD_WPMDLG 131
#define IDC_WPMDLG_SLIDER 1046
#define IDC_WPMDLG_LABEL 1047
