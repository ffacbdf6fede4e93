#include "panel/model/setting_texts.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <set>

namespace tamsel {
namespace {

using namespace kestrion;

TEST(SettingTexts, EveryParameterHasOneGroupWithItsRange) {
    std::set<std::size_t> seen;
    for (const PageText& page : ParameterPages()) {
        for (const ParamChoice& c : page.choices) {
            EXPECT_TRUE(seen.insert(c.element).second) << "PARAM[" << c.element << "] twice";
            std::size_t expected = 2;
            if (c.element == kAutoCutReturnTime || c.element == kStatusAutoSend ||
                c.element == kPrintDirection || c.element == kMirrorPrint) expected = 3;
            if (c.element == kBackFeedSpeed) expected = 4;
            EXPECT_EQ(c.options.size(), expected) << c.key;
            EXPECT_EQ(FindParamChoice(c.key), &c);
        }
    }
    EXPECT_EQ(seen.size(), 21u);
    EXPECT_EQ(*seen.begin(), 10u);
    EXPECT_EQ(*seen.rbegin(), 30u);
    EXPECT_EQ(FindParamChoice("noSuchKey"), nullptr);
}

TEST(SettingTexts, MnemonicsAreDropped) {
    const std::pair<const char*, const char*> cases[] = {
        {"あり(&A)", "あり"},
        {"有効（&Y)", "有効"},
        {"180°回転印刷(&P)", "180°回転印刷"},
        {"印刷濃度微調整値(感熱)(&A)", "印刷濃度微調整値(感熱)"},
        {"USBシリアルNo", "USBシリアルNo"},
        {"(&X) in front", "(&X) in front"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(WithoutMnemonic(in), out) << in;
}

TEST(SettingTexts, OptionsFollowTemplateOrder) {
    const ParamChoice& speed = *FindParamChoice(kBackFeedSpeed);
    EXPECT_EQ(OptionText(speed, 0), "6ips");
    EXPECT_EQ(OptionText(speed, 1), "2ips");
    EXPECT_EQ(OptionText(speed, 3), "4ips");
    EXPECT_EQ(OptionText(speed, 4), std::nullopt);
    EXPECT_EQ(OptionText(speed, -1), std::nullopt);
    EXPECT_EQ(OptionText(*FindParamChoice(kThinPaperMode), 1), "有効");
}

TEST(SettingTexts, AdjustValuesInWords) {
    const auto& rows = FineAdjustRows();
    const std::tuple<std::size_t, std::int32_t, const char*> cases[] = {
        {0, -3, "-3 ステップ"},     {1, 10, "10 ステップ"},     {2, 57, "後方 5.7 mm"},
        {2, -57, "前方 5.7 mm"},    {2, 0, "後方 0.0 mm"},      {6, 150, "後方 15.0 mm"},
        {7, -1057, "左側 105.7 mm"}, {7, 3, "右側 0.3 mm"},      {3, -32768, "前方 3276.8 mm"},
    };
    for (const auto& [row, value, text] : cases) EXPECT_EQ(AdjustText(rows[row], value), text) << row << " " << value;
}

TEST(DipSwitchText, AllOffAllOnAndUnknown) {
    const std::array<std::int32_t, 10> off{};
    EXPECT_EQ(DipSwitchLines(off.data()),
              "DIPSW   1 - 2 : １頁目用紙頭出し機能有効\r\n"
              "DIPSW   3 - 4 : 連続印刷モード \r\n"
              "DIPSW   5      : 感熱式印刷 \r\n"
              "DIPSW   6 - 7 : センサー無視 \r\n"
              "DIPSW   8      : プリンタドライバ設定有効 \r\n"
              "DIPSW   9      : ソルベナ設定有効 \r\n"
              "DIPSW  10      : オプションボード接続時オプション接続有効 \r\n");
    std::array<std::int32_t, 10> on;
    on.fill(1);
    EXPECT_EQ(DipSwitchLines(on.data()),
              "DIPSW   1 - 2 : １頁目用紙頭出し機能無効\r\n"
              "DIPSW   3 - 4 : カット印刷モード \r\n"
              "DIPSW   5      : 感熱式印刷 \r\n"
              "DIPSW   6 - 7 : センサー無視 \r\n"
              "DIPSW   8      : プリンタドライバ設定無効 \r\n"
              "DIPSW   9      : 操作盤ボリューム設定有効 \r\n"
              "DIPSW  10      : 本体USB接続有効 \r\n");
    std::array<std::int32_t, 10> mixed{1, 0, 2, 1, 3, 0, 1, 0, 0, 1};
    EXPECT_EQ(DipSwitchLines(mixed.data()),
              "DIPSW   1 - 2 : 未使用\r\n"
              "DIPSW   3 - 4 : 不明 \r\n"
              "DIPSW   5      : 不明 \r\n"
              "DIPSW   6 - 7 : 透過センサー \r\n"
              "DIPSW   8      : プリンタドライバ設定有効 \r\n"
              "DIPSW   9      : ソルベナ設定有効 \r\n"
              "DIPSW  10      : 本体USB接続有効 \r\n");
}

}  // namespace
}  // namespace tamsel
