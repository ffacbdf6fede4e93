// Control ids of the layer's own test templates.
#pragma once

// Dialog 100: radio groups and the other exchanges.
#define IDD_EXCHANGE 100
#define IDC_BOX1 1001
#define IDC_A 1002
#define IDC_B_HIDDEN 1003
#define IDC_NOTE 1004
#define IDC_CHECK 1005
#define IDC_C 1006
#define IDC_BOX2 1010
#define IDC_D 1011
#define IDC_E 1012
#define IDC_EDIT 1020
#define IDC_LIST 1021
#define IDC_COMBO 1022
#define IDC_LISTVIEW 1023
#define IDC_IP 1024
#define IDC_F 1030
#define IDC_G 1031

// Dialog 101: a page created inside dialog 102.
#define IDD_PAGE 101
#define IDC_PAGE_BOX 1101
#define IDC_P0 1102
#define IDC_P1 1103
#define IDC_PAGE_EDIT 1104

// Dialog 102: the host of the page.
#define IDD_HOST 102
#define IDC_HOST_EDIT 1201
