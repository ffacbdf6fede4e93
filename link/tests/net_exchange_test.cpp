// The socket exchange over scripted sockets: echo check, start-up, connect,
// drain, send, the reply line rules, the closing handshake, and that every
// start-up, socket, event and ICMP library is given back on every path.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "link/tests/targets.h"
#include "link/core/net_exchange.h"
#include "link/core/operations.h"
#include "link/tests/fake_platform.h"

namespace kestrion::link::testing {
namespace {

using ::testing::ElementsAre;

constexpr std::int32_t kConnRefused = 10061;  // WSAECONNREFUSED

Bytes StatusLine(const char* tail = "\r\n") {
    Bytes b{0x01, 0x02, '0', '3'};
    for (const char* p = tail; *p; ++p) b.push_back(static_cast<std::uint8_t>(*p));
    return b;
}

// A 228-byte settings reply ending in CR LF whose other bytes form no pair.
Bytes SettingsLine() {
    Bytes b(228, 0x20);
    b[0] = 0x00;
    b[1] = 0xE4;
    b[226] = 0x0D;
    b[227] = 0x0A;
    return b;
}

class NetworkTest : public ::testing::Test {
protected:
    PrinterTarget Target() { return kestrion::testing::LoopbackTarget(0x2345, 9); }
    std::int32_t ReadStatus(std::int32_t* status) {
        const PrinterTarget t = Target();
        return GetPrinterStatus(fake.platform, &t, status, &sysError);
    }
    std::int32_t ReadParam() {
        const PrinterTarget t = Target();
        return GetPrinterParam(fake.platform, &t, param, adjust, address, &sysError);
    }
    std::int32_t Reset() {
        const PrinterTarget t = Target();
        return ResetPrinter(fake.platform, &t, &sysError);
    }
    void TearDown() override {
        const FakeSockets& s = fake.sockets;
        EXPECT_EQ(s.startups, s.cleanups) << "sockets library start-ups and clean-ups differ";
        EXPECT_EQ(s.socketsOpened, s.socketsClosed) << "a socket was left open";
        EXPECT_EQ(s.eventsCreated, s.eventsClosed) << "an event was left open";
        EXPECT_EQ(s.icmpLoads, s.icmpUnloads) << "the ICMP library stayed loaded";
        EXPECT_EQ(s.icmpFiles, s.icmpFilesClosed) << "an ICMP handle was left open";
    }

