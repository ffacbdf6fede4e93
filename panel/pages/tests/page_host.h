// Test support: a page of the main window hosted in a tiny test dialog, the
// steps of a test run inside the dialog's own loop.
#pragma once

#include <windows.h>

#include <vector>

#include "panel/pages/settings_page.h"
#include "scripted_dialog.h"

namespace tamsel::testing {

inline constexpr int kHostTemplateId = 9000;

class PageHost : public winui::testing::ScriptedDialog {
public:
    PageHost(SettingsPage& page, int pageTemplateId, std::vector<Step> steps)
        : ScriptedDialog(kHostTemplateId, std::move(steps)), page(page), pageTemplateId(pageTemplateId) {}
    bool pageCreated = false;

protected:
    bool OnInitDialog() override {
        pageCreated = page.Create(winui::testing::ThisModule(), pageTemplateId, Window());
        return ScriptedDialog::OnInitDialog();
    }

private:
    SettingsPage& page;
    int pageTemplateId;
};

// A record whose every byte is recognisable, so that a page that writes an
// element it does not own shows.
inline SettingsRecord PatternRecord() {
    SettingsRecord record = SettingsRecord::Zero();
    for (std::size_t i = 0; i < sizeof record; ++i) record.Bytes()[i] = static_cast<std::uint8_t>(0xA0 + i % 31);
    return record;
}

}  // namespace tamsel::testing
