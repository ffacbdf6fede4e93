// printer-sim: the simulated label printer on 127.0.0.1 (or several, on
// consecutive ports), one line per command it receives, until SIGINT or
// SIGTERM.
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <thread>
#include <atomic>
#include <string>
#include <vector>

#include <arpa/inet.h>
#include <poll.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include "core/settings_record.h"
#include "sim/posix_io.h"
#include "sim/printer_sim_options.h"
#include "sim/sim_fleet.h"
#include "sim/sim_printer.h"

using namespace printersim;

namespace {

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "printer-sim: %s\n%s", message.c_str(), SimUsage().c_str());
    std::exit(2);
}

using Printers = std::vector<std::unique_ptr<SimPrinter>>;

void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// The settings as one line of numbers: PARAM, then ADJUST, then ADDRESS.
std::string ValuesLine(const PrinterSettings& s) {
    std::string line = "ok";
    for (std::int32_t v : s.param) line += " " + std::to_string(v);
    for (std::int32_t v : s.adjust) line += " " + std::to_string(v);
    for (std::int32_t v : s.address) line += " " + std::to_string(v);
    return line;
}

// One control line: "fault [I:]KIND[,...]", "clear", "status N",
// "socket-port N", "resets" (one count per printer), "values" (the first
// printer's) or "restore" (every printer back to `start`, the settings the
// program began with).
std::string Control(Printers& printers, const PrinterSettings& start, const std::string& line) {
    const auto space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    try {
        if (verb == "fault") {
            const PrinterFault f = ParsePrinterFault(rest, static_cast<int>(printers.size()));
            for (std::size_t i = 0; i < printers.size(); ++i) {
                if (!f.printer || *f.printer == static_cast<int>(i)) printers[i]->InjectFault(f.fault);
            }
            return "ok";
        }
        if (verb == "clear") {
            for (auto& p : printers) p->ClearFaults();
            return "ok";
        }
        if (verb == "status") {
            const auto status = static_cast<std::int32_t>(ParseNumber(rest, 0, 99, "status"));
            for (auto& p : printers) {
                PrinterSettings s = p->Model().Settings();
                s.status = status;
                p->Model().SetSettings(s);
            }
            return "ok";
        }
        if (verb == "socket-port") {
            const auto socketPort = static_cast<std::int32_t>(ParseNumber(rest, 0, 65535, "socket port"));
            for (auto& p : printers) {
                PrinterSettings s = p->Model().Settings();
                s.address[kestrion::kSocketPort] = socketPort;
                p->Model().SetSettings(s);
            }
            return "ok";
        }
        if (verb == "values") return ValuesLine(printers.front()->Model().Settings());
        if (verb == "restore") {
            for (auto& p : printers) p->Model().SetSettings(start);
            return "ok";
        }
        if (verb == "resets") {
            std::string answer = "ok";
            for (auto& p : printers) answer += " " + std::to_string(p->Model().ResetCount());
            return answer;
        }
        return "error: unknown control command: " + verb;
    } catch (const BadInput& e) {
        return std::string("error: ") + e.what();
    }
}

// The control channel: loopback only, one client at a time, line by line.
class ControlChannel {
public:
    ControlChannel(Printers& printers, const PrinterSettings& start, std::uint16_t port)
        : printers(printers), startSettings(start), listenFd(ListenLoopback(port)) {
        if (!listenFd) throw std::runtime_error("cannot listen for control on 127.0.0.1:" + std::to_string(port));
        boundPort = LocalPort(listenFd.Get());
        channelThread = std::thread([this] { Run(); });
    }
    ~ControlChannel() {
        stopping = true;
        channelThread.join();
    }
    std::uint16_t Port() const { return boundPort; }

private:
    static constexpr int kPollMs = 100;  // how soon the channel notices the program ending

    bool WaitReadable(int fd) {
        while (!stopping) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, kPollMs) > 0) return true;
        }
        return false;
    }

    void Run() {
        while (WaitReadable(listenFd.Get())) {
            UniqueFd client(::accept(listenFd.Get(), nullptr, nullptr));
            if (!client) continue;
            std::string buffer;
            while (WaitReadable(client.Get())) {
                char chunk[512];
                const ssize_t n = ::recv(client.Get(), chunk, sizeof chunk, 0);
                if (n <= 0) break;
                buffer.append(chunk, static_cast<std::size_t>(n));
                for (std::size_t nl; (nl = buffer.find('\n')) != std::string::npos;) {
                    std::string line = buffer.substr(0, nl);
                    buffer.erase(0, nl + 1);
                    if (!line.empty() && line.back() == '\r') line.pop_back();
                    const std::string answer = Control(printers, startSettings, line) + "\n";
                    PrintLine("-- control: " + line + " -> " + answer.substr(0, answer.size() - 1));
                    SendAll(client.Get(), reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size());
                }
            }
        }
    }

    Printers& printers;
    PrinterSettings startSettings;
    UniqueFd listenFd;
    std::uint16_t boundPort = 0;
    std::atomic<bool> stopping{false};
    std::thread channelThread;
};

}  // namespace

int main(int argc, char** argv) {
    SimOptions options;
    try {
        options = ParseSimOptions(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const BadInput& e) {
        Fail(e.what());
    }
    if (options.help) {
        std::fputs(SimUsage().c_str(), stdout);
        return 0;
    }

    // SIGINT and SIGTERM are taken by sigwait below, never by the printers' threads.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Printers printers;
    std::optional<ControlChannel> control;
    try {
        printers = StartPrinters(options.port, options.count, options.settings);
        if (options.controlPort) control.emplace(printers, options.settings, *options.controlPort);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "printer-sim: %s\n", e.what());
        return 1;
    }
    // With several printers every line says which printer it is about.
    const bool several = printers.size() > 1;
    for (std::size_t i = 0; i < printers.size(); ++i) {
        SimPrinter& printer = *printers[i];
        const std::string tag = several ? "[" + std::to_string(i) + "] " : "";
        printer.Model().SetLogSink([tag](const std::string& line) { PrintLine(tag + line); });
        printer.SetEventSink([tag](const std::string& line) { PrintLine("-- " + tag + line); });
        printer.SetFollowSocketPort(options.followSocketPort);
        for (const PrinterFault& f : options.faults) {
            if (!f.printer || *f.printer == static_cast<int>(i)) printer.InjectFault(f.fault);
        }
    }

    const PrinterSettings& settings = options.settings;
    for (std::size_t i = 0; i < printers.size(); ++i) {
        PrintLine("printer-sim listening on 127.0.0.1:" + std::to_string(printers[i]->Port()) + " (" +
                  (several ? "printer " + std::to_string(i) + ", " : "") + "IP setting " +
                  kestrion::FormatDotted(settings.address[kestrion::kIpAddress]) + ", status " +
                  std::to_string(settings.status) + ")");
    }
    if (control) PrintLine("printer-sim control on 127.0.0.1:" + std::to_string(control->Port()));

    int signal = 0;
    sigwait(&stopSignals, &signal);
    PrintLine(std::string("printer-sim stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    control.reset();
    printers.clear();
    return 0;
}
