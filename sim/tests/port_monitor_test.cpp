#include "sim/port_monitor.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

namespace printersim {
namespace {

using namespace kestrion;

inline constexpr std::size_t kStatusBuffer = 24;    // envelope + 16
inline constexpr std::size_t kSettingsBuffer = 236; // envelope + 228

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

std::uint32_t SecondWord(const std::uint8_t* buffer) {
    return buffer[4] | (buffer[5] << 8) | (buffer[6] << 16) | (static_cast<std::uint32_t>(buffer[7]) << 24);
}

TEST(PortMonitorTest, ValueNameAndEnvelope) {
    EXPECT_EQ(ReplyValueName("P1"), "GetDevRes,P1,");
    EXPECT_EQ(ReplyValueName("P1").size(), 13u);
    EXPECT_EQ(WrapReply({0x01, 0x02}), (Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0x01, 0x02}));
}

TEST(PortMonitorTest, KeepsTheSettingsReplyBehindTheEnvelope) {
    PrinterSettings s = FactorySettings();
    s.address[kIpAddress] = PackOctets({10, 0, 0, 1});
    PrinterModel model(s);
    PortMonitor monitor(InProcessLink(model));
    monitor.SubmitJob("Label 1", ToBytes(kParamQuery));

    std::array<std::uint8_t, kSettingsBuffer> buffer{};
    EXPECT_EQ(monitor.Fetch("GetDevRes,Label 1,", buffer.data(), buffer.size()), kSettingsBuffer);
    EXPECT_NE(SecondWord(buffer.data()), 0u);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(buffer.data() + kEnvelopeSize, param.data(), adjust.data(), address.data()));
    EXPECT_EQ(address[kIpAddress], s.address[kIpAddress]);
    EXPECT_EQ(param, s.param);
    // Another printer's name finds nothing.
    EXPECT_EQ(monitor.Fetch("GetDevRes,Label 2,", buffer.data(), buffer.size()), 0u);
}

struct FetchCase {
    const char* name;
    int replyOnFetch;
    std::vector<bool> seen;  // whether fetch 1, 2, ... finds the reply
};

class FetchCountTest : public ::testing::TestWithParam<FetchCase> {};

TEST_P(FetchCountTest, ReplyAppearsOnlyFromTheNthFetch) {
    PrinterSettings s = FactorySettings();
    s.status = 5;
    PrinterModel model(s);
    PortMonitor monitor(InProcessLink(model));
    monitor.SetReplyOnFetch(GetParam().replyOnFetch);
    monitor.SubmitJob("P", ToBytes(kStatusQuery));
    for (std::size_t i = 0; i < GetParam().seen.size(); ++i) {
        std::array<std::uint8_t, kStatusBuffer> buffer{};
        const std::size_t size = monitor.Fetch(ReplyValueName("P"), buffer.data(), buffer.size());
        if (GetParam().seen[i]) {
            EXPECT_EQ(size, kEnvelopeSize + 6) << "fetch " << i + 1;
            EXPECT_EQ(SecondWord(buffer.data()), 1u);
            EXPECT_EQ(Bytes(buffer.begin() + 8, buffer.begin() + 14), (Bytes{0x01, 0x02, '0', '5', 0x0D, 0x0A}));
        } else {
            EXPECT_EQ(size, 0u) << "fetch " << i + 1;
            EXPECT_EQ(SecondWord(buffer.data()), 0u) << "fetch " << i + 1;
        }
    }
    EXPECT_EQ(monitor.FetchCount(ReplyValueName("P")), static_cast<int>(GetParam().seen.size()));
}

INSTANTIATE_TEST_SUITE_P(Table, FetchCountTest,
                         ::testing::Values(FetchCase{"first", 1, {true, true}},
                                           FetchCase{"third", 3, {false, false, true, true}},
                                           FetchCase{"fourth_is_too_late_for_three_fetches", 4, {false, false, false}},
                                           FetchCase{"never", 0, {false, false, false, false}}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(PortMonitorTest, AJobWithoutReplyLeavesNoStaleValue) {
    PrinterModel model(FactorySettings());
    PortMonitor monitor(InProcessLink(model));
    monitor.SubmitJob("P", ToBytes(kStatusQuery));
    std::array<std::uint8_t, kStatusBuffer> buffer{};
    ASSERT_NE(monitor.Fetch(ReplyValueName("P"), buffer.data(), buffer.size()), 0u);

    // A restart has no reply: the status reply kept before is gone.
    monitor.SubmitJob("P", ToBytes(kResetCommand));
    EXPECT_EQ(monitor.Fetch(ReplyValueName("P"), buffer.data(), buffer.size()), 0u);
    EXPECT_EQ(model.ResetCount(), 1);
}

TEST(PortMonitorTest, SetJobsReachThePrinter) {
    PrinterModel model(FactorySettings());
    PortMonitor monitor(InProcessLink(model));
    ParamBlock p = FactorySettings().param;
    p[kBackFeedSpeed] = 2;
    monitor.SubmitJob("P", ToBytes(BuildParamSet(p.data())));
    EXPECT_EQ(model.Settings().param, p);
    // A job cut short is dropped with the job, not joined to the next one.
    const Bytes query = ToBytes(kParamQuery);
    monitor.SubmitJob("P", Bytes(query.begin(), query.begin() + 5));
    monitor.SubmitJob("P", Bytes(query.begin() + 5, query.end()));
    std::array<std::uint8_t, kSettingsBuffer> buffer{};
    EXPECT_EQ(monitor.Fetch(ReplyValueName("P"), buffer.data(), buffer.size()), 0u);
}

TEST(PortMonitorTest, ShortBufferGetsOnlyWhatFits) {
    PrinterModel model(FactorySettings());
    PortMonitor monitor(InProcessLink(model));
    monitor.SubmitJob("P", ToBytes(kParamQuery));
    std::array<std::uint8_t, 16> buffer{};
    buffer.fill(0xEE);
    std::array<std::uint8_t, 24> guarded{};
    guarded.fill(0xEE);
    EXPECT_EQ(monitor.Fetch(ReplyValueName("P"), guarded.data(), 16), kSettingsBuffer);
    for (std::size_t i = 16; i < guarded.size(); ++i) EXPECT_EQ(guarded[i], 0xEE) << i;
    monitor.DeleteValue(ReplyValueName("P"));
    EXPECT_EQ(monitor.Fetch(ReplyValueName("P"), buffer.data(), buffer.size()), 0u);
}

}  // namespace
}  // namespace printersim