    FakePlatform fake;
    std::int32_t sysError = -1;
    std::int32_t param[31] = {};
    std::int32_t adjust[8] = {};
    std::int32_t address[6] = {};
};

TEST_F(NetworkTest, StatusReadRunsEveryStepWithItsWaits) {
    fake.sockets.replyPieces = {StatusLine()};
    std::int32_t status = 0;
    ASSERT_EQ(ReadStatus(&status), LINK_OK);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(fake.sockets.pingedAddress, "127.0.0.9");
    EXPECT_EQ(fake.sockets.echoTtl, 255);
    EXPECT_EQ(fake.sockets.echoTimeout, 1000u);
    EXPECT_EQ(fake.sockets.connectedPort, 0x2345);
    EXPECT_EQ(fake.sockets.sent, Bytes({0x1B, 'W', 'S', 0x0A, 0x00}));
    // drain poll, send readiness, reply readiness, closing handshake
    EXPECT_THAT(fake.sockets.waits, ElementsAre(0u, 5000u, 5000u, 20000u));
    EXPECT_EQ(fake.sockets.startups, 2);  // the echo's own and the connection's
}

TEST_F(NetworkTest, SetOperationNeedsNoReplyButTheClose) {
    ASSERT_EQ(Reset(), LINK_OK);
    EXPECT_EQ(fake.sockets.sent, Bytes(kResetCommand.begin(), kResetCommand.end()));
    EXPECT_THAT(fake.sockets.waits, ElementsAre(0u, 5000u, 20000u));
}

TEST_F(NetworkTest, NoEchoAnswerFailsBeforeAnyConnection) {
    fake.sockets.echoStatus = 11010;  // timed out
    fake.sockets.errorAfterPing = 11010;
    std::int32_t status = 0;
    EXPECT_EQ(ReadStatus(&status), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 11010);
    EXPECT_EQ(fake.sockets.socketsOpened, 0);
    EXPECT_EQ(fake.sockets.script.Count("connect"), 0);
    EXPECT_EQ(fake.sockets.icmpUnloads, 1);
}

TEST_F(NetworkTest, SettingsReadFailingAfterTheTargetCheckLeavesZeros) {
    fake.sockets.echoStatus = 11010;
    for (auto& v : param) v = 7;
    for (auto& v : address) v = 7;
    EXPECT_EQ(ReadParam(), LINK_E_NETWORK);
    for (auto v : param) EXPECT_EQ(v, 0);
    for (auto v : address) EXPECT_EQ(v, 0);
}

// After the echo: close the handle, unload ICMP.DLL, then clean up the
// sockets; before it, a failed step cleans up the sockets before the unload.
TEST_F(NetworkTest, EchoReleasesInOrder) {
    const auto released = [this] {
        std::vector<std::string> order;
        for (const std::string& call : fake.sockets.script.Calls()) {
            if (call == "IcmpCloseHandle" || call == "FreeLibrary" || call == "WSACleanup") order.push_back(call);
        }
        return order;
    };
    fake.sockets.echoStatus = 11010;  // no answer: the operation ends after the echo
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_THAT(released(), ElementsAre("IcmpCloseHandle", "FreeLibrary", "WSACleanup"));
}

TEST_F(NetworkTest, EchoStepFailureCleansUpBeforeUnloading) {
    fake.sockets.script.Fail("gethostbyname", 11001);
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    std::vector<std::string> order;
    for (const std::string& call : fake.sockets.script.Calls()) {
        if (call == "IcmpCloseHandle" || call == "FreeLibrary" || call == "WSACleanup") order.push_back(call);
    }
    EXPECT_THAT(order, ElementsAre("WSACleanup", "FreeLibrary"));
}

// Each echo step failing: the operation fails with -800, no TCP at all.
class EchoStepFails : public NetworkTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(EchoStepFails, EndsWithoutConnecting) {
    fake.sockets.script.Fail(GetParam(), 5);
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 5);  // the error at that moment
    EXPECT_EQ(fake.sockets.script.Count("connect"), 0);
    EXPECT_EQ(fake.sockets.script.Count("socket"), 0);
}

INSTANTIATE_TEST_SUITE_P(Steps, EchoStepFails,
                         ::testing::Values("LoadLibrary", "GetProcAddress", "WSAStartup", "gethostbyname",
                                           "IcmpCreateFile"));

TEST_F(NetworkTest, EchoStartupWithTheWrongVersionIsCleanedUp) {
    fake.sockets.grantedVersion = 0x0101;
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(fake.sockets.startups, 1);
    EXPECT_EQ(fake.sockets.cleanups, 1);
    EXPECT_EQ(fake.sockets.script.Count("connect"), 0);
}

TEST_F(NetworkTest, ConnectionStartupFailureRecordsItsCode) {
    fake.sockets.script.Fail("WSAStartup", 10091, 2);  // WSASYSNOTREADY, the connection's start-up
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 10091);
    EXPECT_EQ(fake.sockets.socketsOpened, 0);
}

TEST_F(NetworkTest, RefusedConnectionReportsTheRefusal) {
    fake.sockets.script.Fail("connect", kConnRefused);
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, kConnRefused);
    EXPECT_EQ(fake.sockets.socketsClosed, 1);
}

TEST_F(NetworkTest, SocketCreationFailureIsRecordedAndCleanedUp) {
    fake.sockets.script.Fail("socket", 10024);
    fake.sockets.script.Fail("WSACleanup", 10093, 2);  // the connection's clean-up fails too
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 10024);
}

TEST_F(NetworkTest, UnsolicitedBytesAreDiscardedBeforeTheCommand) {
    fake.sockets.unsolicited = Bytes(9000, 0x41);  // more than one discard read
    fake.sockets.replyPieces = {StatusLine()};
    std::int32_t status = 0;
    ASSERT_EQ(ReadStatus(&status), LINK_OK);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(fake.sockets.script.Count("recv"), 2 + 1 + 1);  // two discards, one reply read, one drain at close
}

