#include "sim/sim_printer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <thread>

#include "sim/port_monitor.h"
#include "sim/posix_io.h"

namespace printersim {
namespace {

using namespace kestrion;
using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using ::testing::HasSubstr;

template <std::size_t N>
Bytes ToBytes(const std::array<std::uint8_t, N>& a) {
    return Bytes(a.begin(), a.end());
}

// A raw loopback client, as small as a device test needs: it records every
// piece as it arrives and when.
class RawClient {
public:
    explicit RawClient(std::uint16_t port) : socketFd(ConnectLoopback(port)) {}
    bool Connected() const { return static_cast<bool>(socketFd); }

    void Send(const Bytes& bytes) { ASSERT_TRUE(SendAll(socketFd.Get(), bytes.data(), bytes.size())); }
    void HalfClose() { ::shutdown(socketFd.Get(), SHUT_WR); }

    // One recv within `wait`; empty on time-out or close (see closed()).
    Bytes ReadPiece(std::chrono::milliseconds wait) {
        pollfd p{socketFd.Get(), POLLIN, 0};
        if (::poll(&p, 1, static_cast<int>(wait.count())) <= 0) return {};
        std::uint8_t buf[4096];
        const ssize_t n = ::recv(socketFd.Get(), buf, sizeof buf, 0);
        if (n <= 0) {
            closed = true;
            return {};
        }
        return Bytes(buf, buf + n);
    }

    // Reads until `count` bytes have arrived, the printer closes, or `wait` is over.
    Bytes ReadBytes(std::size_t count, std::chrono::milliseconds wait) {
        Bytes out;
        const auto deadline = Clock::now() + wait;
        while (out.size() < count && !closed && Clock::now() < deadline) {
            const Bytes piece = ReadPiece(std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()));
            out.insert(out.end(), piece.begin(), piece.end());
        }
        return out;
    }

    // Reads until the printer closes or `wait` is over.
    Bytes ReadToClose(std::chrono::milliseconds wait) { return ReadBytes(SIZE_MAX, wait); }
    bool Closed() const { return closed; }

private:
    UniqueFd socketFd;
    bool closed = false;
};

class SimPrinterTest : public ::testing::Test {
protected:
    static PrinterSettings Initial() {
        PrinterSettings s = FactorySettings();
        s.status = 12;
        return s;
    }

    // One whole exchange as the link library makes it: send, read the reply,
    // half-close, wait for the printer's close.
    Bytes Exchange(const Bytes& command, std::size_t replyLength) {
        RawClient client(simPrinter.Port());
        EXPECT_TRUE(client.Connected());
        client.Send(command);
        Bytes reply = client.ReadBytes(replyLength, 2s);
        client.HalfClose();
        const Bytes rest = client.ReadToClose(2s);
        EXPECT_TRUE(client.Closed());
        reply.insert(reply.end(), rest.begin(), rest.end());
        return reply;
    }

    SimPrinter simPrinter{0, Initial()};
};

const Bytes kStatus12{0x01, 0x02, '1', '2', 0x0D, 0x0A};

TEST_F(SimPrinterTest, AnswersAndClosesAfterTheClientsHalfClose) {
    RawClient client(simPrinter.Port());
    ASSERT_TRUE(client.Connected());
    client.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(client.ReadBytes(kStatus12.size(), 2s), kStatus12);
    // The printer waits for more while the client's side is open ...
    EXPECT_TRUE(client.ReadPiece(100ms).empty());
    EXPECT_FALSE(client.Closed());
    // ... and closes its own side once the client has half-closed.
    client.HalfClose();
    const auto start = Clock::now();
    EXPECT_TRUE(client.ReadToClose(2s).empty());
    EXPECT_TRUE(client.Closed());
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_EQ(simPrinter.LastReceived(), ToBytes(kStatusQuery));
    EXPECT_EQ(simPrinter.ConnectionsAccepted(), 1);
}

TEST_F(SimPrinterTest, SetThenReadBackOverSeparateConnections) {
    ParamBlock p = FactorySettings().param;
    p[kBackFeedSpeed] = 3;
    p[kMirrorPrint] = 2;
    EXPECT_TRUE(Exchange(ToBytes(BuildParamSet(p.data())), 0).empty());
    AddressBlock a{PackOctets({10, 0, 0, 1}), PackOctets({255, 0, 0, 0}), PackOctets({10, 0, 0, 10}), 0, 1, 2560};
    EXPECT_TRUE(Exchange(ToBytes(BuildAddressSet(a.data())), 0).empty());

    const Bytes reply = Exchange(ToBytes(kParamQuery), kParamReplyLength);
    ASSERT_EQ(reply.size(), kParamReplyLength);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(reply.data(), param.data(), adjust.data(), address.data()));
    EXPECT_EQ(param, p);
    EXPECT_EQ(address, a);
    EXPECT_EQ(simPrinter.ConnectionsAccepted(), 3);
}

