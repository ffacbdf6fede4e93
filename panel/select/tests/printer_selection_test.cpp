#include "panel/select/printer_selection.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "select_fakes.h"

namespace tamsel {
namespace {

using testing::FakeSpooler;
using testing::FakeView;
using testing::Notice;
using testing::RecordingExit;
using testing::RecordingNotices;

constexpr char kDriverA[] = "KVT Vantorelli 7K4R2B-55";
constexpr char kDriverB[] = "KVT Vantorelli 7K4R5B";

TEST(AcceptedDriver, SubstringInExactLetterCase) {
    struct Case {
        const char* driver;
        bool accepted;
    };
    const Case cases[] = {
        {kDriverA, true},
        {kDriverB, true},
        {"KVT Vantorelli 7K4R5B (copy 2)", true},
        {"Vendor KVT Vantorelli 7K4R2B-55 XL", true},
        {"KVT Vantorelli 7K4R2B-55B", true},
        {"kvt vantorelli 7k4r5b", false},
        {"KVT VANTORELLI 7K4R2B-55", false},
        {"KVT Vantorelli 7K4R2B-5", false},
        {"KVT Vantorelli 7K4R2B-56", false},
        {"KVT Vantorelli  7K4R5B", false},
        {"", false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsAcceptedDriver(c.driver), c.accepted) << c.driver;
}

// The local machine's printers and one printer connection on a server.
FakeSpooler NtSpooler() {
    FakeSpooler spooler;
    spooler.briefs = {
        {"USB Label", "", 0x40},
        {"Lower Case", "", 0x40},
        {"Suffixed", "", 0x40},
        {"Locked", "", 0x40},
        {"Twin", "", 0x40},
        {"\\\\srv\\Shared", "\\\\srv", kPrinterAttributeNetwork},
        {"\\\\srv\\Published", "\\\\srv", kPrinterAttributeNetwork | 0x2000},
        {"Vanished", "", 0x40},
    };
    spooler.servers[""] = {
        {"", "USB Label", "USB001", kDriverA, 0},
        {"", "Lower Case", "USB002", "kvt vantorelli 7k4r5b", 0},
        {"", "Suffixed", "IP_10.0.0.9", "KVT Vantorelli 7K4R5B v2", 0},
        {"", "Locked", "USB003", kDriverB, 0},
        // A printer of the same name with another driver does not stop the walk.
        {"", "Twin", "LPT1:", "Other Printer", 0},
        {"", "Twin", "LPT2:", kDriverB, 0},
    };
    spooler.servers["\\\\srv"] = {
        {"\\\\srv", "\\\\srv\\Shared", "USB009", kDriverA, 0},
        {"\\\\srv", "\\\\srv\\Published", "NE01:", kDriverA, 0},
    };
    spooler.closed = {"Locked"};
    return spooler;
}

TEST(CollectPrinters, NtFamilyFiltersByNameDriverAndOpenTest) {
    FakeSpooler spooler = NtSpooler();
    const std::vector<PrinterRow> rows = CollectPrinters(spooler);

    std::vector<std::pair<std::string, std::string>> got;
    for (const PrinterRow& row : rows) got.emplace_back(row.printerName, row.destination);
    const std::vector<std::pair<std::string, std::string>> want{
        {"USB Label", "USB001"},
        {"Suffixed", "IP_10.0.0.9"},
        {"Twin", "LPT2:"},
        // Exactly the network attribute: the server's name is the destination.
        {"\\\\srv\\Shared", "\\\\srv"},
        // Other attributes besides it: the port name.
        {"\\\\srv\\Published", "NE01:"},
    };
    EXPECT_EQ(got, want);

    // Every level-4 entry is looked up on its own server, the local ones with no name.
    const std::vector<std::string> asked{"", "", "", "", "", "\\\\srv", "\\\\srv", ""};
    EXPECT_EQ(spooler.asked, asked);
    // Only printers with an accepted driver are opened.
    const std::vector<std::string> opened{"USB Label", "Suffixed", "Locked", "Twin", "\\\\srv\\Shared",
                                          "\\\\srv\\Published"};
    EXPECT_EQ(spooler.opened, opened);
}

TEST(CollectPrinters, OtherPlatformsSkipUserInterventionAndOpenNothing) {
    FakeSpooler spooler;
    spooler.nt = false;
    spooler.local = {
        {"", "Ready", "USB001", kDriverA, 0},
        {"", "Waiting", "USB002", kDriverB, kPrinterStatusUserIntervention},
        {"", "Paper Out", "USB003", kDriverB, 0x10},
        {"", "Foreign", "USB004", "Other", 0},
    };
    const std::vector<PrinterRow> rows = CollectPrinters(spooler);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].printerName, "Ready");
    EXPECT_EQ(rows[1].printerName, "Paper Out");
    EXPECT_EQ(rows[1].destination, "USB003");
    EXPECT_TRUE(spooler.opened.empty());
    EXPECT_TRUE(spooler.asked.empty());
}

TEST(ClassifyPort, DescriptionTable) {
    struct Case {
        std::string description;
        std::optional<PortKind> kind;
    };
    const std::string longPrefix = "KVT Print Server Port" + std::string(79, '7');  // 100 bytes
    const std::string longOther = "Virtual printer port for USB" + std::string(4000, ' ');
    const Case cases[] = {
        {"Standard TCP/IP Port", PortKind::Network},
        {"KVT Print Server Port", PortKind::Network},
        {"KVT Print Server Port 2", PortKind::Network},
        {"KVT Print Server Port#17", PortKind::Network},
        {"標準の TCP/IP ポート", PortKind::Network},
        {"Virtual printer port for USB", PortKind::Usb},
        {"USB の仮想プリンタ ポート", PortKind::Usb},
        {"USB の仮想プリンター ポート", PortKind::Usb},
        {"ローカル ポート", PortKind::Local},
        // Refused: other wording, case, blanks, and the empty description.
        {"Local Port", std::nullopt},
        {"ローカル ポート ", std::nullopt},
        {"standard tcp/ip port", std::nullopt},
        {"Standard TCP/IP Port ", std::nullopt},
        {"KVT Print Server Por", std::nullopt},
        {" KVT Print Server Port", std::nullopt},
        {"kvt print server port", std::nullopt},
        {"USBの仮想プリンタ ポート", std::nullopt},
        {"", std::nullopt},
        // Descriptions of 100 bytes and more are read whole, without harm.
        {longPrefix, PortKind::Network},
        {longOther, std::nullopt},
    };
    for (const Case& c : cases) EXPECT_EQ(ClassifyPort(c.description), c.kind) << "[" << c.description << "]";
}

TEST(FindPortDescription, FirstExactMatchAndTheLeadingBlankRule) {
    const std::vector<PortDetail> ports{
        {"LPT1:", "ローカル ポート"},
        {"USB001", "Virtual printer port for USB"},
        {"USB001", "a second port of the same name"},
        {" NE02:", "Standard TCP/IP Port"},
        {"IP_1", std::string(300, 'x')},
    };
    struct Case {
        const char* destination;
        std::string description;
    };
    const Case cases[] = {
        {"LPT1:", "ローカル ポート"},
        {"USB001", "Virtual printer port for USB"},
        {"usb001", ""},
        {"USB001 ", ""},
        {"\\\\srv", ""},
        {"", ""},
        {"IP_1", std::string(300, 'x')},
        // A destination beginning with a blank is looked for only in the first
        // entry: " NE02:" is listed, but not first.
        {" NE02:", ""},
    };
    for (const Case& c : cases) EXPECT_EQ(FindPortDescription(ports, c.destination), c.description) << c.destination;

    const std::vector<PortDetail> blankFirst{{" NE02:", "Standard TCP/IP Port"}, {"LPT1:", "ローカル ポート"}};
    EXPECT_EQ(FindPortDescription(blankFirst, " NE02:"), "Standard TCP/IP Port");
    EXPECT_EQ(FindPortDescription(blankFirst, "LPT1:"), "ローカル ポート");
    EXPECT_EQ(FindPortDescription({}, "LPT1:"), "");
}

TEST(RowToPreselect, LastExactMatchOrRowZero) {
    const std::vector<std::string> names{"Alpha", "Beta", "beta", "Beta", "Gamma"};
    struct Case {
        const char* printerName;
        int row;
    };
    const Case cases[] = {
        {"", 0}, {"Alpha", 0}, {"Beta", 3}, {"beta", 2}, {"Gamma", 4}, {"Delta", 0}, {"Gamm", 0},
    };
    for (const Case& c : cases) EXPECT_EQ(RowToPreselect(names, c.printerName), c.row) << c.printerName;
    EXPECT_EQ(RowToPreselect({}, "Alpha"), 0);
}

// The whole dialog flow over a spooler whose printers are given as rows.
struct Flow {
    FakeSpooler spooler;
    FakeView view;
    RecordingNotices notices;
    RecordingExit exit;
    PrinterSelection state;

    // Local printers with accepted drivers on the given ports.
    void Printers(const std::vector<PrinterRow>& rows) {
        for (const PrinterRow& row : rows) {
            spooler.briefs.push_back({row.printerName, "", 0x40});
            spooler.servers[""].push_back({"", row.printerName, row.destination, kDriverA, 0});
        }
    }
    PrinterSelectionFlow Make() { return PrinterSelectionFlow(state, view, spooler, notices, exit); }
};

const std::vector<PortDetail> kPorts{
    {"USB001", "Virtual printer port for USB"},
    {"IP_10.0.0.1", "Standard TCP/IP Port"},
    {"LPT1:", "ローカル ポート"},
    {"FILE:", "ローカル ポート"},
    {"COM1:", "Serial Port"},
    {"PS01", "KVT Print Server Port 1"},
};

NetAddress Address(std::array<std::uint8_t, 4> ip, const char* port) {
    NetAddress address;
    address.ipAddress = ip;
    for (std::size_t i = 0; port[i] && i < 5; ++i) address.portText[i] = port[i];
    return address;
}

TEST(SelectionFlow, NoUsablePrinterEndsTheProcessWithCodeOne) {
    Flow f;
    f.spooler.briefs = {{"Foreign", "", 0x40}};
    f.spooler.servers[""] = {{"", "Foreign", "USB001", "Other Driver", 0}};
    EXPECT_EQ(f.Make().Initialise(), SelectionStep::ProcessEnded);
    EXPECT_EQ(f.notices.shown, (std::vector<Notice>{{kNoPrinterText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(f.exit.codes, std::vector<int>{1});
    EXPECT_EQ(f.state.printerCount, 0);
    EXPECT_EQ(f.view.selected, -1);
}

TEST(SelectionFlow, MessagesAreTheProgramsTextsByteForByte) {
    EXPECT_STREQ(kNoPrinterText,
                 "使用可能なプリンタがありませんでした。プリンタドライバを確認してからやり直してください。\n\n"
                 "ソルベナを終了します。");
    EXPECT_STREQ(kNoRowSelectedText, "プリンタが選択されていません。\nプリンタを選択してください。");
    EXPECT_STREQ(kPortRefusedText, "指定されたプリンタポートは、対象外です。\n別のプリンタを選択してください。");
    EXPECT_STREQ(kFileOnlyPrinterText,
                 "接続先がFILEのため設定値を送受信できません。\nプリンタ設定を確認してやり直してください。\n\n"
                 "ソルベナを終了します。");
    EXPECT_STREQ(kFileAmongOthersText,
                 "接続先がFILEのため設定値を送受信できません。\nプリンタ設定を変更するか、他のプリンタに変更してください。");
}

TEST(SelectionFlow, ListIsSortedAndTheCurrentPrinterPreselected) {
    struct Case {
        const char* current;
        int row;
    };
    const Case cases[] = {{"", 0}, {"Beta", 1}, {"Gamma", 2}, {"No Longer There", 0}};
    for (const Case& c : cases) {
        Flow f;
        f.Printers({{"Gamma", "USB003"}, {"Alpha", "USB001"}, {"Beta", "LPT1:"}});
        f.state.reselect = 1;
        f.state.printerName = c.current;
        EXPECT_EQ(f.Make().Initialise(), SelectionStep::StayOpen);
        ASSERT_EQ(f.view.rows.size(), 3u);
        EXPECT_EQ(f.view.rows[0].printerName, "Alpha");
        EXPECT_EQ(f.view.rows[2].printerName, "Gamma");
        EXPECT_EQ(f.state.printerCount, 3);
        EXPECT_EQ(f.view.selected, c.row) << c.current;
        EXPECT_TRUE(f.notices.shown.empty());
        EXPECT_EQ(f.spooler.portEnumerations, 0);
    }
}

TEST(SelectionFlow, SinglePrinterIsConfirmedOnlyAtStartUp) {
    struct Case {
        int reselect;
        const char* port;
        std::optional<NetAddress> answer;
        SelectionStep outcome;
        int addressAsked;
        std::vector<int> exitCodes;
    };
    const Case cases[] = {
        {0, "USB001", std::nullopt, SelectionStep::Confirmed, 0, {}},
        {0, "LPT1:", std::nullopt, SelectionStep::Confirmed, 0, {}},
        {1, "USB001", std::nullopt, SelectionStep::StayOpen, 0, {}},
        {0, "IP_10.0.0.1", Address({10, 0, 0, 1}, "12000"), SelectionStep::Confirmed, 1, {}},
        // Cancelling the address dialog brings the printer list up.
        {0, "IP_10.0.0.1", std::nullopt, SelectionStep::StayOpen, 1, {}},
        // A lone file printer ends the program.
        {0, "FILE:", std::nullopt, SelectionStep::ProcessEnded, 0, {1}},
        // A refused port leaves the dialog up for the user.
        {0, "COM1:", std::nullopt, SelectionStep::StayOpen, 0, {}},
    };
    for (const Case& c : cases) {
        Flow f;
        f.Printers({{"Only", c.port}});
        f.spooler.ports = kPorts;
        f.state.reselect = c.reselect;
        f.view.addressAnswer = c.answer;
        EXPECT_EQ(f.Make().Initialise(), c.outcome) << c.port << " reselect " << c.reselect;
        EXPECT_EQ(f.view.addressAsked, c.addressAsked) << c.port;
        EXPECT_EQ(f.exit.codes, c.exitCodes) << c.port;
        EXPECT_EQ(f.state.printerCount, 1);
        EXPECT_EQ(f.view.selected, 0);
    }
}

TEST(SelectionFlow, ConfirmingARowByItsPort) {
    struct Case {
        const char* name;
        const char* port;
        std::optional<NetAddress> answer;
        SelectionStep outcome;
        PortKind kind;  // the previous kind is Local: a refusal keeps it
        std::vector<Notice> notices;
        int listFocused;
        const char* printerName;  // after the confirmation
        const char* destination;
    };
    const Notice refused{kPortRefusedText, NoticeIcon::Exclamation};
    const Notice fileAmongOthers{kFileAmongOthersText, NoticeIcon::Information};
    const Case cases[] = {
        {"B-usb", "USB001", std::nullopt, SelectionStep::Confirmed, PortKind::Usb, {}, 0, "B-usb", "USB001"},
        {"B-net", "IP_10.0.0.1", Address({192, 168, 0, 7}, "20001"), SelectionStep::Confirmed,
         PortKind::Network, {}, 0, "B-net", "IP_10.0.0.1"},
        {"B-ps", "PS01", Address({10, 1, 2, 3}, "10000"), SelectionStep::Confirmed, PortKind::Network, {}, 0,
         "B-ps", "PS01"},
        {"B-net", "IP_10.0.0.1", std::nullopt, SelectionStep::StayOpen, PortKind::Network, {}, 1, "", ""},
        {"B-com", "COM1:", std::nullopt, SelectionStep::StayOpen, PortKind::Local, {refused}, 1, "B-com",
         "COM1:"},
        {"B-none", "NUL:", std::nullopt, SelectionStep::StayOpen, PortKind::Local, {refused}, 1, "B-none",
         "NUL:"},
        {"B-file", "FILE:", std::nullopt, SelectionStep::StayOpen, PortKind::Local, {fileAmongOthers}, 0,
         "B-file", "FILE:"},
    };
    for (const Case& c : cases) {
        Flow f;
        f.Printers({{"A-first", "USB001"}, {c.name, c.port}});
        f.spooler.ports = kPorts;
        f.state.reselect = 1;
        f.state.printerName = c.name;
        f.state.portKind = PortKind::Local;
        f.view.addressAnswer = c.answer;
        auto flow = f.Make();
        ASSERT_EQ(flow.Initialise(), SelectionStep::StayOpen);
        ASSERT_EQ(f.view.selected, 1);

        EXPECT_EQ(flow.Confirm(), c.outcome) << c.port;
        EXPECT_EQ(f.state.portKind, c.kind) << c.port;
        EXPECT_EQ(f.notices.shown, c.notices) << c.port;
        EXPECT_EQ(f.view.listFocused, c.listFocused) << c.port;
        EXPECT_EQ(f.state.printerName, c.printerName) << c.port;
        EXPECT_EQ(f.state.destination, c.destination) << c.port;
        EXPECT_TRUE(f.exit.codes.empty()) << c.port;
        if (c.outcome == SelectionStep::Confirmed && c.kind == PortKind::Network) {
            EXPECT_EQ(f.state.ipAddress, c.answer->ipAddress);
            EXPECT_EQ(f.state.portText, c.answer->portText);
        }
    }
}

TEST(SelectionFlow, APrinterConnectionIsListedButRefused) {
    Flow f;
    f.spooler.briefs = {{"\\\\srv\\Label", "\\\\srv", kPrinterAttributeNetwork}, {"Local", "", 0x40}};
    f.spooler.servers["\\\\srv"] = {{"\\\\srv", "\\\\srv\\Label", "USB001", kDriverA, 0}};
    f.spooler.servers[""] = {{"", "Local", "USB001", kDriverB, 0}};
    f.spooler.ports = kPorts;
    f.state.reselect = 1;
    f.state.printerName = "\\\\srv\\Label";
    auto flow = f.Make();
    ASSERT_EQ(flow.Initialise(), SelectionStep::StayOpen);
    EXPECT_EQ(f.view.RowText(f.view.selected, 1), "\\\\srv");
    EXPECT_EQ(flow.Confirm(), SelectionStep::StayOpen);
    EXPECT_EQ(f.notices.shown, (std::vector<Notice>{{kPortRefusedText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(f.view.listFocused, 1);
}

TEST(SelectionFlow, ConfirmOrDoubleClickWithoutASelectedRow) {
    Flow f;
    f.Printers({{"A", "USB001"}, {"B", "USB001"}});
    f.spooler.ports = kPorts;
    f.state.reselect = 1;
    auto flow = f.Make();
    ASSERT_EQ(flow.Initialise(), SelectionStep::StayOpen);
    f.view.selected = -1;

    EXPECT_EQ(flow.DoubleClick(), SelectionStep::StayOpen);
    EXPECT_TRUE(f.notices.shown.empty());
    EXPECT_EQ(f.spooler.portEnumerations, 0);

    EXPECT_EQ(flow.Confirm(), SelectionStep::StayOpen);
    EXPECT_EQ(f.notices.shown, (std::vector<Notice>{{kNoRowSelectedText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(f.spooler.portEnumerations, 0);

    f.view.selected = 1;
    EXPECT_EQ(flow.DoubleClick(), SelectionStep::Confirmed);
    EXPECT_EQ(f.state.printerName, "B");
}

TEST(SelectionFlow, FileAsTheOnlyPrinterEndsTheProcessAlsoWhenReselecting) {
    Flow f;
    f.Printers({{"Files", "FILE:"}});
    f.spooler.ports = kPorts;
    f.state.reselect = 1;
    auto flow = f.Make();
    ASSERT_EQ(flow.Initialise(), SelectionStep::StayOpen);
    EXPECT_EQ(flow.Confirm(), SelectionStep::ProcessEnded);
    EXPECT_EQ(f.notices.shown, (std::vector<Notice>{{kFileOnlyPrinterText, NoticeIcon::Exclamation}}));
    EXPECT_EQ(f.exit.codes, std::vector<int>{1});
}

TEST(SelectionFlow, EachRunRebuildsTheList) {
    Flow f;
    f.Printers({{"A", "USB001"}, {"B", "USB001"}});
    f.state.reselect = 1;
    ASSERT_EQ(f.Make().Initialise(), SelectionStep::StayOpen);
    f.spooler.briefs.pop_back();
    ASSERT_EQ(f.Make().Initialise(), SelectionStep::StayOpen);
    EXPECT_EQ(f.view.rows.size(), 1u);
    EXPECT_EQ(f.state.printerCount, 1);
}

}  // namespace
}  // namespace tamsel
