// The spooler exchange as the two read operations use it, over a scripted
// spooler: any call may fail, the level-2 size query may report any size, and
// the port monitor's value may be shorter or longer than the fetch buffer,
// appear only on a later fetch or never, and report any size it likes. The
// reply is taken from behind the 8-byte envelope of the buffer as filled.
#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/protocol.h"
#include "core/spooler_reply.h"
#include "fuzz/fuzz_check.h"
#include "link/core/operations.h"
#include "link/core/spool_exchange.h"

using namespace kestrion;
using namespace kestrion::link;

namespace {

using Bytes = std::vector<std::uint8_t>;

enum Call { kOpen, kGetPrinter, kStartDoc, kWrite, kEndDoc, kSetJob, kClose, kCallCount };
std::int32_t CodeOf(int call) { return 20000 + call; }

constexpr std::uint32_t kRecordSize = 136;  // the level-2 record this spooler hands out
constexpr std::uint32_t kJobId = 77;
constexpr PrinterHandle kHandle = 0x1234;

struct Script {
    std::set<int> failing;
    std::uint32_t reportedSize = kRecordSize;  // what the size query says is needed
    std::uint32_t attributes = kPrinterAttributeEnableBidi;
    int replyOnFetch = 1;                      // 0: never
    Bytes value;                               // envelope + reply as the monitor keeps it
    std::uint32_t reportedValueSize = 0;       // what the fetch says the value needs
    std::uint32_t fetchResult = 0;
};

class ScriptedSpooler final : public SpoolerApi {
public:
    explicit ScriptedSpooler(const Script& s, std::string printer) : script(s), printerName(std::move(printer)) {}

    Script script;
    std::string printerName;
    std::set<std::int32_t> codesGiven;
    int opened = 0, closed = 0, fetches = 0, sleeps = 0, cancels = 0;
    bool jobEnded = false;
    std::uint32_t fetchSize = 0;
    Bytes mirror;  // what the fetch buffer holds, as far as this spooler wrote it

