// The base of the main window's five setting pages: a child page created from
// its template inside the main window, exchanging its values with the current
// record only through LoadFromRecord and SaveToRecord.
#pragma once

#include "core/settings_record.h"
#include "winui/dialog.h"

namespace tamsel {

class SettingsPage : public winui::ChildPage {
public:
    ~SettingsPage() override;

    // Shows the record's values (record to members to controls). Called only
    // while the page window exists.
    virtual void LoadFromRecord(const SettingsRecord& record) = 0;
    // Copies the controls' values into the record's elements that the page
    // owns (controls to members to record); every other byte stays as it was.
    virtual void SaveToRecord(SettingsRecord& record) = 0;
};

}  // namespace tamsel
