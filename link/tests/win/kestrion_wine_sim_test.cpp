// Kestrion.dll under Wine against the simulated printer (a native printer-sim
// on loopback, started by wine_sim_test.sh): over Winsock and ICMP.DLL, and
// over Wine's real spooler. The script has added the printers named in the
// environment; their port hands each job to a command that passes it to the
// printer-sim and stores the printer's answer as the printer's data, as a
// port monitor would.
//
//   KES_SIM_PORT              the printer-sim's TCP port
//   KES_SIM_CONTROL           its control port (faults, one line each)
//   KES_SPOOL_PRINTER         bidirectional printer whose command answers
//   KES_SPOOL_PRINTER_NOBIDI  printer with bidirectional support off
//   KES_SPOOL_SILENT_PRINTER  bidirectional printer whose command never answers
#include <winsock2.h>
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "link/kestrion.h"
#include "link/link_library.h"
#include "link/tests/targets.h"
#include "core/protocol.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

// Kestrion.dll loaded by file name and its six operations bound by name, as
// the panel program does it.
class LoadedLibraryTest : public ::testing::Test, protected kestrion::Operations {
protected:
    void SetUp() override {
        ASSERT_TRUE(library.Load(kestrion::kLinkLibraryFileName)) << library.LoadError();
        std::string missing;
        ASSERT_TRUE(library.BindAll(*this, &missing)) << missing;
    }

    kestrion::LinkLibrary library;
};

class WineSpoolTest : public LoadedLibraryTest {
protected:
    void SetUp() override {
        printer = Env("KES_SPOOL_PRINTER");
        noBidi = Env("KES_SPOOL_PRINTER_NOBIDI");
        ASSERT_FALSE(printer.empty()) << "run through link/tests/win/wine_sim_test.sh";
        LoadedLibraryTest::SetUp();
        DeleteReply(printer);
    }

    // The value from an earlier exchange must not answer this one. Wine
    // keeps printer data in the registry and has no DeletePrinterDataA.
    static void DeleteReply(const std::string& name) {
        const std::string key = "System\\CurrentControlSet\\Control\\Print\\Printers\\" + name +
                                "\\PrinterDriverData";
        const std::string value = "GetDevRes," + name + ",";
        HKEY h = nullptr;
        if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return;
        ::RegDeleteValueA(h, value.c_str());
        ::RegCloseKey(h);
    }

    PrinterTarget Target(const std::string& name) const { return kestrion::testing::SpoolerTarget(name.c_str()); }

    std::string printer, noBidi;
    std::int32_t sysError = -1;
};

TEST_F(WineSpoolTest, SetThenReadBackThroughTheSpooler) {
    const PrinterTarget t = Target(printer);
    const std::int32_t adjust[8] = {-3, 4, -120, 35, 0, 7, -1, 250};
    ASSERT_EQ(setAdjust(&t, adjust, &sysError), LINK_OK);
    EXPECT_EQ(sysError, 0);

    std::int32_t param[31], readAdjust[8], address[6];
    ASSERT_EQ(getParam(&t, param, readAdjust, address, &sysError), LINK_OK);
    for (int i = 0; i < 8; ++i) EXPECT_EQ(readAdjust[i], adjust[i]) << i;
}

TEST_F(WineSpoolTest, StatusReadThroughTheSpooler) {
    const PrinterTarget t = Target(printer);
    std::int32_t status = -99;
    ASSERT_EQ(getStatus(&t, &status, &sysError), LINK_OK);
    EXPECT_GE(status, 0);
    EXPECT_EQ(sysError, 0);
}

TEST_F(WineSpoolTest, BidirectionalSupportOffRefusesTheRead) {
    ASSERT_FALSE(noBidi.empty());
    const PrinterTarget t = Target(noBidi);
    std::int32_t status = -99;
    EXPECT_EQ(getStatus(&t, &status, &sysError), LINK_E_NO_BIDI);
    EXPECT_EQ(sysError, 0);
    EXPECT_EQ(status, -99);
}

