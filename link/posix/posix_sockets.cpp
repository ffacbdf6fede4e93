#include "link/posix/posix_sockets.h"

#include <arpa/inet.h>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <memory>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/ip.h>
#include <netinet/ip_icmp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace kestrion::link {
namespace {

// Echo reply status values, as the ICMP library reports them.
constexpr std::uint32_t kEchoSuccess = 0;
constexpr std::uint32_t kEchoTimedOut = 11010;     // IP_REQ_TIMED_OUT
constexpr std::uint32_t kEchoGeneralFailure = 11050;  // IP_GENERAL_FAILURE

// An ICMP handle: the echo socket and whether it is raw (the reply then
// carries the IP header in front of the ICMP message).
struct IcmpSocket {
    int fd = -1;
    bool raw = false;
    std::uint16_t id = 0;
};

// The close notification: the socket whose peer's close is waited for.
struct CloseEvent {
    int fd = -1;
};

int PollOne(int fd, short events, std::uint32_t timeoutMs, short* revents) {
    pollfd p{fd, events, 0};
    int r;
    do {
        r = ::poll(&p, 1, static_cast<int>(timeoutMs));
    } while (r < 0 && errno == EINTR);
    if (revents != nullptr) *revents = p.revents;
    return r;
}

std::uint16_t Checksum(const std::uint8_t* data, std::size_t size) {
    std::uint32_t sum = 0;
    for (std::size_t i = 0; i + 1 < size; i += 2) sum += std::uint32_t{data[i]} << 8 | data[i + 1];
    if (size % 2 != 0) sum += std::uint32_t{data[size - 1]} << 8;
    while (sum >> 16) sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<std::uint16_t>(~sum);
}

}  // namespace

void PosixSockets::Fail() { lastError = errno; }

// There is no library to start on POSIX; the version asked for is granted.
std::int32_t PosixSockets::Startup(std::uint16_t version, std::uint16_t* obtained) {
    *obtained = version;
    return 0;
}

bool PosixSockets::Cleanup() { return true; }

bool PosixSockets::ResolveHost(const char* dotted, std::uint8_t address[4]) {
    in_addr in{};
    if (::inet_pton(AF_INET, dotted, &in) != 1) {
        lastError = EINVAL;
        return false;
    }
    std::memcpy(address, &in.s_addr, 4);
    return true;
}

SocketHandle PosixSockets::OpenSocket() {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, IPPROTO_TCP);
    if (fd < 0) {
        Fail();
        return kInvalidSocket;
    }
    return fd;
}

bool PosixSockets::Connect(SocketHandle socket, const std::uint8_t address[4], std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = htons(port);
    std::memcpy(&to.sin_addr.s_addr, address, 4);
    if (::connect(static_cast<int>(socket), reinterpret_cast<const sockaddr*>(&to), sizeof to) != 0) {
        Fail();
        return false;
    }
    return true;
}

int PosixSockets::WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) {
    short revents = 0;
    const int r = PollOne(static_cast<int>(socket), POLLIN, timeoutMs, &revents);
    if (r < 0) {
        Fail();
        return -1;
    }
    // A socket with an error or a hang-up is "readable" as select reports it:
    // the following recv tells what happened.
    return r > 0 ? 1 : 0;
}

int PosixSockets::WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) {
    const int r = PollOne(static_cast<int>(socket), POLLOUT, timeoutMs, nullptr);
    if (r < 0) {
        Fail();
        return -1;
    }
    return r > 0 ? 1 : 0;
}

int PosixSockets::Send(SocketHandle socket, const std::uint8_t* data, int size) {
    const ssize_t n = ::send(static_cast<int>(socket), data, static_cast<std::size_t>(size), MSG_NOSIGNAL);
    if (n < 0) {
        Fail();
        return -1;
    }
    return static_cast<int>(n);
}

int PosixSockets::Recv(SocketHandle socket, std::uint8_t* buffer, int size) {
    const ssize_t n = ::recv(static_cast<int>(socket), buffer, static_cast<std::size_t>(size), MSG_DONTWAIT);
    if (n < 0) {
        Fail();
        return -1;
    }
    return static_cast<int>(n);
}

bool PosixSockets::ShutdownSend(SocketHandle socket) {
    if (::shutdown(static_cast<int>(socket), SHUT_WR) != 0) {
        Fail();
        return false;
    }
    return true;
}

bool PosixSockets::CloseSocket(SocketHandle socket) {
    if (::close(static_cast<int>(socket)) != 0) {
        Fail();
        return false;
    }
    return true;
}

EventHandle PosixSockets::CreateSocketEvent() { return reinterpret_cast<EventHandle>(new CloseEvent); }

bool PosixSockets::SelectCloseEvent(SocketHandle socket, EventHandle event) {
    reinterpret_cast<CloseEvent*>(event)->fd = static_cast<int>(socket);
    return true;
}

