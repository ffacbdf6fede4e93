// The many-printer commands against twenty simulated printers on loopback with
// the real link library: two printers fail (one refuses connections, one
// ignores what it is sent); send, read, diff and the reports, as text and as
// JSON.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

#include "sim/sim_fleet.h"
#include "tools/kestrion/cli.h"
#include "tools/kestrion/json.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using printersim::Fault;
using printersim::FaultPlan;
using tamsel::SettingsRecord;

constexpr int kPrinters = 20;
constexpr std::size_t kRefusing = 4;
constexpr std::size_t kIgnoring = 13;
constexpr std::size_t kNamed = 7;
constexpr char kName[] = "ラベル \"left\\\"";

// The diff table's first column is as wide as the widest name: the named
// printer's, where each kana takes two columns.
constexpr std::size_t kWidestName = 22;
std::size_t DisplayPad(const std::string& asciiLabel) { return kWidestName - asciiLabel.size() + 2; }

SettingsRecord RecordOf(const printersim::PrinterSettings& s) {
    return SettingsRecord::FromBlocks(s.param.data(), s.adjust.data(), s.address.data());
}

// The report without the times taken, which vary from run to run.
std::string WithoutTimes(const std::string& report) {
    return std::regex_replace(report, std::regex(R"( \(\d+\.\d\d s\))"), "");
}

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
        tempDir = fs::temp_directory_path() / ("kes-fleet-printers-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
        printersim::PrinterSettings initial = printersim::FactorySettings();
        initial.param[2] = 1;  // a DIP switch on: never sent, never a difference
        initialSettings = initial;
        printers = printersim::StartPrinters(0, kPrinters, initial);

        FaultPlan refuse;
        refuse.kind = Fault::Refuse;
        printers[kRefusing]->InjectFault(refuse);
        FaultPlan ignore;
        ignore.kind = Fault::IgnoreSets;
        ignore.connections = -1;
        printers[kIgnoring]->InjectFault(ignore);

        // Each printer has an IP address of its own; printer 7 is named.
        for (std::size_t i = 0; i < printers.size(); ++i) {
            printersim::PrinterSettings own = initial;
            own.address[kestrion::kIpAddress] = kestrion::PackOctets({10, 0, 1, static_cast<std::uint8_t>(10 + i)});
            printers[i]->Model().SetSettings(own);
        }
        std::ofstream list(tempDir / "printers.txt");
        list << "# the test hall\n";
        for (const auto& p : printers) {
            list << "127.0.0.1:" << p->Port() << (&p == &printers[kNamed] ? " = hall 2: " + std::string(kName) : "")
                 << "\n";
        }

        wantedRecord = SettingsRecord::FromBlocks(initial.param.data(), initial.adjust.data(), initial.address.data());
        wantedRecord.param[kestrion::kBackFeedSpeed] = 3;
        wantedRecord.param[kestrion::kMirrorPrint] = 2;
        wantedRecord.param[5] = tamsel::kDipNotAvailable;  // a file's stale switch states never count
        EXPECT_EQ(tamsel::SaveSettingsFile(tempDir / "wanted.dat", wantedRecord), tamsel::SaveResult::Saved);
    }
    void TearDown() override {
        printers.clear();
        fs::remove_all(tempDir);
    }

    struct Result {
        int code;
        std::string out, err;
    };
    Result Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        const int code = RunKestrion(args, out, err, env);
        return {code, out.str(), err.str()};
    }
    std::string Path(const std::string& name) const { return (tempDir / name).string(); }
    std::string Label(std::size_t i) const {
        return i == kNamed ? "hall 2: " + std::string(kName) : "127.0.0.1:" + std::to_string(printers[i]->Port());
    }
    // The settings printer i held before the test.
    printersim::PrinterSettings Initial(std::size_t i) const {
        printersim::PrinterSettings own = initialSettings;
        own.address[kestrion::kIpAddress] = kestrion::PackOctets({10, 0, 1, static_cast<std::uint8_t>(10 + i)});
        return own;
    }
    std::vector<std::string> Send(const std::string& blocks) const {
        return {"send", Path("wanted.dat"), blocks, "--targets", Path("printers.txt")};
    }

    fs::path tempDir;
    Environment env = RealLibrary();
    printersim::PrinterSettings initialSettings;
    std::vector<std::unique_ptr<printersim::SimPrinter>> printers;
    SettingsRecord wantedRecord = SettingsRecord::Zero();
};

