#include "core/protocol.h"
#include "core/socket_port.h"
#include "core/spooler_reply.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace kestrion {
namespace {

using ::testing::ElementsAreArray;
using Bytes = std::vector<std::uint8_t>;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// --- Fixed commands ------------------------------------------------------------

TEST(FixedCommands, AreTheExactBytes) {
    EXPECT_THAT(kStatusQuery, ElementsAreArray({0x1B, 0x57, 0x53, 0x0A, 0x00}));
    EXPECT_THAT(kParamQuery,
                ElementsAreArray({0x1B, 0x4B, 0x56, 0x54, 0x3B, 0x5A, 0x32, 0x3B, 0x30, 0x0A, 0x00}));
    EXPECT_THAT(kResetCommand, ElementsAreArray({0x1B, 0x4B, 0x56, 0x54, 0x3B, 0x5A, 0x30, 0x0A, 0x00}));
}

// --- ParamSet ------------------------------------------------------------------

const Bytes kZeroParamSet = {0x1B, 0x4B, 0x56, 0x54, 0x3B, 0x5A, 0x32, 0x3B, 0x31, 0x2C,
                             0x00, 0x00, 0x81, 0x00, 0x00, 0x00, 0x00, 0x00, 0x0A, 0x00};

TEST(ParamSet, AllZeroBlockGivesTheseTwentyBytes) {
    const ParamBlock zero{};
    EXPECT_EQ(ToBytes(BuildParamSet(zero.data())), kZeroParamSet);
}

struct ParamCase {
    std::size_t element;
    std::int32_t value;
    std::size_t offset;     // the one byte that differs from the all-zero command
    std::uint8_t expected;  // its value
};

void PrintTo(const ParamCase& c, std::ostream* os) { *os << "PARAM[" << c.element << "]=" << c.value; }

class ParamSetSingleElement : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamSetSingleElement, ChangesOnlyItsByte) {
    const ParamCase& c = GetParam();
    ParamBlock param{};
    param[c.element] = c.value;
    Bytes expected = kZeroParamSet;
    expected[c.offset] = c.expected;
    EXPECT_EQ(ToBytes(BuildParamSet(param.data())), expected)
        << "PARAM[" << c.element << "] = " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParamSetSingleElement,
    ::testing::Values(
        // Flags of byte 10, set only for exactly 1.
        ParamCase{kPowerOnBreakError, 1, 10, 0x01}, ParamCase{kPaperCheckOnClose, 1, 10, 0x02},
        ParamCase{kErrorBuzzer, 1, 10, 0x04}, ParamCase{kStopPositionAfterClose, 1, 10, 0x08},
        ParamCase{kCutterMode, 1, 10, 0x10}, ParamCase{kAutoTopOfForm, 1, 10, 0x20},
        ParamCase{kThinPaperMode, 1, 10, 0x40}, ParamCase{kBlackMarkTopControl, 1, 10, 0x80},
        ParamCase{kPowerOnBreakError, 2, 10, 0x00}, ParamCase{kBlackMarkTopControl, -1, 10, 0x00},
        // Flags of byte 11 and the status selector in bits 6-7.
        ParamCase{kZeroSlash, 1, 11, 0x01}, ParamCase{kStartupState, 1, 11, 0x02},
        ParamCase{kFeedSwitchPrint, 1, 11, 0x04}, ParamCase{kAutoCutFeed, 1, 11, 0x08},
        ParamCase{kAckWidth, 1, 11, 0x10}, ParamCase{kInputPrime, 1, 11, 0x20},
        ParamCase{kInputPrime, 2, 11, 0x00}, ParamCase{kStatusAutoSend, 1, 11, 0x40},
        ParamCase{kStatusAutoSend, 2, 11, 0x80}, ParamCase{kStatusAutoSend, 3, 11, 0x00},
        ParamCase{kStatusAutoSend, -1, 11, 0x00},
        // Byte 12: page control inverted, USB serial for any non-zero value, bit 7 always.
        ParamCase{kPageControl, 1, 12, 0x80}, ParamCase{kPageControl, 7, 12, 0x80},
        ParamCase{kUsbSerialNumber, 1, 12, 0x83}, ParamCase{kUsbSerialNumber, -5, 12, 0x83},
        // Byte 14: three selectors and the four-way backfeed speed.
        ParamCase{kAutoCutReturnTime, 1, 14, 0x01}, ParamCase{kAutoCutReturnTime, 2, 14, 0x02},
        ParamCase{kAutoCutReturnTime, 3, 14, 0x00}, ParamCase{kPrintDirection, 1, 14, 0x04},
        ParamCase{kPrintDirection, 2, 14, 0x08}, ParamCase{kMirrorPrint, 1, 14, 0x10},
        ParamCase{kMirrorPrint, 2, 14, 0x20}, ParamCase{kMirrorPrint, 3, 14, 0x00},
        ParamCase{kBackFeedSpeed, 1, 14, 0x40}, ParamCase{kBackFeedSpeed, 2, 14, 0x80},
        ParamCase{kBackFeedSpeed, 3, 14, 0xC0}, ParamCase{kBackFeedSpeed, 4, 14, 0x00},
        // The DIP switch states are never sent.
        ParamCase{0, 1, 10, 0x00}, ParamCase{9, 1, 10, 0x00}));

