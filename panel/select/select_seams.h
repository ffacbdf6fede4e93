// The narrow seams under the printer selection and the address dialog: the
// message box, the end of the process, the spooler's printer and port
// enumeration, and the one small file the address dialog keeps. The windows
// implement them with the real calls; the tests with tables.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tamsel {

enum class NoticeIcon { Information, Exclamation };

// A message box with the caption "ソルベナ" and only an OK button.
class Notices {
public:
    virtual ~Notices() = default;
    virtual void Show(const std::string& text, NoticeIcon icon) = 0;
};

// Ends the whole process at once with the given exit code. In the program it
// does not return; in tests it records the code and returns, so every caller
// stops by itself right after calling it.
class ProcessExit {
public:
    virtual ~ProcessExit() = default;
    virtual void Exit(int code) = 0;
};

// All texts are UTF-8. An absent (null) name of the system is an empty string.

// One entry of the level-4 printer enumeration (local printers and
// connections).
struct PrinterBrief {
    std::string printerName;
    std::string serverName;
    std::uint32_t attributes = 0;
};

// One entry of a level-2 printer enumeration.
struct PrinterDetail {
    std::string serverName;
    std::string printerName;
    std::string portName;
    std::string driverName;
    std::uint32_t status = 0;
};

// One entry of the level-2 port enumeration of the local machine.
struct PortDetail {
    std::string portName;
    std::string description;
};

// The spooler as the printer selection asks it. A failing enumeration gives
// an empty list: it is not reported, it only leaves printers out.
class PrinterEnumeration {
public:
    virtual ~PrinterEnumeration() = default;
    // True on the NT platform family.
    virtual bool IsNtPlatform() = 0;
    // Local printers and printer connections, level 4.
    virtual std::vector<PrinterBrief> LocalAndConnections() = 0;
    // The printers of one server, level 2; an empty name asks the local machine.
    virtual std::vector<PrinterDetail> PrintersOf(const std::string& serverName) = 0;
    // The local printers, level 2 (the enumeration used off the NT family).
    virtual std::vector<PrinterDetail> LocalPrinters() = 0;
    // Whether the printer opens for use (the handle is closed again at once).
    // A name the link library could not address counts as not opening.
    virtual bool OpensForUse(const std::string& printerName) = 0;
    // The ports of the local machine with their descriptions, level 2.
    virtual std::vector<PortDetail> Ports() = 0;
};

// Whole-file access by a bare file name, relative to the process's current
// directory at the moment of the call.
class FileStore {
public:
    virtual ~FileStore() = default;
    // Up to `limit` bytes from the start of the file; nothing when the file
    // cannot be opened for reading.
    virtual std::optional<std::vector<std::uint8_t>> Read(const std::string& name, std::size_t limit) = 0;
    // Creates or replaces the file with exactly `bytes`; false when it cannot
    // be opened for writing or not all bytes were written.
    virtual bool Write(const std::string& name, const std::vector<std::uint8_t>& bytes) = 0;
};

// FileStore over the C library's binary streams ("rb", "wb").
class StdioFileStore final : public FileStore {
public:
    std::optional<std::vector<std::uint8_t>> Read(const std::string& name, std::size_t limit) override;
    bool Write(const std::string& name, const std::vector<std::uint8_t>& bytes) override;
};

}  // namespace tamsel
