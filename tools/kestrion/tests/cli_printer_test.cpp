// The kestrion tool against the simulated printer: over TCP on loopback and
// over the simulated spooler, with the real link library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>

#include "sim/sim_printer.h"
#include "tools/kestrion/cli.h"
#include "tools/kestrion/settings_view.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using printersim::Fault;
using printersim::FaultPlan;
using tamsel::SettingsRecord;

struct Result {
    int code;
    std::string out, err;
};

printersim::PrinterSettings Distinctive() {
    printersim::PrinterSettings s = printersim::FactorySettings();
    s.param[0] = 1;
    s.param[2] = 1;
    s.param[kestrion::kPrintDirection] = 2;
    s.adjust = {-3, 2, -57, 0, 0, 0, 0, 1057};
    // An address and a port whose bytes look like line ends on the wire.
    s.address = {kestrion::PackOctets({10, 0, 0, 1}), kestrion::PackOctets({255, 0, 0, 0}),
                 kestrion::PackOctets({10, 0, 13, 10}), 0, 1, 2560};
    s.status = 42;
    return s;
}

SettingsRecord RecordOf(const printersim::PrinterSettings& s) {
    return SettingsRecord::FromBlocks(s.param.data(), s.adjust.data(), s.address.data());
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

class CliPrinter : public ::testing::Test {
protected:
    void SetUp() override {
        tempDir = fs::temp_directory_path() / ("kes-cli-printer-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
        printer = std::make_unique<printersim::SimPrinter>(0, Distinctive());
    }
    void TearDown() override {
        printer.reset();
        fs::remove_all(tempDir);
    }

    Result Run(std::vector<std::string> args) {
        std::ostringstream out, err;
        const int code = RunKestrion(args, out, err, env);
        return {code, out.str(), err.str()};
    }

    std::vector<std::string> Tcp() const { return {"--ip", "127.0.0.1", "--port", std::to_string(printer->Port())}; }

    template <typename... More>
    static std::vector<std::string> Args(std::vector<std::string> a, const std::vector<std::string>& b, More... more) {
        a.insert(a.end(), b.begin(), b.end());
        (a.push_back(more), ...);
        return a;
    }

    std::string Path(const std::string& name) const { return (tempDir / name).string(); }

    static std::string ReadText(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    SettingsRecord Load(const std::string& path) {
        SettingsRecord r = SettingsRecord::Zero();
        EXPECT_EQ(tamsel::LoadSettingsFile(path, r), tamsel::LoadResult::Loaded) << path;
        return r;
    }

    std::string Save(const std::string& name, const SettingsRecord& r) {
        EXPECT_EQ(tamsel::SaveSettingsFile(tempDir / name, r), tamsel::SaveResult::Saved);
        return Path(name);
    }

    fs::path tempDir;
    Environment env = RealLibrary();
    std::unique_ptr<printersim::SimPrinter> printer;
};

TEST_F(CliPrinter, StatusAndReadOverTcp) {
    const Result status = Run(Args({"status"}, Tcp()));
    ASSERT_EQ(status.code, kExitOk) << status.err;
    EXPECT_EQ(status.out, "status 42\n");

    const std::string file = Path("printer.dat");
    const Result read = Run(Args({"read"}, Tcp(), "-o", file));
    ASSERT_EQ(read.code, kExitOk) << read.err;
    EXPECT_EQ(fs::file_size(file), tamsel::kRecordSize);
    EXPECT_EQ(Load(file), RecordOf(Distinctive()));
}

TEST_F(CliPrinter, ShowThenImportReproducesARecordReadFromThePrinter) {
    const std::string file = Path("printer.dat"), json = Path("printer.json"), back = Path("back.dat");
    ASSERT_EQ(Run(Args({"read"}, Tcp(), "-o", file)).code, kExitOk);
    const Result shown = Run({"show", file, "--json"});
    ASSERT_EQ(shown.code, kExitOk) << shown.err;
    std::ofstream(json, std::ios::binary) << shown.out;
    // The printer's socket port 2560 lies outside what the address page
    // accepts: the import keeps it, with a warning.
    const Result imported = Run({"import", json, "-o", back});
    ASSERT_EQ(imported.code, kExitOk) << imported.err;
    EXPECT_THAT(imported.err, HasSubstr("warning: socket port 2560 is outside 10000-65525"));
    EXPECT_EQ(ReadText(back), ReadText(file));

    printersim::PrinterSettings s = Distinctive();
    s.address[kestrion::kSocketPort] = 12001;
    printer->Model().SetSettings(s);
    ASSERT_EQ(Run(Args({"read"}, Tcp(), "-o", file)).code, kExitOk);
    std::ofstream(json, std::ios::binary) << Run({"show", file, "--json"}).out;
    const Result inRange = Run({"import", json, "-o", back});
    ASSERT_EQ(inRange.code, kExitOk) << inRange.err;
    EXPECT_EQ(inRange.err, "");
    EXPECT_EQ(ReadText(back), ReadText(file));
}

TEST_F(CliPrinter, SendVerifiesAndRestarts) {
    SettingsRecord wanted = RecordOf(Distinctive());
    wanted.param[kestrion::kBackFeedSpeed] = 3;
    wanted.adjust[2] = 25;
    wanted.param[5] = tamsel::kDipNotAvailable;  // stale switch states never count
    const std::string file = Save("wanted.dat", wanted);

    const Result param = Run(Args({"send", file, "--param"}, Tcp()));
    ASSERT_EQ(param.code, kExitOk) << param.err;
    EXPECT_THAT(param.out, HasSubstr("（パラメータ設定値）\nプリンタに設定値を送信しました。"));
    EXPECT_EQ(printer->Model().Settings().param[kestrion::kBackFeedSpeed], 3);
    EXPECT_EQ(printer->Model().Settings().adjust[2], -57) << "only the parameters were sent";
    EXPECT_EQ(printer->Model().ResetCount(), 1);

    const Result adjust = Run(Args({"send", file, "--adjust"}, Tcp()));
    ASSERT_EQ(adjust.code, kExitOk) << adjust.err;
    EXPECT_EQ(printer->Model().Settings().adjust[2], 25);
    EXPECT_EQ(printer->Model().ResetCount(), 2);

    const Result same = Run(Args({"diff", file}, Tcp()));
    EXPECT_EQ(same.code, kExitDiffers) << "the file's DIP switch states are not the printer's";
    EXPECT_EQ(same.out, "DIPSW状態表示 / DIPSW 6: 不明 (値 3) → OFF\n");
}

TEST_F(CliPrinter, SendWhoseReadBackDiffersClaimsNothing) {
    SettingsRecord wanted = RecordOf(Distinctive());
    wanted.param[kestrion::kMirrorPrint] = 2;
    wanted.address[kestrion::kSocketPort] = 12001;  // within what the address page sends
    const std::string file = Save("wanted.dat", wanted);
    FaultPlan ignore;
    ignore.kind = Fault::IgnoreSets;
    printer->InjectFault(ignore);

    const Result r = Run(Args({"send", file, "--all"}, Tcp()));
    EXPECT_EQ(r.code, kExitPrinter);
    EXPECT_EQ(r.out, "") << "nothing may be claimed as sent";
    EXPECT_THAT(r.err, HasSubstr("データセットに失敗しました。"));
    EXPECT_THAT(r.err, HasSubstr("PARAM[28] ミラー印刷: sent 2, printer holds 0"));
    EXPECT_EQ(printer->Model().ResetCount(), 0) << "no restart after a failed verification";
}

TEST_F(CliPrinter, ResetRestartsThePrinter) {
    const Result r = Run(Args({"reset"}, Tcp()));
    ASSERT_EQ(r.code, kExitOk) << r.err;
    EXPECT_EQ(printer->Model().ResetCount(), 1);
}

TEST_F(CliPrinter, PrinterFailuresNameTheOperationCodeAndSystemError) {
    const std::string file = Path("x.dat");
    const std::uint16_t port = printer->Port();
    printer.reset();  // nothing listens there any more: the connection is refused
    const Result r = Run({"read", "--ip", "127.0.0.1", "--port", std::to_string(port), "-o", file});
    EXPECT_EQ(r.code, kExitPrinter);
    EXPECT_THAT(r.err, HasSubstr("DllGetPrinterParam failed: -800 (network failure), system error " +
                                 std::to_string(ECONNREFUSED)));
    EXPECT_FALSE(fs::exists(file));
}

// --- Over the simulated spooler ----------------------------------------------------

class CliSpooler : public CliPrinter {
protected:
    void SetUp() override {
        CliPrinter::SetUp();
        // The library reads the printer list again at every open.
        const std::string conf = Path("printers.conf");
        std::ofstream(conf) << "[Test LP (USB)]\nbidi = on\nport = " << printer->Port()
                            << "\n[Test LP (local)]\nbidi = off\nport = " << printer->Port() << "\n";
        ::setenv("KESTRION_SIM_SPOOLER", conf.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KESTRION_SIM_SPOOLER");
        CliPrinter::TearDown();
    }
};

TEST_F(CliSpooler, ReadAndSendThroughTheSpooler) {
    const std::string file = Path("printer.dat");
    const Result read = Run({"read", "--printer", "Test LP (USB)", "-o", file});
    ASSERT_EQ(read.code, kExitOk) << read.err;
    EXPECT_EQ(Load(file), RecordOf(Distinctive()));

    SettingsRecord wanted = RecordOf(Distinctive());
    wanted.adjust[7] = -1057;
    const Result sent = Run({"send", Save("wanted.dat", wanted), "--adjust", "--printer", "Test LP (USB)"});
    ASSERT_EQ(sent.code, kExitOk) << sent.err;
    EXPECT_THAT(sent.out, HasSubstr("sent, verified and restarted"));
    EXPECT_EQ(printer->Model().Settings().adjust[7], -1057);
    EXPECT_EQ(printer->Model().ResetCount(), 1);
}

TEST_F(CliSpooler, LocalPortIsNotReadBack) {
    // Bidirectional support is off on this printer: it cannot answer at all.
    const Result read = Run({"read", "--printer", "Test LP (local)", "-o", Path("x.dat")});
    EXPECT_EQ(read.code, kExitPrinter);
    EXPECT_THAT(read.err, HasSubstr("DllGetPrinterParam failed: -701 (bidirectional support is off)"));

    // So a send on its local port trusts the set operations, even when the
    // printer ignored them.
    FaultPlan ignore;
    ignore.kind = Fault::IgnoreSets;
    printer->InjectFault(ignore);
    SettingsRecord wanted = RecordOf(Distinctive());
    wanted.param[kestrion::kZeroSlash] = 1;
    const Result sent =
        Run({"send", Save("wanted.dat", wanted), "--param", "--printer", "Test LP (local)", "--local"});
    ASSERT_EQ(sent.code, kExitOk) << sent.err;
    EXPECT_THAT(sent.out, HasSubstr("local port: not read back"));
    EXPECT_EQ(printer->Model().ResetCount(), 1);
}

TEST_F(CliSpooler, UnknownPrinterIsASpoolerFailure) {
    const Result r = Run({"status", "--printer", "No Such Printer"});
    EXPECT_EQ(r.code, kExitPrinter);
    EXPECT_THAT(r.err, HasSubstr("DllGetPrinterStatus failed: -700 (spooler call failed), system error " +
                                 std::to_string(ENOENT)));
}

}  // namespace
}  // namespace kestrion_cli
