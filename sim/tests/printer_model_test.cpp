#include "sim/printer_model.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

namespace printersim {
namespace {

using namespace kestrion;
using ::testing::HasSubstr;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

// Decodes a settings reply with the link library's own decoder.
struct Decoded {
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
};
Decoded Decode(const Bytes& reply) {
    EXPECT_EQ(reply.size(), kParamReplyLength);
    Decoded d;
    EXPECT_TRUE(DecodeParamReply(reply.data(), d.param.data(), d.adjust.data(), d.address.data()));
    return d;
}

// A printer with DIP switches in a pattern that no command may disturb.
PrinterSettings Start() {
    PrinterSettings s = FactorySettings();
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) s.param[i] = (i % 3 == 0) ? 1 : 0;
    s.status = 7;
    return s;
}

// --- ParamSet ----------------------------------------------------------------

// The values each parameter can take.
int ChoiceCount(std::size_t index) {
    switch (index) {
    case kAutoCutReturnTime:
    case kStatusAutoSend:
    case kPrintDirection:
    case kMirrorPrint: return 3;
    case kBackFeedSpeed: return 4;
    default: return 2;
    }
}

struct ParamCase {
    std::string name;
    ParamBlock param;
};

std::vector<ParamCase> ParamCases() {
    std::vector<ParamCase> cases;
    ParamBlock zero{};
    cases.push_back({"all_zero", zero});
    ParamBlock top{};
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) top[i] = ChoiceCount(i) - 1;
    cases.push_back({"every_choice_last", top});
    // Every single parameter at every one of its non-zero values, the rest factory.
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) {
        for (int v = 0; v < ChoiceCount(i); ++v) {
            ParamBlock p = FactorySettings().param;
            p[i] = v;
            cases.push_back({"param" + std::to_string(i) + "_is_" + std::to_string(v), p});
        }
    }
    return cases;
}

class ParamSetTest : public ::testing::TestWithParam<ParamCase> {};

TEST_P(ParamSetTest, StoresTheParametersAndReadsThemBack) {
    const PrinterSettings start = Start();
    PrinterModel model(start);
    ParamBlock sent = GetParam().param;
    // The DIP switches travel nowhere: whatever the block holds there is not sent.
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) sent[i] = 1;

    EXPECT_TRUE(model.Feed(ToBytes(BuildParamSet(sent.data()))).empty());

    ParamBlock expected = GetParam().param;
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) expected[i] = start.param[i];
    EXPECT_EQ(model.Settings().param, expected);
    EXPECT_EQ(model.Settings().adjust, start.adjust);
    EXPECT_EQ(model.Settings().address, start.address);

    const Decoded d = Decode(model.Feed(ToBytes(kParamQuery)));
    EXPECT_EQ(d.param, expected);
}

INSTANTIATE_TEST_SUITE_P(Table, ParamSetTest, ::testing::ValuesIn(ParamCases()),
                         [](const auto& info) { return info.param.name; });

// --- AdjustSet ---------------------------------------------------------------

struct AdjustCase {
    std::string name;
    AdjustBlock sent;
    AdjustBlock stored;  // what the printer holds: the low 8 or 16 bits, sign-extended
};

class AdjustSetTest : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(AdjustSetTest, StoresTheValuesAndReadsThemBack) {
    PrinterModel model(Start());
    EXPECT_TRUE(model.Feed(ToBytes(BuildAdjustSet(GetParam().sent.data()))).empty());
    EXPECT_EQ(model.Settings().adjust, GetParam().stored);
    EXPECT_EQ(Decode(model.Feed(ToBytes(kParamQuery))).adjust, GetParam().stored);
}

INSTANTIATE_TEST_SUITE_P(
    Table, AdjustSetTest,
    ::testing::Values(
        AdjustCase{"zero", {}, {}},
        AdjustCase{"negative", {-1, -10, -2, -100, -1, -32768, -5, -300}, {-1, -10, -2, -100, -1, -32768, -5, -300}},
        AdjustCase{"extremes", {127, -128, 32767, -32768, 1, 0, 300, -1}, {127, -128, 32767, -32768, 1, 0, 300, -1}},
        // 0A 00 inside the block: the values are taken by position, not by line end.
        AdjustCase{"lf_nul_bytes", {10, 0, 2560, 10, 0x0A0A, 0x000A, 2560, 10}, {10, 0, 2560, 10, 0x0A0A, 10, 2560, 10}},
        AdjustCase{"low_bits_only", {300, -200, 70000, -70000, 0, 0, 0, 0}, {44, 56, 4464, -4464, 0, 0, 0, 0}}),
    [](const auto& info) { return info.param.name; });

