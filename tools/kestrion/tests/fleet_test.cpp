// The parts of the many-printer commands without printers: the target list
// and the file names made from it, the runner's limits on how many printers
// are worked on at once, and the command-line errors and progress line over a
// stand-in library.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
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

// --- The target list --------------------------------------------------------------

TEST(TargetList, EachKindOfLine) {
    std::string error;
    const auto list = ParseTargetList(
        "\xEF\xBB\xBF# the label printers of hall 2\r\n"
        "192.168.0.5\r\n"
        "  10.0.13.10:9100 =  hall 2 left \n"
        "\n"
        "printer:Vantorelli LP-1 (USB)\n"
        "local:Plain LP-2 \n"
        "printer:A=B = ab\n",
        error);
    ASSERT_TRUE(list) << error;
    ASSERT_EQ(list->size(), 5u);
    const FleetPrinter& a = (*list)[0];
    EXPECT_TRUE(a.network);
    EXPECT_EQ(a.target, "192.168.0.5:12000");
    EXPECT_EQ(a.label, "192.168.0.5:12000");
    EXPECT_EQ(a.origin, "line 2");
    EXPECT_EQ(a.port, 12000u);
    std::uint8_t octets[4];
    std::memcpy(octets, &a.address, 4);
    EXPECT_EQ(octets[0], 192);  // first dotted octet at the lowest address
    EXPECT_EQ(octets[3], 5);
    EXPECT_EQ((*list)[1].target, "10.0.13.10:9100");
    EXPECT_EQ((*list)[1].label, "hall 2 left");
    EXPECT_EQ((*list)[1].port, 9100u);
    EXPECT_FALSE((*list)[2].network);
    EXPECT_FALSE((*list)[2].local);
    EXPECT_EQ((*list)[2].name, "Vantorelli LP-1 (USB)");
    EXPECT_EQ((*list)[2].label, "printer:Vantorelli LP-1 (USB)");
    EXPECT_TRUE((*list)[3].local);
    EXPECT_EQ((*list)[3].name, "Plain LP-2");
    EXPECT_EQ((*list)[3].target, "local:Plain LP-2");
    // The name starts after the last '=': a printer name may hold one.
    EXPECT_EQ((*list)[4].name, "A=B");
    EXPECT_EQ((*list)[4].label, "ab");
}

TEST(TargetList, RefusedLinesNameTheLine) {
    const struct {
        const char* text;
        const char* error;
    } cases[] = {
        {"10.0.0.1\n10.0.0\n", "line 2: '10.0.0' is none of A.B.C.D[:PORT], printer:NAME, local:NAME"},
        {"10.0.0.256\n", "line 1: '10.0.0.256' is none of"},
        {"10.0.0.1:65536\n", "line 1: '65536' is not a port 0-65535"},
        {"10.0.0.1:\n", "line 1: '' is not a port 0-65535"},
        {"printer:\n", "line 1: 'printer:' names no printer"},
        {"printer LP-1\n", "line 1: 'printer LP-1' is none of"},
        {"# x\n10.0.0.1 =\n", "line 2: nothing after '='"},
        {"= name\n", "line 1: '' is none of"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseTargetList(c.text, error)) << c.text;
        EXPECT_THAT(error, HasSubstr(c.error)) << c.text;
    }
    std::string error;
    const auto empty = ParseTargetList("# only a comment\n\n", error);
    ASSERT_TRUE(empty);
    EXPECT_TRUE(empty->empty());
}

std::vector<FleetPrinter> Parsed(const std::string& text) {
    std::string error;
    auto list = ParseTargetList(text, error);
    EXPECT_TRUE(list) << error;
    return list ? *list : std::vector<FleetPrinter>{};
}

