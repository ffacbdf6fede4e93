// Resource ids of the panel program's one resource script (tamsel.rc); the
// pages' and the selection dialogs' fragments keep their ids in their own
// headers.
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Main window (dialog 102)
#define IDD_PANEL 102
#define IDC_TAB 1000
#define IDC_STATUSBAR 2015
#define IDC_TOOLBAR 2016

// Toolbar buttons; their tooltips are the strings of the same ids.
#define IDB_TOOLBAR 150
#define ID_TB_OPEN_FILE 2000
#define ID_TB_SAVE_FILE 2001
#define ID_TB_SEND 2002
#define ID_TB_READ 2003
#define ID_TB_FACTORY 2004
#define ID_TB_SELECT_PRINTER 2005
#define ID_TB_TEST_PRINT 2006

// Tab images
#define IDB_TABS 196

// Icons
#define IDI_TAMSEL 198
#define IDI_READ_FAIL 220

// Menu 142 and accelerator table 142
#define IDR_MAINMENU 142
#define ID_FILE_OPEN_SETTINGS 32781
#define ID_FILE_SAVE_SETTINGS 32782
#define ID_FILE_EXIT 32783
#define ID_FILE_SEND 32784
#define ID_FILE_FACTORY 32785
#define ID_FILE_SELECT_PRINTER 32798
#define ID_FILE_READ 32823
#define ID_MENU_PARAM1 32801
#define ID_MENU_PARAM2 32826
#define ID_MENU_ADJUST 32816
#define ID_MENU_IP 32817
#define ID_MENU_DIPSW 32822
#define ID_MENU_TEST_PRINT 32818
#define ID_HELP_CONTENTS 32806
#define IDM_ABOUTBOX 16
#define ID_DATA_CHECK 32805
#define ID_NO_OPERATION 32819

// About box (dialog 100)
#define IDD_ABOUTBOX 100

// ReadFailDialog (dialog 218): OK is IDOK, 再試行 is IDCANCEL
#define IDD_READ_FAIL 218
#define IDC_READ_FAIL_EXIT 1296
