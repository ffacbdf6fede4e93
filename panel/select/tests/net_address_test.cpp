#include "panel/select/net_address.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "select_fakes.h"

namespace tamsel {
namespace {

using testing::MemoryFileStore;
using testing::Notice;
using testing::RecordingNotices;

using Bytes = std::vector<std::uint8_t>;

std::string Text(const NetAddress::PortText& portText) { return portText.data(); }

TEST(AddressTexts, AreTheProgramsTextsByteForByte) {
    EXPECT_STREQ(kAddressFileMissingText, "前回設定ファイルがない、または、開くことができない。");
    EXPECT_STREQ(kPortOutOfRangeText, "ソケット通信ポート番号が範囲外です。\n設定範囲( 10000 ～ 65535 )");
    EXPECT_STREQ(kAddressFileNotSavedText,
                 "IPアドレス設定ファイルを保存できませんでした。\n"
                 "管理者権限がないか、フォルダアクセスが禁止されています。");
    EXPECT_STREQ(kAddressFileName, "SetIP");
}

TEST(PortField, FirstFiveCharactersReadAsAtolAndRangeChecked) {
    struct Case {
        const char* field;
        const char* portText;
        std::uint32_t value;
        bool accepted;
    };
    const Case cases[] = {
        {"10000", "10000", 10000, true},
        {"65535", "65535", 65535, true},
        {"9999", "9999", 9999, false},
        {"65536", "65536", 65536, false},
        {"123456", "12345", 12345, true},
        {"12000abc", "12000", 12000, true},
        {"abc", "abc", 0, false},
        {"12abc", "12abc", 12, false},
        {"-1", "-1", 4294967295u, false},
        {"-65535", "-6553", 4294960743u, false},
        {"", "", 0, false},
        {" 12000", " 1200", 1200, false},
        {"+12000", "+1200", 1200, false},
        {"\t1234", "\t1234", 1234, false},
        {"+2000", "+2000", 2000, false},
        {"0x2710", "0x271", 0, false},
        // Full-width digits are not digits; each counts as one character.
        {"１２０００", "?????", 0, false},
        {"1234５", "1234?", 1234, false},
    };
    for (const Case& c : cases) {
        const NetAddress::PortText portText = PortTextFromField(c.field);
        EXPECT_EQ(Text(portText), c.portText) << c.field;
        EXPECT_EQ(portText[5], '\0') << c.field;
        EXPECT_EQ(PortValue(portText), c.value) << c.field;

        MemoryFileStore files;
        RecordingNotices notices;
        NetAddress address;
        const AddressConfirm result = ConfirmAddress({1, 2, 3, 4}, c.field, files, notices, address);
        EXPECT_EQ(result, c.accepted ? AddressConfirm::Accepted : AddressConfirm::PortOutOfRange) << c.field;
        EXPECT_EQ(Text(address.portText), c.portText) << c.field;
        if (c.accepted) {
            EXPECT_TRUE(notices.shown.empty()) << c.field;
            EXPECT_EQ(files.writes, 1) << c.field;
        } else {
            EXPECT_EQ(notices.shown, (std::vector<Notice>{{kPortOutOfRangeText, NoticeIcon::Information}}))
                << c.field;
            EXPECT_EQ(files.writes, 0) << c.field;
        }
    }
}

TEST(AddressFile, AcceptedOkWritesExactlyEightBytes) {
    MemoryFileStore files;
    RecordingNotices notices;
    NetAddress address;
    ASSERT_EQ(ConfirmAddress({192, 168, 10, 20}, "12000", files, notices, address), AddressConfirm::Accepted);
    EXPECT_EQ(files.files.at("SetIP"), (Bytes{0xC0, 0xA8, 0x0A, 0x14, 0xE0, 0x2E, 0x00, 0x00}));

    // Blank fields of the address control arrive as 0 and are taken as they are.
    ASSERT_EQ(ConfirmAddress({0, 0, 0, 0}, "65535", files, notices, address), AddressConfirm::Accepted);
    EXPECT_EQ(files.files.at("SetIP"), (Bytes{0, 0, 0, 0, 0xFF, 0xFF, 0x00, 0x00}));
    EXPECT_TRUE(notices.shown.empty());
}

TEST(AddressFile, AFailedSaveIsReportedButTheAddressIsStillUsed) {
    MemoryFileStore files;
    files.failWrites = true;
    RecordingNotices notices;
    NetAddress address;
    EXPECT_EQ(ConfirmAddress({10, 0, 0, 1}, "20000", files, notices, address), AddressConfirm::Accepted);
    EXPECT_EQ(notices.shown, (std::vector<Notice>{{kAddressFileNotSavedText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(address.ipAddress, (std::array<std::uint8_t, 4>{10, 0, 0, 1}));
    EXPECT_EQ(Text(address.portText), "20000");
    EXPECT_EQ(SaveAddressFile(files, notices, address), 1);
}

TEST(AddressFile, ProposalFromTheFileOrTheDefaults) {
    struct Case {
        const char* what;
        std::optional<Bytes> file;
        std::array<std::uint8_t, 4> ip;
        const char* portText;
        bool missingMessage;
        int loaded;
    };
    const Case cases[] = {
        {"no file", std::nullopt, {192, 168, 10, 20}, "12000", true, 0},
        {"saved values", Bytes{10, 0, 0, 1, 0x00, 0x0A, 0, 0}, {10, 0, 0, 1}, "2560", false, 1},
        {"longer file", Bytes{1, 2, 3, 4, 0x10, 0x27, 0, 0, 9, 9, 9}, {1, 2, 3, 4}, "10000", false, 1},
        {"negative port", Bytes{1, 2, 3, 4, 0xFB, 0xFF, 0xFF, 0xFF}, {1, 2, 3, 4}, "-5", false, 1},
        {"-9999 fits", Bytes{1, 2, 3, 4, 0xF1, 0xD8, 0xFF, 0xFF}, {1, 2, 3, 4}, "-9999", false, 1},
        {"99999 fits", Bytes{1, 2, 3, 4, 0x9F, 0x86, 0x01, 0x00}, {1, 2, 3, 4}, "99999", false, 1},
        // Ports whose text would not fit five characters: the address is
        // kept, the default port proposed.
        {"100000", Bytes{1, 2, 3, 4, 0xA0, 0x86, 0x01, 0x00}, {1, 2, 3, 4}, "12000", false, 1},
        {"-10000", Bytes{1, 2, 3, 4, 0xF0, 0xD8, 0xFF, 0xFF}, {1, 2, 3, 4}, "12000", false, 1},
        {"most negative", Bytes{1, 2, 3, 4, 0, 0, 0, 0x80}, {1, 2, 3, 4}, "12000", false, 1},
        // A file shorter than 8 bytes is not trusted.
        {"short file", Bytes{10, 0, 0, 1, 0x00}, {192, 168, 10, 20}, "12000", true, 0},
        {"empty file", Bytes{}, {192, 168, 10, 20}, "12000", true, 0},
    };
    for (const Case& c : cases) {
        MemoryFileStore files;
        if (c.file) files.files["SetIP"] = *c.file;
        RecordingNotices notices;
        const NetAddress address = InitialAddress(files, notices);
        EXPECT_EQ(address.ipAddress, c.ip) << c.what;
        EXPECT_EQ(Text(address.portText), c.portText) << c.what;
        EXPECT_EQ(address.portText[5], '\0') << c.what;
        const std::vector<Notice> missing{{kAddressFileMissingText, NoticeIcon::Exclamation}};
        EXPECT_EQ(notices.shown, c.missingMessage ? missing : std::vector<Notice>{}) << c.what;
        EXPECT_EQ(files.writes, 0) << c.what;

        NetAddress loaded{};
        RecordingNotices quiet;
        EXPECT_EQ(LoadAddressFile(files, quiet, loaded), c.loaded) << c.what;
    }
}

// The C library's streams against the real file system, in a folder of the
// test's own that is the current directory while the test runs.
class StdioAddressFile : public ::testing::Test {
protected:
    void SetUp() override {
        previous = std::filesystem::current_path();
        folder = std::filesystem::temp_directory_path() /
                 ("select-setip-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "-" +
                  ::testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
        std::filesystem::current_path(folder);
    }
    void TearDown() override {
        std::filesystem::current_path(previous);
        std::filesystem::remove_all(folder);
    }
    static Bytes FileBytes(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }

    std::filesystem::path previous;
    std::filesystem::path folder;
};

TEST_F(StdioAddressFile, SaveReplacesTheFileInTheCurrentDirectoryAndLoadReadsItBack) {
    {
        std::ofstream old("SetIP", std::ios::binary);
        old << "an older, longer file of twenty-nine bytes";
    }
    StdioFileStore files;
    RecordingNotices notices;
    NetAddress address;
    ASSERT_EQ(ConfirmAddress({192, 168, 10, 20}, "12000", files, notices, address), AddressConfirm::Accepted);
    EXPECT_TRUE(notices.shown.empty());
    EXPECT_EQ(FileBytes(folder / "SetIP"), (Bytes{0xC0, 0xA8, 0x0A, 0x14, 0xE0, 0x2E, 0x00, 0x00}));

    const NetAddress proposal = InitialAddress(files, notices);
    EXPECT_TRUE(notices.shown.empty());
    EXPECT_EQ(proposal.ipAddress, (std::array<std::uint8_t, 4>{192, 168, 10, 20}));
    EXPECT_EQ(Text(proposal.portText), "12000");
}

TEST_F(StdioAddressFile, MissingFileGivesTheDefaultsWithTheMessage) {
    StdioFileStore files;
    RecordingNotices notices;
    EXPECT_FALSE(files.Read("SetIP", kAddressFileSize).has_value());
    const NetAddress proposal = InitialAddress(files, notices);
    EXPECT_EQ(notices.shown, (std::vector<Notice>{{kAddressFileMissingText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(proposal.ipAddress, kDefaultIpAddress);
    EXPECT_EQ(Text(proposal.portText), "12000");
    EXPECT_FALSE(std::filesystem::exists(folder / "SetIP"));
}

TEST_F(StdioAddressFile, AnUnwritableNameIsReportedAndLeavesNothingBehind) {
    // A folder of that name cannot be opened as a file, whoever runs the test.
    std::filesystem::create_directory("SetIP");
    StdioFileStore files;
    RecordingNotices notices;
    NetAddress address;
    EXPECT_EQ(ConfirmAddress({10, 0, 0, 1}, "30000", files, notices, address), AddressConfirm::Accepted);
    EXPECT_EQ(notices.shown, (std::vector<Notice>{{kAddressFileNotSavedText, NoticeIcon::Exclamation}}));
    EXPECT_TRUE(std::filesystem::is_directory(folder / "SetIP"));

    // And the next run proposes the defaults.
    RecordingNotices next;
    const NetAddress proposal = InitialAddress(files, next);
    EXPECT_EQ(next.shown, (std::vector<Notice>{{kAddressFileMissingText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(proposal.ipAddress, kDefaultIpAddress);
}

}  // namespace
}  // namespace tamsel
