// The start-up check that refuses guest accounts.
#pragma once

#include <string_view>

namespace tamsel {

// The check is made only on the Windows NT family with major version 6.
bool RightsCheckApplies(bool ntPlatform, unsigned long majorVersion);

// True when the account's security identifier, in its text form
// ("S-1-5-21-...-501"), names a guest: its last sub-authority is exactly 501
// (the built-in guest account) or 546 (the guests group). An identifier that
// merely contains "-501" somewhere, such as relative identifier 5012, is not
// a guest.
bool IsGuestSidText(std::string_view sidText);

}  // namespace tamsel
