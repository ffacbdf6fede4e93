// The socket exchange as the operations use it, over a scripted socket seam:
// unsolicited bytes before the command, partial sends, the reply in arbitrary
// pieces with or without line ends, time-outs, errors and a printer that
// closes early or never. The reply lands in a buffer of exactly the capacity
// the operation gives, and every read is checked against its end.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <deque>
#include <memory>
#include <set>
#include <vector>

#include "core/protocol.h"
#include "fuzz/fuzz_check.h"
#include "link/core/net_exchange.h"
#include "link/core/operations.h"

using namespace kestrion;
using namespace kestrion::link;

namespace {

using Bytes = std::vector<std::uint8_t>;

// What the printer and the system do, drawn once from the input and played
// to every exchange of the run.
struct Script {
    bool echoAnswers = true;
    std::uint16_t version = kWinsockVersion;
    std::deque<Bytes> unsolicited;
    std::deque<Bytes> reply;
    int sendLimit = 0;             // >0: at most this many bytes per send
    int replyWaitTimesOutAt = -1;  // the n-th readiness wait for the reply times out (-1: none)
    int replyWaitFailsAt = -1;
    bool closesAfterReply = true;  // recv 0 once the pieces are out; else the waits time out
    bool recvFails = false;        // the read after the last piece fails instead
    WaitResult closeWait = WaitResult::Signalled;
    std::set<int> failingCalls;    // indexes into the calls below that fail
};

enum Call { kStartup, kSocket, kConnect, kShutdown, kCloseSocket, kCleanup, kCreateEvent, kSelectEvent,
            kCloseEvent, kSend, kCallCount };

std::int32_t CodeOf(int call) { return 10000 + call; }

class ScriptedSockets final : public SocketApi {
public:
    explicit ScriptedSockets(const Script& s) : script(s) {}

    Script script;
    // The reply buffer the exchange reads into; every read must stay inside.
    const std::uint8_t* replyBegin = nullptr;
    const std::uint8_t* replyEnd = nullptr;
    std::size_t commandLength = 0;
    Bytes delivered;  // reply bytes handed out
    std::vector<std::size_t> readEnds;  // how many reply bytes were out after each read
    std::set<std::int32_t> codesGiven;
    int startups = 0, cleanups = 0, sockets = 0, socketsClosed = 0, events = 0, eventsClosed = 0;
    int icmpLoads = 0, icmpUnloads = 0, icmpFiles = 0, icmpFilesClosed = 0, shutdowns = 0;

