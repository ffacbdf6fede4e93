// The link library over real POSIX sockets against the simulated printer on
// 127.0.0.1, and over the simulated spooler whose port monitor is the
// simulator's stand-in.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fcntl.h>

#include <cerrno>
#include <cstring>
#include <chrono>
#include <memory>
#include <thread>

#include "link/tests/targets.h"
#include "link/core/operations.h"
#include "link/posix/posix_sockets.h"
#include "sim/spooler/sim_spooler.h"
#include "sim/port_monitor.h"
#include "sim/sim_printer.h"

namespace kestrion::link {
namespace {

using namespace std::chrono_literals;
using printersim::Fault;
using printersim::FaultPlan;
using Clock = std::chrono::steady_clock;
using printersim::Bytes;

using kestrion::testing::LoopbackTarget;

FaultPlan MakeFault(Fault kind) {
    FaultPlan f;
    f.kind = kind;
    return f;
}

printersim::PrinterSettings Distinctive() {
    printersim::PrinterSettings s = printersim::FactorySettings();
    s.param[0] = 1;  // DIP switch 1
    s.param[9] = 1;  // DIP switch 10
    s.param[kBackFeedSpeed] = 3;
    s.param[kPrintDirection] = 2;
    s.adjust = {-5, 7, -100, 300, 0, 1, -1, 32000};
    s.address = {PackOctets({192, 168, 1, 20}), PackOctets({255, 255, 255, 0}), PackOctets({192, 168, 1, 1}), 0, 1,
                 9100};
    s.status = 42;
    return s;
}

class LoopbackTest : public ::testing::Test {
protected:
    std::int32_t ReadParam() {
        const PrinterTarget t = LoopbackTarget(printer.Port());
        return GetPrinterParam(DefaultPlatform(), &t, param.data(), adjust.data(), address.data(), &sysError);
    }

    printersim::SimPrinter printer{0, Distinctive()};
    std::int32_t sysError = -1;
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
};

TEST_F(LoopbackTest, ReadsStatusAndSettings) {
    const PrinterTarget t = LoopbackTarget(printer.Port());
    std::int32_t status = -1;
    ASSERT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_OK);
    EXPECT_EQ(status, 42);
    EXPECT_EQ(sysError, 0);

    ASSERT_EQ(ReadParam(), LINK_OK);
    const printersim::PrinterSettings s = printer.Model().Settings();
    EXPECT_EQ(param, s.param);
    EXPECT_EQ(adjust, s.adjust);
    EXPECT_EQ(address, s.address);
}

TEST_F(LoopbackTest, SetsAreAppliedAndReadBack) {
    const PrinterTarget t = LoopbackTarget(printer.Port());
    ParamBlock newParam = printer.Model().Settings().param;
    newParam[kBackFeedSpeed] = 1;
    newParam[kStatusAutoSend] = 2;
    newParam[kPageControl] = 1;
    const AdjustBlock newAdjust{3, -3, 250, -250, 10, -10, 0, 5};
    // 10.0.0.1 and socket port 2560 carry 0A 00 in the command's data.
    const AddressBlock newAddress{PackOctets({10, 0, 0, 1}), PackOctets({255, 0, 0, 0}), PackOctets({10, 0, 0, 254}),
                                  1, 0, 2560};
    ASSERT_EQ(SetPrinterParam(DefaultPlatform(), &t, newParam.data(), &sysError), LINK_OK);
    ASSERT_EQ(SetPrinterAdjust(DefaultPlatform(), &t, newAdjust.data(), &sysError), LINK_OK);
    ASSERT_EQ(SetPrinterAddress(DefaultPlatform(), &t, newAddress.data(), &sysError), LINK_OK);
    const int resets = printer.Model().ResetCount();
    ASSERT_EQ(ResetPrinter(DefaultPlatform(), &t, &sysError), LINK_OK);
    EXPECT_EQ(printer.Model().ResetCount(), resets + 1);

    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(param, newParam);
    EXPECT_EQ(adjust, newAdjust);
    EXPECT_EQ(address, newAddress);
}

// The decoded fields of a settings reply hold 0A 00 for the address 10.0.0.1
// (bytes 84-85) and socket port 2560 (bytes 96-97). A read that ends right
// behind such a pair must not end the reply there.
TEST_F(LoopbackTest, SettingsReplySplitBehindFieldBytes0A00IsReadWhole) {
    printersim::PrinterSettings s = Distinctive();
    s.address = {PackOctets({10, 0, 0, 1}), PackOctets({255, 255, 0, 0}), PackOctets({10, 0, 0, 2}), 0, 0, 2560};
    printer.Model().SetSettings(s);
    for (std::size_t split : {86u, 98u}) {
        FaultPlan f = MakeFault(Fault::SplitReply);
        f.splitAt = split;
        f.pause = 50ms;
        printer.InjectFault(f);
        ASSERT_EQ(ReadParam(), LINK_OK) << "split at " << split;
        EXPECT_EQ(address, s.address) << "split at " << split;
        EXPECT_EQ(adjust, s.adjust) << "split at " << split;
    }
}

TEST_F(LoopbackTest, StatusReplyInTwoPieces) {
    FaultPlan f = MakeFault(Fault::SplitReply);
    f.splitAt = 3;
    f.pause = 50ms;
    printer.InjectFault(f);
    const PrinterTarget t = LoopbackTarget(printer.Port());
    std::int32_t status = -1;
    ASSERT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_OK);
    EXPECT_EQ(status, 42);
}

