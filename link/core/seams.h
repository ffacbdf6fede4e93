// The two narrow seams under the link library's exchanges. Each method mirrors
// one platform call the exchanges really make, so the same exchange code runs
// over winspool/Winsock on Windows, over POSIX sockets and the simulated
// spooler on Linux, and over a scripted fake in the fault tests.
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrion::link {

// --- Spooler ----------------------------------------------------------------

using PrinterHandle = std::uintptr_t;

class SpoolerApi {
public:
    virtual ~SpoolerApi() = default;

    // OpenPrinterA with full access, no data type and no device mode.
    virtual bool OpenPrinterA(const char* name, PrinterHandle* handle) = 0;
    // GetPrinterA at level 2. With a null buffer and size 0 it only reports the
    // size needed; false when the call fails.
    virtual bool GetPrinterLevel2(PrinterHandle handle, std::uint8_t* buffer, std::uint32_t size,
                                  std::uint32_t* needed) = 0;
    // The Attributes word of a level-2 record filled by GetPrinterLevel2.
    virtual std::uint32_t Level2Attributes(const std::uint8_t* buffer) = 0;
    // StartDocPrinterA at level 1 with the document name, no output file and
    // no data type. Returns the job identifier, 0 on failure.
    virtual std::uint32_t StartDocPrinterA(PrinterHandle handle, const char* documentName) = 0;
    virtual bool WritePrinter(PrinterHandle handle, const std::uint8_t* data, std::uint32_t size,
                              std::uint32_t* written) = 0;
    virtual bool EndDocPrinter(PrinterHandle handle) = 0;
    virtual void Sleep(std::uint32_t milliseconds) = 0;
    // GetPrinterDataA without type output. Returns the call's own result
    // (0 success), which the exchange does not examine.
    virtual std::uint32_t GetPrinterDataA(PrinterHandle handle, const char* valueName, std::uint8_t* buffer,
                                         std::uint32_t size, std::uint32_t* needed) = 0;
    // SetJobA at level 0 with no job information and the cancel command.
    virtual bool CancelJob(PrinterHandle handle, std::uint32_t jobId) = 0;
    virtual bool ClosePrinter(PrinterHandle handle) = 0;
    // The error code of the call that just failed (GetLastError, errno).
    virtual std::int32_t LastError() = 0;
};

// --- Sockets and ICMP echo ---------------------------------------------------

using SocketHandle = std::intptr_t;
inline constexpr SocketHandle kInvalidSocket = -1;
using EventHandle = std::uintptr_t;  // 0: no event
using IcmpHandle = std::uintptr_t;   // 0: no handle

// Outcome of waiting for the close notification.
enum class WaitResult { Signalled, TimedOut, Failed, Other };

class SocketApi {
public:
    virtual ~SocketApi() = default;

    // WSAStartup: returns 0, or the error code the start-up failed with.
    // `obtained` receives the version granted (low byte major, high byte minor).
    virtual std::int32_t Startup(std::uint16_t version, std::uint16_t* obtained) = 0;
    virtual bool Cleanup() = 0;
    // WSAGetLastError (errno on Linux) for the call that just failed.
    virtual std::int32_t LastError() = 0;

    // gethostbyname on dotted text: the first address of the host entry.
    virtual bool ResolveHost(const char* dotted, std::uint8_t address[4]) = 0;
    // An IPv4 stream socket for TCP; kInvalidSocket on failure.
    virtual SocketHandle OpenSocket() = 0;
    // A blocking connect with the system's own time-out.
    virtual bool Connect(SocketHandle socket, const std::uint8_t address[4], std::uint16_t port) = 0;
    // select for one socket: 1 ready, 0 timed out, -1 failed.
    virtual int WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) = 0;
    virtual int WaitWritable(SocketHandle socket, std::uint32_t timeoutMs) = 0;
    // send / recv: the count moved, -1 on failure (recv: 0 when the peer closed).
    virtual int Send(SocketHandle socket, const std::uint8_t* data, int size) = 0;
    virtual int Recv(SocketHandle socket, std::uint8_t* buffer, int size) = 0;
    virtual bool ShutdownSend(SocketHandle socket) = 0;
    virtual bool CloseSocket(SocketHandle socket) = 0;

    // The close notification: an event associated with the socket for the
    // peer's close only, waited for with a time-out.
    virtual EventHandle CreateSocketEvent() = 0;
    virtual bool SelectCloseEvent(SocketHandle socket, EventHandle event) = 0;
    virtual WaitResult WaitEvent(EventHandle event, std::uint32_t timeoutMs) = 0;
    virtual bool CloseSocketEvent(EventHandle event) = 0;

    // The ICMP library, loaded by name for each echo and unloaded after it.
    virtual bool LoadIcmpLibrary() = 0;
    // Resolves IcmpCreateFile, IcmpSendEcho and IcmpCloseHandle; false when
    // any of them is missing.
    virtual bool ResolveIcmpFunctions() = 0;
    virtual void UnloadIcmpLibrary() = 0;
    virtual IcmpHandle IcmpCreateFile() = 0;
    // One echo without payload. Returns the status of the echo reply record
    // (0 when the destination answered); any other value means no answer.
    virtual std::uint32_t IcmpSendEcho(IcmpHandle handle, const std::uint8_t address[4], std::uint8_t ttl,
                                       std::uint32_t timeoutMs) = 0;
    virtual bool IcmpCloseHandle(IcmpHandle handle) = 0;
};

}  // namespace kestrion::link
