// How the chosen printer is reached. Decided by the printer selection from
// the description of the printer's port; read by the main window and the
// printer commands when they fill the link library's target.
#pragma once

#include <cstdint>

namespace tamsel {

enum class PortKind : std::int32_t {
    Usb = 0,      // USB virtual printer port: through the spooler
    Network = 1,  // standard TCP/IP port or print-server port: over a socket
    Local = 2,    // local port: through the spooler, sends are not read back
};

}  // namespace tamsel
