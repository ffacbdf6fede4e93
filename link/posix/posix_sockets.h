// The socket seam over POSIX sockets. The close notification is the peer's
// half-close seen by poll (POLLRDHUP); the echo check uses an ICMP datagram
// socket where the system allows it, else a raw one.
#pragma once

#include "link/core/seams.h"

namespace kestrion::link {

class PosixSockets : public SocketApi {
public:
    std::int32_t Startup(std::uint16_t version, std::uint16_t* obtained) override;
    bool Cleanup() override;
    std::int32_t LastError() override { return lastError; }

    bool ResolveHost(const char* dotted, std::uint8_t address[4]) override;
    SocketHandle OpenSocket() override;
    bool Connect(SocketHandle socket, const std::uint8_t address[4], std::uint16_t port) override;
    int WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) override;
    int WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) override;
    int Send(SocketHandle socket, const std::uint8_t* data, int size) override;
    int Recv(SocketHandle socket, std::uint8_t* buffer, int size) override;
    bool ShutdownSend(SocketHandle socket) override;
    bool CloseSocket(SocketHandle socket) override;

    EventHandle CreateSocketEvent() override;
    bool SelectCloseEvent(SocketHandle socket, EventHandle event) override;
    WaitResult WaitEvent(EventHandle event, std::uint32_t timeoutMs) override;
    bool CloseSocketEvent(EventHandle event) override;

    bool LoadIcmpLibrary() override { return true; }
    bool ResolveIcmpFunctions() override { return true; }
    void UnloadIcmpLibrary() override {}
    IcmpHandle IcmpCreateFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, const std::uint8_t address[4], std::uint8_t ttl,
                               std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle handle) override;

private:
    // Remembers errno of the call that just failed, as WSAGetLastError would.
    void Fail();

    // Per thread, as WSAGetLastError's value is: the one platform object
    // serves every thread, and one thread's failure must not be reported as
    // another's.
    static inline thread_local std::int32_t lastError = 0;
};

}  // namespace kestrion::link