WaitResult PosixSockets::WaitEvent(EventHandle event, std::uint32_t timeoutMs) {
    const int fd = reinterpret_cast<CloseEvent*>(event)->fd;
    // Only the printer's close (POLLRDHUP), a hang-up or an error ends the
    // wait: POLLIN is not asked for, so data still arriving does not wake
    // poll. A socket that is no longer valid (POLLNVAL) fails the wait at
    // once instead of waking poll again and again until the time is up.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() < 0) return WaitResult::TimedOut;
        short revents = 0;
        const int r = PollOne(fd, POLLRDHUP, static_cast<std::uint32_t>(left.count()), &revents);
        if (r < 0) {
            Fail();
            return WaitResult::Failed;
        }
        if (r == 0) return WaitResult::TimedOut;
        if (revents & (POLLRDHUP | POLLHUP | POLLERR)) return WaitResult::Signalled;
        if (revents & POLLNVAL) {
            errno = EBADF;
            Fail();
            return WaitResult::Failed;
        }
    }
}

bool PosixSockets::CloseSocketEvent(EventHandle event) {
    delete reinterpret_cast<CloseEvent*>(event);
    return true;
}

IcmpHandle PosixSockets::IcmpCreateFile() {
    auto icmp = std::make_unique<IcmpSocket>();
    icmp->fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, IPPROTO_ICMP);
    if (icmp->fd < 0) {
        icmp->fd = ::socket(AF_INET, SOCK_RAW | SOCK_CLOEXEC, IPPROTO_ICMP);
        icmp->raw = true;
    }
    if (icmp->fd < 0) {
        Fail();
        return 0;
    }
    icmp->id = static_cast<std::uint16_t>(::getpid());
    return reinterpret_cast<IcmpHandle>(icmp.release());
}

std::uint32_t PosixSockets::IcmpSendEcho(IcmpHandle handle, const std::uint8_t address[4], std::uint8_t ttl,
                                         std::uint32_t timeoutMs) {
    const IcmpSocket& icmp = *reinterpret_cast<IcmpSocket*>(handle);
    const int ttlValue = ttl;
    ::setsockopt(icmp.fd, IPPROTO_IP, IP_TTL, &ttlValue, sizeof ttlValue);

    // Echoes of several threads may be under way at once: each takes a
    // sequence number of its own.
    static std::atomic<std::uint16_t> sequence{0};
    const std::uint16_t seq = static_cast<std::uint16_t>(sequence.fetch_add(1) + 1);
    // Echo request without payload: type 8, code 0, checksum, id, sequence.
    std::uint8_t request[8] = {ICMP_ECHO, 0, 0, 0, static_cast<std::uint8_t>(icmp.id >> 8),
                               static_cast<std::uint8_t>(icmp.id), static_cast<std::uint8_t>(seq >> 8),
                               static_cast<std::uint8_t>(seq)};
    const std::uint16_t sum = Checksum(request, sizeof request);
    request[2] = static_cast<std::uint8_t>(sum >> 8);
    request[3] = static_cast<std::uint8_t>(sum);

    sockaddr_in to{};
    to.sin_family = AF_INET;
    std::memcpy(&to.sin_addr.s_addr, address, 4);
    if (::sendto(icmp.fd, request, sizeof request, 0, reinterpret_cast<const sockaddr*>(&to), sizeof to) < 0) {
        Fail();
        return kEchoGeneralFailure;
    }

    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() < 0) break;
        short revents = 0;
        const int r = PollOne(icmp.fd, POLLIN, static_cast<std::uint32_t>(left.count()), &revents);
        if (r < 0) {
            Fail();
            return kEchoGeneralFailure;
        }
        if (r == 0) break;
        std::uint8_t packet[1500];
        sockaddr_in from{};
        socklen_t fromLength = sizeof from;
        const ssize_t n = ::recvfrom(icmp.fd, packet, sizeof packet, MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &fromLength);
        if (n < 0) continue;
        std::size_t offset = 0;
        if (icmp.raw) {
            if (n < 1) continue;
            offset = static_cast<std::size_t>(packet[0] & 0x0F) * 4;  // IP header length
        }
        if (static_cast<std::size_t>(n) < offset + 8) continue;
        const std::uint8_t* reply = packet + offset;
        if (reply[0] != ICMP_ECHOREPLY || from.sin_addr.s_addr != to.sin_addr.s_addr) continue;
        // A datagram socket rewrites the identifier to its own port; only the
        // sequence number is ours there.
        const std::uint16_t replySeq = static_cast<std::uint16_t>(reply[6] << 8 | reply[7]);
        const std::uint16_t replyId = static_cast<std::uint16_t>(reply[4] << 8 | reply[5]);
        if (replySeq != seq || (icmp.raw && replyId != icmp.id)) continue;
        return kEchoSuccess;
    }
    lastError = 0;  // a time-out is not a failing call
    return kEchoTimedOut;
}

bool PosixSockets::IcmpCloseHandle(IcmpHandle handle) {
    std::unique_ptr<IcmpSocket> icmp(reinterpret_cast<IcmpSocket*>(handle));
    if (::close(icmp->fd) != 0) {
        Fail();
        return false;
    }
    return true;
}

}  // namespace kestrion::link
