#include "sim/spooler/sim_spooler.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

namespace kestrion::simspool {
namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

struct FilePrinter {
    std::string name;
    bool bidi = true;
    int port = -1;
    int replyOnFetch = 1;
};

bool ParseBool(const std::string& value, bool* out) {
    if (value == "on" || value == "yes" || value == "1") {
        *out = true;
        return true;
    }
    if (value == "off" || value == "no" || value == "0") {
        *out = false;
        return true;
    }
    return false;
}

bool ParseInt(const std::string& value, int low, int high, int* out) {
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(value.c_str(), &end, 10);
    if (value.empty() || *end != '\0' || errno != 0 || v < low || v > high) return false;
    *out = static_cast<int>(v);
    return true;
}

}  // namespace

SimSpooler& SimSpooler::Instance() {
    static SimSpooler spooler;
    return spooler;
}

void SimSpooler::AddPrinterQueue(const std::string& name, std::uint32_t attributes, PortMonitorHooks monitor) {
    std::lock_guard lock(mutex);
    printers[name] = Printer{attributes, std::move(monitor), false};
}

void SimSpooler::Reset() {
    std::lock_guard lock(mutex);
    printers.clear();
    handles.clear();
    jobs.clear();
}

bool SimSpooler::LoadFile(const std::string& path, std::string* message) {
    std::ifstream in(path);
    if (!in) {
        *message = "cannot read " + path;
        return false;
    }
    std::vector<FilePrinter> read;
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        line = Trim(line);
        if (line.empty() || line[0] == '#' || line[0] == ';') continue;
        auto fail = [&](const std::string& why) {
            *message = path + ":" + std::to_string(number) + ": " + why;
            return false;
        };
        if (line.front() == '[') {
            if (line.back() != ']' || line.size() < 3) return fail("a printer section is [name]");
            read.push_back(FilePrinter{line.substr(1, line.size() - 2)});
            continue;
        }
        if (read.empty()) return fail("a setting before the first [printer]");
        const auto eq = line.find('=');
        if (eq == std::string::npos) return fail("expected key = value");
        const std::string key = Trim(line.substr(0, eq));
        const std::string value = Trim(line.substr(eq + 1));
        FilePrinter& p = read.back();
        if (key == "bidi") {
            if (!ParseBool(value, &p.bidi)) return fail("bidi is on or off");
        } else if (key == "port") {
            if (!ParseInt(value, 1, 65535, &p.port)) return fail("port is 1-65535");
        } else if (key == "reply-on-fetch") {
            if (!ParseInt(value, 0, 1000, &p.replyOnFetch)) return fail("reply-on-fetch is 0 or more");
        } else {
            return fail("unknown key " + key);
        }
    }

    std::lock_guard lock(mutex);
    for (auto it = printers.begin(); it != printers.end();) {
        it = it->second.fromFile ? printers.erase(it) : std::next(it);
    }
    for (const FilePrinter& p : read) {
        Printer printer;
        printer.attributes = p.bidi ? kAttributeEnableBidi : 0;
        printer.fromFile = true;
        if (p.port > 0) printer.monitor = TcpPortMonitor(static_cast<std::uint16_t>(p.port), p.replyOnFetch);
        printers[p.name] = std::move(printer);
    }
    return true;
}

void SimSpooler::LoadFromEnvironment() {
    const char* path = std::getenv(kConfigVariable);
    if (path == nullptr || *path == '\0') return;
    std::string message;
    // A broken file leaves the printers as they were; opening a printer it
    // should have listed then fails as "no such printer".
    LoadFile(path, &message);
}

std::vector<Job> SimSpooler::Jobs() const {
    std::lock_guard lock(mutex);
    return jobs;
}

std::size_t SimSpooler::OpenHandles() const {
    std::lock_guard lock(mutex);
    return handles.size();
}

Job* SimSpooler::FindJob(std::uint32_t id) {
    for (Job& job : jobs) {
        if (job.id == id) return &job;
    }
    return nullptr;
}

bool SimSpooler::Open(const std::string& name, std::uintptr_t* handle, int* error) {
    std::lock_guard lock(mutex);
    if (printers.count(name) == 0) {
        *error = ENOENT;
        return false;
    }
    *handle = nextHandle++;
    handles[*handle] = Handle{name, 0};
    return true;
}

