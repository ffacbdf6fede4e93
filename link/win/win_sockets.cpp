#include "link/win/win_sockets.h"

#include <winsock2.h>
#include <ws2tcpip.h>
#include <windows.h>
#include <ipexport.h>

#include <cstring>

namespace kestrion::link {
namespace {

using IcmpCreateFileFn = HANDLE(WINAPI*)();
using IcmpSendEchoFn = DWORD(WINAPI*)(HANDLE, IPAddr, LPVOID, WORD, PIP_OPTION_INFORMATION, LPVOID, DWORD, DWORD);
using IcmpCloseHandleFn = BOOL(WINAPI*)(HANDLE);

// The echo's reply buffer: one reply record of this process's layout (40
// bytes on x64, where the system refuses the 28-byte 32-bit record), no echo
// data (none is sent), and the 8 bytes of an ICMP error message that the
// system may place behind the record.
constexpr DWORD kEchoReplySize = sizeof(ICMP_ECHO_REPLY) + 8;
// Status left in the record when the call writes none: not an answer.
constexpr ULONG kNoReplyStatus = IP_GENERAL_FAILURE;

SOCKET AsSocket(SocketHandle socket) { return static_cast<SOCKET>(socket); }
WSAEVENT AsEvent(EventHandle event) { return reinterpret_cast<WSAEVENT>(event); }

template <typename Fn>
Fn Resolve(void* module, const char* name) {
    return reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(static_cast<HMODULE>(module), name)));
}

int WaitOne(SOCKET socket, bool write, std::uint32_t timeoutMs) {
    fd_set set;
    FD_ZERO(&set);
    FD_SET(socket, &set);
    timeval tv{static_cast<long>(timeoutMs / 1000), static_cast<long>(timeoutMs % 1000) * 1000};
    const int r = ::select(0, write ? nullptr : &set, write ? &set : nullptr, nullptr, &tv);
    if (r == SOCKET_ERROR) return -1;
    return r > 0 ? 1 : 0;
}

}  // namespace

std::int32_t WinSockets::Startup(std::uint16_t version, std::uint16_t* obtained) {
    WSADATA data{};
    const int r = ::WSAStartup(version, &data);
    if (r != 0) return r;
    *obtained = data.wVersion;
    return 0;
}

bool WinSockets::Cleanup() { return ::WSACleanup() == 0; }

std::int32_t WinSockets::LastError() { return ::WSAGetLastError(); }

bool WinSockets::ResolveHost(const char* dotted, std::uint8_t address[4]) {
    const hostent* host = ::gethostbyname(dotted);
    if (host == nullptr || host->h_addr_list == nullptr || host->h_addr_list[0] == nullptr ||
        host->h_length != 4) {
        return false;
    }
    std::memcpy(address, host->h_addr_list[0], 4);
    return true;
}

SocketHandle WinSockets::OpenSocket() {
    const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET) return kInvalidSocket;
    return static_cast<SocketHandle>(s);
}

bool WinSockets::Connect(SocketHandle socket, const std::uint8_t address[4], std::uint16_t port) {
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_port = ::htons(port);
    std::memcpy(&to.sin_addr.s_addr, address, 4);
    return ::connect(AsSocket(socket), reinterpret_cast<const sockaddr*>(&to), sizeof to) == 0;
}

int WinSockets::WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) {
    return WaitOne(AsSocket(socket), false, timeoutMs);
}

int WinSockets::WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) {
    return WaitOne(AsSocket(socket), true, timeoutMs);
}

