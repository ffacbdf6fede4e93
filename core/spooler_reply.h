// How the printer's reply comes back on the spooler path: the port monitor
// keeps it as printer data under "GetDevRes," + printer name + ",", behind an
// 8-byte envelope of two little-endian 32-bit words whose second is non-zero
// once a reply is present. Replies are only fetched from printers with
// bidirectional support on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kestrion {

inline constexpr char kReplyValuePrefix[] = "GetDevRes,";
inline constexpr char kReplyValueSuffix[] = ",";
inline constexpr std::size_t kReplyEnvelopeSize = 8;
inline constexpr std::size_t kEnvelopeFlagOffset = 4;  // the second word
// The printer attribute "bidirectional support on" (PRINTER_ATTRIBUTE_ENABLE_BIDI).
inline constexpr std::uint32_t kPrinterAttributeEnableBidi = 0x800;

// "GetDevRes,<name>,"
std::string ReplyValueName(const std::string& printerName);

}  // namespace kestrion
