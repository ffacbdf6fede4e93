#include "cli.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <sstream>

#include "core/socket_port.h"
#include "panel/model/setting_texts.h"
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
    "\n"
    "TARGET:  --ip A.B.C.D [--port N]         a network printer (TCP, port 12000 by default)\n"
    "         --printer NAME [--local]        a Windows printer, through the spooler;\n"
    "                                         --local: on a local port (no read-back)\n"
    "BLOCKS:  --param | --adjust | --address | --all\n"
    "\n"
    "exit status: 0 success, 1 differences found (diff), 2 usage error,\n"
    "             3 bad input file or settings, 4 printer or link library failure\n"
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
};

std::filesystem::path PathFromUtf8(const std::string& s) {
    return std::filesystem::path(std::u8string(s.begin(), s.end()));
}

struct Options {
    std::vector<std::string> positional;
    std::optional<std::string> ip, port, printer, output;
    bool local = false, json = false, help = false;
    std::vector<tamsel::SendChoice> choices;  // send blocks
};

class Command {
public:
    Command(std::ostream& out, std::ostream& err, const Environment& env)
        : outStream(out), errStream(err), environment(env) {}

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
        const std::map<std::string, std::optional<std::string>*> valued = {{"--ip", &options.ip},
                                                                           {"--port", &options.port},
                                                                           {"--printer", &options.printer},
                                                                           {"-o", &options.output},
                                                                           {"--output", &options.output}};
        using tamsel::SendChoice;
        const std::map<std::string, SendChoice> blocks = {
            {"--param", SendChoice::Param}, {"--adjust", SendChoice::Adjust},
            {"--address", SendChoice::Address}, {"--all", SendChoice::All}};
        for (std::size_t i = 1; i < args.size(); ++i) {
            const std::string& a = args[i];
            if (a == "--help" || a == "-h") {
                options.help = true;
            } else if (a == "--local") {
                options.local = true;
            } else if (a == "--json") {
                options.json = true;
            } else if (blocks.count(a)) {
                options.choices.push_back(blocks.at(a));
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

    bool HasTarget() const { return options.ip || options.printer; }

    // Builds the target; false (usage already reported) when it is missing or wrong.
    bool Target() {
        if (options.ip && options.printer) return Usage("give either --ip or --printer, not both"), false;
        if (options.ip) {
            if (options.local) return Usage("--local belongs to --printer"), false;
            const std::optional<std::int32_t> address = ParseDotted(*options.ip);
            if (!address) return Usage("--ip wants a dotted address such as 192.168.0.5"), false;
            std::uint32_t port = kDefaultPort;
            if (options.port) {
                const std::string& p = *options.port;
                if (p.empty() || p.size() > 5 || p.find_first_not_of("0123456789") != std::string::npos ||
                    std::stoul(p) > 65535) {
                    return Usage("--port wants a number 0-65535"), false;
                }
                port = static_cast<std::uint32_t>(std::stoul(p));
            }
            target = PrinterTarget{};
            target.connection = 1;
            std::memcpy(target.ipAddress, &*address, 4);
            target.port = port;
            return true;
        }
        if (options.printer) {
            if (options.port) return Usage("--port belongs to --ip"), false;
            if (!environment.spoolerTargets) {
                errStream << "kestrion " << commandName
                          << ": --printer needs the Windows spooler, which this platform does not "
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
        return Usage("no printer given (--ip A.B.C.D or --printer NAME)"), false;
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

    int PrinterFailure(const char* operation, std::int32_t result, std::int32_t sysError) {
        errStream << "kestrion " << commandName << ": " << operation << " failed: " << result << " ("
                  << tamsel::ResultCodeMeaning(result) << ")";
        if (sysError != 0)
            errStream << ", system error " << sysError << " (" << environment.describeSystemError(sysError) << ")";
        errStream << "\n";
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
        switch (tamsel::SaveSettingsFile(PathFromUtf8(file), record)) {
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
        const tamsel::SendReport report = tamsel::SendToPrinterBlocks(*link, choice, *work, !options.local, snapshot);
        const char* message = tamsel::SendOutcomeText(report.outcome, choice);
        std::ostream& stream = report.outcome == tamsel::SendOutcome::Sent ? outStream : errStream;
        if (message) stream << message << "\n";
        switch (report.outcome) {
            case tamsel::SendOutcome::Sent:
                outStream << (options.local ? "sent (local port: not read back) and restarted the printer\n"
                                            : "sent, verified and restarted the printer\n");
                return kExitOk;
            case tamsel::SendOutcome::ReadBackDiffers:
                errStream << "kestrion send: the printer holds other values than were sent; nothing was accepted and "
                             "the printer was not restarted:\n";
                for (const tamsel::Difference& d : report.differences) {
                    errStream << "  " << DifferenceLabel(d) << ": sent " << d.sent << ", printer holds " << d.readBack
                              << "\n";
                }
                return kExitPrinter;
            case tamsel::SendOutcome::ResetFailed:
                errStream << "kestrion send: the values were accepted, but the printer could not be restarted\n";
                break;
            case tamsel::SendOutcome::SetFailed:
                errStream
                    << "kestrion send: nothing was accepted (a block sent before the failure may have reached the "
                       "printer)\n";
                break;
            case tamsel::SendOutcome::ReadBackFailed:
                errStream << "kestrion send: the values could not be read back; nothing was accepted\n";
                break;
            case tamsel::SendOutcome::NothingSent: return kExitUsage;
        }
        return PrinterFailure(report.failure->operation, report.failure->result, report.failure->sysError);
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

    std::ostream& outStream;
    std::ostream& errStream;
    const Environment& environment;
    std::string commandName;
    Options options;
    PrinterTarget target{};
    std::string printerName;
};

}  // namespace

int RunKestrion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& env) {
    return Command(out, err, env).Run(args);
}

}  // namespace kestrion_cli