int WinSockets::Send(SocketHandle socket, const std::uint8_t* data, int size) {
    const int n = ::send(AsSocket(socket), reinterpret_cast<const char*>(data), size, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

int WinSockets::Recv(SocketHandle socket, std::uint8_t* buffer, int size) {
    const int n = ::recv(AsSocket(socket), reinterpret_cast<char*>(buffer), size, 0);
    return n == SOCKET_ERROR ? -1 : n;
}

bool WinSockets::ShutdownSend(SocketHandle socket) { return ::shutdown(AsSocket(socket), SD_SEND) == 0; }

bool WinSockets::CloseSocket(SocketHandle socket) { return ::closesocket(AsSocket(socket)) == 0; }

EventHandle WinSockets::CreateSocketEvent() {
    const WSAEVENT event = ::WSACreateEvent();
    return event == WSA_INVALID_EVENT ? 0 : reinterpret_cast<EventHandle>(event);
}

bool WinSockets::SelectCloseEvent(SocketHandle socket, EventHandle event) {
    return ::WSAEventSelect(AsSocket(socket), AsEvent(event), FD_CLOSE) == 0;
}

WaitResult WinSockets::WaitEvent(EventHandle event, std::uint32_t timeoutMs) {
    WSAEVENT events[1] = {AsEvent(event)};
    const DWORD r = ::WSAWaitForMultipleEvents(1, events, FALSE, timeoutMs, FALSE);
    if (r == WSA_WAIT_EVENT_0) return WaitResult::Signalled;
    if (r == WSA_WAIT_TIMEOUT) return WaitResult::TimedOut;
    if (r == WSA_WAIT_FAILED) return WaitResult::Failed;
    return WaitResult::Other;
}

bool WinSockets::CloseSocketEvent(EventHandle event) { return ::WSACloseEvent(AsEvent(event)) != FALSE; }

bool WinSockets::LoadIcmpLibrary() {
    icmpModule = reinterpret_cast<void*>(::LoadLibraryA("ICMP.DLL"));
    return icmpModule != nullptr;
}

bool WinSockets::ResolveIcmpFunctions() {
    createFileFn = reinterpret_cast<void*>(Resolve<IcmpCreateFileFn>(icmpModule, "IcmpCreateFile"));
    closeHandleFn = reinterpret_cast<void*>(Resolve<IcmpCloseHandleFn>(icmpModule, "IcmpCloseHandle"));
    sendEchoFn = reinterpret_cast<void*>(Resolve<IcmpSendEchoFn>(icmpModule, "IcmpSendEcho"));
    return createFileFn != nullptr && closeHandleFn != nullptr && sendEchoFn != nullptr;
}

void WinSockets::UnloadIcmpLibrary() {
    if (icmpModule != nullptr) ::FreeLibrary(static_cast<HMODULE>(icmpModule));
    icmpModule = createFileFn = sendEchoFn = closeHandleFn = nullptr;
}

IcmpHandle WinSockets::IcmpCreateFile() {
    const HANDLE h = reinterpret_cast<IcmpCreateFileFn>(createFileFn)();
    if (h == INVALID_HANDLE_VALUE || h == nullptr) return 0;
    return reinterpret_cast<IcmpHandle>(h);
}

std::uint32_t WinSockets::IcmpSendEcho(IcmpHandle handle, const std::uint8_t address[4], std::uint8_t ttl,
                                       std::uint32_t timeoutMs) {
    IP_OPTION_INFORMATION options{};
    options.Ttl = ttl;
    IPAddr destination;
    std::memcpy(&destination, address, 4);
    alignas(ICMP_ECHO_REPLY) std::uint8_t buffer[kEchoReplySize] = {};
    auto* reply = reinterpret_cast<ICMP_ECHO_REPLY*>(buffer);
    reply->Status = kNoReplyStatus;
    // The count returned is not needed: the record's status tells.
    reinterpret_cast<IcmpSendEchoFn>(sendEchoFn)(reinterpret_cast<HANDLE>(handle), destination, nullptr, 0, &options,
                                                 buffer, kEchoReplySize, timeoutMs);
    return reply->Status;
}

bool WinSockets::IcmpCloseHandle(IcmpHandle handle) {
    return reinterpret_cast<IcmpCloseHandleFn>(closeHandleFn)(reinterpret_cast<HANDLE>(handle)) != FALSE;
}

}  // namespace kestrion::link
