#include "core/protocol.h"

#include <cstdio>
#include <cstring>

namespace kestrion {
namespace {

// Where each single-bit parameter lives inside the five bit-field bytes.
struct FlagBit {
    std::size_t byte;
    unsigned bit;
    std::size_t element;
};

constexpr FlagBit kFlagBits[] = {
    {0, 0, kPowerOnBreakError}, {0, 1, kPaperCheckOnClose}, {0, 2, kErrorBuzzer},
    {0, 3, kStopPositionAfterClose}, {0, 4, kCutterMode}, {0, 5, kAutoTopOfForm},
    {0, 6, kThinPaperMode}, {0, 7, kBlackMarkTopControl},
    {1, 0, kZeroSlash}, {1, 1, kStartupState}, {1, 2, kFeedSwitchPrint},
    {1, 3, kAutoCutFeed}, {1, 4, kAckWidth}, {1, 5, kInputPrime},
};

// Where each selector lives: a pair of bits, lower bit at `shift`.
struct SelectorPair {
    std::size_t byte;
    unsigned shift;
    std::size_t element;
    bool fourWay;  // both bits set means 3 instead of "none"
};

constexpr SelectorPair kSelectors[] = {
    {1, 6, kStatusAutoSend, false},
    {4, 0, kAutoCutReturnTime, false},
    {4, 2, kPrintDirection, false},
    {4, 4, kMirrorPrint, false},
    {4, 6, kBackFeedSpeed, true},
};

// Byte 2 of the bit fields: page control (inverted) and USB serial number.
constexpr std::size_t kControlByte = 2;
constexpr std::uint8_t kPageControlClearBit = 0x01;  // set when PARAM[29] is 0
constexpr std::uint8_t kUsbSerialBit = 0x02;         // set when PARAM[30] is non-zero
constexpr std::uint8_t kControlAlwaysSet = 0x80;

std::uint8_t EncodeSelector(std::int32_t value, bool fourWay) {
    switch (value) {
        case 1: return 0x1;
        case 2: return 0x2;
        case 3: return fourWay ? 0x3 : 0x0;
        default: return 0x0;
    }
}

std::int32_t DecodeSelector(std::uint8_t pair, bool fourWay) {
    switch (pair & 0x3) {
        case 0x1: return 1;
        case 0x2: return 2;
        case 0x3: return fourWay ? 3 : 0;
        default: return 0;
    }
}

std::int32_t SignExtend8(std::uint8_t b) { return static_cast<std::int8_t>(b); }

std::int32_t SignExtend16(std::uint8_t high, std::uint8_t low) {
    return static_cast<std::int16_t>(static_cast<std::uint16_t>((high << 8) | low));
}

// Appends "ESC<text>" with three-digit octets, LF and one 00 byte.
std::size_t AppendText(std::uint8_t* out, const char* text) {
    const std::size_t n = std::strlen(text);
    std::memcpy(out, text, n);
    out[n] = 0x00;
    return n + 1;
}

std::size_t AppendOctetCommand(std::uint8_t* out, const char* prefix, std::int32_t value) {
    const Octets o = UnpackOctets(value);
    char text[32];
    std::snprintf(text, sizeof text, "\x1b%s%03d,%03d,%03d,%03d\n", prefix, o[0], o[1], o[2], o[3]);
    return AppendText(out, text);
}

}  // namespace

ParamBits EncodeParamBits(const std::int32_t* param) {
    ParamBits bits{};
    for (const FlagBit& f : kFlagBits) {
        if (param[f.element] == 1) bits[f.byte] |= static_cast<std::uint8_t>(1u << f.bit);
    }
    for (const SelectorPair& s : kSelectors) {
        bits[s.byte] |= static_cast<std::uint8_t>(EncodeSelector(param[s.element], s.fourWay) << s.shift);
    }
    std::uint8_t control = kControlAlwaysSet;
    if (param[kPageControl] == 0) control |= kPageControlClearBit;
    if (param[kUsbSerialNumber] != 0) control |= kUsbSerialBit;
    bits[kControlByte] = control;
    return bits;
}

void DecodeParamBits(const std::uint8_t* bits, std::int32_t* param) {
    for (const FlagBit& f : kFlagBits) {
        param[f.element] = (bits[f.byte] >> f.bit) & 1;
    }
    for (const SelectorPair& s : kSelectors) {
        param[s.element] = DecodeSelector(static_cast<std::uint8_t>(bits[s.byte] >> s.shift), s.fourWay);
    }
    param[kPageControl] = (bits[kControlByte] & kPageControlClearBit) ? 0 : 1;
    param[kUsbSerialNumber] = (bits[kControlByte] & kUsbSerialBit) ? 1 : 0;
}

AdjustValues EncodeAdjustValues(const std::int32_t* adjust) {
    AdjustValues v{};
    v[0] = static_cast<std::uint8_t>(adjust[0] & 0xFF);
    v[1] = static_cast<std::uint8_t>(adjust[1] & 0xFF);
    for (std::size_t i = 2; i < kAdjustCount; ++i) {
        const std::size_t at = 2 + (i - 2) * 2;
        v[at] = static_cast<std::uint8_t>((adjust[i] >> 8) & 0xFF);
        v[at + 1] = static_cast<std::uint8_t>(adjust[i] & 0xFF);
    }
    return v;
}

void DecodeAdjustValues(const std::uint8_t* values, std::int32_t* adjust) {
    adjust[0] = SignExtend8(values[0]);
    adjust[1] = SignExtend8(values[1]);
    for (std::size_t i = 2; i < kAdjustCount; ++i) {
        const std::size_t at = 2 + (i - 2) * 2;
        adjust[i] = SignExtend16(values[at], values[at + 1]);
    }
}

ParamSetBytes BuildParamSet(const std::int32_t* param) {
    ParamSetBytes cmd{};  // zero-filled: bytes 13 and 15-17 stay 00
    std::memcpy(cmd.data(), kParamSetHeader.data(), kBlockHeaderLength);
    const ParamBits bits = EncodeParamBits(param);
    std::memcpy(cmd.data() + kBlockHeaderLength, bits.data(), bits.size());
    cmd[kParamSetLength - 2] = kLf;
    return cmd;
}

AdjustSetBytes BuildAdjustSet(const std::int32_t* adjust) {
    AdjustSetBytes cmd{};  // zero-filled: bytes 24-25 stay 00
    std::memcpy(cmd.data(), kAdjustSetHeader.data(), kBlockHeaderLength);
    const AdjustValues values = EncodeAdjustValues(adjust);
    std::memcpy(cmd.data() + kBlockHeaderLength, values.data(), values.size());
    cmd[kAdjustSetLength - 2] = kLf;
    return cmd;
}

AddressSetBytes BuildAddressSet(const std::int32_t* address) {
    AddressSetBytes cmd{};
    std::uint8_t* out = cmd.data();
    out += AppendOctetCommand(out, "IP;2,", address[kIpAddress]);
    out += AppendOctetCommand(out, "IP;4,", address[kSubnetMask]);
    out += AppendOctetCommand(out, "IP;3,", address[kGateway]);
    out += AppendText(out, address[kDhcpBootp] != 0 ? "\x1bKVT;IH;1\n" : "\x1bKVT;IH;0\n");
    out += AppendText(out, address[kRarp] != 0 ? "\x1bKVT;IH;3\n" : "\x1bKVT;IH;2\n");
    // The port travels as two raw bytes, high byte first; they may be 00 or
    // 0A, so they are copied rather than formatted as text.
    static constexpr char kPortPrefix[] = "\x1bKVT;PN,";
    const std::size_t prefixLength = sizeof kPortPrefix - 1;
    std::memcpy(out, kPortPrefix, prefixLength);
    out += prefixLength;
    const auto port = static_cast<std::uint16_t>(address[kSocketPort] & 0xFFFF);
    *out++ = static_cast<std::uint8_t>(port >> 8);
    *out++ = static_cast<std::uint8_t>(port & 0xFF);
    *out++ = kLf;
    *out++ = 0x00;
    return cmd;
}

std::int32_t ParseStatusDigits(std::uint8_t first, std::uint8_t second) {
    const std::uint8_t text[3] = {first, second, 0};
    std::size_t i = 0;
    // atol skips the white space of the C locale: space, \t \n \v \f \r.
    while (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r')) ++i;
    bool negative = false;
    if (text[i] == '+' || text[i] == '-') {
        negative = text[i] == '-';
        ++i;
    }
    std::int32_t value = 0;
    while (text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        ++i;
    }
    return negative ? -value : value;
}

bool IsStatusReply(const std::uint8_t* reply) { return reply[0] == 0x01 && reply[1] == 0x02; }

bool IsParamReply(const std::uint8_t* reply) { return reply[0] != 0 || reply[1] != 0; }

bool DecodeParamReply(const std::uint8_t* reply, std::int32_t* param, std::int32_t* adjust,
                      std::int32_t* address) {
    if (!IsParamReply(reply)) return false;
    for (std::size_t i = 0; i < kParamCount; ++i) param[i] = 0;
    for (std::size_t i = 0; i < kAdjustCount; ++i) adjust[i] = 0;
    for (std::size_t i = 0; i < kAddressCount; ++i) address[i] = 0;

    const std::uint8_t dipLow = reply[kReplyDipLowOffset];
    for (unsigned bit = 0; bit < 8; ++bit) param[bit] = (dipLow >> bit) & 1;
    param[8] = reply[kReplyDipHighOffset] & 1;
    param[9] = (reply[kReplyDipHighOffset] >> 1) & 1;

    DecodeParamBits(reply + kReplyParamBitsOffset, param);
    DecodeAdjustValues(reply + kReplyAdjustOffset, adjust);

    address[kDhcpBootp] = reply[kReplyDhcpOffset];
    address[kRarp] = reply[kReplyRarpOffset];
    const auto octetsAt = [reply](std::size_t at) {
        return PackOctets({reply[at], reply[at + 1], reply[at + 2], reply[at + 3]});
    };
    address[kIpAddress] = octetsAt(kReplyIpOffset);
    address[kSubnetMask] = octetsAt(kReplyMaskOffset);
    address[kGateway] = octetsAt(kReplyGatewayOffset);
    address[kSocketPort] = (reply[kReplyPortOffset] << 8) | reply[kReplyPortOffset + 1];
    return true;
}

std::int32_t PackOctets(const Octets& octets) {
    std::int32_t value;
    std::memcpy(&value, octets.data(), sizeof value);
    return value;
}

Octets UnpackOctets(std::int32_t value) {
    Octets octets;
    std::memcpy(octets.data(), &value, sizeof value);
    return octets;
}

std::string FormatDotted(std::int32_t value) { return FormatDotted(UnpackOctets(value)); }

std::string FormatDotted(const Octets& o) {
    char text[16];
    std::snprintf(text, sizeof text, "%d.%d.%d.%d", o[0], o[1], o[2], o[3]);
    return text;
}

}  // namespace kestrion
