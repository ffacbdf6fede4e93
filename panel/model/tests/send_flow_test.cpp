#include "panel/model/send_flow.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace tamsel {
namespace {

using namespace kestrion;
using ::testing::ElementsAre;

// A printer that stores what it is sent and answers the read-back with what it
// holds; each operation can be made to fail, and sets can be ignored so that
// the read-back differs.
class FakePrinter final : public PrinterLink {
public:
    FakePrinter() {
        held = SettingsRecord::Factory();
        for (std::size_t i = 0; i < kDipSwitchCount; ++i) held.param[i] = static_cast<std::int32_t>(i % 2);
    }

    std::int32_t GetStatus(std::int32_t* status, std::int32_t* sysError) override {
        *sysError = 0;
        *status = 0;
        return Result("status");
    }
    std::int32_t GetParam(std::int32_t* param, std::int32_t* adjust, std::int32_t* address,
                          std::int32_t* sysError) override {
        *sysError = 0;
        if (const std::int32_t r = Result("get"); r != 0) return r;
        std::memcpy(param, held.param, sizeof held.param);
        std::memcpy(adjust, held.adjust, sizeof held.adjust);
        std::memcpy(address, held.address, sizeof held.address);
        return 0;
    }
    std::int32_t SetParam(const std::int32_t* param, std::int32_t* sysError) override {
        *sysError = 0;
        if (const std::int32_t r = Result("param"); r != 0) return r;
        // The wire never carries the DIP switches.
        if (!ignore.count("param")) std::memcpy(held.param + 10, param + 10, 21 * sizeof(std::int32_t));
        return 0;
    }
    std::int32_t SetAdjust(const std::int32_t* adjust, std::int32_t* sysError) override {
        *sysError = 0;
        if (const std::int32_t r = Result("adjust"); r != 0) return r;
        if (!ignore.count("adjust")) std::memcpy(held.adjust, adjust, sizeof held.adjust);
        return 0;
    }
    std::int32_t SetAddress(const std::int32_t* address, std::int32_t* sysError) override {
        *sysError = 0;
        if (const std::int32_t r = Result("address"); r != 0) return r;
        if (!ignore.count("address")) std::memcpy(held.address, address, sizeof held.address);
        return 0;
    }
    std::int32_t Reset(std::int32_t* sysError) override {
        *sysError = 0;
        return Result("reset");
    }

