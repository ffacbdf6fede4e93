// The main window's commands that send, show factory values and handle
// settings files, with every question and message they show, as tables over
// the stand-ins of panel_fakes.h.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "panel/app/panel_core.h"
#include "panel/app/tests/panel_fakes.h"

namespace tamsel {
namespace {

using namespace tamsel::fakes;

constexpr const char* kSentParam = "（パラメータ設定値）\nプリンタに設定値を送信しました。";
constexpr const char* kSentAdjust = "（微調整設定値）\nプリンタに設定値を送信しました。";
constexpr const char* kSentAddress = "（IPアドレス設定値）\nプリンタに設定値を送信しました。";
constexpr const char* kSentAll = "（一括送信）\nプリンタに設定値を送信しました。";
constexpr const char* kSendFailed = "送信に失敗しました。\n接続を確認して再度送信してください。";
constexpr const char* kReadBackFailed = "設定データ取得に失敗しました。";
constexpr const char* kReadBackDiffers = "データセットに失敗しました。";
constexpr const char* kResetFailed = "リセット送信に失敗しました。";
constexpr const char* kAddressQuestion = "IPアドレスが変更されます。\n設定値を送信してもよろしいですか？";

// The calls that reach the printer, the dialogs and the files, in order.
std::vector<std::string> Calls(const Log& log) {
    static const std::vector<std::string> kinds = {"send dialog", "load",        "set param",  "set adjust",
                                                   "set address", "read back",   "reset",      "release",
                                                   "open dialog", "save dialog", "select",     "send",
                                                   "save file"};
    std::vector<std::string> calls;
    for (const auto& line : log) {
        if (std::find(kinds.begin(), kinds.end(), line) != kinds.end() || line.rfind("read ", 0) == 0 ||
            line.rfind("write ", 0) == 0) {
            calls.push_back(line);
        }
    }
    return calls;
}

class Commands : public PanelCoreTest {
protected:
    // Started against the printer, then one value edited on each of the three
    // blocks' pages: every block differs from the printer.
    void StartUpAndEdit() {
        StartUp();
        param.edit = [](SettingsRecord& r) { r.param[25] = 1; };  // the printer holds 3
        set.edit = [](SettingsRecord& r) { r.adjust[2] = 58; };
        ip.edit = [this](SettingsRecord& r) {
            r.address[5] = 12345;
            if (portCheck == 1 && refusePort) portCheck = 2;
        };
    }
    bool refusePort = false;
};

// --- Sending: outcomes ---------------------------------------------------------

struct SendCase {
    const char* name;
    int choice;
    PortKind kind;
    std::function<void(FakeLink&)> printer;  // how the printer behaves
    std::vector<std::string> calls;          // between the dialog and the release
    const char* message;                     // nullptr: none
    MessageIcon icon;
    bool paramAccepted, adjustAccepted, addressAccepted;
};

class SendOutcomes : public Commands, public ::testing::WithParamInterface<SendCase> {};

TEST_P(SendOutcomes, MessageAndAcceptedBlocks) {
    const SendCase& c = GetParam();
    StartUpAndEdit();
    core.printer.portKind = c.kind;
    if (c.printer) c.printer(link);
    shell.sendChoice = c.choice;
    messages.answers = {MessageAnswer::Ok, MessageAnswer::Ok};  // the address question, then the outcome
    const SettingsRecord before = core.printerBaseline;

    EXPECT_EQ(core.SendToPrinter(), 0) << c.name;

    std::vector<std::string> expected = {"send dialog", "load"};
    expected.insert(expected.end(), c.calls.begin(), c.calls.end());
    expected.push_back("release");
    EXPECT_EQ(Calls(log), expected) << c.name;

    std::vector<std::string> texts = MessageTexts();
    if (c.choice == 2 || c.choice == 3) {
        ASSERT_FALSE(texts.empty());
        EXPECT_EQ(texts.front(), kAddressQuestion);
        EXPECT_EQ(messages.shown.front().buttons, MessageButtons::OkCancel);
        EXPECT_EQ(messages.shown.front().icon, MessageIcon::Exclamation);
        texts.erase(texts.begin());
    }
    if (c.message == nullptr) {
        EXPECT_TRUE(texts.empty()) << c.name;
    } else {
        ASSERT_EQ(texts.size(), 1u) << c.name;
        EXPECT_EQ(texts[0], c.message) << c.name;
        EXPECT_EQ(messages.shown.back().icon, c.icon) << c.name;
        EXPECT_EQ(messages.shown.back().buttons, MessageButtons::Ok) << c.name;
    }

    // Accepted blocks are now the printer's; the others still count as changed.
    const SettingsRecord& now = core.printerBaseline;
    const auto same = [](const auto& a, const auto& b) { return std::memcmp(a, b, sizeof a) == 0; };
    EXPECT_EQ(same(now.param, core.currentRecord.param), c.paramAccepted) << c.name;
    EXPECT_EQ(same(now.param, before.param), !c.paramAccepted) << c.name;
    EXPECT_EQ(same(now.adjust, core.currentRecord.adjust), c.adjustAccepted) << c.name;
    EXPECT_EQ(same(now.adjust, before.adjust), !c.adjustAccepted) << c.name;
    EXPECT_EQ(same(now.address, core.currentRecord.address), c.addressAccepted) << c.name;
    EXPECT_EQ(same(now.address, before.address), !c.addressAccepted) << c.name;
    EXPECT_TRUE(core.ChangedAgainstPrinter()) << "one block at least was not sent";
}

const auto kSetParamFails = [](FakeLink& l) { l.setParamResult = -700; };
const auto kSetAdjustFails = [](FakeLink& l) { l.setAdjustResult = -800; };
const auto kReadBackFails = [](FakeLink& l) { l.readBackResult = -30; };
const auto kIgnoresSets = [](FakeLink& l) { l.ignoreSets = true; };
const auto kIgnoresAdjust = [](FakeLink& l) { l.ignoreAdjust = true; };
const auto kResetFails = [](FakeLink& l) { l.resetResult = -700; };
constexpr auto kInfo = MessageIcon::Information;
constexpr auto kExcl = MessageIcon::Exclamation;
constexpr auto kStop = MessageIcon::Stop;

INSTANTIATE_TEST_SUITE_P(
    Table, SendOutcomes,
    ::testing::Values(
        SendCase{"param", 0, PortKind::Usb, {}, {"set param", "read back", "reset"}, kSentParam, kInfo, true,
                 false, false},
        SendCase{"adjust", 1, PortKind::Usb, {}, {"set adjust", "read back", "reset"}, kSentAdjust, kInfo,
                 false, true, false},
        SendCase{"address", 2, PortKind::Network, {}, {"set address", "read back", "reset"}, kSentAddress, kInfo,
                 false, false, true},
        SendCase{"set fails", 0, PortKind::Usb, kSetParamFails, {"set param"}, kSendFailed, kInfo, false, false,
                 false},
        SendCase{"all, second set fails", 3, PortKind::Usb, kSetAdjustFails, {"set param", "set adjust"},
                 kSendFailed, kInfo, false, false, false},
        SendCase{"read-back fails", 1, PortKind::Usb, kReadBackFails, {"set adjust", "read back"},
                 kReadBackFailed, kStop, false, false, false},
        SendCase{"read-back differs: no reset", 0, PortKind::Usb, kIgnoresSets, {"set param", "read back"},
                 kReadBackDiffers, kExcl, false, false, false},
        SendCase{"all, only the adjust block differs", 3, PortKind::Usb, kIgnoresAdjust,
                 {"set param", "set adjust", "set address", "read back"}, kReadBackDiffers, kExcl, false, false,
                 false},
        SendCase{"local port: never read back", 0, PortKind::Local, kIgnoresSets, {"set param", "reset"},
                 kSentParam, kInfo, true, false, false},
        SendCase{"reset fails: still accepted", 1, PortKind::Usb, kResetFails,
                 {"set adjust", "read back", "reset"}, kResetFailed, kStop, false, true, false},
        SendCase{"a hidden choice sends nothing", 5, PortKind::Usb, {}, {}, nullptr, kInfo, false, false,
                 false}));

TEST_F(Commands, SendingEverythingAcceptedLeavesNothingChangedAgainstThePrinter) {
    StartUpAndEdit();
    shell.sendChoice = 3;
    messages.answers = {MessageAnswer::Ok, MessageAnswer::Ok};
    EXPECT_EQ(core.SendToPrinter(), 0);
    EXPECT_EQ(Calls(log), (std::vector<std::string>{"send dialog", "load", "set param", "set adjust", "set address",
                                                    "read back", "reset", "release"}));
    EXPECT_EQ(MessageTexts().back(), kSentAll);
    EXPECT_FALSE(core.ChangedAgainstPrinter());
    EXPECT_TRUE(core.ChangedAgainstFile()) << "sending does not touch the file baseline";
}

// The switches belong to the printer: when only they differ, the send is
// accepted and the baseline takes the switches read back.
TEST_F(Commands, OnlyDipSwitchesDifferingIsAccepted) {
    StartUp();
    param.edit = [](SettingsRecord& r) { r.param[12] = 1 - r.param[12]; };
    core.StorePages(core.currentRecord);
    core.currentRecord.param[0] = 3;  // as a settings file may hold them
    core.currentRecord.param[9] = 3;
    link.printerParam[1] = 1 - link.printerParam[1];  // a switch moved at the printer
    shell.sendChoice = 0;
    EXPECT_EQ(core.SendToPrinter(), 0);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kSentParam}));
    EXPECT_EQ(core.printerBaseline.param[1], link.printerParam[1]);
    EXPECT_EQ(core.printerBaseline.param[0], link.printerParam[0]);
    EXPECT_EQ(core.printerBaseline.param[12], core.currentRecord.param[12]);
    EXPECT_EQ(core.workRecord.param[0], 3) << "the work record keeps what was shown";
}

