/* A stand-in link library for the loader's tests: each operation answers with
   a number of its own, so a test sees which export a slot was bound to.
   Built twice: with all six exports, and without DllSetPrinterAdjust. */
#include "link/kestrion.h"

#if defined(_WIN32)
#define FIXTURE_EXPORT __declspec(dllexport)
#else
#define FIXTURE_EXPORT __attribute__((visibility("default")))
#endif

FIXTURE_EXPORT int32_t KESTRION_CALL DllGetPrinterStatus(const PrinterTarget* target, int32_t* status,
                                                         int32_t* sysError) {
    (void)target;
    (void)status;
    (void)sysError;
    return 101;
}

FIXTURE_EXPORT int32_t KESTRION_CALL DllGetPrinterParam(const PrinterTarget* target, int32_t* param,
                                                        int32_t* adjust, int32_t* address, int32_t* sysError) {
    (void)target;
    (void)param;
    (void)adjust;
    (void)address;
    (void)sysError;
    return 102;
}

FIXTURE_EXPORT int32_t KESTRION_CALL DllSetPrinterParam(const PrinterTarget* target, const int32_t* param,
                                                        int32_t* sysError) {
    (void)target;
    (void)param;
    (void)sysError;
    return 103;
}

#ifndef FIXTURE_WITHOUT_ADJUST
FIXTURE_EXPORT int32_t KESTRION_CALL DllSetPrinterAdjust(const PrinterTarget* target, const int32_t* adjust,
                                                         int32_t* sysError) {
    (void)target;
    (void)adjust;
    (void)sysError;
    return 104;
}
#endif

FIXTURE_EXPORT int32_t KESTRION_CALL DllSetPrinterAdd(const PrinterTarget* target, const int32_t* address,
                                                      int32_t* sysError) {
    (void)target;
    (void)address;
    (void)sysError;
    return 105;
}

FIXTURE_EXPORT int32_t KESTRION_CALL DllResetPrinter(const PrinterTarget* target, int32_t* sysError) {
    (void)target;
    (void)sysError;
    return 106;
}
