// The library's own exchange code over real POSIX sockets, with every wait
// shortened by kTimeScale: the 5 s readiness waits become 500 ms and the 20 s
// closing handshake 2 s, so a table of fault cases can check each time-out
// against its own length without waiting for it in full. The drain also
// starts a little late, as over a real network, so that bytes a printer
// sends right after accepting are waiting by then.
#pragma once

#include <chrono>
#include <cstdint>
#include <thread>

#include "link/core/net_exchange.h"
#include "link/core/operations.h"
#include "link/posix/posix_sockets.h"

namespace kestrion::testing {

inline constexpr std::uint32_t kTimeScale = 10;
inline constexpr std::chrono::milliseconds kScaledReplyWait{link::kReadyTimeoutMs / kTimeScale};
inline constexpr std::chrono::milliseconds kScaledCloseWait{link::kCloseWaitMs / kTimeScale};

class ScaledSockets final : public link::PosixSockets {
public:
    bool Connect(link::SocketHandle socket, const std::uint8_t address[4], std::uint16_t port) override {
        drained = false;
        return PosixSockets::Connect(socket, address, port);
    }
    int WaitReadable(link::SocketHandle socket, std::uint32_t timeoutMs) override {
        if (timeoutMs == link::kDrainPollMs && !drained) {
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            drained = true;
        }
        return PosixSockets::WaitReadable(socket, timeoutMs / kTimeScale);
    }
    int WaitWritable(link::SocketHandle socket, std::uint32_t timeoutMs) override {
        return PosixSockets::WaitWritable(socket, timeoutMs / kTimeScale);
    }
    link::WaitResult WaitEvent(link::EventHandle event, std::uint32_t timeoutMs) override {
        return PosixSockets::WaitEvent(event, timeoutMs / kTimeScale);
    }

private:
    bool drained = false;
};

// The platform's spooler with the scaled sockets.
inline link::Platform& ScaledPlatform() {
    static ScaledSockets sockets;
    static link::Platform platform{link::DefaultPlatform().spooler, sockets};
    return platform;
}

}  // namespace kestrion::testing
