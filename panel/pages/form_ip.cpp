#include "panel/pages/form_ip.h"

#include "winui/ddx.h"
#include "winui/text.h"

namespace tamsel {
namespace {

constexpr wchar_t kMessageCaption[] = L"ソルベナ";

}  // namespace

void CForm_IP::MessageBoxNotice::ShowOutOfRange(std::string_view message) {
    MessageBoxW(page.Window(), winui::Widen(message).c_str(), kMessageCaption, MB_OK | MB_ICONINFORMATION);
}

void CForm_IP::Exchange(winui::Ddx& ddx) {
    ddx.IpAddress(IDC_IP_MASK, values.subnetMask);
    ddx.IpAddress(IDC_IP_ADDRESS, values.ipAddress);
    ddx.IpAddress(IDC_IP_GATEWAY, values.gateway);
    ddx.Text(IDC_IP_PORT, values.portText);
    ddx.Radio(IDC_IP_DHCP_ON, values.dhcpBootp);
    ddx.Radio(IDC_IP_RARP_ON, values.rarp);
}

void CForm_IP::LoadFromRecord(const SettingsRecord& record) {
    values = ShowAddressBlock(record);
    UpdateData(false);
}

void CForm_IP::SaveToRecord(SettingsRecord& record) {
    UpdateData(true);
    TakeAddressBlock(values, portCheck, portNotice != nullptr ? *portNotice : messageBox, record);
}

}  // namespace tamsel