// --- AdjustSet -----------------------------------------------------------------

TEST(AdjustSet, ZeroBlockFrame) {
    const AdjustBlock zero{};
    const Bytes expected = Concat({Text("\x1bKVT;Z2;2,"), Bytes(14, 0x00), {0x00, 0x00, 0x0A, 0x00}});
    EXPECT_EQ(ToBytes(BuildAdjustSet(zero.data())), expected);
}

struct AdjustCase {
    std::size_t element;
    std::int32_t value;
    Bytes wire;  // the bytes of that element in the command
};

void PrintTo(const AdjustCase& c, std::ostream* os) { *os << "ADJUST[" << c.element << "]=" << c.value; }

class AdjustSetSingleElement : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(AdjustSetSingleElement, EncodesLowBitsBigEndian) {
    const AdjustCase& c = GetParam();
    AdjustBlock adjust{};
    adjust[c.element] = c.value;
    const AdjustSetBytes cmd = BuildAdjustSet(adjust.data());
    const std::size_t at = c.element < 2 ? 10 + c.element : 12 + (c.element - 2) * 2;
    Bytes expected = ToBytes(BuildAdjustSet(AdjustBlock{}.data()));
    std::copy(c.wire.begin(), c.wire.end(), expected.begin() + static_cast<std::ptrdiff_t>(at));
    EXPECT_EQ(ToBytes(cmd), expected) << "ADJUST[" << c.element << "] = " << c.value;
}

INSTANTIATE_TEST_SUITE_P(
    Table, AdjustSetSingleElement,
    ::testing::Values(AdjustCase{0, -1, {0xFF}}, AdjustCase{0, 300, {0x2C}}, AdjustCase{1, -128, {0x80}},
                      AdjustCase{1, 127, {0x7F}}, AdjustCase{2, -2, {0xFF, 0xFE}},
                      AdjustCase{2, 300, {0x01, 0x2C}}, AdjustCase{3, -100, {0xFF, 0x9C}},
                      AdjustCase{5, 70000, {0x11, 0x70}}, AdjustCase{6, -32768, {0x80, 0x00}},
                      AdjustCase{7, 32767, {0x7F, 0xFF}}, AdjustCase{7, -70000, {0xEE, 0x90}}));

// --- AddressSet ----------------------------------------------------------------

AddressBlock Address(Octets ip, Octets mask, Octets gw, std::int32_t dhcp, std::int32_t rarp,
                     std::int32_t port) {
    return {PackOctets(ip), PackOctets(mask), PackOctets(gw), dhcp, rarp, port};
}

