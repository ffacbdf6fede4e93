#include "link/tests/fake_platform.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kestrion::link::testing {
namespace {
constexpr std::int32_t kWouldBlock = 10035;  // WSAEWOULDBLOCK: nothing waiting on a non-blocking read
}

Bytes Envelope(const Bytes& reply) {
    Bytes value(8 + reply.size(), 0);
    value[4] = 1;  // second word, little-endian: a reply is present
    std::copy(reply.begin(), reply.end(), value.begin() + 8);
    return value;
}

// --- FakeSpooler -------------------------------------------------------------

bool FakeSpooler::OpenPrinterA(const char* name, PrinterHandle* handle) {
    openedName = name;
    if (script.ShouldFail("OpenPrinter")) return false;
    *handle = kHandle;
    ++openHandles;
    return true;
}

bool FakeSpooler::GetPrinterLevel2(PrinterHandle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed) {
    if (script.ShouldFail("GetPrinter")) return false;
    *needed = kInfoSize;
    if (buffer == nullptr || size < kInfoSize) {
        script.SetLastError(122);  // ERROR_INSUFFICIENT_BUFFER, as the size query always ends
        return false;
    }
    // The attributes sit in the record's first word here.
    std::memcpy(buffer, &attributes, sizeof attributes);
    return true;
}

std::uint32_t FakeSpooler::Level2Attributes(const std::uint8_t* buffer) {
    std::uint32_t value;
    std::memcpy(&value, buffer, sizeof value);
    return value;
}

std::uint32_t FakeSpooler::StartDocPrinterA(PrinterHandle, const char* name) {
    documentName = name;
    if (script.ShouldFail("StartDocPrinter")) return 0;
    return kJobId;
}

bool FakeSpooler::WritePrinter(PrinterHandle, const std::uint8_t* data, std::uint32_t size, std::uint32_t* count) {
    if (script.ShouldFail("WritePrinter")) return false;
    written.assign(data, data + size);
    *count = size;
    return true;
}

bool FakeSpooler::EndDocPrinter(PrinterHandle) { return !script.ShouldFail("EndDocPrinter"); }

void FakeSpooler::Sleep(std::uint32_t ms) {
    script.ShouldFail("Sleep");
    sleeps.push_back(ms);
}

std::uint32_t FakeSpooler::GetPrinterDataA(PrinterHandle, const char* name, std::uint8_t* buffer, std::uint32_t size,
                                          std::uint32_t* needed) {
    valueNames.push_back(name);
    if (script.ShouldFail("GetPrinterData")) return 2;  // ERROR_FILE_NOT_FOUND
    ++fetches;
    if (replyOnFetch == 0 || fetches < replyOnFetch || value.empty()) return 2;
    const std::size_t n = std::min<std::size_t>(size, value.size());
    std::memcpy(buffer, value.data(), n);
    *needed = static_cast<std::uint32_t>(value.size());
    return n < value.size() ? 234 : 0;  // ERROR_MORE_DATA when it did not all fit
}

bool FakeSpooler::CancelJob(PrinterHandle, std::uint32_t jobId) {
    if (script.ShouldFail("SetJob")) return false;
    cancelledJob = jobId;
    return true;
}

bool FakeSpooler::ClosePrinter(PrinterHandle) {
    --openHandles;  // the handle is gone even when the close reports a failure
    return !script.ShouldFail("ClosePrinter");
}

// --- FakeSockets ---------------------------------------------------------------

std::int32_t FakeSockets::Startup(std::uint16_t, std::uint16_t* obtained) {
    if (script.ShouldFail("WSAStartup")) return script.LastError();
    ++startups;
    *obtained = grantedVersion;
    return 0;
}

bool FakeSockets::Cleanup() {
    ++cleanups;
    return !script.ShouldFail("WSACleanup");
}

bool FakeSockets::ResolveHost(const char* dotted, std::uint8_t address[4]) {
    pingedAddress = dotted;
    if (script.ShouldFail("gethostbyname")) return false;
    unsigned a, b, c, d;
    if (std::sscanf(dotted, "%u.%u.%u.%u", &a, &b, &c, &d) != 4) return false;
    address[0] = static_cast<std::uint8_t>(a);
    address[1] = static_cast<std::uint8_t>(b);
    address[2] = static_cast<std::uint8_t>(c);
    address[3] = static_cast<std::uint8_t>(d);
    return true;
}

SocketHandle FakeSockets::OpenSocket() {
    if (script.ShouldFail("socket")) return kInvalidSocket;
    ++socketsOpened;
    return 3;
}

