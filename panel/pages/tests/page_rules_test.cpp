#include "panel/pages/page_rules.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

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

}  // namespace
}  // namespace tamsel
