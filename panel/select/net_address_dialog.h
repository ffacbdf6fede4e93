// "IPアドレス設定": asks a network printer's IP address and socket port,
// proposes the values accepted last time and remembers accepted values in the
// file "SetIP" of the current directory.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

#include "panel/select/net_address.h"
#include "panel/select/win_select_seams.h"
#include "winui/dialog.h"

namespace tamsel {

// Run(owner) gives IDOK with `portText` and `ipAddress` (the members of
// NetAddress) set and saved, or IDCANCEL with nothing saved.
class NetAddressDialog : public winui::ModalDialog, public NetAddress {
public:
    // Null seams are the real file system and real message boxes.
    explicit NetAddressDialog(HINSTANCE instance, FileStore* files = nullptr, Notices* notices = nullptr);

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    void Exchange(winui::Ddx& ddx) override;

private:
    StdioFileStore ownFiles;
    WinNotices ownNotices;
    FileStore& files;
    Notices& notices;
    // What the controls show: the four fields, and the port field's text.
    std::array<std::uint8_t, 4> fields{};
    std::string portField;
};

}  // namespace tamsel