// A client that reaches its drain a little late, so that bytes the printer
// sends right after accepting are waiting by then.
class LateDrainSockets : public PosixSockets {
public:
    int WaitReadable(SocketHandle socket, std::uint32_t timeoutMs) override {
        if (timeoutMs == 0 && !slept) {
            std::this_thread::sleep_for(100ms);
            slept = true;
        }
        return PosixSockets::WaitReadable(socket, timeoutMs);
    }

private:
    bool slept = false;
};

TEST_F(LoopbackTest, UnsolicitedBytesAreDiscarded) {
    FaultPlan f = MakeFault(Fault::UnsolicitedBytes);
    f.bytes = {0x01, 0x02, 0x39, 0x39, 0x0D, 0x0A};  // a status of 99 nobody asked for
    printer.InjectFault(f);
    LateDrainSockets sockets;
    Platform platform{DefaultPlatform().spooler, sockets};
    const PrinterTarget t = LoopbackTarget(printer.Port());
    std::int32_t status = -1;
    ASSERT_EQ(GetPrinterStatus(platform, &t, &status, &sysError), LINK_OK);
    EXPECT_EQ(status, 42);
}

struct FaultCase {
    const char* name;
    Fault kind;
    bool settings;  // read the settings (else the status)
    std::int32_t result;
};

class LoopbackFaults : public LoopbackTest, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(LoopbackFaults, GiveTheirCodeWithoutSysError) {
    const FaultCase& c = GetParam();
    printer.InjectFault(MakeFault(c.kind));
    const PrinterTarget t = LoopbackTarget(printer.Port());
    std::int32_t status = -1;
    const std::int32_t result = c.settings ? ReadParam() : GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError);
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(status, -1);
}

INSTANTIATE_TEST_SUITE_P(Faults, LoopbackFaults,
                         ::testing::Values(FaultCase{"DataAfterTerminator", Fault::DataAfterTerminator, false,
                                                     LINK_E_NETWORK},
                                           FaultCase{"CloseEarly", Fault::CloseEarly, false, LINK_E_NETWORK},
                                           FaultCase{"CloseEarlySettings", Fault::CloseEarly, true, LINK_E_NETWORK},
                                           FaultCase{"ZeroFirstWord", Fault::ZeroFirstWord, true,
                                                     LINK_E_PARAM_REPLY}),
                         [](const auto& info) { return std::string(info.param.name); });

