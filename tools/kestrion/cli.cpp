#include "cli.h"

#include <chrono>
#include <cstring>
#include <functional>
#include <iomanip>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <sstream>

#include "core/socket_port.h"
#include "panel/model/setting_texts.h"
#include "tools/kestrion/fleet.h"
#include "tools/kestrion/output_file.h"
#include "tools/kestrion/settings_view.h"

namespace kestrion_cli {

using tamsel::SettingsRecord;

namespace {

constexpr std::uint16_t kDefaultPort = 12000;

const char kGeneralHelp[] =
    "usage: kestrion COMMAND [options]\n"
    "\n"
    "Reads, keeps, compares and applies the settings of label printers, one or many.\n"
    "\n"
    "commands:\n"
    "  status   TARGETS                         each printer's status value\n"
    "  read     TARGET -o FILE.dat              read all settings into a settings file\n"
    "  read     LIST -o DIR                     one settings file per printer, and a summary\n"
    "  send     FILE.dat BLOCKS TARGETS         send, verify and restart each printer\n"
    "           [--dry-run] [--stop-on-failure] [--json] [--jobs N]\n"
    "  reset    TARGETS                         restart each printer\n"
    "  show     FILE.dat [--json]               every setting in words (or as JSON)\n"
    "  diff     A.dat (B.dat | TARGETS)         the settings that differ (for a list: a table)\n"
    "  import   FILE.json -o FILE.dat           JSON from 'show --json' back into a settings file\n"
    "\n"
    "TARGET:  --ip A.B.C.D[:PORT] [--port N]  a network printer (TCP, port 12000 by default)\n"
    "         --printer NAME [--local]        a Windows printer, through the spooler;\n"
    "                                         --local: on a local port (no read-back)\n"
    "LIST:    --targets FILE                  the printers of a target file (below)\n"
    "         --ip A.B.C.D[:PORT] --ip ...    --ip more than once (also beside --targets)\n"
    "TARGETS: a TARGET or a LIST. A LIST is worked on network printers --jobs N at a\n"
    "         time (default 8, at most 64), Windows printers one at a time, and ends\n"
    "         with a report naming every printer.\n"
    "BLOCKS:  --param | --adjust | --address | --all\n"
    "         (for a LIST, --address and --all keep each printer's own IP address)\n"
    "\n"
    "target file: one printer per line; blank lines and lines starting with # are skipped\n"
    "  192.168.0.5                     a network printer on port 12000\n"
    "  192.168.0.6:9100 = hall2-left   on another port, named: '= NAME' after a target\n"
    "                                  names it in reports and file names\n"
    "  printer:Vantorelli LP-1 (USB)   a Windows printer, through the spooler\n"
    "  local:Plain LP-2                a Windows printer on a local port (not read back)\n"
    "  The name starts after the last '=' of the line; without one, the target as\n"
    "  written is the printer's name.\n"
    "\n"
    "exit status: 0 success, 1 differences found (diff), 2 usage error,\n"
    "             3 bad input file or settings, 4 printer or link library failure\n"
    "             (for a LIST: any printer failed, was skipped or, for diff, could not\n"
    "             be read)\n"
    "'kestrion COMMAND --help' describes one command.\n";

const std::map<std::string, std::string> kCommandHelp = {
    {"status",
     "usage: kestrion status TARGETS [--jobs N]\n\n"
     "Prints each printer's status value.\n"},
    {"read",
     "usage: kestrion read TARGET -o FILE.dat\n"
     "       kestrion read LIST -o DIR [--jobs N]\n\n"
     "Reads all settings of the printer and writes them as a settings file, exactly\n"
     "as the panel program writes one (228 bytes over the start of an existing file).\n"
     "For a LIST, DIR (made when missing) gets one file per printer, named after the\n"
     "printer (its '= NAME', else its target, with ':' and the other characters that\n"
     "Windows refuses in file names as '_'; two printers never share a file), and the\n"
     "summary lists every printer's outcome. Exit status 4 when any could not be read.\n"},
    {"send",
     "usage: kestrion send FILE.dat (--param | --adjust | --address | --all) TARGETS\n"
     "                     [--dry-run] [--stop-on-failure] [--json] [--jobs N]\n\n"
     "Sends the chosen blocks of the settings file, reads them back and compares them\n"
     "(not for --local printers), then restarts the printer so that it applies them.\n"
     "Choosing --address or --all is the confirmation that the printer's network\n"
     "settings change. The socket port must lie in 10000-65525 to send the address block.\n\n"
     "For a LIST (or with any of the options below) every printer gets the send and\n"
     "the closing report gives each printer's outcome, the message and the time taken,\n"
     "in the list's order; a printer that fails never stops the others. Exit status 0\n"
     "only when every printer succeeded.\n"
     "  --dry-run          send nothing: read each printer and list the settings the\n"
     "                     blocks would change, in the pages' words\n"
     "  --stop-on-failure  start no further printer after the first failure; the ones\n"
     "                     running finish, the others are reported as skipped\n"
     "  --json             the report as JSON on standard output\n"
     "  --jobs N           network printers N at a time (default 8, at most 64)\n"
     "With a LIST, --address and --all do not give every printer the file's IP address:\n"
     "each printer's own IP address is read from it just before the send and kept, the\n"
     "file's other values are sent; a printer whose address cannot be read gets nothing.\n"},
    {"reset", "usage: kestrion reset TARGETS [--jobs N]\n\nRestarts each printer.\n"},
    {"show",
     "usage: kestrion show FILE.dat [--json]\n\n"
     "Shows every setting with its caption and chosen option, the fine adjustments as\n"
     "direction and millimetres, the address settings and the DIP switch lines.\n"
     "--json prints the same as JSON for 'kestrion import'.\n"},
    {"diff",
     "usage: kestrion diff A.dat B.dat\n"
     "       kestrion diff A.dat TARGET\n"
     "       kestrion diff FILE.dat LIST [--jobs N]\n\n"
     "Lists the settings that differ (from A to B, or from the file to the printer).\n"
     "For a LIST: a table with a row for each printer and setting that differs, the\n"
     "file's words first, then the printer's; the DIP switches (set on the printer)\n"
     "and the IP address (each printer's own) are not compared.\n"
     "Exit status 0 when they are the same, 1 when they differ, 4 when a printer\n"
     "could not be read (the table still shows the others).\n"},
    {"import",
     "usage: kestrion import FILE.json -o FILE.dat\n\n"
     "Turns the JSON of 'kestrion show --json' back into a settings file. Only each\n"
     "field's \"value\" counts (\"caption\", \"option\", \"text\" and the DIP switch\n"
     "\"lines\" are for people). Every field must be present and valid; on any error\n"
     "nothing is written. The socket port may be any port 0-65535; one outside\n"
     "10000-65525, which the address page refuses, is kept with a warning.\n"},
};

std::filesystem::path PathFromUtf8(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

struct Options {
    std::vector<std::string> positional;
    std::vector<std::string> ips;  // --ip, each time it is given
    std::optional<std::string> port, printer, output, targets, jobs;
    bool local = false, json = false, help = false, dryRun = false, stopOnFailure = false;
    std::vector<tamsel::SendChoice> choices;  // send blocks
};

class Command {
public:
    Command(std::ostream& out, std::ostream& err, const Environment& env) : outStream(out), errStream(err), environment(env) {}

    int Run(const std::vector<std::string>& args) {
        if (args.empty() || args[0] == "--help" || args[0] == "-h" || args[0] == "help") {
            (args.empty() ? errStream : outStream) << kGeneralHelp;
            return args.empty() ? kExitUsage : kExitOk;
        }
        commandName = args[0];
        const auto help = kCommandHelp.find(commandName);
        if (help == kCommandHelp.end()) return Usage("unknown command '" + commandName + "'");
        if (!ParseOptions(args)) return kExitUsage;
        if (options.help) {
            outStream << help->second;
            return kExitOk;
        }
        const bool talks = commandName == "status" || commandName == "read" || commandName == "send" || commandName == "reset" ||
                           commandName == "diff";
        if ((options.dryRun || options.stopOnFailure) && commandName != "send") {
            return Usage("--dry-run and --stop-on-failure belong to send");
        }
        if (options.json && commandName != "send" && commandName != "show") return Usage("--json belongs to show and send");
        if (options.jobs && !talks) return Usage("--jobs belongs to the commands that talk to printers");
        // A list of printers, or one printer with what only the list's report has.
        if (talks && (options.targets || options.ips.size() > 1 || options.jobs || options.dryRun ||
                      options.stopOnFailure || (options.json && commandName == "send"))) {
            return Fleet();
        }
        if (commandName == "status") return Status();
        if (commandName == "read") return Read();
        if (commandName == "send") return Send();
        if (commandName == "reset") return Reset();
        if (commandName == "show") return Show();
        if (commandName == "diff") return Diff();
        return Import();
    }

private:
    // --- Command line --------------------------------------------------------------

    int Usage(const std::string& what) {
        errStream << "kestrion" << (commandName.empty() ? "" : " " + commandName) << ": " << what << "\n";
        const auto help = kCommandHelp.find(commandName);
        errStream << (help != kCommandHelp.end() ? help->second : std::string(kGeneralHelp));
        return kExitUsage;
    }

    bool ParseOptions(const std::vector<std::string>& args) {
        const std::map<std::string, std::optional<std::string>*> valued = {
            {"--port", &options.port}, {"--printer", &options.printer},
            {"-o", &options.output}, {"--output", &options.output},
            {"--targets", &options.targets}, {"--jobs", &options.jobs}};
        using tamsel::SendChoice;
        const std::map<std::string, SendChoice> blocks = {
            {"--param", SendChoice::Param}, {"--adjust", SendChoice::Adjust},
            {"--address", SendChoice::Address}, {"--all", SendChoice::All}};
        const std::map<std::string, bool*> flags = {
            {"--help", &options.help}, {"-h", &options.help}, {"--local", &options.local},
            {"--json", &options.json}, {"--dry-run", &options.dryRun},
            {"--stop-on-failure", &options.stopOnFailure}};
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (const auto f = flags.find(a); f != flags.end()) {
                *f->second = true;
            } else if (blocks.count(a)) {
                options.choices.push_back(blocks.at(a));
            } else if (a == "--ip") {
                if (i + 1 >= args.size()) return Usage(a + " needs a value"), false;
                options.ips.push_back(args[++i]);
            } else if (const auto v = valued.find(a); v != valued.end()) {
                if (i + 1 >= args.size()) return Usage(a + " needs a value"), false;
                if (v->second->has_value()) return Usage(a + " given twice"), false;
                *v->second = args[++i];
            } else if (a.size() > 1 && a[0] == '-') {
                return Usage("unknown option '" + a + "'"), false;
            } else {
                options.positional.push_back(a);
            }
        }
        return true;
    }

    bool Positional(std::size_t count) {
        if (options.positional.size() == count) return true;
        Usage(options.positional.size() < count ? "missing file name" : "too many file names");
        return false;
    }

    bool HasTarget() const { return !options.ips.empty() || options.printer || options.targets; }

    // One --ip with its --port, if given: the network printer; nullopt (usage
    // already reported) when wrong.
    std::optional<FleetPrinter> IpTarget(const std::string& ip) {
        std::string error;
        std::optional<FleetPrinter> p = ParseTarget(ip, error);
        if (!p || !p->network) return Usage("--ip wants a dotted address such as 192.168.0.5"), std::nullopt;
        if (options.port) {
            if (ip.find(':') != std::string::npos) return Usage("give the port in --ip A.B.C.D:PORT or --port, not both"), std::nullopt;
            const std::string& t = *options.port;
            if (t.empty() || t.size() > 5 || t.find_first_not_of("0123456789") != std::string::npos ||
                std::stoul(t) > 65535) {
                return Usage("--port wants a number 0-65535"), std::nullopt;
            }
            p = ParseTarget(ip + ":" + t, error);
        }
        p->origin = "--ip";
        return p;
    }

    // Builds the target; false (usage already reported) when it is missing or wrong.
    bool Target() {
        if (!options.ips.empty() && options.printer) return Usage("give either --ip or --printer, not both"), false;
        if (!options.ips.empty()) {
            if (options.local) return Usage("--local belongs to --printer"), false;
            const std::optional<FleetPrinter> p = IpTarget(options.ips[0]);
            if (!p) return false;
            target = PrinterTarget{};
            target.connection = 1;
            std::memcpy(target.ipAddress, &p->address, 4);
            target.port = p->port;
            return true;
        }
        if (options.printer) {
            if (options.port) return Usage("--port belongs to --ip"), false;
            if (!environment.spoolerTargets) {
                errStream << "kestrion " << commandName << ": --printer needs the Windows spooler, which this platform does not "
                        "have; reach a network printer with --ip A.B.C.D\n";
                return false;
            }
            printerName = environment.printerNameForSpooler(*options.printer);
            target = PrinterTarget{};
            target.connection = 0;
            target.nameLength = static_cast<std::uint32_t>(printerName.size());
            target.printerName = printerName.c_str();
            return true;
        }
        return Usage("no printer given (--ip A.B.C.D, --printer NAME or --targets FILE)"), false;
    }

    bool NoTarget() {
        if (!HasTarget() && !options.port && !options.local) return true;
        Usage("this command does not talk to a printer");
        return false;
    }

    std::unique_ptr<tamsel::PrinterLink> Bind() {
        std::string error;
        const std::optional<tamsel::LinkOperations> ops = environment.bind(error);
        if (!ops) {
            errStream << "kestrion " << commandName << ": cannot use the link library: " << error << "\n";
            return nullptr;
        }
        return std::make_unique<tamsel::LibraryLink>(*ops, target);
    }

    // "DllSetPrinterParam failed: -800 (network failure), system error 111 (...)"
    std::string FailureText(const char* operation, std::int32_t result, std::int32_t sysError) const {
        std::string text = std::string(operation) + " failed: " + std::to_string(result) + " (" +
                           tamsel::ResultCodeMeaning(result) + ")";
        if (sysError != 0) {
            // Called from the threads of a list: the platform's words may come
            // from a buffer shared by the process.
            std::lock_guard lock(describeMutex);
            text += ", system error " + std::to_string(sysError) + " (" + environment.describeSystemError(sysError) + ")";
        }
        return text;
    }

    int PrinterFailure(const char* operation, std::int32_t result, std::int32_t sysError) {
        errStream << "kestrion " << commandName << ": " << FailureText(operation, result, sysError) << "\n";
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
                errStream << "kestrion " << commandName << ": " << file
                     << ": not a settings file (wrong header or shorter than 228 bytes)\n";
                return std::nullopt;
            case tamsel::LoadResult::CannotOpen:
                errStream << "kestrion " << commandName << ": " << file << ": cannot be opened\n";
                return std::nullopt;
        }
        return std::nullopt;
    }