// --- Sending: abandoned -------------------------------------------------------

struct AbandonCase {
    const char* name;
    int choice;
    std::vector<MessageAnswer> answers;
    std::vector<std::string> calls;
};

class SendAbandoned : public Commands, public ::testing::WithParamInterface<AbandonCase> {};

TEST_P(SendAbandoned, NothingSentAndOneReturned) {
    const AbandonCase& c = GetParam();
    StartUpAndEdit();
    shell.sendChoice = c.choice;
    messages.answers.assign(c.answers.begin(), c.answers.end());
    const SettingsRecord baseline = core.printerBaseline;
    EXPECT_EQ(core.SendToPrinter(), 1) << c.name;
    EXPECT_EQ(Calls(log), c.calls) << c.name;
    EXPECT_EQ(core.printerBaseline, baseline) << c.name;
    EXPECT_EQ(portCheck, 0) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Table, SendAbandoned,
    ::testing::Values(AbandonCase{"dialog cancelled", -1, {}, {"send dialog", "load", "release"}},
                      AbandonCase{"address question cancelled", 2, {MessageAnswer::Cancel},
                                  {"send dialog", "load", "release"}},
                      AbandonCase{"everything, address question cancelled", 3, {MessageAnswer::Cancel},
                                  {"send dialog", "load", "release"}}));

