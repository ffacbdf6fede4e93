// Many printers at once: the target list of the commands that work on
// several printers, the settings-file names made from it, and the runner
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
inline constexpr std::uint32_t kTargetDefaultPort = 12000;

// One printer of a target list.
struct FleetPrinter {
    std::string target;        // as written: "192.168.0.5:12000", "printer:NAME", "local:NAME"
    std::string label;         // how reports and file names call it: the name given, else `target`
    std::string origin;        // where it was given: "line 3", "--ip"
    bool network = true;       // TCP; else a Windows printer through the spooler
    std::int32_t address = 0;  // network: the four octets, packed as the ADDRESS block holds them
    std::uint32_t port = 0;    // network: the TCP port
    std::string name;          // spooler: the printer name (UTF-8)
    bool local = false;        // spooler: on a local port, so nothing can be read back
};

// One target, without a name:
//   A.B.C.D[:PORT]   a network printer (port 12000 unless given)
//   printer:NAME     a Windows printer, through the spooler
//   local:NAME       a Windows printer on a local port (not read back)
// On failure returns nullopt and `error` says why.
std::optional<FleetPrinter> ParseTarget(const std::string& text, std::string& error);

// A target file: one target per line as ParseTarget reads it, optionally
// followed by "= NAME", the name that reports and file names use
// ("192.168.0.5 = hall 2 left", "printer:LP-1 (USB) = hall 2 USB"). The name
// starts after the last '=' of the line, so a printer name holding '=' needs
// a name of its own. Blank lines and lines starting with # are skipped;
// surrounding white space is ignored. On failure returns nullopt and `error`
// says which line and why. An empty list is not an error here.
std::optional<std::vector<FleetPrinter>> ParseTargetList(const std::string& text, std::string& error);

// Refuses a printer given twice (the same address and port, or the same
// Windows printer) and two printers called by the same name (ignoring case,
// as Windows file names do): nullopt when all are distinct, else the error.
std::optional<std::string> FindDuplicate(const std::vector<FleetPrinter>& printers);

// A file name for each printer's settings, made from its label: characters
// that Windows refuses in file names (and path separators, control
// characters) become '_', a name Windows reserves (CON, NUL, COM1, ...) gets
// a leading '_', no name ends in a dot or a space, and two printers never get
// the same name (ignoring case): a later one gets "-2", "-3", ... Each ends in
// ".dat".
std::vector<std::string> SettingsFileNames(const std::vector<FleetPrinter>& printers);

// Runs `work(i)` once for every printer i: the network printers on at most
// `jobs` threads at a time, the spooler printers one after another on a
// thread of their own (the two kinds side by side). `work` returns whether
// printer i succeeded; it must only touch what belongs to printer i. With
// `stopOnFailure`, no printer is started after the first failure (the ones
// running finish). `progress(done, failed)` is called after each printer
// that ran, one call at a time. Returns, when every printer is done or
// skipped, which printers ran.
std::vector<bool> RunFleet(const std::vector<FleetPrinter>& printers, int jobs, bool stopOnFailure,
                           const std::function<bool(std::size_t)>& work,
                           const std::function<void(std::size_t done, std::size_t failed)>& progress);

}  // namespace kestrion_cli