TEST_F(FleetPrinters, SendReportNamesExactlyTheTwoFailedPrintersAndTheOthersHoldTheSentValues) {
    std::vector<std::string> args = Send("--param");
    args.insert(args.end(), {"--jobs", "8"});
    const Result r = Run(args);
    EXPECT_EQ(r.code, kExitPrinter) << "not every printer succeeded";
    EXPECT_EQ(r.err, "");
    const std::string report = WithoutTimes(r.out);

    EXPECT_THAT(report, HasSubstr(Label(kRefusing) + ": FAILED\n"
                                  "  送信に失敗しました。\n"
                                  "  接続を確認して再度送信してください。\n"
                                  "  nothing was accepted (a block sent before the failure may have reached the "
                                  "printer)\n"
                                  "  DllSetPrinterParam failed: -800 (network failure), system error " +
                                  std::to_string(ECONNREFUSED) + " (" + std::strerror(ECONNREFUSED) + ")\n"));
    EXPECT_THAT(report, HasSubstr(Label(kIgnoring) + ": FAILED\n"
                                  "  データセットに失敗しました。\n"
                                  "  the printer holds other values than were sent; nothing was accepted and the "
                                  "printer was not restarted:\n"
                                  "    PARAM[25] バックフィード速度: sent 3, printer holds 0\n"
                                  "    PARAM[28] ミラー印刷: sent 2, printer holds 0\n"));
    EXPECT_THAT(report, HasSubstr("\n18 of 20 printer(s) succeeded; failed: " + Label(kRefusing) + ", " +
                                  Label(kIgnoring) + "\n"));

    // Every printer once, in the list's order, each with the time it took;
    // only the two are named as failed.
    std::size_t at = 0;
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const bool failing = i == kRefusing || i == kIgnoring;
        const std::string line =
            Label(i) + (failing ? ": FAILED\n" : ": ok: sent, verified and restarted the printer\n");
        const std::size_t found = report.find("\n" + line, at);
        ASSERT_NE(found, std::string::npos) << line;
        at = found + 1;
    }
    const std::regex timed(R"(\n[^ \n][^\n]*: (ok|FAILED) \(\d+\.\d\d s\))");
    EXPECT_EQ(std::distance(std::sregex_iterator(r.out.begin(), r.out.end(), timed), std::sregex_iterator()), 20);
    std::size_t failedLines = 0;
    for (std::size_t p = 0; (p = report.find(": FAILED\n", p)) != std::string::npos; ++p) ++failedLines;
    EXPECT_EQ(failedLines, 2u);

    for (std::size_t i = 0; i < printers.size(); ++i) {
        const printersim::PrinterSettings held = printers[i]->Model().Settings();
        if (i == kRefusing || i == kIgnoring) {
            EXPECT_EQ(held, Initial(i)) << Label(i) << " keeps what it held";
            EXPECT_EQ(printers[i]->Model().ResetCount(), 0) << Label(i) << " is not restarted";
            continue;
        }
        EXPECT_EQ(held.param[kestrion::kBackFeedSpeed], 3) << Label(i);
        EXPECT_EQ(held.param[kestrion::kMirrorPrint], 2) << Label(i);
        EXPECT_EQ(held.param[2], 1) << Label(i) << ": the DIP switches are the printer's own";
        EXPECT_EQ(held.adjust, initialSettings.adjust) << Label(i) << ": only the parameters were sent";
        EXPECT_EQ(held.address, Initial(i).address) << Label(i);
        EXPECT_EQ(printers[i]->Model().ResetCount(), 1) << Label(i);
    }
    EXPECT_EQ(printers[kRefusing]->ConnectionsAccepted(), 0);
}

