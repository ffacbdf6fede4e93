#include "installer/win/install_dialog.h"

#include <objbase.h>
#include <shlobj.h>

#include "installer/core/messages.h"
#include "installer/res/veldra_ids.h"
#include "installer/win/progress_dialog.h"
#include "installer/win/uninstall_confirm_dialog.h"
#include "installer/win/win_system.h"
#include "winui/text.h"

namespace veldra::win {

namespace {

// The folder browser's state, handed to its callback.
struct BrowseState {
    std::string preselection;  // ANSI
};

int CALLBACK BrowseCallback(HWND browser, UINT msg, LPARAM lParam, LPARAM data) {
    auto* state = reinterpret_cast<BrowseState*>(data);
    if (msg == BFFM_INITIALIZED) {
        SendMessageA(browser, BFFM_SETSELECTIONA, TRUE, reinterpret_cast<LPARAM>(state->preselection.c_str()));
    } else if (msg == BFFM_SELCHANGED) {
        char path[MAX_PATH] = {};
        const bool isPath = SHGetPathFromIDListA(reinterpret_cast<PCIDLIST_ABSOLUTE>(lParam), path) != FALSE;
        SendMessageA(browser, BFFM_SETSTATUSTEXTA, 0, reinterpret_cast<LPARAM>(path));
        const std::string utf8 = FromAnsiText(path);
        const bool accept = isPath && BrowserAcceptsPath(utf8, Attributes(utf8));
        SendMessageA(browser, BFFM_ENABLEOK, 0, accept ? TRUE : FALSE);
    }
    return 0;
}

std::string WindowsFolder() {
    char buffer[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(buffer, MAX_PATH);
    return length > 0 && length < MAX_PATH ? FromAnsiText(std::string(buffer, length)) : std::string();
}

std::string TemporaryFolder() {
    char buffer[MAX_PATH + 1] = {};
    const DWORD length = GetTempPathA(sizeof buffer, buffer);
    return length > 0 && length <= MAX_PATH ? FromAnsiText(std::string(buffer, length)) : std::string();
}

}  // namespace

InstallDialog::InstallDialog(HINSTANCE instance) : ModalDialog(instance, IDD_INSTALL) {}

int InstallDialog::Show(const std::string& text, UINT flags) {
    return Message(Window(), text, values.titleName, flags);
}

bool InstallDialog::OnInitDialog() {
    HICON icon = LoadIconW(Instance(), MAKEINTRESOURCEW(IDI_VELDRA));
    SendMessageW(Window(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
    SendMessageW(Window(), WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));

    unsigned major = 0, minor = 0;
    SystemVersion(major, minor);
    PrivateProfile profile(SetupFilePath(ProgramPath()));
    setupValid = ReadSetupInfo(profile, major, minor, values);
    if (!setupValid) {
        Show(text::kInvalidSetup, MB_OK | MB_ICONERROR);
        End(IDCANCEL);
    }
    HandleCommandLine();

    SetWindowPos(Window(), HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
    SetWindowTextW(Window(), winui::Widen(values.titleName).c_str());
    SetText(IDC_INTRO, winui::Widen(Fill(text::kIntro, values.titleName)));
    SendMessageW(Item(IDC_DEST_EDIT), EM_LIMITTEXT, kValueCapacity, 0);
    defaultDestination = DefaultDestination(WindowsFolder(), values.installFolder);
    SetText(IDC_DEST_EDIT, winui::Widen(defaultDestination));
    return true;
}

void InstallDialog::HandleCommandLine() {
    for (Switch sw : ScanSwitches(FromAnsiText(GetCommandLineA()))) {
        if (sw == Switch::Move) {
            // Without the uninstall entry there is nothing to remove: the
            // program ends rather than offering to install.
            MoveToTemporary();
        } else {
            UninstallFromTemporary();
        }
        End(IDCANCEL);
    }
}

bool InstallDialog::MoveToTemporary() {
    const std::string tempProgram = TemporaryProgramPath(TemporaryFolder());
    const std::string ansiTempProgram = ToAnsiText(tempProgram);
    SetFileAttributesA(ansiTempProgram.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileA(ansiTempProgram.c_str());

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, ToAnsiText(values.uninstallKey).c_str(), 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS) {
        Show(text::kUninstallInfoMissing, MB_OK | MB_ICONERROR);
        return false;
    }
    const std::string installPath = ReadRegistryText(key, "InstallPath").value_or(std::string());
    RegCloseKey(key);
    const std::string installedProgram = installPath + "\\" + kProgramName;

    if (!CopyOver(installedProgram, tempProgram)) {
        const DWORD error = GetLastError();
        Message(Window(), Fill(text::kErrorNumber, std::to_string(error)), text::kStarterErrorCaption, MB_OK);
    }
    CopyOver(SetupFilePath(installedProgram), SetupFilePath(tempProgram));

    if (IsNtFamily()) {
        MoveFileExA(ansiTempProgram.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    } else {
        const std::string wininit = WindowsFolder() + "\\wininit.ini";
        WritePrivateProfileStringA("Rename", "NUL", ansiTempProgram.c_str(), ToAnsiText(wininit).c_str());
    }

    for (int attempt = 0; attempt < kSecondStageTries; ++attempt) {
        Sleep(kSecondStagePauseMs);
        std::string commandLine = kSecondStageCommandLine;  // CreateProcessA may write into it
        STARTUPINFOA startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        if (CreateProcessA(ansiTempProgram.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                           nullptr, &startup, &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
            break;
        }
    }
    return true;
}

void InstallDialog::UninstallFromTemporary() {
    unsigned major = 0, minor = 0;
    SystemVersion(major, minor);
    const std::string setupFile = SetupFilePath(ProgramPath());
    PrivateProfile profile(setupFile);
    ReadSetupInfo(profile, major, minor, values);

    UninstallConfirmDialog confirm(Instance(), values.titleName);
    if (confirm.Run(nullptr) != IDYES) {
        Show(text::kUninstallCancelled, MB_OK | MB_ICONINFORMATION);
        return;
    }
    ProgressArgs args;
    args.role = ProgressArgs::Role::Uninstall;
    args.values = values;
    ProgressDialog progress(Instance(), std::move(args));
    progress.Run(nullptr);
    DeleteFileA(ToAnsiText(setupFile).c_str());
}

bool InstallDialog::OnCommand(int id, int code, HWND) {
    if (id == IDC_BROWSE && code == BN_CLICKED) {
        Browse();
        return true;
    }
    return false;
}

void InstallDialog::Browse() {
    BrowseState state;
    state.preselection = ToAnsiText(BrowserPreselection(defaultDestination, IsFolder(defaultDestination)));
    const std::string title = ToAnsiText(text::kBrowseTitle);
    char displayName[MAX_PATH] = {};
    BROWSEINFOA info = {};
    info.hwndOwner = Window();
    info.pidlRoot = nullptr;  // the desktop
    info.pszDisplayName = displayName;
    info.lpszTitle = title.c_str();
    info.ulFlags = BIF_RETURNONLYFSDIRS | BIF_STATUSTEXT;
    info.lpfn = &BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(&state);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderA(&info);
    if (chosen == nullptr) return;
    char path[MAX_PATH] = {};
    if (SHGetPathFromIDListA(chosen, path))
        SetText(IDC_DEST_EDIT, winui::Widen(BrowsedDestination(FromAnsiText(path), values.installFolder)));
    CoTaskMemFree(chosen);
}

void InstallDialog::OnOK() {
    EnableInputs(false);
    if (CheckDestination()) return;  // installed; the dialog is closing
    EnableInputs(true);
    FocusItem(IDOK);
}

void InstallDialog::EnableInputs(bool on) {
    for (int id : {IDOK, IDCANCEL, IDC_BROWSE, IDC_DEST_EDIT}) Enable(id, on);
}

bool InstallDialog::CheckDestination() {
    const std::string destination = winui::Narrow(Text(IDC_DEST_EDIT));
    const std::string root = DriveRoot(destination);
    // A bare drive root or a relative path would spread the files over the
    // drive, and the uninstall would later remove the whole tree there.
    if (GetDriveTypeA(ToAnsiText(root).c_str()) == DRIVE_NO_ROOT_DIR || !IsAcceptableDestination(destination)) {
        Show(text::kDestinationMissing, MB_OK | MB_ICONINFORMATION);
        SetText(IDC_DEST_EDIT, winui::Widen(defaultDestination));
        return false;
    }
    const auto freeBytes = DriveFreeBytes(root);
    if (!freeBytes || !EnoughFreeSpace(*freeBytes, values.disk)) {
        Show(Fill(text::kNotEnoughSpace, std::to_string(values.disk)), MB_OK | MB_ICONINFORMATION);
        return false;
    }
    if (!IsFolder(destination)) {
        if (Show(Fill(text::kCreateFolderQuestion, destination), MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
            Show(text::kDestinationMissing, MB_OK | MB_ICONINFORMATION);
            return false;
        }
        Win32Folders folders;
        CreateFolderPath(folders, destination);
    }
    Show(text::kStartInstall, MB_OK | MB_ICONINFORMATION);

    ProgressArgs args;
    args.role = ProgressArgs::Role::Install;
    args.values = values;
    args.values.installFolder = destination;
    args.programPath = ProgramPath();
    args.setupFile = SetupFilePath(args.programPath);
    args.sourceFolder = FolderOf(args.programPath) + "\\" + values.diskPath;
    args.expand = true;
    ProgressDialog progress(Instance(), std::move(args));
    progress.Run(Window());
    End(IDOK);
    return true;
}

}  // namespace veldra::win
