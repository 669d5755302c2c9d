// Resource ids of uninsta.exe.
#pragma once

#define IDI_UNINSTALL 108
#define IDD_UNINSTALL 200
#define IDC_UNINSTALL_TEXT 2001
#define IDC_KEEP_DATA 2002
#define IDC_UNINSTALL_PROGRESS 2003
#define IDC_UNINSTALL_STATUS 2004
