// Kestrion.dll over Wine's real spooler. The wrapper script has added the
// printers named in the environment; their port hands each job to a command
// that passes it to the simulated printer and stores the printer's answer as
// the printer's data, as a port monitor would.
//
//   KES_SPOOL_PRINTER       bidirectional printer whose command answers
//   KES_SPOOL_PRINTER_NOBIDI  printer with bidirectional support off
//   KES_SPOOL_FIXTURE       path of kes-wine-printer.exe (to delete the value)
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "link/kestrion.h"
#include "link/protocol.h"

namespace {

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string() : std::string(v);
}

class WineSpoolTest : public ::testing::Test {
protected:
    void SetUp() override {
        printer = Env("KES_SPOOL_PRINTER");
        noBidi = Env("KES_SPOOL_PRINTER_NOBIDI");
        ASSERT_FALSE(printer.empty()) << "run through link/tests/win/wine_spool_test.sh";
        module = ::LoadLibraryW(L"Kestrion.dll");
        ASSERT_NE(module, nullptr);
        getStatus = reinterpret_cast<PFN_DllGetPrinterStatus>(
            reinterpret_cast<void*>(::GetProcAddress(module, "DllGetPrinterStatus")));
        getParam = reinterpret_cast<PFN_DllGetPrinterParam>(
            reinterpret_cast<void*>(::GetProcAddress(module, "DllGetPrinterParam")));
        setAdjust = reinterpret_cast<PFN_DllSetPrinterAdjust>(
            reinterpret_cast<void*>(::GetProcAddress(module, "DllSetPrinterAdjust")));
        ASSERT_TRUE(getStatus && getParam && setAdjust);
        DeleteReply(printer);
    }
    void TearDown() override {
        if (module != nullptr) ::FreeLibrary(module);
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

    PrinterTarget Target(const std::string& name) const {
        PrinterTarget t{};
        t.connection = 0;
        t.nameLength = static_cast<std::uint32_t>(name.size());
        t.printerName = name.c_str();
        return t;
    }

    HMODULE module = nullptr;
    PFN_DllGetPrinterStatus getStatus = nullptr;
    PFN_DllGetPrinterParam getParam = nullptr;
    PFN_DllSetPrinterAdjust setAdjust = nullptr;
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
    // The printer without bidirectional attribute answers nothing either, but
    // refuses the read before any job; a printer whose command stores nothing
    // is the bidirectional one with the value deleted and the command told to
    // keep quiet (KES_SPOOL_SILENT_PRINTER).
    const std::string silent = Env("KES_SPOOL_SILENT_PRINTER");
    ASSERT_FALSE(silent.empty());
    DeleteReply(silent);
    const PrinterTarget t = Target(silent);
    std::int32_t param[31], adjust[8], address[6];
    EXPECT_EQ(getParam(&t, param, adjust, address, &sysError), LINK_E_PARAM_REPLY);
    EXPECT_EQ(sysError, 0);  // the cancel is accepted
    std::int32_t status = -99;
    EXPECT_EQ(getStatus(&t, &status, &sysError), LINK_E_STATUS_REPLY);
}

}  // namespace
