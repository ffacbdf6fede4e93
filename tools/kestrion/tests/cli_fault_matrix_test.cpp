// Every fault of the simulated printer against every printer command of the
// kestrion tool: its exit status, the message that names the failing
// operation and its result, and that a failed read leaves no output file.
// The library's own operations run over real loopback sockets with their
// waits shortened tenfold (link/tests/scaled_platform.h).
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "link/tests/scaled_platform.h"
#include "sim/sim_printer.h"
#include "tools/kestrion/cli.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using ::testing::HasSubstr;
using printersim::Fault;
using printersim::FaultPlan;
using tamsel::SettingsRecord;
using kestrion::testing::ScaledPlatform;

// The six operations over the scaled platform, as the library exports them.
std::int32_t KESTRION_CALL GetStatus(const PrinterTarget* t, std::int32_t* status, std::int32_t* e) {
    return kestrion::link::GetPrinterStatus(ScaledPlatform(), t, status, e);
}
std::int32_t KESTRION_CALL GetParam(const PrinterTarget* t, std::int32_t* p, std::int32_t* a, std::int32_t* d,
                                    std::int32_t* e) {
    return kestrion::link::GetPrinterParam(ScaledPlatform(), t, p, a, d, e);
}
std::int32_t KESTRION_CALL SetParam(const PrinterTarget* t, const std::int32_t* p, std::int32_t* e) {
    return kestrion::link::SetPrinterParam(ScaledPlatform(), t, p, e);
}
std::int32_t KESTRION_CALL SetAdjust(const PrinterTarget* t, const std::int32_t* a, std::int32_t* e) {
    return kestrion::link::SetPrinterAdjust(ScaledPlatform(), t, a, e);
}
std::int32_t KESTRION_CALL SetAddress(const PrinterTarget* t, const std::int32_t* d, std::int32_t* e) {
    return kestrion::link::SetPrinterAddress(ScaledPlatform(), t, d, e);
}
std::int32_t KESTRION_CALL Reset(const PrinterTarget* t, std::int32_t* e) {
    return kestrion::link::ResetPrinter(ScaledPlatform(), t, e);
}

Environment ScaledLibrary() {
    Environment env;
    env.bind = [](std::string&) -> std::optional<tamsel::LinkOperations> {
        return tamsel::LinkOperations{GetStatus, GetParam, SetParam, SetAdjust, SetAddress, Reset};
    };
    env.describeSystemError = [](std::int32_t code) { return std::string(std::strerror(code)); };
    env.printerNameForSpooler = [](const std::string& s) { return s; };
    return env;
}

enum class Command { Status, Read, Send, Reset, Diff };
constexpr std::array<Command, 5> kCommands{Command::Status, Command::Read, Command::Send, Command::Reset,
                                           Command::Diff};
const char* CommandName(Command c) {
    constexpr const char* names[] = {"Status", "Read", "Send", "Reset", "Diff"};
    return names[static_cast<int>(c)];
}

struct Expect {
    int code;
    const char* message;  // in the output (success) or the error output (failure)
};

// The messages of success.
constexpr Expect kStatusOk{kExitOk, "status 42\n"};
constexpr Expect kReadOk{kExitOk, "read the printer's settings into"};
constexpr Expect kSendOk{kExitOk, "sent, verified and restarted the printer"};
constexpr Expect kResetOk{kExitOk, "restarted the printer"};
constexpr Expect kDiffOk{kExitOk, "no differences"};
constexpr std::array<Expect, 5> kAllOk{kStatusOk, kReadOk, kSendOk, kResetOk, kDiffOk};

// The messages of failure: the operation and its result.
constexpr Expect kStatusNet{kExitPrinter, "DllGetPrinterStatus failed: -800 (network failure)"};
constexpr Expect kReadNet{kExitPrinter, "DllGetPrinterParam failed: -800 (network failure)"};
constexpr Expect kReadBad{kExitPrinter, "DllGetPrinterParam failed: -30 (no valid settings reply)"};
constexpr Expect kSendReadBackNet{kExitPrinter, "could not be read back; nothing was accepted"};
constexpr Expect kSendReadBackBad{kExitPrinter, "DllGetPrinterParam failed: -30"};
constexpr Expect kSendSetNet{kExitPrinter, "DllSetPrinterParam failed: -800 (network failure)"};
constexpr Expect kResetNet{kExitPrinter, "DllResetPrinter failed: -800 (network failure)"};
constexpr Expect kRefused{kExitPrinter, "failed: -800 (network failure), system error 111"};

FaultPlan PlanFor(Fault kind) {
    FaultPlan f;
    f.kind = kind;
    f.connections = -1;
    return f;
}

struct Row {
    const char* name;
    FaultPlan fault;
    std::array<Expect, 5> expected;  // status, read, send, reset, diff
};