TEST_F(FleetPrinters, JsonReportParsesBackWithEveryPrinter) {
    std::vector<std::string> args = Send("--param");
    args.push_back("--json");
    const Result r = Run(args);
    EXPECT_EQ(r.code, kExitPrinter);
    std::string error;
    const std::optional<kjson::Value> json = kjson::Parse(r.out, error);
    ASSERT_TRUE(json) << error << "\n" << r.out;
    ASSERT_TRUE(json->Find("printers"));
    const std::vector<kjson::Value>& list = json->Find("printers")->items;
    ASSERT_EQ(list.size(), printers.size());
    EXPECT_EQ(json->Find("succeeded")->AsInteger(), 18);
    EXPECT_EQ(json->Find("failed")->AsInteger(), 2);
    EXPECT_EQ(json->Find("skipped")->AsInteger(), 0);
    EXPECT_EQ(json->Find("blocks")->text, "--param");
    EXPECT_EQ(json->Find("file")->text, Path("wanted.dat"));
    for (std::size_t i = 0; i < list.size(); ++i) {
        const kjson::Value& p = list[i];
        const bool failing = i == kRefusing || i == kIgnoring;
        EXPECT_EQ(p.Find("printer")->text, Label(i));
        EXPECT_EQ(p.Find("target")->text, "127.0.0.1:" + std::to_string(printers[i]->Port()));
        EXPECT_EQ(p.Find("outcome")->text, failing ? "failed" : "ok") << i;
        const std::optional<long long> ms = p.Find("milliseconds")->AsInteger();
        ASSERT_TRUE(ms) << i;
        EXPECT_GE(*ms, 0);
        EXPECT_LT(*ms, 60000);
        if (!failing) {
            EXPECT_EQ(p.Find("summary")->text, "sent, verified and restarted the printer");
            EXPECT_EQ(p.Find("message")->text, "（パラメータ設定値）\nプリンタに設定値を送信しました。");
        }
    }
    // The messages keep their line break, the quotes of a name survive.
    EXPECT_EQ(list[kRefusing].Find("message")->text, "送信に失敗しました。\n接続を確認して再度送信してください。");
    const std::vector<kjson::Value>& details = list[kIgnoring].Find("details")->items;
    ASSERT_EQ(details.size(), 3u);
    EXPECT_EQ(details[1].text, "PARAM[25] バックフィード速度: sent 3, printer holds 0");
    EXPECT_EQ(list[kNamed].Find("printer")->text, "hall 2: ラベル \"left\\\"");
}

TEST_F(FleetPrinters, StopOnFailureSkipsThePrintersAfterTheFirstFailure) {
    std::vector<std::string> args = Send("--param");
    args.insert(args.end(), {"--stop-on-failure", "--jobs", "1"});
    const Result r = Run(args);
    EXPECT_EQ(r.code, kExitPrinter);
    const std::string report = WithoutTimes(r.out);
    EXPECT_THAT(report, HasSubstr("\n" + Label(3) + ": ok: sent, verified and restarted the printer\n"));
    EXPECT_THAT(report, HasSubstr("\n" + Label(kRefusing) + ": FAILED\n"));
    std::string skipped;
    for (std::size_t i = kRefusing + 1; i < printers.size(); ++i) {
        EXPECT_THAT(report, HasSubstr("\n" + Label(i) + ": skipped: not started after an earlier failure\n"));
        skipped += (skipped.empty() ? "" : ", ") + Label(i);
        EXPECT_EQ(printers[i]->Model().Settings(), Initial(i)) << i;
        EXPECT_EQ(printers[i]->Model().ResetCount(), 0) << i;
        EXPECT_EQ(printers[i]->ConnectionsAccepted(), 0) << i;
    }
    EXPECT_THAT(report, HasSubstr("\n4 of 20 printer(s) succeeded; failed: " + Label(kRefusing) + "; skipped: " +
                                  skipped + "\n"));

    args.push_back("--json");
    const Result json = Run(args);
    std::string error;
    const std::optional<kjson::Value> parsed = kjson::Parse(json.out, error);
    ASSERT_TRUE(parsed) << error;
    EXPECT_EQ(parsed->Find("skipped")->AsInteger(), 15);
    EXPECT_EQ(parsed->Find("printers")->items[19].Find("outcome")->text, "skipped");
}

// --all to a list: the file's values, but each printer keeps its own IP address.
TEST_F(FleetPrinters, AllToAListKeepsEachPrintersOwnIpAddress) {
    wantedRecord.address[kestrion::kIpAddress] = kestrion::PackOctets({192, 168, 9, 9});
    wantedRecord.address[kestrion::kSubnetMask] = kestrion::PackOctets({255, 255, 0, 0});
    ASSERT_EQ(tamsel::SaveSettingsFile(tempDir / "wanted.dat", wantedRecord), tamsel::SaveResult::Saved);
    const Result r = Run(Send("--all"));
    EXPECT_EQ(r.code, kExitPrinter);
    const std::string report = WithoutTimes(r.out);
    EXPECT_THAT(report, HasSubstr("each printer keeps its own IP address; the file's other values are sent\n"));
    EXPECT_THAT(report, HasSubstr(Label(0) + ": ok: sent, verified and restarted the printer, its IP address "
                                             "10.0.1.10 kept\n"));
    EXPECT_THAT(report, HasSubstr(Label(kRefusing) + ": FAILED: its own IP address cannot be read; nothing sent\n"
                                                     "  DllGetPrinterParam failed: -800 (network failure)"));
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const printersim::PrinterSettings held = printers[i]->Model().Settings();
        EXPECT_EQ(held.address[kestrion::kIpAddress], Initial(i).address[kestrion::kIpAddress]) << i;
        if (i == kRefusing || i == kIgnoring) continue;
        EXPECT_EQ(held.address[kestrion::kSubnetMask], wantedRecord.address[kestrion::kSubnetMask]) << i;
        EXPECT_EQ(held.param[kestrion::kBackFeedSpeed], 3) << i;
    }
}

