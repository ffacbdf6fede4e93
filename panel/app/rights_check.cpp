#include "panel/app/rights_check.h"

namespace tamsel {

bool RightsCheckApplies(bool ntPlatform, unsigned long majorVersion) { return ntPlatform && majorVersion == 6; }

bool IsGuestSidText(std::string_view sidText) {
    const auto dash = sidText.rfind('-');
    if (dash == std::string_view::npos) return false;
    const std::string_view last = sidText.substr(dash + 1);
    return last == "501" || last == "546";
}

}  // namespace tamsel
