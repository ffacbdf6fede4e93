// Sending settings to the printer with verification: the chosen blocks are
// set, read back (unless the printer is on a local port), compared element by
// element, and the printer is restarted so that it applies them. The panel
// program's send command and the command-line tool both run this sequence.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "link/kestrion.h"
#include "link/link_library.h"
#include "core/settings_record.h"

namespace tamsel {

// The printer, as the six link-library operations see it. `sysError` is the
// operations' last argument.
class PrinterLink {
public:
    virtual ~PrinterLink() = default;
    virtual std::int32_t GetStatus(std::int32_t* status, std::int32_t* sysError) = 0;
    virtual std::int32_t GetParam(std::int32_t* param, std::int32_t* adjust, std::int32_t* address,
                                  std::int32_t* sysError) = 0;
    virtual std::int32_t SetParam(const std::int32_t* param, std::int32_t* sysError) = 0;
    virtual std::int32_t SetAdjust(const std::int32_t* adjust, std::int32_t* sysError) = 0;
    virtual std::int32_t SetAddress(const std::int32_t* address, std::int32_t* sysError) = 0;
    virtual std::int32_t Reset(std::int32_t* sysError) = 0;
};

// The six exports of the link library, bound by name.
using LinkOperations = kestrion::Operations;

// A PrinterLink over the library's operations for one target. The target is
// copied; its printer name must outlive this object.
class LibraryLink final : public PrinterLink {
public:
    LibraryLink(const LinkOperations& ops, const PrinterTarget& target) : linkOps(ops), printerTarget(target) {}
    std::int32_t GetStatus(std::int32_t* status, std::int32_t* sysError) override;
    std::int32_t GetParam(std::int32_t* param, std::int32_t* adjust, std::int32_t* address,
                          std::int32_t* sysError) override;
    std::int32_t SetParam(const std::int32_t* param, std::int32_t* sysError) override;
    std::int32_t SetAdjust(const std::int32_t* adjust, std::int32_t* sysError) override;
    std::int32_t SetAddress(const std::int32_t* address, std::int32_t* sysError) override;
    std::int32_t Reset(std::int32_t* sysError) override;

private:
    LinkOperations linkOps;
    PrinterTarget printerTarget;
};

// The choice of the send selection dialog.
enum class SendChoice : int { Param = 0, Adjust = 1, Address = 2, All = 3 };

enum class SendOutcome {
    Sent,             // set, verified (or not verifiable on a local port) and restarted
    SetFailed,        // a set operation failed: nothing accepted
    ReadBackFailed,   // the read-back failed: nothing accepted
    ReadBackDiffers,  // the printer holds other values than were sent: nothing accepted, no restart
    ResetFailed,      // accepted, but the restart failed
    NothingSent,      // a choice other than 0-3
};

enum class MessageIcon { Information, Exclamation, Stop };

struct FailedCall {
    const char* operation;  // export name, e.g. "DllSetPrinterAdjust"
    std::int32_t result;
    std::int32_t sysError;
};

struct Difference {
    const char* block;  // "PARAM", "ADJUST" or "ADDRESS"
    std::size_t index;
    std::int32_t sent;
    std::int32_t readBack;
};

struct SendReport {
    SendOutcome outcome = SendOutcome::NothingSent;
    std::optional<FailedCall> failure;     // the call that failed, for SetFailed, ReadBackFailed, ResetFailed
    std::vector<Difference> differences;   // for ReadBackDiffers
};

// Sends the blocks of `choice` from `work`. `readBack` is false for a printer
// on a local port. The blocks that were accepted are written into `snapshot`
// (the PARAM block with the DIP switch states read back), which the caller
// then takes as the new printer baseline. The dialog's result converts
// directly (static_cast<SendChoice>(value)); a value other than the four
// choices sends nothing (NothingSent).
SendReport SendToPrinterBlocks(PrinterLink& link, SendChoice choice, const SettingsRecord& work, bool readBack,
                               SettingsRecord& snapshot);

// The message the panel shows for an outcome (caption "ソルベナ"), and its
// icon; nullptr for NothingSent, which shows nothing.
const char* SendOutcomeText(SendOutcome outcome, SendChoice choice);
MessageIcon SendOutcomeIcon(SendOutcome outcome);

// Words for a link-library result code, for logs and the command-line tool.
const char* ResultCodeMeaning(std::int32_t code);

}  // namespace tamsel
