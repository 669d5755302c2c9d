// Control ids of the settings dialog (resource 116), shared by its script, its code and the test
// driver. OK and Cancel are the system's IDOK (1) and IDCANCEL (2).
#pragma once

// Input mode; the first two texts are set at run time.
#define IDC_INPUT_MODE_MIXED 1035
#define IDC_INPUT_MODE_SHAPE_CODE 1036
#define IDC_INPUT_MODE_PINYIN 1037

// When new pinyin phrases are saved.
#define IDC_SAVE_ON_COMMIT 1038
#define IDC_SAVE_ON_ENTER 1039
#define IDC_SAVE_ON_CTRL_ENTER 1040

// Fuzzy-pinyin pairs.
#define IDC_FUZZY_F_H 1014
#define IDC_FUZZY_L_N 1015
#define IDC_FUZZY_C_CH 1041
#define IDC_FUZZY_S_SH 1042
#define IDC_FUZZY_Z_ZH 1043
#define IDC_FUZZY_AN_ANG 1044
#define IDC_FUZZY_EN_ENG 1045
#define IDC_FUZZY_IN_ING 1046
#define IDC_FUZZY_R_L 1047

#define IDC_DOUBLE_PINYIN 1016
#define IDC_ABBREVIATED_PINYIN 1017

// Chinese/English switch keys.
#define IDC_SWITCH_LEFT_SHIFT 1022
#define IDC_SWITCH_RIGHT_SHIFT 1023
#define IDC_SWITCH_LEFT_CTRL 1024
#define IDC_SWITCH_RIGHT_CTRL 1025
#define IDC_SWITCH_CLICK_MODE 1026

// Page keys.
#define IDC_PAGE_MINUS_EQUAL 1027
#define IDC_PAGE_BRACKETS 1048
#define IDC_PAGE_COMMA_PERIOD 1049
#define IDC_PAGE_TAB 1050

// Candidate window type and position.
#define IDC_WINDOW_MULTI_SEPARATE 1051
#define IDC_WINDOW_MULTI_MERGED 1052
#define IDC_WINDOW_ONE_LINE 1053
#define IDC_WINDOW_TWO_LINES 1054
#define IDC_POSITION_FOLLOW_CARET 1055
#define IDC_POSITION_TOP 1056
#define IDC_POSITION_BOTTOM 1057
#define IDC_POSITION_USER 1058

// Selection keys of candidates 1 to 5 (combo boxes).
#define IDC_SELECTION_KEY_1 1074
#define IDC_SELECTION_KEY_2 1075
#define IDC_SELECTION_KEY_3 1076
#define IDC_SELECTION_KEY_4 1077
#define IDC_SELECTION_KEY_5 1078
