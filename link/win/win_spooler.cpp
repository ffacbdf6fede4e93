#include "link/win/win_spooler.h"

#include <windows.h>
#include <winspool.h>

#include <cstddef>
#include <cstring>

namespace kestrion::link {
namespace {

HANDLE AsHandle(PrinterHandle handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

bool WinSpooler::OpenPrinterA(const char* name, PrinterHandle* handle) {
    // Full access: the exchange submits jobs, reads properties and printer
    // data, and may cancel its job.
    PRINTER_DEFAULTSA defaults{nullptr, nullptr, PRINTER_ALL_ACCESS};
    HANDLE h = nullptr;
    if (!::OpenPrinterA(const_cast<char*>(name), &h, &defaults)) return false;
    *handle = reinterpret_cast<PrinterHandle>(h);
    return true;
}

bool WinSpooler::GetPrinterLevel2(PrinterHandle handle, std::uint8_t* buffer, std::uint32_t size,
                                  std::uint32_t* needed) {
    DWORD n = 0;
    const BOOL ok = ::GetPrinterA(AsHandle(handle), 2, buffer, size, &n);
    *needed = n;
    return ok != FALSE;
}

std::uint32_t WinSpooler::Level2Attributes(const std::uint8_t* buffer) {
    DWORD attributes;
    std::memcpy(&attributes, buffer + offsetof(PRINTER_INFO_2A, Attributes), sizeof attributes);
    return attributes;
}

std::uint32_t WinSpooler::StartDocPrinterA(PrinterHandle handle, const char* documentName) {
    DOC_INFO_1A doc{const_cast<char*>(documentName), nullptr, nullptr};
    return ::StartDocPrinterA(AsHandle(handle), 1, reinterpret_cast<LPBYTE>(&doc));
}

bool WinSpooler::WritePrinter(PrinterHandle handle, const std::uint8_t* data, std::uint32_t size,
                              std::uint32_t* written) {
    DWORD n = 0;
    const BOOL ok = ::WritePrinter(AsHandle(handle), const_cast<std::uint8_t*>(data), size, &n);
    *written = n;
    return ok != FALSE;
}

bool WinSpooler::EndDocPrinter(PrinterHandle handle) { return ::EndDocPrinter(AsHandle(handle)) != FALSE; }

void WinSpooler::Sleep(std::uint32_t milliseconds) { ::Sleep(milliseconds); }

std::uint32_t WinSpooler::GetPrinterDataA(PrinterHandle handle, const char* valueName, std::uint8_t* buffer,
                                         std::uint32_t size, std::uint32_t* needed) {
    DWORD n = 0;
    const DWORD result =
        ::GetPrinterDataA(AsHandle(handle), const_cast<char*>(valueName), nullptr, buffer, size, &n);
    *needed = n;
    return result;
}

bool WinSpooler::CancelJob(PrinterHandle handle, std::uint32_t jobId) {
    return ::SetJobA(AsHandle(handle), jobId, 0, nullptr, JOB_CONTROL_CANCEL) != FALSE;
}

bool WinSpooler::ClosePrinter(PrinterHandle handle) { return ::ClosePrinter(AsHandle(handle)) != FALSE; }

std::int32_t WinSpooler::LastError() { return static_cast<std::int32_t>(::GetLastError()); }

}  // namespace kestrion::link
