// Many printers at once: the printer list of 'kestrion fleet' and the runner
// that works through it, network printers several at a time, spooler
// printers one at a time. Portable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace kestrion_cli {

inline constexpr int kDefaultFleetJobs = 8;
inline constexpr int kMaxFleetJobs = 64;

// One printer of a printer list.
struct FleetPrinter {
    std::string label;         // how the report names it: "192.168.0.5:12000", "printer NAME"
    bool network = true;       // TCP; else a Windows printer through the spooler
    std::int32_t address = 0;  // network: the four octets, packed as the ADDRESS block holds them
    std::uint32_t port = 0;    // network: the TCP port
    std::string name;          // spooler: the printer name (UTF-8)
    bool local = false;        // spooler: on a local port, so nothing can be read back
};

// A printer list: one printer per line,
//   A.B.C.D[:PORT]   a network printer (port 12000 unless given)
//   printer NAME     a Windows printer, through the spooler
//   local NAME       a Windows printer on a local port (not read back)
// Blank lines and lines starting with # are skipped; surrounding white space
// is ignored. A printer listed twice is refused, as is an empty list. On
// failure returns nullopt and `error` says which line and why.
std::optional<std::vector<FleetPrinter>> ParsePrinterList(const std::string& text, std::string& error);

// Runs `work(i)` once for every printer i: the network printers on at most
// `jobs` threads at a time, the spooler printers one after another on a
// thread of their own (the two kinds side by side). `work` returns whether
// printer i succeeded; it must only touch what belongs to printer i.
// `progress(done, failed)` is called after each printer, one call at a time.
// Returns when every printer is done.
void RunFleet(const std::vector<FleetPrinter>& printers, int jobs, const std::function<bool(std::size_t)>& work,
              const std::function<void(std::size_t done, std::size_t failed)>& progress);

}  // namespace kestrion_cli
