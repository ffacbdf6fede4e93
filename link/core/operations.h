// The six operations of the link library, written once over the two seams.
// The exported functions bind them to the platform's own spooler and sockets;
// tests bind them to fakes.
#pragma once

#include <cstdint>

#include "link/kestrion.h"
#include "link/core/seams.h"

namespace kestrion::link {

struct Platform {
    SpoolerApi& spooler;
    SocketApi& sockets;
};

// Document names of the print jobs, one per operation.
inline constexpr char kDocGetStatus[] = "Qzelrin_DllGetStatus";
inline constexpr char kDocGetParam[] = "Qzelrin_DllGetParam";
inline constexpr char kDocSetParam[] = "Qzelrin_DllSetParam";
inline constexpr char kDocSetAdjust[] = "Qzelrin_DllSetAdjust";
inline constexpr char kDocSetAddress[] = "Qzelrin_DllSetIP";
inline constexpr char kDocReset[] = "Qzelrin_DllResetprinter";

// The target check: 0 when the target is usable, else -10.
std::int32_t ValidateTarget(const PrinterTarget& target);

std::int32_t GetPrinterStatus(Platform& platform, const PrinterTarget* target, std::int32_t* status,
                              std::int32_t* sysError);
std::int32_t GetPrinterParam(Platform& platform, const PrinterTarget* target, std::int32_t* param,
                             std::int32_t* adjust, std::int32_t* address, std::int32_t* sysError);
std::int32_t SetPrinterParam(Platform& platform, const PrinterTarget* target, const std::int32_t* param,
                             std::int32_t* sysError);
std::int32_t SetPrinterAdjust(Platform& platform, const PrinterTarget* target, const std::int32_t* adjust,
                              std::int32_t* sysError);
std::int32_t SetPrinterAddress(Platform& platform, const PrinterTarget* target, const std::int32_t* address,
                               std::int32_t* sysError);
std::int32_t ResetPrinter(Platform& platform, const PrinterTarget* target, std::int32_t* sysError);

// The platform's own spooler and sockets (defined per platform).
Platform& DefaultPlatform();

}  // namespace kestrion::link
