// Resource ids of the installer's script, grouped per dialog.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

#define IDI_VELDRA 128

// InstallDialog
#define IDD_INSTALL 102
#define IDC_DEST_EDIT 1000
#define IDC_BROWSE 1001
#define IDC_INTRO 1002

// ProgressDialog
#define IDD_PROGRESS 129
#define IDC_PROGRESS_BAR 1003
#define IDC_PROGRESS_PERCENT 1004
#define IDC_PROGRESS_MESSAGE 1005

// UninstallConfirmDialog
#define IDD_UNINSTALL_CONFIRM 130
#define IDC_CONFIRM_ICON 1006
#define IDC_CONFIRM_TEXT1 1007
#define IDC_CONFIRM_TEXT2 1008
