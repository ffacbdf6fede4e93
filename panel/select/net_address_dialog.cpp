#include "panel/select/net_address_dialog.h"

#include "panel/res/select_ids.h"
#include "winui/ddx.h"

namespace tamsel {

NetAddressDialog::NetAddressDialog(HINSTANCE instance, FileStore* files, Notices* notices)
    : ModalDialog(instance, IDD_NET_ADDRESS),
      files(files ? *files : ownFiles),
      notices(notices ? *notices : ownNotices) {}

void NetAddressDialog::Exchange(winui::Ddx& ddx) {
    ddx.IpAddress(IDC_NET_IP_ADDRESS, fields);
    ddx.Text(IDC_NET_PORT, portField);
}

bool NetAddressDialog::OnInitDialog() {
    ownNotices.SetOwner(Window());
    // The missing-file message comes before the dialog is shown.
    static_cast<NetAddress&>(*this) = InitialAddress(files, notices);
    fields = ipAddress;
    portField = portText.data();
    UpdateData(false);
    return true;
}

void NetAddressDialog::OnOK() {
    if (!UpdateData(true)) return;
    NetAddress entered;
    const AddressConfirm result = ConfirmAddress(fields, portField, files, notices, entered);
    static_cast<NetAddress&>(*this) = entered;
    if (result == AddressConfirm::PortOutOfRange) {
        FocusItem(IDC_NET_PORT);
        return;
    }
    End(IDOK);
}

}  // namespace tamsel
