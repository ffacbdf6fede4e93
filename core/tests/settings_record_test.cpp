#include "core/settings_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace tamsel {
namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;
using ::testing::ElementsAreArray;

Bytes Slice(const SettingsRecord& r, std::size_t from, std::size_t length) {
    return Bytes(r.Bytes() + from, r.Bytes() + from + length);
}

Bytes Image(const SettingsRecord& r) { return Slice(r, 0, kRecordSize); }

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

std::int32_t Int32At(const Bytes& image, std::size_t offset) {
    return static_cast<std::int32_t>(image[offset] | (image[offset + 1] << 8) | (image[offset + 2] << 16) |
                                     (static_cast<std::uint32_t>(image[offset + 3]) << 24));
}

// --- Layout and factory values ---------------------------------------------------

TEST(SettingsRecordLayout, FactoryImageByteForByte) {
    const SettingsRecord r = SettingsRecord::Factory();
    const Bytes image = Slice(r, 0, kRecordSize);
    EXPECT_EQ(Slice(r, 0, 20), Text("KVT Vantorelli 7K4R;"));
    EXPECT_EQ(Slice(r, 20, 8), (Bytes{'P', 'A', 'R', 'A', 'M', ',', 0, 0}));
    EXPECT_EQ(Slice(r, 152, 8), Text(",ADJUST,"));
    EXPECT_EQ(Slice(r, 192, 12), (Bytes{',', 'A', 'D', 'D', 'R', 'E', 'S', 'S', ',', 0, 0, 0}));

    // PARAM 10-30: all 0 except elements 17, 26 and 30.
    for (std::size_t i = 0; i < kestrion::kParamCount; ++i) {
        const bool one = i == 17 || i == 26 || i == 30;
        EXPECT_EQ(Int32At(image, 28 + 4 * i), one ? 1 : 0) << "PARAM[" << i << "]";
    }
    for (std::size_t i = 0; i < kestrion::kAdjustCount; ++i) EXPECT_EQ(Int32At(image, 160 + 4 * i), 0);
    // Addresses 0.0.0.0, DHCP/BOOTP and RARP enabled, socket port 12000 (E0 2E 00 00).
    EXPECT_EQ(Slice(r, 204, 20), Bytes(20, 0));
    EXPECT_EQ(Slice(r, 224, 4), (Bytes{0xE0, 0x2E, 0x00, 0x00}));
}

TEST(SettingsRecordLayout, FactoryDefaultsKeepTheDipSwitches) {
    SettingsRecord r;
    std::memset(r.Bytes(), 0xAB, kRecordSize);
    ApplyFactoryDefaults(r);
    for (std::size_t i = 0; i < kestrion::kDipSwitchCount; ++i) {
        EXPECT_EQ(static_cast<std::uint32_t>(r.param[i]), 0xABABABABu) << "DIP " << i + 1;
    }
    // Everything else is rewritten: the result equals the factory record apart
    // from the first 40 bytes of the PARAM block.
    SettingsRecord expected = SettingsRecord::Factory();
    std::memset(expected.param, 0xAB, kestrion::kDipSwitchCount * 4);
    EXPECT_EQ(r, expected);
}

TEST(SettingsRecordLayout, FromBlocksPutsEachBlockAtItsOffset) {
    kestrion::ParamBlock param;
    kestrion::AdjustBlock adjust;
    kestrion::AddressBlock address;
    for (std::size_t i = 0; i < param.size(); ++i) param[i] = static_cast<std::int32_t>(100 + i);
    for (std::size_t i = 0; i < adjust.size(); ++i) adjust[i] = -static_cast<std::int32_t>(i) - 1;
    for (std::size_t i = 0; i < address.size(); ++i) address[i] = static_cast<std::int32_t>(0x01020304 * (i + 1));
    const SettingsRecord r = SettingsRecord::FromBlocks(param.data(), adjust.data(), address.data());
    const Bytes image = Slice(r, 0, kRecordSize);
    EXPECT_TRUE(r.HasHeader());
    EXPECT_EQ(Slice(r, 20, 8), (Bytes{'P', 'A', 'R', 'A', 'M', ',', 0, 0}));
    for (std::size_t i = 0; i < param.size(); ++i) EXPECT_EQ(Int32At(image, 28 + 4 * i), param[i]);
    for (std::size_t i = 0; i < adjust.size(); ++i) EXPECT_EQ(Int32At(image, 160 + 4 * i), adjust[i]);
    for (std::size_t i = 0; i < address.size(); ++i) EXPECT_EQ(Int32At(image, 204 + 4 * i), address[i]);
}

