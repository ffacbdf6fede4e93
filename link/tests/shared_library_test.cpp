// libkestrion.so as another program binds it: loaded by file name, the six
// operations resolved by name. Its spooler printers come from the file named
// in KESTRION_SIM_SPOOLER, their port monitor forwarding to a printer-sim on
// loopback; the network path reaches the same printer directly.
#include <stdlib.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "link/tests/targets.h"
#include "link/kestrion.h"
#include "link/link_library.h"
#include "core/protocol.h"
#include "sim/sim_printer.h"

namespace {

class SharedLibraryTest : public ::testing::Test, protected kestrion::Operations {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.Load(KESTRION_SO_PATH)) << library.LoadError();
        std::string missing;
        ASSERT_TRUE(library.BindAll(*this, &missing)) << missing;

        char pattern[] = "/tmp/kestrion-spooler-XXXXXX";
        const int fd = ::mkstemp(pattern);
        ASSERT_GE(fd, 0);
        ::close(fd);
        configPath = pattern;
        std::ofstream(configPath) << "# printers of the simulated spooler\n"
                                  << "[LP Bidi]\nbidi = on\nport = " << printer.port() << "\n\n"
                                  << "[LP Third Fetch]\nport = " << printer.port() << "\nreply-on-fetch = 3\n\n"
                                  << "[LP Plain]\nbidi = off\nport = " << printer.port() << "\n\n"
                                  << "[LP Silent]\nport = " << printer.port() << "\nreply-on-fetch = 0\n";
        ::setenv("KESTRION_SIM_SPOOLER", configPath.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KESTRION_SIM_SPOOLER");
        std::remove(configPath.c_str());
    }
    static PrinterTarget Spooler(const char* name) { return kestrion::testing::SpoolerTarget(name); }

    printersim::SimPrinter printer;
    kestrion::LinkLibrary library;
    std::string configPath;
    std::int32_t sysError = -1;
    std::int32_t param[31] = {}, adjust[8] = {}, address[6] = {};
};

TEST_F(SharedLibraryTest, SpoolerPrintersFromTheFile) {
    const PrinterTarget bidi = Spooler("LP Bidi");
    const std::int32_t newAdjust[8] = {1, -2, 3, -4, 5, -6, 7, -8};
    ASSERT_EQ(setAdjust(&bidi, newAdjust, &sysError), LINK_OK);
    ASSERT_EQ(getParam(&bidi, param, adjust, address, &sysError), LINK_OK);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(adjust[i], newAdjust[i]);

    const PrinterTarget third = Spooler("LP Third Fetch");
    std::int32_t status = -1;
    EXPECT_EQ(getStatus(&third, &status, &sysError), LINK_OK);
    EXPECT_EQ(status, printer.model().settings().status);

    const PrinterTarget plain = Spooler("LP Plain");
    EXPECT_EQ(getParam(&plain, param, adjust, address, &sysError), LINK_E_NO_BIDI);
    EXPECT_EQ(reset(&plain, &sysError), LINK_OK);

    const PrinterTarget silent = Spooler("LP Silent");
    EXPECT_EQ(getStatus(&silent, &status, &sysError), LINK_E_STATUS_REPLY);
    EXPECT_EQ(getParam(&silent, param, adjust, address, &sysError), LINK_E_PARAM_REPLY);

    const PrinterTarget missing = Spooler("LP Missing");
    EXPECT_EQ(reset(&missing, &sysError), LINK_E_SPOOLER);
    EXPECT_EQ(sysError, ENOENT);
}

TEST_F(SharedLibraryTest, NetworkPathAndTheCommonOpening) {
    PrinterTarget net{};
    net.connection = 1;
    net.ipAddress[0] = 127;
    net.ipAddress[3] = 1;
    net.port = printer.port();
    std::int32_t newParam[31] = {};
    newParam[kestrion::kBackFeedSpeed] = 2;
    ASSERT_EQ(setParam(&net, newParam, &sysError), LINK_OK);
    const std::int32_t newAddress[6] = {kestrion::PackOctets({10, 0, 0, 1}), kestrion::PackOctets({255, 0, 0, 0}),
                                        kestrion::PackOctets({10, 0, 0, 254}), 1, 1, 2560};
    ASSERT_EQ(setAddress(&net, newAddress, &sysError), LINK_OK);
    ASSERT_EQ(getParam(&net, param, adjust, address, &sysError), LINK_OK);
    EXPECT_EQ(param[kestrion::kBackFeedSpeed], 2);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(address[i], i < 3 || i == 5 ? newAddress[i] : 1) << i;

    EXPECT_EQ(reset(&net, nullptr), LINK_E_NULL_ARG);
    net.connection = 2;
    EXPECT_EQ(reset(&net, &sysError), LINK_E_TARGET);
}

}  // namespace
