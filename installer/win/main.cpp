// Veldra: installs the distribution beside it, or with "/M" and "/U"
// uninstalls what it installed.
#include <windows.h>

#include <objbase.h>

#include "installer/core/messages.h"
#include "installer/win/install_dialog.h"
#include "installer/win/win_system.h"
#include "winui/dialog.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    using namespace veldra;
    if (win::IsNtFamily()) {
        // Full access to the service control manager: the test of
        // administrator rights.
        SC_HANDLE manager = OpenSCManagerA(nullptr, nullptr, SC_MANAGER_ALL_ACCESS);
        if (manager == nullptr) {
            win::Message(nullptr, text::kNoRights, "", MB_OK | MB_ICONERROR);
            return 1;
        }
        CloseServiceHandle(manager);
    }
    winui::LoadCommonControls();
    // The folder browser needs COM on this thread.
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    win::InstallDialog dialog(instance);
    dialog.Run(nullptr);
    if (com) CoUninitialize();
    return 0;
}