// --- AddressSet --------------------------------------------------------------

struct AddressCase {
    std::string name;
    AddressBlock sent;
    AddressBlock stored;  // DHCP/BOOTP and RARP come back as 0 or 1
};

class AddressSetTest : public ::testing::TestWithParam<AddressCase> {};

// The six parts of the run change their element one by one, as they arrive.
TEST_P(AddressSetTest, EachPartChangesItsElementAsItArrives) {
    const PrinterSettings start = Start();
    PrinterModel model(start);
    const AddressSetBytes run = BuildAddressSet(GetParam().sent.data());
    const std::size_t partEnds[] = {23, 46, 69, 80, 91, 103};
    AddressBlock expected = start.address;
    std::size_t from = 0;
    for (std::size_t part = 0; part < 6; ++part) {
        EXPECT_TRUE(model.Feed(run.data() + from, partEnds[part] - from).empty());
        expected[part] = GetParam().stored[part];
        EXPECT_EQ(model.Settings().address, expected) << "after part " << part + 1;
        from = partEnds[part];
    }
    EXPECT_EQ(Decode(model.Feed(ToBytes(kParamQuery))).address, GetParam().stored);
}

std::int32_t Ip(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) { return PackOctets({a, b, c, d}); }

INSTANTIATE_TEST_SUITE_P(
    Table, AddressSetTest,
    ::testing::Values(
        AddressCase{"typical",
                    {Ip(192, 168, 0, 5), Ip(255, 255, 255, 0), Ip(192, 168, 0, 1), 0, 0, 9100},
                    {Ip(192, 168, 0, 5), Ip(255, 255, 255, 0), Ip(192, 168, 0, 1), 0, 0, 9100}},
        AddressCase{"functions_off",
                    {Ip(172, 16, 3, 200), Ip(255, 255, 0, 0), Ip(172, 16, 0, 254), 5, -1, 65535},
                    {Ip(172, 16, 3, 200), Ip(255, 255, 0, 0), Ip(172, 16, 0, 254), 1, 1, 65535}},
        // 10.0.0.1 and port 2560 put 0A 00 on the wire and into the reply.
        AddressCase{"lf_nul_everywhere",
                    {Ip(10, 0, 0, 1), Ip(255, 0, 0, 0), Ip(10, 0, 0, 10), 1, 0, 2560},
                    {Ip(10, 0, 0, 1), Ip(255, 0, 0, 0), Ip(10, 0, 0, 10), 1, 0, 2560}},
        AddressCase{"port_zero", {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 1, 0}}),
    [](const auto& info) { return info.param.name; });

// --- Queries, restart ---------------------------------------------------------

TEST(StatusQueryTest, AnswersTwoDigitsAndCrLf) {
    struct Case {
        std::int32_t status;
        Bytes reply;
    };
    for (const Case& c : {Case{7, {0x01, 0x02, '0', '7', 0x0D, 0x0A}}, Case{0, {0x01, 0x02, '0', '0', 0x0D, 0x0A}},
                          Case{42, {0x01, 0x02, '4', '2', 0x0D, 0x0A}}, Case{99, {0x01, 0x02, '9', '9', 0x0D, 0x0A}}}) {
        PrinterSettings s = Start();
        s.status = c.status;
        PrinterModel model(s);
        const Bytes reply = model.Feed(ToBytes(kStatusQuery));
        EXPECT_EQ(reply, c.reply) << c.status;
        ASSERT_GE(reply.size(), kStatusReplyMinLength);
        EXPECT_TRUE(IsStatusReply(reply.data()));
        EXPECT_EQ(ParseStatusDigits(reply[2], reply[3]), c.status);
    }
}

TEST(ResetCommandTest, CountsRestartsAndKeepsTheSettings) {
    PrinterModel model(Start());
    ParamBlock p = FactorySettings().param;
    p[kBackFeedSpeed] = 3;
    model.Feed(ToBytes(BuildParamSet(p.data())));
    const PrinterSettings before = model.Settings();
    EXPECT_TRUE(model.Feed(ToBytes(kResetCommand)).empty());
    EXPECT_TRUE(model.Feed(ToBytes(kResetCommand)).empty());
    EXPECT_EQ(model.ResetCount(), 2);
    EXPECT_EQ(model.Settings(), before);
    EXPECT_THAT(model.Log().back(), HasSubstr("restart 2"));
}

// --- The settings reply's layout ------------------------------------------------