TEST_F(NetworkTest, PrinterClosingBeforeTheCommandFails) {
    fake.sockets.closesBeforeCommand = true;
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 0);
    EXPECT_TRUE(fake.sockets.sent.empty());
}

TEST_F(NetworkTest, PartialSendsAreContinued) {
    fake.sockets.sendLimit = 7;
    const PrinterTarget t = Target();
    std::int32_t addr[6] = {PackOctets({10, 0, 0, 1}), 0, 0, 0, 0, 2560};
    ASSERT_EQ(SetPrinterAddress(fake.platform, &t, addr, &sysError), LINK_OK);
    const AddressSetBytes expected = BuildAddressSet(addr);
    EXPECT_EQ(fake.sockets.sent, Bytes(expected.begin(), expected.end()));
    EXPECT_EQ(fake.sockets.script.Count("send"), 15);  // 103 bytes, 7 at a time
}

TEST_F(NetworkTest, SendReadinessTimeOutFailsWithoutError) {
    fake.sockets.writableNever = true;
    EXPECT_EQ(Reset(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(fake.sockets.script.Count("send"), 0);
}

TEST_F(NetworkTest, ReplyReadinessTimeOutFailsWithoutError) {
    std::int32_t status = 0;
    EXPECT_EQ(ReadStatus(&status), LINK_E_NETWORK);  // no reply ever comes
    EXPECT_EQ(sysError, 0);
}

// A failing socket call after the connection exists: its error is reported
// and the connection is still closed.
struct StepFailure {
    const char* call;
    int occurrence;
};

class ConnectedCallFails : public NetworkTest, public ::testing::WithParamInterface<StepFailure> {};

TEST_P(ConnectedCallFails, RecordsItsErrorAndCloses) {
    fake.sockets.replyPieces = {StatusLine()};
    fake.sockets.script.Fail(GetParam().call, 10054, GetParam().occurrence);
    std::int32_t status = 0;
    EXPECT_EQ(ReadStatus(&status), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 10054);
    EXPECT_EQ(fake.sockets.socketsClosed, 1);
}

INSTANTIATE_TEST_SUITE_P(Calls, ConnectedCallFails,
                         ::testing::Values(StepFailure{"select", 1},   // drain poll
                                           StepFailure{"select", 2},   // send readiness
                                           StepFailure{"send", 1},
                                           StepFailure{"select", 3},   // reply readiness
                                           StepFailure{"recv", 1},     // reply read
                                           StepFailure{"WSACreateEvent", 1}, StepFailure{"WSAEventSelect", 1},
                                           StepFailure{"shutdown", 1}, StepFailure{"WSAWaitForMultipleEvents", 1},
                                           StepFailure{"closesocket", 1}, StepFailure{"WSACleanup", 2},
                                           StepFailure{"WSACloseEvent", 1}),
                         [](const auto& info) {
                             return std::string(info.param.call) + "_" + std::to_string(info.param.occurrence);
                         });

TEST_F(NetworkTest, SeveralFailingCleanUpCallsKeepTheFirstError) {
    fake.sockets.replyPieces = {StatusLine()};
    fake.sockets.script.Fail("recv", 10054);          // the reply read fails
    fake.sockets.script.Fail("shutdown", 10057);      // then every clean-up call fails
    fake.sockets.script.Fail("closesocket", 10038);
    fake.sockets.script.Fail("WSACleanup", 10093, 2);
    fake.sockets.script.Fail("WSACloseEvent", 6);
    std::int32_t status = 0;
    EXPECT_EQ(ReadStatus(&status), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 10054);
}

TEST_F(NetworkTest, NoCloseWithinTheHandshakeWaitFails) {
    fake.sockets.replyPieces = {StatusLine()};
    fake.sockets.peerClosesOnHalfClose = false;
    std::int32_t status = 0;
    EXPECT_EQ(ReadStatus(&status), LINK_E_NETWORK);
    EXPECT_EQ(status, 0);  // the reply came, but the operation failed
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(fake.sockets.waits.back(), 20000u);
}

// --- The reply line -----------------------------------------------------------

struct LineCase {
    const char* name;
    std::vector<Bytes> pieces;
    bool closes;  // the printer closes after the pieces
    std::int32_t result;
    std::int32_t status;
};

class StatusLineCases : public NetworkTest, public ::testing::WithParamInterface<LineCase> {};

TEST_P(StatusLineCases, EndsWhereTheLineEnds) {
    const LineCase& c = GetParam();
    fake.sockets.replyPieces.assign(c.pieces.begin(), c.pieces.end());
    fake.sockets.closesAfterReply = c.closes;
    std::int32_t status = -99;
    EXPECT_EQ(ReadStatus(&status), c.result);
    EXPECT_EQ(status, c.status);
    EXPECT_EQ(sysError, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, StatusLineCases,
    ::testing::Values(
        LineCase{"OnePiece", {StatusLine()}, false, LINK_OK, 3},
        LineCase{"TwoPieces", {{0x01, 0x02, 0x30}, {0x30, 0x0D, 0x0A}}, false, LINK_OK, 0},
        LineCase{"TerminatorSplitAcrossPieces", {{0x01, 0x02, 0x30, 0x31, 0x0D}, {0x0A}}, false, LINK_OK, 1},
        LineCase{"DataBehindTerminator", {{0x01, 0x02, 0x30, 0x30, 0x0D, 0x0A, 0x41}}, false, LINK_E_NETWORK, -99},
        LineCase{"ClosedBeforeTheLineEnds", {{0x01, 0x02, 0x30}}, true, LINK_E_NETWORK, -99},
        LineCase{"NoTerminatorWithinCapacity", {Bytes(13, 0x30)}, true, LINK_E_NETWORK, -99},
        LineCase{"WrongLeadingBytes", {{0x02, 0x01, 0x30, 0x37, 0x0D, 0x0A}}, false, LINK_E_STATUS_REPLY, -99}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(NetworkTest, ReplyEndingLfNulIsAcceptedLikeCrLf) {
    fake.sockets.replyPieces = {{0x01, 0x02, 0x31, 0x35, 0x0A, 0x00}};
    std::int32_t status = 0;
    ASSERT_EQ(ReadStatus(&status), LINK_OK);
    EXPECT_EQ(status, 15);
}

// In a settings reply the decoded fields (bytes 0-97) may hold 0D 0A or 0A 00
// as data; such a pair must not end the line even when a read ends right
// behind it.
TEST_F(NetworkTest, SettingsReplyKeepsReadingPastAPairInsideTheFields) {
    Bytes line = SettingsLine();
    const std::uint8_t ip[4] = {10, 0, 0, 1};  // 0A 00 at bytes 84-85
    std::copy(ip, ip + 4, line.begin() + 84);
    line[96] = 0x0A;  // socket port 2560: 0A 00 at bytes 96-97
    line[97] = 0x00;
    fake.sockets.replyPieces = {Bytes(line.begin(), line.begin() + 86), Bytes(line.begin() + 86, line.begin() + 98),
                                Bytes(line.begin() + 98, line.end())};
    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(FormatDotted(address[0]), "10.0.0.1");
    EXPECT_EQ(address[5], 2560);
}

TEST_F(NetworkTest, SettingsReplyWithAPairBehindTheFieldsIsMalformed) {
    Bytes line = SettingsLine();
    line[150] = 0x0D;
    line[151] = 0x0A;
    // A read that ends elsewhere shows data behind the end of the line.
    fake.sockets.replyPieces = {Bytes(line.begin(), line.begin() + 160), Bytes(line.begin() + 160, line.end())};
    EXPECT_EQ(ReadParam(), LINK_E_NETWORK);
    EXPECT_EQ(sysError, 0);

    // ... unless a read ends right behind that pair: the line ends there.
    fake.sockets = FakeSockets{};
    fake.sockets.replyPieces = {Bytes(line.begin(), line.begin() + 152)};
    EXPECT_EQ(ReadParam(), LINK_OK);
}

TEST_F(NetworkTest, SettingsReplyWithZeroFirstWordIsRefused) {
    Bytes line = SettingsLine();
    line[1] = 0x00;
    fake.sockets.replyPieces = {line};
    EXPECT_EQ(ReadParam(), LINK_E_PARAM_REPLY);
    line[1] = 0x01;
    fake.sockets = FakeSockets{};
    fake.sockets.replyPieces = {line};
    EXPECT_EQ(ReadParam(), LINK_OK);
}

}  // namespace
}  // namespace kestrion::link::testing
