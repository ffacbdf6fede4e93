// The settings files as Windows opens them: a new file, a longer file kept
// at its length, and which failures count as "access denied" (the only one
// that offers another name) - a file that another program holds is not one.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "panel/app/win_settings_files.h"
#include "winui/text.h"

namespace tamsel {
namespace {

class WinFiles : public ::testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = std::wstring(temp) + L"kes_files_" + winui::Widen(info->name());
        CreateDirectoryW(folder.c_str(), nullptr);
    }
    void TearDown() override {
        for (const auto& path : made) {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
        RemoveDirectoryW(folder.c_str());
    }

    std::wstring Path(const wchar_t* name) {
        made.push_back(folder + L"\\" + name);
        return made.back();
    }

    static void Write(const std::wstring& path, const std::vector<std::uint8_t>& bytes) {
        HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(h);
    }

    static std::vector<std::uint8_t> Read(const std::wstring& path) {
        std::vector<std::uint8_t> bytes(4096);
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE) return {};
        DWORD got = 0;
        ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
        CloseHandle(h);
        bytes.resize(got);
        return bytes;
    }

    std::wstring folder;
    std::vector<std::wstring> made;
    WinSettingsFiles files;
    const std::vector<std::uint8_t> record = std::vector<std::uint8_t>(228, 0x42);
};

TEST_F(WinFiles, NewFileHoldsExactlyTheRecord) {
    const std::wstring path = Path(L"新しい設定.dat");
    EXPECT_EQ(files.WriteStart(winui::Narrow(path), record.data(), record.size()), FileWriteResult::Written);
    EXPECT_EQ(Read(path), record);
}

TEST_F(WinFiles, LongerFileKeepsItsLengthAndItsTail) {
    const std::wstring path = Path(L"long.dat");
    Write(path, std::vector<std::uint8_t>(1000, 0x5A));
    EXPECT_EQ(files.WriteStart(winui::Narrow(path), record.data(), record.size()), FileWriteResult::Written);
    const auto bytes = Read(path);
    ASSERT_EQ(bytes.size(), 1000u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 228), record);
    EXPECT_EQ(bytes[228], 0x5A);
    EXPECT_EQ(bytes[999], 0x5A);
}

// Which failure is "access denied": only that one offers another name. A
// folder cannot be opened as a file: the system denies the access (a
// read-only file does too, but root may write one under Wine).
TEST_F(WinFiles, OnlyADeniedAccessCountsAsAccessDenied) {
    const std::wstring dir = Path(L"a folder.dat");
    ASSERT_TRUE(CreateDirectoryW(dir.c_str(), nullptr));
    EXPECT_EQ(files.WriteStart(winui::Narrow(dir), record.data(), record.size()), FileWriteResult::AccessDenied);
    RemoveDirectoryW(dir.c_str());

    // Another program holds the file without sharing it: a sharing
    // violation, not a denied access.
    const std::wstring held = Path(L"held.dat");
    Write(held, std::vector<std::uint8_t>(10, 2));
    HANDLE hold = CreateFileW(held.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.WriteStart(winui::Narrow(held), record.data(), record.size()), FileWriteResult::Failed);
    CloseHandle(hold);
    EXPECT_EQ(Read(held), std::vector<std::uint8_t>(10, 2));

    // A folder that does not exist.
    EXPECT_EQ(files.WriteStart(winui::Narrow(folder + L"\\missing\\x.dat"), record.data(), record.size()),
              FileWriteResult::Failed);
}

TEST_F(WinFiles, ReadsUpToTheSizeAskedAndReportsShortFiles) {
    const std::wstring longer = Path(L"long.dat");
    Write(longer, std::vector<std::uint8_t>(1000, 7));
    std::uint8_t buffer[228] = {};
    std::size_t got = 0;
    EXPECT_EQ(files.ReadStart(winui::Narrow(longer), buffer, sizeof buffer, got), FileReadResult::Read);
    EXPECT_EQ(got, 228u);
    EXPECT_EQ(buffer[227], 7);

    const std::wstring shorter = Path(L"short.dat");
    Write(shorter, std::vector<std::uint8_t>(100, 8));
    EXPECT_EQ(files.ReadStart(winui::Narrow(shorter), buffer, sizeof buffer, got), FileReadResult::Read);
    EXPECT_EQ(got, 100u);

    EXPECT_EQ(files.ReadStart(winui::Narrow(folder + L"\\none.dat"), buffer, sizeof buffer, got),
              FileReadResult::CannotOpen);

    // Others may read while we read; a writer that shares nothing keeps us out.
    HANDLE reader = CreateFileW(longer.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_EQ(files.ReadStart(winui::Narrow(longer), buffer, sizeof buffer, got), FileReadResult::Read);
    CloseHandle(reader);
    HANDLE writer = CreateFileW(longer.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                                nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(files.ReadStart(winui::Narrow(longer), buffer, sizeof buffer, got), FileReadResult::CannotOpen);
    CloseHandle(writer);
}

}  // namespace
}  // namespace tamsel
