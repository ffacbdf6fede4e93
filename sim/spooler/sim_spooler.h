// A small simulated spooler for Linux, where there is no Windows spooler:
// printers by name with their attributes, print jobs, and printer data that a
// port monitor fills once the printer has answered a job. Tests populate it
// in-process; other processes (the command-line tool) name a printer list
// file in KESTRION_SIM_SPOOLER (format in link/README.md).
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "core/spooler_reply.h"

namespace kestrion::simspool {

using Bytes = std::vector<std::uint8_t>;

inline constexpr char kConfigVariable[] = "KESTRION_SIM_SPOOLER";
inline constexpr std::uint32_t kAttributeEnableBidi = kestrion::kPrinterAttributeEnableBidi;

// What the spooler needs of a printer's port monitor: take a finished job,
// and answer one printer-data request (bytes copied, 0 when there is nothing).
struct PortMonitorHooks {
    std::function<void(const std::string& printerName, const Bytes& job)> submitJob;
    std::function<std::size_t(const std::string& valueName, std::uint8_t* buffer, std::size_t size)> fetch;
};

struct Job {
    std::uint32_t id = 0;
    std::string printer;
    std::string document;
    Bytes data;
    bool ended = false;
    bool cancelled = false;
};

// The level-2 record as this spooler hands it out.
struct PrinterInfo2 {
    std::uint32_t attributes;
    std::uint32_t jobCount;
};

class SimSpooler {
public:
    static SimSpooler& Instance();

    // Adds or replaces a printer. Without hooks jobs are kept but never answered.
    void AddPrinterQueue(const std::string& name, std::uint32_t attributes, PortMonitorHooks monitor = {});
    // Forgets every printer and job.
    void Reset();
    // (Re)reads a printer list file: printers from an earlier read of a file
    // are replaced, printers added in-process stay. False with a message when
    // the file cannot be read or a line is malformed.
    bool LoadFile(const std::string& path, std::string* message);
    // Reads the file named by KESTRION_SIM_SPOOLER, when set.
    void LoadFromEnvironment();

    std::vector<Job> Jobs() const;

    // The calls the spooler seam makes; failures return false (or 0) and set
    // `error` to an errno value.
    bool Open(const std::string& name, std::uintptr_t* handle, int* error);
    bool GetInfo2(std::uintptr_t handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed, int* error);
    std::uint32_t StartJob(std::uintptr_t handle, const std::string& document, int* error);
    bool Write(std::uintptr_t handle, const std::uint8_t* data, std::uint32_t size, std::uint32_t* written,
               int* error);
    bool EndDoc(std::uintptr_t handle, int* error);
    // Returns 0 when the value was copied, else an errno value.
    std::uint32_t GetData(std::uintptr_t handle, const std::string& valueName, std::uint8_t* buffer,
                          std::uint32_t size, std::uint32_t* needed);
    bool CancelJob(std::uintptr_t handle, std::uint32_t jobId, int* error);
    bool Close(std::uintptr_t handle, int* error);

    // How many printer handles are open (tests check that none is left).
    std::size_t OpenHandles() const;

private:
    struct Printer {
        std::uint32_t attributes = 0;
        PortMonitorHooks monitor;
        bool fromFile = false;
    };
    struct Handle {
        std::string printer;
        std::uint32_t currentJob = 0;  // the job started on this handle, 0 when none is open
    };

    Job* FindJob(std::uint32_t id);

    mutable std::mutex mutex;
    std::map<std::string, Printer> printers;
    std::map<std::uintptr_t, Handle> handles;
    std::vector<Job> jobs;
    std::uintptr_t nextHandle = 1;
    std::uint32_t nextJob = 1;
};

// Hooks of a port monitor that forwards each job to a printer-sim on
// 127.0.0.1:port and shows its reply from the `replyOnFetch`-th fetch on
// (defined beside the simulator's port-monitor stand-in).
PortMonitorHooks TcpPortMonitor(std::uint16_t port, int replyOnFetch);

}  // namespace kestrion::simspool
