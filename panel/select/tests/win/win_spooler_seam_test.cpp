// The selection's winspool seam against Wine's own spooler: printers added
// here with an accepted and a foreign driver, one whose name the system code
// page cannot hold, and the ports Wine describes.
#include <windows.h>
#include <winspool.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "panel/select/printer_selection.h"
#include "panel/select/win_select_seams.h"

namespace tamsel {
namespace {

constexpr wchar_t kAccepted[] = L"KVT Vantorelli 7K4R5B";
constexpr wchar_t kForeign[] = L"Select Test Foreign Driver";

bool InstallDriver(const wchar_t* name) {
    DRIVER_INFO_3W driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<wchar_t*>(name);
    driver.pDriverPath = const_cast<wchar_t*>(L"wineps.drv");
    driver.pDataFile = const_cast<wchar_t*>(L"generic.ppd");
    driver.pConfigFile = const_cast<wchar_t*>(L"wineps.drv");
    return AddPrinterDriverW(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)) ||
           GetLastError() == ERROR_PRINTER_DRIVER_ALREADY_INSTALLED;
}

void UninstallPrinter(const std::wstring& name) {
    PRINTER_DEFAULTSW defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!OpenPrinterW(const_cast<wchar_t*>(name.c_str()), &printer, &defaults)) return;
    DeletePrinter(printer);
    ClosePrinter(printer);
}

bool InstallPrinter(const std::wstring& name, const wchar_t* port, const wchar_t* driver) {
    UninstallPrinter(name);
    PRINTER_INFO_2W info{};
    info.pPrinterName = const_cast<wchar_t*>(name.c_str());
    info.pPortName = const_cast<wchar_t*>(port);
    info.pDriverName = const_cast<wchar_t*>(driver);
    info.pPrintProcessor = const_cast<wchar_t*>(L"WinPrint");
    info.pDatatype = const_cast<wchar_t*>(L"RAW");
    HANDLE printer = AddPrinterW(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (!printer) return false;
    ClosePrinter(printer);
    return true;
}

const std::wstring kLabel = L"Select Test Label";
const std::wstring kOther = L"Select Test Other";
const std::wstring kSnowman = L"Select Test \u2603 Label";  // no place in any ANSI code page

class WineSpooler : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallDriver(kAccepted)) << GetLastError();
        ASSERT_TRUE(InstallDriver(kForeign)) << GetLastError();
        ASSERT_TRUE(InstallPrinter(kLabel, L"LPT1:", kAccepted)) << GetLastError();
        ASSERT_TRUE(InstallPrinter(kOther, L"LPT1:", kForeign)) << GetLastError();
        ASSERT_TRUE(InstallPrinter(kSnowman, L"LPT1:", kAccepted)) << GetLastError();
    }
    void TearDown() override {
        for (const std::wstring& name : {kLabel, kOther, kSnowman}) UninstallPrinter(name);
    }
    WinPrinterEnumeration spooler;
};

TEST_F(WineSpooler, OnlyAcceptedPrintersTheLinkLibraryCanAddressAreOffered) {
    EXPECT_TRUE(spooler.IsNtPlatform());
    std::vector<PrinterRow> ours;
    for (const PrinterRow& row : CollectPrinters(spooler)) {
        if (row.printerName.rfind("Select Test", 0) == 0) ours.push_back(row);
    }
    ASSERT_EQ(ours.size(), 1u);
    EXPECT_EQ(ours[0].printerName, "Select Test Label");
    EXPECT_EQ(ours[0].destination, "LPT1:");

    // The level-2 details that the filter walked.
    bool sawSnowman = false;
    for (const PrinterDetail& detail : spooler.PrintersOf("")) {
        if (detail.printerName == "Select Test \xE2\x98\x83 Label") {
            sawSnowman = true;
            EXPECT_EQ(detail.driverName, "KVT Vantorelli 7K4R5B");
        }
    }
    EXPECT_TRUE(sawSnowman) << "the wide enumeration keeps the name whole";
    EXPECT_TRUE(spooler.OpensForUse("Select Test Label"));
    EXPECT_FALSE(spooler.OpensForUse("Select Test \xE2\x98\x83 Label"));
    EXPECT_FALSE(spooler.OpensForUse("Select Test No Such Printer"));
}

TEST_F(WineSpooler, ThePortOfTheChosenPrinterHasADescription) {
    const std::vector<PortDetail> ports = spooler.Ports();
    ASSERT_FALSE(ports.empty());
    const std::string description = FindPortDescription(ports, "LPT1:");
    EXPECT_FALSE(description.empty());
    // Wine describes its local ports in the system's language; in a Japanese
    // prefix that is the one local-port text the selection accepts.
    if (GetACP() == 932) {
        EXPECT_EQ(ClassifyPort(description), PortKind::Local) << description;
    }
}

TEST(ExactAnsiName, OnlyNamesThatSurviveTheCodePage) {
    EXPECT_EQ(ExactAnsiName("Label 1"), std::optional<std::string>("Label 1"));
    EXPECT_EQ(ExactAnsiName("Label \xE2\x98\x83"), std::nullopt);
    EXPECT_EQ(ExactAnsiName(""), std::optional<std::string>(""));
}

}  // namespace
}  // namespace tamsel