TEST(AddressSet, IsSixTextCommandsOf103Bytes) {
    const AddressBlock a = Address({192, 168, 0, 5}, {255, 255, 255, 0}, {192, 168, 0, 1}, 0, 0, 9100);
    const Bytes expected = Concat({
        Text("\x1bIP;2,192,168,000,005\n"), {0x00},
        Text("\x1bIP;4,255,255,255,000\n"), {0x00},
        Text("\x1bIP;3,192,168,000,001\n"), {0x00},
        Text("\x1bKVT;IH;0\n"), {0x00},
        Text("\x1bKVT;IH;2\n"), {0x00},
        Text("\x1bKVT;PN,"), {0x23, 0x8C, 0x0A, 0x00},
    });
    ASSERT_EQ(expected.size(), kAddressSetLength);
    EXPECT_EQ(ToBytes(BuildAddressSet(a.data())), expected);
}

TEST(AddressSet, LeadingZeroOctetsAndDisabledServices) {
    const AddressBlock a = Address({10, 0, 0, 1}, {0, 0, 0, 0}, {0, 0, 0, 0}, 5, -1, 0);
    const Bytes cmd = ToBytes(BuildAddressSet(a.data()));
    EXPECT_EQ(Bytes(cmd.begin(), cmd.begin() + 23), Concat({Text("\x1bIP;2,010,000,000,001\n"), {0x00}}));
    EXPECT_EQ(Bytes(cmd.begin() + 69, cmd.begin() + 80), Concat({Text("\x1bKVT;IH;1\n"), {0x00}}));
    EXPECT_EQ(Bytes(cmd.begin() + 80, cmd.begin() + 91), Concat({Text("\x1bKVT;IH;3\n"), {0x00}}));
}

struct PortCase {
    std::int32_t port;
    std::uint8_t high, low;
};

void PrintTo(const PortCase& c, std::ostream* os) { *os << "port " << c.port; }

class AddressSetPort : public ::testing::TestWithParam<PortCase> {};

TEST_P(AddressSetPort, TravelsAsTwoRawBytes) {
    const PortCase& c = GetParam();
    const AddressBlock a = Address({127, 0, 0, 1}, {255, 0, 0, 0}, {0, 0, 0, 0}, 0, 0, c.port);
    const Bytes cmd = ToBytes(BuildAddressSet(a.data()));
    ASSERT_EQ(cmd.size(), kAddressSetLength);
    const Bytes tail(cmd.begin() + 91, cmd.end());
    EXPECT_EQ(tail, Concat({Text("\x1bKVT;PN,"), {c.high, c.low, 0x0A, 0x00}}));
}

INSTANTIATE_TEST_SUITE_P(Table, AddressSetPort,
                         ::testing::Values(PortCase{9100, 0x23, 0x8C}, PortCase{2560, 0x0A, 0x00},
                                           PortCase{0, 0x00, 0x00}, PortCase{65535, 0xFF, 0xFF},
                                           PortCase{70000, 0x11, 0x70}, PortCase{12000, 0x2E, 0xE0}));

// --- Status reply --------------------------------------------------------------

struct StatusCase {
    char first, second;
    std::int32_t expected;
};

void PrintTo(const StatusCase& c, std::ostream* os) {
    *os << "status bytes " << int(c.first) << "," << int(c.second);
}

class StatusDigits : public ::testing::TestWithParam<StatusCase> {};

TEST_P(StatusDigits, ConvertLikeAtol) {
    const StatusCase& c = GetParam();
    EXPECT_EQ(ParseStatusDigits(static_cast<std::uint8_t>(c.first), static_cast<std::uint8_t>(c.second)),
              c.expected)
        << "'" << c.first << c.second << "'";
}

INSTANTIATE_TEST_SUITE_P(Table, StatusDigits,
                         ::testing::Values(StatusCase{'0', '7', 7}, StatusCase{' ', '5', 5},
                                           StatusCase{'-', '3', -3}, StatusCase{'+', '4', 4},
                                           StatusCase{'A', 'B', 0}, StatusCase{'4', 'A', 4},
                                           StatusCase{'\t', '9', 9}, StatusCase{'-', '-', 0},
                                           StatusCase{'9', '9', 99}, StatusCase{'\0', '5', 0},
                                           StatusCase{'5', '\0', 5}, StatusCase{'-', ' ', 0}));

