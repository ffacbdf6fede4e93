// The installer driven from outside under Wine, as a person would: the real
// distribution of this build installed into the prefix, read back from the
// disk, the shortcuts and the registry, then removed through the registered
// uninstall command; and the refusals on their way.
//
// VELDRA_E2E_BUILD names the Windows build folder (with distribution and
// distribution-files).
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>
#include <winternl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "e2e/driver/window_driver.h"
#include "installer/core/messages.h"
#include "installer/core/setup_rules.h"
#include "installer/res/veldra_ids.h"
#include "winui/text.h"

namespace {

using e2e::Milliseconds;
using winui::Widen;

constexpr wchar_t kTitle[] = L"ソルベナ";
constexpr wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Solvena";
constexpr wchar_t kWorkRoot[] = L"C:\\veldra-e2e";
// Installs wait 500 ms per step; the whole run of one install stays well
// below this.
constexpr Milliseconds kInstallWait{60000};

std::wstring Environment(const wchar_t* name) {
    wchar_t buffer[MAX_PATH * 2] = {};
    const DWORD length = GetEnvironmentVariableW(name, buffer, MAX_PATH * 2);
    return length > 0 && length < MAX_PATH * 2 ? std::wstring(buffer, length) : std::wstring();
}

std::wstring BuildFolder() { return Environment(L"VELDRA_E2E_BUILD"); }
std::wstring Distribution() { return BuildFolder() + L"\\distribution"; }
std::wstring PlainFiles() { return BuildFolder() + L"\\distribution-files"; }

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

std::vector<WIN32_FIND_DATAW> Entries(const std::wstring& folder) {
    std::vector<WIN32_FIND_DATAW> entries;
    WIN32_FIND_DATAW data = {};
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE) return entries;
    do {
        const std::wstring name = data.cFileName;
        if (name != L"." && name != L"..") entries.push_back(data);
    } while (FindNextFileW(find, &data));
    FindClose(find);
    return entries;
}

// The names of the files in a folder as the disk holds them.
std::vector<std::wstring> FileNames(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : Entries(folder))
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(entry.cFileName);
    std::sort(names.begin(), names.end());
    return names;
}

void RemoveFolder(const std::wstring& folder) {
    for (const auto& entry : Entries(folder)) {
        const std::wstring path = folder + L"\\" + entry.cFileName;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            RemoveFolder(path);
        } else {
            SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileW(path.c_str());
        }
    }
    RemoveDirectoryW(folder.c_str());
}

bool CopyFolder(const std::wstring& from, const std::wstring& to) {
    CreateDirectoryW(to.c_str(), nullptr);
    for (const auto& entry : Entries(from)) {
        const std::wstring source = from + L"\\" + entry.cFileName;
        const std::wstring target = to + L"\\" + entry.cFileName;
        const bool ok = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                            ? CopyFolder(source, target)
                            : CopyFileW(source.c_str(), target.c_str(), FALSE) != FALSE;
        if (!ok) return false;
    }
    return true;
}

std::string Bytes(const std::wstring& path) {
    std::ifstream file(winui::Narrow(path).c_str(), std::ios::binary);
    if (!file) {
        // The C runtime opens ANSI names; go through a short copy of the name.
        HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return "<missing>";
        std::string data;
        char buffer[65536];
        DWORD read = 0;
        while (ReadFile(handle, buffer, sizeof buffer, &read, nullptr) && read > 0) data.append(buffer, read);
        CloseHandle(handle);
        return data;
    }
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

std::optional<std::wstring> RegistryText(HKEY root, const std::wstring& path, const wchar_t* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    wchar_t buffer[1024] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || type != REG_SZ) return std::nullopt;
    std::wstring text(buffer, size / sizeof(wchar_t));
    while (!text.empty() && text.back() == L'\0') text.pop_back();
    return text;
}

std::wstring ProgramsFolder() {
    return RegistryText(HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                        L"Common Programs")
        .value_or(L"");
}

std::wstring StartMenuFolder() { return ProgramsFolder() + L"\\" + kTitle; }

void ForgetInstall() {
    RegDeleteKeyW(HKEY_LOCAL_MACHINE, kUninstallKey);
    RemoveFolder(StartMenuFolder());
}

