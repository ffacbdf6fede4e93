// UninstallConfirmDialog (130): asks before anything is removed; いいえ is
// the default button.
#pragma once

#include <string>

#include "winui/dialog.h"

namespace veldra::win {

class UninstallConfirmDialog : public winui::ModalDialog {
public:
    UninstallConfirmDialog(HINSTANCE instance, std::string titleName);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    // Escape and the close box refuse.
    void OnCancel() override { End(IDNO); }
    void OnOK() override {}

private:
    std::string titleName;
};

}  // namespace veldra::win