bool FakeSockets::Connect(SocketHandle, const std::uint8_t address[4], std::uint16_t port) {
    std::memcpy(connectedAddress, address, 4);
    connectedPort = port;
    return !script.ShouldFail("connect");
}

int FakeSockets::WaitReadable(SocketHandle, std::uint32_t timeoutMs) {
    waits.push_back(timeoutMs);
    if (script.ShouldFail("select")) return -1;
    if (sent.empty()) return !unsolicited.empty() || closesBeforeCommand ? 1 : 0;
    return !replyPieces.empty() || closesAfterReply ? 1 : 0;
}

int FakeSockets::WaitWritable(SocketHandle, std::uint32_t timeoutMs) {
    waits.push_back(timeoutMs);
    if (script.ShouldFail("select")) return -1;
    return writableNever ? 0 : 1;
}

int FakeSockets::Send(SocketHandle, const std::uint8_t* data, int size) {
    if (script.ShouldFail("send")) return -1;
    const int n = sendLimit > 0 ? std::min(size, sendLimit) : size;
    sent.insert(sent.end(), data, data + n);
    return n;
}

int FakeSockets::Recv(SocketHandle, std::uint8_t* buffer, int size) {
    if (script.ShouldFail("recv")) return -1;
    if (size == 0) return 0;
    if (halfClosed) {
        if (peerClosesOnHalfClose) return 0;
        script.SetLastError(kWouldBlock);
        return -1;
    }
    Bytes* source = nullptr;
    if (sent.empty()) {
        if (unsolicited.empty()) {
            if (closesBeforeCommand) return 0;
            script.SetLastError(kWouldBlock);
            return -1;
        }
        source = &unsolicited;
    } else {
        if (replyPieces.empty()) {
            if (closesAfterReply) return 0;
            script.SetLastError(kWouldBlock);
            return -1;
        }
        source = &replyPieces.front();
    }
    const int n = std::min<int>(size, static_cast<int>(source->size()));
    std::memcpy(buffer, source->data(), static_cast<std::size_t>(n));
    source->erase(source->begin(), source->begin() + n);
    if (!sent.empty() && source->empty()) replyPieces.pop_front();
    return n;
}

bool FakeSockets::ShutdownSend(SocketHandle) {
    if (script.ShouldFail("shutdown")) return false;
    halfClosed = true;
    return true;
}

bool FakeSockets::CloseSocket(SocketHandle) {
    ++socketsClosed;
    return !script.ShouldFail("closesocket");
}

EventHandle FakeSockets::CreateSocketEvent() {
    if (script.ShouldFail("WSACreateEvent")) return 0;
    ++eventsCreated;
    return 9;
}

bool FakeSockets::SelectCloseEvent(SocketHandle, EventHandle) { return !script.ShouldFail("WSAEventSelect"); }

WaitResult FakeSockets::WaitEvent(EventHandle, std::uint32_t timeoutMs) {
    waits.push_back(timeoutMs);
    if (script.ShouldFail("WSAWaitForMultipleEvents")) return WaitResult::Failed;
    return peerClosesOnHalfClose ? WaitResult::Signalled : WaitResult::TimedOut;
}

bool FakeSockets::CloseSocketEvent(EventHandle) {
    ++eventsClosed;
    return !script.ShouldFail("WSACloseEvent");
}

bool FakeSockets::LoadIcmpLibrary() {
    if (script.ShouldFail("LoadLibrary")) return false;
    ++icmpLoads;
    return true;
}

bool FakeSockets::ResolveIcmpFunctions() { return !script.ShouldFail("GetProcAddress"); }

void FakeSockets::UnloadIcmpLibrary() {
    script.Note("FreeLibrary");
    ++icmpUnloads;
}

IcmpHandle FakeSockets::IcmpCreateFile() {
    if (script.ShouldFail("IcmpCreateFile")) return 0;
    ++icmpFiles;
    return 5;
}

std::uint32_t FakeSockets::IcmpSendEcho(IcmpHandle, const std::uint8_t*, std::uint8_t ttl, std::uint32_t timeoutMs) {
    echoTtl = ttl;
    echoTimeout = timeoutMs;
    if (echoStatus != 0) script.SetLastError(errorAfterPing);
    return echoStatus;
}

bool FakeSockets::IcmpCloseHandle(IcmpHandle) {
    script.Note("IcmpCloseHandle");
    ++icmpFilesClosed;
    return true;
}

}  // namespace kestrion::link::testing
