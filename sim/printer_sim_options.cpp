#include "sim/printer_sim_options.h"

#include <arpa/inet.h>

#include <cstdlib>
#include <cstring>
#include <iterator>

#include "core/settings_record.h"

namespace printersim {
namespace {

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
    return {ParseNumber(text.substr(0, eq), 0, maxIndex, "index"),
            ParseNumber(text.substr(eq + 1), -32768, 65535, "value")};
}

Bytes Hex(const std::string& text) {
    if (text.size() % 2) throw BadInput("odd hex: " + text);
    Bytes out;
    for (std::size_t i = 0; i < text.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(ParseNumber("0x" + text.substr(i, 2), 0, 255, "hex byte")));
    return out;
}

void LoadSettings(SimOptions& o, const std::string& file) {
    tamsel::SettingsRecord record = tamsel::SettingsRecord::Zero();
    const auto result = tamsel::LoadSettingsFile(file, record);
    if (result == tamsel::LoadResult::CannotOpen) throw BadInput("cannot read " + file);
    if (result == tamsel::LoadResult::NotSettingsFile) throw BadInput("not a settings file: " + file);
    PrinterSettings& s = o.settings;
    std::copy(std::begin(record.param), std::end(record.param), s.param.begin());
    std::copy(std::begin(record.adjust), std::end(record.adjust), s.adjust.begin());
    std::copy(std::begin(record.address), std::end(record.address), s.address.begin());
    // A file saved without a printer holds "not available" switch states: a device's are 0 or 1.
    for (std::size_t d = 0; d < kestrion::kDipSwitchCount; ++d) {
        if (s.param[d] != 1) s.param[d] = 0;
    }
}

void SetDip(SimOptions& o, const std::string& v) {
    if (v.size() != kestrion::kDipSwitchCount || v.find_first_not_of("01") != std::string::npos)
        throw BadInput("--dip takes ten 0/1 characters: " + v);
    for (std::size_t d = 0; d < kestrion::kDipSwitchCount; ++d) o.settings.param[d] = v[d] - '0';
}

void SetParam(SimOptions& o, const std::string& v) {
    const auto [index, value] = IndexValue(v, kestrion::kParamCount - 1);
    if (index < static_cast<long>(kestrion::kDipSwitchCount)) throw BadInput("DIP switches are set with --dip");
    o.settings.param[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(value);
}

void SetAdjust(SimOptions& o, const std::string& v) {
    const auto [index, value] = IndexValue(v, kestrion::kAdjustCount - 1);
    o.settings.adjust[static_cast<std::size_t>(index)] = static_cast<std::int32_t>(value);
}

std::uint16_t Port(const std::string& v, const char* what) {
    return static_cast<std::uint16_t>(ParseNumber(v, 0, 65535, what));
}

// One option: its name, the name of its value (nullptr for a switch), its
// help lines and what it sets.
struct OptionRow {
    const char* name;
    const char* value;
    const char* help;
    void (*apply)(SimOptions&, const std::string&);
};

const OptionRow kOptions[] = {
    {"--port", "N", "listen on 127.0.0.1:N (default 12000, 0: any free port); with --count,\n"
                    "the first of N consecutive ports",
     [](SimOptions& o, const std::string& v) { o.port = Port(v, "port"); }},
    {"--count", "N", "N printers (1..256) on consecutive ports, each with its own settings\n"
                     "(all starting from the options below) and its own faults",
     [](SimOptions& o, const std::string& v) {
         o.count = static_cast<int>(ParseNumber(v, 1, kMaxSimPrinters, "count"));
     }},
    {"--load", "FILE.dat", "start from the settings in a settings file", LoadSettings},
    {"--dip", "BITS", "DIP switches 1..10 as ten 0/1 characters (1 = on)", SetDip},
    {"--status", "N", "status reported by the status query (0..99)",
     [](SimOptions& o, const std::string& v) {
         o.settings.status = static_cast<std::int32_t>(ParseNumber(v, 0, 99, "status"));
     }},
    {"--param", "I=V", "PARAM[I] (10..30) = V; repeatable", SetParam},
    {"--adjust", "I=V", "ADJUST[I] (0..7) = V; repeatable", SetAdjust},
    {"--ip", "A.B.C.D", "the printer's IP address setting",
     [](SimOptions& o, const std::string& v) { o.settings.address[kestrion::kIpAddress] = Address(v); }},
    {"--mask", "A.B.C.D", "its subnet mask setting",
     [](SimOptions& o, const std::string& v) { o.settings.address[kestrion::kSubnetMask] = Address(v); }},
    {"--gateway", "A.B.C.D", "its default gateway setting",
     [](SimOptions& o, const std::string& v) { o.settings.address[kestrion::kGateway] = Address(v); }},
    {"--dhcp", "on|off", "DHCP/BOOTP",
     [](SimOptions& o, const std::string& v) { o.settings.address[kestrion::kDhcpBootp] = OnOffEnabled(v) ? 0 : 1; }},
    {"--rarp", "on|off", "RARP",
     [](SimOptions& o, const std::string& v) { o.settings.address[kestrion::kRarp] = OnOffEnabled(v) ? 0 : 1; }},
    {"--socket-port", "N", "the socket port setting",
     [](SimOptions& o, const std::string& v) {
         o.settings.address[kestrion::kSocketPort] = static_cast<std::int32_t>(ParseNumber(v, 0, 65535, "socket port"));
     }},
    {"--follow-socket-port", nullptr, "after a restart, listen on the socket port the printer now holds",
     [](SimOptions& o, const std::string&) { o.followSocketPort = true; }},
    {"--control-port", "N", "take control lines on 127.0.0.1:N, one per line, answered \"ok\" or\n"
                            "\"error: ...\": fault [I:]KIND[,...] | clear | status N | socket-port N |\n"
                            "resets | values | restore (values: \"ok\" and the 31 PARAM, 8 ADJUST,\n"
                            "6 ADDRESS values of the first printer; restore: the starting settings)",
     [](SimOptions& o, const std::string& v) { o.controlPort = Port(v, "control port"); }},
    {"--fault", "[I:]KIND[,n=N][,pause=MS][,split=K][,offset=K][,lfnul][,bytes=HEX]",
     "repeatable; I: only printer I of --count (from 0), else every printer\n"
     "KIND: unsolicited split trailing noterm terminator zeroword noclose closeearly\n"
     "      refuse delay ignoresets; n=-1 for every connection (default n=1)",
     [](SimOptions& o, const std::string& v) { o.faults.push_back(ParsePrinterFault(v, kMaxSimPrinters)); }},
    {"--help", nullptr, "this text", [](SimOptions& o, const std::string&) { o.help = true; }},
    {"-h", nullptr, nullptr, [](SimOptions& o, const std::string&) { o.help = true; }},
};

}  // namespace

long ParseNumber(const std::string& text, long low, long high, const char* what) {
    char* end = nullptr;
    const long v = std::strtol(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || v < low || v > high) throw BadInput(std::string("bad ") + what + ": " + text);
    return v;
}

FaultPlan ParseFault(const std::string& text) {
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

    FaultPlan f;
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
        if (key == "n") f.connections = static_cast<int>(ParseNumber(value, -1, 1000000, "n"));
        else if (key == "pause") f.pause = std::chrono::milliseconds(ParseNumber(value, 0, 86400000, "pause"));
        else if (key == "split") f.splitAt = static_cast<std::size_t>(ParseNumber(value, 0, 228, "split"));
        else if (key == "offset") f.offset = static_cast<std::size_t>(ParseNumber(value, 0, 224, "offset"));
        else if (key == "lfnul") f.lfNul = true;
        else if (key == "bytes") f.bytes = Hex(value);
        else throw BadInput("unknown fault option: " + p);
    }
    return f;
}

