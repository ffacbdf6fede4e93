// The prepared end-to-end prefix, as the panel program will see it: the
// Japanese code page, the port descriptions of our test port monitor in
// EnumPortsA, the printer sets, and a job through a test printer's port
// reaching the simulated printer and its answer coming back.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "core/protocol.h"
#include "e2e/fixture/sim_control.h"
#include "e2e/fixture/sim_values.h"
#include "e2e/fixture/spooler_setup.h"
#include "e2e/fixture/test_printers.h"
#include "link/kestrion.h"
#include "link/operations_binding.h"

namespace {

std::string Ansi(const std::wstring& text) {
    const int size = ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_ACP, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    out.resize(static_cast<std::size_t>(size > 0 ? size - 1 : 0));
    return out;
}

std::string DescriptionOf(const std::string& port) {
    for (const auto& p : e2e::EnumeratePortsA()) {
        if (p.name == port) return p.description;
    }
    return "<port not listed>";
}

// The catalogue printers that are installed now.
std::set<std::string> InstalledTestPrinters() {
    std::set<std::string> catalogue;
    for (const auto& p : e2e::TestPrinters()) catalogue.insert(p.name);
    std::set<std::string> installed;
    for (const auto& name : e2e::InstalledPrinters()) {
        if (catalogue.count(name) != 0) installed.insert(name);
    }
    return installed;
}

class PrinterSetTest : public ::testing::Test {
protected:
    // Leave the prefix with its default set for whatever runs next.
    void TearDown() override { EXPECT_EQ(e2e::ApplyPrinterSet("one-usb"), ""); }
};

TEST(PreparedPrefix, RunsWithTheJapaneseCodePage) {
    EXPECT_EQ(::GetACP(), 932u);
}

TEST(PreparedPrefix, EnumPortsLevel2ShowsTheTestDescriptionsInTheSystemCodePage) {
    struct Case {
        const char* port;
        std::wstring description;
    };
    const Case cases[] = {
        {"USB001", L"Virtual printer port for USB"},
        {"USB002", L"USB の仮想プリンタ ポート"},
        {"USB003", L"USB の仮想プリンター ポート"},
        {"IP_127.0.0.1", L"Standard TCP/IP Port"},
        {"IP_127.0.0.2", L"標準の TCP/IP ポート"},
        {"KESPS1:", L"KVT Print Server Port 2"},
        {"KESPS2:", e2e::LongPrintServerDescription()},
        {"KESLOCAL:", L"ローカル ポート"},
        {"KESLOCALEN:", L"Local Port"},
        {"KESFAX:", L"Fax Monitor Port"},
        // Wine's own file port, described by Wine in Japanese.
        {"FILE:", L"ローカル ポート"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DescriptionOf(c.port), Ansi(c.description)) << c.port;
    }
    EXPECT_GE(DescriptionOf("KESPS2:").size(), 100u) << "the long description must stay 100 bytes or more";
}

TEST_F(PrinterSetTest, EachSetInstallsExactlyItsPrinters) {
    for (const auto& set : e2e::PrinterSets()) {
        ASSERT_EQ(e2e::ApplyPrinterSet(set.name), "") << set.name;
        const std::set<std::string> expected(set.printers.begin(), set.printers.end());
        EXPECT_EQ(InstalledTestPrinters(), expected) << set.name;
    }
}

TEST_F(PrinterSetTest, AnUnknownSetIsRefusedAndChangesNothing) {
    ASSERT_EQ(e2e::ApplyPrinterSet("one-local"), "");
    EXPECT_NE(e2e::ApplyPrinterSet("no such set"), "");
    EXPECT_EQ(InstalledTestPrinters(), std::set<std::string>{"Vantorelli Local"});
}

TEST(Simulator, ControlPortAnswersOnLoopback) {
    ASSERT_NE(e2e::SimControlPort(), 0) << "run through e2e/run_e2e.sh";
    EXPECT_EQ(e2e::SimControl(e2e::SimControlPort(), "clear"), "ok");
    EXPECT_EQ(e2e::SimControl(e2e::SimControlPort(), "bogus").rfind("error", 0), 0u);
}

// Kestrion.dll reads each spooler printer through its own mapped port: the
// printer name in the port's command must reach the command whole.
class SpoolerPathTest : public PrinterSetTest, protected kestrion::Operations {
protected:
    void SetUp() override {
        const char* folder = std::getenv("KES_E2E_LINK_DIR");
        ASSERT_NE(folder, nullptr) << "run through e2e/run_e2e.sh";
        const std::string path = std::string(folder) + "\\Kestrion.dll";
        module = ::LoadLibraryA(path.c_str());
        ASSERT_NE(module, nullptr) << path;
        std::string missing;
        ASSERT_TRUE(kestrion::BindOperations(
            [this](const char* name) { return reinterpret_cast<void*>(::GetProcAddress(module, name)); }, *this,
            &missing))
            << missing;
        ASSERT_EQ(e2e::ApplyPrinterSet("several"), "");
        ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "clear"), "ok");
    }
    void TearDown() override {
        if (module != nullptr) ::FreeLibrary(module);
        PrinterSetTest::TearDown();
    }
    HMODULE module = nullptr;
};

TEST_F(SpoolerPathTest, EverySimulatorPortAnswersForItsOwnPrinter) {
    for (const char* name : {"Vantorelli USB", "Vantorelli USB JP", "Vantorelli Local", "Vantorelli Suffix"}) {
        PrinterTarget target{};
        target.connection = 0;
        target.nameLength = static_cast<std::uint32_t>(std::strlen(name));
        target.printerName = name;
        std::int32_t param[31] = {}, adjust[8] = {}, address[6] = {}, sysError = -1;
        EXPECT_EQ(getParam(&target, param, adjust, address, &sysError), 0) << name << " error " << sysError;
        EXPECT_EQ(address[kestrion::kIpAddress],
                  kestrion::PackOctets({e2e::kSimIp[0], e2e::kSimIp[1], e2e::kSimIp[2], e2e::kSimIp[3]}))
            << name;
        EXPECT_EQ(address[kestrion::kSocketPort], e2e::kSimSocketPort) << name;
        EXPECT_EQ(param[0], 1) << name << ": DIP switch 1";
        EXPECT_EQ(param[1], 0) << name << ": DIP switch 2";
    }
}

TEST_F(SpoolerPathTest, AFaultArmedOnTheSimulatorFailsTheNextRead) {
    ASSERT_EQ(e2e::SimControl(e2e::SimControlPort(), "fault zeroword"), "ok");
    const char* name = "Vantorelli USB";
    PrinterTarget target{};
    target.nameLength = static_cast<std::uint32_t>(std::strlen(name));
    target.printerName = name;
    std::int32_t param[31] = {}, adjust[8] = {}, address[6] = {}, sysError = 0;
    EXPECT_NE(getParam(&target, param, adjust, address, &sysError), 0);
    EXPECT_EQ(getParam(&target, param, adjust, address, &sysError), 0) << "the fault was for one exchange";
}

}  // namespace
