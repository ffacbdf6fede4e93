// Several simulated printers on consecutive ports of 127.0.0.1, each with its
// own settings, faults and connection thread: a fleet for the tool's
// many-printer commands, its tests and its benchmark.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "sim/sim_printer.h"

namespace printersim {

// `count` printers on firstPort, firstPort + 1, ..., each starting from
// `initial`. firstPort 0 takes any free run of `count` ports. Throws
// std::runtime_error when the ports cannot be had.
std::vector<std::unique_ptr<SimPrinter>> StartPrinters(std::uint16_t firstPort, int count,
                                                       const PrinterSettings& initial = FactorySettings());

}  // namespace printersim