TEST(StatusReply, MustBeginWith0102) {
    const std::uint8_t good[] = {0x01, 0x02, '0', '7'};
    const std::uint8_t swapped[] = {0x02, 0x01, '0', '7'};
    EXPECT_TRUE(IsStatusReply(good));
    EXPECT_FALSE(IsStatusReply(swapped));
}

// --- Settings reply ------------------------------------------------------------

using Reply = std::array<std::uint8_t, kParamReplyLength>;

Reply ValidReply() {
    Reply r{};
    r[1] = 0x01;  // first word 0x0001: valid
    return r;
}

struct Decoded {
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
};

Decoded Decode(const Reply& r) {
    Decoded d;
    EXPECT_TRUE(DecodeParamReply(r.data(), d.param.data(), d.adjust.data(), d.address.data()));
    return d;
}

TEST(ParamReply, FirstWordZeroIsRejectedAndBlocksUntouched) {
    Reply r{};
    r.fill(0x5A);
    r[0] = 0x00;
    r[1] = 0x00;
    ParamBlock param;
    param.fill(-7);
    AdjustBlock adjust;
    adjust.fill(-7);
    AddressBlock address;
    address.fill(-7);
    EXPECT_FALSE(DecodeParamReply(r.data(), param.data(), adjust.data(), address.data()));
    EXPECT_THAT(param, ::testing::Each(-7));
    EXPECT_THAT(adjust, ::testing::Each(-7));
    EXPECT_THAT(address, ::testing::Each(-7));

    for (const auto& [b0, b1] : {std::pair{0x00, 0x01}, std::pair{0x01, 0x00}, std::pair{0xFF, 0xFF}}) {
        r[0] = static_cast<std::uint8_t>(b0);
        r[1] = static_cast<std::uint8_t>(b1);
        EXPECT_TRUE(IsParamReply(r.data())) << b0 << " " << b1;
    }
}

TEST(ParamReply, UninterpretedBytesDecodeToNothing) {
    Reply r = ValidReply();
    // Every byte that carries no field is set; with the page-control bit clear
    // the only non-zero element must be PARAM[29] (inverted bit).
    for (std::size_t i = 2; i < r.size(); ++i) {
        const bool field = i == 24 || i == 25 || (i >= 34 && i <= 36) || i == 38 ||
                           (i >= 50 && i <= 63) || (i >= 82 && i <= 97);
        if (!field) r[i] = 0xFF;
    }
    const Decoded d = Decode(r);
    ParamBlock expectedParam{};
    expectedParam[kPageControl] = 1;
    EXPECT_EQ(d.param, expectedParam);
    EXPECT_EQ(d.adjust, AdjustBlock{});
    EXPECT_EQ(d.address, AddressBlock{});
}

TEST(ParamReply, DipSwitchesFromBytes24And25) {
    Reply r = ValidReply();
    r[25] = 0b1010'0101;
    r[24] = 0b0000'0010;
    const Decoded d = Decode(r);
    EXPECT_THAT(std::vector<std::int32_t>(d.param.begin(), d.param.begin() + 10),
                ElementsAreArray({1, 0, 1, 0, 0, 1, 0, 1, 0, 1}));
}

struct ReplyFieldCase {
    std::size_t offset;
    std::uint8_t value;
    std::size_t element;  // PARAM element
    std::int32_t expected;
};

void PrintTo(const ReplyFieldCase& c, std::ostream* os) {
    *os << "reply[" << c.offset << "]=" << int(c.value) << " PARAM[" << c.element << "]";
}

class ParamReplyField : public ::testing::TestWithParam<ReplyFieldCase> {};

