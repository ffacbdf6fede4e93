// The two programs as a script or Wine's spooler runs them.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "sim/port_monitor.h"
#include "sim/posix_io.h"
#include "sim/sim_printer.h"

namespace printersim {
namespace {

using namespace kestrion;
using namespace std::chrono_literals;
using ::testing::HasSubstr;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

class TempDir {
public:
    TempDir() {
        char pattern[] = "/tmp/simtestXXXXXX";
        dirPath = ::mkdtemp(pattern);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(dirPath, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return dirPath / name; }

private:
    std::filesystem::path dirPath;
};

void WriteFile(const std::filesystem::path& path, const Bytes& data) {
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(data.data()),
                                                 static_cast<std::streamsize>(data.size()));
}

Bytes ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

int RunPortmon(std::uint16_t port, const std::filesystem::path& job, const std::filesystem::path& out) {
    const std::string command = std::string(SIM_PORTMON_PATH) + " --port " + std::to_string(port) + " --out '" +
                                out.string() + "' < '" + job.string() + "' 2>/dev/null";
    return std::system(command.c_str());
}

TEST(SimPortmonTest, WritesTheEnvelopedReplyOrNothing) {
    PrinterSettings s = FactorySettings();
    s.status = 3;
    SimPrinter printer(0, s);
    TempDir dir;

    WriteFile(dir / "query.prn", ToBytes(kStatusQuery));
    ASSERT_EQ(RunPortmon(printer.Port(), dir / "query.prn", dir / "reply"), 0);
    EXPECT_EQ(ReadFile(dir / "reply"), (Bytes{0, 0, 0, 0, 1, 0, 0, 0, 0x01, 0x02, '0', '3', 0x0D, 0x0A}));

    // A set job has no reply: no value, and the earlier one is gone.
    ParamBlock p = FactorySettings().param;
    p[kZeroSlash] = 1;
    WriteFile(dir / "set.prn", ToBytes(BuildParamSet(p.data())));
    ASSERT_EQ(RunPortmon(printer.Port(), dir / "set.prn", dir / "reply"), 0);
    EXPECT_FALSE(std::filesystem::exists(dir / "reply"));
    EXPECT_EQ(printer.Model().Settings().param[kZeroSlash], 1);

    WriteFile(dir / "param.prn", ToBytes(kParamQuery));
    ASSERT_EQ(RunPortmon(printer.Port(), dir / "param.prn", dir / "reply"), 0);
    const Bytes value = ReadFile(dir / "reply");
    ASSERT_EQ(value.size(), kEnvelopeSize + kParamReplyLength);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(value.data() + kEnvelopeSize, param.data(), adjust.data(), address.data()));
    EXPECT_EQ(param[kZeroSlash], 1);
}

// printer-sim started as a person would start it, watched through its output.
class PrinterSimProgram {
public:
    explicit PrinterSimProgram(const std::vector<std::string>& args) {
        int fds[2];
        if (::pipe(fds) != 0) return;
        childPid = ::fork();
        if (childPid == 0) {
            ::dup2(fds[1], STDOUT_FILENO);
            ::close(fds[0]);
            ::close(fds[1]);
            std::vector<char*> argv{const_cast<char*>(PRINTER_SIM_PATH)};
            for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
            argv.push_back(nullptr);
            ::execv(PRINTER_SIM_PATH, argv.data());
            ::_exit(127);
        }
        ::close(fds[1]);
        outputFd = fds[0];
    }
    ~PrinterSimProgram() {
        if (childPid > 0) {
            ::kill(childPid, SIGKILL);
            ::waitpid(childPid, nullptr, 0);
        }
        if (outputFd >= 0) ::close(outputFd);
    }

