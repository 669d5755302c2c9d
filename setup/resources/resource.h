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

// Install dialog.
#define IDD_INSTALL 123
