#include "installer/win/progress_dialog.h"

#include <commctrl.h>
#include <objbase.h>
#include <shellapi.h>

#include "installer/core/messages.h"
#include "installer/res/veldra_ids.h"
#include "installer/win/win_system.h"
#include "winui/text.h"

namespace veldra::win {

namespace {

// Posted by the uninstall worker: end the run with the code in wParam.
constexpr UINT kWorkerDone = WM_APP + 1;
// Files named in the copy-failure message; the rest are counted.
constexpr std::size_t kFailuresNamed = 8;

std::string FailureList(const std::vector<std::string>& failures) {
    std::string list;
    for (std::size_t i = 0; i < failures.size() && i < kFailuresNamed; ++i) {
        if (i > 0) list += "\n";
        list += failures[i];
    }
    if (failures.size() > kFailuresNamed)
        list += "\n(+" + std::to_string(failures.size() - kFailuresNamed) + ")";
    return list;
}

}  // namespace

ProgressDialog::ProgressDialog(HINSTANCE instance, ProgressArgs args)
    : ModalDialog(instance, IDD_PROGRESS), args(std::move(args)) {}

ProgressDialog::~ProgressDialog() {
    if (worker != nullptr) {
        WaitForSingleObject(worker, INFINITE);
        CloseHandle(worker);
    }
}

bool ProgressDialog::OnInitDialog() {
    SetWindowPos(Window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    if (args.role == ProgressArgs::Role::Uninstall) SetWindowTextW(Window(), winui::Widen(text::kUninstallTitle).c_str());
    worker = CreateThread(nullptr, 0, &ProgressDialog::WorkerMain, this, 0, nullptr);
    if (worker == nullptr) End(-1);
    return true;
}

bool ProgressDialog::OnMessage(UINT msg, WPARAM wParam, LPARAM, INT_PTR& result) {
    if (msg != kWorkerDone) return false;
    End(static_cast<INT_PTR>(wParam));
    result = TRUE;
    return true;
}

DWORD WINAPI ProgressDialog::WorkerMain(void* self) {
    auto* dialog = static_cast<ProgressDialog*>(self);
    // The shell-link objects need a single-threaded apartment on this thread.
    dialog->comStarted = SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED));
    if (dialog->args.role == ProgressArgs::Role::Install)
        dialog->InstallWorker();
    else
        dialog->UninstallWorker();
    if (dialog->comStarted) CoUninitialize();
    return 0;
}

void ProgressDialog::SetRange(int upper) {
    SendMessageW(Item(IDC_PROGRESS_BAR), PBM_SETRANGE32, 0, upper);
    SendMessageW(Item(IDC_PROGRESS_BAR), PBM_SETSTEP, 1, 0);
    SendMessageW(Item(IDC_PROGRESS_BAR), PBM_SETPOS, 0, 0);
    SetItemText(IDC_PROGRESS_PERCENT, PercentText(0));
}

void ProgressDialog::ProgressStep(const std::string& message) {
    HWND bar = Item(IDC_PROGRESS_BAR);
    SendMessageW(bar, PBM_STEPIT, 0, 0);
    const int position = static_cast<int>(SendMessageW(bar, PBM_GETPOS, 0, 0));
    const int upper = static_cast<int>(SendMessageW(bar, PBM_GETRANGE, FALSE, 0));
    SetItemText(IDC_PROGRESS_PERCENT, PercentText(ProgressPercent(position, upper)));
    SetItemText(IDC_PROGRESS_MESSAGE, message);
    Sleep(kStepPauseMs);
}

void ProgressDialog::SetItemText(int id, const std::string& text) {
    SetDlgItemTextW(Window(), id, winui::Widen(text).c_str());
}

int ProgressDialog::Show(const std::string& text, UINT flags) {
    return Message(Window(), text, args.values.titleName, flags);
}

