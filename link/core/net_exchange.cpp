#include "link/core/net_exchange.h"

#include <cstdio>
#include <cstring>

namespace kestrion::link {
namespace {

// The ICMP library stays loaded only for the one echo.
class IcmpLibrary {
public:
    explicit IcmpLibrary(SocketApi& api) : socketApi(api), loaded(api.LoadIcmpLibrary()) {}
    ~IcmpLibrary() {
        if (loaded) socketApi.UnloadIcmpLibrary();
    }
    IcmpLibrary(const IcmpLibrary&) = delete;
    IcmpLibrary& operator=(const IcmpLibrary&) = delete;
    bool Loaded() const { return loaded; }
    // Unloads now rather than at the end of the scope.
    void Unload() {
        if (loaded) socketApi.UnloadIcmpLibrary();
        loaded = false;
    }

private:
    SocketApi& socketApi;
    bool loaded;
};

// A sockets-library start-up of its own, cleaned up when it goes. Only a
// start-up that succeeded is cleaned up, so the library's count is never
// taken below what the caller had.
class SocketsStartup {
public:
    explicit SocketsStartup(SocketApi& api) : socketApi(api) {
        std::uint16_t obtained = 0;
        started = socketApi.Startup(kWinsockVersion, &obtained) == 0;
        versionOk = started && obtained == kWinsockVersion;
    }
    ~SocketsStartup() {
        if (started) socketApi.Cleanup();
    }
    SocketsStartup(const SocketsStartup&) = delete;
    SocketsStartup& operator=(const SocketsStartup&) = delete;
    bool Ok() const { return versionOk; }

private:
    SocketApi& socketApi;
    bool started = false;
    bool versionOk = false;
};

class IcmpFile {
public:
    explicit IcmpFile(SocketApi& api) : socketApi(api), icmpHandle(api.IcmpCreateFile()) {}
    ~IcmpFile() {
        if (icmpHandle != 0) socketApi.IcmpCloseHandle(icmpHandle);
    }
    IcmpFile(const IcmpFile&) = delete;
    IcmpFile& operator=(const IcmpFile&) = delete;
    IcmpHandle Handle() const { return icmpHandle; }

private:
    SocketApi& socketApi;
    IcmpHandle icmpHandle;
};

bool IsTerminatorPair(std::uint8_t first, std::uint8_t second) {
    return (first == '\r' && second == '\n') || (first == '\n' && second == 0x00);
}

// A step failed once the socket is connected: closes the connection and
// returns -800. With `recordCall` the failing call's own error is recorded
// first, so that it, and not a failure of the close, is the one reported.
std::int32_t Abandon(Connection& connection, SysError& error, bool recordCall) {
    if (recordCall) error.Record(connection.Api().LastError());
    CloseConnection(connection, error);
    return LINK_E_NETWORK;
}

}  // namespace

Connection::~Connection() {
    if (socketHandle != kInvalidSocket) socketApi.CloseSocket(socketHandle);
    if (started) socketApi.Cleanup();
}

bool Connection::Release(SysError& error, EventHandle event) {
    bool ok = true;
    if (socketHandle != kInvalidSocket) {
        if (!socketApi.CloseSocket(socketHandle)) {
            error.Record(socketApi.LastError());
            ok = false;
        }
        socketHandle = kInvalidSocket;
    }
    if (started) {
        started = false;
        if (!socketApi.Cleanup()) {
            error.Record(socketApi.LastError());
            ok = false;
        }
    }
    if (event != 0 && !socketApi.CloseSocketEvent(event)) {
        error.Record(socketApi.LastError());
        ok = false;
    }
    return ok;
}

void FormatDottedAddress(const std::uint8_t address[4], char (&text)[kDottedBufferSize]) {
    const std::string dotted = FormatDotted(Octets{address[0], address[1], address[2], address[3]});
    std::snprintf(text, sizeof text, "%s", dotted.c_str());
}

std::int32_t PingPrinter(SocketApi& api, const char* dotted) {
    IcmpLibrary library(api);
    if (!library.Loaded()) return LINK_E_NETWORK;
    if (!api.ResolveIcmpFunctions()) return LINK_E_NETWORK;
    SocketsStartup sockets(api);
    if (!sockets.Ok()) return LINK_E_NETWORK;
    std::uint8_t destination[4] = {};
    if (!api.ResolveHost(dotted, destination)) return LINK_E_NETWORK;
    std::uint32_t status = 0;
    {
        IcmpFile icmp(api);
        if (icmp.Handle() == 0) return LINK_E_NETWORK;
        status = api.IcmpSendEcho(icmp.Handle(), destination, kEchoTimeToLive, kEchoTimeoutMs);
    }
    // After the echo: handle closed above, then the library unloaded, and the
    // sockets cleaned up last as `sockets` ends. (A failure before the echo
    // cleans up the sockets first, then unloads.)
    library.Unload();
    return status == 0 ? LINK_OK : LINK_E_NETWORK;
}

std::int32_t OpenConnection(SocketApi& api, SysError& error, const PrinterTarget& target, Connection& connection) {
    char dotted[kDottedBufferSize];
    FormatDottedAddress(target.ipAddress, dotted);
    if (PingPrinter(api, dotted) != LINK_OK) {
        error.Record(api.LastError());
        return LINK_E_NETWORK;
    }

    std::uint16_t obtained = 0;
    if (const std::int32_t code = api.Startup(kWinsockVersion, &obtained); code != 0) {
        error.Record(code);
        return LINK_E_NETWORK;
    }
    connection.started = true;
    if (obtained != kWinsockVersion) {
        connection.Release(error, 0);
        return LINK_E_NETWORK;
    }

    connection.socketHandle = api.OpenSocket();
    if (connection.socketHandle == kInvalidSocket) {
        error.Record(api.LastError());
        connection.Release(error, 0);
        return LINK_E_NETWORK;
    }
    const auto port = static_cast<std::uint16_t>(target.port & 0xFFFF);
    if (!api.Connect(connection.socketHandle, target.ipAddress, port)) {
        error.Record(api.LastError());
        connection.Release(error, 0);
        return LINK_E_NETWORK;
    }
    return LINK_OK;
}

std::int32_t DrainInput(Connection& connection, SysError& error) {
    SocketApi& api = connection.Api();
    std::uint8_t scratch[kDiscardReadSize];
    for (;;) {
        const int ready = api.WaitReadable(connection.Socket(), kDrainPollMs);
        if (ready == 0) return LINK_OK;
        if (ready < 0) return Abandon(connection, error, true);
        const int got = api.Recv(connection.Socket(), scratch, kDiscardReadSize);
        // 0: the printer closed the connection before the command.
        if (got <= 0) return Abandon(connection, error, got < 0);
    }
}

std::int32_t SendAll(Connection& connection, SysError& error, const std::uint8_t* data, std::size_t size) {
    SocketApi& api = connection.Api();
    std::size_t sent = 0;
    while (sent < size) {
        const int ready = api.WaitWritable(connection.Socket(), kReadyTimeoutMs);
        if (ready <= 0) return Abandon(connection, error, ready < 0);  // 0: timed out
        const int n = api.Send(connection.Socket(), data + sent, static_cast<int>(size - sent));
        if (n < 0) return Abandon(connection, error, true);
        sent += static_cast<std::size_t>(n);
    }
    return LINK_OK;
}

std::int32_t ReceiveReply(Connection& connection, SysError& error, std::uint8_t* buffer, std::size_t capacity,
                          std::size_t dataSpan) {
    SocketApi& api = connection.Api();
    std::size_t received = 0;
    for (;;) {
        const int ready = api.WaitReadable(connection.Socket(), kReadyTimeoutMs);
        if (ready <= 0) return Abandon(connection, error, ready < 0);  // 0: timed out
        // A full buffer reads 0 bytes: a reply without a line end within the
        // capacity ends here like a closed connection.
        const int n = api.Recv(connection.Socket(), buffer + received, static_cast<int>(capacity - received));
        if (n <= 0) return Abandon(connection, error, n < 0);  // 0: the printer closed
        received += static_cast<std::size_t>(n);

        // A pair at [i, i+1] ends the line unless it lies inside the data span.
        auto endsLine = [&](std::size_t i) { return i + 1 >= dataSpan && IsTerminatorPair(buffer[i], buffer[i + 1]); };
        if (received >= 2 && endsLine(received - 2)) return LINK_OK;
        for (std::size_t i = 0; i + 2 < received; ++i) {
            if (endsLine(i)) return Abandon(connection, error, false);  // data behind the end of the line
        }
    }
}

std::int32_t CloseConnection(Connection& connection, SysError& error) {
    SocketApi& api = connection.Api();
    bool ok = true;
    // Step order: event for the close notification only, half-close, wait.
    const EventHandle event = api.CreateSocketEvent();
    bool prepared = event != 0;
    if (!prepared) error.Record(api.LastError());
    if (prepared && !api.SelectCloseEvent(connection.socketHandle, event)) {
        error.Record(api.LastError());
        prepared = false;
    }
    if (prepared && !api.ShutdownSend(connection.socketHandle)) {
        error.Record(api.LastError());
        prepared = false;
    }
    if (!prepared) {
        connection.Release(error, event);
        return LINK_E_NETWORK;
    }

    const WaitResult wait = api.WaitEvent(event, kCloseWaitMs);
    if (wait == WaitResult::Failed) error.Record(api.LastError());
    if (wait == WaitResult::Signalled) {
        // Whatever the printer still sent is of no interest; the read ends at
        // its close or at the first error (nothing more waiting).
        std::uint8_t scratch[kDiscardReadSize];
        while (api.Recv(connection.socketHandle, scratch, kDiscardReadSize) > 0) {
        }
    } else {
        ok = false;
    }
    if (!connection.Release(error, event)) ok = false;
    return ok ? LINK_OK : LINK_E_NETWORK;
}

std::int32_t NetworkExchange(SocketApi& api, SysError& error, const PrinterTarget& target,
                             const std::uint8_t* command, std::size_t commandLength, std::uint8_t* reply,
                             std::size_t capacity, std::size_t dataSpan) {
    Connection connection(api);
    if (OpenConnection(api, error, target, connection) != LINK_OK) return LINK_E_NETWORK;
    if (DrainInput(connection, error) != LINK_OK) return LINK_E_NETWORK;
    if (SendAll(connection, error, command, commandLength) != LINK_OK) return LINK_E_NETWORK;
    if (reply != nullptr) {
        std::memset(reply, 0, capacity);
        if (ReceiveReply(connection, error, reply, capacity, dataSpan) != LINK_OK) return LINK_E_NETWORK;
    }
    return CloseConnection(connection, error);
}

}  // namespace kestrion::link
