// The network address file "SetIP" as it may lie in the current directory:
// any bytes, any length, or none. A file of at least 8 bytes gives its four
// octets and a port text that is terminated and at most five characters; a
// shorter or missing file changes nothing and is reported. The port field's
// text, whatever the user typed, reads as the C library's atol would.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "fuzz/fuzz_check.h"
#include "panel/select/net_address.h"

using namespace tamsel;

namespace {

class BytesStore final : public FileStore {
public:
    std::optional<std::vector<std::uint8_t>> content;
    std::size_t limitAsked = 0;
    std::optional<std::vector<std::uint8_t>> Read(const std::string& name, std::size_t limit) override {
        FUZZ_CHECK(name == kAddressFileName);
        limitAsked = limit;
        if (!content) return std::nullopt;
        std::vector<std::uint8_t> bytes = *content;
        if (bytes.size() > limit) bytes.resize(limit);
        return bytes;
    }
    bool Write(const std::string&, const std::vector<std::uint8_t>&) override { __builtin_trap(); }
};

class CountingNotices final : public Notices {
public:
    int shown = 0;
    void Show(const std::string&, NoticeIcon) override { ++shown; }
};

void CheckPortText(const NetAddress::PortText& text) {
    const std::size_t length = std::strlen(text.data());  // terminated within the array
    FUZZ_CHECK(length <= kPortTextCharacters);
    // The port text reads as atol reads it, taken as an unsigned 32-bit number.
    FUZZ_CHECK(PortValue(text) == static_cast<std::uint32_t>(std::atol(text.data())));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    BytesStore files;
    const bool exists = in.ConsumeIntegralInRange(0, 7) != 0;
    const std::string field = in.ConsumeRandomLengthString(16);
    if (exists) files.content = in.ConsumeRemainingBytes<std::uint8_t>();
    const std::vector<std::uint8_t> bytes = files.content.value_or(std::vector<std::uint8_t>{});

    CountingNotices notices;
    NetAddress address{};
    address.ipAddress = {1, 2, 3, 4};
    std::memcpy(address.portText.data(), "4321", 5);
    const NetAddress before = address;
    const int loaded = LoadAddressFile(files, notices, address);
    FUZZ_CHECK(files.limitAsked == kAddressFileSize);
    if (!exists || bytes.size() < kAddressFileSize) {
        FUZZ_CHECK(loaded == 0 && notices.shown == 1);
        FUZZ_CHECK(address.ipAddress == before.ipAddress && address.portText == before.portText);
    } else {
        FUZZ_CHECK(loaded == 1 && notices.shown == 0);
        for (std::size_t i = 0; i < 4; ++i) FUZZ_CHECK(address.ipAddress[i] == bytes[i]);
        CheckPortText(address.portText);
        std::int32_t stored;
        std::memcpy(&stored, bytes.data() + 4, 4);
        const std::optional<NetAddress::PortText> text = FormatPortText(stored);
        if (text) {
            // A port that fits is proposed as it was stored.
            FUZZ_CHECK(*text == address.portText);
            FUZZ_CHECK(static_cast<std::int32_t>(PortValue(address.portText)) == stored);
        } else {
            FUZZ_CHECK(std::strcmp(address.portText.data(), kDefaultPortText) == 0);
        }
    }

    // Whatever was typed into the port field.
    CheckPortText(PortTextFromField(field));
    return 0;
}