TEST_F(WineSpoolTest, NoReplyGivesTheReadsOwnCode) {
    // A bidirectional printer whose port's command never stores an answer.
    const std::string silent = Env("KES_SPOOL_SILENT_PRINTER");
    ASSERT_FALSE(silent.empty());
    DeleteReply(silent);
    const PrinterTarget t = Target(silent);
    std::int32_t param[31], adjust[8], address[6];
    // The job is then cancelled and the printer closed. Under Wine one of
    // these clean-up calls fails with ERROR_INVALID_HANDLE (Wine has already
    // scheduled and removed the finished job); that is recorded in sysError
    // without changing the result.
    EXPECT_EQ(getParam(&t, param, adjust, address, &sysError), LINK_E_PARAM_REPLY);
    EXPECT_TRUE(sysError == 0 || sysError == ERROR_INVALID_HANDLE) << sysError;
    for (std::int32_t v : param) EXPECT_EQ(v, 0);
    std::int32_t status = -99;
    EXPECT_EQ(getStatus(&t, &status, &sysError), LINK_E_STATUS_REPLY);
    EXPECT_EQ(status, -99);
}

// --- Over Winsock against the printer-sim -------------------------------------

class WineSimNetworkTest : public LoadedLibraryTest {
protected:
    void SetUp() override {
        port = std::atoi(Env("KES_SIM_PORT").c_str());
        control = std::atoi(Env("KES_SIM_CONTROL").c_str());
        ASSERT_GT(port, 0) << "run through link/tests/win/wine_sim_test.sh";
        LoadedLibraryTest::SetUp();
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 2), &data), 0);
        Control("clear");
    }
    void TearDown() override {
        Control("clear");
        ::WSACleanup();
        LoadedLibraryTest::TearDown();
    }

    // One line on the printer-sim's control port, answered "ok".
    void Control(const std::string& line) {
        const SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = ::htonl(INADDR_LOOPBACK);
        to.sin_port = ::htons(static_cast<u_short>(control));
        ASSERT_EQ(::connect(s, reinterpret_cast<sockaddr*>(&to), sizeof to), 0);
        const std::string text = line + "\n";
        ::send(s, text.data(), static_cast<int>(text.size()), 0);
        char answer[256] = {};
        int got = 0;
        while (got < 255) {
            const int n = ::recv(s, answer + got, 255 - got, 0);
            if (n <= 0) break;
            got += n;
            if (answer[got - 1] == '\n') break;
        }
        ::closesocket(s);
        ASSERT_EQ(std::string(answer, got).substr(0, 2), "ok") << line << ": " << answer;
    }

    PrinterTarget Target() const { return kestrion::testing::LoopbackTarget(static_cast<std::uint32_t>(port)); }

    int port = 0, control = 0;
    std::int32_t sysError = -1;
    std::int32_t param[31] = {}, adjust[8] = {}, address[6] = {};
};

// Address 10.0.0.1 and socket port 2560 put 0A 00 into the reply's fields;
// with the reply split right behind them it must still be read whole.
TEST_F(WineSimNetworkTest, AddressWith0A00ReadBackFromASplitReply) {
    const PrinterTarget t = Target();
    const std::int32_t newAddress[6] = {kestrion::PackOctets({10, 0, 0, 1}), kestrion::PackOctets({255, 255, 0, 0}),
                                        kestrion::PackOctets({10, 0, 0, 254}), 1, 0, 2560};
    ASSERT_EQ(setAddress(&t, newAddress, &sysError), LINK_OK);
    for (const char* split : {"86", "98"}) {
        Control(std::string("fault split,split=") + split + ",pause=50");
        ASSERT_EQ(getParam(&t, param, adjust, address, &sysError), LINK_OK) << split;
        for (int i = 0; i < 6; ++i) EXPECT_EQ(address[i], newAddress[i]) << "split " << split << " element " << i;
    }
}

TEST_F(WineSimNetworkTest, FaultsGiveTheirCodes) {
    struct Case {
        const char* fault;
        bool settings;
        std::int32_t result;
    };
    const Case cases[] = {
        {"split,split=3,pause=50", false, LINK_OK},
        {"trailing", false, LINK_E_NETWORK},
        {"closeearly", false, LINK_E_NETWORK},
        {"zeroword", true, LINK_E_PARAM_REPLY},
    };
    const PrinterTarget t = Target();
    for (const Case& c : cases) {
        Control(std::string("fault ") + c.fault);
        std::int32_t status = -1;
        const std::int32_t r = c.settings ? getParam(&t, param, adjust, address, &sysError)
                                          : getStatus(&t, &status, &sysError);
        EXPECT_EQ(r, c.result) << c.fault;
        EXPECT_EQ(sysError, 0) << c.fault;
        Control("clear");
    }
}

}  // namespace