TEST_F(Commands, RefusedSocketPortStopsTheSendBeforeTheDialog) {
    StartUpAndEdit();
    refusePort = true;
    shell.sendChoice = 3;
    EXPECT_EQ(core.SendToPrinter(), 1);
    EXPECT_TRUE(Calls(log).empty());
    EXPECT_EQ(portCheck, 0) << "reset after the check";
    EXPECT_NE(core.currentRecord.param[25], core.printerBaseline.param[25]) << "the other pages were stored";
}

TEST_F(Commands, PortCheckIsAskedForOnlyWhileThePagesAreStored) {
    StartUp();
    std::vector<int> seen;
    ip.edit = [&](SettingsRecord&) { seen.push_back(portCheck); };
    shell.sendChoice = -1;
    core.SendToPrinter();
    EXPECT_EQ(seen, (std::vector<int>{1}));
    EXPECT_EQ(portCheck, 0);
}

TEST_F(Commands, MissingLibraryEndsTheProcessWhenSending) {
    StartUpAndEdit();
    link.missing = true;
    shell.sendChoice = 0;
    EXPECT_EQ(core.SendToPrinter(), 1);
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"DLLのオープンに失敗しました。"}));
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(shell.exitCodes, (std::vector<int>{0}));
    EXPECT_FALSE(Logged("set param"));
}

TEST_F(Commands, SendTargetsTheCurrentPrinterByName) {
    StartUp();
    shell.sendChoice = 1;
    core.SendToPrinter();
    EXPECT_EQ(link.seenName, "ansi:KVT ラベル");
    EXPECT_EQ(link.seenConnection, 0);
}

