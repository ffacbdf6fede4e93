// The fleet command's parts without printers: the printer list, the runner's
// limits on how many printers are worked on at once, and the command-line
// errors and progress line over a stand-in library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>
#include <stdexcept>
#include <thread>

#include "tools/kestrion/cli.h"
#include "tools/kestrion/fleet.h"

namespace kestrion_cli {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

// --- The printer list --------------------------------------------------------------

TEST(PrinterList, EachKindOfLine) {
    std::string error;
    const auto list = ParsePrinterList(
        "\xEF\xBB\xBF# the label printers of hall 2\r\n"
        "192.168.0.5\r\n"
        "  10.0.13.10:9100  \n"
        "\n"
        "printer Vantorelli LP-1 (USB)\n"
        "local\tPlain LP-2 \n",
        error);
    ASSERT_TRUE(list) << error;
    ASSERT_EQ(list->size(), 4u);
    const FleetPrinter& a = (*list)[0];
    EXPECT_TRUE(a.network);
    EXPECT_EQ(a.label, "192.168.0.5:12000");
    EXPECT_EQ(a.port, 12000u);
    std::uint8_t octets[4];
    std::memcpy(octets, &a.address, 4);
    EXPECT_EQ(octets[0], 192);  // first dotted octet at the lowest address
    EXPECT_EQ(octets[3], 5);
    EXPECT_EQ((*list)[1].label, "10.0.13.10:9100");
    EXPECT_EQ((*list)[1].port, 9100u);
    EXPECT_FALSE((*list)[2].network);
    EXPECT_FALSE((*list)[2].local);
    EXPECT_EQ((*list)[2].name, "Vantorelli LP-1 (USB)");
    EXPECT_EQ((*list)[2].label, "printer Vantorelli LP-1 (USB)");
    EXPECT_TRUE((*list)[3].local);
    EXPECT_EQ((*list)[3].name, "Plain LP-2");
}

TEST(PrinterList, RefusedLinesNameTheLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"", "the list names no printer"},
        {"# only a comment\n\n", "the list names no printer"},
        {"10.0.0.1\n10.0.0\n", "line 2: '10.0.0' is none of A.B.C.D[:PORT], printer NAME, local NAME"},
        {"10.0.0.256\n", "line 1: '10.0.0.256' is none of"},
        {"10.0.0.1:65536\n", "line 1: '65536' is not a port 0-65535"},
        {"10.0.0.1:\n", "line 1: '' is not a port 0-65535"},
        {"printer\n", "line 1: 'printer' is none of"},
        {"10.0.0.1\n10.0.0.1:12000\n", "line 2: 10.0.0.1:12000 is listed twice (first on line 1)"},
        {"printer LP\n# x\nlocal LP\n", "line 3: local LP is listed twice (first on line 1)"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParsePrinterList(c.text, error)) << c.text;
        EXPECT_THAT(error, HasSubstr(c.error)) << c.text;
    }
    // The same address on two ports is two printers.
    std::string error;
    const auto two = ParsePrinterList("10.0.0.1:12000\n10.0.0.1:12001\n", error);
    ASSERT_TRUE(two) << error;
    EXPECT_EQ(two->size(), 2u);
}

// --- The runner --------------------------------------------------------------------

std::vector<FleetPrinter> Printers(int network, int spooler) {
    std::vector<FleetPrinter> printers;
    for (int i = 0; i < network + spooler; ++i) {
        FleetPrinter p;
        p.network = i < network;
        p.label = "printer " + std::to_string(i);
        printers.push_back(p);
    }
    return printers;
}

// Counts how many printers of each kind are being worked on at once. Each
// printer stays in until as many are in as the case expects at most (or a
// second has passed), so that reaching the limit does not hang on timing,
// and a moment longer, so that going past the limit would be seen.
struct Overlap {
    std::atomic<int> network{0}, spooler{0}, maxNetwork{0}, maxSpooler{0};

