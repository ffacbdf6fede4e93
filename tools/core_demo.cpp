// A short walk through the portable core: the six printer commands, a decoded
// settings reply, and a settings file written and read back.
#include <cstdio>
#include <filesystem>
#include <string>

#include "core/protocol.h"
#include "core/settings_record.h"

namespace {

using namespace kestrion;

void Dump(const char* name, const std::uint8_t* data, std::size_t size) {
    std::printf("%-13s %3zu bytes:", name, size);
    for (std::size_t i = 0; i < size; ++i) {
        if (i > 0 && i % 24 == 0) std::printf("\n%*s", 24, "");
        std::printf(" %02X", data[i]);
    }
    std::printf("\n");
}

template <std::size_t N>
void Dump(const char* name, const std::array<std::uint8_t, N>& a) {
    Dump(name, a.data(), a.size());
}

}  // namespace

int main() {
    tamsel::SettingsRecord record = tamsel::SettingsRecord::Factory();
    record.param[kBackFeedSpeed] = 3;
    record.adjust[2] = -25;
    record.address[kIpAddress] = PackOctets({192, 168, 0, 5});
    record.address[kSubnetMask] = PackOctets({255, 255, 255, 0});
    record.address[kSocketPort] = 9100;

    std::printf("The six commands, for the factory values with backfeed 4 ips, feed -2.5 mm,\n"
                "address 192.168.0.5/255.255.255.0 and socket port 9100:\n");
    Dump("StatusQuery", kStatusQuery);
    Dump("ParamQuery", kParamQuery);
    Dump("ParamSet", BuildParamSet(record.param));
    Dump("AdjustSet", BuildAdjustSet(record.adjust));
    Dump("AddressSet", BuildAddressSet(record.address));
    Dump("ResetCommand", kResetCommand);

    // A settings reply as a printer would send it for the same values, with
    // DIP switches 1 and 10 on.
    std::array<std::uint8_t, kParamReplyLength> reply{};
    reply[0] = 0x00;
    reply[1] = 0x01;
    reply[kReplyDipLowOffset] = 0x01;
    reply[kReplyDipHighOffset] = 0x02;
    const ParamBits bits = EncodeParamBits(record.param);
    std::copy(bits.begin(), bits.end(), reply.begin() + kReplyParamBitsOffset);
    const AdjustValues values = EncodeAdjustValues(record.adjust);
    std::copy(values.begin(), values.end(), reply.begin() + kReplyAdjustOffset);
    const Octets ip = UnpackOctets(record.address[kIpAddress]);
    std::copy(ip.begin(), ip.end(), reply.begin() + kReplyIpOffset);
    reply[kReplyPortOffset] = 9100 >> 8;
    reply[kReplyPortOffset + 1] = 9100 & 0xFF;

    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    if (!DecodeParamReply(reply.data(), param.data(), adjust.data(), address.data())) {
        std::printf("reply refused\n");
        return 1;
    }
    std::printf("\nDecoded settings reply:\n  DIP switches:");
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) std::printf(" %d", param[i]);
    std::printf("\n  parameters 10-30:");
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) std::printf(" %d", param[i]);
    std::printf("\n  fine adjust:");
    for (std::int32_t v : adjust) std::printf(" %d", v);
    std::printf("\n  address %s, port %d\n", FormatDotted(address[kIpAddress]).c_str(), address[kSocketPort]);

    const tamsel::SettingsRecord read =
        tamsel::SettingsRecord::FromBlocks(param.data(), adjust.data(), address.data());
    const std::filesystem::path file = std::filesystem::temp_directory_path() / "core-demo.dat";
    if (tamsel::SaveSettingsFile(file, read) != tamsel::SaveResult::Saved) {
        std::printf("cannot write %s\n", file.string().c_str());
        return 1;
    }
    tamsel::SettingsRecord loaded = tamsel::SettingsRecord::Zero();
    const tamsel::LoadResult result = tamsel::LoadSettingsFile(file, loaded);
    std::printf("\nSettings file %s: %ju bytes, %s\n", file.string().c_str(),
                static_cast<std::uintmax_t>(std::filesystem::file_size(file)),
                result == tamsel::LoadResult::Loaded && loaded == read ? "read back identical" : "READ BACK DIFFERS");
    return result == tamsel::LoadResult::Loaded && loaded == read ? 0 : 1;
}