TEST_P(ParamReplyField, Decodes) {
    const ReplyFieldCase& c = GetParam();
    Reply r = ValidReply();
    r[c.offset] = c.value;
    EXPECT_EQ(Decode(r).param[c.element], c.expected)
        << "byte " << c.offset << " = 0x" << std::hex << int(c.value);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParamReplyField,
    ::testing::Values(ReplyFieldCase{38, 0x03, kAutoCutReturnTime, 0},
                      ReplyFieldCase{38, 0x02, kAutoCutReturnTime, 2},
                      ReplyFieldCase{38, 0xC0, kBackFeedSpeed, 3}, ReplyFieldCase{38, 0x40, kBackFeedSpeed, 1},
                      ReplyFieldCase{38, 0x0C, kPrintDirection, 0}, ReplyFieldCase{38, 0x10, kMirrorPrint, 1},
                      ReplyFieldCase{35, 0xC0, kStatusAutoSend, 0}, ReplyFieldCase{35, 0x80, kStatusAutoSend, 2},
                      ReplyFieldCase{35, 0x08, kAutoCutFeed, 1}, ReplyFieldCase{34, 0x08, kStopPositionAfterClose, 1},
                      ReplyFieldCase{34, 0x10, kCutterMode, 1}, ReplyFieldCase{34, 0x80, kBlackMarkTopControl, 1},
                      ReplyFieldCase{36, 0x00, kPageControl, 1}, ReplyFieldCase{36, 0x01, kPageControl, 0},
                      ReplyFieldCase{36, 0x02, kUsbSerialNumber, 1}, ReplyFieldCase{36, 0xFC, kUsbSerialNumber, 0},
                      ReplyFieldCase{37, 0xFF, kBackFeedSpeed, 0}));

TEST(ParamReply, AdjustValuesAreSignExtended) {
    Reply r = ValidReply();
    r[50] = 0xF6;
    r[51] = 0x7F;
    r[52] = 0xFF;
    r[53] = 0x9C;
    r[54] = 0x01;
    r[55] = 0x2C;
    r[62] = 0x80;
    r[63] = 0x00;
    EXPECT_THAT(Decode(r).adjust, ElementsAreArray({-10, 127, -100, 300, 0, 0, 0, -32768}));
}

TEST(ParamReply, AddressFieldsIncludingLineEndLookalikes) {
    Reply r = ValidReply();
    r[82] = 5;
    r[83] = 0;
    const std::uint8_t ip[] = {10, 0, 0, 1}, mask[] = {255, 255, 255, 0}, gw[] = {10, 0, 13, 10};
    std::copy(std::begin(ip), std::end(ip), r.begin() + 84);
    std::copy(std::begin(mask), std::end(mask), r.begin() + 88);
    std::copy(std::begin(gw), std::end(gw), r.begin() + 92);
    r[96] = 0x0A;
    r[97] = 0x00;
    const Decoded d = Decode(r);
    EXPECT_EQ(FormatDotted(d.address[kIpAddress]), "10.0.0.1");
    EXPECT_EQ(FormatDotted(d.address[kSubnetMask]), "255.255.255.0");
    EXPECT_EQ(FormatDotted(d.address[kGateway]), "10.0.13.10");
    EXPECT_EQ(d.address[kDhcpBootp], 5);
    EXPECT_EQ(d.address[kRarp], 0);
    EXPECT_EQ(d.address[kSocketPort], 2560);
}

// --- Read back and send again --------------------------------------------------

// What the printer should see again when a block read from `reply` is sent
// back unchanged: the five bit-field bytes with byte 36's fixed bits forced,
// byte 37 sent as 00, and two-bit selectors other than the backfeed speed that
// had both bits set sent clear.
ParamBits ExpectedResend(const Reply& r) {
    ParamBits b{r[34], r[35], r[36], r[37], r[38]};
    b[2] = static_cast<std::uint8_t>((b[2] & 0x03) | 0x80);
    b[3] = 0x00;
    if ((b[1] & 0xC0) == 0xC0) b[1] &= 0x3F;
    for (unsigned shift : {0u, 2u, 4u}) {
        if (((b[4] >> shift) & 3) == 3) b[4] &= static_cast<std::uint8_t>(~(3u << shift));
    }
    return b;
}

