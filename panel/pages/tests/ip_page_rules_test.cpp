#include "panel/pages/ip_page_rules.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace tamsel {
namespace {

using ::testing::ElementsAre;

// Builds an address element from its four octets as they lie in the record.
std::int32_t Element(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) {
    const std::uint8_t bytes[4] = {a, b, c, d};
    std::int32_t element;
    std::memcpy(&element, bytes, 4);
    return element;
}

Octets Dotted(std::uint8_t a, std::uint8_t b, std::uint8_t c, std::uint8_t d) { return {a, b, c, d}; }

class RecordingNotice : public PortRangeNotice {
public:
    void ShowOutOfRange(std::string_view message) override { messages.emplace_back(message); }
    std::vector<std::string> messages;
};

TEST(IpAddressForms, FirstOctetInTheLowestByteIsTheFirstField) {
    struct Case {
        std::int32_t element;
        Octets octets;
    };
    const Case cases[] = {
        {Element(192, 168, 0, 10), Dotted(192, 168, 0, 10)},
        {Element(10, 0, 0, 1), Dotted(10, 0, 0, 1)},
        {Element(255, 255, 255, 0), Dotted(255, 255, 255, 0)},
        {0, Dotted(0, 0, 0, 0)},
        {0x04030201, Dotted(1, 2, 3, 4)},
        {-1, Dotted(255, 255, 255, 255)},
        {std::numeric_limits<std::int32_t>::min(), Dotted(0, 0, 0, 128)},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(AddressOctets(c.element), c.octets) << std::hex << c.element;
        EXPECT_EQ(AddressElement(c.octets), c.element) << std::hex << c.element;
    }
}

TEST(IpPageShow, RecordToPageValues) {
    SettingsRecord record = SettingsRecord::Factory();
    record.address[0] = Element(192, 168, 0, 10);
    record.address[1] = Element(255, 255, 255, 0);
    record.address[2] = Element(192, 168, 0, 1);
    record.address[3] = 1;
    record.address[4] = 2;  // out of the group's range: the page shows no button
    record.address[5] = 2560;

    const IpPageValues values = ShowAddressBlock(record);
    EXPECT_EQ(values.ipAddress, Dotted(192, 168, 0, 10));
    EXPECT_EQ(values.subnetMask, Dotted(255, 255, 255, 0));
    EXPECT_EQ(values.gateway, Dotted(192, 168, 0, 1));
    EXPECT_EQ(values.dhcpBootp, 1);
    EXPECT_EQ(values.rarp, 2);
    EXPECT_EQ(values.portText, "2560");

    record.address[5] = -5;
    EXPECT_EQ(ShowAddressBlock(record).portText, "-5");
}

struct PortCase {
    std::int32_t portCheck;
    const char* portText;
    std::int32_t storedPort;      // ADDRESS[5] afterwards (the previous one is 4321)
    std::int32_t portCheckAfter;
    bool message;
};

TEST(IpPageTake, PortCheckOnRequestOnly) {
    const PortCase cases[] = {
        {1, "10000", 10000, 1, false},
        {1, "65525", 65525, 1, false},
        {1, "12000", 12000, 1, false},
        {1, "9999", 4321, 2, true},
        {1, "65526", 4321, 2, true},
        {1, "", 4321, 2, true},
        {1, "9100abc", 4321, 2, true},
        {1, "99999999999", 4321, 2, true},
        {1, "-12000", 4321, 2, true},
        {1, " 12000x", 12000, 1, false},
        {0, "65526", 65526, 0, false},
        {0, "", 0, 0, false},
        {0, "9100abc", 9100, 0, false},
        {0, "99999999999", 2147483647, 0, false},
        {2, "1", 1, 2, false},    // a failed check from before asks for nothing
    };
    for (const PortCase& c : cases) {
        SettingsRecord record = SettingsRecord::Zero();
        record.address[5] = 4321;
        IpPageValues values;
        values.portText = c.portText;
        std::int32_t portCheck = c.portCheck;
        RecordingNotice notice;
        TakeAddressBlock(values, portCheck, notice, record);
        EXPECT_EQ(record.address[5], c.storedPort) << c.portCheck << " \"" << c.portText << '"';
        EXPECT_EQ(portCheck, c.portCheckAfter) << c.portCheck << " \"" << c.portText << '"';
        EXPECT_EQ(notice.messages.size(), c.message ? 1u : 0u) << c.portCheck << " \"" << c.portText << '"';
    }
}

TEST(IpPageTake, RefusedPortStillStoresTheOtherElementsAndNothingElse) {
    SettingsRecord record = SettingsRecord::Zero();
    std::memset(record.Bytes(), 0x5A, kRecordSize);
    const std::int32_t previousPort = record.address[5];
    IpPageValues values;
    values.dhcpBootp = 0;
    values.rarp = -1;
    values.ipAddress = Dotted(10, 0, 0, 1);
    values.subnetMask = Dotted(255, 0, 0, 0);
    values.gateway = {};  // a blank control reads as 0
    values.portText = "65526";
    std::int32_t portCheck = kPortCheckRequested;
    RecordingNotice notice;
    TakeAddressBlock(values, portCheck, notice, record);

    EXPECT_EQ(portCheck, kPortCheckFailed);
    EXPECT_THAT(notice.messages,
                ElementsAre("ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65525 )"));
    EXPECT_EQ(record.address[0], Element(10, 0, 0, 1));
    EXPECT_EQ(record.address[1], Element(255, 0, 0, 0));
    EXPECT_EQ(record.address[2], 0);
    EXPECT_EQ(record.address[3], 0);
    EXPECT_EQ(record.address[4], -1);
    EXPECT_EQ(record.address[5], previousPort);
    for (std::size_t i = 0; i < 204; ++i) ASSERT_EQ(record.Bytes()[i], 0x5A) << "byte " << i;
}

TEST(IpPageTake, RoundTripThroughThePageValues) {
    SettingsRecord record = SettingsRecord::Factory();
    record.address[0] = Element(192, 168, 0, 10);
    record.address[1] = Element(255, 255, 255, 0);
    record.address[2] = Element(192, 168, 0, 254);
    record.address[3] = 1;
    record.address[4] = 0;
    record.address[5] = 65525;
    SettingsRecord copy = record;
    std::int32_t portCheck = kPortCheckRequested;
    RecordingNotice notice;
    TakeAddressBlock(ShowAddressBlock(record), portCheck, notice, copy);
    EXPECT_EQ(copy, record);
    EXPECT_EQ(portCheck, kPortCheckRequested);  // the caller resets it
    EXPECT_TRUE(notice.messages.empty());
}

}  // namespace
}  // namespace tamsel
