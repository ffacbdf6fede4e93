// Small POSIX socket helpers shared by the TCP front end and the TCP link.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <utility>

namespace printersim {

// Owns one file descriptor and closes it.
class UniqueFd {
public:
    UniqueFd() = default;
    explicit UniqueFd(int fd) : ownedFd(fd) {}
    ~UniqueFd() { Reset(); }
    UniqueFd(UniqueFd&& other) noexcept : ownedFd(std::exchange(other.ownedFd, -1)) {}
    UniqueFd& operator=(UniqueFd&& other) noexcept {
        if (this != &other) {
            Reset();
            ownedFd = std::exchange(other.ownedFd, -1);
        }
        return *this;
    }
    UniqueFd(const UniqueFd&) = delete;
    UniqueFd& operator=(const UniqueFd&) = delete;

    int Get() const { return ownedFd; }
    explicit operator bool() const { return ownedFd >= 0; }
    void Reset(int fd = -1);

private:
    int ownedFd = -1;
};

// Every printer connection stays on loopback.
inline constexpr std::uint32_t kLoopback = 0x7F000001;  // 127.0.0.1, host order

// A listening TCP socket on 127.0.0.1:port (0: any free port); invalid on failure.
UniqueFd ListenLoopback(std::uint16_t port);
std::uint16_t LocalPort(int fd);
// A TCP connection to 127.0.0.1:port; invalid on failure.
UniqueFd ConnectLoopback(std::uint16_t port);
// Sends everything (no SIGPIPE); false on an error.
bool SendAll(int fd, const std::uint8_t* data, std::size_t size);

}  // namespace printersim
