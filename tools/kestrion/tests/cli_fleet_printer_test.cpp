// 'kestrion fleet' against twenty simulated printers on loopback with the real
// link library: two printers fail (one refuses connections, one ignores what
// it is sent), the report names exactly those two, the others hold the sent
// values and were restarted once.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>

#include "sim/sim_fleet.h"
#include "tools/kestrion/cli.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using printersim::Fault;
using printersim::FaultSpec;
using tamsel::SettingsRecord;

constexpr int kPrinters = 20;
constexpr std::size_t kRefusing = 4;
constexpr std::size_t kIgnoring = 13;

Environment RealLibrary() {
    Environment env;
    env.bind = [](std::string&) -> std::optional<tamsel::LinkOperations> {
        return tamsel::LinkOperations{DllGetPrinterStatus, DllGetPrinterParam, DllSetPrinterParam,
                                      DllSetPrinterAdjust, DllSetPrinterAdd,   DllResetPrinter};
    };
    env.describeSystemError = [](std::int32_t code) { return std::string(std::strerror(code)); };
    env.printerNameForSpooler = [](const std::string& s) { return s; };
    return env;
}

class FleetPrinters : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kes-fleet-printers-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        printersim::PrinterSettings initial = printersim::FactorySettings();
        initial.param[2] = 1;  // a DIP switch on: never sent, never a difference
        initial_ = initial;
        printers_ = printersim::StartPrinters(0, kPrinters, initial);

        FaultSpec refuse;
        refuse.kind = Fault::Refuse;
        printers_[kRefusing]->InjectFault(refuse);
        FaultSpec ignore;
        ignore.kind = Fault::IgnoreSets;
        ignore.connections = -1;
        printers_[kIgnoring]->InjectFault(ignore);

        std::ofstream list(dir_ / "printers.txt");
        list << "# the test hall\n";
        for (const auto& p : printers_) list << "127.0.0.1:" << p->Port() << "\n";

        wanted_ = SettingsRecord::FromBlocks(initial.param.data(), initial.adjust.data(), initial.address.data());
        wanted_.param[kestrion::kBackFeedSpeed] = 3;
        wanted_.param[kestrion::kMirrorPrint] = 2;
        wanted_.param[5] = tamsel::kDipNotAvailable;  // a file's stale switch states never count
        EXPECT_EQ(tamsel::SaveSettingsFile(dir_ / "wanted.dat", wanted_), tamsel::SaveResult::Saved);
    }
    void TearDown() override {
        printers_.clear();
        fs::remove_all(dir_);
    }

    struct Result {
        int code;
        std::string out, err;
    };
    Result Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        const int code = RunKestrion(args, out, err, env_);
        return {code, out.str(), err.str()};
    }
    std::string Path(const std::string& name) const { return (dir_ / name).string(); }
    std::string Label(std::size_t i) const { return "127.0.0.1:" + std::to_string(printers_[i]->Port()); }

    fs::path dir_;
    Environment env_ = RealLibrary();
    printersim::PrinterSettings initial_;
    std::vector<std::unique_ptr<printersim::SimPrinter>> printers_;
    SettingsRecord wanted_ = SettingsRecord::Zero();
};

