#include "panel/pages/ip_page_rules.h"

#include "panel/pages/leading_number.h"

namespace tamsel {

std::uint32_t AddressControlValue(std::int32_t element) {
    const auto bytes = static_cast<std::uint32_t>(element);
    // Byte 0 (first octet) moves to the top, byte 3 to the bottom.
    return ((bytes & 0xFFu) << 24) | ((bytes & 0xFF00u) << 8) | ((bytes >> 8) & 0xFF00u) | (bytes >> 24);
}

std::int32_t AddressElement(std::uint32_t controlValue) {
    // The same byte reversal, back.
    return static_cast<std::int32_t>(AddressControlValue(static_cast<std::int32_t>(controlValue)));
}

IpPageValues ShowAddressBlock(const SettingsRecord& record) {
    IpPageValues values;
    values.dhcpBootp = record.address[kAddressDhcpBootp];
    values.rarp = record.address[kAddressRarp];
    values.portText = std::to_string(record.address[kAddressSocketPort]);
    values.ipAddress = AddressControlValue(record.address[kAddressIp]);
    values.subnetMask = AddressControlValue(record.address[kAddressMask]);
    values.gateway = AddressControlValue(record.address[kAddressGateway]);
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