TEST(TargetList, APrinterOrANameGivenTwiceIsRefused) {
    const struct {
        const char* text;
        const char* error;  // nullptr: accepted
    } cases[] = {
        {"10.0.0.1\n10.0.0.1:12000\n", "10.0.0.1:12000 is given twice (line 1 and line 2)"},
        {"printer:LP\n# x\nlocal:LP\n", "local:LP is given twice (line 1 and line 3)"},
        {"10.0.0.1 = Hall\n10.0.0.2 = hall\n", "two printers are called 'hall' (line 1 and line 2)"},
        {"10.0.0.2\n10.0.0.1 = 10.0.0.2:12000\n", "two printers are called '10.0.0.2:12000' (line 1 and line 2)"},
        {"10.0.0.1:12000\n10.0.0.1:12001\n", nullptr},  // the same address on two ports is two printers
        {"printer:LP-1\nprinter:LP-2\n", nullptr},
    };
    for (const auto& c : cases) {
        const std::optional<std::string> twice = FindDuplicate(Parsed(c.text));
        if (!c.error) {
            EXPECT_FALSE(twice) << c.text << ": " << twice.value_or("");
        } else {
            ASSERT_TRUE(twice) << c.text;
            EXPECT_EQ(*twice, c.error);
        }
    }
}

TEST(TargetList, SettingsFileNamesAreSafeOnWindowsAndNeverShared) {
    const struct {
        const char* label;
        const char* file;
    } cases[] = {
        {"192.168.0.5:12000", "192.168.0.5_12000.dat"},
        {"a/b\\c", "a_b_c.dat"},
        {"LP <1>?* \"x\" | y", "LP _1___ _x_ _ y.dat"},
        {"tab\there", "tab_here.dat"},
        {"ends.", "ends_.dat"},
        {"CON", "_CON.dat"},
        {"nul.txt", "_nul.txt.dat"},
        {"com1", "_com1.dat"},
        {"COM12", "COM12.dat"},
        {"hall 2", "hall 2.dat"},
        {"a:b", "a_b.dat"},
        {"a_b", "a_b-2.dat"},  // the same file name as a:b
        {"A_B", "A_B-3.dat"},  // Windows does not tell case apart
        {"ラベル 1", "ラベル 1.dat"},
    };
    std::vector<FleetPrinter> printers;
    for (const auto& c : cases) {
        FleetPrinter p;
        p.label = c.label;
        printers.push_back(p);
    }
    const std::vector<std::string> files = SettingsFileNames(printers);
    ASSERT_EQ(files.size(), std::size(cases));
    for (std::size_t i = 0; i < files.size(); ++i) EXPECT_EQ(files[i], cases[i].file) << cases[i].label;
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
        const std::vector<bool> ran = RunFleet(
            printers, c.jobs, false,
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
        EXPECT_EQ(ran, std::vector<bool>(printers.size(), true)) << name;
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
                     printers, 4, false,
                     [&](std::size_t i) {
                         if (i == 3) throw std::runtime_error("out of memory");
                         ++finished;
                         return true;
                     },
                     nullptr),
                 std::runtime_error);
    EXPECT_EQ(finished, 11);
}