TEST_F(FleetPrinters, ReadWritesOneFilePerPrinterNamedAfterIt) {
    const Result r = Run({"read", "--targets", Path("printers.txt"), "-o", Path("hall")});
    EXPECT_EQ(r.code, kExitPrinter) << "the refusing printer cannot be read";
    for (std::size_t i = 0; i < printers.size(); ++i) {
        const std::string file =
            i == kNamed ? "hall 2_ ラベル _left__.dat" : "127.0.0.1_" + std::to_string(printers[i]->Port()) + ".dat";
        const fs::path path = tempDir / "hall" / fs::path(std::u8string(file.begin(), file.end()));
        if (i == kRefusing) {
            EXPECT_FALSE(fs::exists(path));
            EXPECT_THAT(r.out, HasSubstr("\n" + Label(i) + ": FAILED: cannot be read\n  DllGetPrinterParam failed"));
            continue;
        }
        EXPECT_THAT(r.out, HasSubstr(Label(i) + ": ok: wrote " + (fs::path(Path("hall")) / file).string() + "\n"));
        SettingsRecord record = SettingsRecord::Zero();
        ASSERT_EQ(tamsel::LoadSettingsFile(path, record), tamsel::LoadResult::Loaded) << file;
        const printersim::PrinterSettings own = Initial(i);
        EXPECT_EQ(record, SettingsRecord::FromBlocks(own.param.data(), own.adjust.data(), own.address.data())) << i;
    }
    EXPECT_THAT(r.out, HasSubstr("\n19 of 20 printer(s) read; failed: " + Label(kRefusing) + "\n"));
}

TEST_F(FleetPrinters, DiffTablesWhichPrinterDiffersInWhichSetting) {
    // The file as the printers hold it, but with the first printer's IP
    // address: the address is each printer's own and never counts.
    const printersim::PrinterSettings same = Initial(0);
    ASSERT_EQ(tamsel::SaveSettingsFile(tempDir / "same.dat", RecordOf(same)), tamsel::SaveResult::Saved);
    printersim::PrinterSettings other = Initial(kNamed);
    other.param[kestrion::kBackFeedSpeed] = 3;
    other.address[kestrion::kSocketPort] = 12345;
    printers[kNamed]->Model().SetSettings(other);
    printers[kRefusing]->ClearFaults();

    const std::string targets = Path("printers.txt");
    const Result r = Run({"diff", Path("same.dat"), "--targets", targets});
    EXPECT_EQ(r.code, kExitDiffers) << r.out << r.err;
    const std::string named = Label(kNamed);
    EXPECT_THAT(r.out, HasSubstr("\n" + named + "  パラメータ設定1 / バックフィード速度: 6ips → 4ips\n" + named +
                                 "  IPアドレス設定 / ポート番号: 12000 → 12345\n"));
    EXPECT_THAT(r.out, HasSubstr("\n" + Label(0) + std::string(DisplayPad(Label(0)), ' ') + "(the same)\n"));
    EXPECT_THAT(r.out, HasSubstr("\n1 of 20 printer(s) differ: " + named + "\n"));

    ASSERT_EQ(Run({"diff", Path("same.dat"), "--ip", "127.0.0.1:" + std::to_string(printers[0]->Port()), "--ip",
                   "127.0.0.1:" + std::to_string(printers[1]->Port())})
                  .code,
              kExitOk);

    FaultPlan refuse;
    refuse.kind = Fault::Refuse;
    printers[kRefusing]->InjectFault(refuse);
    const Result unread = Run({"diff", Path("same.dat"), "--targets", targets});
    EXPECT_EQ(unread.code, kExitPrinter) << "a printer that cannot be read comes before the differences";
    EXPECT_THAT(unread.out, HasSubstr(Label(kRefusing) + std::string(DisplayPad(Label(kRefusing)), ' ') +
                                      "FAILED: cannot be read: DllGetPrinterParam failed: -800"));
    EXPECT_THAT(unread.out, HasSubstr("\n1 of 20 printer(s) differ: " + named + "; could not be read: " +
                                      Label(kRefusing) + "\n"));
}

