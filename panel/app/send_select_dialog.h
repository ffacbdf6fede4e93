// "プリンタへ送信": the small dialog in which the user chooses what the send
// command sends. The main window keeps one object for its life and runs it
// with DoModal for each send.
#pragma once

#include <windows.h>

#include <cstdint>

#include "winui/dialog.h"

namespace tamsel {

class SendSelectDialog : public winui::ModalDialog {
public:
    explicit SendSelectDialog(HINSTANCE instance);

    // Starts every run with "パラメータ設定値" chosen. Returns the choice: 0
    // parameters, 1 fine adjustment, 2 IP address, 3 everything; -1 when
    // cancelled (ｷｬﾝｾﾙ, Escape, the close box) or when the dialog could not
    // be shown.
    int DoModal(HWND owner);

    // The position of the chosen radio button in template order (the two
    // hidden buttons count as 4 and 5); -1 for none or cancelled.
    std::int32_t selection = -1;

protected:
    void Exchange(winui::Ddx& ddx) override;
    // A click on any choice but "一括送信" first sends the dialog the data
    // check command, which the dialog layer passes on to the owner.
    bool OnCommand(int id, int code, HWND control) override;
    void OnCancel() override;
};

}  // namespace tamsel
