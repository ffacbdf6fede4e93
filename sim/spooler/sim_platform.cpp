// The platform of the library's test build: POSIX sockets, and the simulated
// spooler in place of the Windows one. A program that loads this build can
// name its printers in a file (KESTRION_SIM_SPOOLER).
#include <chrono>
#include <cstring>
#include <thread>

#include "link/core/operations.h"
#include "link/posix/posix_sockets.h"
#include "sim/spooler/sim_spooler.h"

namespace kestrion::link {
namespace {

class SimSpoolerApi final : public SpoolerApi {
public:
    bool OpenPrinterA(const char* name, PrinterHandle* handle) override {
        // Another process may have listed its printers in a file.
        Spooler().LoadFromEnvironment();
        return Spooler().Open(name, handle, &lastError);
    }
    bool GetPrinterLevel2(PrinterHandle handle, std::uint8_t* buffer, std::uint32_t size,
                          std::uint32_t* needed) override {
        return Spooler().GetInfo2(handle, buffer, size, needed, &lastError);
    }
    std::uint32_t Level2Attributes(const std::uint8_t* buffer) override {
        simspool::PrinterInfo2 info;
        std::memcpy(&info, buffer, sizeof info);
        return info.attributes;
    }
    std::uint32_t StartDocPrinterA(PrinterHandle handle, const char* documentName) override {
        return Spooler().StartJob(handle, documentName, &lastError);
    }
    bool WritePrinter(PrinterHandle handle, const std::uint8_t* data, std::uint32_t size,
                      std::uint32_t* written) override {
        return Spooler().Write(handle, data, size, written, &lastError);
    }
    bool EndDocPrinter(PrinterHandle handle) override { return Spooler().EndDoc(handle, &lastError); }
    void Sleep(std::uint32_t milliseconds) override {
        std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    }
    std::uint32_t GetPrinterDataA(PrinterHandle handle, const char* valueName, std::uint8_t* buffer,
                                 std::uint32_t size, std::uint32_t* needed) override {
        return Spooler().GetData(handle, valueName, buffer, size, needed);
    }
    bool CancelJob(PrinterHandle handle, std::uint32_t jobId) override {
        return Spooler().CancelJob(handle, jobId, &lastError);
    }
    bool ClosePrinter(PrinterHandle handle) override { return Spooler().Close(handle, &lastError); }
    std::int32_t LastError() override { return lastError; }

private:
    static simspool::SimSpooler& Spooler() { return simspool::SimSpooler::Instance(); }
    int lastError = 0;
};

}  // namespace

Platform& DefaultPlatform() {
    static SimSpoolerApi spooler;
    static PosixSockets sockets;
    static Platform platform{spooler, sockets};
    return platform;
}

}  // namespace kestrion::link
