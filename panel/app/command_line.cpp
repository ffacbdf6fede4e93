#include "panel/app/command_line.h"

#include <cstddef>

namespace tamsel {
namespace {

constexpr std::string_view kRegServer = "RegServer";
constexpr std::string_view kUnregServer = "UnregServer";

char AsciiLower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
    }
    return true;
}

}  // namespace

bool IsCp932LeadByte(unsigned char byte) { return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC); }

RegistrationSwitch ScanRegistrationSwitch(std::string_view commandLine, const LeadBytePredicate& isLeadByte) {
    std::size_t i = 0;
    while (i < commandLine.size()) {
        const auto byte = static_cast<unsigned char>(commandLine[i]);
        if (isLeadByte && isLeadByte(byte)) {
            i += 2;  // a trail byte is never a switch character
            continue;
        }
        if (byte == '-' || byte == '/') {
            const std::string_view rest = commandLine.substr(i + 1);
            if (EqualsIgnoringCase(rest, kUnregServer)) return RegistrationSwitch::UnregServer;
            if (EqualsIgnoringCase(rest, kRegServer)) return RegistrationSwitch::RegServer;
        }
        ++i;
    }
    return RegistrationSwitch::None;
}

}  // namespace tamsel
