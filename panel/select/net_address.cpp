#include "panel/select/net_address.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace tamsel {

namespace {

NetAddress::PortText DefaultPortText() {
    NetAddress::PortText portText{};
    std::memcpy(portText.data(), kDefaultPortText, sizeof kDefaultPortText - 1);
    return portText;
}

}  // namespace

std::optional<NetAddress::PortText> FormatPortText(std::int32_t port) {
    char text[16];
    const int length = std::snprintf(text, sizeof text, "%d", static_cast<int>(port));
    if (length < 0 || static_cast<std::size_t>(length) > kPortTextCharacters) return std::nullopt;
    NetAddress::PortText portText{};
    std::memcpy(portText.data(), text, static_cast<std::size_t>(length));
    return portText;
}

NetAddress::PortText PortTextFromField(std::string_view fieldText) {
    NetAddress::PortText portText{};
    std::size_t characters = 0;
    for (std::size_t i = 0; i < fieldText.size() && characters < kPortTextCharacters;) {
        const auto byte = static_cast<unsigned char>(fieldText[i]);
        if (byte < 0x80) {
            portText[characters++] = static_cast<char>(byte);
            ++i;
            continue;
        }
        // One character of several bytes: skip its continuation bytes.
        portText[characters++] = '?';
        ++i;
        while (i < fieldText.size() && (static_cast<unsigned char>(fieldText[i]) & 0xC0) == 0x80) ++i;
    }
    return portText;
}

std::uint32_t PortValue(const NetAddress::PortText& portText) {
    std::size_t i = 0;
    const std::size_t end = portText.size() - 1;  // the terminator's place
    auto at = [&](std::size_t k) { return k < end ? portText[k] : '\0'; };
    // The C library's white space: blank, tab, line feed, vertical tab, form feed, carriage return.
    while (at(i) == ' ' || (at(i) >= '\t' && at(i) <= '\r')) ++i;
    bool negative = false;
    if (at(i) == '+' || at(i) == '-') {
        negative = at(i) == '-';
        ++i;
    }
    std::uint32_t value = 0;
    for (; at(i) >= '0' && at(i) <= '9'; ++i) value = value * 10 + static_cast<std::uint32_t>(at(i) - '0');
    return negative ? 0u - value : value;
}

int LoadAddressFile(FileStore& files, Notices& notices, NetAddress& address) {
    const auto bytes = files.Read(kAddressFileName, kAddressFileSize);
    // A short file is as unusable as a missing one: its values would be
    // partly invented, so the defaults are proposed instead.
    if (!bytes || bytes->size() < kAddressFileSize) {
        notices.Show(kAddressFileMissingText, NoticeIcon::Exclamation);
        return 0;
    }
    for (std::size_t i = 0; i < 4; ++i) address.ipAddress[i] = (*bytes)[i];
    const std::uint32_t raw = static_cast<std::uint32_t>((*bytes)[4]) | static_cast<std::uint32_t>((*bytes)[5]) << 8 |
                              static_cast<std::uint32_t>((*bytes)[6]) << 16 |
                              static_cast<std::uint32_t>((*bytes)[7]) << 24;
    // A stored port whose text would not fit the five characters is not
    // written past them: the default port is proposed instead.
    const auto portText = FormatPortText(static_cast<std::int32_t>(raw));
    address.portText = portText ? *portText : DefaultPortText();
    return 1;
}

int SaveAddressFile(FileStore& files, Notices& notices, const NetAddress& address) {
    // The port is stored as atoi reads the text; an accepted text is five digits.
    const std::int32_t port = static_cast<std::int32_t>(PortValue(address.portText));
    const auto value = static_cast<std::uint32_t>(port);
    const std::vector<std::uint8_t> bytes{
        address.ipAddress[0],
        address.ipAddress[1],
        address.ipAddress[2],
        address.ipAddress[3],
        static_cast<std::uint8_t>(value),
        static_cast<std::uint8_t>(value >> 8),
        static_cast<std::uint8_t>(value >> 16),
        static_cast<std::uint8_t>(value >> 24),
    };
    if (!files.Write(kAddressFileName, bytes)) notices.Show(kAddressFileNotSavedText, NoticeIcon::Exclamation);
    return 1;
}

NetAddress InitialAddress(FileStore& files, Notices& notices) {
    NetAddress address{};
    if (LoadAddressFile(files, notices, address) != 1) {
        address.ipAddress = kDefaultIpAddress;
        address.portText = DefaultPortText();
    }
    return address;
}

AddressConfirm ConfirmAddress(const std::array<std::uint8_t, 4>& fields, std::string_view portField,
                              FileStore& files, Notices& notices, NetAddress& address) {
    address = NetAddress{};
    address.ipAddress = fields;
    address.portText = PortTextFromField(portField);
    const std::uint32_t port = PortValue(address.portText);
    if (port < kSocketPortMin || port > kSocketPortMax) {
        notices.Show(kPortOutOfRangeText, NoticeIcon::Information);
        return AddressConfirm::PortOutOfRange;
    }
    SaveAddressFile(files, notices, address);
    return AddressConfirm::Accepted;
}

std::optional<std::vector<std::uint8_t>> StdioFileStore::Read(const std::string& name, std::size_t limit) {
    std::FILE* file = std::fopen(name.c_str(), "rb");
    if (!file) return std::nullopt;
    std::vector<std::uint8_t> bytes(limit);
    const std::size_t got = std::fread(bytes.data(), 1, limit, file);
    std::fclose(file);
    bytes.resize(got);
    return bytes;
}

bool StdioFileStore::Write(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::FILE* file = std::fopen(name.c_str(), "wb");
    if (!file) return false;
    const std::size_t put = std::fwrite(bytes.data(), 1, bytes.size(), file);
    // A full disk may only show when the buffered bytes are flushed.
    const bool closed = std::fclose(file) == 0;
    return put == bytes.size() && closed;
}

}  // namespace tamsel
