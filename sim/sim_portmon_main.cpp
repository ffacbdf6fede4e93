// sim-portmon: the port-monitor stand-in as a command. It reads a print job's
// bytes from standard input, passes them to a printer-sim on 127.0.0.1:PORT
// and writes the printer-data value (8-byte envelope, then the reply) to FILE.
// When the printer sends no reply, nothing is written and an older FILE is
// removed, so that a stale reply is never taken for a new one.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <system_error>

#include "sim/port_monitor.h"

using namespace printersim;

namespace {
const char kUsage[] = "usage: sim-portmon --port N --out FILE   (job bytes on standard input)\n";

[[noreturn]] void Fail(const std::string& message) {
    std::fprintf(stderr, "sim-portmon: %s\n%s", message.c_str(), kUsage);
    std::exit(2);
}

Bytes ReadAll(std::FILE* in) {
    Bytes out;
    std::uint8_t buf[4096];
    for (std::size_t n; (n = std::fread(buf, 1, sizeof buf, in)) > 0;) out.insert(out.end(), buf, buf + n);
    return out;
}

// Written beside FILE and renamed over it: a reader never sees half a value.
bool WriteAtomically(const std::filesystem::path& path, const Bytes& data) {
    const std::filesystem::path temp = path.string() + ".part";
    std::FILE* f = std::fopen(temp.string().c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(data.data(), 1, data.size(), f) == data.size();
    const bool closed = std::fclose(f) == 0;
    std::error_code ec;
    if (!written || !closed) {
        std::filesystem::remove(temp, ec);
        return false;
    }
    std::filesystem::rename(temp, path, ec);
    return !ec;
}
}  // namespace

int main(int argc, char** argv) {
    long port = -1;
    std::string out;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (i + 1 >= argc) Fail("missing value after " + a);
        const std::string v = argv[++i];
        if (a == "--port") {
            char* end = nullptr;
            port = std::strtol(v.c_str(), &end, 10);
            if (v.empty() || *end != '\0' || port < 1 || port > 65535) Fail("bad port: " + v);
        } else if (a == "--out") {
            out = v;
        } else {
            Fail("unknown option " + a);
        }
    }
    if (port < 0 || out.empty()) Fail("--port and --out are required");

    const Bytes job = ReadAll(stdin);
    const Bytes reply = TcpLink(static_cast<std::uint16_t>(port))(job);
    std::fprintf(stderr, "sim-portmon: job of %zu bytes, reply of %zu bytes\n", job.size(), reply.size());
    if (reply.empty()) {
        std::error_code ec;
        std::filesystem::remove(out, ec);
        return 0;
    }
    if (!WriteAtomically(out, WrapReply(reply))) {
        std::fprintf(stderr, "sim-portmon: cannot write %s\n", out.c_str());
        return 1;
    }
    return 0;
}