TEST_F(FleetPrinters, StatusAndResetGoToEveryPrinterOfTheList) {
    printersim::PrinterSettings withStatus = Initial(0);
    withStatus.status = 7;
    printers[0]->Model().SetSettings(withStatus);
    const Result status = Run({"status", "--ip", "127.0.0.1:" + std::to_string(printers[0]->Port()), "--ip",
                               "127.0.0.1:" + std::to_string(printers[kRefusing]->Port())});
    EXPECT_EQ(status.code, kExitPrinter);
    EXPECT_THAT(status.out, HasSubstr(Label(0) + ": ok: status 7\n" + Label(kRefusing) +
                                      ": FAILED\n  DllGetPrinterStatus failed: -800 (network failure)"));
    EXPECT_THAT(status.out, HasSubstr("\n1 of 2 printer(s) answered; failed: " + Label(kRefusing) + "\n"));

    const Result reset = Run({"reset", "--targets", Path("printers.txt"), "--jobs", "20"});
    EXPECT_EQ(reset.code, kExitPrinter);
    EXPECT_THAT(reset.out, HasSubstr("\n19 of 20 printer(s) restarted; failed: " + Label(kRefusing) + "\n"));
    for (std::size_t i = 0; i < printers.size(); ++i) {
        EXPECT_EQ(printers[i]->Model().ResetCount(), i == kRefusing ? 0 : 1) << i;
    }
}

TEST_F(FleetPrinters, DryRunSendsNothingAndShowsWhatWouldChange) {
    std::vector<std::string> dryRun = Send("--param");
    dryRun.push_back("--dry-run");
    const Result before = Run(dryRun);
    EXPECT_EQ(before.code, kExitPrinter) << "the refusing printer cannot be read";
    EXPECT_THAT(before.out, HasSubstr(Label(0) + ": ok: 2 setting(s) would change\n"
                                      "  パラメータ設定1 / ミラー印刷: コマンド優先 → ミラー印刷\n"
                                      "  パラメータ設定1 / バックフィード速度: 6ips → 4ips\n"));
    EXPECT_THAT(before.out, HasSubstr(Label(kRefusing) + ": FAILED: cannot be read\n"
                                      "  DllGetPrinterParam failed: -800 (network failure)"));
    EXPECT_THAT(before.out, HasSubstr("\n19 of 20 printer(s) would change; could not be read: " + Label(kRefusing) +
                                      "\n"));
    for (std::size_t i = 0; i < printers.size(); ++i) {
        EXPECT_EQ(printers[i]->Model().Settings(), Initial(i));
        EXPECT_EQ(printers[i]->Model().ResetCount(), 0);
    }

    ASSERT_EQ(Run(Send("--param")).code, kExitPrinter);
    const Result after = Run(dryRun);
    EXPECT_THAT(after.out, HasSubstr(Label(0) + ": ok: nothing would change\n"));
    EXPECT_THAT(after.out, HasSubstr(Label(kIgnoring) + ": ok: 2 setting(s) would change\n"));
    EXPECT_THAT(after.out, HasSubstr("\n1 of 20 printer(s) would change; could not be read: " + Label(kRefusing) +
                                     "\n"));
}

// Windows printers go through the spooler one at a time, beside the network
// printers; the one on a local port is not read back.
TEST_F(FleetPrinters, SpoolerPrintersBesideNetworkPrinters) {
    const std::string conf = Path("spooler.conf");
    std::ofstream(conf) << "[Test LP (USB)]\nbidi = on\nport = " << printers[0]->Port()
                        << "\n[Test LP (local)]\nbidi = off\nport = " << printers[1]->Port() << "\n";
    ::setenv("KESTRION_SIM_SPOOLER", conf.c_str(), 1);
    std::ofstream(Path("mixed.txt")) << "printer:Test LP (USB)\n" << Label(2) << "\nlocal:Test LP (local) = LP local\n"
                                     << Label(3) << "\n";
    const Result r = Run({"send", Path("wanted.dat"), "--param", "--targets", Path("mixed.txt")});
    ::unsetenv("KESTRION_SIM_SPOOLER");
    ASSERT_EQ(r.code, kExitOk) << r.out << r.err;
    const std::string report = WithoutTimes(r.out);
    EXPECT_THAT(report, HasSubstr("printer:Test LP (USB): ok: sent, verified and restarted the printer\n"));
    EXPECT_THAT(report, HasSubstr("LP local: ok: sent (local port: not read back) and restarted the printer\n"));
    EXPECT_THAT(report, HasSubstr("4 of 4 printer(s) succeeded\n"));
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_EQ(printers[i]->Model().Settings().param[kestrion::kBackFeedSpeed], 3) << i;
        EXPECT_EQ(printers[i]->Model().ResetCount(), 1) << i;
    }
}

}  // namespace
}  // namespace kestrion_cli
