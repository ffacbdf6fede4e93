// The decisions of the setting pages, apart from their windows.
#pragma once

#include <cstdint>

namespace tamsel {

// The return-time buttons of the automatic-cut group on the second parameter
// page are usable only while the feed function is on (value 0, "有効（&Y)");
// any other value, -1 (nothing chosen) included, disables them.
bool ReturnTimeEnabled(std::int32_t autoCutFeed);

// DIP switch picture: the slot of switch n (1-10) shows the lever down for
// state 0, up for state 1, and stays empty for anything else.
enum class Lever { Down, Up, Empty };
Lever LeverFor(std::int32_t state);

inline constexpr int kDipSwitchCount = 10;
// Where the lever picture of switch n (1-10) goes inside the switch block.
inline constexpr int kLeverTop = 7;
constexpr int LeverLeft(int n) { return 39 + 31 * (n - 1); }

}  // namespace tamsel
