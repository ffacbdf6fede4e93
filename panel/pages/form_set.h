// The fine-adjust page (template 205): the eight ADJUST values, two density
// corrections as plain steps and six positions as a direction in a list plus
// a magnitude in millimetres, each with a spin button. A range guard corrects
// every edit field while it is typed.
#pragma once

#include <array>
#include <string>

#include "panel/pages/fine_adjust_rules.h"
#include "panel/pages/settings_page.h"
#include "panel/res/pages_set_ip_ids.h"

namespace tamsel {

class CForm_Set : public SettingsPage {
public:
    static constexpr int kTemplateId = IDD_FORM_SET;

    // The texts start empty.
    CForm_Set() = default;

    // Sets the texts, directions and spin positions from ADJUST[0..7].
    void LoadFromRecord(const SettingsRecord& record) override;
    // Takes ADJUST[0..7] back from the fields; nothing else in the record changes.
    void SaveToRecord(SettingsRecord& record) override;

protected:
    // Fills the direction lists, shows the texts and sets the spin ranges.
    bool OnInitDialog() override;
    // A text change of any of the eight edit fields runs the range guard.
    bool OnCommand(int id, int code, HWND control) override;
    // A position spin writes its position in tenths into its edit field.
    bool OnMessage(UINT msg, WPARAM wParam, LPARAM lParam, INT_PTR& result) override;
    void Exchange(winui::Ddx& ddx) override;

private:
    // The list exchange by text: towards the control the item that begins
    // with the text is selected; towards the member the selected item's text,
    // empty when nothing is selected.
    void ExchangeListText(winui::Ddx& ddx, int id, std::string& text);

    // The edit texts and the selected direction texts, in ADJUST order
    // (the two density rows have no direction).
    FineAdjustTexts texts;
};

}  // namespace tamsel