    bool SaveFile(const std::string& file, const SettingsRecord& record) {
        // Through a temporary file: a failure leaves no partial file behind.
        switch (WriteSettingsFile(PathFromUtf8(file), record)) {
            case tamsel::SaveResult::Saved: return true;
            case tamsel::SaveResult::AccessDenied:
                errStream << "kestrion " << commandName << ": " << file << ": access denied\n";
                return false;
            case tamsel::SaveResult::Failed:
                errStream << "kestrion " << commandName << ": " << file << ": cannot be written\n";
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
        outStream << "status " << status << "\n";
        return kExitOk;
    }

    int Read() {
        if (!Positional(0) || !Target()) return kExitUsage;
        if (!options.output) return Usage("-o FILE.dat is required");
        const auto link = Bind();
        if (!link) return kExitPrinter;
        const std::optional<SettingsRecord> record = ReadPrinter(*link);
        if (!record) return kExitPrinter;
        if (!SaveFile(*options.output, *record)) return kExitInput;
        outStream << "read the printer's settings into " << *options.output << "\n";
        return kExitOk;
    }

    int Send() {
        if (!Positional(1) || !Target()) return kExitUsage;
        if (options.choices.size() != 1) return Usage("choose exactly one of --param, --adjust, --address, --all");
        const tamsel::SendChoice choice = options.choices[0];
        const std::optional<SettingsRecord> work = LoadFile(options.positional[0]);
        if (!work) return kExitInput;
        // The address page refuses a socket port outside its range before anything is sent.
        const std::int32_t port = work->address[kestrion::kSocketPort];
        const kestrion::SocketPortRange& range = kestrion::kAddressPagePortRange;
        const bool sendsAddress = choice == tamsel::SendChoice::Address || choice == tamsel::SendChoice::All;
        if (sendsAddress && !range.Contains(port)) {
            errStream << "kestrion send: " << options.positional[0] << ": socket port " << port << " is outside "
                 << range.low << "-" << range.high << "; nothing sent\n"
                 << range.message << "\n";
            return kExitInput;
        }
        const auto link = Bind();
        if (!link) return kExitPrinter;

        SettingsRecord snapshot = SettingsRecord::Zero();
        const tamsel::SendReport report =
            tamsel::SendToPrinterBlocks(*link, choice, *work, !options.local, snapshot);
        if (report.outcome == tamsel::SendOutcome::NothingSent) return kExitUsage;
        const bool sent = report.outcome == tamsel::SendOutcome::Sent;
        std::ostream& stream = sent ? outStream : errStream;
        if (const char* message = tamsel::SendOutcomeText(report.outcome, choice)) stream << message << "\n";
        for (const std::string& line : SendDetails(report, options.local)) {
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
        outStream << "restarted the printer\n";
        return kExitOk;
    }

    int Show() {
        if (!Positional(1) || !NoTarget()) return kExitUsage;
        const std::optional<SettingsRecord> record = LoadFile(options.positional[0]);
        if (!record) return kExitInput;
        outStream << (options.json ? kjson::Write(RecordToJson(*record)) : DescribeRecord(*record));
        return kExitOk;
    }

    int Diff() {
        std::optional<SettingsRecord> a, b;
        if (HasTarget()) {
            if (!Positional(1) || !Target()) return kExitUsage;
            if (!(a = LoadFile(options.positional[0]))) return kExitInput;
            const auto link = Bind();
            if (!link) return kExitPrinter;
            if (!(b = ReadPrinter(*link))) return kExitPrinter;
        } else {
            if (!Positional(2) || !NoTarget()) return kExitUsage;
            if (!(a = LoadFile(options.positional[0])) || !(b = LoadFile(options.positional[1]))) return kExitInput;
        }
        const std::vector<std::string> lines = DiffRecords(*a, *b);
        if (lines.empty()) {
            outStream << "no differences\n";
            return kExitOk;
        }
        for (const std::string& line : lines) outStream << line << "\n";
        return kExitDiffers;
    }

    int Import() {
        if (!Positional(1) || !NoTarget()) return kExitUsage;
        if (!options.output) return Usage("-o FILE.dat is required");
        const std::string& file = options.positional[0];
        std::ifstream in(PathFromUtf8(file), std::ios::binary);
        if (!in) {
            errStream << "kestrion import: " << file << ": cannot be opened\n";
            return kExitInput;
        }
        const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string error;
        const std::optional<kjson::Value> json = kjson::Parse(text, error);
        if (!json) {
            errStream << "kestrion import: " << file << ": not valid JSON: " << error << "\n";
            return kExitInput;
        }
        const std::optional<SettingsRecord> record = RecordFromJson(*json, error);
        if (!record) {
            errStream << "kestrion import: " << file << ": " << error << "; nothing written\n";
            return kExitInput;
        }
        // Kept as it is: a printer may listen on such a port (9100, say), but a
        // send of the address block refuses it as the address page does.
        const std::int32_t port = record->address[kestrion::kSocketPort];
        const kestrion::SocketPortRange& range = kestrion::kAddressPagePortRange;
        if (!range.Contains(port)) {
            errStream << "kestrion import: warning: socket port " << port << " is outside " << range.low << "-"
                 << range.high << ", which the address page refuses; sending the address block will refuse it\n";
        }
        if (!SaveFile(*options.output, *record)) return kExitInput;
        outStream << "wrote " << *options.output << "\n";
        return kExitOk;
    }

    // --- Many printers --------------------------------------------------------------

    // What became of one printer of a list; written only by the thread that
    // works on that printer.
    struct PrinterRun {
        bool ran = false;
        bool ok = false;
        long long milliseconds = 0;
        std::string summary;             // one line after the printer's name
        std::string message;             // send: the panel's message
        std::vector<std::string> lines;  // below it: details, differences, a failed call
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

    // The printers of --targets, the --ip options, or --printer; nullopt
    // (the error reported) when they cannot be had.
    std::optional<std::vector<FleetPrinter>> Printers(int& code) {
        code = kExitUsage;
        std::vector<FleetPrinter> printers;
        if (options.printer) {
            if (options.targets || !options.ips.empty()) {
                return Usage("--printer is one printer; list Windows printers in --targets as printer:NAME"),
                       std::nullopt;
            }
            std::string error;
            std::optional<FleetPrinter> p =
                ParseTarget((options.local ? "local:" : "printer:") + *options.printer, error);
            if (!p) return Usage(error), std::nullopt;
            p->origin = "--printer";
            printers.push_back(*p);
        } else if (options.local) {
            return Usage("--local belongs to --printer (in a target file: local:NAME)"), std::nullopt;
        }
        if (options.targets) {
            const std::string& file = *options.targets;
            std::ifstream in(PathFromUtf8(file), std::ios::binary);
            if (!in) {
                code = kExitInput;
                errStream << "kestrion " << commandName << ": " << file << ": cannot be opened\n";
                return std::nullopt;
            }
            const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
            std::string error;
            std::optional<std::vector<FleetPrinter>> listed = ParseTargetList(text, error);
            if (!listed) {
                code = kExitInput;
                errStream << "kestrion " << commandName << ": " << file << ": " << error << "\n";
                return std::nullopt;
            }
            for (FleetPrinter& p : *listed) p.origin = file + " " + p.origin;
            printers.insert(printers.end(), listed->begin(), listed->end());
        }
        if (options.port && (options.ips.size() != 1 || options.targets)) {
            return Usage("--port belongs to a single --ip; in a list write A.B.C.D:PORT"), std::nullopt;
        }
        for (const std::string& ip : options.ips) {
            const std::optional<FleetPrinter> p = IpTarget(ip);
            if (!p) return std::nullopt;
            printers.push_back(*p);
        }
        if (printers.empty()) {
            if (options.targets) {
                code = kExitInput;
                errStream << "kestrion " << commandName << ": " << *options.targets << ": names no printer\n";
                return std::nullopt;
            }
            return Usage("no printer given (--ip A.B.C.D, --printer NAME or --targets FILE)"), std::nullopt;
        }
        if (const std::optional<std::string> twice = FindDuplicate(printers)) {
            code = kExitInput;
            errStream << "kestrion " << commandName << ": " << *twice << "\n";
            return std::nullopt;
        }
        for (const FleetPrinter& p : printers) {
            if (!p.network && !environment.spoolerTargets) {
                code = kExitInput;
                errStream << "kestrion " << commandName << ": " << p.target << " needs the Windows spooler, which this platform "
                     << "does not have; reach network printers as A.B.C.D[:PORT]\n";
                return std::nullopt;
            }
        }
        return printers;
    }

    // Runs `work` for every printer with a link of its own, timed, with the
    // progress line on a terminal. False when the link library cannot be used.
    bool ForEachPrinter(const std::vector<FleetPrinter>& printers, int jobs, bool stopOnFailure,
                        std::vector<PrinterRun>& runs,
                        const std::function<bool(std::size_t, tamsel::PrinterLink&, PrinterRun&)>& work) {
        std::string bindError;
        const std::optional<tamsel::LinkOperations> ops = environment.bind(bindError);
        if (!ops) {
            errStream << "kestrion " << commandName << ": cannot use the link library: " << bindError << "\n";
            return false;
        }
        // Everything the threads read is made before they start.
        std::vector<std::string> spoolerNames(printers.size());
        for (std::size_t i = 0; i < printers.size(); ++i) {
            if (!printers[i].network) spoolerNames[i] = environment.printerNameForSpooler(printers[i].name);
        }
        runs.assign(printers.size(), PrinterRun{});
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
            const auto start = std::chrono::steady_clock::now();
            run.ok = work(i, link, run);
            run.milliseconds =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
            return run.ok;
        };
        // The progress line, on a terminal only, rewritten in place.
        std::size_t progressWidth = 0;
        const auto progress = [&](std::size_t done, std::size_t failed) {
            if (!environment.progressLine) return;
            const std::string line = "kestrion " + commandName + ": " + std::to_string(done) + "/" +
                                     std::to_string(printers.size()) + " printers done, " + std::to_string(failed) +
                                     " failed";
            progressWidth = std::max(progressWidth, line.size());
            errStream << "\r" << line << std::flush;
        };
        const std::vector<bool> ran = RunFleet(printers, jobs, stopOnFailure, one, progress);
        if (progressWidth > 0) errStream << "\r" << std::string(progressWidth, ' ') << "\r" << std::flush;
        for (std::size_t i = 0; i < printers.size(); ++i) runs[i].ran = ran[i];
        return true;
    }

    // Reads one printer's settings; on failure fills `run` and returns nullopt.
    std::optional<SettingsRecord> ReadOne(tamsel::PrinterLink& link, PrinterRun& run) const {
        kestrion::ParamBlock param{};
        kestrion::AdjustBlock adjust{};
        kestrion::AddressBlock address{};
        std::int32_t sysError = 0;
        const std::int32_t r = link.GetParam(param.data(), adjust.data(), address.data(), &sysError);
        if (r != 0) {
            run.summary = "cannot be read";
            run.lines = {FailureText("DllGetPrinterParam", r, sysError)};
            return std::nullopt;
        }
        return SettingsRecord::FromBlocks(param.data(), adjust.data(), address.data());
    }

    static std::string Seconds(long long milliseconds) {
        std::ostringstream s;
        s << std::fixed << std::setprecision(2) << static_cast<double>(milliseconds) / 1000.0 << " s";
        return s.str();
    }

    int Fleet() {
        int code = kExitUsage;
        if (commandName == "send" || commandName == "diff") {
            if (!Positional(1)) return kExitUsage;
        } else if (!Positional(0)) {
            return kExitUsage;
        }
        int jobs = kDefaultFleetJobs;
        if (options.jobs) {
            const std::string& j = *options.jobs;
            if (j.empty() || j.size() > 2 || j.find_first_not_of("0123456789") != std::string::npos ||
                std::stoi(j) < 1 || std::stoi(j) > kMaxFleetJobs) {
                return Usage("--jobs wants a number 1-" + std::to_string(kMaxFleetJobs));
            }
            jobs = std::stoi(j);
        }
        if (commandName == "read" && !options.output) return Usage("-o DIR is required");
        if (commandName == "send" && options.choices.size() != 1) {
            return Usage("choose exactly one of --param, --adjust, --address, --all");
        }
        const std::optional<std::vector<FleetPrinter>> printers = Printers(code);
        if (!printers) return code;
        // A list given as a list keeps its form in the report even for one printer.
        targetsAsList = options.targets || printers->size() > 1;
        if (commandName == "status") return FleetStatusOrReset(*printers, jobs, false);
        if (commandName == "reset") return FleetStatusOrReset(*printers, jobs, true);
        if (commandName == "read") return FleetRead(*printers, jobs);
        if (commandName == "diff") return FleetDiff(*printers, jobs);
        return FleetSend(*printers, jobs);
    }

    // The closing lines of a list's report: every printer in the list's order.
    void ReportLines(const std::vector<FleetPrinter>& printers, const std::vector<PrinterRun>& runs, bool timed) {
        for (std::size_t i = 0; i < printers.size(); ++i) {
            const PrinterRun& run = runs[i];
            outStream << printers[i].label << ": ";
            if (!run.ran) {
                outStream << "skipped: not started after an earlier failure\n";
                continue;
            }
            outStream << (run.ok ? "ok" : "FAILED");
            if (timed) outStream << " (" << Seconds(run.milliseconds) << ")";
            outStream << (run.summary.empty() ? "" : ": " + run.summary) << "\n";
            if (!run.ok && !run.message.empty()) {  // a success says it in the summary
                for (const std::string& line : MessageLines(run.message)) outStream << "  " << line << "\n";
            }
            for (const std::string& line : run.lines) outStream << "  " << line << "\n";
        }
    }

    // "18 of 20 printer(s) succeeded; failed: A, B; skipped: C"
    int Tally(const std::vector<FleetPrinter>& printers, const std::vector<PrinterRun>& runs, const std::string& what) {
        std::vector<std::string> failed, skipped;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            if (!runs[i].ran) skipped.push_back(printers[i].label);
            else if (!runs[i].ok) failed.push_back(printers[i].label);
        }
        outStream << printers.size() - failed.size() - skipped.size() << " of " << printers.size() << " printer(s) "
             << what;
        if (!failed.empty()) outStream << "; failed: " << Joined(failed);
        if (!skipped.empty()) outStream << "; skipped: " << Joined(skipped);
        outStream << "\n";
        return failed.empty() && skipped.empty() ? kExitOk : kExitPrinter;
    }

    int FleetStatusOrReset(const std::vector<FleetPrinter>& printers, int jobs, bool reset) {
        std::vector<PrinterRun> runs;
        const bool bound = ForEachPrinter(printers, jobs, false, runs, [&](std::size_t, tamsel::PrinterLink& link,
                                                                          PrinterRun& run) {
            std::int32_t status = 0, sysError = 0;
            const std::int32_t r = reset ? link.Reset(&sysError) : link.GetStatus(&status, &sysError);
            if (r != 0) {
                run.lines = {FailureText(reset ? "DllResetPrinter" : "DllGetPrinterStatus", r, sysError)};
                return false;
            }
            run.summary = reset ? "restarted the printer" : "status " + std::to_string(status);
            return true;
        });
        if (!bound) return kExitPrinter;
        ReportLines(printers, runs, false);
        return Tally(printers, runs, reset ? "restarted" : "answered");
    }

    int FleetRead(const std::vector<FleetPrinter>& printers, int jobs) {
        const std::filesystem::path dir = PathFromUtf8(*options.output);
        std::error_code error;
        std::filesystem::create_directories(dir, error);
        if (!std::filesystem::is_directory(dir, error)) {
            errStream << "kestrion read: " << *options.output << ": not a folder and cannot be made one\n";
            return kExitInput;
        }
        const std::vector<std::string> files = SettingsFileNames(printers);
        std::vector<PrinterRun> runs;
        const bool bound = ForEachPrinter(printers, jobs, false, runs, [&](std::size_t i, tamsel::PrinterLink& link,
                                                                          PrinterRun& run) {
            const std::optional<SettingsRecord> record = ReadOne(link, run);
            if (!record) return false;
            const std::filesystem::path path = dir / PathFromUtf8(files[i]);
            // Shown as given, in UTF-8 (a path's narrow text would be the ANSI code page on Windows).
            const std::string& folder = *options.output;
            const bool separated = !folder.empty() && (folder.back() == '/' || folder.back() == '\\');
            const std::string shown = folder + (separated ? "" : "/") + files[i];
            switch (WriteSettingsFile(path, *record)) {
                case tamsel::SaveResult::Saved: run.summary = "wrote " + shown; return true;
                case tamsel::SaveResult::AccessDenied: run.summary = "read, but " + shown + ": access denied"; break;
                case tamsel::SaveResult::Failed: run.summary = "read, but " + shown + " cannot be written"; break;
            }
            return false;
        });
        if (!bound) return kExitPrinter;
        ReportLines(printers, runs, false);
        return Tally(printers, runs, "read");
    }

    // The file as it would be sent to a printer that holds `held`: a list
    // keeps each printer's own IP address.
    SettingsRecord ForPrinter(const SettingsRecord& file, const SettingsRecord& held) const {
        SettingsRecord r = file;
        r.address[kestrion::kIpAddress] = held.address[kestrion::kIpAddress];
        return r;
    }

    int FleetDiff(const std::vector<FleetPrinter>& printers, int jobs) {
        const std::optional<SettingsRecord> file = LoadFile(options.positional[0]);
        if (!file) return kExitInput;
        std::vector<PrinterRun> runs;
        std::vector<std::vector<std::string>> rows(printers.size());
        const bool bound = ForEachPrinter(printers, jobs, false, runs, [&](std::size_t i, tamsel::PrinterLink& link,
                                                                          PrinterRun& run) {
            if (printers[i].local) {
                run.summary = "on a local port, cannot be read";
                return false;
            }
            const std::optional<SettingsRecord> held = ReadOne(link, run);
            if (!held) return false;
            rows[i] = DiffSentBlocks(ForPrinter(*file, *held), *held, tamsel::SendChoice::All);
            return true;
        });
        if (!bound) return kExitPrinter;

        std::size_t width = std::string("printer").size();
        for (const FleetPrinter& p : printers) width = std::max(width, DisplayWidth(p.label));
        const auto cell = [&](const std::string& label) {
            return label + std::string(width - DisplayWidth(label) + 2, ' ');
        };
        outStream << cell("printer") << "setting: " << options.positional[0] << " → printer\n";
        std::vector<std::string> differing, unread;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            const std::string& label = printers[i].label;
            if (!runs[i].ok) {
                unread.push_back(label);
                outStream << cell(label) << "FAILED: " << runs[i].summary
                     << (runs[i].lines.empty() ? "" : ": " + runs[i].lines[0]) << "\n";
            } else if (rows[i].empty()) {
                outStream << cell(label) << "(the same)\n";
            } else {
                differing.push_back(label);
                for (const std::string& row : rows[i]) outStream << cell(label) << row << "\n";
            }
        }
        outStream << differing.size() << " of " << printers.size() << " printer(s) differ";
        if (!differing.empty()) outStream << ": " << Joined(differing);
        if (!unread.empty()) outStream << "; could not be read: " << Joined(unread);
        outStream << "\n";
        if (!unread.empty()) return kExitPrinter;
        return differing.empty() ? kExitOk : kExitDiffers;
    }