// --- Change states ---------------------------------------------------------------

TEST(ChangeState, EveryByteCounts) {
    const SettingsRecord base = SettingsRecord::Factory();
    EXPECT_EQ(base, SettingsRecord::Factory());
    // Header, tag padding, a DIP switch, an ADJUST value and the last byte.
    for (std::size_t offset : {0u, 27u, 28u, 160u, 203u, 227u}) {
        SettingsRecord changed = base;
        changed.Bytes()[offset] ^= 0x01;
        EXPECT_FALSE(SameImage(changed, base)) << "byte " << offset;
    }
}

// --- Loading an image ------------------------------------------------------------

struct ImageCase {
    const char* name;
    std::size_t size;  // bytes offered
    bool goodHeader;
    LoadResult expected;
};

void PrintTo(const ImageCase& c, std::ostream* os) { *os << c.name; }

class LoadImage : public ::testing::TestWithParam<ImageCase> {};

TEST_P(LoadImage, HeaderAndLengthDecide) {
    const ImageCase& c = GetParam();
    SettingsRecord source = SettingsRecord::Factory();
    source.param[3] = 1;
    source.adjust[2] = -55;
    Bytes data(source.Bytes(), source.Bytes() + kRecordSize);
    data.resize(std::max<std::size_t>(c.size, kRecordSize), 0x77);
    if (!c.goodHeader) data[19] = ':';

    SettingsRecord target = SettingsRecord::Zero();
    target.param[0] = 3;
    const SettingsRecord before = target;
    EXPECT_EQ(LoadRecordImage(data.data(), c.size, target), c.expected);
    if (c.expected == LoadResult::Loaded) {
        EXPECT_EQ(target, source);
    } else {
        EXPECT_EQ(target, before) << "a refused image must change nothing";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, LoadImage,
                         ::testing::Values(ImageCase{"whole", 228, true, LoadResult::Loaded},
                                           ImageCase{"longer", 1000, true, LoadResult::Loaded},
                                           ImageCase{"one short", 227, true, LoadResult::NotSettingsFile},
                                           ImageCase{"header only", 20, true, LoadResult::NotSettingsFile},
                                           ImageCase{"empty", 0, true, LoadResult::NotSettingsFile},
                                           ImageCase{"wrong header", 228, false, LoadResult::NotSettingsFile}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             for (char& ch : n) if (ch == ' ') ch = '_';
                             return n;
                         });

TEST(LoadImageTags, WrongTagsAreAccepted) {
    SettingsRecord source = SettingsRecord::Factory();
    std::memcpy(source.paramTag, "XXXXXXXX", 8);
    std::memcpy(source.adjustTag, "yyyyyyyy", 8);
    std::memset(source.addressTag, 0x3F, 12);
    SettingsRecord target = SettingsRecord::Zero();
    EXPECT_EQ(LoadRecordImage(source.Bytes(), kRecordSize, target), LoadResult::Loaded);
    EXPECT_EQ(target, source);
}

// --- Files -------------------------------------------------------------------------

class SettingsFile : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        tempDir = fs::temp_directory_path() /
                  (std::string("kes-settings-") + info->name() + "-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::permissions(tempDir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(tempDir, ec);
    }

    static Bytes ReadAll(const fs::path& p) {
        std::ifstream in(p, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    static void WriteAll(const fs::path& p, const Bytes& data) {
        std::ofstream out(p, std::ios::binary);
        out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }

    static SettingsRecord Sample() {
        SettingsRecord r = SettingsRecord::Factory();
        r.param[0] = 1;
        r.param[kestrion::kBackFeedSpeed] = 3;
        r.adjust[7] = -12;
        r.address[kestrion::kIpAddress] = kestrion::PackOctets({10, 0, 0, 1});
        return r;
    }

    fs::path tempDir;
};

TEST_F(SettingsFile, SavedFileIsExactly228BytesAndLoadsBack) {
    const fs::path file = tempDir / "a.dat";
    ASSERT_EQ(SaveSettingsFile(file, Sample()), SaveResult::Saved);
    const Bytes data = ReadAll(file);
    ASSERT_EQ(data.size(), kRecordSize);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + 26), Text("KVT Vantorelli 7K4R;PARAM,"));
    EXPECT_EQ(data, Image(Sample()));

    SettingsRecord loaded = SettingsRecord::Zero();
    EXPECT_EQ(LoadSettingsFile(file, loaded), LoadResult::Loaded);
    EXPECT_EQ(loaded, Sample());
}

