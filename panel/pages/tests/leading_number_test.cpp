#include "panel/pages/leading_number.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace tamsel {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct NumberCase {
    std::string text;
    double expected;
};

TEST(LeadingNumber, ReadsTheNumberAtTheStart) {
    const NumberCase cases[] = {
        {"5.7", 5.7},       {"0.05", 0.05},  {"1.234", 1.234}, {"-1", -1.0},    {"+2.5", 2.5},
        {"  12", 12.0},     {"\t-0.5", -0.5}, {".5", 0.5},     {"5.", 5.0},     {"9.9mm", 9.9},
        {"1e2", 100.0},     {"1e", 1.0},     {"1e+", 1.0},     {"2E-1", 0.2},   {"3.5.1", 3.5},
        {"", 0.0},          {"abc", 0.0},    {"-", 0.0},       {".", 0.0},      {"-.", 0.0},
        {"nan", 0.0},       {"inf", 0.0},    {"0x10", 0.0},    {"１２", 0.0},   {"- 1", 0.0},
        {"1,057", 1.0},
    };
    for (const NumberCase& c : cases) {
        EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(LeadingNumber, HugeAndTinyNumbersStayDefined) {
    EXPECT_EQ(LeadingNumber("9e999"), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("-9e999"), -std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber(std::string(400, '9')), std::numeric_limits<double>::infinity());
    EXPECT_EQ(LeadingNumber("1e-999"), 0.0);
    EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
}

struct IntegerCase {
    std::string text;
    std::int32_t expected;
};

TEST(LeadingInteger, ReadsTheIntegerAtTheStart) {
    const IntegerCase cases[] = {
        {"12000", 12000}, {"9100abc", 9100},   {"5.5", 5},          {"-3", -3},          {" +7", 7},
        {"", 0},          {"x1", 0},           {"-", 0},            {"2147483647", kMax}, {"2147483648", kMax},
        {"-2147483648", kMin},                 {"-2147483649", kMin}, {"99999999999999999999", kMax},
        {"-99999999999999999999", kMin},
    };
    for (const IntegerCase& c : cases) {
        EXPECT_EQ(LeadingInteger(c.text), c.expected) << '"' << c.text << '"';
    }
}

TEST(TruncateToInt32, TowardZeroAndSaturated) {
    EXPECT_EQ(TruncateToInt32(12.34), 12);
    EXPECT_EQ(TruncateToInt32(-12.34), -12);
    EXPECT_EQ(TruncateToInt32(-0.9), 0);
    EXPECT_EQ(TruncateToInt32(1e20), kMax);
    EXPECT_EQ(TruncateToInt32(-1e20), kMin);
    EXPECT_EQ(TruncateToInt32(std::numeric_limits<double>::infinity()), kMax);
    EXPECT_EQ(TruncateToInt32(std::nan("")), 0);
}

}  // namespace
}  // namespace tamsel