// A pair behind the decoded fields, with the read ending elsewhere: data
// behind the end of the line.
TEST_F(LoopbackTest, TerminatorBehindTheFieldsIsMalformed) {
    FaultPlan pair = MakeFault(Fault::TerminatorInData);
    pair.offset = 150;
    printer.InjectFault(pair);
    FaultPlan split = MakeFault(Fault::SplitReply);
    split.splitAt = 160;
    split.pause = 50ms;
    printer.InjectFault(split);
    EXPECT_EQ(ReadParam(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 0);
    for (auto v : param) EXPECT_EQ(v, 0);
}

TEST_F(LoopbackTest, SetOperationWithoutAnyReplySucceeds) {
    const PrinterTarget t = LoopbackTarget(printer.Port());
    printer.InjectFault(MakeFault(Fault::IgnoreSets));
    const AdjustBlock newAdjust{1, 1, 1, 1, 1, 1, 1, 1};
    ASSERT_EQ(SetPrinterAdjust(DefaultPlatform(), &t, newAdjust.data(), &sysError), LINK_OK);
    EXPECT_EQ(sysError, 0);
    const Bytes sent = printer.LastReceived();
    const AdjustSetBytes expected = BuildAdjustSet(newAdjust.data());
    EXPECT_EQ(sent, Bytes(expected.begin(), expected.end()));
}

TEST_F(LoopbackTest, RefusedConnectionCarriesTheRefusal) {
    printer.InjectFault(MakeFault(Fault::Refuse));
    const PrinterTarget t = LoopbackTarget(printer.Port());
    EXPECT_EQ(ResetPrinter(DefaultPlatform(), &t, &sysError), LINK_E_NETWORK);
    EXPECT_EQ(sysError, ECONNREFUSED);
}

TEST_F(LoopbackTest, EveryOperationLeavesNoDescriptorBehind) {
    auto openDescriptors = [] {
        int n = 0;
        for (int fd = 0; fd < 1024; ++fd) n += ::fcntl(fd, F_GETFD) != -1;
        return n;
    };
    const PrinterTarget t = LoopbackTarget(printer.Port());
    ASSERT_EQ(ReadParam(), LINK_OK);  // settle anything lazily opened
    const int before = openDescriptors();
    ASSERT_EQ(ReadParam(), LINK_OK);
    ASSERT_EQ(ResetPrinter(DefaultPlatform(), &t, &sysError), LINK_OK);
    printer.InjectFault(MakeFault(Fault::CloseEarly));
    EXPECT_EQ(ReadParam(), LINK_E_NETWORK);
    EXPECT_EQ(openDescriptors(), before);
}

// --- The simulated spooler ------------------------------------------------------

class SpoolerLoopbackTest : public ::testing::Test {
protected:
    void SetUp() override {
        simspool::SimSpooler::Instance().Reset();
        monitor = std::make_shared<printersim::PortMonitor>(printersim::InProcessLink(model));
        simspool::SimSpooler::Instance().AddPrinterQueue(kName, simspool::kAttributeEnableBidi, Hooks(monitor));
    }
    void TearDown() override {
        EXPECT_EQ(simspool::SimSpooler::Instance().OpenHandles(), 0u);
        simspool::SimSpooler::Instance().Reset();
    }
    static simspool::PortMonitorHooks Hooks(std::shared_ptr<printersim::PortMonitor> m) {
        return {[m](const std::string& p, const Bytes& job) { m->SubmitJob(p, job); },
                [m](const std::string& v, std::uint8_t* b, std::size_t n) { return m->Fetch(v, b, n); }};
    }
    PrinterTarget Target(const char* name = kName) { return kestrion::testing::SpoolerTarget(name); }
    std::int32_t ReadParam() {
        const PrinterTarget t = Target();
        return GetPrinterParam(DefaultPlatform(), &t, param.data(), adjust.data(), address.data(), &sysError);
    }
    std::vector<simspool::Job> Jobs() { return simspool::SimSpooler::Instance().Jobs(); }

    static constexpr const char* kName = "Vantorelli LP-1 (USB)";
    printersim::PrinterModel model{Distinctive()};
    std::shared_ptr<printersim::PortMonitor> monitor;
    std::int32_t sysError = -1;
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
};

TEST_F(SpoolerLoopbackTest, ReadsAndSetsThroughPrintJobs) {
    const PrinterTarget t = Target();
    std::int32_t status = -1;
    ASSERT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_OK);
    EXPECT_EQ(status, 42);
    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(address, model.Settings().address);

    const AdjustBlock newAdjust{9, -9, 99, -99, 0, 0, 0, 0};
    ASSERT_EQ(SetPrinterAdjust(DefaultPlatform(), &t, newAdjust.data(), &sysError), LINK_OK);
    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(adjust, newAdjust);

    const auto jobs = Jobs();
    ASSERT_EQ(jobs.size(), 4u);
    EXPECT_EQ(jobs[0].document, "Qzelrin_DllGetStatus");
    EXPECT_EQ(jobs[1].document, "Qzelrin_DllGetParam");
    EXPECT_EQ(jobs[2].document, "Qzelrin_DllSetAdjust");
    EXPECT_EQ(jobs[1].data, Bytes(kParamQuery.begin(), kParamQuery.end()));
    for (const auto& job : jobs) EXPECT_FALSE(job.cancelled);
}

TEST_F(SpoolerLoopbackTest, BidirectionalSupportOffRefusesReadsButNotSets) {
    simspool::SimSpooler::Instance().AddPrinterQueue(kName, 0, Hooks(monitor));
    EXPECT_EQ(ReadParam(), LINK_E_NO_BIDI);
    EXPECT_EQ(sysError, 0);
    EXPECT_TRUE(Jobs().empty());
    const PrinterTarget t = Target();
    EXPECT_EQ(ResetPrinter(DefaultPlatform(), &t, &sysError), LINK_OK);
    EXPECT_EQ(Jobs().size(), 1u);
}

TEST_F(SpoolerLoopbackTest, ReplyOnlyOnTheThirdFetch) {
    monitor->SetReplyOnFetch(3);
    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(param, model.Settings().param);
    EXPECT_FALSE(Jobs().back().cancelled);
}

TEST_F(SpoolerLoopbackTest, NoReplyCancelsTheJob) {
    monitor->SetReplyOnFetch(4);
    EXPECT_EQ(ReadParam(), LINK_E_PARAM_REPLY);
    EXPECT_EQ(sysError, 0);
    EXPECT_TRUE(Jobs().back().cancelled);

    monitor->SetReplyOnFetch(0);
    const PrinterTarget t = Target();
    std::int32_t status = -1;
    EXPECT_EQ(GetPrinterStatus(DefaultPlatform(), &t, &status, &sysError), LINK_E_STATUS_REPLY);
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(Jobs().back().cancelled);
}

TEST_F(SpoolerLoopbackTest, UnknownPrinterCannotBeOpened) {
    const PrinterTarget t = Target("No Such Printer");
    EXPECT_EQ(ResetPrinter(DefaultPlatform(), &t, &sysError), LINK_E_SPOOLER);
    EXPECT_EQ(sysError, ENOENT);
}

}  // namespace
}  // namespace kestrion::link
