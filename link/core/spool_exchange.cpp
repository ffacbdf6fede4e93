#include "link/core/spool_exchange.h"

#include <cstring>
#include <vector>

#include "link/kestrion.h"

namespace kestrion::link {
namespace {

// Owns the printer handle; the exchange closes it explicitly on every path so
// that the close's own failure can be reported, and the owner only steps in
// if a path were ever to leave without doing so.
class PrinterOwner {
public:
    PrinterOwner(SpoolerApi& api, PrinterHandle handle) : spoolerApi(api), printerHandle(handle) {}
    ~PrinterOwner() {
        if (isOpen) spoolerApi.ClosePrinter(printerHandle);
    }
    PrinterOwner(const PrinterOwner&) = delete;
    PrinterOwner& operator=(const PrinterOwner&) = delete;

    PrinterHandle Handle() const { return printerHandle; }

    // Closes the printer, recording the failure; false when the close failed.
    bool Close(SysError& error) {
        isOpen = false;
        if (spoolerApi.ClosePrinter(printerHandle)) return true;
        error.Record(spoolerApi.LastError());
        return false;
    }

    // A step failed: closes the printer and returns `code`. With
    // `recordCall` the failing call's own error is recorded first, so that it,
    // and not a failure of the close, is the one reported.
    std::int32_t Abandon(SysError& error, std::int32_t code, bool recordCall) {
        if (recordCall) error.Record(spoolerApi.LastError());
        Close(error);
        return code;
    }

private:
    SpoolerApi& spoolerApi;
    PrinterHandle printerHandle;
    bool isOpen = true;
};

std::uint32_t LoadLittleEndian32(const std::uint8_t* p) {
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 | std::uint32_t{p[3]} << 24;
}

// Reads the level-2 information and tells whether the printer can answer.
// Returns 0, -700 or -701; the printer stays open.
std::int32_t CheckBidirectional(SpoolerApi& api, SysError& error, PrinterHandle handle) {
    std::uint32_t needed = 0;
    // The first call only learns the size; its "buffer too small" failure is
    // the expected outcome.
    api.GetPrinterLevel2(handle, nullptr, 0, &needed);
    // A size beyond any real level-2 record (a broken driver or spooler) is
    // not allocated: it cannot be read, as if the call had failed.
    if (needed > kMaxPrinterInfoSize) return LINK_E_SPOOLER;
    std::vector<std::uint8_t> info(needed, 0);
    if (!api.GetPrinterLevel2(handle, info.data(), needed, &needed)) {
        error.Record(api.LastError());
        return LINK_E_SPOOLER;
    }
    if ((api.Level2Attributes(info.data()) & kPrinterAttributeEnableBidi) == 0) return LINK_E_NO_BIDI;
    return LINK_OK;
}

// Up to three fetches right after one another; true once the envelope's
// second word is non-zero.
bool FetchReply(SpoolerApi& api, PrinterHandle handle, const char* printerName, std::uint8_t* buffer,
                std::size_t size) {
    const std::string valueName = ReplyValueName(printerName);
    for (int attempt = 0; attempt < kFetchAttempts; ++attempt) {
        std::uint32_t needed = 0;
        // The call's own result says nothing reliable about the reply; only
        // the envelope does.
        api.GetPrinterDataA(handle, valueName.c_str(), buffer, static_cast<std::uint32_t>(size), &needed);
        if (LoadLittleEndian32(buffer + kEnvelopeFlagOffset) != 0) return true;
    }
    return false;
}

}  // namespace

std::int32_t SpoolExchange(SpoolerApi& api, SysError& error, const SpoolRequest& request) {
    const bool isRead = request.fetchBuffer != nullptr;
    if (isRead) std::memset(request.fetchBuffer, 0, request.fetchSize);

    PrinterHandle handle = 0;
    if (!api.OpenPrinterA(request.printerName, &handle)) {
        error.Record(api.LastError());
        return LINK_E_SPOOLER;
    }
    PrinterOwner printer(api, handle);

    if (isRead) {
        const std::int32_t bidi = CheckBidirectional(api, error, handle);
        if (bidi != LINK_OK) return printer.Abandon(error, bidi, false);
    }

    // The job identifier is needed only to cancel a job whose reply never came.
    const std::uint32_t jobId = api.StartDocPrinterA(handle, request.documentName);
    if (jobId == 0) return printer.Abandon(error, LINK_E_SPOOLER, true);
    // A job whose write or end failed is left to the spooler, not cancelled.
    std::uint32_t written = 0;
    if (!api.WritePrinter(handle, request.command, static_cast<std::uint32_t>(request.commandLength), &written)) {
        return printer.Abandon(error, LINK_E_SPOOLER, true);
    }
    if (!api.EndDocPrinter(handle)) return printer.Abandon(error, LINK_E_SPOOLER, true);

    if (isRead) {
        api.Sleep(kReplyPauseMs);
        if (!FetchReply(api, handle, request.printerName, request.fetchBuffer, request.fetchSize)) {
            return printer.Abandon(error, request.noReplyCode, !api.CancelJob(handle, jobId));
        }
    }

    if (!printer.Close(error)) return LINK_E_SPOOLER;
    return LINK_OK;
}

}  // namespace kestrion::link
