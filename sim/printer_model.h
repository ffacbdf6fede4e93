// The simulated label printer's brain: it keeps its own settings, parses the
// command stream as it arrives and answers queries as the real device does.
// Portable C++; used in-process by tests and behind the TCP front end and the
// port-monitor stand-in.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "link/protocol.h"

namespace printersim {

using Bytes = std::vector<std::uint8_t>;

struct PrinterSettings {
    kestrion::ParamBlock param{};      // 0-9: DIP switch states (0/1), 10-30: parameters
    kestrion::AdjustBlock adjust{};
    kestrion::AddressBlock address{};  // as the ADDRESS block of the settings record
    std::int32_t status = 0;           // reported by the status query as two decimal digits

    bool operator==(const PrinterSettings&) const = default;
};

// Factory parameters, DIP switches all off, address 0.0.0.0, socket port 12000.
PrinterSettings FactorySettings();

// The two replies exactly as the device sends them on its TCP interface,
// terminator included. The settings reply is 228 bytes; the bytes that carry
// no field are filled as a device plausibly would, never forming CR LF or
// LF 00, while the fields are sent as they are (10.0.0.1 gives 0A 00 ...).
Bytes BuildStatusReply(std::int32_t status);
Bytes BuildParamReply(const PrinterSettings& settings);

// What the model understood of one complete command.
enum class CommandKind { StatusQuery, ParamQuery, ParamSet, AdjustSet, AddressPart, Reset, Unknown };

class PrinterModel {
public:
    explicit PrinterModel(PrinterSettings initial = FactorySettings());

    // Feeds bytes as they arrive (commands may be split anywhere) and returns
    // the replies of the queries completed by them, in order (possibly empty).
    // Set commands change the stored settings at once; malformed or unknown
    // commands are logged and ignored.
    Bytes Feed(const std::uint8_t* data, std::size_t size);
    Bytes Feed(const Bytes& data) { return Feed(data.data(), data.size()); }

    PrinterSettings settings() const;
    void set_settings(const PrinterSettings& s);

    // While set, set commands are logged but not applied: the next read-back
    // then differs from what was sent.
    void set_ignore_sets(bool ignore);

    int reset_count() const;
    // One line per command, in words ("ParamSet: backfeed speed 4 ips, ...").
    std::vector<std::string> log() const;
    // Called with each log line as it is made (the program prints them).
    void set_log_sink(std::function<void(const std::string&)> sink);

private:
    // implementation-defined members
};

}  // namespace printersim