// A copy of the distribution under the work folder, changed by `edit`.
std::wstring PrepareDistribution(const std::wstring& name, const std::map<std::wstring, std::wstring>& iniChanges = {}) {
    // Apart from the destinations: names differ only in case on this file system.
    const std::wstring folder = std::wstring(kWorkRoot) + L"\\dist-" + name;
    RemoveFolder(folder);
    CreateDirectoryW(kWorkRoot, nullptr);
    EXPECT_TRUE(CopyFolder(Distribution(), folder)) << winui::Narrow(folder);
    for (const auto& [key, value] : iniChanges)
        WritePrivateProfileStringW(L"SetupInformation", key.c_str(), value.c_str(), (folder + L"\\Veldra.ini").c_str());
    return folder;
}

HWND Item(HWND dialog, int id) { return GetDlgItem(dialog, id); }

int ProgressUpper(HWND dialog) {
    return static_cast<int>(SendMessageW(Item(dialog, IDC_PROGRESS_BAR), PBM_GETRANGE, FALSE, 0));
}

// The installer started on a distribution, its install window up.
struct Installer {
    e2e::Process process;
    HWND dialog = nullptr;
};

Installer StartInstaller(const std::wstring& distribution) {
    Installer run;
    DWORD error = 0;
    run.process = e2e::Process::Start(distribution + L"\\Veldra.exe", L"", distribution, &error);
    EXPECT_TRUE(run.process.Valid()) << "error " << error;
    if (run.process.Valid()) run.dialog = e2e::WaitForWindow(run.process.Id(), L"#32770", kTitle);
    return run;
}

// Expects a message box of `pid` with `text` and answers it with `button`.
void ExpectMessage(DWORD pid, const char* text, int button, Milliseconds wait = e2e::kDefaultWait,
                   const std::wstring& caption = kTitle) {
    // An empty caption finds a box of any caption.
    auto box = e2e::WaitForMessageBox(pid, caption, wait);
    ASSERT_TRUE(box.has_value()) << "no message box: " << text;
    EXPECT_EQ(box->text, Widen(text));
    EXPECT_TRUE(e2e::Answer(*box, button)) << text;
}

// Expects the question whether to create `folder` and answers it.
void AnswerFolderQuestion(DWORD pid, const std::wstring& folder, int button) {
    auto box = e2e::WaitForMessageBox(pid, kTitle);
    ASSERT_TRUE(box.has_value()) << "no folder question";
    EXPECT_EQ(box->text, L"指定されたフォルダ\n   " + folder + L"     \nはありません。\nフォルダを作成してもよろしいですか？");
    EXPECT_EQ(box->buttons.size(), 2u);
    EXPECT_TRUE(e2e::Answer(*box, button));
}

// Types the destination into the install window and presses OK.
void ChooseDestination(const Installer& run, const std::wstring& destination) {
    ASSERT_NE(run.dialog, nullptr);
    ASSERT_TRUE(e2e::SetText(Item(run.dialog, IDC_DEST_EDIT), destination));
    e2e::Click(e2e::Child(run.dialog, IDOK, L"Button"));
}

// The command line another process was started with, read from its process
// parameters; nullopt when they cannot be read.
std::optional<std::wstring> CommandLineOf(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) return std::nullopt;
    std::optional<std::wstring> line;
    PROCESS_BASIC_INFORMATION basic = {};
    ULONG length = 0;
    PEB peb = {};
    RTL_USER_PROCESS_PARAMETERS parameters = {};
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, &length) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof peb, nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &parameters, sizeof parameters, nullptr)) {
        std::wstring text(parameters.CommandLine.Length / sizeof(wchar_t), L'\0');
        if (ReadProcessMemory(process, parameters.CommandLine.Buffer, text.data(), parameters.CommandLine.Length,
                              nullptr))
            line = text;
    }
    CloseHandle(process);
    return line;
}

struct LinkView {
    std::string path, description, workingFolder;
};

std::optional<LinkView> ReadLink(const std::wstring& file) {
    IShellLinkA* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(&link))))
        return std::nullopt;
    IPersistFile* persist = nullptr;
    std::optional<LinkView> view;
    if (SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(file.c_str(), STGM_READ))) {
            char path[MAX_PATH] = {}, description[INFOTIPSIZE] = {}, folder[MAX_PATH] = {};
            link->GetPath(path, MAX_PATH, nullptr, 0);
            link->GetDescription(description, INFOTIPSIZE);
            link->GetWorkingDirectory(folder, MAX_PATH);
            view = LinkView{winui::Narrow(winui::FromAnsi(path)), winui::Narrow(winui::FromAnsi(description)),
                            winui::Narrow(winui::FromAnsi(folder))};
        }
        persist->Release();
    }
    link->Release();
    return view;
}