    bool OpenPrinterA(const char* name, PrinterHandle* handle) override {
        FUZZ_CHECK(name == printerName);
        if (Fails(kOpen)) return false;
        ++opened;
        *handle = kHandle;
        return true;
    }
    bool GetPrinterLevel2(PrinterHandle handle, std::uint8_t* buffer, std::uint32_t size,
                          std::uint32_t* needed) override {
        FUZZ_CHECK(handle == kHandle);
        *needed = script.reportedSize;
        if (buffer == nullptr || size < kRecordSize) {
            lastError = 122;  // the buffer is too small
            return false;
        }
        if (Fails(kGetPrinter)) return false;
        // The whole record is written; the buffer must hold it.
        std::memset(buffer, 0xA5, kRecordSize);
        std::memcpy(buffer + 4, &script.attributes, 4);
        infoBuffer = buffer;
        return true;
    }
    std::uint32_t Level2Attributes(const std::uint8_t* buffer) override {
        FUZZ_CHECK(buffer == infoBuffer);
        std::uint32_t a;
        std::memcpy(&a, buffer + 4, 4);
        return a;
    }
    std::uint32_t StartDocPrinterA(PrinterHandle, const char* document) override {
        FUZZ_CHECK(document != nullptr);
        return Fails(kStartDoc) ? 0 : kJobId;
    }
    bool WritePrinter(PrinterHandle, const std::uint8_t* data, std::uint32_t size, std::uint32_t* written) override {
        FUZZ_CHECK(data != nullptr && size > 0);
        if (Fails(kWrite)) return false;
        *written = size;
        return true;
    }
    bool EndDocPrinter(PrinterHandle) override {
        if (Fails(kEndDoc)) return false;
        jobEnded = true;
        return true;
    }
    void Sleep(std::uint32_t ms) override {
        FUZZ_CHECK(ms == kReplyPauseMs && jobEnded && fetches == 0);
        ++sleeps;
    }
    std::uint32_t GetPrinterDataA(PrinterHandle handle, const char* valueName, std::uint8_t* buffer,
                                  std::uint32_t size, std::uint32_t* needed) override {
        FUZZ_CHECK(handle == kHandle && sleeps == 1);
        FUZZ_CHECK(valueName == ReplyValueName(printerName));
        FUZZ_CHECK(size == fetchSize);
        if (mirror.empty()) mirror.assign(size, 0);
        ++fetches;
        FUZZ_CHECK(fetches <= kFetchAttempts);
        *needed = script.reportedValueSize;
        if (script.replyOnFetch == 0 || fetches < script.replyOnFetch) return 2;
        // The spooler copies what fits and says how much there was.
        const std::size_t n = std::min<std::size_t>(size, script.value.size());
        if (n == 0) return script.fetchResult;
        std::memcpy(buffer, script.value.data(), n);
        std::copy(script.value.begin(), script.value.begin() + static_cast<std::ptrdiff_t>(n), mirror.begin());
        return script.fetchResult;
    }
    bool CancelJob(PrinterHandle, std::uint32_t jobId) override {
        FUZZ_CHECK(jobId == kJobId);
        ++cancels;
        return !Fails(kSetJob);
    }
    bool ClosePrinter(PrinterHandle handle) override {
        FUZZ_CHECK(handle == kHandle);
        ++closed;
        return !Fails(kClose);
    }
    std::int32_t LastError() override { return lastError; }

private:
    bool Fails(Call call) {
        if (script.failing.count(call) == 0) return false;
        lastError = CodeOf(call);
        codesGiven.insert(lastError);
        return true;
    }
    const std::uint8_t* infoBuffer = nullptr;
    std::int32_t lastError = 0;
};

class NoSockets final : public SocketApi {
public:
    std::int32_t Startup(std::uint16_t, std::uint16_t*) override { __builtin_trap(); }
    bool Cleanup() override { __builtin_trap(); }
    std::int32_t LastError() override { return 0; }
    bool ResolveHost(const char*, std::uint8_t*) override { __builtin_trap(); }
    SocketHandle OpenSocket() override { __builtin_trap(); }
    bool Connect(SocketHandle, const std::uint8_t*, std::uint16_t) override { __builtin_trap(); }
    int WaitReadable(SocketHandle, std::uint32_t) override { __builtin_trap(); }
    int WaitWritable(SocketHandle, std::uint32_t) override { __builtin_trap(); }
    int Send(SocketHandle, const std::uint8_t*, int) override { __builtin_trap(); }
    int Recv(SocketHandle, std::uint8_t*, int) override { __builtin_trap(); }
    bool ShutdownSend(SocketHandle) override { __builtin_trap(); }
    bool CloseSocket(SocketHandle) override { __builtin_trap(); }
    EventHandle CreateSocketEvent() override { __builtin_trap(); }
    bool SelectCloseEvent(SocketHandle, EventHandle) override { __builtin_trap(); }
    WaitResult WaitEvent(EventHandle, std::uint32_t) override { __builtin_trap(); }
    bool CloseSocketEvent(EventHandle) override { __builtin_trap(); }
    bool LoadIcmpLibrary() override { __builtin_trap(); }
    bool ResolveIcmpFunctions() override { __builtin_trap(); }
    void UnloadIcmpLibrary() override { __builtin_trap(); }
    IcmpHandle IcmpCreateFile() override { __builtin_trap(); }
    std::uint32_t IcmpSendEcho(IcmpHandle, const std::uint8_t*, std::uint8_t, std::uint32_t) override {
        __builtin_trap();
    }
    bool IcmpCloseHandle(IcmpHandle) override { __builtin_trap(); }
};

std::uint32_t SecondWord(const Bytes& b) {
    return std::uint32_t{b[4]} | std::uint32_t{b[5]} << 8 | std::uint32_t{b[6]} << 16 | std::uint32_t{b[7]} << 24;
}

void CheckCommon(const ScriptedSpooler& spooler, std::int32_t result, std::int32_t sysError, std::int32_t noReply) {
    FUZZ_CHECK(result == LINK_OK || result == LINK_E_SPOOLER || result == LINK_E_NO_BIDI || result == noReply ||
               result == LINK_E_TARGET);
    FUZZ_CHECK(spooler.opened == spooler.closed);  // every handle opened is closed
    FUZZ_CHECK(sysError == 0 || spooler.codesGiven.count(sysError) == 1 || sysError == 122);
    if (result == LINK_E_NO_BIDI) FUZZ_CHECK(spooler.fetches == 0 && !spooler.jobEnded);
    const bool replyCame = !spooler.mirror.empty() && SecondWord(spooler.mirror) != 0;
    if (result == noReply && !replyCame) {
        // Three fetches found nothing: the job was cancelled.
        FUZZ_CHECK(spooler.fetches == kFetchAttempts && spooler.cancels == 1);
    } else {
        // A reply that came (good or not) ends the fetching; nothing is cancelled.
        FUZZ_CHECK(spooler.cancels == 0);
        if (replyCame) FUZZ_CHECK(spooler.fetches >= 1 && spooler.fetches <= kFetchAttempts);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    Script script;
    for (int i = 0; i < 4 && in.remaining_bytes() > 0 && in.ConsumeIntegralInRange(0, 5) == 0; ++i)
        script.failing.insert(in.ConsumeIntegralInRange(0, kCallCount - 1));
    switch (in.ConsumeIntegralInRange(0, 7)) {
        case 0: script.reportedSize = in.ConsumeIntegral<std::uint32_t>(); break;  // any size at all
        case 1: script.reportedSize = in.ConsumeIntegralInRange<std::uint32_t>(0, kRecordSize); break;
        case 2: script.reportedSize = in.ConsumeIntegralInRange<std::uint32_t>(kRecordSize, 4096); break;
        default: break;
    }
    script.attributes = in.ConsumeBool() ? kPrinterAttributeEnableBidi : in.ConsumeIntegral<std::uint32_t>();
    script.replyOnFetch = in.ConsumeIntegralInRange(0, 4);
    script.reportedValueSize = in.ConsumeIntegral<std::uint32_t>();
    script.fetchResult = in.ConsumeBool() ? 0 : in.ConsumeIntegral<std::uint32_t>();
    const std::string printer = in.ConsumeBool() ? "Label printer" : in.ConsumeRandomLengthString(300);
    script.value = in.ConsumeRemainingBytes<std::uint8_t>();

    NoSockets sockets;
    PrinterTarget target{};
    target.connection = 0;
    target.printerName = printer.c_str();
    target.nameLength = static_cast<std::uint32_t>(std::max<std::size_t>(printer.size(), 2));
    // A name with a NUL inside is what the spooler sees up to the NUL.
    const std::string seen(printer.c_str());

    {
        ScriptedSpooler spooler(script, seen);
        spooler.fetchSize = kStatusFetchSize;
        Platform platform{spooler, sockets};
        std::int32_t status = 0x6666, sysError = -1;
        const std::int32_t r = GetPrinterStatus(platform, &target, &status, &sysError);
        CheckCommon(spooler, r, sysError, LINK_E_STATUS_REPLY);
        if (r == LINK_OK) {
            FUZZ_CHECK(sysError == 0);
            const Bytes& b = spooler.mirror;
            FUZZ_CHECK(b.size() == kStatusFetchSize && SecondWord(b) != 0 && b[8] == 1 && b[9] == 2);
            FUZZ_CHECK(status == ParseStatusDigits(b[10], b[11]));
        } else {
            FUZZ_CHECK(status == 0x6666);
        }
    }
    {
        ScriptedSpooler spooler(script, seen);
        spooler.fetchSize = kParamFetchSize;
        Platform platform{spooler, sockets};
        ParamBlock param;
        AdjustBlock adjust;
        AddressBlock address;
        param.fill(-1);
        std::int32_t sysError = -1;
        const std::int32_t r = GetPrinterParam(platform, &target, param.data(), adjust.data(), address.data(), &sysError);
        CheckCommon(spooler, r, sysError, LINK_E_PARAM_REPLY);
        if (r == LINK_OK) {
            FUZZ_CHECK(sysError == 0);
            const Bytes& b = spooler.mirror;
            FUZZ_CHECK(b.size() == kParamFetchSize && SecondWord(b) != 0);
            ParamBlock p;
            AdjustBlock a;
            AddressBlock d;
            FUZZ_CHECK(DecodeParamReply(b.data() + kReplyEnvelopeSize, p.data(), a.data(), d.data()));
            FUZZ_CHECK(p == param && a == adjust && d == address);
        } else if (r != LINK_E_TARGET) {
            for (std::int32_t v : param) FUZZ_CHECK(v == 0);
        }
    }
    return 0;
}
