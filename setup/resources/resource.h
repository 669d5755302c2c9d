// Resource and control ids of setup, shared by the resource script, the dialogs and the test
// driver.
#pragma once

// Icons.
#define IDI_APP 108
#define IDI_SCHEME 113
#define IDI_DICTIONARY 115

// Agreement dialog.
#define IDD_AGREEMENT 102
#define IDC_LICENSE_TEXT 1029
#define IDC_CONTINUE 1031

// Dialogs; each dialog's control ids are in its own header beside its script.
#define IDD_INSTALL 123
#define IDD_SETTINGS 116
#define IDD_ADD_DICTIONARY 130
#define IDD_ADD_SCHEME 131
