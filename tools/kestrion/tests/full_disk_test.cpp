// The kestrion program writing its output where the disk is full: a file
// size limit (ulimit -f) stands for the full disk, with SIGXFSZ ignored so
// that the writes fail, or left as it is so that the program is killed in
// the middle of writing. Either way the output file is the old one, whole,
// or there is none.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include <sys/wait.h>

#include "core/settings_record.h"

namespace {

namespace fs = std::filesystem;

std::vector<char> ReadBytes(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), {});
}

struct Case {
    const char* name;
    std::size_t oldSize;    // 0: no old file
    int limitBlocks;        // ulimit -f, in 512-byte blocks
    bool ignoreSignal;      // the writes fail (full disk) rather than kill the program
    bool written;           // the limit leaves room for the new file
};

class FullDisk : public ::testing::TestWithParam<Case> {
protected:
    void SetUp() override {
        tempDir = fs::temp_directory_path() / ("kes-full-disk-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
        // The input: a settings file made by the program's own rules, as JSON.
        tamsel::SettingsRecord r = tamsel::SettingsRecord::Factory();
        r.param[kestrion::kBackFeedSpeed] = 2;
        ASSERT_EQ(tamsel::SaveSettingsFile(tempDir / "in.dat", r), tamsel::SaveResult::Saved);
        ASSERT_EQ(Shell("'" KESTRION_PATH "' show '" + (tempDir / "in.dat").string() + "' --json > '" +
                        (tempDir / "in.json").string() + "'"),
                  0);
    }
    void TearDown() override { fs::remove_all(tempDir); }

    static int Shell(const std::string& command) {
        const int status = std::system(command.c_str());
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }

    fs::path tempDir;
};

TEST_P(FullDisk, OutputIsWholeOrAbsent) {
    const Case& c = GetParam();
    const fs::path out = tempDir / "out.dat";
    std::vector<char> old;
    if (c.oldSize > 0) {
        old.assign(c.oldSize, 'o');
        std::ofstream(out, std::ios::binary).write(old.data(), static_cast<std::streamsize>(old.size()));
    }
    const std::string command = std::string(c.ignoreSignal ? "trap '' XFSZ; " : "") + "ulimit -f " +
                                std::to_string(c.limitBlocks) + "; exec '" KESTRION_PATH "' import '" +
                                (tempDir / "in.json").string() + "' -o '" + out.string() + "'";
    // The messages go to a file outside the limit.
    const int code = Shell("sh -c \"" + command + "\" 2>'" + (tempDir / "err.txt").string() + "'");

    if (c.written) {
        EXPECT_EQ(code, 0);
        ASSERT_TRUE(fs::exists(out));
        const std::vector<char> now = ReadBytes(out);
        EXPECT_EQ(now.size(), std::max(c.oldSize, tamsel::kRecordSize));
        EXPECT_EQ(std::string(now.data(), 20), "KVT Vantorelli 7K4R;");
        return;
    }
    EXPECT_NE(code, 0);
    if (c.ignoreSignal) {
        EXPECT_EQ(code, 3);  // the input/output failure
    }
    // The message, where the limit leaves room for it (it binds the error
    // output's file too).
    if (c.ignoreSignal && c.limitBlocks > 0) {
        std::ifstream err(tempDir / "err.txt");
        const std::string text((std::istreambuf_iterator<char>(err)), {});
        EXPECT_THAT(text, ::testing::HasSubstr("cannot be written"));
    }
    if (c.oldSize == 0) {
        EXPECT_FALSE(fs::exists(out));
    } else {
        EXPECT_EQ(ReadBytes(out), old);  // the old file, untouched
    }
    // A failed write tidies up after itself; a killed program may leave its
    // temporary file, never a partial output file.
    if (c.ignoreSignal) {
        for (const auto& e : fs::directory_iterator(tempDir)) {
            EXPECT_EQ(e.path().string().find(".tmp"), std::string::npos) << e.path();
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Limits, FullDisk,
    ::testing::Values(Case{"NothingFitsNoOldFile", 0, 0, true, false},
                      Case{"NothingFitsOldFileKept", 300, 0, true, false},
                      Case{"OldTailDoesNotFitOldFileKept", 1000, 1, true, false},
                      Case{"KilledNoOldFile", 0, 0, false, false},
                      Case{"KilledOldFileKept", 1000, 1, false, false},
                      Case{"RoomEnoughNewFile", 0, 1, true, true},
                      Case{"RoomEnoughOverOldFile", 300, 1, true, true}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
