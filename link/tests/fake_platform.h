// Scripted fakes of the two seams: any single call can be made to fail with a
// chosen error code, the printer's side is a script, and every resource taken
// is counted so a test can see that all of it was given back.
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "link/core/operations.h"
#include "link/core/seams.h"
#include "core/protocol.h"

namespace kestrion::link::testing {

using Bytes = std::vector<std::uint8_t>;

// Which call to fail, on which of its occurrences (1: the first), with what.
class FailureScript {
public:
    void Fail(const std::string& call, std::int32_t code, int occurrence = 1) { failures[call] = {code, occurrence}; }
    // True when this occurrence of `call` is to fail; remembers its code.
    bool ShouldFail(const std::string& call) {
        calls.push_back(call);
        const int count = ++counts[call];
        const auto it = failures.find(call);
        if (it == failures.end() || it->second.occurrence != count) return false;
        lastError = it->second.code;
        return true;
    }
    int Count(const std::string& call) const {
        const auto it = counts.find(call);
        return it == counts.end() ? 0 : it->second;
    }
    const std::vector<std::string>& Calls() const { return calls; }
    // Logs a call that cannot fail.
    void Note(const std::string& call) { calls.push_back(call); }
    std::int32_t LastError() const { return lastError; }
    void SetLastError(std::int32_t code) { lastError = code; }

private:
    struct Failure {
        std::int32_t code;
        int occurrence;
    };
    std::map<std::string, Failure> failures;
    std::map<std::string, int> counts;
    std::vector<std::string> calls;
    std::int32_t lastError = 0;
};

class FakeSpooler final : public SpoolerApi {
public:
    FailureScript script;
    std::uint32_t attributes = 0x800;
    // What the port monitor holds once the job has ended: envelope + reply.
    Bytes value;
    int replyOnFetch = 1;  // 0: never
    std::uint32_t infoSize = kInfoSize;  // what the level-2 size query reports

    // Seen by the printer side.
    std::string openedName;
    std::string documentName;
    Bytes written;
    std::vector<std::string> valueNames;
    std::vector<std::uint32_t> sleeps;
    std::uint32_t cancelledJob = 0;
    int openHandles = 0;

    bool OpenPrinterA(const char* name, PrinterHandle* handle) override;
    bool GetPrinterLevel2(PrinterHandle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed) override;
    std::uint32_t Level2Attributes(const std::uint8_t* buffer) override;
    std::uint32_t StartDocPrinterA(PrinterHandle, const char* name) override;
    bool WritePrinter(PrinterHandle, const std::uint8_t* data, std::uint32_t size, std::uint32_t* count) override;
    bool EndDocPrinter(PrinterHandle) override;
    void Sleep(std::uint32_t ms) override;
    std::uint32_t GetPrinterDataA(PrinterHandle, const char* name, std::uint8_t* buffer, std::uint32_t size,
                                 std::uint32_t* needed) override;
    bool CancelJob(PrinterHandle, std::uint32_t jobId) override;
    bool ClosePrinter(PrinterHandle) override;
    std::int32_t LastError() override { return script.LastError(); }

    static constexpr std::uint32_t kJobId = 42;
    static constexpr PrinterHandle kHandle = 7;
    static constexpr std::uint32_t kInfoSize = 136;  // a level-2 record, its strings left out

private:
    int fetches = 0;
};

class FakeSockets final : public SocketApi {
public:
    FailureScript script;
    std::uint16_t grantedVersion = 0x0202;
    std::uint32_t echoStatus = 0;       // 0: the printer answers the echo
    std::int32_t errorAfterPing = 0;    // what LastError tells right after a failed echo
    Bytes unsolicited;                  // waiting before the command is sent
    std::deque<Bytes> replyPieces;      // arrive one per read after the command
    bool closesAfterReply = false;      // the printer closes right after its reply (recv 0)
    bool peerClosesOnHalfClose = true;  // the close notification comes
    int sendLimit = 0;                  // >0: send moves at most this many bytes per call
    bool writableNever = false;         // every wait for writability times out
    std::vector<std::uint32_t> waits;   // time-outs of every readiness/close wait, in order

    Bytes sent;
    std::uint8_t connectedAddress[4] = {};
    std::uint16_t connectedPort = 0;
    std::string pingedAddress;

    // Balances.
    int startups = 0, cleanups = 0;
    int socketsOpened = 0, socketsClosed = 0;
    int eventsCreated = 0, eventsClosed = 0;
    int icmpLoads = 0, icmpUnloads = 0;
    int icmpFiles = 0, icmpFilesClosed = 0;

    std::int32_t Startup(std::uint16_t version, std::uint16_t* obtained) override;
    bool Cleanup() override;
    std::int32_t LastError() override { return script.LastError(); }
    bool ResolveHost(const char* dotted, std::uint8_t address[4]) override;
    SocketHandle OpenSocket() override;
    bool Connect(SocketHandle, const std::uint8_t address[4], std::uint16_t port) override;
    int WaitReadable(SocketHandle, std::uint32_t timeoutMs) override;
    int WaitWritable(SocketHandle, std::uint32_t timeoutMs) override;
    int Send(SocketHandle, const std::uint8_t* data, int size) override;
    int Recv(SocketHandle, std::uint8_t* buffer, int size) override;
    bool ShutdownSend(SocketHandle) override;
    bool CloseSocket(SocketHandle) override;
    EventHandle CreateSocketEvent() override;
    bool SelectCloseEvent(SocketHandle, EventHandle) override;
    WaitResult WaitEvent(EventHandle, std::uint32_t timeoutMs) override;
    bool CloseSocketEvent(EventHandle) override;
    bool LoadIcmpLibrary() override;
    bool ResolveIcmpFunctions() override;
    void UnloadIcmpLibrary() override;
    IcmpHandle IcmpCreateFile() override;
    std::uint32_t IcmpSendEcho(IcmpHandle, const std::uint8_t address[4], std::uint8_t ttl,
                               std::uint32_t timeoutMs) override;
    bool IcmpCloseHandle(IcmpHandle) override;

    std::uint8_t echoTtl = 0;
    std::uint32_t echoTimeout = 0;
    bool closesBeforeCommand = false;  // the printer closes before the command (drain reads 0)

private:
    bool halfClosed = false;
};

// A platform made of the two fakes.
struct FakePlatform {
    FakeSpooler spooler;
    FakeSockets sockets;
    Platform platform{spooler, sockets};
};

// An envelope with its second word set, followed by `reply`.
Bytes Envelope(const Bytes& reply);

}  // namespace kestrion::link::testing
