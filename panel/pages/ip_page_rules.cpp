#include "panel/pages/ip_page_rules.h"

#include "panel/pages/leading_number.h"

namespace tamsel {

Octets AddressOctets(std::int32_t element) {
    // Byte by byte from the lowest, whatever the machine's byte order.
    const auto bits = static_cast<std::uint32_t>(element);
    return {static_cast<std::uint8_t>(bits), static_cast<std::uint8_t>(bits >> 8),
            static_cast<std::uint8_t>(bits >> 16), static_cast<std::uint8_t>(bits >> 24)};
}

std::int32_t AddressElement(const Octets& octets) {
    const std::uint32_t bits = std::uint32_t{octets[0]} | (std::uint32_t{octets[1]} << 8) |
                               (std::uint32_t{octets[2]} << 16) | (std::uint32_t{octets[3]} << 24);
    return static_cast<std::int32_t>(bits);
}

IpPageValues ShowAddressBlock(const SettingsRecord& record) {
    IpPageValues values;
    values.dhcpBootp = record.address[kAddressDhcpBootp];
    values.rarp = record.address[kAddressRarp];
    values.portText = std::to_string(record.address[kAddressSocketPort]);
    values.ipAddress = AddressOctets(record.address[kAddressIp]);
    values.subnetMask = AddressOctets(record.address[kAddressMask]);
    values.gateway = AddressOctets(record.address[kAddressGateway]);
    return values;
}

void TakeAddressBlock(const IpPageValues& values, std::int32_t& portCheck, PortRangeNotice& notice,
                      SettingsRecord& record) {
    record.address[kAddressDhcpBootp] = values.dhcpBootp;
    record.address[kAddressRarp] = values.rarp;
    record.address[kAddressIp] = AddressElement(values.ipAddress);
    record.address[kAddressMask] = AddressElement(values.subnetMask);
    record.address[kAddressGateway] = AddressElement(values.gateway);

    const std::int32_t port = LeadingInteger(values.portText);
    if (portCheck == kPortCheckRequested && (port < kSocketPortLowest || port > kSocketPortHighest)) {
        portCheck = kPortCheckFailed;
        notice.ShowOutOfRange(kSocketPortOutOfRangeMessage);
        return;
    }
    record.address[kAddressSocketPort] = port;
}

}  // namespace tamsel