    // Columns on a terminal: one per character (a UTF-8 lead byte); the
    // wide East Asian characters take two.
    static std::size_t DisplayWidth(const std::string& text) {
        std::size_t width = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const unsigned char c = static_cast<unsigned char>(text[i]);
            if ((c & 0xC0) == 0x80) continue;
            width += c >= 0xE3 && c <= 0xEF ? 2 : 1;  // U+3000 and up: CJK, kana, full-width forms
        }
        return width;
    }

    int FleetSend(const std::vector<FleetPrinter>& printers, int jobs) {
        const tamsel::SendChoice choice = options.choices[0];
        const std::string& file = options.positional[0];
        const std::optional<SettingsRecord> work = LoadFile(file);
        if (!work) return kExitInput;
        const std::int32_t port = work->address[kestrion::kSocketPort];
        const kestrion::SocketPortRange& range = kestrion::kAddressPagePortRange;
        const bool sendsAddress = choice == tamsel::SendChoice::Address || choice == tamsel::SendChoice::All;
        if (sendsAddress && !range.Contains(port)) {
            errStream << "kestrion send: " << file << ": socket port " << port << " is outside " << range.low << "-"
                 << range.high << "; nothing sent\n"
                 << range.message << "\n";
            return kExitInput;
        }
        // One address for many printers would give them all the same one.
        const bool keepOwnAddress = sendsAddress && targetsAsList;
        const bool dryRun = options.dryRun;

        std::vector<PrinterRun> runs;
        const bool bound = ForEachPrinter(printers, jobs, options.stopOnFailure, runs, [&](std::size_t i,
                                                                                          tamsel::PrinterLink& link,
                                                                                          PrinterRun& run) {
            const FleetPrinter& p = printers[i];
            std::optional<SettingsRecord> held;
            if (dryRun || keepOwnAddress) {
                if (p.local) {
                    run.summary = dryRun ? "on a local port, cannot be read"
                                         : "on a local port, so its own IP address cannot be read; nothing sent";
                    return false;
                }
                held = ReadOne(link, run);
                if (!held) {
                    if (!dryRun) run.summary = "its own IP address cannot be read; nothing sent";
                    return false;
                }
            }
            const SettingsRecord sent = keepOwnAddress ? ForPrinter(*work, *held) : *work;
            if (dryRun) {
                run.lines = DiffSentBlocks(*held, sent, choice);
                run.summary = run.lines.empty() ? "nothing would change"
                                                : std::to_string(run.lines.size()) + " setting(s) would change";
                return true;
            }
            SettingsRecord snapshot = SettingsRecord::Zero();
            const tamsel::SendReport report = tamsel::SendToPrinterBlocks(link, choice, sent, !p.local, snapshot);
            if (const char* message = tamsel::SendOutcomeText(report.outcome, choice)) run.message = message;
            std::vector<std::string> details = SendDetails(report, p.local);
            const bool ok = report.outcome == tamsel::SendOutcome::Sent;
            if (ok && !details.empty()) {
                run.summary = details[0];
                details.erase(details.begin());
                if (keepOwnAddress) {
                    run.summary += ", its IP address " + kestrion::FormatDotted(held->address[kestrion::kIpAddress]) +
                                   " kept";
                }
            }
            run.lines = details;
            return ok;
        });
        if (!bound) return kExitPrinter;
        return options.json ? SendJson(printers, runs, choice, jobs, keepOwnAddress)
                             : SendText(printers, runs, choice, jobs, keepOwnAddress);
    }

