// Numbers typed into the pages' edit fields: the number at the start of the
// text counts, whatever follows it (much as C's strtod and strtol read a text).
#pragma once

#include <cstdint>
#include <string_view>

namespace tamsel {

// The decimal number at the start of a text: leading blanks (space, tab,
// line breaks), an optional sign, digits with an optional decimal point and
// fraction, an optional exponent ("1e2"). Reading stops at the first other
// character; a text that does not begin with a number gives 0. Far too large
// numbers give an infinity of their sign, never anything undefined.
double LeadingNumber(std::string_view text);

// The decimal integer at the start of a text: leading blanks, an optional
// sign, digits; reading stops at the first other character ("5.5" gives 5),
// no digits give 0. Values beyond the 32-bit range saturate at its ends.
std::int32_t LeadingInteger(std::string_view text);

// A number truncated toward zero into the 32-bit range: values beyond it
// saturate at its ends, NaN gives 0.
std::int32_t TruncateToInt32(double value);

}  // namespace tamsel
