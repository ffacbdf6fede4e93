#include "panel/app/read_fail_dialog.h"

#include "panel/res/resource.h"

namespace tamsel {

INT_PTR ReadFailDialog::Run(HWND owner) {
    return DialogBoxParamW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_READ_FAIL), owner, Proc,
                           reinterpret_cast<LPARAM>(this));
}

void ReadFailDialog::OnOK(HWND hwnd) {
    exitRequested = 0;
    EndDialog(hwnd, IDOK);
}

void ReadFailDialog::OnCancel(HWND hwnd) { EndDialog(hwnd, IDCANCEL); }

INT_PTR CALLBACK ReadFailDialog::Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(hwnd, DWLP_USER, lParam);
        return TRUE;
    }
    auto* self = reinterpret_cast<ReadFailDialog*>(GetWindowLongPtrW(hwnd, DWLP_USER));
    if (self == nullptr || message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        self->OnOK(hwnd);
        return TRUE;
    case IDC_READ_FAIL_EXIT:
        self->exitRequested = 1;
        EndDialog(hwnd, IDOK);
        return TRUE;
    case IDCANCEL:
        self->OnCancel(hwnd);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace tamsel
