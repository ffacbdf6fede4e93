// Resource ids of the send selection dialog (send_select.rc).
#pragma once

// "プリンタへ送信" (dialog 189). The radio buttons in template order:
// parameters, fine adjustment, IP address, everything, and the two hidden
// ones that nothing shows (RFID, all settings).
#define IDD_SEND_SELECT 189
#define IDC_SEND_PARAM 1248
#define IDC_SEND_ADJUST 1043
#define IDC_SEND_ADDRESS 1252
#define IDC_SEND_ALL 1253
#define IDC_SEND_RFID 1250
#define IDC_SEND_EVERY_SETTING 1251
