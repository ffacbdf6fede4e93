// Tamsel.exe: the panel program.
#include <windows.h>

#include "panel/app/panel_app.h"

namespace {
tamsel::PanelApp theApp;
}

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    theApp.InitInstance();
    return theApp.ExitInstance();
}
