// "プリンタの選択": the modal dialog in which the user chooses the printer
// the panel program works with.
//
// The main window keeps one object for the program's life:
//   dialog.reselect = 0 at start-up, 1 afterwards;
//   dialog.printerName / dialog.destination = the current printer (preselected);
//   dialog.Run(owner) == IDOK: take printerName, destination, portKind and,
//   for PortKind::Network, ipAddress and portText; printerCount is the number
//   of printers offered. IDCANCEL: no choice (printerName and destination may
//   have been emptied). With no usable printer, or a lone "FILE:" printer
//   confirmed, the process ends with exit code 1 and Run never returns.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "panel/select/printer_selection.h"
#include "panel/select/win_select_seams.h"
#include "winui/dialog.h"

namespace tamsel {

// Stand-ins for the real system; a null member is the real one.
struct SelectSeams {
    PrinterEnumeration* spooler = nullptr;
    Notices* notices = nullptr;
    ProcessExit* exit = nullptr;
    FileStore* files = nullptr;  // for the address dialog's "SetIP"
};

// Run's result when the exit seam returned instead of ending the process
// (only with a stand-in exit).
inline constexpr INT_PTR kSelectProcessEnded = IDABORT;

class PrinterSelectDialog : public winui::ModalDialog, public PrinterSelection, private SelectionView {
public:
    explicit PrinterSelectDialog(HINSTANCE instance, const SelectSeams& seams = {});

protected:
    bool OnInitDialog() override;
    void OnOK() override;
    bool OnNotify(int id, NMHDR* header, LRESULT& result) override;

private:
    // The list as the selection sees it.
    void ClearRows() override;
    void AddRow(const PrinterRow& row) override;
    int RowCount() override;
    std::string RowText(int row, int column) override;
    int SelectedRow() override;
    void SelectRow(int row) override;
    void FocusList() override;
    std::optional<NetAddress> AskNetworkAddress() override;

    HWND List() const;
    void Apply(SelectionStep step);
    PrinterSelectionFlow Flow();

    HINSTANCE instance;
    WinPrinterEnumeration ownSpooler;
    WinNotices ownNotices;
    WinProcessExit ownExit;
    PrinterEnumeration& spooler;
    Notices& notices;
    ProcessExit& exit;
    FileStore* files;
    Notices* noticesStandIn;
};

}  // namespace tamsel
