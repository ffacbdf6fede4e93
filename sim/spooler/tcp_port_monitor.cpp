// The simulated spooler's printers from a printer list file: their port
// monitor is the simulator's stand-in, forwarding each job to a printer-sim
// on loopback.
#include <memory>

#include "sim/spooler/sim_spooler.h"
#include "sim/port_monitor.h"

namespace kestrion::simspool {

PortMonitorHooks TcpPortMonitor(std::uint16_t port, int replyOnFetch) {
    auto monitor = std::make_shared<printersim::PortMonitor>(printersim::TcpLink(port));
    monitor->SetReplyOnFetch(replyOnFetch);
    PortMonitorHooks hooks;
    hooks.submitJob = [monitor](const std::string& printer, const Bytes& job) { monitor->SubmitJob(printer, job); };
    hooks.fetch = [monitor](const std::string& valueName, std::uint8_t* buffer, std::size_t size) {
        return monitor->Fetch(valueName, buffer, size);
    };
    return hooks;
}

}  // namespace kestrion::simspool
