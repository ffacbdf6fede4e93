#include "panel/app/panel_core.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "panel/app/tests/panel_fakes.h"

namespace tamsel {
namespace {

using namespace tamsel::fakes;

// --- FillTarget -------------------------------------------------------------------

TEST(FillTarget, SpoolerPortsPassTheAnsiNameInTheTerminatedBuffer) {
    for (PortKind kind : {PortKind::Usb, PortKind::Local}) {
        CurrentPrinter p;
        p.portKind = kind;
        p.ipAddress = {10, 0, 0, 1};
        p.portText = "2560";
        LinkTarget t;
        std::memset(t.nameBuffer, 'x', sizeof t.nameBuffer);
        FillTarget(p, "KVT \x83\x89\x83\x78\x83\x8B", t);
        EXPECT_EQ(t.target.connection, 0);
        EXPECT_EQ(t.target.nameLength, 10u);
        EXPECT_EQ(t.target.printerName, t.nameBuffer);
        EXPECT_STREQ(t.nameBuffer, "KVT \x83\x89\x83\x78\x83\x8B");
        // The rest of the buffer is cleared, not left as it was.
        for (std::size_t i = 10; i < kNameBufferSize; ++i) ASSERT_EQ(t.nameBuffer[i], 0) << i;
        EXPECT_EQ(t.target.port, 0u);
        EXPECT_EQ(t.target.ipAddress[0], 0);
    }
}

TEST(FillTarget, NetworkPortPassesAddressAndPortOnly) {
    CurrentPrinter p;
    p.portKind = PortKind::Network;
    p.printerName = "KVT";
    p.ipAddress = {192, 168, 10, 20};
    p.portText = "12000";
    LinkTarget t;
    FillTarget(p, "KVT", t);
    EXPECT_EQ(t.target.connection, 1);
    EXPECT_EQ(t.target.nameLength, 0u);
    EXPECT_EQ(t.target.printerName, nullptr);
    EXPECT_EQ(t.target.ipAddress[0], 192);
    EXPECT_EQ(t.target.ipAddress[3], 20);
    EXPECT_EQ(t.target.port, 12000u);
}

TEST(FillTarget, ANameTooLongForTheBufferIsCutAndStaysTerminated) {
    CurrentPrinter p;
    const std::string longName(300, 'P');
    LinkTarget t;
    FillTarget(p, longName, t);
    EXPECT_EQ(t.target.nameLength, kNameBufferSize - 1);
    EXPECT_EQ(t.nameBuffer[kNameBufferSize - 1], '\0');
    EXPECT_EQ(std::strlen(t.nameBuffer), kNameBufferSize - 1);
}

TEST(PortNumber, TakesTheLeadingDigits) {
    const struct {
        const char* text;
        std::uint32_t value;
    } cases[] = {{"12000", 12000}, {"65535", 65535}, {"9100x", 9100}, {"", 0}, {"x12", 0},
                 {" 12", 0},        {"007", 7},       {"99999999999999", 0xFFFFFFFFu}};
    for (const auto& c : cases) EXPECT_EQ(PortNumber(c.text), c.value) << c.text;
}

// --- Start-up and reading -------------------------------------------------------------

TEST_F(PanelCoreTest, StartUpReadsWithoutQuestionsAndLoadsEveryPage) {
    shell.selection = UsbPrinter(1);
    core.Initialise();

    EXPECT_EQ(core.initialised, 1);
    EXPECT_EQ(portCheck, 0);
    ASSERT_EQ(shell.requests.size(), 1u);
    EXPECT_EQ(shell.requests[0].reselect, 0);
    EXPECT_EQ(shell.requests[0].printerName, "");
    EXPECT_FALSE(shell.selectionEnabled);
    EXPECT_EQ(shell.statusPrinter, "プリンタ名： KVT ラベル");
    EXPECT_EQ(shell.statusDestination, "接続先： USB001");
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_EQ(link.seenName, "ansi:KVT ラベル");
    EXPECT_EQ(link.seenConnection, 0);
    EXPECT_EQ(link.seenSysError, 0);

    const SettingsRecord expected = PrinterRecord();
    EXPECT_EQ(core.currentRecord, expected);
    EXPECT_EQ(core.fileBaseline, expected);
    EXPECT_EQ(core.printerBaseline, expected);
    EXPECT_EQ(dipsw.shown, expected);
    EXPECT_FALSE(core.ChangedAgainstPrinter());
    EXPECT_FALSE(core.ChangedAgainstFile());
    // Loaded once by the read and once more by the initialisation, in tab order.
    const Log expectedLog = {"select", "grey select", "status", "load", "read", "release",
                             "load param", "load param2", "load set", "load ip", "load dipsw",
                             "load param", "load param2", "load set", "load ip", "load dipsw"};
    EXPECT_EQ(log, expectedLog);
}

TEST_F(PanelCoreTest, SeveralPrintersKeepTheSelectionCommandEnabled) {
    shell.selection = UsbPrinter(3);
    core.Initialise();
    EXPECT_TRUE(shell.selectionEnabled);
}

TEST_F(PanelCoreTest, MissingLibraryEndsTheProcessWithCodeZero) {
    link.missing = true;
    shell.selection = UsbPrinter(1);
    core.Initialise();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"DLLのオープンに失敗しました。"});
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Information);
    EXPECT_EQ(shell.exitCodes, std::vector<int>{0});
    EXPECT_FALSE(Logged("read"));
    EXPECT_FALSE(Logged("load param"));
    EXPECT_EQ(core.initialised, 0);
}