    void Enter(bool isNetwork, int want) {
        std::atomic<int>& now = isNetwork ? network : spooler;
        std::atomic<int>& max = isNetwork ? maxNetwork : maxSpooler;
        const int n = ++now;
        for (int m = max; n > m && !max.compare_exchange_weak(m, n);) {
        }
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(1);
        while (max < want && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        --now;
    }
};

TEST(RunFleet, NetworkPrintersAtMostJobsAtATimeSpoolerPrintersOneAtATime) {
    const struct {
        int network, spooler, jobs;
        int wantNetwork, wantSpooler;
    } cases[] = {
        {20, 0, 8, 8, 0},
        {20, 0, 3, 3, 0},
        {20, 0, 1, 1, 0},
        {2, 0, 8, 2, 0},  // no more workers than printers
        {6, 5, 4, 4, 1},
        {0, 4, 8, 0, 1},
    };
    for (const auto& c : cases) {
        const std::vector<FleetPrinter> printers = Printers(c.network, c.spooler);
        Overlap overlap;
        std::vector<int> calls(printers.size(), 0);
        std::vector<std::pair<std::size_t, std::size_t>> progress;
        RunFleet(
            printers, c.jobs,
            [&](std::size_t i) {
                ++calls[i];
                overlap.Enter(printers[i].network, printers[i].network ? c.wantNetwork : c.wantSpooler);
                return i % 3 != 0;  // every third printer fails
            },
            [&](std::size_t done, std::size_t failed) { progress.emplace_back(done, failed); });
        const std::string name = std::to_string(c.network) + "+" + std::to_string(c.spooler) + " jobs " +
                                 std::to_string(c.jobs);
        EXPECT_EQ(overlap.maxNetwork, c.wantNetwork) << name;
        EXPECT_EQ(overlap.maxSpooler, c.wantSpooler) << name;
        EXPECT_EQ(calls, std::vector<int>(printers.size(), 1)) << name << ": every printer exactly once";
        ASSERT_EQ(progress.size(), printers.size()) << name;
        const std::size_t failing = (printers.size() + 2) / 3;
        EXPECT_EQ(progress.back(), std::make_pair(printers.size(), failing)) << name;
        for (std::size_t k = 0; k < progress.size(); ++k) EXPECT_EQ(progress[k].first, k + 1) << name;
    }
}

TEST(RunFleet, AnExceptionInOnePrinterComesBackAfterTheOthersAreDone) {
    const std::vector<FleetPrinter> printers = Printers(10, 2);
    std::atomic<int> finished{0};
    EXPECT_THROW(RunFleet(
                     printers, 4,
                     [&](std::size_t i) {
                         if (i == 3) throw std::runtime_error("out of memory");
                         ++finished;
                         return true;
                     },
                     nullptr),
                 std::runtime_error);
    EXPECT_EQ(finished, 11);
}

// --- The command over a stand-in library ---------------------------------------------

// The stand-in printers hold the factory values; a read of port 1 fails as
// an unreachable printer does.
int32_t KESTRION_CALL FakeGetParam(const PrinterTarget* target, int32_t* param, int32_t* adjust, int32_t* address,
                                   int32_t* sysError) {
    *sysError = 0;
    if (target->port == 1) {
        *sysError = 111;
        return LINK_E_NETWORK;
    }
    const tamsel::SettingsRecord r = tamsel::SettingsRecord::Factory();
    std::memcpy(param, r.param, sizeof r.param);
    std::memcpy(adjust, r.adjust, sizeof r.adjust);
    std::memcpy(address, r.address, sizeof r.address);
    return LINK_OK;
}

class FleetCommand : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("kes-fleet-" + std::to_string(std::random_device{}()));
        fs::create_directories(dir_);
        env_.bind = [](std::string&) -> std::optional<tamsel::LinkOperations> {
            tamsel::LinkOperations ops;
            ops.getParam = FakeGetParam;
            return ops;
        };
        env_.describeSystemError = [](std::int32_t code) { return "error " + std::to_string(code); };
        env_.printerNameForSpooler = [](const std::string& s) { return s; };
        factory_ = Path("factory.dat");
        EXPECT_EQ(tamsel::SaveSettingsFile(factory_, tamsel::SettingsRecord::Factory()), tamsel::SaveResult::Saved);
    }
    void TearDown() override { fs::remove_all(dir_); }

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
    std::string List(const std::string& text, const std::string& name = "printers.txt") {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    fs::path dir_;
    Environment env_;
    std::string factory_;
};

