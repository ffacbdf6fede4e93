// Writing a settings file through a temporary file: the content is the
// panel program's (the record over the start of an existing file), and
// nothing but the file itself is left in the folder.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "tools/kestrion/output_file.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using tamsel::SettingsRecord;

std::vector<std::uint8_t> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), {});
}

class OutputFile : public ::testing::Test {
protected:
    void SetUp() override {
        tempDir = fs::temp_directory_path() / ("kes-output-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
        wantedRecord.param[kestrion::kBackFeedSpeed] = 3;
    }
    void TearDown() override { fs::remove_all(tempDir); }
    std::vector<fs::path> Entries() const {
        std::vector<fs::path> names;
        for (const auto& e : fs::directory_iterator(tempDir)) names.push_back(e.path().filename());
        return names;
    }

    fs::path tempDir;
    SettingsRecord wantedRecord = SettingsRecord::Factory();
};

TEST_F(OutputFile, NewFileIsTheRecordAndNothingElseIsLeft) {
    const fs::path file = tempDir / "new.dat";
    ASSERT_EQ(WriteSettingsFile(file, wantedRecord), tamsel::SaveResult::Saved);
    EXPECT_EQ(ReadBytes(file), std::vector<std::uint8_t>(wantedRecord.Bytes(), wantedRecord.Bytes() + tamsel::kRecordSize));
    EXPECT_EQ(Entries(), std::vector<fs::path>{"new.dat"});
}

// Over existing files of several lengths: the record replaces the first 228
// bytes, a longer file keeps its tail, a shorter one grows to 228 bytes.
TEST_F(OutputFile, OverAnExistingFileTheRecordReplacesItsStartOnly) {
    for (const std::size_t oldSize : {std::size_t{0}, std::size_t{100}, std::size_t{228}, std::size_t{1000},
                                      std::size_t{20000}}) {
        const fs::path file = tempDir / "old.dat";
        std::vector<std::uint8_t> old(oldSize);
        for (std::size_t i = 0; i < oldSize; ++i) old[i] = static_cast<std::uint8_t>(i * 7 + 1);
        std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(old.data()),
                                                    static_cast<std::streamsize>(old.size()));
        ASSERT_EQ(WriteSettingsFile(file, wantedRecord), tamsel::SaveResult::Saved) << oldSize;
        std::vector<std::uint8_t> expected(wantedRecord.Bytes(), wantedRecord.Bytes() + tamsel::kRecordSize);
        if (oldSize > tamsel::kRecordSize) expected.insert(expected.end(), old.begin() + tamsel::kRecordSize, old.end());
        EXPECT_EQ(ReadBytes(file), expected) << oldSize;
        EXPECT_EQ(Entries(), std::vector<fs::path>{"old.dat"}) << oldSize;
    }
}

TEST_F(OutputFile, MissingFolderFailsAndCreatesNothing) {
    EXPECT_EQ(WriteSettingsFile(tempDir / "no-such-folder" / "x.dat", wantedRecord), tamsel::SaveResult::Failed);
    EXPECT_TRUE(Entries().empty());
}

}  // namespace
}  // namespace kestrion_cli
