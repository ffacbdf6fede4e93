#include "setting_texts.h"

#include <cstdlib>

namespace tamsel {

using namespace kestrion;

const std::vector<PageText>& ParameterPages() {
    static const std::vector<PageText> pages = {
        {"パラメータ設定1",
         {
             {kPowerOnBreakError, "powerOnBreakError", "電源ON時の断線エラー表示", {"あり(&A)", "なし(&B)"}},
             {kPaperCheckOnClose, "paperCheckOnClose", "電源ON・カバー閉用紙確認", {"あり(&C)", "なし(&D)"}},
             {kErrorBuzzer, "errorBuzzer", "エラー発生時ブザー音", {"ON(&E)", "OFF(&G)"}},
             {kStopPositionAfterClose, "stopPositionAfterClose", "カバークローズ後停止位置",
              {"停止位置を保持(&1)", "停止位置をクリア(&2)"}},
             {kCutterMode, "cutterMode", "カッターオプション制御方法", {"フルカット(&T)", "パーシャルカット(&U)"}},
             {kAutoTopOfForm, "autoTopOfForm", "自動用紙先頭位置合わせ", {"有効(&V)", "無効(&W)"}},
             {kThinPaperMode, "thinPaperMode", "薄紙印刷モード", {"無効(&Y)", "有効(&X)"}},
             {kUsbSerialNumber, "usbSerialNumber", "USBシリアルNo", {"送信する(&3)", "送信しない(&4)"}},
             {kPrintDirection, "printDirection", "印刷方向", {"コマンド優先(&N)", "通常印刷(&O)", "180°回転印刷(&P)"}},
             {kMirrorPrint, "mirrorPrint", "ミラー印刷", {"コマンド優先(&Q)", "通常印刷(&R)", "ミラー印刷(&S)"}},
             {kBackFeedSpeed, "backFeedSpeed", "バックフィード速度", {"6ips(&I)", "2ips(&L)", "3ips(&K)", "4ips(&J)"}},
         }},
        {"パラメータ設定2",
         {
             {kBlackMarkTopControl, "blackMarkTopControl", "黒マーク検出時の頭出し制御",
              {"黒マーク上端(&A)", "黒マーク下端(&B)"}},
             {kZeroSlash, "zeroSlash", "ゼロスラッシュ", {"なし(&C)", "あり(&D)"}},
             {kStartupState, "startupState", "プリンタ起動時の状態", {"オンライン(&E)", "オフライン(&G)"}},
             {kFeedSwitchPrint, "feedSwitchPrint", "[FEED]スイッチによる印刷", {"行わない(&1)", "行う(&2)"}},
             {kAutoCutFeed, "autoCutFeed", "自動カット位置送り機能", {"有効（&Y)", "無効(&X)"}},
             {kAutoCutReturnTime, "autoCutReturnTime", "自動カット位置戻し時間", {"無制限(&8)", "8秒(&9)", "15秒(&0)"}},
             {kAckWidth, "ackWidth", "パラレルI/F ACK幅変更", {"0.5μSec(&V)", "8μSec(&W)"}},
             {kInputPrime, "inputPrime", "インプットプライム", {"無効(&T)", "有効(&U)"}},
             {kStatusAutoSend, "statusAutoSend", "ステータス自動送信", {"無効(&Q)", "有効(&R)", "コマンド優先(&S)"}},
             {kPageControl, "pageControl", "ページ制御", {"センサー優先(&3)", "用紙長優先(&4)"}},
         }},
    };
    return pages;
}

const ParamChoice* FindParamChoice(std::size_t element) {
    for (const PageText& page : ParameterPages()) {
        for (const ParamChoice& c : page.choices) {
            if (c.element == element) return &c;
        }
    }
    return nullptr;
}

const ParamChoice* FindParamChoice(std::string_view key) {
    for (const PageText& page : ParameterPages()) {
        for (const ParamChoice& c : page.choices) {
            if (key == c.key) return &c;
        }
    }
    return nullptr;
}

const char* FineAdjustPageCaption() { return "微調整設定"; }

const std::vector<AdjustRow>& FineAdjustRows() {
    static const std::vector<AdjustRow> rows = {
        {0, "thermalDensity", "印刷濃度微調整値(感熱)(&A)", "ステップ", nullptr, nullptr},
        {1, "transferDensity", "印刷濃度微調整値(熱転写)(&B)", "ステップ", nullptr, nullptr},
        {2, "feedAdjust", "フィード量微調整値(&C)", "mm", "後方", "前方"},
        {3, "cutPositionAdjust", "カット（ハクリ）位置微調整値(&D)", "mm", "後方", "前方"},
        {4, "autoCutFeedAdjust", "自動カット位置送り微調整値(&E)", "mm", "後方", "前方"},
        {5, "returnPositionAdjust", "戻し位置微調整値(&G)", "mm", "後方", "前方"},
        {6, "standbyPositionAdjust", "自動正転待機位置微調整値(&I)", "mm", "後方", "前方"},
        {7, "xPositionAdjust", "X位置微調整値(&J)", "mm", "右側", "左側"},
    };
    return rows;
}

const char* AddressPageCaption() { return "IPアドレス設定"; }

const AddressTexts& AddressPageTexts() {
    static const AddressTexts texts = {
        "DHCP/BOOTP機能設定",
        {"DHCP/BOOTP機能有効(&A)", "DHCP/BOOTP機能無効(&B)"},
        "RARP機能設定",
        {"RARP機能有効(&C)", "RARP機能無効(&D)"},
        "IPアドレス(&E)",
        "サブネットマスク(&I)",
        "ゲートウェイ(&G)",
        "ソケット通信ポート設定",
        "ポート番号(&J)",
    };
    return texts;
}

const char* DipSwitchPageCaption() { return "DIPSW状態表示"; }

std::string WithoutMnemonic(std::string_view caption) {
    // The mnemonic stands last: "(&X)", or with a full-width opening
    // parenthesis "（&X)" on one button.
    static constexpr std::string_view kOpeners[] = {"(&", "（&"};
    for (std::string_view opener : kOpeners) {
        const std::size_t at = caption.rfind(opener);
        if (at == std::string_view::npos) continue;
        const std::size_t close = caption.find(')', at + opener.size());
        if (close != std::string_view::npos && close + 1 == caption.size()) {
            return std::string(caption.substr(0, at));
        }
    }
    return std::string(caption);
}

std::optional<std::string> OptionText(const ParamChoice& choice, std::int32_t value) {
    if (value < 0 || static_cast<std::size_t>(value) >= choice.options.size()) return std::nullopt;
    return WithoutMnemonic(choice.options[static_cast<std::size_t>(value)]);
}

std::string AdjustText(const AdjustRow& row, std::int32_t value) {
    if (row.positive == nullptr) return std::to_string(value) + " " + row.unit;
    const long long magnitude = std::llabs(static_cast<long long>(value));
    return std::string(value >= 0 ? row.positive : row.negative) + " " + std::to_string(magnitude / 10) + "." +
           std::to_string(magnitude % 10) + " " + row.unit;
}

namespace {

bool IsOnOff(std::int32_t state) { return state == 0 || state == 1; }

// Line for a pair of switches; `lines` is indexed by first * 2 + second.
std::string PairLine(std::int32_t first, std::int32_t second, const char* const (&lines)[4],
                     const char* unknown) {
    if (!IsOnOff(first) || !IsOnOff(second)) return unknown;
    return lines[first * 2 + second];
}

std::string SingleLine(std::int32_t state, const char* off, const char* on, const char* unknown) {
    if (!IsOnOff(state)) return unknown;
    return state == 0 ? off : on;
}

}  // namespace

std::string DipSwitchLines(const std::int32_t* s) {
    static const char* const kSwitch12[4] = {
        "DIPSW   1 - 2 : １頁目用紙頭出し機能有効\r\n", "DIPSW   1 - 2 : １頁目用紙頭出し機能無効\r\n",
        "DIPSW   1 - 2 : 未使用\r\n", "DIPSW   1 - 2 : １頁目用紙頭出し機能無効\r\n"};
    static const char* const kSwitch34[4] = {
        "DIPSW   3 - 4 : 連続印刷モード \r\n", "DIPSW   3 - 4 : ハクリ印刷モード \r\n",
        "DIPSW   3 - 4 : ハクリ印刷モード \r\n", "DIPSW   3 - 4 : カット印刷モード \r\n"};
    static const char* const kSwitch67[4] = {
        "DIPSW   6 - 7 : センサー無視 \r\n", "DIPSW   6 - 7 : 透過センサー \r\n",
        "DIPSW   6 - 7 : 反射センサー \r\n", "DIPSW   6 - 7 : センサー無視 \r\n"};

    std::string text;
    text += PairLine(s[0], s[1], kSwitch12, "DIPSW   1 - 2 : 不明 \r\n");
    text += PairLine(s[2], s[3], kSwitch34, "DIPSW   3 - 4 : 不明 \r\n");
    text += SingleLine(s[4], "DIPSW   5      : 感熱式印刷 \r\n", "DIPSW   5      : 感熱式印刷 \r\n",
                       "DIPSW   5      : 不明 \r\n");
    text += PairLine(s[5], s[6], kSwitch67, "DIPSW   6 - 7 : 不明 \r\n");
    text += SingleLine(s[7], "DIPSW   8      : プリンタドライバ設定有効 \r\n",
                       "DIPSW   8      : プリンタドライバ設定無効 \r\n", "DIPSW   8      : 不明 \r\n");
    text += SingleLine(s[8], "DIPSW   9      : ソルベナ設定有効 \r\n", "DIPSW   9      : 操作盤ボリューム設定有効 \r\n",
                       "DIPSW   9      : 不明 \r\n");
    text += SingleLine(s[9], "DIPSW  10      : オプションボード接続時オプション接続有効 \r\n",
                       "DIPSW  10      : 本体USB接続有効 \r\n", "DIPSW  10      : 不明 \r\n");
    return text;
}

}  // namespace tamsel
