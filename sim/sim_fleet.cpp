#include "sim/sim_fleet.h"

#include <stdexcept>
#include <string>

namespace printersim {
namespace {

// A free run found from an ephemeral first port may be cut by a port in use
// further on; another first port is tried this many times.
constexpr int kFreeRunAttempts = 20;

std::vector<std::unique_ptr<SimPrinter>> StartRun(std::uint16_t firstPort, int count, const PrinterSettings& initial) {
    std::vector<std::unique_ptr<SimPrinter>> printers;
    printers.push_back(std::make_unique<SimPrinter>(firstPort, initial));
    const int base = printers.front()->Port();
    if (base + count - 1 > 65535) throw std::runtime_error("no room for " + std::to_string(count) + " ports");
    for (int i = 1; i < count; ++i) {
        printers.push_back(std::make_unique<SimPrinter>(static_cast<std::uint16_t>(base + i), initial));
    }
    return printers;
}

}  // namespace

std::vector<std::unique_ptr<SimPrinter>> StartPrinters(std::uint16_t firstPort, int count,
                                                       const PrinterSettings& initial) {
    if (count < 1) throw std::runtime_error("a fleet needs at least one printer");
    if (firstPort != 0) return StartRun(firstPort, count, initial);
    for (int attempt = 1;; ++attempt) {
        try {
            return StartRun(0, count, initial);
        } catch (const std::runtime_error&) {
            if (attempt == kFreeRunAttempts) {
                throw std::runtime_error("found no " + std::to_string(count) + " free consecutive ports on 127.0.0.1");
            }
        }
    }
}

}  // namespace printersim