class VeldraInstall : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(BuildFolder().empty()) << "VELDRA_E2E_BUILD is not set";
        ASSERT_TRUE(Exists(Distribution() + L"\\Veldra.exe"));
        ASSERT_FALSE(ProgramsFolder().empty());
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ForgetInstall();
    }
    void TearDown() override {
        ForgetInstall();
        CoUninitialize();
    }

    // Installs the distribution at `destination` (created after one
    // question), checking the progress window on the way.
    void InstallInto(const std::wstring& distribution, const std::wstring& destination) {
        Installer run = StartInstaller(distribution);
        ASSERT_NE(run.dialog, nullptr);
        const DWORD pid = run.process.Id();
        ChooseDestination(run, destination);
        if (!IsFolder(destination)) {
            ASSERT_NO_FATAL_FAILURE(AnswerFolderQuestion(pid, destination, IDYES));
        }
        ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kStartInstall, IDOK));
        HWND progress = e2e::WaitForWindow(pid, L"#32770", Widen(veldra::text::kInstallTitle));
        ASSERT_NE(progress, nullptr);
        // Three product files in the distribution.
        EXPECT_TRUE(e2e::WaitUntil([&] { return ProgressUpper(progress) == 3 + 5; }, Milliseconds(5000)))
            << ProgressUpper(progress);
        auto done = e2e::WaitForMessageBox(pid, kTitle, kInstallWait);
        ASSERT_TRUE(done.has_value());
        EXPECT_EQ(done->text, Widen(veldra::text::kInstallComplete));
        EXPECT_EQ(e2e::TextOf(Item(progress, IDC_PROGRESS_PERCENT)), L"100％");
        EXPECT_EQ(e2e::TextOf(Item(progress, IDC_PROGRESS_MESSAGE)), Widen(veldra::text::kInstallDone));
        EXPECT_TRUE(e2e::Answer(*done, IDOK));
        auto help = e2e::WaitForMessageBox(pid, kTitle);
        ASSERT_TRUE(help.has_value());
        EXPECT_EQ(help->text, L"今すぐにソルベナのヘルプを表示しますか？");
        EXPECT_EQ(help->buttons.size(), 2u);
        EXPECT_TRUE(e2e::Answer(*help, IDNO));
        EXPECT_EQ(run.process.WaitForExit(), std::optional<DWORD>(0));
    }
};