// Offsets that carry a field (decoded or, for byte 37, sent as the command has it).
bool IsFieldOffset(std::size_t i) {
    return i < 2 || i == kReplyDipHighOffset || i == kReplyDipLowOffset ||
           (i >= kReplyParamBitsOffset && i < kReplyParamBitsOffset + kParamBitsLength) ||
           (i >= kReplyAdjustOffset && i < kReplyAdjustOffset + kAdjustValuesLength) ||
           (i >= kReplyDhcpOffset && i < kReplyDecodedEnd);
}

TEST(ParamReplyTest, TerminatorPairsFormOnlyAtTheEndOrInsideFields) {
    std::vector<PrinterSettings> samples{FactorySettings(), Start()};
    PrinterSettings awkward = Start();
    awkward.address = {Ip(10, 0, 0, 1), Ip(255, 255, 10, 0), Ip(10, 13, 10, 0), 1, 1, 2560};
    awkward.adjust = {10, 13, 0x0D0A, 0x0A00, 10, -1, 0, 10};
    samples.push_back(awkward);
    for (const PrinterSettings& s : samples) {
        const Bytes reply = BuildParamReply(s);
        ASSERT_EQ(reply.size(), kParamReplyLength);
        EXPECT_EQ(reply[226], 0x0D);
        EXPECT_EQ(reply[227], 0x0A);
        EXPECT_TRUE(IsParamReply(reply.data()));
        for (std::size_t i = 0; i + 1 < kParamReplyLength - 2; ++i) {
            const bool crlf = reply[i] == 0x0D && reply[i + 1] == 0x0A;
            const bool lfnul = reply[i] == 0x0A && reply[i + 1] == 0x00;
            if (crlf || lfnul) {
                EXPECT_TRUE(IsFieldOffset(i) && IsFieldOffset(i + 1)) << "accidental terminator at " << i;
            }
        }
    }
    // A field is sent as it is, even when it forms LF 00.
    const Bytes reply = BuildParamReply(awkward);
    EXPECT_EQ(Bytes(reply.begin() + kReplyIpOffset, reply.begin() + kReplyIpOffset + 4), (Bytes{10, 0, 0, 1}));
    EXPECT_EQ(reply[kReplyPortOffset], 0x0A);
    EXPECT_EQ(reply[kReplyPortOffset + 1], 0x00);
}

TEST(ParamReplyTest, DipSwitchesTravelInBytes24And25) {
    PrinterSettings s = FactorySettings();
    s.param[0] = 1;  // bit 0 of byte 25
    s.param[7] = 1;  // bit 7 of byte 25
    s.param[9] = 1;  // bit 1 of byte 24
    const Bytes reply = BuildParamReply(s);
    EXPECT_EQ(reply[kReplyDipLowOffset], 0x81);
    EXPECT_EQ(reply[kReplyDipHighOffset], 0x02);
    EXPECT_EQ(Decode(reply).param, s.param);
}

// --- The byte stream -------------------------------------------------------------

// A conversation that touches every command, fed in different cuttings.
Bytes Conversation() {
    ParamBlock p = FactorySettings().param;
    p[kBackFeedSpeed] = 3;
    p[kPrintDirection] = 2;
    AdjustBlock a{-1, 5, 2560, -2, 10, 0, 0, 300};
    AddressBlock addr{Ip(10, 0, 0, 1), Ip(255, 0, 0, 0), Ip(10, 0, 0, 10), 1, 0, 2560};
    return Cat({ToBytes(kStatusQuery), ToBytes(BuildParamSet(p.data())), ToBytes(BuildAdjustSet(a.data())),
                ToBytes(BuildAddressSet(addr.data())), ToBytes(kParamQuery), ToBytes(kResetCommand),
                ToBytes(kStatusQuery)});
}

struct Outcome {
    Bytes replies;
    PrinterSettings settings;
    int resets;
};

Outcome RunWhole() {
    PrinterModel model(Start());
    const Bytes replies = model.Feed(Conversation());
    return {replies, model.Settings(), model.ResetCount()};
}

TEST(StreamTest, CommandsSplitAnywhereGiveTheSameResult) {
    const Outcome whole = RunWhole();
    ASSERT_EQ(whole.replies.size(), 6 + kParamReplyLength + 6);
    EXPECT_EQ(whole.resets, 1);
    EXPECT_EQ(whole.settings.address[kSocketPort], 2560);
    const Bytes conversation = Conversation();
    for (std::size_t cut = 1; cut < conversation.size(); ++cut) {
        PrinterModel model(Start());
        Bytes replies = model.Feed(conversation.data(), cut);
        const Bytes rest = model.Feed(conversation.data() + cut, conversation.size() - cut);
        replies.insert(replies.end(), rest.begin(), rest.end());
        ASSERT_EQ(replies, whole.replies) << "cut at " << cut;
        ASSERT_EQ(model.Settings(), whole.settings) << "cut at " << cut;
    }
    PrinterModel byteByByte(Start());
    Bytes replies;
    for (std::uint8_t b : conversation) {
        const Bytes r = byteByByte.Feed(&b, 1);
        replies.insert(replies.end(), r.begin(), r.end());
    }
    EXPECT_EQ(replies, whole.replies);
    EXPECT_EQ(byteByByte.Settings(), whole.settings);
    EXPECT_EQ(byteByByte.ResetCount(), 1);
}

