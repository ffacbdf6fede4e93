#include "sim/posix_io.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace printersim {

namespace {
// Clients waiting their turn while the printer serves one connection: room
// for a burst of them, so that none has to rely on the kernel's SYN retries
// (seconds apart, and a retried client may then look silent to the printer).
inline constexpr int kBacklog = 16;

sockaddr_in LoopbackAddress(std::uint16_t port) {
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(kLoopback);
    addr.sin_port = htons(port);
    return addr;
}
}  // namespace

void UniqueFd::Reset(int fd) {
    if (ownedFd >= 0) ::close(ownedFd);
    ownedFd = fd;
}

UniqueFd ListenLoopback(std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return fd;
    // A restarted printer must get its port back while old connections linger in TIME_WAIT.
    const int on = 1;
    ::setsockopt(fd.Get(), SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    const sockaddr_in addr = LoopbackAddress(port);
    if (::bind(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return UniqueFd();
    if (::listen(fd.Get(), kBacklog) != 0) return UniqueFd();
    return fd;
}

std::uint16_t LocalPort(int fd) {
    sockaddr_in addr{};
    socklen_t len = sizeof addr;
    if (::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len) != 0) return 0;
    return ntohs(addr.sin_port);
}

UniqueFd ConnectLoopback(std::uint16_t port) {
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd) return fd;
    const sockaddr_in addr = LoopbackAddress(port);
    if (::connect(fd.Get(), reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0) return UniqueFd();
    return fd;
}

bool SendAll(int fd, const std::uint8_t* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = ::send(fd, data, size, MSG_NOSIGNAL);
        if (n < 0) return false;
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace printersim
