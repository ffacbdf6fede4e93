#include "panel/app/win_settings_files.h"

#include <commdlg.h>

#include <string>

#include "winui/text.h"

namespace tamsel {
namespace {

// Closes the handle on every path.
class FileHandle {
public:
    explicit FileHandle(HANDLE handle) : handle(handle) {}
    ~FileHandle() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
    HANDLE Get() const { return handle; }
    bool Valid() const { return handle != INVALID_HANDLE_VALUE; }

private:
    HANDLE handle;
};

// The folder of the running program, its module file name cut after the
// last backslash (the backslash kept).
std::wstring ProgramFolder() {
    std::wstring module(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length = GetModuleFileNameW(nullptr, module.data(), static_cast<DWORD>(module.size()));
        if (length == 0) return {};
        if (length < module.size()) {
            module.resize(length);
            break;
        }
        module.resize(module.size() * 2);
    }
    const auto slash = module.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : module.substr(0, slash + 1);
}

}  // namespace

std::optional<std::string> WinSettingsFiles::AskOpenPath() { return RunDialog(false); }
std::optional<std::string> WinSettingsFiles::AskSavePath() { return RunDialog(true); }

std::optional<std::string> WinSettingsFiles::RunDialog(bool save) {
    std::wstring filter(kSettingsFileFilter);
    for (wchar_t& c : filter) {
        if (c == L'|') c = L'\0';
    }
    const std::wstring folder = ProgramFolder();
    // Room for a long path; the initial name is the wildcard.
    std::wstring file(32768, L'\0');
    file.replace(0, std::char_traits<wchar_t>::length(kSettingsFileInitialName), kSettingsFileInitialName);

    OPENFILENAMEW ofn = {};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = nullptr;
    ofn.lpstrFilter = filter.c_str();
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = file.data();
    ofn.nMaxFile = static_cast<DWORD>(file.size());
    ofn.lpstrInitialDir = folder.empty() ? nullptr : folder.c_str();
    ofn.lpstrDefExt = kSettingsFileExtension;
    ofn.Flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT | OFN_EXPLORER | OFN_ENABLESIZING;

    const bool disable = mainWindow != nullptr && IsWindowEnabled(mainWindow);
    if (disable) EnableWindow(mainWindow, FALSE);
    const BOOL chosen = save ? GetSaveFileNameW(&ofn) : GetOpenFileNameW(&ofn);
    if (disable) {
        EnableWindow(mainWindow, TRUE);
        SetActiveWindow(mainWindow);
    }
    if (!chosen) return std::nullopt;
    return winui::Narrow(file.c_str());
}

FileReadResult WinSettingsFiles::ReadStart(const std::string& path, std::uint8_t* buffer, std::size_t size,
                                           std::size_t& got) {
    got = 0;
    FileHandle file(CreateFileW(winui::Widen(path).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) return FileReadResult::CannotOpen;
    // ReadFile may return fewer bytes than asked before the end of the file.
    while (got < size) {
        DWORD read = 0;
        if (!ReadFile(file.Get(), buffer + got, static_cast<DWORD>(size - got), &read, nullptr)) {
            return FileReadResult::CannotOpen;
        }
        if (read == 0) break;  // end of file
        got += read;
    }
    return FileReadResult::Read;
}

FileWriteResult WinSettingsFiles::WriteStart(const std::string& path, const std::uint8_t* data, std::size_t size) {
    // OPEN_ALWAYS creates the file or opens it as it is: a longer file keeps
    // its length and only its first bytes are written over.
    FileHandle file(CreateFileW(winui::Widen(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        // Only a denied access offers another name: a file that another
        // program holds (a sharing or lock violation) is not cured by one.
        return GetLastError() == ERROR_ACCESS_DENIED ? FileWriteResult::AccessDenied : FileWriteResult::Failed;
    }
    std::size_t written = 0;
    while (written < size) {
        DWORD count = 0;
        if (!WriteFile(file.Get(), data + written, static_cast<DWORD>(size - written), &count, nullptr) ||
            count == 0) {
            return FileWriteResult::Failed;
        }
        written += count;
    }
    return FileWriteResult::Written;
}

}  // namespace tamsel