TEST_F(FleetPrinters, ReportNamesExactlyTheTwoFailedPrintersAndTheOthersHoldTheSentValues) {
    const Result r = Run({"fleet", Path("wanted.dat"), "--param", "--list", Path("printers.txt"), "--jobs", "8"});
    EXPECT_EQ(r.code, kExitPrinter) << "not every printer succeeded";
    EXPECT_EQ(r.err, "");

    EXPECT_THAT(r.out, HasSubstr(Label(kRefusing) + ": FAILED\n"
                                 "  送信に失敗しました。\n"
                                 "  接続を確認して再度送信してください。\n"
                                 "  nothing was accepted (a block sent before the failure may have reached the "
                                 "printer)\n"
                                 "  DllSetPrinterParam failed: -800 (network failure), system error " +
                                 std::to_string(ECONNREFUSED) + " (" + std::strerror(ECONNREFUSED) + ")\n"));
    EXPECT_THAT(r.out, HasSubstr(Label(kIgnoring) + ": FAILED\n"
                                 "  データセットに失敗しました。\n"
                                 "  the printer holds other values than were sent; nothing was accepted and the "
                                 "printer was not restarted:\n"
                                 "    PARAM[25] バックフィード速度: sent 3, printer holds 0\n"
                                 "    PARAM[28] ミラー印刷: sent 2, printer holds 0\n"));
    EXPECT_THAT(r.out, HasSubstr("\n18 of 20 printer(s) succeeded; failed: " + Label(kRefusing) + ", " +
                                 Label(kIgnoring) + "\n"));

    // Every printer once, in the list's order; only the two are named as failed.
    std::size_t at = 0;
    for (std::size_t i = 0; i < printers_.size(); ++i) {
        const bool failing = i == kRefusing || i == kIgnoring;
        const std::string line =
            Label(i) + (failing ? ": FAILED\n" : ": ok: sent, verified and restarted the printer\n");
        const std::size_t found = r.out.find("\n" + line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + 1;
    }
    std::size_t failedLines = 0;
    for (std::size_t p = 0; (p = r.out.find(": FAILED\n", p)) != std::string::npos; ++p) ++failedLines;
    EXPECT_EQ(failedLines, 2u);

    for (std::size_t i = 0; i < printers_.size(); ++i) {
        const printersim::PrinterSettings held = printers_[i]->Model().Settings();
        if (i == kRefusing || i == kIgnoring) {
            EXPECT_EQ(held, initial_) << Label(i) << " keeps what it held";
            EXPECT_EQ(printers_[i]->Model().ResetCount(), 0) << Label(i) << " is not restarted";
            continue;
        }
        EXPECT_EQ(held.param[kestrion::kBackFeedSpeed], 3) << Label(i);
        EXPECT_EQ(held.param[kestrion::kMirrorPrint], 2) << Label(i);
        EXPECT_EQ(held.param[2], 1) << Label(i) << ": the DIP switches are the printer's own";
        EXPECT_EQ(held.adjust, initial_.adjust) << Label(i) << ": only the parameters were sent";
        EXPECT_EQ(held.address, initial_.address) << Label(i);
        EXPECT_EQ(printers_[i]->Model().ResetCount(), 1) << Label(i);
    }
    EXPECT_EQ(printers_[kRefusing]->ConnectionsAccepted(), 0);
}

TEST_F(FleetPrinters, DryRunSendsNothingAndShowsWhatWouldChange) {
    const std::vector<std::string> dryRun = {"fleet", Path("wanted.dat"), "--param", "--list",
                                             Path("printers.txt"), "--dry-run"};
    const Result before = Run(dryRun);
    EXPECT_EQ(before.code, kExitPrinter) << "the refusing printer cannot be read";
    EXPECT_THAT(before.out, HasSubstr(Label(0) + ": 2 setting(s) would change\n"
                                      "  パラメータ設定1 / ミラー印刷: コマンド優先 → ミラー印刷\n"
                                      "  パラメータ設定1 / バックフィード速度: 6ips → 4ips\n"));
    EXPECT_THAT(before.out, HasSubstr(Label(kRefusing) + ": FAILED: cannot be read\n"
                                      "  DllGetPrinterParam failed: -800 (network failure)"));
    EXPECT_THAT(before.out, HasSubstr("\n19 of 20 printer(s) would change; could not be read: " + Label(kRefusing) +
                                      "\n"));
    for (const auto& p : printers_) {
        EXPECT_EQ(p->Model().Settings(), initial_);
        EXPECT_EQ(p->Model().ResetCount(), 0);
    }

    ASSERT_EQ(Run({"fleet", Path("wanted.dat"), "--param", "--list", Path("printers.txt")}).code, kExitPrinter);
    const Result after = Run(dryRun);
    EXPECT_THAT(after.out, HasSubstr(Label(0) + ": nothing would change\n"));
    EXPECT_THAT(after.out, HasSubstr(Label(kIgnoring) + ": 2 setting(s) would change\n"));
    EXPECT_THAT(after.out, HasSubstr("\n1 of 20 printer(s) would change; could not be read: " + Label(kRefusing) +
                                     "\n"));
}

// Windows printers go through the spooler one at a time, beside the network
// printers; the one on a local port is not read back.
TEST_F(FleetPrinters, SpoolerPrintersBesideNetworkPrinters) {
    const std::string conf = Path("spooler.conf");
    std::ofstream(conf) << "[Test LP (USB)]\nbidi = on\nport = " << printers_[0]->Port()
                        << "\n[Test LP (local)]\nbidi = off\nport = " << printers_[1]->Port() << "\n";
    ::setenv("KESTRION_SIM_SPOOLER", conf.c_str(), 1);
    std::ofstream(Path("mixed.txt")) << "printer Test LP (USB)\n" << Label(2) << "\nlocal Test LP (local)\n"
                                     << Label(3) << "\n";
    const Result r = Run({"fleet", Path("wanted.dat"), "--param", "--list", Path("mixed.txt")});
    ::unsetenv("KESTRION_SIM_SPOOLER");
    ASSERT_EQ(r.code, kExitOk) << r.out << r.err;
    EXPECT_THAT(r.out, HasSubstr("printer Test LP (USB): ok: sent, verified and restarted the printer\n"));
    EXPECT_THAT(r.out, HasSubstr("local Test LP (local): ok: sent (local port: not read back) and restarted the "
                                 "printer\n"));
    EXPECT_THAT(r.out, HasSubstr("4 of 4 printer(s) succeeded\n"));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(printers_[i]->Model().Settings().param[kestrion::kBackFeedSpeed], 3) << i;
        EXPECT_EQ(printers_[i]->Model().ResetCount(), 1) << i;
    }
}

}  // namespace
}  // namespace kestrion_cli
