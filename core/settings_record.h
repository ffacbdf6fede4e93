// The one representation of a complete printer configuration: a fixed
// 228-byte image that is held in memory, sent block by block to the printer
// and written unchanged to settings files (*.dat).
#pragma once

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <filesystem>

#include "core/protocol.h"

namespace tamsel {

static_assert(std::endian::native == std::endian::little,
              "the settings image holds little-endian integers");

inline constexpr std::size_t kRecordSize = 228;
inline constexpr std::size_t kHeaderLength = 20;
inline constexpr char kHeaderText[] = "KVT Vantorelli 7K4R;";
static_assert(sizeof kHeaderText - 1 == kHeaderLength);

// DIP switch state stored when no printer values could be read.
inline constexpr std::int32_t kDipNotAvailable = 3;
inline constexpr std::int32_t kFactorySocketPort = 12000;

struct SettingsRecord {
    char header[kHeaderLength];
    std::uint8_t paramTag[8];
    std::int32_t param[kestrion::kParamCount];
    char adjustTag[8];
    std::int32_t adjust[kestrion::kAdjustCount];
    std::uint8_t addressTag[12];
    std::int32_t address[kestrion::kAddressCount];

    // 228 zero bytes.
    static SettingsRecord Zero();
    // A record built from the three blocks, with the header
    // "KVT Vantorelli 7K4R;" and the tags "PARAM," 00 00, ",ADJUST," and
    // ",ADDRESS," 00 00 00 in place.
    static SettingsRecord FromBlocks(const std::int32_t* param, const std::int32_t* adjust,
                                     const std::int32_t* address);
    static SettingsRecord Factory();

    const std::uint8_t* Bytes() const { return reinterpret_cast<const std::uint8_t*>(this); }
    std::uint8_t* Bytes() { return reinterpret_cast<std::uint8_t*>(this); }

    bool HasHeader() const;
};

static_assert(sizeof(SettingsRecord) == kRecordSize);
static_assert(offsetof(SettingsRecord, header) == 0);
static_assert(offsetof(SettingsRecord, paramTag) == 20);
static_assert(offsetof(SettingsRecord, param) == 28);
static_assert(offsetof(SettingsRecord, adjustTag) == 152);
static_assert(offsetof(SettingsRecord, adjust) == 160);
static_assert(offsetof(SettingsRecord, addressTag) == 192);
static_assert(offsetof(SettingsRecord, address) == 204);

// Both change states compare all 228 bytes: header, tags and DIP switch
// states included.
bool SameImage(const SettingsRecord& a, const SettingsRecord& b);
inline bool operator==(const SettingsRecord& a, const SettingsRecord& b) { return SameImage(a, b); }

// Writes header and the three tags.
void WriteHeaderAndTags(SettingsRecord& record);

// Writes header, tags and the factory values of PARAM 10-30, ADJUST and
// ADDRESS; the DIP switch states and every other byte stay as they were.
void ApplyFactoryDefaults(SettingsRecord& record);

// --- Settings file ------------------------------------------------------------

enum class LoadResult {
    Loaded,          // the record now holds the file's first 228 bytes
    NotSettingsFile, // wrong header, or fewer than 228 bytes: the record is unchanged
    CannotOpen,      // the file could not be opened or read: the record is unchanged
};

enum class SaveResult {
    Saved,
    AccessDenied,  // the file exists but may not be written, or the folder is closed to us
    Failed,        // any other failure
};

// Takes the image from the first bytes of a file. Only the header is checked;
// a file shorter than a whole record is refused so that the record is never
// left half old, half new.
LoadResult LoadRecordImage(const std::uint8_t* data, std::size_t size, SettingsRecord& record);

LoadResult LoadSettingsFile(const std::filesystem::path& path, SettingsRecord& record);

// Writes the 228 bytes over the start of the file, creating it if needed; an
// existing longer file keeps its length.
SaveResult SaveSettingsFile(const std::filesystem::path& path, const SettingsRecord& record);

}  // namespace tamsel