TEST_F(SettingsFile, SavingOverALongerFileKeepsItsLength) {
    const fs::path file = tempDir / "long.dat";
    WriteAll(file, Bytes(1000, 0x55));
    ASSERT_EQ(SaveSettingsFile(file, Sample()), SaveResult::Saved);
    const Bytes data = ReadAll(file);
    ASSERT_EQ(data.size(), 1000u);
    EXPECT_EQ(Bytes(data.begin(), data.begin() + kRecordSize), Image(Sample()));
    EXPECT_EQ(Bytes(data.begin() + kRecordSize, data.end()), Bytes(1000 - kRecordSize, 0x55));
}

TEST_F(SettingsFile, RefusedFilesChangeNothing) {
    const Bytes whole = Image(Sample());
    struct Case {
        const char* name;
        Bytes content;
    };
    Bytes wrongHeader = whole;
    wrongHeader[0] = 'k';
    const Case cases[] = {
        {"wrong header", wrongHeader},
        {"right header, 100 bytes", Bytes(whole.begin(), whole.begin() + 100)},
        {"right header, 227 bytes", Bytes(whole.begin(), whole.begin() + 227)},
        {"empty", Bytes{}},
    };
    for (const Case& c : cases) {
        const fs::path file = tempDir / "refused.dat";
        WriteAll(file, c.content);
        SettingsRecord target = SettingsRecord::Factory();
        target.param[5] = kDipNotAvailable;
        const SettingsRecord before = target;
        EXPECT_EQ(LoadSettingsFile(file, target), LoadResult::NotSettingsFile) << c.name;
        EXPECT_EQ(target, before) << c.name;
    }
}

TEST_F(SettingsFile, MissingFileCannotBeOpened) {
    SettingsRecord target = SettingsRecord::Factory();
    const SettingsRecord before = target;
    EXPECT_EQ(LoadSettingsFile(tempDir / "absent.dat", target), LoadResult::CannotOpen);
    EXPECT_EQ(target, before);
}

TEST_F(SettingsFile, UnwritablePlacesAreReported) {
    // A folder where the file should be, and a folder that does not exist.
    fs::create_directories(tempDir / "folder.dat");
    EXPECT_NE(SaveSettingsFile(tempDir / "folder.dat", Sample()), SaveResult::Saved);
    EXPECT_EQ(SaveSettingsFile(tempDir / "no" / "such" / "x.dat", Sample()), SaveResult::Failed);
}

TEST_F(SettingsFile, ReadOnlyFileIsAccessDenied) {
    const fs::path file = tempDir / "ro.dat";
    WriteAll(file, Bytes(300, 0x11));
    fs::permissions(file, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    if (std::ofstream(file, std::ios::binary | std::ios::in | std::ios::out)) {
        GTEST_SKIP() << "this user may write read-only files (root)";
    }
    EXPECT_EQ(SaveSettingsFile(file, Sample()), SaveResult::AccessDenied);
    EXPECT_EQ(ReadAll(file), Bytes(300, 0x11));
}

TEST_F(SettingsFile, JapaneseFileName) {
    const fs::path file = tempDir / fs::path(u8"設定ファイル.dat");
    ASSERT_EQ(SaveSettingsFile(file, Sample()), SaveResult::Saved);
    SettingsRecord loaded = SettingsRecord::Zero();
    EXPECT_EQ(LoadSettingsFile(file, loaded), LoadResult::Loaded);
    EXPECT_EQ(loaded, Sample());
}

}  // namespace
}  // namespace tamsel
