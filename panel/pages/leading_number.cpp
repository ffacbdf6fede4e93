#include "panel/pages/leading_number.h"

#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace tamsel {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Index of the first character after the leading blanks.
std::size_t SkipBlanks(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    return i;
}

}  // namespace

double LeadingNumber(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Mantissa: digits, optionally a point and more digits; at least one digit.
    const std::size_t start = i;
    std::size_t digits = 0;
    std::size_t significantIntegerDigits = 0;  // integer digits after leading zeros
    while (i < text.size() && IsDigit(text[i])) {
        if (significantIntegerDigits > 0 || text[i] != '0') ++significantIntegerDigits;
        ++i;
        ++digits;
    }
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && IsDigit(text[i])) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0) return 0.0;
    std::size_t end = i;
    // Exponent, only when at least one digit follows the letter and its sign.
    bool negativeExponent = false;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        std::size_t j = i + 1;
        bool minus = false;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) {
            minus = text[j] == '-';
            ++j;
        }
        if (j < text.size() && IsDigit(text[j])) {
            while (j < text.size() && IsDigit(text[j])) ++j;
            end = j;
            negativeExponent = minus;
        }
    }
    const std::string_view number = text.substr(start, end - start);
    double value = 0.0;
    const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                        std::chars_format::general);
    if (result.ec == std::errc::result_out_of_range) {
        // Too large or too small for a double: an infinity for a large
        // mantissa or a positive exponent, otherwise zero.
        const bool large = !negativeExponent && (significantIntegerDigits > 0 || end != i);
        value = large ? std::numeric_limits<double>::infinity() : 0.0;
    } else if (result.ec != std::errc()) {
        value = 0.0;
    }
    return negative ? -value : value;
}

std::int32_t LeadingInteger(std::string_view text) {
    std::size_t i = SkipBlanks(text);
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    // Accumulate in 64 bits and stop growing once beyond the 32-bit range.
    constexpr std::int64_t kBeyond = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 2;
    std::int64_t magnitude = 0;
    for (; i < text.size() && IsDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > kBeyond) magnitude = kBeyond;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}

std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    const double truncated = std::trunc(value);
    if (truncated >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (truncated <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(truncated);
}

}  // namespace tamsel
