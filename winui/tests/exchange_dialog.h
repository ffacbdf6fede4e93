// Test support: dialog 100 with one binding of every kind.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "scripted_dialog.h"
#include "test_templates_ids.h"
#include "winui/ddx.h"

namespace winui::testing {

class ExchangeDialog : public ScriptedDialog {
public:
    using ScriptedDialog::ScriptedDialog;
    explicit ExchangeDialog(std::vector<Step> steps) : ScriptedDialog(IDD_EXCHANGE, std::move(steps)) {}

    int first = -1;   // A, hidden B, C
    int second = -1;  // D, E
    int last = -1;    // F, G: the group that the end of the dialog ends
    std::wstring text;
    int list = -1;
    int combo = -1;
    int listView = -1;
    std::array<std::uint8_t, 4> address = {};
    bool refuseEmptyText = false;
    int missingRadioId = 0;  // when not 0, a radio exchange of a control that does not exist

protected:
    void Exchange(Ddx& ddx) override {
        ddx.Radio(IDC_A, first);
        ddx.Radio(IDC_D, second);
        ddx.Radio(IDC_F, last);
        ddx.Text(IDC_EDIT, text);
        if (ddx.Saving() && refuseEmptyText && text.empty()) ddx.Fail(IDC_EDIT);
        ddx.ListSelection(IDC_LIST, list);
        ddx.ListSelection(IDC_COMBO, combo);
        ddx.ListSelection(IDC_LISTVIEW, listView);
        ddx.IpAddress(IDC_IP, address);
        if (missingRadioId != 0) {
            int unused = 0;
            ddx.Radio(missingRadioId, unused);
        }
    }
};

}  // namespace winui::testing
