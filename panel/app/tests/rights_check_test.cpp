#include "panel/app/rights_check.h"

#include <gtest/gtest.h>

namespace tamsel {
namespace {

struct SidCase {
    const char* sid;
    bool guest;
};

class GuestSidTest : public ::testing::TestWithParam<SidCase> {};

TEST_P(GuestSidTest, ComparesTheLastSubAuthorityExactly) {
    EXPECT_EQ(IsGuestSidText(GetParam().sid), GetParam().guest) << GetParam().sid;
}

INSTANTIATE_TEST_SUITE_P(
    Identifiers, GuestSidTest,
    ::testing::Values(SidCase{"S-1-5-21-1004336348-1177238915-682003330-501", true},
                      SidCase{"S-1-5-32-546", true},
                      SidCase{"S-1-5-21-1004336348-1177238915-682003330-1001", false},
                      SidCase{"S-1-5-21-1004336348-1177238915-682003330-500", false},
                      // Relative identifiers that merely begin or end with the digits.
                      SidCase{"S-1-5-21-1004336348-1177238915-682003330-5012", false},
                      SidCase{"S-1-5-21-1004336348-1177238915-682003330-15010", false},
                      SidCase{"S-1-5-21-1004336348-1177238915-682003330-5460", false},
                      SidCase{"S-1-5-21-1004336348-1177238915-682003330-1546", false},
                      // A domain part containing "-501" is no guest either.
                      SidCase{"S-1-5-21-501-1177238915-682003330-1001", false},
                      SidCase{"S-1-5-21-546-1177238915-682003330-1001", false},
                      SidCase{"", false}, SidCase{"501", false}, SidCase{"S-1-5-21-", false}));

TEST(RightsCheck, AppliesOnlyToTheNtFamilyVersionSix) {
    EXPECT_TRUE(RightsCheckApplies(true, 6));
    EXPECT_FALSE(RightsCheckApplies(true, 5));
    EXPECT_FALSE(RightsCheckApplies(true, 10));
    EXPECT_FALSE(RightsCheckApplies(false, 6));
}

}  // namespace
}  // namespace tamsel
