#include "cli.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/socket_port.h"
#include "panel/model/setting_texts.h"
#include "tools/kestrion/fleet.h"
#include "tools/kestrion/settings_view.h"

namespace kestrion_cli {

using tamsel::SettingsRecord;

namespace {

constexpr std::uint16_t kDefaultPort = 12000;

const char kGeneralHelp[] =
    "usage: kestrion COMMAND [options]\n"
    "\n"
    "Reads, keeps, compares and applies the settings of a label printer.\n"
    "\n"
    "commands:\n"
    "  status   TARGET                          the printer's status value\n"
    "  read     TARGET -o FILE.dat              read all settings into a settings file\n"
    "  send     FILE.dat BLOCKS TARGET          send, verify and restart the printer\n"
    "  reset    TARGET                          restart the printer\n"
    "  show     FILE.dat [--json]               every setting in words (or as JSON)\n"
    "  diff     A.dat (B.dat | TARGET)          the settings that differ\n"
    "  import   FILE.json -o FILE.dat           JSON from 'show --json' back into a settings file\n"
    "  fleet    FILE.dat BLOCKS --list PRINTERS  send to many printers at once, verified\n"
    "                                           (--jobs N, --dry-run)\n"
    "\n"
    "TARGET:  --ip A.B.C.D [--port N]         a network printer (TCP, port 12000 by default)\n"
    "         --printer NAME [--local]        a Windows printer, through the spooler;\n"
    "                                         --local: on a local port (no read-back)\n"
    "BLOCKS:  --param | --adjust | --address | --all\n"
    "\n"
    "exit status: 0 success, 1 differences found (diff), 2 usage error,\n"
    "             3 bad input file or settings, 4 printer or link library failure\n"
    "             (fleet: any printer)\n"
    "'kestrion COMMAND --help' describes one command.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"status", "usage: kestrion status TARGET\n\nPrints the printer's status value.\n"},
    {"read",
     "usage: kestrion read TARGET -o FILE.dat\n\n"
     "Reads all settings of the printer and writes them as a settings file, exactly\n"
     "as the panel program writes one (228 bytes over the start of an existing file).\n"},
    {"send",
     "usage: kestrion send FILE.dat (--param | --adjust | --address | --all) TARGET\n\n"
     "Sends the chosen blocks of the settings file, reads them back and compares them\n"
     "(not for --local printers), then restarts the printer so that it applies them.\n"
     "Choosing --address or --all is the confirmation that the printer's network\n"
     "settings change. The socket port must lie in 10000-65525 to send the address block.\n"},
    {"reset", "usage: kestrion reset TARGET\n\nRestarts the printer.\n"},
    {"show",
     "usage: kestrion show FILE.dat [--json]\n\n"
     "Shows every setting with its caption and chosen option, the fine adjustments as\n"
     "direction and millimetres, the address settings and the DIP switch lines.\n"
     "--json prints the same as JSON for 'kestrion import'.\n"},
    {"diff",
     "usage: kestrion diff A.dat B.dat\n"
     "       kestrion diff A.dat TARGET\n\n"
     "Lists the settings that differ (from A to B, or from the file to the printer).\n"
     "Exit status 0 when they are the same, 1 when they differ.\n"},
    {"import",
     "usage: kestrion import FILE.json -o FILE.dat\n\n"
     "Turns the JSON of 'kestrion show --json' back into a settings file. Only each\n"
     "field's \"value\" counts (\"caption\", \"option\", \"text\" and the DIP switch\n"
     "\"lines\" are for people). Every field must be present and valid; on any error\n"
     "nothing is written. The socket port may be any port 0-65535; one outside\n"
     "10000-65525, which the address page refuses, is kept with a warning.\n"},
    {"fleet",
     "usage: kestrion fleet FILE.dat (--param | --adjust) --list PRINTERS [--jobs N] [--dry-run]\n\n"
     "Sends the chosen block of the settings file to every printer of the list as\n"
     "'kestrion send' does (set, read back and compare, restart), network printers\n"
     "N at a time (--jobs, default 8, at most 64), Windows printers one at a time.\n"
     "The report gives every printer's outcome in the list's order, then the failed\n"
     "ones; the exit status is 0 only when every printer succeeded.\n"
     "--dry-run sends nothing: it reads each printer and lists the settings that the\n"
     "block would change, in the pages' words.\n"
     "--address and --all hold one printer's IP address and are refused for a list of\n"
     "more than one printer (use 'kestrion send' for each).\n\n"
     "PRINTERS, one printer per line (# starts a comment line):\n"
     "  192.168.0.5           a network printer on port 12000\n"
     "  192.168.0.6:9100      a network printer on another port\n"
     "  printer NAME          a Windows printer, through the spooler\n"
     "  local NAME            a Windows printer on a local port (not read back)\n"},
};

std::filesystem::path PathFromUtf8(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> ip, port, printer, output, list, jobs;
    bool local = false, json = false, help = false, dryRun = false;
    std::vector<tamsel::SendChoice> choices;  // send blocks
};

class Command {
public:
    Command(std::ostream& out, std::ostream& err, const Environment& env) : out_(out), err_(err), env_(env) {}

