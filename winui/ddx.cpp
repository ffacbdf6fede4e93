#include "winui/ddx.h"

#include <commctrl.h>

#include <vector>

#include "winui/dialog.h"
#include "winui/text.h"

namespace winui {

namespace {

// The buttons of the radio group that starts at `first`, in template order
// (the order of the sibling windows).
std::vector<HWND> RadioGroup(HWND first) {
    std::vector<HWND> buttons;
    HWND window = first;
    do {
        if (SendMessageW(window, WM_GETDLGCODE, 0, 0) & DLGC_RADIOBUTTON) buttons.push_back(window);
        window = GetWindow(window, GW_HWNDNEXT);
    } while (window != nullptr && (GetWindowLongW(window, GWL_STYLE) & WS_GROUP) == 0);
    return buttons;
}

enum class ListKind { ListBox, ComboBox, ListView, Other };

ListKind KindOf(HWND control) {
    wchar_t name[64] = {};
    GetClassNameW(control, name, static_cast<int>(std::size(name)));
    const std::wstring_view kind(name);
    if (kind == L"ListBox") return ListKind::ListBox;
    if (kind == L"ComboBox") return ListKind::ComboBox;
    if (kind == WC_LISTVIEWW) return ListKind::ListView;
    return ListKind::Other;
}

}  // namespace

HWND Ddx::Control(int id) {
    if (failed) return nullptr;
    HWND control = dialog.Item(id);
    if (control == nullptr) failed = true;
    return control;
}

void Ddx::Fail(int id) {
    if (failed) return;
    failed = true;
    dialog.FocusItem(id);
}

void Ddx::Radio(int firstId, int& value) {
    HWND first = Control(firstId);
    if (first == nullptr) return;
    const std::vector<HWND> buttons = RadioGroup(first);
    if (save) {
        value = -1;
        for (std::size_t i = 0; i < buttons.size(); ++i) {
            if (SendMessageW(buttons[i], BM_GETCHECK, 0, 0) == BST_CHECKED) value = static_cast<int>(i);
        }
        return;
    }
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        const bool on = value >= 0 && static_cast<std::size_t>(value) == i;
        SendMessageW(buttons[i], BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
    }
}

void Ddx::Text(int id, std::wstring& value) {
    HWND control = Control(id);
    if (control == nullptr) return;
    if (save) {
        value = dialog.Text(id);
    } else {
        dialog.SetText(id, value);
    }
}

void Ddx::Text(int id, std::string& utf8) {
    std::wstring wide = save ? std::wstring() : Widen(utf8);
    Text(id, wide);
    if (save && !failed) utf8 = Narrow(wide);
}

void Ddx::ListSelection(int id, int& index) {
    HWND control = Control(id);
    if (control == nullptr) return;
    switch (KindOf(control)) {
    case ListKind::ListBox:
        if (save) {
            const LRESULT selected = SendMessageW(control, LB_GETCURSEL, 0, 0);
            index = selected == LB_ERR ? -1 : static_cast<int>(selected);
        } else {
            const LRESULT count = SendMessageW(control, LB_GETCOUNT, 0, 0);
            const int chosen = index >= 0 && index < count ? index : -1;
            SendMessageW(control, LB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
        }
        return;
    case ListKind::ComboBox:
        if (save) {
            const LRESULT selected = SendMessageW(control, CB_GETCURSEL, 0, 0);
            index = selected == CB_ERR ? -1 : static_cast<int>(selected);
        } else {
            const LRESULT count = SendMessageW(control, CB_GETCOUNT, 0, 0);
            const int chosen = index >= 0 && index < count ? index : -1;
            SendMessageW(control, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
        }
        return;
    case ListKind::ListView:
        if (save) {
            index = static_cast<int>(SendMessageW(control, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
        } else {
            LVITEMW item = {};
            item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
            item.state = 0;
            SendMessageW(control, LVM_SETITEMSTATE, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(&item));
            const LRESULT count = SendMessageW(control, LVM_GETITEMCOUNT, 0, 0);
            if (index >= 0 && index < count) {
                item.state = LVIS_SELECTED | LVIS_FOCUSED;
                SendMessageW(control, LVM_SETITEMSTATE, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
                SendMessageW(control, LVM_ENSUREVISIBLE, static_cast<WPARAM>(index), FALSE);
            }
        }
        return;
    case ListKind::Other:
        failed = true;
        return;
    }
}

void Ddx::IpAddress(int id, std::array<std::uint8_t, 4>& octets) {
    HWND control = Control(id);
    if (control == nullptr) return;
    if (save) {
        DWORD address = 0;
        SendMessageW(control, IPM_GETADDRESS, 0, reinterpret_cast<LPARAM>(&address));
        octets = {static_cast<std::uint8_t>(FIRST_IPADDRESS(address)),
                  static_cast<std::uint8_t>(SECOND_IPADDRESS(address)),
                  static_cast<std::uint8_t>(THIRD_IPADDRESS(address)),
                  static_cast<std::uint8_t>(FOURTH_IPADDRESS(address))};
    } else {
        SendMessageW(control, IPM_SETADDRESS, 0, MAKEIPADDRESS(octets[0], octets[1], octets[2], octets[3]));
    }
}

}  // namespace winui
