// Resource ids of the fine-adjust page (dialog 205) and the IP address page
// (dialog 206). Plain macros so that the resource compiler reads this header
// as well as the C++ code.
#pragma once

// --- Fine-adjust page --------------------------------------------------------
#define IDD_FORM_SET 205

// Edit fields, one per row, top to bottom.
#define IDC_SET_THERMAL_EDIT 1065
#define IDC_SET_TRANSFER_EDIT 1070
#define IDC_SET_FEED_EDIT 1243
#define IDC_SET_CUT_EDIT 1062
#define IDC_SET_AUTOCUT_EDIT 1063
#define IDC_SET_RETURN_EDIT 1064
#define IDC_SET_STANDBY_EDIT 1066
#define IDC_SET_XPOS_EDIT 1067

// Spin buttons, each right behind its edit field in the template.
#define IDC_SET_THERMAL_SPIN 1059
#define IDC_SET_TRANSFER_SPIN 1071
#define IDC_SET_FEED_SPIN 1244
#define IDC_SET_CUT_SPIN 1056
#define IDC_SET_AUTOCUT_SPIN 1057
#define IDC_SET_RETURN_SPIN 1058
#define IDC_SET_STANDBY_SPIN 1060
#define IDC_SET_XPOS_SPIN 1061

// Direction lists of the six position rows.
#define IDC_SET_FEED_LIST 1074
#define IDC_SET_CUT_LIST 1075
#define IDC_SET_AUTOCUT_LIST 1076
#define IDC_SET_RETURN_LIST 1077
#define IDC_SET_STANDBY_LIST 1078
#define IDC_SET_XPOS_LIST 1079

// --- IP address page ---------------------------------------------------------
#define IDD_FORM_IP 206

#define IDC_IP_DHCP_ON 1264
#define IDC_IP_DHCP_OFF 1019
#define IDC_IP_RARP_ON 1265
#define IDC_IP_RARP_OFF 1020
#define IDC_IP_ADDRESS 1256
#define IDC_IP_MASK 1258
#define IDC_IP_GATEWAY 1259
#define IDC_IP_PORT 1262