    int Run(const std::vector<std::string>& args) {
        if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            (args.empty() ? err_ : out_) << kGeneralHelp;
            return args.empty() ? kExitUsage : kExitOk;
        }
        name_ = args[0];
        const auto help = kCommandHelp.find(name_);
        if (help == kCommandHelp.end()) return Usage("unknown command '" + name_ + "'");
        if (!ParseOptions(args)) return kExitUsage;
        if (options_.help) {
            out_ << help->second;
            return kExitOk;
        }
        if (name_ != "fleet" && (options_.list || options_.jobs || options_.dryRun)) {
            return Usage("--list, --jobs and --dry-run belong to fleet");
        }
        if (name_ == "status") return Status();
        if (name_ == "read") return Read();
        if (name_ == "send") return Send();
        if (name_ == "reset") return Reset();
        if (name_ == "show") return Show();
        if (name_ == "diff") return Diff();
        if (name_ == "fleet") return Fleet();
        return Import();
    }

private:
    // --- Command line --------------------------------------------------------------

    int Usage(const std::string& what) {
        err_ << "kestrion" << (name_.empty() ? "" : " " + name_) << ": " << what << "\n";
        const auto help = kCommandHelp.find(name_);
        err_ << (help != kCommandHelp.end() ? help->second : std::string(kGeneralHelp));
        return kExitUsage;
    }

