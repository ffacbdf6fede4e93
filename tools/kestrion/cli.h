// The kestrion command-line tool: read, keep, compare and apply printer
// settings from scripts. Portable; main.cpp binds the link library and the
// console of each platform.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "panel/model/send_flow.h"

namespace kestrion_cli {

enum ExitCode : int {
    kExitOk = 0,
    kExitDiffers = 1,  // diff found differences
    kExitUsage = 2,    // bad command line
    kExitInput = 3,    // a file could not be read or written, or holds invalid settings
    kExitPrinter = 4,  // the printer operation failed (or the link library is missing)
};

struct Environment {
    // Binds the six operations of the link library; nullopt with `error` set
    // when the library or an operation is missing.
    std::function<std::optional<tamsel::LinkOperations>(std::string& error)> bind;
    // Words for an operating-system error code (errno or a Windows error).
    std::function<std::string(std::int32_t code)> describeSystemError;
    // The printer name as the spooler wants it (ANSI on Windows).
    std::function<std::string(const std::string& utf8)> printerNameForSpooler;
    // False where the platform has no printer spooler (the library would
    // fail every --printer target with -700): such targets are refused.
    bool spoolerTargets = true;
    // True when the error stream is a terminal: a command on a target list keeps
    // a progress line there while it works.
    bool progressLine = false;
};

// `args` excludes the program name. Writes results to `out` and errors to
// `err`; returns an ExitCode.
int RunKestrion(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const Environment& env);

}  // namespace kestrion_cli
