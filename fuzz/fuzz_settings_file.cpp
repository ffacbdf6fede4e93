// A settings file as a user may pass it on: any bytes, any length. A file
// that is taken fills the record with exactly its first 228 bytes; a refused
// one leaves the record as it was, byte for byte.
#include <cstdint>
#include <cstring>
#include <memory>

#include "core/settings_record.h"
#include "fuzz/fuzz_check.h"

using namespace tamsel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // The file's bytes in a buffer of exactly their size.
    const auto file = std::make_unique<std::uint8_t[]>(size == 0 ? 1 : size);
    if (size > 0) std::memcpy(file.get(), data, size);

    SettingsRecord record = SettingsRecord::Factory();
    record.param[3] = 1;  // a record that differs from anything a file is likely to hold
    const SettingsRecord before = record;
    const LoadResult result = LoadRecordImage(file.get(), size, record);

    const bool wholeWithHeader = size >= kRecordSize && std::memcmp(data, kHeaderText, kHeaderLength) == 0;
    if (!wholeWithHeader) {
        FUZZ_CHECK(result == LoadResult::NotSettingsFile);
        FUZZ_CHECK(std::memcmp(record.Bytes(), before.Bytes(), kRecordSize) == 0);
        return 0;
    }
    FUZZ_CHECK(result == LoadResult::Loaded);
    FUZZ_CHECK(std::memcmp(record.Bytes(), data, kRecordSize) == 0);
    FUZZ_CHECK(record.HasHeader());

    // Taken again, the same image loads to the same record (tags and all are
    // kept as the file held them).
    SettingsRecord again = SettingsRecord::Zero();
    FUZZ_CHECK(LoadRecordImage(record.Bytes(), kRecordSize, again) == LoadResult::Loaded);
    FUZZ_CHECK(again == record);

    // The factory values change only what they own: the DIP switch states and
    // the bytes they do not name stay as the file had them.
    SettingsRecord factory = record;
    ApplyFactoryDefaults(factory);
    for (std::size_t i = 0; i < kestrion::kDipSwitchCount; ++i) FUZZ_CHECK(factory.param[i] == record.param[i]);
    FUZZ_CHECK(factory.HasHeader());
    SettingsRecord reference = SettingsRecord::Factory();
    std::memcpy(reference.param, record.param, kestrion::kDipSwitchCount * sizeof(std::int32_t));
    FUZZ_CHECK(factory == reference);
    return 0;
}