    std::int32_t Startup(std::uint16_t, std::uint16_t* obtained) override {
        if (Fails(kStartup)) return CodeOf(kStartup);
        ++startups;
        *obtained = script.version;
        return 0;
    }
    bool Cleanup() override {
        ++cleanups;
        return !Fails(kCleanup);
    }
    std::int32_t LastError() override { return lastError; }
    bool ResolveHost(const char*, std::uint8_t address[4]) override {
        std::memset(address, 127, 4);
        return true;
    }
    SocketHandle OpenSocket() override {
        if (Fails(kSocket)) return kInvalidSocket;
        ++sockets;
        return 3;
    }
    bool Connect(SocketHandle, const std::uint8_t*, std::uint16_t) override { return !Fails(kConnect); }
    int WaitReadable(SocketHandle, std::uint32_t timeoutMs) override {
        if (timeoutMs == kDrainPollMs) return script.unsolicited.empty() ? 0 : 1;
        FUZZ_CHECK(sentBytes == commandLength);  // the reply is only waited for after the whole command
        const int n = replyWaits++;
        if (n == script.replyWaitTimesOutAt) return 0;
        if (n == script.replyWaitFailsAt) {
            lastError = 10100;
            codesGiven.insert(lastError);
            return -1;
        }
        if (!script.reply.empty() || script.closesAfterReply || script.recvFails) return 1;
        return 0;
    }
    int WaitWritable(SocketHandle, std::uint32_t) override { return 1; }
    int Send(SocketHandle, const std::uint8_t*, int size) override {
        FUZZ_CHECK(size > 0);
        if (Fails(kSend)) return -1;
        const int n = script.sendLimit > 0 ? std::min(size, script.sendLimit) : size;
        sentBytes += static_cast<std::size_t>(n);
        FUZZ_CHECK(sentBytes <= commandLength);
        return n;
    }
    int Recv(SocketHandle, std::uint8_t* buffer, int size) override {
        FUZZ_CHECK(size >= 0);
        if (halfClosed) return 0;  // the discard loop after the close notification
        if (sentBytes < commandLength) {
            // Draining: what the printer sent before the command.
            FUZZ_CHECK(!script.unsolicited.empty());
            return Hand(script.unsolicited, buffer, size, false);
        }
        // The reply: every read lies inside the reply buffer.
        FUZZ_CHECK(replyBegin != nullptr);
        FUZZ_CHECK(buffer >= replyBegin && buffer + size <= replyEnd);
        if (script.reply.empty()) {
            if (script.recvFails) {
                lastError = 10101;
                codesGiven.insert(lastError);
                return -1;
            }
            return 0;
        }
        if (size == 0) return 0;
        return Hand(script.reply, buffer, size, true);
    }
    bool ShutdownSend(SocketHandle) override {
        ++shutdowns;
        if (Fails(kShutdown)) return false;
        halfClosed = true;
        return true;
    }
    bool CloseSocket(SocketHandle) override {
        ++socketsClosed;
        return !Fails(kCloseSocket);
    }
    EventHandle CreateSocketEvent() override {
        if (Fails(kCreateEvent)) return 0;
        ++events;
        return 9;
    }
    bool SelectCloseEvent(SocketHandle, EventHandle) override { return !Fails(kSelectEvent); }
    WaitResult WaitEvent(EventHandle, std::uint32_t timeoutMs) override {
        FUZZ_CHECK(timeoutMs == kCloseWaitMs);
        if (script.closeWait == WaitResult::Failed) {
            lastError = 10102;
            codesGiven.insert(lastError);
        }
        return script.closeWait;
    }
    bool CloseSocketEvent(EventHandle) override {
        ++eventsClosed;
        return !Fails(kCloseEvent);
    }
    bool LoadIcmpLibrary() override {
        ++icmpLoads;
        return true;
    }
    bool ResolveIcmpFunctions() override { return true; }
    void UnloadIcmpLibrary() override { ++icmpUnloads; }
    IcmpHandle IcmpCreateFile() override {
        ++icmpFiles;
        return 5;
    }
    std::uint32_t IcmpSendEcho(IcmpHandle, const std::uint8_t*, std::uint8_t ttl, std::uint32_t timeoutMs) override {
        FUZZ_CHECK(ttl == kEchoTimeToLive && timeoutMs == kEchoTimeoutMs);
        return script.echoAnswers ? 0 : 11010;
    }
    bool IcmpCloseHandle(IcmpHandle) override {
        ++icmpFilesClosed;
        return true;
    }

private:
    bool Fails(Call call) {
        if (script.failingCalls.count(call) == 0) return false;
        lastError = CodeOf(call);
        codesGiven.insert(lastError);
        return true;
    }
    int Hand(std::deque<Bytes>& pieces, std::uint8_t* buffer, int size, bool isReply) {
        Bytes& piece = pieces.front();
        const std::size_t n = std::min<std::size_t>(piece.size(), static_cast<std::size_t>(size));
        std::memcpy(buffer, piece.data(), n);
        if (isReply) {
            delivered.insert(delivered.end(), piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
            readEnds.push_back(delivered.size());
        }
        piece.erase(piece.begin(), piece.begin() + static_cast<std::ptrdiff_t>(n));
        if (piece.empty()) pieces.pop_front();
        return static_cast<int>(n);
    }

    std::size_t sentBytes = 0;
    int replyWaits = 0;
    bool halfClosed = false;
    std::int32_t lastError = 0;
};

bool IsPair(std::uint8_t a, std::uint8_t b) { return (a == kCr && b == kLf) || (a == kLf && b == 0); }

Bytes TakePiece(FuzzedDataProvider& in, std::size_t most) {
    const std::size_t n = in.ConsumeIntegralInRange<std::size_t>(1, most);
    Bytes piece = in.ConsumeBytes<std::uint8_t>(n);
    if (piece.empty()) piece.push_back(kLf);
    return piece;
}

Script TakeScript(FuzzedDataProvider& in) {
    Script s;
    s.echoAnswers = in.ConsumeIntegralInRange(0, 15) != 0;
    if (in.ConsumeIntegralInRange(0, 15) == 0) s.version = 0x0101;
    const int unsolicited = in.ConsumeIntegralInRange(0, 3);
    for (int i = 0; i < unsolicited; ++i) s.unsolicited.push_back(TakePiece(in, 64));
    s.sendLimit = in.ConsumeIntegralInRange(0, 12);
    s.replyWaitTimesOutAt = in.ConsumeIntegralInRange(-1, 8);
    if (in.ConsumeIntegralInRange(0, 7) == 0) s.replyWaitFailsAt = in.ConsumeIntegralInRange(0, 8);
    s.closesAfterReply = in.ConsumeBool();
    s.recvFails = in.ConsumeIntegralInRange(0, 7) == 0;
    const WaitResult waits[] = {WaitResult::Signalled, WaitResult::Signalled, WaitResult::Signalled,
                                WaitResult::TimedOut, WaitResult::Failed, WaitResult::Other};
    s.closeWait = waits[in.ConsumeIntegralInRange<std::size_t>(0, 5)];
    for (int i = 0; i < 4 && in.remaining_bytes() > 0 && in.ConsumeIntegralInRange(0, 7) == 0; ++i)
        s.failingCalls.insert(in.ConsumeIntegralInRange(0, kCallCount - 1));
    // The rest of the input is the reply, in pieces.
    while (in.remaining_bytes() > 0) s.reply.push_back(TakePiece(in, 300));
    return s;
}

void CheckBalanced(const ScriptedSockets& api) {
    FUZZ_CHECK(api.startups == api.cleanups);
    FUZZ_CHECK(api.sockets == api.socketsClosed);
    FUZZ_CHECK(api.events == api.eventsClosed);
    FUZZ_CHECK(api.icmpLoads == api.icmpUnloads);
    FUZZ_CHECK(api.icmpFiles == api.icmpFilesClosed);
    FUZZ_CHECK(api.shutdowns <= 1);
}

// The exchange itself, reading into a heap buffer of exactly `capacity`.
void CheckExchange(const Script& script, std::size_t capacity, std::size_t dataSpan) {
    ScriptedSockets api(script);
    const auto buffer = std::make_unique<std::uint8_t[]>(capacity);
    api.replyBegin = buffer.get();
    api.replyEnd = buffer.get() + capacity;
    api.commandLength = kStatusQuery.size();
    PrinterTarget target{};
    target.connection = 1;
    target.ipAddress[0] = 127;
    target.ipAddress[3] = 1;
    target.port = 12000;
    std::int32_t slot = 0;
    SysError error(&slot);
    const std::int32_t result = NetworkExchange(api, error, target, kStatusQuery.data(), kStatusQuery.size(),
                                                buffer.get(), capacity, dataSpan);
    FUZZ_CHECK(result == LINK_OK || result == LINK_E_NETWORK);
    CheckBalanced(api);
    FUZZ_CHECK(slot == 0 || api.codesGiven.count(slot) == 1);
    if (result != LINK_OK) return;

    // One line: never more than the buffer, ending in its terminator, the
    // bytes as they came, and nothing of what was sent before the command.
    // Up to the read before the last, no line end had come (outside the
    // reply's data span): the line would have ended there, or failed.
    FUZZ_CHECK(slot == 0);
    const Bytes& got = api.delivered;
    FUZZ_CHECK(got.size() >= 2 && got.size() <= capacity);
    FUZZ_CHECK(IsPair(got[got.size() - 2], got[got.size() - 1]));
    FUZZ_CHECK(!api.readEnds.empty() && api.readEnds.back() == got.size());
    const std::size_t before = api.readEnds.size() >= 2 ? api.readEnds[api.readEnds.size() - 2] : 0;
    for (std::size_t i = 0; i + 2 <= before; ++i) FUZZ_CHECK(i + 1 < dataSpan || !IsPair(got[i], got[i + 1]));
    FUZZ_CHECK(std::memcmp(buffer.get(), got.data(), got.size()) == 0);
    for (std::size_t i = got.size(); i < capacity; ++i) FUZZ_CHECK(buffer[i] == 0);
    FUZZ_CHECK(api.shutdowns == 1);
}

// The same script under the two read operations: their results and outputs.
void CheckOperations(const Script& script) {
    class NoSpooler final : public SpoolerApi {
    public:
        bool OpenPrinterA(const char*, PrinterHandle*) override { __builtin_trap(); }
        bool GetPrinterLevel2(PrinterHandle, std::uint8_t*, std::uint32_t, std::uint32_t*) override { __builtin_trap(); }
        std::uint32_t Level2Attributes(const std::uint8_t*) override { __builtin_trap(); }
        std::uint32_t StartDocPrinterA(PrinterHandle, const char*) override { __builtin_trap(); }
        bool WritePrinter(PrinterHandle, const std::uint8_t*, std::uint32_t, std::uint32_t*) override { __builtin_trap(); }
        bool EndDocPrinter(PrinterHandle) override { __builtin_trap(); }
        void Sleep(std::uint32_t) override { __builtin_trap(); }
        std::uint32_t GetPrinterDataA(PrinterHandle, const char*, std::uint8_t*, std::uint32_t, std::uint32_t*) override {
            __builtin_trap();
        }
        bool CancelJob(PrinterHandle, std::uint32_t) override { __builtin_trap(); }
        bool ClosePrinter(PrinterHandle) override { __builtin_trap(); }
        std::int32_t LastError() override { return 0; }
    } spooler;

    PrinterTarget target{};
    target.connection = 1;
    target.ipAddress[0] = 127;
    target.ipAddress[3] = 1;
    target.port = 12000;
    for (int read = 0; read < 2; ++read) {
        ScriptedSockets api(script);
        api.commandLength = read == 0 ? kStatusQuery.size() : kParamQuery.size();
        // The operation's own buffer is not known here: the exchange's reads
        // are bounded above, here only their results are checked.
        api.replyBegin = reinterpret_cast<const std::uint8_t*>(1);
        api.replyEnd = reinterpret_cast<const std::uint8_t*>(UINTPTR_MAX);
        Platform platform{spooler, api};
        std::int32_t sysError = -1;
        if (read == 0) {
            std::int32_t status = 0x7777;
            const std::int32_t r = GetPrinterStatus(platform, &target, &status, &sysError);
            FUZZ_CHECK(r == LINK_OK || r == LINK_E_NETWORK || r == LINK_E_STATUS_REPLY);
            const Bytes& got = api.delivered;
            if (r == LINK_OK) {
                FUZZ_CHECK(got.size() >= 4 && got.size() <= kStatusReplyCapacity && got[0] == 1 && got[1] == 2);
                FUZZ_CHECK(status == ParseStatusDigits(got[2], got[3]));
                FUZZ_CHECK(sysError == 0);
            } else {
                FUZZ_CHECK(status == 0x7777);  // untouched on failure
            }
        } else {
            ParamBlock param;
            AdjustBlock adjust;
            AddressBlock address;
            param.fill(-1);
            adjust.fill(-1);
            address.fill(-1);
            const std::int32_t r = GetPrinterParam(platform, &target, param.data(), adjust.data(), address.data(), &sysError);
            FUZZ_CHECK(r == LINK_OK || r == LINK_E_NETWORK || r == LINK_E_PARAM_REPLY);
            const Bytes& got = api.delivered;
            if (r == LINK_OK) {
                FUZZ_CHECK(got.size() >= 2 && got.size() <= kParamReplyCapacity && sysError == 0);
                std::uint8_t whole[kParamReplyLength] = {};
                std::memcpy(whole, got.data(), got.size());
                ParamBlock p;
                AdjustBlock a;
                AddressBlock d;
                FUZZ_CHECK(DecodeParamReply(whole, p.data(), a.data(), d.data()));
                FUZZ_CHECK(p == param && a == adjust && d == address);
            } else {
                // After the target check every element is 0 on failure.
                for (std::int32_t v : param) FUZZ_CHECK(v == 0);
                for (std::int32_t v : adjust) FUZZ_CHECK(v == 0);
                for (std::int32_t v : address) FUZZ_CHECK(v == 0);
            }
        }
        CheckBalanced(api);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const Script script = TakeScript(in);
    CheckExchange(script, kStatusReplyCapacity, 0);
    CheckExchange(script, kParamReplyCapacity, kParamReplyDataSpan);
    CheckOperations(script);
    return 0;
}
