// printer-sim's command line and control lines: one table of options, each
// with its value, its help text and what it sets, so that parsing and the
// usage text come from the same place.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "sim/printer_model.h"
#include "sim/sim_printer.h"

namespace printersim {

inline constexpr std::uint16_t kSimDefaultPort = 12000;
inline constexpr int kMaxSimPrinters = 256;

// A malformed option value or control line; the text says which.
struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A fault for one printer of the fleet (its index, counted from 0, which is
// also its distance from the first port), or for every printer.
struct PrinterFault {
    std::optional<int> printer;
    FaultPlan fault;
};

struct SimOptions {
    std::uint16_t port = kSimDefaultPort;  // the first printer's port
    int count = 1;                         // printers on consecutive ports
    PrinterSettings settings = FactorySettings();
    std::vector<PrinterFault> faults;
    bool followSocketPort = false;
    std::optional<std::uint16_t> controlPort;
    bool help = false;
};

// Parses the arguments (without the program name). Throws BadInput.
SimOptions ParseSimOptions(const std::vector<std::string>& args);

// The usage text, made from the option table.
std::string SimUsage();

// "KIND[,n=N][,pause=MS][,split=K][,offset=K][,lfnul][,bytes=HEX]". Throws BadInput.
FaultPlan ParseFault(const std::string& text);

// "[I:]KIND[,...]": a fault for printer I of `count`, or for all of them.
// Throws BadInput.
PrinterFault ParsePrinterFault(const std::string& text, int count);

// A number in [low, high] (decimal, or 0x hex). Throws BadInput naming `what`.
long ParseNumber(const std::string& text, long low, long high, const char* what);

}  // namespace printersim
