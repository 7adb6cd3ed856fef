#pragma once
// The modes of the command line: which one a line asks for, the options
// each accepts, and what runs it. A combination is refused by looking it
// up here, once, while the line is parsed.
#include "cli/CliOptions.h"
#include "cli/Console.h"

#include <string>

namespace kq::cli {

// Sets options.mode from what the line named; the line's one error when
// the options do not go together (empty when they do).
std::string DecideMode(CliOptions& options);

// Runs the mode the parser decided: the exit code of the whole run.
int RunMode(const std::string& self, const CliOptions& options, Console& console);

}  // namespace kq::cli
