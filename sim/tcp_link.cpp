// The port-monitor stand-in's way to a printer-sim over TCP on loopback.
#include <poll.h>
#include <sys/socket.h>

#include "sim/port_monitor.h"
#include "sim/posix_io.h"

namespace printersim {

namespace {
// Longer than the 20 s a client waits for the printer's close, so that a
// printer that never closes is seen as such rather than cut short here.
inline constexpr std::chrono::seconds kReplyWait{25};
inline constexpr std::size_t kReadChunk = 4096;
}  // namespace

JobLink TcpLink(std::uint16_t port) {
    return [port](const Bytes& job) {
        Bytes reply;
        UniqueFd fd = ConnectLoopback(port);
        if (!fd) return reply;
        if (!SendAll(fd.Get(), job.data(), job.size())) return reply;
        ::shutdown(fd.Get(), SHUT_WR);
        const auto deadline = std::chrono::steady_clock::now() + kReplyWait;
        for (;;) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) break;
            pollfd p{fd.Get(), POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) <= 0) break;
            std::uint8_t buf[kReadChunk];
            const ssize_t n = ::recv(fd.Get(), buf, sizeof buf, 0);
            if (n <= 0) break;
            reply.insert(reply.end(), buf, buf + n);
        }
        return reply;
    };
}

}  // namespace printersim
