// The installer's rules in plain C++: the setup information file, the default
// destination, the free-space decision, the folder creation walk, the names of
// expanded files, the progress arithmetic, the command-line scan and the
// uninstall entry. Texts are UTF-8; the Windows side converts at its calls.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veldra {

// Capacity of every string the installer reads or keeps (MAX_PATH).
inline constexpr std::size_t kValueCapacity = 260;
// "DisplayName" of the uninstall entry holds at most this many characters.
inline constexpr std::size_t kDisplayNameMax = 49;
// One megabyte of free space is 2^20 bytes.
inline constexpr unsigned kMegabyteShift = 20;

inline constexpr char kSection[] = "SetupInformation";
inline constexpr char kProgramName[] = "Veldra.exe";
inline constexpr char kSetupName[] = "Veldra.ini";
inline constexpr char kUninstallRoot[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
inline constexpr char kHelpLinkName[] = "ソルベナのヘルプ";

// Progress steps beyond one per file: install (program, setup file,
// shortcuts, registry, completion) and uninstall (shortcuts, registry).
inline constexpr int kInstallExtraSteps = 5;
inline constexpr int kUninstallExtraSteps = 2;

// The values read from the setup information file and kept while installing
// or uninstalling.
struct SetupValues {
    int disk = 0;                // free space needed, MB
    std::string titleName;       // TITLE_NAME
    std::string printerName;     // PRINTER_NAME
    std::string installFolder;   // INSTALL_FOLDER, then the confirmed destination
    std::string diskPath;        // DISK_PATH
    std::string sbFile;          // SB_FILE
    std::string helpFile;        // HELP_FILE1 or HELP_FILE2
    std::string uninstallKey;    // formed from INSTALL_FOLDER
};

// Reading the setup information file; the Windows side reads the private
// profile, a test a table.
class ProfileSource {
public:
    virtual ~ProfileSource() = default;
    // The key as an integer, `fallback` when missing or not a number.
    virtual int ReadInt(const char* key, int fallback) const = 0;
    // The key's text, at most kValueCapacity - 1 characters; empty when missing.
    virtual std::string ReadString(const char* key) const = 0;
};

// The setup file lies beside the program: its full path with the last three
// characters replaced by "ini". Empty when the path is too short to hold them.
std::string SetupFilePath(std::string_view programPath);

// The help key that the running system's version chooses: "HELP_FILE1" on
// exactly 4.0, "HELP_FILE2" on every other version.
const char* HelpKeyFor(unsigned major, unsigned minor);

// Reads DISK, TITLE_NAME, PRINTER_NAME, INSTALL_FOLDER, DISK_PATH, SB_FILE and
// the help key, in that order, stopping at the first that is 0 or empty.
// False when the file is invalid; the values read so far stay in `values`.
bool ReadSetupInfo(const ProfileSource& profile, unsigned major, unsigned minor, SetupValues& values);

// "SOFTWARE\...\Uninstall\<INSTALL_FOLDER>".
std::string UninstallKeyPath(std::string_view installFolder);

// "%c:\Program Files\%s" with the drive letter of the Windows folder.
// Empty when the Windows folder has no drive letter.
std::string DefaultDestination(std::string_view windowsFolder, std::string_view installFolder);

// A destination the installer may fill and the uninstaller may later remove
// whole: an absolute path "X:\name..." below a drive root. A bare root or a
// relative path would spread the files over (and on uninstall delete) the
// whole drive or the current folder.
bool IsAcceptableDestination(std::string_view destination);

// The first three characters of the destination ("C:\").
std::string DriveRoot(std::string_view destination);

// Free bytes of a drive from the cluster figures, for systems without the
// extended call.
std::uint64_t FreeBytesFromClusters(std::uint32_t freeClusters, std::uint32_t bytesPerSector,
                                    std::uint32_t sectorsPerCluster);
// True when the free bytes, in whole megabytes, reach `diskMb`.
bool EnoughFreeSpace(std::uint64_t freeBytes, int diskMb);

// The browser's choice followed by a backslash when it does not end in one,
// then INSTALL_FOLDER.
std::string BrowsedDestination(std::string_view chosen, std::string_view installFolder);
// What the folder browser selects first: the default destination if it
// exists, otherwise that path with its last component removed.
std::string BrowserPreselection(std::string_view defaultDestination, bool exists);

// File attributes that make a folder unsuitable as a destination.
inline constexpr std::uint32_t kAttrReadOnly = 0x1, kAttrHidden = 0x2, kAttrSystem = 0x4,
                               kAttrDirectory = 0x10, kAttrTemporary = 0x100, kAttrCompressed = 0x800,
                               kAttrOffline = 0x1000;
// The browser's OK button is enabled only for an existing path that is a
// plain folder or that contains "Program Files". `attributes` is nullopt when
// the path does not exist.
bool BrowserAcceptsPath(std::string_view path, std::optional<std::uint32_t> attributes);

// Creating folders, for the creation walk.
class FolderSystem {
public:
    enum class Create { Done, PathNotFound, Failed };
    virtual ~FolderSystem() = default;
    virtual Create CreateFolder(const std::string& path) = 0;
    virtual bool Exists(const std::string& path) const = 0;
};

// Creates `path`; when a parent is missing, walks backwards along the path
// creating the first missing parent it can and trying the whole path again.
// True when the folder was created.
bool CreateFolderPath(FolderSystem& folders, const std::string& path);

// Upper case for the copy targets: ASCII letters only, so that the bytes of
// other characters (UTF-8 here) are never touched.
std::string UpperPath(std::string_view path);
// The target of an expanded file: the (upper-case) destination path with its
// last character replaced by the last character of the expanded name
// (ABC.EX_ recorded as ABC.EXE becomes ABC.EXE).
std::string ExpandedTarget(std::string_view destination, std::string_view expandedName);
// The last path component.
std::string_view LastComponent(std::string_view path);
// True when the expanded name's last component names `wanted`, ignoring the
// case of ASCII letters.
bool NamesMatch(std::string_view expandedName, std::string_view wanted);

// The bar's percentage: pos * 100 / upper, integer division; 0 for an empty range.
int ProgressPercent(int position, int upper);
// "%d％".
std::string PercentText(int percent);

// The switches of the command line, in the order they occur.
enum class Switch { Move, Uninstall };
std::vector<Switch> ScanSwitches(std::string_view commandLine);

// The four values of the uninstall entry.
struct UninstallValues {
    std::string displayName;      // TITLE_NAME, at most kDisplayNameMax characters
    std::string installPath;      // destination
    std::string displayIcon;      // destination + "\Veldra.exe"
    std::string uninstallString;  // destination + "\Veldra.exe /M"
};
UninstallValues MakeUninstallValues(std::string_view titleName, std::string_view destination);
// The first `maxChars` characters of a UTF-8 text, never half a character.
std::string TruncateCharacters(std::string_view text, std::size_t maxChars);

// The two shortcuts of the start-menu folder.
struct ShortcutPlan {
    std::string linkFile;     // folder + "\" + name + ".LNK"
    std::string target;       // destination + "\" + file
    std::string description;
    std::string workingFolder;
};
std::vector<ShortcutPlan> MakeShortcutPlans(const SetupValues& values, std::string_view destination,
                                            std::string_view startMenuFolder);
// programs folder + "\" + TITLE_NAME.
std::string StartMenuFolder(std::string_view programsFolder, std::string_view titleName);

// The temporary copies of the uninstall: the temporary folder without its
// trailing backslash, then "\Veldra.exe" or "\Veldra.ini".
std::string TemporaryProgramPath(std::string_view tempFolder);
std::string TemporarySetupPath(std::string_view tempFolder);
// The command line the second stage is started with.
inline constexpr char kSecondStageCommandLine[] = " /U";
inline constexpr int kSecondStageTries = 5;
inline constexpr int kSecondStagePauseMs = 100;

// A message pattern with its one "%s" or "%d" replaced by `value` (never
// through printf: a title holding "%" stays a plain text).
std::string Fill(std::string_view pattern, std::string_view value);

// Pauses of the workers.
inline constexpr int kStepPauseMs = 500;
inline constexpr int kStartPauseMs = 100;
inline constexpr int kFinishPauseMs = 1000;

}  // namespace veldra
