// The installer's Windows side below the dialogs: ANSI text at the system
// calls, the setup file, files and folders, the compressed-file library, the
// registry and shell links. Texts are UTF-8 in and out; every ANSI interface
// gets the system code page's form.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "installer/core/setup_rules.h"

namespace veldra::win {

std::string ToAnsiText(const std::string& utf8);
std::string FromAnsiText(const std::string& ansi);

// Message box with UTF-8 texts (shown through the wide API).
int Message(HWND owner, const std::string& text, const std::string& caption, UINT flags);

// The running program's full path.
std::string ProgramPath();
// The folder part of a path (everything before the last backslash).
std::string FolderOf(const std::string& path);

// The setup information file through the private-profile calls.
class PrivateProfile : public ProfileSource {
public:
    explicit PrivateProfile(std::string file) : file(std::move(file)) {}
    int ReadInt(const char* key, int fallback) const override;
    std::string ReadString(const char* key) const override;

private:
    std::string file;
};

// The running system's version (major, minor).
void SystemVersion(unsigned& major, unsigned& minor);
bool IsNtFamily();

// Attributes of a path, nullopt when it does not exist.
std::optional<DWORD> Attributes(const std::string& path);
bool IsFolder(const std::string& path);

class Win32Folders : public FolderSystem {
public:
    Create CreateFolder(const std::string& path) override;
    bool Exists(const std::string& path) const override;
};

// Free bytes of the drive at `root`: the extended call resolved by name from
// kernel32.dll, else the cluster figures. nullopt when both fail.
std::optional<unsigned long long> DriveFreeBytes(const std::string& root);

// Files in the whole tree (folders not counted).
int CountFiles(const std::string& folder);
// The expanded name of a file (the recorded name of a compressed file, else
// the path itself).
std::string ExpandedName(const std::string& path);
// Searches the tree for a file whose expanded name is `wanted`.
bool FindSourceFile(const std::string& folder, const std::string& wanted);

// Copies a file over an existing one, clearing the target's attributes before
// and after. False when the copy failed.
bool CopyOver(const std::string& source, const std::string& target);

// Copies the tree into `destination` under upper-case names, expanding
// compressed files when `expand`; `step` runs once per file with its name.
// The paths of the files (or folders) that could not be written are added to
// `failures`.
void CopyTree(const std::string& source, const std::string& destination, bool expand,
              const std::function<void(const std::string&)>& step, std::vector<std::string>& failures);

// Removes the tree; `step` (may be empty) runs once per file.
void RemoveTree(const std::string& folder, const std::function<void()>& step);

// The all-users programs folder from the registry, nullopt when neither value
// can be read.
std::optional<std::string> ProgramsFolder();

// A REG_SZ value of an open key (text stored with or without its zero).
std::optional<std::string> ReadRegistryText(HKEY key, const char* name);
bool WriteRegistryText(HKEY key, const char* name, const std::string& utf8);

// Creates one shell link; each failing call shows its message (owner,
// caption) and the next call is still made. False when the link object or
// its persisting interface could not be obtained.
bool CreateShellLink(HWND owner, const std::string& caption, const ShortcutPlan& plan);

}  // namespace veldra::win
