// Run inside a private network namespace whose loopback ignores ICMP echo
// (see link/CMakeLists.txt): the printer listens, but the echo check finds no
// answer, so the operation fails after the 1 s echo wait without any
// connection attempt.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>

#include "link/core/operations.h"
#include "sim/sim_printer.h"

namespace kestrion::link {
namespace {

using Clock = std::chrono::steady_clock;

TEST(NoEcho, OperationFailsAfterTheEchoWaitWithoutConnecting) {
    int ignoring = 0;
    std::ifstream("/proc/sys/net/ipv4/icmp_echo_ignore_all") >> ignoring;
    ASSERT_EQ(ignoring, 1) << "this test runs in a namespace that ignores echo requests";

    printersim::SimPrinter printer;
    PrinterTarget t{};
    t.connection = 1;
    t.ipAddress[0] = 127;
    t.ipAddress[3] = 1;
    t.port = printer.port();
    std::int32_t param[31], adjust[8], address[6], sysError = -1;
    const auto start = Clock::now();
    EXPECT_EQ(GetPrinterParam(DefaultPlatform(), &t, param, adjust, address, &sysError), LINK_E_NETWORK);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(took, 0.95);
    EXPECT_LT(took, 2.0);
    EXPECT_EQ(sysError, 0);  // a time-out is no failing call
    EXPECT_EQ(printer.connections_accepted(), 0);
    for (std::int32_t v : param) EXPECT_EQ(v, 0);
}

}  // namespace
}  // namespace kestrion::link
