// Echo checks that cannot succeed, for real (see link/CMakeLists.txt for how
// each is run): inside a private network namespace whose loopback ignores
// echo requests, and in a process that may open neither kind of ICMP socket.
#include <gtest/gtest.h>

#include <chrono>
#include <cerrno>
#include <fstream>

#include "link/tests/targets.h"
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
    const PrinterTarget t = kestrion::testing::LoopbackTarget(printer.Port());
    std::int32_t param[31], adjust[8], address[6], sysError = -1;
    const auto start = Clock::now();
    EXPECT_EQ(GetPrinterParam(DefaultPlatform(), &t, param, adjust, address, &sysError), LINK_E_NETWORK);
    const double took = std::chrono::duration<double>(Clock::now() - start).count();
    EXPECT_GE(took, 0.95);
    EXPECT_LT(took, 2.0);
    EXPECT_EQ(sysError, 0);  // a time-out is no failing call
    EXPECT_EQ(printer.ConnectionsAccepted(), 0);
    for (std::int32_t v : param) EXPECT_EQ(v, 0);
}

// Run without CAP_NET_RAW while ping_group_range admits no group: neither a
// datagram nor a raw ICMP socket can be opened.
TEST(NoIcmpSocket, OperationFailsWithTheSocketError) {
    printersim::SimPrinter printer;
    const PrinterTarget t = kestrion::testing::LoopbackTarget(printer.Port());
    std::int32_t status = -1, sysError = -1;
    EXPECT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_E_NETWORK);
    EXPECT_EQ(sysError, EPERM);  // the raw socket's refusal, the last one tried
    EXPECT_EQ(status, -1);
    EXPECT_EQ(printer.ConnectionsAccepted(), 0);
}

}  // namespace
}  // namespace kestrion::link
