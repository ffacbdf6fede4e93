// Stand-in for the printer's port monitor on the spooler path: it passes the
// bytes of a print job to the printer and keeps the printer's reply behind an
// 8-byte envelope under the printer-data value "GetDevRes," + printer + ",".
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>

#include "core/spooler_reply.h"
#include "sim/printer_model.h"

namespace printersim {

inline constexpr std::size_t kEnvelopeSize = kestrion::kReplyEnvelopeSize;
using kestrion::ReplyValueName;  // "GetDevRes,<name>,"

// How a job reaches the printer: given the job's bytes, returns what the
// printer answered (empty when it sent nothing).
using JobLink = std::function<Bytes(const Bytes& job)>;
JobLink InProcessLink(PrinterModel& model);
// Sends the job to a printer-sim on 127.0.0.1:port, half-closes and reads
// until the printer closes (at most 25 s, longer than a client's 20 s wait).
// An unreachable printer gives an empty reply. Not built for Windows.
JobLink TcpLink(std::uint16_t port);

// Envelope (first word 0, second word 1, little-endian) followed by the reply.
Bytes WrapReply(const Bytes& reply);

class PortMonitor {
public:
    explicit PortMonitor(JobLink link);

    // A finished print job on `printerName`'s port. When the printer answers,
    // the reply is kept under ReplyValueName(printerName).
    void SubmitJob(const std::string& printerName, const Bytes& job);

    // One GetPrinterData call: copies the value into `buffer` (at most `size`
    // bytes) and returns the value's size; returns 0 and copies nothing when
    // there is no such value or it is not to be seen at this fetch.
    std::size_t Fetch(const std::string& valueName, std::uint8_t* buffer, std::size_t size);

    // 1 (default): a reply is seen from the first fetch after the job; N: only
    // from the Nth fetch on; 0: never.
    void SetReplyOnFetch(int n);
    void DeleteValue(const std::string& valueName);

    // How many times the value has been fetched since its job.
    int FetchCount(const std::string& valueName) const;

private:
    struct Value {
        Bytes data;
        int fetches = 0;
    };
    JobLink jobLink;
    mutable std::mutex mutex;
    std::map<std::string, Value> values;
    int replyOnFetch = 1;
};

}  // namespace printersim
