#include "installer/core/setup_rules.h"

#include <cstdio>

namespace veldra {

namespace {

constexpr char kIniSuffix[] = "ini";
constexpr std::size_t kSuffixLength = 3;

bool IsAsciiLower(char c) { return c >= 'a' && c <= 'z'; }
char AsciiUpper(char c) { return IsAsciiLower(c) ? static_cast<char>(c - 'a' + 'A') : c; }

}  // namespace

std::string SetupFilePath(std::string_view programPath) {
    if (programPath.size() < kSuffixLength) return {};
    std::string path(programPath.substr(0, programPath.size() - kSuffixLength));
    path += kIniSuffix;
    return path;
}

const char* HelpKeyFor(unsigned major, unsigned minor) {
    return (major == 4 && minor == 0) ? "HELP_FILE1" : "HELP_FILE2";
}

bool ReadSetupInfo(const ProfileSource& profile, unsigned major, unsigned minor, SetupValues& values) {
    values.disk = profile.ReadInt("DISK", 0);
    if (values.disk == 0) return false;
    struct Key {
        const char* name;
        std::string SetupValues::*member;
    };
    const Key keys[] = {
        {"TITLE_NAME", &SetupValues::titleName},
        {"PRINTER_NAME", &SetupValues::printerName},
        {"INSTALL_FOLDER", &SetupValues::installFolder},
        {"DISK_PATH", &SetupValues::diskPath},
        {"SB_FILE", &SetupValues::sbFile},
        {HelpKeyFor(major, minor), &SetupValues::helpFile},
    };
    for (const Key& key : keys) {
        std::string text = profile.ReadString(key.name);
        if (text.size() >= kValueCapacity) text.resize(kValueCapacity - 1);
        values.*key.member = std::move(text);
        if ((values.*key.member).empty()) return false;
    }
    values.uninstallKey = UninstallKeyPath(values.installFolder);
    return true;
}

std::string UninstallKeyPath(std::string_view installFolder) {
    std::string key = kUninstallRoot;
    key += '\\';
    key += installFolder;
    return key;
}

std::string DefaultDestination(std::string_view windowsFolder, std::string_view installFolder) {
    if (windowsFolder.size() < 2 || windowsFolder[1] != ':') return {};
    std::string path(1, windowsFolder[0]);
    path += ":\\Program Files\\";
    path += installFolder;
    return path;
}

bool IsAcceptableDestination(std::string_view destination) {
    if (destination.size() < 4) return false;
    const char drive = AsciiUpper(destination[0]);
    if (drive < 'A' || drive > 'Z' || destination[1] != ':' || destination[2] != '\\') return false;
    // Something other than backslashes after the root.
    return destination.find_first_not_of('\\', 3) != std::string_view::npos;
}

std::string DriveRoot(std::string_view destination) { return std::string(destination.substr(0, 3)); }

std::uint64_t FreeBytesFromClusters(std::uint32_t freeClusters, std::uint32_t bytesPerSector,
                                    std::uint32_t sectorsPerCluster) {
    // In 64 bits: a large drive overflows the 32-bit product.
    return std::uint64_t{freeClusters} * bytesPerSector * sectorsPerCluster;
}

bool EnoughFreeSpace(std::uint64_t freeBytes, int diskMb) {
    if (diskMb <= 0) return true;
    return (freeBytes >> kMegabyteShift) >= static_cast<std::uint64_t>(diskMb);
}

std::string BrowsedDestination(std::string_view chosen, std::string_view installFolder) {
    std::string path(chosen);
    if (path.empty() || path.back() != '\\') path += '\\';
    path += installFolder;
    return path;
}

std::string BrowserPreselection(std::string_view defaultDestination, bool exists) {
    if (exists) return std::string(defaultDestination);
    const std::size_t cut = defaultDestination.rfind('\\');
    if (cut == std::string_view::npos) return std::string(defaultDestination);
    // "C:\Abc" keeps its root's backslash: "C:\".
    if (cut == 2 && defaultDestination.size() > 1 && defaultDestination[1] == ':')
        return std::string(defaultDestination.substr(0, 3));
    return std::string(defaultDestination.substr(0, cut));
}

bool BrowserAcceptsPath(std::string_view path, std::optional<std::uint32_t> attributes) {
    if (!attributes) return false;
    if (path.find("Program Files") != std::string_view::npos) return true;
    constexpr std::uint32_t refused =
        kAttrReadOnly | kAttrHidden | kAttrSystem | kAttrTemporary | kAttrCompressed | kAttrOffline;
    return (*attributes & kAttrDirectory) != 0 && (*attributes & refused) == 0;
}

bool CreateFolderPath(FolderSystem& folders, const std::string& path) {
    FolderSystem::Create first = folders.CreateFolder(path);
    if (first == FolderSystem::Create::Done) return true;
    if (first != FolderSystem::Create::PathNotFound) return false;
    std::size_t end = path.size();
    // Each restart follows a parent newly created, so there are at most as
    // many restarts as backslashes; the bound only guards a lying file system.
    std::size_t restarts = 0;
    while (true) {
        const std::size_t cut = end == 0 ? std::string::npos : path.rfind('\\', end - 1);
        if (cut == std::string::npos || cut == 0) return folders.Exists(path);
        const std::string shorter = path.substr(0, cut);
        if (!folders.Exists(shorter) && folders.CreateFolder(shorter) == FolderSystem::Create::Done) {
            if (folders.CreateFolder(path) == FolderSystem::Create::Done) return true;
            // A parent was created: start again from the end of the full path.
            if (++restarts > path.size()) return false;
            end = path.size();
            continue;
        }
        end = cut;
    }
}

std::string UpperPath(std::string_view path) {
    std::string upper(path);
    for (char& c : upper) c = AsciiUpper(c);
    return upper;
}

std::string ExpandedTarget(std::string_view destination, std::string_view expandedName) {
    std::string target(destination);
    if (!target.empty() && !expandedName.empty()) target.back() = expandedName.back();
    return target;
}

std::string_view LastComponent(std::string_view path) {
    const std::size_t cut = path.find_last_of("\\/");
    return cut == std::string_view::npos ? path : path.substr(cut + 1);
}

bool NamesMatch(std::string_view expandedName, std::string_view wanted) {
    const std::string_view name = LastComponent(expandedName);
    if (name.size() != wanted.size()) return false;
    for (std::size_t i = 0; i < name.size(); ++i)
        if (AsciiUpper(name[i]) != AsciiUpper(wanted[i])) return false;
    return true;
}

int ProgressPercent(int position, int upper) {
    if (upper <= 0) return 0;
    return static_cast<int>(static_cast<long long>(position) * 100 / upper);
}

std::string PercentText(int percent) { return std::to_string(percent) + "％"; }

std::vector<Switch> ScanSwitches(std::string_view commandLine) {
    std::vector<Switch> switches;
    for (std::size_t i = 0; i + 1 < commandLine.size(); ++i) {
        if (commandLine[i] != '/') continue;
        const char next = commandLine[i + 1];
        if (next == 'm' || next == 'M') switches.push_back(Switch::Move);
        if (next == 'u' || next == 'U') switches.push_back(Switch::Uninstall);
    }
    return switches;
}

std::string TruncateCharacters(std::string_view text, std::size_t maxChars) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        // A UTF-8 continuation byte belongs to the character before it.
        if ((byte & 0xC0) == 0x80) continue;
        if (count == maxChars) return std::string(text.substr(0, i));
        ++count;
    }
    return std::string(text);
}

