// InstallDialog (102): the destination, the browse button and the checks
// before the install; it also runs the uninstall switches.
#pragma once

#include <string>

#include "installer/core/setup_rules.h"
#include "winui/dialog.h"

namespace veldra::win {

class InstallDialog : public winui::ModalDialog {
public:
    explicit InstallDialog(HINSTANCE instance);

protected:
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    // OK checks the destination and installs.
    void OnOK() override;

private:
    void HandleCommandLine();
    // The "/M" stage: copy to the temporary folder and start the copy with "/U".
    // False when the uninstall entry could not be opened.
    bool MoveToTemporary();
    // The "/U" stage: confirm, then remove.
    void UninstallFromTemporary();
    void Browse();
    // True when the install ran; false on a stop (the dialog stays).
    bool CheckDestination();
    void EnableInputs(bool on);
    // Shows `text` with `flags`, the caption TITLE_NAME.
    int Show(const std::string& text, UINT flags);

    SetupValues values;
    bool setupValid = false;
    std::string defaultDestination;
};

}  // namespace veldra::win
