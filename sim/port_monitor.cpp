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

PortMonitor::PortMonitor(JobLink link) : link_(std::move(link)) {}

void PortMonitor::SubmitJob(const std::string& printerName, const Bytes& job) {
    const Bytes reply = link_(job);
    const std::string name = ReplyValueName(printerName);
    std::lock_guard lock(mutex_);
    // A new job makes any earlier reply stale: a read whose reply never comes
    // must not find the previous one.
    values_.erase(name);
    if (reply.empty()) return;
    values_[name] = Value{WrapReply(reply), 0};
}

std::size_t PortMonitor::Fetch(const std::string& valueName, std::uint8_t* buffer, std::size_t size) {
    std::lock_guard lock(mutex_);
    const auto it = values_.find(valueName);
    if (it == values_.end()) return 0;
    Value& value = it->second;
    ++value.fetches;
    if (reply_on_fetch_ <= 0 || value.fetches < reply_on_fetch_) return 0;
    if (buffer) std::memcpy(buffer, value.data.data(), std::min(size, value.data.size()));
    return value.data.size();
}

void PortMonitor::SetReplyOnFetch(int n) {
    std::lock_guard lock(mutex_);
    reply_on_fetch_ = n;
}

void PortMonitor::DeleteValue(const std::string& valueName) {
    std::lock_guard lock(mutex_);
    values_.erase(valueName);
}

int PortMonitor::FetchCount(const std::string& valueName) const {
    std::lock_guard lock(mutex_);
    const auto it = values_.find(valueName);
    return it == values_.end() ? 0 : it->second.fetches;
}

}  // namespace printersim
