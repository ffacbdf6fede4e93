// Sets up a printer in Wine's spooler for the spooler tests: a printer on a
// port that Wine hands to a command, and the printer data that the command
// stores as the port monitor's answer.
//
//   kes-wine-printer add NAME PORT BIDI       printer on PORT, bidirectional support 1/0
//   kes-wine-printer setdata NAME FILE        "GetDevRes,NAME," := the bytes of FILE
//   kes-wine-printer deldata NAME             removes that value
#include <windows.h>
#include <winspool.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/spooler_reply.h"

namespace {

constexpr char kDriverName[] = "Kestrion Test Driver";

std::string ValueName(const char* printer) { return kestrion::ReplyValueName(printer); }

int Fail(const char* what) {
    std::fprintf(stderr, "kes-wine-printer: %s failed, error %lu\n", what, ::GetLastError());
    return 1;
}

int InstallTestPrinter(const char* name, const char* port, bool bidi, const char* driverName) {
    // The driver is Wine's own PostScript driver under a name of ours.
    DRIVER_INFO_3A driver{};
    driver.cVersion = 3;
    driver.pName = const_cast<char*>(driverName);
    driver.pDriverPath = const_cast<char*>("wineps.drv");
    driver.pDataFile = const_cast<char*>("generic.ppd");
    driver.pConfigFile = const_cast<char*>("wineps.drv");
    if (!::AddPrinterDriverA(nullptr, 3, reinterpret_cast<LPBYTE>(&driver)) &&
        ::GetLastError() != ERROR_PRINTER_DRIVER_ALREADY_INSTALLED) {
        return Fail("AddPrinterDriverA");
    }
    PRINTER_INFO_2A info{};
    info.pPrinterName = const_cast<char*>(name);
    info.pPortName = const_cast<char*>(port);
    info.pDriverName = const_cast<char*>(driverName);
    info.pPrintProcessor = const_cast<char*>("WinPrint");
    info.pDatatype = const_cast<char*>("RAW");
    info.Attributes = bidi ? kestrion::kPrinterAttributeEnableBidi : 0;
    HANDLE printer = ::AddPrinterA(nullptr, 2, reinterpret_cast<LPBYTE>(&info));
    if (printer == nullptr) {
        if (::GetLastError() != ERROR_PRINTER_ALREADY_EXISTS) return Fail("AddPrinterA");
        // Already there from an earlier run: bring its attributes to what is asked.
        PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
        if (!::OpenPrinterA(const_cast<char*>(name), &printer, &defaults)) return Fail("OpenPrinterA");
        DWORD needed = 0;
        ::GetPrinterA(printer, 2, nullptr, 0, &needed);
        std::vector<BYTE> buffer(needed);
        if (!::GetPrinterA(printer, 2, buffer.data(), needed, &needed)) return Fail("GetPrinterA");
        auto* current = reinterpret_cast<PRINTER_INFO_2A*>(buffer.data());
        current->Attributes = info.Attributes;
        if (!::SetPrinterA(printer, 2, buffer.data(), 0)) return Fail("SetPrinterA");
    }
    ::ClosePrinter(printer);
    return 0;
}

int SetData(const char* name, const char* file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "kes-wine-printer: cannot read %s\n", file);
        return 1;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (bytes.empty()) return 0;  // no reply: nothing to keep
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE printer = nullptr;
    if (!::OpenPrinterA(const_cast<char*>(name), &printer, &defaults)) return Fail("OpenPrinterA");
    const std::string value = ValueName(name);
    const DWORD r = ::SetPrinterDataA(printer, const_cast<char*>(value.c_str()), REG_BINARY,
                                      reinterpret_cast<LPBYTE>(bytes.data()), static_cast<DWORD>(bytes.size()));
    ::ClosePrinter(printer);
    if (r != ERROR_SUCCESS) {
        ::SetLastError(r);
        return Fail("SetPrinterDataA");
    }
    return 0;
}

// Wine keeps printer data in the registry and has no DeletePrinterDataA.
int DeleteData(const char* name) {
    const std::string key =
        std::string("System\\CurrentControlSet\\Control\\Print\\Printers\\") + name + "\\PrinterDriverData";
    HKEY h = nullptr;
    if (::RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_SET_VALUE, &h) != ERROR_SUCCESS) return 0;
    const LONG r = ::RegDeleteValueA(h, ValueName(name).c_str());
    ::RegCloseKey(h);
    return r == ERROR_SUCCESS || r == ERROR_FILE_NOT_FOUND ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string command = argc > 1 ? argv[1] : "";
    if (command == "add" && (argc == 5 || argc == 6)) {
        return InstallTestPrinter(argv[2], argv[3], std::strcmp(argv[4], "1") == 0, argc == 6 ? argv[5] : kDriverName);
    }
    if (command == "setdata" && argc == 4) return SetData(argv[2], argv[3]);
    if (command == "deldata" && argc == 3) return DeleteData(argv[2]);
    std::fprintf(stderr, "usage: kes-wine-printer add NAME PORT BIDI [DRIVER] | setdata NAME FILE | deldata NAME\n");
    return 2;
}
