#include "panel/app/panel_app.h"

#include <commctrl.h>
#include <objbase.h>

#include <string>

#include "panel/app/command_line.h"
#include "panel/app/panel_dialog.h"

namespace tamsel {
namespace {

constexpr wchar_t kMainWindowClass[] = L"#32770";
constexpr wchar_t kMainWindowTitle[] = L"KVT Vantorelli 7K4R2B-55 ソルベナ";

// The application name: the program's file name without folder and
// extension ("Tamsel").
std::wstring ApplicationName() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring name = path;
    name = name.substr(name.find_last_of(L"\\/") + 1);
    const auto dot = name.find_last_of(L'.');
    if (dot != std::wstring::npos) name.resize(dot);
    return name;
}

void ActivateFirstCopy() {
    HWND first = FindWindowW(kMainWindowClass, kMainWindowTitle);
    if (first == nullptr) return;
    if (IsIconic(first)) ShowWindow(first, SW_RESTORE);
    SetForegroundWindow(first);
}

}  // namespace

bool PanelApp::InitInstance() {
    if (FAILED(CoInitialize(nullptr))) {
        comInitialised = false;
        return false;
    }
    comInitialised = true;

    // The program has no COM classes, registry script or type library: the
    // registration switches only end it without a window.
    const RegistrationSwitch registration =
        ScanRegistrationSwitch(GetCommandLineA(), [](unsigned char b) { return IsDBCSLeadByte(b) != FALSE; });
    if (registration != RegistrationSwitch::None) {
        comInitialised = false;
        CoUninitialize();
        return false;
    }

    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_WIN95_CLASSES | ICC_INTERNET_CLASSES};
    InitCommonControlsEx(&controls);

    // One copy at a time. The mutex is created once and its existence
    // tested in the same call, so two copies started together cannot both
    // get past here.
    HANDLE mutex = CreateMutexW(nullptr, TRUE, ApplicationName().c_str());
    const DWORD error = GetLastError();
    if (mutex == nullptr || error == ERROR_ALREADY_EXISTS) {
        // No handle at all means the name is held by a copy we may not
        // open: another copy runs all the same.
        if (mutex != nullptr) CloseHandle(mutex);
        ActivateFirstCopy();
        return false;
    }

    {
        PanelDialog panel;
        panel.Run();
    }
    CloseHandle(mutex);
    return false;
}

int PanelApp::ExitInstance() {
    if (comInitialised) {
        comInitialised = false;
        CoUninitialize();
    }
    return 0;
}

}  // namespace tamsel
