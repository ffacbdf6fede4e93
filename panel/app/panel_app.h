// The program object: starts COM and the common controls, handles the
// registration switches, lets only one copy run, and runs the main window.
#pragma once

#include <windows.h>

namespace tamsel {

class PanelApp {
public:
    // False in every path: the program ends when the main window has ended,
    // or when start-up stopped early.
    bool InitInstance();
    // Undoes COM; the result is the process's exit code.
    int ExitInstance();

private:
    bool comInitialised = false;
};

}  // namespace tamsel