    // The next line of output, waiting at most `wait`; empty on time-out or end.
    std::string Line(std::chrono::milliseconds wait = 3s) {
        const auto deadline = std::chrono::steady_clock::now() + wait;
        for (;;) {
            const auto nl = outputBuffer.find('\n');
            if (nl != std::string::npos) {
                std::string line = outputBuffer.substr(0, nl);
                outputBuffer.erase(0, nl + 1);
                return line;
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
            pollfd p{outputFd, POLLIN, 0};
            if (left.count() <= 0 || ::poll(&p, 1, static_cast<int>(left.count())) <= 0) return {};
            char buf[512];
            const ssize_t n = ::read(outputFd, buf, sizeof buf);
            if (n <= 0) return {};
            outputBuffer.append(buf, static_cast<std::size_t>(n));
        }
    }

    // Sends SIGTERM and returns the exit status.
    int Terminate() {
        ::kill(childPid, SIGTERM);
        int status = 0;
        ::waitpid(childPid, &status, 0);
        childPid = -1;
        return status;
    }

private:
    pid_t childPid = -1;
    int outputFd = -1;
    std::string outputBuffer;
};

std::uint16_t PortFromBanner(const std::string& banner) {
    const auto colon = banner.find("127.0.0.1:");
    if (colon == std::string::npos) return 0;
    return static_cast<std::uint16_t>(std::stoi(banner.substr(colon + 10)));
}

TEST(PrinterSimProgramTest, PrintsOneLinePerCommandAndStopsOnSigterm) {
    PrinterSimProgram program({"--port", "0", "--status", "42", "--dip", "1000000001", "--ip", "10.0.0.1",
                               "--param", "25=3"});
    const std::string banner = program.Line();
    ASSERT_THAT(banner, HasSubstr("listening on 127.0.0.1:"));
    const std::uint16_t port = PortFromBanner(banner);
    ASSERT_NE(port, 0);

    const JobLink link = TcpLink(port);
    EXPECT_EQ(link(ToBytes(kStatusQuery)), (Bytes{0x01, 0x02, '4', '2', 0x0D, 0x0A}));
    const Bytes reply = link(ToBytes(kParamQuery));
    ASSERT_EQ(reply.size(), kParamReplyLength);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(reply.data(), param.data(), adjust.data(), address.data()));
    EXPECT_EQ(param[0], 1);
    EXPECT_EQ(param[9], 1);
    EXPECT_EQ(param[1], 0);
    EXPECT_EQ(param[kBackFeedSpeed], 3);
    EXPECT_EQ(FormatDotted(address[kIpAddress]), "10.0.0.1");

    std::vector<std::string> commands;
    for (std::string line; commands.size() < 2 && !(line = program.Line()).empty();) {
        if (line.rfind("-- ", 0) != 0) commands.push_back(line);
    }
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_THAT(commands[0], HasSubstr("StatusQuery: answered status 42"));
    EXPECT_THAT(commands[1], HasSubstr("ParamQuery"));

