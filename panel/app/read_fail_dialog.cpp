#include "panel/app/read_fail_dialog.h"

#include "panel/res/resource.h"

namespace tamsel {

ReadFailDialog::ReadFailDialog() : winui::ModalDialog(GetModuleHandleW(nullptr), IDD_READ_FAIL) {}

void ReadFailDialog::OnOK() {
    exitRequested = 0;
    End(IDOK);
}

void ReadFailDialog::OnCancel() { End(IDCANCEL); }

bool ReadFailDialog::OnCommand(int id, int code, HWND) {
    if (id != IDC_READ_FAIL_EXIT || code != BN_CLICKED) return false;
    exitRequested = 1;
    End(IDOK);
    return true;
}

}  // namespace tamsel
