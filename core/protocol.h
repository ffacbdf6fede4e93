// The printer's command language: the six commands the link library sends and
// the two replies it decodes. Plain C++, no platform headers, so the encoders
// and decoders are shared by the link library, the simulated printer and the
// command-line tool.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrion {

// Sizes of the three value blocks that cross the link-library interface.
inline constexpr std::size_t kParamCount = 31;    // 10 DIP switch states + 21 parameters
inline constexpr std::size_t kAdjustCount = 8;    // fine-adjust values
inline constexpr std::size_t kAddressCount = 6;   // IP, mask, gateway, DHCP/BOOTP, RARP, port
inline constexpr std::size_t kDipSwitchCount = 10;

using ParamBlock = std::array<std::int32_t, kParamCount>;
using AdjustBlock = std::array<std::int32_t, kAdjustCount>;
using AddressBlock = std::array<std::int32_t, kAddressCount>;

// Indexes into the PARAM block. Elements 0-9 are the DIP switches.
enum ParamIndex : std::size_t {
    kPowerOnBreakError = 10,
    kPaperCheckOnClose = 11,
    kErrorBuzzer = 12,
    kCutterMode = 13,
    kAutoTopOfForm = 14,
    kAutoCutReturnTime = 15,
    kThinPaperMode = 16,
    kBlackMarkTopControl = 17,
    kZeroSlash = 18,
    kStartupState = 19,
    kFeedSwitchPrint = 20,
    kAutoCutFeed = 21,
    kAckWidth = 22,
    kInputPrime = 23,
    kStatusAutoSend = 24,
    kBackFeedSpeed = 25,
    kStopPositionAfterClose = 26,
    kPrintDirection = 27,
    kMirrorPrint = 28,
    kPageControl = 29,
    kUsbSerialNumber = 30,
};

// Indexes into the ADDRESS block.
enum AddressIndex : std::size_t {
    kIpAddress = 0,
    kSubnetMask = 1,
    kGateway = 2,
    kDhcpBootp = 3,   // 0 enabled, anything else disabled
    kRarp = 4,        // 0 enabled, anything else disabled
    kSocketPort = 5,
};

// Command and reply sizes.
inline constexpr std::size_t kStatusQueryLength = 5;
inline constexpr std::size_t kParamQueryLength = 11;
inline constexpr std::size_t kParamSetLength = 20;
inline constexpr std::size_t kAdjustSetLength = 28;
inline constexpr std::size_t kAddressSetLength = 103;
inline constexpr std::size_t kResetCommandLength = 9;
inline constexpr std::size_t kParamReplyLength = 228;  // longest settings reply
inline constexpr std::size_t kStatusReplyMinLength = 4;  // 01 02 and two status characters

inline constexpr std::uint8_t kEsc = 0x1B;
inline constexpr std::uint8_t kLf = 0x0A;
inline constexpr std::uint8_t kCr = 0x0D;

using StatusQueryBytes = std::array<std::uint8_t, kStatusQueryLength>;
using ParamQueryBytes = std::array<std::uint8_t, kParamQueryLength>;
using ParamSetBytes = std::array<std::uint8_t, kParamSetLength>;
using AdjustSetBytes = std::array<std::uint8_t, kAdjustSetLength>;
using AddressSetBytes = std::array<std::uint8_t, kAddressSetLength>;
using ResetCommandBytes = std::array<std::uint8_t, kResetCommandLength>;

// ESC "WS" LF 00
inline constexpr StatusQueryBytes kStatusQuery{kEsc, 'W', 'S', kLf, 0x00};
// ESC "KVT;Z2;0" LF 00
inline constexpr ParamQueryBytes kParamQuery{kEsc, 'K', 'V', 'T', ';', 'Z', '2', ';', '0', kLf, 0x00};
// ESC "KVT;Z0" LF 00
inline constexpr ResetCommandBytes kResetCommand{kEsc, 'K', 'V', 'T', ';', 'Z', '0', kLf, 0x00};

