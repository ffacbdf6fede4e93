#include "core/settings_record.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

namespace tamsel {
namespace {

constexpr std::uint8_t kParamTag[8] = {'P', 'A', 'R', 'A', 'M', ',', 0, 0};
constexpr char kAdjustTag[8] = {',', 'A', 'D', 'J', 'U', 'S', 'T', ','};
constexpr std::uint8_t kAddressTag[12] = {',', 'A', 'D', 'D', 'R', 'E', 'S', 'S', ',', 0, 0, 0};

struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opens with a wide name on Windows so that Japanese folder names work on any
// system locale.
std::FILE* OpenFile(const std::filesystem::path& path, const char* mode) {
#ifdef _WIN32
    wchar_t wmode[8] = {};
    for (std::size_t i = 0; mode[i] != '\0' && i + 1 < sizeof wmode / sizeof wmode[0]; ++i) {
        wmode[i] = static_cast<wchar_t>(mode[i]);
    }
    return _wfopen(path.c_str(), wmode);
#else
    return std::fopen(path.c_str(), mode);
#endif
}

}  // namespace

SettingsRecord SettingsRecord::Zero() {
    SettingsRecord r;
    std::memset(&r, 0, sizeof r);
    return r;
}

SettingsRecord SettingsRecord::FromBlocks(const std::int32_t* param, const std::int32_t* adjust,
                                          const std::int32_t* address) {
    SettingsRecord r = Zero();
    WriteHeaderAndTags(r);
    std::memcpy(r.param, param, sizeof r.param);
    std::memcpy(r.adjust, adjust, sizeof r.adjust);
    std::memcpy(r.address, address, sizeof r.address);
    return r;
}

SettingsRecord SettingsRecord::Factory() {
    SettingsRecord r = Zero();
    ApplyFactoryDefaults(r);
    return r;
}

bool SettingsRecord::HasHeader() const { return std::memcmp(header, kHeaderText, kHeaderLength) == 0; }

bool SameImage(const SettingsRecord& a, const SettingsRecord& b) {
    return std::memcmp(a.Bytes(), b.Bytes(), kRecordSize) == 0;
}

void WriteHeaderAndTags(SettingsRecord& record) {
    std::memcpy(record.header, kHeaderText, kHeaderLength);
    std::memcpy(record.paramTag, kParamTag, sizeof kParamTag);
    std::memcpy(record.adjustTag, kAdjustTag, sizeof kAdjustTag);
    std::memcpy(record.addressTag, kAddressTag, sizeof kAddressTag);
}

void ApplyFactoryDefaults(SettingsRecord& record) {
    using namespace kestrion;
    WriteHeaderAndTags(record);
    for (std::size_t i = kDipSwitchCount; i < kParamCount; ++i) record.param[i] = 0;
    record.param[kBlackMarkTopControl] = 1;
    record.param[kStopPositionAfterClose] = 1;
    record.param[kUsbSerialNumber] = 1;
    for (std::int32_t& v : record.adjust) v = 0;
    for (std::int32_t& v : record.address) v = 0;  // 0.0.0.0, DHCP/BOOTP and RARP enabled
    record.address[kSocketPort] = kFactorySocketPort;
}

LoadResult LoadRecordImage(const std::uint8_t* data, std::size_t size, SettingsRecord& record) {
    if (size < kRecordSize) return LoadResult::NotSettingsFile;
    if (std::memcmp(data, kHeaderText, kHeaderLength) != 0) return LoadResult::NotSettingsFile;
    std::memcpy(record.Bytes(), data, kRecordSize);
    return LoadResult::Loaded;
}

LoadResult LoadSettingsFile(const std::filesystem::path& path, SettingsRecord& record) {
    File file(OpenFile(path, "rb"));
    if (!file) return LoadResult::CannotOpen;
    std::uint8_t image[kRecordSize];
    const std::size_t got = std::fread(image, 1, sizeof image, file.get());
    if (got < sizeof image && std::ferror(file.get())) return LoadResult::CannotOpen;
    return LoadRecordImage(image, got, record);
}

SaveResult SaveSettingsFile(const std::filesystem::path& path, const SettingsRecord& record) {
    // "r+b" writes over an existing file without truncating it; only a file
    // that does not exist yet is created.
    File file(OpenFile(path, "r+b"));
    if (!file && errno == ENOENT) file.reset(OpenFile(path, "w+b"));
    if (!file) return (errno == EACCES || errno == EPERM) ? SaveResult::AccessDenied : SaveResult::Failed;
    if (std::fwrite(record.Bytes(), 1, kRecordSize, file.get()) != kRecordSize) return SaveResult::Failed;
    // A full disk may only show when the buffered bytes reach the file.
    if (std::fclose(file.release()) != 0) return SaveResult::Failed;
    return SaveResult::Saved;
}

}  // namespace tamsel