TEST_F(Commands, NoPrinterChosenAsksForOneAndSendsToIt) {
    // A window whose first selection was cancelled but not closed (a stand-in
    // shell): the send asks for a printer first.
    core.initialised = 1;
    shell.selection = UsbPrinter(2);
    messages.answers = {MessageAnswer::Ok, MessageAnswer::Yes};  // the note, the read question
    shell.sendChoice = 0;
    EXPECT_EQ(core.SendToPrinter(), 0);
    ASSERT_GE(messages.shown.size(), 1u);
    EXPECT_EQ(messages.shown[0].text, "プリンタが選択されていません。\nプリンタを選択してください。");
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(core.printer.destination, "USB001");
    EXPECT_EQ(link.seenName, "ansi:KVT ラベル");
    EXPECT_TRUE(Logged("set param"));
}

// --- Sending from the change questions ----------------------------------------

TEST_F(Commands, ExitGoesOnToTheFileQuestionAfterACancelledAddressQuestion) {
    StartUpAndEdit();
    shell.core = &core;
    shell.sendChoice = 2;
    messages.answers = {MessageAnswer::Yes, MessageAnswer::Cancel, MessageAnswer::No};
    core.ExitPanel();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"ソルベナを終了する前に、設定値をプリンタへ送信しますか？",
                                                        kAddressQuestion,
                                                        "ソルベナを終了する前に、設定ファイルへ保存しますか？"}));
    EXPECT_FALSE(Logged("set address"));
    EXPECT_EQ(shell.closes, 1);
}

TEST_F(Commands, PrinterChangeStopsAfterACancelledAddressQuestion) {
    StartUpAndEdit();
    shell.core = &core;
    shell.sendChoice = 3;
    messages.answers = {MessageAnswer::Yes, MessageAnswer::Cancel};
    core.SelectPrinter();
    EXPECT_EQ(MessageTexts().size(), 2u);
    EXPECT_FALSE(Logged("select"));
    EXPECT_FALSE(Logged("set param"));
}

TEST_F(Commands, ReadBackThatDiffersKeepsTheExitQuestionAboutSending) {
    StartUpAndEdit();
    link.ignoreSets = true;
    shell.sendChoice = 0;
    core.SendToPrinter();
    log.clear();
    messages.shown.clear();
    messages.answers = {MessageAnswer::Cancel};
    core.ExitPanel();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"ソルベナを終了する前に、設定値をプリンタへ送信しますか？"}));
    EXPECT_EQ(shell.closes, 0);
}

// --- Factory values -------------------------------------------------------------

TEST_F(Commands, FactoryValuesKeepTheSwitchesOfTheWorkRecordAndNoBaseline) {
    StartUp();
    param.edit = [](SettingsRecord& r) { r.param[12] = 1; };  // an edit not yet stored
    const SettingsRecord printerValues = core.printerBaseline;
    messages.answers = {MessageAnswer::Ok};
    core.ShowFactorySettings();

    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"現在の設定値は破棄されます、\n工場出荷設定値に変更しますか？",
                                                        "工場出荷設定値を表示しました。"}));
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Information);
    EXPECT_FALSE(Logged("save param")) << "nothing is taken from the pages first";
    EXPECT_TRUE(Logged("page 0"));

    SettingsRecord expected = printerValues;
    ApplyFactoryDefaults(expected);
    EXPECT_EQ(core.currentRecord, expected);
    EXPECT_EQ(dipsw.shown, expected);
    EXPECT_EQ(std::memcmp(core.currentRecord.param, printerValues.param, 10 * 4), 0) << "the printer's switches";
    EXPECT_EQ(core.printerBaseline, printerValues);
    EXPECT_EQ(core.fileBaseline, printerValues);
    EXPECT_TRUE(core.ChangedAgainstPrinter());
    EXPECT_TRUE(core.ChangedAgainstFile());
}

TEST_F(Commands, FactoryValuesAfterASendTakeTheSwitchesThenShown) {
    StartUp();
    // A settings file showed other switch states; the send copied them into
    // the work record, which the factory command keeps.
    core.currentRecord.param[3] = 3;
    shell.sendChoice = -1;
    core.SendToPrinter();
    messages.answers = {MessageAnswer::Ok};
    core.ShowFactorySettings();
    EXPECT_EQ(core.currentRecord.param[3], 3);
}

