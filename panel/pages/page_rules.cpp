#include "panel/pages/page_rules.h"

namespace tamsel {

bool ReturnTimeEnabled(std::int32_t autoCutFeed) { return autoCutFeed == 0; }

Lever LeverFor(std::int32_t state) {
    if (state == 0) return Lever::Down;
    if (state == 1) return Lever::Up;
    return Lever::Empty;
}

}  // namespace tamsel
