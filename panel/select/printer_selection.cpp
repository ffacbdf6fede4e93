#include "panel/select/printer_selection.h"

namespace tamsel {

bool IsAcceptedDriver(std::string_view driverName) {
    for (const std::string_view accepted : kAcceptedDrivers) {
        if (driverName.find(accepted) != std::string_view::npos) return true;
    }
    return false;
}

std::vector<PrinterRow> CollectPrinters(PrinterEnumeration& spooler) {
    std::vector<PrinterRow> rows;
    if (!spooler.IsNtPlatform()) {
        for (const PrinterDetail& printer : spooler.LocalPrinters()) {
            if (!IsAcceptedDriver(printer.driverName)) continue;
            if (printer.status & kPrinterStatusUserIntervention) continue;
            rows.push_back({printer.printerName, printer.portName});
        }
        return rows;
    }
    for (const PrinterBrief& brief : spooler.LocalAndConnections()) {
        // The printer's details come from its own server (the local machine
        // for a local printer); a printer of the same name with another
        // driver is passed over.
        const std::vector<PrinterDetail> details = spooler.PrintersOf(brief.serverName);
        const PrinterDetail* found = nullptr;
        for (const PrinterDetail& detail : details) {
            if (detail.printerName == brief.printerName && IsAcceptedDriver(detail.driverName)) {
                found = &detail;
                break;
            }
        }
        if (!found) continue;
        // A printer the user may not use is left out without a word.
        if (!spooler.OpensForUse(found->printerName)) continue;
        const bool connection = brief.attributes == kPrinterAttributeNetwork;
        rows.push_back({brief.printerName, connection ? found->serverName : found->portName});
    }
    return rows;
}

std::string FindPortDescription(const std::vector<PortDetail>& ports, std::string_view destination) {
    const bool leadingBlank = !destination.empty() && destination.front() == ' ';
    for (const PortDetail& port : ports) {
        if (port.portName == destination) return port.description;
        if (leadingBlank) break;
    }
    return {};
}

std::optional<PortKind> ClassifyPort(std::string_view description) {
    struct Rule {
        std::string_view text;
        bool prefix;
        PortKind kind;
    };
    static constexpr Rule kRules[] = {
        {"Standard TCP/IP Port", false, PortKind::Network},
        {kPrintServerPortPrefix, true, PortKind::Network},
        {"標準の TCP/IP ポート", false, PortKind::Network},
        {"Virtual printer port for USB", false, PortKind::Usb},
        {"USB の仮想プリンタ ポート", false, PortKind::Usb},
        {"USB の仮想プリンター ポート", false, PortKind::Usb},
        {"ローカル ポート", false, PortKind::Local},
    };
    for (const Rule& rule : kRules) {
        const bool match = rule.prefix ? description.starts_with(rule.text) : description == rule.text;
        if (match) return rule.kind;
    }
    return std::nullopt;
}

int RowToPreselect(const std::vector<std::string>& rowNames, std::string_view printerName) {
    if (printerName.empty()) return 0;
    for (std::size_t i = rowNames.size(); i-- > 0;) {
        if (rowNames[i] == printerName) return static_cast<int>(i);
    }
    return 0;
}

SelectionStep PrinterSelectionFlow::Initialise() {
    view.ClearRows();
    for (const PrinterRow& row : CollectPrinters(spooler)) view.AddRow(row);
    state.printerCount = view.RowCount();
    if (state.printerCount == 0) {
        notices.Show(kNoPrinterText, NoticeIcon::Exclamation);
        exit.Exit(kNoUsablePrinterExitCode);
        return SelectionStep::ProcessEnded;
    }
    std::vector<std::string> names;
    for (int row = 0; row < state.printerCount; ++row) names.push_back(view.RowText(row, 0));
    view.SelectRow(RowToPreselect(names, state.printerName));
    if (state.reselect == 0 && state.printerCount == 1) return Confirm();
    return SelectionStep::StayOpen;
}

SelectionStep PrinterSelectionFlow::NoRowSelected() {
    notices.Show(kNoRowSelectedText, NoticeIcon::Exclamation);
    return SelectionStep::StayOpen;
}

SelectionStep PrinterSelectionFlow::Confirm() {
    const int row = view.SelectedRow();
    if (row < 0) return NoRowSelected();
    state.printerName = view.RowText(row, 0);
    state.destination = view.RowText(row, 1);

    const std::optional<PortKind> kind = ClassifyPort(FindPortDescription(spooler.Ports(), state.destination));
    if (!kind) {
        notices.Show(kPortRefusedText, NoticeIcon::Exclamation);
        view.FocusList();
        return SelectionStep::StayOpen;
    }
    state.portKind = *kind;

    if (state.portKind == PortKind::Network) {
        const std::optional<NetAddress> address = view.AskNetworkAddress();
        if (!address) {
            // Back at the printer list, with no printer chosen.
            state.printerName.clear();
            state.destination.clear();
            view.FocusList();
            return SelectionStep::StayOpen;
        }
        state.ipAddress = address->ipAddress;
        state.portText = address->portText;
    }

    if (view.SelectedRow() < 0) return NoRowSelected();
    if (state.destination != kFilePort) return SelectionStep::Confirmed;

    if (view.RowCount() == 1) {
        notices.Show(kFileOnlyPrinterText, NoticeIcon::Exclamation);
        exit.Exit(kNoUsablePrinterExitCode);
        return SelectionStep::ProcessEnded;
    }
    notices.Show(kFileAmongOthersText, NoticeIcon::Information);
    return SelectionStep::StayOpen;
}

SelectionStep PrinterSelectionFlow::DoubleClick() {
    if (view.SelectedRow() < 0) return SelectionStep::StayOpen;
    return Confirm();
}

}  // namespace tamsel