TEST(RunFleet, StopOnFailureStartsNoPrinterAfterTheFirstFailure) {
    const struct {
        int network, spooler, jobs;
        std::size_t failing;
        std::vector<bool> ran;
    } cases[] = {
        // One at a time: exactly the printers up to the failing one ran.
        {6, 0, 1, 2, {true, true, true, false, false, false}},
        {0, 5, 8, 0, {true, false, false, false, false}},
        {0, 4, 8, 3, {true, true, true, true}},
    };
    for (const auto& c : cases) {
        const std::vector<FleetPrinter> printers = Printers(c.network, c.spooler);
        std::vector<std::pair<std::size_t, std::size_t>> progress;
        const std::vector<bool> ran = RunFleet(
            printers, c.jobs, true, [&](std::size_t i) { return i != c.failing; },
            [&](std::size_t done, std::size_t failed) { progress.emplace_back(done, failed); });
        EXPECT_EQ(ran, c.ran) << c.network << "+" << c.spooler << " failing " << c.failing;
        const std::size_t started = static_cast<std::size_t>(std::count(ran.begin(), ran.end(), true));
        ASSERT_EQ(progress.size(), started);
        EXPECT_EQ(progress.back(), std::make_pair(started, std::size_t{1}));
    }

    // Several at a time: the ones running when the failure comes finish, no
    // printer starts after it.
    const std::vector<FleetPrinter> printers = Printers(40, 0);
    const std::vector<bool> ran = RunFleet(
        printers, 4, true,
        [&](std::size_t i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
            return i != 5;
        },
        nullptr);
    EXPECT_TRUE(ran[5]);
    // Taken in the list's order: when 5 fails, the three beside it hold
    // printers up to 8, and each may have taken one more just before.
    EXPECT_LE(std::count(ran.begin(), ran.end(), true), 12) << "no printer starts long after the failure";
    for (std::size_t i = 0; i < 5; ++i) EXPECT_TRUE(ran[i]) << i;
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
        tempDir = fs::temp_directory_path() / ("kes-fleet-" + std::to_string(std::random_device{}()));
        fs::create_directories(tempDir);
        env.bind = [](std::string&) -> std::optional<tamsel::LinkOperations> {
            tamsel::LinkOperations ops;
            ops.getParam = FakeGetParam;
            return ops;
        };
        env.describeSystemError = [](std::int32_t code) { return "error " + std::to_string(code); };
        env.printerNameForSpooler = [](const std::string& s) { return s; };
        factoryFile = Path("factory.dat");
        EXPECT_EQ(tamsel::SaveSettingsFile(factoryFile, tamsel::SettingsRecord::Factory()), tamsel::SaveResult::Saved);
    }
    void TearDown() override { fs::remove_all(tempDir); }

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
    std::string List(const std::string& text, const std::string& name = "printers.txt") {
        const std::string path = Path(name);
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    fs::path tempDir;
    Environment env;
    std::string factoryFile;
};

TEST_F(FleetCommand, RefusedBeforeAnythingIsSent) {
    const std::string two = List("10.0.0.1\n10.0.0.2\n");
    const struct {
        std::vector<std::string> args;
        int code;
        const char* error;
    } cases[] = {
        {{"send", "wanted.dat", "--targets", two}, kExitUsage, "choose exactly one of"},
        {{"send", "wanted.dat", "--param", "--targets", two, "--printer", "LP"}, kExitUsage,
         "--printer is one printer; list Windows printers in --targets as printer:NAME"},
        {{"send", "wanted.dat", "--param", "--targets", two, "--jobs", "0"}, kExitUsage, "--jobs wants a number 1-64"},
        {{"send", "wanted.dat", "--param", "--targets", two, "--jobs", "65"}, kExitUsage, "--jobs wants a number 1-64"},
        {{"send", "wanted.dat", "--param", "--targets", two, "--port", "9100"}, kExitUsage,
         "--port belongs to a single --ip; in a list write A.B.C.D:PORT"},
        {{"send", "wanted.dat", "--param", "--ip", "10.0.0.1", "--ip", "10.0.0.2", "--port", "9100"}, kExitUsage,
         "--port belongs to a single --ip"},
        {{"send", "wanted.dat", "--param", "--ip", "10.0.0.1", "--ip", "10.0.0.300"}, kExitUsage,
         "--ip wants a dotted address"},
        {{"send", "wanted.dat", "--param", "--ip", "10.0.0.1:9100", "--port", "9100", "--dry-run"}, kExitUsage,
         "give the port in --ip A.B.C.D:PORT or --port, not both"},
        {{"send", "wanted.dat", "--param", "--targets", two, "--ip", "10.0.0.2:12000"}, kExitInput,
         "10.0.0.2:12000 is given twice (" /* the file's line 2 and --ip */},
        {{"read", "--targets", two}, kExitUsage, "-o DIR is required"},
        {{"diff", "--targets", two}, kExitUsage, "missing file name"},
        {{"send", "wanted.dat", "--param", "--targets", "missing.txt"}, kExitInput, "missing.txt: cannot be opened"},
        {{"send", "missing.dat", "--param", "--targets", two}, kExitInput, "missing.dat: cannot be opened"},
        {{"status", "--ip", "10.0.0.1", "--dry-run"}, kExitUsage, "--dry-run and --stop-on-failure belong to send"},
        {{"diff", "a.dat", "--targets", two, "--json"}, kExitUsage, "--json belongs to show and send"},
        {{"show", "a.dat", "--jobs", "2"}, kExitUsage, "--jobs belongs to the commands that talk to printers"},
        {{"show", "a.dat", "--targets", two}, kExitUsage, "does not talk to a printer"},
        {{"send", "wanted.dat", "--param", "--targets", List("# nobody\n", "empty.txt")}, kExitInput,
         "empty.txt: names no printer"},
    };
    for (const auto& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.error;
        EXPECT_THAT(r.err, HasSubstr(c.error));
        EXPECT_EQ(r.out, "") << c.error;
    }

    const Result bad = Run({"send", factoryFile, "--param", "--targets", List("10.0.0.1\nten.0.0.2\n")});
    EXPECT_EQ(bad.code, kExitInput);
    EXPECT_THAT(bad.err, HasSubstr("printers.txt: line 2: 'ten.0.0.2' is none of"));

    env.spoolerTargets = false;
    const Result spooler = Run({"send", factoryFile, "--param", "--targets", List("10.0.0.1\nprinter:LP-1\n")});
    EXPECT_EQ(spooler.code, kExitInput);
    EXPECT_THAT(spooler.err, HasSubstr("printer:LP-1 needs the Windows spooler"));
}

