#include "panel/select/printer_select_dialog.h"

#include <commctrl.h>

#include <vector>

#include "panel/res/select_ids.h"
#include "panel/select/net_address_dialog.h"
#include "winui/text.h"

namespace tamsel {

namespace {

struct Column {
    const wchar_t* header;
    int width;  // pixels
};
constexpr Column kColumns[] = {{L"プリンタ名", 200}, {L"接続先", 90}};

}  // namespace

PrinterSelectDialog::PrinterSelectDialog(HINSTANCE instance, const SelectSeams& seams)
    : ModalDialog(instance, IDD_PRINTER_SELECT),
      instance(instance),
      spooler(seams.spooler ? *seams.spooler : ownSpooler),
      notices(seams.notices ? *seams.notices : ownNotices),
      exit(seams.exit ? *seams.exit : ownExit),
      files(seams.files),
      noticesStandIn(seams.notices) {}

HWND PrinterSelectDialog::List() const { return Item(IDC_PRINTER_LIST); }

PrinterSelectionFlow PrinterSelectDialog::Flow() {
    return PrinterSelectionFlow(*this, *this, spooler, notices, exit);
}

bool PrinterSelectDialog::OnInitDialog() {
    ownNotices.SetOwner(Window());
    HWND list = List();
    ListView_SetExtendedListViewStyleEx(list, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    for (int i = 0; i < static_cast<int>(std::size(kColumns)); ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = kColumns[i].width;
        column.pszText = const_cast<wchar_t*>(kColumns[i].header);
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, i, reinterpret_cast<LPARAM>(&column));
    }
    // Fills, preselects and, at start-up with one printer, confirms at once:
    // a confirmation that ends the dialog here keeps it from ever showing.
    Apply(Flow().Initialise());
    return true;
}

void PrinterSelectDialog::OnOK() { Apply(Flow().Confirm()); }

bool PrinterSelectDialog::OnNotify(int id, NMHDR* header, LRESULT& result) {
    if (id != IDC_PRINTER_LIST || header->code != NM_DBLCLK) return false;
    Apply(Flow().DoubleClick());
    result = 0;
    return true;
}

void PrinterSelectDialog::Apply(SelectionStep step) {
    switch (step) {
    case SelectionStep::StayOpen:
        return;
    case SelectionStep::Confirmed:
        End(IDOK);
        return;
    case SelectionStep::ProcessEnded:
        End(kSelectProcessEnded);
        return;
    }
}

void PrinterSelectDialog::ClearRows() { SendMessageW(List(), LVM_DELETEALLITEMS, 0, 0); }

void PrinterSelectDialog::AddRow(const PrinterRow& row) {
    HWND list = List();
    std::wstring name = winui::Widen(row.printerName);
    std::wstring destination = winui::Widen(row.destination);
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = RowCount();
    item.pszText = name.data();
    // The list sorts its rows itself; the insertion tells where this one went.
    const int at = static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (at < 0) return;
    LVITEMW sub{};
    sub.iSubItem = 1;
    sub.pszText = destination.data();
    SendMessageW(list, LVM_SETITEMTEXTW, at, reinterpret_cast<LPARAM>(&sub));
}

int PrinterSelectDialog::RowCount() { return static_cast<int>(SendMessageW(List(), LVM_GETITEMCOUNT, 0, 0)); }

std::string PrinterSelectDialog::RowText(int row, int column) {
    // Read whole however long the text: the buffer grows until it holds it.
    std::vector<wchar_t> buffer(256);
    for (;;) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(buffer.size());
        const auto length =
            static_cast<std::size_t>(SendMessageW(List(), LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (length + 1 < buffer.size() || buffer.size() >= 32768) return winui::Narrow(std::wstring_view(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

int PrinterSelectDialog::SelectedRow() {
    return static_cast<int>(SendMessageW(List(), LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

void PrinterSelectDialog::SelectRow(int row) {
    LVITEMW item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(List(), LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
    SendMessageW(List(), LVM_ENSUREVISIBLE, row, FALSE);
}

void PrinterSelectDialog::FocusList() { FocusItem(IDC_PRINTER_LIST); }

std::optional<NetAddress> PrinterSelectDialog::AskNetworkAddress() {
    // A fresh dialog for this confirmation only.
    NetAddressDialog dialog(instance, files, noticesStandIn);
    if (dialog.Run(Window()) != IDOK) return std::nullopt;
    return static_cast<const NetAddress&>(dialog);
}

}  // namespace tamsel
