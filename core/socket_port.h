// The two ranges a socket port is checked against, each with its message:
// the IP address page's (the printer's own listening port, ADDRESS[5]) and
// the network address dialog's (the port the program connects to). The
// record and the wire hold any port 0-65535.
#pragma once

#include <cstdint>

namespace kestrion {

struct SocketPortRange {
    std::int32_t low;
    std::int32_t high;
    const char* message;  // shown when a port lies outside

    constexpr bool Contains(std::int64_t port) const { return port >= low && port <= high; }
};

inline constexpr SocketPortRange kAddressPagePortRange{
    10000, 65525, "ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65525 )"};
inline constexpr SocketPortRange kAddressDialogPortRange{
    10000, 65535, "ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65535 )"};
inline constexpr std::int32_t kMaxSocketPort = 65535;

}  // namespace kestrion