TEST(ReadBack, ParamAndAdjustBlocksReproduceTheReplyBytes) {
    std::mt19937 rng(20261209);
    std::uniform_int_distribution<int> byte(0, 255);
    for (int round = 0; round < 2000; ++round) {
        Reply r;
        for (auto& b : r) b = static_cast<std::uint8_t>(byte(rng));
        r[0] |= 0x01;  // keep the reply valid
        const Decoded d = Decode(r);

        const ParamSetBytes paramSet = BuildParamSet(d.param.data());
        const ParamBits sent{paramSet[10], paramSet[11], paramSet[12], paramSet[13], paramSet[14]};
        ASSERT_EQ(sent, ExpectedResend(r)) << "round " << round;

        const AdjustSetBytes adjustSet = BuildAdjustSet(d.adjust.data());
        ASSERT_TRUE(std::equal(adjustSet.begin() + 10, adjustSet.begin() + 24, r.begin() + 50))
            << "round " << round;
    }
}

TEST(ReadBack, EveryValidChoiceSurvivesEncodeAndDecode) {
    // Value ranges of the parameter elements 10-30.
    std::array<std::int32_t, kParamCount> maxValue{};
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) maxValue[i] = 1;
    for (std::size_t i : {kAutoCutReturnTime, kStatusAutoSend, kPrintDirection, kMirrorPrint}) maxValue[i] = 2;
    maxValue[kBackFeedSpeed] = 3;

    std::mt19937 rng(7);
    for (int round = 0; round < 2000; ++round) {
        ParamBlock param{};
        for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) {
            param[i] = std::uniform_int_distribution<std::int32_t>(0, maxValue[i])(rng);
        }
        AdjustBlock adjust{};
        adjust[0] = std::uniform_int_distribution<std::int32_t>(-128, 127)(rng);
        adjust[1] = std::uniform_int_distribution<std::int32_t>(-128, 127)(rng);
        for (std::size_t i = 2; i < kAdjustCount; ++i) {
            adjust[i] = std::uniform_int_distribution<std::int32_t>(-32768, 32767)(rng);
        }
        const ParamBits bits = EncodeParamBits(param.data());
        const AdjustValues values = EncodeAdjustValues(adjust.data());
        Reply r = ValidReply();
        std::copy(bits.begin(), bits.end(), r.begin() + kReplyParamBitsOffset);
        std::copy(values.begin(), values.end(), r.begin() + kReplyAdjustOffset);
        const Decoded d = Decode(r);
        ASSERT_EQ(d.param, param) << "round " << round;
        ASSERT_EQ(d.adjust, adjust) << "round " << round;
    }
}

// --- Addresses -----------------------------------------------------------------

TEST(Octets, FirstOctetAtTheLowestAddress) {
    const std::int32_t v = PackOctets({192, 168, 1, 20});
    const auto* raw = reinterpret_cast<const std::uint8_t*>(&v);
    EXPECT_THAT(std::vector<std::uint8_t>(raw, raw + 4), ElementsAreArray({192, 168, 1, 20}));
    EXPECT_EQ(UnpackOctets(v), (Octets{192, 168, 1, 20}));
    EXPECT_EQ(FormatDotted(v), "192.168.1.20");
    EXPECT_EQ(FormatDotted(PackOctets({255, 255, 255, 255})), "255.255.255.255");
}

TEST(SpoolerReply, ValueName) {
    EXPECT_EQ(ReplyValueName("LP-1 (USB)"), "GetDevRes,LP-1 (USB),");
    EXPECT_EQ(ReplyValueName(""), "GetDevRes,,");
}

TEST(SocketPort, RangeBoundaries) {
    const struct {
        const SocketPortRange& range;
        std::int64_t port;
        bool inside;
    } cases[] = {
        {kAddressPagePortRange, 9999, false},   {kAddressPagePortRange, 10000, true},
        {kAddressPagePortRange, 65525, true},   {kAddressPagePortRange, 65526, false},
        {kAddressPagePortRange, 9100, false},   {kAddressDialogPortRange, 9999, false},
        {kAddressDialogPortRange, 10000, true}, {kAddressDialogPortRange, 65535, true},
        {kAddressDialogPortRange, 65536, false}, {kAddressDialogPortRange, -10000, false},
    };
    for (const auto& c : cases) EXPECT_EQ(c.range.Contains(c.port), c.inside) << c.range.high << " " << c.port;
}

}  // namespace
}  // namespace kestrion
