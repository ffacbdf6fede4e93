// The IP address page's rules without any window: the ADDRESS block to and
// from what the page shows, and the socket-port check that the main window
// asks for before it writes a settings file or sends to the printer.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "core/settings_record.h"

namespace tamsel {

// Ports the printer's socket interface accepts (the address dialog of the
// printer selection has its own, different range).
inline constexpr std::int32_t kSocketPortLowest = 10000;
inline constexpr std::int32_t kSocketPortHighest = 65525;

inline constexpr char kSocketPortOutOfRangeMessage[] =
    "ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65525 )";

// Values of `portCheck`: no check; the caller asks for the check; the check failed.
inline constexpr std::int32_t kPortCheckOff = 0;
inline constexpr std::int32_t kPortCheckRequested = 1;
inline constexpr std::int32_t kPortCheckFailed = 2;

// ADDRESS element indexes.
inline constexpr std::size_t kAddressIp = 0;
inline constexpr std::size_t kAddressMask = 1;
inline constexpr std::size_t kAddressGateway = 2;
inline constexpr std::size_t kAddressDhcpBootp = 3;
inline constexpr std::size_t kAddressRarp = 4;
inline constexpr std::size_t kAddressSocketPort = 5;

// The four octets of an address element, first dotted octet first: the
// element holds the first octet in its lowest byte.
using Octets = std::array<std::uint8_t, 4>;
Octets AddressOctets(std::int32_t element);
std::int32_t AddressElement(const Octets& octets);

// What the page shows and takes back.
struct IpPageValues {
    std::int32_t dhcpBootp = -1;     // radio position, -1 none
    std::int32_t rarp = -1;
    Octets ipAddress = {};           // a blank field of the control reads as 0
    Octets subnetMask = {};
    Octets gateway = {};
    std::string portText;
};

IpPageValues ShowAddressBlock(const SettingsRecord& record);

// Tells the user that the socket port is out of range and returns once the
// message has been answered.
class PortRangeNotice {
public:
    virtual ~PortRangeNotice() = default;
    virtual void ShowOutOfRange(std::string_view message) = 0;
};

// Takes the page's values back into the record. The radio values and the
// three addresses are always stored. The port (the integer at the start of
// the text) is stored unless portCheck asks for the check and the port lies
// outside 10000-65525: then portCheck becomes 2, the notice is shown and the
// record keeps its previous port.
void TakeAddressBlock(const IpPageValues& values, std::int32_t& portCheck, PortRangeNotice& notice,
                      SettingsRecord& record);

}  // namespace tamsel