TEST_F(PanelCoreTest, RetriesKeepTheLibraryLoadedUntilTheReadSucceeds) {
    StartUp();
    link.results = {-800, -800, -800, 0};
    messages.answers = {MessageAnswer::Yes};
    EXPECT_EQ(core.ReadFromPrinter(), 0);
    const Log expected = {"save param", "save param2", "save set", "save ip",
                          "message プリンタ設定値を読み込みます。\n設定値が変更されている場合は破棄されます。",
                          "load", "read", "readfail", "read", "readfail", "read", "readfail", "read", "release",
                          "load param", "load param2", "load set", "load ip", "load dipsw", "page 0",
                          "message プリンタから設定値を読み込みました。"};
    EXPECT_EQ(log, expected);
    EXPECT_EQ(messages.shown[0].buttons, MessageButtons::YesNo);
    EXPECT_EQ(messages.shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.shown[1].icon, MessageIcon::Information);
}

TEST_F(PanelCoreTest, AnsweringNoToTheReadQuestionLoadsNothing) {
    StartUp();
    messages.answers = {MessageAnswer::No};
    EXPECT_EQ(core.ReadFromPrinter(), 0);
    EXPECT_FALSE(Logged("load"));
    EXPECT_FALSE(Logged("read"));
}

TEST_F(PanelCoreTest, FactoryChoiceShowsFactoryValuesWithEverySwitchUnavailable) {
    shell.selection = UsbPrinter(1);
    link.results = {-20};
    shell.readFailChoices = {ReadFailChoice::ShowFactory};
    core.Initialise();

    SettingsRecord expected = SettingsRecord::Factory();
    for (int i = 0; i < 10; ++i) expected.param[i] = 3;
    EXPECT_EQ(core.currentRecord, expected);
    EXPECT_EQ(core.fileBaseline, expected);
    EXPECT_EQ(core.printerBaseline, expected);
    EXPECT_EQ(dipsw.shown.param[0], 3);
    EXPECT_EQ(core.currentRecord.address[5], 12000);
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"工場出荷設定値を表示します。"});
    EXPECT_TRUE(Logged("page 0"));
    EXPECT_EQ(core.initialised, 1);
    // Nothing edited: exit asks nothing and closes.
    log.clear();
    core.ExitPanel();
    EXPECT_EQ(shell.closes, 1);
    EXPECT_EQ(messages.shown.size(), 1u);
}

TEST_F(PanelCoreTest, EndChoiceAtStartUpClosesTheWindowOnce) {
    shell.selection = UsbPrinter(1);
    link.results = {-30};
    shell.readFailChoices = {ReadFailChoice::EndProgram};
    core.Initialise();
    EXPECT_EQ(MessageTexts(), std::vector<std::string>{"ソルベナを終了します。"});
    EXPECT_EQ(shell.closes, 1);
    EXPECT_TRUE(core.Finished());
    EXPECT_EQ(core.initialised, 0);
    EXPECT_FALSE(Logged("load param"));
    // Released before the window goes.
    const auto release = std::find(log.begin(), log.end(), "release");
    const auto close = std::find(log.begin(), log.end(), "close");
    EXPECT_LT(release, close);
}

TEST_F(PanelCoreTest, EndChoiceAfterStartUpClosesTheWindowAndReturnsOne) {
    StartUp();
    messages.answers = {MessageAnswer::Yes};
    link.results = {-700};
    shell.readFailChoices = {ReadFailChoice::EndProgram};
    const SettingsRecord before = core.currentRecord;
    EXPECT_EQ(core.ReadFromPrinter(), 1);
    EXPECT_EQ(shell.closes, 1);
    EXPECT_EQ(core.currentRecord, before);
}

