// The Windows platform: winspool and Windows Sockets.
#include "link/core/operations.h"
#include "link/win/win_sockets.h"
#include "link/win/win_spooler.h"

namespace kestrion::link {

Platform& DefaultPlatform() {
    static WinSpooler spooler;
    static WinSockets sockets;
    static Platform platform{spooler, sockets};
    return platform;
}

}  // namespace kestrion::link