TEST_F(Commands, CancelledFactoryQuestionChangesNothing) {
    StartUp();
    const SettingsRecord before = core.currentRecord;
    messages.answers = {MessageAnswer::Cancel};
    core.ShowFactorySettings();
    EXPECT_EQ(core.currentRecord, before);
    EXPECT_EQ(MessageTexts().size(), 1u);
    EXPECT_FALSE(Logged("load param"));
}

// --- Opening settings files -----------------------------------------------------

std::vector<std::uint8_t> Image(const SettingsRecord& r, std::size_t size = kRecordSize) {
    std::vector<std::uint8_t> bytes(r.Bytes(), r.Bytes() + kRecordSize);
    bytes.resize(size, 0xAB);
    return bytes;
}

SettingsRecord FileRecord() {
    SettingsRecord r = SettingsRecord::Factory();
    r.param[0] = 1;
    r.param[4] = 3;
    r.adjust[7] = -250;
    r.address[5] = 40000;
    return r;
}

struct OpenCase {
    const char* name;
    std::vector<std::uint8_t> content;  // empty: the file cannot be read
    bool loaded;
    const char* message;
};

class OpenFile : public Commands, public ::testing::WithParamInterface<OpenCase> {};

TEST_P(OpenFile, LoadsOnlyAWholeRecordWithTheHeader) {
    const OpenCase& c = GetParam();
    StartUp();
    if (c.content.empty()) {
        files.unreadable.insert("a.dat");
        files.contents["a.dat"] = {};
    } else {
        files.contents["a.dat"] = c.content;
    }
    files.openAnswers = {std::string("a.dat")};
    const SettingsRecord shown = core.currentRecord;
    const SettingsRecord printerBaseline = core.printerBaseline;
    core.OpenSettingsFile();

    EXPECT_EQ(log.back(), "page 0") << c.name << ": the first page after every open";
    EXPECT_EQ(core.printerBaseline, printerBaseline) << c.name;
    if (c.loaded) {
        SettingsRecord expected;
        std::memcpy(expected.Bytes(), c.content.data(), kRecordSize);
        EXPECT_EQ(core.currentRecord, expected) << c.name;
        EXPECT_EQ(core.fileBaseline, expected) << c.name;
        EXPECT_EQ(dipsw.shown, expected) << c.name << ": the file's switches are shown";
        EXPECT_TRUE(messages.shown.empty()) << c.name;
        EXPECT_TRUE(core.ChangedAgainstPrinter()) << c.name;
    } else {
        EXPECT_EQ(core.currentRecord, shown) << c.name;
        EXPECT_EQ(core.fileBaseline, printerBaseline) << c.name;
        EXPECT_FALSE(Logged("load param")) << c.name;
        EXPECT_EQ(MessageTexts(), (std::vector<std::string>{c.message})) << c.name;
        EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation) << c.name;
    }
}

std::vector<std::uint8_t> WrongTags() {
    auto bytes = Image(FileRecord());
    std::memcpy(bytes.data() + 20, "XXXXXXXX", 8);
    std::memcpy(bytes.data() + 152, "--------", 8);
    return bytes;
}

std::vector<std::uint8_t> WrongHeader() {
    auto bytes = Image(FileRecord());
    bytes[19] = ',';
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, OpenFile,
    ::testing::Values(OpenCase{"a saved record", Image(FileRecord()), true, nullptr},
                      OpenCase{"a longer file: its first 228 bytes", Image(FileRecord(), 1000), true, nullptr},
                      OpenCase{"wrong tags are not checked", WrongTags(), true, nullptr},
                      OpenCase{"another header", WrongHeader(), false, "このファイルは設定ファイルではありません。"},
                      OpenCase{"the header, but short", Image(FileRecord(), 227), false,
                               "このファイルは設定ファイルではありません。"},
                      OpenCase{"cannot be read", {}, false, "設定ファイルの読み込みに失敗しました。"}));