bool SimSpooler::GetInfo2(std::uintptr_t handle, std::uint8_t* buffer, std::uint32_t size, std::uint32_t* needed,
                          int* error) {
    std::lock_guard lock(mutex);
    const auto h = handles.find(handle);
    if (h == handles.end()) {
        *error = EBADF;
        return false;
    }
    *needed = sizeof(PrinterInfo2);
    if (buffer == nullptr || size < sizeof(PrinterInfo2)) {
        *error = ERANGE;  // the buffer is too small
        return false;
    }
    PrinterInfo2 info{printers.at(h->second.printer).attributes, 0};
    for (const Job& job : jobs) {
        if (job.printer == h->second.printer && !job.cancelled) ++info.jobCount;
    }
    std::memcpy(buffer, &info, sizeof info);
    return true;
}

std::uint32_t SimSpooler::StartJob(std::uintptr_t handle, const std::string& document, int* error) {
    std::lock_guard lock(mutex);
    const auto h = handles.find(handle);
    if (h == handles.end()) {
        *error = EBADF;
        return 0;
    }
    if (h->second.currentJob != 0) {
        *error = EBUSY;  // one document at a time on a handle
        return 0;
    }
    Job job;
    job.id = nextJob++;
    job.printer = h->second.printer;
    job.document = document;
    jobs.push_back(job);
    h->second.currentJob = job.id;
    return job.id;
}

bool SimSpooler::Write(std::uintptr_t handle, const std::uint8_t* data, std::uint32_t size, std::uint32_t* written,
                       int* error) {
    std::lock_guard lock(mutex);
    const auto h = handles.find(handle);
    if (h == handles.end() || h->second.currentJob == 0) {
        *error = EBADF;
        return false;
    }
    Job* job = FindJob(h->second.currentJob);
    job->data.insert(job->data.end(), data, data + size);
    *written = size;
    return true;
}

bool SimSpooler::EndDoc(std::uintptr_t handle, int* error) {
    PortMonitorHooks monitor;
    std::string printer;
    Bytes data;
    {
        std::lock_guard lock(mutex);
        const auto h = handles.find(handle);
        if (h == handles.end() || h->second.currentJob == 0) {
            *error = EBADF;
            return false;
        }
        Job* job = FindJob(h->second.currentJob);
        job->ended = true;
        h->second.currentJob = 0;
        printer = job->printer;
        data = job->data;
        monitor = printers.at(printer).monitor;
    }
    // The job goes to the port monitor, which has the printer's answer once
    // this returns (the lock is not held: the printer may take its time).
    if (monitor.submitJob) monitor.submitJob(printer, data);
    return true;
}

std::uint32_t SimSpooler::GetData(std::uintptr_t handle, const std::string& valueName, std::uint8_t* buffer,
                                  std::uint32_t size, std::uint32_t* needed) {
    PortMonitorHooks monitor;
    {
        std::lock_guard lock(mutex);
        const auto h = handles.find(handle);
        if (h == handles.end()) return EBADF;
        monitor = printers.at(h->second.printer).monitor;
    }
    if (!monitor.fetch) return ENOENT;
    const std::size_t copied = monitor.fetch(valueName, buffer, size);
    *needed = static_cast<std::uint32_t>(copied);
    return copied == 0 ? ENOENT : 0;
}

bool SimSpooler::CancelJob(std::uintptr_t handle, std::uint32_t jobId, int* error) {
    std::lock_guard lock(mutex);
    const auto h = handles.find(handle);
    Job* job = h == handles.end() ? nullptr : FindJob(jobId);
    if (job == nullptr || job->printer != h->second.printer) {
        *error = h == handles.end() ? EBADF : ESRCH;
        return false;
    }
    job->cancelled = true;
    return true;
}

bool SimSpooler::Close(std::uintptr_t handle, int* error) {
    std::lock_guard lock(mutex);
    if (handles.erase(handle) == 0) {
        *error = EBADF;
        return false;
    }
    return true;
}

}  // namespace kestrion::simspool
