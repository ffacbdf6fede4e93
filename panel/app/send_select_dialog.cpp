#include "panel/app/send_select_dialog.h"

#include "panel/res/resource.h"
#include "panel/res/send_select_ids.h"
#include "winui/ddx.h"

namespace tamsel {

SendSelectDialog::SendSelectDialog(HINSTANCE instance) : winui::ModalDialog(instance, IDD_SEND_SELECT) {}

int SendSelectDialog::DoModal(HWND owner) {
    // Set before the dialog's initialisation hands it to the buttons, so
    // that the previous run's choice is never remembered.
    selection = 0;
    const INT_PTR result = Run(owner);
    // A run that ended with 0, or a dialog that could not be created (-1),
    // sends nothing.
    if (result == 0 || result == -1) return -1;
    return selection;
}

void SendSelectDialog::Exchange(winui::Ddx& ddx) { ddx.Radio(IDC_SEND_PARAM, selection); }

bool SendSelectDialog::OnCommand(int id, int, HWND) {
    switch (id) {
    case IDC_SEND_ADJUST:
    case IDC_SEND_PARAM:
    case IDC_SEND_RFID:
    case IDC_SEND_EVERY_SETTING:
    case IDC_SEND_ADDRESS:
        SendMessageW(Window(), WM_COMMAND, MAKEWPARAM(ID_DATA_CHECK, 0), 0);
        break;
    default:
        break;
    }
    // Then the normal processing: the buttons check themselves.
    return false;
}

void SendSelectDialog::OnCancel() {
    selection = -1;
    winui::ModalDialog::OnCancel();
}

}  // namespace tamsel