TEST_F(SimPrinterTest, ResetKeepsListeningWhereItStarted) {
    AddressBlock a = FactorySettings().address;
    a[kSocketPort] = 1;  // a port the printer could not take anyway
    Exchange(ToBytes(BuildAddressSet(a.data())), 0);
    Exchange(ToBytes(kResetCommand), 0);
    EXPECT_EQ(simPrinter.Model().ResetCount(), 1);
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 6), kStatus12);
}

TEST(SimPrinterFollowTest, AfterResetListensOnItsSocketPort) {
    // A free port: take one, then let it go.
    std::uint16_t freePort = 0;
    {
        UniqueFd probe = ListenLoopback(0);
        ASSERT_TRUE(probe);
        freePort = LocalPort(probe.Get());
    }
    SimPrinter printer(0);
    printer.SetFollowSocketPort(true);
    const std::uint16_t first = printer.Port();
    AddressBlock a = FactorySettings().address;
    a[kSocketPort] = freePort;
    const Bytes run = ToBytes(BuildAddressSet(a.data()));
    {
        RawClient c(first);
        c.Send(run);
        c.Send(ToBytes(kResetCommand));
        c.HalfClose();
        c.ReadToClose(2s);
        ASSERT_TRUE(c.Closed());
    }
    const auto deadline = Clock::now() + 2s;
    while (printer.Port() != freePort && Clock::now() < deadline) std::this_thread::sleep_for(5ms);
    EXPECT_EQ(printer.Port(), freePort);
    RawClient moved(freePort);
    ASSERT_TRUE(moved.Connected());
    moved.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(moved.ReadBytes(6, 2s).size(), 6u);
    EXPECT_FALSE(RawClient(first).Connected());
}

// --- Faults, each seen on the wire -----------------------------------------------

TEST_F(SimPrinterTest, UnsolicitedBytesArriveBeforeAnyCommand) {
    simPrinter.InjectFault({.kind = Fault::UnsolicitedBytes});
    RawClient client(simPrinter.Port());
    // Nothing sent yet, and already bytes are waiting.
    EXPECT_EQ(client.ReadBytes(6, 1s), (Bytes{0x01, 0x02, '3', '0', 0x0D, 0x0A}));
    client.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(client.ReadBytes(6, 1s), kStatus12);
}

TEST_F(SimPrinterTest, SplitReplyComesInPiecesWithAPause) {
    simPrinter.InjectFault({.kind = Fault::SplitReply, .pause = 150ms, .splitAt = 3});
    RawClient client(simPrinter.Port());
    client.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(client.ReadPiece(1s), (Bytes{0x01, 0x02, '1'}));
    const auto first = Clock::now();
    EXPECT_EQ(client.ReadPiece(1s), (Bytes{'2', 0x0D, 0x0A}));
    EXPECT_GE(Clock::now() - first, 100ms);
}

TEST_F(SimPrinterTest, SplitReplyDefaultsToTwoHalves) {
    simPrinter.InjectFault({.kind = Fault::SplitReply, .pause = 50ms});
    RawClient client(simPrinter.Port());
    client.Send(ToBytes(kParamQuery));
    EXPECT_EQ(client.ReadPiece(1s).size(), kParamReplyLength / 2);
    EXPECT_EQ(client.ReadBytes(kParamReplyLength / 2, 1s).size(), kParamReplyLength / 2);
}

TEST_F(SimPrinterTest, DataBehindTheTerminator) {
    simPrinter.InjectFault({.kind = Fault::DataAfterTerminator});
    Bytes expected = kStatus12;
    expected.push_back(0x41);
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 7), expected);
}

TEST_F(SimPrinterTest, ReplyWithoutTerminator) {
    simPrinter.InjectFault({.kind = Fault::NoTerminator});
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 4), (Bytes{0x01, 0x02, '1', '2'}));
}

struct TerminatorCase {
    const char* name;
    bool lfNul;
    std::size_t offset;
    std::uint8_t first, second;
};

class TerminatorInDataTest : public SimPrinterTest, public ::testing::WithParamInterface<TerminatorCase> {};

TEST_P(TerminatorInDataTest, SettingsReplyHoldsATerminatorPairInside) {
    simPrinter.InjectFault({.kind = Fault::TerminatorInData, .offset = GetParam().offset, .lfNul = GetParam().lfNul});
    const Bytes reply = Exchange(ToBytes(kParamQuery), kParamReplyLength);
    ASSERT_EQ(reply.size(), kParamReplyLength);
    EXPECT_EQ(reply[GetParam().offset], GetParam().first);
    EXPECT_EQ(reply[GetParam().offset + 1], GetParam().second);
    EXPECT_EQ(reply[226], 0x0D);
    EXPECT_EQ(reply[227], 0x0A);
}

