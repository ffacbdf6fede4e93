// Printer targets for the library's tests: a printer on loopback, or a
// printer of the (simulated or Wine) spooler by name.
#pragma once

#include <cstdint>
#include <cstring>

#include "link/kestrion.h"

namespace kestrion::testing {

// 127.0.0.<lastOctet>:port over TCP.
inline PrinterTarget LoopbackTarget(std::uint32_t port, std::uint8_t lastOctet = 1) {
    PrinterTarget t{};
    t.connection = 1;
    t.ipAddress[0] = 127;
    t.ipAddress[3] = lastOctet;
    t.port = port;
    return t;
}

// A printer reached through the spooler; `name` must outlive the target.
inline PrinterTarget SpoolerTarget(const char* name) {
    PrinterTarget t{};
    t.connection = 0;
    t.nameLength = static_cast<std::uint32_t>(std::strlen(name));
    t.printerName = name;
    return t;
}

}  // namespace kestrion::testing