const std::array<Row, 12> kRows = [] {
    FaultPlan split = PlanFor(Fault::SplitReply);
    split.pause = 30ms;
    FaultPlan inData = PlanFor(Fault::TerminatorInData);
    inData.offset = 150;
    FaultPlan noClose = PlanFor(Fault::NoCloseAfterHalfClose);
    noClose.pause = 2 * kestrion::testing::kScaledCloseWait;
    FaultPlan delay = PlanFor(Fault::Delay);
    delay.pause = kestrion::testing::kScaledReplyWait * 3 / 2;
    return std::array<Row, 12>{{
        {"None", PlanFor(Fault::None), kAllOk},
        {"UnsolicitedBytes", PlanFor(Fault::UnsolicitedBytes), kAllOk},
        {"SplitReply", split, kAllOk},
        {"DataAfterTerminator", PlanFor(Fault::DataAfterTerminator), {kStatusNet, kReadOk, kSendOk, kResetOk, kDiffOk}},
        {"NoTerminator", PlanFor(Fault::NoTerminator), {kStatusNet, kReadNet, kSendReadBackNet, kResetOk, kReadNet}},
        {"TerminatorInData", inData, kAllOk},
        {"ZeroFirstWord", PlanFor(Fault::ZeroFirstWord), {kStatusOk, kReadBad, kSendReadBackBad, kResetOk, kReadBad}},
        {"NoCloseAfterHalfClose", noClose, {kStatusNet, kReadNet, kSendSetNet, kResetNet, kReadNet}},
        {"CloseEarly", PlanFor(Fault::CloseEarly), {kStatusNet, kReadNet, kSendReadBackNet, kResetOk, kReadNet}},
        {"Refuse", PlanFor(Fault::Refuse), {kRefused, kRefused, kRefused, kRefused, kRefused}},
        {"Delay", delay, {kStatusNet, kReadNet, kSendReadBackNet, kResetOk, kReadNet}},
        // The read-back shows that nothing was taken: no restart.
        {"IgnoreSets", PlanFor(Fault::IgnoreSets),
         {kStatusOk, kReadOk, {kExitPrinter, "the printer holds other values than were sent"}, kResetOk, kDiffOk}},
    }};
}();

printersim::PrinterSettings Distinctive() {
    printersim::PrinterSettings s = printersim::FactorySettings();
    s.param[0] = 1;
    s.param[kestrion::kPrintDirection] = 2;
    s.adjust = {-3, 2, -57, 0, 0, 0, 0, 1057};
    s.address = {kestrion::PackOctets({10, 0, 0, 1}), kestrion::PackOctets({255, 0, 0, 0}),
                 kestrion::PackOctets({10, 0, 13, 10}), 0, 1, 12000};
    s.status = 42;
    return s;
}

SettingsRecord RecordOf(const printersim::PrinterSettings& s) {
    return SettingsRecord::FromBlocks(s.param.data(), s.adjust.data(), s.address.data());
}

class CliFaultMatrix : public ::testing::TestWithParam<std::tuple<std::size_t, Command>> {
protected:
    void SetUp() override {
        tempDir = fs::temp_directory_path() / ("kes-cli-faults-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
    }
    void TearDown() override { fs::remove_all(tempDir); }

    std::string Save(const std::string& name, const SettingsRecord& r) {
        EXPECT_EQ(tamsel::SaveSettingsFile(tempDir / name, r), tamsel::SaveResult::Saved);
        return (tempDir / name).string();
    }

    fs::path tempDir;
    printersim::SimPrinter printer{0, Distinctive()};
};

TEST_P(CliFaultMatrix, ExitStatusAndMessage) {
    const Row& row = kRows[std::get<0>(GetParam())];
    const Command command = std::get<1>(GetParam());
    const Expect& expected = row.expected[static_cast<int>(command)];

    // What the printer holds, and a file that differs from it in two values.
    const std::string same = Save("same.dat", RecordOf(Distinctive()));
    printersim::PrinterSettings changedSettings = Distinctive();
    changedSettings.param[kestrion::kBackFeedSpeed] = 2;
    changedSettings.adjust[2] = 300;
    const std::string changed = Save("changed.dat", RecordOf(changedSettings));
    const std::string output = (tempDir / "out.dat").string();

    if (row.fault.kind != Fault::None) printer.InjectFault(row.fault);
    const std::vector<std::string> target{"--ip", "127.0.0.1", "--port", std::to_string(printer.Port())};
    std::vector<std::string> args;
    switch (command) {
        case Command::Status: args = {"status"}; break;
        case Command::Read: args = {"read", "-o", output}; break;
        case Command::Send: args = {"send", changed, "--all"}; break;
        case Command::Reset: args = {"reset"}; break;
        case Command::Diff: args = {"diff", same}; break;
    }
    args.insert(args.end(), target.begin(), target.end());

    std::ostringstream out, err;
    const int code = RunKestrion(args, out, err, ScaledLibrary());
    printer.ClearFaults();

    EXPECT_EQ(code, expected.code) << "out: " << out.str() << "err: " << err.str();
    EXPECT_THAT(code == kExitOk ? out.str() : err.str(), HasSubstr(expected.message));
    if (code != kExitOk) {
        EXPECT_THAT(err.str(), HasSubstr("kestrion"));
    }

    // A read writes its file only when it has the printer's settings.
    if (command == Command::Read) {
        EXPECT_EQ(fs::exists(output), code == kExitOk);
        if (code == kExitOk) {
            SettingsRecord r = SettingsRecord::Zero();
            ASSERT_EQ(tamsel::LoadSettingsFile(output, r), tamsel::LoadResult::Loaded);
            EXPECT_EQ(r, RecordOf(Distinctive()));
        }
    }
    // A send that succeeded left the printer holding the file's values.
    if (command == Command::Send && code == kExitOk) {
        EXPECT_EQ(printer.Model().Settings().param, changedSettings.param);
        EXPECT_EQ(printer.Model().Settings().adjust, changedSettings.adjust);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFaultEveryCommand, CliFaultMatrix,
                         ::testing::Combine(::testing::Range<std::size_t>(0, kRows.size()),
                                            ::testing::ValuesIn(kCommands)),
                         [](const auto& info) {
                             return std::string(kRows[std::get<0>(info.param)].name) + "_" +
                                    CommandName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace kestrion_cli