void ProgressDialog::InstallWorker() {
    const SetupValues& values = args.values;
    const std::string& destination = values.installFolder;

    SetRange(CountFiles(args.sourceFolder) + kInstallExtraSteps);
    SetItemText(IDC_PROGRESS_MESSAGE, text::kInstallBegins);
    Sleep(kStartPauseMs);

    if (!FindSourceFile(args.sourceFolder, values.sbFile) || !FindSourceFile(args.sourceFolder, values.helpFile)) {
        Show(text::kFilesMissing, MB_OK | MB_ICONERROR);
        // Only an empty folder goes: nothing of the user's is removed.
        RemoveDirectoryA(ToAnsiText(destination).c_str());
        ExitProcess(0);
    }

    // Every file that could not be written: the install is then reported as
    // incomplete instead of complete.
    std::vector<std::string> failures;
    ProgressStep(text::kInstallingProgram);
    const std::string installedProgram = destination + "\\" + kProgramName;
    if (!CopyOver(args.programPath, installedProgram)) failures.push_back(installedProgram);
    ProgressStep(text::kInstallingSetup);
    const std::string installedSetup = destination + "\\" + kSetupName;
    if (!CopyOver(args.setupFile, installedSetup)) failures.push_back(installedSetup);

    CopyTree(args.sourceFolder, destination, args.expand,
             [this](const std::string& name) { ProgressStep(Fill(text::kInstallingFile, name)); }, failures);

    ProgressStep(text::kRegisteringShortcuts);
    CreateShortcuts();
    // Written even after a failed copy, so that the partial install can be
    // removed through the uninstall entry.
    ProgressStep(text::kRegisteringRegistry);
    WriteUninstallKey();

    if (!failures.empty()) {
        SetForegroundWindow(Window());
        Show(Fill(text::kCopyFailed, FailureList(failures)), MB_OK | MB_ICONERROR);
        ExitProcess(1);
    }

    Sleep(kFinishPauseMs);
    ProgressStep(text::kInstallDone);
    SetForegroundWindow(Window());
    Show(text::kInstallComplete, MB_OK | MB_ICONINFORMATION);
    if (Show(Fill(text::kShowHelpQuestion, values.titleName), MB_YESNO) == IDYES) {
        const std::string help = destination + "\\" + values.helpFile;
        ShellExecuteA(nullptr, "open", ToAnsiText(help).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    }
    ExitProcess(0);
}

void ProgressDialog::CreateShortcuts() {
    const auto programs = ProgramsFolder();
    if (!programs) {
        Show(text::kNoProgramsFolder, MB_OK | MB_ICONERROR);
        return;
    }
    const std::string folder = StartMenuFolder(*programs, args.values.titleName);
    Win32Folders folders;
    CreateFolderPath(folders, folder);
    ShellExecuteA(nullptr, "open", ToAnsiText(folder).c_str(), nullptr, nullptr, SW_SHOWNORMAL);
    for (const ShortcutPlan& plan : MakeShortcutPlans(args.values, args.values.installFolder, folder))
        CreateShellLink(Window(), args.values.titleName, plan);
}

void ProgressDialog::WriteUninstallKey() {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, ToAnsiText(args.values.uninstallKey).c_str(), 0, nullptr,
                        REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) != ERROR_SUCCESS) {
        Show(text::kRegistryWriteFailed, MB_OK | MB_ICONERROR);
        return;
    }
    const UninstallValues values = MakeUninstallValues(args.values.titleName, args.values.installFolder);
    if (WriteRegistryText(key, "DisplayName", values.displayName)) {
        WriteRegistryText(key, "InstallPath", values.installPath);
        WriteRegistryText(key, "DisplayIcon", values.displayIcon);
        WriteRegistryText(key, "UninstallString", values.uninstallString);
    }
    RegCloseKey(key);
}

void ProgressDialog::UninstallWorker() {
    RemoveShortcutFolder(true);
    std::optional<std::string> installed;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ToAnsiText(args.values.uninstallKey).c_str(), 0, KEY_ALL_ACCESS,
                      &key) != ERROR_SUCCESS) {
        Show(text::kUninstallInfoMissing, MB_OK | MB_ICONERROR);
    } else {
        installed = ReadRegistryText(key, "InstallPath");
        RegCloseKey(key);
        if (installed && !IsAcceptableDestination(*installed)) installed.reset();
        if (!installed) Show(text::kUninstallPathMissing, MB_OK | MB_ICONERROR);
    }
    if (installed) {
        SetRange(CountFiles(*installed) + kUninstallExtraSteps);
        SetItemText(IDC_PROGRESS_MESSAGE, text::kUninstallBegins);
        ProgressStep(text::kRemovingShortcuts);
        // Already reported when the folder could not be found.
        RemoveShortcutFolder(false);
        if (RemoveUninstallKey()) Show(text::kUninstallComplete, MB_OK | MB_ICONINFORMATION);
    }
    PostMessageW(Window(), kWorkerDone, 1, 0);
    Sleep(kFinishPauseMs);
}

bool ProgressDialog::RemoveShortcutFolder(bool report) {
    const auto programs = ProgramsFolder();
    if (!programs) {
        if (report) Show(text::kUninstallInfoMissing, MB_OK | MB_ICONERROR);
        return false;
    }
    RemoveTree(StartMenuFolder(*programs, args.values.titleName), {});
    return true;
}

bool ProgressDialog::RemoveUninstallKey() {
    ProgressStep(text::kRemovingRegistry);
    const std::string keyPath = ToAnsiText(args.values.uninstallKey);
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, keyPath.c_str(), 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS) {
        Show(text::kKeyMissing, MB_OK | MB_ICONERROR);
        return false;
    }
    const auto installed = ReadRegistryText(key, "InstallPath");
    RegCloseKey(key);
    // A path that is not a folder below a drive root is never removed whole.
    if (!installed || !IsAcceptableDestination(*installed)) {
        Show(text::kKeyUnreadable, MB_OK | MB_ICONERROR);
        return false;
    }
    if (RegDeleteKeyA(HKEY_LOCAL_MACHINE, keyPath.c_str()) != ERROR_SUCCESS) {
        Show(text::kKeyNotDeleted, MB_OK | MB_ICONERROR);
        return false;
    }
    RemoveTree(*installed, [this] { ProgressStep(text::kRemovingFile); });
    return true;
}

}  // namespace veldra::win
