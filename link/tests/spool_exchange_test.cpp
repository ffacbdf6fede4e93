// The spooler exchange over a scripted spooler: the call sequence, each call
// failing in turn, the three fetches, the cancel, and the first-error rule.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "link/tests/targets.h"
#include "link/core/operations.h"
#include "link/core/spool_exchange.h"
#include "link/tests/fake_platform.h"

namespace kestrion::link::testing {
namespace {

using ::testing::ElementsAre;

Bytes StatusReply(char a, char b) { return {0x01, 0x02, static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), 0x0D, 0x0A}; }

Bytes ParamReply() {
    Bytes reply(228, 0);
    reply[0] = 0x00;
    reply[1] = 0xE4;
    reply[25] = 0x05;  // DIP switches 1 and 3
    reply[50] = 0xF6;  // ADJUST[0] = -10
    reply[84] = 127;
    reply[85] = 0;
    reply[86] = 0;
    reply[87] = 1;
    return reply;
}

class SpoolerTest : public ::testing::Test {
protected:
    PrinterTarget Target(const char* name = "LP-1") { return kestrion::testing::SpoolerTarget(name); }
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
    void TearDown() override { EXPECT_EQ(fake.spooler.openHandles, 0) << "a printer handle was left open"; }

    FakePlatform fake;
    std::int32_t sysError = -1;
    std::int32_t param[31] = {};
    std::int32_t adjust[8] = {};
    std::int32_t address[6] = {};
};

TEST_F(SpoolerTest, StatusReadRunsTheCallsInOrderAndDecodesTheReply) {
    fake.spooler.value = Envelope(StatusReply('0', '7'));
    std::int32_t status = -1;
    ASSERT_EQ(ReadStatus(&status), LINK_OK);
    EXPECT_EQ(status, 7);
    EXPECT_EQ(sysError, 0);
    EXPECT_THAT(fake.spooler.script.Calls(),
                ElementsAre("OpenPrinter", "GetPrinter", "GetPrinter", "StartDocPrinter", "WritePrinter",
                            "EndDocPrinter", "Sleep", "GetPrinterData", "ClosePrinter"));
    EXPECT_EQ(fake.spooler.documentName, "Qzelrin_DllGetStatus");
    EXPECT_EQ(fake.spooler.written, Bytes({0x1B, 'W', 'S', 0x0A, 0x00}));
    EXPECT_THAT(fake.spooler.sleeps, ElementsAre(100u));
    EXPECT_THAT(fake.spooler.valueNames, ElementsAre("GetDevRes,LP-1,"));
    EXPECT_EQ(fake.spooler.cancelledJob, 0u);
}

TEST_F(SpoolerTest, SettingsReadDecodesTheReplyBehindTheEnvelope) {
    fake.spooler.value = Envelope(ParamReply());
    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(fake.spooler.documentName, "Qzelrin_DllGetParam");
    EXPECT_EQ(param[0], 1);
    EXPECT_EQ(param[1], 0);
    EXPECT_EQ(param[2], 1);
    EXPECT_EQ(adjust[0], -10);
    EXPECT_EQ(FormatDotted(address[0]), "127.0.0.1");
}

TEST_F(SpoolerTest, TwoCharacterNameGivesThirteenCharacterValueName) {
    fake.spooler.value = Envelope(StatusReply('0', '0'));
    PrinterTarget t = Target("AB");
    std::int32_t status = 0;
    ASSERT_EQ(GetPrinterStatus(fake.platform, &t, &status, &sysError), LINK_OK);
    ASSERT_EQ(fake.spooler.valueNames.size(), 1u);
    EXPECT_EQ(fake.spooler.valueNames[0], "GetDevRes,AB,");
    EXPECT_EQ(fake.spooler.valueNames[0].size(), 13u);
}

TEST_F(SpoolerTest, ReplyOnTheThirdFetchStillSucceeds) {
    fake.spooler.value = Envelope(StatusReply('1', '2'));
    fake.spooler.replyOnFetch = 3;
    std::int32_t status = 0;
    ASSERT_EQ(ReadStatus(&status), LINK_OK);
    EXPECT_EQ(status, 12);
    EXPECT_EQ(fake.spooler.script.Count("GetPrinterData"), 3);
    EXPECT_THAT(fake.spooler.sleeps, ElementsAre(100u));  // no pause between the fetches
}

TEST_F(SpoolerTest, NoReplyAfterThreeFetchesCancelsTheJob) {
    fake.spooler.value = Envelope(StatusReply('1', '2'));
    fake.spooler.replyOnFetch = 4;
    std::int32_t status = 55;
    EXPECT_EQ(ReadStatus(&status), LINK_E_STATUS_REPLY);
    EXPECT_EQ(status, 55);  // untouched
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(fake.spooler.script.Count("GetPrinterData"), 3);
    EXPECT_EQ(fake.spooler.cancelledJob, FakeSpooler::kJobId);

    fake.spooler.script = {};
    fake.spooler.replyOnFetch = 0;
    fake.spooler.cancelledJob = 0;
    EXPECT_EQ(ReadParam(), LINK_E_PARAM_REPLY);
    EXPECT_EQ(fake.spooler.cancelledJob, FakeSpooler::kJobId);
}

TEST_F(SpoolerTest, EnvelopeWithoutReplyBytesFailsTheReplyCheck) {
    fake.spooler.value = Envelope(Bytes(228, 0));
    std::int32_t status = 55;
    EXPECT_EQ(ReadStatus(&status), LINK_E_STATUS_REPLY);
    EXPECT_EQ(fake.spooler.cancelledJob, 0u);  // a reply was there: nothing to cancel
    EXPECT_EQ(ReadParam(), LINK_E_PARAM_REPLY);
}

TEST_F(SpoolerTest, BidirectionalSupportOffRefusesReadsWithoutAJob) {
    fake.spooler.attributes = 0x40;  // everything but the bidirectional bit
    fake.spooler.value = Envelope(ParamReply());
    EXPECT_EQ(ReadParam(), LINK_E_NO_BIDI);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(fake.spooler.script.Count("StartDocPrinter"), 0);
    EXPECT_EQ(fake.spooler.script.Count("ClosePrinter"), 1);

    // A set operation on the same printer goes through: no bidirectional check.
    fake.spooler.script = {};
    EXPECT_EQ(Reset(), LINK_OK);
    EXPECT_THAT(fake.spooler.script.Calls(),
                ElementsAre("OpenPrinter", "StartDocPrinter", "WritePrinter", "EndDocPrinter", "ClosePrinter"));
    EXPECT_EQ(fake.spooler.documentName, "Qzelrin_DllResetprinter");
    EXPECT_TRUE(fake.spooler.sleeps.empty());
}

// Each spooler call failing on its own, for a read.
struct CallFailure {
    const char* call;
    int occurrence;
    std::int32_t result;
};

class SpoolerCallFails : public SpoolerTest, public ::testing::WithParamInterface<CallFailure> {};

TEST_P(SpoolerCallFails, GivesItsCodeAndItsErrorAndClosesThePrinter) {
    const CallFailure& f = GetParam();
    fake.spooler.value = Envelope(ParamReply());
    fake.spooler.script.Fail(f.call, 1234, f.occurrence);
    EXPECT_EQ(ReadParam(), f.result);
    EXPECT_EQ(sysError, 1234);
    EXPECT_EQ(fake.spooler.cancelledJob, 0u);  // a job whose write or end failed is left to the spooler
    // After a failure the arrays hold the zeros of the opening.
    for (std::int32_t v : param) EXPECT_EQ(v, 0);
    EXPECT_EQ(address[0], 0);
}

INSTANTIATE_TEST_SUITE_P(Calls, SpoolerCallFails,
                         ::testing::Values(CallFailure{"OpenPrinter", 1, LINK_E_SPOOLER},
                                           CallFailure{"GetPrinter", 2, LINK_E_SPOOLER},
                                           CallFailure{"StartDocPrinter", 1, LINK_E_SPOOLER},
                                           CallFailure{"WritePrinter", 1, LINK_E_SPOOLER},
                                           CallFailure{"EndDocPrinter", 1, LINK_E_SPOOLER},
                                           CallFailure{"ClosePrinter", 1, LINK_E_SPOOLER}),
                         [](const auto& info) { return std::string(info.param.call); });

TEST_F(SpoolerTest, FailingCleanUpCallsKeepTheFirstError) {
    // Write fails, then the close fails too: the write's error stays.
    fake.spooler.script.Fail("WritePrinter", 1001);
    fake.spooler.script.Fail("ClosePrinter", 1002);
    EXPECT_EQ(Reset(), LINK_E_SPOOLER);
    EXPECT_EQ(sysError, 1001);

    // No reply, the cancel fails and the close fails: the cancel's error
    // stays and the result is still the missing reply.
    fake.spooler.script = {};
    fake.spooler.replyOnFetch = 0;
    fake.spooler.script.Fail("SetJob", 2001);
    fake.spooler.script.Fail("ClosePrinter", 2002);
    std::int32_t status = 0;
    EXPECT_EQ(ReadStatus(&status), LINK_E_STATUS_REPLY);
    EXPECT_EQ(sysError, 2001);

    // Bidirectional check fails to read, the close fails too.
    fake.spooler.script = {};
    fake.spooler.script.Fail("GetPrinter", 3001, 2);
    fake.spooler.script.Fail("ClosePrinter", 3002);
    EXPECT_EQ(ReadParam(), LINK_E_SPOOLER);
    EXPECT_EQ(sysError, 3001);
}

TEST_F(SpoolerTest, FailingCloseAfterNoReplyIsRecordedButKeepsTheReplyCode) {
    fake.spooler.replyOnFetch = 0;
    fake.spooler.script.Fail("ClosePrinter", 77);
    EXPECT_EQ(ReadParam(), LINK_E_PARAM_REPLY);
    EXPECT_EQ(sysError, 77);
}

TEST_F(SpoolerTest, SuccessfulSettingsReadClearsSysError) {
    fake.spooler.value = Envelope(ParamReply());
    sysError = 99;
    ASSERT_EQ(ReadParam(), LINK_OK);
    EXPECT_EQ(sysError, 0);
}

}  // namespace
}  // namespace kestrion::link::testing

namespace kestrion::link::testing {
namespace {

// A size query that reports a size no level-2 record has (a broken driver):
// nothing of that size is allocated, the read fails like an unreadable record
// and the printer is closed; no job is submitted.
TEST_F(SpoolerTest, LevelTwoSizeBeyondAnyRecordIsRefusedWithoutAllocating) {
    for (const std::uint32_t size : {kMaxPrinterInfoSize + 1, 0xFFFFFFFFu}) {
        fake.spooler.infoSize = size;
        std::int32_t status = -1;
        EXPECT_EQ(ReadStatus(&status), LINK_E_SPOOLER) << size;
        EXPECT_EQ(sysError, 0) << size;
        EXPECT_EQ(status, -1);
        EXPECT_EQ(fake.spooler.script.Count("StartDocPrinter"), 0);
    }
    // The largest size that is read still works.
    fake.spooler.infoSize = kMaxPrinterInfoSize;
    fake.spooler.value = Envelope(StatusReply('0', '3'));
    std::int32_t status = -1;
    EXPECT_EQ(ReadStatus(&status), LINK_OK);
    EXPECT_EQ(status, 3);
}

}  // namespace
}  // namespace kestrion::link::testing
