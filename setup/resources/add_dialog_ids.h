// Control ids of the add-dictionary dialog (IDD_ADD_DICTIONARY) and the add-scheme dialog
// (IDD_ADD_SCHEME).
#pragma once

// Both dialogs.
#define IDC_SOURCE_FILE 1029  // read-only; neither dialog fills or reads it
#define IDC_OPEN_SOURCE 1061
#define IDC_ENTRY_NAME 1067

// Add-dictionary dialog.
#define IDC_DICTIONARY_ABOUT 1062
#define IDC_USE_FREQUENCIES 1064
#define IDC_ALL_BY_SHAPE_CODE 1065

// Add-scheme dialog.
#define IDC_SCHEME_FOLDER 1062
#define IDC_KIND_STANDALONE 1068
#define IDC_KIND_AUXILIARY 1069
#define IDC_KIND_KEYPAD 1070
