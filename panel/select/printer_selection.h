// Choosing the printer the panel program works with: which installed
// printers are offered, which row is preselected, and what confirming a row
// decides from the printer's port. The dialog window supplies the list and
// the network address dialog through SelectionView.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "panel/select/net_address.h"
#include "panel/select/port_kind.h"
#include "panel/select/select_seams.h"

namespace tamsel {

// The printer drivers of the two supported models. A driver name that
// contains one of them (exactly, in this letter case) is accepted.
inline constexpr std::string_view kAcceptedDrivers[] = {
    "KVT Vantorelli 7K4R2B-55",
    "KVT Vantorelli 7K4R5B",
};

// Level-4 attributes of a printer connection on a print server.
inline constexpr std::uint32_t kPrinterAttributeNetwork = 0x10;
// Level-2 status bit that hides a printer off the NT family.
inline constexpr std::uint32_t kPrinterStatusUserIntervention = 0x00100000;
// The file port, whose printers cannot exchange settings.
inline constexpr std::string_view kFilePort = "FILE:";
// The print-server port description is recognised by its beginning.
inline constexpr std::string_view kPrintServerPortPrefix = "KVT Print Server Port";

// The dialog's messages, shown as they are.
inline constexpr char kNoPrinterText[] =
    "使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください。\n\n"
    "ソルベナを終了します。";
inline constexpr char kNoRowSelectedText[] = "プリンタが選択されていません。\nプリンタを選択してください。";
inline constexpr char kPortRefusedText[] = "指定されたプリンタポートは、対象外です。\n別のプリンタを選択してください。";
inline constexpr char kFileOnlyPrinterText[] =
    "接続先がFILEのため設定値を送受信できません。\nプリンタ設定を確認してやり直してください。\n\n"
    "ソルベナを終了します。";
inline constexpr char kFileAmongOthersText[] =
    "接続先がFILEのため設定値を送受信できません。\nプリンタ設定を変更するか、他のプリンタに変更してください。";

// Exit code of the process when no printer can be used.
inline constexpr int kNoUsablePrinterExitCode = 1;

// One row of the list: column 0 and column 1.
struct PrinterRow {
    std::string printerName;
    std::string destination;  // port name, or the print server's name for a connection
};

// The selection's state and results, kept by the dialog object from one run
// to the next (the current printer is preselected from them).
struct PrinterSelection {
    // Valid only for PortKind::Network, copied from the address dialog.
    std::array<std::uint8_t, 4> ipAddress{};
    NetAddress::PortText portText{};
    PortKind portKind = PortKind::Usb;
    // 0 for the selection at start-up, 1 for every later one (set by the caller).
    std::int32_t reselect = 0;
    // Number of printers offered in the last run.
    std::int32_t printerCount = 0;
    // In: the current printer (preselected). Out: the chosen row's column 0.
    std::string printerName;
    // In: the current printer's connection text. Out: the chosen row's column 1.
    std::string destination;
};

// Whether a driver name belongs to a supported model.
bool IsAcceptedDriver(std::string_view driverName);

// The printers to offer, in the order the spooler gives them. On the NT
// family each local printer or connection is looked up at level 2 on its
// server, must have an accepted driver and must open for use; elsewhere the
// local printers with an accepted driver that need no user intervention.
std::vector<PrinterRow> CollectPrinters(PrinterEnumeration& spooler);

// The description of the port named `destination`: the first port of that
// name gives it. A destination beginning with a blank is looked for only up to
// the first port of another name. Empty when no port matches.
std::string FindPortDescription(const std::vector<PortDetail>& ports, std::string_view destination);

// How a port with this description is reached; nothing when it is not a
// supported kind (the refusal).
std::optional<PortKind> ClassifyPort(std::string_view description);

// The row to preselect: the last row whose printer name equals
// `printerName` when it is not empty, else row 0.
int RowToPreselect(const std::vector<std::string>& rowNames, std::string_view printerName);

// The dialog window as the selection sees it. The list sorts its rows itself.
class SelectionView {
public:
    virtual ~SelectionView() = default;
    virtual void ClearRows() = 0;
    virtual void AddRow(const PrinterRow& row) = 0;
    virtual int RowCount() = 0;
    virtual std::string RowText(int row, int column) = 0;
    // -1 when no row is selected.
    virtual int SelectedRow() = 0;
    // Selects and focuses the row.
    virtual void SelectRow(int row) = 0;
    virtual void FocusList() = 0;
    // Runs a fresh address dialog modally; the address on OK, nothing on cancel.
    virtual std::optional<NetAddress> AskNetworkAddress() = 0;
};

enum class SelectionStep {
    StayOpen,      // the dialog waits for the user
    Confirmed,     // end the dialog with IDOK
    ProcessEnded,  // the process was told to end
};

// The printer selection dialog's decisions.
class PrinterSelectionFlow {
public:
    PrinterSelectionFlow(PrinterSelection& state, SelectionView& view, PrinterEnumeration& spooler,
                         Notices& notices, ProcessExit& exit)
        : state(state), view(view), spooler(spooler), notices(notices), exit(exit) {}

    // Fills the list, preselects a row and, at start-up with a single
    // printer, confirms it at once.
    SelectionStep Initialise();
    // OK or Enter.
    SelectionStep Confirm();
    // A double-click in the list: confirms only when a row is selected.
    SelectionStep DoubleClick();

private:
    SelectionStep NoRowSelected();

    PrinterSelection& state;
    SelectionView& view;
    PrinterEnumeration& spooler;
    Notices& notices;
    ProcessExit& exit;
};

}  // namespace tamsel
