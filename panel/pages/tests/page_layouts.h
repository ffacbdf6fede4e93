// The parameter pages as a person reads them from the page descriptions:
// every group with its box, its record element and its buttons in template
// order. The template test checks the compiled templates against these, the
// page tests the numbering of every group.
#pragma once

#include <cstddef>
#include <vector>

namespace tamsel::testing {

struct ButtonLayout {
    int id;
    const wchar_t* caption;
    short x, y, width;
    bool tabStop;
};

struct GroupLayout {
    const wchar_t* caption;
    short x, y, width, height;
    std::size_t element;  // PARAM index
    bool hidden;
    std::vector<ButtonLayout> buttons;  // value 0 first
};

inline const std::vector<GroupLayout>& ParamGroups() {
    static const std::vector<GroupLayout> groups = {
        {L"電源ON時の断線エラー表示", 14, 8, 93, 42, 10, false,
         {{1069, L"あり(&A)", 25, 21, 70, true}, {1021, L"なし(&B)", 25, 36, 70, true}}},
        {L"電源ON・カバー閉用紙確認", 14, 56, 93, 43, 11, false,
         {{1020, L"あり(&C)", 25, 69, 70, true}, {1026, L"なし(&D)", 25, 84, 70, true}}},
        {L"エラー発生時ブザー音", 14, 104, 93, 43, 12, false,
         {{1070, L"ON(&E)", 24, 117, 70, true}, {1022, L"OFF(&G)", 24, 130, 70, true}}},
        {L"カバークローズ後停止位置", 14, 152, 93, 44, 26, false,
         {{1076, L"停止位置を保持(&1)", 25, 165, 78, true}, {1028, L"停止位置をクリア(&2)", 25, 180, 80, true}}},
        {L"カッターオプション制御方法", 115, 152, 93, 42, 13, true,
         {{1072, L"フルカット(&T)", 126, 166, 70, true}, {1024, L"パーシャルカット(&U)", 126, 180, 70, true}}},
        {L"自動用紙先頭位置合わせ", 115, 8, 93, 43, 14, false,
         {{1071, L"有効(&V)", 126, 22, 70, true}, {1023, L"無効(&W)", 126, 36, 70, true}}},
        {L"薄紙印刷モード", 115, 56, 93, 43, 16, false,
         {{1297, L"無効(&Y)", 127, 84, 70, true}, {1298, L"有効(&X)", 127, 70, 75, false}}},
        {L"USBシリアルNo", 115, 104, 93, 44, 30, false,
         {{1077, L"送信する(&3)", 125, 118, 70, true}, {1029, L"送信しない(&4)", 125, 132, 70, true}}},
        {L"印刷方向", 214, 8, 93, 55, 27, false,
         {{1079, L"コマンド優先(&N)", 224, 19, 70, true},
          {1031, L"通常印刷(&O)", 224, 34, 70, true},
          {1032, L"180°回転印刷(&P)", 224, 49, 70, true}}},
        {L"ミラー印刷", 214, 70, 93, 56, 28, false,
         {{1080, L"コマンド優先(&Q)", 224, 81, 70, true},
          {1033, L"通常印刷(&R)", 224, 96, 70, true},
          {1034, L"ミラー印刷(&S)", 224, 111, 70, true}}},
        {L"バックフィード速度", 214, 132, 93, 47, 25, false,
         {{1075, L"6ips(&I)", 223, 147, 39, true},
          {1027, L"2ips(&L)", 262, 148, 35, true},
          {1035, L"3ips(&K)", 223, 163, 38, true},
          {1036, L"4ips(&J)", 262, 164, 35, true}}},
    };
    return groups;
}

inline const std::vector<GroupLayout>& Param2Groups() {
    static const std::vector<GroupLayout> groups = {
        {L"黒マーク検出時の頭出し制御", 14, 8, 93, 42, 17, false,
         {{1299, L"黒マーク上端(&A)", 25, 21, 70, true}, {1021, L"黒マーク下端(&B)", 25, 36, 70, true}}},
        {L"ゼロスラッシュ", 15, 56, 93, 43, 18, false,
         {{1300, L"なし(&C)", 25, 69, 70, true}, {1026, L"あり(&D)", 25, 84, 70, true}}},
        {L"プリンタ起動時の状態", 15, 104, 93, 43, 19, false,
         {{1301, L"オンライン(&E)", 25, 117, 70, true}, {1022, L"オフライン(&G)", 25, 132, 70, true}}},
        {L"[FEED]スイッチによる印刷", 114, 8, 93, 44, 20, false,
         {{1304, L"行わない(&1)", 125, 21, 70, true}, {1028, L"行う(&2)", 125, 36, 70, true}}},
        {L"自動カット位置送り機能", 114, 56, 93, 110, 21, false,
         {{1302, L"有効（&Y)", 125, 84, 70, true}, {1310, L"無効(&X)", 125, 69, 70, true}}},
        {L"自動カット位置戻し時間", 120, 99, 80, 60, 15, false,
         {{1078, L"無制限(&8)", 130, 112, 45, false},
          {1298, L"8秒(&9)", 130, 127, 34, false},
          {1309, L"15秒(&0)", 130, 142, 38, false}}},
        {L"パラレルI/F ACK幅変更", 214, 8, 93, 43, 22, false,
         {{1303, L"0.5μSec(&V)", 225, 21, 70, true}, {1023, L"8μSec(&W)", 225, 36, 70, true}}},
        {L"インプットプライム", 214, 56, 93, 43, 23, false,
         {{1306, L"無効(&T)", 225, 69, 70, true}, {1029, L"有効(&U)", 225, 84, 70, true}}},
        {L"ステータス自動送信", 215, 104, 93, 58, 24, false,
         {{1305, L"無効(&Q)", 225, 117, 70, true},
          {1031, L"有効(&R)", 225, 132, 70, true},
          {1032, L"コマンド優先(&S)", 225, 147, 70, true}}},
        {L"ページ制御", 15, 154, 93, 43, 29, false,
         {{1307, L"センサー優先(&3)", 25, 167, 70, true}, {1024, L"用紙長優先(&4)", 25, 182, 70, true}}},
    };
    return groups;
}

}  // namespace tamsel::testing
