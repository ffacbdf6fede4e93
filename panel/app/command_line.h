// The program's command line: the only switches it knows are the two
// registration keywords, written behind "-" or "/" as the last thing on the
// line, in any case.
#pragma once

#include <functional>
#include <string_view>

namespace tamsel {

enum class RegistrationSwitch { None, RegServer, UnregServer };

// Tells whether a byte of the command line starts a double-byte character in
// the system code page (IsDBCSLeadByte on Windows); its trail byte is then
// never taken for a switch character.
using LeadBytePredicate = std::function<bool(unsigned char)>;

// Scans the whole command line (program name included) for "-" and "/"; for
// each, the whole rest of the line behind it is compared with the keywords,
// ignoring case. The first match wins.
RegistrationSwitch ScanRegistrationSwitch(std::string_view commandLine, const LeadBytePredicate& isLeadByte);

// Lead bytes of code page 932, for callers and tests without Windows.
bool IsCp932LeadByte(unsigned char byte);

}  // namespace tamsel
