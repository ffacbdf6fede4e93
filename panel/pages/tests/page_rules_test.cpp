#include "panel/pages/page_rules.h"

#include "panel/model/setting_texts.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <string>

namespace tamsel {
namespace {

TEST(ReturnTimeRule, OnlyFeedOnEnablesTheReturnTimes) {
    const struct {
        std::int32_t autoCutFeed;
        bool enabled;
    } cases[] = {{0, true}, {1, false}, {-1, false}, {2, false}, {INT32_MIN, false}, {INT32_MAX, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.autoCutFeed);
        EXPECT_EQ(ReturnTimeEnabled(c.autoCutFeed), c.enabled);
    }
}

TEST(DipSwitchPicture, LeverForEachState) {
    const struct {
        std::int32_t state;
        Lever lever;
    } cases[] = {{0, Lever::Down}, {1, Lever::Up}, {2, Lever::Empty}, {3, Lever::Empty}, {-1, Lever::Empty},
                 {INT32_MAX, Lever::Empty}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.state);
        EXPECT_EQ(LeverFor(c.state), c.lever);
    }
}

TEST(DipSwitchPicture, LeversSitInsideTheSwitchBlock) {
    EXPECT_EQ(LeverLeft(1), 39);
    EXPECT_EQ(LeverLeft(2), 70);
    EXPECT_EQ(LeverLeft(10), 318);
    // The block picture is 351 pixels wide and drawn 81 high; a lever is
    // 24 x 55.
    EXPECT_LE(LeverLeft(kDipSwitchCount) + 24, 351);
    EXPECT_LE(kLeverTop + 55, 81);
}

// The page's text for every combination of a switch pair, unknown states
// included: the line the page shows must be the fixed text, byte for byte.
TEST(DipSwitchText, EveryPairCombination) {
    const struct {
        std::size_t first;  // index of the pair's first switch
        std::int32_t a, b;
        std::string line;
    } cases[] = {
        {0, 0, 0, "DIPSW   1 - 2 : １頁目用紙頭出し機能有効\r\n"},
        {0, 0, 1, "DIPSW   1 - 2 : １頁目用紙頭出し機能無効\r\n"},
        {0, 1, 0, "DIPSW   1 - 2 : 未使用\r\n"},
        {0, 1, 1, "DIPSW   1 - 2 : １頁目用紙頭出し機能無効\r\n"},
        {0, 0, 3, "DIPSW   1 - 2 : 不明 \r\n"},
        {0, -1, 0, "DIPSW   1 - 2 : 不明 \r\n"},
        {2, 0, 0, "DIPSW   3 - 4 : 連続印刷モード \r\n"},
        {2, 0, 1, "DIPSW   3 - 4 : ハクリ印刷モード \r\n"},
        {2, 1, 0, "DIPSW   3 - 4 : ハクリ印刷モード \r\n"},
        {2, 1, 1, "DIPSW   3 - 4 : カット印刷モード \r\n"},
        {2, 1, 2, "DIPSW   3 - 4 : 不明 \r\n"},
        {5, 0, 0, "DIPSW   6 - 7 : センサー無視 \r\n"},
        {5, 0, 1, "DIPSW   6 - 7 : 透過センサー \r\n"},
        {5, 1, 0, "DIPSW   6 - 7 : 反射センサー \r\n"},
        {5, 1, 1, "DIPSW   6 - 7 : センサー無視 \r\n"},
        {5, 3, 3, "DIPSW   6 - 7 : 不明 \r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::int32_t states[10] = {};
        states[c.first] = c.a;
        states[c.first + 1] = c.b;
        const std::string text = DipSwitchLines(states);
        EXPECT_NE(text.find(c.line), std::string::npos) << text;
    }
}

}  // namespace
}  // namespace tamsel