// Text headers of the two block commands (ESC and ten characters).
inline constexpr std::size_t kBlockHeaderLength = 10;
inline constexpr std::array<std::uint8_t, kBlockHeaderLength> kParamSetHeader{
    kEsc, 'K', 'V', 'T', ';', 'Z', '2', ';', '1', ','};
inline constexpr std::array<std::uint8_t, kBlockHeaderLength> kAdjustSetHeader{
    kEsc, 'K', 'V', 'T', ';', 'Z', '2', ';', '2', ','};

// The five bit-field bytes that ParamSet carries at offsets 10-14 and the
// settings reply carries at offsets 34-38 in the same layout.
inline constexpr std::size_t kParamBitsLength = 5;
using ParamBits = std::array<std::uint8_t, kParamBitsLength>;

// Offsets inside the settings reply.
inline constexpr std::size_t kReplyDipHighOffset = 24;   // bits 0,1: DIP switches 9,10
inline constexpr std::size_t kReplyDipLowOffset = 25;    // bits 0-7: DIP switches 1-8
inline constexpr std::size_t kReplyParamBitsOffset = 34; // 34-38: ParamBits
inline constexpr std::size_t kReplyAdjustOffset = 50;    // 50-63: AdjustSet values
inline constexpr std::size_t kReplyDhcpOffset = 82;
inline constexpr std::size_t kReplyRarpOffset = 83;
inline constexpr std::size_t kReplyIpOffset = 84;
inline constexpr std::size_t kReplyMaskOffset = 88;
inline constexpr std::size_t kReplyGatewayOffset = 92;
inline constexpr std::size_t kReplyPortOffset = 96;
// Every decoded field of a settings reply lies before this offset.
inline constexpr std::size_t kReplyDecodedEnd = 98;

// Fine-adjust values as they travel: two signed bytes, six signed 16-bit
// big-endian words.
inline constexpr std::size_t kAdjustValuesLength = 14;
using AdjustValues = std::array<std::uint8_t, kAdjustValuesLength>;

// --- Encoding -------------------------------------------------------------

ParamBits EncodeParamBits(const std::int32_t* param);
AdjustValues EncodeAdjustValues(const std::int32_t* adjust);

ParamSetBytes BuildParamSet(const std::int32_t* param);
AdjustSetBytes BuildAdjustSet(const std::int32_t* adjust);
AddressSetBytes BuildAddressSet(const std::int32_t* address);

// --- Decoding -------------------------------------------------------------

// Fills PARAM elements 10-30 from the five bit-field bytes; leaves 0-9 alone.
void DecodeParamBits(const std::uint8_t* bits, std::int32_t* param);
void DecodeAdjustValues(const std::uint8_t* values, std::int32_t* adjust);

// Converts two status characters the way atol does: leading white space,
// optional sign, decimal digits up to the first non-digit; no digits gives 0.
std::int32_t ParseStatusDigits(std::uint8_t first, std::uint8_t second);

// A status reply is valid when it begins 01 02. `reply` holds at least
// kStatusReplyMinLength bytes.
bool IsStatusReply(const std::uint8_t* reply);

// A settings reply is valid when its first big-endian word is not 0.
bool IsParamReply(const std::uint8_t* reply);

// Decodes a settings reply of kParamReplyLength bytes into the three blocks.
// Every element that the reply does not fill is set to 0. Returns false, and
// leaves the blocks untouched, when the reply's first word is 0.
bool DecodeParamReply(const std::uint8_t* reply, std::int32_t* param, std::int32_t* adjust,
                      std::int32_t* address);

// --- Addresses --------------------------------------------------------------

// An IPv4 address is held in an int32 whose four bytes, in memory order, are
// the dotted octets, first octet first.
using Octets = std::array<std::uint8_t, 4>;
std::int32_t PackOctets(const Octets& octets);
Octets UnpackOctets(std::int32_t value);
std::string FormatDotted(std::int32_t value);
// "a.b.c.d" from four octets, first octet first (at most 15 characters).
std::string FormatDotted(const Octets& octets);

}  // namespace kestrion
