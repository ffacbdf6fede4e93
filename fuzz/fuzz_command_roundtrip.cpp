// Any three value blocks, encoded as the link library sends them and parsed
// by the simulated printer, arriving in arbitrary pieces: the printer ends up
// holding exactly what the command bytes say, and its settings reply, decoded
// by the library, gives those values back. The reply also never ends its line
// early on the network path.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstring>

#include "core/protocol.h"
#include "fuzz/fuzz_check.h"
#include "link/core/net_exchange.h"
#include "sim/printer_model.h"

using namespace kestrion;

namespace {

std::int32_t Flag(std::int32_t v) { return v == 1 ? 1 : 0; }
std::int32_t Selector(std::int32_t v, bool fourWay) {
    if (v == 1 || v == 2) return v;
    return fourWay && v == 3 ? 3 : 0;
}

// What the printer holds after a ParamSet of `sent`: the flags only when
// exactly 1, the selectors only for their values, page control and USB serial
// by their own rules; the DIP switches stay the printer's own.
ParamBlock ExpectedParam(const ParamBlock& before, const ParamBlock& sent) {
    ParamBlock p = before;
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) p[i] = Flag(sent[i]);
    p[kAutoCutReturnTime] = Selector(sent[kAutoCutReturnTime], false);
    p[kStatusAutoSend] = Selector(sent[kStatusAutoSend], false);
    p[kPrintDirection] = Selector(sent[kPrintDirection], false);
    p[kMirrorPrint] = Selector(sent[kMirrorPrint], false);
    p[kBackFeedSpeed] = Selector(sent[kBackFeedSpeed], true);
    p[kPageControl] = sent[kPageControl] == 0 ? 0 : 1;
    p[kUsbSerialNumber] = sent[kUsbSerialNumber] != 0 ? 1 : 0;
    return p;
}

AdjustBlock ExpectedAdjust(const AdjustBlock& sent) {
    AdjustBlock a{};
    a[0] = static_cast<std::int8_t>(sent[0] & 0xFF);
    a[1] = static_cast<std::int8_t>(sent[1] & 0xFF);
    for (std::size_t i = 2; i < kAdjustCount; ++i) a[i] = static_cast<std::int16_t>(sent[i] & 0xFFFF);
    return a;
}

AddressBlock ExpectedAddress(const AddressBlock& sent) {
    AddressBlock a = sent;
    a[kDhcpBootp] = sent[kDhcpBootp] != 0 ? 1 : 0;
    a[kRarp] = sent[kRarp] != 0 ? 1 : 0;
    a[kSocketPort] = sent[kSocketPort] & 0xFFFF;
    return a;
}

template <typename Block>
Block TakeBlock(FuzzedDataProvider& in) {
    Block b{};
    for (auto& v : b) {
        // Small values most of the time, so that the selectors' cases are met.
        v = in.ConsumeBool() ? in.ConsumeIntegralInRange<std::int32_t>(-1, 4) : in.ConsumeIntegral<std::int32_t>();
    }
    return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    const ParamBlock param = TakeBlock<ParamBlock>(in);
    const AdjustBlock adjust = TakeBlock<AdjustBlock>(in);
    const AddressBlock address = TakeBlock<AddressBlock>(in);

    const ParamSetBytes paramSet = BuildParamSet(param.data());
    const AdjustSetBytes adjustSet = BuildAdjustSet(adjust.data());
    const AddressSetBytes addressSet = BuildAddressSet(address.data());
    // Every command ends LF 00.
    FUZZ_CHECK(paramSet[kParamSetLength - 2] == kLf && paramSet[kParamSetLength - 1] == 0);
    FUZZ_CHECK(adjustSet[kAdjustSetLength - 2] == kLf && adjustSet[kAdjustSetLength - 1] == 0);
    FUZZ_CHECK(addressSet[kAddressSetLength - 2] == kLf && addressSet[kAddressSetLength - 1] == 0);

    printersim::Bytes stream;
    stream.insert(stream.end(), paramSet.begin(), paramSet.end());
    stream.insert(stream.end(), adjustSet.begin(), adjustSet.end());
    stream.insert(stream.end(), addressSet.begin(), addressSet.end());
    stream.insert(stream.end(), kParamQuery.begin(), kParamQuery.end());
    stream.insert(stream.end(), kStatusQuery.begin(), kStatusQuery.end());

    printersim::PrinterSettings initial = printersim::FactorySettings();
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) initial.param[i] = in.ConsumeBool() ? 1 : 0;
    initial.status = in.ConsumeIntegralInRange<std::int32_t>(0, 99);
    printersim::PrinterModel model(initial);

    // The stream in pieces of arbitrary sizes.
    printersim::Bytes replies;
    for (std::size_t at = 0; at < stream.size();) {
        const std::size_t piece = in.ConsumeIntegralInRange<std::size_t>(1, stream.size() - at);
        const printersim::Bytes out = model.Feed(stream.data() + at, piece);
        replies.insert(replies.end(), out.begin(), out.end());
        at += piece;
    }

    const printersim::PrinterSettings held = model.Settings();
    FUZZ_CHECK(held.param == ExpectedParam(initial.param, param));
    FUZZ_CHECK(held.adjust == ExpectedAdjust(adjust));
    FUZZ_CHECK(held.address == ExpectedAddress(address));

    // The settings reply (228 bytes) and the status reply (6 bytes), in order.
    FUZZ_CHECK(replies.size() == kParamReplyLength + 6);
    const std::uint8_t* reply = replies.data();
    FUZZ_CHECK(reply[kParamReplyLength - 2] == kCr && reply[kParamReplyLength - 1] == kLf);
    for (std::size_t i = link::kParamReplyDataSpan - 1; i + 2 < kParamReplyLength; ++i) {
        const bool pair = (reply[i] == kCr && reply[i + 1] == kLf) || (reply[i] == kLf && reply[i + 1] == 0);
        FUZZ_CHECK(!pair);
    }
    ParamBlock readParam;
    AdjustBlock readAdjust;
    AddressBlock readAddress;
    FUZZ_CHECK(DecodeParamReply(reply, readParam.data(), readAdjust.data(), readAddress.data()));
    FUZZ_CHECK(readParam == held.param);
    FUZZ_CHECK(readAdjust == held.adjust);
    FUZZ_CHECK(readAddress == held.address);

    const std::uint8_t* status = reply + kParamReplyLength;
    FUZZ_CHECK(IsStatusReply(status));
    FUZZ_CHECK(ParseStatusDigits(status[2], status[3]) == initial.status);
    FUZZ_CHECK(status[4] == kCr && status[5] == kLf);
    return 0;
}