TEST_F(FleetCommand, DryRunReportsEveryPrinterAndTheProgressLineOnlyOnATerminal) {
    tamsel::SettingsRecord wanted = tamsel::SettingsRecord::Factory();
    wanted.param[kestrion::kBackFeedSpeed] = 3;
    const std::string file = Path("wanted.dat");
    ASSERT_EQ(tamsel::SaveSettingsFile(file, wanted), tamsel::SaveResult::Saved);
    const std::string list = List("10.0.0.1:2 = first\n10.0.0.2:1\nlocal:LP-2\n");

    const Result quiet = Run({"send", file, "--param", "--targets", list, "--dry-run"});
    EXPECT_EQ(quiet.code, kExitPrinter) << "one printer could not be read";
    EXPECT_EQ(quiet.err, "");
    EXPECT_THAT(quiet.out, HasSubstr("first: ok: 1 setting(s) would change\n"
                                     "  パラメータ設定1 / バックフィード速度: 6ips → 4ips\n"));
    EXPECT_THAT(quiet.out, HasSubstr("10.0.0.2:1: FAILED: cannot be read\n"
                                     "  DllGetPrinterParam failed: -800 (network failure), system error 111 (error "
                                     "111)\n"));
    EXPECT_THAT(quiet.out, HasSubstr("local:LP-2: FAILED: on a local port, cannot be read\n"));
    EXPECT_THAT(quiet.out, HasSubstr("1 of 3 printer(s) would change; could not be read: 10.0.0.2:1, local:LP-2\n"));

    // One --ip with the list's options is a list of one.
    const Result same = Run({"send", factoryFile, "--adjust", "--ip", "10.0.0.1", "--port", "2", "--dry-run"});
    EXPECT_EQ(same.code, kExitOk);
    EXPECT_THAT(same.out, HasSubstr("10.0.0.1:2: ok: nothing would change\n0 of 1 printer(s) would change\n"));

    env.progressLine = true;
    const Result shown = Run({"send", file, "--param", "--targets", list, "--dry-run", "--jobs", "1"});
    EXPECT_EQ(shown.out, quiet.out);
    EXPECT_THAT(shown.err, HasSubstr("\rkestrion send: 1/3 printers done, "));
    EXPECT_THAT(shown.err, HasSubstr("\rkestrion send: 3/3 printers done, 2 failed"));
    // The line is wiped at the end, so that the report starts on a clean line.
    const std::string wipe = "\r" + std::string(std::strlen("kestrion send: 3/3 printers done, 2 failed"), ' ') + "\r";
    EXPECT_EQ(shown.err.substr(shown.err.size() - wipe.size()), wipe);
}

}  // namespace
}  // namespace kestrion_cli
