// Resource ids of pages_param.rc: the two parameter pages and the DIP switch
// page. The numbers are fixed; ids 1021-1029, 1031, 1032 and 1298 occur on
// both parameter pages with different meanings (an id names a control only
// within its own page).
#pragma once

// --- Dialog 101: parameter page 1 ----------------------------------------------
#define IDD_PARAM 101
#define IDC_PARAM_BREAK_ERROR_ON 1069       // 電源ON時の断線エラー表示: あり (value 0)
#define IDC_PARAM_BREAK_ERROR_OFF 1021      //   なし (1)
#define IDC_PARAM_PAPER_CHECK_ON 1020       // 電源ON・カバー閉用紙確認: あり (0)
#define IDC_PARAM_PAPER_CHECK_OFF 1026      //   なし (1)
#define IDC_PARAM_BUZZER_ON 1070            // エラー発生時ブザー音: ON (0)
#define IDC_PARAM_BUZZER_OFF 1022           //   OFF (1)
#define IDC_PARAM_STOP_KEEP 1076            // カバークローズ後停止位置: 保持 (0)
#define IDC_PARAM_STOP_CLEAR 1028           //   クリア (1)
#define IDC_PARAM_CUTTER_FULL 1072          // カッターオプション制御方法 (hidden): フルカット (0)
#define IDC_PARAM_CUTTER_PARTIAL 1024       //   パーシャルカット (1)
#define IDC_PARAM_TOP_OF_FORM_ON 1071       // 自動用紙先頭位置合わせ: 有効 (0)
#define IDC_PARAM_TOP_OF_FORM_OFF 1023      //   無効 (1)
#define IDC_PARAM_THIN_PAPER_OFF 1297       // 薄紙印刷モード: 無効 (0, the lower button)
#define IDC_PARAM_THIN_PAPER_ON 1298        //   有効 (1, the upper button)
#define IDC_PARAM_USB_SERIAL_SEND 1077      // USBシリアルNo: 送信する (0)
#define IDC_PARAM_USB_SERIAL_KEEP 1029      //   送信しない (1)
#define IDC_PARAM_DIRECTION_COMMAND 1079    // 印刷方向: コマンド優先 (0)
#define IDC_PARAM_DIRECTION_NORMAL 1031     //   通常印刷 (1)
#define IDC_PARAM_DIRECTION_ROTATED 1032    //   180°回転印刷 (2)
#define IDC_PARAM_MIRROR_COMMAND 1080       // ミラー印刷: コマンド優先 (0)
#define IDC_PARAM_MIRROR_NORMAL 1033        //   通常印刷 (1)
#define IDC_PARAM_MIRROR_ON 1034            //   ミラー印刷 (2)
#define IDC_PARAM_BACKFEED_6IPS 1075        // バックフィード速度: 6ips (0)
#define IDC_PARAM_BACKFEED_2IPS 1027        //   2ips (1)
#define IDC_PARAM_BACKFEED_3IPS 1035        //   3ips (2)
#define IDC_PARAM_BACKFEED_4IPS 1036        //   4ips (3)

// --- Dialog 219: parameter page 2 ----------------------------------------------
#define IDD_PARAM2 219
#define IDC_PARAM2_BLACK_MARK_TOP 1299      // 黒マーク検出時の頭出し制御: 上端 (0)
#define IDC_PARAM2_BLACK_MARK_BOTTOM 1021   //   下端 (1)
#define IDC_PARAM2_ZERO_SLASH_OFF 1300      // ゼロスラッシュ: なし (0)
#define IDC_PARAM2_ZERO_SLASH_ON 1026       //   あり (1)
#define IDC_PARAM2_STARTUP_ONLINE 1301      // プリンタ起動時の状態: オンライン (0)
#define IDC_PARAM2_STARTUP_OFFLINE 1022     //   オフライン (1)
#define IDC_PARAM2_FEED_PRINT_OFF 1304      // [FEED]スイッチによる印刷: 行わない (0)
#define IDC_PARAM2_FEED_PRINT_ON 1028       //   行う (1)
#define IDC_PARAM2_AUTO_CUT_FEED_ON 1302    // 自動カット位置送り機能: 有効 (0, the lower button)
#define IDC_PARAM2_AUTO_CUT_FEED_OFF 1310   //   無効 (1, the upper button)
#define IDC_PARAM2_RETURN_UNLIMITED 1078    // 自動カット位置戻し時間: 無制限 (0)
#define IDC_PARAM2_RETURN_8S 1298           //   8秒 (1)
#define IDC_PARAM2_RETURN_15S 1309          //   15秒 (2)
#define IDC_PARAM2_ACK_HALF_US 1303         // パラレルI/F ACK幅変更: 0.5μSec (0)
#define IDC_PARAM2_ACK_8US 1023             //   8μSec (1)
#define IDC_PARAM2_PRIME_OFF 1306           // インプットプライム: 無効 (0)
#define IDC_PARAM2_PRIME_ON 1029            //   有効 (1)
#define IDC_PARAM2_STATUS_OFF 1305          // ステータス自動送信: 無効 (0)
#define IDC_PARAM2_STATUS_ON 1031           //   有効 (1)
#define IDC_PARAM2_STATUS_COMMAND 1032      //   コマンド優先 (2)
#define IDC_PARAM2_PAGE_SENSOR 1307         // ページ制御: センサー優先 (0)
#define IDC_PARAM2_PAGE_LENGTH 1024         //   用紙長優先 (1)

// --- Dialog 207: DIP switch page ------------------------------------------------
#define IDD_DIPSW 207
#define IDC_DIPSW_PICTURE 1294              // the area the switch block is drawn into
#define IDC_DIPSW_TEXT 1266                 // the seven description lines

// --- Bitmaps of the DIP switch page (4 bits per pixel) ---------------------------
#define IDB_DIPSW_BLOCK 214                 // 351 x 82: the switch block with empty slots
#define IDB_DIPSW_LEVER_UP 215              // 24 x 55: one slot, lever up (ON)
#define IDB_DIPSW_LEVER_DOWN 216            // 24 x 55: one slot, lever down (OFF)

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif
