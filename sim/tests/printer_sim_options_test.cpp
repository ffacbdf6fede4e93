// printer-sim's option table: what each option sets, and the errors.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "sim/printer_sim_options.h"

namespace printersim {
namespace {

using ::testing::HasSubstr;

TEST(PrinterSimOptions, FleetOptionsAndPerPrinterFaults) {
    // --count after the fault that names a printer: the index is checked at the end.
    const SimOptions o = ParseSimOptions({"--port", "0", "--fault", "2:refuse", "--fault", "noterm,n=-1",
                                          "--fault", "0:ignoresets", "--count", "3"});
    EXPECT_EQ(o.port, 0);
    EXPECT_EQ(o.count, 3);
    ASSERT_EQ(o.faults.size(), 3u);
    EXPECT_EQ(o.faults[0].printer, 2);
    EXPECT_EQ(o.faults[0].fault.kind, Fault::Refuse);
    EXPECT_EQ(o.faults[1].printer, std::nullopt) << "no index: every printer";
    EXPECT_EQ(o.faults[1].fault.kind, Fault::NoTerminator);
    EXPECT_EQ(o.faults[1].fault.connections, -1);
    EXPECT_EQ(o.faults[2].printer, 0);
    EXPECT_EQ(o.faults[2].fault.kind, Fault::IgnoreSets);
}

TEST(PrinterSimOptions, SettingsOptions) {
    const SimOptions o = ParseSimOptions({"--dip", "1000000001", "--status", "42", "--param", "25=3", "--adjust",
                                          "2=-57", "--ip", "10.0.0.1", "--dhcp", "off", "--rarp", "on",
                                          "--socket-port", "9100", "--follow-socket-port", "--control-port", "0"});
    EXPECT_EQ(o.count, 1);
    EXPECT_EQ(o.port, kSimDefaultPort);
    EXPECT_EQ(o.settings.param[0], 1);
    EXPECT_EQ(o.settings.param[1], 0);
    EXPECT_EQ(o.settings.param[9], 1);
    EXPECT_EQ(o.settings.status, 42);
    EXPECT_EQ(o.settings.param[kestrion::kBackFeedSpeed], 3);
    EXPECT_EQ(o.settings.adjust[2], -57);
    EXPECT_EQ(kestrion::FormatDotted(o.settings.address[kestrion::kIpAddress]), "10.0.0.1");
    EXPECT_EQ(o.settings.address[kestrion::kDhcpBootp], 1);
    EXPECT_EQ(o.settings.address[kestrion::kRarp], 0);
    EXPECT_EQ(o.settings.address[kestrion::kSocketPort], 9100);
    EXPECT_TRUE(o.followSocketPort);
    EXPECT_EQ(o.controlPort, 0);
    EXPECT_FALSE(o.help);
    EXPECT_TRUE(ParseSimOptions({"-h"}).help);
}

TEST(PrinterSimOptions, ErrorsSayWhatIsWrong) {
    const struct {
        std::vector<std::string> args;
        const char* error;
    } cases[] = {
        {{"--bogus"}, "unknown option --bogus"},
        {{"--port"}, "missing value after --port"},
        {{"--port", "65536"}, "bad port: 65536"},
        {{"--count", "0"}, "bad count: 0"},
        {{"--count", "257"}, "bad count: 257"},
        {{"--fault", "1:refuse"}, "--fault for printer 1, but there are only 1 printer(s)"},
        {{"--count", "3", "--fault", "3:refuse"}, "--fault for printer 3, but there are only 3 printer(s), 0..2"},
        {{"--fault", "x:refuse"}, "bad printer index: x"},
        {{"--fault", "0:sideways"}, "unknown fault: sideways"},
        {{"--fault", "delay,pause=soon"}, "bad pause: soon"},
        {{"--port", "65530", "--count", "7"}, "--count 7 printers from port 65530 run past port 65535"},
        {{"--param", "5=1"}, "DIP switches are set with --dip"},
        {{"--dip", "10"}, "--dip takes ten 0/1 characters: 10"},
        {{"--dhcp", "maybe"}, "expected on or off: maybe"},
        {{"--ip", "10.0.0"}, "bad address: 10.0.0"},
    };
    for (const auto& c : cases) {
        std::string error;
        try {
            ParseSimOptions(c.args);
        } catch (const BadInput& e) {
            error = e.what();
        }
        EXPECT_THAT(error, HasSubstr(c.error)) << c.args[0];
    }
    // The last port of a fleet may be 65535 itself.
    EXPECT_EQ(ParseSimOptions({"--port", "65530", "--count", "6"}).count, 6);
}

TEST(PrinterSimOptions, UsageListsEveryOption) {
    const std::string usage = SimUsage();
    for (const char* line : {"  --port N ", "  --count N ", "  --load FILE.dat ", "  --follow-socket-port ",
                             "  --fault [I:]KIND[,n=N]", "refuse delay ignoresets", "  --control-port N "}) {
        EXPECT_THAT(usage, HasSubstr(line));
    }
}

}  // namespace
}  // namespace printersim