TEST_F(PanelCoreTest, ReadAfterEditsReplacesTheEditsAndBothBaselines) {
    StartUp();
    param.edit = [](SettingsRecord& r) { r.param[12] = 7; };
    EXPECT_TRUE((core.StorePages(core.currentRecord), core.ChangedAgainstPrinter()));
    param.edit = nullptr;
    link.printerAdjust[0] = -5;
    messages.answers = {MessageAnswer::Yes};
    core.ReadFromPrinter();
    EXPECT_EQ(core.currentRecord, PrinterRecord());
    EXPECT_FALSE(core.ChangedAgainstPrinter());
    EXPECT_FALSE(core.ChangedAgainstFile());
}

TEST_F(PanelCoreTest, NetworkPrinterIsReadByAddressAndPort) {
    SelectionOutcome o = UsbPrinter(2);
    o.printer.portKind = PortKind::Network;
    o.printer.ipAddress = {127, 0, 0, 1};
    o.printer.portText = "12000";
    shell.selection = o;
    core.Initialise();
    EXPECT_EQ(link.seenConnection, 1);
    EXPECT_EQ(link.seenName, "");
    EXPECT_EQ(link.seenPort, 12000u);
}

// --- Printer selection -------------------------------------------------------------

TEST_F(PanelCoreTest, CancelledSelectionAtStartUpClosesTheWindow) {
    shell.selection = SelectionOutcome{};
    core.Initialise();
    EXPECT_EQ(shell.closes, 1);
    EXPECT_FALSE(Logged("load"));
    EXPECT_EQ(core.initialised, 0);
}

TEST_F(PanelCoreTest, CancelledSelectionLaterKeepsThePreviousPrinter) {
    SelectionOutcome o = UsbPrinter(2);
    o.printer.portKind = PortKind::Network;
    o.printer.ipAddress = {10, 0, 0, 1};
    o.printer.portText = "2560";
    shell.selection = o;
    core.Initialise();
    shell.selection = SelectionOutcome{};
    shell.selection.printer.printerName = "overwritten";
    core.SelectPrinter();
    EXPECT_EQ(shell.closes, 0);
    ASSERT_EQ(shell.requests.size(), 2u);
    EXPECT_EQ(shell.requests[1].reselect, 1);
    EXPECT_EQ(shell.requests[1].printerName, "KVT ラベル");
    EXPECT_EQ(shell.requests[1].destination, "USB001");
    EXPECT_EQ(core.printer.printerName, "KVT ラベル");
    EXPECT_EQ(core.printer.portKind, PortKind::Network);
    EXPECT_EQ(core.printer.portText, "2560");
    EXPECT_EQ(core.printer.ipAddress[0], 10);
}

TEST_F(PanelCoreTest, NewPrinterIsCurrentEvenWhenTheReadIsDeclined) {
    StartUp();
    SelectionOutcome o = UsbPrinter(2);
    o.printer.printerName = "second";
    o.printer.destination = "USB002";
    shell.selection = o;
    const SettingsRecord before = core.currentRecord;
    messages.answers = {MessageAnswer::No};  // the read question
    core.SelectPrinter();
    EXPECT_EQ(core.printer.printerName, "second");
    EXPECT_EQ(shell.statusDestination, "接続先： USB002");
    EXPECT_EQ(core.currentRecord, before);
    EXPECT_FALSE(Logged("read"));
}

// What the change questions do before a printer change, by the answers given.
struct ChangeCase {
    const char* name;
    bool editPrinterOnly;  // changed against the printer only (file saved since)
    std::vector<MessageAnswer> answers;
    int sendResult;
    int saveResult;
    std::vector<std::string> calls;  // send / save file / select, in order
};

class SelectPrinterQuestions : public PanelCoreTest, public ::testing::WithParamInterface<ChangeCase> {};

