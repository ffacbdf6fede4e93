// The two replies the link library decodes: the status reply (01 02 and two
// status characters) and the 228-byte settings reply. The input is the reply
// itself, copied into a buffer of exactly the size the library decodes from,
// so any read past it is caught by AddressSanitizer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "core/protocol.h"
#include "fuzz/fuzz_check.h"

using namespace kestrion;

namespace {

constexpr std::int32_t kUntouched = 0x5A5A5A5A;

void CheckStatus(const std::uint8_t* data, std::size_t size) {
    if (size < kStatusReplyMinLength) return;
    const auto reply = std::make_unique<std::uint8_t[]>(kStatusReplyMinLength);
    std::memcpy(reply.get(), data, kStatusReplyMinLength);
    FUZZ_CHECK(IsStatusReply(reply.get()) == (data[0] == 0x01 && data[1] == 0x02));
    // The two characters are read as atol reads them.
    const char text[3] = {static_cast<char>(data[2]), static_cast<char>(data[3]), '\0'};
    FUZZ_CHECK(ParseStatusDigits(data[2], data[3]) == static_cast<std::int32_t>(std::atol(text)));
}

// A selector pair as it is sent back: unchanged, except that both bits set
// clears the pair unless it is the four-way one.
std::uint8_t SentPair(std::uint8_t pair, bool fourWay) { return pair == 0x3 && !fourWay ? 0 : pair; }

void CheckParamReply(const std::uint8_t* data, std::size_t size) {
    if (size < kParamReplyLength) return;
    const auto reply = std::make_unique<std::uint8_t[]>(kParamReplyLength);
    std::memcpy(reply.get(), data, kParamReplyLength);
    const std::uint8_t* r = reply.get();

    ParamBlock param;
    AdjustBlock adjust;
    AddressBlock address;
    param.fill(kUntouched);
    adjust.fill(kUntouched);
    address.fill(kUntouched);
    const bool accepted = DecodeParamReply(r, param.data(), adjust.data(), address.data());
    FUZZ_CHECK(accepted == (r[0] != 0 || r[1] != 0));
    if (!accepted) {
        // A refused reply leaves the three blocks as they were.
        for (std::int32_t v : param) FUZZ_CHECK(v == kUntouched);
        for (std::int32_t v : adjust) FUZZ_CHECK(v == kUntouched);
        for (std::int32_t v : address) FUZZ_CHECK(v == kUntouched);
        return;
    }

    // DIP switches: byte 25 bits 0-7 are switches 1-8, byte 24 bits 0-1 are 9 and 10.
    for (unsigned bit = 0; bit < 8; ++bit) FUZZ_CHECK(param[bit] == ((r[kReplyDipLowOffset] >> bit) & 1));
    FUZZ_CHECK(param[8] == (r[kReplyDipHighOffset] & 1));
    FUZZ_CHECK(param[9] == ((r[kReplyDipHighOffset] >> 1) & 1));
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) {
        FUZZ_CHECK(param[i] >= 0 && param[i] <= (i == kBackFeedSpeed ? 3 : 2));
    }

    // Sent back, the parameters reproduce reply bytes 34, 35, 36 and 38 but
    // for the rules of the command: byte 36 bit 7 set and bits 2-6 clear, a
    // two-way selector with both bits set cleared.
    const ParamBits bits = EncodeParamBits(param.data());
    const std::uint8_t* in = r + kReplyParamBitsOffset;
    FUZZ_CHECK(bits[0] == in[0]);
    FUZZ_CHECK(bits[1] == ((in[1] & 0x3F) | SentPair(static_cast<std::uint8_t>(in[1] >> 6), false) << 6));
    FUZZ_CHECK(bits[2] == ((in[2] & 0x03) | 0x80));
    FUZZ_CHECK(bits[3] == 0);
    const std::uint8_t expected4 = static_cast<std::uint8_t>(
        SentPair(in[4] & 0x3, false) | SentPair((in[4] >> 2) & 0x3, false) << 2 |
        SentPair((in[4] >> 4) & 0x3, false) << 4 | SentPair((in[4] >> 6) & 0x3, true) << 6);
    FUZZ_CHECK(bits[4] == expected4);

    // The fine adjustments reproduce bytes 50-63 exactly.
    const AdjustValues values = EncodeAdjustValues(adjust.data());
    FUZZ_CHECK(std::memcmp(values.data(), r + kReplyAdjustOffset, values.size()) == 0);
    FUZZ_CHECK(adjust[0] >= -128 && adjust[0] <= 127 && adjust[1] >= -128 && adjust[1] <= 127);
    for (std::size_t i = 2; i < kAdjustCount; ++i) FUZZ_CHECK(adjust[i] >= -32768 && adjust[i] <= 32767);

    // Addresses byte for byte, first octet first; the port big-endian.
    const std::size_t octetOffsets[3] = {kReplyIpOffset, kReplyMaskOffset, kReplyGatewayOffset};
    for (std::size_t i = 0; i < 3; ++i) {
        const Octets o = UnpackOctets(address[i]);
        FUZZ_CHECK(std::memcmp(o.data(), r + octetOffsets[i], 4) == 0);
    }
    FUZZ_CHECK(address[kDhcpBootp] == r[kReplyDhcpOffset]);
    FUZZ_CHECK(address[kRarp] == r[kReplyRarpOffset]);
    FUZZ_CHECK(address[kSocketPort] == (r[kReplyPortOffset] << 8 | r[kReplyPortOffset + 1]));

    // Only bytes 0-97 are decoded: whatever lies behind changes nothing.
    reply[kParamReplyLength - 1] ^= 0xFF;
    reply[kReplyDecodedEnd] ^= 0xFF;
    ParamBlock param2;
    AdjustBlock adjust2;
    AddressBlock address2;
    FUZZ_CHECK(DecodeParamReply(r, param2.data(), adjust2.data(), address2.data()));
    FUZZ_CHECK(param2 == param && adjust2 == adjust && address2 == address);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckStatus(data, size);
    CheckParamReply(data, size);
    return 0;
}