INSTANTIATE_TEST_SUITE_P(Table, TerminatorInDataTest,
                         ::testing::Values(TerminatorCase{"crlf", false, 40, 0x0D, 0x0A},
                                           TerminatorCase{"lfnul", true, 100, 0x0A, 0x00}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SimPrinterTest, SettingsReplyWithZeroFirstWord) {
    simPrinter.InjectFault({.kind = Fault::ZeroFirstWord});
    const Bytes reply = Exchange(ToBytes(kParamQuery), kParamReplyLength);
    ASSERT_EQ(reply.size(), kParamReplyLength);
    EXPECT_EQ(reply[0], 0);
    EXPECT_EQ(reply[1], 0);
    EXPECT_FALSE(IsParamReply(reply.data()));
    // Only the first word: the rest still decodes as the printer's settings would.
    Bytes fixed = reply;
    fixed[1] = 1;
    EXPECT_EQ(fixed, [&] {
        Bytes r = BuildParamReply(simPrinter.Model().Settings());
        r[0] = 0;
        r[1] = 1;
        return r;
    }());
}

TEST_F(SimPrinterTest, NoCloseAfterHalfCloseUntilThePause) {
    simPrinter.InjectFault({.kind = Fault::NoCloseAfterHalfClose, .pause = 400ms});
    RawClient client(simPrinter.Port());
    client.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(client.ReadBytes(6, 1s), kStatus12);
    client.HalfClose();
    const auto start = Clock::now();
    EXPECT_TRUE(client.ReadToClose(200ms).empty());
    EXPECT_FALSE(client.Closed());
    client.ReadToClose(2s);
    EXPECT_TRUE(client.Closed());
    EXPECT_GE(Clock::now() - start, 350ms);
}

TEST_F(SimPrinterTest, NoCloseAfterHalfCloseForeverEndsWithClearFaults) {
    simPrinter.InjectFault({.kind = Fault::NoCloseAfterHalfClose});
    RawClient client(simPrinter.Port());
    client.Send(ToBytes(kResetCommand));
    client.HalfClose();
    EXPECT_TRUE(client.ReadToClose(300ms).empty());
    EXPECT_FALSE(client.Closed());
    simPrinter.ClearFaults();
    client.ReadToClose(2s);
    EXPECT_TRUE(client.Closed());
}

TEST_F(SimPrinterTest, ClosesEarlyWithoutAnswering) {
    simPrinter.InjectFault({.kind = Fault::CloseEarly});
    RawClient client(simPrinter.Port());
    client.Send(ToBytes(kParamQuery));
    // Closed although the client never half-closed, and nothing came.
    EXPECT_TRUE(client.ReadToClose(2s).empty());
    EXPECT_TRUE(client.Closed());
}

TEST_F(SimPrinterTest, RefusesConnectionsUntilCleared) {
    simPrinter.InjectFault({.kind = Fault::Refuse});
    UniqueFd fd(::socket(AF_INET, SOCK_STREAM, 0));
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = htons(simPrinter.Port());
    EXPECT_NE(::connect(fd.Get(), reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    EXPECT_EQ(errno, ECONNREFUSED);

    // Listening again when ClearFaults returns: the very first connect works.
    simPrinter.ClearFaults();
    RawClient client(simPrinter.Port());
    ASSERT_TRUE(client.Connected());
    client.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(client.ReadBytes(6, 1s), kStatus12);
}

// Refusals cleared at every moment of the printer's own loop (before it saw
// the refusal, while it waits, right after it listened again) and refused
// again at once: each clear is followed by a connect that works, each
// refusal by one that is refused.
TEST_F(SimPrinterTest, RefusalsClearedInQuickSuccessionNeverLeaveThePrinterDeaf) {
    for (int round = 0; round < 50; ++round) {
        SCOPED_TRACE(round);
        simPrinter.InjectFault({.kind = Fault::Refuse});
        if (round % 3 == 1) {
            EXPECT_FALSE(RawClient(simPrinter.Port()).Connected());
        } else if (round % 3 == 2) {
            std::this_thread::sleep_for(std::chrono::milliseconds(round % 7));
        }
        simPrinter.ClearFaults();
        RawClient client(simPrinter.Port());
        ASSERT_TRUE(client.Connected());
        client.Send(ToBytes(kStatusQuery));
        ASSERT_EQ(client.ReadBytes(6, 1s), kStatus12);
    }
    simPrinter.InjectFault({.kind = Fault::Refuse});
    EXPECT_FALSE(RawClient(simPrinter.Port()).Connected());
}

TEST_F(SimPrinterTest, RefusesForThePauseOnly) {
    simPrinter.InjectFault({.kind = Fault::Refuse, .pause = 200ms});
    EXPECT_FALSE(RawClient(simPrinter.Port()).Connected());
    std::this_thread::sleep_for(400ms);
    RawClient client(simPrinter.Port());
    EXPECT_TRUE(client.Connected());
}

TEST_F(SimPrinterTest, DelayBeforeAnswering) {
    simPrinter.InjectFault({.kind = Fault::Delay, .pause = 300ms});
    RawClient client(simPrinter.Port());
    const auto start = Clock::now();
    client.Send(ToBytes(kStatusQuery));
    EXPECT_TRUE(client.ReadPiece(150ms).empty());
    EXPECT_EQ(client.ReadBytes(6, 2s), kStatus12);
    EXPECT_GE(Clock::now() - start, 280ms);
}

TEST_F(SimPrinterTest, IgnoreSetsMakesTheReadBackDiffer) {
    simPrinter.InjectFault({.kind = Fault::IgnoreSets});
    ParamBlock p = FactorySettings().param;
    p[kBackFeedSpeed] = 3;
    Exchange(ToBytes(BuildParamSet(p.data())), 0);
    const Bytes reply = Exchange(ToBytes(kParamQuery), kParamReplyLength);
    ParamBlock param{};
    AdjustBlock adjust{};
    AddressBlock address{};
    ASSERT_TRUE(DecodeParamReply(reply.data(), param.data(), adjust.data(), address.data()));
    EXPECT_EQ(param, FactorySettings().param);
    EXPECT_THAT(simPrinter.Model().Log().front(), HasSubstr("not applied"));
    // The fault was for one connection: the next set is applied.
    Exchange(ToBytes(BuildParamSet(p.data())), 0);
    EXPECT_EQ(simPrinter.Model().Settings().param, p);
}

TEST_F(SimPrinterTest, FaultLastsForTheNextNConnections) {
    simPrinter.InjectFault({.kind = Fault::NoTerminator, .connections = 2});
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 4).size(), 4u);
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 4).size(), 4u);
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 6), kStatus12);

    simPrinter.InjectFault({.kind = Fault::NoTerminator, .connections = -1});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 4).size(), 4u);
    simPrinter.ClearFaults();
    EXPECT_EQ(Exchange(ToBytes(kStatusQuery), 6), kStatus12);
}

