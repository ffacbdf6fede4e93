// The network printer's address and socket port: what the address dialog
// proposes, how it reads and checks the entered port, and the 8-byte file
// "SetIP" in the current directory that remembers the values accepted last.
#pragma once

#include <array>
#include <optional>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "panel/select/select_seams.h"

namespace tamsel {

// The address and port as the dialog holds them.
struct NetAddress {
    // Socket port as decimal text: at most five characters and a terminator.
    using PortText = std::array<char, 6>;

    PortText portText{};
    // First dotted octet first.
    std::array<std::uint8_t, 4> ipAddress{};
};

// The address file: four octets (first dotted octet first), then the socket
// port as a signed 32-bit little-endian integer.
inline constexpr char kAddressFileName[] = "SetIP";
inline constexpr std::size_t kAddressFileSize = 8;

inline constexpr std::array<std::uint8_t, 4> kDefaultIpAddress{192, 168, 10, 20};
inline constexpr char kDefaultPortText[] = "12000";
inline constexpr std::size_t kPortTextCharacters = 5;
inline constexpr std::uint32_t kSocketPortMin = 10000;
inline constexpr std::uint32_t kSocketPortMax = 65535;

inline constexpr char kAddressFileMissingText[] = "前回設定ファイルがない、または、開くことができない。";
inline constexpr char kPortOutOfRangeText[] = "ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65535 )";
inline constexpr char kAddressFileNotSavedText[] =
    "IPアドレス設定ファイルを保存できませんでした。\n管理者権限がないか、フォルダアクセスが禁止されています。";

// Port text from a number, "%d"; nothing when it needs more than five
// characters (outside -9999 ... 99999).
std::optional<NetAddress::PortText> FormatPortText(std::int32_t port);

// The first five characters of the port field's text (UTF-8). A character
// outside ASCII is kept as '?', which no number contains.
NetAddress::PortText PortTextFromField(std::string_view fieldText);

// The text's value as the C library's atol reads it (leading white space, an
// optional sign, decimal digits up to the first other character, 0 without
// digits), taken as an unsigned 32-bit number: "-1" is 4294967295.
std::uint32_t PortValue(const NetAddress::PortText& portText);

// 1 when the address file was read into `address`, 0 when it could not be
// opened or is shorter than 8 bytes (after the message). A stored port that
// does not fit five characters is proposed as the default port.
int LoadAddressFile(FileStore& files, Notices& notices, NetAddress& address);

// Writes the 8-byte file; a failure is only reported to the user. Returns 1.
int SaveAddressFile(FileStore& files, Notices& notices, const NetAddress& address);

// What the dialog shows when it opens: the file's values, or the defaults
// 192.168.10.20 and "12000" when it has none.
NetAddress InitialAddress(FileStore& files, Notices& notices);

enum class AddressConfirm {
    Accepted,         // saved (or its failure reported): end with IDOK
    PortOutOfRange,   // message shown: focus to the port field, stay open
};

// OK in the address dialog: the four fields (blank fields as 0) and the port
// field's text become `address`; a port in 10000 ... 65535 is saved.
AddressConfirm ConfirmAddress(const std::array<std::uint8_t, 4>& fields, std::string_view portField,
                              FileStore& files, Notices& notices, NetAddress& address);

}  // namespace tamsel
