// The spooler seam over winspool.
#pragma once

#include "link/core/seams.h"

namespace kestrion::link {

class WinSpooler final : public SpoolerApi {
public:
    bool OpenPrinterA(const char* name, PrinterHandle* handle) override;
    bool GetPrinterLevel2(PrinterHandle handle, std::uint8_t* buffer, std::uint32_t size,
                          std::uint32_t* needed) override;
    std::uint32_t Level2Attributes(const std::uint8_t* buffer) override;
    std::uint32_t StartDocPrinterA(PrinterHandle handle, const char* documentName) override;
    bool WritePrinter(PrinterHandle handle, const std::uint8_t* data, std::uint32_t size,
                      std::uint32_t* written) override;
    bool EndDocPrinter(PrinterHandle handle) override;
    void Sleep(std::uint32_t milliseconds) override;
    std::uint32_t GetPrinterDataA(PrinterHandle handle, const char* valueName, std::uint8_t* buffer,
                                 std::uint32_t size, std::uint32_t* needed) override;
    bool CancelJob(PrinterHandle handle, std::uint32_t jobId) override;
    bool ClosePrinter(PrinterHandle handle) override;
    std::int32_t LastError() override;
};

}  // namespace kestrion::link