TEST_F(Commands, OpenAsksBeforeDroppingChangesAgainstTheFile) {
    StartUp();
    files.contents["a.dat"] = Image(FileRecord());
    param.edit = [](SettingsRecord& r) { r.param[12] = 1 - r.param[12]; };
    messages.answers = {MessageAnswer::No};
    core.OpenSettingsFile();
    EXPECT_EQ(MessageTexts(),
              (std::vector<std::string>{"設定が変更されています。\nコマンドを続行すると設定の変更は破棄されます。"}));
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_FALSE(Logged("open dialog")) << "No ends the command";

    messages.shown.clear();
    messages.answers = {MessageAnswer::Yes};
    files.openAnswers = {std::string("a.dat")};
    core.OpenSettingsFile();
    EXPECT_EQ(core.currentRecord, FileRecord());
}

TEST_F(Commands, OpenWithoutChangesAsksNothingAndACancelShowsTheFirstPage) {
    StartUp();
    core.OpenSettingsFile();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(Calls(log), (std::vector<std::string>{"open dialog"}));
    EXPECT_EQ(log.back(), "page 0");
}

// --- Saving settings files ---------------------------------------------------------

TEST_F(Commands, SaveWritesTheRecordAndMakesItTheFileBaseline) {
    StartUpAndEdit();
    files.saveAnswers = {std::string("new.dat")};
    EXPECT_EQ(core.SaveSettingsFile(), 0);
    ASSERT_EQ(files.contents["new.dat"].size(), kRecordSize);
    EXPECT_EQ(files.contents["new.dat"], Image(core.currentRecord));
    EXPECT_EQ(std::string(files.contents["new.dat"].begin(), files.contents["new.dat"].begin() + 26),
              "KVT Vantorelli 7K4R;PARAM,");
    EXPECT_FALSE(core.ChangedAgainstFile());
    EXPECT_EQ(core.currentRecord.address[5], 12345);
    EXPECT_EQ(portCheck, 0);

    // Exiting now asks about the printer only.
    log.clear();
    messages.answers = {MessageAnswer::No};
    core.ExitPanel();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"ソルベナを終了する前に、設定値をプリンタへ送信しますか？"}));
    EXPECT_EQ(shell.closes, 1);
}

TEST_F(Commands, SaveOverALongerFileKeepsItsLength) {
    StartUp();
    files.contents["old.dat"] = std::vector<std::uint8_t>(1000, 0x5A);
    files.saveAnswers = {std::string("old.dat")};
    EXPECT_EQ(core.SaveSettingsFile(), 0);
    const auto& bytes = files.contents["old.dat"];
    ASSERT_EQ(bytes.size(), 1000u);
    EXPECT_EQ(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + kRecordSize), Image(core.currentRecord));
    EXPECT_EQ(bytes[kRecordSize], 0x5A);
    EXPECT_EQ(bytes[999], 0x5A);
}

struct SaveCase {
    const char* name;
    std::vector<std::optional<std::string>> answers;  // of the save dialogs
    std::map<std::string, FileWriteResult> failures;
    std::vector<std::string> calls;
    int messages;  // write failures shown
    bool saved;
};

class SaveFile : public Commands, public ::testing::WithParamInterface<SaveCase> {};

TEST_P(SaveFile, RetriesOnlyWhenAccessIsDenied) {
    const SaveCase& c = GetParam();
    StartUpAndEdit();
    files.saveAnswers.assign(c.answers.begin(), c.answers.end());
    files.failures = c.failures;
    EXPECT_EQ(core.SaveSettingsFile(), c.saved ? 0 : 1) << c.name;
    EXPECT_EQ(Calls(log), c.calls) << c.name;
    EXPECT_EQ(static_cast<int>(messages.shown.size()), c.messages) << c.name;
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.text, "設定ファイルの書き込みに失敗しました。");
        EXPECT_EQ(m.icon, MessageIcon::Stop);
    }
    EXPECT_EQ(!core.ChangedAgainstFile(), c.saved) << c.name;
}

const std::map<std::string, FileWriteResult> kLockedAndDenied = {{"denied.dat", FileWriteResult::AccessDenied},
                                                                 {"locked.dat", FileWriteResult::Failed}};

