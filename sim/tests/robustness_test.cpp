// The simulated printer keeps serving whatever its clients do: garbage,
// half-open and silent connections, connections that vanish, a flood of
// connections from loopback, and it does so without growing.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "sim/port_monitor.h"
#include "sim/posix_io.h"
#include "sim/sim_printer.h"

namespace printersim {
namespace {

using namespace kestrion;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

const Bytes kStatusReply42{0x01, 0x02, '4', '2', kCr, kLf};

PrinterSettings WithStatus42() {
    PrinterSettings s = FactorySettings();
    s.status = 42;
    return s;
}

// Reads until the printer closes or `wait` is over; false on time-out.
bool WaitForClose(int fd, std::chrono::milliseconds wait) {
    const auto deadline = Clock::now() + wait;
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) return false;
        pollfd p{fd, POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(left)) <= 0) continue;
        std::uint8_t buf[4096];
        const ssize_t n = ::recv(fd, buf, sizeof buf, 0);
        if (n <= 0) return true;
    }
}

// Many unknown commands in a row: one log line each.
Bytes UnknownCommands(std::size_t count) {
    Bytes b;
    for (std::size_t i = 0; i < count; ++i) b.insert(b.end(), {kEsc, 'Z', 'Z', kLf, 0x00});
    return b;
}

Bytes Printable(std::size_t size) {
    Bytes b(size);
    for (std::size_t i = 0; i < size; ++i) b[i] = static_cast<std::uint8_t>(0x20 + (i * 31) % 95);
    return b;
}

// --- In process ------------------------------------------------------------------

TEST(SimRobustness, SilentConnectionIsClosedAfterTheIdleTime) {
    SimPrinter printer(0, WithStatus42());
    printer.SetIdleTimeouts(300ms, 100ms);
    UniqueFd silent = ConnectLoopback(printer.Port());
    ASSERT_TRUE(silent);
    const auto start = Clock::now();
    ASSERT_TRUE(WaitForClose(silent.Get(), 3s));
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 2s);
    EXPECT_EQ(TcpLink(printer.Port())(Bytes(kStatusQuery.begin(), kStatusQuery.end())), kStatusReply42);
}

TEST(SimRobustness, SilentConnectionGivesWayToAWaitingClient) {
    SimPrinter printer(0, WithStatus42());
    printer.SetIdleTimeouts(30s, 200ms);
    UniqueFd silent = ConnectLoopback(printer.Port());
    ASSERT_TRUE(silent);
    std::this_thread::sleep_for(50ms);  // accepted and being served
    const auto start = Clock::now();
    EXPECT_EQ(TcpLink(printer.Port())(Bytes(kStatusQuery.begin(), kStatusQuery.end())), kStatusReply42);
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_TRUE(WaitForClose(silent.Get(), 1s));
}

