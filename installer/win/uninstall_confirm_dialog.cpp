#include "installer/win/uninstall_confirm_dialog.h"

#include "installer/core/messages.h"
#include "installer/core/setup_rules.h"
#include "installer/res/veldra_ids.h"
#include "winui/text.h"

namespace veldra::win {

UninstallConfirmDialog::UninstallConfirmDialog(HINSTANCE instance, std::string titleName)
    : ModalDialog(instance, IDD_UNINSTALL_CONFIRM), titleName(std::move(titleName)) {}

bool UninstallConfirmDialog::OnInitDialog() {
    HICON icon = LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_VELDRA));
    SendMessageW(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    SetWindowTextW(Window(), winui::Widen(Fill(text::kConfirmTitle, titleName)).c_str());
    SetText(IDC_CONFIRM_TEXT1, winui::Widen(Fill(text::kConfirmText1, titleName)));
    SetText(IDC_CONFIRM_TEXT2, winui::Widen(Fill(text::kConfirmText2, titleName)));
    FocusItem(IDNO);
    return false;
}

bool UninstallConfirmDialog::OnCommand(int id, int code, HWND) {
    if (code != BN_CLICKED || (id != IDYES && id != IDNO)) return false;
    End(id);
    return true;
}

}  // namespace veldra::win
