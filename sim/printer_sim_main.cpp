// printer-sim: the simulated label printer on 127.0.0.1, one line per command
// it receives, until SIGINT or SIGTERM.
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
#include "sim/sim_printer.h"

using namespace printersim;

namespace {

inline constexpr std::uint16_t kDefaultPort = 12000;

const char kUsage[] =
    "usage: printer-sim [options]\n"
    "  --port N               listen on 127.0.0.1:N (default 12000, 0: any free port)\n"
    "  --load FILE.dat        start from the settings in a settings file\n"
    "  --dip BITS             DIP switches 1..10 as ten 0/1 characters (1 = on)\n"
    "  --status N             status reported by the status query (0..99)\n"
    "  --param I=V            PARAM[I] (10..30) = V; repeatable\n"
    "  --adjust I=V           ADJUST[I] (0..7) = V; repeatable\n"
    "  --ip A.B.C.D  --mask A.B.C.D  --gateway A.B.C.D\n"
    "  --dhcp on|off  --rarp on|off  --socket-port N\n"
    "  --follow-socket-port   after a restart, listen on the socket port the printer now holds\n"
    "  --control-port N       take control lines on 127.0.0.1:N, one per line, answered \"ok\" or\n"
    "                         \"error: ...\": fault KIND[,...] | clear | status N | resets\n"
    "  --fault KIND[,n=N][,pause=MS][,split=K][,offset=K][,lfnul][,bytes=HEX]   repeatable\n"
    "      KIND: unsolicited split trailing noterm terminator zeroword noclose closeearly\n"
    "            refuse delay ignoresets; n=-1 for every connection (default n=1)\n";

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "printer-sim: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

// Option and control-line errors are thrown as BadInput and reported by the caller.
struct BadInput : std::runtime_error {
    using std::runtime_error::runtime_error;
};

long Number(const std::string& text, long low, long high, const char* what) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || v < low || v > high) throw BadInput(std::string("bad ") + what + ": " + text);
    return v;
}

std::int32_t Address(const std::string& text) {
    in_addr a{};
    if (::inet_pton(AF_INET, text.c_str(), &a) != 1) throw BadInput("bad address: " + text);
    kestrion::Octets o{};
    std::memcpy(o.data(), &a, 4);
    return kestrion::PackOctets(o);
}

bool OnOffEnabled(const std::string& text) {
    if (text == "on") return true;
    if (text == "off") return false;
    throw BadInput("expected on or off: " + text);
}

std::pair<long, long> IndexValue(const std::string& text, long maxIndex) {
    const auto eq = text.find('=');
    if (eq == std::string::npos) throw BadInput("expected I=V: " + text);
    return {Number(text.substr(0, eq), 0, maxIndex, "index"), Number(text.substr(eq + 1), -32768, 65535, "value")};
}

Bytes Hex(const std::string& text) {
    if (text.size() % 2) throw BadInput("odd hex: " + text);
    Bytes out;
    for (std::size_t i = 0; i < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(Number("0x" + text.substr(i, 2), 0, 255, "hex byte")));
    return out;
}

FaultSpec ParseFault(const std::string& text) {
    static const std::pair<const char*, Fault> kinds[] = {
        {"unsolicited", Fault::UnsolicitedBytes}, {"split", Fault::SplitReply},
        {"trailing", Fault::DataAfterTerminator}, {"noterm", Fault::NoTerminator},
        {"terminator", Fault::TerminatorInData},  {"zeroword", Fault::ZeroFirstWord},
        {"noclose", Fault::NoCloseAfterHalfClose}, {"closeearly", Fault::CloseEarly},
        {"refuse", Fault::Refuse},                 {"delay", Fault::Delay},
        {"ignoresets", Fault::IgnoreSets},
    };
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t comma; (comma = text.find(',', start)) != std::string::npos; start = comma + 1)
        parts.push_back(text.substr(start, comma - start));
    parts.push_back(text.substr(start));

    FaultSpec f;
    bool known = false;
    for (const auto& [name, kind] : kinds) {
        if (parts[0] == name) {
            f.kind = kind;
            known = true;
        }
    }
    if (!known) throw BadInput("unknown fault: " + parts[0]);
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::string& p = parts[i];
        const auto eq = p.find('=');
        const std::string key = p.substr(0, eq);
        const std::string value = eq == std::string::npos ? "" : p.substr(eq + 1);
        if (key == "n") f.connections = static_cast<int>(Number(value, -1, 1000000, "n"));
        else if (key == "pause") f.pause = std::chrono::milliseconds(Number(value, 0, 86400000, "pause"));
        else if (key == "split") f.splitAt = static_cast<std::size_t>(Number(value, 0, 228, "split"));
        else if (key == "offset") f.offset = static_cast<std::size_t>(Number(value, 0, 224, "offset"));
        else if (key == "lfnul") f.lfNul = true;
        else if (key == "bytes") f.bytes = Hex(value);
        else throw BadInput("unknown fault option: " + p);
    }
    return f;
}

void PrintLine(const std::string& line) {
    std::printf("%s\n", line.c_str());
    std::fflush(stdout);
}

// One control line: "fault KIND[,...]", "clear", "status N" or "resets".
std::string Control(SimPrinter& printer, const std::string& line) {
    const auto space = line.find(' ');
    const std::string verb = line.substr(0, space);
    const std::string rest = space == std::string::npos ? "" : line.substr(space + 1);
    try {
        if (verb == "fault") {
            printer.InjectFault(ParseFault(rest));
            return "ok";
        }
        if (verb == "clear") {
            printer.ClearFaults();
            return "ok";
        }
        if (verb == "status") {
            PrinterSettings s = printer.Model().Settings();
            s.status = static_cast<std::int32_t>(Number(rest, 0, 99, "status"));
            printer.Model().SetSettings(s);
            return "ok";
        }
        if (verb == "resets") return "ok " + std::to_string(printer.Model().ResetCount());
        return "error: unknown control command: " + verb;
    } catch (const BadInput& e) {
        return std::string("error: ") + e.what();
    }
}