INSTANTIATE_TEST_SUITE_P(
    Table, SaveFile,
    ::testing::Values(
        SaveCase{"cancelled", {}, {}, {"save dialog"}, 0, false},
        SaveCase{"denied, then another name",
                 {std::string("denied.dat"), std::string("ok.dat")},
                 kLockedAndDenied,
                 {"save dialog", "write denied.dat", "save dialog", "write ok.dat"},
                 1,
                 true},
        SaveCase{"denied, then cancelled",
                 {std::string("denied.dat")},
                 kLockedAndDenied,
                 {"save dialog", "write denied.dat", "save dialog"},
                 1,
                 false},
        SaveCase{"denied twice",
                 {std::string("denied.dat"), std::string("denied.dat"), std::string("ok.dat")},
                 kLockedAndDenied,
                 {"save dialog", "write denied.dat", "save dialog", "write denied.dat", "save dialog",
                  "write ok.dat"},
                 2,
                 true},
        SaveCase{"held by another program: no second dialog",
                 {std::string("locked.dat"), std::string("ok.dat")},
                 kLockedAndDenied,
                 {"save dialog", "write locked.dat"},
                 1,
                 false}));

// The exit and the printer change, with changes only against the file: a Yes
// to the save question goes on only when the file was really written.
struct SaveQuestionCase {
    const char* name;
    std::vector<std::optional<std::string>> answers;  // of the save dialogs
    bool goesOn;
};

class SaveQuestion : public Commands, public ::testing::WithParamInterface<SaveQuestionCase> {
protected:
    // Unsaved changes, as if sent already, so that only the file question is
    // asked; it is answered with Yes, and any write failure with OK.
    void SetUp() override {
        StartUpAndEdit();
        core.StorePages(core.currentRecord);
        core.printerBaseline = core.currentRecord;
        ASSERT_FALSE(core.ChangedAgainstPrinter());
        ASSERT_TRUE(core.ChangedAgainstFile());
        shell.core = &core;
        files.failures = kLockedAndDenied;
        files.saveAnswers.assign(GetParam().answers.begin(), GetParam().answers.end());
        messages.answers = {MessageAnswer::Yes, MessageAnswer::Ok, MessageAnswer::Ok};
        log.clear();
        messages.shown.clear();
    }
    std::string FirstMessage() const { return messages.shown.empty() ? "" : messages.shown[0].text; }
};

TEST_P(SaveQuestion, ExitClosesOnlyAfterTheFileWasWritten) {
    SCOPED_TRACE(GetParam().name);
    core.ExitPanel();
    EXPECT_EQ(FirstMessage(), "ソルベナを終了する前に、設定ファイルへ保存しますか？");
    EXPECT_EQ(shell.closes, GetParam().goesOn ? 1 : 0);
    EXPECT_EQ(core.ChangedAgainstFile(), !GetParam().goesOn);
}

TEST_P(SaveQuestion, PrinterChangeGoesOnOnlyAfterTheFileWasWritten) {
    SCOPED_TRACE(GetParam().name);
    core.SelectPrinter();
    EXPECT_EQ(FirstMessage(), "設定値が変更されています。\nプリンタを切り替える前に、設定ファイルへ保存しますか？");
    EXPECT_EQ(Logged("select"), GetParam().goesOn);
}

INSTANTIATE_TEST_SUITE_P(Table, SaveQuestion,
                         ::testing::Values(SaveQuestionCase{"written", {std::string("ok.dat")}, true},
                                           SaveQuestionCase{"dialog cancelled", {}, false},
                                           SaveQuestionCase{"held by another program", {std::string("locked.dat")}, false},
                                           SaveQuestionCase{"denied, then cancelled", {std::string("denied.dat")}, false},
                                           SaveQuestionCase{"denied, then another name",
                                                            {std::string("denied.dat"), std::string("ok.dat")},
                                                            true}));

TEST_F(Commands, RefusedSocketPortStopsTheSaveBeforeTheDialog) {
    StartUpAndEdit();
    refusePort = true;
    files.saveAnswers = {std::string("x.dat")};
    EXPECT_EQ(core.SaveSettingsFile(), 1);
    EXPECT_FALSE(Logged("save dialog"));
    EXPECT_EQ(portCheck, 0);

    // An exit that asked to save stays open.
    log.clear();
    shell.core = &core;
    messages.answers = {MessageAnswer::No, MessageAnswer::Yes};
    core.ExitPanel();
    EXPECT_EQ(shell.closes, 0);
}

}  // namespace
}  // namespace tamsel
