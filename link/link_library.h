// The link library bound at run time by file name, its operations resolved by
// export name: the one loader of the panel program, the tool, the benchmark
// and the tests. The object owns the loaded module and frees it on every path
// (Free, another Load, destruction).
#pragma once

#include <initializer_list>
#include <string>

#include "link/kestrion.h"

namespace kestrion {

// The file name the panel program and the tool load.
#ifdef _WIN32
inline constexpr const char* kLinkLibraryFileName = "Kestrion.dll";
#else
inline constexpr const char* kLinkLibraryFileName = "libkestrion.so";
#endif

// The six operations as pointers into a loaded library. They stay valid only
// while the LinkLibrary that bound them keeps the library loaded.
struct Operations {
    PFN_DllGetPrinterStatus getStatus = nullptr;
    PFN_DllGetPrinterParam getParam = nullptr;
    PFN_DllSetPrinterParam setParam = nullptr;
    PFN_DllSetPrinterAdjust setAdjust = nullptr;
    PFN_DllSetPrinterAdd setAddress = nullptr;
    PFN_DllResetPrinter reset = nullptr;
};

enum class Op { GetStatus, GetParam, SetParam, SetAdjust, SetAddress, Reset };

// The export name of an operation ("DllGetPrinterStatus", ...).
const char* ExportName(Op op);

class LinkLibrary {
public:
    LinkLibrary() = default;
    ~LinkLibrary();  // frees the library when loaded
    LinkLibrary(const LinkLibrary&) = delete;
    LinkLibrary& operator=(const LinkLibrary&) = delete;
    LinkLibrary(LinkLibrary&& other) noexcept;
    LinkLibrary& operator=(LinkLibrary&& other) noexcept;

    // Loads `fileName`: LoadLibraryA on Windows (the standard search order),
    // dlopen elsewhere. A library loaded before is freed first, so a failed
    // Load leaves nothing loaded. An empty name, or one with a NUL inside, is
    // refused without asking the system (either would name the running
    // program itself, not a library).
    bool Load(const std::string& fileName);
    bool IsLoaded() const;
    // Why the last Load failed, in words: the system's text with its error
    // code on Windows, dlerror's text (which names the file) elsewhere;
    // empty after a successful Load and after Free.
    std::string LoadError() const;

    // Resolves the named operations by export name, all of them before any is
    // stored: true with exactly those slots of `ops` set; false with `ops`
    // unchanged when one is missing (`missing` = the first missing export in
    // the order given) or when nothing is loaded (`missing` = empty).
    bool Bind(std::initializer_list<Op> which, Operations& ops, std::string* missing = nullptr) const;
    bool BindAll(Operations& ops, std::string* missing = nullptr) const;

    // FreeLibrary / dlclose now; pointers bound from this library become
    // invalid. Does nothing when nothing is loaded.
    void Free();

private:
    void* module = nullptr;  // HMODULE on Windows, the dlopen handle elsewhere
    std::string loadError;
};

}  // namespace kestrion