TEST(StreamTest, ExtraNulPaddingBetweenCommandsIsAccepted) {
    PrinterModel model(Start());
    const Bytes reply = model.Feed(Cat({ToBytes(kStatusQuery), Bytes{0, 0, 0}, ToBytes(kStatusQuery), Bytes{0}}));
    EXPECT_EQ(reply.size(), 12u);
    // Padding is not worth a log line; the two queries are.
    EXPECT_EQ(model.Log().size(), 2u);
}

struct GarbageCase {
    std::string name;
    Bytes before;  // bytes in front of a status query
    std::string logged;
};

class ResyncTest : public ::testing::TestWithParam<GarbageCase> {};

// After anything it cannot take, the printer finds the next command at the next ESC.
TEST_P(ResyncTest, IgnoresAndLogsThenFindsTheNextCommand) {
    const PrinterSettings start = Start();
    PrinterModel model(start);
    const Bytes input = Cat({GetParam().before, ToBytes(kStatusQuery)});
    EXPECT_EQ(model.Feed(input), BuildStatusReply(start.status));
    EXPECT_EQ(model.Settings(), start);
    const auto log = model.Log();
    ASSERT_GE(log.size(), 2u);
    EXPECT_THAT(log.front(), HasSubstr(GetParam().logged));
    EXPECT_THAT(log.back(), HasSubstr("StatusQuery"));

    // The same bytes one at a time come out the same.
    PrinterModel slow(start);
    Bytes replies;
    for (std::uint8_t b : input) {
        const Bytes r = slow.Feed(&b, 1);
        replies.insert(replies.end(), r.begin(), r.end());
    }
    EXPECT_EQ(replies, BuildStatusReply(start.status));
    EXPECT_EQ(slow.Settings(), start);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ResyncTest,
    ::testing::Values(
        GarbageCase{"stray_text", Text("hello\r\n"), "stray"},
        GarbageCase{"unknown_command", Cat({Text("\x1bXYZ;1\n"), Bytes{0}}), "unknown command"},
        GarbageCase{"unknown_command_without_end", Text("\x1bQQ"), "unknown command"},
        // A ParamSet cut short: its fixed length reaches into the next command,
        // whose ESC is then where the printer picks up again.
        GarbageCase{"short_param_set", Cat({Text("\x1bKVT;Z2;1,"), Bytes{1, 2, 0x81}}), "malformed"},
        GarbageCase{"ip_with_letters", Cat({Text("\x1bIP;2,1x2,168,000,005\n"), Bytes{0}}), "malformed"},
        GarbageCase{"ip_octet_over_255", Cat({Text("\x1bIP;2,256,168,000,005\n"), Bytes{0}}), "malformed"},
        GarbageCase{"ih_digit_out_of_range", Cat({Text("\x1bKVT;IH;7\n"), Bytes{0}}), "malformed"},
        GarbageCase{"query_without_nul", Text("\x1bWS\n"), "unknown command"}),
    [](const auto& info) { return info.param.name; });

TEST(StreamTest, EndOfInputDropsAnIncompleteCommand) {
    PrinterModel model(Start());
    const Bytes query = ToBytes(kParamQuery);
    EXPECT_TRUE(model.Feed(query.data(), 6).empty());
    model.EndOfInput();
    EXPECT_THAT(model.Log().back(), HasSubstr("incomplete"));
    // The rest alone is no command.
    EXPECT_TRUE(model.Feed(query.data() + 6, query.size() - 6).empty());
    EXPECT_EQ(model.Feed(query).size(), kParamReplyLength);
}

