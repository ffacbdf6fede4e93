// The six exported operations: the common core bound to the platform's own
// spooler and sockets.
#include <cstddef>

#include "link/kestrion.h"
#include "link/core/operations.h"

#if defined(_WIN32)
#define KESTRION_EXPORT __declspec(dllexport)
#else
#define KESTRION_EXPORT __attribute__((visibility("default")))
#endif

using kestrion::link::DefaultPlatform;

extern "C" {

KESTRION_EXPORT int32_t KESTRION_CALL DllGetPrinterStatus(const PrinterTarget* target, int32_t* status,
                                                          int32_t* sysError) {
    return kestrion::link::GetPrinterStatus(DefaultPlatform(), target, status, sysError);
}

KESTRION_EXPORT int32_t KESTRION_CALL DllGetPrinterParam(const PrinterTarget* target, int32_t* param,
                                                         int32_t* adjust, int32_t* address, int32_t* sysError) {
    return kestrion::link::GetPrinterParam(DefaultPlatform(), target, param, adjust, address, sysError);
}

KESTRION_EXPORT int32_t KESTRION_CALL DllSetPrinterParam(const PrinterTarget* target, const int32_t* param,
                                                         int32_t* sysError) {
    return kestrion::link::SetPrinterParam(DefaultPlatform(), target, param, sysError);
}

KESTRION_EXPORT int32_t KESTRION_CALL DllSetPrinterAdjust(const PrinterTarget* target, const int32_t* adjust,
                                                          int32_t* sysError) {
    return kestrion::link::SetPrinterAdjust(DefaultPlatform(), target, adjust, sysError);
}

KESTRION_EXPORT int32_t KESTRION_CALL DllSetPrinterAdd(const PrinterTarget* target, const int32_t* address,
                                                       int32_t* sysError) {
    return kestrion::link::SetPrinterAddress(DefaultPlatform(), target, address, sysError);
}

KESTRION_EXPORT int32_t KESTRION_CALL DllResetPrinter(const PrinterTarget* target, int32_t* sysError) {
    return kestrion::link::ResetPrinter(DefaultPlatform(), target, sysError);
}

}  // extern "C"

#if defined(_WIN32) && !defined(_WIN64)
// The 32-bit caller sees five 32-bit fields.
static_assert(sizeof(PrinterTarget) == 20, "PrinterTarget is 20 bytes in a 32-bit build");
static_assert(offsetof(PrinterTarget, connection) == 0);
static_assert(offsetof(PrinterTarget, nameLength) == 4);
static_assert(offsetof(PrinterTarget, printerName) == 8);
static_assert(offsetof(PrinterTarget, ipAddress) == 12);
static_assert(offsetof(PrinterTarget, port) == 16);
#endif
