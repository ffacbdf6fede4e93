// The kestrion tool's JSON import: any text. A document that parses writes
// back to text that parses to the same document; settings that import give a
// record with the program's header and tags, which shows and imports again to
// the very same 228 bytes.
#include <cstdint>
#include <string>
#include <string_view>

#include "fuzz/fuzz_check.h"
#include "tools/kestrion/json.h"
#include "tools/kestrion/settings_view.h"

using namespace kestrion_cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const std::optional<kjson::Value> json = kjson::Parse(text, error);
    if (!json) {
        FUZZ_CHECK(!error.empty());  // a refusal always says where
        return 0;
    }
    const std::string written = kjson::Write(*json);
    std::string error2;
    const std::optional<kjson::Value> reread = kjson::Parse(written, error2);
    FUZZ_CHECK(reread.has_value());
    FUZZ_CHECK(kjson::Write(*reread) == written);

    const std::optional<tamsel::SettingsRecord> record = RecordFromJson(*json, error);
    if (!record) {
        FUZZ_CHECK(!error.empty());
        return 0;
    }
    FUZZ_CHECK(record->HasHeader());
    tamsel::SettingsRecord tagged = *record;
    tamsel::WriteHeaderAndTags(tagged);
    FUZZ_CHECK(tagged == *record);

    const std::string shown = kjson::Write(RecordToJson(*record));
    const std::optional<kjson::Value> shownJson = kjson::Parse(shown, error2);
    FUZZ_CHECK(shownJson.has_value());
    const std::optional<tamsel::SettingsRecord> again = RecordFromJson(*shownJson, error2);
    FUZZ_CHECK(again.has_value());
    FUZZ_CHECK(*again == *record);
    return 0;
}
