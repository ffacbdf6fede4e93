#include "fleet.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <exception>
#include <map>
#include <mutex>
#include <set>
#include <system_error>
#include <thread>

#include "core/protocol.h"
#include "tools/kestrion/settings_view.h"

namespace kestrion_cli {
namespace {

constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

std::optional<std::uint32_t> ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long port = std::stoul(text);
    if (port > 65535) return std::nullopt;
    return static_cast<std::uint32_t>(port);
}

// ASCII letters folded, as Windows compares file names (other letters are
// left alone: two names differing only there still get two files).
std::string Folded(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

bool ReservedOnWindows(const std::string& stem) {
    // The device names, also with an extension after them ("nul.txt").
    const std::string base = Folded(stem.substr(0, stem.find('.')));
    static const std::set<std::string> reserved = {"con", "prn", "aux", "nul"};
    if (reserved.count(base)) return true;
    return base.size() == 4 && (base.rfind("com", 0) == 0 || base.rfind("lpt", 0) == 0) && base[3] >= '0' &&
           base[3] <= '9';
}

}  // namespace

std::optional<FleetPrinter> ParseTarget(const std::string& text, std::string& error) {
    FleetPrinter p;
    p.target = text;
    for (const char* kind : {"printer:", "local:"}) {
        const std::string prefix = kind;
        if (text.rfind(prefix, 0) != 0) continue;
        p.network = false;
        p.local = prefix == "local:";
        p.name = Trim(text.substr(prefix.size()));
        if (p.name.empty()) {
            error = "'" + text + "' names no printer";
            return std::nullopt;
        }
        p.target = prefix + p.name;
        p.label = p.target;
        return p;
    }
    const auto colon = text.find(':');
    const std::optional<std::int32_t> address = ParseDotted(text.substr(0, colon));
    if (!address) {
        error = "'" + text + "' is none of A.B.C.D[:PORT], printer:NAME, local:NAME";
        return std::nullopt;
    }
    p.address = *address;
    p.port = kTargetDefaultPort;
    if (colon != std::string::npos) {
        const std::optional<std::uint32_t> port = ParsePort(text.substr(colon + 1));
        if (!port) {
            error = "'" + text.substr(colon + 1) + "' is not a port 0-65535";
            return std::nullopt;
        }
        p.port = *port;
    }
    p.target = kestrion::FormatDotted(p.address) + ":" + std::to_string(p.port);
    p.label = p.target;
    return p;
}

std::optional<std::vector<FleetPrinter>> ParseTargetList(const std::string& text, std::string& error) {
    std::vector<FleetPrinter> printers;
    const std::size_t bom = text.rfind(kByteOrderMark, 0) == 0 ? 3 : 0;
    int number = 0;
    for (std::size_t start = bom; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        line = Trim(line);
        if (line.empty() || line[0] == '#') continue;

        const std::string where = "line " + std::to_string(number);
        std::string name;
        if (const auto equals = line.rfind('='); equals != std::string::npos) {
            name = Trim(line.substr(equals + 1));
            line = Trim(line.substr(0, equals));
            if (name.empty()) {
                error = where + ": nothing after '=' (write '= NAME' or leave the '=' out)";
                return std::nullopt;
            }
        }
        std::optional<FleetPrinter> p = ParseTarget(line, error);
        if (!p) {
            error = where + ": " + error;
            return std::nullopt;
        }
        if (!name.empty()) p->label = name;
        p->origin = where;
        printers.push_back(std::move(*p));
    }
    return printers;
}

std::optional<std::string> FindDuplicate(const std::vector<FleetPrinter>& printers) {
    std::map<std::string, const FleetPrinter*> targets, labels;
    for (const FleetPrinter& p : printers) {
        // One printer name is one printer, on a local port or not.
        const std::string identity = p.network ? p.target : "spooler " + p.name;
        if (const auto [it, added] = targets.emplace(identity, &p); !added) {
            return p.target + " is given twice (" + it->second->origin + " and " + p.origin + ")";
        }
        if (const auto [it, added] = labels.emplace(Folded(p.label), &p); !added) {
            return "two printers are called '" + p.label + "' (" + it->second->origin + " and " + p.origin + ")";
        }
    }
    return std::nullopt;
}

std::vector<std::string> SettingsFileNames(const std::vector<FleetPrinter>& printers) {
    std::vector<std::string> names;
    std::set<std::string> taken;
    for (const FleetPrinter& p : printers) {
        std::string stem;
        for (const char c : p.label) {
            const unsigned char u = static_cast<unsigned char>(c);
            stem += (u < 0x20 || u == 0x7F || std::string("<>:\"/\\|?*").find(c) != std::string::npos) ? '_' : c;
        }
        while (!stem.empty() && (stem.back() == '.' || stem.back() == ' ')) stem.back() = '_';
        if (stem.empty()) stem = "_";
        if (ReservedOnWindows(stem)) stem = "_" + stem;
        std::string name = stem + ".dat";
        for (int n = 2; taken.count(Folded(name)); ++n) name = stem + "-" + std::to_string(n) + ".dat";
        taken.insert(Folded(name));
        names.push_back(name);
    }
    return names;
}

std::vector<bool> RunFleet(const std::vector<FleetPrinter>& printers, int jobs, bool stopOnFailure,
                           const std::function<bool(std::size_t)>& work,
                           const std::function<void(std::size_t done, std::size_t failed)>& progress) {
    std::vector<std::size_t> network, spooler;
    for (std::size_t i = 0; i < printers.size(); ++i) (printers[i].network ? network : spooler).push_back(i);

    std::mutex mutex;  // guards the counts, `ran`, the progress calls and `thrown`
    std::size_t done = 0, failed = 0;
    std::vector<bool> ran(printers.size(), false);
    std::atomic<bool> stop{false};
    std::exception_ptr thrown;
    const auto runOne = [&](std::size_t i) {
        if (stop) return;  // a failure came first: this one is skipped
        {
            std::lock_guard lock(mutex);
            ran[i] = true;
        }
        bool ok = false;
        try {
            ok = work(i);
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!thrown) thrown = std::current_exception();
        }
        if (!ok && stopOnFailure) stop = true;
        std::lock_guard lock(mutex);
        ++done;
        if (!ok) ++failed;
        if (progress) progress(done, failed);
    };
    std::atomic<std::size_t> next{0};
    const auto networkWorker = [&] {
        for (std::size_t k; (k = next.fetch_add(1)) < network.size();) runOne(network[k]);
    };
    const auto spoolerWorker = [&] {
        for (const std::size_t i : spooler) runOne(i);
    };

    std::vector<std::thread> threads;
    const std::size_t workers = std::min(network.size(), static_cast<std::size_t>(std::max(jobs, 1)));
    bool spoolerStarted = false;
    std::size_t networkStarted = 0;
    try {
        if (!spooler.empty()) {
            threads.emplace_back(spoolerWorker);
            spoolerStarted = true;
        }
        for (; networkStarted < workers; ++networkStarted) threads.emplace_back(networkWorker);
    } catch (const std::system_error&) {
        // Fewer threads than wanted: the ones running take the rest, and
        // this thread takes part too (still no more than `jobs` at a time).
    }
    if (networkStarted < workers) networkWorker();
    if (!spoolerStarted) spoolerWorker();
    for (std::thread& t : threads) t.join();
    if (thrown) std::rethrow_exception(thrown);
    return ran;
}

}  // namespace kestrion_cli
