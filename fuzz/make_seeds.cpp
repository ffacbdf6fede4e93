// Writes the starting inputs of the fuzz targets from the real encoders: the
// simulated printer's replies, the commands the library sends, a settings
// file as the program saves it, its JSON as the tool shows it, and an
// address file as the address dialog writes it.
//   fuzz-seeds CORPUS_DIR
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/protocol.h"
#include "core/settings_record.h"
#include "sim/printer_model.h"
#include "tools/kestrion/json.h"
#include "tools/kestrion/settings_view.h"

namespace fs = std::filesystem;
using namespace kestrion;
using Bytes = std::vector<std::uint8_t>;

namespace {

fs::path root;

void Put(const std::string& target, const std::string& name, const Bytes& bytes) {
    const fs::path dir = root / target;
    fs::create_directories(dir);
    std::ofstream out(dir / name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes Cat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

template <typename A>
Bytes Of(const A& a) {
    return Bytes(a.begin(), a.end());
}

printersim::PrinterSettings Distinctive() {
    printersim::PrinterSettings s = printersim::FactorySettings();
    s.param[0] = 1;
    s.param[9] = 1;
    s.param[kBackFeedSpeed] = 3;
    s.param[kPrintDirection] = 2;
    s.adjust = {-5, 7, -100, 300, 0, 1, -1, 32000};
    // 10.0.0.1 and port 2560 put 0A 00 into the reply's data.
    s.address = {PackOctets({10, 0, 0, 1}), PackOctets({255, 0, 0, 0}), PackOctets({10, 0, 13, 10}), 0, 1, 2560};
    s.status = 42;
    return s;
}

Bytes Envelope(const Bytes& reply) {
    Bytes v(8, 0);
    v[4] = 1;
    v.insert(v.end(), reply.begin(), reply.end());
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz-seeds CORPUS_DIR\n");
        return 2;
    }
    root = argv[1];
    const printersim::PrinterSettings factory = printersim::FactorySettings();
    const printersim::PrinterSettings distinctive = Distinctive();
    const Bytes status = printersim::BuildStatusReply(42);
    const Bytes reply = printersim::BuildParamReply(distinctive);
    const Bytes factoryReply = printersim::BuildParamReply(factory);
    Bytes zeroWord = reply;
    zeroWord[0] = zeroWord[1] = 0;

    Put("fuzz_reply_decode", "status", status);
    Put("fuzz_reply_decode", "settings", reply);
    Put("fuzz_reply_decode", "factory", factoryReply);
    Put("fuzz_reply_decode", "zero-word", zeroWord);

    // Reply bytes in front, the script's choices behind (taken from the end).
    const Bytes script(24, 0x01);
    Put("fuzz_net_receive", "status", Cat({status, script}));
    Put("fuzz_net_receive", "settings", Cat({reply, script}));
    Put("fuzz_net_receive", "unsolicited", Cat({status, status, script}));

    Put("fuzz_spool_envelope", "status", Envelope(status));
    Put("fuzz_spool_envelope", "settings", Envelope(reply));
    Put("fuzz_spool_envelope", "no-reply", Bytes(8, 0));

    const Bytes commands = Cat({Of(BuildParamSet(distinctive.param.data())),
                                Of(BuildAdjustSet(distinctive.adjust.data())),
                                Of(BuildAddressSet(distinctive.address.data())), Of(kParamQuery), Of(kStatusQuery),
                                Of(kResetCommand)});
    Put("fuzz_sim_parser", "commands", commands);
    Put("fuzz_sim_parser", "garbage-between", Cat({Bytes{'x', 'y', 0x1B, 'Q', '\n', 0}, commands, Bytes{0, 0, 0x41}}));
    Put("fuzz_command_roundtrip", "blocks", commands);

    const tamsel::SettingsRecord record = tamsel::SettingsRecord::FromBlocks(
        distinctive.param.data(), distinctive.adjust.data(), distinctive.address.data());
    const Bytes image(record.Bytes(), record.Bytes() + tamsel::kRecordSize);
    Put("fuzz_settings_file", "saved", image);
    Bytes longer = image;
    longer.resize(1000, 0x20);
    Put("fuzz_settings_file", "over-longer-file", longer);
    Put("fuzz_settings_file", "short", Bytes(image.begin(), image.begin() + 100));

    // 192.168.10.20, port 12000 little-endian; the field text first.
    Put("fuzz_setip_file", "saved", Bytes{'1', '2', '0', '0', '0', 0, 192, 168, 10, 20, 0xE0, 0x2E, 0, 0, 1});
    Put("fuzz_setip_file", "short", Bytes{'-', '1', 0, 10, 0, 0, 1, 1});

    const std::string json = kjson::Write(kestrion_cli::RecordToJson(record));
    Put("fuzz_json_import", "shown", Bytes(json.begin(), json.end()));
    const std::string factoryJson = kjson::Write(kestrion_cli::RecordToJson(tamsel::SettingsRecord::Factory()));
    Put("fuzz_json_import", "factory", Bytes(factoryJson.begin(), factoryJson.end()));

    const std::string ini = "Solvena Setup\nSolvena\nSolvena\nDISK1\nTamsel.exe\nTamsel.chm\nTamsel.chm\n";
    Put("fuzz_setup_info", "setup", Cat({Bytes(ini.begin(), ini.end()), Bytes(16, 0x07)}));
    return 0;
}