PrinterFault ParsePrinterFault(const std::string& text, int count) {
    PrinterFault out;
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        out.fault = ParseFault(text);
        return out;
    }
    out.printer = static_cast<int>(ParseNumber(text.substr(0, colon), 0, count - 1, "printer index"));
    out.fault = ParseFault(text.substr(colon + 1));
    return out;
}

SimOptions ParseSimOptions(const std::vector<std::string>& args) {
    SimOptions options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const OptionRow* row = nullptr;
        for (const OptionRow& o : kOptions) {
            if (a == o.name) row = &o;
        }
        if (!row) throw BadInput("unknown option " + a);
        if (!row->value) {
            row->apply(options, "");
            continue;
        }
        if (i + 1 >= args.size()) throw BadInput("missing value after " + a);
        row->apply(options, args[++i]);
    }
    // Checked once every option is known, as --count may come after --fault.
    for (const PrinterFault& f : options.faults) {
        if (f.printer && *f.printer >= options.count) {
            throw BadInput("--fault for printer " + std::to_string(*f.printer) + ", but there are only " +
                           std::to_string(options.count) + " printer(s), 0.." + std::to_string(options.count - 1));
        }
    }
    if (options.port != 0 && options.port + options.count - 1 > 65535) {
        throw BadInput("--count " + std::to_string(options.count) + " printers from port " +
                       std::to_string(options.port) + " run past port 65535");
    }
    return options;
}

std::string SimUsage() {
    std::string out = "usage: printer-sim [options]\n";
    for (const OptionRow& o : kOptions) {
        if (!o.help) continue;
        std::string head = std::string("  ") + o.name + (o.value ? std::string(" ") + o.value : "");
        std::string help = o.help;
        // Long heads get their help on the next lines.
        const std::size_t column = 26;
        std::string indent(column, ' ');
        if (head.size() + 1 > column) {
            out += head + "\n" + indent;
        } else {
            out += head + std::string(column - head.size(), ' ');
        }
        for (std::size_t nl; (nl = help.find('\n')) != std::string::npos;) {
            out += help.substr(0, nl) + "\n" + indent;
            help.erase(0, nl + 1);
        }
        out += help + "\n";
    }
    return out;
}

}  // namespace printersim
