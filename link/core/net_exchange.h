// The socket transport: one short TCP connection per operation, after one
// ICMP echo has shown that the printer answers at all.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/protocol.h"
#include "link/kestrion.h"
#include "link/core/seams.h"
#include "link/core/sys_error.h"

namespace kestrion::link {

inline constexpr std::uint16_t kWinsockVersion = 0x0202;  // 2.2: low byte major, high byte minor
inline constexpr std::uint32_t kEchoTimeoutMs = 1000;
inline constexpr std::uint8_t kEchoTimeToLive = 255;
inline constexpr std::uint32_t kReadyTimeoutMs = 5000;   // each wait in SendAll and ReceiveReply
inline constexpr std::uint32_t kDrainPollMs = 0;
inline constexpr std::uint32_t kCloseWaitMs = 20000;     // the printer's close after our half-close
inline constexpr int kDiscardReadSize = 8195;
inline constexpr std::size_t kDottedBufferSize = 16;

// Reply capacities on the network path.
inline constexpr std::size_t kStatusReplyCapacity = 13;
inline constexpr std::size_t kParamReplyCapacity = kParamReplyLength;
// In a settings reply every decoded field lies in bytes 0-97, and field bytes
// such as 10.x.x.x or port 2560 form 0A 00. A terminator pair ending before
// this offset is therefore data, not the end of the line.
inline constexpr std::size_t kParamReplyDataSpan = 100;

// One connected socket and the sockets-library start-up that goes with it.
// CloseConnection ends both; the destructor is only a safety net.
class Connection {
public:
    explicit Connection(SocketApi& api) : socketApi(api) {}
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    SocketApi& Api() { return socketApi; }
    SocketHandle Socket() const { return socketHandle; }

private:
    friend std::int32_t OpenConnection(SocketApi&, SysError&, const PrinterTarget&, Connection&);
    friend std::int32_t CloseConnection(Connection&, SysError&);
    // Closes the socket, cleans up the sockets library and closes `event`
    // (when given), recording failures; false when any of them failed.
    bool Release(SysError& error, EventHandle event);

    SocketApi& socketApi;
    bool started = false;
    SocketHandle socketHandle = kInvalidSocket;
};

// "%d.%d.%d.%d" of the four octets, first octet first.
void FormatDottedAddress(const std::uint8_t address[4], char (&text)[kDottedBufferSize]);

// Each step returns 0 or -800. A step that fails once the socket exists has
// already run CloseConnection.
std::int32_t PingPrinter(SocketApi& api, const char* dotted);
std::int32_t OpenConnection(SocketApi& api, SysError& error, const PrinterTarget& target, Connection& connection);
std::int32_t DrainInput(Connection& connection, SysError& error);
std::int32_t SendAll(Connection& connection, SysError& error, const std::uint8_t* data, std::size_t size);
// Receives one reply line into `buffer` (zero-filled by the caller). Pairs
// ending before `dataSpan` are reply data, not a line end.
std::int32_t ReceiveReply(Connection& connection, SysError& error, std::uint8_t* buffer, std::size_t capacity,
                          std::size_t dataSpan);
std::int32_t CloseConnection(Connection& connection, SysError& error);

// The whole exchange: open, drain, send, receive (when `reply` is given),
// close. Returns 0 or -800.
std::int32_t NetworkExchange(SocketApi& api, SysError& error, const PrinterTarget& target,
                             const std::uint8_t* command, std::size_t commandLength, std::uint8_t* reply,
                             std::size_t capacity, std::size_t dataSpan);

}  // namespace kestrion::link