TEST(StreamTest, FeedCommandsTellsWhichReplyIsWhose) {
    PrinterModel model(Start());
    const Bytes conversation = Conversation();
    const auto answers = model.FeedCommands(conversation.data(), conversation.size());
    std::vector<CommandKind> kinds;
    for (const Answer& a : answers) kinds.push_back(a.kind);
    using K = CommandKind;
    EXPECT_EQ(kinds, (std::vector<K>{K::StatusQuery, K::ParamSet, K::AdjustSet, K::AddressPart, K::AddressPart,
                                     K::AddressPart, K::AddressPart, K::AddressPart, K::AddressPart, K::ParamQuery,
                                     K::Reset, K::StatusQuery}));
    EXPECT_EQ(answers[9].reply.size(), kParamReplyLength);
    EXPECT_TRUE(answers[1].reply.empty());
}

// Noise, including pieces of real commands, never upsets the printer: after
// the input ends it answers the next query as ever.
TEST(StreamTest, SurvivesRandomNoise) {
    std::mt19937 random(12345);
    const Bytes conversation = Conversation();
    for (int round = 0; round < 200; ++round) {
        PrinterModel model(Start());
        Bytes noise;
        const int pieces = 1 + static_cast<int>(random() % 8);
        for (int i = 0; i < pieces; ++i) {
            if (random() % 2) {
                const std::size_t from = random() % conversation.size();
                const std::size_t len = random() % (conversation.size() - from + 1);
                noise.insert(noise.end(), conversation.begin() + static_cast<std::ptrdiff_t>(from),
                             conversation.begin() + static_cast<std::ptrdiff_t>(from + len));
            } else {
                for (std::size_t n = random() % 40; n > 0; --n) noise.push_back(static_cast<std::uint8_t>(random()));
            }
        }
        for (std::size_t at = 0; at < noise.size();) {
            const std::size_t len = std::min<std::size_t>(1 + random() % 16, noise.size() - at);
            for (const Answer& a : model.FeedCommands(noise.data() + at, len)) {
                if (a.kind == CommandKind::StatusQuery) {
                    EXPECT_EQ(a.reply.size(), 6u);
                }
                if (a.kind == CommandKind::ParamQuery) {
                    EXPECT_EQ(a.reply.size(), kParamReplyLength);
                }
            }
            at += len;
        }
        model.EndOfInput();
        const PrinterSettings now = model.Settings();
        ASSERT_EQ(model.Feed(ToBytes(kStatusQuery)), BuildStatusReply(now.status)) << "round " << round;
        for (std::size_t i = 0; i < kDipSwitchCount; ++i) EXPECT_EQ(now.param[i], Start().param[i]);
    }
}

// --- Read-back differs, and the log --------------------------------------------

TEST(IgnoreSetsTest, SetsAreLoggedButNotApplied) {
    const PrinterSettings start = Start();
    PrinterModel model(start);
    model.SetIgnoreSets(true);
    ParamBlock p = start.param;
    p[kBackFeedSpeed] = 3;
    AdjustBlock a{1, 2, 3, 4, 5, 6, 7, 8};
    AddressBlock addr{Ip(10, 0, 0, 1), Ip(255, 0, 0, 0), Ip(10, 0, 0, 10), 1, 1, 2560};
    model.Feed(Cat({ToBytes(BuildParamSet(p.data())), ToBytes(BuildAdjustSet(a.data())),
                    ToBytes(BuildAddressSet(addr.data()))}));
    EXPECT_EQ(model.Settings(), start);
    EXPECT_EQ(model.Log().size(), 8u);
    for (const std::string& line : model.Log()) EXPECT_THAT(line, HasSubstr("not applied"));

    model.SetIgnoreSets(false);
    model.Feed(ToBytes(BuildParamSet(p.data())));
    EXPECT_EQ(model.Settings().param[kBackFeedSpeed], 3);
}

TEST(LogTest, OneLineInWordsPerCommand) {
    PrinterModel model(Start());
    std::vector<std::string> sunk;
    model.SetLogSink([&](const std::string& line) { sunk.push_back(line); });
    model.Feed(Conversation());
    const auto log = model.Log();
    EXPECT_EQ(log.size(), 12u);
    EXPECT_EQ(sunk, log);
    EXPECT_THAT(log[1], HasSubstr("backfeed speed 4 ips (was 6 ips)"));
    EXPECT_THAT(log[1], HasSubstr("print direction rotated 180 degrees"));
    EXPECT_THAT(log[2], HasSubstr("feed amount +256.0 mm"));
    EXPECT_THAT(log[2], HasSubstr("density (direct thermal) -1"));
    EXPECT_THAT(log[3], HasSubstr("IP address 10.0.0.1"));
    EXPECT_THAT(log[6], HasSubstr("DHCP/BOOTP disabled"));
    EXPECT_THAT(log[7], HasSubstr("RARP enabled"));
    EXPECT_THAT(log[8], HasSubstr("socket port 2560"));
}

}  // namespace
}  // namespace printersim
