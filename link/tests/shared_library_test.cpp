// libkestrion.so as another program binds it: loaded by file name, the six
// operations resolved by name. The product has no spooler on this platform;
// the test build's spooler printers come from the file named in
// KESTRION_SIM_SPOOLER, their port monitor forwarding to a printer-sim on
// loopback. The network path reaches the same printer directly.
#include <stdlib.h>
#include <errno.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <functional>
#include <string>

#include "link/tests/targets.h"
#include "link/kestrion.h"
#include "link/link_library.h"
#include "core/protocol.h"
#include "sim/sim_printer.h"

namespace {

class LoadedLibraryTest : public ::testing::Test, protected kestrion::Operations {
protected:
    explicit LoadedLibraryTest(const char* path) : path(path) {}
    void SetUp() override {
        ASSERT_TRUE(library.Load(path)) << library.LoadError();
        std::string missing;
        ASSERT_TRUE(library.BindAll(*this, &missing)) << missing;

        char pattern[] = "/tmp/kestrion-spooler-XXXXXX";
        const int fd = ::mkstemp(pattern);
        ASSERT_GE(fd, 0);
        ::close(fd);
        configPath = pattern;
        std::ofstream(configPath) << "# printers of the simulated spooler\n"
                                  << "[LP Bidi]\nbidi = on\nport = " << printer.Port() << "\n\n"
                                  << "[LP Third Fetch]\nport = " << printer.Port() << "\nreply-on-fetch = 3\n\n"
                                  << "[LP Plain]\nbidi = off\nport = " << printer.Port() << "\n\n"
                                  << "[LP Silent]\nport = " << printer.Port() << "\nreply-on-fetch = 0\n";
        ::setenv("KESTRION_SIM_SPOOLER", configPath.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("KESTRION_SIM_SPOOLER");
        std::remove(configPath.c_str());
    }
    static PrinterTarget Spooler(const char* name) { return kestrion::testing::SpoolerTarget(name); }
    void CheckNetworkPath();

    const char* path;
    printersim::SimPrinter printer;
    kestrion::LinkLibrary library;
    std::string configPath;
    std::int32_t sysError = -1;
    std::int32_t param[31] = {}, adjust[8] = {}, address[6] = {};
};

// The test build, over the simulated spooler.
class SharedLibraryTest : public LoadedLibraryTest {
protected:
    SharedLibraryTest() : LoadedLibraryTest(KESTRION_SIM_SO_PATH) {}
};

// The library as shipped.
class ProductLibraryTest : public LoadedLibraryTest {
protected:
    ProductLibraryTest() : LoadedLibraryTest(KESTRION_SO_PATH) {}
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
    EXPECT_EQ(status, printer.Model().Settings().status);

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

void LoadedLibraryTest::CheckNetworkPath() {
    PrinterTarget net{};
    net.connection = 1;
    net.ipAddress[0] = 127;
    net.ipAddress[3] = 1;
    net.port = printer.Port();
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

TEST_F(SharedLibraryTest, NetworkPathAndTheCommonOpening) { CheckNetworkPath(); }
TEST_F(ProductLibraryTest, NetworkPathAndTheCommonOpening) { CheckNetworkPath(); }

// No spooler here: every operation on a spooler target fails at the printer
// open with -700 and ENOSYS, whatever printers the simulator's file lists.
TEST_F(ProductLibraryTest, SpoolerTargetsFailWithoutASpooler) {
    const PrinterTarget bidi = Spooler("LP Bidi");
    std::int32_t status = 0;
    const std::int32_t values[31] = {};
    const struct {
        const char* operation;
        std::function<std::int32_t(std::int32_t*)> call;
    } cases[] = {
        {"DllGetPrinterStatus", [&](std::int32_t* e) { return getStatus(&bidi, &status, e); }},
        {"DllGetPrinterParam", [&](std::int32_t* e) { return getParam(&bidi, param, adjust, address, e); }},
        {"DllSetPrinterParam", [&](std::int32_t* e) { return setParam(&bidi, values, e); }},
        {"DllSetPrinterAdjust", [&](std::int32_t* e) { return setAdjust(&bidi, values, e); }},
        {"DllSetPrinterAdd", [&](std::int32_t* e) { return setAddress(&bidi, values, e); }},
        {"DllResetPrinter", [&](std::int32_t* e) { return reset(&bidi, e); }},
    };
    for (const auto& c : cases) {
        std::int32_t error = -1;
        EXPECT_EQ(c.call(&error), LINK_E_SPOOLER) << c.operation;
        EXPECT_EQ(error, ENOSYS) << c.operation;
    }
    // The target check still comes first.
    PrinterTarget unnamed = bidi;
    unnamed.nameLength = 0;
    EXPECT_EQ(reset(&unnamed, &sysError), LINK_E_TARGET);
    EXPECT_EQ(printer.Model().ResetCount(), 0);
}

}  // namespace