TEST_P(SelectPrinterQuestions, AskBeforeTheSelection) {
    const ChangeCase& c = GetParam();
    StartUp();
    param.edit = [](SettingsRecord& r) { r.param[12] = 7; };
    if (c.editPrinterOnly) {
        core.StorePages(core.currentRecord);
        core.fileBaseline = core.currentRecord;
        log.clear();
    }
    messages.answers.assign(c.answers.begin(), c.answers.end());
    shell.sendResult = c.sendResult;
    shell.saveResult = c.saveResult;
    shell.selection = SelectionOutcome{};  // cancelled: nothing changes
    core.SelectPrinter();
    std::vector<std::string> calls;
    for (const auto& line : log) {
        if (line == "send" || line == "save file" || line == "select") calls.push_back(line);
    }
    EXPECT_EQ(calls, c.calls) << c.name;
    EXPECT_EQ(shell.closes, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, SelectPrinterQuestions,
    ::testing::Values(
        ChangeCase{"no, no", false, {MessageAnswer::No, MessageAnswer::No}, 0, 0, {"select"}},
        ChangeCase{"yes send, no save", false, {MessageAnswer::Yes, MessageAnswer::No}, 0, 0, {"send", "select"}},
        ChangeCase{"send abandoned", false, {MessageAnswer::Yes}, 1, 0, {"send"}},
        ChangeCase{"cancel first", false, {MessageAnswer::Cancel}, 0, 0, {}},
        ChangeCase{"no, then save", false, {MessageAnswer::No, MessageAnswer::Yes}, 0, 0, {"save file", "select"}},
        ChangeCase{"save abandoned", false, {MessageAnswer::No, MessageAnswer::Yes}, 0, 1, {"save file"}},
        ChangeCase{"cancel second", false, {MessageAnswer::No, MessageAnswer::Cancel}, 0, 0, {}},
        ChangeCase{"printer only", true, {MessageAnswer::No}, 0, 0, {"select"}},
        ChangeCase{"printer only, send", true, {MessageAnswer::Yes}, 0, 0, {"send", "select"}}));

TEST_F(PanelCoreTest, UnchangedValuesAskNothingBeforeTheSelection) {
    StartUp();
    shell.selection = SelectionOutcome{};
    core.SelectPrinter();
    EXPECT_TRUE(messages.shown.empty());
    EXPECT_TRUE(Logged("select"));
}

// --- Exit ------------------------------------------------------------------------------

struct ExitCase {
    const char* name;
    bool edit;
    std::vector<MessageAnswer> answers;
    int saveResult;
    std::vector<std::string> calls;
    bool closed;
};

class ExitPanelQuestions : public PanelCoreTest, public ::testing::WithParamInterface<ExitCase> {};

TEST_P(ExitPanelQuestions, CloseOnlyWhenNothingStops) {
    const ExitCase& c = GetParam();
    StartUp();
    if (c.edit) param.edit = [](SettingsRecord& r) { r.param[30] = 7; };
    messages.answers.assign(c.answers.begin(), c.answers.end());
    shell.sendResult = 1;  // a cancelled send never stops the exit
    shell.saveResult = c.saveResult;
    core.ExitPanel();
    std::vector<std::string> calls;
    for (const auto& line : log) {
        if (line == "send" || line == "save file") calls.push_back(line);
    }
    EXPECT_EQ(calls, c.calls) << c.name;
    EXPECT_EQ(shell.closes, c.closed ? 1 : 0) << c.name;
    EXPECT_EQ(core.workRecord, core.currentRecord);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, ExitPanelQuestions,
    ::testing::Values(ExitCase{"unchanged", false, {}, 0, {}, true},
                      ExitCase{"no, no", true, {MessageAnswer::No, MessageAnswer::No}, 0, {}, true},
                      ExitCase{"cancel send question", true, {MessageAnswer::Cancel}, 0, {}, false},
                      ExitCase{"cancelled send, then no", true, {MessageAnswer::Yes, MessageAnswer::No}, 0,
                               {"send"}, true},
                      ExitCase{"save done", true, {MessageAnswer::No, MessageAnswer::Yes}, 0, {"save file"}, true},
                      ExitCase{"save abandoned", true, {MessageAnswer::No, MessageAnswer::Yes}, 1, {"save file"},
                               false},
                      ExitCase{"cancel save question", true, {MessageAnswer::No, MessageAnswer::Cancel}, 0, {},
                               false}));

TEST_F(PanelCoreTest, ExitAsksBothQuestionsWithTheirTexts) {
    StartUp();
    set.edit = [](SettingsRecord& r) { r.adjust[3] = 7; };
    messages.answers = {MessageAnswer::No, MessageAnswer::No};
    core.ExitPanel();
    EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"ソルベナを終了する前に、設定値をプリンタへ送信しますか？",
                                                        "ソルベナを終了する前に、設定ファイルへ保存しますか？"}));
    for (const auto& m : messages.shown) {
        EXPECT_EQ(m.buttons, MessageButtons::YesNoCancel);
        EXPECT_EQ(m.icon, MessageIcon::Exclamation);
    }
}

// --- Pages -------------------------------------------------------------------------------

TEST_F(PanelCoreTest, StorePagesLeavesTheDipSwitchPageAndTheSwitchesAlone) {
    StartUp();
    dipsw.edit = [](SettingsRecord& r) { r.param[0] = 9; };
    core.StorePages(core.currentRecord);
    EXPECT_EQ(log, (Log{"save param", "save param2", "save set", "save ip"}));
    EXPECT_EQ(core.currentRecord.param[0], link.printerParam[0]);
}

}  // namespace
}  // namespace tamsel
