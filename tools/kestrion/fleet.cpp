#include "fleet.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <map>
#include <mutex>
#include <system_error>
#include <thread>

#include "core/protocol.h"
#include "tools/kestrion/settings_view.h"

namespace kestrion_cli {
namespace {

constexpr std::uint32_t kListDefaultPort = 12000;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

std::string Trim(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos) return "";
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

// "printer NAME" / "local NAME": the name behind the keyword, or nullopt
// when the line does not start with `keyword` and white space.
std::optional<std::string> AfterKeyword(const std::string& line, const std::string& keyword) {
    if (line.size() <= keyword.size() || line.compare(0, keyword.size(), keyword) != 0) return std::nullopt;
    const char next = line[keyword.size()];
    if (next != ' ' && next != '\t') return std::nullopt;
    return Trim(line.substr(keyword.size()));
}

std::optional<std::uint32_t> ParsePort(const std::string& text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string::npos) {
        return std::nullopt;
    }
    const unsigned long port = std::stoul(text);
    if (port > 65535) return std::nullopt;
    return static_cast<std::uint32_t>(port);
}

}  // namespace

std::optional<std::vector<FleetPrinter>> ParsePrinterList(const std::string& text, std::string& error) {
    std::vector<FleetPrinter> printers;
    std::map<std::string, int> seen;  // the printer's identity -> its line
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

        const auto fail = [&](const std::string& what) {
            error = "line " + std::to_string(number) + ": " + what;
            return std::nullopt;
        };
        FleetPrinter p;
        const std::optional<std::string> spooled = AfterKeyword(line, "printer");
        const std::optional<std::string> local = AfterKeyword(line, "local");
        if (spooled || local) {
            p.network = false;
            p.local = local.has_value();
            p.name = spooled ? *spooled : *local;
            p.label = (p.local ? "local " : "printer ") + p.name;
        } else {
            const auto colon = line.find(':');
            const std::optional<std::int32_t> address = ParseDotted(line.substr(0, colon));
            if (!address) return fail("'" + line + "' is none of A.B.C.D[:PORT], printer NAME, local NAME");
            p.address = *address;
            p.port = kListDefaultPort;
            if (colon != std::string::npos) {
                const std::optional<std::uint32_t> port = ParsePort(line.substr(colon + 1));
                if (!port) return fail("'" + line.substr(colon + 1) + "' is not a port 0-65535");
                p.port = *port;
            }
            p.label = kestrion::FormatDotted(p.address) + ":" + std::to_string(p.port);
        }
        // One printer name is one printer, on a local port or not.
        const std::string identity = p.network ? p.label : "spooler " + p.name;
        if (const auto it = seen.find(identity); it != seen.end()) {
            return fail(p.label + " is listed twice (first on line " + std::to_string(it->second) + ")");
        }
        seen.emplace(identity, number);
        printers.push_back(std::move(p));
    }
    if (printers.empty()) {
        error = "the list names no printer";
        return std::nullopt;
    }
    return printers;
}

void RunFleet(const std::vector<FleetPrinter>& printers, int jobs, const std::function<bool(std::size_t)>& work,
              const std::function<void(std::size_t done, std::size_t failed)>& progress) {
    std::vector<std::size_t> network, spooler;
    for (std::size_t i = 0; i < printers.size(); ++i) (printers[i].network ? network : spooler).push_back(i);

    std::mutex mutex;  // guards the counts, the progress calls and `thrown`
    std::size_t done = 0, failed = 0;
    std::exception_ptr thrown;
    const auto runOne = [&](std::size_t i) {
        bool ok = false;
        try {
            ok = work(i);
        } catch (...) {
            std::lock_guard lock(mutex);
            if (!thrown) thrown = std::current_exception();
        }
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
}

}  // namespace kestrion_cli