TEST_F(VeldraInstall, DefaultDestinationAndIntroduction) {
    Installer run = StartInstaller(PrepareDistribution(L"intro"));
    ASSERT_NE(run.dialog, nullptr);
    EXPECT_EQ(e2e::TextOf(Item(run.dialog, IDC_DEST_EDIT)), L"C:\\Program Files\\Solvena");
    EXPECT_EQ(e2e::TextOf(Item(run.dialog, IDC_INTRO)),
              L"ソルベナのインストールを行います。\nインストール先を指定してください。");
    e2e::Click(e2e::Child(run.dialog, IDCANCEL, L"Button"));
    EXPECT_EQ(run.process.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(VeldraInstall, InstallsThreeLevelsDeepWithShortcutsAndUninstallEntry) {
    const std::wstring root = std::wstring(kWorkRoot) + L"\\Deep";
    RemoveFolder(root);
    const std::wstring destination = root + L"\\Level2\\Solvena";
    ASSERT_NO_FATAL_FAILURE(InstallInto(PrepareDistribution(L"full"), destination));

    // Files under upper-case names, expanded, equal to what was shipped.
    EXPECT_EQ(FileNames(destination), (std::vector<std::wstring>{L"KESTRION.DLL", L"TAMSEL.CHM", L"TAMSEL.EXE",
                                                                L"Veldra.exe", L"Veldra.ini"}));
    for (const auto& [installed, shipped] : std::vector<std::pair<std::wstring, std::wstring>>{
             {L"KESTRION.DLL", L"Kestrion.dll"}, {L"TAMSEL.EXE", L"Tamsel.exe"}, {L"TAMSEL.CHM", L"Tamsel.chm"}}) {
        const std::string expected = Bytes(PlainFiles() + L"\\" + shipped);
        ASSERT_NE(expected, "<missing>");
        EXPECT_TRUE(Bytes(destination + L"\\" + installed) == expected) << winui::Narrow(installed);
    }
    EXPECT_TRUE(Bytes(destination + L"\\Veldra.exe") == Bytes(Distribution() + L"\\Veldra.exe"));
    EXPECT_TRUE(Bytes(destination + L"\\Veldra.ini") == Bytes(Distribution() + L"\\Veldra.ini"));

    // The two shortcuts.
    const auto program = ReadLink(StartMenuFolder() + L"\\ソルベナ.LNK");
    ASSERT_TRUE(program.has_value());
    EXPECT_EQ(program->path, winui::Narrow(destination) + "\\Tamsel.exe");
    EXPECT_EQ(program->description, "Vantorelli 7K4R2B-55のプリンタ設定を変更するためのユーティリティです。");
    EXPECT_EQ(program->workingFolder, winui::Narrow(destination));
    const auto help = ReadLink(StartMenuFolder() + L"\\ソルベナのヘルプ.LNK");
    ASSERT_TRUE(help.has_value());
    EXPECT_EQ(help->path, winui::Narrow(destination) + "\\Tamsel.chm");
    EXPECT_EQ(help->description, "KVT Vantorelli 7K4R2B-55 ソルベナのヘルプです。");
    EXPECT_EQ(help->workingFolder, winui::Narrow(destination));

    // The uninstall entry.
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayName"), std::optional<std::wstring>(kTitle));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallPath"), destination);
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayIcon"), destination + L"\\Veldra.exe");
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString"),
              destination + L"\\Veldra.exe /M");

    // The installed panel program works from its folder: it reads the
    // settings of the simulated printer through the link library beside it.
    const std::wstring simLog = Environment(L"VELDRA_E2E_SIM_LOG");
    ASSERT_FALSE(simLog.empty()) << "VELDRA_E2E_SIM_LOG is not set";
    const std::size_t logBefore = Bytes(simLog).size();
    e2e::Process panel = e2e::Process::Start(destination + L"\\TAMSEL.EXE", L"", destination);
    ASSERT_TRUE(panel.Valid());
    HWND main = e2e::WaitForWindow(panel.Id(), L"#32770", L"KVT Vantorelli 7K4R2B-55 ソルベナ", Milliseconds(30000));
    EXPECT_NE(main, nullptr);
    EXPECT_TRUE(e2e::WaitUntil([&] {
        const std::string log = Bytes(simLog);
        return log.size() > logBefore &&
               log.find("ParamQuery: answered the settings", logBefore) != std::string::npos;
    })) << "the printer was not asked for its settings";
    // Read without a failure: no other window of the program is up.
    std::string shown;
    for (HWND window : e2e::TopWindows(panel.Id(), L"#32770"))
        if (window != main) shown += " \"" + winui::Narrow(e2e::TextOf(window)) + "\"";
    EXPECT_TRUE(shown.empty()) << "windows besides the main window:" << shown;
    panel.Terminate();
    RemoveFolder(root);
}

// The refusals at the start: an invalid setup file ends the program.
TEST_F(VeldraInstall, InvalidSetupInformationEndsAtOnce) {
    const std::vector<std::pair<std::wstring, std::wstring>> cases = {
        {L"DISK", L"0"}, {L"DISK", L""}, {L"PRINTER_NAME", L""}, {L"SB_FILE", L""}, {L"HELP_FILE2", L""}};
    for (const auto& [key, value] : cases) {
        SCOPED_TRACE(winui::Narrow(key));
        const std::wstring distribution = PrepareDistribution(L"invalid", {{key, value}});
        e2e::Process process = e2e::Process::Start(distribution + L"\\Veldra.exe", L"", distribution);
        ASSERT_TRUE(process.Valid());
        // Before TITLE_NAME is read, the caption is empty.
        auto box = e2e::WaitForMessageBox(process.Id(), L"");
        ASSERT_TRUE(box.has_value());
        EXPECT_EQ(box->caption, key == L"DISK" ? L"" : kTitle);
        EXPECT_EQ(box->text, Widen(veldra::text::kInvalidSetup));
        EXPECT_TRUE(e2e::Answer(*box, IDOK));
        EXPECT_EQ(process.WaitForExit(), std::optional<DWORD>(0));
        EXPECT_TRUE(e2e::TopWindows(process.Id()).empty());
    }
}

