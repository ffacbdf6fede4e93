// The socket seam over Windows Sockets 2 and the ICMP library, which is
// loaded by name for each echo.
#pragma once

#include "link/core/seams.h"

namespace kestrion::link {

class WinSockets final : public SocketApi {
public:
    std::int32_t Startup(std::uint16_t version, std::uint16_t* obtained) override;
    bool Cleanup() override;
    std::int32_t LastError() override;

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

    bool LoadIcmpLibrary() override;
    bool ResolveIcmpFunctions() override;
    void UnloadIcmpLibrary() override;
    IcmpHandle IcmpCreateFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle handle, const std::uint8_t address[4], std::uint8_t ttl,
                               std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle handle) override;

private:
    // The ICMP library of the echo in progress and its three functions, per
    // thread: the one platform object serves every thread, and an echo that
    // ends must not unload the library under another thread's echo.
    static inline thread_local void* icmpModule = nullptr;
    static inline thread_local void* createFileFn = nullptr;
    static inline thread_local void* sendEchoFn = nullptr;
    static inline thread_local void* closeHandleFn = nullptr;
};

}  // namespace kestrion::link
