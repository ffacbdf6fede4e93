// The IP address page (template 206): the printer's own network settings,
// the ADDRESS block. The socket port is checked only when the main window
// asks for it through portCheck.
#pragma once

#include <cstdint>
#include <string>

#include "panel/pages/ip_page_rules.h"
#include "panel/pages/settings_page.h"
#include "panel/res/pages_set_ip_ids.h"

namespace tamsel {

class CForm_IP : public SettingsPage {
public:
    static constexpr int kTemplateId = IDD_FORM_IP;

    // portText empty, dhcpBootp and rarp -1 (no button).
    CForm_IP() = default;

    // 0 = no check; 1 = the caller asks SaveToRecord to check the port;
    // 2 = the check failed (the message was shown). The caller resets it to
    // 0 after every save that asked for the check.
    std::int32_t portCheck = kPortCheckOff;

    // Shows ADDRESS[0..5].
    void LoadFromRecord(const SettingsRecord& record) override;
    // Takes ADDRESS[0..4] back, and ADDRESS[5] unless the requested port
    // check fails (then portCheck becomes 2 after the message).
    void SaveToRecord(SettingsRecord& record) override;

    // Where the out-of-range message goes; nullptr (the default) shows it in
    // a message box owned by the page. The notice must outlive the page.
    void SetPortRangeNotice(PortRangeNotice* notice) { portNotice = notice; }

protected:
    void Exchange(winui::Ddx& ddx) override;

private:
    // The message box: caption "ソルベナ", information icon, OK.
    class MessageBoxNotice : public PortRangeNotice {
    public:
        explicit MessageBoxNotice(const CForm_IP& page) : page(page) {}
        void ShowOutOfRange(std::string_view message) override;

    private:
        const CForm_IP& page;
    };

    IpPageValues values;  // radio positions, the three addresses, portText
    MessageBoxNotice messageBox{*this};
    PortRangeNotice* portNotice = nullptr;
};

}  // namespace tamsel