UninstallValues MakeUninstallValues(std::string_view titleName, std::string_view destination) {
    UninstallValues values;
    values.displayName = TruncateCharacters(titleName, kDisplayNameMax);
    values.installPath = destination;
    values.displayIcon = std::string(destination) + "\\" + kProgramName;
    values.uninstallString = values.displayIcon + " /M";
    return values;
}

std::string StartMenuFolder(std::string_view programsFolder, std::string_view titleName) {
    return std::string(programsFolder) + "\\" + std::string(titleName);
}

std::vector<ShortcutPlan> MakeShortcutPlans(const SetupValues& values, std::string_view destination,
                                            std::string_view startMenuFolder) {
    const std::string folder(startMenuFolder);
    const std::string dest(destination);
    ShortcutPlan program;
    program.linkFile = folder + "\\" + values.titleName + ".LNK";
    program.target = dest + "\\" + values.sbFile;
    program.description = values.printerName + "のプリンタ設定を変更するためのユーティリティです。";
    program.workingFolder = dest;
    ShortcutPlan help;
    help.linkFile = folder + "\\" + kHelpLinkName + ".LNK";
    help.target = dest + "\\" + values.helpFile;
    help.description = "KVT " + values.printerName + " ソルベナのヘルプです。";
    help.workingFolder = dest;
    return {program, help};
}

std::string Fill(std::string_view pattern, std::string_view value) {
    std::size_t at = pattern.find("%s");
    if (at == std::string_view::npos) at = pattern.find("%d");
    if (at == std::string_view::npos) return std::string(pattern);
    std::string text(pattern.substr(0, at));
    text += value;
    text += pattern.substr(at + 2);
    return text;
}

namespace {
std::string TempFolderBase(std::string_view tempFolder) {
    std::string base(tempFolder);
    while (!base.empty() && base.back() == '\\') base.pop_back();
    return base;
}
}  // namespace

std::string TemporaryProgramPath(std::string_view tempFolder) {
    return TempFolderBase(tempFolder) + "\\" + kProgramName;
}

std::string TemporarySetupPath(std::string_view tempFolder) {
    return TempFolderBase(tempFolder) + "\\" + kSetupName;
}

}  // namespace veldra
