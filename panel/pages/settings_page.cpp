#include "panel/pages/settings_page.h"

namespace tamsel {

// Out of line, so that the page base's virtual table lives in one place.
SettingsPage::~SettingsPage() = default;

}  // namespace tamsel
