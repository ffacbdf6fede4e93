#include "sim/port_monitor.h"

#include <algorithm>
#include <cstring>

namespace printersim {

namespace {
// Second envelope word: non-zero says a reply is present.
inline constexpr std::uint32_t kReplyPresent = 1;
}  // namespace

JobLink InProcessLink(PrinterModel& model) {
    return [&model](const Bytes& job) {
        Bytes reply = model.Feed(job);
        // A print job is whole: what is left over is no command.
        model.EndOfInput();
        return reply;
    };
}

Bytes WrapReply(const Bytes& reply) {
    Bytes out(kEnvelopeSize + reply.size(), 0);
    for (std::size_t i = 0; i < 4; ++i) {
        out[kestrion::kEnvelopeFlagOffset + i] = static_cast<std::uint8_t>(kReplyPresent >> (8 * i));
    }
    if (!reply.empty()) std::memcpy(out.data() + kEnvelopeSize, reply.data(), reply.size());
    return out;
}

PortMonitor::PortMonitor(JobLink link) : jobLink(std::move(link)) {}

void PortMonitor::SubmitJob(const std::string& printerName, const Bytes& job) {
    const Bytes reply = jobLink(job);
    const std::string name = ReplyValueName(printerName);
    std::lock_guard lock(mutex);
    // A new job makes any earlier reply stale: a read whose reply never comes
    // must not find the previous one.
    values.erase(name);
    if (reply.empty()) return;
    values[name] = Value{WrapReply(reply), 0};
}

std::size_t PortMonitor::Fetch(const std::string& valueName, std::uint8_t* buffer, std::size_t size) {
    std::lock_guard lock(mutex);
    const auto it = values.find(valueName);
    if (it == values.end()) return 0;
    Value& value = it->second;
    ++value.fetches;
    if (replyOnFetch <= 0 || value.fetches < replyOnFetch) return 0;
    if (buffer) std::memcpy(buffer, value.data.data(), std::min(size, value.data.size()));
    return value.data.size();
}

void PortMonitor::SetReplyOnFetch(int n) {
    std::lock_guard lock(mutex);
    replyOnFetch = n;
}

void PortMonitor::DeleteValue(const std::string& valueName) {
    std::lock_guard lock(mutex);
    values.erase(valueName);
}

int PortMonitor::FetchCount(const std::string& valueName) const {
    std::lock_guard lock(mutex);
    const auto it = values.find(valueName);
    return it == values.end() ? 0 : it->second.fetches;
}

}  // namespace printersim