TEST_F(VeldraInstall, DestinationRefusalsKeepTheDialogOpen) {
    const std::wstring declined = std::wstring(kWorkRoot) + L"\\Declined\\Solvena";
    RemoveFolder(std::wstring(kWorkRoot) + L"\\Declined");
    Installer run = StartInstaller(PrepareDistribution(L"refusals", {{L"DISK", L"2000000000"}}));
    ASSERT_NE(run.dialog, nullptr);
    const DWORD pid = run.process.Id();

    // A drive without a root: the default destination comes back.
    ChooseDestination(run, L"Q:\\Solvena");
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kDestinationMissing, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TextOf(Item(run.dialog, IDC_DEST_EDIT)) == L"C:\\Program Files\\Solvena"; }));
    // A bare drive root is refused the same way.
    ChooseDestination(run, L"C:\\");
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kDestinationMissing, IDOK));

    // Not enough free space for 2 000 000 000 MB.
    ChooseDestination(run, declined);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(
        pid,
        "指定されたドライブは、空き容量が不足しているためインストールできません。\nインストールするドライブを変更するか、2000000000MB以上の空き容量を確保してからやり直してください。",
        IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::IsEnabled(e2e::Child(run.dialog, IDOK, L"Button")); }));
    EXPECT_TRUE(e2e::IsEnabled(Item(run.dialog, IDC_DEST_EDIT)));
    EXPECT_TRUE(e2e::IsShown(run.dialog));
    e2e::Click(e2e::Child(run.dialog, IDCANCEL, L"Button"));
    EXPECT_EQ(run.process.WaitForExit(), std::optional<DWORD>(0));

    // A declined folder question.
    Installer again = StartInstaller(PrepareDistribution(L"declined"));
    ASSERT_NE(again.dialog, nullptr);
    ChooseDestination(again, declined);
    ASSERT_NO_FATAL_FAILURE(AnswerFolderQuestion(again.process.Id(), declined, IDNO));
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(again.process.Id(), veldra::text::kDestinationMissing, IDOK));
    EXPECT_FALSE(Exists(declined));
    EXPECT_TRUE(e2e::IsShown(again.dialog));
    e2e::Click(e2e::Child(again.dialog, IDCANCEL, L"Button"));
    EXPECT_EQ(again.process.WaitForExit(), std::optional<DWORD>(0));
}

TEST_F(VeldraInstall, DistributionWithoutThePanelProgramStopsAndRemovesTheEmptyFolder) {
    const std::wstring distribution = PrepareDistribution(L"nopanel");
    ASSERT_TRUE(DeleteFileW((distribution + L"\\DISK1\\TAMSEL.EX_").c_str()));
    const std::wstring destination = std::wstring(kWorkRoot) + L"\\NoPanel";
    RemoveFolder(destination);
    Installer run = StartInstaller(distribution);
    ASSERT_NE(run.dialog, nullptr);
    const DWORD pid = run.process.Id();
    ChooseDestination(run, destination);
    ASSERT_NO_FATAL_FAILURE(AnswerFolderQuestion(pid, destination, IDYES));
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kStartInstall, IDOK));
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kFilesMissing, IDOK, kInstallWait));
    EXPECT_EQ(run.process.WaitForExit(), std::optional<DWORD>(0));
    EXPECT_FALSE(Exists(destination));
    EXPECT_FALSE(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallPath").has_value());
}

TEST_F(VeldraInstall, FailedCopyIsReportedAndTheEntryStaysForRemoval) {
    const std::wstring destination = std::wstring(kWorkRoot) + L"\\Blocked";
    RemoveFolder(destination);
    CreateDirectoryW(destination.c_str(), nullptr);
    // A folder where the link library should go: the file cannot be written.
    ASSERT_TRUE(CreateDirectoryW((destination + L"\\KESTRION.DLL").c_str(), nullptr));
    Installer run = StartInstaller(PrepareDistribution(L"blocked"));
    ASSERT_NE(run.dialog, nullptr);
    const DWORD pid = run.process.Id();
    ChooseDestination(run, destination);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kStartInstall, IDOK));
    auto box = e2e::WaitForMessageBox(pid, kTitle, kInstallWait);
    ASSERT_TRUE(box.has_value());
    // Copy targets carry upper-case names.
    EXPECT_EQ(box->text, Widen(veldra::Fill(veldra::text::kCopyFailed, "C:\\VELDRA-E2E\\BLOCKED\\KESTRION.DLL")));
    EXPECT_TRUE(e2e::Answer(*box, IDOK));
    // No completion message, no help question: the program ends with a failure.
    EXPECT_EQ(run.process.WaitForExit(), std::optional<DWORD>(1));
    // The rest is installed and can be removed through the entry.
    EXPECT_TRUE(Exists(destination + L"\\TAMSEL.EXE"));
    EXPECT_EQ(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallPath"), destination);
    RemoveFolder(destination);
}