TEST_F(FleetCommand, RefusedBeforeAnythingIsSent) {
    const std::string two = List("10.0.0.1\n10.0.0.2\n");
    const struct {
        std::vector<std::string> args;
        int code;
        const char* error;
    } cases[] = {
        {{"fleet", "wanted.dat", "--param"}, kExitUsage, "--list PRINTERS is required"},
        {{"fleet", "wanted.dat", "--list", two}, kExitUsage, "choose exactly one of"},
        {{"fleet", "wanted.dat", "--param", "--list", two, "--ip", "10.0.0.1"}, kExitUsage,
         "the printers come from --list"},
        {{"fleet", "wanted.dat", "--param", "--list", two, "--jobs", "0"}, kExitUsage, "--jobs wants a number 1-64"},
        {{"fleet", "wanted.dat", "--param", "--list", two, "--jobs", "65"}, kExitUsage, "--jobs wants a number 1-64"},
        {{"fleet", "wanted.dat", "--all", "--list", two}, kExitUsage,
         "--all sends the address block, which holds one printer's IP address: 2 printers would all take the same "
         "address"},
        {{"fleet", "wanted.dat", "--address", "--list", two, "--dry-run"}, kExitUsage, "--address sends the address"},
        {{"fleet", "wanted.dat", "--param", "--list", "missing.txt"}, kExitInput, "missing.txt: cannot be opened"},
        {{"fleet", "missing.dat", "--param", "--list", two}, kExitInput, "missing.dat: cannot be opened"},
        {{"status", "--ip", "10.0.0.1", "--jobs", "2"}, kExitUsage, "--list, --jobs and --dry-run belong to fleet"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.error;
        EXPECT_THAT(r.err, HasSubstr(c.error));
        EXPECT_EQ(r.out, "") << c.error;
    }

    const Result bad = Run({"fleet", factory_, "--param", "--list", List("10.0.0.1\nten.0.0.2\n")});
    EXPECT_EQ(bad.code, kExitInput);
    EXPECT_THAT(bad.err, HasSubstr("printers.txt: line 2: 'ten.0.0.2' is none of"));

    env_.spoolerTargets = false;
    const Result spooler = Run({"fleet", factory_, "--param", "--list", List("10.0.0.1\nprinter LP-1\n")});
    EXPECT_EQ(spooler.code, kExitInput);
    EXPECT_THAT(spooler.err, HasSubstr("printer LP-1 needs the Windows spooler"));
}

TEST_F(FleetCommand, DryRunReportsEveryPrinterAndTheProgressLineOnlyOnATerminal) {
    tamsel::SettingsRecord wanted = tamsel::SettingsRecord::Factory();
    wanted.param[kestrion::kBackFeedSpeed] = 3;
    const std::string file = Path("wanted.dat");
    ASSERT_EQ(tamsel::SaveSettingsFile(file, wanted), tamsel::SaveResult::Saved);
    const std::string list = List("10.0.0.1:2\n10.0.0.2:1\nlocal LP-2\n");

    const Result quiet = Run({"fleet", file, "--param", "--list", list, "--dry-run"});
    EXPECT_EQ(quiet.code, kExitPrinter) << "one printer could not be read";
    EXPECT_EQ(quiet.err, "");
    EXPECT_THAT(quiet.out, HasSubstr("10.0.0.1:2: 1 setting(s) would change\n"
                                     "  パラメータ設定1 / バックフィード速度: 6ips → 4ips\n"));
    EXPECT_THAT(quiet.out, HasSubstr("10.0.0.2:1: FAILED: cannot be read\n"
                                     "  DllGetPrinterParam failed: -800 (network failure), system error 111 (error "
                                     "111)\n"));
    EXPECT_THAT(quiet.out, HasSubstr("local LP-2: on a local port, cannot be read"));
    EXPECT_THAT(quiet.out, HasSubstr("2 of 3 printer(s) would change; could not be read: 10.0.0.2:1\n"));

    const Result same = Run({"fleet", factory_, "--adjust", "--list", List("10.0.0.1:2\n", "one.txt"), "--dry-run"});
    EXPECT_EQ(same.code, kExitOk);
    EXPECT_THAT(same.out, HasSubstr("10.0.0.1:2: nothing would change\n0 of 1 printer(s) would change\n"));

    env_.progressLine = true;
    const Result shown = Run({"fleet", file, "--param", "--list", list, "--dry-run", "--jobs", "1"});
    EXPECT_EQ(shown.out, quiet.out);
    EXPECT_THAT(shown.err, HasSubstr("\rkestrion fleet: 1/3 printers done, "));
    EXPECT_THAT(shown.err, HasSubstr("\rkestrion fleet: 3/3 printers done, 1 failed"));
    // The line is wiped at the end, so that the report starts on a clean line.
    const std::string wipe = "\r" + std::string(std::strlen("kestrion fleet: 3/3 printers done, 1 failed"), ' ') + "\r";
    EXPECT_EQ(shown.err.substr(shown.err.size() - wipe.size()), wipe);
}

}  // namespace
}  // namespace kestrion_cli
