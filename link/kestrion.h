/* Public interface of the printer link library Kestrion: six operations, each
   taking a PrinterTarget first and an int32 sysError last. Usable from C and
   C++; on Windows the operations use the Windows API calling convention and
   are exported under their undecorated names. */
#ifndef KESTRION_H
#define KESTRION_H

#include <stdint.h>

#ifdef _WIN32
#define KESTRION_CALL __stdcall
#else
#define KESTRION_CALL
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Which printer to reach and how. Filled by the caller, read only by the
   library. In a 32-bit build these are five 32-bit fields (20 bytes). */
typedef struct PrinterTarget {
    int32_t connection;      /* 0 spooler, 1 network (TCP) */
    uint32_t nameLength;     /* spooler: length of printerName; only its range is checked */
    const char* printerName; /* spooler: Windows printer name, NUL-terminated ANSI */
    uint8_t ipAddress[4];    /* network: IPv4 address, first dotted octet first */
    uint32_t port;           /* network: TCP port, low 16 bits used */
} PrinterTarget;

enum {
    LINK_OK = 0,
    LINK_E_TARGET = -10,       /* the target fails the target check */
    LINK_E_STATUS_REPLY = -20, /* no status reply, or it does not begin 01 02 */
    LINK_E_PARAM_REPLY = -30,  /* no settings reply, or its first word is 0 */
    LINK_E_SPOOLER = -700,     /* a spooler call failed */
    LINK_E_NO_BIDI = -701,     /* read through the spooler, bidirectional support off */
    LINK_E_NETWORK = -800,     /* any failure of the network transport */
    LINK_E_NULL_ARG = -900     /* a pointer argument is null */
};

#define KESTRION_PARAM_COUNT 31
#define KESTRION_ADJUST_COUNT 8
#define KESTRION_ADDRESS_COUNT 6

int32_t KESTRION_CALL DllGetPrinterStatus(const PrinterTarget* target, int32_t* status, int32_t* sysError);
int32_t KESTRION_CALL DllGetPrinterParam(const PrinterTarget* target, int32_t* param, int32_t* adjust,
                                         int32_t* address, int32_t* sysError);
int32_t KESTRION_CALL DllSetPrinterParam(const PrinterTarget* target, const int32_t* param, int32_t* sysError);
int32_t KESTRION_CALL DllSetPrinterAdjust(const PrinterTarget* target, const int32_t* adjust, int32_t* sysError);
int32_t KESTRION_CALL DllSetPrinterAdd(const PrinterTarget* target, const int32_t* address, int32_t* sysError);
int32_t KESTRION_CALL DllResetPrinter(const PrinterTarget* target, int32_t* sysError);

/* Pointer types for callers that bind the library at run time by name. */
typedef int32_t(KESTRION_CALL* PFN_DllGetPrinterStatus)(const PrinterTarget*, int32_t*, int32_t*);
typedef int32_t(KESTRION_CALL* PFN_DllGetPrinterParam)(const PrinterTarget*, int32_t*, int32_t*, int32_t*,
                                                       int32_t*);
typedef int32_t(KESTRION_CALL* PFN_DllSetPrinterParam)(const PrinterTarget*, const int32_t*, int32_t*);
typedef int32_t(KESTRION_CALL* PFN_DllSetPrinterAdjust)(const PrinterTarget*, const int32_t*, int32_t*);
typedef int32_t(KESTRION_CALL* PFN_DllSetPrinterAdd)(const PrinterTarget*, const int32_t*, int32_t*);
typedef int32_t(KESTRION_CALL* PFN_DllResetPrinter)(const PrinterTarget*, int32_t*);

#ifdef __cplusplus
}
#endif

#endif /* KESTRION_H */
