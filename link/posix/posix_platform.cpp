// The POSIX platform: POSIX sockets, and no spooler. There is no Windows
// spooler here, so a spooler target fails at its first call, the printer
// open: the operation returns -700 with sysError ENOSYS.
#include <cerrno>

#include "link/core/operations.h"
#include "link/posix/posix_sockets.h"

namespace kestrion::link {
namespace {

class NoSpooler final : public SpoolerApi {
public:
    bool OpenPrinterA(const char*, PrinterHandle*) override { return false; }
    // Nothing below is reached without an open printer; each fails the same way.
    bool GetPrinterLevel2(PrinterHandle, std::uint8_t*, std::uint32_t, std::uint32_t*) override { return false; }
    std::uint32_t Level2Attributes(const std::uint8_t*) override { return 0; }
    std::uint32_t StartDocPrinterA(PrinterHandle, const char*) override { return 0; }
    bool WritePrinter(PrinterHandle, const std::uint8_t*, std::uint32_t, std::uint32_t*) override { return false; }
    bool EndDocPrinter(PrinterHandle) override { return false; }
    void Sleep(std::uint32_t) override {}
    std::uint32_t GetPrinterDataA(PrinterHandle, const char*, std::uint8_t*, std::uint32_t, std::uint32_t*) override {
        return ENOSYS;
    }
    bool CancelJob(PrinterHandle, std::uint32_t) override { return false; }
    bool ClosePrinter(PrinterHandle) override { return false; }
    std::int32_t LastError() override { return ENOSYS; }
};

}  // namespace

Platform& DefaultPlatform() {
    static NoSpooler spooler;
    static PosixSockets sockets;
    static Platform platform{spooler, sockets};
    return platform;
}

}  // namespace kestrion::link
