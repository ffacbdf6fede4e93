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

#include "core/protocol.h"

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

// One complete command as the model took it, with its reply (empty for the
// set commands, the restart and anything ignored).
struct Answer {
    CommandKind kind = CommandKind::Unknown;
    Bytes reply;
};

// First word of the settings reply: the device reports the reply's length.
inline constexpr std::uint8_t kParamReplyWordHigh = 0x00;
inline constexpr std::uint8_t kParamReplyWordLow = 0xE4;  // 228

class PrinterModel {
public:
    explicit PrinterModel(PrinterSettings initial = FactorySettings());

    // Feeds bytes as they arrive (commands may be split anywhere) and returns
    // the replies of the queries completed by them, in order (possibly empty).
    // Set commands change the stored settings at once; malformed or unknown
    // commands are logged and ignored.
    Bytes Feed(const std::uint8_t* data, std::size_t size);
    Bytes Feed(const Bytes& data) { return Feed(data.data(), data.size()); }
    // As Feed, but one entry per complete command, so that a caller can tell
    // which reply belongs to which query (the TCP front end's faults need it).
    std::vector<Answer> FeedCommands(const std::uint8_t* data, std::size_t size);
    // The input ended (connection closed, print job over): a command still
    // incomplete is logged and dropped, so that the next input starts afresh.
    void EndOfInput();

    PrinterSettings Settings() const;
    void SetSettings(const PrinterSettings& s);

    // While set, set commands are logged but not applied: the next read-back
    // then differs from what was sent.
    void SetIgnoreSets(bool ignore);

    int ResetCount() const;
    // One line per command, in words ("ParamSet: backfeed speed 4 ips, ...").
    std::vector<std::string> Log() const;
    // Called with each log line as it is made (the program prints them).
    void SetLogSink(std::function<void(const std::string&)> sink);

private:
    struct Step;
    Step ParseOne(std::vector<std::string>& lines);
    void Apply(const Step& step, std::vector<std::string>& lines, std::vector<Answer>& answers);
    void Emit(const std::vector<std::string>& lines);

    mutable std::mutex mutex;
    PrinterSettings settings;
    Bytes pending;  // received bytes not yet taken as a command
    bool ignoreSets = false;
    int resetCount = 0;
    std::vector<std::string> logLines;
    std::function<void(const std::string&)> logSink;
};

// Words for one PARAM element and its value, as the log shows them.
std::string DescribeParam(std::size_t index, std::int32_t value);

}  // namespace printersim