// The uninstall through the registered command.
class VeldraUninstall : public VeldraInstall {
protected:
    void SetUp() override {
        VeldraInstall::SetUp();
        if (HasFatalFailure()) return;
        destination = std::wstring(kWorkRoot) + L"\\Installed\\Solvena";
        RemoveFolder(std::wstring(kWorkRoot) + L"\\Installed");
        ASSERT_NO_FATAL_FAILURE(InstallInto(PrepareDistribution(L"uninstall"), destination));
        // An empty subfolder must go too.
        ASSERT_TRUE(CreateDirectoryW((destination + L"\\EMPTY").c_str(), nullptr));
        wchar_t temp[MAX_PATH] = {};
        GetTempPathW(MAX_PATH, temp);
        tempFolder = temp;
        if (!tempFolder.empty() && tempFolder.back() == L'\\') tempFolder.pop_back();
        // A copy left from an earlier uninstall is replaced.
        std::ofstream(winui::Narrow(tempFolder + L"\\Veldra.exe").c_str()) << "stale";
    }
    void TearDown() override {
        RemoveFolder(std::wstring(kWorkRoot) + L"\\Installed");
        VeldraInstall::TearDown();
    }

    // Runs the registered command; returns the confirmation window of the
    // second stage and its process id.
    HWND StartUninstall(DWORD& secondStage) {
        const auto command = RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"UninstallString");
        EXPECT_TRUE(command.has_value());
        if (!command) return nullptr;
        std::wstring line = *command;
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION info = {};
        EXPECT_TRUE(CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info));
        CloseHandle(info.hThread);
        // The first stage ends on its own once the second has started.
        EXPECT_EQ(WaitForSingleObject(info.hProcess, 20000), WAIT_OBJECT_0);
        DWORD code = 99;
        GetExitCodeProcess(info.hProcess, &code);
        EXPECT_EQ(code, 0u);
        CloseHandle(info.hProcess);
        HWND confirm = e2e::WaitForWindow(0, L"#32770", L"ソルベナのアンインストール");
        secondStage = confirm ? e2e::ProcessOf(confirm) : 0;
        return confirm;
    }

    std::wstring destination;
    std::wstring tempFolder;
};

