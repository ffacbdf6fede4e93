// Every fault the simulated printer can show, against every operation of the
// library over TCP on loopback: the result code, sysError, the time taken
// against the time-outs, and what the caller's outputs hold afterwards. The
// waits are shortened tenfold (scaled_platform.h); link_slow_test runs the two
// long ones for real.
#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <chrono>
#include <string>

#include "core/protocol.h"
#include "link/core/spool_exchange.h"
#include "link/tests/scaled_platform.h"
#include "link/tests/targets.h"
#include "sim/port_monitor.h"
#include "sim/sim_printer.h"
#include "sim/spooler/sim_spooler.h"

namespace kestrion::link {
namespace {

using namespace std::chrono_literals;
using printersim::Fault;
using printersim::FaultPlan;
using Clock = std::chrono::steady_clock;
using kestrion::testing::kScaledCloseWait;
using kestrion::testing::kScaledReplyWait;
using kestrion::testing::ScaledPlatform;

enum class Op { Status, Param, SetParam, SetAdjust, SetAddress, Reset };
constexpr std::array<Op, 6> kOps{Op::Status, Op::Param, Op::SetParam, Op::SetAdjust, Op::SetAddress, Op::Reset};
const char* OpName(Op op) {
    constexpr const char* names[] = {"Status", "Param", "SetParam", "SetAdjust", "SetAddress", "Reset"};
    return names[static_cast<int>(op)];
}

// How long an operation may take: less than any time-out; one readiness wait
// (but less than the closing handshake); the closing handshake.
enum class Took { Fast, ReplyWait, CloseWait };

struct Outcome {
    std::int32_t result;
    std::int32_t sysError;
    Took took;
};

constexpr Outcome kOk{LINK_OK, 0, Took::Fast};
constexpr Outcome kNetFast{LINK_E_NETWORK, 0, Took::Fast};
constexpr Outcome kNetReplyWait{LINK_E_NETWORK, 0, Took::ReplyWait};
constexpr Outcome kNetCloseWait{LINK_E_NETWORK, 0, Took::CloseWait};
constexpr Outcome kRefused{LINK_E_NETWORK, ECONNREFUSED, Took::Fast};
constexpr Outcome kBadParamReply{LINK_E_PARAM_REPLY, 0, Took::Fast};

FaultPlan PlanFor(Fault kind) {
    FaultPlan f;
    f.kind = kind;
    f.connections = -1;
    return f;
}

struct Row {
    const char* name;
    FaultPlan fault;
    // Status, Param, SetParam, SetAdjust, SetAddress, Reset
    std::array<Outcome, 6> expected;
};

const std::array<Row, 12> kRows = [] {
    FaultPlan split = PlanFor(Fault::SplitReply);
    split.pause = 30ms;
    FaultPlan inData = PlanFor(Fault::TerminatorInData);
    inData.offset = 150;  // behind the decoded fields
    FaultPlan noClose = PlanFor(Fault::NoCloseAfterHalfClose);
    noClose.pause = 2 * kScaledCloseWait;
    FaultPlan delay = PlanFor(Fault::Delay);
    delay.pause = kScaledReplyWait * 3 / 2;
    FaultPlan refuse = PlanFor(Fault::Refuse);
    refuse.pause = 0ms;  // until cleared
    return std::array<Row, 12>{{
        {"None", PlanFor(Fault::None), {kOk, kOk, kOk, kOk, kOk, kOk}},
        // Drained before the command: never taken for the reply.
        {"UnsolicitedBytes", PlanFor(Fault::UnsolicitedBytes), {kOk, kOk, kOk, kOk, kOk, kOk}},
        {"SplitReply", split, {kOk, kOk, kOk, kOk, kOk, kOk}},
        // The status line has a byte behind its end. The settings line fills
        // its 228 bytes exactly, so the byte behind it is never read: it goes
        // with the close.
        {"DataAfterTerminator", PlanFor(Fault::DataAfterTerminator), {kNetFast, kOk, kOk, kOk, kOk, kOk}},
        {"NoTerminator", PlanFor(Fault::NoTerminator), {kNetReplyWait, kNetReplyWait, kOk, kOk, kOk, kOk}},
        // A pair at 150 that arrives with the rest of the line in one read is
        // taken as data: only a read ending right behind it would end the line
        // there (the split case is in loopback_test).
        {"TerminatorInData", inData, {kOk, kOk, kOk, kOk, kOk, kOk}},
        {"ZeroFirstWord", PlanFor(Fault::ZeroFirstWord), {kOk, kBadParamReply, kOk, kOk, kOk, kOk}},
        // The reply came, but the printer never closes: every operation fails
        // after the closing handshake's wait.
        {"NoCloseAfterHalfClose", noClose,
         {kNetCloseWait, kNetCloseWait, kNetCloseWait, kNetCloseWait, kNetCloseWait, kNetCloseWait}},
        // A set has nothing to wait for once the printer has closed.
        {"CloseEarly", PlanFor(Fault::CloseEarly), {kNetFast, kNetFast, kOk, kOk, kOk, kOk}},
        {"Refuse", refuse, {kRefused, kRefused, kRefused, kRefused, kRefused, kRefused}},
        // The reply comes after the readiness wait: the reads give up; the
        // sets have no reply to delay.
        {"Delay", delay, {kNetReplyWait, kNetReplyWait, kOk, kOk, kOk, kOk}},
        // Nothing in the library reads back: the sets succeed.
        {"IgnoreSets", PlanFor(Fault::IgnoreSets), {kOk, kOk, kOk, kOk, kOk, kOk}},
    }};
}();

printersim::PrinterSettings Distinctive() {
    printersim::PrinterSettings s = printersim::FactorySettings();
    s.param[1] = 1;
    s.param[kBackFeedSpeed] = 3;
    s.adjust = {-5, 7, -100, 300, 0, 1, -1, 32000};
    s.address = {PackOctets({192, 168, 1, 20}), PackOctets({255, 255, 255, 0}), PackOctets({192, 168, 1, 1}), 0, 1,
                 12000};
    s.status = 42;
    return s;
}

class FaultMatrix : public ::testing::TestWithParam<std::tuple<std::size_t, Op>> {
protected:
    printersim::SimPrinter printer{0, Distinctive()};
};

TEST_P(FaultMatrix, ResultSysErrorAndTime) {
    const Row& row = kRows[std::get<0>(GetParam())];
    const Op op = std::get<1>(GetParam());
    const Outcome& expected = row.expected[static_cast<int>(op)];
    if (row.fault.kind != Fault::None) printer.InjectFault(row.fault);

    const PrinterTarget t = kestrion::testing::LoopbackTarget(printer.Port());
    Platform& platform = ScaledPlatform();
    std::int32_t sysError = -1;
    std::int32_t status = -7;
    ParamBlock param;
    AdjustBlock adjust;
    AddressBlock address;
    param.fill(-7);
    adjust.fill(-7);
    address.fill(-7);
    const ParamBlock newParam = printersim::FactorySettings().param;
    const AdjustBlock newAdjust{1, -1, 10, -10, 100, -100, 0, 5};
    const AddressBlock newAddress{PackOctets({10, 0, 0, 1}), PackOctets({255, 0, 0, 0}), PackOctets({10, 0, 0, 254}),
                                  1, 0, 2560};
    printersim::Bytes command;

    const auto start = Clock::now();
    std::int32_t result = 0;
    switch (op) {
        case Op::Status: result = GetPrinterStatus(platform, &t, &status, &sysError); break;
        case Op::Param:
            result = GetPrinterParam(platform, &t, param.data(), adjust.data(), address.data(), &sysError);
            break;
        case Op::SetParam: {
            result = SetPrinterParam(platform, &t, newParam.data(), &sysError);
            const auto c = BuildParamSet(newParam.data());
            command.assign(c.begin(), c.end());
            break;
        }
        case Op::SetAdjust: {
            result = SetPrinterAdjust(platform, &t, newAdjust.data(), &sysError);
            const auto c = BuildAdjustSet(newAdjust.data());
            command.assign(c.begin(), c.end());
            break;
        }
        case Op::SetAddress: {
            result = SetPrinterAddress(platform, &t, newAddress.data(), &sysError);
            const auto c = BuildAddressSet(newAddress.data());
            command.assign(c.begin(), c.end());
            break;
        }
        case Op::Reset:
            result = ResetPrinter(platform, &t, &sysError);
            command.assign(kResetCommand.begin(), kResetCommand.end());
            break;
    }
    const auto took = Clock::now() - start;

    EXPECT_EQ(result, expected.result);
    EXPECT_EQ(sysError, expected.sysError);
    switch (expected.took) {
        case Took::Fast: EXPECT_LT(took, kScaledReplyWait); break;
        case Took::ReplyWait:
            EXPECT_GE(took, kScaledReplyWait);
            EXPECT_LT(took, kScaledCloseWait);
            break;
        case Took::CloseWait:
            EXPECT_GE(took, kScaledCloseWait);
            EXPECT_LT(took, kScaledCloseWait + 1500ms);
            break;
    }

    // What the caller holds afterwards.
    const printersim::PrinterSettings held = Distinctive();
    if (op == Op::Status) {
        EXPECT_EQ(status, result == LINK_OK ? held.status : -7);
    }
    if (op == Op::Param) {
        if (result == LINK_OK) {
            EXPECT_EQ(param, held.param);
            EXPECT_EQ(adjust, held.adjust);
            EXPECT_EQ(address, held.address);
        } else {
            EXPECT_EQ(param, ParamBlock{});
            EXPECT_EQ(adjust, AdjustBlock{});
            EXPECT_EQ(address, AddressBlock{});
        }
    }
    // A set that succeeded reached the printer whole.
    if (!command.empty() && result == LINK_OK) {
        EXPECT_EQ(printer.LastReceived(), command);
    }
    printer.ClearFaults();
}

INSTANTIATE_TEST_SUITE_P(EveryFaultEveryOperation, FaultMatrix,
                         ::testing::Combine(::testing::Range<std::size_t>(0, kRows.size()),
                                            ::testing::ValuesIn(kOps)),
                         [](const auto& info) {
                             return std::string(kRows[std::get<0>(info.param)].name) + "_" +
                                    OpName(std::get<1>(info.param));
                         });

// --- Through the spooler ---------------------------------------------------------
//
// The faults of the spooler path: the port monitor's reply late, or never;
// bidirectional support off; a printer the spooler does not know. Reads wait
// the 100 ms before the first fetch for real.

struct SpoolRow {
    const char* name;
    int replyOnFetch;       // the port monitor's reply shows from this fetch on (0: never)
    std::uint32_t attributes;
    bool known;             // the spooler has the printer
    std::array<Outcome, 6> expected;
};

constexpr Outcome kSpoolerFailed{LINK_E_SPOOLER, ENOENT, Took::Fast};
constexpr Outcome kNoBidi{LINK_E_NO_BIDI, 0, Took::Fast};
constexpr Outcome kNoStatusReply{LINK_E_STATUS_REPLY, 0, Took::Fast};
constexpr Outcome kNoParamReply{LINK_E_PARAM_REPLY, 0, Took::Fast};
constexpr std::uint32_t kBidi = simspool::kAttributeEnableBidi;

constexpr std::array<SpoolRow, 5> kSpoolRows{{
    {"ReplyAtOnce", 1, kBidi, true, {kOk, kOk, kOk, kOk, kOk, kOk}},
    {"ReplyOnThirdFetch", 3, kBidi, true, {kOk, kOk, kOk, kOk, kOk, kOk}},
    {"NoReply", 0, kBidi, true, {kNoStatusReply, kNoParamReply, kOk, kOk, kOk, kOk}},
    {"BidiOff", 1, 0, true, {kNoBidi, kNoBidi, kOk, kOk, kOk, kOk}},
    {"UnknownPrinter", 1, kBidi, false,
     {kSpoolerFailed, kSpoolerFailed, kSpoolerFailed, kSpoolerFailed, kSpoolerFailed, kSpoolerFailed}},
}};

class SpoolerFaultMatrix : public ::testing::TestWithParam<std::tuple<std::size_t, Op>> {
protected:
    void TearDown() override {
        EXPECT_EQ(simspool::SimSpooler::Instance().OpenHandles(), 0u) << "a printer handle was left open";
        simspool::SimSpooler::Instance().Reset();
    }
    printersim::PrinterModel model{Distinctive()};
};

TEST_P(SpoolerFaultMatrix, ResultSysErrorAndTime) {
    const SpoolRow& row = kSpoolRows[std::get<0>(GetParam())];
    const Op op = std::get<1>(GetParam());
    const Outcome& expected = row.expected[static_cast<int>(op)];
    constexpr const char* kName = "Vantorelli LP-1 (USB)";
    simspool::SimSpooler& spooler = simspool::SimSpooler::Instance();
    spooler.Reset();
    auto monitor = std::make_shared<printersim::PortMonitor>(printersim::InProcessLink(model));
    monitor->SetReplyOnFetch(row.replyOnFetch);
    if (row.known) {
        spooler.AddPrinterQueue(
            kName, row.attributes,
            {[monitor](const std::string& p, const printersim::Bytes& job) { monitor->SubmitJob(p, job); },
             [monitor](const std::string& v, std::uint8_t* b, std::size_t n) { return monitor->Fetch(v, b, n); }});
    }

    const PrinterTarget t = kestrion::testing::SpoolerTarget(kName);
    Platform& platform = DefaultPlatform();
    std::int32_t sysError = -1, status = -7;
    ParamBlock param;
    param.fill(-7);
    AdjustBlock adjust{};
    AddressBlock address{};
    const ParamBlock newParam = printersim::FactorySettings().param;
    const AdjustBlock newAdjust{1, -1, 10, -10, 100, -100, 0, 5};
    const AddressBlock newAddress = Distinctive().address;
    const bool reads = op == Op::Status || op == Op::Param;

    const auto start = Clock::now();
    std::int32_t result = 0;
    switch (op) {
        case Op::Status: result = GetPrinterStatus(platform, &t, &status, &sysError); break;
        case Op::Param:
            result = GetPrinterParam(platform, &t, param.data(), adjust.data(), address.data(), &sysError);
            break;
        case Op::SetParam: result = SetPrinterParam(platform, &t, newParam.data(), &sysError); break;
        case Op::SetAdjust: result = SetPrinterAdjust(platform, &t, newAdjust.data(), &sysError); break;
        case Op::SetAddress: result = SetPrinterAddress(platform, &t, newAddress.data(), &sysError); break;
        case Op::Reset: result = ResetPrinter(platform, &t, &sysError); break;
    }
    const auto took = Clock::now() - start;

    EXPECT_EQ(result, expected.result);
    EXPECT_EQ(sysError, expected.sysError);
    // A read that submitted its job pauses 100 ms before fetching; nothing
    // else waits on this path.
    const bool paused = reads && row.known && row.attributes == kBidi;
    if (paused) {
        EXPECT_GE(took, std::chrono::milliseconds(kReplyPauseMs));
    }
    EXPECT_LT(took, std::chrono::milliseconds(kReplyPauseMs) + 400ms);

    const auto jobs = spooler.Jobs();
    // No job without bidirectional support for a read, none for an unknown printer.
    const bool submitted = row.known && (!reads || row.attributes == kBidi);
    ASSERT_EQ(jobs.size(), submitted ? 1u : 0u);
    if (submitted) {
        // A job whose reply never came is cancelled; every other one is not.
        EXPECT_EQ(jobs[0].cancelled, reads && row.replyOnFetch == 0);
    }
    if (op == Op::Status) {
        EXPECT_EQ(status, result == LINK_OK ? 42 : -7);
    }
    if (op == Op::Param && result != LINK_OK) {
        EXPECT_EQ(param, ParamBlock{});
    }
    if (op == Op::Param && result == LINK_OK) {
        EXPECT_EQ(param, Distinctive().param);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryFaultEveryOperation, SpoolerFaultMatrix,
                         ::testing::Combine(::testing::Range<std::size_t>(0, kSpoolRows.size()),
                                            ::testing::ValuesIn(kOps)),
                         [](const auto& info) {
                             return std::string(kSpoolRows[std::get<0>(info.param)].name) + "_" +
                                    OpName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace kestrion::link
