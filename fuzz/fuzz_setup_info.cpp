// The installer's setup information, as its private-profile reader hands the
// keys over: any value text of any length, any DISK number. The values kept
// never exceed the reader's capacity, reading stops at the first missing
// value, and a file accepted has every value and the uninstall key built from
// the install folder.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdlib>
#include <map>
#include <string>

#include "fuzz/fuzz_check.h"
#include "installer/core/setup_rules.h"

using namespace veldra;

namespace {

class TableProfile final : public ProfileSource {
public:
    std::map<std::string, std::string> values;
    int diskValue = 0;
    mutable int reads = 0;
    int ReadInt(const char* key, int fallback) const override {
        ++reads;
        return std::string(key) == "DISK" ? diskValue : fallback;
    }
    std::string ReadString(const char* key) const override {
        ++reads;
        const auto it = values.find(key);
        return it == values.end() ? std::string() : it->second;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider in(data, size);
    TableProfile profile;
    profile.diskValue = in.ConsumeIntegralInRange(0, 3) == 0 ? 0 : in.ConsumeIntegral<int>();
    const unsigned major = in.ConsumeIntegralInRange<unsigned>(3, 11);
    const unsigned minor = in.ConsumeIntegralInRange<unsigned>(0, 2);
    const char* keys[] = {"TITLE_NAME", "PRINTER_NAME", "INSTALL_FOLDER", "DISK_PATH", "SB_FILE", "HELP_FILE1",
                          "HELP_FILE2"};
    for (const char* key : keys) {
        if (in.ConsumeIntegralInRange(0, 7) == 0) continue;  // missing
        profile.values[key] = in.ConsumeRandomLengthString(kValueCapacity * 2);
    }

    SetupValues values;
    const bool ok = ReadSetupInfo(profile, major, minor, values);
    for (const std::string* v : {&values.titleName, &values.printerName, &values.installFolder, &values.diskPath,
                                 &values.sbFile, &values.helpFile}) {
        FUZZ_CHECK(v->size() < kValueCapacity);
    }
    FUZZ_CHECK(profile.reads <= 7);
    if (profile.diskValue == 0) {
        FUZZ_CHECK(!ok && profile.reads == 1);
        return 0;
    }
    if (!ok) return 0;
    for (const std::string* v : {&values.titleName, &values.printerName, &values.installFolder, &values.diskPath,
                                 &values.sbFile, &values.helpFile}) {
        FUZZ_CHECK(!v->empty());
    }
    FUZZ_CHECK(values.disk == profile.diskValue);
    FUZZ_CHECK(values.uninstallKey == UninstallKeyPath(values.installFolder));
    const std::string& help = profile.values[HelpKeyFor(major, minor)];
    FUZZ_CHECK(help.compare(0, values.helpFile.size(), values.helpFile) == 0);
    return 0;
}
