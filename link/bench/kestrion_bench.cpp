// kestrion-bench: times each operation of the link library against the
// simulated printer on loopback and prints the medians.
//
//   kestrion-bench [--port N] [--printer NAME] [--count N]
//
// --port: a printer-sim on 127.0.0.1:N (natively, without --port, one is run
// in-process). --printer: also time the spooler path on that printer (Linux:
// a printer of the KESTRION_SIM_SPOOLER file; Windows: an installed printer).
// The library is bound by file name, as the panel program binds it.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "link/kestrion.h"
#include "link/link_library.h"
#include "core/protocol.h"
#ifndef _WIN32
#include "sim/sim_printer.h"
#endif

namespace {

using Library = kestrion::Operations;

#ifdef _WIN32
const char* const kLibraryFile = kestrion::kLinkLibraryFileName;
#else
const char* const kLibraryFile = KESTRION_SO_PATH;
#endif

// Loads the library into `library` and binds all six operations into `lib`.
bool Load(kestrion::LinkLibrary& library, Library& lib) {
    if (!library.Load(kLibraryFile)) {
        std::fprintf(stderr, "kestrion-bench: cannot load %s: %s\n", kLibraryFile, library.LoadError().c_str());
        return false;
    }
    std::string missing;
    if (!library.BindAll(lib, &missing)) {
        std::fprintf(stderr, "kestrion-bench: no operation %s\n", missing.c_str());
        return false;
    }
    return true;
}

// Runs `op` `count` times; returns the median in milliseconds, or a negative
// value when a call failed.
double Median(int count, const std::function<std::int32_t()>& op, std::int32_t* failure) {
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const std::int32_t r = op();
        ms.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (r != LINK_OK) {
            *failure = r;
            return -1;
        }
    }
    std::sort(ms.begin(), ms.end());
    return ms.size() % 2 ? ms[ms.size() / 2] : (ms[ms.size() / 2 - 1] + ms[ms.size() / 2]) / 2;
}

void TimeTarget(const Library& lib, const PrinterTarget& t, const char* path, int count) {
    std::int32_t sysError = 0, status = 0;
    std::int32_t param[31] = {}, adjust[8] = {}, address[6] = {};
    // Start from what the printer holds, so that the sets change nothing.
    if (lib.getParam(&t, param, adjust, address, &sysError) != LINK_OK) {
        std::printf("%-8s settings read failed (sysError %d)\n", path, sysError);
        return;
    }
    struct Op {
        const char* name;
        std::function<std::int32_t()> call;
    };
    std::int32_t readParam[31], readAdjust[8], readAddress[6];
    const Op ops[] = {
        {"DllGetPrinterStatus", [&] { return lib.getStatus(&t, &status, &sysError); }},
        {"DllGetPrinterParam", [&] { return lib.getParam(&t, readParam, readAdjust, readAddress, &sysError); }},
        {"DllSetPrinterParam", [&] { return lib.setParam(&t, param, &sysError); }},
        {"DllSetPrinterAdjust", [&] { return lib.setAdjust(&t, adjust, &sysError); }},
        {"DllSetPrinterAdd", [&] { return lib.setAddress(&t, address, &sysError); }},
        {"DllResetPrinter", [&] { return lib.reset(&t, &sysError); }},
    };
    double read = 0, set = 0;
    for (const Op& op : ops) {
        std::int32_t failure = 0;
        const double median = Median(count, op.call, &failure);
        if (median < 0) {
            std::printf("%-8s %-20s failed: %d (sysError %d)\n", path, op.name, failure, sysError);
            continue;
        }
        std::printf("%-8s %-20s median %8.2f ms over %d calls\n", path, op.name, median, count);
        if (std::strcmp(op.name, "DllGetPrinterParam") == 0) read = median;
        if (std::strcmp(op.name, "DllSetPrinterParam") == 0) set = median;
    }
    std::printf("%-8s full settings read: median %.2f ms; set operation (DllSetPrinterParam): median %.2f ms\n",
                path, read, set);
}

}  // namespace

int main(int argc, char** argv) {
    int port = 0, count = 21;
    std::string printer;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--port" && i + 1 < argc) port = std::atoi(argv[++i]);
        else if (a == "--count" && i + 1 < argc) count = std::max(1, std::atoi(argv[++i]));
        else if (a == "--printer" && i + 1 < argc) printer = argv[++i];
        else {
            std::fprintf(stderr, "usage: kestrion-bench [--port N] [--printer NAME] [--count N]\n");
            return 2;
        }
    }
    kestrion::LinkLibrary library;
    Library lib;
    if (!Load(library, lib)) return 1;

#ifndef _WIN32
    std::unique_ptr<printersim::SimPrinter> local;
    if (port == 0) {
        local = std::make_unique<printersim::SimPrinter>();
        port = local->Port();
        std::printf("printer-sim in-process on 127.0.0.1:%d\n", port);
    }
#else
    if (port == 0) {
        std::fprintf(stderr, "kestrion-bench: --port of a running printer-sim is needed\n");
        return 2;
    }
#endif
    PrinterTarget net{};
    net.connection = 1;
    net.ipAddress[0] = 127;
    net.ipAddress[3] = 1;
    net.port = static_cast<std::uint32_t>(port);
    TimeTarget(lib, net, "tcp", count);

    if (!printer.empty()) {
        PrinterTarget spool{};
        spool.nameLength = static_cast<std::uint32_t>(printer.size());
        spool.printerName = printer.c_str();
        TimeTarget(lib, spool, "spooler", count);
    }
    return 0;
}