// The control channel: loopback only, one client at a time, line by line.
class ControlChannel {
public:
    ControlChannel(SimPrinter& printer, std::uint16_t port) : simPrinter(printer), listenFd(ListenLoopback(port)) {
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
                    const std::string answer = Control(simPrinter, line) + "\n";
                    PrintLine("-- control: " + line + " -> " + answer.substr(0, answer.size() - 1));
                    SendAll(client.Get(), reinterpret_cast<const std::uint8_t*>(answer.data()), answer.size());
                }
            }
        }
    }

    SimPrinter& simPrinter;
    UniqueFd listenFd;
    std::uint16_t boundPort = 0;
    std::atomic<bool> stopping{false};
    std::thread channelThread;
};

}  // namespace

int main(int argc, char** argv) {
    std::uint16_t port = kDefaultPort;
    PrinterSettings settings = FactorySettings();
    std::vector<FaultSpec> faults;
    bool follow = false;
    std::optional<std::uint16_t> controlPort;

    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        for (std::size_t i = 0; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--help" || a == "-h") {
                std::fputs(kUsage, stdout);
                return 0;
            }
            if (a == "--follow-socket-port") {
                follow = true;
                continue;
            }
            if (i + 1 >= args.size()) Fail("missing value after " + a);
            const std::string v = args[++i];
            if (a == "--port") port = static_cast<std::uint16_t>(Number(v, 0, 65535, "port"));
            else if (a == "--load") {
                tamsel::SettingsRecord record = tamsel::SettingsRecord::Zero();
                const auto result = tamsel::LoadSettingsFile(v, record);
                if (result == tamsel::LoadResult::CannotOpen) Fail("cannot read " + v);
                if (result == tamsel::LoadResult::NotSettingsFile) Fail("not a settings file: " + v);
                std::copy(std::begin(record.param), std::end(record.param), settings.param.begin());
                std::copy(std::begin(record.adjust), std::end(record.adjust), settings.adjust.begin());
                std::copy(std::begin(record.address), std::end(record.address), settings.address.begin());
                // A file saved without a printer holds "not available" switch states: a device's are 0 or 1.
                for (std::size_t d = 0; d < kestrion::kDipSwitchCount; ++d) {
                    if (settings.param[d] != 1) settings.param[d] = 0;
                }
            } else if (a == "--dip") {
                if (v.size() != kestrion::kDipSwitchCount || v.find_first_not_of("01") != std::string::npos)
                    Fail("--dip takes ten 0/1 characters: " + v);
                for (std::size_t d = 0; d < kestrion::kDipSwitchCount; ++d) settings.param[d] = v[d] - '0';
            } else if (a == "--status") settings.status = static_cast<std::int32_t>(Number(v, 0, 99, "status"));
            else if (a == "--param") {
                const auto [index, value] = IndexValue(v, kestrion::kParamCount - 1);
                if (index < static_cast<long>(kestrion::kDipSwitchCount)) Fail("DIP switches are set with --dip");
                settings.param[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(value);
            } else if (a == "--adjust") {
                const auto [index, value] = IndexValue(v, kestrion::kAdjustCount - 1);
                settings.adjust[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(value);
            } else if (a == "--ip") settings.address[kestrion::kIpAddress] = Address(v);
            else if (a == "--mask") settings.address[kestrion::kSubnetMask] = Address(v);
            else if (a == "--gateway") settings.address[kestrion::kGateway] = Address(v);
            else if (a == "--dhcp") settings.address[kestrion::kDhcpBootp] = OnOffEnabled(v) ? 0 : 1;
            else if (a == "--rarp") settings.address[kestrion::kRarp] = OnOffEnabled(v) ? 0 : 1;
            else if (a == "--socket-port")
                settings.address[kestrion::kSocketPort] = static_cast<std::int32_t>(Number(v, 0, 65535, "socket port"));
            else if (a == "--fault") faults.push_back(ParseFault(v));
            else if (a == "--control-port") controlPort = static_cast<std::uint16_t>(Number(v, 0, 65535, "control port"));
            else Fail("unknown option " + a);
        }
    } catch (const BadInput& e) {
        Fail(e.what());
    }

    // SIGINT and SIGTERM are taken by sigwait below, never by the printer's thread.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    std::optional<SimPrinter> printer;
    std::optional<ControlChannel> control;
    try {
        printer.emplace(port, settings);
        if (controlPort) control.emplace(*printer, *controlPort);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "printer-sim: %s\n", e.what());
        return 1;
    }
    printer->Model().SetLogSink(PrintLine);
    printer->SetEventSink([](const std::string& line) { PrintLine("-- " + line); });
    printer->SetFollowSocketPort(follow);
    for (const FaultSpec& f : faults) printer->InjectFault(f);

    PrintLine("printer-sim listening on 127.0.0.1:" + std::to_string(printer->Port()) + " (IP setting " +
              kestrion::FormatDotted(settings.address[kestrion::kIpAddress]) + ", status " +
              std::to_string(settings.status) + ")");
    if (control) PrintLine("printer-sim control on 127.0.0.1:" + std::to_string(control->Port()));

    int signal = 0;
    sigwait(&stopSignals, &signal);
    PrintLine(std::string("printer-sim stopping on ") + (signal == SIGINT ? "SIGINT" : "SIGTERM"));
    control.reset();
    printer.reset();
    return 0;
}