TEST_F(VeldraUninstall, FirstStageCopiesToTemporaryAndRegistersTheDeletion) {
    DWORD pid = 0;
    HWND confirm = StartUninstall(pid);
    ASSERT_NE(confirm, nullptr);
    // The second stage runs from the temporary copy with exactly " /U".
    EXPECT_EQ(CommandLineOf(pid), std::optional<std::wstring>(L" /U"));
    HANDLE secondStage = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
    ASSERT_NE(secondStage, nullptr);
    wchar_t image[MAX_PATH] = {};
    DWORD imageLength = MAX_PATH;
    EXPECT_TRUE(QueryFullProcessImageNameW(secondStage, 0, image, &imageLength));
    CloseHandle(secondStage);
    EXPECT_EQ(_wcsicmp(image, (tempFolder + L"\\Veldra.exe").c_str()), 0) << winui::Narrow(image);
    EXPECT_TRUE(Bytes(tempFolder + L"\\Veldra.exe") == Bytes(destination + L"\\Veldra.exe"));
    EXPECT_TRUE(Bytes(tempFolder + L"\\Veldra.ini") == Bytes(destination + L"\\Veldra.ini"));
    // The pending deletion: the temporary program with no new name.
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"System\\CurrentControlSet\\Control\\Session Manager", 0,
                            KEY_READ, &key),
              ERROR_SUCCESS);
    std::vector<wchar_t> pending(32768, L'\0');
    DWORD size = static_cast<DWORD>((pending.size() - 2) * sizeof(wchar_t));
    DWORD type = 0;
    const LONG status = RegQueryValueExW(key, L"PendingFileRenameOperations", nullptr, &type,
                                         reinterpret_cast<BYTE*>(pending.data()), &size);
    RegCloseKey(key);
    ASSERT_EQ(status, ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_MULTI_SZ));
    // Pairs of (old name, new name), each ending in a zero; an empty new
    // name means delete.
    std::vector<std::wstring> entries;
    std::wstring entry;
    for (std::size_t i = 0; i < size / sizeof(wchar_t); ++i) {
        if (pending[i] != L'\0') {
            entry += pending[i];
            continue;
        }
        entries.push_back(entry);
        entry.clear();
    }
    bool found = false;
    for (std::size_t i = 0; i + 1 < entries.size(); ++i) {
        if (_wcsicmp(entries[i].c_str(), (L"\\??\\" + tempFolder + L"\\Veldra.exe").c_str()) == 0 &&
            entries[i + 1].empty())
            found = true;
    }
    EXPECT_TRUE(found) << "no deletion pending for the temporary program";

    // The confirmation: いいえ is the default.
    EXPECT_EQ(e2e::TextOf(Item(confirm, IDC_CONFIRM_TEXT1)), L"ソルベナのアンインストールを行います。");
    EXPECT_EQ(e2e::TextOf(Item(confirm, IDC_CONFIRM_TEXT2)), L"ソルベナをアンインストールしてもよろしいですか？");
    HWND no = e2e::Child(confirm, IDNO, L"Button");
    EXPECT_EQ(e2e::FocusOf(confirm), no);
    EXPECT_EQ(GetWindowLongW(no, GWL_STYLE) & 0xF, BS_DEFPUSHBUTTON);
    e2e::Click(no);
    ASSERT_NO_FATAL_FAILURE(ExpectMessage(pid, veldra::text::kUninstallCancelled, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TopWindows(pid).empty(); }));

    // Refused: everything stays, and the temporary setup file too.
    EXPECT_EQ(FileNames(destination).size(), 5u);
    EXPECT_TRUE(IsFolder(destination + L"\\EMPTY"));
    EXPECT_TRUE(RegistryText(HKEY_LOCAL_MACHINE, kUninstallKey, L"InstallPath").has_value());
    EXPECT_TRUE(Exists(StartMenuFolder() + L"\\ソルベナ.LNK"));
    EXPECT_TRUE(Exists(tempFolder + L"\\Veldra.ini"));
}

TEST_F(VeldraUninstall, AcceptedRemovesShortcutsEntryAndTree) {
    DWORD pid = 0;
    HWND confirm = StartUninstall(pid);
    ASSERT_NE(confirm, nullptr);
    e2e::Click(e2e::Child(confirm, IDYES, L"Button"));
    HWND progress = e2e::WaitForWindow(pid, L"#32770", Widen(veldra::text::kUninstallTitle));
    ASSERT_NE(progress, nullptr);
    // Five files in the installed folder. The window may show before the
    // program has set the bar's range (the control starts at 0-100).
    EXPECT_TRUE(e2e::WaitUntil([&] { return ProgressUpper(progress) == 5 + 2; }, Milliseconds(5000)))
        << ProgressUpper(progress);
    auto done = e2e::WaitForMessageBox(pid, kTitle, kInstallWait);
    ASSERT_TRUE(done.has_value());
    EXPECT_EQ(done->text, Widen(veldra::text::kUninstallComplete));
    EXPECT_EQ(e2e::TextOf(Item(progress, IDC_PROGRESS_PERCENT)), L"100％");
    EXPECT_TRUE(e2e::Answer(*done, IDOK));
    EXPECT_TRUE(e2e::WaitUntil([&] { return e2e::TopWindows(pid, L"", L"", true).empty(); }, Milliseconds(15000)));

    EXPECT_FALSE(Exists(destination));
    EXPECT_FALSE(Exists(StartMenuFolder()));
    HKEY key = nullptr;
    EXPECT_NE(RegOpenKeyExW(HKEY_LOCAL_MACHINE, kUninstallKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_FALSE(Exists(tempFolder + L"\\Veldra.ini"));
}

}  // namespace