    SettingsRecord held;
    std::vector<std::string> calls;
    std::map<std::string, std::int32_t> fail;  // operation -> result code
    std::set<std::string> ignore;              // sets that are not applied

private:
    std::int32_t Result(const std::string& op) {
        calls.push_back(op);
        const auto it = fail.find(op);
        return it == fail.end() ? 0 : it->second;
    }
};

// What the operator edited: every block differs from the printer, and the
// DIP switches shown are stale (not available).
SettingsRecord Edited() {
    SettingsRecord r = SettingsRecord::Factory();
    for (std::size_t i = 0; i < kDipSwitchCount; ++i) r.param[i] = kDipNotAvailable;
    r.param[kBackFeedSpeed] = 3;
    r.adjust[2] = -25;
    r.address[kIpAddress] = PackOctets({127, 0, 0, 9});
    return r;
}

struct FlowCase {
    const char* name;
    int choice;
    bool readBack;
    std::map<std::string, std::int32_t> fail;
    std::set<std::string> ignore;
    SendOutcome outcome;
    std::vector<std::string> calls;
    std::vector<const char*> acceptedBlocks;  // blocks written into the snapshot
    const char* failedOperation;              // nullptr when no call failed
};

void PrintTo(const FlowCase& c, std::ostream* os) { *os << c.name; }

class SendFlow : public ::testing::TestWithParam<FlowCase> {};

TEST_P(SendFlow, RunsTheSequence) {
    const FlowCase& c = GetParam();
    FakePrinter printer;
    printer.fail = c.fail;
    printer.ignore = c.ignore;
    const SettingsRecord work = Edited();
    const SettingsRecord before = SettingsRecord::Factory();
    SettingsRecord snapshot = before;

    const SendReport report = SendToPrinterBlocks(printer, static_cast<SendChoice>(c.choice), work, c.readBack, snapshot);

    EXPECT_EQ(report.outcome, c.outcome);
    EXPECT_EQ(printer.calls, c.calls);
    if (c.failedOperation) {
        ASSERT_TRUE(report.failure.has_value());
        EXPECT_STREQ(report.failure->operation, c.failedOperation);
        EXPECT_EQ(report.failure->result, -800);
    } else {
        EXPECT_FALSE(report.failure.has_value());
    }

    // Only accepted blocks reach the snapshot; the PARAM block carries the
    // switch states read back, not the stale ones that were shown.
    SettingsRecord expected = before;
    for (const char* block : c.acceptedBlocks) {
        const std::string b = block;
        if (b == "PARAM") {
            std::memcpy(expected.param, work.param, sizeof work.param);
            if (c.readBack) std::memcpy(expected.param, printer.held.param, kDipSwitchCount * 4);
        }
        if (b == "ADJUST") std::memcpy(expected.adjust, work.adjust, sizeof work.adjust);
        if (b == "ADDRESS") std::memcpy(expected.address, work.address, sizeof work.address);
    }
    EXPECT_EQ(snapshot, expected);
}

const std::map<std::string, std::int32_t> kNoFail;
const std::set<std::string> kNoIgnore;

INSTANTIATE_TEST_SUITE_P(
    Table, SendFlow,
    ::testing::Values(
        FlowCase{"param", 0, true, kNoFail, kNoIgnore, SendOutcome::Sent, {"param", "get", "reset"}, {"PARAM"}, nullptr},
        FlowCase{"adjust", 1, true, kNoFail, kNoIgnore, SendOutcome::Sent, {"adjust", "get", "reset"}, {"ADJUST"}, nullptr},
        FlowCase{"address", 2, true, kNoFail, kNoIgnore, SendOutcome::Sent, {"address", "get", "reset"}, {"ADDRESS"}, nullptr},
        FlowCase{"all", 3, true, kNoFail, kNoIgnore, SendOutcome::Sent,
                 {"param", "adjust", "address", "get", "reset"}, {"PARAM", "ADJUST", "ADDRESS"}, nullptr},
        FlowCase{"local port, no read-back", 3, false, kNoFail, kNoIgnore, SendOutcome::Sent,
                 {"param", "adjust", "address", "reset"}, {"PARAM", "ADJUST", "ADDRESS"}, nullptr},
        FlowCase{"all stops at the first failing set", 3, true, {{"adjust", -800}}, kNoIgnore, SendOutcome::SetFailed,
                 {"param", "adjust"}, {}, "DllSetPrinterAdjust"},
        FlowCase{"read-back fails", 0, true, {{"get", -800}}, kNoIgnore, SendOutcome::ReadBackFailed,
                 {"param", "get"}, {}, "DllGetPrinterParam"},
        FlowCase{"only adjust differs in all", 3, true, kNoFail, {"adjust"}, SendOutcome::ReadBackDiffers,
                 {"param", "adjust", "address", "get"}, {}, nullptr},
        FlowCase{"reset fails after acceptance", 1, true, {{"reset", -800}}, kNoIgnore, SendOutcome::ResetFailed,
                 {"adjust", "get", "reset"}, {"ADJUST"}, "DllResetPrinter"},
        FlowCase{"choice out of range", 4, true, kNoFail, kNoIgnore, SendOutcome::NothingSent, {}, {}, nullptr},
        FlowCase{"cancelled", -1, true, kNoFail, kNoIgnore, SendOutcome::NothingSent, {}, {}, nullptr}));

TEST(SendFlowDifferences, NameTheElements) {
    FakePrinter printer;
    printer.ignore = {"param"};
    SettingsRecord snapshot = SettingsRecord::Zero();
    const SendReport report = SendToPrinterBlocks(printer, SendChoice::Param, Edited(), true, snapshot);
    ASSERT_EQ(report.outcome, SendOutcome::ReadBackDiffers);
    ASSERT_EQ(report.differences.size(), 1u);  // DIP switches never count
    EXPECT_STREQ(report.differences[0].block, "PARAM");
    EXPECT_EQ(report.differences[0].index, kBackFeedSpeed);
    EXPECT_EQ(report.differences[0].sent, 3);
    EXPECT_EQ(report.differences[0].readBack, 0);
    EXPECT_EQ(snapshot, SettingsRecord::Zero());
}

TEST(SendFlowMessages, TextAndIconPerOutcome) {
    EXPECT_STREQ(SendOutcomeText(SendOutcome::Sent, SendChoice::All), "（一括送信）\nプリンタに設定値を送信しました。");
    EXPECT_STREQ(SendOutcomeText(SendOutcome::Sent, SendChoice::Adjust), "（微調整設定値）\nプリンタに設定値を送信しました。");
    EXPECT_STREQ(SendOutcomeText(SendOutcome::SetFailed, SendChoice::Param),
                 "送信に失敗しました。\n接続を確認して再度送信してください。");
    EXPECT_EQ(SendOutcomeIcon(SendOutcome::SetFailed), MessageIcon::Information);
    EXPECT_EQ(SendOutcomeIcon(SendOutcome::ReadBackFailed), MessageIcon::Stop);
    EXPECT_EQ(SendOutcomeIcon(SendOutcome::ReadBackDiffers), MessageIcon::Exclamation);
    EXPECT_EQ(SendOutcomeIcon(SendOutcome::ResetFailed), MessageIcon::Stop);
    EXPECT_EQ(SendOutcomeText(SendOutcome::NothingSent, SendChoice::Param), nullptr);
}

}  // namespace
}  // namespace tamsel