TEST_F(SimPrinterTest, SeveralFaultsAtOnce) {
    simPrinter.InjectFault({.kind = Fault::UnsolicitedBytes, .bytes = {0x55}});
    simPrinter.InjectFault({.kind = Fault::DataAfterTerminator, .bytes = {0x42, 0x43}});
    RawClient client(simPrinter.Port());
    EXPECT_EQ(client.ReadBytes(1, 1s), Bytes{0x55});
    client.Send(ToBytes(kStatusQuery));
    Bytes expected = kStatus12;
    expected.insert(expected.end(), {0x42, 0x43});
    EXPECT_EQ(client.ReadBytes(8, 1s), expected);
}

TEST_F(SimPrinterTest, OneConnectionAtATime) {
    RawClient first(simPrinter.Port());
    first.Send(ToBytes(kStatusQuery));
    EXPECT_EQ(first.ReadBytes(6, 1s), kStatus12);
    // The second is accepted by the system but not served while the first lasts.
    RawClient second(simPrinter.Port());
    second.Send(ToBytes(kStatusQuery));
    EXPECT_TRUE(second.ReadPiece(200ms).empty());
    first.HalfClose();
    first.ReadToClose(1s);
    EXPECT_EQ(second.ReadBytes(6, 1s), kStatus12);
}

TEST_F(SimPrinterTest, TcpLinkCarriesAJobAndItsReply) {
    const JobLink link = TcpLink(simPrinter.Port());
    EXPECT_EQ(link(ToBytes(kStatusQuery)), kStatus12);
    EXPECT_TRUE(link(ToBytes(kResetCommand)).empty());
    EXPECT_EQ(simPrinter.Model().ResetCount(), 1);

    PortMonitor monitor(TcpLink(simPrinter.Port()));
    monitor.SubmitJob("Net", ToBytes(kParamQuery));
    std::array<std::uint8_t, 236> buffer{};
    EXPECT_EQ(monitor.Fetch("GetDevRes,Net,", buffer.data(), buffer.size()), 236u);
    EXPECT_EQ(buffer[4], 1);
}

TEST(TcpLinkTest, NoPrinterGivesNoReply) {
    std::uint16_t freePort = 0;
    {
        UniqueFd probe = ListenLoopback(0);
        freePort = LocalPort(probe.Get());
    }
    EXPECT_TRUE(TcpLink(freePort)(ToBytes(kStatusQuery)).empty());
}

}  // namespace
}  // namespace printersim
