// The two long waits of the socket exchange, for real: 5 s for the reply and
// 20 s for the printer's close after the half-close.
#include <gtest/gtest.h>

#include <chrono>

#include "link/tests/targets.h"
#include "link/core/operations.h"
#include "sim/sim_printer.h"

namespace kestrion::link {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

using kestrion::testing::LoopbackTarget;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

TEST(SlowTimeout, ReplyThatNeverEndsFailsAfterTheFiveSecondWait) {
    printersim::SimPrinter printer;
    printersim::FaultPlan f;
    f.kind = printersim::Fault::NoTerminator;
    printer.InjectFault(f);
    const PrinterTarget t = LoopbackTarget(printer.Port());
    std::int32_t status = -1, sysError = -1;
    const auto start = Clock::now();
    EXPECT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_E_NETWORK);
    const double took = Seconds(Clock::now() - start);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(status, -1);
    EXPECT_GE(took, 4.9);
    EXPECT_LT(took, 8.0);
}

TEST(SlowTimeout, PrinterKeepingTheConnectionOpenFailsAfterTwentySeconds) {
    printersim::SimPrinter printer;
    printersim::FaultPlan f;
    f.kind = printersim::Fault::NoCloseAfterHalfClose;
    f.pause = 30s;  // longer than the library waits
    printer.InjectFault(f);
    const PrinterTarget t = LoopbackTarget(printer.Port());
    std::int32_t status = -1, sysError = -1;
    const auto start = Clock::now();
    EXPECT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_E_NETWORK);
    const double took = Seconds(Clock::now() - start);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(status, -1);  // the reply came, but the operation failed
    EXPECT_GE(took, 19.9);
    EXPECT_LT(took, 24.0);
}

}  // namespace
}  // namespace kestrion::link
