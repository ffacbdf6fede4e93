// The dialog shown when the settings could not be read: OK shows factory
// values, 再試行 tries again, 終了 ends the program.
#pragma once

#include <cstdint>

#include "winui/dialog.h"

namespace tamsel {

class ReadFailDialog : public winui::ModalDialog {
public:
    ReadFailDialog();

    // Run(owner) gives IDOK (OK or 終了, told apart by exitRequested) or
    // IDCANCEL (再試行, Escape, the close button).
    std::int32_t exitRequested = 0;

protected:
    void OnOK() override;
    void OnCancel() override;
    bool OnCommand(int id, int code, HWND control) override;
};

}  // namespace tamsel