// After each misbehaving client, the printer answers the next one, and its
// settings are what they were.
TEST(SimRobustness, KeepsServingAfterMisbehavingClients) {
    SimPrinter printer(0, WithStatus42());
    printer.SetIdleTimeouts(500ms, 200ms);
    const PrinterSettings before = printer.Model().Settings();
    struct Misbehaviour {
        const char* name;
        std::function<void(int fd)> act;
    };
    const std::vector<Misbehaviour> cases = {
        {"printable garbage", [](int fd) { SendAll(fd, Printable(4096).data(), 4096); }},
        {"binary garbage with ESC",
         [](int fd) {
             Bytes b(8192);
             for (std::size_t i = 0; i < b.size(); ++i) b[i] = static_cast<std::uint8_t>((i * 97 + 13) % 251);
             SendAll(fd, b.data(), b.size());
         }},
        {"a megabyte of garbage", [](int fd) { SendAll(fd, Printable(1 << 20).data(), 1 << 20); }},
        {"half-close without a word", [](int fd) { ::shutdown(fd, SHUT_WR); }},
        {"half a command, then gone",
         [](int fd) { SendAll(fd, kParamQuery.data(), 5); }},
        {"a query, then reset without reading",
         [](int fd) {
             SendAll(fd, kParamQuery.data(), kParamQuery.size());
             const linger hard{1, 0};
             ::setsockopt(fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
         }},
        {"queries, then gone without reading",
         [](int fd) {
             for (int i = 0; i < 200; ++i) SendAll(fd, kParamQuery.data(), kParamQuery.size());
         }},
        {"silent", [](int) {}},
    };
    for (const Misbehaviour& m : cases) {
        {
            UniqueFd client = ConnectLoopback(printer.Port());
            ASSERT_TRUE(client) << m.name;
            m.act(client.Get());
        }  // closed here
        EXPECT_EQ(TcpLink(printer.Port())(Bytes(kStatusQuery.begin(), kStatusQuery.end())), kStatusReply42) << m.name;
        EXPECT_EQ(printer.Model().Settings(), before) << m.name;
    }
    // Of the megabyte, only the first bytes are kept for inspection.
    EXPECT_LE(printer.LastReceived().size(), SimPrinter::kMaxKeptBytes);
}

TEST(SimRobustness, LogKeepsOnlyTheLatestLines) {
    PrinterModel model;
    for (int i = 0; i < 5; ++i) model.Feed(UnknownCommands(PrinterModel::kLogCapacity));
    model.Feed(Bytes(kStatusQuery.begin(), kStatusQuery.end()));
    const std::vector<std::string> log = model.Log();
    EXPECT_GE(log.size(), PrinterModel::kLogCapacity);
    EXPECT_LE(log.size(), 2 * PrinterModel::kLogCapacity);
    ASSERT_FALSE(log.empty());
    EXPECT_NE(log.back().find("StatusQuery"), std::string::npos);
}

// --- The program --------------------------------------------------------------------

std::uint16_t FreePort() {
    UniqueFd probe = ListenLoopback(0);
    return probe ? LocalPort(probe.Get()) : 0;
}

long ResidentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

class Program {
public:
    explicit Program(std::uint16_t port) {
        childPid = ::fork();
        if (childPid == 0) {
            const int null = ::open("/dev/null", O_WRONLY);
            ::dup2(null, STDOUT_FILENO);
            const std::string p = std::to_string(port);
            ::execl(PRINTER_SIM_PATH, PRINTER_SIM_PATH, "--port", p.c_str(), "--status", "42",
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Program() {
        if (childPid > 0) {
            ::kill(childPid, SIGTERM);
            ::waitpid(childPid, nullptr, 0);
        }
    }
    pid_t Pid() const { return childPid; }
    bool Running() const { return childPid > 0 && ::waitpid(childPid, nullptr, WNOHANG) == 0; }

private:
    pid_t childPid = -1;
};

// One client of the flood: a connection that pours unknown commands into the
// printer and goes.
void Pour(std::uint16_t port, const Bytes& bytes) {
    UniqueFd c = ConnectLoopback(port);
    if (c) SendAll(c.Get(), bytes.data(), bytes.size());
}

TEST(SimRobustness, ProgramServesAFloodOfConnectionsWithoutGrowing) {
    const std::uint16_t port = FreePort();
    ASSERT_NE(port, 0);
    Program program(port);
    const JobLink status = TcpLink(port);
    const Bytes query(kStatusQuery.begin(), kStatusQuery.end());
    Bytes first;
    for (int i = 0; i < 50 && (first = status(query)).empty(); ++i) std::this_thread::sleep_for(100ms);
    ASSERT_EQ(first, kStatusReply42);

    const Bytes garbage = UnknownCommands(200);  // 200 log lines per connection
    // Warm up: the log fills to its capacity, the allocator finds its size.
    for (int i = 0; i < 20; ++i) Pour(port, garbage);
    ASSERT_EQ(status(query), kStatusReply42);
    const long before = ResidentKiB(program.Pid());
    ASSERT_GT(before, 0);

    const auto start = Clock::now();
    for (int round = 0; round < 2; ++round) {
        for (int i = 0; i < 100; ++i) Pour(port, garbage);
        // Served after every client of the flood before it.
        EXPECT_EQ(status(query), kStatusReply42) << "round " << round;
        // A burst of clients at once, all waiting while the printer serves one.
        std::vector<std::thread> burst;
        std::vector<Bytes> replies(12);
        for (std::size_t i = 0; i < replies.size(); ++i) {
            burst.emplace_back([&, i] { replies[i] = TcpLink(port)(query); });
        }
        for (std::thread& t : burst) t.join();
        for (const Bytes& r : replies) EXPECT_EQ(r, kStatusReply42) << "round " << round;
        // One client that connects and says nothing, left open.
        UniqueFd silent = ConnectLoopback(port);
        EXPECT_EQ(status(query), kStatusReply42) << "round " << round;
    }
    const auto took = Clock::now() - start;
    const long after = ResidentKiB(program.Pid());

    std::printf("printer-sim resident: %ld KiB before the flood, %ld KiB after\n", before, after);
    EXPECT_TRUE(program.Running());
    EXPECT_EQ(status(query), kStatusReply42);
    // 200 connections and 40 000 log lines later (kept, they would take
    // some 4 MB): no growth beyond noise.
#if defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer holds freed memory back in its quarantine: the
    // resident size says nothing there; the plain build checks it.
    (void)before;
    (void)after;
#else
    EXPECT_LT(after - before, 512) << "resident " << before << " KiB before, " << after << " KiB after";
#endif
    EXPECT_LT(took, 60s);
}

}  // namespace
}  // namespace printersim