    bool ParseOptions(const std::vector<std::string>& args) {
        const std::map<std::string, std::optional<std::string>*> valued = {
            {"--ip", &options_.ip}, {"--port", &options_.port}, {"--printer", &options_.printer},
            {"-o", &options_.output}, {"--output", &options_.output},
            {"--list", &options_.list}, {"--jobs", &options_.jobs}};
        using tamsel::SendChoice;
        const std::map<std::string, SendChoice> blocks = {
            {"--param", SendChoice::Param}, {"--adjust", SendChoice::Adjust},
            {"--address", SendChoice::Address}, {"--all", SendChoice::All}};
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--help" || a == "-h") {
                options_.help = true;
            } else if (a == "--local") {
                options_.local = true;
            } else if (a == "--json") {
                options_.json = true;
            } else if (a == "--dry-run") {
                options_.dryRun = true;
            } else if (blocks.count(a)) {
                options_.choices.push_back(blocks.at(a));
            } else if (const auto v = valued.find(a); v != valued.end()) {
                if (i + 1 >= args.size()) return Usage(a + " needs a value"), false;
                if (v->second->has_value()) return Usage(a + " given twice"), false;
                *v->second = args[++i];
            } else if (a.size() > 1 && a[0] == '-') {
                return Usage("unknown option '" + a + "'"), false;
            } else {
                options_.positional.push_back(a);
            }
        }
        return true;
    }

    bool Positional(std::size_t count) {
        if (options_.positional.size() == count) return true;
        Usage(options_.positional.size() < count ? "missing file name" : "too many file names");
        return false;
    }

    bool HasTarget() const { return options_.ip || options_.printer; }

    // Builds the target; false (usage already reported) when it is missing or wrong.
    bool Target() {
        if (options_.ip && options_.printer) return Usage("give either --ip or --printer, not both"), false;
        if (options_.ip) {
            if (options_.local) return Usage("--local belongs to --printer"), false;
            const std::optional<std::int32_t> address = ParseDotted(*options_.ip);
            if (!address) return Usage("--ip wants a dotted address such as 192.168.0.5"), false;
            std::uint32_t port = kDefaultPort;
            if (options_.port) {
                const std::string& p = *options_.port;
                if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos ||
                    std::stoul(p) > 65535) {
                    return Usage("--port wants a number 0-65535"), false;
                }
                port = static_cast<std::uint32_t>(std::stoul(p));
            }
            target_ = PrinterTarget{};
            target_.connection = 1;
            std::memcpy(target_.ipAddress, &*address, 4);
            target_.port = port;
            return true;
        }
        if (options_.printer) {
            if (options_.port) return Usage("--port belongs to --ip"), false;
            if (!env_.spoolerTargets) {
                err_ << "kestrion " << name_ << ": --printer needs the Windows spooler, which this platform does not "
                        "have; reach a network printer with --ip A.B.C.D\n";
                return false;
            }
            printerName_ = env_.printerNameForSpooler(*options_.printer);
            target_ = PrinterTarget{};
            target_.connection = 0;
            target_.nameLength = static_cast<std::uint32_t>(printerName_.size());
            target_.printerName = printerName_.c_str();
            return true;
        }
        return Usage("no printer given (--ip A.B.C.D or --printer NAME)"), false;
    }

    bool NoTarget() {
        if (!HasTarget() && !options_.port && !options_.local) return true;
        Usage("this command does not talk to a printer");
        return false;
    }

    std::unique_ptr<tamsel::PrinterLink> Bind() {
        std::string error;
        const std::optional<tamsel::LinkOperations> ops = env_.bind(error);
        if (!ops) {
            err_ << "kestrion " << name_ << ": cannot use the link library: " << error << "\n";
            return nullptr;
        }
        return std::make_unique<tamsel::LibraryLink>(*ops, target_);
    }

    // "DllSetPrinterParam failed: -800 (network failure), system error 111 (...)"
    std::string FailureText(const char* operation, std::int32_t result, std::int32_t sysError) const {
        std::string text = std::string(operation) + " failed: " + std::to_string(result) + " (" +
                           tamsel::ResultCodeMeaning(result) + ")";
        if (sysError != 0) {
            text += ", system error " + std::to_string(sysError) + " (" + env_.describeSystemError(sysError) + ")";
        }
        return text;
    }

    int PrinterFailure(const char* operation, std::int32_t result, std::int32_t sysError) {
        err_ << "kestrion " << name_ << ": " << FailureText(operation, result, sysError) << "\n";
        return kExitPrinter;
    }

    // Reads the printer's settings into a record as the panel does.
    std::optional<SettingsRecord> ReadPrinter(tamsel::PrinterLink& link) {
        kestrion::ParamBlock param{};
        kestrion::AdjustBlock adjust{};
        kestrion::AddressBlock address{};
        std::int32_t sysError = 0;
        const std::int32_t r = link.GetParam(param.data(), adjust.data(), address.data(), &sysError);
        if (r != 0) {
            PrinterFailure("DllGetPrinterParam", r, sysError);
            return std::nullopt;
        }
        return SettingsRecord::FromBlocks(param.data(), adjust.data(), address.data());
    }

    std::optional<SettingsRecord> LoadFile(const std::string& file) {
        SettingsRecord record = SettingsRecord::Zero();
        switch (tamsel::LoadSettingsFile(PathFromUtf8(file), record)) {
            case tamsel::LoadResult::Loaded: return record;
            case tamsel::LoadResult::NotSettingsFile:
                err_ << "kestrion " << name_ << ": " << file
                     << ": not a settings file (wrong header or shorter than 228 bytes)\n";
                return std::nullopt;
            case tamsel::LoadResult::CannotOpen:
                err_ << "kestrion " << name_ << ": " << file << ": cannot be opened\n";
                return std::nullopt;
        }
        return std::nullopt;
    }

    bool SaveFile(const std::string& file, const SettingsRecord& record) {
        switch (tamsel::SaveSettingsFile(PathFromUtf8(file), record)) {
            case tamsel::SaveResult::Saved: return true;
            case tamsel::SaveResult::AccessDenied:
                err_ << "kestrion " << name_ << ": " << file << ": access denied\n";
                return false;
            case tamsel::SaveResult::Failed:
                err_ << "kestrion " << name_ << ": " << file << ": cannot be written\n";
                return false;
        }
        return false;
    }

    // --- Commands ----------------------------------------------------------------

    int Status() {
        if (!Positional(0) || !Target()) return kExitUsage;
        const auto link = Bind();
        if (!link) return kExitPrinter;
        std::int32_t status = 0, sysError = 0;
        if (const std::int32_t r = link->GetStatus(&status, &sysError); r != 0) {
            return PrinterFailure("DllGetPrinterStatus", r, sysError);
        }
        out_ << "status " << status << "\n";
        return kExitOk;
    }

    int Read() {
        if (!Positional(0) || !Target()) return kExitUsage;
        if (!options_.output) return Usage("-o FILE.dat is required");
        const auto link = Bind();
        if (!link) return kExitPrinter;
        const std::optional<SettingsRecord> record = ReadPrinter(*link);
        if (!record) return kExitPrinter;
        if (!SaveFile(*options_.output, *record)) return kExitInput;
        out_ << "read the printer's settings into " << *options_.output << "\n";
        return kExitOk;
    }

    int Send() {
        if (!Positional(1) || !Target()) return kExitUsage;
        if (options_.choices.size() != 1) return Usage("choose exactly one of --param, --adjust, --address, --all");
        const tamsel::SendChoice choice = options_.choices[0];
        const std::optional<SettingsRecord> work = LoadFile(options_.positional[0]);
        if (!work) return kExitInput;
        // The address page refuses a socket port outside its range before anything is sent.
        const std::int32_t port = work->address[kestrion::kSocketPort];
        const kestrion::SocketPortRange& range = kestrion::kAddressPagePortRange;
        const bool sendsAddress = choice == tamsel::SendChoice::Address || choice == tamsel::SendChoice::All;
        if (sendsAddress && !range.Contains(port)) {
            err_ << "kestrion send: " << options_.positional[0] << ": socket port " << port << " is outside "
                 << range.low << "-" << range.high << "; nothing sent\n"
                 << range.message << "\n";
            return kExitInput;
        }
        const auto link = Bind();
        if (!link) return kExitPrinter;

        SettingsRecord snapshot = SettingsRecord::Zero();
        const tamsel::SendReport report =
            tamsel::SendToPrinterBlocks(*link, choice, *work, !options_.local, snapshot);
        if (report.outcome == tamsel::SendOutcome::NothingSent) return kExitUsage;
        const bool sent = report.outcome == tamsel::SendOutcome::Sent;
        std::ostream& stream = sent ? out_ : err_;
        if (const char* message = tamsel::SendOutcomeText(report.outcome, choice)) stream << message << "\n";
        for (const std::string& line : SendDetails(report, options_.local)) {
            const bool sentence = line.rfind("  ", 0) != 0;
            stream << (sentence && !sent ? "kestrion send: " : "") << line << "\n";
        }
        return sent ? kExitOk : kExitPrinter;
    }

    // What became of a send, below the panel's message: a sentence, then the
    // differences (indented) or the call that failed.
    std::vector<std::string> SendDetails(const tamsel::SendReport& report, bool local) const {
        const auto failure = [&] {
            return FailureText(report.failure->operation, report.failure->result, report.failure->sysError);
        };
        switch (report.outcome) {
            case tamsel::SendOutcome::Sent:
                return {local ? "sent (local port: not read back) and restarted the printer"
                              : "sent, verified and restarted the printer"};
            case tamsel::SendOutcome::ReadBackDiffers: {
                std::vector<std::string> lines = {
                    "the printer holds other values than were sent; nothing was accepted and the printer was not "
                    "restarted:"};
                for (const tamsel::Difference& d : report.differences) {
                    lines.push_back("  " + DifferenceLabel(d) + ": sent " + std::to_string(d.sent) +
                                    ", printer holds " + std::to_string(d.readBack));
                }
                return lines;
            }
            case tamsel::SendOutcome::ResetFailed:
                return {"the values were accepted, but the printer could not be restarted", failure()};
            case tamsel::SendOutcome::SetFailed:
                return {"nothing was accepted (a block sent before the failure may have reached the printer)",
                        failure()};
            case tamsel::SendOutcome::ReadBackFailed:
                return {"the values could not be read back; nothing was accepted", failure()};
            case tamsel::SendOutcome::NothingSent: break;
        }
        return {};
    }

    static std::string DifferenceLabel(const tamsel::Difference& d) {
        const std::string block = d.block;
        std::string name = block + "[" + std::to_string(d.index) + "]";
        if (block == "PARAM") {
            if (const tamsel::ParamChoice* c = tamsel::FindParamChoice(d.index)) name += " " + std::string(c->caption);
        } else if (block == "ADJUST") {
            name += " " + tamsel::WithoutMnemonic(tamsel::FineAdjustRows()[d.index].label);
        }
        return name;
    }

    int Reset() {
        if (!Positional(0) || !Target()) return kExitUsage;
        const auto link = Bind();
        if (!link) return kExitPrinter;
        std::int32_t sysError = 0;
        if (const std::int32_t r = link->Reset(&sysError); r != 0) return PrinterFailure("DllResetPrinter", r, sysError);
        out_ << "restarted the printer\n";
        return kExitOk;
    }

    int Show() {
        if (!Positional(1) || !NoTarget()) return kExitUsage;
        const std::optional<SettingsRecord> record = LoadFile(options_.positional[0]);
        if (!record) return kExitInput;
        out_ << (options_.json ? kjson::Write(RecordToJson(*record)) : DescribeRecord(*record));
        return kExitOk;
    }

    int Diff() {
        std::optional<SettingsRecord> a, b;
        if (HasTarget()) {
            if (!Positional(1) || !Target()) return kExitUsage;
            if (!(a = LoadFile(options_.positional[0]))) return kExitInput;
            const auto link = Bind();
            if (!link) return kExitPrinter;
            if (!(b = ReadPrinter(*link))) return kExitPrinter;
        } else {
            if (!Positional(2) || !NoTarget()) return kExitUsage;
            if (!(a = LoadFile(options_.positional[0])) || !(b = LoadFile(options_.positional[1]))) return kExitInput;
        }
        const std::vector<std::string> lines = DiffRecords(*a, *b);
        if (lines.empty()) {
            out_ << "no differences\n";
            return kExitOk;
        }
        for (const std::string& line : lines) out_ << line << "\n";
        return kExitDiffers;
    }

    int Import() {
        if (!Positional(1) || !NoTarget()) return kExitUsage;
        if (!options_.output) return Usage("-o FILE.dat is required");
        const std::string& file = options_.positional[0];
        std::ifstream in(PathFromUtf8(file), std::ios::binary);
        if (!in) {
            err_ << "kestrion import: " << file << ": cannot be opened\n";
            return kExitInput;
        }
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        const std::optional<kjson::Value> json = kjson::Parse(text, error);
        if (!json) {
            err_ << "kestrion import: " << file << ": not valid JSON: " << error << "\n";
            return kExitInput;
        }
        const std::optional<SettingsRecord> record = RecordFromJson(*json, error);
        if (!record) {
            err_ << "kestrion import: " << file << ": " << error << "; nothing written\n";
            return kExitInput;
        }
        // Kept as it is: a printer may listen on such a port (9100, say), but a
        // send of the address block refuses it as the address page does.
        const std::int32_t port = record->address[kestrion::kSocketPort];
        const kestrion::SocketPortRange& range = kestrion::kAddressPagePortRange;
        if (!range.Contains(port)) {
            err_ << "kestrion import: warning: socket port " << port << " is outside " << range.low << "-"
                 << range.high << ", which the address page refuses; sending the address block will refuse it\n";
        }
        if (!SaveFile(*options_.output, *record)) return kExitInput;
        out_ << "wrote " << *options_.output << "\n";
        return kExitOk;
    }

    // --- Many printers --------------------------------------------------------------

    // What became of one printer of a fleet; written only by the thread that
    // works on that printer.
    struct PrinterRun {
        tamsel::SendReport report;                  // send
        std::optional<SettingsRecord> held;         // dry run: what the printer holds
        std::optional<tamsel::FailedCall> readFailure;  // dry run: the read that failed
    };

    static const char* ChoiceOption(tamsel::SendChoice choice) {
        switch (choice) {
            case tamsel::SendChoice::Param: return "--param";
            case tamsel::SendChoice::Adjust: return "--adjust";
            case tamsel::SendChoice::Address: return "--address";
            case tamsel::SendChoice::All: return "--all";
        }
        return "";
    }

    std::optional<std::vector<FleetPrinter>> LoadPrinterList(const std::string& file) {
        std::ifstream in(PathFromUtf8(file), std::ios::binary);
        if (!in) {
            err_ << "kestrion fleet: " << file << ": cannot be opened\n";
            return std::nullopt;
        }
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        std::optional<std::vector<FleetPrinter>> printers = ParsePrinterList(text, error);
        if (!printers) {
            err_ << "kestrion fleet: " << file << ": " << error << "\n";
            return std::nullopt;
        }
        return printers;
    }

    int Fleet() {
        if (!Positional(1)) return kExitUsage;
        if (HasTarget() || options_.port || options_.local) {
            return Usage("the printers come from --list, not from --ip or --printer");
        }
        if (!options_.list) return Usage("--list PRINTERS is required");
        if (options_.choices.size() != 1) return Usage("choose exactly one of --param, --adjust, --address, --all");
        const tamsel::SendChoice choice = options_.choices[0];
        int jobs = kDefaultFleetJobs;
        if (options_.jobs) {
            const std::string& j = *options_.jobs;
            if (j.empty() || j.size() > 2 || j.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(j) < 1 || std::stoi(j) > kMaxFleetJobs) {
                return Usage("--jobs wants a number 1-" + std::to_string(kMaxFleetJobs));
            }
            jobs = std::stoi(j);
        }
        const std::optional<std::vector<FleetPrinter>> list = LoadPrinterList(*options_.list);
        if (!list) return kExitInput;
        const std::vector<FleetPrinter>& printers = *list;
        const bool sendsAddress = choice == tamsel::SendChoice::Address || choice == tamsel::SendChoice::All;
        if (sendsAddress && printers.size() > 1) {
            err_ << "kestrion fleet: " << ChoiceOption(choice) << " sends the address block, which holds one "
                 << "printer's IP address: " << printers.size() << " printers would all take the same address. "
                 << "Send --param or --adjust to many printers, and the address to each printer with "
                 << "'kestrion send'.\n";
            return kExitUsage;
        }
        for (const FleetPrinter& p : printers) {
            if (!p.network && !env_.spoolerTargets) {
                err_ << "kestrion fleet: " << *options_.list << ": " << p.label << " needs the Windows spooler, which "
                     << "this platform does not have; list network printers as A.B.C.D[:PORT]\n";
                return kExitInput;
            }
        }
        const std::string& file = options_.positional[0];
        const std::optional<SettingsRecord> work = LoadFile(file);
        if (!work) return kExitInput;
        const std::int32_t port = work->address[kestrion::kSocketPort];
        const kestrion::SocketPortRange& range = kestrion::kAddressPagePortRange;
        if (sendsAddress && !range.Contains(port)) {
            err_ << "kestrion fleet: " << file << ": socket port " << port << " is outside " << range.low << "-"
                 << range.high << "; nothing sent\n"
                 << range.message << "\n";
            return kExitInput;
        }
        std::string bindError;
        const std::optional<tamsel::LinkOperations> ops = env_.bind(bindError);
        if (!ops) {
            err_ << "kestrion fleet: cannot use the link library: " << bindError << "\n";
            return kExitPrinter;
        }

        // Everything the threads read is made before they start.
        std::vector<std::string> spoolerNames(printers.size());
        for (std::size_t i = 0; i < printers.size(); ++i) {
            if (!printers[i].network) spoolerNames[i] = env_.printerNameForSpooler(printers[i].name);
        }
        const bool dryRun = options_.dryRun;
        std::vector<PrinterRun> runs(printers.size());
        const auto one = [&](std::size_t i) {
            const FleetPrinter& p = printers[i];
            PrinterTarget target{};
            if (p.network) {
                target.connection = 1;
                std::memcpy(target.ipAddress, &p.address, 4);
                target.port = p.port;
            } else {
                target.connection = 0;
                target.nameLength = static_cast<std::uint32_t>(spoolerNames[i].size());
                target.printerName = spoolerNames[i].c_str();
            }
            tamsel::LibraryLink link(*ops, target);
            PrinterRun& run = runs[i];
            if (!dryRun) {
                SettingsRecord snapshot = SettingsRecord::Zero();
                run.report = tamsel::SendToPrinterBlocks(link, choice, *work, !p.local, snapshot);
                return run.report.outcome == tamsel::SendOutcome::Sent;
            }
            if (p.local) return true;  // a printer on a local port cannot answer: nothing to read
            kestrion::ParamBlock param{};
            kestrion::AdjustBlock adjust{};
            kestrion::AddressBlock address{};
            std::int32_t sysError = 0;
            const std::int32_t r = link.GetParam(param.data(), adjust.data(), address.data(), &sysError);
            if (r != 0) {
                run.readFailure = tamsel::FailedCall{"DllGetPrinterParam", r, sysError};
                return false;
            }
            run.held = SettingsRecord::FromBlocks(param.data(), adjust.data(), address.data());
            return true;
        };
        // The progress line, on a terminal only, rewritten in place.
        std::size_t progressWidth = 0;
        const auto progress = [&](std::size_t done, std::size_t failed) {
            if (!env_.progressLine) return;
            const std::string line = "kestrion fleet: " + std::to_string(done) + "/" + std::to_string(printers.size()) +
                                     " printers done, " + std::to_string(failed) + " failed";
            progressWidth = std::max(progressWidth, line.size());
            err_ << "\r" << line << std::flush;
        };
        RunFleet(printers, jobs, one, progress);
        if (progressWidth > 0) err_ << "\r" << std::string(progressWidth, ' ') << "\r" << std::flush;

        return dryRun ? DryRunReport(printers, runs, choice, *work) : FleetReport(printers, runs, choice, jobs);
    }

    int FleetReport(const std::vector<FleetPrinter>& printers, const std::vector<PrinterRun>& runs,
                    tamsel::SendChoice choice, int jobs) {
        out_ << "kestrion fleet: " << ChoiceOption(choice) << " from " << options_.positional[0] << " to "
             << printers.size() << " printer(s), " << jobs << " network printer(s) at a time\n";
        std::vector<std::string> failed;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            const tamsel::SendReport& report = runs[i].report;
            const std::vector<std::string> details = SendDetails(report, printers[i].local);
            if (report.outcome == tamsel::SendOutcome::Sent) {
                out_ << printers[i].label << ": ok: " << (details.empty() ? "" : details[0]) << "\n";
                continue;
            }
            failed.push_back(printers[i].label);
            out_ << printers[i].label << ": FAILED\n";
            if (const char* message = tamsel::SendOutcomeText(report.outcome, choice)) {
                for (const std::string& line : MessageLines(message)) out_ << "  " << line << "\n";
            }
            for (const std::string& line : details) out_ << "  " << line << "\n";
        }
        out_ << printers.size() - failed.size() << " of " << printers.size() << " printer(s) succeeded";
        if (!failed.empty()) out_ << "; failed: " << Joined(failed);
        out_ << "\n";
        return failed.empty() ? kExitOk : kExitPrinter;
    }

    int DryRunReport(const std::vector<FleetPrinter>& printers, const std::vector<PrinterRun>& runs,
                     tamsel::SendChoice choice, const SettingsRecord& work) {
        out_ << "kestrion fleet: dry run, nothing is sent: what " << ChoiceOption(choice) << " from "
             << options_.positional[0] << " would change on " << printers.size() << " printer(s)\n";
        std::vector<std::string> unread;
        std::size_t changing = 0;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            const PrinterRun& run = runs[i];
            const std::string& label = printers[i].label;
            if (run.readFailure) {
                unread.push_back(label);
                out_ << label << ": FAILED: cannot be read\n  "
                     << FailureText(run.readFailure->operation, run.readFailure->result, run.readFailure->sysError)
                     << "\n";
                continue;
            }
            if (!run.held) {
                ++changing;
                out_ << label << ": on a local port, cannot be read: every value of the block would be sent\n";
                continue;
            }
            const std::vector<std::string> lines = DiffSentBlocks(*run.held, work, choice);
            if (lines.empty()) {
                out_ << label << ": nothing would change\n";
                continue;
            }
            ++changing;
            out_ << label << ": " << lines.size() << " setting(s) would change\n";
            for (const std::string& line : lines) out_ << "  " << line << "\n";
        }
        out_ << changing << " of " << printers.size() << " printer(s) would change";
        if (!unread.empty()) out_ << "; could not be read: " << Joined(unread);
        out_ << "\n";
        return unread.empty() ? kExitOk : kExitPrinter;
    }

    static std::vector<std::string> MessageLines(const std::string& message) {
        std::vector<std::string> lines;
        std::size_t start = 0;
        for (std::size_t nl; (nl = message.find('\n', start)) != std::string::npos; start = nl + 1) {
            lines.push_back(message.substr(start, nl - start));
        }
        lines.push_back(message.substr(start));
        return lines;
    }

    static std::string Joined(const std::vector<std::string>& items) {
        std::string out;
        for (const std::string& item : items) out += (out.empty() ? "" : ", ") + item;
        return out;
    }

    std::ostream& out_;
    std::ostream& err_;
    const Environment& env_;
    std::string name_;
    Options options_;
    PrinterTarget target_{};
    std::string printerName_;
};

}  // namespace

int RunKestrion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& env) {
    return Command(out, err, env).Run(args);
}

}  // namespace kestrion_cli