    int SendText(const std::vector<FleetPrinter>& printers, const std::vector<PrinterRun>& runs,
                 tamsel::SendChoice choice, int jobs, bool keepOwnAddress) {
        const std::string& file = options.positional[0];
        if (options.dryRun) {
            outStream << "kestrion send: dry run, nothing is sent: what " << ChoiceOption(choice) << " from " << file
                 << " would change on " << printers.size() << " printer(s)\n";
        } else {
            outStream << "kestrion send: " << ChoiceOption(choice) << " from " << file << " to " << printers.size()
                 << " printer(s), " << jobs << " network printer(s) at a time\n";
        }
        if (keepOwnAddress) outStream << "each printer keeps its own IP address; the file's other values are sent\n";
        ReportLines(printers, runs, !options.dryRun);
        if (!options.dryRun) return Tally(printers, runs, "succeeded");
        std::size_t changing = 0;
        for (const PrinterRun& run : runs) changing += run.ok && !run.lines.empty();
        std::vector<std::string> unread;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            if (!runs[i].ok) unread.push_back(printers[i].label);
        }
        outStream << changing << " of " << printers.size() << " printer(s) would change";
        if (!unread.empty()) outStream << "; could not be read: " << Joined(unread);
        outStream << "\n";
        return unread.empty() ? kExitOk : kExitPrinter;
    }

    int SendJson(const std::vector<FleetPrinter>& printers, const std::vector<PrinterRun>& runs,
                 tamsel::SendChoice choice, int jobs, bool keepOwnAddress) {
        using kjson::Value;
        const auto boolean = [](bool b) {
            Value v;
            v.type = Value::Type::Bool;
            v.boolean = b;
            return v;
        };
        Value list = Value::Array();
        long long succeeded = 0, failed = 0, skipped = 0;
        for (std::size_t i = 0; i < printers.size(); ++i) {
            const PrinterRun& run = runs[i];
            const char* outcome = !run.ran ? "skipped" : run.ok ? "ok" : "failed";
            (!run.ran ? skipped : run.ok ? succeeded : failed) += 1;
            Value lines = Value::Array();
            for (const std::string& line : run.lines) {
                lines.items.push_back(Value::String(line.substr(std::min(line.find_first_not_of(' '), line.size()))));
            }
            Value entry = Value::Object();
            entry.Add("printer", Value::String(printers[i].label))
                .Add("target", Value::String(printers[i].target))
                .Add("outcome", Value::String(outcome))
                .Add("summary", Value::String(run.ran ? run.summary : "not started after an earlier failure"))
                .Add("message", Value::String(run.message))
                .Add(options.dryRun ? "changes" : "details", std::move(lines))
                .Add("milliseconds", Value::Number(run.milliseconds));
            list.items.push_back(std::move(entry));
        }
        Value report = Value::Object();
        report.Add("command", Value::String("send"))
            .Add("file", Value::String(options.positional[0]))
            .Add("blocks", Value::String(ChoiceOption(choice)))
            .Add("dryRun", boolean(options.dryRun))
            .Add("jobs", Value::Number(jobs))
            .Add("keepsOwnIpAddress", boolean(keepOwnAddress))
            .Add("printers", std::move(list))
            .Add("succeeded", Value::Number(succeeded))
            .Add("failed", Value::Number(failed))
            .Add("skipped", Value::Number(skipped));
        outStream << kjson::Write(report);
        return failed == 0 && skipped == 0 ? kExitOk : kExitPrinter;
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

    std::ostream& outStream;
    std::ostream& errStream;
    const Environment& environment;
    std::string commandName;
    Options options;
    PrinterTarget target{};
    std::string printerName;
    bool targetsAsList = false;  // the printers came as a list
    mutable std::mutex describeMutex;
};

}  // namespace

int RunKestrion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& env) {
    return Command(out, err, env).Run(args);
}

}  // namespace kestrion_cli
