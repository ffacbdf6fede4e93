// Data exchange between a dialog's controls and its members, declared once per
// dialog in Exchange(Ddx&) and run in either direction by UpdateData.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <string>

namespace winui {

class Dialog;

class Ddx {
public:
    Ddx(Dialog& dialog, bool save) : dialog(dialog), save(save) {}

    // True: controls to members; false: members to controls.
    bool Saving() const { return save; }
    // True once an exchange was refused; later exchanges of the same run do
    // nothing.
    bool Failed() const { return failed; }
    // Refuses the exchange: the focus moves to the control and UpdateData
    // returns false. The caller shows its message.
    void Fail(int id);

    // A radio group. It starts at the button `firstId` (which bears WS_GROUP)
    // and runs through the following sibling windows, in template order, up
    // to the next window with WS_GROUP (or the last window). Every window
    // among them that answers WM_GETDLGCODE with DLGC_RADIOBUTTON is counted,
    // hidden and disabled ones too, 0, 1, 2, ... `value` is the number of the
    // checked button, -1 for none. Loading a value outside 0..n-1 clears the
    // whole group. A missing first button fails the exchange.
    void Radio(int firstId, int& value);

    // The window text.
    void Text(int id, std::wstring& value);
    void Text(int id, std::string& utf8);

    // The selected item of a list box, combo box or list view, -1 for none.
    // Loading -1 or an index outside the list clears the selection. Any other
    // kind of control fails the exchange.
    void ListSelection(int id, int& index);

    // An IP address control. Octet 0 is the first dotted number. A blank field
    // saves as 0.
    void IpAddress(int id, std::array<std::uint8_t, 4>& octets);

private:
    HWND Control(int id);

    Dialog& dialog;
    bool save;
    bool failed = false;
};

}  // namespace winui
