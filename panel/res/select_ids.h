// Resource ids of the printer selection dialog and the network address dialog.
#pragma once

// Printer selection: "プリンタの選択".
#define IDD_PRINTER_SELECT 152
#define IDC_PRINTER_LIST 1069

// Network address: "IPアドレス設定".
#define IDD_NET_ADDRESS 217
#define IDC_NET_IP_ADDRESS 1295
#define IDC_NET_PORT 1266
