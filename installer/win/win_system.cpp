#include "installer/win/win_system.h"

#include <lzexpand.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <vector>

#include "installer/core/messages.h"
#include "winui/text.h"

namespace veldra::win {

namespace {

constexpr char kShellFolders[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
constexpr char kDefaultShellFolders[] =
    ".DEFAULT\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";

// One FindFirstFile enumeration, closed on every path.
class FindHandle {
public:
    FindHandle(const std::string& pattern, WIN32_FIND_DATAA& data)
        : handle(FindFirstFileA(ToAnsiText(pattern).c_str(), &data)) {}
    ~FindHandle() {
        if (handle != INVALID_HANDLE_VALUE) FindClose(handle);
    }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;
    bool Valid() const { return handle != INVALID_HANDLE_VALUE; }
    bool Next(WIN32_FIND_DATAA& data) { return FindNextFileA(handle, &data) != FALSE; }

private:
    HANDLE handle;
};

bool IsDotEntry(const char* name) {
    return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Calls `visit(name, isFolder)` for every entry of the folder but "." and "..".
template <typename Visit>
void ForEachEntry(const std::string& folder, Visit visit) {
    WIN32_FIND_DATAA data = {};
    FindHandle find(folder + "\\*.*", data);
    if (!find.Valid()) return;
    do {
        if (IsDotEntry(data.cFileName)) continue;
        if (!visit(FromAnsiText(data.cFileName), (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)) return;
    } while (find.Next(data));
}

class RegistryKey {
public:
    RegistryKey() = default;
    ~RegistryKey() {
        if (key != nullptr) RegCloseKey(key);
    }
    RegistryKey(const RegistryKey&) = delete;
    RegistryKey& operator=(const RegistryKey&) = delete;
    HKEY* Out() { return &key; }
    HKEY Get() const { return key; }

private:
    HKEY key = nullptr;
};

std::optional<std::string> ReadValueOf(HKEY root, const char* path, const char* name) {
    RegistryKey key;
    if (RegOpenKeyExA(root, path, 0, KEY_READ, key.Out()) != ERROR_SUCCESS) return std::nullopt;
    auto text = ReadRegistryText(key.Get(), name);
    if (text && text->empty()) return std::nullopt;
    return text;
}

template <typename Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() {
        if (pointer != nullptr) pointer->Release();
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    Interface** Out() { return &pointer; }
    Interface* operator->() const { return pointer; }
    Interface* Get() const { return pointer; }

private:
    Interface* pointer = nullptr;
};

}  // namespace

std::string ToAnsiText(const std::string& utf8) { return winui::ToAnsi(winui::Widen(utf8)); }
std::string FromAnsiText(const std::string& ansi) { return winui::Narrow(winui::FromAnsi(ansi)); }

int Message(HWND owner, const std::string& text, const std::string& caption, UINT flags) {
    return MessageBoxW(owner, winui::Widen(text).c_str(), winui::Widen(caption).c_str(), flags);
}

std::string ProgramPath() {
    std::vector<char> buffer(MAX_PATH);
    while (true) {
        const DWORD length = GetModuleFileNameA(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) return FromAnsiText(std::string(buffer.data(), length));
        buffer.resize(buffer.size() * 2);
    }
}

std::string FolderOf(const std::string& path) {
    const std::size_t cut = path.rfind('\\');
    return cut == std::string::npos ? std::string() : path.substr(0, cut);
}

int PrivateProfile::ReadInt(const char* key, int fallback) const {
    return static_cast<int>(GetPrivateProfileIntA(kSection, key, fallback, ToAnsiText(file).c_str()));
}

std::string PrivateProfile::ReadString(const char* key) const {
    char buffer[kValueCapacity] = {};
    const DWORD length =
        GetPrivateProfileStringA(kSection, key, "", buffer, sizeof buffer, ToAnsiText(file).c_str());
    return FromAnsiText(std::string(buffer, length));
}

void SystemVersion(unsigned& major, unsigned& minor) {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    major = info.dwMajorVersion;
    minor = info.dwMinorVersion;
}

bool IsNtFamily() {
    OSVERSIONINFOA info = {};
    info.dwOSVersionInfoSize = sizeof info;
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    GetVersionExA(&info);
#pragma GCC diagnostic pop
    return info.dwPlatformId == VER_PLATFORM_WIN32_NT;
}

std::optional<DWORD> Attributes(const std::string& path) {
    const DWORD attributes = GetFileAttributesA(ToAnsiText(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return std::nullopt;
    return attributes;
}

bool IsFolder(const std::string& path) {
    auto attributes = Attributes(path);
    return attributes && (*attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

FolderSystem::Create Win32Folders::CreateFolder(const std::string& path) {
    if (CreateDirectoryA(ToAnsiText(path).c_str(), nullptr)) return Create::Done;
    return GetLastError() == ERROR_PATH_NOT_FOUND ? Create::PathNotFound : Create::Failed;
}

bool Win32Folders::Exists(const std::string& path) const { return Attributes(path).has_value(); }

std::optional<unsigned long long> DriveFreeBytes(const std::string& root) {
    using FreeSpaceEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    const std::string ansiRoot = ToAnsiText(root);
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    FARPROC proc = kernel ? GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
    if (proc != nullptr) {
        auto freeSpaceEx = reinterpret_cast<FreeSpaceEx>(reinterpret_cast<void*>(proc));
        ULARGE_INTEGER available = {}, total = {}, totalFree = {};
        if (!freeSpaceEx(ansiRoot.c_str(), &available, &total, &totalFree)) return std::nullopt;
        return totalFree.QuadPart;
    }
    DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(ansiRoot.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters))
        return std::nullopt;
    return FreeBytesFromClusters(freeClusters, bytesPerSector, sectorsPerCluster);
}

int CountFiles(const std::string& folder) {
    int count = 0;
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        count += isFolder ? CountFiles(folder + "\\" + name) : 1;
        return true;
    });
    return count;
}

std::string ExpandedName(const std::string& path) {
    std::string ansi = ToAnsiText(path);
    // The expanded name replaces one character of the name; room for the
    // longest path the system takes.
    std::vector<char> buffer(ansi.size() + MAX_PATH + 1, '\0');
    if (GetExpandedNameA(ansi.data(), buffer.data()) != 1) return path;
    return FromAnsiText(buffer.data());
}

bool FindSourceFile(const std::string& folder, const std::string& wanted) {
    bool found = false;
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        const std::string path = folder + "\\" + name;
        if (NamesMatch(ExpandedName(path), wanted) || (isFolder && FindSourceFile(path, wanted))) found = true;
        return !found;
    });
    return found;
}

bool CopyOver(const std::string& source, const std::string& target) {
    const std::string ansiTarget = ToAnsiText(target);
    SetFileAttributesA(ansiTarget.c_str(), FILE_ATTRIBUTE_NORMAL);
    const bool copied = CopyFileA(ToAnsiText(source).c_str(), ansiTarget.c_str(), FALSE) != FALSE;
    SetFileAttributesA(ansiTarget.c_str(), FILE_ATTRIBUTE_NORMAL);
    return copied;
}

namespace {

// Expands a file of the compressed-file format (a plain file is copied as it
// is). False when the target could not be written whole.
bool Expand(const std::string& source, const std::string& target) {
    const std::string ansiTarget = ToAnsiText(target);
    SetFileAttributesA(ansiTarget.c_str(), FILE_ATTRIBUTE_NORMAL);
    std::string ansiSource = ToAnsiText(source);
    OFSTRUCT sourceInfo = {};
    OFSTRUCT targetInfo = {};
    const INT from = LZOpenFileA(ansiSource.data(), &sourceInfo, OF_READ | OF_SHARE_DENY_WRITE);
    if (from < 0) return false;
    std::string writable = ansiTarget;
    const INT to = LZOpenFileA(writable.data(), &targetInfo, OF_CREATE | OF_WRITE);
    if (to < 0) {
        LZClose(from);
        return false;
    }
    const LONG copied = LZCopy(from, to);
    LZClose(to);
    LZClose(from);
    if (copied < 0) return false;
    // Written whole, as a file: what is on the disk now must be a file of
    // the expanded length (a folder of that name is not).
    WIN32_FILE_ATTRIBUTE_DATA written = {};
    if (!GetFileAttributesExA(ansiTarget.c_str(), GetFileExInfoStandard, &written)) return false;
    if (written.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) return false;
    const unsigned long long size = (static_cast<unsigned long long>(written.nFileSizeHigh) << 32) | written.nFileSizeLow;
    return size == static_cast<unsigned long long>(copied);
}

}  // namespace

void CopyTree(const std::string& source, const std::string& destination, bool expand,
              const std::function<void(const std::string&)>& step, std::vector<std::string>& failures) {
    ForEachEntry(source, [&](const std::string& name, bool isFolder) {
        const std::string from = UpperPath(source + "\\" + name);
        const std::string to = UpperPath(destination + "\\" + name);
        if (isFolder) {
            if (!CreateDirectoryA(ToAnsiText(to).c_str(), nullptr) && !IsFolder(to)) failures.push_back(to);
            CopyTree(from, to, expand, step, failures);
            return true;
        }
        const std::string expanded = ExpandedName(from);
        bool written;
        if (expand && expanded != from) {
            const std::string target = ExpandedTarget(to, expanded);
            written = Expand(from, target);
            if (!written) failures.push_back(target);
        } else {
            written = CopyOver(from, to);
            if (!written) failures.push_back(to);
        }
        if (step) step(name);
        return true;
    });
}

void RemoveTree(const std::string& folder, const std::function<void()>& step) {
    ForEachEntry(folder, [&](const std::string& name, bool isFolder) {
        const std::string path = folder + "\\" + name;
        if (isFolder) {
            RemoveTree(path, step);
        } else {
            const std::string ansi = ToAnsiText(path);
            SetFileAttributesA(ansi.c_str(), FILE_ATTRIBUTE_NORMAL);
            DeleteFileA(ansi.c_str());
            if (step) step();
        }
        return true;
    });
    RemoveDirectoryA(ToAnsiText(folder).c_str());
}

std::optional<std::string> ProgramsFolder() {
    if (auto common = ReadValueOf(HKEY_LOCAL_MACHINE, kShellFolders, "Common Programs")) return common;
    return ReadValueOf(HKEY_USERS, kDefaultShellFolders, "Programs");
}

std::optional<std::string> ReadRegistryText(HKEY key, const char* name) {
    // One more than the longest value read, zero-filled: a text stored
    // without its zero still ends in one.
    char buffer[kValueCapacity + 1] = {};
    DWORD size = kValueCapacity;
    DWORD type = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS)
        return std::nullopt;
    if (type != REG_SZ && type != REG_EXPAND_SZ) return std::nullopt;
    return FromAnsiText(std::string(buffer, strnlen(buffer, size)));
}

bool WriteRegistryText(HKEY key, const char* name, const std::string& utf8) {
    const std::string ansi = ToAnsiText(utf8);
    // The length of the text without its terminating zero.
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(ansi.c_str()),
                          static_cast<DWORD>(ansi.size())) == ERROR_SUCCESS;
}

bool CreateShellLink(HWND owner, const std::string& caption, const ShortcutPlan& plan) {
    ComPtr<IShellLinkA> link;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkA,
                                reinterpret_cast<void**>(link.Out()))))
        return false;
    ComPtr<IPersistFile> file;
    if (FAILED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(file.Out())))) return false;
    // A plain message box: no icon.
    auto report = [&](const char* text) { Message(owner, text, caption, MB_OK); };
    if (FAILED(link->SetPath(ToAnsiText(plan.target).c_str()))) report(text::kSetPathFailed);
    if (FAILED(link->SetDescription(ToAnsiText(plan.description).c_str()))) report(text::kSetDescriptionFailed);
    if (FAILED(link->SetWorkingDirectory(ToAnsiText(plan.workingFolder).c_str())))
        report(text::kSetWorkingFolderFailed);
    const std::wstring linkFile = winui::Widen(plan.linkFile);
    if (FAILED(file->Save(linkFile.c_str(), TRUE))) report(text::kSaveFailed);
    return true;
}

}  // namespace veldra::win