    const int status = program.Terminate();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(PrinterSimProgramTest, FaultSwitchAndSettingsFile) {
    TempDir dir;
    // A settings file as the panel program saves it: header, tags, blocks.
    Bytes image(228, 0);
    const char header[] = "KVT Vantorelli 7K4R;";
    std::copy(header, header + 20, image.begin());
    image[28 + 4 * kZeroSlash] = 1;         // PARAM[18]
    image[28 + 0] = 3;                       // DIP switch 1 "not available"
    image[204 + 4 * kSocketPort] = 0x8C;     // ADDRESS[5] = 9100, little-endian
    image[204 + 4 * kSocketPort + 1] = 0x23;
    WriteFile(dir / "start.dat", image);

    PrinterSimProgram program({"--port", "0", "--load", (dir / "start.dat").string(), "--fault", "noterm,n=1"});
    const std::uint16_t port = PortFromBanner(program.Line());
    ASSERT_NE(port, 0);
    const JobLink link = TcpLink(port);
    const Bytes first = link(ToBytes(kParamQuery));
    ASSERT_EQ(first.size(), kParamReplyLength - 2);  // the fault: no CR LF
    const Bytes second = link(ToBytes(kParamQuery));
    ASSERT_EQ(second.size(), kParamReplyLength);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(second.data(), param.data(), adjust.data(), address.data()));
    EXPECT_EQ(param[kZeroSlash], 1);
    EXPECT_EQ(param[0], 0);
    EXPECT_EQ(address[kSocketPort], 9100);
    EXPECT_EQ(WEXITSTATUS(program.Terminate()), 0);
}

// Sends one control line and returns the answer line.
std::string ControlLine(int fd, const std::string& line) {
    const std::string out = line + "\n";
    EXPECT_TRUE(SendAll(fd, reinterpret_cast<const std::uint8_t*>(out.data()), out.size()));
    std::string answer;
    char c = 0;
    while (::recv(fd, &c, 1, 0) == 1 && c != '\n') answer += c;
    return answer;
}

TEST(PrinterSimProgramTest, ControlChannelArmsAndClearsFaults) {
    PrinterSimProgram program({"--port", "0", "--control-port", "0", "--status", "9"});
    const std::uint16_t port = PortFromBanner(program.Line());
    const std::uint16_t controlPort = PortFromBanner(program.Line());
    ASSERT_NE(port, 0);
    ASSERT_NE(controlPort, 0);
    UniqueFd control = ConnectLoopback(controlPort);
    ASSERT_TRUE(control);
    const JobLink link = TcpLink(port);

    EXPECT_EQ(ControlLine(control.Get(), "fault noterm,n=-1"), "ok");
    EXPECT_EQ(link(ToBytes(kStatusQuery)), (Bytes{0x01, 0x02, '0', '9'}));
    EXPECT_EQ(link(ToBytes(kStatusQuery)), (Bytes{0x01, 0x02, '0', '9'}));
    EXPECT_EQ(ControlLine(control.Get(), "clear"), "ok");
    EXPECT_EQ(ControlLine(control.Get(), "status 51"), "ok");
    EXPECT_EQ(link(ToBytes(kStatusQuery)), (Bytes{0x01, 0x02, '5', '1', 0x0D, 0x0A}));
    link(ToBytes(kResetCommand));
    EXPECT_EQ(ControlLine(control.Get(), "resets"), "ok 1");
    EXPECT_THAT(ControlLine(control.Get(), "fault sideways"), HasSubstr("error: unknown fault"));
    EXPECT_THAT(ControlLine(control.Get(), "status 100"), HasSubstr("error: bad status"));
    EXPECT_EQ(WEXITSTATUS(program.Terminate()), 0);
}

// "values" reports what the printer holds, "restore" puts back what it
// started with, so that one run can serve tests that change the settings.
TEST(PrinterSimProgramTest, ControlChannelReportsAndRestoresTheSettings) {
    PrinterSimProgram program({"--port", "0", "--control-port", "0", "--adjust", "2=57", "--socket-port", "2560"});
    const std::uint16_t port = PortFromBanner(program.Line());
    const std::uint16_t controlPort = PortFromBanner(program.Line());
    UniqueFd control = ConnectLoopback(controlPort);
    ASSERT_TRUE(control);

    const auto values = [&] {
        std::vector<long> numbers;
        const std::string line = ControlLine(control.Get(), "values");
        EXPECT_EQ(line.rfind("ok ", 0), 0u) << line;
        std::istringstream in(line.substr(2));
        for (long v; in >> v;) numbers.push_back(v);
        return numbers;
    };
    std::vector<long> start = values();
    ASSERT_EQ(start.size(), kParamCount + kAdjustCount + kAddressCount);
    EXPECT_EQ(start[kParamCount + 2], 57);
    EXPECT_EQ(start.back(), 2560);

    AdjustBlock adjust{};
    adjust[2] = -120;
    adjust[7] = 33;
    const auto set = BuildAdjustSet(adjust.data());
    TcpLink(port)(Bytes(set.begin(), set.end()));
    std::vector<long> changed = values();
    ASSERT_EQ(changed.size(), start.size());
    EXPECT_EQ(changed[kParamCount + 2], -120);
    EXPECT_EQ(changed[kParamCount + 7], 33);

    EXPECT_EQ(ControlLine(control.Get(), "socket-port 12000"), "ok");
    EXPECT_EQ(values().back(), 12000);
    EXPECT_THAT(ControlLine(control.Get(), "socket-port 70000"), HasSubstr("error: bad socket port"));

    EXPECT_EQ(ControlLine(control.Get(), "restore"), "ok");
    EXPECT_EQ(values(), start);
    EXPECT_EQ(WEXITSTATUS(program.Terminate()), 0);
}

TEST(PrinterSimProgramTest, SeveralPrintersOnConsecutivePortsWithTheirOwnFaults) {
    PrinterSimProgram program({"--port", "0", "--count", "3", "--status", "5", "--fault", "1:refuse"});
    std::vector<std::uint16_t> ports;
    for (int i = 0; i < 3; ++i) {
        const std::string banner = program.Line();
        ASSERT_THAT(banner, HasSubstr("(printer " + std::to_string(i) + ", "));
        ports.push_back(PortFromBanner(banner));
    }
    ASSERT_NE(ports[0], 0);
    EXPECT_EQ(ports[1], ports[0] + 1);
    EXPECT_EQ(ports[2], ports[0] + 2);

    EXPECT_EQ(TcpLink(ports[0])(ToBytes(kStatusQuery)), (Bytes{0x01, 0x02, '0', '5', 0x0D, 0x0A}));
    EXPECT_FALSE(ConnectLoopback(ports[1])) << "printer 1 refuses";
    // Printer 2 keeps its own settings: a set there changes no other printer.
    ParamBlock p = FactorySettings().param;
    p[kZeroSlash] = 1;
    TcpLink(ports[2])(ToBytes(BuildParamSet(p.data())));
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(TcpLink(ports[2])(ToBytes(kParamQuery)).data(), param.data(), adjust.data(),
                                 address.data()));
    EXPECT_EQ(param[kZeroSlash], 1);
    ASSERT_TRUE(DecodeParamReply(TcpLink(ports[0])(ToBytes(kParamQuery)).data(), param.data(), adjust.data(),
                                 address.data()));
    EXPECT_EQ(param[kZeroSlash], 0);

    // Every line says which printer it is about.
    bool sawSet = false;
    for (std::string line; !sawSet && !(line = program.Line()).empty();) {
        if (line.find("ParamSet") != std::string::npos) {
            EXPECT_EQ(line.rfind("[2] ParamSet", 0), 0u) << line;
            sawSet = true;
        }
    }
    EXPECT_TRUE(sawSet);
    EXPECT_EQ(WEXITSTATUS(program.Terminate()), 0);
}

TEST(PrinterSimProgramTest, BadOptionIsAUsageError) {
    PrinterSimProgram program({"--count", "2", "--fault", "2:refuse"});
    EXPECT_EQ(program.Line(), "");  // nothing on stdout: the message and the usage go to stderr
    const int status = program.Terminate();
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 2);
}

}  // namespace
}  // namespace printersim
